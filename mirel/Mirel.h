// mirel: the display configuration dialog. Mirel_Init shows the dialog of
// template 101 of the given module instance (a null instance: the library's
// own template, with driver, device and mode lists), lets the player choose
// full screen or window, driver, renderer and mode, then brings the display
// up through the step-by-step dwen exports. The library's own template and
// logo are registered under the null instance when the library is loaded.
#pragma once

#include "dwen/Dwen.h"

#define MIREL_API extern "C" __attribute__((visibility("default")))

// Control identifiers shared by both templates.
enum {
    MIREL_ID_OK = 1011,
    MIREL_ID_EXIT = 1000,
    MIREL_ID_FULLSCREEN = 1014,
    MIREL_ID_WINDOW = 1015,
    MIREL_ID_DRIVER_LIST = 1013,
    MIREL_ID_DIRECT3D = 1001,
    MIREL_ID_SCANLINE = 1006,
    MIREL_ID_DEVICE_LIST = 1004,
    MIREL_ID_MODE_LIST = 1008,
    MIREL_TEMPLATE = 101,
    MIREL_LOGO = 114,
};

struct DisplayChoice {
    int renderer;  // 0 Direct3D, 1 scanline renderer
    int width;
    int height;
    int fullScreen;
};

MIREL_API int Mirel_Init(platform::HINSTANCE instance, platform::HWND owner, DwenContext* context,
                         DisplayChoice* choice);
