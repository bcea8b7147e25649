// Scan conversion inside a face and the span fillers, each in a 15-bit and a 16-bit form.
#include <algorithm>
#include <climits>
#include <type_traits>

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

// ---- four floats at once ------------------------------------------------------------------------
//
// Side rows and span values keep 1/z and the three attributes together as four floats. Every lane
// gets the same IEEE operation the one-value-at-a-time form did, so the pixels do not change;
// only the number of instructions does.

#if defined(__SSE2__)
struct F4 {
  __m128 m;
};
inline F4 load4(const float* p) { return {_mm_load_ps(p)}; }
inline void store4(float* p, F4 a) { _mm_store_ps(p, a.m); }
inline F4 splat4(float f) { return {_mm_set1_ps(f)}; }
inline F4 make4(float a, float b, float c, float d) { return {_mm_setr_ps(a, b, c, d)}; }
inline F4 operator+(F4 a, F4 b) { return {_mm_add_ps(a.m, b.m)}; }
inline F4 operator-(F4 a, F4 b) { return {_mm_sub_ps(a.m, b.m)}; }
inline F4 operator*(F4 a, F4 b) { return {_mm_mul_ps(a.m, b.m)}; }
inline F4 operator/(F4 a, F4 b) { return {_mm_div_ps(a.m, b.m)}; }
// {a0, a0, b0, b0}: 1/z now and 8 pixels on.
inline F4 pairW(F4 a, F4 b) { return {_mm_shuffle_ps(a.m, b.m, _MM_SHUFFLE(0, 0, 0, 0))}; }
// {a1, a2, b1, b2}: u/z and v/z now and 8 pixels on.
inline F4 pairUV(F4 a, F4 b) { return {_mm_shuffle_ps(a.m, b.m, _MM_SHUFFLE(2, 1, 2, 1))}; }
// truncInt of every lane (same clamping and NaN rule).
inline void trunc4(F4 a, int* out) {
  __m128 x = _mm_and_ps(a.m, _mm_cmpord_ps(a.m, a.m));
  x = _mm_min_ps(x, _mm_set1_ps(536870912.0f));
  x = _mm_max_ps(x, _mm_set1_ps(-536870912.0f));
  _mm_store_si128(reinterpret_cast<__m128i*>(out), _mm_cvttps_epi32(x));
}
// truncInt of lane 3 of a and of b.
inline void lastLanes(F4 a, F4 b, int* ta, int* tb) {
  alignas(16) int out[4];
  trunc4({_mm_unpackhi_ps(a.m, b.m)}, out);
  *ta = out[2];
  *tb = out[3];
}
#else
struct F4 {
  float f[4];
};
inline F4 load4(const float* p) { return {{p[0], p[1], p[2], p[3]}}; }
inline void store4(float* p, F4 a) {
  for (int k = 0; k < 4; ++k) p[k] = a.f[k];
}
inline F4 splat4(float f) { return {{f, f, f, f}}; }
inline F4 make4(float a, float b, float c, float d) { return {{a, b, c, d}}; }
#define TARNEL_F4_OP(op)                                          \
  inline F4 operator op(F4 a, F4 b) {                             \
    return {{a.f[0] op b.f[0], a.f[1] op b.f[1], a.f[2] op b.f[2], a.f[3] op b.f[3]}}; \
  }
TARNEL_F4_OP(+)
TARNEL_F4_OP(-)
TARNEL_F4_OP(*)
TARNEL_F4_OP(/)
#undef TARNEL_F4_OP
inline F4 pairW(F4 a, F4 b) { return {{a.f[0], a.f[0], b.f[0], b.f[0]}}; }
inline F4 pairUV(F4 a, F4 b) { return {{a.f[1], a.f[2], b.f[1], b.f[2]}}; }
inline void trunc4(F4 a, int* out) {
  for (int k = 0; k < 4; ++k) out[k] = truncInt(a.f[k]);
}
inline void lastLanes(F4 a, F4 b, int* ta, int* tb) {
  *ta = truncInt(a.f[3]);
  *tb = truncInt(b.f[3]);
}
#endif

// ---- polygon sides ------------------------------------------------------------------------------

struct alignas(16) SideRow {
  float v[4];  // 1/z, then the attributes (lanes past the filler's attributes are 0)
  int x;
};

SideRow gLeft[kMaxScanlines + 1];
SideRow gRight[kMaxScanlines + 1];

struct Sides {
  int yTop;
  int yBottom;
};

// 1/z and the first attrs attributes of a vertex; the other lanes 0.
#if defined(__SSE2__)
inline F4 vertexValues(const FaceVertex& p, int attrs) {
  alignas(16) static const uint32_t kKeep[kMaxAttributes + 1][4] = {
      {~0u, 0, 0, 0}, {~0u, ~0u, 0, 0}, {~0u, ~0u, ~0u, 0}, {~0u, ~0u, ~0u, ~0u}};
  const __m128 keep = _mm_load_ps(reinterpret_cast<const float*>(kKeep[std::clamp(attrs, 0, kMaxAttributes)]));
  return {_mm_and_ps(_mm_loadu_ps(&p.w), keep)};
}
#else
inline F4 vertexValues(const FaceVertex& p, int attrs) {
  return make4(p.w, attrs > 0 ? p.a[0] : 0.0f, attrs > 1 ? p.a[1] : 0.0f, attrs > 2 ? p.a[2] : 0.0f);
}
#endif

// Fills the rows of one side from vertex `from` to vertex `to`, only those from scanline lo up to
// (not including) hi; returns how many rows the side covers.
int walkSide(const FaceItem& it, int attrs, int from, int to, int stepDir, int yTop, SideRow* rows, int lo, int hi) {
  const int n = it.count;
  int i = from;
  int guard = 0;
  int written = 0;
  while (i != to && guard++ < n) {
    int j = i + stepDir;
    j = j < 0 ? n - 1 : j >= n ? 0 : j;
    const int ya = it.v[i].iy;
    const int yb = it.v[j].iy;
    if (ya < yb) {
      const FaceVertex& a = it.v[i];
      const FaceVertex& b = it.v[j];
      const float inv = 1.0f / static_cast<float>(yb - ya);
      const float dx = (b.x - a.x) * inv;
      const F4 va = vertexValues(a, attrs);
      const F4 dv = (vertexValues(b, attrs) - va) * splat4(inv);
      const int yEnd = std::min(yb, hi);
      int y = std::max(ya, lo);
      // Vertices are finite and inside the viewport here: a plain truncation is safe.
#if defined(__SSE2__)
      // Four rows at a time: their x in one go (the same multiply, add and truncation per row).
      const __m128 ax = _mm_set1_ps(a.x);
      const __m128 stepX = _mm_set1_ps(dx);
      for (; y + 4 <= yEnd; y += 4) {
        const __m128 t = _mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(y - ya), _mm_setr_epi32(0, 1, 2, 3)));
        alignas(16) int x[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(x), _mm_cvttps_epi32(_mm_add_ps(ax, _mm_mul_ps(t, stepX))));
        SideRow* r = rows + (y - yTop);
        r[0].x = x[0];
        r[1].x = x[1];
        r[2].x = x[2];
        r[3].x = x[3];
        store4(r[0].v, va + F4{_mm_shuffle_ps(t, t, _MM_SHUFFLE(0, 0, 0, 0))} * dv);
        store4(r[1].v, va + F4{_mm_shuffle_ps(t, t, _MM_SHUFFLE(1, 1, 1, 1))} * dv);
        store4(r[2].v, va + F4{_mm_shuffle_ps(t, t, _MM_SHUFFLE(2, 2, 2, 2))} * dv);
        store4(r[3].v, va + F4{_mm_shuffle_ps(t, t, _MM_SHUFFLE(3, 3, 3, 3))} * dv);
      }
#endif
      for (; y < yEnd; ++y) {
        const float t = static_cast<float>(y - ya);
        SideRow& r = rows[y - yTop];
        r.x = static_cast<int>(a.x + t * dx);
        store4(r.v, va + splat4(t) * dv);
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
    if (it.v[k].iy < it.v[top].iy) top = k;
    if (it.v[k].iy > it.v[bottom].iy) bottom = k;
  }
  Sides s{it.v[top].iy, std::min(it.v[bottom].iy, it.v[top].iy + kMaxScanlines)};
  const int rows = s.yBottom - s.yTop;
  lo = std::max(lo, s.yTop);
  hi = std::min(hi, s.yBottom);
  if (walkSide(it, attrs, top, bottom, +1, s.yTop, gLeft, lo, hi) == rows &&
      walkSide(it, attrs, top, bottom, -1, s.yTop, gRight, lo, hi) == rows)
    return s;
  // A polygon whose sides do not run steadily downward: give every line a defined value first.
  SideRow init{};
  init.x = truncInt(it.v[top].x);
  store4(init.v, vertexValues(it.v[top], attrs));
  for (int y = 0; y < rows; ++y) gLeft[y] = gRight[y] = init;
  walkSide(it, attrs, top, bottom, +1, s.yTop, gLeft, lo, hi);
  walkSide(it, attrs, top, bottom, -1, s.yTop, gRight, lo, hi);
  return s;
}

// Values at a span's first pixel and their gradients along the scanline.
struct SpanValues {
  alignas(16) float v[4];  // 1/z, attributes
  alignas(16) float g[4];
  const SideRow* left;
};

// Walks the face's spans with interpolated values at each span start: fn(span, x0, x1, L, values,
// gradients, new scanline).
template <class Fn>
void walkSpans(const FaceItem& it, const Target& t, int attrs, Fn&& fn) {
  if (it.spanCount <= 0 || it.count < 3) return;
  const SpanRun* spans = renderer().gathered.data() + it.spanFirst;
  // Spans are kept top to bottom: only the scanlines from the first to the last are needed.
  const Sides s = buildSides(it, attrs, spans[0].y, spans[it.spanCount - 1].y + 1);
  const int yLo = std::max(t.top, s.yTop), yHi = std::min(t.bottom, s.yBottom);
  F4 val = splat4(0.0f), grad = val;
  int prevY = INT_MIN;
  int prevX = 0;
  for (int i = it.spanCount - 1; i >= 0; --i) {
    const SpanRun& sp = spans[i];
    if (sp.y < yLo || sp.y >= yHi) continue;
    const int x0 = std::max(sp.x, t.left);
    const int x1 = std::min(sp.x + sp.length, t.right);
    if (x1 <= x0) continue;
    const SideRow& L = gLeft[sp.y - s.yTop];
    const bool newRow = sp.y != prevY;
    if (newRow) {
      const SideRow& R = gRight[sp.y - s.yTop];
      const int dx = R.x - L.x;
      const float inv = dx != 0 ? 1.0f / static_cast<float>(dx) : 0.0f;
      const F4 l = load4(L.v);
      grad = (load4(R.v) - l) * splat4(inv);
      val = l + splat4(static_cast<float>(x0 - L.x)) * grad;
    } else {
      val = val + splat4(static_cast<float>(x0 - prevX)) * grad;
    }
    prevY = sp.y;
    prevX = x0;
    fn(t.pixels + static_cast<long>(sp.y) * t.pitch, x0, x1, L, val, grad, newRow);
  }
}

// The same with the values handed over as SpanValues.
template <class Fn>
void forEachSpan(const FaceItem& it, const Target& t, int attrs, Fn&& fn) {
  walkSpans(it, t, attrs, [&](uint16_t* row, int x0, int x1, const SideRow& L, F4 val, F4 grad, bool) {
    SpanValues sv;
    store4(sv.v, val);
    store4(sv.g, grad);
    sv.left = &L;
    fn(row + x0, x0, x1 - x0, sv);
  });
}

// ---- inner loops ---------------------------------------------------------------------------------

// A textured span ready to draw: texel coordinates (8.8) at its start and 8 pixels on, what the
// following targets are stepped from, and the shade value with its step.
struct alignas(16) TexturedSpan {
  int uv[4];      // u, v, then u and v of the first target
  float next[4];  // 1/z, u/z, v/z at the first target
  float step[4];  // their change over 8 pixels
  uint16_t* d;
  int n;
  int i, di;
};

// The exact targets after a span's first: 1/z, u/z and v/z stepped 8 pixels at a time from the
// first target.
struct NextTargets {
  float w8, uz8, vz8;
  const float* step;
  explicit NextTargets(const TexturedSpan& e) : w8(e.next[0]), uz8(e.next[1]), vz8(e.next[2]), step(e.step) {}
  // Moves 8 pixels on: the exact u8, v8 there and the per-pixel steps toward them from u, v.
  [[gnu::always_inline]] void next(int u, int v, int& u8, int& v8, int& du, int& dv) {
    w8 += step[0];
    uz8 += step[1];
    vz8 += step[2];
    const float z8 = 1.0f / w8;
    u8 = truncInt(uz8 * z8);
    v8 = truncInt(vz8 * z8);
    du = (u8 - u) >> 3;
    dv = (v8 - v) >> 3;
  }
};

// Start values of a perspective span: val and grad hold 1/z, u/z, v/z and their gradients.
inline void startTextured(TexturedSpan& e, F4 val, F4 grad) {
  const F4 step = grad * splat4(8.0f);
  const F4 next = val + step;
  // Both divisions at once: 1/z at the span start and at the first target.
  trunc4(pairUV(val, next) * (splat4(1.0f) / pairW(val, next)), e.uv);
  store4(e.next, next);
  store4(e.step, step);
}

// Perspective-correct texture span: exact u, v every 8 pixels, linear in between.
template <class Op, class Src>
inline void drawTextured(const TexturedSpan& e, const Src& src) {
  uint16_t* d = e.d;
  int n = e.n;
  int u = e.uv[0], v = e.uv[1];
  int u8 = e.uv[2], v8 = e.uv[3];
  int i = e.i;
  const int di = e.di;
  int du = (u8 - u) >> 3;
  int dv = (v8 - v) >> 3;
  uint16_t px;
  if (n >= 8) {
    NextTargets targets(e);
    do {
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
      if (n > 8) targets.next(u, v, u8, v8, du, dv);
    } while (n >= 8);
  }
  for (int k = 0; k < n; ++k) {
    if (src.get(u, v, i, px)) Op::apply(d[k], px);
    u += du;
    v += dv;
    i += di;
  }
}

#if defined(__SSE2__)
// The same for 8-bit lit texels on a 256 x 256 texture, 8 pixels at a time: texel row and column
// (bits 8..15 of v and u) and shade level (bits 8..13 of i) depend only on the low 16 bits of the
// coordinates, so 16-bit lanes give exactly the values the one-pixel-at-a-time steps give.
template <class Op, bool Keyed>
inline void drawTexturedLit8(const TexturedSpan& e, const Src8Lit<AddrFast, Keyed>& src) {
  const __m128i lanes = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
  const __m128i rowMask = _mm_set1_epi16(static_cast<short>(0xFF00));
  const __m128i levelMask = _mm_set1_epi16(0x3F00);
  const uint8_t* tex = src.tex;
  const uint32_t* shade = src.shade;
  uint16_t* d = e.d;
  int n = e.n;
  int u = e.uv[0], v = e.uv[1];
  int u8 = e.uv[2], v8 = e.uv[3];
  int du = (u8 - u) >> 3;
  int dv = (v8 - v) >> 3;
  __m128i level = _mm_add_epi16(_mm_set1_epi16(static_cast<short>(e.i)),
                                _mm_mullo_epi16(_mm_set1_epi16(static_cast<short>(e.di)), lanes));
  const __m128i levelStep = _mm_set1_epi16(static_cast<short>(e.di * 8u));
  alignas(16) uint16_t texel[8], base[8];
  // Texel indices and shade rows of the next 8 pixels.
  auto prepare = [&] {
    const __m128i cu = _mm_add_epi16(_mm_set1_epi16(static_cast<short>(u)),
                                     _mm_mullo_epi16(_mm_set1_epi16(static_cast<short>(du)), lanes));
    const __m128i cv = _mm_add_epi16(_mm_set1_epi16(static_cast<short>(v)),
                                     _mm_mullo_epi16(_mm_set1_epi16(static_cast<short>(dv)), lanes));
    _mm_store_si128(reinterpret_cast<__m128i*>(texel), _mm_or_si128(_mm_and_si128(cv, rowMask), _mm_srli_epi16(cu, 8)));
    _mm_store_si128(reinterpret_cast<__m128i*>(base), _mm_and_si128(level, levelMask));
  };
  auto pixel = [&](int k) {
    const uint32_t t = tex[texel[k]];
    if (Keyed && static_cast<int>(t) == src.key) return;
    Op::apply(d[k], static_cast<uint16_t>(shade[base[k] | t] >> 16));
  };
  if (n >= 8) {
    NextTargets targets(e);
    do {
      prepare();
      for (int k = 0; k < 8; ++k) pixel(k);
      d += 8;
      n -= 8;
      u = u8;
      v = v8;
      level = _mm_add_epi16(level, levelStep);
      if (n > 8) targets.next(u, v, u8, v8, du, dv);
    } while (n >= 8);
  }
  if (n > 0) {
    prepare();
    for (int k = 0; k < n; ++k) pixel(k);
  }
}
#endif

// One span from its start values (the overlay's scanlines).
template <class Op, class Src>
void perspectiveSpan(uint16_t* d, int n, float w, float uz, float vz, float gw, float gu, float gv, const Src& src) {
  TexturedSpan e;
  startTextured(e, make4(w, uz, vz, 0.0f), make4(gw, gu, gv, 0.0f));
  e.d = d;
  e.n = n;
  e.i = 0;
  e.di = 0;
  drawTextured<Op>(e, src);
}

// Every span of a textured face. The start values of a batch of spans are worked out first and
// the spans drawn after: the divisions of one span no longer wait for the pixels of the one
// before, and the pixel loops start from values already at hand. Lit: attribute 2 is the light
// value i, stepped linearly along the span.
template <bool Lit, class Draw>
void forEachTexturedSpan(const FaceItem& it, const Target& t, Draw&& draw) {
  constexpr int kBatch = 32;
  TexturedSpan batch[kBatch];
  int m = 0;
  int rowX = 0, rowI = 0, di = 0;
  walkSpans(it, t, Lit ? 3 : 2, [&](uint16_t* row, int x0, int x1, const SideRow& L, F4 val, F4 grad, bool newRow) {
    TexturedSpan& e = batch[m];
    startTextured(e, val, grad);
    e.d = row + x0;
    e.n = x1 - x0;
    if (Lit) {
      if (newRow) {
        lastLanes(load4(L.v), grad, &rowI, &di);
        rowX = L.x;
      }
      // Integer steps wrap like the pixel loop's.
      e.i = static_cast<int>(static_cast<unsigned>(rowI) + static_cast<unsigned>(x0 - rowX) * static_cast<unsigned>(di));
      e.di = di;
    } else {
      e.i = 0;
      e.di = 0;
    }
    if (++m == kBatch) {
      for (int k = 0; k < kBatch; ++k) draw(batch[k]);
      m = 0;
    }
  });
  for (int k = 0; k < m; ++k) draw(batch[k]);
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
    perspectiveShadeSpan<Op<F>>(d, n, sv.v[0], sv.v[1], sv.g[0], sv.g[1], shade);
  });
}

template <class F>
void fillColour(const FaceItem& it, const Target& t) {
  forEachSpan(it, t, 3, [&](uint16_t* d, int x, int n, const SpanValues& sv) {
    const int off = x - sv.left->x;
    int c[3], dc[3];
    for (int k = 0; k < 3; ++k) {
      dc[k] = truncInt(sv.g[1 + k]);
      c[k] = truncInt(sv.left->v[1 + k]) + off * dc[k];
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
    forEachTexturedSpan<false>(it, t, [&](const TexturedSpan& e) { drawTextured<Op<F>>(e, src); });
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
#if defined(__SSE2__)
  if constexpr (std::is_same_v<Addr, AddrFast>) {
    forEachTexturedSpan<true>(it, t, [&](const TexturedSpan& e) { drawTexturedLit8<Op<F>>(e, src); });
    return;
  }
#endif
  forEachTexturedSpan<true>(it, t, [&](const TexturedSpan& e) { drawTextured<Op<F>>(e, src); });
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
    const float gw = (R.v[0] - L.v[0]) * inv, gu = (R.v[1] - L.v[1]) * inv, gv = (R.v[2] - L.v[2]) * inv;
    const int x0 = std::max(L.x, t.left);
    const int x1 = std::min(R.x, t.right);
    if (x1 <= x0) continue;
    const float off = static_cast<float>(x0 - L.x);
    perspectiveSpan<OpAdd<F>>(t.pixels + static_cast<long>(y) * t.pitch + x0, x1 - x0, L.v[0] + off * gw,
                              L.v[1] + off * gu, L.v[2] + off * gv, gw, gu, gv, src);
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
