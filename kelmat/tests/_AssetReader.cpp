#include "_AssetReader.h"

#include <cstdio>
#include <cstring>

namespace asset {
namespace {

// Smallest encodings, used to reject counts larger than the bytes left.
constexpr std::size_t kNameSize = 32;
constexpr std::size_t kMinMaterial = 32 + 4 + 12 + 5 * 4 + 4 + 4;
constexpr std::size_t kMinObject = 32 + 4 + 4 + 4 + 4 + 16 + 24 + 4 + 4 + 12 * 3 + 64;
constexpr std::size_t kMinFace = 4 + 4 + 4 + 12;
constexpr std::size_t kMinCamera = 32 + 10 * 4;
constexpr std::size_t kMinLight = 32 + 12 + 3 + 12 + 12;
constexpr std::size_t kMinAnimation = 32 + 4 + 12 + 12 + 5 * 8;

class Reader {
 public:
  Reader(const uint8_t* data, std::size_t size, std::string& error)
      : data_(data), size_(size), error_(error) {}

  bool Ok() const { return ok_; }
  std::size_t Left() const { return size_ - pos_; }
  std::size_t Offset() const { return pos_; }

  bool Fail(const std::string& what) {
    if (ok_) error_ = what + " (offset " + std::to_string(pos_) + ")";
    ok_ = false;
    return false;
  }

  bool Take(void* out, std::size_t n) {
    if (!ok_) return false;
    if (n > Left()) return Fail("file truncated");
    std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return true;
  }
  int32_t I32() {
    uint8_t b[4] = {};
    Take(b, 4);
    return static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                                uint32_t(b[3]) << 24);
  }
  float F32() {
    uint32_t u = static_cast<uint32_t>(I32());
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
  }
  uint8_t U8() {
    uint8_t b = 0;
    Take(&b, 1);
    return b;
  }
  Vec3 V3() {
    Vec3 v;
    for (float& c : v) c = F32();
    return v;
  }
  std::array<uint8_t, 3> Rgb() { return {U8(), U8(), U8()}; }
  std::string Name() {
    char field[kNameSize] = {};
    if (!Take(field, kNameSize)) return {};
    const void* end = std::memchr(field, 0, kNameSize);
    if (end == nullptr) {
      Fail("name without terminator");
      return {};
    }
    return std::string(field, static_cast<const char*>(end) - field);
  }
  bool Flag(const char* what, int32_t& value) {
    value = I32();
    if (ok_ && value != 0 && value != 1) return Fail(std::string("bad ") + what + " flag " + std::to_string(value));
    return ok_;
  }
  // A count that must be non-negative and fit the bytes left at each
  // item's smallest size.
  bool Count(const char* what, int32_t count, std::size_t minEach) {
    if (!ok_) return false;
    if (count < 0) return Fail(std::string("negative ") + what + " count " + std::to_string(count));
    if (minEach != 0 && static_cast<std::size_t>(count) > Left() / minEach)
      return Fail(std::string(what) + " count " + std::to_string(count) + " exceeds the file");
    return true;
  }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool ok_ = true;
  std::string& error_;
};

void ReadMap(Reader& in, bool& present, Map& map) {
  int32_t flag = 0;
  if (!in.Flag("map", flag)) return;
  present = flag == 1;
  if (present) {
    map.name = in.Name();
    map.reflection = in.I32();
  }
}

void ReadMaterials(Reader& in, AssetFile& file) {
  int32_t count = in.I32();
  if (!in.Count("material", count, kMinMaterial)) return;
  for (int32_t i = 0; i < count && in.Ok(); ++i) {
    Material m;
    m.name = in.Name();
    m.type = in.I32();
    m.ambient = in.Rgb();
    m.diffuse = in.Rgb();
    m.specular = in.Rgb();
    m.lightColor = in.Rgb();
    m.shininess = in.I32();
    m.shininessStrength = in.I32();
    m.transparency = in.I32();
    m.binaryOpacity = in.I32();
    m.tiling = in.I32();
    ReadMap(in, m.hasTextureMap, m.textureMap);
    ReadMap(in, m.hasLightMap, m.lightMap);
    file.materials.push_back(std::move(m));
  }
}

int FindEarlier(const std::vector<Object>& objects, const std::string& name) {
  for (std::size_t i = 0; i < objects.size(); ++i)
    if (objects[i].name == name) return static_cast<int>(i);
  return -1;
}

void ReadFace(Reader& in, Face& face, std::size_t materialCount) {
  int32_t n = in.I32();
  if (!in.Count("face corner", n, 4)) return;
  if (n < 3) {
    in.Fail("face with " + std::to_string(n) + " corners");
    return;
  }
  face.indices.resize(n);
  for (int32_t& index : face.indices) index = in.I32();
  face.mapping = in.I32();
  if (in.Ok() && face.mapping != 0 && face.mapping != n) {
    in.Fail("face mapping field " + std::to_string(face.mapping) + " for " + std::to_string(n) + " corners");
    return;
  }
  if (face.mapping != 0) {
    if (!in.Count("mapping pair", n, 8)) return;
    face.uv.resize(2 * static_cast<std::size_t>(n));
    for (float& c : face.uv) c = in.F32();
  }
  face.material = in.I32();
  if (in.Ok() && (face.material < 0 || static_cast<std::size_t>(face.material) >= materialCount))
    in.Fail("face material index " + std::to_string(face.material) + " outside the material block");
  face.normal = in.V3();
}

void ReadObjects(Reader& in, AssetFile& file, bool sceneFile) {
  int32_t count = in.I32();
  if (!in.Count("object", count, kMinObject)) return;
  for (int32_t i = 0; i < count && in.Ok(); ++i) {
    Object o;
    o.name = in.Name();
    int32_t hasParent = 0;
    if (!in.Flag("parent", hasParent)) return;
    o.hasParent = hasParent == 1;
    if (o.hasParent) {
      o.parentName = in.Name();
      if (in.Ok() && FindEarlier(file.objects, o.parentName) < 0) {
        in.Fail("parent " + o.parentName + " of object " + o.name + " does not precede it");
        return;
      }
    }
    o.vertexCount = in.I32();
    if (!in.Count("vertex", o.vertexCount, 0)) return;
    if (!in.Flag("welded", o.welded)) return;
    int32_t carried = o.vertexCount;
    if (o.welded == 1) {
      o.firstVertex = in.I32();
      o.poolSize = in.I32();
      carried = o.poolSize;
      if (in.Ok() && o.firstVertex < 0) {
        in.Fail("negative first vertex");
        return;
      }
    }
    if (!in.Count("vertex", carried, 24)) return;
    o.vertices.resize(carried);
    for (Vec3& v : o.vertices) v = in.V3();
    o.normals.resize(carried);
    for (Vec3& v : o.normals) v = in.V3();

    int32_t faceCount = in.I32();
    if (!in.Count("face", faceCount, kMinFace)) return;
    o.faces.resize(faceCount);
    for (Face& face : o.faces) {
      ReadFace(in, face, file.materials.size());
      if (!in.Ok()) return;
    }
    o.sphereCenter = in.V3();
    o.sphereRadius = in.F32();
    o.boxMin = in.V3();
    o.boxMax = in.V3();
    int32_t links = in.I32();
    if (!in.Count("light link", links, 4)) return;
    if (!sceneFile && links != 0) {
      in.Fail("light links in an object file");
      return;
    }
    o.lights.resize(links);
    for (int32_t& index : o.lights) {
      index = in.I32();
      if (in.Ok() && (index < 0 || static_cast<std::size_t>(index) >= file.lights.size())) {
        in.Fail("light index " + std::to_string(index) + " outside the light block");
        return;
      }
    }
    o.hidden = in.I32();
    o.pivot = in.V3();
    o.position = in.V3();
    o.scale = in.V3();
    for (float& e : o.rotation) e = in.F32();
    file.objects.push_back(std::move(o));
  }
  if (!in.Ok()) return;

  // Face indices must fall inside the vertices the record's faces can use.
  for (std::size_t i = 0; i < file.objects.size(); ++i) {
    const Object& o = file.objects[i];
    int owner = file.PoolOwnerOf(i);
    std::size_t limit = o.welded == 1 ? (owner >= 0 ? file.objects[owner].vertices.size() : 0)
                                      : o.vertices.size();
    if (o.welded == 1 && static_cast<std::size_t>(o.firstVertex) + o.vertexCount > limit &&
        o.vertexCount > 0) {
      in.Fail("object " + o.name + " owns vertices outside its pool");
      return;
    }
    for (const Face& face : o.faces)
      for (int32_t index : face.indices)
        if (index < 0 || static_cast<std::size_t>(index) >= limit) {
          in.Fail("object " + o.name + " uses vertex " + std::to_string(index) + " out of range");
          return;
        }
  }
}

void ReadCameras(Reader& in, AssetFile& file) {
  int32_t count = in.I32();
  if (!in.Count("camera", count, kMinCamera)) return;
  for (int32_t i = 0; i < count && in.Ok(); ++i) {
    Camera c;
    c.name = in.Name();
    c.position = in.V3();
    c.target = in.V3();
    c.a = in.F32();
    c.b = in.F32();
    c.roll = in.F32();
    c.fieldOfView = in.F32();
    file.cameras.push_back(std::move(c));
  }
}

void ReadLights(Reader& in, AssetFile& file) {
  int32_t count = in.I32();
  if (!in.Count("light", count, kMinLight)) return;
  for (int32_t i = 0; i < count && in.Ok(); ++i) {
    Light l;
    l.name = in.Name();
    l.position = in.V3();
    l.color = in.Rgb();
    l.innerRange = in.F32();
    l.outerRange = in.F32();
    l.multiplier = in.F32();
    l.off = in.I32();
    l.attenuate = in.I32();
    int32_t spot = 0;
    if (!in.Flag("spot", spot)) return;
    l.spot = spot == 1;
    if (l.spot) {
      l.target = in.V3();
      l.hotspot = in.F32();
      l.falloff = in.F32();
    }
    file.lights.push_back(std::move(l));
  }
}

// keyCount frames, then (unless hide) keyCount parameter sets.
bool ReadKeys(Reader& in, Track& track, bool withParams, std::size_t minValueBytes) {
  track.keyCount = in.I32();
  track.flags = in.I32();
  std::size_t perKey = 4 + (withParams ? 20 : 0) + minValueBytes;
  if (!in.Count("key", track.keyCount, perKey)) return false;
  track.frames.resize(track.keyCount);
  for (int32_t& f : track.frames) f = in.I32();
  if (withParams) {
    track.params.resize(track.keyCount);
    for (KeyParams& p : track.params) {
      p.tension = in.F32();
      p.continuity = in.F32();
      p.bias = in.F32();
      p.easeTo = in.F32();
      p.easeFrom = in.F32();
    }
  }
  return in.Ok();
}

void ReadValueTrack(Reader& in, Track& track, int components) {
  if (!ReadKeys(in, track, true, 4 * components)) return;
  track.values.resize(static_cast<std::size_t>(track.keyCount) * components);
  for (float& v : track.values) v = in.F32();
}

void ReadHideTrack(Reader& in, Track& track) {
  if (!ReadKeys(in, track, false, 4)) return;
  track.states.resize(track.keyCount);
  for (int32_t& s : track.states) s = in.I32();
}

void ReadMorphTrack(Reader& in, Track& track) {
  if (!ReadKeys(in, track, true, 40)) return;
  if (track.keyCount == 0) return;
  track.morphVertexCount = in.I32();
  if (!in.Count("morph vertex", track.morphVertexCount, 0)) return;
  // Each key carries 24 bytes per vertex and 40 for its sphere and box.
  std::size_t perKey = 24 * static_cast<std::size_t>(track.morphVertexCount) + 40;
  if (static_cast<std::size_t>(track.keyCount) > in.Left() / perKey) {
    in.Fail("morph keys exceed the file");
    return;
  }
  track.morph.resize(track.keyCount);
  for (MorphKey& key : track.morph) {
    key.vertices.resize(track.morphVertexCount);
    for (Vec3& v : key.vertices) v = in.V3();
    key.normals.resize(track.morphVertexCount);
    for (Vec3& v : key.normals) v = in.V3();
    key.sphereCenter = in.V3();
    key.sphereRadius = in.F32();
    key.boxMin = in.V3();
    key.boxMax = in.V3();
  }
}

void ReadAnimations(Reader& in, AssetFile& file) {
  int32_t count = in.I32();
  if (!in.Count("animation", count, kMinAnimation)) return;
  for (int32_t i = 0; i < count && in.Ok(); ++i) {
    Animation a;
    a.name = in.Name();
    int32_t hasParent = 0;
    if (!in.Flag("parent", hasParent)) return;
    a.hasParent = hasParent == 1;
    if (a.hasParent) {
      a.parentName = in.Name();
      bool found = false;
      for (const Animation& earlier : file.animations) found = found || earlier.name == a.parentName;
      if (in.Ok() && !found) {
        in.Fail("parent " + a.parentName + " of animation " + a.name + " does not precede it");
        return;
      }
    }
    a.pivot = in.V3();
    a.length = in.I32();
    a.segmentStart = in.I32();
    a.segmentEnd = in.I32();
    ReadValueTrack(in, a.position, 3);
    ReadValueTrack(in, a.scale, 3);
    ReadValueTrack(in, a.rotation, 4);
    ReadHideTrack(in, a.hide);
    ReadMorphTrack(in, a.morph);
    file.animations.push_back(std::move(a));
  }
}

}  // namespace

int AssetFile::PoolOwnerOf(std::size_t i) const {
  // Climb by parent names until the record that carries the pool; a loop
  // of names cannot occur since parents precede children.
  int at = static_cast<int>(i);
  while (at >= 0 && objects[at].poolSize == 0 && objects[at].hasParent)
    at = FindEarlier(objects, objects[at].parentName);
  return at;
}

std::vector<Vec3> AssetFile::VerticesOf(std::size_t i, std::string& error) const {
  if (i >= objects.size()) {
    error = "no such object";
    return {};
  }
  const Object& o = objects[i];
  if (o.welded == 0) return o.vertices;
  int owner = PoolOwnerOf(i);
  if (owner < 0) {
    error = "welded object " + o.name + " without pool";
    return {};
  }
  const auto& pool = objects[owner].vertices;
  if (static_cast<std::size_t>(o.firstVertex) + o.vertexCount > pool.size()) {
    error = "object " + o.name + " owns vertices outside its pool";
    return {};
  }
  return std::vector<Vec3>(pool.begin() + o.firstVertex, pool.begin() + o.firstVertex + o.vertexCount);
}

bool ParseAsset(const uint8_t* data, std::size_t size, AssetFile& out, std::string& error) {
  out = AssetFile{};
  error.clear();
  Reader in(data, size, error);
  char banner[kNameSize] = {};
  if (!in.Take(banner, kNameSize)) return false;
  const void* end = std::memchr(banner, 0, kNameSize);
  if (end == nullptr) return in.Fail("banner without terminator");
  out.banner.assign(banner, static_cast<const char*>(end) - banner);
  const std::string& b = out.banner;
  if (b.size() < 9 || b.compare(b.size() - 9, 7, " 0.95 (") != 0 || b.back() != ')')
    return in.Fail("bad banner \"" + b + "\"");
  out.kind = b[b.size() - 2];
  switch (out.kind) {
    case 'O':
      ReadMaterials(in, out);
      ReadObjects(in, out, false);
      break;
    case 'A':
      ReadAnimations(in, out);
      break;
    case 'C':
      ReadCameras(in, out);
      break;
    case 'L':
      ReadLights(in, out);
      break;
    case 'S':
      ReadCameras(in, out);
      ReadLights(in, out);
      ReadMaterials(in, out);
      ReadObjects(in, out, true);
      ReadAnimations(in, out);
      break;
    default:
      return in.Fail(std::string("unknown file kind ") + out.kind);
  }
  if (!in.Ok()) return false;
  if (in.Left() != 0) return in.Fail(std::to_string(in.Left()) + " bytes left over");
  return true;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  uint8_t chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(file);
  return bytes;
}

bool ReadAssetFile(const std::string& path, AssetFile& out, std::string& error) {
  std::FILE* probe = std::fopen(path.c_str(), "rb");
  if (probe == nullptr) {
    out = AssetFile{};
    error = "cannot open " + path;
    return false;
  }
  std::fclose(probe);
  std::vector<uint8_t> bytes = ReadBytes(path);
  return ParseAsset(bytes.data(), bytes.size(), out, error);
}

}  // namespace asset
