// Merging adjacent coplanar faces into convex polygons.
#include <gtest/gtest.h>

#include <cmath>

#include "_ImportHelpers.h"
#include "_SceneBuilder.h"
#include "kelmat/kelmat.h"

namespace {

std::vector<int32_t> Corners(const KelmatFace& f) { return {f.indices, f.indices + f.vertexCount}; }

int Optimize(KelmatScene* s, float angle) {
  testing::internal::CaptureStdout();
  const int result = Kelmat_Optimize_Scene(s, angle);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Max ngone vertex: 10\n");
  return result;
}

// Two triangles (A, B, C) and (B, A, D) on the z = 0 plane.
KelmatObject* Pair(KelmatScene* s, KelmatMaterial* m1, KelmatMaterial* m2, std::vector<float> uv1 = {},
                   std::vector<float> uv2 = {}) {
  KelmatObject* o = build::Object(s, "Pair", 0);
  build::SetVertices(o, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, -1, 0}});  // A B C D
  build::Face(o, {0, 1, 2}, m1, uv1);
  build::Face(o, {1, 0, 3}, m2, uv2);
  return o;
}

}  // namespace

TEST(Optimize, TwoTrianglesBecomeAQuad) {
  build::ScopedScene s;
  KelmatMaterial* m = build::Material(s.get(), "M");
  KelmatObject* o = Pair(s.get(), m, m);
  ASSERT_EQ(Optimize(s.get(), 1.0f), 1);
  ASSERT_EQ(o->faceCount, 1);
  EXPECT_EQ(Corners(o->faces[0]), (std::vector<int32_t>{1, 2, 0, 3}));  // B C A D
  EXPECT_EQ(o->faces[0].material, m);
  EXPECT_EQ(o->faces[0].mapping, nullptr);
  EXPECT_FLOAT_EQ(o->faces[0].normal.z, 1.0f);
}

TEST(Optimize, MappingTravelsWithTheCorners) {
  build::ScopedScene s;
  KelmatMaterial* m = build::Material(s.get(), "M");
  // A=(0,0) B=(1,0) C=(0,1) D=(1,-1) in uv as well.
  KelmatObject* o = Pair(s.get(), m, m, {0, 0, 1, 0, 0, 1}, {1, 0, 0, 0, 1, -1});
  ASSERT_EQ(Optimize(s.get(), 0.0f), 1);
  ASSERT_EQ(o->faceCount, 1);
  ASSERT_NE(o->faces[0].mapping, nullptr);
  const std::vector<float> uv(o->faces[0].mapping, o->faces[0].mapping + 8);
  EXPECT_EQ(uv, (std::vector<float>{1, 0, 0, 1, 0, 0, 1, -1}));
}

TEST(Optimize, FacesThatMustStayApart) {
  build::ScopedScene s;
  KelmatMaterial* m = build::Material(s.get(), "M");
  KelmatMaterial* n = build::Material(s.get(), "N");
  KelmatObject* materials = Pair(s.get(), m, n);
  KelmatObject* halfMapped = Pair(s.get(), m, m, {0, 0, 1, 0, 0, 1});
  // Equal corners but different coordinates along the shared edge.
  KelmatObject* seam = Pair(s.get(), m, m, {0, 0, 1, 0, 0, 1}, {0.5f, 0, 0, 0, 1, -1});
  ASSERT_EQ(Optimize(s.get(), 10.0f), 1);
  EXPECT_EQ(materials->faceCount, 2);
  EXPECT_EQ(halfMapped->faceCount, 2);
  EXPECT_EQ(seam->faceCount, 2);
  EXPECT_EQ(Corners(materials->faces[1]), (std::vector<int32_t>{1, 0, 3}));
}

TEST(Optimize, AngleLimit) {
  build::ScopedScene s;
  KelmatMaterial* m = build::Material(s.get(), "M");
  KelmatObject* bent = Pair(s.get(), m, m);
  const float t = 5.0f * 3.14159265f / 180.0f;  // 5 degrees apart
  bent->faces[1].normal = {0, std::sin(t), std::cos(t)};
  ASSERT_EQ(Optimize(s.get(), 4.0f), 1);
  EXPECT_EQ(bent->faceCount, 2);
  ASSERT_EQ(Optimize(s.get(), 6.0f), 1);
  EXPECT_EQ(bent->faceCount, 1);
  // Angle 0: only normals whose dot product reaches 1.
  build::ScopedScene z;
  KelmatMaterial* zm = build::Material(z.get(), "M");
  KelmatObject* flat = Pair(z.get(), zm, zm);
  KelmatObject* tilt = Pair(z.get(), zm, zm);
  tilt->faces[1].normal = {0, 0.001f, 1};
  ASSERT_EQ(Optimize(z.get(), 0.0f), 1);
  EXPECT_EQ(flat->faceCount, 1);
  EXPECT_EQ(tilt->faceCount, 2);
}

TEST(Optimize, NonConvexAndOversizedRefused) {
  build::ScopedScene s;
  KelmatMaterial* m = build::Material(s.get(), "M");
  // (A, B, C) and (B, A, D) whose union B C A D is an arrowhead dented at B.
  KelmatObject* dart = build::Object(s.get(), "Dart", 0);
  build::SetVertices(dart, {{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {2, -1, 0}});
  build::Face(dart, {0, 1, 2}, m);
  build::Face(dart, {1, 0, 3}, m);
  // A fan of 14 triangles around a centre: merging stops at 10 corners.
  KelmatObject* fan = build::Object(s.get(), "Fan", 15);
  fan->vertices[0] = {0, 0, 0};
  for (int i = 0; i < 14; ++i) {
    const float a = 2 * 3.14159265f * i / 14;
    fan->vertices[i + 1] = {std::cos(a), std::sin(a), 0};
  }
  for (int i = 0; i < 14; ++i) build::Face(fan, {0, 1 + i, 1 + (i + 1) % 14}, m);
  ASSERT_EQ(Optimize(s.get(), 1.0f), 1);
  EXPECT_EQ(dart->faceCount, 2);
  EXPECT_LT(fan->faceCount, 14);
  int corners = 0;
  for (int f = 0; f < fan->faceCount; ++f) {
    EXPECT_LE(fan->faces[f].vertexCount, 10);
    corners += fan->faces[f].vertexCount;
  }
  // Every triangle's area is still covered: merged polygons around a centre
  // keep the centre and the rim corners they span.
  EXPECT_GE(corners, 14 + fan->faceCount * 2 - 14);
}

TEST(Optimize, RepeatedPassesAndCollinearCorners) {
  build::ScopedScene s;
  KelmatMaterial* m = build::Material(s.get(), "M");
  // A 2 x 1 strip of four triangles: two squares; their union would have
  // collinear corners, which the convexity test refuses.
  KelmatObject* strip = build::Object(s.get(), "Strip", 0);
  build::SetVertices(strip, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}});
  build::Face(strip, {0, 1, 4}, m);
  build::Face(strip, {0, 4, 3}, m);
  build::Face(strip, {1, 2, 5}, m);
  build::Face(strip, {1, 5, 4}, m);
  // A hexagon split into four triangles merges over several passes.
  KelmatObject* hex = build::Object(s.get(), "Hex", 6);
  for (int i = 0; i < 6; ++i) {
    const float a = 2 * 3.14159265f * i / 6;
    hex->vertices[i] = {std::cos(a), std::sin(a), 0};
  }
  build::Face(hex, {0, 1, 2}, m);
  build::Face(hex, {0, 2, 3}, m);
  build::Face(hex, {0, 3, 4}, m);
  build::Face(hex, {0, 4, 5}, m);
  ASSERT_EQ(Optimize(s.get(), 1.0f), 1);
  EXPECT_EQ(strip->faceCount, 2);
  EXPECT_EQ(strip->faces[0].vertexCount, 4);
  ASSERT_EQ(hex->faceCount, 1);
  EXPECT_EQ(hex->faces[0].vertexCount, 6);
  // Running again changes nothing more.
  ASSERT_EQ(Optimize(s.get(), 1.0f), 1);
  EXPECT_EQ(hex->faceCount, 1);
}

TEST(Optimize, EmptySceneStillPrints) {
  build::ScopedScene s;
  EXPECT_EQ(Optimize(s.get(), 1.0f), 1);
}
