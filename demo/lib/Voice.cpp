#include "demo/lib/Voice.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace demo {

namespace {

constexpr float kPi = 3.14159265f;

std::uint32_t TextHash(const std::string& text, unsigned seed) {
    std::uint32_t h = 2166136261u ^ seed;
    for (unsigned char c : text) h = (h ^ c) * 16777619u;
    return h;
}

std::uint32_t Le(const std::string& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

void PutLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

bool IsVowel(char c) {
    // Accented vowels arrive as UTF-8 lead bytes (0xC3): count them as vowels.
    return std::strchr("aeiouyAEIOUY", c) != nullptr || static_cast<unsigned char>(c) == 0xC3;
}

// Shell quoting for a path made by the builder (no single quotes expected,
// but never pass one through unquoted).
std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

bool SpeechAvailable() {
    const char* off = std::getenv("LUMORA_NO_ESPEAK");
    if (off && *off && std::strcmp(off, "0") != 0) return false;
    static const bool found = std::system("espeak-ng --version > /dev/null 2>&1") == 0;
    return found;
}

Sound SpeakLine(const std::string& text, const VoiceStyle& style, const std::string& scratch, int rate, bool* spoken) {
    if (spoken) *spoken = false;
    if (SpeechAvailable()) {
        const std::string textFile = scratch + ".txt", waveFile = scratch + ".wav";
        {
            std::ofstream out(textFile, std::ios::binary);
            out << text << "\n";
        }
        const std::string command = "espeak-ng -v " + Quote(style.voice) + " -p " + std::to_string(style.pitch) + " -s " +
                                    std::to_string(style.speed) + " -w " + Quote(waveFile) + " -f " + Quote(textFile) +
                                    " > /dev/null 2>&1";
        Sound sound;
        const bool ok = std::system(command.c_str()) == 0 && ReadWave(waveFile, sound) && !sound.samples.empty();
        std::error_code error;
        std::filesystem::remove(textFile, error);
        std::filesystem::remove(waveFile, error);
        if (ok) {
            if (spoken) *spoken = true;
            return Resample(sound, rate);
        }
    }
    return Babble(text, style, rate);
}

Sound Babble(const std::string& text, const VoiceStyle& style, int rate) {
    Sound s;
    s.rate = rate;
    const std::uint32_t h = TextHash(text, style.seed);
    const float base = 90.0f + static_cast<float>(style.pitch) * 1.6f;       // Hz of the voice
    const float syllable = 60.0f / static_cast<float>(std::max(60, style.speed)) * 0.45f;  // seconds
    auto append = [&](float seconds, float pitch, float vowel, bool voiced) {
        const std::size_t n = static_cast<std::size_t>(seconds * static_cast<float>(rate));
        float phase = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const float t = static_cast<float>(i) / static_cast<float>(n);
            const float envelope = voiced ? std::sin(kPi * t) : 0.0f;
            const float f = pitch * (1.0f + 0.08f * std::sin(2 * kPi * t));
            phase += 2 * kPi * f / static_cast<float>(rate);
            // A few harmonics weighted by a vowel "colour", a little breath.
            float v = 0;
            for (int k = 1; k <= 6; ++k)
                v += std::sin(phase * static_cast<float>(k)) / static_cast<float>(k) *
                     (1.0f + vowel * std::cos(static_cast<float>(k) * 1.3f));
            const float breath =
                (TileNoise(static_cast<float>(i) * 0.37f, vowel * 17.0f, 4096, h) - 0.5f) * 0.15f;
            s.samples.push_back(static_cast<std::int16_t>(std::clamp((v * 0.25f + breath) * envelope, -1.0f, 1.0f) * 26000.0f));
        }
    };
    int index = 0;
    bool inVowel = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (IsVowel(c)) {
            if (!inVowel) {
                const float r = TileNoise(static_cast<float>(index) * 1.7f, 0.5f, 1024, h);
                append(syllable * (0.8f + 0.5f * r), base * (0.85f + 0.3f * r), r, true);
                ++index;
            }
            inVowel = true;
            continue;
        }
        inVowel = false;
        if (c == ',' || c == ';') append(syllable * 1.2f, base, 0, false);
        if (c == '.' || c == '!' || c == '?') append(syllable * 2.0f, base, 0, false);
    }
    if (s.samples.empty()) append(syllable, base, 0.3f, true);
    return s;
}

bool ReadWave(const std::string& path, Sound& out) {
    std::ifstream in(path, std::ios::binary);
    const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 12 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0) return false;
    int channels = 0, bits = 0, rate = 0;
    for (std::size_t at = 12; at + 8 <= b.size();) {
        const std::string id = b.substr(at, 4);
        std::size_t size = Le(b, at + 4, 4);
        const std::size_t body = at + 8;
        // espeak-ng writing to a file it cannot seek leaves the size unset.
        if (size == 0xFFFFFFFFu || body + size > b.size()) size = b.size() - body;
        if (id == "fmt " && size >= 16) {
            if (Le(b, body, 2) != 1) return false;  // PCM only
            channels = static_cast<int>(Le(b, body + 2, 2));
            rate = static_cast<int>(Le(b, body + 4, 4));
            bits = static_cast<int>(Le(b, body + 14, 2));
        } else if (id == "data") {
            if (channels < 1 || (bits != 8 && bits != 16) || rate <= 0) return false;
            const std::size_t frame = static_cast<std::size_t>(channels * bits / 8);
            out.rate = rate;
            out.samples.clear();
            for (std::size_t p = body; p + frame <= body + size; p += frame) {
                int sum = 0;
                for (int c = 0; c < channels; ++c) {
                    const std::size_t q = p + static_cast<std::size_t>(c * bits / 8);
                    sum += bits == 16 ? static_cast<std::int16_t>(Le(b, q, 2))
                                      : (static_cast<int>(static_cast<unsigned char>(b[q])) - 128) * 256;
                }
                out.samples.push_back(static_cast<std::int16_t>(sum / channels));
            }
            return true;
        }
        at = body + size + (size & 1);
    }
    return false;
}

Sound Resample(const Sound& in, int rate) {
    if (in.rate == rate || in.samples.empty() || in.rate <= 0 || rate <= 0) {
        Sound same = in;
        if (!in.samples.empty()) same.rate = rate > 0 && in.rate <= 0 ? rate : in.rate;
        return same;
    }
    Sound out;
    out.rate = rate;
    const double step = static_cast<double>(in.rate) / rate;
    const std::size_t n = static_cast<std::size_t>(static_cast<double>(in.samples.size()) / step);
    out.samples.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i) * step;
        const std::size_t k = static_cast<std::size_t>(x);
        const double f = x - static_cast<double>(k);
        const double a = in.samples[k], b = k + 1 < in.samples.size() ? in.samples[k + 1] : a;
        out.samples.push_back(static_cast<std::int16_t>(std::lround(a + (b - a) * f)));
    }
    return out;
}

std::vector<TimingEntry> TimingFromEnvelope(const Sound& sound) {
    std::vector<TimingEntry> entries{{0, kShapeRest}};
    if (sound.rate <= 0 || sound.samples.empty()) {
        entries.push_back({1, kShapeRest});
        return entries;
    }
    const std::size_t window = static_cast<std::size_t>(sound.rate / 100);  // 10 ms
    std::vector<float> loud, hiss;
    float peak = 0;
    for (std::size_t at = 0; at < sound.samples.size(); at += window) {
        const std::size_t end = std::min(sound.samples.size(), at + window);
        double sum = 0;
        int crossings = 0;
        for (std::size_t i = at; i < end; ++i) {
            sum += static_cast<double>(sound.samples[i]) * sound.samples[i];
            if (i > at && (sound.samples[i] < 0) != (sound.samples[i - 1] < 0)) ++crossings;
        }
        loud.push_back(static_cast<float>(std::sqrt(sum / static_cast<double>(end - at))));
        hiss.push_back(static_cast<float>(crossings) / static_cast<float>(end - at));
        peak = std::max(peak, loud.back());
    }
    const std::uint32_t length =
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(sound.samples.size()) * 1000 / static_cast<unsigned>(sound.rate));
    // Hysteresis: a window starts talk above 15 % of the peak and keeps it
    // down to 8 %; changes shorter than 60 ms are not written.
    const float on = peak * 0.15f, off = peak * 0.08f;
    std::uint16_t current = kShapeRest;
    for (std::size_t w = 0; w < loud.size(); ++w) {
        std::uint16_t shape = kShapeRest;
        if (current == kShapeRest ? loud[w] > on : loud[w] > off) shape = hiss[w] > 0.35f ? kShapeCh : kShapeTalk;
        if (shape == current) continue;
        const std::uint32_t ms = std::max<std::uint32_t>(10, static_cast<std::uint32_t>(w * 10));
        if (ms >= length) break;
        if (entries.size() > 1 && ms - entries.back().ms < 60) {
            entries.back().shape = shape;  // too short: the newer shape wins
            if (entries[entries.size() - 2].shape == shape) entries.pop_back();
        } else {
            entries.push_back({ms, shape});
        }
        current = entries.back().shape;
    }
    entries.push_back({std::max<std::uint32_t>(length, entries.back().ms + 1), kShapeRest});
    return entries;
}

std::string TimingChunk(const std::vector<TimingEntry>& entries) {
    std::string out;
    PutLe(out, static_cast<std::uint32_t>(entries.size()), 4);
    for (const TimingEntry& e : entries) {
        PutLe(out, e.ms, 4);
        PutLe(out, e.shape, 2);
        PutLe(out, 0, 2);
    }
    return out;
}

const std::vector<std::string>& MouthShapeNames() {
    static const std::vector<std::string> names{"A", "B", "Ch", "Ch_yeux", "E", "F", "O", "Yeux"};
    return names;
}

bool WriteMouthShapes(const Character& character, const std::string& dir, std::string& why) {
    // Scale of the mouth box (width, depth, height) at the two keys of each
    // shape: the mouth moves a little while a shape is held.
    struct Shape {
        Vec3 from, to;
    };
    const Shape shapes[] = {
        {{1.1f, 1, 3.5f}, {1.2f, 1, 4.2f}},  // A: wide open
        {{1.0f, 1, 0.4f}, {1.0f, 1, 0.6f}},  // B: lips pressed
        {{0.9f, 1, 1.6f}, {0.9f, 1, 1.9f}},  // Ch: teeth, a little open
        {{0.9f, 1, 1.6f}, {0.9f, 1, 1.3f}},  // Ch_yeux
        {{1.4f, 1, 1.8f}, {1.5f, 1, 2.0f}},  // E: wide
        {{0.8f, 1, 0.9f}, {0.8f, 1, 1.1f}},  // F: lip on teeth
        {{0.6f, 1, 3.0f}, {0.5f, 1, 3.4f}},  // O: round
        {{1.0f, 1, 0.7f}, {1.0f, 1, 0.7f}},  // Yeux: at rest
    };
    const auto& names = MouthShapeNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        AssetScene a;
        BuildMouthShape(a, character, 10, {{0, shapes[i].from}, {5, shapes[i].to}, {10, shapes[i].from}});
        if (!a.Save(dir + "/" + names[i] + ".A3D", why)) return false;
    }
    return true;
}

}  // namespace demo
