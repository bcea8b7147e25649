// Object geometry: bounding box, bounding sphere and vertex normals.
#include "kelmat/SceneWalk.h"

#include <cmath>
#include <new>
#include <vector>

namespace {

// The vertices an object owns: its own array, or its range of the shared
// pool when it is welded.
KelmatVector* OwnVertices(KelmatObject* object) {
  if (object->vertices == nullptr || object->vertexCount <= 0) return nullptr;
  return object->vertices + (object->welded != 0 ? object->firstVertex : 0);
}

void MinMax(KelmatObject* object, KelmatVector& lo, KelmatVector& hi) {
  const KelmatVector* v = OwnVertices(object);
  lo = hi = v[0];
  for (int32_t i = 1; i < object->vertexCount; ++i) {
    lo.x = std::fmin(lo.x, v[i].x);
    lo.y = std::fmin(lo.y, v[i].y);
    lo.z = std::fmin(lo.z, v[i].z);
    hi.x = std::fmax(hi.x, v[i].x);
    hi.y = std::fmax(hi.y, v[i].y);
    hi.z = std::fmax(hi.z, v[i].z);
  }
}

}  // namespace

extern "C" {

KELMAT_API void Kelmat_Object_Calculate_Bounding_Box(KelmatObject* object) {
  if (object == nullptr || OwnVertices(object) == nullptr) return;
  MinMax(object, object->boxMin, object->boxMax);
}

KELMAT_API void Kelmat_Object_Calculate_Bounding_Sphere(KelmatObject* object) {
  if (object == nullptr || OwnVertices(object) == nullptr) return;
  KelmatVector lo, hi;
  MinMax(object, lo, hi);
  const KelmatVector centre = {(lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f};
  const KelmatVector* v = OwnVertices(object);
  float radius = 0.0f;
  for (int32_t i = 0; i < object->vertexCount; ++i) {
    const float dx = v[i].x - centre.x, dy = v[i].y - centre.y, dz = v[i].z - centre.z;
    radius = std::fmax(radius, std::sqrt(dx * dx + dy * dy + dz * dz));
  }
  object->sphereCenter = centre;
  object->sphereRadius = radius;
}

KELMAT_API int Kelmat_Object_Calculate_Vertex_Normal(KelmatObject* object) {
  if (object == nullptr) return 1;
  if (object->normals == nullptr || object->vertexCount <= 0) return 1;
  // The object's own range: all its vertices, or its entries of the pool.
  const int32_t first = object->welded != 0 ? object->firstVertex : 0;
  const int32_t count = object->vertexCount;
  std::vector<int32_t> uses;
  try {
    uses.assign(static_cast<std::size_t>(count), 0);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  KelmatVector* normals = object->normals + first;
  for (int32_t i = 0; i < count; ++i) normals[i] = {0.0f, 0.0f, 0.0f};
  for (int32_t f = 0; f < object->faceCount && object->faces != nullptr; ++f) {
    const KelmatFace& face = object->faces[f];
    for (int32_t k = 0; k < face.vertexCount && face.indices != nullptr; ++k) {
      const int32_t i = face.indices[k] - first;
      if (i < 0 || i >= count) continue;  // a corner outside the object's own vertices
      normals[i].x += face.normal.x;
      normals[i].y += face.normal.y;
      normals[i].z += face.normal.z;
      ++uses[i];
    }
  }
  for (int32_t i = 0; i < count; ++i) {
    if (uses[i] == 0) continue;  // stays (0, 0, 0)
    const float n = static_cast<float>(uses[i]);
    normals[i] = {normals[i].x / n, normals[i].y / n, normals[i].z / n};
    Kelmat_Vector_Normalize(&normals[i]);
  }
  return 1;
}

}  // extern "C"
