// Spoken lines of the demo pack: the babble that stands in for espeak-ng,
// wave reading and resampling, lip-sync timing from a loudness envelope,
// and the mouth shapes of a character.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>
#include <string>

#include "demo/lib/Voice.h"

namespace {

namespace fs = std::filesystem;

// `parts` of (seconds, loud?, hiss?) as a 22050 Hz sound.
demo::Sound Pattern(const std::vector<std::tuple<float, bool, bool>>& parts) {
    demo::Sound s;
    int i = 0;
    for (const auto& [seconds, loud, hiss] : parts) {
        const int n = static_cast<int>(seconds * 22050);
        for (int k = 0; k < n; ++k, ++i) {
            const float f = hiss ? 6000.0f : 180.0f;
            const float v = loud ? 0.6f * std::sin(2 * 3.14159265f * f * static_cast<float>(i) / 22050) : 0.002f * ((i % 7) - 3);
            s.samples.push_back(static_cast<std::int16_t>(v * 32000));
        }
    }
    return s;
}

TEST(Voice, TimingFollowsTheLoudnessAndEndsAtRest) {
    // 0.3 s silence, 0.5 s voice, 0.4 s silence, 0.3 s hiss, 0.2 s silence.
    const demo::Sound s = Pattern({{0.3f, false, false}, {0.5f, true, false}, {0.4f, false, false}, {0.3f, true, true}, {0.2f, false, false}});
    const auto t = demo::TimingFromEnvelope(s);
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[0].ms, 0u);
    EXPECT_EQ(t[0].shape, demo::kShapeRest);
    EXPECT_NEAR(t[1].ms, 300, 10);
    EXPECT_EQ(t[1].shape, demo::kShapeTalk);
    EXPECT_NEAR(t[2].ms, 800, 10);
    EXPECT_EQ(t[2].shape, demo::kShapeRest);
    EXPECT_NEAR(t[3].ms, 1200, 10);
    EXPECT_EQ(t[3].shape, demo::kShapeCh);
    EXPECT_NEAR(t[4].ms, 1500, 10);
    EXPECT_EQ(t[4].shape, demo::kShapeRest);
    EXPECT_EQ(t[5].ms, 1700u) << "the last entry is the length of the line";
    EXPECT_EQ(t[5].shape, demo::kShapeRest);
}

TEST(Voice, TimingOfEdgeCases) {
    // Speech from the first sample to the last: rest at 0, talk, rest at the end.
    auto t = demo::TimingFromEnvelope(Pattern({{1.0f, true, false}}));
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].shape, demo::kShapeRest);
    EXPECT_EQ(t[1].shape, demo::kShapeTalk);
    EXPECT_GT(t[1].ms, 0u);
    EXPECT_EQ(t[2].ms, 1000u);
    // A blip shorter than 60 ms between two words is not a pause.
    t = demo::TimingFromEnvelope(Pattern({{0.3f, true, false}, {0.03f, false, false}, {0.3f, true, false}}));
    EXPECT_EQ(t.size(), 3u);
    // Nothing at all still gives a valid, increasing file.
    t = demo::TimingFromEnvelope(demo::Sound{});
    ASSERT_EQ(t.size(), 2u);
    EXPECT_LT(t[0].ms, t[1].ms);

    const std::string chunk = demo::TimingChunk({{0, 1}, {250, 4}, {900, 1}});
    ASSERT_EQ(chunk.size(), 4u + 3 * 8);
    std::uint32_t count, time;
    std::uint16_t shape;
    std::memcpy(&count, chunk.data(), 4);
    std::memcpy(&time, chunk.data() + 4 + 8, 4);
    std::memcpy(&shape, chunk.data() + 4 + 8 + 4, 2);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(time, 250u);
    EXPECT_EQ(shape, 4);
}

TEST(Voice, BabbleIsSeededAndShapedLikeTheText) {
    const demo::VoiceStyle a{"fr", 40, 150, 1}, b{"fr", 40, 150, 2};
    const demo::Sound one = demo::Babble("Bonjour, monsieur le maire.", a, 22050);
    EXPECT_EQ(one.samples, demo::Babble("Bonjour, monsieur le maire.", a, 22050).samples);
    EXPECT_NE(one.samples, demo::Babble("Bonjour, monsieur le maire.", b, 22050).samples);
    // More syllables, a longer line; its timing has talk and pauses.
    EXPECT_GT(demo::Babble("Bonjour, monsieur le maire. Comment allez-vous aujourd'hui ?", a, 22050).samples.size(), one.samples.size());
    const auto t = demo::TimingFromEnvelope(one);
    EXPECT_GE(t.size(), 4u);
    // Without espeak-ng the line still comes out, as the babble.
    setenv("LUMORA_NO_ESPEAK", "1", 1);
    bool spoken = true;
    const demo::Sound fallback = demo::SpeakLine("Bonjour, monsieur le maire.", a, (fs::temp_directory_path() / "voice-test").string(), 22050, &spoken);
    unsetenv("LUMORA_NO_ESPEAK");
    EXPECT_FALSE(spoken);
    EXPECT_EQ(fallback.samples, one.samples);
}

TEST(Voice, ReadsAndResamplesWaves) {
    const fs::path path = fs::temp_directory_path() / "voice-test-stereo.wav";
    {
        // 8 stereo frames at 11025 Hz, 16-bit, with the data size left unset
        // as a streamed writer leaves it.
        std::string b = "RIFF";
        auto le = [&](std::uint32_t v, int n) { for (int i = 0; i < n; ++i) b += static_cast<char>(v >> (8 * i) & 0xFF); };
        le(0, 4);
        b += "WAVEfmt ";
        le(16, 4); le(1, 2); le(2, 2); le(11025, 4); le(11025 * 4, 4); le(4, 2); le(16, 2);
        b += "data";
        le(0xFFFFFFFFu, 4);
        for (int i = 0; i < 8; ++i) {
            le(static_cast<std::uint16_t>(1000 * i), 2);
            le(static_cast<std::uint16_t>(3000 * i), 2);
        }
        std::ofstream(path, std::ios::binary) << b;
    }
    demo::Sound s;
    ASSERT_TRUE(demo::ReadWave(path.string(), s));
    ASSERT_EQ(s.samples.size(), 8u);
    EXPECT_EQ(s.rate, 11025);
    EXPECT_EQ(s.samples[3], 6000) << "the two channels are averaged";
    const demo::Sound up = demo::Resample(s, 22050);
    ASSERT_EQ(up.samples.size(), 16u);
    EXPECT_EQ(up.rate, 22050);
    EXPECT_EQ(up.samples[6], 6000);
    EXPECT_EQ(up.samples[7], 7000) << "halfway between two samples";
    fs::remove(path);
    EXPECT_FALSE(demo::ReadWave(path.string(), s));
    std::ofstream(path, std::ios::binary) << "RIFF0000WAVEjunk";
    EXPECT_FALSE(demo::ReadWave(path.string(), s));
    fs::remove(path);
}

TEST(Voice, MouthShapesAnimateTheFace) {
    demo::AssetScene s;
    const demo::Character c = demo::BuildCharacter(s, "*U01_05", "$$$DUMMY.*05SParle", {0, 0, 0}, s.Material("A", 1, 2, 3), s.Material("B", 4, 5, 6));
    const fs::path dir = fs::temp_directory_path() / "voice-test-shapes";
    fs::create_directories(dir);
    std::string why;
    ASSERT_TRUE(demo::WriteMouthShapes(c, dir.string(), why)) << why;
    ASSERT_EQ(demo::MouthShapeNames().size(), 8u);
    std::uintmax_t open = 0, closed = 0;
    for (const std::string& name : demo::MouthShapeNames()) {
        ASSERT_TRUE(fs::exists(dir / (name + ".A3D"))) << name;
        if (name == "A") open = fs::file_size(dir / "A.A3D");
        if (name == "B") closed = fs::file_size(dir / "B.A3D");
    }
    EXPECT_GT(open, 0u);
    EXPECT_EQ(open, closed) << "every shape has the same tree and keys";
    auto bytes = [&](const char* name) {
        std::ifstream in(dir / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    EXPECT_NE(bytes("A.A3D"), bytes("B.A3D")) << "an open mouth differs from a closed one";
    fs::remove_all(dir);
}

}  // namespace
