// The real program straight into the painter's garden, with scripted input
// at 33 ms a frame, as the game runs (a turn is 0.06 radians a frame;
// walking, rowing, animations and voices go by the clock): the arrival
// finds the painter gagged and saves the game; the puzzle runs through to
// leaving on foot for universe 5; a leaking boat left unplugged sinks and
// ends in the menu; the painter's face shows the gag, then his mouth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "_ProgramTestSupport.h"
#include "_ShellTestSupport.h"

namespace fs = std::filesystem;

namespace {

// Runs the program on a copy of the pack with `script`, starting in the
// garden (or `scene`); frames are dumped only when asked. The debug
// output, or "failed: " and it when the program did not end well.
std::string RunGarden(const ScratchDir& scratch, const std::string& script, bool frames = false,
                      const std::string& scene = "U04.ZELT") {
    if (!fs::exists(scratch.Path() / "data")) CopyPack(scratch);
    return RunScene(scratch, scene, script, frames);
}

// Each line in the log in this order.
void ExpectStory(const std::string& log, std::initializer_list<const char*> story) {
    std::size_t at = 0;
    for (const char* line : story) {
        const std::size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
        at = found;
    }
}

void ExpectNoComplaint(const std::string& log) {
    EXPECT_EQ(log.find("[message box]"), std::string::npos) << log;
    EXPECT_EQ(log.find("not found"), std::string::npos) << log;
}

}  // namespace

namespace {

// The painter is clicked (the gag comes off), the pot's cork loosened and
// taken; a turn to the right and a walk onto the boat; the hole plugged;
// the oars taken from the grass behind and put into the locks (left, then
// right); Up rows across, the key is taken from the far table; Down rows
// back, Shift gets out at the landing; a turn to the house; the key opens
// the workshop door, a click goes in; the painting rolls up, the postcard
// is taken; turned round, the door leads out; the postcard shown to the
// painter brings Mazout; Up towards the house leaves. Times are frames
// since the script started; the garden starts at frame 8 and the painter is
// gagged at frame 189.
const char* const kPuzzle =
    "#2 key press RETURN\n"
    "#230 move 320 300\n+1 click left\n"   // the painter
    "#532 move 585 330\n+1 click left\n"   // the jam pot
    "#547 move 607 350\n+1 click left\n"   // its cork
    "#572 key down RIGHT\n+42 key up RIGHT\n"
    "#622 key down UP\n+62 key up UP\n"    // onto the boat
    "#732 move 320 420\n+1 click left\n"   // the hole, plugged
    "#742 key down RIGHT\n+34 key up RIGHT\n"
    "#792 move 420 268\n+1 click left\n"   // an oar
    "#807 key down RIGHT\n+47 key up RIGHT\n"
    "#872 move 320 245\n+1 click left\n"   // the left lock
    "#887 key down LEFT\n+47 key up LEFT\n"
    "#952 move 290 258\n+1 click left\n"   // the other oar
    "#967 key down LEFT\n+11 key up LEFT\n"
    "#992 move 320 245\n+1 click left\n"   // the right lock
    "#1007 key down UP\n+300 key up UP\n"   // across
    "#1322 move 404 132\n+1 click left\n"  // the key
    "#1332 key down DOWN\n+270 key up DOWN\n"
    "#1617 key down SHIFT\n+2 key up SHIFT\n"
    "#1692 key down LEFT\n+42 key up LEFT\n"
    "#1752 move 310 210\n+1 click left\n"  // the door, with the key
    "#1832 move 275 210\n+1 click left\n"  // in
    "#2076 move 170 170\n+1 click left\n"  // the painting
    "#2146 move 170 195\n+1 click left\n"  // the postcard
    "#2161 key down RIGHT\n+52 key up RIGHT\n"
    "#2226 move 440 240\n+1 click left\n"  // out
    "#2311 key down LEFT\n+21 key up LEFT\n"
    "#2346 move 320 330\n+1 click left\n"  // the postcard shown
    "#2703 key down UP\n+3 key up UP\n"
    "#2948 quit\n";

}  // namespace

TEST(GardenProgram, ArrivalThePuzzleAndLeavingOnFootForUniverse5) {
    ScratchDir scratch;
    const std::string log = RunGarden(scratch, kPuzzle);
    ASSERT_NE(log.rfind("failed: ", 0), 0u) << log;
    ExpectStory(log, {"Action=Baillonne. NbDone=1",
                      "Universe 4: the painter is gagged",
                      "Action====================>Cando (EnleverBaillon)",
                      "Universe 4: the gag is off",
                      "Universe: U04_03 says d3_02",
                      "Action====================>Cando (UsePot)",
                      "Action=PrendreBouchon. NbDone=1",
                      "Universe 4: in the boat",
                      "Action====================>Cando (UseBouchon)",
                      "Action=BarqueReparee. NbDone=1",
                      "Universe 4: the hole is plugged",
                      "Action=PrendreRame1. NbDone=1",
                      "Universe 4: an oar on the left",
                      "Action=PrendreRame2. NbDone=1",
                      "Universe 4: an oar on the right",
                      "Action=PrendreCle. NbDone=1",
                      "Universe 4: out of the boat",
                      "Action====================>Cando (UseCle)",
                      "Universe 4: the workshop is open",
                      "Universe 4: into the workshop",
                      "Action====================>Cando (ScrollTableau)",
                      "Universe 4: the postcard of Paris",
                      "Action=PrendreCarte. NbDone=1",
                      "Universe 4: out of the workshop",
                      "Action====================>Cando (UseCartePostale)",
                      "Universe: U04_03 says d3_08",
                      "Universe: U04_04 says d3_09",
                      "Universe: leaving for 5"});
    // Until the request of universe 5 (whose folder the pack does not hold
    // yet) nothing was missing and nothing was reported.
    const std::string before = log.substr(0, log.find("Universe: leaving for 5"));
    ExpectNoComplaint(before.substr(before.find("Universe 4: the painter is gagged")));
    EXPECT_EQ(log.find("the boat sinks"), std::string::npos);
    // The arrival saved the game in slot 0.
    EXPECT_TRUE(fs::exists(scratch.Path() / "save" / "User_0" / "Gamesave.0"));
    // Rowed across: the key was taken with the camera over the far bank,
    // and Shift got out only back at the landing.
    const std::size_t key = log.find("Action=PrendreCle. NbDone=1");
    EXPECT_NE(log.find("Pilot: x=149.870 y=60.560 z=-9.000 theta=0.4270", log.find("Universe 4: out of the boat", key)),
              std::string::npos);
    // The last walker line before leaving stands on the terrace by the door.
    const std::size_t last = before.rfind("Pilot: ");
    ASSERT_NE(last, std::string::npos);
    EXPECT_EQ(before.compare(last, 31, "Pilot: x=-90.000 y=400.000 z=15"), 0) << before.substr(last, 100);
}

// On the boat without plugging the hole: the twenty seconds run out, the
// boat sinks and the game goes back to the menu.
TEST(GardenProgram, AnUnpluggedBoatSinks) {
    ScratchDir scratch;
    const std::string log = RunGarden(scratch,
                                      "#2 key press RETURN\n"
                                      "#210 key down RIGHT\n+42 key up RIGHT\n"
                                      "#260 key down UP\n+62 key up UP\n"
                                      "#1100 quit\n");
    ASSERT_NE(log.rfind("failed: ", 0), 0u) << log;
    ExpectStory(log, {"Universe 4: the painter is gagged", "Universe 4: in the boat", "Universe 4: the boat sinks",
                      "Universe: failed, back to the menu"});
    ExpectNoComplaint(log.substr(log.find("Universe 4: the painter is gagged")));
    // The sinking comes twenty seconds (606 frames) after getting in.
    int frames = 0;
    const std::size_t in = log.find("Universe 4: in the boat"), sunk = log.find("Universe 4: the boat sinks");
    for (std::size_t p = log.find("Pilot: ", in); p < sunk; p = log.find("Pilot: ", p + 1)) ++frames;
    EXPECT_NEAR(frames, 606, 10);
}

namespace {

// What the painter's head shows in a frame: the head is the region above
// the top of his blue smock (the widest run of smock pixels that goes on
// for a dozen rows), as wide as the smock there.
struct HeadLook {
    bool found = false;
    int cloth = 0;  // the gag's white and grey
    int skin = 0;
    int mouth = 0;  // red lips
};

HeadLook LookAtHead(const DumpedFrame& f) {
    auto channel = [](std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
    auto smock = [&](int x, int y) {
        const std::uint32_t c = f.At(x, y);
        const int r = channel(c, 16), g = channel(c, 8), b = channel(c, 0);
        return r < 80 && g < 100 && b > 90 && b - r > 50;
    };
    HeadLook look;
    for (int top = 100; top + 12 < f.height && !look.found; ++top) {
        int left = f.width, right = -1;
        bool body = true;
        for (int y = top; y < top + 12 && body; ++y) {
            int run = 0;
            for (int x = 160; x < 480; ++x)
                if (smock(x, y)) {
                    ++run;
                    if (y == top) left = std::min(left, x), right = std::max(right, x);
                }
            body = run > 40;
        }
        if (!body) continue;
        look.found = true;
        for (int y = std::max(0, top - 100); y < top; ++y)
            for (int x = left; x <= right; ++x) {
                const std::uint32_t c = f.At(x, y);
                const int r = channel(c, 16), g = channel(c, 8), b = channel(c, 0);
                const int lo = std::min({r, g, b}), hi = std::max({r, g, b});
                look.cloth += hi - lo <= 24 && lo >= 130;
                look.skin += r > 190 && g > 140 && g < 220 && b > 100 && b < 190 && r - b > 35;
                look.mouth += r > 120 && g < 90 && b < 90;
            }
    }
    return look;
}

}  // namespace

// The painter's face as a player sees it on arriving: gagged (white cloth
// over his mouth), then, once the gag is taken off, his mouth.
TEST(GardenProgram, ThePaintersFaceGaggedThenFree) {
    ScratchDir scratch;
    const std::string log = RunGarden(scratch,
                                      "#2 key press RETURN\n"
                                      "#230 move 320 300\n+1 click left\n"  // the painter: the gag comes off
                                      "#600 quit\n",
                                      true);
    ASSERT_NE(log.rfind("failed: ", 0), 0u) << log;
    ExpectStory(log, {"Universe 4: the painter is gagged", "Universe 4: the gag is off"});
    const fs::path frames = scratch.Path() / "frames";
    const HeadLook gagged = LookAtHead(ReadDumpedFrame(frames, 220));
    // Freed, he talks: the frame of the second half of his words that shows most of his mouth.
    HeadLook free;
    for (int n = 400; n <= 590; n += 10) {
        const HeadLook look = LookAtHead(ReadDumpedFrame(frames, n));
        if (look.found && (!free.found || look.mouth > free.mouth)) free = look;
    }
    ASSERT_TRUE(gagged.found && free.found) << "the painter in view";
    EXPECT_GT(gagged.skin, 500) << "his face, not a flat colour";
    EXPECT_GT(free.skin, 500);
    EXPECT_GT(gagged.cloth, 250) << "the gag";
    EXPECT_GT(gagged.cloth, 3 * free.cloth) << "the gag is gone";
    EXPECT_EQ(gagged.mouth, 0) << "the gag hides his mouth";
    EXPECT_GT(free.mouth, 10) << "his mouth";
}
