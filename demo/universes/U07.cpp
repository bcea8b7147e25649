// Universe 7, the mine: the player arrives at the foot of a shaft and climbs
// its ladder to the gallery, where the switch "*U06_25" lights the lamps
// (their glow "halo1".."halo4" lets everything through). A plank lies by
// the east wall ("planche" in the group the script names "*U06_30"). An
// underground stream ("*eau01", 30 below the floor) cuts the gallery; the
// edge stone "Planch01" is where the plank is laid across. Beyond, along
// the west wall, three stones "Object04" (the script names them; the
// middle one, "*U06_26", slides up from the pickaxe "secretpioc" behind
// it), then a cracked wall (the first "*U06_27", named "*U06_29" by the
// script) gives way to the pickaxe, and behind the grille "*U06_24" lie
// the dynamite (the second "*U06_27") with its burning fuse and a watering
// can "*U06_19" on a crate.
//
// The shaft's floor is at 0, the gallery's at 60; with scale 40 the eye
// stands 60 above them.
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

constexpr float kFloor = 60.0f;   // the gallery's floor
constexpr float kRoof = 180.0f;   // the gallery's ceiling
constexpr float kWater = 30.0f;   // the stream's surface
constexpr float kStream0 = 300.0f, kStream1 = 370.0f;

bool Scenery(Pack& pack, UniverseNames& names) {
    AssetScene s;
    auto* rock = s.Material("Roc", 120, 105, 90, "roc.bmp");
    auto* ground = s.Material("Terre", 110, 95, 75, "terre.bmp");
    auto* wood = s.Material("Etai", 130, 95, 60, "etai.bmp");
    auto* iron = s.Material("Rail", 90, 90, 95);
    auto* lamp = s.Material("Lampe", 250, 220, 120);
    auto* glow = s.Material("Halo", 255, 235, 170);

    // The shaft: its floor, four walls, its ceiling; the gallery opens to
    // the north above the floor block.
    s.Floor("FondPuits", {0, 0, 0}, 80, 80, ground, 1);
    s.Box("PuitsOuest", {-43, 0, 0}, {-3, -43, 0}, {3, 43, 200}, rock);
    s.Box("PuitsEst", {43, 0, 0}, {-3, -43, 0}, {3, 43, 200}, rock);
    s.Box("PuitsSud", {0, -43, 0}, {-40, -3, 0}, {40, 3, 200}, rock);
    s.Box("PlafondPuits", {0, 0, 200}, {-46, -46, 0}, {46, 46, 6}, rock);
    s.Box("PuitsNordHaut", {0, 43, kRoof}, {-40, -3, 0}, {40, 3, 20}, rock);
    // The ladder on the shaft's north face.
    s.Box("EchelleG", {-12, 38, 0}, {-1.5f, -1.5f, 0}, {1.5f, 1.5f, 62}, wood);
    s.Box("EchelleD", {12, 38, 0}, {-1.5f, -1.5f, 0}, {1.5f, 1.5f, 62}, wood);
    for (int i = 0; i < 5; ++i)
        s.Box(("Barreau" + std::to_string(i)).c_str(), {0, 38, 8 + 12 * static_cast<float>(i)}, {-12, -1, 0}, {12, 1, 2}, wood);

    // The gallery floor in two blocks either side of the stream, its
    // walls, its ceiling and the props along it.
    s.Box("SolGalerie1", {0, (40 + kStream0) / 2, 0}, {-60, -(kStream0 - 40) / 2, 0}, {60, (kStream0 - 40) / 2, kFloor}, ground);
    s.Box("SolGalerie2", {0, (kStream1 + 720) / 2, 0}, {-60, -(720 - kStream1) / 2, 0}, {60, (720 - kStream1) / 2, kFloor}, ground);
    s.Box("LitRuisseau", {0, (kStream0 + kStream1) / 2, 0}, {-60, -(kStream1 - kStream0) / 2, 0}, {60, (kStream1 - kStream0) / 2, 5}, rock);
    s.Box("MurOuest", {-64, 380, 0}, {-4, -340, 0}, {4, 340, kRoof}, rock);
    s.Box("MurEst", {64, 380, 0}, {-4, -340, 0}, {4, 340, kRoof}, rock);
    s.Box("FondGalerie", {0, 724, kFloor}, {-60, -4, 0}, {60, 4, kRoof - kFloor}, rock);
    s.Box("Plafond", {0, 380, kRoof}, {-68, -340, 0}, {68, 340, 6}, rock);
    // Timbering every 120 units, rails on the floor.
    for (int i = 0; i < 6; ++i) {
        const float y = 100 + 120 * static_cast<float>(i);
        if (y > kStream0 - 20 && y < kStream1 + 20) continue;
        const std::string id = std::to_string(i);
        s.Box(("EtaiG" + id).c_str(), {-56, y, kFloor}, {-3, -3, 0}, {3, 3, kRoof - kFloor}, wood);
        s.Box(("EtaiD" + id).c_str(), {56, y, kFloor}, {-3, -3, 0}, {3, 3, kRoof - kFloor}, wood);
        s.Box(("Chapeau" + id).c_str(), {0, y, kRoof - 8}, {-59, -4, 0}, {59, 4, 8}, wood);
    }
    s.Box("CaisseVide", {-35, 610, kFloor}, {-12, -12, 0}, {12, 12, 40}, wood);
    s.Box("RailG", {-15, 380, kFloor}, {-1, -330, 0}, {1, 330, 1}, iron);
    s.Box("RailD", {15, 380, kFloor}, {-1, -330, 0}, {1, 330, 1}, iron);
    // The edge stone where the plank is laid.
    s.Box("Planch01", {0, kStream0 - 10, kFloor}, {-60, -10, 0}, {60, 10, 0.5f}, rock);
    // Four lamps on the timbering with their glow.
    const Vec3 lamps[] = {{-50, 100, 150}, {50, 220, 150}, {-50, 470, 150}, {50, 620, 150}};
    for (int i = 0; i < 4; ++i) {
        const std::string id = std::to_string(i + 1);
        s.Box(("Lampe" + id).c_str(), lamps[i], {-3, -3, 0}, {3, 3, 8}, lamp);
        s.Box(("halo" + id).c_str(), {lamps[i].x, lamps[i].y, lamps[i].z - 4}, {-7, -7, 0}, {7, 7, 16}, glow);
    }
    s.Camera("Camera01", {0, 0, 60}, {0, 200, 60}, 60);
    u0607::AddNames(names, s);
    if (!u0607::Save(pack, s, "U07/U07.S3D")) return false;

    // The stream's surface, in a file of its own so that the script's rule
    // sees its name.
    AssetScene w;
    w.Floor("*eau01", {0, (kStream0 + kStream1) / 2, kWater}, 120, kStream1 - kStream0, w.Material("Eau", 40, 70, 90, "eau.bmp"), 2);
    u0607::AddNames(names, w);
    if (!u0607::Save(pack, w, "U07/Objets/Ruisseau.O3D")) return false;

    AssetScene l;
    l.Omni("LampeNord", {0, 560, 160}, 255, 200, 120, 0.9f);
    l.Omni("LampeSud", {0, 150, 160}, 255, 200, 120, 0.9f);
    l.Omni("Puits", {0, 0, 190}, 140, 150, 170, 0.6f);
    return u0607::Save(pack, l, "U07/U07.L3D");
}

bool Props(Pack& pack, UniverseNames& names) {
    // The stones on the west wall, each in a file of its own (they share
    // their name); the middle one is the loose one and slides.
    for (int i = 0; i < 3; ++i) {
        AssetScene s;
        const float y = 385 + 25 * static_cast<float>(i);
        s.Box("Object04", {-60, y, 85}, {0, -10, 0}, {9, 10, 22}, s.Material("Pierre", 150, 135, 115, "roc.bmp"));
        if (!u0607::Save(pack, s, "U07/Objets/Pierre" + std::to_string(i + 1) + ".O3D")) return false;
    }
    names.objects.insert("*U06_260");
    names.objects.insert("*U06_26");
    names.objects.insert("*U06_262");
    {
        AssetScene a;
        KelmatAnimation* slide = a.Animation("*U06_26", 20);
        a.PositionKeys(slide, {{0, {-60, 410, 85}}, {8, {-54, 410, 85}}, {20, {-54, 410, 113}}});
        names.animations.insert("*U06_26");
        if (!u0607::Save(pack, a, "U07/Anim/Pierre.A3D")) return false;
    }
    {
        // The pickaxe behind the loose stone.
        AssetScene s;
        auto* handle = s.Box("secretpioc", {-56, 410, 88}, {-1, -8, -1}, {1, 8, 1}, s.Material("Manche", 150, 110, 70, "etai.bmp"));
        s.Box("Fer", {0, 7, 0}, {-1, -1, -5}, {2, 1, 9}, s.Material("FerPioche", 90, 90, 100), handle);
        if (!u0607::Save(pack, s, "U07/Objets/Pioche.O3D")) return false;
        names.objects.insert("*U06_28");
        names.objects.insert("Fer");
    }
    {
        // The plank by the east wall.
        AssetScene s;
        auto* group = s.Node("Planches", {35, 200, kFloor});
        s.Box("planche", {0, 0, 0}, {-7, -50, 0}, {7, 50, 3}, s.Material("Planche", 170, 130, 85, "etai.bmp"), group);
        u0607::AddNames(names, s);
        names.objects.erase("Planches");
        names.objects.insert("*U06_30");
        if (!u0607::Save(pack, s, "U07/Objets/Planche.O3D")) return false;
    }
    {
        // The cracked wall across the gallery (the first "*U06_27").
        AssetScene s;
        auto* wall = s.Box("*U06_27", {0, 490, kFloor}, {-60, -5, 0}, {60, 5, kRoof - kFloor}, s.Material("MurFissure", 140, 120, 100, "roc.bmp"));
        s.Box("Fissure", {10, -5.5f, 20}, {-2, -0.5f, 0}, {2, 0.5f, 80}, s.Material("Fente", 30, 25, 20), wall);
        if (!u0607::Save(pack, s, "U07/Objets/Mur.O3D")) return false;
        names.objects.insert("*U06_29");
        names.objects.insert("Fissure");
    }
    {
        // A watering can on an upturned crate beyond the grille, for
        // whoever comes without the keeper's.
        AssetScene s;
        auto* zinc = s.Material("Zinc", 150, 160, 165);
        auto* can = s.Cylinder("*U06_19", {-35, 610, kFloor + 40}, 7, 16, 8, zinc);
        s.Box("Bec", {8, 0, 4}, {0, -1, 0}, {12, 1, 2}, zinc, can);
        u0607::AddNames(names, s);
        if (!u0607::Save(pack, s, "U07/Objets/Arrosoir.O3D")) return false;
    }
    {
        // The grille, hinged at the west wall; it swings back along it.
        AssetScene s;
        auto* bars = s.Material("Barreaux", 70, 70, 75);
        auto* grille = s.Node("*U06_24", {-60, 560, kFloor});
        for (int i = 0; i < 9; ++i)
            s.Box(("Barreau" + std::to_string(i)).c_str(), {6 + 13.5f * static_cast<float>(i), 0, 0}, {-1, -1, 0}, {1, 1, 115}, bars, grille);
        s.Box("Traverse", {60, 0, 55}, {-60, -1, 0}, {60, 1, 3}, bars, grille);
        s.Box("Cadenas", {112, -2, 55}, {-3, -1, -3}, {3, 1, 3}, s.Material("Cadenas", 200, 170, 60), grille);
        u0607::AddNames(names, s);
        names.animations.insert("*U06_24");
        if (!u0607::Save(pack, s, "U07/Objets/Grille.O3D")) return false;
        AssetScene a;
        KelmatAnimation* swing = a.Animation("*U06_24", 15);
        a.PositionKeys(swing, {{0, {-60, 560, kFloor}}});
        a.RotationKeys(swing, {{0, {0, 0, 0}}, {15, {-90, 0, 0}}});
        if (!u0607::Save(pack, a, "U07/Anim/Grille.A3D")) return false;
    }
    {
        // The dynamite: a crate of sticks with its fuse burning.
        AssetScene s;
        auto* crate = s.Box("*U06_27", {0, 650, kFloor}, {-18, -12, 0}, {18, 12, 20}, s.Material("Caisse", 150, 110, 60, "etai.bmp"));
        auto* red = s.Material("Dynamite", 200, 40, 35);
        for (int i = 0; i < 4; ++i)
            s.Cylinder(("Baton" + std::to_string(i)).c_str(), {-9 + 6 * static_cast<float>(i), 0, 20}, 2.5f, 14, 6, red, crate);
        s.Box("Meche", {0, -14, 25}, {-0.5f, -14, -0.5f}, {0.5f, 0, 0.5f}, s.Material("Meche", 240, 200, 80), crate);
        if (!u0607::Save(pack, s, "U07/Objets/Dynamite.O3D")) return false;
        names.objects.insert("Meche");
        names.objects.insert("*U06_27");
        for (int i = 0; i < 4; ++i) names.objects.insert("Baton" + std::to_string(i));
    }
    {
        // The switch on its post at the top of the ladder.
        AssetScene s;
        auto* post = s.Box("Poteau", {22, 60, kFloor}, {-2, -2, 0}, {2, 2, 50}, s.Material("PoteauBois", 130, 95, 60, "etai.bmp"));
        s.Box("*U06_25", {0, -3, 44}, {-5, -2, -6}, {5, 0, 6}, s.Material("Interrupteur", 200, 40, 30), post);
        u0607::AddNames(names, s);
        if (!u0607::Save(pack, s, "U07/Objets/Interrupteur.O3D")) return false;
    }
    return true;
}

bool Textures(Pack& pack) {
    return pack.WriteTexture("U07/Maps/roc.dmf", demo::TileTexture(128, 4, {125, 110, 95}, {105, 95, 80}, {60, 55, 50}, 701)) &&
           pack.WriteTexture("U07/Maps/terre.dmf", demo::PlasterTexture(128, {110, 95, 75}, 702)) &&
           pack.WriteTexture("U07/Maps/etai.dmf", demo::WoodTexture(64, {140, 100, 65}, {85, 60, 40}, 703)) &&
           pack.WriteTexture("U07/Maps/eau.dmf", demo::PlasterTexture(64, {40, 75, 95}, 704));
}

bool Sounds(Pack& pack) {
    return pack.WriteWave("U07/Sound/s4_16.wav", u0607::Hiss(8.0f, 0.12f, 716)) &&
           pack.WriteWave("U07/Sound/s4_22.wav", u0607::Hiss(3.0f, 0.6f, 722)) &&
           pack.WriteWave("U07/Sound/s4_19.wav", demo::RailSound(4.0f, 719)) &&
           pack.WriteWave("U07/Sound/s4_17.wav", u0607::Rumble(1.5f, 717)) &&
           pack.WriteWave("U07/Sound/s4_18.wav", demo::CreakSound(1.2f, 718)) &&
           pack.WriteWave("U07/Sound/s4_20.wav", u0607::Rumble(2.5f, 720)) &&
           pack.WriteWave("U07/Sound/s4_21.wav", u0607::Hiss(1.2f, 0.9f, 721)) &&
           pack.WriteWave("U07/Sound/s4_13.wav", u0607::Hiss(1.6f, 0.35f, 713)) &&
           pack.WriteWave("U07/Sound/s4_23.wav", demo::BellSound(900, 0.3f, 723)) &&
           pack.WriteWave("U07/Sound/s4_24.wav", demo::BellSound(240, 0.4f, 724));
}

}  // namespace

bool BuildU07(Pack& pack) {
    for (const char* dir : {"U07", "U07/Maps", "U07/Sound", "U07/Anim", "U07/Objets"})
        if (!pack.MakeDir(dir)) return false;
    if (!Textures(pack) || !Sounds(pack)) return false;
    SpokenLines lines;
    lines.voicesFile = DemoDir() + "/universes/U07.voices";
    lines.styles = {{"-", {"fr+m3", 50, 150, 740}}};
    lines.waveDir = lines.timingDir = "U07/Sound";
    lines.waveExt = ".wav";
    if (!WriteSpokenLines(pack, lines)) return false;

    UniverseNames names;
    if (!Scenery(pack, names) || !Props(pack, names)) return false;
    names.operations = {"DoInterrupteur", "Open1Secret", "Open2Secret", "CouperDynamite", "OpenGrille"};

    const char* list =
        "; Universe 7: the mine\r\n"
        "scene=\"U07.S3D\"\r\n"
        "object=\"Objets\\Ruisseau.O3D\"\r\n"
        "object=\"Objets\\Pierre1.O3D\"\r\n"
        "object=\"Objets\\Pierre2.O3D\" animation=\"Anim\\Pierre.A3D,10\"\r\n"
        "object=\"Objets\\Pierre3.O3D\"\r\n"
        "object=\"Objets\\Pioche.O3D\"\r\n"
        "object=\"Objets\\Planche.O3D\"\r\n"
        "object=\"Objets\\Mur.O3D\" ; the first *U06_27: the script names it *U06_29\r\n"
        "object=\"Objets\\Arrosoir.O3D\"\r\n"
        "object=\"Objets\\Grille.O3D\" animation=\"Anim\\Grille.A3D,10\"\r\n"
        "object=\"Objets\\Dynamite.O3D\"\r\n"
        "object=\"Objets\\Interrupteur.O3D\"\r\n"
        "light=\"U07.L3D\"\r\n";
    if (!pack.WriteFile("U07/U07.ZELT", list)) return false;

    if (!WriteSceneInfo(pack, "U07", 130, 115, 95, 10.0f, 24.0f)) return false;
    return pack.CompileTables("U07", DemoDir() + "/universes/U07.tables", names);
}

}  // namespace pack
