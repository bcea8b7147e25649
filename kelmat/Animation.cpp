// Keyframe evaluation into an object's current transform, and the world
// matrices of an object hierarchy.
#include "kelmat/SceneWalk.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

// Keys around frame f: c and d with the blend t from c to d. A frame
// inside the keys uses the two keys around it; before the first key or after
// the last, the pair (last, first). False for a negative frame (or NaN).
bool KeyPair(const KelmatTrack& track, float f, int32_t& c, int32_t& d, float& t) {
  if (!(f >= 0.0f)) return false;
  const int32_t n = track.keyCount;
  int32_t i = 0;
  while (i < n && !(static_cast<float>(track.frames[i]) > f)) ++i;
  c = i - 1;
  if (c == -1) c = n - 1;
  d = c + 1;
  if (d == n) d = 0;
  const int32_t fc = track.frames[c], fd = track.frames[d];
  t = fc == fd ? 0.0f : (f - static_cast<float>(fc)) / static_cast<float>(fd - fc);
  return true;
}

float Lerp(float a, float b, float t) { return a + t * (b - a); }

KelmatVector Lerp(const KelmatVector& a, const KelmatVector& b, float t) {
  return {Lerp(a.x, b.x, t), Lerp(a.y, b.y, t), Lerp(a.z, b.z, t)};
}

bool HasKeys(const KelmatTrack& track) { return track.keyCount > 0 && track.frames != nullptr; }

void Identity(float* m) {
  for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

enum class Step { Position, Scale, Rotation, Morph, Hide };

bool Apply(Step step, KelmatObject* object, const KelmatAnimation* animation, float frame) {
  int32_t c = 0, d = 0;
  float t = 0.0f;
  switch (step) {
    case Step::Position: {
      const KelmatTrack& track = animation->position;
      if (!HasKeys(track) || track.vectors == nullptr) return true;
      if (!KeyPair(track, frame, c, d, t)) return false;
      object->position = Lerp(track.vectors[c], track.vectors[d], t);
      return true;
    }
    case Step::Scale: {
      const KelmatTrack& track = animation->scale;
      if (!HasKeys(track) || track.vectors == nullptr) {
        object->scale = {1.0f, 1.0f, 1.0f};
        return true;
      }
      if (!KeyPair(track, frame, c, d, t)) return false;
      object->scale = Lerp(track.vectors[c], track.vectors[d], t);
      return true;
    }
    case Step::Rotation: {
      const KelmatTrack& track = animation->rotation;
      if (!HasKeys(track) || track.quaternions == nullptr) {
        Identity(object->rotation);
        return true;
      }
      if (!KeyPair(track, frame, c, d, t)) return false;
      KelmatQuaternion q;
      Kelmat_Quaternion_Slerp(&q, &track.quaternions[c], &track.quaternions[d], t);
      Kelmat_Quaternion_To_Matrix(object->rotation, &q);
      return true;
    }
    case Step::Morph: {
      const KelmatTrack& track = animation->morph;
      if (!HasKeys(track) || track.morphSpheres == nullptr || track.morphBoxes == nullptr)
        return true;
      if (!KeyPair(track, frame, c, d, t)) return false;
      // Only as many vertices as both the object and the morph keys have.
      const int32_t first = object->welded != 0 ? object->firstVertex : 0;
      int32_t count = std::min(object->vertexCount, track.morphVertexCount);
      if (object->vertices == nullptr || track.morphVertices == nullptr ||
          track.morphVertices[c] == nullptr || track.morphVertices[d] == nullptr)
        count = 0;
      for (int32_t i = 0; i < count; ++i)
        object->vertices[first + i] = Lerp(track.morphVertices[c][i], track.morphVertices[d][i], t);
      if (object->normals != nullptr && track.morphNormals != nullptr &&
          track.morphNormals[c] != nullptr && track.morphNormals[d] != nullptr)
        for (int32_t i = 0; i < count; ++i)
          object->normals[first + i] = Lerp(track.morphNormals[c][i], track.morphNormals[d][i], t);
      object->sphereCenter = Lerp(track.morphSpheres[c].center, track.morphSpheres[d].center, t);
      object->sphereRadius = Lerp(track.morphSpheres[c].radius, track.morphSpheres[d].radius, t);
      object->boxMin = Lerp(track.morphBoxes[c].min, track.morphBoxes[d].min, t);
      object->boxMax = Lerp(track.morphBoxes[c].max, track.morphBoxes[d].max, t);
      return true;
    }
    case Step::Hide: {
      const KelmatTrack& track = animation->hide;
      if (!HasKeys(track) || track.states == nullptr) return true;
      if (!KeyPair(track, frame, c, d, t)) return false;
      object->hidden = track.states[c];
      return true;
    }
  }
  return true;
}

// Applies one step to the pairs under (object, animation): first children
// together, next siblings together, stopping where either side ends.
bool ApplyToSubtree(Step step, KelmatObject* object, const KelmatAnimation* animation,
                    float frame) {
  std::vector<std::pair<KelmatObject*, const KelmatAnimation*>> pending;
  pending.emplace_back(object->firstChild, animation->firstChild);
  while (!pending.empty()) {
    auto [o, a] = pending.back();
    pending.pop_back();
    if (o == nullptr || a == nullptr) continue;
    if (!Apply(step, o, a, frame)) return false;
    pending.emplace_back(o->nextSibling, a->nextSibling);
    pending.emplace_back(o->firstChild, a->firstChild);  // taken first: pre-order
  }
  return true;
}

void Translation(float* m, float x, float y, float z) {
  Identity(m);
  m[12] = x;
  m[13] = y;
  m[14] = z;
}

void Multiply(float* inOut, const float* right) {
  float result[16];
  Kelmat_Matrix_Mult(result, inOut, right);
  for (int i = 0; i < 16; ++i) inOut[i] = result[i];
}

// worldMatrix = T(-pivot) x S(scale) x R x T(t), then, under a parent P,
// x T(P.pivot) x T(t) x P.worldMatrix in place of the last T(t).
void ComposeWorld(KelmatObject* object) {
  float m[16], step[16];
  Translation(m, -object->pivot.x, -object->pivot.y, -object->pivot.z);
  Identity(step);
  step[0] = object->scale.x;
  step[5] = object->scale.y;
  step[10] = object->scale.z;
  Multiply(m, step);
  Multiply(m, object->rotation);
  if (const KelmatObject* parent = object->parent) {
    Translation(step, parent->pivot.x, parent->pivot.y, parent->pivot.z);
    Multiply(m, step);
    Translation(step, object->position.x, object->position.y, object->position.z);
    Multiply(m, step);
    Multiply(m, parent->worldMatrix);
  } else {
    Translation(step, object->position.x, object->position.y, object->position.z);
    Multiply(m, step);
  }
  for (int i = 0; i < 16; ++i) object->worldMatrix[i] = m[i];
}

}  // namespace

extern "C" {

KELMAT_API int Kelmat_Object_Animate(KelmatObject* object, KelmatAnimation* animation,
                                     float frame, int32_t recurse) {
  if (object == nullptr || animation == nullptr) return 1;
  for (Step step : {Step::Position, Step::Scale, Step::Rotation, Step::Morph, Step::Hide}) {
    if (!Apply(step, object, animation, frame)) return 0;
    if (recurse != 0 && !ApplyToSubtree(step, object, animation, frame)) return 0;
  }
  return 1;
}

KELMAT_API int Kelmat_Object_Update_Animation(KelmatObject* object) {
  if (object == nullptr) return 0;
  for (KelmatObject* o = object; o != nullptr; o = kelmat::SubtreeNext(o, object)) ComposeWorld(o);
  return 1;
}

}  // extern "C"
