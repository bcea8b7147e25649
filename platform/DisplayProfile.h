// What the display stand-ins report: display drivers, 3D devices, display
// modes and video memory. The default profile is this machine: the primary
// display only, one software 3D device rendering 16-bit pixels, 640 x 480,
// 800 x 600 and 1024 x 768 at 16 and 32 bits, no video memory. Tests set
// other profiles (more drivers, a hardware device with a video-memory
// budget, long lists) so that every branch of the display layer can run.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/Direct3D.h"

namespace platform {

struct DisplayDriverProfile {
    GUID guid;  // all zero: the primary display
    std::string description = "Primary Display Driver";
    std::string name = "display";
    bool has3D = false;  // reports DDCAPS_3D
};

struct Display3DDeviceProfile {
    GUID guid;
    std::string description;
    std::string name;
    bool hardware = false;  // described in the hardware description (else the software one)
    D3DCOLORMODEL colorModel = D3DCOLOR_RGB;
    DWORD renderDepths = DDBD_16;  // DDBD_ flags
    DWORD zDepths = DDBD_16;
    DWORD destBlendCaps = D3DPBLENDCAPS_ZERO | D3DPBLENDCAPS_ONE | D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA;
    DWORD textureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_TRANSPARENCY;
};

struct DisplayProfile {
    std::vector<DisplayDriverProfile> drivers;
    std::vector<Display3DDeviceProfile> devices;
    std::vector<DisplayMode> modes;  // in enumeration order
    // Bytes of video memory for surfaces that ask for it (0: none, they fail
    // with DDERR_OUTOFVIDEOMEMORY).
    std::size_t videoMemory = 0;
    // A video-memory request that does not fit lands in system memory
    // instead of failing, as some drivers did.
    bool videoFallback = false;
    // The card has non-local (AGP) video memory; without it such requests
    // land in local video memory.
    bool nonLocalVideoMemory = false;
};

DisplayProfile DefaultDisplayProfile();
void SetDisplayProfile(const DisplayProfile& profile);
const DisplayProfile& CurrentDisplayProfile();
std::size_t VideoMemoryInUse();

// The description a device of the profile reports (hardware or software).
void DescribeDevice(const Display3DDeviceProfile& device, D3DDEVICEDESC* hardware, D3DDEVICEDESC* software);

}  // namespace platform
