#include "lumora/shell/Report.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "lumora/shell/WinFormat.h"
#include "platform/MessageBox.h"

namespace {

platform::HWND g_ReportWindow = nullptr;
MessageBoxHook g_BoxHook;
DebugOutSink g_DebugSink;

bool DebugEnabled() {
    const char* value = std::getenv("LUMORA_DEBUG");
    return value && *value && std::strcmp(value, "0") != 0;
}

}  // namespace

bool DebugOutEnabled() { return DebugEnabled(); }

void SetReportWindow(platform::HWND window) { g_ReportWindow = window; }

platform::HWND GetReportWindow() { return g_ReportWindow; }

void SetMessageBoxHook(MessageBoxHook hook) { g_BoxHook = std::move(hook); }

void SetDebugOutSink(DebugOutSink sink) { g_DebugSink = std::move(sink); }

int ShowMessageBox(platform::HWND window, const char* text, const char* caption, platform::UINT type) {
    if (g_BoxHook) return g_BoxHook(window, text ? text : "", caption ? caption : "", type);
    return platform::MessageBox(window, text ? text : "", caption ? caption : "", type);
}

void DebugOut(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string line = FormatWinTextV(format, args);
    va_end(args);
    line += "\r\n";
    if (DebugEnabled()) {
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
    }
    if (g_DebugSink) g_DebugSink(line);
}

void WarningBox(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = FormatWinTextV(format, args);
    va_end(args);
    text += "\r\n";
    ShowMessageBox(g_ReportWindow, text.c_str(), "Application Message", platform::MB_OK | platform::MB_ICONWARNING);
}

void AssertBox(const char* sourceFile, int line) {
    std::string text = FormatWinText("File: %s, Line: %d", sourceFile ? sourceFile : "", line);
    ShowMessageBox(g_ReportWindow, text.c_str(), "ASSERT", platform::MB_OK | platform::MB_ICONERROR);
}
