// Builds small scenes for tests the way the SDK's own records are made:
// zero-filled C allocations owned by the scene, released by
// Kelmat_Release_Scene.
#ifndef KELMAT_TESTS_SCENEBUILDER_H
#define KELMAT_TESTS_SCENEBUILDER_H

#include "kelmat/kelmat.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace build {

// Owns a zero-filled scene and releases it at the end of the test.
struct ScopedScene {
  KelmatScene scene{};
  ScopedScene() = default;
  ScopedScene(const ScopedScene&) = delete;
  ScopedScene& operator=(const ScopedScene&) = delete;
  ~ScopedScene() { Kelmat_Release_Scene(&scene); }
  KelmatScene* operator->() { return &scene; }
  KelmatScene* get() { return &scene; }
};

KelmatMaterial* Material(KelmatScene* scene, const char* name);
KelmatMap* Map(const char* name, int32_t reflection);

// A root object with vertexCount vertices (sourceVertices and normals
// allocated alongside), unit scale, identity rotation.
KelmatObject* Object(KelmatScene* scene, const char* name, int32_t vertexCount = 0);
void SetVertices(KelmatObject* object, std::initializer_list<KelmatVector> vertices);
// Appends a face; uv holds 2 floats per corner or is empty for no mapping.
KelmatFace* Face(KelmatObject* object, std::initializer_list<int32_t> indices,
                 KelmatMaterial* material, std::vector<float> uv = {});

KelmatCamera* Camera(KelmatScene* scene, const char* name);
KelmatLight* Light(KelmatScene* scene, const char* name, int32_t kind);
KelmatAnimation* Animation(KelmatScene* scene, const char* name);

// Track contents: keys at the frames with default parameters.
void PositionKeys(KelmatTrack& track, std::initializer_list<int32_t> frames,
                  std::initializer_list<KelmatVector> values);
void RotationKeys(KelmatTrack& track, std::initializer_list<int32_t> frames,
                  std::initializer_list<KelmatQuaternion> values);
void HideKeys(KelmatTrack& track, std::initializer_list<int32_t> frames,
              std::initializer_list<int32_t> states);
// Morph keys over vertexCount vertices; key k's vertex i is base[i] + k * step.
void MorphKeys(KelmatTrack& track, std::initializer_list<int32_t> frames, int32_t vertexCount);

void Identity(float (&m)[16]);

// A path in a per-process scratch folder under the system's temp folder.
std::string TempPath(const std::string& name);

}  // namespace build

#endif
