// Talking characters on the test rooms: the painter that "Scene.bin" lists,
// his shapes with the one that is missing, a timing file driving the mouth
// to the end of the line, a second speaker cutting the first one short, and
// speakers that lack their node, face or shapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "_EngineTestSupport.h"
#include "_GameTestSupport.h"
#include "_ShellTestSupport.h"
#include "_SoundTestSupport.h"
#include "include/zelt/zelt.h"
#include "lumora/engine/SceneList.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/engine/XScene.h"
#include "lumora/engine/XSpeaker.h"
#include "lumora/game/XCursor.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/XApplication.h"
#include "lumora/sound/LSoundManager.h"
#include "lumora/sound/XSoundSource.h"
#include "platform/Time.h"

namespace fs = std::filesystem;

namespace {

// A timing file: count, then (time, shape, 2 spare bytes) entries.
std::string Index(std::int32_t count, const std::vector<std::pair<std::uint32_t, std::uint16_t>>& entries) {
    std::string bytes(reinterpret_cast<const char*>(&count), 4);
    for (const auto& [time, shape] : entries) {
        bytes.append(reinterpret_cast<const char*>(&time), 4);
        bytes.append(reinterpret_cast<const char*>(&shape), 2);
        bytes.append(2, '\0');
    }
    return bytes;
}

bool AnyShapeEnabled(const XSpeaker* s) {
    for (const XAnimation* shape : s->m_Shapes)
        if (shape && shape->m_Enabled) return true;
    return false;
}

bool Logged(const ReportRecorder& r, const std::string& text) {
    return std::any_of(r.debugLines.begin(), r.debugLines.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

class SpeakerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetMessageTableFolder(TestBinDir());
        ASSERT_EQ(StartKernel(0, 16), 1);
    }
    void SetUp() override {
        std::snprintf(app.m_DataDir, sizeof app.m_DataDir, "%s", DataPackRoot().c_str());
        g_FrameTime = 1.0f / 30.0f;
        platform::SetFixedClock(10);
        // The test rooms without the painter's "E" shape, to see the first
        // shape found take its place.
        std::filesystem::copy(DataPackRoot() + "U09", copy.Path() / "U09", std::filesystem::copy_options::recursive);
        ASSERT_TRUE(std::filesystem::remove(copy.Path() / "U09" / "Anim" / "U09_05" / "E.A3D"));
        ASSERT_EQ(scene.Open(copy.Path().string() + "/"), 1);
        ASSERT_EQ(scene.Start(1, nullptr), 1);
        scene.m_SoundA = new XSoundSource(2, 2000.0f);
        scene.m_Sources[0] = scene.m_SoundA;
        painter = scene.m_Speakers;
        ASSERT_NE(painter, nullptr);
        shapes = std::string(scene.m_Dir) + "Anim/U09_05/";
    }
    void TearDown() override {
        platform::SetFixedClock(0);
        g_FrameTime = 0.0f;
    }
    // One 10 ms frame after another, the scene animated in each.
    void Frames(int n) {
        for (int i = 0; i < n; ++i) {
            platform::detail::AdvanceClockOneFrame();
            scene.Animate();
        }
    }
    XSpeaker* Last() {
        XNode* n = scene.m_Speakers;
        while (n && n->m_Next) n = n->m_Next;
        return static_cast<XSpeaker*>(n);
    }

    ScratchDir copy;
    SoundRig rig;  // outlives the scene, which stops every sound when it goes
    XApplication app{nullptr};
    XCursor cursor{nullptr, nullptr, nullptr};
    TestRoomScene scene;
    XSpeaker* painter = nullptr;
    std::string shapes;
};

}  // namespace

TEST_F(SpeakerTest, ThePainterListedInTheSceneTalksWithTheShapesThatExist) {
    EXPECT_STREQ(painter->m_Name, "*U09_05");
    EXPECT_EQ(painter->m_Type, 6);
    EXPECT_EQ(painter->m_Next, nullptr);
    EXPECT_EQ(painter->m_Node, scene.Node("*U09_05"));
    ZeltObject* face = scene.FindObject("$$$DUMMY.*visage", 1);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(painter->m_Face, face);
    EXPECT_EQ(painter->m_Body, scene.FindAnimation("*U09_05"));
    EXPECT_EQ(painter->m_PreviousShape, -1);
    EXPECT_EQ(painter->m_CurrentShape, 0);

    // "E.A3D" is missing: its slot, like slot 0, holds the first shape found ("Yeux").
    EXPECT_EQ(rig.BoxesWith("Can't load animation"), 1);
    EXPECT_EQ(painter->m_Shapes[XSpeaker::kE], painter->m_Shapes[XSpeaker::kYeux]);
    EXPECT_EQ(painter->m_Shapes[0], painter->m_Shapes[XSpeaker::kYeux]);
    std::set<const XAnimation*> distinct;
    for (int i = 1; i < XSpeaker::kShapeSlots; ++i) {
        const XAnimation* shape = painter->m_Shapes[i];
        ASSERT_NE(shape, nullptr) << i;
        distinct.insert(shape);
        EXPECT_EQ(shape->m_Object, face) << i;
        EXPECT_EQ(shape->m_Enabled, 0) << i;
        EXPECT_EQ(shape->m_Stopped, 1) << i;
        EXPECT_STREQ(shape->m_Name, "*U09_05VISAGE");
        if (i != XSpeaker::kE) {
            EXPECT_NE(std::strstr(shape->m_File, (std::string("/") + SpeakerShapeName(i) + ".A3D").c_str()), nullptr) << i;
        }
    }
    EXPECT_EQ(distinct.size(), 7u);
    EXPECT_EQ(scene.FindAnimation("*U09_05VISAGE"), painter->m_Shapes[XSpeaker::kA]) << "first shape loaded: A";
}

TEST_F(SpeakerTest, ATimingFileDrivesTheMouthAndEndsTheLineEvenWhileTheVoicePlays) {
    // The line "line" with its timing file, in a scene folder of its own.
    ScratchDir folder;
    fs::create_directories(folder.Path() / "Sound");
    fs::copy_file(fs::path(scene.m_Dir) / "Sound" / "painter2.WAV", folder.Path() / "Sound" / "line.WAV");
    ASSERT_TRUE(WriteChunks(folder.File("Sound/line.bin"), {{"INDEX", Index(3, {{0, 1}, {500, 4}, {900, 1}})}}));
    std::snprintf(scene.m_Dir, sizeof scene.m_Dir, "%s/", folder.Path().string().c_str());

    ASSERT_EQ(painter->LoadTiming(folder.File("Sound/line.bin").c_str()), 1);
    EXPECT_EQ(painter->m_TimingCount, 3);
    for (const auto& [ms, shape] : std::vector<std::pair<unsigned, int>>{{0, 1}, {300, 1}, {499, 1}, {500, 4}, {899, 4}})
        EXPECT_EQ(painter->ShapeAt(ms), shape) << ms;

    ASSERT_EQ(painter->Speak("U09_05", "LINE"), 1);
    EXPECT_EQ(scene.m_Speaking, painter);
    EXPECT_EQ(painter->m_HasTiming, 1);
    EXPECT_EQ(painter->m_Talking, 1);
    std::vector<int> changes;  // ms of each shape change
    int shown = 0;
    for (int t = 10; t <= 1200; t += 10) {
        Frames(1);
        if (painter->m_CurrentShape != shown) {
            shown = painter->m_CurrentShape;
            if (shown) changes.push_back(t);
        }
        if (t < 500) {
            EXPECT_EQ(painter->m_CurrentShape, 0) << "at rest at " << t;
            EXPECT_FALSE(AnyShapeEnabled(painter)) << t;
        } else if (t < 900) {
            EXPECT_GE(painter->m_CurrentShape, 1) << "talking at " << t;
            EXPECT_TRUE(painter->m_Shapes[painter->m_CurrentShape]->m_Enabled) << t;
        } else {
            EXPECT_EQ(painter->m_Talking, 0) << "the line is over at " << t;
            EXPECT_EQ(scene.m_Speaking, nullptr);
        }
    }
    ASSERT_GE(changes.size(), 2u);
    EXPECT_EQ(changes.front(), 500);
    for (std::size_t i = 1; i < changes.size(); ++i) EXPECT_GE(changes[i] - changes[i - 1], 200);
    EXPECT_TRUE(rig.manager->IsChannelPlaying(2)) << "the voice still plays";
}

TEST_F(SpeakerTest, TimingCountsAreBoundedByTheChunk) {
    ScratchDir folder;
    ASSERT_TRUE(WriteChunks(folder.File("big.bin"), {{"INDEX", Index(1000, {{0, 1}, {200, 4}, {400, 1}})}}));
    ASSERT_TRUE(WriteChunks(folder.File("negative.bin"), {{"INDEX", Index(-5, {{0, 4}})}}));
    ASSERT_TRUE(WriteChunks(folder.File("other.bin"), {{"LIST", Index(1, {{0, 4}})}}));
    EXPECT_EQ(painter->LoadTiming(folder.File("big.bin").c_str()), 1);
    ASSERT_EQ(painter->m_TimingCount, 3);
    EXPECT_EQ(painter->m_Timing[1].m_Time, 200u);
    EXPECT_EQ(painter->m_Timing[1].m_Shape, 4);
    EXPECT_EQ(painter->ShapeAt(250), 4);
    EXPECT_EQ(painter->LoadTiming(folder.File("negative.bin").c_str()), 1);
    EXPECT_EQ(painter->m_TimingCount, 0);
    EXPECT_EQ(painter->LoadTiming(folder.File("other.bin").c_str()), 0);
    EXPECT_EQ(painter->m_TimingCount, 0);
    EXPECT_EQ(painter->ShapeAt(250), 1) << "no entries: rest";
}

TEST_F(SpeakerTest, SpeakingWhileAnotherSpeaksStopsTheFirstMouthAtOnce) {
    ASSERT_EQ(scene.InitSpeaker("*U09_03", "", "$$$DUMMY.*visage", 0, 1, shapes.c_str()), 1);
    XSpeaker* door = Last();
    ASSERT_NE(door, painter);
    ASSERT_EQ(painter->Speak("U09_05", "painter2"), 1);
    EXPECT_EQ(painter->m_HasTiming, 0) << "no timing file: the mouth moves at random";
    bool moved = false;
    for (int i = 0; i < 60; ++i) {
        Frames(1);
        moved = moved || AnyShapeEnabled(painter);
    }
    ASSERT_TRUE(moved);
    ASSERT_EQ(scene.m_Speaking, painter);

    // The door's line, as an action hands it over.
    EXPECT_EQ(scene.SpeakerSay("*U09_03", "painter1"), 1);
    EXPECT_EQ(painter->m_Talking, 0);
    EXPECT_EQ(painter->m_CurrentShape, 0);
    EXPECT_FALSE(AnyShapeEnabled(painter));
    EXPECT_EQ(scene.m_Speaking, door);
    EXPECT_EQ(door->m_Talking, 1);
    EXPECT_EQ(door->m_HasTiming, 1);

    // The same line again while it plays goes on; no speaker for the vase.
    const unsigned start = door->m_TalkStart;
    Frames(5);
    EXPECT_EQ(scene.SpeakerSay("*U09_03", "PAINTER1"), 1);
    EXPECT_EQ(door->m_TalkStart, start);
    EXPECT_EQ(scene.m_Speaking, door);
    EXPECT_EQ(scene.SpeakerSay("*U09_01", "chime"), 0);

    // The voice ends: the mouth stops with it.
    rig.manager->StopAll();
    rig.manager->Update();
    Frames(1);
    EXPECT_EQ(door->m_Talking, 0);
    EXPECT_EQ(scene.m_Speaking, nullptr);
    EXPECT_FALSE(AnyShapeEnabled(door));
}

TEST_F(SpeakerTest, MissingNodeFaceOrShapesAreNeverFollowed) {
    // Nothing found at all.
    auto* nobody = new XSpeaker("*Nobody", "NoFace", &scene);
    painter->AddNext(nobody, 0);  // the scene deletes it
    EXPECT_EQ(nobody->Load((scene.m_Dir + std::string("NoSuchFolder/")).c_str()), 0);
    EXPECT_EQ(nobody->m_Node, nullptr);
    EXPECT_EQ(nobody->m_Face, nullptr);
    for (const XAnimation* shape : nobody->m_Shapes) EXPECT_EQ(shape, nullptr);
    EXPECT_EQ(rig.BoxesWith("Can't load animation"), 1 + 8);
    EXPECT_TRUE(Logged(rig.reports, "Alert: People not found *Nobody"));
    nobody->SetShape(3);
    nobody->Rest();
    nobody->Stop();
    ASSERT_EQ(painter->Speak("Nobody", "painter2"), 1) << "plays where the listener is";
    EXPECT_EQ(scene.m_Speaking, nobody);
    Frames(60);
    EXPECT_EQ(scene.m_Speaking, nobody);

    // A node without the face: no shape binds.
    ASSERT_EQ(scene.InitSpeaker("*U09_03", "", "NoSuchFace", 0, 1, shapes.c_str()), 1);
    XSpeaker* door = Last();
    EXPECT_EQ(door->m_Node, scene.Node("*U09_03"));
    EXPECT_EQ(door->m_Face, nullptr);
    for (const XAnimation* shape : door->m_Shapes) EXPECT_EQ(shape, nullptr);
    EXPECT_TRUE(Logged(rig.reports, "Alert: People VISAGE not found *U09_03"));
    EXPECT_TRUE(Logged(rig.reports, "Forme Bouche <A> non visage. *U09_03"));
    ASSERT_EQ(painter->Speak("U09_03", "painter1"), 1);
    EXPECT_EQ(nobody->m_Talking, 0);
    ZeltVector at{};
    Zelt_Object_Get_Global_Position(door->m_Node->m_Object, &at);
    EXPECT_FLOAT_EQ(door->m_Node->m_Position.y, at.y) << "the line comes from the node";
    Frames(400);  // past the timing file's end
    EXPECT_EQ(door->m_Talking, 0);
    EXPECT_EQ(scene.m_Speaking, nullptr);
}

TEST_F(SpeakerTest, InitSpeakerRefusesWhatIsMissingAndBoundsTheNames) {
    EXPECT_EQ(scene.InitSpeaker("*U09_99", "", "x", 0, 1, ""), 0);
    EXPECT_EQ(rig.BoxesWith("*U09_99"), 1);
    EXPECT_EQ(scene.InitSpeaker("*U09_01", "", "x", 0, 1, ""), 0) << "the vase has no animation";
    EXPECT_EQ(rig.BoxesWith("Animation Speaker not found in the scene"), 1);
    EXPECT_EQ(painter->m_Next, nullptr);

    // A count of 0 renames only; a long name is cut to each field.
    const std::string longName = "*" + std::string(150, 'N');
    XObject3D* node = scene.Node("*U09_03");
    XAnimation* anim = scene.FindAnimation("*U09_03");
    ASSERT_EQ(scene.InitSpeaker("*U09_03", longName.c_str(), "x", 0, 0, ""), 1);
    EXPECT_EQ(painter->m_Next, nullptr);
    EXPECT_EQ(std::string(node->m_Name), longName.substr(0, 63));
    EXPECT_EQ(std::string(node->m_Object->name), longName.substr(0, 63));
    EXPECT_EQ(std::string(anim->m_Name), longName.substr(0, 63));
    EXPECT_EQ(std::string(anim->m_Anim->name), longName.substr(0, 31));
    EXPECT_EQ(scene.FindObject(longName.substr(0, 63).c_str(), 1), node->m_Object);
}
