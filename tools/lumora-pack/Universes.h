// The universe folders the pack holds: one builder per folder, each in its
// own source under demo/universes/.
#pragma once

#include <string>

#include "tools/lumora-pack/Pack.h"

namespace pack {

// The demo sources (tables and other texts), set by the builder's main.
const std::string& DemoDir();

struct UniverseBuilder {
    const char* folder;            // "U09"
    bool (*build)(Pack& pack);     // writes the whole folder
};

bool BuildU00(Pack& pack);
// Universe 4's garden, which the start universe plays on (BuildU00 writes
// it first); `names` receives its object and animation names.
bool BuildU04(Pack& pack, UniverseNames& names);
// The garden's "Scene.bin" (light, scale, camera record) in `folder` ("U04",
// and "U00", whose scene reads it before moving to the garden's folder).
bool WriteGardenSceneInfo(Pack& pack, const char* folder);
bool BuildU09(Pack& pack);
bool BuildU01(Pack& pack);
// Universe 3's fairground ("U03") and its second part at dusk ("U33").
bool BuildU03(Pack& pack);
bool BuildU02(Pack& pack);
// Universe 5, Paris: the station's forecourt, hall and platform.
bool BuildU05(Pack& pack);
// The clearing and the mine, the journey's last two places.
bool BuildU06(Pack& pack);
bool BuildU07(Pack& pack);

inline constexpr UniverseBuilder kUniverses[] = {
    {"U00", BuildU00},
    {"U09", BuildU09},
    {"U01", BuildU01},
    {"U02", BuildU02},
    {"U03", BuildU03},
    {"U05", BuildU05},
    {"U06", BuildU06},
    {"U07", BuildU07},
};

// Files of the data root itself: "APP.BIN", "APP.CFG", the intro pictures
// and the videos (rendered from the universes already written).
bool BuildRoot(Pack& pack);
bool BuildVideos(Pack& pack);

}  // namespace pack
