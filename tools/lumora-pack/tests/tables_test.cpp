// The table compiler: a good table compiles to the records the game reads,
// and every fault the checker knows stops it with the line and the reason.
#include <gtest/gtest.h>

#include <string>

#include "tools/lumora-pack/Tables.h"

namespace {

using pack::CompileTables;
using pack::Tables;
using pack::UniverseNames;

UniverseNames Names() {
    UniverseNames n;
    n.objects = {"*Door", "*Vase", "Table", "*Painter"};
    n.animations = {"*Door"};
    n.operations = {"TakeVase"};
    return n;
}

const std::string kObjects =
    "object *Door type=4 cursor=2 stopped=1 speed=15\n"
    "object *vase type=4 cursor=1 visible=0 frame=2.5\n"
    "object *Painter type=6\n";

std::string Action(const std::string& body, int id = 1, const std::string& name = "Act") {
    return "action " + std::to_string(id) + " " + name + "\n" + body + "end\n";
}

const std::string kDoor = "sender *Door\nreceiver *Door\nevent 4\nclick\n";

bool Compile(const std::string& text, Tables& out, std::string& why) {
    return CompileTables(text, "T.tables", Names(), [](const std::string& s) { return s == "door" || s == "bell.wav"; },
                         out, why);
}

TEST(PackTables, AGoodTableCompiles) {
    const std::string text = "; objects\n" + kObjects + "\n" +
                             Action(kDoor + "repeat 1\ncondition TRUE ; always\ndo 4 *Door\ndo 13 door\ndo 6\n", 1, "Open") +
                             Action("sender *Vase\nreceiver *Painter speaker\nevent 4\ncarrying U04_80\n"
                                    "repeat 100\ncondition (1)&!m2 \ndo 10 takevase\ndo 14 Open\ndo 1 bell.wav\n",
                                    3, "Give") +
                             Action(kDoor + "repeat 2\n", 2, "Twice");
    Tables t;
    std::string why;
    ASSERT_TRUE(Compile(text, t, why)) << why;
    ASSERT_EQ(t.objects.size(), 3u);
    EXPECT_STREQ(t.objects[1].m_Name, "*vase");  // the table's letter case is kept
    EXPECT_EQ(t.objects[1].m_Visible, 0);
    EXPECT_EQ(t.objects[1].m_AnimFrame, 2.5f);
    EXPECT_EQ(t.objects[0].m_AnimStopped, 1);
    EXPECT_EQ(t.objects[0].m_AnimSpeed, 15);
    EXPECT_EQ(t.objects[2].m_AnimSpeed, 30);  // default
    ASSERT_EQ(t.actions.size(), 3u);
    const XActionInfoRecord& give = t.actions[1];
    EXPECT_EQ(give.m_Id, 3);
    EXPECT_EQ(give.m_Trigger, XActionInfoRecord::kTriggerCarrying);
    EXPECT_STREQ(give.m_CarriedName, "U04_80");
    EXPECT_EQ(give.m_ReceiverKind, XActionInfoRecord::kReceiverSpeaker);
    EXPECT_STREQ(give.m_Condition, "(1)&!m2");
    EXPECT_EQ(give.m_SubCount, 3);
    EXPECT_EQ(give.m_Subs[0].m_Type, 10);
    EXPECT_STREQ(give.m_Subs[0].m_Param, "takevase");
    EXPECT_EQ(t.actions[0].m_Trigger, XActionInfoRecord::kTriggerClick);
    EXPECT_STREQ(t.actions[0].m_Subs[2].m_Param, "");
    EXPECT_STREQ(t.actions[2].m_Condition, "TRUE");  // default
}

TEST(PackTables, FaultsStopTheBuildWithTheirLine) {
    struct Case {
        std::string text;
        std::string reason;
    };
    const std::string longName(30, 'n');
    const std::string longParam(64, 'p');
    std::string elevenSubs;
    for (int i = 0; i < 11; ++i) elevenSubs += "do 5\n";
    const Case cases[] = {
        {"object *Chair type=4\n", "T.tables:1: unknown object *Chair"},
        {"object *Door colour=3\n", "unknown object field colour"},
        {"object *Door type=four\n", "bad value for type"},
        {kObjects + Action("sender *Table\nreceiver *Door\n"), "sender *Table is not in the object list"},
        {kObjects + Action(kDoor + "event 5\n"), "event 5 is not the type of *Door"},
        {kObjects + Action(kDoor, 1, longName), "action name"},
        {kObjects + Action(kDoor + "do 4 " + longParam + "\n"), "longer than 63"},
        {kObjects + Action(kDoor + "condition " + std::string(256, '1') + "\n"), "longer than 255"},
        {kObjects + Action(kDoor + "do 1 creak\n"), "no sound file for creak"},
        {kObjects + Action(kDoor + "do 4 *Vase\n"), "no animation named *Vase"},
        {kObjects + Action(kDoor + "do 10 Dance\n"), "no operation Dance"},
        {kObjects + Action(kDoor + "do 14 Nothing\n"), "no action named Nothing"},
        {kObjects + Action(kDoor + "do 8 x\n"), "unknown sub-action type 8"},
        {kObjects + Action(kDoor + "do 6 soon\n"), "expected a number"},
        {kObjects + Action(kDoor + elevenSubs), "more than 10 sub-actions"},
        {kObjects + Action(kDoor + "condition m7\n"), "names action 7"},
        {kObjects + Action(kDoor + "condition 2\n") + Action(kDoor + "repeat 100\n", 2, "B"), "names action 2"},
        {kObjects + Action(kDoor + "condition !3\n"), "must be followed by m"},
        {kObjects + Action(kDoor + "condition 1|2\n"), "unexpected '|'"},
        {kObjects + Action(kDoor + "condition (1\n"), "unbalanced '('"},
        {kObjects + Action(kDoor, 256), "outside 0..255"},
        {kObjects + Action(kDoor) + Action(kDoor), "used twice"},
        {kObjects + "action 1 Open\n" + kDoor, "has no end"},
        {kObjects + "sender *Door\n", "unknown keyword sender"},
    };
    for (const Case& c : cases) {
        Tables t;
        std::string why;
        EXPECT_FALSE(Compile(c.text, t, why)) << c.reason;
        EXPECT_NE(why.find(c.reason), std::string::npos) << "expected \"" << c.reason << "\", got \"" << why << "\"";
        EXPECT_EQ(why.rfind("T.tables:", 0), 0u) << why;
    }
}

}  // namespace
