// Shared by the chunk fuzz targets: the input stored as one chunk of a saved
// game, followed by a second chunk, in a scratch file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/Report.h"

// The file's path, or "" when it cannot be written.
inline std::string WriteFuzzChunks(const char* chunk, const std::uint8_t* data, std::size_t size, const char* next,
                                   const std::string& nextBytes) {
    static const std::string path = [] {
        std::error_code ec;
        const std::filesystem::path dir =
            std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path();
        SetMessageBoxHook([](platform::HWND, const char*, const char*, platform::UINT) { return 1; });
        SetDebugOutSink([](std::string_view) {});
        return (dir / ("lumora-chunk-fuzz-" + std::to_string(std::rand()))).string();
    }();
    XChunkFile f;
    if (!f.Open(path.c_str(), 1)) return "";
    f.BeginWriteChunk(chunk);
    f.Write(data, static_cast<unsigned>(size));
    f.EndWriteChunk();
    f.BeginWriteChunk(next);
    f.Write(nextBytes.data(), static_cast<unsigned>(nextBytes.size()));
    f.EndWriteChunk();
    return f.Close() ? path : "";
}
