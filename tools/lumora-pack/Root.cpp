// The data root's own files: its marker, its settings and the intro pictures.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <cstring>
#include <vector>

#include "include/zelt/zelt.h"
#include "lumora/engine/InfoTables.h"
#include "lumora/engine/SceneList.h"
#include "lumora/shell/ChunkFile.h"
#include "platform/PixelView.h"
#include "platform/Text.h"
#include "tools/lumora-pack/AviWriter.h"
#include "tools/lumora-pack/Universes.h"

namespace pack {

namespace {

// A title in Liberation Sans, centred on row y, with a soft dark shadow so it
// reads on any stroke. The text is drawn white on black into a scratch
// picture whose brightness is then the letters' coverage.
void DrawTitle(Image& image, const char* text, int y, int height, demo::Rgb colour) {
    const int w = image.width, h = image.height;
    std::vector<std::uint32_t> mask(static_cast<std::size_t>(w) * h, 0);
    const platform::PixelView view{mask.data(), w, h, w * 4, platform::PixelFormat::XRGB8888};
    platform::TextStyle style;
    style.height = -height;
    style.bold = true;
    style.color = platform::RGB(255, 255, 255);
    style.format = platform::DT_CENTER | platform::DT_TOP | platform::DT_SINGLELINE;
    platform::DrawText(view, platform::RECT{0, y, w, std::min(h, y + height * 2)}, text, style);
    auto blend = [&](int dx, int dy, demo::Rgb c, float strength) {
        for (int py = 0; py < h; ++py)
            for (int px = 0; px < w; ++px) {
                const int sx = px - dx, sy = py - dy;
                if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
                const float a = static_cast<float>(mask[static_cast<std::size_t>(sy) * w + sx] & 0xFF) / 255.0f * strength;
                if (a <= 0.0f) continue;
                std::uint8_t* p = &image.rgb[(static_cast<std::size_t>(py) * w + px) * 3];
                image.Set(px, py, static_cast<int>(p[0] + (c.r - p[0]) * a), static_cast<int>(p[1] + (c.g - p[1]) * a),
                          static_cast<int>(p[2] + (c.b - p[2]) * a));
            }
    };
    blend(4, 4, {40, 30, 25}, 0.7f);
    blend(0, 0, colour, 1.0f);
}

// Canvas with broad brush strokes in a palette.
Image Painting(const std::vector<demo::Rgb>& palette, unsigned seed) {
    Image image(640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const float u = static_cast<float>(x) / 640.0f, v = static_cast<float>(y) / 480.0f;
            // Bands of colour that waver like strokes, and a canvas weave on top.
            const float band = v * static_cast<float>(palette.size()) + (demo::TileFractal(u * 6, v * 4, 6, 3, seed) - 0.5f) * 1.6f;
            const int index = std::clamp(static_cast<int>(band), 0, static_cast<int>(palette.size()) - 1);
            const float stroke = demo::TileNoise(u * 80, v * 6, 80, seed + 5) * 0.25f + 0.85f;
            const float weave = ((x & 1) ^ (y & 1)) ? 0.97f : 1.03f;
            const demo::Rgb c = palette[static_cast<std::size_t>(index)];
            image.Set(x, y, static_cast<int>(static_cast<float>(c.r) * stroke * weave),
                      static_cast<int>(static_cast<float>(c.g) * stroke * weave),
                      static_cast<int>(static_cast<float>(c.b) * stroke * weave));
        }
    return image;
}

}  // namespace

bool BuildRoot(Pack& pack) {
    if (!pack.MakeDir("2DBIT") || !pack.MakeDir("Video")) return false;
    // "APP.BIN" marks the data root; it carries the pack's name and format.
    auto marker = std::make_unique<XChunkFile>();
    if (!marker->Open(pack.Path("APP.BIN").c_str(), 1)) return pack.Fail("cannot write APP.BIN");
    const char name[] = "Lumora demo data pack 1";
    marker->BeginWriteChunk("PACK");
    marker->Write(name, sizeof name);
    marker->EndWriteChunk();
    if (!marker->Close()) return pack.Fail("cannot write APP.BIN");
    // The first scene of a new game: the test universe until the game's own exist.
    if (!pack.WriteFile("APP.CFG", "[SCENE]\r\nFIRST=U01.ZELT\r\n")) return false;

    Image intro1 = Painting({{70, 90, 140}, {200, 140, 80}, {230, 200, 120}, {90, 130, 80}, {60, 80, 60}}, 1);
    DrawTitle(intro1, "LUMORA", 170, 110, {250, 245, 230});
    Image intro2 = Painting({{240, 220, 170}, {200, 110, 70}, {120, 60, 60}, {60, 50, 70}}, 2);
    DrawTitle(intro2, "peinture", 190, 70, {250, 245, 230});
    return pack.WriteBitmap("2DBIT/Intro1.bmp", intro1) && pack.WriteBitmap("2DBIT/Intro2.bmp", intro2);
}

}  // namespace pack
