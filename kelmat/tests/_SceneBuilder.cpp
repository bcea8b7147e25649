#include "_SceneBuilder.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

namespace build {
namespace {

template <class T>
T* Zeroed(std::size_t count = 1) {
  return static_cast<T*>(std::calloc(count == 0 ? 1 : count, sizeof(T)));
}

void CopyName(char (&field)[KELMAT_NAME_SIZE], const char* name) {
  std::memset(field, 0, sizeof field);
  std::strncpy(field, name, KELMAT_NAME_SIZE - 1);
}

template <class T>
void PushHead(T*& head, T* node) {
  node->next = head;
  if (head != nullptr) head->previous = node;
  head = node;
}

void Frames(KelmatTrack& track, std::initializer_list<int32_t> frames, bool params) {
  track.keyCount = static_cast<int32_t>(frames.size());
  track.frames = Zeroed<int32_t>(frames.size());
  int k = 0;
  for (int32_t f : frames) track.frames[k++] = f;
  if (params) track.params = Zeroed<KelmatKeyParams>(frames.size());
}

}  // namespace

void Identity(float (&m)[16]) {
  for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

KelmatMaterial* Material(KelmatScene* scene, const char* name) {
  auto* m = Zeroed<KelmatMaterial>();
  CopyName(m->name, name);
  m->type = MATERIAL_GOURAUD;
  m->tiling = 1;
  PushHead(scene->materials, m);
  ++scene->materialCount;
  return m;
}

KelmatMap* Map(const char* name, int32_t reflection) {
  auto* map = Zeroed<KelmatMap>();
  CopyName(map->name, name);
  map->reflection = reflection;
  return map;
}

KelmatObject* Object(KelmatScene* scene, const char* name, int32_t vertexCount) {
  auto* o = Zeroed<KelmatObject>();
  CopyName(o->name, name);
  o->vertexCount = vertexCount;
  if (vertexCount > 0) {
    o->vertices = Zeroed<KelmatVector>(vertexCount);
    o->sourceVertices = Zeroed<KelmatVector>(vertexCount);
    o->normals = Zeroed<KelmatVector>(vertexCount);
  }
  o->scale = {1, 1, 1};
  Identity(o->rotation);
  Identity(o->localMatrix);
  Identity(o->inverseLocalMatrix);
  Identity(o->worldMatrix);
  PushHead(scene->objects, o);
  ++scene->objectCount;
  return o;
}

void SetVertices(KelmatObject* object, std::initializer_list<KelmatVector> vertices) {
  std::free(object->vertices);
  std::free(object->sourceVertices);
  std::free(object->normals);
  object->vertexCount = static_cast<int32_t>(vertices.size());
  object->vertices = Zeroed<KelmatVector>(vertices.size());
  object->sourceVertices = Zeroed<KelmatVector>(vertices.size());
  object->normals = Zeroed<KelmatVector>(vertices.size());
  int i = 0;
  for (const KelmatVector& v : vertices) {
    object->vertices[i] = v;
    object->sourceVertices[i] = v;
    ++i;
  }
}

KelmatFace* Face(KelmatObject* object, std::initializer_list<int32_t> indices,
                 KelmatMaterial* material, std::vector<float> uv) {
  auto* faces = static_cast<KelmatFace*>(
      std::realloc(object->faces, sizeof(KelmatFace) * (object->faceCount + 1)));
  object->faces = faces;
  KelmatFace& face = faces[object->faceCount++];
  face = KelmatFace{};
  face.vertexCount = static_cast<int32_t>(indices.size());
  face.indices = Zeroed<int32_t>(indices.size());
  int k = 0;
  for (int32_t index : indices) face.indices[k++] = index;
  if (!uv.empty()) {
    face.mapping = Zeroed<float>(uv.size());
    std::memcpy(face.mapping, uv.data(), uv.size() * sizeof(float));
  }
  face.material = material;
  face.normal = {0, 0, 1};
  return &face;
}

KelmatCamera* Camera(KelmatScene* scene, const char* name) {
  auto* c = Zeroed<KelmatCamera>();
  c->kind = KELMAT_CAMERA_KIND;
  CopyName(c->name, name);
  PushHead(scene->cameras, c);
  ++scene->cameraCount;
  return c;
}

KelmatLight* Light(KelmatScene* scene, const char* name, int32_t kind) {
  auto* l = Zeroed<KelmatLight>();
  l->kind = kind;
  CopyName(l->name, name);
  l->multiplier = 1.0f;
  PushHead(scene->lights, l);
  ++scene->lightCount;
  return l;
}

KelmatAnimation* Animation(KelmatScene* scene, const char* name) {
  auto* a = Zeroed<KelmatAnimation>();
  CopyName(a->name, name);
  a->length = 30;
  a->segmentEnd = 30;
  PushHead(scene->animations, a);
  ++scene->animationCount;
  return a;
}

void PositionKeys(KelmatTrack& track, std::initializer_list<int32_t> frames,
                  std::initializer_list<KelmatVector> values) {
  Frames(track, frames, true);
  track.vectors = Zeroed<KelmatVector>(values.size());
  int k = 0;
  for (const KelmatVector& v : values) track.vectors[k++] = v;
}

void RotationKeys(KelmatTrack& track, std::initializer_list<int32_t> frames,
                  std::initializer_list<KelmatQuaternion> values) {
  Frames(track, frames, true);
  track.quaternions = Zeroed<KelmatQuaternion>(values.size());
  int k = 0;
  for (const KelmatQuaternion& q : values) track.quaternions[k++] = q;
}

void HideKeys(KelmatTrack& track, std::initializer_list<int32_t> frames,
              std::initializer_list<int32_t> states) {
  Frames(track, frames, false);
  track.states = Zeroed<int32_t>(states.size());
  int k = 0;
  for (int32_t s : states) track.states[k++] = s;
}

void MorphKeys(KelmatTrack& track, std::initializer_list<int32_t> frames, int32_t vertexCount) {
  Frames(track, frames, true);
  const int32_t keys = track.keyCount;
  track.morphVertexCount = vertexCount;
  track.morphVertices = Zeroed<KelmatVector*>(keys);
  track.morphNormals = Zeroed<KelmatVector*>(keys);
  track.morphSpheres = Zeroed<KelmatSphere>(keys);
  track.morphBoxes = Zeroed<KelmatBox>(keys);
  for (int32_t k = 0; k < keys; ++k) {
    track.morphVertices[k] = Zeroed<KelmatVector>(vertexCount);
    track.morphNormals[k] = Zeroed<KelmatVector>(vertexCount);
    for (int32_t i = 0; i < vertexCount; ++i) {
      track.morphVertices[k][i] = {float(i), float(k * 10), 0};
      track.morphNormals[k][i] = {0, 0, 1};
    }
    track.morphSpheres[k] = {{float(k), 0, 0}, float(k + 1)};
    track.morphBoxes[k] = {{-float(k), -1, -1}, {float(k), 1, 1}};
  }
}

namespace {
// The scratch folder lives as long as the test program and is removed with it.
struct ScratchFolder {
  std::filesystem::path path;
  ScratchFolder()
      : path(std::filesystem::temp_directory_path() /
             ("kelmat-tests-" + std::to_string(std::random_device{}()))) {
    std::filesystem::create_directories(path);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};
}  // namespace

std::string TempPath(const std::string& name) {
  static const ScratchFolder folder;
  return (folder.path / name).string();
}

}  // namespace build
