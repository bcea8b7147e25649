// The real program straight into the station, with scripted input: the
// prologue's flight over the station plays with its music, then the
// opening plays (the companion speaks, the camera moves to the mayor, who
// welcomes the player and holds out his card); the card is taken and opens
// the office; the time clock's card is dialled on the telephone; lifting
// the receiver brings Ernest's call. Staying in the office, the player is
// found when the twenty seconds are over (back to the menu); going out and
// up the ladder in time stops the gauge on the roof.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <vector>

#include "_EngineTestSupport.h"
#include "_ShellTestSupport.h"

namespace fs = std::filesystem;

namespace {

// Pixels of the card's cream colour (245, 235, 200 on a 16-bit screen).
int CardPixels(const FrameDump& f) {
    int n = 0;
    for (std::uint32_t c : f.rgb) {
        const int r = static_cast<int>((c >> 16) & 0xFF), g = static_cast<int>((c >> 8) & 0xFF),
                  b = static_cast<int>(c & 0xFF);
        n += r > 200 && g > 190 && b > 150 && b < 215 && r - b > 25;
    }
    return n;
}

int Differing(const FrameDump& a, const FrameDump& b) {
    if (a.rgb.size() != b.rgb.size()) return -1;
    int n = 0;
    for (std::size_t i = 0; i < a.rgb.size(); i += 7) n += (a.rgb[i] & 0xF8F8F8) != (b.rgb[i] & 0xF8F8F8);
    return n;
}

// The prologue adds presented frames before the opening: the screen
// cleared twice, its 96 pictures (one a frame under the fixed clock), the
// screen cleared after it, and the scene's first picture held a little
// longer while the music's channel stops. Script times and frame numbers
// from the opening on are counted from where they would be without it.
constexpr int kPrologueFrames = 105;
// The pictures of the prologue, and the first picture after it.
constexpr int kFirstVideoFrame = 11, kLastVideoFrame = 106;

// `script` with every absolute time ("#N") moved `frames` later.
std::string Later(const std::string& script, int frames) {
    std::string out;
    std::size_t at = 0;
    while (at < script.size()) {
        std::size_t end = script.find('\n', at);
        if (end == std::string::npos) end = script.size();
        const std::string line = script.substr(at, end - at);
        if (!line.empty() && line[0] == '#') {
            const std::size_t digits = line.find_first_not_of("0123456789", 1);
            out += "#" + std::to_string(std::stoi(line.substr(1, digits - 1)) + frames) +
                   (digits == std::string::npos ? "" : line.substr(digits));
        } else {
            out += line;
        }
        out += '\n';
        at = end + 1;
    }
    return out;
}

// From the start to lifting the receiver for Ernest's call (about frame
// 1880, when the twenty seconds begin). The opening takes about 500 frames;
// the card is up from about 560. The walker (2.64 units a frame) steps off
// the carpet, goes east along the platform, north through the yard to the
// office's door, opens it with the card, goes in, takes the time clock's
// card, turns to the telephone and looks down at it.
const char* const kStart = "#2 key press RETURN\n";  // past the intro pictures
const char* const kToTheCall =
                  "#400 click left 320 200\n"  // during the opening: held back
                  "#574 move 500 350\n+1 click left\n"  // the card
                  "#649 key down LEFT\n+52 key up LEFT\n"
                  "#709 key down UP\n+7 key up UP\n"
                  "#729 key down LEFT\n+26 key up LEFT\n"
                  "#759 key down UP\n+390 key up UP\n"
                  "#1154 key down LEFT\n+26 key up LEFT\n"
                  "#1184 key down UP\n+137 key up UP\n"
                  "#1324 key down LEFT\n+27 key up LEFT\n"
                  "#1359 move 320 240\n+1 click left\n"  // the door, with the card
                  "#1519 key down UP\n+31 key up UP\n"
                  "#1559 key down RIGHT\n+26 key up RIGHT\n"
                  "#1594 move 295 310\n+1 click left\n"  // the time clock's card
                  "#1609 key down LEFT\n+22 key up LEFT\n"
                  "#1639 key down PAGEDOWN\n+5 key up PAGEDOWN\n"
                  "#1659 move 315 268\n+1 click left\n"  // dialled
                  "#1729 click left 315 268\n";  // the receiver lifted

// Runs the program in a copy of the pack with `script` as its input; the
// debug output, or "failed: " and it when the program did not end well.
// Times in `script` are counted as if there were no prologue.
std::string RunStation(const ScratchDir& scratch, const std::string& script) {
    fs::copy(fs::path(TestBinDir()) / "Data", scratch.Path() / "data", fs::copy_options::recursive);
    fs::create_directories(scratch.Path() / "frames");
    scratch.Write("input.txt", kStart + Later(script, kPrologueFrames));
    const std::string command = "cd '" + scratch.Path().string() +
                                "' && LUMORA_BACKEND=headless LUMORA_CLOCK=fixed:33 LUMORA_INPUT=input.txt "
                                "LUMORA_FRAMES=frames LUMORA_AUDIO=audio.wav LUMORA_DEBUG=1 '" + TestBinDir() +
                                "/lumora' --data data --save save --scene U01.ZELT > run.log 2>&1";
    const int status = std::system(command.c_str());
    const std::string log = scratch.Read("run.log");
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? log : "failed: " + log;
}

// Presented frame `n` of a run, counted as if there were no prologue.
FrameDump StationFrame(const ScratchDir& scratch, int n) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.bmp", n + kPrologueFrames);
    return ReadFrameDump(scratch.Path() / "frames" / name);
}

// The first channel of a 16-bit PCM wave file's samples, and its rate.
std::vector<std::int16_t> WaveSamples(const std::string& bytes, int* rate) {
    std::vector<std::int16_t> out;
    const std::size_t data = bytes.find("data");
    if (bytes.size() < 44 || data == std::string::npos) return out;
    std::int16_t channels = 0;
    std::memcpy(&channels, bytes.data() + 22, 2);
    std::memcpy(rate, bytes.data() + 24, 4);
    if (channels <= 0) return out;
    const std::size_t step = 2 * static_cast<std::size_t>(channels);
    for (std::size_t at = data + 8; at + step <= bytes.size(); at += step) {
        std::int16_t v = 0;
        std::memcpy(&v, bytes.data() + at, 2);
        out.push_back(v);
    }
    return out;
}

// The best match (normalised correlation, -1..1) of `piece` in `within`
// from sample `from` to `to`, and where it is.
double BestMatch(const std::vector<std::int16_t>& piece, const std::vector<std::int16_t>& within, std::size_t from,
                 std::size_t to, std::size_t* where) {
    double best = -1;
    double pieceEnergy = 0;
    for (std::int16_t v : piece) pieceEnergy += static_cast<double>(v) * v;
    for (std::size_t at = from; at < to && at + piece.size() <= within.size(); at += 2) {
        double product = 0, energy = 0;
        for (std::size_t i = 0; i < piece.size(); ++i) {
            product += static_cast<double>(piece[i]) * within[at + i];
            energy += static_cast<double>(within[at + i]) * within[at + i];
        }
        const double match = product / (std::sqrt(pieceEnergy * energy) + 1e-9);
        if (match > best) {
            best = match;
            *where = at;
        }
    }
    return best;
}

}  // namespace

TEST(StationProgram, FromTheWelcomeToErnestsCallAndBeingFound) {
    const fs::path pack = fs::path(TestBinDir()) / "Data";
    ASSERT_TRUE(fs::exists(pack / "U01" / "U01.ZELT")) << "the data pack is built with the program";
    ScratchDir scratch;
    const std::string log = RunStation(scratch, std::string(kToTheCall) + "#3029 quit\n");
    ASSERT_NE(log.rfind("failed: ", 0), 0u) << log;

    const char* const story[] = {"Universe: U01_01 says d1_01",
                                 "Action=MaireBienvenue. NbDone=1",
                                 "Universe 1: the mayor holds out his card",
                                 "...Action: Found Receiver Receiver = *U01_04",
                                 "Action====================>Cando (TakeCard)",
                                 "Universe 1: the card is taken",
                                 "Action=OuvrirBureau. NbDone=1",
                                 "Action====================>Cando (OpenDoor)",
                                 "Action====================>Cando (TakeCarteHorloge)",
                                 "Action=Composer. NbDone=1",
                                 "Action====================>Cando (ClicTel)",
                                 "Action=AppelErnest. NbDone=1",
                                 "Universe 1: Ernest is coming",
                                 "Universe 1: too late, Ernest is back",
                                 "Universe: failed, back to the menu"};
    std::size_t at = 0;
    for (const char* line : story) {
        const std::size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
        at = found;
    }
    EXPECT_EQ(log.find("Receiver = *U01_02"), std::string::npos) << "the click during the opening was held back";
    EXPECT_EQ(log.find("[message box]", log.find("NbObjectTotal")), std::string::npos) << log;

    auto frame = [&](int n) { return StationFrame(scratch, n); };
    // The camera goes from the platform to the companion and on to the mayor.
    const FrameDump start = frame(30), walking = frame(180), mayor = frame(330);
    EXPECT_GT(Differing(start, walking), 3000);
    EXPECT_GT(Differing(walking, mayor), 3000);
    // The card shows in his raised hand, and is gone once taken.
    EXPECT_LT(CardPixels(frame(470)), 500) << "not yet held out at the end of the opening";
    EXPECT_GT(CardPixels(frame(573)), 8000);
    EXPECT_LT(CardPixels(frame(719)), 500);
    // At the end the menu's load screen: its list is a wide navy panel.
    const FrameDump menu = frame(3028);
    int navy = 0;
    for (std::uint32_t c : menu.rgb) navy += (c & 0xF8F8F8) == 0x202050;
    EXPECT_GT(navy, 100000);
}

// A new visit opens with the prologue: pictures of a flight over the
// station, one a frame, between cleared screens; its music is heard while
// they play and stops with them; then the station itself.
TEST(StationProgram, ThePrologueFliesOverTheStationWithItsMusic) {
    ScratchDir scratch;
    const std::string log = RunStation(scratch, "#200 quit\n");
    ASSERT_NE(log.rfind("failed: ", 0), 0u) << log;
    EXPECT_EQ(log.find("File not found"), std::string::npos) << log;
    EXPECT_NE(log.find("Universe: U01_01 says d1_01"), std::string::npos) << log;

    auto raw = [&](int n) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.bmp", n);
        return ReadFrameDump(scratch.Path() / "frames" / name);
    };
    auto lit = [](const FrameDump& f) {
        int n = 0;
        for (std::uint32_t c : f.rgb) n += (c & 0xF8F8F8) != 0;
        return n;
    };
    // Each picture of the flight: grass and sky, and the camera has moved.
    EXPECT_EQ(lit(raw(kFirstVideoFrame - 1)), 0) << "the screen is cleared before it";
    FrameDump previous = raw(kFirstVideoFrame);
    for (int n = kFirstVideoFrame; n <= kLastVideoFrame; ++n) {
        const FrameDump f = raw(n);
        ASSERT_EQ(f.rgb.size(), 640u * 480u) << n;
        int grass = 0;
        for (std::uint32_t c : f.rgb) {
            const int r = static_cast<int>((c >> 16) & 0xFF), g = static_cast<int>((c >> 8) & 0xFF),
                      b = static_cast<int>(c & 0xFF);
            grass += g > r + 15 && g > b + 15;
        }
        EXPECT_GT(grass, 640 * 480 / 6) << "picture " << n;
        if (n > kFirstVideoFrame) {
            EXPECT_GT(Differing(previous, f), 1500) << "picture " << n;
        }
        previous = f;
    }
    EXPECT_EQ(lit(raw(kLastVideoFrame + 1)), 0) << "the screen is cleared after it";
    // Then the station from its own camera, not a picture of the flight.
    const FrameDump station = StationFrame(scratch, 30);
    EXPECT_GT(lit(station), 640 * 480 / 2);
    EXPECT_GT(Differing(previous, station), 10000);

    // The music: a quarter second of it found in the capture where the
    // pictures began, and silence once they are over.
    int rate = 0, musicRate = 0;
    const std::vector<std::int16_t> heard = WaveSamples(scratch.Read("audio.wav"), &rate);
    const std::vector<std::int16_t> music =
        WaveSamples(ReadWholeFile((scratch.Path() / "data" / "Video" / "Prologue.wav").string()), &musicRate);
    ASSERT_EQ(rate, 22050);
    ASSERT_EQ(musicRate, rate);
    ASSERT_GT(music.size(), static_cast<std::size_t>(rate * 2));
    const std::vector<std::int16_t> piece(music.begin() + rate, music.begin() + rate + rate / 4);
    const std::size_t videoStart = static_cast<std::size_t>(kFirstVideoFrame - 1) * 33 * rate / 1000;
    std::size_t where = 0;
    EXPECT_GT(BestMatch(piece, heard, 0, static_cast<std::size_t>(rate) * 3, &where), 0.8);
    const double startedAt = (static_cast<double>(where) - rate) / rate;
    EXPECT_NEAR(startedAt, static_cast<double>(videoStart) / rate, 0.3);
    auto loudness = [&](double from, double seconds) {
        double sum = 0;
        const std::size_t a = static_cast<std::size_t>(from * rate), b = static_cast<std::size_t>((from + seconds) * rate);
        for (std::size_t i = a; i < b && i < heard.size(); ++i) sum += static_cast<double>(heard[i]) * heard[i];
        return std::sqrt(sum / static_cast<double>(b - a));
    };
    const double videoEnd = (kLastVideoFrame + 2) * 0.033;
    EXPECT_GT(loudness(startedAt + 0.5, videoEnd - startedAt - 1.0), 2000);
    EXPECT_LT(loudness(videoEnd, 0.6), 500) << "the music stops with the pictures";
}

// The same call, then out of the office and up the ladder before the time
// is over: the gauge stops and the walker stands on the raised roof.
TEST(StationProgram, UpOnTheRoofInTime) {
    const fs::path pack = fs::path(TestBinDir()) / "Data";
    ASSERT_TRUE(fs::exists(pack / "U01" / "U01.ZELT"));
    ScratchDir scratch;
    const std::string log = RunStation(scratch, std::string(kToTheCall) +
                                   "#1929 key down PAGEUP\n+8 key up PAGEUP\n"
                                   "#1961 move 200 250\n+1 click left\n"  // the door
                                   "#2114 key down LEFT\n+3 key up LEFT\n"
                                   "#2119 key down UP\n+55 key up UP\n"
                                   "#2179 key down LEFT\n+34 key up LEFT\n"
                                   "#2219 key down UP\n+39 key up UP\n"
                                   "#2264 key down LEFT\n+26 key up LEFT\n"
                                   "#2294 key down UP\n+42 key up UP\n"
                                   "#2341 key down LEFT\n+26 key up LEFT\n"
                                   "#2375 move 590 240\n+1 click left\n"  // a rung of the ladder
                                   "#2729 quit\n");
    ASSERT_NE(log.rfind("failed: ", 0), 0u) << log;
    const std::size_t coming = log.find("Universe 1: Ernest is coming");
    ASSERT_NE(coming, std::string::npos) << log;
    const std::size_t climb = log.find("Action====================>Cando (MonterSurToit)", coming);
    ASSERT_NE(climb, std::string::npos) << log;
    EXPECT_EQ(log.find("too late"), std::string::npos) << log;
    EXPECT_EQ(log.find("back to the menu"), std::string::npos);
    // The last walker line: on the raised roof.
    const std::size_t last = log.rfind("Pilot: ");
    ASSERT_NE(last, std::string::npos);
    const std::string line = log.substr(last, log.find('\n', last) - last);
    EXPECT_NE(line.find("z=139.000"), std::string::npos) << line;
    EXPECT_NE(line.find("ground=ToitHaut"), std::string::npos) << line;

    // The gauge's red bar shows while the time runs and is gone on the roof.
    auto redBar = [&](int n) {
        const FrameDump f = StationFrame(scratch, n);
        if (f.rgb.empty()) return false;
        const std::uint32_t c = f.At(12, 15);
        return ((c >> 16) & 0xFF) > 200 && ((c >> 8) & 0xFF) < 60;
    };
    EXPECT_TRUE(redBar(2029));
    EXPECT_TRUE(redBar(2369));
    EXPECT_FALSE(redBar(2629));
}
