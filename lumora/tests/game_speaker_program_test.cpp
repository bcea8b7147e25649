// The real program on the start universe (the test rooms) with scripted
// clicks on the painter: his greeting moves the mouth as its timing file
// says and leaves it at rest at the end; a line without a timing file moves
// it at random, the same way in two runs; the voice is in the captured sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "_EngineTestSupport.h"
#include "_GameTestSupport.h"
#include "_ShellTestSupport.h"
#include "lumora/shell/ChunkFile.h"
#include "platform/Bmp.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFrameMs = 33;
// The walk from the start of the test rooms to their south end, facing the
// doorway (frames 22 to 164), then the clicks.
constexpr int kWalk = 160;
// The greeting's click reaches the scene with frame 26 after the walk; the
// line's clock starts with the next frame.
constexpr int kGreetingFrame = kWalk + 27;
constexpr int kChatClick = kWalk + 160;
constexpr int kLastFrame = kWalk + 300;
// The painter's mouth on screen, inside his head.
constexpr int kMouthX0 = 396, kMouthX1 = 426, kMouthY0 = 228, kMouthY1 = 259;

struct Recording {
    std::vector<std::string> frames;  // the BMP files' bytes
    std::vector<std::vector<std::uint32_t>> mouths;
    std::string log;
    std::string audio;
};

std::vector<std::uint32_t> Mouth(const std::string& bmpPath) {
    platform::BmpImage image;
    std::vector<std::uint32_t> pixels;
    if (!platform::ReadBmpFile(bmpPath.c_str(), &image)) return pixels;
    for (int y = kMouthY0; y < kMouthY1; ++y)
        for (int x = kMouthX0; x < kMouthX1; ++x) pixels.push_back(image.rgb[static_cast<std::size_t>(y) * image.width + x]);
    return pixels;
}

Recording Play(const fs::path& pack) {
    ScratchDir scratch;
    fs::copy(pack, scratch.Path() / "data", fs::copy_options::recursive);
    fs::create_directories(scratch.Path() / "frames");
    // Click the painter: the greeting; once more: the ambience; a third
    // time, a second apart so that it is no double click: a chat line.
    scratch.Write("input.txt",
                  "#2 key press RETURN\n"
                  "#22 key down LEFT\n"
                  "+26 key up LEFT\n"
                  "#50 key down DOWN\n"
                  "+114 key up DOWN\n"
                  "#" + std::to_string(kWalk + 25) + " move 408 280\n"
                  "+1 click left\n"
                  "#" + std::to_string(kWalk + 130) + " click left 408 280\n"
                  "#" + std::to_string(kChatClick) + " click left 408 280\n"
                  "#" + std::to_string(kLastFrame) + " quit\n");
    const std::string command = "cd '" + scratch.Path().string() +
                                "' && LUMORA_BACKEND=headless LUMORA_CLOCK=fixed:33 LUMORA_INPUT=input.txt "
                                "LUMORA_FRAMES=frames LUMORA_AUDIO=audio.wav LUMORA_DEBUG=1 '" +
                                TestBinDir() + "/lumora' --data data --save save --scene U09.ZELT > run.log 2>&1";
    const int status = std::system(command.c_str());
    Recording run;
    run.log = scratch.Read("run.log");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return run;
    for (int n = 1;; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.bmp", n);
        const fs::path file = scratch.Path() / "frames" / name;
        if (!fs::exists(file)) break;
        run.frames.push_back(ReadWholeFile(file.string()));
        run.mouths.push_back(Mouth(file.string()));
    }
    run.audio = scratch.Read("audio.wav");
    return run;
}

struct Mark {
    std::uint32_t ms;
    int shape;
};

std::vector<Mark> Timing(const std::string& path) {
    std::vector<Mark> marks;
    ReadChunks(path, [&](XChunkFile* f) {
        std::int32_t count = 0;
        if (!f->BeginReadChunk("INDEX") || !f->Read(&count, 4)) return 0;
        for (std::int32_t i = 0; i < count; ++i) {
            std::uint8_t e[8];
            if (!f->Read(e, 8)) break;
            marks.push_back({static_cast<std::uint32_t>(e[0] | e[1] << 8 | e[2] << 16 | e[3] << 24), e[4] | e[5] << 8});
        }
        f->EndReadChunk();
        return 1;
    });
    return marks;
}

// The code the timing file gives at `ms`, and how far `ms` lies from the
// nearest change of rest to talking or back.
int CodeAt(const std::vector<Mark>& marks, int ms, int* margin) {
    int code = 1;
    *margin = 1 << 30;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const bool rest = marks[i].shape == 1, before = i == 0 || marks[i - 1].shape == 1;
        if (rest != before || i + 1 == marks.size()) *margin = std::min(*margin, std::abs(ms - static_cast<int>(marks[i].ms)));
        if (static_cast<int>(marks[i].ms) <= ms) code = marks[i].shape;
    }
    return code;
}

}  // namespace

TEST(SpeakerProgram, ThePainterGreetsByHisTimingFileThenChatsAtRandomTheSameWayTwice) {
    const fs::path pack = fs::path(TestBinDir()) / "Data";
    ASSERT_TRUE(fs::exists(pack / "APP.BIN")) << "the data pack is built with the program";
    const std::vector<Mark> marks = Timing((pack / "U09" / "Sound" / "painter1.bin").string());
    ASSERT_GE(marks.size(), 6u);
    ASSERT_EQ(marks.front().shape, 1);
    const int lineEnd = static_cast<int>(marks.back().ms);

    const Recording run = Play(pack);
    ASSERT_EQ(static_cast<int>(run.frames.size()), kLastFrame) << run.log;
    for (const char* line : {"Find Action PainterGreets", "Find Action Ambience", "Find Action PainterChats"})
        EXPECT_NE(run.log.find(line), std::string::npos) << line << "\n" << run.log;

    // Frame n (1-based) shows the line at (n - kGreetingFrame) x 33 ms.
    const std::vector<std::uint32_t>& rest = run.mouths[kWalk + 19];
    auto talking = [&](int n) { return run.mouths[static_cast<std::size_t>(n - 1)] != rest; };
    for (int n = kWalk + 10; n < kGreetingFrame; ++n) EXPECT_FALSE(talking(n)) << "before the click, frame " << n;
    int agree = 0, total = 0;
    std::vector<bool> segmentSeen(marks.size(), false);
    for (int n = kGreetingFrame; n < kWalk + 130; ++n) {
        const int ms = (n - kGreetingFrame) * kFrameMs;
        int margin = 0;
        const int code = CodeAt(marks, ms, &margin);
        ++total;
        agree += talking(n) == (code != 1 && ms < lineEnd);
        for (std::size_t i = marks.size(); i-- > 0;)
            if (static_cast<int>(marks[i].ms) <= ms) {
                segmentSeen[i] = segmentSeen[i] || talking(n);
                break;
            }
        // Frames close to a change may show either side of it.
        if (margin >= 2 * kFrameMs && (code == 1 || ms >= lineEnd)) {
            EXPECT_FALSE(talking(n)) << "at rest at " << ms << " ms, frame " << n;
        }
    }
    EXPECT_GT(agree, total * 9 / 10) << "the mouth follows the timing file";
    // Every talking stretch of the file long enough to show opened the mouth.
    for (std::size_t i = 0; i + 1 < marks.size(); ++i)
        if (marks[i].shape != 1 && marks[i + 1].ms - marks[i].ms >= 150) {
            EXPECT_TRUE(segmentSeen[i]) << "talking from " << marks[i].ms << " ms";
        }
    // After the line, rest until the third click.
    for (int n = kGreetingFrame + lineEnd / kFrameMs + 2; n <= kChatClick; ++n) EXPECT_FALSE(talking(n)) << n;

    // The chat: no timing file, the mouth moves at random and rests at the end.
    std::set<std::vector<std::uint32_t>> looks;
    int moving = 0;
    for (int n = kChatClick + 2; n < kChatClick + 80; ++n) {
        moving += talking(n);
        looks.insert(run.mouths[static_cast<std::size_t>(n - 1)]);
    }
    EXPECT_GT(moving, 50);
    EXPECT_GE(looks.size(), 4u);
    for (int n = kLastFrame - 10; n <= kLastFrame; ++n) EXPECT_FALSE(talking(n)) << "the chat is over, frame " << n;

    // The greeting is heard from the click on, with its pause in the middle.
    const std::vector<double> loud = Loudness(run.audio, 0.1);
    ASSERT_GT(loud.size(), 40u);
    const int clickWindow = kGreetingFrame * kFrameMs / 100;
    for (int w = 0; w < clickWindow; ++w) EXPECT_LT(loud[static_cast<std::size_t>(w)], 20) << "silence before, " << w;
    int first = -1;
    for (int w = clickWindow; w < clickWindow + 10 && first < 0; ++w)
        if (loud[static_cast<std::size_t>(w)] > 200) first = w;
    ASSERT_GE(first, clickWindow + 2) << "the greeting starts after 300 ms";
    EXPECT_LE(first, clickWindow + 5);
    const int pause = clickWindow + 8;  // 800 to 900 ms into the line
    EXPECT_LT(loud[static_cast<std::size_t>(pause)], 50) << "the pause";
    EXPECT_GT(*std::max_element(loud.begin() + pause, loud.begin() + pause + 8), 200) << "then more words";

    // The same script again: the same pictures, random mouth included.
    const Recording again = Play(pack);
    ASSERT_EQ(again.frames.size(), run.frames.size());
    for (std::size_t i = 0; i < run.frames.size(); ++i) ASSERT_EQ(again.frames[i], run.frames[i]) << "frame " << i + 1;
}
