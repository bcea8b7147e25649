#include "_Universe01.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "include/zelt/records.h"

namespace u01 {

namespace {

void Rename(ZeltObject* o, const char* name) { std::snprintf(o->name, sizeof o->name, "%s", name); }

void CollisionOff(ZeltObject* o) {
    o->collisionOff = 1;
    for (ZeltObject* c = o->firstChild; c; c = c->nextSibling) CollisionOff(c);
}

ZeltObject* FindContaining(ZeltScene* scene, const char* part) {
    auto upper = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    };
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o))
        if (upper(o->name).find(upper(part)) != std::string::npos) return o;
    return nullptr;
}

}  // namespace

std::vector<Repair> ApplyRepairs(ZeltScene* scene, std::map<std::string, ZeltAnimation*>* animations) {
    std::vector<Repair> done;
    auto step = [&](const char* what, ZeltObject* o) {
        done.push_back({what, o != nullptr});
        return o;
    };
    if (ZeltObject* o = step("Box31", Zelt_Scene_Get_Object(scene, "Box31"))) Rename(o, "*U01_21");
    if (animations) {
        auto it = animations->find("Object07");
        done.push_back({"animation Object07", it != animations->end()});
        if (it != animations->end()) {
            ZeltAnimation* a = it->second;
            animations->erase(it);
            (*animations)["*U01_21"] = a;
        }
    }
    // Every "Box20", numbered in lookup order; the third is lifted out of the way.
    for (int n = 1; n <= 3; ++n) {
        const std::string name = "Box20" + std::to_string(n);
        if (ZeltObject* o = step(("Box20 number " + std::to_string(n)).c_str(), Zelt_Scene_Get_Object(scene, "Box20")))
            Rename(o, name.c_str());
    }
    if (ZeltObject* o = Zelt_Scene_Get_Object(scene, "Box203")) {
        CollisionOff(o);
        o->lineTestExcluded = 1;
        Zelt_Object_Hide(o, 1);
    }
    if (ZeltObject* o = step("Cylinder07", Zelt_Scene_Get_Object(scene, "Cylinder07"))) Zelt_Object_Hide(o, 1);
    if (ZeltObject* o = step("tige", Zelt_Scene_Get_Object(scene, "tige"))) Rename(o, "*U01_12");
    if (ZeltObject* o = step("*U01_08P", Zelt_Scene_Get_Object(scene, "*U01_08P"))) Rename(o, "*U01_08");
    // Start: Ernest never blocks the way, the carpet never stops a line test.
    if (ZeltObject* o = step("*Ernest", Zelt_Scene_Get_Object(scene, "*Ernest"))) CollisionOff(o);
    if (ZeltObject* o = step("tapiroug*", FindContaining(scene, "tapiroug*"))) o->lineTestExcluded = 1;
    return done;
}

const std::vector<std::string>& OperationNames() {
    static const std::vector<std::string> names{"TakeCard",        "ClickMaire",     "OpenDoor",    "CloseDoor",
                                                "TakeCarteHorloge", "OpenBoitier",   "BaisserManette", "ClicTel",
                                                "OpenTiroir1",     "OpenTiroir2",    "MonterSurToit", "DoInterrupteur"};
    return names;
}

}  // namespace u01
