// Shared test setup: the program's lent file functions over stdio, a started kernel, a scratch
// folder, small kelmat scenes written with libkelmat, and .dmf textures.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "include/zelt/zelt.h"
#include "kelmat/kelmat.h"

namespace zt {

// Starts the kernel once per process (math build by processor, 16-bit pixels).
void startKernel();
// Lends the stdio file functions with the given allocators.
void lendWith(ZeltMallocFn m, ZeltCallocFn c, ZeltReallocFn r, ZeltReleaseFn f);

// Lent-function counters: files open now, and how many opens were refused (missing files).
int openHandles();
int missingOpens();
// Extra folder searched for ".dmf" names, as the game's map folders are.
void setMapFolder(const std::string& folder);

// Per-process scratch folder; path of a file in it.
std::string tempPath(const std::string& name);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readBytes(const std::string& path);

// Last error text and code.
std::string lastError(int* code = nullptr);

// A zero-filled kelmat scene released at the end of the test.
struct KScene {
  KelmatScene scene{};
  KScene() = default;
  KScene(const KScene&) = delete;
  KScene& operator=(const KScene&) = delete;
  ~KScene() { Kelmat_Release_Scene(&scene); }
  KelmatScene* operator->() { return &scene; }
  KelmatScene* get() { return &scene; }
};

KelmatMaterial* material(KelmatScene* s, const char* name, int type, uint8_t r, uint8_t g, uint8_t b);
KelmatObject* object(KelmatScene* s, const char* name, std::initializer_list<KelmatVector> vertices);
KelmatFace* face(KelmatObject* o, std::initializer_list<int32_t> indices, KelmatMaterial* m,
                 std::vector<float> uv = {});
// Recomputes normals, bounds and face normals from the vertices.
void finish(KelmatObject* o);
KelmatCamera* camera(KelmatScene* s, const char* name, KelmatVector position, KelmatVector target, float fovDegrees);
KelmatLight* light(KelmatScene* s, const char* name, int kind, KelmatVector position);
KelmatAnimation* animation(KelmatScene* s, const char* name);
// Keys with the given key parameters (tension, continuity, bias, ease to, ease from).
void keys3(KelmatTrack& t, std::initializer_list<int32_t> frames, std::initializer_list<KelmatVector> values,
           KelmatKeyParams params = {});
void keysRot(KelmatTrack& t, std::initializer_list<int32_t> frames, std::initializer_list<KelmatQuaternion> values);
void keysHide(KelmatTrack& t, std::initializer_list<int32_t> frames, std::initializer_list<int32_t> states);
// Morph keys over vertexCount vertices: every vertex, normal, sphere and box zeroed for the caller to fill.
void keysMorph(KelmatTrack& t, std::initializer_list<int32_t> frames, int32_t vertexCount);

// A .dmf texture file: 8-bit, every texel index 1, palette entry 1 = (r, g, b).
std::string writeTexture(const std::string& name, int w, int h, uint8_t r, uint8_t g, uint8_t b);

// A scene with a viewport of w x h, a camera at eye looking at target.
struct View {
  ZeltScene* scene = nullptr;
  ZeltCamera* camera = nullptr;
  int w, h;
  std::vector<uint16_t> pixels;
  View(int width, int height, ZeltVector eye, ZeltVector target, float fov = 60);
  ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;
  int render();
  int count(uint16_t value) const;
  uint16_t px(int x, int y) const { return pixels[static_cast<size_t>(y) * w + x]; }
};

uint16_t pack16(int r, int g, int b);

}  // namespace zt
