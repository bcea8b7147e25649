// The real program in Paris (universe 5), with scripted input: the arrival
// (the flight in from the forecourt and the automatic save), the whole
// puzzle (the bell, the ticket, the left-luggage room and Mazout woken,
// the puppy, Mazout shut in, the hall door, the lamp and the grille) and
// the flight towards the balloon, up to the request of universe 6; Mazout
// catching a player who lets the gauge run out; and the two paintings of
// the place opened from the gallery.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "_GameTestSupport.h"
#include "_ProgramTestSupport.h"

namespace fs = std::filesystem;

namespace {

// From the start to Mazout woken (the gauge starts about frame 870). The
// opening ends about frame 245 before the counter; the bell, then the
// ticket the station master puts down, then a turn left to the
// left-luggage door, opened with the ticket.
const char* const kToMazout =
    "#2 key press RETURN\n"
    "#120 click left 320 240\n"  // during the opening: held back
    "#260 click left 208 300\n"  // the bell
    "#570 click left 483 298\n"  // the ticket
    "#590 key down LEFT\n+22 key up LEFT\n"
    "#630 move 300 250\n"
    "#650 click left 300 250\n";  // the door, with the ticket

// Then the puppy runs into the room and Mazout after it; the door shut on
// him; to the hall door and through; the lamp, the grille, and north.
const char* const kToTheFlight =
    "#880 key down RIGHT\n+13 key up RIGHT\n"
    "#905 click left 300 360\n"   // the puppy
    "#1200 click left 338 250\n"  // the open door, shut
    "#1420 key down RIGHT\n+15 key up RIGHT\n"
    "#1440 key down UP\n+200 key up UP\n"
    "#1670 click left 400 250\n"  // the hall door
    "#1730 key down RIGHT\n+4 key up RIGHT\n"
    "#1740 key down UP\n+40 key up UP\n"
    "#1785 key down RIGHT\n+4 key up RIGHT\n"
    "#1810 click left 215 170\n"  // the lamp
    "#1870 click left 140 300\n"  // a bar of the grille
    "#1900 key down UP\n+185 key up UP\n";

// Runs the program in a copy of the pack, straight into Paris (with a dump
// of every frame when asked); the debug output, or "failed: " and it when
// the program did not end well.
std::string RunParis(const ScratchDir& scratch, const std::string& script, bool frames) {
    CopyPack(scratch);
    return RunScene(scratch, "U05.ZELT", script, frames);
}

// Pixels of a frame close to a colour (each channel within 24).
int Pixels(const DumpedFrame& f, int r, int g, int b) {
    int n = 0;
    for (std::uint32_t c : f.rgb) {
        const int cr = static_cast<int>((c >> 16) & 0xFF), cg = static_cast<int>((c >> 8) & 0xFF), cb = static_cast<int>(c & 0xFF);
        n += std::abs(cr - r) < 24 && std::abs(cg - g) < 24 && std::abs(cb - b) < 24;
    }
    return n;
}

int Red(const DumpedFrame& f) {
    int n = 0;
    for (std::uint32_t c : f.rgb) n += ((c >> 16) & 0xFF) > 150 && ((c >> 8) & 0xFF) < 90 && (c & 0xFF) < 90;
    return n;
}

bool GaugeShows(const DumpedFrame& f) {
    if (f.rgb.empty()) return false;
    const std::uint32_t c = f.At(12, 15);
    return ((c >> 16) & 0xFF) > 200 && ((c >> 8) & 0xFF) < 60;
}

}  // namespace

TEST(ParisProgram, ThePuzzleThroughToTheFlightAndTheNextUniverse) {
    ASSERT_TRUE(fs::exists(fs::path(BinDir()) / "Data" / "U05" / "U05.ZELT")) << "the data pack is built with the program";
    ScratchDir scratch;
    const std::string log = RunParis(scratch, std::string(kToMazout) + kToTheFlight + "#2400 quit\n", true);
    ASSERT_NE(log.rfind("failed: ", 0), 0u) << log;
    EXPECT_EQ(MissingInOrder(log, {"Universe 5: arrived in Paris", "Cando (AfficheChefEtChiot)", "Universe: U05_02 says d4_01",
                        "Action=PrendreTicket. NbDone=1", "Cando (OuvrePorteConsigne)", "Universe: U04_04 says d4_03",
                        "Universe 5: Mazout is awake", "Cando (AfficheCariolle)", "Cando (ChienVersPorte)",
                        "Universe: U04_04 says d4_05", "Cando (FermePorteConsigne)", "Universe 5: Mazout is shut in",
                        "Cando (OuvrePorteSalle)", "Cando (LampeTombe)", "Cando (MaskGrille)", "Universe 5: the grille is down",
                        "Universe 5: the flight towards the balloon", "Universe: leaving for 6"}), "") << log;
    // Each handler ran once, though the ticket's action hands over two names.
    EXPECT_EQ(log.find("Cando (OuvrePorteConsigne)", log.find("Cando (OuvrePorteConsigne)") + 1), std::string::npos);
    EXPECT_EQ(log.find("Receiver = *U05_12", 0), log.rfind("Receiver = *U05_12")) << "the click during the opening was held back";
    EXPECT_EQ(log.find("too late"), std::string::npos);
    // Up to the request of universe 6 (which may not be in the pack yet):
    // no message and nothing missing.
    const std::string paris = log.substr(log.find("NbObjectTotal"), log.find("Universe: leaving for 6") - log.find("NbObjectTotal"));
    EXPECT_EQ(paris.find("[message box]"), std::string::npos) << paris;
    EXPECT_EQ(paris.find("not found"), std::string::npos) << paris;
    // The arrival saved the game in slot 0.
    EXPECT_TRUE(fs::exists(scratch.Path() / "save" / "User_0" / "Gamesave.0"));

    const fs::path frames = scratch.Path() / "frames";
    // The station master (his navy uniform) comes to his counter when rung for.
    EXPECT_LT(Pixels(ReadDumpedFrame(frames, 250), 8, 16, 48), 200);
    EXPECT_GT(Pixels(ReadDumpedFrame(frames, 560), 8, 16, 48), 1000);
    // The gauge runs while Mazout is awake and stops once he is shut in.
    EXPECT_FALSE(GaugeShows(ReadDumpedFrame(frames, 640)));
    EXPECT_TRUE(GaugeShows(ReadDumpedFrame(frames, 1000)));
    EXPECT_FALSE(GaugeShows(ReadDumpedFrame(frames, 1500)));
    // The grille's dark bars fill the view, then are gone.
    const int bars = Pixels(ReadDumpedFrame(frames, 1865), 8, 8, 16), after = Pixels(ReadDumpedFrame(frames, 1895), 8, 8, 16);
    EXPECT_GT(bars, 40000);
    EXPECT_LT(after, bars / 4);
    // The flight: the balloon grows as the camera rises towards it.
    EXPECT_GT(Red(ReadDumpedFrame(frames, 2290)), 2 * Red(ReadDumpedFrame(frames, 2060)) + 500);
}

TEST(ParisProgram, MazoutCatchesThePlayerWhenTheGaugeRunsOut) {
    ScratchDir scratch;
    const std::string log = RunParis(scratch, std::string(kToMazout) + "#2450 quit\n", false);
    ASSERT_NE(log.rfind("failed: ", 0), 0u) << log;
    EXPECT_EQ(MissingInOrder(log, {"Universe 5: Mazout is awake", "Universe 5: too late, Mazout has caught the player",
                        "Universe: U04_04 says d4_10", "Universe: failed, back to the menu"}), "") << log;
    EXPECT_EQ(log.find("[message box]", log.find("NbObjectTotal")), std::string::npos) << log;
    EXPECT_EQ(log.find("leaving for"), std::string::npos);
}

// A player who has reached Paris opens its two paintings from the gallery:
// each place is the scenery seen from where it was painted.
TEST(ParisProgram, ThePaintingsOfParisOpenTheirPlaces) {
    ScratchDir scratch;
    CopyPack(scratch);
    // universe of the last save
    ASSERT_TRUE(WritePlayerWhoReached(scratch.Path() / "save", 5));
    std::string log;
    const int status = RunProgram(scratch,
                                  "#2 key press RETURN\n"
                                  "#130 click left 503 418\n"
                                  "#150 click left 320 261\n"  // the gallery
                                  "#170 click left 534 290\n"  // the fifteenth painting
                                  "#190 click left 372 441\n"  // its place
                                  "#240 key down ESCAPE\n+2 key up ESCAPE\n"
                                  "#270 click left 110 374\n"  // the sixteenth
                                  "#290 click left 372 441\n"
                                  "#340 quit\n",
                                  &log, 33, "LUMORA_DEBUG=1 ");
    ASSERT_EQ(status, 0) << log;
    EXPECT_EQ(MissingInOrder(log, {"Pilot: x=680.450 y=-135.730 z=45.830", "Pilot: x=226.370 y=-1075.790 z=47.580"}), "") << log;
    EXPECT_EQ(log.find("not found"), std::string::npos) << log;
    EXPECT_EQ(log.find("U05D.ZELT\n\n( File"), std::string::npos) << log;
}
