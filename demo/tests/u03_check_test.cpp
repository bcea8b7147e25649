// The fair (universe 3 by day, universe 33 at dusk) in the generated pack
// holds what the two scripts look up: the lists load through the kernel,
// every table name resolves and every hand-over is a name the script
// answers, the ids the scripts read are there with the conditions they rely
// on, the three characters talk in both folders, every file the scripts
// name exists, the ground lies at eye height wherever a script or a
// painting puts the camera, the objects the dusk's painting leaves out are
// in its place, and the cinematic's markers fly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <tuple>
#include <string>
#include <vector>

#include "include/zelt/zelt.h"
#include "include/zelt/records.h"
#include "lumora/engine/InfoTables.h"
#include "lumora/engine/SceneList.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/Report.h"
#include "lumora/universes/XPaintingScene.h"
#include "lumora/universes/XUniverse03.h"
#include "lumora/universes/XUniverse33.h"
#include "platform/Files.h"

namespace {

namespace fs = std::filesystem;

constexpr float kEye = 60.0f;

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

ZeltObject* InTree(ZeltObject* root, const std::string& name) {
    if (Upper(root->name) == Upper(name)) return root;
    for (ZeltObject* c = root->firstChild; c; c = c->nextSibling)
        if (ZeltObject* f = InTree(c, name)) return f;
    return nullptr;
}

// One folder's list loaded into a kernel scene as the game loads it, with
// the animations it binds by object name.
struct Loaded {
    Loaded(const std::string& folderPath, const std::string& list) : dir(folderPath) {
        EXPECT_NE(Zelt_Scene_Create(&scene), 0);
        maps.Add((dir + "Maps\\").c_str());
        SetKernelMapDirs(&maps);
        XSceneListTarget target;
        target.m_Scene = scene;
        target.m_Dir = dir.c_str();
        target.m_LoadAnim = [this](const char* file, ZeltObject* object, float) {
            ZeltAnimation* anim = nullptr;
            EXPECT_NE(Zelt_Load_Sdk_a3d(scene, file, &anim), 0) << file;
            if (anim && object) animations[Upper(object->name)] = anim;
        };
        loaded = LoadSceneFile(target, (dir + list).c_str());
    }
    ~Loaded() {
        Zelt_Scene_Release(scene);
        SetKernelMapDirs(nullptr);
    }
    ZeltObject* Object(const std::string& name) {
        for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o))
            if (Upper(o->name) == Upper(name)) return o;
        return nullptr;
    }
    // The highest colliding face straight below `eye`, or none.
    bool Ground(ZeltVector eye, float& height, std::string& on) {
        const float p0[3] = {eye.x, eye.y, eye.z}, p1[3] = {eye.x, eye.y, eye.z - 10000};
        bool found = false;
        for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o)) {
            if (o->collisionOff || o->hidden || !Zelt_Object_Check_Line_Collision(o, p0, p1)) continue;
            for (int f = 0; f < Zelt_Object_Get_Face_Count(o); ++f) {
                float hit[3];
                if (Zelt_Line_Face_Collision(o, f, p0, p1, hit) && (!found || hit[2] > height)) {
                    found = true;
                    height = hit[2];
                    on = o->name;
                }
            }
        }
        return found;
    }

    std::string dir;
    XMapDirs maps;
    ZeltScene* scene = nullptr;
    int loaded = 0;
    std::map<std::string, ZeltAnimation*> animations;
};

struct Tables {
    std::vector<XObjectInfoRecord> objects;
    std::vector<XActionInfoRecord> actions;
    std::map<int, const XActionInfoRecord*> byId;
};

class Fair : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(StartKernel(0, 16), 1); }
    void SetUp() override {
        root = (fs::path(std::getenv("LUMORA_BIN")) / "Data").string();
        SetMessageBoxHook([this](platform::HWND, const char* text, const char*, platform::UINT) {
            boxes.push_back(text);
            return 1;
        });
    }
    void TearDown() override { SetMessageBoxHook({}); }

    std::string Folder(const char* name) {
        const std::string dir = platform::ResolvePath(root, name);
        EXPECT_NE(dir, "") << name;
        return dir + "/";
    }
    void ReadTables(const std::string& dir, Tables& t) {
        auto file = std::make_unique<XChunkFile>();
        ASSERT_EQ(file->Open(platform::ResolvePath(dir, "INFOOBJ.BIN").c_str(), 0), 1);
        ASSERT_EQ(ReadObjectInfos(*file, t.objects), XTableRead::Read);
        file->Close();
        ASSERT_EQ(file->Open(platform::ResolvePath(dir, "INFOACT.BIN").c_str(), 0), 1);
        ASSERT_EQ(ReadActionInfos(*file, t.actions), XTableRead::Read);
        file->Close();
        for (const auto& a : t.actions) t.byId[a.m_Id] = &a;
    }
    // Every listed object is in the scene, senders and receivers are
    // listed, every hand-over is answered and every name is handed over.
    void CheckTables(Loaded& s, const Tables& t, const char* const* names) {
        std::set<std::string> listed, answered, handed;
        for (const auto& r : t.objects) {
            EXPECT_NE(s.Object(r.m_Name), nullptr) << r.m_Name;
            listed.insert(Upper(r.m_Name));
        }
        for (int i = 0; names[i]; ++i) answered.insert(Upper(names[i]));
        for (const auto& a : t.actions) {
            EXPECT_EQ(listed.count(Upper(a.m_Sender)), 1u) << a.m_Name;
            EXPECT_EQ(listed.count(Upper(a.m_Receiver)), 1u) << a.m_Name;
            for (int k = 0; k < a.m_SubCount; ++k)
                if (a.m_Subs[k].m_Type == 10) {
                    EXPECT_EQ(answered.count(Upper(a.m_Subs[k].m_Param)), 1u) << a.m_Subs[k].m_Param;
                    handed.insert(Upper(a.m_Subs[k].m_Param));
                }
        }
        EXPECT_EQ(handed, answered) << "every operation of the script is reached by some action";
    }
    static bool HandsOver(const XActionInfoRecord* a) {
        return std::any_of(a->m_Subs, a->m_Subs + a->m_SubCount, [](const XSubActionRecord& s) { return s.m_Type == 10; });
    }
    void CheckGround(Loaded& s, const std::vector<std::pair<const char*, ZeltVector>>& places) {
        for (const auto& [what, eye] : places) {
            float ground = 0;
            std::string on;
            ASSERT_TRUE(s.Ground(eye, ground, on)) << what;
            EXPECT_NEAR(eye.z - ground, kEye, 1.0f) << what << " over " << on;
        }
    }

    std::string root;
    std::vector<std::string> boxes;
};

TEST_F(Fair, DayListLoadsAndItsTablesMeetTheScript) {
    const std::string dir = Folder("U03");
    Loaded s(dir, "U03.ZELT");
    ASSERT_EQ(s.loaded, 1);
    EXPECT_NE(Zelt_Scene_Get_First_Camera(s.scene), nullptr);
    Tables t;
    ReadTables(dir, t);
    XUniverse03 script;
    CheckTables(s, t, script.OperationNames());
    // The script keeps the accordion while action 10 is not done; the
    // policeman's last action carries two hand-overs, both run.
    ASSERT_EQ(t.byId.count(10), 1u);
    EXPECT_EQ(Upper(t.byId[10]->m_Sender), "*U03_02");
    EXPECT_EQ(t.byId[10]->m_RepeatLimit, 1);
    int handOvers = 0;
    for (const auto& a : t.actions)
        handOvers = std::max(handOvers, static_cast<int>(std::count_if(a.m_Subs, a.m_Subs + a.m_SubCount,
                                                                        [](const XSubActionRecord& x) { return x.m_Type == 10; })));
    EXPECT_EQ(handOvers, 2);
    for (const char* name : {"*U03_01", "*U03_02", "*U03_09"}) EXPECT_EQ(s.animations.count(name), 1u) << name;
    CheckGround(s, {{"arrival", {450.0f, -520.0f, 68.83f}}});
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(Fair, DuskListLoadsAndItsTablesMeetTheScript) {
    const std::string dir = Folder("U33");
    Loaded s(dir, "U33.ZELT");
    ASSERT_EQ(s.loaded, 1);
    Tables t;
    ReadTables(dir, t);
    XUniverse33 script;
    CheckTables(s, t, script.OperationNames());
    for (int id : {11, 58, 59, 62, 64, 85, 92}) ASSERT_EQ(t.byId.count(id), 1u) << "action " << id;
    // Run or switched on by the script: never fired by a plain click first.
    EXPECT_FALSE(HandsOver(t.byId[11]));
    for (int id : {11, 59, 85}) EXPECT_EQ(Upper(t.byId[id]->m_Condition), "FALSE") << id;
    EXPECT_EQ(Upper(t.byId[11]->m_Receiver), "*U03_10") << "the film frees the red bench";
    // The flags the failures read are done once and stay done.
    for (int id : {58, 62, 64, 85, 92}) EXPECT_EQ(t.byId[id]->m_RepeatLimit, 1) << id;
    // What the scripts show, hide, move and count down with.
    for (const char* name : {"Box186", "*Ecran01", "*Ecran05", "*Ecran09", "*Ecran10", "*U03_37", "*U03_10", "*U03_13", "*U03_30",
                             "*U03_20", "*U03_21", "*U03_22", "*U03_23", "*U03_24", "*U03_25", "*U03_26", "*U03_27", "*U03_28"})
        EXPECT_NE(s.Object(name), nullptr) << name;
    for (const char* name : {"*U03_20", "*U03_21", "*U03_22", "*U03_24", "*U03_25", "*U03_26", "*U03_28", "*U03_02"})
        EXPECT_EQ(s.animations.count(name), 1u) << "animation " << name;
    ASSERT_NE(s.Object("*U03_24"), nullptr);
    EXPECT_NE(InTree(s.Object("*U03_24"), "Couvercle"), nullptr) << "the trunk's lid";
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(Fair, CharactersTalkInBothFolders) {
    for (const char* folder : {"U03", "U33"}) {
        SCOPED_TRACE(folder);
        const std::string dir = Folder(folder);
        Loaded s(dir, std::string(folder) + ".ZELT");
        ASSERT_EQ(s.loaded, 1);
        const std::pair<const char*, const char*> speakers[] = {
            {"*U03_01", "$$$DUMMY.*visage"}, {"*U03_02", "$$$DUMMY.visage"}, {"*U03_09", "$$$DUMMY.visage"}};
        for (const auto& [name, faceName] : speakers) {
            SCOPED_TRACE(name);
            ZeltObject* body = s.Object(name);
            ASSERT_NE(body, nullptr);
            ZeltObject* head = InTree(body, "TETE");
            ZeltObject* face = InTree(body, faceName);
            ASSERT_NE(head, nullptr);
            ASSERT_NE(face, nullptr);
            ASSERT_NE(face->firstChild, nullptr) << "the face holds the mouth";
            // The rest pose keeps the head on the shoulders.
            ZeltVector before{}, after{};
            Zelt_Object_Get_Global_Position(head, &before);
            ASSERT_EQ(s.animations.count(name), 1u);
            ASSERT_NE(Zelt_Object_Animate_Spline(body, s.animations[name], 20, 0, 1), 0);
            Zelt_Object_Get_Global_Position(head, &after);
            EXPECT_NEAR(after.z, before.z, 1.0f);
            for (const char* shape : {"Yeux", "Ch", "Ch_yeux", "B", "E", "F", "O", "A"}) {
                const std::string path = platform::ResolvePath(dir, std::string("Anim/") + (name + 1) + "/" + shape + ".A3D");
                ASSERT_NE(path, "") << shape;
                ZeltAnimation* anim = nullptr;
                ASSERT_NE(Zelt_Load_Sdk_a3d(s.scene, path.c_str(), &anim), 0) << shape;
                EXPECT_EQ(Upper(anim->name), Upper(faceName)) << shape;
                EXPECT_NE(Zelt_Object_Animate_Spline(face, anim, 5, 0, 1), 0) << shape;
            }
        }
        // Every line has its wave and a timing file that starts and ends at rest.
        std::ifstream voices(std::string(LUMORA_DEMO_SOURCE) + "/universes/" + folder + ".voices");
        std::string line;
        int count = 0;
        while (std::getline(voices, line)) {
            if (line.empty() || line[0] == ';') continue;
            const std::string wave = line.substr(0, line.find(' '));
            ++count;
            EXPECT_NE(platform::ResolvePath(dir, "Sound/" + wave + ".wav"), "") << wave;
            auto file = std::make_unique<XChunkFile>();
            ASSERT_EQ(file->Open(platform::ResolvePath(dir, "Sound/" + wave + ".bin").c_str(), 0), 1) << wave;
            ASSERT_EQ(file->BeginReadChunk("INDEX"), 1) << wave;
            std::int32_t n = 0;
            ASSERT_EQ(file->Read(&n, 4), 1);
            EXPECT_GE(n, 3) << wave;
            file->Close();
        }
        EXPECT_GE(count, 6);
    }
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(Fair, EveryFileTheScriptsNameExists) {
    const std::string day = Folder("U03"), dusk = Folder("U33"), video = Folder("Video");
    for (const char* rel : {"U03.ZELT", "U03D.ZELT", "Scene.bin", "INFOOBJ.BIN", "INFOACT.BIN", "Sound/s2_01.wav", "Sound/s2_03.wav",
                            "Sound/s2_04.wav", "Anim/U03_01/Jongle.A3D", "Anim/U03_09/Salut.A3D", "cinematiques/Coordcam.o3d",
                            "cinematiques/Cine01.o3d", "cinematiques/Coordcam.a3d", "cinematiques/Cine01.a3d"})
        EXPECT_NE(platform::ResolvePath(day, rel), "") << "U03/" << rel;
    for (const char* rel : {"U33.ZELT", "U33D.ZELT", "Scene.bin", "INFOOBJ.BIN", "INFOACT.BIN", "Sound/s2_01.wav", "Sound/s2_05.wav",
                            "Sound/s2_06.wav", "Sound/s2_07.wav", "Sound/s2_12.wav", "Sound/s2_13.wav", "Anim/U03_02/choppe02.a3d"})
        EXPECT_NE(platform::ResolvePath(dusk, rel), "") << "U33/" << rel;
    for (const char* rel : {"U33_01.AVI", "U33_02.AVI", "RouGiv.AVI", "s6_1.wav"})
        EXPECT_NE(platform::ResolvePath(video, rel), "") << "Video/" << rel;
    for (const auto& [dir, radius, offset] : {std::tuple{day, 30.5f, 10.5f}, std::tuple{dusk, 38.5f, 19.0f}}) {
        auto file = std::make_unique<XChunkFile>();
        ASSERT_EQ(file->Open(platform::ResolvePath(dir, "SCENE.BIN").c_str(), 0), 1);
        XSceneInfoRecord info;
        XCameraInfoRecord camera;
        ASSERT_EQ(ReadSceneInfo(*file, info), 1);
        ASSERT_EQ(ReadCameraInfo(*file, camera), 1);
        file->Close();
        EXPECT_EQ(info.m_Scale, 40.0f);
        EXPECT_EQ(camera.m_SphereRadius, radius);
        EXPECT_EQ(camera.m_SphereOffsetZ, offset);
    }
}

TEST_F(Fair, GroundAtEyeHeightWhereTheScriptsAndPaintingsPutTheCamera) {
    {
        Loaded s(Folder("U33"), "U33.ZELT");
        ASSERT_EQ(s.loaded, 1);
        CheckGround(s, {{"arrival", {200.0f, -120.0f, 68.83f}},
                        {"before the door", {205.0f, 60.0f, 68.83f}},
                        {"inside", {205.0f, 118.0f, 68.83f}},
                        {"behind the curtain", {275.0f, 122.0f, 68.83f}},
                        {"behind the caravan", {260.0f, 290.0f, 68.83f}},
                        {"in the aisle", {330.0f, 250.0f, 68.83f}},
                        {"at the seat", {330.0f, 345.0f, 68.83f}},
                        {"at the bicycle", {380.0f, 570.0f, 68.83f}}});
        // The trunk stands before the back door until it is pushed aside
        // (the jack-in-the-box put away with it).
        float ground = 0;
        std::string on;
        ASSERT_TRUE(s.Ground({260.0f, 200.0f, 68.83f}, ground, on));
        EXPECT_GT(ground, 30.0f) << on;
        ZeltObject* trunk = s.Object("*U03_24");
        ASSERT_NE(trunk, nullptr);
        ASSERT_NE(Zelt_Object_Animate_Spline(trunk, s.animations["*U03_24"], 10, 0, 1), 0);
        s.Object("*U03_26")->collisionOff = 1;
        CheckGround(s, {{"at the back door", {260.0f, 200.0f, 68.83f}}});
    }
    // The paintings' viewpoints, in the lists the painting scene loads.
    Loaded day(Folder("U03"), "U03D.ZELT");
    ASSERT_EQ(day.loaded, 1);
    CheckGround(day, {{"U12_03", {449.35f, -232.52f, 68.83f}}});
    Loaded dusk(Folder("U33"), "U33D.ZELT");
    ASSERT_EQ(dusk.loaded, 1);
    CheckGround(dusk, {{"U12_04", {320.98f, -92.88f, 68.83f}}});
    // The painting scene's repairs of groups 3 and 33 find their objects.
    for (const char* name : {"*Ecran01", "*Ecran09", "*Ecran10", "Box186", "*U03_13"}) EXPECT_NE(dusk.Object(name), nullptr) << name;
    // The objects the painting scene leaves out of the caravan's still view
    // are all in the place, in the painting's list as in the game's, and
    // are none of those it puts away by their own names.
    Loaded play(Folder("U33"), "U33.ZELT");
    ASSERT_EQ(play.loaded, 1);
    std::set<std::string> show;
    for (const char* const* name = XPaintingScene::FairShowObjects(); *name; ++name) {
        show.insert(Upper(*name));
        EXPECT_NE(dusk.Object(*name), nullptr) << *name;
        EXPECT_NE(play.Object(*name), nullptr) << *name;
    }
    EXPECT_EQ(show.size(), 24u);
    for (const char* own : {"*ECRAN01", "*ECRAN10", "BOX186", "*U03_13"}) EXPECT_EQ(show.count(own), 0u) << own;
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(Fair, TheCinematicsMarkersFlyFromTheGateOverTheCaravans) {
    Loaded s(Folder("U03"), "U03.ZELT");
    ASSERT_EQ(s.loaded, 1);
    const std::string dir = Folder("U03");
    std::map<std::string, std::pair<ZeltObject*, ZeltAnimation*>> markers;
    for (const char* name : {"Coordcam", "Cine01"}) {
        ZeltObject* object = nullptr;
        ZeltAnimation* anim = nullptr;
        ASSERT_NE(Zelt_Load_Sdk_o3d(s.scene, platform::ResolvePath(dir, std::string("cinematiques/") + name + ".o3d").c_str(), &object), 0);
        ASSERT_NE(Zelt_Load_Sdk_a3d(s.scene, platform::ResolvePath(dir, std::string("cinematiques/") + name + ".a3d").c_str(), &anim), 0);
        EXPECT_GT(anim->lastFrame, 30) << name << ": long enough to be seen at speed 15";
        markers[name] = {object, anim};
    }
    auto at = [&](const char* name, float frame) {
        auto [object, anim] = markers[name];
        EXPECT_NE(Zelt_Object_Animate_Spline(object, anim, frame, 0, 1), 0);
        ZeltVector p{};
        Zelt_Object_Get_Global_Position(object, &p);
        return p;
    };
    const ZeltVector start = at("Coordcam", 1), end = at("Coordcam", 60), look = at("Cine01", 60);
    EXPECT_LT(start.y, 0.0f) << "from the fairground";
    EXPECT_GT(end.y, 300.0f) << "over the caravans' meadow";
    EXPECT_LT(look.x, end.x) << "looking on towards the caravan";
    // Above the ground all the way.
    for (float frame = 1; frame <= 60; frame += 5) EXPECT_GT(at("Coordcam", frame).z, 20.0f) << frame;
}

}  // namespace
