// The same scene through Mesa's software OpenGL: vertex arrays, depth test, nearest texels
// modulated by the vertex light, blended triangles drawn back to front over the opaque ones.
#include <algorithm>
#include <cstdlib>

#include "Scene.h"

#if TARNEL_BENCH_OSMESA
#include <GL/gl.h>
#include <GL/osmesa.h>
#endif

namespace bench {

#if TARNEL_BENCH_OSMESA

bool MesaPeer::open(const SceneData& s, int width, int height) {
  // One rendering thread: llvmpipe reads this when the context is made.
  setenv("LP_NUM_THREADS", "0", 1);
  OSMesaContext ctx = OSMesaCreateContextExt(OSMESA_RGB_565, 16, 0, 0, nullptr);
  if (!ctx) return false;
  buffer_.assign(static_cast<size_t>(width) * height, 0);
  if (!OSMesaMakeCurrent(ctx, buffer_.data(), GL_UNSIGNED_SHORT_5_6_5, width, height)) {
    OSMesaDestroyContext(ctx);
    return false;
  }
  context_ = ctx;
  scene_ = &s;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // The same right-angled pyramid as the kernel's camera space (x and y up to z).
  glFrustum(-1.0, 1.0, -1.0, 1.0, 1.0, 1000.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glScalef(1.0f, 1.0f, -1.0f);  // camera space looks along +z
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DITHER);

  std::vector<uint8_t> rgb(256 * 256 * 3);
  for (int i = 0; i < 256 * 256; ++i) {
    const uint32_t c = s.palette[s.texels[i]];
    rgb[i * 3] = (c >> 16) & 0xFF;
    rgb[i * 3 + 1] = (c >> 8) & 0xFF;
    rgb[i * 3 + 2] = c & 0xFF;
  }
  GLuint tex = 0;
  glGenTextures(1, &tex);
  texture_ = tex;
  glBindTexture(GL_TEXTURE_2D, tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_TEXTURE_2D);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);

  for (size_t i = 0; i < s.triangles.size(); ++i) {
    const Triangle& t = s.triangles[i];
    if (t.blended) {
      order_.push_back(static_cast<int>(i));
      continue;
    }
    for (const Corner& c : t.c) {
      opaqueVerts_.insert(opaqueVerts_.end(), {c.x, c.y, c.z});
      opaqueUV_.insert(opaqueUV_.end(), {c.u, c.v});
      const uint8_t l = static_cast<uint8_t>(c.light);
      opaqueColour_.insert(opaqueColour_.end(), {l, l, l, 255});
    }
  }
  blendVerts_.resize(order_.size() * 9);
  blendUV_.resize(order_.size() * 6);
  blendColour_.resize(order_.size() * 12);
  return true;
}

void MesaPeer::frame() {
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);
  glVertexPointer(3, GL_FLOAT, 0, opaqueVerts_.data());
  glTexCoordPointer(2, GL_FLOAT, 0, opaqueUV_.data());
  glColorPointer(4, GL_UNSIGNED_BYTE, 0, opaqueColour_.data());
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(opaqueVerts_.size() / 3));

  // Back to front by the farthest corner, as the plug-in paints its blended list.
  const auto far = [&](int i) {
    const Triangle& t = scene_->triangles[i];
    return std::max({t.c[0].z, t.c[1].z, t.c[2].z});
  };
  std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) { return far(a) > far(b); });
  size_t k = 0;
  for (int i : order_) {
    for (const Corner& c : scene_->triangles[i].c) {
      blendVerts_[k * 3] = c.x;
      blendVerts_[k * 3 + 1] = c.y;
      blendVerts_[k * 3 + 2] = c.z;
      blendUV_[k * 2] = c.u;
      blendUV_[k * 2 + 1] = c.v;
      const uint8_t l = static_cast<uint8_t>(c.light);
      blendColour_[k * 4] = blendColour_[k * 4 + 1] = blendColour_[k * 4 + 2] = l;
      blendColour_[k * 4 + 3] = 128;
      ++k;
    }
  }
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDepthMask(GL_FALSE);
  glVertexPointer(3, GL_FLOAT, 0, blendVerts_.data());
  glTexCoordPointer(2, GL_FLOAT, 0, blendUV_.data());
  glColorPointer(4, GL_UNSIGNED_BYTE, 0, blendColour_.data());
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(k));
  glFinish();
}

double MesaPeer::coveredShare() const {
  size_t n = 0;
  for (uint16_t p : buffer_) n += p != 0;
  return buffer_.empty() ? 0.0 : static_cast<double>(n) / buffer_.size();
}

void MesaPeer::close() {
  if (!context_) return;
  GLuint tex = texture_;
  glDeleteTextures(1, &tex);
  OSMesaDestroyContext(static_cast<OSMesaContext>(context_));
  context_ = nullptr;
}

#else

bool MesaPeer::open(const SceneData&, int, int) { return false; }
void MesaPeer::frame() {}
void MesaPeer::close() {}
double MesaPeer::coveredShare() const { return 0.0; }

#endif

}  // namespace bench
