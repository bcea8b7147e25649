// DirectDraw stand-in: a display object with its modes and cooperative level,
// surfaces in system memory (16-bit 5-6-5 or 5-5-5, 32-bit, 8-bit palettised,
// 16/32-bit depth), a primary surface with an attached back buffer, palettes
// and clippers. Everything is synchronous; "still drawing" and "surface lost"
// are states that can be provoked so that callers' retry and restore paths run.
//
// Objects are reference counted like their COM models: creators hand out one
// reference, GetAttachedSurface adds one, Release drops one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/PixelView.h"
#include "platform/Types.h"

namespace platform {

// Results, with their Windows values.
enum : HRESULT {
    DD_OK = 0,
    DDERR_UNSUPPORTED = static_cast<HRESULT>(0x80004001),
    DDERR_GENERIC = static_cast<HRESULT>(0x80004005),
    DDERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E),
    DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057),
    DDERR_INVALIDCAPS = static_cast<HRESULT>(0x88760064),
    DDERR_INVALIDMODE = static_cast<HRESULT>(0x88760078),
    DDERR_INVALIDOBJECT = static_cast<HRESULT>(0x88760082),
    DDERR_INVALIDPIXELFORMAT = static_cast<HRESULT>(0x88760091),
    DDERR_INVALIDRECT = static_cast<HRESULT>(0x88760096),
    DDERR_NOCOOPERATIVELEVELSET = static_cast<HRESULT>(0x887600D4),
    DDERR_NOCOLORKEY = static_cast<HRESULT>(0x887600D7),
    DDERR_NOEXCLUSIVEMODE = static_cast<HRESULT>(0x887600E1),
    DDERR_NOTFOUND = static_cast<HRESULT>(0x887600FF),
    DDERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x8876017C),
    DDERR_SURFACEALREADYATTACHED = static_cast<HRESULT>(0x8876019A),
    DDERR_SURFACEBUSY = static_cast<HRESULT>(0x887601AE),
    DDERR_SURFACELOST = static_cast<HRESULT>(0x887601C2),
    DDERR_WASSTILLDRAWING = static_cast<HRESULT>(0x8876021C),
    DDERR_INVALIDDIRECTDRAWGUID = static_cast<HRESULT>(0x88760231),
    DDERR_PRIMARYSURFACEALREADYEXISTS = static_cast<HRESULT>(0x88760234),
    DDERR_NOTFLIPPABLE = static_cast<HRESULT>(0x88760246),
    DDERR_NOTLOCKED = static_cast<HRESULT>(0x88760248),
    DDERR_NOTPALETTIZED = static_cast<HRESULT>(0x8876024D),
};

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

struct GUID {
    DWORD Data1 = 0;
    WORD Data2 = 0;
    WORD Data3 = 0;
    BYTE Data4[8] = {};
};
bool operator==(const GUID& a, const GUID& b);
inline bool IsNullGuid(const GUID* g) { return g == nullptr || *g == GUID{}; }

struct PALETTEENTRY {
    BYTE peRed = 0;
    BYTE peGreen = 0;
    BYTE peBlue = 0;
    BYTE peFlags = 0;
};

// Pixel format flags.
enum : DWORD {
    DDPF_ALPHAPIXELS = 0x00000001,
    DDPF_PALETTEINDEXED8 = 0x00000020,
    DDPF_RGB = 0x00000040,
    DDPF_ZBUFFER = 0x00000400,
};

struct DDPIXELFORMAT {
    DWORD dwSize = 32;
    DWORD dwFlags = 0;
    DWORD dwFourCC = 0;
    DWORD dwRGBBitCount = 0;  // also the depth of a z-buffer format
    DWORD dwRBitMask = 0;
    DWORD dwGBitMask = 0;
    DWORD dwBBitMask = 0;
    DWORD dwRGBAlphaBitMask = 0;
};

// Surface capabilities.
enum : DWORD {
    DDSCAPS_BACKBUFFER = 0x00000004,
    DDSCAPS_COMPLEX = 0x00000008,
    DDSCAPS_FLIP = 0x00000010,
    DDSCAPS_FRONTBUFFER = 0x00000020,
    DDSCAPS_OFFSCREENPLAIN = 0x00000040,
    DDSCAPS_PALETTE = 0x00000100,
    DDSCAPS_PRIMARYSURFACE = 0x00000200,
    DDSCAPS_SYSTEMMEMORY = 0x00000800,
    DDSCAPS_TEXTURE = 0x00001000,
    DDSCAPS_3DDEVICE = 0x00002000,
    DDSCAPS_VIDEOMEMORY = 0x00004000,
    DDSCAPS_VISIBLE = 0x00008000,
    DDSCAPS_ZBUFFER = 0x00020000,
    DDSCAPS_OWNDC = 0x00040000,
    DDSCAPS_ALLOCONLOAD = 0x04000000,
    DDSCAPS_LOCALVIDMEM = 0x10000000,
    DDSCAPS_NONLOCALVIDMEM = 0x20000000,
};

struct DDSCAPS {
    DWORD dwCaps = 0;
};

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue = 0;
    DWORD dwColorSpaceHighValue = 0;
};

// Which fields of a surface description are valid.
enum : DWORD {
    DDSD_CAPS = 0x00000001,
    DDSD_HEIGHT = 0x00000002,
    DDSD_WIDTH = 0x00000004,
    DDSD_PITCH = 0x00000008,
    DDSD_BACKBUFFERCOUNT = 0x00000020,
    DDSD_ZBUFFERBITDEPTH = 0x00000040,
    DDSD_LPSURFACE = 0x00000800,
    DDSD_PIXELFORMAT = 0x00001000,
    DDSD_CKSRCBLT = 0x00010000,
    DDSD_REFRESHRATE = 0x00040000,
};

struct DDSURFACEDESC {
    DWORD dwSize = 108;
    DWORD dwFlags = 0;
    DWORD dwHeight = 0;
    DWORD dwWidth = 0;
    LONG lPitch = 0;
    DWORD dwBackBufferCount = 0;
    DWORD dwZBufferBitDepth = 0;
    DWORD dwRefreshRate = 0;
    void* lpSurface = nullptr;
    DDCOLORKEY ddckCKSrcBlt{};
    DDPIXELFORMAT ddpfPixelFormat{};
    DDSCAPS ddsCaps{};
};

// Display object capabilities (the fields this machine reports).
enum : DWORD {
    DDCAPS_3D = 0x00000001,
    DDCAPS_BLT = 0x00000040,
    DDCAPS_BLTSTRETCH = 0x00000200,
    DDCAPS_COLORKEY = 0x00400000,
    DDCAPS_BLTCOLORFILL = 0x04000000,
};

struct DDCAPS {
    DWORD dwSize = 380;
    DWORD dwCaps = 0;
    DWORD dwCaps2 = 0;
    DWORD dwCKeyCaps = 0;
    DWORD dwPalCaps = 0;
    DWORD dwVidMemTotal = 0;
    DWORD dwVidMemFree = 0;
    DDSCAPS ddsCaps{};
};

// Depth flags of device descriptions.
enum : DWORD {
    DDBD_1 = 0x4000,
    DDBD_2 = 0x2000,
    DDBD_4 = 0x1000,
    DDBD_8 = 0x0800,
    DDBD_16 = 0x0400,
    DDBD_24 = 0x0200,
    DDBD_32 = 0x0100,
};

// Cooperative levels.
enum : DWORD {
    DDSCL_FULLSCREEN = 0x00000001,
    DDSCL_ALLOWREBOOT = 0x00000002,
    DDSCL_NOWINDOWCHANGES = 0x00000004,
    DDSCL_NORMAL = 0x00000008,
    DDSCL_EXCLUSIVE = 0x00000010,
    DDSCL_FPUSETUP = 0x00000800,
};

// Blt flags and effects.
enum : DWORD {
    DDBLT_ASYNC = 0x00000200,
    DDBLT_COLORFILL = 0x00000400,
    DDBLT_KEYSRC = 0x00008000,
    DDBLT_KEYSRCOVERRIDE = 0x00010000,
    DDBLT_WAIT = 0x01000000,
};

struct DDBLTFX {
    DWORD dwSize = 100;
    DWORD dwFillColor = 0;
    DDCOLORKEY ddckSrcColorkey{};
};

// BltFast flags.
enum : DWORD {
    DDBLTFAST_NOCOLORKEY = 0x0,
    DDBLTFAST_SRCCOLORKEY = 0x1,
    DDBLTFAST_WAIT = 0x10,
};

// Lock and flip flags.
enum : DWORD {
    DDLOCK_SURFACEMEMORYPTR = 0x0,
    DDLOCK_WAIT = 0x1,
    DDLOCK_READONLY = 0x10,
    DDLOCK_WRITEONLY = 0x20,
    DDFLIP_WAIT = 0x1,
};

// Colour key kinds.
enum : DWORD {
    DDCKEY_DESTBLT = 0x2,
    DDCKEY_SRCBLT = 0x8,
};

// Palette creation flags.
enum : DWORD {
    DDPCAPS_8BIT = 0x00000004,
    DDPCAPS_INITIALIZE = 0x00000008,
    DDPCAPS_ALLOW256 = 0x00000040,
};

// Enumeration callback answers.
enum : HRESULT { DDENUMRET_CANCEL = 0, DDENUMRET_OK = 1 };

// Shared reference counting of the display objects.
class RefCounted {
public:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;
    DWORD AddRef() { return ++m_refs; }
    DWORD Release();

protected:
    virtual ~RefCounted() = default;

private:
    DWORD m_refs = 1;
};

class DirectDrawPalette : public RefCounted {
public:
    HRESULT GetEntries(DWORD flags, DWORD start, DWORD count, PALETTEENTRY* out) const;
    HRESULT SetEntries(DWORD flags, DWORD start, DWORD count, const PALETTEENTRY* in);
    const PALETTEENTRY* Entries() const { return m_entries; }

private:
    friend class DirectDraw;
    PALETTEENTRY m_entries[256]{};
};

class DirectDrawClipper : public RefCounted {
public:
    HRESULT SetHWnd(DWORD flags, HWND window);
    HRESULT GetHWnd(HWND* window) const;

private:
    friend class DirectDraw;
    HWND m_window = nullptr;
};

class DirectDraw;

class DirectDrawSurface : public RefCounted {
public:
    // Pixels of the whole surface (rect null) or of one rectangle, which must
    // lie inside the surface. The pitch is that of the whole surface.
    HRESULT Lock(const RECT* rect, PixelView* out, DWORD flags);
    // DirectDraw form of the lock: lpSurface and lPitch in the description.
    HRESULT Lock(const RECT* rect, DDSURFACEDESC* desc, DWORD flags);
    HRESULT Unlock(void* bits);
    bool IsLocked() const { return m_locked; }

    // Copies srcRect of src (whole when null) to destRect (whole when null),
    // stretched when the sizes differ, both clipped against their surfaces.
    // DDBLT_COLORFILL fills destRect with fx->dwFillColor instead.
    HRESULT Blt(const RECT* destRect, DirectDrawSurface* src, const RECT* srcRect, DWORD flags, const DDBLTFX* fx);
    // Unstretched copy of srcRect to (x, y).
    HRESULT BltFast(DWORD x, DWORD y, DirectDrawSurface* src, const RECT* srcRect, DWORD flags);
    // Front surface of a flipping chain: swaps it with its back buffer and
    // presents the new front picture.
    HRESULT Flip(DirectDrawSurface* target, DWORD flags);

    HRESULT GetAttachedSurface(const DDSCAPS* caps, DirectDrawSurface** out);
    HRESULT AddAttachedSurface(DirectDrawSurface* surface);
    HRESULT DeleteAttachedSurface(DWORD flags, DirectDrawSurface* surface);

    HRESULT GetSurfaceDesc(DDSURFACEDESC* desc) const;
    HRESULT GetPixelFormat(DDPIXELFORMAT* format) const;
    HRESULT SetColorKey(DWORD flags, const DDCOLORKEY* key);  // key null removes it
    HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key) const;
    HRESULT SetPalette(DirectDrawPalette* palette);  // null detaches
    HRESULT GetPalette(DirectDrawPalette** out);
    HRESULT SetClipper(DirectDrawClipper* clipper);  // null detaches
    HRESULT GetClipper(DirectDrawClipper** out);

    HRESULT IsLost() const { return m_lost ? DDERR_SURFACELOST : DD_OK; }
    // Gives the surface its memory back; the contents are undefined afterwards.
    // Restoring a flipping chain's front restores its back buffer too.
    HRESULT Restore();

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Pitch() const { return m_pitch; }
    PixelFormat Format() const { return m_format; }
    DWORD Caps() const { return m_caps; }

private:
    friend class DirectDraw;
    friend void LoseAllSurfaces();
    DirectDrawSurface();
    ~DirectDrawSurface() override;
    void Allocate();
    PixelView View() const;
    bool IsPrimary() const { return (m_caps & DDSCAPS_PRIMARYSURFACE) != 0; }
    void PresentRegion(const RECT& dest, DirectDrawSurface* src, const RECT& srcRect);

    int m_width = 0;
    int m_height = 0;
    int m_pitch = 0;
    PixelFormat m_format = PixelFormat::RGB565;
    DDPIXELFORMAT m_ddpf{};
    DWORD m_caps = 0;
    std::vector<std::uint8_t> m_memory;
    std::uint8_t* m_bits = nullptr;  // first pixel inside m_memory
    bool m_locked = false;
    bool m_lost = false;
    bool m_flipped = false;  // flipping chain: the buffers have traded memory an odd number of times
    bool m_hasSrcKey = false;
    DDCOLORKEY m_srcKey{};
    bool m_hasDestKey = false;
    DDCOLORKEY m_destKey{};
    DirectDrawPalette* m_palette = nullptr;
    DirectDrawClipper* m_clipper = nullptr;
    DirectDrawSurface* m_backBuffer = nullptr;   // flipping chain: owned by the front
    DirectDrawSurface* m_frontBuffer = nullptr;  // back buffer: its front (not owned)
    DirectDrawSurface* m_zBuffer = nullptr;      // attached depth surface (one reference)
    DirectDraw* m_owner = nullptr;               // for the primary: its display object
    std::size_t m_countedBytes = 0;              // texture memory counted for this surface
    std::size_t m_videoBytes = 0;                // video memory counted for this surface
};

using LPDDENUMCALLBACK = BOOL (*)(GUID* guid, char* description, char* name, void* context);
using LPDDENUMMODESCALLBACK = HRESULT (*)(DDSURFACEDESC* mode, void* context);

class DirectDraw : public RefCounted {
public:
    HRESULT GetCaps(DDCAPS* driver, DDCAPS* emulation) const;
    HRESULT GetDisplayMode(DDSURFACEDESC* desc) const;
    // Lists the modes of the display profile (DisplayProfile.h); a filter description with width, height
    // or pixel format narrows the list.
    HRESULT EnumDisplayModes(DWORD flags, const DDSURFACEDESC* filter, void* context, LPDDENUMMODESCALLBACK callback) const;
    HRESULT SetCooperativeLevel(HWND window, DWORD flags);
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate = 0, DWORD flags = 0);
    HRESULT RestoreDisplayMode();
    HRESULT CreateSurface(const DDSURFACEDESC* desc, DirectDrawSurface** out, void* unknownOuter = nullptr);
    HRESULT CreatePalette(DWORD flags, const PALETTEENTRY* entries, DirectDrawPalette** out, void* unknownOuter = nullptr);
    HRESULT CreateClipper(DWORD flags, DirectDrawClipper** out, void* unknownOuter = nullptr);
    // Makes the flipping chain's original front memory (the one the desktop's
    // drawing goes to) visible again, before another program draws on the screen.
    HRESULT FlipToGDISurface();

    DWORD CooperativeLevel() const { return m_coopLevel; }
    HWND CooperativeWindow() const { return m_window; }

private:
    friend HRESULT DirectDrawCreate(const GUID*, DirectDraw**, void*);
    friend class DirectDrawSurface;
    DirectDraw() = default;
    ~DirectDraw() override;

    DWORD m_coopLevel = 0;
    HWND m_window = nullptr;
    bool m_modeSet = false;
    int m_modeWidth = 0, m_modeHeight = 0, m_modeBits = 0;
    DirectDrawSurface* m_primary = nullptr;  // not owned; cleared when it goes
    int m_driver = 0;                        // index in the display profile
    bool m_fullScreenWindow = false;         // m_window was taken to full screen
};

// The display profile's drivers (DisplayProfile.h); the primary display has a null GUID.
HRESULT DirectDrawEnumerate(LPDDENUMCALLBACK callback, void* context);
// guid null or all zero: the primary display.
HRESULT DirectDrawCreate(const GUID* guid, DirectDraw** out, void* unknownOuter = nullptr);

// The desktop's size is the host's (the backend's desktop rectangle) unless
// set here; 0 x 0 returns to the host's. Its depth is 16 bits unless set to
// 32: the presenter converts for the host, and a 16-bit desktop lets the
// game draw in a window as it does in full screen.
void SetDesktopMode(int width, int height, int bitsPerPixel);
// Which 16-bit layout a 16-bit display mode uses (5-6-5 unless told 5-5-5).
void SetDisplay16BitFormat(PixelFormat format);
PixelFormat Display16BitFormat();
// A non-palette display: no system palette entries (returns 0, entries zeroed).
UINT GetSystemPaletteEntries(UINT start, UINT count, PALETTEENTRY* out);

// The DirectDraw pixel format of one of our formats, and back. A format we do
// not hold (other masks or depths) answers false.
DDPIXELFORMAT PixelFormatDesc(PixelFormat format);
bool PixelFormatFromDesc(const DDPIXELFORMAT& desc, PixelFormat* out);

// Copies the pixels of one view into another of any direct-colour format,
// converting them (5-bit and 6-bit channels widened by repeating their top
// bits); the area copied is the smaller of the two sizes. False for 8-bit or
// empty views.
bool ConvertPixels(const PixelView& from, const PixelView& to);

// Provoked states, for tests and for the host backend (e.g. on losing full screen).
void LoseAllSurfaces();          // every live surface reports DDERR_SURFACELOST until restored
void SimulateStillDrawing(int operations);  // the next N operations without a WAIT flag answer DDERR_WASSTILLDRAWING
void SetTextureMemoryLimit(std::size_t bytes);  // total bytes of texture surfaces; 0 = unlimited
std::size_t TextureMemoryInUse();
int LiveSurfaceCount();

}  // namespace platform
