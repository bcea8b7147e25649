// Collision calls: segments and spheres against objects' world bounds and against their faces in
// world space (pooled vertices through their owners), and face normals.
//
// These tests are purely geometric: hidden objects still collide (collision-only objects are
// loaded hidden), and the collision-off and line-test flags are for the caller to honour.
#include <cmath>
#include <exception>

#include "zelt/Collision.h"
#include "zelt/Kernel.h"

using namespace zelt;
using collision::Vec3;

namespace {

Vec3 toVec(const ZeltVector& v) { return {v.x, v.y, v.z}; }
Vec3 toVec(const float* p) { return {p[0], p[1], p[2]}; }
void store(Vec3 v, float* out) {
  out[0] = v.x;
  out[1] = v.y;
  out[2] = v.z;
}

// World-space corners of one face; 0 (with the last error) for a bad object or face index.
int gather(ZeltObject* object, int face, Vec3 (&corners)[collision::kMaxPolygon]) {
  if (!object || face < 0 || face >= object->faceCount) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  ZeltVector world[collision::kMaxPolygon];
  int n = facePolygon(K(object), face, world, collision::kMaxPolygon);
  // A mirroring matrix reverses the turn of the corners: read them backwards so that the
  // polygon still faces where the face does.
  const float* m = globalMatrix(K(object));
  const float det = m[0] * (m[5] * m[10] - m[6] * m[9]) - m[1] * (m[4] * m[10] - m[6] * m[8]) +
                    m[2] * (m[4] * m[9] - m[5] * m[8]);
  for (int i = 0; i < n; ++i) corners[det < 0 ? n - 1 - i : i] = toVec(world[i]);
  return n;
}

}  // namespace

extern "C" ZELT_API int Zelt_Object_Check_Line_Collision(ZeltObject* object, const float p0[3],
                                                         const float p1[3]) {
  if (!object || !p0 || !p1) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  try {
    ZeltVector centre{};
    float radius = 0;
    worldSphere(K(object), &centre, &radius);
    return collision::segmentMeetsSphere(toVec(p0), toVec(p1), toVec(centre), radius) ? 1 : 0;
  } catch (const std::exception&) {
    setError(ZELT_ERR_MEMORY);
    return 0;
  }
}

extern "C" ZELT_API int Zelt_Line_Face_Collision(ZeltObject* object, int face, const float p0[3],
                                                 const float p1[3], float hit[3]) {
  if (!p0 || !p1) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  try {
    Vec3 corners[collision::kMaxPolygon];
    const int n = gather(object, face, corners);
    Vec3 point{};
    if (!collision::segmentPolygon(corners, n, toVec(p0), toVec(p1), &point)) return 0;
    if (hit) store(point, hit);
    return 1;
  } catch (const std::exception&) {
    setError(ZELT_ERR_MEMORY);
    return 0;
  }
}

extern "C" ZELT_API int Zelt_Object_Check_Sphere_Collision(ZeltObject* object, ZeltSphere* sphere) {
  if (!object || !sphere) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  try {
    ZeltVector centre{};
    float radius = 0;
    worldSphere(K(object), &centre, &radius);
    return collision::spheresMeet(toVec(sphere->position), sphere->radius, toVec(centre), radius) ? 1 : 0;
  } catch (const std::exception&) {
    setError(ZELT_ERR_MEMORY);
    return 0;
  }
}

// mode 0 tests both sides of the face. Any other mode (the walker passes 2) ignores a face
// whose plane the centre lies behind: the collision normal of such a face points away from
// the sphere, and pushing the sphere along it would carry it through the wall.
extern "C" ZELT_API int Zelt_Sphere_Face_Collision(ZeltSphere* sphere, ZeltObject* object, int face,
                                                   float contact[3], int mode) {
  if (!sphere) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  try {
    Vec3 corners[collision::kMaxPolygon];
    const int n = gather(object, face, corners);
    Vec3 point{};
    const int result = collision::spherePolygon(corners, n, toVec(sphere->position), sphere->radius,
                                                mode != 0, &point);
    if (result != collision::kNoContact && contact) store(point, contact);
    return result;
  } catch (const std::exception&) {
    setError(ZELT_ERR_MEMORY);
    return 0;
  }
}

// Unit normal of the face's world polygon, facing where its corners turn counter-clockwise.
// A face without area falls back to its stored normal taken to world space; without either
// the normal is (0, 0, 0) and the last error says "Bad argument".
extern "C" ZELT_API void Zelt_Face_Get_Collision_Normal(ZeltObject* object, int face, float normal[3]) {
  if (!normal) {
    setError(ZELT_ERR_ARGUMENT);
    return;
  }
  store({0, 0, 0}, normal);
  try {
    Vec3 corners[collision::kMaxPolygon];
    const int n = gather(object, face, corners);
    if (n == 0) return;
    Vec3 unit{};
    if (collision::polygonNormal(corners, n, &unit)) {
      store(unit, normal);
      return;
    }
    const KFace* f = K(object->faces[face]);
    Vec3 stored = toVec(transformVector(f->objectNormal, globalMatrix(K(object))));
    const float len2 = collision::dot(stored, stored);
    if (len2 > 0.0f && std::isfinite(len2)) {
      store(stored * (1.0f / std::sqrt(len2)), normal);
      return;
    }
    setError(ZELT_ERR_ARGUMENT);
  } catch (const std::exception&) {
    setError(ZELT_ERR_MEMORY);
  }
}
