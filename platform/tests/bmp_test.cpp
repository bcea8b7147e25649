#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "platform/Bmp.h"

using namespace platform;

namespace {

void Le16(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
    v[at] = static_cast<std::uint8_t>(x);
    v[at + 1] = static_cast<std::uint8_t>(x >> 8);
}
void Le32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(x >> (8 * i));
}

// Builds a file with a 40-byte header. pixel(x, y) gives the raw value of a
// pixel (index, 16-bit word, 0xRRGGBB or 32-bit word) with y counted from the top.
struct BmpSpec {
    int width = 3;
    int height = 2;
    int bits = 24;
    bool topDown = false;
    std::uint32_t compression = 0;
    std::vector<std::uint32_t> masks;    // bit fields, placed after the header
    std::vector<std::uint32_t> palette;  // 0xRRGGBB
    std::function<std::uint32_t(int, int)> pixel;
};

std::vector<std::uint8_t> MakeBmp(const BmpSpec& s) {
    const std::size_t rowBytes = ((static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.bits) + 31) / 32) * 4;
    const std::size_t extra = s.masks.size() * 4 + s.palette.size() * 4;
    const std::size_t off = 54 + extra;
    std::vector<std::uint8_t> f(off + rowBytes * static_cast<std::size_t>(s.height), 0);
    f[0] = 'B';
    f[1] = 'M';
    Le32(f, 2, static_cast<std::uint32_t>(f.size()));
    Le32(f, 10, static_cast<std::uint32_t>(off));
    Le32(f, 14, 40);
    Le32(f, 18, static_cast<std::uint32_t>(s.width));
    Le32(f, 22, static_cast<std::uint32_t>(s.topDown ? -s.height : s.height));
    Le16(f, 26, 1);
    Le16(f, 28, static_cast<std::uint32_t>(s.bits));
    Le32(f, 30, s.compression);
    Le32(f, 46, static_cast<std::uint32_t>(s.palette.size()));
    std::size_t at = 54;
    for (std::uint32_t m : s.masks) Le32(f, at, m), at += 4;
    for (std::uint32_t c : s.palette) Le32(f, at, c), at += 4;
    for (int y = 0; y < s.height; ++y) {
        const int fileRow = s.topDown ? y : s.height - 1 - y;
        std::uint8_t* row = f.data() + off + rowBytes * static_cast<std::size_t>(fileRow);
        for (int x = 0; x < s.width; ++x) {
            std::uint32_t v = s.pixel(x, y);
            switch (s.bits) {
                case 1: row[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8)); break;
                case 4: row[x / 2] |= static_cast<std::uint8_t>((v & 15) << (x % 2 ? 0 : 4)); break;
                case 8: row[x] = static_cast<std::uint8_t>(v); break;
                case 16: row[2 * x] = static_cast<std::uint8_t>(v), row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8); break;
                case 24:
                    row[3 * x] = static_cast<std::uint8_t>(v);
                    row[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                    row[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
                    break;
                case 32:
                    for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<std::uint8_t>(v >> (8 * i));
                    break;
            }
        }
    }
    return f;
}

// A run-length file: 8-bit (code 1) or 4-bit (code 2) pixels given as raw bytes.
std::vector<std::uint8_t> MakeRle(int w, int h, int bits, std::vector<std::uint8_t> data, bool topDown = false) {
    const std::uint32_t colours = bits == 8 ? 4 : 16;
    std::vector<std::uint8_t> f(54 + colours * 4, 0);
    f[0] = 'B';
    f[1] = 'M';
    Le32(f, 10, static_cast<std::uint32_t>(f.size()));
    Le32(f, 14, 40);
    Le32(f, 18, static_cast<std::uint32_t>(w));
    Le32(f, 22, static_cast<std::uint32_t>(topDown ? -h : h));
    Le16(f, 26, 1);
    Le16(f, 28, static_cast<std::uint32_t>(bits));
    Le32(f, 30, bits == 8 ? 1 : 2);
    Le32(f, 46, colours);
    for (std::uint32_t i = 0; i < colours; ++i) Le32(f, 54 + 4 * i, 0x010101u * i);  // grey i
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

std::uint32_t At(const BmpImage& im, int x, int y) {
    return im.rgb[static_cast<std::size_t>(y) * static_cast<std::size_t>(im.width) + static_cast<std::size_t>(x)];
}

std::filesystem::path TempFile(const char* name) {
    auto dir = std::filesystem::temp_directory_path() / ("lumora_bmp_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir / name;
}

}  // namespace

TEST(BmpRead, EveryDepthInBothRowOrders) {
    const std::uint32_t colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        // Palettised depths: the index pattern differs per row so a flipped picture shows.
        for (int bits : {1, 4, 8}) {
            SCOPED_TRACE(bits);
            BmpSpec s;
            s.width = 11;  // odd width: rows carry padding
            s.height = 3;
            s.bits = bits;
            s.topDown = topDown;
            s.palette = bits == 1 ? std::vector<std::uint32_t>{0x000000, 0xFFFFFF}
                                  : std::vector<std::uint32_t>(colours, colours + 4);
            const int n = static_cast<int>(s.palette.size());
            s.pixel = [n](int x, int y) { return static_cast<std::uint32_t>((x + 2 * y) % n); };
            auto f = MakeBmp(s);
            BmpImage im;
            std::string err;
            ASSERT_TRUE(DecodeBmp(f.data(), f.size(), &im, &err)) << err;
            EXPECT_EQ(im.width, 11);
            EXPECT_EQ(im.height, 3);
            EXPECT_EQ(im.fileBits, bits);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 11; ++x) {
                    const int i = (x + 2 * y) % n;
                    ASSERT_EQ(im.index[static_cast<std::size_t>(y * 11 + x)], i);
                    ASSERT_EQ(At(im, x, y), s.palette[static_cast<std::size_t>(i)]);
                }
        }
        // 16-bit 5-5-5 (no compression) and 5-6-5 (bit fields).
        {
            BmpSpec s;
            s.bits = 16;
            s.topDown = topDown;
            s.pixel = [](int x, int y) { return y == 0 ? (x == 0 ? 0x7C00u : 0x03E0u) : 0x001Fu; };
            auto f = MakeBmp(s);
            BmpImage im;
            ASSERT_TRUE(DecodeBmp(f.data(), f.size(), &im));
            EXPECT_EQ(At(im, 0, 0), 0xFF0000u);
            EXPECT_EQ(At(im, 1, 0), 0x00FF00u);
            EXPECT_EQ(At(im, 2, 1), 0x0000FFu);

            s.compression = 3;
            s.masks = {0xF800, 0x07E0, 0x001F};
            s.pixel = [](int x, int y) { return y == 0 ? (x == 0 ? 0xF800u : 0x07E0u) : 0x0821u; };
            f = MakeBmp(s);
            ASSERT_TRUE(DecodeBmp(f.data(), f.size(), &im));
            EXPECT_EQ(At(im, 0, 0), 0xFF0000u);
            EXPECT_EQ(At(im, 1, 0), 0x00FF00u);
            // The smallest step of each channel survives into a 5-6-5 view.
            EXPECT_EQ(Rgb888To565((At(im, 0, 1) >> 16) & 0xFF, (At(im, 0, 1) >> 8) & 0xFF, At(im, 0, 1) & 0xFF), 0x0821);
        }
        // 24 and 32 bits.
        for (int bits : {24, 32}) {
            BmpSpec s;
            s.width = 5;
            s.bits = bits;
            s.topDown = topDown;
            s.pixel = [](int x, int y) { return static_cast<std::uint32_t>(0x102030 * (x + 1) + 0x010000 * y) & 0xFFFFFFu; };
            auto f = MakeBmp(s);
            BmpImage im;
            ASSERT_TRUE(DecodeBmp(f.data(), f.size(), &im));
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 5; ++x) EXPECT_EQ(At(im, x, y), s.pixel(x, y));
        }
        // 32-bit bit fields in another channel order.
        {
            BmpSpec s;
            s.bits = 32;
            s.topDown = topDown;
            s.compression = 3;
            s.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};  // red low
            s.pixel = [](int, int y) { return y == 0 ? 0x000000FFu : 0x00FF0000u; };
            auto f = MakeBmp(s);
            BmpImage im;
            ASSERT_TRUE(DecodeBmp(f.data(), f.size(), &im));
            EXPECT_EQ(At(im, 0, 0), 0xFF0000u);
            EXPECT_EQ(At(im, 0, 1), 0x0000FFu);
        }
    }
}

TEST(BmpRead, MalformedFilesAreRefused) {
    BmpSpec good;
    good.bits = 8;
    good.palette = {0x112233, 0x445566};
    good.pixel = [](int x, int) { return static_cast<std::uint32_t>(x % 2); };
    const auto base = MakeBmp(good);
    BmpImage im;
    ASSERT_TRUE(DecodeBmp(base.data(), base.size(), &im));

    auto refuse = [&](std::vector<std::uint8_t> f, const char* what) {
        BmpImage out;
        std::string err;
        EXPECT_FALSE(DecodeBmp(f.data(), f.size(), &out, &err)) << what;
        EXPECT_FALSE(err.empty()) << what;
        EXPECT_TRUE(out.rgb.empty()) << what;
    };
    auto patched = [&](std::size_t at, std::uint32_t v, bool wide = true) {
        auto f = base;
        if (wide) Le32(f, at, v);
        else Le16(f, at, v);
        return f;
    };
    refuse(std::vector<std::uint8_t>(base.begin(), base.begin() + 20), "too short for the header");
    refuse(std::vector<std::uint8_t>(base.begin(), base.end() - 1), "pixel data cut short");
    refuse(patched(0, 0x4142, false), "wrong signature");
    refuse(patched(14, 20), "unknown header size");
    refuse(patched(14, 0x10000000), "header larger than the file");
    refuse(patched(26, 2, false), "two planes");
    refuse(patched(28, 7, false), "7 bits per pixel");
    refuse(patched(18, 0), "zero width");
    refuse(patched(22, 0), "zero height");
    refuse(patched(18, 0x80000000u), "negative width");
    refuse(patched(18, 100000), "absurd width");
    refuse(patched(22, 100000), "absurd height");
    refuse(patched(30, 4), "JPEG compression");
    refuse(patched(30, 2), "4-bit run-length code on 8-bit pixels");
    refuse(patched(46, 300), "colour table larger than 256");
    refuse(patched(46, 0x40000000), "colour table beyond the file");
    refuse(patched(10, 0xFFFFFFF0u), "pixel offset beyond the file");
    refuse(patched(10, 20), "pixel offset inside the header");

    BmpSpec fields;
    fields.bits = 16;
    fields.compression = 3;
    fields.masks = {0xF0F0, 0x0F00, 0x000F};  // red mask with a hole
    fields.pixel = [](int, int) { return 0u; };
    refuse(MakeBmp(fields), "non-contiguous mask");
    fields.bits = 24;
    fields.masks = {0xFF0000, 0xFF00, 0xFF};
    refuse(MakeBmp(fields), "bit fields on 24 bits");

    // An index past a short colour table reads as black rather than past the table.
    auto f = base;
    f[base.size() - 4] = 200;  // first pixel of the last stored row = top-left... any pixel
    ASSERT_TRUE(DecodeBmp(f.data(), f.size(), &im));
    bool sawBlack = false;
    for (auto c : im.rgb) sawBlack |= c == 0;
    EXPECT_TRUE(sawBlack);

    EXPECT_FALSE(ReadBmpFile("/nonexistent/dir/none.bmp", &im));
}

TEST(BmpRead, DamagedHeadersNeverReadOutsideTheFile) {
    // Random damage to the header and tables of valid files of each depth:
    // a decode either fails or gives a picture of consistent size. Run under
    // the address sanitizer this also proves no read leaves the buffer.
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    for (int bits : {1, 4, 8, 16, 24, 32, 108, 104}) {  // 108, 104: run-length 8 and 4 bits
        if (bits > 100) {
            auto base = MakeRle(7, 5, bits - 100, {4, 1, 0, 4, 1, 2, 3, 0, 0, 2, 3, 1, 0, 0, 5, 7, 0, 1});
            for (int round = 0; round < 3000; ++round) {
                auto f = base;
                for (int k = 0; k < 3; ++k) f[next() % f.size()] = static_cast<std::uint8_t>(next() >> 24);
                BmpImage im;
                if (DecodeBmp(f.data(), f.size(), &im)) {
                    ASSERT_EQ(im.rgb.size(), static_cast<std::size_t>(im.width) * static_cast<std::size_t>(im.height));
                }
            }
            continue;
        }
        BmpSpec s;
        s.width = 5;
        s.height = 3;
        s.bits = bits;
        if (bits <= 8) s.palette = {0x000000, 0xFFFFFF};
        if (bits == 32) {
            s.compression = 3;
            s.masks = {0xFF0000, 0xFF00, 0xFF};
        }
        s.pixel = [](int x, int) { return static_cast<std::uint32_t>(x & 1); };
        const auto base = MakeBmp(s);
        for (int round = 0; round < 3000; ++round) {
            auto f = base;
            const int hits = 1 + static_cast<int>(next() % 3);
            for (int k = 0; k < hits; ++k) {
                const std::size_t at = next() % std::min<std::size_t>(f.size(), 70);
                f[at] = static_cast<std::uint8_t>(next() >> 24);
            }
            if (next() % 4 == 0) f.resize(next() % f.size());  // and sometimes cut short
            BmpImage im;
            if (DecodeBmp(f.data(), f.size(), &im)) {
                ASSERT_GT(im.width, 0);
                ASSERT_GT(im.height, 0);
                ASSERT_EQ(im.rgb.size(), static_cast<std::size_t>(im.width) * static_cast<std::size_t>(im.height));
                ASSERT_LE(static_cast<std::size_t>(im.width) * static_cast<std::size_t>(im.height) * im.fileBits / 8, f.size());
            }
        }
    }
}

TEST(BmpRead, RunLengthPicturesWithRunsDeltasAndAbsoluteRuns) {
    // 8-bit, 5 x 3, bottom row first:
    //   bottom: run of 3 x 2, absolute 3 1 (padded), end of line
    //   middle: delta (1, 0), run 2 x 1, end of line
    //   top:    run of 9 x 3 (cut at the edge), end of picture
    auto f = MakeRle(5, 3, 8, {3, 2, 0, 3, 3, 1, 3, 0, 0, 0, 0, 2, 1, 0, 2, 1, 0, 0, 9, 3, 0, 1});
    BmpImage im;
    std::string err;
    ASSERT_TRUE(DecodeBmp(f.data(), f.size(), &im, &err)) << err;
    const std::uint8_t want[3][5] = {{3, 3, 3, 3, 3}, {0, 1, 1, 0, 0}, {2, 2, 2, 3, 1}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            ASSERT_EQ(im.index[static_cast<std::size_t>(y * 5 + x)], want[y][x]) << x << "," << y;
            ASSERT_EQ(At(im, x, y), 0x010101u * want[y][x]);
        }

    // 4-bit: a run alternates the two nibbles; an absolute run of 3 nibbles takes 2 bytes.
    f = MakeRle(6, 1, 4, {3, 0x12, 0, 3, 0xAB, 0xC0, 0, 1});
    ASSERT_TRUE(DecodeBmp(f.data(), f.size(), &im, &err)) << err;
    const std::uint8_t want4[6] = {1, 2, 1, 10, 11, 12};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(im.index[static_cast<std::size_t>(x)], want4[x]);

    // Refused: an absolute run or a delta cut short, a top-down run-length picture.
    BmpImage bad;
    f = MakeRle(5, 3, 8, {0, 5, 1, 2});
    EXPECT_FALSE(DecodeBmp(f.data(), f.size(), &bad));
    EXPECT_TRUE(bad.rgb.empty());
    f = MakeRle(5, 3, 8, {0, 2, 1});
    EXPECT_FALSE(DecodeBmp(f.data(), f.size(), &bad));
    f = MakeRle(5, 3, 8, {0, 1}, true);
    EXPECT_FALSE(DecodeBmp(f.data(), f.size(), &bad));
    // Runs and deltas far past the edges are cut, never written outside.
    f = MakeRle(2, 2, 8, {255, 1, 0, 2, 255, 255, 255, 2, 0, 0, 255, 3});
    ASSERT_TRUE(DecodeBmp(f.data(), f.size(), &im));
    EXPECT_EQ(im.index[2], 1);  // bottom-left
    EXPECT_EQ(im.index[0], 0);
}

TEST(BmpRead, OldCoreHeaderWithThreeByteColours) {
    std::vector<std::uint8_t> f(14 + 12 + 6 + 4, 0);
    f[0] = 'B';
    f[1] = 'M';
    Le32(f, 10, 14 + 12 + 6);
    Le32(f, 14, 12);
    Le16(f, 18, 2);   // width
    Le16(f, 20, 1);   // height
    Le16(f, 22, 1);   // planes
    Le16(f, 24, 1);   // bits
    f[26] = 0x00, f[27] = 0x00, f[28] = 0xFF;  // colour 0: red (B, G, R)
    f[29] = 0xFF, f[30] = 0x00, f[31] = 0x00;  // colour 1: blue
    f[32] = 0x40;                              // pixels 0, 1
    BmpImage im;
    std::string err;
    ASSERT_TRUE(DecodeBmp(f.data(), f.size(), &im, &err)) << err;
    EXPECT_EQ(At(im, 0, 0), 0xFF0000u);
    EXPECT_EQ(At(im, 1, 0), 0x0000FFu);
}

TEST(BmpWrite, SixteenBitGrabIsA555FileOfTheExpectedSize) {
    const int w = 640, h = 480, pitch = 640 * 2 + 24;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(pitch) * h, 0xEE);  // padding bytes are junk
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto v = static_cast<std::uint16_t>(Rgb888To565(static_cast<unsigned>(x), static_cast<unsigned>(y), 128));
            std::memcpy(pixels.data() + y * pitch + 2 * x, &v, 2);
        }
    PixelView view{pixels.data(), w, h, pitch, PixelFormat::RGB565};
    auto path = TempFile("grab.bmp");
    ASSERT_TRUE(WriteBmpFile(path.c_str(), view));
    EXPECT_EQ(std::filesystem::file_size(path), 614454u);

    std::vector<std::uint8_t> f = EncodeBmp(view);
    ASSERT_EQ(f.size(), 614454u);
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(f[at] | (f[at + 1] << 8) | (f[at + 2] << 16) | (static_cast<std::uint32_t>(f[at + 3]) << 24));
    };
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(u32(2), 614454u);
    EXPECT_EQ(u32(10), 54u);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u32(18), 640u);
    EXPECT_EQ(u32(22), 480u);
    EXPECT_EQ(f[26] | (f[27] << 8), 1);
    EXPECT_EQ(f[28] | (f[29] << 8), 16);
    for (std::size_t at = 30; at < 54; at += 4) EXPECT_EQ(u32(at), 0u) << at;
    // Bottom row first, 5-5-5: the first stored pixel is (0, 479).
    const std::uint16_t first = static_cast<std::uint16_t>(f[54] | (f[55] << 8));
    EXPECT_EQ(first, Rgb565To555(Rgb888To565(0, 479 & 0xFF, 128)));

    // Reading it back gives the picture again, pixel for pixel.
    BmpImage im;
    ASSERT_TRUE(ReadBmpFile(path.c_str(), &im));
    std::vector<std::uint8_t> again(static_cast<std::size_t>(pitch) * h, 0);
    PixelView back{again.data(), w, h, pitch, PixelFormat::RGB565};
    ASSERT_TRUE(CopyBmpToView(im, back));
    for (int y = 0; y < h; y += 7)
        for (int x = 0; x < w; x += 3) {
            std::uint16_t a, b;
            std::memcpy(&a, pixels.data() + y * pitch + 2 * x, 2);
            std::memcpy(&b, again.data() + y * pitch + 2 * x, 2);
            // 5-5-5 files keep five bits of green: the lowest 5-6-5 green bit goes.
            ASSERT_EQ(a & ~0x0020, b & ~0x0020) << x << "," << y;
        }
    std::filesystem::remove_all(path.parent_path());
}

TEST(BmpWrite, RoundTripsOf555And32BitViewsAndOddWidths) {
    // 5-5-5, width 3: rows of 6 bytes padded to 8.
    std::uint16_t px555[2][4] = {{0x7C00, 0x03E0, 0x001F, 0xBEEF}, {0x1234, 0x7FFF, 0x0000, 0xBEEF}};
    PixelView v555{px555, 3, 2, 8, PixelFormat::RGB555};
    auto f = EncodeBmp(v555);
    ASSERT_EQ(f.size(), 54u + 8u * 2u);
    BmpImage im;
    ASSERT_TRUE(DecodeBmp(f.data(), f.size(), &im));
    std::uint16_t out[2][4] = {};
    PixelView o555{out, 3, 2, 8, PixelFormat::RGB555};
    ASSERT_TRUE(CopyBmpToView(im, o555));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(out[y][x], px555[y][x]);
    EXPECT_EQ(out[0][3], 0);  // nothing written past the picture

    // 32-bit views become 24-bit files.
    std::uint32_t px32[2][2] = {{0x00123456, 0xFF0000FF}, {0x00ABCDEF, 0x00000000}};
    PixelView v32{px32, 2, 2, 8, PixelFormat::XRGB8888};
    f = EncodeBmp(v32);
    ASSERT_EQ(f.size(), 54u + 8u * 2u);
    EXPECT_EQ(f[28], 24);
    ASSERT_TRUE(DecodeBmp(f.data(), f.size(), &im));
    EXPECT_EQ(At(im, 0, 0), 0x123456u);
    EXPECT_EQ(At(im, 1, 0), 0x0000FFu);
    EXPECT_EQ(At(im, 0, 1), 0xABCDEFu);

    // Nothing sensible to write: 8-bit views, empty views, unwritable paths.
    std::uint8_t idx[4] = {};
    EXPECT_TRUE(EncodeBmp(PixelView{idx, 2, 2, 2, PixelFormat::PAL8}).empty());
    EXPECT_TRUE(EncodeBmp(PixelView{}).empty());
    EXPECT_FALSE(WriteBmpFile("/nonexistent/dir/x.bmp", v555));
    EXPECT_FALSE(WriteBmpFile(nullptr, v555));
}

TEST(BmpSurface, LoadsIntoASurfaceOfTheDisplayFormat) {
    DirectDraw* dd = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &dd), DD_OK);
    ASSERT_EQ(dd->SetCooperativeLevel(reinterpret_cast<HWND>(std::uintptr_t{16}), DDSCL_NORMAL), DD_OK);
    BmpSpec s;
    s.width = 7;
    s.height = 5;
    s.bits = 24;
    s.pixel = [](int x, int y) { return x == 6 && y == 4 ? 0xFFFFFFu : 0x0000FFu; };
    auto path = TempFile("pic.bmp");
    {
        auto bytes = MakeBmp(s);
        std::FILE* out = std::fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
    DirectDrawSurface* surf = nullptr;
    ASSERT_EQ(LoadBmpSurface(dd, path.c_str(), &surf), DD_OK);
    EXPECT_EQ(surf->Width(), 7);
    EXPECT_EQ(surf->Height(), 5);
    PixelView v;
    ASSERT_EQ(surf->Lock(nullptr, &v, DDLOCK_WAIT), DD_OK);
    std::uint16_t last, first;
    std::memcpy(&first, v.bits, 2);
    std::memcpy(&last, static_cast<std::uint8_t*>(v.bits) + 4 * v.pitch + 12, 2);
    surf->Unlock(nullptr);
    EXPECT_EQ(first, PackRgb(v.format, 0, 0, 255));
    EXPECT_EQ(last, PackRgb(v.format, 255, 255, 255));
    surf->Release();
    EXPECT_EQ(LoadBmpSurface(dd, "/nonexistent/none.bmp", &surf), DDERR_NOTFOUND);
    EXPECT_EQ(surf, nullptr);
    dd->Release();
    std::filesystem::remove_all(path.parent_path());
}
