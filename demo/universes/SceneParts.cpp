#include "demo/universes/SceneParts.h"

#include "demo/lib/Voice.h"
#include "lumora/engine/InfoTables.h"

#include <cmath>
#include <vector>

namespace pack {

namespace {

void AddNames(UniverseNames& names, const KelmatObject* o) {
    for (; o; o = o->nextSibling) {
        names.objects.insert(o->name);
        AddNames(names, o->firstChild);
    }
}

}  // namespace

bool SaveAsset(Pack& pack, demo::AssetScene& scene, const std::string& rel) {
    std::string why;
    if (!scene.Save(pack.Path(rel), why)) return pack.Fail(why);
    return true;
}

void AddAllNames(UniverseNames& names, demo::AssetScene& s) {
    for (const KelmatObject* o = s.Scene()->objects; o; o = o->next)
        if (!o->parent) AddNames(names, o);
}

KelmatAnimation* RestPose(demo::AssetScene& a, const KelmatObject* o, int length, KelmatAnimation* parent) {
    KelmatAnimation* anim = a.Animation(o->name, length, parent);
    a.PositionKeys(anim, {{0, {o->position.x, o->position.y, o->position.z}}});
    std::vector<const KelmatObject*> children;
    for (const KelmatObject* c = o->firstChild; c; c = c->nextSibling) children.push_back(c);
    for (auto c = children.rbegin(); c != children.rend(); ++c) RestPose(a, *c, length, anim);
    return anim;
}

KelmatAnimation* FindAnim(KelmatAnimation* a, const char* name) {
    for (; a; a = a->nextSibling) {
        if (std::string(a->name) == name) return a;
        if (KelmatAnimation* f = FindAnim(a->firstChild, name)) return f;
    }
    return nullptr;
}

bool WriteSceneInfo(Pack& pack, const char* folder, int r, int g, int b, float sphereRadius, float sphereOffsetZ) {
    XSceneInfoRecord scene;
    scene.m_AmbientRed = r;
    scene.m_AmbientGreen = g;
    scene.m_AmbientBlue = b;
    scene.m_Scale = 40.0f;
    XCameraInfoRecord camera;
    camera.m_Fov = 60.0f;
    camera.m_SphereRadius = sphereRadius;
    camera.m_SphereOffsetZ = sphereOffsetZ;
    camera.m_Speed = 4.0f;
    const std::string path = std::string(folder) + "/Scene.bin";
    return SaveSceneInfoFile(pack.Path(path).c_str(), scene, camera) || pack.Fail("cannot write " + path);
}

KelmatObject* SkyCylinder(demo::AssetScene& s, const char* name, demo::Vec3 at, float radius, float bottom, float top,
                          KelmatMaterial* m) {
    constexpr float kPi = 3.14159265f;
    std::vector<demo::Vec3> v;
    std::vector<demo::AssetScene::Face> f;
    const int sides = 16;
    for (int i = 0; i <= sides; ++i) {
        const float a = 2 * kPi * static_cast<float>(i) / sides;
        v.push_back({radius * std::cos(a), radius * std::sin(a), bottom});
        v.push_back({radius * std::cos(a), radius * std::sin(a), top});
        if (i > 0) {
            const int b = 2 * (i - 1);
            const float u0 = static_cast<float>(i - 1) / 4, u1 = static_cast<float>(i) / 4;
            f.push_back({{b, b + 1, b + 3, b + 2}, {u0, 0, u0, 1, u1, 1, u1, 0}});
        }
    }
    return s.Mesh(name, at, v, f, m);
}

demo::Character ClothedCharacter(demo::AssetScene& s, const char* name, const char* face, demo::Vec3 at, demo::Rgb coat,
                                 demo::Rgb skin) {
    auto* clothes = s.Material((std::string("Habit") + name).c_str(), coat.r, coat.g, coat.b);
    auto* flesh = s.Material((std::string("Peau") + name).c_str(), skin.r, skin.g, skin.b);
    return demo::BuildCharacter(s, name, face, at, clothes, flesh);
}

bool MouthShapes(Pack& pack, const demo::Character& c, const std::string& rel) {
    std::string why;
    return demo::WriteMouthShapes(c, pack.Path(rel), why) || pack.Fail(why);
}

bool SpeakerFiles(Pack& pack, const std::string& folder, demo::AssetScene& s, const demo::Character& c, const std::string& id,
                  UniverseNames& names) {
    if (!SaveAsset(pack, s, folder + "/Perso/" + id + ".O3D")) return false;
    demo::AssetScene a;
    KelmatAnimation* root = RestPose(a, c.root, 40);
    if (KelmatAnimation* head = FindAnim(root, "TETE"))
        a.PositionKeys(head, {{0, {0, 0, 62}}, {20, {0, 0, 62.8f}}, {40, {0, 0, 62}}});
    if (!SaveAsset(pack, a, folder + "/Anim/" + id + "/Attente.A3D")) return false;
    if (!MouthShapes(pack, c, folder + "/Anim/" + id)) return false;
    AddAllNames(names, s);
    names.animations.insert(c.root->name);
    return true;
}

bool WriteLists(Pack& pack, const std::string& folder, const std::string& list, const std::string& paintings) {
    return pack.WriteFile(folder + "/" + folder + ".ZELT", list) &&
           pack.WriteFile(folder + "/" + folder + "D.ZELT", "; " + paintings + ": scenery only\r\nscene=\"" + folder + ".S3D\"\r\nlight=\"" +
                                                                folder + ".L3D\"\r\n");
}

}  // namespace pack
