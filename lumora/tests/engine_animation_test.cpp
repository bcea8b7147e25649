// Animation nodes on the door animation of the test rooms: stepping (loop,
// ping-pong, stop frames, debug stepping), sub-animation lists and their
// saved chunk.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "_EngineTestSupport.h"
#include "_GameTestSupport.h"
#include "_ShellTestSupport.h"
#include "include/zelt/zelt.h"
#include "lumora/engine/SceneList.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XScene.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/XApplication.h"

namespace fs = std::filesystem;

namespace {

std::string DataRoot() { return DataPackRoot(); }
std::string DoorFile() { return DataRoot() + "U09/Anim/Door.A3D"; }

class AnimationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetMessageTableFolder(TestBinDir());
        ASSERT_EQ(StartKernel(0, 16), 1);
    }
    void SetUp() override {
        std::snprintf(app.m_DataDir, sizeof app.m_DataDir, "%s", DataRoot().c_str());
        ASSERT_EQ(Zelt_Scene_Create(&scene.m_Scene), 1);
        scene.AddMapDir((DataRoot() + "U09/Maps\\").c_str());
        ASSERT_EQ(Zelt_Load_Sdk_o3d(scene.m_Scene, (DataRoot() + "U09/Door.O3D").c_str(), &object), 1);
        g_FrameTime = 1.0f / 30.0f;
    }
    void TearDown() override { g_FrameTime = 0.0f; }

    // A door animation node, loaded and bound, at 30 frames per second.
    XAnimation* Door(int loop, const char* name = "*U09_03") {
        auto* a = new XAnimation(XNode::kAnimation, 1, name, "", &scene);
        owned.reset(a);
        EXPECT_EQ(a->Load(DoorFile().c_str(), object, 30.0f, loop, 0), 1);
        return a;
    }

    ReportRecorder recorder;
    XApplication app{nullptr};
    XScene scene;
    ZeltObject* object = nullptr;
    std::unique_ptr<XAnimation> owned;
};

}  // namespace

TEST_F(AnimationTest, LoopingWrapsAndAOneFrameRangeStaysPut) {
    XAnimation* a = Door(1);
    EXPECT_EQ(a->First(), 0);
    a->SetRange(0, 100);
    a->m_Frame = 99.5f;
    a->Step();
    EXPECT_NEAR(a->m_Frame, 0.5f, 1e-4);
    a->m_Backward = 1;
    a->Step();
    EXPECT_NEAR(a->m_Frame, 99.5f, 1e-4);
    a->RestoreRange();
    EXPECT_EQ(a->Last(), 30);

    for (int only : {0, 7}) {
        a->SetRange(only, only);
        a->m_Frame = static_cast<float>(only);
        a->m_Backward = 0;
        for (int i = 0; i < 3; ++i) a->Step();
        EXPECT_EQ(a->m_Frame, static_cast<float>(only)) << "range " << only;
        EXPECT_FALSE(std::isnan(a->m_Frame));
        a->RestoreRange();
    }
}

TEST_F(AnimationTest, NonLoopingStopsAtTheEndAndPingPongNeverStops) {
    XAnimation* a = Door(0);
    for (int i = 0; i < 40; ++i) a->Step();
    EXPECT_EQ(a->m_Frame, 30.0f);
    EXPECT_EQ(a->m_Stopped, 1);

    a->m_Stopped = 0;
    a->m_PingPong = 1;
    a->m_Frame = 0;
    float highest = 0, lowest = 30;
    for (int i = 0; i < 100; ++i) {
        a->Step();
        highest = std::max(highest, a->m_Frame);
        if (highest == 30.0f) lowest = std::min(lowest, a->m_Frame);
    }
    EXPECT_EQ(highest, 30.0f);
    EXPECT_EQ(lowest, 0.0f) << "it came back to the first frame";
    EXPECT_EQ(a->m_Stopped, 0);
}

TEST_F(AnimationTest, StopAtSnapsWithinTwoFramesAndPausedStepsOneFrame) {
    XAnimation* a = Door(1);
    a->SetFrame(20);
    a->StopAt(25, 1);
    EXPECT_EQ(a->m_Stopped, 0);
    int steps = 0;
    while (!a->m_Stopped && steps < 100) {
        a->Step();
        ++steps;
    }
    EXPECT_EQ(a->m_Frame, 25.0f);
    EXPECT_EQ(steps, 3) << "21, 22, 23: within two frames of 25";
    EXPECT_EQ(a->m_StopPending, 0);

    a->StopAt(12, 0);
    EXPECT_EQ(a->m_Frame, 12.0f);
    EXPECT_EQ(a->m_Stopped, 1);

    // Debug stepping: one frame per step whatever the frame time.
    a->Play(0);
    scene.m_AnimPaused = 1;
    g_FrameTime = 0.5f;
    a->Step();
    EXPECT_EQ(a->m_Frame, 13.0f);
    scene.m_AnimPaused = 0;
    a->SetFrame(99);
    EXPECT_EQ(a->m_Frame, 30.0f) << "clamped to the range";
}

TEST_F(AnimationTest, SubAnimationSlotsAreGuarded) {
    XAnimation* a = Door(1);
    EXPECT_EQ(a->AddSub(DoorFile().c_str(), "Zero", 0, 1), nullptr);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_NE(recorder.boxes[0].text.find("0 est réservé pour le main Animation Zero"), std::string::npos);
    EXPECT_EQ(a->AddSub(DoorFile().c_str(), "Big", 16, 1), nullptr);
    EXPECT_EQ(a->AddSub((DataRoot() + "U09/Anim/Missing.A3D").c_str(), "Lost", 2, 1), nullptr);
    EXPECT_EQ(a->m_SubCount, 0);
    EXPECT_EQ(a->m_Subs[0], nullptr);

    XAnimation* swing = a->AddSub(DoorFile().c_str(), "Swing", 3, 1);
    ASSERT_NE(swing, nullptr);
    EXPECT_EQ(a->m_Subs[0], a) << "slot 0 is the animation itself";
    EXPECT_EQ(a->m_SubCount, 1);
    EXPECT_EQ(a->m_SubCurrent, 3);
    EXPECT_EQ(swing->m_Owner, a);
    EXPECT_EQ(a->FindSub("swing", 1), swing);
    EXPECT_EQ(a->Current("*U09_03"), swing);

    // The current sub-animation plays in place of the animation.
    a->m_Frame = 0;
    swing->m_Frame = 0;
    a->Update();
    EXPECT_EQ(a->m_Frame, 0.0f);
    EXPECT_NEAR(swing->m_Frame, 1.0f, 1e-4);

    EXPECT_EQ(a->RemoveSub(0), 0);
    EXPECT_EQ(a->RemoveSub(5), 0);
    EXPECT_EQ(a->RemoveSub(-1), 0);
    XAnimation* knock = a->AddSub(DoorFile().c_str(), "Knock", 5, 0);
    ASSERT_NE(knock, nullptr);
    knock->Enable(1);
    EXPECT_EQ(a->m_SubCurrent, 5) << "enabling a sub-animation selects it";
    a->Enable(1);
    EXPECT_EQ(a->m_SubCurrent, 0) << "enabling the animation makes it current again";
    a->SelectSub(3, 1);
    EXPECT_EQ(a->RemoveSub(3), 1);
    EXPECT_EQ(a->m_SubCurrent, 0) << "removing the current one resets the choice";
    EXPECT_EQ(a->RemoveSub(5), 1);
    EXPECT_EQ(a->m_SubCount, 0);
    EXPECT_EQ(a->m_Subs[0], nullptr) << "the list is empty again";
}

TEST_F(AnimationTest, SavedSubListsComeBackAgainstTheDataRoot) {
    XAnimation root(XNode::kAnimation, 0, "Root", "NULL", &scene);
    auto* door = new XAnimation(XNode::kAnimation, 1, "*U09_03", "", &scene);
    root.AddChild(door, 0);
    ASSERT_EQ(door->Load(DoorFile().c_str(), object, 15.0f, 1, 0), 1);
    XAnimation* swing = door->AddSub(DoorFile().c_str(), "Swing", 2, 0);
    XAnimation* knock = door->AddSub(DoorFile().c_str(), "Knock", 7, 1);
    ASSERT_TRUE(swing && knock);
    knock->m_Frame = 12.5f;
    knock->m_PingPong = 1;
    knock->m_Speed = 8.0f;
    swing->m_Stopped = 1;
    swing->SetRange(2, 20);

    ScratchDir scratch;
    const std::string path = scratch.File("anims");
    ASSERT_EQ(WriteWith(path,
                        [&](XChunkFile* f) {
                            f->BeginWriteChunk("ANIMATIONS");
                            root.SaveSubs(f);
                            return f->EndWriteChunk();
                        }),
              1);

    // Another root, another place: the same tree loads from a moved pack.
    XAnimation again(XNode::kAnimation, 0, "Root", "NULL", &scene);
    auto* door2 = new XAnimation(XNode::kAnimation, 1, "*U09_03", "", &scene);
    again.AddChild(door2, 0);
    ASSERT_EQ(door2->Load(DoorFile().c_str(), object, 15.0f, 1, 0), 1);
    ASSERT_EQ(ReadInChunk(path, "ANIMATIONS", [&](XChunkFile* f) { return again.LoadSubs(f); }),
              1);
    EXPECT_EQ(door2->m_SubCount, 2);
    EXPECT_EQ(door2->m_SubCurrent, 7);
    ASSERT_NE(door2->m_Subs[7], nullptr);
    EXPECT_STREQ(door2->m_Subs[7]->m_Name, "Knock");
    EXPECT_FLOAT_EQ(door2->m_Subs[7]->m_Frame, 12.5f);
    EXPECT_EQ(door2->m_Subs[7]->m_PingPong, 1);
    EXPECT_FLOAT_EQ(door2->m_Subs[7]->m_Speed, 8.0f);
    ASSERT_NE(door2->m_Subs[2], nullptr);
    EXPECT_EQ(door2->m_Subs[2]->m_Stopped, 1);
    EXPECT_EQ(door2->m_Subs[2]->First(), 2);
    EXPECT_EQ(door2->m_Subs[2]->m_SavedLast, 30);
    EXPECT_STREQ(door2->m_Subs[2]->m_File, DoorFile().c_str()) << "loaded from the current data root";

    // A hand-made chunk: an unknown animation, a bad index, and a path from
    // a pack that lived elsewhere.
    std::string bytes;
    auto put = [&](const void* p, std::size_t n) { bytes.append(static_cast<const char*>(p), n); };
    auto sub = [&](std::int16_t index, const char* file, const char* name) {
        put(&index, 2);
        char f[260] = {};
        std::snprintf(f, sizeof f, "%s", file);
        put(f, sizeof f);
        char n[64] = {};
        std::snprintf(n, sizeof n, "%s", name);
        put(n, sizeof n);
        const std::int32_t enabled = 1, zero = 0, first = 0, last = 30;
        const float frame = 3.0f, speed = 30.0f;
        for (const std::int32_t v : {enabled, zero, enabled, zero, zero}) put(&v, 4);
        put(&frame, 4);
        put(&speed, 4);
        for (const std::int32_t v : {first, last, zero, zero}) put(&v, 4);
    };
    auto head = [&](const char* name, std::int16_t count, std::int16_t current) {
        char n[64] = {};
        std::snprintf(n, sizeof n, "%s", name);
        put(n, sizeof n);
        put(&count, 2);
        put(&current, 2);
    };
    head("*Nobody", 1, 1);
    sub(1, "U09/Anim/Door.A3D", "Ghost");
    head("*U09_03", 2, 9);
    sub(40, "U09/Anim/Door.A3D", "BadIndex");
    sub(4, "/old/place/Data/U09/Anim/Door.A3D", "Moved");
    const std::string crafted = scratch.File("crafted");
    ASSERT_TRUE(WriteChunks(crafted, {{"ANIMATIONS", bytes}}));

    XAnimation third(XNode::kAnimation, 0, "Root", "NULL", &scene);
    auto* door3 = new XAnimation(XNode::kAnimation, 1, "*U09_03", "", &scene);
    third.AddChild(door3, 0);
    ASSERT_EQ(door3->Load(DoorFile().c_str(), object, 15.0f, 1, 0), 1);
    ASSERT_EQ(ReadInChunk(crafted, "ANIMATIONS", [&](XChunkFile* f) { return third.LoadSubs(f); }),
              1);
    EXPECT_EQ(door3->m_SubCount, 1);
    ASSERT_NE(door3->m_Subs[4], nullptr);
    EXPECT_STREQ(door3->m_Subs[4]->m_File, DoorFile().c_str());
    EXPECT_EQ(door3->m_SubCurrent, 0) << "slot 9 is empty: the animation itself plays";
    EXPECT_EQ(third.FindByName("Ghost", 1), nullptr);
}

// A sub-animation whose own animation is not a clickable one ("*" missing)
// drives the parent of its object once a saved list is loaded: the carrier
// of a vehicle runs on the track the script gave it.
TEST_F(AnimationTest, ALoadedCarrierTrackGoesBackToTheParentObject) {
    ScratchDir scratch;
    std::string bytes = ReadWholeFile(DoorFile());
    const std::size_t at = bytes.find("*U09_03");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'c';  // "cU09_03": a track, not a clickable animation
    scratch.Write("Track.A3D", bytes);
    const std::string track = scratch.File("Track.A3D");

    ZeltObject* painter = nullptr;
    ASSERT_EQ(Zelt_Load_Sdk_o3d(scene.m_Scene, (DataRoot() + "U09/Painter.O3D").c_str(), &painter), 1);
    ZeltObject* head = scene.FindInTree(painter, "TETE", 1);
    ASSERT_TRUE(head && head->parent);

    auto build = [&](XAnimation& root) {
        auto* body = new XAnimation(XNode::kAnimation, 1, "*U09_05", "", &scene);
        root.AddChild(body, 0);
        EXPECT_EQ(body->Load(DoorFile().c_str(), head, 15.0f, 1, 0), 1);
        return body;
    };
    XAnimation root(XNode::kAnimation, 0, "Root", "NULL", &scene);
    XAnimation* body = build(root);
    XAnimation* ride = body->AddSub(track.c_str(), "Ride", 1, 1);
    XAnimation* wave = body->AddSub(DoorFile().c_str(), "Wave", 2, 0);
    ASSERT_TRUE(ride && wave);
    EXPECT_EQ(ride->m_Object, head) << "added subs animate the same object";
    const std::string path = scratch.File("anims");
    ASSERT_EQ(WriteWith(path,
                        [&](XChunkFile* f) {
                            f->BeginWriteChunk("ANIMATIONS");
                            root.SaveSubs(f);
                            return f->EndWriteChunk();
                        }),
              1);

    XAnimation again(XNode::kAnimation, 0, "Root", "NULL", &scene);
    XAnimation* body2 = build(again);
    ASSERT_EQ(ReadInChunk(path, "ANIMATIONS", [&](XChunkFile* f) { return again.LoadSubs(f); }), 1);
    ASSERT_TRUE(body2->m_Subs[1] && body2->m_Subs[2]);
    EXPECT_EQ(body2->m_Subs[1]->m_Object, head->parent);
    EXPECT_EQ(body2->m_Subs[2]->m_Object, head) << "a clickable animation stays on its object";
}
