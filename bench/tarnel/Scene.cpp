#include "Scene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <utility>
#include <vector>

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

// Screen position of a camera-space point (the view the benchmark's host sets up).
void toScreen(const Corner& c, double& sx, double& sy) {
  sx = kWidth / 2.0 + c.x / c.z * (kWidth / 2.0);
  sy = kHeight / 2.0 - c.y / c.z * (kHeight / 2.0);
}

// Twice the signed screen area; negative for the winding the renderers draw.
double screenCross(const Triangle& t) {
  double x[3], y[3];
  for (int k = 0; k < 3; ++k) toScreen(t.c[k], x[k], y[k]);
  return (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
}

struct Vec3 {
  double x, y, z;
};
double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Builds the room scene's triangles: each surface a grid of quads whose corners are given by a
// function of the grid position, textured along the surface's own axes, lit by a slow wave.
class RoomBuilder {
 public:
  RoomBuilder(SceneData& s, std::mt19937& rng, double blendedShare) : s_(s), rng_(rng), blendedShare_(blendedShare) {}

  template <class At>
  void grid(int nu, int nv, Vec3 axisU, Vec3 axisV, At&& at) {
    const double phase = uni() * 6.0;
    auto corner = [&](int i, int j) {
      const Vec3 p = at(static_cast<double>(i) / nu, static_cast<double>(j) / nv);
      Corner c;
      c.x = static_cast<float>(p.x);
      c.y = static_cast<float>(p.y);
      c.z = static_cast<float>(p.z);
      c.u = static_cast<float>(0.12 * dot(p, axisU));
      c.v = static_cast<float>(0.12 * dot(p, axisV));
      c.light = static_cast<float>(64 + 191 * (0.5 + 0.5 * std::sin(0.9 * p.x + 0.7 * p.y + 0.4 * p.z + phase)));
      return c;
    };
    for (int j = 0; j < nv; ++j) {
      for (int i = 0; i < nu; ++i) {
        const Corner a = corner(i, j), b = corner(i + 1, j), c = corner(i + 1, j + 1), d = corner(i, j + 1);
        add(Triangle{{a, b, c}, false});
        add(Triangle{{a, c, d}, false});
      }
    }
  }

  double uni() { return std::uniform_real_distribution<double>(0.0, 1.0)(rng_); }

 private:
  // Only surfaces that face the camera are built; the corners are put in the order the
  // renderers draw, and slivers seen edge-on left out.
  void add(Triangle t) {
    const double cross = screenCross(t);
    if (std::abs(cross) < 1.0) return;
    if (cross > 0) std::swap(t.c[1], t.c[2]);
    t.blended = uni() < blendedShare_;
    s_.triangles.push_back(t);
  }

  SceneData& s_;
  std::mt19937& rng_;
  double blendedShare_;
};

}  // namespace

double depthComplexity(const SceneData& s) {
  // Summed screen area of the triangles clipped to the view, in screens.
  double area = 0;
  for (const Triangle& t : s.triangles) {
    std::vector<std::pair<double, double>> poly(3), next;
    for (int k = 0; k < 3; ++k) toScreen(t.c[k], poly[k].first, poly[k].second);
    const double bounds[4] = {0, 0, kWidth, kHeight};
    for (int edge = 0; edge < 4 && !poly.empty(); ++edge) {
      const bool isX = edge % 2 == 0;
      const bool low = edge < 2;
      auto inside = [&](const std::pair<double, double>& p) {
        const double v = isX ? p.first : p.second;
        return low ? v >= bounds[edge] : v <= bounds[edge];
      };
      next.clear();
      for (size_t k = 0; k < poly.size(); ++k) {
        const auto& p = poly[k];
        const auto& q = poly[(k + 1) % poly.size()];
        if (inside(p)) next.push_back(p);
        if (inside(p) != inside(q)) {
          const double pv = isX ? p.first : p.second, qv = isX ? q.first : q.second;
          const double f = (bounds[edge] - pv) / (qv - pv);
          next.emplace_back(p.first + f * (q.first - p.first), p.second + f * (q.second - p.second));
        }
      }
      poly.swap(next);
    }
    double twice = 0;
    for (size_t k = 0; k < poly.size(); ++k) {
      const auto& p = poly[k];
      const auto& q = poly[(k + 1) % poly.size()];
      twice += p.first * q.second - q.first * p.second;
    }
    area += std::abs(twice) / 2;
  }
  return area / (static_cast<double>(kWidth) * kHeight);
}

namespace {

struct Box {
  double x0, y0, z0, w, h, d;
};

// The room (without its walls when not `walls`) and its boxes, every side cut into cells of
// about `cell` units.
SceneData buildRoom(const std::vector<Box>& boxes, double cell, double blendedShare, unsigned seed,
                    bool walls = true) {
  SceneData s;
  std::mt19937 rng(seed);
  RoomBuilder room(s, rng, blendedShare);
  auto cells = [cell](double length) { return std::max(1, static_cast<int>(std::lround(length / cell))); };
  // The room: 12 wide and high around the eye, 30 deep. The walls start where they enter the
  // view, and their rows are spaced geometrically in depth so that they keep about the same
  // height on the screen.
  constexpr double kHalf = 6.0, kNear = 5.0, kFar = 30.0;
  const int across = cells(2 * kHalf);
  auto depthAt = [&](double t) { return kNear * std::pow(kFar / kNear, t); };
  for (int side = 0; side < (walls ? 4 : 0); ++side) {
    const bool horizontal = side < 2;  // floor and ceiling
    const double sign = side % 2 == 0 ? -1.0 : 1.0;
    const Vec3 axisU = horizontal ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
    room.grid(across, across, axisU, Vec3{0, 0, 1}, [&](double u, double v) {
      const double a = -kHalf + 2 * kHalf * u;
      const double z = depthAt(v);
      return horizontal ? Vec3{a, sign * kHalf, z} : Vec3{sign * kHalf, a, z};
    });
  }
  if (walls)
    room.grid(across, across, Vec3{1, 0, 0}, Vec3{0, 1, 0}, [&](double u, double v) {
      return Vec3{-kHalf + 2 * kHalf * u, -kHalf + 2 * kHalf * v, kFar};
    });
  // The boxes' camera-facing sides: the front, the top when below the eye, the side turned to
  // the eye.
  for (const Box& b : boxes) {
    const double x1 = b.x0 + b.w, y1 = b.y0 + b.h;
    room.grid(cells(b.w), cells(b.h), Vec3{1, 0, 0}, Vec3{0, 1, 0}, [&](double u, double v) {
      return Vec3{b.x0 + b.w * u, b.y0 + b.h * v, b.z0};
    });
    if (y1 < 0)
      room.grid(cells(b.w), cells(b.d), Vec3{1, 0, 0}, Vec3{0, 0, 1}, [&](double u, double v) {
        return Vec3{b.x0 + b.w * u, y1, b.z0 + b.d * v};
      });
    if (b.x0 > 0 || x1 < 0) {
      const double x = b.x0 > 0 ? b.x0 : x1;
      room.grid(cells(b.d), cells(b.h), Vec3{0, 0, 1}, Vec3{0, 1, 0}, [&](double u, double v) {
        return Vec3{x, b.y0 + b.h * v, b.z0 + b.d * u};
      });
    }
  }
  return s;
}

}  // namespace

SceneData makeRoomScene(int count, double targetComplexity, double blendedShare, unsigned seed) {
  // Boxes standing on the floor, placed until the depth complexity reaches the target (measured
  // on sides of one cell each: the same surfaces)...
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> uni(0.0, 1.0);
  std::vector<Box> boxes;
  for (double complexity = depthComplexity(buildRoom({}, 100.0, 0.0, seed)); complexity < targetComplexity;
       complexity += depthComplexity(buildRoom({boxes.back()}, 100.0, 0.0, seed, false))) {
    Box b;
    b.w = 1.5 + 3.0 * uni(rng);
    b.d = 1.5 + 3.0 * uni(rng);
    b.h = 2.0 + 7.0 * uni(rng);
    b.x0 = -5.9 + (11.8 - b.w) * uni(rng);
    b.y0 = -6.0;
    b.z0 = 7.0 + (22.9 - b.d) * uni(rng);  // inside the back wall
    boxes.push_back(b);
  }
  // ...then the cell size that brings the triangle count nearest to `count`: cells shrink step
  // by step until the count passes it.
  double best = 12.0;
  long bestMiss = -1;
  for (double cell = 12.0; cell > 0.05; cell /= 1.05) {
    const long made = static_cast<long>(buildRoom(boxes, cell, 0.0, seed).triangles.size());
    if (bestMiss < 0 || std::labs(made - count) < bestMiss) {
      bestMiss = std::labs(made - count);
      best = cell;
    }
    if (made > count) break;
  }
  SceneData s = buildRoom(boxes, best, blendedShare, seed);
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
