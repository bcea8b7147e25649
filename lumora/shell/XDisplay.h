// The display object: the display layer's context, the chosen renderer and
// view size, the software frame buffer and the filtering and dithering
// switches.
#pragma once

#include <cstdint>

#include "dwen/Dwen.h"
#include "dwen/ZeltTarget.h"
#include "mirel/Mirel.h"
#include "platform/Types.h"

class XDisplay {
public:
    XDisplay();
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    // Display layer, math library and the configuration dialog; 0 ends the program.
    int Init(platform::HINSTANCE instance, platform::HWND window);
    // Size, aspect, colour depth, kernel and filtering; 0 when the kernel cannot start.
    int SetSize(int width, int height);
    // F2 and F3 (dithering and filtering), Direct3D renderer only.
    int UpdateToggles();
    // Texture filtering through render states 17 and 18.
    void ApplyFilter();

    int IsSoftware() const { return m_Choice.renderer == 1; }
    // The back buffer as the kernel's display-layer target.
    ZeltDisplayTarget* ZeltTarget();
    int IsFullScreen() const { return m_Choice.fullScreen; }

    DwenContext* m_Context = nullptr;  // owned, released by Dwen_Destroy
    DisplayChoice m_Choice{};
    int m_Width = 640, m_Height = 480;
    int m_ViewX = 0, m_ViewY = 0;
    float m_Aspect = 1.0f;
    int m_ColorBits = 15;
    std::uint16_t* m_SoftBuffer = nullptr;
    int m_Filter = 1;
    int m_Dither = 1;
    int m_KernelStarted = 0;
    DwenZeltTarget m_ZeltTarget{};
};

extern XDisplay* g_Display;
