// Loaders of the five engine asset files (.o3d, .a3d, .c3d, .l3d, .s3d) and of .dmf textures.
//
// A file is read whole through the lent functions, parsed into staged records with every count,
// index and length checked against the bytes, and only then linked into the scene: a bad file
// adds nothing and the staged records are freed.
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "zelt/Dmf.h"
#include "zelt/Guard.h"
#include "zelt/Kernel.h"
#include "zelt/Loaders.h"

namespace zelt {

namespace {

struct BadFile {};

constexpr int kMaxFaceCorners = 1024;

// Little-endian reader that refuses to run past the end.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : p_(data), n_(size) {}
  std::size_t remaining() const { return n_ - pos_; }
  bool atEnd() const { return pos_ == n_; }
  void need(std::uint64_t bytes) const {
    if (bytes > remaining()) throw BadFile{};
  }
  std::uint8_t u8() {
    need(1);
    return p_[pos_++];
  }
  std::int32_t i32() {
    need(4);
    std::uint32_t v = static_cast<std::uint32_t>(p_[pos_]) | static_cast<std::uint32_t>(p_[pos_ + 1]) << 8 |
                      static_cast<std::uint32_t>(p_[pos_ + 2]) << 16 | static_cast<std::uint32_t>(p_[pos_ + 3]) << 24;
    pos_ += 4;
    return static_cast<std::int32_t>(v);
  }
  float f32() {
    std::uint32_t bits = static_cast<std::uint32_t>(i32());
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
  }
  // A count whose records take at least minBytes each must fit in what is left.
  int count(std::uint64_t minBytes) {
    std::int32_t c = i32();
    if (c < 0) throw BadFile{};
    need(static_cast<std::uint64_t>(c) * minBytes);
    return c;
  }
  int flag() {
    std::int32_t v = i32();
    if (v != 0 && v != 1) throw BadFile{};
    return v;
  }
  // A 32-byte name field: a terminator must lie inside it.
  void name(char* out, std::size_t outSize) {
    need(32);
    const char* s = reinterpret_cast<const char*>(p_ + pos_);
    std::size_t len = strnlen(s, 32);
    if (len == 32) throw BadFile{};
    std::size_t copy = len < outSize - 1 ? len : outSize - 1;
    std::memcpy(out, s, copy);
    out[copy] = 0;
    pos_ += 32;
  }
  ZeltVector vec() {
    ZeltVector v;
    v.x = f32();
    v.y = f32();
    v.z = f32();
    return v;
  }
  void banner(char kind) {
    need(32);
    const char* s = reinterpret_cast<const char*>(p_);
    std::size_t len = strnlen(s, 32);
    if (len == 32 || len < 3 || s[len - 3] != '(' || s[len - 2] != kind || s[len - 1] != ')') throw BadFile{};
    pos_ = 32;
  }

 private:
  const std::uint8_t* p_;
  std::size_t n_;
  std::size_t pos_ = 0;
};

template <class T>
struct Destroyer {
  void operator()(T* p) const { destroy(p); }
};
template <class T>
using Owned = std::unique_ptr<T, Destroyer<T>>;

// The whole file through the lent functions; false with the last error set.
class FileBytes {
 public:
  bool read(const char* path) {
    const Lent& l = state().lent;
    if (!path || !l.open || !l.readAll || !l.close) {
      setError(ZELT_ERR_OPEN, nullptr, path ? path : "");
      return false;
    }
    handle_ = l.open(path, "rb");
    if (!handle_) {
      setError(ZELT_ERR_OPEN, nullptr, path);
      return false;
    }
    void* buffer = nullptr;
    int size = 0;
    if (!l.readAll(handle_, &buffer, &size)) {
      handle_ = nullptr;  // a failed read already closed it
      setError(ZELT_ERR_OPEN, nullptr, path);
      return false;
    }
    if (size < 0 || (size > 0 && !buffer)) {
      setError(ZELT_ERR_BAD_FILE, nullptr, path);
      return false;
    }
    data_ = static_cast<const std::uint8_t*>(buffer);
    size_ = static_cast<std::size_t>(size);
    return true;
  }
  ~FileBytes() {
    if (handle_) state().lent.close(handle_);
  }
  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  void* handle_ = nullptr;
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace

bool sameNameIgnoringCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    char ca = *a >= 'A' && *a <= 'Z' ? static_cast<char>(*a + 32) : *a;
    char cb = *b >= 'A' && *b <= 'Z' ? static_cast<char>(*b + 32) : *b;
    if (ca != cb) return false;
    if (!ca) return true;
  }
}

namespace {

// "wood.bmp" -> "wood.dmf"; a name without extension gets one.
std::string textureFileName(const char* mapName) {
  std::string s = mapName;
  size_t slash = s.find_last_of("/\\");
  size_t dot = s.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) s.erase(dot);
  return s + ".dmf";
}

// ------------------------------------------------------------------------------------------
// Staged contents of one file

struct Staged {
  KVec<Owned<KMaterial>> materials;
  KVec<Owned<KCamera>> cameras;
  KVec<Owned<KLight>> lights;
  KVec<Owned<KObject>> objects;      // pre-order
  KVec<Owned<KAnimation>> animations;
  KVec<Owned<KMap>> maps;            // textures loaded for the materials
};

void readMaterials(Reader& r, Staged& st, KScene* scene) {
  int n = r.count(32 + 4 + 12 + 5 * 4 + 8);
  for (int i = 0; i < n; ++i) {
    Owned<KMaterial> m(create<KMaterial>());
    m->scene = scene;
    r.name(m->materialName, sizeof m->materialName);
    m->type = r.i32();
    if (m->type < 0 || m->type > 2) throw BadFile{};
    std::uint8_t* colours[4] = {&m->ambient.r, &m->diffuse.r, &m->specular.r, &m->lightColour.r};
    for (std::uint8_t* c : colours) {
      ZeltRgb* rgb = reinterpret_cast<ZeltRgb*>(c);
      rgb->r = r.u8();
      rgb->g = r.u8();
      rgb->b = r.u8();
    }
    m->shininess = r.i32();
    m->shininessStrength = r.i32();
    m->transparency = r.i32();  // kept as written: imports carry values outside 0..100
    m->binaryOpacity = r.flag();
    m->tiling = r.i32();
    if (r.flag()) {
      r.name(m->mapName, sizeof m->mapName);
      (void)r.i32();  // reflection
    }
    if (r.flag()) {
      char lightMap[32];
      r.name(lightMap, sizeof lightMap);
      (void)r.i32();
    }
    m->defaultMode = m->type;
    m->kind = m->binaryOpacity ? 3 : 0;
    st.materials.push_back(std::move(m));
  }
}

void readCameras(Reader& r, Staged& st, KScene* scene) {
  int n = r.count(32 + 40);
  for (int i = 0; i < n; ++i) {
    Owned<KCamera> c(create<KCamera>());
    c->scene = scene;
    r.name(c->name, sizeof c->name);
    c->position = r.vec();
    c->target = r.vec();
    c->theta = r.f32();
    c->phi = r.f32();
    c->roll = r.f32();
    float fov = r.f32();
    if (!std::isfinite(fov) || fov <= 0 || fov >= 3.14159f) throw BadFile{};
    c->fov = fov * 180.0f / 3.14159265f;
    // The target gives the direction when it differs from the eye.
    ZeltVector d{c->target.x - c->position.x, c->target.y - c->position.y, c->target.z - c->position.z};
    float l = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    if (l > 1e-6f) {
      c->theta = std::atan2(-d.y / l, d.x / l);
      float z = -d.z / l;
      c->phi = std::acos(z < -1 ? -1 : (z > 1 ? 1 : z));
    }
    st.cameras.push_back(std::move(c));
  }
}

void readLights(Reader& r, Staged& st, KScene* scene) {
  int n = r.count(32 + 12 + 3 + 12 + 12);
  for (int i = 0; i < n; ++i) {
    Owned<KLight> l(create<KLight>());
    l->scene = scene;
    r.name(l->name, sizeof l->name);
    l->position = r.vec();
    l->r = r.u8();
    l->g = r.u8();
    l->b = r.u8();
    l->innerRange = r.f32();
    l->outerRange = r.f32();
    l->multiplier = r.f32();
    l->off = r.flag();
    l->attenuate = r.flag();
    int spot = r.flag();
    l->kind = spot ? ZELT_LIGHT_SPOT : ZELT_LIGHT_OMNI;
    if (spot) {
      l->target = r.vec();
      l->hotspot = r.f32();
      l->falloff = r.f32();
    }
    st.lights.push_back(std::move(l));
  }
}

// Local matrix from the animation components (see composeLocal in Animation.cpp).
void readObjects(Reader& r, Staged& st, KScene* scene, int materialBase, int lightCount) {
  int n = r.count(32 + 4 * 4);
  const int materialCount = static_cast<int>(st.materials.size()) - materialBase;
  for (int i = 0; i < n; ++i) {
    Owned<KObject> o(create<KObject>());
    o->scene = scene;
    char name[32];
    r.name(name, sizeof name);
    std::memcpy(o->name, name, sizeof name);
    KObject* parent = nullptr;
    if (r.flag()) {
      char parentName[32];
      r.name(parentName, sizeof parentName);
      for (auto& e : st.objects)
        if (!std::strcmp(e->name, parentName)) parent = e.get();  // the last of that name
      if (!parent) throw BadFile{};
    }
    int vertexCount = r.i32();
    if (vertexCount < 0) throw BadFile{};
    int welded = r.flag();
    int firstVertex = 0, poolSize = 0;
    if (welded) {
      firstVertex = r.i32();
      poolSize = r.i32();
      if (firstVertex < 0 || poolSize < 0) throw BadFile{};
    }
    const int stored = welded ? poolSize : vertexCount;
    r.need(static_cast<std::uint64_t>(stored) * 24);

    KObject* root = parent;
    while (root && root->parent) root = K(root->parent);
    if (welded) {
      if (poolSize > 0) {
        // The pool's owner is the hierarchy's root.
        if (parent) throw BadFile{};
        o->group = o.get();
        o->kindRecord.group = 1;
      } else {
        if (!root || !root->group) throw BadFile{};
        o->group = root;
      }
      const int pool = static_cast<int>(o->group == o.get() ? poolSize : o->group->vertices.size());
      if (static_cast<std::int64_t>(firstVertex) + vertexCount > pool) throw BadFile{};
    } else if (root && root->group) {
      throw BadFile{};  // an unwelded member cannot share its group's pool
    }
    o->firstVertex = firstVertex;
    o->vertexCount = vertexCount;

    o->vertices.resize(static_cast<size_t>(stored));
    o->normals.resize(static_cast<size_t>(stored));
    for (auto& v : o->vertices) {
      ZeltVector p = r.vec();
      v = {p.x, p.y, p.z, 1.0f};
    }
    for (auto& v : o->normals) {
      ZeltVector p = r.vec();
      v = {p.x, p.y, p.z, 0.0f};
    }
    if (o->group == o.get()) {
      o->poolOwner.assign(static_cast<size_t>(poolSize), o.get());
    }
    if (o->group) {
      KObject* g = o->group;
      for (int k = 0; k < vertexCount; ++k) g->poolOwner[static_cast<size_t>(firstVertex + k)] = o.get();
    }
    const int indexLimit =
        o->group ? static_cast<int>(o->group->vertices.size()) : static_cast<int>(o->vertices.size());

    int faceCount = r.count(4 + 4 + 4 + 12);
    o->faceStore.reserve(static_cast<size_t>(faceCount));
    o->facePointers.reserve(static_cast<size_t>(faceCount));
    for (int f = 0; f < faceCount; ++f) {
      Owned<KFace> face(create<KFace>());
      int corners = r.i32();
      if (corners < 3 || corners > kMaxFaceCorners) throw BadFile{};
      r.need(static_cast<std::uint64_t>(corners) * 4);
      face->indices.resize(static_cast<size_t>(corners));
      for (int& idx : face->indices) {
        idx = r.i32();
        if (idx < 0 || idx >= indexLimit) throw BadFile{};
      }
      int mapping = r.i32();
      if (mapping != 0 && mapping != corners) throw BadFile{};
      face->uv.assign(static_cast<size_t>(corners) * 2, 0.0f);
      if (mapping) {
        r.need(static_cast<std::uint64_t>(corners) * 8);
        for (float& t : face->uv) t = r.f32();
        face->mapped = true;
      }
      int material = r.i32();
      if (material < 0 || material >= materialCount) throw BadFile{};
      face->objectNormal = r.vec();
      face->owner = o.get();
      face->index = f;
      face->vertexCount = corners;
      face->vertexIndices = face->indices.data();
      face->textureCoordinates = face->uv.data();
      face->material = st.materials[static_cast<size_t>(materialBase + material)].get();
      face->faceClass = &kFaceClass;
      o->facePointers.push_back(face.get());
      o->faceStore.push_back(face.release());
    }
    o->faceCount = faceCount;
    o->faces = o->facePointers.data();
    o->sphereCentre = r.vec();
    o->sphereRadius = r.f32();
    o->boxMin = r.vec();
    o->boxMax = r.vec();
    int links = r.count(4);
    for (int k = 0; k < links; ++k) {
      int light = r.i32();
      if (light < 0 || light >= lightCount) throw BadFile{};
      KLight* l = st.lights[static_cast<size_t>(light)].get();
      bool have = false;
      for (KLight* e : o->lights) have = have || e == l;
      if (!have) o->lights.push_back(l);
    }
    o->hidden = r.i32() ? 1 : 0;
    o->pivot = r.vec();
    o->position = r.vec();
    o->scale = r.vec();
    for (float& m : o->rotation) m = r.f32();
    // Link below the parent, keeping the file's order of children.
    if (parent) {
      o->parent = parent;
      ZeltObject** link = &parent->firstChild;
      while (*link) link = &(*link)->nextSibling;
      *link = o.get();
    }
    st.objects.push_back(std::move(o));
  }
  for (auto& o : st.objects) {
    // A pool with a single member is just that object's own vertices: drawn as a plain object
    // (which, unlike a group, can have levels of detail).
    if (o->group == o.get() && !o->firstChild) {
      o->group = nullptr;
      o->kindRecord.group = 0;
      o->poolOwner.clear();
      o->firstVertex = 0;
      o->vertexCount = static_cast<int>(o->vertices.size());
    }
    composeLocal(o.get());
  }
}

void readTrack(Reader& r, KTrack& t, int valuesPerKey) {
  int n = r.count(4 + 20 + 4 * static_cast<std::uint64_t>(valuesPerKey));
  t.flags = r.i32();
  if (n == 0) return;
  t.frames.resize(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    t.frames[static_cast<size_t>(k)] = r.i32();
    if (k > 0 && t.frames[static_cast<size_t>(k)] < t.frames[static_cast<size_t>(k - 1)]) throw BadFile{};
  }
  t.params.resize(static_cast<size_t>(n) * 5);
  for (float& p : t.params) p = r.f32();
  t.values.resize(static_cast<size_t>(n) * static_cast<size_t>(valuesPerKey));
  for (float& v : t.values) v = r.f32();
}

void readAnimations(Reader& r, Staged& st, KScene* scene) {
  int n = r.count(32 + 4 + 12 + 12 + 5 * 8);
  for (int i = 0; i < n; ++i) {
    Owned<KAnimation> a(create<KAnimation>());
    a->scene = scene;
    r.name(a->name, sizeof a->name);
    KAnimation* parent = nullptr;
    if (r.flag()) {
      char parentName[32];
      r.name(parentName, sizeof parentName);
      for (auto& e : st.animations)
        if (!std::strcmp(e->name, parentName)) parent = e.get();
      if (!parent) throw BadFile{};
    }
    a->pivot = r.vec();
    a->length = r.i32();
    a->segmentStart = r.i32();
    a->segmentEnd = r.i32();
    a->firstFrame = a->segmentStart;
    a->lastFrame = a->segmentEnd;
    readTrack(r, a->position, 3);
    readTrack(r, a->scaleTrack, 3);
    readTrack(r, a->rotation, 4);
    // Hide track.
    {
      int k = r.count(8);
      a->hide.flags = r.i32();
      a->hide.frames.resize(static_cast<size_t>(k));
      for (int j = 0; j < k; ++j) {
        a->hide.frames[static_cast<size_t>(j)] = r.i32();
        if (j > 0 && a->hide.frames[static_cast<size_t>(j)] < a->hide.frames[static_cast<size_t>(j - 1)])
          throw BadFile{};
      }
      a->hide.states.resize(static_cast<size_t>(k));
      for (int& s : a->hide.states) s = r.i32();
    }
    // Morph track.
    {
      KTrack& m = a->morph;
      int k = r.count(4 + 20);
      m.flags = r.i32();
      if (k > 0) {
        m.frames.resize(static_cast<size_t>(k));
        for (int j = 0; j < k; ++j) {
          m.frames[static_cast<size_t>(j)] = r.i32();
          if (j > 0 && m.frames[static_cast<size_t>(j)] < m.frames[static_cast<size_t>(j - 1)]) throw BadFile{};
        }
        m.params.resize(static_cast<size_t>(k) * 5);
        for (float& p : m.params) p = r.f32();
        int count = r.i32();
        if (count < 0) throw BadFile{};
        r.need(static_cast<std::uint64_t>(k) * (static_cast<std::uint64_t>(count) * 24 + 40));
        m.morphVertexCount = count;
        const size_t per = static_cast<size_t>(count) * 3;
        m.morphVertices.resize(per * static_cast<size_t>(k));
        m.morphNormals.resize(per * static_cast<size_t>(k));
        m.morphBounds.resize(10 * static_cast<size_t>(k));
        for (int j = 0; j < k; ++j) {
          for (size_t q = 0; q < per; ++q) m.morphVertices[per * static_cast<size_t>(j) + q] = r.f32();
          for (size_t q = 0; q < per; ++q) m.morphNormals[per * static_cast<size_t>(j) + q] = r.f32();
          for (size_t q = 0; q < 10; ++q) m.morphBounds[10 * static_cast<size_t>(j) + q] = r.f32();
        }
      }
    }
    if (parent) {
      a->parent = parent;
      ZeltAnimation** link = &parent->firstChild;
      while (*link) link = &(*link)->nextSibling;
      *link = a.get();
    }
    st.animations.push_back(std::move(a));
  }
}

// Textures of the staged materials: shared with maps the scene already has, else loaded.
void loadTextures(Staged& st, KScene* scene) {
  for (auto& m : st.materials) {
    if (!m->mapName[0]) continue;
    std::string file = textureFileName(m->mapName);
    KMap* found = findMap(scene, file.c_str());
    for (auto& e : st.maps)
      if (!found && sameNameIgnoringCase(e->name, file.c_str())) found = e.get();
    if (!found) {
      if (knownMissing(scene, file.c_str())) continue;
      Owned<KMap> map(create<KMap>());
      std::snprintf(map->name, sizeof map->name, "%s", file.c_str());
      if (!loadMap(map.get(), file.c_str())) {
        // Named once in the last error (by loadMap); the material stays untextured.
        scene->missingTextures.emplace_back(file);
        continue;
      }
      found = map.get();
      st.maps.push_back(std::move(map));
    }
    m->map = found;
    m->texture = found->texture;
  }
}

// Links everything staged into the scene. Nothing here can fail: the lists were reserved.
ZeltObject* commit(Staged& st, KScene* scene, ZeltAnimation** animationOut, const char* path) {
  KernelState& k = state();
  scene->materials.reserve(scene->materials.size() + st.materials.size());
  scene->cameras.reserve(scene->cameras.size() + st.cameras.size());
  scene->lights.reserve(scene->lights.size() + st.lights.size());
  scene->maps.reserve(scene->maps.size() + st.maps.size());
  // Vertex arrays of the renderer hold the largest object or pool.
  size_t largest = 0;
  for (auto& o : st.objects) largest = o->vertices.size() > largest ? o->vertices.size() : largest;
  reserveVertices(largest);
  // Group animation for several roots (allocated before anything is linked).
  int animationRoots = 0;
  for (auto& a : st.animations) animationRoots += a->parent ? 0 : 1;
  Owned<KAnimation> group;
  if (animationRoots > 1) {
    group.reset(create<KAnimation>());
    group->scene = scene;
    std::string base = path;
    size_t slash = base.find_last_of("/\\");
    if (slash != std::string::npos) base.erase(0, slash + 1);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.erase(dot);
    std::snprintf(group->name, sizeof group->name, "%s", base.c_str());
  }
  // Renderer registration of materials and faces (may fail: still undoable).
  if (k.plugin.handle) {
    for (auto& m : st.materials) registerMaterial(m.get());
    for (auto& o : st.objects)
      for (KFace* f : o->faceStore) registerFace(f);
  }

  // From here on, nothing throws.
  for (auto& m : st.maps) {
    m->scene = scene;
    scene->maps.push_back(m.release());
  }
  for (auto& m : st.materials) scene->materials.push_back(m.release());
  for (auto& c : st.cameras) {
    if (!scene->activeCamera) {
      scene->activeCamera = c.get();
      c->active = 1;
    }
    scene->cameras.push_back(c.release());
  }
  for (auto& l : st.lights) scene->lights.push_back(l.release());
  ZeltObject* firstRoot = nullptr;
  ZeltObject** tail = &scene->context.firstRoot;
  while (*tail) tail = &(*tail)->nextRoot;
  for (auto& o : st.objects) {
    KObject* obj = o.release();
    if (!obj->parent) {
      *tail = obj;
      tail = &obj->nextRoot;
      if (!firstRoot) firstRoot = obj;
    }
  }
  KAnimation** atail = &scene->firstAnimation;
  while (*atail) atail = &(*atail)->nextRoot;
  ZeltAnimation* firstAnimation = nullptr;
  if (group) {
    ZeltAnimation** child = &group->firstChild;
    bool first = true;
    for (auto& a : st.animations) {
      if (a->parent) continue;
      a->parent = group.get();
      *child = a.get();
      child = &a->nextSibling;
      if (first || a->firstFrame < group->firstFrame) group->firstFrame = a->firstFrame;
      if (first || a->lastFrame > group->lastFrame) group->lastFrame = a->lastFrame;
      if (a->length > group->length) group->length = a->length;
      first = false;
    }
    *atail = group.get();
    firstAnimation = group.release();
  }
  for (auto& a : st.animations) {
    KAnimation* an = a.release();
    if (!an->parent) {
      *atail = an;
      atail = &an->nextRoot;
      if (!firstAnimation) firstAnimation = an;
    }
  }
  if (animationOut) *animationOut = firstAnimation;
  return firstRoot;
}

enum class Kind { Object, Animation, Camera, Light, Scene };

int load(ZeltScene* s, const char* path, Kind kind, ZeltObject** objectOut, ZeltAnimation** animationOut) {
  if (objectOut) *objectOut = nullptr;
  if (animationOut) *animationOut = nullptr;
  if (!s || !path) {
    setError(ZELT_ERR_ARGUMENT);
    return 0;
  }
  return guard(0, [&]() -> int {
    KScene* scene = K(s);
    FileBytes file;
    if (!file.read(path)) return 0;
    Staged st;
    // Missing textures are reported without failing the load; keep that report.
    try {
      Reader r(file.data(), file.size());
      static const char kLetters[] = {'O', 'A', 'C', 'L', 'S'};
      r.banner(kLetters[static_cast<int>(kind)]);
      switch (kind) {
        case Kind::Object:
          readMaterials(r, st, scene);
          readObjects(r, st, scene, 0, 0);
          break;
        case Kind::Animation:
          readAnimations(r, st, scene);
          break;
        case Kind::Camera:
          readCameras(r, st, scene);
          break;
        case Kind::Light:
          readLights(r, st, scene);
          break;
        case Kind::Scene:
          readCameras(r, st, scene);
          readLights(r, st, scene);
          readMaterials(r, st, scene);
          readObjects(r, st, scene, 0, static_cast<int>(st.lights.size()));
          readAnimations(r, st, scene);
          break;
      }
      if (!r.atEnd()) throw BadFile{};
    } catch (const BadFile&) {
      setError(ZELT_ERR_BAD_FILE, nullptr, path);
      return 0;
    }
    loadTextures(st, scene);
    ZeltObject* root = commit(st, scene, animationOut, path);
    if (objectOut) *objectOut = root;
    return 1;
  });
}

}  // namespace

// ------------------------------------------------------------------------------------------
// Textures

KMap* findMap(KScene* scene, const char* name) {
  for (KMap* m : scene->maps)
    if (sameNameIgnoringCase(m->name, name)) return m;
  return nullptr;
}

bool knownMissing(KScene* scene, const char* name) {
  for (const std::string& n : scene->missingTextures)
    if (sameNameIgnoringCase(n.c_str(), name)) return true;
  return false;
}

bool loadMap(KMap* map, const char* file) {
  FileBytes bytes;
  if (!bytes.read(file)) return false;
  DmfImage image;
  if (!DmfParse(bytes.data(), bytes.size(), image)) {
    setError(ZELT_ERR_BAD_FILE, nullptr, file);
    return false;
  }
  Owned<KTexture> t(create<KTexture>());
  const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  const bool fifteen = state().bits == 15;
  auto to555 = [](std::uint16_t p) {
    return static_cast<std::uint16_t>((p >> 11) << 10 | ((p >> 6) & 0x1F) << 5 | (p & 0x1F));
  };
  if (image.depth == 8) {
    t->texels8.assign(image.texels8.begin(), image.texels8.end());
    std::memcpy(t->texture.palette, image.palette, sizeof image.palette);
    t->bitmap.texels = t->texels8.data();
  } else {
    t->texels16.resize(count);
    for (size_t i = 0; i < count; ++i) t->texels16[i] = fifteen ? to555(image.texels16[i]) : image.texels16[i];
    t->bitmap.texels = t->texels16.data();
  }
  t->bitmap.texelDepth = image.depth;
  t->bitmap.fastPath = image.width == 256 && image.height == 256 ? 1 : 0;
  t->bitmap.mask = static_cast<std::uint32_t>(count - 1);
  int log2w = 0;
  while ((1 << log2w) < image.width) ++log2w;
  t->bitmap.log2Width = log2w;
  t->bitmap.width = static_cast<float>(image.width);
  t->bitmap.height = static_cast<float>(image.height);
  t->texture.bitmap = &t->bitmap;
  t->texture.keyIndex = image.keyIndex;
  t->texture.keyPixel = fifteen ? to555(image.keyPixel) : image.keyPixel;
  destroy(map->owned);
  map->owned = t.release();
  map->texture = &map->owned->texture;
  map->width = image.width;
  map->height = image.height;
  map->depth = image.depth;
  return true;
}

}  // namespace zelt

using namespace zelt;

extern "C" {

ZELT_API int Zelt_Load_Sdk_o3d(ZeltScene* scene, const char* path, ZeltObject** out) {
  return load(scene, path, Kind::Object, out, nullptr);
}
ZELT_API int Zelt_Load_Sdk_a3d(ZeltScene* scene, const char* path, ZeltAnimation** out) {
  return load(scene, path, Kind::Animation, nullptr, out);
}
ZELT_API int Zelt_Load_Sdk_c3d(ZeltScene* scene, const char* path) {
  return load(scene, path, Kind::Camera, nullptr, nullptr);
}
ZELT_API int Zelt_Load_Sdk_l3d(ZeltScene* scene, const char* path) {
  return load(scene, path, Kind::Light, nullptr, nullptr);
}
ZELT_API int Zelt_Load_Sdk_s3d(ZeltScene* scene, const char* path) {
  return load(scene, path, Kind::Scene, nullptr, nullptr);
}

}  // extern "C"
