// The start universe in the generated pack: its list in U00 loads with the
// entries resolved against universe 4's folder, every name of its tables
// resolves after the start's repairs (the painter's pair of glasses first),
// the painter can talk, every line has its voice in U00 and its timing file
// in U04, the boat carries the player, and the training course's fixed
// camera places stand at eye height with the painter and the glasses in view.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "_UniverseScene.h"
#include "platform/Files.h"

namespace {

namespace fs = std::filesystem;

using packcheck::Blocked;
using packcheck::Find;
using packcheck::Position;
using packcheck::Upper;

class StartUniverse : public packcheck::PackCheck {
protected:
    void SetUp() override {
        PackCheck::SetUp();
        u00 = Folder("U00");
        u04 = Folder("U04");
        // Loaded as the start universe loads it: its own list and tables,
        // universe 4's folder and maps.
        s = std::make_unique<packcheck::UniverseScene>(u04, "U00.ZELT", u00);
        scene = s->m_Scene;
        loaded = s->m_Loaded;
    }
    void TearDown() override {
        s.reset();
        PackCheck::TearDown();
    }
    ZeltObject* Object(const char* name) { return Zelt_Scene_Get_Object(scene, name); }

    std::string u00, u04;
    std::unique_ptr<packcheck::UniverseScene> s;
    ZeltScene* scene = nullptr;
    int loaded = 0;
};

TEST_F(StartUniverse, ListLoadsFromTheGardenAndTheTablesResolveAfterTheRepairs) {
    ASSERT_EQ(loaded, 1);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_NE(Zelt_Scene_Get_First_Camera(scene), nullptr);
    // The folder of universe 0 holds no scenery of its own.
    for (const auto& entry : fs::directory_iterator(u00)) {
        const std::string ext = Upper(entry.path().extension().string());
        EXPECT_TRUE(ext != ".S3D" && ext != ".O3D" && ext != ".A3D") << entry.path();
    }

    // The repairs: the first pair found is the painter's, on his face.
    ZeltObject* painter = Object("*U04_03");
    ASSERT_NE(painter, nullptr);
    ZeltObject* own = Object("*Lunettes0");
    ASSERT_NE(own, nullptr);
    const ZeltVector at = Position(own), face = Position(Find(painter, "TETE"));
    EXPECT_LT(std::hypot(at.x - face.x, at.y - face.y), 20.0f) << "the painter's pair comes first";
    std::snprintf(own->name, sizeof own->name, "*U04_81");
    ZeltObject* spare = Object("*Lunettes0");
    ASSERT_NE(spare, nullptr) << "a second pair";
    std::snprintf(spare->name, sizeof spare->name, "*U04_80");
    EXPECT_EQ(Object("*Lunettes0"), nullptr) << "a third pair";
    // The garden's own repairs name the jam pot and the bucket.
    for (const auto& [from, to] : {std::pair{"*pot confi", "*U04_53"}, std::pair{"*U04_05t", "*U04_05"}}) {
        ZeltObject* o = Object(from);
        ASSERT_NE(o, nullptr) << from;
        std::snprintf(o->name, sizeof o->name, "%s", to);
    }
    for (const char* name : {"*U04_63", "*U04_31", "*U04_44", "*U04_05", "*U04_53", "*U04_32", "*U04_43"})
        EXPECT_NE(Object(name), nullptr) << name;

    // The tables of U00 name objects of the garden and the script's operations.
    bool giveCarriesGlasses = false;
    for (const auto& [id, a] : packcheck::CheckTables(*s, {"TakeLunettes", "DonnerLunettes"}))
        for (int k = 0; k < a.m_SubCount; ++k)
            if (a.m_Subs[k].m_Type == 10 && std::string(a.m_Subs[k].m_Param) == "DonnerLunettes")
                giveCarriesGlasses = a.m_Trigger == XActionInfoRecord::kTriggerCarrying && Upper(a.m_CarriedName) == "U04_80";
    EXPECT_TRUE(giveCarriesGlasses) << "the glasses are given by carrying them to the painter";
}

TEST_F(StartUniverse, PainterTalksAndEveryLineHasItsVoiceAndTiming) {
    ASSERT_EQ(loaded, 1);
    packcheck::CheckSpeaker(*s, "*U04_03", "$$$DUMMY.*visage", "U04_03_Lunettes");
    // The gestures animate the whole painter.
    for (const char* gesture : {"prend.A3D", "MET.A3D"}) {
        const std::string path = platform::ResolvePath(u04, std::string("Anim/U04_03_Lunettes/") + gesture);
        ASSERT_NE(path, "") << gesture;
        ZeltAnimation* anim = nullptr;
        ASSERT_NE(Zelt_Load_Sdk_a3d(scene, path.c_str(), &anim), 0) << gesture;
        EXPECT_EQ(Upper(anim->name), "*U04_03") << gesture;
    }
    // Every line's voice lies in U00, its timing file in the garden's folder.
    for (const char* line : {"sb01", "sb03", "sb03_bis", "sb04", "sb05", "sb06", "sb07", "sb08", "sb09", "sb10", "sb11", "sb14"})
        EXPECT_EQ(packcheck::CheckTiming(u04, line, u00), "") << line;
    EXPECT_NE(platform::ResolvePath(u04, "Sound/s3_01.wav"), "") << "the garden's ambience";
}

TEST_F(StartUniverse, TheCoursePlacesStandAtEyeHeight) {
    ASSERT_EQ(loaded, 1);
    // Scale 40: the eye 60 above the ground.
    const auto [read, info, camera] = packcheck::ReadSceneRecords(u00);
    ASSERT_TRUE(read);
    const float eye = info.m_Scale * 1.5f;
    // The painter's viewpoint and the place where the boat leaves the player.
    packcheck::ExpectEyeHeight(scene, {81.134f, 265.81f, 15.0f}, "the painter's viewpoint", 0.5f, eye);
    packcheck::ExpectEyeHeight(scene, {149.87f, 60.56f, -9.0f}, "the landing", 0.5f, eye);
    // From his viewpoint the painter's head is in view (theta 4.67 looks
    // along +y) and nothing stands between.
    ZeltObject* painter = Object("*U04_03");
    ASSERT_NE(painter, nullptr);
    const ZeltVector head = Position(Find(painter, "TETE")), view{81.134f, 265.81f, 15.0f};
    const float dx = head.x - view.x, dy = head.y - view.y;
    EXPECT_LT(std::abs(std::atan2(-dy, dx) - (4.67f - 2.0f * 3.14159265f)), 0.5f) << "in the middle of the view";
    EXPECT_GT(std::hypot(dx, dy), 40.0f);
    const ZeltVector before{view.x + 0.8f * dx, view.y + 0.8f * dy, view.z + 0.8f * (head.z - view.z)};
    EXPECT_FALSE(Blocked(scene, view, before, nullptr)) << "nothing between the viewpoint and the painter";
    // The landing is far enough from the painter that he waits for the player to come.
    const ZeltVector feet = Position(painter);
    EXPECT_GT(std::hypot(feet.x - 149.87f, feet.y - 60.56f), 2 * info.m_Scale);

    // Seated 10 above the boat, looking at the post, the glasses lie in line
    // beyond it with nothing in the way.
    ZeltObject* boat = Object("*U04_32");
    ZeltObject* post = Object("*U04_43");
    ASSERT_NE(boat, nullptr);
    ASSERT_NE(post, nullptr);
    ZeltVector seat = Position(boat);
    seat.z += 10.0f;
    const ZeltVector target = Position(post);
    ZeltObject* own = Object("*Lunettes0");
    ASSERT_NE(own, nullptr);
    std::snprintf(own->name, sizeof own->name, "*U04_81");
    ZeltObject* glasses = Object("*Lunettes0");
    ASSERT_NE(glasses, nullptr);
    const ZeltVector g = Position(glasses);
    const float towardPost = std::atan2(target.y - seat.y, target.x - seat.x);
    const float towardGlasses = std::atan2(g.y - seat.y, g.x - seat.x);
    EXPECT_NEAR(towardPost, towardGlasses, 0.02f);
    EXPECT_FALSE(Blocked(scene, seat, {g.x, g.y, g.z + 2.5f}, glasses)) << "the glasses are seen from the boat";
}

TEST_F(StartUniverse, TheBoatCarriesThePlayer) {
    ASSERT_EQ(loaded, 1);
    ZeltObject* boat = Object("*U04_32");
    ASSERT_NE(boat, nullptr);
    ASSERT_EQ(boat->firstChild, nullptr) << "one mesh";
    // Straight down from above the boat's middle, the boat is the highest
    // thing that collides.
    const ZeltVector middle = Position(boat);
    float best = 0;
    ZeltObject* top = nullptr;
    ASSERT_TRUE(packcheck::Ground(scene, {middle.x, middle.y, middle.z + 200}, best, top));
    EXPECT_EQ(top, boat);
    EXPECT_GT(best, middle.z + 5.0f) << "the boat has a deck to stand on";
}

}  // namespace
