// Shared set-up of the display layer's tests: a main window, a fresh context
// with the C allocators, and display profiles for the branches the default
// machine never takes.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "dwen/Dwen.h"
#include "platform/DisplayProfile.h"
#include "platform/Present.h"
#include "platform/Surface.h"
#include "platform/Window.h"

namespace dwentest {

using namespace platform;

// The context whose display layer sees the test window's messages (or null).
inline DwenContext*& WindowContext() {
    static DwenContext* context = nullptr;
    return context;
}

inline LRESULT TestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    int handled = 0;
    LRESULT result = 0;
    if (WindowContext()) Dwen_WindowProc(WindowContext(), hwnd, message, wParam, lParam, &handled, &result);
    return handled ? result : DefWindowProc(hwnd, message, wParam, lParam);
}

inline HWND MainWindow() {
    static HWND window = [] {
        WNDCLASS wc{};
        wc.lpfnWndProc = TestWindowProc;
        wc.lpszClassName = "DwenTest";
        RegisterClass(&wc);
        HWND w = CreateWindow("DwenTest", "dwen", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640, 480);
        ShowWindow(w, SW_SHOWNORMAL);
        return w;
    }();
    return window;
}

inline GUID MakeGuid(DWORD n) {
    GUID g;
    g.Data1 = 0x5EED0000u + n;
    g.Data2 = 0x1234;
    return g;
}

// A second display driver with 3D hardware, a hardware device (with a video
// memory budget) before the software one, and the default modes.
inline DisplayProfile HardwareProfile(std::size_t videoMemory = 8u << 20) {
    DisplayProfile p = DefaultDisplayProfile();
    DisplayDriverProfile card;
    card.guid = MakeGuid(1);
    card.description = "3D card";
    card.name = "card";
    card.has3D = true;
    p.drivers.push_back(card);
    Display3DDeviceProfile hw;
    hw.guid = MakeGuid(100);
    hw.description = "Hardware rasteriser";
    hw.name = "HAL";
    hw.hardware = true;
    hw.renderDepths = DDBD_16;
    hw.zDepths = DDBD_16 | DDBD_32;
    p.devices.insert(p.devices.begin(), hw);
    p.videoMemory = videoMemory;
    return p;
}

struct ContextDeleter {
    void operator()(DwenContext* c) const {
        Dwen_Destroy(c, 1);
        delete c;
    }
};
using ContextPtr = std::unique_ptr<DwenContext, ContextDeleter>;

inline ContextPtr NewContext() {
    ContextPtr c(new DwenContext{});
    Dwen_Init_Io(c.get(), std::malloc, std::calloc, std::realloc, std::free);
    c->window = MainWindow();
    return c;
}

// The step-by-step set-up as the configuration dialog runs it.
inline bool BringUp(DwenContext* c, int driver, int device, int mode, int fullScreen, bool zbuffer = true) {
    c->window = MainWindow();
    return Dwen_DDDriver_Get_List(c) && Dwen_DDDriver_Init(c, driver) && Dwen_D3DDriver_Init(c) &&
           Dwen_D3DDriver_Get_Device_List(c) &&
           Dwen_DDDriver_Init_D3DDriver_And_Video_Mode(c, device, mode, fullScreen, 1) &&
           Dwen_DDDriver_Create_Buffer(c) && Dwen_DDDriver_Clear_Buffer(c) &&
           (!zbuffer || Dwen_DDDriver_Create_Zbuffer(c)) && Dwen_D3DDriver_Create_Device(c) &&
           Dwen_D3DDriver_Texture_Init(c) && Dwen_D3DDriver_Create_Viewport(c) &&
           Dwen_D3DDriver_Set_Default_Render_State(c) && Dwen_D3DDriver_Create_Material(c);
}

inline int FindMode(const DwenContext* c, int w, int h, int bpp) {
    for (int i = 0; i < c->modeCount; ++i)
        if (c->modes[i].width == w && c->modes[i].height == h && c->modes[i].bpp == bpp) return i;
    return -1;
}

inline DwenTextureFormat* FindFormat(DwenContext* c, DWORD bits, DWORD redMask, bool alpha, bool palettized = false) {
    for (int i = 0; i < c->textureFormatCount; ++i) {
        DwenTextureFormat& f = c->textureFormats[i];
        const DDPIXELFORMAT& pf = f.desc.ddpfPixelFormat;
        if (palettized ? f.palettized != 0
                       : (!f.palettized && pf.dwRGBBitCount == bits && pf.dwRBitMask == redMask &&
                          ((pf.dwFlags & DDPF_ALPHAPIXELS) != 0) == alpha))
            return &f;
    }
    return nullptr;
}

class DwenFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SetDisplayProfile(DefaultDisplayProfile());
        SetDisplay16BitFormat(PixelFormat::RGB565);
        SetTextureMemoryLimit(0);
        MainWindow();
        baseSurfaces = LiveSurfaceCount();
    }
    void TearDown() override {
        ctx.reset();
        EXPECT_EQ(LiveSurfaceCount(), baseSurfaces);
        SetDisplayProfile(DefaultDisplayProfile());
        SetDisplay16BitFormat(PixelFormat::RGB565);
        SetTextureMemoryLimit(0);
        SetFullScreen(MainWindow(), FALSE);
    }
    ContextPtr ctx = NewContext();
    int baseSurfaces = 0;
};

}  // namespace dwentest
