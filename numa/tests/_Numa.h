// Loads the math builds from the build's bin folder with dlopen, as the kernel does, and gives
// their 31 exports as function pointers of the same names.
#pragma once

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "include/zelt/math.h"

struct NumaLib {
  std::string name;
#define NUMA_TEST_MEMBER(ret, fn, params) fn##_Fn fn = nullptr;
  ZELT_MATH_FUNCTIONS(NUMA_TEST_MEMBER)
#undef NUMA_TEST_MEMBER
};

// The library "numa5", "numa6" or "numa6k"; null (with the reason in *error) when it cannot be
// loaded or lacks an export. Loaded once per process.
const NumaLib* LoadNuma(const std::string& name, std::string* error);

// The same, throwing the reason when the library cannot be loaded.
const NumaLib& RequireNuma(const std::string& name);

// Full path of a file in the build's bin folder ($LUMORA_BIN).
std::string BinPath(const std::string& file);

inline bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Uniform floats in [lo, hi] from a fixed seed.
class RandomFloats {
 public:
  explicit RandomFloats(unsigned seed) : engine_(seed) {}
  float operator()(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(engine_); }
  ZeltVector Vector(float range) { return {(*this)(-range, range), (*this)(-range, range), (*this)(-range, range)}; }
  ZeltQuaternion UnitQuaternion();
  // An affine matrix: a random rotation, scale in [0.2, 5] per axis, a translation.
  void Affine(float* M);
  void Any(float* M, float range);

 private:
  std::mt19937 engine_;
};
