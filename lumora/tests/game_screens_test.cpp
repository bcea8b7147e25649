// The option screens in-process over the data pack's frames: what the
// settings do to the channels, the text entries' limits, saving only where
// a save list exists, and the gallery's stepping over what is unlocked.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <memory>
#include <string>

#include "_FrameworkTestSupport.h"
#include "_SoundTestSupport.h"
#include "lumora/framework/LClassCreator.h"
#include "lumora/framework/LFrame.h"
#include "lumora/framework/LSliderView.h"
#include "lumora/game/XFrameManager.h"
#include "lumora/game/XGallery.h"
#include "lumora/game/XGame.h"
#include "lumora/game/XInventoryPanel.h"
#include "lumora/game/XOptionMenu.h"
#include "lumora/game/XOptionViews.h"
#include "lumora/game/XPlayerList.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/sound/LSoundManager.h"
#include "platform/Window.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

std::string PackRoot() { return std::string(LUMORA_TEST_BIN_DIR) + "/Data/"; }

class GameScreens : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(PackRoot() + "APP.BIN")) << "the data pack is built with the program";
        SetSaveDir(save.Path().string() + "/");
        sound = std::make_unique<SoundRig>(1000000, false);
        players = std::make_unique<XPlayerList>(new XGame());
        screen = std::make_unique<FrameworkScreen>(PackRoot(), std::make_unique<XFrameManager>());
        ASSERT_EQ(screen->InitResult(), 0);
    }
    void TearDown() override {
        screen.reset();
        players.reset();
        sound.reset();
        SetSaveDir("");
    }
    XFrameManager& Fm() { return static_cast<XFrameManager&>(screen->Manager()); }
    void Pass() { Fm().Redraw(1); }
    void Type(const std::string& text) {
        for (char c : text) screen->Send(WM_CHAR, static_cast<unsigned char>(c), 0, 0);
    }
    LView* Root() { return g_OptionMenu && g_OptionMenu->m_Screen ? g_OptionMenu->m_Screen->GetRootView() : nullptr; }

    ScratchDir save;
    std::unique_ptr<SoundRig> sound;
    std::unique_ptr<XPlayerList> players;
    std::unique_ptr<FrameworkScreen> screen;
};

}  // namespace

TEST_F(GameScreens, SettingsChangeOnlyTheChannelsWhoseSliderMoved) {
    g_SoundManager->SetChannelVolume(2, 70);
    g_SoundManager->SetChannelVolume(3, 60);
    const int ambience = g_SoundManager->GetChannelVolume(1);
    Fm().OpenOptionMenu(XOptionMenu::kMain);
    ASSERT_NE(g_OptionMenu, nullptr);
    g_OptionMenu->ShowSettings();
    Pass();
    auto* voices = FindTypedView<LSliderView>(Root(), 5);
    ASSERT_NE(voices, nullptr);
    EXPECT_EQ(voices->GetVolume(), 70) << "the slider starts at the channel's volume";

    // OK without a move: channel 3 keeps its own level, channel 2 its own.
    g_OptionMenu->ApplySettings();
    Pass();
    EXPECT_EQ(g_SoundManager->GetChannelVolume(2), 70);
    EXPECT_EQ(g_SoundManager->GetChannelVolume(3), 60);
    EXPECT_EQ(g_SoundManager->GetChannelVolume(1), ambience);
    ASSERT_NE(g_OptionMenu->m_Screen, nullptr);
    EXPECT_STREQ(g_OptionMenu->m_Screen->GetName(), "Option") << "OK goes back to the main options";

    // Two clicks on the minus zone of the voices' slider: both channels follow.
    g_OptionMenu->ShowSettings();
    Pass();
    voices = FindTypedView<LSliderView>(Root(), 5);
    ASSERT_NE(voices, nullptr);
    RECT frame;
    voices->GetFrameRect(&frame);
    for (int i = 0; i < 2; ++i) {
        screen->Send(WM_LBUTTONDOWN, MK_LBUTTON, frame.left + 5, frame.top + 10);
        screen->Send(WM_LBUTTONUP, 0, frame.left + 5, frame.top + 10);
    }
    const int pos = voices->GetPos();
    ASSERT_LT(pos, voices->VolumeToPos(70));
    const int expected = static_cast<int>(pos * (100.0 / voices->GetMax()));
    g_OptionMenu->ApplySettings();
    EXPECT_EQ(g_SoundManager->GetChannelVolume(2), expected);
    EXPECT_EQ(g_SoundManager->GetChannelVolume(3), expected);

    // A slider without room never divides and sets nothing.
    Pass();
    g_OptionMenu->ShowSettings();
    Pass();
    auto* ambienceSlider = FindTypedView<LSliderView>(Root(), 4);
    ASSERT_NE(ambienceSlider, nullptr);
    ambienceSlider->SetMax(0);
    ambienceSlider->SetPos(7);
    g_OptionMenu->ApplySettings();
    EXPECT_EQ(g_SoundManager->GetChannelVolume(1), ambience);
    Fm().CloseOptionMenu();
    EXPECT_EQ(g_OptionMenu, nullptr);
}

TEST_F(GameScreens, EntriesKeepTheirLimitAndSaveOnlyBesideASaveList) {
    players->CreatePlayer(0, "Ada");
    Fm().OpenOptionMenu(XOptionMenu::kSave);
    Pass();
    auto* list = FindTypedView<LOptionScreen>(Root(), 10);
    auto* entry = FindTypedView<LEditView>(Root(), 11);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(list->ItemOfLine(list->GetSelected()), 1) << "the first free slot from 1 is offered";
    // Nothing was typed yet: the offered name is replaced as a whole.
    Type(std::string(45, 'x'));
    EXPECT_EQ(std::string(entry->GetText()), std::string(LSaveEdit::kMaxLength, 'x'));
    EXPECT_EQ(entry->GetCaret(), LSaveEdit::kMaxLength);
    Type("\b\b");
    Type("yz");
    EXPECT_EQ(std::string(entry->GetText()), std::string(LSaveEdit::kMaxLength - 2, 'x') + "yz");
    Type("q");
    EXPECT_EQ(std::string(entry->GetText()).size(), static_cast<std::size_t>(LSaveEdit::kMaxLength));

    // A list with nothing selected saves nothing, by button or by Enter.
    list->SelectLine(-1);
    g_OptionMenu->SaveSelected();
    Type("\r");
    players->m_Games->Scan();
    EXPECT_EQ(players->m_Games->m_Count, 0);

    // Without its list the entry's Enter saves nothing either.
    list->SelectLine(list->LineOfItem(4));
    list->DetachFromSuperView();
    Type("\r");
    players->m_Games->Scan();
    EXPECT_EQ(players->m_Games->m_Count, 0);
    Root()->AddSubView(list);

    // With both, Enter saves under the typed name and the list shows it.
    Type("\r");
    players->m_Games->Scan();
    ASSERT_EQ(players->m_Games->m_Count, 1);
    EXPECT_TRUE(players->m_Games->m_Used[4]);
    EXPECT_EQ(std::string(players->m_Games->m_Names[4]), std::string(LSaveEdit::kMaxLength - 2, 'x') + "yz");
    EXPECT_EQ(list->LineText(4).substr(0, 4), "5 - ");
    auto* ok = FindTypedView<LBitmapView>(Root(), 2);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(std::string(ok->GetBitmapName()), "SavOkN.bmp") << "the save buttons switch to their disabled form";
    // A view looked up by number is also checked for its class.
    EXPECT_EQ(FindTypedView<LOptionScreen>(Root(), 11), nullptr);
    EXPECT_EQ(FindTypedView<LEditView>(Root(), 99), nullptr);
    Fm().CloseOptionMenu();
}

TEST_F(GameScreens, PlayerNameEntryFindsPlayersAndNeverSaves) {
    players->CreatePlayer(0, "Bruno");
    players->CreatePlayer(1, "Berthe");
    Fm().OpenFrame("OptionUser");
    Pass();
    LView* root = Fm().GetCurrentFrame()->GetRootView();
    auto* list = FindTypedView<LUser>(root, 10);
    auto* entry = FindTypedView<LEditView>(root, 11);
    auto* confirm = FindTypedView<LBitmapView>(root, 2);
    ASSERT_TRUE(list && entry && confirm);
    EXPECT_STREQ(entry->GetText(), "Berthe") << "the current player is offered";
    Type("Brun");
    EXPECT_EQ(list->ItemOfLine(list->GetSelected()), 0);
    EXPECT_EQ(std::string(confirm->GetBitmapName()), "UsrOkM.bmp");
    Type("\b\b\b\b");
    EXPECT_EQ(std::string(confirm->GetBitmapName()), "UsrOkN.bmp") << "an empty name cannot be confirmed";
    EXPECT_FALSE(confirm->BehaviorAt(0)->IsEnabled());
    Type(std::string(40, 'n'));
    EXPECT_EQ(std::string(entry->GetText()).size(), static_cast<std::size_t>(LUserEdit::kMaxLength));
    EXPECT_EQ(players->m_Games->m_Count, 0);
}

TEST_F(GameScreens, GalleryStepsOnlyOverWhatIsUnlocked) {
    players->CreatePlayer(0, "Cleo");
    ASSERT_NE(g_Gallery, nullptr) << "the game's frame manager makes the gallery";
    // No progress: nothing unlocked, stepping stays put.
    g_Gallery->Open(0);
    Pass();
    EXPECT_LT(g_Gallery->m_Unlocked.GetLastIndex(), 0);
    EXPECT_EQ(g_Gallery->m_Locked.GetLastIndex(), XGallery::kButtonCount - 1);
    LFrame* galerie = g_Gallery->m_Frame;
    g_Gallery->Next();
    EXPECT_EQ(g_Gallery->m_Frame, galerie);
    auto* first = FindTypedView<LBitmapView>(galerie->GetRootView(), 5);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->GetBitmapName(), "NULL");

    // Progress 4: fourteen paintings; stepping back from the first wraps to the last.
    players->UpdatePlayer(0, "Cleo", 4);
    g_Gallery->Open(0);
    Pass();
    EXPECT_EQ(g_Gallery->m_Unlocked.GetLastIndex(), 13);
    EXPECT_EQ(g_Gallery->m_Locked.GetLastIndex(), 5);
    char firstCode[XGallery::kCodeSize], lastCode[XGallery::kCodeSize];
    g_Gallery->m_Unlocked.CopyAt(firstCode, 0);
    g_Gallery->m_Unlocked.CopyAt(lastCode, 13);
    EXPECT_STREQ(firstCode, "U11_01");
    EXPECT_STREQ(lastCode, "U13_14");
    g_Gallery->ShowScreen("Tableau", firstCode, 1);
    Pass();
    g_Gallery->Prev();
    Pass();
    EXPECT_STREQ(g_Gallery->m_Code, "U13_14");
    auto* painting = FindTypedView<LBitmapView>(g_Gallery->m_Frame->GetRootView(), 1);
    ASSERT_NE(painting, nullptr);
    EXPECT_STREQ(painting->GetBitmapName(), "U13_14TAB");
    g_Gallery->Next();
    Pass();
    EXPECT_STREQ(g_Gallery->m_Code, "U11_01");

    // The two paintings without a scene hide the way in.
    g_Gallery->ShowScreen("Tableau", "U14_02", 1);
    Pass();
    LView* enter = g_Gallery->m_Frame->GetRootView()->FindView(30);
    ASSERT_NE(enter, nullptr);
    EXPECT_FALSE(enter->IsVisible());

    // Back from the real size: the gallery again, its locked buttons veiled.
    g_Gallery->ShowScreen("Taille", "U13_05", 1);
    Pass();
    g_Gallery->Back();
    Pass();
    ASSERT_NE(g_Gallery->m_Frame, nullptr);
    EXPECT_STREQ(g_Gallery->m_Frame->GetName(), "Galerie");
    auto* locked = FindTypedView<LBitmapView>(g_Gallery->m_Frame->GetRootView(), 16);
    ASSERT_NE(locked, nullptr);
    EXPECT_STREQ(locked->GetBitmapName(), "NULL");
    EXPECT_EQ(PaintingSceneList("U13_12"), std::string("U04D.ZELT"));
    EXPECT_EQ(PaintingSceneList("U99_01"), nullptr);
}

TEST_F(GameScreens, ANewGameStartsWithNothingCarried) {
    auto* panel = dynamic_cast<XInventoryPanel*>(Fm().CreateFrame(XInventoryPanel::kFrameName, 100));
    ASSERT_NE(panel, nullptr);
    Fm().SetInventoryPanel(panel);
    panel->AddObject("SomA1");
    panel->AddObject("SomB1");
    ASSERT_EQ(panel->GetStrip()->GetItemCount(), 2);
    Fm().OpenOptionMenu(XOptionMenu::kMain);
    EXPECT_FALSE(panel->IsActive()) << "the menu puts the panel aside";
    g_OptionMenu->NewGame();
    EXPECT_EQ(g_OptionMenu, nullptr);
    EXPECT_TRUE(panel->IsActive()) << "and gives it back";
    EXPECT_EQ(panel->GetStrip()->GetItemCount(), 0);
    EXPECT_STREQ(players->m_Game->m_SceneList, "U01.ZELT");
}

TEST_F(GameScreens, EveryEventThePackNamesIsKnownAndTheMenuShowsWhatIsMissing) {
    // Each "@SCR" of the pack's frames names a screen event of the game.
    int events = 0;
    for (const auto& entry : fs::directory_iterator(PackRoot() + "2DFRA")) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string text, why;
        ASSERT_TRUE(DecompileFrame(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &text, &why))
            << entry.path() << why;
        std::istringstream words(text);
        for (std::string word; words >> word;) {
            if (word != "SCR.ScriptName") continue;
            std::string name;
            words >> name;
            while (!name.empty() && (name.back() == ';')) name.pop_back();
            ++events;
            EXPECT_NE(Fm().GetScriptTable()->Find(name.c_str()), nullptr) << entry.path().filename() << " " << name;
        }
    }
    EXPECT_GT(events, 40);

    // No saved game, no painting: the load and gallery buttons are greyed and deaf.
    players->CreatePlayer(0, "Dora");
    Fm().OpenOptionMenu(XOptionMenu::kMain);
    auto* load = FindTypedView<LBitmapView>(Root(), 3);
    auto* gallery = FindTypedView<LBitmapView>(Root(), 6);
    ASSERT_TRUE(load && gallery);
    EXPECT_STREQ(load->GetBitmapName(), "SomB2");
    EXPECT_STREQ(gallery->GetBitmapName(), "SomE2");
    for (int i = 0; i < load->CountBehaviors(); ++i) EXPECT_FALSE(load->BehaviorAt(i)->IsEnabled());
    screen->Send(WM_LBUTTONDOWN, MK_LBUTTON, 320, 141);
    screen->Send(WM_LBUTTONUP, 0, 320, 141);
    Pass();
    EXPECT_STREQ(g_OptionMenu->m_Screen->GetName(), "Option");
    Fm().CloseOptionMenu();

    // A game that cannot go on returns to the menu at its load screen.
    players->m_Game->ReturnToMenu();
    ASSERT_NE(g_OptionMenu, nullptr);
    EXPECT_STREQ(g_OptionMenu->m_Screen->GetName(), "OptionLoad");
    EXPECT_EQ(Fm().GetOptionScreenKind(), 3);
    Fm().CloseOptionMenu();
}
