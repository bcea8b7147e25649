// A view of pixels owned elsewhere: what a locked surface, a presented frame
// or a frame grab hands to code that reads or writes pixels.
#pragma once

#include <cstdint>

namespace platform {

enum class PixelFormat : std::uint8_t {
    RGB565,    // 16 bits: 5 red, 6 green, 5 blue
    RGB555,    // 16 bits: 1 unused, 5 red, 5 green, 5 blue
    XRGB8888,  // 32 bits, where a caller needs it
};

constexpr int BytesPerPixel(PixelFormat f) { return f == PixelFormat::XRGB8888 ? 4 : 2; }

struct PixelView {
    void* bits = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes from one row to the next
    PixelFormat format = PixelFormat::RGB565;
};

}  // namespace platform
