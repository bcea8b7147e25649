#include "lumora/game/XFrameManager.h"

#include <cstdio>
#include <cstring>

#include "lumora/framework/LArray.h"
#include "lumora/framework/LFrame.h"
#include "lumora/framework/LSliderView.h"
#include "lumora/framework/LView.h"
#include "lumora/engine/XGauge.h"
#include "lumora/engine/XScene.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XGallery.h"
#include "lumora/game/XGame.h"
#include "lumora/game/XInventoryPanel.h"
#include "lumora/game/XOptionMenu.h"
#include "lumora/game/XOptionViews.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/LSoundManager.h"
#include "platform/Input.h"
#include "platform/Window.h"

int g_TrainingMode = 0;

namespace {

void (*g_MenuClosedHook)() = nullptr;

XFrameManager* Game() { return dynamic_cast<XFrameManager*>(GetFrameManager()); }

// Behaviours of views pass the view as the sender.
LView* Sender(void* sender) { return static_cast<LView*>(sender); }

bool Pressed(int type) { return type == kEventLButtonDown; }

// Runs a menu operation on a left press.
template <void (XOptionMenu::*Op)()>
int MenuEvent(int type, void*, void*) {
    if (!Pressed(type) || !g_OptionMenu) return 0;
    (g_OptionMenu->*Op)();
    return 1;
}

template <void (XGallery::*Op)()>
int GalleryEvent(int type, void*, void*) {
    if (!Pressed(type) || !g_Gallery) return 0;
    (g_Gallery->*Op)();
    return 1;
}

template <void (XGallery::*Op)(LView*)>
int GalleryViewEvent(int type, void* sender, void*) {
    if (!Pressed(type) || !g_Gallery) return 0;
    (g_Gallery->*Op)(Sender(sender));
    return 1;
}

int MoveCredit(int type, void* sender, void*) {
    if (!g_OptionMenu) return 0;
    if (type == kEventKey) {
        g_OptionMenu->Back();
        return 1;
    }
    if (!Pressed(type)) return 0;
    if (auto* picture = dynamic_cast<LBitmapView*>(Sender(sender))) g_OptionMenu->NextCredit(picture);
    return 1;
}

int FinIntro(int type, void*, void*) {
    if (!Pressed(type)) return 0;
    if (XFrameManager* fm = Game()) fm->RequestClose(nullptr);
    if (g_App && g_App->m_Game) g_App->m_Game->NewGame();
    return 1;
}

int OptionGalerie(int type, void*, void*) {
    if (!Pressed(type)) return 0;
    if (!g_Gallery) new XGallery();
    g_Gallery->Open(0);
    return 1;
}

int SelectUser(int type, void* sender, void*) {
    if (!Pressed(type)) return 0;
    LView* root = Sender(sender);
    while (root && root->GetSuperView()) root = root->GetSuperView();
    auto* list = FindTypedView<LUser>(root, 10);
    return list ? list->SelectUser() : 0;
}

int FinTableauJeu(int type, void*, void*) {
    if (!Pressed(type)) return 0;
    if (XFrameManager* fm = Game()) fm->CloseTableauJeu();
    if (g_SoundManager) g_SoundManager->StopChannel(2);
    return 1;
}

int QuitterOK(int type, void*, void*) {
    if (!Pressed(type)) return 0;
    platform::PostQuitMessage(0);
    return 1;
}

int OptionEntrenement(int type, void*, void*) {
    if (!Pressed(type)) return 0;
    XFrameManager* fm = Game();
    if (g_OptionMenu && g_OptionMenu->m_Screen && fm) fm->RequestClose(g_OptionMenu->m_Screen);
    if (g_OptionMenu) g_OptionMenu->m_Screen = nullptr;
    if (fm) fm->CloseOptionMenu();
    if (g_App && g_App->m_Game) g_App->m_Game->ChangeUniverse(0);
    g_TrainingMode = 1;
    return 0;
}

// Back in the scene from the pause screen or the menus: the gauge's clock
// runs again (the time spent away does not count).
void ResumeSceneGauge() {
    if (g_CurrentScene && g_CurrentScene->m_Gauge) g_CurrentScene->m_Gauge->Resume();
}

// The pause screen: save first ("SaveOui") or go to the main options
// ("SaveNon"); Escape there goes back to the scene.
int PauseAnswer(int type, void* data, int screen) {
    XFrameManager* fm = Game();
    if (type == kEventKey) {
        const int key = data ? static_cast<int*>(data)[1] : 0;
        if (key == platform::VK_ESCAPE || g_Keys[platform::VK_ESCAPE]) {
            if (fm) fm->RequestClose(nullptr);
            if (g_App) g_App->m_InputLocked = 0;
            ResumeSceneGauge();
        }
        return 1;
    }
    if (!Pressed(type) || !fm) return 0;
    fm->RequestClose(nullptr);
    fm->OpenOptionMenu(screen);
    if (g_App) g_App->m_InputLocked = 0;
    return 1;
}

int SaveOui(int type, void*, void* data) { return PauseAnswer(type, data, XOptionMenu::kSave); }
int SaveNon(int type, void*, void* data) { return PauseAnswer(type, data, XOptionMenu::kMain); }

int GotoScene3D(int type, void* sender, void*) {
    if (!Pressed(type)) return 0;
    LView* root = Sender(sender);
    while (root && root->GetSuperView()) root = root->GetSuperView();
    char code[XGallery::kCodeSize] = {};
    if (auto* picture = dynamic_cast<LBitmapView*>(root))
        std::snprintf(code, sizeof code, "%.6s", picture->GetBitmapName());
    if (g_Cursor) g_Cursor->Select(XCursor::kModeTable, XCursor::kWait, 1);
    XFrameManager* fm = Game();
    if (fm) fm->Redraw(1);
    delete g_Gallery;
    if (fm) fm->RequestClose(nullptr);
    XGame* game = g_App ? g_App->m_Game : nullptr;
    if (!game || !game->GotoPaintingScene(code)) {
        // No scene to enter: the player gets the option screens back.
        if (g_Cursor) g_Cursor->Select(XCursor::kModeTable, XCursor::kDefault, 0);
        if (fm) fm->OpenOptionMenu(XOptionMenu::kMain);
    }
    return 1;
}

// The view numbers a frame of the option screens relies on, and the frames
// that prepare themselves as they load.
class XUserScreen : public LFrame {
public:
    using LFrame::LFrame;
    int OnLoaded() override {
        auto* list = FindTypedView<LUser>(GetRootView(), 10);
        auto* entry = FindTypedView<LEditView>(GetRootView(), 11);
        if (list && entry) list->OnNameTyped(entry->GetText());
        return 1;
    }
};

LFrame* MakeUserScreen(const char* name) { return new XUserScreen(name); }

int VolumeOfChannel(int channel) {
    if (channel == 1 && g_App) return g_App->m_AmbienceVolume;
    return g_SoundManager ? g_SoundManager->GetChannelVolume(channel) : 0;
}

}  // namespace

void XFrameManager::SetMenuClosedHook(void (*hook)()) { g_MenuClosedHook = hook; }

XFrameManager::~XFrameManager() {
    if (m_TableauJeu && IsKnownFrame(m_TableauJeu)) CloseFrame(m_TableauJeu);
    m_TableauJeu = nullptr;
    delete g_OptionMenu;
    delete g_Gallery;
    if (g_SoundManager) g_SoundManager->StopAll();
    SetChannelVolumeQuery(nullptr);
}

int XFrameManager::Init(platform::DirectDraw* ddraw, platform::DirectDrawSurface* primary,
                        platform::DirectDrawSurface* drawTarget, platform::HWND window, platform::HINSTANCE module,
                        int reserved, const char* dataRoot, int fullScreen) {
    const int result = LFrameManager::Init(ddraw, primary, drawTarget, window, module, reserved, dataRoot, fullScreen);
    if (result != 0) return result;
    // The settings sliders start where the channels are.
    SetChannelVolumeQuery(&VolumeOfChannel);
    if (g_SoundManager && !g_Gallery) new XGallery();
    return 0;
}

void XFrameManager::RegisterClasses() {
    LFrameManager::RegisterClasses();
    RegisterInventoryClasses(this);
    RegisterOptionViewClasses(this);
    RegisterGalleryFrames(this);
    RegisterFrameClass("OptionUser", &MakeUserScreen);
}

void XFrameManager::RegisterScripts() {
    LScriptTable* t = GetScriptTable();
    t->Register("MoveCredit", &MoveCredit);
    t->Register("QuitCredit", &MenuEvent<&XOptionMenu::Back>);
    t->Register("OptionCredits", &MenuEvent<&XOptionMenu::ShowCredits>);
    t->Register("OptionNouvelleP", &MenuEvent<&XOptionMenu::NewGame>);
    t->Register("OptionQuitter", &MenuEvent<&XOptionMenu::ShowQuit>);
    t->Register("OptionSave", &MenuEvent<&XOptionMenu::ShowSave>);
    t->Register("OptionLoad", &MenuEvent<&XOptionMenu::ShowLoad>);
    t->Register("OptionReJeu", &MenuEvent<&XOptionMenu::Resume>);
    t->Register("OptionScreen", &MenuEvent<&XOptionMenu::ShowMain>);
    t->Register("OptionSelectGame", &MenuEvent<&XOptionMenu::LoadSelected>);
    t->Register("FinIntro", &FinIntro);
    t->Register("OptionSelectSave", &MenuEvent<&XOptionMenu::SaveSelected>);
    t->Register("GoToTableau", &GalleryViewEvent<&XGallery::ShowPaintingOf>);
    t->Register("GoBack", &GalleryEvent<&XGallery::Back>);
    t->Register("GoLoupe", &GalleryEvent<&XGallery::ShowLoupe>);
    t->Register("OptionGalerie", &OptionGalerie);
    t->Register("FinLoupe", &GalleryViewEvent<&XGallery::BackFromLoupe>);
    t->Register("GoNext", &GalleryEvent<&XGallery::Next>);
    t->Register("GoPrev", &GalleryEvent<&XGallery::Prev>);
    t->Register("GoTaille", &GalleryEvent<&XGallery::ShowRealSize>);
    t->Register("GoEcranTableau", &GalleryViewEvent<&XGallery::ShowPaintingOfScreen>);
    t->Register("SaveQuit", &MenuEvent<&XOptionMenu::ShowQuit>);
    t->Register("OptionSaveSommaire", &MenuEvent<&XOptionMenu::ShowMain>);
    t->Register("OptionSave3D", &MenuEvent<&XOptionMenu::SaveAndReturn>);
    t->Register("SelectUser", &SelectUser);
    t->Register("FinTableauJeu", &FinTableauJeu);
    t->Register("OptionReglage", &MenuEvent<&XOptionMenu::ShowSettings>);
    t->Register("ReglageAnnuler", &MenuEvent<&XOptionMenu::Back>);
    t->Register("ReglageOK", &MenuEvent<&XOptionMenu::ApplySettings>);
    t->Register("QuitterOK", &QuitterOK);
    t->Register("QuitterNon", &MenuEvent<&XOptionMenu::ShowMain>);
    t->Register("OptionEntrenement", &OptionEntrenement);
    t->Register("SaveOui", &SaveOui);
    t->Register("SaveNon", &SaveNon);
    t->Register("GotoScene3D", &GotoScene3D);
}

LFrame* XFrameManager::GetInventoryPanel() const {
    return m_InventoryPanel && IsKnownFrame(m_InventoryPanel) ? m_InventoryPanel : nullptr;
}

LFrame* XFrameManager::EnsureInventoryPanel() {
    if (LFrame* panel = GetInventoryPanel()) return panel;
    LFrame* panel = CreateFrame(XInventoryPanel::kFrameName, 100);
    if (!panel) return nullptr;
    SetInventoryPanel(panel);
    panel->SetActive(1);
    return panel;
}

void XFrameManager::OpenOptionMenu(int screen) {
    platform::AnnounceInputMark("option menu");
    if (g_OptionMenu) {
        if (g_OptionMenu->m_Screen && IsKnownFrame(g_OptionMenu->m_Screen)) g_OptionMenu->m_Screen->SetActive(1);
        else g_OptionMenu->OpenMain();
        if (g_App) g_App->SetState(APP_SCREENS);
        return;
    }
    new XOptionMenu(this, screen);
}

void XFrameManager::CloseOptionMenu() {
    delete g_OptionMenu;
    ResumeSceneGauge();
    if (g_MenuClosedHook) g_MenuClosedHook();
}

void XFrameManager::OpenTableauJeu(int painting) {
    m_TableauJeu = OpenFrame("TableauJeu");
    if (!m_TableauJeu) return;
    // The painting's code, by its place in the unlocking order.
    const char* const* codes = nullptr;
    const int count = XGallery::UnlockedFor(5, &codes);
    if (painting >= 1 && painting <= count)
        if (auto* picture = FindTypedView<LBitmapView>(m_TableauJeu->GetRootView(), 1)) {
            char name[32];
            std::snprintf(name, sizeof name, "%sTAB", codes[painting - 1]);
            picture->SetBitmap(name);
        }
    if (g_App) {
        g_App->m_State = APP_SCREENS;
        g_App->m_EscapeEnabled = 0;
    }
}

void XFrameManager::CloseTableauJeu() {
    if (m_TableauJeu) RequestClose(m_TableauJeu);
    m_TableauJeu = nullptr;
    if (g_App) {
        g_App->SetState(APP_SCENE);
        g_App->m_EscapeEnabled = 1;
    }
}

int XFrameManager::GetOptionScreenKind() const {
    if (g_OptionMenu && g_OptionMenu->m_Screen && IsKnownFrame(g_OptionMenu->m_Screen)) {
        const char* name = g_OptionMenu->m_Screen->GetName();
        if (CompareNames(name, "Option") == 0) return 1;
        if (CompareNames(name, "OptionSave") == 0) return 2;
        if (CompareNames(name, "OptionLoad") == 0) return 3;
    }
    if (GetCurrentFrame() && CompareNames(GetCurrentFrame()->GetName(), "Save") == 0) return 4;
    return 0;
}

void XFrameManager::OpenPauseScreen() {
    OpenFrame("Save");
    if (g_App) g_App->m_InputLocked = 1;
}
