#include "_UniverseScene.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "lumora/shell/ChunkFile.h"
#include "platform/Files.h"

namespace packcheck {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string UniverseDir(const std::string& folder) {
    const char* bin = std::getenv("LUMORA_BIN");
    if (!bin) return "";
    const std::string dir = platform::ResolvePath((std::filesystem::path(bin) / "Data").string(), folder);
    return dir.empty() ? "" : dir + "/";
}

UniverseScene::UniverseScene(const std::string& dir, const std::string& list) : m_Dir(dir) {
    if (!Zelt_Scene_Create(&m_Scene)) return;
    m_Maps.Add((dir + "Maps\\").c_str());
    SetKernelMapDirs(&m_Maps);
    XSceneListTarget target;
    target.m_Scene = m_Scene;
    target.m_Dir = m_Dir.c_str();
    target.m_LoadAnim = [this](const char* file, ZeltObject* object, float) {
        ZeltAnimation* anim = nullptr;
        if (!Zelt_Load_Sdk_a3d(m_Scene, file, &anim) || !anim || !object) return;
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

UniverseScene::~UniverseScene() {
    if (m_Scene) Zelt_Scene_Release(m_Scene);
    SetKernelMapDirs(nullptr);
}

ZeltObject* UniverseScene::Find(ZeltObject* root, const char* name) {
    if (Upper(root->name) == Upper(name)) return root;
    for (ZeltObject* c = root->firstChild; c; c = c->nextSibling)
        if (ZeltObject* f = Find(c, name)) return f;
    return nullptr;
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

bool UniverseScene::Ground(const ZeltVector& eye, float& height, ZeltObject*& object) {
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

bool UniverseScene::Ceiling(const ZeltVector& eye, float up) {
    const float p0[3] = {eye.x, eye.y, eye.z}, p1[3] = {eye.x, eye.y, eye.z + up};
    for (ZeltObject* o = Zelt_Scene_Get_First_Object(m_Scene); o; o = Zelt_Scene_Get_Next_Object(m_Scene, o)) {
        if (o->collisionOff || !Zelt_Object_Check_Line_Collision(o, p0, p1)) continue;
        for (int f = 0; f < Zelt_Object_Get_Face_Count(o); ++f) {
            float hit[3];
            if (Zelt_Line_Face_Collision(o, f, p0, p1, hit)) return true;
        }
    }
    return false;
}

bool UniverseScene::ApplyObjectTable() {
    auto file = std::make_unique<XChunkFile>();
    if (!file->Open(platform::ResolvePath(m_Dir, "INFOOBJ.BIN").c_str(), 0)) return false;
    const bool read = ReadObjectInfos(*file, m_Objects) == XTableRead::Read;
    file->Close();
    for (const auto& r : m_Objects)
        if (ZeltObject* o = Object(r.m_Name); o && !r.m_Visible) {
            Zelt_Object_Hide(o, 1);
            o->collisionOff = 1;
        }
    return read;
}

bool UniverseScene::ReadActions(std::vector<XActionInfoRecord>& out) const {
    auto file = std::make_unique<XChunkFile>();
    if (!file->Open(platform::ResolvePath(m_Dir, "INFOACT.BIN").c_str(), 0)) return false;
    const bool read = ReadActionInfos(*file, out) == XTableRead::Read;
    file->Close();
    return read;
}

std::vector<std::string> CheckTables(UniverseScene& scene, const std::vector<std::string>& operations,
                                     std::map<int, XActionInfoRecord>& byId) {
    std::vector<std::string> faults;
    if (!scene.ApplyObjectTable()) faults.push_back("INFOOBJ.BIN does not read");
    std::set<std::string> listed;
    for (const auto& r : scene.m_Objects) {
        if (!scene.Object(r.m_Name)) faults.push_back(std::string("no kernel object ") + r.m_Name);
        listed.insert(Upper(r.m_Name));
    }
    std::vector<XActionInfoRecord> actions;
    if (!scene.ReadActions(actions)) faults.push_back("INFOACT.BIN does not read");
    std::set<std::string> handedOver;
    for (const auto& a : actions) {
        byId[a.m_Id] = a;
        if (!listed.count(Upper(a.m_Sender))) faults.push_back(std::string(a.m_Name) + ": sender not in the table");
        if (!listed.count(Upper(a.m_Receiver))) faults.push_back(std::string(a.m_Name) + ": receiver not in the table");
        for (int k = 0; k < a.m_SubCount; ++k) {
            if (a.m_Subs[k].m_Type != 10) continue;
            const std::string name = Upper(a.m_Subs[k].m_Param);
            bool known = false;
            for (const std::string& op : operations) known = known || Upper(op) == name;
            if (!known) faults.push_back(std::string(a.m_Name) + ": hands over the unknown " + a.m_Subs[k].m_Param);
            handedOver.insert(name);
        }
    }
    for (const std::string& op : operations)
        if (!handedOver.count(Upper(op))) faults.push_back("no action hands over " + op);
    return faults;
}

std::vector<std::string> VoiceNames(const std::string& voicesFile) {
    std::ifstream in(voicesFile);
    std::vector<std::string> names;
    std::string line;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != ';') names.push_back(line.substr(0, line.find(' ')));
    return names;
}

std::string CheckTiming(const std::string& dir, const std::string& name) {
    const std::string wavePath = platform::ResolvePath(dir, "Sound/" + name + ".wav");
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

}  // namespace packcheck
