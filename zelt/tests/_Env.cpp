#include "_Env.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "zelt/Dmf.h"

namespace zt {
namespace {

struct Handle {
  std::FILE* file = nullptr;
  void* buffer = nullptr;
};

int g_open = 0;
int g_missing = 0;
std::string g_mapFolder;

void* lendOpen(const char* path, const char* mode) {
  std::FILE* f = std::fopen(path, mode);
  if (!f && std::strstr(path, ".dmf") && !g_mapFolder.empty()) f = std::fopen((g_mapFolder + "/" + path).c_str(), mode);
  if (!f) {
    ++g_missing;
    return nullptr;
  }
  auto* h = static_cast<Handle*>(std::calloc(1, sizeof(Handle)));
  h->file = f;
  ++g_open;
  return h;
}

void lendClose(void* handle) {
  auto* h = static_cast<Handle*>(handle);
  if (!h) return;
  if (h->file) std::fclose(h->file);
  std::free(h->buffer);
  std::free(h);
  --g_open;
}

int lendReadAll(void* handle, void** buffer, int* size) {
  auto* h = static_cast<Handle*>(handle);
  std::fseek(h->file, 0, SEEK_END);
  long n = std::ftell(h->file);
  std::fseek(h->file, 0, SEEK_SET);
  h->buffer = std::malloc(n > 0 ? static_cast<size_t>(n) : 1);
  size_t got = std::fread(h->buffer, 1, static_cast<size_t>(n), h->file);
  if (static_cast<long>(got) != n) {
    lendClose(h);
    return 0;
  }
  *buffer = h->buffer;
  *size = static_cast<int>(n);
  return 1;
}

int lendWrite(void* handle, const void* data, int length) {
  auto* h = static_cast<Handle*>(handle);
  return std::fwrite(data, 1, static_cast<size_t>(length), h->file) == static_cast<size_t>(length);
}

template <class T>
T* zeroed(size_t n = 1) {
  return static_cast<T*>(std::calloc(n ? n : 1, sizeof(T)));
}

void name(char (&field)[KELMAT_NAME_SIZE], const char* s) {
  std::memset(field, 0, sizeof field);
  std::strncpy(field, s, KELMAT_NAME_SIZE - 1);
}

template <class T>
void pushHead(T*& head, T* node) {
  node->next = head;
  if (head) head->previous = node;
  head = node;
}

}  // namespace

void startKernel() {
  static bool started = false;
  if (started) return;
  ASSERT_NE(Zelt_Init_Mathlib(0), 0);
  Zelt_Init_Ptr(lendOpen, lendReadAll, lendWrite, lendClose, std::malloc, std::calloc, std::realloc, std::free);
  Zelt_Init_Vtbl(1);
  ASSERT_NE(Zelt_Init_Kernel(16), 0);
  started = true;
}

void lendWith(ZeltMallocFn m, ZeltCallocFn c, ZeltReallocFn r, ZeltReleaseFn f) {
  Zelt_Init_Ptr(lendOpen, lendReadAll, lendWrite, lendClose, m, c, r, f);
}

int openHandles() { return g_open; }
int missingOpens() { return g_missing; }
void setMapFolder(const std::string& folder) { g_mapFolder = folder; }

std::string tempPath(const std::string& n) {
  static std::string dir;
  if (dir.empty()) {
    dir = (std::filesystem::temp_directory_path() / ("zelt-tests-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(dir);
  }
  return dir + "/" + n;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::vector<uint8_t> readBytes(const std::string& path) {
  std::vector<uint8_t> out;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  int c;
  while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<uint8_t>(c));
  std::fclose(f);
  return out;
}

std::string lastError(int* code) {
  const char* text = nullptr;
  int c = Zelt_Get_Last_Error(nullptr, &text);
  if (code) *code = c;
  return text ? text : "";
}

KelmatMaterial* material(KelmatScene* s, const char* n, int type, uint8_t r, uint8_t g, uint8_t b) {
  auto* m = zeroed<KelmatMaterial>();
  name(m->name, n);
  m->type = type;
  m->tiling = 1;
  m->diffuse[0] = r;
  m->diffuse[1] = g;
  m->diffuse[2] = b;
  m->ambient[0] = r / 2;
  m->ambient[1] = g / 2;
  m->ambient[2] = b / 2;
  pushHead(s->materials, m);
  ++s->materialCount;
  return m;
}

KelmatObject* object(KelmatScene* s, const char* n, std::initializer_list<KelmatVector> vertices) {
  auto* o = zeroed<KelmatObject>();
  name(o->name, n);
  o->vertexCount = static_cast<int32_t>(vertices.size());
  o->vertices = zeroed<KelmatVector>(vertices.size());
  o->sourceVertices = zeroed<KelmatVector>(vertices.size());
  o->normals = zeroed<KelmatVector>(vertices.size());
  int i = 0;
  for (const KelmatVector& v : vertices) {
    o->vertices[i] = v;
    o->sourceVertices[i] = v;
    ++i;
  }
  o->scale = {1, 1, 1};
  for (int k = 0; k < 16; ++k) {
    o->rotation[k] = (k % 5 == 0) ? 1.0f : 0.0f;
    o->localMatrix[k] = o->inverseLocalMatrix[k] = o->worldMatrix[k] = o->rotation[k];
  }
  pushHead(s->objects, o);
  ++s->objectCount;
  return o;
}

KelmatFace* face(KelmatObject* o, std::initializer_list<int32_t> indices, KelmatMaterial* m, std::vector<float> uv) {
  auto* faces = static_cast<KelmatFace*>(std::realloc(o->faces, sizeof(KelmatFace) * (o->faceCount + 1)));
  o->faces = faces;
  KelmatFace& f = faces[o->faceCount++];
  std::memset(&f, 0, sizeof f);
  f.vertexCount = static_cast<int32_t>(indices.size());
  f.indices = zeroed<int32_t>(indices.size());
  int i = 0;
  for (int32_t x : indices) f.indices[i++] = x;
  if (!uv.empty()) {
    f.mapping = zeroed<float>(uv.size());
    for (size_t k = 0; k < uv.size(); ++k) f.mapping[k] = uv[k];
  }
  f.material = m;
  return &f;
}

void finish(KelmatObject* o) {
  for (int i = 0; i < o->faceCount; ++i) {
    KelmatFace& f = o->faces[i];
    const KelmatVector& a = o->vertices[f.indices[0]];
    const KelmatVector& b = o->vertices[f.indices[1]];
    const KelmatVector& c = o->vertices[f.indices[2]];
    float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z, vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    KelmatVector n{uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
    float l = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (l > 0) n = {n.x / l, n.y / l, n.z / l};
    f.normal = n;
  }
  Kelmat_Object_Calculate_Vertex_Normal(o);
  Kelmat_Object_Calculate_Bounding_Box(o);
  Kelmat_Object_Calculate_Bounding_Sphere(o);
}

KelmatCamera* camera(KelmatScene* s, const char* n, KelmatVector position, KelmatVector target, float fovDegrees) {
  auto* c = zeroed<KelmatCamera>();
  c->kind = KELMAT_CAMERA_KIND;
  name(c->name, n);
  c->position = position;
  c->target = target;
  c->fieldOfView = fovDegrees * 3.14159265f / 180.0f;
  pushHead(s->cameras, c);
  ++s->cameraCount;
  return c;
}

KelmatLight* light(KelmatScene* s, const char* n, int kind, KelmatVector position) {
  auto* l = zeroed<KelmatLight>();
  l->kind = kind;
  name(l->name, n);
  l->position = position;
  l->color[0] = l->color[1] = l->color[2] = 255;
  l->multiplier = 1;
  l->outerRange = 1000;
  pushHead(s->lights, l);
  ++s->lightCount;
  return l;
}

KelmatAnimation* animation(KelmatScene* s, const char* n) {
  auto* a = zeroed<KelmatAnimation>();
  name(a->name, n);
  pushHead(s->animations, a);
  ++s->animationCount;
  return a;
}

void keys3(KelmatTrack& t, std::initializer_list<int32_t> frames, std::initializer_list<KelmatVector> values,
           KelmatKeyParams params) {
  t.keyCount = static_cast<int32_t>(frames.size());
  t.frames = zeroed<int32_t>(frames.size());
  t.params = zeroed<KelmatKeyParams>(frames.size());
  t.vectors = zeroed<KelmatVector>(frames.size());
  int i = 0;
  for (int32_t f : frames) t.params[i] = params, t.frames[i++] = f;
  i = 0;
  for (const KelmatVector& v : values) t.vectors[i++] = v;
}

void keysRot(KelmatTrack& t, std::initializer_list<int32_t> frames, std::initializer_list<KelmatQuaternion> values) {
  t.keyCount = static_cast<int32_t>(frames.size());
  t.frames = zeroed<int32_t>(frames.size());
  t.params = zeroed<KelmatKeyParams>(frames.size());
  t.quaternions = zeroed<KelmatQuaternion>(frames.size());
  int i = 0;
  for (int32_t f : frames) t.frames[i++] = f;
  i = 0;
  for (const KelmatQuaternion& q : values) t.quaternions[i++] = q;
}

void keysHide(KelmatTrack& t, std::initializer_list<int32_t> frames, std::initializer_list<int32_t> states) {
  t.keyCount = static_cast<int32_t>(frames.size());
  t.frames = zeroed<int32_t>(frames.size());
  t.states = zeroed<int32_t>(frames.size());
  int i = 0;
  for (int32_t f : frames) t.frames[i++] = f;
  i = 0;
  for (int32_t v : states) t.states[i++] = v;
}

void keysMorph(KelmatTrack& t, std::initializer_list<int32_t> frames, int32_t vertexCount) {
  const std::size_t n = frames.size();
  t.keyCount = static_cast<int32_t>(n);
  t.frames = zeroed<int32_t>(n);
  t.params = zeroed<KelmatKeyParams>(n);
  int i = 0;
  for (int32_t f : frames) t.frames[i++] = f;
  t.morphVertexCount = vertexCount;
  t.morphVertices = zeroed<KelmatVector*>(n);
  t.morphNormals = zeroed<KelmatVector*>(n);
  t.morphSpheres = zeroed<KelmatSphere>(n);
  t.morphBoxes = zeroed<KelmatBox>(n);
  for (std::size_t k = 0; k < n; ++k) {
    t.morphVertices[k] = zeroed<KelmatVector>(static_cast<std::size_t>(vertexCount));
    t.morphNormals[k] = zeroed<KelmatVector>(static_cast<std::size_t>(vertexCount));
  }
}

std::string writeTexture(const std::string& n, int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  zelt::DmfImage img;
  img.width = w;
  img.height = h;
  img.depth = 8;
  img.palette[1][0] = b;
  img.palette[1][1] = g;
  img.palette[1][2] = r;
  img.texels8.assign(static_cast<size_t>(w) * h, 1);
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(zelt::DmfSerialize(img, bytes));
  std::string path = tempPath(n);
  writeBytes(path, bytes);
  return path;
}

View::View(int width, int height, ZeltVector eye, ZeltVector target, float fov) : w(width), h(height) {
  startKernel();
  pixels.assign(static_cast<size_t>(w) * h, 0);
  EXPECT_NE(Zelt_Scene_Create(&scene), 0);
  EXPECT_NE(Zelt_Scene_Init_Resolution(scene, 0, 0, w, h, w, 1.0f, 1.0f, 10000.0f), 0);
  EXPECT_NE(Zelt_Scene_Init_Render(scene, 1, nullptr), 0);
  EXPECT_NE(Zelt_Camera_Create(scene, &camera), 0);
  Zelt_Camera_Set_Position(camera, &eye);
  Zelt_Camera_Set_Target(camera, &target);
  Zelt_Camera_Set_Fov(camera, fov);
}

View::~View() { Zelt_Scene_Release(scene); }

int View::render() {
  std::fill(pixels.begin(), pixels.end(), 0);
  return Zelt_Render(scene, pixels.data(), nullptr, 1);
}

int View::count(uint16_t value) const {
  int n = 0;
  for (uint16_t p : pixels) n += p == value;
  return n;
}

uint16_t pack16(int r, int g, int b) { return static_cast<uint16_t>((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3); }

}  // namespace zt
