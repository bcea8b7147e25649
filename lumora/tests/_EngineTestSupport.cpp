#include "_EngineTestSupport.h"

#include <cstdio>
#include <cstdlib>

#include "_GameTestSupport.h"
#include "include/zelt/zelt.h"
#include "lumora/shell/ChunkFile.h"
#include "platform/Bmp.h"

std::string TestBinDir() {
    const char* bin = std::getenv("LUMORA_BIN");
    return bin && *bin ? bin : LUMORA_TEST_BIN_DIR;
}

std::string DataPackRoot() { return (std::filesystem::path(TestBinDir()) / "Data").string() + "/"; }

FrameDump ReadFrameDump(const std::filesystem::path& path) {
    platform::BmpImage image;
    FrameDump f;
    if (!platform::ReadBmpFile(path.string().c_str(), &image)) return f;
    f.width = image.width;
    f.height = image.height;
    f.rgb = std::move(image.rgb);
    return f;
}

int ReadInChunk(const std::string& path, const char* chunk, const std::function<int(XChunkFile*)>& read) {
    return ReadChunks(path, [&](XChunkFile* f) {
        if (!f->BeginReadChunk(chunk)) return 0;
        const int result = read(f);
        f->EndReadChunk();
        return result;
    });
}

int TestRoomScene::Open(const std::string& root) {
    std::snprintf(m_Dir, sizeof m_Dir, "%sU09/", root.c_str());
    if (!Zelt_Scene_Create(&m_Scene)) return 0;
    CreateTrees();
    AddMapDir((std::string(m_Dir) + "Maps\\").c_str());
    return Load("U09.ZELT");
}

XObject3D* TestRoomScene::Node(const char* name) { return FindActionNode(FindObject(name, 1)); }
