// The modal dialog manager on its own: pointer and keys through the main
// window's messages, disabled controls, drop-down lists, the default answer.
#include "platform/Dialog.h"
#include "platform/Input.h"
#include "platform/Present.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;

namespace {

char g_instance;
HINSTANCE Instance() { return &g_instance; }

struct Seen {
    std::vector<std::pair<int, int>> commands;  // id, notification
    int endOn = -1;                             // EndDialog when this id is clicked
};
Seen g_seen;

INT_PTR Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        for (const char* text : {"first", "second", "third"})
            SendDlgItemMessage(dialog, 30, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendDlgItemMessage(dialog, 30, CB_SETCURSEL, 0, 0);
        CheckDlgButton(dialog, 20, BST_CHECKED);
        EnableWindow(GetDlgItem(dialog, 40), FALSE);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    g_seen.commands.emplace_back(id, HIWORD(wParam));
    if (id == g_seen.endOn || id == IDCANCEL) EndDialog(dialog, id == IDCANCEL ? 99 : id);
    return TRUE;
}

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        static bool once = [] {
            WNDCLASS wc{};
            wc.lpfnWndProc = DefWindowProc;
            wc.lpszClassName = "DialogTest";
            RegisterClass(&wc);
            HWND w = CreateWindow("DialogTest", "dialogs", 0, CW_USEDEFAULT, CW_USEDEFAULT, 640, 480);
            ShowWindow(w, SW_SHOWNORMAL);
            using K = DialogControlKind;
            DialogTemplate t;
            t.width = 200;
            t.height = 100;
            t.caption = "Test";
            t.controls = {{K::DefPushButton, 10, "OK", 10, 80, 50, 14, 0, 0},
                          {K::PushButton, 11, "Other", 70, 80, 50, 14, 0, 0},
                          {K::AutoRadioButton, 20, "A", 10, 10, 50, 10, 0, 1},
                          {K::AutoRadioButton, 21, "B", 10, 25, 50, 10, 0, 1},
                          {K::DropDownList, 30, "", 100, 10, 80, 60, 0, 0},
                          {K::PushButton, 40, "Disabled", 130, 80, 50, 14, 0, 0}};
            RegisterDialogTemplate(Instance(), 7, t);
            return true;
        }();
        (void)once;
        g_seen = Seen{};
        ResetWindowState();
    }
    void TearDown() override { SetInputScript(InputScript{}); }
    static std::string At(int id, int entry = -1) {
        RECT r = DialogLayout(Instance(), 7, 640, 480).at(id);
        if (entry >= 0) r = DialogListEntryRect(r, entry);
        return std::to_string((r.left + r.right) / 2) + " " + std::to_string((r.top + r.bottom) / 2);
    }
};

TEST_F(Dialogs, HeadlessWithoutScriptTheDefaultButtonAnswers) {
    g_seen.endOn = 10;
    EXPECT_EQ(DialogBoxParam(Instance(), 7, GetMainWindow(), Proc, 0), 10);
    ASSERT_EQ(g_seen.commands.size(), 1u);
    EXPECT_EQ(g_seen.commands[0], std::make_pair(10, int(BN_CLICKED)));
    EXPECT_EQ(DialogBoxParam(Instance(), 8, GetMainWindow(), Proc, 0), -1);  // no such template
}

TEST_F(Dialogs, PointerAndKeysDriveTheControls) {
    g_seen.endOn = 11;
    SetInputScript(ParseInputScript("#1 click left " + At(40) +   // disabled: nothing
                                    "\n#2 click left " + At(21) +  // radio B
                                    "\n#3 click left " + At(30) +  // opens the list
                                    "\n#4 click left " + At(30, 2) +
                                    "\n#5 click left " + At(30) + "\n#6 key press DOWN\n#7 key press ESCAPE" +
                                    "\n#8 click left " + At(11) + "\n"));
    EXPECT_EQ(DialogBoxParam(Instance(), 7, GetMainWindow(), Proc, 0), 11);
    const std::vector<std::pair<int, int>> expected = {{21, BN_CLICKED}, {30, CBN_SELCHANGE}, {11, BN_CLICKED}};
    EXPECT_EQ(g_seen.commands, expected);
    // Escape outside a list is IDCANCEL; Return clicks the default button.
    g_seen = Seen{};
    SetInputScript(ParseInputScript("#1 key press ESCAPE\n"));
    EXPECT_EQ(DialogBoxParam(Instance(), 7, GetMainWindow(), Proc, 0), 99);
    g_seen = Seen{};
    g_seen.endOn = 10;
    SetInputScript(ParseInputScript("#1 key press RETURN\n"));
    EXPECT_EQ(DialogBoxParam(Instance(), 7, GetMainWindow(), Proc, 0), 10);
}

INT_PTR InspectProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    // Radio groups, list contents and enabled state as the procedure sees them.
    CheckDlgButton(dialog, 20, BST_CHECKED);
    SendDlgItemMessage(dialog, 21, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(IsDlgButtonChecked(dialog, 20), BST_CHECKED);  // set by program: no exclusion
    SendDlgItemMessage(dialog, 30, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x"));
    EXPECT_EQ(SendDlgItemMessage(dialog, 30, CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(SendDlgItemMessage(dialog, 30, CB_SETCURSEL, 3, 0), CB_ERR);
    EXPECT_EQ(SendDlgItemMessage(dialog, 30, CB_GETCURSEL, 0, 0), -1);
    char text[8] = {};
    EXPECT_EQ(SendDlgItemMessage(dialog, 30, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text)), 1);
    EXPECT_STREQ(text, "x");
    EXPECT_EQ(SendDlgItemMessage(dialog, 999, CB_GETCOUNT, 0, 0), 0);  // a missing control does nothing
    EXPECT_EQ(GetDlgCtrlID(GetDlgItem(dialog, 30)), 30);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, 11)));
    EnableWindow(GetDlgItem(dialog, 11), FALSE);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 11)));
    EndDialog(dialog, 5);
    return TRUE;
}

TEST_F(Dialogs, ControlMessagesAnswerLikeTheirWindowsModels) {
    const auto frames = PresentedFrameCount();
    EXPECT_EQ(DialogBoxParam(Instance(), 7, GetMainWindow(), InspectProc, 0), 5);
    EXPECT_GE(PresentedFrameCount(), frames + 1);  // the picture under the dialog comes back
}

}  // namespace
