// Hand-made object files for the collision and picking tests and the kernel benchmark: meshes
// given as corner lists are written as an object file with the asset SDK, ready for
// Zelt_Load_Sdk_o3d; and a kernel session (plain stdio file functions, one scene rendering
// into a memory buffer). Header only; users link libzelt and libkelmat.
#ifndef ZELT_COLLISIONTESTSCENE_H
#define ZELT_COLLISIONTESTSCENE_H

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "include/zelt/zelt.h"
#include "kelmat/kelmat.h"

namespace zelt::testscene {

struct Mesh {
  std::string name;
  std::vector<KelmatVector> vertices;       // object space
  std::vector<std::vector<int>> faces;      // corner indices, counter-clockwise from the front
  KelmatVector position{0, 0, 0};           // translation of the local matrix
  float scale = 1.0f;                       // uniform scale of the local matrix
  int parent = -1;                          // index of the parent mesh in the list, or -1
  bool hidden = false;
};

// Axis-aligned box centred on the origin with half sizes hx, hy, hz; faces point outwards.
inline Mesh Box(const std::string& name, float hx, float hy, float hz) {
  Mesh m;
  m.name = name;
  for (int i = 0; i < 8; ++i)
    m.vertices.push_back({(i & 1) ? hx : -hx, (i & 2) ? hy : -hy, (i & 4) ? hz : -hz});
  m.faces = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  return m;
}

// Square of side 2h in the plane z = 0, facing +z, split into two triangles when asked.
inline Mesh Quad(const std::string& name, float h, bool triangles = false) {
  Mesh m;
  m.name = name;
  m.vertices = {{-h, -h, 0}, {h, -h, 0}, {h, h, 0}, {-h, h, 0}};
  if (triangles)
    m.faces = {{0, 1, 2}, {0, 2, 3}};
  else
    m.faces = {{0, 1, 2, 3}};
  return m;
}

// A rough sphere of latitude and longitude bands: 2 * bands * (bands - 1) triangles.
inline Mesh Ball(const std::string& name, float radius, int bands) {
  Mesh m;
  m.name = name;
  const float pi = 3.14159265f;
  m.vertices.push_back({0, 0, -radius});
  for (int i = 1; i < bands; ++i) {
    float lat = -pi / 2 + pi * float(i) / float(bands);
    for (int j = 0; j < bands; ++j) {
      float lon = 2 * pi * float(j) / float(bands);
      m.vertices.push_back({radius * std::cos(lat) * std::cos(lon), radius * std::cos(lat) * std::sin(lon),
                            radius * std::sin(lat)});
    }
  }
  m.vertices.push_back({0, 0, radius});
  const int top = int(m.vertices.size()) - 1;
  auto ring = [&](int i, int j) { return 1 + (i - 1) * bands + (j % bands); };
  for (int j = 0; j < bands; ++j) m.faces.push_back({0, ring(1, j + 1), ring(1, j)});
  for (int i = 1; i + 1 < bands; ++i)
    for (int j = 0; j < bands; ++j) {
      m.faces.push_back({ring(i, j), ring(i, j + 1), ring(i + 1, j + 1)});
      m.faces.push_back({ring(i, j), ring(i + 1, j + 1), ring(i + 1, j)});
    }
  for (int j = 0; j < bands; ++j) m.faces.push_back({top, ring(bands - 1, j), ring(bands - 1, j + 1)});
  return m;
}

namespace detail {

inline void Identity(float* m) {
  std::memset(m, 0, 16 * sizeof(float));
  m[0] = m[5] = m[10] = m[15] = 1.0f;
}

inline KelmatVector Sub(KelmatVector a, KelmatVector b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

inline KelmatVector FaceNormal(const Mesh& mesh, const std::vector<int>& f) {
  KelmatVector n{0, 0, 0};
  for (size_t i = 0; i < f.size(); ++i) {
    KelmatVector a = mesh.vertices[size_t(f[i])], b = mesh.vertices[size_t(f[(i + 1) % f.size()])];
    n.x += (a.y - b.y) * (a.z + b.z);
    n.y += (a.z - b.z) * (a.x + b.x);
    n.z += (a.x - b.x) * (a.y + b.y);
  }
  float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
  if (len > 0) n = {n.x / len, n.y / len, n.z / len};
  return n;
}

}  // namespace detail

// Writes the meshes as one object file (roots in list order, children under their parent).
// Parents must come before their children. With weld, each hierarchy's vertices are pooled as
// the converter does it. False with kelmat's message in why.
inline bool WriteObjects(const std::string& path, const std::vector<Mesh>& meshes, std::string& why,
                         bool weld = false, const uint8_t colour[3] = nullptr) {
  KelmatScene scene{};
  bool ok = Kelmat_Scene_Create_Default_Material(&scene) != 0;
  KelmatMaterial* material = scene.materials;
  if (ok && material && colour) {
    std::memcpy(material->diffuse, colour, 3);
    std::memcpy(material->ambient, colour, 3);
  }
  std::vector<KelmatObject*> made;
  KelmatObject* lastRoot = nullptr;
  for (size_t k = 0; ok && k < meshes.size(); ++k) {
    const Mesh& mesh = meshes[k];
    auto* o = static_cast<KelmatObject*>(std::calloc(1, sizeof(KelmatObject)));
    if (!o) {
      ok = false;
      break;
    }
    std::strncpy(o->name, mesh.name.c_str(), KELMAT_NAME_SIZE - 1);
    o->vertexCount = int32_t(mesh.vertices.size());
    o->vertices = static_cast<KelmatVector*>(std::calloc(mesh.vertices.size() + 1, sizeof(KelmatVector)));
    o->sourceVertices = static_cast<KelmatVector*>(std::calloc(mesh.vertices.size() + 1, sizeof(KelmatVector)));
    o->normals = static_cast<KelmatVector*>(std::calloc(mesh.vertices.size() + 1, sizeof(KelmatVector)));
    o->faceCount = int32_t(mesh.faces.size());
    o->faces = static_cast<KelmatFace*>(std::calloc(mesh.faces.size() + 1, sizeof(KelmatFace)));
    o->hidden = mesh.hidden ? 1 : 0;
    o->scale = {1, 1, 1};
    detail::Identity(o->rotation);
    detail::Identity(o->localMatrix);
    detail::Identity(o->inverseLocalMatrix);
    detail::Identity(o->worldMatrix);
    o->localMatrix[0] = o->localMatrix[5] = o->localMatrix[10] = mesh.scale;
    o->localMatrix[12] = mesh.position.x;
    o->localMatrix[13] = mesh.position.y;
    o->localMatrix[14] = mesh.position.z;
    o->inverseLocalMatrix[0] = o->inverseLocalMatrix[5] = o->inverseLocalMatrix[10] = 1.0f / mesh.scale;
    o->inverseLocalMatrix[12] = -mesh.position.x / mesh.scale;
    o->inverseLocalMatrix[13] = -mesh.position.y / mesh.scale;
    o->inverseLocalMatrix[14] = -mesh.position.z / mesh.scale;
    o->position = mesh.position;
    o->scale = {mesh.scale, mesh.scale, mesh.scale};
    made.push_back(o);
    // Link first so that a failure below leaves everything owned by the scene.
    if (mesh.parent >= 0 && size_t(mesh.parent) < k) {
      ok = Kelmat_Object_Link(o, made[size_t(mesh.parent)], &scene) != 0;
      if (!ok) {
        Kelmat_Release_Object(o);
        break;
      }
      ++scene.objectCount;
    } else {
      if (lastRoot) {
        lastRoot->next = o;
        o->previous = lastRoot;
      } else {
        scene.objects = o;
      }
      lastRoot = o;
      ++scene.objectCount;
    }
    if (!o->vertices || !o->sourceVertices || !o->normals || !o->faces) {
      ok = false;
      break;
    }
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
      o->vertices[i] = mesh.vertices[i];
      const KelmatVector v = mesh.vertices[i];
      o->sourceVertices[i] = {v.x * mesh.scale + mesh.position.x, v.y * mesh.scale + mesh.position.y,
                              v.z * mesh.scale + mesh.position.z};
    }
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
      KelmatFace& face = o->faces[f];
      face.vertexCount = int32_t(mesh.faces[f].size());
      face.indices = static_cast<int32_t*>(std::calloc(mesh.faces[f].size(), sizeof(int32_t)));
      if (!face.indices) {
        ok = false;
        break;
      }
      for (size_t c = 0; c < mesh.faces[f].size(); ++c) face.indices[c] = mesh.faces[f][c];
      face.material = material;
      face.normal = detail::FaceNormal(mesh, mesh.faces[f]);
    }
    if (!ok) break;
    Kelmat_Object_Calculate_Bounding_Box(o);
    Kelmat_Object_Calculate_Bounding_Sphere(o);
    ok = Kelmat_Object_Calculate_Vertex_Normal(o) != 0;
  }
  if (ok && weld) {
    for (KelmatObject* root = scene.objects; root; root = root->next) Kelmat_Object_Update_Animation(root);
    ok = Kelmat_Weld_Scene(&scene, 0.0f) != 0;
  }
  if (ok) ok = Kelmat_Save_O3d(&scene, path.c_str()) != 0;
  if (!ok) {
    char text[KELMAT_LAST_ERROR_SIZE];
    Kelmat_Get_Last_Error(text);
    why = text;
  }
  Kelmat_Release_Scene(&scene);
  return ok;
}

// ------------------------------------------------------------------------------------------
// Kernel session

namespace detail {

struct FileHandle {
  std::FILE* file = nullptr;
  void* buffer = nullptr;
};

inline void* Open(const char* path, const char* mode) {
  std::FILE* f = std::fopen(path, mode);
  if (!f) return nullptr;
  auto* h = static_cast<FileHandle*>(std::calloc(1, sizeof(FileHandle)));
  if (!h) {
    std::fclose(f);
    return nullptr;
  }
  h->file = f;
  return h;
}

inline void Close(void* handle) {
  auto* h = static_cast<FileHandle*>(handle);
  if (!h) return;
  if (h->file) std::fclose(h->file);
  std::free(h->buffer);
  std::free(h);
}

inline int ReadAll(void* handle, void** buffer, int* size) {
  auto* h = static_cast<FileHandle*>(handle);
  long length = -1;
  if (h && std::fseek(h->file, 0, SEEK_END) == 0) length = std::ftell(h->file);
  if (h && length >= 0 && length < (1L << 30) && std::fseek(h->file, 0, SEEK_SET) == 0) {
    h->buffer = std::malloc(size_t(length) + 1);
    if (h->buffer && std::fread(h->buffer, 1, size_t(length), h->file) == size_t(length)) {
      *buffer = h->buffer;
      *size = int(length);
      return 1;
    }
  }
  Close(handle);
  return 0;
}

inline int Write(void* handle, const void* data, int length) {
  auto* h = static_cast<FileHandle*>(handle);
  if (h && length >= 0 && std::fwrite(data, 1, size_t(length), h->file) == size_t(length)) return 1;
  Close(handle);
  return 0;
}

}  // namespace detail

// Starts the kernel (math build chosen by processor, 16-bit software rendering) with one scene
// of width x height pixels; ok tells whether every step succeeded.
struct Session {
  ZeltScene* scene = nullptr;
  bool ok = false;
  std::vector<uint16_t> pixels;
  int width, height;

  Session(int w, int h, float nearZ = 1.0f, float farZ = 10000.0f) : width(w), height(h) {
    if (!Step(Zelt_Init_Mathlib(0), "Zelt_Init_Mathlib")) return;
    Zelt_Init_Ptr(detail::Open, detail::ReadAll, detail::Write, detail::Close, std::malloc, std::calloc,
                  std::realloc, std::free);
    Zelt_Init_Vtbl(1);
    if (!Step(Zelt_Init_Kernel(16), "Zelt_Init_Kernel")) return;
    if (!Step(Zelt_Scene_Create(&scene), "Zelt_Scene_Create")) return;
    if (!Step(Zelt_Scene_Init_Resolution(scene, 0, 0, w, h, w, 1.0f, nearZ, farZ), "Zelt_Scene_Init_Resolution"))
      return;
    if (!Step(Zelt_Scene_Init_Render(scene, 1, nullptr), "Zelt_Scene_Init_Render")) return;
    pixels.assign(size_t(w) * size_t(h), 0);
    ok = true;
  }
  // Keeps the name and the kernel's last error of the first step that failed.
  bool Step(int result, const char* name) {
    if (result) return true;
    const char* text = nullptr;
    Zelt_Get_Last_Error(nullptr, &text);
    why = std::string(name) + ": " + (text ? text : "");
    return false;
  }
  std::string why;
  ~Session() {
    if (scene) Zelt_Scene_Release(scene);
    Zelt_Release_Kernel();
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // A polar camera at eye looking along (theta, phi), made active.
  ZeltCamera* Camera(ZeltVector eye, float theta, float phi, float fov) {
    ZeltCamera* camera = nullptr;
    if (!Zelt_Camera_Create(scene, &camera)) return nullptr;
    Zelt_Camera_Set_Type(camera, ZELT_CAMERA_POLAR);
    Zelt_Camera_Set_Fov(camera, fov);
    Zelt_Camera_Set_Position(camera, &eye);
    Zelt_Camera_Set_Polar(camera, theta, phi);
    Zelt_Scene_Set_Active_Camera(scene, camera);
    return camera;
  }

  int Render() { return Zelt_Render(scene, pixels.data(), nullptr, 1); }
};

}  // namespace zelt::testscene

#endif
