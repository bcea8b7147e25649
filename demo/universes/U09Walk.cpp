// The walking course, laid into the test rooms (floors at z = 10, ceiling
// at z = 170, scale 40: eye 60 above the ground, collision sphere of radius
// 20 whose centre is 20 below the eye).
//
// Room A, east side: six stairs with risers of 11.7 (under the 20 the
// sphere clears) up to a gallery 70 above the floor; its open west edge is
// the ledge (a fall of 70, more than 1.5 x scale, lands with "SAUT.WAV").
// The gallery's underside is 50 above the floor: standing, the sphere
// (up to 60) meets its edge; crouched (eye 23, sphere up to 41) one passes
// under it. Room A, west side: a dais 30 high, a step too high to climb.
// South-west corner: a wall at 45 degrees. Room B: a glass screen, only a
// frame is drawn; the pane is a collision-only object.
#include "demo/universes/U09Walk.h"

#include <cmath>
#include <string>

#include "demo/lib/AssetScene.h"
#include "demo/lib/Media.h"

namespace pack {

namespace {

using demo::AssetScene;

constexpr float kFloor = 10;
constexpr float kGalleryTop = kFloor + 70;
constexpr float kGalleryUnder = kFloor + 50;
constexpr int kStairs = 6;

bool SaveScene(Pack& pack, AssetScene& scene, const std::string& rel) {
    std::string why;
    if (!scene.Save(pack.Path(rel), why)) return pack.Fail(why);
    return true;
}

// A dull thud: low partials that die within a quarter of a second.
demo::Sound LandingSound() {
    demo::Sound s;
    const int count = s.rate * 2 / 5;
    s.samples.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(s.rate);
        const float body = std::sin(2 * 3.14159265f * 58 * t) + 0.6f * std::sin(2 * 3.14159265f * 91 * t) +
                           0.3f * std::sin(2 * 3.14159265f * 143 * t);
        const float attack = std::min(1.0f, t / 0.004f);
        s.samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(11000.0f * attack * std::exp(-t * 14.0f) * body);
    }
    return s;
}

}  // namespace

bool BuildU09Walk(Pack& pack, UniverseNames& names) {
    if (!pack.WriteTexture("U09/Maps/stone.dmf", demo::PlasterTexture(128, {168, 160, 150}, 57)) ||
        !pack.WriteWave("SAUT.WAV", LandingSound()))
        return false;

    AssetScene s;
    auto* wood = s.Material("GalleryWood", 190, 140, 95, "wood.bmp");
    auto* dark = s.Material("PostWood", 110, 75, 50, "wood.bmp");
    auto* stone = s.Material("Stone", 170, 160, 150, "stone.bmp");
    auto* plaster = s.Material("SlantPlaster", 210, 200, 180, "plaster.bmp");
    auto* brass = s.Material("FrameBrass", 225, 175, 80, "brass.bmp");
    auto* canvas = s.Material("Canvas", 235, 225, 200);

    // Stairs up the east wall of room A, each a solid block from the floor.
    for (int i = 0; i < kStairs; ++i) {
        const float top = 70.0f * static_cast<float>(i + 1) / kStairs;
        const float y0 = -30.0f + 20.0f * static_cast<float>(i);
        s.Box(("Stair" + std::to_string(i + 1)).c_str(), {160, y0 + 10, kFloor}, {-40, -10, 0}, {40, 10, top}, stone);
    }
    // The gallery: a slab on two posts, against the east and middle walls.
    s.Box("Gallery", {155, 143.5f, kGalleryUnder}, {-45, -53.5f, 0}, {45, 53.5f, kGalleryTop - kGalleryUnder}, wood);
    s.Box("GalleryPostS", {114, 94, kFloor}, {-4, -4, 0}, {4, 4, kGalleryUnder - kFloor}, dark);
    s.Box("GalleryPostN", {114, 193, kFloor}, {-4, -4, 0}, {4, 4, kGalleryUnder - kFloor}, dark);

    // The dais: 30 high, more than the sphere clears.
    s.Box("Dais", {-160, 40, kFloor}, {-40, -50, 0}, {40, 50, 30}, stone);

    // The slanted wall across the south-west corner, ends let into the walls.
    KelmatObject* slant = s.Box("WallSlant", {-153, -153, kFloor}, {-66, -3, 0}, {66, 3, 160}, plaster);
    s.Turn(slant, -45);

    // Room B: the glass screen's frame (the pane is "ColGlass"), and an easel behind it.
    s.Box("GlassPostW", {63, 520, kFloor}, {-3, -3, 0}, {3, 3, 136}, brass);
    s.Box("GlassBeam", {131, 520, kFloor + 136}, {-71, -3, 0}, {69, 3, 6}, brass);
    s.Box("EaselLegL", {120, 570, kFloor}, {-2, -2, 0}, {2, 2, 110}, dark);
    s.Box("EaselLegR", {160, 570, kFloor}, {-2, -2, 0}, {2, 2, 110}, dark);
    s.Box("EaselCanvas", {140, 566, kFloor + 50}, {-26, -1, 0}, {26, 1, 44}, canvas);

    for (KelmatObject* o = s.Scene()->objects; o; o = o->next) names.objects.insert(o->name);
    if (!SaveScene(pack, s, "U09/Walk.O3D")) return false;

    // Collision only: the pane between the post and the east wall, never drawn.
    AssetScene glass;
    glass.Box("ColGlass", {131, 520, kFloor}, {-65, -1.5f, 0}, {69, 1.5f, 136}, glass.Material("Invisible", 0, 0, 0));
    names.objects.insert("ColGlass");
    return SaveScene(pack, glass, "U09/Static/ColGlass.O3D");
}

std::string U09WalkListEntries() {
    return "object=\"Walk.O3D\"\r\n"
           "object=\"Static\\ColGlass.O3D\" ; collision only\r\n";
}

}  // namespace pack
