// Files: the executable's folder, the one resolver every data path goes
// through, and directory listing with wildcard patterns.
//
// Data names come from the game's data in Windows spelling ("Sound\\A.WAV",
// "2dbit/Intro1.bmp"): both separators are accepted, every component is
// matched without regard to case (an exact match wins), and ".." components
// are refused so a data name never leaves the folder it is looked up in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The folder holding the running executable, ending with '/'.
std::string ExecutablePath();

// The existing file or folder that dataName names inside root, spelled as it
// is on disk ("" when a component is missing or the name is refused). root is
// taken as given; a dataName ending with a separator must name a folder and
// the result then ends with '/'. An empty dataName gives root itself.
std::string ResolvePath(std::string_view root, std::string_view dataName);
// The same for a whole path: absolute from '/', otherwise from the current
// folder. Components are matched the same way; ".." is refused.
std::string ResolvePath(std::string_view path);

// For a file about to be written: every component but the last must exist
// (matched as above); the last is the existing entry that matches it without
// regard to case, or the name as given when there is none.
std::string ResolvePathForCreate(std::string_view root, std::string_view dataName);
std::string ResolvePathForCreate(std::string_view path);

// Wildcard match without regard to case: '*' any run of characters, '?'
// exactly one. "*.*" matches every name, with or without a dot.
bool PatternMatches(std::string_view name, std::string_view pattern);

struct DirEntry {
    std::string name;
    bool directory = false;
    std::uint64_t size = 0;
};

// The entries of a folder (resolved like ResolvePath) whose names match the
// pattern, sorted by name; "." and ".." are never listed. Empty when the
// folder does not exist.
std::vector<DirEntry> ListDirectory(std::string_view folder, std::string_view pattern);

// Creates a folder whose parent exists; true when it exists afterwards.
bool MakeDirectory(std::string_view path);

}  // namespace platform
