// The real program through the training course of the start universe: a
// new player, the main options, the training entry; the painter's first
// instruction; step 1 left to run out (he says it again from his viewpoint
// and the step starts over); walking clears it and no step runs on the way
// to the boat; the boat seats the player and faces the landing post;
// turning; the glasses taken from the boat go onto the cursor; Shift gets
// out at the landing place; coming near the painter he asks for the
// inventory; space; the glasses given to him end the course in the menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "_ProgramTestSupport.h"
#include "_ShellTestSupport.h"

namespace fs = std::filesystem;

namespace {

// 100 ms a frame: each step of the course (10 s) lasts 100 frames; the
// walker goes 16 units a frame and turns 0.06 radians.
constexpr int kMsPerFrame = 100;

// Frames of the run where the pictures are looked at: the main options
// before the training entry, the seat before and after the glasses are
// taken (the pointer rests on them), the main options after the course.
constexpr int kMenuFrame = 60, kBeforeTakingFrame = 351, kCarryingFrame = 371, kEndFrame = 951;

// Pixels of the glasses' lens colour (170, 200, 225 on a 16-bit screen)
// within 30 pixels of (x, y).
int LensPixels(const DumpedFrame& f, int x, int y) {
    int n = 0;
    for (int j = std::max(0, y - 30); j < std::min(f.height, y + 30); ++j)
        for (int i = std::max(0, x - 30); i < std::min(f.width, x + 30); ++i) n += Reduce(f.At(i, j)) == Reduce(0xAAC8E1);
    return n;
}

const char* const kScript =
    "#2 key press RETURN\n"                    // past the intro pictures: the welcome
    "#45 text Alice\n"                          // the player screen: a new player
    "#47 click left 503 418\n"
    "#55 key down ESCAPE\n+2 key up ESCAPE\n"  // the main options
    "#65 click left 320 381\n"                  // the training entry
    // Step 1 runs out once (sb04), then Up walks a little.
    "#211 key down UP\n+2 key up UP\n"
    // To the boat: turn right towards it and walk.
    "#221 key down RIGHT\n+43 key up RIGHT\n"
    "#271 key down UP\n+50 key up UP\n"
    // Seated: turn left and back (step 2), then take the glasses in line
    // with the post.
    "#331 key down LEFT\n+5 key up LEFT\n"
    "#341 key down RIGHT\n+5 key up RIGHT\n"
    "#356 move 319 214\n+1 click left\n"
    // Step 7 runs out while they are carried (sb09); then out of the boat.
    "#481 key down SHIFT\n+2 key up SHIFT\n"
    // From the landing place: turn north and walk to the painter.
    "#511 key down LEFT\n+33 key up LEFT\n"
    "#551 key down UP\n+43 key up UP\n"
    // He asks for the inventory: space, twice (up and down again).
    "#671 key down SPACE\n+2 key up SPACE\n"
    "#691 key down SPACE\n+2 key up SPACE\n"
    // The glasses given to him.
    "#711 move 320 250\n+1 click left\n"
    "#971 quit\n";

}  // namespace

TEST(StartUniverseProgram, TheTrainingCourseFromTheMenuToTheGlassesGivenBack) {
    ScratchDir scratch;
    CopyPack(scratch);
    scratch.Write("data/APP.CFG", "[SCENE]\r\nFIRST=U00.ZELT\r\n");
    std::string log;
    const int status = RunProgram(scratch, kScript, &log, kMsPerFrame, "LUMORA_DEBUG=1 ");
    ASSERT_EQ(status, 0) << log;

    // The course in the debug output, in this order.
    const char* const story[] = {
        "Universe: U04_03 says sb01",  // the welcome, before the player screen
        "U00: the training course begins",
        "Universe: U04_03 says sb03_bis",
        "U00: step 1 \"deplace\"",
        "U00: step 1 ran out",
        "Universe: U04_03 says sb04",
        "U00: step 1 \"deplace\"",
        "U00: step 1 done",
        "U00: seated in the boat at (230.00, 40.00, -58.50)",
        "U00: step 2 \"Tourner\"",
        "U00: step 2 done",
        "U00: step 4 \"Take\"",
        "Action====================>Cando (TakeLunettes)",
        "U00: step 7 \"\"",
        "U00: the glasses are taken",
        "U00: step 7 ran out",
        "U00: voice sb09",
        "U00: step 7 \"\"",
        "U00: out of the boat",
        "Universe: U04_03 says sb10",
        "U00: step 8 \"\"",
        "U00: the inventory is seen",
        "U00: step 8 done",
        "Action====================>Cando (DonnerLunettes)",
        "Universe: U04_03 says sb14",
        "U00: the course is over",
    };
    std::size_t at = 0;
    for (const char* line : story) {
        const std::size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
        at = found;
    }
    const std::size_t begins = log.find("U00: the training course begins");
    EXPECT_EQ(log.find("sb03_bis", log.find("U00: step 1 ran out")), std::string::npos) << "said once";
    EXPECT_EQ(log.find("[message box]", begins), std::string::npos) << log;
    EXPECT_EQ(log.find("not found"), std::string::npos) << log;

    // Once walked, no step runs until the boat.
    const std::size_t walked = log.find("U00: step 1 done"), seated = log.find("U00: seated in the boat");
    EXPECT_EQ(log.substr(walked + 1, seated - walked - 1).find("U00: step"), std::string::npos)
        << log.substr(walked, seated - walked);
    // The walker sits 10 above the boat, facing the post (east), and does not
    // move while seated; out of the boat it stands at the landing place.
    const std::size_t sitting = log.find("Pilot: x=230.000 y=40.000 z=-58.500 theta=0.0000", seated);
    EXPECT_NE(sitting, std::string::npos) << log.substr(seated, 2000);
    const std::size_t out = log.find("U00: out of the boat");
    int seatedFrames = 0;
    for (std::size_t p = log.find("Pilot: x=", sitting); p < out; p = log.find("Pilot: x=", p + 1), ++seatedFrames)
        ASSERT_EQ(log.compare(p, 36, "Pilot: x=230.000 y=40.000 z=-58.500 "), 0) << log.substr(p, 100);
    EXPECT_GT(seatedFrames, 100) << "Up was held after sitting down";
    EXPECT_NE(log.find("Pilot: x=149.870 y=60.560 z=-9.000 theta=0.4270", out), std::string::npos)
        << log.substr(out, 2000);

    // The glasses ride on the cursor once taken.
    const fs::path frames = scratch.Path() / "frames";
    EXPECT_EQ(LensPixels(ReadDumpedFrame(frames, kBeforeTakingFrame), 319, 214), 0);
    EXPECT_GT(LensPixels(ReadDumpedFrame(frames, kCarryingFrame), 319, 214), 20);
    // The course ends in the main options.
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, kEndFrame), ReadDumpedFrame(frames, kMenuFrame)), 0.95);
}
