// The real program in the harbour station (universe 2), with scripted
// input. A new visit arrives by the kiosk and saves in slot 0 with the
// 100-franc note in the inventory; the whole puzzle is played through to
// boarding the train (the bell, the note refused by the clerk and taken
// back, chestnuts and change from the seller, the ticket, the shed's door
// and plank, the magpie stealing the ticket and trading it for chestnuts,
// the plank laid over the water, the walk up onto the platform, the ticket
// to the controller) and ends with the request for universe 3. Walking onto
// the dock water and letting the departure gauge run out both end in the
// menu; the two paintings of the harbour show their places from the gallery.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "_EngineTestSupport.h"
#include "_GameTestSupport.h"
#include "_ProgramTestSupport.h"
#include "_ShellTestSupport.h"

namespace fs = std::filesystem;

namespace {

// Runs the program straight into the harbour in a copy of the pack with
// `script` as its input and `msPerFrame` on the fixed clock; the debug
// output, or "failed: " and it when the program did not end well.
std::string RunHarbour(const ScratchDir& scratch, const std::string& script, int msPerFrame = 33) {
    CopyPack(scratch);
    return RunScene(scratch, "U02.ZELT", "#2 key press RETURN\n" + script, true, msPerFrame);
}

// The last walker line of the log.
std::string LastPilotLine(const std::string& log) {
    const std::size_t last = log.rfind("Pilot: ");
    return last == std::string::npos ? "" : log.substr(last, log.find('\n', last) - last);
}

int Differing(const FrameDump& a, const FrameDump& b) {
    if (a.rgb.size() != b.rgb.size()) return -1;
    int n = 0;
    for (std::size_t i = 0; i < a.rgb.size(); i += 7) n += (a.rgb[i] & 0xF8F8F8) != (b.rgb[i] & 0xF8F8F8);
    return n;
}

// The mean of the three channels over a sample of the picture.
double Brightness(const FrameDump& f) {
    double sum = 0;
    int n = 0;
    for (std::size_t i = 0; i < f.rgb.size(); i += 13, ++n)
        sum += static_cast<double>(((f.rgb[i] >> 16) & 0xFF) + ((f.rgb[i] >> 8) & 0xFF) + (f.rgb[i] & 0xFF)) / 3.0;
    return n ? sum / n : 0.0;
}

FrameDump Frame(const ScratchDir& scratch, int n) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.bmp", n);
    return ReadFrameDump(scratch.Path() / "frames" / name);
}

// From the arrival to the request of universe 3 (frames at 33 ms).
const char* const kPuzzle =
    "#170 click left 280 303\n"               // the bell on the counter
    "#260 key press SPACE\n#285 click left 181 450\n"  // the note in hand
    "#295 click left 320 250\n"               // to the clerk: no change
    "#400 click left 336 311\n"               // taken back from the counter
    "#480 key down RIGHT\n+18 key up RIGHT\n"
    "#510 click left 320 245\n"               // to the seller: chestnuts and change
    "#600 key down LEFT\n+18 key up LEFT\n"
    "#630 key press SPACE\n#655 click left 251 450\n"  // the change in hand
    "#665 click left 320 250\n"               // to the clerk: the ticket
    "#760 click left 379 311\n"               // taken from the counter
    "#800 key down RIGHT\n+26 key up RIGHT\n"
    "#830 key down UP\n+235 key up UP\n"      // east, to the shed
    "#1070 key press SPACE\n#1095 click left 540 450\n"  // the ticket put away
    "#1125 click left 320 300\n"              // the shed's door
    "#1250 click left 335 250\n"              // the plank inside
    "#1280 key down LEFT\n+10 key up LEFT\n"
    "#1300 key down UP\n+130 key up UP\n"     // towards the magpie's lamp
    "#1800 key press SPACE\n#1825 click left 181 450\n"  // chestnuts in hand
    "#1840 click left 320 28\n"               // to the magpie on its second lamp
    "#2000 click left 323 359\n"              // the ticket it dropped on the bench
    "#2050 key press SPACE\n#2075 click left 181 450\n"  // the plank in hand
    "#2090 key down RIGHT\n+6 key up RIGHT\n"
    "#2110 click left 320 350\n"              // laid over the water
    "#2150 key down UP\n+210 key up UP\n"     // up the plank onto the platform
    "#2370 key down LEFT\n+16 key up LEFT\n"
    "#2395 key press SPACE\n#2420 click left 181 450\n"  // the ticket in hand
    "#2435 click left 328 240\n";             // to the controller

}  // namespace

TEST(HarbourProgram, ArrivalSavesThenThePuzzleLeadsOntoTheTrainForRouen) {
    ASSERT_TRUE(fs::exists(fs::path(TestBinDir()) / "Data" / "U02" / "U02.ZELT")) << "the data pack is built with the program";
    ScratchDir scratch;
    const std::string log = RunHarbour(scratch, std::string(kPuzzle) + "#3150 quit\n");
    ASSERT_NE(log.rfind("failed: ", 0), 0u) << log;

    const std::string missing = MissingInOrder(
        log, {"Universe 2: arrived at the harbour", "Cando (Sonner)", "U02_04 says d1_18",
              "Cando (Donner100FrsAGuichetier)", "U02_04 says d1_20", "Cando (ReTake100Frs)", "Cando (AcheterMarron)",
              "Universe 2: chestnuts and change", "Cando (AcheterTicket)", "U02_04 says d1_21", "Cando (PieVoleur)",
              "Universe 2: the magpie has seen the ticket", "Cando (ClicDoor)", "Cando (TakePlanche)",
              "Universe 2: the magpie strikes", "Universe 2: the magpie sits on the lamp by the water",
              "Cando (MarronToPie)", "Universe 2: the magpie drops the ticket", "Cando (TakeTicket)",
              "Cando (PoserPlanche)", "Universe 2: the plank lies over the water", "Cando (MonterDansTrain)",
              "U02_02 says d1_33", "Universe 2: the controller lets the player in", "Universe: leaving for 3",
              "NbObjectTotal"});
    EXPECT_EQ(missing, "") << log;
    EXPECT_EQ(log.find("[message box]", log.find("NbObjectTotal")), std::string::npos) << log;
    EXPECT_EQ(log.find("not found"), std::string::npos) << log;
    EXPECT_EQ(log.find("fell into the water"), std::string::npos);
    EXPECT_EQ(log.find("back to the menu"), std::string::npos);
    // The seller called out on her own, and the snoring clerk was woken
    // by the bell, never by a click.
    EXPECT_NE(log.find("U02_03 says d1_1"), std::string::npos);
    EXPECT_EQ(log.find("Cando (ClickRonfle)"), std::string::npos);

    // The fair's arrival took the automatic save's slot: the coin it
    // hands over is in it, and the harbour's chunk is not.
    const std::string save = scratch.Read("save/User_0/Gamesave.0");
    ASSERT_FALSE(save.empty());
    EXPECT_NE(save.find("U01_19P"), std::string::npos);
    EXPECT_EQ(save.find("TIMEVENDEUSE"), std::string::npos);

    // The walker went up the plank: on the platform before boarding.
    const std::size_t boarding = log.find("Cando (MonterDansTrain)");
    const std::size_t before = log.rfind("Pilot: ", boarding);
    ASSERT_NE(before, std::string::npos);
    EXPECT_NE(log.substr(before, log.find('\n', before) - before).find("ground=Quai"), std::string::npos);
    // The magpie's flight and the camera following it change the picture;
    // the travel video's pictures differ from the carriage's.
    EXPECT_GT(Differing(Frame(scratch, 1400), Frame(scratch, 1600)), 3000);
    EXPECT_GT(Differing(Frame(scratch, 2540), Frame(scratch, 2650)), 3000);
}

TEST(HarbourProgram, WalkingOntoTheDockWaterEndsInTheMenu) {
    ScratchDir scratch;
    const std::string log = RunHarbour(scratch, "#170 key down RIGHT\n+8 key up RIGHT\n#190 key down UP\n+260 key up UP\n#700 quit\n");
    ASSERT_NE(log.rfind("failed: ", 0), 0u) << log;
    EXPECT_EQ(MissingInOrder(log, {"Universe 2: arrived at the harbour", "ground=*U02_08", "Universe 2: fell into the water",
                                   "Fall: ", "Universe: failed, back to the menu"}),
              "")
        << log;
    EXPECT_EQ(log.find("[message box]", log.find("NbObjectTotal")), std::string::npos) << log;
    // The automatic save of the arrival, slot 0, with the note carried in.
    const std::string save = scratch.Read("save/User_0/Gamesave.0");
    ASSERT_FALSE(save.empty());
    EXPECT_NE(save.find("U02_01P"), std::string::npos);
    EXPECT_NE(save.find("TIMEVENDEUSE"), std::string::npos);
    // Down in the water, looking down and turned about.
    const std::string last = LastPilotLine(log);
    EXPECT_NE(last.find("z=21.530"), std::string::npos) << last;
    EXPECT_NE(last.find("phi=0.5000"), std::string::npos) << last;
    // The light dims in the water and the picture fades out (the walker
    // steps onto the water at about frame 470), then the menu.
    EXPECT_LT(Brightness(Frame(scratch, 560)), Brightness(Frame(scratch, 440)) / 2);
    EXPECT_LT(Brightness(Frame(scratch, 600)), Brightness(Frame(scratch, 440)) / 3);
}

TEST(HarbourProgram, TheDepartureGaugeWarnsOnceThenTheTrainLeavesWithoutThePlayer) {
    ScratchDir scratch;
    // 100 ms a frame: the ninety seconds pass in 900 frames.
    const std::string log = RunHarbour(
        scratch, "#60 key down RIGHT\n+9 key up RIGHT\n#75 key down UP\n+70 key up UP\n#150 click left 324 218\n#1150 quit\n", 100);
    ASSERT_NE(log.rfind("failed: ", 0), 0u) << log;
    EXPECT_EQ(MissingInOrder(log, {"Cando (ClickControleur)", "U02_02 says d1_23", "Universe 2: the train leaves in 90 s",
                                   "U02_02 says d1_26", "Universe 2: the train has left", "U02_02 says d1_27",
                                   "Universe: failed, back to the menu"}),
              "")
        << log;
    const std::size_t warning = log.find("U02_02 says d1_26");
    EXPECT_EQ(log.find("U02_02 says d1_26", warning + 1), std::string::npos) << "warned once";
    EXPECT_EQ(log.find("[message box]", log.find("NbObjectTotal")), std::string::npos) << log;
}

TEST(HarbourProgram, ThePaintingsOfTheHarbourShowTheirPlaces) {
    ScratchDir scratch;
    CopyPack(scratch);
    // universe of the last save: the harbour's paintings are reached
    ASSERT_TRUE(WritePlayerWhoReached(scratch.Path() / "save", 2));
    std::string log;
    const int status = RunProgram(scratch,
                                  "#2 key press RETURN\n"
                                  "#130 click left 503 418\n"  // the known player: the main options
                                  "#150 click left 320 261\n"  // the gallery
                                  "#170 click left 216 122\n"  // "U11_02"
                                  "#190 click left 372 441\n"  // its place
                                  "#240 key down ESCAPE\n+2 key up ESCAPE\n"
                                  "#270 click left 322 122\n"  // "U11_03"
                                  "#290 click left 372 441\n"  // its place
                                  "#340 quit\n",
                                  &log, 33, "LUMORA_DEBUG=1 ");
    ASSERT_EQ(status, 0) << log;
    EXPECT_EQ(log.find("[message box]", log.find("NbObjectTotal")), std::string::npos) << log;
    EXPECT_EQ(log.find("U02D.ZELT"), std::string::npos) << "nothing missing: " << log;
    EXPECT_EQ(MissingInOrder(log, {"Pilot: x=652.360 y=153.880 z=78.930", "ground=Quai", "Pilot: x=408.000 y=-831.520 z=52.530",
                                   "ground=Place"}),
              "")
        << log;
    // The two places look different, and neither is the gallery.
    const FrameDump platform = Frame(scratch, 230), square = Frame(scratch, 330), gallery = Frame(scratch, 180);
    EXPECT_GT(Differing(platform, square), 3000);
    EXPECT_GT(Differing(platform, gallery), 3000);
    EXPECT_GT(Differing(square, gallery), 3000);
}
