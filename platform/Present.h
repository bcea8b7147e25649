// Presentation: the finished picture goes to the screen (scaled to the
// window with its aspect kept), into numbered BMP files when LUMORA_FRAMES
// names a folder, and into a copy the screen capture can read back. Each
// presented frame moves a fixed clock on by one step.
#pragma once

#include "platform/Backend.h"
#include "platform/PixelView.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// 16-bit (5-6-5 or 5-5-5) or 32-bit views; 8-bit views are ignored.
void Present(const PixelView& frame);

// A copy of the last presented frame: storage receives the pixels, view
// describes them (same format, pitch = width * bytes per pixel). False when
// nothing has been presented yet.
bool GrabLastFrame(std::vector<std::uint8_t>& storage, PixelView& view);

// Frames presented since the start.
std::uint64_t PresentedFrameCount();

// Display modes this machine offers at 16 bits: 640 x 480 first, then the
// desktop's modes, largest first, without repeats.
std::vector<DisplayMode> EnumDisplayModes();

// The file a frame is dumped into: <folder>/frame_<number, 6 digits>.bmp,
// numbered from 1.
std::string FrameDumpPath(const std::string& folder, std::uint64_t number);

// Test hook: dump folder ("" stops dumping); read from LUMORA_FRAMES otherwise.
void SetFrameDumpFolder(const std::string& folder);

}  // namespace platform
