// The whole game played by the real program from the script that
// `scripts/play --demo` replays (demo/play/journey.input), from a new player
// to the epilogue and the main options: in one run, and universe by universe,
// each run loading the automatic save the previous one left on its arrival,
// as a player coming back to the game would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "_ProgramTestSupport.h"

namespace fs = std::filesystem;

namespace {

// One universe's part of the journey: the scene it waits for, the lines
// that must appear while it is played, in order, and the last of them.
struct Leg {
    const char* list;
    std::vector<std::string> story;
};

const std::vector<Leg>& Legs() {
    static const std::vector<Leg> legs = {
        {"U01.ZELT",
         {"Universe 1: the card is taken", "Action=OuvrirBureau. NbDone=1", "Universe 1: Ernest is coming",
          "Action====================>Cando (MonterSurToit)", "Universe 1: the points set for the second track",
          "Universe 1: the train takes the second track", "Universe: leaving for 2"}},
        {"U02.ZELT",
         {"Cando (AcheterMarron)", "Cando (AcheterTicket)", "Cando (MarronToPie)", "Cando (TakeTicket)", "Cando (PoserPlanche)",
          "Cando (MonterDansTrain)", "Universe: leaving for 3"}},
        {"U03.ZELT",
         {"Action=DonnerPiece. NbDone=1", "Universe 3: the accordion stops", "Universe 3: the policeman's cinematic",
          "Universe 3: on to the caravans"}},
        {"U33.ZELT",
         {"Universe 33: the shutter is open", "Universe 33: the key in the drawer", "Universe 33: the clown looks in",
          "Universe 33: the matches are taken", "Universe 33: the projectionist's film", "Universe 33: the second film",
          "Universe 33: away on the bicycle", "Universe: leaving for 4"}},
        {"U04.ZELT",
         {"Universe 4: the gag is off", "Universe 4: the hole is plugged",
          "Universe 4: out of the boat", "Universe 4: the workshop is open", "Universe: leaving for 5"}},
        {"U05.ZELT",
         {"Universe 5: Mazout is awake", "Universe 5: Mazout is shut in",
          "Universe 5: the hall door is open", "Universe 5: the grille is down", "Universe 5: the flight towards the balloon",
          "Universe: leaving for 6"}},
        {"U06.ZELT",
         {"Universe 6: the heavy door opens", "Universe 6: the flowers are up, the doe is waiting",
          "Universe 6: following the doe", "Universe: leaving for 7"}},
        {"U07.ZELT",
         {"Universe 7: the lamps are lit", "Universe 7: the plank is laid across the stream",
          "Universe 7: the grille is open, the fuse is burning", "Universe 7: the fuse is out", "Universe 7: the end"}},
    };
    return legs;
}

// No box, nothing missing, no failure once a scene was loaded.
void ExpectClean(const std::string& log, const char* what) {
    const std::string played = log.substr(log.find("NbObjectTotal") == std::string::npos ? 0 : log.find("NbObjectTotal"));
    EXPECT_EQ(played.find("[message box]"), std::string::npos) << what << "\n" << played;
    EXPECT_EQ(played.find("not found"), std::string::npos) << what;
    EXPECT_EQ(played.find("not be found"), std::string::npos) << what;
    EXPECT_EQ(played.find("back to the menu"), std::string::npos) << what;
    EXPECT_EQ(log.find("LUMORA_INPUT input.txt"), std::string::npos) << what << ": a script line was not read";
}

std::string JourneyScript() {
    const std::string script = ReadWholeFile(LUMORA_JOURNEY_SCRIPT);
    EXPECT_FALSE(script.empty()) << LUMORA_JOURNEY_SCRIPT;
    return script;
}

// A run that loses its way would wait for ever for its next scene: it is
// stopped after five minutes.
int Play(const ScratchDir& scratch, const std::string& script, std::string* log) {
    return RunProgram(scratch, script, log, 33, "LUMORA_DEBUG=1 LUMORA_FRAMES= timeout 300 ");
}

// The player chosen after the welcome, the main options' load screen, the
// first game of the list (the automatic save, slot 0) loaded.
const char* const kLoadTheAutomaticSave =
    "#2 key press RETURN\n#130 click left 503 418\n"
    "#150 click left 320 141\n#165 click left 320 104\n#175 click left 236 423\n";

}  // namespace

TEST(Journey, EachUniverseFromTheSaveMadeOnItsArrival) {
    ASSERT_TRUE(fs::exists(fs::path(BinDir()) / "Data" / "U07" / "U07.ZELT")) << "the data pack is built";
    const std::string script = JourneyScript();
    ScratchDir scratch;
    CopyPack(scratch);
    const std::vector<Leg>& legs = Legs();
    for (std::size_t i = 0; i < legs.size(); ++i) {
        const Leg& leg = legs[i];
        const bool last = i + 1 == legs.size();
        // The station begins with a new player and a new game; every later
        // universe with the game its arrival saved. Each run stops once the
        // next arrival is saved in its turn.
        std::string run = i == 0 ? ScriptPart(script, "") : kLoadTheAutomaticSave + ScriptPart(script, leg.list);
        run += last ? "#1400 quit\n" : "wait scene " + std::string(legs[i + 1].list) + "\nwait game saved\n+1 quit\n";
        std::string log;
        ASSERT_EQ(Play(scratch, run, &log), 0) << leg.list << "\n" << log.substr(log.size() > 4000 ? log.size() - 4000 : 0);
        if (i > 0) {
            ASSERT_NE(log.find("LUMORA_INPUT mark \"SCENE " + std::string(leg.list)), std::string::npos) << log;
        }
        ASSERT_EQ(MissingInOrder(log, leg.story), "") << leg.list;
        const std::string next = last ? "OPTION MENU" : "SCENE " + std::string(legs[i + 1].list);
        EXPECT_NE(log.find("LUMORA_INPUT mark \"" + next), std::string::npos) << leg.list;
        ExpectClean(log, leg.list);
    }
}

// The same script played through in one run, as `scripts/play --demo` plays
// it: each universe's story after its scene has started, its arrival saved
// before it is left, and the main options after the epilogue.
TEST(Journey, OneRunFromANewGameToTheEpilogueAndTheMainOptions) {
    ASSERT_TRUE(fs::exists(fs::path(BinDir()) / "Data" / "U07" / "U07.ZELT")) << "the data pack is built";
    ScratchDir scratch;
    CopyPack(scratch);
    std::string log;
    ASSERT_EQ(Play(scratch, JourneyScript() + "#1400 quit\n", &log), 0) << log.substr(log.size() > 4000 ? log.size() - 4000 : 0);
    std::size_t from = 0;
    for (const Leg& leg : Legs()) {
        const std::size_t scene = log.find("LUMORA_INPUT mark \"SCENE " + std::string(leg.list), from);
        ASSERT_NE(scene, std::string::npos) << leg.list << " never started";
        std::size_t end = scene;
        ASSERT_EQ(MissingInOrder(log, leg.story, scene, &end), "") << leg.list;
        if (leg.list != std::string("U01.ZELT")) {
            const std::size_t saved = log.find("LUMORA_INPUT mark \"GAME SAVED", scene);
            EXPECT_LT(saved, end) << leg.list << ": its arrival was not saved before it was left";
        }
        from = end;
    }
    EXPECT_NE(log.find("LUMORA_INPUT mark \"OPTION MENU", from), std::string::npos) << "no main options after the epilogue";
    ExpectClean(log, "the whole journey");
}
