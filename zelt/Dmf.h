// The kernel's texture file (".dmf"): a small header, an optional palette and
// the texels, top row first, little-endian.
//
//   0   4  "DMF1"
//   4   2  width  (power of two, 1 to 1024)
//   6   2  height (power of two, 1 to 1024)
//   8   1  texel depth: 8 (palette indices) or 16 (5-6-5 pixels)
//   9   1  flags: bit 0 colour key present
//  10   1  key palette index
//  11   1  0
//  12   2  key pixel (5-6-5)
//  14   2  0
//  16 1024 palette, 256 x (blue, green, red, 0), only at depth 8
//  ..      texels, width x height x depth/8 bytes
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zelt {

constexpr std::size_t kDmfHeaderSize = 16;
constexpr std::size_t kDmfPaletteSize = 256 * 4;
constexpr int kDmfMaxSide = 1024;
constexpr std::uint8_t kDmfFlagColourKey = 0x01;

struct DmfImage {
    int width = 0;
    int height = 0;
    int depth = 8;                   // 8 or 16
    bool hasKey = false;
    std::uint8_t keyIndex = 0;       // palette index of the key colour (depth 8)
    std::uint16_t keyPixel = 0;      // key colour as a 5-6-5 pixel
    std::uint8_t palette[256][4]{};  // blue, green, red, 0
    std::vector<std::uint8_t> texels8;    // depth 8: width * height indices
    std::vector<std::uint16_t> texels16;  // depth 16: width * height 5-6-5 pixels
};

constexpr bool DmfIsPowerOfTwoSide(int v) { return v >= 1 && v <= kDmfMaxSide && (v & (v - 1)) == 0; }

// Checks every field against the buffer; on failure returns false and says why.
bool DmfParse(const std::uint8_t* data, std::size_t size, DmfImage& out, std::string* why = nullptr);

// Serialises a consistent image; returns false (and writes nothing) for an
// inconsistent one (bad side, depth or texel count).
bool DmfSerialize(const DmfImage& image, std::vector<std::uint8_t>& out);

}  // namespace zelt
