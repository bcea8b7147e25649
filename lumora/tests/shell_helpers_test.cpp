// Shared helpers and the bitmap file writer.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "_ShellTestSupport.h"
#include "lumora/shell/Helpers.h"
#include "lumora/shell/Random.h"
#include "lumora/shell/SaveBitmap.h"
#include "platform/Present.h"
#include "platform/Window.h"

namespace {

TEST(Helpers, CopySubstringTakesBothEndsAndStopsAtTheEnd) {
    char out[32];
    EXPECT_STREQ(CopySubstring("*Porte_rouge", 1, 5, out), "Porte");
    EXPECT_STREQ(CopySubstring("abc", 1, 10, out), "bc");
    EXPECT_STREQ(CopySubstring("abc", 3, 5, out), "");
    EXPECT_STREQ(CopySubstring("abc", 50, 60, out), "");
    EXPECT_STREQ(CopySubstring("abc", 2, 1, out), "");
    EXPECT_STREQ(CopySubstring("abc", 0, 0, out), "a");
}

TEST(Helpers, NameMatches) {
    EXPECT_EQ(NameMatches("*Porte_Rouge", "porte", 0), 1);
    EXPECT_EQ(NameMatches("*Porte_Rouge", "porte", 1), 0);
    EXPECT_EQ(NameMatches("Porte", "pORTE", 1), 1);
    EXPECT_EQ(NameMatches("Porte", "", 0), 0);
    EXPECT_EQ(NameMatches("", "", 0), 1);
    EXPECT_EQ(NameMatches("Porte", "Portes", 0), 0);
    std::string longName(200, 'x');
    longName += "Tail";
    EXPECT_EQ(NameMatches(longName.c_str(), "TAIL", 0), 1);
}

TEST(Helpers, ZeroPadNumber) {
    char out[32];
    EXPECT_STREQ(ZeroPadNumber(7, 4, out), "0007");
    EXPECT_STREQ(ZeroPadNumber(12345, 4, out), "12345");
    EXPECT_STREQ(ZeroPadNumber(5, 2, out), "05");
    EXPECT_STREQ(ZeroPadNumber(0, 4, out), "0000");
    EXPECT_STREQ(ZeroPadNumber(10000, 4, out), "10000");
}

TEST(Helpers, ShortKey) {
    char out[8];
    EXPECT_STREQ(ShortKey("*abcdefghij", out), "abcdef");
    EXPECT_STREQ(ShortKey("abcde", out), "abcde");
    EXPECT_STREQ(ShortKey("*", out), "");
    EXPECT_STREQ(ShortKey("**abcdefg", out), "*abcde");
}

TEST(Helpers, NormalizeAngle) {
    EXPECT_NEAR(NormalizeAngle(-0.5f), 5.7831855f, 1e-6);
    EXPECT_NEAR(NormalizeAngle(7.0f), 0.7168145f, 1e-6);
    EXPECT_EQ(NormalizeAngle(0.0f), 0.0f);
    EXPECT_NEAR(NormalizeAngle(-13.0f), -13.0f + 3 * 6.2831855f, 1e-5);
    for (float a = -50.0f; a < 50.0f; a += 0.37f) {
        float n = NormalizeAngle(a);
        EXPECT_GE(n, 0.0f);
        EXPECT_LE(n, 6.2831855f);
    }
}

TEST(Helpers, PointInRectIsStrict) {
    ZeltVector p{1.0f, 2.0f, 99.0f};
    EXPECT_EQ(PointInRect(&p, 0, 0, 2, 3), 1);
    EXPECT_EQ(PointInRect(&p, 1, 0, 2, 3), 0);
    EXPECT_EQ(PointInRect(&p, 0, 0, 1, 3), 0);
    EXPECT_EQ(PointInRect(&p, 0, 2, 2, 3), 0);
    EXPECT_EQ(PointInRect(&p, 0, 0, 2, 2), 0);
    EXPECT_EQ(PointInRect(&p, 2, 0, 0, 3), 0);
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

XBitmap Make565(int width, int height, int pitch) {
    XBitmap bitmap;
    bitmap.storage.assign(static_cast<std::size_t>(pitch) * height, 0xEE);
    bitmap.view = {bitmap.storage.data(), width, height, pitch, platform::PixelFormat::RGB565};
    return bitmap;
}

void SetPixel(XBitmap& bitmap, int x, int y, std::uint16_t value) {
    std::memcpy(bitmap.storage.data() + y * bitmap.view.pitch + 2 * x, &value, 2);
}

TEST(SaveBitmap, FullFrameHeader) {
    XBitmap frame = Make565(640, 480, 640 * 2 + 64);
    std::vector<std::uint8_t> file = EncodeBitmapFile(frame);
    ASSERT_EQ(file.size(), 614454u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Le32(file, 2), 614454u);
    EXPECT_EQ(Le32(file, 6), 0u);
    EXPECT_EQ(Le32(file, 10), 54u);
    EXPECT_EQ(Le32(file, 14), 40u);
    EXPECT_EQ(Le32(file, 18), 640u);
    EXPECT_EQ(Le32(file, 22), 480u);
    EXPECT_EQ(Le16(file, 26), 1u);
    EXPECT_EQ(Le16(file, 28), 16u);
    for (std::size_t at = 30; at < 54; at += 4) EXPECT_EQ(Le32(file, at), 0u) << at;
}

TEST(SaveBitmap, RowsBottomUpPaddedAndIn555) {
    XBitmap bitmap = Make565(3, 2, 16);
    SetPixel(bitmap, 0, 0, 0xF800);  // red, top-left
    SetPixel(bitmap, 1, 0, 0x07E0);  // green
    SetPixel(bitmap, 2, 0, 0x001F);  // blue
    SetPixel(bitmap, 0, 1, 0xFFFF);  // white, bottom-left
    SetPixel(bitmap, 1, 1, 0x0020);  // lowest green bit only
    SetPixel(bitmap, 2, 1, 0x0000);
    std::vector<std::uint8_t> file = EncodeBitmapFile(bitmap);
    ASSERT_EQ(file.size(), 54u + 2 * 8);
    // Bottom row first, each row 6 bytes of pixels and 2 of padding.
    EXPECT_EQ(Le16(file, 54), 0x7FFF);
    EXPECT_EQ(Le16(file, 56), 0x0000);
    EXPECT_EQ(Le16(file, 58), 0x0000);
    EXPECT_EQ(Le16(file, 60), 0x0000);
    EXPECT_EQ(Le16(file, 62), 0x7C00);
    EXPECT_EQ(Le16(file, 64), 0x03E0);
    EXPECT_EQ(Le16(file, 66), 0x001F);
    EXPECT_EQ(Le16(file, 68), 0x0000);

    bitmap.view.format = platform::PixelFormat::RGB555;
    SetPixel(bitmap, 0, 0, 0xFC00);  // the unused top bit is dropped
    file = EncodeBitmapFile(bitmap);
    EXPECT_EQ(Le16(file, 62), 0x7C00);
}

TEST(SaveBitmap, ThirtyTwoBitPictures) {
    XBitmap bitmap;
    bitmap.storage.assign(2 * 2 * 4, 0);
    bitmap.view = {bitmap.storage.data(), 2, 2, 8, platform::PixelFormat::XRGB8888};
    std::uint32_t rgb = 0x00112233;
    std::memcpy(bitmap.storage.data(), &rgb, 4);
    std::vector<std::uint8_t> file = EncodeBitmapFile(bitmap);
    ASSERT_EQ(file.size(), 54u + 16);
    EXPECT_EQ(Le16(file, 28), 32u);
    EXPECT_EQ(Le32(file, 54 + 8), 0x00112233u);
}

TEST(SaveBitmap, FileWritingAndFailures) {
    ScratchDir dir;
    ReportRecorder recorder;
    XBitmap frame = Make565(640, 480, 1280);
    EXPECT_EQ(SaveBitmapFile(&frame, dir.File("D0309T1407N0002.BMP").c_str()), 1);
    EXPECT_EQ(std::filesystem::file_size(dir.Path() / "D0309T1407N0002.BMP"), 614454u);
    EXPECT_TRUE(recorder.boxes.empty());

    EXPECT_EQ(SaveBitmapFile(nullptr, dir.File("x.bmp").c_str()), 0);
    EXPECT_EQ(SaveBitmapFile(&frame, nullptr), 0);
    EXPECT_EQ(SaveBitmapFile(&frame, dir.File("Capture/none/x.bmp").c_str()), 0);
    XBitmap palette = Make565(4, 4, 4);
    palette.view.format = platform::PixelFormat::PAL8;
    EXPECT_EQ(SaveBitmapFile(&palette, dir.File("p.bmp").c_str()), 0);
    ASSERT_EQ(recorder.boxes.size(), 4u);
    for (const RecordedBox& box : recorder.boxes) {
        EXPECT_EQ(box.caption, "ASSERT");
        EXPECT_EQ(box.text.rfind("File: CaptureWnd, Line: ", 0), 0u) << box.text;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "p.bmp"));

    EXPECT_EQ(CaptureWindow(nullptr, 1), nullptr);
    EXPECT_EQ(recorder.boxes.size(), 5u);
}

TEST(SaveBitmap, GrabOfTheLastPresentedFrame) {
    ScratchDir dir;
    ReportRecorder recorder;
    platform::WNDCLASS windowClass;
    windowClass.lpfnWndProc = platform::DefWindowProc;
    windowClass.lpszClassName = "LumoraShellTest";
    platform::RegisterClass(&windowClass);
    platform::HWND window = platform::CreateWindow("LumoraShellTest", "Lumora", 0, 0, 0, 640, 480);
    ASSERT_NE(window, nullptr);

    XBitmap frame = Make565(640, 480, 1280);
    std::fill(frame.storage.begin(), frame.storage.end(), 0);
    SetPixel(frame, 0, 0, 0xF800);
    SetPixel(frame, 639, 479, 0x001F);
    platform::Present(frame.view);

    std::unique_ptr<XBitmap> grab = CaptureWindow(window, 1);
    ASSERT_NE(grab, nullptr);
    EXPECT_EQ(grab->view.width, 640);
    EXPECT_EQ(grab->view.height, 480);
    ASSERT_EQ(SaveBitmapFile(grab.get(), dir.File("grab.bmp").c_str()), 1);
    std::string bytes = dir.Read("grab.bmp");
    ASSERT_EQ(bytes.size(), 614454u);
    std::vector<std::uint8_t> file(bytes.begin(), bytes.end());
    EXPECT_EQ(Le16(file, 54 + 639 * 2), 0x001F);                 // bottom-right, first row of the file
    EXPECT_EQ(Le16(file, 54 + 479 * 1280), 0x7C00);              // top-left, last row
    EXPECT_TRUE(recorder.boxes.empty());
    platform::DestroyWindow(window);
}

// The shared generator: the classic C library sequence, repeatable from a
// seed, and indexes that never run past their table.
TEST(Random, SeededSequenceAndIndexRange) {
    SeedRandom(1);
    EXPECT_EQ(Random(), 41);
    EXPECT_EQ(Random(), 18467);
    EXPECT_EQ(Random(), 6334);

    SeedRandom(99);
    std::vector<int> first;
    for (int i = 0; i < 50; ++i) first.push_back(Random());
    SeedRandom(99);
    for (int i = 0; i < 50; ++i) ASSERT_EQ(Random(), first[i]);

    std::vector<int> seen(9, 0);
    for (int i = 0; i < 200000; ++i) {
        const int v = Random();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, kRandomMax);
        const int index = RandomIndex(9);
        ASSERT_GE(index, 0);
        ASSERT_LT(index, 9);
        ++seen[index];
    }
    for (int count : seen) EXPECT_GT(count, 15000);
    EXPECT_EQ(RandomIndex(0), 0);
    EXPECT_EQ(RandomIndex(1), 0);
}

}  // namespace
