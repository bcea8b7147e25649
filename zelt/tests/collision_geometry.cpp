// Collision geometry on hand-made polygons: segments through, beside and on the edge of a face;
// spheres touching inside, on an edge, on a corner, missing; normals; degenerate faces.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

// The geometry is compiled into the test itself: the kernel library exports only its C calls.
#include "zelt/Collision.cpp"

using namespace zelt::collision;

namespace {

// Unit square in the plane z = 0, counter-clockwise seen from +z.
const Vec3 kSquare[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
// Right triangle in the plane x = 5, facing +x.
const Vec3 kWall[3] = {{5, 0, 0}, {5, 4, 0}, {5, 0, 4}};

void expectNear(Vec3 a, Vec3 b, float tol = 1e-5f) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

}  // namespace

TEST(CollisionNormal, UnitAndFollowsCornerOrder) {
  Vec3 n;
  ASSERT_TRUE(polygonNormal(kSquare, 4, &n));
  expectNear(n, {0, 0, 1});
  const Vec3 reversed[4] = {kSquare[3], kSquare[2], kSquare[1], kSquare[0]};
  ASSERT_TRUE(polygonNormal(reversed, 4, &n));
  expectNear(n, {0, 0, -1});
  ASSERT_TRUE(polygonNormal(kWall, 3, &n));
  expectNear(n, {1, 0, 0});
  // A tilted, large, far-away triangle still gives a unit vector.
  const Vec3 tilted[3] = {{1000, 1000, 1000}, {1300, 1000, 1300}, {1000, 1400, 1000}};
  ASSERT_TRUE(polygonNormal(tilted, 3, &n));
  EXPECT_NEAR(std::sqrt(dot(n, n)), 1.0f, 1e-6f);
  expectNear(n, {-0.7071068f, 0, 0.7071068f});
}

TEST(CollisionNormal, DegenerateFacesHaveNone) {
  Vec3 n{9, 9, 9};
  const Vec3 line[3] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}};
  const Vec3 point[3] = {{3, 3, 3}, {3, 3, 3}, {3, 3, 3}};
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Vec3 broken[3] = {{0, 0, 0}, {1, 0, 0}, {nan, 1, 0}};
  EXPECT_FALSE(polygonNormal(line, 3, &n));
  EXPECT_FALSE(polygonNormal(point, 3, &n));
  EXPECT_FALSE(polygonNormal(broken, 3, &n));
  EXPECT_FALSE(polygonNormal(kSquare, 2, &n));
  EXPECT_FALSE(polygonNormal(nullptr, 3, &n));
  expectNear(n, {9, 9, 9});  // untouched
  // Nothing crosses or touches a face without a plane.
  Vec3 hit{};
  EXPECT_FALSE(segmentPolygon(line, 3, {1, 1, -5}, {1, 1, 5}, &hit));
  EXPECT_FALSE(segmentPolygon(broken, 3, {0.2f, 0.2f, -1}, {0.2f, 0.2f, 1}, &hit));
  EXPECT_EQ(spherePolygon(point, 3, {3, 3, 3}, 10, false, &hit), kNoContact);
  EXPECT_EQ(spherePolygon(line, 3, {1, 1, 1}, 10, false, &hit), kNoContact);
}

TEST(CollisionSegment, ThroughBesideAndOnTheEdge) {
  Vec3 hit{};
  // Straight through the middle, downwards like a ground probe.
  ASSERT_TRUE(segmentPolygon(kSquare, 4, {0.25f, 0.5f, 10}, {0.25f, 0.5f, -10}, &hit));
  expectNear(hit, {0.25f, 0.5f, 0});
  // Slanted: the point is where the segment meets the plane, not the foot of p0.
  ASSERT_TRUE(segmentPolygon(kSquare, 4, {0, 0, 1}, {1, 1, -1}, &hit));
  expectNear(hit, {0.5f, 0.5f, 0});
  // Beside the face.
  EXPECT_FALSE(segmentPolygon(kSquare, 4, {1.5f, 0.5f, 1}, {1.5f, 0.5f, -1}, &hit));
  EXPECT_FALSE(segmentPolygon(kSquare, 4, {-0.01f, 0.5f, 1}, {-0.01f, 0.5f, -1}, &hit));
  // On an edge and on a corner: the border belongs to the face.
  ASSERT_TRUE(segmentPolygon(kSquare, 4, {1, 0.3f, 1}, {1, 0.3f, -1}, &hit));
  expectNear(hit, {1, 0.3f, 0});
  ASSERT_TRUE(segmentPolygon(kSquare, 4, {0, 1, 1}, {0, 1, -1}, &hit));
  expectNear(hit, {0, 1, 0});
  // Through the diagonal of a triangle (its hypotenuse).
  ASSERT_TRUE(segmentPolygon(kWall, 3, {0, 2, 2}, {10, 2, 2}, &hit));
  expectNear(hit, {5, 2, 2});
  EXPECT_FALSE(segmentPolygon(kWall, 3, {0, 2.1f, 2.1f}, {10, 2.1f, 2.1f}, &hit));
}

TEST(CollisionSegment, EndsShortOrLiesInThePlane) {
  Vec3 hit{7, 7, 7};
  // Stops before the plane, or starts after it.
  EXPECT_FALSE(segmentPolygon(kSquare, 4, {0.5f, 0.5f, 2}, {0.5f, 0.5f, 0.1f}, &hit));
  EXPECT_FALSE(segmentPolygon(kSquare, 4, {0.5f, 0.5f, -0.1f}, {0.5f, 0.5f, -3}, &hit));
  // Lying in the plane across the face: no crossing.
  EXPECT_FALSE(segmentPolygon(kSquare, 4, {-1, 0.5f, 0}, {2, 0.5f, 0}, &hit));
  expectNear(hit, {7, 7, 7});  // untouched on a miss
  // An end exactly on the face is a hit at that end, from either side and either order.
  ASSERT_TRUE(segmentPolygon(kSquare, 4, {0.5f, 0.5f, 3}, {0.5f, 0.5f, 0}, &hit));
  expectNear(hit, {0.5f, 0.5f, 0});
  ASSERT_TRUE(segmentPolygon(kSquare, 4, {0.5f, 0.5f, 0}, {0.5f, 0.5f, -3}, &hit));
  // Non-finite ends never report a hit.
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_FALSE(segmentPolygon(kSquare, 4, {0.5f, 0.5f, inf}, {0.5f, 0.5f, -1}, &hit));
}

TEST(CollisionSegment, NonConvexPolygon) {
  // An L shape: the notch at (1.5, 1.5) is outside.
  const Vec3 ell[6] = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}};
  Vec3 hit{};
  EXPECT_TRUE(segmentPolygon(ell, 6, {0.5f, 1.5f, 1}, {0.5f, 1.5f, -1}, &hit));
  EXPECT_TRUE(segmentPolygon(ell, 6, {1.5f, 0.5f, 1}, {1.5f, 0.5f, -1}, &hit));
  EXPECT_FALSE(segmentPolygon(ell, 6, {1.5f, 1.5f, 1}, {1.5f, 1.5f, -1}, &hit));
}

TEST(CollisionSphere, InsideEdgeCornerAndMiss) {
  Vec3 c{};
  // Touching inside: contact is the centre projected on the plane, from either side.
  EXPECT_EQ(spherePolygon(kSquare, 4, {0.4f, 0.6f, 0.5f}, 0.5f, false, &c), kPlaneContact);
  expectNear(c, {0.4f, 0.6f, 0});
  EXPECT_EQ(spherePolygon(kSquare, 4, {0.4f, 0.6f, -0.3f}, 0.5f, false, &c), kPlaneContact);
  expectNear(c, {0.4f, 0.6f, 0});
  // Too far above the plane.
  EXPECT_EQ(spherePolygon(kSquare, 4, {0.4f, 0.6f, 0.51f}, 0.5f, false, &c), kNoContact);
  // Beside an edge, level with the face: contact on that edge.
  EXPECT_EQ(spherePolygon(kSquare, 4, {1.3f, 0.5f, 0}, 0.5f, false, &c), kBorderContact);
  expectNear(c, {1, 0.5f, 0});
  // Above and beside an edge: the nearest edge point, within the radius diagonally.
  EXPECT_EQ(spherePolygon(kSquare, 4, {1.3f, 0.5f, 0.3f}, 0.5f, false, &c), kBorderContact);
  expectNear(c, {1, 0.5f, 0});
  EXPECT_EQ(spherePolygon(kSquare, 4, {1.4f, 0.5f, 0.4f}, 0.5f, false, &c), kNoContact);
  // Off a corner.
  EXPECT_EQ(spherePolygon(kSquare, 4, {1.2f, 1.2f, 0.1f}, 0.5f, false, &c), kBorderContact);
  expectNear(c, {1, 1, 0});
  EXPECT_EQ(spherePolygon(kSquare, 4, {1.3f, 1.3f, 0.3f}, 0.5f, false, &c), kNoContact);
  // Far away.
  EXPECT_EQ(spherePolygon(kSquare, 4, {10, 10, 10}, 0.5f, false, &c), kNoContact);
}

TEST(CollisionSphere, FrontOnlyAndBadRadius) {
  Vec3 c{5, 5, 5};
  // A wall approached from behind is ignored in front-only mode.
  EXPECT_EQ(spherePolygon(kWall, 3, {4.8f, 1, 1}, 0.5f, true, &c), kNoContact);
  EXPECT_EQ(spherePolygon(kWall, 3, {5.2f, 1, 1}, 0.5f, true, &c), kPlaneContact);
  expectNear(c, {5, 1, 1});
  EXPECT_EQ(spherePolygon(kWall, 3, {4.8f, 1, 1}, 0.5f, false, &c), kPlaneContact);
  // A negative or NaN radius touches nothing; a zero radius only what it sits on.
  c = {5, 5, 5};
  EXPECT_EQ(spherePolygon(kSquare, 4, {0.5f, 0.5f, 0}, -1, false, &c), kNoContact);
  EXPECT_EQ(spherePolygon(kSquare, 4, {0.5f, 0.5f, 0}, std::nanf(""), false, &c), kNoContact);
  expectNear(c, {5, 5, 5});
  EXPECT_EQ(spherePolygon(kSquare, 4, {0.5f, 0.5f, 0}, 0, false, &c), kPlaneContact);
  EXPECT_EQ(spherePolygon(kSquare, 4, {0.5f, 0.5f, 0.001f}, 0, false, &c), kNoContact);
}

TEST(CollisionSphere, SlideStepPushesOutOfAWall) {
  // What a walking step does with the result: centre = contact + radius * n, after which the
  // sphere touches the wall only at its surface and a second pass leaves it in place.
  const float r = 20;
  Vec3 centre{5 + 12, 1, 1};  // 12 units in front of the wall, radius 20: overlapping
  Vec3 contact{};
  ASSERT_EQ(spherePolygon(kWall, 3, centre, r, false, &contact), kPlaneContact);
  Vec3 n;
  ASSERT_TRUE(polygonNormal(kWall, 3, &n));
  centre = contact + n * r;
  expectNear(centre, {25, 1, 1});
  ASSERT_EQ(spherePolygon(kWall, 3, centre, r, false, &contact), kPlaneContact);
  expectNear(contact + n * r, centre);
  // Off the wall's hypotenuse the push is along centre - contact.
  Vec3 beyond{5.5f, 2.6f, 2.6f};
  ASSERT_EQ(spherePolygon(kWall, 3, beyond, 1, false, &contact), kBorderContact);
  expectNear(contact, {5, 2, 2});
}

TEST(CollisionBounds, SegmentAndSphereAgainstBoundingSpheres) {
  const Vec3 c{10, 0, 0};
  EXPECT_TRUE(segmentMeetsSphere({0, 0, 0}, {20, 0, 0}, c, 1));   // through
  EXPECT_TRUE(segmentMeetsSphere({0, 1, 0}, {20, 1, 0}, c, 1));   // grazing
  EXPECT_FALSE(segmentMeetsSphere({0, 1.01f, 0}, {20, 1.01f, 0}, c, 1));
  EXPECT_FALSE(segmentMeetsSphere({0, 0, 0}, {8, 0, 0}, c, 1));   // stops short
  EXPECT_TRUE(segmentMeetsSphere({9.5f, 0, 0}, {9.6f, 0, 0}, c, 1));  // wholly inside
  EXPECT_TRUE(segmentMeetsSphere({10, 0, 0.5f}, {10, 0, 0.5f}, c, 1));  // zero length
  EXPECT_FALSE(segmentMeetsSphere({0, 0, 0}, {20, 0, 0}, c, -1));
  EXPECT_TRUE(spheresMeet({0, 0, 0}, 1, {3, 0, 0}, 2));
  EXPECT_FALSE(spheresMeet({0, 0, 0}, 1, {3.01f, 0, 0}, 2));
  EXPECT_FALSE(spheresMeet({0, 0, 0}, std::nanf(""), {0, 0, 0}, 2));
}

TEST(CollisionBounds, NearestOnSegment) {
  expectNear(nearestOnSegment({0, 0, 0}, {10, 0, 0}, {4, 3, 0}), {4, 0, 0});
  expectNear(nearestOnSegment({0, 0, 0}, {10, 0, 0}, {-4, 3, 0}), {0, 0, 0});
  expectNear(nearestOnSegment({0, 0, 0}, {10, 0, 0}, {14, 3, 0}), {10, 0, 0});
  expectNear(nearestOnSegment({2, 2, 2}, {2, 2, 2}, {4, 3, 0}), {2, 2, 2});
}

TEST(CollisionRandom, HitsLieOnThePlaneAndCentresAreAlwaysHit) {
  // Random triangles anywhere in a large room: a segment through the centroid always hits, at the
  // centroid; a sphere centred on the centroid always touches inside; random segments that hit
  // give points on both the segment and the plane.
  uint32_t seed = 12345;
  auto rnd = [&](float lo, float hi) {
    seed = seed * 1664525u + 1013904223u;
    return lo + (hi - lo) * float(seed >> 8) / float(1u << 24);
  };
  int hits = 0;
  for (int iter = 0; iter < 2000; ++iter) {
    Vec3 tri[3];
    for (Vec3& v : tri) v = {rnd(-1000, 1000), rnd(-1000, 1000), rnd(-1000, 1000)};
    Vec3 n;
    if (!polygonNormal(tri, 3, &n)) continue;
    const Vec3 centroid = (tri[0] + tri[1] + tri[2]) * (1.0f / 3.0f);
    Vec3 hit{};
    ASSERT_TRUE(segmentPolygon(tri, 3, centroid + n * 50.0f, centroid - n * 50.0f, &hit)) << iter;
    EXPECT_LT(std::sqrt(dot(hit - centroid, hit - centroid)), 0.05f) << iter;
    Vec3 contact{};
    ASSERT_EQ(spherePolygon(tri, 3, centroid + n * 5.0f, 6.0f, true, &contact), kPlaneContact) << iter;
    EXPECT_LT(std::sqrt(dot(contact - centroid, contact - centroid)), 0.05f) << iter;
    const Vec3 a{rnd(-1000, 1000), rnd(-1000, 1000), rnd(-1000, 1000)};
    const Vec3 b{rnd(-1000, 1000), rnd(-1000, 1000), rnd(-1000, 1000)};
    if (segmentPolygon(tri, 3, a, b, &hit)) {
      ++hits;
      EXPECT_LT(std::fabs(dot(hit - tri[0], n)), 0.05f) << iter;
      const Vec3 onSegment = nearestOnSegment(a, b, hit);
      EXPECT_LT(std::sqrt(dot(onSegment - hit, onSegment - hit)), 0.05f) << iter;
    }
  }
  EXPECT_GT(hits, 20);  // the random segments did meet some triangles
}
