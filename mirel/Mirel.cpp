#include "mirel/Mirel.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/Dialog.h"
#include "platform/MessageBox.h"
#include "platform/Window.h"

using namespace platform;

namespace {

// The library's own resources are registered under the null instance.
HINSTANCE LibraryInstance() { return nullptr; }

using K = DialogControlKind;

DialogTemplate LibraryTemplate() {
    DialogTemplate t;
    t.width = 291;
    t.height = 167;
    t.caption = "Display configuration - Lumora display layer";
    t.controls = {
        {K::Frame, -1, "", 6, 6, 177, 134, 0, 0},
        {K::Picture, -1, "", 8, 8, 173, 130, MIREL_LOGO, 0},
        {K::GroupBox, -1, "Video style", 190, 2, 96, 34, 0, 0},
        {K::AutoRadioButton, MIREL_ID_FULLSCREEN, "Fullscreen", 196, 12, 84, 10, 0, 1},
        {K::AutoRadioButton, MIREL_ID_WINDOW, "Window", 196, 24, 84, 10, 0, 1},
        {K::GroupBox, -1, "Video driver", 190, 38, 96, 28, 0, 0},
        {K::DropDownList, MIREL_ID_DRIVER_LIST, "", 196, 49, 84, 80, 0, 0},
        {K::GroupBox, -1, "3D driver", 190, 68, 96, 50, 0, 0},
        {K::AutoRadioButton, MIREL_ID_DIRECT3D, "Direct 3D driver", 196, 78, 84, 10, 0, 2},
        {K::DropDownList, MIREL_ID_DEVICE_LIST, "", 196, 89, 84, 80, 0, 0},
        {K::AutoRadioButton, MIREL_ID_SCANLINE, "Scanline driver", 196, 104, 84, 10, 0, 2},
        {K::GroupBox, -1, "Mode", 190, 120, 96, 28, 0, 0},
        {K::DropDownList, MIREL_ID_MODE_LIST, "", 196, 131, 84, 100, 0, 0},
        {K::DefPushButton, MIREL_ID_OK, "OK", 178, 150, 52, 14, 0, 0},
        {K::PushButton, MIREL_ID_EXIT, "Exit", 234, 150, 52, 14, 0, 0},
    };
    return t;
}

// The maker's logo: brush strokes of colour over a canvas tone, drawn by code.
DialogBitmap Logo() {
    return PaintDialogBitmap(260, 210, 24, [](int x, int y) {
        int r = 236 - y / 8, g = 226 - y / 10, bl = 204 - y / 6;
        const double stroke[3][4] = {{60, 70, 40, 0}, {140, 110, 50, 1}, {200, 60, 35, 2}};
        for (const auto& s : stroke) {
            const double dx = x - s[0], dy = (y - s[1]) * 1.8 + std::sin(x / 9.0) * 6;
            if (dx * dx + dy * dy < s[2] * s[2]) {
                const int k = static_cast<int>(s[3]);
                r = k == 0 ? 200 : k == 1 ? 40 : 230;
                g = k == 0 ? 50 : k == 1 ? 90 : 180;
                bl = k == 0 ? 40 : k == 1 ? 170 : 40;
            }
        }
        return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(bl);
    });
}

void RegisterLibraryResources() {
    static bool done = false;
    if (done) return;
    RegisterDialogTemplate(LibraryInstance(), MIREL_TEMPLATE, LibraryTemplate());
    RegisterDialogBitmap(LibraryInstance(), MIREL_LOGO, Logo());
    done = true;
}

// Registered when the library is loaded, so that callers can lay scripts out
// over the template before the first dialog opens.
const struct Resources {
    Resources() { RegisterLibraryResources(); }
} g_resources;

// The state of one dialog session.
struct State {
    HWND owner = nullptr;
    DwenContext* context = nullptr;
    int driver = 0;
    int device = 0;
    int renderer = 0;
    int fullScreen = 1;
    int modeEntry = 0;
    std::vector<int> modeOfEntry;    // mode-list entry -> video mode index
    std::vector<int> driverOfEntry;  // driver-list entry -> display driver index
};

State g_state;

bool RendersAt16(const DwenDeviceInfo& d) { return (d.desc.dwDeviceRenderBitDepth & Dwen_Convert_Bpp_To_DDBpp(16)) != 0; }

int DefaultDevice(const DwenContext* c, bool window) {
    for (int pass = 0; pass < 3; ++pass)
        for (int i = 0; i < c->deviceCount; ++i) {
            const DwenDeviceInfo& d = c->devices[i];
            if ((window && !d.window) || !RendersAt16(d)) continue;
            if (pass < 2 && d.desc.dcmColorModel != D3DCOLOR_RGB) continue;
            if (pass == 0 && !d.hardware) continue;
            return i;
        }
    return 0;
}

int Refresh(HWND dialog, int driverIndex, int deviceIndex) {
    State& s = g_state;
    DwenContext* c = s.context;
    for (int id : {MIREL_ID_DRIVER_LIST, MIREL_ID_DEVICE_LIST, MIREL_ID_MODE_LIST})
        SendDlgItemMessage(dialog, id, CB_RESETCONTENT, 0, 0);
    s.driverOfEntry.clear();
    s.modeOfEntry.clear();
    Dwen_Destroy(c, 0);
    if (!Dwen_DDDriver_Get_List(c)) return 0;

    for (int i = 0; i < c->driverCount; ++i)
        if (s.fullScreen || c->drivers[i].primary) {
            SendDlgItemMessage(dialog, MIREL_ID_DRIVER_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c->drivers[i].name));
            s.driverOfEntry.push_back(i);
        }
    if (driverIndex < 0 || driverIndex >= c->driverCount) {
        driverIndex = -1;
        for (int i = 0; i < c->driverCount && driverIndex < 0; ++i)
            if (s.fullScreen ? !c->drivers[i].primary : c->drivers[i].primary != 0) driverIndex = i;
        if (driverIndex < 0) driverIndex = 0;
    }
    s.driver = driverIndex;
    for (size_t e = 0; e < s.driverOfEntry.size(); ++e)
        if (s.driverOfEntry[e] == driverIndex) SendDlgItemMessage(dialog, MIREL_ID_DRIVER_LIST, CB_SETCURSEL, e, 0);

    if (!Dwen_DDDriver_Init(c, s.driver) || !Dwen_D3DDriver_Init(c) || !Dwen_D3DDriver_Get_Device_List(c)) return 0;
    for (int i = 0; i < c->deviceCount; ++i)
        SendDlgItemMessage(dialog, MIREL_ID_DEVICE_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c->devices[i].name));
    const bool byDefault = deviceIndex < 0 || deviceIndex >= c->deviceCount;
    s.device = byDefault ? DefaultDevice(c, !s.fullScreen) : deviceIndex;
    SendDlgItemMessage(dialog, MIREL_ID_DEVICE_LIST, CB_SETCURSEL, static_cast<WPARAM>(s.device), 0);
    if (byDefault && c->deviceCount > 0) {
        if (c->devices[s.device].hardware)
            s.renderer = 0;
        else if (s.renderer == 0)
            s.renderer = 1;
    }

    CheckDlgButton(dialog, MIREL_ID_FULLSCREEN, s.fullScreen ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, MIREL_ID_WINDOW, s.fullScreen ? BST_UNCHECKED : BST_CHECKED);
    CheckDlgButton(dialog, MIREL_ID_DIRECT3D, BST_UNCHECKED);
    CheckDlgButton(dialog, MIREL_ID_SCANLINE, BST_UNCHECKED);
    EnableWindow(GetDlgItem(dialog, MIREL_ID_DEVICE_LIST), FALSE);
    if (s.renderer == 0) {
        CheckDlgButton(dialog, MIREL_ID_DIRECT3D, BST_CHECKED);
        EnableWindow(GetDlgItem(dialog, MIREL_ID_DEVICE_LIST), TRUE);
    } else {
        CheckDlgButton(dialog, MIREL_ID_SCANLINE, BST_CHECKED);
    }

    int first640 = -1;
    for (int i = 0; i < c->modeCount; ++i) {
        const DwenVideoMode& m = c->modes[i];
        char text[48];
        std::snprintf(text, sizeof text, "%dx%dx%d", m.width, m.height, m.bpp);
        SendDlgItemMessage(dialog, MIREL_ID_MODE_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        s.modeOfEntry.push_back(i);
        if (first640 < 0 && m.width == 640 && m.height == 480 && m.bpp == 16) first640 = i;
    }
    s.modeEntry = first640 >= 0 ? first640 : 0;
    SendDlgItemMessage(dialog, MIREL_ID_MODE_LIST, CB_SETCURSEL, static_cast<WPARAM>(s.modeEntry), 0);
    return 1;
}

INT_PTR DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    State& s = g_state;
    if (message == WM_INITDIALOG) {
        s.fullScreen = 1;
        if (!Refresh(dialog, -1, -1)) EndDialog(dialog, 0);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    auto selection = [&](int list) { return static_cast<int>(SendDlgItemMessage(dialog, list, CB_GETCURSEL, 0, 0)); };
    switch (id) {
        case MIREL_ID_DEVICE_LIST:
            if (code == CBN_SELCHANGE) Refresh(dialog, s.driver, selection(MIREL_ID_DEVICE_LIST));
            return TRUE;
        case MIREL_ID_MODE_LIST:
            if (code == CBN_SELCHANGE) s.modeEntry = selection(MIREL_ID_MODE_LIST);
            return TRUE;
        case MIREL_ID_DRIVER_LIST:
            if (code == CBN_SELCHANGE) {
                // List positions stand for drivers through the table: in a
                // window the list holds only the primary ones.
                const int entry = selection(MIREL_ID_DRIVER_LIST);
                if (entry >= 0 && entry < static_cast<int>(s.driverOfEntry.size())) Refresh(dialog, s.driverOfEntry[entry], -1);
            }
            return TRUE;
        case MIREL_ID_FULLSCREEN:
            s.fullScreen = 1;
            Refresh(dialog, -1, -1);
            return TRUE;
        case MIREL_ID_WINDOW:
            s.fullScreen = 0;
            Refresh(dialog, -1, -1);
            return TRUE;
        case MIREL_ID_DIRECT3D:
            CheckDlgButton(dialog, MIREL_ID_SCANLINE, BST_UNCHECKED);
            EnableWindow(GetDlgItem(dialog, MIREL_ID_DEVICE_LIST), TRUE);
            s.renderer = 0;
            return TRUE;
        case MIREL_ID_SCANLINE:
            CheckDlgButton(dialog, MIREL_ID_DIRECT3D, BST_UNCHECKED);
            EnableWindow(GetDlgItem(dialog, MIREL_ID_DEVICE_LIST), FALSE);
            s.renderer = 1;
            return TRUE;
        case MIREL_ID_OK: EndDialog(dialog, 1); return TRUE;
        case MIREL_ID_EXIT:
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
    }
}

// Brings the chosen display up; stops at the first failure.
bool SetUpDisplay(DisplayChoice* choice) {
    State& s = g_state;
    DwenContext* c = s.context;
    Dwen_Destroy(c, 0);
    c->window = s.owner;
    if (!Dwen_DDDriver_Get_List(c) || !Dwen_DDDriver_Init(c, s.driver) || !Dwen_D3DDriver_Init(c) ||
        !Dwen_D3DDriver_Get_Device_List(c))
        return false;
    const int mode = s.modeEntry >= 0 && s.modeEntry < static_cast<int>(s.modeOfEntry.size()) ? s.modeOfEntry[s.modeEntry] : -1;
    if (!Dwen_DDDriver_Init_D3DDriver_And_Video_Mode(c, s.device, mode, s.fullScreen, 1)) return false;
    if (!Dwen_DDDriver_Create_Buffer(c) || !Dwen_DDDriver_Clear_Buffer(c)) return false;
    if (s.renderer == 0 && !Dwen_DDDriver_Create_Zbuffer(c)) return false;
    if (!Dwen_D3DDriver_Create_Device(c) || !Dwen_D3DDriver_Texture_Init(c) || !Dwen_D3DDriver_Create_Viewport(c) ||
        !Dwen_D3DDriver_Set_Default_Render_State(c) || !Dwen_D3DDriver_Create_Material(c))
        return false;
    c->ready = 1;
    if (c->textureHead && !Dwen_Restore_All_Texture(c)) return false;
    choice->renderer = s.renderer;
    choice->width = c->currentMode->width;
    choice->height = c->currentMode->height;
    choice->fullScreen = s.fullScreen;
    return true;
}

}  // namespace

MIREL_API int Mirel_Init(HINSTANCE instance, HWND owner, DwenContext* context, DisplayChoice* choice) {
    if (!context || !choice) return 0;
    RegisterLibraryResources();
    g_state = State{};
    g_state.owner = owner;
    g_state.context = context;
    context->errorText[0] = '\0';
    const INT_PTR result = DialogBoxParam(instance, MIREL_TEMPLATE, owner, DialogProc, 0);
    if (result != 1) {
        if (context->errorText[0]) MessageBox(nullptr, context->errorText, "Error", MB_OK);
        return 0;
    }
    if (!SetUpDisplay(choice)) {
        MessageBox(nullptr, context->errorText, nullptr, MB_OK);
        return 0;
    }
    return 1;
}
