// Viewer command line, PNG output and orbit placement.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <filesystem>

#include "tools/zelt-view/ViewOptions.h"

using namespace zeltview;

TEST(ViewOptions, FullLine) {
  Options o;
  std::string error;
  ASSERT_TRUE(ParseOptions({"a/Scene.S3D", "b.o3d", "--anim", "walk.a3d", "--frame", "12.5", "--camera",
                            "Camera01", "--size", "320x200", "--out", "x.png"},
                           o, error))
      << error;
  ASSERT_EQ(o.files.size(), 2u);
  EXPECT_EQ(o.files[0], "a/Scene.S3D");
  EXPECT_EQ(o.anim, "walk.a3d");
  EXPECT_TRUE(o.haveFrame);
  EXPECT_FLOAT_EQ(o.frame, 12.5f);
  EXPECT_EQ(o.camera, "Camera01");
  EXPECT_EQ(o.width, 320);
  EXPECT_EQ(o.height, 200);
  EXPECT_EQ(o.out, "x.png");
  // Defaults.
  ASSERT_TRUE(ParseOptions({"only.o3d"}, o, error));
  EXPECT_EQ(o.width, 640);
  EXPECT_EQ(o.height, 480);
  EXPECT_FALSE(o.haveFrame);
  EXPECT_TRUE(o.out.empty());
}

TEST(ViewOptions, BadLinesAreRefused) {
  Options o;
  std::string error;
  for (const std::vector<std::string>& line : std::vector<std::vector<std::string>>{
           {},                                   // nothing to show
           {"--out", "x.png"},                   // still nothing
           {"a.o3d", "--size", "640"},           // no height
           {"a.o3d", "--size", "0x480"},         // too small
           {"a.o3d", "--size", "99999x480"},     // too large
           {"a.o3d", "--size", "64x-4"},
           {"a.o3d", "--frame", "twelve"},
           {"a.o3d", "--frame", "nan"},
           {"a.o3d", "--frame"},                 // value missing
           {"a.o3d", "--colour", "red"},         // unknown option
           {"picture.png"},                      // not an asset file
       }) {
    error.clear();
    EXPECT_FALSE(ParseOptions(line, o, error)) << (line.empty() ? "(empty)" : line.back());
    EXPECT_FALSE(error.empty());
  }
}

TEST(ViewOptions, PngKeepsPixels) {
  const int w = 3, h = 2, pitch = 4;
  const uint16_t px[pitch * h] = {0xF800, 0x07E0, 0x001F, 0x1234, 0xFFFF, 0x0000, 0x8410, 0x5678};
  const std::string path = (std::filesystem::temp_directory_path() / "zelt_view_png_test.png").string();
  std::string error;
  ASSERT_TRUE(WritePng565(path, px, w, h, pitch, error)) << error;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  EXPECT_EQ(image.width, 3u);
  EXPECT_EQ(image.height, 2u);
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
  auto at = [&](int x, int y, int c) { return int(rgb[(y * w + x) * 3 + c]); };
  EXPECT_EQ(at(0, 0, 0), 255);  // red
  EXPECT_EQ(at(0, 0, 1), 0);
  EXPECT_EQ(at(1, 0, 1), 255);  // green
  EXPECT_EQ(at(2, 0, 2), 255);  // blue
  EXPECT_EQ(at(0, 1, 0), 255);  // white, second row: the pitch was honoured
  EXPECT_EQ(at(0, 1, 2), 255);
  EXPECT_EQ(at(1, 1, 0), 0);    // black
  EXPECT_EQ(at(2, 1, 0), 132);  // mid grey 0x8410
  std::filesystem::remove(path);
  EXPECT_FALSE(WritePng565("/nonexistent-dir/x.png", px, w, h, pitch, error));
  EXPECT_FALSE(WritePng565(path, px, w, h, 2, error));  // pitch below width
}

TEST(ViewOptions, OrbitLooksAtTheTarget) {
  const float target[3] = {10, 20, 30};
  float eye[3], dir[3];
  // Level view along +x: the eye sits behind the target on -x.
  OrbitEye(target, 0.0f, float(M_PI / 2), 100.0f, eye);
  EXPECT_NEAR(eye[0], -90.0f, 1e-3f);
  EXPECT_NEAR(eye[1], 20.0f, 1e-3f);
  EXPECT_NEAR(eye[2], 30.0f, 1e-3f);
  // Looking down from above at phi 0.
  OrbitEye(target, 1.0f, 0.0f, 50.0f, eye);
  EXPECT_NEAR(eye[2], 80.0f, 1e-3f);
  // Theta turns towards -y (the direction-angle convention).
  DirectionOf(float(M_PI / 2), float(M_PI / 2), dir);
  EXPECT_NEAR(dir[0], 0.0f, 1e-6f);
  EXPECT_NEAR(dir[1], -1.0f, 1e-6f);
  EXPECT_NEAR(dir[2], 0.0f, 1e-6f);
}
