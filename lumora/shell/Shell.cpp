// The program's entry steps, main loop, window procedure and loop helpers.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "include/zelt/zelt.h"
#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XScene.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XFrameManager.h"
#include "lumora/game/XGame.h"
#include "lumora/shell/Capture.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/XApplication.h"
#include "lumora/shell/XDisplay.h"
#include "mirel/GameTemplate.h"
#include "platform/Time.h"
#include "platform/Window.h"

using namespace platform;

namespace {

// Stands for the game's module: its resources (the dialog template) are registered under it.
char g_Module;

void DeleteSingletons() {
    delete g_App;
    g_App = nullptr;
    delete g_Display;
    g_Display = nullptr;
}

void ClearKeys() { std::memset(g_Keys, 0, sizeof g_Keys); }

// The pointer in client coordinates (the game's window in window mode).
POINT PointerPosition(HWND hwnd) {
    POINT p{};
    GetCursorPos(&p);
    if (!g_Display || !g_Display->IsFullScreen()) ScreenToClient(hwnd, &p);
    return p;
}

LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LFrameManager* fm = g_App ? g_App->m_FrameManager : nullptr;
    if (g_Active && fm && fm->OfferMessage(hwnd, message, wParam, lParam) == 1) {
        if (g_App->GetState() == APP_SCENE && g_CurrentScene) g_CurrentScene->OnScreenMessage();
        return 1;
    }
    if (g_Display && g_Display->m_Context) {
        int handled = 0;
        LRESULT result = 0;
        Dwen_WindowProc(g_Display->m_Context, hwnd, message, wParam, lParam, &handled, &result);
        if (handled) return result;
    }
    const int x = static_cast<short>(lParam & 0xFFFF), y = static_cast<short>((lParam >> 16) & 0xFFFF);
    switch (message) {
    case WM_ACTIVATEAPP:
        g_Active = (wParam == 1 || wParam == 2) ? 1 : 0;
        if (g_Active) ClearKeys();
        return 0;
    case WM_ACTIVATE:
        if ((wParam & 0xFFFF) == 0 || (wParam >> 16) != 0) {
            g_Active = 0;
            ClearKeys();
        } else {
            g_Active = 1;
        }
        return 0;
    case WM_CLOSE:
        if (g_App) g_App->Escape(1);
        return 0;
    case WM_DESTROY:
        DeleteSingletons();
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN:
        g_Keys[wParam & 0xFF] = 1;
        return 0;
    case WM_KEYUP:
        if (g_App && g_App->GetState() == APP_SCENE && g_CurrentScene) {
            const POINT p = PointerPosition(hwnd);
            if (g_CurrentScene->m_Pilot) g_CurrentScene->m_Pilot->m_Moving = 0;
            g_CurrentScene->Pick(p.x, p.y);
            g_CurrentScene->OnKeyUp(static_cast<int>(wParam));
        }
        if (g_App && g_App->GetState() == APP_SCENE && g_Cursor) g_Cursor->Resume(0);
        g_Keys[wParam & 0xFF] = 0;
        return 0;
    case WM_MOUSEMOVE:
        if (g_App) g_App->OnMouseMove(x, y);
        return 0;
    case WM_LBUTTONDOWN:
        if (g_App && !g_App->OnLButtonDown(x, y)) DestroyWindow(hwnd);
        return 0;
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
        if (g_App) g_App->OnLButtonUp(x, y);
        return 0;
    case WM_RBUTTONDOWN:
        if (g_App) g_App->OnRButtonDown(x, y);
        return 0;
    case WM_RBUTTONUP:
        if (g_App) g_App->OnRButtonUp(x, y);
        return 0;
    default: return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

void CentreWindow(HWND hwnd) {
    RECT work{}, frame{};
    SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(hwnd, &frame);
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - w) / 2, work.top + (work.bottom - work.top - h) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// One pass of the 2D screens state.
void ScreensPass() {
    LFrameManager* fm = g_App->m_FrameManager;
    if (!fm) return;
    if (g_Cursor) {
        const RECT r = g_Cursor->GetDrawRect();
        fm->GetUpdateRegion()->Invalidate(&r);
    }
    fm->Redraw(1);
    if (g_Cursor) {
        g_Cursor->Resume(1);
        g_Cursor->Draw();
    }
    Dwen_Show_BackBuffer(g_Display->m_Context);
    if (g_App && g_Keys[VK_ESCAPE]) g_App->Escape();
}

// Ends the start-up: the singletons go, the window is destroyed.
int EndStartup(HWND hwnd, int result) {
    DeleteSingletons();
    DestroyWindow(hwnd);
    return result;
}

}  // namespace

void PumpMessages() {
    CaptureHotKey();
    MSG msg{};
    while (PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!GetMessage(&msg, nullptr, 0, 0)) {
            DeleteSingletons();
            std::exit(0);
        }
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

void Wait(unsigned ms) {
    // The fixed clock moves only when a frame is presented: a busy wait would never end.
    if (IsFixedClock()) return;
    const DWORD start = timeGetTime();
    while (timeGetTime() - start < ms) {
    }
}

int KeyPressed(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

int FileExists(const char* path) {
    if (!path) return 0;
    const std::string real = ResolveForReading(path);
    if (real.empty()) return 0;
    std::FILE* f = std::fopen(real.c_str(), "rb");
    if (!f) return 0;
    std::fclose(f);
    return 1;
}

int LumoraMain(int argc, char** argv) {
    const char* dataDir = nullptr;
    const char* saveDir = nullptr;
    // An author's shortcut: straight into one scene list instead of the start universe.
    const char* firstScene = "U00.ZELT";
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--data") == 0) dataDir = argv[++i];
        else if (std::strcmp(argv[i], "--save") == 0) saveDir = argv[++i];
        else if (std::strcmp(argv[i], "--scene") == 0) firstScene = argv[++i];
    }

    const char* title = GetMessageText(900);
    WNDCLASS wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &WindowProc;
    wc.hInstance = &g_Module;
    wc.lpszClassName = title;
    if (!RegisterClass(&wc)) return 0;
    HWND hwnd = CreateWindow(title, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr,
                             nullptr, &g_Module);
    if (!hwnd) return 0;
    SetReportWindow(hwnd);

    MirelRegisterGameTemplate(&g_Module);
    g_Display = new XDisplay();
    if (!g_Display->Init(&g_Module, hwnd)) return EndStartup(hwnd, 0);

    new XApplication(hwnd);
    if (!g_App->InitPaths(dataDir, saveDir)) {
        std::fprintf(stderr, "lumora: no game data found%s%s (a folder holding APP.BIN); give it with --data DIR\n",
                     dataDir ? " in " : "", dataDir ? dataDir : "");
        return EndStartup(hwnd, 0);
    }
    g_App->InitParams();
    if (!g_App->InitObjects()) return EndStartup(hwnd, 0);
    if (!g_Display->SetSize(g_Display->m_Choice.width, g_Display->m_Choice.height)) return EndStartup(hwnd, 0);

    CentreWindow(hwnd);
    if (g_Display->IsFullScreen()) ShowWindow(hwnd, SW_HIDE);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);

    g_App->m_State = APP_SCREENS;
    char path[400];
    std::snprintf(path, sizeof path, "%s2dbit/Intro1.bmp", g_App->m_DataDir);
    g_App->ShowBitmap(path);
    Wait(3000);
    std::snprintf(path, sizeof path, "%s2dbit/Intro2.bmp", g_App->m_DataDir);
    g_App->ShowBitmap(path);
    Wait(2000);
    g_App->ShowBitmap(path);

    g_App->m_Game->SetSceneList(firstScene);
    // The universe is known before its scene starts, as after a change of
    // universe: an arrival's automatic save records it as the player's progress.
    g_App->m_Game->m_Universe = static_cast<short>(UniverseOfList(firstScene));
    g_App->SetState(APP_LOAD_SCENE);
    // Straight into a universe as a new game would be: with its inventory.
    if (std::strcmp(firstScene, "U00.ZELT") != 0)
        if (auto* frames = dynamic_cast<XFrameManager*>(g_App->m_FrameManager)) frames->EnsureInventoryPanel();

    for (;;) {
        ::PumpMessages();
        if (!g_Active || !g_App) continue;
        bool leave = false;
        switch (g_App->GetState()) {
        case APP_SCENE:
            if (XScene* scene = g_CurrentScene) {
                scene->Animate();
                scene->Render();
                if (!g_App->m_InputLocked) {
                    if (!scene->Step()) {
                        new MessageToUser(0, 106, __FILE__, __LINE__);
                        leave = true;
                        break;
                    }
                    if (g_Keys[VK_ESCAPE] || g_Keys[VK_F5]) g_App->Escape();
                }
            }
            break;
        case APP_LOAD_SCENE: {
            XGame* game = g_App->m_Game;
            if (!game->StartScene(game->m_SceneList, 1, nullptr)) {
                // A scene that cannot be had is not retried on every pass:
                // the player gets the menus back.
                DeleteCurrentScene();
                g_App->OpenOptionMenu(0);
            }
            break;
        }
        case APP_SCREENS: ScreensPass(); break;
        default: break;
        }
        if (leave) break;
    }
    DeleteSingletons();
    DestroyWindow(hwnd);
    return -1;
}
