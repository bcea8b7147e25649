// What the mine's script does to its kernel scene after loading, for the
// pack checks: the renames of its Load (the stones "Object04", the pickaxe,
// the first "*U06_27", the plank's group) and the glow let through.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "include/zelt/zelt.h"

namespace u07 {

// Each rename and whether its object was found.
std::vector<std::pair<std::string, bool>> ApplyRenames(ZeltScene* scene);

}  // namespace u07
