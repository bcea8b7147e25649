#include "_EngineTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

std::vector<double> Loudness(const std::string& bytes, double seconds, int* rate) {
    std::vector<double> out;
    const std::size_t data = bytes.find("data");
    if (bytes.size() < 44 || data == std::string::npos) return out;
    std::int32_t sampleRate = 0;
    std::int16_t channels = 0;
    std::memcpy(&channels, bytes.data() + 22, 2);
    std::memcpy(&sampleRate, bytes.data() + 24, 4);
    if (channels <= 0 || sampleRate <= 0) return out;
    if (rate) *rate = sampleRate;
    const std::size_t first = data + 8;
    const std::size_t frames = (bytes.size() - first) / (2 * static_cast<std::size_t>(channels));
    const std::size_t window = static_cast<std::size_t>(seconds * sampleRate);
    if (window == 0) return out;
    for (std::size_t start = 0; start + window <= frames; start += window) {
        double sum = 0;
        for (std::size_t i = start; i < start + window; ++i) {
            std::int16_t v = 0;
            std::memcpy(&v, bytes.data() + first + i * 2 * channels, 2);
            sum += v < 0 ? -v : v;
        }
        out.push_back(sum / static_cast<double>(window));
    }
    return out;
}
