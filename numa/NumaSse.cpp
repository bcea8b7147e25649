// The SSE math build (libnuma6k.so).
//
// It computes what the scalar build computes, in the same order of operations, so most results
// are bit-identical. Where it does not:
//  - normalising uses the approximate reciprocal square root (about 12 bits) and has no
//    small-length test (only the exact zero vector is kept at zero instead of becoming NaN);
//  - acos is taken as atan2(sqrt((1 + x)(1 - x)), x);
//  - the array loops handle four vertices per step and then also write the fourth float of each
//    output record (x.M3 + y.M7 + z.M11, plus M15 with the translation); the count mod 4 last
//    vertices are handled one at a time and keep their fourth float. Arrays on 16-byte
//    boundaries take aligned loads and stores; others take the unaligned path, same results;
//  - outcodes are computed in a second pass over the transformed vertices (block by block).
// On processors with AVX the four-record array loops run in VEX encoding, broadcasting each
// coordinate from memory; the arithmetic and its results are those of the SSE loops.
#include <emmintrin.h>
#include <immintrin.h>
#include <xmmintrin.h>

#include <cstdint>
#include <cstdlib>

#include "include/zelt/math.h"
#include "numa/ScalarMath.h"

#define NUMA_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct AtanAcos {
  float operator()(float x) const {
    x = numa::clampUnit(x);
    return std::atan2(std::sqrt((1.0f + x) * (1.0f - x)), x);
  }
};

// x, y, z of a 12-byte vector into lanes 0-2, lane 3 zero; never touches memory past z.
inline __m128 load3(const float* p) {
  const __m128 xy = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(p));
  const __m128 z = _mm_load_ss(p + 2);
  return _mm_movelh_ps(xy, z);
}

inline void store3(float* p, __m128 v) {
  _mm_storel_pi(reinterpret_cast<__m64*>(p), v);
  _mm_store_ss(p + 2, _mm_movehl_ps(v, v));
}

template <int I>
inline __m128 splat(__m128 v) {
  return _mm_shuffle_ps(v, v, _MM_SHUFFLE(I, I, I, I));
}

// Lane 0 of ((v0 + v1) + v2), the scalar order of a three-term sum.
inline __m128 sum3(__m128 v) {
  return _mm_add_ss(_mm_add_ss(v, splat<1>(v)), _mm_movehl_ps(v, v));
}

struct Rows {
  __m128 r0, r1, r2, r3;
  explicit Rows(const float* M)
      : r0(_mm_loadu_ps(M)), r1(_mm_loadu_ps(M + 4)), r2(_mm_loadu_ps(M + 8)), r3(_mm_loadu_ps(M + 12)) {}
};

// x.r0 + y.r1 + z.r2 (+ r3), in the scalar order.
inline __m128 mulNormal(__m128 v, const Rows& m) {
  __m128 r = _mm_add_ps(_mm_mul_ps(splat<0>(v), m.r0), _mm_mul_ps(splat<1>(v), m.r1));
  return _mm_add_ps(r, _mm_mul_ps(splat<2>(v), m.r2));
}

inline __m128 mulPoint(__m128 v, const Rows& m) { return _mm_add_ps(mulNormal(v, m), m.r3); }

// Approximate normalise of all four lanes: x, y, z by 1/sqrt(x2 + y2 + z2), the fourth by
// 1/sqrt(w2 + x2 + y2). An exact zero length gives zeros.
inline __m128 fastNormalise(__m128 v) {
  const __m128 sq = _mm_mul_ps(v, v);
  const __m128 a = _mm_shuffle_ps(sq, sq, _MM_SHUFFLE(0, 0, 2, 1));
  const __m128 b = _mm_shuffle_ps(sq, sq, _MM_SHUFFLE(1, 1, 0, 2));
  const __m128 len2 = _mm_add_ps(_mm_add_ps(sq, a), b);
  const __m128 nonZero = _mm_cmpneq_ps(len2, _mm_setzero_ps());
  return _mm_and_ps(_mm_mul_ps(v, _mm_rsqrt_ps(len2)), nonZero);
}

inline float* f(ZeltVector* v) { return &v->x; }
inline const float* f(const ZeltVector* v) { return &v->x; }
inline float* f(ZeltVector4* v) { return &v->x; }
inline const float* f(const ZeltVector4* v) { return &v->x; }
inline float* f(ZeltQuaternion* q) { return &q->w; }
inline const float* f(const ZeltQuaternion* q) { return &q->w; }

inline bool aligned16(const void* p) { return (reinterpret_cast<std::uintptr_t>(p) & 15u) == 0; }

template <bool Aligned>
inline __m128 load4(const float* p) {
  if constexpr (Aligned) return _mm_load_ps(p);
  else return _mm_loadu_ps(p);
}

template <bool Aligned>
inline void store4(float* p, __m128 v) {
  if constexpr (Aligned) _mm_store_ps(p, v);
  else _mm_storeu_ps(p, v);
}

// Records first..count-1 one at a time, writing x, y, z only.
template <bool Translate>
inline void transformRest(ZeltVector4* out, const ZeltVector4* in, const Rows& m, int first, int count) {
  for (int i = first; i < count; ++i) {
    const __m128 v = load3(f(in + i));
    store3(f(out + i), Translate ? mulPoint(v, m) : mulNormal(v, m));
  }
}

// Transforms count records, four per step writing all four floats, then the rest one at a
// time writing x, y, z only.
template <bool Aligned, bool Translate>
void transformArray(ZeltVector4* out, const ZeltVector4* in, const Rows& m, int count) {
  const float* src = f(in);
  float* dst = f(out);
  const int groups = count / 4;
  for (int g = 0; g < groups; ++g, src += 16, dst += 16) {
    const __m128 v0 = load4<Aligned>(src);
    const __m128 v1 = load4<Aligned>(src + 4);
    const __m128 v2 = load4<Aligned>(src + 8);
    const __m128 v3 = load4<Aligned>(src + 12);
    if constexpr (Translate) {
      store4<Aligned>(dst, mulPoint(v0, m));
      store4<Aligned>(dst + 4, mulPoint(v1, m));
      store4<Aligned>(dst + 8, mulPoint(v2, m));
      store4<Aligned>(dst + 12, mulPoint(v3, m));
    } else {
      store4<Aligned>(dst, mulNormal(v0, m));
      store4<Aligned>(dst + 4, mulNormal(v1, m));
      store4<Aligned>(dst + 8, mulNormal(v2, m));
      store4<Aligned>(dst + 12, mulNormal(v3, m));
    }
  }
  transformRest<Translate>(out, in, m, groups * 4, count);
}

// The same loop in VEX encoding, for processors with AVX: each coordinate is broadcast to the
// four lanes straight from memory instead of loaded and shuffled. The products and sums are the
// same, in the same order, so the results are the same bit for bit; so is the order of reads
// and writes (four records read, then four written).
template <bool Aligned, bool Translate>
__attribute__((target("avx"))) void transformArrayAvx(ZeltVector4* out, const ZeltVector4* in, const Rows& m,
                                                      int count) {
  const float* src = f(in);
  float* dst = f(out);
  const __m128 r0 = m.r0, r1 = m.r1, r2 = m.r2, r3 = m.r3;
  const int groups = count / 4;
  const auto record = [&](__m128 x, __m128 y, __m128 z) {
    __m128 r = _mm_add_ps(_mm_mul_ps(x, r0), _mm_mul_ps(y, r1));
    r = _mm_add_ps(r, _mm_mul_ps(z, r2));
    return Translate ? _mm_add_ps(r, r3) : r;
  };
  for (int g = 0; g < groups; ++g, src += 16, dst += 16) {
    const __m128 x0 = _mm_broadcast_ss(src), y0 = _mm_broadcast_ss(src + 1), z0 = _mm_broadcast_ss(src + 2);
    const __m128 x1 = _mm_broadcast_ss(src + 4), y1 = _mm_broadcast_ss(src + 5), z1 = _mm_broadcast_ss(src + 6);
    const __m128 x2 = _mm_broadcast_ss(src + 8), y2 = _mm_broadcast_ss(src + 9), z2 = _mm_broadcast_ss(src + 10);
    const __m128 x3 = _mm_broadcast_ss(src + 12), y3 = _mm_broadcast_ss(src + 13), z3 = _mm_broadcast_ss(src + 14);
    store4<Aligned>(dst, record(x0, y0, z0));
    store4<Aligned>(dst + 4, record(x1, y1, z1));
    store4<Aligned>(dst + 8, record(x2, y2, z2));
    store4<Aligned>(dst + 12, record(x3, y3, z3));
  }
  transformRest<Translate>(out, in, m, groups * 4, count);
}

// AVX unless the processor lacks it or LUMORA_NUMA6K_NO_AVX is set (to run the plain SSE loops).
bool useAvx() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx") && !std::getenv("LUMORA_NUMA6K_NO_AVX");
}
const bool kAvx = useAvx();

template <bool Aligned, bool Translate>
void transformRecords(ZeltVector4* out, const ZeltVector4* in, const Rows& m, int count) {
  if (kAvx)
    transformArrayAvx<Aligned, Translate>(out, in, m, count);
  else
    transformArray<Aligned, Translate>(out, in, m, count);
}

template <bool Translate>
void transformArray(ZeltVector4* out, const ZeltVector4* in, const float* M, int count) {
  const Rows m(M);
  if (aligned16(out) && aligned16(in)) {
    transformRecords<true, Translate>(out, in, m, count);
  } else {
    transformRecords<false, Translate>(out, in, m, count);
  }
}

// Outcodes of count transformed records, four per step.
void outcodes(const ZeltVector4* v, int* codes, int count, float nearZ, float farZ) {
  const __m128 nearV = _mm_set1_ps(nearZ);
  const __m128 farV = _mm_set1_ps(farZ);
  const __m128 sign = _mm_set1_ps(-0.0f);
  const auto bit = [](__m128 mask, int value) { return _mm_and_ps(mask, _mm_castsi128_ps(_mm_set1_epi32(value))); };
  const int groups = count / 4;
  for (int g = 0; g < groups; ++g) {
    const float* p = f(v + 4 * g);
    __m128 x = _mm_loadu_ps(p), y = _mm_loadu_ps(p + 4), z = _mm_loadu_ps(p + 8), w = _mm_loadu_ps(p + 12);
    _MM_TRANSPOSE4_PS(x, y, z, w);
    const __m128 negZ = _mm_xor_ps(z, sign);
    __m128 c = bit(_mm_cmpge_ps(z, nearV), 1);
    c = _mm_or_ps(c, bit(_mm_cmple_ps(z, farV), 2));
    c = _mm_or_ps(c, bit(_mm_cmpge_ps(x, negZ), 4));
    c = _mm_or_ps(c, bit(_mm_cmple_ps(x, z), 8));
    c = _mm_or_ps(c, bit(_mm_cmple_ps(y, z), 16));
    c = _mm_or_ps(c, bit(_mm_cmpge_ps(y, negZ), 32));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(codes + 4 * g), _mm_castps_si128(c));
  }
  for (int i = groups * 4; i < count; ++i) codes[i] = numa::outcode(v[i].x, v[i].y, v[i].z, nearZ, farZ);
}

// The outcode pass follows the transformation block by block, while each block of output is
// still in the first-level cache: over a large array a whole second pass would read it all back
// from memory. Blocks hold a multiple of four records, so the records written four at a time are
// the same as in one pass over the whole array.
constexpr int kOutcodeBlock = 256;  // records: 4 KB of output

template <bool Aligned>
void transformWithOutcodes(ZeltVector4* out, const ZeltVector4* in, int* codes, const Rows& m, int count,
                           float nearZ, float farZ) {
  static_assert(kOutcodeBlock % 4 == 0);
  for (int first = 0; first < count; first += kOutcodeBlock) {
    const int n = count - first < kOutcodeBlock ? count - first : kOutcodeBlock;
    transformRecords<Aligned, true>(out + first, in + first, m, n);
    outcodes(out + first, codes + first, n, nearZ, farZ);
  }
}

}  // namespace

NUMA_EXPORT void Zelt_Vecteur_Normalise(ZeltVector* v) { store3(f(v), fastNormalise(load3(f(v)))); }

NUMA_EXPORT float Zelt_Vecteur_Scalaire(const ZeltVector* a, const ZeltVector* b) {
  return _mm_cvtss_f32(sum3(_mm_mul_ps(load3(f(a)), load3(f(b)))));
}

NUMA_EXPORT float Zelt_Scalaire_And_Normalise(ZeltVector* v) {
  const __m128 x = load3(f(v));
  const __m128 d = sum3(_mm_mul_ps(x, x));
  const __m128 len = _mm_sqrt_ss(d);
  if (_mm_cvtss_f32(len) != 0.0f) store3(f(v), _mm_div_ps(x, splat<0>(len)));
  return _mm_cvtss_f32(d);
}

NUMA_EXPORT void Zelt_Vecteur_Vectoriel(ZeltVector* out, const ZeltVector* a, const ZeltVector* b) {
  const __m128 va = load3(f(a)), vb = load3(f(b));
  const __m128 aYzx = _mm_shuffle_ps(va, va, _MM_SHUFFLE(3, 0, 2, 1));
  const __m128 bYzx = _mm_shuffle_ps(vb, vb, _MM_SHUFFLE(3, 0, 2, 1));
  const __m128 aZxy = _mm_shuffle_ps(va, va, _MM_SHUFFLE(3, 1, 0, 2));
  const __m128 bZxy = _mm_shuffle_ps(vb, vb, _MM_SHUFFLE(3, 1, 0, 2));
  store3(f(out), _mm_sub_ps(_mm_mul_ps(aYzx, bZxy), _mm_mul_ps(aZxy, bYzx)));
}

NUMA_EXPORT void Zelt_Vecteur_Mult(ZeltVector* out, const ZeltVector* v, const float* M) {
  store3(f(out), mulPoint(load3(f(v)), Rows(M)));
}

NUMA_EXPORT void Zelt_Normal_Mult(ZeltVector* out, const ZeltVector* v, const float* M) {
  store3(f(out), mulNormal(load3(f(v)), Rows(M)));
}

NUMA_EXPORT void Zelt_Vecteur_Array_Matrice_Mult(ZeltVector4* out, const ZeltVector4* in, const float* M,
                                                 int count) {
  transformArray<true>(out, in, M, count);
}

NUMA_EXPORT void Zelt_Normal_Array_Matrice_Mult(ZeltVector4* out, const ZeltVector4* in, const float* M,
                                                int count, int normalise) {
  if (!normalise) {
    transformArray<false>(out, in, M, count);
    return;
  }
  const Rows m(M);
  for (int i = 0; i < count; ++i) store3(f(out + i), fastNormalise(mulNormal(load3(f(in + i)), m)));
}

NUMA_EXPORT void Zelt_Vertex_Transformation(ZeltVector4* out, const ZeltVector4* in, int* codes,
                                            const float* M, int count, float nearZ, float farZ) {
  const Rows m(M);
  if (aligned16(out) && aligned16(in)) {
    transformWithOutcodes<true>(out, in, codes, m, count, nearZ, farZ);
  } else {
    transformWithOutcodes<false>(out, in, codes, m, count, nearZ, farZ);
  }
}

NUMA_EXPORT void Zelt_Matrice_Init(float* M) {
  const __m128 one = _mm_set_ss(1.0f);
  _mm_storeu_ps(M, one);
  _mm_storeu_ps(M + 4, _mm_shuffle_ps(one, one, _MM_SHUFFLE(1, 1, 0, 1)));
  _mm_storeu_ps(M + 8, _mm_shuffle_ps(one, one, _MM_SHUFFLE(1, 0, 1, 1)));
  _mm_storeu_ps(M + 12, _mm_shuffle_ps(one, one, _MM_SHUFFLE(0, 1, 1, 1)));
}

NUMA_EXPORT void Zelt_Matrice_Copy(float* dst, const float* src) {
  const Rows m(src);
  _mm_storeu_ps(dst, m.r0);
  _mm_storeu_ps(dst + 4, m.r1);
  _mm_storeu_ps(dst + 8, m.r2);
  _mm_storeu_ps(dst + 12, m.r3);
}

// Loads both matrices before writing: out may be A or B.
NUMA_EXPORT void Zelt_Matrice_Mult(float* out, const float* A, const float* B) {
  const Rows b(B);
  const Rows a(A);
  const auto row = [&b](__m128 r) {
    __m128 s = _mm_add_ps(_mm_mul_ps(splat<0>(r), b.r0), _mm_mul_ps(splat<1>(r), b.r1));
    s = _mm_add_ps(s, _mm_mul_ps(splat<2>(r), b.r2));
    return _mm_add_ps(s, _mm_mul_ps(splat<3>(r), b.r3));
  };
  _mm_storeu_ps(out, row(a.r0));
  _mm_storeu_ps(out + 4, row(a.r1));
  _mm_storeu_ps(out + 8, row(a.r2));
  _mm_storeu_ps(out + 12, row(a.r3));
}

NUMA_EXPORT void Zelt_Matrice_Inverse(float* out, const float* M) { numa::matrixInverse(out, M); }

NUMA_EXPORT void Zelt_Make_Rotation_Matrice_X(float* M, float angle) { numa::rotationX(M, angle); }

NUMA_EXPORT void Zelt_Make_Rotation_Matrice_Y(float* M, float angle) { numa::rotationY(M, angle); }

NUMA_EXPORT void Zelt_Make_Rotation_Matrice_Z(float* M, float angle) { numa::rotationZ(M, angle); }

NUMA_EXPORT void Zelt_Convert_To_Polar(const ZeltVector* v, float* a, float* b) {
  numa::toPolar(*v, a, b, AtanAcos{});
}

NUMA_EXPORT void Zelt_Convert_From_Polar(ZeltVector* out, float a, float b) { numa::fromPolar(*out, a, b); }

NUMA_EXPORT void Zelt_Quaternion_Set(ZeltQuaternion* q, float angle, float x, float y, float z) {
  numa::quatSet(*q, angle, x, y, z);
}

NUMA_EXPORT void Zelt_Quaternion_Log(ZeltQuaternion* out, const ZeltQuaternion* q) {
  numa::quatLog(*out, *q, AtanAcos{});
}

NUMA_EXPORT void Zelt_Quaternion_Normalise(ZeltQuaternion* q) { numa::quatNormalise(*q, 0.0f); }

NUMA_EXPORT float Zelt_Quaternion_Scalaire(const ZeltQuaternion* a, const ZeltQuaternion* b) {
  const __m128 p = _mm_mul_ps(_mm_loadu_ps(f(a)), _mm_loadu_ps(f(b)));
  const __m128 s = _mm_add_ss(sum3(p), _mm_shuffle_ps(p, p, _MM_SHUFFLE(3, 3, 3, 3)));
  return _mm_cvtss_f32(s);
}

namespace {

// Hamilton product, lanes w, x, y, z, in the scalar order of operations.
inline __m128 hamilton(__m128 a, __m128 b) {
  const __m128 t = _mm_add_ps(_mm_mul_ps(splat<0>(a), b), _mm_mul_ps(splat<0>(b), a));
  const __m128 aYzx = _mm_shuffle_ps(a, a, _MM_SHUFFLE(1, 3, 2, 0));
  const __m128 bZxy = _mm_shuffle_ps(b, b, _MM_SHUFFLE(2, 1, 3, 0));
  const __m128 aZxy = _mm_shuffle_ps(a, a, _MM_SHUFFLE(2, 1, 3, 0));
  const __m128 bYzx = _mm_shuffle_ps(b, b, _MM_SHUFFLE(1, 3, 2, 0));
  const __m128 xyz = _mm_add_ps(t, _mm_sub_ps(_mm_mul_ps(aYzx, bZxy), _mm_mul_ps(aZxy, bYzx)));
  const __m128 p = _mm_mul_ps(a, b);
  // (x.x + y.y) + z.z from lanes 1, 2, 3.
  const __m128 vec = _mm_add_ss(_mm_add_ss(splat<1>(p), splat<2>(p)), splat<3>(p));
  const __m128 w = _mm_sub_ss(p, vec);
  return _mm_move_ss(xyz, w);
}

}  // namespace

NUMA_EXPORT void Zelt_Quaternion_Vectoriel(ZeltQuaternion* out, const ZeltQuaternion* a, const ZeltQuaternion* b) {
  _mm_storeu_ps(f(out), hamilton(_mm_loadu_ps(f(a)), _mm_loadu_ps(f(b))));
}

NUMA_EXPORT void Zelt_Quaternion_Mult(ZeltQuaternion* out, const ZeltQuaternion* a, const ZeltQuaternion* b) {
  _mm_storeu_ps(f(out), hamilton(_mm_loadu_ps(f(a)), _mm_loadu_ps(f(b))));
}

NUMA_EXPORT void Zelt_Quaternion_Neg(ZeltQuaternion* q) {
  _mm_storeu_ps(f(q), _mm_xor_ps(_mm_loadu_ps(f(q)), _mm_set1_ps(-0.0f)));
}

NUMA_EXPORT void Zelt_Quaternion_Add(ZeltQuaternion* out, const ZeltQuaternion* a, const ZeltQuaternion* b) {
  _mm_storeu_ps(f(out), _mm_add_ps(_mm_loadu_ps(f(a)), _mm_loadu_ps(f(b))));
}

NUMA_EXPORT void Zelt_Quaternion_Sub(ZeltQuaternion* out, const ZeltQuaternion* a, const ZeltQuaternion* b) {
  _mm_storeu_ps(f(out), _mm_sub_ps(_mm_loadu_ps(f(a)), _mm_loadu_ps(f(b))));
}

NUMA_EXPORT void Zelt_Quaternion_Scalar_Mult(ZeltQuaternion* out, float s, const ZeltQuaternion* q) {
  _mm_storeu_ps(f(out), _mm_mul_ps(_mm_set1_ps(s), _mm_loadu_ps(f(q))));
}

NUMA_EXPORT void Zelt_Quaternion_To_Matrice(float* M, const ZeltQuaternion* q) { numa::quatToMatrix(M, *q); }

NUMA_EXPORT void Zelt_Matrice_To_Quaternion(ZeltQuaternion* q, const float* M) { numa::matrixToQuat(*q, M); }

NUMA_EXPORT void Zelt_Quaternion_Slerp(ZeltQuaternion* out, const ZeltQuaternion* a, const ZeltQuaternion* b,
                                       float t) {
  numa::quatSlerp(*out, *a, *b, t, AtanAcos{}, numa::kHalfPiFloat);
}
