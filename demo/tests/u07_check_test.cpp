// The mine (universe 7) in the generated pack holds what its script looks
// up: the list loads through the kernel without a box; the script's
// renames each find their object (the loose stone is the second "Object04"
// and the one that slides, the pickaxe behind it; the first "*U06_27" is
// the cracked wall, the second the dynamite behind the grille); the glow
// of the lamps lets everything through; the tables meet the script; every
// file it names exists; the ladder climbs to the gallery under a clear
// ceiling; the ground lies at eye height where it puts the camera; the
// stream is water under the edge stone's reach and the plank is long
// enough to bridge it.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "_Universe07.h"
#include "_UniverseScene.h"
#include "platform/Files.h"

namespace {

using packcheck::kEye;
using packcheck::Position;
using packcheck::Upper;
using packcheck::UniverseScene;

class Universe07 : public packcheck::PackCheck {
protected:
    Universe07() : PackCheck("U07") {}

    // The name of what lies under `eye` and its depth below it.
    std::string Under(UniverseScene& s, ZeltVector eye, float* depth = nullptr) {
        float ground = 0;
        ZeltObject* on = nullptr;
        if (!s.Ground(eye, ground, on)) return "";
        if (depth) *depth = eye.z - ground;
        return on->name;
    }
};

TEST_F(Universe07, RenamesFindTheirObjectsAndTheTablesMeetTheScript) {
    UniverseScene s(dir, "U07.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    EXPECT_NE(Zelt_Scene_Get_First_Camera(s.m_Scene), nullptr);
    ASSERT_EQ(s.Objects("Object04").size(), 3u);
    ASSERT_EQ(s.Objects("*U06_27").size(), 2u);
    // Before the renames the table's names are missing: the renames are needed.
    for (const char* name : {"*U06_26", "*U06_28", "*U06_29", "*U06_30"}) EXPECT_EQ(s.Object(name), nullptr) << name;
    for (const auto& [what, found] : u07::ApplyRenames(s.m_Scene)) EXPECT_TRUE(found) << what;

    // The loose stone is the one that slides, and the pickaxe lies behind it.
    ZeltObject* stone = s.Object("*U06_26");
    ASSERT_NE(stone, nullptr);
    ZeltAnimation* slide = s.m_Anims.count("Object04") ? s.m_Anims["Object04"] : nullptr;
    ASSERT_NE(slide, nullptr);
    EXPECT_EQ(s.m_Bound[slide], stone) << "the second stone in lookup order is the one that slides";
    const ZeltVector pickaxe = Position(s.Object("*U06_28")), before = Position(stone);
    EXPECT_NEAR(pickaxe.y, before.y, 10.0f);
    EXPECT_NEAR(pickaxe.z, before.z + 5.0f, 6.0f);
    ASSERT_NE(Zelt_Object_Animate_Spline(stone, slide, static_cast<float>(slide->lastFrame), 0, 1), 0);
    EXPECT_GT(Position(stone).z - pickaxe.z, 20.0f) << "slid clear of the pickaxe";
    // The cracked wall comes first, the dynamite lies beyond the grille.
    const float wall = Position(s.Object("*U06_29")).y, dynamite = Position(s.Object("*U06_27")).y;
    const float grille = Position(s.Object("*U06_24")).y;
    EXPECT_LT(wall, grille);
    EXPECT_GT(dynamite, grille);
    ASSERT_EQ(s.m_Anims.count("*U06_24"), 1u);
    ASSERT_NE(s.Object("Meche"), nullptr) << "the fuse the script hides";

    std::map<int, XActionInfoRecord> byId =
        packcheck::CheckTables(s, {"DoInterrupteur", "Open1Secret", "Open2Secret", "CouperDynamite", "OpenGrille"});
    for (int id : {1, 2, 3, 4, 5, 6, 7}) ASSERT_EQ(byId.count(id), 1u) << "action " << id;
    EXPECT_EQ(Upper(byId[1].m_Sender), "*U06_25");
    EXPECT_EQ(byId[1].m_RepeatLimit, 1) << "the script reads action 1's done flag";
    EXPECT_EQ(Upper(byId[6].m_Sender), "*U06_30");
    EXPECT_EQ(byId[6].m_RepeatLimit, 1);
    EXPECT_EQ(Upper(byId[4].m_CarriedName), "U06_28");
    EXPECT_EQ(Upper(byId[5].m_CarriedName), "U06_28");
    EXPECT_EQ(Upper(byId[7].m_Sender), "*U06_27");
    EXPECT_EQ(Upper(byId[7].m_CarriedName), "U06_19") << "the keeper's can puts the fuse out";
    EXPECT_EQ(byId[7].m_RepeatLimit, 1) << "the script reads action 7's done flag";
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(Universe07, EveryFileTheScriptNamesExists) {
    for (const char* rel : {"U07.ZELT", "Scene.bin", "INFOOBJ.BIN", "INFOACT.BIN", "Sound/s4_16.wav", "Sound/s4_22.wav",
                            "Sound/s4_19.wav", "Sound/s4_17.wav", "Sound/s4_18.wav", "Sound/s4_20.wav", "Sound/s4_21.wav",
                            "Sound/s4_13.wav", "Sound/s4_24.wav"})
        EXPECT_NE(platform::ResolvePath(dir, rel), "") << rel;
    packcheck::CheckVoices(dir, std::string(LUMORA_DEMO_SOURCE) + "/universes/U07.voices");
    // The pictures of what is carried here.
    const std::string root = dir + "../";
    for (const char* picture : {"U06_19C", "U06_19P", "U06_28C", "U06_28P", "U06_30C", "U06_30P"})
        EXPECT_NE(platform::ResolvePath(root, std::string("2DBIT/") + picture + ".bmp"), "") << picture;
    const auto [read, info, camera] = packcheck::ReadSceneRecords(dir);
    ASSERT_TRUE(read);
    EXPECT_EQ(info.m_Scale, 40.0f);
}

TEST_F(Universe07, LadderGalleryStreamAndPlank) {
    UniverseScene s(dir, "U07.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    u07::ApplyRenames(s.m_Scene);
    s.ApplyObjectTable();
    float depth = 0;
    // The foot of the shaft, and the ladder's rungs up to the gallery's
    // height with room above each (20 more, and the walker's margin).
    EXPECT_EQ(Under(s, {0, 0, 60}, &depth), "FondPuits");
    EXPECT_NEAR(depth, kEye, 1.0f);
    for (float z : {60.0f, 80.0f, 100.0f}) EXPECT_FALSE(s.Ceiling({0, 0, z}, 20.0f + 16.0f)) << "rung from " << z;
    EXPECT_TRUE(s.Ceiling({0, 0, 180}, 20.0f + 16.0f)) << "the shaft has a top";
    // The gallery where the switch puts the player.
    EXPECT_EQ(Under(s, {0, 90, 120}, &depth), "SolGalerie1");
    EXPECT_NEAR(depth, kEye, 1.0f);
    // The edge stone, then the water, then the far bank.
    EXPECT_EQ(Under(s, {0, 290, 120}, &depth), "Planch01");
    EXPECT_NEAR(depth, kEye, 1.0f);
    float stream0 = 0, stream1 = 0;
    for (float y = 280; y < 400; y += 1.0f)
        if (Upper(Under(s, {0, y, 120})).rfind("*EAU", 0) == 0) {
            if (stream0 == 0) stream0 = y;
            stream1 = y;
        }
    ASSERT_GT(stream1 - stream0, 40.0f) << "a stream too wide to step over";
    Under(s, {0, (stream0 + stream1) / 2, 120}, &depth);
    EXPECT_GT(depth, kEye * 1.3f) << "deep enough to fall into";
    EXPECT_EQ(Under(s, {0, 420, 120}, &depth), "SolGalerie2");
    // The plank, where it lies, is longer than the stream with a rest on
    // each bank.
    float plank0 = 0, plank1 = 0;
    for (float y = 100; y < 300; y += 1.0f)
        if (Under(s, {35, y, 120}) == "planche") {
            if (plank0 == 0) plank0 = y;
            plank1 = y;
        }
    EXPECT_GT(plank1 - plank0, stream1 - stream0 + 20.0f);
    // The lamps' glow never stands in the way.
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(s.m_Scene); o; o = Zelt_Scene_Get_Next_Object(s.m_Scene, o))
        if (std::strncmp(o->name, "halo", 4) == 0) {
            EXPECT_EQ(o->collisionOff, 1) << o->name;
        }
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

}  // namespace
