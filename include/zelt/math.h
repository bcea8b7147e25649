/*
 * Vector, matrix and quaternion interface of the kernel family.
 *
 * Conventions shared by the kernel, the renderer plug-in, the asset files and the SDK:
 *  - a vector is three floats x, y, z; the array operations work on 16-byte records
 *    (x, y, z and a fourth float);
 *  - a matrix is sixteen floats, row-major, element (r, c) at index 4r + c, applied to row
 *    vectors: p' = p . M, translation in elements 12, 13, 14; A x B applies A first, then B;
 *  - a quaternion is stored w, x, y, z;
 *  - direction angles (a, b) of a unit vector d: d = (cos a sin b, -sin a sin b, -cos b);
 *  - an outcode holds one "inside" bit per plane of the right-angled view pyramid in camera
 *    space (ZELT_IN_* below).
 *
 * The math builds (libnuma5.so, libnuma6.so, libnuma6k.so) export exactly the 31 functions
 * below. The kernel loads one of them and exports function pointers of the same names: define
 * ZELT_MATH_POINTERS before including this header to see the names declared as those pointers
 * instead of functions. ZELT_MATH_FUNCTIONS(X) lists every export as
 * X(result type, name, (parameters)) so a loader can resolve them all in one loop.
 */
#ifndef ZELT_MATH_H
#define ZELT_MATH_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ZeltVector {
  float x;
  float y;
  float z;
} ZeltVector;

/* The 16-byte vector record of the array operations. The SSE build needs arrays of these
   aligned on 16 bytes for its fastest path. */
typedef struct ZeltVector4 {
  float x;
  float y;
  float z;
  float w;
} ZeltVector4;

/* Sixteen floats, row-major; passed as float pointers. */
typedef float ZeltMatrix[16];

typedef struct ZeltQuaternion {
  float w;
  float x;
  float y;
  float z;
} ZeltQuaternion;

/* Outcode bits: each set bit means the point is inside that plane. */
enum {
  ZELT_IN_NEAR = 1,    /* z >= near */
  ZELT_IN_FAR = 2,     /* z <= far */
  ZELT_IN_LEFT = 4,    /* x >= -z */
  ZELT_IN_RIGHT = 8,   /* x <= z */
  ZELT_IN_TOP = 16,    /* y <= z */
  ZELT_IN_BOTTOM = 32, /* y >= -z */
  ZELT_IN_ALL = 63
};

#define ZELT_MATH_FUNCTIONS(X)                                                                   \
  /* v scaled to length 1; below length 0.0001 it becomes (0, 0, 0) */                            \
  X(void, Zelt_Vecteur_Normalise, (ZeltVector * v))                                              \
  X(float, Zelt_Vecteur_Scalaire, (const ZeltVector* a, const ZeltVector* b))                    \
  /* returns v . v before normalising, then scales v to length 1 */                               \
  X(float, Zelt_Scalaire_And_Normalise, (ZeltVector * v))                                        \
  /* out = a x b */                                                                               \
  X(void, Zelt_Vecteur_Vectoriel, (ZeltVector * out, const ZeltVector* a, const ZeltVector* b))  \
  /* out = v . M with the translation */                                                          \
  X(void, Zelt_Vecteur_Mult, (ZeltVector * out, const ZeltVector* v, const float* M))            \
  /* out = v . M, upper 3 x 3 only */                                                             \
  X(void, Zelt_Normal_Mult, (ZeltVector * out, const ZeltVector* v, const float* M))             \
  X(void, Zelt_Vecteur_Array_Matrice_Mult,                                                       \
    (ZeltVector4 * out, const ZeltVector4* in, const float* M, int count))                       \
  /* without translation; normalise != 0 normalises each result */                                \
  X(void, Zelt_Normal_Array_Matrice_Mult,                                                        \
    (ZeltVector4 * out, const ZeltVector4* in, const float* M, int count, int normalise))        \
  /* out[i] = in[i] . M with translation, codes[i] = outcode of out[i] */                         \
  X(void, Zelt_Vertex_Transformation,                                                            \
    (ZeltVector4 * out, const ZeltVector4* in, int* codes, const float* M, int count,            \
     float nearZ, float farZ))                                                                   \
  X(void, Zelt_Matrice_Init, (float* M))                                                         \
  X(void, Zelt_Matrice_Copy, (float* dst, const float* src))                                     \
  /* out = A x B (A applied first) */                                                             \
  X(void, Zelt_Matrice_Mult, (float* out, const float* A, const float* B))                       \
  /* inverse of an affine matrix; identity when the upper 3 x 3 is singular */                    \
  X(void, Zelt_Matrice_Inverse, (float* out, const float* M))                                    \
  X(void, Zelt_Make_Rotation_Matrice_X, (float* M, float angle))                                 \
  X(void, Zelt_Make_Rotation_Matrice_Y, (float* M, float angle))                                 \
  X(void, Zelt_Make_Rotation_Matrice_Z, (float* M, float angle))                                 \
  /* a = atan2(-v.y, v.x), b = acos(-v.z) for a unit v */                                         \
  X(void, Zelt_Convert_To_Polar, (const ZeltVector* v, float* a, float* b))                      \
  X(void, Zelt_Convert_From_Polar, (ZeltVector * out, float a, float b))                         \
  /* q = (cos(angle/2), axis . sin(angle/2)); the axis is not normalised */                       \
  X(void, Zelt_Quaternion_Set, (ZeltQuaternion * q, float angle, float x, float y, float z))     \
  X(void, Zelt_Quaternion_Log, (ZeltQuaternion * out, const ZeltQuaternion* q))                  \
  X(void, Zelt_Quaternion_Normalise, (ZeltQuaternion * q))                                       \
  X(float, Zelt_Quaternion_Scalaire, (const ZeltQuaternion* a, const ZeltQuaternion* b))         \
  /* Hamilton product a . b */                                                                    \
  X(void, Zelt_Quaternion_Vectoriel,                                                             \
    (ZeltQuaternion * out, const ZeltQuaternion* a, const ZeltQuaternion* b))                    \
  X(void, Zelt_Quaternion_Mult,                                                                  \
    (ZeltQuaternion * out, const ZeltQuaternion* a, const ZeltQuaternion* b))                    \
  X(void, Zelt_Quaternion_Neg, (ZeltQuaternion * q))                                             \
  X(void, Zelt_Quaternion_Add,                                                                   \
    (ZeltQuaternion * out, const ZeltQuaternion* a, const ZeltQuaternion* b))                    \
  X(void, Zelt_Quaternion_Sub,                                                                   \
    (ZeltQuaternion * out, const ZeltQuaternion* a, const ZeltQuaternion* b))                    \
  X(void, Zelt_Quaternion_Scalar_Mult, (ZeltQuaternion * out, float s, const ZeltQuaternion* q)) \
  X(void, Zelt_Quaternion_To_Matrice, (float* M, const ZeltQuaternion* q))                       \
  X(void, Zelt_Matrice_To_Quaternion, (ZeltQuaternion * q, const float* M))                      \
  /* spherical interpolation from a (t = 0) to b (t = 1), b never flipped */                      \
  X(void, Zelt_Quaternion_Slerp,                                                                 \
    (ZeltQuaternion * out, const ZeltQuaternion* a, const ZeltQuaternion* b, float t))

#define ZELT_MATH_FUNCTION_COUNT 31

/* Pointer types: Zelt_Matrice_Mult_Fn and so on. */
#define ZELT_MATH_DECLARE_TYPE(ret, name, params) typedef ret(*name##_Fn) params;
ZELT_MATH_FUNCTIONS(ZELT_MATH_DECLARE_TYPE)
#undef ZELT_MATH_DECLARE_TYPE

#ifdef ZELT_MATH_POINTERS
#define ZELT_MATH_DECLARE(ret, name, params) extern name##_Fn name;
#else
#define ZELT_MATH_DECLARE(ret, name, params) ret name params;
#endif
ZELT_MATH_FUNCTIONS(ZELT_MATH_DECLARE)
#undef ZELT_MATH_DECLARE

#ifdef __cplusplus
}
#endif

#endif
