// Picture to kernel texture conversion: power-of-two resampling, 256-colour
// quantisation and colour keys.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "zelt/Dmf.h"

namespace dmfconv {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A picture with an optional coverage per pixel (false = transparent).
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    std::vector<std::uint8_t> opaque;  // empty = every pixel opaque
};

struct ConvertOptions {
    int depth = 8;                 // 8 or 16
    std::optional<Rgb> key;        // colour key: pixels of this colour (or transparent ones) are see-through
    int forcedWidth = 0;           // 0 = round to the nearest power of two
    int forcedHeight = 0;
};

// Nearest power of two in the ratio sense, from 1 to 1024.
int RoundToPowerOfTwo(int side);

// Resamples with a tent filter whose width follows the scale, so that both
// reduction and enlargement are smooth. Transparent pixels do not bleed into
// opaque ones; a result pixel is transparent when less than half covered.
Picture Resample(const Picture& in, int width, int height);

// Median-cut palette of at most maxColours entries. When the picture has no
// more distinct colours than that, the palette is exactly those colours.
std::vector<Rgb> MedianCutPalette(const std::vector<Rgb>& colours, int maxColours);

// Index of the nearest palette entry (exact matches always map to themselves).
class PaletteMapper {
public:
    explicit PaletteMapper(std::vector<Rgb> palette);
    int Map(Rgb c);

private:
    std::vector<Rgb> m_Palette;
    std::unordered_map<std::uint32_t, int> m_Exact;  // colours already mapped
};

std::uint16_t ToRgb565(Rgb c);

// Full conversion. Returns false with a reason for pictures it cannot take.
bool Convert(const Picture& picture, const ConvertOptions& options, zelt::DmfImage& out, std::string& why);

// Readers for the two accepted inputs.
bool LoadPng(const std::string& path, Picture& out, std::string& why);
bool LoadBmp(const std::string& path, Picture& out, std::string& why);

}  // namespace dmfconv
