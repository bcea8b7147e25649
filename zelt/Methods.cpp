// The methods the renderer plug-in calls during a frame or a pick: the camera's prepare-frame,
// the object methods (prepare, choose-displayed, transform, cull, light, project) and the face
// test; and the per-vertex lighting.
#include <cmath>

#include "zelt/Kernel.h"

namespace zelt {

namespace {

constexpr float kPi = 3.14159265358979f;

ZeltVector sub(const ZeltVector& a, const ZeltVector& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(const ZeltVector& a, const ZeltVector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
ZeltVector cross(const ZeltVector& a, const ZeltVector& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
ZeltVector unit(const ZeltVector& v) {
  float l = std::sqrt(dot(v, v));
  return l > 1e-20f ? ZeltVector{v.x / l, v.y / l, v.z / l} : ZeltVector{0, 0, 0};
}

KScene* frameScene() { return state().current; }

float det3(const float* m) {
  return m[0] * (m[5] * m[10] - m[6] * m[9]) - m[1] * (m[4] * m[10] - m[6] * m[8]) +
         m[2] * (m[4] * m[9] - m[5] * m[8]);
}

// Camera axes (right, up, forward) of the direction angles.
void cameraAxes(float theta, float phi, ZeltVector* right, ZeltVector* up, ZeltVector* forward) {
  const float st = std::sin(theta), ct = std::cos(theta), sp = std::sin(phi), cp = std::cos(phi);
  *forward = {ct * sp, -st * sp, -cp};
  *right = {-st, -ct, 0};
  *up = cross(*right, *forward);
}

// Billboard turn: rows of the object's axes in world space, lengths kept from its matrix.
void billboard(KObject* o, KScene* s, float* m) {
  ZeltVector X, Y, Z;
  const ZeltVector pos{m[12], m[13], m[14]};
  const ZeltVector right{s->cameraAxes[0], s->cameraAxes[1], s->cameraAxes[2]};
  const ZeltVector up{s->cameraAxes[3], s->cameraAxes[4], s->cameraAxes[5]};
  const ZeltVector forward{s->cameraAxes[6], s->cameraAxes[7], s->cameraAxes[8]};
  ZeltVector toObject = sub(pos, s->eye);
  if (dot(toObject, toObject) < 1e-12f) toObject = forward;
  switch (o->cameraType) {
    case ZELT_BILLBOARD_FULL:  // parallel to the screen
      X = right;
      Y = forward;
      Z = up;
      break;
    case ZELT_BILLBOARD_Z: {  // upright, turned about z towards the eye
      ZeltVector h{toObject.x, toObject.y, 0};
      if (dot(h, h) < 1e-12f) h = {forward.x, forward.y, 0};
      if (dot(h, h) < 1e-12f) h = {-right.y, right.x, 0};
      Y = unit(h);
      Z = {0, 0, 1};
      X = cross(Y, Z);
      break;
    }
    default: {  // turned about z and tilted about x towards the eye
      Y = unit(toObject);
      ZeltVector x = cross(Y, ZeltVector{0, 0, 1});
      if (dot(x, x) < 1e-12f) x = right;
      X = unit(x);
      Z = cross(X, Y);
      break;
    }
  }
  const ZeltVector axes[3] = {X, Y, Z};
  for (int r = 0; r < 3; ++r) {
    float l = std::sqrt(m[4 * r] * m[4 * r] + m[4 * r + 1] * m[4 * r + 1] + m[4 * r + 2] * m[4 * r + 2]);
    m[4 * r] = axes[r].x * l;
    m[4 * r + 1] = axes[r].y * l;
    m[4 * r + 2] = axes[r].z * l;
  }
}

// ------------------------------------------------------------------------------------------

void camPrepareFrame(ZeltCamera* camera, ZeltRenderContext* context) {
  KCamera* c = K(camera);
  KScene* s = c->scene ? c->scene : frameScene();
  if (!s) return;
  cameraMatrix(c, c->matrix);
  ZeltViewRecord& v = *context->view;
  const float left = static_cast<float>(s->viewX), top = static_cast<float>(s->viewY);
  const float w = static_cast<float>(s->viewW), h = static_cast<float>(s->viewH);
  v.right = left + w;
  v.bottom = top + h;
  v.centreX = left + w / 2;
  v.centreY = top + h / 2;
  v.scaleX = w / 2;
  v.scaleY = h / 2;
  v.f1 = 1.0f / v.scaleX;
  v.f2 = 1.0f / v.scaleY;
  v.f3 = v.centreX / v.scaleX;
  v.f4 = v.centreY / v.scaleY;
  context->nearZ = s->nearZ;
  context->farZ = s->farZ;
}

void objPrepare(ZeltObject* object) {
  KObject* o = K(object);
  KScene* s = frameScene();
  const float* g = globalMatrix(o);
  for (int i = 0; i < 16; ++i) o->frameWorld[i] = g[i];
  if (o->cameraType != ZELT_BILLBOARD_NONE && s) billboard(o, s, o->frameWorld);
  if (s && s->activeCamera) matMultiply(o->toCamera, o->frameWorld, K(s->activeCamera)->matrix);
  o->mirrored = det3(o->toCamera) > 0;
}

ZeltObject* objChooseDisplayed(ZeltObject* object, ZeltRenderContext*) {
  KObject* o = K(object);
  KScene* s = frameScene();
  if (o->lods.empty() || !s) return o;
  const ZeltVector pos{o->frameWorld[12], o->frameWorld[13], o->frameWorld[14]};
  const ZeltVector d = sub(pos, s->eye);
  const float distance = std::sqrt(dot(d, d));
  KObject* shown = o;
  for (const KLod& l : o->lods)
    if (distance > l.distance) shown = l.object;
  if (shown != o) {
    // The stand-in is drawn at the object's place.
    for (int i = 0; i < 16; ++i) {
      shown->toCamera[i] = o->toCamera[i];
      shown->frameWorld[i] = o->frameWorld[i];
    }
    shown->mirrored = o->mirrored;
  }
  return shown;
}

void objTransform(ZeltObject* object, ZeltRenderContext* context, void* argument) {
  KObject* o = K(object);
  KObject* shown = argument ? static_cast<KObject*>(argument) : o;
  KScene* s = frameScene();
  KernelState& k = state();
  if (s && s->counting) s->counters.beforeCulling += shown->faceCount;
  KObject* holder = shown->group ? shown->group : shown;
  int first = 0, count = static_cast<int>(holder->vertices.size());
  if (shown->group && shown == o) {
    first = shown->firstVertex;
    count = shown->vertexCount;
  }
  if (count <= 0 || static_cast<size_t>(first + count) > k.capacity) return;
  ::Zelt_Vertex_Transformation(k.record.cameraVertices + first, holder->vertices.data() + first,
                               k.record.outcodes + first, o->toCamera, count, context->nearZ, context->farZ);
}

void objCull(ZeltObject* displayed, ZeltObject* object, ZeltRenderContext* context) {
  KObject* o = K(object);
  KObject* shown = K(displayed);
  KScene* s = frameScene();
  const float* m = o->toCamera;
  const ZeltVector c = transformPoint(shown->sphereCentre, m);
  // Radius in world units: the object's scale, without the camera's projection scales.
  float scale = 0;
  for (int r = 0; r < 3; ++r) {
    const float* w = o->frameWorld;
    float l = std::sqrt(w[4 * r] * w[4 * r] + w[4 * r + 1] * w[4 * r + 1] + w[4 * r + 2] * w[4 * r + 2]);
    scale = l > scale ? l : scale;
  }
  const float r = shown->sphereRadius * scale;
  const float sx = s ? s->frameScaleX : 1, sy = s ? s->frameScaleY : 1;
  const float nx = std::sqrt(sx * sx + 1), ny = std::sqrt(sy * sy + 1);
  bool in = c.z >= context->nearZ - r && c.z <= context->farZ + r;
  in = in && (c.x - c.z) / nx <= r && (-c.x - c.z) / nx <= r;
  in = in && (c.y - c.z) / ny <= r && (-c.y - c.z) / ny <= r;
  o->visible = in ? 1 : 0;
}

void objLight(ZeltObject* displayed, ZeltObject* object, ZeltRenderContext*) {
  KObject* o = K(object);
  KObject* shown = K(displayed);
  KScene* s = frameScene();
  if (!s) return;
  KObject* holder = shown->group ? shown->group : shown;
  int first = 0, count = static_cast<int>(holder->vertices.size());
  if (shown->group && shown == o) {
    first = shown->firstVertex;
    count = shown->vertexCount;
  }
  KernelState& k = state();
  if (count <= 0 || static_cast<size_t>(first + count) > k.capacity) return;
  lightVertices(s, o, holder->vertices.data() + first, holder->normals.data() + first, count, o->frameWorld,
                k.record.vertexLights + first);
}

void objProject(ZeltObject*, ZeltObject*, ZeltRenderContext*) {
  // The plug-in projects and caches each vertex itself.
}

int faceIsDrawn(ZeltFace* face) {
  KFace* f = K(face);
  KernelState& k = state();
  if (f->vertexCount < 3 || !k.record.cameraVertices) return 0;
  const ZeltVector4* cv = k.record.cameraVertices;
  const ZeltVector4& a = cv[f->vertexIndices[0]];
  const ZeltVector4& b = cv[f->vertexIndices[1]];
  const ZeltVector4& c = cv[f->vertexIndices[2]];
  ZeltVector n = cross(ZeltVector{b.x - a.x, b.y - a.y, b.z - a.z}, ZeltVector{c.x - a.x, c.y - a.y, c.z - a.z});
  // The cross product turns with the handedness of the object-to-camera map.
  if (!(f->owner && f->owner->mirrored)) n = {-n.x, -n.y, -n.z};
  n = unit(n);
  face->normal[0] = n.x;
  face->normal[1] = n.y;
  face->normal[2] = n.z;
  const bool facing = n.x * a.x + n.y * a.y + n.z * a.z < 0;
  KScene* s = frameScene();
  if (facing && s && s->counting) {
    ZeltFaceCounters& cnt = s->counters;
    ++cnt.afterCulling;
    int all = ZELT_IN_ALL, any = 0;
    for (int i = 0; i < f->vertexCount; ++i) {
      int code = k.record.outcodes[f->vertexIndices[i]];
      all &= code;
      any |= code;
    }
    if (any == ZELT_IN_ALL) {
      ++cnt.afterPyramidCulling;
      if (all == ZELT_IN_ALL) ++cnt.afterPyramidClipping;
      cnt.trianglesDrawn += f->vertexCount - 2;
      const std::uint32_t blended = ZELT_RF_KEYED | ZELT_RF_HALF | ZELT_RF_TRANSPARENT | ZELT_RF_ADDITIVE |
                                    ZELT_RF_ADDITIVE_OVERLAY | ZELT_RF_ADDITIVE_SPRITE;
      if (f->material && f->material->renderFlags && (*f->material->renderFlags & blended)) ++cnt.transparent;
    }
  }
  return facing ? 1 : 0;
}

}  // namespace

// ------------------------------------------------------------------------------------------

void cameraMatrix(KCamera* c, float* m) {
  KScene* s = c->scene;
  if (c->type == ZELT_CAMERA_TARGET) {
    ZeltVector d = sub(c->target, c->position);
    float l = std::sqrt(dot(d, d));
    if (l > 1e-6f) {
      c->theta = std::atan2(-d.y / l, d.x / l);
      float z = -d.z / l;
      c->phi = std::acos(z < -1 ? -1 : (z > 1 ? 1 : z));
    }
  }
  ZeltVector right, up, forward;
  cameraAxes(c->theta, c->phi, &right, &up, &forward);
  float fov = c->fov > 0.1f && c->fov < 179.0f ? c->fov : 60.0f;
  const float tanH = std::tan(fov * kPi / 360.0f);
  float tanV = tanH;
  if (s && s->viewW > 0) tanV = tanH * static_cast<float>(s->viewH) / static_cast<float>(s->viewW) * s->aspect;
  const float sx = 1.0f / tanH, sy = 1.0f / tanV;
  const ZeltVector eye{c->position.x, c->position.y, c->position.z + c->bob};
  const ZeltVector axes[3] = {right, up, forward};
  const float scales[3] = {sx, sy, 1.0f};
  for (int col = 0; col < 3; ++col) {
    const ZeltVector& a = axes[col];
    m[col] = a.x * scales[col];
    m[4 + col] = a.y * scales[col];
    m[8 + col] = a.z * scales[col];
    m[12 + col] = -dot(eye, a) * scales[col];
  }
  m[3] = m[7] = m[11] = 0;
  m[15] = 1;
  if (s && s->activeCamera == c) {
    s->frameScaleX = sx;
    s->frameScaleY = sy;
    s->eye = eye;
    const ZeltVector* list[3] = {&right, &up, &forward};
    for (int i = 0; i < 3; ++i) {
      s->cameraAxes[3 * i] = list[i]->x;
      s->cameraAxes[3 * i + 1] = list[i]->y;
      s->cameraAxes[3 * i + 2] = list[i]->z;
    }
  }
}

void lightVertices(KScene* s, KObject* o, const ZeltVector4* vertices, const ZeltVector4* normals, int count,
                   const float* world, ZeltVertexLight* out) {
  const float ambient = static_cast<float>(s->ambientR + s->ambientG + s->ambientB) / 3.0f;
  for (int i = 0; i < count; ++i) {
    const ZeltVector p = transformPoint({vertices[i].x, vertices[i].y, vertices[i].z}, world);
    const ZeltVector n = unit(transformVector({normals[i].x, normals[i].y, normals[i].z}, world));
    float value = ambient;
    float r = static_cast<float>(s->ambientR), g = static_cast<float>(s->ambientG), b = static_cast<float>(s->ambientB);
    for (const KLight* l : o->lights) {
      if (l->off) continue;
      ZeltVector L = sub(l->position, p);
      const float dist = std::sqrt(dot(L, L));
      if (dist < 1e-12f) continue;
      L = {L.x / dist, L.y / dist, L.z / dist};
      float k = dot(n, L);
      if (k <= 0) continue;
      if (l->attenuate) {
        if (dist >= l->outerRange) continue;
        if (dist > l->innerRange && l->outerRange > l->innerRange)
          k *= (l->outerRange - dist) / (l->outerRange - l->innerRange);
      }
      if (l->kind == ZELT_LIGHT_SPOT) {
        const ZeltVector axis = unit(sub(l->target, l->position));
        const float c = -dot(axis, L);
        const float angle = std::acos(c < -1 ? -1 : (c > 1 ? 1 : c)) * 180.0f / kPi;
        const float hot = l->hotspot / 2, fall = l->falloff / 2;
        if (angle >= fall) continue;
        if (angle > hot && fall > hot) k *= (fall - angle) / (fall - hot);
      }
      k *= l->multiplier;
      value += k * (static_cast<float>(l->r) + l->g + l->b) / 3.0f;
      r += k * l->r;
      g += k * l->g;
      b += k * l->b;
    }
    auto clamp = [](float v) { return v < 0 ? 0.0f : (v > 255 ? 255.0f : v); };
    out[i] = {clamp(r), clamp(g), clamp(b), clamp(value)};
  }
}

const ZeltObjectMethods kObjectMethods{objPrepare, objChooseDisplayed, objTransform, objCull, objLight, objProject};
const ZeltCameraMethods kCameraMethods{camPrepareFrame};
const ZeltFaceClass kFaceClass{faceIsDrawn};

}  // namespace zelt
