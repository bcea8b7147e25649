// The SDK's math: its own thresholds, argument order and slerp constant, and agreement with
// the kernel's scalar math build everywhere else.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "kelmat/math/kelmat_math.h"

namespace {

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(KelmatMath, NormalizeZeroesOnlyBelowItsOwnThreshold) {
  KelmatVector v{0.00005f, 0, 0};  // the kernel's builds would zero this one
  Kelmat_Vector_Normalize(&v);
  EXPECT_EQ(v.x, 1.0f);
  EXPECT_EQ(v.y, 0.0f);
  KelmatVector tiny{0.000005f, 0.000001f, 0};
  Kelmat_Vector_Normalize(&tiny);
  EXPECT_TRUE(tiny.x == 0 && tiny.y == 0 && tiny.z == 0);

  KelmatQuaternion q{0.00002f, 0, 0, 0};
  Kelmat_Quaternion_Normalize(&q);
  EXPECT_EQ(q.w, 1.0f);
  KelmatQuaternion shortQ{0.000005f, 0.000002f, 0, 0};
  Kelmat_Quaternion_Normalize(&shortQ);
  EXPECT_TRUE(shortQ.w == 0 && shortQ.x == 0 && shortQ.y == 0 && shortQ.z == 0);
}

TEST(KelmatMath, PolarToVectorTakesItsOutputLast) {
  KelmatVector d{9, 9, 9};
  const float half = 1.5707963f;
  Kelmat_Convert_Polar_To_Vector(half, half, &d);
  EXPECT_NEAR(d.x, 0, 1e-6f);
  EXPECT_NEAR(d.y, -1, 1e-6f);
  EXPECT_NEAR(d.z, 0, 1e-6f);
  float a = 0, b = 0;
  Kelmat_Convert_Vector_To_Polar(&d, &a, &b);
  EXPECT_NEAR(a, half, 1e-6f);
  EXPECT_NEAR(b, half, 1e-6f);
}

TEST(KelmatMath, SlerpOfOppositeQuaternionsUsesADoublePrecisionQuarterTurn) {
  const KelmatQuaternion a{0.5f, 0.5f, 0.5f, 0.5f}, b{-0.5f, -0.5f, -0.5f, -0.5f};
  for (float t : {0.1f, 0.25f, 0.5f, 0.8f, 1.0f}) {
    KelmatQuaternion out{};
    Kelmat_Quaternion_Slerp(&out, &a, &b, t);
    const float k0 = static_cast<float>(std::sin(static_cast<double>(1.0f - t) * 1.57079632675));
    const float k1 = static_cast<float>(std::sin(static_cast<double>(t) * 1.57079632675));
    // p = (a.z, -a.y, a.x, -a.w)
    EXPECT_TRUE(SameBits(out.w, k0 * a.w + k1 * a.z)) << t;
    EXPECT_TRUE(SameBits(out.x, k0 * a.x + k1 * -a.y)) << t;
    EXPECT_TRUE(SameBits(out.y, k0 * a.y + k1 * a.x)) << t;
    EXPECT_TRUE(SameBits(out.z, k0 * a.z + k1 * -a.w)) << t;
  }
}

TEST(KelmatMath, InverseQuaternionAndSlerpIdentities) {
  float M[16], inv[16], product[16];
  Kelmat_Matrix_Make_Rotation_Y(M, 0.8f);
  M[0] *= 2;
  M[12] = 4;
  M[13] = -3;
  M[14] = 7;
  Kelmat_Matrix_Inverse(inv, M);
  Kelmat_Matrix_Mult(product, M, inv);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(product[i], i % 5 == 0 ? 1.0f : 0.0f, 1e-5f) << i;
  const float singular[16] = {1, 2, 3, 0, 2, 4, 6, 0, 0, 0, 1, 0, 1, 1, 1, 1};
  Kelmat_Matrix_Inverse(inv, singular);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(inv[i], i % 5 == 0 ? 1.0f : 0.0f) << i;

  KelmatQuaternion q{}, back{}, log{};
  Kelmat_Quaternion_Set(&q, 2.5f, 0, -0.6f, 0.8f);
  Kelmat_Quaternion_To_Matrix(M, &q);
  Kelmat_Matrix_To_Quaternion(&back, M);
  const float sign = Kelmat_Quaternion_Dot(&q, &back) < 0 ? -1.0f : 1.0f;
  EXPECT_NEAR(back.w, sign * q.w, 1e-6f);
  EXPECT_NEAR(back.y, sign * q.y, 1e-6f);
  EXPECT_NEAR(back.z, sign * q.z, 1e-6f);

  const KelmatQuaternion identity{1, 0, 0, 0};
  Kelmat_Quaternion_Log(&log, &identity);
  EXPECT_TRUE(log.w == 0 && log.x == 0 && log.y == 0 && log.z == 0);

  KelmatQuaternion out{};
  Kelmat_Quaternion_Slerp(&out, &identity, &q, 0);
  EXPECT_TRUE(out.w == identity.w && out.x == 0 && out.y == 0 && out.z == 0);
  Kelmat_Quaternion_Slerp(&out, &identity, &q, 1);
  EXPECT_TRUE(out.w == q.w && out.y == q.y && out.z == q.z);
}

// The kernel's reference build, loaded as the kernel loads it.
class AgainstKernelMath : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("LUMORA_BIN");
    const std::string path = std::string(bin && *bin ? bin : LUMORA_TEST_BIN_DIR) + "/libnuma5.so";
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) GTEST_SKIP() << "kernel math not built: " << path;
  }
  void TearDown() override {
    if (handle_) dlclose(handle_);
  }
  template <class Fn>
  Fn Get(const char* name) {
    void* p = dlsym(handle_, name);
    EXPECT_NE(p, nullptr) << name;
    return reinterpret_cast<Fn>(p);
  }
  float R(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rnd_); }
  KelmatVector V() { return {R(-10, 10), R(-10, 10), R(-10, 10)}; }
  KelmatQuaternion Q() { return {R(-1, 1), R(-1, 1), R(-1, 1), R(-1, 1)}; }
  void M(float* m) {
    for (int i = 0; i < 16; ++i) m[i] = R(-3, 3);
  }

  void* handle_ = nullptr;
  std::mt19937 rnd_{99};
};

bool Same(const float* a, const float* b, int n) { return std::memcmp(a, b, sizeof(float) * n) == 0; }

// The record layouts are the same, so the kernel functions take the SDK's records.
TEST_F(AgainstKernelMath, SharedOperationsAgreeBitForBit) {
  using VV = void (*)(KelmatVector*);
  using VVVV = void (*)(KelmatVector*, const KelmatVector*, const KelmatVector*);
  using FVV = float (*)(const KelmatVector*, const KelmatVector*);
  using VVM = void (*)(KelmatVector*, const KelmatVector*, const float*);
  using MMM = void (*)(float*, const float*, const float*);
  using MM = void (*)(float*, const float*);
  using MF = void (*)(float*, float);
  using Polar = void (*)(const KelmatVector*, float*, float*);
  using FromPolar = void (*)(KelmatVector*, float, float);
  using QSet = void (*)(KelmatQuaternion*, float, float, float, float);
  using QQ = void (*)(KelmatQuaternion*, const KelmatQuaternion*);
  using QQQ = void (*)(KelmatQuaternion*, const KelmatQuaternion*, const KelmatQuaternion*);
  using FQQ = float (*)(const KelmatQuaternion*, const KelmatQuaternion*);
  using QSQ = void (*)(KelmatQuaternion*, float, const KelmatQuaternion*);
  using MQ = void (*)(float*, const KelmatQuaternion*);
  using QM = void (*)(KelmatQuaternion*, const float*);
  using Slerp = void (*)(KelmatQuaternion*, const KelmatQuaternion*, const KelmatQuaternion*, float);
  using Q1 = void (*)(KelmatQuaternion*);

  for (int n = 0; n < 2000 && !HasFailure(); ++n) {
    KelmatVector a = V(), b = V(), r1{}, r2{};
    float m1[16], m2[16], m3[16], r16a[16], r16b[16];
    M(m1);
    M(m2);
    KelmatVector na = a, nb = a;
    Kelmat_Vector_Normalize(&na);
    Get<VV>("Zelt_Vecteur_Normalise")(&nb);
    EXPECT_TRUE(Same(&na.x, &nb.x, 3)) << "normalise";
    EXPECT_TRUE(SameBits(Kelmat_Vector_Dot(&a, &b), Get<FVV>("Zelt_Vecteur_Scalaire")(&a, &b)));
    Kelmat_Vector_Cross(&r1, &a, &b);
    Get<VVVV>("Zelt_Vecteur_Vectoriel")(&r2, &a, &b);
    EXPECT_TRUE(Same(&r1.x, &r2.x, 3)) << "cross";
    Kelmat_Vector_Matrix_Mult(&r1, &a, m1);
    Get<VVM>("Zelt_Vecteur_Mult")(&r2, &a, m1);
    EXPECT_TRUE(Same(&r1.x, &r2.x, 3)) << "point";
    Kelmat_Normal_Matrix_Mult(&r1, &a, m1);
    Get<VVM>("Zelt_Normal_Mult")(&r2, &a, m1);
    EXPECT_TRUE(Same(&r1.x, &r2.x, 3)) << "normal";

    Kelmat_Matrix_Mult(r16a, m1, m2);
    Get<MMM>("Zelt_Matrice_Mult")(r16b, m1, m2);
    EXPECT_TRUE(Same(r16a, r16b, 16)) << "product";
    Kelmat_Matrix_Inverse(r16a, m1);
    Get<MM>("Zelt_Matrice_Inverse")(r16b, m1);
    EXPECT_TRUE(Same(r16a, r16b, 16)) << "inverse";
    Kelmat_Matrix_Copy(r16a, m2);
    Get<MM>("Zelt_Matrice_Copy")(r16b, m2);
    EXPECT_TRUE(Same(r16a, r16b, 16)) << "copy";
    Kelmat_Matrix_Init(r16a);
    Get<void (*)(float*)>("Zelt_Matrice_Init")(r16b);
    EXPECT_TRUE(Same(r16a, r16b, 16)) << "init";
    const float angle = R(-7, 7);
    Kelmat_Matrix_Make_Rotation_X(r16a, angle);
    Get<MF>("Zelt_Make_Rotation_Matrice_X")(r16b, angle);
    Kelmat_Matrix_Make_Rotation_Y(m3, angle);
    Get<MF>("Zelt_Make_Rotation_Matrice_Y")(m2, angle);
    EXPECT_TRUE(Same(r16a, r16b, 16) && Same(m3, m2, 16)) << "rotations";
    Kelmat_Matrix_Make_Rotation_Z(r16a, angle);
    Get<MF>("Zelt_Make_Rotation_Matrice_Z")(r16b, angle);
    EXPECT_TRUE(Same(r16a, r16b, 16)) << "rotation z";

    float pa[2], pb[2];
    Kelmat_Convert_Vector_To_Polar(&na, &pa[0], &pa[1]);
    Get<Polar>("Zelt_Convert_To_Polar")(&na, &pb[0], &pb[1]);
    EXPECT_TRUE(Same(pa, pb, 2)) << "to polar";
    Kelmat_Convert_Polar_To_Vector(angle, angle * 0.5f, &r1);
    Get<FromPolar>("Zelt_Convert_From_Polar")(&r2, angle, angle * 0.5f);
    EXPECT_TRUE(Same(&r1.x, &r2.x, 3)) << "from polar";

    KelmatQuaternion qa = Q(), qb = Q(), q1{}, q2{};
    Kelmat_Quaternion_Set(&q1, angle, a.x, a.y, a.z);
    Get<QSet>("Zelt_Quaternion_Set")(&q2, angle, a.x, a.y, a.z);
    EXPECT_TRUE(Same(&q1.w, &q2.w, 4)) << "set";
    q1 = qa;
    q2 = qa;
    Kelmat_Quaternion_Normalize(&q1);
    Get<Q1>("Zelt_Quaternion_Normalise")(&q2);
    EXPECT_TRUE(Same(&q1.w, &q2.w, 4)) << "normalise quaternion";
    qa = q1;
    Kelmat_Quaternion_Log(&q1, &qa);
    Get<QQ>("Zelt_Quaternion_Log")(&q2, &qa);
    EXPECT_TRUE(Same(&q1.w, &q2.w, 4)) << "log";
    EXPECT_TRUE(SameBits(Kelmat_Quaternion_Dot(&qa, &qb), Get<FQQ>("Zelt_Quaternion_Scalaire")(&qa, &qb)));
    Kelmat_Quaternion_Cross(&q1, &qa, &qb);
    Get<QQQ>("Zelt_Quaternion_Vectoriel")(&q2, &qa, &qb);
    EXPECT_TRUE(Same(&q1.w, &q2.w, 4)) << "cross";
    Kelmat_Quaternion_Mult(&q1, &qa, &qb);
    Get<QQQ>("Zelt_Quaternion_Mult")(&q2, &qa, &qb);
    EXPECT_TRUE(Same(&q1.w, &q2.w, 4)) << "mult";
    Kelmat_Quaternion_Add(&q1, &qa, &qb);
    Get<QQQ>("Zelt_Quaternion_Add")(&q2, &qa, &qb);
    EXPECT_TRUE(Same(&q1.w, &q2.w, 4)) << "add";
    Kelmat_Quaternion_Sub(&q1, &qa, &qb);
    Get<QQQ>("Zelt_Quaternion_Sub")(&q2, &qa, &qb);
    EXPECT_TRUE(Same(&q1.w, &q2.w, 4)) << "sub";
    Kelmat_Quaternion_Scalar_Mult(&q1, angle, &qa);
    Get<QSQ>("Zelt_Quaternion_Scalar_Mult")(&q2, angle, &qa);
    EXPECT_TRUE(Same(&q1.w, &q2.w, 4)) << "scale";
    q1 = qa;
    q2 = qa;
    Kelmat_Quaternion_Neg(&q1);
    Get<Q1>("Zelt_Quaternion_Neg")(&q2);
    EXPECT_TRUE(Same(&q1.w, &q2.w, 4)) << "neg";
    Kelmat_Quaternion_To_Matrix(r16a, &qa);
    Get<MQ>("Zelt_Quaternion_To_Matrice")(r16b, &qa);
    EXPECT_TRUE(Same(r16a, r16b, 16)) << "to matrix";
    Kelmat_Matrix_To_Quaternion(&q1, m1);
    Get<QM>("Zelt_Matrice_To_Quaternion")(&q2, m1);
    EXPECT_TRUE(Same(&q1.w, &q2.w, 4)) << "to quaternion";
    if (Kelmat_Quaternion_Dot(&qa, &qb) < 0) Kelmat_Quaternion_Neg(&qb);
    const float t = R(0, 1);
    Kelmat_Quaternion_Slerp(&q1, &qa, &qb, t);
    Get<Slerp>("Zelt_Quaternion_Slerp")(&q2, &qa, &qb, t);
    EXPECT_TRUE(Same(&q1.w, &q2.w, 4)) << "slerp";
  }
}

}  // namespace
