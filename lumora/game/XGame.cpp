#include "lumora/game/XGame.h"

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "lumora/engine/XScene.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XFrameManager.h"
#include "lumora/game/XInventoryPanel.h"
#include "lumora/game/XOptionMenu.h"
#include "lumora/game/XPlayerList.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/LSoundManager.h"
#include "platform/Files.h"
#include "platform/Input.h"
#include "platform/Profile.h"

void DeleteCurrentScene() {
    XScene* scene = g_CurrentScene;
    g_CurrentScene = nullptr;
    delete scene;
}

XGame::~XGame() { DeleteCurrentScene(); }

void XGame::SetSceneList(const char* sceneList) {
    std::snprintf(m_SceneList, sizeof m_SceneList, "%s", sceneList ? sceneList : "");
}

int XGame::StartScene(const char* sceneList, int mode, XChunkFile* file) {
    char list[sizeof m_SceneList];
    std::snprintf(list, sizeof list, "%s", sceneList ? sceneList : "");
    DeleteCurrentScene();
    const int universe = UniverseOfList(list);
    if (g_Cursor) g_Cursor->Select(0, 1, 1);
    XScene* scene = CreateScene(universe);
    g_CurrentScene = scene;
    if (!scene->Create(list)) return 0;
    if (g_App) g_App->SetState(APP_SCENE);
    if (!scene->Load(list)) return 0;
    // A scripted player (a demo, a test) may wait for the scene to begin.
    platform::AnnounceInputMark(std::string("scene ") + list);
    if (!scene->Start(mode, file)) return 0;
    m_NewGame = 0;
    m_SceneLoaded = 1;
    m_Universe = static_cast<short>(universe);
    SetSceneList(list);
    return 1;
}

int XGame::ChangeUniverse(int universe) {
    if (g_Cursor && g_Cursor->IsEnabled()) g_Cursor->SetEnabled(0, 0);
    if (!g_App || g_App->GetState() == APP_LOAD_SCENE) return 1;
    g_App->m_State = APP_LOAD_SCENE;
    if (g_Cursor) g_Cursor->ReturnObjectToInventory();
    if (universe == 8) {
        m_Universe = 3;
        SetSceneList("U33.ZELT");
    } else {
        m_Universe = static_cast<short>(universe);
        std::snprintf(m_SceneList, sizeof m_SceneList, "U%02d.zelt", universe);
    }
    if (g_Cursor) {
        g_Cursor->SetEnabled(1, 0);
        g_Cursor->Select(0, 0, 0);
    }
    return 1;
}

int XGame::NewGame() {
    char first[20] = {};
    const std::string config = ResolveForReading(std::string(g_App ? g_App->m_DataDir : "") + "APP.CFG");
    platform::GetPrivateProfileString("SCENE", "FIRST", "U01.ZELT", first, sizeof first, config.c_str());
    SetSceneList(first);
    m_NewGame = 1;
    m_Universe = 1;
    std::snprintf(m_Name, sizeof m_Name, "%s", "NoName");
    if (g_App) g_App->SetState(APP_LOAD_SCENE);
    // A new game starts with nothing carried.
    if (XInventoryPanel* panel = XInventoryPanel::Current()) panel->Clear();
    else if (!GetFrameManager()) new MessageToUser(0, 3, __FILE__, __LINE__);
    return 1;
}

int XGame::ReturnToMenu() {
    if (g_Cursor) g_Cursor->ReturnObjectToInventory();
    if (g_SoundManager) g_SoundManager->StopAll();
    if (auto* fm = dynamic_cast<XFrameManager*>(GetFrameManager())) fm->OpenOptionMenu(XOptionMenu::kLoad);
    m_SceneLoaded = 0;
    if (g_Cursor) {
        g_Cursor->Select(XCursor::kModeTable, XCursor::kDefault, 0);
        if (!g_Cursor->IsEnabled()) g_Cursor->SetEnabled(1, 0);
    }
    return 1;
}

const char* PaintingSceneList(const char* code) {
    static const struct {
        const char* code;
        const char* list;
    } kScenes[] = {
        {"U11_01", "U01D.ZELT"}, {"U11_02", "U02D.ZELT"}, {"U11_03", "U02D.ZELT"}, {"U12_03", "U03D.ZELT"},
        {"U12_04", "U33D.ZELT"}, {"U13_01", "U04D.ZELT"}, {"U13_03", "U04D.ZELT"}, {"U13_04", "U04D.ZELT"},
        {"U13_05", "U04D.ZELT"}, {"U13_06", "U04D.ZELT"}, {"U13_11", "U04D.ZELT"}, {"U13_12", "U04D.ZELT"},
        {"U13_13", "U04D.ZELT"}, {"U13_14", "U04D.ZELT"}, {"U13_15", "U05D.ZELT"}, {"U14_01", "U05D.ZELT"},
        {"U14_02", "U06D.ZELT"}, {"U14_03", "U06D.ZELT"}, {"U14_05", "U06D.ZELT"}, {"U14_07", "U06D.ZELT"},
    };
    if (!code) return nullptr;
    for (const auto& s : kScenes)
        if (std::strncmp(code, s.code, 6) == 0) return s.list;
    return nullptr;
}

int XGame::GotoPaintingScene(const char* code) {
    const char* list = PaintingSceneList(code);
    if (!list) return 0;
    std::snprintf(m_PaintingCode, sizeof m_PaintingCode, "%.6s", code);
    DeleteCurrentScene();
    XScene* scene = CreateScene(kPaintingUniverse);
    g_CurrentScene = scene;
    if (!scene->Create(list)) {
        DeleteCurrentScene();
        return 0;
    }
    if (g_App) g_App->SetState(APP_SCENE);
    if (!scene->Load(list) || !scene->Start(1, nullptr)) {
        DeleteCurrentScene();
        return 0;
    }
    m_SceneLoaded = 1;
    SetSceneList(list);
    if (g_App) g_App->m_CursorShown = 1;
    m_GalleryVisit = 1;
    DebugOut("Game: the painting %s", m_PaintingCode);
    return 1;
}

void SavedGamePath(int slot, char* out, int size) {
    char folder[260];
    XPlayerList::PlayerFolder(g_PlayerList ? g_PlayerList->m_Current : 0, folder, sizeof folder);
    std::snprintf(out, static_cast<std::size_t>(size), "%sGamesave.%i", folder, slot);
}

int XGame::SaveGame(const char* name, int slot) {
    std::snprintf(m_Name, sizeof m_Name, "%s", name ? name : "");
    m_Slot = slot < 100 ? slot : 0;
    SavedGamePath(m_Slot, m_SavePath, sizeof m_SavePath);
    const char* path = m_SavePath;
    char folder[260];
    XPlayerList::PlayerFolder(g_PlayerList ? g_PlayerList->m_Current : 0, folder, sizeof folder);
    platform::MakeDirectory(ResolveForWriting(folder));
    auto file = std::make_unique<XChunkFile>();
    if (!file->Open(ResolveForWriting(path).c_str(), 1)) return 0;
    // "GAME" first, its name first: the saved-game list reads the name at offset 0.
    char gameName[64] = {};
    std::memcpy(gameName, m_Name, sizeof gameName);
    char list[20] = {};
    std::memcpy(list, m_SceneList, sizeof list);
    file->BeginWriteChunk("GAME");
    file->Write(gameName, sizeof gameName);
    file->Write(&m_Universe, 2);
    file->Write(list, sizeof list);
    file->EndWriteChunk();
    if (g_CurrentScene) g_CurrentScene->SaveState(file.get());
    if (XInventoryPanel* panel = XInventoryPanel::Current()) panel->SaveState(file.get());
    else WriteInventoryChunk(file.get(), {});
    if (!file->Close()) return 0;
    if (g_PlayerList)
        g_PlayerList->UpdatePlayer(g_PlayerList->m_Current, g_PlayerList->m_Names[g_PlayerList->m_Current], m_Universe);
    platform::AnnounceInputMark("game saved");
    return 1;
}

int XGame::LoadGame(int slot) {
    m_NewGame = 0;
    m_Slot = slot;
    std::snprintf(m_Name, sizeof m_Name, "Game%i", slot);
    SavedGamePath(slot, m_SavePath, sizeof m_SavePath);
    const char* path = m_SavePath;
    auto file = std::make_unique<XChunkFile>();
    const std::string real = ResolveForReading(path);
    if (real.empty() || !file->Open(real.c_str(), 0)) return 0;
    if (file->BeginReadChunk("GAME")) {
        char gameName[64] = {};
        char list[20] = {};
        std::int16_t universe = 0;
        if (file->Read(gameName, 64) && file->Read(&universe, 2) && file->Read(list, 20)) {
            gameName[63] = '\0';
            list[19] = '\0';
            std::snprintf(m_Name, sizeof m_Name, "%s", gameName);
            m_Universe = universe;
            SetSceneList(list);
        }
        file->EndReadChunk();
    }
    if (XInventoryPanel* panel = XInventoryPanel::Current()) panel->LoadState(file.get());
    const int started = StartScene(m_SceneList, 0, file.get());
    file->Close();
    return started;
}
