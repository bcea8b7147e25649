/* kelmat math: the SDK's vector, matrix and quaternion operations.
 *
 * Same conventions as the kernel's math: a vector is three floats x, y, z; a matrix is sixteen
 * floats, row-major, applied to row vectors (p' = p . M, translation in elements 12, 13, 14,
 * A x B applies A first); a quaternion is stored w, x, y, z; direction angles (a, b) of a unit
 * vector d: d = (cos a sin b, -sin a sin b, -cos b).
 *
 * They compute what the kernel's scalar math computes, except:
 *  - Kelmat_Vector_Normalize zeroes vectors shorter than 0.00001 (the kernel: 0.0001);
 *  - Kelmat_Quaternion_Normalize zeroes quaternions shorter than 0.00001;
 *  - Kelmat_Convert_Polar_To_Vector takes its output last;
 *  - Kelmat_Quaternion_Slerp of opposite quaternions works with pi/2 in double precision.
 *
 * This header owns the SDK's math records KelmatVector and KelmatQuaternion; kelmat.h includes
 * it. Every operation reads its inputs before writing, so an output may alias an input. */
#ifndef KELMAT_MATH_KELMAT_MATH_H
#define KELMAT_MATH_KELMAT_MATH_H

#if defined(__GNUC__)
#define KELMAT_MATH_API __attribute__((visibility("default")))
#else
#define KELMAT_MATH_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#ifndef KELMAT_MATH_RECORDS
#define KELMAT_MATH_RECORDS
typedef struct KelmatVector {
  float x, y, z;
} KelmatVector;

typedef struct KelmatQuaternion {
  float w, x, y, z;
} KelmatQuaternion;
#endif

/* Vectors. */
KELMAT_MATH_API void Kelmat_Vector_Normalize(KelmatVector* v);
KELMAT_MATH_API float Kelmat_Vector_Dot(const KelmatVector* a, const KelmatVector* b);
KELMAT_MATH_API void Kelmat_Vector_Cross(KelmatVector* out, const KelmatVector* a, const KelmatVector* b);
/* out = v . M with the translation */
KELMAT_MATH_API void Kelmat_Vector_Matrix_Mult(KelmatVector* out, const KelmatVector* v, const float* M);
/* out = v . M, upper 3 x 3 only */
KELMAT_MATH_API void Kelmat_Normal_Matrix_Mult(KelmatVector* out, const KelmatVector* v, const float* M);

/* Matrices. */
KELMAT_MATH_API void Kelmat_Matrix_Init(float* M);
KELMAT_MATH_API void Kelmat_Matrix_Copy(float* dst, const float* src);
/* out = A x B (A applied first) */
KELMAT_MATH_API void Kelmat_Matrix_Mult(float* out, const float* A, const float* B);
/* inverse of an affine matrix; the identity when its upper 3 x 3 is singular */
KELMAT_MATH_API void Kelmat_Matrix_Inverse(float* out, const float* M);
KELMAT_MATH_API void Kelmat_Matrix_Make_Rotation_X(float* M, float angle);
KELMAT_MATH_API void Kelmat_Matrix_Make_Rotation_Y(float* M, float angle);
KELMAT_MATH_API void Kelmat_Matrix_Make_Rotation_Z(float* M, float angle);

/* Direction angles: a = atan2(-v.y, v.x), b = acos(-v.z) for a unit v, and back. */
KELMAT_MATH_API void Kelmat_Convert_Vector_To_Polar(const KelmatVector* v, float* a, float* b);
KELMAT_MATH_API void Kelmat_Convert_Polar_To_Vector(float a, float b, KelmatVector* out);

/* Quaternions. */
/* q = (cos(angle/2), axis . sin(angle/2)); the axis is not normalised */
KELMAT_MATH_API void Kelmat_Quaternion_Set(KelmatQuaternion* q, float angle, float x, float y, float z);
KELMAT_MATH_API void Kelmat_Quaternion_Log(KelmatQuaternion* out, const KelmatQuaternion* q);
KELMAT_MATH_API void Kelmat_Quaternion_Normalize(KelmatQuaternion* q);
KELMAT_MATH_API float Kelmat_Quaternion_Dot(const KelmatQuaternion* a, const KelmatQuaternion* b);
/* Hamilton product a . b, under both names */
KELMAT_MATH_API void Kelmat_Quaternion_Cross(KelmatQuaternion* out, const KelmatQuaternion* a,
                                             const KelmatQuaternion* b);
KELMAT_MATH_API void Kelmat_Quaternion_Mult(KelmatQuaternion* out, const KelmatQuaternion* a,
                                            const KelmatQuaternion* b);
KELMAT_MATH_API void Kelmat_Quaternion_Neg(KelmatQuaternion* q);
KELMAT_MATH_API void Kelmat_Quaternion_Add(KelmatQuaternion* out, const KelmatQuaternion* a,
                                           const KelmatQuaternion* b);
KELMAT_MATH_API void Kelmat_Quaternion_Sub(KelmatQuaternion* out, const KelmatQuaternion* a,
                                           const KelmatQuaternion* b);
KELMAT_MATH_API void Kelmat_Quaternion_Scalar_Mult(KelmatQuaternion* out, float s, const KelmatQuaternion* q);
KELMAT_MATH_API void Kelmat_Quaternion_To_Matrix(float* M, const KelmatQuaternion* q);
KELMAT_MATH_API void Kelmat_Matrix_To_Quaternion(KelmatQuaternion* q, const float* M);
/* spherical interpolation from a (t = 0) to b (t = 1), b never flipped */
KELMAT_MATH_API void Kelmat_Quaternion_Slerp(KelmatQuaternion* out, const KelmatQuaternion* a,
                                             const KelmatQuaternion* b, float t);

#ifdef __cplusplus
}
#endif

#endif
