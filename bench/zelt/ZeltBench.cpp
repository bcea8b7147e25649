// bench_zelt: the kernel's frame time at 640 x 480 for a converted 3D Studio scene and for a
// generated landscape of 200 objects and 20,000 triangles, with each math build; and the
// walker's collision queries against that landscape (ground probes and sphere slides).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tools/zelt-view/Viewer.h"
#include "zelt/CollisionTestScene.h"

namespace fs = std::filesystem;
using zelt::testscene::Mesh;

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kTilesX = 20, kTilesY = 10;
constexpr float kTile = 100.0f;

const char* const kBuilds[] = {"numa5", "numa6", "numa6k"};

fs::path Scratch() {
  static const fs::path dir = [] {
    std::random_device rd;
    fs::path d = fs::temp_directory_path() / ("lumora-bench-zelt-" + std::to_string(rd()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

float Height(float x, float y) {
  return 40.0f * std::sin(x / 170.0f) * std::cos(y / 130.0f) + 15.0f * std::sin(x / 37.0f + y / 53.0f);
}

// 200 rolling tiles of 10 x 5 cells, two triangles each: 20,000 triangles.
const std::string& Landscape() {
  static const std::string path = [] {
    std::vector<Mesh> tiles;
    for (int ty = 0; ty < kTilesY; ++ty)
      for (int tx = 0; tx < kTilesX; ++tx) {
        Mesh m;
        m.name = "Tile" + std::to_string(ty * kTilesX + tx);
        m.position = {tx * kTile, ty * kTile, 0};
        const int cx = 10, cy = 5;
        for (int j = 0; j <= cy; ++j)
          for (int i = 0; i <= cx; ++i) {
            float x = kTile * float(i) / cx, y = kTile * float(j) / cy;
            m.vertices.push_back({x, y, Height(tx * kTile + x, ty * kTile + y)});
          }
        for (int j = 0; j < cy; ++j)
          for (int i = 0; i < cx; ++i) {
            int a = j * (cx + 1) + i, b = a + 1, c = a + cx + 2, d = a + cx + 1;
            m.faces.push_back({a, b, c});
            m.faces.push_back({a, c, d});
          }
        tiles.push_back(std::move(m));
      }
    const std::string file = (Scratch() / "landscape.o3d").string();
    std::string why;
    const uint8_t green[3] = {90, 160, 70};
    if (!zelt::testscene::WriteObjects(file, tiles, why, false, green)) {
      std::fprintf(stderr, "bench_zelt: cannot write the landscape: %s\n", why.c_str());
      std::exit(1);
    }
    return file;
  }();
  return path;
}

// A real scene from the test files, converted as the converter does it.
const std::string& RealScene() {
  static const std::string path = [] {
    const char* root = std::getenv("LUMORA_TESTDATA");
    const std::string source = std::string(root ? root : LUMORA_BENCH_TESTDATA) + "/3ds/fels.3ds";
    KelmatScene scene{};
    const std::string file = (Scratch() / "fels.s3d").string();
    // The file has no keyframer section: its meshes are imported directly.
    bool ok = Kelmat_Load_3ds(source.c_str(), &scene, 1.0f, 0, 0.0f, 1, 0) && Kelmat_Save_S3d(&scene, file.c_str());
    Kelmat_Release_Scene(&scene);
    if (!ok) {
      char text[KELMAT_LAST_ERROR_SIZE];
      Kelmat_Get_Last_Error(text);
      std::fprintf(stderr, "bench_zelt: cannot convert %s: %s\n", source.c_str(), text);
      std::exit(1);
    }
    return file;
  }();
  return path;
}

bool Open(zeltview::Viewer& viewer, const std::string& file, int build, benchmark::State& state) {
  std::string error;
  if (!viewer.Start(kWidth, kHeight, error, 5 + build) || !viewer.Load(file, error) ||
      !viewer.ChooseCamera("", error)) {
    state.SkipWithError(error.c_str());
    return false;
  }
  return true;
}

void Frames(benchmark::State& state, const std::string& file) {
  const int build = int(state.range(0));
  state.SetLabel(kBuilds[build]);
  zeltview::Viewer viewer;
  if (!Open(viewer, file, build, state)) return;
  std::string error;
  for (auto _ : state) {
    if (!viewer.Render(error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    // A moving view that comes back every 16 frames, so every build draws the same views.
    viewer.Orbit(2.0f * 3.14159265f / 16.0f, 0.0f);
  }
  state.counters["faces"] = viewer.scene()->counters.beforeCulling;
  state.counters["triangles drawn"] = viewer.scene()->counters.trianglesDrawn;
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_FrameRealScene(benchmark::State& state) { Frames(state, RealScene()); }
void BM_FrameLandscape(benchmark::State& state) { Frames(state, Landscape()); }
BENCHMARK(BM_FrameRealScene)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameLandscape)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

struct Walk {
  zeltview::Viewer viewer;
  std::vector<ZeltObject*> objects;
  ZeltSphere* sphere = nullptr;
  std::mt19937 rng{1234};

  bool Open(benchmark::State& state) {
    if (!::Open(viewer, Landscape(), 2, state)) return false;
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(viewer.scene()); o;
         o = Zelt_Scene_Get_Next_Object(viewer.scene(), o))
      objects.push_back(o);
    if (!Zelt_Sphere_Create(viewer.scene(), &sphere)) {
      state.SkipWithError("no sphere");
      return false;
    }
    return true;
  }
  float RandomX() { return std::uniform_real_distribution<float>(0, kTilesX * kTile)(rng); }
  float RandomY() { return std::uniform_real_distribution<float>(0, kTilesY * kTile)(rng); }

  // Highest ground below (x, y), as the walker's ground check finds it.
  bool Ground(float x, float y, float* z) {
    const float p0[3] = {x, y, 500}, p1[3] = {x, y, 500 - 10000};
    bool found = false;
    for (ZeltObject* o : objects) {
      if (!Zelt_Object_Check_Line_Collision(o, p0, p1)) continue;
      const int n = o->faceCount;
      for (int f = 0; f < n; ++f) {
        float hit[3];
        if (Zelt_Line_Face_Collision(o, f, p0, p1, hit) && (!found || hit[2] > *z)) {
          *z = hit[2];
          found = true;
        }
      }
    }
    return found;
  }

  // One sliding step of a radius-20 sphere: every touching face pushes it out.
  int Slide(float c[3]) {
    const float r = 20;
    ZeltVector at{c[0], c[1], c[2]};
    Zelt_Sphere_Set_Radius(sphere, r);
    Zelt_Sphere_Set_Position(sphere, &at);
    int contacts = 0;
    for (ZeltObject* o : objects) {
      if (!Zelt_Object_Check_Sphere_Collision(o, sphere)) continue;
      for (int f = 0; f < o->faceCount; ++f) {
        float contact[3], n[3];
        const int res = Zelt_Sphere_Face_Collision(sphere, o, f, contact, 2);
        if (res == 1) {
          float d = std::hypot(c[0] - contact[0], c[1] - contact[1], c[2] - contact[2]);
          if (d <= 0) continue;
          for (int k = 0; k < 3; ++k) n[k] = (c[k] - contact[k]) / d;
        } else if (res == 2) {
          Zelt_Face_Get_Collision_Normal(o, f, n);
        } else {
          continue;
        }
        ++contacts;
        if (std::fabs(n[2]) >= 0.7071f) continue;  // floor: the walker stops sliding there
        for (int k = 0; k < 3; ++k) c[k] = contact[k] + r * n[k];
        at = {c[0], c[1], c[2]};
        Zelt_Sphere_Set_Position(sphere, &at);
      }
    }
    return contacts;
  }
};

void BM_GroundProbe(benchmark::State& state) {
  Walk walk;
  if (!walk.Open(state)) return;
  int found = 0;
  for (auto _ : state) {
    float z = 0;
    found += walk.Ground(walk.RandomX(), walk.RandomY(), &z);
    benchmark::DoNotOptimize(z);
  }
  if (found != int(state.iterations())) state.SkipWithError("a probe inside the landscape found no ground");
  state.counters["rays/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GroundProbe)->Unit(benchmark::kMicrosecond);

void BM_SphereSlide(benchmark::State& state) {
  Walk walk;
  if (!walk.Open(state)) return;
  long contacts = 0;
  for (auto _ : state) {
    const float x = walk.RandomX(), y = walk.RandomY();
    float c[3] = {x, y, Height(x, y) + 15};  // sunk into the slope, as a step downhill does
    contacts += walk.Slide(c);
    benchmark::DoNotOptimize(c);
  }
  state.counters["slides/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["contacts/slide"] = double(contacts) / double(std::max<int64_t>(1, state.iterations()));
}
BENCHMARK(BM_SphereSlide)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
