// zelt-view: shows engine asset files through the kernel. With --out it writes one frame as a
// PNG and ends; otherwise it opens a window: drag orbits, wheel zooms, arrows walk and turn,
// space plays the animation, F1 shows the frame counters, Escape quits.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "tools/zelt-view/ViewOptions.h"
#include "tools/zelt-view/Viewer.h"

using namespace platform;

namespace {

struct WindowState {
  zeltview::Viewer* viewer = nullptr;
  bool dragging = false;
  int lastX = 0, lastY = 0;
  bool playing = false;
  bool counters = false;
};

WindowState g_window;

LRESULT ViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowState& s = g_window;
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) DestroyWindow(hwnd);
      if (lParam & (1 << 30)) return 0;  // auto-repeat of the toggles
      if (wParam == VK_SPACE) s.playing = !s.playing;
      if (wParam == VK_F1) s.counters = !s.counters;
      return 0;
    case WM_LBUTTONDOWN:
      s.dragging = true;
      s.lastX = GET_X_LPARAM(lParam);
      s.lastY = GET_Y_LPARAM(lParam);
      return 0;
    case WM_LBUTTONUP:
      s.dragging = false;
      return 0;
    case WM_MOUSEMOVE:
      if (s.dragging && (wParam & MK_LBUTTON)) {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        s.viewer->Orbit(float(x - s.lastX) * 0.01f, float(s.lastY - y) * 0.01f);
        s.lastX = x;
        s.lastY = y;
      }
      return 0;
    case WM_MOUSEWHEEL: {
      const int delta = static_cast<short>(HIWORD(static_cast<std::uintptr_t>(wParam)));
      s.viewer->Zoom(std::pow(0.9f, float(delta) / 120.0f));
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "zelt-view: %s\n", why.c_str());
  return 1;
}

int RunWindow(zeltview::Viewer& viewer, float frame) {
  WNDCLASS wc;
  wc.style = 0;
  wc.lpfnWndProc = ViewProc;
  wc.lpszClassName = "ZeltView";
  if (!RegisterClass(&wc)) return Fail("cannot register the window class");
  HWND hwnd = CreateWindow("ZeltView", "zelt-view", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                           viewer.width(), viewer.height());
  if (!hwnd) return Fail("cannot open a window");
  ShowWindow(hwnd, SW_SHOWNORMAL);
  g_window.viewer = &viewer;

  const bool headless = CurrentBackend() == BackendKind::Headless;
  DWORD last = timeGetTime();
  float fps = 0;
  int idleFrames = 0;
  PixelView view{viewer.pixels().data(), viewer.width(), viewer.height(), viewer.width() * 2,
                 PixelFormat::RGB565};
  for (;;) {
    if (!PumpMessages()) break;
    const DWORD now = timeGetTime();
    const float seconds = float(now - last) / 1000.0f;
    last = now;
    if (seconds > 0) fps = fps * 0.9f + 0.1f / seconds;
    // Arrows walk and turn while held.
    if (GetAsyncKeyState(VK_UP) & 0x8000) viewer.Walk(1);
    if (GetAsyncKeyState(VK_DOWN) & 0x8000) viewer.Walk(-1);
    if (GetAsyncKeyState(VK_LEFT) & 0x8000) viewer.Turn(-0.03f);
    if (GetAsyncKeyState(VK_RIGHT) & 0x8000) viewer.Turn(0.03f);
    if (g_window.playing && viewer.Animated()) {
      frame += 30.0f * std::min(seconds, 0.1f);
      if (frame > viewer.LastFrame()) frame = viewer.FirstFrame();
      viewer.Pose(frame);
    }
    std::string error;
    if (!viewer.Render(error)) {
      DestroyWindow(hwnd);
      return Fail(error);
    }
    if (g_window.counters) viewer.DrawCounters(fps);
    Present(view);
    if (headless) {
      // Nobody can use the window: end once the input script (if any) is spent.
      idleFrames = PendingScriptedEvents() == 0 ? idleFrames + 1 : 0;
      if (idleFrames > 2) break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  zeltview::Options o;
  std::string error;
  if (!zeltview::ParseOptions(args, o, error)) {
    std::fprintf(stderr, "zelt-view: %s\n%s", error.c_str(), zeltview::kUsage);
    return 2;
  }
  zeltview::Viewer viewer;
  if (!viewer.Start(o.width, o.height, error)) return Fail(error);
  for (const std::string& file : o.files)
    if (!viewer.Load(file, error)) return Fail(error);
  if (!o.anim.empty() && !viewer.LoadAnimation(o.anim, error)) return Fail(error);
  if (!viewer.ChooseCamera(o.camera, error)) return Fail(error);
  const float frame = o.haveFrame ? o.frame : viewer.FirstFrame();
  viewer.Pose(frame);
  if (!o.out.empty()) {
    if (!viewer.Render(error)) return Fail(error);
    if (!zeltview::WritePng565(o.out, viewer.pixels().data(), viewer.width(), viewer.height(), viewer.width(),
                               error))
      return Fail("cannot write " + o.out + ": " + error);
    return 0;
  }
  return RunWindow(viewer, frame);
}
