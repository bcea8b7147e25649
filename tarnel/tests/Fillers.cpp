// Fillers: pixel operations in both formats, colour keys, shade lookups, texture addressing on
// the fast and general paths, and the perspective steps every 8 pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "_Harness.h"
#include "tarnel/Internal.h"

using th::Kernel;
using th::Material;
using th::Object;

namespace {

void setLight(Object& o, th::Face& f, float value) {
  for (int idx : f.indices) o.vertices[idx - o.base].light = value;
}

uint16_t shadeAt(const Kernel& k, const Material& m, int index) {
  int entries = 0;
  const uint32_t* t = k.shadeTable(m, &entries);
  EXPECT_NE(t, nullptr);
  EXPECT_LT(index, entries);
  return t && index < entries ? static_cast<uint16_t>(t[index] >> 16) : 0;
}

Material& lit(Kernel& k, int flags, th::Texture* t = nullptr, int mode = 1) {
  return k.material(mode, flags, t, [](ZeltMaterial& m) {
    m.ambient = {20, 40, 60};
    m.diffuse = {200, 150, 100};
    m.lightColour = {255, 255, 255};
    m.specular = {90, 90, 90};
    m.shininess = 50;
    m.shininessStrength = 80;
  });
}

TEST(PixelOps, SaturatingAddOfWhiteIsAllOnesInBothForms) {
  for (int depth : {15, 16}) {
    Kernel k(16, 16, depth);
    const uint16_t white = depth == 15 ? 0x7FFF : 0xFFFF;
    th::Texture& t = k.texture16(4, 4, [&](int, int) { return white; });
    Object& o = k.root("o");
    k.screenRect(o, k.material(0, 0x41, &t), 0, 0, 16, 16, 5);
    k.fill(white);
    k.render();
    EXPECT_EQ(k.count(0xFFFF), 256) << depth;
  }
  // A channel that overflows saturates, the carry stays in the channel above.
  Kernel k(16, 16, 16);
  th::Texture& t = k.texture16(4, 4, [](int, int) { return uint16_t(0x8010); });
  Object& o = k.root("o");
  k.screenRect(o, k.material(0, 0x41, &t), 0, 0, 16, 16, 5);
  k.fill(0x8010);
  k.render();
  EXPECT_EQ(k.px(3, 3), 0xF83F);
}

TEST(PixelOps, HalfBlendOfWhiteAndBlackInBothForms) {
  for (int depth : {15, 16}) {
    Kernel k(16, 16, depth);
    const uint16_t white = depth == 15 ? 0x7FFF : 0xFFFF;
    th::Texture& t = k.texture16(4, 4, [&](int, int) { return white; });
    Object& o = k.root("o");
    k.screenRect(o, k.material(0, 5, &t), 0, 0, 16, 16, 5);  // 50 % blend of the texture
    k.render();
    EXPECT_EQ(k.count(depth == 15 ? 0x3DEF : 0x7BEF), 256) << depth;
  }
}

TEST(PixelOps, DiagnosticAndRandomFillers) {
  Kernel k(16, 16);
  Object& o = k.root("o");
  th::Face& diag = k.screenRect(o, k.material(1, 0x3F), 0, 0, 8, 16, 5);   // slot 11
  th::Face& veil = k.screenRect(o, k.material(4, 2), 8, 0, 16, 16, 5);     // slot 0
  const uint16_t r1 = *static_cast<uint16_t*>(diag.face.rendererBlock);
  const uint16_t r2 = *static_cast<uint16_t*>(veil.face.rendererBlock);
  k.fill(0xFFFF);
  k.render();
  EXPECT_EQ(k.px(3, 3), static_cast<uint16_t>((r1 & 0xFF) * 0x101));
  EXPECT_EQ(k.px(12, 3), static_cast<uint16_t>(((r2 & 0xF7DF) + 0xF7DF) >> 1));
}

TEST(ColourKeys, KeyedTexelsLeaveThePixelAlone) {
  struct Case {
    int flags;
    bool blend;
  } cases[] = {{3, false}, {0x1001, false}, {7, true}};
  for (const Case& c : cases) {
    Kernel k(16, 16);
    th::Texture& t = k.texture16(16, 16, [](int x, int) { return uint16_t(x < 8 ? 0x0F0F : 0xFFFF); });
    t.tex.keyPixel = 0x0F0F;
    Object& o = k.root("o");
    k.screenRect(o, k.material(0, c.flags, &t), 0, 0, 16, 16, 5);
    k.fill(0x1111);
    k.render();
    EXPECT_EQ(k.px(2, 5), 0x1111) << c.flags;
    EXPECT_EQ(k.px(12, 5), c.blend ? ((0xFFFF & 0xF7DF) + (0x1111 & 0xF7DF)) >> 1 : 0xFFFF) << c.flags;
  }
}

TEST(ColourKeys, ShadedFillersUseTheKeyIndexOrIndexZero) {
  for (int flags : {3, 7}) {
    Kernel k(16, 16);
    th::Texture& t = k.texture8(16, 16, [](int x, int) { return uint8_t(x < 8 ? 0 : 7); },
                                [](int) { return 0xFFFFFFu; });
    t.tex.keyIndex = 7;
    Object& o = k.root("o");
    Material& m = lit(k, flags, &t);
    k.screenRect(o, m, 0, 0, 16, 16, 5);
    k.fill(0x1111);
    k.render();
    if (flags == 3) {  // slot 13: the texture's key index
      EXPECT_EQ(k.px(2, 5), shadeAt(k, m, 63 * 256 + 0));
      EXPECT_EQ(k.px(12, 5), 0x1111);
    } else {  // slot 21: palette index 0, blended
      EXPECT_EQ(k.px(2, 5), 0x1111);
      EXPECT_EQ(k.px(12, 5), ((shadeAt(k, m, 63 * 256 + 7) & 0xF7DF) + (0x1111 & 0xF7DF)) >> 1);
    }
  }
}

TEST(Shading, LevelsComeFromVertexLightAndWrapAboveSixtyThree) {
  Kernel k(32, 8);
  Object& o = k.root("o");
  Material& m = lit(k, 0);  // slot 1
  setLight(o, k.screenRect(o, m, 0, 0, 8, 8, 5), 128);     // i = 8192: level 32
  setLight(o, k.screenRect(o, m, 8, 0, 16, 8, 5), 255);    // level 63
  setLight(o, k.screenRect(o, m, 16, 0, 24, 8, 5), 260);   // i = 16640: level 65 wraps to 1
  Material& veil = lit(k, 4);                               // slot 7
  setLight(o, k.screenRect(o, veil, 24, 0, 32, 8, 5), 128);
  k.fill(0x2222);
  k.render();
  EXPECT_EQ(k.px(4, 4), shadeAt(k, m, 32));
  EXPECT_EQ(k.px(12, 4), shadeAt(k, m, 63));
  EXPECT_EQ(k.px(20, 4), shadeAt(k, m, 1));
  EXPECT_EQ(k.px(28, 4), ((shadeAt(k, veil, 32) & 0xF7DF) + (0x2222 & 0xF7DF)) >> 1);
}

TEST(Shading, LitTexturedFillersLookUpLevelAndTexel) {
  Kernel k(64, 8);
  th::Texture& t = k.texture8(16, 16, [](int x, int y) { return uint8_t(x * 16 + y); },
                              [](int j) { return uint32_t(j) * 0x010203u; });
  Object& o = k.root("o");
  Material& plain = lit(k, 1, &t);      // slot 8
  Material& added = lit(k, 0x41, &t);   // slot 14
  Material& bright = k.material(0, 1, &t);  // slot 20
  // u across one texel column per 16 pixels: texel x = pixel x / 16 at most.
  setLight(o, k.screenRect(o, plain, 0, 0, 16, 8, 5, {0, 0, 0, 0, 0, 0, 0, 0}), 100);
  setLight(o, k.screenRect(o, added, 16, 0, 32, 8, 5, {0.5f, 0.25f, 0.5f, 0.25f, 0.5f, 0.25f, 0.5f, 0.25f}), 100);
  k.screenRect(o, bright, 32, 0, 48, 8, 5, {0.125f, 0, 0.125f, 0, 0.125f, 0, 0.125f, 0});
  k.fill(0x0841);
  k.render();
  const int level = (100 * 64) >> 8;  // 25
  EXPECT_EQ(k.px(5, 3), shadeAt(k, plain, level * 256 + 0));
  const uint16_t s = shadeAt(k, added, level * 256 + 8 * 16 + 4);
  uint32_t sum = (s & 0xF7DFu) + (0x0841u & 0xF7DFu);
  if (sum & 0x20) sum |= 0x1F;
  if (sum & 0x800) sum |= 0x7E0;
  if (sum & 0x10000) sum |= 0xF800;
  EXPECT_EQ(k.px(20, 3), static_cast<uint16_t>(sum));
  EXPECT_EQ(k.px(40, 3), shadeAt(k, bright, 63 * 256 + 2 * 16));
}

TEST(Shading, ShadeOfLitTexturedFacesRunsLinearlyAcrossTheSpan) {
  Kernel k(64, 4);
  th::Texture& t = k.texture8(4, 4, [](int, int) { return uint8_t(9); }, [](int) { return 0x808080u; });
  Object& o = k.root("o");
  Material& m = lit(k, 1, &t);
  th::Face& f = k.screenRect(o, m, 0, 0, 64, 4, 5);
  // Light 0 on the left corners, 255 on the right: i grows by 16320 / 64 = 255 per pixel.
  for (int c = 0; c < 4; ++c) o.vertices[f.indices[c] - o.base].light = c < 2 ? 0.0f : 255.0f;
  k.render();
  for (int x : {0, 1, 13, 32, 63}) EXPECT_EQ(k.px(x, 2), shadeAt(k, m, ((255 * x >> 8) & 63) * 256 + 9)) << x;
}

TEST(Colour, PerVertexColourFillerPacksEightEightChannels) {
  for (int depth : {15, 16}) {
    Kernel k(16, 16, depth);
    Object& o = k.root("o");
    Material& m = k.material(0, 0);
    // Reached only by choosing the slot directly.
    Material& probe = k.material(7, 2);  // slot 0
    auto* block = static_cast<tarnel::MaterialBlock*>(m.mat.rendererBlock);
    block->state = static_cast<tarnel::MaterialBlock*>(probe.mat.rendererBlock)->state + 12;
    th::Face& f = k.screenRect(o, m, 0, 0, 16, 16, 5);
    for (int idx : f.indices) {
      th::Vertex& v = o.vertices[idx - o.base];
      v.r = 255, v.g = 128, v.b = 0;
    }
    k.render();
    EXPECT_EQ(k.px(7, 7), depth == 15 ? 0x7E00 : 0xFC00) << depth;
  }
}

TEST(Lists, OverlayIsAddedWithoutVisibilityTest) {
  Kernel k(16, 16);
  th::Texture& t = k.texture16(4, 4, [](int, int) { return uint16_t(1); });
  Object& o = k.root("o");
  k.screenRect(o, k.material(0, 0, nullptr, [](ZeltMaterial& m) { m.flatPixel = 0x4000; }), 0, 0, 16, 16, 2);
  k.screenRect(o, k.material(0, 0x101, &t), 4, 4, 12, 12, 50);  // far behind, still drawn
  k.render();
  EXPECT_EQ(k.px(6, 6), 0x4001);
  EXPECT_EQ(k.px(2, 2), 0x4000);
  EXPECT_EQ(k.count(0x4001), 64);
}

TEST(Lists, SpriteStateTakesOnlyFourCornerFaces) {
  Kernel k(16, 16);
  th::Texture& t = k.texture16(4, 4, [](int, int) { return uint16_t(1); });
  Object& o = k.root("o");
  Material& sprite = k.material(0, 0x201, &t);
  k.screenRect(o, sprite, 0, 0, 8, 8, 5);
  k.screenTriangle(o, sprite, 8, 8, 8, 16, 16, 16, 5);
  k.render();
  EXPECT_EQ(k.count(1), 64);
  EXPECT_EQ(k.px(9, 15), 0);
}

// A 256 x 256 texture whose texel tells its own position.
uint16_t positionTexel(int x, int y) { return static_cast<uint16_t>(0x8000 | (y & 0x7F) << 8 | x); }

TEST(Addressing, CoordinateOneWrapsOnTheFastPathAndRunsIntoTheNextRowOtherwise) {
  for (bool fast : {true, false}) {
    Kernel k(16, 16);
    th::Texture& t = k.texture16(256, 256, positionTexel, fast);
    Object& o = k.root("o");
    k.screenRect(o, k.material(0, 1, &t), 0, 0, 16, 16, 5, {1, 0, 1, 0, 1, 0, 1, 0});
    k.render();
    EXPECT_EQ(k.count(fast ? positionTexel(0, 0) : positionTexel(0, 1)), 256) << fast;
  }
  // The same through the lit path with 8-bit texels.
  for (bool fast : {true, false}) {
    Kernel k(16, 16);
    th::Texture& t = k.texture8(256, 256, [](int x, int y) { return uint8_t(x == 0 ? 10 + y : 3); },
                                [](int j) { return uint32_t(j) * 0x030303u; }, fast);
    Object& o = k.root("o");
    Material& m = lit(k, 1, &t);
    k.screenRect(o, m, 0, 0, 16, 16, 5, {1, 0, 1, 0, 1, 0, 1, 0});
    k.render();
    EXPECT_EQ(k.px(8, 8), shadeAt(k, m, 63 * 256 + (fast ? 10 : 11))) << fast;
  }
}

TEST(Addressing, GeneralPathRepeatsTheWholeTexture) {
  Kernel k(16, 16);
  th::Texture& t = k.texture16(4, 4, [](int x, int y) { return uint16_t(0x100 + y * 4 + x); });
  Object& o = k.root("o");
  // u = 2.5 texels of a 4-wide texture, v = 5.25 rows of 4: index (5 * 4 + 10) & 15 = 14 ... at
  // texel coordinates u = 10.3, v = 21.3.
  k.screenRect(o, k.material(0, 1, &t), 0, 0, 16, 16, 5, {2.5f, 5.25f, 2.5f, 5.25f, 2.5f, 5.25f, 2.5f, 5.25f});
  k.render();
  EXPECT_EQ(k.px(5, 5), 0x100 + ((21 * 4 + 10) & 15));
}

// Exact texel coordinate (8.8) at screen column x of a face running from xs (depth zL, u = 0)
// to xs + n (depth zR, u = tuR) on a 256-texel axis.
struct Ramp {
  double xs, n, zL, zR, tuR;
  double u(double x) const {
    const double t = (x - xs) / n;
    const double wL = 1 / zL, wR = 1 / zR;
    const double uL = 0.3 * 256, uR = (tuR * 256 + 0.3) * 256;
    return (uL * wL + (uR * wR - uL * wL) * t) / (wL + (wR - wL) * t);
  }
  int exact(double x) const { return static_cast<int>(u(x)); }
};

// Texel columns the fillers should produce: exact values every 8 pixels, linear steps between,
// a new target only while more than 8 pixels remain.
std::vector<int> expectedColumns(const Ramp& r, int count) {
  std::vector<int> out;
  int x = static_cast<int>(r.xs);
  int u = r.exact(x);
  int target = r.exact(x + 8);
  int step = (target - u) >> 3;
  int n = count;
  while (n >= 8) {
    for (int k = 0; k < 8; ++k) out.push_back(((u + k * step) >> 8) & 255);
    n -= 8;
    x += 8;
    u = target;
    if (n > 8) {
      target = r.exact(x + 8);
      step = (target - u) >> 3;
    }
  }
  for (int k = 0; k < n; ++k) out.push_back(((u + k * step) >> 8) & 255);
  return out;
}

TEST(Perspective, ExactEveryEightPixelsLinearBetween) {
  for (int length : {5, 8, 13}) {
    for (bool fast : {false, true}) {
      Kernel k(64, 8);
      th::Texture& t = k.texture16(256, fast ? 256 : 1, [](int x, int) { return uint16_t(0x4000 + x); }, fast);
      Object& o = k.root("o");
      Material& m = k.material(0, 1, &t);
      const Ramp r{10, static_cast<double>(length), 1.5, 12, 0.25};
      int a = k.screenVertex(o, 10, 2, 1.5f), b = k.screenVertex(o, 10, 3, 1.5f);
      int c = k.screenVertex(o, 10.0f + length, 3, 12), d = k.screenVertex(o, 10.0f + length, 2, 12);
      k.face(o, m, {a, b, c, d}, {0, 0, 0, 0, 0.25f, 0, 0.25f, 0});
      k.render();
      std::vector<int> want = expectedColumns(r, length);
      std::vector<int> got;
      for (int x = 10; x < 10 + length; ++x) got.push_back(k.px(x, 2) - 0x4000);
      EXPECT_EQ(got, want) << "span of " << length << (fast ? " fast" : " general");
      EXPECT_EQ(k.px(9, 2), 0);
      EXPECT_EQ(k.px(10 + length, 2), 0);
      // The steps differ from a per-pixel exact division for these strongly receding spans.
      std::vector<int> perPixel;
      for (int x = 10; x < 10 + length; ++x) perPixel.push_back((r.exact(x) >> 8) & 255);
      if (length != 8) {
        EXPECT_NE(want, perPixel) << length;
      }
    }
  }
}

TEST(Perspective, LitUntexturedShadeIsCorrectedTheSameWay) {
  Kernel k(64, 8);
  Object& o = k.root("o");
  Material& m = lit(k, 0);
  // Light 0 near (z 1.5), 255 far (z 12), 13 pixels.
  int a = k.screenVertex(o, 10, 2, 1.5f, 0), b = k.screenVertex(o, 10, 3, 1.5f, 0);
  int c = k.screenVertex(o, 23, 3, 12, 255), d = k.screenVertex(o, 23, 2, 12, 255);
  k.face(o, m, {a, b, c, d});
  k.render();
  auto exact = [](double x) {
    const double t = (x - 10) / 13, wL = 1 / 1.5, wR = 1 / 12.0;
    return static_cast<int>((0 * wL + (16320 * wR) * t) / (wL + (wR - wL) * t));
  };
  int i = exact(10), target = exact(18), step = (target - i) >> 3;
  for (int x = 10; x < 23; ++x) {
    const int off = x - 10;
    const int value = off < 8 ? i + off * step : target + (off - 8) * step;
    EXPECT_EQ(k.px(x, 2), shadeAt(k, m, (value >> 8) & 63)) << x;
  }
}

}  // namespace

// The float-to-int conversion used for every texel step and edge position.
TEST(Conversion, TruncationIsTowardZeroClampedAndNaNSafe) {
  using tarnel::truncInt;
  EXPECT_EQ(truncInt(2.9f), 2);
  EXPECT_EQ(truncInt(-2.9f), -2);
  EXPECT_EQ(truncInt(-0.0f), 0);
  EXPECT_EQ(truncInt(0.999999f), 0);
  EXPECT_EQ(truncInt(-65536.5f), -65536);
  EXPECT_EQ(truncInt(1e10f), 536870912);
  EXPECT_EQ(truncInt(-1e10f), -536870912);
  EXPECT_EQ(truncInt(std::numeric_limits<float>::infinity()), 536870912);
  EXPECT_EQ(truncInt(-std::numeric_limits<float>::infinity()), -536870912);
  EXPECT_EQ(truncInt(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(truncInt(-std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(truncInt(536870900.0f), 536870912);  // nearest float is the bound itself
  EXPECT_EQ(truncInt(123456.75f), 123456);
}
