// The real program straight into the mine, with scripted input: the new
// visit saves the game; the ladder climbs to the switch, which lights the
// lamps; the plank is taken and laid across the stream from the edge
// stone; the loose stone slides up from the pickaxe, which breaks the
// cracked wall and forces the grille; the can behind it puts the fuse out,
// the epilogue plays and the option menu opens: the end. Walking into the
// stream, or letting the fuse burn down, ends in the menu instead.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "_ProgramTestSupport.h"

namespace fs = std::filesystem;

namespace {

// Up the ladder in three rungs and the switch, then onto the gallery.
const char* const kToTheLamps =
    "#2 key press RETURN\n"
    "#60 key down UP\n+2 key up UP\n"
    "#110 key down UP\n+2 key up UP\n"
    "#160 key down UP\n+2 key up UP\n"
    "#215 move 540 400\n+1 click left\n";  // the switch

// The plank taken and laid, the stone, the pickaxe, the wall, the grille
// (about frame 840, when the fuse's twenty seconds begin).
const char* const kToTheGrille =
    "#300 move 450 460\n+1 click left\n"  // the plank
    "#320 key down UP\n+78 key up UP\n"   // onto the edge stone: laid; on along it
    "#470 key down UP\n+17 key up UP\n"
    "#495 key down LEFT\n+11 key up LEFT\n"
    "#510 key down PAGEDOWN\n+3 key up PAGEDOWN\n"
    "#520 move 370 290\n+1 click left\n"  // the loose stone
    "#600 move 380 300\n+1 click left\n"  // the pickaxe behind it
    "#615 key down RIGHT\n+11 key up RIGHT\n"
    "#630 key down PAGEUP\n+3 key up PAGEUP\n"
    "#640 key down UP\n+44 key up UP\n"
    "#690 move 320 240\n+1 click left\n"  // the cracked wall, with the pickaxe
    "#800 key down UP\n+34 key up UP\n"
    "#840 move 320 240\n+1 click left\n";  // the grille, with the pickaxe

// The main options' canvas: light beige in the middle of the screen.
bool MenuShown(const DumpedFrame& f) {
    int light = 0;
    for (int y = 100; y < 440; y += 20)
        for (int x = 60; x < 180; x += 20) {
            const std::uint32_t c = f.At(x, y);
            light += ((c >> 16) & 0xFF) > 200 && ((c >> 8) & 0xFF) > 190 && (c & 0xFF) > 150;
        }
    return light > 80;
}

}  // namespace

TEST(MineProgram, FromTheLadderToTheEpilogue) {
    ASSERT_TRUE(fs::exists(fs::path(BinDir()) / "Data" / "U07" / "U07.ZELT")) << "the data pack is built with the program";
    ScratchDir scratch;
    CopyPack(scratch);
    std::string log;
    const std::string script = std::string(kToTheLamps) + kToTheGrille +
                               "#960 move 60 90\n+1 click left\n"     // the can on its crate
                               "#990 move 320 200\n+1 click left\n"   // the fuse, with the can
                               "#1400 quit\n";
    ASSERT_EQ(RunProgram(scratch, script, &log, 33, "LUMORA_DEBUG=1 ", "--scene U07.ZELT"), 0) << log;
    EXPECT_EQ(MissingInOrder(log, {"Universe: automatic save written", "Universe 7: up the ladder to 80",
                            "Universe 7: up the ladder to 120", "Cando (DoInterrupteur)", "Universe 7: the lamps are lit",
                            "Action=PrendrePlanche", "Universe 7: the plank is laid across the stream",
                            "Cando (Open1Secret)", "Universe 7: the loose stone has slid away", "Action=PrendrePioche",
                            "Cando (Open2Secret)", "Universe 7: the cracked wall gives way", "Cando (OpenGrille)",
                            "Universe 7: the grille is open, the fuse is burning", "Action=PrendreArrosoir",
                            "Cando (CouperDynamite)", "Universe 7: the fuse is out", "Universe 7: the end"}),
              "")
        << log;
    EXPECT_EQ(log.find("into the water"), std::string::npos) << "the plank carried the player over";
    EXPECT_EQ(log.find("goes off"), std::string::npos);
    EXPECT_EQ(log.find("File not found"), std::string::npos) << log;
    EXPECT_EQ(log.find("not found"), std::string::npos) << log;
    EXPECT_EQ(log.find("[message box]", log.find("NbObjectTotal")), std::string::npos) << log;
    // The automatic save of the new visit is slot 0 of the player's folder.
    bool saved = false;
    for (const auto& entry : fs::recursive_directory_iterator(scratch.Path() / "save"))
        saved = saved || entry.path().filename() == "Gamesave.0";
    EXPECT_TRUE(saved);

    // Before the switch the lamps' glow is hidden; after it the gallery is lit.
    const DumpedFrame dark = ReadDumpedFrame(scratch.Path() / "frames", 200), lit = ReadDumpedFrame(scratch.Path() / "frames", 295);
    auto brightness = [](const DumpedFrame& f) {
        long sum = 0;
        for (std::uint32_t c : f.rgb) sum += ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF);
        return sum / static_cast<long>(f.rgb.size());
    };
    EXPECT_GT(brightness(lit), brightness(dark) + 10);
    // The epilogue's evening sky, then the option menu: the end.
    const int count = CountDumpedFrames(scratch.Path() / "frames");
    ASSERT_GE(count, 1300);
    int sky = 0;
    for (int n = 1100; n < 1300; n += 10) {
        const DumpedFrame f = ReadDumpedFrame(scratch.Path() / "frames", n);
        const std::uint32_t c = f.At(320, 20);
        sky += ((c >> 16) & 0xFF) > 180 && ((c >> 16) & 0xFF) > (c & 0xFF) + 50;
    }
    EXPECT_GE(sky, 5) << "the epilogue's sky";
    EXPECT_TRUE(MenuShown(ReadDumpedFrame(scratch.Path() / "frames", count)));
}

TEST(MineProgram, TheStreamAndTheFuseEndInTheMenu) {
    ScratchDir water;
    CopyPack(water);
    std::string log;
    // Straight on from the switch without the plank: into the stream.
    ASSERT_EQ(RunProgram(water, std::string(kToTheLamps) + "#300 key down UP\n+120 key up UP\n#520 quit\n", &log, 33,
                         "LUMORA_DEBUG=1 ", "--scene U07.ZELT"),
              0)
        << log;
    EXPECT_EQ(MissingInOrder(log, {"Universe 7: the lamps are lit", "Universe 7: into the water", "Universe: failed, back to the menu"}), "")
        << log;
    EXPECT_EQ(log.find("the plank is laid"), std::string::npos);

    ScratchDir fuse;
    CopyPack(fuse);
    // The grille opened, then nothing: twenty seconds later it goes off.
    ASSERT_EQ(RunProgram(fuse, std::string(kToTheLamps) + kToTheGrille + "#1800 quit\n", &log, 33, "LUMORA_DEBUG=1 ",
                         "--scene U07.ZELT"),
              0)
        << log;
    EXPECT_EQ(MissingInOrder(log, {"Universe 7: the grille is open, the fuse is burning", "Universe 7: the dynamite goes off",
                            "Universe: failed, back to the menu"}),
              "")
        << log;
    EXPECT_EQ(log.find("Universe 7: the end"), std::string::npos);
}
