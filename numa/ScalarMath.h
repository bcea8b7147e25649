// Scalar single-precision vector, matrix and quaternion operations.
//
// One implementation of the reference behaviour, shared by the scalar math builds, by the
// scalar parts of the SSE build and by the SDK's copies. Vectors are any record with float
// members x, y, z; quaternions any record with w, x, y, z; matrices sixteen floats, row-major,
// applied to row vectors. Where the users differ (length thresholds, the acos used, the
// precision of pi/2 in the slerp) the difference is a parameter, so each caller states it.
//
// Every operation reads its inputs before writing its output, so out may alias an input.
// Compile users with -ffp-contract=off: the builds must agree bit for bit.
#pragma once

#include <cmath>

namespace numa {

// Length below which the kernel builds' normalise gives the zero vector.
inline constexpr float kNormaliseThreshold = 0.0001f;
// The slerp's bounds for "nearly the same" and "nearly opposite" quaternions.
inline constexpr float kSlerpEpsilon = 0.00001f;
// pi/2 rounded to single precision.
inline constexpr float kHalfPiFloat = 1.57079632679489661923f;

// Keeps an argument of acos inside [-1, 1]: a unit vector or quaternion off by one rounding
// step must give the end angle, not NaN. NaN stays NaN.
inline float clampUnit(float x) {
  if (x > 1.0f) return 1.0f;
  if (x < -1.0f) return -1.0f;
  return x;
}

struct LibmAcos {
  float operator()(float x) const { return std::acos(clampUnit(x)); }
};

// ---- vectors ---------------------------------------------------------------------------

template <class V>
inline float dot(const V& a, const V& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Scales v to length 1; a vector shorter than threshold becomes (0, 0, 0).
template <class V>
inline void normalise(V& v, float threshold) {
  const float len = std::sqrt(dot(v, v));
  if (len < threshold || len == 0.0f) {
    v.x = v.y = v.z = 0.0f;
    return;
  }
  v.x /= len;
  v.y /= len;
  v.z /= len;
}

// Returns v . v and scales v to length 1. The zero vector stays zero.
template <class V>
inline float dotAndNormalise(V& v) {
  const float d = dot(v, v);
  const float len = std::sqrt(d);
  if (len == 0.0f) return d;
  v.x /= len;
  v.y /= len;
  v.z /= len;
  return d;
}

template <class V>
inline void cross(V& out, const V& a, const V& b) {
  const float x = a.y * b.z - a.z * b.y;
  const float y = a.z * b.x - a.x * b.z;
  const float z = a.x * b.y - a.y * b.x;
  out.x = x;
  out.y = y;
  out.z = z;
}

// out = v . M with the translation row.
template <class O, class V>
inline void transformPoint(O& out, const V& v, const float* M) {
  const float x = v.x, y = v.y, z = v.z;
  out.x = x * M[0] + y * M[4] + z * M[8] + M[12];
  out.y = x * M[1] + y * M[5] + z * M[9] + M[13];
  out.z = x * M[2] + y * M[6] + z * M[10] + M[14];
}

// out = v . M, upper 3 x 3 only.
template <class O, class V>
inline void transformNormal(O& out, const V& v, const float* M) {
  const float x = v.x, y = v.y, z = v.z;
  out.x = x * M[0] + y * M[4] + z * M[8];
  out.y = x * M[1] + y * M[5] + z * M[9];
  out.z = x * M[2] + y * M[6] + z * M[10];
}

// The six "inside" bits of a camera-space point: 1 z >= near, 2 z <= far, 4 x >= -z,
// 8 x <= z, 16 y <= z, 32 y >= -z.
inline int outcode(float x, float y, float z, float nearZ, float farZ) {
  int code = 0;
  if (z >= nearZ) code |= 1;
  if (z <= farZ) code |= 2;
  if (x >= -z) code |= 4;
  if (x <= z) code |= 8;
  if (y <= z) code |= 16;
  if (y >= -z) code |= 32;
  return code;
}

// Direction angles of a unit vector: a = atan2(-y, x), b = acos(-z).
template <class V, class Acos>
inline void toPolar(const V& v, float* a, float* b, Acos acosFn) {
  const float pa = std::atan2(-v.y, v.x);
  const float pb = acosFn(-v.z);
  *a = pa;
  *b = pb;
}

template <class V>
inline void fromPolar(V& out, float a, float b) {
  const float sb = std::sin(b);
  out.x = std::cos(a) * sb;
  out.y = -std::sin(a) * sb;
  out.z = -std::cos(b);
}

// ---- matrices --------------------------------------------------------------------------

inline void matrixInit(float* M) {
  for (int i = 0; i < 16; ++i) M[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

inline void matrixCopy(float* dst, const float* src) {
  float t[16];
  for (int i = 0; i < 16; ++i) t[i] = src[i];
  for (int i = 0; i < 16; ++i) dst[i] = t[i];
}

// out = A x B: A applied first. Safe when out is A or B.
inline void matrixMult(float* out, const float* A, const float* B) {
  float t[16];
  for (int r = 0; r < 4; ++r) {
    const float* a = A + 4 * r;
    for (int c = 0; c < 4; ++c) {
      t[4 * r + c] = a[0] * B[c] + a[1] * B[4 + c] + a[2] * B[8 + c] + a[3] * B[12 + c];
    }
  }
  for (int i = 0; i < 16; ++i) out[i] = t[i];
}

// Inverse of an affine matrix through the adjugate of its upper 3 x 3; the identity when
// that determinant is exactly 0.
inline void matrixInverse(float* out, const float* M) {
  const float c00 = M[5] * M[10] - M[6] * M[9];
  const float c01 = M[6] * M[8] - M[4] * M[10];
  const float c02 = M[4] * M[9] - M[5] * M[8];
  const float c10 = M[2] * M[9] - M[1] * M[10];
  const float c11 = M[0] * M[10] - M[2] * M[8];
  const float c12 = M[1] * M[8] - M[0] * M[9];
  const float c20 = M[1] * M[6] - M[2] * M[5];
  const float c21 = M[2] * M[4] - M[0] * M[6];
  const float c22 = M[0] * M[5] - M[1] * M[4];
  const float det = M[0] * c00 + M[4] * c10 + M[8] * c20;
  if (det == 0.0f) {
    matrixInit(out);
    return;
  }
  float t[16];
  t[0] = c00 / det;
  t[1] = c10 / det;
  t[2] = c20 / det;
  t[4] = c01 / det;
  t[5] = c11 / det;
  t[6] = c21 / det;
  t[8] = c02 / det;
  t[9] = c12 / det;
  t[10] = c22 / det;
  t[3] = t[7] = t[11] = 0.0f;
  t[15] = 1.0f;
  const float tx = M[12], ty = M[13], tz = M[14];
  t[12] = -(tx * t[0] + ty * t[4] + tz * t[8]);
  t[13] = -(tx * t[1] + ty * t[5] + tz * t[9]);
  t[14] = -(tx * t[2] + ty * t[6] + tz * t[10]);
  for (int i = 0; i < 16; ++i) out[i] = t[i];
}

inline void rotationX(float* M, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  matrixInit(M);
  M[5] = c;
  M[6] = s;
  M[9] = -s;
  M[10] = c;
}

inline void rotationY(float* M, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  matrixInit(M);
  M[0] = c;
  M[2] = -s;
  M[8] = s;
  M[10] = c;
}

inline void rotationZ(float* M, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  matrixInit(M);
  M[0] = c;
  M[1] = s;
  M[4] = -s;
  M[5] = c;
}

// ---- quaternions (w, x, y, z) ------------------------------------------------------------

template <class Q>
inline void quatSet(Q& q, float angle, float x, float y, float z) {
  const float half = angle / 2.0f;
  const float s = std::sin(half);
  q.w = std::cos(half);
  q.x = x * s;
  q.y = y * s;
  q.z = z * s;
}

template <class Q>
inline float quatDot(const Q& a, const Q& b) {
  return a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
}

// Logarithm of a unit quaternion: (0, k.x, k.y, k.z) with theta = acos(w), k = theta / sin theta.
// At the identity (sin theta = 0) k takes its limit 1, so the log is (0, 0, 0, 0) instead of NaN.
template <class Q, class Acos>
inline void quatLog(Q& out, const Q& q, Acos acosFn) {
  const float theta = acosFn(q.w);
  const float s = std::sin(theta);
  const float k = (s == 0.0f) ? 1.0f : theta / s;
  const float x = k * q.x, y = k * q.y, z = k * q.z;
  out.w = 0.0f;
  out.x = x;
  out.y = y;
  out.z = z;
}

// Divides q by its length. A quaternion shorter than threshold, and the zero quaternion
// whatever the threshold, becomes (0, 0, 0, 0).
template <class Q>
inline void quatNormalise(Q& q, float threshold) {
  const float len = std::sqrt(quatDot(q, q));
  if (len < threshold || len == 0.0f) {
    q.w = q.x = q.y = q.z = 0.0f;
    return;
  }
  q.w /= len;
  q.x /= len;
  q.y /= len;
  q.z /= len;
}

// Hamilton product a . b.
template <class Q>
inline void quatMult(Q& out, const Q& a, const Q& b) {
  const float w = a.w * b.w - (a.x * b.x + a.y * b.y + a.z * b.z);
  const float x = a.w * b.x + b.w * a.x + (a.y * b.z - a.z * b.y);
  const float y = a.w * b.y + b.w * a.y + (a.z * b.x - a.x * b.z);
  const float z = a.w * b.z + b.w * a.z + (a.x * b.y - a.y * b.x);
  out.w = w;
  out.x = x;
  out.y = y;
  out.z = z;
}

template <class Q>
inline void quatNeg(Q& q) {
  q.w = -q.w;
  q.x = -q.x;
  q.y = -q.y;
  q.z = -q.z;
}

template <class Q>
inline void quatAdd(Q& out, const Q& a, const Q& b) {
  out.w = a.w + b.w;
  out.x = a.x + b.x;
  out.y = a.y + b.y;
  out.z = a.z + b.z;
}

template <class Q>
inline void quatSub(Q& out, const Q& a, const Q& b) {
  out.w = a.w - b.w;
  out.x = a.x - b.x;
  out.y = a.y - b.y;
  out.z = a.z - b.z;
}

template <class Q>
inline void quatScale(Q& out, float s, const Q& q) {
  out.w = s * q.w;
  out.x = s * q.x;
  out.y = s * q.y;
  out.z = s * q.z;
}

// Rotation matrix of q (q need not be of length 1: s = 2 / |q|^2).
template <class Q>
inline void quatToMatrix(float* M, const Q& q) {
  const float s = 2.0f / (q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
  const float xs = q.x * s, ys = q.y * s, zs = q.z * s;
  const float wx = q.w * xs, wy = q.w * ys, wz = q.w * zs;
  const float xx = q.x * xs, xy = q.x * ys, xz = q.x * zs;
  const float yy = q.y * ys, yz = q.y * zs, zz = q.z * zs;
  M[0] = 1.0f - (yy + zz);
  M[1] = xy - wz;
  M[2] = xz + wy;
  M[3] = 0.0f;
  M[4] = xy + wz;
  M[5] = 1.0f - (xx + zz);
  M[6] = yz - wx;
  M[7] = 0.0f;
  M[8] = xz - wy;
  M[9] = yz + wx;
  M[10] = 1.0f - (xx + yy);
  M[11] = 0.0f;
  M[12] = M[13] = M[14] = 0.0f;
  M[15] = 1.0f;
}

// Quaternion of the rotation held in the upper 3 x 3 of M.
template <class Q>
inline void matrixToQuat(Q& q, const float* M) {
  const float trace = M[0] + M[5] + M[10];
  if (trace > 0.0f) {
    float s = std::sqrt(trace + 1.0f);
    const float w = s / 2.0f;
    s = 0.5f / s;
    const float x = (M[9] - M[6]) * s;
    const float y = (M[2] - M[8]) * s;
    const float z = (M[4] - M[1]) * s;
    q.w = w;
    q.x = x;
    q.y = y;
    q.z = z;
    return;
  }
  auto m = [M](int r, int c) { return M[4 * r + c]; };
  int i = 0;
  if (M[5] > M[0]) i = 1;
  if (M[10] > m(i, i)) i = 2;
  const int j = (i + 1) % 3;
  const int k = (j + 1) % 3;
  float s = std::sqrt(m(i, i) - (m(j, j) + m(k, k)) + 1.0f);
  float v[3];
  v[i] = s / 2.0f;
  s = 0.5f / s;
  const float w = (m(k, j) - m(j, k)) * s;
  v[j] = (m(i, j) + m(j, i)) * s;
  v[k] = (m(i, k) + m(k, i)) * s;
  q.w = w;
  q.x = v[0];
  q.y = v[1];
  q.z = v[2];
}

// Spherical interpolation from a (t = 0) to b (t = 1), without flipping b. HalfPi is the
// type and value of pi/2 used when a and b are opposite.
template <class Q, class Acos, class HalfPi>
inline void quatSlerp(Q& out, const Q& a, const Q& b, float t, Acos acosFn, HalfPi halfPi) {
  const float c = quatDot(a, b);
  float k0, k1;
  if (1.0f + c > kSlerpEpsilon) {
    if (1.0f - c > kSlerpEpsilon) {
      const float omega = acosFn(c);
      const float so = std::sin(omega);
      k0 = std::sin((1.0f - t) * omega) / so;
      k1 = std::sin(t * omega) / so;
    } else {
      k0 = 1.0f - t;
      k1 = t;
    }
    const float w = k0 * a.w + k1 * b.w;
    const float x = k0 * a.x + k1 * b.x;
    const float y = k0 * a.y + k1 * b.y;
    const float z = k0 * a.z + k1 * b.z;
    out.w = w;
    out.x = x;
    out.y = y;
    out.z = z;
    return;
  }
  // Opposite: turn towards p, a quaternion perpendicular to a.
  const float pw = a.z, px = -a.y, py = a.x, pz = -a.w;
  k0 = static_cast<float>(std::sin((static_cast<HalfPi>(1.0f - t)) * halfPi));
  k1 = static_cast<float>(std::sin(static_cast<HalfPi>(t) * halfPi));
  const float w = k0 * a.w + k1 * pw;
  const float x = k0 * a.x + k1 * px;
  const float y = k0 * a.y + k1 * py;
  const float z = k0 * a.z + k1 * pz;
  out.w = w;
  out.x = x;
  out.y = y;
  out.z = z;
}

}  // namespace numa
