// Paris (universe 5) in the generated pack holds what its script looks up:
// both lists load, the grille's repair finds its object, every table name
// resolves and every script name is handed over by an action, the two
// speakers have faces, eight mouth shapes, voices and timing files, every
// file the script names exists, and the ground lies at eye height wherever
// the script or a painting puts the camera.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "_UniverseScene.h"
#include "platform/Files.h"

namespace {

namespace fs = std::filesystem;

using packcheck::Upper;
using Paris = packcheck::UniverseScene;

class Universe05 : public packcheck::PackCheck {
protected:
    Universe05() : PackCheck("U05") {}
};

const std::vector<std::string> kOperations = {"TestSpeakChef",      "ChienVersPorte",  "MaskGrille",
                                              "LampeTombe",         "OuvrePorteConsigne", "OuvrePorteSalle",
                                              "AfficheChefEtChiot", "AfficheCariolle", "FermePorteConsigne",
                                              "DoTableauA",         "DoTableauB"};

TEST_F(Universe05, ListsLoadAndEveryNameResolvesAfterTheRepair) {
    Paris p(dir, "U05.ZELT");
    ASSERT_EQ(p.m_Loaded, 1);
    EXPECT_NE(Zelt_Scene_Get_First_Camera(p.m_Scene), nullptr);
    // The grille keeps its file's name until the script renames it.
    EXPECT_EQ(p.Object("*U05_08"), nullptr);
    ZeltObject* grille = p.Object("Grille01");
    ASSERT_NE(grille, nullptr);
    std::snprintf(grille->name, sizeof grille->name, "*U05_08");

    for (const char* name : {"*U05_02", "*U04_04", "*U05_05", "*U05_13", "*U05_10", "*U05_11"})
        EXPECT_NE(p.Object(name), nullptr) << name;
    for (const char* name : {"*U05_02", "*U04_04", "*U05_05", "*U05_06", "*U05_07", "*U05_09"})
        EXPECT_EQ(p.m_Anims.count(name), 1u) << "animation " << name;

    std::map<int, XActionInfoRecord> byId = packcheck::CheckTables(p, kOperations);
    int twoNames = 0;
    for (const auto& [id, a] : byId)
        twoNames += std::count_if(a.m_Subs, a.m_Subs + a.m_SubCount, [](const XSubActionRecord& x) { return x.m_Type == 10; }) > 1;
    EXPECT_GE(twoNames, 1) << "the universe runs every name an action hands over";
    // The done flags the script reads belong to actions done once.
    for (int id : {1, 3, 4, 6, 7, 8, 10, 16}) {
        ASSERT_EQ(byId.count(id), 1u) << id;
        EXPECT_EQ(byId[id].m_RepeatLimit, 1) << id;
    }
    EXPECT_EQ(Upper(byId[4].m_Sender), "*U05_06");
    EXPECT_EQ(Upper(byId[7].m_Sender), "*U05_06");
    EXPECT_EQ(Upper(byId[10].m_Sender), "*U05_09");
    EXPECT_EQ(Upper(byId[16].m_Sender), "*U05_08");
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

// The paintings of the place see the scenery alone, from where the ground
// puts the eye.
TEST_F(Universe05, PaintingListHoldsTheSceneryWithTheViewpointsAtEyeHeight) {
    Paris p(dir, "U05D.ZELT");
    ASSERT_EQ(p.m_Loaded, 1);
    EXPECT_GT(packcheck::ExpectSceneryOnly(p), 30);
    for (const auto& [code, at] : {std::pair{"U13_15", ZeltVector{226.37f, -1075.79f, 47.58f}},
                                   std::pair{"U14_01", ZeltVector{680.45f, -135.73f, 45.83f}}})
        packcheck::ExpectEyeHeight(p, at, code, 0.05f);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(Universe05, GroundLiesAtEyeHeightWhereTheScriptPutsTheCamera) {
    Paris p(dir, "U05.ZELT");
    ASSERT_EQ(p.m_Loaded, 1);
    const std::pair<const char*, ZeltVector> places[] = {
        {"the forecourt", {250, -900, 47.58f}},    {"the entrance", {250, -380, 45.83f}},
        {"before the counter", {560, -90, 45.83f}}, {"before painting A", {-100, 364, 45.83f}},
        {"before painting B", {600, 364, 45.83f}},  {"the way out", {250, 928, 45.83f}}};
    for (const auto& [what, at] : places) packcheck::ExpectEyeHeight(p, at, what, 0.05f);
    // The grille stands in the way out until it is taken away.
    ZeltObject* grille = p.Object("Grille01");
    ASSERT_NE(grille, nullptr);
    const float from[3] = {250, 600, -10}, to[3] = {250, 700, -10};
    EXPECT_NE(Zelt_Object_Check_Line_Collision(grille, from, to), 0);
}

TEST_F(Universe05, SpeakersHaveFacesShapesVoicesAndTimings) {
    Paris p(dir, "U05.ZELT");
    ASSERT_EQ(p.m_Loaded, 1);
    for (const char* speaker : {"*U05_02", "*U04_04"}) packcheck::CheckSpeaker(p, speaker, "$$$DUMMY.*visage");
    // Every spoken line: a wave of speech and its timing, by a known speaker.
    const std::string voices = std::string(LUMORA_DEMO_SOURCE) + "/universes/U05.voices";
    for (const auto& [name, speaker] : packcheck::VoiceLines(voices))
        EXPECT_TRUE(speaker == "U05_02" || speaker == "U04_04") << name << ": " << speaker;
    const int count = packcheck::CheckVoices(dir, voices);
    EXPECT_EQ(count, 12);
}

TEST_F(Universe05, EveryFileTheScriptNamesExists) {
    for (const char* rel : {"U05.ZELT", "U05D.ZELT", "Scene.bin", "INFOOBJ.BIN", "INFOACT.BIN", "Anim/U05_05/Attente.A3D",
                            "Anim/U05_05/VersPorte.A3D", "Anim/U04_04/Attente.A3D", "Anim/U04_04/Action02.A3D",
                            "Sound/s4_01a.wav", "Sound/s4_03.wav", "Sound/s4_04.wav", "Sound/s4_05.wav", "Sound/s4_06.wav",
                            "Sound/s4_07.wav", "Sound/s4_08.wav", "Sound/s4_09.wav", "Sound/s4_10.wav"})
        EXPECT_TRUE(Exists(rel)) << rel;
    for (int i = 1; i <= 12; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Sound/d4_%02d.wav", i);
        EXPECT_TRUE(Exists(name)) << name;
    }
    const auto [read, info, camera] = packcheck::ReadSceneRecords(dir);
    ASSERT_TRUE(read);
    EXPECT_EQ(info.m_Scale, 40.0f);
    EXPECT_EQ(camera.m_SphereRadius, 32.0f);
    EXPECT_EQ(camera.m_SphereOffsetZ, 0.0f);
    // The carried ticket has its cursor and strip pictures.
    const fs::path bitmaps = fs::path(dir).parent_path().parent_path() / "2DBIT";
    const std::string media = Upper(packcheck::ReadAll((bitmaps / "Media.txt").string()));
    EXPECT_NE(media.find("U05_11C"), std::string::npos);
    EXPECT_NE(media.find("U05_11P"), std::string::npos);
}

}  // namespace
