#include "lumora/framework/Bitmaps.h"

#include <algorithm>

#include "platform/Bmp.h"
#include "platform/Files.h"

using namespace platform;

namespace {

LBitmapSource* g_BitmapSource = nullptr;

std::uint16_t* Row(const PixelView& v, int y) {
    return reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(v.bits) + static_cast<std::ptrdiff_t>(y) * v.pitch);
}

}  // namespace

DirectDrawSurface* CreateOffscreenSurface(DirectDraw* dd, PixelFormat format, int width, int height) {
    DDSURFACEDESC desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    desc.ddpfPixelFormat = PixelFormatDesc(format);
    DirectDrawSurface* s = nullptr;
    if (!dd || FAILED(dd->CreateSurface(&desc, &s))) return nullptr;
    return s;
}

namespace {

bool CopyImage(const BmpImage& image, DirectDrawSurface* surface) {
    PixelView view;
    if (FAILED(surface->Lock(nullptr, &view, DDLOCK_WAIT))) return false;
    bool ok = CopyBmpToView(image, view);
    surface->Unlock(view.bits);
    return ok;
}

}  // namespace

void SetBitmapSource(LBitmapSource* source) { g_BitmapSource = source; }

DirectDrawSurface* LoadBitmapSurface(DirectDraw* dd, PixelFormat format, const std::string& folder, const char* name,
                                     RECT* outRect) {
    if (outRect) *outRect = RECT{0, 0, 0, 0};
    if (!dd || !name || !*name) return nullptr;
    if (g_BitmapSource) {
        if (DirectDrawSurface* s = g_BitmapSource->LoadBitmap(dd, name, outRect)) return s;
    }
    BmpImage image;
    std::string path = ResolvePath(folder, name);
    if (path.empty() || !ReadBmpFile(path.c_str(), &image)) return nullptr;
    DirectDrawSurface* s = CreateOffscreenSurface(dd, format, image.width, image.height);
    if (!s) return nullptr;
    if (!CopyImage(image, s)) {
        s->Release();
        return nullptr;
    }
    if (outRect) *outRect = RECT{0, 0, image.width, image.height};
    return s;
}

int CopyBitmapToSurface(const std::string& path, DirectDrawSurface* surface) {
    BmpImage image;
    if (!surface || path.empty() || !ReadBmpFile(path.c_str(), &image)) return 0;
    return CopyImage(image, surface) ? 1 : 0;
}

unsigned ColorMatch(DirectDrawSurface* surface, unsigned colorRef) {
    const unsigned r = colorRef & 0xFF, g = (colorRef >> 8) & 0xFF, b = (colorRef >> 16) & 0xFF;
    return PackRgb(surface ? surface->Format() : PixelFormat::RGB565, r, g, b);
}

int SetColorKey(DirectDrawSurface* surface, unsigned colorRef) {
    if (!surface) return DDERR_INVALIDPARAMS;
    DDCOLORKEY key;
    key.dwColorSpaceLowValue = key.dwColorSpaceHighValue = ColorMatch(surface, colorRef);
    return surface->SetColorKey(DDCKEY_SRCBLT, &key);
}

void BlendHalf(const PixelView& dst, const PixelView& src, int key) {
    const std::uint16_t mask = dst.format == PixelFormat::RGB555 ? 0x7DEF : 0x7BEF;
    const int w = std::min(dst.width, src.width), h = std::min(dst.height, src.height);
    for (int y = 0; y < h; ++y) {
        std::uint16_t* d = Row(dst, y);
        const std::uint16_t* s = Row(src, y);
        for (int x = 0; x < w; ++x) {
            if (key >= 0 && s[x] == key) continue;
            d[x] = static_cast<std::uint16_t>(((s[x] >> 1) & mask) + ((d[x] >> 1) & mask));
        }
    }
}

void BlendScaled(const PixelView& dst, const PixelView& src, int key, int mode) {
    const bool is555 = dst.format == PixelFormat::RGB555;
    const int greenBits = is555 ? 5 : 6, redShift = is555 ? 10 : 11;
    const int maxG = (1 << greenBits) - 1;
    const int w = std::min(dst.width, src.width), h = std::min(dst.height, src.height);
    // destination = source + m / 96 * (destination - source), each channel
    // kept inside its range whatever the mode.
    auto mix = [mode](int s, int d, int max) { return std::clamp(s + mode * (d - s) / 96, 0, max); };
    for (int y = 0; y < h; ++y) {
        std::uint16_t* d = Row(dst, y);
        const std::uint16_t* s = Row(src, y);
        for (int x = 0; x < w; ++x) {
            if (key >= 0 && s[x] == key) continue;
            const int sr = (s[x] >> redShift) & 31, sg = (s[x] >> 5) & maxG, sb = s[x] & 31;
            const int dr = (d[x] >> redShift) & 31, dg = (d[x] >> 5) & maxG, db = d[x] & 31;
            d[x] = static_cast<std::uint16_t>((mix(sr, dr, 31) << redShift) | (mix(sg, dg, maxG) << 5) | mix(sb, db, 31));
        }
    }
}
