// The station (universe 1) in the generated pack holds what its script
// looks up: its lists load through the kernel, every table name resolves
// after the script's repairs, both speakers have faces, eight mouth shapes,
// voices and timing files, every file the script names exists, the ground
// lies at eye height wherever the script puts the camera, and the train
// rides on its deck round the loop and onto the second track.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "_Universe01.h"
#include "_UniverseScene.h"
#include "platform/Files.h"

namespace {

using packcheck::kEye;
using packcheck::Position;
using packcheck::Upper;
using Vec = ZeltVector;
using Station = packcheck::UniverseScene;

class Universe01 : public packcheck::PackCheck {
protected:
    Universe01() : PackCheck("U01") {}
};

TEST_F(Universe01, ListsLoadAndEveryNameResolvesAfterTheRepairs) {
    Station s(dir, "U01.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_NE(Zelt_Scene_Get_First_Camera(s.m_Scene), nullptr);

    // Before the repairs the new names are not there: the repairs are needed.
    for (const char* name : {"*U01_21", "*U01_12", "*U01_08", "Box201"}) EXPECT_EQ(s.Object(name), nullptr) << name;
    for (const u01::Repair& r : u01::ApplyRepairs(s.m_Scene, &s.m_Anims)) EXPECT_TRUE(r.found) << r.what;
    for (const char* name : {"Box201", "Box202", "Box203", "*U01_21", "*U01_12", "*U01_08"}) EXPECT_NE(s.Object(name), nullptr) << name;
    EXPECT_EQ(s.Object("Box20"), nullptr) << "a fourth Box20";
    EXPECT_EQ(s.Object("Box203")->collisionOff, 1);

    // Objects and animations the script binds or moves.
    for (const char* name : {"*U01_01", "*U01_02", "*U01_09", "*U01_10", "*U01_20", "*U01_23", "*Ernest", "*U01_07", "*U01_11"})
        EXPECT_NE(s.Object(name), nullptr) << name;
    for (const char* name : {"*U01_01", "*U01_02", "*U01_03", "*U01_07", "*U01_11", "*U01_13", "*U01_14", "*U01_15", "*U01_16",
                             "*U01_20", "*U01_21"})
        EXPECT_EQ(s.m_Anims.count(name), 1u) << "animation " << name;
    // The switch animation moves the lever's parent; the train's moves the
    // wagon, whose parent has no "*" (the second track animates it).
    EXPECT_EQ(s.m_Bound[s.m_Anims["*U01_21"]], s.Object("*U01_21")->parent);
    ZeltObject* wagon = s.Object("*U01_20");
    ASSERT_NE(wagon->parent, nullptr);
    EXPECT_EQ(std::strchr(wagon->parent->name, '*'), nullptr);
    EXPECT_EQ(s.m_Anims["*U01_21"]->lastFrame, 100);

    // The tables: objects of the scene, senders and receivers in the list,
    // operations the script answers, and the ids the script relies on.
    std::map<int, XActionInfoRecord> actions = packcheck::CheckTables(s, u01::OperationNames());
    std::map<int, const XActionInfoRecord*> byId;
    for (const auto& [id, a] : actions) byId[id] = &a;
    auto handsOver = [](const XActionInfoRecord* a) {
        return std::any_of(a->m_Subs, a->m_Subs + a->m_SubCount, [](const XSubActionRecord& s) { return s.m_Type == 10; });
    };
    for (int id : {1, 4, 5, 6, 10, 11, 16, 19, 20, 24}) ASSERT_EQ(byId.count(id), 1u) << "action " << id;
    // Run by the script itself: no hand-over, never fired by a click.
    for (int id : {1, 24}) {
        EXPECT_FALSE(handsOver(byId[id])) << id;
        EXPECT_EQ(Upper(byId[id]->m_Condition), "FALSE") << id;
    }
    EXPECT_EQ(Upper(byId[1]->m_Receiver), "*U01_02");
    for (int id : {4, 5, 6}) EXPECT_EQ(Upper(byId[id]->m_Receiver), "*U01_01") << id;
    EXPECT_EQ(Upper(byId[10]->m_Sender), "*U01_11");
    EXPECT_GE(byId[10]->m_RepeatLimit, 100) << "the receiver is lifted and hung up again and again";
    EXPECT_EQ(Upper(byId[16]->m_Sender), "*U01_11");
    EXPECT_EQ(byId[16]->m_RepeatLimit, 1) << "the script waits for action 16 to be done";
    EXPECT_EQ(Upper(byId[19]->m_Sender), "*U01_08");
    EXPECT_EQ(Upper(byId[19]->m_Condition), "FALSE") << "the key is free only once the script says so";
    EXPECT_EQ(Upper(byId[20]->m_Sender), "*U01_09");
    EXPECT_EQ(byId[20]->m_RepeatLimit, 1) << "the script reads action 20's done flag";
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(Universe01, PaintingListHoldsTheSceneryOnly) {
    Station s(dir, "U01D.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    EXPECT_NE(Zelt_Scene_Get_First_Camera(s.m_Scene), nullptr);
    EXPECT_GT(packcheck::ExpectSceneryOnly(s), 20);
    EXPECT_EQ(s.Object("Cylinder07"), nullptr);
    // The painting's viewpoint stands on the platform.
    packcheck::ExpectEyeHeight(s, {308.53f, -508.2f, 29.55f}, "the painting's viewpoint");
}

TEST_F(Universe01, SpeakersHaveFacesShapesVoicesAndTimings) {
    Station s(dir, "U01.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    const std::pair<const char*, const char*> speakers[] = {{"*U01_01", "$$$DUMMY.*01SParle"}, {"*U01_02", "$$$DUMMY.*02SParle"}};
    for (const auto& [speaker, faceName] : speakers) packcheck::CheckSpeaker(s, speaker, faceName);

    // Every line of the voices list: a wave and a timing file that starts
    // and ends at rest, with its end at the wave's length.
    const int count = packcheck::CheckVoices(dir, std::string(LUMORA_DEMO_SOURCE) + "/universes/U01.voices");
    EXPECT_GE(count, 8);
}

TEST_F(Universe01, EveryFileTheScriptNamesExists) {
    for (const char* rel : {"U01.ZELT", "U01D.ZELT", "Scene.bin", "INFOOBJ.BIN", "INFOACT.BIN", "Anim/U01_02/Action03.A3D",
                            "Anim/U01_20A.A3D", "Sound/U01.wav", "Sound/OpenDoor.wav", "Sound/CloseDoor.wav", "Sound/TelGrisi.wav",
                            "Sound/TelGrisi2.wav", "Sound/s1_05.wav", "Sound/S1_10.wav", "Sound/s1_11.wav", "Sound/s1_12.wav",
                            "Sound/s1_13.wav", "Sound/d1_01.wav", "Sound/d1_01.bin", "Sound/d1_04.wav", "Sound/d1_04.bin",
                            "Sound/d1_05.wav", "Sound/d1_05.bin"})
        EXPECT_TRUE(Exists(rel)) << rel;
    const auto [read, info, camera] = packcheck::ReadSceneRecords(dir);
    ASSERT_TRUE(read);
    EXPECT_EQ(info.m_Scale, 40.0f);
    EXPECT_EQ(camera.m_SphereOffsetZ, 37.0f);
    EXPECT_LE(camera.m_SphereOffsetZ + info.m_Scale * 0.5f, kEye) << "the sphere stays above the feet";
}

TEST_F(Universe01, GroundLiesAtEyeHeightWhereTheScriptPutsTheCamera) {
    Station s(dir, "U01.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    u01::ApplyRepairs(s.m_Scene, &s.m_Anims);
    s.ApplyObjectTable();
    const struct {
        const char* what;
        Vec eye;
    } places[] = {
        {"arrival", {-258.44f, -508.2f, 29.546f}},
        {"with the companion", {-405.67f, -494.31f, 29.5f}},
        {"further on", {-468.4f, -481.3f, 29.5f}},
        {"before the mayor", {-466.36f, -452.495f, 30.48f}},
        {"at the telephone", {433.79f, -91.1468f, 24.7812f}},
        {"watching the door", {421.145f, -69.187f, 24.78f}},
        {"caught by Ernest", {486.0585f, -107.99f, 24.0f}},
        {"at the ladder", {439.8334f, -50.66f, 28.2052f}},
        {"on the roof", {469.932f, -40.2943f, 110.637f}},
        {"on the upper roof", {485.775f, -44.9f, 139.0f}},
        {"points, view A", {667.0f, 723.8f, 94.0f}},
        {"points, view B", {753.22f, 662.18f, 93.55f}},
    };
    for (const auto& p : places) packcheck::ExpectEyeHeight(s, p.eye, p.what);
    // The third crate lies across the ramp: without its repair it is in the way.
    float ground = 0;
    ZeltObject* on = nullptr;
    ASSERT_TRUE(s.Ground({590, -470, 100}, ground, on));
    EXPECT_STRNE(on->name, "Box203");
    s.Object("Box203")->collisionOff = 0;
    ASSERT_TRUE(s.Ground({590, -470, 100}, ground, on));
    EXPECT_STREQ(on->name, "Box203");
}

// The camera as the script places it while riding: behind the wagon's
// origin P, looking at the marker T ahead.
Vec RideEye(ZeltObject* wagon, ZeltObject* marker) {
    Vec p = Position(wagon);
    const Vec t = Position(marker);
    p.z = t.z + 18;
    Vec d{t.x - p.x, t.y - p.y, t.z + 10 - p.z};
    const float l = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    d = {d.x / l, d.y / l, d.z / l};
    return {p.x - 40 * d.x, p.y - 40 * d.y, p.z - 20 * d.z};
}

TEST_F(Universe01, TrainRidesOnItsDeckRoundTheLoopAndOntoTheSecondTrack) {
    Station s(dir, "U01.ZELT");
    ASSERT_EQ(s.m_Loaded, 1);
    u01::ApplyRepairs(s.m_Scene, &s.m_Anims);
    s.ApplyObjectTable();
    ZeltObject* wagon = s.Object("*U01_20");
    ZeltObject* marker = s.Object("*U01_23");
    ASSERT_NE(wagon, nullptr);
    ASSERT_NE(marker, nullptr);
    ZeltAnimation* track1 = s.m_Anims["*U01_20"];
    ASSERT_NE(track1, nullptr);
    const int last = track1->lastFrame;
    ASSERT_GT(last, 92);

    auto rideAt = [&](const char* what) {
        const Vec eye = RideEye(wagon, marker);
        float ground = 0;
        ZeltObject* on = nullptr;
        ASSERT_TRUE(s.Ground(eye, ground, on)) << what;
        EXPECT_EQ(on, wagon) << what << ": the ground is " << on->name;
        EXPECT_NEAR(eye.z - ground, kEye, 1.5f) << what << " over " << on->name << " at " << eye.x << " " << eye.y << " " << eye.z;
    };
    std::vector<Vec> path;
    for (int frame = 0; frame <= last; frame += 5) {
        ASSERT_NE(Zelt_Object_Animate_Spline(wagon, track1, static_cast<float>(frame), 0, 1), 0);
        rideAt(("track 1, frame " + std::to_string(frame)).c_str());
        path.push_back(Position(wagon));
        if (path.size() > 1) {
            // The marker is ahead in the direction of travel.
            const Vec a = path[path.size() - 2], b = path.back(), t = Position(marker);
            EXPECT_GT((b.x - a.x) * (t.x - b.x) + (b.y - a.y) * (t.y - b.y), 0.0f) << "frame " << frame;
        }
    }
    // A loop: the last frame is where the first was.
    Zelt_Object_Animate_Spline(wagon, track1, 0, 0, 1);
    const Vec start = Position(wagon);
    Zelt_Object_Animate_Spline(wagon, track1, static_cast<float>(last), 0, 1);
    const Vec end = Position(wagon);
    EXPECT_NEAR(start.x, end.x, 0.5f);
    EXPECT_NEAR(start.y, end.y, 0.5f);

    // Track 2 takes over at the points (frame 90) from its frame 15 on
    // without a jump, carries the wagon by its parent, and ends further on.
    Zelt_Object_Animate_Spline(wagon, track1, 90, 0, 1);
    const Vec atPoints = Position(wagon);
    ZeltAnimation* track2 = nullptr;
    ASSERT_NE(Zelt_Load_Sdk_a3d(s.m_Scene, platform::ResolvePath(dir, "Anim/U01_20A.A3D").c_str(), &track2), 0);
    EXPECT_EQ(std::strchr(track2->name, '*'), nullptr) << "the second track animates the wagon's parent";
    ASSERT_NE(Zelt_Object_Animate_Spline(wagon->parent, track2, 15, 0, 1), 0);
    const Vec joined = Position(wagon);
    EXPECT_NEAR(joined.x, atPoints.x, 0.5f);
    EXPECT_NEAR(joined.y, atPoints.y, 0.5f);
    rideAt("track 2, frame 15");
    ASSERT_NE(Zelt_Object_Animate_Spline(wagon->parent, track2, static_cast<float>(track2->lastFrame), 0, 1), 0);
    const Vec final = Position(wagon);
    EXPECT_GT(std::hypot(final.x - atPoints.x, final.y - atPoints.y), 300.0f);
    rideAt("end of track 2");
    // Nothing of the loop lies where the second track ends.
    const Vec bend = {path[path.size() / 2].x, path[path.size() / 2].y, 0};
    EXPECT_GT(std::hypot(final.x - bend.x, final.y - bend.y), 300.0f);

    // At the station the deck meets the platform's edge: a step from the
    // platform onto it finds the wagon.
    Zelt_Object_Animate_Spline(wagon->parent, track2, 0, 0, 1);
    Zelt_Object_Animate_Spline(wagon, track1, 0, 0, 1);
    float ground = 0;
    ZeltObject* on = nullptr;
    for (float y : {-555.0f, -559.0f, -562.0f}) {
        ASSERT_TRUE(s.Ground({start.x - 30, y, 31}, ground, on));
        EXPECT_GE(ground, -30.5f) << "no gap between the platform and the deck at y " << y;
    }
}

}  // namespace
