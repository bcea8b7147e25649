#include "lumora/game/XOptionMenu.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lumora/framework/LFrame.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LSliderView.h"
#include "lumora/framework/LView.h"
#include "lumora/game/XFrameManager.h"
#include "lumora/game/XGallery.h"
#include "lumora/game/XGame.h"
#include "lumora/game/XOptionViews.h"
#include "lumora/game/XPlayerList.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/LSoundManager.h"
#include "platform/Time.h"

XOptionMenu* g_OptionMenu = nullptr;

namespace {

constexpr int kLoadButton = 3;
constexpr int kGalleryButton = 6;
constexpr int kSaveList = 10;
constexpr int kSaveEntry = 11;
constexpr int kChannel1Slider = 4;
constexpr int kChannel2Slider = 5;

void DisableButton(LFrame* screen, int id, const char* picture) {
    auto* b = FindTypedView<LBitmapView>(screen ? screen->GetRootView() : nullptr, id);
    if (!b) return;
    b->SetBitmap(picture);
    b->EnableBehaviors(0, 0);
}

// The volume a settings slider stands for, or -1 when the slider was not
// moved since the screen opened (its channel then keeps its volume).
int MovedSliderVolume(LView* root, int id) {
    auto* slider = FindTypedView<LSliderView>(root, id);
    if (!slider) return -1;
    int start = 0;
    if (auto* volume = dynamic_cast<LVolumeSliderView*>(slider))
        start = slider->VolumeToPos(QueryChannelVolume(volume->GetChannel()));
    if (slider->GetPos() == start) return -1;
    // A slider without room has no scale: it gives no volume.
    if (slider->GetMax() <= 0) return -1;
    const int volume = static_cast<int>(slider->GetPos() * (100.0 / slider->GetMax()));
    return volume < 0 ? 0 : volume > 100 ? 100 : volume;
}

// The game object: the player list owns it.
XGame* GameObject() {
    if (g_PlayerList && g_PlayerList->m_Game) return g_PlayerList->m_Game;
    return g_App ? g_App->m_Game : nullptr;
}

}  // namespace

XOptionMenu::XOptionMenu(LFrameManager* manager, int screen)
    : LTimerClient(1, manager ? manager->GetTimerList() : nullptr), m_Manager(manager) {
    g_OptionMenu = this;
    Open(screen);
}

XOptionMenu::~XOptionMenu() {
    RestoreFrames();
    if (g_OptionMenu == this) g_OptionMenu = nullptr;
}

void XOptionMenu::Open(int screen) {
    for (int i = 0; i < m_Manager->CountFrames(); ++i) {
        LFrame* f = m_Manager->FrameAt(i);
        if (f->IsActive()) {
            m_SuspendedFrames.push_back(f);
            f->SetActive(0);
        }
    }
    if (screen == kSave) m_Screen = m_Manager->CreateFrame("OptionSave", 100);
    else if (screen == kLoad) m_Screen = m_Manager->CreateFrame("OptionLoad", 100);
    else OpenMain();
    m_SavedState = g_App ? g_App->GetState() : APP_SCREENS;
    if (g_App) g_App->SetState(APP_SCREENS);
}

void XOptionMenu::RestoreFrames() {
    for (LFrame* f : m_SuspendedFrames)
        if (m_Manager->IsKnownFrame(f)) f->SetActive(1);
    m_SuspendedFrames.clear();
    if (!m_RestoreState || !g_App) return;
    // A game whose scene has gone meanwhile (a painting's scene that could
    // not be had) is loaded again rather than shown as nothing; a menu opened
    // over the screens with a scene behind them (the start universe's)
    // resumes into that scene rather than into a screen that has gone.
    if (!g_CurrentScene) g_App->SetState(APP_LOAD_SCENE);
    else if (m_SavedState == APP_SCREENS) g_App->SetState(APP_SCENE);
    else g_App->SetState(m_SavedState);
}

void XOptionMenu::OpenMain() {
    m_CreditsMode = 0;
    m_Screen = m_Manager->CreateFrame("Option", 100);
    if (!g_Gallery) new XGallery();
    g_Gallery->RefreshUnlocked();
    const XGameList* games = g_PlayerList ? g_PlayerList->m_Games : nullptr;
    if (!games || games->m_Count == 0) DisableButton(m_Screen, kLoadButton, "SomB2");
    if (g_Gallery->m_Unlocked.GetLastIndex() < 0) DisableButton(m_Screen, kGalleryButton, "SomE2");
}

void XOptionMenu::SwitchTo(const char* name) {
    if (m_Screen) m_Manager->RequestClose(m_Screen);
    m_Screen = m_Manager->CreateFrame(name, 100);
}

void XOptionMenu::ShowQuit() { SwitchTo("OptionQuitter"); }

void XOptionMenu::ShowCredits() {
    SwitchTo("Credits");
    m_CreditsMode = 1;
    m_CreditsTime = platform::timeGetTime();
}

void XOptionMenu::ShowLoad() { SwitchTo("OptionLoad"); }

void XOptionMenu::ShowSave() { SwitchTo("OptionSave"); }

void XOptionMenu::ShowMain() {
    if (m_Screen) m_Manager->RequestClose(m_Screen);
    OpenMain();
}

void XOptionMenu::OnTick() {
    if (!m_CreditsMode || !m_Screen) return;
    if (platform::timeGetTime() - m_CreditsTime > kCreditsDelay)
        NextCredit(FindTypedView<LBitmapView>(m_Screen->GetRootView(), 1));
}

void XOptionMenu::NextCredit(LBitmapView* picture) {
    if (!picture) return;
    // The page number: the two characters before the last four ("Credit03.bmp" is 3).
    const char* name = picture->GetBitmapName();
    const std::size_t len = std::strlen(name);
    const int n = len >= 6 ? std::atoi(std::string(name + len - 6, 2).c_str()) : 0;
    if (n + 1 > kLastCredit) {
        m_CreditsMode = 0;
        Back();
        return;
    }
    char next[32];
    std::snprintf(next, sizeof next, "Credit%02d.bmp", n + 1);
    picture->SetBitmap(next);
    m_CreditsTime = platform::timeGetTime();
}

void XOptionMenu::NewGame() {
    if (m_Screen) m_Manager->RequestClose(m_Screen);
    m_Screen = nullptr;
    XGame* game = GameObject();
    if (auto* fm = dynamic_cast<XFrameManager*>(m_Manager)) fm->CloseOptionMenu();  // deletes this
    if (game) game->NewGame();
}

void XOptionMenu::Resume() {
    m_RestoreState = 1;
    if (m_Screen) m_Manager->RequestClose(m_Screen);
    m_Screen = nullptr;
    if (auto* fm = dynamic_cast<XFrameManager*>(m_Manager)) fm->CloseOptionMenu();
}

void XOptionMenu::SaveAndReturn() { Resume(); }

void XOptionMenu::LoadSelected() {
    auto* list = FindTypedView<LOptionScreen>(m_Screen ? m_Screen->GetRootView() : nullptr, kSaveList);
    if (!list || list->GetKind() != LOptionScreen::kLoadList || list->GetSelected() < 0) return;
    const int slot = list->ItemOfLine(list->GetSelected());
    XGame* game = GameObject();
    LFrame* screen = m_Screen;
    m_Screen = nullptr;
    screen->SetActive(0);
    m_Manager->RequestClose(screen);
    // The menu goes first, so that the screens it put aside come back before
    // the saved game fills them (the inventory panel among them).
    if (auto* fm = dynamic_cast<XFrameManager*>(m_Manager)) fm->CloseOptionMenu();
    if (game && !game->LoadGame(slot)) {
        // A saved game that cannot be brought back leaves the player in the menus.
        if (auto* fm = dynamic_cast<XFrameManager*>(GetFrameManager())) {
            DeleteCurrentScene();
            fm->OpenOptionMenu(kMain);
        }
    }
}

void XOptionMenu::SaveSelected() {
    LView* root = m_Screen ? m_Screen->GetRootView() : nullptr;
    auto* list = FindTypedView<LOptionScreen>(root, kSaveList);
    auto* entry = FindTypedView<LEditView>(root, kSaveEntry);
    // Nothing selected, nothing saved.
    if (!list || list->GetKind() != LOptionScreen::kSaveList || list->GetSelected() < 0 || !entry) return;
    const int slot = list->ItemOfLine(list->GetSelected());
    XGame* game = GameObject();
    if (!game || !game->SaveGame(entry->GetText(), slot)) return;
    if (g_PlayerList && g_PlayerList->m_Games) g_PlayerList->m_Games->Scan();
    list->Refresh();
    for (int id : {2, 3, 5}) SetButtonEnabled(root->FindView(id), 0);
}

void XOptionMenu::ShowSettings() {
    if (m_Screen) {
        SwitchTo("OptionReglages");
    } else {
        m_Manager->OpenFrame("OptionReglages");
        if (g_App) g_App->SetState(APP_SCREENS);
    }
}

void XOptionMenu::Back() {
    m_CreditsMode = 0;
    if (m_Screen) {
        m_Manager->RequestClose(m_Screen);
        OpenMain();
    } else {
        m_Manager->CloseCurrentFrame();
        if (g_App) g_App->SetState(APP_SCENE);
    }
}

void XOptionMenu::ApplySettings() {
    LFrame* screen = m_Screen ? m_Screen : m_Manager->GetCurrentFrame();
    LView* root = screen ? screen->GetRootView() : nullptr;
    const int volume1 = MovedSliderVolume(root, kChannel1Slider);
    const int volume2 = MovedSliderVolume(root, kChannel2Slider);
    if (volume1 >= 0) {
        if (g_SoundManager) g_SoundManager->SetChannelVolume(1, volume1);
        // The shell gives the ambience this level again when a scene resumes.
        if (g_App) g_App->m_AmbienceVolume = volume1;
    }
    if (volume2 >= 0 && g_SoundManager) {
        g_SoundManager->SetChannelVolume(2, volume2);
        g_SoundManager->SetChannelVolume(3, volume2);
    }
    Back();
}
