// Universe 5, Paris: the forecourt of a station and its hall. In the hall
// the station master's counter ("*U05_02" behind it, his bell "*U05_12",
// the left-luggage ticket "*U05_11", his puppy "*U05_05"), the left-luggage
// room on the west side with its door "*U05_06", the cart "*U05_10" inside
// and Mazout ("*U04_04") dozing beside it, two paintings on the north wall
// ("*U05_03", "*U05_04") and the hall door "*U05_07" out to the platform,
// which an old grille closes under a hanging lamp "*U05_09". Far beyond the
// platform a balloon, "*U05_13", is where the flight out goes.
//
// Heights: the forecourt lies at -12.42, the hall and the platform at
// -14.17; with scale 40 the eye stands 60 above them. The asset files keep
// one name the script repairs: the grille is "Grille01".
#include <algorithm>
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
using demo::Rgb;
using demo::Vec3;

constexpr float kPi = 3.14159265f;
constexpr float kSquare = -12.42f;  // the forecourt
constexpr float kHall = -14.17f;    // the hall and the platform
constexpr float kWallTop = 286.0f;  // under the glass roof

bool Save(Pack& pack, AssetScene& scene, const std::string& rel) {
    std::string why;
    return scene.Save(pack.Path("U05/" + rel), why) || pack.Fail(why);
}

// A wall from (x0, y0) to (x1, y1) standing on z, `height` tall.
KelmatObject* Wall(AssetScene& s, const std::string& name, float x0, float y0, float x1, float y1, float z, float height,
                   KelmatMaterial* m) {
    return s.Box(name.c_str(), {(x0 + x1) / 2, (y0 + y1) / 2, z}, {-(x1 - x0) / 2, -(y1 - y0) / 2, 0},
                 {(x1 - x0) / 2, (y1 - y0) / 2, height}, m);
}

// ---- pictures --------------------------------------------------------------

// A small landscape in oils: a sky over a band of hills and a field, the
// colours of one of the two paintings of the hall.
Image PaintingTexture(Rgb sky, Rgb hills, Rgb field, unsigned seed) {
    Image img(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float n = demo::TileFractal(static_cast<float>(x) / 8, static_cast<float>(y) / 8, 8, 3, seed);
            const float ridge = 30 + 8 * std::sin(static_cast<float>(x) / 7.0f + static_cast<float>(seed)) + 4 * n;
            Rgb c = sky;
            if (static_cast<float>(y) > ridge) c = hills;
            if (y > 46) c = field;
            const float k = 0.8f + 0.4f * n;
            img.Set(x, y, std::min(255, static_cast<int>(static_cast<float>(c.r) * k)),
                    std::min(255, static_cast<int>(static_cast<float>(c.g) * k)),
                    std::min(255, static_cast<int>(static_cast<float>(c.b) * k)));
            if (x < 3 || y < 3 || x > 60 || y > 60) img.Set(x, y, 190, 150, 60);  // the gilded frame
        }
    return img;
}

Image SkyTexture() {
    // A Paris morning: pale at the horizon (bottom), blue above, clouds.
    Image img(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const float t = static_cast<float>(y) / 127.0f;
            const float c = demo::TileFractal(static_cast<float>(x) / 16, static_cast<float>(y) / 8, 8, 4, 505);
            const float cloud = c > 0.5f ? (c - 0.5f) * 2.0f : 0.0f;
            img.Set(x, y, static_cast<int>(110 + 110 * t + 60 * cloud), static_cast<int>(150 + 80 * t + 50 * cloud),
                    static_cast<int>(215 - 20 * t + 40 * cloud));
        }
    return img;
}

// ---- sounds ----------------------------------------------------------------

demo::Sound Mix(const demo::Sound& a, const demo::Sound& b, float gainB) {
    demo::Sound out = a;
    if (out.samples.size() < b.samples.size()) out.samples.resize(b.samples.size(), 0);
    for (std::size_t i = 0; i < b.samples.size(); ++i)
        out.samples[i] = static_cast<std::int16_t>(std::clamp(out.samples[i] + static_cast<int>(b.samples[i] * gainB), -32000, 32000));
    return out;
}

// Noise bursts shaped by `envelope` (seconds -> 0..1) over `seconds`,
// low-passed by `smooth` (0..1): barks, thuds, snores, wind.
demo::Sound Shaped(float seconds, float smooth, unsigned seed, float (*envelope)(float)) {
    demo::Sound s;
    const int n = static_cast<int>(seconds * static_cast<float>(s.rate));
    float low = 0;
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(s.rate);
        const float noise = demo::TileNoise(static_cast<float>(i) * 0.9f, 5.0f, 65536, seed) - 0.5f;
        low = low * smooth + noise * (1 - smooth);
        s.samples.push_back(static_cast<std::int16_t>(envelope(t) * low * 60000.0f / (1.0f + smooth * 2)));
    }
    return s;
}

float Bark(float t) {
    const float f = std::fmod(t, 0.45f);
    return t < 0.9f && f < 0.18f ? std::sin(f / 0.18f * kPi) : 0.0f;
}
float Thud(float t) { return std::exp(-t * 7.0f); }
float Snore(float t) { return 0.5f - 0.5f * std::cos(t / 1.6f * 2 * kPi); }
float Wind(float t) { return 0.5f + 0.3f * std::sin(t * 1.3f); }

bool Sounds(Pack& pack) {
    const demo::Sound hall = Mix(demo::AmbienceSound(8.0f, 501), demo::RailSound(8.0f, 502), 0.25f);
    const demo::Sound bark = Mix(Shaped(1.0f, 0.5f, 503, Bark), demo::BellSound(420, 1.0f, 504), 0.15f);
    const demo::Sound crash = Mix(Shaped(1.4f, 0.3f, 505, Thud), demo::BellSound(260, 1.4f, 506), 0.6f);
    const demo::Sound grab = Mix(Shaped(0.8f, 0.8f, 507, Thud), demo::CreakSound(0.8f, 508), 0.4f);
    return pack.WriteWave("U05/Sound/s4_01a.wav", hall) &&
           pack.WriteWave("U05/Sound/s4_02.wav", demo::BellSound(1250, 1.2f, 509)) &&
           pack.WriteWave("U05/Sound/s4_03.wav", demo::CreakSound(1.2f, 510)) &&
           pack.WriteWave("U05/Sound/s4_04.wav", grab) && pack.WriteWave("U05/Sound/s4_05.wav", bark) &&
           pack.WriteWave("U05/Sound/s4_06.wav", crash) &&
           pack.WriteWave("U05/Sound/s4_07.wav", demo::CreakSound(0.5f, 511)) &&
           pack.WriteWave("U05/Sound/s4_08.wav", demo::RailSound(1.5f, 512)) &&
           pack.WriteWave("U05/Sound/s4_09.wav", Shaped(1.6f, 0.92f, 513, Snore)) &&
           pack.WriteWave("U05/Sound/s4_10.wav", Shaped(7.0f, 0.95f, 514, Wind));
}

bool Textures(Pack& pack) {
    return pack.WriteTexture("U05/Maps/pave.dmf", demo::TileTexture(128, 8, {150, 145, 140}, {135, 130, 128}, {90, 88, 85}, 521)) &&
           pack.WriteTexture("U05/Maps/dallage.dmf", demo::TileTexture(128, 4, {215, 205, 185}, {150, 110, 90}, {90, 80, 70}, 522)) &&
           pack.WriteTexture("U05/Maps/pierre.dmf", demo::TileTexture(128, 4, {220, 210, 185}, {205, 195, 170}, {160, 150, 130}, 523)) &&
           pack.WriteTexture("U05/Maps/facade.dmf", demo::PlasterTexture(128, {225, 215, 190}, 524)) &&
           pack.WriteTexture("U05/Maps/bois.dmf", demo::WoodTexture(128, {160, 105, 60}, {100, 60, 35}, 525)) &&
           pack.WriteTexture("U05/Maps/fer.dmf", demo::MetalTexture(64, {60, 70, 75}, {120, 70, 40}, 526)) &&
           pack.WriteTexture("U05/Maps/laiton.dmf", demo::MetalTexture(64, {220, 175, 70}, {120, 110, 60}, 527)) &&
           pack.WriteTexture("U05/Maps/ciel.dmf", SkyTexture()) &&
           pack.WriteTexture("U05/Maps/tableauA.dmf", PaintingTexture({150, 180, 220}, {110, 120, 150}, {200, 170, 90}, 528)) &&
           pack.WriteTexture("U05/Maps/tableauB.dmf", PaintingTexture({230, 170, 120}, {90, 110, 70}, {150, 170, 80}, 529));
}

// ---- the scenery -----------------------------------------------------------

// The scenery file, also the painting's view of the place: forecourt,
// hall, platform, sky. Never moves, never clicked.
bool Scenery(Pack& pack, UniverseNames& names) {
    AssetScene s;
    auto* cobbles = s.Material("Pave", 150, 145, 140, "pave.bmp");
    auto* tiles = s.Material("Dallage", 215, 205, 185, "dallage.bmp");
    auto* stone = s.Material("Pierre", 220, 210, 185, "pierre.bmp");
    auto* plaster = s.Material("Facade", 225, 215, 190, "facade.bmp");
    auto* wood = s.Material("Bois", 160, 105, 60, "bois.bmp");
    auto* iron = s.Material("Fer", 60, 70, 75, "fer.bmp");
    auto* glass = s.Material("Verriere", 170, 195, 210);
    auto* slate = s.Material("Zinc", 110, 120, 135);
    auto* sky = s.Material("Ciel", 200, 210, 230, "ciel.bmp");
    auto* leaves = s.Material("Feuillage", 70, 115, 60);
    auto* green = s.Material("Kiosque", 40, 90, 60);

    // Ground: the forecourt a step above the hall floor, the tracks below
    // the platform on both sides.
    s.Box("Parvis", {200, -950, -40}, {-800, -450, 0}, {800, 450, kSquare + 40}, cobbles);
    s.Floor("SolHall", {250, 0, kHall}, 1100, 1000, tiles, 10);
    s.Floor("Quai", {250, 1000, kHall}, 300, 1000, stone, 8);
    s.Floor("Voies", {250, 0, -60}, 6400, 6400, cobbles, 48);
    SkyCylinder(s, "Ciel", {250, 0, 0}, 3200, -100, 1600, sky);

    // The hall: walls with the entrance (south, x 150..350) and the hall
    // door's opening (north, x 200..300), the glass roof on iron beams.
    Wall(s, "MurSudO", -300, -508, 150, -500, kHall, kWallTop, stone);
    Wall(s, "MurSudE", 350, -508, 800, -500, kHall, kWallTop, stone);
    Wall(s, "LinteauSud", 150, -508, 350, -500, kHall + 160, kWallTop - 160, stone);
    Wall(s, "MurNordO", -300, 500, 200, 508, kHall, kWallTop, stone);
    Wall(s, "MurNordE", 300, 500, 800, 508, kHall, kWallTop, stone);
    Wall(s, "LinteauNord", 200, 500, 300, 508, kHall + 115, kWallTop - 115, stone);
    Wall(s, "MurOuest", -308, -508, -300, 508, kHall, kWallTop, stone);
    Wall(s, "MurEst", 800, -508, 808, 508, kHall, kWallTop, stone);
    s.Box("Verriere", {250, 0, kHall + kWallTop}, {-560, -510, 0}, {560, 510, 3}, glass);
    for (int i = 0; i < 5; ++i)
        s.Box(("Poutre" + std::to_string(i)).c_str(), {250, -400 + 200 * static_cast<float>(i), kHall + kWallTop - 10},
              {-550, -4, 0}, {550, 4, 10}, iron);
    // The station's front on the forecourt: a pediment and the name.
    s.Box("Fronton", {250, -512, kHall + kWallTop}, {-560, -4, 0}, {560, 4, 60}, stone);
    s.Box("Enseigne", {250, -513, kHall + 200}, {-150, -1, 0}, {150, 1, 40}, s.Material("Enseigne", 40, 50, 90));

    // The left-luggage room in the west: its east wall with the door's
    // opening (y 20..100), its north and south walls.
    Wall(s, "ConsigneMurS", -300, -150, -100, -142, kHall, 160, plaster);
    Wall(s, "ConsigneMurN", -300, 242, -100, 250, kHall, 160, plaster);
    Wall(s, "ConsigneMurE1", -108, -150, -100, 20, kHall, 160, plaster);
    Wall(s, "ConsigneMurE2", -108, 100, -100, 250, kHall, 160, plaster);
    Wall(s, "ConsigneLinteau", -108, 20, -100, 100, kHall + 115, 45, plaster);
    s.Box("ConsigneToit", {-200, 50, kHall + 160}, {-100, -200, 0}, {100, 200, 4}, wood);
    s.Box("ConsigneEnseigne", {-99, 60, kHall + 125}, {0, -35, 0}, {1, 35, 18}, s.Material("Plaque", 30, 40, 90));
    for (int i = 0; i < 3; ++i)
        s.Box(("Etagere" + std::to_string(i)).c_str(), {-280, 50, kHall + 30 + 40 * static_cast<float>(i)}, {-15, -180, 0},
              {15, 180, 4}, wood);
    // Mazout's bench by the door.
    s.Box("BancMazout", {-60, 175, kHall}, {-30, -12, 0}, {30, 12, 22}, wood);

    // The station master's counter (the east side): a long desk with a
    // cornice, his office behind.
    s.Box("Guichet", {580, 140, kHall}, {-100, -20, 0}, {100, 20, 30}, wood);
    s.Box("GuichetCorniche", {580, 245, kHall + 160}, {-110, -6, 0}, {110, 6, 14}, wood);
    Wall(s, "BureauMur", 460, 240, 800, 248, kHall, 200, plaster);
    // A departures board, benches, the clock.
    s.Box("Tableau", {250, 496, kHall + 180}, {-90, -2, 0}, {90, 2, 45}, s.Material("Affiche", 25, 25, 30));
    s.Cylinder("Horloge", {250, 494, kHall + 240}, 22, 3, 12, s.Material("Cadran", 240, 240, 225));
    for (int i = 0; i < 3; ++i)
        s.Box(("Banc" + std::to_string(i)).c_str(), {100 + 180 * static_cast<float>(i), -250, kHall}, {-45, -12, 0},
              {45, 12, 22}, wood);

    // The platform beyond the hall door: its fences keep the walker on it
    // up to the grille; the lamp's post.
    Wall(s, "BarriereO", 100, 508, 108, 700, kHall, 130, iron);
    Wall(s, "BarriereE", 392, 508, 400, 700, kHall, 130, iron);
    s.Cylinder("PoteauLampe", {395, 600, kHall}, 4, 130, 6, iron);
    s.Box("Potence", {395, 600, kHall + 125}, {-150, -2, 0}, {0, 2, 4}, iron);
    for (int i = 0; i < 4; ++i)
        s.Cylinder(("Lampadaire" + std::to_string(i)).c_str(), {130 + 240 * static_cast<float>(i % 2), 800 + 180 * static_cast<float>(i / 2), kHall},
                   3, 140, 6, iron);

    // The forecourt: facades to the west and south, a kiosk, trees, lamps.
    for (int i = 0; i < 4; ++i) {
        const std::string n = std::to_string(i);
        const float y = -1350 + 240 * static_cast<float>(i), h = 260 + 30 * static_cast<float>(i % 2);
        s.Box(("ImmeubleO" + n).c_str(), {-640, y, kSquare}, {-40, -110, 0}, {40, 110, h}, plaster);
        s.Box(("ToitO" + n).c_str(), {-640, y, kSquare + h}, {-44, -112, 0}, {44, 112, 40}, slate);
        for (int k = 0; k < 3; ++k)
            s.Box(("FenetreO" + n + "_" + std::to_string(k)).c_str(), {-599, y - 60 + 60 * static_cast<float>(k), kSquare + 120},
                  {0, -14, 0}, {1, 14, 40}, glass);
    }
    for (int i = 0; i < 5; ++i) {
        const std::string n = std::to_string(i);
        const float x = -500 + 300 * static_cast<float>(i);
        s.Box(("ImmeubleS" + n).c_str(), {x, -1450, kSquare}, {-140, -40, 0}, {140, 40, 280}, plaster);
        s.Box(("ToitS" + n).c_str(), {x, -1450, kSquare + 280}, {-142, -44, 0}, {142, 44, 40}, slate);
    }
    auto* kiosk = s.Cylinder("Colonne", {-200, -1150, kSquare}, 18, 150, 10, green);
    s.Cylinder("ColonneDome", {0, 0, 150}, 24, 12, 10, green, kiosk);
    const Vec3 trees[] = {{-380, -800}, {-380, -1100}, {800, -800}, {800, -1100}, {50, -1250}};
    for (int i = 0; i < 5; ++i) {
        auto* trunk = s.Cylinder(("Tronc" + std::to_string(i)).c_str(), {trees[i].x, trees[i].y, kSquare}, 6, 80, 6, wood);
        s.Cylinder(("Houppier" + std::to_string(i)).c_str(), {0, 0, 70}, 45, 90, 8, leaves, trunk);
    }
    for (int i = 0; i < 4; ++i)
        s.Cylinder(("Reverbere" + std::to_string(i)).c_str(), {-50 + 200 * static_cast<float>(i), -650, kSquare}, 3, 150, 6, iron);

    s.Camera("Camera01", {250, -900, kSquare + 60}, {250, 0, kSquare + 60}, 60);
    AddAllNames(names, s);
    if (!Save(pack, s, "U05.S3D")) return false;

    AssetScene l;
    l.Omni("Soleil", {-1200, -2200, 1400}, 255, 235, 200, 1.0f);
    l.Omni("Verriere", {250, 0, 250}, 230, 230, 235, 0.7f);
    l.Omni("CielNord", {600, 2500, 900}, 160, 180, 230, 0.6f);
    l.Omni("LampeConsigne", {-200, 50, 120}, 255, 210, 150, 0.4f);
    return Save(pack, l, "U05.L3D");
}

// ---- the characters --------------------------------------------------------

// An animation of a character built by BuildCharacter: the root moved and
// turned by keys (empty: at rest), the head by keys, face and mouth at rest.
bool CharacterMove(Pack& pack, const demo::Character& c, const std::string& rel, int length,
                   const std::vector<Key>& rootPosition, const std::vector<Key>& rootTurn, const std::vector<Key>& head) {
    AssetScene a;
    auto rest = [](const KelmatObject* o) { return std::vector<Key>{{0, {o->position.x, o->position.y, o->position.z}}}; };
    KelmatAnimation* root = a.Animation(c.root->name, length);
    a.PositionKeys(root, rootPosition.empty() ? rest(c.root) : rootPosition);
    if (!rootTurn.empty()) a.RotationKeys(root, rootTurn);
    KelmatAnimation* tete = a.Animation(c.head->name, length, root);
    a.PositionKeys(tete, head.empty() ? rest(c.head) : head);
    KelmatAnimation* face = a.Animation(c.face->name, length, tete);
    a.PositionKeys(face, rest(c.face));
    a.PositionKeys(a.Animation(c.mouth->name, length, face), rest(c.mouth));
    return Save(pack, a, rel);
}

bool Characters(Pack& pack, UniverseNames& names) {
    const std::vector<Key> breath{{0, {0, 0, 62}}, {20, {0, 0, 62.8f}}, {40, {0, 0, 62}}};
    {
        // The station master behind his counter, facing the hall (south).
        AssetScene s;
        const Vec3 at{580, 185, kHall};
        const demo::Character c = demo::BuildCharacter(s, "*U05_02", "$$$DUMMY.*visage", at, s.Material("Uniforme", 35, 45, 95),
                                                       s.Material("PeauChef", 230, 185, 155));
        AddAllNames(names, s);
        names.animations.insert("*U05_02");
        if (!Save(pack, s, "Perso/U05_02.O3D") || !CharacterMove(pack, c, "Anim/U05_02/Attente.A3D", 40, {}, {}, breath))
            return false;
        if (!MouthShapes(pack, c, "U05/Anim/U05_02")) return false;
    }
    {
        // Mazout, broad and red-faced, dozing on his bench by the door.
        AssetScene s;
        const Vec3 at{-60, 150, kHall};
        const demo::Character c = demo::BuildCharacter(s, "*U04_04", "$$$DUMMY.*visage", at, s.Material("Bleu", 70, 80, 110),
                                                       s.Material("PeauMazout", 225, 150, 130));
        AddAllNames(names, s);
        names.animations.insert("*U04_04");
        const Vec3 p = at;
        const Key still{0, {p.x, p.y, p.z}};
        if (!Save(pack, s, "Perso/U04_04.O3D") || !CharacterMove(pack, c, "Anim/U04_04/Repos.A3D", 40, {}, {}, {}) ||
            // Waiting: he sways from foot to foot, his head nodding.
            !CharacterMove(pack, c, "Anim/U04_04/Attente.A3D", 40, {still},
                           {{0, {-8, 0, 0}}, {20, {8, 0, 0}}, {40, {-8, 0, 0}}},
                           {{0, {0, 0, 62}}, {10, {0, -1.5f, 60.5f}}, {20, {0, 0, 62}}, {30, {0, -1.5f, 60.5f}}, {40, {0, 0, 62}}}) ||
            // The grab: he lunges east into the hall, arms first, head down.
            !CharacterMove(pack, c, "Anim/U04_04/Action02.A3D", 30,
                           {still, {10, {p.x + 20, p.y - 20, p.z}}, {30, {p.x + 120, p.y - 90, p.z}}},
                           {{0, {0, 0, 0}}, {30, {-40, 0, 0}}}, {{0, {0, 0, 62}}, {15, {0, -5, 58}}, {30, {0, -6, 57}}}))
            return false;
        if (!MouthShapes(pack, c, "U05/Anim/U04_04")) return false;
    }
    {
        // The puppy by the counter: body, head and tail (the animations
        // name the three, children reversed like the kernel reads them).
        AssetScene s;
        auto* fur = s.Material("Poil", 200, 160, 100);
        auto* dog = s.Box("*U05_05", {470, 100, kHall}, {-15, -6, 8}, {15, 6, 20}, fur);
        s.Box("TeteChien", {-17, 0, 22}, {-7, -5, -5}, {5, 5, 5}, fur, dog);
        s.Box("Queue", {16, 0, 20}, {0, -1, -1}, {10, 1, 1}, s.Material("Truffe", 60, 40, 30), dog);
        AddAllNames(names, s);
        names.animations.insert("*U05_05");
        if (!Save(pack, s, "Perso/U05_05.O3D")) return false;
        auto dogAnimation = [&](const std::string& rel, int length, const std::vector<Key>& position, const std::vector<Key>& turn,
                                const std::vector<Key>& tail) {
            AssetScene a;
            KelmatAnimation* root = a.Animation("*U05_05", length);
            a.PositionKeys(root, position);
            if (!turn.empty()) a.RotationKeys(root, turn);
            a.RotationKeys(a.Animation("Queue", length, root), tail);
            a.PositionKeys(a.Animation("TeteChien", length, root), {{0, {-17, 0, 22}}});
            return Save(pack, a, rel);
        };
        const std::vector<Key> wag{{0, {-20, 0, 0}}, {5, {20, 0, 0}}, {10, {-20, 0, 0}}};
        // At rest; turning round on the spot; running to the left-luggage
        // room and in (frames 0..60).
        if (!dogAnimation("Anim/U05_05/Repos.A3D", 10, {{0, {470, 100, kHall}}}, {}, wag) ||
            !dogAnimation("Anim/U05_05/Attente.A3D", 40, {{0, {470, 100, kHall}}}, {{0, {0, 0, 0}}, {40, {360, 0, 0}}}, wag) ||
            !dogAnimation("Anim/U05_05/VersPorte.A3D", 60,
                          {{0, {470, 100, kHall}}, {40, {-60, 60, kHall}}, {60, {-200, 60, kHall}}},
                          {{0, {0, 0, 0}}, {60, {0, 0, 0}}}, wag))
            return false;
    }
    return true;
}

// A one-root file whose animation moves or turns it over `length` frames.
bool Animated(Pack& pack, AssetScene& s, KelmatObject* root, const std::string& objectFile, const std::string& animFile,
              int length, const std::vector<Key>& position, const std::vector<Key>& rotation, UniverseNames& names) {
    if (!Save(pack, s, objectFile)) return false;
    AssetScene a;
    KelmatAnimation* anim = a.Animation(root->name, length);
    a.PositionKeys(anim, position.empty() ? std::vector<Key>{{0, {root->position.x, root->position.y, root->position.z}}} : position);
    if (!rotation.empty()) a.RotationKeys(anim, rotation);
    AddAllNames(names, s);
    names.animations.insert(root->name);
    return Save(pack, a, animFile);
}

bool Props(Pack& pack, UniverseNames& names) {
    {
        // The left-luggage door, hinged at its south edge, opening out into the hall.
        AssetScene s;
        auto* door = s.Box("*U05_06", {-104, 20, kHall}, {-2, 0, 0}, {2, 80, 115}, s.Material("PorteConsigne", 120, 70, 40, "bois.bmp"));
        if (!Animated(pack, s, door, "Objets/PorteConsigne.O3D", "Anim/PorteConsigne.A3D", 12, {},
                      {{0, {0, 0, 0}}, {12, {70, 0, 0}}}, names))
            return false;
    }
    {
        // The hall door out to the platform, hinged at its west edge.
        AssetScene s;
        auto* door = s.Box("*U05_07", {200, 504, kHall}, {0, -2, 0}, {100, 2, 115}, s.Material("PorteSalle", 90, 60, 40, "bois.bmp"));
        if (!Animated(pack, s, door, "Objets/PorteSalle.O3D", "Anim/PorteSalle.A3D", 12, {}, {{0, {0, 0, 0}}, {12, {95, 0, 0}}},
                      names))
            return false;
    }
    {
        // The lamp hanging from its bracket over the grille; it falls.
        AssetScene s;
        auto* lamp = s.Box("*U05_09", {250, 600, kHall + 60}, {-10, -10, 0}, {10, 10, 30}, s.Material("Lanterne", 240, 210, 120, "laiton.bmp"));
        s.Box("Chaine", {0, 0, 30}, {-1, -1, 0}, {1, 1, 35}, s.Material("Chaine", 40, 40, 40), lamp);
        if (!Animated(pack, s, lamp, "Objets/Lampe.O3D", "Anim/Lampe.A3D", 12,
                      {{0, {250, 600, kHall + 60}}, {8, {250, 630, kHall + 8}}, {12, {250, 650, kHall}}},
                      {{0, {0, 0, 0}}, {12, {70, 0, 0}}}, names))
            return false;
    }
    {
        // The old grille across the platform (its name in the file is the
        // one the script repairs).
        AssetScene s;
        auto* iron = s.Material("Grille", 50, 55, 60, "fer.bmp");
        auto* grille = s.Box("Grille01", {250, 650, kHall}, {-142, -2, 0}, {142, 2, 8}, iron);
        for (int i = 0; i < 12; ++i)
            s.Box(("Barreau" + std::to_string(i)).c_str(), {-132 + 24 * static_cast<float>(i), 0, 0}, {-2, -2, 0}, {2, 2, 125}, iron, grille);
        s.Box("Traverse", {0, 0, 115}, {-142, -2, 0}, {142, 2, 6}, iron, grille);
        AddAllNames(names, s);
        names.objects.erase("Grille01");
        names.objects.insert("*U05_08");
        if (!Save(pack, s, "Objets/Grille.O3D")) return false;
    }
    {
        // The counter's bell and the left-luggage ticket on the counter.
        AssetScene s;
        auto* bell = s.Cylinder("*U05_12", {515, 135, kHall + 30}, 7, 9, 10, s.Material("Sonnette", 220, 175, 70, "laiton.bmp"));
        s.Box("Bouton", {0, 0, 9}, {-1.5f, -1.5f, 0}, {1.5f, 1.5f, 3}, s.Material("BoutonSonnette", 200, 200, 200), bell);
        AddAllNames(names, s);
        if (!Save(pack, s, "Objets/Sonnette.O3D")) return false;
        AssetScene t;
        // Standing in its holder, so that it shows over the counter.
        t.Box("*U05_11", {625, 130, kHall + 30}, {-10, -1, 0}, {10, 1, 13}, t.Material("Ticket", 240, 200, 90));
        AddAllNames(names, t);
        if (!Save(pack, t, "Objets/Ticket.O3D")) return false;
    }
    {
        // The luggage cart, standing in the room behind the door, with a trunk.
        AssetScene s;
        auto* iron = s.Material("Cariole", 80, 90, 70, "fer.bmp");
        auto* cart = s.Box("*U05_10", {-170, 60, kHall + 8}, {-35, -20, 0}, {35, 20, 4}, iron);
        s.Box("Malle", {0, 0, 4}, {-25, -15, 0}, {25, 15, 28}, s.Material("Malle", 120, 50, 40, "bois.bmp"), cart);
        s.Box("Timon", {36, 0, 4}, {0, -2, 0}, {30, 2, 2}, iron, cart);
        s.Box("Roues", {0, 0, -8}, {-25, -22, 0}, {25, 22, 8}, s.Material("RouesCariole", 30, 30, 30), cart);
        AddAllNames(names, s);
        if (!Save(pack, s, "Objets/Cariole.O3D")) return false;
    }
    {
        // The two paintings on the north wall, and the balloon far beyond
        // the platform.
        AssetScene s;
        s.Box("*U05_03", {-100, 494, kHall + 70}, {-55, -2, 0}, {55, 0, 80}, s.Material("TableauA", 200, 200, 200, "tableauA.bmp"));
        s.Box("*U05_04", {600, 494, kHall + 70}, {-55, -2, 0}, {55, 0, 80}, s.Material("TableauB", 200, 200, 200, "tableauB.bmp"));
        auto* balloon = s.Cylinder("*U05_13", {250, 2400, 420}, 90, 150, 12, s.Material("Ballon", 210, 60, 50));
        s.Cylinder("Dome", {0, 0, 150}, 60, 40, 12, s.Material("BallonHaut", 230, 200, 80), balloon);
        s.Box("Nacelle", {0, 0, -70}, {-20, -20, 0}, {20, 20, 25}, s.Material("Nacelle", 140, 100, 60, "bois.bmp"), balloon);
        AddAllNames(names, s);
        if (!Save(pack, s, "Objets/Decor.O3D")) return false;
    }
    return true;
}

bool Voices(Pack& pack) {
    SpokenLines lines;
    lines.voicesFile = DemoDir() + "/universes/U05.voices";
    lines.styles = {
        {"U05_02", {"fr+m3", 40, 150, 51}},  // the station master: brisk, kindly
        {"U04_04", {"fr+m1", 18, 125, 52}},  // Mazout: deep and slow
    };
    lines.waveDir = lines.timingDir = "U05/Sound";
    lines.waveExt = ".wav";
    return WriteSpokenLines(pack, lines);
}

}  // namespace

bool BuildU05(Pack& pack) {
    for (const char* dir : {"U05", "U05/Maps", "U05/Sound", "U05/Anim", "U05/Anim/U05_02", "U05/Anim/U04_04", "U05/Anim/U05_05",
                            "U05/Objets", "U05/Perso"})
        if (!pack.MakeDir(dir)) return false;
    if (!Textures(pack) || !Sounds(pack) || !Voices(pack)) return false;

    UniverseNames names;
    if (!Scenery(pack, names) || !Characters(pack, names) || !Props(pack, names)) return false;
    names.operations = {"TestSpeakChef",     "ChienVersPorte",  "MaskGrille",         "LampeTombe",
                        "OuvrePorteConsigne", "OuvrePorteSalle", "AfficheChefEtChiot", "AfficheCariolle",
                        "FermePorteConsigne", "DoTableauA",      "DoTableauB"};

    const char* list =
        "; Universe 5: Paris, the station\r\n"
        "scene=\"U05.S3D\"\r\n"
        "object=\"Objets\\PorteConsigne.O3D\" animation=\"Anim\\PorteConsigne.A3D,10\"\r\n"
        "object=\"Objets\\PorteSalle.O3D\" animation=\"Anim\\PorteSalle.A3D,10\"\r\n"
        "object=\"Objets\\Lampe.O3D\" animation=\"Anim\\Lampe.A3D,10\"\r\n"
        "object=\"Objets\\Grille.O3D\"\r\n"
        "object=\"Objets\\Sonnette.O3D\"\r\n"
        "object=\"Objets\\Ticket.O3D\"\r\n"
        "object=\"Objets\\Cariole.O3D\"\r\n"
        "object=\"Objets\\Decor.O3D\"\r\n"
        "object=\"Perso\\U05_02.O3D\" animation=\"Anim\\U05_02\\Attente.A3D,10\"\r\n"
        "object=\"Perso\\U04_04.O3D\" animation=\"Anim\\U04_04\\Repos.A3D,10\"\r\n"
        "object=\"Perso\\U05_05.O3D\" animation=\"Anim\\U05_05\\Repos.A3D,10\"\r\n"
        "light=\"U05.L3D\"\r\n";
    if (!WriteLists(pack, "U05", list, "Paris as the paintings show it")) return false;

    if (!WriteSceneInfo(pack, "U05", 130, 125, 120, 32.0f, 0.0f)) return false;
    return pack.CompileTables("U05", DemoDir() + "/universes/U05.tables", names);
}

}  // namespace pack
