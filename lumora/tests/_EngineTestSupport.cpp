#include "_EngineTestSupport.h"

#include <cstdlib>

#include "_GameTestSupport.h"
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
