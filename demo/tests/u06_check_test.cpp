// The clearing (universe 6) in the generated pack holds what its script
// looks up: both lists load through the kernel without a box, every table
// name resolves and the hand-overs are the script's, the keeper speaks with
// a face, eight mouth shapes and timed voices, every file the script and
// its epilogue name exists, and the ground lies at eye height wherever the
// script or a painting of the gallery puts the camera.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "_UniverseScene.h"
#include "platform/Files.h"

namespace {

using packcheck::Upper;
using packcheck::UniverseScene;

class Universe06 : public packcheck::PackCheck {
protected:
    Universe06() : PackCheck("U06") {}

    void ExpectGround(UniverseScene& s, const char* what, ZeltVector eye) { packcheck::ExpectEyeHeight(s, eye, what); }
};

TEST_F(Universe06, ListLoadsAndTheTablesMeetTheScript) {
    UniverseScene s(dir, "U06.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    EXPECT_NE(Zelt_Scene_Get_First_Camera(s.m_Scene), nullptr);
    // What the script binds: the heavy door under its frame, the clown, the
    // doe, the flowers rising from their bed.
    ZeltObject* door = s.Object("lourde");
    ASSERT_NE(door, nullptr);
    ASSERT_NE(door->parent, nullptr);
    EXPECT_EQ(Upper(door->parent->name), "*U06_17") << "a click on the door reaches its frame";
    ASSERT_NE(s.Object("Fleurs"), nullptr);
    EXPECT_EQ(Upper(s.Object("Fleurs")->parent->name), "*U06_20");
    for (const char* name : {"*U03_02", "*U06_18", "*U06_19", "*U06_21"}) EXPECT_NE(s.Object(name), nullptr) << name;
    for (const char* name : {"lourde", "Fleurs", "*U06_21", "*U03_02", "*U06_18"})
        EXPECT_EQ(s.m_Anims.count(name), 1u) << "animation " << name;
    // The door opens a quarter turn inwards; the flowers end at rest.
    EXPECT_GT(s.m_Anims["lourde"]->lastFrame, 5);

    std::map<int, XActionInfoRecord> byId = packcheck::CheckTables(s, {"OpenDoor", "UseArrosoir", "UseBiche"});
    for (int id : {3, 4, 7, 10}) ASSERT_EQ(byId.count(id), 1u) << "action " << id;
    EXPECT_EQ(Upper(byId[3].m_Sender), "*U06_19");
    EXPECT_EQ(byId[3].m_RepeatLimit, 1);
    EXPECT_EQ(byId[4].m_Trigger, XActionInfoRecord::kTriggerCarrying);
    EXPECT_EQ(Upper(byId[4].m_CarriedName), "U06_19") << "the flowers are watered with the can";
    EXPECT_EQ(byId[4].m_RepeatLimit, 1) << "the script reads action 4's done flag";
    for (int k = 0; k < byId[4].m_SubCount; ++k) EXPECT_NE(byId[4].m_Subs[k].m_Type, 3) << "the can goes on to the mine";
    EXPECT_EQ(Upper(byId[7].m_Sender), "*U06_21");
    for (int id : {7, 10}) {
        EXPECT_EQ(Upper(byId[id].m_Sender), "*U06_21");
        EXPECT_EQ(Upper(byId[id].m_Condition), "FALSE") << "the doe is followed only once the script allows it";
    }
    EXPECT_EQ(Upper(byId[10].m_CarriedName), "U06_19") << "followed with the can still in hand";
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(Universe06, KeeperSpeaksWithFaceShapesAndTimedVoices) {
    UniverseScene s(dir, "U06.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    packcheck::CheckSpeaker(s, "*U06_18", "$$$DUMMY.*visage");
    EXPECT_GE(packcheck::CheckVoices(dir, std::string(LUMORA_DEMO_SOURCE) + "/universes/U06.voices"), 4);
}

TEST_F(Universe06, EveryFileTheScriptNamesExists) {
    for (const char* rel : {"U06.ZELT", "U06D.ZELT", "Scene.bin", "INFOOBJ.BIN", "INFOACT.BIN", "Sound/s4_11.wav", "Sound/s4_12.wav",
                            "Sound/s4_13.wav", "Sound/s4_14.wav", "Sound/s4_15.wav", "Sound/d4_20.wav", "Sound/d4_23.wav"})
        EXPECT_NE(platform::ResolvePath(dir, rel), "") << rel;
    // The epilogue the mine ends with, and its music.
    const std::string root = dir + "../";
    for (const char* rel : {"Video/Epilogue.AVI", "Video/Epilogue.wav"}) EXPECT_NE(platform::ResolvePath(root, rel), "") << rel;
}

TEST_F(Universe06, GroundAtEyeHeightWhereTheScriptAndThePaintingsPutTheCamera) {
    UniverseScene s(dir, "U06.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    s.ApplyObjectTable();
    ExpectGround(s, "arrival", {-500.0f, -150.0f, 25.41f});
    // Following the doe: beside her at the flowers, then into the wood.
    ExpectGround(s, "beside the doe", {-440.0f, -430.0f, 25.41f});
    ExpectGround(s, "into the wood", {-480.0f, -640.0f, 25.41f});
    // Inside the hut, before the can.
    ExpectGround(s, "in the hut", {-500.0f, 100.0f, 25.41f});

    UniverseScene painting(dir, "U06D.ZELT");
    ASSERT_EQ(painting.m_Loaded, 1);
    EXPECT_GT(packcheck::ExpectSceneryOnly(painting), 20);
    ExpectGround(painting, "U14_03", {-1033.06f, 146.35f, 25.41f});
    ExpectGround(painting, "U14_07", {-1104.9f, -1042.33f, 25.41f});
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

}  // namespace
