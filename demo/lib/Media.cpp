#include "demo/lib/Media.h"

#include <algorithm>
#include <cmath>

namespace demo {

namespace {

constexpr float kPi = 3.14159265f;

std::uint32_t Hash(int x, int y, unsigned seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u +
                      seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

// Deterministic generator for sounds and strokes.
struct Random {
    std::uint32_t state;
    explicit Random(unsigned seed) : state(seed * 2654435761u + 1) {}
    float Next() {  // 0..1
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(state & 0xFFFFFF) / 16777215.0f;
    }
};

int Mix(int a, int b, float t) { return static_cast<int>(static_cast<float>(a) + (static_cast<float>(b - a)) * t); }

Rgb Mix(Rgb a, Rgb b, float t) { return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)}; }

// Fades both ends over `length` samples so a looping sound has no click.
void FadeLoopJoint(Sound& s, std::size_t length) {
    const std::size_t n = s.samples.size(), fade = std::min(n / 2, length);
    for (std::size_t i = 0; i < fade; ++i) {
        const float w = static_cast<float>(i) / static_cast<float>(fade);
        s.samples[i] = static_cast<std::int16_t>(static_cast<float>(s.samples[i]) * w);
        s.samples[n - 1 - i] = static_cast<std::int16_t>(static_cast<float>(s.samples[n - 1 - i]) * w);
    }
}

Sound Silence(float seconds) {
    Sound s;
    s.samples.assign(static_cast<std::size_t>(seconds * static_cast<float>(s.rate)), 0);
    return s;
}

std::int16_t Clip(float v) { return static_cast<std::int16_t>(std::clamp(v, -1.0f, 1.0f) * 32000.0f); }

}  // namespace

void Image::Set(int x, int y, int r, int g, int b) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
    p[0] = static_cast<std::uint8_t>(std::clamp(r, 0, 255));
    p[1] = static_cast<std::uint8_t>(std::clamp(g, 0, 255));
    p[2] = static_cast<std::uint8_t>(std::clamp(b, 0, 255));
}

float TileNoise(float x, float y, int period, unsigned seed) {
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float fx = x - static_cast<float>(x0), fy = y - static_cast<float>(y0);
    auto at = [&](int i, int j) {
        i = ((i % period) + period) % period;
        j = ((j % period) + period) % period;
        return static_cast<float>(Hash(i, j, seed) & 0xFFFF) / 65535.0f;
    };
    const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const float a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    const float b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return a + (b - a) * sy;
}

float TileFractal(float x, float y, int period, int octaves, unsigned seed) {
    float sum = 0, weight = 0, amplitude = 1;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * TileNoise(x, y, period, seed + static_cast<unsigned>(o) * 101u);
        weight += amplitude;
        amplitude *= 0.5f;
        x *= 2;
        y *= 2;
        period *= 2;
    }
    return sum / weight;
}

Image WoodTexture(int size, Rgb light, Rgb dark, unsigned seed) {
    Image image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = static_cast<float>(x) / static_cast<float>(size), v = static_cast<float>(y) / static_cast<float>(size);
            // Grain runs along x: rings from a wavering distance across y.
            const float warp = TileFractal(u * 4, v * 4, 4, 3, seed) * 2.0f;
            const float ring = 0.5f + 0.5f * std::sin((v * 12.0f + warp) * 2 * kPi);
            const float fleck = TileNoise(u * 64, v * 8, 64, seed + 7) * 0.25f;
            const Rgb c = Mix(light, dark, std::clamp(ring * 0.7f + fleck, 0.0f, 1.0f));
            image.Set(x, y, c.r, c.g, c.b);
        }
    return image;
}

Image PlasterTexture(int size, Rgb base, unsigned seed) {
    Image image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = static_cast<float>(x) / static_cast<float>(size), v = static_cast<float>(y) / static_cast<float>(size);
            const float n = TileFractal(u * 8, v * 8, 8, 4, seed);
            const float stain = std::max(0.0f, TileFractal(u * 2, v * 2, 2, 2, seed + 3) - 0.6f) * 1.5f;
            const float shade = 0.85f + 0.3f * n - stain * 0.4f;
            image.Set(x, y, static_cast<int>(static_cast<float>(base.r) * shade), static_cast<int>(static_cast<float>(base.g) * shade),
                      static_cast<int>(static_cast<float>(base.b) * (shade - stain * 0.2f)));
        }
    return image;
}

Image TileTexture(int size, int tiles, Rgb a, Rgb b, Rgb grout, unsigned seed) {
    Image image(size, size);
    const int cell = size / tiles;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int cx = x / cell, cy = y / cell;
            const bool edge = x % cell < 2 || y % cell < 2;
            Rgb c = ((cx + cy) & 1) ? a : b;
            const float n = TileFractal(static_cast<float>(x) / static_cast<float>(size) * 8, static_cast<float>(y) / static_cast<float>(size) * 8, 8, 3, seed);
            c = Mix(c, grout, n * 0.25f);
            if (edge) c = grout;
            image.Set(x, y, c.r, c.g, c.b);
        }
    return image;
}

Image MetalTexture(int size, Rgb base, Rgb rust, unsigned seed) {
    Image image(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float u = static_cast<float>(x) / static_cast<float>(size), v = static_cast<float>(y) / static_cast<float>(size);
            const float brushed = TileNoise(u * 2, v * 64, 2, seed) * 0.2f;
            const float spots = std::max(0.0f, TileFractal(u * 4, v * 4, 4, 4, seed + 11) - 0.55f) * 2.5f;
            Rgb c = Mix(base, rust, std::clamp(spots, 0.0f, 1.0f));
            const float shade = 0.9f + brushed;
            image.Set(x, y, static_cast<int>(static_cast<float>(c.r) * shade), static_cast<int>(static_cast<float>(c.g) * shade),
                      static_cast<int>(static_cast<float>(c.b) * shade));
        }
    return image;
}

Sound BellSound(float frequency, float seconds, unsigned seed) {
    Sound s = Silence(seconds);
    static const float kPartials[] = {1.0f, 2.0f, 2.4f, 3.0f, 4.2f};
    Random random(seed);
    float phase[5];
    for (float& p : phase) p = random.Next() * 2 * kPi;
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(s.rate);
        float v = 0;
        for (int k = 0; k < 5; ++k)
            v += std::sin(2 * kPi * frequency * kPartials[k] * t + phase[k]) * std::exp(-t * (1.5f + k)) / (1.0f + k);
        s.samples[i] = Clip(v * 0.45f * std::min(1.0f, t * 400));
    }
    return s;
}

Sound CreakSound(float seconds, unsigned seed) {
    Sound s = Silence(seconds);
    Random random(seed);
    float phase = 0, noise = 0;
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(s.rate);
        const float pitch = 90.0f + 40.0f * std::sin(t * 3.1f) + 15.0f * std::sin(t * 17.0f);
        phase += 2 * kPi * pitch / static_cast<float>(s.rate);
        noise = noise * 0.9f + (random.Next() - 0.5f) * 0.1f;
        // Stick-slip: a sawtooth whose pulses are roughened by noise.
        const float saw = std::fmod(phase, 2 * kPi) / kPi - 1.0f;
        const float envelope = std::sin(kPi * t / seconds);
        s.samples[i] = Clip((saw * 0.3f + noise * 2.0f) * envelope);
    }
    return s;
}

Sound ChimeSound(float seconds) {
    Sound s = Silence(seconds);
    static const float kNotes[] = {523.25f, 659.25f, 783.99f};
    for (std::size_t i = 0; i < s.samples.size(); ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(s.rate);
        float v = 0;
        for (int n = 0; n < 3; ++n) {
            const float start = static_cast<float>(n) * seconds / 4;
            if (t < start) continue;
            const float u = t - start;
            v += std::sin(2 * kPi * kNotes[n] * u) * std::exp(-u * 3.0f) * std::min(1.0f, u * 300);
        }
        s.samples[i] = Clip(v * 0.3f);
    }
    return s;
}

Sound AmbienceSound(float seconds, unsigned seed) {
    Sound s = Silence(seconds);
    Random random(seed);
    float low = 0, lower = 0;
    const std::size_t n = s.samples.size();
    for (std::size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(s.rate);
        // Wind: twice low-passed noise whose strength swells slowly; the swell
        // is periodic over the length, so the loop joins.
        low += (random.Next() - 0.5f - low) * 0.02f;
        lower += (low - lower) * 0.05f;
        const float swell = 0.6f + 0.4f * std::sin(2 * kPi * t / seconds);
        float v = lower * 6.0f * swell;
        // A bird call now and then: short rising chirps.
        const float cycle = std::fmod(t, seconds / 3);
        if (cycle > 1.0f && cycle < 1.25f) {
            const float u = cycle - 1.0f;
            v += std::sin(2 * kPi * (2500.0f + 4000.0f * u) * u) * std::sin(kPi * u / 0.25f) * 0.15f;
        }
        s.samples[i] = Clip(v);
    }
    FadeLoopJoint(s, 2000);
    return s;
}

Sound BabbleVoice(float seconds, float pitch, unsigned seed) {
    Sound s = Silence(seconds);
    Random random(seed);
    // Formant pairs of a few vowels (a, e, i, o, ou).
    static const float kFormants[5][2] = {{730, 1090}, {530, 1840}, {270, 2290}, {570, 840}, {300, 870}};
    const std::size_t n = s.samples.size();
    const float rate = static_cast<float>(s.rate);
    float phase = 0;
    float syllableEnd = 0, syllableStart = 0;
    int vowel = 0;
    // Two resonators per vowel (state-variable band-passes).
    float low[2] = {0, 0}, band[2] = {0, 0};
    for (std::size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / rate;
        if (t >= syllableEnd) {
            syllableStart = t;
            syllableEnd = t + 0.12f + random.Next() * 0.14f;
            vowel = static_cast<int>(random.Next() * 5) % 5;
        }
        const float u = (t - syllableStart) / (syllableEnd - syllableStart);
        // Pitch falls over the line and wavers a little per syllable.
        const float f0 = pitch * (1.15f - 0.35f * t / seconds) * (1.0f + 0.05f * std::sin(2 * kPi * u));
        phase += f0 / rate;
        phase -= std::floor(phase);
        const float source = (phase < 0.4f ? phase / 0.4f : (1.0f - phase) / 0.6f) - 0.5f + (random.Next() - 0.5f) * 0.05f;
        float v = 0;
        for (int k = 0; k < 2; ++k) {
            const float f = 2.0f * std::sin(kPi * kFormants[vowel][k] / rate);
            low[k] += f * band[k];
            const float high = source - low[k] - 0.15f * band[k];
            band[k] += f * high;
            v += band[k] * (k == 0 ? 0.5f : 0.3f);
        }
        // Each syllable swells and fades; short gaps between words.
        const float envelope = std::sin(kPi * std::min(1.0f, u * 1.1f)) * (t < seconds - 0.05f ? 1.0f : 0.0f);
        s.samples[i] = Clip(v * envelope * 0.6f);
    }
    return s;
}

}  // namespace demo

namespace demo {

namespace {

// A two-pole resonator: one formant of the vocal tract.
struct Resonator {
    float b1 = 0, b2 = 0, gain = 0, y1 = 0, y2 = 0;
    Resonator(float frequency, float bandwidth, float rate) {
        const float r = std::exp(-kPi * bandwidth / rate);
        b1 = 2 * r * std::cos(2 * kPi * frequency / rate);
        b2 = -r * r;
        gain = 1 - r;
    }
    float Step(float x) {
        const float y = gain * x + b1 * y1 + b2 * y2;
        y2 = y1;
        y1 = y;
        return y;
    }
};

}  // namespace

Sound SpeechSound(const std::vector<Syllable>& syllables, float seconds, float pitch, unsigned seed) {
    // First three formants of a, e, i, o, u (Hz).
    static const float kFormants[5][3] = {
        {730, 1090, 2440}, {530, 1840, 2480}, {270, 2290, 3010}, {570, 840, 2410}, {300, 870, 2240}};
    Sound s = Silence(seconds);
    const float rate = static_cast<float>(s.rate);
    Random random(seed);
    std::vector<float> v(s.samples.size(), 0.0f);
    float phase = 0;
    for (std::size_t k = 0; k < syllables.size(); ++k) {
        const Syllable& y = syllables[k];
        const int vowel = std::clamp(y.vowel, 0, 4);
        Resonator f[3] = {{kFormants[vowel][0], 80, rate}, {kFormants[vowel][1], 100, rate}, {kFormants[vowel][2], 140, rate}};
        const std::size_t begin = static_cast<std::size_t>(static_cast<float>(y.startMs) * rate / 1000);
        const std::size_t hissEnd = begin + static_cast<std::size_t>(static_cast<float>(y.hissMs) * rate / 1000);
        const std::size_t end = std::min(v.size(), begin + static_cast<std::size_t>(static_cast<float>(y.lengthMs) * rate / 1000));
        // The pitch falls through the phrase and rises a little on the first syllables.
        const float f0 = pitch * (1.08f - 0.12f * static_cast<float>(k % 4) / 3.0f);
        float previous = 0;
        for (std::size_t i = begin; i < end; ++i) {
            const float t = static_cast<float>(i - begin) / rate;
            if (i < hissEnd) {
                // Hiss: white noise, differenced so that it sits high.
                const float noise = random.Next() - 0.5f;
                const float edge = std::min({1.0f, t * 100, static_cast<float>(hissEnd - i) / rate * 100});
                v[i] = (noise - previous) * 0.5f * edge;
                previous = noise;
                continue;
            }
            const float voiced = static_cast<float>(i - hissEnd) / rate;
            const float left = static_cast<float>(end - i) / rate;
            phase += (f0 * (1 + 0.02f * std::sin(2 * kPi * 5.5f * t))) / rate;
            phase -= std::floor(phase);
            // Glottal pulse: a quick opening, a sharp close.
            const float pulse = phase < 0.6f ? std::sin(kPi * phase / 0.6f) : -0.3f * std::sin(kPi * (phase - 0.6f) / 0.4f);
            float out = 0;
            for (Resonator& r : f) out += r.Step(pulse);
            const float envelope = std::min({1.0f, voiced / 0.025f, left / 0.04f});
            v[i] = out * envelope;
        }
    }
    float peak = 0;
    for (float x : v) peak = std::max(peak, std::fabs(x));
    const float scale = peak > 0 ? 0.7f / peak : 0;
    for (std::size_t i = 0; i < v.size(); ++i) s.samples[i] = Clip(v[i] * scale);
    return s;
}

Sound MusicSound(float seconds, unsigned seed) {
    Sound s = Silence(seconds);
    // Chords as frequencies (Hz): root, third, fifth, octave.
    static const float kChords[4][4] = {{261.63f, 329.63f, 392.00f, 523.25f},
                                        {220.00f, 261.63f, 329.63f, 440.00f},
                                        {174.61f, 220.00f, 261.63f, 349.23f},
                                        {196.00f, 246.94f, 293.66f, 392.00f}};
    static const int kPattern[8] = {0, 1, 2, 3, 2, 1, 2, 3};
    const float chordLength = seconds / 4, step = chordLength / 8;
    Random random(seed);
    // A little life in the plucks: each one's strength varies a bit.
    float strength[32];
    for (float& v : strength) v = 0.75f + 0.25f * random.Next();
    const std::size_t n = s.samples.size();
    for (std::size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(s.rate);
        const int chord = std::min(3, static_cast<int>(t / chordLength));
        const float inChord = t - static_cast<float>(chord) * chordLength;
        // The pad swells in at each chord.
        float v = 0;
        const float pad = std::min(1.0f, inChord / 0.4f) * 0.10f;
        for (int k = 0; k < 3; ++k) v += std::sin(2 * kPi * kChords[chord][k] * 0.5f * t) * pad;
        // The plucks: this step's note and the tail of the one before.
        const int at = static_cast<int>(inChord / step);
        for (int back = 0; back < 2; ++back) {
            const int idx = at - back;
            if (idx < 0) continue;
            const float u = inChord - static_cast<float>(idx) * step;
            const float f = kChords[chord][kPattern[idx % 8]] * 2.0f;
            const float env = std::exp(-u * 5.0f) * std::min(1.0f, u * 200);
            const float tone = std::sin(2 * kPi * f * u) + 0.35f * std::sin(4 * kPi * f * u) + 0.12f * std::sin(6 * kPi * f * u);
            v += tone * env * 0.22f * strength[(chord * 8 + idx) % 32];
        }
        const float fade = std::min({1.0f, t / 0.5f, (seconds - t) / 1.0f});
        s.samples[i] = Clip(v * std::max(0.0f, fade));
    }
    return s;
}

Sound RailSound(float seconds, unsigned seed) {
    Sound s = Silence(seconds);
    Random random(seed);
    float low = 0, lower = 0, knock = 0;
    const std::size_t n = s.samples.size();
    // A whole number of joints over the length, so the loop keeps the beat.
    const int joints = std::max(1, static_cast<int>(seconds / 0.9f));
    const float period = seconds / static_cast<float>(joints);
    for (std::size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(s.rate);
        const float noise = random.Next() - 0.5f;
        low += (noise - low) * 0.03f;
        lower += (low - lower) * 0.03f;
        float v = lower * 2.5f + std::sin(2 * kPi * 55.0f * t) * 0.03f;
        // Two wheels over each joint, a quarter second apart: short thuds of
        // brighter noise.
        const float inPeriod = std::fmod(t, period);
        for (float hit : {0.0f, 0.22f}) {
            const float u = inPeriod - hit;
            if (u < 0 || u > 0.08f) continue;
            knock += (noise - knock) * 0.2f;
            v += (knock * 4.0f + std::sin(2 * kPi * 90.0f * u) * 0.6f) * std::exp(-u * 40.0f);
        }
        s.samples[i] = Clip(v * 0.8f);
    }
    FadeLoopJoint(s, 400);
    return s;
}

std::vector<TimingMark> SpeechTiming(const Sound& voice) {
    const std::size_t window = static_cast<std::size_t>(voice.rate / 50);  // 20 ms
    const std::size_t windows = window ? voice.samples.size() / window : 0;
    std::vector<float> loudness(windows, 0), crossings(windows, 0);
    float loudest = 0;
    for (std::size_t w = 0; w < windows; ++w) {
        double sum = 0;
        int changes = 0;
        for (std::size_t i = w * window; i < (w + 1) * window; ++i) {
            const float x = voice.samples[i];
            sum += static_cast<double>(x) * x;
            if (i > w * window && (voice.samples[i] < 0) != (voice.samples[i - 1] < 0)) ++changes;
        }
        loudness[w] = static_cast<float>(std::sqrt(sum / static_cast<double>(window)));
        crossings[w] = static_cast<float>(changes) / static_cast<float>(window);
        loudest = std::max(loudest, loudness[w]);
    }
    std::vector<TimingMark> marks{{0, 1}};
    for (std::size_t w = 0; w < windows; ++w) {
        int shape = 1;
        if (loudness[w] > 0.08f * loudest) shape = crossings[w] > 0.3f ? 2 : 4;
        if (shape != marks.back().shape) marks.push_back({static_cast<unsigned>(w * 20), shape});
    }
    const unsigned length = static_cast<unsigned>(voice.samples.size() * 1000 / static_cast<std::size_t>(voice.rate));
    // The last entry ends the line.
    marks.push_back({length, 1});
    return marks;
}

}  // namespace demo
