// Bitmap functions of the 2D framework: loading a picture into an off-screen
// surface, colour keys, and the pixel work of the draw modes (copy, half
// average, blend) on locked 16-bit surfaces.
#pragma once

#include <string>

#include "platform/PixelView.h"
#include "platform/Surface.h"

// Draw modes of media: a plain (keyed) copy, a half average, anything else a
// blend of m / 96 of the destination into the source.
enum { kDrawCopy = 96, kDrawHalf = 48 };
// No transparent colour.
constexpr int kNoColorKey = -1;

// RGB colour as in Win32 (0x00BBGGRR).
inline unsigned ColorRef(int r, int g, int b) {
    return static_cast<unsigned>(r & 0xFF) | (static_cast<unsigned>(g & 0xFF) << 8) |
           (static_cast<unsigned>(b & 0xFF) << 16);
}

// Where pictures may come from besides bitmap files (the bitmap archive).
// A source returns a new surface in the wanted format, or null when it does
// not hold the picture.
class LBitmapSource {
public:
    virtual ~LBitmapSource() = default;
    virtual platform::DirectDrawSurface* LoadBitmap(platform::DirectDraw* dd, const char* name,
                                                    platform::RECT* outRect) = 0;
};
void SetBitmapSource(LBitmapSource* source);

// A new off-screen surface in system memory, of a given size and format
// (null when the display object refuses it).
platform::DirectDrawSurface* CreateOffscreenSurface(platform::DirectDraw* dd, platform::PixelFormat format, int width,
                                                    int height);

// A new off-screen surface of the picture's size in the given format, from
// the bitmap source when it holds the name, otherwise from folder + name
// (resolved without regard to case). Null when it cannot be loaded.
platform::DirectDrawSurface* LoadBitmapSurface(platform::DirectDraw* dd, platform::PixelFormat format,
                                               const std::string& folder, const char* name, platform::RECT* outRect);
// Copies a decoded file into an existing surface (top-left aligned); 0 on failure.
int CopyBitmapToSurface(const std::string& path, platform::DirectDrawSurface* surface);
// The surface value of an RGB colour (COLORREF), in the surface's format.
unsigned ColorMatch(platform::DirectDrawSurface* surface, unsigned colorRef);
// Makes the colour the surface's source colour key; returns the DirectDraw result.
int SetColorKey(platform::DirectDrawSurface* surface, unsigned colorRef);

// The pixel operations of the draw modes, src and dst of the same size and
// 16-bit format; pixels equal to key (when key >= 0) are left alone.
void BlendHalf(const platform::PixelView& dst, const platform::PixelView& src, int key);
void BlendScaled(const platform::PixelView& dst, const platform::PixelView& src, int key, int mode);
