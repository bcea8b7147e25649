// Bitmaps in the display's format, colour keys, blits in reference
// coordinates, lost bitmaps, and fades checked on the dumped frames.
#include <filesystem>
#include <vector>

#include "DwenTest.h"
#include "platform/Bmp.h"

using namespace dwentest;

namespace {

class Bitmaps : public DwenFixture {
protected:
    static uint32_t Pixel(DwenContext* c, int x, int y) {
        void* bits = nullptr;
        int pitch = 0;
        EXPECT_TRUE(Dwen_Lock_BackBuffer(c, &bits, &pitch));
        uint32_t v = 0;
        const int bpp = BytesPerPixel(c->backBuffer->Format());
        std::memcpy(&v, static_cast<uint8_t*>(bits) + y * pitch + x * bpp, bpp);
        Dwen_Unlock_BackBuffer(c, bits);
        return v;
    }
    static void Fill(DwenContext* c, uint32_t value) {
        DDBLTFX fx;
        fx.dwFillColor = value;
        ASSERT_EQ(c->backBuffer->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    }
};

TEST_F(Bitmaps, ConvertedToTheDisplayFormatWithKeys) {
    const uint16_t src[4] = {0x7C1F, 0x03E0, 0x7C1F, 0x0001};  // magenta, green / magenta, dark blue
    struct Case {
        PixelFormat display16;
        int bpp;
        uint32_t magenta, green, key;
    };
    const Case cases[] = {{PixelFormat::RGB565, 16, 0xF81F, 0x07C0, 0xF81F},
                          {PixelFormat::RGB555, 16, 0x7C1F, 0x03E0, 0x7C1F},
                          {PixelFormat::RGB565, 32, 0xF800F8, 0x00F800, 0xF800F8}};
    for (const Case& k : cases) {
        DisplayProfile p = DefaultDisplayProfile();
        p.devices[0].renderDepths = DDBD_16 | DDBD_32;
        SetDisplayProfile(p);
        SetDisplay16BitFormat(k.display16);
        ContextPtr c = NewContext();
        ASSERT_TRUE(BringUp(c.get(), 0, 0, k.bpp == 32 ? 2 : 5, 1)) << c->errorText;
        DwenBitmap* b = Dwen_Create_Bitmap(c.get(), src, 2, 2, 2, 640, 480);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(c->bitmapCount, 1);
        Fill(c.get(), 0);
        ASSERT_TRUE(Dwen_Blit_Bitmap(c.get(), b, 10, 10, 2, 2));
        EXPECT_EQ(Pixel(c.get(), 10, 10), k.magenta);
        EXPECT_EQ(Pixel(c.get(), 11, 10), k.green);
        // With the key, magenta is not drawn.
        ASSERT_TRUE(Dwen_Set_Bitmap_Color_Key(c.get(), b, 255, 0, 255));
        DDCOLORKEY key;
        ASSERT_EQ(b->surface->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
        EXPECT_EQ(key.dwColorSpaceLowValue, k.key);
        Fill(c.get(), 0);
        ASSERT_TRUE(Dwen_Blit_Bitmap(c.get(), b, 20, 20, 4, 4));  // stretched to twice the size
        EXPECT_EQ(Pixel(c.get(), 20, 20), 0u);
        EXPECT_EQ(Pixel(c.get(), 22, 21), k.green);
        // A lost bitmap is filled again from its source before it is drawn.
        LoseAllSurfaces();
        ASSERT_TRUE(Dwen_Check_Lost_Surface(c.get()));
        Fill(c.get(), 0);
        ASSERT_TRUE(Dwen_Blit_Bitmap(c.get(), b, 0, 0, 2, 2));
        EXPECT_EQ(Pixel(c.get(), 1, 0), k.green);
        EXPECT_EQ(Pixel(c.get(), 0, 0), 0u);  // the key came back too
    }
}

TEST_F(Bitmaps, AdaptativeBlitsScaleFromTheReferenceSize) {
    DwenContext* c = ctx.get();
    ASSERT_TRUE(BringUp(c, 0, 0, 4, 1)) << c->errorText;  // 800 x 600
    std::vector<uint16_t> full(640 * 480, 0x001F);
    DwenBitmap* b = Dwen_Create_Bitmap(c, full.data(), 640, 480, 640, 640, 480);
    ASSERT_NE(b, nullptr);
    Fill(c, 0);
    ASSERT_TRUE(Dwen_Blit_Bitmap_Adaptative(c, b, 0.0f, 0.0f));
    EXPECT_EQ(Pixel(c, 0, 0), 0x001Fu);
    EXPECT_EQ(Pixel(c, 798, 598), 0x001Fu);
    EXPECT_EQ(Pixel(c, 799, 599), 0u);  // right and bottom lowered to 799 and 599
    // A part of a bitmap, placed in reference coordinates.
    std::vector<uint16_t> small(8 * 8, 0);
    small[2 * 8 + 3] = 0x7C00;  // (3, 2) red
    DwenBitmap* s = Dwen_Create_Bitmap(c, small.data(), 8, 8, 8, 640, 480);
    Fill(c, 0);
    ASSERT_TRUE(Dwen_Crop_And_Blit_Bitmap_Adaptative(c, s, 3, 2, 4, 4, 64.0f, 48.0f));
    EXPECT_EQ(Pixel(c, 80, 60), 0xF800u);  // 64 * 800 / 640, 48 * 600 / 480
    EXPECT_EQ(Pixel(c, 84, 65), 0u);
    // Released bitmaps leave the list; destroy frees the rest.
    Dwen_Release_Bitmap(c, s);
    EXPECT_EQ(c->bitmapCount, 1);
    EXPECT_EQ(c->bitmapHead, b);
    Dwen_Release_Bitmap(c, s);  // not listed any more: nothing happens
    EXPECT_EQ(c->bitmapCount, 1);
    EXPECT_EQ(Dwen_Create_Bitmap(c, small.data(), 0, 8, 8, 640, 480), nullptr);
    EXPECT_EQ(Dwen_Create_Bitmap(c, small.data(), 8, 8, 4, 640, 480), nullptr);  // rows shorter than the width
}

TEST_F(Bitmaps, FadesFrom31DownTo0OnTheDumpedFrames) {
    SetDisplay16BitFormat(PixelFormat::RGB555);  // dumps are 5-5-5 files: compare exactly
    DwenContext* c = ctx.get();
    ASSERT_TRUE(BringUp(c, 0, 0, 5, 1)) << c->errorText;
    void* bits = nullptr;
    int pitch = 0;
    ASSERT_TRUE(Dwen_Lock_BackBuffer(c, &bits, &pitch));
    auto* row = static_cast<uint16_t*>(bits);
    row[0] = 0x7FFF;                  // white
    row[1] = (1 << 10) | (2 << 5) | 3;  // dark
    row[2] = 0x7C00;                  // red
    Dwen_Unlock_BackBuffer(c, bits);
    void* copy = Dwen_Get_Fade_Buffer(c);
    ASSERT_NE(copy, nullptr);

    const std::string dumps = (std::filesystem::temp_directory_path() / "dwen_fade_frames").string();
    std::filesystem::remove_all(dumps);
    SetFrameDumpFolder(dumps);
    const auto first = PresentedFrameCount();
    for (int level = 31; level >= 0; --level) {
        ASSERT_EQ(Dwen_Fade_Buffer(c, copy, level), 0);
        ASSERT_TRUE(Dwen_Show_BackBuffer(c));
    }
    SetFrameDumpFolder("");
    Dwen_Release_Fade_Buffer(c, copy);
    ASSERT_EQ(PresentedFrameCount(), first + 32);
    auto channels = [&](int level, int x) {
        BmpImage image;
        EXPECT_TRUE(ReadBmpFile(FrameDumpPath(dumps, first + 32 - level).c_str(), &image));
        const uint32_t v = image.rgb.empty() ? 0 : image.rgb[x];
        // Back to 5-bit channels.
        return std::vector<int>{static_cast<int>(v >> 19 & 31), static_cast<int>(v >> 11 & 31), static_cast<int>(v >> 3 & 31)};
    };
    EXPECT_EQ(channels(31, 0), (std::vector<int>{30, 30, 30}));  // 31 * 31 / 31 truncates to 30
    EXPECT_EQ(channels(31, 1), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(channels(31, 2), (std::vector<int>{30, 0, 0}));
    EXPECT_EQ(channels(16, 0), (std::vector<int>{15, 15, 15}));
    EXPECT_EQ(channels(1, 0), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(channels(0, 0), (std::vector<int>{0, 0, 0}));
    std::filesystem::remove_all(dumps);
}

TEST_F(Bitmaps, FadesIn565And32Bits) {
    DisplayProfile p = DefaultDisplayProfile();
    p.devices[0].renderDepths = DDBD_16 | DDBD_32;
    SetDisplayProfile(p);
    for (int mode : {5, 2}) {  // 640 x 480 x 16 (5-6-5), then 640 x 480 x 32
        ContextPtr c = NewContext();
        ASSERT_TRUE(BringUp(c.get(), 0, 0, mode, 1)) << c->errorText;
        const bool wide = mode == 2;
        Fill(c.get(), wide ? 0x00FF1F01u : 0xFFFFu);
        void* copy = Dwen_Get_Fade_Buffer(c.get());
        ASSERT_NE(copy, nullptr);
        ASSERT_EQ(Dwen_Fade_Buffer(c.get(), copy, 31), 0);
        EXPECT_EQ(Pixel(c.get(), 639, 479), wide ? 0x00FE1E00u : static_cast<uint32_t>((30 << 11) | (62 << 5) | 30));
        ASSERT_EQ(Dwen_Fade_Buffer(c.get(), copy, 0), 0);
        EXPECT_EQ(Pixel(c.get(), 3, 3), 0u);
        Dwen_Release_Fade_Buffer(c.get(), copy);
    }
}

}  // namespace
