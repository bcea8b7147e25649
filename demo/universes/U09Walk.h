// The walking course of the test rooms: what the camera pilot's collision
// meets (stairs, a step too high to climb, a ledge to fall from, a low
// ceiling, a slanted wall, a glass screen that exists only for collision).
#pragma once

#include <string>

#include "tools/lumora-pack/Pack.h"
#include "tools/lumora-pack/Tables.h"

namespace pack {

// Writes "U09/Walk.O3D", "U09/Static/ColGlass.O3D", the stone texture and
// the landing sound "SAUT.WAV" of the data root; adds the object names.
bool BuildU09Walk(Pack& pack, UniverseNames& names);
// The scene-list lines that load them (before the lights, so they are lit).
std::string U09WalkListEntries();

}  // namespace pack
