// The real program on the start universe (the test rooms), with scripted
// clicks: the door swings open creaking, a second click on it runs its
// alternative, the key is taken off the floor and opens the chest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "_EngineTestSupport.h"
#include "_ShellTestSupport.h"

namespace fs = std::filesystem;

namespace {

using Frame = FrameDump;

// Share of the pixels of a rectangle that differ between two frames (by
// more than `tolerance` in some channel).
double Changed(const Frame& a, const Frame& b, int x0, int y0, int x1, int y1, int tolerance = 0) {
    if (a.rgb.empty() || b.rgb.empty()) return -1;
    auto apart = [tolerance](std::uint32_t p, std::uint32_t q) {
        for (int shift : {0, 8, 16}) {
            const int d = static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF);
            if (d > tolerance || d < -tolerance) return true;
        }
        return false;
    };
    int changed = 0, total = 0;
    for (int y = y0; y < y1; y += 2)
        for (int x = x0; x < x1; x += 2) {
            ++total;
            if (apart(a.At(x, y), b.At(x, y))) ++changed;
        }
    return static_cast<double>(changed) / total;
}

bool Has(const std::string& log, const std::string& line) { return log.find(line) != std::string::npos; }

}  // namespace

TEST(ActionsProgram, TheDoorTheKeyAndTheChest) {
    const fs::path pack = fs::path(TestBinDir()) / "Data";
    ASSERT_TRUE(fs::exists(pack / "APP.BIN")) << "the data pack is built with the program";
    ScratchDir scratch;
    fs::copy(pack, scratch.Path() / "data", fs::copy_options::recursive);
    fs::create_directories(scratch.Path() / "frames");
    // Return answers the display dialog; the test rooms start from about
    // frame 10, facing east from the middle of room A. The walker turns to
    // the north and backs up to the south end, from where the door is in the
    // middle, the chest on the left and the key on the floor to the right.
    constexpr int kWalk = 160;  // frames taken by the walk
    auto when = [](int frame) { return "#" + std::to_string(frame + kWalk) + " "; };
    scratch.Write("input.txt",
                  "#2 key press RETURN\n"
                  "#22 key down LEFT\n"
                  "+26 key up LEFT\n"
                  "#50 key down DOWN\n"
                  "+114 key up DOWN\n" +
                  when(25) + "move 320 220\n"
                  "+1 click left\n" +         // the door: opens, creaking
                  when(100) + "click left 280 220\n" +  // the open door: rattles
                  when(110) + "move 515 364\n"
                  "+1 click left\n" +         // the key: taken
                  when(113) + "move 200 150\n" +  // the cursor, now the key, over the back wall
                  when(120) + "move 85 300\n"
                  "+5 click left\n" +         // the chest, key in hand: opens
                  when(150) + "click left 120 320\n" +  // again: nothing left to do
                  when(160) + "quit\n");
    const std::string command = "cd '" + scratch.Path().string() +
                                "' && LUMORA_BACKEND=headless LUMORA_CLOCK=fixed:33 LUMORA_INPUT=input.txt "
                                "LUMORA_FRAMES=frames LUMORA_AUDIO=audio.wav LUMORA_DEBUG=1 '" +
                                TestBinDir() + "/lumora' --data data --save save --scene U09.ZELT > run.log 2>&1";
    const int status = std::system(command.c_str());
    const std::string log = scratch.Read("run.log");
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << log;

    // What the clicks fired, in order.
    const char* const fired[] = {"Find Action OpenDoor",
                                 "Action=Unblock. NbDone=1",  // the doorway barrier, chained
                                 "Action=OpenDoor. NbDone=1",
                                 "......Action OpenDoor n'est pas active",
                                 "Find Action DoorRattle",
                                 "Find Action TakeKey",
                                 "......Action OpenChest: Sender=U09_06",  // the cursor carries the key
                                 "Find Action OpenChest",
                                 "......Action ChestLocked n'est pas active"};
    std::size_t at = 0;
    for (const char* line : fired) {
        const std::size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
        at = found;
    }
    EXPECT_FALSE(Has(log, "[message box]") && Has(log, "Internal error")) << log;

    auto frame = [&](int n) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.bmp", n + kWalk);
        return ReadFrameDump(scratch.Path() / "frames" / name);
    };
    // The doorway while the door swings (it takes two seconds at 15 frames
    // a second), and still once it is open.
    const Frame shut = frame(24), early = frame(40), later = frame(60), open1 = frame(94), open2 = frame(99);
    EXPECT_GT(Changed(shut, early, 258, 125, 382, 310), 0.05);
    EXPECT_GT(Changed(early, later, 258, 125, 382, 310), 0.05);
    EXPECT_GT(Changed(shut, open1, 258, 125, 382, 310), 0.3) << "room B shows through the doorway";
    EXPECT_LT(Changed(open1, open2, 300, 125, 382, 310), 0.02) << "the door has stopped";
    // The key leaves the floor when it is taken.
    EXPECT_GT(Changed(frame(108), frame(118), 482, 354, 556, 374), 0.5);
    EXPECT_LT(Changed(frame(118), frame(140), 482, 354, 556, 374), 0.05) << "and stays away";
    // The cursor shows the key's picture "U09_06C" (brass on white).
    auto keyPixels = [](const Frame& f) {
        int n = 0;
        for (std::uint32_t c : f.rgb) n += (c & 0xF8F8F8) == (0xC89632 & 0xF8F8F8);
        return n;
    };
    EXPECT_GT(keyPixels(frame(117)), keyPixels(frame(108)) + 40) << "before the key was taken";

    // The capture: silence, then the creak of the door (1.2 s) from the
    // first click, silence again until the rattle.
    int rate = 0;
    const std::vector<double> loud = Loudness(scratch.Read("audio.wav"), 0.1, &rate);
    ASSERT_GT(loud.size(), 30u);
    int start = -1, end = -1;
    for (std::size_t i = 0; i < loud.size(); ++i) {
        if (start < 0 && loud[i] > 100) start = static_cast<int>(i);
        if (start >= 0 && end < 0 && loud[i] < 20) end = static_cast<int>(i);
    }
    // Tenths of a second: the walk takes about 5.3 s.
    ASSERT_GE(start, 3 + kWalk * 33 / 100) << "nothing plays before the click";
    EXPECT_LE(start, 12 + kWalk * 33 / 100);
    EXPECT_GE(end - start, 10) << "about as long as the creak";
    EXPECT_LE(end - start, 14);
    double peak = 0;
    for (int i = start; i < end; ++i) peak = std::max(peak, loud[static_cast<std::size_t>(i)]);
    EXPECT_GT(peak, 1000);
}

// Save, quit, start again and load, all through the program's own screens:
// the door that was opened is open again, the walker stands where he
// stood, and the door's first action, done, gives way to its alternative.
TEST(ActionsProgram, ASavedGameBringsTheRoomsBack) {
    const fs::path pack = fs::path(TestBinDir()) / "Data";
    ASSERT_TRUE(fs::exists(pack / "APP.BIN"));
    ScratchDir scratch;
    fs::copy(pack, scratch.Path() / "data", fs::copy_options::recursive);
    auto run = [&](const std::string& frames, const std::string& script) {
        fs::create_directories(scratch.Path() / frames);
        scratch.Write("input.txt", script);
        const std::string command = "cd '" + scratch.Path().string() +
                                    "' && LUMORA_BACKEND=headless LUMORA_CLOCK=fixed:33 LUMORA_INPUT=input.txt "
                                    "LUMORA_FRAMES=" + frames + " LUMORA_DEBUG=1 '" + TestBinDir() +
                                    "/lumora' --data data --save save --scene U09.ZELT > run.log 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? scratch.Read("run.log") : "failed: " + scratch.Read("run.log");
    };
    auto frame = [&](const std::string& frames, int n) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.bmp", n);
        return ReadFrameDump(scratch.Path() / frames / name);
    };
    // First run: walk to the south end, open the door, then Escape, "yes,
    // save first", a name, Return, and quit.
    const std::string first = run("first",
                                  "#2 key press RETURN\n"
                                  "#22 key down LEFT\n+26 key up LEFT\n"
                                  "#50 key down DOWN\n+114 key up DOWN\n"
                                  "#185 move 320 220\n+1 click left\n"
                                  "#250 move 630 470\n"
                                  "#260 key down ESCAPE\n+2 key up ESCAPE\n"
                                  "#275 click left 230 297\n"
                                  "#290 text Porte\n"
                                  "#300 char 13\n"
                                  "#320 quit\n");
    ASSERT_EQ(first.rfind("failed", 0), std::string::npos) << first;
    ASSERT_NE(first.find("Find Action OpenDoor"), std::string::npos) << first;
    ASSERT_TRUE(fs::exists(scratch.Path() / "save" / "User_0" / "Gamesave.1") ||
                fs::exists(scratch.Path() / "save" / "User_0" / "Gamesave.0"))
        << first;
    const Frame saved = frame("first", 255);

    // Second run: the rooms as on a first visit (facing east, the door
    // shut); Escape, "no", "Charger", the first game, load.
    const std::string second = run("second",
                                   "#2 key press RETURN\n"
                                   "#40 move 630 470\n"
                                   "#45 key down ESCAPE\n+2 key up ESCAPE\n"
                                   "#60 click left 410 297\n"
                                   "#75 click left 320 141\n"
                                   "#90 click left 320 104\n"
                                   "#100 click left 236 423\n"
                                   "#130 move 630 470\n"
                                   "#150 move 275 220\n+1 click left\n"  // the open door
                                   "#190 quit\n");
    ASSERT_EQ(second.rfind("failed", 0), std::string::npos) << second;
    const Frame fresh = frame("second", 35), loaded = frame("second", 140);
    // (Shading may differ by a step where the light falls a little otherwise.)
    EXPECT_GT(Changed(fresh, saved, 0, 0, 640, 400, 24), 0.3) << "a first visit does not look like the saved game";
    EXPECT_LT(Changed(loaded, saved, 0, 0, 640, 400, 24), 0.05) << "the loaded game looks as it was saved";
    // The door's click after loading: OpenDoor is done, its alternative runs.
    const std::size_t click = second.find("Action: Found Receiver");
    ASSERT_NE(click, std::string::npos) << second;
    EXPECT_NE(second.find("Find Action DoorRattle", click), std::string::npos) << second;
    EXPECT_EQ(second.find("Find Action OpenDoor", click), std::string::npos) << second;
}
