// The plain first-match scan the weld operations are defined by: each point
// is compared with the reference list in order, the first one within the
// distance wins, a point without match is appended. Quadratic, kept only to
// check the fast searches against.
#ifndef KELMAT_TESTS_WELDREFERENCE_H
#define KELMAT_TESTS_WELDREFERENCE_H

#include <cstdint>
#include <random>
#include <vector>

#include "kelmat/WeldGrid.h"
#include "kelmat/kelmat.h"

struct LinearMatch {
  float distance;
  std::vector<KelmatVector> refs;

  int64_t Find(const KelmatVector& p) const {
    for (std::size_t r = 0; r < refs.size(); ++r)
      if (kelmat::WithinDistance(p, refs[r], distance)) return static_cast<int64_t>(r);
    return -1;
  }
  int64_t Add(const KelmatVector& p) {
    refs.push_back(p);
    return static_cast<int64_t>(refs.size() - 1);
  }
};

// For each point: the reference index it matched or became.
template <class Search>
std::vector<int64_t> FirstMatchMap(Search& search, const std::vector<KelmatVector>& points) {
  std::vector<int64_t> map;
  map.reserve(points.size());
  for (const KelmatVector& p : points) {
    const int64_t m = search.Find(p);
    map.push_back(m >= 0 ? m : search.Add(p));
  }
  return map;
}

// Random points in clusters: each cluster a centre with points scattered
// within spread of it, plus exact repeats.
inline std::vector<KelmatVector> ClusteredPoints(std::size_t count, float extent, float spread,
                                                 uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> where(-extent, extent);
  std::uniform_real_distribution<float> jitter(-spread, spread);
  std::vector<KelmatVector> points;
  points.reserve(count);
  while (points.size() < count) {
    const KelmatVector c = {where(rng), where(rng), where(rng)};
    const int size = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < size && points.size() < count; ++i) {
      if (i > 0 && rng() % 4 == 0) {
        points.push_back(points.back());
      } else {
        points.push_back({c.x + jitter(rng), c.y + jitter(rng), c.z + jitter(rng)});
      }
    }
  }
  std::shuffle(points.begin(), points.end(), rng);
  return points;
}

#endif
