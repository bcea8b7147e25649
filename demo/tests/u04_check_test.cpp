// The painter's garden as universe 4 in the generated pack: its list loads,
// every name of its tables resolves after the script's repairs, the script's
// action ids and operation names are in the tables, both talking characters
// have faces, mouth shapes, voices and timing files, every file the script
// names is there, every carried object has its pictures, the ground lies at
// eye height wherever the script or a painting puts the camera, and the
// boat's rowed path crosses the pond towards the post.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
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

ZeltVector Position(ZeltObject* o) {
    ZeltVector v{};
    Zelt_Object_Get_Global_Position(o, &v);
    return v;
}

class Garden : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(StartKernel(0, 16), 1); }
    void SetUp() override {
        root = (fs::path(std::getenv("LUMORA_BIN")) / "Data").string();
        u04 = platform::ResolvePath(root, "U04");
        ASSERT_NE(u04, "");
        u04 += "/";
        SetMessageBoxHook([this](platform::HWND, const char* text, const char*, platform::UINT) {
            boxes.push_back(text);
            return 1;
        });
    }
    void TearDown() override {
        if (scene) Zelt_Scene_Release(scene);
        SetKernelMapDirs(nullptr);
        SetMessageBoxHook({});
    }
    // Loads one of the garden's lists as the game does.
    int Load(const char* list) {
        EXPECT_NE(Zelt_Scene_Create(&scene), 0);
        maps.Add((u04 + "Maps/").c_str());
        SetKernelMapDirs(&maps);
        XSceneListTarget target;
        target.m_Scene = scene;
        target.m_Dir = u04.c_str();
        target.m_LoadAnim = [this](const char* file, ZeltObject*, float) {
            ZeltAnimation* anim = nullptr;
            EXPECT_NE(Zelt_Load_Sdk_a3d(scene, file, &anim), 0) << file;
        };
        return LoadSceneFile(target, (u04 + list).c_str());
    }
    ZeltObject* Object(const char* name) { return Zelt_Scene_Get_Object(scene, name); }
    // The script's repairs: the jam pot, the bucket, the five flower boxes.
    void Repair() {
        for (const auto& [from, to] : {std::pair{"*pot confi", "*U04_53"}, std::pair{"*U04_05t", "*U04_05"}}) {
            ZeltObject* o = Object(from);
            ASSERT_NE(o, nullptr) << from;
            std::snprintf(o->name, sizeof o->name, "%s", to);
        }
        for (int i = 1; i <= 5; ++i) {
            ZeltObject* o = Object(("Massif" + std::to_string(i)).c_str());
            ASSERT_NE(o, nullptr) << i;
            std::snprintf(o->name, sizeof o->name, "*U04_51");
        }
    }
    // The highest colliding face straight below p.
    ZeltObject* GroundBelow(ZeltVector p, float* height) {
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
    void ExpectEyeHeight(ZeltVector at, float eye = 60.0f) {
        float ground = 0;
        ASSERT_NE(GroundBelow(at, &ground), nullptr) << at.x << "," << at.y;
        EXPECT_NEAR(at.z - ground, eye, 0.5f) << at.x << "," << at.y;
    }
    std::string root, u04;
    std::vector<std::string> boxes;
    XMapDirs maps;
    ZeltScene* scene = nullptr;
};

TEST_F(Garden, ListLoadsAndTheTablesMeetTheScript) {
    ASSERT_EQ(Load("U04.ZELT"), 1);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    Repair();
    std::vector<XObjectInfoRecord> objects;
    auto file = std::make_unique<XChunkFile>();
    ASSERT_EQ(file->Open(platform::ResolvePath(u04, "INFOOBJ.BIN").c_str(), 0), 1);
    ASSERT_EQ(ReadObjectInfos(*file, objects), XTableRead::Read);
    file->Close();
    std::set<std::string> listed;
    for (const auto& r : objects) {
        EXPECT_NE(Object(r.m_Name), nullptr) << r.m_Name;
        listed.insert(Upper(r.m_Name));
    }
    std::vector<XActionInfoRecord> actions;
    ASSERT_EQ(file->Open(platform::ResolvePath(u04, "INFOACT.BIN").c_str(), 0), 1);
    ASSERT_EQ(ReadActionInfos(*file, actions), XTableRead::Read);
    file->Close();
    std::set<std::string> operations, carried;
    std::set<int> ids;
    for (const auto& a : actions) {
        ids.insert(a.m_Id);
        EXPECT_EQ(listed.count(Upper(a.m_Sender)), 1u) << a.m_Name;
        EXPECT_EQ(listed.count(Upper(a.m_Receiver)), 1u) << a.m_Name;
        if (a.m_Trigger == XActionInfoRecord::kTriggerCarrying) carried.insert(a.m_CarriedName);
        for (int k = 0; k < a.m_SubCount; ++k)
            if (a.m_Subs[k].m_Type == 10) operations.insert(a.m_Subs[k].m_Param);
    }
    EXPECT_EQ(operations, (std::set<std::string>{"VirelOpenDoor", "EntrerDansAtelier", "UsePot", "UseTube", "ScrollTableau",
                                                 "UseCartePostale", "EnleverBaillon", "BriserVitre", "UseEchelle",
                                                 "MonterSurEchelle", "UseBouchon", "UseCle", "VirelTalkAfterBaillon",
                                                 "VirelTalkAfterMarteau", "RameToGauche", "RameToDroite"}));
    // The ids the script reads, runs or switches.
    for (int id : {18, 20, 29, 30, 31, 32, 33, 34, 35, 36, 39}) EXPECT_EQ(ids.count(id), 1u) << id;
    // Every carried object, and the two brought along, has its pictures.
    std::ifstream mediaFile(platform::ResolvePath(root, "2DBIT/Media.txt"));
    std::stringstream media;
    media << mediaFile.rdbuf();
    carried.insert("U01_04");
    carried.insert("U03_06");
    for (const std::string& name : carried)
        for (const char* kind : {"C", "P"}) EXPECT_NE(media.str().find(name + kind), std::string::npos) << name << kind;
}

TEST_F(Garden, TalkersAndEveryFileTheScriptNames) {
    ASSERT_EQ(Load("U04.ZELT"), 1);
    for (const char* who : {"*U04_03", "*U04_04"}) {
        ZeltObject* body = Object(who);
        ASSERT_NE(body, nullptr) << who;
        ASSERT_NE(Find(body, "TETE"), nullptr) << who;
        ZeltObject* face = Find(body, "$$$DUMMY.*visage");
        ASSERT_NE(face, nullptr) << who;
        for (const char* shape : {"Yeux", "Ch", "Ch_yeux", "B", "E", "F", "O", "A"}) {
            const std::string path = platform::ResolvePath(u04, "Anim/" + std::string(who + 1) + "/" + shape + ".A3D");
            ASSERT_NE(path, "") << who << " " << shape;
            ZeltAnimation* anim = nullptr;
            ASSERT_NE(Zelt_Load_Sdk_a3d(scene, path.c_str(), &anim), 0) << shape;
            EXPECT_EQ(Upper(anim->name), Upper(face->name)) << shape;
        }
    }
    // Every line of the voices file has its wave and its timing file.
    std::ifstream voices(std::string(LUMORA_DEMO_SOURCE) + "/universes/U04.voices");
    std::string line;
    int lines = 0;
    while (std::getline(voices, line)) {
        if (line.empty() || line[0] == ';') continue;
        const std::string name = line.substr(0, line.find(' '));
        ++lines;
        EXPECT_NE(platform::ResolvePath(u04, "Sound/" + name + ".wav"), "") << name;
        const std::string timing = platform::ResolvePath(u04, "Sound/" + name + ".bin");
        ASSERT_NE(timing, "") << name;
        auto file = std::make_unique<XChunkFile>();
        ASSERT_EQ(file->Open(timing.c_str(), 0), 1) << name;
        EXPECT_EQ(file->BeginReadChunk("INDEX"), 1) << name;
        file->Close();
    }
    EXPECT_GE(lines, 12);
    for (const char* sound : {"s3_01", "s3_02", "s3_03", "s3_04", "s3_05", "s3_06", "s3_07", "s3_08", "s3_09", "s3_10",
                              "s3_11", "s3_12", "s3_14", "s3_15"})
        EXPECT_NE(platform::ResolvePath(u04, std::string("Sound/") + sound + ".wav"), "") << sound;
    // The boat's and the door's animations drive the objects the script binds them to.
    for (const auto& [file, name] : {std::pair{"ANIM/Barque.A3D", "*U04_32"}, std::pair{"ANIM/BARKE_TRAJECTOIRE1.A3D", "*U04_32"},
                                     std::pair{"ANIM/BARKE_TOURNEROND.A3D", "*U04_32"},
                                     std::pair{"ANIM/BARKE_PLACEMENT_COULE1.A3D", "*U04_32"}, std::pair{"ANIM/Porte.A3D", "*U04_06"}}) {
        const std::string path = platform::ResolvePath(u04, file);
        ASSERT_NE(path, "") << file;
        ZeltAnimation* anim = nullptr;
        ASSERT_NE(Zelt_Load_Sdk_a3d(scene, path.c_str(), &anim), 0) << file;
        EXPECT_EQ(Upper(anim->name), name) << file;
        EXPECT_NE(Object(name), nullptr) << name;
    }
    EXPECT_NE(platform::ResolvePath(u04, "Maps/teteBA.dmf"), "") << "the gagged face";
    ZeltMaterial* skin = Zelt_Scene_Get_Material(scene, "PeauPeintre");
    ASSERT_NE(skin, nullptr) << "the material the face map goes on";
    EXPECT_NE(skin->texture, nullptr) << "the face picture is loaded with him";
    // The garden's lights reach the people and parts loaded after the
    // scenery, not only the scenery (their faces would be ambient-dark).
    int lights = 0;
    for (ZeltLight* l = Zelt_Scene_Get_First_Light(scene); l; l = Zelt_Scene_Get_Next_Light(scene, l)) {
        ++lights;
        for (const char* person : {"*U04_03", "*U04_04"}) {
            ZeltObject* head = Find(Object(person), "TETE");
            ASSERT_NE(head, nullptr) << person;
            EXPECT_EQ(Zelt_Light_Includes_Object(l, head), 1) << l->name << " on " << person;
        }
        EXPECT_EQ(Zelt_Light_Includes_Object(l, Object("*U04_08")), 1) << l->name << " on the painting";
    }
    EXPECT_GE(lights, 2);
    EXPECT_NE(platform::ResolvePath(root, "Video/GivParis.AVI"), "");
    EXPECT_NE(platform::ResolvePath(root, "Video/s6_1.wav"), "");
    EXPECT_NE(platform::ResolvePath(u04, "Scene.bin"), "");
}

TEST_F(Garden, TheCameraStandsAtEyeHeightWhereverItIsPut) {
    ASSERT_EQ(Load("U04.ZELT"), 1);
    // The arrival, the landing stage, before and inside the workshop, the
    // ladder's foot, the leaving test's place and the way out.
    for (const ZeltVector at : {ZeltVector{100.0f, 180.0f, -9.0f}, ZeltVector{149.87f, 60.56f, -9.0f}, ZeltVector{-90.0f, 400.0f, 15.0f},
                                ZeltVector{-90.0f, 545.0f, 15.0f}, ZeltVector{50.0f, 420.0f, 15.0f}, ZeltVector{-30.0f, 320.0f, 15.0f},
                                ZeltVector{-28.948f, 358.7f, 15.0f}})
        ExpectEyeHeight(at);
    // The painter is seen from the arrival without anything in the way.
    ZeltObject* painter = Object("*U04_03");
    ASSERT_NE(painter, nullptr);
    const ZeltVector head = Position(Find(painter, "TETE")), from{100.0f, 180.0f, -9.0f};
    const float p0[3] = {from.x, from.y, from.z};
    const float p1[3] = {from.x + 0.9f * (head.x - from.x), from.y + 0.9f * (head.y - from.y), from.z + 0.9f * (head.z - from.z)};
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o)) {
        if (o == painter || !Zelt_Object_Check_Line_Collision(o, p0, p1)) continue;
        for (int f = 0; f < Zelt_Object_Get_Face_Count(o); ++f) {
            float hit[3];
            EXPECT_FALSE(Zelt_Line_Face_Collision(o, f, p0, p1, hit)) << o->name;
        }
    }
}

TEST_F(Garden, EveryPaintingOfTheGardenStandsAtEyeHeight) {
    ASSERT_EQ(Load("U04D.ZELT"), 1);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    for (const ZeltVector at : {ZeltVector{-26.42f, 37.1f, -3.6f}, ZeltVector{53.62f, 132.69f, -4.6f}, ZeltVector{196.0f, 284.0f, 15.0f},
                                ZeltVector{44.25f, 150.98f, -3.63f}, ZeltVector{165.6f, 291.76f, 15.0f}, ZeltVector{176.4f, 311.57f, 15.0f},
                                ZeltVector{137.41f, 123.18f, -4.61f}, ZeltVector{110.47f, -48.46f, -4.61f}, ZeltVector{108.5f, 286.05f, 15.0f}})
        ExpectEyeHeight(at);
    EXPECT_EQ(Object("*U04_04"), nullptr) << "scenery only";
}

TEST_F(Garden, TheRowedPathCrossesThePondTowardsThePost) {
    ASSERT_EQ(Load("U04.ZELT"), 1);
    ZeltObject* boat = Object("*U04_32");
    ZeltObject* post = Object("*U04_43");
    ZeltObject* key = Object("*U04_37");
    ASSERT_NE(boat, nullptr);
    ASSERT_NE(post, nullptr);
    ASSERT_NE(key, nullptr);
    ZeltAnimation* path = nullptr;
    ASSERT_NE(Zelt_Load_Sdk_a3d(scene, platform::ResolvePath(u04, "ANIM/BARKE_TRAJECTOIRE1.A3D").c_str(), &path), 0);
    ASSERT_GE(path->lastFrame, 180) << "room for both banks' 60 frames";
    const ZeltVector start = Position(boat), target = Position(post), keyAt = Position(key);
    ASSERT_NE(Zelt_Object_Animate_Spline(boat, path, static_cast<float>(path->lastFrame), 0, 1), 0);
    const ZeltVector end = Position(boat);
    EXPECT_NEAR(end.z, start.z, 0.01f) << "on the water";
    EXPECT_GT(end.x - start.x, 100.0f) << "across the pond";
    EXPECT_LT(end.x + 22.0f, target.x) << "the bow stops short of the post";
    EXPECT_LT(std::hypot(keyAt.x - end.x, keyAt.y - end.y), 120.0f) << "the key within reach";
}

}  // namespace
