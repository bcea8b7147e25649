// Zelt_Print: the 8 x 8 font, UTF-8 decoding and clipping.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "_Env.h"

namespace {

struct Canvas {
  int w, h;
  std::vector<uint16_t> px;
  Canvas(int width, int height) : w(width), h(height), px(static_cast<size_t>(width) * height, 0) {}
  int lit() const {
    int n = 0;
    for (uint16_t p : px) n += p != 0;
    return n;
  }
  int litRows(int from, int to, int x0, int x1) const {
    int n = 0;
    for (int y = from; y < to; ++y)
      for (int x = x0; x < x1; ++x) n += px[static_cast<size_t>(y) * w + x] != 0;
    return n;
  }
};

Canvas print(const char* text, int x = 0, int y = 0, int w = 32, int h = 16) {
  Canvas c(w, h);
  Zelt_Print(text, x, y, w, 0xFFFF, c.px.data());
  return c;
}

TEST(Print, EAcuteDrawsItsAccentAboveTheLetter) {
  Canvas e = print("e"), eacute = print("\xC3\xA9");  // "é" in UTF-8
  EXPECT_GT(eacute.lit(), e.lit());
  EXPECT_GT(eacute.litRows(0, 2, 0, 8), 0);  // the accent
  EXPECT_EQ(e.litRows(0, 2, 0, 8), 0);
  EXPECT_EQ(eacute.litRows(0, 16, 8, 32), 0);  // one glyph, 8 pixels wide
  // The same character as a Latin-1 byte.
  EXPECT_EQ(print("\xE9").px, eacute.px);
}

TEST(Print, GlyphsAdvanceEightPixelsAndLinesEight) {
  Canvas ab = print("AB"), a = print("A"), b = print("B", 8);
  for (size_t i = 0; i < ab.px.size(); ++i) EXPECT_EQ(ab.px[i], a.px[i] | b.px[i]) << i;
  Canvas two = print("A\nA");
  EXPECT_EQ(two.litRows(8, 16, 0, 8), a.litRows(0, 8, 0, 8));
  EXPECT_EQ(print(" ").lit(), 0);
  EXPECT_GT(print("!").lit(), 0);
}

TEST(Print, CharactersBeyondLatin1AndBrokenSequences) {
  EXPECT_EQ(print("\xE2\x82\xAC").px, print("?").px);  // the euro sign
  EXPECT_EQ(print("\xF0\x9F\x98\x80").px, print("?").px);
  // A lead byte without its continuation is a Latin-1 character of its own.
  EXPECT_EQ(print("\xC3(").px, print("\xC3\x83(").px);
  // An over-long encoding is not decoded.
  EXPECT_EQ(print("\xC1\x81").px, print("\xC3\x81\xC2\x81").px);
}

TEST(Print, ClipsAtTheLeftTopAndPitch) {
  Canvas c(16, 16);
  std::vector<uint16_t> guarded(16 * 16 + 16, 0x1234);
  Zelt_Print("WWWW", -4, -3, 16, 0xFFFF, guarded.data());
  for (size_t i = 256; i < guarded.size(); ++i) EXPECT_EQ(guarded[i], 0x1234);
  Canvas whole = print("W", 0, 0, 16, 16);
  Canvas shifted = print("W", -4, 0, 16, 16);
  EXPECT_EQ(shifted.litRows(0, 8, 0, 4), whole.litRows(0, 8, 4, 8));
  Zelt_Print(nullptr, 0, 0, 16, 1, c.px.data());
  Zelt_Print("x", 0, 0, 0, 1, c.px.data());
  EXPECT_EQ(c.lit(), 0);
}

}  // namespace
