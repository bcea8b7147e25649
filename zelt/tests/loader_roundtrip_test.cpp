// Scenes written by libkelmat in the five file kinds and read back field by field.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "_Env.h"

namespace {

struct Written {
  zt::KScene ks;
  KelmatObject* body = nullptr;
  KelmatObject* arm = nullptr;
  KelmatObject* box = nullptr;
  KelmatMaterial* stone = nullptr;
  KelmatMaterial* glass = nullptr;
  KelmatLight* lamp = nullptr;
  KelmatLight* spot = nullptr;
};

// Body (root) and Arm (child, 5 units up) share a vertex and are welded into one pool; Box is
// a plain object lit by the lamp.
void build(Written& w) {
  KelmatScene* s = w.ks.get();
  w.stone = zt::material(s, "Stone", MATERIAL_GOURAUD_RGB, 10, 20, 30);
  w.stone->specular[0] = 1, w.stone->specular[1] = 2, w.stone->specular[2] = 3;
  w.stone->lightColor[0] = 4, w.stone->lightColor[1] = 5, w.stone->lightColor[2] = 6;
  w.stone->shininess = 40;
  w.stone->shininessStrength = 50;
  w.stone->transparency = 50;
  w.stone->textureMap = static_cast<KelmatMap*>(std::calloc(1, sizeof(KelmatMap)));
  std::strcpy(w.stone->textureMap->name, "stone.bmp");
  w.glass = zt::material(s, "Glass", MATERIAL_SELF_ILLUM, 200, 210, 220);
  w.glass->binaryOpacity = 1;

  w.body = zt::object(s, "Body", {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}});
  zt::face(w.body, {0, 1, 2}, w.stone);
  zt::face(w.body, {0, 2, 3}, w.stone);
  zt::finish(w.body);
  w.arm = zt::object(s, "Arm", {{2, 2, -5}, {3, 2, -5}, {3, 3, -5}});
  zt::face(w.arm, {0, 1, 2}, w.glass);
  zt::finish(w.arm);
  w.arm->position = {0, 0, 5};
  w.arm->worldMatrix[14] = 5;
  w.arm->hidden = 1;
  EXPECT_EQ(Kelmat_Object_Link(w.arm, w.body, s), 1);
  w.box = zt::object(s, "Box", {{5, 0, 0}, {6, 0, 0}, {6, 1, 0}, {5, 1, 0}});
  zt::face(w.box, {0, 1, 2, 3}, w.glass, {0, 0, 1, 0, 1, 1, 0, 1});
  zt::finish(w.box);
  w.box->pivot = {0.5f, 0.25f, 0};
  w.box->position = {1, 2, 3};
  w.box->scale = {2, 2, 2};
  EXPECT_EQ(Kelmat_Weld_Scene(s, 0.001f), 1);

  zt::camera(s, "Cam1", {0, -10, 0}, {0, 0, 0}, 45);
  zt::camera(s, "Cam2", {10, 0, 0}, {0, 0, 0}, 60);
  w.lamp = zt::light(s, "Lamp", KELMAT_LIGHT_OMNI, {1, 2, 3});
  w.lamp->color[0] = 200, w.lamp->color[1] = 100, w.lamp->color[2] = 50;
  w.lamp->multiplier = 1.5f;
  w.lamp->attenuate = 1;
  w.lamp->innerRange = 5;
  w.lamp->outerRange = 50;
  w.spot = zt::light(s, "Spot", KELMAT_LIGHT_SPOT, {0, 0, 10});
  w.spot->target = {0, 0, 0};
  w.spot->hotspot = 20;
  w.spot->falloff = 40;
  w.spot->off = 1;
  EXPECT_EQ(Kelmat_Light_Include_Object(w.lamp, w.box), 1);

  KelmatAnimation* ab = zt::animation(s, "Body");
  ab->length = 20;
  ab->segmentStart = 0;
  ab->segmentEnd = 20;
  ab->pivot = {0, 0, 0};
  zt::keys3(ab->position, {0, 10}, {{0, 0, 0}, {10, 0, 0}});
  zt::keysHide(ab->hide, {0, 15}, {0, 1});
  KelmatAnimation* aa = zt::animation(s, "Arm");
  aa->length = 20;
  aa->segmentEnd = 20;
  zt::keys3(aa->scale, {0, 20}, {{1, 1, 1}, {3, 3, 3}});
  EXPECT_EQ(Kelmat_Animation_Link(aa, ab, s), 1);
}

ZeltScene* freshScene() {
  zt::startKernel();
  ZeltScene* s = nullptr;
  EXPECT_NE(Zelt_Scene_Create(&s), 0);
  return s;
}

std::string save(Written& w, const char* file, int (*writer)(KelmatScene*, const char*)) {
  std::string path = zt::tempPath(file);
  EXPECT_EQ(writer(w.ks.get(), path.c_str()), 1);
  return path;
}

// World position of pool entry (or own vertex) idx of a kelmat object, as the file means it.
KelmatVector kelmatWorld(Written& w, KelmatObject* o, int idx) {
  KelmatObject* root = o;
  while (root->parent) root = root->parent;
  KelmatObject* owner = o;
  if (o->welded) {
    for (KelmatObject* m : {w.body, w.arm})
      if (idx >= m->firstVertex && idx < m->firstVertex + m->vertexCount) owner = m;
  }
  const KelmatVector v = (o->welded ? root->vertices : o->vertices)[idx];
  if (o == w.box) return {(v.x - 0.5f) * 2 + 1, (v.y - 0.25f) * 2 + 2, v.z * 2 + 3};
  const float z = owner == w.arm ? 5.0f : 0.0f;
  return {v.x, v.y, v.z + z};
}

void expectObject(Written& w, ZeltScene* s, KelmatObject* k) {
  SCOPED_TRACE(k->name);
  ZeltObject* o = Zelt_Scene_Get_Object(s, k->name);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->hidden, k->hidden);
  ASSERT_EQ(Zelt_Object_Get_Face_Count(o), k->faceCount);
  for (int f = 0; f < k->faceCount; ++f) {
    ZeltFace* face = Zelt_Object_Get_Face(o, f);
    const KelmatFace& kf = k->faces[f];
    ASSERT_EQ(face->vertexCount, kf.vertexCount);
    for (int i = 0; i < kf.vertexCount; ++i) {
      EXPECT_EQ(face->vertexIndices[i], kf.indices[i]);
      ZeltVector p{};
      ASSERT_NE(Zelt_Object_Get_Vertex(o, kf.indices[i], &p, nullptr), 0);
      KelmatVector e = kelmatWorld(w, k, kf.indices[i]);
      EXPECT_NEAR(p.x, e.x, 1e-5f);
      EXPECT_NEAR(p.y, e.y, 1e-5f);
      EXPECT_NEAR(p.z, e.z, 1e-5f);
      if (kf.mapping) {
        EXPECT_FLOAT_EQ(face->textureCoordinates[2 * i], kf.mapping[2 * i]);
        EXPECT_FLOAT_EQ(face->textureCoordinates[2 * i + 1], kf.mapping[2 * i + 1]);
      }
    }
    EXPECT_EQ(face->material->diffuse.r, kf.material->diffuse[0]);
    EXPECT_EQ(face->material->diffuse.b, kf.material->diffuse[2]);
  }
  ZeltVector c{}, lo{}, hi{};
  float r = 0;
  Zelt_Object_Get_Bounds(o, &c, &r, &lo, &hi);
  EXPECT_FLOAT_EQ(c.x, k->sphereCenter.x);
  EXPECT_FLOAT_EQ(c.z, k->sphereCenter.z);
  EXPECT_FLOAT_EQ(r, k->sphereRadius);
  EXPECT_FLOAT_EQ(lo.y, k->boxMin.y);
  EXPECT_FLOAT_EQ(hi.x, k->boxMax.x);
}

TEST(LoaderRoundTrip, SceneFileGivesBackEveryBlock) {
  Written w;
  build(w);
  std::string path = save(w, "roundtrip.s3d", Kelmat_Save_S3d);
  ZeltScene* s = freshScene();
  ASSERT_NE(Zelt_Load_Sdk_s3d(s, path.c_str()), 0) << zt::lastError();

  // Objects: the welded Body-Arm hierarchy is one group.
  ZeltObject* body = Zelt_Scene_Get_Object(s, "Body");
  ZeltObject* arm = Zelt_Scene_Get_Object(s, "Arm");
  ZeltObject* box = Zelt_Scene_Get_Object(s, "Box");
  ASSERT_TRUE(body && arm && box);
  EXPECT_EQ(body->firstChild, arm);
  EXPECT_EQ(arm->parent, body);
  EXPECT_EQ(box->parent, nullptr);
  EXPECT_NE(body->kind->group, 0);
  // The weld gives every hierarchy its pool; a lone object's pool is just its vertices.
  EXPECT_GT(w.box->poolSize, 0);
  EXPECT_EQ(box->kind->group, 0);
  EXPECT_EQ(Zelt_Object_Get_Vertex_Count(arm), w.body->poolSize);
  EXPECT_EQ(Zelt_Object_Get_Vertex_Count(box), 4);
  int n = 0;
  for (ZeltObject* o = Zelt_Scene_Get_First_Object(s); o; o = Zelt_Scene_Get_Next_Object(s, o)) ++n;
  EXPECT_EQ(n, 3);
  for (KelmatObject* k : {w.body, w.arm, w.box}) expectObject(w, s, k);
  // Box: pivot, scale and position compose its matrix: world = (p - pivot) * 2 + position.
  ZeltVector p{};
  ASSERT_NE(Zelt_Object_Get_Vertex(box, 0, &p, nullptr), 0);
  EXPECT_FLOAT_EQ(p.x, (5 - 0.5f) * 2 + 1);
  EXPECT_FLOAT_EQ(p.y, (0 - 0.25f) * 2 + 2);
  EXPECT_FLOAT_EQ(p.z, 3);

  // Materials.
  ZeltMaterial* stone = Zelt_Scene_Get_Material(s, "Stone");
  ZeltMaterial* glass = Zelt_Scene_Get_Material(s, "Glass");
  ASSERT_TRUE(stone && glass);
  EXPECT_EQ(stone->defaultMode, 2);
  EXPECT_EQ(stone->ambient.r, 5);
  EXPECT_EQ(stone->diffuse.g, 20);
  EXPECT_EQ(stone->specular.b, 3);
  EXPECT_EQ(stone->lightColour.g, 5);
  EXPECT_EQ(stone->shininess, 40);
  EXPECT_EQ(stone->shininessStrength, 50);
  EXPECT_EQ(stone->transparency, 50);
  EXPECT_STREQ(stone->mapName, "stone.bmp");
  EXPECT_EQ(stone->texture, nullptr);  // no stone.dmf anywhere
  EXPECT_EQ(stone->kind, 0);
  EXPECT_EQ(glass->defaultMode, 0);
  EXPECT_EQ(glass->kind, 3);  // binary opacity: keyed, occluding
  EXPECT_STREQ(glass->mapName, "");
  EXPECT_EQ(*stone->renderFlags & ZELT_RF_HALF, static_cast<uint32_t>(ZELT_RF_HALF));

  // Cameras in file order; the target gives theta and phi.
  ZeltCamera* c1 = Zelt_Scene_Get_First_Camera(s);
  ASSERT_NE(c1, nullptr);
  ZeltCamera* c2 = Zelt_Scene_Get_Next_Camera(s, c1);
  ASSERT_NE(c2, nullptr);
  EXPECT_STREQ(c1->name, w.ks->cameras->name);
  const KelmatCamera* kc = w.ks->cameras;
  EXPECT_FLOAT_EQ(c1->position.x, kc->position.x);
  EXPECT_NEAR(c1->fov, kc->fieldOfView * 180 / 3.14159265f, 1e-3f);
  ZeltVector d{};
  Zelt_Convert_From_Polar(&d, c1->theta, c1->phi);
  const float dx = kc->target.x - kc->position.x, dy = kc->target.y - kc->position.y;
  const float l = std::sqrt(dx * dx + dy * dy);
  EXPECT_NEAR(d.x, dx / l, 1e-5f);
  EXPECT_NEAR(d.y, dy / l, 1e-5f);
  EXPECT_NEAR(d.z, 0, 1e-5f);
  EXPECT_EQ(s->activeCamera, c1);

  // Lights and the light link written in the scene file.
  ZeltLight* first = Zelt_Scene_Get_First_Light(s);
  ASSERT_NE(first, nullptr);
  ZeltLight* second = Zelt_Scene_Get_Next_Light(s, first);
  ASSERT_NE(second, nullptr);
  ZeltLight* lamp = std::strcmp(first->name, "Lamp") == 0 ? first : second;
  ZeltLight* spot = lamp == first ? second : first;
  EXPECT_STREQ(spot->name, "Spot");
  EXPECT_EQ(lamp->kind, ZELT_LIGHT_OMNI);
  EXPECT_EQ(lamp->r, 200);
  EXPECT_EQ(lamp->g, 100);
  EXPECT_EQ(lamp->b, 50);
  EXPECT_FLOAT_EQ(lamp->multiplier, 1.5f);
  EXPECT_EQ(lamp->attenuate, 1);
  EXPECT_FLOAT_EQ(lamp->innerRange, 5);
  EXPECT_FLOAT_EQ(lamp->outerRange, 50);
  EXPECT_FLOAT_EQ(lamp->position.z, 3);
  EXPECT_EQ(spot->kind, ZELT_LIGHT_SPOT);
  EXPECT_EQ(spot->off, 1);
  EXPECT_FLOAT_EQ(spot->hotspot, 20);
  EXPECT_FLOAT_EQ(spot->falloff, 40);
  EXPECT_FLOAT_EQ(spot->target.z, 0);
  EXPECT_EQ(Zelt_Light_Includes_Object(lamp, box), 1);
  EXPECT_EQ(Zelt_Light_Includes_Object(lamp, body), 0);
  EXPECT_EQ(Zelt_Light_Includes_Object(spot, box), 0);

  // Animations: the forest and its tracks.
  ZeltAnimation* ab = Zelt_Scene_Get_Animation(s, "Body");
  ZeltAnimation* aa = Zelt_Scene_Get_Animation(s, "Arm");
  ASSERT_TRUE(ab && aa);
  EXPECT_EQ(ab->firstChild, aa);
  EXPECT_EQ(ab->firstFrame, 0);
  EXPECT_EQ(ab->lastFrame, 20);
  EXPECT_EQ(ab->length, 20);
  ASSERT_NE(Zelt_Object_Animate_Spline(body, ab, 10, 0, 1), 0);
  ZeltVector at{};
  Zelt_Object_Get_Global_Position(body, &at);
  EXPECT_NEAR(at.x, 10, 1e-4f);
  EXPECT_EQ(body->hidden, 0);
  Zelt_Object_Animate_Spline(body, ab, 16, 0, 1);
  EXPECT_EQ(body->hidden, 1);
  float m[16];
  Zelt_Object_Animate_Spline(body, ab, 20, 0, 1);
  Zelt_Object_Get_Global_Matrix(arm, m);
  EXPECT_NEAR(m[0], 3, 1e-4f);  // the arm's scale track reached 3
  Zelt_Scene_Release(s);
  EXPECT_EQ(zt::openHandles(), 0);
}

TEST(LoaderRoundTrip, EachSingleKindFileAddsItsBlock) {
  Written w;
  build(w);
  ZeltScene* s = freshScene();
  ZeltObject* root = nullptr;
  ASSERT_NE(Zelt_Load_Sdk_o3d(s, save(w, "rt.o3d", Kelmat_Save_O3d).c_str(), &root), 0) << zt::lastError();
  ASSERT_NE(root, nullptr);
  // The first root of the file is returned (kelmat's list runs newest first).
  EXPECT_STREQ(root->name, w.ks->objects->name);
  for (KelmatObject* k : {w.body, w.arm, w.box}) expectObject(w, s, k);
  EXPECT_EQ(Zelt_Scene_Get_First_Camera(s), nullptr);
  EXPECT_EQ(Zelt_Scene_Get_First_Light(s), nullptr);

  ZeltAnimation* anim = nullptr;
  ASSERT_NE(Zelt_Load_Sdk_a3d(s, save(w, "rt.a3d", Kelmat_Save_A3d).c_str(), &anim), 0);
  ASSERT_NE(anim, nullptr);
  EXPECT_STREQ(anim->name, "Body");
  EXPECT_STREQ(anim->firstChild->name, "Arm");

  ASSERT_NE(Zelt_Load_Sdk_c3d(s, save(w, "rt.c3d", Kelmat_Save_C3d).c_str()), 0);
  ASSERT_NE(Zelt_Scene_Get_First_Camera(s), nullptr);
  EXPECT_NE(Zelt_Scene_Get_Camera(s, "Cam2"), nullptr);

  ASSERT_NE(Zelt_Load_Sdk_l3d(s, save(w, "rt.l3d", Kelmat_Save_L3d).c_str()), 0);
  ZeltLight* l = Zelt_Scene_Get_First_Light(s);
  ASSERT_NE(l, nullptr);
  // An object file carries no light links.
  EXPECT_EQ(Zelt_Light_Includes_Object(l, Zelt_Scene_Get_Object(s, "Box")), 0);
  Zelt_Scene_All_Light_Include_Scene_All_Object(s, 1);
  EXPECT_EQ(Zelt_Light_Includes_Object(l, Zelt_Scene_Get_Object(s, "Arm")), 1);
  Zelt_Scene_Release(s);
}

TEST(LoaderRoundTrip, AnimationFileWithSeveralRootsIsGrouped) {
  zt::KScene ks;
  KelmatAnimation* a = zt::animation(ks.get(), "Door");
  a->segmentStart = 5;
  a->segmentEnd = 30;
  KelmatAnimation* b = zt::animation(ks.get(), "Window");
  b->segmentStart = 0;
  b->segmentEnd = 12;
  std::string path = zt::tempPath("House.a3d");
  ASSERT_EQ(Kelmat_Save_A3d(ks.get(), path.c_str()), 1);
  ZeltScene* s = freshScene();
  ZeltAnimation* g = nullptr;
  ASSERT_NE(Zelt_Load_Sdk_a3d(s, path.c_str(), &g), 0);
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(g->name, "House");
  EXPECT_EQ(g->firstFrame, 0);
  EXPECT_EQ(g->lastFrame, 30);
  ASSERT_NE(g->firstChild, nullptr);
  ASSERT_NE(g->firstChild->nextSibling, nullptr);
  EXPECT_EQ(Zelt_Scene_Get_Animation(s, "Door")->parent, g);
  Zelt_Scene_Release(s);
}

}  // namespace
