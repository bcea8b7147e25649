// Texture formats, conversion and resampling, colour keys, the square rule,
// relief of texture memory, and textures surviving a scripted surface loss.
#include <algorithm>
#include <vector>

#include "DwenTest.h"
#include "platform/Input.h"

using namespace dwentest;

namespace {

class Textures : public DwenFixture {
protected:
    void SetUp() override {
        DwenFixture::SetUp();
        ASSERT_TRUE(BringUp(ctx.get(), 0, 0, 5, 0)) << ctx->errorText;
        ctx->ready = 1;
    }
    DwenTextureFormat* Format(DWORD bits, DWORD red, bool alpha) { return FindFormat(ctx.get(), bits, red, alpha); }
    // Converts into a fresh system-memory surface and reads the pixels back as 32-bit values.
    std::vector<uint32_t> Convert(int type, int w, int h, const uint32_t* palette, const void* pixels,
                                  DwenTextureFormat* f, int dw, int dh, int alpha, DirectDrawSurface** keep = nullptr) {
        DirectDrawSurface* s = Dwen_Create_Surface(ctx.get(), &f->desc, dw, dh, DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY);
        EXPECT_NE(s, nullptr);
        if (!s) return {};
        std::vector<uint32_t> out;
        if (Dwen_Convert_And_Resize_Texture(ctx.get(), type, w, h, palette, pixels, f, dw, dh, alpha, s)) out = Read(s);
        if (keep)
            *keep = s;
        else
            s->Release();
        return out;
    }
    static std::vector<uint32_t> Read(DirectDrawSurface* s) {
        PixelView v;
        std::vector<uint32_t> out;
        if (FAILED(s->Lock(nullptr, &v, DDLOCK_WAIT))) return out;
        const int bpp = BytesPerPixel(v.format);
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width; ++x) {
                uint32_t p = 0;
                std::memcpy(&p, static_cast<uint8_t*>(v.bits) + y * v.pitch + x * bpp, bpp);
                out.push_back(p);
            }
        s->Unlock(v.bits);
        return out;
    }
};

TEST_F(Textures, FormatTableKeepsTheDevicesFormats) {
    ASSERT_EQ(ctx->textureFormatCount, 6);
    DwenTextureFormat* f555 = Format(16, 0x7C00, false);
    DwenTextureFormat* f1555 = Format(16, 0x7C00, true);
    ASSERT_TRUE(f555 && f1555);
    EXPECT_EQ(f555->is555, 1);
    EXPECT_EQ(f1555->is555, 0);
    EXPECT_EQ(f1555->alphaBits, 1);
    EXPECT_EQ(f1555->alphaShift, 15);
    EXPECT_EQ(f1555->alpha8MinusBits, 7);
    DwenTextureFormat* f565 = Format(16, 0xF800, false);
    EXPECT_EQ(f565->greenBits, 6);
    EXPECT_EQ(f565->green8MinusBits, 2);
    EXPECT_NE(FindFormat(ctx.get(), 8, 0, false, true), nullptr);
}

TEST_F(Textures, ConversionMatrix) {
    DwenContext* c = ctx.get();
    DwenTextureFormat* f555 = Format(16, 0x7C00, false);
    DwenTextureFormat* f565 = Format(16, 0xF800, false);
    DwenTextureFormat* f1555 = Format(16, 0x7C00, true);
    DwenTextureFormat* f8888 = Format(32, 0xFF0000, false);
    DwenTextureFormat* fa8888 = Format(32, 0xFF0000, true);
    DwenTextureFormat* pal = FindFormat(c, 8, 0, false, true);
    // 15-bit: white, red, green, a dark grey.
    const uint16_t s15[4] = {0x7FFF, 0x7C00, 0x03E0, 0x0421};
    // 16-bit: white, red, green, blue.
    const uint16_t s16[4] = {0xFFFF, 0xF800, 0x07E0, 0x001F};
    uint32_t palette[256] = {};
    palette[0] = 0x112233;
    palette[1] = 0xFF0000;
    palette[2] = 0x00FC00;
    palette[3] = 0xFFFFFF;
    const uint8_t s8[4] = {0, 1, 2, 3};

    EXPECT_EQ(Convert(15, 2, 2, nullptr, s15, f555, 2, 2, 0), (std::vector<uint32_t>{0x7FFF, 0x7C00, 0x03E0, 0x0421}));
    EXPECT_EQ(Convert(15, 2, 2, nullptr, s15, f565, 2, 2, 0), (std::vector<uint32_t>{0xFFDF, 0xF800, 0x07C0, 0x0841}));
    EXPECT_EQ(Convert(16, 2, 2, nullptr, s16, f555, 2, 2, 0), (std::vector<uint32_t>{0x7FFF, 0x7C00, 0x03E0, 0x001F}));
    EXPECT_EQ(Convert(16, 2, 2, nullptr, s16, f565, 2, 2, 0), (std::vector<uint32_t>{0xFFFF, 0xF800, 0x07E0, 0x001F}));
    EXPECT_EQ(Convert(8, 2, 2, palette, s8, f565, 2, 2, 0), (std::vector<uint32_t>{0x1106, 0xF800, 0x07E0, 0xFFFF}));
    EXPECT_EQ(Convert(8, 2, 2, palette, s8, f8888, 2, 2, 0),
              (std::vector<uint32_t>{0x112233, 0xFF0000, 0x00FC00, 0xFFFFFF}));
    EXPECT_EQ(Convert(15, 2, 2, nullptr, s15, f8888, 2, 2, 0),
              (std::vector<uint32_t>{0xF8F8F8, 0xF80000, 0x00F800, 0x080808}));
    // Alpha from the brightness: white 248 keeps the 1-bit alpha, dark grey 8 drops it.
    EXPECT_EQ(Convert(15, 2, 2, nullptr, s15, f1555, 2, 2, -1), (std::vector<uint32_t>{0xFFFF, 0x7C00, 0x83E0, 0x0421}));
    EXPECT_EQ(Convert(16, 2, 2, nullptr, s16, f1555, 2, 2, 127), (std::vector<uint32_t>{0x7FFF, 0x7C00, 0x03E0, 0x001F}));
    EXPECT_EQ(Convert(16, 2, 2, nullptr, s16, f1555, 2, 2, 128), (std::vector<uint32_t>{0xFFFF, 0xFC00, 0x83E0, 0x801F}));
    // Palettised: indices copied with the source palette, or 3-3-2 with the fixed palette.
    DirectDrawSurface* s = nullptr;
    EXPECT_EQ(Convert(8, 2, 2, palette, s8, pal, 2, 2, 0, &s), (std::vector<uint32_t>{0, 1, 2, 3}));
    DirectDrawPalette* p = nullptr;
    ASSERT_EQ(s->GetPalette(&p), DD_OK);
    EXPECT_EQ(p->Entries()[0].peRed, 0x11);
    EXPECT_EQ(p->Entries()[2].peGreen, 0xFC);
    p->Release();
    s->Release();
    EXPECT_EQ(Convert(15, 2, 2, nullptr, s15, pal, 2, 2, 0, &s), (std::vector<uint32_t>{0xFF, 0xE0, 0x1C, 0x00}));
    ASSERT_EQ(s->GetPalette(&p), DD_OK);
    EXPECT_EQ(p->Entries()[0xE0].peRed, 0xE0);
    EXPECT_EQ(p->Entries()[0x1C].peGreen, 0xE0);
    EXPECT_EQ(p->Entries()[0x03].peBlue, 0xC0);
    p->Release();
    s->Release();
    EXPECT_EQ(Convert(16, 2, 2, nullptr, s16, pal, 2, 2, 0), (std::vector<uint32_t>{0xFF, 0xE0, 0x1C, 0x03}));

    // Refused: 32-bit with alpha, unknown source types, empty sizes, missing palettes.
    EXPECT_TRUE(Convert(15, 2, 2, nullptr, s15, fa8888, 2, 2, 0).empty());
    EXPECT_STREQ(c->errorText, "Unsupported destination format !");
    EXPECT_TRUE(Convert(24, 2, 2, nullptr, s15, f555, 2, 2, 0).empty());
    EXPECT_STREQ(c->errorText, "Unsupported source format !");
    EXPECT_TRUE(Convert(15, 0, 2, nullptr, s15, f555, 2, 2, 0).empty());
    EXPECT_TRUE(Convert(15, -2, 2, nullptr, s15, f555, 2, 2, 0).empty());
    EXPECT_TRUE(Convert(8, 2, 2, nullptr, s8, f555, 2, 2, 0).empty());
}

TEST_F(Textures, ResamplingTakesTheNearestSourcePixelInSixteenSixteen) {
    std::vector<uint16_t> row(48);
    for (int i = 0; i < 48; ++i) row[i] = static_cast<uint16_t>(i);
    const auto out = Convert(15, 48, 1, nullptr, row.data(), Format(16, 0x7C00, false), 32, 1, 0);
    ASSERT_EQ(out.size(), 32u);
    const uint32_t expected[] = {0, 2, 3, 5, 6, 8, 9, 11};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], expected[i]);
    EXPECT_EQ(out[31], 47u);
    // Enlarging never reads past the row; a wide source never overflows the step.
    const uint16_t two[2] = {0x1111, 0x2222};
    EXPECT_EQ(Convert(15, 2, 1, nullptr, two, Format(16, 0x7C00, false), 4, 1, 0),
              (std::vector<uint32_t>{0x1111, 0x2222, 0x2222, 0x2222}));  // positions 0.5, 1, 1.5, 2 (held at the last)
    std::vector<uint16_t> wide(40000, 0x1234);
    EXPECT_EQ(Convert(15, 40000, 1, nullptr, wide.data(), Format(16, 0x7C00, false), 3, 1, 0),
              (std::vector<uint32_t>{0x1234, 0x1234, 0x1234}));
}

TEST_F(Textures, TexturesGetHandlesKeysAndLeaveTheListCleanly) {
    DwenContext* c = ctx.get();
    const uint16_t px[4] = {0x7C1F, 0, 0, 0x7C1F};
    DwenTexture* a = nullptr;
    DwenTexture* b = nullptr;
    DwenTexture* k = nullptr;
    DwenTextureFormat* f565 = Format(16, 0xF800, false);
    ASSERT_TRUE(Dwen_Add_Texture(c, 15, 2, 2, nullptr, const_cast<uint16_t*>(px), f565, 2, 2, &a, 0, -1, 0, 0, 0, 0, 0));
    ASSERT_TRUE(Dwen_Add_Texture(c, 15, 2, 2, nullptr, const_cast<uint16_t*>(px), f565, 2, 2, &b, 0, -1, 0, 0, 0, 0, 0));
    ASSERT_TRUE(Dwen_Add_Texture(c, 15, 2, 2, nullptr, const_cast<uint16_t*>(px), f565, 2, 2, &k, 0, -1, 1, 255, 0, 255, 0));
    EXPECT_NE(c->device->TextureFromHandle(a->handle), nullptr);
    EXPECT_EQ(c->textureHead, a);
    EXPECT_EQ(c->textureTail, k);
    DDCOLORKEY key;
    ASSERT_EQ(k->surface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, 0xF81Fu);
    EXPECT_EQ(Read(k->surface)[0], 0xF81Fu);
    // Removing the tail and the cursor moves them to the next older texture.
    c->textureCursor = k;
    ASSERT_TRUE(Dwen_Sub_Texture(c, k));
    EXPECT_EQ(c->textureTail, b);
    EXPECT_EQ(c->textureCursor, b);
    ASSERT_TRUE(Dwen_Sub_Texture(c, a));
    EXPECT_EQ(c->textureHead, b);
    EXPECT_FALSE(Dwen_Sub_Texture(c, a));  // not in the list any more
    // Refused before anything is allocated.
    DwenTexture* none = nullptr;
    EXPECT_FALSE(Dwen_Add_Texture(c, 15, 0, 2, nullptr, const_cast<uint16_t*>(px), f565, 2, 2, &none, 0, -1, 0, 0, 0, 0, 0));
    EXPECT_FALSE(Dwen_Add_Texture(c, 15, 2, 2, nullptr, const_cast<uint16_t*>(px), f565, -4, 2, &none, 0, -1, 0, 0, 0, 0, 0));
    DwenFastTextureDesc bad{15, 2, 2, nullptr, const_cast<uint16_t*>(px), f565, 6, nullptr, 0, 0, 0, 0, 0};
    EXPECT_FALSE(Dwen_Add_Texture_Fast(c, &bad));
    EXPECT_STREQ(c->errorText, "Invalid texture memory flag !");
}

TEST_F(Textures, TexturesOutliveTheDisplayAndComeBackWithTheNextSetUp) {
    DwenContext* c = ctx.get();
    std::vector<uint16_t> src(64 * 64, 0x03E0);
    DwenTexture* a = nullptr;
    DwenTexture* b = nullptr;
    DwenTextureFormat* f = Format(16, 0x7C00, false);
    ASSERT_TRUE(Dwen_Add_Texture(c, 15, 64, 64, nullptr, src.data(), f, 64, 64, &a, DWEN_TEXTURE_RESIZABLE, -1, 1, 0, 0, 0, 0));
    DwenFastTextureDesc d{15, 64, 64, nullptr, src.data(), f, 0, nullptr, 0, 0, 0, 0, 0};
    ASSERT_TRUE(Dwen_Add_Texture_Fast(c, &d));
    b = d.texture;
    // The display goes (as the configuration dialog does before every refresh): the records stay.
    ASSERT_TRUE(Dwen_Destroy(c, 0));
    EXPECT_EQ(a->surface, nullptr);
    EXPECT_EQ(a->handle, 0u);
    EXPECT_EQ(c->textureHead, a);
    EXPECT_EQ(c->textureTail, b);
    src[0] = 0x7C00;  // the source changed meanwhile: the new textures show it
    ASSERT_TRUE(Dwen_Init_All(c, MainWindow(), 640, 480, 16, 0, 0, 0, 1)) << c->errorText;
    ASSERT_NE(a->surface, nullptr);
    EXPECT_NE(c->device->TextureFromHandle(a->handle), nullptr);
    EXPECT_NE(c->device->TextureFromHandle(b->handle), nullptr);
    EXPECT_EQ(Read(a->surface)[0], 0x7C00u);
    EXPECT_EQ(Read(b->surface)[0], 0x7C00u);
    DDCOLORKEY key;
    EXPECT_EQ(a->surface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);  // the key came back too
    EXPECT_EQ(c->textureTail, b);
    // Released and restored in place, the same.
    ASSERT_TRUE(Dwen_Release_All_Texture(c));
    EXPECT_EQ(b->surface, nullptr);
    ASSERT_TRUE(Dwen_Restore_All_Texture(c));
    EXPECT_EQ(Read(b->surface)[0], 0x7C00u);
    // Destroy with bit 0 frees them all.
    ASSERT_TRUE(Dwen_Destroy(c, 1));
    EXPECT_EQ(c->textureHead, nullptr);
    EXPECT_EQ(c->textureTail, nullptr);
}

TEST_F(Textures, FastTexturesFollowTheirSource) {
    DwenContext* c = ctx.get();
    std::vector<uint16_t> src(8 * 4);
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint16_t>(i);
    DwenFastTextureDesc d{15, 8, 4, nullptr, src.data(), Format(16, 0x7C00, false), 0, nullptr, 0, 0, 0, 0, 0};
    ASSERT_TRUE(Dwen_Add_Texture_Fast(c, &d)) << c->errorText;
    DwenTexture* t = d.texture;
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->fast, 1);
    EXPECT_EQ(t->colorKeySet, 0);  // the record starts zeroed
    EXPECT_EQ(Read(t->surface)[9], 9u);
    src[9] = 0x7FFF;
    ASSERT_TRUE(Dwen_Blit_Texture_Fast(c, t));
    EXPECT_EQ(Read(t->surface)[9], 0x7FFFu);

    // 8-bit source on 5-5-5: through the ready-made 16-bit entries after the palette.
    std::vector<uint32_t> palette(256 + 128, 0);
    auto* ready = reinterpret_cast<uint16_t*>(palette.data() + 256);
    ready[5] = 0x1234;
    uint8_t idx[4] = {5, 5, 0, 5};
    DwenFastTextureDesc e{8, 2, 2, palette.data(), idx, Format(16, 0x7C00, false), 0, nullptr, 0, 0, 0, 0, 0};
    ASSERT_TRUE(Dwen_Add_Texture_Fast(c, &e));
    EXPECT_EQ(Read(e.texture->surface), (std::vector<uint32_t>{0x1234, 0x1234, 0, 0x1234}));
    // 8-bit source on the palettised format: indices and the source palette.
    palette[5] = 0x00ABCDEF;
    DwenFastTextureDesc q{8, 2, 2, palette.data(), idx, FindFormat(c, 8, 0, false, true), 0, nullptr, 0, 0, 0, 0, 0};
    ASSERT_TRUE(Dwen_Add_Texture_Fast(c, &q));
    EXPECT_EQ(Read(q.texture->surface), (std::vector<uint32_t>{5, 5, 0, 5}));
    DirectDrawPalette* p = nullptr;
    ASSERT_EQ(q.texture->surface->GetPalette(&p), DD_OK);
    EXPECT_EQ(p->Entries()[5].peRed, 0xAB);
    p->Release();
}

TEST_F(Textures, SquareOnlyDevicesGetSquareTextures) {
    DisplayProfile p = HardwareProfile(64u << 20);
    p.devices[0].textureCaps |= D3DPTEXTURECAPS_SQUAREONLY;
    SetDisplayProfile(p);
    ContextPtr c = NewContext();
    ASSERT_TRUE(BringUp(c.get(), 0, 0, 5, 1)) << c->errorText;
    std::vector<uint16_t> src(256 * 128, 0x1F);
    DwenTextureFormat* f = FindFormat(c.get(), 16, 0xF800, false);
    DwenTexture* t = nullptr;
    ASSERT_TRUE(Dwen_Add_Texture(c.get(), 16, 256, 128, nullptr, src.data(), f, 256, 128, &t, 0, -1, 0, 0, 0, 0, 0))
        << c->errorText;
    EXPECT_EQ(t->currentWidth, 256);
    EXPECT_EQ(t->currentHeight, 256);
    EXPECT_TRUE(t->surface->Caps() & DDSCAPS_VIDEOMEMORY);
    DwenFastTextureDesc d{16, 256, 128, nullptr, src.data(), f, 0, nullptr, 0, 0, 0, 0, 0};
    ASSERT_TRUE(Dwen_Add_Texture_Fast(c.get(), &d));
    EXPECT_EQ(d.texture->currentWidth, 128);
    EXPECT_EQ(d.texture->currentHeight, 128);
    // Hardware textures that do not fit in video memory are halved; asking
    // for non-local memory that this card does not have fails for good.
    DwenTexture* far = nullptr;
    EXPECT_FALSE(Dwen_Add_Texture(c.get(), 16, 256, 128, nullptr, src.data(), f, 256, 128, &far,
                                  DWEN_TEXTURE_NONLOCAL_VIDMEM, -1, 0, 0, 0, 0, 0));
    EXPECT_STREQ(c->errorText, "Can't load texture in non local video memory: not enough video memory !");
}

TEST_F(Textures, EvictionHalvesNewestFirstAndAlwaysEnds) {
    DwenContext* c = ctx.get();
    DwenTextureFormat* f = Format(16, 0xF800, false);
    std::vector<uint16_t> src(256 * 256, 0x0F0F);
    const size_t one = (64 * 2 + 16) * 64;  // one 64 x 64 surface with its row padding
    const size_t budget = 5 * one;          // four textures and the staging copy of a fifth
    SetTextureMemoryLimit(budget);
    std::vector<DwenTexture*> t(4);
    for (auto& x : t) {
        ASSERT_TRUE(Dwen_Add_Texture(c, 16, 64, 64, nullptr, src.data(), f, 64, 64, &x, DWEN_TEXTURE_RESIZABLE, -1, 0, 0, 0, 0, 0));
        EXPECT_LE(TextureMemoryInUse(), budget);
    }
    EXPECT_EQ(c->textureReduction, 0);
    // A fifth does not fit: the newest is halved first, starting a pass.
    DwenTexture* fifth = nullptr;
    ASSERT_TRUE(Dwen_Add_Texture(c, 16, 64, 64, nullptr, src.data(), f, 64, 64, &fifth, DWEN_TEXTURE_RESIZABLE, -1, 0, 0, 0, 0, 0));
    EXPECT_LE(TextureMemoryInUse(), budget);
    EXPECT_EQ(c->textureReduction, 1);
    EXPECT_EQ(t[3]->currentWidth, 32);
    EXPECT_EQ(t[0]->currentWidth, 64);
    EXPECT_EQ(fifth->currentWidth, 32);  // created at the raised level
    EXPECT_EQ(c->textureTail, fifth);
    // More textures walk the pass on to older ones (the oldest last), then a
    // new pass raises the level again.
    int level = c->textureReduction, adds = 0;
    while (c->textureReduction < 3 && adds < 400) {
        DwenTexture* x = nullptr;
        ASSERT_TRUE(Dwen_Add_Texture(c, 16, 64, 64, nullptr, src.data(), f, 64, 64, &x, DWEN_TEXTURE_RESIZABLE, -1, 0, 0, 0, 0, 0))
            << adds << ": " << c->errorText;
        EXPECT_LE(TextureMemoryInUse(), budget);
        EXPECT_GE(c->textureReduction, level);
        if (c->textureReduction == 1) {
            EXPECT_TRUE(t[0]->currentWidth == 64 || t[1]->currentWidth < 64);  // newest first
        }
        level = c->textureReduction;
        ++adds;
    }
    EXPECT_EQ(level, 3);
    EXPECT_LE(t[0]->currentWidth, 16);
    // A texture that can never fit fails instead of looping, and leaves nothing behind.
    const int live = LiveSurfaceCount();
    DwenTexture* huge = nullptr;
    EXPECT_FALSE(Dwen_Add_Texture(c, 16, 256, 256, nullptr, src.data(), f, 256, 256, &huge, 0, -1, 0, 0, 0, 0, 0));
    EXPECT_EQ(huge, nullptr);
    EXPECT_STREQ(c->errorText, "DirectDraw does not have enough memory to perform the operation.\n");
    EXPECT_EQ(LiveSurfaceCount(), live);
    for (DwenTexture* x = c->textureHead; x; x = x->newer) EXPECT_NE(x->surface, nullptr);

    // Halving stops at one pixel: 256 x 256 becomes 4 x 4 after six halvings.
    SetTextureMemoryLimit(0);
    ASSERT_TRUE(Dwen_Destroy(c, 1));
    ASSERT_TRUE(BringUp(c, 0, 0, 5, 0));
    DwenTexture* big = nullptr;
    ASSERT_TRUE(Dwen_Add_Texture(c, 16, 256, 256, nullptr, src.data(), f, 256, 256, &big, DWEN_TEXTURE_RESIZABLE, -1, 0, 0, 0, 0, 0));
    DwenTexture* thin = nullptr;
    ASSERT_TRUE(Dwen_Add_Texture(c, 16, 256, 1, nullptr, src.data(), f, 256, 1, &thin, DWEN_TEXTURE_RESIZABLE, -1, 0, 0, 0, 0, 0));
    for (int i = 0; i < 6; ++i) {
        SetTextureMemoryLimit(TextureMemoryInUse());  // full: every new texture needs relief
        DwenTexture* dot = nullptr;
        Dwen_Add_Texture(c, 16, 1, 1, nullptr, src.data(), f, 1, 1, &dot, 0, -1, 0, 0, 0, 0, 0);
    }
    EXPECT_EQ(big->currentWidth, 4);
    EXPECT_EQ(thin->currentWidth, 256);  // one pixel high: never chosen
    // After a full pass the level is raised: a new resizable 128 x 128 comes at a smaller size.
    SetTextureMemoryLimit(0);
    DwenTexture* later = nullptr;
    ASSERT_TRUE(Dwen_Add_Texture(c, 16, 128, 128, nullptr, src.data(), f, 128, 128, &later, DWEN_TEXTURE_RESIZABLE, -1, 0, 0, 0, 0, 0));
    EXPECT_EQ(later->currentWidth, 128 >> c->textureReduction);
    EXPECT_GE(c->textureReduction, 1);
}

// A scene that draws and presents frames while the script takes the
// display's memory away between drawing and showing, then minimises and
// restores the window (which restores the textures).
TEST_F(Textures, ScriptedSurfaceLossInARunningScene) {
    DwenContext* c = ctx.get();
    std::vector<uint16_t> s15(64 * 32);
    for (size_t i = 0; i < s15.size(); ++i) s15[i] = static_cast<uint16_t>(i * 37);
    std::vector<uint8_t> s8(32 * 32);
    for (size_t i = 0; i < s8.size(); ++i) s8[i] = static_cast<uint8_t>(i * 7);
    std::vector<uint32_t> palette(256);
    for (int i = 0; i < 256; ++i) palette[i] = static_cast<uint32_t>(i * 0x010203);
    struct Made {
        int type, w, h;
        DwenTextureFormat* format;
        const void* pixels;
        DwenTexture* texture;
    };
    std::vector<Made> made = {
        {15, 64, 32, Format(16, 0x7C00, false), s15.data(), nullptr},
        {15, 64, 32, Format(16, 0xF800, false), s15.data(), nullptr},
        {8, 32, 32, Format(32, 0xFF0000, false), s8.data(), nullptr},
        {8, 32, 32, FindFormat(c, 8, 0, false, true), s8.data(), nullptr},
        {15, 64, 32, Format(16, 0x7C00, true), s15.data(), nullptr},
    };
    for (Made& m : made)
        ASSERT_TRUE(Dwen_Add_Texture(c, m.type, m.w, m.h, palette.data(), const_cast<void*>(m.pixels), m.format, 32, 32,
                                     &m.texture, 0, -1, 0, 0, 0, 0, 0))
            << c->errorText;
    DwenFastTextureDesc fast{15, 64, 32, nullptr, s15.data(), Format(16, 0x7C00, false), 0, nullptr, 0, 0, 0, 0, 0};
    ASSERT_TRUE(Dwen_Add_Texture_Fast(c, &fast));

    WindowContext() = c;  // the window procedure offers every message to the display layer
    InputScript script = ParseInputScript("#3 lose surfaces\n#5 minimize\n#5 restore\n");
    ASSERT_TRUE(script.errors.empty());
    SetInputScript(script);
    std::vector<bool> shown;
    for (int frame = 0; frame < 8; ++frame) {
        void* bits = nullptr;
        int pitch = 0;
        ASSERT_TRUE(Dwen_Lock_BackBuffer(c, &bits, &pitch));
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(bits) + y * pitch)[x] = 0x0841;
        Dwen_Unlock_BackBuffer(c, bits);
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        const auto before = PresentedFrameCount();
        ASSERT_TRUE(Dwen_Show_BackBuffer(c));
        shown.push_back(PresentedFrameCount() > before);
    }
    WindowContext() = nullptr;
    EXPECT_EQ(PendingScriptedEvents(), 0u);
    // The frame during which the memory went was dropped; the others were shown.
    EXPECT_EQ(std::count(shown.begin(), shown.end(), false), 1) << ::testing::PrintToString(shown);
    EXPECT_TRUE(shown[0] && shown[1] && shown.back());
    // Every texture equals a fresh conversion of its source; nothing of the
    // restored memory's fill survives.
    for (const Made& m : made) {
        ASSERT_NE(m.texture->surface, nullptr);
        EXPECT_EQ(m.texture->surface->IsLost(), DD_OK);
        const auto fresh = Convert(m.type, m.w, m.h, palette.data(), m.pixels, m.format, 32, 32, -1);
        EXPECT_EQ(Read(m.texture->surface), fresh);
    }
    const auto fastNow = Read(fast.texture->surface);
    EXPECT_EQ(fastNow[1], s15[1]);
    EXPECT_EQ(std::count(fastNow.begin(), fastNow.end(), 0xA5A5u), 0);
    std::vector<uint8_t> grab;
    PixelView last;
    ASSERT_TRUE(GrabLastFrame(grab, last));
    EXPECT_EQ(static_cast<uint16_t*>(last.bits)[100], 0x0841);
    ResetWindowState();
}

}  // namespace
