// Modal message boxes. With a display the box shows over the game window,
// full screen included; without one (headless, or when the host cannot show
// it) the caption and text go to stderr and the default button answers.
#pragma once

#include "platform/Types.h"

#include <vector>

namespace platform {

int MessageBox(HWND hwnd, const char* text, const char* caption, UINT type);

// The buttons a box type shows, in order (IDOK, IDCANCEL, IDYES ...).
std::vector<int> MessageBoxButtons(UINT type);
// The button MB_DEFBUTTON2/3 designate, else the first.
int MessageBoxDefault(UINT type);

}  // namespace platform
