// Visibility for a whole frame: edge table, active edge list and the surface stack that turns
// the opaque and blended face items into lists of visible spans.
#include <algorithm>
#include <climits>
#include <vector>

#include "tarnel/Internal.h"

namespace tarnel {

namespace {

SpanEdge* gBucket[kMaxScanlines];
// Active edges in x order, kept in arrays rather than a linked list: the walk over them is the
// innermost loop of span resolution.
std::vector<SpanEdge*> gActive;
std::vector<SpanEdge*> gMerged;

struct Resolver {
  int y = 0;
  float yf = 0.0f;
  bool stopped = false;

  // Closes the surface's run at x, recording a span when it is not empty.
  void endRun(FaceItem* s, int x) {
    int length = x - s->spanStart;
    if (length <= 0 || stopped) return;
    Pool<Span>& spans = renderer().pools.spans;
    if (spans.count >= spans.capacity && !growPool(spans, kSpanGrowth)) {
      stopped = true;  // paint with what was found so far
      return;
    }
    Span& sp = spans.data[spans.count];
    sp.x = s->spanStart;
    sp.length = length;
    sp.y = y;
    sp.next = s->spanHead;
    s->spanHead = spans.count++;
  }
};

inline float depthAt(const FaceItem* s, float x, float y) { return s->A * x + s->B * y + s->C; }

void insertEdges(FaceItem& item, SpanEdge*& next, int iTop, int iBottom) {
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
    e->face = &item;
    // Bucket of the upper scanline, sorted by x: before the first edge whose x is not smaller.
    SpanEdge** link = &gBucket[yUpper - iTop];
    while (*link && (*link)->x < e->x) link = &(*link)->next;
    e->next = *link;
    *link = e;
    e->lastRow = std::min(yLower, iBottom) - 1;
  }
}

}  // namespace

int resolveSpans(const ZeltRenderContext* context, FaceItem& background) {
  FrameLists& pools = renderer().pools;
  const ViewBounds b = viewBounds(context);
  const int iLeft = truncInt(b.left);
  const int iRight = truncInt(b.right);
  const int iTop = truncInt(b.top);
  const int iBottom = std::min(truncInt(b.bottom), iTop + kMaxScanlines);

  background = FaceItem{};
  background.A = 0.0f;
  background.B = 0.0f;
  background.C = -1000000.0f;
  background.occludes = 1;
  background.spanHead = -1;
  FaceItem base = background;

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

  SpanEdge* nextEdge = pools.edges.data;
  for (int l = 0; l < 2; ++l)
    for (int k = 0; k < pools.faces[l].count; ++k) insertEdges(pools.faces[l].data[k], nextEdge, iTop, iBottom);

  gActive.clear();

  Resolver res;
  for (int y = iTop; y < iBottom && !res.stopped; ++y) {
    const int row = y - iTop;
    res.y = y;
    res.yf = b.top + static_cast<float>(row);

    // Merge the new edges; a new edge goes before active edges of equal x.
    if (gBucket[row]) {
      gMerged.clear();
      size_t i = 0;
      for (SpanEdge* e = gBucket[row]; e; e = e->next) {
        while (i < gActive.size() && gActive[i]->x < e->x) gMerged.push_back(gActive[i++]);
        gMerged.push_back(e);
      }
      while (i < gActive.size()) gMerged.push_back(gActive[i++]);
      gActive.swap(gMerged);
    }

    // Surface stack: base (never emits) under the background, which emits from the left.
    base.above = &background;
    base.below = nullptr;
    base.emitting = 0;
    background.below = &base;
    background.above = nullptr;
    background.crossings = 1;
    background.emitting = 1;
    background.spanStart = iLeft;
    FaceItem* top = &background;

    // Walk the edges left to right. Each edge is then advanced to the next line and moved back
    // past the kept edges whose new x is larger; edges ending on this line are dropped.
    SpanEdge** active = gActive.data();
    const size_t count = gActive.size();
    size_t kept = 0;
    for (size_t i = 0; i < count && !res.stopped; ++i) {
      SpanEdge* e = active[i];
      FaceItem* s = e->face;
      const int X = std::min(std::max(e->x >> 16, iLeft), iRight);
      if (e->direction) {
        if (++s->crossings == 1) {
          const float ex = static_cast<float>(e->x) * (1.0f / 65536.0f) + 1.0f;
          const float ds = depthAt(s, ex, res.yf);
          FaceItem* above = nullptr;
          FaceItem* below = top;
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
              for (FaceItem* q = below; q && q->emitting; q = q->below) {
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
          for (FaceItem* q = s->below; q; q = q->below) {
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
      if (e->lastRow == y) continue;
      e->x += e->step;
      size_t j = kept++;
      while (j > 0 && active[j - 1]->x > e->x) {
        active[j] = active[j - 1];
        --j;
      }
      active[j] = e;
    }
    if (res.stopped) break;
    gActive.resize(kept);

    // Right end of the line: the background's run ends at the right edge.
    if (background.emitting) res.endRun(&background, iRight);
    // A face left on the stack has unbalanced edges on this line; take it off.
    for (FaceItem* q = top; q && q != &background && q != &base; q = q->below) {
      q->crossings = 0;
      q->emitting = 0;
    }

  }
  return 0;
}

}  // namespace tarnel
