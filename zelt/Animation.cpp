// Keyframe animation: Kochanek-Bartels splines for position and scale, slerped rotation, hide
// and morph tracks, and the local matrix composed from pivot, scale, rotation and position.
#include <cmath>
#include <cstring>

#include "zelt/Animation.h"
#include "zelt/Guard.h"
#include "zelt/Kernel.h"
#include "zelt/Loaders.h"

namespace zelt {

void composeLocal(KObject* o) {
  // T(-pivot) x S(scale) x R x T(position + parent pivot), row vectors.
  const float s[3] = {o->scale.x, o->scale.y, o->scale.z};
  float* m = o->local;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) m[4 * r + c] = s[r] * o->rotation[4 * r + c];
    m[4 * r + 3] = 0;
  }
  ZeltVector q = o->position;
  if (o->parent) {
    const KObject* p = K(o->parent);
    q.x += p->pivot.x;
    q.y += p->pivot.y;
    q.z += p->pivot.z;
  }
  const ZeltVector np{-o->pivot.x, -o->pivot.y, -o->pivot.z};
  m[12] = np.x * m[0] + np.y * m[4] + np.z * m[8] + q.x;
  m[13] = np.x * m[1] + np.y * m[5] + np.z * m[9] + q.y;
  m[14] = np.x * m[2] + np.y * m[6] + np.z * m[10] + q.z;
  m[15] = 1;
  invalidateGlobal(o);
}

float easeParameter(float t, float easeFrom, float easeTo) {
  float a = easeFrom, b = easeTo;
  if (a < 0) a = 0;
  if (b < 0) b = 0;
  float sum = a + b;
  if (sum <= 0) return t;
  if (sum > 1) {
    a /= sum;
    b /= sum;
  }
  const float k = 1.0f / (2.0f - a - b);
  if (t < a) return k / a * t * t;
  if (t < 1.0f - b) return k * (2.0f * t - a);
  const float u = 1.0f - t;
  return 1.0f - k / b * u * u;
}

// Segment of frame f: keys c and d = c + 1 with frames[c] <= f < frames[d]; t in [0, 1).
// Before the first key c = d = 0, after the last c = d = n - 1 (t = 0).
static void findSegment(const KVec<int>& frames, float f, int* c, int* d, float* t) {
  const int n = static_cast<int>(frames.size());
  if (f <= static_cast<float>(frames[0])) {
    *c = *d = 0;
    *t = 0;
    return;
  }
  if (f >= static_cast<float>(frames[static_cast<size_t>(n - 1)])) {
    *c = *d = n - 1;
    *t = 0;
    return;
  }
  int lo = 0, hi = n - 1;  // frames[lo] <= f < frames[hi]
  while (hi - lo > 1) {
    int mid = (lo + hi) / 2;
    if (static_cast<float>(frames[static_cast<size_t>(mid)]) <= f)
      lo = mid;
    else
      hi = mid;
  }
  *c = lo;
  *d = hi;
  const float span = static_cast<float>(frames[static_cast<size_t>(hi)] - frames[static_cast<size_t>(lo)]);
  *t = span > 0 ? (f - static_cast<float>(frames[static_cast<size_t>(lo)])) / span : 0;
}

void evaluateSpline(const KTrack& track, float f, float out[3]) {
  const int n = track.keyCount();
  const float* v = track.values.data();
  int c, d;
  float t;
  findSegment(track.frames, f, &c, &d, &t);
  if (c == d) {
    for (int k = 0; k < 3; ++k) out[k] = v[3 * c + k];
    return;
  }
  const float* pc = track.params.data() + 5 * c;
  const float* pd = track.params.data() + 5 * d;
  t = easeParameter(t, pc[4], pd[3]);
  const auto frame = [&](int i) { return static_cast<float>(track.frames[static_cast<size_t>(i)]); };
  for (int k = 0; k < 3; ++k) {
    const float P1 = v[3 * c + k], P2 = v[3 * d + k];
    const float chord = P2 - P1;
    // Outgoing tangent at c.
    float inC = c > 0 ? P1 - v[3 * (c - 1) + k] : chord;
    float Tc = pc[0], Cc = pc[1], Bc = pc[2];
    float out1 = (1 - Tc) * (1 + Cc) * (1 + Bc) * 0.5f * inC + (1 - Tc) * (1 - Cc) * (1 - Bc) * 0.5f * chord;
    if (c > 0) out1 *= 2.0f * (frame(d) - frame(c)) / (frame(d) - frame(c - 1));
    // Incoming tangent at d.
    float outD = d + 1 < n ? v[3 * (d + 1) + k] - P2 : chord;
    float Td = pd[0], Cd = pd[1], Bd = pd[2];
    float in2 = (1 - Td) * (1 - Cd) * (1 + Bd) * 0.5f * chord + (1 - Td) * (1 + Cd) * (1 - Bd) * 0.5f * outD;
    if (d + 1 < n) in2 *= 2.0f * (frame(d) - frame(c)) / (frame(d + 1) - frame(c));
    const float t2 = t * t, t3 = t2 * t;
    const float h1 = 2 * t3 - 3 * t2 + 1, h2 = -2 * t3 + 3 * t2, h3 = t3 - 2 * t2 + t, h4 = t3 - t2;
    out[k] = h1 * P1 + h2 * P2 + h3 * out1 + h4 * in2;
  }
}

void quaternionToMatrix(float* M, const ZeltQuaternion& q) {
  const float n = q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z;
  const float s = n > 0 ? 2.0f / n : 0.0f;
  const float xs = q.x * s, ys = q.y * s, zs = q.z * s;
  const float wx = q.w * xs, wy = q.w * ys, wz = q.w * zs;
  const float xx = q.x * xs, xy = q.x * ys, xz = q.x * zs;
  const float yy = q.y * ys, yz = q.y * zs, zz = q.z * zs;
  M[0] = 1.0f - (yy + zz);
  M[1] = xy - wz;
  M[2] = xz + wy;
  M[4] = xy + wz;
  M[5] = 1.0f - (xx + zz);
  M[6] = yz - wx;
  M[8] = xz - wy;
  M[9] = yz + wx;
  M[10] = 1.0f - (xx + yy);
  M[3] = M[7] = M[11] = M[12] = M[13] = M[14] = 0.0f;
  M[15] = 1.0f;
}

ZeltQuaternion slerp(const ZeltQuaternion& a, const ZeltQuaternion& b, float t) {
  float c = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
  float k0 = 1 - t, k1 = t;
  if (std::fabs(c) < 0.9999f) {
    const float omega = std::acos(c < -1 ? -1 : (c > 1 ? 1 : c));
    const float so = std::sin(omega);
    k0 = std::sin((1 - t) * omega) / so;
    k1 = std::sin(t * omega) / so;
  }
  ZeltQuaternion q{k0 * a.w + k1 * b.w, k0 * a.x + k1 * b.x, k0 * a.y + k1 * b.y, k0 * a.z + k1 * b.z};
  return q;
}

void evaluateRotation(const KTrack& track, float f, float M[16]) {
  int c, d;
  float t;
  findSegment(track.frames, f, &c, &d, &t);
  const float* v = track.values.data();
  ZeltQuaternion a{v[4 * c], v[4 * c + 1], v[4 * c + 2], v[4 * c + 3]};
  if (c == d) {
    quaternionToMatrix(M, a);
    return;
  }
  const float* pc = track.params.data() + 5 * c;
  const float* pd = track.params.data() + 5 * d;
  t = easeParameter(t, pc[4], pd[3]);
  ZeltQuaternion b{v[4 * d], v[4 * d + 1], v[4 * d + 2], v[4 * d + 3]};
  quaternionToMatrix(M, slerp(a, b, t));
}

int evaluateHide(const KTrack& track, float f) {
  // The state of the last key at or before f; before the first key, shown.
  int state = 0;
  for (int k = 0; k < track.keyCount(); ++k) {
    if (static_cast<float>(track.frames[static_cast<size_t>(k)]) > f) break;
    state = track.states[static_cast<size_t>(k)] ? 1 : 0;
  }
  return state;
}

static void applyMorph(KObject* o, const KTrack& m, float f) {
  if (m.keyCount() == 0 || m.morphVertexCount <= 0) return;
  KObject* holder = o->group ? o->group : o;
  int count = m.morphVertexCount < o->vertexCount ? m.morphVertexCount : o->vertexCount;
  if (!o->group) count = count < static_cast<int>(o->vertices.size()) ? count : static_cast<int>(o->vertices.size());
  int c, d;
  float t;
  findSegment(m.frames, f, &c, &d, &t);
  if (c != d) t = easeParameter(t, m.params[5 * static_cast<size_t>(c) + 4], m.params[5 * static_cast<size_t>(d) + 3]);
  const size_t per = static_cast<size_t>(m.morphVertexCount) * 3;
  const float* vc = m.morphVertices.data() + per * static_cast<size_t>(c);
  const float* vd = m.morphVertices.data() + per * static_cast<size_t>(d);
  const float* nc = m.morphNormals.data() + per * static_cast<size_t>(c);
  const float* nd = m.morphNormals.data() + per * static_cast<size_t>(d);
  for (int i = 0; i < count; ++i) {
    ZeltVector4& v = holder->vertices[static_cast<size_t>(o->firstVertex + i)];
    ZeltVector4& nrm = holder->normals[static_cast<size_t>(o->firstVertex + i)];
    v.x = vc[3 * i] + t * (vd[3 * i] - vc[3 * i]);
    v.y = vc[3 * i + 1] + t * (vd[3 * i + 1] - vc[3 * i + 1]);
    v.z = vc[3 * i + 2] + t * (vd[3 * i + 2] - vc[3 * i + 2]);
    float nx = nc[3 * i] + t * (nd[3 * i] - nc[3 * i]);
    float ny = nc[3 * i + 1] + t * (nd[3 * i + 1] - nc[3 * i + 1]);
    float nz = nc[3 * i + 2] + t * (nd[3 * i + 2] - nc[3 * i + 2]);
    float l = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (l > 1e-12f) {
      nx /= l;
      ny /= l;
      nz /= l;
    }
    nrm.x = nx;
    nrm.y = ny;
    nrm.z = nz;
  }
  const float* bc = m.morphBounds.data() + 10 * static_cast<size_t>(c);
  const float* bd = m.morphBounds.data() + 10 * static_cast<size_t>(d);
  float b[10];
  for (int k = 0; k < 10; ++k) b[k] = bc[k] + t * (bd[k] - bc[k]);
  o->sphereCentre = {b[0], b[1], b[2]};
  o->sphereRadius = b[3];
  o->boxMin = {b[4], b[5], b[6]};
  o->boxMax = {b[7], b[8], b[9]};
}

void animateObject(KObject* o, const KAnimation* a, float f) {
  if (a->position.keyCount() > 0) {
    float p[3];
    evaluateSpline(a->position, f, p);
    o->position = {p[0], p[1], p[2]};
  }
  if (a->scaleTrack.keyCount() > 0) {
    float s[3];
    evaluateSpline(a->scaleTrack, f, s);
    o->scale = {s[0], s[1], s[2]};
  } else {
    o->scale = {1, 1, 1};
  }
  if (a->rotation.keyCount() > 0)
    evaluateRotation(a->rotation, f, o->rotation);
  else
    matIdentity(o->rotation);
  applyMorph(o, a->morph, f);
  if (a->hide.keyCount() > 0) o->hidden = evaluateHide(a->hide, f);
}

}  // namespace zelt

using namespace zelt;

extern "C" {

ZELT_API int Zelt_Object_Animate_Spline(ZeltObject* object, ZeltAnimation* animation, float frame, int mode,
                                        int withChildren) {
  (void)mode;
  if (!object || !animation || std::isnan(frame)) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  KAnimation* top = K(animation);
  float lo = static_cast<float>(top->firstFrame), hi = static_cast<float>(top->lastFrame);
  if (hi < lo) hi = lo;
  float f = frame < lo ? lo : (frame > hi ? hi : frame);
  KObject* root = K(object);
  animateObject(root, top, f);
  if (withChildren) {
    // Pairs (object, animation) from the first children, then first children and siblings.
    struct Pair {
      KObject* o;
      KAnimation* a;
    };
    Pair stack[512];
    int n = 0;
    if (root->firstChild && top->firstChild) stack[n++] = {K(root->firstChild), K(top->firstChild)};
    while (n > 0) {
      Pair p = stack[--n];
      animateObject(p.o, p.a, f);
      if (p.o->nextSibling && p.a->nextSibling && n < 512) stack[n++] = {K(p.o->nextSibling), K(p.a->nextSibling)};
      if (p.o->firstChild && p.a->firstChild && n < 512) stack[n++] = {K(p.o->firstChild), K(p.a->firstChild)};
    }
  }
  // Parents first: a child's local matrix uses its parent's pivot.
  composeLocal(root);
  if (withChildren)
    for (KObject* o = K(root->firstChild); o && o != root;) {
      composeLocal(o);
      if (o->firstChild) {
        o = K(o->firstChild);
        continue;
      }
      while (o != root && !o->nextSibling) o = K(o->parent);
      if (o == root) break;
      o = K(o->nextSibling);
    }
  return 1;
}

}  // extern "C"
