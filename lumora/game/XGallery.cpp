#include "lumora/game/XGallery.h"

#include <cstdio>
#include <cstring>

#include "lumora/framework/LFrame.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LView.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XGame.h"
#include "lumora/game/XOptionMenu.h"
#include "lumora/game/XOptionViews.h"
#include "lumora/game/XPlayerList.h"
#include "lumora/shell/XApplication.h"

XGallery* g_Gallery = nullptr;

const int XGallery::kButtons[kButtonCount] = {5, 22, 6, 7, 40, 8, 9, 10, 11, 12, 13, 14, 15, 30, 16, 17, 18, 19, 20, 21};

namespace {

// Every painting in the order the progress unlocks them.
const char* const kCodes[] = {"U11_01", "U11_02", "U11_03", "U12_03", "U12_04", "U13_14", "U13_05",
                              "U13_13", "U13_03", "U13_01", "U13_12", "U13_11", "U13_06", "U13_04",
                              "U14_01", "U13_15", "U14_02", "U14_05", "U14_03", "U14_07"};

void CopyCode(char* dst, const char* src) {
    char code[XGallery::kCodeSize] = {};
    std::snprintf(code, sizeof code, "%.6s", src ? src : "");  // src may be dst
    std::memcpy(dst, code, sizeof code);
}

// The code of a picture name: its first six characters.
void CodeOfView(LView* view, char* out) {
    auto* b = dynamic_cast<LBitmapView*>(view);
    CopyCode(out, b ? b->GetBitmapName() : "");
}

LFrameManager* Manager() { return GetFrameManager(); }

void WaitCursor() {
    if (g_Cursor) g_Cursor->Select(XCursor::kModeTable, XCursor::kWait, 1);
}

void DefaultCursor() {
    if (g_Cursor) g_Cursor->Select(XCursor::kModeTable, XCursor::kDefault, 0);
}

// A gallery screen whose view 1 shows the current painting in one of its forms.
class XGalleryScreen : public LFrame {
public:
    XGalleryScreen(const char* name, const char* suffix) : LFrame(name), m_Suffix(suffix) {}
    int OnLoaded() override {
        auto* picture = FindTypedView<LBitmapView>(GetRootView(), 1);
        if (picture && g_Gallery) {
            char name[32];
            std::snprintf(name, sizeof name, "%s%s", g_Gallery->m_Code, m_Suffix);
            picture->SetBitmap(name);
        }
        // Two paintings have no scene of their own to enter.
        if (std::strcmp(m_Suffix, "TAB") == 0 && g_Gallery &&
            (std::strcmp(g_Gallery->m_Code, "U14_02") == 0 || std::strcmp(g_Gallery->m_Code, "U14_05") == 0))
            if (LView* enter = GetRootView() ? GetRootView()->FindView(30) : nullptr) enter->SetVisible(0);
        return 1;
    }

private:
    const char* m_Suffix;
};

LFrame* MakeTableau(const char* name) { return new XGalleryScreen(name, "TAB"); }
LFrame* MakeLoupe(const char* name) { return new XGalleryScreen(name, "Loupe"); }
LFrame* MakeTaille(const char* name) { return new XGalleryScreen(name, "_Size"); }

}  // namespace

void RegisterGalleryFrames(LFrameManager* manager) {
    manager->RegisterFrameClass("Tableau", &MakeTableau);
    manager->RegisterFrameClass("Loupe", &MakeLoupe);
    manager->RegisterFrameClass("Taille", &MakeTaille);
}

XGallery::XGallery()
    : m_Unlocked(1, new LNameComparator(), kCodeSize), m_Locked(1, new LIntComparator(), 4) {
    delete g_Gallery;
    g_Gallery = this;
}

XGallery::~XGallery() {
    Deactivate();
    if (g_Gallery == this) g_Gallery = nullptr;
}

int XGallery::UnlockedFor(int progress, const char* const** codes) {
    static const char* const kSecondPart[] = {"U11_01", "U11_02", "U11_03", "U12_03", "U12_04"};
    *codes = kCodes;
    switch (progress) {
    case 1: return 1;
    case 2: return 3;
    case 3: return 4;
    case 4: return 14;
    case 5:
    case 6:
    case 7: return 20;
    case 33: *codes = kSecondPart; return 5;
    default: return 0;
    }
}

int XGallery::IsUnlocked(const char* code) const {
    char key[kCodeSize];
    CopyCode(key, code);
    return m_Unlocked.Find(key) >= 0;
}

void XGallery::RefreshUnlocked() {
    int progress = 0;
    if (g_PlayerList) progress = g_PlayerList->GetUniverse(g_PlayerList->m_Current);
    while (m_Unlocked.GetLastIndex() >= 0) m_Unlocked.RemoveAt(0);
    while (m_Locked.GetLastIndex() >= 0) m_Locked.RemoveAt(0);
    for (int id : kButtons) m_Locked.Add(&id);
    const char* const* codes = nullptr;
    const int n = UnlockedFor(progress, &codes);
    for (int i = 0; i < n; ++i) {
        char key[kCodeSize];
        CopyCode(key, codes[i]);
        m_Unlocked.Add(key);
        const int id = kButtons[i];
        const int at = m_Locked.Find(&id);
        if (at >= 0) m_Locked.RemoveAt(at);
    }
}

void XGallery::Open(int showPainting) {
    RefreshUnlocked();
    LFrameManager* fm = Manager();
    if (!fm) return;
    for (int i = 0; i < fm->CountFrames(); ++i)
        if (fm->FrameAt(i)->IsActive()) fm->FrameAt(i)->SetActive(0);
    if (m_Frame && fm->IsKnownFrame(m_Frame)) m_Frame->SetActive(1);
    else m_Frame = fm->OpenFrame("Galerie");
    LView* root = m_Frame ? m_Frame->GetRootView() : nullptr;
    for (int i = 0; i <= m_Locked.GetLastIndex(); ++i) {
        int id = 0;
        m_Locked.CopyAt(&id, i);
        if (auto* button = FindTypedView<LBitmapView>(root, id)) {
            button->SetBitmap("NULL");
            button->EnableBehaviors(0, 0);
        }
    }
    if (showPainting) {
        LFrameManager::SetSkipOnce(1);
        XGame* game = g_App ? g_App->m_Game : nullptr;
        ShowScreen("Tableau", game ? game->m_PaintingCode : nullptr, 1);
    }
}

void XGallery::Deactivate() {
    LFrameManager* fm = Manager();
    if (m_Frame && fm && fm->IsKnownFrame(m_Frame)) m_Frame->SetActive(0);
}

LFrame* XGallery::ShowScreen(const char* frameName, const char* code, int) {
    WaitCursor();
    if (code) CopyCode(m_Code, code);
    LFrameManager* fm = Manager();
    if (fm)
        if (LFrame* f = fm->OpenFrame(frameName)) m_Frame = f;
    DefaultCursor();
    return m_Frame;
}

void XGallery::ShowPaintingOf(LView* button) {
    CodeOfView(button, m_Code);
    ShowScreen("Tableau", m_Code, 1);
}

void XGallery::ShowPaintingOfScreen(LView* view) {
    LView* root = view;
    while (root && root->GetSuperView()) root = root->GetSuperView();
    ShowPaintingOf(root);
}

void XGallery::BackFromLoupe(LView* view) {
    CodeOfView(view, m_Code);
    ShowScreen("Tableau", nullptr, 1);
}

void XGallery::ShowLoupe() { ShowScreen("Loupe", nullptr, 1); }

void XGallery::ShowRealSize() { ShowScreen("Taille", nullptr, 1); }

void XGallery::Next() { Step(1); }

void XGallery::Prev() { Step(-1); }

void XGallery::Step(int delta) {
    const int last = m_Unlocked.GetLastIndex();
    // Nothing unlocked: nothing to step to.
    if (last < 0) return;
    int i = m_Unlocked.Find(m_Code);
    if (i < 0) i = 0;
    i += delta;
    if (i > last) i = 0;
    if (i < 0) i = last;
    char code[kCodeSize];
    m_Unlocked.CopyAt(code, i);
    ShowScreen("Tableau", code, 1);
}

void XGallery::Back() {
    LFrameManager* fm = Manager();
    const char* name = m_Frame && fm && fm->IsKnownFrame(m_Frame) ? m_Frame->GetName() : "";
    if (std::strcmp(name, "Tableau") == 0 || std::strcmp(name, "Taille") == 0) {
        m_Frame = fm->OpenFrame("Galerie");
        Open(0);
        return;
    }
    if (g_OptionMenu && g_OptionMenu->m_Screen && fm && fm->IsKnownFrame(g_OptionMenu->m_Screen))
        g_OptionMenu->m_Screen->SetActive(1);
    if (fm) fm->RequestClose(nullptr);
    m_Frame = nullptr;
    delete this;
}
