#include "lumora/shell/XDisplay.h"

#include <cstdlib>

#include "include/zelt/zelt.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageToUser.h"

XDisplay* g_Display = nullptr;

namespace {
constexpr platform::DWORD kRenderStateDither = 26;
constexpr platform::DWORD kRenderStateMagFilter = 17;
constexpr platform::DWORD kRenderStateMinFilter = 18;
}  // namespace

XDisplay::XDisplay() { m_Context = static_cast<DwenContext*>(std::calloc(1, sizeof(DwenContext))); }

XDisplay::~XDisplay() {
    std::free(m_SoftBuffer);
    m_SoftBuffer = nullptr;
    if (m_KernelStarted) Zelt_Release_Kernel();
    m_KernelStarted = 0;
    if (m_Context) Dwen_Destroy(m_Context, 1);
    std::free(m_Context);
    m_Context = nullptr;
}

int XDisplay::Init(platform::HINSTANCE instance, platform::HWND window) {
    if (!m_Context) return 0;
    Dwen_Init_Io(m_Context, &std::malloc, &std::calloc, &std::realloc, &std::free);
    if (!Zelt_Init_Mathlib(0)) {
        new MessageToUser(0, 1000, __FILE__, __LINE__);
        return 0;
    }
    return Mirel_Init(instance, window, m_Context, &m_Choice) ? 1 : 0;
}

int XDisplay::SetSize(int width, int height) {
    m_Width = width;
    m_Height = height;
    m_ViewX = m_ViewY = 0;
    m_Aspect = static_cast<float>(width) / static_cast<float>(height) / 1.3333334f;
    int started;
    if (IsSoftware()) {
        std::free(m_SoftBuffer);
        m_SoftBuffer = static_cast<std::uint16_t*>(std::calloc(static_cast<std::size_t>(width) * height, 2));
        if (!m_SoftBuffer) return 0;
        m_ColorBits = m_Context->backDesc.ddpfPixelFormat.dwRBitMask == 0xF800 ? 16 : 15;
        started = Zelt_Init_Kernel(m_ColorBits);
    } else {
        m_ColorBits = 15;
        started = Zelt_Init_Kernel(0);
    }
    m_KernelStarted = started ? 1 : 0;
    if (!m_Filter) ApplyFilter();
    return m_KernelStarted;
}

void XDisplay::ApplyFilter() {
    const platform::DWORD mode = m_Filter ? 2 : 1;
    Dwen_D3DDriver_Set_Render_State(m_Context, kRenderStateMagFilter, mode);
    Dwen_D3DDriver_Set_Render_State(m_Context, kRenderStateMinFilter, mode);
}

ZeltDisplayTarget* XDisplay::ZeltTarget() {
    DwenZeltTarget_Init(&m_ZeltTarget, m_Context);
    return &m_ZeltTarget.target;
}

int XDisplay::UpdateToggles() {
    if (IsSoftware()) return 1;
    if (g_Keys[platform::VK_F2]) {
        m_Dither = !m_Dither;
        Dwen_D3DDriver_Set_Render_State(m_Context, kRenderStateDither, static_cast<platform::DWORD>(m_Dither));
        g_Keys[platform::VK_F2] = 0;
    }
    if (g_Keys[platform::VK_F3]) {
        m_Filter = !m_Filter;
        ApplyFilter();
        g_Keys[platform::VK_F3] = 0;
    }
    return 1;
}
