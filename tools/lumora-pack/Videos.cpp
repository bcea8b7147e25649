// The videos: flights through universes already written, rendered by the
// kernel with the game's own scene-list loader, and their companion waves.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "include/zelt/zelt.h"
#include "lumora/engine/SceneList.h"
#include "platform/PixelView.h"
#include "tools/lumora-pack/AviWriter.h"
#include "tools/lumora-pack/Universes.h"

namespace pack {

namespace {

constexpr float kPi = 3.14159265f;

struct CameraPose {
    ZeltVector eye, look;
};

struct Shot {
    const char* folder;  // universe folder, "U01"
    const char* avi;     // "Video/Prologue.AVI"
    int width, height, fps, frames;
    std::function<CameraPose(float t)> camera;  // t from 0 to 1 over the shot
    const demo::Sound* track;                   // the movie's own sound track, or none
};

// Loads the universe's scene list into a fresh kernel scene and writes the
// movie seen from its first camera moved along `shot.camera`.
bool RenderShot(Pack& pack, const Shot& shot) {
    ZeltScene* scene = nullptr;
    if (!Zelt_Scene_Create(&scene)) return pack.Fail("the kernel cannot create a scene");
    struct Release {
        ZeltScene* scene;
        ~Release() {
            Zelt_Scene_Release(scene);
            SetKernelMapDirs(nullptr);
        }
    } release{scene};
    const std::string dir = pack.Path(std::string(shot.folder) + "/");
    XMapDirs maps;
    maps.Add((dir + "Maps\\").c_str());
    SetKernelMapDirs(&maps);
    XSceneListTarget target;
    target.m_Scene = scene;
    target.m_Dir = dir.c_str();
    if (!LoadSceneFile(target, (dir + shot.folder + ".ZELT").c_str()))
        return pack.Fail(std::string(shot.avi) + ": its scene does not load");
    Zelt_Scene_Set_Ambient_Light(scene, 110, 100, 90);
    ZeltCamera* camera = Zelt_Scene_Get_First_Camera(scene);
    if (!camera ||
        !Zelt_Scene_Init_Resolution(scene, 0, 0, shot.width, shot.height, shot.width, 1.0f, 1.0f, 100000.0f) ||
        !Zelt_Scene_Init_Render(scene, 1, nullptr))
        return pack.Fail(std::string(shot.avi) + ": its scene cannot render");
    Zelt_Scene_Set_Active_Camera(scene, camera);

    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(shot.width) * shot.height);
    bool rendered = true;
    auto frame = [&](int i, std::vector<std::uint8_t>& rgb) {
        const CameraPose pose = shot.camera(static_cast<float>(i) / static_cast<float>(shot.frames - 1));
        Zelt_Camera_Set_Position(camera, &pose.eye);
        Zelt_Camera_Set_Target(camera, &pose.look);
        if (!Zelt_Render(scene, pixels.data(), nullptr, 1)) rendered = false;
        for (std::size_t p = 0; p < pixels.size(); ++p) {
            const platform::Rgb8 c = platform::Rgb565To888(pixels[p]);
            rgb[p * 3] = c.r;
            rgb[p * 3 + 1] = c.g;
            rgb[p * 3 + 2] = c.b;
        }
    };
    AviSound sound;
    if (shot.track) {
        sound.rate = shot.track->rate;
        sound.samples = shot.track->samples;
    }
    std::string why;
    if (!WriteMjpegAvi(pack.Path(shot.avi), shot.width, shot.height, shot.fps, shot.frames, frame,
                       shot.track ? &sound : nullptr, why))
        return pack.Fail(why);
    if (!rendered) return pack.Fail(std::string(shot.avi) + ": the kernel could not render it");
    return true;
}

float Smooth(float t) { return t * t * (3.0f - 2.0f * t); }

// The fair's films: the projectionist's reel (a turn before the big top by
// day), the second reel (round the carousel) and the ride away on the
// bicycle, "RouGiv", from the cinema out past the tent. Two seconds each.
bool BuildFairVideos(Pack& pack) {
    const Shot reel{"U03", "Video/U33_01.AVI", 320, 240, 12, 24,
                    [](float t) {
                        const float a = kPi * (1.3f + 0.4f * Smooth(t));
                        return CameraPose{{450 + 420 * std::cos(a), 320 + 420 * std::sin(a), 120}, {450, 320, 90}};
                    },
                    nullptr};
    const Shot second{"U03", "Video/U33_02.AVI", 320, 240, 12, 24,
                      [](float t) {
                          const float a = kPi * (0.8f + 0.6f * t);
                          return CameraPose{{800 + 260 * std::cos(a), -150 + 260 * std::sin(a), 70}, {800, -150, 50}};
                      },
                      nullptr};
    const Shot ride{"U33", "Video/RouGiv.AVI", 320, 240, 12, 24,
                    [](float t) {
                        const float s = Smooth(t);
                        return CameraPose{{380 + 520 * s, 570 + 40 * s, 55}, {980, 640, 50}};
                    },
                    nullptr};
    // Every video has its wave beside it: the films' music and the ride's
    // rattle (the scripts play the films silent and the ride with "s6_1").
    return RenderShot(pack, reel) && RenderShot(pack, second) && RenderShot(pack, ride) &&
           pack.WriteWave("Video/U33_01.wav", demo::MusicSound(2.0f, 67)) &&
           pack.WriteWave("Video/U33_02.wav", demo::MusicSound(2.0f, 68)) &&
           pack.WriteWave("Video/RouGiv.wav", demo::RailSound(2.0f, 69));
}

}  // namespace

bool BuildVideos(Pack& pack) {
    // The test rooms: the camera walks from the south wall to the doorway,
    // looking around; the room's chime is its sound track and its wave.
    const demo::Sound chime = demo::ChimeSound(36.0f / 12.0f);
    const Shot test{"U09", "Video/Test.AVI", 320, 240, 12, 36,
                    [](float t) {
                        const ZeltVector eye{40.0f * std::sin(t * kPi), -170.0f + 250.0f * t, 70.0f};
                        return CameraPose{eye, {120.0f * std::cos(t * kPi), eye.y + 150.0f, 55.0f}};
                    },
                    &chime};
    if (!RenderShot(pack, test) || !pack.WriteWave("Video/Test.wav", chime)) return false;

    // The prologue: eight seconds over the station, from high above the
    // points round the office and the station building, down to the
    // platform where the visit begins. The game plays its music from the
    // companion wave, so the movie itself is silent.
    constexpr int kPrologueFps = 12, kPrologueFrames = 96;
    const Shot prologue{"U01", "Video/Prologue.AVI", 320, 240, kPrologueFps, kPrologueFrames,
                        [](float t) {
                            const float s = Smooth(t);
                            const float angle = kPi * (0.15f + 1.2f * s);
                            const float radius = 1250.0f - 700.0f * s;
                            const ZeltVector centre{150.0f - 350.0f * s, -50.0f - 450.0f * s, -30.0f};
                            const ZeltVector eye{centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle),
                                                 520.0f - 370.0f * s};
                            return CameraPose{eye, centre};
                        },
                        nullptr};
    if (!RenderShot(pack, prologue)) return false;
    const float seconds = static_cast<float>(kPrologueFrames) / kPrologueFps;
    if (!pack.WriteWave("Video/Prologue.wav", demo::MusicSound(seconds, 61))) return false;

    if (!BuildFairVideos(pack)) return false;
    // Le Havre to Rouen: three seconds high over the harbour's square,
    // following the train's track east past the station building. Silent:
    // the game plays the travel wave "s6_1" beside it; its companion wave of
    // the same name is the train under way.
    const Shot leHavre{"U02", "Video/LeHavRou.AVI", 320, 240, 12, 36,
                       [](float t) {
                           const float s = Smooth(t);
                           const ZeltVector eye{450.0f + 1300.0f * s, -520.0f + 120.0f * s, 330.0f - 60.0f * s};
                           return CameraPose{eye, {eye.x + 500.0f, 255.0f, 30.0f}};
                       },
                       nullptr};
    if (!RenderShot(pack, leHavre) || !pack.WriteWave("Video/LeHavRou.wav", demo::RailSound(3.0f, 67))) return false;
    // The epilogue: five seconds rising from the clearing's flower bed over
    // the keeper's hut into the evening sky; its music is its wave.
    constexpr int kEpilogueFps = 12, kEpilogueFrames = 60;
    const Shot epilogue{"U06", "Video/Epilogue.AVI", 320, 240, kEpilogueFps, kEpilogueFrames,
                        [](float t) {
                            const float s = Smooth(t);
                            const ZeltVector eye{-500.0f + 260.0f * s, -520.0f - 300.0f * s, 10.0f + 420.0f * s};
                            return CameraPose{eye, {-500.0f, 100.0f - 80.0f * s, 20.0f + 120.0f * s}};
                        },
                        nullptr};
    if (!RenderShot(pack, epilogue) ||
        !pack.WriteWave("Video/Epilogue.wav", demo::MusicSound(static_cast<float>(kEpilogueFrames) / kEpilogueFps, 67)))
        return false;
    // From the painter's garden to Paris: two seconds rising over the house
    // towards the road; the travel wave plays with it.
    const Shot givParis{"U04", "Video/GivParis.AVI", 320, 240, 12, 24,
                        [](float t) {
                            const float s = Smooth(t);
                            const ZeltVector eye{-30.0f + 20.0f * s, 250.0f + 150.0f * s, 20.0f + 260.0f * s};
                            return CameraPose{eye, {-40.0f, 700.0f + 300.0f * s, 40.0f}};
                        },
                        nullptr};
    if (!RenderShot(pack, givParis)) return false;

    // The travel videos' shared wave: the train under way.
    return pack.WriteWave("Video/s6_1.wav", demo::RailSound(8.0f, 66));
}

}  // namespace pack
