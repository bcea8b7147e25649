// Display drivers, 3D devices and modes; buffers, z-buffer, device, viewport
// and material; presentation, lost surfaces, window messages and tear-down.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "dwen/Internal.h"
#include "platform/MessageBox.h"
#include "platform/Window.h"

using namespace platform;

namespace dwen {

void SetError(DwenContext* c, const char* text) {
    if (!c) return;
    std::snprintf(c->errorText, sizeof c->errorText, "%s", text ? text : "");
}

void SetErrorResult(DwenContext* c, HRESULT hr) { SetError(c, Dwen_Error(hr)); }

void DebugOutput(const char* text) { std::fputs(text, stderr); }

HRESULT RestoreBuffers(DwenContext* c) {
    for (DirectDrawSurface* s : {c->frontBuffer, c->backBuffer})
        if (s)
            if (HRESULT hr = s->Restore(); FAILED(hr)) {
                SetErrorResult(c, hr);
                return hr;
            }
    return DD_OK;
}

}  // namespace dwen

using namespace dwen;

namespace {

int Fail(DwenContext* c, const char* text) {
    SetError(c, text);
    return 0;
}

int FailResult(DwenContext* c, HRESULT hr) {
    SetErrorResult(c, hr);
    return 0;
}

void CopyName(char (&to)[64], const char* from) { std::snprintf(to, sizeof to, "%s", from ? from : ""); }

bool RendersAt(const DwenDeviceInfo& d, int bits) {
    return (d.desc.dwDeviceRenderBitDepth & Dwen_Convert_Bpp_To_DDBpp(bits)) != 0;
}

bool IsHardware(const DwenContext* c) { return c->currentDevice && c->currentDevice->hardware; }

// The window's client area in screen coordinates.
RECT ClientRectOnScreen(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    ClientToScreen(window, &a);
    ClientToScreen(window, &b);
    return RECT{a.x, a.y, b.x, b.y};
}

BOOL StoreDriver(GUID* guid, char* description, char* name, void* context) {
    auto* c = static_cast<DwenContext*>(context);
    if (c->driverCount >= DWEN_MAX_DRIVERS) return FALSE;
    DirectDraw* dd = nullptr;
    if (FAILED(DirectDrawCreate(guid, &dd))) return TRUE;
    DDCAPS caps, emulation;
    const HRESULT hr = dd->GetCaps(&caps, &emulation);
    dd->Release();
    if (FAILED(hr)) return TRUE;
    DwenDriverInfo& d = c->drivers[c->driverCount];
    d = DwenDriverInfo{};
    d.caps = caps;
    if (guid && (caps.dwCaps & DDCAPS_3D)) {
        CopyName(d.name, name);
        CopyName(d.description, description);
        d.guid = *guid;
        d.primary = 0;
    } else {
        CopyName(d.name, "Primary Device");
        CopyName(d.description, "Primary Device");
        d.primary = 1;
    }
    ++c->driverCount;
    return c->driverCount < DWEN_MAX_DRIVERS ? TRUE : FALSE;
}

HRESULT StoreMode(DDSURFACEDESC* mode, void* context) {
    auto* c = static_cast<DwenContext*>(context);
    if (c->modeCount >= DWEN_MAX_MODES) return DDENUMRET_CANCEL;
    c->modes[c->modeCount++] = DwenVideoMode{static_cast<int>(mode->dwWidth), static_cast<int>(mode->dwHeight),
                                             static_cast<int>(mode->ddpfPixelFormat.dwRGBBitCount)};
    return c->modeCount < DWEN_MAX_MODES ? DDENUMRET_OK : DDENUMRET_CANCEL;
}

HRESULT StoreDevice(GUID* guid, char* description, char* name, D3DDEVICEDESC* hardware, D3DDEVICEDESC* software,
                    void* context) {
    auto* c = static_cast<DwenContext*>(context);
    if (c->deviceCount >= DWEN_MAX_DEVICES) return DDENUMRET_CANCEL;
    DwenDeviceInfo& d = c->devices[c->deviceCount];
    d = DwenDeviceInfo{};
    CopyName(d.name, name);
    CopyName(d.description, description);
    if (guid) d.guid = *guid;
    if (hardware && hardware->dcmColorModel != 0) {
        d.desc = *hardware;
        d.hardware = 1;
    } else if (software) {
        d.desc = *software;
    }
    d.window = c->currentDriver && c->currentDriver->primary && RendersAt(d, c->desktopBpp) ? 1 : 0;
    ++c->deviceCount;
    return c->deviceCount < DWEN_MAX_DEVICES ? DDENUMRET_OK : DDENUMRET_CANCEL;
}

// The device choice of the one-call set-up: hardware with the depth and the
// RGB model, then the depth and the RGB model, then the depth alone.
int ChooseDevice(const DwenContext* c, int bits, bool needWindow) {
    for (int pass = 0; pass < 3; ++pass)
        for (int i = 0; i < c->deviceCount; ++i) {
            const DwenDeviceInfo& d = c->devices[i];
            if (needWindow && !d.window) continue;
            if (!RendersAt(d, bits)) continue;
            if (pass < 2 && d.desc.dcmColorModel != D3DCOLOR_RGB) continue;
            if (pass == 0 && !d.hardware) continue;
            return i;
        }
    return -1;
}

}  // namespace

DWEN_API DwenContext* Dwen_Init_Io(DwenContext* c, DwenAllocFn alloc, DwenCallocFn allocZeroed,
                                   DwenReallocFn reallocate, DwenFreeFn free) {
    if (!c) return nullptr;
    c->alloc = alloc;
    c->allocZeroed = allocZeroed;
    c->reallocate = reallocate;
    c->free = free;
    return c;
}

DWEN_API int Dwen_DDDriver_Get_List(DwenContext* c) {
    if (!c) return 0;
    c->driverCount = 0;
    if (FAILED(DirectDrawEnumerate(StoreDriver, c))) return Fail(c, "Direct Draw device enumeration failed !");
    if (c->driverCount == 0) {
        std::snprintf(c->errorText, sizeof c->errorText, "Bad directx version: you need to install directx %d.%d !", 6,
                      0);
        return 0;
    }
    return 1;
}

DWEN_API int Dwen_DDDriver_Get_Video_Mode_List(DwenContext* c) {
    if (!c) return 0;
    c->modeCount = 0;
    c->currentMode = nullptr;
    if (!c->directDraw2 || FAILED(c->directDraw2->EnumDisplayModes(0, nullptr, c, StoreMode)))
        return Fail(c, "Video modes enumeration failed !");
    std::stable_sort(c->modes, c->modes + c->modeCount, [](const DwenVideoMode& a, const DwenVideoMode& b) {
        if (a.bpp != b.bpp) return a.bpp > b.bpp;
        if (a.width != b.width) return a.width > b.width;
        return a.height > b.height;
    });
    return 1;
}

DWEN_API int Dwen_DDDriver_Init(DwenContext* c, int driver) {
    if (!c) return 0;
    if (driver < 0 || driver >= c->driverCount) return Fail(c, "Invalid driver number !");
    // A driver set up again replaces the objects of the previous one.
    ReleaseAndNull(c->direct3D2);
    ReleaseAndNull(c->directDraw2);
    ReleaseAndNull(c->directDraw);
    const DwenDriverInfo& d = c->drivers[driver];
    if (FAILED(DirectDrawCreate(d.primary ? nullptr : &d.guid, &c->directDraw)))
        return Fail(c, "Direct Draw device creation failed !");
    c->directDraw->AddRef();
    c->directDraw2 = c->directDraw;
    GetSystemPaletteEntries(0, 256, c->systemPalette);
    DDSURFACEDESC mode;
    if (FAILED(c->directDraw2->GetDisplayMode(&mode))) return Fail(c, "Direct Draw get display mode failed !");
    c->desktopWidth = static_cast<int>(mode.dwWidth);
    c->desktopHeight = static_cast<int>(mode.dwHeight);
    c->desktopBpp = static_cast<int>(mode.ddpfPixelFormat.dwRGBBitCount);
    c->currentDriver = &c->drivers[driver];
    return Dwen_DDDriver_Get_Video_Mode_List(c);
}

DWEN_API int Dwen_D3DDriver_Init(DwenContext* c) {
    if (!c) return 0;
    ReleaseAndNull(c->direct3D2);
    if (!c->directDraw2 || FAILED(Direct3DCreate(c->directDraw2, &c->direct3D2)))
        return Fail(c, "Direct 3D device creation failed !");
    return 1;
}

DWEN_API int Dwen_D3DDriver_Get_Device_List(DwenContext* c) {
    if (!c) return 0;
    c->deviceCount = 0;
    c->currentDevice = nullptr;
    if (!c->direct3D2 || FAILED(c->direct3D2->EnumDevices(StoreDevice, c)))
        return Fail(c, "Direct 3D device enumeration failed !");
    return 1;
}

DWEN_API int Dwen_DDDriver_Init_D3DDriver_And_Video_Mode(DwenContext* c, int device, int mode, int fullScreen,
                                                         int resizeWindow) {
    if (!c) return 0;
    if (device < 0 || device >= c->deviceCount) return Fail(c, "Invalid D3D driver number !");
    if (mode < 0 || mode >= c->modeCount) return Fail(c, "Invalid video mode number !");
    if (!c->directDraw2) return Fail(c, "Direct Draw device creation failed !");
    DwenDeviceInfo& d = c->devices[device];
    DwenVideoMode& m = c->modes[mode];
    if (!fullScreen && (!c->currentDriver || !c->currentDriver->primary || !d.window))
        return Fail(c, "D3D driver can't do window mode !");
    if (!RendersAt(d, m.bpp)) return Fail(c, "D3D driver can't do this video mode !");

    if (fullScreen) {
        SetWindowLong(c->window, GWL_STYLE, static_cast<LONG>(WS_POPUP));
        c->currentMode = &m;
        c->fullScreen = 1;
        c->currentDevice = &d;
        if (FAILED(c->directDraw2->SetCooperativeLevel(c->window, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_FPUSETUP)))
            return Fail(c, "Direct 3D set cooperative level failed !");
        if (FAILED(c->directDraw2->SetDisplayMode(static_cast<DWORD>(m.width), static_cast<DWORD>(m.height),
                                                  static_cast<DWORD>(m.bpp), 0, 0)))
            return Fail(c, "Direct 3D set display mode failed !");
    } else {
        c->fullScreen = 0;
        c->currentDevice = &d;
        c->currentMode = &m;
        if (resizeWindow) {
            RECT r{0, 0, m.width, m.height};
            AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLong(c->window, GWL_STYLE)), FALSE,
                               static_cast<DWORD>(GetWindowLong(c->window, GWL_EXSTYLE)));
            SetWindowPos(c->window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            SetWindowPos(c->window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            RECT win{}, work{};
            GetWindowRect(c->window, &win);
            SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
            if (win.left < work.left || win.top < work.top)
                SetWindowPos(c->window, nullptr, std::max(win.left, work.left), std::max(win.top, work.top), 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            RECT client{};
            GetClientRect(c->window, &client);
            m.width = client.right - client.left;
            m.height = client.bottom - client.top;
        }
        if (FAILED(c->directDraw2->SetCooperativeLevel(c->window, DDSCL_NORMAL | DDSCL_FPUSETUP)))
            return Fail(c, "Direct 3D set cooperative level failed !");
        c->clientRect = ClientRectOnScreen(c->window);
    }

    const DWORD blend = d.desc.dpcTriCaps.dwDestBlendCaps;
    d.blendOne = (blend & D3DPBLENDCAPS_ONE) ? 1 : 0;
    if ((blend & D3DPBLENDCAPS_INVSRCALPHA) && !(blend & D3DPBLENDCAPS_ONE)) {
        d.blendInvSrcAlpha = 1;
        d.blendOne = 1;
    } else {
        d.blendInvSrcAlpha = 0;
    }
    return 1;
}

DWEN_API int Dwen_DDDriver_Create_Buffer(DwenContext* c) {
    if (!c) return 0;
    if (!c->directDraw2 || !c->currentMode) return Fail(c, "Front buffer creation failed !");
    const bool hardware = IsHardware(c);
    const DWORD memory = hardware ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY;
    if (c->fullScreen) {
        DDSURFACEDESC desc;
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE |
                              (hardware ? static_cast<DWORD>(DDSCAPS_VIDEOMEMORY) : 0u);
        desc.dwBackBufferCount = 1;
        if (FAILED(c->directDraw2->CreateSurface(&desc, &c->frontBuffer))) return Fail(c, "Front buffer creation failed !");
        if (FAILED(c->frontBuffer->GetSurfaceDesc(&c->frontDesc))) return Fail(c, "Can't get front buffer informations !");
        c->frontPixelFormat = c->frontDesc.ddpfPixelFormat;
        DDSCAPS back;
        back.dwCaps = DDSCAPS_BACKBUFFER;
        if (FAILED(c->frontBuffer->GetAttachedSurface(&back, &c->backBuffer))) return Fail(c, "Back buffer creation failed !");
        if (FAILED(c->backBuffer->GetSurfaceDesc(&c->backDesc))) return Fail(c, "Can't get back buffer informations !");
    } else {
        DDSURFACEDESC desc;
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        if (FAILED(c->directDraw2->CreateSurface(&desc, &c->frontBuffer))) return Fail(c, "Front buffer creation failed !");
        if (FAILED(c->frontBuffer->GetSurfaceDesc(&c->frontDesc))) return Fail(c, "Can't get front buffer informations !");
        c->frontPixelFormat = c->frontDesc.ddpfPixelFormat;
        DDSURFACEDESC bd;
        bd.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        bd.dwWidth = static_cast<DWORD>(c->currentMode->width);
        bd.dwHeight = static_cast<DWORD>(c->currentMode->height);
        bd.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | memory;
        if (FAILED(c->directDraw2->CreateSurface(&bd, &c->backBuffer))) return Fail(c, "Back buffer creation failed !");
        if (FAILED(c->backBuffer->GetSurfaceDesc(&c->backDesc))) return Fail(c, "Can't get back buffer informations !");
    }
    if (hardware && !(c->backDesc.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY))
        return Fail(c, "Not enough video memory to allocate back buffer !");
    if (!c->fullScreen) {
        if (FAILED(c->directDraw2->CreateClipper(0, &c->clipper))) return Fail(c, "Can't create clipper !");
        if (FAILED(c->clipper->SetHWnd(0, c->window))) return Fail(c, "Can't attaching clipper to window !");
        if (FAILED(c->frontBuffer->SetClipper(c->clipper))) return Fail(c, "Can't attaching clipper to front buffer !");
    }
    return 1;
}

DWEN_API int Dwen_DDDriver_Clear_Buffer(DwenContext* c) {
    if (!c) return 0;
    DDBLTFX fx;
    fx.dwFillColor = 0;
    if (!c->frontBuffer) return Fail(c, "Front buffer clear failed !");
    // In a window the front buffer is the desktop: only the client area is ours.
    RECT whole{0, 0, c->frontBuffer->Width(), c->frontBuffer->Height()};
    RECT area = whole;
    if (!c->fullScreen) {
        area = RECT{std::max(c->clientRect.left, whole.left), std::max(c->clientRect.top, whole.top),
                    std::min(c->clientRect.right, whole.right), std::min(c->clientRect.bottom, whole.bottom)};
    }
    if (area.left < area.right && area.top < area.bottom &&
        FAILED(c->frontBuffer->Blt(&area, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx)))
        return Fail(c, "Front buffer clear failed !");
    if (!c->backBuffer || FAILED(c->backBuffer->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx)))
        return Fail(c, "Back buffer clear failed !");
    return 1;
}

DWEN_API int Dwen_DDDriver_Create_Zbuffer(DwenContext* c) {
    if (!c) return 0;
    if (!c->currentDevice || !c->currentMode || !c->backBuffer) return Fail(c, "Zbuffer creation failed !");
    const DWORD depths = c->currentDevice->desc.dwDeviceZBufferBitDepth;
    if (depths == 0) return Fail(c, "D3D driver can't do zbuffer !");
    int bits = 0;
    for (int b : {32, 24, 16, 8})
        if (depths & Dwen_Convert_Bpp_To_DDBpp(b)) {
            bits = b;
            break;
        }
    if (bits == 0) return Fail(c, "Unsupported Zbuffer depth !");
    const bool hardware = IsHardware(c);
    DDSURFACEDESC desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_ZBUFFERBITDEPTH;
    desc.dwWidth = static_cast<DWORD>(c->currentMode->width);
    desc.dwHeight = static_cast<DWORD>(c->currentMode->height);
    desc.dwZBufferBitDepth = static_cast<DWORD>(bits);
    desc.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | (hardware ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY);
    if (FAILED(c->directDraw2->CreateSurface(&desc, &c->zBuffer))) return Fail(c, "Zbuffer creation failed !");
    if (FAILED(c->backBuffer->AddAttachedSurface(c->zBuffer))) return Fail(c, "Can't attach Zbuffer to Backbuffer!");
    if (FAILED(c->zBuffer->GetSurfaceDesc(&c->zBufferDesc))) return Fail(c, "Can't get Zbuffer informations !");
    if (hardware && !(c->zBufferDesc.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY))
        return Fail(c, "Not enough video memory to allocate Zbuffer !");
    return 1;
}

DWEN_API int Dwen_D3DDriver_Create_Device(DwenContext* c) {
    if (!c) return 0;
    if (!c->direct3D2 || !c->currentDevice || !c->backBuffer ||
        FAILED(c->direct3D2->CreateDevice(c->currentDevice->guid, c->backBuffer, &c->device)))
        return Fail(c, "Can't create D3D device 2 !");
    return 1;
}

DWEN_API int Dwen_D3DDriver_Create_Viewport(DwenContext* c) {
    if (!c) return 0;
    if (!c->direct3D2 || !c->device || !c->currentMode || FAILED(c->direct3D2->CreateViewport(&c->viewport)))
        return Fail(c, "Direct 3D viewport creation failed !");
    if (FAILED(c->device->AddViewport(c->viewport))) return Fail(c, "Direct 3D viewport creation failed !");
    D3DVIEWPORT2 vp;
    vp.dwX = 0;
    vp.dwY = 0;
    vp.dwWidth = static_cast<DWORD>(c->currentMode->width);
    vp.dwHeight = static_cast<DWORD>(c->currentMode->height);
    vp.dvClipX = 0.0f;
    vp.dvClipY = 0.0f;
    vp.dvClipWidth = static_cast<float>(c->currentMode->width);
    vp.dvClipHeight = static_cast<float>(c->currentMode->height);
    vp.dvMinZ = 1.0f;
    vp.dvMaxZ = 1000000.0f;
    if (FAILED(c->viewport->SetViewport2(&vp))) return Fail(c, "Direct 3D viewport 2 setup failed !");
    if (FAILED(c->device->SetCurrentViewport(c->viewport))) return Fail(c, "Can't add viewport 2 to device !");
    return 1;
}

DWEN_API int Dwen_D3DDriver_Set_Default_Render_State(DwenContext* c) {
    if (!c || !c->device) return c ? FailResult(c, DDERR_INVALIDOBJECT) : 0;
    static const DWORD kRender[][2] = {
        {D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD}, {D3DRENDERSTATE_TEXTUREPERSPECTIVE, 1},
        {D3DRENDERSTATE_ZENABLE, 1},                  {D3DRENDERSTATE_ZWRITEENABLE, 1},
        {D3DRENDERSTATE_ZFUNC, D3DCMP_LESSEQUAL},     {D3DRENDERSTATE_TEXTUREMAG, D3DFILTER_LINEAR},
        {D3DRENDERSTATE_TEXTUREMIN, D3DFILTER_LINEAR}, {D3DRENDERSTATE_TEXTUREMAPBLEND, D3DTBLEND_MODULATE},
        {D3DRENDERSTATE_FILLMODE, D3DFILL_SOLID},     {D3DRENDERSTATE_DITHERENABLE, 1},
        {D3DRENDERSTATE_SPECULARENABLE, 0},           {D3DRENDERSTATE_ANTIALIAS, 0},
        {D3DRENDERSTATE_FOGENABLE, 0},                {D3DRENDERSTATE_FOGCOLOR, 0},
        {D3DRENDERSTATE_CULLMODE, D3DCULL_CW},        {D3DRENDERSTATE_COLORKEYENABLE, 0},
        {D3DRENDERSTATE_ALPHABLENDENABLE, 0},
    };
    for (const auto& s : kRender)
        if (HRESULT hr = c->device->SetRenderState(s[0], s[1]); FAILED(hr)) return FailResult(c, hr);
    static const DWORD kLight[][2] = {{D3DLIGHTSTATE_FOGMODE, D3DFOG_NONE}, {D3DLIGHTSTATE_FOGSTART, 6}, {D3DLIGHTSTATE_FOGEND, 11}};
    for (const auto& s : kLight)
        if (HRESULT hr = c->device->SetLightState(s[0], s[1]); FAILED(hr)) return FailResult(c, hr);
    return 1;
}

DWEN_API int Dwen_D3DDriver_Create_Material(DwenContext* c) {
    if (!c) return 0;
    if (!c->direct3D2 || !c->device || !c->viewport) return FailResult(c, DDERR_INVALIDOBJECT);
    if (HRESULT hr = c->direct3D2->CreateMaterial(&c->backgroundMaterial); FAILED(hr)) return FailResult(c, hr);
    D3DMATERIAL m;
    m.dwRampSize = 1;
    if (HRESULT hr = c->backgroundMaterial->SetMaterial(&m); FAILED(hr)) return FailResult(c, hr);
    if (HRESULT hr = c->backgroundMaterial->GetHandle(c->device, &c->backgroundHandle); FAILED(hr))
        return FailResult(c, hr);
    if (HRESULT hr = c->viewport->SetBackground(c->backgroundHandle); FAILED(hr)) return FailResult(c, hr);
    return 1;
}

DWEN_API int Dwen_Init_All(DwenContext* c, HWND window, int width, int height, int bpp, int fullScreen,
                           int withZbuffer, int keepFlags, int resizeWindow) {
    if (!c) return 0;
    // Whatever the context still holds goes first, so that clearing it leaks nothing.
    Dwen_Destroy(c, keepFlags & 1);
    const DwenAllocFn alloc = c->alloc;
    const DwenCallocFn allocZeroed = c->allocZeroed;
    const DwenReallocFn reallocate = c->reallocate;
    const DwenFreeFn free = c->free;
    DwenTexture* head = c->textureHead;
    DwenTexture* tail = c->textureTail;
    new (c) DwenContext{};
    Dwen_Init_Io(c, alloc, allocZeroed, reallocate, free);
    if (!(keepFlags & 1)) {
        c->textureHead = head;
        c->textureTail = tail;
    }
    c->textureReduction = 0;
    c->window = window;

    if (!Dwen_DDDriver_Get_List(c)) return 0;
    int driver = -1;
    for (int i = 0; i < c->driverCount && driver < 0; ++i)
        if (fullScreen ? !c->drivers[i].primary : c->drivers[i].primary != 0) driver = i;
    if (driver < 0) {
        if (!fullScreen) return Fail(c, "Can't do window mode !");
        driver = 0;
    }
    if (!Dwen_DDDriver_Init(c, driver) || !Dwen_D3DDriver_Init(c) || !Dwen_D3DDriver_Get_Device_List(c)) return 0;
    if (c->deviceCount == 0) return Fail(c, "Direct 3d driver not found !");

    int device, mode = -1;
    if (fullScreen) {
        device = ChooseDevice(c, bpp, false);
        if (device < 0) return Fail(c, "Can't do this bpp mode !");
        for (int i = 0; i < c->modeCount && mode < 0; ++i)
            if (c->modes[i].width == width && c->modes[i].height == height && c->modes[i].bpp == bpp) mode = i;
        if (mode < 0) return Fail(c, "Can't do this video mode !");
    } else {
        device = ChooseDevice(c, bpp, true);
        if (device < 0) return Fail(c, "Can't do window mode !");
        if (c->modeCount == 0) c->modeCount = 1;
        c->modes[0] = DwenVideoMode{width, height, bpp};
        mode = 0;
    }
    if (!Dwen_DDDriver_Init_D3DDriver_And_Video_Mode(c, device, mode, fullScreen, resizeWindow)) return 0;
    if (!Dwen_DDDriver_Create_Buffer(c) || !Dwen_DDDriver_Clear_Buffer(c)) return 0;
    if (withZbuffer && !Dwen_DDDriver_Create_Zbuffer(c)) return 0;
    if (!Dwen_D3DDriver_Create_Device(c)) return 0;
    if (!Dwen_D3DDriver_Texture_Init(c)) return Fail(c, "Textures format enumeration failed !");
    if (!Dwen_D3DDriver_Create_Viewport(c) || !Dwen_D3DDriver_Set_Default_Render_State(c) ||
        !Dwen_D3DDriver_Create_Material(c))
        return 0;
    c->ready = 1;
    if (c->textureHead) return Dwen_Restore_All_Texture(c);
    return 1;
}

DWEN_API int Dwen_Lock_BackBuffer(DwenContext* c, void** memory, int* pitch) {
    if (memory) *memory = nullptr;
    if (!c || !memory) return 0;
    if (!c->backBuffer) return FailResult(c, DDERR_INVALIDOBJECT);
    DDSURFACEDESC desc;
    HRESULT hr = c->backBuffer->Lock(nullptr, &desc, DDLOCK_WAIT);
    if (hr == DDERR_SURFACELOST) {
        // The memory came back empty; the caller draws the whole frame anyway.
        if (FAILED(RestoreBuffers(c))) return 0;
        hr = c->backBuffer->Lock(nullptr, &desc, DDLOCK_WAIT);
    }
    if (FAILED(hr)) return FailResult(c, hr);
    *memory = desc.lpSurface;
    if (pitch) *pitch = desc.lPitch;
    return 1;
}

DWEN_API HRESULT Dwen_Unlock_BackBuffer(DwenContext* c, void* memory) {
    if (!c || !c->backBuffer) return DDERR_INVALIDOBJECT;
    return c->backBuffer->Unlock(memory);
}

DWEN_API int Dwen_Lock_Zbuffer(DwenContext* c, void** memory, int* pitch) {
    if (memory) *memory = nullptr;
    if (!c || !memory) return 0;
    if (!c->zBuffer) return FailResult(c, DDERR_INVALIDOBJECT);
    DDSURFACEDESC desc;
    if (HRESULT hr = c->zBuffer->Lock(nullptr, &desc, DDLOCK_WAIT); FAILED(hr)) return FailResult(c, hr);
    *memory = desc.lpSurface;
    if (pitch) *pitch = desc.lPitch;
    return 1;
}

DWEN_API HRESULT Dwen_Unlock_Zbuffer(DwenContext* c, void* memory) {
    if (!c || !c->zBuffer) return DDERR_INVALIDOBJECT;
    return c->zBuffer->Unlock(memory);
}

DWEN_API int Dwen_Show_BackBuffer(DwenContext* c) {
    if (!c) return 0;
    if (!c->frontBuffer || !c->backBuffer) return FailResult(c, DDERR_INVALIDOBJECT);
    HRESULT hr;
    if (c->fullScreen)
        hr = c->frontBuffer->Flip(nullptr, DDFLIP_WAIT);
    else
        hr = c->frontBuffer->Blt(&c->clientRect, c->backBuffer, nullptr, DDBLT_WAIT, nullptr);
    if (hr == DDERR_SURFACELOST) return SUCCEEDED(RestoreBuffers(c)) ? 1 : 0;  // this frame is lost
    if (FAILED(hr)) return FailResult(c, hr);
    return 1;
}

DWEN_API int Dwen_D3DDriver_Set_Render_State(DwenContext* c, DWORD state, DWORD value) {
    if (!c) return 0;
    if (!c->device) return FailResult(c, DDERR_INVALIDOBJECT);
    if (HRESULT hr = c->device->SetRenderState(state, value); FAILED(hr)) return FailResult(c, hr);
    return 1;
}

DWEN_API int Dwen_D3DDriver_Set_Light_State(DwenContext* c, DWORD state, DWORD value) {
    if (!c) return 0;
    if (!c->device) return FailResult(c, DDERR_INVALIDOBJECT);
    if (HRESULT hr = c->device->SetLightState(state, value); FAILED(hr)) return FailResult(c, hr);
    return 1;
}

DWEN_API void Dwen_WindowProc(DwenContext* c, HWND window, UINT message, WPARAM wParam, LPARAM lParam, int* handled,
                              LRESULT* result) {
    if (handled) *handled = 0;
    if (!c || !handled || !result || !c->ready || window != c->window) return;
    switch (message) {
        case WM_MOVE: c->clientRect = ClientRectOnScreen(window); break;
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED) {
                c->minimised = 1;
            } else {
                if (c->minimised && !Dwen_Check_Lost_Surface(c)) DebugOutput(c->errorText);
                c->minimised = 0;
            }
            c->clientRect = ClientRectOnScreen(window);
            *handled = 1;
            *result = DefWindowProc(window, message, wParam, lParam);
            break;
        case WM_PAINT: {
            if (!Dwen_Check_Lost_Surface(c)) DebugOutput(c->errorText);
            PAINTSTRUCT ps;
            BeginPaint(window, &ps);
            if (!c->fullScreen && c->frontBuffer && c->backBuffer &&
                c->frontBuffer->Blt(&c->clientRect, c->backBuffer, nullptr, DDBLT_WAIT, nullptr) == DDERR_SURFACELOST &&
                FAILED(RestoreBuffers(c)))
                DebugOutput(c->errorText);
            EndPaint(window, &ps);
            *handled = 1;
            *result = 1;
            break;
        }
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            if (info) {
                if (c->fullScreen && c->currentMode) {
                    info->ptMinTrackSize = POINT{c->currentMode->width, c->currentMode->height};
                    info->ptMaxTrackSize = info->ptMinTrackSize;
                } else {
                    info->ptMaxTrackSize = POINT{c->desktopWidth, c->desktopHeight};
                }
            }
            *handled = 1;
            *result = 0;
            break;
        }
        case WM_NCPAINT:
            if (c->fullScreen) {
                *handled = 1;
                *result = 0;
            }
            break;
        case WM_MOVING:
            if (c->fullScreen) {
                if (auto* r = reinterpret_cast<RECT*>(lParam)) GetWindowRect(window, r);
                *handled = 1;
                *result = 1;
            }
            break;
        default: break;
    }
}

DWEN_API int Dwen_Check_Lost_Surface(DwenContext* c) {
    if (!c) return 0;
    bool restored = false;
    for (DirectDrawSurface* s : {c->frontBuffer, c->backBuffer, c->zBuffer}) {
        if (!s || SUCCEEDED(s->IsLost())) continue;
        if (HRESULT hr = s->Restore(); FAILED(hr)) return FailResult(c, hr);
        restored = true;
    }
    if (restored && !Dwen_DDDriver_Clear_Buffer(c)) return 0;
    RestoreLostBitmaps(c);
    if (!RestoreLostTextures(c)) {
        DebugOutput("error\n");
        return 0;
    }
    return 1;
}

DWEN_API void Dwen_Message(DwenContext* c, const char* format, ...) {
    char text[256 + 2];
    va_list args;
    text[0] = '\0';
    if (format) {
        va_start(args, format);
        std::vsnprintf(text, 256, format, args);
        va_end(args);
    }
    std::strcat(text, "\r\n");
    HWND window = c ? c->window : nullptr;
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    MessageBox(window, text, "", MB_OK);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

DWEN_API int Dwen_Destroy(DwenContext* c, int flags) {
    if (!c) return 0;
    int result = 1;
    c->textureReduction = 0;
    c->ready = 0;
    c->window = nullptr;
    ReleaseAndNull(c->backgroundMaterial);
    c->backgroundHandle = 0;
    ReleaseAndNull(c->viewport);

    // Textures: freed with bit 0, otherwise kept as descriptions for the next set-up.
    for (DwenTexture* t = c->textureHead; t;) {
        DwenTexture* next = t->newer;
        ReleaseTextureObjects(t);
        if (flags & 1) {
            if (c->free) c->free(t);
        } else {
            t->currentWidth = t->requestedWidth;
            t->currentHeight = t->requestedHeight;
        }
        t = next;
    }
    if (flags & 1) {
        c->textureHead = nullptr;
        c->textureTail = nullptr;
    }
    c->textureCursor = nullptr;
    FreeAllBitmaps(c);

    ReleaseAndNull(c->device);
    ReleaseAndNull(c->zBuffer);
    ReleaseAndNull(c->clipper);
    ReleaseAndNull(c->backBuffer);
    ReleaseAndNull(c->frontBuffer);

    if (c->fullScreen && c->directDraw2) {
        if (HRESULT hr = c->directDraw2->RestoreDisplayMode(); FAILED(hr)) {
            SetErrorResult(c, hr);
            result = 0;
        }
        if (HRESULT hr = c->directDraw2->SetCooperativeLevel(nullptr, DDSCL_NORMAL | DDSCL_FPUSETUP); FAILED(hr)) {
            SetErrorResult(c, hr);
            result = 0;
        }
    }
    ReleaseAndNull(c->direct3D2);
    ReleaseAndNull(c->directDraw2);
    ReleaseAndNull(c->directDraw);
    c->driverCount = 0;
    c->deviceCount = 0;
    c->modeCount = 0;
    c->textureFormatCount = 0;
    c->currentDriver = nullptr;
    c->currentDevice = nullptr;
    c->currentMode = nullptr;
    return result;
}
