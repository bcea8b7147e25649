#include "demo/universes/U0607.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace pack::u0607 {

namespace {

constexpr float kPi = 3.14159265f;

void AddTree(UniverseNames& names, const KelmatObject* o) {
    for (; o; o = o->nextSibling) {
        names.objects.insert(o->name);
        AddTree(names, o->firstChild);
    }
}

std::int16_t Sample(float v) {
    v = std::max(-1.0f, std::min(1.0f, v));
    return static_cast<std::int16_t>(v * 22000.0f);
}

}  // namespace

bool Save(Pack& pack, demo::AssetScene& scene, const std::string& rel) {
    std::string why;
    return scene.Save(pack.Path(rel), why) || pack.Fail(why);
}

void AddNames(UniverseNames& names, demo::AssetScene& scene) {
    for (const KelmatObject* o = scene.Scene()->objects; o; o = o->next)
        if (!o->parent) AddTree(names, o);
}

demo::Sound Hiss(float seconds, float loud, unsigned seed) {
    demo::Sound s;
    const int n = static_cast<int>(seconds * static_cast<float>(s.rate));
    float low = 0.0f;
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(s.rate);
        const float edge = std::min(1.0f, std::min(t, seconds - t) * 20.0f);
        const float noise = demo::TileNoise(static_cast<float>(i) * 0.97f, 1.3f, 65536, seed) - 0.5f;
        low += (noise - low) * 0.45f;
        const float flutter = 0.75f + 0.25f * std::sin(2 * kPi * 7.0f * t);
        s.samples.push_back(Sample(low * 2.2f * loud * edge * flutter));
    }
    return s;
}

demo::Sound Hooves(float seconds, unsigned seed) {
    demo::Sound s;
    const int n = static_cast<int>(seconds * static_cast<float>(s.rate));
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(s.rate);
        // Four beats a stride, two strides a second.
        const float beat = std::fmod(t * 8.0f, 1.0f) + (static_cast<int>(t * 8.0f) % 4 == 3 ? 0.5f : 0.0f);
        const float knock = std::exp(-beat * 40.0f);
        const float noise = demo::TileNoise(static_cast<float>(i) * 0.8f, 2.0f, 65536, seed) - 0.5f;
        s.samples.push_back(Sample(knock * (noise * 0.8f + 0.5f * std::sin(2 * kPi * 140.0f * t))));
    }
    return s;
}

demo::Sound Rumble(float seconds, unsigned seed) {
    demo::Sound s;
    const int n = static_cast<int>(seconds * static_cast<float>(s.rate));
    float low = 0.0f;
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(s.rate);
        const float noise = demo::TileNoise(static_cast<float>(i) * 0.93f, 1.7f, 65536, seed) - 0.5f;
        low += (noise - low) * 0.08f;
        const float boom = std::exp(-t * 2.5f) * std::sin(2 * kPi * (45.0f - 10.0f * t) * t);
        const float rubble = noise * std::exp(-t * 1.5f) * 0.3f * (std::fmod(t * 11.0f, 1.0f) < 0.2f ? 1.0f : 0.3f);
        s.samples.push_back(Sample(boom * 0.9f + low * 4.0f * std::exp(-t) + rubble));
    }
    return s;
}

}  // namespace pack::u0607
