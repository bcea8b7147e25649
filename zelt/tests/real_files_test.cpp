// The 3D Studio files of the shared test data, imported with kelmat, written as scene files,
// loaded by the kernel, animated and rendered: the frame is deterministic and covers the part
// of the picture where the scene lies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "_Env.h"

namespace {

std::vector<std::string> files() {
  std::vector<std::string> out;
  const char* env = std::getenv("LUMORA_TESTDATA");
  std::filesystem::path dir = std::filesystem::path(env ? env : LUMORA_TEST_DATA_DIR) / "3ds";
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
    std::string ext = e.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    if (ext == ".3ds") out.push_back(e.path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

TEST(RealFiles, ConvertedScenesLoadAnimateAndRender) {
  zt::startKernel();
  const std::vector<std::string> all = files();
  ASSERT_FALSE(all.empty());
  for (const std::string& source : all) {
    SCOPED_TRACE(source);
    zt::KScene ks;
    if (!Kelmat_Load_3ds(source.c_str(), ks.get(), 1.0f, 1, 0.001f, 0, 0)) {
      char why[1024];
      Kelmat_Get_Last_Error(why);
      // Not this kernel's business: the SDK refuses some files (an object parented to a camera).
      std::printf("skipped, the import refuses it: %s\n", why);
      continue;
    }
    if (ks->objectCount == 0) {
      std::printf("skipped, the import gives no objects\n");
      continue;
    }
    std::string path = zt::tempPath(std::filesystem::path(source).stem().string() + ".s3d");
    ASSERT_EQ(Kelmat_Save_S3d(ks.get(), path.c_str()), 1);

    zt::View v(160, 120, {0, 0, 0}, {1, 0, 0}, 60);
    ZeltCamera* framing = v.camera;
    ASSERT_NE(Zelt_Load_Sdk_s3d(v.scene, path.c_str()), 0) << zt::lastError();
    Zelt_Scene_Set_Ambient_Light(v.scene, 120, 120, 120);
    Zelt_Scene_All_Light_Include_Scene_All_Object(v.scene, 1);

    // Animate every object by its animation, half way through.
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(v.scene); o; o = Zelt_Scene_Get_Next_Object(v.scene, o)) {
      if (o->parent) continue;
      if (ZeltAnimation* a = Zelt_Scene_Get_Animation(v.scene, o->name)) {
        EXPECT_NE(Zelt_Object_Animate_Spline(o, a, (a->firstFrame + a->lastFrame) / 2.0f, 0, 1), 0);
      }
    }
    // Frame the whole scene from the front, above and to the left.
    ZeltVector lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    int vertices = 0;
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(v.scene); o; o = Zelt_Scene_Get_Next_Object(v.scene, o))
      for (int i = 0; i < Zelt_Object_Get_Vertex_Count(o); ++i) {
        ZeltVector p{};
        Zelt_Object_Get_Vertex(o, i, &p, nullptr);
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        ++vertices;
      }
    ASSERT_GT(vertices, 0);
    const ZeltVector centre{(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
    const float size = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z, 1e-3f});
    const ZeltVector eye{centre.x - 1.5f * size, centre.y - 1.8f * size, centre.z + 1.2f * size};
    Zelt_Camera_Set_Position(framing, &eye);
    Zelt_Camera_Set_Target(framing, &centre);
    ASSERT_NE(Zelt_Scene_Set_Active_Camera(v.scene, framing), 0);
    ASSERT_NE(Zelt_Scene_Init_Resolution(v.scene, 0, 0, 160, 120, 160, 1, size * 0.01f, size * 100), 0);

    // Uncovered pixels keep a colour no face of these files has; black faces count as covered.
    constexpr uint16_t kUnset = 0x0821;
    auto render = [&] {
      std::fill(v.pixels.begin(), v.pixels.end(), kUnset);
      return Zelt_Render(v.scene, v.pixels.data(), nullptr, 0);
    };
    ASSERT_NE(render(), 0) << zt::lastError();
    const std::vector<uint16_t> first = v.pixels;
    const int covered = 160 * 120 - v.count(kUnset);
    EXPECT_GT(covered, 160 * 120 / 50);  // the scene fills a fair part of the frame
    EXPECT_GT(v.scene->counters.afterCulling, 0);
    // The centre of the frame lies inside the scene's picture; its far corners do not.
    int nearCentre = 0;
    for (int y = 50; y < 70; ++y)
      for (int x = 70; x < 90; ++x) nearCentre += v.px(x, y) != kUnset;
    EXPECT_GT(nearCentre, 0);
    EXPECT_EQ(v.px(0, 0), kUnset);
    EXPECT_EQ(v.px(159, 119), kUnset);
    ASSERT_NE(render(), 0);
    EXPECT_EQ(v.pixels, first);  // deterministic

    // Every camera of the file renders too.
    for (ZeltCamera* c = Zelt_Scene_Get_First_Camera(v.scene); c; c = Zelt_Scene_Get_Next_Camera(v.scene, c)) {
      if (c == framing) continue;
      ASSERT_NE(Zelt_Scene_Set_Active_Camera(v.scene, c), 0);
      EXPECT_NE(v.render(), 0);
    }
  }
}

}  // namespace
