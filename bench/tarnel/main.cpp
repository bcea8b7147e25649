// Fill rate per filler (Google Benchmark), then frames per second of a synthetic scene through
// the plug-in and through OSMesa, with their ratio.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "Scene.h"

using namespace bench;

namespace {

struct FillCase {
  const char* name;
  int mode;
  int flags;
  int texture;  // 0 none, 8 or 16 bit texels
  bool fast;
};

const FillCase kFills[] = {
    {"slot00_blend_random", 3, 2, 0, false},      {"slot01_lit", 1, 0, 0, false},
    {"slot02_add_texture", 0, 0x41, 16, true},    {"slot03_keyed_texture", 0, 3, 16, true},
    {"slot04_blend_flat", 0, 4, 0, false},        {"slot05_overlay_add", 0, 0x101, 16, true},
    {"slot06_sprite_add", 0, 0x201, 16, true},    {"slot07_blend_lit", 1, 4, 0, false},
    {"slot08_lit_texture_fast", 1, 1, 8, true},   {"slot08_lit_texture_general", 1, 1, 8, false},
    {"slot09_texture_fast", 0, 1, 16, true},      {"slot09_texture_general", 0, 1, 16, false},
    {"slot11_diagnostic", 1, 0x3F, 0, false},     {"slot13_keyed_lit_texture", 1, 3, 8, true},
    {"slot14_add_lit_texture", 1, 0x41, 8, true}, {"slot15_blend_texture", 0, 5, 16, true},
    {"slot16_keyed_opaque_texture", 0, 0x1001, 16, true}, {"slot17_blend_lit_texture", 1, 5, 8, true},
    {"slot18_keyed_blend_texture", 0, 7, 16, true}, {"slot19_flat", 0, 0, 0, false},
    {"slot20_bright_texture", 0, 1, 8, true},     {"slot21_keyed_blend_lit_texture", 1, 7, 8, true},
};

// One full-screen quad receding from z 2 on the left to z 4 on the right.
void fillRate(benchmark::State& state, FillCase c, int depth) {
  Host host(kWidth, kHeight, depth);
  SceneData data = makeScene(1, 1.0, 0.0, 1);
  ZeltTexture* tex = nullptr;
  if (c.texture == 8) tex = host.texture8(data.texels, 256, 256, data.palette, c.fast);
  if (c.texture == 16) tex = host.texture16(256, 256, c.fast);
  ZeltMaterial* m = host.material(c.mode, c.flags, tex);
  int idx[4] = {host.vertex(-2, 2, 2, 200), host.vertex(-2, -2, 2, 200), host.vertex(4, -4, 4, 90),
                host.vertex(4, 4, 4, 90)};
  const float uv[8] = {0, 0, 0, 2, 2, 2, 2, 0};
  host.face(m, idx, 4, uv);
  for (auto _ : state) {
    host.render(0);
    benchmark::DoNotOptimize(host.pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
  state.SetLabel("pixels/s");
}

// The comparison scenes, about 2,000 triangles each with a depth complexity of 3.
enum class SceneKind { Random, Layered, Room };

SceneData makeSceneOf(SceneKind kind, double blended) {
  switch (kind) {
    case SceneKind::Layered:
      return makeLayeredScene(3, 2000, blended, 42);
    case SceneKind::Room:
      return makeRoomScene(2000, 3.0, blended, 42);
    case SceneKind::Random:
      break;
  }
  return makeScene(2000, 3.0, blended, 42);
}

void sceneTarnel(benchmark::State& state, SceneKind kind, double blended) {
  SceneData data = makeSceneOf(kind, blended);
  Host host(kWidth, kHeight, 16);
  ZeltTexture* tex = host.texture8(data.texels, 256, 256, data.palette, true);
  host.addScene(data, host.material(1, 1, tex), host.material(1, 5, tex));
  for (auto _ : state) host.render(1);
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void sceneMesa(benchmark::State& state, SceneKind kind, double blended) {
  SceneData data = makeSceneOf(kind, blended);
  MesaPeer peer;
  if (!peer.open(data, kWidth, kHeight)) {
    state.SkipWithError("OSMesa not available");
    return;
  }
  for (auto _ : state) peer.frame();
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  peer.close();
}

// Frames per second of processor time (both renderers run on this one thread) over one round of
// at least `seconds`: wall time on a shared machine says more about the neighbours than the
// renderer.
template <class Frame>
double framesPerSecond(Frame&& frame, double seconds) {
  int frames = 0;
  const std::clock_t start = std::clock();
  double spent = 0;
  do {
    frame();
    ++frames;
    spent = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  } while (spent < seconds);
  return frames / spent;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n == 0 ? 0.0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void compare(const char* kind, const SceneData& data, double blended) {
  Host host(kWidth, kHeight, 16);
  ZeltTexture* tex = host.texture8(data.texels, 256, 256, data.palette, true);
  host.addScene(data, host.material(1, 1, tex), host.material(1, 5, tex));
  auto tarnelFrame = [&] { host.render(1); };
  tarnelFrame();  // warm up: pools grow on the first frame
  size_t covered = 0;
  for (uint16_t p : host.pixels) covered += p != 0;
  MesaPeer peer;
  if (!peer.open(data, kWidth, kHeight)) {
    std::printf("%s scene %2.0f %% blended: tarnel %.1f fps; OSMesa not available\n", kind, blended * 100,
                framesPerSecond(tarnelFrame, 1.0));
    return;
  }
  auto mesaFrame = [&] { peer.frame(); };
  mesaFrame();
  // Rounds alternate between the two renderers so that both see the same load on a shared
  // machine; the figures are medians over the rounds, the ratio the median of each round's ratio.
  constexpr int kRounds = 7;
  std::vector<double> tarnelFps, mesaFps, ratios;
  for (int round = 0; round < kRounds; ++round) {
    tarnelFps.push_back(framesPerSecond(tarnelFrame, 0.5));
    mesaFps.push_back(framesPerSecond(mesaFrame, 0.5));
    ratios.push_back(tarnelFps.back() / mesaFps.back());
  }
  std::printf(
      "%s scene 640x480, %zu triangles, depth complexity %.2f, %2.0f %% blended: tarnel %.1f fps, OSMesa (1 thread) "
      "%.1f fps, ratio %.2f (rounds %.2f..%.2f)  [covered: tarnel %.1f %%, OSMesa %.1f %%]\n",
      kind, data.triangles.size(), depthComplexity(data), blended * 100, median(tarnelFps), median(mesaFps), median(ratios),
      *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()),
      100.0 * covered / host.pixels.size(), 100.0 * peer.coveredShare());
  peer.close();
}

}  // namespace

int main(int argc, char** argv) {
  // --no_compare skips the side-by-side scene comparison printed after the benchmarks.
  bool comparison = true;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--no_compare") {
      comparison = false;
      for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
      --argc;
      break;
    }
  }
  for (const FillCase& c : kFills) {
    benchmark::RegisterBenchmark((std::string("fill16/") + c.name).c_str(), fillRate, c, 16);
  }
  for (const FillCase& c : kFills) {
    if (c.mode == 1 && c.flags == 1 && c.fast) benchmark::RegisterBenchmark((std::string("fill15/") + c.name).c_str(), fillRate, c, 15);
    if (c.flags == 0x41 && c.mode == 0) benchmark::RegisterBenchmark((std::string("fill15/") + c.name).c_str(), fillRate, c, 15);
  }
  // The random scene's rows keep their short names; the others carry the scene's.
  for (const auto& [kind, name] : {std::pair{SceneKind::Random, ""}, std::pair{SceneKind::Layered, "layered_"},
                                   std::pair{SceneKind::Room, "room_"}}) {
    const std::string prefix = std::string("scene/") + name;
    benchmark::RegisterBenchmark((prefix + "tarnel_opaque").c_str(), sceneTarnel, kind, 0.0);
    benchmark::RegisterBenchmark((prefix + "tarnel_20pc_blended").c_str(), sceneTarnel, kind, 0.2);
    benchmark::RegisterBenchmark((prefix + "osmesa_opaque").c_str(), sceneMesa, kind, 0.0);
    benchmark::RegisterBenchmark((prefix + "osmesa_20pc_blended").c_str(), sceneMesa, kind, 0.2);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (comparison) {
    // Triangles scattered at random depths, each alone; three layers of meshes whose triangles
    // share edges; a modelled room with furniture.
    for (const auto& [kind, name] : {std::pair{SceneKind::Random, "random"}, std::pair{SceneKind::Layered, "layered"},
                                     std::pair{SceneKind::Room, "room"}})
      for (double blended : {0.0, 0.2}) compare(name, makeSceneOf(kind, blended), blended);
  }
  return 0;
}
