// The scalar math build (libnuma5.so and libnuma6.so): the reference behaviour in single
// precision. Both libraries compile this file; only their tuning differs.
#include "include/zelt/math.h"
#include "numa/ScalarMath.h"

#define NUMA_EXPORT extern "C" __attribute__((visibility("default")))

NUMA_EXPORT void Zelt_Vecteur_Normalise(ZeltVector* v) { numa::normalise(*v, numa::kNormaliseThreshold); }

NUMA_EXPORT float Zelt_Vecteur_Scalaire(const ZeltVector* a, const ZeltVector* b) { return numa::dot(*a, *b); }

NUMA_EXPORT float Zelt_Scalaire_And_Normalise(ZeltVector* v) { return numa::dotAndNormalise(*v); }

NUMA_EXPORT void Zelt_Vecteur_Vectoriel(ZeltVector* out, const ZeltVector* a, const ZeltVector* b) {
  numa::cross(*out, *a, *b);
}

NUMA_EXPORT void Zelt_Vecteur_Mult(ZeltVector* out, const ZeltVector* v, const float* M) {
  numa::transformPoint(*out, *v, M);
}

NUMA_EXPORT void Zelt_Normal_Mult(ZeltVector* out, const ZeltVector* v, const float* M) {
  numa::transformNormal(*out, *v, M);
}

// The array operations leave the fourth float of each output record untouched.
NUMA_EXPORT void Zelt_Vecteur_Array_Matrice_Mult(ZeltVector4* out, const ZeltVector4* in, const float* M,
                                                 int count) {
  for (int i = 0; i < count; ++i) numa::transformPoint(out[i], in[i], M);
}

NUMA_EXPORT void Zelt_Normal_Array_Matrice_Mult(ZeltVector4* out, const ZeltVector4* in, const float* M,
                                                int count, int normalise) {
  for (int i = 0; i < count; ++i) {
    numa::transformNormal(out[i], in[i], M);
    if (normalise) numa::normalise(out[i], numa::kNormaliseThreshold);
  }
}

NUMA_EXPORT void Zelt_Vertex_Transformation(ZeltVector4* out, const ZeltVector4* in, int* codes,
                                            const float* M, int count, float nearZ, float farZ) {
  for (int i = 0; i < count; ++i) {
    numa::transformPoint(out[i], in[i], M);
    codes[i] = numa::outcode(out[i].x, out[i].y, out[i].z, nearZ, farZ);
  }
}

NUMA_EXPORT void Zelt_Matrice_Init(float* M) { numa::matrixInit(M); }

NUMA_EXPORT void Zelt_Matrice_Copy(float* dst, const float* src) { numa::matrixCopy(dst, src); }

NUMA_EXPORT void Zelt_Matrice_Mult(float* out, const float* A, const float* B) { numa::matrixMult(out, A, B); }

NUMA_EXPORT void Zelt_Matrice_Inverse(float* out, const float* M) { numa::matrixInverse(out, M); }

NUMA_EXPORT void Zelt_Make_Rotation_Matrice_X(float* M, float angle) { numa::rotationX(M, angle); }

NUMA_EXPORT void Zelt_Make_Rotation_Matrice_Y(float* M, float angle) { numa::rotationY(M, angle); }

NUMA_EXPORT void Zelt_Make_Rotation_Matrice_Z(float* M, float angle) { numa::rotationZ(M, angle); }

NUMA_EXPORT void Zelt_Convert_To_Polar(const ZeltVector* v, float* a, float* b) {
  numa::toPolar(*v, a, b, numa::LibmAcos{});
}

NUMA_EXPORT void Zelt_Convert_From_Polar(ZeltVector* out, float a, float b) { numa::fromPolar(*out, a, b); }

NUMA_EXPORT void Zelt_Quaternion_Set(ZeltQuaternion* q, float angle, float x, float y, float z) {
  numa::quatSet(*q, angle, x, y, z);
}

NUMA_EXPORT void Zelt_Quaternion_Log(ZeltQuaternion* out, const ZeltQuaternion* q) {
  numa::quatLog(*out, *q, numa::LibmAcos{});
}

NUMA_EXPORT void Zelt_Quaternion_Normalise(ZeltQuaternion* q) { numa::quatNormalise(*q, 0.0f); }

NUMA_EXPORT float Zelt_Quaternion_Scalaire(const ZeltQuaternion* a, const ZeltQuaternion* b) {
  return numa::quatDot(*a, *b);
}

NUMA_EXPORT void Zelt_Quaternion_Vectoriel(ZeltQuaternion* out, const ZeltQuaternion* a, const ZeltQuaternion* b) {
  numa::quatMult(*out, *a, *b);
}

NUMA_EXPORT void Zelt_Quaternion_Mult(ZeltQuaternion* out, const ZeltQuaternion* a, const ZeltQuaternion* b) {
  numa::quatMult(*out, *a, *b);
}

NUMA_EXPORT void Zelt_Quaternion_Neg(ZeltQuaternion* q) { numa::quatNeg(*q); }

NUMA_EXPORT void Zelt_Quaternion_Add(ZeltQuaternion* out, const ZeltQuaternion* a, const ZeltQuaternion* b) {
  numa::quatAdd(*out, *a, *b);
}

NUMA_EXPORT void Zelt_Quaternion_Sub(ZeltQuaternion* out, const ZeltQuaternion* a, const ZeltQuaternion* b) {
  numa::quatSub(*out, *a, *b);
}

NUMA_EXPORT void Zelt_Quaternion_Scalar_Mult(ZeltQuaternion* out, float s, const ZeltQuaternion* q) {
  numa::quatScale(*out, s, *q);
}

NUMA_EXPORT void Zelt_Quaternion_To_Matrice(float* M, const ZeltQuaternion* q) { numa::quatToMatrix(M, *q); }

NUMA_EXPORT void Zelt_Matrice_To_Quaternion(ZeltQuaternion* q, const float* M) { numa::matrixToQuat(*q, M); }

NUMA_EXPORT void Zelt_Quaternion_Slerp(ZeltQuaternion* out, const ZeltQuaternion* a, const ZeltQuaternion* b,
                                       float t) {
  numa::quatSlerp(*out, *a, *b, t, numa::LibmAcos{}, numa::kHalfPiFloat);
}
