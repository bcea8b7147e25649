// Scan conversion inside a face and the span fillers, each in a 15-bit and a 16-bit form.
#include <algorithm>
#include <climits>

#include "tarnel/Internal.h"

namespace tarnel {

namespace {

// ---- pixel formats and operations -------------------------------------------------------------

struct Fmt15 {
  static uint16_t blend(uint32_t s, uint32_t d) { return static_cast<uint16_t>(((s & 0x7BDF) + (d & 0x7BDF)) >> 1); }
  static uint16_t add(uint32_t s, uint32_t d) {
    uint32_t x = (s & 0x7BDF) + (d & 0x7BDF);
    if (x & 0x20) x |= 0x1F;
    if (x & 0x400) x |= 0x3E0;
    if (x & 0x8000) x |= 0x7C00;
    return static_cast<uint16_t>(x);
  }
  static uint16_t colour(int r, int g, int b) {
    return static_cast<uint16_t>((r >> 11) << 10 | (g >> 11) << 5 | (b >> 11));
  }
};

struct Fmt16 {
  static uint16_t blend(uint32_t s, uint32_t d) { return static_cast<uint16_t>(((s & 0xF7DF) + (d & 0xF7DF)) >> 1); }
  static uint16_t add(uint32_t s, uint32_t d) {
    uint32_t x = (s & 0xF7DF) + (d & 0xF7DF);
    if (x & 0x20) x |= 0x1F;
    if (x & 0x800) x |= 0x7E0;
    if (x & 0x10000) x |= 0xF800;
    return static_cast<uint16_t>(x);
  }
  static uint16_t colour(int r, int g, int b) {
    return static_cast<uint16_t>((r >> 11) << 11 | (g >> 10) << 5 | (b >> 11));
  }
};

template <class F>
struct OpWrite {
  static void apply(uint16_t& d, uint16_t s) { d = s; }
};
template <class F>
struct OpBlend {
  static void apply(uint16_t& d, uint16_t s) { d = F::blend(s, d); }
};
template <class F>
struct OpAdd {
  static void apply(uint16_t& d, uint16_t s) { d = F::add(s, d); }
};

// ---- texture addressing and texel sources -------------------------------------------------------

struct AddrFast {
  uint32_t operator()(int u, int v) const {
    return static_cast<uint32_t>(((v >> 8) & 255) << 8 | ((u >> 8) & 255));
  }
};

struct AddrGeneral {
  int shift;
  uint32_t mask;
  uint32_t operator()(int u, int v) const {
    return ((static_cast<uint32_t>(v >> 8) << shift) + static_cast<uint32_t>(u >> 8)) & mask;
  }
};

template <class Addr>
struct Src16 {
  const uint16_t* tex;
  Addr addr;
  bool get(int u, int v, int, uint16_t& px) const {
    px = tex[addr(u, v)];
    return true;
  }
};

template <class Addr>
struct Src16Key {
  const uint16_t* tex;
  Addr addr;
  uint16_t key;
  bool get(int u, int v, int, uint16_t& px) const {
    px = tex[addr(u, v)];
    return px != key;
  }
};

// 8-bit texels through the brightest shade level.
template <class Addr>
struct Src8Bright {
  const uint8_t* tex;
  Addr addr;
  const uint32_t* shade;  // already at level 63
  bool get(int u, int v, int, uint16_t& px) const {
    px = static_cast<uint16_t>(shade[tex[addr(u, v)]] >> 16);
    return true;
  }
};

// 8-bit texels through the shade level of i. Keyed: texels equal to key are skipped.
template <class Addr, bool Keyed>
struct Src8Lit {
  const uint8_t* tex;
  Addr addr;
  const uint32_t* shade;
  int key;
  bool get(int u, int v, int i, uint16_t& px) const {
    uint32_t t = tex[addr(u, v)];
    if (Keyed && static_cast<int>(t) == key) return false;
    px = static_cast<uint16_t>(shade[static_cast<uint32_t>((i >> 8) & 63) << 8 | t] >> 16);
    return true;
  }
};

// ---- polygon sides ------------------------------------------------------------------------------

struct SideRow {
  int x;
  float w;
  float a[kMaxAttributes];
};

SideRow gLeft[kMaxScanlines + 1];
SideRow gRight[kMaxScanlines + 1];

struct Sides {
  int yTop;
  int yBottom;
};

// Fills the rows of one side from vertex `from` to vertex `to`, only those from scanline lo up to
// (not including) hi; returns how many rows the side covers.
int walkSide(const FaceItem& it, int attrs, int from, int to, int stepDir, int yTop, SideRow* rows, int lo, int hi) {
  const int n = it.count;
  int i = from;
  int guard = 0;
  int written = 0;
  while (i != to && guard++ < n) {
    const int j = (i + stepDir + n) % n;
    const int ya = it.iy[i];
    const int yb = it.iy[j];
    if (ya < yb) {
      const FaceVertex& a = it.v[i];
      const FaceVertex& b = it.v[j];
      const float inv = 1.0f / static_cast<float>(yb - ya);
      const float dx = (b.x - a.x) * inv;
      const float dw = (b.w - a.w) * inv;
      float da[kMaxAttributes];
      for (int k = 0; k < attrs; ++k) da[k] = (b.a[k] - a.a[k]) * inv;
      const int yEnd = std::min(yb, hi);
      for (int y = std::max(ya, lo); y < yEnd; ++y) {
        const float t = static_cast<float>(y - ya);
        SideRow& r = rows[y - yTop];
        // Vertices are finite and inside the viewport here: a plain truncation is safe.
        r.x = static_cast<int>(a.x + t * dx);
        r.w = a.w + t * dw;
        for (int k = 0; k < attrs; ++k) r.a[k] = a.a[k] + t * da[k];
      }
      written += yb - ya;
    }
    i = j;
  }
  return written;
}

// Left and right sides of the polygon on its scanlines from lo up to hi (every scanline from
// its top to its bottom when not narrowed).
Sides buildSides(const FaceItem& it, int attrs, int lo = INT_MIN, int hi = INT_MAX) {
  int top = 0;
  int bottom = 0;
  for (int k = 1; k < it.count; ++k) {
    if (it.iy[k] < it.iy[top]) top = k;
    if (it.iy[k] > it.iy[bottom]) bottom = k;
  }
  Sides s{it.iy[top], std::min(it.iy[bottom], it.iy[top] + kMaxScanlines)};
  const int rows = s.yBottom - s.yTop;
  lo = std::max(lo, s.yTop);
  hi = std::min(hi, s.yBottom);
  if (walkSide(it, attrs, top, bottom, +1, s.yTop, gLeft, lo, hi) == rows &&
      walkSide(it, attrs, top, bottom, -1, s.yTop, gRight, lo, hi) == rows)
    return s;
  // A polygon whose sides do not run steadily downward: give every line a defined value first.
  SideRow init{};
  init.x = truncInt(it.v[top].x);
  init.w = it.v[top].w;
  for (int k = 0; k < attrs; ++k) init.a[k] = it.v[top].a[k];
  for (int y = 0; y < rows; ++y) gLeft[y] = gRight[y] = init;
  walkSide(it, attrs, top, bottom, +1, s.yTop, gLeft, lo, hi);
  walkSide(it, attrs, top, bottom, -1, s.yTop, gRight, lo, hi);
  return s;
}

// Values at a span's first pixel and their gradients along the scanline.
struct SpanValues {
  float w, a[kMaxAttributes];
  float gw, ga[kMaxAttributes];
  const SideRow* left;
};

// Walks the face's spans with interpolated values at each span start.
template <class Fn>
void forEachSpan(const FaceItem& it, const Target& t, int attrs, Fn&& fn) {
  if (it.spanCount <= 0 || it.count < 3) return;
  const SpanRun* spans = renderer().gathered.data() + it.spanFirst;
  // Spans are kept top to bottom: only the scanlines from the first to the last are needed.
  const Sides s = buildSides(it, attrs, spans[0].y, spans[it.spanCount - 1].y + 1);
  SpanValues sv{};
  int prevY = INT_MIN;
  int prevX = 0;
  for (int i = it.spanCount - 1; i >= 0; --i) {
    const SpanRun& sp = spans[i];
    if (sp.y < t.top || sp.y >= t.bottom || sp.y < s.yTop || sp.y >= s.yBottom) continue;
    const int x0 = std::max(sp.x, t.left);
    const int x1 = std::min(sp.x + sp.length, t.right);
    if (x1 <= x0) continue;
    const SideRow& L = gLeft[sp.y - s.yTop];
    const SideRow& R = gRight[sp.y - s.yTop];
    if (sp.y != prevY) {
      const int dx = R.x - L.x;
      const float inv = dx != 0 ? 1.0f / static_cast<float>(dx) : 0.0f;
      sv.gw = (R.w - L.w) * inv;
      const float off = static_cast<float>(x0 - L.x);
      sv.w = L.w + off * sv.gw;
      for (int k = 0; k < attrs; ++k) {
        sv.ga[k] = (R.a[k] - L.a[k]) * inv;
        sv.a[k] = L.a[k] + off * sv.ga[k];
      }
    } else {
      const float d = static_cast<float>(x0 - prevX);
      sv.w += d * sv.gw;
      for (int k = 0; k < attrs; ++k) sv.a[k] += d * sv.ga[k];
    }
    sv.left = &L;
    prevY = sp.y;
    prevX = x0;
    fn(t.pixels + static_cast<long>(sp.y) * t.pitch + x0, x0, x1 - x0, sv);
  }
}

// ---- inner loops ---------------------------------------------------------------------------------

// Perspective-correct texture span: exact u, v every 8 pixels, linear in between.
template <class Op, class Src>
void perspectiveSpan(uint16_t* d, int n, float w, float uz, float vz, float gw, float gu, float gv, int i,
                     int di, const Src& src) {
  const float gw8 = gw * 8.0f, gu8 = gu * 8.0f, gv8 = gv * 8.0f;
  float z = 1.0f / w;
  int u = truncInt(uz * z);
  int v = truncInt(vz * z);
  float w8 = w + gw8, uz8 = uz + gu8, vz8 = vz + gv8;
  float z8 = 1.0f / w8;
  int u8 = truncInt(uz8 * z8);
  int v8 = truncInt(vz8 * z8);
  int du = (u8 - u) >> 3;
  int dv = (v8 - v) >> 3;
  uint16_t px;
  while (n >= 8) {
    for (int k = 0; k < 8; ++k) {
      if (src.get(u, v, i, px)) Op::apply(d[k], px);
      u += du;
      v += dv;
      i += di;
    }
    d += 8;
    n -= 8;
    u = u8;
    v = v8;
    if (n > 8) {
      w8 += gw8;
      uz8 += gu8;
      vz8 += gv8;
      z8 = 1.0f / w8;
      u8 = truncInt(uz8 * z8);
      v8 = truncInt(vz8 * z8);
      du = (u8 - u) >> 3;
      dv = (v8 - v) >> 3;
    }
  }
  for (int k = 0; k < n; ++k) {
    if (src.get(u, v, i, px)) Op::apply(d[k], px);
    u += du;
    v += dv;
    i += di;
  }
}

// Lit untextured span: exact shade value from i/z every 8 pixels.
template <class Op>
void perspectiveShadeSpan(uint16_t* d, int n, float w, float iz, float gw, float gi, const uint32_t* shade) {
  const float gw8 = gw * 8.0f, gi8 = gi * 8.0f;
  int i = truncInt(iz / w);
  float w8 = w + gw8, iz8 = iz + gi8;
  int i8 = truncInt(iz8 / w8);
  int di = (i8 - i) >> 3;
  while (n >= 8) {
    for (int k = 0; k < 8; ++k) {
      Op::apply(d[k], static_cast<uint16_t>(shade[(i >> 8) & 63] >> 16));
      i += di;
    }
    d += 8;
    n -= 8;
    i = i8;
    if (n > 8) {
      w8 += gw8;
      iz8 += gi8;
      i8 = truncInt(iz8 / w8);
      di = (i8 - i) >> 3;
    }
  }
  for (int k = 0; k < n; ++k) {
    Op::apply(d[k], static_cast<uint16_t>(shade[(i >> 8) & 63] >> 16));
    i += di;
  }
}

// ---- face fillers --------------------------------------------------------------------------------

enum class FlatKind { RandomDoubled, Random, Flat };

template <class F, template <class> class Op, FlatKind K>
void fillFlat(const FaceItem& it, const Target& t) {
  uint16_t px;
  if (K == FlatKind::RandomDoubled)
    px = static_cast<uint16_t>((it.random & 0xFF) * 0x101);
  else if (K == FlatKind::Random)
    px = it.random;
  else
    px = it.material ? it.material->flatPixel : 0;
  const SpanRun* spans = renderer().gathered.data() + it.spanFirst;
  for (int i = it.spanCount - 1; i >= 0; --i) {
    const SpanRun& sp = spans[i];
    if (sp.y < t.top || sp.y >= t.bottom) continue;
    const int x0 = std::max(sp.x, t.left);
    const int x1 = std::min(sp.x + sp.length, t.right);
    uint16_t* d = t.pixels + static_cast<long>(sp.y) * t.pitch;
    for (int x = x0; x < x1; ++x) Op<F>::apply(d[x], px);
  }
}

const MaterialBlock* blockOf(const FaceItem& it) {
  return it.material ? static_cast<const MaterialBlock*>(it.material->rendererBlock) : nullptr;
}

template <class F, template <class> class Op>
void fillLit(const FaceItem& it, const Target& t) {
  const MaterialBlock* mb = blockOf(it);
  if (!mb || !mb->shade) return;
  const uint32_t* shade = mb->shade;
  forEachSpan(it, t, 1, [&](uint16_t* d, int, int n, const SpanValues& sv) {
    perspectiveShadeSpan<Op<F>>(d, n, sv.w, sv.a[0], sv.gw, sv.ga[0], shade);
  });
}

template <class F>
void fillColour(const FaceItem& it, const Target& t) {
  forEachSpan(it, t, 3, [&](uint16_t* d, int x, int n, const SpanValues& sv) {
    const int off = x - sv.left->x;
    int c[3], dc[3];
    for (int k = 0; k < 3; ++k) {
      dc[k] = truncInt(sv.ga[k]);
      c[k] = truncInt(sv.left->a[k]) + off * dc[k];
    }
    for (int p = 0; p < n; ++p) {
      const int r = std::clamp(c[0], 0, 0xFFFF), g = std::clamp(c[1], 0, 0xFFFF), b = std::clamp(c[2], 0, 0xFFFF);
      d[p] = F::colour(r, g, b);
      for (int k = 0; k < 3; ++k) c[k] += dc[k];
    }
  });
}

enum class TexKind { Plain16, Keyed16, Bright8 };

template <class F, template <class> class Op, TexKind K, class Addr>
void fillTexturedWith(const FaceItem& it, const Target& t, const Addr& addr) {
  const ZeltTexture* tex = it.material->texture;
  const void* texels = tex->bitmap->texels;
  auto run = [&](const auto& src) {
    forEachSpan(it, t, 2, [&](uint16_t* d, int, int n, const SpanValues& sv) {
      perspectiveSpan<Op<F>>(d, n, sv.w, sv.a[0], sv.a[1], sv.gw, sv.ga[0], sv.ga[1], 0, 0, src);
    });
  };
  if constexpr (K == TexKind::Plain16) {
    run(Src16<Addr>{static_cast<const uint16_t*>(texels), addr});
  } else if constexpr (K == TexKind::Keyed16) {
    run(Src16Key<Addr>{static_cast<const uint16_t*>(texels), addr, tex->keyPixel});
  } else {
    const MaterialBlock* mb = blockOf(it);
    if (!mb || !mb->shade || mb->shadeEntries != 64 * 256) return;
    run(Src8Bright<Addr>{static_cast<const uint8_t*>(texels), addr, mb->shade + 63 * 256});
  }
}

template <class F, template <class> class Op, TexKind K>
void fillTextured(const FaceItem& it, const Target& t) {
  const ZeltBitmap* bm = it.material->texture->bitmap;
  if (bm->fastPath && bm->mask == 0xFFFF)
    fillTexturedWith<F, Op, K>(it, t, AddrFast{});
  else
    fillTexturedWith<F, Op, K>(it, t, AddrGeneral{std::clamp(bm->log2Width, 0, 30), bm->mask});
}

// Key: 0 none, 1 the texture's key index, 2 palette index 0.
template <class F, template <class> class Op, int Key, class Addr>
void fillLitTexturedWith(const FaceItem& it, const Target& t, const Addr& addr) {
  const MaterialBlock* mb = blockOf(it);
  if (!mb || !mb->shade || mb->shadeEntries != 64 * 256) return;
  const ZeltTexture* tex = it.material->texture;
  Src8Lit<Addr, Key != 0> src{static_cast<const uint8_t*>(tex->bitmap->texels), addr, mb->shade,
                              Key == 1 ? tex->keyIndex : 0};
  forEachSpan(it, t, 3, [&](uint16_t* d, int x, int n, const SpanValues& sv) {
    const int di = truncInt(sv.ga[2]);
    const int i = truncInt(sv.left->a[2]) + (x - sv.left->x) * di;
    perspectiveSpan<Op<F>>(d, n, sv.w, sv.a[0], sv.a[1], sv.gw, sv.ga[0], sv.ga[1], i, di, src);
  });
}

template <class F, template <class> class Op, int Key>
void fillLitTextured(const FaceItem& it, const Target& t) {
  const ZeltBitmap* bm = it.material->texture->bitmap;
  if (bm->fastPath && bm->mask == 0xFFFF)
    fillLitTexturedWith<F, Op, Key>(it, t, AddrFast{});
  else
    fillLitTexturedWith<F, Op, Key>(it, t, AddrGeneral{std::clamp(bm->log2Width, 0, 30), bm->mask});
}

// Overlay: no spans; every scanline of the polygon is added without a visibility test.
template <class F, class Addr>
void fillOverlayWith(const FaceItem& it, const Target& t, const Addr& addr) {
  if (it.count < 3) return;
  const Sides s = buildSides(it, 2);
  Src16<Addr> src{static_cast<const uint16_t*>(it.material->texture->bitmap->texels), addr};
  for (int y = std::max(s.yTop, t.top); y < std::min(s.yBottom, t.bottom); ++y) {
    const SideRow& L = gLeft[y - s.yTop];
    const SideRow& R = gRight[y - s.yTop];
    const int dx = R.x - L.x;
    if (dx <= 0) continue;
    const float inv = 1.0f / static_cast<float>(dx);
    const float gw = (R.w - L.w) * inv, gu = (R.a[0] - L.a[0]) * inv, gv = (R.a[1] - L.a[1]) * inv;
    const int x0 = std::max(L.x, t.left);
    const int x1 = std::min(R.x, t.right);
    if (x1 <= x0) continue;
    const float off = static_cast<float>(x0 - L.x);
    perspectiveSpan<OpAdd<F>>(t.pixels + static_cast<long>(y) * t.pitch + x0, x1 - x0, L.w + off * gw,
                              L.a[0] + off * gu, L.a[1] + off * gv, gw, gu, gv, 0, 0, src);
  }
}

template <class F>
void fillOverlay(const FaceItem& it, const Target& t) {
  const ZeltBitmap* bm = it.material->texture->bitmap;
  if (bm->fastPath && bm->mask == 0xFFFF)
    fillOverlayWith<F>(it, t, AddrFast{});
  else
    fillOverlayWith<F>(it, t, AddrGeneral{std::clamp(bm->log2Width, 0, 30), bm->mask});
}

void fillNothing(const FaceItem&, const Target&) {}

template <class F>
void slotFillers(int slot, Filler* out) {
  switch (slot) {
    case 0: *out = fillFlat<F, OpBlend, FlatKind::Random>; break;
    case 1: *out = fillLit<F, OpWrite>; break;
    case 2: *out = fillTextured<F, OpAdd, TexKind::Plain16>; break;
    case 3: *out = fillTextured<F, OpWrite, TexKind::Keyed16>; break;
    case 4: *out = fillFlat<F, OpBlend, FlatKind::Flat>; break;
    case 5: *out = fillOverlay<F>; break;
    case 6: *out = fillTextured<F, OpAdd, TexKind::Plain16>; break;
    case 7: *out = fillLit<F, OpBlend>; break;
    case 8: *out = fillLitTextured<F, OpWrite, 0>; break;
    case 9: *out = fillTextured<F, OpWrite, TexKind::Plain16>; break;
    case 11: *out = fillFlat<F, OpWrite, FlatKind::RandomDoubled>; break;
    case 12: *out = fillColour<F>; break;
    case 13: *out = fillLitTextured<F, OpWrite, 1>; break;
    case 14: *out = fillLitTextured<F, OpAdd, 0>; break;
    case 15: *out = fillTextured<F, OpBlend, TexKind::Plain16>; break;
    case 16: *out = fillTextured<F, OpWrite, TexKind::Keyed16>; break;
    case 17: *out = fillLitTextured<F, OpBlend, 0>; break;
    case 18: *out = fillTextured<F, OpBlend, TexKind::Keyed16>; break;
    case 19: *out = fillFlat<F, OpWrite, FlatKind::Flat>; break;
    case 20: *out = fillTextured<F, OpWrite, TexKind::Bright8>; break;
    case 21: *out = fillLitTextured<F, OpBlend, 2>; break;
    default: *out = fillNothing; break;
  }
}

}  // namespace

void fillerPair(int slot, Filler* filler15, Filler* filler16) {
  slotFillers<Fmt15>(slot, filler15);
  slotFillers<Fmt16>(slot, filler16);
}

void fillFaceItem(const FaceItem& item, const Target& target, int depth) {
  const RenderState* s = item.state;
  if (!s) return;
  (depth == 15 ? s->filler15 : s->filler16)(item, target);
}

void fillBackgroundZero(const FaceItem& background, const Target& t) {
  fillFlat<Fmt16, OpWrite, FlatKind::Flat>(background, t);
}

}  // namespace tarnel
