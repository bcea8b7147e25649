// What the harbour's script does to its kernel scene after loading, for the
// pack checks: the second of the two "*U02_07" becomes "*U02_07a".
#pragma once

#include "include/zelt/zelt.h"

namespace u02 {

// Whether there was a first plank to tell the second one apart from.
bool ApplyRepairs(ZeltScene* scene);

}  // namespace u02
