#include "demo/screens/Pictures.h"

#include <algorithm>
#include <cmath>

#include "platform/Text.h"

namespace screens {

namespace {

constexpr const char* kSerifRegular = "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf";
constexpr const char* kSerifBold = "/usr/share/fonts/truetype/liberation/LiberationSerif-Bold.ttf";

// The palette every screen shares.
constexpr Rgb kWall{46, 40, 52};
constexpr Rgb kWood{132, 88, 50};
constexpr Rgb kWoodDark{84, 54, 30};
constexpr Rgb kCanvas{226, 214, 186};
constexpr Rgb kInk{58, 36, 24};
constexpr Rgb kOchre{224, 160, 64};

int Clamp8(float v) { return std::clamp(static_cast<int>(v), 0, 255); }

Rgb Scale(Rgb c, float f) {
    return {Clamp8(static_cast<float>(c.r) * f), Clamp8(static_cast<float>(c.g) * f), Clamp8(static_cast<float>(c.b) * f)};
}

Rgb Mix(Rgb a, Rgb b, float t) {
    return {Clamp8(static_cast<float>(a.r) + (static_cast<float>(b.r - a.r)) * t),
            Clamp8(static_cast<float>(a.g) + (static_cast<float>(b.g - a.g)) * t),
            Clamp8(static_cast<float>(a.b) + (static_cast<float>(b.b - a.b)) * t)};
}

// Linen: a fine weave and slow blotches.
void Linen(Canvas& c, int x0, int y0, int x1, int y1, Rgb base, unsigned seed) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float blotch = demo::TileNoise(static_cast<float>(x) / 40.0f, static_cast<float>(y) / 40.0f, 64, seed);
            const float weave = ((x & 1) ^ (y & 1)) ? 0.96f : 1.02f;
            c.Set(x, y, Scale(base, (0.92f + 0.1f * blotch) * weave));
        }
}

// Wood with grain running along the longer side.
void Wood(Canvas& c, int x0, int y0, int x1, int y1, unsigned seed) {
    const bool across = (x1 - x0) >= (y1 - y0);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float along = static_cast<float>(across ? x : y), side = static_cast<float>(across ? y : x);
            const float grain = demo::TileNoise(along / 60.0f, side / 2.5f, 256, seed);
            c.Set(x, y, Mix(kWoodDark, kWood, 0.35f + 0.65f * grain));
        }
}

// A bevel: light on top and left, dark on the bottom and right.
void Bevel(Canvas& c, int x0, int y0, int x1, int y1, int width, bool raised) {
    for (int i = 0; i < width; ++i) {
        c.Shade(x0 + i, y0 + i, x1 - i, y0 + i + 1, raised ? 1.3f : 0.65f);
        c.Shade(x0 + i, y0 + i + 1, x0 + i + 1, y1 - i, raised ? 1.3f : 0.65f);
        c.Shade(x0 + i, y1 - i - 1, x1 - i, y1 - i, raised ? 0.6f : 1.25f);
        c.Shade(x1 - i - 1, y0 + i + 1, x1 - i, y1 - i - 1, raised ? 0.6f : 1.25f);
    }
}

}  // namespace

Canvas::Canvas(int w, int h, Rgb fill) : m_W(w), m_H(h), m_Px(static_cast<std::size_t>(w) * h) {
    Fill(0, 0, w, h, fill);
}

Rgb Canvas::Get(int x, int y) const {
    const std::uint32_t v = m_Px[static_cast<std::size_t>(y) * m_W + x];
    return {static_cast<int>(v >> 16 & 0xFF), static_cast<int>(v >> 8 & 0xFF), static_cast<int>(v & 0xFF)};
}

void Canvas::Set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= m_W || y >= m_H) return;
    m_Px[static_cast<std::size_t>(y) * m_W + x] = static_cast<std::uint32_t>(Clamp8(static_cast<float>(c.r))) << 16 |
                                                  static_cast<std::uint32_t>(Clamp8(static_cast<float>(c.g))) << 8 |
                                                  static_cast<std::uint32_t>(Clamp8(static_cast<float>(c.b)));
}

void Canvas::Fill(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = std::max(0, y0); y < std::min(m_H, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(m_W, x1); ++x) Set(x, y, c);
}

void Canvas::Frame(int x0, int y0, int x1, int y1, int t, Rgb c) {
    Fill(x0, y0, x1, y0 + t, c);
    Fill(x0, y1 - t, x1, y1, c);
    Fill(x0, y0, x0 + t, y1, c);
    Fill(x1 - t, y0, x1, y1, c);
}

void Canvas::Shade(int x0, int y0, int x1, int y1, float f) {
    for (int y = std::max(0, y0); y < std::min(m_H, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(m_W, x1); ++x) Set(x, y, Scale(Get(x, y), f));
}

bool Canvas::Text(int x0, int y0, int x1, int y1, const std::string& utf8, int pixels, bool bold, bool serif, Rgb colour,
                  int align) {
    platform::PixelView view{m_Px.data(), m_W, m_H, m_W * 4, platform::PixelFormat::XRGB8888};
    platform::TextStyle style;
    style.height = -pixels;
    style.bold = bold;
    style.color = platform::RGB(static_cast<unsigned>(colour.r), static_cast<unsigned>(colour.g),
                                static_cast<unsigned>(colour.b));
    style.format = platform::DT_SINGLELINE | platform::DT_VCENTER | platform::DT_NOPREFIX |
                   (align == 1 ? platform::DT_CENTER : align == 2 ? platform::DT_RIGHT : platform::DT_LEFT);
    if (serif) platform::SetFontFiles(kSerifRegular, kSerifBold);
    const bool ok = platform::DrawText(view, platform::RECT{x0, y0, x1, y1}, utf8, style);
    if (serif) platform::SetFontFiles(nullptr, nullptr);
    return ok;
}

void Canvas::Paste(const Canvas& src, int x, int y) {
    for (int sy = 0; sy < src.m_H; ++sy)
        for (int sx = 0; sx < src.m_W; ++sx) Set(x + sx, y + sy, src.Get(sx, sy));
}

Canvas Canvas::Scaled(int w, int h) const {
    Canvas out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int sx0 = x * m_W / w, sx1 = std::max(sx0 + 1, (x + 1) * m_W / w);
            const int sy0 = y * m_H / h, sy1 = std::max(sy0 + 1, (y + 1) * m_H / h);
            int r = 0, g = 0, b = 0, n = 0;
            for (int sy = sy0; sy < sy1; ++sy)
                for (int sx = sx0; sx < sx1; ++sx) {
                    const Rgb c = Get(sx, sy);
                    r += c.r, g += c.g, b += c.b, ++n;
                }
            out.Set(x, y, {r / n, g / n, b / n});
        }
    return out;
}

Image Canvas::ToImage() const {
    Image image(m_W, m_H);
    for (int y = 0; y < m_H; ++y)
        for (int x = 0; x < m_W; ++x) {
            const Rgb c = Get(x, y);
            image.Set(x, y, c.r, c.g, c.b);
        }
    return image;
}

Canvas Backdrop(const std::string& title, int x0, int y0, int x1, int y1, unsigned seed) {
    Canvas c(640, 480);
    // The wall: a dark plaster with soft light from the top.
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const float n = demo::TileFractal(static_cast<float>(x) / 160.0f, static_cast<float>(y) / 160.0f, 4, 3, seed);
            c.Set(x, y, Scale(kWall, 0.8f + 0.35f * n + 0.25f * (1.0f - static_cast<float>(y) / 480.0f)));
        }
    // The stretcher shows as a wooden border round the canvas.
    constexpr int kBar = 10;
    Wood(c, x0 - kBar, y0 - kBar, x1 + kBar, y0, seed + 1);
    Wood(c, x0 - kBar, y1, x1 + kBar, y1 + kBar, seed + 2);
    Wood(c, x0 - kBar, y0, x0, y1, seed + 3);
    Wood(c, x1, y0, x1 + kBar, y1, seed + 4);
    Bevel(c, x0 - kBar, y0 - kBar, x1 + kBar, y1 + kBar, 2, true);
    Linen(c, x0, y0, x1, y1, kCanvas, seed + 5);
    Bevel(c, x0, y0, x1, y1, 2, false);
    if (!title.empty()) {
        c.Text(x0, y0 + 8, x1, y0 + 56, title, 34, true, true, kInk);
        // A brush stroke under the title.
        for (int x = x0 + 60; x < x1 - 60; ++x) {
            const float t = static_cast<float>(x - x0 - 60) / static_cast<float>(x1 - x0 - 120);
            const int thick = static_cast<int>(3.0f * std::sin(t * 3.14159f)) + 1;
            for (int d = 0; d < thick; ++d) c.Set(x, y0 + 58 + d, kOchre);
        }
    }
    return c;
}

Canvas Panel(int w, int h, const std::string& title, unsigned seed) {
    Canvas c(w, h);
    Wood(c, 0, 0, w, h, seed);
    Bevel(c, 0, 0, w, h, 2, true);
    Linen(c, 10, 10, w - 10, h - 10, kCanvas, seed + 1);
    Bevel(c, 10, 10, w - 10, h - 10, 2, false);
    if (!title.empty()) c.Text(10, 18, w - 10, 62, title, 26, true, true, kInk);
    return c;
}

Canvas Button(int w, int h, const std::string& label, ButtonLook look) {
    Canvas c(w, h, {0, 0, 0});
    switch (look) {
        case ButtonLook::Normal:
            Linen(c, 0, 0, w, h, {206, 190, 158}, 11);
            c.Frame(0, 0, w, h, 1, kWoodDark);
            Bevel(c, 1, 1, w - 1, h - 1, 2, true);
            c.Text(4, 0, w - 4, h, label, 17, false, false, kInk);
            break;
        case ButtonLook::Highlighted:
            Linen(c, 0, 0, w, h, kOchre, 12);
            c.Frame(0, 0, w, h, 3, kInk);
            // Brush marks at both ends show which button the pointer is on.
            c.Fill(10, h / 2 - 3, 22, h / 2 + 3, kInk);
            c.Fill(w - 22, h / 2 - 3, w - 10, h / 2 + 3, kInk);
            c.Text(4, 0, w - 4, h, label, 17, true, false, {30, 16, 8});
            break;
        case ButtonLook::Disabled:
            c.Fill(0, 0, w, h, {112, 108, 104});
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    if ((x + y) % 6 == 0) c.Set(x, y, {96, 92, 90});
            c.Frame(0, 0, w, h, 1, {80, 78, 76});
            c.Text(4, 0, w - 4, h, label, 17, false, false, {178, 174, 166});
            break;
    }
    return c;
}

void Well(Canvas& c, int x0, int y0, int x1, int y1, Rgb inside) {
    c.Fill(x0 - 3, y0 - 3, x1 + 3, y1 + 3, kWoodDark);
    Bevel(c, x0 - 3, y0 - 3, x1 + 3, y1 + 3, 2, false);
    c.Fill(x0, y0, x1, y1, inside);
}

void SliderTrack(Canvas& c, int x0, int y0, int x1, int y1, int zone) {
    const int mid = (y0 + y1) / 2;
    c.Fill(x0 + zone, mid - 3, x1 - zone, mid + 3, kWoodDark);
    Bevel(c, x0 + zone, mid - 3, x1 - zone, mid + 3, 1, false);
    // The minus and plus zones at the ends.
    for (int end = 0; end < 2; ++end) {
        const int zx0 = end ? x1 - zone : x0, zx1 = end ? x1 : x0 + zone;
        c.Fill(zx0 + 2, y0 + 2, zx1 - 2, y1 - 2, {206, 190, 158});
        c.Frame(zx0 + 2, y0 + 2, zx1 - 2, y1 - 2, 1, kWoodDark);
        const int cx = (zx0 + zx1) / 2;
        c.Fill(cx - 6, mid - 1, cx + 6, mid + 2, kInk);
        if (end) c.Fill(cx - 1, mid - 6, cx + 2, mid + 7, kInk);
    }
}

Canvas SliderThumb(int w, int h) {
    Canvas c(w, h);
    Wood(c, 0, 0, w, h, 21);
    c.Frame(0, 0, w, h, 1, kInk);
    Bevel(c, 1, 1, w - 1, h - 1, 2, true);
    c.Fill(w / 2 - 1, 5, w / 2 + 1, h - 5, kOchre);
    return c;
}

Canvas ScrollBar(int w, int h) {
    Canvas c(w, h);
    Wood(c, 0, 0, w, h, 31);
    Bevel(c, 0, 0, w, h, 2, true);
    // Arrow zones: a triangle at each end.
    for (int i = 0; i < 9; ++i) {
        c.Fill(w / 2 - i, 8 + i, w / 2 + i + 1, 9 + i, kCanvas);
        c.Fill(w / 2 - i, h - 9 - i, w / 2 + i + 1, h - 8 - i, kCanvas);
    }
    c.Fill(w / 2 - 2, 24, w / 2 + 2, h - 24, kWoodDark);
    return c;
}

Canvas ScrollThumb(int w, int h) {
    Canvas c(w, h);
    Linen(c, 0, 0, w, h, kOchre, 41);
    c.Frame(0, 0, w, h, 1, kInk);
    Bevel(c, 1, 1, w - 1, h - 1, 2, true);
    return c;
}

Canvas Cursor(const std::string& kind) {
    // White is the cursor manager's transparent colour; no other pixel may become white in 5-6-5.
    Canvas c(20, 20, {255, 255, 255});
    constexpr Rgb kOutline{20, 16, 12};
    const Rgb fill = kind == "wait" ? Rgb{200, 170, 90} : kind == "voice" ? Rgb{150, 200, 235}
                     : kind == "take" || kind == "click" ? Rgb{232, 196, 160} : kind == "use" ? Rgb{180, 200, 120}
                                                                                              : Rgb{235, 230, 216};
    auto disc = [&](float cx, float cy, float r, Rgb col) {
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                const float dx = static_cast<float>(x) - cx, dy = static_cast<float>(y) - cy;
                if (dx * dx + dy * dy <= r * r) c.Set(x, y, col);
            }
    };
    if (kind == "arrow") {
        // Tip at (0, 0).
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x <= y * 2 / 3; ++x) c.Set(x, y, (x == 0 || x == y * 2 / 3 || y == 15) ? kOutline : fill);
        for (int y = 11; y < 19; ++y) {
            const int x = 3 + (y - 11) / 2;
            c.Fill(x, y, x + 3, y + 1, kOutline);
            c.Set(x + 1, y, fill);
        }
    } else if (kind == "wait") {
        // An hourglass, top centre at (9, 2).
        c.Fill(3, 1, 16, 3, kOutline);
        c.Fill(3, 17, 16, 19, kOutline);
        for (int y = 3; y < 17; ++y) {
            const int half = std::abs(y - 10) * 5 / 7 + 1;
            c.Fill(9 - half, y, 10 + half, y + 1, kOutline);
            c.Fill(10 - half, y, 9 + half, y + 1, y > 10 ? fill : Rgb{235, 230, 216});
        }
    } else if (kind == "click" || kind == "take") {
        // A hand: pointing finger at (9, 2), or an open hand reaching at (10, 4).
        if (kind == "click") {
            c.Fill(7, 1, 12, 12, kOutline);
            c.Fill(8, 2, 11, 12, fill);
        } else {
            for (int f = 0; f < 4; ++f) {
                c.Fill(3 + f * 4, 3 + (f == 0 || f == 3), 7 + f * 4, 12, kOutline);
                c.Fill(4 + f * 4, 4 + (f == 0 || f == 3), 6 + f * 4, 12, fill);
            }
        }
        c.Fill(3, 10, 17, 19, kOutline);
        c.Fill(4, 11, 16, 18, fill);
    } else if (kind == "voice") {
        // A speech bubble centred on (10, 10).
        disc(10, 9, 8.5f, kOutline);
        disc(10, 9, 7.0f, fill);
        c.Fill(5, 15, 8, 19, kOutline);
        for (int x = 6; x < 15; x += 3) c.Fill(x, 8, x + 2, 10, kOutline);
    } else if (kind == "use") {
        // A cog centred on (10, 10).
        for (int t = 0; t < 8; ++t) {
            const float a = static_cast<float>(t) * 0.785398f;
            disc(10.0f + 7.5f * std::cos(a), 10.0f + 7.5f * std::sin(a), 2.2f, kOutline);
        }
        disc(10, 10, 7.0f, kOutline);
        disc(10, 10, 5.5f, fill);
        disc(10, 10, 2.0f, kOutline);
    } else {
        // Magnifier: a lens centred on (10, 10) and an arrow towards its direction.
        disc(10, 10, 6.5f, kOutline);
        disc(10, 10, 5.0f, {170, 210, 235});
        int dx = 0, dy = 0;
        for (char ch : kind) {
            if (ch == 'D') dx = 1;
            if (ch == 'G') dx = -1;
            if (ch == 'H') dy = -1;
            if (ch == 'B') dy = 1;
        }
        // An arrow head at the rim, widest nearest the lens.
        for (int s = 5; s < 10; ++s)
            for (int k = -(9 - s); k <= 9 - s; ++k) {
                const int ax = 10 + dx * s - dy * k, ay = 10 + dy * s + dx * k;
                c.Set(ax, ay, {180, 30, 20});
                if (dx && dy) c.Set(ax + dx, ay, {180, 30, 20});
            }
    }
    return c;
}

Canvas InventoryStrip() {
    Canvas c(640, 60);
    Wood(c, 0, 0, 640, 60, 51);
    Bevel(c, 0, 0, 640, 60, 2, true);
    // Arrows: towards earlier objects, then towards later ones.
    for (int arrow = 0; arrow < 2; ++arrow) {
        const int x0 = arrow ? 78 : 14;
        c.Fill(x0, 10, x0 + 50, 50, {206, 190, 158});
        Bevel(c, x0, 10, x0 + 50, 50, 2, true);
        for (int i = 0; i < 14; ++i) {
            const int x = arrow ? x0 + 16 + i : x0 + 34 - i;
            c.Fill(x, 30 - (13 - i), x + 1, 31 + (13 - i), kInk);
        }
    }
    // Seven slots where the objects sit.
    for (int i = 0; i < 7; ++i) {
        const int x = 156 + 70 * i;
        c.Fill(x - 2, 3, x + 53, 57, kWoodDark);
        Linen(c, x, 5, x + 51, 56, {196, 180, 150}, 61 + static_cast<unsigned>(i));
        Bevel(c, x - 2, 3, x + 53, 57, 2, false);
    }
    return c;
}

namespace {

// Palettes of the painting groups: sky top, sky low, far hills, near hills, ground, accent.
struct Palette {
    Rgb skyTop, skyLow, far, near, ground, accent;
};

Palette PaletteOf(const std::string& code, unsigned seed) {
    static const Palette kGroups[] = {
        {{70, 90, 150}, {236, 180, 110}, {120, 100, 130}, {150, 110, 60}, {190, 150, 80}, {70, 110, 80}},   // evening, ochre
        {{110, 150, 200}, {220, 220, 200}, {110, 140, 160}, {90, 130, 70}, {150, 170, 80}, {190, 60, 50}},  // morning, fields
        {{90, 160, 210}, {200, 230, 220}, {80, 140, 110}, {50, 110, 60}, {70, 130, 150}, {200, 60, 60}},    // garden, water
        {{40, 50, 100}, {200, 120, 130}, {90, 70, 110}, {60, 60, 90}, {110, 90, 110}, {240, 200, 90}},      // dusk, town
    };
    const int group = std::clamp(code.size() >= 3 ? code[2] - '1' : 0, 0, 3);
    Palette p = kGroups[group];
    // Each painting shifts its palette a little.
    const float shift = 0.85f + 0.3f * static_cast<float>(seed % 7) / 6.0f;
    p.near = Scale(p.near, shift);
    p.far = Scale(p.far, 2.0f - shift);
    return p;
}

}  // namespace

Canvas Painting(const std::string& code, int w, int h) {
    unsigned seed = 2166136261u;
    for (char ch : code) seed = (seed ^ static_cast<unsigned char>(ch)) * 16777619u;
    seed %= 100000u;
    const Palette p = PaletteOf(code, seed);
    Canvas c(w, h);
    const float fw = static_cast<float>(w), fh = static_cast<float>(h);
    // Horizon lines of the far and near hills, per column.
    std::vector<float> far(static_cast<std::size_t>(w)), near(static_cast<std::size_t>(w));
    const float farBase = 0.45f + 0.1f * static_cast<float>(seed % 5) / 4.0f;
    for (int x = 0; x < w; ++x) {
        const float u = static_cast<float>(x) / fw;
        far[static_cast<std::size_t>(x)] = fh * (farBase - 0.16f * demo::TileFractal(u * 3.0f, 0.5f, 3, 4, seed));
        near[static_cast<std::size_t>(x)] = fh * (farBase + 0.12f - 0.14f * demo::TileFractal(u * 2.0f, 2.5f, 2, 3, seed + 1));
    }
    const bool water = seed % 3 == 0;
    const float sunX = fw * (0.2f + 0.6f * static_cast<float>(seed % 11) / 10.0f), sunY = fh * 0.2f, sunR = fh * 0.06f;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float u = static_cast<float>(x) / fw, v = static_cast<float>(y) / fh;
            const float fy = static_cast<float>(y);
            Rgb col;
            if (fy < far[static_cast<std::size_t>(x)]) {
                col = Mix(p.skyTop, p.skyLow, std::min(1.0f, v / farBase));
                const float dx = static_cast<float>(x) - sunX, dy = fy - sunY;
                const float d = std::sqrt(dx * dx + dy * dy);
                if (d < sunR) col = Mix(col, {250, 236, 190}, 0.9f);
                else if (d < sunR * 3.0f) col = Mix(col, {250, 236, 190}, 0.3f * (1.0f - d / (sunR * 3.0f)));
                // Clouds.
                const float cloud = demo::TileFractal(u * 4.0f, v * 10.0f, 4, 3, seed + 7);
                if (cloud > 0.6f) col = Mix(col, {236, 232, 226}, (cloud - 0.6f) * 1.8f);
            } else if (fy < near[static_cast<std::size_t>(x)]) {
                col = Mix(p.far, p.skyLow, 0.25f);
            } else if (water && v > 0.8f) {
                // Water mirrors the sky with ripples.
                const float ripple = demo::TileNoise(u * 40.0f, v * 200.0f, 40, seed + 9);
                col = Mix(p.ground, p.skyLow, 0.45f + 0.3f * ripple);
            } else {
                const float field = demo::TileFractal(u * 6.0f, v * 6.0f, 6, 2, seed + 3);
                col = Mix(p.near, p.ground, std::clamp((v - farBase) * 2.0f + field * 0.5f, 0.0f, 1.0f));
            }
            // Dabs of the accent colour: flowers, roofs, a coat.
            const float dab = demo::TileNoise(u * 60.0f, v * 45.0f, 60, seed + 11);
            if (fy > near[static_cast<std::size_t>(x)] && dab > 0.86f) col = Mix(col, p.accent, 0.8f);
            // Brush strokes run across; a canvas weave sits on top.
            const float stroke = demo::TileNoise(u * 16.0f + v * 4.0f, v * 90.0f, 16, seed + 5);
            const float weave = ((x & 1) ^ (y & 1)) ? 0.97f : 1.03f;
            c.Set(x, y, Scale(col, (0.86f + 0.24f * stroke) * weave));
        }
    // A few dark trees stand on the near hills.
    const int trees = 3 + static_cast<int>(seed % 4);
    for (int t = 0; t < trees; ++t) {
        const int tx = static_cast<int>(fw * (0.1f + 0.8f * demo::TileNoise(static_cast<float>(t) * 1.7f, 0.3f, 16, seed + 13)));
        const int base = static_cast<int>(near[static_cast<std::size_t>(std::clamp(tx, 0, w - 1))]) + h / 40;
        const int th = h / 6 + (t * 37 % (h / 10 + 1));
        const int tw = th / 3;
        for (int y = base - th; y < base; ++y)
            for (int x = tx - tw; x <= tx + tw; ++x) {
                const float dy = static_cast<float>(y - (base - th * 2 / 3)), dx = static_cast<float>(x - tx);
                const float r = static_cast<float>(tw);
                if (dx * dx / (r * r) + dy * dy / (r * r * 2.2f) <= 1.0f) c.Set(x, y, Scale(Mix(p.near, {20, 40, 20}, 0.6f), 0.8f + 0.3f * demo::TileNoise(static_cast<float>(x) / 4.0f, static_cast<float>(y) / 4.0f, 256, seed)));
            }
        c.Fill(tx - tw / 8, base - th / 3, tx + tw / 8 + 1, base, {60, 40, 24});
    }
    return c;
}

Canvas HungPainting(const Canvas& painting, int x0, int y0, int x1, int y1, const std::string& caption) {
    Canvas c(640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const float n = demo::TileFractal(static_cast<float>(x) / 160.0f, static_cast<float>(y) / 160.0f, 4, 3, 77);
            c.Set(x, y, Scale({120, 40, 44}, 0.7f + 0.3f * n));
        }
    // A gilded frame.
    constexpr int kFrame = 14;
    c.Fill(x0 - kFrame, y0 - kFrame, x1 + kFrame, y1 + kFrame, {196, 152, 60});
    Bevel(c, x0 - kFrame, y0 - kFrame, x1 + kFrame, y1 + kFrame, 4, true);
    Bevel(c, x0 - 4, y0 - 4, x1 + 4, y1 + 4, 3, false);
    c.Paste(painting.Scaled(x1 - x0, y1 - y0), x0, y0);
    if (!caption.empty()) c.Text(0, y1 + kFrame + 2, 640, y1 + kFrame + 26, caption, 16, false, true, {236, 222, 196});
    return c;
}

}  // namespace screens
