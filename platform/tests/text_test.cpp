#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/Text.h"

using namespace platform;

namespace {

// A picture with a pitch wider than its rows, every pixel (padding too) set
// to a sentinel so any stray write shows.
struct Canvas {
    Canvas(int w, int h, PixelFormat f, std::uint32_t fill = 0x5A5A5A5A) : width(w), height(h), format(f) {
        pitch = w * BytesPerPixel(f) + 12;
        bytes.resize(static_cast<std::size_t>(pitch) * static_cast<std::size_t>(h));
        for (std::size_t i = 0; i < bytes.size(); i += static_cast<std::size_t>(BytesPerPixel(f)))
            std::memcpy(&bytes[i], &fill, static_cast<std::size_t>(BytesPerPixel(f)));
        original = bytes;
    }
    PixelView View() { return PixelView{bytes.data(), width, height, pitch, format}; }
    std::uint32_t At(int x, int y) const {
        std::uint32_t v = 0;
        std::memcpy(&v, &bytes[static_cast<std::size_t>(y * pitch + x * BytesPerPixel(format))],
                    static_cast<std::size_t>(BytesPerPixel(format)));
        return v;
    }
    bool Changed(int x, int y) const {
        const std::size_t i = static_cast<std::size_t>(y * pitch + x * BytesPerPixel(format));
        return std::memcmp(&bytes[i], &original[i], static_cast<std::size_t>(BytesPerPixel(format))) != 0;
    }
    // Bounding box of the changed pixels (right and bottom exclusive); empty when none.
    RECT Ink() const {
        RECT r{width, height, 0, 0};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (Changed(x, y)) {
                    r.left = std::min<LONG>(r.left, x);
                    r.top = std::min<LONG>(r.top, y);
                    r.right = std::max<LONG>(r.right, x + 1);
                    r.bottom = std::max<LONG>(r.bottom, y + 1);
                }
        return r;
    }
    int width, height, pitch;
    PixelFormat format;
    std::vector<std::uint8_t> bytes, original;
};

TextStyle Style(UINT format, COLORREF colour = RGB(255, 255, 255)) {
    TextStyle s;
    s.format = format | DT_SINGLELINE;
    s.color = colour;
    return s;
}

}  // namespace

TEST(Text, ExtentsAddUpAndFollowTheHeight) {
    SIZE a, b, ab, big, bold, empty;
    ASSERT_TRUE(GetTextExtent("Sauvegarde", -16, false, &a)) << TextError();
    ASSERT_TRUE(GetTextExtent(" - ", -16, false, &b));
    ASSERT_TRUE(GetTextExtent("Sauvegarde - ", -16, false, &ab));
    EXPECT_GT(a.cx, 40);
    EXPECT_LT(a.cx, 160);
    EXPECT_EQ(ab.cx, a.cx + b.cx);  // no kerning: a caret walk can add up prefixes
    EXPECT_EQ(a.cy, ab.cy);
    EXPECT_GE(a.cy, 16);  // the cell is taller than the character height
    ASSERT_TRUE(GetTextExtent("Sauvegarde", -32, false, &big));
    EXPECT_GT(big.cx, a.cx * 3 / 2);
    EXPECT_GT(big.cy, a.cy * 3 / 2);
    ASSERT_TRUE(GetTextExtent("Sauvegarde", -16, true, &bold));
    EXPECT_GT(bold.cx, a.cx);
    ASSERT_TRUE(GetTextExtent("", -16, false, &empty));
    EXPECT_EQ(empty.cx, 0);

    // A positive height is the cell height.
    SIZE cell;
    ASSERT_TRUE(GetTextExtent("x", 24, false, &cell));
    EXPECT_NEAR(cell.cy, 24, 1);
    TextMetrics m;
    ASSERT_TRUE(GetTextMetrics(-16, false, &m));
    EXPECT_EQ(m.height, m.ascent + m.descent);
    EXPECT_EQ(m.height, a.cy);
    EXPECT_GT(m.xHeight, 4);
    EXPECT_LT(m.xHeight, m.ascent);
    EXPECT_GT(m.averageCharWidth, 3);
}

TEST(Text, OnlyPixelsStrictlyInsideTheRectangleChange) {
    for (PixelFormat f : {PixelFormat::RGB565, PixelFormat::RGB555, PixelFormat::XRGB8888}) {
        Canvas c(80, 40, f);
        RECT r{10, 8, 50, 22};  // too small for the text: it must be cut, not spill
        TextStyle s = Style(DT_LEFT | DT_VCENTER, RGB(250, 240, 10));
        s.height = -20;
        s.backgroundMode = OPAQUE;
        s.background = RGB(0, 0, 90);
        ASSERT_TRUE(DrawText(c.View(), r, "Quelle journée, gjpqy ÂÉÈ", s));
        int inside = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const bool in = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                if (c.Changed(x, y)) {
                    ASSERT_TRUE(in) << "pixel " << x << "," << y << " outside the rectangle changed";
                    ++inside;
                }
            }
        EXPECT_GT(inside, 100);
        // The row padding beyond each row's pixels is never written.
        for (int y = 0; y < c.height; ++y)
            for (int b = c.width * BytesPerPixel(f); b < c.pitch; ++b)
                ASSERT_EQ(c.bytes[static_cast<std::size_t>(y * c.pitch + b)], 0x5A);
    }
    // A rectangle hanging over the picture's edges draws only what lies on it.
    Canvas c(30, 12, PixelFormat::RGB565);
    ASSERT_TRUE(DrawText(c.View(), RECT{-20, -10, 60, 30}, "WWWWWWWWWWWW", Style(DT_CENTER | DT_VCENTER)));
    EXPECT_NE(c.Ink().right, 0);
    // Empty rectangle or empty text: nothing, successfully.
    Canvas d(20, 20, PixelFormat::RGB565);
    EXPECT_TRUE(DrawText(d.View(), RECT{5, 5, 5, 15}, "abc", Style(DT_LEFT)));
    EXPECT_TRUE(DrawText(d.View(), RECT{0, 0, 20, 20}, "", Style(DT_LEFT)));
    EXPECT_EQ(d.Ink().right, 0);
}

TEST(Text, AlignmentPlacesTheInkInTheRectangle) {
    const RECT r{20, 10, 180, 70};
    SIZE ext;
    ASSERT_TRUE(GetTextExtent("Menu", -16, false, &ext));
    RECT ink[3][3];
    const UINT hs[3] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    const UINT vs[3] = {DT_TOP, DT_VCENTER, DT_BOTTOM};
    for (int h = 0; h < 3; ++h)
        for (int v = 0; v < 3; ++v) {
            Canvas c(200, 80, PixelFormat::RGB565, 0);
            ASSERT_TRUE(DrawText(c.View(), r, "Menu", Style(hs[h] | vs[v])));
            ink[h][v] = c.Ink();
            ASSERT_LT(ink[h][v].left, ink[h][v].right);
        }
    // Horizontal: left starts at the edge, right ends at it, centre in the middle.
    EXPECT_LE(ink[0][0].left - r.left, 3);
    EXPECT_GE(ink[0][0].left, r.left);
    EXPECT_LE(r.right - ink[2][0].right, 3);
    EXPECT_NEAR((ink[1][0].left + ink[1][0].right) / 2.0, (r.left + r.right) / 2.0, 3.0);
    EXPECT_EQ(ink[2][0].left - ink[0][0].left, (r.right - r.left) - ext.cx);
    // Vertical: same shifts for every horizontal choice.
    EXPECT_LE(ink[0][0].top - r.top, 6);
    EXPECT_LE(r.bottom - ink[0][2].bottom, 6);
    EXPECT_NEAR((ink[0][1].top + ink[0][1].bottom) / 2.0, (r.top + r.bottom) / 2.0, 4.0);
    EXPECT_EQ(ink[0][2].top - ink[0][0].top, (r.bottom - r.top) - ext.cy);
    for (int h = 0; h < 3; ++h) EXPECT_EQ(ink[h][1].top, ink[0][1].top);
}

TEST(Text, ColoursBackgroundsAndAntiAliasing) {
    // Red text on black, transparent: fully covered pixels are exactly red,
    // edge pixels lie in between, everything else stays black.
    Canvas c(120, 40, PixelFormat::RGB565, 0);
    TextStyle s = Style(DT_LEFT | DT_TOP, RGB(255, 0, 0));
    s.height = -24;
    ASSERT_TRUE(DrawText(c.View(), RECT{0, 0, 120, 40}, "Hello", s));
    int full = 0, partial = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) {
            const std::uint32_t v = c.At(x, y);
            if (v == 0xF800) ++full;
            else if (v != 0) {
                ++partial;
                ASSERT_EQ(v & 0x07FF, 0u) << "only red is blended in";
            }
        }
    EXPECT_GT(full, 30);
    EXPECT_GT(partial, 10);

    // Opaque: the text's cell box gets the background colour; outside it stays.
    Canvas o(120, 40, PixelFormat::RGB555, 0x1111);
    s.backgroundMode = OPAQUE;
    s.background = RGB(0, 0, 255);
    s.color = RGB(255, 255, 255);
    SIZE ext;
    ASSERT_TRUE(GetTextExtent("Hi", s.height, false, &ext));
    ASSERT_TRUE(DrawText(o.View(), RECT{0, 0, 120, 40}, "Hi", s));
    EXPECT_EQ(o.At(0, 0), 0x001Fu);  // top-left of the cell, no ink there
    EXPECT_EQ(o.At(ext.cx - 1, ext.cy - 1), 0x001Fu);
    EXPECT_EQ(o.At(ext.cx + 1, 0), 0x1111u);
    EXPECT_EQ(o.At(0, ext.cy + 1), 0x1111u);
}

TEST(Text, FrenchAccentsDrawAndSingleByteTextStillShows) {
    Canvas plain(60, 30, PixelFormat::RGB565, 0), accent(60, 30, PixelFormat::RGB565, 0), latin1(60, 30, PixelFormat::RGB565, 0);
    const RECT r{0, 0, 60, 30};
    ASSERT_TRUE(DrawText(plain.View(), r, "ete", Style(DT_LEFT)));
    ASSERT_TRUE(DrawText(accent.View(), r, "été", Style(DT_LEFT)));
    ASSERT_TRUE(DrawText(latin1.View(), r, "\xE9t\xE9", Style(DT_LEFT)));
    EXPECT_LT(accent.Ink().top, plain.Ink().top);  // the accents stand above the letters
    EXPECT_EQ(accent.bytes, latin1.bytes);

    SIZE a, b;
    ASSERT_TRUE(GetTextExtent("Château", -16, false, &a));
    ASSERT_TRUE(GetTextExtent("Chateau", -16, false, &b));
    EXPECT_EQ(a.cx, b.cx);  // â has the advance of a

    std::size_t pos = 0;
    EXPECT_EQ(NextCodePoint("\xC3\xA9", &pos), U'é');
    EXPECT_EQ(pos, 2u);
    pos = 0;
    EXPECT_EQ(NextCodePoint("\x80", &pos), U'€');  // Windows-1252
    pos = 0;
    EXPECT_EQ(NextCodePoint("\xE2\x82", &pos), U'â');  // cut sequence: first byte as a character
    EXPECT_EQ(pos, 1u);
    pos = 0;
    EXPECT_EQ(NextCodePoint("\xC0\xAF", &pos), U'À');  // overlong form refused
}

TEST(Text, DrawsOnSurfacesThatCanBeLocked) {
    DirectDraw* dd = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &dd), DD_OK);
    ASSERT_EQ(dd->SetCooperativeLevel(reinterpret_cast<HWND>(std::uintptr_t{32}), DDSCL_NORMAL), DD_OK);
    DDSURFACEDESC d;
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.dwWidth = 100;
    d.dwHeight = 32;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    DirectDrawSurface* s = nullptr;
    ASSERT_EQ(dd->CreateSurface(&d, &s), DD_OK);
    DDBLTFX fx;
    fx.dwFillColor = 0;
    s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    ASSERT_TRUE(DrawText(s, RECT{0, 0, 100, 32}, "Joueur", Style(DT_CENTER | DT_VCENTER)));
    PixelView v;
    ASSERT_EQ(s->Lock(nullptr, &v, 0), DD_OK);  // the drawing unlocked it again
    int lit = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 100; ++x) {
            std::uint16_t p;
            std::memcpy(&p, static_cast<std::uint8_t*>(v.bits) + y * v.pitch + 2 * x, 2);
            lit += p != 0;
        }
    EXPECT_GT(lit, 50);
    EXPECT_FALSE(DrawText(s, RECT{0, 0, 100, 32}, "x", Style(DT_LEFT)));  // locked by us
    s->Unlock(nullptr);
    LoseAllSurfaces();
    EXPECT_FALSE(DrawText(s, RECT{0, 0, 100, 32}, "x", Style(DT_LEFT)));
    s->Release();
    dd->Release();
}

TEST(Text, MissingFontAndEightBitViewsFailClearly) {
    SetFontFiles("/nonexistent/NoSuchFont.ttf", nullptr);
    Canvas c(20, 20, PixelFormat::RGB565);
    SIZE ext;
    EXPECT_FALSE(DrawText(c.View(), RECT{0, 0, 20, 20}, "a", Style(DT_LEFT)));
    EXPECT_NE(std::string(TextError()).find("NoSuchFont.ttf"), std::string::npos);
    EXPECT_FALSE(GetTextExtent("a", -16, false, &ext));
    EXPECT_EQ(ext.cx, 0);
    TextStyle bold = Style(DT_LEFT);
    bold.bold = true;
    EXPECT_TRUE(DrawText(c.View(), RECT{0, 0, 20, 20}, "a", bold));  // the bold file is still the default
    EXPECT_STREQ(TextError(), "");
    SetFontFiles(nullptr, nullptr);
    EXPECT_TRUE(GetTextExtent("a", -16, false, &ext));

    std::uint8_t idx[16] = {};
    EXPECT_FALSE(DrawText(PixelView{idx, 4, 4, 4, PixelFormat::PAL8}, RECT{0, 0, 4, 4}, "a", Style(DT_LEFT)));
}
