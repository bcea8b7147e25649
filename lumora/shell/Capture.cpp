#include "lumora/shell/Capture.h"

#include <cstdio>
#include <string>

#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XScene.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/Helpers.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/SaveBitmap.h"
#include "lumora/shell/XApplication.h"
#include "lumora/shell/XDisplay.h"
#include "platform/Files.h"
#include "platform/Time.h"
#include "platform/Window.h"

int g_CaptureOn = 0;

namespace {

std::string g_CaptureDir;
char g_CaptureDate[5] = {};
char g_CaptureTime[5] = {};
int g_CaptureCount = 0;

// Two digits each of two values, as the C runtime's date and time texts give them.
void TwoByTwo(int a, int b, char* dst) { std::snprintf(dst, 5, "%02d%02d", a % 100, b % 100); }

bool WindowMode() { return g_Display && !g_Display->IsFullScreen(); }

}  // namespace

char* CaptureFileName(const char* dir, const char* date, const char* time, int count, char* dst) {
    char number[16];
    ZeroPadNumber(count, 4, number);
    std::snprintf(dst, 300, "%s%s%s%s%s%s%s.BMP", dir, "D", date, "T", time, "N", number);
    return dst;
}

int CaptureBegin() {
    if (!g_CurrentScene) {
        WarningBox("La capture est limitée dans la scène 3D");
        return 0;
    }
    if (WindowMode()) WarningBox("Begin capture");
    g_CaptureOn = 1;
    // The folder is made when a capture begins, beside the players' folders.
    g_CaptureDir = std::string(g_App ? g_App->m_SaveDir : "") + "Capture/";
    platform::MakeDirectory(g_CaptureDir);
    platform::SYSTEMTIME now;
    platform::GetLocalTime(&now);
    TwoByTwo(now.wMonth, now.wDay, g_CaptureDate);
    if (g_CurrentScene) g_CurrentScene->m_FrameRate = 30.0f;
    // A turn key then turns by about 0.01 radian a frame: recorded turns stay smooth.
    if (g_CurrentScene && g_CurrentScene->m_Pilot) g_CurrentScene->m_Pilot->m_TurnFactor = 0.167f;
    return 1;
}

void CaptureEnd() {
    g_CaptureOn = 0;
    if (WindowMode()) WarningBox("Stop capture");
    if (g_CurrentScene && g_CurrentScene->m_Pilot) g_CurrentScene->m_Pilot->m_TurnFactor = 1.0f;
}

int IsCapturing() { return g_CaptureOn; }

int CaptureFrame() {
    if (!g_CaptureOn) return 1;
    platform::SYSTEMTIME now;
    platform::GetLocalTime(&now);
    char time[5];
    TwoByTwo(now.wHour, now.wMinute, time);
    if (!NameMatches(time, g_CaptureTime, 1)) {
        std::snprintf(g_CaptureTime, sizeof g_CaptureTime, "%s", time);
        g_CaptureCount = 0;
    } else {
        ++g_CaptureCount;
    }
    char name[300];
    CaptureToFile(CaptureFileName(g_CaptureDir.c_str(), g_CaptureDate, g_CaptureTime, g_CaptureCount, name));
    return 1;
}

int CaptureToFile(const char* path) {
    if (auto bitmap = CaptureWindow(g_App ? g_App->m_hWnd : nullptr, 1)) SaveBitmapFile(bitmap.get(), path);
    return 1;
}

void CaptureHotKey() {
    // The pump runs every frame, so a held chord toggles once, when it goes down.
    static bool held = false;
    const bool down = KeyPressed(platform::VK_CONTROL) && KeyPressed(platform::VK_F12);
    if (down && !held) {
        if (IsCapturing())
            CaptureEnd();
        else
            CaptureBegin();
    }
    held = down;
    if (IsCapturing()) CaptureFrame();
}
