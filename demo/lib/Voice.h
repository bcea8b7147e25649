// Spoken lines for the demo pack: French speech from espeak-ng (run at pack
// time), a seeded babble in its place when espeak-ng is not installed, the
// lip-sync timing of a line from its loudness envelope, and the eight mouth
// shapes of a character.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "demo/lib/AssetScene.h"
#include "demo/lib/Media.h"

namespace demo {

// How one character speaks: espeak-ng voice ("fr+m3"), pitch 0..99, words
// per minute; the seed shapes the babble used without espeak-ng.
struct VoiceStyle {
    const char* voice = "fr";
    int pitch = 50;
    int speed = 150;
    unsigned seed = 1;
};

// True when espeak-ng can be run (and LUMORA_NO_ESPEAK is not set).
bool SpeechAvailable();

// The line spoken by espeak-ng as a mono sound at `rate` Hz; `scratch` is a
// file stem the call may write and removes again. Falls back to Babble when
// espeak-ng is missing or fails; `spoken` tells which one was made.
Sound SpeakLine(const std::string& text, const VoiceStyle& style, const std::string& scratch, int rate,
                bool* spoken = nullptr);
// A voice-like babble with one syllable per vowel group of the text and
// pauses at punctuation; the same text and style give the same samples.
Sound Babble(const std::string& text, const VoiceStyle& style, int rate);

// A RIFF wave file of 8- or 16-bit PCM, mono or stereo, as mono 16-bit.
bool ReadWave(const std::string& path, Sound& out);
// Linear resampling to `rate` Hz.
Sound Resample(const Sound& in, int rate);

// One entry of a lip-sync timing file: milliseconds from the start of the
// line and the shape code (1 rest, 2 the "Ch" shape, 4 and above talking).
struct TimingEntry {
    std::uint32_t ms = 0;
    std::uint16_t shape = 1;
};
constexpr std::uint16_t kShapeRest = 1;
constexpr std::uint16_t kShapeCh = 2;
constexpr std::uint16_t kShapeTalk = 4;

// The timing of a line from its loudness envelope (10 ms windows): rest in
// the pauses, "Ch" where the sound is mostly hiss, talking elsewhere. It
// starts with (0, rest), ends with (length, rest), and its times increase.
std::vector<TimingEntry> TimingFromEnvelope(const Sound& sound);
// The payload of the chunk "INDEX": a 32-bit count, then 8 bytes per entry
// (time, shape, two spare bytes).
std::string TimingChunk(const std::vector<TimingEntry>& entries);

// The eight mouth-shape files of a character built by BuildCharacter, as
// "<dir>/<shape>.A3D" for "A", "B", "Ch", "Ch_yeux", "E", "F", "O", "Yeux":
// each holds an animation tree named like the face (face, then mouth) with
// the mouth opened, widened or rounded for that shape.
bool WriteMouthShapes(const Character& character, const std::string& dir, std::string& why);
// The shape names, in the order above.
const std::vector<std::string>& MouthShapeNames();

}  // namespace demo
