// Cost of the display layer's hot paths, headless: presenting a 640 x 480
// frame through Dwen_Show_BackBuffer (target: under 1 ms of processor time),
// converting and loading a 256 x 256 texture into each format the device
// offers, and recreating 64 textures after the display was rebuilt.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "dwen/Dwen.h"
#include "dwen/HeadlessDisplay.h"

using namespace platform;

namespace {

DwenContext* Display() { return HeadlessDisplay(1); }

std::vector<uint16_t>& Picture() {
    static std::vector<uint16_t> pixels = [] {
        std::vector<uint16_t> p(256 * 256);
        for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint16_t>(i * 2654435761u >> 16);
        return p;
    }();
    return pixels;
}

void BM_ShowBackBuffer(benchmark::State& state) {
    DwenContext* c = Display();
    void* bits = nullptr;
    int pitch = 0;
    Dwen_Lock_BackBuffer(c, &bits, &pitch);
    for (int y = 0; y < 480; ++y) std::memset(static_cast<uint8_t*>(bits) + y * pitch, y, 1280);
    Dwen_Unlock_BackBuffer(c, bits);
    for (auto _ : state) {
        if (!Dwen_Show_BackBuffer(c)) state.SkipWithError(c->errorText);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ShowBackBuffer)->Unit(benchmark::kMicrosecond);

// Conversion from a 16-bit source into format `range(0)` and the load into the texture.
void BM_ConvertAndLoad256(benchmark::State& state) {
    DwenContext* c = Display();
    const int index = static_cast<int>(state.range(0));
    if (index >= c->textureFormatCount) {
        state.SkipWithError("no such format");
        return;
    }
    DwenTextureFormat* f = &c->textureFormats[index];
    static std::vector<uint32_t> palette(256, 0x00808080);
    DwenTexture* t = nullptr;
    if (!Dwen_Add_Texture(c, 16, 256, 256, palette.data(), Picture().data(), f, 256, 256, &t, 0, -1, 0, 0, 0, 0, 0)) {
        state.SkipWithError(c->errorText);  // 32 bits with alpha: not a destination
        return;
    }
    const DDPIXELFORMAT& pf = f->desc.ddpfPixelFormat;
    state.SetLabel(std::to_string(pf.dwRGBBitCount) + (f->palettized ? " bits palettised" : " bits") +
                   (f->alphaBits ? " with alpha" : "") + (f->is555 ? " 5-5-5" : ""));
    for (auto _ : state)
        if (!Dwen_Reload_Texture(c, t)) state.SkipWithError(c->errorText);
    Dwen_Sub_Texture(c, t);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConvertAndLoad256)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

void BM_RestoreAll64(benchmark::State& state) {
    DwenContext* c = Display();
    DwenTextureFormat* f = nullptr;
    for (int i = 0; i < c->textureFormatCount; ++i)
        if (c->textureFormats[i].desc.ddpfPixelFormat.dwRBitMask == 0xF800) f = &c->textureFormats[i];
    std::vector<DwenTexture*> textures(64);
    for (auto& t : textures)
        Dwen_Add_Texture(c, 16, 256, 256, nullptr, Picture().data(), f, 128, 128, &t, DWEN_TEXTURE_RESIZABLE, -1, 0, 0, 0, 0, 0);
    for (auto _ : state) {
        Dwen_Release_All_Texture(c);
        if (!Dwen_Restore_All_Texture(c)) state.SkipWithError(c->errorText);
    }
    for (DwenTexture* t : textures) Dwen_Sub_Texture(c, t);
    state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(BM_RestoreAll64)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
