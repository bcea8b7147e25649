// zelt-view through the display layer: the same frame from the software kind and from the
// display layer's kind, on 5-6-5 and 5-5-5 displays, and after a scripted configuration dialog.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "mirel/Mirel.h"
#include "platform/Bmp.h"
#include "platform/Dialog.h"

namespace fs = std::filesystem;

namespace {

std::string Bin() {
  const char* bin = std::getenv("LUMORA_BIN");
  return bin ? bin : "build/bin";
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

fs::path Scratch() {
  static const fs::path dir = [] {
    std::random_device rd;
    fs::path d = fs::temp_directory_path() / ("lumora-zelt-view-display-" + std::to_string(rd()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

int Shell(const std::string& command) {
  const std::string line = command + " >>" + Quote((Scratch() / "log.txt").string()) + " 2>&1";
  return std::system(line.c_str());
}

std::string Scene() {
  static const std::string base = [] {
    const char* root = std::getenv("LUMORA_TESTDATA");
    const std::string file = std::string(root ? root : "../shared/testdata") + "/3ds/cube_with_diffuse_texture.3DS";
    const fs::path dir = Scratch() / "scene";
    EXPECT_EQ(Shell(Quote(Bin() + "/kelmat") + " convert " + Quote(file) + " -o " + Quote(dir.string())), 0);
    return (dir / "cube_with_diffuse_texture.o3d").string();
  }();
  return base;
}

// Runs zelt-view headless with frame dumps; gives the last frame dumped.
platform::BmpImage RunViewer(const std::string& name, const std::string& options, const std::string& script = "") {
  const fs::path frames = Scratch() / name;
  fs::remove_all(frames);
  std::string env = "LUMORA_BACKEND=headless LUMORA_FRAMES=" + Quote(frames.string());
  if (!script.empty()) {
    const fs::path file = Scratch() / (name + ".input");
    std::ofstream(file) << script;
    env += " LUMORA_INPUT=" + Quote(file.string());
  }
  platform::BmpImage image;
  EXPECT_EQ(Shell(env + " " + Quote(Bin() + "/zelt-view") + " " + Quote(Scene()) + " " + options), 0) << name;
  std::string last;
  for (const auto& entry : fs::directory_iterator(frames))
    if (entry.path().string() > last) last = entry.path().string();
  EXPECT_TRUE(platform::ReadBmpFile(last.c_str(), &image)) << name;
  return image;
}

// Every channel within one 5-bit step; and the picture is not empty.
void ExpectSame(const platform::BmpImage& a, const platform::BmpImage& b, const char* what) {
  SCOPED_TRACE(what);
  ASSERT_EQ(a.width, 640);
  ASSERT_EQ(b.width, a.width);
  ASSERT_EQ(b.height, a.height);
  int far = 0, lit = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i) {
    for (int shift : {0, 8, 16}) {
      const int ca = int(a.rgb[i] >> shift & 0xFF), cb = int(b.rgb[i] >> shift & 0xFF);
      if (std::abs(ca - cb) > 8) ++far;
    }
    if (a.rgb[i]) ++lit;
  }
  EXPECT_EQ(far, 0);
  EXPECT_GT(lit, 640 * 480 / 50);
}

TEST(ZeltViewDisplay, BothRenderKindsAndBothFormatsGiveTheSameFrame) {
  const auto reference = RunViewer("software565", "--renderer software --format 565");
  ExpectSame(reference, RunViewer("software555", "--renderer software --format 555"), "software 5-5-5");
  ExpectSame(reference, RunViewer("display565", "--renderer display --format 565"), "display 5-6-5");
  ExpectSame(reference, RunViewer("display555", "--renderer display --format 555"), "display 5-5-5");
  ExpectSame(reference, RunViewer("fullscreen", "--renderer display --full-screen"), "full screen");
}

TEST(ZeltViewDisplay, DialogChoosesWindowAndTheDisplayLayersKind) {
  volatile auto linked = &Mirel_Init;  // the library's template is registered when it loads
  (void)linked;
  const auto layout = platform::DialogLayout(nullptr, MIREL_TEMPLATE, 640, 480);
  auto click = [&](int frame, int id) {
    const platform::RECT r = layout.at(id);
    return "#" + std::to_string(frame) + " click left " + std::to_string((r.left + r.right) / 2) + " " +
           std::to_string((r.top + r.bottom) / 2) + "\n";
  };
  const std::string script = click(2, MIREL_ID_WINDOW) + click(4, MIREL_ID_DIRECT3D) + click(6, MIREL_ID_OK);
  const auto dialog = RunViewer("dialog", "--dialog", script);
  ExpectSame(RunViewer("display", "--renderer display"), dialog, "dialog session");
  // Exit from the dialog ends the program with a failure status.
  const fs::path file = Scratch() / "exit.input";
  std::ofstream(file) << click(2, MIREL_ID_EXIT);
  EXPECT_NE(Shell("LUMORA_BACKEND=headless LUMORA_INPUT=" + Quote(file.string()) + " " + Quote(Bin() + "/zelt-view") +
                  " " + Quote(Scene()) + " --dialog"),
            0);
}

}  // namespace
