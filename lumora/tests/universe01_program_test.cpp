// The real program straight into the station, with scripted input: the
// opening plays (the companion speaks, the camera moves to the mayor, who
// welcomes the player and holds out his card); the card is taken and opens
// the office; the time clock's card is dialled on the telephone; lifting
// the receiver brings Ernest's call, and the player, staying in the office,
// is found when the twenty seconds are over: back to the menu.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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

}  // namespace

TEST(StationProgram, FromTheWelcomeToErnestsCallAndBeingFound) {
    const fs::path pack = fs::path(TestBinDir()) / "Data";
    ASSERT_TRUE(fs::exists(pack / "U01" / "U01.ZELT")) << "the data pack is built with the program";
    ScratchDir scratch;
    fs::copy(pack, scratch.Path() / "data", fs::copy_options::recursive);
    fs::create_directories(scratch.Path() / "frames");
    // The opening takes about 470 frames; the card is up from about 530.
    // The walker (2.64 units a frame) steps off the carpet, goes east along
    // the platform, north through the yard to the office's door, opens it
    // with the card, goes in, takes the time clock's card, turns to the
    // telephone and looks down at it.
    scratch.Write("input.txt",
                  "#2 key press RETURN\n"
                  "#400 click left 320 200\n"  // during the opening: held back
                  "#545 move 500 350\n+1 click left\n"  // the card
                  "#620 key down LEFT\n+52 key up LEFT\n"
                  "#680 key down UP\n+7 key up UP\n"
                  "#700 key down LEFT\n+26 key up LEFT\n"
                  "#730 key down UP\n+390 key up UP\n"
                  "#1125 key down LEFT\n+26 key up LEFT\n"
                  "#1155 key down UP\n+137 key up UP\n"
                  "#1295 key down LEFT\n+27 key up LEFT\n"
                  "#1330 move 320 240\n+1 click left\n"  // the door, with the card
                  "#1490 key down UP\n+31 key up UP\n"
                  "#1530 key down RIGHT\n+26 key up RIGHT\n"
                  "#1565 move 295 310\n+1 click left\n"  // the time clock's card
                  "#1580 key down LEFT\n+22 key up LEFT\n"
                  "#1610 key down PAGEDOWN\n+5 key up PAGEDOWN\n"
                  "#1630 move 315 268\n+1 click left\n"  // dialled
                  "#1700 click left 315 268\n"            // the receiver lifted
                  "#3000 quit\n");
    const std::string command = "cd '" + scratch.Path().string() +
                                "' && LUMORA_BACKEND=headless LUMORA_CLOCK=fixed:33 LUMORA_INPUT=input.txt "
                                "LUMORA_FRAMES=frames LUMORA_DEBUG=1 '" + TestBinDir() +
                                "/lumora' --data data --save save --scene U01.ZELT > run.log 2>&1";
    const int status = std::system(command.c_str());
    const std::string log = scratch.Read("run.log");
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << log;

    const char* const story[] = {"File not found",  // the prologue's video is not in the pack
                                 "Universe: U01_01 says d1_01",
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

    auto frame = [&](int n) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.bmp", n);
        return ReadFrameDump(scratch.Path() / "frames" / name);
    };
    // The camera goes from the platform to the companion and on to the mayor.
    const FrameDump start = frame(30), walking = frame(180), mayor = frame(330);
    EXPECT_GT(Differing(start, walking), 3000);
    EXPECT_GT(Differing(walking, mayor), 3000);
    // The card shows in his raised hand, and is gone once taken.
    EXPECT_LT(CardPixels(frame(470)), 500) << "not yet held out at the end of the opening";
    EXPECT_GT(CardPixels(frame(544)), 8000);
    EXPECT_LT(CardPixels(frame(690)), 500);
    // At the end the menu's load screen: its list is a wide navy panel.
    const FrameDump menu = frame(2999);
    int navy = 0;
    for (std::uint32_t c : menu.rgb) navy += (c & 0xF8F8F8) == 0x202050;
    EXPECT_GT(navy, 100000);
}
