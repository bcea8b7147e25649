// Pictures and sounds made by code for the demo pack: tiling textures from
// layered noise with a few strokes, and synthesised effects and ambiences.
// Everything is seeded: the same call gives the same samples.
#pragma once

#include <cstdint>
#include <vector>

namespace demo {

// 8-bit RGB pixels, top row first.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgb(static_cast<std::size_t>(w) * h * 3, 0) {}
    void Set(int x, int y, int r, int g, int b);
};

struct Rgb {
    int r = 0, g = 0, b = 0;
};

// Mono 16-bit sound.
struct Sound {
    int rate = 22050;
    std::vector<std::int16_t> samples;
};

// Value noise in 0..1 over a grid of `period` cells that wraps (tiles).
float TileNoise(float x, float y, int period, unsigned seed);
// Several octaves of it, 0..1.
float TileFractal(float x, float y, int period, int octaves, unsigned seed);

// Tiling textures, `size` x `size` (a power of two).
Image WoodTexture(int size, Rgb light, Rgb dark, unsigned seed);
Image PlasterTexture(int size, Rgb base, unsigned seed);
Image TileTexture(int size, int tiles, Rgb a, Rgb b, Rgb grout, unsigned seed);
Image MetalTexture(int size, Rgb base, Rgb rust, unsigned seed);

// Effects and ambiences.
Sound BellSound(float frequency, float seconds, unsigned seed);      // struck bell, decaying partials
Sound CreakSound(float seconds, unsigned seed);                      // door creak: rubbed, wavering pitch
Sound ChimeSound(float seconds);                                     // three rising notes
Sound AmbienceSound(float seconds, unsigned seed);                   // soft wind with a few bird calls; loops
// Music for the videos: a soft pad under a plucked arpeggio, four chords
// (C, A minor, F, G) over `seconds`, fading in and out.
Sound MusicSound(float seconds, unsigned seed);
// A train under way: a low rumble with the wheels' double knock at every
// rail joint; loops.
Sound RailSound(float seconds, unsigned seed);
// A spoken line where no speech synthesiser is at hand: syllables of a
// voiced source through two vowel formants, with a falling sentence pitch.
Sound BabbleVoice(float seconds, float pitch, unsigned seed);

// Synthetic speech. A syllable is an optional hiss (a "ch", "f" or "s")
// followed by a voiced vowel.
struct Syllable {
    int startMs = 0;
    int lengthMs = 200;  // the whole syllable, hiss included
    int vowel = 0;       // 0 a, 1 e, 2 i, 3 o, 4 u
    int hissMs = 0;      // the hiss at its start
};
// The syllables spoken at `pitch` Hz (falling a little over each phrase)
// through the vowels' formants; silence elsewhere.
Sound SpeechSound(const std::vector<Syllable>& syllables, float seconds, float pitch, unsigned seed);

// A lip-sync timing entry: from `ms` on, the mouth shape `shape`.
struct TimingMark {
    unsigned ms = 0;
    int shape = 1;
};
// The entries read off a voice in 20 ms windows: 1 (rest) where it is
// quiet, 2 ("Ch") where it hisses, 4 (talking) where it is voiced. Starts
// with (0, 1) and ends with (length, 1).
std::vector<TimingMark> SpeechTiming(const Sound& voice);

}  // namespace demo
