#include "_Universe07.h"

#include <cstdio>
#include <cstring>

#include "include/zelt/records.h"

namespace u07 {

std::vector<std::pair<std::string, bool>> ApplyRenames(ZeltScene* scene) {
    std::vector<std::pair<std::string, bool>> done;
    for (int i = 0; i < 3; ++i) {
        char name[32];
        if (i == 1) std::snprintf(name, sizeof name, "*U06_26");
        else std::snprintf(name, sizeof name, "*U06_26%i", i);
        ZeltObject* o = Zelt_Scene_Get_Object(scene, "Object04");
        done.push_back({"Object04 number " + std::to_string(i), o != nullptr});
        if (o) std::snprintf(o->name, sizeof o->name, "%s", name);
    }
    for (const auto& [from, to] : {std::pair{"secretpioc", "*U06_28"}, std::pair{"*U06_27", "*U06_29"}}) {
        ZeltObject* o = Zelt_Scene_Get_Object(scene, from);
        done.push_back({from, o != nullptr});
        if (o) std::snprintf(o->name, sizeof o->name, "%s", to);
    }
    int halos = 0;
    ZeltObject* plank = nullptr;
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o)) {
        if (std::strncmp(o->name, "halo", 4) == 0) {
            o->collisionOff = 1;
            ++halos;
        }
        if (std::strcmp(o->name, "planche") == 0) plank = o;
    }
    done.push_back({"halo", halos > 0});
    done.push_back({"planche's parent", plank && plank->parent});
    if (plank && plank->parent) std::snprintf(plank->parent->name, sizeof plank->parent->name, "*U06_30");
    return done;
}

}  // namespace u07
