// Getters of the 3D Studio file toolkit: materials, meshes, cameras, lights,
// keyframer settings and object nodes, parsed from a created database. Each
// getter stops at the first error it records and returns false; the record
// then holds what was filled so far and must not be used.
#ifndef KELMAT_FTK_FTKRECORDS_H
#define KELMAT_FTK_FTKRECORDS_H

#include <cstdint>
#include <string>
#include <vector>

#include "kelmat/ftk/FtkDatabase.h"

namespace ftk {

struct Color {
  float r = 0, g = 0, b = 0;
};

struct Material {
  std::string name;
  Color ambient, diffuse, specular;  // fractions, a byte times 0.003921569
  float shininess = 0, shininessStrength = 0, transparency = 0, selfIllum = 0;  // fractions
  bool twoSided = false;
  int shading = 0;
  std::string textureMap;      // A200h map name, empty when none
  std::string shininessMap;    // A33Ch map name, empty when none
};

struct Triangle {
  uint16_t a = 0, b = 0, c = 0, flags = 0;
};

struct MaterialGroup {
  std::string name;
  std::vector<uint16_t> faces;
};

struct Mesh {
  std::string name;
  std::vector<float> vertices;   // 3 per vertex, world space
  std::vector<Triangle> faces;
  std::vector<MaterialGroup> groups;
  std::vector<float> mapping;    // 2 per texture vertex
  float matrix[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};  // X, Y, Z axes, origin

  std::size_t VertexCount() const { return vertices.size() / 3; }
  std::size_t MappingCount() const { return mapping.size() / 2; }
};

struct Camera {
  std::string name;
  float position[3] = {}, target[3] = {};
  float roll = 0, lens = 0;
};

struct Light {
  std::string name;
  float position[3] = {};
  Color color{0.708852f, 0.708852f, 0.708852f};
  float multiplier = 1.0f;
  bool off = false, attenuate = false;
  float innerRange = 10.0f, outerRange = 100.0f;
  bool spot = false;
  float target[3] = {1, 1, 1};
  float hotspot = 44.0f, falloff = 45.0f;
  std::vector<std::string> excludes;
};

struct KeyframerSettings {
  uint32_t length = 30, segmentStart = 0, segmentEnd = 30, currentFrame = 0;
};

struct Key {
  uint32_t frame = 0;
  uint16_t splineFlags = 0;
  float tension = 0, continuity = 0, bias = 0, easeTo = 0, easeFrom = 0;
};

enum class TrackKind { Position, Rotation, Scale, Morph, Hide };

struct Track {
  uint16_t flags = 0;
  std::vector<Key> keys;
  std::vector<float> values;             // 3 (position, scale) or 4 (rotation) per key
  std::vector<std::string> morphNames;   // morph track: one per key
};

struct Node {
  std::string name;      // header name
  std::string instance;  // instance name, empty when none
  std::string parentName;
  bool hasId = false;
  uint16_t id = 0, parentId = 0xFFFF;
  uint16_t flags1 = 0, flags2 = 0;
  float pivot[3] = {};
  Track position, rotation, scale, morph, hide;

  // The name the SDK gives the node: header name, or "name.instance".
  std::string FullName() const { return instance.empty() ? name : name + "." + instance; }
};

// Materials: the AFFFh chunks under 3D3Dh or, when the file has none, 3DAAh.
int MaterialCount(Database& db);
bool GetMaterial(Database& db, int index, Material& out);

// Named objects (4000h under 3D3Dh) in file order.
int NamedObjectCount(Database& db);
// The named object with this exact name, or kNoChunk.
int FindNamedObject(Database& db, const std::string& name);

// Meshes: named objects carrying a mesh.
int MeshCount(Database& db);
bool GetMesh(Database& db, int index, Mesh& out);
// The mesh of the named object with this name. False without a recorded
// error when there is no such object; ERR_WRONG_OBJECT when it is no mesh.
bool GetMeshByName(Database& db, const std::string& name, Mesh& out);

int CameraCount(Database& db);
bool GetCamera(Database& db, int index, Camera& out);

int OmniLightCount(Database& db);
bool GetOmniLight(Database& db, int index, Light& out);
int SpotLightCount(Database& db);
bool GetSpotLight(Database& db, int index, Light& out);

// ERR_WRONG_DATABASE when the root is neither 4D4Dh nor C23Dh; the defaults
// when there is no keyframer section.
bool GetKeyframerSettings(Database& db, KeyframerSettings& out);

// Object nodes (B002h) in file order.
int ObjectNodeCount(Database& db);
bool GetObjectNode(Database& db, int index, Node& out);
// Any keyframer node (B001h to B007h) by its indexed name ("name.instance"
// for an instanced object node). False without a recorded error when absent.
bool GetNodeByName(Database& db, const std::string& name, Node& out);

}  // namespace ftk

#endif
