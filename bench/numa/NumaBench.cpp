// Math builds against the same work written with glm.
//
//   bench_numa [--benchmark_filter=...] [--benchmark_repetitions=N]
//
// Each build is loaded with dlopen from the folder of this program. The glm loops are compiled
// here, with this program's flags. glm works on column vectors: our row-major matrix read as
// glm's column-major mat4 is its transpose, so p . M becomes m * p and A x B becomes b * a.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <cstring>
// glm's functions are plain inline; without this a compiler may leave its operators as calls.
#define GLM_FORCE_INLINE
#include <glm/glm.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "include/zelt/math.h"

namespace {

constexpr int kVertices = 1'000'000;
constexpr int kBatch = 4096;

struct Lib {
  std::string name;
#define NUMA_BENCH_MEMBER(ret, fn, params) fn##_Fn fn = nullptr;
  ZELT_MATH_FUNCTIONS(NUMA_BENCH_MEMBER)
#undef NUMA_BENCH_MEMBER
};

bool Load(const std::string& name, Lib& lib) {
  const char* bin = std::getenv("LUMORA_BIN");
  const std::string path = std::string(bin && *bin ? bin : NUMA_BENCH_BIN_DIR) + "/lib" + name + ".so";
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
    return false;
  }
  lib.name = name;
#define NUMA_BENCH_RESOLVE(ret, fn, params)                               \
  lib.fn = reinterpret_cast<fn##_Fn>(dlsym(handle, #fn));                 \
  if (!lib.fn) {                                                          \
    std::fprintf(stderr, "%s lacks %s\n", path.c_str(), #fn);             \
    return false;                                                         \
  }
  ZELT_MATH_FUNCTIONS(NUMA_BENCH_RESOLVE)
#undef NUMA_BENCH_RESOLVE
  return true;
}

template <class T>
struct AlignedFree {
  void operator()(T* p) const { std::free(p); }
};
template <class T>
using Aligned = std::unique_ptr<T[], AlignedFree<T>>;

template <class T>
Aligned<T> AllocAligned(size_t count) {
  void* p = std::aligned_alloc(64, (count * sizeof(T) + 63) / 64 * 64);
  if (!p) std::abort();
  return Aligned<T>(static_cast<T*>(p));
}

// Shared inputs, built once.
struct Data {
  Aligned<ZeltVector4> in = AllocAligned<ZeltVector4>(kVertices);
  Aligned<ZeltVector4> out = AllocAligned<ZeltVector4>(kVertices);
  std::vector<int> codes = std::vector<int>(kVertices);
  std::vector<float> matA = std::vector<float>(16 * kBatch);
  std::vector<float> matB = std::vector<float>(16 * kBatch);
  std::vector<float> matOut = std::vector<float>(16 * kBatch);
  std::vector<ZeltVector> vectors = std::vector<ZeltVector>(kBatch);
  float camera[16];

  Data() {
    std::mt19937 rnd(5);
    std::uniform_real_distribution<float> u(-100, 100);
    for (int i = 0; i < kVertices; ++i) in[i] = {u(rnd), u(rnd), u(rnd), 1};
    for (float& f : matA) f = u(rnd) / 100;
    for (float& f : matB) f = u(rnd) / 100;
    for (ZeltVector& v : vectors) v = {u(rnd), u(rnd), u(rnd)};
    // A camera-like affine matrix: a turn about z and x, then a push along z.
    const float c = 0.8f, s = 0.6f;
    const float m[16] = {c, 0, -s, 0, s * s, c, s * c, 0, s * c, -s, c * c, 0, 3, -2, 150, 1};
    std::memcpy(camera, m, sizeof m);
  }
};

Data& Shared() {
  static Data data;
  return data;
}

// ---- the math builds ----------------------------------------------------------------------

// Argument: vertex count (one million, and a count whose arrays stay in the caches).
void NumaArray(benchmark::State& state, const Lib* lib) {
  Data& d = Shared();
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    lib->Zelt_Vecteur_Array_Matrice_Mult(d.out.get(), d.in.get(), d.camera, count);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void NumaVertex(benchmark::State& state, const Lib* lib) {
  Data& d = Shared();
  for (auto _ : state) {
    lib->Zelt_Vertex_Transformation(d.out.get(), d.in.get(), d.codes.data(), d.camera, kVertices, 1.0f, 300.0f);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kVertices);
}

void NumaMatrixProduct(benchmark::State& state, const Lib* lib) {
  Data& d = Shared();
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) lib->Zelt_Matrice_Mult(&d.matOut[16 * i], &d.matA[16 * i], &d.matB[16 * i]);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}

void NumaNormalise(benchmark::State& state, const Lib* lib) {
  Data& d = Shared();
  std::vector<ZeltVector> work(kBatch);
  for (auto _ : state) {
    std::memcpy(work.data(), d.vectors.data(), sizeof(ZeltVector) * kBatch);
    for (int i = 0; i < kBatch; ++i) lib->Zelt_Vecteur_Normalise(&work[i]);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}

// ---- the same work with glm ---------------------------------------------------------------
// Each loop is a function of its own, called once per pass like a library export. The matrix is
// copied to a local first: through the reference the compiler must assume a store to out may
// change it and reloads its four columns for every vertex, which the math builds do not do.

__attribute__((noinline)) void GlmTransform(glm::vec4* out, const glm::vec4* in, const glm::mat4& matrix, int count) {
  const glm::mat4 m = matrix;
  for (int i = 0; i < count; ++i) out[i] = m * glm::vec4(glm::vec3(in[i]), 1.0f);
}

__attribute__((noinline)) void GlmTransformCodes(glm::vec4* out, const glm::vec4* in, int* codes,
                                                 const glm::mat4& matrix, int count, float nearZ, float farZ) {
  const glm::mat4 m = matrix;
  for (int i = 0; i < count; ++i) {
    const glm::vec4 p = m * glm::vec4(glm::vec3(in[i]), 1.0f);
    out[i] = p;
    codes[i] = (p.z >= nearZ ? 1 : 0) | (p.z <= farZ ? 2 : 0) | (p.x >= -p.z ? 4 : 0) | (p.x <= p.z ? 8 : 0) |
               (p.y <= p.z ? 16 : 0) | (p.y >= -p.z ? 32 : 0);
  }
}

__attribute__((noinline)) void GlmProducts(glm::mat4* out, const glm::mat4* a, const glm::mat4* b, int count) {
  for (int i = 0; i < count; ++i) out[i] = b[i] * a[i];
}

__attribute__((noinline)) void GlmNormalise(glm::vec3* v, int count) {
  for (int i = 0; i < count; ++i) v[i] = glm::normalize(v[i]);
}

void GlmArray(benchmark::State& state) {
  Data& d = Shared();
  const glm::mat4 m = glm::make_mat4(d.camera);
  const auto* in = reinterpret_cast<const glm::vec4*>(d.in.get());
  auto* out = reinterpret_cast<glm::vec4*>(d.out.get());
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    GlmTransform(out, in, m, count);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

// The memory floor of the array transform: copying the same bytes, with the C library and with a
// plain loop of 16-byte loads and stores like the transform's (the library may take other paths
// for large copies).
__attribute__((noinline)) void CopyLoop(glm::vec4* out, const glm::vec4* in, int count) {
  for (int i = 0; i < count; ++i) out[i] = in[i];
}

void CopyFloor(benchmark::State& state) {
  Data& d = Shared();
  const auto* in = reinterpret_cast<const glm::vec4*>(d.in.get());
  auto* out = reinterpret_cast<glm::vec4*>(d.out.get());
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    CopyLoop(out, in, count);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void MemoryFloor(benchmark::State& state) {
  Data& d = Shared();
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::memcpy(d.out.get(), d.in.get(), sizeof(ZeltVector4) * count);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void GlmVertex(benchmark::State& state) {
  Data& d = Shared();
  const glm::mat4 m = glm::make_mat4(d.camera);
  const auto* in = reinterpret_cast<const glm::vec4*>(d.in.get());
  auto* out = reinterpret_cast<glm::vec4*>(d.out.get());
  int* codes = d.codes.data();
  const float nearZ = 1.0f, farZ = 300.0f;
  for (auto _ : state) {
    GlmTransformCodes(out, in, codes, m, kVertices, nearZ, farZ);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kVertices);
}

void GlmMatrixProduct(benchmark::State& state) {
  Data& d = Shared();
  const auto* a = reinterpret_cast<const glm::mat4*>(d.matA.data());
  const auto* b = reinterpret_cast<const glm::mat4*>(d.matB.data());
  auto* out = reinterpret_cast<glm::mat4*>(d.matOut.data());
  for (auto _ : state) {
    GlmProducts(out, a, b, kBatch);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}

void GlmNormaliseBench(benchmark::State& state) {
  Data& d = Shared();
  std::vector<glm::vec3> work(kBatch);
  for (auto _ : state) {
    std::memcpy(work.data(), d.vectors.data(), sizeof(ZeltVector) * kBatch);
    GlmNormalise(work.data(), kBatch);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}

// Head to head at one million records: rounds of numa6k's array transform and the glm loop over
// the same arrays, in alternating order, timed on processor time. Prints the median time per
// pass of each, the median of the rounds' ratios and how many rounds numa6k won.
double cpuMicros() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void headToHead(const Lib& lib) {
  Data& d = Shared();
  const glm::mat4 m = glm::make_mat4(d.camera);
  const auto* in = reinterpret_cast<const glm::vec4*>(d.in.get());
  auto* out = reinterpret_cast<glm::vec4*>(d.out.get());
  constexpr int kRounds = 25;
  constexpr int kPasses = 10;
  const auto numaPasses = [&] {
    const double start = cpuMicros();
    for (int i = 0; i < kPasses; ++i) lib.Zelt_Vecteur_Array_Matrice_Mult(d.out.get(), d.in.get(), d.camera, kVertices);
    return (cpuMicros() - start) / kPasses;
  };
  const auto glmPasses = [&] {
    const double start = cpuMicros();
    for (int i = 0; i < kPasses; ++i) GlmTransform(out, in, m, kVertices);
    return (cpuMicros() - start) / kPasses;
  };
  std::vector<double> numa, glmTimes, ratios;
  int wins = 0;
  for (int round = 0; round < kRounds; ++round) {
    double a, b;
    if (round % 2) {
      b = glmPasses();
      a = numaPasses();
    } else {
      a = numaPasses();
      b = glmPasses();
    }
    numa.push_back(a);
    glmTimes.push_back(b);
    ratios.push_back(a / b);
    wins += a < b;
  }
  std::printf(
      "array transform, 1,000,000 records, %d alternating rounds of %d passes: %s %.0f us, glm %.0f us per pass "
      "(medians); %s/glm %.3f (median of rounds, %.3f..%.3f); %s faster in %d of %d rounds\n",
      kRounds, kPasses, lib.name.c_str(), median(numa), median(glmTimes), lib.name.c_str(), median(ratios),
      *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()),
      lib.name.c_str(), wins, kRounds);
}

}  // namespace

int main(int argc, char** argv) {
  static_assert(sizeof(glm::vec4) == sizeof(ZeltVector4) && sizeof(glm::vec3) == sizeof(ZeltVector));
  static std::vector<Lib> libs(3);
  const char* names[] = {"numa5", "numa6", "numa6k"};
  for (int i = 0; i < 3; ++i) {
    if (!Load(names[i], libs[i])) return 1;
  }
  for (const Lib& lib : libs) {
    benchmark::RegisterBenchmark(("ArrayTransform/" + lib.name).c_str(), NumaArray, &lib)
        ->Arg(kVertices)->Arg(16384)->Unit(benchmark::kMicrosecond);
  }
  benchmark::RegisterBenchmark("ArrayTransform/glm", GlmArray)->Arg(kVertices)->Arg(16384)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("ArrayTransform/memcpy", MemoryFloor)->Arg(kVertices)->Arg(16384)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("ArrayTransform/copy", CopyFloor)->Arg(kVertices)->Arg(16384)->Unit(benchmark::kMicrosecond);
  for (const Lib& lib : libs) {
    benchmark::RegisterBenchmark(("VertexOutcodes/" + lib.name).c_str(), NumaVertex, &lib)->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("VertexOutcodes/glm", GlmVertex)->Unit(benchmark::kMillisecond);
  for (const Lib& lib : libs) {
    benchmark::RegisterBenchmark(("MatrixProduct/" + lib.name).c_str(), NumaMatrixProduct, &lib)->Unit(benchmark::kMicrosecond);
  }
  benchmark::RegisterBenchmark("MatrixProduct/glm", GlmMatrixProduct)->Unit(benchmark::kMicrosecond);
  for (const Lib& lib : libs) {
    benchmark::RegisterBenchmark(("Normalise/" + lib.name).c_str(), NumaNormalise, &lib)->Unit(benchmark::kMicrosecond);
  }
  benchmark::RegisterBenchmark("Normalise/glm", GlmNormaliseBench)->Unit(benchmark::kMicrosecond);
  // The machine is shared and memory-bound rows drift with its load: by default each row is
  // measured in short repetitions interleaved at random with the other rows, and reported as
  // mean, median and spread. Flags given on the command line come later and win.
  // --no_compare skips the head-to-head rounds printed after the benchmarks.
  bool comparison = true;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (i > 0 && std::string(argv[i]) == "--no_compare")
      comparison = false;
    else
      args.push_back(argv[i]);
  }
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  static char repetitions[] = "--benchmark_repetitions=9";
  static char aggregates[] = "--benchmark_report_aggregates_only=true";
  args.insert(args.begin() + 1, {interleave, repetitions, aggregates});
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (comparison) headToHead(libs[2]);
  return 0;
}
