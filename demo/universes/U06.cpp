// Universe 6, the clearing: a wide forest clearing at dusk with a keeper's
// hut (its heavy door "lourde" on the frame "*U06_17", the watering can
// "*U06_19" on a table inside), the keeper "*U06_18" by the door, a bed of
// wilted flowers "*U06_20" south of the hut, the doe "*U06_21" waiting at
// the edge of the wood beyond it, and the clown "*U03_02", who has followed
// the player from the circus, lurking east among the trees.
//
// The ground lies at -34.59 so that the eye (60 above it with scale 40)
// stands at 25.41, the height of the gallery paintings' viewpoints.
#include <cmath>
#include <string>
#include <vector>

#include "demo/lib/AssetScene.h"
#include "demo/universes/SceneParts.h"
#include "demo/lib/Media.h"
#include "demo/lib/Voice.h"
#include "demo/universes/SpokenLines.h"
#include "demo/universes/U0607.h"
#include "lumora/engine/InfoTables.h"
#include "tools/lumora-pack/Universes.h"

namespace pack {

namespace {

using demo::AssetScene;
using demo::Vec3;
using u0607::kGround6;

constexpr float kPi = 3.14159265f;

bool Scenery(Pack& pack, UniverseNames& names) {
    AssetScene s;
    auto* grass = s.Material("HerbeSoir", 95, 125, 70, "herbe.bmp");
    auto* bark = s.Material("Ecorce", 90, 65, 45, "ecorce.bmp");
    auto* leaves = s.Material("Feuilles", 55, 95, 55, "feuilles.bmp");
    auto* planks = s.Material("Planches", 140, 100, 65, "planches.bmp");
    auto* roof = s.Material("Chaume", 150, 125, 80, "chaume.bmp");
    auto* stone = s.Material("Roche", 135, 130, 125, "roche.bmp");
    auto* sky = s.Material("CielSoir", 225, 170, 140, "ciel.bmp");
    auto* dark = s.Material("Sousbois", 40, 55, 40);

    const float g = kGround6;
    s.Floor("Clairiere", {-600, -450, g}, 1900, 1900, grass, 12);
    // The sky: four far walls, warm at the horizon.
    s.Box("CielNord", {-600, 520, g}, {-1000, -2, 0}, {1000, 2, 900}, sky);
    s.Box("CielSud", {-600, -1420, g}, {-1000, -2, 0}, {1000, 2, 900}, sky);
    s.Box("CielOuest", {-1570, -450, g}, {-2, -1000, 0}, {2, 1000, 900}, sky);
    s.Box("CielEst", {370, -450, g}, {-2, -1000, 0}, {2, 1000, 900}, sky);
    // The wood round the clearing, darker between the trunks.
    int n = 0;
    for (int i = 0; i < 22; ++i) {
        const float a = 2 * kPi * static_cast<float>(i) / 22.0f;
        const float r = 820.0f + 60.0f * static_cast<float>(i % 3);
        const float x = -600 + r * std::cos(a), y = -450 + r * std::sin(a);
        const std::string id = std::to_string(n++);
        auto* trunk = s.Cylinder(("Tronc" + id).c_str(), {x, y, g}, 10, 120, 6, bark);
        s.Cylinder(("Cime" + id).c_str(), {0, 0, 100}, 60 + 8 * static_cast<float>(i % 4), 150, 7, leaves, trunk);
    }
    s.Box("SousboisNord", {-600, 470, g}, {-950, -10, 0}, {950, 10, 160}, dark);
    s.Box("SousboisSud", {-600, -1370, g}, {-950, -10, 0}, {950, 10, 160}, dark);
    // A few trees inside the clearing, away from every path the script walks.
    const Vec3 trees[] = {{-760, -60}, {-250, -560}, {-820, -760}, {-120, 180}, {-980, -320}, {-360, -980}};
    for (const Vec3& t : trees) {
        const std::string id = std::to_string(n++);
        auto* trunk = s.Cylinder(("Tronc" + id).c_str(), {t.x, t.y, g}, 9, 110, 6, bark);
        s.Cylinder(("Cime" + id).c_str(), {0, 0, 90}, 55, 140, 7, leaves, trunk);
    }
    // Rocks and a woodpile.
    s.Box("Rocher1", {-1000, 40, g}, {-40, -30, 0}, {40, 30, 35}, stone);
    s.Box("Rocher2", {-1180, -1130, g}, {-35, -45, 0}, {35, 45, 28}, stone);
    s.Box("Bucher", {-390, 200, g}, {-30, -15, 0}, {30, 15, 30}, planks);

    // The keeper's hut: walls round x -560..-440, y 60..180, the doorway in
    // the south wall (x -530..-470), a thatched roof, the table inside.
    const float x0 = -560, x1 = -440, y0 = 60, y1 = 180, h = 120;
    s.Box("CabaneOuest", {x0 + 3, (y0 + y1) / 2, g}, {-3, -60, 0}, {3, 60, h}, planks);
    s.Box("CabaneEst", {x1 - 3, (y0 + y1) / 2, g}, {-3, -60, 0}, {3, 60, h}, planks);
    s.Box("CabaneNord", {(x0 + x1) / 2, y1 - 3, g}, {-60, -3, 0}, {60, 3, h}, planks);
    s.Box("CabaneSudG", {-545, y0 + 3, g}, {-15, -3, 0}, {15, 3, h}, planks);
    s.Box("CabaneSudD", {-455, y0 + 3, g}, {-15, -3, 0}, {15, 3, h}, planks);
    s.Box("CabaneLinteau", {-500, y0 + 3, g + 100}, {-30, -3, 0}, {30, 3, 20}, planks);
    s.Box("CabaneToit", {-500, 120, g + h}, {-80, -80, 0}, {80, 80, 12}, roof);
    s.Box("CabaneSol", {-500, 120, g}, {-57, -57, 0}, {57, 57, 0.5f}, planks);
    s.Box("Table", {-500, 160, g}, {-25, -15, 0}, {25, 15, 30}, planks);

    s.Camera("Camera01", {-500, -150, g + 60}, {-500, 60, g + 60}, 60);
    u0607::AddNames(names, s);
    if (!u0607::Save(pack, s, "U06/U06.S3D")) return false;

    AssetScene l;
    l.Omni("Couchant", {900, -1500, 500}, 255, 190, 140, 1.0f);
    l.Omni("Crepuscule", {-1500, 800, 600}, 120, 130, 190, 0.7f);
    l.Omni("Lanterne", {-500, 40, g + 110}, 255, 210, 140, 0.5f);
    return u0607::Save(pack, l, "U06/U06.L3D");
}

// A character file of the clearing with its rest pose and mouth shapes.
bool Person(Pack& pack, UniverseNames& names, const char* name, const char* id, Vec3 at, demo::Rgb coat, bool speaks) {
    AssetScene s;
    auto* clothes = s.Material((std::string("Habit") + id).c_str(), coat.r, coat.g, coat.b);
    auto* skin = s.Material((std::string("Peau") + id).c_str(), 230, 190, 160);
    const demo::Character c = demo::BuildCharacter(s, name, "$$$DUMMY.*visage", at, clothes, skin);
    if (std::string(id) == "U03_02") {
        // The clown: a red nose and a pointed hat.
        s.Box("Nez", {0, -11, 0}, {-2, -2, -2}, {2, 2, 2}, s.Material("NezRouge", 230, 30, 30), c.head);
        s.Cylinder("Chapeau", {0, 0, 10}, 7, 22, 6, s.Material("ChapeauClown", 240, 220, 60), c.head);
    } else {
        s.Box("Fichu", {0, 0, 8}, {-11, -11, 0}, {11, 11, 5}, s.Material("Fichu", 150, 40, 50), c.head);
    }
    u0607::AddNames(names, s);
    names.animations.insert(name);
    if (!u0607::Save(pack, s, std::string("U06/Perso/") + id + ".O3D")) return false;
    AssetScene a;
    demo::BuildCharacterPose(a, c, 40, 0.0f);
    if (!u0607::Save(pack, a, std::string("U06/Anim/") + id + "/Attente.A3D")) return false;
    if (!speaks) return true;
    std::string why;
    return demo::WriteMouthShapes(c, pack.Path(std::string("U06/Anim/") + id), why) || pack.Fail(why);
}

bool Props(Pack& pack, UniverseNames& names) {
    const float g = kGround6;
    {
        // The heavy door, hinged at the west side of the doorway; it swings
        // in along the west wall.
        AssetScene s;
        auto* frame = s.Node("*U06_17", {-530, 63, g});
        auto* leaf = s.Box("lourde", {0, 0, 0}, {0, -2, 0}, {60, 2, 100}, s.Material("Lourde", 95, 60, 35, "planches.bmp"), frame);
        s.Box("Verrou", {52, -3, 50}, {-3, -1, -2}, {3, 1, 2}, s.Material("Fer", 60, 60, 65), leaf);
        u0607::AddNames(names, s);
        if (!u0607::Save(pack, s, "U06/Objets/Porte.O3D")) return false;
        AssetScene a;
        KelmatAnimation* root = a.Animation("Cabane", 15);
        KelmatAnimation* swing = a.Animation("lourde", 15, root);
        a.PositionKeys(swing, {{0, {0, 0, 0}}});
        a.RotationKeys(swing, {{0, {0, 0, 0}}, {15, {-90, 0, 0}}});
        names.animations.insert("lourde");
        if (!u0607::Save(pack, a, "U06/Anim/Lourde.A3D")) return false;
    }
    {
        // The watering can on the table.
        AssetScene s;
        auto* zinc = s.Material("Zinc", 150, 160, 165);
        auto* can = s.Cylinder("*U06_19", {-500, 160, g + 30}, 7, 16, 8, zinc);
        s.Box("Bec", {8, 0, 4}, {0, -1, 0}, {12, 1, 2}, zinc, can);
        s.Box("Anse", {-2, 0, 16}, {-5, -1, 0}, {5, 1, 6}, zinc, can);
        u0607::AddNames(names, s);
        if (!u0607::Save(pack, s, "U06/Objets/Arrosoir.O3D")) return false;
    }
    {
        // The flower bed: the flowers rise from the soil when watered.
        AssetScene s;
        auto* bed = s.Box("*U06_20", {-500, -420, g}, {-45, -30, 0}, {45, 30, 6}, s.Material("Terreau", 90, 60, 40));
        auto* flowers = s.Node("Fleurs", {0, 0, -18}, bed);
        const demo::Rgb colours[] = {{220, 60, 80}, {240, 200, 60}, {170, 90, 210}, {240, 240, 240}};
        for (int i = 0; i < 8; ++i) {
            const float x = -34 + 10 * static_cast<float>(i), y = i % 2 ? -10.0f : 10.0f;
            auto* stem = s.Box(("Tige" + std::to_string(i)).c_str(), {x, y, 6}, {-1, -1, 0}, {1, 1, 16}, s.Material(("Vert" + std::to_string(i)).c_str(), 60, 130, 50), flowers);
            const demo::Rgb c = colours[i % 4];
            s.Box(("Corolle" + std::to_string(i)).c_str(), {0, 0, 16}, {-4, -4, 0}, {4, 4, 5}, s.Material(("Petale" + std::to_string(i)).c_str(), c.r, c.g, c.b), stem);
        }
        u0607::AddNames(names, s);
        if (!u0607::Save(pack, s, "U06/Objets/Parterre.O3D")) return false;
        AssetScene a;
        KelmatAnimation* root = a.Animation("Parterre", 30);
        KelmatAnimation* rise = a.Animation("Fleurs", 30, root);
        a.PositionKeys(rise, {{0, {0, 0, -18}}, {30, {0, 0, 0}}});
        names.animations.insert("Fleurs");
        if (!u0607::Save(pack, a, "U06/Anim/Fleurs.A3D")) return false;
    }
    {
        // The doe: she comes up from the wood to the flower bed.
        AssetScene s;
        auto* fawn = s.Material("Biche", 170, 120, 75);
        auto* body = s.Box("*U06_21", {-500, -700, g + 40}, {-9, -28, 0}, {9, 28, 22}, fawn);
        auto* neck = s.Box("Cou", {0, 24, 18}, {-5, -5, 0}, {5, 5, 26}, fawn, body);
        s.Box("TeteBiche", {0, 6, 26}, {-6, -4, -4}, {6, 12, 6}, fawn, neck);
        for (int i = 0; i < 4; ++i)
            s.Box(("Patte" + std::to_string(i)).c_str(), {i % 2 ? 6.0f : -6.0f, i < 2 ? 20.0f : -20.0f, 0}, {-2, -2, -40}, {2, 2, 0}, fawn, body);
        u0607::AddNames(names, s);
        names.animations.insert("*U06_21");
        if (!u0607::Save(pack, s, "U06/Objets/Biche.O3D")) return false;
        AssetScene a;
        KelmatAnimation* walk = a.Animation("*U06_21", 40);
        a.PositionKeys(walk, {{0, {-500, -700, g + 40}}, {10, {-500, -650, g + 43}}, {20, {-500, -600, g + 40}},
                              {30, {-500, -550, g + 43}}, {40, {-500, -500, g + 40}}});
        if (!u0607::Save(pack, a, "U06/Anim/U06_21.A3D")) return false;
    }
    return true;
}

bool Textures(Pack& pack) {
    return pack.WriteTexture("U06/Maps/herbe.dmf", demo::PlasterTexture(128, {95, 130, 70}, 601)) &&
           pack.WriteTexture("U06/Maps/ecorce.dmf", demo::WoodTexture(64, {110, 80, 55}, {60, 45, 30}, 602)) &&
           pack.WriteTexture("U06/Maps/feuilles.dmf", demo::PlasterTexture(64, {60, 105, 55}, 603)) &&
           pack.WriteTexture("U06/Maps/planches.dmf", demo::WoodTexture(128, {160, 115, 75}, {100, 70, 45}, 604)) &&
           pack.WriteTexture("U06/Maps/chaume.dmf", demo::PlasterTexture(64, {165, 135, 85}, 605)) &&
           pack.WriteTexture("U06/Maps/roche.dmf", demo::TileTexture(64, 4, {140, 135, 130}, {120, 115, 110}, {80, 80, 80}, 606)) &&
           pack.WriteTexture("U06/Maps/ciel.dmf", demo::PlasterTexture(128, {230, 175, 145}, 607));
}

bool Sounds(Pack& pack) {
    return pack.WriteWave("U06/Sound/s4_11.wav", demo::AmbienceSound(8.0f, 611)) &&
           pack.WriteWave("U06/Sound/s4_12.wav", demo::CreakSound(1.4f, 612)) &&
           pack.WriteWave("U06/Sound/s4_13.wav", u0607::Hiss(1.6f, 0.35f, 613)) &&
           pack.WriteWave("U06/Sound/s4_14.wav", demo::BellSound(180, 1.5f, 614)) &&
           pack.WriteWave("U06/Sound/s4_15.wav", u0607::Hooves(1.8f, 615));
}

}  // namespace

bool BuildU06(Pack& pack) {
    for (const char* dir : {"U06", "U06/Maps", "U06/Sound", "U06/Anim", "U06/Anim/U06_18", "U06/Anim/U03_02", "U06/Objets", "U06/Perso"})
        if (!pack.MakeDir(dir)) return false;
    if (!Textures(pack) || !Sounds(pack)) return false;
    SpokenLines lines;
    lines.voicesFile = DemoDir() + "/universes/U06.voices";
    lines.styles = {{"U06_18", {"fr+f3", 45, 140, 618}}};
    lines.waveDir = lines.timingDir = "U06/Sound";
    lines.waveExt = ".wav";
    if (!WriteSpokenLines(pack, lines)) return false;

    UniverseNames names;
    if (!Scenery(pack, names) || !Props(pack, names) ||
        !Person(pack, names, "*U06_18", "U06_18", {-380, 40, kGround6}, {70, 90, 60}, true) ||
        !Person(pack, names, "*U03_02", "U03_02", {-150, -150, kGround6}, {200, 60, 160}, false))
        return false;
    names.operations = {"OpenDoor", "UseArrosoir", "UseBiche"};

    const char* list =
        "; Universe 6: the clearing\r\n"
        "scene=\"U06.S3D\"\r\n"
        "object=\"Objets\\Porte.O3D\" animation=\"Anim\\Lourde.A3D,10\"\r\n"
        "object=\"Objets\\Arrosoir.O3D\"\r\n"
        "object=\"Objets\\Parterre.O3D\" animation=\"Anim\\Fleurs.A3D,10\"\r\n"
        "object=\"Objets\\Biche.O3D\" animation=\"Anim\\U06_21.A3D,10\"\r\n"
        "object=\"Perso\\U06_18.O3D\" animation=\"Anim\\U06_18\\Attente.A3D,10\"\r\n"
        "object=\"Perso\\U03_02.O3D\" animation=\"Anim\\U03_02\\Attente.A3D,10\"\r\n"
        "light=\"U06.L3D\"\r\n";
    if (!pack.WriteFile("U06/U06.ZELT", list)) return false;
    if (!pack.WriteFile("U06/U06D.ZELT", "; The clearing as the paintings show it: scenery only\r\nscene=\"U06.S3D\"\r\nlight=\"U06.L3D\"\r\n"))
        return false;

    if (!WriteSceneInfo(pack, "U06", 120, 105, 100, 15.0f, 5.0f)) return false;
    return pack.CompileTables("U06", DemoDir() + "/universes/U06.tables", names);
}

}  // namespace pack
