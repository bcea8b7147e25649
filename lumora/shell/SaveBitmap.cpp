#include "lumora/shell/SaveBitmap.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "lumora/shell/DataPath.h"
#include "lumora/shell/Report.h"
#include "platform/Bmp.h"
#include "platform/Present.h"

namespace {

// Failures of the capture tool are reported under its own name.
constexpr const char* kCaptureSource = "CaptureWnd";

void Put16(std::uint8_t* out, std::uint16_t v) {
    out[0] = static_cast<std::uint8_t>(v);
    out[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v));
    Put16(out + 2, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace

std::unique_ptr<XBitmap> CaptureWindow(platform::HWND window, int /*clientOnly*/) {
    if (!window) {
        AssertBox(kCaptureSource, __LINE__);
        return nullptr;
    }
    auto bitmap = std::make_unique<XBitmap>();
    if (!platform::GrabLastFrame(bitmap->storage, bitmap->view)) return nullptr;
    return bitmap;
}

std::vector<std::uint8_t> EncodeBitmapFile(const XBitmap& bitmap) {
    const platform::PixelView& view = bitmap.view;
    // 16-bit pictures: the platform writer's 5-5-5 layout is exactly ours.
    if (view.format == platform::PixelFormat::RGB565 || view.format == platform::PixelFormat::RGB555)
        return platform::EncodeBmp(view);
    if (view.format != platform::PixelFormat::XRGB8888) return {};
    // 32-bit pictures keep their depth (the platform writer would make 24-bit ones).
    if (!view.bits || view.width <= 0 || view.height <= 0 || view.pitch < view.width * 4) return {};
    const std::size_t rowSize = static_cast<std::size_t>(view.width) * 4;
    const std::size_t dataSize = rowSize * static_cast<std::size_t>(view.height);
    std::vector<std::uint8_t> file(54 + dataSize, 0);
    std::uint8_t* h = file.data();
    h[0] = 'B';
    h[1] = 'M';
    Put32(h + 2, static_cast<std::uint32_t>(54 + dataSize));
    Put32(h + 10, 54);
    Put32(h + 14, 40);
    Put32(h + 18, static_cast<std::uint32_t>(view.width));
    Put32(h + 22, static_cast<std::uint32_t>(view.height));
    Put16(h + 26, 1);
    Put16(h + 28, 32);
    // Compression, image size, resolutions and colour counts stay 0.
    const auto* source = static_cast<const std::uint8_t*>(view.bits);
    for (int y = 0; y < view.height; ++y) {
        const std::uint8_t* in = source + static_cast<std::size_t>(view.height - 1 - y) * view.pitch;
        std::memcpy(file.data() + 54 + static_cast<std::size_t>(y) * rowSize, in, rowSize);
    }
    return file;
}

int SaveBitmapFile(const XBitmap* bitmap, const char* path) {
    if (!bitmap || !path) {
        AssertBox(kCaptureSource, __LINE__);
        return 0;
    }
    std::vector<std::uint8_t> bytes = EncodeBitmapFile(*bitmap);
    if (bytes.empty()) {
        AssertBox(kCaptureSource, __LINE__);
        return 0;
    }
    std::string real = ResolveForWriting(path);
    std::FILE* file = std::fopen(real.c_str(), "wb");
    if (!file) {
        AssertBox(kCaptureSource, __LINE__);
        return 0;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(real.c_str());  // no half-written picture left behind
        AssertBox(kCaptureSource, __LINE__);
        return 0;
    }
    return 1;
}
