// Pick: the nearest drawn face under a screen point.
#include <cmath>

#include "tarnel/Internal.h"
#include "tarnel/Traversal.h"
#include "tarnel/tarnel.h"

using namespace tarnel;

namespace {

struct P3 {
  float x, y, z;
};

P3 sub(P3 a, P3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(P3 a, P3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
P3 cross(P3 a, P3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
P3 unit(P3 a) {
  float l = std::sqrt(dot(a, a));
  return l > 0.0f ? P3{a.x / l, a.y / l, a.z / l} : a;
}

// Clips a camera-space polygon against z >= limit (keepAbove) or z <= limit.
int clipZ(const P3* in, int n, P3* out, float limit, bool keepAbove) {
  int m = 0;
  for (int i = 0; i < n; ++i) {
    const P3& a = in[i == 0 ? n - 1 : i - 1];
    const P3& b = in[i];
    float da = keepAbove ? a.z - limit : limit - a.z;
    float db = keepAbove ? b.z - limit : limit - b.z;
    if ((da >= 0.0f) != (db >= 0.0f) && m < kItemVertices) {
      float t = da / (da - db);
      out[m++] = {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, limit};
    }
    if (db >= 0.0f && m < kItemVertices) out[m++] = b;
  }
  return m;
}

struct PickState {
  ZeltRenderContext* ctx;
  float x, y;
  float best;
  int face;
  ZeltObject* object;
};

void testFace(PickState& ps, ZeltObject* reported, int index, ZeltFace* face) {
  const ZeltRenderRecord* rec = renderer().record;
  const ZeltViewRecord& view = *ps.ctx->view;
  const int n = face->vertexCount;
  if (n < 3 || n > kMaxFaceVertices || !face->vertexIndices) return;
  int andCode = ZELT_IN_ALL, orCode = 0;
  P3 bufA[kItemVertices], bufB[kItemVertices];
  P3* poly = bufA;
  P3* spare = bufB;
  for (int k = 0; k < n; ++k) {
    int idx = face->vertexIndices[k];
    if (idx < 0 || (rec->vertexCapacity > 0 && idx >= rec->vertexCapacity)) return;
    int c = rec->outcodes[idx];
    andCode &= c;
    orCode |= c;
    const ZeltVector4& v = rec->cameraVertices[idx];
    poly[k] = {v.x, v.y, v.z};
  }
  if (orCode != ZELT_IN_ALL) return;
  int count = n;
  if (!(andCode & ZELT_IN_NEAR)) {
    count = clipZ(poly, count, spare, ps.ctx->nearZ, true);
    std::swap(poly, spare);
  }
  if (count >= 3 && !(andCode & ZELT_IN_FAR)) {
    count = clipZ(poly, count, spare, ps.ctx->farZ, false);
    std::swap(poly, spare);
  }
  if (count < 3) return;
  float sx[kItemVertices], sy[kItemVertices];
  float minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
  for (int k = 0; k < count; ++k) {
    float w;
    projectVertex(view, poly[k].x, poly[k].y, poly[k].z, &sx[k], &sy[k], &w);
    if (!std::isfinite(sx[k]) || !std::isfinite(sy[k])) return;
    minX = std::min(minX, sx[k]);
    maxX = std::max(maxX, sx[k]);
    minY = std::min(minY, sy[k]);
    maxY = std::max(maxY, sy[k]);
  }
  if (ps.x < minX || ps.x > maxX || ps.y < minY || ps.y > maxY) return;
  for (int i = 0; i < count; ++i) {
    int j = i + 1 == count ? 0 : i + 1;
    float side = (sy[i] - sy[j]) * (ps.x - sx[i]) + (sx[j] - sx[i]) * (ps.y - sy[i]);
    if (side > 0.0f) return;
  }
  // Depth where the ray through the point meets the polygon's plane.
  P3 normal = cross(unit(sub(poly[1], poly[0])), unit(sub(poly[2], poly[1])));
  P3 dir{(ps.x - view.centreX) / view.scaleX, (view.centreY - ps.y) / view.scaleY, 1.0f};
  float depth = dot(normal, poly[0]) / dot(normal, dir);
  if (depth < ps.best) {
    ps.best = depth;
    ps.face = index;
    ps.object = reported;
  }
}

}  // namespace

extern "C" TARNEL_EXPORT ZeltObject* Zelt_Pick_Dll(ZeltRenderContext* context, float x, float y, int* face,
                                                   float* depth) {
  if (!context || !context->camera) return nullptr;
  if (context->camera->methods && context->camera->methods->prepareFrame)
    context->camera->methods->prepareFrame(context->camera, context);
  PickState ps{context, x, y, context->farZ, 0, nullptr};
  const ZeltRenderRecord* rec = renderer().record;
  if (rec && rec->cameraVertices && rec->outcodes && context->view) {
    try {
      walkForest(context, [&](ZeltObject* reported, ZeltObject*, int index, ZeltFace* f) {
        testFace(ps, reported, index, f);
      });
    } catch (...) {
      ps = PickState{context, x, y, context->farZ, 0, nullptr};  // out of memory: no hit
    }
  }
  if (face) *face = ps.face;
  if (depth) *depth = ps.best;
  return ps.object;
}
