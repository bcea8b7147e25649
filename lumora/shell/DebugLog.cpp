#include "lumora/shell/DebugLog.h"

#include <cstdio>

#include "lumora/shell/DataPath.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/WinFormat.h"
#include "platform/Time.h"

namespace {

std::string g_SaveDir;

}  // namespace

void SetSaveDir(const std::string& folder) { g_SaveDir = folder; }

std::string GetSaveDir() { return g_SaveDir; }

std::string DebugLogPath() {
    if (g_SaveDir.empty()) return {};
    return ResolveForWriting(JoinPath(g_SaveDir, "DbgInfo.txt"));
}

bool StartDebugLog() {
    std::string path = DebugLogPath();
    if (path.empty()) return false;
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) return false;
    bool ok = std::fputs("=====================================\n", file) >= 0;
    return std::fclose(file) == 0 && ok;
}

std::string DebugLogHeader(int day, int month, int year, int hour, int minute, int second) {
    return FormatWinText("========%i/%i/%i - %i:%i:%i========", day, month, year, hour, minute, second);
}

void AppLog(const char* text) {
    if (!text) text = "";
    std::string path = DebugLogPath();
    if (!path.empty()) {
        if (std::FILE* file = std::fopen(path.c_str(), "a")) {
            platform::SYSTEMTIME now{};
            platform::GetSystemTime(&now);
            std::string entry = DebugLogHeader(now.wDay, now.wMonth, now.wYear, now.wHour, now.wMinute, now.wSecond);
            entry += text;
            entry += '\n';
            std::fwrite(entry.data(), 1, entry.size(), file);
            std::fclose(file);
        }
    }
    // The text is data, never a format.
    DebugOut("%s", text);
}
