// Matrices on plain floats, global matrices of the object forest and world-space geometry.
#include <cmath>

#include "zelt/Kernel.h"

namespace zelt {

void matIdentity(float* m) {
  for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void matMultiply(float* out, const float* a, const float* b) {
  float r[16];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r[4 * i + j] = a[4 * i] * b[j] + a[4 * i + 1] * b[4 + j] + a[4 * i + 2] * b[8 + j] + a[4 * i + 3] * b[12 + j];
  for (int i = 0; i < 16; ++i) out[i] = r[i];
}

void matInverse(float* out, const float* m) {
  // Affine: invert the upper 3 x 3, then the translation.
  const float a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], i = m[10];
  const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
  const float det = a * A + b * B + c * C;
  float r[16];
  if (std::fabs(det) < 1e-30f) {
    matIdentity(out);
    return;
  }
  const float s = 1.0f / det;
  r[0] = A * s;
  r[1] = -(b * i - c * h) * s;
  r[2] = (b * f - c * e) * s;
  r[4] = B * s;
  r[5] = (a * i - c * g) * s;
  r[6] = -(a * f - c * d) * s;
  r[8] = C * s;
  r[9] = -(a * h - b * g) * s;
  r[10] = (a * e - b * d) * s;
  r[3] = r[7] = r[11] = 0;
  r[15] = 1;
  for (int k = 0; k < 3; ++k) r[12 + k] = -(m[12] * r[k] + m[13] * r[4 + k] + m[14] * r[8 + k]);
  for (int k = 0; k < 16; ++k) out[k] = r[k];
}

ZeltVector transformPoint(const ZeltVector& v, const float* m) {
  return {v.x * m[0] + v.y * m[4] + v.z * m[8] + m[12], v.x * m[1] + v.y * m[5] + v.z * m[9] + m[13],
          v.x * m[2] + v.y * m[6] + v.z * m[10] + m[14]};
}

ZeltVector transformVector(const ZeltVector& v, const float* m) {
  return {v.x * m[0] + v.y * m[4] + v.z * m[8], v.x * m[1] + v.y * m[5] + v.z * m[9],
          v.x * m[2] + v.y * m[6] + v.z * m[10]};
}

const float* globalMatrix(KObject* o) {
  if (!o->globalDirty) return o->global;
  // Climb to the highest dirty ancestor so each matrix is composed once.
  KObject* chain[256];
  int n = 0;
  for (KObject* p = o; p && p->globalDirty && n < 256; p = K(p->parent)) chain[n++] = p;
  while (n-- > 0) {
    KObject* c = chain[n];
    if (c->parent)
      matMultiply(c->global, c->local, globalMatrix(K(c->parent)));
    else
      for (int i = 0; i < 16; ++i) c->global[i] = c->local[i];
    c->globalDirty = false;
  }
  return o->global;
}

void invalidateGlobal(KObject* o) {
  o->globalDirty = true;
  // Depth-first over the subtree without recursion.
  KObject* c = K(o->firstChild);
  while (c) {
    c->globalDirty = true;
    if (c->firstChild) {
      c = K(c->firstChild);
      continue;
    }
    while (c && c != o && !c->nextSibling) c = K(c->parent);
    if (!c || c == o) break;
    c = K(c->nextSibling);
  }
}

ZeltVector worldVertex(KObject* o, int index) {
  KObject* holder = o->group ? o->group : o;
  if (index < 0 || static_cast<size_t>(index) >= holder->vertices.size()) return {0, 0, 0};
  const ZeltVector4& v = holder->vertices[static_cast<size_t>(index)];
  KObject* owner = o->group ? holder->poolOwner[static_cast<size_t>(index)] : o;
  return transformPoint({v.x, v.y, v.z}, globalMatrix(owner));
}

int facePolygon(KObject* o, int face, ZeltVector* out, int max) {
  if (!o || face < 0 || face >= o->faceCount) return 0;
  const ZeltFace* f = o->faces[face];
  int n = f->vertexCount < max ? f->vertexCount : max;
  for (int i = 0; i < n; ++i) out[i] = worldVertex(o, f->vertexIndices[i]);
  return n;
}

void worldSphere(KObject* o, ZeltVector* centre, float* radius) {
  const float* m = globalMatrix(o);
  *centre = transformPoint(o->sphereCentre, m);
  float s = 0;
  for (int r = 0; r < 3; ++r) {
    float l = std::sqrt(m[4 * r] * m[4 * r] + m[4 * r + 1] * m[4 * r + 1] + m[4 * r + 2] * m[4 * r + 2]);
    if (l > s) s = l;
  }
  *radius = o->sphereRadius * s;
}

KObject* nextInForest(KObject* o) {
  if (o->firstChild) return K(o->firstChild);
  for (KObject* p = o; p; p = K(p->parent)) {
    if (p->nextSibling) return K(p->nextSibling);
    if (!p->parent) return K(p->nextRoot);
  }
  return nullptr;
}

}  // namespace zelt
