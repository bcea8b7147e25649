// The five engine asset files: object (.o3d), animation (.a3d), camera
// (.c3d), light (.l3d) and scene (.s3d). Every file is a 32-byte banner
// followed by count-prefixed blocks, written field by field, little-endian,
// without padding.
//
// A whole file is built in memory first: a scene that cannot be written
// faithfully (a face whose material is not in the scene, missing arrays,
// out-of-range vertex indices, a forest whose count disagrees with its
// records) is refused before the file is touched.
#include "kelmat/SceneWalk.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr char kNotice[] = "Lumora kelmat 1.0";  // the maker's notice: 17 characters
static_assert(sizeof kNotice - 1 == 17);
constexpr char kVersion[] = "0.95";

enum class Kind : char { Object = 'O', Animation = 'A', Camera = 'C', Light = 'L', Scene = 'S' };

// Raised inside the writer when the scene cannot be written; caught before
// the export returns.
struct WriteRefused {
  std::string message;
};

class ByteWriter {
 public:
  void U8(uint8_t v) { bytes_.push_back(v); }
  void I32(int32_t v) {
    auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(u >> (8 * i)));
  }
  void F32(float v) {
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    I32(static_cast<int32_t>(u));
  }
  void Vec(const KelmatVector& v) {
    F32(v.x);
    F32(v.y);
    F32(v.z);
  }
  void Name(const char* name) {
    std::size_t length = kelmat::NameLength(name);
    bytes_.insert(bytes_.end(), name, name + length);
    bytes_.insert(bytes_.end(), KELMAT_NAME_SIZE - length, 0);
  }
  void Bytes(const char* text, std::size_t length) { bytes_.insert(bytes_.end(), text, text + length); }
  const std::vector<uint8_t>& Data() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

[[noreturn]] void Refuse(std::string message) { throw WriteRefused{std::move(message)}; }

std::string Quoted(const char* name) { return std::string(name, kelmat::NameLength(name)); }

// Position of each record of a list in the list, for the index fields.
template <class Node>
std::unordered_map<const Node*, int32_t> ListIndex(Node* head) {
  std::unordered_map<const Node*, int32_t> index;
  int32_t position = 0;
  for (Node* node = head; node != nullptr; node = node->next) index.emplace(node, position++);
  return index;
}

// Records of a forest in pre-order; the walk stops one record past the
// scene's count so a looped or miscounted forest cannot run away.
template <class Node>
std::vector<const Node*> ForestRecords(Node* head, int32_t count, const char* what) {
  std::vector<const Node*> records;
  for (Node* node = head; node != nullptr; node = kelmat::PreOrderNext(node)) {
    records.push_back(node);
    if (records.size() > static_cast<std::size_t>(count < 0 ? 0 : count)) break;
  }
  if (records.size() != static_cast<std::size_t>(count < 0 ? 0 : count) || count < 0)
    Refuse("The " + std::string(what) + " count " + std::to_string(count) +
           " does not match the scene's " + what + "s");
  return records;
}

template <class Node>
std::size_t ListLength(Node* head, int32_t count, const char* what) {
  std::size_t length = 0;
  for (Node* node = head; node != nullptr; node = node->next) {
    if (++length > static_cast<std::size_t>(count < 0 ? 0 : count)) break;
  }
  if (count < 0 || length != static_cast<std::size_t>(count))
    Refuse("The " + std::string(what) + " count " + std::to_string(count) +
           " does not match the scene's " + what + "s");
  return length;
}

void WriteBanner(ByteWriter& out, Kind kind) {
  char banner[KELMAT_NAME_SIZE] = {};
  std::snprintf(banner, sizeof banner, "%s %s (%c)", kNotice, kVersion, static_cast<char>(kind));
  out.Bytes(banner, sizeof banner);
}

void WriteMap(ByteWriter& out, const KelmatMap* map) {
  if (map == nullptr) {
    out.I32(0);
    return;
  }
  out.I32(1);
  out.Name(map->name);
  out.I32(map->reflection);
}

void WriteMaterials(ByteWriter& out, const KelmatScene& scene) {
  ListLength(scene.materials, scene.materialCount, "material");
  out.I32(scene.materialCount);
  for (const KelmatMaterial* m = scene.materials; m != nullptr; m = m->next) {
    out.Name(m->name);
    out.I32(m->type);
    for (const uint8_t* colour : {m->ambient, m->diffuse, m->specular, m->lightColor})
      for (int i = 0; i < 3; ++i) out.U8(colour[i]);
    out.I32(m->shininess);
    out.I32(m->shininessStrength);
    out.I32(m->transparency);
    out.I32(m->binaryOpacity);
    out.I32(m->tiling);
    WriteMap(out, m->textureMap);
    WriteMap(out, m->lightMap);
  }
}

const KelmatObject* PoolOwner(const KelmatObject* object) {
  while (object->parent != nullptr && object->poolSize == 0) object = object->parent;
  return object;
}

void WriteFace(ByteWriter& out, const KelmatObject& object, int32_t faceNumber, int32_t vertexLimit,
               const std::unordered_map<const KelmatMaterial*, int32_t>& materials) {
  const KelmatFace& face = object.faces[faceNumber];
  if (face.vertexCount < 3 || face.indices == nullptr)
    Refuse("Face " + std::to_string(faceNumber) + " of object " + Quoted(object.name) +
           " has no valid corners");
  auto material = materials.find(face.material);
  if (face.material == nullptr || material == materials.end())
    Refuse("The material of face " + std::to_string(faceNumber) + " of object " +
           Quoted(object.name) + " is not in the scene");
  out.I32(face.vertexCount);
  for (int32_t k = 0; k < face.vertexCount; ++k) {
    if (face.indices[k] < 0 || face.indices[k] >= vertexLimit)
      Refuse("Face " + std::to_string(faceNumber) + " of object " + Quoted(object.name) +
             " uses vertex " + std::to_string(face.indices[k]) + " out of range");
    out.I32(face.indices[k]);
  }
  if (face.mapping == nullptr) {
    out.I32(0);
  } else {
    out.I32(face.vertexCount);
    for (int32_t k = 0; k < 2 * face.vertexCount; ++k) out.F32(face.mapping[k]);
  }
  out.I32(material->second);
  out.Vec(face.normal);
}

void WriteObject(ByteWriter& out, const KelmatObject& object, bool withLights,
                 const std::unordered_map<const KelmatMaterial*, int32_t>& materials,
                 const std::unordered_map<const KelmatLight*, int32_t>& lights) {
  out.Name(object.name);
  out.I32(object.parent != nullptr ? 1 : 0);
  if (object.parent != nullptr) out.Name(object.parent->name);
  out.I32(object.vertexCount);
  out.I32(object.welded != 0 ? 1 : 0);

  // Vertices carried by this record, and the range its face indices may use.
  int32_t carried = object.vertexCount;
  int32_t vertexLimit = object.vertexCount;
  if (object.welded != 0) {
    out.I32(object.firstVertex);
    out.I32(object.poolSize);
    carried = object.poolSize;
    vertexLimit = PoolOwner(&object)->poolSize;
  }
  if (carried < 0 || object.vertexCount < 0 || object.faceCount < 0)
    Refuse("Object " + Quoted(object.name) + " has a negative count");
  if (carried > 0 && (object.vertices == nullptr || object.normals == nullptr))
    Refuse("Object " + Quoted(object.name) + " has no vertex arrays");
  for (int32_t i = 0; i < carried; ++i) out.Vec(object.vertices[i]);
  for (int32_t i = 0; i < carried; ++i) out.Vec(object.normals[i]);

  if (object.faceCount > 0 && object.faces == nullptr)
    Refuse("Object " + Quoted(object.name) + " has no face array");
  out.I32(object.faceCount);
  for (int32_t f = 0; f < object.faceCount; ++f) WriteFace(out, object, f, vertexLimit, materials);

  out.Vec(object.sphereCenter);
  out.F32(object.sphereRadius);
  out.Vec(object.boxMin);
  out.Vec(object.boxMax);

  if (withLights) {
    std::vector<int32_t> indices;
    for (const KelmatLightLink* link = object.lightLinks; link != nullptr; link = link->next) {
      auto light = lights.find(link->light);
      if (light == lights.end())
        Refuse("Object " + Quoted(object.name) + " is linked to a light that is not in the scene");
      indices.push_back(light->second);
    }
    out.I32(static_cast<int32_t>(indices.size()));
    for (int32_t index : indices) out.I32(index);
  } else {
    out.I32(0);
  }

  out.I32(object.hidden);
  out.Vec(object.pivot);
  out.Vec(object.position);
  out.Vec(object.scale);
  for (float element : object.rotation) out.F32(element);
}

void WriteObjects(ByteWriter& out, const KelmatScene& scene, bool withLights) {
  auto materials = ListIndex(scene.materials);
  auto lights = ListIndex(scene.lights);
  auto records = ForestRecords(scene.objects, scene.objectCount, "object");
  out.I32(scene.objectCount);
  for (const KelmatObject* object : records) WriteObject(out, *object, withLights, materials, lights);
}

void CheckKeys(const KelmatTrack& track, const char* name, const KelmatAnimation& owner) {
  if (track.keyCount < 0 ||
      (track.keyCount > 0 && track.frames == nullptr))
    Refuse("The " + std::string(name) + " track of animation " + Quoted(owner.name) +
           " has no keys to write");
}

void WriteParams(ByteWriter& out, const KelmatTrack& track, const char* name,
                 const KelmatAnimation& owner) {
  if (track.params == nullptr)
    Refuse("The " + std::string(name) + " track of animation " + Quoted(owner.name) +
           " has no key parameters");
  for (int32_t k = 0; k < track.keyCount; ++k) {
    const KelmatKeyParams& p = track.params[k];
    out.F32(p.tension);
    out.F32(p.continuity);
    out.F32(p.bias);
    out.F32(p.easeTo);
    out.F32(p.easeFrom);
  }
}

void WriteFrames(ByteWriter& out, const KelmatTrack& track) {
  for (int32_t k = 0; k < track.keyCount; ++k) out.I32(track.frames[k]);
}

void WriteVectorTrack(ByteWriter& out, const KelmatTrack& track, const char* name,
                      const KelmatAnimation& owner) {
  CheckKeys(track, name, owner);
  out.I32(track.keyCount);
  out.I32(track.flags);
  if (track.keyCount <= 0) return;
  if (track.vectors == nullptr)
    Refuse("The " + std::string(name) + " track of animation " + Quoted(owner.name) +
           " has no values");
  WriteFrames(out, track);
  WriteParams(out, track, name, owner);
  for (int32_t k = 0; k < track.keyCount; ++k) out.Vec(track.vectors[k]);
}

void WriteRotationTrack(ByteWriter& out, const KelmatTrack& track, const KelmatAnimation& owner) {
  CheckKeys(track, "rotation", owner);
  out.I32(track.keyCount);
  out.I32(track.flags);
  if (track.keyCount <= 0) return;
  if (track.quaternions == nullptr)
    Refuse("The rotation track of animation " + Quoted(owner.name) + " has no values");
  WriteFrames(out, track);
  WriteParams(out, track, "rotation", owner);
  for (int32_t k = 0; k < track.keyCount; ++k) {
    const KelmatQuaternion& q = track.quaternions[k];
    out.F32(q.w);
    out.F32(q.x);
    out.F32(q.y);
    out.F32(q.z);
  }
}

void WriteHideTrack(ByteWriter& out, const KelmatTrack& track, const KelmatAnimation& owner) {
  CheckKeys(track, "hide", owner);
  out.I32(track.keyCount);
  out.I32(track.flags);
  if (track.keyCount <= 0) return;
  if (track.states == nullptr)
    Refuse("The hide track of animation " + Quoted(owner.name) + " has no values");
  WriteFrames(out, track);
  for (int32_t k = 0; k < track.keyCount; ++k) out.I32(track.states[k]);
}

void WriteMorphTrack(ByteWriter& out, const KelmatTrack& track, const KelmatAnimation& owner) {
  CheckKeys(track, "morph", owner);
  out.I32(track.keyCount);
  out.I32(track.flags);
  if (track.keyCount <= 0) return;
  const int32_t m = track.morphVertexCount;
  if (m < 0 || track.morphSpheres == nullptr || track.morphBoxes == nullptr ||
      (m > 0 && (track.morphVertices == nullptr || track.morphNormals == nullptr)))
    Refuse("The morph track of animation " + Quoted(owner.name) + " has no values");
  for (int32_t k = 0; m > 0 && k < track.keyCount; ++k)
    if (track.morphVertices[k] == nullptr || track.morphNormals[k] == nullptr)
      Refuse("The morph track of animation " + Quoted(owner.name) + " has no values");
  WriteFrames(out, track);
  WriteParams(out, track, "morph", owner);
  out.I32(m);
  for (int32_t k = 0; k < track.keyCount; ++k) {
    for (int32_t i = 0; i < m; ++i) out.Vec(track.morphVertices[k][i]);
    for (int32_t i = 0; i < m; ++i) out.Vec(track.morphNormals[k][i]);
    out.Vec(track.morphSpheres[k].center);
    out.F32(track.morphSpheres[k].radius);
    out.Vec(track.morphBoxes[k].min);
    out.Vec(track.morphBoxes[k].max);
  }
}

void WriteAnimations(ByteWriter& out, const KelmatScene& scene) {
  auto records = ForestRecords(scene.animations, scene.animationCount, "animation");
  out.I32(scene.animationCount);
  for (const KelmatAnimation* a : records) {
    out.Name(a->name);
    out.I32(a->parent != nullptr ? 1 : 0);
    if (a->parent != nullptr) out.Name(a->parent->name);
    out.Vec(a->pivot);
    out.I32(a->length);
    out.I32(a->segmentStart);
    out.I32(a->segmentEnd);
    WriteVectorTrack(out, a->position, "position", *a);
    WriteVectorTrack(out, a->scale, "scale", *a);
    WriteRotationTrack(out, a->rotation, *a);
    WriteHideTrack(out, a->hide, *a);
    WriteMorphTrack(out, a->morph, *a);
  }
}

void WriteCameras(ByteWriter& out, const KelmatScene& scene) {
  ListLength(scene.cameras, scene.cameraCount, "camera");
  out.I32(scene.cameraCount);
  for (const KelmatCamera* c = scene.cameras; c != nullptr; c = c->next) {
    out.Name(c->name);
    out.Vec(c->position);
    out.Vec(c->target);
    out.F32(c->a);
    out.F32(c->b);
    out.F32(c->roll);
    out.F32(c->fieldOfView);
  }
}

void WriteLights(ByteWriter& out, const KelmatScene& scene) {
  ListLength(scene.lights, scene.lightCount, "light");
  out.I32(scene.lightCount);
  for (const KelmatLight* l = scene.lights; l != nullptr; l = l->next) {
    out.Name(l->name);
    out.Vec(l->position);
    for (int i = 0; i < 3; ++i) out.U8(l->color[i]);
    out.F32(l->innerRange);
    out.F32(l->outerRange);
    out.F32(l->multiplier);
    out.I32(l->off);
    out.I32(l->attenuate);
    const bool spot = l->kind == KELMAT_LIGHT_SPOT;
    out.I32(spot ? 1 : 0);
    if (spot) {
      out.Vec(l->target);
      out.F32(l->hotspot);
      out.F32(l->falloff);
    }
  }
}

void BuildFile(ByteWriter& out, const KelmatScene& scene, Kind kind) {
  WriteBanner(out, kind);
  switch (kind) {
    case Kind::Object:
      WriteMaterials(out, scene);
      WriteObjects(out, scene, false);
      break;
    case Kind::Animation:
      WriteAnimations(out, scene);
      break;
    case Kind::Camera:
      WriteCameras(out, scene);
      break;
    case Kind::Light:
      WriteLights(out, scene);
      break;
    case Kind::Scene:
      WriteCameras(out, scene);
      WriteLights(out, scene);
      WriteMaterials(out, scene);
      WriteObjects(out, scene, true);
      WriteAnimations(out, scene);
      break;
  }
}

int Save(KelmatScene* scene, const char* path, Kind kind) {
  if (path == nullptr) {
    Kelmat_Set_Last_Error("Can't create file %s !", "(null)");
    return 0;
  }
  std::printf("Saving %s...\n", path);
  std::fflush(stdout);
  if (scene == nullptr) {
    Kelmat_Set_Last_Error("No scene to save in %s", path);
    return 0;
  }
  ByteWriter out;
  try {
    BuildFile(out, *scene, kind);
  } catch (const WriteRefused& refused) {
    Kelmat_Set_Last_Error("Can't save %s: %s", path, refused.message.c_str());
    return 0;
  } catch (...) {
    Kelmat_Set_Last_Error("Not enough memory");
    return 0;
  }
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) {
    Kelmat_Set_Last_Error("Can't create file %s !", path);
    return 0;
  }
  const auto& data = out.Data();
  bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
  written = (std::fclose(file) == 0) && written;
  if (!written) {
    Kelmat_Set_Last_Error("Can't write file %s !", path);
    return 0;
  }
  return 1;
}

}  // namespace

extern "C" {

KELMAT_API int Kelmat_Save_O3d(KelmatScene* scene, const char* path) {
  return Save(scene, path, Kind::Object);
}
KELMAT_API int Kelmat_Save_A3d(KelmatScene* scene, const char* path) {
  return Save(scene, path, Kind::Animation);
}
KELMAT_API int Kelmat_Save_C3d(KelmatScene* scene, const char* path) {
  return Save(scene, path, Kind::Camera);
}
KELMAT_API int Kelmat_Save_L3d(KelmatScene* scene, const char* path) {
  return Save(scene, path, Kind::Light);
}
KELMAT_API int Kelmat_Save_S3d(KelmatScene* scene, const char* path) {
  return Save(scene, path, Kind::Scene);
}

}  // extern "C"
