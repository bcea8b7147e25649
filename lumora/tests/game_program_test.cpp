// One scripted run of the real program on a scratch copy of the data pack:
// the display dialog answered, the intro pictures, the start universe
// rendered, the player screen, the debug page, Escape and the close button, quit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "_ProgramTestSupport.h"

namespace fs = std::filesystem;
using Frame = DumpedFrame;

namespace {

// White pixels of the debug page's first line.
int DebugTextPixels(const Frame& f) {
    int n = 0;
    for (int y = 10; y < 18; ++y)
        for (int x = 10; x < 80; ++x)
            if (Reduce(f.At(x, y)) == 0xF8F8F8) ++n;
    return n;
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
    // universe renders from about frame 10 while the painter's welcome plays,
    // then the player screen opens. A name and its button take the new
    // player into the scene, where F1 shows the first debug page; Escape in
    // the start universe opens the option menu, where F1 changes nothing and
    // the close button, which does what Escape does, leaves the main options
    // in place.
    std::string log;
    const int status = RunProgram(scratch,
                                  "#2 key press RETURN\n"
                                  "#150 text Ann\n"
                                  "#160 click left 503 418\n"
                                  "#175 key down F1\n"
                                  "+1 key up F1\n"
                                  "#185 key down ESCAPE\n"
                                  "+2 key up ESCAPE\n"
                                  "#195 key down F1\n"
                                  "+1 key up F1\n"
                                  "#205 close\n"
                                  "#220 quit\n",
                                  &log);
    ASSERT_EQ(status, 0) << log;

    std::vector<Frame> dumped;
    for (int n = 1;; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.bmp", n);
        if (!fs::exists(frames / name)) break;
        dumped.push_back(ReadFrame(frames / name));
    }
    ASSERT_GE(dumped.size(), 215u) << "the close button on the main options did not end the program";
    EXPECT_LT(dumped.size(), 230u) << "the quit line ended it";

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

    // The start universe: the rendered garden, neither intro, no debug page yet.
    const Frame& scene = dumped[20];
    EXPECT_LT(Agreement(scene, intro2), 0.5);
    EXPECT_LT(Agreement(scene, intro1), 0.5);
    EXPECT_EQ(DebugTextPixels(scene), 0);
    std::vector<std::uint32_t> colours(scene.rgb.begin(), scene.rgb.end());
    std::sort(colours.begin(), colours.end());
    EXPECT_GT(std::unique(colours.begin(), colours.end()) - colours.begin(), 40) << "a textured, lit garden";

    // The player screen after the welcome: the name entry's dark field.
    EXPECT_EQ(Reduce(dumped[140].At(300, 418)), Reduce(0x202050));
    EXPECT_LT(Agreement(dumped[140], scene), 0.5);

    // F1 in the scene: the first debug page ("Fps: 30" at the fixed 33 ms clock).
    const Frame& page = dumped[181];
    EXPECT_GT(DebugTextPixels(page), 20);
    EXPECT_GT(Agreement(page, scene), 0.9);

    // After Escape the option menu covers the scene; the second F1 and the
    // close button leave it as it was.
    EXPECT_LT(Agreement(dumped[191], scene), 0.5);
    EXPECT_EQ(dumped[213].rgb, dumped[191].rgb);
    EXPECT_EQ(DebugTextPixels(dumped[213]), 0);

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
    // The missing list is reported at one attempt, not on every main-loop pass; the
    // player gets the option menu, where the close button changes nothing.
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
    EXPECT_GE(frames, 38) << "the close line did not end the program";
    EXPECT_LT(frames, 45) << "the quit line ended it";
    // The half-made scene is dropped: the option menu shows instead of an empty scene.
    const Frame last = ReadDumpedFrame(scratch.Path() / "frames", frames);
    EXPECT_LT(Agreement(last, ReadFrame(pack / "2DBIT" / "Intro2.bmp")), 0.5);
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
    fs::create_directories(scratch.Path() / "data");
    std::string log;
    ASSERT_EQ(RunProgram(scratch, "#2 key press RETURN\n#40 quit\n", &log), 0) << log;
    EXPECT_NE(log.find("no game data found in data"), std::string::npos) << log;

    fs::remove_all(scratch.Path() / "data");
    CopyPack(scratch);
    ASSERT_EQ(RunProgram(scratch, "#2 key press RETURN\n#40 quit\n", &log, 33, "LUMORA_SOUND=none "), 0) << log;
    EXPECT_NE(log.find("[message box]"), std::string::npos) << log;
    EXPECT_NE(log.find("sound device"), std::string::npos) << log;
}

// Under the fixed clock and scripted input the program is deterministic: the
// same run twice presents the same frames, byte for byte.
TEST(GameProgram, TheSameRunTwiceGivesTheSameFrames) {
    const fs::path pack = fs::path(BinDir()) / "Data";
    ASSERT_TRUE(fs::exists(pack / "APP.BIN"));
    // The welcome, a new player, a new game in the test rooms, a walk and
    // a click on the door.
    const std::string script = "#2 key press RETURN\n#150 text Bob\n#160 click left 503 418\n"
                               "#180 key down ESCAPE\n+2 key up ESCAPE\n#200 click left 320 101\n"
                               "#230 key down UP\n#240 key up UP\n#242 key down LEFT\n#250 key up LEFT\n"
                               "#255 click left 320 240\n#290 quit\n";
    std::vector<std::string> runs[2];
    for (auto& frames : runs) {
        ScratchDir scratch;
        CopyPack(scratch);
        // The new game in the test rooms rather than at the station.
        scratch.Write("data/APP.CFG", "[SCENE]\r\nFIRST=U09.ZELT\r\n");
        std::string log;
        ASSERT_EQ(RunProgram(scratch, script, &log), 0) << log;
        for (int n = 1;; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "frame_%06d.bmp", n);
            if (!fs::exists(scratch.Path() / "frames" / name)) break;
            frames.push_back(ReadWholeFile((scratch.Path() / "frames" / name).string()));
        }
    }
    ASSERT_GE(runs[0].size(), 280u);
    ASSERT_EQ(runs[0].size(), runs[1].size());
    for (std::size_t i = 0; i < runs[0].size(); ++i) EXPECT_TRUE(runs[0][i] == runs[1][i]) << "frame " << i + 1;
}
