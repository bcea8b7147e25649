#include "lumora/game/XPlayerList.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "lumora/game/XGame.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/DataPath.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/shell/MessageToUser.h"
#include "platform/Files.h"

XPlayerList* g_PlayerList = nullptr;

namespace {

std::string SaveFolder() {
    std::string folder = GetSaveDir();
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder;
}

// The number after the last `mark` of a name, or -1 when there is none or
// it is outside 0..limit-1 (the tables hold that many entries).
int NumberAfter(const std::string& name, char mark, int limit) {
    const std::size_t at = name.find_last_of(mark);
    if (at == std::string::npos || at + 1 >= name.size()) return -1;
    char* end = nullptr;
    const long n = std::strtol(name.c_str() + at + 1, &end, 10);
    if (*end || n < 0 || n >= limit) return -1;
    return static_cast<int>(n);
}

}  // namespace

XGameList::XGameList(int player) : m_Player(static_cast<std::int16_t>(player)) {
    XPlayerList::PlayerFolder(player, m_Folder, sizeof m_Folder);
}

int XGameList::Scan() {
    std::memset(m_Used, 0, sizeof m_Used);
    std::memset(m_Names, 0, sizeof m_Names);
    m_Count = 0;
    m_Recent = 1;
    const std::string folder = ResolveForReading(m_Folder);
    if (folder.empty()) return 1;
    std::filesystem::file_time_type latest{};
    bool any = false;
    for (const platform::DirEntry& e : platform::ListDirectory(folder, "Gamesave.*")) {
        if (e.directory) continue;
        const int slot = NumberAfter(e.name, '.', kMaxSavedGames);
        if (slot < 0) continue;
        m_Used[slot] = 1;
        const std::string path = JoinPath(folder, e.name);
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            const std::size_t got = std::fread(m_Names[slot], 1, 64, f);
            (void)got;
            m_Names[slot][63] = '\0';
            std::fclose(f);
        } else {
            new MessageToUser(0, 1002, __FILE__, __LINE__, e.name.c_str());
        }
        std::error_code error;
        const auto written = std::filesystem::last_write_time(path, error);
        if (!error && (!any || written > latest)) {
            latest = written;
            m_Recent = slot;
            any = true;
        }
        ++m_Count;
    }
    return 1;
}

XPlayerList::XPlayerList(XGame* game) : m_Game(game) {
    g_PlayerList = this;
    Scan();
}

XPlayerList::~XPlayerList() {
    delete m_Games;
    m_Games = nullptr;
    delete m_Game;
    m_Game = nullptr;
    if (g_PlayerList == this) g_PlayerList = nullptr;
}

void XPlayerList::PlayerFolder(int number, char* out, int size) {
    std::snprintf(out, static_cast<std::size_t>(size), "%sUser_%d/", SaveFolder().c_str(), number);
}

int XPlayerList::ReadCurrent() {
    const std::string path = ResolveForReading(SaveFolder() + "Info.bin");
    if (path.empty()) return 0;
    auto file = std::make_unique<XChunkFile>();
    if (!file->Open(path.c_str(), 0)) return 0;
    int ok = 0;
    if (file->BeginReadChunk("CURRENT")) {
        std::int16_t current = 0;
        if (file->Read(&current, 2) && current >= 0 && current < kMaxPlayers) {
            m_Current = current;
            ok = 1;
        }
        file->EndReadChunk();
    }
    file->Close();
    return ok;
}

int XPlayerList::WriteCurrent() {
    auto file = std::make_unique<XChunkFile>();
    if (!file->Open(ResolveForWriting(SaveFolder() + "Info.bin").c_str(), 1)) return 0;
    file->BeginWriteChunk("CURRENT");
    file->Write(&m_Current, 2);
    file->EndWriteChunk();
    return file->Close();
}

int XPlayerList::Scan() {
    ReadCurrent();
    std::memset(m_Used, 0, sizeof m_Used);
    std::memset(m_Names, 0, sizeof m_Names);
    std::memset(m_Universes, 0, sizeof m_Universes);
    m_Count = 0;
    const std::string save = ResolveForReading(SaveFolder());
    if (!save.empty())
        for (const platform::DirEntry& e : platform::ListDirectory(save, "User_*")) {
            if (!e.directory) continue;
            const int n = NumberAfter(e.name, '_', kMaxPlayers);
            if (n < 0) continue;
            m_Used[n] = 1;
            const std::string info = ResolveForReading(JoinPath(JoinPath(save, e.name), "Info.bin"));
            if (!info.empty()) {
                auto file = std::make_unique<XChunkFile>();
                if (file->Open(info.c_str(), 0)) {
                    if (file->BeginReadChunk("USERINFO")) {
                        file->Read(m_Names[n], 64);
                        m_Names[n][63] = '\0';
                        file->Read(&m_Universes[n], 2);
                        file->EndReadChunk();
                    }
                    file->Close();
                }
            }
            ++m_Count;
        }
    return SelectPlayer(m_Current);
}

int XPlayerList::UpdatePlayer(int number, const char* name, int universe) {
    if (number < 0 || number >= kMaxPlayers) return 0;
    char folder[260];
    PlayerFolder(number, folder, sizeof folder);
    platform::MakeDirectory(ResolveForWriting(folder));
    // The name may be the list's own entry (a saved game passes it back):
    // copied aside first, since formatting a string into itself loses it.
    char copy[64] = {};
    std::snprintf(copy, sizeof copy, "%s", name ? name : "");
    std::memcpy(m_Names[number], copy, sizeof copy);
    m_Universes[number] = static_cast<std::int16_t>(universe);
    auto file = std::make_unique<XChunkFile>();
    if (!file->Open(ResolveForWriting(std::string(folder) + "Info.bin").c_str(), 1)) return 0;
    char record[64] = {};
    std::memcpy(record, m_Names[number], 64);
    file->BeginWriteChunk("USERINFO");
    file->Write(record, 64);
    file->Write(&m_Universes[number], 2);
    file->EndWriteChunk();
    return file->Close();
}

int XPlayerList::CreatePlayer(int number, const char* name) {
    if (number < 0 || number >= kMaxPlayers) return 0;
    char folder[260];
    PlayerFolder(number, folder, sizeof folder);
    platform::MakeDirectory(ResolveForWriting(folder));
    const std::string exe = platform::ExecutablePath();
    const std::string log = ResolveForReading(exe.substr(0, exe.find_last_of("/\\") + 1) + "Install.log");
    if (!log.empty())
        if (std::FILE* f = std::fopen(log.c_str(), "ab")) {
            std::fprintf(f, "File Copy: %s\\*.*\r\n", folder);
            std::fclose(f);
        }
    if (!m_Used[number]) ++m_Count;
    m_Used[number] = 1;
    if (!UpdatePlayer(number, name, 0)) return 0;
    return SelectPlayer(number);
}

int XPlayerList::SelectPlayer(int number) {
    if (number < 0 || number >= kMaxPlayers) return 0;
    m_Current = static_cast<std::int16_t>(number);
    WriteCurrent();
    delete m_Games;
    m_Games = new XGameList(number);
    return m_Games->Scan();
}

int XPlayerList::GetUniverse(int number) const {
    return number >= 0 && number < kMaxPlayers ? m_Universes[number] : 0;
}
