// Players, their saved-game lists and a saved game written and read back.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "_ShellTestSupport.h"
#include "lumora/game/XGame.h"
#include "lumora/game/XPlayerList.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/DebugLog.h"

namespace fs = std::filesystem;

namespace {

class PlayersTest : public ::testing::Test {
protected:
    void SetUp() override { SetSaveDir(scratch.Path().string() + "/"); }
    void TearDown() override { SetSaveDir(""); }
    ScratchDir scratch;
};

}  // namespace

TEST_F(PlayersTest, PlayersPersistWithTheCurrentOne) {
    {
        XPlayerList players(new XGame());
        EXPECT_EQ(players.m_Count, 0);
        ASSERT_EQ(players.CreatePlayer(0, "Alice"), 1);
        ASSERT_EQ(players.CreatePlayer(1, "Bruno"), 1);
        ASSERT_EQ(players.UpdatePlayer(1, "Bruno", 3), 1);
        // A saved game passes the list's own entry back: the name survives.
        ASSERT_EQ(players.UpdatePlayer(1, players.m_Names[1], 4), 1);
        EXPECT_EQ(players.m_Current, 1);
    }
    // A folder without "Info.bin" is a player without a name; folders
    // outside the table are left alone.
    fs::create_directory(scratch.Path() / "User_5");
    fs::create_directory(scratch.Path() / "User_150");
    XPlayerList players(new XGame());
    EXPECT_EQ(players.m_Count, 3);
    EXPECT_EQ(players.m_Current, 1);
    EXPECT_STREQ(players.m_Names[0], "Alice");
    EXPECT_STREQ(players.m_Names[1], "Bruno");
    EXPECT_EQ(players.GetUniverse(1), 4);
    EXPECT_EQ(players.m_Used[5], 1);
    EXPECT_STREQ(players.m_Names[5], "");
    EXPECT_EQ(players.GetUniverse(150), 0);
}

TEST_F(PlayersTest, SavedGamesKeepTheirNameFirstAndTheLatestIsTheMostRecent) {
    XPlayerList players(new XGame());
    ASSERT_EQ(players.CreatePlayer(0, "Alice"), 1);
    XGame& game = *players.m_Game;
    game.SetSceneList("U04.ZELT");
    game.m_Universe = 4;
    ASSERT_EQ(game.SaveGame("Atelier", 7), 1);
    // File times have a coarse grain on some file systems.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(game.SaveGame("Jardin", 3), 1);
    ASSERT_EQ(game.SaveGame("Overflow", 150), 1);
    EXPECT_EQ(game.m_Slot, 0);
    const fs::path folder = scratch.Path() / "User_0";
    ASSERT_TRUE(fs::exists(folder / "Gamesave.7"));
    ASSERT_TRUE(fs::exists(folder / "Gamesave.0"));
    fs::last_write_time(folder / "Gamesave.0", fs::last_write_time(folder / "Gamesave.7") - std::chrono::hours(1));
    fs::last_write_time(folder / "Gamesave.3", fs::last_write_time(folder / "Gamesave.7") + std::chrono::seconds(5));

    XGameList list(0);
    ASSERT_EQ(list.Scan(), 1);
    EXPECT_EQ(list.m_Count, 3);
    EXPECT_STREQ(list.m_Names[7], "Atelier");
    EXPECT_STREQ(list.m_Names[3], "Jardin");
    EXPECT_EQ(list.m_Recent, 3) << "the slot written last, whatever the numbers";
    EXPECT_EQ(players.GetUniverse(0), 4);

    // The file: "GAME" first (name, universe, scene list), then the inventory.
    auto file = std::make_unique<XChunkFile>();
    ASSERT_EQ(file->Open((folder / "Gamesave.7").string().c_str(), 0), 1);
    ASSERT_EQ(file->BeginReadChunk("GAME"), 1);
    char name[64] = {}, scene[20] = {};
    std::int16_t universe = 0;
    ASSERT_EQ(file->Read(name, 64), 1);
    ASSERT_EQ(file->Read(&universe, 2), 1);
    ASSERT_EQ(file->Read(scene, 20), 1);
    file->EndReadChunk();
    EXPECT_STREQ(name, "Atelier");
    EXPECT_EQ(universe, 4);
    EXPECT_STREQ(scene, "U04.ZELT");
    EXPECT_EQ(file->BeginReadChunk("PORTEF"), 1);
    file->Close();
}
