// The viewer's kernel file functions: texture maps searched in the map folders in order, any
// case; whole-file reads; other files never searched.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "tools/zelt-view/Viewer.h"

namespace fs = std::filesystem;

namespace {

fs::path Scratch() {
  static const fs::path dir = [] {
    std::random_device rd;
    fs::path d = fs::temp_directory_path() / ("lumora-zelt-view-files-" + std::to_string(rd()));
    fs::create_directories(d / "first");
    fs::create_directories(d / "second");
    return d;
  }();
  return dir;
}

void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Opens and reads a whole file through the kernel functions; "<none>" when it cannot be opened.
std::string ReadThrough(const std::string& name) {
  void* h = zeltview::KernelOpen(name.c_str(), "rb");
  if (!h) return "<none>";
  void* buffer = nullptr;
  int size = -1;
  if (!zeltview::KernelReadAll(h, &buffer, &size)) return "<read failed>";
  std::string text(static_cast<const char*>(buffer), size_t(size));
  zeltview::KernelClose(h);
  return text;
}

}  // namespace

TEST(ViewerFiles, MapsAreSearchedInFolderOrder) {
  const fs::path first = Scratch() / "first", second = Scratch() / "second";
  zeltview::SetMapFolders({first.string(), second.string()});
  Write(second / "Wood.dmf", "second wood");
  EXPECT_EQ(ReadThrough("Wood.dmf"), "second wood");
  EXPECT_EQ(ReadThrough("WOOD.DMF"), "second wood");  // any case
  Write(first / "wood.dmf", "first wood");
  EXPECT_EQ(ReadThrough("Wood.dmf"), "first wood");   // the earlier folder wins
  // A path that names an existing map is taken as it is.
  EXPECT_EQ(ReadThrough((second / "Wood.dmf").string()), "second wood");
  // Only maps are searched: other files are opened as named.
  Write(second / "scene.o3d", "objects");
  EXPECT_EQ(ReadThrough("scene.o3d"), "<none>");
  EXPECT_EQ(ReadThrough((second / "scene.o3d").string()), "objects");
  EXPECT_EQ(ReadThrough("missing.dmf"), "<none>");
  zeltview::SetMapFolders({});
  EXPECT_EQ(ReadThrough("Wood.dmf"), "<none>");
}

TEST(ViewerFiles, EmptyFilesAndWrites) {
  const fs::path empty = Scratch() / "empty.bin";
  Write(empty, "");
  EXPECT_EQ(ReadThrough(empty.string()), "");
  const fs::path out = Scratch() / "written.bin";
  void* h = zeltview::KernelOpen(out.string().c_str(), "wb");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(zeltview::KernelWrite(h, "abc", 3), 1);
  zeltview::KernelClose(h);
  EXPECT_EQ(ReadThrough(out.string()), "abc");
  zeltview::KernelClose(nullptr);  // ignored
}
