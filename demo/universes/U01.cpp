// Universe 1, the station: a platform along the tracks with the mayor and
// the companion, the station building with its clock and bell, the station
// master's office (door, drawers, time clock, telephone, key) with a ladder
// to its roof, the points with their lever and locked cabinet, a signal
// gallery over the points, and a train that runs round a loop of track and,
// with the points set, out along a second track.
//
// Heights: the track bed lies at -60, the platform at -30, the yard behind
// it at -31.8, the office floor at -35.2, the office roof at 50.64, its upper
// roof at 79 and the signal gallery at 33.8; with scale 40 the eye stands
// 60 above them, where the universe's script puts the camera.
//
// The asset files keep the names the script repairs after loading: "Box31"
// (the lever of the points, under "Object07"), three "Box20" (the third
// lies across the ramp down from the platform), "Cylinder07", "tige",
// "*U01_08P", and the carpet "Tapiroug*".
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "demo/lib/AssetScene.h"
#include "demo/lib/Media.h"
#include "demo/lib/Voice.h"
#include "demo/universes/SceneParts.h"
#include "demo/universes/SpokenLines.h"
#include "lumora/engine/InfoTables.h"
#include "lumora/shell/ChunkFile.h"
#include "tools/lumora-pack/Universes.h"

namespace pack {

namespace {

using demo::AssetScene;
using demo::Image;
using demo::Key;
using demo::Rgb;
using demo::Vec3;

constexpr float kPi = 3.14159265f;
constexpr float kBed = -60.0f;       // track bed
constexpr float kPlatform = -30.0f;  // platform top
constexpr float kYard = -31.8f;      // yard behind the platform, office surroundings
constexpr float kOffice = -35.2f;    // office floor
constexpr float kRoof = 50.64f;      // office roof
constexpr float kUpperRoof = 79.0f;  // the raised part of the roof
constexpr float kGallery = 33.8f;    // signal gallery floor
constexpr float kDeck = -29.0f;      // train deck, one above the platform
constexpr float kTrackY = -582.0f;   // the track along the platform

bool Save(Pack& pack, AssetScene& scene, const std::string& rel) { return SaveAsset(pack, scene, rel); }

// A wall slab from (x0, y0) to (x1, y1) at the foot height z, `height` tall
// and `thick` thick (axis-aligned: one of the extents is thin).
KelmatObject* Slab(AssetScene& s, const char* name, float x0, float y0, float x1, float y1, float z, float height,
                   KelmatMaterial* m) {
    return s.Box(name, {(x0 + x1) / 2, (y0 + y1) / 2, z}, {-(x1 - x0) / 2, -(y1 - y0) / 2, 0}, {(x1 - x0) / 2, (y1 - y0) / 2, height}, m);
}

// ---- pictures --------------------------------------------------------------

Image TrackTexture() {
    // Gravel with two sleepers across and the two rails along v.
    Image img(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float n = demo::TileFractal(static_cast<float>(x) / 4, static_cast<float>(y) / 4, 16, 3, 101);
            int r = 110 + static_cast<int>(60 * n), g = 100 + static_cast<int>(55 * n), b = 90 + static_cast<int>(50 * n);
            if ((y % 32) < 9 && x > 4 && x < 60) r = 95 + static_cast<int>(40 * n), g = 70 + static_cast<int>(25 * n), b = 45;
            if ((x >= 14 && x <= 17) || (x >= 46 && x <= 49)) r = 150 + static_cast<int>(20 * n), g = 140, b = 135;
            if (x == 15 || x == 47) r = 210, g = 205, b = 200;
            img.Set(x, y, r, g, b);
        }
    return img;
}

Image SkyTexture() {
    // Evening sky: warm at the horizon (bottom), blue above, soft clouds.
    Image img(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const float t = static_cast<float>(y) / 127.0f;
            const float c = demo::TileFractal(static_cast<float>(x) / 16, static_cast<float>(y) / 8, 8, 4, 77);
            const float cloud = c > 0.55f ? (c - 0.55f) * 2.5f : 0.0f;
            const int r = static_cast<int>(90 + 150 * t + 60 * cloud), g = static_cast<int>(120 + 70 * t + 50 * cloud),
                      b = static_cast<int>(190 - 60 * t + 40 * cloud);
            img.Set(x, y, r, g, b);
        }
    return img;
}

Image ClockFace() {
    Image img(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float dx = static_cast<float>(x) - 31.5f, dy = static_cast<float>(y) - 31.5f;
            const float d = std::sqrt(dx * dx + dy * dy);
            int v = d < 29 ? 240 : 40;
            if (d > 24 && d < 28) {
                const float a = std::atan2(dy, dx) * 6 / kPi;
                if (std::fabs(a - std::round(a)) < 0.12f) v = 30;
            }
            img.Set(x, y, v, v, v - 15);
        }
    for (int i = 0; i < 20; ++i) img.Set(32 + i / 2, 32 - i, 20, 20, 20);  // hour hand
    for (int i = 0; i < 26; ++i) img.Set(32 - i, 32, 20, 20, 20);          // minute hand
    return img;
}

// ---- sounds ----------------------------------------------------------------

demo::Sound Tone(const std::vector<std::pair<float, float>>& parts, float volume) {
    // parts: (frequency or 0 for silence, seconds)
    demo::Sound s;
    for (const auto& [f, seconds] : parts) {
        const int n = static_cast<int>(seconds * static_cast<float>(s.rate));
        for (int i = 0; i < n; ++i) {
            const float t = static_cast<float>(i) / static_cast<float>(s.rate);
            const float edge = std::min(1.0f, std::min(t, seconds - t) * 200.0f);
            const float v = f > 0 ? volume * edge * (std::sin(2 * kPi * f * t) + 0.3f * std::sin(4 * kPi * f * t)) : 0.0f;
            s.samples.push_back(static_cast<std::int16_t>(v * 20000.0f));
        }
    }
    return s;
}

demo::Sound Chug(float seconds, unsigned seed) {
    // The train: a looping beat of steam puffs over a rumble.
    demo::Sound s;
    const int n = static_cast<int>(seconds * static_cast<float>(s.rate));
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(s.rate);
        const float beat = std::fmod(t * 4.0f, 1.0f);
        const float puff = std::exp(-beat * 9.0f);
        const float noise = demo::TileNoise(static_cast<float>(i) * 0.9f, 3.0f, 65536, seed) - 0.5f;
        const float rumble = std::sin(2 * kPi * 55.0f * t) * 0.25f;
        s.samples.push_back(static_cast<std::int16_t>((noise * puff * 1.4f + rumble * 0.5f) * 20000.0f));
    }
    return s;
}

demo::Sound Clank(float seconds, float pitch, unsigned seed) {
    demo::Sound s = demo::BellSound(pitch, seconds, seed);
    const demo::Sound creak = demo::CreakSound(seconds, seed + 1);
    for (std::size_t i = 0; i < s.samples.size() && i < creak.samples.size(); ++i)
        s.samples[i] = static_cast<std::int16_t>((s.samples[i] + creak.samples[i] / 2) * 2 / 3);
    return s;
}

demo::Sound Steps(int count, unsigned seed) {
    // Heavy steps coming nearer.
    demo::Sound s;
    const int step = s.rate / 2;
    for (int k = 0; k < count; ++k)
        for (int i = 0; i < step; ++i) {
            const float t = static_cast<float>(i) / static_cast<float>(s.rate);
            const float loud = 0.3f + 0.7f * static_cast<float>(k) / static_cast<float>(count);
            const float noise = demo::TileNoise(static_cast<float>(i + k * step) * 0.7f, 1.0f, 65536, seed) - 0.5f;
            s.samples.push_back(static_cast<std::int16_t>(loud * std::exp(-t * 30) * (noise + std::sin(2 * kPi * 80 * t)) * 22000));
        }
    return s;
}

// ---- the track -------------------------------------------------------------

struct TrackPoint {
    float x, y, heading;  // heading in degrees, 0 along +x, counter-clockwise
};

// Track 1, a loop run anticlockwise from the platform: east along the
// platform, north up the east side (the points at its end), west along the
// north side, south down the west side and back.
struct Loop {
    struct Segment {
        bool arc;
        float x, y, heading, length;  // start point, start heading; arcs turn left with radius kRadius
    };
    static constexpr float kRadius = 200.0f;
    std::vector<Segment> segments;
    float total = 0, toPoints = 0;

    Loop() {
        const float quarter = kPi * kRadius / 2;
        auto add = [&](bool arc, float x, float y, float h, float len) {
            segments.push_back({arc, x, y, h, len});
            total += len;
        };
        add(false, 150, kTrackY, 0, 450);
        add(true, 600, kTrackY, 0, quarter);
        add(false, 800, kTrackY + kRadius, 90, 1032);
        toPoints = total;  // the points: the end of the east side, (800, 650)
        add(true, 800, 650, 90, quarter);
        add(false, 600, 850, 180, 1100);
        add(true, -500, 850, 180, quarter);
        add(false, -700, 650, 270, 1232 - 200);
        add(true, -700, kTrackY + kRadius, 270, quarter);
        add(false, -500, kTrackY, 360, 650);
    }

    TrackPoint At(float d) const {
        d = std::fmod(std::fmod(d, total) + total, total);
        for (const Segment& s : segments) {
            if (d > s.length) {
                d -= s.length;
                continue;
            }
            const float h = s.heading * kPi / 180;
            if (!s.arc) return {s.x + d * std::cos(h), s.y + d * std::sin(h), s.heading};
            const float cx = s.x - kRadius * std::sin(h), cy = s.y + kRadius * std::cos(h);
            const float a = d / kRadius;
            return {cx + kRadius * std::sin(h + a), cy - kRadius * std::cos(h + a), s.heading + a * 180 / kPi};
        }
        return {segments[0].x, segments[0].y, 0};
    }
};

constexpr int kPointsFrame = 90;
constexpr int kLoopFrames = 277;
constexpr int kTrack2Start = 15;
constexpr int kTrack2End = 75;
constexpr float kTrack2Length = 700;

float LoopDistance(const Loop& loop, float frame) {
    if (frame <= kPointsFrame) return frame / kPointsFrame * loop.toPoints;
    return loop.toPoints + (frame - kPointsFrame) / (kLoopFrames - kPointsFrame) * (loop.total - loop.toPoints);
}

// A flat strip of track bed along a path (points every `step` units).
KelmatObject* TrackStrip(AssetScene& s, const char* name, const std::function<TrackPoint(float)>& at, float length,
                         float step, KelmatMaterial* m) {
    std::vector<Vec3> v;
    std::vector<AssetScene::Face> faces;
    const int n = std::max(1, static_cast<int>(std::ceil(length / step)));
    for (int i = 0; i <= n; ++i) {
        const TrackPoint p = at(length * static_cast<float>(i) / static_cast<float>(n));
        const float h = p.heading * kPi / 180, nx = -std::sin(h) * 22, ny = std::cos(h) * 22;
        v.push_back({p.x - nx, p.y - ny, kBed + 0.6f});
        v.push_back({p.x + nx, p.y + ny, kBed + 0.6f});
        if (i > 0) {
            const int a = 2 * (i - 1);
            const float v0 = static_cast<float>(i - 1) * step / 44, v1 = static_cast<float>(i) * step / 44;
            faces.push_back({{a, a + 2, a + 3, a + 1}, {0, v0, 0, v1, 1, v1, 1, v0}});
        }
    }
    return s.Mesh(name, {0, 0, 0}, v, faces, m);
}

// ---- the folder's pieces ---------------------------------------------------

struct Materials {
    KelmatMaterial *plaster, *brick, *slate, *planks, *gravel, *grass, *track, *iron, *wood, *sky, *stone, *glass, *carpet,
        *clock, *dark;
};

Materials SceneryMaterials(AssetScene& s) {
    Materials m{};
    m.plaster = s.Material("Enduit", 220, 180, 110, "ochre.bmp");
    m.brick = s.Material("Brique", 170, 90, 60, "brick.bmp");
    m.slate = s.Material("Ardoise", 90, 100, 120, "slate.bmp");
    m.planks = s.Material("Quai", 170, 150, 120, "stone.bmp");
    m.gravel = s.Material("Ballast", 130, 120, 105, "gravel.bmp");
    m.grass = s.Material("Herbe", 110, 140, 70, "grass.bmp");
    m.track = s.Material("Voie", 140, 130, 120, "track.bmp");
    m.iron = s.Material("FerVert", 60, 110, 80, "iron.bmp");
    m.wood = s.Material("Bois", 150, 105, 65, "wood.bmp");
    m.sky = s.Material("Ciel", 200, 190, 170, "sky.bmp");
    m.stone = s.Material("Pierre", 190, 180, 160, "stone.bmp");
    m.glass = s.Material("Vitre", 150, 190, 210);
    m.carpet = s.Material("Tapis", 170, 30, 40, "carpet.bmp");
    m.clock = s.Material("Cadran", 240, 240, 225, "clockface.bmp");
    m.dark = s.Material("Sombre", 50, 45, 40);
    return m;
}

// The scenery file: everything that never moves and is never clicked.
bool Scenery(Pack& pack, UniverseNames& names) {
    AssetScene s;
    const Materials m = SceneryMaterials(s);

    // Ground, sky.
    s.Floor("Sol", {100, 350, kBed}, 5400, 5400, m.grass, 54);
    SkyCylinder(s, "Ciel", {100, 350, 0}, 2600, kBed - 100, 1400, m.sky);

    // Track beds: the loop and the second track.
    const Loop loop;
    TrackStrip(s, "Voie1", [&](float d) { return loop.At(d); }, loop.total, 50, m.track);
    TrackStrip(s, "Voie2", [](float d) { return TrackPoint{800, 650 + d, 90}; }, kTrack2Length + 120, 50, m.track);
    s.Box("Heurtoir", {800, 650 + kTrack2Length + 130, kBed}, {-30, -6, 0}, {30, 6, 30}, m.brick);

    // The platform, its edge stones and the ramp down at its east end.
    s.Box("Quai", {30, -470, kBed}, {-530, -90, 0}, {530, 90, kPlatform - kBed}, m.planks);
    s.Box("Bordure", {30, -559, kPlatform - 1}, {-530, -2, 0}, {530, 2, 1.2f}, m.stone);
    {
        // Ramp: 60 long, from the platform's height down to the bed.
        const std::vector<Vec3> v{{560, -540, kPlatform}, {620, -540, kBed}, {620, -400, kBed}, {560, -400, kPlatform},
                                  {560, -540, kBed}, {560, -400, kBed}};
        s.Mesh("Rampe", {0, 0, 0}, v, {{{0, 1, 2, 3}, {0, 0, 1, 0, 1, 1, 0, 1}}, {{0, 4, 1}, {0, 0, 0, 1, 1, 1}}, {{3, 2, 5}, {0, 0, 1, 1, 0, 1}}},
               m.planks);
    }
    // Lamp posts along the platform (green iron).
    for (int i = 0; i < 5; ++i) {
        const float x = -400 + 220 * static_cast<float>(i);
        auto* post = s.Cylinder(("Lampadaire" + std::to_string(i)).c_str(), {x, -540, kPlatform}, 3, 150, 6, m.iron);
        s.Box(("Lanterne" + std::to_string(i)).c_str(), {0, 0, 150}, {-7, -7, 0}, {7, 7, 14}, m.glass, post);
    }

    // The station building north of the platform: ochre walls, slate roof.
    const float bx0 = -200, bx1 = 250, by0 = -380, by1 = -300;
    Slab(s, "GareMurSud", bx0, by0, bx1, by0 + 4, kPlatform, 130, m.plaster);
    Slab(s, "GareMurNord", bx0, by1 - 4, bx1, by1, kPlatform, 130, m.plaster);
    Slab(s, "GareMurOuest", bx0, by0, bx0 + 4, by1, kPlatform, 130, m.plaster);
    Slab(s, "GareMurEst", bx1 - 4, by0, bx1, by1, kPlatform, 130, m.plaster);
    Slab(s, "GareSocle", bx0 - 2, by0 - 2, bx1 + 2, by0 + 2, kPlatform, 18, m.brick);
    for (int i = 0; i < 4; ++i) {
        const float x = -150 + 110 * static_cast<float>(i);
        s.Box(("GareFenetre" + std::to_string(i)).c_str(), {x, by0 - 0.5f, kPlatform + 40}, {-18, -1, 0}, {18, 1, 55},
              i == 1 ? m.wood : m.glass);
    }
    {
        // Pitched roof: two slopes meeting over the middle, with gables.
        const float z0 = kPlatform + 130, z1 = kPlatform + 185, ym = (by0 + by1) / 2;
        const std::vector<Vec3> v{{bx0 - 10, by0 - 12, z0}, {bx1 + 10, by0 - 12, z0}, {bx1 + 10, ym, z1}, {bx0 - 10, ym, z1},
                                  {bx0 - 10, by1 + 12, z0}, {bx1 + 10, by1 + 12, z0}};
        const std::vector<AssetScene::Face> f{{{0, 1, 2, 3}, {0, 0, 8, 0, 8, 2, 0, 2}},
                                              {{5, 4, 3, 2}, {0, 0, 8, 0, 8, 2, 0, 2}},
                                              {{1, 5, 2}, {0, 0, 1, 0, 0.5f, 1}},
                                              {{4, 0, 3}, {0, 0, 1, 0, 0.5f, 1}}};
        s.Mesh("GareToit", {0, 0, 0}, v, f, m.slate);
    }
    // The clock on the building's front (its pendulum is in its own file).
    s.Box("GareHorloge", {25, by0 - 2, kPlatform + 140}, {-22, -2, -22}, {22, 0, 22}, m.clock);
    // A bench and a luggage trolley on the platform.
    s.Box("Banc", {-100, -420, kPlatform}, {-40, -10, 0}, {40, 10, 22}, m.wood);
    s.Box("Chariot", {150, -430, kPlatform}, {-30, -18, 8}, {30, 18, 20}, m.iron);

    // The yard behind the platform's east half, round the office.
    const float ox0 = 380, ox1 = 500, oy0 = -140, oy1 = -58;
    s.Box("Cour1", {460, -260, kBed}, {-160, -120, 0}, {160, 120, kYard - kBed}, m.gravel);   // y -380..-140
    s.Box("Cour2", {340, -60, kBed}, {-40, -80, 0}, {40, 80, kYard - kBed}, m.gravel);         // x 300..380
    s.Box("Cour3", {560, -60, kBed}, {-60, -80, 0}, {60, 80, kYard - kBed}, m.gravel);         // x 500..620
    s.Box("Cour4", {440, -29, kBed}, {-60, -29, 0}, {60, 29, kYard - kBed}, m.gravel);         // y -58..0
    // The office: floor, walls (door gap in the east wall, y -135..-85, wide
    // enough for the walker's sphere).
    s.Box("BureauSol", {440, -99, kBed}, {-60, -41, 0}, {60, 41, kOffice - kBed}, m.planks);
    const float wallTop = kRoof - kOffice - 2;
    Slab(s, "BureauMurOuest", ox0, oy0, ox0 + 4, oy1, kOffice, wallTop, m.plaster);
    Slab(s, "BureauMurSud", ox0, oy0, ox1, oy0 + 4, kOffice, wallTop, m.plaster);
    Slab(s, "BureauMurNord", ox0, oy1 - 4, ox1, oy1, kOffice, wallTop, m.plaster);
    Slab(s, "BureauMurEst1", ox1 - 4, oy0, ox1, -135, kOffice, wallTop, m.plaster);
    Slab(s, "BureauMurEst2", ox1 - 4, -85, ox1, oy1, kOffice, wallTop, m.plaster);
    Slab(s, "BureauLinteau", ox1 - 4, -135, ox1, -85, kOffice + 80, wallTop - 80, m.plaster);
    s.Box("BureauFenetre", {440, oy0 - 0.5f, kOffice + 35}, {-20, -1, 0}, {20, 1, 30}, m.glass);
    // Roof: the office roof with an overhang to the north-east, the raised part.
    s.Box("Toit", {445, -99, kRoof - 3}, {-70, -49, 0}, {70, 41, 3}, m.slate);     // x 375..515, y -148..-58
    s.Box("Auvent", {485, -44, kRoof - 3}, {-30, -14, 0}, {30, 14, 3}, m.slate);   // x 455..515, y -58..-30
    s.Box("ToitHaut", {494, -60, kRoof}, {-16, -30, 0}, {16, 30, kUpperRoof - kRoof}, m.brick);  // x 478..510
    s.Cylinder("Cheminee", {420, -120, kRoof}, 6, 40, 8, m.brick);
    for (float x : {460.0f, 512.0f}) s.Cylinder(("AuventPoteau" + std::to_string(static_cast<int>(x))).c_str(), {x, -32, kYard}, 2, kRoof - kYard - 3, 6, m.iron);
    // Furniture: the desk with the telephone, a cupboard.
    s.Box("Bureau", {400, -100, kOffice}, {-14, -30, 0}, {14, 30, 30}, m.wood);
    s.Box("Armoire", {470, -134, kOffice}, {-25, -4, 0}, {25, 4, 70}, m.wood);

    // The signal gallery over the points: a floor on stilts, railings, roof.
    // Two look-out platforms on stilts over the points, each with a roof.
    s.Box("Passerelle1", {672, 724, kGallery - 4}, {-15, -12, 0}, {15, 12, 4}, m.wood);  // x 657..687
    s.Box("Passerelle2", {753, 690, kGallery - 4}, {-8, -38, 0}, {8, 38, 4}, m.wood);    // y 652..728
    const Vec3 stilts[] = {{658, 713, 0}, {658, 735, 0}, {760, 730, 0}, {760, 655, 0}};
    for (int i = 0; i < 4; ++i)
        s.Cylinder(("Pilier" + std::to_string(i)).c_str(), {stilts[i].x, stilts[i].y, kBed}, 3, kGallery + 70 - kBed, 6, m.iron);
    s.Box("GardeCorpsEst", {761.5f, 690, kGallery}, {-0.5f, -38, 0}, {0.5f, 38, 18}, m.iron);
    // The home signal of the points, seen from the second platform.
    auto* signal = s.Cylinder("Signal", {880, 700, kBed}, 3, 200, 6, m.iron);
    s.Box("SignalBras", {0, -1, 170}, {-2, -40, -6}, {2, 0, 6}, s.Material("BrasSignal", 200, 40, 40), signal);
    s.Box("SignalLampe", {0, 0, 150}, {-5, -5, 0}, {5, 5, 10}, m.glass, signal);
    s.Box("PasserelleToit1", {672, 724, kGallery + 70}, {-18, -15, 0}, {18, 15, 3}, m.slate);
    s.Box("PasserelleToit2", {753, 690, kGallery + 70}, {-11, -40, 0}, {11, 40, 3}, m.slate);

    // Across the tracks: telegraph poles, a hedge, trees and the village.
    for (int i = 0; i < 8; ++i)
        s.Cylinder(("Telegraphe" + std::to_string(i)).c_str(), {-600 + 200 * static_cast<float>(i), -640, kBed}, 2.5f, 120, 5, m.wood);
    s.Box("Haie", {0, -700, kBed}, {-700, -8, 0}, {700, 8, 28}, s.Material("Haie", 60, 100, 45, "grass.bmp"));
    auto* leaves = s.Material("Feuillage", 70, 120, 50, "grass.bmp");
    const Vec3 trees[] = {{-420, -760}, {-150, -820}, {90, -760}, {380, -800}, {-650, -300}, {-600, 300}, {900, -200}, {300, 450}, {0, 250}};
    for (int i = 0; i < 9; ++i) {
        auto* trunk = s.Cylinder(("Tronc" + std::to_string(i)).c_str(), {trees[i].x, trees[i].y, kBed}, 5, 60, 6, m.wood);
        s.Cylinder(("Houppier" + std::to_string(i)).c_str(), {0, 0, 55}, 34 + 4 * static_cast<float>(i % 3), 70, 7, leaves, trunk);
    }
    const Vec3 houses[] = {{-380, -980}, {-140, -1040}, {120, -960}, {360, -1060}};
    for (int i = 0; i < 4; ++i) {
        const std::string n = std::to_string(i);
        const float x = houses[i].x, y = houses[i].y, w = 60 + 10 * static_cast<float>(i % 2), h = 70 + 15 * static_cast<float>(i % 3);
        s.Box(("Maison" + n).c_str(), {x, y, kBed}, {-w, -40, 0}, {w, 40, h}, i % 2 ? m.brick : m.plaster);
        s.Box(("MaisonPorte" + n).c_str(), {x, y + 40.5f, kBed}, {-10, -0.5f, 0}, {10, 0.5f, 40}, m.wood);
        const float z0 = kBed + h, z1 = z0 + 40;
        const std::vector<Vec3> v{{x - w - 6, y - 46, z0}, {x + w + 6, y - 46, z0}, {x + w + 6, y, z1}, {x - w - 6, y, z1},
                                  {x - w - 6, y + 46, z0}, {x + w + 6, y + 46, z0}};
        s.Mesh(("MaisonToit" + n).c_str(), {0, 0, 0}, v,
               {{{0, 1, 2, 3}, {0, 0, 4, 0, 4, 1, 0, 1}}, {{5, 4, 3, 2}, {0, 0, 4, 0, 4, 1, 0, 1}}, {{1, 5, 2}, {0, 0, 1, 0, 0.5f, 1}}, {{4, 0, 3}, {0, 0, 1, 0, 0.5f, 1}}},
               m.slate);
    }
    s.Cylinder("Clocher", {-20, -1150, kBed}, 30, 190, 8, m.stone);
    s.Cylinder("ClocherFleche", {-20, -1150, kBed + 190}, 12, 60, 8, m.slate);

    s.Camera("Camera01", {-258.44f, -508.2f, 29.546f}, {-258.44f + 25.8f, -508.2f - 96.6f, 29.546f}, 60);
    AddAllNames(names, s);
    if (!Save(pack, s, "U01/U01.S3D")) return false;

    // The lights, loaded last so that they reach every object: a low warm
    // evening sun, a cool sky light from the other side, the lanterns.
    AssetScene l;
    l.Omni("Soleil", {-900, -1400, 900}, 255, 215, 160, 1.0f);
    l.Omni("LumiereCiel", {1200, 1400, 700}, 150, 170, 220, 0.6f);
    l.Omni("Lanternes", {0, -470, 130}, 255, 210, 150, 0.5f);
    l.Omni("LampeBureau", {440, -100, kOffice + 70}, 255, 230, 180, 0.5f);
    return Save(pack, l, "U01/U01.L3D");
}

bool Characters(Pack& pack, UniverseNames& names) {
    {
        // The companion, on the platform north of the arrival point.
        AssetScene s;
        const demo::Character c = ClothedCharacter(s, "*U01_01", "$$$DUMMY.*01SParle", {-300, -440, kPlatform}, {70, 110, 150}, {230, 190, 160});
        s.Box("Casquette", {0, 0, 10}, {-10, -12, 0}, {10, 10, 4}, s.Material("Casquette", 40, 50, 90), c.head);
        if (!SpeakerFiles(pack, "U01", s, c, "U01_01", names)) return false;
    }
    {
        // The mayor, at the west end of the platform, on the red carpet,
        // with the card in his hand.
        AssetScene s;
        const demo::Character c = ClothedCharacter(s, "*U01_02", "$$$DUMMY.*02SParle", {-466, -395, kPlatform + 0.5f}, {40, 40, 50}, {235, 185, 160});
        auto* black = s.Material("Haut", 25, 25, 30);
        s.Cylinder("Chapeau", {0, 0, 10}, 8, 14, 8, black, c.head);
        s.Box("Echarpe", {0, 0, 38}, {-13, -13, 0}, {13, 13, 5}, s.Material("Tricolore", 40, 60, 200), c.root);
        auto* arm = s.Box("Bras", {9, -4, 48}, {-3, -3, -26}, {3, 3, 0}, s.Material("Manche", 45, 45, 55), c.root);
        s.Box("*U01_04", {0, -4, -26}, {-5, -1, -3}, {5, 1, 3}, s.Material("Carte", 245, 235, 200), arm);
        if (!SpeakerFiles(pack, "U01", s, c, "U01_02", names)) return false;
        // The card held out: the arm comes forward and up ("GiveCard"), high
        // enough for the card to show below the face of the one he greets.
        AssetScene give;
        KelmatAnimation* root = RestPose(give, c.root, 20);
        if (KelmatAnimation* a = FindAnim(root, "Bras")) give.PositionKeys(a, {{0, {9, -4, 48}}, {1, {9, -4, 48}}, {20, {9, -24, 80}}});
        if (!Save(pack, give, "U01/Anim/U01_02/Action03.A3D")) return false;
    }
    {
        // Ernest, the station master, waiting outside his office door.
        AssetScene s;
        auto* coat = s.Material("Uniforme", 30, 45, 90);
        auto* skin = s.Material("PeauErnest", 225, 170, 140);
        auto* body = s.Cylinder("*Ernest", {535, -110, kYard}, 16, 68, 8, coat);
        auto* head = s.Box("TeteErnest", {0, 0, 80}, {-11, -11, -12}, {11, 11, 12}, skin, body);
        s.Cylinder("Kepi", {0, 0, 12}, 11, 8, 8, coat, head);
        s.Box("Moustache", {0, -11.5f, -3}, {-7, -1, -1.5f}, {7, 1, 1.5f}, s.Material("Poil", 40, 30, 25), head);
        AddAllNames(names, s);
        if (!Save(pack, s, "U01/Perso/Ernest.O3D")) return false;
    }
    return true;
}

// A one-root file whose root animation moves it: `keys` of position and
// rotation (degrees) over `length` frames.
bool Animated(Pack& pack, AssetScene& s, KelmatObject* root, const std::string& objectFile, const std::string& animFile,
              int length, const std::vector<Key>& position, const std::vector<Key>& rotation, UniverseNames& names,
              const char* animated = nullptr) {
    if (!Save(pack, s, "U01/" + objectFile)) return false;
    AssetScene a;
    KelmatAnimation* tree = RestPose(a, root, length);
    KelmatAnimation* moving = animated ? FindAnim(tree, animated) : tree;
    if (!moving) return pack.Fail(std::string("no animation node ") + (animated ? animated : "?"));
    if (!position.empty()) a.PositionKeys(moving, position);
    if (!rotation.empty()) a.RotationKeys(moving, rotation);
    AddAllNames(names, s);
    names.animations.insert(moving->name);
    return Save(pack, a, "U01/" + animFile);
}

bool Props(Pack& pack, UniverseNames& names) {
    {
        // The office door, hinged at y -135 of the east wall, opening outwards.
        AssetScene s;
        auto* door = s.Box("*U01_07", {498, -135, kOffice}, {-2, 0, 0}, {2, 50, 78}, s.Material("Porte", 110, 60, 40, "wood.bmp"));
        s.Box("Poignee", {-3, 45, 40}, {-1, -1, -1}, {5, 1, 1}, s.Material("Laiton", 220, 180, 80), door);
        if (!Animated(pack, s, door, "Objets/Porte.O3D", "Anim/Porte.A3D", 12, {{0, {498, -135, kOffice}}},
                      {{0, {0, 0, 0}}, {12, {95, 0, 0}}}, names))
            return false;
    }
    {
        // The telephone on the desk: its receiver lifts.
        AssetScene s;
        auto* black = s.Material("Bakelite", 30, 30, 30);
        auto* base = s.Box("TelBase", {404, -95, kOffice + 30}, {-4, -5, 0}, {4, 5, 3}, black);
        s.Cylinder("Cadran", {4.2f, 0, 1}, 0.4f, 1.5f, 8, s.Material("CadranTel", 230, 230, 220), base);
        auto* receiver = s.Box("*U01_11", {0, 0, 3}, {-1.5f, -6, 0}, {1.5f, 6, 2}, s.Material("Combine", 60, 20, 20), base);
        (void)receiver;
        if (!Animated(pack, s, base, "Objets/Telephone.O3D", "Anim/Telephone.A3D", 10, {{0, {0, 0, 3}}, {10, {3, 0, 16}}}, {},
                      names, "*U01_11"))
            return false;
    }
    for (int i = 0; i < 2; ++i) {
        // Two drawers of the desk, sliding out towards the room (+x).
        AssetScene s;
        const std::string name = i == 0 ? "*U01_15" : "*U01_16";
        const float y = i == 0 ? -115 : -85;
        auto* drawer = s.Box(name.c_str(), {403, y, kOffice + 18}, {-10, -12, 0}, {12, 12, 9}, s.Material("Tiroir", 170, 120, 75, "wood.bmp"));
        s.Box(("Bouton" + std::to_string(i)).c_str(), {13, 0, 4}, {0, -2, -1}, {2, 2, 1}, s.Material("Laiton", 220, 180, 80), drawer);
        if (!Animated(pack, s, drawer, "Objets/Tiroir" + std::to_string(i + 1) + ".O3D", "Anim/Tiroir" + std::to_string(i + 1) + ".A3D",
                      10, {{0, {403, y, kOffice + 18}}, {10, {423, y, kOffice + 18}}}, {}, names))
            return false;
    }
    {
        // The time clock on the north wall with its card.
        AssetScene s;
        auto* clock = s.Box("Pointeuse", {470, -63, kOffice + 45}, {-10, -4, 0}, {10, 4, 22}, s.Material("Pointeuse", 130, 110, 70, "iron.bmp"));
        s.Box("*U01_06", {0, -4.5f, 4}, {-4, -0.5f, 0}, {4, 0.5f, 12}, s.Material("CartePointeuse", 240, 220, 150), clock);
        AddAllNames(names, s);
        if (!Save(pack, s, "U01/Objets/Pointeuse.O3D")) return false;
    }
    {
        // Ernest's key on its hook (the file keeps its old name).
        AssetScene s;
        auto* hook = s.Box("Crochet", {383, -75, kOffice + 50}, {0, -6, 0}, {3, 6, 10}, s.Material("Planchette", 120, 80, 50));
        s.Box("*U01_08P", {4, 0, 0}, {-1, -2, -6}, {1, 2, 2}, s.Material("Cle", 210, 170, 60), hook);
        AddAllNames(names, s);
        names.objects.erase("*U01_08P");
        names.objects.insert("*U01_08");
        if (!Save(pack, s, "U01/Objets/Cle.O3D")) return false;
    }
    {
        // The ladder against the office's north wall, and its top part
        // (shown when the player climbs).
        AssetScene s;
        auto* wood = s.Material("Echelle", 160, 120, 70, "wood.bmp");
        auto* ladder = s.Box("*U01_09", {440, -55, kYard}, {-13, -2, 0}, {-10, 2, 60}, wood);
        s.Box("MontantDroit", {23, 0, 0}, {-13, -2, 0}, {-10, 2, 60}, wood, ladder);
        for (int i = 0; i < 5; ++i)
            s.Box(("Barreau" + std::to_string(i)).c_str(), {0, 0, 10 + 12 * static_cast<float>(i)}, {-10, -1, 0}, {10, 1, 2}, wood, ladder);
        AddAllNames(names, s);
        if (!Save(pack, s, "U01/Objets/Echelle.O3D")) return false;
        AssetScene top;
        wood = top.Material("Echelle", 160, 120, 70, "wood.bmp");
        auto* part = top.Box("*U01_10", {440, -55, kYard + 60}, {-13, -2, 0}, {-10, 2, 32}, wood);
        top.Box("MontantHaut", {23, 0, 0}, {-13, -2, 0}, {-10, 2, 32}, wood, part);
        for (int i = 0; i < 3; ++i)
            top.Box(("BarreauHaut" + std::to_string(i)).c_str(), {0, 0, 2 + 12 * static_cast<float>(i)}, {-10, -1, 0}, {10, 1, 2}, wood, part);
        AddAllNames(names, top);
        if (!Save(pack, top, "U01/Objets/EchelleHaut.O3D")) return false;
    }
    {
        // The station bell by the building's door, and its pull rod.
        AssetScene s;
        auto* bell = s.Cylinder("Cloche", {260, -385, kPlatform + 100}, 8, 12, 8, s.Material("Bronze", 200, 150, 70, "brass.bmp"));
        s.Box("tige", {0, 0, -40}, {-1, -1, 0}, {1, 1, 40}, s.Material("Tige", 80, 80, 80), bell);
        AddAllNames(names, s);
        names.objects.erase("tige");
        names.objects.insert("*U01_12");
        if (!Save(pack, s, "U01/Objets/Cloche.O3D")) return false;
    }
    {
        // The clock's pendulum, swinging in its glass case below the dial.
        AssetScene s;
        auto* caseBox = s.Box("Horloge", {25, -383, kPlatform + 80}, {-8, -2, 0}, {8, 0, 36}, s.Material("Boitier", 90, 60, 40, "wood.bmp"));
        s.Box("*U01_03", {0, -2.5f, 4}, {-2, -0.5f, 0}, {2, 0.5f, 26}, s.Material("Balancier", 230, 190, 80), caseBox);
        if (!Animated(pack, s, caseBox, "Objets/Horloge.O3D", "Anim/Horloge.A3D", 20,
                      {{0, {0, -2.5f, 4}}, {5, {-5, -2.5f, 4}}, {15, {5, -2.5f, 4}}, {20, {0, -2.5f, 4}}}, {}, names, "*U01_03"))
            return false;
    }
    {
        // The points cabinet by the track, its door, and the lever inside:
        // the lever stands out of the cabinet's face, in the room left
        // behind the door, so that it shows and takes clicks once open.
        AssetScene s;
        auto* iron = s.Material("Coffret", 60, 110, 80, "iron.bmp");
        auto* cabinet = s.Box("Coffret", {740, 600, kBed}, {-12, -8, 0}, {12, 8, 50}, iron);
        s.Box("*U01_13", {-12, -14.5f, 20}, {0, -1, 0}, {24, 0, 28}, s.Material("PorteCoffret", 80, 130, 95, "iron.bmp"), cabinet);
        if (!Animated(pack, s, cabinet, "Objets/Coffret.O3D", "Anim/Coffret.A3D", 10, {{0, {-12, -14.5f, 20}}},
                      {{0, {0, 0, 0}}, {10, {100, 0, 0}}}, names, "*U01_13"))
            return false;
        AssetScene l;
        auto* lever = l.Box("*U01_14", {740, 588, kBed + 34}, {-3, -2, 0}, {3, 2, 10}, l.Material("Levier", 200, 40, 30));
        if (!Animated(pack, l, lever, "Objets/Levier.O3D", "Anim/Levier.A3D", 10,
                      {{0, {740, 588, kBed + 34}}, {10, {740, 588, kBed + 24}}}, {}, names))
            return false;
    }
    {
        // The points: the blade ("Object07") pivots at its heel; its red
        // handle ("Box31") is what the player pulls.
        AssetScene s;
        auto* base = s.Box("Aiguillage", {782, 650, kBed}, {-8, -8, 0}, {8, 8, 6}, s.Material("Socle", 110, 110, 100, "stone.bmp"));
        auto* blade = s.Box("Object07", {18, 0, 6}, {0, -2, 0}, {90, 2, 3}, s.Material("Lame", 170, 165, 160, "iron.bmp"), base);
        s.Box("Box31", {5, 32, 3}, {-2, -2, 0}, {2, 2, 40}, s.Material("Poignee", 200, 30, 30), blade);
        if (!Animated(pack, s, base, "Objets/Aiguillage.O3D", "Anim/Aiguillage.A3D", 100, {{0, {18, 0, 6}}},
                      {{0, {-90, 0, 0}}, {100, {-96, 0, 0}}}, names, "Object07"))
            return false;
        names.objects.erase("Box31");
        names.objects.insert("*U01_21");
        names.animations.insert("*U01_21");
    }
    {
        // Crates: two on the platform, the third across the ramp.
        const Vec3 at[3] = {{60, -500, kPlatform}, {110, -395, kPlatform}, {590, -470, kBed}};
        const Vec3 size[3] = {{14, 14, 24}, {16, 12, 30}, {40, 70, 45}};
        for (int i = 0; i < 3; ++i) {
            AssetScene s;
            s.Box("Box20", at[i], {-size[i].x, -size[i].y, 0}, {size[i].x, size[i].y, size[i].z}, s.Material("Caisse", 150, 110, 60, "wood.bmp"));
            if (!Save(pack, s, "U01/Objets/Caisse" + std::to_string(i + 1) + ".O3D")) return false;
            names.objects.insert("Box20" + std::to_string(i + 1));
        }
    }
    {
        // An old signal post, hidden by the script, out of every path; the
        // red carpet laid out for the visitors in front of the mayor.
        AssetScene s;
        s.Cylinder("Cylinder07", {-600, 100, kBed}, 4, 160, 6, s.Material("Signal", 120, 40, 40));
        AddAllNames(names, s);
        if (!Save(pack, s, "U01/Objets/Poteau.O3D")) return false;
        AssetScene c;
        c.Box("Tapiroug*", {-465, -425, kPlatform}, {-25, -55, 0}, {25, 55, 0.5f}, c.Material("TapisRouge", 170, 30, 40, "carpet.bmp"));
        AddAllNames(names, c);
        if (!Save(pack, c, "U01/Objets/Tapis.O3D")) return false;
    }
    return true;
}

// The train: a dummy "Train" holding the wagon "*U01_20" (deck, engine,
// chimney, wheels) and the marker "*U01_23" ahead of it.
bool TrainFiles(Pack& pack, UniverseNames& names) {
    const Loop loop;
    AssetScene s;
    auto* iron = s.Material("Locomotive", 40, 90, 60, "iron.bmp");
    auto* deckWood = s.Material("Plancher", 160, 120, 80, "wood.bmp");
    auto* black = s.Material("Roues", 30, 30, 30);
    auto* brass = s.Material("Cuivre", 220, 170, 70, "brass.bmp");
    const TrackPoint start = loop.At(0);
    auto* group = s.Node("Train", {0, 0, 0});
    auto* wagon = s.Box("*U01_20", {start.x, start.y, kDeck}, {-75, -24, -14}, {25, 24, 0}, deckWood, group);
    auto* engine = s.Box("Chaudiere", {50, 0, 0}, {-25, -16, 0}, {30, 16, 34}, iron, wagon);
    s.Cylinder("Cheminee", {20, 0, 34}, 6, 22, 8, black, engine);
    s.Cylinder("Dome", {-5, 0, 34}, 7, 8, 8, brass, engine);
    s.Box("Cabine", {-18, 0, 34}, {-7, -16, 0}, {7, 16, 24}, iron, engine);
    s.Box("RouesAvant", {10, 0, -14}, {-14, -22, -17}, {14, 22, 0}, black, wagon);
    s.Box("RouesArriere", {-55, 0, -14}, {-14, -22, -17}, {14, 22, 0}, black, wagon);
    s.Box("Ridelle", {-75, 0, 0}, {-2, -24, 0}, {0, 24, 8}, deckWood, wagon);
    s.Node("*U01_23", {150, 0, 42}, wagon);
    AddAllNames(names, s);
    names.animations.insert("*U01_20");
    if (!Save(pack, s, "U01/Objets/Train.O3D")) return false;

    // Track 1: the wagon round the loop, frames 0..kLoopFrames.
    AssetScene a;
    KelmatAnimation* root = RestPose(a, group, kLoopFrames);
    KelmatAnimation* wagonAnim = FindAnim(root, "*U01_20");
    std::vector<int> frames;
    for (int f = 0; f < kLoopFrames; f += 3) {
        if (f > kPointsFrame && frames.back() < kPointsFrame) frames.push_back(kPointsFrame);
        frames.push_back(f);
    }
    frames.push_back(kLoopFrames);
    std::vector<Key> position, rotation;
    for (int f : frames) {
        const TrackPoint p = f == kLoopFrames ? TrackPoint{start.x, start.y, 360} : loop.At(LoopDistance(loop, static_cast<float>(f)));
        position.push_back({f, {p.x, p.y, kDeck}});
        rotation.push_back({f, {-p.heading, 0, 0}});  // the kernel turns clockwise
    }
    a.PositionKeys(wagonAnim, position);
    a.RotationKeys(wagonAnim, rotation);
    if (!Save(pack, a, "U01/Anim/U01_20.A3D")) return false;

    // Track 2: the dummy carries the wagon (held where the points are) north
    // to the buffer stop; the identity up to frame kTrack2Start.
    AssetScene b;
    KelmatAnimation* root2 = RestPose(b, group, kTrack2End);
    b.PositionKeys(root2, {{0, {0, 0, 0}}, {kTrack2Start, {0, 0, 0}}, {kTrack2End, {0, kTrack2Length, 0}}});
    KelmatAnimation* held = FindAnim(root2, "*U01_20");
    const TrackPoint points = loop.At(loop.toPoints);
    b.PositionKeys(held, {{0, {points.x, points.y, kDeck}}});
    b.RotationKeys(held, {{0, {-90, 0, 0}}});
    return Save(pack, b, "U01/Anim/U01_20A.A3D");
}

bool Textures(Pack& pack) {
    const Rgb ochre{225, 180, 105}, slate{85, 95, 115}, rust{140, 80, 40};
    return pack.WriteTexture("U01/Maps/ochre.dmf", demo::PlasterTexture(128, ochre, 101)) &&
           pack.WriteTexture("U01/Maps/brick.dmf", demo::TileTexture(128, 8, {170, 85, 55}, {150, 70, 50}, {200, 190, 170}, 102)) &&
           pack.WriteTexture("U01/Maps/slate.dmf", demo::TileTexture(128, 8, slate, {70, 80, 100}, {40, 45, 55}, 103)) &&
           pack.WriteTexture("U01/Maps/stone.dmf", demo::TileTexture(128, 4, {185, 175, 155}, {165, 160, 145}, {110, 105, 95}, 104)) &&
           pack.WriteTexture("U01/Maps/gravel.dmf", demo::PlasterTexture(128, {135, 125, 110}, 105)) &&
           pack.WriteTexture("U01/Maps/grass.dmf", demo::PlasterTexture(128, {105, 140, 65}, 106)) &&
           pack.WriteTexture("U01/Maps/track.dmf", TrackTexture()) &&
           pack.WriteTexture("U01/Maps/iron.dmf", demo::MetalTexture(64, {60, 110, 80}, rust, 107)) &&
           pack.WriteTexture("U01/Maps/wood.dmf", demo::WoodTexture(128, {190, 140, 90}, {120, 80, 45}, 108)) &&
           pack.WriteTexture("U01/Maps/brass.dmf", demo::MetalTexture(64, {220, 170, 70}, {100, 120, 80}, 109)) &&
           pack.WriteTexture("U01/Maps/carpet.dmf", demo::PlasterTexture(64, {175, 30, 40}, 110)) &&
           pack.WriteTexture("U01/Maps/sky.dmf", SkyTexture()) && pack.WriteTexture("U01/Maps/clockface.dmf", ClockFace());
}

bool Sounds(Pack& pack) {
    const demo::Sound creak = demo::CreakSound(1.6f, 11);
    return pack.WriteWave("U01/Sound/U01.WAV", demo::AmbienceSound(8.0f, 12)) &&
           pack.WriteWave("U01/Sound/OpenDoor.WAV", creak) && pack.WriteWave("U01/Sound/CloseDoor.WAV", demo::CreakSound(1.0f, 13)) &&
           pack.WriteWave("U01/Sound/TelGrisi.WAV", Tone({{0, 0.05f}, {900, 0.08f}, {0, 0.05f}, {700, 0.08f}}, 0.7f)) &&
           pack.WriteWave("U01/Sound/TelGrisi2.WAV", Tone({{440, 1.5f}, {0, 3.0f}}, 0.5f)) &&
           pack.WriteWave("U01/Sound/s1_03.WAV", Tone({{0, 0.1f}, {600, 0.06f}, {0, 0.1f}, {600, 0.06f}, {0, 0.1f}, {600, 0.06f}, {0, 0.2f}}, 0.6f)) &&
           pack.WriteWave("U01/Sound/s1_04.WAV", demo::BellSound(520, 2.0f, 14)) &&
           pack.WriteWave("U01/Sound/s1_05.WAV", demo::CreakSound(0.6f, 15)) &&
           pack.WriteWave("U01/Sound/s1_06.WAV", Clank(0.8f, 300, 16)) &&
           pack.WriteWave("U01/Sound/s1_10.WAV", Steps(6, 17)) &&
           pack.WriteWave("U01/Sound/s1_11.WAV", Clank(0.5f, 420, 18)) &&
           pack.WriteWave("U01/Sound/s1_12.WAV", Chug(4.0f, 19)) &&
           pack.WriteWave("U01/Sound/s1_13.WAV", Clank(1.0f, 180, 20)) &&
           pack.WriteWave("U01/Sound/s1_14.WAV", Clank(0.4f, 240, 21));
}

// The spoken lines of "U01.voices": each voice and its timing file.
bool Voices(Pack& pack) {
    SpokenLines lines;
    lines.voicesFile = DemoDir() + "/universes/U01.voices";
    lines.styles = {
        {"U01_01", {"fr+m2", 62, 155, 1}},  // the companion: young, quick
        {"U01_02", {"fr+m1", 30, 135, 2}},  // the mayor: low and slow
        {"-", {"fr+m4", 45, 170, 3}},       // Ernest on the telephone
    };
    lines.waveDir = lines.timingDir = "U01/Sound";
    return WriteSpokenLines(pack, lines);
}

}  // namespace

bool BuildU01(Pack& pack) {
    for (const char* dir : {"U01", "U01/Maps", "U01/Sound", "U01/Anim", "U01/Anim/U01_01", "U01/Anim/U01_02", "U01/Objets", "U01/Perso"})
        if (!pack.MakeDir(dir)) return false;
    if (!Textures(pack) || !Sounds(pack) || !Voices(pack)) return false;

    UniverseNames names;
    if (!Scenery(pack, names) || !Characters(pack, names) || !Props(pack, names) || !TrainFiles(pack, names)) return false;
    names.operations = {"TakeCard", "ClickMaire", "OpenDoor", "CloseDoor", "TakeCarteHorloge", "OpenBoitier",
                        "BaisserManette", "ClicTel", "OpenTiroir1", "OpenTiroir2", "MonterSurToit", "DoInterrupteur"};

    const char* list =
        "; Universe 1: the station\r\n"
        "scene=\"U01.S3D\"\r\n"
        "object=\"Objets\\Porte.O3D\" animation=\"Anim\\Porte.A3D,3\"\r\n"
        "object=\"Objets\\Telephone.O3D\" animation=\"Anim\\Telephone.A3D,10\"\r\n"
        "object=\"Objets\\Tiroir1.O3D\" animation=\"Anim\\Tiroir1.A3D,10\"\r\n"
        "object=\"Objets\\Tiroir2.O3D\" animation=\"Anim\\Tiroir2.A3D,10\"\r\n"
        "object=\"Objets\\Pointeuse.O3D\"\r\n"
        "object=\"Objets\\Cle.O3D\"\r\n"
        "object=\"Objets\\Echelle.O3D\"\r\n"
        "object=\"Objets\\EchelleHaut.O3D\"\r\n"
        "object=\"Objets\\Cloche.O3D\"\r\n"
        "object=\"Objets\\Horloge.O3D\" animation=\"Anim\\Horloge.A3D,10\"\r\n"
        "object=\"Objets\\Coffret.O3D\" animation=\"Anim\\Coffret.A3D,10\"\r\n"
        "object=\"Objets\\Levier.O3D\" animation=\"Anim\\Levier.A3D,10\"\r\n"
        "object=\"Objets\\Aiguillage.O3D\" animation=\"Anim\\Aiguillage.A3D,40\"\r\n"
        "object=\"Objets\\Caisse1.O3D\"\r\n"
        "object=\"Objets\\Caisse2.O3D\"\r\n"
        "object=\"Objets\\Caisse3.O3D\" ; across the ramp until the script lifts it\r\n"
        "object=\"Objets\\Poteau.O3D\"\r\n"
        "object=\"Objets\\Tapis.O3D\"\r\n"
        "object=\"Objets\\Train.O3D\" animation=\"Anim\\U01_20.A3D,10\"\r\n"
        "object=\"Perso\\U01_01.O3D\" animation=\"Anim\\U01_01\\Attente.A3D,10\"\r\n"
        "object=\"Perso\\U01_02.O3D\" animation=\"Anim\\U01_02\\Attente.A3D,10\"\r\n"
        "object=\"Perso\\Ernest.O3D\"\r\n"
        "light=\"U01.L3D\"\r\n";
    // The painting's view of the station: the scenery alone.
    if (!WriteLists(pack, "U01", list, "The station as the painting shows it")) return false;

    if (!WriteSceneInfo(pack, "U01", 125, 110, 100, 20.0f, 37.0f)) return false;
    return pack.CompileTables("U01", DemoDir() + "/universes/U01.tables", names);
}

}  // namespace pack
