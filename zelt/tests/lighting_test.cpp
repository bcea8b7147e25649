// Per-vertex light values: ambient alone, an omni light, attenuation, a spot, inclusion.
#include <gtest/gtest.h>

#include <cmath>

#include "_Env.h"

namespace {

// A triangle in the plane z = 0 facing +z, with vertices at (0,0,0), (10,0,0) and (2,0,0)...
struct Lit {
  ZeltScene* scene = nullptr;
  ZeltObject* object = nullptr;
  ZeltLight* light = nullptr;
  Lit() {
    zt::startKernel();
    zt::KScene ks;
    KelmatMaterial* m = zt::material(ks.get(), "M", MATERIAL_GOURAUD, 200, 200, 200);
    KelmatObject* o = zt::object(ks.get(), "Floor", {{0, 0, 0}, {10, 0, 0}, {2, 0, 0}, {0, 10, 0}});
    zt::face(o, {0, 1, 3}, m);
    zt::face(o, {2, 1, 3}, m);
    zt::finish(o);
    for (int i = 0; i < 4; ++i) o->normals[i] = {0, 0, 1};
    std::string path = zt::tempPath("lit.o3d");
    EXPECT_EQ(Kelmat_Save_O3d(ks.get(), path.c_str()), 1);
    EXPECT_NE(Zelt_Scene_Create(&scene), 0);
    EXPECT_NE(Zelt_Load_Sdk_o3d(scene, path.c_str(), &object), 0);
  }
  ~Lit() { Zelt_Scene_Release(scene); }
  std::vector<float> values() {
    std::vector<float> v(4, -1);
    EXPECT_EQ(Zelt_Object_Get_Vertex_Lights(scene, object, v.data(), 4), 4);
    return v;
  }
  void omni(ZeltVector at, int grey, float multiplier) {
    ASSERT_NE(Zelt_Light_Create(scene, &light), 0);
    Zelt_Light_Set_Global_Position(light, &at);
    Zelt_Light_Set_Colour(light, grey, grey, grey);
    Zelt_Light_Set_Multiplier(light, multiplier);
  }
};

const float kDiag = 1.0f / std::sqrt(2.0f);  // n . l at (10, 0, 0) for a light at (0, 0, 10)

TEST(Lighting, AmbientOnlyIsTheMeanOfItsChannels) {
  Lit l;
  Zelt_Scene_Set_Ambient_Light(l.scene, 30, 60, 90);
  for (float v : l.values()) EXPECT_FLOAT_EQ(v, 60);
  Zelt_Scene_Set_Ambient_Light(l.scene, 300, 300, -5);  // channels clamp to 0..255
  for (float v : l.values()) EXPECT_FLOAT_EQ(v, (255 + 255 + 0) / 3.0f);
}

TEST(Lighting, OmniLightFollowsTheAngleAndOnlyReachesIncludedObjects) {
  Lit l;
  l.omni({0, 0, 10}, 100, 0.5f);
  for (float v : l.values()) EXPECT_FLOAT_EQ(v, 0);  // not included yet
  Zelt_Scene_All_Light_Include_Object(l.scene, l.object, 1);
  std::vector<float> v = l.values();
  EXPECT_NEAR(v[0], 50, 1e-3f);
  EXPECT_NEAR(v[1], 50 * kDiag, 1e-3f);
  EXPECT_NEAR(v[2], 50 * 10 / std::sqrt(104.0f), 1e-3f);
  Zelt_Scene_Set_Ambient_Light(l.scene, 240, 240, 240);
  EXPECT_FLOAT_EQ(l.values()[0], 255);  // clamped
  Zelt_Scene_Set_Ambient_Light(l.scene, 0, 0, 0);
  ZeltVector below{0, 0, -10};
  Zelt_Light_Set_Global_Position(l.light, &below);
  for (float x : l.values()) EXPECT_FLOAT_EQ(x, 0);  // from behind the faces
  Zelt_Scene_All_Light_Include_Object(l.scene, l.object, 0);
  EXPECT_EQ(Zelt_Light_Includes_Object(l.light, l.object), 0);
}

TEST(Lighting, AttenuationFadesFromInnerToOuterRange) {
  Lit l;
  l.omni({0, 0, 10}, 100, 0.5f);
  Zelt_Light_Include_Object(l.light, l.object, 1);
  Zelt_Light_Set_Range(l.light, 1, 5, 15);
  std::vector<float> v = l.values();
  EXPECT_NEAR(v[0], 50 * 0.5f, 1e-3f);  // distance 10: half way
  const float d1 = std::sqrt(200.0f);
  EXPECT_NEAR(v[1], 50 * kDiag * (15 - d1) / 10, 1e-3f);
  Zelt_Light_Set_Range(l.light, 1, 12, 15);
  EXPECT_NEAR(l.values()[0], 50, 1e-3f);  // inside the inner range: full
  Zelt_Light_Set_Range(l.light, 1, 2, 8);
  for (float x : l.values()) EXPECT_FLOAT_EQ(x, 0);  // beyond the outer range
  Zelt_Light_Set_Range(l.light, 0, 2, 8);
  EXPECT_NEAR(l.values()[0], 50, 1e-3f);  // not attenuating
}

TEST(Lighting, SpotLightsThroughTheirCone) {
  Lit l;
  ASSERT_NE(Zelt_Spot_Light_Create(l.scene, &l.light), 0);
  ZeltVector at{0, 0, 10}, target{0, 0, 0};
  Zelt_Light_Set_Global_Position(l.light, &at);
  Zelt_Spot_Light_Set_Target(l.light, &target);
  Zelt_Spot_Light_Set_Cone(l.light, 20, 60);
  Zelt_Light_Set_Colour(l.light, 100, 100, 100);
  Zelt_Light_Set_Multiplier(l.light, 0.5f);
  Zelt_Scene_All_Light_Include_Scene_All_Object(l.scene, 1);
  EXPECT_NE(l.object->kind->spotLights, 0);
  std::vector<float> v = l.values();
  EXPECT_NEAR(v[0], 50, 1e-3f);  // on the axis
  EXPECT_FLOAT_EQ(v[1], 0);      // 45 degrees off: outside the falloff cone (30)
  const float angle = std::atan(0.2f) * 180 / 3.14159265f;  // 11.3: between 10 and 30
  EXPECT_NEAR(v[2], 50 * (10 / std::sqrt(104.0f)) * (30 - angle) / 20, 1e-2f);
  l.light->off = 1;
  for (float x : l.values()) EXPECT_FLOAT_EQ(x, 0);
}

TEST(Lighting, LitMaterialRendersBrighterUnderALight) {
  zt::View v(64, 64, {0, 0, 30}, {0.01f, 0, 0}, 60);
  zt::KScene ks;
  KelmatMaterial* m = zt::material(ks.get(), "Grey", MATERIAL_GOURAUD, 200, 200, 200);
  m->lightColor[0] = m->lightColor[1] = m->lightColor[2] = 255;
  KelmatObject* o = zt::object(ks.get(), "Floor", {{-10, -10, 0}, {10, -10, 0}, {10, 10, 0}, {-10, 10, 0}});
  zt::face(o, {0, 1, 2}, m);
  zt::face(o, {0, 2, 3}, m);
  zt::finish(o);
  std::string path = zt::tempPath("litrender.o3d");
  ASSERT_EQ(Kelmat_Save_O3d(ks.get(), path.c_str()), 1);
  ZeltObject* floor = nullptr;
  ASSERT_NE(Zelt_Load_Sdk_o3d(v.scene, path.c_str(), &floor), 0);
  Zelt_Scene_Set_Ambient_Light(v.scene, 20, 20, 20);
  ASSERT_NE(v.render(), 0);
  const uint16_t dim = v.px(32, 32);
  ZeltLight* l = nullptr;
  ASSERT_NE(Zelt_Light_Create(v.scene, &l), 0);
  ZeltVector at{0, 0, 20};
  Zelt_Light_Set_Global_Position(l, &at);
  Zelt_Scene_All_Light_Include_Scene_All_Object(v.scene, 1);
  ASSERT_NE(v.render(), 0);
  const uint16_t bright = v.px(32, 32);
  EXPECT_GT(bright >> 11, dim >> 11);  // more red in the 5-6-5 pixel
}

}  // namespace
