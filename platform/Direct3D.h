// Direct3D stand-in: the records the display layer manages (device,
// viewport, material, render and light states, textures and their handles)
// and the enumerations that report what the display profile offers (by
// default one software device rendering 16-bit pixels). Nothing here draws; the software
// renderer works on the locked render target.
#pragma once

#include <map>
#include <vector>

#include "platform/Surface.h"

namespace platform {

using D3DVALUE = float;
using D3DCOLORMODEL = DWORD;
using D3DMATERIALHANDLE = DWORD;
using D3DTEXTUREHANDLE = DWORD;

enum : D3DCOLORMODEL { D3DCOLOR_MONO = 1, D3DCOLOR_RGB = 2 };

// Direct3D results used here.
enum : HRESULT {
    D3DERR_TEXTURE_NO_SUPPORT = static_cast<HRESULT>(0x887602D0),
    D3DERR_TEXTURE_CREATE_FAILED = static_cast<HRESULT>(0x887602D1),
    D3DERR_TEXTURE_LOAD_FAILED = static_cast<HRESULT>(0x887602D5),
    D3DERR_SETVIEWPORTDATA_FAILED = static_cast<HRESULT>(0x887602DE),
    D3DERR_MATERIAL_SETDATA_FAILED = static_cast<HRESULT>(0x887602E6),
};

// Blend capabilities.
enum : DWORD {
    D3DPBLENDCAPS_ZERO = 0x00000001,
    D3DPBLENDCAPS_ONE = 0x00000002,
    D3DPBLENDCAPS_SRCCOLOR = 0x00000004,
    D3DPBLENDCAPS_INVSRCCOLOR = 0x00000008,
    D3DPBLENDCAPS_SRCALPHA = 0x00000010,
    D3DPBLENDCAPS_INVSRCALPHA = 0x00000020,
};

// Texture capabilities.
enum : DWORD {
    D3DPTEXTURECAPS_PERSPECTIVE = 0x00000001,
    D3DPTEXTURECAPS_POW2 = 0x00000002,
    D3DPTEXTURECAPS_ALPHA = 0x00000004,
    D3DPTEXTURECAPS_TRANSPARENCY = 0x00000008,
    D3DPTEXTURECAPS_BORDER = 0x00000010,
    D3DPTEXTURECAPS_SQUAREONLY = 0x00000020,
};

// Which fields of a device description are valid.
enum : DWORD {
    D3DDD_COLORMODEL = 0x00000001,
    D3DDD_DEVCAPS = 0x00000002,
    D3DDD_TRICAPS = 0x00000010,
    D3DDD_DEVICERENDERBITDEPTH = 0x00000080,
    D3DDD_DEVICEZBUFFERBITDEPTH = 0x00000100,
};

// Device capabilities.
enum : DWORD {
    D3DDEVCAPS_FLOATTLVERTEX = 0x00000001,
    D3DDEVCAPS_TEXTURESYSTEMMEMORY = 0x00000100,
    D3DDEVCAPS_DRAWPRIMTLVERTEX = 0x00000400,
};

struct D3DPRIMCAPS {
    DWORD dwSize = 56;
    DWORD dwMiscCaps = 0;
    DWORD dwRasterCaps = 0;
    DWORD dwZCmpCaps = 0;
    DWORD dwSrcBlendCaps = 0;
    DWORD dwDestBlendCaps = 0;
    DWORD dwAlphaCmpCaps = 0;
    DWORD dwShadeCaps = 0;
    DWORD dwTextureCaps = 0;
    DWORD dwTextureFilterCaps = 0;
    DWORD dwTextureBlendCaps = 0;
    DWORD dwTextureAddressCaps = 0;
};

struct D3DDEVICEDESC {
    DWORD dwSize = 252;
    DWORD dwFlags = 0;
    D3DCOLORMODEL dcmColorModel = 0;  // 0 in the hardware description of a software device
    DWORD dwDevCaps = 0;
    D3DPRIMCAPS dpcLineCaps{};
    D3DPRIMCAPS dpcTriCaps{};
    DWORD dwDeviceRenderBitDepth = 0;   // DDBD_ flags
    DWORD dwDeviceZBufferBitDepth = 0;  // DDBD_ flags
    DWORD dwMinTextureWidth = 0;
    DWORD dwMinTextureHeight = 0;
    DWORD dwMaxTextureWidth = 0;
    DWORD dwMaxTextureHeight = 0;
};

// Render states (values of D3DRENDERSTATETYPE).
enum : DWORD {
    D3DRENDERSTATE_TEXTUREHANDLE = 1,
    D3DRENDERSTATE_ANTIALIAS = 2,
    D3DRENDERSTATE_TEXTUREADDRESS = 3,
    D3DRENDERSTATE_TEXTUREPERSPECTIVE = 4,
    D3DRENDERSTATE_WRAPU = 5,
    D3DRENDERSTATE_WRAPV = 6,
    D3DRENDERSTATE_ZENABLE = 7,
    D3DRENDERSTATE_FILLMODE = 8,
    D3DRENDERSTATE_SHADEMODE = 9,
    D3DRENDERSTATE_ZWRITEENABLE = 14,
    D3DRENDERSTATE_ALPHATESTENABLE = 15,
    D3DRENDERSTATE_TEXTUREMAG = 17,
    D3DRENDERSTATE_TEXTUREMIN = 18,
    D3DRENDERSTATE_SRCBLEND = 19,
    D3DRENDERSTATE_DESTBLEND = 20,
    D3DRENDERSTATE_TEXTUREMAPBLEND = 21,
    D3DRENDERSTATE_CULLMODE = 22,
    D3DRENDERSTATE_ZFUNC = 23,
    D3DRENDERSTATE_ALPHAREF = 24,
    D3DRENDERSTATE_ALPHAFUNC = 25,
    D3DRENDERSTATE_DITHERENABLE = 26,
    D3DRENDERSTATE_ALPHABLENDENABLE = 27,
    D3DRENDERSTATE_FOGENABLE = 28,
    D3DRENDERSTATE_SPECULARENABLE = 29,
    D3DRENDERSTATE_FOGCOLOR = 34,
    D3DRENDERSTATE_FOGTABLEMODE = 35,
    D3DRENDERSTATE_COLORKEYENABLE = 41,
    D3DRENDERSTATE_LAST = 256,  // states are 1 .. 255
};

// Light states.
enum : DWORD {
    D3DLIGHTSTATE_MATERIAL = 1,
    D3DLIGHTSTATE_AMBIENT = 2,
    D3DLIGHTSTATE_COLORMODEL = 3,
    D3DLIGHTSTATE_FOGMODE = 4,
    D3DLIGHTSTATE_FOGSTART = 5,
    D3DLIGHTSTATE_FOGEND = 6,
    D3DLIGHTSTATE_FOGDENSITY = 7,
    D3DLIGHTSTATE_LAST = 8,
};

// Render-state values.
enum : DWORD { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2, D3DSHADE_PHONG = 3 };
enum : DWORD { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum : DWORD {
    D3DCMP_NEVER = 1,
    D3DCMP_LESS = 2,
    D3DCMP_EQUAL = 3,
    D3DCMP_LESSEQUAL = 4,
    D3DCMP_GREATER = 5,
    D3DCMP_NOTEQUAL = 6,
    D3DCMP_GREATEREQUAL = 7,
    D3DCMP_ALWAYS = 8,
};
enum : DWORD { D3DFILTER_NEAREST = 1, D3DFILTER_LINEAR = 2 };
enum : DWORD {
    D3DTBLEND_DECAL = 1,
    D3DTBLEND_MODULATE = 2,
    D3DTBLEND_DECALALPHA = 3,
    D3DTBLEND_MODULATEALPHA = 4,
    D3DTBLEND_COPY = 7,
};
enum : DWORD { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum : DWORD { D3DFOG_NONE = 0, D3DFOG_EXP = 1, D3DFOG_EXP2 = 2, D3DFOG_LINEAR = 3 };
enum : DWORD { D3DBLEND_ZERO = 1, D3DBLEND_ONE = 2, D3DBLEND_SRCALPHA = 5, D3DBLEND_INVSRCALPHA = 6 };

struct D3DVIEWPORT2 {
    DWORD dwSize = 44;
    DWORD dwX = 0;
    DWORD dwY = 0;
    DWORD dwWidth = 0;
    DWORD dwHeight = 0;
    D3DVALUE dvClipX = 0;
    D3DVALUE dvClipY = 0;
    D3DVALUE dvClipWidth = 0;
    D3DVALUE dvClipHeight = 0;
    D3DVALUE dvMinZ = 0;
    D3DVALUE dvMaxZ = 1;
};

struct D3DCOLORVALUE {
    D3DVALUE r = 0, g = 0, b = 0, a = 0;
};

struct D3DMATERIAL {
    DWORD dwSize = 68;
    D3DCOLORVALUE diffuse{};
    D3DCOLORVALUE ambient{};
    D3DCOLORVALUE specular{};
    D3DCOLORVALUE emissive{};
    D3DVALUE power = 0;
    D3DTEXTUREHANDLE hTexture = 0;
    DWORD dwRampSize = 0;
};

// The software device's GUID.
extern const GUID IID_IDirect3DRGBDevice;

class Direct3DDevice;

class Direct3DMaterial : public RefCounted {
public:
    HRESULT SetMaterial(const D3DMATERIAL* material);
    HRESULT GetMaterial(D3DMATERIAL* material) const;
    // The material's handle for the device (the same one on every request).
    HRESULT GetHandle(Direct3DDevice* device, D3DMATERIALHANDLE* handle);

private:
    friend class Direct3D;
    Direct3DMaterial() = default;
    ~Direct3DMaterial() override;
    D3DMATERIAL m_material{};
    bool m_set = false;
};

class Direct3DViewport : public RefCounted {
public:
    // Needs the device (AddViewport first); the rectangle must lie inside
    // the device's render target.
    HRESULT SetViewport2(const D3DVIEWPORT2* viewport);
    HRESULT GetViewport2(D3DVIEWPORT2* viewport) const;
    // A material handle of the viewport's device.
    HRESULT SetBackground(D3DMATERIALHANDLE material);
    HRESULT GetBackground(D3DMATERIALHANDLE* material, BOOL* valid) const;
    Direct3DDevice* Device() const { return m_device; }

private:
    friend class Direct3D;
    friend class Direct3DDevice;
    Direct3DViewport() = default;
    ~Direct3DViewport() override;
    Direct3DDevice* m_device = nullptr;  // not owned: the device holds the viewport
    D3DVIEWPORT2 m_viewport{};
    bool m_set = false;
    D3DMATERIALHANDLE m_background = 0;
};

// The texture interface of a texture surface.
class Direct3DTexture : public RefCounted {
public:
    HRESULT GetHandle(Direct3DDevice* device, D3DTEXTUREHANDLE* handle);
    // Copies the pixels (and, for 8-bit surfaces, the palette entries) of a
    // texture of the same size and format into this one.
    HRESULT Load(Direct3DTexture* source);
    DirectDrawSurface* Surface() const { return m_surface; }

private:
    friend HRESULT GetTexture(DirectDrawSurface*, Direct3DTexture**);
    explicit Direct3DTexture(DirectDrawSurface* surface);
    ~Direct3DTexture() override;
    DirectDrawSurface* m_surface;  // one reference
};

// The texture interface of a surface made with DDSCAPS_TEXTURE.
HRESULT GetTexture(DirectDrawSurface* surface, Direct3DTexture** out);

using LPD3DENUMDEVICESCALLBACK = HRESULT (*)(GUID* guid, char* description, char* name, D3DDEVICEDESC* hardware,
                                             D3DDEVICEDESC* software, void* context);
using LPD3DENUMTEXTUREFORMATSCALLBACK = HRESULT (*)(DDSURFACEDESC* format, void* context);

class Direct3DDevice : public RefCounted {
public:
    HRESULT GetCaps(D3DDEVICEDESC* hardware, D3DDEVICEDESC* software) const;
    HRESULT AddViewport(Direct3DViewport* viewport);
    HRESULT DeleteViewport(Direct3DViewport* viewport);
    HRESULT SetCurrentViewport(Direct3DViewport* viewport);  // must have been added
    HRESULT GetCurrentViewport(Direct3DViewport** out);
    HRESULT SetRenderState(DWORD state, DWORD value);
    HRESULT GetRenderState(DWORD state, DWORD* value) const;
    HRESULT SetLightState(DWORD state, DWORD value);
    HRESULT GetLightState(DWORD state, DWORD* value) const;
    // Pixel formats of textures: 8-bit palettised, 5-5-5, 5-6-5, 1-5-5-5, 32-bit
    // and 32-bit with alpha.
    HRESULT EnumTextureFormats(LPD3DENUMTEXTUREFORMATSCALLBACK callback, void* context) const;
    HRESULT GetRenderTarget(DirectDrawSurface** out);

    // What a handle stands for (null when unknown or released).
    Direct3DTexture* TextureFromHandle(D3DTEXTUREHANDLE handle) const;
    Direct3DMaterial* MaterialFromHandle(D3DMATERIALHANDLE handle) const;

private:
    friend class Direct3D;
    friend class Direct3DTexture;
    friend class Direct3DMaterial;
    friend class Direct3DViewport;
    Direct3DDevice(DirectDrawSurface* target);
    ~Direct3DDevice() override;
    void Forget(const void* object);

    DirectDrawSurface* m_target;  // one reference
    D3DDEVICEDESC m_hardware{}, m_software{};
    std::vector<Direct3DViewport*> m_viewports;  // one reference each
    Direct3DViewport* m_current = nullptr;
    DWORD m_renderStates[D3DRENDERSTATE_LAST] = {};
    DWORD m_lightStates[D3DLIGHTSTATE_LAST] = {};
    DWORD m_nextHandle = 1;
    std::map<DWORD, Direct3DTexture*> m_textures;
    std::map<DWORD, Direct3DMaterial*> m_materials;
};

class Direct3D : public RefCounted {
public:
    // The devices of the display profile (DisplayProfile.h).
    HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK callback, void* context) const;
    // The device of that GUID rendering into target (a DDSCAPS_3DDEVICE surface).
    HRESULT CreateDevice(const GUID& guid, DirectDrawSurface* target, Direct3DDevice** out);
    HRESULT CreateViewport(Direct3DViewport** out, void* unknownOuter = nullptr);
    HRESULT CreateMaterial(Direct3DMaterial** out, void* unknownOuter = nullptr);

private:
    friend HRESULT Direct3DCreate(DirectDraw*, Direct3D**);
    explicit Direct3D(DirectDraw* dd);
    ~Direct3D() override;
    DirectDraw* m_dd;  // one reference
};

// The Direct3D interface of a display object.
HRESULT Direct3DCreate(DirectDraw* dd, Direct3D** out);

}  // namespace platform
