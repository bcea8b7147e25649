// The station played through by the real program, from the script that
// `scripts/play --demo` replays (the station's part of demo/play/journey.input): the intro
// pictures, a new player, the painter's welcome in the garden, a new game,
// the prologue, and every step of the station's puzzle up to the train
// leaving on the second track for the next universe. Two games are saved on
// the way through the game's own screens; second program runs on the same
// save folder look at the gallery and the painting's place, then load them:
// the first is played on to Ernest finding the player (back to the menu's
// load screen), the second rides on to the end of the second track.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "_GameTestSupport.h"
#include "_ProgramTestSupport.h"
#include "lumora/engine/InfoTables.h"
#include "lumora/game/XInventoryPanel.h"
#include "lumora/shell/ChunkFile.h"

namespace fs = std::filesystem;

namespace {

int Count(const std::string& log, const std::string& what) {
    int n = 0;
    for (std::size_t at = log.find(what); at != std::string::npos; at = log.find(what, at + 1)) ++n;
    return n;
}

// The walker's last trace line before `before` (the whole log by default),
// and the first one after `after`.
std::string LastPilotLine(const std::string& log, std::size_t before = std::string::npos) {
    const std::size_t at = log.rfind("Pilot: ", before);
    if (at == std::string::npos) return "";
    return log.substr(at, log.find('\n', at) - at);
}

std::string FirstPilotLineAfter(const std::string& log, std::size_t after) {
    const std::size_t at = log.find("Pilot: ", after);
    if (at == std::string::npos) return "";
    return log.substr(at, log.find('\n', at) - at);
}

// x, y, z of a trace line.
bool PlaceOf(const std::string& pilotLine, float* at) {
    return std::sscanf(pilotLine.c_str(), "Pilot: x=%f y=%f z=%f", &at[0], &at[1], &at[2]) == 3;
}

// The eye position a saved game holds.
bool SavedEye(const fs::path& saved, float* eye) {
    XCameraStateRecord camera;
    if (ReadChunks(saved.string(), [&](XChunkFile* f) { return ReadCameraState(*f, camera); }) != 1) return false;
    for (int i = 0; i < 3; ++i) eye[i] = camera.m_Position[i];
    return true;
}

// Whether a rectangle of two frames holds the same pixels.
bool SameRegion(const DumpedFrame& a, int ax, int ay, const DumpedFrame& b, int bx, int by, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (Reduce(a.At(ax + x, ay + y)) != Reduce(b.At(bx + x, by + y))) return false;
    return true;
}

// The later runs: the player chosen after the welcome, then the main options.
const char* const kGallery =
    "#2 key press RETURN\n#130 click left 503 418\n"
    "#150 click left 320 261\n#155 move 630 470\n"  // the gallery
    "#170 click left 110 122\n"                       // the station's painting
    "#185 click left 372 441\n"                       // its place
    "#200 click left 320 240\n"                       // a click there
    "#215 key down ESCAPE\n+2 key up ESCAPE\n"        // back to the gallery
    "#250 quit\n";
const char* const kReloadOffice =
    "#2 key press RETURN\n#130 click left 503 418\n"
    "#150 click left 320 141\n#165 click left 320 136\n#175 click left 236 423\n"  // the office (after the automatic save)
    "#215 move 295 310\n+1 click left\n"  // the time clock's card
    "#230 key down LEFT\n+22 key up LEFT\n#260 key down PAGEDOWN\n+5 key up PAGEDOWN\n"
    "#280 move 315 268\n+1 click left\n"  // dialled
    "#350 click left 315 268\n"           // the receiver lifted
    "#1600 quit\n";
const char* const kReloadTrain =
    "#2 key press RETURN\n#130 click left 503 418\n"
    "#150 click left 320 141\n#165 click left 320 168\n#175 click left 236 423\n"  // the train
    "#220 key down UP\n+250 key up UP\n"
    "#800 quit\n";

// The names carried in a saved game's inventory strip.
std::vector<std::string> SavedInventory(const fs::path& saved) {
    std::vector<std::string> names;
    ReadChunks(saved.string(), [&](XChunkFile* f) { return ReadInventoryChunk(f, &names); });
    return names;
}

// The second track and standing on the train, as saved.
bool SavedTrain(const fs::path& saved, std::int32_t* changed, std::int32_t* onTrain) {
    return ReadChunks(saved.string(), [&](XChunkFile* f) {
               std::int32_t fields[2] = {};
               if (!f->BeginReadChunk("TRAIN_CHANGED") || !f->Read(fields, sizeof fields)) return 0;
               *changed = fields[0];
               *onTrain = fields[1];
               return 1;
           }) == 1;
}

// Runs the program on `scratch` (pack copied in, save folder kept between
// runs) with `script`, debug output on; frames only when asked.
std::string Play(const ScratchDir& scratch, const std::string& script, bool frames, int* status) {
    std::string log;
    fs::remove_all(scratch.Path() / "frames");
    if (frames) fs::create_directories(scratch.Path() / "frames");
    *status = RunProgram(scratch, script, &log, 33,
                         std::string("LUMORA_DEBUG=1 LUMORA_AUDIO=audio.wav ") +
                             (frames ? "" : "LUMORA_FRAMES= ") + "timeout 300 ");
    return log;
}

}  // namespace

TEST(Playthrough, TheStationFromANewPlayerToTheTrainLeavingAndTheSavesOnTheWay) {
    ASSERT_TRUE(fs::exists(fs::path(BinDir()) / "Data" / "U01" / "U01.ZELT")) << "the data pack is built";
    // The journey's first part, up to the harbour reached.
    const std::string script = ScriptPart(ReadWholeFile(LUMORA_JOURNEY_SCRIPT), "") + "wait scene U02.ZELT\n#160 quit\n";
    ASSERT_GT(script.size(), 100u) << LUMORA_JOURNEY_SCRIPT;
    ScratchDir scratch;
    CopyPack(scratch);
    int status = 0;
    const std::string log = Play(scratch, script, false, &status);
    ASSERT_EQ(status, 0) << log;

    // ---- the story, in order ----
    std::size_t leaving = std::string::npos;
    EXPECT_EQ(MissingInOrder(log, {"sb01",                                      // the painter's welcome in the garden
              "Universe: U01_01 says d1_01",               // the prologue is over, the companion speaks
              "Action=MaireBienvenue. NbDone=1",           // the mayor's welcome
              "Universe 1: the mayor holds out his card",  //
              "Action====================>Cando (TakeCard)", "Universe 1: the card is taken",
              "Action====================>Cando (ClickMaire)",  // a word with the mayor
              "Action=OuvrirBureau. NbDone=1",                 // the card opens the office
              "Action====================>Cando (OpenDoor)",
              "Action====================>Cando (TakeCarteHorloge)",  // the time clock's card
              "Action=Composer. NbDone=1",                            // dialled
              "Action====================>Cando (ClicTel)",           // the receiver lifted
              "Action=AppelErnest. NbDone=1", "Universe 1: Ernest is coming",
              "Action=PrendreCle. NbDone=1",                        // Ernest's key
              "Action====================>Cando (MonterSurToit)",  // up the ladder in time
              "Action=OuvrirCoffret. NbDone=1",                     // the key opens the points cabinet
              "Action====================>Cando (OpenBoitier)",
              "Action=BaisserLevier. NbDone=1",  // its lever frees the points
              "Action====================>Cando (DoInterrupteur)",
              "Universe 1: the points set for the second track",
              "Universe 1: the train takes the second track",  // riding past the points
              "Universe: leaving for 2"}, 0, &leaving), "");
    ASSERT_NE(leaving, std::string::npos) << log;
    // The harbour reached, with its automatic save in slot 0: the note
    // carried in and the harbour's own chunk.
    const std::size_t arrived = log.find("Universe 2: arrived at the harbour", leaving);
    ASSERT_NE(arrived, std::string::npos) << log.substr(leaving);
    EXPECT_EQ(log.find("[message box]", leaving), std::string::npos) << log.substr(leaving);
    const std::string autosave = scratch.Read("save/User_0/Gamesave.0");
    EXPECT_NE(autosave.find("U02_01P"), std::string::npos);
    EXPECT_NE(autosave.find("TIMEVENDEUSE"), std::string::npos);
    EXPECT_EQ(log.find("too late"), std::string::npos) << "the roof was reached in time";
    EXPECT_EQ(Count(log, "the train takes the second track"), 1);
    // Nothing went wrong on the way: no box, no missing file or picture.
    const std::string played = log.substr(0, leaving);
    EXPECT_EQ(played.find("[message box]", played.find("NbObjectTotal")), std::string::npos) << played;
    EXPECT_EQ(played.find("not found"), std::string::npos) << played;
    EXPECT_EQ(played.find("not be found"), std::string::npos) << played;
    EXPECT_EQ(played.find("missing"), std::string::npos) << played;

    // ---- the two saved games ----
    const fs::path games = scratch.Path() / "save" / "User_0";
    const fs::path office = games / "Gamesave.1", train = games / "Gamesave.2";
    ASSERT_TRUE(fs::exists(office)) << log;
    ASSERT_TRUE(fs::exists(train)) << log;
    // The ticket is kept in the strip all along (the mayor's card went into
    // the office's lock, the time clock's card into the telephone, Ernest's
    // key is in hand on the train).
    EXPECT_EQ(SavedInventory(office), std::vector<std::string>{"U02_01P"});
    EXPECT_EQ(SavedInventory(train), std::vector<std::string>{"U02_01P"});
    std::int32_t changed = -1, riding = -1;
    ASSERT_TRUE(SavedTrain(office, &changed, &riding));
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(riding, 0);
    ASSERT_TRUE(SavedTrain(train, &changed, &riding));
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(riding, 1);
    // Where the walker stood when each was saved.
    float officeEye[3] = {}, trainEye[3] = {};
    ASSERT_TRUE(SavedEye(office, officeEye));
    ASSERT_TRUE(SavedEye(train, trainEye));
    EXPECT_NEAR(trainEye[0], 800.0f, 1.0f) << "on the second track, north of the points";
    EXPECT_GT(trainEye[1], 660.0f);

    // ---- a second run: the gallery and the painting's place ----
    // The gallery holds the paintings of the station and of the harbour
    // (the progress is the harbour); the station's place shows from the painting's viewpoint, a click there
    // does nothing and Escape goes back.
    {
        const std::string log1 = Play(scratch, kGallery, true, &status);
        ASSERT_EQ(status, 0) << log1;
        const fs::path frames = scratch.Path() / "frames";
        const DumpedFrame gallery = ReadDumpedFrame(frames, 165);
        ASSERT_EQ(gallery.width, 640);
        // The station's painting and the harbour's two (the player arrived
        // there) are shown; the fourth and fifth show the same veil as every
        // later one.
        for (const int x : {60, 166, 272}) EXPECT_FALSE(SameRegion(gallery, x, 84, gallery, 378, 84, 100, 76)) << x;
        EXPECT_TRUE(SameRegion(gallery, 484, 84, gallery, 378, 84, 100, 76));
        const std::size_t place = log1.find("Pilot: x=308.530 y=-508.200");
        ASSERT_NE(place, std::string::npos) << log1;
        EXPECT_NE(LastPilotLine(log1, log1.find('\n', place)).find("theta=1.5600"), std::string::npos);
        EXPECT_EQ(log1.find("Found Receiver", place), std::string::npos) << "a click in the painting's place picks nothing";
        EXPECT_LT(Agreement(ReadDumpedFrame(frames, 205), gallery), 0.5) << "the place, not the gallery";
        EXPECT_GT(Agreement(ReadDumpedFrame(frames, 245), gallery), 0.95) << "Escape: back to the gallery";
    }

    // ---- a third run: the game saved in the office ----
    // The walker stands where it was saved, takes the time clock's card,
    // dials, lifts the receiver and stays; Ernest finds the player and the
    // menu comes back.
    {
        const std::string log1 = Play(scratch, kReloadOffice, false, &status);
        ASSERT_EQ(status, 0) << log1;
        const std::size_t loaded = log1.find("Cannot to find the chunk Flag JAUGE");
        ASSERT_NE(loaded, std::string::npos) << log1;
        float at[3] = {};
        ASSERT_TRUE(PlaceOf(FirstPilotLineAfter(log1, loaded), at)) << log1;
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(at[i], officeEye[i], 0.01f) << i;
        EXPECT_EQ(MissingInOrder(log1, {"Action=PrendreCartePointeuse. NbDone=1", "Action=Composer. NbDone=1",
                                        "Action=AppelErnest. NbDone=1", "Universe 1: Ernest is coming",
                                        "Universe 1: too late, Ernest is back", "Universe: failed, back to the menu"},
                                 loaded),
                  "");
        EXPECT_EQ(log1.find("OuvrirBureau. NbDone=1", loaded), std::string::npos) << "the door was already open";
    }

    // ---- a fourth run: the game saved on the train ----
    // Standing on the train at once, already past the points: holding Up
    // rides to the end of the second track without changing track again.
    {
        const std::string log2 = Play(scratch, kReloadTrain, false, &status);
        ASSERT_EQ(status, 0) << log2;
        const std::size_t loaded = log2.find("Cannot to find the chunk Flag JAUGE");
        ASSERT_NE(loaded, std::string::npos) << log2;
        const std::string first = FirstPilotLineAfter(log2, loaded);
        EXPECT_NE(first.find("ground=*U01_20"), std::string::npos) << first;
        float at[3] = {};
        ASSERT_TRUE(PlaceOf(first, at)) << log2;
        EXPECT_NEAR(at[0], trainEye[0], 0.01f);
        EXPECT_NEAR(at[1], trainEye[1], 0.01f);
        EXPECT_NE(log2.find("Universe: leaving for 2", loaded), std::string::npos) << log2;
        EXPECT_EQ(log2.find("the train takes the second track"), std::string::npos);
        EXPECT_EQ(log2.substr(loaded, log2.find("Universe: leaving for 2") - loaded).find("[message box]"),
                  std::string::npos);
    }
}
