// Spatial hash for the first-match searches of weld, snap and weld-normals.
//
// A point is compared with a growing list of reference points; the first
// reference (in list order) within the distance wins, and a point without
// match is appended. A plain scan of the list gives that answer in quadratic
// time; this grid gives exactly the same answer: references are bucketed in
// cubic cells of four times the distance, a query visits the cells its
// neighbourhood touches (1 to 8, about 3.4 on average), and among the matches
// takes the lowest list index.
// Since references never match one another (a point is appended only when
// nothing matches it), a cell holds only a handful of them.
#ifndef KELMAT_WELDGRID_H
#define KELMAT_WELDGRID_H

#include "kelmat/kelmat.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kelmat {

// The match rule: the Euclidean distance between p and q is not greater than
// the distance. Worked in double so that differences of floats are exact and
// their squares never underflow: a distance of 0 matches equal points only.
inline bool WithinDistance(const KelmatVector& p, const KelmatVector& q, float distance) {
  const double dx = static_cast<double>(p.x) - q.x;
  const double dy = static_cast<double>(p.y) - q.y;
  const double dz = static_cast<double>(p.z) - q.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz) <= static_cast<double>(distance);
}

class MatchGrid {
 public:
  explicit MatchGrid(float distance, std::size_t expected = 0)
      : distance_(distance),
        reach_(static_cast<double>(distance) * (1.0 + 1e-9)),
        inverseCell_(reach_ > 0.0 ? 1.0 / (4.0 * reach_) : 0.0) {
    points_.reserve(expected);
    next_.reserve(expected);
    // The table grows with the cells in use; starting small keeps it in cache.
    slots_.assign(1024, Slot{});
  }

  std::size_t size() const { return points_.size(); }
  const KelmatVector& operator[](std::size_t i) const { return points_[i]; }

  // Index of the first reference within distance of p, or -1.
  int64_t Find(const KelmatVector& p) const {
    if (!(distance_ >= 0.0f)) return -1;
    if (!std::isfinite(reach_)) {
      // An infinite distance reaches everything: plain scan.
      for (std::size_t r = 0; r < points_.size(); ++r) {
        if (WithinDistance(p, points_[r], distance_)) return static_cast<int64_t>(r);
      }
      return -1;
    }
    if (!Searchable(p)) return -1;
    double lo[3], hi[3];
    const double c[3] = {p.x, p.y, p.z};
    for (int a = 0; a < 3; ++a) {
      lo[a] = Cell(c[a] - reach_);
      hi[a] = Cell(c[a] + reach_);
    }
    int64_t best = -1;
    double x = lo[0];
    for (int ix = 0; ix < 3 && x <= hi[0]; ++ix, x = Step(x)) {
      double y = lo[1];
      for (int iy = 0; iy < 3 && y <= hi[1]; ++iy, y = Step(y)) {
        double z = lo[2];
        for (int iz = 0; iz < 3 && z <= hi[2]; ++iz, z = Step(z)) {
          const Slot* slot = Lookup(x, y, z);
          if (slot == nullptr) continue;
          for (int32_t r = slot->head; r >= 0 && (best < 0 || r < best); r = next_[r]) {
            if (WithinDistance(p, points_[r], distance_)) {
              best = r;
              break;
            }
          }
        }
      }
    }
    return best;
  }

  // Appends p as the next reference; returns its index.
  int64_t Add(const KelmatVector& p) {
    const int32_t index = static_cast<int32_t>(points_.size());
    points_.push_back(p);
    next_.push_back(-1);
    if (Searchable(p) && distance_ >= 0.0f && std::isfinite(reach_)) {
      if ((used_ + 1) * 2 > slots_.size()) Grow();
      Slot& slot = Insert(Cell(p.x), Cell(p.y), Cell(p.z));
      if (slot.head < 0) {
        slot.head = index;
      } else {
        next_[slot.tail] = index;
      }
      slot.tail = index;
    }
    return index;
  }

 private:
  struct Slot {
    double x = 0, y = 0, z = 0;
    int32_t head = -1;  // oldest reference of the cell; -1: slot unused
    int32_t tail = -1;  // newest, where the next one is chained
  };

  // Points with a coordinate that is not finite match nothing.
  static bool Searchable(const KelmatVector& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
  }

  // Cell coordinate of a value (monotonic in the value, which is all the
  // search relies on); distance 0 buckets exact values. The added 0.0 turns a
  // negative zero into a positive one.
  double Cell(double v) const {
    const double cell = inverseCell_ > 0.0 ? std::floor(v * inverseCell_) : v;
    return cell + 0.0;
  }

  // The next cell along an axis; stops (returns a larger value than any
  // bound) where doubles can no longer tell neighbouring cells apart.
  static double Step(double v) {
    const double n = v + 1.0;
    return n == v ? INFINITY : n;
  }

  static uint64_t Bits(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
  }

  // Cell coordinates are whole numbers held in doubles: their low bits are
  // zero, so every bit is mixed before the table index is taken.
  static uint64_t Mix(uint64_t z) {
    z ^= z >> 30;
    z *= 0xBF58476D1CE4E5B9ull;
    z ^= z >> 27;
    z *= 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  static uint64_t Hash(double x, double y, double z) { return Mix(Bits(x) ^ Mix(Bits(y) ^ Mix(Bits(z)))); }

  const Slot* Lookup(double x, double y, double z) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Hash(x, y, z) & mask;; i = (i + 1) & mask) {
      const Slot& s = slots_[i];
      if (s.head < 0) return nullptr;
      if (s.x == x && s.y == y && s.z == z) return &s;
    }
  }

  Slot& Insert(double x, double y, double z) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Hash(x, y, z) & mask;; i = (i + 1) & mask) {
      Slot& s = slots_[i];
      if (s.head < 0) {
        s.x = x;
        s.y = y;
        s.z = z;
        ++used_;
        return s;
      }
      if (s.x == x && s.y == y && s.z == z) return s;
    }
  }

  void Grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.size() * 2, Slot{});
    used_ = 0;
    for (const Slot& s : old) {
      if (s.head >= 0) {
        Slot& n = Insert(s.x, s.y, s.z);
        n.head = s.head;
        n.tail = s.tail;
      }
    }
  }

  float distance_;
  double reach_;
  double inverseCell_;
  std::vector<KelmatVector> points_;
  std::vector<int32_t> next_;  // chain of references within a cell, in list order
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
};

}  // namespace kelmat

#endif
