// Drivers, devices and modes; window and full-screen set-up; buffers and
// z-buffer; presentation and lost surfaces; window messages; tear-down.
#include <functional>
#include <vector>

#include "DwenTest.h"

using namespace dwentest;

namespace {

class Display : public DwenFixture {};

TEST_F(Display, EnumerationSortsModesAndStoresAtMost128Entries) {
    DisplayProfile p = DefaultDisplayProfile();
    p.modes = {{640, 480, 16}, {800, 600, 16}, {640, 480, 32}};
    SetDisplayProfile(p);
    DwenContext* c = ctx.get();
    ASSERT_TRUE(Dwen_DDDriver_Get_List(c));
    ASSERT_EQ(c->driverCount, 1);
    EXPECT_STREQ(c->drivers[0].name, "Primary Device");
    EXPECT_EQ(c->drivers[0].primary, 1);
    ASSERT_TRUE(Dwen_DDDriver_Init(c, 0));
    ASSERT_EQ(c->modeCount, 3);
    const int expected[3][3] = {{640, 480, 32}, {800, 600, 16}, {640, 480, 16}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(c->modes[i].width, expected[i][0]);
        EXPECT_EQ(c->modes[i].height, expected[i][1]);
        EXPECT_EQ(c->modes[i].bpp, expected[i][2]);
    }
    EXPECT_EQ(c->desktopBpp, 16);
    EXPECT_EQ(c->currentDriver, &c->drivers[0]);

    // 130 of each: the 129th and 130th are not stored.
    p = HardwareProfile();
    p.modes.clear();
    for (int i = 0; i < 130; ++i) {
        p.modes.push_back({320 + i, 240, 16});
        DisplayDriverProfile d;
        d.guid = MakeGuid(1000 + i);
        d.name = "card " + std::to_string(i);
        d.has3D = true;
        p.drivers.push_back(d);
        Display3DDeviceProfile dev = p.devices.back();
        dev.guid = MakeGuid(5000 + i);
        dev.name = "device " + std::to_string(i);
        p.devices.push_back(dev);
    }
    SetDisplayProfile(p);
    ASSERT_TRUE(Dwen_DDDriver_Get_List(c));
    EXPECT_EQ(c->driverCount, 128);
    EXPECT_STREQ(c->drivers[1].name, "card");
    EXPECT_EQ(c->drivers[1].primary, 0);
    EXPECT_STREQ(c->drivers[127].name, "card 125");
    ASSERT_TRUE(Dwen_DDDriver_Init(c, 127));
    EXPECT_EQ(c->modeCount, 128);
    EXPECT_EQ(c->modes[0].width, 320 + 127);  // widest of the stored ones first
    ASSERT_TRUE(Dwen_D3DDriver_Init(c));
    ASSERT_TRUE(Dwen_D3DDriver_Get_Device_List(c));
    EXPECT_EQ(c->deviceCount, 128);
    EXPECT_EQ(c->devices[0].hardware, 1);
    EXPECT_EQ(c->devices[1].hardware, 0);
    EXPECT_EQ(c->devices[0].window, 0);  // not the primary display

    // Indices below zero or past the count are refused.
    EXPECT_FALSE(Dwen_DDDriver_Init(c, -1));
    EXPECT_STREQ(c->errorText, "Invalid driver number !");
    EXPECT_FALSE(Dwen_DDDriver_Init(c, 128));
    EXPECT_FALSE(Dwen_DDDriver_Init_D3DDriver_And_Video_Mode(c, -1, 0, 1, 1));
    EXPECT_STREQ(c->errorText, "Invalid D3D driver number !");
    EXPECT_FALSE(Dwen_DDDriver_Init_D3DDriver_And_Video_Mode(c, 0, -3, 1, 1));
    EXPECT_STREQ(c->errorText, "Invalid video mode number !");
    EXPECT_FALSE(Dwen_DDDriver_Init_D3DDriver_And_Video_Mode(c, 0, 128, 1, 1));
    EXPECT_FALSE(Dwen_DDDriver_Init_D3DDriver_And_Video_Mode(c, 0, 0, 0, 1));
    EXPECT_STREQ(c->errorText, "D3D driver can't do window mode !");
}

TEST_F(Display, OneCallSetUpMakesTheDefaultChoices) {
    DwenContext* c = ctx.get();
    // This machine: the primary display only, so full screen falls back to it.
    ASSERT_TRUE(Dwen_Init_All(c, MainWindow(), 640, 480, 16, 1, 1, 1, 1)) << c->errorText;
    EXPECT_EQ(c->currentDriver, &c->drivers[0]);
    EXPECT_EQ(c->currentDevice->hardware, 0);
    EXPECT_EQ(c->fullScreen, 1);
    EXPECT_EQ(c->ready, 1);
    EXPECT_TRUE(IsFullScreen(MainWindow()));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLong(MainWindow(), GWL_STYLE)) & WS_POPUP, static_cast<DWORD>(WS_POPUP));
    EXPECT_EQ(c->frontPixelFormat.dwRBitMask, 0xF800u);
    EXPECT_EQ(c->backDesc.dwWidth, 640u);
    EXPECT_TRUE(c->backDesc.ddsCaps.dwCaps & DDSCAPS_BACKBUFFER);
    EXPECT_EQ(c->zBufferDesc.dwZBufferBitDepth, 16u);
    EXPECT_TRUE(c->zBufferDesc.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);
    EXPECT_GT(c->textureFormatCount, 0);
    EXPECT_FALSE(Dwen_Init_All(c, MainWindow(), 640, 480, 32, 1, 1, 1, 1));
    EXPECT_STREQ(c->errorText, "Can't do this bpp mode !");
    EXPECT_FALSE(Dwen_Init_All(c, MainWindow(), 641, 480, 16, 1, 1, 1, 1));
    EXPECT_STREQ(c->errorText, "Can't do this video mode !");
    EXPECT_FALSE(IsFullScreen(MainWindow()));  // the failed set-up gave the window back first

    // With a 3D card: full screen takes it and its hardware device; a window
    // stays on the primary display, whose hardware device can draw in it.
    SetDisplayProfile(HardwareProfile());
    ASSERT_TRUE(Dwen_Init_All(c, MainWindow(), 800, 600, 16, 1, 0, 1, 1)) << c->errorText;
    EXPECT_EQ(c->currentDriver, &c->drivers[1]);
    EXPECT_EQ(c->currentDevice, &c->devices[0]);
    EXPECT_TRUE(c->backDesc.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY);
    EXPECT_EQ(c->zBuffer, nullptr);
    ASSERT_TRUE(Dwen_Init_All(c, MainWindow(), 512, 384, 16, 0, 1, 1, 1)) << c->errorText;
    EXPECT_EQ(c->currentDriver, &c->drivers[0]);
    EXPECT_EQ(c->currentDevice->hardware, 1);
    EXPECT_EQ(c->fullScreen, 0);
    EXPECT_FALSE(IsFullScreen(MainWindow()));
    EXPECT_EQ(c->currentMode, &c->modes[0]);
    EXPECT_EQ(c->modes[0].width, 512);
    EXPECT_EQ(c->clientRect.right - c->clientRect.left, 512);
    EXPECT_EQ(c->clientRect.bottom - c->clientRect.top, 384);
    EXPECT_NE(c->clipper, nullptr);
    EXPECT_EQ(c->zBufferDesc.dwZBufferBitDepth, 32u);  // the deepest offered
    EXPECT_TRUE(c->zBufferDesc.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY);

    // A window needs a primary display driver.
    DisplayProfile only3D = HardwareProfile();
    only3D.drivers.erase(only3D.drivers.begin());
    SetDisplayProfile(only3D);
    EXPECT_FALSE(Dwen_Init_All(c, MainWindow(), 640, 480, 16, 0, 1, 1, 1));
    EXPECT_STREQ(c->errorText, "Can't do window mode !");
}

TEST_F(Display, WindowSetUpWithoutResizeTakesTheClientArea) {
    DwenContext* c = ctx.get();
    SetWindowPos(MainWindow(), nullptr, 0, 0, 600, 400, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(Dwen_DDDriver_Get_List(c) && Dwen_DDDriver_Init(c, 0) && Dwen_D3DDriver_Init(c) &&
                Dwen_D3DDriver_Get_Device_List(c));
    const int m = FindMode(c, 1024, 768, 16);
    EXPECT_FALSE(Dwen_DDDriver_Init_D3DDriver_And_Video_Mode(c, 0, FindMode(c, 1024, 768, 32), 0, 0));
    EXPECT_STREQ(c->errorText, "D3D driver can't do this video mode !");
    ASSERT_TRUE(Dwen_DDDriver_Init_D3DDriver_And_Video_Mode(c, 0, m, 0, 0));
    EXPECT_EQ(c->modes[m].width, 600);
    EXPECT_EQ(c->modes[m].height, 400);
    ASSERT_TRUE(Dwen_DDDriver_Create_Buffer(c));
    EXPECT_EQ(c->backDesc.dwWidth, 600u);
    // Resize 1 makes the client area the mode's size.
    ASSERT_TRUE(Dwen_Destroy(c, 0));
    EXPECT_EQ(c->window, nullptr);
    c->window = MainWindow();
    ASSERT_TRUE(Dwen_DDDriver_Get_List(c) && Dwen_DDDriver_Init(c, 0) && Dwen_D3DDriver_Init(c) &&
                Dwen_D3DDriver_Get_Device_List(c));
    ASSERT_TRUE(Dwen_DDDriver_Init_D3DDriver_And_Video_Mode(c, 0, FindMode(c, 800, 600, 16), 0, 1));
    RECT client;
    GetClientRect(MainWindow(), &client);
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 600);
}

TEST_F(Display, ZbufferDepthAndVideoMemoryRules) {
    struct Case {
        DWORD depths;
        int bits;
        const char* error;
    };
    const Case cases[] = {
        {DDBD_16 | DDBD_32, 32, nullptr}, {DDBD_16, 16, nullptr},
        {0, 0, "D3D driver can't do zbuffer !"}, {DDBD_1, 0, "Unsupported Zbuffer depth !"},
        {DDBD_8 | DDBD_1, 0, "Zbuffer creation failed !"},  // 8 is chosen; this display cannot make it
    };
    for (const Case& k : cases) {
        DisplayProfile p = DefaultDisplayProfile();
        p.devices[0].zDepths = k.depths;
        SetDisplayProfile(p);
        ContextPtr c = NewContext();
        const bool ok = BringUp(c.get(), 0, 0, 3, 1);  // mode 3: 1024 x 768 x 16 after sorting
        EXPECT_EQ(ok, k.error == nullptr) << k.depths;
        if (k.error) {
            EXPECT_STREQ(c->errorText, k.error);
        } else {
            EXPECT_EQ(c->zBufferDesc.dwZBufferBitDepth, static_cast<DWORD>(k.bits));
        }
    }

    // A hardware device wants its buffers in video memory; a driver that puts
    // them elsewhere is reported.
    const int frame = 640 * 2 * 480;
    DisplayProfile p = HardwareProfile(frame);
    p.videoFallback = true;
    SetDisplayProfile(p);
    {
        ContextPtr c = NewContext();
        EXPECT_FALSE(BringUp(c.get(), 0, 0, 5, 1));
        EXPECT_STREQ(c->errorText, "Not enough video memory to allocate back buffer !");
    }
    p.videoMemory = 1u << 20;  // the back buffer fits, the z-buffer does not
    SetDisplayProfile(p);
    {
        ContextPtr c = NewContext();
        EXPECT_FALSE(BringUp(c.get(), 0, 0, 5, 0));
        EXPECT_STREQ(c->errorText, "Not enough video memory to allocate Zbuffer !");
        EXPECT_EQ(c->modes[5].width, 640);
    }
    // The software device never asks for video memory.
    p.videoMemory = 0;
    SetDisplayProfile(p);
    {
        ContextPtr c = NewContext();
        EXPECT_TRUE(BringUp(c.get(), 0, 1, 5, 0)) << c->errorText;
        EXPECT_TRUE(c->backDesc.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);
    }
}

TEST_F(Display, DestroyFromEveryPartialStateLeavesNoSurface) {
    DwenContext* c = ctx.get();
    const std::vector<std::function<int()>> steps = {
        [&] { return Dwen_DDDriver_Get_List(c); },
        [&] { return Dwen_DDDriver_Init(c, 0); },
        [&] { return Dwen_D3DDriver_Init(c); },
        [&] { return Dwen_D3DDriver_Get_Device_List(c); },
        [&] { return Dwen_DDDriver_Init_D3DDriver_And_Video_Mode(c, 0, 5, 1, 1); },
        [&] { return Dwen_DDDriver_Create_Buffer(c); },
        [&] { return Dwen_DDDriver_Clear_Buffer(c); },
        [&] { return Dwen_DDDriver_Create_Zbuffer(c); },
        [&] { return Dwen_D3DDriver_Create_Device(c); },
        [&] { return Dwen_D3DDriver_Texture_Init(c); },
        [&] { return Dwen_D3DDriver_Create_Viewport(c); },
        [&] { return Dwen_D3DDriver_Set_Default_Render_State(c); },
        [&] { return Dwen_D3DDriver_Create_Material(c); },
    };
    for (size_t k = 0; k <= steps.size(); ++k) {
        c->window = MainWindow();
        for (size_t i = 0; i < k; ++i) ASSERT_TRUE(steps[i]()) << "step " << i << ": " << c->errorText;
        if (k > 4) {
            EXPECT_TRUE(IsFullScreen(MainWindow()));
        }
        EXPECT_TRUE(Dwen_Destroy(c, 0));
        EXPECT_EQ(LiveSurfaceCount(), baseSurfaces) << "after " << k << " steps";
        EXPECT_EQ(c->frontBuffer, nullptr);
        EXPECT_EQ(c->directDraw, nullptr);
        EXPECT_EQ(c->driverCount, 0);
        EXPECT_FALSE(IsFullScreen(MainWindow()));
        EXPECT_TRUE(Dwen_Destroy(c, 0));  // a second destroy releases nothing twice
    }
}

TEST_F(Display, RenderAndLightStatesReadBackFromTheDevice) {
    DwenContext* c = ctx.get();
    ASSERT_TRUE(BringUp(c, 0, 0, 5, 0)) << c->errorText;
    const DWORD expected[][2] = {
        {D3DRENDERSTATE_SHADEMODE, 2},   {D3DRENDERSTATE_TEXTUREPERSPECTIVE, 1}, {D3DRENDERSTATE_ZENABLE, 1},
        {D3DRENDERSTATE_ZWRITEENABLE, 1}, {D3DRENDERSTATE_ZFUNC, 4},             {D3DRENDERSTATE_TEXTUREMAG, 2},
        {D3DRENDERSTATE_TEXTUREMIN, 2},  {D3DRENDERSTATE_TEXTUREMAPBLEND, 2},    {D3DRENDERSTATE_FILLMODE, 3},
        {D3DRENDERSTATE_DITHERENABLE, 1}, {D3DRENDERSTATE_SPECULARENABLE, 0},    {D3DRENDERSTATE_ANTIALIAS, 0},
        {D3DRENDERSTATE_FOGENABLE, 0},   {D3DRENDERSTATE_FOGCOLOR, 0},           {D3DRENDERSTATE_CULLMODE, 2},
        {D3DRENDERSTATE_COLORKEYENABLE, 0}, {D3DRENDERSTATE_ALPHABLENDENABLE, 0},
    };
    for (const auto& e : expected) {
        DWORD v = 99;
        ASSERT_EQ(c->device->GetRenderState(e[0], &v), DD_OK);
        EXPECT_EQ(v, e[1]) << "state " << e[0];
    }
    DWORD v = 0;
    c->device->GetLightState(D3DLIGHTSTATE_FOGSTART, &v);
    EXPECT_EQ(v, 6u);
    c->device->GetLightState(D3DLIGHTSTATE_FOGEND, &v);
    EXPECT_EQ(v, 11u);
    ASSERT_TRUE(Dwen_D3DDriver_Set_Render_State(c, D3DRENDERSTATE_FOGENABLE, 1));
    c->device->GetRenderState(D3DRENDERSTATE_FOGENABLE, &v);
    EXPECT_EQ(v, 1u);
    ASSERT_TRUE(Dwen_D3DDriver_Set_Light_State(c, D3DLIGHTSTATE_FOGMODE, D3DFOG_LINEAR));
    c->device->GetLightState(D3DLIGHTSTATE_FOGMODE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DFOG_LINEAR));
    EXPECT_FALSE(Dwen_D3DDriver_Set_Render_State(c, 0, 1));
    EXPECT_STREQ(c->errorText, "One or more of the parameters passed to the function are incorrect.\n");
    // Viewport and background material.
    D3DVIEWPORT2 vp;
    ASSERT_EQ(c->viewport->GetViewport2(&vp), DD_OK);
    EXPECT_EQ(vp.dwWidth, 640u);
    EXPECT_FLOAT_EQ(vp.dvMaxZ, 1000000.0f);
    D3DMATERIALHANDLE bg = 0;
    BOOL valid = 0;
    c->viewport->GetBackground(&bg, &valid);
    EXPECT_TRUE(valid);
    EXPECT_EQ(bg, c->backgroundHandle);
}

TEST_F(Display, PresentingSurvivesLostSurfacesAndClearsOnlyTheClientArea) {
    DwenContext* c = ctx.get();
    ASSERT_TRUE(BringUp(c, 0, 0, 5, 0)) << c->errorText;  // a 640 x 480 window
    // The desktop around the window keeps its pixels when the buffers are cleared.
    DDBLTFX fx;
    fx.dwFillColor = 0x1234;
    c->frontBuffer->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    ASSERT_TRUE(Dwen_DDDriver_Clear_Buffer(c));
    PixelView front;
    ASSERT_EQ(c->frontBuffer->Lock(nullptr, &front, DDLOCK_WAIT), DD_OK);
    auto at = [&](const PixelView& v, int x, int y) {
        uint16_t p;
        std::memcpy(&p, static_cast<uint8_t*>(v.bits) + y * v.pitch + 2 * x, 2);
        return p;
    };
    EXPECT_EQ(at(front, 0, 0), 0x1234);
    EXPECT_EQ(at(front, c->clientRect.left, c->clientRect.top), 0);
    EXPECT_EQ(at(front, c->clientRect.right, c->clientRect.top), 0x1234);
    c->frontBuffer->Unlock(front.bits);

    void* bits = nullptr;
    int pitch = 0;
    ASSERT_TRUE(Dwen_Lock_BackBuffer(c, &bits, &pitch));
    EXPECT_GE(pitch, 1280);
    static_cast<uint16_t*>(bits)[1] = 0xF800;
    EXPECT_EQ(Dwen_Unlock_BackBuffer(c, bits), DD_OK);
    const auto before = PresentedFrameCount();
    ASSERT_TRUE(Dwen_Show_BackBuffer(c));
    EXPECT_EQ(PresentedFrameCount(), before + 1);
    std::vector<uint8_t> grab;
    PixelView last;
    ASSERT_TRUE(GrabLastFrame(grab, last));
    EXPECT_EQ(last.width, 640);
    EXPECT_EQ(at(last, 1, 0), 0xF800);

    // Lost surfaces: the frame is dropped, the buffers come back.
    LoseAllSurfaces();
    EXPECT_TRUE(Dwen_Show_BackBuffer(c));
    EXPECT_EQ(PresentedFrameCount(), before + 1);
    EXPECT_EQ(c->backBuffer->IsLost(), DD_OK);
    ASSERT_TRUE(Dwen_Show_BackBuffer(c));
    EXPECT_EQ(PresentedFrameCount(), before + 2);
    // A lock that finds the back buffer lost restores it and locks.
    LoseAllSurfaces();
    ASSERT_TRUE(Dwen_Lock_BackBuffer(c, &bits, &pitch));
    Dwen_Unlock_BackBuffer(c, bits);
    LoseAllSurfaces();
    ASSERT_TRUE(Dwen_Check_Lost_Surface(c));
    EXPECT_EQ(c->frontBuffer->IsLost(), DD_OK);
    ASSERT_TRUE(Dwen_Lock_BackBuffer(c, &bits, &pitch));
    EXPECT_EQ(static_cast<uint16_t*>(bits)[5], 0);  // cleared after the restore
    Dwen_Unlock_BackBuffer(c, bits);
    c->ready = 1;

    // Window messages: nothing before set-up finished or for another window.
    int handled = 7;
    LRESULT result = 0;
    MINMAXINFO info;
    c->ready = 0;
    Dwen_WindowProc(c, c->window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info), &handled, &result);
    EXPECT_EQ(handled, 0);
    c->ready = 1;
    Dwen_WindowProc(c, nullptr, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info), &handled, &result);
    EXPECT_EQ(handled, 0);
    Dwen_WindowProc(c, c->window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info), &handled, &result);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(info.ptMaxTrackSize.x, c->desktopWidth);
    LoseAllSurfaces();
    Dwen_WindowProc(c, c->window, WM_PAINT, 0, 0, &handled, &result);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(c->backBuffer->IsLost(), DD_OK);
    EXPECT_EQ(c->zBuffer->IsLost(), DD_OK);
    Dwen_WindowProc(c, c->window, WM_NCPAINT, 0, 0, &handled, &result);
    EXPECT_EQ(handled, 0);  // only full screen hides the frame
    Dwen_WindowProc(c, c->window, WM_SIZE, SIZE_MINIMIZED, 0, &handled, &result);
    EXPECT_EQ(c->minimised, 1);
    LoseAllSurfaces();
    Dwen_WindowProc(c, c->window, WM_SIZE, SIZE_RESTORED, 0, &handled, &result);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(c->minimised, 0);
    EXPECT_EQ(c->backBuffer->IsLost(), DD_OK);
}

TEST_F(Display, FullScreenFlipsAndLosesItsSurfacesWhenMinimised) {
    DwenContext* c = ctx.get();
    ASSERT_TRUE(BringUp(c, 0, 0, 4, 1)) << c->errorText;  // 800 x 600 x 16
    c->ready = 1;
    EXPECT_EQ(c->currentMode->width, 800);
    RECT client;
    GetClientRect(MainWindow(), &client);
    EXPECT_EQ(client.right, 800);  // the picture has the mode's size
    const auto before = PresentedFrameCount();
    ASSERT_TRUE(Dwen_Show_BackBuffer(c));
    EXPECT_EQ(PresentedFrameCount(), before + 1);
    int handled = 0;
    LRESULT result = 0;
    RECT proposed{5, 5, 10, 10};
    Dwen_WindowProc(c, c->window, WM_MOVING, 0, reinterpret_cast<LPARAM>(&proposed), &handled, &result);
    EXPECT_EQ(handled, 1);
    EXPECT_NE(proposed.right, 10);
    BackendEvent minimise;
    minimise.type = BackendEvent::Type::Minimize;
    InjectEvent(minimise);
    EXPECT_EQ(c->frontBuffer->IsLost(), DDERR_SURFACELOST);
    BackendEvent restore;
    restore.type = BackendEvent::Type::Restore;
    InjectEvent(restore);
    ResetWindowState();
    EXPECT_TRUE(Dwen_Show_BackBuffer(c));  // restores, presents nothing
    EXPECT_EQ(PresentedFrameCount(), before + 1);
}

TEST(DwenErrors, TextsOfResultsAndDepthFlags) {
    EXPECT_STREQ(Dwen_Error(0), "No error.\n");
    EXPECT_STREQ(Dwen_Error(0x12345), "Unrecognized error value.\n");
    EXPECT_STREQ(Dwen_Error(static_cast<HRESULT>(0x8007000E)), Dwen_Error(static_cast<HRESULT>(0x8876017C)));
    EXPECT_STREQ(Dwen_Error(static_cast<HRESULT>(0x887602BC)), "D3DERR_BADMAJORVERSION\n");
    EXPECT_STREQ(Dwen_Error(static_cast<HRESULT>(0x80004001)), "Action not supported.\n");
    for (uint32_t code = 0x88760230; code <= 0x8876024D; ++code)
        EXPECT_STRNE(Dwen_Error(static_cast<HRESULT>(code)), "Unrecognized error value.\n") << std::hex << code;
    EXPECT_STREQ(Dwen_Error(static_cast<HRESULT>(0x887602D6)), "Unrecognized error value.\n");
    EXPECT_EQ(Dwen_Convert_Bpp_To_DDBpp(16), 0x400u);
    EXPECT_EQ(Dwen_Convert_Bpp_To_DDBpp(1), 0x4000u);
    EXPECT_EQ(Dwen_Convert_Bpp_To_DDBpp(15), 0xFFFFFFFFu);
}

}  // namespace
