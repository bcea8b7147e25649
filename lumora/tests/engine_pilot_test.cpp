// The camera pilot and the gauge on the test rooms of the data pack: walking
// speed, the tilt limits, walls, the slanted wall, stairs, the step too high,
// the ledge, the collision-only pane, timed flights, and the saved-game chunks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "_ShellTestSupport.h"
#include "include/zelt/zelt.h"
#include "lumora/engine/InfoTables.h"
#include "lumora/engine/SceneList.h"
#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XGauge.h"
#include "lumora/engine/XScene.h"
#include "lumora/game/XGame.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/XApplication.h"
#include "platform/Time.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

constexpr float kPi = 3.14159265f;
// Headings: theta 0 walks along +x, pi/2 along -y, pi along -x, -pi/2 along +y.
constexpr float kEast = 0.0f, kSouth = kPi / 2, kWest = kPi, kNorth = -kPi / 2;

std::string BinDir() {
    const char* bin = std::getenv("LUMORA_BIN");
    return bin && *bin ? bin : LUMORA_TEST_BIN_DIR;
}

std::string U09() { return (fs::path(BinDir()) / "Data" / "U09").string() + "/"; }

// A scene that notes the pilot's heading at every pass of a timed flight.
class RecordingScene : public XScene {
public:
    void Animate() override {
        if (m_Pilot) thetas.push_back(m_Pilot->m_Theta);
    }
    std::vector<float> thetas;
};

class PilotTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetMessageTableFolder(BinDir());
        ASSERT_EQ(StartKernel(0, 16), 1);
    }

    void SetUp() override { Load(scene); }
    void TearDown() override { std::memset(g_Keys, 0, sizeof g_Keys); }

    // The test rooms, with their "Scene.bin" and the pilot started.
    static void Load(XScene& s) {
        std::snprintf(s.m_Dir, sizeof s.m_Dir, "%s", U09().c_str());
        ASSERT_EQ(Zelt_Scene_Create(&s.m_Scene), 1);
        s.AddMapDir((U09() + "Maps\\").c_str());
        ASSERT_EQ(s.LoadSceneInfo(), 1);
        ASSERT_EQ(s.Load("U09.ZELT"), 1);
        ASSERT_NE(s.m_Pilot, nullptr);
        s.m_FrameRate = 60.0f;
    }

    XCameraPilot& Pilot() { return *scene.m_Pilot; }
    float X() { return Pilot().m_Position[0]; }
    float Y() { return Pilot().m_Position[1]; }
    float Z() { return Pilot().m_Position[2]; }

    // Stands on the ground at x, y facing theta (level).
    void Place(float x, float y, float theta) {
        const ZeltVector probe{x, y, 160.0f};
        const float ground = 160.0f - Pilot().HeightAboveGround(&probe);
        ZeltVector p{x, y, ground + 60.0f};
        ASSERT_EQ(Pilot().GroundCheck(&p), XCameraPilot::kOnGround);
        Pilot().SetPosition(x, y, p.z);
        Pilot().SetAngles(theta, kPi / 2);
    }

    // n frames with the keys held; `each` runs after every frame.
    template <class F = void (*)()>
    void Frames(int n, std::initializer_list<int> keys, F each = [] {}) {
        for (int i = 0; i < n; ++i) {
            for (int k : keys) g_Keys[k] = 1;
            ASSERT_EQ(scene.Step(), 1);
            each();
        }
        for (int k : keys) g_Keys[k] = 0;
    }

    ZeltObject* Object(const char* name) { return scene.FindObject(name, 1); }

    ReportRecorder recorder;
    XScene scene;
};

}  // namespace

TEST_F(PilotTest, StartsOnTheSceneCameraWithTheProportionsOfTheScale) {
    ASSERT_NE(Pilot().m_Camera, nullptr);
    EXPECT_EQ(Pilot().m_Camera, Zelt_Scene_Get_First_Camera(scene.m_Scene));
    EXPECT_EQ(scene.m_Scene->activeCamera, Pilot().m_Camera);
    EXPECT_FLOAT_EQ(Pilot().m_Camera->fov, 60.0f) << "from the camera record of Scene.bin";
    EXPECT_FLOAT_EQ(Pilot().m_Height, 60.0f);
    EXPECT_FLOAT_EQ(Pilot().m_SphereRadius, 20.0f);
    EXPECT_FLOAT_EQ(Pilot().m_SphereOffsetZ, 20.0f);
    EXPECT_FLOAT_EQ(Pilot().m_Speed, 2.0f) << "the file's speed (4) is not kept";
    EXPECT_FLOAT_EQ(Z(), 60.0f);
    // The first frame puts the eye 60 above the floor (at 10).
    Frames(1, {});
    EXPECT_FLOAT_EQ(Z(), 70.0f);
    ASSERT_NE(Pilot().m_Ground, nullptr);
    EXPECT_STREQ(Pilot().m_Ground->name, "FloorA");
}

TEST_F(PilotTest, OneFrameOfWalkingFollowsSpeedScaleAndFrameRate) {
    struct Case {
        float fps;
        std::initializer_list<int> keys;
        float dx;
    };
    // 2 x 40 / 60 forward, twice that running, half of it backwards; a rate
    // below 8 counts as 8.
    const Case cases[] = {{60, {VK_UP}, 4.0f / 3}, {60, {VK_CONTROL, VK_UP}, 8.0f / 3},
                          {60, {VK_DOWN}, -2.0f / 3}, {30, {VK_UP}, 8.0f / 3}, {4, {VK_UP}, 10.0f}};
    for (const Case& c : cases) {
        Place(0, 0, kEast);
        scene.m_FrameRate = c.fps;
        Pilot().m_Speed = g_WalkSpeed;
        Frames(1, c.keys);
        EXPECT_NEAR(X(), c.dx, 1e-3) << c.fps;
        EXPECT_NEAR(Y(), 0.0f, 1e-3);
        EXPECT_FLOAT_EQ(Z(), 70.0f);
    }
    // Within two radii of a wall ahead the step is halved.
    scene.m_FrameRate = 60;
    Place(0, -150, kSouth);
    Frames(1, {VK_UP});
    EXPECT_NEAR(Y(), -150.0f - 4.0f / 3, 1e-3);
    Place(0, -165, kSouth);
    Frames(1, {VK_UP});
    EXPECT_NEAR(Y(), -165.0f - 2.0f / 3, 1e-3);
}

TEST_F(PilotTest, TiltStopsAtItsLimitsAndTurningIsSteady) {
    float highest = 0;
    Frames(40, {VK_PRIOR}, [&] { highest = std::max(highest, Pilot().m_Phi); });
    EXPECT_FLOAT_EQ(Pilot().m_Phi, 2.7f);
    EXPECT_LE(highest, 2.7f);
    float lowest = 10;
    Frames(60, {VK_NEXT}, [&] { lowest = std::min(lowest, Pilot().m_Phi); });
    EXPECT_FLOAT_EQ(Pilot().m_Phi, 0.6f);
    EXPECT_GE(lowest, 0.6f);
    EXPECT_FLOAT_EQ(Pilot().m_Camera->phi, 0.6f) << "the camera record follows";
    // Control with Page Up runs: it does not tilt.
    Frames(5, {VK_CONTROL, VK_PRIOR});
    EXPECT_FLOAT_EQ(Pilot().m_Phi, 0.6f);
    const float theta = Pilot().m_Theta;
    Frames(10, {VK_RIGHT});
    EXPECT_NEAR(Pilot().m_Theta, theta + 0.6f, 1e-5);
    Pilot().m_CanTurn = 0;
    Frames(10, {VK_LEFT});
    EXPECT_NEAR(Pilot().m_Theta, theta + 0.6f, 1e-5) << "turning needs m_CanTurn";
}

TEST_F(PilotTest, WallsHoldAndTheSlantedWallSlidesTheWalkerAlong) {
    // Straight into the south wall (its face at y = -200) for many frames.
    Place(-20, -100, kSouth);
    Frames(150, {VK_CONTROL, VK_UP}, [&] { ASSERT_GE(Y(), -180.01f); });
    EXPECT_NEAR(Y(), -180.0f, 0.05f);
    // Into the east wall beside the stairs, a little askew.
    Place(160, -150, kEast - 0.3f);
    Frames(150, {VK_UP}, [&] { ASSERT_LE(X(), 180.01f); });
    // West into the slanted wall: its face lies 3 from the line x + y = -306.
    Place(-100, -160, kWest);
    const float startY = Y();
    bool slid = false;
    Frames(200, {VK_CONTROL, VK_UP}, [&] {
        const float distance = (X() + Y() + 306.0f) / std::sqrt(2.0f);
        ASSERT_GE(distance, 23.0f - 0.05f) << X() << " " << Y();
        ASSERT_GE(X(), -180.01f);
        if (Y() > startY + 20) slid = true;
    });
    EXPECT_TRUE(slid) << "pushed along the slant toward the north-west";
    EXPECT_NEAR(X(), -180.0f, 0.5f) << "until the west wall stops it";
}

TEST_F(PilotTest, StairsAreClimbedAtTheirHeightAndTheDaisBlocks) {
    // Up the stairs from the south: each tread puts the eye 60 above it.
    Place(172, -100, kNorth);
    bool sawEveryStep[6] = {};
    Frames(300, {VK_UP}, [&] {
        for (int i = 0; i < 6; ++i) {
            const float y0 = -30.0f + 20.0f * i;
            if (Y() > y0 + 0.5f && Y() < y0 + 19.5f) {
                ASSERT_NEAR(Z(), 10.0f + 70.0f * (i + 1) / 6 + 60.0f, 1e-3) << "step " << i + 1;
                sawEveryStep[i] = true;
            }
        }
    });
    for (bool seen : sawEveryStep) EXPECT_TRUE(seen);
    EXPECT_NEAR(Z(), 140.0f, 1e-3) << "on the gallery";
    EXPECT_NEAR(Y(), 177.0f, 0.05f) << "against the middle wall";
    EXPECT_STREQ(Pilot().m_Ground->name, "Gallery");
    // Off its west edge: down to the floor (no timed fall outside the game loop).
    Frames(1, {VK_LEFT});
    Pilot().SetAngles(kWest, kPi / 2);
    Frames(60, {VK_UP});
    EXPECT_LT(X(), 110.0f);
    EXPECT_FLOAT_EQ(Z(), 70.0f);
    EXPECT_STREQ(Pilot().m_Ground->name, "FloorA");

    // The dais is 30 high: the sphere meets its edge and the walker stays on the floor.
    Place(-160, -80, kNorth);
    Frames(120, {VK_UP}, [&] {
        ASSERT_LE(Y(), -10.0f - 16.0f) << "the edge at 30 meets the sphere about 17 before the face";
        ASSERT_FLOAT_EQ(Z(), 70.0f);
    });
}

TEST_F(PilotTest, CeilingsAndGroundHeightsUnderTheGallery) {
    const ZeltVector open{0, 0, 70}, crouched{150, 150, 33}, standing{150, 150, 50}, onTop{150, 150, 140};
    EXPECT_EQ(Pilot().CeilingClear(&open), 1);
    EXPECT_EQ(Pilot().CeilingClear(&crouched), 1) << "27 above the eye";
    EXPECT_EQ(Pilot().CeilingClear(&standing), 0) << "10 above the eye";
    EXPECT_FLOAT_EQ(Pilot().HeightAboveGround(&onTop), 60.0f);
    EXPECT_FLOAT_EQ(Pilot().HeightAboveGround(&crouched), 23.0f);
    // Standing, the gallery's edge (50 above the floor) stops the sphere.
    Place(60, 140, kEast);
    Frames(80, {VK_UP}, [&] { ASSERT_LT(X(), 110.0f - 16.0f); });
}

TEST_F(PilotTest, TheCollisionOnlyPaneStopsWalkersUntilItsCollisionIsOff) {
    ZeltObject* pane = Object("ColGlass");
    ASSERT_NE(pane, nullptr);
    EXPECT_NE(pane->hidden, 0) << "loaded hidden: never drawn";
    Place(165, 450, kNorth);
    Frames(100, {VK_UP}, [&] { ASSERT_LE(Y(), 518.5f - 20.0f + 0.01f); });
    EXPECT_NEAR(Y(), 498.5f, 0.05f);
    // Seen ahead by the obstacle ray: within two radii the step is halved.
    Place(165, 480, kNorth);
    Frames(1, {VK_UP});
    EXPECT_NEAR(Y(), 480.0f + 2.0f / 3, 1e-3);
    // Out of line tests only: still solid, but no longer seen ahead.
    pane->lineTestExcluded = 1;
    Place(165, 480, kNorth);
    Frames(1, {VK_UP});
    EXPECT_NEAR(Y(), 480.0f + 4.0f / 3, 1e-3);
    Frames(60, {VK_UP});
    EXPECT_NEAR(Y(), 498.5f, 0.05f);
    pane->collisionOff = 1;
    Frames(60, {VK_UP});
    EXPECT_GT(Y(), 530.0f) << "through the pane";
}

TEST_F(PilotTest, FlightsTurnTheShortWayAndEndExactly) {
    RecordingScene s;
    Load(s);
    s.m_FrameRate = 30.0f;
    XCameraPilot& p = *s.m_Pilot;
    p.SetAngles(6.1f, kPi / 2);
    const ZeltVector to{50, -20, 80};
    p.Travel(1000, &to, 0.1f, 100.0f, 100.0f);
    ASSERT_EQ(s.thetas.size(), 30u);
    for (float t : s.thetas) {
        EXPECT_GE(t, 6.1f - 1e-4f);
        EXPECT_LE(t, 6.1f + 0.2832f + 1e-4f) << "through 0, not back through pi";
    }
    EXPECT_NEAR(p.m_Theta, 0.1f, 1e-5);
    EXPECT_FLOAT_EQ(p.m_Phi, kPi / 2) << "100 keeps the value";
    EXPECT_FLOAT_EQ(p.m_Camera->fov, 60.0f);
    EXPECT_FLOAT_EQ(p.m_Position[0], 50.0f);
    EXPECT_FLOAT_EQ(p.m_Position[2], 80.0f);

    // Along a path: the callback sees every step with its number.
    std::vector<int> numbers;
    ZeltVector last{};
    const ZeltVector a{0, 0, 70}, b{30, 60, 70};
    p.MoveAlong(&a, &b, 0.2f, 6.2f, 1.5f, 1.7f, 500, [&](float x, float y, float z, float theta, float, int n, int count) {
        numbers.push_back(n);
        last = {x, y, z};
        EXPECT_EQ(count, 15);
        const float d = std::fmod(std::fabs(theta - 0.2f), 2 * kPi);
        EXPECT_LE(std::min(d, 2 * kPi - d), 0.2833f + 1e-3f) << "the short way, through 0";
    });
    ASSERT_EQ(numbers.size(), 15u);
    EXPECT_EQ(numbers.front(), 1);
    EXPECT_EQ(numbers.back(), 15);
    EXPECT_NEAR(last.x, 30.0f, 1e-3);
    EXPECT_NEAR(last.y, 60.0f, 1e-3);
    EXPECT_NEAR(p.m_Theta, 6.2f, 1e-5);

    // Looking at the point one stands on keeps the view instead of turning to nothing.
    p.SetAngles(1.0f, 1.2f);
    const ZeltVector eye{p.m_Position[0], p.m_Position[1], p.m_Position[2]};
    p.LookAt(&eye, &eye);
    p.TravelToward(0, &eye);
    p.TravelToward(300, &eye);
    EXPECT_FLOAT_EQ(p.m_Theta, 1.0f);
    EXPECT_FLOAT_EQ(p.m_Phi, 1.2f);
    const ZeltVector east{eye.x + 100, eye.y, eye.z};
    p.LookAt(&eye, &east);
    EXPECT_NEAR(p.m_Theta, 0.0f, 1e-5);
    EXPECT_NEAR(p.m_Phi, kPi / 2, 1e-5);
}

TEST_F(PilotTest, CameraChunkRoundTripsAndDamagedRecordsAreRefused) {
    ScratchDir scratch;
    const std::string path = scratch.File("save");
    XCameraPilot& p = Pilot();
    p.SetPosition(12.5f, -40.25f, 91.0f);
    p.SetAngles(2.5f, 1.25f);
    p.SetSphereRadius(18.0f);
    p.m_SphereOffsetZ = 22.0f;
    p.m_CanMove = 0;
    p.m_Collision = 0;
    p.m_Height = 58.0f;
    {
        auto f = std::make_unique<XChunkFile>();
        ASSERT_EQ(f->Open(path.c_str(), 1), 1);
        ASSERT_EQ(p.SaveState(f.get()), 1);
        ASSERT_EQ(f->Close(), 1);
    }
    EXPECT_EQ(fs::file_size(path), 48u + 28u + 4u) << "one chunk with every field, and its directory";
    XScene other;
    Load(other);
    {
        auto f = std::make_unique<XChunkFile>();
        ASSERT_EQ(f->Open(path.c_str(), 0), 1);
        ASSERT_EQ(other.m_Pilot->LoadState(f.get()), 1);
        f->Close();
    }
    const XCameraPilot& q = *other.m_Pilot;
    EXPECT_FLOAT_EQ(q.m_Position[0], 12.5f);
    EXPECT_FLOAT_EQ(q.m_Position[1], -40.25f);
    EXPECT_FLOAT_EQ(q.m_Camera->position.z, 91.0f) << "the camera is placed";
    EXPECT_FLOAT_EQ(q.m_Camera->theta, 2.5f);
    EXPECT_FLOAT_EQ(q.m_Phi, 1.25f);
    EXPECT_FLOAT_EQ(q.m_SphereRadius, 18.0f);
    EXPECT_FLOAT_EQ(q.m_Sphere->radius, 18.0f);
    EXPECT_FLOAT_EQ(q.m_SphereOffsetZ, 22.0f);
    EXPECT_EQ(q.m_CanMove, 0);
    EXPECT_EQ(q.m_CanTurn, 1);
    EXPECT_EQ(q.m_Collision, 0);
    EXPECT_FLOAT_EQ(q.m_Height, 58.0f);

    // The 36-byte form: position, angles, sphere and m_CanMove; the rest is kept.
    {
        auto f = std::make_unique<XChunkFile>();
        ASSERT_EQ(f->Open(path.c_str(), 1), 1);
        std::uint8_t bytes[48] = {};
        XCameraStateRecord r;
        r.m_Position[0] = 7.0f;
        r.m_CanMove = 1;
        r.m_Height = 99.0f;
        f->BeginWriteChunk("CAMERA");
        {
            auto g = std::make_unique<XChunkFile>();
            const std::string full = scratch.File("full");
            ASSERT_EQ(g->Open(full.c_str(), 1), 1);
            WriteCameraState(*g, r);
            ASSERT_EQ(g->Close(), 1);
            const std::string written = scratch.Read("full");
            std::memcpy(bytes, written.data(), 48);
        }
        f->Write(bytes, 36);
        f->EndWriteChunk();
        ASSERT_EQ(f->Close(), 1);
        ASSERT_EQ(f->Open(path.c_str(), 0), 1);
        ASSERT_EQ(other.m_Pilot->LoadState(f.get()), 1);
        f->Close();
        EXPECT_FLOAT_EQ(q.m_Position[0], 7.0f);
        EXPECT_EQ(q.m_CanMove, 1);
        EXPECT_FLOAT_EQ(q.m_Height, 58.0f) << "not in the short form";
        other.m_Pilot->SetPosition(12.5f, -40.25f, 91.0f);
    }
    // A shorter chunk, or one holding a position that is not a number, changes nothing.
    XCameraStateRecord bad;
    bad.m_Position[0] = std::nanf("");
    for (int variant = 0; variant < 2; ++variant) {
        auto f = std::make_unique<XChunkFile>();
        ASSERT_EQ(f->Open(path.c_str(), 1), 1);
        if (variant == 0) {
            f->BeginWriteChunk("CAMERA");
            f->Write("0123456789", 10);
            f->EndWriteChunk();
        } else {
            WriteCameraState(*f, bad);
        }
        ASSERT_EQ(f->Close(), 1);
        ASSERT_EQ(f->Open(path.c_str(), 0), 1);
        ASSERT_EQ(other.m_Pilot->LoadState(f.get()), 1);
        f->Close();
        EXPECT_FLOAT_EQ(q.m_Position[0], 12.5f) << variant;
        EXPECT_FLOAT_EQ(q.m_Height, 58.0f) << variant;
    }
}

TEST(Gauge, NoTimeFinishesAtOnceAndPausedTimeDoesNotCount) {
    SetFixedClock(100);
    XGauge g;
    g.Start(0.0f, 1, "rien", 3);
    EXPECT_TRUE(g.IsRunning());
    g.Draw();
    EXPECT_FALSE(std::isnan(g.m_Fraction));
    EXPECT_EQ(g.Finished(1), 1) << "no time at all: finished";
    EXPECT_FALSE(g.IsRunning());

    // 10 s, paused for 5 s in its middle: finished 15 s after its start.
    g.Start(10.0f, 1, "Temps", 7);
    EXPECT_STREQ(g.m_Label, "Temps");
    int frames = 0;
    auto tick = [&](int n) {
        for (int i = 0; i < n; ++i) {
            detail::AdvanceClockOneFrame();
            ++frames;
            g.Draw();
        }
    };
    tick(50);
    EXPECT_NEAR(g.m_Fraction, 0.5f, 1e-6);
    g.Pause();
    tick(50);
    EXPECT_NEAR(g.m_Fraction, 0.5f, 1e-6) << "nothing counts while paused";
    g.Resume();
    while (!g.Finished(0) && frames < 1000) tick(1);
    EXPECT_EQ(frames, 150) << "15 s of 100 ms frames";
    EXPECT_TRUE(g.IsRunning()) << "Finished(0) keeps it";
    g.Clear();
    EXPECT_FALSE(g.IsRunning());
    // Control+Return in debug mode uses the time up at once.
    g.Start(60.0f, 1, "Temps", 7);
    g.Complete();
    EXPECT_EQ(g.Finished(1), 1);
    EXPECT_EQ(g.m_Label[0], '\0');
    SetFixedClock(0);
}

TEST(Gauge, JaugeChunkOnlyWhileRunningAndRunsOnAfterLoading) {
    SetFixedClock(100);
    ScratchDir scratch;
    const std::string path = scratch.File("save");
    auto save = [&](XGauge& g) {
        auto f = std::make_unique<XChunkFile>();
        EXPECT_EQ(f->Open(path.c_str(), 1), 1);
        EXPECT_EQ(g.SaveState(f.get()), 1);
        EXPECT_EQ(f->Close(), 1);
    };
    auto load = [&](XGauge& g) {
        auto f = std::make_unique<XChunkFile>();
        EXPECT_EQ(f->Open(path.c_str(), 0), 1);
        EXPECT_EQ(g.LoadState(f.get()), 1);
        f->Close();
    };
    XGauge idle;
    save(idle);
    EXPECT_EQ(fs::file_size(path), 4u) << "no chunk while the gauge does not run";

    XGauge g;
    g.Start(20.0f, 1, "a label of exactly 29 letters", 2);
    for (int i = 0; i < 30; ++i) {
        detail::AdvanceClockOneFrame();
        g.Draw();
    }
    save(g);
    EXPECT_EQ(fs::file_size(path), 42u + 28u + 4u);
    XGauge back;
    load(back);
    EXPECT_TRUE(back.IsRunning());
    EXPECT_STREQ(back.m_Label, "a label of exactly 29 letters");
    EXPECT_EQ(back.m_Visible, 1);
    EXPECT_EQ(back.m_Duration, 20000);
    EXPECT_EQ(back.m_Elapsed, 3000);
    detail::AdvanceClockOneFrame();
    back.Draw();
    EXPECT_EQ(back.m_Elapsed, 3100) << "the clock restarted at the load";

    // Saved before any time was counted: it still runs after loading.
    XGauge fresh;
    fresh.Start(5.0f, 0, "x", 0);
    save(fresh);
    XGauge again;
    load(again);
    EXPECT_TRUE(again.IsRunning());
    EXPECT_EQ(again.m_Elapsed, 0);
    SetFixedClock(0);
}

// The scene's saved-game chunks: the camera after the cursor, the gauge
// last; a new scene of the same place gets both back.
TEST_F(PilotTest, SceneSaveThenANewSceneRestoresCameraAndGauge) {
    SetFixedClock(100);
    ScratchDir scratch;
    const std::string path = scratch.File("Gamesave.1");
    Place(-40, 60, kSouth + 0.5f);
    Frames(20, {VK_UP});
    const float x = X(), y = Y(), theta = Pilot().m_Theta;
    scene.m_Gauge->Start(30.0f, 1, "Vite", 1);
    for (int i = 0; i < 40; ++i) {
        detail::AdvanceClockOneFrame();
        scene.m_Gauge->Draw();
    }
    {
        auto f = std::make_unique<XChunkFile>();
        ASSERT_EQ(f->Open(path.c_str(), 1), 1);
        ASSERT_EQ(scene.SaveState(f.get()), 1);
        ASSERT_EQ(f->Close(), 1);
    }
    std::vector<std::string> order;
    {
        auto f = std::make_unique<XChunkFile>();
        ASSERT_EQ(f->Open(path.c_str(), 0), 1);
        for (int i = 0; i < f->m_Count; ++i) order.emplace_back(f->m_Dir[i].flag);
        f->Close();
    }
    auto at = [&](const char* name) {
        for (std::size_t i = 0; i < order.size(); ++i)
            if (order[i].find(name) != std::string::npos) return static_cast<int>(i);
        return -1;
    };
    ASSERT_GE(at("CAMERA"), 0);
    EXPECT_LT(at("SCENE"), at("CAMERA"));
    EXPECT_LT(at("CAMERA"), at("OBJECTS"));
    EXPECT_LT(at("OBJECTS"), at("JAUGE"));

    XScene next;
    Load(next);
    EXPECT_FLOAT_EQ(next.m_Pilot->m_Position[0], 0.0f) << "a new visit starts at the origin";
    {
        auto f = std::make_unique<XChunkFile>();
        ASSERT_EQ(f->Open(path.c_str(), 0), 1);
        ASSERT_EQ(next.RestoreState(f.get()), 1);
        f->Close();
    }
    EXPECT_FLOAT_EQ(next.m_Pilot->m_Position[0], x);
    EXPECT_FLOAT_EQ(next.m_Pilot->m_Position[1], y);
    EXPECT_FLOAT_EQ(next.m_Pilot->m_Theta, theta);
    EXPECT_TRUE(next.m_Gauge->IsRunning());
    EXPECT_STREQ(next.m_Gauge->m_Label, "Vite");
    EXPECT_EQ(next.m_Gauge->m_Elapsed, 4000);
    SetFixedClock(0);
}

// Escape in a universe other than the start one pauses a running gauge.
TEST(Gauge, EscapeOutsideTheStartUniversePausesIt) {
    SetFixedClock(10);
    XScene scene;
    scene.m_Gauge = new XGauge();
    scene.m_Gauge->Start(10.0f, 1, "Temps", 0);
    g_CurrentScene = &scene;
    {
        XApplication app{nullptr};
        app.m_State = APP_SCENE;
        auto* game = new XGame();
        game->m_Universe = 9;
        app.m_Game = game;
        app.Escape();
        EXPECT_EQ(scene.m_Gauge->m_Paused, 1);
        EXPECT_EQ(app.m_InputLocked, 1);
        g_CurrentScene = nullptr;  // the game object would delete it
        app.m_Game = nullptr;
        delete game;
    }
    SetFixedClock(0);
}
