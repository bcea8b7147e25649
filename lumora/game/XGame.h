// The game object: the current game's name, slot, universe and scene list,
// scene changes and new games.
#pragma once

class XChunkFile;

// The scene factory's number of the painting scene.
constexpr int kPaintingUniverse = 50;

class XGame {
public:
    XGame() = default;
    virtual ~XGame();
    XGame(const XGame&) = delete;
    XGame& operator=(const XGame&) = delete;

    // Asks the main loop to load universe u (8 is the second part of universe 3, "U33.ZELT").
    virtual int ChangeUniverse(int universe);
    // The first scene of "APP.CFG" [SCENE] FIRST (default "U01.ZELT").
    virtual int NewGame();
    // Restores the current player's saved game in `slot`; 0 when its scene cannot be started.
    virtual int LoadGame(int slot);
    // Saves the current game as `name` in `slot` (0 for a slot of 100 or more); 0 when the file cannot be made.
    virtual int SaveGame(const char* name, int slot);
    // Leaves a game that cannot go on: the option menu opens at its load screen.
    virtual int ReturnToMenu();

    // Replaces the current scene by the one of `sceneList`; 0 when it cannot
    // be created, loaded or started.
    int StartScene(const char* sceneList, int mode, XChunkFile* file);
    void SetSceneList(const char* sceneList);
    // Enters the 3D scene where a gallery painting was found; 0 for a code
    // without a scene, or when the scene cannot be had.
    int GotoPaintingScene(const char* code);

    int m_Slot = 0;
    char m_Name[64] = "NoName";
    char m_SavePath[260] = {};
    char m_SceneList[20] = {};
    short m_Universe = 0;
    int m_NewGame = 1;
    int m_SceneLoaded = 0;
    int m_DebugMode = 1;
    int m_GalleryVisit = 0;
    char m_PaintingCode[7] = {};
};

// The scene list of a painting's scene, or null for a code without one.
const char* PaintingSceneList(const char* code);

// The current player's saved game in `slot`.
void SavedGamePath(int slot, char* out, int size);

// Deletes the current scene (g_CurrentScene becomes null).
void DeleteCurrentScene();
