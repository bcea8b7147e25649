#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/Present.h"
#include "platform/Surface.h"

using namespace platform;

namespace {

// Releases a display object at the end of a test.
template <typename T>
struct Ref {
    T* p = nullptr;
    ~Ref() {
        if (p) p->Release();
    }
    T* operator->() const { return p; }
    T** operator&() { return &p; }
    operator T*() const { return p; }
};

HWND FakeWindow() { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1000)); }

DDSURFACEDESC OffscreenDesc(int w, int h, PixelFormat f) {
    DDSURFACEDESC d;
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    d.dwWidth = static_cast<DWORD>(w);
    d.dwHeight = static_cast<DWORD>(h);
    d.ddpfPixelFormat = PixelFormatDesc(f);
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    return d;
}

std::uint32_t Get(DirectDrawSurface* s, int x, int y) {
    PixelView v;
    EXPECT_EQ(s->Lock(nullptr, &v, DDLOCK_WAIT), DD_OK);
    auto* row = static_cast<std::uint8_t*>(v.bits) + y * v.pitch;
    std::uint32_t value = 0;
    std::memcpy(&value, row + x * BytesPerPixel(v.format), static_cast<std::size_t>(BytesPerPixel(v.format)));
    s->Unlock(nullptr);
    return value;
}

// Fills every pixel with f(x, y), going through the pitch.
template <typename F>
void Paint(DirectDrawSurface* s, F f) {
    PixelView v;
    ASSERT_EQ(s->Lock(nullptr, &v, DDLOCK_WAIT), DD_OK);
    for (int y = 0; y < v.height; ++y) {
        auto* row = static_cast<std::uint8_t*>(v.bits) + y * v.pitch;
        for (int x = 0; x < v.width; ++x) {
            std::uint32_t value = f(x, y);
            std::memcpy(row + x * BytesPerPixel(v.format), &value, static_cast<std::size_t>(BytesPerPixel(v.format)));
        }
    }
    s->Unlock(nullptr);
}

class SurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(DirectDrawCreate(nullptr, &dd.p), DD_OK);
        ASSERT_EQ(dd->SetCooperativeLevel(FakeWindow(), DDSCL_NORMAL), DD_OK);
    }
    DirectDrawSurface* Make(int w, int h, PixelFormat f) {
        DDSURFACEDESC d = OffscreenDesc(w, h, f);
        DirectDrawSurface* s = nullptr;
        EXPECT_EQ(dd->CreateSurface(&d, &s), DD_OK);
        return s;
    }
    Ref<DirectDraw> dd;
};

}  // namespace

TEST(PixelConversion, NarrowingWideningAndRoundTrips) {
    EXPECT_EQ(Rgb888To565(255, 255, 255), 0xFFFF);
    EXPECT_EQ(Rgb888To555(255, 255, 255), 0x7FFF);
    EXPECT_EQ(Rgb888To565(255, 0, 0), 0xF800);
    EXPECT_EQ(Rgb888To555(0, 255, 0), 0x03E0);
    EXPECT_EQ(Rgb888To565(0, 0, 8), 0x0001);
    Rgb8 white = Rgb565To888(0xFFFF);
    EXPECT_EQ(white.r, 255);
    EXPECT_EQ(white.g, 255);
    EXPECT_EQ(white.b, 255);
    // Every 5-5-5 value survives a trip through 5-6-5 and through 8 bits per channel.
    for (unsigned v = 0; v < 0x8000; ++v) {
        auto p = static_cast<std::uint16_t>(v);
        ASSERT_EQ(Rgb565To555(Rgb555To565(p)), p);
        Rgb8 c = Rgb555To888(p);
        ASSERT_EQ(Rgb888To555(c.r, c.g, c.b), p);
    }
    for (unsigned v = 0; v < 0x10000; ++v) {
        auto p = static_cast<std::uint16_t>(v);
        Rgb8 c = Rgb565To888(p);
        ASSERT_EQ(Rgb888To565(c.r, c.g, c.b), p);
    }
    EXPECT_EQ(PackRgb(PixelFormat::XRGB8888, 1, 2, 3), 0x010203u);
    EXPECT_EQ(UnpackRgb(PixelFormat::XRGB8888, 0x00AABBCC).g, 0xBB);
    PixelFormat f;
    ASSERT_TRUE(PixelFormatFromDesc(PixelFormatDesc(PixelFormat::RGB555), &f));
    EXPECT_EQ(f, PixelFormat::RGB555);
}

TEST(PixelConversion, ViewsConvertBetweenFormatsThroughTheirPitches) {
    std::uint16_t p565[2][3] = {{0xF800, 0x07E0, 0xBEEF}, {0x001F, 0xFFFF, 0xBEEF}};  // 2 x 2, pitch 6
    std::uint32_t p32[2][3] = {};
    std::uint16_t p555[2][4] = {};
    PixelView a{p565, 2, 2, 6, PixelFormat::RGB565};
    PixelView b{p32, 2, 2, 12, PixelFormat::XRGB8888};
    PixelView c{p555, 3, 2, 8, PixelFormat::RGB555};  // larger: only 2 x 2 is written
    ASSERT_TRUE(ConvertPixels(a, b));
    EXPECT_EQ(p32[0][0], 0xFF0000u);
    EXPECT_EQ(p32[0][1], 0x00FF00u);
    EXPECT_EQ(p32[1][0], 0x0000FFu);
    EXPECT_EQ(p32[1][1], 0xFFFFFFu);
    EXPECT_EQ(p32[0][2], 0u);
    ASSERT_TRUE(ConvertPixels(b, c));
    EXPECT_EQ(p555[0][0], 0x7C00);
    EXPECT_EQ(p555[1][1], 0x7FFF);
    EXPECT_EQ(p555[0][2], 0);
    ASSERT_TRUE(ConvertPixels(c, a));
    EXPECT_EQ(p565[0][1], 0x07E0);  // full 5-bit green comes back as full 6-bit green
    EXPECT_EQ(p565[0][2], 0xBEEF);
    std::uint8_t idx[4] = {};
    EXPECT_FALSE(ConvertPixels(PixelView{idx, 2, 2, 2, PixelFormat::PAL8}, a));
}

TEST_F(SurfaceTest, LockGivesAPitchWiderThanTheRowAndRectLocksOffsetIntoIt) {
    for (PixelFormat f : {PixelFormat::RGB565, PixelFormat::RGB555, PixelFormat::XRGB8888, PixelFormat::PAL8}) {
        Ref<DirectDrawSurface> s{Make(10, 7, f)};
        ASSERT_NE(s.p, nullptr);
        DDSURFACEDESC d;
        ASSERT_EQ(s->GetSurfaceDesc(&d), DD_OK);
        EXPECT_EQ(d.dwWidth, 10u);
        EXPECT_EQ(d.dwHeight, 7u);
        EXPECT_GT(d.lPitch, 10 * BytesPerPixel(f));
        PixelFormat back;
        ASSERT_TRUE(PixelFormatFromDesc(d.ddpfPixelFormat, &back));
        EXPECT_EQ(back, f);

        PixelView whole, part;
        ASSERT_EQ(s->Lock(nullptr, &whole, 0), DD_OK);
        EXPECT_EQ(whole.pitch, d.lPitch);
        ASSERT_EQ(s->Unlock(whole.bits), DD_OK);
        RECT r{3, 2, 8, 6};
        ASSERT_EQ(s->Lock(&r, &part, 0), DD_OK);
        EXPECT_EQ(part.width, 5);
        EXPECT_EQ(part.height, 4);
        EXPECT_EQ(static_cast<std::uint8_t*>(part.bits),
                  static_cast<std::uint8_t*>(whole.bits) + 2 * whole.pitch + 3 * BytesPerPixel(f));
        ASSERT_EQ(s->Unlock(part.bits), DD_OK);
        RECT outside{5, 5, 11, 6};
        EXPECT_EQ(s->Lock(&outside, &part, 0), DDERR_INVALIDRECT);
        EXPECT_EQ(part.bits, nullptr);
        // The DirectDraw form of the lock gives the same address and pitch.
        DDSURFACEDESC locked;
        ASSERT_EQ(s->Lock(&r, &locked, 0), DD_OK);
        EXPECT_EQ(locked.lpSurface, static_cast<std::uint8_t*>(whole.bits) + 2 * whole.pitch + 3 * BytesPerPixel(f));
        EXPECT_EQ(locked.lPitch, whole.pitch);
        EXPECT_TRUE(locked.dwFlags & DDSD_LPSURFACE);
        ASSERT_EQ(s->Unlock(locked.lpSurface), DD_OK);
    }
}

TEST_F(SurfaceTest, BltCopiesInBothSixteenBitFormatsAndRefusesMixedFormats) {
    for (PixelFormat f : {PixelFormat::RGB565, PixelFormat::RGB555}) {
        Ref<DirectDrawSurface> src{Make(8, 6, f)};
        Ref<DirectDrawSurface> dst{Make(8, 6, f)};
        Paint(src, [](int x, int y) { return static_cast<std::uint32_t>(0x100 * y + x + 1); });
        Paint(dst, [](int, int) { return 0u; });
        RECT from{1, 1, 4, 3};
        RECT to{4, 3, 7, 5};
        ASSERT_EQ(dst->Blt(&to, src, &from, DDBLT_WAIT, nullptr), DD_OK);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) {
                bool inside = x >= 4 && x < 7 && y >= 3 && y < 5;
                std::uint32_t want = inside ? static_cast<std::uint32_t>(0x100 * (y - 2) + (x - 3) + 1) : 0u;
                ASSERT_EQ(Get(dst, x, y), want) << x << "," << y;
            }
    }
    Ref<DirectDrawSurface> a{Make(4, 4, PixelFormat::RGB565)};
    Ref<DirectDrawSurface> b{Make(4, 4, PixelFormat::RGB555)};
    EXPECT_EQ(a->Blt(nullptr, b, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPIXELFORMAT);
    EXPECT_EQ(a->BltFast(0, 0, b, nullptr, DDBLTFAST_WAIT), DDERR_INVALIDPIXELFORMAT);
}

TEST_F(SurfaceTest, SourceColourKeyLeavesKeyedPixelsUntouched) {
    Ref<DirectDrawSurface> src{Make(4, 4, PixelFormat::RGB565)};
    Ref<DirectDrawSurface> dst{Make(4, 4, PixelFormat::RGB565)};
    const std::uint32_t key = Rgb888To565(255, 255, 255);
    Paint(src, [&](int x, int y) { return (x + y) % 2 ? key : 0x1234u; });
    Paint(dst, [](int, int) { return 0x0F0Fu; });

    // Without a key set, asking for one is an error.
    EXPECT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DDERR_NOCOLORKEY);
    DDCOLORKEY ck{key, key};
    ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, &ck), DD_OK);
    DDCOLORKEY read;
    ASSERT_EQ(src->GetColorKey(DDCKEY_SRCBLT, &read), DD_OK);
    EXPECT_EQ(read.dwColorSpaceLowValue, key);

    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Get(dst, x, y), (x + y) % 2 ? 0x0F0Fu : 0x1234u);

    // BltFast with the source key, and the override key of Blt.
    Paint(dst, [](int, int) { return 0x0F0Fu; });
    ASSERT_EQ(dst->BltFast(1, 1, src, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(Get(dst, 1, 1), 0x1234u);
    EXPECT_EQ(Get(dst, 2, 1), 0x0F0Fu);
    EXPECT_EQ(Get(dst, 0, 0), 0x0F0Fu);
    DDBLTFX fx;
    fx.ddckSrcColorkey = DDCOLORKEY{0x1234, 0x1234};
    Paint(dst, [](int, int) { return 0u; });
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_KEYSRCOVERRIDE | DDBLT_WAIT, &fx), DD_OK);
    EXPECT_EQ(Get(dst, 0, 0), 0u);
    EXPECT_EQ(Get(dst, 1, 0), key);

    // A stretched keyed blit keys on the source pixel each destination pixel takes.
    Ref<DirectDrawSurface> wide{Make(8, 8, PixelFormat::RGB565)};
    Paint(wide, [](int, int) { return 0x0F0Fu; });
    ASSERT_EQ(wide->Blt(nullptr, src, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Get(wide, 0, 0), 0x1234u);
    EXPECT_EQ(Get(wide, 1, 1), 0x1234u);
    EXPECT_EQ(Get(wide, 2, 0), 0x0F0Fu);
    EXPECT_EQ(Get(wide, 3, 1), 0x0F0Fu);
    EXPECT_EQ(Get(wide, 2, 2), 0x1234u);

    // Removing the key makes the next keyed blit an error again.
    ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, nullptr), DD_OK);
    EXPECT_EQ(src->GetColorKey(DDCKEY_SRCBLT, &read), DDERR_NOCOLORKEY);
}

TEST_F(SurfaceTest, StretchEnlargesAndReducesByNearestPixel) {
    Ref<DirectDrawSurface> src{Make(2, 2, PixelFormat::RGB555)};
    Ref<DirectDrawSurface> big{Make(4, 4, PixelFormat::RGB555)};
    Paint(src, [](int x, int y) { return static_cast<std::uint32_t>(10 * y + x + 1); });
    ASSERT_EQ(big->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Get(big, x, y), static_cast<std::uint32_t>(10 * (y / 2) + x / 2 + 1));

    // Reducing 4 -> 2 samples the pixel centres 1 and 3.
    Paint(big, [](int x, int y) { return static_cast<std::uint32_t>(10 * y + x + 1); });
    ASSERT_EQ(src->Blt(nullptr, big, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Get(src, 0, 0), 12u);
    EXPECT_EQ(Get(src, 1, 0), 14u);
    EXPECT_EQ(Get(src, 0, 1), 32u);
    EXPECT_EQ(Get(src, 1, 1), 34u);

    // A stretched blit that hangs over the edge draws the part that shows,
    // with the same pixels as the unclipped blit would have put there.
    Paint(big, [](int, int) { return 0u; });
    RECT over{2, 2, 6, 6};
    ASSERT_EQ(big->Blt(&over, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Get(big, 2, 2), 12u);
    EXPECT_EQ(Get(big, 3, 3), 12u);
    EXPECT_EQ(Get(big, 1, 1), 0u);
}

TEST_F(SurfaceTest, FillAndBlitsAreClippedToTheSurfaceAndNeverTouchRowPadding) {
    Ref<DirectDrawSurface> s{Make(5, 3, PixelFormat::RGB565)};
    Paint(s, [](int, int) { return 0u; });
    DDBLTFX fx;
    fx.dwFillColor = 0xABCD;
    RECT r{-3, 1, 100, 100};
    ASSERT_EQ(s->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    PixelView v;
    ASSERT_EQ(s->Lock(nullptr, &v, 0), DD_OK);
    auto* bytes = static_cast<std::uint8_t*>(v.bits);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            std::uint16_t p;
            std::memcpy(&p, bytes + y * v.pitch + 2 * x, 2);
            EXPECT_EQ(p, y >= 1 ? 0xABCD : 0) << x << "," << y;
        }
        for (int b = 10; b < v.pitch; ++b) EXPECT_EQ(bytes[y * v.pitch + b], 0) << "padding of row " << y;
    }
    s->Unlock(nullptr);

    // An unstretched blit half off the left edge moves the source with it.
    Ref<DirectDrawSurface> src{Make(4, 1, PixelFormat::RGB565)};
    Paint(src, [](int x, int) { return static_cast<std::uint32_t>(x + 1); });
    ASSERT_EQ(s->BltFast(0, 0, src, nullptr, DDBLTFAST_WAIT), DD_OK);
    RECT left{-2, 0, 2, 1};
    ASSERT_EQ(s->Blt(&left, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Get(s, 0, 0), 3u);
    EXPECT_EQ(Get(s, 1, 0), 4u);
    EXPECT_EQ(Get(s, 2, 0), 3u);
    // Wholly outside: nothing to do, and no error.
    RECT away{50, 50, 54, 51};
    EXPECT_EQ(s->Blt(&away, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    RECT inverted{3, 0, 1, 1};
    EXPECT_EQ(s->Blt(&inverted, src, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
}

TEST_F(SurfaceTest, OverlappingBlitWithinOneSurfaceScrollsCorrectly) {
    Ref<DirectDrawSurface> s{Make(6, 1, PixelFormat::RGB565)};
    Paint(s, [](int x, int) { return static_cast<std::uint32_t>(x + 1); });
    RECT from{0, 0, 5, 1};
    ASSERT_EQ(s->BltFast(1, 0, s, &from, DDBLTFAST_WAIT), DD_OK);
    for (int x = 1; x < 6; ++x) EXPECT_EQ(Get(s, x, 0), static_cast<std::uint32_t>(x));
}

TEST_F(SurfaceTest, StillDrawingIsReportedWithoutWaitAndWaitedOutWithIt) {
    Ref<DirectDrawSurface> a{Make(4, 4, PixelFormat::RGB565)};
    Ref<DirectDrawSurface> b{Make(4, 4, PixelFormat::RGB565)};
    SimulateStillDrawing(2);
    EXPECT_EQ(a->Blt(nullptr, b, nullptr, 0, nullptr), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(a->BltFast(0, 0, b, nullptr, 0), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(a->Blt(nullptr, b, nullptr, 0, nullptr), DD_OK);  // a retry loop ends

    SimulateStillDrawing(5);
    PixelView v;
    EXPECT_EQ(a->Lock(nullptr, &v, 0), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(a->Lock(nullptr, &v, DDLOCK_WAIT), DD_OK);
    EXPECT_EQ(a->Unlock(nullptr), DD_OK);
    EXPECT_EQ(a->Blt(nullptr, b, nullptr, 0, nullptr), DD_OK);  // the wait drained the blitter

    // A locked surface cannot be blitted, locked again or waited for.
    ASSERT_EQ(b->Lock(nullptr, &v, 0), DD_OK);
    EXPECT_EQ(a->Blt(nullptr, b, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(b->Lock(nullptr, &v, DDLOCK_WAIT), DDERR_SURFACEBUSY);
    EXPECT_EQ(b->Unlock(nullptr), DD_OK);
    EXPECT_EQ(b->Unlock(nullptr), DDERR_NOTLOCKED);
}

TEST_F(SurfaceTest, LostSurfacesRefuseWorkUntilRestored) {
    Ref<DirectDrawSurface> a{Make(4, 4, PixelFormat::RGB565)};
    Ref<DirectDrawSurface> b{Make(4, 4, PixelFormat::RGB565)};
    EXPECT_EQ(a->IsLost(), DD_OK);
    LoseAllSurfaces();
    EXPECT_EQ(a->IsLost(), DDERR_SURFACELOST);
    PixelView v;
    EXPECT_EQ(a->Lock(nullptr, &v, DDLOCK_WAIT), DDERR_SURFACELOST);
    EXPECT_EQ(a->Blt(nullptr, b, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
    ASSERT_EQ(a->Restore(), DD_OK);
    EXPECT_EQ(a->IsLost(), DD_OK);
    // b is still lost: a blit from it fails, a fill into a works.
    EXPECT_EQ(a->Blt(nullptr, b, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
    DDBLTFX fx;
    fx.dwFillColor = 7;
    EXPECT_EQ(a->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    EXPECT_EQ(Get(a, 3, 3), 7u);
    ASSERT_EQ(b->Restore(), DD_OK);
    EXPECT_EQ(a->Blt(nullptr, b, nullptr, DDBLT_WAIT, nullptr), DD_OK);
}

TEST_F(SurfaceTest, FlippingChainNeedsFullScreenAndSwapsPictures) {
    DDSURFACEDESC d;
    d.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    d.dwBackBufferCount = 1;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
    DirectDrawSurface* front = nullptr;
    EXPECT_EQ(dd->CreateSurface(&d, &front), DDERR_NOEXCLUSIVEMODE);

    ASSERT_EQ(dd->SetCooperativeLevel(FakeWindow(), DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_FPUSETUP), DD_OK);
    ASSERT_EQ(dd->SetDisplayMode(640, 480, 16), DD_OK);
    ASSERT_EQ(dd->CreateSurface(&d, &front), DD_OK);
    Ref<DirectDrawSurface> f{front};
    EXPECT_EQ(dd->CreateSurface(&d, &front), DDERR_PRIMARYSURFACEALREADYEXISTS);
    EXPECT_EQ(f->Width(), 640);
    EXPECT_EQ(f->Height(), 480);

    DDSCAPS caps{DDSCAPS_BACKBUFFER};
    Ref<DirectDrawSurface> back;
    ASSERT_EQ(f->GetAttachedSurface(&caps, &back), DD_OK);
    DDSURFACEDESC bd;
    back->GetSurfaceDesc(&bd);
    EXPECT_TRUE(bd.ddsCaps.dwCaps & DDSCAPS_BACKBUFFER);
    EXPECT_TRUE(bd.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);

    DDBLTFX fx;
    fx.dwFillColor = 0x1111;
    ASSERT_EQ(f->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    fx.dwFillColor = 0x2222;
    ASSERT_EQ(back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    const std::uint64_t shown = PresentedFrameCount();
    ASSERT_EQ(f->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(Get(f, 10, 10), 0x2222u);
    EXPECT_EQ(Get(back, 10, 10), 0x1111u);
    // The flip put the back buffer's picture on the screen.
    EXPECT_EQ(PresentedFrameCount(), shown + 1);
    std::vector<std::uint8_t> grab;
    PixelView last;
    ASSERT_TRUE(GrabLastFrame(grab, last));
    EXPECT_EQ(last.width, 640);
    EXPECT_EQ(last.height, 480);
    std::uint16_t px;
    std::memcpy(&px, static_cast<std::uint8_t*>(last.bits) + 10 * last.pitch + 20, 2);
    EXPECT_EQ(px, 0x2222);

    // Back to the original front memory before another program draws; a
    // second call has nothing to do.
    ASSERT_EQ(dd->FlipToGDISurface(), DD_OK);
    EXPECT_EQ(Get(f, 10, 10), 0x1111u);
    ASSERT_EQ(dd->FlipToGDISurface(), DD_OK);
    EXPECT_EQ(Get(f, 10, 10), 0x1111u);

    // A lost chain cannot flip; restoring the front brings the back buffer back too.
    LoseAllSurfaces();
    EXPECT_EQ(f->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACELOST);
    ASSERT_EQ(f->Restore(), DD_OK);
    EXPECT_EQ(back->IsLost(), DD_OK);
    EXPECT_EQ(f->Flip(nullptr, DDFLIP_WAIT), DD_OK);

    // Off-screen surfaces do not flip.
    Ref<DirectDrawSurface> off{Make(4, 4, PixelFormat::RGB565)};
    EXPECT_EQ(off->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);
}

TEST_F(SurfaceTest, InAWindowABlitOntoTheFrontSurfaceShowsTheBlittedPicture) {
    DDSURFACEDESC d;
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    Ref<DirectDrawSurface> front;
    ASSERT_EQ(dd->CreateSurface(&d, &front), DD_OK);
    Ref<DirectDrawClipper> clip;
    ASSERT_EQ(dd->CreateClipper(0, &clip), DD_OK);
    ASSERT_EQ(clip->SetHWnd(0, FakeWindow()), DD_OK);
    ASSERT_EQ(front->SetClipper(clip), DD_OK);
    Ref<DirectDrawSurface> back{Make(64, 48, front->Format())};
    Paint(back, [](int x, int y) { return static_cast<std::uint32_t>(x + 64 * y); });

    const std::uint64_t shown = PresentedFrameCount();
    RECT client{100, 50, 164, 98};  // the client area in screen coordinates
    ASSERT_EQ(front->Blt(&client, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(PresentedFrameCount(), shown + 1);
    std::vector<std::uint8_t> grab;
    PixelView last;
    ASSERT_TRUE(GrabLastFrame(grab, last));
    EXPECT_EQ(last.width, 64);
    EXPECT_EQ(last.height, 48);
    std::uint16_t px;
    std::memcpy(&px, static_cast<std::uint8_t*>(last.bits) + 5 * last.pitch + 2 * 7, 2);
    EXPECT_EQ(px, 7 + 64 * 5);

    // A window hanging over the desktop's bottom-right corner still shows the whole picture.
    DDSURFACEDESC desk;
    dd->GetDisplayMode(&desk);
    const LONG dw = static_cast<LONG>(desk.dwWidth), dh = static_cast<LONG>(desk.dwHeight);
    RECT over{dw - 10, dh - 10, dw + 54, dh + 38};
    ASSERT_EQ(front->Blt(&over, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    ASSERT_TRUE(GrabLastFrame(grab, last));
    EXPECT_EQ(last.width, 64);
    EXPECT_EQ(last.height, 48);
    std::memcpy(&px, static_cast<std::uint8_t*>(last.bits) + 47 * last.pitch + 2 * 63, 2);
    EXPECT_EQ(px, 63 + 64 * 47);

    // A colour fill of the client area shows the filled area.
    DDBLTFX fx;
    fx.dwFillColor = 0x0F0F;
    ASSERT_EQ(front->Blt(&client, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    ASSERT_TRUE(GrabLastFrame(grab, last));
    EXPECT_EQ(last.width, 64);
    std::memcpy(&px, last.bits, 2);
    EXPECT_EQ(px, 0x0F0F);
}

TEST_F(SurfaceTest, DisplayModesAndTheirRules) {
    std::vector<DDSURFACEDESC> modes;
    ASSERT_EQ(dd->EnumDisplayModes(0, nullptr, &modes,
                                   [](DDSURFACEDESC* m, void* c) -> HRESULT {
                                       static_cast<std::vector<DDSURFACEDESC>*>(c)->push_back(*m);
                                       return DDENUMRET_OK;
                                   }),
              DD_OK);
    bool has640x16 = false;
    for (const auto& m : modes)
        if (m.dwWidth == 640 && m.dwHeight == 480 && m.ddpfPixelFormat.dwRGBBitCount == 16) has640x16 = true;
    EXPECT_TRUE(has640x16);
    // Cancelling stops the enumeration.
    int seen = 0;
    dd->EnumDisplayModes(0, nullptr, &seen, [](DDSURFACEDESC*, void* c) -> HRESULT {
        ++*static_cast<int*>(c);
        return DDENUMRET_CANCEL;
    });
    EXPECT_EQ(seen, 1);

    EXPECT_EQ(dd->SetDisplayMode(640, 480, 16), DDERR_NOEXCLUSIVEMODE);
    ASSERT_EQ(dd->SetCooperativeLevel(FakeWindow(), DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DD_OK);
    EXPECT_EQ(dd->SetDisplayMode(641, 480, 16), DDERR_INVALIDMODE);
    // Every listed mode can be set, and the display then reports it.
    for (const auto& m : modes) {
        ASSERT_EQ(dd->SetDisplayMode(m.dwWidth, m.dwHeight, m.ddpfPixelFormat.dwRGBBitCount), DD_OK);
        DDSURFACEDESC cur;
        dd->GetDisplayMode(&cur);
        EXPECT_EQ(cur.dwWidth, m.dwWidth);
        EXPECT_EQ(cur.dwHeight, m.dwHeight);
        EXPECT_EQ(cur.ddpfPixelFormat.dwRGBBitCount, m.ddpfPixelFormat.dwRGBBitCount);
    }
    EXPECT_EQ(modes.back().ddpfPixelFormat.dwRGBBitCount, 32u);
    // Back to the desktop, as set by the host.
    SetDesktopMode(1000, 700, 16);
    dd->RestoreDisplayMode();
    DDSURFACEDESC cur;
    dd->GetDisplayMode(&cur);
    EXPECT_EQ(cur.dwWidth, 1000u);
    EXPECT_EQ(cur.ddpfPixelFormat.dwRGBBitCount, 16u);
    SetDesktopMode(0, 0, 16);
    EXPECT_EQ(dd->SetCooperativeLevel(FakeWindow(), DDSCL_FULLSCREEN), DDERR_INVALIDPARAMS);

    // A second display object on an unknown driver is refused.
    GUID other;
    other.Data1 = 42;
    DirectDraw* second = nullptr;
    EXPECT_EQ(DirectDrawCreate(&other, &second), DDERR_INVALIDDIRECTDRAWGUID);
    EXPECT_EQ(second, nullptr);
}

TEST_F(SurfaceTest, CreationRefusesBadDescriptionsAndVideoMemory) {
    DirectDrawSurface* s = nullptr;
    DDSURFACEDESC d = OffscreenDesc(0, 4, PixelFormat::RGB565);
    EXPECT_EQ(dd->CreateSurface(&d, &s), DDERR_INVALIDPARAMS);
    d = OffscreenDesc(100000, 4, PixelFormat::RGB565);
    EXPECT_EQ(dd->CreateSurface(&d, &s), DDERR_INVALIDPARAMS);
    d = OffscreenDesc(4, 4, PixelFormat::RGB565);
    d.ddpfPixelFormat.dwGBitMask = 0x0FF0;  // a layout we do not hold
    EXPECT_EQ(dd->CreateSurface(&d, &s), DDERR_INVALIDPIXELFORMAT);
    d = OffscreenDesc(4, 4, PixelFormat::RGB565);
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
    EXPECT_EQ(dd->CreateSurface(&d, &s), DDERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(s, nullptr);

    // A display of 5-5-5 pixels reports them, and surfaces follow it.
    SetDisplay16BitFormat(PixelFormat::RGB555);
    DDSURFACEDESC mode;
    dd->GetDisplayMode(&mode);
    EXPECT_EQ(mode.ddpfPixelFormat.dwRBitMask, 0x7C00u);
    SetDisplay16BitFormat(PixelFormat::RGB565);
    dd->GetDisplayMode(&mode);
    EXPECT_EQ(mode.ddpfPixelFormat.dwRBitMask, 0xF800u);

    // Without a pixel format a surface takes the display's.
    DDSURFACEDESC plain;
    plain.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    plain.dwWidth = 3;
    plain.dwHeight = 3;
    plain.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    ASSERT_EQ(dd->CreateSurface(&plain, &s), DD_OK);
    EXPECT_EQ(s->Format(), Display16BitFormat());
    s->Release();
}

TEST_F(SurfaceTest, PalettesBelongToEightBitSurfaces) {
    PALETTEENTRY entries[256];
    for (int i = 0; i < 256; ++i) entries[i] = PALETTEENTRY{static_cast<BYTE>(i), 0, static_cast<BYTE>(255 - i), 0};
    Ref<DirectDrawPalette> pal;
    ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256 | DDPCAPS_INITIALIZE, entries, &pal), DD_OK);
    PALETTEENTRY got[2];
    ASSERT_EQ(pal->GetEntries(0, 200, 2, got), DD_OK);
    EXPECT_EQ(got[1].peRed, 201);
    EXPECT_EQ(pal->GetEntries(0, 255, 2, got), DDERR_INVALIDPARAMS);

    Ref<DirectDrawSurface> s8{Make(4, 4, PixelFormat::PAL8)};
    Ref<DirectDrawSurface> s16{Make(4, 4, PixelFormat::RGB565)};
    EXPECT_EQ(s16->SetPalette(pal), DDERR_NOTPALETTIZED);
    ASSERT_EQ(s8->SetPalette(pal), DD_OK);
    Ref<DirectDrawPalette> back;
    ASSERT_EQ(s8->GetPalette(&back), DD_OK);
    EXPECT_EQ(back.p, pal.p);

    // 8-bit blits move indices, keyed on an index.
    Ref<DirectDrawSurface> other{Make(4, 4, PixelFormat::PAL8)};
    Paint(s8, [](int x, int) { return static_cast<std::uint32_t>(x == 0 ? 9 : 200); });
    Paint(other, [](int, int) { return 1u; });
    DDCOLORKEY key{9, 9};
    s8->SetColorKey(DDCKEY_SRCBLT, &key);
    ASSERT_EQ(other->Blt(nullptr, s8, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Get(other, 0, 0), 1u);
    EXPECT_EQ(Get(other, 1, 0), 200u);
}

TEST_F(SurfaceTest, TextureMemoryLimitRefusesCreationAndFreesOnRelease) {
    SetTextureMemoryLimit(0);
    std::size_t before = TextureMemoryInUse();
    DDSURFACEDESC d = OffscreenDesc(64, 64, PixelFormat::RGB565);
    d.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
    DirectDrawSurface* t1 = nullptr;
    ASSERT_EQ(dd->CreateSurface(&d, &t1), DD_OK);
    std::size_t one = TextureMemoryInUse() - before;
    EXPECT_GE(one, 64u * 64u * 2u);
    SetTextureMemoryLimit(before + one + one / 2);
    DirectDrawSurface* t2 = nullptr;
    EXPECT_EQ(dd->CreateSurface(&d, &t2), DDERR_OUTOFMEMORY);
    EXPECT_EQ(t2, nullptr);
    t1->Release();
    EXPECT_EQ(TextureMemoryInUse(), before);
    ASSERT_EQ(dd->CreateSurface(&d, &t2), DD_OK);
    t2->Release();
    SetTextureMemoryLimit(0);
}

TEST_F(SurfaceTest, ZBufferAttachesToARenderTargetOfItsSize) {
    Ref<DirectDrawSurface> target{Make(32, 16, PixelFormat::RGB565)};
    DDSURFACEDESC z;
    z.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_ZBUFFERBITDEPTH;
    z.dwWidth = 32;
    z.dwHeight = 16;
    z.dwZBufferBitDepth = 16;
    z.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY;
    Ref<DirectDrawSurface> zb;
    ASSERT_EQ(dd->CreateSurface(&z, &zb), DD_OK);
    DDSURFACEDESC zd;
    zb->GetSurfaceDesc(&zd);
    EXPECT_EQ(zd.dwZBufferBitDepth, 16u);
    EXPECT_TRUE(zd.ddpfPixelFormat.dwFlags & DDPF_ZBUFFER);
    ASSERT_EQ(target->AddAttachedSurface(zb), DD_OK);
    EXPECT_EQ(target->AddAttachedSurface(zb), DDERR_SURFACEALREADYATTACHED);
    DDSCAPS caps{DDSCAPS_ZBUFFER};
    Ref<DirectDrawSurface> found;
    ASSERT_EQ(target->GetAttachedSurface(&caps, &found), DD_OK);
    EXPECT_EQ(found.p, zb.p);
    z.dwZBufferBitDepth = 24;
    DirectDrawSurface* bad = nullptr;
    EXPECT_EQ(dd->CreateSurface(&z, &bad), DDERR_INVALIDPIXELFORMAT);
}

TEST_F(SurfaceTest, ReleasingEverythingLeavesNoSurfaceBehind) {
    int before = LiveSurfaceCount();
    {
        ASSERT_EQ(dd->SetCooperativeLevel(FakeWindow(), DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DD_OK);
        DDSURFACEDESC d;
        d.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        d.dwBackBufferCount = 1;
        d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        Ref<DirectDrawSurface> front;
        ASSERT_EQ(dd->CreateSurface(&d, &front), DD_OK);
        DDSCAPS caps{DDSCAPS_BACKBUFFER};
        Ref<DirectDrawSurface> back;
        ASSERT_EQ(front->GetAttachedSurface(&caps, &back), DD_OK);
        EXPECT_EQ(LiveSurfaceCount(), before + 2);
    }
    EXPECT_EQ(LiveSurfaceCount(), before);
}
