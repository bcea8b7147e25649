// Window grabs and the bitmap file writer of the capture tool.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/PixelView.h"
#include "platform/Types.h"

// A grabbed picture: the pixels and their view (owned copy).
struct XBitmap {
    std::vector<std::uint8_t> storage;
    platform::PixelView view;
};

// The window's picture as last presented, or null (no frame presented yet,
// or a null window, which also brings an assertion box). `clientOnly` 0 asks
// for the frame too; the game's window has none, so both give the client area.
std::unique_ptr<XBitmap> CaptureWindow(platform::HWND window, int clientOnly);

// Writes the bitmap as an uncompressed bottom-up Windows bitmap with a
// 54-byte header and no colour table: 16-bit pictures as 5-5-5 pixels,
// 32-bit pictures as 32-bit pixels. Returns 1 when the file was written;
// 0 (after an assertion box) for a null bitmap or path, a format it cannot
// write, or a file that cannot be created or written.
int SaveBitmapFile(const XBitmap* bitmap, const char* path);

// The file's bytes for a bitmap, or empty when its format cannot be written.
std::vector<std::uint8_t> EncodeBitmapFile(const XBitmap& bitmap);
