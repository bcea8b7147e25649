// Fillers: pixel operations in both formats, colour keys, shade lookups, texture addressing on
// the fast and general paths, and the perspective steps every 8 pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

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

// Every filler over strongly receding, overlapping faces that run past the viewport's edges:
// long spans (several perspective targets), short spans, several spans on one scanline, wrapping
// texture coordinates, light from dark to beyond the brightest level. The frames are pinned by
// checksums, so any change to a filler's arithmetic shows up for that slot and pixel format.
struct SlotCase {
  int slot;
  int mode;
  int control;
  int texture;  // 0 none, 1 8-bit fast, 2 8-bit general, 3 16-bit fast, 4 16-bit general, 5 16-bit keyed
};

uint64_t slotFrame(const SlotCase& c, int depth) {
  Kernel k(240, 160, depth);
  k.setViewport(9.0f, 6.0f, 220.0f, 141.0f);
  std::srand(11);
  std::mt19937 rng(1234 + c.slot * 7 + c.texture);
  auto uni = [&] { return static_cast<float>(rng() % 1000000u) / 1000000.0f; };
  th::Texture* t = nullptr;
  auto index8 = [](int x, int y) { return static_cast<uint8_t>((x * 5 ^ y * 3) + (x >> 3)); };
  auto bgr = [](int j) { return static_cast<uint32_t>((j * 13 & 255) << 16 | (j * 7 & 255) << 8 | (255 - j)); };
  auto texel16 = [](int x, int y) { return static_cast<uint16_t>(x * 1031 ^ y * 257 ^ 0x5A5A); };
  switch (c.texture) {
    case 1: t = &k.texture8(256, 256, index8, bgr, true); break;
    case 2: t = &k.texture8(64, 32, index8, bgr, false); break;
    case 3: t = &k.texture16(256, 256, texel16, true); break;
    case 4: t = &k.texture16(32, 64, texel16, false); break;
    case 5:
      t = &k.texture16(16, 16, [](int x, int y) { return static_cast<uint16_t>((x * y) % 5 ? 0x4321 : 0x07FF); });
      t->tex.keyPixel = 0x4321;
      break;
    default: break;
  }
  if (t) t->tex.keyIndex = 3;
  Material& m = k.material(c.mode, c.control, t, [](ZeltMaterial& mm) {
    mm.ambient = {25, 35, 45};
    mm.diffuse = {210, 190, 170};
    mm.lightColour = {255, 255, 255};
    mm.specular = {70, 70, 70};
    mm.shininess = 30;
    mm.shininessStrength = 50;
    mm.flatPixel = 0x5AD3;
  });
  if (c.slot == 12) {
    Material& probe = k.material(7, 2);  // slot 0: the first state of the table
    static_cast<tarnel::MaterialBlock*>(m.mat.rendererBlock)->state =
        static_cast<tarnel::MaterialBlock*>(probe.mat.rendererBlock)->state + 12;
  }
  EXPECT_EQ(k.slotOf(m), c.slot);
  Object& o = k.root("o");
  for (int i = 0; i < 14; ++i) {
    const float cx = -20 + uni() * 280, cy = -20 + uni() * 200;
    const float r = i % 3 == 0 ? 90 + uni() * 80 : 12 + uni() * 40;
    const float a0 = uni() * 6.2831853f;
    const int corners = i % 2 ? 4 : 3;  // the sprite state takes only four-corner faces
    std::vector<int> idx;
    std::vector<float> uv;
    for (int v = 0; v < corners; ++v) {
      const float a = a0 - static_cast<float>(v) * 6.2831853f / static_cast<float>(corners);
      idx.push_back(k.screenVertex(o, cx + r * std::cos(a), cy + r * std::sin(a), 1.2f + uni() * 40.0f, uni() * 300.0f));
      th::Vertex& vx = o.vertices[idx[v] - o.base];
      vx.r = uni() * 255, vx.g = uni() * 255, vx.b = uni() * 255;
      uv.push_back(-1.5f + uni() * 4.0f);
      uv.push_back(-1.5f + uni() * 4.0f);
    }
    k.face(o, m, idx, uv);
  }
  k.fill(0x3C96);
  EXPECT_EQ(k.render(1), 0);
  EXPECT_TRUE(k.guardsIntact());
  // Most of the viewport is drawn over (also by the keyed and blended fillers).
  EXPECT_LT(k.count(0x3C96), 240 * 160 * 3 / 4);
  return th::frameHash(k);
}

TEST(FillerChecksums, EverySlotInBothFormsOverRecedingOverlappingFaces) {
  const struct {
    SlotCase c;
    uint64_t h15, h16;
  } cases[] = {
      {{0, 7, 0x2, 0}, 0x53ee0d07e22f824eull, 0x9ad11d6725e7658eull},
      {{1, 1, 0x0, 0}, 0x03c4cc178a4d6b3eull, 0x3a936818a92fdedeull},
      {{2, 0, 0x41, 3}, 0xfcfca12635caafccull, 0xf44eeff7474543ecull},
      {{2, 0, 0x41, 4}, 0x3bf37a72c9d9bcd4ull, 0x5e626f575f566514ull},
      {{3, 0, 0x3, 5}, 0xd2005a55af07b4a8ull, 0xd2005a55af07b4a8ull},
      {{3, 0, 0x3, 3}, 0xf98c6e66b84fc6e6ull, 0xf98c6e66b84fc6e6ull},
      {{4, 0, 0x4, 0}, 0xdbaf6706a3684dafull, 0x62664793d274c1afull},
      {{5, 0, 0x101, 3}, 0x9d0b520e95f4bfa0ull, 0x8d12be917dc9df80ull},
      {{5, 0, 0x101, 4}, 0xbe85eac9117d088eull, 0xfdc21a710aa3c52eull},
      {{6, 0, 0x201, 3}, 0xfac4abb6e56f67efull, 0x964895a76501ae2full},
      {{7, 1, 0x4, 0}, 0xeaa09f7828b18a5eull, 0x0995cbc911dad3beull},
      {{8, 1, 0x1, 1}, 0x9aa83ac054873817ull, 0xb8dab8d13b3b9757ull},
      {{8, 1, 0x1, 2}, 0x98217804b55ac4d6ull, 0x959941af81778fd6ull},
      {{9, 0, 0x1, 3}, 0xd65af3fe5b877509ull, 0xd65af3fe5b877509ull},
      {{9, 0, 0x1, 4}, 0x7543e25d4f1d4695ull, 0x7543e25d4f1d4695ull},
      {{11, 1, 0x3F, 0}, 0x299bd60fd752a367ull, 0x299bd60fd752a367ull},
      {{12, 0, 0x0, 0}, 0x95c47994cdfeb7ecull, 0x593feaf11c3997acull},
      {{13, 1, 0x3, 1}, 0x37c49ea7808b599full, 0xa9f6eaa41586387full},
      {{14, 1, 0x41, 1}, 0x132adfe6927a2a04ull, 0xd35a1e1c61fb4844ull},
      {{14, 1, 0x41, 2}, 0x63dd6b75bd93f6b8ull, 0x489c9ad97019a818ull},
      {{15, 0, 0x5, 3}, 0x82f478ebfedd1aefull, 0x338cc293dd07398full},
      {{16, 0, 0x1001, 5}, 0xdc632de19cf83934ull, 0xdc632de19cf83934ull},
      {{17, 1, 0x5, 1}, 0x0f488c223bfaa755ull, 0xd435d897a5add455ull},
      {{18, 0, 0x7, 5}, 0x35443424c34b6f51ull, 0x4e37f91c95ae37f1ull},
      {{19, 0, 0x0, 0}, 0xbeefdce9f9acbb93ull, 0xbeefdce9f9acbb93ull},
      {{20, 0, 0x1, 1}, 0xd9dd01356c69b687ull, 0x498ff542a3e0dbe7ull},
      {{20, 0, 0x1, 2}, 0xd1d681afbd040219ull, 0x5539bf29beb916d9ull},
      {{21, 1, 0x7, 1}, 0x28cb191634e483acull, 0x2f0cf436613063ccull},
      {{21, 1, 0x7, 2}, 0xff44026f6f71e71full, 0x0bad4418599409dfull},
  };
  for (const auto& e : cases) {
    SCOPED_TRACE(testing::Message() << "slot " << e.c.slot << " texture " << e.c.texture);
    const uint64_t h15 = slotFrame(e.c, 15), h16 = slotFrame(e.c, 16);
    EXPECT_EQ(h15, e.h15) << std::hex << "0x" << h15;
    EXPECT_EQ(h16, e.h16) << std::hex << "0x" << h16;
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
