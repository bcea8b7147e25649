// lumora-screens: opens one frame of a data root through the 2D framework,
// so an author can look at a screen and click through it without the game.
//
//     lumora-screens DATAROOT FRAME [--frames N] [--cursor]
//
// --cursor draws the game's cursor (its pictures come from 2DBIT/) over the
// screens, as the game does.
// In a window it runs until Escape or the close button. Headless it plays
// LUMORA_INPUT and ends once the script is spent (or after N frames);
// LUMORA_CLOCK and LUMORA_FRAMES work as everywhere. Each screen change is
// printed as "screen: NAME".
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "lumora/framework/Bitmaps.h"
#include "lumora/framework/FrameFormat.h"
#include "lumora/framework/LClassCreator.h"
#include "lumora/framework/LView.h"
#include "lumora/framework/LFrame.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XInventoryPanel.h"
#include "lumora/game/XOptionViews.h"
#include "platform/Platform.h"

using namespace platform;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

LFrameManager* g_Manager = nullptr;

LRESULT ScreensProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_Manager && g_Manager->OfferMessage(hwnd, message, wParam, lParam)) return 0;
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) DestroyWindow(hwnd);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default: return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

int Usage() {
    std::fprintf(stderr, "usage: lumora-screens DATAROOT FRAME [--frames N] [--cursor]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    long maxFrames = -1;
    bool withCursor = false;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc)
            maxFrames = std::strtol(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "--cursor") == 0)
            withCursor = true;
        else
            return Usage();
    }
    std::string dataRoot = ResolvePath(argv[1]);
    if (dataRoot.empty()) {
        std::fprintf(stderr, "lumora-screens: no data root %s\n", argv[1]);
        return 1;
    }
    if (dataRoot.back() != '/') dataRoot += '/';

    WNDCLASS wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ScreensProc;
    wc.lpszClassName = "LumoraScreens";
    if (!RegisterClass(&wc)) return 1;
    HWND hwnd = CreateWindow("LumoraScreens", "Lumora screens", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                             kWidth, kHeight);
    if (!hwnd) return 1;
    ShowWindow(hwnd, SW_SHOWNORMAL);

    DirectDraw* dd = nullptr;
    if (FAILED(DirectDrawCreate(nullptr, &dd)) || FAILED(dd->SetCooperativeLevel(hwnd, DDSCL_NORMAL))) {
        std::fprintf(stderr, "lumora-screens: no display object\n");
        return 1;
    }
    DirectDrawSurface* target = CreateOffscreenSurface(dd, Display16BitFormat(), kWidth, kHeight);
    if (!target) {
        std::fprintf(stderr, "lumora-screens: no draw target\n");
        return 1;
    }

    int status = 0;
    {
        LFrameManager manager;
        g_Manager = &manager;
        const int init = manager.Init(dd, nullptr, target, hwnd, nullptr, 0, dataRoot.c_str(), 0);
        std::unique_ptr<XCursor> cursor;
        if (init == 0) {
            RegisterInventoryClasses(&manager);
            RegisterOptionViewClasses(&manager);
            if (withCursor) {
                cursor = std::make_unique<XCursor>(hwnd, dd, target);
                cursor->LoadCursors();
                cursor->Select(XCursor::kModeTable, XCursor::kDefault, 0);
            }
        }
        if (init != 0) {
            std::fprintf(stderr, "lumora-screens: the data root %s has no 2DBIT/Media.txt\n", dataRoot.c_str());
            status = 1;
        } else if (!manager.OpenFrame(argv[2])) {
            std::fprintf(stderr, "lumora-screens: cannot open the frame %s\n", argv[2]);
            status = 1;
        } else {
            const bool headless = CurrentBackend() == BackendKind::Headless;
            std::string shown;
            long frames = 0;
            int idleFrames = 0;
            while (maxFrames < 0 || frames < maxFrames) {
                if (!PumpMessages()) break;
                manager.Redraw(1);
                if (cursor) cursor->Draw();
                LFrame* current = manager.GetCurrentFrame();
                if (current && shown != current->GetName()) {
                    shown = current->GetName();
                    std::printf("screen: %s\n", shown.c_str());
                    std::fflush(stdout);
                }
                manager.ShowDrawTarget();
                ++frames;
                if (headless) {
                    idleFrames = PendingScriptedEvents() == 0 ? idleFrames + 1 : 0;
                    if (maxFrames < 0 && idleFrames > 2) break;
                } else {
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
            }
            std::printf("lumora-screens: frames %ld\n", frames);
        }
        g_Manager = nullptr;
    }
    target->Release();
    dd->Release();
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    return status;
}
