// The test rooms with their object and action tables: the nodes a new
// visit builds, clicks that open the door, take the key and use it on the
// chest, the transforms scripts ask for, and a saved scene brought back
// into a fresh one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "_EngineTestSupport.h"
#include "demo/lib/AssetScene.h"
#include "_GameTestSupport.h"
#include "_ShellTestSupport.h"
#include "include/zelt/zelt.h"
#include "lumora/engine/SceneList.h"
#include "lumora/engine/XAction.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/engine/XScene.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XGame.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/XApplication.h"

namespace fs = std::filesystem;

namespace {

std::string DataRoot() { return DataPackRoot(); }

// A scene of the test rooms without a display: kernel scene, trees, list.
class RoomScene : public XScene {
public:
    int Open() {
        std::snprintf(m_Dir, sizeof m_Dir, "%sU09/", DataRoot().c_str());
        if (!Zelt_Scene_Create(&m_Scene)) return 0;
        CreateTrees();
        AddMapDir((std::string(m_Dir) + "Maps\\").c_str());
        return Load("U09.ZELT");
    }
    XObject3D* Node(const char* name) { return FindActionNode(FindObject(name, 1)); }
    void Click(const char* name) { m_Actions->Fire(Node(name)); }
    int Done(int id) const { return m_Actions->m_DoneFlags[id]; }
};

void Frames(XScene& scene, int n) {
    for (int i = 0; i < n; ++i) scene.Animate();
}

class ObjectsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetMessageTableFolder(TestBinDir());
        ASSERT_EQ(StartKernel(0, 16), 1);
    }
    void SetUp() override {
        std::snprintf(app.m_DataDir, sizeof app.m_DataDir, "%s", DataRoot().c_str());
        g_FrameTime = 1.0f / 30.0f;
        ASSERT_EQ(scene.Open(), 1);
        ASSERT_EQ(scene.Start(1, nullptr), 1);
    }
    void TearDown() override { g_FrameTime = 0.0f; }

    ReportRecorder recorder;
    XApplication app{nullptr};
    XCursor cursor{nullptr, nullptr, nullptr};
    RoomScene scene;
};

}  // namespace

TEST_F(ObjectsTest, ANewVisitBuildsTheObjectNodesAndTheActions) {
    for (const char* name : {"*U09_01", "*U09_02", "*U09_03", "*U09_05", "*U09_06", "*U09_07", "*U09_08"}) {
        XObject3D* node = scene.Node(name);
        ASSERT_NE(node, nullptr) << name;
        EXPECT_STREQ(node->m_Name, name);
        EXPECT_EQ(node->m_Type, 4);
    }
    EXPECT_EQ(scene.GetCursorValue(scene.FindObject("*U09_07", 1)), 5);
    EXPECT_EQ(CursorValueOf(scene.FindObject("*U09_06", 1)), 4);
    ZeltObject* barrier = scene.FindObject("*U09_08", 1);
    EXPECT_NE(barrier->hidden, 0) << "collision only";
    EXPECT_EQ(barrier->collisionOff, 0) << "and it collides";

    XAnimation* door = scene.FindAnimation("*U09_03");
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(door->m_Stopped, 1);
    EXPECT_EQ(door->m_Loop, 0);
    EXPECT_FLOAT_EQ(door->m_Speed, 15.0f);
    ASSERT_NE(scene.FindAnimation("*U09_05"), nullptr);

    ASSERT_NE(scene.m_Actions->m_Table[1], nullptr);
    EXPECT_STREQ(scene.m_Actions->m_Table[1]->m_Name, "OpenDoor");
    EXPECT_EQ(scene.m_Actions->m_Table[1]->m_Next, scene.m_Actions->m_Table[6]) << "the rattle is the door's alternative";
    EXPECT_NE(scene.m_Lights->m_Child, nullptr) << "the lights are wrapped";
}

TEST_F(ObjectsTest, TheDoorSwingsOnceThenRattlesAndTheKeyOpensTheChest) {
    ZeltObject* doorObject = scene.FindObject("*U09_03", 1);
    float closed[16], open[16];
    Frames(scene, 2);
    Zelt_Object_Get_Local_Matrix(doorObject, closed);

    scene.Click("*U09_03");
    EXPECT_EQ(scene.m_Actions->m_Current, scene.m_Actions->m_Table[7]) << "the chained action ran last";
    EXPECT_EQ(scene.Done(1), 1);
    EXPECT_EQ(scene.Done(7), 1) << "the barrier action was switched on and chained";
    EXPECT_NE(scene.FindObject("*U09_08", 1)->collisionOff, 0);
    XAnimation* door = scene.FindAnimation("*U09_03");
    EXPECT_EQ(door->m_Stopped, 0);
    Frames(scene, 90);
    EXPECT_EQ(door->m_Stopped, 1);
    EXPECT_FLOAT_EQ(door->m_Frame, 30.0f);
    Zelt_Object_Get_Local_Matrix(doorObject, open);
    EXPECT_GT(std::fabs(open[0] - closed[0]) + std::fabs(open[1] - closed[1]), 0.5f) << "the door turned";

    scene.Click("*U09_03");
    EXPECT_EQ(scene.m_Actions->m_Current, scene.m_Actions->m_Table[6]);

    scene.Click("*U09_07");
    EXPECT_EQ(scene.m_Actions->m_Current, scene.m_Actions->m_Table[10]) << "locked without the key";

    scene.Click("*U09_06");
    ZeltObject* key = scene.FindObject("*U09_06", 1);
    EXPECT_NE(key->hidden, 0);
    EXPECT_NE(key->collisionOff, 0);
    EXPECT_EQ(CursorValueOf(key), 0);
    EXPECT_EQ(cursor.GetMode(), XCursor::kModeObject);
    EXPECT_STREQ(cursor.GetName(), "U09_06C");

    scene.Click("*U09_07");
    EXPECT_EQ(scene.m_Actions->m_Current, scene.m_Actions->m_Table[9]);
    EXPECT_EQ(cursor.GetMode(), XCursor::kModeTable);
    EXPECT_EQ(CursorValueOf(scene.FindObject("*U09_07", 1)), 1);
    scene.Click("*U09_07");
    EXPECT_EQ(scene.m_Actions->m_Current, nullptr) << "the chest is open";
}

TEST_F(ObjectsTest, MovedObjectsDoNotDriftFrameAfterFrame) {
    XObject3D* vase = scene.Node("*U09_01");
    vase->SetPosition("", 10, 20, 30, 0);
    Frames(scene, 5);
    float m[16];
    Zelt_Object_Get_Local_Matrix(vase->m_Object, m);
    EXPECT_FLOAT_EQ(m[12], 10);
    EXPECT_FLOAT_EQ(m[13], 20);
    EXPECT_FLOAT_EQ(m[14], 30);

    // The animated door moves with its animation plus the script's offset.
    XObject3D* door = scene.Node("*U09_03");
    ZeltVector before{}, after{}, later{};
    Frames(scene, 1);
    Zelt_Object_Get_Global_Position(door->m_Object, &before);
    door->SetPosition("", door->m_BoundMatrix[12] + 5, door->m_BoundMatrix[13], door->m_BoundMatrix[14], 0);
    Frames(scene, 3);
    Zelt_Object_Get_Global_Position(door->m_Object, &after);
    scene.m_AnimPaused = 1;  // frozen animations: the offset is not added twice
    Frames(scene, 3);
    scene.m_AnimPaused = 0;
    Frames(scene, 3);
    Zelt_Object_Get_Global_Position(door->m_Object, &later);
    EXPECT_NEAR(after.x - before.x, 5.0f, 1e-3);
    EXPECT_NEAR(later.x, after.x, 1e-3);

    // Turning by name selects along the chain; the light root is not touched.
    XObject3D* chest = scene.Node("*U09_07");
    scene.m_Objects->SetRotation("*u09_07", 0.5f, 1.0f, 1);
    EXPECT_EQ(chest->m_Turned, 1);
    EXPECT_FLOAT_EQ(chest->m_Angle, 0.5f);
    scene.m_Objects->SetFlag("*U09_77", 3);
    bool reported = false;
    for (const std::string& line : recorder.debugLines)
        if (line.find("Obj *U09_77 not found in the scene") != std::string::npos) reported = true;
    EXPECT_TRUE(reported);
}

TEST_F(ObjectsTest, ASavedSceneComesBackWhole) {
    scene.Click("*U09_03");
    Frames(scene, 20);  // the door half open, still swinging
    scene.Click("*U09_06");
    XAnimation* painter = scene.FindAnimation("*U09_05");
    ASSERT_NE(painter->AddSub((DataRoot() + "U09/Anim/U09_05/Idle.A3D").c_str(), "Wave", 2, 1), nullptr);
    scene.m_Actions->m_Table[10]->SetCondition("FALSE");
    const float doorFrame = scene.FindAnimation("*U09_03")->m_Frame;
    ASSERT_GT(doorFrame, 0.0f);
    ASSERT_LT(doorFrame, 30.0f);

    // Saved the way the game saves: "GAME", the scene's chunks, "PORTEF".
    ScratchDir scratch;
    SetSaveDir(scratch.Path().string() + "/");
    g_CurrentScene = &scene;
    {
        XGame game;
        game.SetSceneList("U09.ZELT");
        EXPECT_EQ(game.SaveGame("Before the chest", 1), 1);
        g_CurrentScene = nullptr;  // the game object would delete it
    }
    char saved[300];
    SavedGamePath(1, saved, sizeof saved);
    const std::string path = saved;
    SetSaveDir("");
    ASSERT_TRUE(fs::exists(path));

    RoomScene again;
    ASSERT_EQ(again.Open(), 1);
    ASSERT_EQ(ReadChunks(path, [&](XChunkFile* f) { return again.Start(1, f); }), 1);
    XAnimation* door = again.FindAnimation("*U09_03");
    EXPECT_NEAR(door->m_Frame, doorFrame, 1e-4);
    EXPECT_EQ(door->m_Stopped, 0) << "it goes on swinging";
    ZeltObject* key = again.FindObject("*U09_06", 1);
    EXPECT_NE(key->hidden, 0);
    EXPECT_NE(key->collisionOff, 0);
    ZeltObject* barrier = again.FindObject("*U09_08", 1);
    EXPECT_NE(barrier->hidden, 0);
    EXPECT_NE(barrier->collisionOff, 0) << "the doorway stays open";
    EXPECT_EQ(again.FindObject("*U09_01", 1)->hidden, 0);
    EXPECT_EQ(again.Done(1), 1);
    EXPECT_EQ(again.Done(8), 1);
    EXPECT_EQ(again.m_Actions->m_DoneCounts[8], 1);
    EXPECT_STREQ(again.m_Actions->m_Table[10]->m_Condition, "FALSE");
    XAnimation* painter2 = again.FindAnimation("*U09_05");
    EXPECT_EQ(painter2->m_SubCount, 1);
    EXPECT_EQ(painter2->m_SubCurrent, 2);
    EXPECT_EQ(painter2->Current("*U09_05"), painter2->m_Subs[2]);

    Frames(again, 40);
    EXPECT_EQ(door->m_Stopped, 1);
    again.Click("*U09_03");
    EXPECT_EQ(again.m_Actions->m_Current, again.m_Actions->m_Table[6]);
}

TEST_F(ObjectsTest, AGroupAnimationDrivesTheDescendantsOfTheSameName) {
    // Two roots in one file make a group named after the file: one names a
    // leg of the table, the other nothing in the scene.
    ScratchDir scratch;
    demo::AssetScene a;
    a.PositionKeys(a.Animation("TableLeg2", 20), {{0, {-34, 19, -66}}, {20, {-34, 19, -30}}});
    a.PositionKeys(a.Animation("NoSuchObject", 20), {{0, {0, 0, 0}}, {20, {0, 0, 10}}});
    std::string why;
    ASSERT_TRUE(a.Save(scratch.File("Legs.A3D"), why)) << why;

    const int before = scene.m_AnimCount;
    XAnimation* leg = scene.LoadAnim(scratch.File("Legs.A3D").c_str(), scene.FindObject("Table", 1), 10.0f);
    ASSERT_NE(leg, nullptr);
    EXPECT_EQ(scene.m_AnimCount, before + 1) << "the child without an object is ignored";
    EXPECT_STREQ(leg->m_Name, "TableLeg2");
    EXPECT_EQ(leg->m_Object, scene.FindObject("TableLeg2", 1));
    EXPECT_FLOAT_EQ(leg->m_Speed, 10.0f);
    EXPECT_EQ(scene.FindAnimation("NoSuchObject"), nullptr);
    Frames(scene, 30);
    float m[16];
    Zelt_Object_Get_Local_Matrix(leg->m_Object, m);
    EXPECT_GT(m[14], -66.0f + 1.0f) << "the leg has moved up";

    EXPECT_EQ(scene.LoadAnim(scratch.File("None.A3D").c_str(), scene.FindObject("Table", 1), 10.0f), nullptr);
    ASSERT_FALSE(recorder.boxes.empty());
    EXPECT_NE(recorder.boxes.back().text.find("None.A3D"), std::string::npos);
}
