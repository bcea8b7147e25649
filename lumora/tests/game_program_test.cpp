// One scripted run of the real program on a scratch copy of the data pack:
// the display dialog answered, the intro pictures, the start universe
// rendered, the debug page, Escape and the close button, quit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "_ShellTestSupport.h"
#include "platform/Bmp.h"

namespace fs = std::filesystem;

namespace {

std::string BinDir() {
    const char* bin = std::getenv("LUMORA_BIN");
    return bin && *bin ? bin : LUMORA_TEST_BIN_DIR;
}

struct Frame {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;  // 0xRRGGBB
    std::uint32_t At(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

Frame ReadFrame(const fs::path& path) {
    platform::BmpImage image;
    Frame f;
    if (!platform::ReadBmpFile(path.string().c_str(), &image)) return f;
    f.width = image.width;
    f.height = image.height;
    f.rgb = std::move(image.rgb);
    return f;
}

// The picture's colour reduced to five bits a channel, as a 16-bit frame holds it.
std::uint32_t Reduce(std::uint32_t c) { return c & 0xF8F8F8; }

// Share of sampled pixels (away from the cursor's corner) where two pictures agree.
double Agreement(const Frame& a, const Frame& b) {
    int same = 0, total = 0;
    for (int y = 40; y < 480; y += 16)
        for (int x = 200; x < 640; x += 16) {
            ++total;
            if (Reduce(a.At(x, y)) == Reduce(b.At(x, y))) ++same;
        }
    return static_cast<double>(same) / total;
}

// White pixels of the debug page's first line.
int DebugTextPixels(const Frame& f) {
    int n = 0;
    for (int y = 10; y < 18; ++y)
        for (int x = 10; x < 80; ++x)
            if (Reduce(f.At(x, y)) == 0xF8F8F8) ++n;
    return n;
}

// Runs the program on a scratch copy of the pack with an input script;
// returns the exit status and fills `log` with what it wrote.
// `env` adds variables, `data` replaces the data folder's name.
int RunProgram(const ScratchDir& scratch, const std::string& script, std::string* log, const std::string& env = "",
               const std::string& data = "data") {
    scratch.Write("input.txt", script);
    const std::string command = "cd '" + scratch.Path().string() +
                                "' && LUMORA_BACKEND=headless LUMORA_CLOCK=fixed:33 LUMORA_INPUT=input.txt "
                                "LUMORA_FRAMES=frames " + env + " '" + BinDir() + "/lumora' --data '" + data +
                                "' --save save > run.log 2>&1";
    const int status = std::system(command.c_str());
    *log = scratch.Read("run.log");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
}

}  // namespace

TEST(GameProgram, ScriptedRunFromDialogToQuit) {
    const fs::path pack = fs::path(BinDir()) / "Data";
    ASSERT_TRUE(fs::exists(pack / "APP.BIN")) << "the data pack is built with the program";
    ScratchDir scratch;
    const fs::path data = scratch.Path() / "data", save = scratch.Path() / "save", frames = scratch.Path() / "frames";
    fs::copy(pack, data, fs::copy_options::recursive);
    fs::create_directories(frames);
    // Return answers the dialog (full screen, the default). The start
    // universe renders from about frame 10. F1 shows the first debug page;
    // Escape in the start universe leaves the scene for the screens, where a
    // second F1 changes nothing; the close button does what Escape does
    // there: with no screen to go back to, the program ends.
    std::string log;
    const int status = RunProgram(scratch,
                                  "#2 key press RETURN\n"
                                  "#25 key down F1\n"
                                  "+1 key up F1\n"
                                  "#35 key down ESCAPE\n"
                                  "+2 key up ESCAPE\n"
                                  "#45 key down F1\n"
                                  "+1 key up F1\n"
                                  "#50 close\n"
                                  "#70 quit\n",
                                  &log);
    ASSERT_EQ(status, 0) << log;

    std::vector<Frame> dumped;
    for (int n = 1;; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.bmp", n);
        if (!fs::exists(frames / name)) break;
        dumped.push_back(ReadFrame(frames / name));
    }
    ASSERT_GE(dumped.size(), 50u) << "the program ran until the close line";
    EXPECT_LT(dumped.size(), 60u) << "the close button ended it";

    // The dialog: its grey face in the middle of the first frame.
    EXPECT_EQ(Reduce(dumped[0].At(320, 300)), Reduce(0xC0C0C0));

    // The intro pictures in their order, Intro2 in two frames.
    const Frame intro1 = ReadFrame(pack / "2DBIT" / "Intro1.bmp"), intro2 = ReadFrame(pack / "2DBIT" / "Intro2.bmp");
    int first1 = -1, first2 = -1, count2 = 0;
    for (std::size_t i = 0; i < 20 && i < dumped.size(); ++i) {
        if (first1 < 0 && Agreement(dumped[i], intro1) > 0.95) first1 = static_cast<int>(i);
        if (Agreement(dumped[i], intro2) > 0.95) {
            if (first2 < 0) first2 = static_cast<int>(i);
            ++count2;
        }
    }
    ASSERT_GE(first1, 1);
    EXPECT_GT(first2, first1);
    EXPECT_GE(count2, 2);

    // The start universe: a rendered room, neither intro, no debug page yet.
    const Frame& scene = dumped[20];
    EXPECT_LT(Agreement(scene, intro2), 0.5);
    EXPECT_LT(Agreement(scene, intro1), 0.5);
    EXPECT_EQ(DebugTextPixels(scene), 0);
    std::vector<std::uint32_t> colours(scene.rgb.begin(), scene.rgb.end());
    std::sort(colours.begin(), colours.end());
    EXPECT_GT(std::unique(colours.begin(), colours.end()) - colours.begin(), 40) << "a textured, lit room";

    // F1: the first debug page ("Fps: 30" at the fixed 33 ms clock).
    const Frame& page = dumped[31];
    EXPECT_GT(DebugTextPixels(page), 20);
    EXPECT_GT(Agreement(page, scene), 0.9);

    // After Escape the scene no longer steps: the second F1 leaves the page as it was.
    EXPECT_EQ(dumped[48].rgb, dumped[40].rgb);
    EXPECT_GT(DebugTextPixels(dumped[48]), 20);

    // The save folder: the debug log with its opening line, the display parameters.
    const std::string debugLog = ReadWholeFile((save / "DbgInfo.txt").string());
    EXPECT_EQ(debugLog.rfind("=====================================", 0), 0u);
    EXPECT_TRUE(fs::exists(save / "InfoPara.bin"));
}

TEST(GameProgram, AMissingStartListIsReportedAndTheGameStaysUsable) {
    const fs::path pack = fs::path(BinDir()) / "Data";
    ASSERT_TRUE(fs::exists(pack / "APP.BIN"));
    ScratchDir scratch;
    fs::copy(pack, scratch.Path() / "data", fs::copy_options::recursive);
    fs::remove(scratch.Path() / "data" / "U00" / "U00.ZELT");
    fs::create_directories(scratch.Path() / "frames");
    std::string log;
    ASSERT_EQ(RunProgram(scratch, "#2 key press RETURN\n#20 close\n#40 quit\n", &log), 0) << log;
    // The missing list is reported at one attempt, not on every main-loop pass; the close
    // button then ends the game from the screens state.
    std::size_t boxes = 0;
    for (std::size_t at = log.find("U00.ZELT"); at != std::string::npos; at = log.find("U00.ZELT", at + 1))
        if (log.rfind("[message box]", at) != std::string::npos) ++boxes;
    EXPECT_GE(boxes, 1u) << log;
    const std::string debugLog = ReadWholeFile((scratch.Path() / "save" / "DbgInfo.txt").string());
    std::size_t entries = 0;
    for (std::size_t at = debugLog.find("U00.ZELT"); at != std::string::npos; at = debugLog.find("U00.ZELT", at + 1))
        ++entries;
    // The file opener and the scene each name the missing list, once.
    EXPECT_GE(entries, 1u) << debugLog;
    EXPECT_LE(entries, 2u) << debugLog;
    int frames = 0;
    for (const auto& entry : fs::directory_iterator(scratch.Path() / "frames")) frames += entry.is_regular_file();
    EXPECT_LT(frames, 40) << "the close line ended the program";
    // The half-made scene is dropped: the screens state keeps the last
    // picture instead of drawing an empty scene.
    char last[32];
    std::snprintf(last, sizeof last, "frame_%06d.bmp", frames);
    EXPECT_GT(Agreement(ReadFrame(scratch.Path() / "frames" / last), ReadFrame(pack / "2DBIT" / "Intro2.bmp")), 0.95);
}

// Control+F12 in the scene records every pass into "Capture/" of the save
// folder until it is pressed again; holding the chord toggles only once.
TEST(GameProgram, ControlF12RecordsTheSceneUntilPressedAgain) {
    const fs::path pack = fs::path(BinDir()) / "Data";
    ASSERT_TRUE(fs::exists(pack / "APP.BIN"));
    ScratchDir scratch;
    fs::copy(pack, scratch.Path() / "data", fs::copy_options::recursive);
    fs::create_directories(scratch.Path() / "frames");
    std::string log;
    ASSERT_EQ(RunProgram(scratch,
                         "#2 key press RETURN\n"
                         "#20 key down CONTROL\n"
                         "+0 key down F12\n"
                         "+4 key up F12\n"
                         "+0 key up CONTROL\n"
                         "#32 key down CONTROL\n"
                         "+0 key down F12\n"
                         "+1 key up F12\n"
                         "+0 key up CONTROL\n"
                         "#40 close\n"
                         "#60 quit\n",
                         &log),
              0)
        << log;
    const fs::path dir = scratch.Path() / "save" / "Capture";
    std::vector<std::string> names;
    if (fs::exists(dir))
        for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    // One file a pass from the first press to the second: about twelve.
    ASSERT_GE(names.size(), 10u) << log;
    EXPECT_LE(names.size(), 14u);
    for (const std::string& name : names) {
        ASSERT_EQ(name.size(), 19u) << name;
        EXPECT_EQ(name[0], 'D');
        EXPECT_EQ(name[5], 'T');
        EXPECT_EQ(name[10], 'N');
        EXPECT_EQ(name.substr(15), ".BMP");
    }
    // The numbers run on within a minute; the first is 0000 unless a minute began.
    EXPECT_EQ(names.front().substr(11, 4), "0000");
    const Frame first = ReadFrame(dir / names.front());
    ASSERT_EQ(first.width, 640);
    ASSERT_EQ(first.height, 480);
    // The recorded picture is the scene, as the dumped frames show it.
    const Frame shown = ReadFrame(scratch.Path() / "frames" / "frame_000025.bmp");
    EXPECT_GT(Agreement(first, shown), 0.9);
}

// Start-up failures end the program with status 0 and say why: no data
// root, no sound device.
TEST(GameProgram, StartUpFailuresEndTheProgramWithTheirReason) {
    ScratchDir scratch;
    fs::create_directories(scratch.Path() / "empty");
    std::string log;
    ASSERT_EQ(RunProgram(scratch, "#2 key press RETURN\n#40 quit\n", &log, "", "empty"), 0) << log;
    EXPECT_NE(log.find("no game data found in empty"), std::string::npos) << log;

    fs::copy(fs::path(BinDir()) / "Data", scratch.Path() / "data", fs::copy_options::recursive);
    ASSERT_EQ(RunProgram(scratch, "#2 key press RETURN\n#40 quit\n", &log, "LUMORA_SOUND=none"), 0) << log;
    EXPECT_NE(log.find("[message box]"), std::string::npos) << log;
    EXPECT_NE(log.find("sound device"), std::string::npos) << log;
}

// Under the fixed clock and scripted input the program is deterministic: the
// same run twice presents the same frames, byte for byte.
TEST(GameProgram, TheSameRunTwiceGivesTheSameFrames) {
    const fs::path pack = fs::path(BinDir()) / "Data";
    ASSERT_TRUE(fs::exists(pack / "APP.BIN"));
    const std::string script = "#2 key press RETURN\n#22 move 320 240\n#24 key down UP\n#34 key up UP\n"
                               "#36 click left 320 240\n#45 close\n#60 quit\n";
    std::vector<std::string> runs[2];
    for (auto& frames : runs) {
        ScratchDir scratch;
        fs::copy(pack, scratch.Path() / "data", fs::copy_options::recursive);
        fs::create_directories(scratch.Path() / "frames");
        std::string log;
        ASSERT_EQ(RunProgram(scratch, script, &log), 0) << log;
        for (int n = 1;; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "frame_%06d.bmp", n);
            if (!fs::exists(scratch.Path() / "frames" / name)) break;
            frames.push_back(ReadWholeFile((scratch.Path() / "frames" / name).string()));
        }
    }
    ASSERT_GE(runs[0].size(), 40u);
    ASSERT_EQ(runs[0].size(), runs[1].size());
    for (std::size_t i = 0; i < runs[0].size(); ++i) EXPECT_TRUE(runs[0][i] == runs[1][i]) << "frame " << i + 1;
}
