#include "platform/Surface.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/Backend.h"
#include "platform/DisplayProfile.h"
#include "platform/Present.h"
#include "platform/Window.h"

namespace platform {

namespace {

struct Globals {
    std::mutex lock;
    std::vector<DirectDrawSurface*> surfaces;  // every live surface, for LoseAllSurfaces
    bool desktopSet = false;  // told by SetDesktopMode; otherwise asked of the host
    int desktopWidth = 1024;
    int desktopHeight = 768;
    int desktopBits = 16;
    PixelFormat format16 = PixelFormat::RGB565;
    int stillDrawing = 0;
    std::size_t textureLimit = 0;
    std::size_t textureInUse = 0;
    std::size_t videoInUse = 0;
    DisplayProfile profile = DefaultDisplayProfile();
};

Globals& G() {
    static Globals g;
    return g;
}

constexpr int kMaxSide = 16384;

// Extra bytes at the end of every row: code that assumes pitch == width * bpp
// shows up as a skewed picture instead of working by chance.
int PitchFor(int width, int bpp) { return ((width * bpp + 7) & ~7) + 16; }

// Coordinates far outside any surface are refused, so sizes never overflow.
constexpr LONG kCoordLimit = 1 << 24;
bool RectValid(const RECT& r) {
    auto inRange = [](LONG v) { return v > -kCoordLimit && v < kCoordLimit; };
    return inRange(r.left) && inRange(r.top) && inRange(r.right) && inRange(r.bottom) && r.left < r.right &&
           r.top < r.bottom;
}

// Blitter busy simulation: an operation without WAIT is refused while the
// counter runs; with WAIT it waits the blitter out.
bool StillDrawing(bool wait) {
    Globals& g = G();
    std::lock_guard<std::mutex> guard(g.lock);
    if (g.stillDrawing <= 0) return false;
    if (wait) {
        g.stillDrawing = 0;
        return false;
    }
    --g.stillDrawing;
    return true;
}

PixelFormat ModeFormat(int bits) {
    if (bits == 32) return PixelFormat::XRGB8888;
    if (bits == 8) return PixelFormat::PAL8;
    return G().format16;
}

std::uint32_t ReadPixel(const std::uint8_t* p, int bpp) {
    switch (bpp) {
        case 1: return *p;
        case 2: {
            std::uint16_t v;
            std::memcpy(&v, p, 2);
            return v;
        }
        default: {
            std::uint32_t v;
            std::memcpy(&v, p, 4);
            return v;
        }
    }
}

void WritePixel(std::uint8_t* p, int bpp, std::uint32_t v) {
    switch (bpp) {
        case 1: *p = static_cast<std::uint8_t>(v); break;
        case 2: {
            auto w = static_cast<std::uint16_t>(v);
            std::memcpy(p, &w, 2);
            break;
        }
        default: std::memcpy(p, &v, 4); break;
    }
}

// Source coordinate of destination column/row d for a mapping of
// [d0, d0 + dn) onto [s0, s0 + sn), sampling at pixel centres.
inline int MapCoord(int d, int d0, int dn, int s0, int sn) {
    if (dn == sn) return s0 + (d - d0);
    return s0 + static_cast<int>((static_cast<std::int64_t>(2 * (d - d0) + 1) * sn) / (2 * static_cast<std::int64_t>(dn)));
}

// Range of destination coordinates in [lo, hi) whose mapped source lies in [0, srcSize).
// The mapping is monotonic, so the valid coordinates form one run.
void ValidRun(int d0, int dn, int s0, int sn, int dstSize, int srcSize, int* first, int* last) {
    int a = std::max(d0, 0), b = std::min(d0 + dn, dstSize);
    while (a < b && MapCoord(a, d0, dn, s0, sn) < 0) ++a;
    while (b > a && MapCoord(b - 1, d0, dn, s0, sn) >= srcSize) --b;
    // Every coordinate between a and b maps inside too (monotonic mapping).
    *first = a;
    *last = b;
}

}  // namespace

bool operator==(const GUID& a, const GUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 && std::memcmp(a.Data4, b.Data4, 8) == 0;
}

DWORD RefCounted::Release() {
    DWORD left = --m_refs;
    if (left == 0) delete this;
    return left;
}

// ---------------------------------------------------------------------------
// Formats

DDPIXELFORMAT PixelFormatDesc(PixelFormat format) {
    DDPIXELFORMAT pf;
    switch (format) {
        case PixelFormat::RGB565:
            pf.dwFlags = DDPF_RGB;
            pf.dwRGBBitCount = 16;
            pf.dwRBitMask = 0xF800;
            pf.dwGBitMask = 0x07E0;
            pf.dwBBitMask = 0x001F;
            break;
        case PixelFormat::RGB555:
            pf.dwFlags = DDPF_RGB;
            pf.dwRGBBitCount = 16;
            pf.dwRBitMask = 0x7C00;
            pf.dwGBitMask = 0x03E0;
            pf.dwBBitMask = 0x001F;
            break;
        case PixelFormat::XRGB8888:
            pf.dwFlags = DDPF_RGB;
            pf.dwRGBBitCount = 32;
            pf.dwRBitMask = 0x00FF0000;
            pf.dwGBitMask = 0x0000FF00;
            pf.dwBBitMask = 0x000000FF;
            break;
        case PixelFormat::PAL8:
            pf.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
            pf.dwRGBBitCount = 8;
            break;
    }
    return pf;
}

bool PixelFormatFromDesc(const DDPIXELFORMAT& pf, PixelFormat* out) {
    PixelFormat f;
    if (pf.dwFlags & DDPF_PALETTEINDEXED8) {
        if (pf.dwRGBBitCount != 8) return false;
        f = PixelFormat::PAL8;
    } else if (!(pf.dwFlags & DDPF_RGB)) {
        return false;
    } else if (pf.dwRGBBitCount == 16 && pf.dwRBitMask == 0xF800 && pf.dwGBitMask == 0x07E0 && pf.dwBBitMask == 0x001F) {
        f = PixelFormat::RGB565;
        if (pf.dwFlags & DDPF_ALPHAPIXELS) return false;
    } else if (pf.dwRGBBitCount == 16 && pf.dwRBitMask == 0x7C00 && pf.dwGBitMask == 0x03E0 && pf.dwBBitMask == 0x001F) {
        // 5-5-5, optionally with the top bit as alpha: same layout.
        if ((pf.dwFlags & DDPF_ALPHAPIXELS) && pf.dwRGBAlphaBitMask != 0x8000) return false;
        f = PixelFormat::RGB555;
    } else if (pf.dwRGBBitCount == 32 && pf.dwRBitMask == 0xFF0000 && pf.dwGBitMask == 0xFF00 && pf.dwBBitMask == 0xFF) {
        // 32-bit, with or without alpha in the top byte.
        if ((pf.dwFlags & DDPF_ALPHAPIXELS) && pf.dwRGBAlphaBitMask != 0xFF000000u) return false;
        f = PixelFormat::XRGB8888;
    } else {
        return false;
    }
    if (out) *out = f;
    return true;
}

void SetDesktopMode(int width, int height, int bitsPerPixel) {
    Globals& g = G();
    std::lock_guard<std::mutex> guard(g.lock);
    g.desktopSet = width > 0 && height > 0;
    g.desktopWidth = width;
    g.desktopHeight = height;
    g.desktopBits = bitsPerPixel == 32 ? 32 : 16;
}

namespace {

// The desktop's size and depth. Unless told otherwise the depth is 16 bits:
// the presenter converts the picture for the host, and a 16-bit desktop lets
// the game draw in a window exactly as in full screen.
void DesktopMode(int* width, int* height, int* bits) {
    Globals& g = G();
    {
        std::lock_guard<std::mutex> guard(g.lock);
        *bits = g.desktopBits;
        if (g.desktopSet) {
            *width = g.desktopWidth;
            *height = g.desktopHeight;
            return;
        }
    }
    RECT r = detail::TheBackend().DesktopRect();
    *width = r.right > r.left ? r.right - r.left : 1024;
    *height = r.bottom > r.top ? r.bottom - r.top : 768;
}

}  // namespace

void SetDisplay16BitFormat(PixelFormat format) {
    if (format == PixelFormat::RGB565 || format == PixelFormat::RGB555) G().format16 = format;
}

PixelFormat Display16BitFormat() { return G().format16; }

UINT GetSystemPaletteEntries(UINT, UINT count, PALETTEENTRY* out) {
    if (out)
        for (UINT i = 0; i < count; ++i) out[i] = PALETTEENTRY{};
    return 0;
}

bool ConvertPixels(const PixelView& from, const PixelView& to) {
    if (!from.bits || !to.bits || from.format == PixelFormat::PAL8 || to.format == PixelFormat::PAL8) return false;
    const int w = std::min(from.width, to.width), h = std::min(from.height, to.height);
    if (w <= 0 || h <= 0) return false;
    const int sb = BytesPerPixel(from.format), db = BytesPerPixel(to.format);
    for (int y = 0; y < h; ++y) {
        const auto* src = static_cast<const std::uint8_t*>(from.bits) + static_cast<std::ptrdiff_t>(y) * from.pitch;
        auto* dst = static_cast<std::uint8_t*>(to.bits) + static_cast<std::ptrdiff_t>(y) * to.pitch;
        if (from.format == to.format) {
            std::memcpy(dst, src, static_cast<std::size_t>(w) * static_cast<std::size_t>(sb));
            continue;
        }
        for (int x = 0; x < w; ++x) {
            const std::uint32_t v = ReadPixel(src + x * sb, sb);
            std::uint32_t out;
            if (from.format == PixelFormat::RGB565 && to.format == PixelFormat::RGB555) {
                out = Rgb565To555(static_cast<std::uint16_t>(v));
            } else if (from.format == PixelFormat::RGB555 && to.format == PixelFormat::RGB565) {
                out = Rgb555To565(static_cast<std::uint16_t>(v));
            } else {
                const Rgb8 c = UnpackRgb(from.format, v);
                out = PackRgb(to.format, c.r, c.g, c.b);
            }
            WritePixel(dst + x * db, db, out);
        }
    }
    return true;
}

void LoseAllSurfaces() {
    Globals& g = G();
    std::lock_guard<std::mutex> guard(g.lock);
    for (DirectDrawSurface* s : g.surfaces) s->m_lost = true;
}

void SimulateStillDrawing(int operations) {
    Globals& g = G();
    std::lock_guard<std::mutex> guard(g.lock);
    g.stillDrawing = std::max(0, operations);
}

void SetTextureMemoryLimit(std::size_t bytes) {
    Globals& g = G();
    std::lock_guard<std::mutex> guard(g.lock);
    g.textureLimit = bytes;
}

std::size_t TextureMemoryInUse() {
    Globals& g = G();
    std::lock_guard<std::mutex> guard(g.lock);
    return g.textureInUse;
}

int LiveSurfaceCount() {
    Globals& g = G();
    std::lock_guard<std::mutex> guard(g.lock);
    return static_cast<int>(g.surfaces.size());
}

// ---------------------------------------------------------------------------
// Palettes and clippers

HRESULT DirectDrawPalette::GetEntries(DWORD, DWORD start, DWORD count, PALETTEENTRY* out) const {
    if (!out || start > 256 || count > 256 - start) return DDERR_INVALIDPARAMS;
    std::copy(m_entries + start, m_entries + start + count, out);
    return DD_OK;
}

HRESULT DirectDrawPalette::SetEntries(DWORD, DWORD start, DWORD count, const PALETTEENTRY* in) {
    if (!in || start > 256 || count > 256 - start) return DDERR_INVALIDPARAMS;
    std::copy(in, in + count, m_entries + start);
    return DD_OK;
}

HRESULT DirectDrawClipper::SetHWnd(DWORD, HWND window) {
    m_window = window;
    return DD_OK;
}

HRESULT DirectDrawClipper::GetHWnd(HWND* window) const {
    if (!window) return DDERR_INVALIDPARAMS;
    *window = m_window;
    return DD_OK;
}

// ---------------------------------------------------------------------------
// Surfaces

DirectDrawSurface::DirectDrawSurface() {
    Globals& g = G();
    std::lock_guard<std::mutex> guard(g.lock);
    g.surfaces.push_back(this);
}

DirectDrawSurface::~DirectDrawSurface() {
    {
        Globals& g = G();
        std::lock_guard<std::mutex> guard(g.lock);
        g.surfaces.erase(std::remove(g.surfaces.begin(), g.surfaces.end(), this), g.surfaces.end());
        g.textureInUse -= std::min(g.textureInUse, m_countedBytes);
        g.videoInUse -= std::min(g.videoInUse, m_videoBytes);
    }
    if (m_owner && m_owner->m_primary == this) m_owner->m_primary = nullptr;
    if (m_palette) m_palette->Release();
    if (m_clipper) m_clipper->Release();
    if (m_zBuffer) m_zBuffer->Release();
    if (m_backBuffer) {
        m_backBuffer->m_frontBuffer = nullptr;
        m_backBuffer->Release();
    }
    if (m_frontBuffer) m_frontBuffer->m_backBuffer = nullptr;
}

void DirectDrawSurface::Allocate() {
    int bpp = BytesPerPixel(m_format);
    m_pitch = PitchFor(m_width, bpp);
    m_memory.assign(static_cast<std::size_t>(m_pitch) * static_cast<std::size_t>(m_height), 0);
    m_bits = m_memory.data();
}

PixelView DirectDrawSurface::View() const {
    PixelView v;
    v.bits = m_bits;
    v.width = m_width;
    v.height = m_height;
    v.pitch = m_pitch;
    v.format = m_format;
    return v;
}

HRESULT DirectDrawSurface::Lock(const RECT* rect, PixelView* out, DWORD flags) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = PixelView{};
    RECT r{0, 0, m_width, m_height};
    if (rect) {
        r = *rect;
        if (!RectValid(r) || r.left < 0 || r.top < 0 || r.right > m_width || r.bottom > m_height)
            return DDERR_INVALIDRECT;
    }
    if (m_lost) return DDERR_SURFACELOST;
    if (m_locked) return DDERR_SURFACEBUSY;
    if (StillDrawing((flags & DDLOCK_WAIT) != 0)) return DDERR_WASSTILLDRAWING;
    int bpp = BytesPerPixel(m_format);
    out->bits = m_bits + static_cast<std::ptrdiff_t>(r.top) * m_pitch + static_cast<std::ptrdiff_t>(r.left) * bpp;
    out->width = r.right - r.left;
    out->height = r.bottom - r.top;
    out->pitch = m_pitch;
    out->format = m_format;
    m_locked = true;
    return DD_OK;
}

HRESULT DirectDrawSurface::Lock(const RECT* rect, DDSURFACEDESC* desc, DWORD flags) {
    if (!desc) return DDERR_INVALIDPARAMS;
    PixelView v;
    HRESULT hr = Lock(rect, &v, flags);
    if (FAILED(hr)) return hr;
    GetSurfaceDesc(desc);
    desc->lpSurface = v.bits;
    desc->dwFlags |= DDSD_LPSURFACE;
    return DD_OK;
}

HRESULT DirectDrawSurface::Unlock(void* bits) {
    if (!m_locked) return DDERR_NOTLOCKED;
    if (bits) {
        auto* p = static_cast<std::uint8_t*>(bits);
        if (p < m_bits || p >= m_bits + m_memory.size()) return DDERR_INVALIDRECT;
    }
    // Unlocking shows nothing by itself: the screen changes on a flip or a
    // blit onto the front surface, so a read-only lock costs no frame.
    m_locked = false;
    return DD_OK;
}

void DirectDrawSurface::PresentRegion(const RECT& dest, DirectDrawSurface* src, const RECT& srcRect) {
    if (m_backBuffer) {
        // Full screen: the screen is the whole front surface.
        Present(View());
        return;
    }
    // Window: the blit's destination is the window's client area. An
    // unstretched picture is shown from its source, so a window that hangs
    // over the desktop's edge still shows all of it.
    if (src && src != this && dest.right - dest.left == srcRect.right - srcRect.left &&
        dest.bottom - dest.top == srcRect.bottom - srcRect.top && srcRect.left >= 0 && srcRect.top >= 0 &&
        srcRect.right <= src->m_width && srcRect.bottom <= src->m_height) {
        PixelView v = src->View();
        v.bits = src->m_bits + static_cast<std::ptrdiff_t>(srcRect.top) * src->m_pitch +
                 static_cast<std::ptrdiff_t>(srcRect.left) * BytesPerPixel(src->m_format);
        v.width = srcRect.right - srcRect.left;
        v.height = srcRect.bottom - srcRect.top;
        Present(v);
        return;
    }
    RECT r{std::max<LONG>(dest.left, 0), std::max<LONG>(dest.top, 0), std::min<LONG>(dest.right, m_width),
           std::min<LONG>(dest.bottom, m_height)};
    if (!RectValid(r)) return;
    PixelView v = View();
    v.bits = m_bits + static_cast<std::ptrdiff_t>(r.top) * m_pitch + static_cast<std::ptrdiff_t>(r.left) * BytesPerPixel(m_format);
    v.width = r.right - r.left;
    v.height = r.bottom - r.top;
    Present(v);
}

HRESULT DirectDrawSurface::Blt(const RECT* destRect, DirectDrawSurface* src, const RECT* srcRect, DWORD flags,
                               const DDBLTFX* fx) {
    RECT d = destRect ? *destRect : RECT{0, 0, m_width, m_height};
    if (!RectValid(d)) return DDERR_INVALIDRECT;
    const bool fill = (flags & DDBLT_COLORFILL) != 0;
    if (fill && !fx) return DDERR_INVALIDPARAMS;
    if (!fill && !src) return DDERR_INVALIDPARAMS;
    if ((flags & DDBLT_KEYSRCOVERRIDE) && !fx) return DDERR_INVALIDPARAMS;
    RECT s{};
    if (!fill) {
        s = srcRect ? *srcRect : RECT{0, 0, src->m_width, src->m_height};
        if (!RectValid(s)) return DDERR_INVALIDRECT;
        if (src->m_format != m_format) return DDERR_INVALIDPIXELFORMAT;
    }
    if (m_lost || (src && src->m_lost)) return DDERR_SURFACELOST;
    if (m_locked || (src && src->m_locked)) return DDERR_SURFACEBUSY;

    bool useKey = false;
    DDCOLORKEY key{};
    if (!fill && (flags & DDBLT_KEYSRCOVERRIDE)) {
        useKey = true;
        key = fx->ddckSrcColorkey;
    } else if (!fill && (flags & DDBLT_KEYSRC)) {
        if (!src->m_hasSrcKey) return DDERR_NOCOLORKEY;
        useKey = true;
        key = src->m_srcKey;
    }
    if (StillDrawing((flags & DDBLT_WAIT) != 0)) return DDERR_WASSTILLDRAWING;

    const int bpp = BytesPerPixel(m_format);
    const int dw = d.right - d.left, dh = d.bottom - d.top;

    if (fill) {
        int x0 = std::max<int>(d.left, 0), x1 = std::min<int>(d.right, m_width);
        int y0 = std::max<int>(d.top, 0), y1 = std::min<int>(d.bottom, m_height);
        if (x0 < x1 && y0 < y1) {
            // One row is filled pixel by pixel, the others are copies of it.
            std::uint8_t* first = m_bits + static_cast<std::ptrdiff_t>(y0) * m_pitch + x0 * bpp;
            for (int x = 0; x < x1 - x0; ++x) WritePixel(first + x * bpp, bpp, fx->dwFillColor);
            const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * static_cast<std::size_t>(bpp);
            for (int y = y0 + 1; y < y1; ++y) std::memcpy(first + static_cast<std::ptrdiff_t>(y - y0) * m_pitch, first, bytes);
        }
        if (IsPrimary()) PresentRegion(d, nullptr, d);
        return DD_OK;
    }

    const int sw = s.right - s.left, sh = s.bottom - s.top;
    int x0, x1, y0, y1;
    ValidRun(d.left, dw, s.left, sw, m_width, src->m_width, &x0, &x1);
    ValidRun(d.top, dh, s.top, sh, m_height, src->m_height, &y0, &y1);
    if (x0 >= x1 || y0 >= y1) return DD_OK;

    // A blit within one surface reads from a copy, so overlapping areas come out right.
    std::vector<std::uint8_t> copy;
    const std::uint8_t* sbits = src->m_bits;
    if (src == this) {
        copy = m_memory;
        sbits = copy.data();
    }
    const int spitch = src->m_pitch;

    std::vector<int> xmap(static_cast<std::size_t>(x1 - x0));
    for (int x = x0; x < x1; ++x) xmap[static_cast<std::size_t>(x - x0)] = MapCoord(x, d.left, dw, s.left, sw);
    const bool straight = (sw == dw) && !useKey;
    const std::uint32_t klo = key.dwColorSpaceLowValue, khi = std::max(key.dwColorSpaceLowValue, key.dwColorSpaceHighValue);

    for (int y = y0; y < y1; ++y) {
        int sy = MapCoord(y, d.top, dh, s.top, sh);
        const std::uint8_t* srow = sbits + static_cast<std::ptrdiff_t>(sy) * spitch;
        std::uint8_t* drow = m_bits + static_cast<std::ptrdiff_t>(y) * m_pitch;
        if (straight) {
            std::memcpy(drow + x0 * bpp, srow + xmap[0] * bpp, static_cast<std::size_t>(x1 - x0) * bpp);
            continue;
        }
        if (bpp == 2 && sw == dw) {
            // Unstretched 16-bit copy with a key: the common case of sprites and cursors.
            const std::uint8_t* sp = srow + xmap[0] * 2;
            std::uint8_t* dp = drow + x0 * 2;
            for (int i = 0; i < x1 - x0; ++i) {
                std::uint16_t v;
                std::memcpy(&v, sp + 2 * i, 2);
                if (v < klo || v > khi) std::memcpy(dp + 2 * i, &v, 2);
            }
        } else if (bpp == 2) {
            for (int x = x0; x < x1; ++x) {
                std::uint16_t v;
                std::memcpy(&v, srow + xmap[static_cast<std::size_t>(x - x0)] * 2, 2);
                if (useKey && v >= klo && v <= khi) continue;
                std::memcpy(drow + x * 2, &v, 2);
            }
        } else {
            for (int x = x0; x < x1; ++x) {
                std::uint32_t v = ReadPixel(srow + xmap[static_cast<std::size_t>(x - x0)] * bpp, bpp);
                if (useKey && v >= klo && v <= khi) continue;
                WritePixel(drow + x * bpp, bpp, v);
            }
        }
    }
    if (IsPrimary()) PresentRegion(d, src, s);
    return DD_OK;
}

HRESULT DirectDrawSurface::BltFast(DWORD x, DWORD y, DirectDrawSurface* src, const RECT* srcRect, DWORD flags) {
    if (!src) return DDERR_INVALIDPARAMS;
    RECT s = srcRect ? *srcRect : RECT{0, 0, src->m_width, src->m_height};
    if (!RectValid(s)) return DDERR_INVALIDRECT;
    if (x > static_cast<DWORD>(kMaxSide) || y > static_cast<DWORD>(kMaxSide)) return DDERR_INVALIDRECT;
    RECT d{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x) + (s.right - s.left),
           static_cast<LONG>(y) + (s.bottom - s.top)};
    DWORD bltFlags = (flags & DDBLTFAST_WAIT) ? static_cast<DWORD>(DDBLT_WAIT) : 0u;
    if (flags & DDBLTFAST_SRCCOLORKEY) bltFlags |= DDBLT_KEYSRC;
    return Blt(&d, src, &s, bltFlags, nullptr);
}

HRESULT DirectDrawSurface::Flip(DirectDrawSurface* target, DWORD flags) {
    if (!m_backBuffer || (target && target != m_backBuffer)) return DDERR_NOTFLIPPABLE;
    if (m_lost || m_backBuffer->m_lost) return DDERR_SURFACELOST;
    if (m_locked || m_backBuffer->m_locked) return DDERR_SURFACEBUSY;
    if (StillDrawing((flags & DDFLIP_WAIT) != 0)) return DDERR_WASSTILLDRAWING;
    // The buffers trade their memory: the back buffer now holds the old front picture.
    std::swap(m_memory, m_backBuffer->m_memory);
    std::swap(m_bits, m_backBuffer->m_bits);
    m_flipped = !m_flipped;
    RECT all{0, 0, m_width, m_height};
    PresentRegion(all, nullptr, all);
    return DD_OK;
}

HRESULT DirectDrawSurface::GetAttachedSurface(const DDSCAPS* caps, DirectDrawSurface** out) {
    if (!caps || !out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    DirectDrawSurface* found = nullptr;
    if (m_backBuffer && (caps->dwCaps & ~m_backBuffer->m_caps) == 0) found = m_backBuffer;
    else if (m_zBuffer && (caps->dwCaps & ~m_zBuffer->m_caps) == 0) found = m_zBuffer;
    if (!found) return DDERR_NOTFOUND;
    found->AddRef();
    *out = found;
    return DD_OK;
}

HRESULT DirectDrawSurface::AddAttachedSurface(DirectDrawSurface* surface) {
    if (!surface || surface == this) return DDERR_INVALIDPARAMS;
    if (!(surface->m_caps & DDSCAPS_ZBUFFER)) return DDERR_INVALIDCAPS;
    if (m_zBuffer) return DDERR_SURFACEALREADYATTACHED;
    if (surface->m_width != m_width || surface->m_height != m_height) return DDERR_INVALIDPARAMS;
    surface->AddRef();
    m_zBuffer = surface;
    return DD_OK;
}

HRESULT DirectDrawSurface::DeleteAttachedSurface(DWORD, DirectDrawSurface* surface) {
    if (!m_zBuffer || (surface && surface != m_zBuffer)) return DDERR_NOTFOUND;
    m_zBuffer->Release();
    m_zBuffer = nullptr;
    return DD_OK;
}

HRESULT DirectDrawSurface::GetSurfaceDesc(DDSURFACEDESC* desc) const {
    if (!desc) return DDERR_INVALIDPARAMS;
    *desc = DDSURFACEDESC{};
    desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(m_width);
    desc->dwHeight = static_cast<DWORD>(m_height);
    desc->lPitch = m_pitch;
    desc->ddpfPixelFormat = m_ddpf;
    desc->ddsCaps.dwCaps = m_caps;
    if (m_backBuffer) {
        desc->dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc->dwBackBufferCount = 1;
    }
    if (m_caps & DDSCAPS_ZBUFFER) {
        desc->dwFlags |= DDSD_ZBUFFERBITDEPTH;
        desc->dwZBufferBitDepth = m_ddpf.dwRGBBitCount;
    }
    if (m_hasSrcKey) {
        desc->dwFlags |= DDSD_CKSRCBLT;
        desc->ddckCKSrcBlt = m_srcKey;
    }
    return DD_OK;
}

HRESULT DirectDrawSurface::GetPixelFormat(DDPIXELFORMAT* format) const {
    if (!format) return DDERR_INVALIDPARAMS;
    *format = m_ddpf;
    return DD_OK;
}

HRESULT DirectDrawSurface::SetColorKey(DWORD flags, const DDCOLORKEY* key) {
    if (flags & DDCKEY_SRCBLT) {
        m_hasSrcKey = key != nullptr;
        if (key) m_srcKey = *key;
        return DD_OK;
    }
    if (flags & DDCKEY_DESTBLT) {
        m_hasDestKey = key != nullptr;
        if (key) m_destKey = *key;
        return DD_OK;
    }
    return DDERR_INVALIDPARAMS;
}

HRESULT DirectDrawSurface::GetColorKey(DWORD flags, DDCOLORKEY* key) const {
    if (!key) return DDERR_INVALIDPARAMS;
    if (flags & DDCKEY_SRCBLT) {
        if (!m_hasSrcKey) return DDERR_NOCOLORKEY;
        *key = m_srcKey;
        return DD_OK;
    }
    if (flags & DDCKEY_DESTBLT) {
        if (!m_hasDestKey) return DDERR_NOCOLORKEY;
        *key = m_destKey;
        return DD_OK;
    }
    return DDERR_INVALIDPARAMS;
}

HRESULT DirectDrawSurface::SetPalette(DirectDrawPalette* palette) {
    if (palette && m_format != PixelFormat::PAL8) return DDERR_NOTPALETTIZED;
    if (palette) palette->AddRef();
    if (m_palette) m_palette->Release();
    m_palette = palette;
    return DD_OK;
}

HRESULT DirectDrawSurface::GetPalette(DirectDrawPalette** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = m_palette;
    if (!m_palette) return DDERR_NOTFOUND;
    m_palette->AddRef();
    return DD_OK;
}

HRESULT DirectDrawSurface::SetClipper(DirectDrawClipper* clipper) {
    if (clipper) clipper->AddRef();
    if (m_clipper) m_clipper->Release();
    m_clipper = clipper;
    return DD_OK;
}

HRESULT DirectDrawSurface::GetClipper(DirectDrawClipper** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = m_clipper;
    if (!m_clipper) return DDERR_NOTFOUND;
    m_clipper->AddRef();
    return DD_OK;
}

HRESULT DirectDrawSurface::Restore() {
    if (m_backBuffer && m_backBuffer->m_lost) m_backBuffer->Restore();
    if (!m_lost) return DD_OK;
    // The memory comes back with whatever it held: callers must redraw. A
    // recognisable pattern makes a forgotten redraw visible.
    std::fill(m_memory.begin(), m_memory.end(), std::uint8_t{0xA5});
    m_lost = false;
    return DD_OK;
}

// ---------------------------------------------------------------------------
// Display object

namespace {

struct Mode {
    int width, height, bits;
};

// The modes of the display profile, in its order.
std::vector<Mode> OfferedModes() {
    std::vector<Mode> modes;
    for (const DisplayMode& m : CurrentDisplayProfile().modes) modes.push_back({m.width, m.height, m.bitsPerPixel});
    return modes;
}

bool ModeOffered(const std::vector<Mode>& modes, int w, int h, int bits) {
    for (const Mode& m : modes)
        if (m.width == w && m.height == h && m.bits == bits) return true;
    return false;
}

void FillModeDesc(DDSURFACEDESC* desc, int w, int h, int bits) {
    *desc = DDSURFACEDESC{};
    desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
    desc->dwWidth = static_cast<DWORD>(w);
    desc->dwHeight = static_cast<DWORD>(h);
    desc->lPitch = PitchFor(w, bits / 8);
    desc->dwRefreshRate = 60;
    desc->ddpfPixelFormat = PixelFormatDesc(ModeFormat(bits));
}

}  // namespace

HRESULT DirectDrawEnumerate(LPDDENUMCALLBACK callback, void* context) {
    if (!callback) return DDERR_INVALIDPARAMS;
    const std::vector<DisplayDriverProfile> drivers = CurrentDisplayProfile().drivers;
    for (const DisplayDriverProfile& d : drivers) {
        GUID guid = d.guid;
        std::string description = d.description, name = d.name;
        if (!callback(IsNullGuid(&guid) ? nullptr : &guid, description.data(), name.data(), context)) break;
    }
    return DD_OK;
}

HRESULT DirectDrawCreate(const GUID* guid, DirectDraw** out, void*) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    const std::vector<DisplayDriverProfile>& drivers = CurrentDisplayProfile().drivers;
    for (std::size_t i = 0; i < drivers.size(); ++i) {
        const bool match = IsNullGuid(guid) ? IsNullGuid(&drivers[i].guid) : drivers[i].guid == *guid;
        if (!match) continue;
        auto* dd = new DirectDraw();
        dd->m_driver = static_cast<int>(i);
        *out = dd;
        return DD_OK;
    }
    return DDERR_INVALIDDIRECTDRAWGUID;
}

DisplayProfile DefaultDisplayProfile() {
    DisplayProfile p;
    p.drivers.push_back(DisplayDriverProfile{});
    Display3DDeviceProfile soft;
    soft.guid = IID_IDirect3DRGBDevice;
    soft.description = "Software renderer";
    soft.name = "RGB Emulation";
    p.devices.push_back(soft);
    for (int bits : {16, 32})
        for (auto [w, h] : {std::pair{640, 480}, std::pair{800, 600}, std::pair{1024, 768}})
            p.modes.push_back(DisplayMode{w, h, bits});
    return p;
}

void SetDisplayProfile(const DisplayProfile& profile) {
    Globals& g = G();
    std::lock_guard<std::mutex> guard(g.lock);
    g.profile = profile;
}

const DisplayProfile& CurrentDisplayProfile() { return G().profile; }

std::size_t VideoMemoryInUse() {
    Globals& g = G();
    std::lock_guard<std::mutex> guard(g.lock);
    return g.videoInUse;
}

DirectDraw::~DirectDraw() {
    if (m_primary) m_primary->m_owner = nullptr;
    if (m_fullScreenWindow && m_window) SetFullScreen(m_window, FALSE);
}

HRESULT DirectDraw::GetCaps(DDCAPS* driver, DDCAPS* emulation) const {
    if (!driver && !emulation) return DDERR_INVALIDPARAMS;
    DDCAPS caps;
    // Blits, stretch, fills and source keys; 3D hardware and video memory
    // as the display profile says.
    caps.dwCaps = DDCAPS_BLT | DDCAPS_BLTSTRETCH | DDCAPS_COLORKEY | DDCAPS_BLTCOLORFILL;
    const DisplayProfile& profile = CurrentDisplayProfile();
    if (m_driver >= 0 && m_driver < static_cast<int>(profile.drivers.size()) && profile.drivers[m_driver].has3D)
        caps.dwCaps |= DDCAPS_3D;
    caps.dwVidMemTotal = static_cast<DWORD>(std::min<std::size_t>(profile.videoMemory, 0xFFFFFFFFu));
    caps.dwVidMemFree = caps.dwVidMemTotal - static_cast<DWORD>(std::min<std::size_t>(VideoMemoryInUse(), caps.dwVidMemTotal));
    caps.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_PRIMARYSURFACE | DDSCAPS_SYSTEMMEMORY | DDSCAPS_TEXTURE |
                          DDSCAPS_3DDEVICE | DDSCAPS_ZBUFFER | DDSCAPS_FLIP | DDSCAPS_PALETTE;
    if (driver) *driver = caps;
    if (emulation) *emulation = caps;
    return DD_OK;
}

HRESULT DirectDraw::GetDisplayMode(DDSURFACEDESC* desc) const {
    if (!desc) return DDERR_INVALIDPARAMS;
    if (m_modeSet) {
        FillModeDesc(desc, m_modeWidth, m_modeHeight, m_modeBits);
    } else {
        int w, h, bits;
        DesktopMode(&w, &h, &bits);
        FillModeDesc(desc, w, h, bits);
    }
    return DD_OK;
}

HRESULT DirectDraw::EnumDisplayModes(DWORD, const DDSURFACEDESC* filter, void* context,
                                     LPDDENUMMODESCALLBACK callback) const {
    if (!callback) return DDERR_INVALIDPARAMS;
    for (const Mode& m : OfferedModes()) {
        if (filter) {
            if ((filter->dwFlags & DDSD_WIDTH) && filter->dwWidth != static_cast<DWORD>(m.width)) continue;
            if ((filter->dwFlags & DDSD_HEIGHT) && filter->dwHeight != static_cast<DWORD>(m.height)) continue;
            if ((filter->dwFlags & DDSD_PIXELFORMAT) &&
                filter->ddpfPixelFormat.dwRGBBitCount != static_cast<DWORD>(m.bits))
                continue;
        }
        DDSURFACEDESC desc;
        FillModeDesc(&desc, m.width, m.height, m.bits);
        if (callback(&desc, context) == DDENUMRET_CANCEL) break;
    }
    return DD_OK;
}

HRESULT DirectDraw::SetCooperativeLevel(HWND window, DWORD flags) {
    const bool full = (flags & DDSCL_FULLSCREEN) != 0, exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
    if (full != exclusive) return DDERR_INVALIDPARAMS;
    if (!(flags & (DDSCL_NORMAL | DDSCL_FULLSCREEN))) return DDERR_INVALIDPARAMS;
    if ((flags & DDSCL_NORMAL) && full) return DDERR_INVALIDPARAMS;
    if (exclusive && !window) return DDERR_INVALIDPARAMS;
    // Exclusive full screen takes the real window to full screen; going back
    // to the normal level gives the window back.
    if (full) {
        if (m_window && m_window != window && m_fullScreenWindow) SetFullScreen(m_window, FALSE);
        SetFullScreen(window, TRUE);
    } else if (m_fullScreenWindow && m_window) {
        SetFullScreen(m_window, FALSE);
    }
    m_fullScreenWindow = full;
    m_coopLevel = flags;
    m_window = window;
    return DD_OK;
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD, DWORD) {
    if (!(m_coopLevel & DDSCL_EXCLUSIVE)) return DDERR_NOEXCLUSIVEMODE;
    if (!ModeOffered(OfferedModes(), static_cast<int>(width), static_cast<int>(height), static_cast<int>(bits)))
        return DDERR_INVALIDMODE;
    // The window's picture takes the mode's size; the host scales it to the screen.
    if (m_window) SetWindowPos(m_window, nullptr, 0, 0, static_cast<int>(width), static_cast<int>(height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_modeSet = true;
    m_modeWidth = static_cast<int>(width);
    m_modeHeight = static_cast<int>(height);
    m_modeBits = static_cast<int>(bits);
    return DD_OK;
}

HRESULT DirectDraw::RestoreDisplayMode() {
    m_modeSet = false;
    return DD_OK;
}

HRESULT DirectDraw::CreateSurface(const DDSURFACEDESC* desc, DirectDrawSurface** out, void*) {
    if (!desc || !out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!(desc->dwFlags & DDSD_CAPS)) return DDERR_INVALIDPARAMS;
    if (m_coopLevel == 0) return DDERR_NOCOOPERATIVELEVELSET;
    DWORD caps = desc->ddsCaps.dwCaps;
    const DWORD videoCaps = DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM | DDSCAPS_NONLOCALVIDMEM;
    const bool wantsVideo = (caps & videoCaps) != 0;

    Globals& g = G();
    // Video memory comes from the profile's budget; a request that does not
    // fit fails, or lands in system memory when the profile says so.
    auto place = [&](std::size_t bytes, DWORD* placed, std::size_t* videoBytes) -> HRESULT {
        *videoBytes = 0;
        if (!wantsVideo) {
            *placed = (caps & ~videoCaps) | DDSCAPS_SYSTEMMEMORY;
            return DD_OK;
        }
        std::lock_guard<std::mutex> guard(g.lock);
        if (g.videoInUse + bytes <= g.profile.videoMemory) {
            g.videoInUse += bytes;
            *videoBytes = bytes;
            const bool nonLocal = (caps & DDSCAPS_NONLOCALVIDMEM) && g.profile.nonLocalVideoMemory;
            *placed = (caps & ~(DDSCAPS_SYSTEMMEMORY | DDSCAPS_NONLOCALVIDMEM | DDSCAPS_LOCALVIDMEM)) |
                      DDSCAPS_VIDEOMEMORY | (nonLocal ? DDSCAPS_NONLOCALVIDMEM : DDSCAPS_LOCALVIDMEM);
            return DD_OK;
        }
        if (!g.profile.videoFallback) return DDERR_OUTOFVIDEOMEMORY;
        *placed = (caps & ~videoCaps) | DDSCAPS_SYSTEMMEMORY;
        return DD_OK;
    };
    auto make = [&](int w, int h, PixelFormat f, const DDPIXELFORMAT& pf, DWORD c, std::size_t videoBytes) {
        auto* s = new DirectDrawSurface();
        s->m_width = w;
        s->m_height = h;
        s->m_format = f;
        s->m_ddpf = pf;
        s->m_caps = c;
        s->m_videoBytes = videoBytes;
        s->Allocate();
        return s;
    };

    if (caps & DDSCAPS_PRIMARYSURFACE) {
        if (m_primary) return DDERR_PRIMARYSURFACEALREADYEXISTS;
        const bool flipping = (caps & DDSCAPS_FLIP) != 0;
        if (flipping) {
            if (!(m_coopLevel & DDSCL_EXCLUSIVE)) return DDERR_NOEXCLUSIVEMODE;
            if (!(caps & DDSCAPS_COMPLEX) || !(desc->dwFlags & DDSD_BACKBUFFERCOUNT) || desc->dwBackBufferCount != 1)
                return DDERR_INVALIDCAPS;
        }
        DDSURFACEDESC mode;
        GetDisplayMode(&mode);
        int w = static_cast<int>(mode.dwWidth), h = static_cast<int>(mode.dwHeight);
        PixelFormat f = ModeFormat(static_cast<int>(mode.ddpfPixelFormat.dwRGBBitCount));
        const std::size_t bytes = static_cast<std::size_t>(PitchFor(w, BytesPerPixel(f))) * static_cast<std::size_t>(h);
        DWORD placed = 0;
        std::size_t frontVideo = 0, backVideo = 0;
        if (HRESULT hr = place(bytes * (flipping ? 2 : 1), &placed, &frontVideo); FAILED(hr)) return hr;
        if (flipping) backVideo = frontVideo / 2, frontVideo -= backVideo;
        DWORD frontCaps = placed | DDSCAPS_VISIBLE;
        if (flipping) frontCaps |= DDSCAPS_FRONTBUFFER;
        DirectDrawSurface* front = make(w, h, f, mode.ddpfPixelFormat, frontCaps, frontVideo);
        if (flipping) {
            const DWORD memory = placed & (DDSCAPS_SYSTEMMEMORY | videoCaps);
            DWORD backCaps = (caps & (DDSCAPS_3DDEVICE | DDSCAPS_FLIP | DDSCAPS_COMPLEX)) | DDSCAPS_BACKBUFFER | memory;
            DirectDrawSurface* back = make(w, h, f, mode.ddpfPixelFormat, backCaps, backVideo);
            front->m_backBuffer = back;
            back->m_frontBuffer = front;
        }
        front->m_owner = this;
        m_primary = front;
        *out = front;
        return DD_OK;
    }

    if (!(desc->dwFlags & DDSD_WIDTH) || !(desc->dwFlags & DDSD_HEIGHT)) return DDERR_INVALIDPARAMS;
    const int w = static_cast<int>(desc->dwWidth), h = static_cast<int>(desc->dwHeight);
    if (desc->dwWidth == 0 || desc->dwHeight == 0 || w > kMaxSide || h > kMaxSide) return DDERR_INVALIDPARAMS;

    PixelFormat f;
    DDPIXELFORMAT pf;
    if (caps & DDSCAPS_ZBUFFER) {
        DWORD depth = (desc->dwFlags & DDSD_ZBUFFERBITDEPTH) ? desc->dwZBufferBitDepth
                      : (desc->dwFlags & DDSD_PIXELFORMAT) ? desc->ddpfPixelFormat.dwRGBBitCount
                                                           : 16;
        if (depth != 16 && depth != 32) return DDERR_INVALIDPIXELFORMAT;
        // Depth values are held as plain 16- or 32-bit words.
        f = depth == 16 ? PixelFormat::RGB565 : PixelFormat::XRGB8888;
        pf = DDPIXELFORMAT{};
        pf.dwFlags = DDPF_ZBUFFER;
        pf.dwRGBBitCount = depth;
    } else if (desc->dwFlags & DDSD_PIXELFORMAT) {
        if (!PixelFormatFromDesc(desc->ddpfPixelFormat, &f)) return DDERR_INVALIDPIXELFORMAT;
        pf = desc->ddpfPixelFormat;
        pf.dwSize = 32;
    } else {
        DDSURFACEDESC mode;
        GetDisplayMode(&mode);
        pf = mode.ddpfPixelFormat;
        f = ModeFormat(static_cast<int>(pf.dwRGBBitCount));
    }

    const std::size_t size = static_cast<std::size_t>(PitchFor(w, BytesPerPixel(f))) * static_cast<std::size_t>(h);
    std::size_t bytes = 0;
    if (caps & DDSCAPS_TEXTURE) {
        bytes = size;
        std::lock_guard<std::mutex> guard(g.lock);
        if (g.textureLimit && g.textureInUse + bytes > g.textureLimit) return DDERR_OUTOFMEMORY;
        g.textureInUse += bytes;
    }
    DWORD placed = 0;
    std::size_t videoBytes = 0;
    if (HRESULT hr = place(size, &placed, &videoBytes); FAILED(hr)) {
        std::lock_guard<std::mutex> guard(g.lock);
        g.textureInUse -= bytes;
        return hr;
    }
    DirectDrawSurface* s = make(w, h, f, pf, placed, videoBytes);
    s->m_countedBytes = bytes;
    *out = s;
    return DD_OK;
}

HRESULT DirectDraw::CreatePalette(DWORD flags, const PALETTEENTRY* entries, DirectDrawPalette** out, void*) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!(flags & DDPCAPS_8BIT)) return DDERR_INVALIDPARAMS;
    auto* p = new DirectDrawPalette();
    if (entries && (flags & DDPCAPS_INITIALIZE)) std::copy(entries, entries + 256, p->m_entries);
    *out = p;
    return DD_OK;
}

HRESULT DirectDraw::FlipToGDISurface() {
    DirectDrawSurface* front = m_primary;
    if (!front || !front->m_backBuffer || !front->m_flipped) return DD_OK;
    if (front->m_locked || front->m_backBuffer->m_locked) return DDERR_SURFACEBUSY;
    return front->Flip(nullptr, DDFLIP_WAIT);
}

HRESULT DirectDraw::CreateClipper(DWORD, DirectDrawClipper** out, void*) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = new DirectDrawClipper();
    return DD_OK;
}

}  // namespace platform
