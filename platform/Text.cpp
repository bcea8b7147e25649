#include "platform/Text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

constexpr const char* kRegularFont = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
constexpr const char* kBoldFont = "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf";
constexpr int kDefaultEm = 16;
constexpr int kMaxEm = 512;
constexpr std::size_t kMaxCachedGlyphs = 4096;

struct Glyph {
    int advance = 0;
    int left = 0;  // from the pen position to the bitmap's left edge
    int top = 0;   // from the baseline up to the bitmap's top row
    int width = 0;
    int rows = 0;
    std::vector<std::uint8_t> coverage;  // rows * width, 0..255
};

struct Sized {
    int em = 0;
    int ascent = 0;
    int descent = 0;
};

class FontCache {
public:
    ~FontCache() {
        for (FT_Face f : m_faces)
            if (f) FT_Done_Face(f);
        if (m_library) FT_Done_FreeType(m_library);
    }

    std::mutex lock;
    std::string error;

    void SetFiles(const char* regular, const char* bold) {
        for (FT_Face& f : m_faces)
            if (f) FT_Done_Face(f), f = nullptr;
        m_paths[0] = regular ? regular : kRegularFont;
        m_paths[1] = bold ? bold : kBoldFont;
        m_glyphs.clear();
    }

    // The face of the style, sized for the GDI height; null with error set.
    FT_Face Face(bool bold, int height, Sized* sized) {
        FT_Face face = Load(bold);
        if (!face) return nullptr;
        int em = kDefaultEm;
        if (height < 0) {
            em = -height;
        } else if (height > 0) {
            // Cell height -> em size, through the font's ascender and descender.
            const int cell = face->ascender - face->descender;
            em = cell > 0 ? static_cast<int>((static_cast<long>(height) * face->units_per_EM + cell / 2) / cell) : height;
        }
        em = std::clamp(em, 1, kMaxEm);
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em)) != 0) {
            error = "cannot size the font";
            return nullptr;
        }
        sized->em = em;
        sized->ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
        sized->descent = static_cast<int>((-face->size->metrics.descender + 63) >> 6);
        return face;
    }

    // A rendered glyph of the face as sized by the last Face() call.
    const Glyph& GlyphOf(FT_Face face, bool bold, int em, char32_t cp) {
        const std::uint64_t key = (static_cast<std::uint64_t>(bold) << 60) | (static_cast<std::uint64_t>(em) << 32) | cp;
        auto it = m_glyphs.find(key);
        if (it != m_glyphs.end()) return it->second;
        if (m_glyphs.size() >= kMaxCachedGlyphs) m_glyphs.clear();
        Glyph g;
        if (FT_Load_Char(face, cp, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) == 0) {
            FT_GlyphSlot slot = face->glyph;
            g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
            g.left = slot->bitmap_left;
            g.top = slot->bitmap_top;
            const FT_Bitmap& bm = slot->bitmap;
            if (bm.pixel_mode == FT_PIXEL_MODE_GRAY && bm.width > 0 && bm.rows > 0) {
                g.width = static_cast<int>(bm.width);
                g.rows = static_cast<int>(bm.rows);
                g.coverage.resize(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.rows));
                const int levels = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
                for (int y = 0; y < g.rows; ++y)
                    for (int x = 0; x < g.width; ++x) {
                        unsigned v = bm.buffer[y * bm.pitch + x];
                        g.coverage[static_cast<std::size_t>(y * g.width + x)] =
                            static_cast<std::uint8_t>(levels == 255 ? v : v * 255 / static_cast<unsigned>(levels));
                    }
            }
        }
        return m_glyphs.emplace(key, std::move(g)).first->second;
    }

private:
    FT_Face Load(bool bold) {
        FT_Face& face = m_faces[bold ? 1 : 0];
        if (face) return face;
        if (!m_library && FT_Init_FreeType(&m_library) != 0) {
            m_library = nullptr;
            error = "cannot start FreeType";
            return nullptr;
        }
        const std::string& path = m_paths[bold ? 1 : 0];
        if (FT_New_Face(m_library, path.c_str(), 0, &face) != 0) {
            face = nullptr;
            error = "font not found: " + path + " (install fonts-liberation)";
            return nullptr;
        }
        return face;
    }

    FT_Library m_library = nullptr;
    FT_Face m_faces[2] = {nullptr, nullptr};
    std::string m_paths[2] = {kRegularFont, kBoldFont};
    std::unordered_map<std::uint64_t, Glyph> m_glyphs;
};

FontCache& Fonts() {
    static FontCache cache;
    return cache;
}

// Windows-1252 characters of the bytes 0x80..0x9F; the rest of the byte
// range maps to the same code points as Latin-1.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool Skipped(char32_t cp) { return cp == U'\r' || cp == U'\n'; }

// Width of a line with the face already sized.
int LineWidth(FontCache& fc, FT_Face face, bool bold, int em, std::string_view text) {
    int width = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t cp = NextCodePoint(text, &pos);
        if (Skipped(cp)) continue;
        width += fc.GlyphOf(face, bold, em, cp).advance;
    }
    return width;
}

std::uint32_t Blend(PixelFormat f, std::uint32_t dst, Rgb8 c, unsigned a) {
    Rgb8 d = UnpackRgb(f, dst);
    auto mix = [a](unsigned s, unsigned t) { return (s * a + t * (255 - a) + 127) / 255; };
    return PackRgb(f, mix(c.r, d.r), mix(c.g, d.g), mix(c.b, d.b));
}

}  // namespace

char32_t NextCodePoint(std::string_view text, std::size_t* pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const std::size_t i = *pos;
    const unsigned b0 = byte(i);
    int length = 0;
    char32_t cp = 0;
    if (b0 < 0x80) {
        *pos = i + 1;
        return b0;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) length = 2, cp = b0 & 0x1F;
    else if (b0 >= 0xE0 && b0 <= 0xEF) length = 3, cp = b0 & 0x0F;
    else if (b0 >= 0xF0 && b0 <= 0xF4) length = 4, cp = b0 & 0x07;
    bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
    for (int k = 1; valid && k < length; ++k) {
        const unsigned b = byte(i + static_cast<std::size_t>(k));
        if ((b & 0xC0) != 0x80) valid = false;
        else cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    if (valid && ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
                  (cp >= 0xD800 && cp <= 0xDFFF)))
        valid = false;
    if (valid) {
        *pos = i + static_cast<std::size_t>(length);
        return cp;
    }
    *pos = i + 1;
    return b0 < 0xA0 ? static_cast<char32_t>(kCp1252High[b0 - 0x80]) : static_cast<char32_t>(b0);
}

void SetFontFiles(const char* regular, const char* bold) {
    FontCache& fc = Fonts();
    std::lock_guard<std::mutex> guard(fc.lock);
    fc.SetFiles(regular, bold);
}

const char* TextError() {
    FontCache& fc = Fonts();
    std::lock_guard<std::mutex> guard(fc.lock);
    // The text stays valid until the next failing call replaces it.
    static std::string copy;
    copy = fc.error;
    return copy.c_str();
}

bool GetTextMetrics(int height, bool bold, TextMetrics* out) {
    if (!out) return false;
    FontCache& fc = Fonts();
    std::lock_guard<std::mutex> guard(fc.lock);
    fc.error.clear();
    Sized s;
    FT_Face face = fc.Face(bold, height, &s);
    if (!face) return false;
    out->ascent = s.ascent;
    out->descent = s.descent;
    out->height = s.ascent + s.descent;
    out->internalLeading = std::max(0, out->height - s.em);
    const Glyph& x = fc.GlyphOf(face, bold, s.em, U'x');
    out->xHeight = x.top > 0 ? x.top : (s.em + 1) / 2;
    // Average width as GDI gives it: that of the lower-case letters in proportion.
    const std::string_view letters = "abcdefghijklmnopqrstuvwxyz";
    out->averageCharWidth = (LineWidth(fc, face, bold, s.em, letters) + 13) / 26;
    return true;
}

bool GetTextExtent(std::string_view utf8, int height, bool bold, SIZE* out) {
    if (!out) return false;
    *out = SIZE{};
    FontCache& fc = Fonts();
    std::lock_guard<std::mutex> guard(fc.lock);
    fc.error.clear();
    Sized s;
    FT_Face face = fc.Face(bold, height, &s);
    if (!face) return false;
    out->cx = LineWidth(fc, face, bold, s.em, utf8);
    out->cy = s.ascent + s.descent;
    return true;
}

bool DrawText(const PixelView& view, const RECT& rect, std::string_view utf8, const TextStyle& style) {
    FontCache& fc = Fonts();
    std::lock_guard<std::mutex> guard(fc.lock);
    fc.error.clear();
    if (view.format == PixelFormat::PAL8) {
        fc.error = "text cannot be drawn on an 8-bit picture";
        return false;
    }
    Sized s;
    FT_Face face = fc.Face(style.bold, style.height, &s);
    if (!face) return false;

    // The pixels that may change: the rectangle within the view.
    const int cx0 = std::max<int>(rect.left, 0), cy0 = std::max<int>(rect.top, 0);
    const int cx1 = std::min<int>(rect.right, view.width), cy1 = std::min<int>(rect.bottom, view.height);
    if (!view.bits || cx0 >= cx1 || cy0 >= cy1 || utf8.empty()) return true;

    const int width = LineWidth(fc, face, style.bold, s.em, utf8);
    const int cell = s.ascent + s.descent;
    int x = rect.left;
    if (style.format & DT_RIGHT) x = rect.right - width;
    else if (style.format & DT_CENTER) x = rect.left + (rect.right - rect.left - width) / 2;
    int top = rect.top;
    if (style.format & DT_BOTTOM) top = rect.bottom - cell;
    else if (style.format & DT_VCENTER) top = rect.top + (rect.bottom - rect.top - cell) / 2;
    const int baseline = top + s.ascent;

    const int bpp = BytesPerPixel(view.format);
    auto* bits = static_cast<std::uint8_t*>(view.bits);
    auto pixel = [&](int px, int py) { return bits + static_cast<std::ptrdiff_t>(py) * view.pitch + px * bpp; };
    auto read = [&](int px, int py) {
        std::uint32_t v = 0;
        std::memcpy(&v, pixel(px, py), static_cast<std::size_t>(bpp));
        return v;
    };
    auto write = [&](int px, int py, std::uint32_t v) { std::memcpy(pixel(px, py), &v, static_cast<std::size_t>(bpp)); };

    if (style.backgroundMode == OPAQUE) {
        const std::uint32_t bg = PackRgb(view.format, GetRValue(style.background), GetGValue(style.background),
                                         GetBValue(style.background));
        for (int py = std::max(top, cy0); py < std::min(top + cell, cy1); ++py)
            for (int px = std::max(x, cx0); px < std::min(x + width, cx1); ++px) write(px, py, bg);
    }

    const Rgb8 colour{GetRValue(style.color), GetGValue(style.color), GetBValue(style.color)};
    const std::uint32_t solid = PackRgb(view.format, colour.r, colour.g, colour.b);
    int pen = x;
    for (std::size_t pos = 0; pos < utf8.size();) {
        char32_t cp = NextCodePoint(utf8, &pos);
        if (Skipped(cp)) continue;
        const Glyph& g = fc.GlyphOf(face, style.bold, s.em, cp);
        const int gx = pen + g.left, gy = baseline - g.top;
        for (int row = std::max(0, cy0 - gy); row < g.rows && gy + row < cy1; ++row) {
            const std::uint8_t* cov = g.coverage.data() + static_cast<std::size_t>(row * g.width);
            for (int col = std::max(0, cx0 - gx); col < g.width && gx + col < cx1; ++col) {
                const unsigned a = cov[col];
                if (a == 0) continue;
                const int px = gx + col, py = gy + row;
                write(px, py, a == 255 ? solid : Blend(view.format, read(px, py), colour, a));
            }
        }
        pen += g.advance;
        if (pen > cx1 + s.em) break;  // the rest lies right of the rectangle
    }
    return true;
}

bool DrawText(DirectDrawSurface* surface, const RECT& rect, std::string_view utf8, const TextStyle& style) {
    if (!surface) return false;
    PixelView view;
    if (FAILED(surface->Lock(nullptr, &view, DDLOCK_WAIT))) return false;
    const bool drawn = DrawText(view, rect, utf8, style);
    surface->Unlock(view.bits);
    return drawn;
}

}  // namespace platform
