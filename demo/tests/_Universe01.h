// What the station's script does to its kernel scene after loading, for the
// pack checks: the object-name repairs of its Load and the collision flags
// its Start sets. The kernel scene comes from "U01.ZELT".
#pragma once

#include <map>
#include <string>
#include <vector>

#include "include/zelt/zelt.h"

namespace u01 {

// One repair and whether its object was found.
struct Repair {
    std::string what;
    bool found = false;
};

// Renames, hides and sets the flags as the script does; `animationNames`
// (the scene's animation nodes by name) follows the renaming of "Object07".
std::vector<Repair> ApplyRepairs(ZeltScene* scene, std::map<std::string, ZeltAnimation*>* animationNames = nullptr);

// The operation names the script answers, in its dispatch order.
const std::vector<std::string>& OperationNames();

}  // namespace u01
