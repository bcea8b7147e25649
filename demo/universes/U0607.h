// What the clearing (universe 6) and the mine (universe 7) share: the
// saving of their asset files, the names the table compiler is given, and
// the sounds made for them.
#pragma once

#include <string>

#include "demo/lib/AssetScene.h"
#include "demo/lib/Media.h"
#include "tools/lumora-pack/Pack.h"

namespace pack::u0607 {

// The clearing's ground: the eye, 60 above it, is at 25.41.
inline constexpr float kGround6 = -34.59f;

bool Save(Pack& pack, demo::AssetScene& scene, const std::string& rel);
// Every object of the file, children included.
void AddNames(UniverseNames& names, demo::AssetScene& scene);

// Noise through a soft low-pass, `loud` 0..1: water poured, a fuse burning.
demo::Sound Hiss(float seconds, float loud, unsigned seed);
// Light hooves on soft ground.
demo::Sound Hooves(float seconds, unsigned seed);
// A deep boom with falling rubble.
demo::Sound Rumble(float seconds, unsigned seed);

}  // namespace pack::u0607
