#include "_Universe02.h"

#include <cstdio>

#include "include/zelt/records.h"

namespace u02 {

bool ApplyRepairs(ZeltScene* scene) {
    ZeltObject* first = Zelt_Scene_Get_Object(scene, "*U02_07");
    if (!first) return false;
    std::snprintf(first->name, sizeof first->name, "*U02_07b");
    if (ZeltObject* second = Zelt_Scene_Get_Object(scene, "*U02_07"))
        std::snprintf(second->name, sizeof second->name, "*U02_07a");
    std::snprintf(first->name, sizeof first->name, "*U02_07");
    return true;
}

}  // namespace u02
