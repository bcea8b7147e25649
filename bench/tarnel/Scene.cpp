#include "Scene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

namespace bench {

namespace {

void fillTexture(SceneData& s) {
  s.texels.resize(256 * 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) s.texels[y * 256 + x] = static_cast<uint8_t>((x ^ y) + ((x * y) >> 6));
  for (int j = 0; j < 256; ++j)
    s.palette[j] = static_cast<uint32_t>((j * 7 & 255) << 16 | (255 - j) << 8 | (j * 3 & 255));
}

}  // namespace

SceneData makeScene(int count, double depthComplexity, double blendedShare, unsigned seed) {
  SceneData s;
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> uni(0.0, 1.0);
  // Equilateral triangles of circumradius r cover 1.299 r^2 pixels each.
  const double area = depthComplexity * kWidth * kHeight / count;
  const double r = std::sqrt(area / 1.299);
  for (int i = 0; i < count; ++i) {
    Triangle t{};
    const double cx = uni(rng) * kWidth, cy = uni(rng) * kHeight;
    const double a0 = uni(rng) * 2 * M_PI;
    const double z = 2.0 + uni(rng) * 28.0;
    const double u0 = uni(rng), v0 = uni(rng);
    for (int k = 0; k < 3; ++k) {
      // Decreasing angles: counter-clockwise on a screen whose y grows downward.
      const double a = a0 - k * 2 * M_PI / 3;
      const double sx = cx + r * std::cos(a), sy = cy + r * std::sin(a);
      const double zk = z * (1.0 + 0.15 * (uni(rng) - 0.5));
      Corner& c = t.c[k];
      c.z = static_cast<float>(zk);
      c.x = static_cast<float>((sx - kWidth / 2.0) / (kWidth / 2.0) * zk);
      c.y = static_cast<float>((kHeight / 2.0 - sy) / (kHeight / 2.0) * zk);
      c.u = static_cast<float>(u0 + 0.12 * std::cos(a));
      c.v = static_cast<float>(v0 + 0.12 * std::sin(a));
      c.light = static_cast<float>(64 + uni(rng) * 191);
    }
    t.blended = uni(rng) < blendedShare;
    s.triangles.push_back(t);
  }
  fillTexture(s);
  return s;
}

SceneData makeLayeredScene(int layers, int count, double blendedShare, unsigned seed) {
  SceneData s;
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> uni(0.0, 1.0);
  // Square cells of two triangles each, as many as fit count triangles over the layers, laid
  // over a screen slightly larger than the view so that every pixel is covered by every layer.
  const double cellArea = 1.1 * 1.1 * kWidth * kHeight / (count / (2.0 * layers));
  const double cell = std::sqrt(cellArea);
  const int cols = static_cast<int>(std::ceil(1.1 * kWidth / cell));
  const int rows = static_cast<int>(std::ceil(1.1 * kHeight / cell));
  for (int l = 0; l < layers; ++l) {
    // Each layer a plane tilted a little, the layers apart in depth, its texture shifted.
    const double z0 = 4.0 + 5.0 * l, tiltX = 0.4 * (uni(rng) - 0.5), tiltY = 0.4 * (uni(rng) - 0.5);
    const double u0 = uni(rng), v0 = uni(rng);
    auto corner = [&](int i, int j) {
      const double sx = -0.05 * kWidth + i * cell, sy = -0.05 * kHeight + j * cell;
      const double nx = (sx - kWidth / 2.0) / (kWidth / 2.0), ny = (kHeight / 2.0 - sy) / (kHeight / 2.0);
      const double z = z0 * (1.0 + tiltX * nx + tiltY * ny);
      Corner c;
      c.z = static_cast<float>(z);
      c.x = static_cast<float>(nx * z);
      c.y = static_cast<float>(ny * z);
      c.u = static_cast<float>(u0 + i * 0.05);
      c.v = static_cast<float>(v0 + j * 0.05);
      c.light = static_cast<float>(64 + 191 * (0.5 + 0.5 * std::sin(0.7 * i + 1.3 * j + l)));
      return c;
    };
    for (int j = 0; j < rows; ++j) {
      for (int i = 0; i < cols; ++i) {
        // Counter-clockwise on a screen whose y grows downward.
        const Corner a = corner(i, j), b = corner(i + 1, j), c = corner(i + 1, j + 1), d = corner(i, j + 1);
        s.triangles.push_back(Triangle{{a, d, c}, uni(rng) < blendedShare});
        s.triangles.push_back(Triangle{{a, c, b}, uni(rng) < blendedShare});
      }
    }
  }
  // The layers' triangles in no particular order, as a scene graph would hand them over.
  std::shuffle(s.triangles.begin(), s.triangles.end(), rng);
  fillTexture(s);
  return s;
}

namespace {

void* lendAllocate(size_t count, size_t size) { return std::calloc(count, size); }
void* lendReallocate(void* block, size_t size) { return std::realloc(block, size); }
void lendFree(void* block) { std::free(block); }
void prepareFrame(ZeltCamera*, ZeltRenderContext*) {}
const ZeltCameraMethods kCamera{prepareFrame};
Host* gHost = nullptr;

}  // namespace

Host::Host(int width, int height, int depth) : width_(width), height_(height) {
  gHost = this;
  const int pool = 1 << 17;
  camera_.resize(pool);
  proj_.resize(pool);
  lights_.resize(pool);
  codes_.resize(pool);
  stamps_.resize(pool);
  record_.cameraVertices = camera_.data();
  record_.projections = proj_.data();
  record_.vertexLights = lights_.data();
  record_.outcodes = codes_.data();
  record_.projectionStamps = stamps_.data();
  record_.allocate = lendAllocate;
  record_.reallocate = lendReallocate;
  record_.free = lendFree;
  record_.depth = depth;
  record_.vertexCapacity = pool;
  view_.right = static_cast<float>(width);
  view_.bottom = static_cast<float>(height);
  view_.centreX = width / 2.0f;
  view_.centreY = height / 2.0f;
  view_.scaleX = width / 2.0f;
  view_.scaleY = height / 2.0f;
  view_.f1 = 1 / view_.scaleX;
  view_.f2 = 1 / view_.scaleY;
  view_.f3 = view_.centreX / view_.scaleX;
  view_.f4 = view_.centreY / view_.scaleY;
  camera_rec_.methods = &kCamera;
  context_.firstRoot = &object_;
  context_.camera = &camera_rec_;
  context_.nearZ = 1.0f;
  context_.farZ = 1000.0f;
  context_.pitch = width;
  context_.view = &view_;
  static const ZeltObjectMethods methods{nullptr, nullptr, transform, cull, light, nullptr};
  cls_.methods = &methods;
  kind_.lights = 1;
  object_.kind = &kind_;
  object_.objectClass = &cls_;
  pixels.assign(static_cast<size_t>(width) * height, 0);
  Zelt_Init_Render_Dll(&record_);
}

Host::~Host() {
  clearFaces();
  for (Mat& m : materials_) Zelt_Release_Material_Dll(&m.mat);
  Zelt_Release_Scene_Dll();
}

void Host::clearFaces() {
  for (Fc& f : faces_) Zelt_Release_Face_Dll(&f.face);
  faces_.clear();
  facePtrs_.clear();
  source_.clear();
  object_.faces = nullptr;
  object_.faceCount = 0;
}

ZeltTexture* Host::texture8(const std::vector<uint8_t>& texels, int w, int h, const uint32_t* palette, bool fast) {
  Tex& t = textures_.emplace_back();
  t.t8 = texels;
  for (int j = 0; j < 256; ++j) {
    t.tex.palette[j][0] = palette[j] & 0xFF;
    t.tex.palette[j][1] = (palette[j] >> 8) & 0xFF;
    t.tex.palette[j][2] = (palette[j] >> 16) & 0xFF;
  }
  t.bitmap.texelDepth = 8;
  t.bitmap.fastPath = fast;
  t.bitmap.mask = static_cast<uint32_t>(w * h - 1);
  t.bitmap.log2Width = static_cast<int>(std::log2(w));
  t.bitmap.width = static_cast<float>(w);
  t.bitmap.height = static_cast<float>(h);
  t.bitmap.texels = t.t8.data();
  t.tex.bitmap = &t.bitmap;
  return &t.tex;
}

ZeltTexture* Host::texture16(int w, int h, bool fast) {
  Tex& t = textures_.emplace_back();
  t.t16.resize(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) t.t16[y * w + x] = static_cast<uint16_t>((x * 37) ^ (y * 1021));
  t.tex.keyPixel = t.t16[5];
  t.bitmap.texelDepth = 16;
  t.bitmap.fastPath = fast;
  t.bitmap.mask = static_cast<uint32_t>(w * h - 1);
  t.bitmap.log2Width = static_cast<int>(std::log2(w));
  t.bitmap.width = static_cast<float>(w);
  t.bitmap.height = static_cast<float>(h);
  t.bitmap.texels = t.t16.data();
  t.tex.bitmap = &t.bitmap;
  return &t.tex;
}

ZeltMaterial* Host::material(int mode, int flags, ZeltTexture* texture) {
  Mat& m = materials_.emplace_back();
  m.mat.renderFlags = &m.flags;
  m.mat.texture = texture;
  m.mat.ambient = {30, 30, 30};
  m.mat.diffuse = {220, 220, 220};
  m.mat.specular = {80, 80, 80};
  m.mat.lightColour = {255, 255, 255};
  m.mat.shininess = 40;
  m.mat.shininessStrength = 60;
  m.mat.flatPixel = 0x7BEF;
  Zelt_Add_Material_Dll(&m.mat);
  Zelt_Set_Material_Render_State_Dll(&m.mat, mode, flags);
  return &m.mat;
}

int Host::vertex(float x, float y, float z, float light) {
  int i = static_cast<int>(source_.size());
  source_.push_back({x, y, z, 1.0f});
  lights_[i].value = light;
  return i;
}

void Host::face(ZeltMaterial* m, const int* idx, int n, const float* uv) {
  Fc& f = faces_.emplace_back();
  for (int k = 0; k < n; ++k) {
    f.idx[k] = idx[k];
    f.uv[2 * k] = uv[2 * k];
    f.uv[2 * k + 1] = uv[2 * k + 1];
  }
  f.face.vertexCount = n;
  f.face.vertexIndices = f.idx;
  f.face.material = m;
  f.face.textureCoordinates = f.uv;
  const ZeltVector4& a = source_[idx[0]];
  const ZeltVector4& b = source_[idx[1]];
  const ZeltVector4& c = source_[idx[2]];
  const float ax = b.x - a.x, ay = b.y - a.y, az = b.z - a.z;
  const float bx = c.x - a.x, by = c.y - a.y, bz = c.z - a.z;
  f.face.normal[0] = ay * bz - az * by;
  f.face.normal[1] = az * bx - ax * bz;
  f.face.normal[2] = ax * by - ay * bx;
  Zelt_Add_Face_Dll(&f.face);
  facePtrs_.push_back(&f.face);
  object_.faces = facePtrs_.data();
  object_.faceCount = static_cast<int>(facePtrs_.size());
}

void Host::addScene(const SceneData& s, ZeltMaterial* opaque, ZeltMaterial* blended) {
  for (const Triangle& t : s.triangles) {
    int idx[3];
    float uv[6];
    for (int k = 0; k < 3; ++k) {
      idx[k] = vertex(t.c[k].x, t.c[k].y, t.c[k].z, t.c[k].light);
      uv[2 * k] = t.c[k].u;
      uv[2 * k + 1] = t.c[k].v;
    }
    face(t.blended ? blended : opaque, idx, 3, uv);
  }
}

// Camera space is the scene's space: copy with outcodes.
void Host::transform(ZeltObject*, ZeltRenderContext* ctx, void*) {
  Host& h = *gHost;
  const size_t n = h.source_.size();
  for (size_t i = 0; i < n; ++i) {
    const ZeltVector4 v = h.source_[i];
    h.camera_[i] = v;
    int c = 0;
    if (v.z >= ctx->nearZ) c |= ZELT_IN_NEAR;
    if (v.z <= ctx->farZ) c |= ZELT_IN_FAR;
    if (v.x >= -v.z) c |= ZELT_IN_LEFT;
    if (v.x <= v.z) c |= ZELT_IN_RIGHT;
    if (v.y <= v.z) c |= ZELT_IN_TOP;
    if (v.y >= -v.z) c |= ZELT_IN_BOTTOM;
    h.codes_[i] = c;
  }
}

void Host::cull(ZeltObject*, ZeltObject* o, ZeltRenderContext*) { o->visible = 1; }
void Host::light(ZeltObject*, ZeltObject*, ZeltRenderContext*) {}

int Host::render(int flags) {
  gHost = this;
  return Zelt_Render_Dll(&context_, pixels.data(), nullptr, flags);
}

}  // namespace bench
