// Universe 9, the test universe (no script of its own: the game gives it a
// plain scene). Two rooms joined by a door that swings open when clicked,
// a table with a brass vase, a wall clock that rings, a painter standing in
// the second room; one camera, two lights, ambience and effects.
//
// Floors stand at z = 10 so nothing relies on the ground being at 0. With
// scale 40 the eye is 60 above the floor.
#include <string>
#include <vector>

#include "demo/lib/AssetScene.h"
#include "demo/lib/Media.h"
#include "demo/universes/U09Walk.h"
#include "lumora/engine/InfoTables.h"
#include "tools/lumora-pack/Universes.h"

namespace pack {

namespace {

using demo::AssetScene;
using demo::Vec3;

constexpr float kFloor = 10;
constexpr float kWallTop = 170;

bool Save(Pack& pack, AssetScene& scene, const std::string& rel) {
    std::string why;
    if (!scene.Save(pack.Path(rel), why)) return pack.Fail(why);
    return true;
}

bool Scenery(Pack& pack, UniverseNames& names) {
    AssetScene s;
    auto* wood = s.Material("Parquet", 200, 150, 100, "wood.bmp");
    auto* plaster = s.Material("Plaster", 220, 210, 190, "plaster.bmp");
    auto* tiles = s.Material("Tiles", 200, 200, 200, "tiles.bmp");
    auto* dark = s.Material("DarkWood", 120, 80, 50, "wood.bmp");

    // Room A (y -200..200) and room B (y 200..600), walls as slabs.
    s.Floor("FloorA", {0, 0, kFloor}, 400, 400, wood, 4);
    s.Floor("FloorB", {0, 400, kFloor}, 400, 400, tiles, 4);
    s.Box("Ceiling", {0, 200, kWallTop}, {-200, -400, 0}, {200, 400, 4}, plaster);
    s.Box("WallWest", {-200, 200, kFloor}, {-4, -400, 0}, {0, 400, kWallTop - kFloor}, plaster);
    s.Box("WallEast", {200, 200, kFloor}, {0, -400, 0}, {4, 400, kWallTop - kFloor}, plaster);
    s.Box("WallSouth", {0, -200, kFloor}, {-200, -4, 0}, {200, 0, kWallTop - kFloor}, plaster);
    s.Box("WallNorth", {0, 600, kFloor}, {-200, 0, 0}, {200, 4, kWallTop - kFloor}, plaster);
    // The middle wall, with a doorway 80 wide and 120 high.
    s.Box("WallMidLeft", {-120, 200, kFloor}, {-80, -3, 0}, {80, 3, kWallTop - kFloor}, plaster);
    s.Box("WallMidRight", {120, 200, kFloor}, {-80, -3, 0}, {80, 3, kWallTop - kFloor}, plaster);
    s.Box("WallMidTop", {0, 200, kFloor + 120}, {-40, -3, 0}, {40, 3, kWallTop - kFloor - 120}, plaster);
    // A table in room A.
    auto* table = s.Box("Table", {100, -80, kFloor + 66}, {-40, -25, 0}, {40, 25, 4}, dark);
    for (int i = 0; i < 4; ++i) {
        const float x = i & 1 ? 34 : -34, y = i & 2 ? 19 : -19;
        s.Box(("TableLeg" + std::to_string(i)).c_str(), {x, y, -66}, {-3, -3, 0}, {3, 3, 66}, dark, table);
    }
    s.Camera("Camera01", {0, -150, kFloor + 60}, {0, 100, kFloor + 50}, 60);
    s.Omni("Omni01", {0, 0, kWallTop - 20}, 255, 230, 200, 1.0f);
    s.Omni("Omni02", {0, 400, kWallTop - 20}, 200, 210, 255, 0.8f);
    for (KelmatLight* l = s.Scene()->lights; l; l = l->next)
        for (KelmatObject* o = s.Scene()->objects; o; o = o->next) Kelmat_Light_Include_Object(l, o);
    for (KelmatObject* o = s.Scene()->objects; o; o = o->next) names.objects.insert(o->name);
    return Save(pack, s, "U09/U09.S3D");
}

// The painter stands in room A right of the doorway, facing the first
// camera close enough for his mouth to be read.
constexpr Vec3 kPainterAt{40, 100, kFloor};

// The painter's mouth shapes in "Anim/U09_05/": the mouth's width, depth and
// height scaled over ten frames. "A" is closed at frame 0 (the mouth at
// rest) and wide open after.
bool MouthShapes(Pack& pack, const demo::Character& painter) {
    struct Shape {
        const char* name;
        std::vector<demo::Key> scale;
    };
    const Shape shapes[] = {
        {"A", {{0, {1, 1, 1}}, {2, {1.2f, 1, 4}}, {10, {1.1f, 1, 3.6f}}}},
        {"B", {{0, {1.15f, 1, 0.4f}}, {10, {1.1f, 1, 0.5f}}}},
        {"Ch", {{0, {0.6f, 1, 2}}, {10, {0.65f, 1, 2.3f}}}},
        {"Ch_yeux", {{0, {0.55f, 1, 2.6f}}, {10, {0.6f, 1, 2.4f}}}},
        {"E", {{0, {1.3f, 1, 1.8f}}, {10, {1.25f, 1, 2}}}},
        {"F", {{0, {1.5f, 1, 0.7f}}, {10, {1.45f, 1, 0.8f}}}},
        {"O", {{0, {0.5f, 1, 3.2f}}, {10, {0.55f, 1, 3}}}},
        {"Yeux", {{0, {1, 1, 1.6f}}, {10, {0.95f, 1, 1.5f}}}},
    };
    for (const Shape& shape : shapes) {
        AssetScene a;
        demo::BuildMouthShape(a, painter, 10, shape.scale);
        if (!Save(pack, a, std::string("U09/Anim/U09_05/") + shape.name + ".A3D")) return false;
    }
    return true;
}

// The painter's two lines: "painter1" with its timing file (three phrases
// with pauses, the middle one opening on a hiss) and "painter2" without one.
bool Voices(Pack& pack) {
    using demo::Syllable;
    const std::vector<Syllable> greeting = {
        {300, 180, 0, 0},   {480, 200, 3, 0},                                          // "ba-lo"
        {1100, 350, 1, 150}, {1450, 220, 0, 0}, {1670, 230, 2, 0},                   // "chera-li"
        {2300, 250, 3, 60},  {2550, 300, 0, 0}};                                      // "to-ma"
    const demo::Sound one = demo::SpeechSound(greeting, 3.1f, 120.0f, 51);
    std::vector<Syllable> chat;
    int at = 100;
    for (int i = 0; i < 10; ++i) {
        const int length = 170 + (i * 37) % 90;
        chat.push_back({at, length, (i * 3 + 1) % 5, i % 4 == 2 ? 70 : 0});
        at += length + (i % 3 == 2 ? 160 : 10);
    }
    const demo::Sound two = demo::SpeechSound(chat, static_cast<float>(at + 150) / 1000.0f, 135.0f, 53);
    return pack.WriteWave("U09/Sound/painter1.WAV", one) && pack.WriteTiming("U09/Sound/painter1.bin", demo::SpeechTiming(one)) &&
           pack.WriteWave("U09/Sound/painter2.WAV", two);
}

bool Clickables(Pack& pack, UniverseNames& names) {
    {
        AssetScene s;
        auto* brass = s.Material("Brass", 230, 180, 80, "brass.bmp");
        s.Cylinder("*U09_01", {100, -80, kFloor + 70}, 8, 24, 10, brass);
        names.objects.insert("*U09_01");
        if (!Save(pack, s, "U09/Vase.O3D")) return false;
    }
    {
        AssetScene s;
        auto* dark = s.Material("DarkWood", 120, 80, 50, "wood.bmp");
        auto* face = s.Material("ClockFace", 250, 245, 220);
        auto* post = s.Cylinder("Clock", {-150, 500, kFloor}, 5, 110, 8, dark);
        s.Box("*U09_02", {0, 0, 110}, {-20, -4, -20}, {20, 4, 20}, face, post);
        names.objects.insert("Clock");
        names.objects.insert("*U09_02");
        if (!Save(pack, s, "U09/Clock.O3D")) return false;
    }
    {
        // The door hinges at its left edge (x = -40 of the doorway).
        AssetScene s;
        auto* dark = s.Material("DarkWood", 140, 90, 60, "wood.bmp");
        s.Box("*U09_03", {-40, 200, kFloor}, {0, -2, 0}, {80, 2, 120}, dark);
        names.objects.insert("*U09_03");
        if (!Save(pack, s, "U09/Door.O3D")) return false;
        AssetScene a;
        auto* swing = a.Animation("*U09_03", 30);
        a.PositionKeys(swing, {{0, {-40, 200, kFloor}}});
        a.RotationKeys(swing, {{0, {0, 0, 0}}, {30, {-70, 0, 0}}});  // away from room A, still in sight
        names.animations.insert("*U09_03");
        if (!Save(pack, a, "U09/Anim/Door.A3D")) return false;
    }
    {
        // The painter: own file, so the head and face names stay unique.
        AssetScene s;
        auto* coat = s.Material("Coat", 60, 90, 160);
        auto* skin = s.Material("Skin", 230, 190, 160);
        const demo::Character painter = demo::BuildCharacter(s, "*U09_05", "$$$DUMMY.*visage", kPainterAt, coat, skin);
        for (const KelmatObject* o : {painter.root, painter.head, painter.face, painter.mouth}) names.objects.insert(o->name);
        if (!Save(pack, s, "U09/Painter.O3D")) return false;
        AssetScene a;
        demo::BuildCharacterPose(a, painter, 10, 0.0f);
        names.animations.insert("*U09_05");
        if (!Save(pack, a, "U09/Anim/U09_05/Idle.A3D")) return false;
        if (!MouthShapes(pack, painter)) return false;
    }
    {
        // Collision only: keeps the player out of the table.
        AssetScene s;
        s.Box("ColTable", {100, -80, kFloor}, {-45, -30, 0}, {45, 30, 80}, s.Material("Invisible", 0, 0, 0));
        names.objects.insert("ColTable");
        if (!Save(pack, s, "U09/Static/ColTable.O3D")) return false;
    }
    {
        AssetScene s;
        s.Camera("Camera02", {0, 560, kFloor + 60}, {0, 200, kFloor + 60}, 60);
        if (!Save(pack, s, "U09/U09.C3D")) return false;
        AssetScene l;
        l.Omni("Omni03", {-150, -150, kWallTop - 30}, 180, 180, 160, 0.5f);
        if (!Save(pack, l, "U09/U09.L3D")) return false;
    }
    return true;
}

// ---- Things to take, to use and to walk into (actions) ----------------------
// A brass key on the floor to take, a chest before the middle wall that the
// key opens (both in view of the first camera), and an invisible barrier in
// the doorway, collision only, that the opening door takes away.
const char* const kActionPropsList =
    "object=\"Key.O3D\"\r\n"
    "object=\"Chest.O3D\"\r\n"
    "object=\"Static\\ColDoor.O3D\" ; collision only, until the door opens\r\n";

bool ActionProps(Pack& pack, UniverseNames& names) {
    {
        AssetScene s;
        auto* brass = s.Material("Brass", 230, 180, 80, "brass.bmp");
        s.Box("*U09_06", {90, 100, kFloor}, {-16, -6, 0}, {16, 6, 8}, brass);
        names.objects.insert("*U09_06");
        if (!Save(pack, s, "U09/Key.O3D")) return false;
    }
    {
        AssetScene s;
        auto* dark = s.Material("DarkWood", 120, 80, 50, "wood.bmp");
        s.Box("*U09_07", {-110, 120, kFloor}, {-30, -20, 0}, {30, 20, 40}, dark);
        names.objects.insert("*U09_07");
        if (!Save(pack, s, "U09/Chest.O3D")) return false;
    }
    {
        AssetScene s;
        s.Box("*U09_08", {0, 200, kFloor}, {-40, -6, 0}, {40, 6, 120}, s.Material("Invisible", 0, 0, 0));
        names.objects.insert("*U09_08");
        if (!Save(pack, s, "U09/Static/ColDoor.O3D")) return false;
    }
    return true;
}

}  // namespace

bool BuildU09(Pack& pack) {
    for (const char* dir : {"U09", "U09/Maps", "U09/Sound", "U09/Anim/U09_05", "U09/Static"})
        if (!pack.MakeDir(dir)) return false;

    const bool maps = pack.WriteTexture("U09/Maps/wood.dmf", demo::WoodTexture(128, {205, 160, 105}, {130, 85, 50}, 9)) &&
                      pack.WriteTexture("U09/Maps/plaster.dmf", demo::PlasterTexture(128, {225, 215, 190}, 19)) &&
                      pack.WriteTexture("U09/Maps/tiles.dmf", demo::TileTexture(128, 4, {190, 90, 60}, {220, 210, 190}, {90, 80, 70}, 29)) &&
                      pack.WriteTexture("U09/Maps/brass.dmf", demo::MetalTexture(64, {220, 170, 70}, {90, 120, 90}, 39));
    const bool sounds = pack.WriteWave("U09/Sound/door.WAV", demo::CreakSound(1.2f, 9)) &&
                        pack.WriteWave("U09/Sound/bell.WAV", demo::BellSound(660, 1.5f, 9)) &&
                        pack.WriteWave("U09/Sound/chime.WAV", demo::ChimeSound(1.2f)) &&
                        pack.WriteWave("U09/Sound/s9_01.WAV", demo::AmbienceSound(6.0f, 9)) && Voices(pack);
    if (!maps || !sounds) return false;

    UniverseNames names;
    if (!Scenery(pack, names) || !Clickables(pack, names) || !ActionProps(pack, names)) return false;
    if (!BuildU09Walk(pack, names)) return false;

    std::string list =
        "; Universe 9: the test rooms\r\n"
        "scene=\"U09.S3D\"\r\n"
        "object=\"Door.O3D\"\r\n"
        "animation=\"Anim\\Door.A3D,15\"\r\n"
        "object=\"Vase.O3D\"\r\n"
        "object=\"Clock.O3D\"\r\n"
        "object=\"Painter.O3D\" animation=\"Anim\\U09_05\\Idle.A3D\"\r\n"
        "object=\"Static\\ColTable.O3D\" ; collision only\r\n";
    list += kActionPropsList;
    // The walking course, before the lights so that they reach it.
    list += U09WalkListEntries();
    list +=
        "camera=\"U09.C3D\"\r\n"
        "light=\"U09.L3D\"\r\n";
    if (!pack.WriteFile("U09/U09.ZELT", list)) return false;

    XSceneInfoRecord scene;
    scene.m_AmbientRed = 110;
    scene.m_AmbientGreen = 100;
    scene.m_AmbientBlue = 90;
    scene.m_Scale = 40.0f;
    XCameraInfoRecord camera;
    camera.m_Fov = 60.0f;
    camera.m_SphereRadius = 20.0f;
    camera.m_SphereOffsetZ = 20.0f;
    camera.m_Speed = 4.0f;
    // The painter talks: the plain scene sets him up from this list.
    XSpeakerInfoRecord painter;
    CopyField(painter.m_Object, sizeof painter.m_Object, "*U09_05");
    CopyField(painter.m_Face, sizeof painter.m_Face, "$$$DUMMY.*visage");
    CopyField(painter.m_Dir, sizeof painter.m_Dir, "Anim/U09_05/");
    if (!SaveSceneInfoFile(pack.Path("U09/Scene.bin").c_str(), scene, camera, {painter}))
        return pack.Fail("cannot write U09/Scene.bin");
    return pack.CompileTables("U09", DemoDir() + "/universes/U09.tables", names);
}

}  // namespace pack
