// Pick: hits, misses, the nearest of several faces, stand-ins and clipped faces.
#include <gtest/gtest.h>

#include "_Harness.h"

using th::Kernel;
using th::Material;
using th::Object;

namespace {

Material& flat(Kernel& k) { return k.material(0, 0, nullptr, [](ZeltMaterial& m) { m.flatPixel = 0xF800; }); }

TEST(Pick, HitReportsObjectFaceAndDepth) {
  Kernel k;
  Object& o = k.root("wall");
  Material& m = flat(k);
  k.screenRect(o, m, 0, 0, 10, 10, 3);
  k.screenRect(o, m, 20, 20, 40, 40, 5);
  int face = -1;
  float depth = 0;
  ZeltObject* hit = k.pick(30.5f, 25.5f, &face, &depth);
  EXPECT_EQ(hit, &o.obj);
  EXPECT_EQ(face, 1);
  EXPECT_NEAR(depth, 5.0f, 1e-4);
  EXPECT_EQ(k.prepareFrames, 1);
}

TEST(Pick, MissLeavesFaceZeroAndFarDepth) {
  Kernel k;
  Object& o = k.root("wall");
  k.screenRect(o, flat(k), 20, 20, 40, 40, 5);
  int face = -1;
  float depth = 0;
  EXPECT_EQ(k.pick(10, 10, &face, &depth), nullptr);
  EXPECT_EQ(face, 0);
  EXPECT_EQ(depth, k.context.farZ);
  // Clockwise faces are not hit either, and neither are hidden objects.
  Object& cw = k.root("cw");
  int a = k.screenVertex(cw, 0, 0, 4), b = k.screenVertex(cw, 10, 0, 4), c = k.screenVertex(cw, 10, 10, 4);
  k.face(cw, flat(k), {a, b, c});
  Object& hidden = k.root("hidden");
  k.screenRect(hidden, flat(k), 0, 0, 20, 20, 2);
  hidden.obj.hidden = 1;
  EXPECT_EQ(k.pick(8, 2, &face, &depth), nullptr);
  k.context.camera = nullptr;
  EXPECT_EQ(k.pick(30, 30, &face, &depth), nullptr);
}

TEST(Pick, NearestOfTwoWins) {
  Kernel k;
  Object& back = k.root("back");
  Object& front = k.root("front");
  k.screenRect(back, flat(k), 0, 0, 64, 64, 9);
  k.screenRect(front, flat(k), 40, 40, 50, 50, 9);  // placeholder face 0
  k.screenRect(front, flat(k), 10, 10, 30, 30, 4);
  int face = -1;
  float depth = 0;
  EXPECT_EQ(k.pick(20, 20, &face, &depth), &front.obj);
  EXPECT_EQ(face, 1);
  EXPECT_NEAR(depth, 4.0f, 1e-4);
  EXPECT_EQ(k.pick(5, 50, &face, &depth), &back.obj);
  EXPECT_EQ(face, 0);
  EXPECT_NEAR(depth, 9.0f, 1e-4);
}

TEST(Pick, SlopedFaceDepthAndStandIns) {
  Kernel k;
  Object& o = k.root("o");
  Object& lod = k.detached("lod");
  o.stand = &lod;
  // Plane from z 2 on the left to z 8 on the right: at the middle column 1/z is the mean.
  int a = k.screenVertex(lod, 0, 0, 2), b = k.screenVertex(lod, 0, 64, 2), c = k.screenVertex(lod, 64, 64, 8),
      d = k.screenVertex(lod, 64, 0, 8);
  k.face(lod, flat(k), {a, b, c, d});
  int face = -1;
  float depth = 0;
  EXPECT_EQ(k.pick(32, 20, &face, &depth), &o.obj);  // the stand-in reports its object
  EXPECT_EQ(face, 0);
  EXPECT_NEAR(depth, 1.0f / ((0.5f + 0.125f) / 2), 1e-3);
}

TEST(Pick, FaceCrossingTheNearPlaneIsClippedThenTested) {
  Kernel k;
  Object& o = k.root("floor");
  th::Vertex v;
  v.y = -0.5f;
  v.x = -1, v.z = 4;
  int a = k.vertex(o, v);
  v.x = -1, v.z = 0.25f;
  int b = k.vertex(o, v);
  v.x = 1, v.z = 0.25f;
  int c = k.vertex(o, v);
  v.x = 1, v.z = 4;
  int d = k.vertex(o, v);
  k.face(o, flat(k), {a, b, c, d});
  int face = -1;
  float depth = 0;
  // Row 40 of the floor: 32 + 16 / z = 40 gives z = 2.
  EXPECT_EQ(k.pick(32, 40, &face, &depth), &o.obj);
  EXPECT_NEAR(depth, 2.0f, 1e-3);
  // Row 60 would be at z = 0.57, in front of the near plane.
  EXPECT_EQ(k.pick(32, 60, &face, &depth), nullptr);
}

}  // namespace
