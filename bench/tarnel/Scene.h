// Synthetic scene shared by the renderer under test and its peer, and a minimal kernel that
// feeds the scene to the plug-in.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "tarnel/tarnel.h"

namespace bench {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct Corner {
  float x, y, z;  // camera space, z forward
  float u, v;
  float light;    // 0..255
};

struct Triangle {
  Corner c[3];
  bool blended;
};

struct SceneData {
  std::vector<Triangle> triangles;
  std::vector<uint8_t> texels;     // 256 x 256 palette indices
  uint32_t palette[256];           // 0xRRGGBB
};

// About `count` lit, textured triangles whose summed area is `depthComplexity` screens;
// `blendedShare` of them are half transparent.
SceneData makeScene(int count, double depthComplexity, double blendedShare, unsigned seed);

// About `count` lit, textured triangles as `layers` meshes over the whole view, one behind the
// other (depth complexity `layers`): neighbouring triangles share their edges, as in a modelled
// scene; `blendedShare` of them are half transparent.
SceneData makeLayeredScene(int layers, int count, double blendedShare, unsigned seed);

// A room seen from inside: walls, floor and ceiling as grids, and boxes standing on the floor
// added until the depth complexity reaches `targetComplexity`, every side cut into cells sized
// for about `count` triangles. Only camera-facing sides are built, so both renderers draw the
// same triangles; `blendedShare` of them are half transparent.
SceneData makeRoomScene(int count, double targetComplexity, double blendedShare, unsigned seed);

// Summed screen area of the scene's triangles (corners in front of the eye), clipped to the
// view, in screens.
double depthComplexity(const SceneData& s);

// Plug-in host: owns the records the plug-in reads and calls its entry points.
class Host {
 public:
  Host(int width, int height, int depth);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  ZeltTexture* texture8(const std::vector<uint8_t>& texels, int w, int h, const uint32_t* palette, bool fast);
  ZeltTexture* texture16(int w, int h, bool fast);
  ZeltMaterial* material(int mode, int flags, ZeltTexture* texture);
  // Adds a face over vertex indices already placed with vertex().
  void face(ZeltMaterial* m, const int* idx, int n, const float* uv);
  int vertex(float x, float y, float z, float light);
  void addScene(const SceneData& s, ZeltMaterial* opaque, ZeltMaterial* blended);
  int render(int flags);
  void clearFaces();

  std::vector<uint16_t> pixels;

 private:
  struct Tex {
    ZeltTexture tex{};
    ZeltBitmap bitmap{};
    std::vector<uint8_t> t8;
    std::vector<uint16_t> t16;
  };
  struct Mat {
    ZeltMaterial mat{};
    uint32_t flags = 0;
  };
  struct Fc {
    ZeltFace face{};
    int idx[4];
    float uv[8];
  };
  static void transform(ZeltObject*, ZeltRenderContext*, void*);
  static void cull(ZeltObject*, ZeltObject*, ZeltRenderContext*);
  static void light(ZeltObject*, ZeltObject*, ZeltRenderContext*);

  int width_, height_;
  std::vector<ZeltVector4> source_, camera_;
  std::vector<ZeltProjection> proj_;
  std::vector<ZeltVertexLight> lights_;
  std::vector<int> codes_;
  std::vector<unsigned> stamps_;
  ZeltRenderRecord record_{};
  ZeltRenderContext context_{};
  ZeltViewRecord view_{};
  ZeltCamera camera_rec_{};
  ZeltObject object_{};
  ZeltObjectKind kind_{};
  ZeltObjectClass cls_{};
  std::deque<Tex> textures_;
  std::deque<Mat> materials_;
  std::deque<Fc> faces_;
  std::vector<ZeltFace*> facePtrs_;
};

// Mesa's software OpenGL through OSMesa, one thread. Returns false when unavailable.
class MesaPeer {
 public:
  bool open(const SceneData& s, int width, int height);
  void frame();
  void close();
  double coveredShare() const;  // share of pixels not left at the clear colour

 private:
  void* context_ = nullptr;
  std::vector<uint16_t> buffer_;
  const SceneData* scene_ = nullptr;
  std::vector<float> opaqueVerts_, opaqueUV_, blendVerts_, blendUV_;
  std::vector<uint8_t> opaqueColour_, blendColour_;
  std::vector<int> order_;
  unsigned texture_ = 0;
};

}  // namespace bench
