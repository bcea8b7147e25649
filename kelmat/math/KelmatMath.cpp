// The SDK's math operations: the kernel's scalar reference with the SDK's own thresholds,
// argument order and slerp constant.
#include "kelmat/math/kelmat_math.h"

#include "numa/ScalarMath.h"

namespace {

// The SDK zeroes vectors and quaternions shorter than this.
constexpr float kKelmatThreshold = 0.00001f;
// pi/2 as the SDK writes it, in double precision.
constexpr double kKelmatHalfPi = 1.57079632675;

}  // namespace

extern "C" {

void Kelmat_Vector_Normalize(KelmatVector* v) { numa::normalise(*v, kKelmatThreshold); }

float Kelmat_Vector_Dot(const KelmatVector* a, const KelmatVector* b) { return numa::dot(*a, *b); }

void Kelmat_Vector_Cross(KelmatVector* out, const KelmatVector* a, const KelmatVector* b) { numa::cross(*out, *a, *b); }

void Kelmat_Vector_Matrix_Mult(KelmatVector* out, const KelmatVector* v, const float* M) {
  numa::transformPoint(*out, *v, M);
}

void Kelmat_Normal_Matrix_Mult(KelmatVector* out, const KelmatVector* v, const float* M) {
  numa::transformNormal(*out, *v, M);
}

void Kelmat_Matrix_Init(float* M) { numa::matrixInit(M); }

void Kelmat_Matrix_Copy(float* dst, const float* src) { numa::matrixCopy(dst, src); }

void Kelmat_Matrix_Mult(float* out, const float* A, const float* B) { numa::matrixMult(out, A, B); }

void Kelmat_Matrix_Inverse(float* out, const float* M) { numa::matrixInverse(out, M); }

void Kelmat_Matrix_Make_Rotation_X(float* M, float angle) { numa::rotationX(M, angle); }

void Kelmat_Matrix_Make_Rotation_Y(float* M, float angle) { numa::rotationY(M, angle); }

void Kelmat_Matrix_Make_Rotation_Z(float* M, float angle) { numa::rotationZ(M, angle); }

void Kelmat_Convert_Vector_To_Polar(const KelmatVector* v, float* a, float* b) {
  numa::toPolar(*v, a, b, numa::LibmAcos{});
}

void Kelmat_Convert_Polar_To_Vector(float a, float b, KelmatVector* out) { numa::fromPolar(*out, a, b); }

void Kelmat_Quaternion_Set(KelmatQuaternion* q, float angle, float x, float y, float z) {
  numa::quatSet(*q, angle, x, y, z);
}

void Kelmat_Quaternion_Log(KelmatQuaternion* out, const KelmatQuaternion* q) {
  numa::quatLog(*out, *q, numa::LibmAcos{});
}

void Kelmat_Quaternion_Normalize(KelmatQuaternion* q) { numa::quatNormalise(*q, kKelmatThreshold); }

float Kelmat_Quaternion_Dot(const KelmatQuaternion* a, const KelmatQuaternion* b) { return numa::quatDot(*a, *b); }

void Kelmat_Quaternion_Cross(KelmatQuaternion* out, const KelmatQuaternion* a, const KelmatQuaternion* b) {
  numa::quatMult(*out, *a, *b);
}

void Kelmat_Quaternion_Mult(KelmatQuaternion* out, const KelmatQuaternion* a, const KelmatQuaternion* b) {
  numa::quatMult(*out, *a, *b);
}

void Kelmat_Quaternion_Neg(KelmatQuaternion* q) { numa::quatNeg(*q); }

void Kelmat_Quaternion_Add(KelmatQuaternion* out, const KelmatQuaternion* a, const KelmatQuaternion* b) {
  numa::quatAdd(*out, *a, *b);
}

void Kelmat_Quaternion_Sub(KelmatQuaternion* out, const KelmatQuaternion* a, const KelmatQuaternion* b) {
  numa::quatSub(*out, *a, *b);
}

void Kelmat_Quaternion_Scalar_Mult(KelmatQuaternion* out, float s, const KelmatQuaternion* q) {
  numa::quatScale(*out, s, *q);
}

void Kelmat_Quaternion_To_Matrix(float* M, const KelmatQuaternion* q) { numa::quatToMatrix(M, *q); }

void Kelmat_Matrix_To_Quaternion(KelmatQuaternion* q, const float* M) { numa::matrixToQuat(*q, M); }

void Kelmat_Quaternion_Slerp(KelmatQuaternion* out, const KelmatQuaternion* a, const KelmatQuaternion* b, float t) {
  numa::quatSlerp(*out, *a, *b, t, numa::LibmAcos{}, kKelmatHalfPi);
}

}  // extern "C"
