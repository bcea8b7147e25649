// A universe's kernel scene loaded from the generated pack as the game
// loads it (animation files bound as the scene's animation tree binds
// them), with what the pack checks of the clearing and the mine ask of it:
// objects by name, the ground under a point, the object and action tables,
// the voices' timing files.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "include/zelt/zelt.h"
#include "include/zelt/records.h"
#include "lumora/engine/InfoTables.h"
#include "lumora/engine/SceneList.h"

namespace packcheck {

std::string Upper(std::string s);

// The data pack's folder of a universe ("U06" -> ".../Data/U06/"), or "".
std::string UniverseDir(const std::string& folder);

class UniverseScene {
public:
    UniverseScene(const std::string& dir, const std::string& list);
    ~UniverseScene();
    UniverseScene(const UniverseScene&) = delete;
    UniverseScene& operator=(const UniverseScene&) = delete;

    static ZeltObject* Find(ZeltObject* root, const char* name);
    ZeltObject* Object(const std::string& name);
    // Every object of that name, in lookup order.
    std::vector<ZeltObject*> Objects(const std::string& name);
    // The highest face straight below `eye` of an object that collides.
    bool Ground(const ZeltVector& eye, float& height, ZeltObject*& object);
    // Anything that collides within `up` above `eye`.
    bool Ceiling(const ZeltVector& eye, float up);
    // The object table applied as a new visit does (hidden objects leave
    // the collision); the records in m_Objects.
    bool ApplyObjectTable();
    bool ReadActions(std::vector<XActionInfoRecord>& out) const;

    std::string m_Dir;
    XMapDirs m_Maps;
    ZeltScene* m_Scene = nullptr;
    int m_Loaded = 0;
    std::map<std::string, ZeltAnimation*> m_Anims;  // by the name of the object each drives
    std::map<ZeltAnimation*, ZeltObject*> m_Bound;   // the object each drives
    std::vector<XObjectInfoRecord> m_Objects;
};

// The tables against the loaded scene (after the script's repairs): every
// object of the table is a kernel object, senders and receivers are in the
// table, every hand-over names one of `operations` and each of those is
// handed over by some action. The faults found; `byId` gets the actions.
std::vector<std::string> CheckTables(UniverseScene& scene, const std::vector<std::string>& operations,
                                     std::map<int, XActionInfoRecord>& byId);

// The names a file of "<name> <speaker> <text>" lines gives, comments left out.
std::vector<std::string> VoiceNames(const std::string& voicesFile);

// A voice's timing file: starts at rest at 0, ends at rest at the wave's
// length (ms), times rising, some speech between; "" or the fault.
std::string CheckTiming(const std::string& dir, const std::string& name);

}  // namespace packcheck
