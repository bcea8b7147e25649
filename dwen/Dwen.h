// dwen: the display layer. A flat set of C exports over the DirectDraw and
// Direct3D stand-ins of the platform layer: display drivers, 3D devices and
// video modes; front and back buffers, z-buffer, device, viewport and
// background material; the back buffer handed out for software drawing;
// presentation and lost surfaces; textures kept in a list so that they can be
// rebuilt (and halved when texture memory runs out); bitmaps and fades.
//
// Every record below is a plain struct whose fields keep the order callers
// rely on. All state lives in one DwenContext owned by the caller; the
// library keeps no lock and is used from the window thread.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "platform/Direct3D.h"
#include "platform/Surface.h"
#include "platform/Types.h"

#define DWEN_API extern "C" __attribute__((visibility("default")))

enum { DWEN_MAX_DRIVERS = 128, DWEN_MAX_DEVICES = 128, DWEN_MAX_MODES = 128, DWEN_MAX_TEXTURE_FORMATS = 128 };

// Texture flags.
enum { DWEN_TEXTURE_RESIZABLE = 1, DWEN_TEXTURE_LOCAL_VIDMEM = 2, DWEN_TEXTURE_NONLOCAL_VIDMEM = 4 };

typedef void* (*DwenAllocFn)(size_t size);
typedef void* (*DwenCallocFn)(size_t count, size_t size);
typedef void* (*DwenReallocFn)(void* block, size_t size);
typedef void (*DwenFreeFn)(void* block);

struct DwenDriverInfo {
    char name[64];
    char description[64];
    platform::DDCAPS caps;
    platform::GUID guid;  // all zero for the primary display
    int primary;
};

struct DwenDeviceInfo {
    char name[64];
    char description[64];
    platform::D3DDEVICEDESC desc;  // hardware description when its colour model is set, else the software one
    platform::GUID guid;
    int hardware;
    int window;        // renders at the desktop's depth on the primary display
    int blendOne;      // destination blend ONE (or INVSRCALPHA standing in for it)
    int blendInvSrcAlpha;
};

struct DwenVideoMode {
    int width;
    int height;
    int bpp;
};

struct DwenTextureFormat {
    platform::DDSURFACEDESC desc;
    int palettized;
    int is555;
    int redBits, greenBits, blueBits, alphaBits;
    int redShift, greenShift, blueShift, alphaShift;
    int red8MinusBits, green8MinusBits, blue8MinusBits, alpha8MinusBits;
};

struct DwenTexture {
    int requestedWidth, requestedHeight;
    int currentWidth, currentHeight;
    int flags;
    int alpha;  // -1: from the brightness
    int fast;
    DwenTextureFormat* format;
    platform::DirectDrawSurface* surface;
    platform::Direct3DTexture* texture;
    platform::D3DTEXTUREHANDLE handle;
    DwenTexture* older;
    DwenTexture* newer;
    int sourceType;  // 8, 15 or 16
    int sourceWidth, sourceHeight;
    uint32_t* palette;  // 256 x 0x00RRGGBB (fast textures on 5-5-5: 256 16-bit entries follow)
    void* pixels;       // the caller's picture, read again at every reload
    int colorKeySet;
    uint8_t keyRed, keyGreen, keyBlue, keyIndex;
};

struct DwenBitmap {
    int width, height;
    int referenceWidth, referenceHeight;
    platform::DWORD blitFlags;
    platform::DirectDrawSurface* surface;
    DwenBitmap* newer;
    DwenBitmap* older;
    // Kept so that a lost surface can be filled again.
    uint16_t* source;  // width x height 5-5-5 pixels
    int keySet;
    uint8_t keyRed, keyGreen, keyBlue;
};

struct DwenFastTextureDesc {
    int sourceType;
    int width, height;
    uint32_t* palette;
    void* pixels;
    DwenTextureFormat* format;
    int flags;
    DwenTexture* texture;  // out
    int colorKeySet;
    uint8_t keyRed, keyGreen, keyBlue, keyIndex;
};

struct DwenContext {
    platform::HWND window;
    platform::DirectDraw* directDraw;
    platform::DirectDraw* directDraw2;  // the same object (one more reference): the stand-in has one interface
    platform::Direct3D* direct3D2;
    platform::Direct3DDevice* device;
    platform::Direct3DViewport* viewport;
    platform::DirectDrawSurface* frontBuffer;
    platform::DirectDrawSurface* backBuffer;
    platform::DirectDrawSurface* zBuffer;
    platform::DirectDrawClipper* clipper;
    platform::Direct3DMaterial* backgroundMaterial;
    platform::DDPIXELFORMAT frontPixelFormat;
    platform::D3DMATERIALHANDLE backgroundHandle;
    platform::DDSURFACEDESC frontDesc, backDesc, zBufferDesc;
    int driverCount;
    DwenDriverInfo drivers[DWEN_MAX_DRIVERS];
    DwenDriverInfo* currentDriver;
    int deviceCount;
    DwenDeviceInfo devices[DWEN_MAX_DEVICES];
    DwenDeviceInfo* currentDevice;
    int modeCount;
    DwenVideoMode modes[DWEN_MAX_MODES];
    DwenVideoMode* currentMode;
    int textureFormatCount;
    DwenTextureFormat textureFormats[DWEN_MAX_TEXTURE_FORMATS];
    // Texture list: oldest at the head, newest at the tail; the cursor is
    // where the next eviction walk starts.
    int textureReduction;
    DwenTexture* textureHead;
    DwenTexture* textureCursor;
    DwenTexture* textureTail;
    int bitmapCount;
    DwenBitmap* bitmapHead;
    char errorText[256];
    platform::PALETTEENTRY systemPalette[256];
    int desktopWidth, desktopHeight, desktopBpp;
    int fullScreen;
    int minimised;
    int ready;
    platform::RECT clientRect;  // screen coordinates
    DwenAllocFn alloc;
    DwenCallocFn allocZeroed;
    DwenReallocFn reallocate;
    DwenFreeFn free;
    // Fade table: entry (v, k) = v * k / 31, truncated.
    int fadeTable[256][32];
    int fadeTableBuilt;
};

// Set-up, step by step.
DWEN_API DwenContext* Dwen_Init_Io(DwenContext* c, DwenAllocFn alloc, DwenCallocFn allocZeroed, DwenReallocFn reallocate,
                                   DwenFreeFn free);
DWEN_API int Dwen_DDDriver_Get_List(DwenContext* c);
DWEN_API int Dwen_DDDriver_Init(DwenContext* c, int driver);
DWEN_API int Dwen_DDDriver_Get_Video_Mode_List(DwenContext* c);
DWEN_API int Dwen_D3DDriver_Init(DwenContext* c);
DWEN_API int Dwen_D3DDriver_Get_Device_List(DwenContext* c);
DWEN_API int Dwen_DDDriver_Init_D3DDriver_And_Video_Mode(DwenContext* c, int device, int mode, int fullScreen,
                                                         int resizeWindow);
DWEN_API int Dwen_DDDriver_Create_Buffer(DwenContext* c);
DWEN_API int Dwen_DDDriver_Clear_Buffer(DwenContext* c);
DWEN_API int Dwen_DDDriver_Create_Zbuffer(DwenContext* c);
DWEN_API int Dwen_D3DDriver_Create_Device(DwenContext* c);
DWEN_API int Dwen_D3DDriver_Texture_Init(DwenContext* c);
DWEN_API int Dwen_D3DDriver_Create_Viewport(DwenContext* c);
DWEN_API int Dwen_D3DDriver_Set_Default_Render_State(DwenContext* c);
DWEN_API int Dwen_D3DDriver_Create_Material(DwenContext* c);
DWEN_API int Dwen_Init_All(DwenContext* c, platform::HWND window, int width, int height, int bpp, int fullScreen,
                           int withZbuffer, int keepFlags, int resizeWindow);

// Use and tear-down.
DWEN_API int Dwen_Lock_BackBuffer(DwenContext* c, void** memory, int* pitch);
DWEN_API platform::HRESULT Dwen_Unlock_BackBuffer(DwenContext* c, void* memory);
DWEN_API int Dwen_Lock_Zbuffer(DwenContext* c, void** memory, int* pitch);
DWEN_API platform::HRESULT Dwen_Unlock_Zbuffer(DwenContext* c, void* memory);
DWEN_API int Dwen_Show_BackBuffer(DwenContext* c);
DWEN_API int Dwen_D3DDriver_Set_Render_State(DwenContext* c, platform::DWORD state, platform::DWORD value);
DWEN_API int Dwen_D3DDriver_Set_Light_State(DwenContext* c, platform::DWORD state, platform::DWORD value);
DWEN_API void Dwen_WindowProc(DwenContext* c, platform::HWND window, platform::UINT message, platform::WPARAM wParam,
                              platform::LPARAM lParam, int* handled, platform::LRESULT* result);
DWEN_API int Dwen_Check_Lost_Surface(DwenContext* c);
DWEN_API void Dwen_Message(DwenContext* c, const char* format, ...) __attribute__((format(printf, 2, 3)));
DWEN_API const char* Dwen_Error(platform::HRESULT code);
DWEN_API platform::DWORD Dwen_Convert_Bpp_To_DDBpp(int bits);
DWEN_API int Dwen_Destroy(DwenContext* c, int flags);

// Textures.
DWEN_API int Dwen_Convert_And_Resize_Texture(DwenContext* c, int sourceType, int sourceWidth, int sourceHeight,
                                             const uint32_t* palette, const void* pixels, DwenTextureFormat* format,
                                             int width, int height, int alpha, platform::DirectDrawSurface* surface);
DWEN_API platform::DirectDrawSurface* Dwen_Create_Surface(DwenContext* c, const platform::DDSURFACEDESC* format,
                                                          int width, int height, platform::DWORD extraCaps);
DWEN_API int Dwen_Add_Texture(DwenContext* c, int sourceType, int sourceWidth, int sourceHeight, uint32_t* palette,
                              void* pixels, DwenTextureFormat* format, int width, int height, DwenTexture** out,
                              int flags, int alpha, int colorKeySet, uint8_t keyRed, uint8_t keyGreen, uint8_t keyBlue,
                              uint8_t keyIndex);
DWEN_API int Dwen_Create_Texture(DwenContext* c, DwenTexture* t);
DWEN_API int Dwen_Reload_Texture(DwenContext* c, DwenTexture* t);
DWEN_API platform::HRESULT Dwen_Set_Color_Key(DwenTexture* t, uint8_t red, uint8_t green, uint8_t blue, uint8_t index);
DWEN_API int Dwen_Sub_Texture(DwenContext* c, DwenTexture* t);
DWEN_API int Dwen_Restore_Texture(DwenContext* c, DwenTexture* t);
DWEN_API int Dwen_Restore_Texture_Fast(DwenContext* c, DwenTexture* t);
DWEN_API int Dwen_Restore_All_Texture(DwenContext* c);
DWEN_API int Dwen_Release_All_Texture(DwenContext* c);
DWEN_API int Dwen_Init_Texture_Resize(DwenContext* c);
DWEN_API int Dwen_Add_Texture_Fast(DwenContext* c, DwenFastTextureDesc* desc);
DWEN_API int Dwen_Create_Texture_Fast(DwenContext* c, DwenTexture* t);
DWEN_API int Dwen_Blit_Texture_Fast(DwenContext* c, DwenTexture* t);

// Bitmaps and fades.
DWEN_API DwenBitmap* Dwen_Create_Bitmap(DwenContext* c, const uint16_t* pixels, int width, int height, int rowLength,
                                        int referenceWidth, int referenceHeight);
DWEN_API int Dwen_Set_Bitmap_Color_Key(DwenContext* c, DwenBitmap* b, int red, int green, int blue);
DWEN_API int Dwen_Blit_Bitmap(DwenContext* c, DwenBitmap* b, int x, int y, int width, int height);
DWEN_API int Dwen_Blit_Bitmap_Adaptative(DwenContext* c, DwenBitmap* b, float x, float y);
DWEN_API int Dwen_Crop_And_Blit_Bitmap_Adaptative(DwenContext* c, DwenBitmap* b, int sourceX, int sourceY,
                                                  int sourceWidth, int sourceHeight, float x, float y);
DWEN_API void Dwen_Release_Bitmap(DwenContext* c, DwenBitmap* b);
DWEN_API void* Dwen_Get_Fade_Buffer(DwenContext* c);
DWEN_API int Dwen_Fade_Buffer(DwenContext* c, void* copy, int level);
DWEN_API void Dwen_Release_Fade_Buffer(DwenContext* c, void* copy);
