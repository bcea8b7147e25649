// The real program straight into the clearing, with scripted input: the
// keeper's welcome and her warning about the clown, the automatic save;
// the heavy door opened, the watering can taken from the table, the
// wilted flowers watered until the doe comes; following her leads on to
// the mine (universe 7), which is loaded next. Walking up to the clown
// ends in the menu instead. The painting scenes of the clearing show it
// from the gallery paintings' viewpoints.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "_ProgramTestSupport.h"

namespace fs = std::filesystem;

namespace {

// From the end of the opening (about frame 460) to the flowers watered.
const char* const kToTheFlowers =
    "#2 key press RETURN\n"
    "#472 key down UP\n+40 key up UP\n"      // up to the hut's door
    "#522 move 320 240\n+1 click left\n"     // the heavy door
    "#577 key down UP\n+50 key up UP\n"      // into the hut
    "#632 move 310 400\n+1 click left\n"     // the can on the table
    "#642 key down RIGHT\n+52 key up RIGHT\n"
    "#702 key down UP\n+150 key up UP\n"     // out and south to the flower bed
    "#857 key down PAGEDOWN\n+5 key up PAGEDOWN\n"
    "#867 move 320 380\n+1 click left\n";    // watered

}  // namespace

TEST(ClearingProgram, FromTheWelcomeToFollowingTheDoe) {
    ASSERT_TRUE(fs::exists(fs::path(BinDir()) / "Data" / "U06" / "U06.ZELT")) << "the data pack is built with the program";
    ScratchDir scratch;
    CopyPack(scratch);
    std::string log;
    const std::string script = std::string(kToTheFlowers) + "#1082 move 320 245\n+1 click left\n#1492 quit\n";
    ASSERT_EQ(RunProgram(scratch, script, &log, 33, "LUMORA_DEBUG=1 ", "--scene U06.ZELT"), 0) << log;
    EXPECT_EQ(MissingInOrder(log, {"Universe: U06_18 says d4_20", "Universe: U06_18 says d4_23", "Universe: automatic save written",
                            "Cando (OpenDoor)", "Universe 6: the heavy door opens", "Action=PrendreArrosoir",
                            "Cando (UseArrosoir)", "Universe 6: the flowers are up, the doe is waiting", "Cando (UseBiche)",
                            "Universe 6: following the doe", "Universe: leaving for 7", "NbObjectTotal",
                            "Universe: automatic save written"}),
              "")
        << log;
    EXPECT_EQ(log.find("caught the player"), std::string::npos);
    EXPECT_EQ(log.find("not found"), std::string::npos) << log;
    EXPECT_EQ(log.find("[message box]", log.find("NbObjectTotal")), std::string::npos) << log;
}

TEST(ClearingProgram, WalkingUpToTheClownEndsInTheMenu) {
    ScratchDir scratch;
    CopyPack(scratch);
    std::string log;
    // East from the arrival, straight at him.
    const std::string script = "#2 key press RETURN\n#472 key down RIGHT\n+26 key up RIGHT\n#502 key down UP\n+110 key up UP\n"
                               "#732 quit\n";
    ASSERT_EQ(RunProgram(scratch, script, &log, 33, "LUMORA_DEBUG=1 ", "--scene U06.ZELT"), 0) << log;
    EXPECT_EQ(MissingInOrder(log, {"Universe: automatic save written", "Universe 6: the clown has caught the player",
                            "Universe: failed, back to the menu"}),
              "")
        << log;
    EXPECT_EQ(log.find("leaving for 7"), std::string::npos);
    // Spun round before the fade: the camera has turned well past east.
    const std::size_t caught = log.find("caught the player");
    const std::size_t pilot = log.rfind("Pilot: ", caught);
    ASSERT_NE(pilot, std::string::npos);
    const double x = std::stod(log.substr(log.find("x=", pilot) + 2));
    EXPECT_GT(x, -270.0) << "within three scale units of him";
}
