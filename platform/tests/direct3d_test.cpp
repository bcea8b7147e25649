#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/Direct3D.h"

using namespace platform;

namespace {

struct DeviceInfo {
    GUID guid;
    std::string name;
    D3DDEVICEDESC hardware, software;
};

class Direct3DTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(DirectDrawCreate(nullptr, &dd), DD_OK);
        ASSERT_EQ(dd->SetCooperativeLevel(reinterpret_cast<HWND>(std::uintptr_t{64}), DDSCL_NORMAL), DD_OK);
        ASSERT_EQ(Direct3DCreate(dd, &d3d), DD_OK);
        target = Surface(640, 480, PixelFormat::RGB565, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
        ASSERT_NE(target, nullptr);
    }
    void TearDown() override {
        if (target) target->Release();
        d3d->Release();
        dd->Release();
    }
    DirectDrawSurface* Surface(int w, int h, PixelFormat f, DWORD caps) {
        DDSURFACEDESC d;
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.dwWidth = static_cast<DWORD>(w);
        d.dwHeight = static_cast<DWORD>(h);
        d.ddpfPixelFormat = PixelFormatDesc(f);
        d.ddsCaps.dwCaps = caps;
        DirectDrawSurface* s = nullptr;
        EXPECT_EQ(dd->CreateSurface(&d, &s), DD_OK);
        return s;
    }
    Direct3DDevice* Device() {
        Direct3DDevice* dev = nullptr;
        EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, target, &dev), DD_OK);
        return dev;
    }
    DirectDraw* dd = nullptr;
    Direct3D* d3d = nullptr;
    DirectDrawSurface* target = nullptr;
};

}  // namespace

TEST_F(Direct3DTest, EnumerationReportsOneSoftwareDevice) {
    std::vector<DeviceInfo> found;
    ASSERT_EQ(d3d->EnumDevices(
                  [](GUID* g, char*, char* name, D3DDEVICEDESC* hw, D3DDEVICEDESC* sw, void* c) -> HRESULT {
                      static_cast<std::vector<DeviceInfo>*>(c)->push_back({*g, name, *hw, *sw});
                      return DDENUMRET_OK;
                  },
                  &found),
              DD_OK);
    ASSERT_EQ(found.size(), 1u);
    const DeviceInfo& dev = found[0];
    EXPECT_TRUE(dev.guid == IID_IDirect3DRGBDevice);
    EXPECT_FALSE(dev.name.empty());
    EXPECT_EQ(dev.hardware.dcmColorModel, 0u);  // software, not hardware
    EXPECT_EQ(dev.software.dcmColorModel, static_cast<DWORD>(D3DCOLOR_RGB));
    EXPECT_TRUE(dev.software.dwDeviceRenderBitDepth & DDBD_16);
    EXPECT_FALSE(dev.software.dwDeviceRenderBitDepth & DDBD_32);  // the renderer writes 16-bit pixels
    EXPECT_NE(dev.software.dwDeviceZBufferBitDepth, 0u);
    EXPECT_TRUE(dev.software.dpcTriCaps.dwDestBlendCaps & D3DPBLENDCAPS_ONE);
    EXPECT_FALSE(dev.software.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_SQUAREONLY);

    // The z-buffer depth offered can really be made and attached.
    const DWORD zbits = (dev.software.dwDeviceZBufferBitDepth & DDBD_32) ? 32 : 16;
    DDSURFACEDESC z;
    z.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_ZBUFFERBITDEPTH;
    z.dwWidth = 640;
    z.dwHeight = 480;
    z.dwZBufferBitDepth = zbits;
    z.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY;
    DirectDrawSurface* zb = nullptr;
    ASSERT_EQ(dd->CreateSurface(&z, &zb), DD_OK);
    EXPECT_EQ(target->AddAttachedSurface(zb), DD_OK);
    zb->Release();
}

TEST_F(Direct3DTest, DeviceNeedsTheRightGuidAndARenderTarget) {
    Direct3DDevice* dev = nullptr;
    GUID wrong;
    wrong.Data1 = 7;
    EXPECT_EQ(d3d->CreateDevice(wrong, target, &dev), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dev, nullptr);
    DirectDrawSurface* plain = Surface(16, 16, PixelFormat::RGB565, DDSCAPS_OFFSCREENPLAIN);
    EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, plain, &dev), DDERR_INVALIDCAPS);
    plain->Release();
    dev = Device();
    ASSERT_NE(dev, nullptr);
    DirectDrawSurface* rt = nullptr;
    ASSERT_EQ(dev->GetRenderTarget(&rt), DD_OK);
    EXPECT_EQ(rt, target);
    rt->Release();
    // The device keeps its target alive after the caller lets go of it.
    target->Release();
    target = nullptr;
    PixelView v;
    ASSERT_EQ(dev->GetRenderTarget(&rt), DD_OK);
    EXPECT_EQ(rt->Lock(nullptr, &v, DDLOCK_WAIT), DD_OK);
    rt->Unlock(nullptr);
    rt->Release();
    dev->Release();
}

TEST_F(Direct3DTest, ViewportBelongsToItsDeviceAndFitsTheTarget) {
    Direct3DDevice* dev = Device();
    Direct3DViewport* vp = nullptr;
    ASSERT_EQ(d3d->CreateViewport(&vp), DD_OK);
    D3DVIEWPORT2 data;
    data.dwWidth = 640;
    data.dwHeight = 480;
    data.dvClipX = 0;
    data.dvClipY = 0;
    data.dvClipWidth = 640.0f;
    data.dvClipHeight = 480.0f;
    data.dvMinZ = 1.0f;
    data.dvMaxZ = 1000000.0f;
    EXPECT_EQ(vp->SetViewport2(&data), D3DERR_SETVIEWPORTDATA_FAILED);  // not on a device yet
    EXPECT_EQ(dev->SetCurrentViewport(vp), DDERR_INVALIDPARAMS);
    ASSERT_EQ(dev->AddViewport(vp), DD_OK);
    ASSERT_EQ(vp->SetViewport2(&data), DD_OK);
    ASSERT_EQ(dev->SetCurrentViewport(vp), DD_OK);
    D3DVIEWPORT2 back;
    ASSERT_EQ(vp->GetViewport2(&back), DD_OK);
    EXPECT_EQ(back.dwWidth, 640u);
    EXPECT_FLOAT_EQ(back.dvMaxZ, 1000000.0f);
    D3DVIEWPORT2 tooBig = data;
    tooBig.dwWidth = 800;
    EXPECT_EQ(vp->SetViewport2(&tooBig), DDERR_INVALIDPARAMS);
    D3DVIEWPORT2 flat = data;
    flat.dvMaxZ = flat.dvMinZ;
    EXPECT_EQ(vp->SetViewport2(&flat), DDERR_INVALIDPARAMS);

    // A second device cannot take it; releasing ours keeps the viewport usable by the caller.
    Direct3DDevice* other = Device();
    EXPECT_EQ(other->AddViewport(vp), DDERR_INVALIDPARAMS);
    other->Release();
    Direct3DViewport* current = nullptr;
    ASSERT_EQ(dev->GetCurrentViewport(&current), DD_OK);
    EXPECT_EQ(current, vp);
    current->Release();
    dev->Release();
    EXPECT_EQ(vp->Device(), nullptr);
    vp->Release();
}

TEST_F(Direct3DTest, MaterialHandlesAndTheViewportBackground) {
    Direct3DDevice* dev = Device();
    Direct3DViewport* vp = nullptr;
    Direct3DMaterial* mat = nullptr;
    ASSERT_EQ(d3d->CreateViewport(&vp), DD_OK);
    ASSERT_EQ(d3d->CreateMaterial(&mat), DD_OK);
    D3DMATERIAL black;
    black.dwRampSize = 1;
    ASSERT_EQ(mat->SetMaterial(&black), DD_OK);
    D3DMATERIAL got;
    ASSERT_EQ(mat->GetMaterial(&got), DD_OK);
    EXPECT_EQ(got.dwRampSize, 1u);
    D3DMATERIALHANDLE h1 = 0, h2 = 0;
    ASSERT_EQ(mat->GetHandle(dev, &h1), DD_OK);
    ASSERT_EQ(mat->GetHandle(dev, &h2), DD_OK);
    EXPECT_NE(h1, 0u);
    EXPECT_EQ(h1, h2);
    EXPECT_EQ(dev->MaterialFromHandle(h1), mat);

    EXPECT_EQ(vp->SetBackground(h1), DDERR_INVALIDPARAMS);  // no device yet
    ASSERT_EQ(dev->AddViewport(vp), DD_OK);
    EXPECT_EQ(vp->SetBackground(h1 + 100), DDERR_INVALIDPARAMS);
    ASSERT_EQ(vp->SetBackground(h1), DD_OK);
    D3DMATERIALHANDLE bg;
    BOOL valid;
    ASSERT_EQ(vp->GetBackground(&bg, &valid), DD_OK);
    EXPECT_TRUE(valid);
    EXPECT_EQ(bg, h1);

    // A released material leaves no handle behind.
    mat->Release();
    EXPECT_EQ(dev->MaterialFromHandle(h1), nullptr);
    ASSERT_EQ(vp->GetBackground(&bg, &valid), DD_OK);
    EXPECT_FALSE(valid);
    vp->Release();
    dev->Release();
}

TEST_F(Direct3DTest, RenderAndLightStates) {
    Direct3DDevice* dev = Device();
    const DWORD states[][2] = {{D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD}, {D3DRENDERSTATE_TEXTUREPERSPECTIVE, 1},
                               {D3DRENDERSTATE_ZENABLE, 1},          {D3DRENDERSTATE_ZWRITEENABLE, 1},
                               {D3DRENDERSTATE_ZFUNC, D3DCMP_LESSEQUAL}, {D3DRENDERSTATE_TEXTUREMAG, D3DFILTER_LINEAR},
                               {D3DRENDERSTATE_TEXTUREMIN, D3DFILTER_LINEAR}, {D3DRENDERSTATE_TEXTUREMAPBLEND, D3DTBLEND_MODULATE},
                               {D3DRENDERSTATE_FILLMODE, D3DFILL_SOLID}, {D3DRENDERSTATE_DITHERENABLE, 1},
                               {D3DRENDERSTATE_SPECULARENABLE, 0},   {D3DRENDERSTATE_ANTIALIAS, 0},
                               {D3DRENDERSTATE_FOGENABLE, 0},        {D3DRENDERSTATE_FOGCOLOR, 0},
                               {D3DRENDERSTATE_CULLMODE, D3DCULL_CW}, {D3DRENDERSTATE_COLORKEYENABLE, 0},
                               {D3DRENDERSTATE_ALPHABLENDENABLE, 0}};
    for (const auto& s : states) ASSERT_EQ(dev->SetRenderState(s[0], s[1]), DD_OK) << s[0];
    for (const auto& s : states) {
        DWORD v = 99;
        ASSERT_EQ(dev->GetRenderState(s[0], &v), DD_OK);
        EXPECT_EQ(v, s[1]) << s[0];
    }
    EXPECT_EQ(dev->SetRenderState(0, 1), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dev->SetRenderState(D3DRENDERSTATE_LAST, 1), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dev->SetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, 1234), DDERR_INVALIDPARAMS);

    ASSERT_EQ(dev->SetLightState(D3DLIGHTSTATE_FOGMODE, D3DFOG_NONE), DD_OK);
    ASSERT_EQ(dev->SetLightState(D3DLIGHTSTATE_FOGSTART, 6), DD_OK);
    ASSERT_EQ(dev->SetLightState(D3DLIGHTSTATE_FOGEND, 11), DD_OK);
    DWORD v = 0;
    ASSERT_EQ(dev->GetLightState(D3DLIGHTSTATE_FOGEND, &v), DD_OK);
    EXPECT_EQ(v, 11u);
    EXPECT_EQ(dev->SetLightState(D3DLIGHTSTATE_LAST, 1), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dev->SetLightState(D3DLIGHTSTATE_MATERIAL, 77), DDERR_INVALIDPARAMS);
    dev->Release();
}

TEST_F(Direct3DTest, EveryEnumeratedTextureFormatCanBeMade) {
    Direct3DDevice* dev = Device();
    std::vector<DDSURFACEDESC> formats;
    ASSERT_EQ(dev->EnumTextureFormats(
                  [](DDSURFACEDESC* d, void* c) -> HRESULT {
                      static_cast<std::vector<DDSURFACEDESC>*>(c)->push_back(*d);
                      return DDENUMRET_OK;
                  },
                  &formats),
              DD_OK);
    bool palettised = false, five55 = false, alpha16 = false;
    for (DDSURFACEDESC d : formats) {
        const DDPIXELFORMAT& pf = d.ddpfPixelFormat;
        palettised |= (pf.dwFlags & DDPF_PALETTEINDEXED8) != 0;
        five55 |= pf.dwRGBBitCount == 16 && pf.dwRBitMask == 0x7C00 && !(pf.dwFlags & DDPF_ALPHAPIXELS);
        alpha16 |= pf.dwRGBBitCount == 16 && (pf.dwFlags & DDPF_ALPHAPIXELS);
        d.dwFlags |= DDSD_WIDTH | DDSD_HEIGHT;
        d.dwWidth = 32;
        d.dwHeight = 16;
        d.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
        DirectDrawSurface* s = nullptr;
        ASSERT_EQ(dd->CreateSurface(&d, &s), DD_OK) << pf.dwRGBBitCount << " bits, flags " << pf.dwFlags;
        DDPIXELFORMAT back;
        s->GetPixelFormat(&back);
        EXPECT_EQ(back.dwRGBAlphaBitMask, pf.dwRGBAlphaBitMask);
        s->Release();
    }
    EXPECT_TRUE(palettised);
    EXPECT_TRUE(five55);
    EXPECT_TRUE(alpha16);
    dev->Release();
}

TEST_F(Direct3DTest, TextureLoadCopiesPixelsAndPaletteAndHandlesFollowTheTexture) {
    Direct3DDevice* dev = Device();
    DirectDrawSurface* staging = Surface(8, 4, PixelFormat::PAL8, DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY);
    DirectDrawSurface* real = Surface(8, 4, PixelFormat::PAL8, DDSCAPS_TEXTURE | DDSCAPS_ALLOCONLOAD);
    DirectDrawSurface* plain = Surface(8, 4, PixelFormat::PAL8, DDSCAPS_OFFSCREENPLAIN);
    Direct3DTexture* none = nullptr;
    EXPECT_EQ(GetTexture(plain, &none), D3DERR_TEXTURE_NO_SUPPORT);
    plain->Release();

    PALETTEENTRY colours[256], zero[256];
    for (int i = 0; i < 256; ++i) colours[i] = PALETTEENTRY{static_cast<BYTE>(i), 1, 2, 0};
    DirectDrawPalette *sp = nullptr, *dp = nullptr;
    ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256 | DDPCAPS_INITIALIZE, colours, &sp), DD_OK);
    ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256 | DDPCAPS_INITIALIZE, zero, &dp), DD_OK);
    staging->SetPalette(sp);
    real->SetPalette(dp);
    PixelView v;
    ASSERT_EQ(staging->Lock(nullptr, &v, DDLOCK_WAIT), DD_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) static_cast<std::uint8_t*>(v.bits)[y * v.pitch + x] = static_cast<std::uint8_t>(y * 8 + x);
    staging->Unlock(nullptr);

    Direct3DTexture *from = nullptr, *to = nullptr;
    ASSERT_EQ(GetTexture(staging, &from), DD_OK);
    ASSERT_EQ(GetTexture(real, &to), DD_OK);
    ASSERT_EQ(to->Load(from), DD_OK);
    ASSERT_EQ(real->Lock(nullptr, &v, DDLOCK_WAIT), DD_OK);
    EXPECT_EQ(static_cast<std::uint8_t*>(v.bits)[3 * v.pitch + 5], 29);
    real->Unlock(nullptr);
    PALETTEENTRY e;
    dp->GetEntries(0, 200, 1, &e);
    EXPECT_EQ(e.peRed, 200);

    // Lost or mismatched sources do not load.
    DirectDrawSurface* small = Surface(4, 4, PixelFormat::PAL8, DDSCAPS_TEXTURE);
    Direct3DTexture* smallTex = nullptr;
    ASSERT_EQ(GetTexture(small, &smallTex), DD_OK);
    EXPECT_EQ(to->Load(smallTex), D3DERR_TEXTURE_LOAD_FAILED);
    smallTex->Release();
    small->Release();
    LoseAllSurfaces();
    EXPECT_EQ(to->Load(from), DDERR_SURFACELOST);
    staging->Restore();
    real->Restore();
    target->Restore();

    D3DTEXTUREHANDLE h = 0, again = 0;
    ASSERT_EQ(to->GetHandle(dev, &h), DD_OK);
    ASSERT_EQ(to->GetHandle(dev, &again), DD_OK);
    EXPECT_EQ(h, again);
    EXPECT_EQ(dev->TextureFromHandle(h), to);
    ASSERT_EQ(dev->SetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, h), DD_OK);
    EXPECT_EQ(to->Surface(), real);

    // The texture interface keeps its surface; releasing it forgets the handle.
    real->Release();
    staging->Release();
    to->Release();
    EXPECT_EQ(dev->TextureFromHandle(h), nullptr);
    DWORD bound = 1;
    dev->GetRenderState(D3DRENDERSTATE_TEXTUREHANDLE, &bound);
    EXPECT_EQ(bound, 0u);
    from->Release();
    sp->Release();
    dp->Release();
    dev->Release();
}
