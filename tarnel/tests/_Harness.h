// A stand-in kernel for the renderer's tests: it owns objects, faces, materials and textures,
// supplies the object and camera methods (camera space is world space, the eye at the origin
// looking along +z) and calls the entry points the way the kernel does.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "tarnel/tarnel.h"

namespace th {

// Lent allocation; tests can make it refuse.
struct AllocControl {
  static size_t refuseAbove;  // reallocations and allocations of more bytes fail
  static int refuseAll;       // non-zero: every allocation fails
  static long live;           // blocks handed out and not yet freed
};
void* lendAllocate(size_t count, size_t size);
void* lendReallocate(void* block, size_t size);
void lendFree(void* block);

struct Vertex {
  float x = 0, y = 0, z = 0;
  float light = 255;  // 0..255
  float r = 0, g = 0, b = 0;
};

struct Texture {
  ZeltTexture tex{};
  ZeltBitmap bitmap{};
  std::vector<uint16_t> texels16;
  std::vector<uint8_t> texels8;
};

struct Material {
  ZeltMaterial mat{};
  uint32_t flags = 0;
};

struct Face {
  ZeltFace face{};
  std::vector<int> indices;
  std::vector<float> uv;
  int drawn = 1;
};

struct Object {
  ZeltObject obj{};
  ZeltObjectKind kind{};
  ZeltObjectClass cls{};
  std::string name;
  int base = 0;
  std::vector<Vertex> vertices;
  std::deque<Face> faces;
  std::vector<ZeltFace*> facePointers;
  bool inView = true;        // what the cull method reports
  Object* stand = nullptr;   // drawn in this object's place
};

class Kernel {
 public:
  static constexpr int kPool = 1 << 16;
  static constexpr uint16_t kGuard = 0xDEAD;

  explicit Kernel(int width = 64, int height = 64, int depth = 16);
  ~Kernel();
  Kernel(const Kernel&) = delete;
  Kernel& operator=(const Kernel&) = delete;

  // Viewport inside the buffer (defaults to the whole buffer).
  void setViewport(float left, float top, float width, float height);

  Texture& texture16(int w, int h, const std::function<uint16_t(int, int)>& texel, bool fast = false);
  Texture& texture8(int w, int h, const std::function<uint8_t(int, int)>& texel,
                    const std::function<uint32_t(int)>& bgrOfIndex, bool fast = false);
  // Adds the material and selects its state; edit runs before it is added.
  Material& material(int mode, int control, Texture* texture = nullptr,
                     const std::function<void(ZeltMaterial&)>& edit = {});
  int select(Material& m, int mode, int control);
  // Slot chosen for the material's current state.
  int slotOf(const Material& m) const;
  // The material's shade table (packed pixels in the upper 16 bits) and its entry count.
  const uint32_t* shadeTable(const Material& m, int* entries) const;

  Object& root(const std::string& name);
  Object& child(Object& parent, const std::string& name);
  Object& detached(const std::string& name);  // not in the forest (a stand-in)

  int vertex(Object& o, const Vertex& v);
  // Camera-space vertex that projects onto screen point (sx, sy) at depth z.
  int screenVertex(Object& o, float sx, float sy, float z, float light = 255);
  Face& face(Object& o, Material& m, const std::vector<int>& indices, const std::vector<float>& uv = {});
  // Rectangle at constant depth, wound counter-clockwise on the screen.
  Face& screenRect(Object& o, Material& m, float x0, float y0, float x1, float y1, float z,
                   const std::vector<float>& uv = {0, 0, 0, 1, 1, 1, 1, 0});
  Face& screenTriangle(Object& o, Material& m, float ax, float ay, float bx, float by, float cx, float cy,
                       float z);

  int render(int flags = 0);
  ZeltObject* pick(float x, float y, int* face, float* depth);

  uint16_t px(int x, int y) const { return pixels()[y * pitch + x]; }
  void fill(uint16_t value);
  bool guardsIntact() const;
  int count(uint16_t value) const;  // pixels of the buffer equal to value

  uint16_t* pixels() { return buffer.data() + pitch; }
  const uint16_t* pixels() const { return buffer.data() + pitch; }

  std::vector<std::string> calls;
  int prepareFrames = 0;
  int width, height, pitch;
  std::vector<uint16_t> buffer;
  std::vector<ZeltVector4> cameraVertices;
  std::vector<ZeltProjection> projections;
  std::vector<ZeltVertexLight> lights;
  std::vector<int> outcodes;
  std::vector<unsigned> stamps;
  ZeltRenderRecord record{};
  ZeltRenderContext context{};
  ZeltViewRecord view{};
  ZeltCamera camera{};

  // The harness's methods reach the kernel through this.
  static Kernel* current;
  std::unordered_map<const ZeltFace*, Face*> faceOf;
  void transformObject(Object& geometry);

 private:
  Object& makeObject(const std::string& name);
  std::deque<Object> objects_;
  std::deque<Material> materials_;
  std::deque<Texture> textures_;
  Object* lastRoot_ = nullptr;
  int nextVertex_ = 0;
};

// FNV-1a hash of the viewport's pixels, row by row: pins a whole frame in one number.
uint64_t frameHash(const Kernel& k);

// Packs 8-bit channels the way the renderer does.
uint16_t pack16(int r, int g, int b);
uint16_t pack15(int r, int g, int b);

}  // namespace th
