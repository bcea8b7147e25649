// Visibility for a whole frame: edge table, active edge list and the surface stack that turns
// the opaque and blended face items into lists of visible spans.
#include <algorithm>
#include <climits>
#include <limits>
#include <vector>

#include "tarnel/Internal.h"

namespace tarnel {

namespace {

// What span resolution needs of a face item, packed densely (32 bytes, two to a cache line):
// the walk touches these records for every edge on every scanline. Links are surface indices,
// -1 for none.
struct Surface {
  float A, B, C;
  int above;
  int below;
  int spanStart;
  int crossings;
  uint8_t occludes;
  uint8_t emitting;
};
static_assert(sizeof(Surface) == 32, "surface records stay two to a cache line");

// An active edge, held by value in x order: 16 bytes so that re-sorting moves little.
struct Active {
  int32_t x;
  int32_t step;
  int lastRow;
  int surfaceDir;  // surface index * 2 + direction
};

SpanEdge* gBucket[kMaxScanlines];
std::vector<Surface> gSurfaces;
std::vector<Active> gIncoming;  // one line's new edges in x order, then a sentinel
std::vector<int> gHeads;  // each surface's span list head
std::vector<Active> gActive;
std::vector<Active> gMerged;
std::vector<int> gFill;

// Span output of one resolution: spans are pushed at the head of their surface's list.
struct Resolver {
  int y = 0;
  bool stopped = false;
  Pool<Span>* spans = nullptr;
  Surface* surfaces = nullptr;
  int* heads = nullptr;
  int* counts = nullptr;  // spans recorded per surface, so that the gather needs no count pass
  // The pool's fields, held here while spans are recorded (span stores cannot touch them) and
  // written back by finish().
  Span* data = nullptr;
  int count = 0;
  int capacity = 0;

  explicit Resolver(Pool<Span>& pool) : spans(&pool), data(pool.data), count(pool.count), capacity(pool.capacity) {}

  // Closes surface q's run at x, recording a span when it is not empty.
  void endRun(int q, int x) {
    Surface& s = surfaces[q];
    const int length = x - s.spanStart;
    if (length <= 0 || stopped) return;
    if (count >= capacity) {
      spans->count = count;
      if (!growPool(*spans, kSpanGrowth)) {
        stopped = true;  // paint with what was found so far
        return;
      }
      data = spans->data;
      capacity = spans->capacity;
    }
    Span& sp = data[count];
    sp.x = s.spanStart;
    sp.length = length;
    sp.y = y;
    sp.next = heads[q];
    sp.owner = q;
    heads[q] = count++;
    ++counts[q];
  }

  void finish() { spans->count = count; }
};

inline float depthAt(const Surface* s, float x, float y) { return s->A * x + s->B * y + s->C; }

void insertEdges(const FaceItem& item, int surface, SpanEdge*& next, int iTop, int iBottom) {
  const int n = item.count;
  for (int i = 0; i < n; ++i) {
    const int prev = i == 0 ? n - 1 : i - 1;
    const int yPrev = item.v[prev].iy;
    const int yCur = item.v[i].iy;
    if (yPrev == yCur) continue;
    const FaceVertex& upper = yPrev < yCur ? item.v[prev] : item.v[i];
    const int yUpper = std::min(yPrev, yCur);
    const int yLower = std::max(yPrev, yCur);
    if (yUpper >= iBottom || yLower <= iTop || yUpper < iTop) continue;
    SpanEdge* e = next++;
    e->x = truncInt(upper.x * 65536.0f);
    e->step = truncInt((item.v[i].x - item.v[prev].x) * 65536.0f / static_cast<float>(yCur - yPrev));
    e->direction = yCur > yPrev ? 1 : 0;
    e->surface = surface;
    e->lastRow = std::min(yLower, iBottom) - 1;
    // Bucket of the upper scanline, latest edge first; the line orders its bucket by x when it
    // is reached.
    SpanEdge*& head = gBucket[yUpper - iTop];
    e->next = head;
    head = e;
  }
}

// A line's new edges in x order, written as active edges followed by a sentinel right of every
// edge. Among equal x the edge inserted later comes first: the bucket lists the latest edge
// first, and an edge is moved only past larger ones.
void orderBucket(const SpanEdge* e, Active* out) {
  Active* end = out;
  for (; e; e = e->next) {
    const Active a{e->x, e->step, e->lastRow, e->surface * 2 + e->direction};
    Active* place = end++;
    while (place != out && place[-1].x > a.x) {
      *place = place[-1];
      --place;
    }
    *place = a;
  }
  *end = Active{INT32_MAX, 0, 0, 0};
}

}  // namespace

void releaseSpanScratch() {
  std::vector<Surface>().swap(gSurfaces);
  std::vector<Active>().swap(gIncoming);
  std::vector<int>().swap(gHeads);
  std::vector<Active>().swap(gActive);
  std::vector<Active>().swap(gMerged);
  std::vector<int>().swap(gFill);
  std::vector<SpanRun>().swap(renderer().gathered);
  std::vector<int>().swap(renderer().gatherStart);
}

int resolveSpans(const ZeltRenderContext* context, FaceItem& background) {
  FrameLists& pools = renderer().pools;
  const ViewBounds b = viewBounds(context);
  const int iLeft = truncInt(b.left);
  const int iRight = truncInt(b.right);
  const int iTop = truncInt(b.top);
  const int iBottom = std::min(truncInt(b.bottom), iTop + kMaxScanlines);

  background = FaceItem{};
  background.C = -1000000.0f;
  background.occludes = 1;
  background.spanHead = -1;

  // Edge pool: grown in large steps before any edge is placed (face setup counted the corners).
  const long needed = pools.corners;
  while (pools.edges.capacity < needed) {
    if (!growPool(pools.edges, kEdgeGrowth)) return 2;
  }
  const int rows = iBottom - iTop;
  if (rows <= 0 || iRight <= iLeft) return 0;
  std::fill(gBucket, gBucket + rows, nullptr);

  // Surfaces: 0 the base under everything (never emits), 1 the background, then the faces.
  const int opaqueCount = pools.faces[0].count;
  const int faceCount = opaqueCount + pools.faces[1].count;
  gSurfaces.resize(static_cast<size_t>(faceCount) + 2);
  gHeads.assign(static_cast<size_t>(faceCount) + 2, -1);
  Surface* surfaces = gSurfaces.data();
  for (int k = 0; k < 2; ++k)
    surfaces[k] = Surface{background.A, background.B, background.C, -1, -1, 0, 0, background.occludes, 0};
  Surface& base = surfaces[0];
  // The base is never passed when a face enters: nothing is nearer than its 1/z.
  base.C = -std::numeric_limits<float>::infinity();
  Surface& bg = surfaces[1];
  constexpr int kBase = 0;
  constexpr int kBg = 1;

  // Each face's surface record and edges in one pass over the face items. The items are large
  // and were written by face setup long before: the vertex rows of the face after next are
  // fetched ahead.
  SpanEdge* nextEdge = pools.edges.data;
  for (int l = 0, surface = 2; l < 2; ++l) {
    const FaceItem* items = pools.faces[l].data;
    const int count = pools.faces[l].count;
    for (int k = 0; k < count; ++k, ++surface) {
      if (k + 2 < count) {
        const FaceItem& ahead = items[k + 2];
        __builtin_prefetch(&ahead.A);
        __builtin_prefetch(&ahead.v[0].w);
        __builtin_prefetch(&ahead.v[2].unused);
      }
      const FaceItem& f = items[k];
      surfaces[surface] = Surface{f.A, f.B, f.C, -1, -1, 0, 0, f.occludes, 0};
      insertEdges(f, surface, nextEdge, iTop, iBottom);
    }
  }

  // Two edge arrays used in turn: each line reads this line's edges from one and writes them,
  // advanced and re-sorted, into the other. Every edge fits in either.
  // Slot 0 of each holds a sentinel left of every edge, so re-sorting needs no bounds check, and
  // the slot after the last edge one right of every edge (edge positions stay far below
  // INT32_MAX), so the walk needs no count check while no new edge is due.
  gActive.resize(static_cast<size_t>(nextEdge - pools.edges.data) + 2);
  gMerged.resize(gActive.size());
  gIncoming.resize(gActive.size());
  gActive[0] = gMerged[0] = Active{INT32_MIN, 0, 0, 0};
  Active* current = gActive.data() + 1;
  Active* following = gMerged.data() + 1;
  current[0] = Active{INT32_MAX, 0, 0, 0};
  Resolver res(pools.spans);
  res.surfaces = surfaces;
  res.heads = gHeads.data();
  Renderer& r = renderer();
  const int surfaceCount = faceCount + 2;
  r.gatherStart.assign(static_cast<size_t>(surfaceCount) + 1, 0);
  res.counts = r.gatherStart.data() + 1;
  for (int y = iTop; y < iBottom; ++y) {
    const int row = y - iTop;
    res.y = y;
    const float yf = b.top + static_cast<float>(row);

    // Surface stack: the base under the background, which emits from the left.
    base.above = kBg;
    base.below = -1;
    base.emitting = 0;
    bg.below = kBase;
    bg.above = -1;
    bg.crossings = 1;
    bg.emitting = 1;
    bg.spanStart = iLeft;
    int top = kBg;

    // Walk the edges left to right, merging in this line's new edges (a new edge goes before
    // active edges of equal x). Each edge is then advanced to the next line and moved back past
    // the kept edges whose new x is larger; edges ending on this line are dropped.
    orderBucket(gBucket[row], gIncoming.data());
    const Active* incoming = gIncoming.data();
    const Active* in = current;
    Active* out = following;
    for (;;) {
      Active e;
      if (in->x < incoming->x) {
        e = *in++;
      } else if (incoming->x != INT32_MAX) {
        e = *incoming++;
      } else {
        break;
      }
      const int si = e.surfaceDir >> 1;
      Surface* s = surfaces + si;
      // The edge's pixel column, needed only where a run starts or ends.
      auto column = [&] { return std::min(std::max(e.x >> 16, iLeft), iRight); };
      if (e.surfaceDir & 1) {
        if (++s->crossings == 1) {
          // Depth is compared only here, where the face enters the stack.
          const float ex = static_cast<float>(e.x) * (1.0f / 65536.0f) + 1.0f;
          const float ds = depthAt(s, ex, yf);
          int above = -1;
          int below = top;
          while (depthAt(surfaces + below, ex, yf) > ds) {
            above = below;
            below = surfaces[below].below;
          }
          Surface& under = surfaces[below];
          s->below = below;
          s->above = above;
          under.above = si;
          if (above >= 0)
            surfaces[above].below = si;
          else
            top = si;
          if (under.emitting) {
            const int X = column();
            s->emitting = 1;
            s->spanStart = X;
            if (s->occludes) {
              for (int q = below; q >= 0 && surfaces[q].emitting; q = surfaces[q].below) {
                res.endRun(q, X);
                surfaces[q].emitting = 0;
              }
            }
          } else {
            s->emitting = 0;
          }
        }
      } else if (--s->crossings == 0) {
        if (s->emitting) {
          const int X = column();
          res.endRun(si, X);
          s->emitting = 0;
          for (int q = s->below; q >= 0; q = surfaces[q].below) {
            Surface& r = surfaces[q];
            if (r.emitting) break;
            r.emitting = 1;
            r.spanStart = X;
            if (r.occludes) break;
          }
        }
        if (s->below >= 0) surfaces[s->below].above = s->above;
        if (s->above >= 0)
          surfaces[s->above].below = s->below;
        else
          top = s->below;
        s->above = s->below = -1;
      }
      if (e.lastRow == y) continue;
      e.x += e.step;
      Active* place = out++;
      while (place[-1].x > e.x) {
        *place = place[-1];
        --place;
      }
      *place = e;
    }
    if (res.stopped) break;
    *out = Active{INT32_MAX, 0, 0, 0};
    std::swap(current, following);

    // Right end of the line: the background's run ends at the right edge.
    if (bg.emitting) res.endRun(kBg, iRight);
    // A face left on the stack has unbalanced edges on this line; take it off.
    for (int q = top; q >= 0 && q != kBg && q != kBase; q = surfaces[q].below) {
      surfaces[q].crossings = 0;
      surfaces[q].emitting = 0;
    }
  }

  res.finish();

  // Hand the span lists back to the face items, and gather each surface's spans in one run
  // (list order is the reverse of creation order).
  const Span* all = pools.spans.data;
  const int spanCount = pools.spans.count;
  for (int k = 0; k < surfaceCount; ++k) r.gatherStart[k + 1] += r.gatherStart[k];
  r.gathered.resize(static_cast<size_t>(spanCount));
  {
    std::vector<int>& fill = gFill;
    fill.assign(r.gatherStart.begin(), r.gatherStart.end() - 1);
    SpanRun* runs = r.gathered.data();
    for (int k = 0; k < spanCount; ++k) runs[fill[all[k].owner]++] = SpanRun{all[k].x, all[k].length, all[k].y};
  }
  auto give = [&](FaceItem& item, int surface) {
    item.spanHead = gHeads[surface];
    item.spanFirst = r.gatherStart[surface];
    item.spanCount = r.gatherStart[surface + 1] - r.gatherStart[surface];
  };
  give(background, 1);
  for (int k = 0; k < opaqueCount; ++k) give(pools.faces[0].data[k], k + 2);
  for (int k = 0; k < pools.faces[1].count; ++k) give(pools.faces[1].data[k], opaqueCount + k + 2);
  return 0;
}

}  // namespace tarnel
