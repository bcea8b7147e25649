// Scripted runs of the real program through the option screens: a new
// player and the settings heard in the captured sound; the pause screen,
// saving, loading, the credits and quitting; the gallery of a player who
// has reached universe 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "_GameTestSupport.h"
#include "_ProgramTestSupport.h"
#include "lumora/shell/ChunkFile.h"

namespace fs = std::filesystem;

namespace {

// Mono levels of a captured wave file: the root mean square of each window
// of `windowMs`.
std::vector<double> Levels(const fs::path& wav, int windowMs) {
    std::ifstream in(wav, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<double> levels;
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0) return levels;
    int channels = 2, rate = 22050, bits = 16;
    std::size_t at = 12, dataAt = 0, dataSize = 0;
    auto u32 = [&](std::size_t p) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[p]) | static_cast<unsigned char>(bytes[p + 1]) << 8 |
                                          static_cast<unsigned char>(bytes[p + 2]) << 16 |
                                          static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[p + 3])) << 24);
    };
    while (at + 8 <= bytes.size()) {
        const std::uint32_t size = u32(at + 4);
        if (bytes.compare(at, 4, "fmt ") == 0) {
            channels = static_cast<unsigned char>(bytes[at + 10]);
            rate = static_cast<int>(u32(at + 12));
            bits = static_cast<unsigned char>(bytes[at + 22]);
        } else if (bytes.compare(at, 4, "data") == 0) {
            dataAt = at + 8;
            dataSize = std::min<std::size_t>(size, bytes.size() - dataAt);
            break;
        }
        at += 8 + size + (size & 1);
    }
    if (!dataAt || bits != 16 || channels < 1) return levels;
    const std::size_t frames = dataSize / (2 * static_cast<std::size_t>(channels));
    const std::size_t window = static_cast<std::size_t>(rate) * windowMs / 1000;
    for (std::size_t start = 0; start + window <= frames; start += window) {
        double sum = 0;
        for (std::size_t i = start; i < start + window; ++i) {
            std::int16_t v;
            std::memcpy(&v, &bytes[dataAt + i * 2 * channels], 2);
            sum += static_cast<double>(v) * v;
        }
        levels.push_back(std::sqrt(sum / static_cast<double>(window)));
    }
    return levels;
}

// The loudest window of each stretch of sound louder than `threshold`; a
// stretch goes on over quiet gaps shorter than `gap` windows (the pauses
// between the words of one line).
std::vector<double> BurstPeaks(const std::vector<double>& levels, double threshold, int gap = 1) {
    std::vector<double> peaks;
    int quiet = gap;
    for (double l : levels) {
        if (l > threshold) {
            if (quiet >= gap) peaks.push_back(0);
            quiet = 0;
            peaks.back() = std::max(peaks.back(), l);
        } else {
            ++quiet;
        }
    }
    return peaks;
}

// Whether a rectangle of two frames holds the same pixels.
bool SameRegion(const DumpedFrame& a, int ax, int ay, const DumpedFrame& b, int bx, int by, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (Reduce(a.At(ax + x, ay + y)) != Reduce(b.At(bx + x, by + y))) return false;
    return true;
}

// Where the name entries show their dark field.
constexpr std::uint32_t kEntryField = 0x202050;

}  // namespace

// The first start has no player: the welcome, then the player screen. A new
// name makes the player's folder. The voices' slider, moved down four steps,
// lowers the next welcome; OK without a move leaves the third as the second.
TEST(GameScreensProgram, NewPlayerAndSettingsHeardInTheSound) {
    ScratchDir scratch;
    CopyPack(scratch);
    // New games start in the garden of the start universe, so that every new game plays the welcome.
    scratch.Write("data/APP.CFG", "[SCENE]\r\nFIRST=U00.ZELT\r\n");
    std::string log;
    const int status = RunProgram(scratch,
                                  "#2 key press RETURN\n"
                                  "#150 text Alice\n"
                                  "#160 click left 503 418\n"
                                  "#180 key down ESCAPE\n"
                                  "+2 key up ESCAPE\n"
                                  "#200 click left 320 301\n"
                                  "#210 click left 138 278\n"
                                  "#216 click left 138 278\n"
                                  "#222 click left 138 278\n"
                                  "#228 click left 138 278\n"
                                  "#240 click left 240 397\n"
                                  "#250 click left 320 101\n"
                                  "#380 click left 503 418\n"
                                  "#400 click left 320 301\n"
                                  "#420 click left 240 397\n"
                                  "#440 click left 320 101\n"
                                  "#570 key down ESCAPE\n"
                                  "+2 key up ESCAPE\n",
                                  &log, 33, "LUMORA_AUDIO=audio.wav ");
    ASSERT_EQ(status, 0) << log;
    const fs::path frames = scratch.Path() / "frames";
    const int count = CountDumpedFrames(frames);
    EXPECT_GE(count, 570);
    EXPECT_LT(count, 580) << "Escape on the player screen ends the game";

    // The player screen after the welcome, the scene after the name, the menu after Escape.
    EXPECT_EQ(Reduce(ReadDumpedFrame(frames, 140).At(300, 418)), Reduce(kEntryField));
    const DumpedFrame scene = ReadDumpedFrame(frames, 175);
    EXPECT_NE(Reduce(scene.At(300, 418)), Reduce(kEntryField));
    EXPECT_GT(Agreement(scene, ReadDumpedFrame(frames, 40)), 0.9) << "the garden as during the welcome";
    const DumpedFrame menu = ReadDumpedFrame(frames, 195);
    EXPECT_LT(Agreement(menu, scene), 0.5);
    EXPECT_GT(Agreement(menu, ReadDumpedFrame(frames, 395)), 0.95) << "an existing player gets the main options";
    // The settings screen, with the voices' thumb moved left.
    const DumpedFrame before = ReadDumpedFrame(frames, 205), after = ReadDumpedFrame(frames, 235);
    EXPECT_LT(Agreement(before, menu), 0.9);
    EXPECT_FALSE(SameRegion(before, 120, 260, after, 120, 260, 400, 36));

    // The player's folder with the name, made current.
    std::string name;
    ASSERT_EQ(ReadChunks((scratch.Path() / "save" / "User_0" / "Info.bin").string(), [&](XChunkFile* f) {
                  char field[64] = {};
                  if (!f->BeginReadChunk("USERINFO") || !f->Read(field, 64)) return 0;
                  name = field;
                  return 1;
              }),
              1);
    EXPECT_EQ(name, "Alice");
    EXPECT_TRUE(fs::exists(scratch.Path() / "save" / "Info.bin"));

    // The garden's ambience plays under every welcome and alone in the
    // garden after the name (the screens mute it): a quiet stretch, well
    // below the voice, that the welcomes must stand out from.
    const std::vector<double> levels = Levels(scratch.Path() / "audio.wav", 100);
    const std::vector<double> ambience = BurstPeaks(levels, 20.0, 5);
    ASSERT_EQ(ambience.size(), 4u) << "three welcomes and the garden after the name";
    EXPECT_LT(ambience[1], 100.0) << "the ambience alone";
    EXPECT_GT(ambience[0], 4 * ambience[1]) << "the welcome over the ambience";

    // Three welcomes: full, then about -7 dB (volume 93 of 100), then the same.
    // Spoken words rise and fall: a line is what stays above a level over
    // the ambience's, over pauses of up to half a second; the welcomes are
    // seconds apart.
    const std::vector<double> peaks = BurstPeaks(levels, 2 * ambience[1], 5);
    ASSERT_EQ(peaks.size(), 3u) << log;
    EXPECT_GT(peaks[1] / peaks[0], 0.35);
    EXPECT_LT(peaks[1] / peaks[0], 0.6);
    EXPECT_NEAR(peaks[2] / peaks[1], 1.0, 0.1);
}

// Escape in a game scene opens the pause screen (and, pressed again, closes
// it); a game saved from there comes back from the load screen after another universe was entered; the
// credits turn on the clock and by clicks and return; quit asks and quits.
TEST(GameScreensProgram, PauseSaveLoadCreditsAndQuit) {
    ScratchDir scratch;
    CopyPack(scratch);
    // The new game in the test rooms rather than at the station.
    scratch.Write("data/APP.CFG", "[SCENE]\r\nFIRST=U09.ZELT\r\n");
    std::string log;
    const int status = RunProgram(scratch,
                                  "#2 key press RETURN\n"
                                  "#150 text Bob\n"
                                  "#160 click left 503 418\n"
                                  "#180 key down ESCAPE\n"
                                  "+2 key up ESCAPE\n"
                                  "#200 click left 320 101\n"
                                  "#240 key down ESCAPE\n"
                                  "+2 key up ESCAPE\n"
                                  "#260 click left 230 297\n"
                                  "#275 text Partie1\n"
                                  "#285 char 13\n"
                                  "#300 click left 384 423\n"
                                  "#330 key down ESCAPE\n"
                                  "+2 key up ESCAPE\n"
                                  "#345 click left 410 297\n"
                                  "#360 click left 320 381\n"
                                  "#400 key down ESCAPE\n"
                                  "+2 key up ESCAPE\n"
                                  "#415 click left 320 141\n"
                                  "#430 click left 320 104\n"
                                  "#440 click left 236 423\n"
                                  "#450 key down ESCAPE\n"
                                  "+2 key up ESCAPE\n"
                                  "#460 key down ESCAPE\n"
                                  "+2 key up ESCAPE\n"
                                  "#480 key down ESCAPE\n"
                                  "+2 key up ESCAPE\n"
                                  "#490 click left 410 297\n"
                                  "#500 click left 320 341\n"
                                  "#710 click left 320 200\n"
                                  "#720 click left 320 200\n"
                                  "#730 click left 320 200\n"
                                  "#740 click left 320 200\n"
                                  "#760 click left 320 421\n"
                                  "#775 click left 240 297\n",
                                  &log);
    ASSERT_EQ(status, 0) << log;
    const fs::path frames = scratch.Path() / "frames";
    const int count = CountDumpedFrames(frames);
    EXPECT_GE(count, 775);
    EXPECT_LT(count, 785) << "the quit screen's yes ends the game";

    // The pause screen over the test rooms: the scene round it, its box in the middle.
    const DumpedFrame game = ReadDumpedFrame(frames, 235), pause = ReadDumpedFrame(frames, 250);
    EXPECT_TRUE(SameRegion(game, 0, 0, pause, 0, 0, 640, 130));
    EXPECT_FALSE(SameRegion(game, 130, 150, pause, 130, 150, 380, 180));

    // The saved game: its file, named, in the second slot (the first free from 1).
    const fs::path saved = scratch.Path() / "save" / "User_0" / "Gamesave.1";
    ASSERT_TRUE(fs::exists(saved));
    std::string gameName, list;
    ASSERT_EQ(ReadChunks(saved.string(), [&](XChunkFile* f) {
                  char field[64] = {}, scene[20] = {};
                  std::int16_t universe = 0;
                  if (!f->BeginReadChunk("GAME") || !f->Read(field, 64) || !f->Read(&universe, 2) || !f->Read(scene, 20))
                      return 0;
                  gameName = field;
                  list = scene;
                  return 1;
              }),
              1);
    EXPECT_EQ(gameName, "Partie1");
    EXPECT_EQ(list, "U09.ZELT");

    // Back in the game after saving; then the training entry's garden; then
    // the loaded game looks as it did when saved.
    const DumpedFrame afterSave = ReadDumpedFrame(frames, 320), studio = ReadDumpedFrame(frames, 390),
                      loaded = ReadDumpedFrame(frames, 447);
    EXPECT_GT(Agreement(afterSave, game), 0.95);
    EXPECT_LT(Agreement(studio, afterSave), 0.5);
    EXPECT_GT(Agreement(loaded, afterSave), 0.95);
    // Escape opens the pause screen; Escape there goes back to the game.
    EXPECT_TRUE(SameRegion(ReadDumpedFrame(frames, 456), 200, 160, pause, 200, 160, 240, 90));
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 470), afterSave), 0.95);

    // Credits: the first page, the second after six seconds (182 frames), the
    // clicks to the fifth and back to the main options.
    const DumpedFrame page1 = ReadFrame(fs::path(BinDir()) / "Data" / "2DBIT" / "Credit01.bmp");
    const DumpedFrame page2 = ReadFrame(fs::path(BinDir()) / "Data" / "2DBIT" / "Credit02.bmp");
    const DumpedFrame page5 = ReadFrame(fs::path(BinDir()) / "Data" / "2DBIT" / "Credit05.bmp");
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 520), page1), 0.9);
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 670), page1), 0.9);
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 700), page2), 0.9);
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 735), page5), 0.9);
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 750), ReadDumpedFrame(frames, 495)), 0.95) << "the main options again";
    // The quit screen asks first.
    EXPECT_LT(Agreement(ReadDumpedFrame(frames, 770), ReadDumpedFrame(frames, 750)), 0.9);
}

// A player who has reached universe 2 sees three paintings; the others are
// veiled and ignore clicks. A painting, its magnifier scrolling at the right
// edge, its real size and back, the next paintings round to the first, back
// to the gallery and the main options; a painting's place (the station's
// scenery), Escape back to the gallery, and resuming goes back to the place.
TEST(GameScreensProgram, GalleryShowsOnlyThePaintingsReached) {
    ScratchDir scratch;
    CopyPack(scratch);
    // universe of the last save
    ASSERT_TRUE(WritePlayerWhoReached(scratch.Path() / "save", 2));
    std::string log;
    const int status = RunProgram(scratch,
                                  "#2 key press RETURN\n"
                                  "#130 click left 503 418\n"
                                  "#150 click left 320 261\n"
                                  "#155 move 630 470\n"  // the pointer out of the paintings' way
                                  "#170 click left 428 122\n"
                                  "#180 click left 216 122\n"
                                  "#200 click left 164 441\n"
                                  "#210 move 5 240\n"
                                  "#245 click left 5 240\n"
                                  "#260 click left 268 441\n"
                                  "#280 click left 320 240\n"
                                  "#300 click left 476 441\n"
                                  "#310 click left 476 441\n"
                                  "#320 click left 580 441\n"
                                  "#335 click left 320 443\n"
                                  "#350 click left 320 261\n"
                                  "#360 click left 110 122\n"
                                  "#375 click left 372 441\n"
                                  "#400 key down ESCAPE\n"
                                  "+2 key up ESCAPE\n"
                                  "#430 click left 320 443\n"
                                  "#450 click left 320 221\n"
                                  "#490 quit\n",
                                  &log);
    ASSERT_EQ(status, 0) << log;
    const fs::path frames = scratch.Path() / "frames", bitmaps = fs::path(BinDir()) / "Data" / "2DBIT";
    ASSERT_GE(CountDumpedFrames(frames), 489);

    // The gallery: buttons 5, 22 and 6 (the first row's first three) hold
    // paintings; the others show the same veil.
    const DumpedFrame gallery = ReadDumpedFrame(frames, 165);
    EXPECT_TRUE(SameRegion(gallery, 378, 84, gallery, 60, 168, 100, 76));
    EXPECT_TRUE(SameRegion(gallery, 378, 168, gallery, 272, 252, 100, 76));
    for (int x : {60, 166, 272}) EXPECT_FALSE(SameRegion(gallery, x, 84, gallery, 378, 84, 100, 76)) << x;
    // A click on a veiled one changes nothing.
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 177), gallery), 0.95);

    // The second painting, its magnifier moving while the pointer rests at the left edge.
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 195), ReadFrame(bitmaps / "U11_02TAB.bmp")), 0.85);
    const DumpedFrame resting = ReadDumpedFrame(frames, 209), firstStep = ReadDumpedFrame(frames, 213);
    EXPECT_LT(Agreement(resting, ReadFrame(bitmaps / "U11_02TAB.bmp")), 0.5) << "the magnified picture";
    EXPECT_NE(resting.rgb, firstStep.rgb) << "the magnifier scrolls at its edge";
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 255), ReadFrame(bitmaps / "U11_02TAB.bmp")), 0.85);
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 275), ReadFrame(bitmaps / "U11_02_Size.bmp")), 0.85);
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 295), ReadFrame(bitmaps / "U11_02TAB.bmp")), 0.85);
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 305), ReadFrame(bitmaps / "U11_03TAB.bmp")), 0.85);
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 315), ReadFrame(bitmaps / "U11_01TAB.bmp")), 0.85) << "round to the first";
    // Back: the gallery with its veils, then the main options.
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 330), gallery), 0.95);
    const DumpedFrame menu = ReadDumpedFrame(frames, 345);
    EXPECT_LT(Agreement(menu, gallery), 0.5);
    // The painting's place: the station's scenery, neither menu nor gallery;
    // Escape there goes back to the gallery, and Back to the main options.
    const DumpedFrame place = ReadDumpedFrame(frames, 395);
    EXPECT_LT(Agreement(place, menu), 0.5);
    EXPECT_LT(Agreement(place, gallery), 0.5);
    EXPECT_EQ(log.find("U01D.ZELT"), std::string::npos) << "nothing is missing: " << log;
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 420), gallery), 0.95);
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 445), menu), 0.95);

    // The painting's scene is now the game's scene: resuming goes back into it.
    EXPECT_GT(Agreement(ReadDumpedFrame(frames, 475), place), 0.9);
}
