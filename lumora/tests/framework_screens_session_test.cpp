// A scripted session of lumora-screens on a test frame holding a magnifier,
// a scroll list and a slider, with the game cursor drawn over them: the
// presented frames are dumped and checked.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "_FrameworkTestSupport.h"
#include "platform/Bmp.h"
#include "platform/PixelView.h"

using namespace platform;

namespace {

std::uint32_t Gradient(int x, int y) { return static_cast<std::uint32_t>(((x & 0xFF) << 16) | ((y & 0xFF) << 8) | 0x80); }
std::uint32_t Line(int y) { return static_cast<std::uint32_t>((y / 10) * 8) << 16; }

// What a picture colour becomes on the 5-6-5 screen and in a 5-5-5 dump.
std::uint32_t Dumped(std::uint32_t rgb) {
    const Rgb8 c = Rgb555To888(Rgb565To555(Rgb888To565((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF)));
    return static_cast<std::uint32_t>(c.r << 16 | c.g << 8 | c.b);
}

std::string RunCommand(const std::string& command, int* status) {
    std::string out;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p) return out;
    char buf[512];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    *status = ::pclose(p);
    return out;
}

}  // namespace

TEST(FrameworkScreensSession, ListSliderAndMagnifierFollowTheScript) {
    FrameworkData data;
    data.Picture("big.bmp", 600, 400, Gradient);
    data.Picture("list.bmp", 120, 400, [](int, int y) { return Line(y); });
    data.Picture("bar.bmp", 12, 200, 0x808080);
    data.Picture("thumb.bmp", 12, 10, 0xFFFFFF);
    data.Picture("knob.bmp", 8, 20, 0xFFFF00);
    data.Picture("back.bmp", 640, 480, 0x102030);
    // The cursor table: each picture a 20 x 20 block of its own colour.
    const char* const cursors[] = {"Cur_default.BMP", "CUR_WAIT.BMP", "CUR_CLIC.BMP", "CUR_VOICE.BMP", "CUR_TAKE.BMP",
                                   "CUR_USE.BMP", "LOUPEB.BMP", "LOUPED.BMP", "LOUPEDB.BMP", "LOUPEDH.BMP",
                                   "LOUPEG.BMP", "LOUPEGB.BMP", "LOUPEGH.BMP", "LOUPEH.BMP"};
    for (int n = 0; n < 14; ++n) data.Picture(cursors[n], 20, 20, 0x00F000u + static_cast<std::uint32_t>(n) * 8);
    data.MediaTable("big;0;0;big.bmp;;\nlist;0;0;list.bmp;;\n");
    data.Frame("session",
               "#BIT VIE.ViewID 1; VIE.ViewPosX 0; VIE.ViewPosY 0; VIE.ViewSizeX 640; VIE.ViewSizeY 480;"
               " BIT.BitmapName back.bmp;\n@gcu GCU.CursorIndex 0;\n$\n"
               "#LOP VIE.ViewID 2; VIE.ViewPosX 20; VIE.ViewPosY 20; VIE.ViewSizeX 300; VIE.ViewSizeY 200;"
               " VIE.SuperView 1; BIT.BitmapName big; LOP.ScrollUnit 10; LOP.ScrollZone 50;\n$\n"
               "#SCR VIE.ViewID 3; VIE.ViewPosX 360; VIE.ViewPosY 20; VIE.ViewSizeX 132; VIE.ViewSizeY 200;"
               " VIE.SuperView 1; SCR.BitmapAsc bar.bmp; SCR.FlecheZoneY 10; SCR.FlecheZoneX 10;"
               " SCR.BitmapBoule thumb.bmp; SCR.BitmapScroll list; SCR.ScrollValue 10;\n$\n"
               "#Vol VIE.ViewID 4; VIE.ViewPosX 360; VIE.ViewPosY 300; VIE.ViewSizeX 220; VIE.ViewSizeY 20;"
               " VIE.SuperView 1; VOL.ButtonWidth 10; VOL.BitmapThumb knob.bmp;\n$\n");
    // Rest in the magnifier's bottom-right corner until it has scrolled to
    // the end, then two clicks on the list's down arrow, a page down, and a
    // drag of the slider's thumb to 120.
    data.scratch.Write("input.txt",
                       "#2 move 150 120\n"
                       "+1 move 318 218\n"
                       "#30 click left 485 215\n"
                       "+1 click left 485 215\n"
                       "+1 click left 485 150\n"
                       "#34 down left 370 310\n"
                       "+1 move 420 310\n"
                       "+1 move 490 310\n"
                       "+1 up left 490 310\n"
                       "+1 move 600 400\n");
    const std::string frames = data.scratch.File("frames");
    std::filesystem::create_directories(frames);
    const std::string screens = std::string(std::getenv("LUMORA_BIN")) + "/lumora-screens";
    int status = -1;
    const std::string out = RunCommand("LUMORA_BACKEND=headless LUMORA_CLOCK=fixed:50 LUMORA_INPUT=" +
                                           data.scratch.File("input.txt") + " LUMORA_FRAMES=" + frames + " " + screens +
                                           " " + data.Root() + " session --cursor",
                                       &status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("screen: session"), std::string::npos) << out;

    auto frame = [&](int n) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%06d.bmp", n);
        BmpImage image;
        EXPECT_TRUE(ReadBmpFile((frames + name).c_str(), &image)) << name;
        return image;
    };
    auto at = [](const BmpImage& image, int x, int y) { return image.rgb[static_cast<std::size_t>(y) * image.width + x]; };

    // Before the pointer arrives: the magnifier shows the picture's corner
    // and the plain cursor is not over it.
    const BmpImage first = frame(1);
    ASSERT_EQ(first.width, 640);
    EXPECT_EQ(at(first, 20, 20), Dumped(Gradient(0, 0)));
    EXPECT_EQ(at(first, 365, 25), Dumped(Line(0)));

    // Frame 29: the magnifier rests at the far corner of its picture, with
    // the right-down magnifier cursor drawn at the pointer (hot spot 10, 10).
    const BmpImage rested = frame(29);
    EXPECT_EQ(at(rested, 20, 20), Dumped(Gradient(300, 200)));
    EXPECT_EQ(at(rested, 310, 210), Dumped(0x00F000u + 8 * 8));

    // The end: the list at its last line (two lines and a page, clamped),
    // the slider at 120, the plain pointer back over the background.
    std::size_t count = 0;
    for (const auto& e : std::filesystem::directory_iterator(frames)) count += e.path().extension() == ".bmp";
    const BmpImage last = frame(static_cast<int>(count));
    EXPECT_EQ(at(last, 20, 20), Dumped(Gradient(300, 200)));
    EXPECT_EQ(at(last, 365, 25), Dumped(Line(200)));
    EXPECT_EQ(at(last, 360 + 10 + 120, 305), Dumped(0xFFFF00));
    EXPECT_EQ(at(last, 360 + 10 + 40, 305), Dumped(0x102030));
    EXPECT_EQ(at(last, 605, 405), Dumped(0x00F000));
}
