// Visibility for a whole frame: edge table, active edge list and the surface stack that turns
// the opaque and blended face items into lists of visible spans.
#include <algorithm>
#include <climits>
#include <vector>

#include "tarnel/Internal.h"

namespace tarnel {

namespace {

// What span resolution needs of a face item, packed densely: the walk touches these records
// for every edge on every scanline.
struct Surface {
  float A, B, C;
  Surface* above;
  Surface* below;
  int crossings;
  int spanStart;
  int spanHead;
  uint8_t occludes;
  uint8_t emitting;
};

// An active edge, held by value in x order.
struct Active {
  int32_t x;
  int32_t step;
  int lastRow;
  int direction;
  Surface* surface;
};

SpanEdge* gBucket[kMaxScanlines];
std::vector<Surface> gSurfaces;
std::vector<Active> gActive;
std::vector<Active> gMerged;
std::vector<int> gFill;

struct Resolver {
  int y = 0;
  float yf = 0.0f;
  bool stopped = false;
  Pool<Span>* spans = nullptr;
  const Surface* first = nullptr;
  int owner(const Surface* s) const { return static_cast<int>(s - first); }

  // Closes the surface's run at x, recording a span when it is not empty.
  void endRun(Surface* s, int x) {
    const int length = x - s->spanStart;
    if (length <= 0 || stopped) return;
    if (spans->count >= spans->capacity && !growPool(*spans, kSpanGrowth)) {
      stopped = true;  // paint with what was found so far
      return;
    }
    Span& sp = spans->data[spans->count];
    sp.x = s->spanStart;
    sp.length = length;
    sp.y = y;
    sp.next = s->spanHead;
    sp.owner = owner(s);
    s->spanHead = spans->count++;
  }
};

inline float depthAt(const Surface* s, float x, float y) { return s->A * x + s->B * y + s->C; }

void insertEdges(const FaceItem& item, int surface, SpanEdge*& next, int iTop, int iBottom) {
  const int n = item.count;
  for (int i = 0; i < n; ++i) {
    const int prev = i == 0 ? n - 1 : i - 1;
    const int yPrev = item.iy[prev];
    const int yCur = item.iy[i];
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
    // Bucket of the upper scanline, sorted by x: before the first edge whose x is not smaller.
    SpanEdge** link = &gBucket[yUpper - iTop];
    while (*link && (*link)->x < e->x) link = &(*link)->next;
    e->next = *link;
    *link = e;
  }
}

}  // namespace

void releaseSpanScratch() {
  std::vector<Surface>().swap(gSurfaces);
  std::vector<Active>().swap(gActive);
  std::vector<Active>().swap(gMerged);
  std::vector<int>().swap(gFill);
  std::vector<Span>().swap(renderer().gathered);
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

  // Edge pool: grown in large steps before any edge is placed.
  long needed = 0;
  for (int l = 0; l < 2; ++l)
    for (int k = 0; k < pools.faces[l].count; ++k) needed += pools.faces[l].data[k].count;
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
  Surface* surfaces = gSurfaces.data();
  for (int k = 0; k < faceCount + 2; ++k) {
    const FaceItem& f = k == 0 || k == 1 ? background
                        : k - 2 < opaqueCount ? pools.faces[0].data[k - 2]
                                              : pools.faces[1].data[k - 2 - opaqueCount];
    surfaces[k] = Surface{f.A, f.B, f.C, nullptr, nullptr, 0, 0, -1, f.occludes, 0};
  }
  Surface& base = surfaces[0];
  Surface& bg = surfaces[1];

  SpanEdge* nextEdge = pools.edges.data;
  for (int k = 0; k < opaqueCount; ++k) insertEdges(pools.faces[0].data[k], k + 2, nextEdge, iTop, iBottom);
  for (int k = 0; k < pools.faces[1].count; ++k)
    insertEdges(pools.faces[1].data[k], opaqueCount + k + 2, nextEdge, iTop, iBottom);

  gActive.clear();
  Resolver res;
  res.spans = &pools.spans;
  res.first = surfaces;
  for (int y = iTop; y < iBottom && !res.stopped; ++y) {
    const int row = y - iTop;
    res.y = y;
    res.yf = b.top + static_cast<float>(row);

    // Merge the new edges, from the back so that edges left of every new one stay in place; a
    // new edge goes before active edges of equal x.
    if (gBucket[row]) {
      gMerged.clear();
      for (SpanEdge* e = gBucket[row]; e; e = e->next)
        gMerged.push_back(Active{e->x, e->step, e->lastRow, e->direction, &surfaces[e->surface]});
      long i = static_cast<long>(gActive.size()) - 1;
      long j = static_cast<long>(gMerged.size()) - 1;
      gActive.resize(gActive.size() + gMerged.size());
      long k = static_cast<long>(gActive.size()) - 1;
      while (j >= 0) {
        if (i >= 0 && gActive[i].x >= gMerged[j].x)
          gActive[k--] = gActive[i--];
        else
          gActive[k--] = gMerged[j--];
      }
    }

    // Surface stack: the base under the background, which emits from the left.
    base.above = &bg;
    base.below = nullptr;
    base.emitting = 0;
    bg.below = &base;
    bg.above = nullptr;
    bg.crossings = 1;
    bg.emitting = 1;
    bg.spanStart = iLeft;
    Surface* top = &bg;

    // Walk the edges left to right. Each edge is then advanced to the next line and moved back
    // past the kept edges whose new x is larger; edges ending on this line are dropped.
    Active* active = gActive.data();
    const size_t count = gActive.size();
    size_t kept = 0;
    for (size_t i = 0; i < count && !res.stopped; ++i) {
      Active e = active[i];
      Surface* s = e.surface;
      const int X = std::min(std::max(e.x >> 16, iLeft), iRight);
      if (e.direction) {
        if (++s->crossings == 1) {
          const float ex = static_cast<float>(e.x) * (1.0f / 65536.0f) + 1.0f;
          const float ds = depthAt(s, ex, res.yf);
          Surface* above = nullptr;
          Surface* below = top;
          while (below != &base && depthAt(below, ex, res.yf) > ds) {
            above = below;
            below = below->below;
          }
          s->below = below;
          s->above = above;
          below->above = s;
          if (above)
            above->below = s;
          else
            top = s;
          if (below->emitting) {
            s->emitting = 1;
            s->spanStart = X;
            if (s->occludes) {
              for (Surface* q = below; q && q->emitting; q = q->below) {
                res.endRun(q, X);
                q->emitting = 0;
              }
            }
          } else {
            s->emitting = 0;
          }
        }
      } else if (--s->crossings == 0) {
        if (s->emitting) {
          res.endRun(s, X);
          s->emitting = 0;
          for (Surface* q = s->below; q; q = q->below) {
            if (q->emitting) break;
            q->emitting = 1;
            q->spanStart = X;
            if (q->occludes) break;
          }
        }
        if (s->below) s->below->above = s->above;
        if (s->above)
          s->above->below = s->below;
        else
          top = s->below;
        s->above = s->below = nullptr;
      }
      if (e.lastRow == y) continue;
      e.x += e.step;
      size_t j = kept++;
      while (j > 0 && active[j - 1].x > e.x) {
        active[j] = active[j - 1];
        --j;
      }
      active[j] = e;
    }
    if (res.stopped) break;
    gActive.resize(kept);

    // Right end of the line: the background's run ends at the right edge.
    if (bg.emitting) res.endRun(&bg, iRight);
    // A face left on the stack has unbalanced edges on this line; take it off.
    for (Surface* q = top; q && q != &bg && q != &base; q = q->below) {
      q->crossings = 0;
      q->emitting = 0;
    }
  }

  // Hand the span lists back to the face items, and gather each surface's spans in one run
  // (list order is the reverse of creation order).
  Renderer& r = renderer();
  const int surfaceCount = faceCount + 2;
  r.gatherStart.assign(static_cast<size_t>(surfaceCount) + 1, 0);
  const Span* all = pools.spans.data;
  const int spanCount = pools.spans.count;
  for (int k = 0; k < spanCount; ++k) ++r.gatherStart[all[k].owner + 1];
  for (int k = 0; k < surfaceCount; ++k) r.gatherStart[k + 1] += r.gatherStart[k];
  r.gathered.resize(static_cast<size_t>(spanCount));
  {
    std::vector<int>& fill = gFill;
    fill.assign(r.gatherStart.begin(), r.gatherStart.end() - 1);
    for (int k = 0; k < spanCount; ++k) r.gathered[fill[all[k].owner]++] = all[k];
  }
  auto give = [&](FaceItem& item, int surface) {
    item.spanHead = surfaces[surface].spanHead;
    item.spanFirst = r.gatherStart[surface];
    item.spanCount = r.gatherStart[surface + 1] - r.gatherStart[surface];
  };
  give(background, 1);
  for (int k = 0; k < opaqueCount; ++k) give(pools.faces[0].data[k], k + 2);
  for (int k = 0; k < pools.faces[1].count; ++k) give(pools.faces[1].data[k], opaqueCount + k + 2);
  return 0;
}

}  // namespace tarnel
