// What the universes' pack checks share: a scene list loaded into a kernel
// scene as the game loads it (animations bound by name, the object table
// applied), the ground below a point, and the checks of speakers, spoken
// lines and tables that every universe must pass.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "include/zelt/zelt.h"
#include "lumora/engine/InfoTables.h"
#include "lumora/engine/SceneList.h"

namespace scenecheck {

std::string Upper(std::string s);
std::string ReadAll(const std::string& path);

struct Vec {
    float x, y, z;
};
Vec Position(ZeltObject* o);

class LoadedList {
public:
    LoadedList(const std::string& dir, const std::string& list);
    ~LoadedList();
    LoadedList(const LoadedList&) = delete;
    LoadedList& operator=(const LoadedList&) = delete;

    static ZeltObject* Find(ZeltObject* root, const char* name);
    ZeltObject* Object(const std::string& name);
    // What the camera pilot's ground check finds straight below `eye`: the
    // highest face of an object that collides.
    bool Ground(Vec eye, float& height, ZeltObject*& object);
    // The object table applied as a new visit does: hidden objects leave
    // the collision.
    void ApplyObjectTable();

    std::string m_Dir;
    XMapDirs m_Maps;
    ZeltScene* m_Scene = nullptr;
    int m_Loaded = 0;
    std::map<std::string, ZeltAnimation*> m_Anims;
    std::map<ZeltAnimation*, ZeltObject*> m_Bound;
    std::vector<XObjectInfoRecord> m_Objects;
};

// A speaker: body, head "TETE", the face holding the mouth, and the eight
// mouth shapes in "Anim/<id>/" of `dir` animating the face.
void CheckSpeaker(LoadedList& s, const std::string& dir, const char* speaker, const char* faceName);

// Every line of a ".voices" file: a wave in "Sound/" of `dir` and a timing
// file that starts and ends at rest, its end at the wave's length. The count of lines.
int CheckVoices(const std::string& dir, const std::string& voicesFile);

// The tables after the object table is applied: every listed object exists,
// senders and receivers are listed, every hand-over names one of
// `operations` and each of them is handed over. The actions by id.
std::map<int, XActionInfoRecord> CheckTables(LoadedList& s, const std::string& dir,
                                             const std::vector<std::string>& operations);

}  // namespace scenecheck
