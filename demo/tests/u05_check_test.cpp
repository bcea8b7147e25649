// Paris (universe 5) in the generated pack holds what its script looks up:
// both lists load, the grille's repair finds its object, every table name
// resolves and every script name is handed over by an action, the two
// speakers have faces, eight mouth shapes, voices and timing files, every
// file the script names exists, and the ground lies at eye height wherever
// the script or a painting puts the camera.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>
#include <memory>
#include <set>
#include <sstream>
#include <string>
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

constexpr float kEye = 60.0f;  // scale 40 x 1.5

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// One of the universe's lists in a kernel scene, with the animation files
// it names loaded and keyed by the name of their root.
struct Paris {
    Paris(const std::string& dir, const char* list) {
        EXPECT_NE(Zelt_Scene_Create(&scene), 0);
        maps.Add((dir + "Maps\\").c_str());
        SetKernelMapDirs(&maps);
        XSceneListTarget target;
        target.m_Scene = scene;
        target.m_Dir = dir.c_str();
        target.m_LoadAnim = [this](const char* file, ZeltObject*, float) {
            ZeltAnimation* anim = nullptr;
            EXPECT_NE(Zelt_Load_Sdk_a3d(scene, file, &anim), 0) << file;
            if (anim) animations.insert(Upper(anim->name));
        };
        loaded = LoadSceneFile(target, (dir + list).c_str());
    }
    ~Paris() {
        if (scene) Zelt_Scene_Release(scene);
        SetKernelMapDirs(nullptr);
    }
    Paris(const Paris&) = delete;
    Paris& operator=(const Paris&) = delete;

    ZeltObject* Object(const std::string& name) const {
        for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o))
            if (Upper(o->name) == Upper(name)) return o;
        return nullptr;
    }
    static ZeltObject* Below(ZeltObject* root, const char* name) {
        if (Upper(root->name) == Upper(name)) return root;
        for (ZeltObject* c = root->firstChild; c; c = c->nextSibling)
            if (ZeltObject* f = Below(c, name)) return f;
        return nullptr;
    }
    // The highest colliding face straight below (x, y, z): what the walker
    // stands on there.
    float GroundBelow(float x, float y, float z, std::string& on) const {
        const float p0[3] = {x, y, z}, p1[3] = {x, y, z - 10000};
        float best = -1e9f;
        for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o)) {
            if (o->collisionOff || o->hidden || !Zelt_Object_Check_Line_Collision(o, p0, p1)) continue;
            for (int f = 0; f < Zelt_Object_Get_Face_Count(o); ++f) {
                float hit[3];
                if (Zelt_Line_Face_Collision(o, f, p0, p1, hit) && hit[2] > best) {
                    best = hit[2];
                    on = o->name;
                }
            }
        }
        return best;
    }

    XMapDirs maps;
    ZeltScene* scene = nullptr;
    int loaded = 0;
    std::set<std::string> animations;
};

class Universe05 : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(StartKernel(0, 16), 1); }
    void SetUp() override {
        const std::string root = (fs::path(std::getenv("LUMORA_BIN")) / "Data").string();
        dir = platform::ResolvePath(root, "U05");
        ASSERT_NE(dir, "") << "no U05 in " << root;
        dir += "/";
        SetMessageBoxHook([this](platform::HWND, const char* text, const char*, platform::UINT) {
            boxes.push_back(text);
            return 1;
        });
    }
    void TearDown() override { SetMessageBoxHook({}); }
    bool Exists(const std::string& rel) const { return platform::ResolvePath(dir, rel) != ""; }

    template <typename Record, typename Reader>
    std::vector<Record> Table(const char* file, Reader read) {
        std::vector<Record> out;
        auto chunks = std::make_unique<XChunkFile>();
        EXPECT_EQ(chunks->Open(platform::ResolvePath(dir, file).c_str(), 0), 1) << file;
        EXPECT_EQ(read(*chunks, out), XTableRead::Read) << file;
        chunks->Close();
        return out;
    }

    std::string dir;
    std::vector<std::string> boxes;
};

const std::vector<std::string> kOperations = {"TestSpeakChef",      "ChienVersPorte",  "MaskGrille",
                                              "LampeTombe",         "OuvrePorteConsigne", "OuvrePorteSalle",
                                              "AfficheChefEtChiot", "AfficheCariolle", "FermePorteConsigne",
                                              "DoTableauA",         "DoTableauB"};

TEST_F(Universe05, ListsLoadAndEveryNameResolvesAfterTheRepair) {
    Paris p(dir, "U05.ZELT");
    ASSERT_EQ(p.loaded, 1);
    EXPECT_NE(Zelt_Scene_Get_First_Camera(p.scene), nullptr);
    // The grille keeps its file's name until the script renames it.
    EXPECT_EQ(p.Object("*U05_08"), nullptr);
    ZeltObject* grille = p.Object("Grille01");
    ASSERT_NE(grille, nullptr);
    std::snprintf(grille->name, sizeof grille->name, "*U05_08");

    for (const char* name : {"*U05_02", "*U04_04", "*U05_05", "*U05_13", "*U05_10", "*U05_11"})
        EXPECT_NE(p.Object(name), nullptr) << name;
    for (const char* name : {"*U05_02", "*U04_04", "*U05_05", "*U05_06", "*U05_07", "*U05_09"})
        EXPECT_EQ(p.animations.count(name), 1u) << "animation " << name;

    std::set<std::string> listed;
    for (const auto& r : Table<XObjectInfoRecord>("INFOOBJ.BIN", ReadObjectInfos)) {
        EXPECT_NE(p.Object(r.m_Name), nullptr) << r.m_Name;
        listed.insert(Upper(r.m_Name));
    }
    std::map<int, XActionInfoRecord> byId;
    std::set<std::string> handedOver;
    int twoNames = 0;
    for (const auto& a : Table<XActionInfoRecord>("INFOACT.BIN", ReadActionInfos)) {
        byId[a.m_Id] = a;
        EXPECT_EQ(listed.count(Upper(a.m_Sender)), 1u) << a.m_Name;
        EXPECT_EQ(listed.count(Upper(a.m_Receiver)), 1u) << a.m_Name;
        int names = 0;
        for (int k = 0; k < a.m_SubCount; ++k) {
            if (a.m_Subs[k].m_Type != 10) continue;
            ++names;
            handedOver.insert(Upper(a.m_Subs[k].m_Param));
        }
        twoNames += names > 1;
    }
    for (const std::string& op : kOperations) EXPECT_EQ(handedOver.count(Upper(op)), 1u) << "no action hands over " << op;
    EXPECT_EQ(handedOver.size(), kOperations.size()) << "a name the script does not answer";
    EXPECT_GE(twoNames, 1) << "the universe runs every name an action hands over";
    // The done flags the script reads belong to actions done once.
    for (int id : {1, 3, 4, 6, 7, 8, 10, 16}) {
        ASSERT_EQ(byId.count(id), 1u) << id;
        EXPECT_EQ(byId[id].m_RepeatLimit, 1) << id;
    }
    EXPECT_EQ(Upper(byId[4].m_Sender), "*U05_06");
    EXPECT_EQ(Upper(byId[7].m_Sender), "*U05_06");
    EXPECT_EQ(Upper(byId[10].m_Sender), "*U05_09");
    EXPECT_EQ(Upper(byId[16].m_Sender), "*U05_08");
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

// The paintings of the place see the scenery alone, from where the ground
// puts the eye.
TEST_F(Universe05, PaintingListHoldsTheSceneryWithTheViewpointsAtEyeHeight) {
    Paris p(dir, "U05D.ZELT");
    ASSERT_EQ(p.loaded, 1);
    int objects = 0;
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(p.scene); o; o = Zelt_Scene_Get_Next_Object(p.scene, o)) {
        ++objects;
        EXPECT_EQ(std::strchr(o->name, '*'), nullptr) << o->name;
    }
    EXPECT_GT(objects, 30);
    for (const auto& [code, x, y, z] : {std::tuple{"U13_15", 226.37f, -1075.79f, 47.58f}, std::tuple{"U14_01", 680.45f, -135.73f, 45.83f}}) {
        std::string on;
        EXPECT_NEAR(z - p.GroundBelow(x, y, z, on), kEye, 0.05f) << code << " over " << on;
    }
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(Universe05, GroundLiesAtEyeHeightWhereTheScriptPutsTheCamera) {
    Paris p(dir, "U05.ZELT");
    ASSERT_EQ(p.loaded, 1);
    const struct {
        const char* what;
        float x, y, z;
    } places[] = {{"the forecourt", 250, -900, 47.58f},   {"the entrance", 250, -380, 45.83f},
                  {"before the counter", 560, -90, 45.83f}, {"before painting A", -100, 364, 45.83f},
                  {"before painting B", 600, 364, 45.83f}, {"the way out", 250, 928, 45.83f}};
    for (const auto& place : places) {
        std::string on;
        EXPECT_NEAR(place.z - p.GroundBelow(place.x, place.y, place.z, on), kEye, 0.05f) << place.what << " over " << on;
    }
    // The grille stands in the way out until it is taken away.
    ZeltObject* grille = p.Object("Grille01");
    ASSERT_NE(grille, nullptr);
    const float from[3] = {250, 600, -10}, to[3] = {250, 700, -10};
    EXPECT_NE(Zelt_Object_Check_Line_Collision(grille, from, to), 0);
}

TEST_F(Universe05, SpeakersHaveFacesShapesVoicesAndTimings) {
    Paris p(dir, "U05.ZELT");
    ASSERT_EQ(p.loaded, 1);
    for (const char* speaker : {"*U05_02", "*U04_04"}) {
        SCOPED_TRACE(speaker);
        ZeltObject* body = p.Object(speaker);
        ASSERT_NE(body, nullptr);
        ASSERT_NE(Paris::Below(body, "TETE"), nullptr);
        ZeltObject* face = Paris::Below(body, "$$$DUMMY.*visage");
        ASSERT_NE(face, nullptr);
        ASSERT_NE(face->firstChild, nullptr) << "the face holds the mouth";
        for (const char* shape : {"Yeux", "Ch", "Ch_yeux", "B", "E", "F", "O", "A"}) {
            const std::string path = platform::ResolvePath(dir, std::string("Anim/") + (speaker + 1) + "/" + shape + ".A3D");
            ASSERT_NE(path, "") << shape;
            ZeltAnimation* anim = nullptr;
            ASSERT_NE(Zelt_Load_Sdk_a3d(p.scene, path.c_str(), &anim), 0) << shape;
            EXPECT_EQ(Upper(anim->name), Upper("$$$DUMMY.*visage")) << shape;
            EXPECT_NE(Zelt_Object_Animate_Spline(face, anim, 5, 0, 1), 0) << shape;
        }
    }
    // Every spoken line: a wave of speech and its timing, by a known speaker.
    std::ifstream voices(std::string(LUMORA_DEMO_SOURCE) + "/universes/U05.voices");
    std::string line;
    int count = 0;
    while (std::getline(voices, line)) {
        if (line.empty() || line[0] == ';') continue;
        std::istringstream fields(line);
        std::string name, speaker;
        fields >> name >> speaker;
        SCOPED_TRACE(name);
        ++count;
        EXPECT_TRUE(speaker == "U05_02" || speaker == "U04_04") << speaker;
        EXPECT_GT(fs::file_size(platform::ResolvePath(dir, "Sound/" + name + ".wav")), 44u + 22050u);
        auto file = std::make_unique<XChunkFile>();
        ASSERT_EQ(file->Open(platform::ResolvePath(dir, "Sound/" + name + ".bin").c_str(), 0), 1);
        ASSERT_EQ(file->BeginReadChunk("INDEX"), 1);
        std::int32_t n = 0;
        ASSERT_EQ(file->Read(&n, 4), 1);
        EXPECT_GE(n, 3) << "rest, speech, rest";
        file->Close();
    }
    EXPECT_EQ(count, 12);
}

TEST_F(Universe05, EveryFileTheScriptNamesExists) {
    for (const char* rel : {"U05.ZELT", "U05D.ZELT", "Scene.bin", "INFOOBJ.BIN", "INFOACT.BIN", "Anim/U05_05/Attente.A3D",
                            "Anim/U05_05/VersPorte.A3D", "Anim/U04_04/Attente.A3D", "Anim/U04_04/Action02.A3D",
                            "Sound/s4_01a.wav", "Sound/s4_03.wav", "Sound/s4_04.wav", "Sound/s4_05.wav", "Sound/s4_06.wav",
                            "Sound/s4_07.wav", "Sound/s4_08.wav", "Sound/s4_09.wav", "Sound/s4_10.wav"})
        EXPECT_TRUE(Exists(rel)) << rel;
    for (int i = 1; i <= 12; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Sound/d4_%02d.wav", i);
        EXPECT_TRUE(Exists(name)) << name;
    }
    auto file = std::make_unique<XChunkFile>();
    ASSERT_EQ(file->Open(platform::ResolvePath(dir, "SCENE.BIN").c_str(), 0), 1);
    XSceneInfoRecord info;
    XCameraInfoRecord camera;
    ASSERT_EQ(ReadSceneInfo(*file, info), 1);
    ASSERT_EQ(ReadCameraInfo(*file, camera), 1);
    file->Close();
    EXPECT_EQ(info.m_Scale, 40.0f);
    EXPECT_EQ(camera.m_SphereRadius, 32.0f);
    EXPECT_EQ(camera.m_SphereOffsetZ, 0.0f);
    // The carried ticket has its cursor and strip pictures.
    const fs::path bitmaps = fs::path(dir).parent_path().parent_path() / "2DBIT";
    std::ifstream media(bitmaps / "Media.txt");
    std::stringstream all;
    all << media.rdbuf();
    EXPECT_NE(Upper(all.str()).find("U05_11C"), std::string::npos);
    EXPECT_NE(Upper(all.str()).find("U05_11P"), std::string::npos);
}

}  // namespace
