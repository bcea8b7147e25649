// Asset SDK benchmarks:
//  - import time of the largest 3D Studio test file (and of the largest one
//    with a keyframer);
//  - Kelmat_Weld_Object on 100,000 random clustered vertices, against the
//    plain first-match scan the weld is defined by; the results are compared
//    and the "identical" counter is 1 when they agree entry for entry.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "kelmat/WeldGrid.h"
#include "kelmat/kelmat.h"

namespace {

constexpr int kWeldVertices = 100000;
constexpr float kWeldDistance = 0.02f;

std::string DataFile(const char* name) {
  const char* root = std::getenv("LUMORA_TESTDATA");
  return std::string(root ? root : LUMORA_BENCH_DATA_DIR) + "/3ds/" + name;
}

// Clusters of 1 to 8 points within 0.01 of a centre, some repeated exactly,
// in a 200-unit cube, shuffled.
const std::vector<KelmatVector>& Points() {
  static const std::vector<KelmatVector> points = [] {
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> where(-100.0f, 100.0f);
    std::uniform_real_distribution<float> jitter(-0.01f, 0.01f);
    std::vector<KelmatVector> p;
    p.reserve(kWeldVertices);
    while (p.size() < static_cast<std::size_t>(kWeldVertices)) {
      const KelmatVector c = {where(rng), where(rng), where(rng)};
      const int n = 1 + static_cast<int>(rng() % 8);
      for (int i = 0; i < n && p.size() < static_cast<std::size_t>(kWeldVertices); ++i) {
        if (i > 0 && rng() % 4 == 0) {
          p.push_back(p.back());
        } else {
          p.push_back({c.x + jitter(rng), c.y + jitter(rng), c.z + jitter(rng)});
        }
      }
    }
    std::shuffle(p.begin(), p.end(), rng);
    return p;
  }();
  return points;
}

// The defining scan: for each point the first earlier reference within the
// distance, else a new reference.
struct Reference {
  std::vector<KelmatVector> unique;
  std::vector<int32_t> map;
};

Reference LinearWeld(const std::vector<KelmatVector>& points, float distance) {
  Reference r;
  r.map.reserve(points.size());
  for (const KelmatVector& p : points) {
    int32_t found = -1;
    for (std::size_t u = 0; u < r.unique.size(); ++u) {
      if (kelmat::WithinDistance(p, r.unique[u], distance)) {
        found = static_cast<int32_t>(u);
        break;
      }
    }
    if (found < 0) {
      found = static_cast<int32_t>(r.unique.size());
      r.unique.push_back(p);
    }
    r.map.push_back(found);
  }
  return r;
}

const Reference& ReferenceResult() {
  static const Reference r = LinearWeld(Points(), kWeldDistance);
  return r;
}

// An object holding the points, one triangle per three vertices.
KelmatObject* MakeObject(KelmatScene* scene) {
  const std::vector<KelmatVector>& points = Points();
  auto* o = static_cast<KelmatObject*>(std::calloc(1, sizeof(KelmatObject)));
  std::strcpy(o->name, "Cloud");
  o->vertexCount = kWeldVertices;
  o->vertices = static_cast<KelmatVector*>(std::malloc(sizeof(KelmatVector) * kWeldVertices));
  o->sourceVertices = static_cast<KelmatVector*>(std::malloc(sizeof(KelmatVector) * kWeldVertices));
  o->normals = static_cast<KelmatVector*>(std::calloc(kWeldVertices, sizeof(KelmatVector)));
  std::memcpy(o->vertices, points.data(), sizeof(KelmatVector) * kWeldVertices);
  std::memcpy(o->sourceVertices, points.data(), sizeof(KelmatVector) * kWeldVertices);
  o->faceCount = kWeldVertices / 3;
  o->faces = static_cast<KelmatFace*>(std::calloc(o->faceCount, sizeof(KelmatFace)));
  for (int32_t f = 0; f < o->faceCount; ++f) {
    KelmatFace& face = o->faces[f];
    face.vertexCount = 3;
    face.indices = static_cast<int32_t*>(std::malloc(3 * sizeof(int32_t)));
    for (int k = 0; k < 3; ++k) face.indices[k] = 3 * f + k;
    face.normal = {0, 0, 1};
  }
  o->scale = {1, 1, 1};
  scene->objects = o;
  scene->objectCount = 1;
  return o;
}

bool SameAsReference(const KelmatObject* o) {
  const Reference& r = ReferenceResult();
  if (static_cast<std::size_t>(o->vertexCount) != r.unique.size()) return false;
  for (std::size_t u = 0; u < r.unique.size(); ++u) {
    if (std::memcmp(&o->sourceVertices[u], &r.unique[u], sizeof(KelmatVector)) != 0) return false;
  }
  for (int32_t f = 0; f < o->faceCount; ++f) {
    for (int k = 0; k < 3; ++k) {
      if (o->faces[f].indices[k] != r.map[3 * f + k]) return false;
    }
  }
  return true;
}

void BM_ImportLargestFile(benchmark::State& state) {
  const std::string path = DataFile("fels.3ds");  // 13 kB, 386 vertices, 768 faces
  for (auto _ : state) {
    KelmatScene scene{};
    if (!Kelmat_Load_3ds(path.c_str(), &scene, 1.0f, 0, 0.0f, 1, 0)) state.SkipWithError("import failed");
    benchmark::DoNotOptimize(scene.objects);
    Kelmat_Release_Scene(&scene);
  }
}
BENCHMARK(BM_ImportLargestFile)->Unit(benchmark::kMicrosecond);

void BM_ImportKeyframerFile(benchmark::State& state) {
  const std::string path = DataFile("test1.3ds");  // 10 kB, 9 objects with tracks
  for (auto _ : state) {
    KelmatScene scene{};
    if (!Kelmat_Load_3ds(path.c_str(), &scene, 1.0f, 1, 0.0f, 0, 1)) state.SkipWithError("import failed");
    benchmark::DoNotOptimize(scene.objects);
    Kelmat_Release_Scene(&scene);
  }
}
BENCHMARK(BM_ImportKeyframerFile)->Unit(benchmark::kMicrosecond);

void BM_Weld100k(benchmark::State& state) {
  bool identical = true;
  std::size_t unique = 0;
  for (auto _ : state) {
    state.PauseTiming();
    KelmatScene scene{};
    KelmatObject* o = MakeObject(&scene);
    state.ResumeTiming();
    if (!Kelmat_Weld_Object(o, kWeldDistance)) state.SkipWithError("weld failed");
    state.PauseTiming();
    unique = static_cast<std::size_t>(o->vertexCount);
    identical = identical && SameAsReference(o);
    Kelmat_Release_Scene(&scene);
    state.ResumeTiming();
  }
  state.counters["vertices"] = kWeldVertices;
  state.counters["unique"] = static_cast<double>(unique);
  state.counters["identical"] = identical ? 1 : 0;
}
BENCHMARK(BM_Weld100k)->Unit(benchmark::kMillisecond);

void BM_Grid100k(benchmark::State& state) {
  const std::vector<KelmatVector>& points = Points();
  for (auto _ : state) {
    kelmat::MatchGrid grid(kWeldDistance, points.size());
    for (const KelmatVector& p : points)
      if (grid.Find(p) < 0) grid.Add(p);
    benchmark::DoNotOptimize(grid.size());
  }
}
BENCHMARK(BM_Grid100k)->Unit(benchmark::kMillisecond);

void BM_LinearReference100k(benchmark::State& state) {
  for (auto _ : state) {
    Reference r = LinearWeld(Points(), kWeldDistance);
    benchmark::DoNotOptimize(r.unique.data());
  }
  state.counters["unique"] = static_cast<double>(ReferenceResult().unique.size());
}
BENCHMARK(BM_LinearReference100k)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
