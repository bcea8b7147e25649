// The plain reporting calls every module uses: a debug-output line, a warning
// box and an assertion box. Boxes go through the platform's modal message box
// and are owned by the main window once the shell has registered it.
#pragma once

#include <functional>
#include <string_view>

#include "platform/Types.h"

// Debug output: formatted with the wvsprintf rules, "\r\n" appended. The line
// goes to standard error when LUMORA_DEBUG is set (and not "0"), and to the
// sink when one is installed.
void DebugOut(const char* format, ...) __attribute__((format(printf, 1, 2)));
// True when debug output reaches standard error (LUMORA_DEBUG set, not "0"):
// callers with a line to trace every frame ask first.
bool DebugOutEnabled();

// "Application Message" box with the warning icon; the text gets "\r\n".
void WarningBox(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "File: %s, Line: %d" in an "ASSERT" box with the error icon.
void AssertBox(const char* sourceFile, int line);

// The window that owns the boxes (null until the shell has one).
void SetReportWindow(platform::HWND window);
platform::HWND GetReportWindow();

// Every box of the game goes through ShowMessageBox. A hook installed here
// replaces the platform box (tests record boxes with it); an empty function
// restores the platform box.
using MessageBoxHook = std::function<int(platform::HWND, const char* text, const char* caption, platform::UINT type)>;
void SetMessageBoxHook(MessageBoxHook hook);
int ShowMessageBox(platform::HWND window, const char* text, const char* caption, platform::UINT type);

// Receives every debug-output line (with its "\r\n"); an empty function removes it.
using DebugOutSink = std::function<void(std::string_view line)>;
void SetDebugOutSink(DebugOutSink sink);
