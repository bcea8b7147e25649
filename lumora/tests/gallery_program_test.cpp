// Every painting's place opened from the gallery by the real program, one
// after the other. The progress that unlocks the whole gallery is made the
// way a player makes it: a first run names the player on the player screen,
// a second goes straight into the mine, whose arrival saves the game (the
// player has reached universe 7). The third run opens each painting, enters
// its place, looks, and comes back with Escape; the two paintings of the
// clearing that have no place show no way in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "_GameTestSupport.h"
#include "_ProgramTestSupport.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/universes/XPaintingScene.h"
#include "platform/Files.h"

namespace fs = std::filesystem;

namespace {

// The "Galerie" screen's buttons, row by row (five to a row, 106 pixels
// apart, rows 84 apart).
const char* const kLayout[] = {"U11_01", "U11_02", "U11_03", "U12_03", "U12_04", "U13_14", "U13_05",
                               "U13_13", "U13_03", "U13_01", "U13_12", "U13_11", "U13_06", "U13_04",
                               "U14_01", "U13_15", "U14_02", "U14_05", "U14_03", "U14_07"};

bool HasPlace(const char* code) { return std::strcmp(code, "U14_02") != 0 && std::strcmp(code, "U14_05") != 0; }

// Frames of each painting's visit, counted from the click on its button.
constexpr int kFirstClick = 170, kPaintingShown = 8, kEnter = 10, kPlaceShown = 20, kEscape = 25, kBackShown = 33,
              kVisit = 35;
// Without a place: the painting, a click where the way in would be, then the gallery button.
constexpr int kBackToGallery = 16, kShortVisit = 25;

struct Visit {
    const char* code;
    int start;  // frame of the click on its button
};

// The third run's script and the visits it makes.
std::string GalleryScript(std::vector<Visit>* visits) {
    std::string script =
        "#2 key press RETURN\n"
        "#130 click left 503 418\n"  // the known player: the main options
        "#150 click left 320 261\n"  // the gallery
        "#155 move 630 470\n";
    int t = kFirstClick;
    char line[200];
    for (int i = 0; i < 20; ++i) {
        const char* code = kLayout[i];
        std::snprintf(line, sizeof line, "#%d click left %d %d\n", t, 110 + 106 * (i % 5), 122 + 84 * (i / 5));
        script += line;
        visits->push_back({code, t});
        if (HasPlace(code)) {
            std::snprintf(line, sizeof line, "#%d click left 372 441\n+1 move 630 470\n#%d key down ESCAPE\n+2 key up ESCAPE\n",
                          t + kEnter, t + kEscape);
            t += kVisit;
        } else {
            std::snprintf(line, sizeof line, "#%d click left 372 441\n#%d click left 580 441\n+1 move 630 470\n", t + kEnter,
                          t + kBackToGallery);
            t += kShortVisit;
        }
        script += line;
    }
    std::snprintf(line, sizeof line, "#%d quit\n", t);
    return script + line;
}

// The name and progress a player's profile holds.
bool ReadProfile(const fs::path& info, std::string* name, int* universe) {
    char data[66] = {};
    if (ReadChunks(info.string(), [&](XChunkFile* f) { return f->BeginReadChunk("USERINFO") && f->Read(data, 66); }) != 1)
        return false;
    *name = std::string(data, strnlen(data, 64));
    std::int16_t u = 0;
    std::memcpy(&u, data + 64, 2);
    *universe = u;
    return true;
}

// Lines of a log that tell of something wrong: a box, a file or an object
// missing. The painting scenes load their universe's scenery without its
// characters, so the universe's object and action tables name objects the
// place lacks: those lines are expected.
std::vector<std::string> Troubles(const std::string& log) {
    std::vector<std::string> found;
    std::size_t at = 0;
    while (at < log.size()) {
        std::size_t end = log.find('\n', at);
        if (end == std::string::npos) end = log.size();
        const std::string line = log.substr(at, end - at);
        at = end + 1;
        if (line.rfind("XScene::InitInfoObj: Object ", 0) == 0 || line.rfind("InitActInfo: Obj ", 0) == 0) continue;
        for (const char* bad : {"[message box]", "not found", "not be found", "missing", "Missing", "no viewpoint", "rror"})
            if (line.find(bad) != std::string::npos) {
                found.push_back(line);
                break;
            }
    }
    return found;
}

// Share of sampled pixels where something was drawn (the screen is cleared
// to black; the darkest materials still keep a little light).
double Drawn(const DumpedFrame& f) {
    int drawn = 0, total = 0;
    for (int y = 0; y < f.height; y += 8)
        for (int x = 0; x < f.width; x += 8) {
            ++total;
            drawn += Reduce(f.At(x, y)) != 0;
        }
    return total ? static_cast<double>(drawn) / total : 0.0;
}

}  // namespace

TEST(GalleryProgram, EveryPaintingOpensItsPlaceAndEscapeComesBack) {
    ASSERT_TRUE(fs::exists(fs::path(BinDir()) / "Data" / "U07" / "U07.ZELT")) << "the data pack is built";
    ScratchDir scratch;
    CopyPack(scratch);
    std::string log;

    // A new player on the player screen, then the mine's arrival.
    ASSERT_EQ(RunProgram(scratch, "#2 key press RETURN\n#150 text Cleo\n#160 click left 503 418\n#175 quit\n", &log, 33,
                         "LUMORA_FRAMES= "),
              0)
        << log;
    ASSERT_EQ(RunProgram(scratch, "#2 key press RETURN\n#40 quit\n", &log, 33, "LUMORA_FRAMES= LUMORA_DEBUG=1 ",
                         "--scene U07.ZELT"),
              0)
        << log;
    ASSERT_NE(log.find("Universe: automatic save written"), std::string::npos) << log;
    std::string name;
    int progress = -1;
    ASSERT_TRUE(ReadProfile(scratch.Path() / "save" / "User_0" / "Info.bin", &name, &progress));
    EXPECT_EQ(name, "Cleo");
    ASSERT_EQ(progress, 7) << "the mine's arrival is the player's progress";

    std::vector<Visit> visits;
    const std::string script = GalleryScript(&visits);
    ASSERT_EQ(RunProgram(scratch, script, &log, 33, "LUMORA_DEBUG=1 "), 0) << log;
    EXPECT_EQ(Troubles(log.substr(log.find("NbObjectTotal"))), std::vector<std::string>{});

    const fs::path frames = scratch.Path() / "frames";
    const std::string data = (scratch.Path() / "data").string();
    const DumpedFrame gallery = ReadDumpedFrame(frames, kFirstClick - 5);
    ASSERT_EQ(gallery.width, 640);
    DumpedFrame before;
    std::size_t at = 0;
    for (const Visit& v : visits) {
        SCOPED_TRACE(v.code);
        // The painting itself first.
        const std::string picture = platform::ResolvePath(data, std::string("2DBIT/") + v.code + "TAB.bmp");
        ASSERT_FALSE(picture.empty());
        EXPECT_GT(Agreement(ReadDumpedFrame(frames, v.start + kPaintingShown), ReadFrame(picture)), 0.85);
        const std::string opened = std::string("Game: the painting ") + v.code;
        if (!HasPlace(v.code)) {
            EXPECT_EQ(log.find(opened), std::string::npos) << "no way in";
            EXPECT_GT(Agreement(ReadDumpedFrame(frames, v.start + kShortVisit - 1), gallery), 0.95);
            continue;
        }
        // The painting scene of this code, the camera at the painting's viewpoint.
        const std::size_t started = log.find(opened + "\r\n", at);
        ASSERT_NE(started, std::string::npos) << log.substr(at);
        at = started + 1;
        const std::size_t pilot = log.find("Pilot: ", started);
        ASSERT_NE(pilot, std::string::npos);
        float x = 0, y = 0, z = 0, theta = 0, phi = 0;
        ASSERT_EQ(std::sscanf(log.c_str() + pilot, "Pilot: x=%f y=%f z=%f theta=%f phi=%f", &x, &y, &z, &theta, &phi), 5);
        const XPaintingScene::Viewpoint* view = XPaintingScene::FindViewpoint(v.code);
        ASSERT_NE(view, nullptr);
        EXPECT_NEAR(x, view->x, 0.01f);
        EXPECT_NEAR(y, view->y, 0.01f);
        EXPECT_NEAR(z, view->z, 1.0f) << "standing on the ground there";
        EXPECT_NEAR(theta, view->theta, 0.001f);
        EXPECT_NEAR(phi, view->phi, 0.001f);
        // The place on screen: lit, neither the gallery nor the painting,
        // nor the place before; then Escape brings the gallery back.
        const DumpedFrame place = ReadDumpedFrame(frames, v.start + kPlaceShown);
        EXPECT_GT(Drawn(place), 0.95);
        EXPECT_LT(Agreement(place, gallery), 0.3);
        EXPECT_LT(Agreement(place, ReadFrame(picture)), 0.3);
        if (!before.rgb.empty()) {
            EXPECT_LT(Agreement(place, before), 0.7);
        }
        before = place;
        EXPECT_GT(Agreement(ReadDumpedFrame(frames, v.start + kBackShown), gallery), 0.95);
    }
}
