// Universe 2, the harbour station of Le Havre: a paved square by the docks
// where the local train from universe 1 leaves the player, a ticket kiosk
// whose clerk snores behind his window (a bell on the counter wakes him), a
// chestnut seller calling out by her brazier, a magpie on a street lamp, a
// tool shed with a plank behind its door, and across a strip of dock water
// "*U02_08" the platform where the controller stands at the open door of
// the train to Rouen.
//
// Heights: the square lies at -7.47, the platform at 18.93, the dock water
// one unit below the square (whoever walks onto it falls in), the floor of
// the carriage at 30.93; with scale 40 the eye stands 60 above them.
//
// The asset files keep the names the script repairs after loading: two
// objects "*U02_07", the plank lying in the shed (first) and the plank laid
// over the water (second, "*U02_07a" once repaired).
#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "demo/lib/AssetScene.h"
#include "demo/lib/Media.h"
#include "demo/lib/Voice.h"
#include "demo/universes/SceneParts.h"
#include "demo/universes/SpokenLines.h"
#include "lumora/engine/InfoTables.h"
#include "tools/lumora-pack/Universes.h"

namespace pack {

namespace {

using demo::AssetScene;
using demo::Key;
using demo::Vec3;

constexpr float kPi = 3.14159265f;
constexpr float kSquare = -7.47f;           // the paved square
constexpr float kPlatform = 18.93f;         // the platform
constexpr float kWater = kSquare - 1.0f;    // the dock water
constexpr float kCarriage = 30.93f;         // the carriage floor
constexpr float kWaterY0 = -350.0f, kWaterY1 = -250.0f;  // the strip of water
constexpr float kPlankX = 1220.0f;           // where the plank is laid

struct Materials {
    KelmatMaterial *paving, *stone, *brick, *plaster, *slate, *wood, *iron, *water, *sky, *glass, *dark, *sea;
};

Materials SceneryMaterials(AssetScene& s) {
    Materials m{};
    m.paving = s.Material("Pave", 150, 145, 135, "paving.bmp");
    m.stone = s.Material("PierreQuai", 180, 170, 150, "stone.bmp");
    m.brick = s.Material("BriqueGare", 170, 90, 60, "brick.bmp");
    m.plaster = s.Material("Facade", 215, 200, 170, "plaster.bmp");
    m.slate = s.Material("ToitGare", 80, 90, 110, "slate.bmp");
    m.wood = s.Material("BoisPort", 150, 105, 65, "wood.bmp");
    m.iron = s.Material("FerGris", 70, 75, 85, "iron.bmp");
    m.water = s.Material("EauBassin", 60, 100, 120, "water.bmp");
    m.sea = s.Material("Mer", 70, 110, 140, "water.bmp");
    m.sky = s.Material("CielPort", 190, 200, 210, "sky.bmp");
    m.glass = s.Material("VitreGare", 140, 170, 190);
    m.dark = s.Material("Ombre", 40, 38, 36);
    return m;
}

KelmatObject* Slab(AssetScene& s, const char* name, float x0, float y0, float x1, float y1, float z, float height,
                   KelmatMaterial* m) {
    return s.Box(name, {(x0 + x1) / 2, (y0 + y1) / 2, z}, {-(x1 - x0) / 2, -(y1 - y0) / 2, 0},
                 {(x1 - x0) / 2, (y1 - y0) / 2, height}, m);
}

// A gabled roof over (x0..x1, y0..y1) from the eaves at z0 up to the ridge
// (along x) at z1.
void Roof(AssetScene& s, const std::string& name, float x0, float y0, float x1, float y1, float z0, float z1,
          KelmatMaterial* m) {
    const float ym = (y0 + y1) / 2;
    const std::vector<Vec3> v{{x0, y0, z0}, {x1, y0, z0}, {x1, ym, z1}, {x0, ym, z1}, {x0, y1, z0}, {x1, y1, z0}};
    s.Mesh(name.c_str(), {0, 0, 0}, v,
           {{{0, 1, 2, 3}, {0, 0, 4, 0, 4, 1, 0, 1}}, {{5, 4, 3, 2}, {0, 0, 4, 0, 4, 1, 0, 1}},
            {{1, 5, 2}, {0, 0, 1, 0, 0.5f, 1}}, {{4, 0, 3}, {0, 0, 1, 0, 0.5f, 1}}},
           m);
}

// The scenery file: everything that never moves and is never clicked.
bool Scenery(Pack& pack, UniverseNames& names) {
    AssetScene s;
    const Materials m = SceneryMaterials(s);

    // The square (x -200..1800, y -1250..-350), walled west, east and south.
    s.Floor("Place", {800, -800, kSquare}, 2000, 900, m.paving, 20);
    Slab(s, "ParapetSud", -200, -1262, 1800, -1250, kSquare, 30, m.stone);
    Slab(s, "MurOuest", -212, -1262, -200, 300, kSquare - 30, 200, m.brick);
    Slab(s, "MurEst", 1800, -1262, 1812, 300, kSquare - 30, 200, m.brick);
    // The outer harbour beyond the parapet, with two moored boats.
    s.Floor("Rade", {800, -2300, kSquare - 25}, 5000, 2100, m.sea, 12);
    for (int i = 0; i < 2; ++i) {
        const float x = 300 + 900 * static_cast<float>(i);
        auto* hull = s.Box(("Coque" + std::to_string(i)).c_str(), {x, -1450, kSquare - 30}, {-90, -22, 0}, {90, 22, 30},
                           i ? m.iron : m.wood);
        s.Cylinder(("Mat" + std::to_string(i)).c_str(), {0, 0, 30}, 3, 180, 6, m.wood, hull);
        s.Box(("Voile" + std::to_string(i)).c_str(), {2, 0, 70}, {0, -1, 0}, {70, 1, 100}, m.plaster, hull);
    }
    // The dock water under the platform's edge (the water object itself is
    // in its own file), its stone edges.
    Slab(s, "BordQuai", -200, kWaterY0 - 6, 1800, kWaterY0, kWater - 40, 39.5f, m.stone);
    // The platform, its end walls and the track bed behind it.
    s.Box("Quai", {800, -25, kSquare - 2}, {-800, -225, 0}, {800, 225, kPlatform - kSquare + 2}, m.stone);
    Slab(s, "QuaiOuest", -200, -250, 0, 340, kSquare - 30, kPlatform - kSquare + 190, m.brick);
    Slab(s, "QuaiEst", 1600, -250, 1800, 340, kSquare - 30, kPlatform - kSquare + 190, m.brick);
    s.Box("Voie", {800, 270, kPlatform - 20}, {-800, -70, 0}, {800, 70, 1}, m.dark);
    Slab(s, "Cloture", 0, 340, 1600, 350, kPlatform - 20, 120, m.brick);
    // The canopy over the platform: iron posts and a slate roof.
    for (int i = 0; i < 6; ++i)
        s.Cylinder(("Pilier" + std::to_string(i)).c_str(), {150 + 260 * static_cast<float>(i), -150, kPlatform}, 4, 150, 6, m.iron);
    Roof(s, "Marquise", 100, -190, 1500, 120, kPlatform + 150, kPlatform + 185, m.slate);
    // The station building at the platform's east end.
    Slab(s, "Gare", 1350, -100, 1600, 190, kPlatform, 140, m.plaster);
    Roof(s, "GareToit", 1340, -110, 1610, 200, kPlatform + 140, kPlatform + 190, m.slate);
    for (int i = 0; i < 3; ++i)
        s.Box(("GareFenetre" + std::to_string(i)).c_str(), {1349.5f, -50 + 90 * static_cast<float>(i), kPlatform + 40},
              {-1, -18, 0}, {0, 18, 60}, m.glass);
    s.Box("Horloge", {1349, 45, kPlatform + 115}, {-2, -15, -15}, {0, 15, 15}, s.Material("CadranGare", 235, 235, 220));

    // The ticket kiosk (x 150..330, y -720..-560), its window on the south
    // face and the counter in front of it.
    Slab(s, "KiosqueOuest", 150, -720, 158, -560, kSquare, 110, m.wood);
    Slab(s, "KiosqueEst", 322, -720, 330, -560, kSquare, 110, m.wood);
    Slab(s, "KiosqueNord", 150, -568, 330, -560, kSquare, 110, m.wood);
    Slab(s, "KiosqueSud1", 150, -720, 215, -712, kSquare, 110, m.wood);
    Slab(s, "KiosqueSud2", 265, -720, 330, -712, kSquare, 110, m.wood);
    Slab(s, "KiosqueAllege", 215, -720, 265, -712, kSquare, 38, m.wood);
    Slab(s, "KiosqueLinteau", 215, -720, 265, -712, kSquare + 80, 30, m.wood);
    Slab(s, "Comptoir", 210, -740, 270, -720, kSquare, 38, s.Material("Comptoir", 120, 70, 40, "wood.bmp"));
    Roof(s, "KiosqueToit", 140, -730, 340, -550, kSquare + 110, kSquare + 150, m.slate);
    s.Box("Enseigne", {240, -721, kSquare + 112}, {-40, -1, 0}, {40, 0, 16}, s.Material("Enseigne", 40, 60, 120));

    // The tool shed (x 1000..1140, y -960..-840), its doorway (y -925..-875)
    // on the west face.
    Slab(s, "HangarNord", 1000, -848, 1140, -840, kSquare, 100, m.wood);
    Slab(s, "HangarSud", 1000, -960, 1140, -952, kSquare, 100, m.wood);
    Slab(s, "HangarEst", 1132, -960, 1140, -840, kSquare, 100, m.wood);
    Slab(s, "HangarOuest1", 1000, -960, 1008, -925, kSquare, 100, m.wood);
    Slab(s, "HangarOuest2", 1000, -875, 1008, -840, kSquare, 100, m.wood);
    Slab(s, "HangarLinteau", 1000, -925, 1008, -875, kSquare + 80, 20, m.wood);
    Roof(s, "HangarToit", 990, -970, 1150, -830, kSquare + 100, kSquare + 130, m.slate);

    // The chestnut seller's stall and brazier.
    Slab(s, "Etal", 480, -800, 560, -785, kSquare, 30, m.wood);
    s.Cylinder("Brasero", {575, -795, kSquare}, 9, 34, 8, m.iron);
    s.Box("Braises", {575, -795, kSquare + 34}, {-7, -7, 0}, {7, 7, 2}, s.Material("Braise", 240, 90, 30));
    // The street lamps: the magpie's and the one it flies to.
    for (const auto& [name, x, y, h] : {std::tuple{"Reverbere1", 1280.0f, -564.0f, 110.0f},
                                         std::tuple{"Reverbere2", 1150.0f, -420.0f, 135.0f},
                                         std::tuple{"Reverbere3", 600.0f, -420.0f, 110.0f}}) {
        auto* post = s.Cylinder(name, {x, y, kSquare}, 3, h, 6, m.iron);
        s.Box((std::string(name) + "Lanterne").c_str(), {0, 0, h - 14}, {-6, -6, 0}, {6, 6, 12}, m.glass, post);
    }
    // Houses along the square's east side, a bench, bollards on the edge.
    for (int i = 0; i < 3; ++i) {
        const float y = -1150 + 250 * static_cast<float>(i);
        const std::string n = std::to_string(i);
        Slab(s, ("Maison" + n).c_str(), 1650, y, 1800, y + 200, kSquare, 130 + 20 * static_cast<float>(i % 2),
             i % 2 ? m.brick : m.plaster);
        s.Box(("MaisonPorte" + n).c_str(), {1649.5f, y + 100, kSquare}, {-0.5f, -12, 0}, {0, 12, 45}, m.wood);
    }
    Slab(s, "Banc", 1000, -1000, 1080, -985, kSquare, 20, m.wood);
    Slab(s, "BancQuai", 1130, -455, 1190, -435, kSquare, 20, m.wood);  // under the magpie's second lamp
    for (int i = 0; i < 6; ++i)
        s.Cylinder(("Bollard" + std::to_string(i)).c_str(), {-100 + 340 * static_cast<float>(i), -365, kSquare}, 6, 18, 6, m.iron);
    // A sky cylinder far out, its inside textured.
    {
        const float r = 3200;
        const int sides = 16;
        SkyCylinder(s, "CielPort", {800, -600, 0}, r, kSquare - 200, 1600, m.sky);
        // Its lid, seen from below.
        std::vector<Vec3> lid;
        std::vector<int> ring;
        for (int i = 0; i < sides; ++i) {
            const float a = 2 * kPi * static_cast<float>(i) / sides;
            lid.push_back({r * std::cos(a), r * std::sin(a), 1600});
            ring.push_back(sides - 1 - i);
        }
        std::vector<float> uv;
        for (int i = 0; i < sides; ++i) {
            const float a = 2 * kPi * static_cast<float>(sides - 1 - i) / sides;
            uv.push_back(0.5f + 0.5f * std::cos(a));
            uv.push_back(0.5f + 0.5f * std::sin(a));
        }
        s.Mesh("CielHaut", {800, -600, 0}, lid, {{ring, uv}}, m.sky);
    }
    s.Camera("Camera01", {240, -900, kSquare + 60}, {240, -700, kSquare + 55}, 60);
    AddAllNames(names, s);
    if (!SaveAsset(pack, s, "U02/U02.S3D")) return false;

    AssetScene l;
    l.Omni("SoleilPort", {-1200, -2400, 1200}, 255, 230, 190, 1.0f);
    l.Omni("CielNord", {1600, 1600, 800}, 150, 170, 220, 0.6f);
    l.Omni("LampeQuai", {800, 0, kPlatform + 140}, 255, 220, 170, 0.4f);
    l.Omni("LampeVoiture", {900, 255, kCarriage + 70}, 255, 220, 160, 0.5f);
    l.Omni("Brasero", {575, -820, kSquare + 60}, 255, 140, 60, 0.3f);
    return SaveAsset(pack, l, "U02/U02.L3D");
}

bool Characters(Pack& pack, UniverseNames& names) {
    {
        // The controller at the carriage door, and his step aside
        // ("LaisserEntrer"): 30 frames to the east of the door.
        AssetScene s;
        const demo::Character c = ClothedCharacter(s, "*U02_02", "$$$DUMMY.*U02Parle", {900, 185, kPlatform}, {30, 40, 80}, {225, 180, 150});
        s.Cylinder("Kepi", {0, 0, 10}, 9, 7, 8, s.Material("KepiBleu", 30, 40, 90), c.head);
        if (!SpeakerFiles(pack, "U02", s, c, "U02_02", names)) return false;
        AssetScene aside;
        KelmatAnimation* root = RestPose(aside, c.root, 30);
        aside.PositionKeys(root, {{0, {900, 185, kPlatform}}, {30, {950, 185, kPlatform}}});
        if (!SaveAsset(pack, aside, "U02/Anim/U02_02/ACTION02.A3D")) return false;
    }
    {
        // The chestnut seller behind her stall.
        AssetScene s;
        const demo::Character c = ClothedCharacter(s, "*U02_03", "$$$DUMMY.*U_03Parle", {520, -760, kSquare}, {120, 40, 40}, {235, 190, 165});
        s.Box("Fichu", {0, 0, 9}, {-10, -10, 0}, {10, 10, 3}, s.Material("Fichu", 200, 180, 60), c.head);
        s.Box("Tablier", {0, -12.5f, 10}, {-10, -1, 0}, {10, 0, 30}, s.Material("Tablier", 230, 225, 210), c.root);
        if (!SpeakerFiles(pack, "U02", s, c, "U02_03", names)) return false;
    }
    {
        // The clerk behind the kiosk's window, asleep on his counter.
        AssetScene s;
        const demo::Character c = ClothedCharacter(s, "*U02_04", "$$$DUMMY.*visage", {240, -700, kSquare}, {60, 60, 65}, {220, 185, 160});
        s.Box("Visiere", {0, -9, 9}, {-9, -5, 0}, {9, 0, 1.5f}, s.Material("Visiere", 40, 110, 60), c.head);
        if (!SpeakerFiles(pack, "U02", s, c, "U02_04", names)) return false;
    }
    return true;
}

// A one-root file and its animation: `keys` of position and rotation.
bool Animated(Pack& pack, AssetScene& s, KelmatObject* root, const std::string& objectFile, const std::string& animFile,
              int length, const std::vector<Key>& position, const std::vector<Key>& rotation, UniverseNames& names) {
    if (!SaveAsset(pack, s, "U02/" + objectFile)) return false;
    AssetScene a;
    KelmatAnimation* tree = RestPose(a, root, length);
    if (!position.empty()) a.PositionKeys(tree, position);
    if (!rotation.empty()) a.RotationKeys(tree, rotation);
    AddAllNames(names, s);
    names.animations.insert(root->name);
    return SaveAsset(pack, a, "U02/" + animFile);
}

// The magpie: perched on its lamp (a hop now and then); "PieVoleur" swoops
// over the square and lands on the lamp by the water at frame 240.
bool Magpie(Pack& pack, UniverseNames& names) {
    AssetScene s;
    auto* black = s.Material("PlumeNoire", 25, 25, 35);
    auto* white = s.Material("PlumeBlanche", 235, 235, 240);
    const Vec3 perch{1280, -564, kSquare + 110};
    auto* bird = s.Box("*U02_05", perch, {-6, -3, 0}, {6, 3, 6}, black);
    s.Box("Ventre", {0, -3.2f, 1}, {-4, -0.2f, 0}, {4, 0, 4}, white, bird);
    s.Box("TetePie", {-7, 0, 5}, {-4, -2.5f, 0}, {0, 2.5f, 5}, black, bird);
    s.Box("Queue", {6, 0, 3}, {0, -1.5f, 0}, {12, 1.5f, 1.5f}, black, bird);
    s.Box("Ailes", {0, 0, 5}, {-3, -9, 0}, {3, 9, 1}, black, bird);
    if (!Animated(pack, s, bird, "Objets/Pie.O3D", "Anim/Pie.A3D", 40,
                  {{0, perch}, {30, perch}, {34, {perch.x, perch.y, perch.z + 4}}, {38, perch}, {40, perch}}, {}, names))
        return false;
    AssetScene flight;
    KelmatAnimation* root = RestPose(flight, bird, 250);
    const float z = kSquare;
    flight.PositionKeys(root, {{0, perch}, {40, {1180, -650, z + 70}}, {80, {1060, -600, z + 90}},
                               {140, {1100, -470, z + 170}}, {200, {1130, -430, z + 175}}, {240, {1150, -420, z + 137}},
                               {250, {1150, -420, z + 137}}});
    flight.RotationKeys(root, {{0, {0, 0, 0}}, {80, {-160, 0, 0}}, {200, {-200, 0, 0}}, {240, {-180, 0, 0}}, {250, {-180, 0, 0}}});
    return SaveAsset(pack, flight, "U02/Anim/U02_05/PieVoleur.A3D");
}

bool Props(Pack& pack, UniverseNames& names) {
    {
        // The bell on the counter, the note and the ticket laid on it.
        AssetScene s;
        s.Cylinder("*U02_06", {228, -730, kSquare + 38}, 4, 5, 8, s.Material("Sonnette", 220, 180, 70, "brass.bmp"));
        AddAllNames(names, s);
        if (!SaveAsset(pack, s, "U02/Objets/Sonnette.O3D")) return false;
        AssetScene n;
        n.Box("*U02_01", {245, -730, kSquare + 38}, {-7, -4, 0}, {7, 4, 0.6f}, n.Material("Billet100", 170, 200, 150));
        AddAllNames(names, n);
        if (!SaveAsset(pack, n, "U02/Objets/Billet100.O3D")) return false;
        AssetScene t;
        t.Box("*U02_12", {258, -730, kSquare + 38}, {-7, -4, 0}, {7, 4, 0.6f}, t.Material("Ticket", 240, 200, 110));
        AddAllNames(names, t);
        if (!SaveAsset(pack, t, "U02/Objets/Ticket.O3D")) return false;
    }
    {
        // The shed's door, hinged at y -925, swinging in.
        AssetScene s;
        auto* door = s.Box("*U02_13", {1004, -925, kSquare}, {-2, 0, 0}, {2, 50, 80}, s.Material("PorteHangar", 110, 70, 45, "wood.bmp"));
        if (!Animated(pack, s, door, "Objets/PorteHangar.O3D", "Anim/PorteHangar.A3D", 12, {{0, {1004, -925, kSquare}}},
                      {{0, {0, 0, 0}}, {12, {-100, 0, 0}}}, names))
            return false;
    }
    {
        // The two planks, in two files of the same object name: the one
        // leaning in the shed (loaded first) and the one laid over the water
        // at x 1220 (a ramp from the square up to the platform).
        AssetScene s;
        auto* wood = s.Material("Planche", 175, 130, 80, "wood.bmp");
        s.Box("*U02_07", {1060, -900, kSquare}, {-2, -12, 0}, {2, 12, 110}, wood);
        if (!SaveAsset(pack, s, "U02/Objets/Planche.O3D")) return false;
        AssetScene laid;
        wood = laid.Material("Planche", 175, 130, 80, "wood.bmp");
        const float y0 = kWaterY0 - 10, y1 = kWaterY1 + 6;
        const std::vector<Vec3> v{{-22, y0, kSquare + 0.3f}, {22, y0, kSquare + 0.3f}, {22, y1, kPlatform + 0.3f}, {-22, y1, kPlatform + 0.3f},
                                  {-22, y0, kSquare - 2}, {22, y0, kSquare - 2}, {22, y1, kPlatform - 2}, {-22, y1, kPlatform - 2}};
        laid.Mesh("*U02_07", {kPlankX, 0, 0}, v,
                  {{{0, 1, 2, 3}, {0, 0, 1, 0, 1, 4, 0, 4}}, {{5, 4, 7, 6}, {0, 0, 1, 0, 1, 4, 0, 4}},
                   {{1, 5, 6, 2}, {0, 0, 0.1f, 0, 0.1f, 4, 0, 4}}, {{4, 0, 3, 7}, {0, 0, 0.1f, 0, 0.1f, 4, 0, 4}}},
                  wood);
        if (!SaveAsset(pack, laid, "U02/Objets/PlancheQuai.O3D")) return false;
        names.objects.insert("*U02_07");
        names.objects.insert("*U02_07a");
    }
    {
        // The dock water.
        AssetScene s;
        s.Floor("*U02_08", {800, (kWaterY0 + kWaterY1) / 2, kWater}, 2000, kWaterY1 - kWaterY0 + 2,
                s.Material("EauQuai", 60, 100, 125, "water.bmp"), 10);
        AddAllNames(names, s);
        if (!SaveAsset(pack, s, "U02/Objets/Eau.O3D")) return false;
    }
    {
        // The train to Rouen behind the controller: the carriage (its floor
        // the ground inside, the door gap at x 880..920) and the engine.
        AssetScene s;
        auto* green = s.Material("Voiture", 50, 90, 70, "iron.bmp");
        auto* floor = s.Material("PlancherVoiture", 150, 110, 70, "wood.bmp");
        auto* black = s.Material("Locomotive", 30, 30, 35, "iron.bmp");
        auto* group = s.Node("Train", {0, 0, 0});
        s.Box("Plancher", {900, 255, kPlatform - 10}, {-450, -40, 0}, {450, 40, kCarriage - kPlatform + 10}, floor, group);
        auto wall = [&](const char* name, float x0, float y0, float x1, float y1, float z, float h) {
            s.Box(name, {(x0 + x1) / 2, (y0 + y1) / 2, z}, {-(x1 - x0) / 2, -(y1 - y0) / 2, 0}, {(x1 - x0) / 2, (y1 - y0) / 2, h},
                  green, group);
        };
        wall("FlancSud1", 450, 215, 880, 219, kCarriage, 85);
        wall("FlancSud2", 920, 215, 1350, 219, kCarriage, 85);
        wall("FlancNord", 450, 291, 1350, 295, kCarriage, 85);
        wall("BoutOuest", 450, 215, 454, 295, kCarriage, 85);
        wall("BoutEst", 1346, 215, 1350, 295, kCarriage, 85);
        wall("Imperiale", 450, 215, 1350, 295, kCarriage + 85, 5);
        for (int i = 0; i < 6; ++i)
            s.Box(("Banquette" + std::to_string(i)).c_str(), {520 + 60 * static_cast<float>(i), 275, kCarriage}, {-12, -14, 0}, {12, 14, 20},
                  s.Material("Banquette", 120, 50, 40), group);
        // The compartment seen from inside (its faces look inwards, so the
        // carriage shows its green sides from the platform).
        s.Box("Compartiment", {900, 255, kCarriage - 1}, {-444, -34, 0}, {444, 34, 84}, s.Material("Boiserie", 150, 110, 75, "wood.bmp"),
              group, true);
        s.Box("Locomotive", {1450, 255, kPlatform - 10}, {-90, -36, 0}, {90, 36, 80}, black, group);
        s.Cylinder("Cheminee", {1510, 255, kPlatform + 70}, 9, 40, 8, black, group);
        AddAllNames(names, s);
        if (!SaveAsset(pack, s, "U02/Objets/Train.O3D")) return false;
    }
    return true;
}

bool Textures(Pack& pack) {
    return pack.WriteTexture("U02/Maps/paving.dmf", demo::TileTexture(128, 8, {150, 145, 135}, {130, 125, 118}, {90, 85, 80}, 201)) &&
           pack.WriteTexture("U02/Maps/stone.dmf", demo::TileTexture(128, 4, {185, 175, 155}, {165, 160, 145}, {110, 105, 95}, 202)) &&
           pack.WriteTexture("U02/Maps/brick.dmf", demo::TileTexture(128, 8, {170, 85, 55}, {150, 70, 50}, {200, 190, 170}, 203)) &&
           pack.WriteTexture("U02/Maps/plaster.dmf", demo::PlasterTexture(128, {215, 200, 170}, 204)) &&
           pack.WriteTexture("U02/Maps/slate.dmf", demo::TileTexture(128, 8, {85, 95, 115}, {70, 80, 100}, {40, 45, 55}, 205)) &&
           pack.WriteTexture("U02/Maps/wood.dmf", demo::WoodTexture(128, {190, 140, 90}, {120, 80, 45}, 206)) &&
           pack.WriteTexture("U02/Maps/iron.dmf", demo::MetalTexture(64, {70, 75, 85}, {120, 80, 50}, 207)) &&
           pack.WriteTexture("U02/Maps/brass.dmf", demo::MetalTexture(64, {220, 170, 70}, {100, 120, 80}, 208)) &&
           pack.WriteTexture("U02/Maps/water.dmf", demo::PlasterTexture(128, {55, 95, 125}, 209)) &&
           pack.WriteTexture("U02/Maps/sky.dmf", demo::PlasterTexture(128, {170, 190, 215}, 210));
}

demo::Sound Mix(const demo::Sound& a, const demo::Sound& b) {
    demo::Sound out = a;
    for (std::size_t i = 0; i < out.samples.size() && i < b.samples.size(); ++i)
        out.samples[i] = static_cast<std::int16_t>((out.samples[i] + b.samples[i]) / 2);
    return out;
}

// Rough noise shaped by an envelope: waves, a splash, a snore.
demo::Sound Noise(float seconds, unsigned seed, float (*envelope)(float t, float seconds)) {
    demo::Sound s;
    const int n = static_cast<int>(seconds * static_cast<float>(s.rate));
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(s.rate);
        const float v = demo::TileNoise(static_cast<float>(i) * 0.8f, 5.0f, 65536, seed) - 0.5f;
        s.samples.push_back(static_cast<std::int16_t>(v * envelope(t, seconds) * 30000.0f));
    }
    return s;
}

demo::Sound Cry(float seconds, float pitch) {
    // The magpie: harsh chattering notes.
    demo::Sound s;
    const int n = static_cast<int>(seconds * static_cast<float>(s.rate));
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(s.rate);
        const float chatter = std::fmod(t * 9.0f, 1.0f) < 0.5f ? 1.0f : 0.0f;
        const float f = pitch * (1.0f + 0.2f * std::sin(2 * kPi * 30 * t));
        s.samples.push_back(static_cast<std::int16_t>(chatter * 0.5f * std::sin(2 * kPi * f * t) * 20000.0f));
    }
    return s;
}

bool Sounds(Pack& pack) {
    auto waves = [](float t, float) { return 0.25f + 0.2f * std::sin(t * 1.3f); };
    auto splash = [](float t, float) { return std::exp(-t * 3.0f); };
    auto snore = [](float t, float) { return 0.6f * std::max(0.0f, std::sin(t * kPi / 1.2f)); };
    auto plank = [](float t, float) { return std::exp(-std::fmod(t, 0.25f) * 25.0f); };
    return pack.WriteWave("U02/Sound/s1_15.WAV", Mix(demo::AmbienceSound(8.0f, 215), Noise(8.0f, 216, waves))) &&
           pack.WriteWave("U02/Sound/s1_16.WAV", demo::BellSound(1200, 1.2f, 217)) &&
           pack.WriteWave("U02/Sound/s1_17.WAV", Cry(1.4f, 1700)) &&
           pack.WriteWave("U02/Sound/s1_18.WAV", Noise(2.4f, 218, snore)) &&
           pack.WriteWave("U02/Sound/s1_19.WAV", Noise(1.5f, 219, splash)) &&
           pack.WriteWave("U02/Sound/s1_20.WAV", demo::CreakSound(1.0f, 220)) &&
           pack.WriteWave("U02/Sound/s1_21.WAV", Noise(0.8f, 221, plank)) &&
           pack.WriteWave("U02/Sound/s1_22.WAV", demo::ChimeSound(1.5f));
}

bool Voices(Pack& pack) {
    SpokenLines lines;
    lines.voicesFile = DemoDir() + "/universes/U02.voices";
    lines.styles = {
        {"U02_02", {"fr+m3", 40, 150, 21}},  // the controller
        {"U02_03", {"fr+f2", 70, 160, 22}},  // the chestnut seller
        {"U02_04", {"fr+m6", 25, 125, 23}},  // the sleepy clerk
    };
    lines.waveDir = lines.timingDir = "U02/Sound";
    return WriteSpokenLines(pack, lines);
}

}  // namespace

bool BuildU02(Pack& pack) {
    for (const char* dir : {"U02", "U02/Maps", "U02/Sound", "U02/Anim", "U02/Anim/U02_02", "U02/Anim/U02_03",
                            "U02/Anim/U02_04", "U02/Anim/U02_05", "U02/Objets", "U02/Perso"})
        if (!pack.MakeDir(dir)) return false;
    if (!Textures(pack) || !Sounds(pack) || !Voices(pack)) return false;

    UniverseNames names;
    if (!Scenery(pack, names) || !Characters(pack, names) || !Magpie(pack, names) || !Props(pack, names)) return false;
    names.operations = {"ClickControleur", "ClickGuichetier", "Donner100FrsAGuichetier", "ReTake100Frs",
                        "ClickVendeuse", "AcheterMarron", "PieVoleur", "ClicDoor", "TakePlanche", "PoserPlanche",
                        "MarronToPie", "ClickRonfle", "Sonner", "AcheterTicket", "TakeTicket", "MonterDansTrain"};

    const char* list =
        "; Universe 2: the harbour station\r\n"
        "scene=\"U02.S3D\"\r\n"
        "object=\"Objets\\Eau.O3D\"\r\n"
        "object=\"Objets\\Planche.O3D\" ; the plank in the shed\r\n"
        "object=\"Objets\\PlancheQuai.O3D\" ; the same name: the plank laid over the water\r\n"
        "object=\"Objets\\PorteHangar.O3D\" animation=\"Anim\\PorteHangar.A3D,3\"\r\n"
        "object=\"Objets\\Sonnette.O3D\"\r\n"
        "object=\"Objets\\Billet100.O3D\"\r\n"
        "object=\"Objets\\Ticket.O3D\"\r\n"
        "object=\"Objets\\Pie.O3D\" animation=\"Anim\\Pie.A3D,10\"\r\n"
        "object=\"Objets\\Train.O3D\"\r\n"
        "object=\"Perso\\U02_02.O3D\" animation=\"Anim\\U02_02\\Attente.A3D,10\"\r\n"
        "object=\"Perso\\U02_03.O3D\" animation=\"Anim\\U02_03\\Attente.A3D,10\"\r\n"
        "object=\"Perso\\U02_04.O3D\" animation=\"Anim\\U02_04\\Attente.A3D,10\"\r\n"
        "light=\"U02.L3D\"\r\n";
    if (!WriteLists(pack, "U02", list, "The harbour as the paintings show it")) return false;

    if (!WriteSceneInfo(pack, "U02", 120, 115, 110, 20.0f, 37.0f)) return false;
    return pack.CompileTables("U02", DemoDir() + "/universes/U02.tables", names);
}

}  // namespace pack
