// Windows bitmap files: reading 1, 4, 8, 16 (5-5-5 and bit-field 5-6-5),
// 24 and 32-bit pictures stored bottom-up or top-down (4 and 8 bits also
// run-length coded), and writing 16-bit views as 5-5-5 files and 32-bit
// views as 24-bit files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/PixelView.h"
#include "platform/Surface.h"

namespace platform {

// A decoded picture, rows top first.
struct BmpImage {
    int width = 0;
    int height = 0;
    int fileBits = 0;                 // bits per pixel of the file
    std::vector<std::uint32_t> rgb;   // 0x00RRGGBB per pixel, width * height
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB, files of 8 bits or fewer
    std::vector<std::uint8_t> index;  // palette index per pixel, files of 8 bits or fewer
};

// Largest picture accepted: anything bigger is taken for a damaged header.
constexpr int kBmpMaxSide = 16384;
constexpr std::int64_t kBmpMaxPixels = 64ll * 1024 * 1024;

// Decodes a whole file held in memory. A malformed header, pixel data that
// runs past the end, an unsupported compression or an absurd size gives false
// and, when error is given, a short English reason.
bool DecodeBmp(const void* data, std::size_t size, BmpImage* out, std::string* error = nullptr);
bool ReadBmpFile(const char* path, BmpImage* out, std::string* error = nullptr);

// Writes the picture into a view of its size or larger (top-left aligned,
// clipped to the view). Direct-colour views get converted colours; an 8-bit
// view gets the palette indices (false when the file has no palette).
bool CopyBmpToView(const BmpImage& image, const PixelView& view);

// A new off-screen surface of the picture's size in the display's format
// (or in the format asked for), holding the picture.
HRESULT CreateBmpSurface(DirectDraw* dd, const BmpImage& image, DirectDrawSurface** out, DWORD extraCaps = 0);
HRESULT LoadBmpSurface(DirectDraw* dd, const char* path, DirectDrawSurface** out, DWORD extraCaps = 0);

// Bitmap file bytes for a view: 16-bit views as 16-bit 5-5-5 (5-6-5 pixels
// converted), 32-bit views as 24-bit; 54-byte header, no colour table,
// bottom row first, rows padded to 4 bytes. Empty for 8-bit or empty views.
std::vector<std::uint8_t> EncodeBmp(const PixelView& view);
bool WriteBmpFile(const char* path, const PixelView& view);

}  // namespace platform
