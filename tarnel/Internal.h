// Private records of the software renderer: face items, spans, edges, render states and the
// process-wide frame pools.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "include/zelt/records.h"

namespace tarnel {

constexpr int kSlotCount = 22;
constexpr int kDiagnosticSlot = 11;
constexpr int kMaxFaceVertices = 16;              // accepted from the kernel
constexpr int kItemVertices = kMaxFaceVertices + 6; // one more per clipping plane
constexpr int kMaxAttributes = 3;
constexpr int kMaxScanlines = 4096;
constexpr int kFaceGrowth = 512;
constexpr int kEdgeGrowth = 4096;
constexpr int kSpanGrowth = 4096;

// Which face list a render state sends its faces to.
enum class FaceList : uint8_t { Opaque = 0, Blended = 1, Overlay = 2, None = 3 };

// What a render state's face setup stores per vertex.
enum class SetupKind : uint8_t { None, Flat, Lit, Colour, Textured, TexturedQuad, LitTextured };

// Texel depth a filler reads.
enum class TexelNeed : uint8_t { None, Bits8, Bits16 };

// Shade table form a filler reads.
enum class ShadeNeed : uint8_t { None, Plain, Textured };

// A polygon corner while the face is clipped and projected.
struct ClipVertex {
  float x, y, w;           // screen x, y and 1/z
  float cx, cy, cz;        // camera space (valid before the screen-space clip)
  float a[kMaxAttributes]; // render-state attributes
  int code;                // inside-bits
};

// A corner of a finished face item: what edge insertion and the fillers read, 32 bytes. 1/z and
// the attributes come first and side by side so that the side tables load them as four floats.
struct FaceVertex {
  float w;                 // 1/z
  float a[kMaxAttributes]; // render-state attributes (past the state's count: not read)
  float x, y;              // screen position, inside the viewport
  int iy;                  // scanline: truncInt(y)
  int unused;
};
static_assert(sizeof(FaceVertex) == 32, "face item corners stay two to a cache line");
static_assert(offsetof(FaceVertex, a) == sizeof(float), "1/z and the attributes are read as four floats");

struct RenderState;

struct FaceItem {
  // What span resolution and the fillers read first fits one 64-byte header; the corners follow.
  // (The surface stack itself runs on dense copies of the depth planes, see the span buffer.)
  float A, B, C;           // 1/z = A x + B y + C on the screen
  int spanHead;
  int spanFirst;           // the face's spans, gathered in list order: spanFirst + spanCount - 1
  int spanCount;           // down to spanFirst of the gathered array
  uint8_t occludes;
  uint16_t random;
  int count;
  int sortKey;
  int andCode;
  int orCode;
  const ZeltMaterial* material;
  const RenderState* state;
  FaceVertex v[kItemVertices];
};
static_assert(offsetof(FaceItem, v) == 64, "a face item's header is one cache line");

struct Span {
  int x;
  int length;
  int y;
  int next;   // index of the face's next span, -1 ends
  int owner;  // surface that owns the span (span buffer numbering)
};

// A span as the fillers read it, once gathered face by face.
struct SpanRun {
  int x;
  int length;
  int y;
};

struct SpanEdge {
  int32_t x;       // 16.16
  int32_t step;    // per scanline, 16.16
  int direction;   // 1: traced downward (a left edge)
  int lastRow;     // the edge leaves the active list after this scanline
  SpanEdge* next;  // next in its scanline bucket
  int surface;     // index of its face item's surface (see the span buffer)
};

// Drawing target handed to the fillers.
struct Target {
  uint16_t* pixels;
  void* depth;
  int pitch;
  int left, top, right, bottom;  // clip rectangle, right and bottom exclusive
};

using Filler = void (*)(const FaceItem& item, const Target& target);

struct RenderState {
  int mode;
  SetupKind setup;
  FaceList list;
  TexelNeed texels;
  ShadeNeed shade;
  Filler filler15;
  Filler filler16;
};

struct MaterialBlock {
  RenderState* state;
  uint32_t* shade;       // packed pixels in the upper 16 bits
  int shadeEntries;      // 64 or 64 * 256
};

struct FaceBlock {
  uint16_t random;
};

// Growable array living in the kernel's lent memory.
template <class T>
struct Pool {
  T* data = nullptr;
  int count = 0;
  int capacity = 0;
};

struct FrameLists {
  Pool<FaceItem> faces[3];
  Pool<int> order[3];
  Pool<Span> spans;
  Pool<SpanEdge> edges;
  long corners = 0;  // corners of this frame's opaque and blended items: at most one edge each
};

struct Renderer {
  ZeltRenderRecord* record = nullptr;
  int initCount = 0;
  RenderState slots[kSlotCount] = {};
  FrameLists pools;
  // Spans gathered face by face after resolution, so that each filler reads its spans from
  // one run of memory instead of chasing list links across the pool.
  std::vector<SpanRun> gathered;
  std::vector<int> gatherStart;
};

extern Renderer gRenderer;
inline Renderer& renderer() { return gRenderer; }

// Lent allocation with fallback to the C library when no record is known.
void* allocZeroed(size_t count, size_t size);
void* reallocBlock(void* block, size_t size);
void freeBlock(void* block);

// Grows a pool by step items; false when memory ran out (the pool is unchanged).
template <class T>
bool growPool(Pool<T>& pool, int step) {
  if (pool.capacity > (1 << 24)) return false;
  size_t bytes = sizeof(T) * static_cast<size_t>(pool.capacity + step);
  void* block = pool.data ? reallocBlock(pool.data, bytes) : allocZeroed(pool.capacity + step, sizeof(T));
  if (!block) return false;
  pool.data = static_cast<T*>(block);
  pool.capacity += step;
  return true;
}

template <class T>
void releasePool(Pool<T>& pool) {
  if (pool.data) freeBlock(pool.data);
  pool = Pool<T>{};
}

void releaseFramePools();

// Render states and shade tables.
void fillSlots(RenderState* slots);
int selectSlot(int mode, const ZeltMaterial* material, uint32_t flags);
bool buildShadeTable(ZeltMaterial* material, MaterialBlock* block, bool textured, int depth);
uint16_t packColour(int r, int g, int b, int depth);
bool textureFits(const ZeltMaterial* material, TexelNeed need);

// Viewport of a frame, clamped to the pitch and to kMaxScanlines lines.
struct ViewBounds {
  float left, top, right, bottom;
};
ViewBounds viewBounds(const ZeltRenderContext* context);

// Face setup (face to face item); b is the frame's viewBounds.
void setupFace(ZeltRenderContext* context, ZeltFace* face, const RenderState& state, const ViewBounds& b);

// Screen position and 1/z of a camera-space point (face setup and pick).
void projectVertex(const ZeltViewRecord& view, float x, float y, float z, float* sx, float* sy, float* w);

// Span buffer: edge insertion and span resolution over the opaque and blended lists.
// Returns 0 when spans were resolved, 2 when the edge pool could not grow.
int resolveSpans(const ZeltRenderContext* context, FaceItem& background);
void releaseSpanScratch();

// Filler entry points.
void fillerPair(int slot, Filler* filler15, Filler* filler16);
void fillFaceItem(const FaceItem& item, const Target& target, int depth);
void fillBackgroundZero(const FaceItem& background, const Target& target);

// Safe float to int conversion (truncation toward zero, clamped, NaN gives 0). Without
// branches where SSE is there: the fillers call it several times per span.
inline int truncInt(float f) {
#if defined(__SSE2__)
  __m128 x = _mm_set_ss(f);
  x = _mm_and_ps(x, _mm_cmpord_ss(x, x));           // NaN becomes 0
  x = _mm_min_ss(x, _mm_set_ss(536870912.0f));      // x < max ? x : max
  x = _mm_max_ss(x, _mm_set_ss(-536870912.0f));     // x > min ? x : min
  return _mm_cvttss_si32(x);
#else
  f = f == f ? f : 0.0f;
  f = f < 536870912.0f ? f : 536870912.0f;
  f = f > -536870912.0f ? f : -536870912.0f;
  return static_cast<int>(f);
#endif
}

}  // namespace tarnel
