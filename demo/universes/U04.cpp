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
#include <cmath>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "demo/lib/AssetScene.h"
#include "demo/universes/SceneParts.h"
#include "demo/lib/Media.h"
#include "demo/lib/Voice.h"
#include "demo/universes/SpokenLines.h"
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
// The workshop behind the front wall: its door's hinge, its floor (the
// terrace's height) and its back wall.
constexpr Vec3 kDoorHinge{-118, 462, kTerrace};
constexpr float kWorkshopBack = 660.0f;
constexpr Vec3 kPaintingAt{-120, kWorkshopBack - 3, kTerrace + 50};
// The jam pot on the little table by the easel.
constexpr Vec3 kPotAt{140, 300, kTerrace + 30};
// The boat at the landing, and where the paths of its animations lead.
constexpr Vec3 kBoatAt{230, 40, kLawn + 0.5f};
constexpr float kBoatRowed = 130.0f;  // how far east the rowed path goes
constexpr int kTrajFrames = 240, kRondFrames = 120, kSinkFrames = 60;
// The places where the paintings of the garden were seen: flat stones with
// the eye 60 above them.
constexpr Vec3 kStones[] = {{-26.42f, 37.1f, -3.6f}, {53.62f, 132.69f, -4.6f}, {44.25f, 150.98f, -3.63f},
                            {137.41f, 123.18f, -4.61f}, {110.47f, -48.46f, -4.61f}};
constexpr float kEye = 60.0f;
// Mazout waits by the workshop door until the postcard calls him.
constexpr Vec3 kMazoutAt{-30, 445, kTerrace};

void AddNames(UniverseNames& names, AssetScene& s) {
    for (KelmatObject* o = s.Scene()->objects; o; o = o->next) names.objects.insert(o->name);
}

// The workshop: floor, walls and ceiling behind the front wall (whose back
// closes it to the south), a bench with the tube and the hammer.
void Workshop(AssetScene& s, KelmatMaterial* wood) {
    auto* plaster = s.Material("Platre", 215, 205, 185);
    const float west = -200, east = 20, south = 478, top = kTerrace + 160;
    s.Box("SolAtelier", {(west + east) / 2, (south + kWorkshopBack) / 2, kTerrace - 4}, {-(east - west) / 2, -(kWorkshopBack - south) / 2, 0},
          {(east - west) / 2, (kWorkshopBack - south) / 2, 4}, wood);
    s.Box("MurOuestAtelier", {west - 4, (south + kWorkshopBack) / 2, kTerrace}, {-4, -(kWorkshopBack - south) / 2, 0}, {4, (kWorkshopBack - south) / 2, 160}, plaster);
    s.Box("MurEstAtelier", {east + 4, (south + kWorkshopBack) / 2, kTerrace}, {-4, -(kWorkshopBack - south) / 2, 0}, {4, (kWorkshopBack - south) / 2, 160}, plaster);
    s.Box("MurNordAtelier", {(west + east) / 2, kWorkshopBack + 4, kTerrace}, {-(east - west) / 2 - 8, -4, 0}, {(east - west) / 2 + 8, 4, 160}, plaster);
    s.Box("PlafondAtelier", {(west + east) / 2, (south + kWorkshopBack) / 2, top}, {-(east - west) / 2 - 8, -(kWorkshopBack - south) / 2, 0},
          {(east - west) / 2 + 8, (kWorkshopBack - south) / 2, 4}, plaster);
    s.Box("Etabli", {-20, 600, kTerrace}, {-40, -15, 0}, {40, 15, 40}, wood);
    s.Box("*U04_07", {-40, 600, kTerrace + 40}, {-6, -1.5f, 0}, {6, 1.5f, 3}, s.Material("Tube", 60, 90, 200));
    s.Box("*U04_10", {0, 600, kTerrace + 40}, {-8, -2, 0}, {8, 2, 3}, s.Material("Marteau", 90, 90, 95));
    // The postcard of Paris hangs where the painting hides it.
    s.Box("*U04_09", {kPaintingAt.x, kWorkshopBack - 1, kPaintingAt.z + 14}, {-8, -0.5f, 0}, {8, 0.5f, 11},
          s.Material("CartePostale", 235, 225, 120));
}

void Stones(AssetScene& s) {
    auto* stone = s.Material("Dalle", 170, 165, 155);
    int n = 0;
    for (const Vec3& at : kStones) {
        const float top = at.z - kEye;
        s.Cylinder(("Dalle" + std::to_string(++n)).c_str(), {at.x, at.y, kLawn}, 12, top - kLawn, 8, stone);
    }
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
    // The front wall has the workshop's doorway (x -118 to -62).
    s.Box("Facade", {-219, 470, kTerrace}, {-101, -8, 0}, {101, 8, 230}, brick);
    s.Box("FacadeEst", {69, 470, kTerrace}, {-131, -8, 0}, {131, 8, 230}, brick);
    s.Box("Linteau", {-90, 470, kTerrace + 120}, {-28, -8, 0}, {28, 8, 110}, brick);
    // The workshop's door, hinged on its west side (its animation turns it
    // inwards), and the two windows; the east one can be broken.
    s.Box("*U04_06", {kDoorHinge.x, kDoorHinge.y, kTerrace}, {0, 0, 0}, {56, 6, 120}, wood);
    s.Box("FenetreG", {-230, 461, kTerrace + 90}, {-35, -1, 0}, {35, 1, 70}, glass);
    s.Box("*U04_11", {50, 461, kTerrace + 90}, {-35, -1, 0}, {35, 1, 70}, glass);
    Workshop(s, wood);
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
    s.Cylinder("*U04_05t", {-10, 60, kLawn}, 10, 22, 8, metal);                 // the bucket
    // The little table by the easel with the jam pot and its cork.
    s.Box("Gueridon", {kPotAt.x, kPotAt.y, kTerrace}, {-15, -15, 0}, {15, 15, kPotAt.z - kTerrace}, wood);
    s.Cylinder("*pot confi", kPotAt, 6, 10, 8, s.Material("Confiture", 190, 60, 70));
    Stones(s);
    s.Camera("Camera01", {60, 150, kLawn + 60}, {kPainterAt.x, kPainterAt.y, kTerrace + 60}, 60);
    AddNames(names, s);
    if (!SaveAsset(pack, s, "U04/U04.S3D")) return false;
    // The lights in their own file, loaded last by every list of the garden
    // so that they reach the people and the parts loaded after the scenery.
    AssetScene l;
    l.Omni("Soleil", {200, -400, 600}, 255, 245, 225, 1.0f);
    l.Omni("Ciel", {-300, 200, 400}, 170, 190, 230, 0.6f);
    return SaveAsset(pack, l, "U04/U04.L3D");
}

// A pose of a character with the head keyed by `head`. The tree has a node
// for every part (the kernel pairs children by place: a missing node would
// hand the face's keys to the hat).
bool Gesture(Pack& pack, const demo::Character& c, const std::string& rel, int length,
             const std::vector<demo::Key>& head) {
    AssetScene a;
    KelmatAnimation* tete = FindAnim(RestPose(a, c.root, length), c.head->name);
    if (!tete) return pack.Fail(rel + ": no head");
    a.PositionKeys(tete, head);
    return SaveAsset(pack, a, rel);
}

bool Painter(Pack& pack, UniverseNames& names) {
    AssetScene p;
    auto* smock = p.Material("Blouse", 90, 110, 170);
    // Pale, so that the face picture keeps its own colours under the lights.
    auto* skin = p.Material("PeauPeintre", 250, 235, 225, "tete.bmp");  // universe 4 swaps the map while he is gagged
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
    // Universe 4 makes him talk with the shapes of the default folder.
    if (!pack.MakeDir("U04/Anim/U04_03") || !demo::WriteMouthShapes(c, pack.Path("U04/Anim/U04_03/"), why))
        return pack.Fail(why);

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

// ---- Universe 4's own files: what the start universe does not load ----------

// A one-object animation of `length` frames: position and rotation keys.
bool Moves(Pack& pack, const char* name, const std::string& rel, int length, const std::vector<demo::Key>& position,
           const std::vector<demo::Key>& rotation, UniverseNames& names) {
    AssetScene a;
    KelmatAnimation* root = a.Animation(name, length);
    a.PositionKeys(root, position);
    if (!rotation.empty()) a.RotationKeys(root, rotation);
    names.animations.insert(name);
    return SaveAsset(pack, a, rel);
}

// The pond's parts: the hole in the boat, the invisible click zones (the
// hole and the oarlocks on both sides), the second oar on the grass, the
// key on the far bank's table, the cork of the jam pot and the flower bed
// whose five boxes the script makes one clickable object.
bool PondParts(Pack& pack, UniverseNames& names) {
    AssetScene s;
    auto* zone = s.Material("Zone", 255, 0, 255);
    auto* wood = s.Material("BoisRame", 150, 105, 65);
    s.Box("TrouBarque", {kBoatAt.x + 14, kBoatAt.y, kBoatAt.z + 6}, {-4, -4, 0}, {4, 4, 0.3f}, s.Material("Trou", 25, 20, 15));
    s.Box("*U04_36", {kBoatAt.x + 14, kBoatAt.y, kBoatAt.z + 6.5f}, {-6, -6, 0}, {6, 6, 3}, zone);
    s.Box("*U04_40", {kBoatAt.x + 10, kBoatAt.y + 50, kBoatAt.z + 6}, {-6, -3, 0}, {6, 3, 6}, zone);  // left, looking east
    s.Box("*U04_39", {kBoatAt.x + 10, kBoatAt.y - 50, kBoatAt.z + 6}, {-6, -3, 0}, {6, 3, 6}, zone);  // right
    s.Box("*U04_45", {140, -150, kLawn}, {-4, -60, 0}, {4, 60, 4}, wood);
    // The key stands on its bow, so that it shows above the table's edge from the boat.
    s.Box("*U04_37", {kTableAt.x - 10, kTableAt.y - 12, kTableAt.z + kTableHeight}, {-1, -3, 0}, {1, 3, 7},
          s.Material("Cle", 210, 170, 60));
    s.Cylinder("*U04_38", {kPotAt.x, kPotAt.y, kPotAt.z + 10}, 3, 4, 6, s.Material("Liege", 200, 160, 110));
    auto* flowers = s.Material("Fleurs", 220, 90, 120);
    for (int i = 0; i < 5; ++i)
        s.Box(("Massif" + std::to_string(i + 1)).c_str(), {-260.0f + 30.0f * static_cast<float>(i), 190, kLawn}, {-12, -12, 0},
              {12, 12, 10}, flowers);
    AddNames(names, s);
    return SaveAsset(pack, s, "U04/Objets/Etang.O3D");
}

// The painting on the workshop's back wall; it rolls up over the postcard.
bool Painting(Pack& pack, UniverseNames& names) {
    AssetScene s;
    s.Box("*U04_08", kPaintingAt, {-30, -2, 0}, {30, 0, 50}, s.Material("Tableau", 200, 120, 60, "tableau.bmp"));
    AddNames(names, s);
    if (!SaveAsset(pack, s, "U04/Objets/Tableau.O3D")) return false;
    return Moves(pack, "*U04_08", "U04/Anim/Tableau.A3D", 20,
                 {{0, kPaintingAt}, {20, {kPaintingAt.x, kPaintingAt.y, kPaintingAt.z + 55}}}, {}, names);
}

// Mazout, the painter's friend who takes the player to Paris.
bool Mazout(Pack& pack, UniverseNames& names) {
    AssetScene p;
    const demo::Character c = demo::BuildCharacter(p, "*U04_04", "$$$DUMMY.*visage", kMazoutAt, p.Material("Veste", 120, 60, 40),
                                                   p.Material("PeauMazout", 225, 180, 150));
    p.Cylinder("Casquette", {0, 0, 10}, 10, 5, 8, p.Material("Casquette", 50, 60, 90), c.head);
    AddNames(names, p);
    names.animations.insert("*U04_04");
    if (!SaveAsset(pack, p, "U04/Perso/U04_04.O3D")) return false;
    if (!Gesture(pack, c, "U04/Anim/U04_04/Attente.A3D", 30, {{0, {0, 0, 62}}, {15, {0, 0, 63}}, {30, {0, 0, 62}}})) return false;
    std::string why;
    return demo::WriteMouthShapes(c, pack.Path("U04/Anim/U04_04/"), why) || pack.Fail(why);
}

// The boat's paths (rest, rowed across, turning on the spot, sinking) and
// the workshop door's swing.
bool Paths(Pack& pack, UniverseNames& names) {
    const Vec3 far{kBoatAt.x + kBoatRowed, kBoatAt.y, kBoatAt.z};
    const float third = kBoatRowed / 12.0f;
    return Moves(pack, "*U04_32", "U04/Anim/Barque.A3D", 1, {{0, kBoatAt}}, {}, names) &&
           Moves(pack, "*U04_32", "U04/Anim/BARKE_TRAJECTOIRE1.A3D", kTrajFrames,
                 {{0, kBoatAt}, {60, {kBoatAt.x + third, kBoatAt.y, kBoatAt.z}}, {kTrajFrames - 60, {far.x - third, far.y, far.z}},
                  {kTrajFrames, far}},
                 {}, names) &&
           Moves(pack, "*U04_32", "U04/Anim/BARKE_TOURNEROND.A3D", kRondFrames, {{0, kBoatAt}},
                 {{0, {0, 0, 0}}, {kRondFrames / 2, {180, 0, 0}}, {kRondFrames, {360, 0, 0}}}, names) &&
           Moves(pack, "*U04_32", "U04/Anim/BARKE_PLACEMENT_COULE1.A3D", kSinkFrames,
                 {{0, kBoatAt}, {kSinkFrames / 2, {kBoatAt.x, kBoatAt.y, kBoatAt.z - 4}}, {kSinkFrames, {kBoatAt.x, kBoatAt.y, kBoatAt.z - 16}}},
                 {{0, {0, 0, 0}}, {kSinkFrames, {25, 0, 0}}}, names) &&
           Moves(pack, "*U04_06", "U04/Anim/Porte.A3D", 20, {{0, kDoorHinge}}, {{0, {0, 0, 0}}, {20, {75, 0, 0}}}, names);
}

// A short burst of filtered noise that falls away: splashes, knocks, glass.
demo::Sound Noise(float seconds, float pitch, float decay, unsigned seed) {
    demo::Sound s;
    const int n = static_cast<int>(seconds * static_cast<float>(s.rate));
    s.samples.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(s.rate);
        const float v = demo::TileNoise(t * pitch, 0.5f, 1 << 20, seed) * 2.0f - 1.0f;
        s.samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(14000.0f * v * std::exp(-decay * t));
    }
    return s;
}

bool Sounds(Pack& pack) {
    return pack.WriteWave("U04/Sound/s3_02.wav", Noise(0.8f, 900, 5, 402)) &&       // the bucket knocked
           pack.WriteWave("U04/Sound/s3_03.wav", Noise(0.5f, 2500, 9, 403)) &&      // the locked door rattles
           pack.WriteWave("U04/Sound/s3_04.wav", demo::CreakSound(1.4f, 404)) &&     // the door opens
           pack.WriteWave("U04/Sound/s3_05.wav", Noise(0.3f, 4000, 20, 405)) &&     // the cork pops off the pot
           pack.WriteWave("U04/Sound/s3_06.wav", Noise(0.6f, 300, 4, 406)) &&       // the tube squeezed
           pack.WriteWave("U04/Sound/s3_07.wav", demo::CreakSound(1.0f, 407)) &&     // the painting rolls up
           pack.WriteWave("U04/Sound/s3_08.wav", Noise(0.9f, 9000, 6, 408)) &&      // the window breaks
           pack.WriteWave("U04/Sound/s3_09.wav", Noise(0.7f, 1200, 5, 409)) &&      // the ladder set up
           pack.WriteWave("U04/Sound/s3_10.wav", Noise(0.3f, 1500, 15, 410)) &&     // the cork in the hole
           pack.WriteWave("U04/Sound/s3_11.wav", demo::BellSound(300, 0.5f, 411)) && // an oar in its lock
           pack.WriteWave("U04/Sound/s3_12.wav", Noise(2.0f, 400, 1.5f, 412)) &&    // the boat goes down
           pack.WriteWave("U04/Sound/s3_14.wav", Noise(1.0f, 600, 3, 414)) &&       // the oars in the water
           pack.WriteWave("U04/Sound/s3_15.wav", Noise(3.0f, 250, 0.5f, 415));      // water coming in
}

// The painter's face, drawn on every side of his head (the top row is the
// top of the head): a dark fringe under the beret, brows, eyes, a nose, his
// moustache and mouth; gagged, a band of white cloth with grey folds and
// hems from below the nose to the chin. The mouth shapes' box sits over the
// middle of the mouth.
demo::Image Face(bool gagged) {
    demo::Image img(64, 64);
    auto in = [](int v, int lo, int hi) { return v >= lo && v < hi; };
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int eyeX = x < 32 ? x - 14 : x - 38;  // 0..12 over each eye
            const float n = demo::TileNoise(static_cast<float>(x) / 6, static_cast<float>(y) / 6, 10, 430) * 12;
            int r = 232 + static_cast<int>(n), g = 188 + static_cast<int>(n), b = 158 + static_cast<int>(n);
            if (y < 7) r = 70, g = 45, b = 30;                                                  // the fringe
            else if (in(y, 14, 17) && in(eyeX, 0, 12)) r = 80, g = 50, b = 35;                  // brows
            else if (in(y, 20, 27) && in(eyeX, 0, 12)) {
                r = g = b = 245;                                                                // eyes
                if (in(eyeX, 4, 9)) r = 35, g = 45, b = 90;
            } else if (in(y, 24, 37) && in(x, 29, 35)) r = 205, g = 150, b = 120;                // nose
            else if (in(y, 28, 35) && (in(x, 8, 16) || in(x, 48, 56))) r = 235, g = 150, b = 140;  // cheeks
            if (gagged && in(y, 35, 53)) {
                const bool hem = y < 37 || y > 50, fold = (y - 37) % 5 == 0;
                r = g = b = hem ? 150 : fold ? 200 : 245;
            } else if (!gagged && in(y, 38, 42) && in(x, 18, 46)) {
                r = 75, g = 45, b = 30;                                                         // moustache
            } else if (!gagged && in(y, 44, 49) && in(x, 22, 42)) {
                r = 170, g = 55, b = 60;                                                        // mouth
            }
            img.Set(x, y, r, g, b);
        }
    return img;
}

bool Voices(Pack& pack) {
    SpokenLines lines;
    lines.voicesFile = DemoDir() + "/universes/U04.voices";
    lines.styles = {
        {"U04_03", {"fr+m3", 38, 140, 401}},  // the painter
        {"U04_04", {"fr+m2", 60, 165, 402}},  // Mazout: young and quick
    };
    lines.waveDir = lines.timingDir = "U04/Sound";
    lines.waveExt = ".wav";
    return WriteSpokenLines(pack, lines);
}

// Universe 4 itself: its scene list, the painting's list, its files and
// tables (the garden's names plus those of its own files).
bool Universe4(Pack& pack, UniverseNames names) {
    for (const char* dir : {"U04/Anim/U04_04"})
        if (!pack.MakeDir(dir)) return false;
    if (!pack.WriteTexture("U04/Maps/tete.dmf", Face(false)) || !pack.WriteTexture("U04/Maps/teteBA.dmf", Face(true)) ||
        !pack.WriteTexture("U04/Maps/tableau.dmf", demo::TileTexture(64, 4, {200, 120, 60}, {90, 140, 190}, {240, 220, 120}, 416)))
        return false;
    if (!Sounds(pack) || !Voices(pack) || !PondParts(pack, names) || !Painting(pack, names) || !Mazout(pack, names) ||
        !Paths(pack, names))
        return false;
    const char* list =
        "; Universe 4: the painter's garden\r\n"
        "scene=\"U04.S3D\"\r\n"
        "object=\"Perso\\U04_03.O3D\" animation=\"Anim\\U04_03_Lunettes\\Attente.A3D,10\"\r\n"
        "object=\"Perso\\U04_04.O3D\" animation=\"Anim\\U04_04\\Attente.A3D,10\"\r\n"
        "object=\"Objets\\Etang.O3D\"\r\n"
        "object=\"Objets\\Tableau.O3D\" animation=\"Anim\\Tableau.A3D,10\"\r\n"
        "light=\"U04.L3D\"\r\n";
    if (!pack.WriteFile("U04/U04.ZELT", list)) return false;
    if (!pack.WriteFile("U04/U04D.ZELT", "; The garden as the paintings show it: scenery only\r\nscene=\"U04.S3D\"\r\nlight=\"U04.L3D\"\r\n")) return false;
    // The script's repairs.
    for (const char* old : {"*pot confi", "*U04_05t", "Massif1", "Massif2", "Massif3", "Massif4", "Massif5"}) names.objects.erase(old);
    for (const char* repaired : {"*U04_53", "*U04_05", "*U04_51"}) names.objects.insert(repaired);
    names.operations = {"VirelOpenDoor", "EntrerDansAtelier", "UsePot", "UseTube", "ScrollTableau", "UseCartePostale",
                        "EnleverBaillon", "BriserVitre", "UseEchelle", "MonterSurEchelle", "UseBouchon", "UseCle",
                        "VirelTalkAfterBaillon", "VirelTalkAfterMarteau", "RameToGauche", "RameToDroite"};
    return pack.CompileTables("U04", DemoDir() + "/universes/U04.tables", names);
}

}  // namespace

bool WriteGardenSceneInfo(Pack& pack, const char* folder) {
    return WriteSceneInfo(pack, folder, 135, 135, 125, 3.0f, 1.0f);
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
    return Universe4(pack, names);
}

}  // namespace pack
