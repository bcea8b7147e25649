// The players of this installation (folders "User_<n>" of the save folder)
// and the saved games of the current player.
#pragma once

#include <cstdint>

class XGame;

constexpr int kMaxPlayers = 99;
constexpr int kMaxSavedGames = 99;

class XGameList {
public:
    explicit XGameList(int player);
    // Reads the names of the player's saved games; the most recently written is m_Recent.
    int Scan();

    std::int16_t m_Player;
    int m_Count = 0;
    int m_Recent = 1;
    int m_Used[kMaxSavedGames] = {};
    char m_Names[kMaxSavedGames][64] = {};
    char m_Folder[260] = {};
};

class XPlayerList {
public:
    // Takes the game object over (deleted with the list).
    explicit XPlayerList(XGame* game);
    ~XPlayerList();
    XPlayerList(const XPlayerList&) = delete;
    XPlayerList& operator=(const XPlayerList&) = delete;

    int Scan();
    int CreatePlayer(int number, const char* name);
    int UpdatePlayer(int number, const char* name, int universe);
    int SelectPlayer(int number);
    int GetUniverse(int number) const;
    // The "CURRENT" chunk of the save folder's "Info.bin".
    int ReadCurrent();
    int WriteCurrent();
    // The player's folder: save folder + "User_" + number + "/".
    static void PlayerFolder(int number, char* out, int size);

    int m_Count = 0;
    std::int16_t m_Current = 0;
    int m_Used[kMaxPlayers] = {};
    char m_Names[kMaxPlayers][64] = {};
    std::int16_t m_Universes[kMaxPlayers] = {};
    XGameList* m_Games = nullptr;
    XGame* m_Game = nullptr;
};

extern XPlayerList* g_PlayerList;
