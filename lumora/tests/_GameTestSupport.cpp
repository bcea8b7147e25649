#include "_GameTestSupport.h"

#include "lumora/shell/ChunkFile.h"

bool WriteChunks(const std::string& path, const std::vector<std::pair<std::string, std::string>>& chunks) {
    return WriteWith(path, [&chunks](XChunkFile* f) {
        for (const auto& [name, bytes] : chunks) {
            if (!f->BeginWriteChunk(name.c_str())) return 0;
            if (!bytes.empty() && !f->Write(bytes.data(), static_cast<unsigned>(bytes.size()))) return 0;
            f->EndWriteChunk();
        }
        return 1;
    });
}

int ReadChunks(const std::string& path, const std::function<int(XChunkFile*)>& read) {
    XChunkFile f;
    if (!f.Open(path.c_str(), 0)) return 0;
    const int result = read(&f);
    f.Close();
    return result;
}

int WriteWith(const std::string& path, const std::function<int(XChunkFile*)>& write) {
    XChunkFile f;
    if (!f.Open(path.c_str(), 1)) return 0;
    const int ok = write(&f);
    return f.Close() && ok;
}

bool WritePlayerWhoReached(const std::filesystem::path& saveDir, int universe) {
    std::filesystem::create_directories(saveDir / "User_0");
    std::string userInfo(66, '\0');
    userInfo.replace(0, 4, "Cleo");
    userInfo[64] = static_cast<char>(universe);
    return WriteChunks((saveDir / "User_0" / "Info.bin").string(), {{"USERINFO", userInfo}}) &&
           WriteChunks((saveDir / "Info.bin").string(), {{"CURRENT", std::string(2, '\0')}});
}
