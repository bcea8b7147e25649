// Track evaluation, Kelmat_Object_Animate over hierarchies, world matrices,
// bounding volumes and vertex normals.
#include "_SceneBuilder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using build::ScopedScene;

void ExpectVector(const KelmatVector& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-5f);
  EXPECT_NEAR(v.y, y, 1e-5f);
  EXPECT_NEAR(v.z, z, 1e-5f);
}

bool IsIdentity(const float* m) {
  for (int i = 0; i < 16; ++i)
    if (std::fabs(m[i] - ((i % 5 == 0) ? 1.0f : 0.0f)) > 1e-6f) return false;
  return true;
}

struct Animated : ::testing::Test {
  ScopedScene scene;
  KelmatObject* object = build::Object(scene.get(), "o");
  KelmatAnimation* animation = build::Animation(scene.get(), "o");
};

TEST_F(Animated, PositionAtBetweenBeforeAndAfterKeys) {
  build::PositionKeys(animation->position, {0, 10, 20}, {{0, 1, 0}, {10, 1, 0}, {40, 1, 0}});
  struct {
    float frame, x;
  } cases[] = {{0, 0}, {5, 5}, {10, 10}, {15, 25}, {20, 40}, {25, 50}, {19.5f, 38.5f}};
  for (auto c : cases) {
    ASSERT_EQ(Kelmat_Object_Animate(object, animation, c.frame, 0), 1);
    EXPECT_NEAR(object->position.x, c.x, 1e-4f) << "frame " << c.frame;
    EXPECT_NEAR(object->position.y, 1.0f, 1e-6f);
  }
  // Before the first key: the pair (last, first) with t = (f - 20) / (0 - 20) < 0 ... here
  // the first key is at 0, so use keys that start later.
  KelmatAnimation* late = build::Animation(scene.get(), "late");
  build::PositionKeys(late->position, {10, 20}, {{10, 0, 0}, {30, 0, 0}});
  ASSERT_EQ(Kelmat_Object_Animate(object, late, 5, 0), 1);
  // c = last (20, x 30), d = first (10, x 10): t = (5 - 20) / (10 - 20) = 1.5
  EXPECT_NEAR(object->position.x, 30 + 1.5f * (10 - 30), 1e-4f);

  object->position = {7, 7, 7};
  EXPECT_EQ(Kelmat_Object_Animate(object, animation, -1, 0), 0);
  ExpectVector(object->position, 7, 7, 7);
  EXPECT_EQ(Kelmat_Object_Animate(object, animation, std::nanf(""), 0), 0);
}

TEST_F(Animated, KeylessTracksResetScaleAndRotationButKeepPosition) {
  object->position = {1, 2, 3};
  object->scale = {5, 5, 5};
  object->rotation[1] = 0.7f;
  object->hidden = 1;
  ASSERT_EQ(Kelmat_Object_Animate(object, animation, 12, 0), 1);
  ExpectVector(object->position, 1, 2, 3);
  ExpectVector(object->scale, 1, 1, 1);
  EXPECT_TRUE(IsIdentity(object->rotation));
  EXPECT_EQ(object->hidden, 1);
}

TEST_F(Animated, OneRotationKeyIsConstantAndTwoKeysSlerp) {
  // 90 degrees about z.
  const float h = std::sqrt(0.5f);
  build::RotationKeys(animation->rotation, {10}, {{h, 0, 0, h}});
  for (float frame : {0.f, 10.f, 55.f}) {
    ASSERT_EQ(Kelmat_Object_Animate(object, animation, frame, 0), 1);
    KelmatVector x = {1, 0, 0}, out;
    Kelmat_Vector_Matrix_Mult(&out, &x, object->rotation);
    // The quaternion-to-matrix convention turns row vector x to -y for this key.
    ExpectVector(out, 0, -1, 0);
    KelmatQuaternion back;
    Kelmat_Matrix_To_Quaternion(&back, object->rotation);
    EXPECT_NEAR(back.w, h, 1e-5f);
    EXPECT_NEAR(back.z, h, 1e-5f);
  }
  KelmatAnimation* turning = build::Animation(scene.get(), "turning");
  build::RotationKeys(turning->rotation, {0, 10}, {{1, 0, 0, 0}, {h, 0, 0, h}});
  ASSERT_EQ(Kelmat_Object_Animate(object, turning, 5, 0), 1);
  KelmatQuaternion q;
  Kelmat_Matrix_To_Quaternion(&q, object->rotation);
  EXPECT_NEAR(q.w, std::cos(M_PI / 8), 1e-5);  // half of 90 degrees
  EXPECT_NEAR(q.z, std::sin(M_PI / 8), 1e-5);
}

TEST_F(Animated, HideTakesTheStateOfTheKeyInForce) {
  build::HideKeys(animation->hide, {0, 10, 20}, {1, 0, 1});
  struct {
    float frame;
    int hidden;
  } cases[] = {{0, 1}, {9.9f, 1}, {10, 0}, {19, 0}, {20, 1}, {300, 1}};
  for (auto c : cases) {
    ASSERT_EQ(Kelmat_Object_Animate(object, animation, c.frame, 0), 1);
    EXPECT_EQ(object->hidden, c.hidden) << c.frame;
  }
  KelmatAnimation* late = build::Animation(scene.get(), "late");
  build::HideKeys(late->hide, {5}, {1});
  object->hidden = 0;
  ASSERT_EQ(Kelmat_Object_Animate(object, late, 2, 0), 1);
  EXPECT_EQ(object->hidden, 1);  // single key: constant
}

TEST_F(Animated, MorphInterpolatesTheObjectsOwnRangeAndBounds) {
  build::SetVertices(object, {{9, 9, 9}, {9, 9, 9}, {9, 9, 9}, {9, 9, 9}});
  // Welded member owning pool entries 1 and 2.
  object->welded = 1;
  object->poolSize = 4;
  object->firstVertex = 1;
  object->vertexCount = 2;
  build::MorphKeys(animation->morph, {0, 10}, 2);  // key k: vertex i = (i, 10k, 0)
  ASSERT_EQ(Kelmat_Object_Animate(object, animation, 5, 0), 1);
  ExpectVector(object->vertices[0], 9, 9, 9);
  ExpectVector(object->vertices[1], 0, 5, 0);
  ExpectVector(object->vertices[2], 1, 5, 0);
  ExpectVector(object->vertices[3], 9, 9, 9);
  ExpectVector(object->normals[1], 0, 0, 1);
  ExpectVector(object->sphereCenter, 0.5f, 0, 0);
  EXPECT_NEAR(object->sphereRadius, 1.5f, 1e-6f);
  ExpectVector(object->boxMin, -0.5f, -1, -1);
  ExpectVector(object->boxMax, 0.5f, 1, 1);
  object->vertexCount = 4;  // more vertices than the keys hold: only the keys' count changes
  object->firstVertex = 0;
  ASSERT_EQ(Kelmat_Object_Animate(object, animation, 10, 0), 1);
  ExpectVector(object->vertices[1], 1, 10, 0);
  ExpectVector(object->vertices[2], 1, 5, 0);
}

TEST(AnimateHierarchy, RecursesThroughMatchingPairsOnly) {
  ScopedScene scene;
  KelmatObject* root = build::Object(scene.get(), "root");
  KelmatObject* a = build::Object(scene.get(), "a");
  KelmatObject* b = build::Object(scene.get(), "b");
  KelmatObject* aa = build::Object(scene.get(), "aa");
  KelmatObject* sibling = build::Object(scene.get(), "sibling");
  ASSERT_EQ(Kelmat_Object_Link(a, root, scene.get()), 1);
  ASSERT_EQ(Kelmat_Object_Link(b, root, scene.get()), 1);  // children: b, a
  ASSERT_EQ(Kelmat_Object_Link(aa, a, scene.get()), 1);
  KelmatAnimation* rootA = build::Animation(scene.get(), "root");
  KelmatAnimation* aA = build::Animation(scene.get(), "a");
  KelmatAnimation* bA = build::Animation(scene.get(), "b");
  KelmatAnimation* siblingA = build::Animation(scene.get(), "sibling");
  ASSERT_EQ(Kelmat_Animation_Link(aA, rootA, scene.get()), 1);
  ASSERT_EQ(Kelmat_Animation_Link(bA, rootA, scene.get()), 1);
  root->nextSibling = sibling;  // the top object's own siblings are never visited
  rootA->nextSibling = siblingA;
  build::PositionKeys(rootA->position, {0}, {{1, 0, 0}});
  build::PositionKeys(aA->position, {0}, {{2, 0, 0}});
  build::PositionKeys(bA->position, {0}, {{3, 0, 0}});
  build::PositionKeys(siblingA->position, {0}, {{4, 0, 0}});
  aa->position = {8, 8, 8};
  aa->scale = {2, 2, 2};

  ASSERT_EQ(Kelmat_Object_Animate(root, rootA, 0, 0), 1);
  EXPECT_EQ(root->position.x, 1);
  EXPECT_EQ(a->position.x, 0);
  ASSERT_EQ(Kelmat_Object_Animate(root, rootA, 0, 1), 1);
  EXPECT_EQ(a->position.x, 2);
  EXPECT_EQ(b->position.x, 3);
  EXPECT_EQ(sibling->position.x, 0);
  ExpectVector(aa->scale, 2, 2, 2);  // aa has no animation partner
  root->nextSibling = nullptr;
  rootA->nextSibling = nullptr;

  // A negative frame fails at the first keyed track and leaves earlier steps done.
  build::HideKeys(aA->hide, {0}, {1});
  b->scale = {3, 3, 3};
  EXPECT_EQ(Kelmat_Object_Animate(root, rootA, -2, 1), 0);
  ExpectVector(b->scale, 3, 3, 3);
}

TEST(WorldMatrix, ParentAndChild) {
  ScopedScene scene;
  KelmatObject* parent = build::Object(scene.get(), "parent");
  KelmatObject* child = build::Object(scene.get(), "child");
  ASSERT_EQ(Kelmat_Object_Link(child, parent, scene.get()), 1);
  parent->pivot = {1, 2, 3};
  parent->position = {10, 20, 30};
  child->pivot = {0.5f, 0, 0};
  child->position = {0, 1, 0};
  child->scale = {2, 2, 2};
  ASSERT_EQ(Kelmat_Object_Update_Animation(parent), 1);
  // Root: world translation t - p.
  ExpectVector({parent->worldMatrix[12], parent->worldMatrix[13], parent->worldMatrix[14]}, 9, 18, 27);
  // Child: ((v - 0.5x) * 2 + parent pivot + child position) then the parent's world.
  KelmatVector v = {1, 0, 0}, out;
  Kelmat_Vector_Matrix_Mult(&out, &v, child->worldMatrix);
  // (1 - 0.5) * 2 = 1; + (1, 2, 3) + (0, 1, 0) = (2, 3, 3); parent world: + (9, 18, 27)
  ExpectVector(out, 11, 21, 30);

  // With a rotation of 90 degrees about z on the parent.
  const float h = std::sqrt(0.5f);
  KelmatQuaternion q = {h, 0, 0, h};
  Kelmat_Quaternion_To_Matrix(parent->rotation, &q);
  ASSERT_EQ(Kelmat_Object_Update_Animation(parent), 1);
  KelmatVector origin = {1, 2, 3};  // the parent's pivot maps to its position
  Kelmat_Vector_Matrix_Mult(&out, &origin, parent->worldMatrix);
  ExpectVector(out, 10, 20, 30);
  Kelmat_Vector_Matrix_Mult(&out, &v, child->worldMatrix);
  // child local (2, 3, 3) -> minus the parent's pivot (1, 1, 0) -> rotated (1, -1, 0)
  // -> + (10, 20, 30)
  ExpectVector(out, 11, 19, 30);

  // Updating the child alone uses the parent's current matrix.
  child->position = {0, 0, 0};
  ASSERT_EQ(Kelmat_Object_Update_Animation(child), 1);
  Kelmat_Vector_Matrix_Mult(&out, &v, child->worldMatrix);
  // (2, 2, 3) -> (1, 0, 0) -> (0, -1, 0) -> + (10, 20, 30)
  ExpectVector(out, 10, 19, 30);
}

TEST(Geometry, UnitCubeBoxAndSphere) {
  ScopedScene scene;
  KelmatObject* cube = build::Object(scene.get(), "cube");
  build::SetVertices(cube, {{-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, -0.5f},
                            {-0.5f, 0.5f, -0.5f}, {-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0.5f},
                            {0.5f, 0.5f, 0.5f}, {-0.5f, 0.5f, 0.5f}});
  Kelmat_Object_Calculate_Bounding_Box(cube);
  Kelmat_Object_Calculate_Bounding_Sphere(cube);
  ExpectVector(cube->boxMin, -0.5f, -0.5f, -0.5f);
  ExpectVector(cube->boxMax, 0.5f, 0.5f, 0.5f);
  ExpectVector(cube->sphereCenter, 0, 0, 0);
  EXPECT_NEAR(cube->sphereRadius, std::sqrt(0.75f), 1e-6f);

  KelmatObject* offset = build::Object(scene.get(), "offset");
  build::SetVertices(offset, {{1, 1, 1}, {3, 1, 1}, {1, 5, 1}});
  Kelmat_Object_Calculate_Bounding_Sphere(offset);
  ExpectVector(offset->sphereCenter, 2, 3, 1);
  EXPECT_NEAR(offset->sphereRadius, std::sqrt(5.0f), 1e-6f);

  KelmatObject* empty = build::Object(scene.get(), "empty");
  empty->boxMax = {4, 4, 4};
  Kelmat_Object_Calculate_Bounding_Box(empty);  // no vertices: unchanged
  ExpectVector(empty->boxMax, 4, 4, 4);
}

TEST(Geometry, VertexNormalsAverageFaceNormals) {
  ScopedScene scene;
  KelmatMaterial* m = build::Material(scene.get(), "m");
  KelmatObject* o = build::Object(scene.get(), "o");
  build::SetVertices(o, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {5, 5, 5}});
  build::Face(o, {0, 1, 2}, m)->normal = {0, 0, 1};
  build::Face(o, {0, 3, 1}, m)->normal = {0, 1, 0};
  o->normals[4] = {1, 1, 1};
  ASSERT_EQ(Kelmat_Object_Calculate_Vertex_Normal(o), 1);
  const float h = std::sqrt(0.5f);
  ExpectVector(o->normals[0], 0, h, h);
  ExpectVector(o->normals[1], 0, h, h);
  ExpectVector(o->normals[2], 0, 0, 1);
  ExpectVector(o->normals[3], 0, 1, 0);
  ExpectVector(o->normals[4], 0, 0, 0);  // used by no face
  // Opposite normals cancel to zero rather than dividing by zero.
  build::Face(o, {2, 1, 0}, m)->normal = {0, 0, -1};
  ASSERT_EQ(Kelmat_Object_Calculate_Vertex_Normal(o), 1);
  ExpectVector(o->normals[2], 0, 0, 0);
}

}  // namespace
