// Scripted runs of the real program walking the start universe (the test
// rooms and their walking course) with the fixed clock: the pilot's debug
// line gives the eye after every step, falls and jumps add their summaries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "_ShellTestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string BinDir() {
    const char* bin = std::getenv("LUMORA_BIN");
    return bin && *bin ? bin : LUMORA_TEST_BIN_DIR;
}

struct Pose {
    float x = 0, y = 0, z = 0, theta = 0, phi = 0, fps = 0;
    int mode = 0;
    std::string ground;
};

struct Walk {
    int status = -1;
    std::string log;
    std::vector<Pose> poses;  // one per "Pilot:" line, in order
    std::string audio;        // the mixed sound, when asked for
};

// Runs the program on the data pack with the script, debug output on and a
// 33 ms fixed clock.
Walk RunWalk(const ScratchDir& scratch, const std::string& script, bool audio = false) {
    scratch.Write("input.txt", script);
    const fs::path pack = fs::path(BinDir()) / "Data";
    const std::string command = "cd '" + scratch.Path().string() +
                                "' && LUMORA_BACKEND=headless LUMORA_CLOCK=fixed:33 LUMORA_DEBUG=1 "
                                "LUMORA_INPUT=input.txt " +
                                (audio ? "LUMORA_AUDIO=audio.wav " : "") + "'" + BinDir() + "/lumora' --data '" +
                                pack.string() + "' --save save --scene U09.ZELT > run.log 2>&1";
    Walk w;
    const int status = std::system(command.c_str());
    w.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
    w.log = scratch.Read("run.log");
    if (audio) w.audio = scratch.Read("audio.wav");
    std::istringstream in(w.log);
    for (std::string line; std::getline(in, line);) {
        const std::size_t at = line.find("Pilot: ");
        if (at == std::string::npos) continue;
        Pose p;
        char ground[64] = {};
        if (std::sscanf(line.c_str() + at, "Pilot: x=%f y=%f z=%f theta=%f phi=%f fps=%f mode=%d ground=%63s", &p.x, &p.y,
                        &p.z, &p.theta, &p.phi, &p.fps, &p.mode, ground) >= 7) {
            p.ground = ground;
            w.poses.push_back(p);
        }
    }
    return w;
}

// Key `key` held for `frames` frames from frame `at` (a press of Control or
// Numpad 0 can go with it).
std::string Hold(int at, int frames, const std::string& key, const std::string& with = "") {
    std::string s;
    if (!with.empty()) s += "#" + std::to_string(at) + " key down " + with + "\n";
    s += "#" + std::to_string(at) + " key down " + key + "\n";
    s += "#" + std::to_string(at + frames) + " key up " + key + "\n";
    if (!with.empty()) s += "#" + std::to_string(at + frames) + " key up " + with + "\n";
    return s;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

constexpr float kSlantLimit = 23.0f;  // the sphere's centre from the slanted wall's middle line

float SlantDistance(const Pose& p) { return (p.x + p.y + 306.0f) / std::sqrt(2.0f); }

}  // namespace

// Forward, backwards and running steps; then west into the dais, south into
// the slanted wall (sliding along it to the south wall), west along it to
// the west wall, and north into the dais again. No wall is ever crossed.
TEST(GameWalk, WalkingSpeedsAndWallsThatHold) {
    ScratchDir scratch;
    const std::string script = "#2 key press RETURN\n" + Hold(30, 20, "UP") + Hold(52, 10, "DOWN") +
                               Hold(64, 10, "UP", "CONTROL") + Hold(76, 52, "LEFT") + Hold(130, 100, "UP") +
                               Hold(232, 26, "LEFT") + Hold(260, 100, "UP", "CONTROL") + Hold(362, 26, "RIGHT") +
                               Hold(390, 100, "UP", "CONTROL") + Hold(492, 26, "RIGHT") + Hold(520, 100, "UP") +
                               "#640 quit\n";
    const Walk w = RunWalk(scratch, script);
    ASSERT_EQ(w.status, 0) << w.log;
    ASSERT_GT(w.poses.size(), 550u) << w.log;

    // Steps along x at the start: the speed of the data (2.0 x scale 40 per
    // second), twice that running, half of it backwards.
    int forward = 0, running = 0, backward = 0;
    for (std::size_t i = 1; i < w.poses.size() && i < 80; ++i) {
        const Pose &a = w.poses[i - 1], &b = w.poses[i];
        const float dx = b.x - a.x, step = 2.0f * 40.0f / b.fps;
        if (std::fabs(b.y - a.y) > 1e-3f || std::fabs(dx) < 1e-3f) continue;
        if (std::fabs(dx - step) < 1e-3f * step && b.mode == 0) ++forward;
        else if (std::fabs(dx - 2 * step) < 1e-3f * step && b.mode == 1) ++running;
        else if (std::fabs(dx + step / 2) < 1e-3f * step) ++backward;
        else ADD_FAILURE() << "a step of " << dx << " at " << b.fps << " frames per second";
    }
    EXPECT_GE(forward, 18);
    EXPECT_GE(backward, 8);
    EXPECT_GE(running, 8);
    EXPECT_NEAR(w.poses[40].fps, 1000.0f / 33, 0.01f);

    bool reachedSouthWall = false, slidToWestWall = false, stoppedByDais = false;
    for (const Pose& p : w.poses) {
        ASSERT_GE(p.x, -180.05f);
        ASSERT_GE(p.y, -180.05f);
        ASSERT_GE(SlantDistance(p), kSlantLimit - 0.05f) << p.x << " " << p.y;
        ASSERT_FLOAT_EQ(p.z, 70.0f) << "no step climbed, nothing fallen";
        // The dais (x -200..-120, y -10..90, 30 high) is never entered.
        ASSERT_FALSE(p.x < -120.0f + 15.0f && p.y > -10.0f - 15.0f && p.y < 90.0f + 15.0f) << p.x << " " << p.y;
        if (p.y < -179.0f) reachedSouthWall = true;
        if (reachedSouthWall && p.x < -179.0f && p.y > -100.0f) slidToWestWall = true;
        if (slidToWestWall && p.y > -28.0f) stoppedByDais = true;
    }
    EXPECT_TRUE(reachedSouthWall);
    EXPECT_TRUE(slidToWestWall) << "walking west against the slant carried the walker north-west";
    EXPECT_TRUE(stoppedByDais);
    EXPECT_NEAR(w.poses.back().y, -27.0f, 1.5f) << "the dais's edge meets the sphere";
}

// South, east, then north up the stairs onto the gallery, west off its
// edge: the eye follows every tread, the fall takes the time gravity gives
// and ends with the landing sound.
TEST(GameWalk, StairsGalleryAndAFallWithItsLanding) {
    ScratchDir scratch;
    const std::string script = "#2 key press RETURN\n" + Hold(30, 26, "RIGHT") + Hold(58, 60, "UP") +
                               Hold(120, 26, "LEFT") + Hold(148, 65, "UP") + Hold(215, 26, "LEFT") +
                               Hold(243, 140, "UP") + Hold(385, 26, "LEFT") + Hold(413, 40, "UP") + "#500 quit\n";
    const Walk w = RunWalk(scratch, script, true);
    ASSERT_EQ(w.status, 0) << w.log;
    ASSERT_GT(w.poses.size(), 400u) << w.log;

    bool treads[6] = {};
    float highest = 0;
    std::size_t fallStart = 0;
    for (std::size_t i = 0; i < w.poses.size(); ++i) {
        const Pose& p = w.poses[i];
        highest = std::max(highest, p.z);
        if (p.x > 140 && p.x < 180)
            for (int k = 0; k < 6; ++k) {
                const float y0 = -30.0f + 20.0f * k;
                if (p.y > y0 + 0.5f && p.y < y0 + 19.5f) {
                    EXPECT_NEAR(p.z, 10.0f + 70.0f * (k + 1) / 6 + 60.0f, 1e-3) << "tread " << k + 1;
                    treads[k] = true;
                }
            }
        if (!fallStart && i > 0 && w.poses[i - 1].z == 140.0f && p.z < 140.0f && p.z > 70.0f) fallStart = i - 1;
    }
    for (bool t : treads) EXPECT_TRUE(t);
    EXPECT_FLOAT_EQ(highest, 140.0f) << "on the gallery, 70 above the floor";
    EXPECT_EQ(Count(w.log, "Cà tombe"), 1u) << w.log;

    // The fall: the eye drops 5.9 x 40 x t squared after t seconds, one pass a frame.
    ASSERT_GT(fallStart, 0u);
    int passes = 0;
    for (std::size_t i = fallStart; i < w.poses.size() && w.poses[i].z > 70.0f; ++i, ++passes) {
        const float t = 0.033f * static_cast<float>(i - fallStart);
        EXPECT_NEAR(w.poses[i].z, 140.0f - std::min(5.9f * 40.0f * t * t, 70.0f), 0.01f) << "pass " << i - fallStart;
        EXPECT_NEAR(w.poses[i].x, w.poses[fallStart].x, 1e-3) << "straight down";
    }
    EXPECT_GE(passes, 16);
    EXPECT_LE(passes, 18) << "70 units take 0.54 s";
    const std::size_t at = w.log.find("Fall: 70.00 units in ");
    ASSERT_NE(at, std::string::npos) << w.log;
    const int ms = std::atoi(w.log.c_str() + at + 21);
    EXPECT_GE(ms, 540);
    EXPECT_LE(ms, 600);
    EXPECT_EQ(w.poses.back().z, 70.0f);
    EXPECT_EQ(w.poses.back().ground, "FloorA");

    // The landing: "SAUT.WAV" at the eye, heard in the mix (nothing else plays).
    EXPECT_EQ(Count(w.log, "Landing: SAUT.WAV"), 1u);
    ASSERT_GT(w.audio.size(), 44u);
    int loudest = 0;
    for (std::size_t i = 44; i + 1 < w.audio.size(); i += 2)
        loudest = std::max(loudest, std::abs(static_cast<int>(static_cast<std::int16_t>(
                                        static_cast<unsigned char>(w.audio[i]) | static_cast<unsigned char>(w.audio[i + 1]) << 8))));
    EXPECT_GT(loudest, 1000);
}

// Standing, the gallery's edge stops the walker; crouched he passes under
// it, stays down while the gallery is over his head even with the key
// released, and stands up once out.
TEST(GameWalk, CrouchingUnderTheGallery) {
    ScratchDir scratch;
    const std::string script = "#2 key press RETURN\n" + Hold(30, 26, "LEFT") + Hold(58, 53, "UP") +
                               Hold(113, 26, "RIGHT") + Hold(141, 60, "UP") + Hold(203, 150, "UP", "NUMPAD0") +
                               Hold(355, 52, "LEFT") + Hold(409, 130, "UP") + "#620 quit\n";
    const Walk w = RunWalk(scratch, script);
    ASSERT_EQ(w.status, 0) << w.log;
    ASSERT_GT(w.poses.size(), 500u) << w.log;

    float standingReach = -1000, crouchedReach = -1000;
    bool stoodUpOutside = false;
    for (const Pose& p : w.poses) {
        if (p.z == 70.0f && p.y > 100 && p.y < 180) standingReach = std::max(standingReach, p.x);
        if (p.mode == 4) crouchedReach = std::max(crouchedReach, p.x);
        // Under the gallery (x beyond 110) the eye stays below its underside (60).
        if (p.x > 110.5f && p.y > 90 && p.y < 197) {
            ASSERT_LT(p.z, 60.0f) << p.x << " " << p.y;
        }
        if (crouchedReach > 150 && p.x < 110 && p.z == 70.0f) stoodUpOutside = true;
    }
    EXPECT_LE(standingReach, 110.0f - 15.0f) << "standing (also after crouching), the edge 50 above the floor meets "
                                                 "the sphere";
    EXPECT_GT(crouchedReach, 150.0f) << "crouched, under the gallery";
    EXPECT_TRUE(stoodUpOutside);
    EXPECT_FLOAT_EQ(w.poses.back().z, 70.0f);
}

// A jump in place peaks 20 above the start after one second and lands after
// two; a jump with Up held carries the walker forward at a quarter speed.
TEST(GameWalk, JumpsPeakAtHalfTheScale) {
    ScratchDir scratch;
    const std::string script = "#2 key press RETURN\n#30 key down SHIFT\n+2 key up SHIFT\n#120 key down UP\n"
                               "+0 key down SHIFT\n+2 key up SHIFT\n+70 key up UP\n#260 quit\n";
    const Walk w = RunWalk(scratch, script);
    ASSERT_EQ(w.status, 0) << w.log;
    ASSERT_EQ(Count(w.log, "Jump: peak "), 2u) << w.log;

    std::vector<std::vector<Pose>> jumps(1);
    for (const Pose& p : w.poses) {
        if (p.mode == 2) jumps.back().push_back(p);
        else if (!jumps.back().empty()) jumps.emplace_back();
    }
    if (jumps.back().empty()) jumps.pop_back();
    ASSERT_EQ(jumps.size(), 2u);
    for (const std::vector<Pose>& j : jumps) {
        float peak = 0;
        std::size_t peakAt = 0;
        for (std::size_t i = 0; i < j.size(); ++i)
            if (j[i].z > peak) {
                peak = j[i].z;
                peakAt = i;
            }
        EXPECT_NEAR(peak, 90.0f, 0.05f);
        EXPECT_NEAR(static_cast<float>(peakAt) * 0.033f, 1.0f, 0.05f) << "one second up";
        EXPECT_NEAR(static_cast<float>(j.size()) * 0.033f, 2.0f, 0.1f) << "two seconds in all";
    }
    const std::size_t at = w.log.find("Jump: peak ");
    EXPECT_NEAR(std::atof(w.log.c_str() + at + 11), 20.0f, 0.05f);
    EXPECT_FLOAT_EQ(jumps[0].front().x, jumps[0].back().x) << "in place";
    const float carried = jumps[1].back().x - jumps[1].front().x;
    const float quarter = 2.0f * 40.0f / (1000.0f / 33) / 4;
    EXPECT_NEAR(carried, quarter * static_cast<float>(jumps[1].size() - 1), 0.5f);
    EXPECT_FLOAT_EQ(w.poses.back().z, 70.0f) << "back on the floor";
}

// While the scene is recorded (Control+F12) a turn key turns by about 0.01
// radian a frame; after the recording, by 0.06 again.
TEST(GameWalk, RecordingTurnsSlowly) {
    ScratchDir scratch;
    const std::string chord = " key down CONTROL\n+0 key down F12\n+1 key up F12\n+0 key up CONTROL\n";
    const std::string script = "#2 key press RETURN\n#30" + chord + Hold(40, 10, "RIGHT") + "#55" + chord +
                               Hold(60, 10, "RIGHT") + "#80 quit\n";
    const Walk w = RunWalk(scratch, script);
    ASSERT_EQ(w.status, 0) << w.log;
    int slow = 0, fast = 0;
    for (std::size_t i = 1; i < w.poses.size(); ++i) {
        const float turn = w.poses[i].theta - w.poses[i - 1].theta;
        if (std::fabs(turn - 0.06f * 0.167f) < 1e-4f) ++slow;
        else if (std::fabs(turn - 0.06f) < 1e-4f) {
            EXPECT_EQ(slow, 10) << "every slow turn came first";
            ++fast;
        } else EXPECT_NEAR(turn, 0.0f, 1e-6f);
    }
    EXPECT_EQ(slow, 10);
    EXPECT_EQ(fast, 10);
}
