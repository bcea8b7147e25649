// Paths handed to the game's file openers. Game code builds them the Windows
// way (backslashes, any letter case); these turn them into real paths through
// the platform resolver. The leading part that exists exactly as written is
// kept; the rest is matched component by component without regard to case.
#pragma once

#include <string>
#include <string_view>

// The existing file or folder `path` names, or "" when some part is missing.
std::string ResolveForReading(std::string_view path);

// Where to create `path`: the existing file when there is one, otherwise the
// resolved folder plus the last component as written. When the folder cannot
// be found the path comes back with forward slashes only (opening it fails).
std::string ResolveForWriting(std::string_view path);

// folder + name with exactly one separator between them.
std::string JoinPath(std::string_view folder, std::string_view name);
