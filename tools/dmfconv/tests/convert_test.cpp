#include <gtest/gtest.h>

#include <png.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "tools/dmfconv/TextureConvert.h"

using namespace dmfconv;

namespace {

Picture Solid(int w, int h, Rgb c) {
    Picture p;
    p.width = w;
    p.height = h;
    p.pixels.assign(std::size_t(w) * h, c);
    return p;
}

Rgb PaletteColour(const zelt::DmfImage& img, int index) {
    return Rgb{img.palette[index][2], img.palette[index][1], img.palette[index][0]};
}

}  // namespace

TEST(DmfFile, RoundTripAndRejections) {
    zelt::DmfImage img;
    img.width = 4;
    img.height = 2;
    img.depth = 16;
    img.hasKey = true;
    img.keyPixel = 0xF81F;
    for (int i = 0; i < 8; ++i) img.texels16.push_back(std::uint16_t(0x1234 + i));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(zelt::DmfSerialize(img, bytes));
    ASSERT_EQ(bytes.size(), 16u + 8 * 2);
    EXPECT_EQ(0, std::memcmp(bytes.data(), "DMF1", 4));
    EXPECT_EQ(bytes[4], 4);
    EXPECT_EQ(bytes[6], 2);
    EXPECT_EQ(bytes[9], 1);
    EXPECT_EQ(bytes[12], 0x1F);
    EXPECT_EQ(bytes[13], 0xF8);
    EXPECT_EQ(bytes[16], 0x34);  // little-endian texels, top row first

    zelt::DmfImage back;
    ASSERT_TRUE(zelt::DmfParse(bytes.data(), bytes.size(), back));
    EXPECT_EQ(back.texels16, img.texels16);
    EXPECT_TRUE(back.hasKey);

    std::string why;
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(zelt::DmfParse(bytes.data(), cut, back, &why)) << cut;
    auto bad = bytes;
    bad[4] = 3;  // not a power of two
    EXPECT_FALSE(zelt::DmfParse(bad.data(), bad.size(), back, &why));
    bad = bytes;
    bad[8] = 24;
    EXPECT_FALSE(zelt::DmfParse(bad.data(), bad.size(), back, &why));

    img.texels16.pop_back();  // inconsistent texel count is refused
    EXPECT_FALSE(zelt::DmfSerialize(img, bytes));
}

TEST(DmfConvert, PowerOfTwoRounding) {
    EXPECT_EQ(RoundToPowerOfTwo(0), 1);
    EXPECT_EQ(RoundToPowerOfTwo(1), 1);
    EXPECT_EQ(RoundToPowerOfTwo(256), 256);
    EXPECT_EQ(RoundToPowerOfTwo(300), 256);
    EXPECT_EQ(RoundToPowerOfTwo(400), 512);
    EXPECT_EQ(RoundToPowerOfTwo(5000), 1024);
}

TEST(DmfConvert, FewColoursMapExactly) {
    // 200 distinct colours: the palette must hold each one and every texel its own colour.
    Picture p;
    p.width = 16;
    p.height = 16;
    for (int i = 0; i < 256; ++i) p.pixels.push_back(Rgb{std::uint8_t(i % 200), std::uint8_t(255 - i % 200), 7});
    zelt::DmfImage img;
    std::string why;
    ASSERT_TRUE(Convert(p, {}, img, why)) << why;
    ASSERT_EQ(img.depth, 8);
    for (std::size_t i = 0; i < p.pixels.size(); ++i) EXPECT_EQ(PaletteColour(img, img.texels8[i]), p.pixels[i]);
}

TEST(DmfConvert, ManyColoursStayClose) {
    // A smooth 64 x 64 gradient of 4096 colours quantised to 256 entries.
    Picture p;
    p.width = 64;
    p.height = 64;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) p.pixels.push_back(Rgb{std::uint8_t(x * 4), std::uint8_t(y * 4), std::uint8_t(128)});
    zelt::DmfImage img;
    std::string why;
    ASSERT_TRUE(Convert(p, {}, img, why));
    std::set<int> used(img.texels8.begin(), img.texels8.end());
    EXPECT_GT(used.size(), 200u);
    double total = 0;
    int worst = 0;
    for (std::size_t i = 0; i < p.pixels.size(); ++i) {
        Rgb q = PaletteColour(img, img.texels8[i]);
        int e = std::abs(q.r - p.pixels[i].r) + std::abs(q.g - p.pixels[i].g) + std::abs(q.b - p.pixels[i].b);
        total += e;
        worst = std::max(worst, e);
    }
    EXPECT_LT(total / p.pixels.size(), 12.0);
    EXPECT_LT(worst, 40);
}

TEST(DmfConvert, ColourKeyKeepsItsOwnEntryAndDoesNotBleed) {
    const Rgb magenta{255, 0, 255}, red{200, 10, 10};
    Picture p = Solid(8, 8, red);
    for (int y = 0; y < 8; ++y)
        for (int x = 4; x < 8; ++x) p.pixels[y * 8 + x] = magenta;
    ConvertOptions o;
    o.key = magenta;
    o.forcedWidth = 4;
    o.forcedHeight = 4;
    zelt::DmfImage img;
    std::string why;
    ASSERT_TRUE(Convert(p, o, img, why));
    ASSERT_TRUE(img.hasKey);
    EXPECT_EQ(PaletteColour(img, img.keyIndex), magenta);
    EXPECT_EQ(img.keyPixel, ToRgb565(magenta));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const int t = img.texels8[y * 4 + x];
            if (x < 2) {
                EXPECT_NE(t, img.keyIndex);
                EXPECT_EQ(PaletteColour(img, t), red) << "key colour bled into an opaque texel";
            } else {
                EXPECT_EQ(t, img.keyIndex);
            }
        }
    }

    // 16-bit: an opaque colour that packs to the key pixel is moved off it.
    Picture near = Solid(2, 2, Rgb{250, 2, 250});
    near.pixels[0] = magenta;
    o.depth = 16;
    o.forcedWidth = o.forcedHeight = 0;
    ASSERT_TRUE(Convert(near, o, img, why));
    EXPECT_EQ(img.texels16[0], img.keyPixel);
    for (int i = 1; i < 4; ++i) EXPECT_NE(img.texels16[i], img.keyPixel);
}

TEST(DmfConvert, ResampleKeepsFlatAreasAndRefusesBadSizes) {
    Picture p = Solid(3, 5, Rgb{10, 20, 30});
    Picture up = Resample(p, 8, 8);
    for (const Rgb& c : up.pixels) EXPECT_EQ(c, (Rgb{10, 20, 30}));
    Picture down = Resample(Solid(1000, 10, Rgb{1, 2, 3}), 16, 1);
    for (const Rgb& c : down.pixels) EXPECT_EQ(c, (Rgb{1, 2, 3}));

    ConvertOptions o;
    o.forcedWidth = 48;
    o.forcedHeight = 16;
    zelt::DmfImage img;
    std::string why;
    EXPECT_FALSE(Convert(p, o, img, why));
    EXPECT_FALSE(Convert(Picture{}, {}, img, why));
}

TEST(DmfConvert, CommandLineConvertsPng) {
    const char* bin = std::getenv("LUMORA_BIN");
    ASSERT_NE(bin, nullptr);
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("dmfconv_test_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir);
    // 3 x 3 PNG with one transparent pixel.
    std::vector<std::uint8_t> rgba(3 * 3 * 4, 255);
    rgba[3] = 0;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 3;
    image.height = 3;
    image.format = PNG_FORMAT_RGBA;
    ASSERT_TRUE(png_image_write_to_file(&image, (dir / "in.png").c_str(), 0, rgba.data(), 0, nullptr));

    std::string cmd = std::string(bin) + "/dmfconv " + (dir / "in.png").string() + " " + (dir / "out.dmf").string() +
                      " --key 0,0,0 --size 4x4 > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream f(dir / "out.dmf", std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(f)), {});
    zelt::DmfImage img;
    ASSERT_TRUE(zelt::DmfParse(bytes.data(), bytes.size(), img));
    EXPECT_EQ(img.width, 4);
    EXPECT_EQ(img.texels8[0], img.keyIndex);  // the transparent corner stays see-through
    EXPECT_NE(img.texels8[15], img.keyIndex);

    // Bad arguments fail without writing anything.
    std::string bad = std::string(bin) + "/dmfconv " + (dir / "in.png").string() + " " + (dir / "bad.dmf").string() +
                      " --size 48x16 2> /dev/null";
    EXPECT_NE(std::system(bad.c_str()), 0);
    EXPECT_FALSE(fs::exists(dir / "bad.dmf"));
    std::string missing = std::string(bin) + "/dmfconv " + (dir / "none.png").string() + " " +
                          (dir / "none.dmf").string() + " 2> /dev/null";
    EXPECT_NE(std::system(missing.c_str()), 0);
    fs::remove_all(dir);
}
