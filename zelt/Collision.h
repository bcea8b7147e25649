// Collision geometry of the kernel: segments and spheres against face polygons and bounding
// spheres. Pure functions on world-space points; the exports gather an object's face in world
// space and call these.
#ifndef ZELT_COLLISION_H
#define ZELT_COLLISION_H

namespace zelt::collision {

struct Vec3 {
  float x, y, z;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Faces have at most this many corners; longer polygons are refused (no hit, no contact).
constexpr int kMaxPolygon = 64;

// Unit normal of a polygon (Newell's method, so bent or non-convex polygons get their mean
// plane). Its direction follows the corner order: counter-clockwise seen from the front.
// False, with out untouched, when the polygon has no area (fewer than 3 corners, collinear or
// repeated corners, non-finite values).
bool polygonNormal(const Vec3* corners, int count, Vec3* out);

// True when the point, taken on the polygon's plane, lies inside the polygon or on its border.
bool pointInPolygon(const Vec3* corners, int count, Vec3 normal, Vec3 point);

// Segment p0-p1 against a polygon: true when the segment crosses or touches the polygon (its
// border included), with the crossing point in *hit (may be null). A segment lying in the
// polygon's plane does not cross it.
bool segmentPolygon(const Vec3* corners, int count, Vec3 p0, Vec3 p1, Vec3* hit);

// Sphere against a polygon, from either side unless frontOnly (then a centre behind the plane
// never touches):
//   0  no contact;
//   2  the centre projects inside the polygon within the radius of the plane; *contact = that
//      projection;
//   1  the sphere reaches an edge or a corner; *contact = the nearest point of the border.
enum SphereContact { kNoContact = 0, kBorderContact = 1, kPlaneContact = 2 };
int spherePolygon(const Vec3* corners, int count, Vec3 centre, float radius, bool frontOnly,
                  Vec3* contact);

// Nearest point to p on the segment a-b.
Vec3 nearestOnSegment(Vec3 a, Vec3 b, Vec3 p);

// True when the segment p0-p1 comes within radius of the centre.
bool segmentMeetsSphere(Vec3 p0, Vec3 p1, Vec3 centre, float radius);

// True when the two spheres overlap or touch.
bool spheresMeet(Vec3 c0, float r0, Vec3 c1, float r1);

}  // namespace zelt::collision

#endif
