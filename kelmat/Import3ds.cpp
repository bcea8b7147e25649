// Import of 3D Studio files into a scene: materials, geometry (through the
// keyframer's object nodes or straight from the named objects), cameras,
// lights, and the keyframer's tracks, morph targets and hierarchy.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "kelmat/SceneWalk.h"
#include "kelmat/ftk/FtkError.h"
#include "kelmat/ftk/FtkRecords.h"
#include "kelmat/kelmat.h"

namespace {

using kelmat::CopyName;

template <class T>
T* NewRecords(std::size_t count = 1) {
  return static_cast<T*>(std::calloc(count == 0 ? 1 : count, sizeof(T)));
}

// The import's failures: the message goes to the last-error text.
struct ImportError {};

[[noreturn]] void Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Fail(const char* format, ...) {
  char text[KELMAT_LAST_ERROR_SIZE];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  Kelmat_Set_Last_Error("%s", text);
  throw ImportError{};
}

[[noreturn]] void OutOfMemory() { Fail("Not enough memory"); }

template <class T>
T* Allocate(std::size_t count = 1) {
  T* p = NewRecords<T>(count);
  if (p == nullptr) OutOfMemory();
  return p;
}

// A toolkit read that failed after the database was made: the record is
// incomplete and must not be used.
[[noreturn]] void ToolkitFailure(const char* what, const std::string& name) {
  const int count = ftk::ErrorCount();
  const char* text = count > 0 ? ftk::GetError(count - 1).text : ftk::ErrorText(ftk::ERR_READING_FILE);
  Fail("Can't read %s %s: %s", what, name.c_str(), text);
}

// Float to int as a C truncation would, but defined for every input.
int32_t Truncate(float v) {
  if (!(v == v)) return 0;
  if (v >= 2147483520.0f) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

uint8_t ColorByte(float fraction) {
  const int32_t v = Truncate(fraction * 255.0f);
  return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

KelmatVector Scaled(const float* v, float scale) { return {v[0] * scale, v[1] * scale, v[2] * scale}; }

void Identity(float* m) { Kelmat_Matrix_Init(m); }

template <class Record>
void InsertAtHead(Record*& head, int32_t& count, Record* record) {
  record->next = head;
  record->previous = nullptr;
  if (head != nullptr) head->previous = record;
  head = record;
  ++count;
}

struct Import {
  KelmatScene* scene;
  float scale;
  int32_t weldObjects;
  float weldDistance;
  ftk::Database db;
  ftk::KeyframerSettings settings;
};

// ---- materials ----------------------------------------------------------------

void ImportMaterials(Import& im) {
  const int count = ftk::MaterialCount(im.db);
  for (int i = 0; i < count; ++i) {
    ftk::Material src;
    if (!ftk::GetMaterial(im.db, i, src)) ToolkitFailure("material", std::to_string(i));
    KelmatMaterial* m = Allocate<KelmatMaterial>();
    CopyName(m->name, src.name.c_str());
    if (src.selfIllum != 0.0f) {
      m->type = MATERIAL_SELF_ILLUM;
    } else {
      m->type = src.shading == 2 ? MATERIAL_GOURAUD : src.shading == 3 ? MATERIAL_GOURAUD_RGB
                                                                       : MATERIAL_SELF_ILLUM;
    }
    const ftk::Color* colors[3] = {&src.ambient, &src.diffuse, &src.specular};
    uint8_t* fields[3] = {m->ambient, m->diffuse, m->specular};
    for (int c = 0; c < 3; ++c) {
      fields[c][0] = ColorByte(colors[c]->r);
      fields[c][1] = ColorByte(colors[c]->g);
      fields[c][2] = ColorByte(colors[c]->b);
      m->lightColor[c] = 255;
    }
    m->shininess = Truncate(src.shininess * 100.0f);
    m->shininessStrength = Truncate(src.shininessStrength * 100.0f);
    m->transparency = Truncate(src.transparency * 100.0f);
    m->twoSided = src.twoSided ? 1 : 0;
    m->binaryOpacity = 0;
    m->tiling = 1;
    InsertAtHead(im.scene->materials, im.scene->materialCount, m);
    if (!src.textureMap.empty()) {
      m->textureMap = Allocate<KelmatMap>();
      CopyName(m->textureMap->name, src.textureMap.c_str());
    }
    if (!src.shininessMap.empty()) {
      m->lightMap = Allocate<KelmatMap>();
      CopyName(m->lightMap->name, src.shininessMap.c_str());
    }
  }
}

// ---- geometry -------------------------------------------------------------------

// Holds a new object until it is in the scene, releasing it on failure.
struct PendingObject {
  KelmatObject* object = nullptr;
  ~PendingObject() { Kelmat_Release_Object(object); }
  KelmatObject* Release() {
    KelmatObject* o = object;
    object = nullptr;
    return o;
  }
};

struct PendingAnimation {
  KelmatAnimation* animation = nullptr;
  ~PendingAnimation() { Kelmat_Release_Animation(animation); }
  KelmatAnimation* Release() {
    KelmatAnimation* a = animation;
    animation = nullptr;
    return a;
  }
};

KelmatObject* NewObject(const std::string& name) {
  KelmatObject* o = Allocate<KelmatObject>();
  CopyName(o->name, name.c_str());
  Identity(o->localMatrix);
  Identity(o->inverseLocalMatrix);
  Identity(o->rotation);
  Identity(o->worldMatrix);
  o->scale = {1, 1, 1};
  return o;
}

void DuplicateTwoSided(Import& im, KelmatObject* o) {
  int32_t k = 0;
  for (int32_t f = 0; f < o->faceCount; ++f) k += o->faces[f].material->twoSided != 0;
  if (k == 0) return;
  if (im.weldObjects != 0 && !Kelmat_Weld_Object(o, im.weldDistance)) throw ImportError{};
  const int32_t n = o->vertexCount;
  KelmatVector** arrays[3] = {&o->vertices, &o->sourceVertices, &o->normals};
  for (KelmatVector** array : arrays) {
    auto* grown = static_cast<KelmatVector*>(std::realloc(*array, sizeof(KelmatVector) * 2 * (n > 0 ? n : 1)));
    if (grown == nullptr) OutOfMemory();
    *array = grown;
    std::memcpy(grown + n, grown, sizeof(KelmatVector) * n);
  }
  for (int32_t i = 0; i < n; ++i) {
    o->normals[n + i] = {-o->normals[i].x, -o->normals[i].y, -o->normals[i].z};
  }
  const int32_t faces = o->faceCount;
  auto* grown = static_cast<KelmatFace*>(std::realloc(o->faces, sizeof(KelmatFace) * (faces + k)));
  if (grown == nullptr) OutOfMemory();
  o->faces = grown;
  int32_t added = 0;
  for (int32_t f = 0; f < faces; ++f) {
    const KelmatFace& src = o->faces[f];
    if (src.material->twoSided == 0) continue;
    KelmatFace& dst = o->faces[faces + added];
    dst = KelmatFace{};
    dst.vertexCount = 3;
    dst.material = src.material;
    dst.normal = {-src.normal.x, -src.normal.y, -src.normal.z};
    dst.indices = static_cast<int32_t*>(std::malloc(3 * sizeof(int32_t)));
    if (dst.indices == nullptr) OutOfMemory();
    ++o->faceCount;  // counted at once so a failure below still releases it
    ++added;
    dst.indices[0] = src.indices[2] + n;
    dst.indices[1] = src.indices[1] + n;
    dst.indices[2] = src.indices[0] + n;
    if (src.mapping != nullptr) {
      dst.mapping = static_cast<float*>(std::malloc(6 * sizeof(float)));
      if (dst.mapping == nullptr) OutOfMemory();
      for (int c = 0; c < 3; ++c) {
        dst.mapping[2 * c] = src.mapping[2 * (2 - c)];
        dst.mapping[2 * c + 1] = src.mapping[2 * (2 - c) + 1];
      }
    }
  }
  o->vertexCount = 2 * n;
}

KelmatMaterial* DefaultMaterial(Import& im) {
  KelmatMaterial* m = Kelmat_Scene_Get_Material(im.scene, "DEFAULT");
  if (m != nullptr) return m;
  if (!Kelmat_Scene_Create_Default_Material(im.scene)) Fail("Can't create default material");
  m = Kelmat_Scene_Get_Material(im.scene, "DEFAULT");
  if (m == nullptr) Fail("Can't create default material");
  return m;
}

// Fills an object's geometry from a mesh, with the given local matrix.
void BuildGeometry(Import& im, KelmatObject* o, const ftk::Mesh& mesh) {
  Kelmat_Matrix_Inverse(o->inverseLocalMatrix, o->localMatrix);
  const int32_t n = static_cast<int32_t>(mesh.VertexCount());
  o->vertices = Allocate<KelmatVector>(n);
  o->sourceVertices = Allocate<KelmatVector>(n);
  o->normals = Allocate<KelmatVector>(n);
  o->vertexCount = n;
  for (int32_t i = 0; i < n; ++i) {
    o->sourceVertices[i] = Scaled(&mesh.vertices[3 * i], im.scale);
    Kelmat_Vector_Matrix_Mult(&o->vertices[i], &o->sourceVertices[i], o->inverseLocalMatrix);
  }
  const int32_t faceCount = static_cast<int32_t>(mesh.faces.size());
  o->faces = Allocate<KelmatFace>(faceCount);
  const std::size_t mapped = mesh.MappingCount();
  for (int32_t f = 0; f < faceCount; ++f) {
    const ftk::Triangle& t = mesh.faces[f];
    const uint16_t corner[3] = {t.a, t.b, t.c};
    for (uint16_t v : corner) {
      if (v >= n) Fail("Face %d of %s uses vertex %d of %d", f, o->name, v, n);
    }
    KelmatFace& face = o->faces[f];
    face.indices = Allocate<int32_t>(3);
    ++o->faceCount;
    face.vertexCount = 3;
    for (int c = 0; c < 3; ++c) face.indices[c] = corner[c];
    const KelmatVector& v0 = o->vertices[t.a];
    const KelmatVector& v1 = o->vertices[t.b];
    const KelmatVector& v2 = o->vertices[t.c];
    KelmatVector e1 = {v1.x - v0.x, v1.y - v0.y, v1.z - v0.z};
    KelmatVector e2 = {v2.x - v0.x, v2.y - v0.y, v2.z - v0.z};
    Kelmat_Vector_Cross(&face.normal, &e1, &e2);
    Kelmat_Vector_Normalize(&face.normal);
    // Texture coordinates are looked up by vertex; a face with a vertex
    // beyond the coordinate list stays unmapped.
    if (mapped > 0 && t.a < mapped && t.b < mapped && t.c < mapped) {
      face.mapping = Allocate<float>(6);
      for (int c = 0; c < 3; ++c) {
        face.mapping[2 * c] = mesh.mapping[2 * corner[c]];
        face.mapping[2 * c + 1] = mesh.mapping[2 * corner[c] + 1];
      }
    }
  }
  std::size_t grouped = 0;
  for (const ftk::MaterialGroup& group : mesh.groups) {
    KelmatMaterial* m = Kelmat_Scene_Get_Material(im.scene, group.name.c_str());
    if (m == nullptr) Fail("Can't find material %s", group.name.c_str());
    for (uint16_t f : group.faces) {
      if (f >= faceCount) Fail("Material group %s of %s names face %d of %d", group.name.c_str(), o->name, f, faceCount);
      o->faces[f].material = m;
    }
    grouped += group.faces.size();
  }
  bool bare = false;
  for (int32_t f = 0; f < faceCount; ++f) bare = bare || o->faces[f].material == nullptr;
  if (grouped != static_cast<std::size_t>(faceCount) || bare) {
    KelmatMaterial* m = DefaultMaterial(im);
    for (int32_t f = 0; f < faceCount; ++f)
      if (o->faces[f].material == nullptr) o->faces[f].material = m;
  }
  if (!Kelmat_Object_Calculate_Vertex_Normal(o)) Fail("Can't calculate vertex normal");
  DuplicateTwoSided(im, o);
  if (o->vertexCount > 0) {
    Kelmat_Object_Calculate_Bounding_Box(o);
    Kelmat_Object_Calculate_Bounding_Sphere(o);
  }
}

KelmatAnimation* NewAnimation(Import& im, const std::string& name, const KelmatVector& pivot) {
  KelmatAnimation* a = Allocate<KelmatAnimation>();
  CopyName(a->name, name.c_str());
  a->pivot = pivot;
  a->length = static_cast<int32_t>(im.settings.length);
  a->segmentStart = static_cast<int32_t>(im.settings.segmentStart);
  a->segmentEnd = static_cast<int32_t>(im.settings.segmentEnd);
  return a;
}

// Frames, flags and (unless skipped) spline parameters of a track.
void FillKeys(KelmatTrack& track, const ftk::Track& src, bool withParams) {
  const std::size_t n = src.keys.size();
  track.flags = static_cast<int16_t>(src.flags);
  if (n == 0) return;
  if (n > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) OutOfMemory();
  track.frames = Allocate<int32_t>(n);
  if (withParams) track.params = Allocate<KelmatKeyParams>(n);
  track.keyCount = static_cast<int32_t>(n);
  for (std::size_t k = 0; k < n; ++k) {
    const ftk::Key& key = src.keys[k];
    track.frames[k] = static_cast<int32_t>(key.frame);
    if (withParams) track.params[k] = {key.tension, key.continuity, key.bias, key.easeTo, key.easeFrom};
  }
}

void FillTracks(Import& im, KelmatAnimation* a, const ftk::Node& node) {
  // Position.
  FillKeys(a->position, node.position, true);
  if (a->position.keyCount > 0) {
    a->position.vectors = Allocate<KelmatVector>(a->position.keyCount);
    for (int32_t k = 0; k < a->position.keyCount; ++k)
      a->position.vectors[k] = Scaled(&node.position.values[3 * k], im.scale);
  }
  // Scale.
  FillKeys(a->scale, node.scale, true);
  if (a->scale.keyCount > 0) {
    a->scale.vectors = Allocate<KelmatVector>(a->scale.keyCount);
    for (int32_t k = 0; k < a->scale.keyCount; ++k) a->scale.vectors[k] = Scaled(&node.scale.values[3 * k], 1.0f);
  }
  // Rotation: relative keys composed into absolute orientations, kept in one
  // hemisphere.
  FillKeys(a->rotation, node.rotation, true);
  if (a->rotation.keyCount > 0) {
    KelmatQuaternion* q = Allocate<KelmatQuaternion>(a->rotation.keyCount);
    a->rotation.quaternions = q;
    for (int32_t k = 0; k < a->rotation.keyCount; ++k) {
      const float* v = &node.rotation.values[4 * k];
      Kelmat_Quaternion_Set(&q[k], v[0], v[1], v[2], v[3]);
    }
    for (int32_t k = 1; k < a->rotation.keyCount; ++k) {
      KelmatQuaternion composed;
      Kelmat_Quaternion_Cross(&composed, &q[k - 1], &q[k]);
      q[k] = composed;
      KelmatQuaternion sum, diff;
      Kelmat_Quaternion_Add(&sum, &q[k - 1], &q[k]);
      Kelmat_Quaternion_Sub(&diff, &q[k - 1], &q[k]);
      if (Kelmat_Quaternion_Dot(&sum, &sum) < Kelmat_Quaternion_Dot(&diff, &diff)) Kelmat_Quaternion_Neg(&q[k]);
    }
  }
  // Hide: states alternate from 1; a leading shown key when the first source
  // key is not at frame 0.
  const std::size_t hideKeys = node.hide.keys.size();
  a->hide.flags = static_cast<int16_t>(node.hide.flags);
  if (hideKeys > 0) {
    const bool lead = node.hide.keys[0].frame != 0;
    const std::size_t n = hideKeys + (lead ? 1 : 0);
    if (n > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) OutOfMemory();
    a->hide.frames = Allocate<int32_t>(n);
    a->hide.states = Allocate<int32_t>(n);
    a->hide.keyCount = static_cast<int32_t>(n);
    std::size_t at = 0;
    if (lead) {
      a->hide.frames[0] = 0;
      a->hide.states[0] = 0;
      at = 1;
    }
    for (std::size_t k = 0; k < hideKeys; ++k, ++at) {
      a->hide.frames[at] = static_cast<int32_t>(node.hide.keys[k].frame);
      a->hide.states[at] = (k % 2 == 0) ? 1 : 0;
    }
  }
  // Morph: frames and parameters now, geometry in the morph pass.
  FillKeys(a->morph, node.morph, true);
  if (a->morph.keyCount > 0) {
    a->morph.morphVertices = Allocate<KelmatVector*>(a->morph.keyCount);
    a->morph.morphNormals = Allocate<KelmatVector*>(a->morph.keyCount);
    a->morph.morphSpheres = Allocate<KelmatSphere>(a->morph.keyCount);
    a->morph.morphBoxes = Allocate<KelmatBox>(a->morph.keyCount);
  }
}

// Value of a node's first position key (unscaled); false when it has none.
bool FirstPosition(const ftk::Node& node, float out[3]) {
  if (node.position.keys.empty()) return false;
  std::memcpy(out, node.position.values.data(), 3 * sizeof(float));
  return true;
}

// The origin the mesh takes when its own is exactly zero: the node's first
// position minus its pivot plus the first positions of all its ancestors.
void NodeOrigin(Import& im, const ftk::Node& node, float origin[3]) {
  float p[3];
  if (!FirstPosition(node, p)) return;  // no position keys: keep the mesh origin
  for (int c = 0; c < 3; ++c) origin[c] = p[c] - node.pivot[c];
  std::string parent = node.parentName;
  // A parent chain can only be as long as there are nodes; a longer one loops.
  for (std::size_t steps = 0; !parent.empty() && steps < im.db.nodeLinks.size(); ++steps) {
    ftk::Node ancestor;
    const int before = ftk::ErrorCount();
    if (!ftk::GetNodeByName(im.db, parent, ancestor)) {
      if (ftk::ErrorCount() != before) ToolkitFailure("node", parent);
      break;
    }
    if (FirstPosition(ancestor, p)) {
      for (int c = 0; c < 3; ++c) origin[c] += p[c];
    }
    parent = ancestor.parentName;
  }
}

void ImportKeyframerGeometry(Import& im) {
  const int count = ftk::ObjectNodeCount(im.db);
  for (int i = 0; i < count; ++i) {
    ftk::Node node;
    if (!ftk::GetObjectNode(im.db, i, node)) ToolkitFailure("node", std::to_string(i));
    const std::string name = node.FullName();
    PendingObject pending;
    pending.object = NewObject(name);
    KelmatObject* o = pending.object;
    const int named = ftk::FindNamedObject(im.db, node.name);
    if (named != ftk::kNoChunk && ftk::FindChild(im.db, named, ftk::N_TRI_OBJECT) != ftk::kNoChunk) {
      ftk::Mesh mesh;
      if (!ftk::GetMeshByName(im.db, node.name, mesh)) ToolkitFailure("mesh", node.name);
      float origin[3] = {mesh.matrix[9], mesh.matrix[10], mesh.matrix[11]};
      if (origin[0] == 0.0f && origin[1] == 0.0f && origin[2] == 0.0f) NodeOrigin(im, node, origin);
      for (int row = 0; row < 3; ++row)
        for (int c = 0; c < 3; ++c) o->localMatrix[4 * row + c] = mesh.matrix[3 * row + c];
      for (int c = 0; c < 3; ++c) o->localMatrix[12 + c] = im.scale * origin[c];
      BuildGeometry(im, o, mesh);
    }
    o->pivot = Scaled(node.pivot, im.scale);
    PendingAnimation anim;
    anim.animation = NewAnimation(im, name, o->pivot);
    FillTracks(im, anim.animation, node);
    InsertAtHead(im.scene->objects, im.scene->objectCount, pending.Release());
    InsertAtHead(im.scene->animations, im.scene->animationCount, anim.Release());
  }
}

void ImportDirectGeometry(Import& im) {
  const int count = ftk::MeshCount(im.db);
  for (int i = 0; i < count; ++i) {
    ftk::Mesh mesh;
    if (!ftk::GetMesh(im.db, i, mesh)) ToolkitFailure("mesh", std::to_string(i));
    PendingObject pending;
    pending.object = NewObject(mesh.name);
    BuildGeometry(im, pending.object, mesh);
    PendingAnimation anim;
    anim.animation = NewAnimation(im, mesh.name, KelmatVector{0, 0, 0});
    InsertAtHead(im.scene->objects, im.scene->objectCount, pending.Release());
    InsertAtHead(im.scene->animations, im.scene->animationCount, anim.Release());
  }
}

// ---- cameras and lights -------------------------------------------------------

void DirectionAngles(const KelmatVector& from, const KelmatVector& to, float& a, float& b) {
  KelmatVector d = {to.x - from.x, to.y - from.y, to.z - from.z};
  Kelmat_Vector_Normalize(&d);
  Kelmat_Convert_Vector_To_Polar(&d, &a, &b);
}

void ImportCameras(Import& im) {
  const int count = ftk::CameraCount(im.db);
  for (int i = 0; i < count; ++i) {
    ftk::Camera src;
    if (!ftk::GetCamera(im.db, i, src)) ToolkitFailure("camera", std::to_string(i));
    KelmatCamera* c = Allocate<KelmatCamera>();
    c->kind = KELMAT_CAMERA_KIND;
    CopyName(c->name, src.name.c_str());
    c->position = Scaled(src.position, im.scale);
    c->target = Scaled(src.target, im.scale);
    DirectionAngles(c->position, c->target, c->a, c->b);
    c->roll = static_cast<float>(src.roll * 3.1415926535 * (1.0 / 180));
    const float view = 2400.0f / src.lens;
    c->fieldOfView = static_cast<float>(view * 3.1415926535 * (1.0 / 180));
    InsertAtHead(im.scene->cameras, im.scene->cameraCount, c);
  }
}

void ImportLight(Import& im, const ftk::Light& src) {
  KelmatLight* l = Allocate<KelmatLight>();
  l->kind = src.spot ? KELMAT_LIGHT_SPOT : KELMAT_LIGHT_OMNI;
  CopyName(l->name, src.name.c_str());
  l->position = Scaled(src.position, im.scale);
  l->color[0] = ColorByte(src.color.r);
  l->color[1] = ColorByte(src.color.g);
  l->color[2] = ColorByte(src.color.b);
  l->multiplier = src.multiplier;
  l->off = src.off ? 1 : 0;
  l->attenuate = src.attenuate ? 1 : 0;
  l->innerRange = im.scale * src.innerRange;
  l->outerRange = im.scale * src.outerRange;
  if (src.spot) {
    l->target = Scaled(src.target, im.scale);
    DirectionAngles(l->position, l->target, l->a, l->b);
    l->hotspot = src.hotspot;
    l->falloff = src.falloff;
  }
  InsertAtHead(im.scene->lights, im.scene->lightCount, l);
  for (KelmatObject* o = im.scene->objects; o != nullptr; o = o->next) {
    bool excluded = false;
    for (const std::string& name : src.excludes) excluded = excluded || kelmat::NameEquals(o->name, name.c_str());
    if (!excluded && !Kelmat_Light_Include_Object(l, o)) Fail("Can't include object into light");
  }
}

void ImportLights(Import& im) {
  const int omni = ftk::OmniLightCount(im.db);
  for (int i = 0; i < omni; ++i) {
    ftk::Light src;
    if (!ftk::GetOmniLight(im.db, i, src)) ToolkitFailure("light", std::to_string(i));
    ImportLight(im, src);
  }
  const int spot = ftk::SpotLightCount(im.db);
  for (int i = 0; i < spot; ++i) {
    ftk::Light src;
    if (!ftk::GetSpotLight(im.db, i, src)) ToolkitFailure("spot light", std::to_string(i));
    ImportLight(im, src);
  }
}

// ---- morph and hierarchy passes ---------------------------------------------------

template <class T>
T* CopyArray(const T* src, int32_t count) {
  T* dst = Allocate<T>(static_cast<std::size_t>(count));
  if (count > 0) std::memcpy(dst, src, sizeof(T) * static_cast<std::size_t>(count));
  return dst;
}

// Takes a record out of its forest (its children become roots) and releases it.
void RemoveObject(KelmatScene* scene, KelmatObject* o) {
  while (o->firstChild != nullptr) Kelmat_Object_Unlink(o->firstChild, scene);
  if (o->parent != nullptr) {
    Kelmat_Object_Unlink(o, scene);
  }
  if (o->previous != nullptr) o->previous->next = o->next;
  if (o->next != nullptr) o->next->previous = o->previous;
  if (scene->objects == o) scene->objects = o->next;
  --scene->objectCount;
  o->next = o->previous = nullptr;
  Kelmat_Release_Object(o);
}

void RemoveAnimation(KelmatScene* scene, KelmatAnimation* a) {
  while (a->firstChild != nullptr) Kelmat_Animation_Unlink(a->firstChild, scene);
  if (a->parent != nullptr) {
    Kelmat_Animation_Unlink(a, scene);
  }
  if (a->previous != nullptr) a->previous->next = a->next;
  if (a->next != nullptr) a->next->previous = a->previous;
  if (scene->animations == a) scene->animations = a->next;
  --scene->animationCount;
  a->next = a->previous = nullptr;
  Kelmat_Release_Animation(a);
}

std::vector<ftk::Node> ReadNodes(Import& im) {
  std::vector<ftk::Node> nodes(static_cast<std::size_t>(ftk::ObjectNodeCount(im.db)));
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    if (!ftk::GetObjectNode(im.db, static_cast<int>(i), nodes[i])) ToolkitFailure("node", std::to_string(i));
  }
  return nodes;
}

void MorphAndHierarchy(Import& im) {
  KelmatScene* scene = im.scene;
  const std::vector<ftk::Node> nodes = ReadNodes(im);
  // 1. Morph geometry.
  for (const ftk::Node& node : nodes) {
    const std::string name = node.FullName();
    KelmatObject* o = Kelmat_Scene_Get_Object(scene, name.c_str());
    if (o == nullptr) Fail("Can't find object %s", name.c_str());
    KelmatAnimation* a = Kelmat_Scene_Get_Animation(scene, name.c_str());
    if (a == nullptr) Fail("Can't find animation %s", name.c_str());
    KelmatTrack& track = a->morph;
    for (int32_t k = 0; k < track.keyCount && static_cast<std::size_t>(k) < node.morph.morphNames.size(); ++k) {
      const std::string& targetName = node.morph.morphNames[k];
      KelmatObject* target = Kelmat_Scene_Get_Object(scene, targetName.c_str());
      if (target == nullptr) Fail("Can't find morph object %s", targetName.c_str());
      if (Kelmat_Scene_Get_Animation(scene, targetName.c_str()) == nullptr)
        Fail("Can't find morph animation %s", targetName.c_str());
      // One vertex count per track: every key must hold as many vertices.
      if (k > 0 && target->vertexCount != track.morphVertexCount)
        Fail("Morph object %s has %d vertices, not %d", targetName.c_str(), target->vertexCount,
             track.morphVertexCount);
      const int32_t first = target->welded ? target->firstVertex : 0;
      std::free(track.morphVertices[k]);
      std::free(track.morphNormals[k]);
      track.morphVertices[k] = nullptr;
      track.morphNormals[k] = nullptr;
      track.morphVertexCount = target->vertexCount;
      track.morphVertices[k] = CopyArray(target->vertices + first, target->vertexCount);
      track.morphNormals[k] = CopyArray(target->normals + first, target->vertexCount);
      track.morphSpheres[k] = {target->sphereCenter, target->sphereRadius};
      track.morphBoxes[k] = {target->boxMin, target->boxMax};
    }
  }
  // 2. Morph targets leave the scene.
  for (const ftk::Node& node : nodes) {
    const std::string name = node.FullName();
    KelmatObject* o = Kelmat_Scene_Get_Object(scene, name.c_str());
    KelmatAnimation* a = Kelmat_Scene_Get_Animation(scene, name.c_str());
    if (o == nullptr || a == nullptr) continue;
    for (const std::string& targetName : node.morph.morphNames) {
      KelmatObject* target = Kelmat_Scene_Get_Object(scene, targetName.c_str());
      KelmatAnimation* targetAnim = Kelmat_Scene_Get_Animation(scene, targetName.c_str());
      if (target == nullptr || targetAnim == nullptr || target == o) continue;
      RemoveObject(scene, target);
      RemoveAnimation(scene, targetAnim);
    }
  }
  // 3. Hierarchy.
  for (const ftk::Node& node : nodes) {
    const std::string name = node.FullName();
    KelmatObject* o = Kelmat_Scene_Get_Object(scene, name.c_str());
    KelmatAnimation* a = Kelmat_Scene_Get_Animation(scene, name.c_str());
    if (o == nullptr || a == nullptr || node.parentName.empty()) continue;
    const char* parentName = node.parentName.c_str();
    KelmatObject* parent = Kelmat_Scene_Get_Object(scene, parentName);
    if (parent == nullptr) Fail("Can't find parent object %s", parentName);
    if (!Kelmat_Object_Link(o, parent, scene)) Fail("Can't link object %s to object %s", name.c_str(), parentName);
    KelmatAnimation* parentAnim = Kelmat_Scene_Get_Animation(scene, parentName);
    if (parentAnim == nullptr) Fail("Can't find parent animation %s", parentName);
    if (!Kelmat_Animation_Link(a, parentAnim, scene))
      Fail("Can't link animation %s to animation %s", name.c_str(), parentName);
  }
}

// Closes the file and lets the database go when the import ends, however it ends.
struct OpenImport {
  Import im;
  ftk::File* file = nullptr;
  ~OpenImport() {
    im.db = ftk::Database{};
    if (file != nullptr) ftk::CloseFile(file);
  }
};

void ReportToolkit(const char* path) {
  const int count = ftk::ErrorCount();
  const char* text = count > 0 ? ftk::GetError(0).text : ftk::ErrorText(ftk::ERR_READING_FILE);
  Kelmat_Set_Last_Error("Can't read 3D Studio file %s: %s", path, text);
}

int Load(const char* path, KelmatScene* scene, float scale, int32_t weldObjects, float weldDistance,
         int32_t noKeyframer, int32_t weldNormals) {
  ftk::ClearErrors();
  OpenImport open;
  Import& im = open.im;
  im.scene = scene;
  im.scale = scale;
  im.weldObjects = weldObjects;
  im.weldDistance = weldDistance;
  open.file = ftk::OpenFile(path, "rb");
  if (open.file == nullptr || ftk::ErrorPending()) {
    ReportToolkit(path);
    return 0;
  }
  if (!ftk::CreateDatabase(open.file, im.db) || ftk::ErrorPending()) {
    ReportToolkit(path);
    return 0;
  }
  ImportMaterials(im);
  // The settings of a file without keyframer are the defaults.
  ftk::GetKeyframerSettings(im.db, im.settings);
  if (noKeyframer == 0) {
    ImportKeyframerGeometry(im);
  } else {
    ImportDirectGeometry(im);
  }
  ImportCameras(im);
  ImportLights(im);
  if (weldObjects != 0 && !Kelmat_Weld_Object_Into_Scene(scene, weldDistance)) return 0;
  if (weldNormals != 0 && !Kelmat_Weld_Normal_Into_Scene(scene, weldDistance)) return 0;
  if (noKeyframer == 0) MorphAndHierarchy(im);
  if (!Kelmat_Check_Double(scene)) return 0;
  for (KelmatObject* o = scene->objects; o != nullptr; o = o->next) {
    Kelmat_Object_Animate(o, Kelmat_Scene_Get_Animation(scene, o->name), 0.0f, 1);
    Kelmat_Object_Update_Animation(o);
  }
  return 1;
}

}  // namespace

extern "C" KELMAT_API int Kelmat_Load_3ds(const char* path, KelmatScene* scene, float scale,
                                          int32_t weldObjects, float weldDistance, int32_t noKeyframer,
                                          int32_t weldNormals) {
  if (path == nullptr || scene == nullptr) {
    Kelmat_Set_Last_Error("Can't import: no file or no scene");
    return 0;
  }
  try {
    return Load(path, scene, scale, weldObjects, weldDistance, noKeyframer, weldNormals);
  } catch (const ImportError&) {
    return 0;
  } catch (const std::bad_alloc&) {
    Kelmat_Set_Last_Error("Not enough memory");
    return 0;
  } catch (...) {
    Kelmat_Set_Last_Error("Can't import %s", path);
    return 0;
  }
}
