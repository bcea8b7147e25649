// The pictures of the objects carried in the harbour station: drawn shapes
// on white (transparent), with a thin frame like every carried object.
#include <cmath>

#include "demo/screens/Pictures.h"

namespace screens {

namespace {

void Disc(Canvas& c, float cx, float cy, float r, Rgb colour) {
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x) {
            const float dx = static_cast<float>(x) + 0.5f - cx, dy = static_cast<float>(y) + 0.5f - cy;
            if (dx * dx + dy * dy <= r * r) c.Set(x, y, colour);
        }
}

}  // namespace

Canvas HarbourObjectPicture(const std::string& code, int size) {
    Canvas c(size, size, {255, 255, 255});
    const float s = static_cast<float>(size);
    auto at = [&](float f) { return static_cast<int>(f * s); };
    if (code == "U02_01") {
        // The 100-franc note: a green-blue bill with its figure.
        c.Fill(at(0.08f), at(0.28f), at(0.92f), at(0.72f), {150, 190, 150});
        c.Frame(at(0.08f), at(0.28f), at(0.92f), at(0.72f), 1, {60, 100, 70});
        Disc(c, s * 0.5f, s * 0.5f, s * 0.12f, {90, 130, 160});
    } else if (code == "U02_07") {
        // The plank, lying across.
        c.Fill(at(0.05f), at(0.42f), at(0.95f), at(0.58f), {175, 130, 80});
        c.Fill(at(0.05f), at(0.49f), at(0.95f), at(0.51f) + 1, {130, 90, 50});
    } else if (code == "U02_10") {
        // A paper cone of chestnuts.
        for (int y = at(0.4f); y < at(0.92f); ++y) {
            const float t = (static_cast<float>(y) - s * 0.4f) / (s * 0.52f);
            const int half = static_cast<int>((1.0f - t) * s * 0.3f);
            c.Fill(size / 2 - half, y, size / 2 + half + 1, y + 1, {230, 215, 180});
        }
        for (float x : {0.32f, 0.5f, 0.68f}) Disc(c, s * x, s * 0.34f, s * 0.11f, {120, 60, 30});
    } else if (code == "U02_11") {
        // The change: three coins.
        Disc(c, s * 0.35f, s * 0.6f, s * 0.2f, {210, 180, 70});
        Disc(c, s * 0.62f, s * 0.42f, s * 0.2f, {190, 190, 195});
        Disc(c, s * 0.6f, s * 0.7f, s * 0.15f, {200, 150, 80});
    } else {
        // The ticket: a cream card with a punched hole and a printed line.
        c.Fill(at(0.15f), at(0.3f), at(0.85f), at(0.7f), {240, 205, 120});
        c.Fill(at(0.25f), at(0.45f), at(0.7f), at(0.5f) + 1, {120, 60, 40});
        Disc(c, s * 0.75f, s * 0.42f, s * 0.05f + 0.5f, {255, 255, 255});
    }
    c.Frame(0, 0, size, size, 1, {90, 60, 30});
    return c;
}

}  // namespace screens
