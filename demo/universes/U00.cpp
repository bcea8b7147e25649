// Universe 0, the start universe: the painter's studio, a small room with
// an easel and the painter, who bids the player welcome ("sb01") before the
// player screen opens. The game loads it first.
//
// Floor at z = 0, eye 60 above it (scale 40).
#include <string>

#include "demo/lib/AssetScene.h"
#include "demo/lib/Media.h"
#include "lumora/engine/InfoTables.h"
#include "tools/lumora-pack/Universes.h"

namespace pack {

namespace {

using demo::AssetScene;

constexpr float kWallTop = 180;

bool SaveAsset(Pack& pack, AssetScene& scene, const std::string& rel) {
    std::string why;
    return scene.Save(pack.Path(rel), why) || pack.Fail(why);
}

bool Studio(Pack& pack, UniverseNames& names) {
    AssetScene s;
    auto* boards = s.Material("Boards", 200, 160, 110, "boards.bmp");
    auto* plaster = s.Material("Plaster", 235, 220, 195, "plaster.bmp");
    auto* dark = s.Material("Easel", 120, 80, 50, "boards.bmp");
    auto* canvas = s.Material("Canvas", 240, 235, 220, "canvas.bmp");
    s.Floor("StudioFloor", {0, 0, 0}, 360, 360, boards, 3);
    s.Box("StudioCeiling", {0, 0, kWallTop}, {-180, -180, 0}, {180, 180, 4}, plaster);
    s.Box("StudioWest", {-180, 0, 0}, {-4, -180, 0}, {0, 180, kWallTop}, plaster);
    s.Box("StudioEast", {180, 0, 0}, {0, -180, 0}, {4, 180, kWallTop}, plaster);
    s.Box("StudioSouth", {0, -180, 0}, {-180, -4, 0}, {180, 0, kWallTop}, plaster);
    s.Box("StudioNorth", {0, 180, 0}, {-180, 0, 0}, {180, 4, kWallTop}, plaster);
    // The easel: two legs, a ledge and the canvas on it, facing the room.
    s.Box("EaselLegL", {-70, 90, 0}, {-3, -3, 0}, {3, 3, 120}, dark);
    s.Box("EaselLegR", {10, 90, 0}, {-3, -3, 0}, {3, 3, 120}, dark);
    s.Box("EaselLedge", {-30, 86, 48}, {-46, -5, 0}, {46, 5, 4}, dark);
    s.Box("EaselCanvas", {-30, 85, 52}, {-42, -2, 0}, {42, 2, 62}, canvas);
    // A window of light on the north wall.
    s.Box("StudioWindow", {60, 176, 70}, {-40, -1, 0}, {40, 0, 70}, s.Material("Sky", 200, 225, 250));
    s.Camera("StudioCamera", {0, -140, 60}, {0, 100, 55}, 60);
    s.Omni("StudioLight", {0, 0, kWallTop - 20}, 255, 235, 210, 1.0f);
    s.Omni("StudioWindowLight", {60, 150, 110}, 190, 210, 255, 0.7f);
    for (KelmatLight* l = s.Scene()->lights; l; l = l->next)
        for (KelmatObject* o = s.Scene()->objects; o; o = o->next) Kelmat_Light_Include_Object(l, o);
    for (KelmatObject* o = s.Scene()->objects; o; o = o->next) names.objects.insert(o->name);
    if (!SaveAsset(pack, s, "U00/U00.S3D")) return false;

    // The painter beside his easel, in a file of his own.
    AssetScene p;
    auto* smock = p.Material("Smock", 180, 70, 60);
    auto* skin = p.Material("Skin", 230, 190, 160);
    const demo::Character painter = demo::BuildCharacter(p, "*U04_03", "$$$DUMMY.*visage", {50, 70, 0}, smock, skin);
    for (const KelmatObject* o : {painter.root, painter.head, painter.face, painter.mouth}) names.objects.insert(o->name);
    if (!SaveAsset(pack, p, "U00/Painter.O3D")) return false;
    AssetScene a;
    demo::BuildCharacterPose(a, painter, 10, 0.0f);
    names.animations.insert("*U04_03");
    return SaveAsset(pack, a, "U00/Anim/U04_03/Idle.A3D");
}

}  // namespace

bool BuildU00(Pack& pack) {
    for (const char* dir : {"U00", "U00/Maps", "U00/Sound", "U00/Anim/U04_03"})
        if (!pack.MakeDir(dir)) return false;
    const bool maps =
        pack.WriteTexture("U00/Maps/boards.dmf", demo::WoodTexture(128, {190, 140, 95}, {120, 80, 50}, 3)) &&
        pack.WriteTexture("U00/Maps/plaster.dmf", demo::PlasterTexture(128, {235, 215, 185}, 5)) &&
        pack.WriteTexture("U00/Maps/canvas.dmf", demo::PlasterTexture(64, {245, 240, 225}, 7));
    // The welcome line: a voice of about three seconds.
    const bool sounds = pack.WriteWave("U00/Sound/sb01.wav", demo::BabbleVoice(3.0f, 120.0f, 1));
    if (!maps || !sounds) return false;

    UniverseNames names;
    if (!Studio(pack, names)) return false;
    const char* list =
        "; Universe 0: the painter's studio, where the game starts\r\n"
        "scene=\"U00.S3D\"\r\n"
        "object=\"Painter.O3D\" animation=\"Anim\\U04_03\\Idle.A3D\"\r\n";
    if (!pack.WriteFile("U00/U00.ZELT", list)) return false;

    XSceneInfoRecord scene;
    scene.m_AmbientRed = 120;
    scene.m_AmbientGreen = 110;
    scene.m_AmbientBlue = 100;
    scene.m_Scale = 40.0f;
    XCameraInfoRecord camera;
    camera.m_Fov = 60.0f;
    camera.m_SphereRadius = 3.0f;
    camera.m_SphereOffsetZ = 1.0f;
    camera.m_Speed = 4.0f;
    if (!SaveSceneInfoFile(pack.Path("U00/Scene.bin").c_str(), scene, camera))
        return pack.Fail("cannot write U00/Scene.bin");
    return pack.CompileTables("U00", DemoDir() + "/universes/U00.tables", names);
}

}  // namespace pack
