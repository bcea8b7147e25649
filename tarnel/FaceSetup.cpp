// Face setup: a kernel face becomes a clipped, projected face item on its render state's list.
#include <algorithm>
#include <cmath>

#include "tarnel/Internal.h"

namespace tarnel {

ViewBounds viewBounds(const ZeltRenderContext* context) {
  ViewBounds b{};
  const ZeltViewRecord* v = context->view;
  float pitch = static_cast<float>(std::max(context->pitch, 0));
  auto clampf = [](float f, float lo, float hi) { return f == f ? std::min(std::max(f, lo), hi) : lo; };
  b.left = clampf(context->viewLeft, 0.0f, pitch);
  b.right = clampf(v ? v->right : 0.0f, b.left, pitch);
  b.top = clampf(context->viewTop, 0.0f, static_cast<float>(kMaxScanlines));
  b.bottom = clampf(v ? v->bottom : 0.0f, b.top, std::floor(b.top) + static_cast<float>(kMaxScanlines - 1));
  return b;
}

void projectVertex(const ZeltViewRecord& view, float x, float y, float z, float* sx, float* sy, float* w) {
  float inv = 1.0f / z;
  *w = inv;
  *sx = x * view.scaleX * inv + view.centreX;
  *sy = view.centreY - y * view.scaleY * inv;
}

namespace {

int attributeCount(SetupKind kind) {
  switch (kind) {
    case SetupKind::Lit: return 1;
    case SetupKind::Textured:
    case SetupKind::TexturedQuad: return 2;
    case SetupKind::Colour:
    case SetupKind::LitTextured: return 3;
    default: return 0;
  }
}

// Attributes divided by z (the others are interpolated without perspective).
int perspectiveMask(SetupKind kind) {
  switch (kind) {
    case SetupKind::Lit: return 1;
    case SetupKind::Textured:
    case SetupKind::TexturedQuad:
    case SetupKind::LitTextured: return 3;
    default: return 0;
  }
}

void lerpCamera(ClipVertex& out, const ClipVertex& a, const ClipVertex& b, float t, int attrs) {
  out.cx = a.cx + (b.cx - a.cx) * t;
  out.cy = a.cy + (b.cy - a.cy) * t;
  out.cz = a.cz + (b.cz - a.cz) * t;
  for (int k = 0; k < attrs; ++k) out.a[k] = a.a[k] + (b.a[k] - a.a[k]) * t;
}

void lerpScreen(ClipVertex& out, const ClipVertex& a, const ClipVertex& b, float t, int attrs) {
  out.x = a.x + (b.x - a.x) * t;
  out.y = a.y + (b.y - a.y) * t;
  out.w = a.w + (b.w - a.w) * t;
  lerpCamera(out, a, b, t, attrs);
}

// Sutherland-Hodgman against one plane; dist >= 0 is inside, onPlane puts a new vertex exactly
// on the plane.
template <class Dist, class OnPlane>
int clipAgainst(const ClipVertex* in, int n, ClipVertex* out, int attrs, bool screen, Dist dist,
                OnPlane onPlane) {
  int m = 0;
  for (int i = 0; i < n; ++i) {
    const ClipVertex& a = in[i == 0 ? n - 1 : i - 1];
    const ClipVertex& b = in[i];
    float da = dist(a);
    float db = dist(b);
    bool inA = da >= 0.0f;
    bool inB = db >= 0.0f;
    if (inA != inB && m < kItemVertices) {
      float t = da / (da - db);
      ClipVertex& v = out[m++];
      v = a;
      if (screen)
        lerpScreen(v, a, b, t, attrs);
      else
        lerpCamera(v, a, b, t, attrs);
      onPlane(v);
    }
    if (inB && m < kItemVertices) out[m++] = b;
  }
  return m;
}

int screenCode(const ClipVertex& v, const ViewBounds& b) {
  int c = 0;
  if (v.x >= b.left) c |= ZELT_IN_LEFT;
  if (v.x <= b.right) c |= ZELT_IN_RIGHT;
  if (v.y >= b.top) c |= ZELT_IN_TOP;
  if (v.y <= b.bottom) c |= ZELT_IN_BOTTOM;
  return c;
}

bool finite(float f) { return std::isfinite(f); }

// Raw (not yet divided by z) attributes of one face corner.
void cornerAttributes(const ZeltFace* face, int corner, int index, SetupKind kind,
                      const ZeltRenderRecord& rec, const ZeltBitmap* bitmap, float* a) {
  const float* tc = face->textureCoordinates;
  float tu = tc ? tc[corner * 2] : 0.0f;
  float tv = tc ? tc[corner * 2 + 1] : 0.0f;
  float width = bitmap ? bitmap->width : 0.0f;
  float height = bitmap ? bitmap->height : 0.0f;
  const ZeltVertexLight* light = rec.vertexLights ? &rec.vertexLights[index] : nullptr;
  switch (kind) {
    case SetupKind::Lit:
      a[0] = light ? light->value * 64.0f : 0.0f;
      break;
    case SetupKind::Colour:
      a[0] = light ? light->r * 256.0f : 0.0f;
      a[1] = light ? light->g * 256.0f : 0.0f;
      a[2] = light ? light->b * 256.0f : 0.0f;
      break;
    case SetupKind::Textured:
    case SetupKind::TexturedQuad:
    case SetupKind::LitTextured:
      a[0] = (tu * width + 0.3f) * 256.0f;
      a[1] = (tv * height + 0.3f) * 256.0f;
      if (kind == SetupKind::LitTextured) a[2] = light ? light->value * 64.0f : 0.0f;
      break;
    default:
      break;
  }
}

FaceItem* reserveItem(FaceList list) {
  FrameLists& pools = renderer().pools;
  int l = static_cast<int>(list);
  Pool<FaceItem>& faces = pools.faces[l];
  if (faces.count >= faces.capacity) {
    Pool<int>& order = pools.order[l];
    if (order.capacity < faces.capacity + kFaceGrowth && !growPool(order, faces.capacity + kFaceGrowth - order.capacity))
      return nullptr;
    if (!growPool(faces, kFaceGrowth)) return nullptr;
  }
  return &faces.data[faces.count];
}

}  // namespace

void setupFace(ZeltRenderContext* context, ZeltFace* face, const RenderState& chosen, const ViewBounds& b) {
  Renderer& r = renderer();
  ZeltRenderRecord* rec = r.record;
  if (!rec || !rec->cameraVertices || !rec->outcodes || !context->view || !face) return;
  const ZeltMaterial* material = face->material;
  const RenderState* state = &chosen;
  // A texture or shade table that no longer matches the state is drawn in diagnostic colours.
  if (material) {
    const auto* block = static_cast<const MaterialBlock*>(material->rendererBlock);
    bool shadeOk = state->shade == ShadeNeed::None ||
                   (block && block->shade &&
                    block->shadeEntries == (state->shade == ShadeNeed::Textured ? 64 * 256 : 64));
    if (!shadeOk || !textureFits(material, state->texels)) state = &r.slots[kDiagnosticSlot];
  } else if (state->texels != TexelNeed::None || state->shade != ShadeNeed::None) {
    state = &r.slots[kDiagnosticSlot];
  }
  if (state->list == FaceList::None || state->setup == SetupKind::None) return;

  int n = face->vertexCount;
  if (n < 3 || n > kMaxFaceVertices || !face->vertexIndices) return;
  if (state->setup == SetupKind::TexturedQuad && n != 4) return;
  for (int k = 0; k < n; ++k) {
    int idx = face->vertexIndices[k];
    if (idx < 0 || (rec->vertexCapacity > 0 && idx >= rec->vertexCapacity)) return;
  }

  FaceItem* item = reserveItem(state->list);
  if (!item) return;  // the list cannot grow: the face is dropped

  int andCode = ZELT_IN_ALL;
  int orCode = 0;
  for (int k = 0; k < n; ++k) {
    int c = rec->outcodes[face->vertexIndices[k]];
    andCode &= c;
    orCode |= c;
  }
  if (orCode != ZELT_IN_ALL) return;

  const ZeltViewRecord& view = *context->view;
  const ZeltBitmap* bitmap = material && material->texture ? material->texture->bitmap : nullptr;
  const int attrs = attributeCount(state->setup);
  const int persp = perspectiveMask(state->setup);

  ClipVertex bufA[kItemVertices];
  ClipVertex bufB[kItemVertices];
  ClipVertex* poly = bufA;
  ClipVertex* spare = bufB;
  int count = n;

  for (int k = 0; k < n; ++k) {
    int idx = face->vertexIndices[k];
    const ZeltVector4& cv = rec->cameraVertices[idx];
    ClipVertex& v = poly[k];
    v.cx = cv.x;
    v.cy = cv.y;
    v.cz = cv.z;
    v.code = rec->outcodes[idx];
    v.a[0] = v.a[1] = v.a[2] = 0.0f;
    cornerAttributes(face, k, idx, state->setup, *rec, bitmap, v.a);
  }

  const bool inNearFar = (andCode & (ZELT_IN_NEAR | ZELT_IN_FAR)) == (ZELT_IN_NEAR | ZELT_IN_FAR);
  if (inNearFar) {
    // Shared vertices are projected once per object through the stamp.
    for (int k = 0; k < n; ++k) {
      int idx = face->vertexIndices[k];
      ClipVertex& v = poly[k];
      if (rec->projections && rec->projectionStamps) {
        ZeltProjection& p = rec->projections[idx];
        if (rec->projectionStamps[idx] != rec->stamp) {
          projectVertex(view, v.cx, v.cy, v.cz, &p.x, &p.y, &p.invZ);
          rec->projectionStamps[idx] = rec->stamp;
        }
        v.x = p.x;
        v.y = p.y;
        v.w = p.invZ;
      } else {
        projectVertex(view, v.cx, v.cy, v.cz, &v.x, &v.y, &v.w);
      }
    }
  } else {
    const float nearZ = context->nearZ;
    const float farZ = context->farZ;
    if (!(andCode & ZELT_IN_NEAR)) {
      count = clipAgainst(poly, count, spare, attrs, false, [&](const ClipVertex& v) { return v.cz - nearZ; },
                          [&](ClipVertex& v) { v.cz = nearZ; });
      std::swap(poly, spare);
      if (count < 3) return;
    }
    bool allInFar = true;
    for (int k = 0; k < count; ++k) allInFar = allInFar && poly[k].cz <= farZ;
    if (!allInFar) {
      count = clipAgainst(poly, count, spare, attrs, false, [&](const ClipVertex& v) { return farZ - v.cz; },
                          [&](ClipVertex& v) { v.cz = farZ; });
      std::swap(poly, spare);
      if (count < 3) return;
    }
    for (int k = 0; k < count; ++k) projectVertex(view, poly[k].cx, poly[k].cy, poly[k].cz, &poly[k].x, &poly[k].y, &poly[k].w);
  }

  // Perspective attributes become attribute / z.
  for (int k = 0; k < count; ++k) {
    ClipVertex& v = poly[k];
    if (!finite(v.x) || !finite(v.y) || !finite(v.w) || v.w <= 0.0f) return;
    for (int j = 0; j < attrs; ++j) {
      if (persp & (1 << j)) v.a[j] *= v.w;
      if (!finite(v.a[j])) v.a[j] = 0.0f;
    }
  }

  // Screen edges: right, left, bottom, top.
  int sAnd = ZELT_IN_LEFT | ZELT_IN_RIGHT | ZELT_IN_TOP | ZELT_IN_BOTTOM;
  for (int k = 0; k < count; ++k) {
    poly[k].code = screenCode(poly[k], b);
    sAnd &= poly[k].code;
  }
  if (!(sAnd & ZELT_IN_RIGHT)) {
    count = clipAgainst(poly, count, spare, attrs, true, [&](const ClipVertex& v) { return b.right - v.x; },
                        [&](ClipVertex& v) { v.x = b.right; });
    std::swap(poly, spare);
    if (count < 3) return;
  }
  if (!(sAnd & ZELT_IN_LEFT)) {
    count = clipAgainst(poly, count, spare, attrs, true, [&](const ClipVertex& v) { return v.x - b.left; },
                        [&](ClipVertex& v) { v.x = b.left; });
    std::swap(poly, spare);
    if (count < 3) return;
  }
  if (!(sAnd & ZELT_IN_BOTTOM)) {
    count = clipAgainst(poly, count, spare, attrs, true, [&](const ClipVertex& v) { return b.bottom - v.y; },
                        [&](ClipVertex& v) { v.y = b.bottom; });
    std::swap(poly, spare);
    if (count < 3) return;
  }
  if (!(sAnd & ZELT_IN_TOP)) {
    count = clipAgainst(poly, count, spare, attrs, true, [&](const ClipVertex& v) { return v.y - b.top; },
                        [&](ClipVertex& v) { v.y = b.top; });
    std::swap(poly, spare);
    if (count < 3) return;
  }

  // Only the blended and overlay lists are sorted by depth.
  const bool sorted = state->list != FaceList::Opaque;
  float maxZ = 0.0f;
  for (int k = 0; k < count; ++k) {
    const ClipVertex& v = poly[k];
    FaceVertex& out = item->v[k];
    // Interpolation can land a hair outside; keep every vertex inside the viewport.
    const float x = std::min(std::max(v.x, b.left), b.right);
    const float y = std::min(std::max(v.y, b.top), b.bottom);
    out.w = v.w;
    out.a[0] = v.a[0];
    out.a[1] = v.a[1];
    out.a[2] = v.a[2];
    out.x = x;
    out.y = y;
    out.iy = truncInt(y);
    out.unused = 0;
    if (sorted && v.w > 0.0f) maxZ = std::max(maxZ, 1.0f / v.w);
  }
  item->count = count;
  item->andCode = andCode;
  item->orCode = orCode;

  // Depth plane from the face normal and its first vertex: 1/z = A x + B y + C on the screen.
  const ZeltVector4& p0 = rec->cameraVertices[face->vertexIndices[0]];
  const float nx = face->normal[0], ny = face->normal[1], nz = face->normal[2];
  float c = 1.0f / (nx * p0.x + ny * p0.y + nz * p0.z);
  float A = c * nx * view.f1;
  float B = -c * ny * view.f2;
  float C = c * (view.f4 * ny + nz - view.f3 * nx);
  if (!finite(A) || !finite(B) || !finite(C)) {
    // A face seen edge-on has no plane: give it the depth of its nearest vertex.
    float wMax = 0.0f;
    for (int k = 0; k < count; ++k) wMax = std::max(wMax, item->v[k].w);
    A = 0.0f;
    B = 0.0f;
    C = wMax;
  }
  item->A = A;
  item->B = B;
  item->C = C;
  item->material = material;
  item->state = state;
  const auto* fb = static_cast<const FaceBlock*>(face->rendererBlock);
  item->random = fb ? fb->random : 0;
  item->spanHead = -1;
  item->spanFirst = 0;
  item->spanCount = 0;
  item->occludes = state->list == FaceList::Opaque ? 1 : 0;
  item->sortKey = sorted ? truncInt(maxZ) : 0;
  if (state->list != FaceList::Overlay) r.pools.corners += count;
  ++r.pools.faces[static_cast<int>(state->list)].count;
}

}  // namespace tarnel
