// Keyframe animation: spline values at and between keys, tension and ease, clamping, rotation,
// hide and morph tracks, and pivots and parents composed as the SDK composes them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "_Env.h"

namespace {

struct Animated {
  ZeltScene* scene = nullptr;
  ZeltObject* object = nullptr;
  ZeltAnimation* anim = nullptr;
  ~Animated() { Zelt_Scene_Release(scene); }
};

// A one-triangle object "Ball" and its animation, written with kelmat and loaded.
void load(Animated& out, zt::KScene& ks, const char* tag) {
  zt::startKernel();
  std::string o3d = zt::tempPath(std::string(tag) + ".o3d"), a3d = zt::tempPath(std::string(tag) + ".a3d");
  ASSERT_EQ(Kelmat_Save_O3d(ks.get(), o3d.c_str()), 1);
  ASSERT_EQ(Kelmat_Save_A3d(ks.get(), a3d.c_str()), 1);
  ASSERT_NE(Zelt_Scene_Create(&out.scene), 0);
  ASSERT_NE(Zelt_Load_Sdk_o3d(out.scene, o3d.c_str(), &out.object), 0) << zt::lastError();
  ASSERT_NE(Zelt_Load_Sdk_a3d(out.scene, a3d.c_str(), &out.anim), 0) << zt::lastError();
}

KelmatAnimation* ball(zt::KScene& ks, int last) {
  KelmatMaterial* m = zt::material(ks.get(), "M", MATERIAL_GOURAUD, 1, 1, 1);
  KelmatObject* o = zt::object(ks.get(), "Ball", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  zt::face(o, {0, 1, 2}, m);
  zt::finish(o);
  KelmatAnimation* a = zt::animation(ks.get(), "Ball");
  a->length = last;
  a->segmentEnd = last;
  return a;
}

float xAt(Animated& a, float frame) {
  EXPECT_NE(Zelt_Object_Animate_Spline(a.object, a.anim, frame, 0, 1), 0);
  ZeltVector p{};
  Zelt_Object_Get_Global_Position(a.object, &p);
  return p.x;
}

TEST(Animation, DefaultSplinePassesThroughTheKeys) {
  zt::KScene ks;
  zt::keys3(ball(ks, 20)->position, {0, 10, 20}, {{0, 0, 0}, {10, 0, 0}, {40, 0, 0}});
  Animated a;
  load(a, ks, "anim_keys");
  EXPECT_FLOAT_EQ(xAt(a, 0), 0);
  EXPECT_FLOAT_EQ(xAt(a, 10), 10);
  EXPECT_FLOAT_EQ(xAt(a, 20), 40);
  // Between the first two keys: Hermite with tangents 10 (first key) and 20 (middle key).
  EXPECT_NEAR(xAt(a, 5), 3.75f, 1e-4f);
  // Outside the animation's frames the value is clamped.
  EXPECT_FLOAT_EQ(xAt(a, 35), 40);
  EXPECT_FLOAT_EQ(xAt(a, -3), 0);
}

TEST(Animation, TwoDefaultKeysMoveInAStraightLine) {
  zt::KScene ks;
  zt::keys3(ball(ks, 10)->position, {0, 10}, {{0, 0, 0}, {8, 0, 0}});
  Animated a;
  load(a, ks, "anim_line");
  for (int f = 0; f <= 10; ++f) EXPECT_NEAR(xAt(a, static_cast<float>(f)), 0.8f * f, 1e-4f) << f;
}

TEST(Animation, TensionAndEaseShapeTheSegment) {
  {
    zt::KScene ks;
    KelmatKeyParams tight{1, 0, 0, 0, 0};
    zt::keys3(ball(ks, 10)->position, {0, 10}, {{0, 0, 0}, {10, 0, 0}}, tight);
    Animated a;
    load(a, ks, "anim_tension");
    EXPECT_NEAR(xAt(a, 5), 5, 1e-4f);
    EXPECT_NEAR(xAt(a, 2.5f), 10 * 0.15625f, 1e-4f);  // -2t^3 + 3t^2 at t = 1/4
  }
  {
    zt::KScene ks;
    KelmatKeyParams eased{0, 0, 0, 0, 1};  // ease from every key
    zt::keys3(ball(ks, 10)->position, {0, 10}, {{0, 0, 0}, {10, 0, 0}}, eased);
    Animated a;
    load(a, ks, "anim_ease");
    EXPECT_NEAR(xAt(a, 5), 2.5f, 1e-4f);  // t reshaped to t^2
    EXPECT_NEAR(xAt(a, 10), 10, 1e-4f);
  }
  {
    zt::KScene ks;
    KelmatKeyParams bias{0, 0, 1, 0, 0};  // overshoot follows the incoming side
    zt::keys3(ball(ks, 20)->position, {0, 10, 20}, {{0, 0, 0}, {10, 0, 0}, {10, 0, 0}}, bias);
    Animated a;
    load(a, ks, "anim_bias");
    EXPECT_FLOAT_EQ(xAt(a, 10), 10);
    EXPECT_GT(xAt(a, 12), 10);  // the middle key's outgoing tangent keeps the incoming slope
  }
}

TEST(Animation, RotationSlerpsBetweenAbsoluteKeys) {
  zt::KScene ks;
  const float s = std::sin(3.14159265f / 4), c = std::cos(3.14159265f / 4);
  zt::keysRot(ball(ks, 10)->rotation, {0, 10}, {{1, 0, 0, 0}, {c, 0, 0, s}});
  Animated a;
  load(a, ks, "anim_rot");
  ASSERT_NE(Zelt_Object_Animate_Spline(a.object, a.anim, 5, 0, 1), 0);
  ZeltQuaternion q0{1, 0, 0, 0}, q1{c, 0, 0, s}, mid{};
  Zelt_Quaternion_Slerp(&mid, &q0, &q1, 0.5f);
  float expect[16], got[16];
  Zelt_Quaternion_To_Matrice(expect, &mid);
  Zelt_Object_Get_Global_Matrix(a.object, got);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(got[i], expect[i], 1e-5f) << i;
}

TEST(Animation, HideTrackSwitchesAtItsKeys) {
  zt::KScene ks;
  zt::keysHide(ball(ks, 30)->hide, {0, 10, 20}, {1, 0, 1});
  Animated a;
  load(a, ks, "anim_hide");
  const std::pair<float, int> expect[] = {{0, 1}, {9.9f, 1}, {10, 0}, {15, 0}, {20, 1}, {29, 1}};
  for (auto [frame, hidden] : expect) {
    ASSERT_NE(Zelt_Object_Animate_Spline(a.object, a.anim, frame, 0, 1), 0);
    EXPECT_EQ(a.object->hidden, hidden) << frame;
  }
}

TEST(Animation, MorphBlendsVerticesAndBounds) {
  zt::KScene ks;
  KelmatAnimation* an = ball(ks, 10);
  KelmatTrack& t = an->morph;
  zt::keysMorph(t, {0, 10}, 3);
  for (int k = 0; k < 2; ++k) {
    for (int i = 0; i < 3; ++i) {
      t.morphVertices[k][i] = {static_cast<float>(i), 0, 4.0f * k};
      t.morphNormals[k][i] = {0, 0, 1};
    }
    t.morphSpheres[k].radius = 1.0f + k;
  }
  Animated a;
  load(a, ks, "anim_morph");
  ASSERT_NE(Zelt_Object_Animate_Spline(a.object, a.anim, 5, 0, 1), 0);
  for (int i = 0; i < 3; ++i) {
    ZeltVector p{}, n{};
    ASSERT_NE(Zelt_Object_Get_Vertex(a.object, i, &p, &n), 0);
    EXPECT_NEAR(p.x, i, 1e-5f);
    EXPECT_NEAR(p.z, 2, 1e-5f);
    EXPECT_NEAR(n.z, 1, 1e-5f);
  }
  float r = 0;
  Zelt_Object_Get_Bounds(a.object, nullptr, &r, nullptr, nullptr);
  EXPECT_NEAR(r, 1.5f, 1e-5f);
}

// Pivots, scales, rotations and a parent: at key frames the kernel's matrices equal the SDK's.
TEST(Animation, PivotsAndParentsComposeAsTheSdkDoes) {
  zt::KScene ks;
  KelmatMaterial* m = zt::material(ks.get(), "M", MATERIAL_GOURAUD, 1, 1, 1);
  KelmatObject* parent = zt::object(ks.get(), "Crane", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  KelmatObject* child = zt::object(ks.get(), "Hook", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  for (KelmatObject* o : {parent, child}) {
    zt::face(o, {0, 1, 2}, m);
    zt::finish(o);
  }
  parent->pivot = {1, 2, 0};
  child->pivot = {0.5f, 0, 1};
  ASSERT_EQ(Kelmat_Object_Link(child, parent, ks.get()), 1);
  KelmatAnimation* ap = zt::animation(ks.get(), "Crane");
  KelmatAnimation* ac = zt::animation(ks.get(), "Hook");
  ap->segmentEnd = ac->segmentEnd = 20;
  ap->pivot = parent->pivot;
  ac->pivot = child->pivot;
  const float s = std::sin(0.6f), c = std::cos(0.6f);
  zt::keys3(ap->position, {0, 10, 20}, {{5, 0, 0}, {5, 3, 1}, {0, 0, 2}});
  zt::keysRot(ap->rotation, {0, 20}, {{1, 0, 0, 0}, {c, 0, 0, s}});
  zt::keys3(ac->position, {0, 20}, {{0, 4, 0}, {0, 6, 2}});
  zt::keys3(ac->scale, {0, 10, 20}, {{1, 1, 1}, {2, 1, 0.5f}, {1, 3, 1}});
  zt::keysRot(ac->rotation, {0, 10, 20}, {{c, s, 0, 0}, {1, 0, 0, 0}, {c, 0, s, 0}});
  ASSERT_EQ(Kelmat_Animation_Link(ac, ap, ks.get()), 1);
  Animated a;
  load(a, ks, "anim_parents");
  ZeltObject* crane = Zelt_Scene_Get_Object(a.scene, "Crane");
  ZeltObject* hook = Zelt_Scene_Get_Object(a.scene, "Hook");
  ZeltAnimation* anim = Zelt_Scene_Get_Animation(a.scene, "Crane");
  ASSERT_TRUE(crane && hook && anim);
  for (int frame : {0, 10, 20}) {
    SCOPED_TRACE(frame);
    ASSERT_EQ(Kelmat_Object_Animate(parent, ap, static_cast<float>(frame), 1), 1);
    Kelmat_Object_Update_Animation(parent);
    ASSERT_NE(Zelt_Object_Animate_Spline(crane, anim, static_cast<float>(frame), 0, 1), 0);
    float g[16];
    Zelt_Object_Get_Global_Matrix(crane, g);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(g[i], parent->worldMatrix[i], 1e-4f) << "crane " << i;
    Zelt_Object_Get_Global_Matrix(hook, g);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(g[i], child->worldMatrix[i], 1e-4f) << "hook " << i;
  }
  // Without children only the parent moves.
  float before[16], after[16];
  Zelt_Object_Get_Global_Matrix(hook, before);
  ASSERT_NE(Zelt_Object_Animate_Spline(hook, Zelt_Scene_Get_Animation(a.scene, "Hook"), 0, 0, 0), 0);
  Zelt_Object_Get_Global_Matrix(hook, after);
  EXPECT_NE(std::memcmp(before, after, sizeof before), 0);
  EXPECT_EQ(Zelt_Object_Animate_Spline(hook, nullptr, 0, 0, 0), 0);
}

}  // namespace
