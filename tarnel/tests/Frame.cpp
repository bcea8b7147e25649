// The frame pipeline: coverage rules, visibility through the span buffer, the three face lists,
// clipping, background clearing, traversal and growing pools.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "_Harness.h"

using th::Kernel;
using th::Material;
using th::Object;

namespace {

constexpr uint16_t kRed = 0xF800;
constexpr uint16_t kGreen = 0x07E0;
constexpr uint16_t kBlue = 0x001F;
constexpr uint16_t kWhite = 0xFFFF;

uint16_t add16(uint16_t s, uint16_t d) {
  uint32_t x = (s & 0xF7DFu) + (d & 0xF7DFu);
  if (x & 0x20) x |= 0x1F;
  if (x & 0x800) x |= 0x7E0;
  if (x & 0x10000) x |= 0xF800;
  return static_cast<uint16_t>(x);
}

uint16_t blend16(uint16_t s, uint16_t d) { return static_cast<uint16_t>(((s & 0xF7DF) + (d & 0xF7DF)) >> 1); }

Material& flat(Kernel& k, uint16_t pixel, int flags = 0) {
  return k.material(0, flags, nullptr, [&](ZeltMaterial& m) { m.flatPixel = pixel; });
}

// Additive texture of value 1: every covering face adds one to the pixel.
Material& counting(Kernel& k) {
  th::Texture& one = k.texture16(4, 4, [](int, int) { return uint16_t(1); });
  return k.material(0, 0x41, &one);
}

TEST(Coverage, RectangleCoversFromItsTopLeftUpToItsBottomRight) {
  Kernel k;
  Object& o = k.root("o");
  k.screenRect(o, flat(k, kRed), 10, 12, 20, 17, 5);
  k.render();
  EXPECT_EQ(k.count(kRed), 10 * 5);
  EXPECT_EQ(k.px(10, 12), kRed);
  EXPECT_EQ(k.px(19, 16), kRed);
  EXPECT_EQ(k.px(20, 16), 0);
  EXPECT_EQ(k.px(19, 17), 0);
  EXPECT_EQ(k.px(9, 12), 0);
  EXPECT_EQ(k.px(10, 11), 0);
}


TEST(Coverage, SharedEdgesAreCoveredExactlyOnce) {
  Kernel k;
  Material& add = counting(k);
  Object& o = k.root("fan");
  // A fan of triangles around an off-grid centre: every pixel inside is covered once.
  const float cx = 31.3f, cy = 30.7f;
  const int n = 11;
  int centre = k.screenVertex(o, cx, cy, 5);
  std::vector<int> rim;
  for (int i = 0; i < n; ++i) {
    double a = 2 * M_PI * i / n + 0.1;
    rim.push_back(k.screenVertex(o, static_cast<float>(cx + 25 * std::cos(a)), static_cast<float>(cy + 23 * std::sin(a)), 5));
  }
  // Counter-clockwise on the screen (y down) means decreasing angle.
  for (int i = 0; i < n; ++i) k.face(o, add, {centre, rim[(i + 1) % n], rim[i]});
  k.render();
  int ones = 0;
  for (int y = 0; y < k.height; ++y)
    for (int x = 0; x < k.width; ++x) {
      ASSERT_LE(k.px(x, y), 1) << x << "," << y;
      ones += k.px(x, y);
    }
  EXPECT_GT(ones, 1500);  // about the area of the polygon
  EXPECT_EQ(k.px(31, 30), 1);
  // Two triangles of a square: the diagonal is shared.
  Kernel q;
  Material& add2 = counting(q);
  Object& s = q.root("square");
  int a = q.screenVertex(s, 10, 10, 5), b = q.screenVertex(s, 10, 30, 5), c = q.screenVertex(s, 30, 30, 5),
      d = q.screenVertex(s, 30, 10, 5);
  q.face(s, add2, {a, b, c});
  q.face(s, add2, {a, c, d});
  q.render();
  EXPECT_EQ(q.count(1), 400);
  EXPECT_EQ(q.count(0), 64 * 64 - 400);
}

TEST(Visibility, NearerPlaneHidesFartherWhateverTheOrder) {
  for (int order = 0; order < 2; ++order) {
    Kernel k;
    Object& o = k.root("o");
    Material& red = flat(k, kRed);
    Material& green = flat(k, kGreen);
    if (order == 0) {
      k.screenRect(o, red, 10, 10, 40, 40, 10);
      k.screenRect(o, green, 20, 20, 30, 30, 5);
    } else {
      k.screenRect(o, green, 20, 20, 30, 30, 5);
      k.screenRect(o, red, 10, 10, 40, 40, 10);
    }
    k.render();
    EXPECT_EQ(k.count(kGreen), 100);
    EXPECT_EQ(k.count(kRed), 900 - 100);
    EXPECT_EQ(k.px(25, 25), kGreen);
    EXPECT_EQ(k.px(15, 25), kRed);
  }
}

TEST(Visibility, DepthIsComparedWhereAFaceEnters) {
  Kernel k;
  Object& o = k.root("o");
  Material& red = flat(k, kRed);
  Material& green = flat(k, kGreen);
  // Red recedes from z = 2 on the left to z = 20 on the right.
  int a = k.screenVertex(o, 0, 0, 2), b = k.screenVertex(o, 0, 64, 2), c = k.screenVertex(o, 64, 64, 20),
      d = k.screenVertex(o, 64, 0, 20);
  k.face(o, red, {a, b, c, d});
  // At x = 41 red lies at z 4.7: a rect at z 4 entering there is in front; at x = 6 red lies at
  // z 2.3: a rect at z 4 entering there is behind.
  k.screenRect(o, green, 40, 10, 60, 20, 4);
  k.screenRect(o, green, 5, 30, 15, 40, 4);
  k.render();
  EXPECT_EQ(k.px(50, 15), kGreen);
  EXPECT_EQ(k.px(39, 15), kRed);
  EXPECT_EQ(k.px(10, 35), kRed);
  EXPECT_EQ(k.count(kGreen), 200);
}

TEST(Visibility, EqualDepthGoesToTheFaceMetLater) {
  Kernel k;
  Object& o = k.root("o");
  Material& red = flat(k, kRed);
  Material& green = flat(k, kGreen);
  k.screenRect(o, green, 20, 10, 40, 20, 5);  // met later on every line
  k.screenRect(o, red, 10, 10, 30, 20, 5);
  k.render();
  for (int x = 10; x < 20; ++x) EXPECT_EQ(k.px(x, 15), kRed) << x;
  for (int x = 20; x < 40; ++x) EXPECT_EQ(k.px(x, 15), kGreen) << x;
  // Same start column: the edge inserted later is met first, so the earlier face stays on top.
  Kernel k2;
  Object& o2 = k2.root("o");
  Material& red2 = flat(k2, kRed);
  Material& green2 = flat(k2, kGreen);
  k2.screenRect(o2, red2, 10, 10, 30, 20, 5);
  k2.screenRect(o2, green2, 10, 10, 30, 20, 5);
  k2.render();
  EXPECT_EQ(k2.count(kRed), 200);
}

TEST(Visibility, NonOccludingFacesShowOverTheNearestOccludingOne) {
  Kernel k;
  Object& o = k.root("o");
  Material& red = flat(k, kRed);
  Material& green = flat(k, kGreen);
  Material& veil = flat(k, kWhite, 4);      // 50 % blend of the flat pixel
  Material& blueVeil = flat(k, kBlue, 4);
  k.screenRect(o, red, 0, 0, 64, 64, 10);
  k.screenRect(o, veil, 10, 10, 30, 20, 5);
  k.screenRect(o, green, 20, 10, 40, 20, 2);
  k.screenRect(o, veil, 50, 50, 60, 60, 20);  // behind the red wall: hidden
  // Two veils over each other: painted from the farthest.
  k.screenRect(o, veil, 0, 40, 10, 50, 4);
  k.screenRect(o, blueVeil, 0, 40, 10, 50, 8);
  k.render();
  EXPECT_EQ(k.px(15, 15), blend16(kWhite, kRed));
  EXPECT_EQ(k.px(25, 15), kGreen);
  EXPECT_EQ(k.px(40, 15), kRed);
  EXPECT_EQ(k.px(55, 55), kRed);
  EXPECT_EQ(k.px(5, 45), blend16(kWhite, blend16(kBlue, kRed)));
}

TEST(Background, ClearedOnlyWhenAskedAndOnlyInsideTheViewport) {
  Kernel k;
  Object& o = k.root("o");
  k.screenRect(o, flat(k, kRed), 20, 20, 30, 30, 5);
  k.fill(0x1234);
  k.render(0);
  EXPECT_EQ(k.count(0x1234), 64 * 64 - 100);
  EXPECT_EQ(k.count(kRed), 100);
  k.render(1);
  EXPECT_EQ(k.count(0), 64 * 64 - 100);

  Kernel v;
  v.setViewport(8, 4, 40, 50);
  v.fill(0x1234);
  v.render(1);
  EXPECT_EQ(v.count(0), 40 * 50);
  EXPECT_EQ(v.px(7, 10), 0x1234);
  EXPECT_EQ(v.px(48, 10), 0x1234);
  EXPECT_EQ(v.px(10, 3), 0x1234);
  EXPECT_EQ(v.px(10, 54), 0x1234);
  EXPECT_TRUE(v.guardsIntact());
}

TEST(Clipping, ScreenEdgesKeepEveryWriteInsideTheViewport) {
  Kernel k;
  k.setViewport(4, 6, 50, 40);
  Object& o = k.root("o");
  k.screenRect(o, flat(k, kRed), -300, -200, 400, 500, 5);
  k.fill(0x1234);
  k.render();
  EXPECT_EQ(k.count(kRed), 50 * 40);
  EXPECT_EQ(k.px(4, 6), kRed);
  EXPECT_EQ(k.px(53, 45), kRed);
  EXPECT_TRUE(k.guardsIntact());
  // Also blended and overlay faces.
  th::Texture& t = k.texture16(8, 8, [](int, int) { return uint16_t(3); });
  k.screenRect(o, k.material(0, 0x41, &t), -300, -200, 400, 500, 4);
  k.screenRect(o, k.material(0, 0x101, &t), -300, -200, 400, 500, 3);
  k.render();
  EXPECT_EQ(k.count(add16(3, add16(3, kRed))), 50 * 40);
  EXPECT_TRUE(k.guardsIntact());
}

TEST(Clipping, NearPlaneCutsAFaceThatCrossesIt) {
  Kernel k;
  Object& o = k.root("floor");
  Material& red = flat(k, kRed);
  // Floor at y = -0.5 from z = 0.5 to 4; the near plane is at 1. At z = 1 the floor reaches
  // screen row 32 + 0.5 * 32 = 48, at z = 4 row 36.
  th::Vertex v;
  v.y = -0.5f;
  v.x = -1, v.z = 4;
  int a = k.vertex(o, v);
  v.x = -1, v.z = 0.5f;
  int b = k.vertex(o, v);
  v.x = 1, v.z = 0.5f;
  int c = k.vertex(o, v);
  v.x = 1, v.z = 4;
  int d = k.vertex(o, v);
  k.face(o, red, {a, b, c, d});
  k.render();
  // Row 47 lies at z = 16/15, where the floor spans columns 2 to 62.
  for (int x = 3; x < 61; ++x) EXPECT_EQ(k.px(x, 47), kRed) << x;
  for (int x = 0; x < 64; ++x) EXPECT_EQ(k.px(x, 48), 0) << x;
  EXPECT_EQ(k.px(32, 36), kRed);
  EXPECT_EQ(k.px(32, 35), 0);
  EXPECT_EQ(k.px(20, 37), 0);  // outside the floor's narrowing sides
  // A face wholly behind the near plane gives nothing.
  Kernel behind;
  Object& p = behind.root("p");
  behind.screenRect(p, flat(behind, kRed), 10, 10, 20, 20, 0.5f);
  behind.render();
  EXPECT_EQ(behind.count(kRed), 0);
}

TEST(Winding, ClockwiseFacesProduceNoSpans) {
  Kernel k;
  Object& o = k.root("o");
  Material& green = flat(k, kGreen);
  k.screenRect(o, green, 10, 10, 40, 40, 10);
  int a = k.screenVertex(o, 15, 15, 5), b = k.screenVertex(o, 25, 15, 5), c = k.screenVertex(o, 25, 25, 5),
      d = k.screenVertex(o, 15, 25, 5);
  k.face(o, flat(k, kRed), {a, b, c, d});       // clockwise, opaque
  k.face(o, flat(k, kWhite, 4), {a, b, c, d});  // clockwise, blended
  k.render();
  EXPECT_EQ(k.count(kGreen), 900);
}

TEST(Pools, LargeFramesGrowEveryPoolAndStayCorrect) {
  // 3072 faces, 6144 edges, more than 12000 spans.
  Kernel k(256, 192);
  Object& o = k.root("grid");
  Material& a = flat(k, kRed);
  Material& b = flat(k, kGreen);
  for (int y = 0; y < 192; y += 4)
    for (int x = 0; x < 256; x += 4) k.screenRect(o, ((x + y) / 4) % 2 ? b : a, x, y, x + 4, y + 4, 5);
  for (int frame = 0; frame < 2; ++frame) {
    k.fill(0x1234);
    EXPECT_EQ(k.render(1), 0);
    int wrong = 0;
    for (int y = 0; y < 192; ++y)
      for (int x = 0; x < 256; ++x) wrong += k.px(x, y) != (((x / 4 + y / 4) % 2) ? kGreen : kRed);
    EXPECT_EQ(wrong, 0);
  }
  EXPECT_TRUE(k.guardsIntact());
}

// Sixteen-sided polygon around a centre, counter-clockwise on the screen.
void polygon16(Kernel& k, Object& o, Material& m, float cx, float cy, float r, float z) {
  std::vector<int> idx;
  for (int i = 0; i < 16; ++i) {
    double a = -2 * M_PI * i / 16;
    idx.push_back(k.screenVertex(o, static_cast<float>(cx + r * std::cos(a)), static_cast<float>(cy + r * std::sin(a)), z));
  }
  k.face(o, m, idx);
}

TEST(Pools, EdgePoolThatCannotGrowStopsTheFrame) {
  Kernel k;
  Object& o = k.root("o");
  Material& red = flat(k, kRed);
  polygon16(k, o, red, 32, 32, 10, 5);
  k.render();  // lists and pools get their first blocks
  for (int i = 0; i < 299; ++i) polygon16(k, o, red, 32, 32, 10, 5);  // 4800 edges
  th::AllocControl::refuseAbove = 250000;
  k.fill(0x1234);
  EXPECT_EQ(k.render(1), 2);
  EXPECT_EQ(k.count(0x1234), 64 * 64);
  th::AllocControl::refuseAbove = SIZE_MAX;
  EXPECT_EQ(k.render(1), 0);
  EXPECT_GT(k.count(kRed), 200);
}

TEST(Pools, SpanPoolThatCannotGrowPaintsWhatWasFound) {
  Kernel k(64, 480);
  Object& o = k.root("o");
  Material& red = flat(k, kRed);
  k.screenRect(o, red, 1, 0, 3, 480, 5);
  k.render();  // face list and pools get their first blocks
  for (int x = 4; x < 64; x += 4) k.screenRect(o, red, x + 1, 0, x + 3, 480, 5);  // 16 x 480 spans
  th::AllocControl::refuseAbove = 100000;
  k.fill(0x1234);
  EXPECT_EQ(k.render(1), 0);
  EXPECT_EQ(k.px(1, 0), kRed);
  EXPECT_EQ(k.px(0, 0), 0);
  EXPECT_EQ(k.px(1, 479), 0x1234);  // lines beyond the full pool are not resolved
  EXPECT_TRUE(k.guardsIntact());
}

TEST(Robustness, DegenerateAndNonFiniteFacesNeverCrashOrEscape) {
  Kernel k;
  Object& o = k.root("o");
  Material& red = flat(k, kRed);
  const float nan = std::nanf("");
  const float inf = INFINITY;
  th::Vertex v;
  auto vert = [&](float x, float y, float z) {
    v.x = x, v.y = y, v.z = z;
    return k.vertex(o, v);
  };
  k.face(o, red, {vert(0, 0, 5), vert(nan, 0, 5), vert(1, 1, 5)});
  k.face(o, red, {vert(0, 0, nan), vert(1, 0, 5), vert(1, 1, 5)});
  k.face(o, red, {vert(0, 0, 5), vert(1e30f, 0, 5), vert(1, -1e30f, 5)});
  k.face(o, red, {vert(0, 0, 5), vert(inf, 0, 5), vert(1, 1, inf)});
  k.face(o, red, {vert(1, 1, 5), vert(1, 1, 5), vert(1, 1, 5)});   // a point
  k.face(o, red, {vert(0, 0, 5), vert(1, 1, 5), vert(2, 2, 5)});   // a line
  k.face(o, red, {vert(0, 0, 5), vert(1, 1, 5)});                  // two corners
  k.face(o, red, {vert(0, 0, 5), vert(1, 1, 5), Kernel::kPool + 5}); // index beyond the pool
  th::Face& empty = k.face(o, red, {});
  (void)empty;
  k.fill(0x1234);
  EXPECT_EQ(k.render(1), 0);
  EXPECT_TRUE(k.guardsIntact());
}

TEST(Robustness, RandomScenesStayInsideTheBuffer) {
  std::mt19937 rng(1234);
  std::uniform_real_distribution<float> pos(-3, 3), depth(-1, 12), any(-1e6f, 1e6f);
  for (int scene = 0; scene < 8; ++scene) {
    Kernel k(96, 72, scene % 2 ? 15 : 16);
    k.setViewport(3, 2, 90, 68);
    Object& o = k.root("o");
    th::Texture& t16 = k.texture16(16, 16, [](int x, int y) { return uint16_t(x * 977 + y * 131); }, false);
    th::Texture& tf = k.texture16(256, 256, [](int x, int y) { return uint16_t(x ^ y); }, true);
    th::Texture& t8 = k.texture8(32, 8, [](int x, int y) { return uint8_t(x + y); }, [](int j) { return j * 0x10101u; });
    std::vector<Material*> mats = {&flat(k, kRed),          &flat(k, kWhite, 4),     &k.material(0, 0x41, &t16),
                                   &k.material(0, 0x101, &tf), &k.material(0, 1, &tf), &k.material(1, 1, &t8),
                                   &k.material(1, 0x41, &t8),   &k.material(0, 1, &t8),  &k.material(2, 0),
                                   &k.material(0, 0x201, &t16), &k.material(1, 7, &t8),  &k.material(9, 2)};
    for (int f = 0; f < 300; ++f) {
      int n = 3 + static_cast<int>(rng() % 4);
      std::vector<int> idx;
      std::vector<float> uv;
      for (int i = 0; i < n; ++i) {
        th::Vertex v;
        bool wild = rng() % 40 == 0;
        v.x = wild ? any(rng) : pos(rng);
        v.y = wild ? any(rng) : pos(rng);
        v.z = depth(rng);
        v.light = static_cast<float>(rng() % 300);
        idx.push_back(k.vertex(o, v));
        uv.push_back(pos(rng));
        uv.push_back(pos(rng));
      }
      k.face(o, *mats[rng() % mats.size()], idx, uv);
    }
    k.render(scene % 3 == 0);
    ASSERT_TRUE(k.guardsIntact()) << scene;
  }
}

TEST(Traversal, MethodsRunInOrderAndSkipOnlyWhatTheyShould) {
  Kernel k;
  Material& red = flat(k, kRed);
  Object& a = k.root("a");
  Object& b = k.child(a, "b");
  Object& c = k.root("c");
  a.obj.hidden = 1;  // a is not drawn, its child is
  b.kind.lights = 1;
  c.inView = false;
  k.screenRect(a, red, 0, 0, 10, 10, 5);
  k.screenRect(b, red, 20, 0, 30, 10, 5);
  k.screenRect(c, red, 40, 0, 50, 10, 5);
  k.render();
  std::vector<std::string> expected = {"prepare:b", "choose:b",  "transform:b", "cull:b",
                                       "light:b",   "project:b", "prepare:c",   "choose:c",
                                       "transform:c", "cull:c"};
  EXPECT_EQ(k.calls, expected);
  EXPECT_EQ(k.px(5, 5), 0);
  EXPECT_EQ(k.px(25, 5), kRed);
  EXPECT_EQ(k.px(45, 5), 0);
  EXPECT_EQ(k.prepareFrames, 1);
  EXPECT_EQ(k.record.stamp, 1u);
}

TEST(Traversal, SharedVerticesAreProjectedOncePerObject) {
  Kernel k;
  Object& o = k.root("o");
  Material& red = flat(k, kRed);
  int a = k.screenVertex(o, 10, 10, 5), b = k.screenVertex(o, 10, 30, 5), c = k.screenVertex(o, 30, 30, 5),
      d = k.screenVertex(o, 30, 10, 5);
  k.face(o, red, {a, b, c});
  k.face(o, red, {a, c, d});
  k.render();
  EXPECT_EQ(k.stamps[a], k.record.stamp);
  EXPECT_FLOAT_EQ(k.projections[c].x, 30.0f);
  EXPECT_FLOAT_EQ(k.projections[c].y, 30.0f);
  EXPECT_FLOAT_EQ(k.projections[c].invZ, 0.2f);
  // A stale cache entry with the current stamp is taken as it is.
  k.projections[d].x = 50.0f;
  k.stamps[d] = k.record.stamp + 1;
  k.render();
  EXPECT_EQ(k.px(40, 15), kRed);
}

TEST(Traversal, StandInGeometryIsDrawnForItsObject) {
  Kernel k;
  Material& red = flat(k, kRed);
  Material& green = flat(k, kGreen);
  Object& far = k.root("far");
  Object& lod = k.detached("lod");
  k.screenRect(far, red, 0, 0, 10, 10, 5);
  k.screenRect(lod, green, 20, 20, 30, 30, 5);
  far.stand = &lod;
  k.render();
  EXPECT_EQ(k.count(kRed), 0);
  EXPECT_EQ(k.count(kGreen), 100);
}

TEST(Traversal, GroupIsVisibleWhenAnyMemberIs) {
  Kernel k;
  Material& red = flat(k, kRed);
  Material& green = flat(k, kGreen);
  Object& g = k.root("g");
  g.kind.group = 1;
  g.inView = false;
  Object& m1 = k.child(g, "m1");
  Object& m2 = k.child(g, "m2");
  m1.inView = false;
  // Members' faces index the group's pool.
  int a = k.screenVertex(g, 0, 0, 5), b = k.screenVertex(g, 0, 10, 5), c = k.screenVertex(g, 10, 10, 5),
      d = k.screenVertex(g, 10, 0, 5);
  k.face(m1, red, {a, b, c, d});
  int e = k.screenVertex(g, 20, 0, 5), f = k.screenVertex(g, 20, 10, 5), h = k.screenVertex(g, 30, 10, 5),
      i = k.screenVertex(g, 30, 0, 5);
  k.face(m2, green, {e, f, h, i});
  m2.obj.hidden = 1;
  k.render();
  EXPECT_EQ(k.count(kRed), 100);    // m1 drawn although its own cull said no
  EXPECT_EQ(k.count(kGreen), 0);    // hidden member
  EXPECT_EQ(k.record.stamp, 1u);
  int prepares = 0;
  for (const auto& call : k.calls) prepares += call.rfind("prepare:", 0) == 0;
  EXPECT_EQ(prepares, 3);  // group and members once each
  g.inView = m2.inView = false;
  k.fill(0);
  k.render();
  EXPECT_EQ(k.count(kRed), 0);
}

TEST(Lifecycle, PoolsPersistUntilTheLastReleaseAndAllMemoryReturns) {
  const long before = th::AllocControl::live;
  {
    Kernel k;
    Object& o = k.root("o");
    Material& veil = k.material(1, 4);  // blended, with a shade table
    k.screenRect(o, flat(k, kRed), 0, 0, 30, 30, 5);
    k.screenRect(o, veil, 10, 10, 40, 40, 4);
    k.render();
    const long during = th::AllocControl::live;
    EXPECT_GT(during, before);
    Zelt_Init_Render_Dll(&k.record);  // a second initialisation
    Zelt_Release_Scene_Dll();         // back to one: the pools stay
    EXPECT_EQ(th::AllocControl::live, during);
    k.fill(0);
    k.render();
    EXPECT_EQ(k.px(5, 5), kRed);
    Zelt_Release_Material_Dll(&veil.mat);  // block and shade table
    EXPECT_EQ(th::AllocControl::live, during - 2);
  }
  EXPECT_EQ(th::AllocControl::live, before);
}

TEST(Frame, NoCameraDrawsNothing) {
  Kernel k;
  Object& o = k.root("o");
  k.screenRect(o, flat(k, kRed), 0, 0, 10, 10, 5);
  k.context.camera = nullptr;
  EXPECT_EQ(k.render(1), 0);
  EXPECT_EQ(k.count(0), 64 * 64);
  EXPECT_EQ(k.prepareFrames, 0);
}

}  // namespace
