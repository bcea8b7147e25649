// Scripted input: LUMORA_INPUT=<file> names a text file of timed key, mouse
// and window events, delivered into the message queue as if a person had
// produced them. The line format is described in platform/README.md.
#pragma once

#include "platform/Backend.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct ScriptedEvent {
    enum class When { Ms, Frame };
    When when = When::Ms;
    std::uint64_t at = 0;  // ms on the clock, or frames presented, since the script started
    BackendEvent event;
    int line = 0;
    // A "wait" line: no event; holds the script until the program has
    // announced this mark (upper case), then times count from that moment.
    std::string mark;
};

struct InputScript {
    std::vector<ScriptedEvent> events;  // in file order
    std::vector<std::string> errors;    // "<line>: <what>", one per skipped line
};

// Parses a script; bad lines are listed in errors and skipped.
InputScript ParseInputScript(std::string_view text);

// Reads a virtual-key code written as a name ("ESCAPE", "VK_F1", "a"), a
// single letter or digit, or a number of two or more digits ("27", "0x1B").
bool ParseVirtualKey(std::string_view text, UINT& vk);

// Replaces the script being played (test hook; LUMORA_INPUT is read at the
// first message pump otherwise). Errors are reported on stderr with the line
// number. Returns false when the file cannot be read.
bool LoadInputScript(const std::string& path);
void SetInputScript(InputScript script);
// Events not yet delivered.
std::size_t PendingScriptedEvents();

// The program announces a point of its own (a scene starting, say) that a
// script's "wait <mark>" line can hold for. Marks compare without case.
void AnnounceInputMark(std::string_view mark);

namespace detail {
// Delivers every scripted event whose time or frame has come, in file order.
void PumpScriptedInput();
// Milliseconds until the next scripted event can fall due by waiting alone,
// or -1 when waiting cannot bring it (nothing left, frame-timed, fixed clock).
int ScriptedInputWait();
}  // namespace detail

}  // namespace platform
