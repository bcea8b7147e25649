// zelt-view: shows engine asset files through the kernel. With --out it writes one frame as a
// PNG and ends; otherwise it opens a window: drag orbits, wheel zooms, arrows walk and turn,
// space plays the animation, F1 shows the frame counters, Escape quits.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <algorithm>
#include <cstring>

#include "dwen/Dwen.h"
#include "dwen/ZeltTarget.h"
#include "mirel/Mirel.h"
#include "platform/Platform.h"
#include "tools/zelt-view/ViewOptions.h"
#include "tools/zelt-view/Viewer.h"

using namespace platform;

namespace {

struct WindowState {
  zeltview::Viewer* viewer = nullptr;
  DwenContext* display = nullptr;
  bool dragging = false;
  int lastX = 0, lastY = 0;
  bool playing = false;
  bool counters = false;
};

WindowState g_window;

LRESULT ViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowState& s = g_window;
  if (s.display) {
    int handled = 0;
    LRESULT result = 0;
    Dwen_WindowProc(s.display, hwnd, message, wParam, lParam, &handled, &result);
    if (handled) return result;
  }
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) DestroyWindow(hwnd);
      if (lParam & (1 << 30)) return 0;  // auto-repeat of the toggles
      if (wParam == VK_SPACE) s.playing = !s.playing;
      if (wParam == VK_F1) s.counters = !s.counters;
      return 0;
    case WM_LBUTTONDOWN:
      if (!s.viewer) return 0;
      s.dragging = true;
      s.lastX = GET_X_LPARAM(lParam);
      s.lastY = GET_Y_LPARAM(lParam);
      return 0;
    case WM_LBUTTONUP:
      s.dragging = false;
      return 0;
    case WM_MOUSEMOVE:
      if (s.viewer && s.dragging && (wParam & MK_LBUTTON)) {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        s.viewer->Orbit(float(x - s.lastX) * 0.01f, float(s.lastY - y) * 0.01f);
        s.lastX = x;
        s.lastY = y;
      }
      return 0;
    case WM_MOUSEWHEEL: {
      if (!s.viewer) return 0;
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

// Copies a software frame into the locked back buffer.
bool CopyToBackBuffer(DwenContext* display, const std::vector<uint16_t>& pixels, int width, int height) {
  void* bits = nullptr;
  int pitch = 0;
  if (!Dwen_Lock_BackBuffer(display, &bits, &pitch)) return false;
  const int rows = std::min(height, display->currentMode->height);
  const size_t bytes = size_t(std::min(width, display->currentMode->width)) * 2;
  for (int y = 0; y < rows; ++y)
    std::memcpy(static_cast<uint8_t*>(bits) + ptrdiff_t(y) * pitch, pixels.data() + size_t(y) * width, bytes);
  Dwen_Unlock_BackBuffer(display, bits);
  return true;
}

int RunWindow(zeltview::Viewer& viewer, HWND hwnd, DwenContext* display, bool software, float frame) {
  g_window.viewer = &viewer;
  g_window.display = display;
  const bool headless = CurrentBackend() == BackendKind::Headless;
  DWORD last = timeGetTime();
  float fps = 0;
  int idleFrames = 0;
  for (;;) {
    if (!PumpMessages() || !IsWindow(hwnd)) break;
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
    if (software && !CopyToBackBuffer(display, viewer.pixels(), viewer.width(), viewer.height()))
      return Fail(std::string("cannot draw: ") + display->errorText);
    if (!Dwen_Show_BackBuffer(display)) return Fail(std::string("cannot show: ") + display->errorText);
    if (headless) {
      // Nobody can use the window: end once the input script (if any) is spent.
      idleFrames = PendingScriptedEvents() == 0 ? idleFrames + 1 : 0;
      if (idleFrames > 2) break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  g_window.display = nullptr;
  return 0;
}

bool LoadScene(zeltview::Viewer& viewer, const zeltview::Options& o, std::string& error) {
  for (const std::string& file : o.files)
    if (!viewer.Load(file, error)) return false;
  if (!o.anim.empty() && !viewer.LoadAnimation(o.anim, error)) return false;
  if (!viewer.ChooseCamera(o.camera, error)) return false;
  viewer.Pose(o.haveFrame ? o.frame : viewer.FirstFrame());
  return true;
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
  if (!o.out.empty()) {
    if (!viewer.Start(o.width, o.height, error)) return Fail(error);
    if (!LoadScene(viewer, o, error)) return Fail(error);
    if (!viewer.Render(error)) return Fail(error);
    if (!zeltview::WritePng565(o.out, viewer.pixels().data(), viewer.width(), viewer.height(), viewer.width(),
                               error))
      return Fail("cannot write " + o.out + ": " + error);
    return 0;
  }

  // The window and its display, set up by the dialog or directly.
  WNDCLASS wc;
  wc.style = 0;
  wc.lpfnWndProc = ViewProc;
  wc.lpszClassName = "ZeltView";
  if (!RegisterClass(&wc)) return Fail("cannot register the window class");
  HWND hwnd = CreateWindow("ZeltView", "zelt-view", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, o.width,
                           o.height);
  if (!hwnd) return Fail("cannot open a window");
  ShowWindow(hwnd, SW_SHOWNORMAL);
  SetDisplay16BitFormat(o.format555 ? PixelFormat::RGB555 : PixelFormat::RGB565);
  static DwenContext display{};
  Dwen_Init_Io(&display, std::malloc, std::calloc, std::realloc, std::free);
  bool software = !o.display;
  int width = o.width, height = o.height;
  if (o.dialog) {
    DisplayChoice choice{};
    if (!Mirel_Init(nullptr, hwnd, &display, &choice)) return 1;
    software = choice.renderer == 1;
    width = choice.width;
    height = choice.height;
  } else if (!Dwen_Init_All(&display, hwnd, width, height, 16, o.fullScreen ? 1 : 0, software ? 0 : 1, 1, 1)) {
    return Fail(std::string("cannot set the display up: ") + display.errorText);
  }
  DwenZeltTarget target;
  DwenZeltTarget_Init(&target, &display);
  if (!viewer.Start(width, height, error, 0, target.target.depth == 15 ? 15 : 16, software ? nullptr : &target.target))
    return Fail(error);
  if (!LoadScene(viewer, o, error)) return Fail(error);
  const int status = RunWindow(viewer, hwnd, &display, software, o.haveFrame ? o.frame : viewer.FirstFrame());
  Dwen_Destroy(&display, 1);
  return status;
}
