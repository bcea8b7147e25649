// Checked reader of the engine asset files (.o3d .a3d .c3d .l3d .s3d), for
// tests and tools. Every count is validated against the bytes that remain
// before anything is read or allocated; indices are validated against the
// blocks they refer to. Errors come back as text, never as out-of-bounds
// reads.
#ifndef KELMAT_TESTS_ASSETREADER_H
#define KELMAT_TESTS_ASSETREADER_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace asset {

using Vec3 = std::array<float, 3>;

struct Map {
  std::string name;
  int32_t reflection = 0;
};

struct Material {
  std::string name;
  int32_t type = 0;
  std::array<uint8_t, 3> ambient{}, diffuse{}, specular{}, lightColor{};
  int32_t shininess = 0, shininessStrength = 0, transparency = 0, binaryOpacity = 0, tiling = 0;
  bool hasTextureMap = false;
  Map textureMap;
  bool hasLightMap = false;
  Map lightMap;
};

struct Face {
  std::vector<int32_t> indices;
  int32_t mapping = 0;      // 0, or the corner count
  std::vector<float> uv;    // 2 per corner when mapped
  int32_t material = 0;     // index into the material block
  Vec3 normal{};
};

struct Object {
  std::string name;
  bool hasParent = false;
  std::string parentName;
  int32_t vertexCount = 0;
  int32_t welded = 0;
  int32_t firstVertex = 0, poolSize = 0;  // welded only
  std::vector<Vec3> vertices;             // as carried by this record
  std::vector<Vec3> normals;
  std::vector<Face> faces;
  Vec3 sphereCenter{};
  float sphereRadius = 0;
  Vec3 boxMin{}, boxMax{};
  std::vector<int32_t> lights;            // indices into the light block
  int32_t hidden = 0;
  Vec3 pivot{}, position{}, scale{};
  std::array<float, 16> rotation{};
};

struct Camera {
  std::string name;
  Vec3 position{}, target{};
  float a = 0, b = 0, roll = 0, fieldOfView = 0;
};

struct Light {
  std::string name;
  Vec3 position{};
  std::array<uint8_t, 3> color{};
  float innerRange = 0, outerRange = 0, multiplier = 0;
  int32_t off = 0, attenuate = 0;
  bool spot = false;
  Vec3 target{};
  float hotspot = 0, falloff = 0;
};

struct KeyParams {
  float tension = 0, continuity = 0, bias = 0, easeTo = 0, easeFrom = 0;
};

struct MorphKey {
  std::vector<Vec3> vertices, normals;
  Vec3 sphereCenter{};
  float sphereRadius = 0;
  Vec3 boxMin{}, boxMax{};
};

struct Track {
  int32_t keyCount = 0;
  int32_t flags = 0;
  std::vector<int32_t> frames;
  std::vector<KeyParams> params;  // not in hide tracks
  std::vector<float> values;      // 3 per key (position, scale), 4 (rotation w x y z)
  std::vector<int32_t> states;    // hide track
  int32_t morphVertexCount = 0;   // morph track
  std::vector<MorphKey> morph;
};

struct Animation {
  std::string name;
  bool hasParent = false;
  std::string parentName;
  Vec3 pivot{};
  int32_t length = 0, segmentStart = 0, segmentEnd = 0;
  Track position, scale, rotation, hide, morph;
};

struct AssetFile {
  char kind = 0;            // 'O', 'A', 'C', 'L' or 'S', from the banner
  std::string banner;       // text of the banner up to its terminator
  std::vector<Camera> cameras;
  std::vector<Light> lights;
  std::vector<Material> materials;
  std::vector<Object> objects;
  std::vector<Animation> animations;

  // The vertices of object i as a reader sees them: its own array, or in a
  // welded hierarchy the pool entries it owns from its root's record.
  // Empty with error set when the hierarchy is inconsistent.
  std::vector<Vec3> VerticesOf(std::size_t i, std::string& error) const;
  // Index of the object whose record carries the pool of object i.
  int PoolOwnerOf(std::size_t i) const;
};

// Parses a whole file held in memory. The kind comes from the banner's
// "(X)" letter. Returns false with a message on any inconsistency:
// truncation, a count larger than the bytes left, a bad flag, an index
// outside its block, a parent that does not precede its child, bytes left
// over at the end.
bool ParseAsset(const uint8_t* data, std::size_t size, AssetFile& out, std::string& error);
bool ReadAssetFile(const std::string& path, AssetFile& out, std::string& error);

// The whole file as bytes (empty when it cannot be read).
std::vector<uint8_t> ReadBytes(const std::string& path);

}  // namespace asset

#endif
