// The game's own configuration dialog, template 101 with its picture 151:
// only full screen or window, the rest is the library's default choice. The
// game registers it under its module instance at start-up (it stands for the
// game's resources) and passes that instance to Mirel_Init.
#pragma once

#include <cmath>
#include <cstdint>

#include "mirel/Mirel.h"
#include "platform/Dialog.h"

enum { MIREL_GAME_PICTURE = 151 };

// A small painting of 200 x 185 pixels in 256 colours: sky, sun, hills and a lake.
inline platform::DialogBitmap MirelGamePicture() {
    return platform::PaintDialogBitmap(200, 185, 8, [](int x, int y) {
        int r = 250 - y, g = 170 - y / 2, bl = 90 + y / 2;  // evening sky
        if (std::hypot(x - 140.0, y - 60.0) < 22) r = 255, g = 220, bl = 120;
        const double hill = 110 + 18 * std::sin(x / 23.0) + 8 * std::sin(x / 7.0);
        if (y > hill) r = 60 + (y - 110) / 3, g = 90 + (x % 17) / 2, bl = 50;
        if (y > 150) r = 40, g = 70 + 10 * ((x / 9 + y / 4) % 2), bl = 130 + (y - 150);
        // 3-3-2 levels, as a 256-colour picture holds them.
        return static_cast<uint32_t>(r & 0xE0) << 16 | static_cast<uint32_t>(g & 0xE0) << 8 |
               static_cast<uint32_t>(bl & 0xC0);
    });
}

inline void MirelRegisterGameTemplate(platform::HINSTANCE instance) {
    using K = platform::DialogControlKind;
    platform::DialogTemplate t;
    t.width = 145;
    t.height = 180;
    t.controls = {
        {K::Frame, -1, "", 5, 5, 137, 118, 0, 0},
        {K::Picture, -1, "", 7, 7, 133, 114, MIREL_GAME_PICTURE, 0},
        {K::GroupBox, -1, "Mode", 5, 126, 135, 30, 0, 0},
        {K::AutoRadioButton, MIREL_ID_FULLSCREEN, "Plein écran", 12, 137, 60, 10, 0, 1},
        {K::AutoRadioButton, MIREL_ID_WINDOW, "Fenêtre", 78, 137, 60, 10, 0, 1},
        {K::DefPushButton, MIREL_ID_OK, "OK", 15, 160, 50, 14, 0, 0},
        {K::PushButton, MIREL_ID_EXIT, "Quitter", 80, 160, 50, 14, 0, 0},
    };
    platform::RegisterDialogTemplate(instance, MIREL_TEMPLATE, t);
    platform::RegisterDialogBitmap(instance, MIREL_GAME_PICTURE, MirelGamePicture());
}
