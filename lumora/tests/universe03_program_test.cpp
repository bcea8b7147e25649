// The real program at the fair, with scripted input. A new player starts a
// new game whose first scene is the fairground (universe 3) or the caravan
// at dusk (universe 33): the day's puzzle up to the policeman's cinematic
// and the move to the caravans; the dusk's puzzle through the caravan, the
// cinema with its countdown and its film played in place, to the bicycle
// and the request of universe 4; each way of failing at dusk; the film with
// its file missing; and the two paintings of the fair seen from the gallery.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "_GameTestSupport.h"
#include "_ProgramTestSupport.h"

namespace fs = std::filesystem;

namespace {

// A new player, then a new game (whose first scene the pack's "APP.CFG"
// names; the player's choice makes the inventory).
const char* const kNewGame =
    "#2 key press RETURN\n"
    "#150 text Eve\n"
    "#160 click left 503 418\n"
    "#180 key down ESCAPE\n"
    "+2 key up ESCAPE\n"
    "#200 click left 320 101\n";

// At dusk: the shutter, in through the door, the drawer, its key, the
// trunk opened with it (the clown wakes: twenty seconds).
const char* const kToTheTrunk =
    "#350 click left 165 240\n"
    "#420 click left 330 280\n"
    "#600 click left 160 222\n"
    "#690 click left 127 214\n"
    "#710 click left 520 300\n";

// Behind the curtain until the clown has looked in and gone; out, the
// jack-in-the-box, its matches (back into the inventory), the trunk pushed
// from the back door, out to the cinema; the projectionist asks for matches
// and gets them: his film.
const char* const kToTheFilm =
    "#900 click left 628 440\n"
    "#1700 click left 320 240\n"
    "#1800 click left 535 200\n"
    "#1900 click left 590 233\n"
    "#1960 key press SPACE\n"
    "#1990 click left 400 450\n"
    "#2030 click left 520 300\n"
    "#2100 click left 530 100\n"
    "#2300 click left 240 380\n"
    "#2420 key press SPACE\n"
    "#2450 click left 181 450\n"
    "#2470 click left 240 380\n";

// The red bench for the second film, then the policeman.
const char* const kToThePoliceman =
    "#3150 click left 320 450\n"
    "#3650 click left 550 300\n";

struct FairRun {
    int status = -1;
    std::string log;
    ScratchDir scratch;
};

// Runs a new game starting in `firstScene` with `script` after the new
// player, with the debug output; without `dumps` no frame is written.
// `prepare` may change the scratch pack first.
void Play(FairRun& run, const char* firstScene, const std::string& script, bool dumps,
          void (*prepare)(const ScratchDir&) = nullptr) {
    CopyPack(run.scratch);
    run.scratch.Write("data/APP.CFG", std::string("[SCENE]\r\nFIRST=") + firstScene + "\r\n");
    if (prepare) prepare(run.scratch);
    run.status = RunProgram(run.scratch, std::string(kNewGame) + script, &run.log, 33,
                            dumps ? "LUMORA_DEBUG=1 " : "LUMORA_DEBUG=1 LUMORA_FRAMES= ");
}

int Count(const std::string& log, const std::string& what) {
    int n = 0;
    for (std::size_t at = log.find(what); at != std::string::npos; at = log.find(what, at + 1)) ++n;
    return n;
}

// Message boxes once the first scene is loaded, up to `until` (the end
// when empty).
int BoxesInPlay(const std::string& log, const std::string& until = "") {
    const std::size_t from = log.find("NbObjectTotal");
    const std::size_t to = until.empty() ? log.size() : log.find(until);
    int n = 0;
    for (std::size_t at = log.find("[message box]", from); at != std::string::npos && at < to; at = log.find("[message box]", at + 1))
        ++n;
    return n;
}

int Pixels(const DumpedFrame& f, bool (*match)(int r, int g, int b)) {
    int n = 0;
    for (std::uint32_t c : f.rgb) n += match(static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c & 0xFF));
    return n;
}

bool Gold(int r, int g, int b) { return r > 200 && g > 160 && g < 215 && b < 120; }
bool DaySky(int r, int g, int b) { return b > 200 && r < 150 && g > 160; }
bool White(int r, int g, int b) { return r > 215 && g > 215 && b > 200; }

}  // namespace

TEST(FairProgram, DayPuzzleToTheCinematicAndTheCaravans) {
    FairRun run;
    Play(run, "U03.ZELT",
         "#450 click left 320 300\n"  // the policeman hears nothing
         "#610 key press SPACE\n"
         "#650 click left 181 450\n"  // the coin from the inventory
         "#670 click left 580 350\n"  // given to the accordion clown
         "#910 click left 55 320\n"   // the policeman, in the quiet
         "#1360 quit\n",
         true);
    ASSERT_EQ(run.status, 0) << run.log;
    EXPECT_EQ(MissingInOrder(run.log, {"Universe: U03_01 says d2_01", "Cando (FlicSalut)", "Universe: U03_09 says d2_05",
                                       "Sender=U01_19", "Action=DonnerPiece. NbDone=1", "Cando (AnimeSpeakClown)",
                                       "Universe 3: the accordion stops", "Universe: U03_02 says d2_04",
                                       "Action=FlicLaissePasser. NbDone=1", "Cando (FlicSalut)", "Universe: U03_09 says d2_06",
                                       "Cando (DoCinematiqueFlic)", "Universe 3: the policeman's cinematic",
                                       "Universe 3: on to the caravans", "Universe 33: the caravan at dusk"}),
              "")
        << run.log;
    // The action handing over both names ran each handler once.
    EXPECT_EQ(Count(run.log, "the policeman's cinematic"), 1);
    EXPECT_EQ(Count(run.log, "says d2_06"), 1);
    EXPECT_EQ(BoxesInPlay(run.log), 0) << run.log;
    EXPECT_EQ(run.log.find("not found"), std::string::npos) << run.log;
    // The new visits saved the game automatically, in slot 0.
    EXPECT_TRUE(fs::exists(run.scratch.Path() / "save" / "User_0" / "Gamesave.0"));

    const fs::path frames = run.scratch.Path() / "frames";
    // The coin in the inventory's first slot, then on its way to the clown.
    const DumpedFrame panel = ReadDumpedFrame(frames, 640);
    int coin = 0;
    for (int y = 425; y < 476; ++y)
        for (int x = 156; x < 207; ++x) coin += Gold(static_cast<int>((panel.At(x, y) >> 16) & 0xFF), static_cast<int>((panel.At(x, y) >> 8) & 0xFF),
                                                     static_cast<int>(panel.At(x, y) & 0xFF));
    EXPECT_GT(coin, 500);
    // The cinematic flies: pictures far apart, the day's sky above; then the
    // caravan at dusk under its dark sky.
    const DumpedFrame a = ReadDumpedFrame(frames, 1050), b = ReadDumpedFrame(frames, 1100);
    EXPECT_LT(Agreement(a, b), 0.6);
    EXPECT_GT(Pixels(a, DaySky), 640 * 480 / 10);
    EXPECT_LT(Pixels(ReadDumpedFrame(frames, 1350), DaySky), 1000);
}

TEST(FairProgram, DuskPuzzleThroughTheCinemaToTheBicycle) {
    FairRun run;
    Play(run, "U33.ZELT",
         std::string(kToTheTrunk) + kToTheFilm + kToThePoliceman +
             "#3860 click left 200 335\n"  // the bicycle, while he is away
             "#4000 quit\n",
         true);
    ASSERT_EQ(run.status, 0) << run.log;
    EXPECT_EQ(MissingInOrder(run.log, {"Universe 33: the caravan at dusk", "Universe 33: the shutter is open",
                                       "Universe 33: inside the caravan", "Universe 33: the key in the drawer",
                                       "Action=OuvrirMalle. NbDone=1", "Universe 33: the clown is coming",
                                       "Universe 33: hidden behind the curtain", "Universe 33: the clown looks in",
                                       "Universe 33: the clown has gone back out", "Universe 33: out from behind the curtain",
                                       "Universe 33: the jack-in-the-box springs up", "Universe 33: the matches are taken",
                                       "Universe 33: the trunk is pushed aside", "Universe 33: out to the cinema",
                                       "Universe: U03_01 says d2_12", "Sender=U03_27", "Universe: U03_01 says d2_13",
                                       "Universe 33: countdown 8", "Universe 33: countdown 10", "Universe 33: countdown 7",
                                       "Universe 33: countdown 9", "Universe 33: countdown 6", "Universe 33: countdown 10",
                                       "Universe 33: countdown 5", "Universe 33: countdown 9", "Universe 33: countdown 4",
                                       "Universe 33: countdown 10", "Universe 33: countdown 3", "Universe 33: countdown 9",
                                       "Universe 33: countdown 2", "Universe 33: countdown 10", "Universe 33: countdown 1",
                                       "Universe 33: the projectionist's film", "Action=FilmFini. NbDone=1",
                                       "Cando (DoCinema)", "Universe 33: countdown 8", "Universe 33: the second film",
                                       "Cando (AttenteFinFlicParle)", "Universe: U03_09 says d2_14",
                                       "Universe 33: the policeman does his round", "Cando (TransitionVelo)",
                                       "Universe 33: away on the bicycle", "Universe: leaving for 4"}),
              "")
        << run.log;
    EXPECT_EQ(run.log.find("back to the menu"), std::string::npos);
    // Nothing missing and no message in the whole visit (universe 4 is asked
    // for at the end: what happens there is its own business).
    EXPECT_EQ(BoxesInPlay(run.log, "Universe: leaving for 4"), 0) << run.log;
    const std::string visit = run.log.substr(0, run.log.find("Universe: leaving for 4"));
    EXPECT_EQ(visit.find("not found"), std::string::npos) << visit;

    const fs::path frames = run.scratch.Path() / "frames";
    // Before the countdown the white screen; during it the screen's images,
    // darker; the film itself (the fairground by day) played in place.
    EXPECT_GT(Pixels(ReadDumpedFrame(frames, 2750), White), 3 * Pixels(ReadDumpedFrame(frames, 2850), White) + 1000);
    int filmPictures = 0;
    for (int n = 2900; n <= 3000; n += 5) filmPictures += Pixels(ReadDumpedFrame(frames, n), DaySky) > 640 * 480 / 10;
    EXPECT_GE(filmPictures, 3);
    // Seated afterwards facing the screen and the red bench.
    const DumpedFrame seated = ReadDumpedFrame(frames, 3100);
    EXPECT_GT(Pixels(seated, White), 640 * 480 / 6);
    EXPECT_GT(Pixels(seated, [](int r, int g, int b) { return r > 100 && g < 30 && b < 30; }), 5000);
}

TEST(FairProgram, EachFailureAtDusk) {
    {
        SCOPED_TRACE("waking the sleeping clown");
        FairRun run;
        Play(run, "U33.ZELT", "#350 click left 505 320\n#600 quit\n", false);
        ASSERT_EQ(run.status, 0) << run.log;
        EXPECT_EQ(MissingInOrder(run.log, {"Cando (DoGameOverClown1)", "Universe 33: the clown catches the player",
                                           "Universe: U03_02 says d2_11", "Universe: failed, back to the menu"}),
                  "")
            << run.log;
    }
    {
        SCOPED_TRACE("not hidden when the clown comes");
        FairRun run;
        Play(run, "U33.ZELT", std::string(kToTheTrunk) + "#1600 quit\n", false);
        ASSERT_EQ(run.status, 0) << run.log;
        EXPECT_EQ(MissingInOrder(run.log, {"Universe 33: the clown is coming", "Universe 33: the clown catches the player",
                                           "Universe: failed, back to the menu"}),
                  "")
            << run.log;
        EXPECT_EQ(run.log.find("hidden behind the curtain"), std::string::npos);
        EXPECT_EQ(run.log.find("Cando (DoGameOverClown1)"), std::string::npos) << "the gauge, not a click";
    }
    {
        SCOPED_TRACE("opening the door on the clown");
        FairRun run;
        Play(run, "U33.ZELT",
             std::string(kToTheTrunk) +
                 "#820 key down LEFT\n+52 key up LEFT\n"  // round to the door
                 "#890 click left 320 240\n"              // opened: he stands in it
                 "#990 click left 320 240\n"              // whatever comes next, he grabs
                 "#1200 quit\n",
             false);
        ASSERT_EQ(run.status, 0) << run.log;
        EXPECT_EQ(MissingInOrder(run.log, {"Cando (OuvrePorteClown)", "Universe 33: the clown stands in the doorway",
                                           "Universe 33: the clown catches the player", "Universe: failed, back to the menu"}),
                  "")
            << run.log;
        // The grabbing click went to no action.
        const std::string after = run.log.substr(run.log.find("stands in the doorway"));
        EXPECT_EQ(after.find("Found Receiver"), std::string::npos) << after;
    }
    {
        SCOPED_TRACE("the policeman back before the bicycle is gone");
        FairRun run;
        Play(run, "U33.ZELT", std::string(kToTheTrunk) + kToTheFilm + kToThePoliceman + "#4600 quit\n", false);
        ASSERT_EQ(run.status, 0) << run.log;
        EXPECT_EQ(MissingInOrder(run.log, {"Universe 33: the policeman does his round", "Universe 33: the policeman is back",
                                           "Universe: U03_09 says d2_16", "Universe: failed, back to the menu"}),
                  "")
            << run.log;
        EXPECT_EQ(run.log.find("leaving for 4"), std::string::npos);
    }
}

TEST(FairProgram, FilmInPlaceWithItsFileMissing) {
    FairRun run;
    Play(run, "U33.ZELT", std::string(kToTheTrunk) + kToTheFilm + "#3150 click left 320 450\n#3250 quit\n", false,
         [](const ScratchDir& scratch) { fs::remove(scratch.Path() / "data" / "Video" / "U33_01.AVI"); });
    ASSERT_EQ(run.status, 0) << run.log;
    EXPECT_EQ(MissingInOrder(run.log, {"Universe 33: countdown 1", "Universe 33: the projectionist's film", "File not found"}), "")
        << run.log;
    // Back in the scene at once: nothing of the film runs (not the action
    // it would free the bench with), no box, and the game goes on: the
    // bench stays out of use.
    const std::string after = run.log.substr(run.log.find("File not found"));
    EXPECT_EQ(after.find("Error: CinreyMovie"), std::string::npos);
    EXPECT_EQ(run.log.find("FilmFini"), std::string::npos);
    EXPECT_EQ(run.log.find("Cando (DoCinema)"), std::string::npos);
    EXPECT_EQ(BoxesInPlay(run.log), 0) << run.log;
}

// A player who has reached the fair's second part sees its two paintings;
// each painting's place: the ambience, the viewpoint, and clicks that do
// nothing.
TEST(FairProgram, PaintingsOfTheFair) {
    ScratchDir scratch;
    CopyPack(scratch);
    // universe of the last save
    ASSERT_TRUE(WritePlayerWhoReached(scratch.Path() / "save", 33));
    std::string log;
    const int status = RunProgram(scratch,
                                  "#2 key press RETURN\n"
                                  "#130 click left 503 418\n"
                                  "#150 click left 320 261\n"  // the gallery
                                  "#170 click left 534 122\n"  // "U12_04"
                                  "#190 click left 372 441\n"  // its place
                                  "#240 click left 320 240\n"
                                  "#250 click left 100 300\n"
                                  "#270 key down ESCAPE\n+2 key up ESCAPE\n"
                                  "#300 click left 428 122\n"  // "U12_03"
                                  "#320 click left 372 441\n"
                                  "#380 quit\n",
                                  &log, 33, "LUMORA_AUDIO=audio.wav LUMORA_DEBUG=1 ");
    ASSERT_EQ(status, 0) << log;
    EXPECT_EQ(log.find("not found"), std::string::npos) << log;
    EXPECT_EQ(log.find("no viewpoint"), std::string::npos) << log;
    // The camera where each painting was made; the clicks picked nothing up.
    const std::size_t dusk = log.find("x=320.980 y=-92.880 z=68.830 theta=-1.6800 phi=2.0500");
    ASSERT_NE(dusk, std::string::npos) << log;
    const std::size_t day = log.find("x=449.350 y=-232.520 z=68.830 theta=-8.0400 phi=2.1100", dusk);
    ASSERT_NE(day, std::string::npos) << log;
    EXPECT_EQ(log.find("Found Receiver", dusk), std::string::npos);
    EXPECT_EQ(log.find("Cando", dusk), std::string::npos);
    // Each painting's place looks up into its sky: the night over the
    // caravan's roof, the day over the big top.
    const fs::path frames = scratch.Path() / "frames";
    const DumpedFrame night = ReadDumpedFrame(frames, 230), noon = ReadDumpedFrame(frames, 360);
    EXPECT_GT(Pixels(night, [](int r, int, int b) { return b > r + 20 && b < 150; }), 640 * 480 / 3);
    EXPECT_GT(Pixels(night, [](int r, int g, int b) { return r > 90 && g < 50 && b < 50; }), 3000) << "the caravan's roof";
    // None of the night's people or props in the still view: nothing pale
    // (the sleeping clown's face, the lantern, the moths) but the cursor.
    EXPECT_LT(Pixels(night, [](int r, int g, int b) { return std::min({r, g, b}) > 150; }), 200);
    EXPECT_GT(Pixels(noon, DaySky), 640 * 480 / 3);
    EXPECT_GT(Pixels(noon, [](int r, int g, int b) { return r > 150 && g < 70 && b < 70; }), 10000) << "the big top";
    // The ambience "s2_01" is heard there.
    const std::string audio = ReadWholeFile((scratch.Path() / "audio.wav").string());
    ASSERT_GT(audio.size(), 44u);
    std::int16_t channels = 0;
    std::int32_t rate = 0;
    std::memcpy(&channels, audio.data() + 22, 2);
    std::memcpy(&rate, audio.data() + 24, 4);
    ASSERT_GT(channels, 0);
    const std::size_t step = 2 * static_cast<std::size_t>(channels), data = audio.find("data") + 8;
    const std::size_t from = data + static_cast<std::size_t>(205 * 33) * static_cast<std::size_t>(rate) / 1000 * step;
    const std::size_t to = data + static_cast<std::size_t>(265 * 33) * static_cast<std::size_t>(rate) / 1000 * step;
    ASSERT_LT(to, audio.size());
    double sum = 0;
    for (std::size_t at = from; at + 2 <= to; at += step) {
        std::int16_t v = 0;
        std::memcpy(&v, audio.data() + at, 2);
        sum += static_cast<double>(v) * v;
    }
    EXPECT_GT(std::sqrt(sum / static_cast<double>((to - from) / step)), 100.0);
}
