// Universe 4's folder: the painter's garden. A lower lawn with a pond in
// the east, its rowing boat ("*U04_32") the player can stand on, a short
// landing post in the water ("*U04_43", where the boat looks) and a low table
// with a pair of glasses on the far bank; a terrace before the house in the
// north where the painter ("*U04_03") stands by his easel; the garden props
// the start universe puts away. The start universe (U00) loads its scene
// entries from here.
//
// Scale 40, eye 60 above the ground: the lawn at z = -69 (where the boat
// leaves the player, (149.87, 60.56), the eye is at -9), the terrace at
// z = -45 (the painter's viewpoint (81.134, 265.81) has its eye at 15).
#include <string>
#include <tuple>
#include <vector>

#include "demo/lib/AssetScene.h"
#include "demo/lib/Media.h"
#include "demo/lib/Voice.h"
#include "lumora/engine/InfoTables.h"
#include "tools/lumora-pack/Universes.h"

namespace pack {

namespace {

using demo::AssetScene;
using demo::Vec3;

constexpr float kLawn = -69.0f;
constexpr float kTerrace = -45.0f;
constexpr Vec3 kPainterAt{80, 345, kTerrace};
// The table on the pond's far bank, in line with the boat and the post.
constexpr Vec3 kTableAt{450, 40, kLawn};
constexpr float kTableHeight = 17.0f;

bool SaveAsset(Pack& pack, AssetScene& scene, const std::string& rel) {
    std::string why;
    return scene.Save(pack.Path(rel), why) || pack.Fail(why);
}

void AddNames(UniverseNames& names, AssetScene& s) {
    for (KelmatObject* o = s.Scene()->objects; o; o = o->next) names.objects.insert(o->name);
}

bool Garden(Pack& pack, UniverseNames& names) {
    AssetScene s;
    auto* grass = s.Material("Pelouse", 120, 170, 90, "herbe.bmp");
    auto* path = s.Material("Allee", 200, 185, 150, "gravier.bmp");
    auto* brick = s.Material("Facade", 225, 205, 170, "facade.bmp");
    auto* roof = s.Material("Toit", 150, 70, 55);
    auto* wood = s.Material("Bois", 150, 105, 65, "bois.bmp");
    auto* water = s.Material("Eau", 80, 130, 170, "eau.bmp");
    auto* glass = s.Material("Vitre", 170, 200, 225);
    auto* leaves = s.Material("Feuillage", 70, 120, 60);
    auto* bark = s.Material("Ecorce", 95, 70, 50);
    auto* metal = s.Material("Zinc", 150, 155, 160);
    auto* canvas = s.Material("Toile", 240, 235, 220);

    s.Floor("Pelouse", {0, 0, kLawn}, 1400, 1400, grass, 6);
    s.Floor("Allee", {-90, -90, kLawn + 0.3f}, 70, 620, path, 4);
    // The terrace before the house, two feet above the lawn.
    s.Box("Terrasse", {-60, 341, kLawn}, {-260, -121, 0}, {260, 121, kTerrace - kLawn}, path);
    // The house front to the north: wall, door, two windows and the roof.
    s.Box("Facade", {-60, 470, kTerrace}, {-260, -8, 0}, {260, 8, 230}, brick);
    s.Box("PorteMaison", {-90, 461, kTerrace}, {-28, -1, 0}, {28, 1, 120}, wood);
    s.Box("FenetreG", {-230, 461, kTerrace + 90}, {-35, -1, 0}, {35, 1, 70}, glass);
    s.Box("FenetreD", {50, 461, kTerrace + 90}, {-35, -1, 0}, {35, 1, 70}, glass);
    s.Box("Toit", {-60, 460, kTerrace + 230}, {-280, -30, 0}, {280, 20, 40}, roof);
    // A wall of hedges closes the garden on the other sides.
    s.Box("HaieOuest", {-560, 0, kLawn}, {-12, -560, 0}, {12, 560, 110}, leaves);
    s.Box("HaieEst", {560, 0, kLawn}, {-12, -560, 0}, {12, 560, 110}, leaves);
    s.Box("HaieSud", {0, -560, kLawn}, {-560, -12, 0}, {560, 12, 110}, leaves);
    // The sky: pale walls far beyond the hedges.
    auto* sky = s.Material("Ciel", 175, 205, 240);
    s.Box("CielNord", {0, 700, kLawn}, {-700, -2, 0}, {700, 2, 700}, sky);
    s.Box("CielSud", {0, -700, kLawn}, {-700, -2, 0}, {700, 2, 700}, sky);
    s.Box("CielOuest", {-700, 0, kLawn}, {-2, -700, 0}, {2, 700, 700}, sky);
    s.Box("CielEst", {700, 0, kLawn}, {-2, -700, 0}, {2, 700, 700}, sky);
    // The pond in the east, the rowing boat at the near bank, the landing
    // post and the table beyond the water.
    s.Floor("Etang", {300, 40, kLawn + 0.5f}, 240, 300, water, 3);
    s.Box("*U04_32", {230, 40, kLawn + 0.5f}, {-22, -55, 0}, {22, 55, 6}, wood);
    s.Box("*U04_43", {400, 40, kLawn}, {-4, -4, 0}, {4, 4, 9}, wood);
    s.Box("Table", kTableAt, {-25, -18, 0}, {25, 18, kTableHeight}, wood);
    // The painter's easel beside him.
    s.Box("ChevaletPiedG", {125, 365, kTerrace}, {-3, -3, 0}, {3, 3, 130}, wood);
    s.Box("ChevaletPiedD", {165, 365, kTerrace}, {-3, -3, 0}, {3, 3, 130}, wood);
    s.Box("ChevaletToile", {145, 361, kTerrace + 60}, {-25, -2, 0}, {25, 2, 50}, canvas);
    // Two trees.
    for (const auto& [name, x, y] : {std::tuple{"Arbre1", -380.0f, 60.0f}, std::tuple{"Arbre2", 120.0f, -330.0f}}) {
        KelmatObject* trunk = s.Cylinder(name, {x, y, kLawn}, 12, 140, 8, bark);
        s.Box((std::string(name) + "Feuilles").c_str(), {0, 0, 140}, {-70, -70, 0}, {70, 70, 90}, leaves, trunk);
    }
    // The garden props put away while the player learns to move.
    s.Box("*U04_63", {-250, 455, kTerrace}, {-20, -4, 0}, {20, 4, 200}, wood);  // the ladder against the house
    s.Box("*U04_31", {kTableAt.x + 15, kTableAt.y + 5, kLawn + kTableHeight}, {-12, -10, 0}, {12, 10, 14}, wood);  // the basket on the table
    s.Box("*U04_44", {120, -150, kLawn}, {-4, -60, 0}, {4, 60, 4}, wood);       // an oar in the grass
    s.Cylinder("*U04_05", {-10, 60, kLawn}, 10, 22, 8, metal);                  // the bucket
    s.Box("*U04_53", {-300, -120, kLawn}, {-25, -40, 0}, {25, 40, 35}, metal);  // the wheelbarrow
    s.Camera("Camera01", {60, 150, kLawn + 60}, {kPainterAt.x, kPainterAt.y, kTerrace + 60}, 60);
    s.Omni("Soleil", {200, -400, 600}, 255, 245, 225, 1.0f);
    s.Omni("Ciel", {-300, 200, 400}, 170, 190, 230, 0.6f);
    for (KelmatLight* l = s.Scene()->lights; l; l = l->next)
        for (KelmatObject* o = s.Scene()->objects; o; o = o->next) Kelmat_Light_Include_Object(l, o);
    AddNames(names, s);
    return SaveAsset(pack, s, "U04/U04.S3D");
}

// A one-key pose of the painter with the head keyed by `head`.
bool Gesture(Pack& pack, const demo::Character& c, const std::string& rel, int length,
             const std::vector<demo::Key>& head) {
    AssetScene a;
    KelmatAnimation* root = a.Animation(c.root->name, length);
    a.PositionKeys(root, {{0, {c.root->position.x, c.root->position.y, c.root->position.z}}});
    KelmatAnimation* tete = a.Animation(c.head->name, length, root);
    a.PositionKeys(tete, head);
    KelmatAnimation* face = a.Animation(c.face->name, length, tete);
    a.PositionKeys(face, {{0, {c.face->position.x, c.face->position.y, c.face->position.z}}});
    KelmatAnimation* mouth = a.Animation(c.mouth->name, length, face);
    a.PositionKeys(mouth, {{0, {c.mouth->position.x, c.mouth->position.y, c.mouth->position.z}}});
    return SaveAsset(pack, a, rel);
}

bool Painter(Pack& pack, UniverseNames& names) {
    AssetScene p;
    auto* smock = p.Material("Blouse", 90, 110, 170);
    auto* skin = p.Material("PeauPeintre", 230, 190, 160);
    const demo::Character c = demo::BuildCharacter(p, "*U04_03", "$$$DUMMY.*visage", kPainterAt, smock, skin);
    p.Box("Beret", {0, 0, 10}, {-10, -10, 0}, {10, 10, 4}, p.Material("Beret", 40, 40, 45), c.head);
    AddNames(names, p);
    names.animations.insert("*U04_03");
    if (!SaveAsset(pack, p, "U04/Perso/U04_03.O3D")) return false;
    const std::string dir = "U04/Anim/U04_03_Lunettes/";
    // At rest a slow breath; "prend" bows the head to take, "MET" tilts it
    // back to put on the glasses.
    if (!Gesture(pack, c, dir + "Attente.A3D", 40, {{0, {0, 0, 62}}, {20, {0, 0, 62.8f}}, {40, {0, 0, 62}}}) ||
        !Gesture(pack, c, dir + "prend.A3D", 20, {{0, {0, 0, 62}}, {10, {0, -4, 58}}, {20, {0, 0, 62}}}) ||
        !Gesture(pack, c, dir + "MET.A3D", 60, {{0, {0, 0, 62}}, {20, {0, 2, 64}}, {40, {0, 2, 64}}, {60, {0, 0, 62}}}))
        return false;
    std::string why;
    if (!demo::WriteMouthShapes(c, pack.Path(dir), why)) return pack.Fail(why);

    // The painter's own pair, on his nose, in a file loaded before the other.
    AssetScene own;
    auto* frame = own.Material("Monture", 30, 30, 35);
    own.Box("*Lunettes0", {kPainterAt.x, kPainterAt.y - 9.8f, kPainterAt.z + 64}, {-7, -0.5f, -1.5f}, {7, 0.5f, 1.5f}, frame);
    if (!SaveAsset(pack, own, "U04/Objets/LunettesPeintre.O3D")) return false;
    // The pair on the table that the player may take.
    AssetScene spare;
    spare.Box("*Lunettes0", {kTableAt.x, kTableAt.y, kTableAt.z + kTableHeight}, {-8, -3, 0}, {8, 3, 5},
              spare.Material("Monture", 30, 30, 35));
    return SaveAsset(pack, spare, "U04/Objets/Lunettes.O3D");
}

}  // namespace

bool WriteGardenSceneInfo(Pack& pack, const char* folder) {
    XSceneInfoRecord scene;
    scene.m_AmbientRed = 135;
    scene.m_AmbientGreen = 135;
    scene.m_AmbientBlue = 125;
    scene.m_Scale = 40.0f;
    XCameraInfoRecord camera;
    camera.m_Fov = 60.0f;
    camera.m_SphereRadius = 3.0f;
    camera.m_SphereOffsetZ = 1.0f;
    camera.m_Speed = 4.0f;
    const std::string path = std::string(folder) + "/Scene.bin";
    if (!SaveSceneInfoFile(pack.Path(path).c_str(), scene, camera)) return pack.Fail("cannot write " + path);
    return true;
}

bool BuildU04(Pack& pack, UniverseNames& names) {
    for (const char* dir : {"U04", "U04/Maps", "U04/Sound", "U04/Anim", "U04/Anim/U04_03_Lunettes", "U04/Objets", "U04/Perso"})
        if (!pack.MakeDir(dir)) return false;
    const bool maps =
        pack.WriteTexture("U04/Maps/herbe.dmf", demo::PlasterTexture(128, {110, 165, 85}, 41)) &&
        pack.WriteTexture("U04/Maps/gravier.dmf", demo::PlasterTexture(64, {205, 190, 155}, 42)) &&
        pack.WriteTexture("U04/Maps/facade.dmf", demo::TileTexture(128, 8, {225, 200, 165}, {210, 185, 150}, {240, 230, 210}, 43)) &&
        pack.WriteTexture("U04/Maps/bois.dmf", demo::WoodTexture(128, {175, 125, 80}, {115, 80, 50}, 44)) &&
        pack.WriteTexture("U04/Maps/eau.dmf", demo::PlasterTexture(128, {70, 125, 170}, 45));
    if (!maps || !pack.WriteWave("U04/Sound/s3_01.wav", demo::AmbienceSound(8.0f, 46))) return false;
    if (!Garden(pack, names) || !Painter(pack, names)) return false;
    if (!WriteGardenSceneInfo(pack, "U04")) return false;
    return pack.CompileTables("U04", DemoDir() + "/universes/U04.tables", names);
}

}  // namespace pack
