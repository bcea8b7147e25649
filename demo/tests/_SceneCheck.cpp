#include "_SceneCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "include/zelt/records.h"
#include "lumora/shell/ChunkFile.h"
#include "platform/Files.h"

namespace scenecheck {

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

Vec Position(ZeltObject* o) {
    ZeltVector v{};
    Zelt_Object_Get_Global_Position(o, &v);
    return {v.x, v.y, v.z};
}

LoadedList::LoadedList(const std::string& dir, const std::string& list) : m_Dir(dir) {
    EXPECT_NE(Zelt_Scene_Create(&m_Scene), 0);
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
    m_Loaded = LoadSceneFile(target, (dir + list).c_str());
}

LoadedList::~LoadedList() {
    if (m_Scene) Zelt_Scene_Release(m_Scene);
    SetKernelMapDirs(nullptr);
}

ZeltObject* LoadedList::Find(ZeltObject* root, const char* name) {
    if (Upper(root->name) == Upper(name)) return root;
    for (ZeltObject* c = root->firstChild; c; c = c->nextSibling)
        if (ZeltObject* f = Find(c, name)) return f;
    return nullptr;
}

ZeltObject* LoadedList::Object(const std::string& name) {
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(m_Scene); o; o = Zelt_Scene_Get_Next_Object(m_Scene, o))
        if (Upper(o->name) == Upper(name)) return o;
    return nullptr;
}

bool LoadedList::Ground(Vec eye, float& height, ZeltObject*& object) {
    const float p0[3] = {eye.x, eye.y, eye.z}, p1[3] = {eye.x, eye.y, eye.z - 10000};
    bool found = false;
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(m_Scene); o; o = Zelt_Scene_Get_Next_Object(m_Scene, o)) {
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

void LoadedList::ApplyObjectTable() {
    auto file = std::make_unique<XChunkFile>();
    ASSERT_EQ(file->Open(platform::ResolvePath(m_Dir, "INFOOBJ.BIN").c_str(), 0), 1);
    ASSERT_EQ(ReadObjectInfos(*file, m_Objects), XTableRead::Read);
    file->Close();
    for (const auto& r : m_Objects)
        if (ZeltObject* o = Object(r.m_Name); o && !r.m_Visible) {
            Zelt_Object_Hide(o, 1);
            o->collisionOff = 1;
        }
}

void CheckSpeaker(LoadedList& s, const std::string& dir, const char* speaker, const char* faceName) {
    SCOPED_TRACE(speaker);
    ZeltObject* body = s.Object(speaker);
    ASSERT_NE(body, nullptr);
    ASSERT_NE(LoadedList::Find(body, "TETE"), nullptr);
    ZeltObject* face = LoadedList::Find(body, faceName);
    ASSERT_NE(face, nullptr);
    ASSERT_NE(face->firstChild, nullptr) << "the face holds the mouth";
    const std::string shapes = std::string("Anim/") + (speaker + 1) + "/";
    for (const char* shape : {"Yeux", "Ch", "Ch_yeux", "B", "E", "F", "O", "A"}) {
        const std::string path = platform::ResolvePath(dir, shapes + shape + ".A3D");
        ASSERT_NE(path, "") << shape;
        ZeltAnimation* anim = nullptr;
        ASSERT_NE(Zelt_Load_Sdk_a3d(s.m_Scene, path.c_str(), &anim), 0) << shape;
        // The shape animates the face and the mouth under it.
        ASSERT_EQ(Upper(anim->name), Upper(faceName)) << shape;
        EXPECT_NE(anim->firstChild, nullptr) << shape;
        EXPECT_NE(Zelt_Object_Animate_Spline(face, anim, 5, 0, 1), 0) << shape;
    }
}

int CheckVoices(const std::string& dir, const std::string& voicesFile) {
    std::istringstream lines(ReadAll(voicesFile));
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == ';') continue;
        const std::string name = line.substr(0, line.find(' '));
        SCOPED_TRACE(name);
        ++count;
        const std::string wave = ReadAll(platform::ResolvePath(dir, "Sound/" + name + ".WAV"));
        EXPECT_GT(wave.size(), 44u + 22050u) << "at least half a second of speech";
        if (wave.size() < 44) continue;
        const std::uint32_t lengthMs = static_cast<std::uint32_t>((wave.size() - 44) / 2 * 1000 / 22050);
        auto file = std::make_unique<XChunkFile>();
        if (file->Open(platform::ResolvePath(dir, "Sound/" + name + ".bin").c_str(), 0) != 1 ||
            file->BeginReadChunk("INDEX") != 1) {
            ADD_FAILURE() << "no timing file";
            continue;
        }
        std::int32_t n = 0;
        EXPECT_EQ(file->Read(&n, 4), 1);
        EXPECT_GE(n, 3) << "rest, speech, rest";
        if (n < 3) continue;
        std::vector<std::uint8_t> entries(static_cast<std::size_t>(n) * 8);
        EXPECT_EQ(file->Read(entries.data(), static_cast<int>(entries.size())), 1);
        file->Close();
        auto time = [&](int i) { std::uint32_t t; std::memcpy(&t, &entries[static_cast<std::size_t>(i) * 8], 4); return t; };
        auto shape = [&](int i) { std::uint16_t v; std::memcpy(&v, &entries[static_cast<std::size_t>(i) * 8 + 4], 2); return v; };
        EXPECT_EQ(time(0), 0u);
        EXPECT_EQ(shape(0), 1);
        EXPECT_EQ(shape(n - 1), 1);
        EXPECT_NEAR(static_cast<double>(time(n - 1)), static_cast<double>(lengthMs), 2.0);
        int talking = 0;
        for (int i = 1; i < n; ++i) {
            EXPECT_GT(time(i), time(i - 1)) << i;
            if (shape(i) != 1) ++talking;
        }
        EXPECT_GE(talking, 1);
    }
    return count;
}

std::map<int, XActionInfoRecord> CheckTables(LoadedList& s, const std::string& dir,
                                             const std::vector<std::string>& operations) {
    std::map<int, XActionInfoRecord> byId;
    s.ApplyObjectTable();
    std::set<std::string> listed;
    for (const auto& r : s.m_Objects) {
        EXPECT_NE(s.Object(r.m_Name), nullptr) << r.m_Name;
        listed.insert(Upper(r.m_Name));
    }
    std::vector<XActionInfoRecord> actions;
    auto file = std::make_unique<XChunkFile>();
    if (file->Open(platform::ResolvePath(dir, "INFOACT.BIN").c_str(), 0) != 1 ||
        ReadActionInfos(*file, actions) != XTableRead::Read) {
        ADD_FAILURE() << "no action table in " << dir;
        return byId;
    }
    file->Close();
    std::set<std::string> handedOver;
    for (const auto& a : actions) {
        byId[a.m_Id] = a;
        EXPECT_EQ(listed.count(Upper(a.m_Sender)), 1u) << a.m_Name;
        EXPECT_EQ(listed.count(Upper(a.m_Receiver)), 1u) << a.m_Name;
        for (int k = 0; k < a.m_SubCount; ++k)
            if (a.m_Subs[k].m_Type == 10) {
                EXPECT_TRUE(std::any_of(operations.begin(), operations.end(),
                                        [&](const std::string& n) { return Upper(n) == Upper(a.m_Subs[k].m_Param); }))
                    << a.m_Subs[k].m_Param;
                handedOver.insert(Upper(a.m_Subs[k].m_Param));
            }
    }
    for (const std::string& op : operations) EXPECT_EQ(handedOver.count(Upper(op)), 1u) << "no action hands over " << op;
    return byId;
}

}  // namespace scenecheck
