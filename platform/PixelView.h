// A view of pixels owned elsewhere: what a locked surface, a presented frame
// or a frame grab hands to code that reads or writes pixels.
#pragma once

#include <cstdint>

namespace platform {

enum class PixelFormat : std::uint8_t {
    RGB565,    // 16 bits: 5 red, 6 green, 5 blue
    RGB555,    // 16 bits: 1 unused, 5 red, 5 green, 5 blue
    XRGB8888,  // 32 bits, where a caller needs it
    PAL8,      // 8 bits, indexes into a palette (texture surfaces only; never presented)
};

constexpr int BytesPerPixel(PixelFormat f) {
    return f == PixelFormat::XRGB8888 ? 4 : f == PixelFormat::PAL8 ? 1 : 2;
}

struct PixelView {
    void* bits = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes from one row to the next
    PixelFormat format = PixelFormat::RGB565;
};

// Colour conversions shared by surfaces, bitmaps, text and presentation.
// Narrowing keeps the top bits; widening replicates them so that full
// intensity stays full (31 -> 255, not 248).
constexpr std::uint16_t Rgb888To565(unsigned r, unsigned g, unsigned b) {
    return static_cast<std::uint16_t>(((r & 0xF8u) << 8) | ((g & 0xFCu) << 3) | ((b & 0xFFu) >> 3));
}
constexpr std::uint16_t Rgb888To555(unsigned r, unsigned g, unsigned b) {
    return static_cast<std::uint16_t>(((r & 0xF8u) << 7) | ((g & 0xF8u) << 2) | ((b & 0xFFu) >> 3));
}
constexpr std::uint8_t Expand5(unsigned v) { return static_cast<std::uint8_t>(((v & 31u) << 3) | ((v & 31u) >> 2)); }
constexpr std::uint8_t Expand6(unsigned v) { return static_cast<std::uint8_t>(((v & 63u) << 2) | ((v & 63u) >> 4)); }

struct Rgb8 {
    std::uint8_t r = 0, g = 0, b = 0;
};

constexpr Rgb8 Rgb565To888(std::uint16_t v) { return {Expand5(v >> 11), Expand6(v >> 5), Expand5(v)}; }
constexpr Rgb8 Rgb555To888(std::uint16_t v) { return {Expand5(v >> 10), Expand5(v >> 5), Expand5(v)}; }
constexpr std::uint16_t Rgb565To555(std::uint16_t v) {
    return static_cast<std::uint16_t>(((v >> 1) & 0x7FE0u) | (v & 0x1Fu));
}
constexpr std::uint16_t Rgb555To565(std::uint16_t v) {
    // The new low green bit copies the top one, so 5-bit full green becomes 6-bit full green.
    return static_cast<std::uint16_t>(((v & 0x7FE0u) << 1) | ((v >> 4) & 0x20u) | (v & 0x1Fu));
}

// The pixel value of an RGB colour in a direct-colour format (0 for PAL8).
constexpr std::uint32_t PackRgb(PixelFormat f, unsigned r, unsigned g, unsigned b) {
    switch (f) {
        case PixelFormat::RGB565: return Rgb888To565(r, g, b);
        case PixelFormat::RGB555: return Rgb888To555(r, g, b);
        case PixelFormat::XRGB8888: return ((r & 0xFFu) << 16) | ((g & 0xFFu) << 8) | (b & 0xFFu);
        case PixelFormat::PAL8: return 0;
    }
    return 0;
}

// The RGB colour of a pixel value in a direct-colour format (black for PAL8).
constexpr Rgb8 UnpackRgb(PixelFormat f, std::uint32_t v) {
    switch (f) {
        case PixelFormat::RGB565: return Rgb565To888(static_cast<std::uint16_t>(v));
        case PixelFormat::RGB555: return Rgb555To888(static_cast<std::uint16_t>(v));
        case PixelFormat::XRGB8888:
            return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
        case PixelFormat::PAL8: return {};
    }
    return {};
}

}  // namespace platform
