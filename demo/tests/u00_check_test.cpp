// The start universe in the generated pack: its list in U00 loads with the
// entries resolved against universe 4's folder, every name of its tables
// resolves after the start's repairs (the painter's pair of glasses first),
// the painter can talk, every line has its voice in U00 and its timing file
// in U04, the boat carries the player, and the training course's fixed
// camera places stand at eye height with the painter and the glasses in view.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "include/zelt/zelt.h"
#include "include/zelt/records.h"
#include "lumora/engine/InfoTables.h"
#include "lumora/engine/SceneList.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/Report.h"
#include "platform/Files.h"

namespace {

namespace fs = std::filesystem;

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

ZeltObject* Find(ZeltObject* root, const std::string& name) {
    if (Upper(root->name) == Upper(name)) return root;
    for (ZeltObject* c = root->firstChild; c; c = c->nextSibling)
        if (ZeltObject* f = Find(c, name)) return f;
    return nullptr;
}

// The highest face straight below p that collides, and its object.
ZeltObject* GroundBelow(ZeltScene* scene, ZeltVector p, float* height) {
    const float p0[3] = {p.x, p.y, p.z}, p1[3] = {p.x, p.y, p.z - 1000};
    ZeltObject* top = nullptr;
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o)) {
        if (o->collisionOff || !Zelt_Object_Check_Line_Collision(o, p0, p1)) continue;
        for (int f = 0; f < Zelt_Object_Get_Face_Count(o); ++f) {
            float hit[3];
            if (Zelt_Line_Face_Collision(o, f, p0, p1, hit) && (!top || hit[2] > *height)) {
                *height = hit[2];
                top = o;
            }
        }
    }
    return top;
}

// Whether anything but `target` stands on the line from a to b.
bool Blocked(ZeltScene* scene, ZeltVector a, ZeltVector b, ZeltObject* target) {
    const float p0[3] = {a.x, a.y, a.z}, p1[3] = {b.x, b.y, b.z};
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o)) {
        if (o == target || !Zelt_Object_Check_Line_Collision(o, p0, p1)) continue;
        for (int f = 0; f < Zelt_Object_Get_Face_Count(o); ++f) {
            float hit[3];
            if (Zelt_Line_Face_Collision(o, f, p0, p1, hit)) return true;
        }
    }
    return false;
}

ZeltVector Position(ZeltObject* o) {
    ZeltVector v{};
    Zelt_Object_Get_Global_Position(o, &v);
    return v;
}

class StartUniverse : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(StartKernel(0, 16), 1); }
    void SetUp() override {
        const std::string root = (fs::path(std::getenv("LUMORA_BIN")) / "Data").string();
        u00 = platform::ResolvePath(root, "U00");
        u04 = platform::ResolvePath(root, "U04");
        ASSERT_NE(u00, "");
        ASSERT_NE(u04, "");
        u00 += "/";
        u04 += "/";
        SetMessageBoxHook([this](platform::HWND, const char* text, const char*, platform::UINT) {
            boxes.push_back(text);
            return 1;
        });
        // Loaded as the start universe loads it: its own list, universe 4's
        // folder and maps.
        ASSERT_NE(Zelt_Scene_Create(&scene), 0);
        maps.Add((u04 + "Maps/").c_str());
        SetKernelMapDirs(&maps);
        XSceneListTarget target;
        target.m_Scene = scene;
        target.m_Dir = u04.c_str();
        target.m_LoadAnim = [this](const char* file, ZeltObject*, float) {
            ZeltAnimation* anim = nullptr;
            EXPECT_NE(Zelt_Load_Sdk_a3d(scene, file, &anim), 0) << file;
        };
        loaded = LoadSceneFile(target, (u00 + "U00.ZELT").c_str());
    }
    void TearDown() override {
        if (scene) Zelt_Scene_Release(scene);
        SetKernelMapDirs(nullptr);
        SetMessageBoxHook({});
    }
    ZeltObject* Object(const char* name) { return Zelt_Scene_Get_Object(scene, name); }

    std::string u00, u04;
    std::vector<std::string> boxes;
    XMapDirs maps;
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
    std::vector<XObjectInfoRecord> objects;
    auto file = std::make_unique<XChunkFile>();
    ASSERT_EQ(file->Open(platform::ResolvePath(u00, "INFOOBJ.BIN").c_str(), 0), 1);
    ASSERT_EQ(ReadObjectInfos(*file, objects), XTableRead::Read);
    file->Close();
    std::set<std::string> listed;
    for (const auto& r : objects) {
        EXPECT_NE(Object(r.m_Name), nullptr) << r.m_Name;
        listed.insert(Upper(r.m_Name));
    }
    std::vector<XActionInfoRecord> actions;
    ASSERT_EQ(file->Open(platform::ResolvePath(u00, "INFOACT.BIN").c_str(), 0), 1);
    ASSERT_EQ(ReadActionInfos(*file, actions), XTableRead::Read);
    file->Close();
    std::set<std::string> operations;
    bool giveCarriesGlasses = false;
    for (const auto& a : actions) {
        EXPECT_EQ(listed.count(Upper(a.m_Sender)), 1u) << a.m_Name;
        EXPECT_EQ(listed.count(Upper(a.m_Receiver)), 1u) << a.m_Name;
        for (int k = 0; k < a.m_SubCount; ++k)
            if (a.m_Subs[k].m_Type == 10) {
                operations.insert(a.m_Subs[k].m_Param);
                if (std::string(a.m_Subs[k].m_Param) == "DonnerLunettes")
                    giveCarriesGlasses = a.m_Trigger == XActionInfoRecord::kTriggerCarrying && Upper(a.m_CarriedName) == "U04_80";
            }
    }
    EXPECT_EQ(operations, (std::set<std::string>{"TakeLunettes", "DonnerLunettes"}));
    EXPECT_TRUE(giveCarriesGlasses) << "the glasses are given by carrying them to the painter";
}

TEST_F(StartUniverse, PainterTalksAndEveryLineHasItsVoiceAndTiming) {
    ASSERT_EQ(loaded, 1);
    ZeltObject* painter = Object("*U04_03");
    ASSERT_NE(painter, nullptr);
    ZeltObject* face = Find(painter, "$$$DUMMY.*visage");
    ASSERT_NE(face, nullptr);
    ASSERT_NE(face->firstChild, nullptr) << "the face holds the mouth";
    for (const char* shape : {"Yeux", "Ch", "Ch_yeux", "B", "E", "F", "O", "A"}) {
        const std::string path = platform::ResolvePath(u04, std::string("Anim/U04_03_Lunettes/") + shape + ".A3D");
        ASSERT_NE(path, "") << shape;
        ZeltAnimation* anim = nullptr;
        ASSERT_NE(Zelt_Load_Sdk_a3d(scene, path.c_str(), &anim), 0) << shape;
        EXPECT_EQ(Upper(anim->name), Upper(face->name)) << shape;
        EXPECT_NE(Zelt_Object_Animate_Spline(face, anim, 5, 0, 1), 0) << shape;
    }
    // The gestures animate the whole painter.
    for (const char* gesture : {"prend.A3D", "MET.A3D"}) {
        const std::string path = platform::ResolvePath(u04, std::string("Anim/U04_03_Lunettes/") + gesture);
        ASSERT_NE(path, "") << gesture;
        ZeltAnimation* anim = nullptr;
        ASSERT_NE(Zelt_Load_Sdk_a3d(scene, path.c_str(), &anim), 0) << gesture;
        EXPECT_EQ(Upper(anim->name), "*U04_03") << gesture;
    }
    for (const char* line : {"sb01", "sb03", "sb03_bis", "sb04", "sb05", "sb06", "sb07", "sb08", "sb09", "sb10", "sb11", "sb14"}) {
        EXPECT_NE(platform::ResolvePath(u00, std::string("Sound/") + line + ".wav"), "") << line;
        const std::string timing = platform::ResolvePath(u04, std::string("Sound/") + line + ".bin");
        ASSERT_NE(timing, "") << line;
        auto file = std::make_unique<XChunkFile>();
        ASSERT_EQ(file->Open(timing.c_str(), 0), 1) << line;
        EXPECT_EQ(file->BeginReadChunk("INDEX"), 1) << line;
        file->Close();
    }
    EXPECT_NE(platform::ResolvePath(u04, "Sound/s3_01.wav"), "") << "the garden's ambience";
}

TEST_F(StartUniverse, TheCoursePlacesStandAtEyeHeight) {
    ASSERT_EQ(loaded, 1);
    // Scale 40: the eye 60 above the ground.
    auto file = std::make_unique<XChunkFile>();
    ASSERT_EQ(file->Open(platform::ResolvePath(u00, "Scene.bin").c_str(), 0), 1);
    XSceneInfoRecord info;
    ASSERT_EQ(ReadSceneInfo(*file, info), 1);
    file->Close();
    const float eye = info.m_Scale * 1.5f;
    // The painter's viewpoint and the place where the boat leaves the player.
    for (const ZeltVector at : {ZeltVector{81.134f, 265.81f, 15.0f}, ZeltVector{149.87f, 60.56f, -9.0f}}) {
        float ground = 0;
        ASSERT_NE(GroundBelow(scene, at, &ground), nullptr) << at.x << "," << at.y;
        EXPECT_NEAR(at.z - ground, eye, 0.5f) << at.x << "," << at.y;
    }
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
    const float p0[3] = {middle.x, middle.y, middle.z + 200}, p1[3] = {middle.x, middle.y, middle.z - 200};
    float best = -1e9f;
    ZeltObject* top = nullptr;
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o)) {
        if (o->collisionOff || !Zelt_Object_Check_Line_Collision(o, p0, p1)) continue;
        for (int f = 0; f < Zelt_Object_Get_Face_Count(o); ++f) {
            float hit[3];
            if (Zelt_Line_Face_Collision(o, f, p0, p1, hit) && hit[2] > best) {
                best = hit[2];
                top = o;
            }
        }
    }
    EXPECT_EQ(top, boat);
    EXPECT_GT(best, middle.z + 5.0f) << "the boat has a deck to stand on";
}

}  // namespace
