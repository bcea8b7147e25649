// Whole frames of a busy random scene, pinned by checksums: any change to the pixels a frame
// produces (visibility, span boundaries, filler arithmetic) shows up here. The scene mixes every
// list, shared edges of a welded mesh, equal-depth neighbours, faces crossing the near plane and
// the screen edges, wrong winding and several fillers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>

#include "_Harness.h"

using th::Kernel;
using th::Material;
using th::Object;

namespace {

struct Busy {
  explicit Busy(int depth) : k(640, 480, depth) {
    std::srand(7);  // face random values feed the flat random fillers
    std::mt19937 rng(42);
    auto uni = [&] { return static_cast<float>(rng() % 1000000u) / 1000000.0f; };

    th::Texture& t8 = k.texture8(
        256, 256, [](int x, int y) { return static_cast<uint8_t>((x ^ y) + ((x * y) >> 6)); },
        [](int j) { return static_cast<uint32_t>((j * 7 & 255) << 16 | (255 - j) << 8 | (j * 3 & 255)); }, true);
    th::Texture& t16 = k.texture16(64, 32, [](int x, int y) { return static_cast<uint16_t>(x * 997 ^ y * 31); });
    th::Texture& keyed = k.texture16(16, 16, [](int x, int y) { return static_cast<uint16_t>((x + y) % 3 ? 0x1234 : 0x07E0); });
    keyed.tex.keyPixel = 0x1234;
    Material* mats[] = {
        &k.material(1, 1, &t8),   // lit texture, fast
        &k.material(1, 1, &t8),
        &k.material(1, 1, &t8),
        &k.material(0, 1, &t16),  // texture, general addressing
        &k.material(1, 0),        // lit
        &k.material(0, 0, nullptr, [](ZeltMaterial& m) { m.flatPixel = 0x39E7; }),
        &k.material(1, 5, &t8),   // blended lit texture
        &k.material(0, 3, &keyed),     // colour-keyed, not occluding
        &k.material(0, 0x1001, &keyed),  // colour-keyed, occluding
        &k.material(0, 4, nullptr, [](ZeltMaterial& m) { m.flatPixel = 0xFFFF; }),  // blended flat
        &k.material(0, 0x41, &t16),  // additive texture
        &k.material(0, 0x101, &t16),  // additive overlay
    };
    for (Material* m : mats) {
      m->mat.ambient = {30, 30, 30};
      m->mat.diffuse = {220, 200, 180};
      m->mat.specular = {80, 80, 80};
      m->mat.lightColour = {255, 255, 255};
      m->mat.shininess = 40;
      m->mat.shininessStrength = 60;
      Zelt_Update_Material_Dll(&m->mat);
    }

    // Loose triangles, some reaching past the screen edges and through the near plane.
    Object& loose = k.root("loose");
    for (int i = 0; i < 2400; ++i) {
      const float cx = -60 + uni() * 760, cy = -60 + uni() * 600;
      const float r = 8 + uni() * 40;
      const float a0 = uni() * 6.2831853f;
      const float z = (i % 97 == 0) ? 0.6f + uni() : 2.0f + uni() * 28.0f;
      const bool clockwise = i % 53 == 0;
      int idx[3];
      std::vector<float> uv;
      for (int c = 0; c < 3; ++c) {
        const float a = a0 + (clockwise ? 1.0f : -1.0f) * static_cast<float>(c) * 2.0943951f;
        const float zc = z * (1.0f + 0.3f * (uni() - 0.5f)) + (i % 97 == 0 && c == 0 ? 2.0f : 0.0f);
        idx[c] = k.screenVertex(loose, cx + r * std::cos(a), cy + r * std::sin(a), zc, 64 + uni() * 191);
        uv.push_back(0.3f + 0.2f * std::cos(a));
        uv.push_back(0.6f + 0.2f * std::sin(a));
      }
      const int pick = i % 40;
      Material& m = pick < 22 ? *mats[pick % 3] : pick < 25 ? *mats[3] : pick < 27 ? *mats[4] : pick < 28 ? *mats[5]
                    : pick < 33 ? *mats[6] : pick < 35 ? *mats[7] : pick < 36 ? *mats[8] : pick < 37 ? *mats[9]
                    : pick < 38 ? *mats[10] : pick < 39 ? *mats[11] : *mats[0];
      k.face(loose, m, {idx[0], idx[1], idx[2]}, uv);
    }

    // A welded, tilted mesh: shared edges and corners everywhere; quads split both ways.
    Object& mesh = k.root("mesh");
    const int n = 24;
    std::vector<int> grid;
    for (int gy = 0; gy <= n; ++gy)
      for (int gx = 0; gx <= n; ++gx)
        grid.push_back(k.screenVertex(mesh, 37.3f + gx * 23.1f, 21.7f + gy * 18.9f, 6.0f + gx * 0.21f + gy * 0.13f,
                                      static_cast<float>((gx * 37 + gy * 11) % 255)));
    for (int gy = 0; gy < n; ++gy)
      for (int gx = 0; gx < n; ++gx) {
        const int a = grid[gy * (n + 1) + gx], b = grid[gy * (n + 1) + gx + 1];
        const int c = grid[(gy + 1) * (n + 1) + gx], d = grid[(gy + 1) * (n + 1) + gx + 1];
        Material& m = *mats[(gx + gy) % 4 == 0 ? 4 : 0];
        if ((gx + gy) % 2) {
          k.face(mesh, m, {a, c, d}, {0, 0, 0, 1, 1, 1});
          k.face(mesh, m, {a, d, b}, {0, 0, 1, 1, 1, 0});
        } else {
          k.face(mesh, m, {a, c, b}, {0, 0, 0, 1, 1, 0});
          k.face(mesh, m, {b, c, d}, {1, 0, 0, 1, 1, 1});
        }
      }

    // Coplanar neighbours at one depth: ties decided by the order edges are met.
    Object& ties = k.root("ties");
    for (int i = 0; i < 40; ++i) {
      const float x = 20.0f + static_cast<float>(i % 10) * 60.0f, y = 300.0f + static_cast<float>(i / 10) * 40.0f;
      k.screenRect(ties, *mats[i % 2 ? 5 : 4], x, y, x + 70.5f, y + 50.25f, 4.0f);
    }
  }
  Kernel k;
};

// Frames 1 and 2 must match; 2 checks that persisting pools leave nothing behind.
void expectFrames(Busy& b, int flags, uint64_t expected, uint16_t before = 0) {
  b.k.fill(before);
  ASSERT_EQ(b.k.render(flags), 0);
  const uint64_t first = th::frameHash(b.k);
  b.k.fill(before);
  ASSERT_EQ(b.k.render(flags), 0);
  EXPECT_EQ(th::frameHash(b.k), first);
  EXPECT_TRUE(b.k.guardsIntact());
  EXPECT_EQ(first, expected) << std::hex << "0x" << first;
}

TEST(FrameChecksum, BusyScene16BitCleared) {
  Busy b(16);
  expectFrames(b, 1, 0x5f88fc5bc0acc688ull, 0x5555);
  // The scene really is busy: almost nothing is left to the background.
  EXPECT_LT(b.k.count(0), 640 * 480 / 20);
}

TEST(FrameChecksum, BusyScene15BitOverPreviousContent) {
  Busy b(15);
  expectFrames(b, 0, 0xab226dd1b8593ccbull, 0x2A5A);
}

TEST(FrameChecksum, BusySceneInsideAnInnerViewport) {
  Busy b(16);
  b.k.setViewport(33.0f, 17.0f, 500.0f, 400.0f);
  expectFrames(b, 1, 0x7c6639f86e3ff255ull);
}

// Few large faces piled deep, tilted so that they pass through each other: the order in which
// faces enter the surface stack decides what shows, blended and keyed faces sit between opaque
// ones, and stacks run many faces deep.
struct Layered {
  Layered(int depth, unsigned seed) : k(640, 480, depth) {
    std::srand(seed);
    std::mt19937 rng(seed);
    auto uni = [&] { return static_cast<float>(rng() % 1000000u) / 1000000.0f; };
    th::Texture& t8 = k.texture8(
        256, 256, [](int x, int y) { return static_cast<uint8_t>(x * 3 ^ y); },
        [](int j) { return static_cast<uint32_t>((j * 5 & 255) << 16 | (j * 11 & 255) << 8 | (255 - j)); }, true);
    th::Texture& keyed = k.texture16(32, 32, [](int x, int y) { return static_cast<uint16_t>((x ^ y) & 4 ? 0x0F0F : 0xF800); });
    keyed.tex.keyPixel = 0x0F0F;
    Material* mats[] = {
        &k.material(1, 1, &t8),
        &k.material(1, 0),
        &k.material(0, 0, nullptr, [](ZeltMaterial& m) { m.flatPixel = 0x7BEF; }),
        &k.material(1, 5, &t8),
        &k.material(0, 4, nullptr, [](ZeltMaterial& m) { m.flatPixel = 0xF81F; }),
        &k.material(0, 3, &keyed),
    };
    for (Material* m : mats) {
      m->mat.ambient = {40, 40, 40};
      m->mat.diffuse = {200, 210, 190};
      m->mat.lightColour = {255, 255, 255};
      Zelt_Update_Material_Dll(&m->mat);
    }
    Object& pile = k.root("pile");
    for (int i = 0; i < 260; ++i) {
      const float cx = uni() * 640, cy = uni() * 480;
      const float r = 60 + uni() * 160;
      const float a0 = uni() * 6.2831853f;
      const float z = 3.0f + uni() * 10.0f;
      int idx[3];
      std::vector<float> uv;
      for (int c = 0; c < 3; ++c) {
        const float a = a0 - static_cast<float>(c) * 2.0943951f;
        idx[c] = k.screenVertex(pile, cx + r * std::cos(a), cy + r * std::sin(a), z * (0.5f + uni()), 32 + uni() * 223);
        uv.push_back(0.5f + 0.4f * std::cos(a));
        uv.push_back(0.5f + 0.4f * std::sin(a));
      }
      const int pick = static_cast<int>(rng() % 12u);
      Material& m = *mats[pick < 5 ? 0 : pick < 7 ? 1 : pick < 8 ? 2 : pick < 10 ? 3 : pick < 11 ? 4 : 5];
      k.face(pile, m, {idx[0], idx[1], idx[2]}, uv);
    }
  }
  Kernel k;
};

TEST(FrameChecksum, DeepInterpenetratingPiles) {
  const struct {
    int depth;
    unsigned seed;
    uint64_t expected;
  } cases[] = {
      {16, 1, 0x094c12a43ca62967ull},
      {16, 2, 0xdd1a2a3355d9ba0bull},
      {15, 3, 0x5b8929014fed3944ull},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seed);
    Layered l(c.depth, c.seed);
    l.k.fill(0x1111);
    ASSERT_EQ(l.k.render(1), 0);
    const uint64_t first = th::frameHash(l.k);
    l.k.fill(0x1111);
    ASSERT_EQ(l.k.render(1), 0);
    EXPECT_EQ(th::frameHash(l.k), first);
    EXPECT_EQ(first, c.expected) << std::hex << "0x" << first;
  }
}

}  // namespace
