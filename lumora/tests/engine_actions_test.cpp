// Actions without a scene: the condition scanner, how a click picks among
// alternatives, repeat limits, chains back to the same action, the queue
// and the saved chunk "ACTIONS".
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "_GameTestSupport.h"
#include "_ShellTestSupport.h"
#include "lumora/engine/XAction.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/game/XCursor.h"
#include "lumora/shell/ChunkFile.h"

namespace {

bool Eval(const char* text, std::initializer_list<int> done) {
    int flags[256] = {};
    for (int id : done) flags[id] = 1;
    return EvaluateCondition(text, flags);
}

XActionInfoRecord Record(int id, const char* name, const char* sender, const char* condition, int repeat) {
    XActionInfoRecord r;
    r.m_Id = id;
    std::snprintf(r.m_Name, sizeof r.m_Name, "%s", name);
    std::snprintf(r.m_Sender, sizeof r.m_Sender, "%s", sender);
    std::snprintf(r.m_Receiver, sizeof r.m_Receiver, "%s", sender);
    std::snprintf(r.m_Condition, sizeof r.m_Condition, "%s", condition);
    r.m_RepeatLimit = repeat;
    r.m_Event = 4;
    return r;
}

void AddSub(XActionInfoRecord& r, int type, const char* param) {
    r.m_Subs[r.m_SubCount].m_Type = type;
    std::snprintf(r.m_Subs[r.m_SubCount].m_Param, XSubActionRecord::kParamSize, "%s", param);
    ++r.m_SubCount;
}

class ActionsTest : public ::testing::Test {
protected:
    XAction* Add(const XActionInfoRecord& r, XObject3D* sender) {
        auto* a = new XAction(r, sender, sender, &manager);
        EXPECT_EQ(manager.Add(a), 1);
        return a;
    }
    int Executions(int id) const { return manager.m_DoneCounts[id]; }
    bool Logged(const std::string& text) const {
        for (const std::string& line : recorder.debugLines)
            if (line.find(text) != std::string::npos) return true;
        return false;
    }

    ReportRecorder recorder;
    XActionManager manager{nullptr};
    XObject3D door{4, 1, "*U09_03", nullptr, nullptr};
    XObject3D chest{4, 2, "*U09_07", nullptr, nullptr};
};

}  // namespace

TEST(Conditions, TermsAreAndedAndEveryOperatorReadsTheDoneFlags) {
    EXPECT_TRUE(Eval("", {}));
    EXPECT_TRUE(Eval("TRUE", {}));
    EXPECT_FALSE(Eval("FALSE", {1, 2, 3}));
    EXPECT_FALSE(Eval("3 4", {3}));
    EXPECT_TRUE(Eval("3 4", {3, 4}));
    EXPECT_TRUE(Eval("m3", {3}));
    EXPECT_TRUE(Eval("!m3", {}));
    EXPECT_FALSE(Eval("!m3", {3}));
    EXPECT_TRUE(Eval("(3)&!m4", {3}));
    EXPECT_FALSE(Eval("(3)&!m4", {3, 4}));
    EXPECT_FALSE(Eval("(3)&!m4", {}));
    EXPECT_TRUE(Eval("( 1 7 ) & !m9", {1, 7}));
    EXPECT_FALSE(Eval("( 1 7 ) & !m9", {1}));
    EXPECT_TRUE(Eval("M12", {12})) << "letter case does not count";
    EXPECT_TRUE(Eval("m3 t", {})) << "t ends the scan true";
}

TEST(Conditions, BarMeansOrWithTheRest) {
    EXPECT_TRUE(Eval("m1 | m2", {2}));
    EXPECT_TRUE(Eval("m1 | m2", {1}));
    EXPECT_FALSE(Eval("m1 | m2", {}));
    EXPECT_TRUE(Eval("m1 m3 | m2", {2}));
    EXPECT_FALSE(Eval("(m1 | m2) m3", {2}));
    EXPECT_TRUE(Eval("(m1 | m2) m3", {2, 3}));
}

TEST(Conditions, MalformedTextsStayInsideTheTextAndTheFlags) {
    ReportRecorder recorder;
    // A trailing "!" and a lone letter find no number: the flag of id 0.
    EXPECT_FALSE(Eval("!", {0}));
    EXPECT_TRUE(Eval("!", {}));
    EXPECT_TRUE(Eval("m", {0}));
    ASSERT_FALSE(recorder.boxes.empty());
    EXPECT_NE(recorder.boxes[0].text.find("Cannot find number at this string"), std::string::npos);
    // "(" without ")" reads to the end.
    EXPECT_TRUE(Eval("(m5", {5}));
    EXPECT_FALSE(Eval("(m5 m6", {5}));
    // Ids past 255 name no action; a long run of digits does not overflow.
    EXPECT_FALSE(Eval("256", {0}));
    EXPECT_FALSE(Eval("99999999999999999999999999", {}));
    EXPECT_TRUE(Eval("!m99999999999999999999999999", {}));
    EXPECT_TRUE(Eval("255", {255}));
    // "!" right before digits negates those digits.
    EXPECT_TRUE(Eval("!3", {}));
    EXPECT_FALSE(Eval("!3", {3}));
    // A text filling the whole field with no terminator is read up to 255 characters.
    char full[256];
    std::memset(full, ' ', sizeof full);
    full[254] = '7';
    full[255] = '8';  // beyond the field's 255 characters
    EXPECT_TRUE(EvaluateCondition(full, [] {
        static int flags[256] = {};
        flags[7] = 1;
        return flags;
    }()));
}

TEST_F(ActionsTest, RepeatLimitOneFiresOnceThenTheAlternativeRuns) {
    XAction* open = Add(Record(1, "OpenDoor", "*U09_03", "TRUE", 1), &door);
    XAction* rattle = Add(Record(6, "DoorRattle", "*U09_03", "m1", 100), &door);
    XAction* chestLocked = Add(Record(10, "ChestLocked", "*U09_07", "TRUE", 100), &chest);
    EXPECT_EQ(manager.m_Root->m_Child, open) << "one entry per sender and event";
    EXPECT_EQ(open->m_Next, rattle) << "the alternative hangs on the first";
    EXPECT_EQ(open->m_Child, chestLocked);

    manager.Fire(&door);
    EXPECT_EQ(manager.m_Current, open);
    EXPECT_EQ(manager.m_DoneFlags[1], 1);
    EXPECT_EQ(open->m_Done, 1);
    EXPECT_EQ(Executions(6), 0);
    EXPECT_TRUE(Logged("Action=OpenDoor. NbDone=1 "));

    manager.Fire(&door);
    EXPECT_EQ(manager.m_Current, rattle);
    EXPECT_TRUE(Logged("......Action OpenDoor n'est pas active"));
    for (int i = 0; i < 150; ++i) manager.Fire(&door);
    EXPECT_EQ(Executions(6), 151) << "a limit of 100 never marks the action done";
    EXPECT_EQ(manager.m_DoneFlags[6], 0);
    EXPECT_EQ(Executions(1), 1);

    XObject3D stranger(4, 9, "*U09_99", nullptr, nullptr);
    manager.Fire(&stranger);
    EXPECT_EQ(manager.m_Current, nullptr);
    EXPECT_TRUE(Logged("Pas d'Action trouvée"));
    XObject3D otherKind(7, 9, "*U09_03", nullptr, nullptr);
    manager.Fire(&otherKind);
    EXPECT_EQ(manager.m_Current, nullptr) << "the event must be the node's type";
}

TEST_F(ActionsTest, ChainsSwitchesAndAChainBackToItselfRunsOnce) {
    XActionInfoRecord first = Record(1, "First", "*U09_03", "TRUE", 3);
    AddSub(first, kSubEnable, "Second");
    AddSub(first, kSubChain, "Second");
    AddSub(first, kSubChain, "First");  // back to itself: not active while it runs
    XActionInfoRecord second = Record(2, "Second", "*U09_07", "FALSE", 100);
    AddSub(second, kSubChain, "First");  // and round again
    AddSub(second, kSubDisable, "Second");
    AddSub(second, kSubChain, "NoSuchAction");
    Add(first, &door);
    XAction* b = Add(second, &chest);

    manager.Fire(&door);
    EXPECT_EQ(Executions(1), 1);
    EXPECT_EQ(Executions(2), 1);
    EXPECT_STREQ(b->m_Condition, "FALSE") << "switched off again by itself";
    manager.Fire(&chest);
    EXPECT_EQ(Executions(2), 1) << "FALSE keeps it from the click";

    // Scripts mark an action done with its counter at the limit.
    manager.m_Table[1]->MarkDone();
    EXPECT_EQ(manager.m_DoneCounts[1], 3);
    EXPECT_EQ(manager.m_DoneFlags[1], 1);
    manager.Fire(&door);
    EXPECT_EQ(Executions(1), 3);
}

TEST_F(ActionsTest, UnknownSubActionsAreReportedAndTheRestRuns) {
    XActionInfoRecord r = Record(3, "Odd", "*U09_03", "", 100);
    AddSub(r, 77, "");
    AddSub(r, kSubQueue, "");
    Add(r, &door);
    manager.Fire(&door);
    EXPECT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(manager.FirstQueued(), manager.m_Table[3]);
    EXPECT_EQ(Executions(3), 1);
}

TEST_F(ActionsTest, CarryingPicksTheActionForTheCarriedObject) {
    XCursor cursor(nullptr, nullptr, nullptr);
    XActionInfoRecord wrong = Record(4, "UseVase", "*U09_07", "TRUE", 100);
    wrong.m_Trigger = XActionInfoRecord::kTriggerCarrying;
    std::strcpy(wrong.m_CarriedName, "U09_01");
    XActionInfoRecord right = Record(9, "OpenChest", "*U09_07", "TRUE", 1);
    right.m_Trigger = XActionInfoRecord::kTriggerCarrying;
    std::strcpy(right.m_CarriedName, "u09_06");
    AddSub(right, kSubPutDown, "");
    XActionInfoRecord plain = Record(10, "ChestLocked", "*U09_07", "!m9", 100);
    Add(wrong, &chest);
    Add(right, &chest);
    Add(plain, &chest);

    manager.Fire(&chest);
    EXPECT_EQ(manager.m_Current, manager.m_Table[10]) << "a plain click";

    cursor.SetObjectCursor(XCursor::kModeObject, "U09_06C", 0);
    manager.Fire(&chest);
    EXPECT_TRUE(Logged("......Action UseVase est active"));
    EXPECT_EQ(manager.m_Current, manager.m_Table[9]);
    EXPECT_EQ(cursor.GetMode(), XCursor::kModeTable) << "put down: the cursor carries nothing";
    manager.Fire(&chest);
    EXPECT_EQ(manager.m_Current, nullptr) << "the lock is open: nothing is left to do";
}

TEST_F(ActionsTest, TheQueueFillsFromTheTopAndRefusesAnEleventh) {
    std::vector<std::unique_ptr<XAction>> actions;
    for (int i = 0; i < 11; ++i) actions.push_back(std::make_unique<XAction>(i, "Q", &manager));
    for (int i = 0; i < 10; ++i) EXPECT_EQ(manager.Enqueue(actions[i].get()), 1);
    EXPECT_EQ(manager.Enqueue(actions[10].get()), 0);
    EXPECT_EQ(manager.m_Queue[9], actions[0].get());
    EXPECT_EQ(manager.FirstQueued(), actions[9].get());
    EXPECT_EQ(manager.NextQueued(), actions[8].get());
    manager.Dequeue(actions[8].get());
    manager.Dequeue(actions[0].get());
    int walked = 0;
    for (XAction* a = manager.FirstQueued(); a; a = manager.NextQueued()) ++walked;
    EXPECT_EQ(walked, 8);
    EXPECT_EQ(actions[1]->CanDo("x"), 0);
}

TEST_F(ActionsTest, TheSavedChunkBringsBackFlagsCountsAndConditions) {
    XActionInfoRecord unblock = Record(7, "Unblock", "*U09_03", "FALSE", 1);
    Add(Record(1, "OpenDoor", "*U09_03", "TRUE", 3), &door);
    XAction* u = Add(unblock, &door);
    Add(Record(200, "Far", "*U09_07", "m1", 100), &chest);
    manager.Fire(&door);
    manager.Fire(&door);
    u->SetCondition("TRUE");

    ScratchDir scratch;
    const std::string path = scratch.File("save");
    ASSERT_EQ(WriteWith(path, [&](XChunkFile* f) { return manager.SaveState(f); }), 1);

    XActionManager again(nullptr);
    XAction* open2 = new XAction(Record(1, "OpenDoor", "*U09_03", "TRUE", 3), &door, &door, &again);
    again.Add(open2);
    XAction* u2 = new XAction(unblock, &door, &door, &again);
    again.Add(u2);
    again.Add(new XAction(Record(200, "Far", "*U09_07", "m1", 100), &chest, &chest, &again));
    ASSERT_EQ(ReadChunks(path, [&](XChunkFile* f) { return again.LoadState(f); }), 1);
    EXPECT_EQ(again.m_DoneCounts[1], 2);
    EXPECT_EQ(open2->m_DoneCount, 2) << "the action goes on counting from its saved count";
    EXPECT_STREQ(u2->m_Condition, "TRUE");
    again.Fire(&door);
    EXPECT_EQ(again.m_DoneFlags[1], 1) << "the third execution reaches the limit";

    // A chunk cut short changes nothing; no chunk changes nothing.
    const std::string cut = scratch.File("cut");
    ASSERT_TRUE(WriteChunks(cut, {{"ACTIONS", std::string(100, '\1')}}));
    XActionManager third(nullptr);
    ReadChunks(cut, [&](XChunkFile* f) { return third.LoadState(f); });
    EXPECT_EQ(third.m_DoneFlags[0], 0);
    ASSERT_TRUE(WriteChunks(cut, {{"OTHER", "x"}}));
    EXPECT_EQ(ReadChunks(cut, [&](XChunkFile* f) { return third.LoadState(f); }), 1);
}

TEST_F(ActionsTest, IdsOutsideTheTableAreRefused) {
    EXPECT_EQ(manager.Add(new XAction(Record(256, "Big", "*U09_03", "", 1), &door, &door, &manager)), 0);
    EXPECT_EQ(manager.Add(new XAction(Record(-1, "Neg", "*U09_03", "", 1), &door, &door, &manager)), 0);
    EXPECT_EQ(manager.m_Root->m_Child, nullptr);
}
