#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Build3ds.h"
#include "_TempDir.h"
#include "kelmat/ftk/FtkError.h"
#include "kelmat/ftk/FtkFile.h"

using namespace ftk;

namespace {

std::string MakeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::string path = ScratchPath(name);
  EXPECT_TRUE(build3ds::WriteFile(path, bytes));
  return path;
}

}  // namespace

TEST(FtkFiles, ArgumentsAndModes) {
  ClearErrors();
  EXPECT_EQ(OpenFile(nullptr, "r"), nullptr);
  EXPECT_EQ(GetError(0).code, ERR_INVALID_ARG);
  ClearErrors();
  std::string path = MakeFile("modes.bin", {1, 2, 3});
  EXPECT_EQ(OpenFile(path.c_str(), nullptr), nullptr);
  EXPECT_EQ(GetError(0).code, ERR_INVALID_ARG);
  ClearErrors();
  EXPECT_EQ(OpenFile(path.c_str(), "ab+"), nullptr);
  EXPECT_EQ(GetError(0).code, ERR_INIT_FAILED);
  ClearErrors();
  // The letter must appear within the first 30 characters.
  std::string late(30, 'x');
  EXPECT_EQ(OpenFile(path.c_str(), (late + "r").c_str()), nullptr);
  EXPECT_EQ(GetError(0).code, ERR_INIT_FAILED);
  ClearErrors();
  EXPECT_EQ(OpenFile(ScratchPath("missing/none.3ds").c_str(), "rb"), nullptr);
  EXPECT_EQ(GetError(0).code, ERR_OPENING_FILE);
  ClearErrors();
  File* f = OpenFile(path.c_str(), "xxr");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->mode, FileMode::Read);
  EXPECT_EQ(f->size, 3u);
  EXPECT_TRUE(CloseFile(f));
  EXPECT_FALSE(ErrorPending());
}

TEST(FtkFiles, SameModeSharesOtherModeReopens) {
  ClearErrors();
  const int before = OpenFileCount();
  std::string path = MakeFile("share.bin", {9, 8, 7, 6});
  File* a = OpenFile(path.c_str(), "rb");
  File* b = OpenFile(path.c_str(), "r");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_EQ(OpenFileCount(), before + 1);
  File* w = OpenFile(path.c_str(), "w");  // closes the reader, truncates
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->mode, FileMode::Write);
  EXPECT_EQ(OpenFileCount(), before + 1);
  EXPECT_TRUE(CloseFile(w));
  File* r = OpenFile(path.c_str(), "r");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->size, 0u);
  EXPECT_TRUE(CloseFile(r));
  EXPECT_EQ(OpenFileCount(), before);
}

TEST(FtkFiles, LowestFreeSlotAndLimit) {
  ClearErrors();
  ASSERT_EQ(OpenFileCount(), 0);
  std::vector<File*> files;
  for (int i = 0; i < kMaxOpenFiles; ++i) {
    std::string path = MakeFile("slot" + std::to_string(i), {1});
    File* f = OpenFile(path.c_str(), "r");
    ASSERT_NE(f, nullptr) << i;
    EXPECT_EQ(f->slot, i);
    files.push_back(f);
  }
  std::string extra = MakeFile("slot-extra", {1});
  EXPECT_EQ(OpenFile(extra.c_str(), "r"), nullptr);
  EXPECT_EQ(GetError(0).code, ERR_TOO_MANY_FILES);
  ClearErrors();
  EXPECT_TRUE(CloseFile(files[7]));
  File* again = OpenFile(extra.c_str(), "r");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->slot, 7);
  files[7] = again;
  for (File* f : files) EXPECT_TRUE(CloseFile(f));
  EXPECT_EQ(OpenFileCount(), 0);
}

TEST(FtkFiles, ReadsStayInsideTheFile) {
  ClearErrors();
  std::string path = MakeFile("bounds.bin", {1, 2, 3, 4, 5});
  File* f = OpenFile(path.c_str(), "r");
  ASSERT_NE(f, nullptr);
  uint8_t buf[8] = {};
  EXPECT_TRUE(ReadAt(f, 3, buf, 2));
  EXPECT_EQ(buf[1], 5);
  EXPECT_TRUE(ReadAt(f, 5, buf, 0));
  EXPECT_FALSE(ErrorPending());
  EXPECT_FALSE(ReadAt(f, 4, buf, 2));
  EXPECT_EQ(GetError(0).code, ERR_READING_FILE);
  EXPECT_FALSE(ReadAt(f, ~0ull, buf, 2));
  EXPECT_TRUE(CloseFile(f));
  ClearErrors();
}
