// Cost of one video frame in the player: Motion-JPEG decoding, scaling to
// 640 x 480 in 5-6-5 and presenting (headless, fixed clock, so every status
// call shows the next frame). Movies of 320 x 240 (the pack's size) and
// 640 x 480, made once with the pack's AVI writer.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "cinrey/cinrey.h"
#include "platform/Time.h"
#include "tools/lumora-pack/AviWriter.h"

namespace {

constexpr int kFrames = 120;

std::string Movie(int width, int height) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("bench_cinrey_" + std::to_string(width) + ".avi")).string();
    if (std::filesystem::exists(path)) return path;
    // Moving gradients: every frame differs, as a rendered flight does.
    auto source = [&](int i, std::vector<std::uint8_t>& rgb) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
                p[0] = static_cast<std::uint8_t>(x + i * 3);
                p[1] = static_cast<std::uint8_t>(y * 2 - i);
                p[2] = static_cast<std::uint8_t>(128 + 100 * std::sin((x + y + i * 4) * 0.05));
            }
    };
    std::string why;
    if (!pack::WriteMjpegAvi(path, width, height, 25, kFrames, source, nullptr, why)) return "";
    return path;
}

void BM_VideoFrame(benchmark::State& state) {
    platform::SetFixedClock(40);
    const std::string path = Movie(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    if (path.empty() || Cinrey_Open(path.c_str()) != 0) {
        state.SkipWithError("cannot make or open the movie");
        return;
    }
    Cinrey_Play(0, 0);
    for (auto _ : state) {
        if (Cinrey_Status() == CINREY_ENDED) {
            state.PauseTiming();
            Cinrey_Open(path.c_str());
            Cinrey_Play(0, 0);
            state.ResumeTiming();
        }
    }
    Cinrey_Close();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VideoFrame)->Args({320, 240})->Args({640, 480})->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
