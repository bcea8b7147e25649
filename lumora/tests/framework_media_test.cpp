// The media table, shared sheets and the draw modes on exact pixels.
#include <gtest/gtest.h>

#include "_FrameworkTestSupport.h"
#include "lumora/framework/Bitmaps.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LMedia.h"

using platform::RECT;

namespace {

constexpr std::uint32_t kRed = 0xF80000, kGreen = 0x00FC00, kBlue = 0x0000F8, kKey = 0xF800F8, kGrey = 0x808080;

class FrameworkMedia : public ::testing::Test {
protected:
    FrameworkMedia() {
        // A 4 x 1 strip: red, key colour, green, blue.
        data.Picture("strip.bmp", 4, 1, [](int x, int) {
            const std::uint32_t c[] = {kRed, kKey, kGreen, kBlue};
            return c[x];
        });
        data.Picture("sheet.bmp", 20, 10, [](int x, int) { return x < 10 ? kRed : kBlue; });
        data.Picture("plain.bmp", 3, 2, kGreen);
        data.MediaTable(
            "strip;0;0;strip.bmp;;248,0,248\r\n"
            "bare;0;0;strip.bmp;;\n"
            "left;7;1;sheet.bmp;0,0,10,10;\n"
            "right;7;2;sheet.bmp;10,0,20,10;\n"
            "\n"
            "tiles;9;2,3;big.bmp;;\n"
            "toolong;0;0;" + std::string(100, 'a') + ".bmp;;\n"
            "badgroup;x;0;a.bmp;;\n"
            "badsheet;1;99999;a.bmp;;\n"
            "badgrid;1;0,2;a.bmp;;\n"
            "badcolour;1;0;a.bmp;;1,2,300\n"
            "badrect;1;0;a.bmp;1,2,3;\n"
            "short;1;0\n");
        screen = std::make_unique<FrameworkScreen>(data);
        media = screen->Manager().GetMediaManager();
    }
    // Draws medium `name` at (x, y) with a mode over a grey screen.
    void DrawAt(const char* name, int x, int y, int mode, platform::DirectDrawSurface* target = nullptr) {
        LMediumRef ref;
        LMediaObject* m = media->GetMedium(name, &ref, 0);
        ASSERT_NE(m, nullptr) << name;
        RECT src;
        m->GetRect(&ref, &src);
        m->Draw(target ? target : screen->Target(), src, x, y, nullptr, nullptr, &ref, mode);
        media->ReleaseMedium(&ref, 1);
    }

    FrameworkData data;
    ReportRecorder report;
    std::unique_ptr<FrameworkScreen> screen;
    LMediaManager* media = nullptr;
};

}  // namespace

TEST_F(FrameworkMedia, TableKeepsGoodLinesAndRejectsDamagedOnes) {
    ASSERT_EQ(screen->InitResult(), 0);
    EXPECT_EQ(media->CountEntries(), 5);
    EXPECT_EQ(media->CountRejectedLines(), 7);
    const LMediaManager::Entry* strip = media->FindEntry("STRIP");
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->kind, kMediumSimple);
    EXPECT_EQ(strip->keyR, 248);
    EXPECT_EQ(strip->keyB, 248);
    const LMediaManager::Entry* tiles = media->FindEntry("tiles");
    ASSERT_NE(tiles, nullptr);
    EXPECT_EQ(tiles->kind, kMediumTiled);
    EXPECT_EQ(tiles->value, (3 << 16) + 2);
    EXPECT_EQ(media->FindEntry("right")->kind, kMediumSheet);
    EXPECT_EQ(media->FindEntry("right")->rect.left, 10);

    // The same table from memory, as the fuzz target reads it.
    const std::string text = "a;1;0;a.bmp;;\nb;2;3;b.bmp;1,2,3,4;0,0,0\n" + std::string(200, ';') + "\n";
    LMediaManager fromText("", text.data(), text.size());
    EXPECT_EQ(fromText.CountEntries(), 2);
    EXPECT_EQ(fromText.CountRejectedLines(), 1);
}

TEST_F(FrameworkMedia, MissingTableFailsInitialisation) {
    FrameworkData empty;
    FrameworkScreen other(empty);
    EXPECT_EQ(other.InitResult(), -1);
}

TEST_F(FrameworkMedia, SheetNamesShareOneSurfaceAndUnknownNamesLoadTheirFile) {
    LMediumRef leftRef, rightRef, plainRef;
    LMediaObject* left = media->GetMedium("left", &leftRef, 0);
    LMediaObject* right = media->GetMedium("Right", &rightRef, 0);
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(left, right);
    EXPECT_EQ(left->GetRefCount(), 2);
    EXPECT_EQ(leftRef.subIndex, 1);
    EXPECT_EQ(rightRef.subIndex, 2);
    RECT a, b;
    left->GetRect(&leftRef, &a);
    right->GetRect(&rightRef, &b);
    EXPECT_EQ(a.right, 10);
    EXPECT_EQ(b.left, 10);
    EXPECT_EQ(b.right, 20);
    screen->Fill(0);
    left->Draw(screen->Target(), b, 100, 50, nullptr, nullptr, &rightRef, kDrawCopy);
    EXPECT_EQ(screen->Pixel(100, 50), screen->Value(kBlue));
    EXPECT_EQ(screen->CountNot(0), 100);
    // Released twice, the medium goes; asked again, it comes back.
    media->ReleaseMedium(&leftRef, 1);
    EXPECT_EQ(left->GetRefCount(), 1);
    media->ReleaseMedium(&rightRef, 1);
    EXPECT_EQ(media->FindEntry("left")->medium, nullptr);
    EXPECT_EQ(media->FindEntry("right")->medium, nullptr);

    LMediaObject* plain = media->GetMedium("plain", &plainRef, 0);  // not in the table: plain.bmp
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(plain->GetSurface(), nullptr);
    RECT r;
    plain->GetRect(&plainRef, &r);
    EXPECT_EQ(r.right, 3);
    EXPECT_EQ(r.bottom, 2);
    media->ReleaseMedium(&plainRef, 1);
    LMediumRef noneRef;
    LMediaObject* none = media->GetMedium("nothing", &noneRef, 0);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->GetSurface(), nullptr);  // no picture: draws nothing
    screen->Fill(0);
    EXPECT_EQ(none->Draw(screen->Target(), RECT{0, 0, 5, 5}, 0, 0, nullptr, nullptr, &noneRef, kDrawCopy), 0);
    EXPECT_EQ(screen->CountNot(0), 0);
}

TEST_F(FrameworkMedia, CopyKeepsTheTransparentColourOut) {
    const std::uint16_t grey = screen->Value(kGrey);
    screen->Fill(grey);
    DrawAt("strip", 10, 20, kDrawCopy);
    EXPECT_EQ(screen->Pixel(10, 20), screen->Value(kRed));
    EXPECT_EQ(screen->Pixel(11, 20), grey);
    EXPECT_EQ(screen->Pixel(12, 20), screen->Value(kGreen));
    EXPECT_EQ(screen->Pixel(13, 20), screen->Value(kBlue));
    EXPECT_EQ(screen->CountNot(grey), 3);
    DrawAt("bare", 10, 21, kDrawCopy);  // the same file without a key
    EXPECT_EQ(screen->Pixel(11, 21), screen->Value(kKey));
}

TEST_F(FrameworkMedia, HalfAverageAndBlendOnExactPixels) {
    const std::uint16_t grey = screen->Value(kGrey);
    screen->Fill(grey);
    DrawAt("strip", 0, 0, kDrawHalf);
    auto half = [grey](std::uint16_t s) { return static_cast<std::uint16_t>(((s >> 1) & 0x7BEF) + ((grey >> 1) & 0x7BEF)); };
    EXPECT_EQ(screen->Pixel(0, 0), half(screen->Value(kRed)));
    EXPECT_EQ(screen->Pixel(1, 0), grey);  // key left alone
    EXPECT_EQ(screen->Pixel(2, 0), half(screen->Value(kGreen)));
    // Red 31,0,0 over grey 16,32,16: mode 24 keeps a quarter of the way to grey.
    screen->Fill(grey);
    DrawAt("strip", 0, 1, 24);
    EXPECT_EQ(screen->Pixel(0, 1), static_cast<std::uint16_t>(((31 + 24 * (16 - 31) / 96) << 11) | ((24 * 32 / 96) << 5) | (24 * 16 / 96)));
    EXPECT_EQ(screen->Pixel(1, 1), grey);
    // Modes past 96 or below 0 would leave the channel range: clamped.
    screen->Fill(grey);
    DrawAt("strip", 0, 2, 288);  // red channel 31 + 3 * (16 - 31) < 0, green 0 + 3 * 32 > 63
    EXPECT_EQ(screen->Pixel(0, 2), static_cast<std::uint16_t>((0 << 11) | (63 << 5) | 31));
    screen->Fill(grey);
    DrawAt("strip", 0, 3, -96);  // 31 + (-1) * (16 - 31) > 31
    EXPECT_EQ(screen->Pixel(0, 3) >> 11, 31);

    // 5-5-5 pixels average with their own mask.
    std::uint16_t d[2] = {0x7FFF, 0x0421}, s[2] = {0x0000, 0x7C1F};
    platform::PixelView dv{d, 2, 1, 4, platform::PixelFormat::RGB555}, sv{s, 2, 1, 4, platform::PixelFormat::RGB555};
    BlendHalf(dv, sv, -1);
    EXPECT_EQ(d[0], 0x3DEF);
    EXPECT_EQ(d[1], static_cast<std::uint16_t>(((0x0421 >> 1) & 0x7DEF) + ((0x7C1F >> 1) & 0x7DEF)));
}

TEST_F(FrameworkMedia, DrawsAreClippedToTheScreen) {
    screen->Fill(0);
    DrawAt("bare", -2, -1, kDrawCopy);  // the one row is above the screen
    EXPECT_EQ(screen->CountNot(0), 0);
    DrawAt("bare", -2, 0, kDrawCopy);  // only the last two pixels
    EXPECT_EQ(screen->Pixel(0, 0), screen->Value(kGreen));
    EXPECT_EQ(screen->Pixel(1, 0), screen->Value(kBlue));
    EXPECT_EQ(screen->CountNot(0), 2);
    DrawAt("bare", 638, 479, 48);
    EXPECT_EQ(screen->CountNot(0), 4);
    DrawAt("bare", 640, 100, kDrawCopy);
    DrawAt("bare", 100, 480, 30);
    EXPECT_EQ(screen->CountNot(0), 4);
}

TEST_F(FrameworkMedia, LostSurfacesAreReloadedAndRestoredBeforeDrawing) {
    LMediumRef ref;
    LMediaObject* m = media->GetMedium("bare", &ref, 0);
    ASSERT_NE(m, nullptr);
    platform::LoseAllSurfaces();
    ASSERT_TRUE(platform::FAILED(screen->Target()->IsLost()));
    RECT src;
    m->GetRect(&ref, &src);
    EXPECT_EQ(m->Draw(screen->Target(), src, 5, 5, nullptr, nullptr, &ref, kDrawCopy), 1);
    EXPECT_EQ(screen->Pixel(5, 5), screen->Value(kRed));
    EXPECT_EQ(screen->Pixel(7, 5), screen->Value(kGreen));
    // After a display change every medium reloads its picture.
    platform::LoseAllSurfaces();
    screen->Target()->Restore();
    screen->Manager().SetMode(screen->Target(), 0);
    EXPECT_FALSE(platform::FAILED(m->GetSurface()->IsLost()));
    media->ReleaseMedium(&ref, 1);
}
