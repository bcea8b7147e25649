#include "_EngineTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "include/zelt/zelt.h"

std::string TestBinDir() {
    const char* bin = std::getenv("LUMORA_BIN");
    return bin && *bin ? bin : LUMORA_TEST_BIN_DIR;
}

std::string TestDataRoot() { return (std::filesystem::path(TestBinDir()) / "Data").string() + "/"; }

int TestRoomScene::Open() {
    std::snprintf(m_Dir, sizeof m_Dir, "%sU09/", TestDataRoot().c_str());
    if (!Zelt_Scene_Create(&m_Scene)) return 0;
    CreateTrees();
    AddMapDir((std::string(m_Dir) + "Maps\\").c_str());
    return Load("U09.ZELT");
}

XObject3D* TestRoomScene::Node(const char* name) { return FindActionNode(FindObject(name, 1)); }
