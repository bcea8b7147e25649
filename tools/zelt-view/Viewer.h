// The viewer's kernel session: loads engine asset files into one scene, chooses or makes the
// camera, poses animations and renders frames into a memory buffer. Shared by the zelt-view
// program and the kernel benchmark.
#ifndef TOOLS_ZELT_VIEW_VIEWER_H
#define TOOLS_ZELT_VIEW_VIEWER_H

#include <cstdint>
#include <string>
#include <vector>

#include "include/zelt/zelt.h"
#include "lumora/engine/SceneList.h"

namespace zeltview {

// Kernel file functions: plain files; texture names (".dmf") are searched as given, then in
// the map folders in order, every component matched without regard to case.
void SetMapFolders(std::vector<std::string> folders);
// The handle is the game's, so reading, writing and closing are the game's own functions.
void* KernelOpen(const char* path, const char* mode);
using ::KernelClose;
using ::KernelReadAll;
using ::KernelWrite;

// World-space bounding sphere of every object with faces; false when there is none.
bool SceneBounds(ZeltScene* scene, float centre[3], float* radius);

class Viewer {
 public:
  Viewer() = default;
  ~Viewer();
  Viewer(const Viewer&) = delete;
  Viewer& operator=(const Viewer&) = delete;

  // Starts the kernel and an empty scene of width x height. mathBuild 0 chooses by processor.
  // Software kind: frames in pixels() with 15 or 16-bit pixels (kernelBits). With a display
  // target the kernel draws into the display layer's back buffer instead.
  bool Start(int width, int height, std::string& error, int mathBuild = 0, int kernelBits = 16,
             ZeltDisplayTarget* target = nullptr);
  // Loads one asset file by its extension; the map folders beside it are searched for textures.
  bool Load(const std::string& path, std::string& error);
  // Loads an animation file to be posed on the objects it names.
  bool LoadAnimation(const std::string& path, std::string& error);
  // Named camera (error when missing), else the first camera, else a camera framing the scene.
  // Adds a head light when the scene has no light of its own.
  bool ChooseCamera(const std::string& name, std::string& error);

  // Poses every animation at the frame (clamped to each animation's range).
  void Pose(float frame);
  float FirstFrame() const { return firstFrame_; }
  float LastFrame() const { return lastFrame_; }
  bool Animated() const { return !animations_.empty(); }

  // Free camera: from the current view, orbiting a pivot in front of the eye.
  void Orbit(float dTheta, float dPhi);
  void Zoom(float factor);
  void Walk(float forward);
  void Turn(float dTheta);

  // Renders one frame into pixels() (pitch = width), or into the display target. False with the
  // kernel's error.
  bool Render(std::string& error);
  // Draws the frame counters and the math build name at the top left.
  void DrawCounters(float framesPerSecond);

  ZeltScene* scene() const { return scene_; }
  std::vector<uint16_t>& pixels() { return pixels_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  void UseFreeCamera();
  void PlaceFreeCamera();
  void FitDepthRange();

  struct Posed {
    ZeltObject* object;
    ZeltAnimation* animation;
  };

  bool started_ = false;
  int bits_ = 16;
  ZeltDisplayTarget* target_ = nullptr;
  ZeltScene* scene_ = nullptr;
  int width_ = 0, height_ = 0;
  std::vector<uint16_t> pixels_;
  std::vector<Posed> animations_;
  std::vector<ZeltAnimation*> loose_;  // animations loaded from --anim files
  float firstFrame_ = 0, lastFrame_ = 0;
  float centre_[3] = {0, 0, 0};
  float radius_ = 1;

  ZeltCamera* free_ = nullptr;  // our own camera, once the view is moved
  float eye_[3] = {0, 0, 0};
  float theta_ = 0, phi_ = 1.5707964f, distance_ = 1, fov_ = 60;
};

}  // namespace zeltview

#endif
