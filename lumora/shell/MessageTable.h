// The message table "Message.txt" beside the executable: every text shown to
// the player, keyed by number. An entry is the number at the start of the file
// or of a line, exactly one blank or tab, then the text up to the next ";"
// (it may span lines). The file is read again on every lookup.
#pragma once

#include <cstddef>
#include <string>

// Size of the static text buffer; a longer text is cut to fit.
constexpr std::size_t kMessageTextMax = 2048;

// The text of message `number`, or "" when the table or the entry cannot be
// found. The text lives in one static buffer that the next call overwrites.
const char* GetMessageText(int number);

// Folder searched for "Message.txt"; empty (the default) means the
// executable's folder. Tests and tools point it elsewhere.
void SetMessageTableFolder(const std::string& folder);
std::string GetMessageTableFolder();
