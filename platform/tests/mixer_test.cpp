// Software mixer and the headless sink: sample values, resampling, looping,
// one-shot ends, saturation, and clock-driven pulling.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/AudioOut.h"
#include "platform/Mixer.h"

namespace platform {
namespace {

WAVEFORMATEX Pcm(WORD channels, WORD bits, DWORD rate) {
    const WORD block = static_cast<WORD>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * block, block, bits, 0};
}

// Independent reference of the decibel law: hundredths of dB to amplitude.
double Db(LONG hundredths) { return std::pow(10.0, hundredths / 2000.0); }

void Put16(Voice& v, const std::vector<std::int16_t>& samples) {
    ASSERT_LE(samples.size() * 2, v.Bytes());
    std::memcpy(v.Data(), samples.data(), samples.size() * 2);
}

std::vector<std::int16_t> Mix(Mixer& m, std::size_t frames) {
    std::vector<std::int16_t> out(2 * frames, 12345);
    m.Mix(out.data(), frames);
    return out;
}

TEST(MixerGain, DecibelLaw) {
    EXPECT_FLOAT_EQ(AttenuationToGain(0), 1.0f);
    EXPECT_NEAR(AttenuationToGain(-2000), 0.1f, 1e-6);
    EXPECT_NEAR(AttenuationToGain(-600), 0.501187f, 1e-5);
    EXPECT_EQ(AttenuationToGain(-10000), 0.0f);
    EXPECT_EQ(AttenuationToGain(-20000), 0.0f);
}

TEST(MixerGain, PlayableFormats) {
    EXPECT_TRUE(IsPlayableFormat(Pcm(1, 8, 22050)));
    EXPECT_TRUE(IsPlayableFormat(Pcm(2, 16, 44100)));
    WAVEFORMATEX f = Pcm(2, 16, 44100);
    f.nBlockAlign = 2;  // does not match 2 channels of 16 bits
    EXPECT_FALSE(IsPlayableFormat(f));
    EXPECT_FALSE(IsPlayableFormat(Pcm(3, 16, 22050)));
    EXPECT_FALSE(IsPlayableFormat(Pcm(1, 12, 22050)));
    EXPECT_FALSE(IsPlayableFormat(Pcm(1, 8, 50)));
    f = Pcm(1, 16, 22050);
    f.wFormatTag = 2;
    EXPECT_FALSE(IsPlayableFormat(f));
}

TEST(MixerSamples, TwoVoicesWithVolumeAndPan) {
    Mixer mixer(22050);
    Voice a(Pcm(1, 16, 22050), 16);  // 8 frames
    Voice b(Pcm(1, 16, 22050), 16);
    Put16(a, {1000, 2000, -3000, 4000, 0, 100, -100, 8000});
    Put16(b, {5000, -5000, 5000, -5000, 5000, -5000, 5000, -5000});
    a.SetVolume(-600);
    b.SetPan(2000);  // left side 20 dB down
    mixer.Attach(&a);
    mixer.Attach(&b);
    {
        auto g = mixer.Guard();
        a.Start(true);
        b.Start(true);
    }
    const auto out = Mix(mixer, 8);
    const std::int16_t* sa = reinterpret_cast<const std::int16_t*>(a.Data());
    const std::int16_t* sb = reinterpret_cast<const std::int16_t*>(b.Data());
    for (int i = 0; i < 8; ++i) {
        const double left = sa[i] * Db(-600) + sb[i] * Db(-2000);
        const double right = sa[i] * Db(-600) + sb[i];
        EXPECT_NEAR(out[2 * i], left, 1.0) << "frame " << i;
        EXPECT_NEAR(out[2 * i + 1], right, 1.0) << "frame " << i;
    }
    mixer.Detach(&a);
    mixer.Detach(&b);
}

TEST(MixerSamples, NegativePanAttenuatesRightAndStereoKeepsSides) {
    Mixer mixer(22050);
    Voice v(Pcm(2, 8, 22050), 4);  // 2 stereo frames of 8 bits
    const std::uint8_t bytes[4] = {255, 0, 128, 192};
    std::memcpy(v.Data(), bytes, 4);
    v.SetPan(-10000);  // right silent
    mixer.Attach(&v);
    v.Start(false);
    const auto out = Mix(mixer, 2);
    EXPECT_EQ(out[0], 127 * 256);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], 0);
    mixer.Detach(&v);
}

TEST(MixerSamples, EightBitSilenceAndExtremes) {
    Mixer mixer(8000);
    Voice v(Pcm(1, 8, 8000), 4);
    const std::uint8_t bytes[4] = {128, 0, 255, 64};
    std::memcpy(v.Data(), bytes, 4);
    mixer.Attach(&v);
    v.Start(false);
    const auto out = Mix(mixer, 4);
    const std::int16_t expect[4] = {0, -32768, 32512, -16384};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(out[2 * i], expect[i]);
        EXPECT_EQ(out[2 * i + 1], expect[i]);
    }
    mixer.Detach(&v);
}

TEST(MixerSamples, SumSaturates) {
    Mixer mixer(22050);
    Voice a(Pcm(1, 16, 22050), 4);
    Voice b(Pcm(1, 16, 22050), 4);
    Put16(a, {30000, -30000});
    Put16(b, {30000, -30000});
    mixer.Attach(&a);
    mixer.Attach(&b);
    a.Start(true);
    b.Start(true);
    const auto out = Mix(mixer, 2);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], 32767);
    EXPECT_EQ(out[2], -32768);
    EXPECT_EQ(out[3], -32768);
    mixer.Detach(&a);
    mixer.Detach(&b);
}

TEST(MixerSamples, MasterVolumeAndPanScaleTheSum) {
    Mixer mixer(22050);
    Voice v(Pcm(1, 16, 22050), 2);
    Put16(v, {20000});
    mixer.Attach(&v);
    v.Start(true);
    mixer.SetMasterVolume(-2000);
    mixer.SetMasterPan(-600);  // right 6 dB further down
    const auto out = Mix(mixer, 1);
    EXPECT_NEAR(out[0], 20000 * 0.1, 1.0);
    EXPECT_NEAR(out[1], 20000 * 0.1 * Db(-600), 1.0);
    mixer.Detach(&v);
}

TEST(MixerResampling, HalfRateInterpolatesMidpoints) {
    Mixer mixer(22050);
    Voice v(Pcm(1, 16, 11025), 8);
    Put16(v, {0, 1000, 3000, -1000});
    mixer.Attach(&v);
    v.Start(true);
    const auto out = Mix(mixer, 8);
    // Looping: the last frame leads back towards the first.
    const std::int16_t expect[8] = {0, 500, 1000, 2000, 3000, 1000, -1000, -500};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[2 * i], expect[i]) << "frame " << i;
    mixer.Detach(&v);
}

TEST(MixerResampling, FrequencyChangeAndRestore) {
    Mixer mixer(22050);
    Voice v(Pcm(1, 16, 22050), 16);
    Put16(v, {0, 1, 2, 3, 4, 5, 6, 7});
    mixer.Attach(&v);
    v.SetFrequency(44100);  // two source frames per output frame
    v.Start(true);
    auto out = Mix(mixer, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out[2 * i], 2 * i);
    EXPECT_EQ(v.Position(), 0u);  // wrapped after 8 frames
    v.SetFrequency(DSBFREQUENCY_ORIGINAL);
    EXPECT_EQ(v.Frequency(), 22050u);
    out = Mix(mixer, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(out[2 * i], i);
    mixer.Detach(&v);
}

TEST(MixerCursors, LoopingWrapsAndPositionFollows) {
    Mixer mixer(22050);
    Voice v(Pcm(2, 16, 22050), 40);  // 10 stereo frames
    std::vector<std::int16_t> s;
    for (int i = 0; i < 10; ++i) {
        s.push_back(static_cast<std::int16_t>(100 * i));
        s.push_back(static_cast<std::int16_t>(-100 * i));
    }
    Put16(v, s);
    mixer.Attach(&v);
    v.Start(true);
    const auto out = Mix(mixer, 25);
    for (int i = 0; i < 25; ++i) {
        EXPECT_EQ(out[2 * i], 100 * (i % 10));
        EXPECT_EQ(out[2 * i + 1], -100 * (i % 10));
    }
    EXPECT_TRUE(v.Playing());
    EXPECT_EQ(v.Position(), 5u * 4);
    v.SetPosition(9 * 4 + 3);  // inside frame 9: rounds down to its start
    EXPECT_EQ(v.Position(), 9u * 4);
    mixer.Detach(&v);
}

TEST(MixerCursors, OneShotStopsAtItsEndAndRewinds) {
    Mixer mixer(22050);
    Voice v(Pcm(1, 16, 22050), 20);  // 10 frames
    Put16(v, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    mixer.Attach(&v);
    v.Start(false);
    auto out = Mix(mixer, 15);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(out[2 * i], i + 1);
    for (int i = 10; i < 15; ++i) EXPECT_EQ(out[2 * i], 0) << "after the end, frame " << i;
    EXPECT_FALSE(v.Playing());
    EXPECT_EQ(v.Position(), 0u);

    // Ending exactly on a block boundary also stops it.
    v.Start(false);
    out = Mix(mixer, 10);
    EXPECT_FALSE(v.Playing());
    EXPECT_EQ(out[18], 10);
    mixer.Detach(&v);
}

TEST(MixerCursors, SkipLandsWhereMixWould) {
    Mixer a(22050), b(22050);
    Voice va(Pcm(1, 8, 11025), 37), vb(Pcm(1, 8, 11025), 37);
    va.SetFrequency(13001);
    vb.SetFrequency(13001);
    a.Attach(&va);
    b.Attach(&vb);
    va.Start(true);
    vb.Start(true);
    std::vector<std::int16_t> out(2 * 5000);
    a.Mix(out.data(), 5000);
    b.Skip(5000);
    EXPECT_EQ(va.Position(), vb.Position());

    // A one-shot skipped past its end stops.
    vb.Start(false);
    b.Skip(1000);
    EXPECT_FALSE(vb.Playing());
    EXPECT_EQ(vb.Position(), 0u);
    // A huge skip of a looping voice stays inside the buffer.
    va.Start(true);
    a.Skip(std::uint64_t{1} << 40);
    EXPECT_LT(va.Position(), va.Bytes());
    a.Detach(&va);
    b.Detach(&vb);
}

TEST(MixerVoices, DetachedOrStoppedVoicesAreSilent) {
    Mixer mixer(22050);
    Voice v(Pcm(1, 16, 22050), 4);
    Put16(v, {1000, 1000});
    mixer.Attach(&v);
    auto out = Mix(mixer, 2);
    EXPECT_EQ(out[0], 0);  // attached but not started
    v.Start(true);
    mixer.Detach(&v);
    out = Mix(mixer, 2);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(v.Position(), 0u);  // a detached voice does not move
}

// ---------------------------------------------------------------- null sink

struct FakeClock {
    DWORD now = 5000;
    NullAudioSink::Clock Fn() {
        return [this] { return now; };
    }
};

TEST(NullSink, PullsWhatTheClockSaysAndKeepsIt) {
    FakeClock clock;
    NullAudioSink sink(clock.Fn(), 4096);
    Mixer mixer(22050);
    Voice v(Pcm(1, 16, 22050), 200);  // 100 frames
    std::vector<std::int16_t> s(100);
    for (int i = 0; i < 100; ++i) s[i] = static_cast<std::int16_t>(i * 10);
    Put16(v, s);
    mixer.Attach(&v);
    ASSERT_TRUE(sink.Open(mixer));
    v.Start(true);

    sink.Poll();
    EXPECT_EQ(sink.FramesConsumed(), 0u);
    clock.now += 100;  // 2205 frames at 22,050 Hz
    sink.Poll();
    EXPECT_EQ(sink.FramesConsumed(), 2205u);
    auto got = sink.TakeMixed();
    ASSERT_EQ(got.size(), 2u * 2205);
    for (int i = 0; i < 2205; ++i) ASSERT_EQ(got[2 * i], (i % 100) * 10) << "frame " << i;
    EXPECT_EQ(v.Position(), (2205u % 100) * 2);
    EXPECT_TRUE(sink.TakeMixed().empty());

    // Fractions of a frame are not lost between polls.
    for (int i = 0; i < 10; ++i) {
        clock.now += 1;
        sink.Poll();
    }
    EXPECT_EQ(sink.FramesConsumed(), 2205u + 220u);
    mixer.Detach(&v);
    sink.Close();
}

TEST(NullSink, RingKeepsTheNewestFramesAndSkipsTheRest) {
    FakeClock clock;
    NullAudioSink sink(clock.Fn(), 1000);
    Mixer mixer(22050);
    Voice v(Pcm(1, 16, 22050), 2 * 441);
    std::vector<std::int16_t> s(441);
    for (int i = 0; i < 441; ++i) s[i] = static_cast<std::int16_t>(i);
    Put16(v, s);
    mixer.Attach(&v);
    sink.Open(mixer);
    v.Start(true);
    clock.now += 1000;
    sink.Poll();
    EXPECT_EQ(sink.FramesConsumed(), 22050u);
    const auto got = sink.TakeMixed();
    ASSERT_EQ(got.size(), 2000u);
    // The last 1000 of 22,050 frames: they start at frame 21,050.
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(got[2 * i], (21050 + i) % 441) << "frame " << i;
    EXPECT_EQ(v.Position(), (22050u % 441) * 2);
    mixer.Detach(&v);
}

TEST(NullSink, ClosedSinkNoLongerPulls) {
    FakeClock clock;
    NullAudioSink sink(clock.Fn(), 100);
    Mixer mixer(1000);
    sink.Open(mixer);
    clock.now += 10;
    sink.Poll();
    EXPECT_EQ(sink.FramesConsumed(), 10u);
    sink.Close();
    clock.now += 10;
    sink.Poll();
    EXPECT_EQ(sink.FramesConsumed(), 10u);
}

TEST(NullSink, RateChangeCountsAfreshAtTheNewRate) {
    FakeClock clock;
    NullAudioSink sink(clock.Fn(), 1 << 16);
    Mixer mixer(22050);
    sink.Open(mixer);
    clock.now += 10;
    sink.PrimaryRateChanged(44100);  // mixes the 10 ms at the old rate first
    EXPECT_EQ(sink.FramesConsumed(), 220u);
    EXPECT_EQ(mixer.Rate(), 44100u);
    clock.now += 10;
    sink.Poll();
    EXPECT_EQ(sink.FramesConsumed(), 220u + 441u);
}

}  // namespace
}  // namespace platform
