#include "_UniverseScene.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/Report.h"
#include "platform/Files.h"

namespace packcheck {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

ZeltVector Position(ZeltObject* o) {
    ZeltVector v{};
    Zelt_Object_Get_Global_Position(o, &v);
    return v;
}

ZeltObject* Find(ZeltObject* root, const std::string& name) {
    if (Upper(root->name) == Upper(name)) return root;
    for (ZeltObject* c = root->firstChild; c; c = c->nextSibling)
        if (ZeltObject* f = Find(c, name)) return f;
    return nullptr;
}

bool Ground(ZeltScene* scene, const ZeltVector& eye, float& height, ZeltObject*& object) {
    const float p0[3] = {eye.x, eye.y, eye.z}, p1[3] = {eye.x, eye.y, eye.z - 10000};
    bool found = false;
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o)) {
        if (o->collisionOff || !Zelt_Object_Check_Line_Collision(o, p0, p1)) continue;
        for (int f = 0; f < Zelt_Object_Get_Face_Count(o); ++f) {
            float hit[3];
            if (Zelt_Line_Face_Collision(o, f, p0, p1, hit) && (!found || hit[2] > height)) {
                found = true;
                height = hit[2];
                object = o;
            }
        }
    }
    return found;
}

bool Blocked(ZeltScene* scene, const ZeltVector& a, const ZeltVector& b, ZeltObject* except, bool collidingOnly) {
    const float p0[3] = {a.x, a.y, a.z}, p1[3] = {b.x, b.y, b.z};
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(scene); o; o = Zelt_Scene_Get_Next_Object(scene, o)) {
        if (o == except || (collidingOnly && o->collisionOff) || !Zelt_Object_Check_Line_Collision(o, p0, p1)) continue;
        for (int f = 0; f < Zelt_Object_Get_Face_Count(o); ++f) {
            float hit[3];
            if (Zelt_Line_Face_Collision(o, f, p0, p1, hit)) return true;
        }
    }
    return false;
}

UniverseScene::UniverseScene(const std::string& dir, const std::string& list, const std::string& listDir)
    : m_Dir(dir), m_ListDir(listDir.empty() ? dir : listDir) {
    EXPECT_NE(Zelt_Scene_Create(&m_Scene), 0);
    if (!m_Scene) return;
    m_Maps.Add((dir + "Maps\\").c_str());
    SetKernelMapDirs(&m_Maps);
    XSceneListTarget target;
    target.m_Scene = m_Scene;
    target.m_Dir = m_Dir.c_str();
    target.m_LoadAnim = [this](const char* file, ZeltObject* object, float) {
        ZeltAnimation* anim = nullptr;
        EXPECT_NE(Zelt_Load_Sdk_a3d(m_Scene, file, &anim), 0) << file;
        if (!anim || !object) return;
        // A name with "*" binds to the object; a group binds its children
        // to the object's descendants of the same names.
        if (std::strchr(anim->name, '*')) {
            m_Anims[object->name] = anim;
            m_Bound[anim] = object;
            return;
        }
        for (ZeltAnimation* c = anim->firstChild; c; c = c->nextSibling)
            if (ZeltObject* o = Find(object, c->name)) {
                m_Anims[o->name] = c;
                m_Bound[c] = o;
            }
    };
    m_Loaded = LoadSceneFile(target, (m_ListDir + list).c_str());
}

UniverseScene::~UniverseScene() {
    if (m_Scene) Zelt_Scene_Release(m_Scene);
    SetKernelMapDirs(nullptr);
}

ZeltObject* UniverseScene::Object(const std::string& name) {
    const std::vector<ZeltObject*> all = Objects(name);
    return all.empty() ? nullptr : all.front();
}

std::vector<ZeltObject*> UniverseScene::Objects(const std::string& name) {
    std::vector<ZeltObject*> out;
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(m_Scene); o; o = Zelt_Scene_Get_Next_Object(m_Scene, o))
        if (Upper(o->name) == Upper(name)) out.push_back(o);
    return out;
}

bool UniverseScene::ApplyObjectTable() {
    auto file = std::make_unique<XChunkFile>();
    const bool read = file->Open(platform::ResolvePath(m_ListDir, "INFOOBJ.BIN").c_str(), 0) == 1 &&
                      ReadObjectInfos(*file, m_Objects) == XTableRead::Read;
    file->Close();
    EXPECT_TRUE(read) << "INFOOBJ.BIN of " << m_ListDir << " does not read";
    for (const auto& r : m_Objects)
        if (ZeltObject* o = Object(r.m_Name); o && !r.m_Visible) {
            Zelt_Object_Hide(o, 1);
            o->collisionOff = 1;
        }
    return read;
}

bool UniverseScene::ReadActions(std::vector<XActionInfoRecord>& out) const {
    auto file = std::make_unique<XChunkFile>();
    if (file->Open(platform::ResolvePath(m_ListDir, "INFOACT.BIN").c_str(), 0) != 1) return false;
    const bool read = ReadActionInfos(*file, out) == XTableRead::Read;
    file->Close();
    return read;
}

std::string ExpectEyeHeight(ZeltScene* scene, const ZeltVector& eye, const std::string& what, float tolerance, float height) {
    float ground = 0;
    ZeltObject* on = nullptr;
    if (!Ground(scene, eye, ground, on)) {
        ADD_FAILURE() << what << ": no ground below " << eye.x << " " << eye.y << " " << eye.z;
        return "";
    }
    EXPECT_NEAR(eye.z - ground, height, tolerance) << what << " over " << on->name << " at " << eye.x << " " << eye.y;
    return on->name;
}

int ExpectSceneryOnly(UniverseScene& s) {
    int objects = 0;
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(s.m_Scene); o; o = Zelt_Scene_Get_Next_Object(s.m_Scene, o)) {
        ++objects;
        EXPECT_EQ(std::strchr(o->name, '*'), nullptr) << "scenery only: " << o->name;
    }
    return objects;
}

std::map<int, XActionInfoRecord> CheckTables(UniverseScene& s, const std::vector<std::string>& operations) {
    std::map<int, XActionInfoRecord> byId;
    s.ApplyObjectTable();
    std::set<std::string> listed;
    for (const auto& r : s.m_Objects) {
        EXPECT_NE(s.Object(r.m_Name), nullptr) << "no kernel object " << r.m_Name;
        listed.insert(Upper(r.m_Name));
    }
    std::vector<XActionInfoRecord> actions;
    EXPECT_TRUE(s.ReadActions(actions)) << "INFOACT.BIN of " << s.m_ListDir << " does not read";
    std::set<std::string> handedOver;
    for (const auto& a : actions) {
        byId[a.m_Id] = a;
        EXPECT_EQ(listed.count(Upper(a.m_Sender)), 1u) << a.m_Name << ": sender not in the table";
        EXPECT_EQ(listed.count(Upper(a.m_Receiver)), 1u) << a.m_Name << ": receiver not in the table";
        for (int k = 0; k < a.m_SubCount; ++k) {
            if (a.m_Subs[k].m_Type != 10) continue;
            const std::string name = Upper(a.m_Subs[k].m_Param);
            EXPECT_TRUE(std::any_of(operations.begin(), operations.end(), [&](const std::string& op) { return Upper(op) == name; }))
                << a.m_Name << ": hands over the unknown " << a.m_Subs[k].m_Param;
            handedOver.insert(name);
        }
    }
    for (const std::string& op : operations) EXPECT_EQ(handedOver.count(Upper(op)), 1u) << "no action hands over " << op;
    return byId;
}

void CheckSpeaker(UniverseScene& s, const char* speaker, const char* faceName, const std::string& shapes) {
    SCOPED_TRACE(speaker);
    ZeltObject* body = s.Object(speaker);
    ASSERT_NE(body, nullptr);
    ASSERT_NE(Find(body, "TETE"), nullptr);
    ZeltObject* face = Find(body, faceName);
    ASSERT_NE(face, nullptr);
    ASSERT_NE(face->firstChild, nullptr) << "the face holds the mouth";
    const std::string folder = "Anim/" + (shapes.empty() ? std::string(speaker + 1) : shapes) + "/";
    for (const char* shape : {"Yeux", "Ch", "Ch_yeux", "B", "E", "F", "O", "A"}) {
        const std::string path = platform::ResolvePath(s.m_Dir, folder + shape + ".A3D");
        ASSERT_NE(path, "") << shape;
        ZeltAnimation* anim = nullptr;
        ASSERT_NE(Zelt_Load_Sdk_a3d(s.m_Scene, path.c_str(), &anim), 0) << shape;
        // The shape animates the face and the mouth under it.
        ASSERT_EQ(Upper(anim->name), Upper(faceName)) << shape;
        EXPECT_NE(anim->firstChild, nullptr) << shape;
        EXPECT_NE(Zelt_Object_Animate_Spline(face, anim, 5, 0, 1), 0) << shape;
    }
}

std::vector<std::pair<std::string, std::string>> VoiceLines(const std::string& voicesFile) {
    std::ifstream in(voicesFile);
    EXPECT_TRUE(in.good()) << voicesFile;
    std::vector<std::pair<std::string, std::string>> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == ';') continue;
        std::istringstream fields(line);
        std::string name, speaker;
        fields >> name >> speaker;
        lines.emplace_back(name, speaker);
    }
    return lines;
}

std::string CheckTiming(const std::string& dir, const std::string& name, const std::string& waveDir) {
    const std::string wavePath = platform::ResolvePath(waveDir.empty() ? dir : waveDir, "Sound/" + name + ".wav");
    if (wavePath.empty()) return "no wave";
    const auto bytes = std::filesystem::file_size(wavePath);
    if (bytes < 44 + 22050) return "shorter than half a second";
    const std::uint32_t lengthMs = static_cast<std::uint32_t>((bytes - 44) / 2 * 1000 / 22050);
    auto file = std::make_unique<XChunkFile>();
    const std::string timing = platform::ResolvePath(dir, "Sound/" + name + ".bin");
    if (timing.empty() || !file->Open(timing.c_str(), 0) || !file->BeginReadChunk("INDEX")) return "no timing file";
    std::int32_t n = 0;
    if (!file->Read(&n, 4) || n < 3) return "fewer than three timing entries";
    std::vector<std::uint8_t> entries(static_cast<std::size_t>(n) * 8);
    if (!file->Read(entries.data(), static_cast<int>(entries.size()))) return "short timing file";
    file->Close();
    auto time = [&](int i) { std::uint32_t t; std::memcpy(&t, &entries[static_cast<std::size_t>(i) * 8], 4); return t; };
    auto shape = [&](int i) { std::uint16_t v; std::memcpy(&v, &entries[static_cast<std::size_t>(i) * 8 + 4], 2); return v; };
    if (time(0) != 0 || shape(0) != 1 || shape(n - 1) != 1) return "does not start and end at rest";
    if (std::abs(static_cast<double>(time(n - 1)) - lengthMs) > 2.0) return "does not end at the wave's length";
    int talking = 0;
    for (int i = 1; i < n; ++i) {
        if (time(i) <= time(i - 1)) return "times do not rise";
        if (shape(i) != 1) ++talking;
    }
    return talking ? "" : "no speech";
}

int CheckVoices(const std::string& dir, const std::string& voicesFile) {
    const auto lines = VoiceLines(voicesFile);
    for (const auto& [name, speaker] : lines) EXPECT_EQ(CheckTiming(dir, name), "") << name;
    return static_cast<int>(lines.size());
}

SceneRecords ReadSceneRecords(const std::string& dir) {
    SceneRecords r;
    auto file = std::make_unique<XChunkFile>();
    if (file->Open(platform::ResolvePath(dir, "SCENE.BIN").c_str(), 0) != 1) return r;
    r.read = ReadSceneInfo(*file, r.info) == 1 && ReadCameraInfo(*file, r.camera) == 1;
    file->Close();
    return r;
}

void PackCheck::SetUpTestSuite() { ASSERT_EQ(StartKernel(0, 16), 1); }

void PackCheck::SetUp() {
    const char* bin = std::getenv("LUMORA_BIN");
    ASSERT_NE(bin, nullptr) << "LUMORA_BIN is not set";
    root = (std::filesystem::path(bin) / "Data").string();
    SetMessageBoxHook([this](platform::HWND, const char* text, const char*, platform::UINT) {
        boxes.push_back(text);
        return 1;
    });
    if (!m_Universe.empty()) dir = Folder(m_Universe);
}

void PackCheck::TearDown() { SetMessageBoxHook({}); }

std::string PackCheck::Folder(const std::string& name) {
    const std::string folder = platform::ResolvePath(root, name);
    EXPECT_NE(folder, "") << "no " << name << " in " << root;
    return folder.empty() ? "" : folder + "/";
}

bool PackCheck::Exists(const std::string& rel) const { return platform::ResolvePath(dir, rel) != ""; }

}  // namespace packcheck
