// Presentation: the frame copy the capture reads, frame dumps, display
// modes, the letterbox placement and headless message boxes.
#include "platform/MessageBox.h"
#include "platform/Present.h"
#include "platform/Time.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

using namespace platform;
namespace fs = std::filesystem;

namespace {

TEST(PresentTest, GrabReturnsAPackedCopyOfTheLastFrame) {
    // 3 x 2 pixels in a pitch of 8 bytes: the padding must not come back.
    std::uint16_t pixels[8] = {1, 2, 3, 0xDEAD, 4, 5, 6, 0xBEEF};
    std::uint64_t before = PresentedFrameCount();
    Present(PixelView{pixels, 3, 2, 8, PixelFormat::RGB555});
    EXPECT_EQ(PresentedFrameCount(), before + 1);
    pixels[0] = 99;  // the caller's buffer changes afterwards
    std::vector<std::uint8_t> storage;
    PixelView view;
    ASSERT_TRUE(GrabLastFrame(storage, view));
    EXPECT_EQ(view.width, 3);
    EXPECT_EQ(view.height, 2);
    EXPECT_EQ(view.pitch, 6);
    EXPECT_EQ(view.format, PixelFormat::RGB555);
    EXPECT_EQ(view.bits, storage.data());
    const auto* p = static_cast<const std::uint16_t*>(view.bits);
    EXPECT_EQ(std::vector<std::uint16_t>(p, p + 6), (std::vector<std::uint16_t>{1, 2, 3, 4, 5, 6}));
}

TEST(PresentTest, UnusableViewsAreNotFrames) {
    std::uint64_t before = PresentedFrameCount();
    std::uint8_t index[4] = {};
    Present(PixelView{index, 2, 2, 2, PixelFormat::PAL8});
    Present(PixelView{nullptr, 2, 2, 4, PixelFormat::RGB565});
    std::uint16_t px[4] = {};
    Present(PixelView{px, 2, 2, 2, PixelFormat::RGB565});  // pitch shorter than a row
    EXPECT_EQ(PresentedFrameCount(), before);
}

TEST(PresentTest, FramesAreDumpedAsNumberedBitmaps) {
    fs::path dir = fs::temp_directory_path() / ("lumora_frames_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    SetFrameDumpFolder(dir.string());  // made at the first frame
    std::vector<std::uint16_t> frame(640 * 480, 0xF800);
    Present(PixelView{frame.data(), 640, 480, 1280, PixelFormat::RGB565});
    Present(PixelView{frame.data(), 640, 480, 1280, PixelFormat::RGB565});
    SetFrameDumpFolder("");
    std::uint64_t last = PresentedFrameCount();
    fs::path second = FrameDumpPath(dir.string(), last);
    fs::path first = FrameDumpPath(dir.string(), last - 1);
    EXPECT_EQ(second.filename().string().size(), std::string("frame_000001.bmp").size());
    ASSERT_TRUE(fs::exists(first));
    ASSERT_TRUE(fs::exists(second));
    EXPECT_EQ(fs::file_size(second), 614454u) << "a 640 x 480 16-bit bitmap";
    Present(PixelView{frame.data(), 640, 480, 1280, PixelFormat::RGB565});
    EXPECT_FALSE(fs::exists(FrameDumpPath(dir.string(), last + 1))) << "dumping stopped";
    fs::remove_all(dir);
    EXPECT_EQ(FrameDumpPath("/tmp/x/", 12), "/tmp/x/frame_000012.bmp");
}

TEST(PresentTest, PresentingMovesTheFixedClock) {
    SetFixedClock(25);
    DWORD t0 = timeGetTime();
    std::uint16_t px = 0;
    Present(PixelView{&px, 1, 1, 2, PixelFormat::RGB565});
    EXPECT_EQ(timeGetTime() - t0, 25u);
    SetFixedClock(0);
}

TEST(PresentTest, DisplayModesStartWith640x480At16Bits) {
    auto modes = EnumDisplayModes();
    ASSERT_FALSE(modes.empty());
    EXPECT_EQ(modes[0].width, 640);
    EXPECT_EQ(modes[0].height, 480);
    for (size_t i = 0; i < modes.size(); ++i) {
        EXPECT_EQ(modes[i].bitsPerPixel, 16);
        for (size_t j = i + 1; j < modes.size(); ++j)
            EXPECT_FALSE(modes[i].width == modes[j].width && modes[i].height == modes[j].height);
    }
    EXPECT_GE(modes.size(), 2u) << "the desktop's mode is offered too";
}

TEST(PresentTest, LetterboxKeepsTheAspectAndCentres) {
    auto check = [](RECT r, int l, int t, int rr, int b) {
        EXPECT_EQ(r.left, l);
        EXPECT_EQ(r.top, t);
        EXPECT_EQ(r.right, rr);
        EXPECT_EQ(r.bottom, b);
    };
    check(detail::LetterboxRect(640, 480, 1920, 1080), 240, 0, 1680, 1080);  // bars left and right
    check(detail::LetterboxRect(640, 480, 800, 800), 0, 100, 800, 700);      // bars top and bottom
    check(detail::LetterboxRect(640, 480, 1280, 960), 0, 0, 1280, 960);     // exact
    check(detail::LetterboxRect(640, 480, 0, 600), 0, 0, 0, 0);
}

TEST(MessageBoxTest, HeadlessAnswersWithTheDefaultButtonAndLogs) {
    EXPECT_EQ(MessageBoxDefault(MB_OK), IDOK);
    EXPECT_EQ(MessageBoxDefault(MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(MessageBoxDefault(MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(MessageBoxDefault(MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(MessageBoxDefault(MB_OK | MB_DEFBUTTON2), IDOK) << "no second button: the first";
    EXPECT_EQ(MessageBoxDefault(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);

    ::testing::internal::CaptureStderr();
    int answer = MessageBox(nullptr, "Fichier introuvable", "Lumora", MB_YESNO | MB_DEFBUTTON2);
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, IDNO);
    EXPECT_NE(log.find("Lumora"), std::string::npos);
    EXPECT_NE(log.find("Fichier introuvable"), std::string::npos);
}

}  // namespace

namespace {

TEST(PresentTest, WindowPointsMapBackIntoThePicture) {
    // 640 x 480 shown in 1920 x 1080: 1440 x 1080 at x = 240, scale 2.25.
    auto at = [](int x, int y) { return detail::WindowToClient(x, y, 1920, 1080, 640, 480); };
    EXPECT_EQ(at(240, 0).x, 0);
    EXPECT_EQ(at(240, 0).y, 0);
    EXPECT_EQ(at(1679, 1079).x, 639);
    EXPECT_EQ(at(1679, 1079).y, 479);
    EXPECT_EQ(at(960, 540).x, 320);
    EXPECT_EQ(at(239, 10).x, -1) << "the bar left of the picture is outside, not column 0";
    EXPECT_EQ(at(1680, 10).x, 640);
    // Unscaled window: identity.
    EXPECT_EQ(detail::WindowToClient(17, 33, 640, 480, 640, 480).x, 17);
    EXPECT_EQ(detail::WindowToClient(17, 33, 640, 480, 640, 480).y, 33);
}

// The SDL backend on SDL's display-less driver: a window, frames in both
// 16-bit layouts, an event pump, and a message box that cannot show.
TEST(PresentTest, SdlBackendRunsWithoutADisplay) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::unique_ptr<detail::Backend> sdl = detail::MakeSdlBackend();
    if (!sdl) GTEST_SKIP() << "SDL's dummy video driver is not available";
    EXPECT_EQ(sdl->Kind(), BackendKind::Sdl);
    sdl->CreateHostWindow("test", 640, 480);
    sdl->SetVisible(true);
    std::vector<std::uint16_t> frame(640 * 480, 0x7C00);
    sdl->Present(PixelView{frame.data(), 640, 480, 1280, PixelFormat::RGB565});
    sdl->Present(PixelView{frame.data(), 320, 240, 1280, PixelFormat::RGB555});
    sdl->SetFullScreen(true);
    sdl->PumpEvents();
    sdl->Wake();
    sdl->WaitEvents(0);
    RECT desk = sdl->DesktopRect();
    EXPECT_GT(desk.right - desk.left, 0);
    EXPECT_FALSE(sdl->DesktopModes().empty());
    sdl->DestroyHostWindow();
}

}  // namespace
