// The real 3D Studio test files, converted with kelmat and rendered with zelt-view --out: the
// picture is the same on every run of one math build, and the scene covers the part of the frame
// its camera (or the framing camera) puts it in.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tools/zelt-view/ViewOptions.h"

namespace fs = std::filesystem;

namespace {

std::string Bin() {
  const char* bin = std::getenv("LUMORA_BIN");
  return bin ? bin : "build/bin";
}

std::string Data(const std::string& name) {
  const char* root = std::getenv("LUMORA_TESTDATA");
  return std::string(root ? root : "../shared/testdata") + "/3ds/" + name;
}

fs::path Scratch() {
  static const fs::path dir = [] {
    std::random_device rd;
    fs::path d = fs::temp_directory_path() / ("lumora-zelt-view-" + std::to_string(rd()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

int Shell(const std::string& command, const std::string& env = "") {
  const fs::path log = Scratch() / "log.txt";
  std::string line = env + (env.empty() ? "" : " ") + command + " >>" + Quote(log.string()) + " 2>&1";
  return std::system(line.c_str());
}

// Converts one test file into its own folder; returns the folder and base name.
fs::path Convert(const std::string& file) {
  const fs::path dir = Scratch() / fs::path(file).stem();
  if (!fs::exists(dir / (fs::path(file).stem().string() + ".s3d"))) {
    int status = Shell(Quote(Bin() + "/kelmat") + " convert " + Quote(Data(file)) + " -o " + Quote(dir.string()));
    EXPECT_EQ(status, 0) << "kelmat convert " << file;
  }
  return dir / fs::path(file).stem();
}

struct Picture {
  int width = 0, height = 0;
  std::vector<png_byte> rgb;
  bool Covered(int x, int y) const {
    const png_byte* p = &rgb[(size_t(y) * width + x) * 3];
    return p[0] || p[1] || p[2];
  }
};

bool ReadPng(const fs::path& path, Picture& pic) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.string().c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  pic.width = int(image.width);
  pic.height = int(image.height);
  pic.rgb.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, pic.rgb.data(), 0, nullptr) != 0;
}

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Coverage {
  double fraction = 0;  // covered share of the frame
  double centreX = 0, centreY = 0;  // centre of the covered box, as a share of the frame
};

Coverage Measure(const Picture& pic) {
  Coverage c;
  int minX = pic.width, maxX = -1, minY = pic.height, maxY = -1;
  long covered = 0;
  for (int y = 0; y < pic.height; ++y)
    for (int x = 0; x < pic.width; ++x)
      if (pic.Covered(x, y)) {
        ++covered;
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
  c.fraction = double(covered) / (double(pic.width) * pic.height);
  if (covered) {
    c.centreX = (minX + maxX + 1) / 2.0 / pic.width;
    c.centreY = (minY + maxY + 1) / 2.0 / pic.height;
  }
  return c;
}

// Renders with zelt-view --out; the picture is read back into pic.
bool Render(const std::string& files, const fs::path& out, Picture& pic, const std::string& env = "",
            const std::string& extra = "") {
  fs::remove(out);
  int status = Shell(Quote(Bin() + "/zelt-view") + " " + files + " " + extra + " --out " + Quote(out.string()), env);
  if (status != 0) return false;
  return ReadPng(out, pic);
}

}  // namespace

// A lone object gets the framing camera: it fills a good part of the frame, centred.
TEST(ZeltViewRender, FramedObjectsAreCentred) {
  for (const char* file : {"RotatingCube.3DS", "cube_with_diffuse_texture.3DS", "cube_with_specular_texture.3DS",
                           "fels.3ds", "test1.3ds"}) {
    SCOPED_TRACE(file);
    const fs::path base = Convert(file);
    Picture pic;
    ASSERT_TRUE(Render(Quote(base.string() + ".o3d"), Scratch() / "framed.png", pic, "", "--size 320x240"));
    EXPECT_EQ(pic.width, 320);
    EXPECT_EQ(pic.height, 240);
    Coverage c = Measure(pic);
    EXPECT_GT(c.fraction, 0.03);
    EXPECT_LT(c.fraction, 0.95);
    EXPECT_NEAR(c.centreX, 0.5, 0.15);
    EXPECT_NEAR(c.centreY, 0.5, 0.15);
  }
}

// The scenes with a camera are seen through it; every math build draws the same picture on
// every run, and the builds agree on the covered area closely.
TEST(ZeltViewRender, SceneCamerasAreDeterministicPerMathBuild) {
  for (const char* file : {"CameraRollAnim.3ds", "TargetCameraAnim.3ds"}) {
    SCOPED_TRACE(file);
    const fs::path base = Convert(file);
    std::vector<double> fractions;
    for (const char* build : {"numa5", "numa6", "numa6k"}) {
      SCOPED_TRACE(build);
      const std::string env = std::string("ZELT_MATHLIB=") + build;
      Picture first, second;
      ASSERT_TRUE(Render(Quote(base.string() + ".s3d"), Scratch() / "a.png", first, env));
      const std::string bytesA = Bytes(Scratch() / "a.png");
      ASSERT_TRUE(Render(Quote(base.string() + ".s3d"), Scratch() / "b.png", second, env));
      EXPECT_EQ(bytesA, Bytes(Scratch() / "b.png"));
      Coverage c = Measure(first);
      EXPECT_GT(c.fraction, 0.005);
      fractions.push_back(c.fraction);
    }
    EXPECT_NEAR(fractions[0], fractions[1], 0.01);
    EXPECT_NEAR(fractions[0], fractions[2], 0.01);
  }
}

// Animation frames change the picture of an animated scene; a named camera that does not exist
// is an error, not a silent fallback.
TEST(ZeltViewRender, FramesAndCameraNames) {
  const fs::path base = Convert("RotatingCube.3DS");
  const std::string files = Quote(base.string() + ".o3d") + " --anim " + Quote(base.string() + ".a3d");
  Picture start, later;
  ASSERT_TRUE(Render(files, Scratch() / "f0.png", start, "", "--frame 0 --size 200x150"));
  const std::string bytes0 = Bytes(Scratch() / "f0.png");
  ASSERT_TRUE(Render(files, Scratch() / "f1.png", later, "", "--frame 20 --size 200x150"));
  EXPECT_NE(bytes0, Bytes(Scratch() / "f1.png"));
  EXPECT_GT(Measure(later).fraction, 0.01);

  // An animation for objects that are not loaded is refused.
  const fs::path other = Convert("fels.3ds");
  EXPECT_NE(Shell(Quote(Bin() + "/zelt-view") + " " + Quote(other.string() + ".o3d") + " --anim " +
                  Quote(base.string() + ".a3d") + " --out " + Quote((Scratch() / "z.png").string())),
            0);
  EXPECT_FALSE(fs::exists(Scratch() / "z.png"));

  const fs::path cam = Convert("CameraRollAnim.3ds");
  // Its one camera by name gives the same picture as the default choice of the first camera.
  Picture named, first;
  ASSERT_TRUE(Render(Quote(cam.string() + ".s3d"), Scratch() / "named.png", named, "", "--camera Camera01"));
  ASSERT_TRUE(Render(Quote(cam.string() + ".s3d"), Scratch() / "first.png", first));
  EXPECT_EQ(Bytes(Scratch() / "named.png"), Bytes(Scratch() / "first.png"));
  EXPECT_NE(Shell(Quote(Bin() + "/zelt-view") + " " + Quote(cam.string() + ".s3d") +
                " --camera NoSuchCamera --out " + Quote((Scratch() / "x.png").string())),
            0);
  EXPECT_FALSE(fs::exists(Scratch() / "x.png"));
  // A damaged file fails with a message, and writes no picture.
  const fs::path bad = Scratch() / "bad.o3d";
  {
    std::string bytes = Bytes(base.string() + ".o3d");
    std::ofstream(bad, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  }
  EXPECT_NE(Shell(Quote(Bin() + "/zelt-view") + " " + Quote(bad.string()) + " --out " +
                Quote((Scratch() / "y.png").string())),
            0);
  EXPECT_FALSE(fs::exists(Scratch() / "y.png"));
}

// Without --out the viewer runs its window (headless here): F1 draws the counters, a drag
// orbits the view, Escape ends the program normally.
TEST(ZeltViewWindow, ScriptedSessionOrbitsAndQuits) {
  const fs::path base = Convert("RotatingCube.3DS");
  const fs::path frames = Scratch() / "frames";
  fs::remove_all(frames);
  fs::create_directories(frames);
  const fs::path script = Scratch() / "input.txt";
  std::ofstream(script) << "#2 key press F1\n"
                           "#4 down left 100 100\n"
                           "#5 move 180 120\n"
                           "#6 up left 180 120\n"
                           "#8 key press ESCAPE\n";
  const std::string env = "LUMORA_BACKEND=headless LUMORA_CLOCK=fixed:33 LUMORA_INPUT=" + Quote(script.string()) +
                          " LUMORA_FRAMES=" + Quote(frames.string());
  ASSERT_EQ(Shell(Quote(Bin() + "/zelt-view") + " " + Quote(base.string() + ".o3d") + " --size 320x240", env), 0);
  auto frame = [&](int n) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.bmp", n);
    return Bytes(frames / name);
  };
  // Frame 1 is the window cleared by the display layer's set-up.
  const std::string first = frame(2), counters = frame(4), orbited = frame(9);
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(orbited.empty());
  EXPECT_NE(first, counters);  // the counters appeared
  EXPECT_NE(counters, orbited);  // the view turned
  EXPECT_TRUE(frame(10).empty());  // Escape ended the run at once
}

// Texture maps are looked for beside the asset files and in their Maps folder, whatever the
// case of the names; a missing map leaves the flat colour.
TEST(ZeltViewRender, TexturesBesideTheFilesAndInMaps) {
  const fs::path base = Convert("cube_with_diffuse_texture.3DS");  // its map is TEST.PNG
  const fs::path dir = base.parent_path();
  fs::remove(dir / "Maps" / "TEST.dmf");
  fs::remove(dir / "test.dmf");
  const std::string file = Quote(base.string() + ".o3d");
  Picture flat, inMaps, beside;
  ASSERT_TRUE(Render(file, Scratch() / "flat.png", flat, "", "--size 160x120"));
  const std::string flatBytes = Bytes(Scratch() / "flat.png");

  // A red and blue checker texture, made with the texture converter.
  std::vector<uint16_t> px(64 * 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) px[size_t(y) * 64 + x] = ((x / 8 + y / 8) % 2) ? 0xF800 : 0x001F;
  std::string error;
  const fs::path png = Scratch() / "checker.png";
  ASSERT_TRUE(zeltview::WritePng565(png.string(), px.data(), 64, 64, 64, error)) << error;
  fs::create_directories(dir / "Maps");
  ASSERT_EQ(Shell(Quote(Bin() + "/dmfconv") + " " + Quote(png.string()) + " " + Quote((dir / "Maps" / "TEST.dmf").string())), 0);
  ASSERT_TRUE(Render(file, Scratch() / "maps.png", inMaps, "", "--size 160x120"));
  EXPECT_NE(flatBytes, Bytes(Scratch() / "maps.png"));
  // Some covered pixels are now clearly red, others clearly blue.
  int red = 0, blue = 0;
  for (int y = 0; y < inMaps.height; ++y)
    for (int x = 0; x < inMaps.width; ++x) {
      const png_byte* p = &inMaps.rgb[(size_t(y) * inMaps.width + x) * 3];
      red += p[0] > 2 * (p[1] + p[2]) + 20;
      blue += p[2] > 2 * (p[0] + p[1]) + 20;
    }
  EXPECT_GT(red, 50);
  EXPECT_GT(blue, 50);

  // Beside the file, spelled in lower case.
  fs::rename(dir / "Maps" / "TEST.dmf", dir / "test.dmf");
  ASSERT_TRUE(Render(file, Scratch() / "beside.png", beside, "", "--size 160x120"));
  EXPECT_EQ(Bytes(Scratch() / "maps.png"), Bytes(Scratch() / "beside.png"));
  fs::remove(dir / "test.dmf");
}
