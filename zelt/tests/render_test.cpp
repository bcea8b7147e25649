// Frames through the renderer plug-in: covered pixels, culling, billboards, levels of detail,
// render states and the face counters.
#include <gtest/gtest.h>

#include <cmath>

#include "_Env.h"

namespace {

// A square of side 2 * half in the plane x = at, facing -x (towards an eye at the origin).
KelmatObject* wall(KelmatScene* s, const char* name, KelmatMaterial* m, float at, float half, float cy = 0,
                   float cz = 0) {
  KelmatObject* o = zt::object(s, name,
                               {{at, cy + half, cz - half}, {at, cy - half, cz - half}, {at, cy - half, cz + half},
                                {at, cy + half, cz + half}});
  zt::face(o, {0, 1, 2}, m);
  zt::face(o, {0, 2, 3}, m);
  zt::finish(o);
  return o;
}

ZeltObject* loadObject(ZeltScene* scene, zt::KScene& ks, const char* file) {
  std::string path = zt::tempPath(file);
  EXPECT_EQ(Kelmat_Save_O3d(ks.get(), path.c_str()), 1);
  ZeltObject* o = nullptr;
  EXPECT_NE(Zelt_Load_Sdk_o3d(scene, path.c_str(), &o), 0) << zt::lastError();
  return o;
}

const uint16_t kRed = zt::pack16(255, 0, 0);
const uint16_t kGreen = zt::pack16(0, 255, 0);

TEST(Render, FlatSquareCoversItsProjection) {
  zt::View v(64, 64, {0, 0, 0}, {1, 0, 0}, 90);
  zt::KScene ks;
  wall(ks.get(), "Wall", zt::material(ks.get(), "Red", MATERIAL_SELF_ILLUM, 255, 0, 0), 10, 5);
  loadObject(v.scene, ks, "render_square.o3d");
  ASSERT_NE(v.render(), 0) << zt::lastError();
  // +-5 at distance 10 with a 90 degree view: columns and rows 16 to 47.
  int red = v.count(kRed);
  EXPECT_GE(red, 31 * 31);
  EXPECT_LE(red, 33 * 33);
  EXPECT_EQ(v.px(32, 32), kRed);
  EXPECT_EQ(v.px(17, 17), kRed);
  EXPECT_EQ(v.px(46, 46), kRed);
  EXPECT_EQ(v.px(10, 32), 0);
  EXPECT_EQ(v.px(32, 55), 0);
  EXPECT_EQ(v.scene->counters.beforeCulling, 2);
  EXPECT_EQ(v.scene->counters.afterCulling, 2);
  EXPECT_EQ(v.scene->counters.trianglesDrawn, 2);
}

TEST(Render, OffCentreSquareLandsWhereTheCameraSeesIt) {
  // Screen right is -y and screen up is +z for an eye looking along +x.
  zt::View v(64, 64, {0, 0, 0}, {1, 0, 0}, 90);
  zt::KScene ks;
  wall(ks.get(), "Wall", zt::material(ks.get(), "Red", MATERIAL_SELF_ILLUM, 255, 0, 0), 10, 2, -5, 5);
  loadObject(v.scene, ks, "render_offcentre.o3d");
  ASSERT_NE(v.render(), 0);
  EXPECT_EQ(v.px(48, 16), kRed);  // right and up
  EXPECT_EQ(v.px(16, 48), 0);
  EXPECT_EQ(v.px(32, 32), 0);
}

TEST(Render, BackFacesAndObjectsBehindAreNotDrawn) {
  zt::View v(64, 64, {20, 0, 0}, {0, 0, 0}, 90);  // looks at the square's back
  zt::KScene ks;
  wall(ks.get(), "Wall", zt::material(ks.get(), "Red", MATERIAL_SELF_ILLUM, 255, 0, 0), 10, 5);
  loadObject(v.scene, ks, "render_back.o3d");
  ASSERT_NE(v.render(), 0);
  EXPECT_EQ(v.count(kRed), 0);
  EXPECT_EQ(v.scene->counters.afterCulling, 0);
  ZeltVector away{40, 0, 0};
  Zelt_Camera_Set_Target(v.camera, &away);  // looks away from it
  ASSERT_NE(v.render(), 0);
  EXPECT_EQ(v.count(kRed), 0);
  EXPECT_EQ(v.scene->counters.beforeCulling, 2);
  EXPECT_EQ(v.scene->counters.afterCulling, 0);
}

TEST(Render, HiddenObjectIsSkippedButItsChildIsDrawn) {
  zt::View v(64, 64, {0, 0, 0}, {1, 0, 0}, 90);
  zt::KScene ks;
  KelmatMaterial* red = zt::material(ks.get(), "Red", MATERIAL_SELF_ILLUM, 255, 0, 0);
  KelmatMaterial* green = zt::material(ks.get(), "Green", MATERIAL_SELF_ILLUM, 0, 255, 0);
  KelmatObject* parent = wall(ks.get(), "Parent", red, 10, 2, 5, 0);
  KelmatObject* child = wall(ks.get(), "Child", green, 10, 2, -5, 0);
  ASSERT_EQ(Kelmat_Object_Link(child, parent, ks.get()), 1);
  ZeltObject* root = loadObject(v.scene, ks, "render_hide.o3d");
  ASSERT_NE(root, nullptr);
  ASSERT_NE(v.render(), 0);
  EXPECT_GT(v.count(kRed), 0);
  EXPECT_GT(v.count(kGreen), 0);
  Zelt_Object_Hide(root, 0);
  ASSERT_NE(v.render(), 0);
  EXPECT_EQ(v.count(kRed), 0);
  EXPECT_GT(v.count(kGreen), 0);
  Zelt_Object_Hide(root, 1);
  ASSERT_NE(v.render(), 0);
  EXPECT_EQ(v.count(kGreen), 0);
  Zelt_Object_Unhide(root, 1);
  ASSERT_NE(v.render(), 0);
  EXPECT_GT(v.count(kRed), 0);
  EXPECT_GT(v.count(kGreen), 0);
}

TEST(Render, WeldedGroupDrawsEachMemberWhereItsMatrixPutsIt) {
  zt::View v(64, 64, {0, 0, 0}, {1, 0, 0}, 90);
  zt::KScene ks;
  KelmatMaterial* red = zt::material(ks.get(), "Red", MATERIAL_SELF_ILLUM, 255, 0, 0);
  KelmatMaterial* green = zt::material(ks.get(), "Green", MATERIAL_SELF_ILLUM, 0, 255, 0);
  KelmatObject* left = wall(ks.get(), "Left", red, 10, 2, 3, 0);  // screen left (+y)
  KelmatObject* right = wall(ks.get(), "Right", green, 10, 2, -3, 0);
  ASSERT_EQ(Kelmat_Object_Link(right, left, ks.get()), 1);
  ASSERT_EQ(Kelmat_Weld_Scene(ks.get(), 0.001f), 1);
  ASSERT_GT(left->poolSize, 0);
  ZeltObject* root = loadObject(v.scene, ks, "render_group.o3d");
  ASSERT_NE(root, nullptr);
  ASSERT_NE(root->kind->group, 0);
  ZeltScene* other = v.scene;
  EXPECT_EQ(Zelt_Object_Add_Lod(root, root->firstChild, other, 1), 0);  // groups are drawn whole
  ASSERT_NE(v.render(), 0);
  EXPECT_EQ(v.px(22, 32), kRed);
  EXPECT_EQ(v.px(42, 32), kGreen);
  // Moving the member moves only the pool entries it owns.
  ZeltVector down{0, 0, -4};
  Zelt_Object_Set_Local_Position(root->firstChild, &down);
  ASSERT_NE(v.render(), 0);
  EXPECT_EQ(v.px(22, 32), kRed);
  EXPECT_EQ(v.px(42, 32), 0);
  EXPECT_EQ(v.px(42, 44), kGreen);
}

TEST(Render, LevelOfDetailIsDrawnBeyondItsDistance) {
  zt::View v(64, 64, {0, 0, 0}, {1, 0, 0}, 90);
  zt::KScene near, far;
  wall(near.get(), "Near", zt::material(near.get(), "Red", MATERIAL_SELF_ILLUM, 255, 0, 0), 0, 5);
  wall(far.get(), "Far", zt::material(far.get(), "Green", MATERIAL_SELF_ILLUM, 0, 255, 0), 0, 5);
  ASSERT_EQ(Kelmat_Weld_Scene(near.get(), 0.001f), 1);  // a lone welded object still takes stand-ins
  ZeltObject* object = loadObject(v.scene, near, "render_lod_near.o3d");
  ZeltObject* lod = loadObject(v.scene, far, "render_lod_far.o3d");
  ASSERT_NE(Zelt_Object_Add_Lod(object, lod, v.scene, 50.0f), 0);
  // The stand-in left the roots: enumeration sees the object only.
  EXPECT_EQ(Zelt_Scene_Get_First_Object(v.scene), object);
  EXPECT_EQ(Zelt_Scene_Get_Next_Object(v.scene, object), nullptr);
  ZeltVector at{40, 0, 0};
  Zelt_Object_Set_Local_Position(object, &at);
  ASSERT_NE(v.render(), 0);
  EXPECT_GT(v.count(kRed), 0);
  EXPECT_EQ(v.count(kGreen), 0);
  at = {60, 0, 0};
  Zelt_Object_Set_Local_Position(object, &at);
  ASSERT_NE(v.render(), 0);
  EXPECT_EQ(v.count(kRed), 0);
  EXPECT_GT(v.count(kGreen), 0);
  // Both at the same place: the stand-in covers what the object would.
  // +-5 at 60 units: about 5.3 pixels square.
  EXPECT_NEAR(v.count(kGreen), 28, 8);
}

// Area covered by a unit square billboard at (30, 0, 0) seen from an eye above it.
int billboardArea(int type, ZeltVector eye, uint16_t* centre) {
  zt::View v(160, 160, eye, {30, 0, 0}, 60);
  zt::KScene ks;
  // In object space the square lies in the xz plane and faces -y.
  KelmatObject* o = zt::object(ks.get(), "Board", {{-3, 0, -3}, {3, 0, -3}, {3, 0, 3}, {-3, 0, 3}});
  KelmatMaterial* m = zt::material(ks.get(), "Red", MATERIAL_SELF_ILLUM, 255, 0, 0);
  zt::face(o, {0, 1, 2}, m);
  zt::face(o, {0, 2, 3}, m);
  zt::finish(o);
  ZeltObject* b = loadObject(v.scene, ks, "render_board.o3d");
  ZeltVector at{30, 0, 0};
  Zelt_Object_Set_Local_Position(b, &at);
  Zelt_Object_Set_Camera_Type(b, type);
  EXPECT_NE(v.render(), 0);
  if (centre) *centre = v.px(80, 80);
  return v.count(kRed);
}

TEST(Render, BillboardsTurnTowardsTheCamera) {
  // From the side (eye on -y... looking along +x), the plain square is edge-on: nothing drawn.
  EXPECT_EQ(billboardArea(ZELT_BILLBOARD_NONE, {0, 0, 0}, nullptr), 0);
  uint16_t c = 0;
  const int full = billboardArea(ZELT_BILLBOARD_FULL, {0, 0, 0}, &c);
  EXPECT_GT(full, 100);
  EXPECT_EQ(c, kRed);
  EXPECT_NEAR(billboardArea(ZELT_BILLBOARD_Z, {0, 0, 0}, nullptr), full, full / 10);
  EXPECT_NEAR(billboardArea(ZELT_BILLBOARD_XZ, {0, 0, 0}, nullptr), full, full / 10);
  // From high above: the screen-facing and the eye-facing kinds keep their full size, the
  // upright kind is foreshortened.
  const ZeltVector high{30 - 20, 0, 20};
  const int fullHigh = billboardArea(ZELT_BILLBOARD_FULL, high, &c);
  EXPECT_EQ(c, kRed);
  const int uprightHigh = billboardArea(ZELT_BILLBOARD_Z, high, &c);
  EXPECT_EQ(c, kRed);
  const int tiltedHigh = billboardArea(ZELT_BILLBOARD_XZ, high, nullptr);
  EXPECT_LT(uprightHigh, fullHigh * 8 / 10);
  EXPECT_GT(uprightHigh, fullHigh * 6 / 10);  // cos 45 degrees
  EXPECT_NEAR(tiltedHigh, fullHigh, fullHigh / 10);
}

TEST(Render, DiagnosticRenderStateRepaintsAndComesBack) {
  zt::View v(64, 64, {0, 0, 0}, {1, 0, 0}, 90);
  zt::KScene ks;
  wall(ks.get(), "Wall", zt::material(ks.get(), "Red", MATERIAL_SELF_ILLUM, 255, 0, 0), 10, 5);
  ZeltObject* o = loadObject(v.scene, ks, "render_state.o3d");
  ASSERT_NE(Zelt_Object_Set_Render_State(o, v.scene, ZELT_RENDER_DIAGNOSTIC, 1), 0);
  ASSERT_NE(v.render(), 0);
  EXPECT_EQ(v.count(kRed), 0);
  EXPECT_NE(v.px(32, 32), 0);
  ASSERT_NE(Zelt_Object_Set_Render_State(o, v.scene, ZELT_RENDER_NORMAL, 1), 0);
  ASSERT_NE(v.render(), 0);
  EXPECT_EQ(v.px(32, 32), kRed);
  EXPECT_EQ(Zelt_Object_Set_Render_State(o, v.scene, 7, 1), 0);
}

TEST(Render, TexturedMaterialDrawsTheTextureAndAMissingOneFallsBackToFlat) {
  zt::startKernel();
  zt::writeTexture("blue.dmf", 16, 16, 0, 0, 255);
  zt::View v(64, 64, {0, 0, 0}, {1, 0, 0}, 90);
  zt::KScene ks;
  KelmatMaterial* m = zt::material(ks.get(), "Tex", MATERIAL_SELF_ILLUM, 255, 0, 0);
  m->lightColor[0] = m->lightColor[1] = m->lightColor[2] = 255;
  m->textureMap = static_cast<KelmatMap*>(std::calloc(1, sizeof(KelmatMap)));
  std::snprintf(m->textureMap->name, sizeof m->textureMap->name, "%s", zt::tempPath("blue.bmp").c_str());
  KelmatObject* o = wall(ks.get(), "Wall", m, 10, 5);
  (void)o;
  for (int i = 0; i < 2; ++i) {
    ks->objects->faces[i].mapping = static_cast<float*>(std::calloc(6, sizeof(float)));
    for (int k = 0; k < 6; ++k) ks->objects->faces[i].mapping[k] = (k % 2) ? 0.5f : 0.25f * (k / 2);
  }
  loadObject(v.scene, ks, "render_tex.o3d");
  ASSERT_NE(v.render(), 0);
  // The brightest shade level of palette blue: 255 * 62 >> 6 = 247.
  EXPECT_EQ(v.px(32, 32), zt::pack16(0, 0, 247));

  // The same file naming a texture that is not there: flat red, and named in the last error.
  std::snprintf(m->textureMap->name, sizeof m->textureMap->name, "%s", zt::tempPath("gone.bmp").c_str());
  zt::View w(64, 64, {0, 0, 0}, {1, 0, 0}, 90);
  loadObject(w.scene, ks, "render_tex_missing.o3d");
  int code = 0;
  std::string text = zt::lastError(&code);
  EXPECT_EQ(code, ZELT_ERR_OPEN);
  EXPECT_NE(text.find("gone.dmf"), std::string::npos);
  ASSERT_NE(w.render(), 0);
  EXPECT_EQ(w.px(32, 32), kRed);
  EXPECT_EQ(zt::openHandles(), 0);
}

TEST(Render, WithoutCameraOrBufferTheFrameFails) {
  zt::startKernel();
  ZeltScene* s = nullptr;
  ASSERT_NE(Zelt_Scene_Create(&s), 0);
  std::vector<uint16_t> px(640 * 480);
  EXPECT_EQ(Zelt_Render(s, px.data(), nullptr, 1), 0);
  EXPECT_EQ(Zelt_Render(s, nullptr, nullptr, 1), 0);
  EXPECT_EQ(Zelt_Scene_Init_Resolution(s, 0, 0, 640, 480, 600, 1, 1, 100), 0);  // buffer narrower
  Zelt_Scene_Release(s);
}

}  // namespace
