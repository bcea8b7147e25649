#include "demo/universes/SceneParts.h"

#include "lumora/engine/InfoTables.h"

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

}  // namespace pack
