// Universe 3, the fair at Rouen, in two folders.
//
// "U03", by day: the fairground before the big top, the clown "*U03_01"
// juggling by his stall, the accordion clown "*U03_02" by the carousel and
// the policeman "*U03_09" at the gate to the caravans. The policeman's
// cinematic ("cinematiques/": a camera marker "Coordcam" and a target
// "Cine01", each with its animation) flies from the gate to the caravans.
//
// "U33", at dusk: the clown's caravan (shutter "*U03_20", door "*U03_21",
// the drawer at the back "*U03_22" with its key "*U03_23", the trunk
// "*U03_24", the curtain "*U03_25", the jack-in-the-box "*U03_26" and its
// matches "*U03_27", the back door "*U03_28"), the accordion clown asleep
// outside, the open-air cinema behind (screen "Box186", the countdown's
// images "*Ecran01".."*Ecran09" and "*Ecran10", the projector's beam
// "*U03_37", the bench "*U03_10", the rope "*U03_13"), the projectionist
// "*U03_01", and the bicycle "*U03_30" the policeman "*U03_09" watches.
//
// Ground at z = 8.83 in both folders, the eye 60 above it (scale 40).
#include <array>
#include <cmath>
#include <string>
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
using demo::Image;
using demo::Key;
using demo::Vec3;

constexpr float kGround = 8.83f;
constexpr float kPi = 3.14159265f;

bool Write(Pack& pack, AssetScene& scene, const std::string& rel, UniverseNames* names) {
    if (names)
        for (KelmatObject* o = scene.Scene()->objects; o; o = o->next) names->objects.insert(o->name);
    std::string why;
    return scene.Save(pack.Path(rel), why) || pack.Fail(why);
}

// ---- pictures ----------------------------------------------------------------

// Vertical stripes of two colours (the tents).
Image Stripes(Vec3 a, Vec3 b, int stripes) {
    Image img(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const Vec3& c = (x * stripes / 64) % 2 ? b : a;
            const float n = demo::TileNoise(static_cast<float>(x) / 8, static_cast<float>(y) / 8, 8, 303) * 20;
            img.Set(x, y, static_cast<int>(c.x + n), static_cast<int>(c.y + n), static_cast<int>(c.z + n));
        }
    return img;
}

// The countdown's pictures: a light ring on the dark screen with the
// number drawn in thick strokes of a seven-segment figure.
Image Countdown(int number) {
    static const std::array<int, 10> kSegments = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    Image img(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float d = std::hypot(static_cast<float>(x) - 31.5f, static_cast<float>(y) - 31.5f);
            const int v = d > 27 && d < 30 ? 230 : 60 + static_cast<int>(d);
            img.Set(x, y, v, v - 10, v - 30);
        }
    auto bar = [&](int x0, int y0, int x1, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) img.Set(x, y, 25, 20, 15);
    };
    auto digit = [&](int value, int left) {
        const int s = kSegments[static_cast<std::size_t>(value % 10)], w = 12, t = 3, top = 16, mid = 31, bottom = 46;
        if (s & 1) bar(left, top, left + w, top + t);
        if (s & 2) bar(left + w - t, top, left + w, mid);
        if (s & 4) bar(left + w - t, mid, left + w, bottom);
        if (s & 8) bar(left, bottom - t, left + w, bottom);
        if (s & 16) bar(left, mid, left + t, bottom);
        if (s & 32) bar(left, top, left + t, mid);
        if (s & 64) bar(left, mid - 1, left + w, mid + 2);
    };
    if (number >= 10) {
        digit(1, 17);
        digit(0, 34);
    } else {
        digit(number, 26);
    }
    return img;
}

bool Textures(Pack& pack, const std::string& folder) {
    const std::string maps = folder + "/Maps/";
    return pack.WriteTexture(maps + "sciure.dmf", demo::PlasterTexture(128, {170, 140, 95}, 301)) &&
           pack.WriteTexture(maps + "herbe.dmf", demo::PlasterTexture(128, {95, 135, 70}, 302)) &&
           pack.WriteTexture(maps + "rayures.dmf", Stripes({200, 40, 45}, {235, 225, 200}, 6)) &&
           pack.WriteTexture(maps + "rayuresb.dmf", Stripes({40, 70, 170}, {240, 200, 60}, 4)) &&
           pack.WriteTexture(maps + "planches.dmf", demo::WoodTexture(128, {170, 120, 75}, {110, 70, 40}, 304)) &&
           pack.WriteTexture(maps + "toile.dmf", demo::PlasterTexture(64, {225, 220, 205}, 305));
}

// ---- the three characters, the same in both folders --------------------------

struct Cast {
    demo::Character juggler, accordion, policeman;
};

demo::Character Person(AssetScene& s, const char* name, const char* face, Vec3 at, Vec3 coat, Vec3 skin) {
    auto* clothes = s.Material((std::string("Habit") + (name + 1)).c_str(), static_cast<int>(coat.x), static_cast<int>(coat.y),
                               static_cast<int>(coat.z));
    auto* flesh = s.Material((std::string("Peau") + (name + 1)).c_str(), static_cast<int>(skin.x), static_cast<int>(skin.y),
                             static_cast<int>(skin.z));
    return demo::BuildCharacter(s, name, face, at, clothes, flesh);
}

// A gesture: the rest pose with the root moved and turned by keys (the
// character leans, lunges or salutes with his whole body).
bool Gesture(Pack& pack, const demo::Character& c, const std::string& rel, int length, const std::vector<Key>& offsets,
             const std::vector<Key>& turns) {
    AssetScene a;
    demo::BuildCharacterPose(a, c, length, 0.0f);
    KelmatAnimation* root = a.Scene()->animations;
    std::vector<Key> moves;
    for (const Key& k : offsets)
        moves.push_back({k.frame, {c.root->position.x + k.value.x, c.root->position.y + k.value.y, c.root->position.z + k.value.z}});
    if (!moves.empty()) a.PositionKeys(root, moves);
    if (!turns.empty()) a.RotationKeys(root, turns);
    return Write(pack, a, rel, nullptr);
}

// One character's file, its rest animation "Attente", its eight mouths and
// its gestures.
bool CharacterFiles(Pack& pack, const std::string& folder, AssetScene& s, const demo::Character& c, UniverseNames& names,
                    const std::vector<std::pair<std::string, std::vector<Key>>>& gestures) {
    const std::string id = c.root->name + 1;
    names.animations.insert(c.root->name);
    if (!Write(pack, s, folder + "/Perso/" + id + ".O3D", &names)) return false;
    const std::string anim = folder + "/Anim/" + id;
    if (!pack.MakeDir(anim)) return false;
    if (!Gesture(pack, c, anim + "/Attente.A3D", 40, {{0, {0, 0, 0}}, {20, {0, 0, 0.6f}}, {40, {0, 0, 0}}}, {})) return false;
    for (const auto& [file, keys] : gestures)
        if (!Gesture(pack, c, anim + "/" + file, 30, keys, {})) return false;
    std::string why;
    return demo::WriteMouthShapes(c, pack.Path(anim), why) || pack.Fail(why);
}

// The juggler "*U03_01", the accordion clown "*U03_02" (in universe 33 he
// grabs: "choppe02") and the policeman "*U03_09", each at its place.
bool Characters(Pack& pack, const std::string& folder, Vec3 juggler, Vec3 accordion, Vec3 policeman, UniverseNames& names) {
    {
        AssetScene s;
        const auto c = Person(s, "*U03_01", "$$$DUMMY.*visage", juggler, {230, 200, 40}, {250, 235, 230});
        s.Cylinder("Nez", {0, -10, 0}, 2.5f, 3, 6, s.Material("NezRouge", 230, 20, 20), c.head);
        s.Cylinder("Chapeau", {0, 0, 10}, 5, 16, 6, s.Material("Pointu", 40, 60, 200), c.head);
        for (int i = 0; i < 3; ++i)
            s.Box(("Balle" + std::to_string(i)).c_str(), {-10.0f + 10 * static_cast<float>(i), -14, 80}, {-2.5f, -2.5f, -2.5f},
                  {2.5f, 2.5f, 2.5f}, s.Material(("Balle" + std::to_string(i)).c_str(), 200 * (i == 0), 200 * (i == 1), 200 * (i == 2)),
                  c.root);
        if (!CharacterFiles(pack, folder, s, c, names, {{"Jongle.A3D", {{0, {0, 0, 0}}, {8, {0, 0, 6}}, {15, {0, 0, 0}}, {23, {0, 0, 6}}, {30, {0, 0, 0}}}}}))
            return false;
    }
    {
        AssetScene s;
        const auto c = Person(s, "*U03_02", "$$$DUMMY.visage", accordion, {60, 150, 70}, {245, 230, 225});
        s.Cylinder("Nez", {0, -10, 0}, 2.5f, 3, 6, s.Material("NezRouge2", 230, 20, 20), c.head);
        s.Box("Accordeon", {0, -14, 30}, {-12, -4, -8}, {12, 4, 8}, s.Material("Accordeon", 150, 30, 30), c.root);
        if (!CharacterFiles(pack, folder, s, c, names, {})) return false;
        // "choppe02": he turns round to the caravan's door and lunges in.
        if (!Gesture(pack, c, folder + "/Anim/U03_02/choppe02.a3d", 30, {{0, {0, 0, 0}}, {10, {0, 10, 0}}, {22, {0, 60, 4}}, {30, {0, 70, 0}}},
                     {{0, {180, 0, 0}}, {30, {180, 0, 0}}}))
            return false;
    }
    {
        AssetScene s;
        const auto c = Person(s, "*U03_09", "$$$DUMMY.visage", policeman, {30, 35, 80}, {235, 190, 165});
        s.Cylinder("Kepi", {0, 0, 10}, 10, 7, 8, s.Material("Kepi", 25, 30, 70), c.head);
        s.Box("Ceinturon", {0, 0, 30}, {-12.5f, -12.5f, 0}, {12.5f, 12.5f, 3}, s.Material("Cuir", 30, 25, 20), c.root);
        if (!CharacterFiles(pack, folder, s, c, names, {{"Salut.A3D", {{0, {0, 0, 0}}, {10, {0, 0, 3}}, {20, {0, 0, 3}}, {30, {0, 0, 0}}}}}))
            return false;
    }
    return true;
}

// ---- universe 3: the fairground by day ----------------------------------------

void SkyAndGround(AssetScene& s, Vec3 centre, float half, Vec3 sky) {
    s.Floor("Sol", {centre.x, centre.y, kGround}, 2 * half, 2 * half, s.Material("Sciure", 170, 140, 95, "sciure.bmp"), 12);
    auto* m = s.Material("Ciel", static_cast<int>(sky.x), static_cast<int>(sky.y), static_cast<int>(sky.z));
    // Walls of sky, high enough for a painter looking up, and a lid.
    const float high = 3 * half;
    s.Box("CielNord", {centre.x, centre.y + half, kGround}, {-half, -2, 0}, {half, 2, high}, m);
    s.Box("CielSud", {centre.x, centre.y - half, kGround}, {-half, -2, 0}, {half, 2, high}, m);
    s.Box("CielOuest", {centre.x - half, centre.y, kGround}, {-2, -half, 0}, {2, half, high}, m);
    s.Box("CielEst", {centre.x + half, centre.y, kGround}, {-2, -half, 0}, {2, half, high}, m);
    s.Box("CielHaut", {centre.x, centre.y, kGround + high}, {-half, -half, 0}, {half, half, 2}, m);
}

bool Fairground(Pack& pack, UniverseNames& names) {
    AssetScene s;
    SkyAndGround(s, {450, 0, 0}, 900, {170, 200, 235});
    auto* red = s.Material("Chapiteau", 200, 40, 45, "rayures.bmp");
    auto* blue = s.Material("Baraque", 40, 70, 170, "rayuresb.bmp");
    auto* wood = s.Material("Planches", 170, 120, 75, "planches.bmp");
    auto* canvas = s.Material("Toile", 225, 220, 205, "toile.bmp");
    auto* gold = s.Material("Dore", 230, 190, 70);
    // The big top to the north, its flag, and the carousel to the east.
    auto* top = s.Cylinder("Chapiteau", {450, 320, kGround}, 170, 150, 12, red);
    s.Cylinder("ChapiteauToit", {0, 0, 150}, 120, 50, 12, canvas, top);
    s.Cylinder("ChapiteauMat", {0, 0, 200}, 4, 80, 6, wood, top);
    s.Box("Entree", {450, 148, kGround}, {-30, -4, 0}, {30, 4, 100}, s.Material("EntreeSombre", 40, 25, 25));
    auto* carousel = s.Cylinder("Manege", {800, -150, kGround}, 90, 12, 10, wood);
    s.Cylinder("ManegeToit", {0, 0, 110}, 100, 20, 10, blue, carousel);
    s.Cylinder("ManegeMat", {0, 0, 12}, 6, 100, 6, gold, carousel);
    for (int i = 0; i < 6; ++i) {
        const float a = static_cast<float>(i) * kPi / 3;
        s.Box(("Cheval" + std::to_string(i)).c_str(), {70 * std::cos(a), 70 * std::sin(a), 40}, {-10, -4, 0}, {10, 4, 18},
              s.Material(("Cheval" + std::to_string(i)).c_str(), 240, 235, 225), carousel);
    }
    // The stalls along the west side, the juggler's among them.
    for (int i = 0; i < 3; ++i) {
        const float y = -350 + 220 * static_cast<float>(i);
        s.Box(("Baraque" + std::to_string(i)).c_str(), {120, y, kGround}, {-60, -50, 0}, {60, 50, 110}, i % 2 ? red : blue);
        s.Box(("Comptoir" + std::to_string(i)).c_str(), {185, y, kGround}, {-6, -45, 0}, {6, 45, 40}, wood);
    }
    // The gate to the caravans at the north-west, closed by the policeman.
    s.Box("PorteGauche", {60, 250, kGround}, {-4, -40, 0}, {4, 40, 90}, wood);
    s.Box("PorteDroite", {60, 400, kGround}, {-4, -40, 0}, {4, 40, 90}, wood);
    s.Box("Roulotte", {-120, 330, kGround + 20}, {-90, -45, 0}, {90, 45, 90}, s.Material("RoulotteVerte", 60, 120, 80, "planches.bmp"));
    s.Camera("Camera01", {450, -520, kGround + 60}, {450, 0, kGround + 60}, 60);
    if (!Write(pack, s, "U03/U03.S3D", &names)) return false;
    // The lights, loaded last so that they reach the characters too.
    AssetScene l;
    l.Omni("Soleil", {900, -1200, 900}, 255, 240, 210, 1.0f);
    l.Omni("CielBleu", {-600, 800, 600}, 150, 175, 230, 0.6f);
    return Write(pack, l, "U03/U03.L3D", nullptr);
}

// The cinematic: the camera marker flies from the gate over the caravans'
// meadow and the target it looks at goes ahead of it; both stay hidden.
bool Cinematic(Pack& pack) {
    if (!pack.MakeDir("U03/cinematiques")) return false;
    const std::pair<const char*, std::vector<Key>> tracks[] = {
        {"Coordcam", {{0, {400, -200, 70}}, {20, {200, 150, 110}}, {40, {40, 320, 140}}, {60, {-60, 420, 90}}}},
        {"Cine01", {{0, {120, 320, 60}}, {20, {-40, 340, 60}}, {40, {-120, 330, 50}}, {60, {-200, 300, 40}}}},
    };
    for (const auto& [name, keys] : tracks) {
        AssetScene o;
        o.Box(name, keys.front().value, {-2, -2, -2}, {2, 2, 2}, o.Material("Repere", 255, 0, 255));
        if (!Write(pack, o, std::string("U03/cinematiques/") + name + ".o3d", nullptr)) return false;
        AssetScene a;
        a.PositionKeys(a.Animation(name, keys.back().frame), keys);
        if (!Write(pack, a, std::string("U03/cinematiques/") + name + ".a3d", nullptr)) return false;
    }
    return true;
}

// ---- universe 33: the caravan, the cinema and the bicycle --------------------

// A hinged panel turning about its left edge from 0 to `degrees`.
bool Hinged(Pack& pack, AssetScene& s, KelmatObject* panel, const std::string& name, float degrees, UniverseNames& names) {
    if (!Write(pack, s, "U33/Objets/" + name + ".O3D", &names)) return false;
    AssetScene a;
    KelmatAnimation* anim = a.Animation(panel->name, 10);
    a.PositionKeys(anim, {{0, {panel->position.x, panel->position.y, panel->position.z}}});
    a.RotationKeys(anim, {{0, {0, 0, 0}}, {10, {degrees, 0, 0}}});
    names.animations.insert(panel->name);
    return Write(pack, a, "U33/Anim/" + name + ".A3D", nullptr);
}

// A part sliding from its place by `offset` over ten frames.
bool Sliding(Pack& pack, AssetScene& s, KelmatObject* part, const std::string& name, Vec3 offset, UniverseNames& names) {
    if (!Write(pack, s, "U33/Objets/" + name + ".O3D", &names)) return false;
    AssetScene a;
    KelmatAnimation* anim = a.Animation(part->name, 10);
    const Vec3 p{part->position.x, part->position.y, part->position.z};
    a.PositionKeys(anim, {{0, p}, {10, {p.x + offset.x, p.y + offset.y, p.z + offset.z}}});
    names.animations.insert(part->name);
    return Write(pack, a, "U33/Anim/" + name + ".A3D", nullptr);
}

// The caravan stands from x 100 to 300 and y 100 to 220; its floor is the
// ground. Its door (south wall, x 180..230) and back door (north wall, x
// 240..280) are wide enough for the walker.
bool Caravan(Pack& pack, UniverseNames& names) {
    AssetScene s;
    SkyAndGround(s, {300, 250, 0}, 700, {60, 60, 110});
    auto* green = s.Material("Roulotte", 60, 120, 80, "planches.bmp");
    auto* wood = s.Material("Planches", 170, 120, 75, "planches.bmp");
    auto* red = s.Material("Chapiteau", 200, 40, 45, "rayures.bmp");
    auto* dark = s.Material("Nuit", 30, 30, 45);
    const float z = kGround, h = 100;
    auto slab = [&](const char* name, float x0, float y0, float x1, float y1, float from, float height) {
        s.Box(name, {(x0 + x1) / 2, (y0 + y1) / 2, z + from}, {-(x1 - x0) / 2, -(y1 - y0) / 2, 0}, {(x1 - x0) / 2, (y1 - y0) / 2, height}, green);
    };
    slab("MurSud1", 100, 100, 180, 104, 0, h);
    slab("MurSud2", 230, 100, 300, 104, 0, h);
    slab("LinteauSud", 180, 100, 230, 104, 85, h - 85);
    slab("MurNord1", 100, 216, 240, 220, 0, h);
    slab("MurNord2", 280, 216, 300, 220, 0, h);
    slab("LinteauNord", 240, 216, 280, 220, 85, h - 85);
    slab("MurOuest", 100, 100, 104, 220, 0, h);
    slab("MurEst", 296, 100, 300, 220, 0, h);
    s.Box("Toit", {200, 160, z + h}, {-110, -70, 0}, {110, 70, 6}, s.Material("ToitRoulotte", 150, 60, 50));
    s.Box("Commode", {165, 207, z}, {-22, -9, 0}, {22, 9, 45}, wood);
    // The open-air cinema to the north: benches, the screen "Box186" on
    // its posts, the projector's stand, the rope before the entrance.
    s.Box("Box186", {300, 640, z + 40}, {-120, -3, 0}, {120, 3, 130}, s.Material("Ecran", 235, 235, 225));
    s.Box("PoteauEcranG", {175, 640, z}, {-4, -4, 0}, {4, 4, 180}, wood);
    s.Box("PoteauEcranD", {425, 640, z}, {-4, -4, 0}, {4, 4, 180}, wood);
    s.Box("Projecteur", {250, 400, z}, {-12, -12, 0}, {12, 12, 55}, s.Material("Projecteur", 40, 40, 40));
    for (int i = 0; i < 3; ++i)
        s.Box(("Banc" + std::to_string(i)).c_str(), {230, 470.0f + 40 * static_cast<float>(i), z}, {-45, -6, 0}, {45, 6, 22}, wood);
    s.Box("*U03_13", {470, 330, z}, {-50, -1, 30}, {50, 1, 34}, red);
    s.Box("*U03_10", {330, 450, z}, {-25, -8, 0}, {25, 8, 22}, s.Material("BancRouge", 170, 40, 40));
    // The projector's beam, lit for the film.
    s.Box("*U03_37", {275, 520, z + 55}, {-3, -116, -2}, {3, 116, 2}, s.Material("Faisceau", 250, 245, 200));
    // The countdown's images before the screen.
    for (int i = 1; i <= 10; ++i) {
        char name[16], map[16];
        std::snprintf(name, sizeof name, i == 10 ? "*Ecran%i" : "*Ecran0%i", i);
        std::snprintf(map, sizeof map, "ecran%02d.bmp", i);
        s.Box(name, {300, 636, z + 60}, {-50, -0.5f, 0}, {50, 0.5f, 90}, s.Material(name + 1, 200, 190, 160, map));
    }
    // The bicycle before the screen's east post, and the tent to the east.
    auto* bike = s.Box("*U03_30", {380, 600, z + 16}, {-25, -2, 0}, {25, 2, 4}, s.Material("Cadre", 30, 60, 140));
    for (float x : {-22.0f, 22.0f})
        s.Cylinder(x < 0 ? "RoueArriere" : "RoueAvant", {x, 0, -16}, 16, 3, 10, dark, bike);
    s.Box("Selle", {-14, 0, 4}, {-5, -3, 0}, {5, 3, 10}, s.Material("Selle", 60, 35, 20), bike);
    // What the night's show brings and a still view leaves out: the reels
    // and film on the projector, the film can, the lamp's glow and its
    // smoke; the sleeping clown's lantern; moths round the lanterns and bats
    // over the screen.
    auto* iron = s.Material("Fer", 90, 90, 100);
    s.Box("Bobine1", {250, 393, z + 55}, {-1, -9, 0}, {1, 9, 18}, iron);
    s.Box("Bobine2", {250, 407, z + 55}, {-1, -9, 0}, {1, 9, 18}, iron);
    s.Box("Pellicule", {250, 400, z + 55}, {-0.5f, -5, 0}, {0.5f, 5, 3}, s.Material("Pellicule", 50, 40, 30));
    s.Cylinder("BoiteFilm", {274, 392, z}, 8, 3, 10, iron);
    s.Box("LampeProjecteur", {250, 413, z + 36}, {-4, -1, -4}, {4, 1, 4}, s.Material("LampeProjecteur", 255, 240, 190));
    s.Box("Fumee", {250, 400, z + 80}, {-3, -3, 0}, {3, 3, 20}, s.Material("Fumee", 150, 150, 160));
    s.Box("Lanterne", {228, 52, z}, {-3, -3, 0}, {3, 3, 10}, s.Material("Lanterne", 250, 200, 90));
    auto* moth = s.Material("Papillon", 225, 215, 190);
    for (int i = 1; i <= 3; ++i)
        s.Box(("Papillon" + std::to_string(i)).c_str(), {340.0f + 8 * static_cast<float>(i), 296.0f + 5 * static_cast<float>(i % 2), z + 200 + 6 * static_cast<float>(i)},
              {-1, -1, 0}, {1, 1, 0.4f}, moth);
    for (int i = 1; i <= 3; ++i)
        s.Box(("ChauveSouris" + std::to_string(i)).c_str(), {220.0f + 60 * static_cast<float>(i), 630.0f + 10 * static_cast<float>(i), z + 205 + 12 * static_cast<float>(i)},
              {-5, -1, 0}, {5, 1, 2}, dark);
    auto* tent = s.Cylinder("Chapiteau", {780, 250, z}, 150, 140, 12, red);
    s.Cylinder("ChapiteauToit", {0, 0, 140}, 110, 40, 12, s.Material("ToileNuit", 200, 195, 180, "toile.bmp"), tent);
    s.Camera("Camera01", {200, -60, z + 60}, {200, 100, z + 60}, 60);
    if (!Write(pack, s, "U33/U33.S3D", &names)) return false;
    // The lights, loaded last so that they reach every part: the moon, the
    // fair's lanterns over the cinema and the caravan's lamp.
    AssetScene l;
    l.Omni("Lune", {-500, -900, 900}, 170, 180, 230, 0.9f);
    l.Omni("Lampions", {350, 300, 250}, 255, 200, 130, 0.8f);
    l.Omni("Lampe", {200, 140, z + 90}, 255, 220, 160, 1.0f);
    if (!Write(pack, l, "U33/U33.L3D", nullptr)) return false;

    // The clickable parts, each in its file with its animation.
    {
        AssetScene p;
        auto* shutter = p.Box("*U03_20", {120, 99, z + 45}, {0, -1, 0}, {40, 1, 30}, p.Material("Volet", 120, 70, 40, "planches.bmp"));
        if (!Hinged(pack, p, shutter, "Volet", 100, names)) return false;
    }
    {
        AssetScene p;
        auto* door = p.Box("*U03_21", {180, 101, z}, {0, -2, 0}, {50, 2, 85}, p.Material("Porte", 130, 80, 45, "planches.bmp"));
        if (!Hinged(pack, p, door, "Porte", 100, names)) return false;
    }
    {
        AssetScene p;
        auto* door = p.Box("*U03_28", {240, 218, z}, {0, -2, 0}, {40, 2, 85}, p.Material("PorteFond", 130, 80, 45, "planches.bmp"));
        if (!Hinged(pack, p, door, "PorteFond", -100, names)) return false;
    }
    {
        AssetScene p;
        auto* drawer = p.Box("*U03_22", {165, 197, z + 28}, {-16, -2, 0}, {16, 2, 12}, p.Material("Tiroir", 180, 130, 80, "planches.bmp"));
        if (!Sliding(pack, p, drawer, "Tiroir", {0, -18, 0}, names)) return false;
        AssetScene k;
        k.Box("*U03_23", {165, 182, z + 40}, {-4, -1.5f, 0}, {4, 1.5f, 1.5f}, k.Material("Cle", 220, 180, 60));
        if (!Write(pack, k, "U33/Objets/Cle.O3D", &names)) return false;
    }
    {
        // The trunk before the back door (pushed aside, it frees the way),
        // its lid, the jack-in-the-box inside with the matches, and the
        // curtain across the south-east corner.
        AssetScene t;
        auto* trunk = t.Box("*U03_24", {260, 192, z}, {-25, -15, 0}, {25, 15, 30}, t.Material("Malle", 110, 70, 40, "planches.bmp"));
        t.Box("Couvercle", {0, 0, 30}, {-25, -15, 0}, {25, 15, 3}, t.Material("Couvercle", 90, 55, 30), trunk);
        if (!Sliding(pack, t, trunk, "Malle", {-45, 0, 0}, names)) return false;
        AssetScene j;
        auto* jack = j.Box("*U03_26", {255, 192, z + 33}, {-7, -7, 0}, {7, 7, 12}, j.Material("Diablotin", 230, 60, 160));
        j.Box("TeteDiablotin", {0, 0, 12}, {-4, -4, 0}, {4, 4, 8}, j.Material("TeteDiablotin", 250, 220, 60), jack);
        if (!Sliding(pack, j, jack, "Diablotin", {0, 0, 14}, names)) return false;
        AssetScene m;
        m.Box("*U03_27", {270, 190, z + 33}, {-3, -2, 0}, {3, 2, 1.5f}, m.Material("Allumettes", 240, 200, 40));
        if (!Write(pack, m, "U33/Objets/Allumettes.O3D", &names)) return false;
        AssetScene c;
        auto* curtain = c.Box("*U03_25", {273, 150, z}, {-23, -1, 0}, {23, 1, 95}, c.Material("Rideau", 150, 30, 60, "toile.bmp"));
        if (!Sliding(pack, c, curtain, "Rideau", {0, -42, 0}, names)) return false;
    }
    return true;
}

bool Sounds(Pack& pack) {
    const demo::Sound ambience = demo::AmbienceSound(8.0f, 310);
    const demo::Sound accordion = demo::MusicSound(6.0f, 311);
    return pack.WriteWave("U03/Sound/s2_01.wav", ambience) && pack.WriteWave("U33/Sound/s2_01.wav", ambience) &&
           pack.WriteWave("U03/Sound/s2_03.wav", demo::ChimeSound(3.0f)) && pack.WriteWave("U03/Sound/s2_04.wav", accordion) &&
           pack.WriteWave("U33/Sound/s2_05.wav", demo::CreakSound(0.8f, 312)) &&
           pack.WriteWave("U33/Sound/s2_06.wav", demo::BellSound(700, 0.6f, 313)) &&
           pack.WriteWave("U33/Sound/s2_07.wav", demo::CreakSound(1.4f, 314)) &&
           pack.WriteWave("U33/Sound/s2_12.wav", demo::RailSound(3.0f, 315)) &&
           pack.WriteWave("U33/Sound/s2_13.wav", demo::BellSound(330, 1.2f, 316));
}

bool Voices(Pack& pack, const char* folder) {
    SpokenLines lines;
    lines.voicesFile = DemoDir() + "/universes/" + folder + ".voices";
    lines.styles = {
        {"U03_01", {"fr+m7", 70, 165, 301}},  // the juggler: high and quick
        {"U03_02", {"fr+m2", 35, 130, 302}},  // the accordion clown: gruff
        {"U03_09", {"fr+m1", 40, 140, 303}},  // the policeman: even
    };
    lines.waveDir = lines.timingDir = std::string(folder) + "/Sound";
    lines.waveExt = ".wav";
    return WriteSpokenLines(pack, lines);
}

}  // namespace

bool BuildU03(Pack& pack) {
    for (const char* dir : {"U03", "U03/Maps", "U03/Sound", "U03/Anim", "U03/Perso", "U33", "U33/Maps", "U33/Sound", "U33/Anim",
                            "U33/Perso", "U33/Objets"})
        if (!pack.MakeDir(dir)) return false;
    if (!Textures(pack, "U03") || !Textures(pack, "U33") || !Sounds(pack) || !Voices(pack, "U03") || !Voices(pack, "U33"))
        return false;
    for (int i = 1; i <= 10; ++i) {
        char map[32];
        std::snprintf(map, sizeof map, "U33/Maps/ecran%02d.dmf", i);
        if (!pack.WriteTexture(map, Countdown(i))) return false;
    }

    UniverseNames day, dusk;
    if (!Fairground(pack, day) || !Cinematic(pack) ||
        !Characters(pack, "U03", {380, -360, kGround}, {530, -350, kGround}, {450, -280, kGround}, day))
        return false;
    if (!Caravan(pack, dusk) || !Characters(pack, "U33", {250, 370, kGround}, {255, 45, kGround}, {420, 560, kGround}, dusk))
        return false;
    const char* characters =
        "object=\"Perso\\U03_01.O3D\" animation=\"Anim\\U03_01\\Attente.A3D,10\"\r\n"
        "object=\"Perso\\U03_02.O3D\" animation=\"Anim\\U03_02\\Attente.A3D,10\"\r\n"
        "object=\"Perso\\U03_09.O3D\" animation=\"Anim\\U03_09\\Attente.A3D,10\"\r\n";
    if (!pack.WriteFile("U03/U03.ZELT", std::string("; Universe 3: the fairground by day\r\nscene=\"U03.S3D\"\r\n") + characters +
                                            "light=\"U03.L3D\"\r\n") ||
        !pack.WriteFile("U03/U03D.ZELT", std::string("; The fairground as the painting shows it\r\nscene=\"U03.S3D\"\r\n") + characters +
                                             "light=\"U03.L3D\"\r\n"))
        return false;
    const std::string caravan =
        "object=\"Objets\\Volet.O3D\" animation=\"Anim\\Volet.A3D,10\"\r\n"
        "object=\"Objets\\Porte.O3D\" animation=\"Anim\\Porte.A3D,10\"\r\n"
        "object=\"Objets\\PorteFond.O3D\" animation=\"Anim\\PorteFond.A3D,10\"\r\n"
        "object=\"Objets\\Tiroir.O3D\" animation=\"Anim\\Tiroir.A3D,10\"\r\n"
        "object=\"Objets\\Cle.O3D\"\r\n"
        "object=\"Objets\\Malle.O3D\" animation=\"Anim\\Malle.A3D,10\"\r\n"
        "object=\"Objets\\Diablotin.O3D\" animation=\"Anim\\Diablotin.A3D,10\"\r\n"
        "object=\"Objets\\Allumettes.O3D\"\r\n"
        "object=\"Objets\\Rideau.O3D\" animation=\"Anim\\Rideau.A3D,10\"\r\n";
    if (!pack.WriteFile("U33/U33.ZELT", "; Universe 33: the caravan and the cinema at dusk\r\nscene=\"U33.S3D\"\r\n" + caravan + characters +
                                            "light=\"U33.L3D\"\r\n") ||
        !pack.WriteFile("U33/U33D.ZELT", "; The cinema as the painting shows it\r\nscene=\"U33.S3D\"\r\n" + caravan + characters +
                                             "light=\"U33.L3D\"\r\n"))
        return false;
    if (!WriteSceneInfo(pack, "U03", 135, 130, 120, 30.5f, 10.5f) || !WriteSceneInfo(pack, "U33", 125, 115, 125, 38.5f, 19.0f)) return false;

    day.operations = {"AnimeSpeakClown", "FlicSalut", "DoCinematiqueFlic"};
    dusk.operations = {"FinTestM06", "MaskBoiteAllu", "DoCinema", "OuvreVolet", "TransitionInterieurRoulotte",
                       "OuvreTiroirFond", "OuvreMalle", "OuvreDiablotin", "CacheDerriereRideau", "DoGameOverClown1",
                       "SortRideau", "PousseMalle", "OuvrePorte", "DoParleProjectionniste", "DoCinemaA",
                       "AttenteFinFlicParle", "TransitionVelo", "OuvrePorteClown"};
    return pack.CompileTables("U03", DemoDir() + "/universes/U03.tables", day) &&
           pack.CompileTables("U33", DemoDir() + "/universes/U33.tables", dusk);
}

}  // namespace pack
