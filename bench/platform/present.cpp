// Cost of presenting one 640 x 480 16-bit frame: the whole path headless
// (copy kept for the capture, clock), and the SDL upload, scale and show when
// SDL can open a window (a display, or SDL_VIDEODRIVER=dummy).
#include "platform/Backend.h"
#include "platform/Present.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

using namespace platform;

namespace {

std::vector<std::uint16_t> MakeFrame() {
    std::vector<std::uint16_t> frame(640 * 480);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint16_t>(i * 2654435761u >> 16);
    return frame;
}

void BM_PresentHeadless(benchmark::State& state) {
    if (CurrentBackend() != BackendKind::Headless) {
        state.SkipWithError("run with LUMORA_BACKEND=headless");
        return;
    }
    std::vector<std::uint16_t> frame = MakeFrame();
    PixelView view{frame.data(), 640, 480, 1280, PixelFormat::RGB565};
    for (auto _ : state) {
        Present(view);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PresentHeadless)->Unit(benchmark::kMicrosecond);

void BM_PresentSdl(benchmark::State& state) {
    static std::unique_ptr<detail::Backend> sdl = detail::MakeSdlBackend();
    if (!sdl) {
        state.SkipWithError("SDL cannot start here (no display)");
        return;
    }
    sdl->CreateHostWindow("bench", 640, 480);
    sdl->SetVisible(true);
    std::vector<std::uint16_t> frame = MakeFrame();
    PixelView view{frame.data(), 640, 480, 1280, static_cast<PixelFormat>(state.range(0))};
    for (auto _ : state) {
        sdl->Present(view);
        sdl->PumpEvents();
    }
    state.SetItemsProcessed(state.iterations());
    sdl->DestroyHostWindow();
}
BENCHMARK(BM_PresentSdl)
    ->Arg(static_cast<int>(PixelFormat::RGB565))
    ->Arg(static_cast<int>(PixelFormat::RGB555))
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    // The headless case measures the common path; SDL is opened on its own.
    setenv("LUMORA_BACKEND", "headless", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
