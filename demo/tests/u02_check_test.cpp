// The harbour station (universe 2) in the generated pack holds what its
// script looks up: its lists load through the kernel, the two planks of one
// name are told apart by the repair, every table name resolves and the ids
// the script uses mean what it expects, the three speakers are complete,
// every file the script names exists, and the ground lies at eye height
// wherever the script puts the camera, with the dock water where the
// player falls in and the laid plank over it.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "_Universe02.h"
#include "_UniverseScene.h"
#include "platform/Files.h"

namespace {

using packcheck::Upper;
using LoadedList = packcheck::UniverseScene;

const std::vector<std::string>& Operations() {
    static const std::vector<std::string> names = {
        "ClickControleur", "ClickGuichetier", "Donner100FrsAGuichetier", "ReTake100Frs", "ClickVendeuse", "AcheterMarron",
        "PieVoleur",       "ClicDoor",        "TakePlanche",             "PoserPlanche", "MarronToPie",   "ClickRonfle",
        "Sonner",          "AcheterTicket",   "TakeTicket",              "MonterDansTrain"};
    return names;
}

bool RepairPlanks(LoadedList& s) { return u02::ApplyRepairs(s.m_Scene); }

class Universe02 : public packcheck::PackCheck {
protected:
    Universe02() : PackCheck("U02") {}

    // Ground below `eye` at eye height, and what it is.
    std::string GroundAtEye(LoadedList& s, ZeltVector eye) { return packcheck::ExpectEyeHeight(s, eye, "the eye"); }
};

TEST_F(Universe02, ListsLoadTheRepairTellsThePlanksApartAndTheTablesResolve) {
    LoadedList s(dir, "U02.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    EXPECT_NE(Zelt_Scene_Get_First_Camera(s.m_Scene), nullptr);
    EXPECT_EQ(s.Object("*U02_07a"), nullptr) << "the repair is needed";
    ASSERT_TRUE(RepairPlanks(s));
    ZeltObject* shed = s.Object("*U02_07");
    ZeltObject* laid = s.Object("*U02_07a");
    ASSERT_NE(shed, nullptr);
    ASSERT_NE(laid, nullptr);
    EXPECT_GT(packcheck::Position(shed).x, 1000.0f) << "the first plank leans in the shed";
    EXPECT_EQ(Zelt_Scene_Get_Object(s.m_Scene, "*U02_07b"), nullptr);

    for (const char* name : {"*U02_02", "*U02_03", "*U02_04", "*U02_05", "*U02_08", "*U02_12", "*U02_13", "*U02_01"})
        EXPECT_NE(s.Object(name), nullptr) << name;
    for (const char* name : {"*U02_02", "*U02_03", "*U02_04", "*U02_05", "*U02_13"})
        EXPECT_EQ(s.m_Anims.count(name), 1u) << "animation " << name;

    std::map<int, XActionInfoRecord> byId = packcheck::CheckTables(s, Operations());
    // Action 1 is the controller's talk, turned off when the player boards.
    ASSERT_EQ(byId.count(1), 1u);
    EXPECT_EQ(Upper(byId[1].m_Sender), "*U02_02");
    EXPECT_GE(byId[1].m_RepeatLimit, 100);
    // Boarding can be tried again from the wrong side of the water.
    for (const auto& [id, a] : byId)
        for (int k = 0; k < a.m_SubCount; ++k)
            if (a.m_Subs[k].m_Type == 10 && Upper(a.m_Subs[k].m_Param) == "MONTERDANSTRAIN") {
                EXPECT_GE(a.m_RepeatLimit, 100) << a.m_Name;
                for (int j = 0; j < a.m_SubCount; ++j) EXPECT_NE(a.m_Subs[j].m_Type, 3) << "the script puts the ticket down";
            }
    // The laid plank and the ticket start hidden and out of the collision.
    EXPECT_EQ(laid->collisionOff, 1);
    EXPECT_EQ(s.Object("*U02_12")->collisionOff, 1);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(Universe02, PaintingListHoldsTheSceneryAndBothViewpointsStand) {
    LoadedList s(dir, "U02D.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    EXPECT_GT(packcheck::ExpectSceneryOnly(s), 30);
    EXPECT_EQ(GroundAtEye(s, {652.36f, 153.88f, 78.93f}), "Quai");
    EXPECT_EQ(GroundAtEye(s, {408.0f, -831.52f, 52.53f}), "Place");
}

TEST_F(Universe02, SpeakersHaveFacesShapesVoicesAndTimings) {
    LoadedList s(dir, "U02.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    packcheck::CheckSpeaker(s, "*U02_02", "$$$DUMMY.*U02Parle");
    packcheck::CheckSpeaker(s, "*U02_03", "$$$DUMMY.*U_03Parle");
    packcheck::CheckSpeaker(s, "*U02_04", "$$$DUMMY.*visage");
    EXPECT_GE(packcheck::CheckVoices(dir, std::string(LUMORA_DEMO_SOURCE) + "/universes/U02.voices"), 19);
    for (const char* line : {"d1_12", "d1_13", "d1_14", "d1_26", "d1_27", "d1_33"})
        EXPECT_TRUE(Exists(std::string("Sound/") + line + ".WAV")) << line;
}

TEST_F(Universe02, EveryFileTheScriptNamesExists) {
    for (const char* sound : {"s1_15", "s1_16", "s1_17", "s1_18", "s1_19", "s1_20", "s1_21", "s1_22"})
        EXPECT_TRUE(Exists(std::string("Sound/") + sound + ".WAV")) << sound;
    EXPECT_NE(platform::ResolvePath(root, "Video/LeHavRou.AVI"), "");
    EXPECT_NE(platform::ResolvePath(root, "Video/s6_1.wav"), "");
    for (const char* code : {"U02_01", "U02_07", "U02_10", "U02_11", "U02_12"})
        for (const char* end : {"C", "P"})
            EXPECT_NE(platform::ResolvePath(root, std::string("2DBIT/") + code + end + ".bmp"), "") << code << end;
    EXPECT_TRUE(Exists("Scene.bin"));
    const auto [read, info, camera] = packcheck::ReadSceneRecords(dir);
    ASSERT_TRUE(read);
    EXPECT_EQ(info.m_Scale, 40.0f) << "eye height 60";

    // The magpie's flight is long enough to be followed to frame 240; the
    // controller's step aside is an animation of his own tree.
    LoadedList s(dir, "U02.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    for (const auto& [file, root, last] : {std::tuple{"Anim/U02_05/PieVoleur.A3D", "*U02_05", 240},
                                          std::tuple{"Anim/U02_02/ACTION02.A3D", "*U02_02", 30}}) {
        ZeltAnimation* anim = nullptr;
        ASSERT_NE(Zelt_Load_Sdk_a3d(s.m_Scene, platform::ResolvePath(dir, file).c_str(), &anim), 0) << file;
        EXPECT_EQ(Upper(anim->name), Upper(root)) << file;
        EXPECT_GE(anim->lastFrame, last) << file;
    }
}

TEST_F(Universe02, GroundLiesAtEyeHeightWhereTheScriptPutsTheCamera) {
    LoadedList s(dir, "U02.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    ASSERT_TRUE(RepairPlanks(s));
    s.ApplyObjectTable();
    // The arrival, the walk onto the platform and into the carriage (the
    // controller has stepped aside from the door by then).
    ZeltObject* controller = s.Object("*U02_02");
    ASSERT_NE(controller, nullptr);
    controller->collisionOff = 1;
    EXPECT_EQ(GroundAtEye(s, {240, -900, 52.53f}), "Place");
    EXPECT_EQ(GroundAtEye(s, {900, 120, 78.93f}), "Quai");
    EXPECT_EQ(GroundAtEye(s, {900, 195, 78.93f}), "Quai");
    EXPECT_EQ(GroundAtEye(s, {900, 240, 90.93f}), "Plancher");
    EXPECT_EQ(GroundAtEye(s, {880, 255, 90.93f}), "Plancher");
    // The magpie's point and the ticket's landing lie on the square.
    EXPECT_EQ(GroundAtEye(s, {1280, -640, 52.53f}), "Place");
    EXPECT_EQ(GroundAtEye(s, {1160, -445, 72.53f}), "BancQuai") << "the ticket lands on the bench";

    // Between the square and the platform lies the water; the laid plank
    // carries the walker up over it.
    float ground = 0;
    ZeltObject* on = nullptr;
    ASSERT_TRUE(s.Ground({1220, -300, 100}, ground, on));
    EXPECT_STREQ(on->name, "*U02_08");
    EXPECT_LT(ground, -7.47f);
    ZeltObject* plank = s.Object("*U02_07a");
    ASSERT_NE(plank, nullptr);
    Zelt_Object_Unhide(plank, 1);
    plank->collisionOff = 0;
    float last = -8.47f;
    for (float y = -355; y <= -265; y += 15) {
        ASSERT_TRUE(s.Ground({1220, y, 100}, ground, on)) << y;
        EXPECT_STREQ(on->name, "*U02_07a") << y;
        EXPECT_GE(ground, last) << "the plank rises towards the platform";
        EXPECT_LT(ground - last, 20.0f) << "in steps the walker climbs";
        last = ground;
    }
    EXPECT_NEAR(last, 18.93f, 5.0f) << "up to the platform";
}

}  // namespace
