#include "lumora/shell/MessageTable.h"

#include <cstdio>
#include <string_view>

#include "platform/Files.h"

namespace {

char g_MessageText[kMessageTextMax];
std::string g_TableFolder;

// Whole table as text, line ends normalised to line feeds; false when the
// file cannot be opened or measured.
bool ReadTable(std::string& text) {
    std::string folder = GetMessageTableFolder();
    std::string path = platform::ResolvePath(folder, "Message.txt");
    if (path.empty()) return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::string raw;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(file) : -1;
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return false;
    }
    raw.resize(static_cast<std::size_t>(size));
    raw.resize(std::fread(raw.data(), 1, raw.size(), file));
    std::fclose(file);

    // Text-mode reading: CR LF becomes LF, and the text ends at a NUL.
    text.clear();
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\0') break;
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        text += raw[i];
    }
    return true;
}

}  // namespace

void SetMessageTableFolder(const std::string& folder) { g_TableFolder = folder; }

std::string GetMessageTableFolder() {
    return g_TableFolder.empty() ? platform::ExecutablePath() : g_TableFolder;
}

const char* GetMessageText(int number) {
    g_MessageText[0] = '\0';
    std::string table;
    if (!ReadTable(table)) return g_MessageText;

    char key[16];
    std::snprintf(key, sizeof key, "%i", number);
    const std::string_view keyView(key);
    const std::string_view text(table);

    std::size_t hit = text.find(keyView);
    while (hit != std::string_view::npos) {
        bool lineStart = hit == 0 || text[hit - 1] == '\n';
        std::size_t after = hit + keyView.size();
        bool separated = after < text.size() && (text[after] == ' ' || text[after] == '\t');
        if (lineStart && separated) break;
        hit = text.find(keyView, hit + 1);
    }
    if (hit == std::string_view::npos) return g_MessageText;

    std::size_t start = hit + keyView.size() + 1;  // exactly one separator skipped
    std::size_t end = text.find(';', start);
    if (end == std::string_view::npos) return g_MessageText;

    std::size_t length = end - start;
    if (length > kMessageTextMax - 1) length = kMessageTextMax - 1;
    text.copy(g_MessageText, length, start);
    g_MessageText[length] = '\0';
    return g_MessageText;
}
