// The universes' scripts on the pack's scenes, without a display: the click
// dispatch through the action queue, the station's repairs and saved
// chunk, its telephone and points, and the painting scene's viewpoint.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "_EngineTestSupport.h"
#include "_ShellTestSupport.h"
#include "include/zelt/records.h"
#include "lumora/engine/SceneList.h"
#include "lumora/engine/XAction.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XGauge.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/universes/XPaintingScene.h"
#include "lumora/universes/XUniverse00.h"
#include "lumora/universes/XUniverse01.h"
#include "lumora/universes/XUniverse02.h"
#include "lumora/universes/XUniverse04.h"
#include "lumora/universes/XUniverse05.h"
#include "lumora/universes/XUniverse06.h"
#include "lumora/universes/XUniverse07.h"
#include "platform/Types.h"

namespace fs = std::filesystem;

namespace {

class UniverseTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetMessageTableFolder(TestBinDir());
        ASSERT_EQ(StartKernel(0, 16), 1);
    }

    // A scene of the pack's folder `folder` loaded from `list`, as the game
    // object loads it but without a display.
    static int Open(XScene& s, const char* folder, const char* list) {
        std::snprintf(s.m_Dir, sizeof s.m_Dir, "%s%s/", DataPackRoot().c_str(), folder);
        if (!Zelt_Scene_Create(&s.m_Scene)) return 0;
        s.CreateTrees();
        s.AddMapDir((std::string(s.m_Dir) + "Maps\\").c_str());
        s.LoadSceneInfo();
        return s.Load(list);
    }

    ReportRecorder recorder;
};

// A script with three operation names that notes which handlers run.
class RecordingUniverse : public XUniverse {
public:
    const char* const* OperationNames() const override {
        static const char* const names[] = {"Alpha", "Beta", "Gamma", nullptr};
        return names;
    }
    void RunOperation(int index) override { ran.push_back(index); }
    // An action whose sub-actions hand the names over, queued.
    XAction* Queue(int id, std::initializer_list<const char*> names) {
        auto* a = new XAction(id, "Queued", m_Actions);
        for (const char* n : names) {
            a->m_Subs[a->m_SubCount].m_Type = kSubQueue;
            std::snprintf(a->m_Subs[a->m_SubCount].m_Param, XAction::kParamSize, "%s", n);
            ++a->m_SubCount;
        }
        m_Actions->Add(a);
        m_Actions->Enqueue(a);
        return a;
    }
    int QueueLength() {
        int n = 0;
        for (XAction* a = m_Actions->FirstQueued(); a; a = m_Actions->NextQueued()) ++n;
        return n;
    }
    std::vector<int> ran;
};

}  // namespace

TEST_F(UniverseTest, ClickDispatchFirstMatchEveryMatchAndNothingPicked) {
    RecordingUniverse u;
    u.CreateTrees();
    // First match: one handler per action, whatever else the action names;
    // the names match whatever their case.
    u.Queue(1, {"gamma", "Alpha"});
    u.Queue(2, {"Unknown", "BETA"});
    EXPECT_EQ(u.RunQueue(), 2);
    ASSERT_EQ(u.ran.size(), 2u);
    std::vector<int> sorted = u.ran;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{0, 1})) << "Alpha for the first (asked before Gamma), Beta for the second";
    EXPECT_EQ(u.QueueLength(), 0) << "every action leaves the queue";

    // Every match: each name the action answers, in the script's order.
    u.ran.clear();
    u.m_Dispatch = XUniverse::kEveryMatch;
    u.Queue(3, {"Gamma", "Alpha"});
    EXPECT_EQ(u.RunQueue(), 2);
    EXPECT_EQ(u.ran, (std::vector<int>{0, 2}));

    // An action handing over two names sits in the queue twice, as its
    // hand-overs put it there: each handler still runs once.
    u.ran.clear();
    XAction* twice = u.Queue(5, {"Alpha", "Gamma"});
    u.m_Actions->Enqueue(twice);
    EXPECT_EQ(u.RunQueue(), 2);
    EXPECT_EQ(u.ran, (std::vector<int>{0, 2}));
    EXPECT_EQ(u.QueueLength(), 0);

    // A click that picks nothing (no kernel scene) leaves the queue alone.
    u.ran.clear();
    u.m_Dispatch = XUniverse::kFirstMatch;
    u.Queue(4, {"Beta"});
    EXPECT_EQ(u.OnLButtonDown(10, 10), 0);
    EXPECT_TRUE(u.ran.empty());
    EXPECT_EQ(u.QueueLength(), 1);
    // A script that does not need a picked node runs it and answers 1.
    u.m_NeedsPickedNode = 0;
    EXPECT_EQ(u.OnLButtonDown(10, 10), 1);
    EXPECT_EQ(u.ran, (std::vector<int>{1}));
    EXPECT_EQ(u.QueueLength(), 0);
}

TEST_F(UniverseTest, TheFactoryMakesTheScriptedUniverses) {
    std::unique_ptr<XScene> one(CreateScene(1)), painting(CreateScene(50)), two(CreateScene(2)), six(CreateScene(6));
    EXPECT_NE(dynamic_cast<XUniverse01*>(one.get()), nullptr);
    EXPECT_NE(dynamic_cast<XPaintingScene*>(painting.get()), nullptr);
    EXPECT_NE(dynamic_cast<XUniverse02*>(two.get()), nullptr);
    EXPECT_NE(dynamic_cast<XUniverse06*>(six.get()), nullptr);
    std::unique_ptr<XScene> five(CreateScene(5));
    auto* paris = dynamic_cast<XUniverse05*>(five.get());
    ASSERT_NE(paris, nullptr);
    EXPECT_EQ(paris->m_Dispatch, XUniverse::kEveryMatch);
    EXPECT_EQ(paris->m_NoPickAnswer, 1);
}

// A game restored in Paris: the grille's name repaired, the sphere set,
// and neither the opening nor the automatic save.
TEST_F(UniverseTest, ParisRestoredRepairsTheGrilleAndSkipsTheOpening) {
    XUniverse05 u;
    ASSERT_EQ(Open(u, "U05", "U05.ZELT"), 1);
    EXPECT_NE(u.FindObject("Grille01", 1), nullptr);
    ASSERT_EQ(u.Start(0, nullptr), 1);
    EXPECT_EQ(u.FindObject("Grille01", 1), nullptr);
    ZeltObject* grille = u.FindObject("*U05_08", 1);
    ASSERT_NE(grille, nullptr);
    EXPECT_FALSE(grille->hidden);
    ASSERT_NE(u.m_Pilot, nullptr);
    EXPECT_EQ(u.m_Pilot->m_SphereRadius, 32.0f);
    EXPECT_EQ(u.m_Pilot->m_SphereOffsetZ, 0.0f);
    EXPECT_NE(u.m_Chef, nullptr);
    EXPECT_NE(u.m_Mazout, nullptr);
    ASSERT_NE(u.m_DogAnim, nullptr);
    EXPECT_EQ(u.m_DogAnim->m_SubCount, 0) << "the puppy turns round on a new visit only";
    for (const std::string& line : recorder.debugLines) EXPECT_EQ(line.find("arrived in Paris"), std::string::npos);
    for (const auto& box : recorder.boxes) ADD_FAILURE() << box.text;
}

TEST_F(UniverseTest, StationRepairsItsNamesAndStandsBelowHeightZero) {
    XUniverse01 u;
    ASSERT_EQ(Open(u, "U01", "U01.ZELT"), 1);
    EXPECT_EQ(u.FindObject("Box31", 1), nullptr);
    EXPECT_NE(u.FindObject("*U01_21", 1), nullptr);
    EXPECT_NE(u.FindAnimation("*U01_21"), nullptr) << "the points' animation follows the lever";
    EXPECT_EQ(u.FindAnimation("Object07"), nullptr);
    EXPECT_EQ(u.FindObject("Box20", 1), nullptr) << "every crate numbered";
    for (const char* n : {"Box201", "Box202"}) {
        ZeltObject* crate = u.FindObject(n, 1);
        ASSERT_NE(crate, nullptr) << n;
        EXPECT_FALSE(crate->hidden) << n;
    }
    ZeltObject* third = u.FindObject("Box203", 1);
    ASSERT_NE(third, nullptr);
    EXPECT_TRUE(third->hidden);
    EXPECT_EQ(third->collisionOff, 1);
    EXPECT_EQ(third->lineTestExcluded, 1);
    ZeltObject* post = u.FindObject("Cylinder07", 1);
    ASSERT_NE(post, nullptr);
    EXPECT_TRUE(post->hidden);
    EXPECT_EQ(u.FindObject("tige", 1), nullptr);
    EXPECT_NE(u.FindObject("*U01_12", 1), nullptr);
    EXPECT_NE(u.FindObject("*U01_08", 1), nullptr);
    EXPECT_EQ(u.FindObject("*U01_08P", 1), nullptr);

    // The platform lies at -30: the eye stands 60 above it.
    ZeltVector eye{-258.44f, -508.2f, 40.0f};
    EXPECT_EQ(u.m_Pilot->GroundCheck(&eye), XCameraPilot::kOnGround);
    EXPECT_NE(u.m_Pilot->m_Ground, nullptr);
    EXPECT_NEAR(eye.z, 30.0f, 1.0f);
    EXPECT_NEAR(u.m_Pilot->HeightAboveGround(&eye), 60.0f, 1.0f);
}

TEST_F(UniverseTest, TrainChangedRoundTripsAndIsAbsentFromOlderSaves) {
    ScratchDir scratch;
    const std::string path = scratch.File("save.sav");
    {
        XUniverse01 u;
        ASSERT_EQ(Open(u, "U01", "U01.ZELT"), 1);
        ASSERT_EQ(u.Start(0, nullptr), 1);
        ASSERT_NE(u.m_Train, nullptr);
        EXPECT_EQ(u.m_TrainChanged, 0);
        u.m_TrainChanged = 1;
        u.m_OnTrain = 1;
        XChunkFile save;
        ASSERT_EQ(save.Open(path.c_str(), 1), 1);
        ASSERT_EQ(u.SaveState(&save), 1);
        ASSERT_EQ(save.Close(), 1);
        for (const auto& box : recorder.boxes) ADD_FAILURE() << box.text;
    }
    XUniverse01 back;
    ASSERT_EQ(Open(back, "U01", "U01.ZELT"), 1);
    XChunkFile load;
    ASSERT_EQ(load.Open(path.c_str(), 0), 1);
    ASSERT_EQ(back.Start(0, &load), 1);
    EXPECT_EQ(back.m_TrainChanged, 1);
    EXPECT_EQ(back.m_OnTrain, 1);
    ASSERT_NE(back.m_Train, nullptr);
    EXPECT_EQ(back.m_Pilot->m_Ground, back.m_Train->m_Object) << "the camera stands on the train again";
    EXPECT_EQ(ReadInChunk(path, "TRAIN_CHANGED", [](XChunkFile* f) {
                  std::int32_t v[2] = {};
                  return f->Read(v, sizeof v) && v[0] == 1 && v[1] == 1 ? 1 : 0;
              }),
              1)
        << "two 32-bit fields";

    // A save without the chunk keeps the construction values.
    {
        XScene plain;
        ASSERT_EQ(Open(plain, "U01", "U01.ZELT"), 1);
        ASSERT_EQ(plain.Start(0, nullptr), 1);
        XChunkFile save;
        ASSERT_EQ(save.Open(scratch.File("plain.sav").c_str(), 1), 1);
        plain.SaveState(&save);
        save.Close();
    }
    XUniverse01 older;
    ASSERT_EQ(Open(older, "U01", "U01.ZELT"), 1);
    XChunkFile file;
    ASSERT_EQ(file.Open(scratch.File("plain.sav").c_str(), 0), 1);
    ASSERT_EQ(older.Start(0, &file), 1);
    EXPECT_EQ(older.m_TrainChanged, 0);
    EXPECT_EQ(older.m_OnTrain, 0);
}

TEST_F(UniverseTest, HangingUpAfterALoadWithTheReceiverLiftedStopsNothing) {
    XUniverse01 u;
    ASSERT_EQ(Open(u, "U01", "U01.ZELT"), 1);
    ASSERT_EQ(u.Start(0, nullptr), 1);
    // Lifted twice: this click hangs up, with no ringing tone made this visit.
    u.m_Actions->m_DoneCounts[10] = 2;
    ASSERT_EQ(u.m_Sources[2], nullptr);
    u.ClickTelephone();
    EXPECT_EQ(u.m_Sources[2], nullptr);
    XAnimation* phone = u.FindAnimation("*U01_11");
    ASSERT_NE(phone, nullptr);
    EXPECT_EQ(phone->m_Backward, 1) << "the receiver goes down";

    // The first lift switches the companion's hints off.
    u.m_Actions->m_DoneCounts[10] = 1;
    u.m_Actions->m_DoneFlags[16] = 1;
    u.m_Actions->m_DoneFlags[24] = 1;  // the call has come already: no sequence
    u.ClickTelephone();
    for (int id : {4, 5, 6}) EXPECT_STREQ(u.m_Actions->m_Table[id]->m_Condition, "FALSE") << id;
    EXPECT_STREQ(u.m_Actions->m_Table[10]->m_Condition, "FALSE") << "the telephone is done with";
    EXPECT_EQ(phone->m_Backward, 0);
}

TEST_F(UniverseTest, ThePointsSendTheTrainOntoTheSecondTrack) {
    XUniverse01 u;
    ASSERT_EQ(Open(u, "U01", "U01.ZELT"), 1);
    ASSERT_EQ(u.Start(0, nullptr), 1);
    ASSERT_NE(u.m_TrainAnim, nullptr);
    XAnimation* first = u.m_TrainAnim;
    // With the points off the train passes frame 90 and stays on its loop.
    first->m_Frame = 90.0f;
    u.m_SwitchOn = 0;
    u.Ride();
    EXPECT_EQ(u.m_TrainChanged, 0);
    EXPECT_EQ(u.m_TrainAnim, first);
    // With them on it joins the second track there, at its frame 15.
    first->m_Frame = 89.5f;
    u.m_SwitchOn = 1;
    u.Ride();
    EXPECT_EQ(u.m_TrainChanged, 1);
    ASSERT_NE(u.m_TrainAnim, first);
    EXPECT_STREQ(u.m_TrainAnim->m_Name, "Train2");
    EXPECT_FLOAT_EQ(u.m_TrainAnim->m_Frame, 15.0f);
    EXPECT_EQ(u.m_TrainAnim->m_Loop, 0);
    // The camera rides behind the marker, level.
    EXPECT_FLOAT_EQ(u.m_Pilot->m_Phi, XUniverse::kLevel);
}

TEST_F(UniverseTest, PaintingSceneStandsAtTheViewpointAndIgnoresClicks) {
    XPaintingScene p;
    std::snprintf(p.m_Code, sizeof p.m_Code, "U11_01");
    ASSERT_EQ(Open(p, "U01", "U01D.ZELT"), 1);
    ASSERT_EQ(p.Start(1, nullptr), 1);
    EXPECT_NEAR(p.m_Pilot->m_Position[0], 308.53f, 0.01f);
    EXPECT_NEAR(p.m_Pilot->m_Position[1], -508.2f, 0.01f);
    EXPECT_NEAR(p.m_Pilot->m_Position[2], 29.55f, 0.01f);
    EXPECT_NEAR(p.m_Pilot->m_Theta, 1.56f, 0.001f);
    EXPECT_NEAR(p.m_Pilot->m_Phi, 1.571f, 0.001f);
    for (const auto& box : recorder.boxes) ADD_FAILURE() << box.text;
    for (int y = 40; y < 480; y += 80)
        for (int x = 40; x < 640; x += 80) {
            EXPECT_EQ(p.OnLButtonDown(x, y), 1);
            EXPECT_EQ(p.m_PickedNode, nullptr);
        }

    EXPECT_EQ(XPaintingScene::FindViewpoint("U12_04X")->group, 33);
    EXPECT_EQ(XPaintingScene::FindViewpoint("U99_01"), nullptr);
    for (const char* code : {"U11_01", "U11_02", "U11_03", "U12_03", "U12_04", "U13_01", "U13_03", "U13_04", "U13_05",
                             "U13_06", "U13_11", "U13_12", "U13_13", "U13_14", "U13_15", "U14_01", "U14_02", "U14_03",
                             "U14_05", "U14_07"})
        EXPECT_NE(XPaintingScene::FindViewpoint(code), nullptr) << code << " is a painting the gallery opens";
}

// The caravan's painting: the people, props and moving things of the
// night are hidden and out of the walker's way, the rope and the countdown
// too; the caravan itself stays.
TEST_F(UniverseTest, DuskPaintingPutsTheNightsShowAway) {
    XPaintingScene p;
    std::snprintf(p.m_Code, sizeof p.m_Code, "U12_04");
    ASSERT_EQ(Open(p, "U33", "U33D.ZELT"), 1);
    ASSERT_EQ(p.Start(1, nullptr), 1);
    int count = 0;
    for (const char* const* name = XPaintingScene::FairShowObjects(); *name; ++name, ++count) {
        ZeltObject* o = p.FindObject(*name, 1);
        ASSERT_NE(o, nullptr) << *name;
        EXPECT_EQ(o->hidden, 1) << *name;
        EXPECT_EQ(o->collisionOff, 1) << *name;
    }
    EXPECT_EQ(count, XPaintingScene::kFairShowCount);
    for (const char* name : {"*U03_13", "*Ecran10"}) {
        EXPECT_EQ(p.FindObject(name, 1)->hidden, 1) << name;
        EXPECT_EQ(p.FindObject(name, 1)->collisionOff, 1) << name;
    }
    for (const char* name : {"*U03_21", "Toit", "Projecteur"}) EXPECT_EQ(p.FindObject(name, 1)->hidden, 0) << name;
    for (const auto& box : recorder.boxes) ADD_FAILURE() << box.text;
}

TEST_F(UniverseTest, WhenTheGaugeRunsOutErnestComesInAndTheLightGoes) {
    XUniverse01 u;
    ASSERT_EQ(Open(u, "U01", "U01.ZELT"), 1);
    ASSERT_EQ(u.Start(0, nullptr), 1);
    ZeltObject* ernest = u.FindObject("*Ernest", 1);
    ASSERT_NE(ernest, nullptr);
    ASSERT_TRUE(ernest->hidden);
    const int light = u.m_Ambient[0] + u.m_Ambient[1] + u.m_Ambient[2];
    u.m_Gauge->Start(20.0f, 1, "", 0);
    u.Render();
    EXPECT_TRUE(u.m_Gauge->IsRunning()) << "time is left";
    u.m_Gauge->Complete();
    u.Render();
    EXPECT_FALSE(u.m_Gauge->IsRunning());
    EXPECT_FALSE(ernest->hidden);
    XAnimation* door = u.FindAnimation("*U01_07");
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(door->m_Backward, 0) << "the door opens";
    EXPECT_EQ(door->m_StopPending, 1);
    EXPECT_FLOAT_EQ(door->m_StopFrame, 12.0f);
    // The camera ends looking up at him, narrowed, and the light is out.
    EXPECT_NEAR(u.m_Pilot->m_Position[0], 486.0585f, 0.01f);
    EXPECT_NEAR(u.m_Pilot->m_Position[1], -107.99f, 0.01f);
    EXPECT_NEAR(u.m_Pilot->m_Position[2], 24.0f, 0.01f);
    EXPECT_NEAR(u.m_Pilot->m_Theta, 0.1631f, 0.001f);
    EXPECT_NEAR(u.m_Pilot->m_Phi, 2.19f, 0.001f);
    EXPECT_LT(u.m_Ambient[0] + u.m_Ambient[1] + u.m_Ambient[2], light / 3);
}

// The start universe's course: what a step that ran out leads to, and when
// it has to wait for the next frame.
TEST(TrainingCourse, StepsThatRanOutAndTheirConditions) {
    using C = XUniverse00::CourseState;
    auto next = [](int step, C s) { return XUniverse00::NextStep(step, s); };
    C land, boat;
    boat.inBoat = 1;

    // Walking: always, with the painter and a cut, the same step again.
    auto f = next(1, land);
    ASSERT_EQ(f.applies, 1);
    EXPECT_STREQ(f.line, "sb04");
    EXPECT_EQ(f.byPainter, 1);
    EXPECT_EQ(f.cut, 1);
    EXPECT_STREQ(f.label, "deplace");
    EXPECT_EQ(f.number, 1);

    // The boat's steps only in the boat; out of it the timer waits.
    const struct {
        int step;
        const char* line;
        const char* label;
        int number;
    } rows[] = {{2, "sb06", "Sauter", 2}, {3, "sb05", "Sauter", 3}, {4, "sb07", "Take2", 5}, {5, "sb08", "Take2", 5}};
    for (const auto& row : rows) {
        EXPECT_EQ(next(row.step, land).applies, 0) << row.step;
        f = next(row.step, boat);
        ASSERT_EQ(f.applies, 1) << row.step;
        EXPECT_STREQ(f.line, row.line);
        EXPECT_EQ(f.byPainter, 0) << "the course's voice";
        EXPECT_STREQ(f.label, row.label);
        EXPECT_EQ(f.number, row.number);
        EXPECT_EQ(f.glassesTaken, row.step == 4 ? 1 : 0) << row.step;
        EXPECT_EQ(f.clearGauge, 0);
    }

    // Carrying the glasses: the reminder, the same step again.
    C carrying = land;
    carrying.carrying = 1;
    carrying.sentBack = 1;
    carrying.nearPainter = 1;
    f = next(7, carrying);
    ASSERT_EQ(f.applies, 1);
    EXPECT_STREQ(f.line, "sb09");
    EXPECT_EQ(f.number, 7);
    EXPECT_EQ(f.clearGauge, 0);
    // Not carrying: the gauge goes, once, and in the boat step 3 follows.
    f = next(7, land);
    EXPECT_EQ(f.applies, 1);
    EXPECT_EQ(f.clearGauge, 1);
    EXPECT_EQ(f.line, nullptr);
    EXPECT_EQ(f.number, 0);
    f = next(7, boat);
    EXPECT_EQ(f.clearGauge, 1);
    EXPECT_EQ(f.number, 3);
    C again = boat;
    again.sentBack = 1;
    EXPECT_EQ(next(7, again).applies, 0) << "only once";
    C near = land;
    near.nearPainter = 1;
    EXPECT_EQ(next(7, near).applies, 0) << "not after coming near the painter";

    // The inventory: the painter insists until it has been seen.
    f = next(8, land);
    ASSERT_EQ(f.applies, 1);
    EXPECT_STREQ(f.line, "sb11");
    EXPECT_EQ(f.byPainter, 1);
    EXPECT_EQ(f.cut, 0);
    EXPECT_EQ(f.number, 8);
    C seen = land;
    seen.inventorySeen = 1;
    EXPECT_EQ(next(8, seen).applies, 0);

    // Steps the table does not know (6, none) lead nowhere.
    EXPECT_EQ(next(6, boat).applies, 0);
    EXPECT_EQ(next(0, boat).applies, 0);
}

// The harbour: the plank repair in Load, and its chunk "TIMEVENDEUSE" (the
// seller's last call, her interval, her calls suspended, the magpie's
// state) read back after the base state; a magpie that has struck sits on
// its second lamp again, and the ticket it dropped lies on the bench.
TEST_F(UniverseTest, HarbourChunkRoundTripsAndTheMagpieStaysWhereItFlew) {
    ScratchDir scratch;
    const std::string path = scratch.File("harbour.sav");
    {
        XUniverse02 u;
        ASSERT_EQ(Open(u, "U02", "U02.ZELT"), 1);
        ASSERT_NE(u.FindObject("*U02_07a", 1), nullptr) << "the second plank is told apart";
        ASSERT_NE(u.FindObject("*U02_07", 1), nullptr);
        ASSERT_EQ(u.Start(0, nullptr), 1);
        EXPECT_EQ(u.m_SellerInterval, 10000);
        EXPECT_EQ(u.m_MagpieState, XUniverse02::kMagpieWaiting);
        u.m_SellerInterval = 30000;
        u.m_SellerSuspended = 1;
        u.m_MagpieState = XUniverse02::kMagpieDone;
        ASSERT_NE(u.m_Actions->m_Table[13], nullptr);
        u.m_Actions->m_Table[13]->MarkDone();  // the chestnuts given, the ticket not yet picked up
        XChunkFile save;
        ASSERT_EQ(save.Open(path.c_str(), 1), 1);
        ASSERT_EQ(u.SaveState(&save), 1);
        ASSERT_EQ(save.Close(), 1);
        for (const auto& box : recorder.boxes) ADD_FAILURE() << box.text;
    }
    EXPECT_EQ(ReadInChunk(path, "TIMEVENDEUSE", [](XChunkFile* f) {
                  std::int32_t v[4] = {};
                  return f->Read(v, sizeof v) && v[1] == 30000 && v[2] == 1 && v[3] == 2 ? 1 : 0;
              }),
              1)
        << "four 32-bit fields";
    XUniverse02 back;
    ASSERT_EQ(Open(back, "U02", "U02.ZELT"), 1);
    XChunkFile load;
    ASSERT_EQ(load.Open(path.c_str(), 0), 1);
    ASSERT_EQ(back.Start(0, &load), 1);
    EXPECT_EQ(back.m_SellerInterval, 30000);
    EXPECT_EQ(back.m_SellerSuspended, 1);
    EXPECT_EQ(back.m_MagpieState, XUniverse02::kMagpieDone);
    ASSERT_NE(back.m_MagpieAnim, nullptr);
    XAnimation* flight = back.m_MagpieAnim->FindSub("PieVoleur", 1);
    ASSERT_NE(flight, nullptr);
    EXPECT_EQ(back.m_MagpieAnim->m_SubCurrent, 1);
    EXPECT_EQ(flight->m_Frame, 240.0f);
    EXPECT_EQ(flight->m_Stopped, 1);
    back.Animate();  // the moves of the objects' nodes reach the kernel
    ZeltObject* ticket = back.FindObject("*U02_12", 1);
    ASSERT_NE(ticket, nullptr);
    ZeltVector at{};
    Zelt_Object_Get_Global_Position(ticket, &at);
    EXPECT_NEAR(at.x, 1160.0f, 0.5f);
    EXPECT_NEAR(at.y, -445.0f, 0.5f);
    EXPECT_EQ(ticket->hidden, 0);
}

// The clearing's four paintings: each stands on the ground at eye height
// where the painting was made, in the scenery of universe 6.
TEST_F(UniverseTest, ClearingPaintingsStandOnTheGroundAtTheirViewpoints) {
    for (const char* code : {"U14_02", "U14_03", "U14_05", "U14_07"}) {
        SCOPED_TRACE(code);
        XPaintingScene p;
        std::snprintf(p.m_Code, sizeof p.m_Code, "%s", code);
        ASSERT_EQ(Open(p, "U06", "U06D.ZELT"), 1);
        ASSERT_EQ(p.Start(1, nullptr), 1);
        const XPaintingScene::Viewpoint* view = XPaintingScene::FindViewpoint(code);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->group, 6);
        EXPECT_NEAR(p.m_Pilot->m_Position[0], view->x, 0.01f);
        EXPECT_NEAR(p.m_Pilot->m_Position[1], view->y, 0.01f);
        const ZeltVector eye{view->x, view->y, view->z};
        EXPECT_NEAR(p.m_Pilot->HeightAboveGround(&eye), p.m_Pilot->m_Height, 1.0f);
        EXPECT_EQ(p.OnLButtonDown(320, 240), 1);
        EXPECT_EQ(p.m_PickedNode, nullptr) << "only scenery";
    }
    for (const auto& box : recorder.boxes) ADD_FAILURE() << box.text;
}

// The mine's plank, laid and saved, is laid again when the game is loaded:
// the ground across the stream is the plank, not the water.
TEST_F(UniverseTest, MinePlankLaidComesBackWithTheSavedGame) {
    ScratchDir scratch;
    const std::string path = scratch.File("mine.sav");
    {
        XUniverse07 u;
        ASSERT_EQ(Open(u, "U07", "U07.ZELT"), 1);
        ASSERT_EQ(u.Start(0, nullptr), 1);
        EXPECT_EQ(u.m_PlankLaid, 0);
        u.LayPlank();
        XChunkFile save;
        ASSERT_EQ(save.Open(path.c_str(), 1), 1);
        ASSERT_EQ(u.SaveState(&save), 1);
        ASSERT_EQ(save.Close(), 1);
    }
    EXPECT_EQ(ReadInChunk(path, "PLANCHE", [](XChunkFile* f) {
                  std::int32_t laid = 0;
                  return f->Read(&laid, sizeof laid) && laid == 1 ? 1 : 0;
              }),
              1);
    XUniverse07 back;
    ASSERT_EQ(Open(back, "U07", "U07.ZELT"), 1);
    const ZeltVector overStream{0.0f, 335.0f, 125.0f};
    // Renamed by Load, before anything is restored: the plank still lies by the wall.
    EXPECT_NE(back.FindObject("*U06_30", 1), nullptr);
    EXPECT_NE(back.FindObject("*U06_26", 1), nullptr);
    EXPECT_NE(back.FindAnimation("*U06_26", 1), nullptr) << "the loose stone's animation follows its name";
    XChunkFile load;
    ASSERT_EQ(load.Open(path.c_str(), 0), 1);
    ASSERT_EQ(back.Start(0, &load), 1);
    EXPECT_EQ(back.m_PlankLaid, 1);
    back.Render();
    ZeltVector eye = overStream;
    back.m_Pilot->m_Ground = nullptr;
    back.m_Pilot->GroundCheck(&eye);
    ASSERT_NE(back.m_Pilot->m_Ground, nullptr);
    EXPECT_STREQ(back.m_Pilot->m_Ground->name, "planche");
    // Until the lamps are lit nothing pulls the climber down the ladder.
    EXPECT_EQ(back.m_Pilot->m_Collision, 0);
    for (const auto& box : recorder.boxes) ADD_FAILURE() << box.text;
}

// The garden: leaving on foot only towards the house, with the workshop
// opened and Mazout called.
TEST_F(UniverseTest, GardenIsLeftOnFootTowardsTheHouseOnly) {
    EXPECT_TRUE(XUniverse04::LeavesOnFoot(-30.0f, 320.0f, 4.0f));
    EXPECT_FALSE(XUniverse04::LeavesOnFoot(-30.0f, 320.0f, 2.0f));
    EXPECT_TRUE(XUniverse04::LeavesOnFoot(-30.0f, 320.0f, 4.0f - 6.2831853f)) << "theta brought into 0 to 2 pi";
    EXPECT_FALSE(XUniverse04::LeavesOnFoot(-20.0f, 320.0f, 4.9f));
    EXPECT_FALSE(XUniverse04::LeavesOnFoot(-30.0f, 300.0f, 4.9f));

    XUniverse04 u;
    ASSERT_EQ(Open(u, "U04", "U04.ZELT"), 1);
    ASSERT_EQ(u.Start(0, nullptr), 1);
    auto upAt = [&u](float theta) {
        const ZeltVector at{-30.0f, 320.0f, 15.0f};
        u.m_Pilot->SetPositionVec(&at);
        u.m_Pilot->SetAngles(theta, XUniverse::kLevel);
        g_Keys[platform::VK_UP] = 1;
        u.Step();
        g_Keys[platform::VK_UP] = 0;
        return u.m_Leaving;
    };
    EXPECT_EQ(upAt(4.0f), 0) << "the workshop is still shut";
    u.m_Actions->m_DoneFlags[32] = 1;
    u.m_Actions->m_DoneFlags[39] = 1;
    EXPECT_EQ(upAt(2.0f), 0);
    EXPECT_EQ(upAt(4.0f), 1);
    EXPECT_NEAR(u.m_Pilot->m_Position[0], -28.948f, 0.01f);
    EXPECT_NEAR(u.m_Pilot->m_Position[1], 358.7f, 0.01f);
    EXPECT_NEAR(u.m_Pilot->m_Theta, 4.6f, 0.001f);
    for (const auto& box : recorder.boxes) ADD_FAILURE() << box.text;
}

// The boat: it leaks (the gauge) until plugged, rows only with both oars,
// lets the player out only near a bank, and sinks when the time is over.
TEST_F(UniverseTest, GardenBoatLeaksRowsAndSinks) {
    XUniverse04 u;
    ASSERT_EQ(Open(u, "U04", "U04.ZELT"), 1);
    ASSERT_EQ(u.Start(0, nullptr), 1);
    ASSERT_NE(u.m_Boat, nullptr);
    ASSERT_NE(u.m_BoatAnim, nullptr);
    const float land = u.m_Scale;
    u.GetIntoBoat();
    EXPECT_EQ(u.m_InBoat, 1);
    EXPECT_EQ(u.m_Scale, 2.0f * land);
    EXPECT_EQ(u.m_Pilot->m_CanMove, 0);
    EXPECT_TRUE(u.m_Gauge->IsRunning());
    EXPECT_STREQ(u.m_Gauge->m_Label, "ecroule");
    EXPECT_NEAR(u.m_Pilot->m_Theta, 0.0f, 0.01f) << "facing the post";
    const ZeltVector start = XUniverse::PositionOf(u.m_Boat);

    // Without oars Up does nothing; one oar turns on the spot.
    g_Keys[platform::VK_UP] = 1;
    u.Step();
    EXPECT_EQ(u.m_BoatAnim->m_SubCount, 0);
    u.m_Actions->m_DoneFlags[33] = 1;
    u.Step();
    ASSERT_NE(u.m_BoatAnim->FindSub("Rond", 1), nullptr);
    // Both: the path across, one step a frame.
    u.m_Actions->m_DoneFlags[35] = 1;
    const float frameTime = g_FrameTime;
    g_FrameTime = 1.0f / 30.0f;
    for (int i = 0; i < 90; ++i) {
        u.Step();
        u.Animate();
        u.Render();
    }
    g_FrameTime = frameTime;
    g_Keys[platform::VK_UP] = 0;
    XAnimation* path = u.m_BoatAnim->FindSub("Traj", 1);
    ASSERT_NE(path, nullptr);
    EXPECT_GT(path->m_Frame, 60.0f);
    const ZeltVector moved = XUniverse::PositionOf(u.m_Boat);
    EXPECT_GT(moved.x, start.x + 10.0f) << "rowed east";
    EXPECT_NEAR(u.m_Pilot->m_Position[0], moved.x, 0.5f) << "the camera rides on the boat";
    // In the middle of the pond Shift does not get out.
    g_Keys[platform::VK_SHIFT] = 1;
    u.Step();
    EXPECT_EQ(u.m_InBoat, 1);
    g_Keys[platform::VK_SHIFT] = 0;

    // Plugging the hole stops the leak.
    u.UseCork();
    EXPECT_EQ(u.m_Actions->m_DoneFlags[30], 1);
    EXPECT_FALSE(u.m_Gauge->IsRunning());

    // A second visit to the boat without the plug: the time runs out and it sinks.
    XUniverse04 v;
    ASSERT_EQ(Open(v, "U04", "U04.ZELT"), 1);
    ASSERT_EQ(v.Start(0, nullptr), 1);
    v.GetIntoBoat();
    v.m_Gauge->Complete();
    v.Render();
    EXPECT_EQ(v.m_Leaving, 1);
    ASSERT_NE(v.m_BoatAnim->FindSub("Coule", 1), nullptr);
    EXPECT_LT(v.m_Pilot->m_Position[2], -80.0f) << "the camera goes down with it";
    for (const auto& box : recorder.boxes) ADD_FAILURE() << box.text;
}

// The garden's saved chunk, and the painter's face that follows the gag.
TEST_F(UniverseTest, GardenParamsRoundTripAndTheGaggedFace) {
    ScratchDir scratch;
    const std::string path = scratch.File("save.sav");
    {
        XUniverse04 u;
        ASSERT_EQ(Open(u, "U04", "U04.ZELT"), 1);
        ASSERT_EQ(u.Start(0, nullptr), 1);
        ZeltMaterial* skin = Zelt_Scene_Get_Material(u.m_Scene, "PeauPeintre");
        ASSERT_NE(skin, nullptr);
        const std::string face = skin->mapName;
        EXPECT_NE(face, "teteBA.dmf") << "not gagged before he is found";
        u.m_Actions->m_Table[18]->Execute();
        u.SetFace(1);
        EXPECT_STREQ(skin->mapName, "teteBA.dmf");
        u.m_InBoat = 1;
        u.m_PainterMoved = 1;
        XChunkFile save;
        ASSERT_EQ(save.Open(path.c_str(), 1), 1);
        ASSERT_EQ(u.SaveState(&save), 1);
        ASSERT_EQ(save.Close(), 1);
    }
    XUniverse04 back;
    ASSERT_EQ(Open(back, "U04", "U04.ZELT"), 1);
    XChunkFile load;
    ASSERT_EQ(load.Open(path.c_str(), 0), 1);
    ASSERT_EQ(back.Start(0, &load), 1);
    EXPECT_EQ(back.m_InBoat, 1);
    EXPECT_EQ(back.m_PainterMoved, 1);
    EXPECT_EQ(back.m_FaceReplaced, 1) << "action 18 done, 20 not";
    EXPECT_STREQ(Zelt_Scene_Get_Material(back.m_Scene, "PeauPeintre")->mapName, "teteBA.dmf");
    EXPECT_EQ(back.m_Pilot->m_CanMove, 0) << "seated again";
    EXPECT_EQ(ReadInChunk(path, "PARAMS", [](XChunkFile* f) {
                  std::int32_t v[3] = {};
                  return f->Read(v, sizeof v) && v[0] == 1 && v[1] == 1 && v[2] == 1 ? 1 : 0;
              }),
              1)
        << "three 32-bit fields";
    back.RemoveGag();
    EXPECT_STRNE(Zelt_Scene_Get_Material(back.m_Scene, "PeauPeintre")->mapName, "teteBA.dmf");
    EXPECT_EQ(back.m_FaceReplaced, 0);
    for (const auto& box : recorder.boxes) ADD_FAILURE() << box.text;
}

// The garden's paintings: each opens at its viewpoint on the scenery alone,
// with the props put away, and the walker stays there at eye height.
TEST_F(UniverseTest, GardenPaintingsStandAtTheirViewpoints) {
    for (const char* code : {"U13_01", "U13_03", "U13_04", "U13_05", "U13_06", "U13_11", "U13_12", "U13_13", "U13_14"}) {
        XPaintingScene p;
        std::snprintf(p.m_Code, sizeof p.m_Code, "%s", code);
        ASSERT_EQ(Open(p, "U04", "U04D.ZELT"), 1) << code;
        ASSERT_EQ(p.Start(1, nullptr), 1) << code;
        const XPaintingScene::Viewpoint* view = XPaintingScene::FindViewpoint(code);
        ASSERT_NE(view, nullptr);
        for (int i = 0; i < 3; ++i) p.Step();
        EXPECT_NEAR(p.m_Pilot->m_Position[0], view->x, 0.01f) << code;
        EXPECT_NEAR(p.m_Pilot->m_Position[1], view->y, 0.01f) << code;
        EXPECT_NEAR(p.m_Pilot->m_Position[2], view->z, 0.05f) << code << ": the ground is at eye height";
        for (const char* prop : {"*U04_05", "*U04_53", "*U04_63"}) {
            ZeltObject* o = p.FindObject(prop, 1);
            ASSERT_NE(o, nullptr) << prop << " after the garden's repairs";
            EXPECT_TRUE(o->hidden) << prop;
        }
    }
    for (const auto& box : recorder.boxes) ADD_FAILURE() << box.text;
}
