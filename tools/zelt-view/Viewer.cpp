#include "tools/zelt-view/Viewer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/Files.h"
#include "tools/zelt-view/ViewOptions.h"

namespace zeltview {

namespace {

constexpr float kPi = 3.14159265f;

std::vector<std::string>& MapFolders() {
  static std::vector<std::string> folders;
  return folders;
}

bool IsTextureName(const char* path) {
  std::string lower(path);
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  return lower.find(".dmf") != std::string::npos;
}

std::string KernelError() {
  const char* text = nullptr;
  int code = Zelt_Get_Last_Error(nullptr, &text);
  return std::string(text ? text : "unknown error") + " (code " + std::to_string(code) + ")";
}

float Length(const float v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

// Smallest sphere holding both spheres (a, ra) and (b, rb); the result goes into a, ra.
void MergeSphere(float a[3], float& ra, const float b[3], float rb) {
  float d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  float dist = Length(d);
  if (dist + rb <= ra) return;
  if (dist + ra <= rb) {
    std::copy(b, b + 3, a);
    ra = rb;
    return;
  }
  float r = (dist + ra + rb) / 2;
  float t = (r - ra) / dist;
  for (int k = 0; k < 3; ++k) a[k] += d[k] * t;
  ra = r;
}

}  // namespace

void SetMapFolders(std::vector<std::string> folders) { MapFolders() = std::move(folders); }

void* KernelOpen(const char* path, const char* mode) {
  if (!path || !mode) return nullptr;
  std::string found;
  const bool reading = mode[0] == 'r';
  if (reading) {
    found = platform::ResolvePath(path);
    if (found.empty() && IsTextureName(path)) {
      const std::string name = std::filesystem::path(path).filename().string();
      for (const std::string& folder : MapFolders()) {
        found = platform::ResolvePath(folder, name);
        if (!found.empty()) break;
      }
    }
    if (found.empty()) return nullptr;
  } else {
    found = platform::ResolvePathForCreate(path);
    if (found.empty()) found = path;
  }
  std::FILE* f = std::fopen(found.c_str(), mode);
  if (!f) return nullptr;
  auto* h = new (std::nothrow) XKernelFile;
  if (!h) {
    std::fclose(f);
    return nullptr;
  }
  h->m_File = f;
  return h;
}

bool SceneBounds(ZeltScene* scene, float centre[3], float* radius) {
  bool any = false;
  float c[3] = {0, 0, 0}, r = 0;
  for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o)) {
    if (o->faceCount <= 0 || o->hidden) continue;
    ZeltVector oc{}, bmin{}, bmax{};
    float orad = 0;
    Zelt_Object_Get_Bounds(o, &oc, &orad, &bmin, &bmax);
    float m[16];
    Zelt_Object_Get_Global_Matrix(o, m);
    float wc[3];
    for (int k = 0; k < 3; ++k) wc[k] = oc.x * m[k] + oc.y * m[4 + k] + oc.z * m[8 + k] + m[12 + k];
    float scale = 0;
    for (int row = 0; row < 3; ++row) scale = std::max(scale, Length(&m[4 * row]));
    const float wr = orad * scale;
    if (!std::isfinite(wc[0] + wc[1] + wc[2] + wr)) continue;
    if (!any) {
      std::copy(wc, wc + 3, c);
      r = wr;
      any = true;
    } else {
      MergeSphere(c, r, wc, wr);
    }
  }
  if (!any) return false;
  std::copy(c, c + 3, centre);
  *radius = std::max(r, 1e-3f);
  return true;
}

Viewer::~Viewer() {
  if (scene_) Zelt_Scene_Release(scene_);
  if (started_) Zelt_Release_Kernel();
}

bool Viewer::Start(int width, int height, std::string& error, int mathBuild, int kernelBits,
                   ZeltDisplayTarget* target) {
  if (!Zelt_Init_Mathlib(mathBuild)) {
    error = "no math library: " + KernelError();
    return false;
  }
  Zelt_Init_Ptr(KernelOpen, KernelReadAll, KernelWrite, KernelClose, std::malloc, std::calloc, std::realloc,
                std::free);
  Zelt_Init_Vtbl(1);
  target_ = target;
  bits_ = target ? (target->depth == 16 ? 16 : 15) : (kernelBits == 15 ? 15 : 16);
  if (!Zelt_Init_Kernel(target ? 0 : bits_)) {
    error = "kernel start failed: " + KernelError();
    return false;
  }
  started_ = true;
  width_ = width;
  height_ = height;
  pixels_.assign(size_t(width) * size_t(height), 0);
  if (!Zelt_Scene_Create(&scene_) ||
      !Zelt_Scene_Init_Resolution(scene_, 0, 0, width, height, width, 1.0f, 1.0f, 10000.0f) ||
      !Zelt_Scene_Init_Render(scene_, target ? 0 : 1, target)) {
    error = "cannot make a scene: " + KernelError();
    return false;
  }
  Zelt_Scene_Set_Ambient_Light(scene_, 96, 96, 96);
  return true;
}

bool Viewer::Load(const std::string& path, std::string& error) {
  const std::filesystem::path dir = std::filesystem::path(path).parent_path();
  const std::string folder = dir.empty() ? std::string(".") : dir.string();
  std::vector<std::string> folders = MapFolders();
  for (const std::string& f : {folder, folder + "/Maps"})
    if (std::find(folders.begin(), folders.end(), f) == folders.end()) folders.push_back(f);
  SetMapFolders(folders);

  const std::string ext = Extension(path);
  int ok = 0;
  if (ext == ".s3d") {
    ok = Zelt_Load_Sdk_s3d(scene_, path.c_str());
  } else if (ext == ".o3d") {
    ZeltObject* object = nullptr;
    ok = Zelt_Load_Sdk_o3d(scene_, path.c_str(), &object);
  } else if (ext == ".a3d") {
    return LoadAnimation(path, error);
  } else if (ext == ".c3d") {
    ok = Zelt_Load_Sdk_c3d(scene_, path.c_str());
  } else if (ext == ".l3d") {
    ok = Zelt_Load_Sdk_l3d(scene_, path.c_str());
  } else {
    error = "not an engine asset file: " + path;
    return false;
  }
  if (!ok) {
    error = "cannot load " + path + ": " + KernelError();
    return false;
  }
  return true;
}

bool Viewer::LoadAnimation(const std::string& path, std::string& error) {
  ZeltAnimation* animation = nullptr;
  if (!Zelt_Load_Sdk_a3d(scene_, path.c_str(), &animation) || !animation) {
    error = "cannot load " + path + ": " + KernelError();
    return false;
  }
  loose_.push_back(animation);
  return true;
}

bool Viewer::ChooseCamera(const std::string& name, std::string& error) {
  // Animations: those loaded with the scene pose the roots they name; a separate animation file
  // poses the object it names, or, as a group, the objects its children name.
  animations_.clear();
  auto posedIndex = [&](ZeltObject* o) {
    for (size_t i = 0; i < animations_.size(); ++i)
      if (animations_[i].object == o) return int(i);
    return -1;
  };
  auto pose = [&](ZeltObject* o, ZeltAnimation* a) {
    int i = posedIndex(o);
    if (i >= 0)
      animations_[size_t(i)].animation = a;
    else
      animations_.push_back({o, a});
  };
  for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene_); o; o = Zelt_Scene_Get_Next_Object(scene_, o)) {
    if (o->parent) continue;
    if (ZeltAnimation* a = Zelt_Scene_Get_Animation(scene_, o->name)) pose(o, a);
  }
  for (ZeltAnimation* a : loose_) {
    if (ZeltObject* o = Zelt_Scene_Get_Object(scene_, a->name)) {
      pose(o, a);
      continue;
    }
    bool any = false;
    for (ZeltAnimation* c = a->firstChild; c; c = c->nextSibling)
      if (ZeltObject* o = Zelt_Scene_Get_Object(scene_, c->name)) {
        pose(o, c);
        any = true;
      }
    if (!any) {
      error = std::string("the animation ") + a->name + " names no loaded object";
      return false;
    }
  }
  if (!animations_.empty()) {
    firstFrame_ = float(animations_[0].animation->firstFrame);
    lastFrame_ = float(animations_[0].animation->lastFrame);
    for (const Posed& p : animations_) {
      firstFrame_ = std::min(firstFrame_, float(p.animation->firstFrame));
      lastFrame_ = std::max(lastFrame_, float(p.animation->lastFrame));
    }
    Pose(firstFrame_);
  }

  if (!SceneBounds(scene_, centre_, &radius_)) {
    std::fill(centre_, centre_ + 3, 0.0f);
    radius_ = 1;
  }
  ZeltCamera* camera = nullptr;
  if (!name.empty()) {
    camera = Zelt_Scene_Get_Camera(scene_, name.c_str());
    if (!camera) {
      error = "no camera named " + name;
      return false;
    }
  } else {
    camera = Zelt_Scene_Get_First_Camera(scene_);
  }
  if (camera) {
    if (!Zelt_Scene_Set_Active_Camera(scene_, camera)) {
      error = "cannot use the camera: " + KernelError();
      return false;
    }
    if (camera->fov > 1.0f && camera->fov < 179.0f) fov_ = camera->fov;
    // Eye and view direction from the camera's matrix, for the depth range and the free camera.
    float m[16];
    Zelt_Camera_Get_Matrix(camera, m);
    for (int i = 0; i < 3; ++i) eye_[i] = -(m[12] * m[4 * i] + m[13] * m[4 * i + 1] + m[14] * m[4 * i + 2]);
    float f[3] = {m[2], m[6], m[10]};
    const float len = Length(f);
    if (len > 0) {
      for (float& v : f) v /= len;
      phi_ = std::acos(std::clamp(-f[2], -1.0f, 1.0f));
      theta_ = std::atan2(-f[1], f[0]);
    }
    float toCentre[3] = {centre_[0] - eye_[0], centre_[1] - eye_[1], centre_[2] - eye_[2]};
    distance_ = std::max(Length(toCentre), radius_ * 0.5f);
    FitDepthRange();
  } else {
    // Framing camera: a little from above, the whole bounding sphere inside the narrower
    // half-angle of the view.
    fov_ = 60;
    theta_ = -0.7f;
    phi_ = 1.15f;
    const float half = std::atan(std::tan(fov_ * kPi / 360) * std::min(1.0f, float(height_) / float(width_)));
    distance_ = radius_ / std::sin(half) * 1.05f;
    OrbitEye(centre_, theta_, phi_, distance_, eye_);
    UseFreeCamera();
    if (!free_) {
      error = "cannot make a camera: " + KernelError();
      return false;
    }
  }
  // A scene without lights gets one at the eye, so lit materials are not left in the dark.
  if (!Zelt_Scene_Get_First_Light(scene_)) {
    ZeltLight* light = nullptr;
    if (Zelt_Light_Create(scene_, &light)) {
      Zelt_Light_Set_Name(light, "zelt-view head light");
      Zelt_Light_Set_Colour(light, 255, 255, 255);
      Zelt_Light_Set_Multiplier(light, 1.0f);
      const float up = radius_ * 0.5f;
      ZeltVector at{eye_[0], eye_[1], eye_[2] + up};
      Zelt_Light_Set_Global_Position(light, &at);
    }
  }
  Zelt_Scene_All_Light_Include_Scene_All_Object(scene_, 1);
  return true;
}

void Viewer::Pose(float frame) {
  for (const Posed& p : animations_) Zelt_Object_Animate_Spline(p.object, p.animation, frame, 0, 1);
}

void Viewer::FitDepthRange() {
  float toCentre[3] = {centre_[0] - eye_[0], centre_[1] - eye_[1], centre_[2] - eye_[2]};
  const float far = std::max(Length(toCentre) + radius_ * 2.0f, 10.0f);
  const float nearZ = std::max(far * 1e-4f, 0.01f);
  Zelt_Scene_Init_Resolution(scene_, 0, 0, width_, height_, width_, 1.0f, nearZ, far);
}

void Viewer::UseFreeCamera() {
  if (!free_) {
    if (!Zelt_Camera_Create(scene_, &free_)) {
      free_ = nullptr;
      return;
    }
    Zelt_Camera_Set_Type(free_, ZELT_CAMERA_POLAR);
    Zelt_Camera_Set_Fov(free_, fov_);
    Zelt_Scene_Set_Active_Camera(scene_, free_);
  }
  PlaceFreeCamera();
}

void Viewer::PlaceFreeCamera() {
  if (!free_) return;
  ZeltVector eye{eye_[0], eye_[1], eye_[2]};
  Zelt_Camera_Set_Position(free_, &eye);
  Zelt_Camera_Set_Polar(free_, theta_, phi_);
  FitDepthRange();
}

void Viewer::Orbit(float dTheta, float dPhi) {
  float dir[3], pivot[3];
  DirectionOf(theta_, phi_, dir);
  for (int k = 0; k < 3; ++k) pivot[k] = eye_[k] + dir[k] * distance_;
  theta_ += dTheta;
  phi_ = std::clamp(phi_ + dPhi, 0.05f, kPi - 0.05f);
  OrbitEye(pivot, theta_, phi_, distance_, eye_);
  UseFreeCamera();
}

void Viewer::Zoom(float factor) {
  float dir[3], pivot[3];
  DirectionOf(theta_, phi_, dir);
  for (int k = 0; k < 3; ++k) pivot[k] = eye_[k] + dir[k] * distance_;
  distance_ = std::clamp(distance_ * factor, radius_ * 0.05f, radius_ * 50.0f);
  OrbitEye(pivot, theta_, phi_, distance_, eye_);
  UseFreeCamera();
}

void Viewer::Walk(float forward) {
  const float step = forward * radius_ * 0.02f;
  eye_[0] += std::cos(theta_) * step;
  eye_[1] -= std::sin(theta_) * step;
  UseFreeCamera();
}

void Viewer::Turn(float dTheta) {
  theta_ += dTheta;
  UseFreeCamera();
}

bool Viewer::Render(std::string& error) {
  if (!Zelt_Render(scene_, target_ ? nullptr : pixels_.data(), nullptr, 1)) {
    error = "render failed: " + KernelError();
    return false;
  }
  return true;
}

void Viewer::DrawCounters(float framesPerSecond) {
  const ZeltFaceCounters& c = scene_->counters;
  char line[128];
  const uint16_t colour = bits_ == 16 ? 0xFFE0 : 0x7FE0;  // yellow
  int y = 4;
  uint16_t* pixels = pixels_.data();
  int pitch = width_;
  if (target_ && !(pixels = target_->lock(target_->user, &pitch))) return;
  auto print = [&](const char* text) {
    Zelt_Print(text, 4, y, pitch, colour, pixels);
    y += 10;
  };
  std::snprintf(line, sizeof line, "%s  %.1f fps", Zelt_Get_Mathlib_Name(), double(framesPerSecond));
  print(line);
  std::snprintf(line, sizeof line, "faces %d / culled %d / pyramid %d / unclipped %d", c.beforeCulling,
                c.afterCulling, c.afterPyramidCulling, c.afterPyramidClipping);
  print(line);
  std::snprintf(line, sizeof line, "transparent %d  triangles %d", c.transparent, c.trianglesDrawn);
  print(line);
  if (target_) target_->unlock(target_->user);
}

}  // namespace zeltview
