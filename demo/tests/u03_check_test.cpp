// The fair (universe 3 by day, universe 33 at dusk) in the generated pack
// holds what the two scripts look up: the lists load through the kernel,
// every table name resolves and every hand-over is a name the script
// answers, the ids the scripts read are there with the conditions they rely
// on, the three characters talk in both folders, every file the scripts
// name exists, the ground lies at eye height wherever a script or a
// painting puts the camera, the objects the dusk's painting leaves out are
// in its place, and the cinematic's markers fly.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "_UniverseScene.h"
#include "lumora/universes/XPaintingScene.h"
#include "lumora/universes/XUniverse03.h"
#include "lumora/universes/XUniverse33.h"
#include "platform/Files.h"

namespace {

using packcheck::Upper;
using Loaded = packcheck::UniverseScene;

// The null-ended names a script answers.
std::vector<std::string> Names(const char* const* names) {
    std::vector<std::string> out;
    for (int i = 0; names[i]; ++i) out.push_back(names[i]);
    return out;
}

bool HandsOver(const XActionInfoRecord& a) {
    return std::any_of(a.m_Subs, a.m_Subs + a.m_SubCount, [](const XSubActionRecord& s) { return s.m_Type == 10; });
}

void CheckGround(Loaded& s, const std::vector<std::pair<const char*, ZeltVector>>& places) {
    for (const auto& [what, eye] : places) packcheck::ExpectEyeHeight(s, eye, what);
}

using Fair = packcheck::PackCheck;

TEST_F(Fair, DayListLoadsAndItsTablesMeetTheScript) {
    Loaded s(Folder("U03"), "U03.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    EXPECT_NE(Zelt_Scene_Get_First_Camera(s.m_Scene), nullptr);
    XUniverse03 script;
    std::map<int, XActionInfoRecord> byId = packcheck::CheckTables(s, Names(script.OperationNames()));
    // The script keeps the accordion while action 10 is not done; the
    // policeman's last action carries two hand-overs, both run.
    ASSERT_EQ(byId.count(10), 1u);
    EXPECT_EQ(Upper(byId[10].m_Sender), "*U03_02");
    EXPECT_EQ(byId[10].m_RepeatLimit, 1);
    int handOvers = 0;
    for (const auto& [id, a] : byId)
        handOvers = std::max(handOvers, static_cast<int>(std::count_if(a.m_Subs, a.m_Subs + a.m_SubCount,
                                                                        [](const XSubActionRecord& x) { return x.m_Type == 10; })));
    EXPECT_EQ(handOvers, 2);
    for (const char* name : {"*U03_01", "*U03_02", "*U03_09"}) EXPECT_EQ(s.m_Anims.count(name), 1u) << name;
    CheckGround(s, {{"arrival", {450.0f, -520.0f, 68.83f}}});
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(Fair, DuskListLoadsAndItsTablesMeetTheScript) {
    Loaded s(Folder("U33"), "U33.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    XUniverse33 script;
    std::map<int, XActionInfoRecord> byId = packcheck::CheckTables(s, Names(script.OperationNames()));
    for (int id : {11, 58, 59, 62, 64, 85, 92}) ASSERT_EQ(byId.count(id), 1u) << "action " << id;
    // Run or switched on by the script: never fired by a plain click first.
    EXPECT_FALSE(HandsOver(byId[11]));
    for (int id : {11, 59, 85}) EXPECT_EQ(Upper(byId[id].m_Condition), "FALSE") << id;
    EXPECT_EQ(Upper(byId[11].m_Receiver), "*U03_10") << "the film frees the red bench";
    // The flags the failures read are done once and stay done.
    for (int id : {58, 62, 64, 85, 92}) EXPECT_EQ(byId[id].m_RepeatLimit, 1) << id;
    // What the scripts show, hide, move and count down with.
    for (const char* name : {"Box186", "*Ecran01", "*Ecran05", "*Ecran09", "*Ecran10", "*U03_37", "*U03_10", "*U03_13", "*U03_30",
                             "*U03_20", "*U03_21", "*U03_22", "*U03_23", "*U03_24", "*U03_25", "*U03_26", "*U03_27", "*U03_28"})
        EXPECT_NE(s.Object(name), nullptr) << name;
    for (const char* name : {"*U03_20", "*U03_21", "*U03_22", "*U03_24", "*U03_25", "*U03_26", "*U03_28", "*U03_02"})
        EXPECT_EQ(s.m_Anims.count(name), 1u) << "animation " << name;
    ASSERT_NE(s.Object("*U03_24"), nullptr);
    EXPECT_NE(packcheck::Find(s.Object("*U03_24"), "Couvercle"), nullptr) << "the trunk's lid";
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(Fair, CharactersTalkInBothFolders) {
    for (const char* folder : {"U03", "U33"}) {
        SCOPED_TRACE(folder);
        const std::string dir = Folder(folder);
        Loaded s(dir, std::string(folder) + ".ZELT");
        ASSERT_EQ(s.m_Loaded, 1);
        const std::pair<const char*, const char*> speakers[] = {
            {"*U03_01", "$$$DUMMY.*visage"}, {"*U03_02", "$$$DUMMY.visage"}, {"*U03_09", "$$$DUMMY.visage"}};
        for (const auto& [name, faceName] : speakers) {
            packcheck::CheckSpeaker(s, name, faceName);
            // The rest pose keeps the head on the shoulders.
            SCOPED_TRACE(name);
            ZeltObject* body = s.Object(name);
            ASSERT_NE(body, nullptr);
            ZeltObject* head = packcheck::Find(body, "TETE");
            ASSERT_NE(head, nullptr);
            const ZeltVector before = packcheck::Position(head);
            ASSERT_EQ(s.m_Anims.count(name), 1u);
            ASSERT_NE(Zelt_Object_Animate_Spline(body, s.m_Anims[name], 20, 0, 1), 0);
            EXPECT_NEAR(packcheck::Position(head).z, before.z, 1.0f);
        }
        // Every line has its wave and a timing file that starts and ends at rest.
        const int count = packcheck::CheckVoices(dir, std::string(LUMORA_DEMO_SOURCE) + "/universes/" + folder + ".voices");
        EXPECT_GE(count, 6);
    }
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(Fair, EveryFileTheScriptsNameExists) {
    const std::string day = Folder("U03"), dusk = Folder("U33"), video = Folder("Video");
    for (const char* rel : {"U03.ZELT", "U03D.ZELT", "Scene.bin", "INFOOBJ.BIN", "INFOACT.BIN", "Sound/s2_01.wav", "Sound/s2_03.wav",
                            "Sound/s2_04.wav", "Anim/U03_01/Jongle.A3D", "Anim/U03_09/Salut.A3D", "cinematiques/Coordcam.o3d",
                            "cinematiques/Cine01.o3d", "cinematiques/Coordcam.a3d", "cinematiques/Cine01.a3d"})
        EXPECT_NE(platform::ResolvePath(day, rel), "") << "U03/" << rel;
    for (const char* rel : {"U33.ZELT", "U33D.ZELT", "Scene.bin", "INFOOBJ.BIN", "INFOACT.BIN", "Sound/s2_01.wav", "Sound/s2_05.wav",
                            "Sound/s2_06.wav", "Sound/s2_07.wav", "Sound/s2_12.wav", "Sound/s2_13.wav", "Anim/U03_02/choppe02.a3d"})
        EXPECT_NE(platform::ResolvePath(dusk, rel), "") << "U33/" << rel;
    for (const char* rel : {"U33_01.AVI", "U33_02.AVI", "RouGiv.AVI", "s6_1.wav"})
        EXPECT_NE(platform::ResolvePath(video, rel), "") << "Video/" << rel;
    for (const auto& [dir, radius, offset] : {std::tuple{day, 30.5f, 10.5f}, std::tuple{dusk, 38.5f, 19.0f}}) {
        const auto [read, info, camera] = packcheck::ReadSceneRecords(dir);
        ASSERT_TRUE(read);
        EXPECT_EQ(info.m_Scale, 40.0f);
        EXPECT_EQ(camera.m_SphereRadius, radius);
        EXPECT_EQ(camera.m_SphereOffsetZ, offset);
    }
}

TEST_F(Fair, GroundAtEyeHeightWhereTheScriptsAndPaintingsPutTheCamera) {
    {
        Loaded s(Folder("U33"), "U33.ZELT");
        ASSERT_EQ(s.m_Loaded, 1);
        CheckGround(s, {{"arrival", {200.0f, -120.0f, 68.83f}},
                        {"before the door", {205.0f, 60.0f, 68.83f}},
                        {"inside", {205.0f, 118.0f, 68.83f}},
                        {"behind the curtain", {275.0f, 122.0f, 68.83f}},
                        {"behind the caravan", {260.0f, 290.0f, 68.83f}},
                        {"in the aisle", {330.0f, 250.0f, 68.83f}},
                        {"at the seat", {330.0f, 345.0f, 68.83f}},
                        {"at the bicycle", {380.0f, 570.0f, 68.83f}}});
        // The trunk stands before the back door until it is pushed aside
        // (the jack-in-the-box put away with it).
        float ground = 0;
        ZeltObject* on = nullptr;
        ASSERT_TRUE(s.Ground({260.0f, 200.0f, 68.83f}, ground, on));
        EXPECT_GT(ground, 30.0f) << on->name;
        ZeltObject* trunk = s.Object("*U03_24");
        ASSERT_NE(trunk, nullptr);
        ASSERT_NE(Zelt_Object_Animate_Spline(trunk, s.m_Anims["*U03_24"], 10, 0, 1), 0);
        s.Object("*U03_26")->collisionOff = 1;
        CheckGround(s, {{"at the back door", {260.0f, 200.0f, 68.83f}}});
    }
    // The paintings' viewpoints, in the lists the painting scene loads.
    Loaded day(Folder("U03"), "U03D.ZELT");
    ASSERT_EQ(day.m_Loaded, 1);
    CheckGround(day, {{"U12_03", {449.35f, -232.52f, 68.83f}}});
    Loaded dusk(Folder("U33"), "U33D.ZELT");
    ASSERT_EQ(dusk.m_Loaded, 1);
    CheckGround(dusk, {{"U12_04", {320.98f, -92.88f, 68.83f}}});
    // The painting scene's repairs of groups 3 and 33 find their objects.
    for (const char* name : {"*Ecran01", "*Ecran09", "*Ecran10", "Box186", "*U03_13"}) EXPECT_NE(dusk.Object(name), nullptr) << name;
    // The objects the painting scene leaves out of the caravan's still view
    // are all in the place, in the painting's list as in the game's, and
    // are none of those it puts away by their own names.
    Loaded play(Folder("U33"), "U33.ZELT");
    ASSERT_EQ(play.m_Loaded, 1);
    std::set<std::string> show;
    for (const char* const* name = XPaintingScene::FairShowObjects(); *name; ++name) {
        show.insert(Upper(*name));
        EXPECT_NE(dusk.Object(*name), nullptr) << *name;
        EXPECT_NE(play.Object(*name), nullptr) << *name;
    }
    EXPECT_EQ(show.size(), 24u);
    for (const char* own : {"*ECRAN01", "*ECRAN10", "BOX186", "*U03_13"}) EXPECT_EQ(show.count(own), 0u) << own;
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(Fair, TheCinematicsMarkersFlyFromTheGateOverTheCaravans) {
    Loaded s(Folder("U03"), "U03.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    const std::string dir = Folder("U03");
    std::map<std::string, std::pair<ZeltObject*, ZeltAnimation*>> markers;
    for (const char* name : {"Coordcam", "Cine01"}) {
        ZeltObject* object = nullptr;
        ZeltAnimation* anim = nullptr;
        ASSERT_NE(Zelt_Load_Sdk_o3d(s.m_Scene, platform::ResolvePath(dir, std::string("cinematiques/") + name + ".o3d").c_str(), &object), 0);
        ASSERT_NE(Zelt_Load_Sdk_a3d(s.m_Scene, platform::ResolvePath(dir, std::string("cinematiques/") + name + ".a3d").c_str(), &anim), 0);
        EXPECT_GT(anim->lastFrame, 30) << name << ": long enough to be seen at speed 15";
        markers[name] = {object, anim};
    }
    auto at = [&](const char* name, float frame) {
        auto [object, anim] = markers[name];
        EXPECT_NE(Zelt_Object_Animate_Spline(object, anim, frame, 0, 1), 0);
        return packcheck::Position(object);
    };
    const ZeltVector start = at("Coordcam", 1), end = at("Coordcam", 60), look = at("Cine01", 60);
    EXPECT_LT(start.y, 0.0f) << "from the fairground";
    EXPECT_GT(end.y, 300.0f) << "over the caravans' meadow";
    EXPECT_LT(look.x, end.x) << "looking on towards the caravan";
    // Above the ground all the way.
    for (float frame = 1; frame <= 60; frame += 5) EXPECT_GT(at("Coordcam", frame).z, 20.0f) << frame;
}

}  // namespace
