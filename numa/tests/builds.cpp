// The builds against each other: numa5 and numa6 agree bit for bit; numa6k agrees bit for bit
// where it computes exactly and within its approximations elsewhere; numa6k's own array rules.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "_Numa.h"

namespace {

ZeltVector UnitVector(RandomFloats& rnd) {
  for (;;) {
    const ZeltVector v = rnd.Vector(1);
    const double len = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    if (len > 0.1) return {float(v.x / len), float(v.y / len), float(v.z / len)};
  }
}

// One operation run on many random inputs; the outputs, in order, as floats. The same seed
// gives every build the same inputs.
struct Operation {
  const char* name;
  float tolerance6k;  // 0: numa6k must agree bit for bit (x, y, z only for the array records)
  std::function<void(const NumaLib&, RandomFloats&, std::vector<float>&, bool xyzOnly)> run;
};

void PushQ(std::vector<float>& out, const ZeltQuaternion& q) { out.insert(out.end(), {q.w, q.x, q.y, q.z}); }
void PushV(std::vector<float>& out, const ZeltVector& v) { out.insert(out.end(), {v.x, v.y, v.z}); }
void PushM(std::vector<float>& out, const float* M) { out.insert(out.end(), M, M + 16); }

// Arrays of up to 13 records; the fourth floats start as a sentinel.
template <class Call>
void RunArray(RandomFloats& rnd, std::vector<float>& out, bool xyzOnly, bool withCodes, Call call) {
  alignas(16) ZeltVector4 in[13], res[13];
  int codes[13];
  const int count = static_cast<int>(rnd(0, 13.99f));
  for (int i = 0; i < count; ++i) {
    const ZeltVector v = rnd.Vector(20);
    in[i] = {v.x, v.y, v.z, rnd(-2, 2)};
    res[i] = {0, 0, 0, -7};
  }
  float M[16];
  rnd.Any(M, 2);
  const float nearZ = rnd(0.5f, 2), farZ = rnd(10, 30);
  call(res, in, codes, M, count, nearZ, farZ);
  for (int i = 0; i < count; ++i) {
    out.insert(out.end(), {res[i].x, res[i].y, res[i].z});
    if (!xyzOnly) out.push_back(res[i].w);
    if (withCodes) out.push_back(static_cast<float>(codes[i]));
  }
}

std::vector<Operation> Operations() {
  using V = ZeltVector;
  using Q = ZeltQuaternion;
  std::vector<Operation> ops = {
      {"Zelt_Vecteur_Normalise", 5e-4f,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         V v = r.Vector(10);
         L.Zelt_Vecteur_Normalise(&v);
         PushV(o, v);
       }},
      {"Zelt_Vecteur_Scalaire", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         const V a = r.Vector(10), b = r.Vector(10);
         o.push_back(L.Zelt_Vecteur_Scalaire(&a, &b));
       }},
      {"Zelt_Scalaire_And_Normalise", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         V v = r.Vector(10);
         o.push_back(L.Zelt_Scalaire_And_Normalise(&v));
         PushV(o, v);
       }},
      {"Zelt_Vecteur_Vectoriel", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         const V a = r.Vector(10), b = r.Vector(10);
         V c{};
         L.Zelt_Vecteur_Vectoriel(&c, &a, &b);
         PushV(o, c);
       }},
      {"Zelt_Vecteur_Mult", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         float M[16];
         r.Any(M, 3);
         const V v = r.Vector(10);
         V c{};
         L.Zelt_Vecteur_Mult(&c, &v, M);
         PushV(o, c);
       }},
      {"Zelt_Normal_Mult", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         float M[16];
         r.Any(M, 3);
         const V v = r.Vector(10);
         V c{};
         L.Zelt_Normal_Mult(&c, &v, M);
         PushV(o, c);
       }},
      {"Zelt_Vecteur_Array_Matrice_Mult", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool xyz) {
         RunArray(r, o, xyz, false, [&L](ZeltVector4* res, const ZeltVector4* in, int*, const float* M, int n,
                                         float, float) { L.Zelt_Vecteur_Array_Matrice_Mult(res, in, M, n); });
       }},
      {"Zelt_Normal_Array_Matrice_Mult", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool xyz) {
         RunArray(r, o, xyz, false, [&L](ZeltVector4* res, const ZeltVector4* in, int*, const float* M, int n,
                                         float, float) { L.Zelt_Normal_Array_Matrice_Mult(res, in, M, n, 0); });
       }},
      {"Zelt_Normal_Array_Matrice_Mult normalising", 5e-4f,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         // The fourth float of the normalising variant is left to each build.
         RunArray(r, o, true, false, [&L](ZeltVector4* res, const ZeltVector4* in, int*, const float* M, int n,
                                          float, float) { L.Zelt_Normal_Array_Matrice_Mult(res, in, M, n, 1); });
       }},
      {"Zelt_Vertex_Transformation", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool xyz) {
         RunArray(r, o, xyz, true, [&L](ZeltVector4* res, const ZeltVector4* in, int* codes, const float* M,
                                        int n, float nz, float fz) {
           L.Zelt_Vertex_Transformation(res, in, codes, M, n, nz, fz);
         });
       }},
      {"Zelt_Matrice_Init", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         float M[16];
         r.Any(M, 1);
         L.Zelt_Matrice_Init(M);
         PushM(o, M);
       }},
      {"Zelt_Matrice_Copy", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         float A[16], B[16];
         r.Any(A, 9);
         L.Zelt_Matrice_Copy(B, A);
         PushM(o, B);
       }},
      {"Zelt_Matrice_Mult", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         float A[16], B[16], C[16];
         r.Any(A, 3);
         r.Any(B, 3);
         L.Zelt_Matrice_Mult(C, A, B);
         PushM(o, C);
       }},
      {"Zelt_Matrice_Inverse", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         float A[16], B[16];
         r.Affine(A);
         L.Zelt_Matrice_Inverse(B, A);
         PushM(o, B);
       }},
      {"Zelt_Make_Rotation_Matrice_X/Y/Z", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         float M[16];
         const float angle = r(-7, 7);
         L.Zelt_Make_Rotation_Matrice_X(M, angle);
         PushM(o, M);
         L.Zelt_Make_Rotation_Matrice_Y(M, angle);
         PushM(o, M);
         L.Zelt_Make_Rotation_Matrice_Z(M, angle);
         PushM(o, M);
       }},
      {"Zelt_Convert_To_Polar", 2e-6f,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         const V v = UnitVector(r);
         float a = 0, b = 0;
         L.Zelt_Convert_To_Polar(&v, &a, &b);
         o.insert(o.end(), {a, b});
       }},
      {"Zelt_Convert_From_Polar", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         V v{};
         L.Zelt_Convert_From_Polar(&v, r(-4, 4), r(-4, 4));
         PushV(o, v);
       }},
      {"Zelt_Quaternion_Set", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         Q q{};
         L.Zelt_Quaternion_Set(&q, r(-7, 7), r(-2, 2), r(-2, 2), r(-2, 2));
         PushQ(o, q);
       }},
      {"Zelt_Quaternion_Log", 2e-6f,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         const Q q = r.UnitQuaternion();
         Q out{};
         L.Zelt_Quaternion_Log(&out, &q);
         PushQ(o, out);
       }},
      {"Zelt_Quaternion_Normalise", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         Q q{r(-5, 5), r(-5, 5), r(-5, 5), r(-5, 5)};
         L.Zelt_Quaternion_Normalise(&q);
         PushQ(o, q);
       }},
      {"Zelt_Quaternion_Scalaire", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         const Q a{r(-5, 5), r(-5, 5), r(-5, 5), r(-5, 5)}, b{r(-5, 5), r(-5, 5), r(-5, 5), r(-5, 5)};
         o.push_back(L.Zelt_Quaternion_Scalaire(&a, &b));
       }},
      {"Zelt_Quaternion_Vectoriel/Mult", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         const Q a{r(-5, 5), r(-5, 5), r(-5, 5), r(-5, 5)}, b{r(-5, 5), r(-5, 5), r(-5, 5), r(-5, 5)};
         Q c{}, d{};
         L.Zelt_Quaternion_Vectoriel(&c, &a, &b);
         L.Zelt_Quaternion_Mult(&d, &a, &b);
         PushQ(o, c);
         PushQ(o, d);
       }},
      {"Zelt_Quaternion_Neg/Add/Sub/Scalar_Mult", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         Q a{r(-5, 5), r(-5, 5), r(-5, 5), r(-5, 5)}, b{r(-5, 5), r(-5, 5), r(-5, 5), r(-5, 5)}, c{};
         L.Zelt_Quaternion_Add(&c, &a, &b);
         PushQ(o, c);
         L.Zelt_Quaternion_Sub(&c, &a, &b);
         PushQ(o, c);
         L.Zelt_Quaternion_Scalar_Mult(&c, r(-3, 3), &a);
         PushQ(o, c);
         L.Zelt_Quaternion_Neg(&a);
         PushQ(o, a);
       }},
      {"Zelt_Quaternion_To_Matrice", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         const Q q{r(-5, 5), r(-5, 5), r(-5, 5), r(-5, 5)};
         float M[16];
         L.Zelt_Quaternion_To_Matrice(M, &q);
         PushM(o, M);
       }},
      {"Zelt_Matrice_To_Quaternion", 0,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         float M[16];
         r.Affine(M);
         Q q{};
         L.Zelt_Matrice_To_Quaternion(&q, M);
         PushQ(o, q);
       }},
      {"Zelt_Quaternion_Slerp", 2e-6f,
       [](const NumaLib& L, RandomFloats& r, std::vector<float>& o, bool) {
         const Q a = r.UnitQuaternion();
         Q b = r.UnitQuaternion();
         const float pick = r(0, 1);
         if (pick < 0.1f) b = a;                         // same: linear branch
         else if (pick < 0.2f) b = {-a.w, -a.x, -a.y, -a.z};  // opposite
         else if (L.Zelt_Quaternion_Scalaire(&a, &b) < 0) L.Zelt_Quaternion_Neg(&b);
         Q out{};
         L.Zelt_Quaternion_Slerp(&out, &a, &b, r(0, 1));
         PushQ(o, out);
       }},
  };
  return ops;
}

std::vector<float> RunMany(const Operation& op, const NumaLib& lib, bool xyzOnly, int trials) {
  RandomFloats rnd(1234);
  std::vector<float> out;
  for (int i = 0; i < trials; ++i) op.run(lib, rnd, out, xyzOnly);
  return out;
}

TEST(Builds, Numa5AndNuma6AgreeBitForBit) {
  const NumaLib& n5 = RequireNuma("numa5");
  const NumaLib& n6 = RequireNuma("numa6");
  for (const Operation& op : Operations()) {
    const std::vector<float> a = RunMany(op, n5, false, 3000), b = RunMany(op, n6, false, 3000);
    ASSERT_EQ(a.size(), b.size()) << op.name;
    ASSERT_FALSE(a.empty()) << op.name;
    size_t differing = 0;
    for (size_t i = 0; i < a.size(); ++i) differing += SameBits(a[i], b[i]) ? 0 : 1;
    EXPECT_EQ(differing, 0u) << op.name;
  }
}

TEST(Builds, Numa6kAgreesWithTheReference) {
  const NumaLib& n5 = RequireNuma("numa5");
  const NumaLib& n6k = RequireNuma("numa6k");
  for (const Operation& op : Operations()) {
    const std::vector<float> a = RunMany(op, n5, true, 3000), b = RunMany(op, n6k, true, 3000);
    ASSERT_EQ(a.size(), b.size()) << op.name;
    size_t differing = 0;
    float worst = 0;
    for (size_t i = 0; i < a.size(); ++i) {
      if (op.tolerance6k == 0) {
        differing += SameBits(a[i], b[i]) ? 0 : 1;
      } else {
        const float err = std::fabs(a[i] - b[i]) / std::max(1.0f, std::fabs(a[i]));
        if (!(err <= op.tolerance6k)) ++differing;
        if (err > worst) worst = err;
      }
    }
    EXPECT_EQ(differing, 0u) << op.name << " (worst relative error " << worst << ")";
  }
}

TEST(Builds, ReferenceNormaliseZeroesShortVectorsAndNuma6kDoesNot) {
  for (const char* name : {"numa5", "numa6"}) {
    ZeltVector v{0.00005f, 0, 0};
    RequireNuma(name).Zelt_Vecteur_Normalise(&v);
    EXPECT_TRUE(v.x == 0 && v.y == 0 && v.z == 0) << name;
    ZeltVector w{0.0002f, 0, 0};
    RequireNuma(name).Zelt_Vecteur_Normalise(&w);
    EXPECT_EQ(w.x, 1.0f) << name;
  }
  ZeltVector v{0.00005f, 0, 0};
  RequireNuma("numa6k").Zelt_Vecteur_Normalise(&v);
  EXPECT_NEAR(v.x, 1.0f, 1e-3f);
  EXPECT_EQ(v.y, 0);
}

TEST(Builds, Numa6kApproximateNormaliseStaysWithinItsPrecision) {
  RandomFloats rnd(77);
  const NumaLib& L = RequireNuma("numa6k");
  for (int n = 0; n < 5000; ++n) {
    const float scale = std::pow(10.0f, rnd(-3, 3));
    const ZeltVector v0 = rnd.Vector(scale);
    ZeltVector v = v0;
    L.Zelt_Vecteur_Normalise(&v);
    const double len = std::sqrt(double(v0.x) * v0.x + double(v0.y) * v0.y + double(v0.z) * v0.z);
    // rsqrt carries a relative error below 1.5 * 2^-12.
    EXPECT_NEAR(v.x, v0.x / len, 4e-4) << n;
    EXPECT_NEAR(v.y, v0.y / len, 4e-4) << n;
    EXPECT_NEAR(v.z, v0.z / len, 4e-4) << n;
  }
  ZeltVector zero{0, 0, 0};
  L.Zelt_Vecteur_Normalise(&zero);
  EXPECT_TRUE(zero.x == 0 && zero.y == 0 && zero.z == 0);
}

TEST(Builds, SingleVectorOperationsWriteTwelveBytesOnly) {
  struct Padded {
    ZeltVector v;
    float next;
  };
  for (const char* name : {"numa5", "numa6", "numa6k"}) {
    const NumaLib& L = RequireNuma(name);
    float M[16];
    L.Zelt_Make_Rotation_Matrice_X(M, 0.5f);
    Padded p{{1, 2, 3}, 99};
    L.Zelt_Vecteur_Normalise(&p.v);
    L.Zelt_Scalaire_And_Normalise(&p.v);
    L.Zelt_Vecteur_Mult(&p.v, &p.v, M);
    L.Zelt_Normal_Mult(&p.v, &p.v, M);
    L.Zelt_Vecteur_Vectoriel(&p.v, &p.v, &p.v);
    L.Zelt_Convert_From_Polar(&p.v, 1, 2);
    EXPECT_EQ(p.next, 99.0f) << name;
  }
}

// Points: x.M3 + y.M7 + z.M11 + M15; normals: the same without M15.
float FourthOf(const ZeltVector4& v, const float* M, bool translate) {
  const float s = v.x * M[3] + v.y * M[7] + v.z * M[11];
  return translate ? s + M[15] : s;
}

TEST(Builds, Numa6kWritesTheFourthFloatInGroupsOfFourOnly) {
  RandomFloats rnd(31);
  float M[16];
  rnd.Any(M, 2);  // not affine, so the fourth column shows
  for (int count : {3, 4, 7, 9}) {
    for (int kind = 0; kind < 3; ++kind) {
      alignas(16) ZeltVector4 in[9], out6k[9], out5[9];
      int codes[9];
      for (int i = 0; i < count; ++i) {
        const ZeltVector v = rnd.Vector(5);
        in[i] = {v.x, v.y, v.z, 3};
        out6k[i] = out5[i] = {0, 0, 0, -7};
      }
      for (const char* name : {"numa5", "numa6k"}) {
        const NumaLib& L = RequireNuma(name);
        ZeltVector4* out = std::string(name) == "numa5" ? out5 : out6k;
        if (kind == 0) L.Zelt_Vecteur_Array_Matrice_Mult(out, in, M, count);
        if (kind == 1) L.Zelt_Normal_Array_Matrice_Mult(out, in, M, count, 0);
        if (kind == 2) L.Zelt_Vertex_Transformation(out, in, codes, M, count, 1, 10);
      }
      const int grouped = count / 4 * 4;
      for (int i = 0; i < count; ++i) {
        EXPECT_EQ(out5[i].w, -7.0f) << "numa5 keeps the fourth float, kind " << kind;
        if (i < grouped) {
          EXPECT_TRUE(SameBits(out6k[i].w, FourthOf(in[i], M, kind != 1))) << "kind " << kind << " vertex " << i;
        } else {
          EXPECT_EQ(out6k[i].w, -7.0f) << "kind " << kind << " vertex " << i;
        }
      }
    }
  }
}

TEST(Builds, Numa6kTakesUnalignedArraysWithTheSameResults) {
  RandomFloats rnd(41);
  float M[16];
  rnd.Affine(M);
  const NumaLib& L = RequireNuma("numa6k");
  alignas(16) float inStore[4 * 12 + 1], outStore[4 * 12 + 1];
  alignas(16) ZeltVector4 in[12], out[12];
  int codes[12], codesU[12];
  for (int i = 0; i < 12; ++i) {
    const ZeltVector v = rnd.Vector(30);
    in[i] = {v.x, v.y, v.z, 1};
  }
  // The same records one float off a 16-byte boundary.
  std::memcpy(inStore + 1, in, sizeof in);
  auto* inU = reinterpret_cast<ZeltVector4*>(inStore + 1);
  auto* outU = reinterpret_cast<ZeltVector4*>(outStore + 1);
  L.Zelt_Vertex_Transformation(out, in, codes, M, 12, 1, 40);
  L.Zelt_Vertex_Transformation(outU, inU, codesU, M, 12, 1, 40);
  EXPECT_EQ(std::memcmp(out, outStore + 1, sizeof out), 0);
  EXPECT_EQ(std::memcmp(codes, codesU, sizeof codes), 0);
  L.Zelt_Normal_Array_Matrice_Mult(out, in, M, 12, 0);
  L.Zelt_Normal_Array_Matrice_Mult(outU, inU, M, 12, 0);
  EXPECT_EQ(std::memcmp(out, outStore + 1, sizeof out), 0);
}

}  // namespace
