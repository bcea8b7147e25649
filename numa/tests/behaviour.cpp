// What every math build must compute: conventions, edge cases and algebraic identities.
#include <gtest/gtest.h>

#include <cmath>

#include "_Numa.h"

namespace {

constexpr float kPi = 3.14159265358979f;

class Behaviour : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    std::string error;
    lib_ = LoadNuma(GetParam(), &error);
    ASSERT_NE(lib_, nullptr) << error;
  }
  const NumaLib& L() const { return *lib_; }

  static void ExpectMatrixNear(const float* a, const float* b, float tol) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], tol) << "element " << i;
  }
  static void ExpectIdentity(const float* M) {
    for (int i = 0; i < 16; ++i) EXPECT_EQ(M[i], i % 5 == 0 ? 1.0f : 0.0f) << "element " << i;
  }

 private:
  const NumaLib* lib_ = nullptr;
};

TEST_P(Behaviour, RotationMatricesAndRowVectorConvention) {
  float M[16];
  const float angle = 0.7f;
  const float c = std::cos(angle), s = std::sin(angle);

  L().Zelt_Make_Rotation_Matrice_X(M, angle);
  const float rx[16] = {1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1};
  ExpectMatrixNear(M, rx, 0.0f);
  L().Zelt_Make_Rotation_Matrice_Y(M, angle);
  const float ry[16] = {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1};
  ExpectMatrixNear(M, ry, 0.0f);
  L().Zelt_Make_Rotation_Matrice_Z(M, angle);
  const float rz[16] = {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  ExpectMatrixNear(M, rz, 0.0f);

  // p' = p . M: the x axis turns towards +y about z.
  ZeltVector p{1, 0, 0}, out{};
  L().Zelt_Vecteur_Mult(&out, &p, M);
  EXPECT_FLOAT_EQ(out.x, c);
  EXPECT_FLOAT_EQ(out.y, s);
  EXPECT_FLOAT_EQ(out.z, 0);
}

TEST_P(Behaviour, ProductAppliesTheLeftMatrixFirst) {
  float T[16], R[16], TR[16], RT[16];
  L().Zelt_Matrice_Init(T);
  T[12] = 1;
  T[13] = 2;
  T[14] = 3;
  L().Zelt_Make_Rotation_Matrice_Z(R, kPi / 2);
  L().Zelt_Matrice_Mult(TR, T, R);
  L().Zelt_Matrice_Mult(RT, R, T);

  const ZeltVector origin{0, 0, 0};
  ZeltVector a{}, b{};
  L().Zelt_Vecteur_Mult(&a, &origin, TR);  // translate to (1, 2, 3), then turn
  EXPECT_NEAR(a.x, -2, 1e-6);
  EXPECT_NEAR(a.y, 1, 1e-6);
  EXPECT_NEAR(a.z, 3, 1e-6);
  L().Zelt_Vecteur_Mult(&b, &origin, RT);  // turn (nothing), then translate
  EXPECT_NEAR(b.x, 1, 1e-6);
  EXPECT_NEAR(b.y, 2, 1e-6);
  EXPECT_NEAR(b.z, 3, 1e-6);

  // The normal transform ignores the translation row.
  const ZeltVector n{1, 0, 0};
  L().Zelt_Normal_Mult(&a, &n, TR);
  EXPECT_NEAR(a.x, 0, 1e-6);
  EXPECT_NEAR(a.y, 1, 1e-6);
  EXPECT_NEAR(a.z, 0, 1e-6);
}

TEST_P(Behaviour, MatrixProductIsSafeWhenOutputAliasesAnInput) {
  RandomFloats rnd(7);
  for (int n = 0; n < 50; ++n) {
    float A[16], B[16], expected[16], out[16];
    rnd.Any(A, 3);
    rnd.Any(B, 3);
    L().Zelt_Matrice_Mult(expected, A, B);
    L().Zelt_Matrice_Copy(out, A);
    L().Zelt_Matrice_Mult(out, out, B);
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(SameBits(out[i], expected[i])) << "out = A, element " << i;
    L().Zelt_Matrice_Copy(out, B);
    L().Zelt_Matrice_Mult(out, A, out);
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(SameBits(out[i], expected[i])) << "out = B, element " << i;
  }
}

TEST_P(Behaviour, AffineInverseUndoesTheMatrix) {
  RandomFloats rnd(11);
  for (int n = 0; n < 200; ++n) {
    float M[16], inv[16], product[16], identity[16];
    rnd.Affine(M);
    L().Zelt_Matrice_Inverse(inv, M);
    L().Zelt_Matrice_Init(identity);
    L().Zelt_Matrice_Mult(product, M, inv);
    ExpectMatrixNear(product, identity, 2e-4f);
    L().Zelt_Matrice_Mult(product, inv, M);
    ExpectMatrixNear(product, identity, 2e-4f);
    EXPECT_EQ(inv[3], 0.0f);
    EXPECT_EQ(inv[7], 0.0f);
    EXPECT_EQ(inv[11], 0.0f);
    EXPECT_EQ(inv[15], 1.0f);

    // A point carried out and back.
    const ZeltVector p = rnd.Vector(20);
    ZeltVector q{}, back{};
    L().Zelt_Vecteur_Mult(&q, &p, M);
    L().Zelt_Vecteur_Mult(&back, &q, inv);
    EXPECT_NEAR(back.x, p.x, 2e-3f);
    EXPECT_NEAR(back.y, p.y, 2e-3f);
    EXPECT_NEAR(back.z, p.z, 2e-3f);

    // In place gives the same.
    float inPlace[16];
    L().Zelt_Matrice_Copy(inPlace, M);
    L().Zelt_Matrice_Inverse(inPlace, inPlace);
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(SameBits(inPlace[i], inv[i]));
  }
}

TEST_P(Behaviour, InverseOfSingularUpperPartIsTheIdentity) {
  // Flattened on z, two equal rows, a zero matrix: all with a translation.
  const float flat[16] = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 5, 6, 7, 1};
  const float equalRows[16] = {1, 2, 3, 0, 1, 2, 3, 0, 4, 5, 6, 0, 1, 1, 1, 1};
  const float zero[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 9, 9, 1};
  for (const float* M : {flat, equalRows, zero}) {
    float out[16];
    for (float& e : out) e = 42;
    L().Zelt_Matrice_Inverse(out, M);
    ExpectIdentity(out);
  }
}

TEST_P(Behaviour, MatrixToQuaternionInvertsQuaternionToMatrix) {
  RandomFloats rnd(3);
  std::vector<ZeltQuaternion> qs;
  for (int n = 0; n < 500; ++n) qs.push_back(rnd.UnitQuaternion());
  // Near half turns the trace is negative and each diagonal element leads in turn.
  const float s = std::sqrt(0.5f);
  for (ZeltQuaternion q : {ZeltQuaternion{0, 1, 0, 0}, ZeltQuaternion{0, 0, 1, 0}, ZeltQuaternion{0, 0, 0, 1},
                           ZeltQuaternion{0.1f, 0.9f, 0.3f, 0.2f}, ZeltQuaternion{0.1f, 0.2f, -0.9f, 0.3f},
                           ZeltQuaternion{-0.1f, 0.3f, 0.2f, 0.9f}, ZeltQuaternion{0, s, s, 0},
                           ZeltQuaternion{0, 0, s, -s}, ZeltQuaternion{1, 0, 0, 0}}) {
    L().Zelt_Quaternion_Normalise(&q);
    qs.push_back(q);
  }
  for (const ZeltQuaternion& q : qs) {
    float M[16];
    ZeltQuaternion back{};
    L().Zelt_Quaternion_To_Matrice(M, &q);
    EXPECT_EQ(M[12], 0.0f);
    EXPECT_EQ(M[15], 1.0f);
    L().Zelt_Matrice_To_Quaternion(&back, M);
    const float sign = L().Zelt_Quaternion_Scalaire(&q, &back) < 0 ? -1.0f : 1.0f;
    EXPECT_NEAR(back.w, sign * q.w, 2e-5f) << q.w << " " << q.x << " " << q.y << " " << q.z;
    EXPECT_NEAR(back.x, sign * q.x, 2e-5f);
    EXPECT_NEAR(back.y, sign * q.y, 2e-5f);
    EXPECT_NEAR(back.z, sign * q.z, 2e-5f);
  }
}

TEST_P(Behaviour, QuaternionMatrixTurnsOppositeToTheAxisRotations) {
  // (cos a/2, 0, 0, sin a/2) gives the matrix that Zelt_Make_Rotation_Matrice_Z builds for -a.
  for (float angle : {0.3f, 1.2f, -2.5f}) {
    ZeltQuaternion q{};
    float fromQ[16], rz[16];
    L().Zelt_Quaternion_Set(&q, angle, 0, 0, 1);
    L().Zelt_Quaternion_To_Matrice(fromQ, &q);
    L().Zelt_Make_Rotation_Matrice_Z(rz, -angle);
    ExpectMatrixNear(fromQ, rz, 1e-6f);
  }
}

TEST_P(Behaviour, HamiltonProduct) {
  const ZeltQuaternion i{0, 1, 0, 0}, j{0, 0, 1, 0};
  ZeltQuaternion out{};
  L().Zelt_Quaternion_Mult(&out, &i, &j);
  EXPECT_EQ(out.w, 0);
  EXPECT_EQ(out.x, 0);
  EXPECT_EQ(out.y, 0);
  EXPECT_EQ(out.z, 1);
  L().Zelt_Quaternion_Vectoriel(&out, &j, &i);
  EXPECT_EQ(out.z, -1);
  L().Zelt_Quaternion_Mult(&out, &i, &i);
  EXPECT_EQ(out.w, -1);

  // Turns about one axis add up; in place gives the same.
  ZeltQuaternion a{}, b{}, ab{}, sum{};
  L().Zelt_Quaternion_Set(&a, 0.4f, 0, 1, 0);
  L().Zelt_Quaternion_Set(&b, 0.9f, 0, 1, 0);
  L().Zelt_Quaternion_Set(&sum, 1.3f, 0, 1, 0);
  L().Zelt_Quaternion_Mult(&ab, &a, &b);
  EXPECT_NEAR(ab.w, sum.w, 1e-6f);
  EXPECT_NEAR(ab.y, sum.y, 1e-6f);
  L().Zelt_Quaternion_Mult(&a, &a, &b);
  EXPECT_TRUE(SameBits(a.w, ab.w) && SameBits(a.x, ab.x) && SameBits(a.y, ab.y) && SameBits(a.z, ab.z));
}

TEST_P(Behaviour, QuaternionArithmetic) {
  const ZeltQuaternion a{1, 2, 3, 4}, b{0.5f, -1, 2, -3};
  ZeltQuaternion out{};
  L().Zelt_Quaternion_Add(&out, &a, &b);
  EXPECT_TRUE(out.w == 1.5f && out.x == 1 && out.y == 5 && out.z == 1);
  L().Zelt_Quaternion_Sub(&out, &a, &b);
  EXPECT_TRUE(out.w == 0.5f && out.x == 3 && out.y == 1 && out.z == 7);
  L().Zelt_Quaternion_Scalar_Mult(&out, 2, &a);
  EXPECT_TRUE(out.w == 2 && out.x == 4 && out.y == 6 && out.z == 8);
  L().Zelt_Quaternion_Neg(&out);
  EXPECT_TRUE(out.w == -2 && out.x == -4 && out.y == -6 && out.z == -8);
  EXPECT_EQ(L().Zelt_Quaternion_Scalaire(&a, &b), 0.5f - 2 + 6 - 12);

  // The axis is used as given, not normalised.
  L().Zelt_Quaternion_Set(&out, kPi, 2, 0, 0);
  EXPECT_NEAR(out.w, 0, 1e-6f);
  EXPECT_NEAR(out.x, 2, 1e-6f);

  ZeltQuaternion q{3, 0, 4, 0};
  L().Zelt_Quaternion_Normalise(&q);
  EXPECT_NEAR(q.w, 0.6f, 1e-7f);
  EXPECT_NEAR(q.y, 0.8f, 1e-7f);
}

TEST_P(Behaviour, ZeroLengthInputsStayZero) {
  ZeltQuaternion q{0, 0, 0, 0};
  L().Zelt_Quaternion_Normalise(&q);
  EXPECT_TRUE(q.w == 0 && q.x == 0 && q.y == 0 && q.z == 0);
  ZeltVector v{0, 0, 0};
  EXPECT_EQ(L().Zelt_Scalaire_And_Normalise(&v), 0.0f);
  EXPECT_TRUE(v.x == 0 && v.y == 0 && v.z == 0);
  L().Zelt_Vecteur_Normalise(&v);
  EXPECT_TRUE(v.x == 0 && v.y == 0 && v.z == 0);
}

TEST_P(Behaviour, LogOfTheIdentityIsZero) {
  const ZeltQuaternion identity{1, 0, 0, 0};
  const ZeltQuaternion beyond{1.0000001f, 0, 0, 0};
  for (const ZeltQuaternion& q : {identity, beyond}) {
    ZeltQuaternion out{9, 9, 9, 9};
    L().Zelt_Quaternion_Log(&out, &q);
    EXPECT_TRUE(out.w == 0 && out.x == 0 && out.y == 0 && out.z == 0);
  }
  // A turn by 2 theta about a unit axis logs to theta times the axis.
  ZeltQuaternion q{}, out{};
  L().Zelt_Quaternion_Set(&q, 1.2f, 0, 0.6f, 0.8f);
  L().Zelt_Quaternion_Log(&out, &q);
  EXPECT_EQ(out.w, 0);
  EXPECT_NEAR(out.x, 0, 1e-6f);
  EXPECT_NEAR(out.y, 0.6f * 0.6f, 2e-6f);
  EXPECT_NEAR(out.z, 0.6f * 0.8f, 2e-6f);
}

TEST_P(Behaviour, SlerpEndsMiddleAndLinearBranch) {
  RandomFloats rnd(5);
  for (int n = 0; n < 200; ++n) {
    ZeltQuaternion a = rnd.UnitQuaternion(), b = rnd.UnitQuaternion();
    if (L().Zelt_Quaternion_Scalaire(&a, &b) < 0) L().Zelt_Quaternion_Neg(&b);
    ZeltQuaternion out{};
    L().Zelt_Quaternion_Slerp(&out, &a, &b, 0);
    EXPECT_TRUE(out.w == a.w && out.x == a.x && out.y == a.y && out.z == a.z);
    L().Zelt_Quaternion_Slerp(&out, &a, &b, 1);
    EXPECT_TRUE(out.w == b.w && out.x == b.x && out.y == b.y && out.z == b.z);
    L().Zelt_Quaternion_Slerp(&out, &a, &b, 0.37f);
    EXPECT_NEAR(L().Zelt_Quaternion_Scalaire(&out, &out), 1.0f, 1e-5f);
  }

  // Half way from no turn to a quarter turn is an eighth of a turn.
  ZeltQuaternion a{1, 0, 0, 0}, b{}, mid{}, expected{};
  L().Zelt_Quaternion_Set(&b, kPi / 2, 0, 0, 1);
  L().Zelt_Quaternion_Set(&expected, kPi / 4, 0, 0, 1);
  L().Zelt_Quaternion_Slerp(&mid, &a, &b, 0.5f);
  EXPECT_NEAR(mid.w, expected.w, 1e-6f);
  EXPECT_NEAR(mid.z, expected.z, 1e-6f);

  // Equal inputs take the linear branch: (2, 0, 0, 0) would give NaN through acos(4).
  const ZeltQuaternion two{2, 0, 0, 0};
  L().Zelt_Quaternion_Slerp(&mid, &two, &two, 0.3f);
  EXPECT_FLOAT_EQ(mid.w, 2);
  EXPECT_EQ(mid.x, 0);
}

TEST_P(Behaviour, SlerpOfOppositeQuaternionsTurnsThroughAPerpendicularOne) {
  const ZeltQuaternion a{1, 0, 0, 0}, b{-1, 0, 0, 0};
  ZeltQuaternion out{};
  L().Zelt_Quaternion_Slerp(&out, &a, &b, 0.5f);
  const float h = std::sqrt(0.5f);
  EXPECT_NEAR(out.w, h, 1e-6f);
  EXPECT_EQ(out.x, 0);
  EXPECT_EQ(out.y, 0);
  EXPECT_NEAR(out.z, -h, 1e-6f);
  // At t = 1 it reaches p = (a.z, -a.y, a.x, -a.w), not b.
  const ZeltQuaternion c{0.5f, 0.5f, 0.5f, 0.5f}, d{-0.5f, -0.5f, -0.5f, -0.5f};
  L().Zelt_Quaternion_Slerp(&out, &c, &d, 1);
  EXPECT_NEAR(out.w, 0.5f, 1e-6f);
  EXPECT_NEAR(out.x, -0.5f, 1e-6f);
  EXPECT_NEAR(out.y, 0.5f, 1e-6f);
  EXPECT_NEAR(out.z, -0.5f, 1e-6f);
}

TEST_P(Behaviour, DirectionAngles) {
  ZeltVector d{};
  L().Zelt_Convert_From_Polar(&d, 0, 0);  // b = 0 looks straight down
  EXPECT_NEAR(d.x, 0, 1e-7f);
  EXPECT_NEAR(d.z, -1, 1e-7f);
  L().Zelt_Convert_From_Polar(&d, kPi / 2, kPi / 2);
  EXPECT_NEAR(d.x, 0, 1e-6f);
  EXPECT_NEAR(d.y, -1, 1e-6f);
  EXPECT_NEAR(d.z, 0, 1e-6f);

  RandomFloats rnd(9);
  for (int n = 0; n < 500; ++n) {
    const float a = rnd(-3.1f, 3.1f), b = rnd(0.01f, 3.13f);
    float a2 = 0, b2 = 0;
    L().Zelt_Convert_From_Polar(&d, a, b);
    L().Zelt_Convert_To_Polar(&d, &a2, &b2);
    EXPECT_NEAR(a2, a, 2e-4f);
    EXPECT_NEAR(b2, b, 2e-4f);
  }

  // A unit vector one rounding step too long still has angles.
  const ZeltVector down{0, 0, -1.0000001f}, up{0, 0, 1.0000001f};
  float a = 1, b = 1;
  L().Zelt_Convert_To_Polar(&down, &a, &b);
  EXPECT_EQ(b, 0.0f);
  L().Zelt_Convert_To_Polar(&up, &a, &b);
  EXPECT_NEAR(b, kPi, 1e-6f);
}

TEST_P(Behaviour, VectorProducts) {
  const ZeltVector x{1, 0, 0}, y{0, 1, 0};
  ZeltVector out{};
  L().Zelt_Vecteur_Vectoriel(&out, &x, &y);
  EXPECT_TRUE(out.x == 0 && out.y == 0 && out.z == 1);
  const ZeltVector a{1, 2, 3}, b{-4, 5, 0.5f};
  L().Zelt_Vecteur_Vectoriel(&out, &a, &b);
  EXPECT_FLOAT_EQ(out.x, 2 * 0.5f - 3 * 5);
  EXPECT_FLOAT_EQ(out.y, 3 * -4 - 1 * 0.5f);
  EXPECT_FLOAT_EQ(out.z, 1 * 5 - 2 * -4);
  EXPECT_EQ(L().Zelt_Vecteur_Scalaire(&a, &b), -4 + 10 + 1.5f);

  ZeltVector v{3, 0, 4};
  EXPECT_EQ(L().Zelt_Scalaire_And_Normalise(&v), 25.0f);
  EXPECT_NEAR(v.x, 0.6f, 1e-7f);
  EXPECT_NEAR(v.z, 0.8f, 1e-7f);
}

// Points exactly on each plane are inside it; one step outside clears exactly that bit.
TEST_P(Behaviour, OutcodesOfPointsOnAndJustOutsideEachPlane) {
  const float nearZ = 1, farZ = 100;
  struct Case {
    ZeltVector4 p;
    int code;
  };
  const float justBelowNear = std::nextafter(1.0f, 0.0f), justAboveFar = std::nextafter(100.0f, 200.0f);
  const float five = 5, fivePlus = std::nextafter(5.0f, 6.0f);
  const Case cases[] = {
      {{0, 0, 1, 0}, 63},                  // z = near
      {{0, 0, 100, 0}, 63},                // z = far
      {{-5, 0, 5, 0}, 63},                 // x = -z
      {{5, 0, 5, 0}, 63},                  // x = z
      {{0, 5, 5, 0}, 63},                  // y = z
      {{0, -5, 5, 0}, 63},                 // y = -z
      {{0, 0, justBelowNear, 0}, 63 & ~1},
      {{0, 0, justAboveFar, 0}, 63 & ~2},
      {{-fivePlus, 0, five, 0}, 63 & ~4},
      {{fivePlus, 0, five, 0}, 63 & ~8},
      {{0, fivePlus, five, 0}, 63 & ~16},
      {{0, -fivePlus, five, 0}, 63 & ~32},
      {{0, 0, -3, 0}, 2},                  // behind the eye: inside the far plane only
  };
  // Identity transform; each case appears both inside a group of four and in the remainder.
  alignas(16) ZeltVector4 in[27], out[27];
  int codes[27];
  const int n = static_cast<int>(sizeof cases / sizeof cases[0]);
  for (int i = 0; i < 27; ++i) in[i] = cases[i % n].p;
  float M[16];
  L().Zelt_Matrice_Init(M);
  L().Zelt_Vertex_Transformation(out, in, codes, M, 27, nearZ, farZ);
  for (int i = 0; i < 27; ++i) {
    EXPECT_EQ(codes[i], cases[i % n].code) << "vertex " << i;
  }

  // Through a translation that lands the points exactly on the planes.
  M[14] = 10;
  for (int i = 0; i < 27; ++i) in[i] = cases[i % 6].p, in[i].z -= 10;
  L().Zelt_Vertex_Transformation(out, in, codes, M, 27, nearZ, farZ);
  for (int i = 0; i < 27; ++i) EXPECT_EQ(codes[i], 63) << "vertex " << i;
}

TEST_P(Behaviour, ArrayOperationsMatchSingleVectorOnes) {
  RandomFloats rnd(21);
  float M[16];
  rnd.Affine(M);
  for (int count : {0, 1, 3, 4, 5, 8, 11}) {
    alignas(16) ZeltVector4 in[11], out[11], normals[11];
    int codes[11];
    for (int i = 0; i < count; ++i) {
      const ZeltVector v = rnd.Vector(10);
      in[i] = {v.x, v.y, v.z, 1};
    }
    L().Zelt_Vertex_Transformation(out, in, codes, M, count, 1, 100);
    L().Zelt_Normal_Array_Matrice_Mult(normals, in, M, count, 0);
    for (int i = 0; i < count; ++i) {
      const ZeltVector v{in[i].x, in[i].y, in[i].z};
      ZeltVector p{}, nrm{};
      L().Zelt_Vecteur_Mult(&p, &v, M);
      L().Zelt_Normal_Mult(&nrm, &v, M);
      EXPECT_TRUE(SameBits(out[i].x, p.x) && SameBits(out[i].y, p.y) && SameBits(out[i].z, p.z)) << i;
      EXPECT_TRUE(SameBits(normals[i].x, nrm.x) && SameBits(normals[i].y, nrm.y) && SameBits(normals[i].z, nrm.z));
    }
    L().Zelt_Vecteur_Array_Matrice_Mult(in, in, M, count);  // in place
    for (int i = 0; i < count; ++i) EXPECT_TRUE(SameBits(in[i].x, out[i].x) && SameBits(in[i].z, out[i].z));

    L().Zelt_Normal_Array_Matrice_Mult(normals, in, M, count, 1);
    for (int i = 0; i < count; ++i) {
      const float len = std::sqrt(normals[i].x * normals[i].x + normals[i].y * normals[i].y +
                                  normals[i].z * normals[i].z);
      EXPECT_NEAR(len, 1.0f, 1e-3f);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Builds, Behaviour, ::testing::Values("numa5", "numa6", "numa6k"));

}  // namespace
