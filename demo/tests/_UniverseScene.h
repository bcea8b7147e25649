// What the universes' pack checks share: a universe's kernel scene loaded
// from the generated pack as the game loads it (animation files bound as the
// scene's animation tree binds them), objects by name, the ground under a
// point, the object and action tables, the speakers and their voices'
// timing files, the scene records, and the fixture every check runs in.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "include/zelt/zelt.h"
#include "include/zelt/records.h"
#include "lumora/engine/InfoTables.h"
#include "lumora/engine/SceneList.h"

namespace packcheck {

// The eye stands 1.5 scale units above the ground (scale 40).
constexpr float kEye = 60.0f;

std::string Upper(std::string s);
std::string ReadAll(const std::string& path);

ZeltVector Position(ZeltObject* o);

// `root` or its descendant of that name (any case), or null.
ZeltObject* Find(ZeltObject* root, const std::string& name);

// What the camera pilot's ground check finds straight below `eye`: the
// highest face of an object that collides.
bool Ground(ZeltScene* scene, const ZeltVector& eye, float& height, ZeltObject*& object);

// Whether a face of any object but `except` stands on the line from `a` to
// `b`; with `collidingOnly`, objects out of the collision are passed over.
bool Blocked(ZeltScene* scene, const ZeltVector& a, const ZeltVector& b, ZeltObject* except = nullptr,
             bool collidingOnly = false);

class UniverseScene {
public:
    // The list `list` of `dir` (or of `listDir` when given, with the
    // tables beside it), its entries and maps taken from `dir`.
    UniverseScene(const std::string& dir, const std::string& list, const std::string& listDir = "");
    ~UniverseScene();
    UniverseScene(const UniverseScene&) = delete;
    UniverseScene& operator=(const UniverseScene&) = delete;

    ZeltObject* Object(const std::string& name);
    // Every object of that name, in lookup order.
    std::vector<ZeltObject*> Objects(const std::string& name);
    bool Ground(const ZeltVector& eye, float& height, ZeltObject*& object) {
        return packcheck::Ground(m_Scene, eye, height, object);
    }
    // Anything that collides within `up` above `eye`.
    bool Ceiling(const ZeltVector& eye, float up) { return Blocked(m_Scene, eye, {eye.x, eye.y, eye.z + up}, nullptr, true); }
    // The object table applied as a new visit does (hidden objects leave
    // the collision); the records in m_Objects. A table that does not read
    // fails the test.
    bool ApplyObjectTable();
    bool ReadActions(std::vector<XActionInfoRecord>& out) const;

    std::string m_Dir;
    std::string m_ListDir;  // the list's folder and its tables'
    XMapDirs m_Maps;
    ZeltScene* m_Scene = nullptr;
    int m_Loaded = 0;
    std::map<std::string, ZeltAnimation*> m_Anims;  // by the name of the object each drives
    std::map<ZeltAnimation*, ZeltObject*> m_Bound;   // the object each drives
    std::vector<XObjectInfoRecord> m_Objects;
};

// The ground below `eye` lies `height` below it (within `tolerance`); the
// name of what lies there, "" for nothing.
std::string ExpectEyeHeight(ZeltScene* scene, const ZeltVector& eye, const std::string& what, float tolerance = 1.0f,
                            float height = kEye);
inline std::string ExpectEyeHeight(UniverseScene& s, const ZeltVector& eye, const std::string& what, float tolerance = 1.0f,
                                   float height = kEye) {
    return ExpectEyeHeight(s.m_Scene, eye, what, tolerance, height);
}

// A painting's list: scenery only, no object of the script ("*"). The count
// of its objects.
int ExpectSceneryOnly(UniverseScene& s);

// The tables against the loaded scene (after the script's repairs), the
// object table applied: every object of the table is a kernel object,
// senders and receivers are in the table, every hand-over names one of
// `operations` and each of those is handed over by some action. The
// actions by id.
std::map<int, XActionInfoRecord> CheckTables(UniverseScene& s, const std::vector<std::string>& operations);

// A speaker: body, head "TETE", the face holding the mouth, and the eight
// mouth shapes in "Anim/<shapes>/" (default: the speaker's id) animating it.
void CheckSpeaker(UniverseScene& s, const char* speaker, const char* faceName, const std::string& shapes = "");

// The lines of a ".voices" file, comments left out: name and speaker.
std::vector<std::pair<std::string, std::string>> VoiceLines(const std::string& voicesFile);

// A voice's timing file: starts at rest at 0, ends at rest at the wave's
// length (ms), times rising, some speech between; "" or the fault. The
// wave in `waveDir` when given, else in `dir`.
std::string CheckTiming(const std::string& dir, const std::string& name, const std::string& waveDir = "");

// Every line of a ".voices" file has a wave in "Sound/" of `dir` and a sound
// timing file. The count of lines.
int CheckVoices(const std::string& dir, const std::string& voicesFile);

// The scene and camera records of a folder's "Scene.bin".
struct SceneRecords {
    bool read = false;
    XSceneInfoRecord info;
    XCameraInfoRecord camera;
};
SceneRecords ReadSceneRecords(const std::string& dir);

// The fixture of a pack check: the kernel started once, message boxes
// collected instead of shown.
class PackCheck : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // `universe`: the folder `dir` names, if the check has one.
    explicit PackCheck(std::string universe = "") : m_Universe(std::move(universe)) {}

    // The pack's folder of that name with a trailing "/"; fails the test
    // when it is missing.
    std::string Folder(const std::string& name);
    bool Exists(const std::string& rel) const;

    std::string root, dir;
    std::vector<std::string> boxes;

private:
    std::string m_Universe;
};

}  // namespace packcheck
