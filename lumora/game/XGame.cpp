#include "lumora/game/XGame.h"

#include <cstdio>
#include <cstring>

#include "lumora/engine/XScene.h"
#include "lumora/game/XCursor.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/XApplication.h"
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
    if (!scene->Load(list) || !scene->Start(mode, file)) return 0;
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
    return 1;
}
