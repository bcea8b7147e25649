// numa6k's array operations over arrays of thousands of records, long enough that its outcodes
// follow the transformation block by block: every record against the reference build, with the
// arrays on a 16-byte boundary, one float past it, and transformed in place.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "_Numa.h"

namespace {

constexpr float kSentinel = -7.0f;

enum Kind { kPoints, kNormals, kOutcodes };

// count records at a 16-byte boundary, or one float past it.
class Records {
 public:
  Records(int count, bool offBoundary) : store_(4 * static_cast<size_t>(count) + 8) {
    const auto address = reinterpret_cast<std::uintptr_t>(store_.data());
    float* first = store_.data() + (16 - address % 16) % 16 / sizeof(float) + (offBoundary ? 1 : 0);
    records_ = reinterpret_cast<ZeltVector4*>(first);
  }
  ZeltVector4* get() { return records_; }

 private:
  std::vector<float> store_;
  ZeltVector4* records_;
};

struct Result {
  std::vector<ZeltVector4> records;
  std::vector<int> codes;
};

// Runs one array operation of `lib` on `source`; every fourth float starts as the sentinel.
Result RunArray(const NumaLib& lib, Kind kind, const std::vector<ZeltVector4>& source, const float* M, bool offBoundary,
           bool inPlace) {
  const int count = static_cast<int>(source.size());
  Records in(count, offBoundary), separate(count, offBoundary);
  ZeltVector4* out = inPlace ? in.get() : separate.get();
  for (int i = 0; i < count; ++i) {
    in.get()[i] = source[i];
    out[i] = inPlace ? source[i] : ZeltVector4{0, 0, 0, kSentinel};
  }
  Result r;
  r.codes.assign(count, -1);
  if (kind == kPoints) lib.Zelt_Vecteur_Array_Matrice_Mult(out, in.get(), M, count);
  if (kind == kNormals) lib.Zelt_Normal_Array_Matrice_Mult(out, in.get(), M, count, 0);
  if (kind == kOutcodes) lib.Zelt_Vertex_Transformation(out, in.get(), r.codes.data(), M, count, 1.0f, 30.0f);
  r.records.assign(out, out + count);
  return r;
}

float FourthOf(const ZeltVector4& v, const float* M, bool translate) {
  const float s = v.x * M[3] + v.y * M[7] + v.z * M[11];
  return translate ? s + M[15] : s;
}

TEST(LargeArrays, Numa6kMatchesTheReferenceOnEveryRecord) {
  const NumaLib& n5 = RequireNuma("numa5");
  const NumaLib& n6k = RequireNuma("numa6k");
  RandomFloats rnd(57);
  float M[16];
  rnd.Any(M, 2);  // not affine, so the fourth column shows
  M[14] = 20;     // most points in front, on both sides of the near and far planes
  // Counts across the outcode blocks: one block and one record, whole blocks, many blocks and three.
  for (int count : {257, 512, 4099}) {
    std::vector<ZeltVector4> source(count);
    for (ZeltVector4& v : source) {
      const ZeltVector p = rnd.Vector(15);
      v = {p.x, p.y, p.z, kSentinel};
    }
    const int grouped = count / 4 * 4;
    for (int kind : {kPoints, kNormals, kOutcodes}) {
      for (bool offBoundary : {false, true}) {
        for (bool inPlace : {false, true}) {
          const std::string what = "count " + std::to_string(count) + " kind " + std::to_string(kind) +
                                   (offBoundary ? " off boundary" : " aligned") + (inPlace ? " in place" : "");
          const Result ref = RunArray(n5, static_cast<Kind>(kind), source, M, offBoundary, inPlace);
          const Result got = RunArray(n6k, static_cast<Kind>(kind), source, M, offBoundary, inPlace);
          int wrong = 0, firstWrong = -1;
          for (int i = 0; i < count; ++i) {
            const ZeltVector4 &a = ref.records[i], &b = got.records[i];
            const float fourth = i < grouped ? FourthOf(source[i], M, kind != kNormals) : kSentinel;
            const bool same = SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z) &&
                              SameBits(b.w, fourth) && a.w == kSentinel && ref.codes[i] == got.codes[i];
            if (!same && wrong++ == 0) firstWrong = i;
          }
          EXPECT_EQ(wrong, 0) << what << ", first at record " << firstWrong;
          if (kind == kOutcodes) {
            const std::set<int> distinct(got.codes.begin(), got.codes.end());
            EXPECT_GE(distinct.size(), 8u) << what;  // the points fall on many sides of the planes
            EXPECT_EQ(distinct.count(-1), 0u) << what;
          }
        }
      }
    }
  }
}

}  // namespace
