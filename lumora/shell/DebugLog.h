// The debug log "DbgInfo.txt" in the save directory: recreated at start with
// a line of "=" signs, then one dated entry (UTC) per logged text. It stands
// in for the application object's Log until that object exists.
#pragma once

#include <string>

// Save directory holding the log (the application's m_SaveDir). Until it is
// set nothing is written to a file; entries still reach the debug output.
void SetSaveDir(const std::string& folder);
std::string GetSaveDir();

// Full path of the log file, "" while no save directory is set.
std::string DebugLogPath();

// Creates (truncates) the log with its opening line; false when it cannot be created.
bool StartDebugLog();

// Appends "========day/month/year - hour:minute:second========" + text + "\n"
// to the log, then sends the text to DebugOut. A log that cannot be opened is
// skipped silently.
void AppLog(const char* text);

// The entry header for a given UTC time.
std::string DebugLogHeader(int day, int month, int year, int hour, int minute, int second);
