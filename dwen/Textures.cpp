// Textures: format table, conversion and resampling of 8, 15 and 16-bit
// pictures, the texture list with its recreation after a set-up or a loss,
// and the relief of texture memory by halving resizable textures.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "dwen/Internal.h"

using namespace platform;
using namespace dwen;

namespace {

// The result of the last surface creation, so that callers can tell a lack
// of memory from other failures.
HRESULT g_lastCreateResult = DD_OK;

bool IsOutOfMemory(HRESULT hr) { return hr == DDERR_OUTOFMEMORY || hr == DDERR_OUTOFVIDEOMEMORY; }

int Fail(DwenContext* c, const char* text) {
    SetError(c, text);
    return 0;
}

void MaskShape(DWORD mask, int* bits, int* shift) {
    *bits = 0;
    *shift = 0;
    if (!mask) return;
    while (!(mask & 1u)) {
        mask >>= 1;
        ++*shift;
    }
    while (mask & 1u) {
        mask >>= 1;
        ++*bits;
    }
}

HRESULT StoreFormat(DDSURFACEDESC* desc, void* context) {
    auto* c = static_cast<DwenContext*>(context);
    if (c->textureFormatCount >= DWEN_MAX_TEXTURE_FORMATS) return DDENUMRET_CANCEL;
    const DDPIXELFORMAT& pf = desc->ddpfPixelFormat;
    DwenTextureFormat f{};
    f.desc = *desc;
    if (pf.dwFlags & DDPF_ALPHAPIXELS) {
        if (!(pf.dwFlags & DDPF_RGB)) return DDENUMRET_OK;
        MaskShape(pf.dwRGBAlphaBitMask, &f.alphaBits, &f.alphaShift);
    } else if (pf.dwFlags & DDPF_PALETTEINDEXED8) {
        f.palettized = 1;
    } else if (!(pf.dwFlags & DDPF_RGB) || pf.dwRGBBitCount < 8) {
        return DDENUMRET_OK;
    }
    if (!f.palettized) {
        MaskShape(pf.dwRBitMask, &f.redBits, &f.redShift);
        MaskShape(pf.dwGBitMask, &f.greenBits, &f.greenShift);
        MaskShape(pf.dwBBitMask, &f.blueBits, &f.blueShift);
        f.red8MinusBits = 8 - f.redBits;
        f.green8MinusBits = 8 - f.greenBits;
        f.blue8MinusBits = 8 - f.blueBits;
        f.alpha8MinusBits = 8 - f.alphaBits;
    }
    f.is555 = f.redBits == 5 && f.greenBits == 5 && f.blueBits == 5 && f.alphaBits == 0 && f.redShift == 10 &&
              f.greenShift == 5 && f.blueShift == 0;
    c->textureFormats[c->textureFormatCount++] = f;
    return c->textureFormatCount < DWEN_MAX_TEXTURE_FORMATS ? DDENUMRET_OK : DDENUMRET_CANCEL;
}

int BitsOf(const DwenTextureFormat* f) { return static_cast<int>(f->desc.ddpfPixelFormat.dwRGBBitCount); }

// A pixel of the format from 8-bit channels (alpha ignored when the format has none).
uint32_t PackChannels(const DwenTextureFormat* f, unsigned r, unsigned g, unsigned b, unsigned a) {
    uint32_t v = ((r >> f->red8MinusBits) << f->redShift) | ((g >> f->green8MinusBits) << f->greenShift) |
                 ((b >> f->blue8MinusBits) << f->blueShift);
    if (f->alphaBits) v |= (a >> f->alpha8MinusBits) << f->alphaShift;
    return v;
}

uint8_t Index332(unsigned r, unsigned g, unsigned b) {
    return static_cast<uint8_t>((r & 0xE0) | ((g >> 5) << 2) | (b >> 6));
}

void WritePixel(uint8_t* p, int bytes, uint32_t v) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// 8-bit channels of one source pixel.
inline void SourceChannels(int type, const void* pixels, const uint32_t* palette, size_t index, unsigned* r,
                           unsigned* g, unsigned* b) {
    if (type == 8) {
        const uint32_t e = palette[static_cast<const uint8_t*>(pixels)[index]];
        *r = (e >> 16) & 0xFF;
        *g = (e >> 8) & 0xFF;
        *b = e & 0xFF;
        return;
    }
    const uint16_t v = static_cast<const uint16_t*>(pixels)[index];
    if (type == 15) {
        *r = (v >> 7) & 0xF8;
        *g = (v >> 2) & 0xF8;
    } else {
        *r = (v >> 8) & 0xF8;
        *g = (v >> 3) & 0xFC;
    }
    *b = (v & 0x1Fu) * 8;
}

HRESULT AttachPalette(DwenContext* c, DirectDrawSurface* surface, const PALETTEENTRY* entries) {
    if (!c->directDraw2) return DDERR_INVALIDOBJECT;
    DirectDrawPalette* palette = nullptr;
    HRESULT hr = c->directDraw2->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256 | DDPCAPS_INITIALIZE, entries, &palette);
    if (FAILED(hr)) return hr;
    hr = surface->SetPalette(palette);
    palette->Release();
    return hr;
}

bool SquareOnly(const DwenContext* c) {
    return c->currentDevice && (c->currentDevice->desc.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_SQUAREONLY);
}

void CurrentSize(const DwenContext* c, DwenTexture* t) {
    if (t->flags & DWEN_TEXTURE_RESIZABLE) {
        const int level = std::min(c->textureReduction, 30);
        t->currentWidth = std::max(1, t->requestedWidth >> level);
        t->currentHeight = std::max(1, t->requestedHeight >> level);
    } else {
        t->currentWidth = t->requestedWidth;
        t->currentHeight = t->requestedHeight;
    }
}

DWORD VideoCaps(const DwenContext* c, int flags) {
    if (!c->currentDevice || !c->currentDevice->hardware) return 0;
    DWORD caps = DDSCAPS_VIDEOMEMORY;
    if (flags & DWEN_TEXTURE_LOCAL_VIDMEM) caps |= DDSCAPS_LOCALVIDMEM;
    if (flags & DWEN_TEXTURE_NONLOCAL_VIDMEM) caps |= DDSCAPS_NONLOCALVIDMEM;
    return caps;
}

// A staging copy of the texture's source at its current size.
HRESULT MakeStaging(DwenContext* c, DwenTexture* t, DirectDrawSurface** surface, Direct3DTexture** texture) {
    *surface = Dwen_Create_Surface(c, &t->format->desc, t->currentWidth, t->currentHeight,
                                   DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY);
    *texture = nullptr;
    if (!*surface) return g_lastCreateResult;
    if (!Dwen_Convert_And_Resize_Texture(c, t->sourceType, t->sourceWidth, t->sourceHeight, t->palette, t->pixels,
                                         t->format, t->currentWidth, t->currentHeight, t->alpha, *surface)) {
        ReleaseAndNull(*surface);
        return DDERR_GENERIC;
    }
    if (HRESULT hr = GetTexture(*surface, texture); FAILED(hr)) {
        SetErrorResult(c, hr);
        ReleaseAndNull(*surface);
        return hr;
    }
    return DD_OK;
}

HRESULT CreateNormal(DwenContext* c, DwenTexture* t) {
    if ((t->flags & DWEN_TEXTURE_LOCAL_VIDMEM) && (t->flags & DWEN_TEXTURE_NONLOCAL_VIDMEM)) {
        SetError(c, "Invalid texture memory flag !");
        return DDERR_INVALIDPARAMS;
    }
    ReleaseTextureObjects(t);
    DirectDrawSurface* staging = nullptr;
    Direct3DTexture* stagingTexture = nullptr;
    if (HRESULT hr = MakeStaging(c, t, &staging, &stagingTexture); FAILED(hr)) return hr;
    HRESULT hr = DD_OK;
    const bool hardware = c->currentDevice && c->currentDevice->hardware;
    t->surface = Dwen_Create_Surface(c, &t->format->desc, t->currentWidth, t->currentHeight,
                                     DDSCAPS_TEXTURE | DDSCAPS_ALLOCONLOAD | VideoCaps(c, t->flags));
    if (!t->surface) hr = g_lastCreateResult;
    if (SUCCEEDED(hr) && t->format->palettized) {
        PALETTEENTRY zero[256] = {};
        if (hr = AttachPalette(c, t->surface, zero); FAILED(hr)) SetErrorResult(c, hr);
    }
    if (SUCCEEDED(hr) && FAILED(hr = GetTexture(t->surface, &t->texture))) SetErrorResult(c, hr);
    if (SUCCEEDED(hr) && FAILED(hr = t->texture->Load(stagingTexture))) SetErrorResult(c, hr);
    if (SUCCEEDED(hr) && hardware) {
        DDSURFACEDESC d;
        t->surface->GetSurfaceDesc(&d);
        const DWORD caps = d.ddsCaps.dwCaps;
        const char* text = nullptr;
        if (!(caps & DDSCAPS_VIDEOMEMORY))
            text = "Not enough video memory !";
        else if ((t->flags & DWEN_TEXTURE_LOCAL_VIDMEM) && !(caps & DDSCAPS_LOCALVIDMEM))
            text = "Can't load texture in local video memory: not enough video memory !";
        else if ((t->flags & DWEN_TEXTURE_NONLOCAL_VIDMEM) && !(caps & DDSCAPS_NONLOCALVIDMEM))
            text = "Can't load texture in non local video memory: not enough video memory !";
        if (text) {
            SetError(c, text);
            hr = DDERR_OUTOFVIDEOMEMORY;
        }
    }
    if (SUCCEEDED(hr)) {
        if (!c->device)
            hr = DDERR_INVALIDOBJECT;
        else
            hr = t->texture->GetHandle(c->device, &t->handle);
        if (FAILED(hr)) SetErrorResult(c, hr);
    }
    ReleaseAndNull(stagingTexture);
    ReleaseAndNull(staging);
    if (FAILED(hr)) ReleaseTextureObjects(t);
    return hr;
}

HRESULT CreateFast(DwenContext* c, DwenTexture* t) {
    ReleaseTextureObjects(t);
    const DWORD video = VideoCaps(c, t->flags);
    t->surface = Dwen_Create_Surface(c, &t->format->desc, t->currentWidth, t->currentHeight,
                                     DDSCAPS_TEXTURE | (video ? video : static_cast<DWORD>(DDSCAPS_SYSTEMMEMORY)));
    if (!t->surface) return g_lastCreateResult;
    if (video) {
        DDSURFACEDESC d;
        t->surface->GetSurfaceDesc(&d);
        const DWORD caps = d.ddsCaps.dwCaps;
        if (!(caps & DDSCAPS_VIDEOMEMORY) || ((t->flags & DWEN_TEXTURE_LOCAL_VIDMEM) && !(caps & DDSCAPS_LOCALVIDMEM)) ||
            ((t->flags & DWEN_TEXTURE_NONLOCAL_VIDMEM) && !(caps & DDSCAPS_NONLOCALVIDMEM))) {
            ReleaseTextureObjects(t);
            return DDERR_OUTOFVIDEOMEMORY;
        }
    }
    HRESULT hr = Dwen_Blit_Texture_Fast(c, t) ? DD_OK : DDERR_GENERIC;
    if (SUCCEEDED(hr) && FAILED(hr = GetTexture(t->surface, &t->texture))) SetErrorResult(c, hr);
    if (SUCCEEDED(hr)) {
        hr = c->device ? t->texture->GetHandle(c->device, &t->handle) : DDERR_INVALIDOBJECT;
        if (FAILED(hr)) SetErrorResult(c, hr);
    }
    if (FAILED(hr)) ReleaseTextureObjects(t);
    return hr;
}

HRESULT CreateAny(DwenContext* c, DwenTexture* t) { return t->fast ? CreateFast(c, t) : CreateNormal(c, t); }

bool Evict(DwenContext* c, const DwenTexture* adding);

// Creates a texture, relieving texture memory while creation fails for lack
// of it. Ends: every relief halves a texture, and when none can be halved
// any more the creation fails with the last error.
bool CreateWithRelief(DwenContext* c, DwenTexture* t, bool followLevel) {
    for (;;) {
        const HRESULT hr = CreateAny(c, t);
        if (SUCCEEDED(hr)) return true;
        if (!IsOutOfMemory(hr) || !Evict(c, t)) return false;
        if (followLevel) CurrentSize(c, t);
    }
}

bool Halvable(const DwenTexture* t) {
    return (t->flags & DWEN_TEXTURE_RESIZABLE) && t->currentWidth != 1 && t->currentHeight != 1;
}

// Halves one texture: the next one older than the cursor, or, when the walk
// finds none, the newest of a new pass (which raises the reduction level).
// False when no texture can be halved at all.
bool Evict(DwenContext* c, const DwenTexture* adding) {
    DwenTexture* chosen = nullptr;
    for (DwenTexture* t = c->textureCursor; t && !chosen; t = t->older)
        if (t != adding && Halvable(t)) chosen = t;
    if (!chosen) {
        for (DwenTexture* t = c->textureTail; t && !chosen; t = t->older)
            if (t != adding && Halvable(t)) chosen = t;
        if (!chosen) return false;
        ++c->textureReduction;
    }
    ReleaseTextureObjects(chosen);
    chosen->currentWidth >>= 1;
    chosen->currentHeight >>= 1;
    c->textureCursor = chosen->older;
    // Smaller than before, so it normally fits again; if not, relieve further.
    while (FAILED(CreateAny(c, chosen)))
        if (!Evict(c, chosen)) break;
    return true;
}

void Append(DwenContext* c, DwenTexture* t) {
    t->newer = nullptr;
    t->older = c->textureTail;
    if (c->textureTail) c->textureTail->newer = t;
    c->textureTail = t;
    if (!c->textureHead) c->textureHead = t;
}

bool InList(const DwenContext* c, const DwenTexture* t) {
    for (const DwenTexture* p = c->textureHead; p; p = p->newer)
        if (p == t) return true;
    return false;
}

void* AllocRecord(DwenContext* c, bool zeroed) {
    if (zeroed) return c->allocZeroed ? c->allocZeroed(1, sizeof(DwenTexture)) : std::calloc(1, sizeof(DwenTexture));
    return c->alloc ? c->alloc(sizeof(DwenTexture)) : std::malloc(sizeof(DwenTexture));
}

void FreeRecord(DwenContext* c, DwenTexture* t) {
    if (c->free)
        c->free(t);
    else
        std::free(t);
}

bool ValidSource(int type, int width, int height, const void* pixels, const void* palette) {
    return width > 0 && height > 0 && pixels && (type != 8 || palette);
}

int RestoreOne(DwenContext* c, DwenTexture* t) {
    CurrentSize(c, t);
    if (!CreateWithRelief(c, t, true)) return 0;
    if (t->colorKeySet) Dwen_Set_Color_Key(t, t->keyRed, t->keyGreen, t->keyBlue, t->keyIndex);
    return 1;
}

}  // namespace

namespace dwen {

void ReleaseTextureObjects(DwenTexture* t) {
    ReleaseAndNull(t->texture);
    ReleaseAndNull(t->surface);
    t->handle = 0;
}

int RestoreLostTextures(DwenContext* c) {
    int ok = 1;
    for (DwenTexture* t = c->textureHead; t; t = t->newer)
        if (!t->surface || FAILED(t->surface->IsLost()))
            if (!RestoreOne(c, t)) ok = 0;
    for (DwenTexture* t = c->textureHead; t && ok; t = t->newer)
        if (!Dwen_Reload_Texture(c, t)) ok = 0;
    return ok;
}

}  // namespace dwen

DWEN_API int Dwen_D3DDriver_Texture_Init(DwenContext* c) {
    if (!c) return 0;
    c->textureFormatCount = 0;
    if (!c->device || FAILED(c->device->EnumTextureFormats(StoreFormat, c)))
        return Fail(c, "Textures format enumeration failed !");
    return 1;
}

DWEN_API DirectDrawSurface* Dwen_Create_Surface(DwenContext* c, const DDSURFACEDESC* format, int width, int height,
                                                DWORD extraCaps) {
    g_lastCreateResult = DDERR_INVALIDPARAMS;
    if (!c) return nullptr;
    if (!format || width <= 0 || height <= 0 || !c->directDraw2) {
        SetErrorResult(c, DDERR_INVALIDPARAMS);
        return nullptr;
    }
    DDSURFACEDESC desc = *format;
    desc.dwFlags |= DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = extraCaps;
    DirectDrawSurface* surface = nullptr;
    g_lastCreateResult = c->directDraw2->CreateSurface(&desc, &surface);
    if (FAILED(g_lastCreateResult)) {
        SetErrorResult(c, g_lastCreateResult);
        return nullptr;
    }
    return surface;
}

DWEN_API int Dwen_Convert_And_Resize_Texture(DwenContext* c, int sourceType, int sourceWidth, int sourceHeight,
                                             const uint32_t* palette, const void* pixels, DwenTextureFormat* format,
                                             int width, int height, int alpha, DirectDrawSurface* surface) {
    if (!c) return 0;
    if (sourceType != 8 && sourceType != 15 && sourceType != 16) return Fail(c, "Unsupported source format !");
    if (!format || !surface || width <= 0 || height <= 0 ||
        !ValidSource(sourceType, sourceWidth, sourceHeight, pixels, palette)) {
        SetErrorResult(c, DDERR_INVALIDPARAMS);
        return 0;
    }
    const int bits = BitsOf(format);
    const bool rgb = !format->palettized;
    if (rgb && format->alphaBits ? bits != 16 : rgb && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Fail(c, "Unsupported destination format !");
    PixelView view;
    if (HRESULT hr = surface->Lock(nullptr, &view, DDLOCK_WAIT | DDLOCK_WRITEONLY); FAILED(hr)) {
        SetErrorResult(c, hr);
        return 0;
    }
    // The surface decides how many bytes a pixel takes; never write past it.
    const int bytes = BytesPerPixel(view.format) == 1 ? 1 : (rgb ? (bits + 7) / 8 : 1);
    const int w = std::min(width, view.width), h = std::min(height, view.height);
    if (bytes > BytesPerPixel(view.format) && !(bytes == 3 && view.format == PixelFormat::XRGB8888)) {
        surface->Unlock(view.bits);
        return Fail(c, "Unsupported destination format !");
    }
    const int64_t stepX = (static_cast<int64_t>(sourceWidth) << 16) / width;
    const int64_t stepY = (static_cast<int64_t>(sourceHeight) << 16) / height;
    for (int y = 0; y < h; ++y) {
        const int64_t sy = std::min<int64_t>((0x8000 + y * stepY) >> 16, sourceHeight - 1);
        auto* row = static_cast<uint8_t*>(view.bits) + static_cast<ptrdiff_t>(y) * view.pitch;
        for (int x = 0; x < w; ++x) {
            const int64_t sx = std::min<int64_t>((0x8000 + x * stepX) >> 16, sourceWidth - 1);
            const size_t index = static_cast<size_t>(sy) * static_cast<size_t>(sourceWidth) + static_cast<size_t>(sx);
            if (!rgb && sourceType == 8) {
                row[x] = static_cast<const uint8_t*>(pixels)[index];
                continue;
            }
            unsigned r, g, b;
            SourceChannels(sourceType, pixels, palette, index, &r, &g, &b);
            if (!rgb) {
                row[x] = Index332(r, g, b);
                continue;
            }
            const unsigned a = alpha == -1 ? (3 * r + 6 * g + b) / 10 : static_cast<unsigned>(alpha) & 0xFF;
            WritePixel(row + static_cast<ptrdiff_t>(x) * bytes, bytes, PackChannels(format, r, g, b, a));
        }
    }
    surface->Unlock(view.bits);
    if (!rgb) {
        PALETTEENTRY entries[256];
        for (int i = 0; i < 256; ++i) {
            if (sourceType == 8)
                entries[i] = PALETTEENTRY{static_cast<BYTE>(palette[i] >> 16), static_cast<BYTE>(palette[i] >> 8),
                                          static_cast<BYTE>(palette[i]), 0};
            else
                entries[i] = PALETTEENTRY{static_cast<BYTE>(i & 0xE0), static_cast<BYTE>(((i >> 2) & 7) << 5),
                                          static_cast<BYTE>((i & 3) << 6), 0};
        }
        if (HRESULT hr = AttachPalette(c, surface, entries); FAILED(hr)) {
            SetErrorResult(c, hr);
            return 0;
        }
    }
    return 1;
}

DWEN_API int Dwen_Create_Texture(DwenContext* c, DwenTexture* t) {
    if (!c || !t || !t->format) return 0;
    return SUCCEEDED(CreateNormal(c, t)) ? 1 : 0;
}

DWEN_API int Dwen_Add_Texture(DwenContext* c, int sourceType, int sourceWidth, int sourceHeight, uint32_t* palette,
                              void* pixels, DwenTextureFormat* format, int width, int height, DwenTexture** out,
                              int flags, int alpha, int colorKeySet, uint8_t keyRed, uint8_t keyGreen, uint8_t keyBlue,
                              uint8_t keyIndex) {
    if (out) *out = nullptr;
    if (!c) return 0;
    if (!format || width <= 0 || height <= 0 || !ValidSource(sourceType, sourceWidth, sourceHeight, pixels, palette)) {
        SetErrorResult(c, DDERR_INVALIDPARAMS);
        return 0;
    }
    auto* t = static_cast<DwenTexture*>(AllocRecord(c, true));
    if (!t) return Fail(c, "Not enough memory");
    if (SquareOnly(c)) width = height = std::max(width, height);
    t->requestedWidth = width;
    t->requestedHeight = height;
    t->flags = flags;
    t->alpha = alpha;
    t->format = format;
    t->sourceType = sourceType;
    t->sourceWidth = sourceWidth;
    t->sourceHeight = sourceHeight;
    t->palette = palette;
    t->pixels = pixels;
    CurrentSize(c, t);
    if (!CreateWithRelief(c, t, true)) {
        ReleaseTextureObjects(t);
        FreeRecord(c, t);
        return 0;
    }
    if (colorKeySet) Dwen_Set_Color_Key(t, keyRed, keyGreen, keyBlue, keyIndex);
    Append(c, t);
    if (out) *out = t;
    return 1;
}

DWEN_API int Dwen_Reload_Texture(DwenContext* c, DwenTexture* t) {
    if (!c || !t || !t->format) return 0;
    if (t->fast) return Dwen_Blit_Texture_Fast(c, t);
    if (!t->texture) return 0;
    DirectDrawSurface* staging = nullptr;
    Direct3DTexture* stagingTexture = nullptr;
    if (FAILED(MakeStaging(c, t, &staging, &stagingTexture))) return 0;
    const HRESULT hr = t->texture->Load(stagingTexture);
    if (FAILED(hr)) SetErrorResult(c, hr);
    ReleaseAndNull(stagingTexture);
    ReleaseAndNull(staging);
    return SUCCEEDED(hr) ? 1 : 0;
}

DWEN_API HRESULT Dwen_Set_Color_Key(DwenTexture* t, uint8_t red, uint8_t green, uint8_t blue, uint8_t index) {
    if (!t || !t->format) return DDERR_INVALIDPARAMS;
    t->colorKeySet = 1;
    t->keyRed = red;
    t->keyGreen = green;
    t->keyBlue = blue;
    t->keyIndex = index;
    if (!t->surface) return DDERR_INVALIDOBJECT;
    DDCOLORKEY key;
    const DwenTextureFormat* f = t->format;
    if (f->palettized)
        key.dwColorSpaceLowValue = t->sourceType == 8 ? index : Index332(red, green, blue);
    else
        key.dwColorSpaceLowValue = PackChannels(f, red, green, blue, 0);
    key.dwColorSpaceHighValue = key.dwColorSpaceLowValue;
    return t->surface->SetColorKey(DDCKEY_SRCBLT, &key);
}

DWEN_API int Dwen_Sub_Texture(DwenContext* c, DwenTexture* t) {
    if (!c || !t || !InList(c, t)) return 0;
    if (c->textureTail == t) c->textureTail = t->older;
    if (c->textureCursor == t) c->textureCursor = t->older;
    if (c->textureHead == t) c->textureHead = t->newer;
    if (t->older) t->older->newer = t->newer;
    if (t->newer) t->newer->older = t->older;
    ReleaseTextureObjects(t);
    FreeRecord(c, t);
    return 1;
}

DWEN_API int Dwen_Restore_Texture(DwenContext* c, DwenTexture* t) {
    if (!c || !t || !t->format) return 0;
    return RestoreOne(c, t);
}

DWEN_API int Dwen_Restore_Texture_Fast(DwenContext* c, DwenTexture* t) {
    if (!c || !t || !t->format) return 0;
    return RestoreOne(c, t);
}

DWEN_API int Dwen_Restore_All_Texture(DwenContext* c) {
    if (!c) return 0;
    c->textureReduction = 0;
    c->textureCursor = nullptr;
    for (DwenTexture* t = c->textureHead; t; t = t->newer)
        if (!(t->fast ? Dwen_Restore_Texture_Fast(c, t) : Dwen_Restore_Texture(c, t))) return 0;
    return 1;
}

DWEN_API int Dwen_Release_All_Texture(DwenContext* c) {
    if (!c) return 0;
    for (DwenTexture* t = c->textureHead; t; t = t->newer) {
        ReleaseTextureObjects(t);
        t->currentWidth = t->requestedWidth;
        t->currentHeight = t->requestedHeight;
    }
    c->textureCursor = nullptr;
    c->textureReduction = 0;
    return 1;
}

DWEN_API int Dwen_Init_Texture_Resize(DwenContext* c) {
    if (!c) return 0;
    c->textureReduction = 0;
    return 1;
}

DWEN_API int Dwen_Add_Texture_Fast(DwenContext* c, DwenFastTextureDesc* d) {
    if (!c || !d) return 0;
    d->texture = nullptr;
    if ((d->flags & DWEN_TEXTURE_LOCAL_VIDMEM) && (d->flags & DWEN_TEXTURE_NONLOCAL_VIDMEM))
        return Fail(c, "Invalid texture memory flag !");
    if (!d->format || !ValidSource(d->sourceType, d->width, d->height, d->pixels, d->palette) ||
        (d->sourceType != 8 && d->sourceType != 15 && d->sourceType != 16)) {
        SetErrorResult(c, DDERR_INVALIDPARAMS);
        return 0;
    }
    auto* t = static_cast<DwenTexture*>(AllocRecord(c, false));
    if (!t) return Fail(c, "Not enough memory");
    std::memset(t, 0, sizeof *t);
    int w = d->width, h = d->height;
    if (SquareOnly(c)) w = h = std::min(w, h);
    t->requestedWidth = w;
    t->requestedHeight = h;
    t->flags = d->flags;
    t->alpha = -1;
    t->fast = 1;
    t->format = d->format;
    t->sourceType = d->sourceType;
    t->sourceWidth = d->width;
    t->sourceHeight = d->height;
    t->palette = d->palette;
    t->pixels = d->pixels;
    CurrentSize(c, t);
    if (!CreateWithRelief(c, t, true)) {
        ReleaseTextureObjects(t);
        FreeRecord(c, t);
        return 0;
    }
    if (d->colorKeySet) Dwen_Set_Color_Key(t, d->keyRed, d->keyGreen, d->keyBlue, d->keyIndex);
    Append(c, t);
    d->texture = t;
    return 1;
}

DWEN_API int Dwen_Create_Texture_Fast(DwenContext* c, DwenTexture* t) {
    if (!c || !t || !t->format) return 0;
    return SUCCEEDED(CreateFast(c, t)) ? 1 : 0;
}

DWEN_API int Dwen_Blit_Texture_Fast(DwenContext* c, DwenTexture* t) {
    if (!c || !t || !t->surface || !t->format) return 0;
    if (!ValidSource(t->sourceType, t->sourceWidth, t->sourceHeight, t->pixels, t->palette) || t->currentWidth <= 0 ||
        t->currentHeight <= 0)
        return 0;
    PixelView view;
    if (HRESULT hr = t->surface->Lock(nullptr, &view, DDLOCK_WAIT | DDLOCK_WRITEONLY); FAILED(hr)) {
        SetErrorResult(c, hr);
        return 0;
    }
    const int w = std::min(t->currentWidth, view.width), h = std::min(t->currentHeight, view.height);
    const int stepX = std::max(1, t->sourceWidth / t->currentWidth);
    const int stepY = std::max(1, t->sourceHeight / t->currentHeight);
    const int bpp = BytesPerPixel(view.format);
    const DwenTextureFormat* f = t->format;
    bool paletteToSet = false;
    for (int y = 0; y < h; ++y) {
        const size_t srcRow = static_cast<size_t>(std::min(y * stepY, t->sourceHeight - 1)) * static_cast<size_t>(t->sourceWidth);
        auto* row = static_cast<uint8_t*>(view.bits) + static_cast<ptrdiff_t>(y) * view.pitch;
        if (t->sourceType != 8 && bpp == 2) {
            const auto* src = static_cast<const uint16_t*>(t->pixels) + srcRow;
            if (stepX == 1 && w <= t->sourceWidth) {
                std::memcpy(row, src, static_cast<size_t>(w) * 2);
            } else {
                for (int x = 0; x < w; ++x) std::memcpy(row + 2 * x, &src[std::min(x * stepX, t->sourceWidth - 1)], 2);
            }
            continue;
        }
        const auto* src8 = static_cast<const uint8_t*>(t->pixels) + srcRow;
        for (int x = 0; x < w; ++x) {
            const size_t sx = static_cast<size_t>(std::min(x * stepX, t->sourceWidth - 1));
            if (t->sourceType == 8 && f->is555 && bpp == 2) {
                const auto* ready = reinterpret_cast<const uint16_t*>(t->palette + 256);
                std::memcpy(row + 2 * x, &ready[src8[sx]], 2);
            } else if (t->sourceType == 8 && bpp == 1) {
                row[x] = src8[sx];
                paletteToSet = true;
            } else {
                unsigned r, g, b;
                SourceChannels(t->sourceType, t->pixels, t->palette, srcRow + sx, &r, &g, &b);
                const uint32_t v = bpp == 1 ? Index332(r, g, b) : PackChannels(f, r, g, b, (3 * r + 6 * g + b) / 10);
                WritePixel(row + static_cast<ptrdiff_t>(x) * bpp, bpp, v);
            }
        }
    }
    t->surface->Unlock(view.bits);
    if (paletteToSet) {
        PALETTEENTRY entries[256];
        for (int i = 0; i < 256; ++i)
            entries[i] = PALETTEENTRY{static_cast<BYTE>(t->palette[i] >> 16), static_cast<BYTE>(t->palette[i] >> 8),
                                      static_cast<BYTE>(t->palette[i]), 0};
        DirectDrawPalette* existing = nullptr;
        if (SUCCEEDED(t->surface->GetPalette(&existing))) {
            existing->SetEntries(0, 0, 256, entries);
            existing->Release();
        } else if (HRESULT hr = AttachPalette(c, t->surface, entries); FAILED(hr)) {
            SetErrorResult(c, hr);
            return 0;
        }
    }
    return 1;
}
