// The painter's garden as universe 4 in the generated pack: its list loads,
// every name of its tables resolves after the script's repairs, the script's
// action ids and operation names are in the tables, both talking characters
// have faces, mouth shapes, voices and timing files, every file the script
// names is there, every carried object has its pictures, the ground lies at
// eye height wherever the script or a painting puts the camera, and the
// boat's rowed path crosses the pond towards the post.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "_UniverseScene.h"
#include "platform/Files.h"

namespace {

using packcheck::Find;
using packcheck::Position;
using packcheck::Upper;

class Garden : public packcheck::PackCheck {
protected:
    void SetUp() override {
        PackCheck::SetUp();
        u04 = Folder("U04");
    }
    void TearDown() override {
        s.reset();
        PackCheck::TearDown();
    }
    // Loads one of the garden's lists as the game does.
    int Load(const char* list) {
        s = std::make_unique<packcheck::UniverseScene>(u04, list);
        scene = s->m_Scene;
        return s->m_Loaded;
    }
    ZeltObject* Object(const char* name) { return Zelt_Scene_Get_Object(scene, name); }
    // The script's repairs: the jam pot, the bucket, the five flower boxes.
    void Repair() {
        for (const auto& [from, to] : {std::pair{"*pot confi", "*U04_53"}, std::pair{"*U04_05t", "*U04_05"}}) {
            ZeltObject* o = Object(from);
            ASSERT_NE(o, nullptr) << from;
            std::snprintf(o->name, sizeof o->name, "%s", to);
        }
        for (int i = 1; i <= 5; ++i) {
            ZeltObject* o = Object(("Massif" + std::to_string(i)).c_str());
            ASSERT_NE(o, nullptr) << i;
            std::snprintf(o->name, sizeof o->name, "*U04_51");
        }
    }
    void ExpectEyeHeight(ZeltVector at) { packcheck::ExpectEyeHeight(scene, at, "the eye", 0.5f); }

    std::string u04;
    std::unique_ptr<packcheck::UniverseScene> s;
    ZeltScene* scene = nullptr;
};

TEST_F(Garden, ListLoadsAndTheTablesMeetTheScript) {
    ASSERT_EQ(Load("U04.ZELT"), 1);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    Repair();
    const std::map<int, XActionInfoRecord> byId = packcheck::CheckTables(
        *s, {"VirelOpenDoor", "EntrerDansAtelier", "UsePot", "UseTube", "ScrollTableau", "UseCartePostale", "EnleverBaillon",
             "BriserVitre", "UseEchelle", "MonterSurEchelle", "UseBouchon", "UseCle", "VirelTalkAfterBaillon",
             "VirelTalkAfterMarteau", "RameToGauche", "RameToDroite"});
    std::set<std::string> carried;
    for (const auto& [id, a] : byId)
        if (a.m_Trigger == XActionInfoRecord::kTriggerCarrying) carried.insert(a.m_CarriedName);
    // The ids the script reads, runs or switches.
    for (int id : {18, 20, 29, 30, 31, 32, 33, 34, 35, 36, 39}) EXPECT_EQ(byId.count(id), 1u) << id;
    // Every carried object, and the two brought along, has its pictures.
    const std::string media = packcheck::ReadAll(platform::ResolvePath(root, "2DBIT/Media.txt"));
    carried.insert("U01_04");
    carried.insert("U03_06");
    for (const std::string& name : carried)
        for (const char* kind : {"C", "P"}) EXPECT_NE(media.find(name + kind), std::string::npos) << name << kind;
}

TEST_F(Garden, TalkersAndEveryFileTheScriptNames) {
    ASSERT_EQ(Load("U04.ZELT"), 1);
    for (const char* who : {"*U04_03", "*U04_04"}) packcheck::CheckSpeaker(*s, who, "$$$DUMMY.*visage");
    // Every line of the voices file has its wave and its timing file.
    const int lines = packcheck::CheckVoices(u04, std::string(LUMORA_DEMO_SOURCE) + "/universes/U04.voices");
    EXPECT_GE(lines, 12);
    for (const char* sound : {"s3_01", "s3_02", "s3_03", "s3_04", "s3_05", "s3_06", "s3_07", "s3_08", "s3_09", "s3_10",
                              "s3_11", "s3_12", "s3_14", "s3_15"})
        EXPECT_NE(platform::ResolvePath(u04, std::string("Sound/") + sound + ".wav"), "") << sound;
    // The boat's and the door's animations drive the objects the script binds them to.
    for (const auto& [file, name] : {std::pair{"ANIM/Barque.A3D", "*U04_32"}, std::pair{"ANIM/BARKE_TRAJECTOIRE1.A3D", "*U04_32"},
                                     std::pair{"ANIM/BARKE_TOURNEROND.A3D", "*U04_32"},
                                     std::pair{"ANIM/BARKE_PLACEMENT_COULE1.A3D", "*U04_32"}, std::pair{"ANIM/Porte.A3D", "*U04_06"}}) {
        const std::string path = platform::ResolvePath(u04, file);
        ASSERT_NE(path, "") << file;
        ZeltAnimation* anim = nullptr;
        ASSERT_NE(Zelt_Load_Sdk_a3d(scene, path.c_str(), &anim), 0) << file;
        EXPECT_EQ(Upper(anim->name), name) << file;
        EXPECT_NE(Object(name), nullptr) << name;
    }
    EXPECT_NE(platform::ResolvePath(u04, "Maps/teteBA.dmf"), "") << "the gagged face";
    ZeltMaterial* skin = Zelt_Scene_Get_Material(scene, "PeauPeintre");
    ASSERT_NE(skin, nullptr) << "the material the face map goes on";
    EXPECT_NE(skin->texture, nullptr) << "the face picture is loaded with him";
    // The garden's lights reach the people and parts loaded after the
    // scenery, not only the scenery (their faces would be ambient-dark).
    int lights = 0;
    for (ZeltLight* l = Zelt_Scene_Get_First_Light(scene); l; l = Zelt_Scene_Get_Next_Light(scene, l)) {
        ++lights;
        for (const char* person : {"*U04_03", "*U04_04"}) {
            ZeltObject* head = Find(Object(person), "TETE");
            ASSERT_NE(head, nullptr) << person;
            EXPECT_EQ(Zelt_Light_Includes_Object(l, head), 1) << l->name << " on " << person;
        }
        EXPECT_EQ(Zelt_Light_Includes_Object(l, Object("*U04_08")), 1) << l->name << " on the painting";
    }
    EXPECT_GE(lights, 2);
    EXPECT_NE(platform::ResolvePath(root, "Video/GivParis.AVI"), "");
    EXPECT_NE(platform::ResolvePath(root, "Video/s6_1.wav"), "");
    EXPECT_NE(platform::ResolvePath(u04, "Scene.bin"), "");
}

TEST_F(Garden, TheCameraStandsAtEyeHeightWhereverItIsPut) {
    ASSERT_EQ(Load("U04.ZELT"), 1);
    // The arrival, the landing stage, before and inside the workshop, the
    // ladder's foot, the leaving test's place and the way out.
    for (const ZeltVector at : {ZeltVector{100.0f, 180.0f, -9.0f}, ZeltVector{149.87f, 60.56f, -9.0f}, ZeltVector{-90.0f, 400.0f, 15.0f},
                                ZeltVector{-90.0f, 545.0f, 15.0f}, ZeltVector{50.0f, 420.0f, 15.0f}, ZeltVector{-30.0f, 320.0f, 15.0f},
                                ZeltVector{-28.948f, 358.7f, 15.0f}})
        ExpectEyeHeight(at);
    // The painter is seen from the arrival without anything in the way.
    ZeltObject* painter = Object("*U04_03");
    ASSERT_NE(painter, nullptr);
    const ZeltVector head = Position(Find(painter, "TETE")), from{100.0f, 180.0f, -9.0f};
    const ZeltVector to{from.x + 0.9f * (head.x - from.x), from.y + 0.9f * (head.y - from.y), from.z + 0.9f * (head.z - from.z)};
    EXPECT_FALSE(packcheck::Blocked(scene, from, to, painter));
}

TEST_F(Garden, EveryPaintingOfTheGardenStandsAtEyeHeight) {
    ASSERT_EQ(Load("U04D.ZELT"), 1);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    for (const ZeltVector at : {ZeltVector{-26.42f, 37.1f, -3.6f}, ZeltVector{53.62f, 132.69f, -4.6f}, ZeltVector{196.0f, 284.0f, 15.0f},
                                ZeltVector{44.25f, 150.98f, -3.63f}, ZeltVector{165.6f, 291.76f, 15.0f}, ZeltVector{176.4f, 311.57f, 15.0f},
                                ZeltVector{137.41f, 123.18f, -4.61f}, ZeltVector{110.47f, -48.46f, -4.61f}, ZeltVector{108.5f, 286.05f, 15.0f}})
        ExpectEyeHeight(at);
    EXPECT_EQ(Object("*U04_04"), nullptr) << "scenery only";
}

TEST_F(Garden, TheRowedPathCrossesThePondTowardsThePost) {
    ASSERT_EQ(Load("U04.ZELT"), 1);
    ZeltObject* boat = Object("*U04_32");
    ZeltObject* post = Object("*U04_43");
    ZeltObject* key = Object("*U04_37");
    ASSERT_NE(boat, nullptr);
    ASSERT_NE(post, nullptr);
    ASSERT_NE(key, nullptr);
    ZeltAnimation* path = nullptr;
    ASSERT_NE(Zelt_Load_Sdk_a3d(scene, platform::ResolvePath(u04, "ANIM/BARKE_TRAJECTOIRE1.A3D").c_str(), &path), 0);
    ASSERT_GE(path->lastFrame, 180) << "room for both banks' 60 frames";
    const ZeltVector start = Position(boat), target = Position(post), keyAt = Position(key);
    ASSERT_NE(Zelt_Object_Animate_Spline(boat, path, static_cast<float>(path->lastFrame), 0, 1), 0);
    const ZeltVector end = Position(boat);
    EXPECT_NEAR(end.z, start.z, 0.01f) << "on the water";
    EXPECT_GT(end.x - start.x, 100.0f) << "across the pond";
    EXPECT_LT(end.x + 22.0f, target.x) << "the bow stops short of the post";
    EXPECT_LT(std::hypot(keyAt.x - end.x, keyAt.y - end.y), 120.0f) << "the key within reach";
}

}  // namespace
