// Bitmaps blitted onto the back buffer at positions given in a reference
// screen size, and fades of the back buffer towards black.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "dwen/Internal.h"

using namespace platform;
using namespace dwen;

namespace {

enum class Layout { Bits32, Rgb565, Rgb555 };

Layout DisplayLayout(const DwenContext* c) {
    if (c->frontPixelFormat.dwRGBBitCount == 32) return Layout::Bits32;
    return c->frontPixelFormat.dwRBitMask == 0xF800 ? Layout::Rgb565 : Layout::Rgb555;
}

// Copies the kept 5-5-5 source into the bitmap's surface in the display's format.
bool FillBitmap(DwenContext* c, DwenBitmap* b) {
    PixelView view;
    if (HRESULT hr = b->surface->Lock(nullptr, &view, DDLOCK_WAIT | DDLOCK_WRITEONLY); FAILED(hr)) {
        SetErrorResult(c, hr);
        return false;
    }
    const Layout layout = DisplayLayout(c);
    for (int y = 0; y < b->height; ++y) {
        const uint16_t* src = b->source + static_cast<size_t>(y) * static_cast<size_t>(b->width);
        auto* row = static_cast<uint8_t*>(view.bits) + static_cast<ptrdiff_t>(y) * view.pitch;
        for (int x = 0; x < b->width; ++x) {
            const uint16_t v = src[x];
            if (layout == Layout::Bits32) {
                const uint32_t p = ((v >> 7) & 0xF8u) << 16 | ((v >> 2) & 0xF8u) << 8 | (v & 0x1Fu) << 3;
                std::memcpy(row + 4 * x, &p, 4);
            } else {
                const uint16_t p = layout == Layout::Rgb565 ? static_cast<uint16_t>(((v & 0x7FE0u) << 1) | (v & 0x1Fu)) : v;
                std::memcpy(row + 2 * x, &p, 2);
            }
        }
    }
    b->surface->Unlock(view.bits);
    return true;
}

void ApplyBitmapKey(DwenContext* c, DwenBitmap* b) {
    const unsigned r = b->keyRed, g = b->keyGreen, bl = b->keyBlue;
    DDCOLORKEY key;
    switch (DisplayLayout(c)) {
        // The bitmap's channels keep five bits: so does the key, or it would never match.
        case Layout::Bits32: key.dwColorSpaceLowValue = ((r & 0xF8) << 16) | ((g & 0xF8) << 8) | (bl & 0xF8); break;
        case Layout::Rgb565: key.dwColorSpaceLowValue = ((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (bl >> 3); break;
        case Layout::Rgb555: key.dwColorSpaceLowValue = ((r & 0xF8) << 7) | ((g & 0xF8) << 2) | (bl >> 3); break;
    }
    key.dwColorSpaceHighValue = key.dwColorSpaceLowValue;
    b->surface->SetColorKey(DDCKEY_SRCBLT, &key);
    b->blitFlags = DDBLT_KEYSRC;
}

bool Listed(const DwenContext* c, const DwenBitmap* b) {
    for (const DwenBitmap* p = c->bitmapHead; p; p = p->older)
        if (p == b) return true;
    return false;
}

// A lost bitmap is refilled before it is drawn.
bool Ready(DwenContext* c, DwenBitmap* b) {
    if (!b->surface) return false;
    if (SUCCEEDED(b->surface->IsLost())) return true;
    if (FAILED(b->surface->Restore()) || !FillBitmap(c, b)) return false;
    if (b->keySet) ApplyBitmapKey(c, b);
    return true;
}

int BlitInto(DwenContext* c, DwenBitmap* b, const RECT* source, const RECT& dest) {
    if (!c->backBuffer || !Ready(c, b)) return 0;
    if (HRESULT hr = c->backBuffer->Blt(&dest, b->surface, source, DDBLT_WAIT | b->blitFlags, nullptr); FAILED(hr)) {
        SetErrorResult(c, hr);
        return 0;
    }
    return 1;
}

// The rectangle of the mode that a reference rectangle covers.
RECT Adapt(const DwenContext* c, const DwenBitmap* b, float x, float y, int width, int height) {
    const double W = c->currentMode->width, H = c->currentMode->height;
    auto trunc = [](double v) { return static_cast<LONG>(std::clamp(v, -1e9, 1e9)); };
    RECT r;
    r.left = trunc(W * x / b->referenceWidth);
    r.top = trunc(H * y / b->referenceHeight);
    r.right = r.left + trunc(W * width / b->referenceWidth);
    r.bottom = r.top + trunc(H * height / b->referenceHeight);
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    if (r.right >= W) r.right = static_cast<LONG>(W) - 1;
    if (r.bottom >= H) r.bottom = static_cast<LONG>(H) - 1;
    return r;
}

// A fade copy remembers its size, so that a later fade never reads past it.
struct FadeCopy {
    int width, height, bytesPerPixel;
    int reserved;
};

void BuildFadeTable(DwenContext* c) {
    if (c->fadeTableBuilt) return;
    const long double step = static_cast<long double>(0.032258063554763794f);
    for (int v = 0; v < 256; ++v)
        for (int k = 0; k < 32; ++k) c->fadeTable[v][k] = static_cast<int>(v * k * step);
    c->fadeTableBuilt = 1;
}

}  // namespace

namespace dwen {

void RestoreLostBitmaps(DwenContext* c) {
    for (DwenBitmap* b = c->bitmapHead; b; b = b->older) Ready(c, b);
}

void FreeAllBitmaps(DwenContext* c) {
    while (c->bitmapHead) Dwen_Release_Bitmap(c, c->bitmapHead);
    c->bitmapCount = 0;
}

}  // namespace dwen

DWEN_API DwenBitmap* Dwen_Create_Bitmap(DwenContext* c, const uint16_t* pixels, int width, int height, int rowLength,
                                        int referenceWidth, int referenceHeight) {
    if (!c) return nullptr;
    if (!pixels || width <= 0 || height <= 0 || rowLength < width || referenceWidth <= 0 || referenceHeight <= 0 ||
        !c->directDraw2) {
        SetErrorResult(c, DDERR_INVALIDPARAMS);
        return nullptr;
    }
    auto* b = new (std::nothrow) DwenBitmap{};
    if (!b) return nullptr;
    b->width = width;
    b->height = height;
    b->referenceWidth = referenceWidth;
    b->referenceHeight = referenceHeight;
    b->source = new (std::nothrow) uint16_t[static_cast<size_t>(width) * static_cast<size_t>(height)];
    if (!b->source) {
        delete b;
        return nullptr;
    }
    for (int y = 0; y < height; ++y)
        std::memcpy(b->source + static_cast<size_t>(y) * width, pixels + static_cast<size_t>(y) * rowLength,
                    static_cast<size_t>(width) * 2);
    DDSURFACEDESC desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    HRESULT hr = c->directDraw2->CreateSurface(&desc, &b->surface);
    if (FAILED(hr) || !FillBitmap(c, b)) {
        if (FAILED(hr)) SetErrorResult(c, hr);
        ReleaseAndNull(b->surface);
        delete[] b->source;
        delete b;
        return nullptr;
    }
    b->older = c->bitmapHead;
    if (c->bitmapHead) c->bitmapHead->newer = b;
    c->bitmapHead = b;
    ++c->bitmapCount;
    return b;
}

DWEN_API void Dwen_Release_Bitmap(DwenContext* c, DwenBitmap* b) {
    if (!c || !b || !Listed(c, b)) return;
    if (b->newer) b->newer->older = b->older;
    if (b->older) b->older->newer = b->newer;
    if (c->bitmapHead == b) c->bitmapHead = b->older;
    --c->bitmapCount;
    ReleaseAndNull(b->surface);
    delete[] b->source;
    delete b;
}

DWEN_API int Dwen_Set_Bitmap_Color_Key(DwenContext* c, DwenBitmap* b, int red, int green, int blue) {
    if (!c || !b || !b->surface) return 0;
    b->keySet = 1;
    b->keyRed = static_cast<uint8_t>(red);
    b->keyGreen = static_cast<uint8_t>(green);
    b->keyBlue = static_cast<uint8_t>(blue);
    ApplyBitmapKey(c, b);
    return 1;
}

DWEN_API int Dwen_Blit_Bitmap(DwenContext* c, DwenBitmap* b, int x, int y, int width, int height) {
    if (!c || !b) return 0;
    return BlitInto(c, b, nullptr, RECT{x, y, x + width, y + height});
}

DWEN_API int Dwen_Blit_Bitmap_Adaptative(DwenContext* c, DwenBitmap* b, float x, float y) {
    if (!c || !b || !c->currentMode) return 0;
    return BlitInto(c, b, nullptr, Adapt(c, b, x, y, b->width, b->height));
}

DWEN_API int Dwen_Crop_And_Blit_Bitmap_Adaptative(DwenContext* c, DwenBitmap* b, int sourceX, int sourceY,
                                                  int sourceWidth, int sourceHeight, float x, float y) {
    if (!c || !b || !c->currentMode) return 0;
    const RECT source{sourceX, sourceY, sourceX + sourceWidth, sourceY + sourceHeight};
    return BlitInto(c, b, &source, Adapt(c, b, x, y, sourceWidth, sourceHeight));
}

DWEN_API void* Dwen_Get_Fade_Buffer(DwenContext* c) {
    if (!c) return nullptr;
    void* memory = nullptr;
    int pitch = 0;
    if (!Dwen_Lock_BackBuffer(c, &memory, &pitch)) return nullptr;
    const int width = c->backBuffer->Width(), height = c->backBuffer->Height();
    const int bpp = BytesPerPixel(c->backBuffer->Format());
    const size_t row = static_cast<size_t>(width) * static_cast<size_t>(bpp);
    auto* block = static_cast<uint8_t*>(std::malloc(sizeof(FadeCopy) + row * static_cast<size_t>(height)));
    if (block) {
        *reinterpret_cast<FadeCopy*>(block) = FadeCopy{width, height, bpp, 0};
        for (int y = 0; y < height; ++y)
            std::memcpy(block + sizeof(FadeCopy) + row * static_cast<size_t>(y),
                        static_cast<const uint8_t*>(memory) + static_cast<ptrdiff_t>(y) * pitch, row);
    }
    Dwen_Unlock_BackBuffer(c, memory);
    return block ? block + sizeof(FadeCopy) : nullptr;
}

DWEN_API void Dwen_Release_Fade_Buffer(DwenContext*, void* copy) {
    if (copy) std::free(static_cast<uint8_t*>(copy) - sizeof(FadeCopy));
}

DWEN_API int Dwen_Fade_Buffer(DwenContext* c, void* copy, int level) {
    if (!c || !copy) return 1;
    BuildFadeTable(c);
    level = std::clamp(level, 0, 31);
    const FadeCopy& info = *reinterpret_cast<const FadeCopy*>(static_cast<uint8_t*>(copy) - sizeof(FadeCopy));
    void* memory = nullptr;
    int pitch = 0;
    if (!Dwen_Lock_BackBuffer(c, &memory, &pitch)) return 1;
    const int bpp = BytesPerPixel(c->backBuffer->Format());
    const int width = std::min(info.width, c->backBuffer->Width());
    const int height = std::min(info.height, c->backBuffer->Height());
    const bool is565 = c->backDesc.ddpfPixelFormat.dwRBitMask == 0xF800;
    const auto& t = c->fadeTable;
    if (info.bytesPerPixel == bpp) {
        for (int y = 0; y < height; ++y) {
            const uint8_t* src = static_cast<const uint8_t*>(copy) + static_cast<size_t>(y) * info.width * info.bytesPerPixel;
            uint8_t* dst = static_cast<uint8_t*>(memory) + static_cast<ptrdiff_t>(y) * pitch;
            for (int x = 0; x < width; ++x) {
                if (bpp == 4) {
                    dst[4 * x] = static_cast<uint8_t>(t[src[4 * x]][level]);
                    dst[4 * x + 1] = static_cast<uint8_t>(t[src[4 * x + 1]][level]);
                    dst[4 * x + 2] = static_cast<uint8_t>(t[src[4 * x + 2]][level]);
                    dst[4 * x + 3] = 0;
                    continue;
                }
                uint16_t v;
                std::memcpy(&v, src + 2 * x, 2);
                uint16_t out;
                if (is565)
                    out = static_cast<uint16_t>(t[v >> 11][level] << 11 | t[(v >> 5) & 0x3F][level] << 5 | t[v & 0x1F][level]);
                else
                    out = static_cast<uint16_t>(t[v >> 10][level] << 10 | t[(v >> 5) & 0x1F][level] << 5 | t[v & 0x1F][level]);
                std::memcpy(dst + 2 * x, &out, 2);
            }
        }
    }
    return static_cast<int>(Dwen_Unlock_BackBuffer(c, memory));
}
