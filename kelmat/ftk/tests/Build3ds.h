// Builds small 3D Studio files in memory for tests: chunks with their data
// and sub-chunks, serialised with correct lengths, plus helpers for the
// records the import reads.
#ifndef KELMAT_FTK_TESTS_BUILD3DS_H
#define KELMAT_FTK_TESTS_BUILD3DS_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace build3ds {

struct Chunk {
  uint16_t tag = 0;
  std::vector<uint8_t> data;
  std::vector<Chunk> kids;

  explicit Chunk(uint16_t t) : tag(t) {}

  Chunk& U8(uint8_t v) {
    data.push_back(v);
    return *this;
  }
  Chunk& U16(uint16_t v) {
    data.push_back(static_cast<uint8_t>(v));
    data.push_back(static_cast<uint8_t>(v >> 8));
    return *this;
  }
  Chunk& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  Chunk& F32(float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    return U32(v);
  }
  Chunk& F32s(std::initializer_list<float> fs) {
    for (float f : fs) F32(f);
    return *this;
  }
  Chunk& Str(const std::string& s) {
    data.insert(data.end(), s.begin(), s.end());
    data.push_back(0);
    return *this;
  }
  Chunk& Add(Chunk c) {
    kids.push_back(std::move(c));
    return *this;
  }

  void Append(std::vector<uint8_t>& out) const {
    const std::size_t start = out.size();
    out.resize(start + 6);
    out.insert(out.end(), data.begin(), data.end());
    for (const Chunk& k : kids) k.Append(out);
    const uint32_t length = static_cast<uint32_t>(out.size() - start);
    out[start] = static_cast<uint8_t>(tag);
    out[start + 1] = static_cast<uint8_t>(tag >> 8);
    for (int i = 0; i < 4; ++i) out[start + 2 + i] = static_cast<uint8_t>(length >> (8 * i));
  }
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> out;
    Append(out);
    return out;
  }
};

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  uint8_t buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

// A colour sub-chunk holder (A010h, A020h, A030h) with a 24-bit colour.
inline Chunk Color(uint16_t tag, uint8_t r, uint8_t g, uint8_t b) {
  return Chunk(tag).Add(Chunk(0x0011).U8(r).U8(g).U8(b));
}

inline Chunk Percent(uint16_t tag, int16_t percent) {
  return Chunk(tag).Add(Chunk(0x0030).U16(static_cast<uint16_t>(percent)));
}

struct MaterialSpec {
  std::string name;
  uint8_t diffuse[3] = {128, 64, 32};
  int shading = 3;
  bool twoSided = false;
  std::string texture;
};

inline Chunk Material(const MaterialSpec& m) {
  Chunk c(0xAFFF);
  c.Add(Chunk(0xA000).Str(m.name));
  c.Add(Color(0xA010, 10, 20, 30));
  c.Add(Color(0xA020, m.diffuse[0], m.diffuse[1], m.diffuse[2]));
  c.Add(Color(0xA030, 255, 255, 255));
  c.Add(Percent(0xA040, 50));
  c.Add(Chunk(0xA100).U16(static_cast<uint16_t>(m.shading)));
  if (m.twoSided) c.Add(Chunk(0xA081));
  if (!m.texture.empty()) c.Add(Chunk(0xA200).Add(Chunk(0xA300).Str(m.texture)));
  return c;
}

struct Group {
  std::string material;
  std::vector<uint16_t> faces;
};

struct MeshSpec {
  std::string name;
  std::vector<float> vertices;               // 3 per vertex
  std::vector<uint16_t> faces;               // 3 per face
  std::vector<Group> groups;
  std::vector<float> uv;                     // 2 per texture vertex
  bool hasMatrix = true;
  float matrix[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
};

inline Chunk NamedMesh(const MeshSpec& m) {
  Chunk mesh(0x4100);
  Chunk points(0x4110);
  points.U16(static_cast<uint16_t>(m.vertices.size() / 3));
  for (float v : m.vertices) points.F32(v);
  mesh.Add(points);
  if (!m.uv.empty()) {
    Chunk uv(0x4140);
    uv.U16(static_cast<uint16_t>(m.uv.size() / 2));
    for (float v : m.uv) uv.F32(v);
    mesh.Add(uv);
  }
  if (m.hasMatrix) {
    Chunk matrix(0x4160);
    for (float v : m.matrix) matrix.F32(v);
    mesh.Add(matrix);
  }
  Chunk faces(0x4120);
  faces.U16(static_cast<uint16_t>(m.faces.size() / 3));
  for (std::size_t i = 0; i + 2 < m.faces.size(); i += 3) {
    faces.U16(m.faces[i]).U16(m.faces[i + 1]).U16(m.faces[i + 2]).U16(7);
  }
  for (const Group& g : m.groups) {
    Chunk group(0x4130);
    group.Str(g.material).U16(static_cast<uint16_t>(g.faces.size()));
    for (uint16_t f : g.faces) group.U16(f);
    faces.Add(group);
  }
  mesh.Add(faces);
  return Chunk(0x4000).Str(m.name).Add(mesh);
}

inline Chunk NamedCamera(const std::string& name, std::initializer_list<float> position,
                         std::initializer_list<float> target, float roll, float lens) {
  Chunk cam(0x4700);
  cam.F32s(position).F32s(target).F32(roll).F32(lens);
  return Chunk(0x4000).Str(name).Add(cam);
}

// Key track payload: flags, 8 reserved bytes, count, then keys.
struct KeySpec {
  uint32_t frame = 0;
  std::vector<float> values;  // 3 (pos/scale), 4 (rot), 0 (hide)
  std::string morph;          // morph tracks
  uint16_t spline = 0;
  std::vector<float> splineValues;
};

inline Chunk Track(uint16_t tag, const std::vector<KeySpec>& keys, uint16_t flags = 0) {
  Chunk t(tag);
  t.U16(flags).U32(0).U32(0).U32(static_cast<uint32_t>(keys.size()));
  for (const KeySpec& k : keys) {
    t.U32(k.frame).U16(k.spline);
    for (float f : k.splineValues) t.F32(f);
    for (float f : k.values) t.F32(f);
    if (tag == 0xB026) t.Str(k.morph);
  }
  return t;
}

struct NodeSpec {
  int id = -1;  // -1: no id chunk
  std::string name;
  uint16_t parent = 0xFFFF;
  std::string instance;
  std::vector<float> pivot = {0, 0, 0};
  std::vector<KeySpec> position = {{0, {0, 0, 0}, "", 0, {}}};
  std::vector<KeySpec> rotation = {{0, {0, 0, 0, 1}, "", 0, {}}};
  std::vector<KeySpec> scale = {{0, {1, 1, 1}, "", 0, {}}};
  std::vector<KeySpec> morph;
  std::vector<KeySpec> hide;
  uint16_t tag = 0xB002;
};

inline Chunk Node(const NodeSpec& n) {
  Chunk c(n.tag);
  if (n.id >= 0) c.Add(Chunk(0xB030).U16(static_cast<uint16_t>(n.id)));
  c.Add(Chunk(0xB010).Str(n.name).U16(0x4000).U16(0).U16(n.parent));
  if (!n.instance.empty()) c.Add(Chunk(0xB011).Str(n.instance));
  Chunk pivot(0xB013);
  for (float f : n.pivot) pivot.F32(f);
  c.Add(pivot);
  if (!n.position.empty()) c.Add(Track(0xB020, n.position));
  if (!n.rotation.empty()) c.Add(Track(0xB021, n.rotation));
  if (!n.scale.empty()) c.Add(Track(0xB022, n.scale));
  if (!n.morph.empty()) c.Add(Track(0xB026, n.morph));
  if (!n.hide.empty()) c.Add(Track(0xB029, n.hide));
  return c;
}

inline Chunk KeyframerHeader(uint32_t length, uint32_t first, uint32_t last) {
  Chunk kf(0xB000);
  kf.Add(Chunk(0xB00A).U16(5).Str("LUMORA").U32(length));
  kf.Add(Chunk(0xB008).U32(first).U32(last));
  kf.Add(Chunk(0xB009).U32(0));
  return kf;
}

// A unit-size two-triangle square in the z = 0 plane at (x, y).
inline MeshSpec Square(const std::string& name, float x = 0, float y = 0) {
  MeshSpec m;
  m.name = name;
  m.vertices = {x, y, 0, x + 1, y, 0, x + 1, y + 1, 0, x, y + 1, 0};
  m.faces = {0, 1, 2, 0, 2, 3};
  return m;
}

}  // namespace build3ds

#endif
