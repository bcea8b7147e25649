// Modal dialogs in the manner of DialogBoxParam: templates and bitmaps are
// registered per module instance; push buttons, auto radio buttons, group
// boxes, drop-down lists, pictures, frames and texts. The dialog is drawn
// with the platform's text into the main window's picture (so it shows in
// the real window and in frame dumps) and driven by the pointer and keys of
// that window, scripted input included. Headless, with no scripted event
// pending, it answers with its default button, as message boxes do.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace platform {

using INT_PTR = std::intptr_t;
using DLGPROC = INT_PTR (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

enum class DialogControlKind { PushButton, DefPushButton, AutoRadioButton, GroupBox, DropDownList, Picture, Frame, Text };

struct DialogControl {
    DialogControlKind kind = DialogControlKind::PushButton;
    int id = -1;
    std::string text;  // UTF-8
    int x = 0, y = 0, width = 0, height = 0;  // dialog units
    int bitmap = 0;  // Picture: the bitmap resource shown
    int group = 0;   // auto radio buttons of one nonzero group exclude each other
};

struct DialogTemplate {
    int width = 0, height = 0;  // dialog units
    std::string caption;        // empty: no caption bar
    std::string font = "MS Sans Serif";
    int pointSize = 8;
    std::vector<DialogControl> controls;
};

struct DialogBitmap {
    int width = 0, height = 0;
    int bitsPerPixel = 24;      // what the resource holds (8 or 24)
    std::vector<std::uint32_t> rgb;  // 0x00RRGGBB, width * height, top row first
};

// A picture drawn by code: colour(x, y) gives 0x00RRGGBB of each pixel.
DialogBitmap PaintDialogBitmap(int width, int height, int bitsPerPixel,
                               const std::function<std::uint32_t(int x, int y)>& colour);

void RegisterDialogTemplate(HINSTANCE instance, int id, const DialogTemplate& dialog);
void RegisterDialogBitmap(HINSTANCE instance, int id, const DialogBitmap& bitmap);
const DialogBitmap* FindDialogBitmap(HINSTANCE instance, int id);

// Control messages and notifications.
enum : UINT {
    BM_GETCHECK = 0x00F0,
    BM_SETCHECK = 0x00F1,
    CB_ADDSTRING = 0x0143,
    CB_GETCOUNT = 0x0146,
    CB_GETCURSEL = 0x0147,
    CB_GETLBTEXT = 0x0148,
    CB_RESETCONTENT = 0x014B,
    CB_SETCURSEL = 0x014E,
};
enum : UINT { BN_CLICKED = 0, CBN_SELCHANGE = 1 };
enum : UINT { BST_UNCHECKED = 0, BST_CHECKED = 1 };
constexpr LRESULT CB_ERR = -1;

// Runs the dialog; the procedure answers TRUE for messages it handled. The
// result is what EndDialog was given, or -1 when the template is missing.
INT_PTR DialogBoxParam(HINSTANCE instance, int templateId, HWND owner, DLGPROC proc, LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND control);
LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);

// Where each control of a template lands in a picture of the given size
// (pixels, client coordinates of the main window): for scripts and tests.
std::map<int, RECT> DialogLayout(HINSTANCE instance, int templateId, int pictureWidth, int pictureHeight);
// Where the entries of an opened drop-down list lie (entry `index`).
RECT DialogListEntryRect(const RECT& list, int index);

}  // namespace platform
