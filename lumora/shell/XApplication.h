// The application object: the main-loop state, the data and save folders,
// the input lock and the Escape switch, the long-lived singletons, the
// window procedure's handlers, video playback and the start-up pictures.
#pragma once

#include <cstdint>

#include "lumora/game/XAppPort.h"
#include "platform/Types.h"

class LFrameManager;
class XCursor;
class XGame;
class XPlayerList;

enum AppState { APP_SCENE = 0, APP_LOAD_SCENE = 1, APP_SCREENS = 2, APP_VIDEO = 3 };

class XApplication : public XAppPort {
public:
    explicit XApplication(platform::HWND window);
    ~XApplication() override;
    XApplication(const XApplication&) = delete;
    XApplication& operator=(const XApplication&) = delete;

    // Establishes m_DataDir and m_SaveDir (an empty override follows the
    // folder rules) and starts the debug log; 0 when there is no data root.
    int InitPaths(const char* dataOverride, const char* saveOverride);
    // Texture filtering from "InfoPara.bin" (the file is made when missing).
    void InitParams();
    // Sound probe, frame manager, kernel file functions, cursor and game; 0 ends the program.
    int InitObjects();

    void SetState(int state);
    int GetState() const { return m_State; }
    void Log(const char* text);

    int OnLButtonDown(int x, int y);
    int OnMouseMove(int x, int y);
    int OnLButtonUp(int, int) { return 1; }
    int OnRButtonDown(int, int) { return 1; }
    int OnRButtonUp(int, int) { return 1; }
    void SetCursorShown(int shown) override;
    // Escape, F5 and the window's close button (which does what Escape does).
    void Escape(int closeButton = 0);
    // The option menu over the current picture: screen 0 main, 1 save, 2 load.
    void OpenOptionMenu(int screen);

    void PlayVideo(const char* name, const char* waveName, int redrawScene, int stopVoiceAfter);
    void ClearScreen();
    void ShowBitmap(const char* path);

    // What the cursor manager and the inventory panel ask of the shell.
    int IsSceneState() override { return m_State == APP_SCENE; }
    int IsCursorShown() override { return m_CursorShown; }
    void SetInputLock(int locked) override { m_InputLocked = locked; }
    void ShowBackBuffer() override;
    void PickAt(int x, int y) override;

    platform::HWND m_hWnd = nullptr;
    char m_ExePath[260] = {};
    char m_DataDir[260] = {};
    char m_SaveDir[260] = {};
    int m_State = APP_SCENE;
    int m_InputLocked = 0;
    int m_EscapeEnabled = 1;
    int m_CursorShown = 1;
    std::uint32_t m_LastClickTime = 0;
    // Channel 1's level in the scenes (the settings screen changes it).
    int m_AmbienceVolume = 85;

    LFrameManager* m_FrameManager = nullptr;
    XCursor* m_Cursor = nullptr;
    XPlayerList* m_Players = nullptr;  // owns the game object
    XGame* m_Game = nullptr;
};

extern XApplication* g_App;

// The program: start-up, main loop and shut-down. Returns 0 when the window
// or the data root cannot be had (or the player leaves the first dialog), -1
// after the main loop ends. Options: --data DIR, --save DIR, --scene LIST (start
// in that scene list, "U09.ZELT" for instance, instead of the start universe).
int LumoraMain(int argc, char** argv);
