// Zelt_Print: text in the built-in 8 x 8 font. UTF-8 input is decoded; a byte that does not
// start a valid sequence is taken as a Latin-1 character, so plain Latin-1 text prints too.
// Code points beyond Latin-1 print as '?'.
#include <cstdint>

#include "zelt/Font.h"
#include "zelt/Kernel.h"

namespace zelt {

// Next code point of s (advancing it).
std::uint32_t nextCodePoint(const unsigned char*& s) {
  const unsigned char c = *s;
  int extra = c >= 0xF0 && c < 0xF5 ? 3 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : 0;
  if (extra) {
    std::uint32_t cp = c & (0x3F >> extra);
    int i = 1;
    for (; i <= extra; ++i) {
      if ((s[i] & 0xC0) != 0x80) break;
      cp = cp << 6 | (s[i] & 0x3F);
    }
    const std::uint32_t least[4] = {0, 0x80, 0x800, 0x10000};
    if (i > extra && cp >= least[extra] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp < 0xE000)) {
      s += extra + 1;
      return cp;
    }
  }
  ++s;
  return c;
}

}  // namespace zelt

extern "C" ZELT_API void Zelt_Print(const char* text, int x, int y, int pitchPixels, uint16_t colour,
                                    uint16_t* pixels) {
  if (!text || !pixels || pitchPixels <= 0) return;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  int penX = x, penY = y;
  while (*s) {
    std::uint32_t cp = zelt::nextCodePoint(s);
    if (cp == '\n') {
      penX = x;
      penY += 8;
      continue;
    }
    if (cp > 0xFF) cp = '?';
    const unsigned char* glyph = zelt::kFont8x8[cp];
    for (int row = 0; row < 8; ++row) {
      const int py = penY + row;
      if (py < 0) continue;
      for (int col = 0; col < 8; ++col) {
        const int px = penX + col;
        if (px < 0 || px >= pitchPixels) continue;
        if (glyph[row] & (0x80 >> col)) pixels[static_cast<long>(py) * pitchPixels + px] = colour;
      }
    }
    penX += 8;
  }
}
