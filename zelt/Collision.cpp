// Collision geometry: segments and spheres against face polygons and bounding spheres.
#include "zelt/Collision.h"

#include <algorithm>
#include <cmath>

namespace zelt::collision {

namespace {

bool finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Border tolerance: a small fraction of the polygon's extent, so that a point computed on an
// edge of a large face still counts as on it.
float borderTolerance(const Vec3* corners, int count) {
  float lo[3] = {corners[0].x, corners[0].y, corners[0].z};
  float hi[3] = {lo[0], lo[1], lo[2]};
  for (int i = 1; i < count; ++i) {
    const float c[3] = {corners[i].x, corners[i].y, corners[i].z};
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], c[k]);
      hi[k] = std::max(hi[k], c[k]);
    }
  }
  float extent = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
  return extent * 1e-5f;
}

float distanceSquared(Vec3 a, Vec3 b) {
  Vec3 d = a - b;
  return dot(d, d);
}

bool usable(const Vec3* corners, int count) {
  return corners && count >= 3 && count <= kMaxPolygon;
}

}  // namespace

bool polygonNormal(const Vec3* corners, int count, Vec3* out) {
  if (!usable(corners, count)) return false;
  // Newell's method, around the first corner to keep the sums small.
  Vec3 n{0.0f, 0.0f, 0.0f};
  const Vec3 o = corners[0];
  for (int i = 0; i < count; ++i) {
    if (!finite(corners[i])) return false;
    Vec3 a = corners[i] - o;
    Vec3 b = corners[i + 1 == count ? 0 : i + 1] - o;
    n = n + cross(a, b);
  }
  double len = std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z);
  // Area relative to the extent: a sliver thinner than the float resolution has no plane.
  float extent = borderTolerance(corners, count) * 1e5f;
  if (!(len > 0.0) || !std::isfinite(len) || len <= double(extent) * extent * 1e-6) return false;
  *out = {float(n.x / len), float(n.y / len), float(n.z / len)};
  return true;
}

Vec3 nearestOnSegment(Vec3 a, Vec3 b, Vec3 p) {
  Vec3 ab = b - a;
  float len2 = dot(ab, ab);
  if (!(len2 > 0.0f)) return a;
  float t = dot(p - a, ab) / len2;
  t = std::clamp(t, 0.0f, 1.0f);
  return a + ab * t;
}

bool pointInPolygon(const Vec3* corners, int count, Vec3 normal, Vec3 point) {
  if (!usable(corners, count)) return false;
  // On the border (within the tolerance) counts as inside.
  const float tol = borderTolerance(corners, count);
  for (int i = 0; i < count; ++i) {
    Vec3 a = corners[i], b = corners[i + 1 == count ? 0 : i + 1];
    if (distanceSquared(nearestOnSegment(a, b, point), point) <= tol * tol) return true;
  }
  // Crossing count in the plane of the two axes the normal leans on least.
  float ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
  auto u = [&](Vec3 v) { return ax >= ay && ax >= az ? v.y : v.x; };
  auto w = [&](Vec3 v) { return az >= ax && az >= ay ? v.y : v.z; };
  const float pu = u(point), pw = w(point);
  bool inside = false;
  for (int i = 0, j = count - 1; i < count; j = i++) {
    float ui = u(corners[i]), wi = w(corners[i]);
    float uj = u(corners[j]), wj = w(corners[j]);
    if ((wi > pw) != (wj > pw)) {
      float cu = ui + (pw - wi) * (uj - ui) / (wj - wi);
      if (pu < cu) inside = !inside;
    }
  }
  return inside;
}

bool segmentPolygon(const Vec3* corners, int count, Vec3 p0, Vec3 p1, Vec3* hit) {
  Vec3 n;
  if (!polygonNormal(corners, count, &n)) return false;
  if (!finite(p0) || !finite(p1)) return false;
  const float d0 = dot(p0 - corners[0], n);
  const float d1 = dot(p1 - corners[0], n);
  if ((d0 > 0.0f && d1 > 0.0f) || (d0 < 0.0f && d1 < 0.0f)) return false;
  if (d0 == d1) return false;  // in the plane (both zero): no crossing
  const float t = d0 / (d0 - d1);
  const Vec3 point = p0 + (p1 - p0) * t;
  if (!pointInPolygon(corners, count, n, point)) return false;
  if (hit) *hit = point;
  return true;
}

int spherePolygon(const Vec3* corners, int count, Vec3 centre, float radius, bool frontOnly,
                  Vec3* contact) {
  Vec3 n;
  if (!(radius >= 0.0f) || !finite(centre)) return kNoContact;
  if (!polygonNormal(corners, count, &n)) return kNoContact;
  const float d = dot(centre - corners[0], n);
  if (frontOnly && d < 0.0f) return kNoContact;
  if (std::fabs(d) > radius) return kNoContact;
  const Vec3 onPlane = centre - n * d;
  if (pointInPolygon(corners, count, n, onPlane)) {
    if (contact) *contact = onPlane;
    return kPlaneContact;
  }
  float best = INFINITY;
  Vec3 nearest{};
  for (int i = 0; i < count; ++i) {
    Vec3 p = nearestOnSegment(corners[i], corners[i + 1 == count ? 0 : i + 1], centre);
    float d2 = distanceSquared(p, centre);
    if (d2 < best) {
      best = d2;
      nearest = p;
    }
  }
  if (!(best <= radius * radius)) return kNoContact;
  if (contact) *contact = nearest;
  return kBorderContact;
}

bool segmentMeetsSphere(Vec3 p0, Vec3 p1, Vec3 centre, float radius) {
  if (!(radius >= 0.0f)) return false;
  return distanceSquared(nearestOnSegment(p0, p1, centre), centre) <= radius * radius;
}

bool spheresMeet(Vec3 c0, float r0, Vec3 c1, float r1) {
  if (!(r0 >= 0.0f) || !(r1 >= 0.0f)) return false;
  float r = r0 + r1;
  return distanceSquared(c0, c1) <= r * r;
}

}  // namespace zelt::collision
