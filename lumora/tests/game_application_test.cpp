// The application object's click filter and state switch, and the game
// object's scene-list bookkeeping, without a display.
#include <gtest/gtest.h>

#include <cstdio>

#include <string>
#include <vector>

#include "_ShellTestSupport.h"
#include "_SoundTestSupport.h"
#include "lumora/engine/XScene.h"
#include "lumora/game/XGame.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/LSoundManager.h"
#include "platform/Time.h"

namespace {

class CountingScene : public XScene {
public:
    int OnLButtonDown(int x, int y) override {
        clicks.push_back({x, y});
        return 1;
    }
    int OnMouseMove(int, int) override {
        ++moves;
        return 1;
    }
    std::vector<std::pair<int, int>> clicks;
    int moves = 0;
};

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetFixedClock(10);
        g_CurrentScene = &scene;
        app.m_State = APP_SCENE;
    }
    void TearDown() override {
        g_CurrentScene = nullptr;
        platform::SetFixedClock(0);
    }
    // Moves the fixed clock on by `ms` (a multiple of its 10 ms step).
    static void Advance(int ms) {
        for (int i = 0; i < ms / 10; ++i) platform::detail::AdvanceClockOneFrame();
    }

    CountingScene scene;
    XApplication app{nullptr};
};

}  // namespace

TEST_F(ApplicationTest, ClicksCloserThanAFramePlusTenMillisecondsAreDropped) {
    scene.m_FrameRate = 30.0f;  // threshold 43.3 ms
    Advance(1000);
    app.OnLButtonDown(1, 1);
    Advance(20);
    app.OnLButtonDown(2, 2);  // dropped
    Advance(30);
    app.OnLButtonDown(3, 3);  // 50 ms after the first, but 30 after the dropped one
    Advance(50);
    app.OnLButtonDown(4, 4);
    ASSERT_EQ(scene.clicks.size(), 2u);
    EXPECT_EQ(scene.clicks[0].first, 1);
    EXPECT_EQ(scene.clicks[1].first, 4);
}

TEST_F(ApplicationTest, ClicksAndMovesReachTheSceneOnlyUnlockedInTheSceneState) {
    Advance(1000);
    app.m_InputLocked = 1;
    app.OnLButtonDown(1, 1);
    app.OnMouseMove(1, 1);
    app.m_InputLocked = 0;
    app.m_State = APP_SCREENS;
    Advance(100);
    app.OnLButtonDown(2, 2);
    app.OnMouseMove(2, 2);
    EXPECT_TRUE(scene.clicks.empty());
    EXPECT_EQ(scene.moves, 0);
    app.m_State = APP_SCENE;
    Advance(100);
    app.OnLButtonDown(3, 3);
    app.OnMouseMove(3, 3);
    EXPECT_EQ(scene.clicks.size(), 1u);
    EXPECT_EQ(scene.moves, 1);
}

TEST_F(ApplicationTest, ChangingUniverseAsksTheLoopForTheNewList) {
    XGame game;
    game.ChangeUniverse(5);
    EXPECT_EQ(app.GetState(), APP_LOAD_SCENE);
    EXPECT_STREQ(game.m_SceneList, "U05.zelt");
    EXPECT_EQ(game.m_Universe, 5);
    // A second request while one is pending changes nothing.
    game.ChangeUniverse(8);
    EXPECT_STREQ(game.m_SceneList, "U05.zelt");
    app.m_State = APP_SCENE;
    game.ChangeUniverse(8);
    EXPECT_STREQ(game.m_SceneList, "U33.ZELT");
    EXPECT_EQ(game.m_Universe, 3);
    g_CurrentScene = nullptr;  // the game object deletes the current scene
}

TEST_F(ApplicationTest, NewGameStartsAtTheFirstSceneOfTheConfiguration) {
    ScratchDir scratch;
    std::snprintf(app.m_DataDir, sizeof app.m_DataDir, "%s/", scratch.Path().string().c_str());
    XGame game;
    game.NewGame();
    EXPECT_STREQ(game.m_SceneList, "U01.ZELT") << "without APP.CFG";
    scratch.Write("app.cfg", "[SCENE]\r\nFIRST=U09.ZELT\r\n");
    app.m_State = APP_SCENE;
    game.NewGame();
    EXPECT_STREQ(game.m_SceneList, "U09.ZELT");
    EXPECT_EQ(game.m_Universe, 1);
    EXPECT_STREQ(game.m_Name, "NoName");
    EXPECT_EQ(app.GetState(), APP_LOAD_SCENE);
    g_CurrentScene = nullptr;
}

TEST_F(ApplicationTest, TheScreensStateMutesTheSceneChannelsAndTheSameStateChangesNothing) {
    SoundRig rig;
    ASSERT_EQ(g_SoundManager, rig.manager.get());
    app.SetState(APP_SCREENS);
    EXPECT_EQ(g_SoundManager->GetChannelVolume(1), 0);
    EXPECT_EQ(g_SoundManager->GetChannelVolume(4), 0);
    EXPECT_EQ(g_SoundManager->GetChannelVolume(5), 0);
    app.SetState(APP_SCENE);
    EXPECT_EQ(g_SoundManager->GetChannelVolume(1), 85);
    EXPECT_EQ(g_SoundManager->GetChannelVolume(4), 80);
    EXPECT_EQ(g_SoundManager->GetChannelVolume(5), 80);
    g_SoundManager->SetChannelVolume(1, 40);
    app.SetState(APP_SCENE);
    EXPECT_EQ(g_SoundManager->GetChannelVolume(1), 40);
    app.SetState(APP_VIDEO);
    EXPECT_EQ(g_SoundManager->GetChannelVolume(1), 85);
    EXPECT_EQ(app.GetState(), APP_VIDEO);
}

// A video that is not there is logged and the scene state comes back at
// once, without the companion wave.
TEST_F(ApplicationTest, AMissingVideoIsLoggedAndTheSceneStateComesBack) {
    SoundRig rig;
    ScratchDir scratch;
    std::snprintf(app.m_DataDir, sizeof app.m_DataDir, "%s/", scratch.Path().string().c_str());
    WaveLayout wave;
    wave.data = Ramp8(22050);
    scratch.Write("Video/Talk.wav", MakeWave(wave));
    app.PlayVideo("Nowhere", "Talk", 0, 1);
    EXPECT_EQ(app.GetState(), APP_SCENE);
    bool logged = false;
    for (const std::string& line : rig.reports.debugLines) logged = logged || line.find("File not found") != std::string::npos;
    EXPECT_TRUE(logged);
    EXPECT_FALSE(g_SoundManager->IsChannelPlaying(2));
}
