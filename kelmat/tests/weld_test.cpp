// Weld, snap, weld-normals, pooled weld and the unique-name check.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "_ImportHelpers.h"
#include "_SceneBuilder.h"
#include "_WeldReference.h"
#include "kelmat/kelmat.h"

namespace {

// A cube as 6 separate quads (2 triangles each): 24 vertices at 8 corners.
KelmatObject* SplitCube(KelmatScene* scene, const char* name, KelmatMaterial* m) {
  KelmatObject* o = build::Object(scene, name, 24);
  const int faces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
  int v = 0;
  for (const auto& quad : faces) {
    for (int c = 0; c < 4; ++c) {
      const int corner = quad[c];
      const KelmatVector p = {static_cast<float>(corner & 1), static_cast<float>((corner >> 1) & 1),
                              static_cast<float>((corner >> 2) & 1)};
      o->vertices[v + c] = p;
      o->sourceVertices[v + c] = p;
    }
    build::Face(o, {v, v + 1, v + 2}, m);
    build::Face(o, {v, v + 2, v + 3}, m);
    v += 4;
  }
  // Outward face normals, one axis per quad.
  const KelmatVector outward[6] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
  for (int f = 0; f < o->faceCount; ++f) o->faces[f].normal = outward[f / 2];
  Kelmat_Object_Calculate_Vertex_Normal(o);
  return o;
}

}  // namespace

TEST(Weld, MatchRule) {
  const KelmatVector o = {1, 2, 3};
  EXPECT_TRUE(kelmat::WithinDistance(o, o, 0.0f));
  EXPECT_FALSE(kelmat::WithinDistance(o, {1, 2, std::nextafter(3.0f, 4.0f)}, 0.0f));
  // Differences too small to square in single precision still count.
  EXPECT_FALSE(kelmat::WithinDistance({1e-30f, 0, 0}, {0, 0, 0}, 0.0f));
  EXPECT_TRUE(kelmat::WithinDistance({0.0f, 0, 0}, {-0.0f, 0, 0}, 0.0f));
  EXPECT_TRUE(kelmat::WithinDistance({0, 0, 0}, {3, 4, 0}, 5.0f));  // boundary included
  EXPECT_FALSE(kelmat::WithinDistance({0, 0, 0}, {3, 4, 0.01f}, 5.0f));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(kelmat::WithinDistance({nan, 0, 0}, {nan, 0, 0}, 1e30f));
  EXPECT_FALSE(kelmat::WithinDistance(o, o, -1.0f));
}

TEST(Weld, GridGivesTheLinearScanAnswer) {
  struct Case {
    std::size_t count;
    float extent, spread, distance;
  } cases[] = {{4000, 10, 0.05f, 0.0f},  {4000, 10, 0.05f, 0.02f}, {4000, 10, 0.05f, 0.1f},
               {3000, 1, 0.2f, 0.3f},    {3000, 100, 1.0f, 2.5f},   {2000, 1e6f, 10.0f, 7.0f},
               {2000, 1e-3f, 1e-5f, 1e-6f}, {1500, 5, 0.5f, 1e30f},  {1000, 5, 0.5f, -1.0f}};
  uint32_t seed = 1;
  for (const Case& c : cases) {
    std::vector<KelmatVector> points = ClusteredPoints(c.count, c.extent, c.spread, seed++);
    // Some awkward values among them.
    const float inf = std::numeric_limits<float>::infinity();
    points[10] = {-0.0f, 0.0f, -0.0f};
    points[11] = {0.0f, -0.0f, 0.0f};
    points[12] = {inf, 0, 0};
    points[13] = {std::numeric_limits<float>::quiet_NaN(), 1, 1};
    points[14] = {inf, 0, 0};
    LinearMatch linear{c.distance, {}};
    kelmat::MatchGrid grid(c.distance);
    EXPECT_EQ(FirstMatchMap(grid, points), FirstMatchMap(linear, points))
        << "distance " << c.distance << " extent " << c.extent;
    EXPECT_EQ(grid.size(), linear.refs.size());
  }
}

TEST(Weld, ObjectCubeAtDistanceZero) {
  build::ScopedScene s;
  KelmatMaterial* m = build::Material(s.get(), "M");
  KelmatObject* cube = SplitCube(s.get(), "Cube", m);
  EXPECT_NEAR(cube->normals[0].x, 0.0f, 1e-6);  // one face only: its normal
  ASSERT_EQ(Kelmat_Weld_Object(cube, 0.0f), 1) << LastError();
  EXPECT_EQ(cube->vertexCount, 8);
  EXPECT_EQ(cube->faceCount, 12);
  EXPECT_EQ(cube->objectWelded, 1);
  for (int f = 0; f < cube->faceCount; ++f)
    for (int k = 0; k < 3; ++k) EXPECT_LT(cube->faces[f].indices[k], 8);
  // Each corner's normal now averages faces of three sides: it points out of
  // the cube along all three axes.
  for (int i = 0; i < 8; ++i) {
    const KelmatVector& p = cube->vertices[i];
    const KelmatVector& n = cube->normals[i];
    EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0f, 1e-5) << i;
    EXPECT_GT(n.x * (p.x - 0.5f), 0.05f) << i;
    EXPECT_GT(n.y * (p.y - 0.5f), 0.05f) << i;
    EXPECT_GT(n.z * (p.z - 0.5f), 0.05f) << i;
    EXPECT_FLOAT_EQ(cube->sourceVertices[i].y, p.y);
  }
  // The first corner met keeps the first slot.
  EXPECT_FLOAT_EQ(cube->vertices[0].x, 0.0f);
  EXPECT_FLOAT_EQ(cube->vertices[1].x, 1.0f);
  // A second weld changes nothing.
  KelmatVector* before = cube->vertices;
  ASSERT_EQ(Kelmat_Weld_Object(cube, 10.0f), 1);
  EXPECT_EQ(cube->vertexCount, 8);
  EXPECT_EQ(cube->vertices, before);
}

TEST(Weld, ObjectMatchesReferenceOnRandomData) {
  const std::vector<KelmatVector> points = ClusteredPoints(3000, 4, 0.05f, 77);
  build::ScopedScene s;
  KelmatMaterial* m = build::Material(s.get(), "M");
  KelmatObject* o = build::Object(s.get(), "Cloud", static_cast<int32_t>(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i) {
    o->sourceVertices[i] = points[i];
    o->vertices[i] = {points[i].x + 1, points[i].y, points[i].z};  // a different object space
  }
  for (int32_t i = 0; i + 2 < o->vertexCount; i += 3) build::Face(o, {i, i + 1, i + 2}, m);
  LinearMatch linear{0.03f, {}};
  const std::vector<int64_t> map = FirstMatchMap(linear, points);
  ASSERT_EQ(Kelmat_Weld_Object(o, 0.03f), 1) << LastError();
  ASSERT_EQ(static_cast<std::size_t>(o->vertexCount), linear.refs.size());
  for (std::size_t r = 0; r < linear.refs.size(); ++r) {
    EXPECT_EQ(o->sourceVertices[r].x, linear.refs[r].x);
    EXPECT_EQ(o->vertices[r].x, linear.refs[r].x + 1);
  }
  for (int32_t f = 0; f < o->faceCount; ++f)
    for (int k = 0; k < 3; ++k) ASSERT_EQ(o->faces[f].indices[k], map[3 * f + k]);
}

TEST(Weld, ObjectRefusesPooledAndBrokenObjects) {
  build::ScopedScene s;
  KelmatObject* o = build::Object(s.get(), "Pooled", 3);
  o->welded = 1;
  EXPECT_EQ(Kelmat_Weld_Object(o, 0.0f), 0);
  EXPECT_NE(LastError().find("Pooled"), std::string::npos);
  o->welded = 0;
  build::Face(o, {0, 1, 3}, nullptr);
  EXPECT_EQ(Kelmat_Weld_Object(o, 0.0f), 0);
  EXPECT_EQ(o->vertexCount, 3);
  KelmatObject* empty = build::Object(s.get(), "Empty", 0);
  EXPECT_EQ(Kelmat_Weld_Object(empty, 0.0f), 1);
  EXPECT_EQ(empty->objectWelded, 0);
}

TEST(Weld, SnapMovesOntoEarlierPoints) {
  build::ScopedScene s;
  KelmatObject* second = build::Object(s.get(), "Second", 0);
  KelmatObject* first = build::Object(s.get(), "First", 0);  // head of the root list
  build::SetVertices(first, {{0, 0, 0}, {5, 5, 5}});
  build::SetVertices(second, {{0.3f, 0, 0}, {5, 5, 6}, {0.2f, 0.2f, 0}});
  // Second's object space is shifted by (10, 0, 0).
  second->inverseLocalMatrix[12] = -10;
  ASSERT_EQ(Kelmat_Snap_Scene(s.get(), 0.5f), 1);
  EXPECT_EQ(second->vertexCount, 3);
  EXPECT_FLOAT_EQ(second->sourceVertices[0].x, 0.0f);
  EXPECT_FLOAT_EQ(second->vertices[0].x, -10.0f);
  EXPECT_FLOAT_EQ(second->sourceVertices[1].z, 6.0f);  // 1 away: stays
  EXPECT_FLOAT_EQ(second->vertices[1].z, 5 * 0 + 6.0f);
  EXPECT_FLOAT_EQ(second->sourceVertices[2].y, 0.0f);
  EXPECT_FLOAT_EQ(first->sourceVertices[1].x, 5.0f);
}

TEST(Weld, SnapMatchesReferenceOnRandomData) {
  const std::vector<KelmatVector> points = ClusteredPoints(4000, 3, 0.1f, 5);
  build::ScopedScene s;
  std::vector<KelmatObject*> objects;
  for (int k = 0; k < 4; ++k) {
    KelmatObject* o = build::Object(s.get(), ("Part" + std::to_string(k)).c_str(), 1000);
    objects.insert(objects.begin(), o);  // root list runs newest first
  }
  for (int k = 0; k < 4; ++k)
    for (int i = 0; i < 1000; ++i) objects[k]->sourceVertices[i] = points[k * 1000 + i];
  LinearMatch linear{0.08f, {}};
  const std::vector<int64_t> map = FirstMatchMap(linear, points);
  ASSERT_EQ(Kelmat_Snap_Scene(s.get(), 0.08f), 1);
  for (int k = 0; k < 4; ++k) {
    for (int i = 0; i < 1000; ++i) {
      const KelmatVector& want = linear.refs[map[k * 1000 + i]];
      ASSERT_EQ(objects[k]->sourceVertices[i].x, want.x);
      ASSERT_EQ(objects[k]->sourceVertices[i].z, want.z);
    }
  }
}

TEST(Weld, NormalsAreCopiedNotAveraged) {
  build::ScopedScene s;
  KelmatObject* b = build::Object(s.get(), "B", 0);
  KelmatObject* a = build::Object(s.get(), "A", 0);
  build::SetVertices(a, {{0, 0, 0}, {1, 0, 0}});
  build::SetVertices(b, {{0, 0, 0.05f}, {2, 0, 0}});
  a->normals[0] = {0, 0, 1};
  a->normals[1] = {0, 1, 0};
  b->normals[0] = {1, 0, 0};
  b->normals[1] = {0, -1, 0};
  ASSERT_EQ(Kelmat_Weld_Normal_Into_Scene(s.get(), 0.1f), 1);
  EXPECT_FLOAT_EQ(b->normals[0].z, 1.0f);
  EXPECT_FLOAT_EQ(b->normals[0].x, 0.0f);
  EXPECT_FLOAT_EQ(b->normals[1].y, -1.0f);
  EXPECT_FLOAT_EQ(a->normals[1].y, 1.0f);
  EXPECT_FLOAT_EQ(b->sourceVertices[0].z, 0.05f);  // positions untouched
}

TEST(Weld, SceneIntoScenePreOrderStopsAtFailure) {
  build::ScopedScene s;
  KelmatObject* bad = build::Object(s.get(), "Bad", 2);
  build::Face(bad, {0, 1, 7}, nullptr);
  KelmatObject* good = build::Object(s.get(), "Good", 0);
  build::SetVertices(good, {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}});
  build::Face(good, {0, 1, 2}, nullptr);
  EXPECT_EQ(Kelmat_Weld_Object_Into_Scene(s.get(), 0.0f), 0);
  EXPECT_EQ(good->vertexCount, 2);  // welded before the failing one
  EXPECT_EQ(bad->objectWelded, 0);
}

TEST(Weld, PoolOrderWithAtSigns) {
  build::ScopedScene s;
  KelmatObject* hand = build::Object(s.get(), "@01Hand", 0);
  KelmatObject* leg = build::Object(s.get(), "Leg", 0);
  KelmatObject* arm = build::Object(s.get(), "@02Arm", 0);
  KelmatObject* root = build::Object(s.get(), "Root", 0);
  build::SetVertices(root, {{0, 0, 0}, {1, 0, 0}});
  build::SetVertices(arm, {{0, 1, 0}, {1, 0, 0}});   // (1, 0, 0) also in Root
  build::SetVertices(leg, {{0, 2, 0}});
  build::SetVertices(hand, {{0, 3, 0}, {0, 1, 0}});  // (0, 1, 0) also in Arm
  build::Face(arm, {0, 1, 1}, nullptr);
  build::Face(root, {1, 0, 0}, nullptr);
  // Children run in reverse order of linking: Root's are Arm, Leg.
  ASSERT_EQ(Kelmat_Object_Link(leg, root, s.get()), 1);
  ASSERT_EQ(Kelmat_Object_Link(arm, root, s.get()), 1);
  ASSERT_EQ(Kelmat_Object_Link(hand, arm, s.get()), 1);
  Kelmat_Object_Update_Animation(root);
  ASSERT_EQ(Kelmat_Weld_Scene(s.get(), 0.0f), 1) << LastError();
  // Pool order: Hand, Arm, Root, Leg.
  EXPECT_EQ(hand->firstVertex, 0);
  EXPECT_EQ(hand->vertexCount, 2);
  EXPECT_EQ(arm->firstVertex, 2);
  EXPECT_EQ(arm->vertexCount, 1);  // (0, 1, 0) is Hand's
  EXPECT_EQ(root->firstVertex, 3);
  EXPECT_EQ(root->vertexCount, 1);  // (1, 0, 0) is Arm's
  EXPECT_EQ(leg->firstVertex, 4);
  EXPECT_EQ(root->poolSize, 5);
  for (KelmatObject* o : {hand, arm, leg}) {
    EXPECT_EQ(o->welded, 1);
    EXPECT_EQ(o->poolSize, 0);
    EXPECT_EQ(o->vertices, root->vertices);
  }
  EXPECT_EQ(arm->faces[0].indices[0], 1);  // Hand's entry
  EXPECT_EQ(arm->faces[0].indices[1], 2);
  EXPECT_EQ(root->faces[0].indices[0], 2);  // Arm's entry
  EXPECT_EQ(root->faces[0].indices[1], 3);
  EXPECT_FLOAT_EQ(root->vertices[4].y, 2.0f);
  // A pooled hierarchy is not pooled again.
  EXPECT_EQ(Kelmat_Weld_Scene(s.get(), 0.0f), 0);
  EXPECT_EQ(Kelmat_Weld_Object(arm, 0.0f), 0);
}

TEST(Weld, PoolUsesWorldPositions) {
  build::ScopedScene s;
  KelmatObject* child = build::Object(s.get(), "Child", 0);
  KelmatObject* parent = build::Object(s.get(), "Parent", 0);
  build::SetVertices(parent, {{2, 0, 0}});
  build::SetVertices(child, {{0, 0, 0}, {5, 5, 5}});
  child->position = {2, 0, 0};  // child's origin is at the parent's vertex
  ASSERT_EQ(Kelmat_Object_Link(child, parent, s.get()), 1);
  Kelmat_Object_Update_Animation(parent);
  ASSERT_EQ(Kelmat_Weld_Scene(s.get(), 0.0f), 1);
  EXPECT_EQ(parent->poolSize, 2);
  EXPECT_EQ(child->firstVertex, 1);
  EXPECT_EQ(child->vertexCount, 1);
  // Entries keep the space of the member that added them.
  EXPECT_FLOAT_EQ(parent->vertices[1].x, 5.0f);
  // Written and read back as one pool.
  const std::string path = build::TempPath("pool.o3d");
  ASSERT_EQ(Kelmat_Save_O3d(s.get(), path.c_str()), 1);
}

TEST(Weld, CheckDouble) {
  build::ScopedScene s;
  build::Object(s.get(), "Box", 0);
  build::Animation(s.get(), "Box");
  KelmatObject* top = build::Object(s.get(), "Top", 0);
  EXPECT_EQ(Kelmat_Check_Double(s.get()), 1);
  // A second Box, deep in a hierarchy.
  KelmatObject* box2 = build::Object(s.get(), "Box", 0);
  ASSERT_EQ(Kelmat_Object_Link(box2, top, s.get()), 1);
  build::Object(s.get(), "Other", 0);
  build::Object(s.get(), "Another", 0);
  Kelmat_Set_Last_Error("untouched");
  EXPECT_EQ(Kelmat_Check_Double(s.get()), 0);
  EXPECT_EQ(LastError(), "Double object Box and Box");
  build::ScopedScene a;
  build::Object(a.get(), "box", 0);
  build::Object(a.get(), "Box", 0);  // names differ in case only
  build::Animation(a.get(), "Walk");
  build::Animation(a.get(), "Walk");
  EXPECT_EQ(Kelmat_Check_Double(a.get()), 0);
  EXPECT_EQ(LastError(), "Double animation Walk and Walk");
}
