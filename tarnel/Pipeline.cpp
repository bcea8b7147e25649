// One frame: traversal and face setup, span resolution, then the fillers of the opaque,
// blended and overlay lists.
#include <algorithm>

#include "tarnel/Internal.h"
#include "tarnel/Traversal.h"
#include "tarnel/tarnel.h"

using namespace tarnel;

namespace {

// Stable ascending sort of a list's indices by key; the fillers then run from last to first.
void paintBackToFront(FaceList list, const Target& target, int depth) {
  FrameLists& pools = renderer().pools;
  const int l = static_cast<int>(list);
  Pool<FaceItem>& faces = pools.faces[l];
  Pool<int>& order = pools.order[l];
  if (faces.count == 0 || order.capacity < faces.count) return;
  for (int k = 0; k < faces.count; ++k) order.data[k] = k;
  std::stable_sort(order.data, order.data + faces.count,
                   [&](int a, int b) { return faces.data[a].sortKey < faces.data[b].sortKey; });
  for (int k = faces.count - 1; k >= 0; --k) fillFaceItem(faces.data[order.data[k]], target, depth);
}

}  // namespace

namespace {

int renderFrame(ZeltRenderContext* context, uint16_t* pixels, void* depthBuffer, int flags) {
  Renderer& r = renderer();
  if (!context || !context->camera) return 0;
  if (context->camera->methods && context->camera->methods->prepareFrame)
    context->camera->methods->prepareFrame(context->camera, context);
  FrameLists& pools = r.pools;
  for (auto& list : pools.faces) list.count = 0;
  pools.corners = 0;
  pools.spans.count = 0;
  if (!r.record || !context->view) return 0;

  // The viewport is the frame's: worked out once, not for every face.
  const ViewBounds b = viewBounds(context);
  walkForest(context, [&](ZeltObject*, ZeltObject*, int, ZeltFace* face) {
    const ZeltMaterial* m = face->material;
    const auto* block = m ? static_cast<const MaterialBlock*>(m->rendererBlock) : nullptr;
    const RenderState& state = block && block->state ? *block->state : r.slots[kDiagnosticSlot];
    setupFace(context, face, state, b);
  });

  FaceItem background;
  if (resolveSpans(context, background) == 2) return 2;
  if (!pixels) return 0;

  Target target{pixels, depthBuffer, context->pitch, truncInt(b.left), truncInt(b.top), truncInt(b.right),
                std::min(truncInt(b.bottom), truncInt(b.top) + kMaxScanlines)};
  const int depth = r.record->depth == 15 ? 15 : 16;
  if (flags & 1) fillBackgroundZero(background, target);
  Pool<FaceItem>& opaque = pools.faces[static_cast<int>(FaceList::Opaque)];
  for (int k = 0; k < opaque.count; ++k) {
    // The next item's header and first three corners (bytes 0-159: three cache lines), long out
    // of the nearer caches by now.
    if (k + 1 < opaque.count) {
      const char* ahead = reinterpret_cast<const char*>(&opaque.data[k + 1]);
      __builtin_prefetch(ahead);
      __builtin_prefetch(ahead + 64);
      __builtin_prefetch(ahead + 128);
    }
    fillFaceItem(opaque.data[k], target, depth);
  }
  paintBackToFront(FaceList::Blended, target, depth);
  paintBackToFront(FaceList::Overlay, target, depth);
  return 0;
}

}  // namespace

extern "C" TARNEL_EXPORT int Zelt_Render_Dll(ZeltRenderContext* context, uint16_t* pixels, void* depthBuffer,
                                             int flags) {
  try {
    return renderFrame(context, pixels, depthBuffer, flags);
  } catch (...) {
    // Scratch memory ran out: the frame is abandoned like one whose edge pool cannot grow.
    return 2;
  }
}
