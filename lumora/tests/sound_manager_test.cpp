// The sound manager and its sounds heard through the headless mixer: what
// each sound puts into the output, sample by sample, as the periodic pass
// runs; channels, pan, stopping, sound off and on, keys, lost buffers, a
// machine without a sound driver, and the positional sources.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cmath>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "_SoundTestSupport.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/Report.h"
#include "lumora/sound/LSound.h"
#include "lumora/sound/LSoundManager.h"
#include "lumora/sound/WaveFile.h"
#include "lumora/sound/XSoundSource.h"
#include "platform/Mixer.h"

using namespace platform;

namespace {

// A streamed buffer of 4000 bytes: halves of 2000 bytes, about 90 ms.
constexpr int kSmallBudget = 6 * 4000;

std::string Wave8(const std::string& samples) {
    WaveLayout layout;
    layout.data = samples;
    return MakeWave(layout);
}

// What the ramp of Wave8 gives, frame by frame, starting at sample `from`.
void ExpectSamples(const std::vector<int>& heard, std::size_t at, const std::string& samples,
                   std::size_t count, std::size_t from = 0) {
    ASSERT_GE(heard.size(), at + count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto s = static_cast<unsigned char>(samples[(from + i) % samples.size()]);
        ASSERT_EQ(heard[at + i], Mixed8(s)) << "frame " << at + i;
    }
}

void ExpectSilence(const std::vector<int>& heard, std::size_t from) {
    for (std::size_t i = from; i < heard.size(); ++i)
        ASSERT_EQ(heard[i], 0) << "frame " << i;
}

LONG BufferVolume(LSound* sound) {
    LONG v = 1;
    EXPECT_EQ(sound->Buffer()->GetVolume(&v), DS_OK);
    return v;
}

TEST(SoundManager, StaticOneShotMixesExactlyItsSamplesThenIsDeletedTwoPassesAfterItsEnd) {
    SoundRig rig;
    const std::string samples = Ramp8(1000);
    LSound* s = rig.manager->Play(rig.File("Shot.wav", Wave8(samples)).c_str(), 0, 1, 1, 2, 1, 100, 100, 100);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->IsStatic());
    EXPECT_EQ(s->BufferSize(), 1000u);

    std::vector<int> heard = rig.Advance(100);
    ASSERT_EQ(heard.size(), 2205u);
    ExpectSamples(heard, 0, samples, 1000);
    ExpectSilence(heard, 1000);

    // The pass that finds the buffer stopped schedules the sound; the channel
    // still counts as playing until the next pass deletes it.
    rig.manager->Update();
    EXPECT_TRUE(rig.manager->IsChannelPlaying(2));
    EXPECT_EQ(rig.manager->SoundCount(), 1);
    rig.manager->Update();
    EXPECT_FALSE(rig.manager->IsChannelPlaying(2));
    EXPECT_EQ(rig.manager->SoundCount(), 0);
    EXPECT_TRUE(rig.reports.boxes.empty());
}

TEST(SoundManager, SixteenBitStereoKeepsItsSides) {
    SoundRig rig;
    WaveLayout layout;
    layout.channels = 2;
    layout.bits = 16;
    std::vector<std::int16_t> frames;
    for (int i = 0; i < 600; ++i) {
        frames.push_back(static_cast<std::int16_t>(i * 50 - 15000));
        frames.push_back(static_cast<std::int16_t>(9000 - i * 30));
    }
    layout.data.assign(reinterpret_cast<const char*>(frames.data()), frames.size() * 2);
    ASSERT_NE(rig.manager->Play(rig.File("St.wav", MakeWave(layout)).c_str(), 0, 1, 1, 3, 1, 100, 100, 100),
              nullptr);
    rig.now += 50;
    std::vector<std::int16_t> heard = rig.TakeStereo();
    ASSERT_EQ(heard.size(), 2u * 1102u);
    for (std::size_t i = 0; i < heard.size(); ++i)
        ASSERT_EQ(heard[i], i < frames.size() ? frames[i] : 0) << i;
}

TEST(SoundManager, BufferSizeFollowsTheLimit) {
    // The game's limit: a RIFF chunk below 166666 bytes is static, one of
    // 166666 or more streams through a buffer of exactly 166666 bytes.
    SoundRig rig;
    EXPECT_EQ(rig.manager->m_BufferLimit, 166666);
    const std::size_t header = MakeWave(WaveLayout{}).size() - 8; // RIFF size of an empty file
    LSound* below = rig.manager->Play(rig.File("a.wav", Wave8(Ramp8(166664 - header))).c_str(), 1, 0, 0, 1, 0,
                                      100, 100, 100);
    ASSERT_NE(below, nullptr);
    EXPECT_TRUE(below->IsStatic());
    LSound* at = rig.manager->Play(rig.File("b.wav", Wave8(Ramp8(166666 - header))).c_str(), 1, 0, 0, 1, 0,
                                   100, 100, 100);
    ASSERT_NE(at, nullptr);
    EXPECT_FALSE(at->IsStatic());
    EXPECT_EQ(at->BufferSize(), 166666u);
}

TEST(SoundManager, StreamedFilePlaysThroughBothHalvesAndItsEndWithNoGapOrRepeat) {
    SoundRig rig(kSmallBudget);
    const std::string samples = Ramp8(9000); // ends inside a half
    LSound* s = rig.manager->Play(rig.File("Long.wav", Wave8(samples)).c_str(), 0, 1, 0, 2, 1, 100, 100, 100);
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(s->IsStatic());
    EXPECT_EQ(s->BufferSize(), 4000u);

    // Whether channel 2 counts as playing after each pass.
    std::string playing;
    std::vector<int> heard;
    for (int step = 0; step < 100; ++step) {
        std::vector<int> part = rig.Advance(10);
        heard.insert(heard.end(), part.begin(), part.end());
        rig.manager->Update();
        const char now = rig.manager->IsChannelPlaying(2) ? 'T' : 'F';
        if (playing.empty() || playing.back() != now) playing += now;
    }
    ExpectSamples(heard, 0, samples, samples.size());
    ExpectSilence(heard, samples.size());
    // Not playing once a fill found no data, playing again from the stop to
    // the pass that deletes it, then gone.
    EXPECT_EQ(playing, "TFTF");
    EXPECT_EQ(rig.manager->SoundCount(), 0);
    EXPECT_TRUE(rig.reports.boxes.empty());
}

TEST(SoundManager, LoopingStreamWrapsWithoutAGap) {
    SoundRig rig(kSmallBudget);
    const std::string samples = Ramp8(4500);
    ASSERT_NE(rig.manager->Play(rig.File("Loop.wav", Wave8(samples)).c_str(), 1, 0, 0, 1, 1, 100, 100, 100),
              nullptr);
    std::vector<int> heard = rig.Run(1000);
    ExpectSamples(heard, 0, samples, heard.size());
    EXPECT_TRUE(rig.manager->IsChannelPlaying(1));

    // A streamed looping sound whose data fills the halves exactly.
    SoundRig exact(kSmallBudget);
    const std::string even = Ramp8(6000, 7);
    ASSERT_NE(exact.manager->Play(exact.File("Even.wav", Wave8(even)).c_str(), 1, 0, 0, 1, 1, 100, 100, 100),
              nullptr);
    heard = exact.Run(1000);
    ExpectSamples(heard, 0, even, heard.size());
}

TEST(SoundManager, ChannelVolumeAndPanGiveTheExpectedGains) {
    SoundRig rig;
    const std::string level(2000, static_cast<char>(128 + 64)); // 16384 at full volume
    const std::string file = rig.File("Tone.wav", Wave8(level));

    rig.manager->SetChannelVolume(4, 85);
    EXPECT_EQ(rig.manager->GetChannelVolume(4), 85);
    LSound* full = rig.manager->Play(file.c_str(), 1, 0, 1, 4, 1, 100, 100, 100);
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(BufferVolume(full), -1500);
    rig.Advance(10);
    rig.now += 10;
    std::vector<std::int16_t> stereo = rig.TakeStereo();
    ASSERT_FALSE(stereo.empty());
    const double gain = std::pow(10.0, -1500 / 2000.0);
    EXPECT_NEAR(stereo[0], 16384 * gain, 1.5);
    EXPECT_NEAR(stereo[1], 16384 * gain, 1.5);

    full->SetVolume(50);
    EXPECT_EQ(BufferVolume(full), -5750);
    full->SetVolume(0);
    EXPECT_EQ(BufferVolume(full), -10000);
    full->SetVolume(101); // refused
    EXPECT_EQ(BufferVolume(full), -10000);
    EXPECT_EQ(rig.BoxesWith(GetMessageText(23)), 1);

    // A new channel volume reaches the sounds already playing on it.
    full->SetVolume(100);
    rig.manager->SetChannelVolume(4, 100);
    EXPECT_EQ(BufferVolume(full), 0);

    // Pan: the side away from 100 is attenuated.
    full->SetPan(100, 50);
    rig.TakeStereo();
    rig.now += 10;
    stereo = rig.TakeStereo();
    EXPECT_EQ(stereo[0], 16384);
    EXPECT_NEAR(stereo[1], 16384 * std::pow(10.0, -5000 / 2000.0), 1.5);
    full->SetPan(0, 100);
    rig.now += 10;
    stereo = rig.TakeStereo();
    EXPECT_EQ(stereo[0], 0);
    EXPECT_EQ(stereo[1], 16384);

    // Refused pans change nothing.
    full->SetPan(50, 50);
    full->SetPan(100, 101);
    LSound* plain = rig.manager->Play(file.c_str(), 1, 0, 0, 3, 0, 100, 100, 100);
    ASSERT_NE(plain, nullptr);
    plain->SetPan(100, 100);
    EXPECT_EQ(rig.BoxesWith(GetMessageText(28)), 1);
    EXPECT_EQ(rig.BoxesWith(GetMessageText(25)), 1);
    EXPECT_EQ(rig.BoxesWith(GetMessageText(26)), 1);
    LONG pan = 1;
    full->Buffer()->GetPan(&pan);
    EXPECT_EQ(pan, 10000);

    // Channels outside 1 to 6.
    EXPECT_EQ(rig.manager->Play(file.c_str(), 0, 1, 0, 7, 1, 100, 100, 100), nullptr);
    EXPECT_EQ(rig.manager->GetChannelVolume(0), -1);
    rig.manager->SetChannelVolume(1, -1);
    EXPECT_EQ(rig.BoxesWith(GetMessageText(22)), 2);
    EXPECT_EQ(rig.BoxesWith(GetMessageText(23)), 2);
}

TEST(SoundManager, KeypadKeysStepEveryChannelWithinItsRange) {
    SoundRig rig;
    rig.manager->SetChannelVolume(1, 95);
    rig.manager->SetChannelVolume(3, 5);
    std::int32_t plus = 107, minus = 109, other = 65;
    EXPECT_EQ(rig.manager->HandleEvent(15, nullptr, &plus), 0);
    EXPECT_EQ(rig.manager->GetChannelVolume(1), 100);
    EXPECT_EQ(rig.manager->GetChannelVolume(2), 100);
    EXPECT_EQ(rig.manager->GetChannelVolume(3), 15);
    rig.manager->HandleEvent(15, nullptr, &minus);
    rig.manager->HandleEvent(15, nullptr, &minus);
    EXPECT_EQ(rig.manager->GetChannelVolume(3), 0);
    EXPECT_EQ(rig.manager->GetChannelVolume(6), 80);
    rig.manager->HandleEvent(15, nullptr, &other);
    rig.manager->HandleEvent(15, nullptr, nullptr);
    EXPECT_EQ(rig.manager->GetChannelVolume(6), 80);
    EXPECT_TRUE(rig.reports.boxes.empty());
}

TEST(SoundManager, StopChannelLeavesALoopAudibleUntilThePassDeletesIt) {
    SoundRig rig;
    const std::string samples = Ramp8(500);
    const std::string file = rig.File("Amb.wav", Wave8(samples));
    ASSERT_NE(rig.manager->Play(file.c_str(), 1, 0, 0, 1, 1, 100, 100, 100), nullptr);
    const std::string hum(300, static_cast<char>(129));
    LSound* voice = rig.manager->Play(rig.File("Hum.wav", Wave8(hum)).c_str(), 1, 1, 0, 2, 1, 100, 100, 100);
    ASSERT_NE(voice, nullptr);
    rig.Advance(10);

    rig.manager->StopChannel(1);
    rig.manager->StopChannel(9); // no such channel: nothing to stop
    EXPECT_TRUE(rig.manager->IsChannelPlaying(1));
    std::vector<int> heard = rig.Advance(10);
    ASSERT_FALSE(heard.empty());
    // Both loops are still heard: the background one keeps its buffer running.
    EXPECT_EQ(heard[0], Mixed8(static_cast<unsigned char>(samples[220])) + 256);

    rig.manager->Update();
    EXPECT_FALSE(rig.manager->IsChannelPlaying(1));
    EXPECT_TRUE(rig.manager->IsListed(voice));
    heard = rig.Advance(10);
    EXPECT_EQ(heard[0], 256);

    // Removing the auto-release sound stops its buffer at once.
    rig.manager->Remove(voice);
    ExpectSilence(rig.Advance(10), 0);
    rig.manager->Update();
    EXPECT_EQ(rig.manager->SoundCount(), 0);

    ASSERT_NE(rig.manager->Play(file.c_str(), 1, 1, 0, 5, 1, 100, 100, 100), nullptr);
    ASSERT_NE(rig.manager->Play(file.c_str(), 1, 0, 0, 6, 1, 100, 100, 100), nullptr);
    rig.manager->StopAll();
    rig.manager->Update();
    EXPECT_EQ(rig.manager->SoundCount(), 0);
    ExpectSilence(rig.Advance(10), 0);
}

TEST(SoundManager, SoundOffThenOnGoesOnFromWhereItStood) {
    SoundRig rig;
    const std::string samples = Ramp8(3000);
    const std::string file = rig.File("Amb.wav", Wave8(samples));
    ASSERT_NE(rig.manager->Play(file.c_str(), 1, 0, 0, 1, 1, 100, 100, 100), nullptr);
    std::vector<int> heard = rig.Advance(20); // 441 frames

    rig.manager->HandleEvent(18, nullptr, nullptr);
    ExpectSilence(rig.Advance(50), 0);
    rig.manager->Update();

    // Started while the sound is off: heard at once (and not muted later).
    const std::string other = Ramp8(100, 50);
    ASSERT_NE(rig.manager->Play(rig.File("Bell.wav", Wave8(other)).c_str(), 0, 1, 0, 2, 1, 100, 100, 100),
              nullptr);
    heard = rig.Advance(20);
    ExpectSamples(heard, 0, other, 100);

    rig.manager->HandleEvent(17, nullptr, nullptr);
    heard = rig.Advance(20);
    ExpectSamples(heard, 0, samples, heard.size(), 441);
    // A second "active" changes nothing.
    rig.manager->HandleEvent(17, nullptr, nullptr);
    ExpectSamples(rig.Advance(10), 0, samples, 220, 441 + heard.size());

    // A one-shot that ended while the sound was off does not start again.
    rig.manager->Update();
    rig.manager->HandleEvent(18, nullptr, nullptr);
    rig.manager->HandleEvent(17, nullptr, nullptr);
    rig.manager->StopChannel(1);
    rig.manager->Update();
    ExpectSilence(rig.Advance(20), 0);
}

TEST(SoundManager, LostBufferIsRestoredFilledAndPlaysOn) {
    SoundRig rig;
    const std::string samples = Ramp8(1500);
    ASSERT_NE(rig.manager->Play(rig.File("Amb.wav", Wave8(samples)).c_str(), 1, 0, 0, 1, 1, 100, 100, 100),
              nullptr);
    rig.Advance(10);
    rig.manager->DirectSound()->LoseBuffers();
    ExpectSilence(rig.Advance(20), 0);

    rig.manager->HandleEvent(18, nullptr, nullptr);
    rig.manager->HandleEvent(17, nullptr, nullptr);
    std::vector<int> heard = rig.Advance(100);
    ExpectSamples(heard, 0, samples, heard.size(), 220);
    EXPECT_TRUE(rig.reports.boxes.empty());

    // While the device is held elsewhere the restore fails and is reported.
    rig.manager->DirectSound()->LoseBuffers();
    rig.manager->DirectSound()->SetRestoreAllowed(false);
    rig.manager->HandleEvent(18, nullptr, nullptr);
    rig.manager->HandleEvent(17, nullptr, nullptr);
    ASSERT_EQ(rig.reports.boxes.size(), 1u);
    EXPECT_NE(rig.reports.boxes[0].text.find(GetMessageText(29)), std::string::npos);
    EXPECT_NE(rig.reports.boxes[0].text.find("DSERR_BUFFERLOST"), std::string::npos);
    EXPECT_NE(rig.reports.boxes[0].text.find("LSound.cpp"), std::string::npos);
}

TEST(SoundManager, MissingFileGivesTheCodedErrorThenMessage20) {
    SoundRig rig;
    EXPECT_EQ(rig.manager->Play(rig.dir.File("Sound/none.wav").c_str(), 0, 1, 0, 2, 1, 100, 100, 100),
              nullptr);
    ASSERT_EQ(rig.reports.boxes.size(), 2u);
    EXPECT_NE(rig.reports.boxes[0].text.find(GetMessageText(100) + std::to_string(kWaveCannotOpen)),
              std::string::npos);
    EXPECT_NE(rig.reports.boxes[0].text.find("none.wav"), std::string::npos);
    EXPECT_NE(rig.reports.boxes[1].text.find(GetMessageText(20)), std::string::npos);
    EXPECT_NE(rig.reports.boxes[1].text.find("Unknown Error"), std::string::npos);
    EXPECT_NE(rig.reports.boxes[1].text.find("LSoundManager.cpp"), std::string::npos);

    // No data chunk: the sound exists but never counts as playing.
    WaveLayout empty;
    empty.dataChunk = false;
    rig.reports.boxes.clear();
    EXPECT_NE(rig.manager->Play(rig.File("e.wav", MakeWave(empty)).c_str(), 0, 1, 0, 2, 1, 100, 100, 100),
              nullptr);
    EXPECT_FALSE(rig.manager->IsChannelPlaying(2));
    ASSERT_EQ(rig.reports.boxes.size(), 1u);
    EXPECT_NE(rig.reports.boxes[0].text.find(GetMessageText(100) + std::to_string(MMIOERR_CHUNKNOTFOUND)),
              std::string::npos);

    // A format the device cannot play: the device's own error.
    WaveLayout layout;
    layout.bits = 24;
    layout.data = std::string(300, '\1');
    EXPECT_EQ(rig.manager->Play(rig.File("d.wav", MakeWave(layout)).c_str(), 0, 1, 0, 2, 1, 100, 100, 100),
              nullptr);
    EXPECT_EQ(rig.BoxesWith("DSERR_BADFORMAT"), 1);
}

TEST(SoundManager, TruncatedStreamIsReportedOnceAndEnds) {
    SoundRig rig(kSmallBudget);
    WaveLayout layout;
    layout.data = Ramp8(9000);
    layout.cutData = 3000;
    ASSERT_NE(rig.manager->Play(rig.File("Cut.wav", MakeWave(layout)).c_str(), 1, 1, 0, 2, 1, 100, 100, 100),
              nullptr);
    std::vector<int> heard = rig.Run(800);
    ExpectSamples(heard, 0, layout.data, 4000);
    EXPECT_EQ(rig.BoxesWith(std::to_string(kWaveTruncated)), 1);
    EXPECT_EQ(rig.manager->SoundCount(), 0);
    ExpectSilence(heard, 6000);
}

TEST(SoundManager, ReportsOfTheTimerPassAreShownOnTheWindowThread) {
    SoundRig rig(kSmallBudget, true, 5);
    std::mutex lock;
    std::vector<std::thread::id> shownOn;
    SetMessageBoxHook([&](platform::HWND, const char*, const char*, platform::UINT) {
        std::lock_guard guard(lock);
        shownOn.push_back(std::this_thread::get_id());
        return platform::IDOK;
    });
    WaveLayout layout;
    layout.data = Ramp8(9000);
    layout.cutData = 3000;
    ASSERT_NE(rig.manager->Play(rig.File("Cut.wav", MakeWave(layout)).c_str(), 1, 1, 0, 2, 1, 100, 100, 100),
              nullptr);
    // The failing refill happens in a timer pass; the count asked for here
    // is a window-thread operation, which shows what the pass queued.
    for (int i = 0; i < 400 && rig.manager->SoundCount() > 0; ++i) {
        rig.now += 5;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(rig.manager->SoundCount(), 0);
    std::lock_guard guard(lock);
    ASSERT_EQ(shownOn.size(), 1u);
    EXPECT_EQ(shownOn[0], std::this_thread::get_id());
    SetMessageBoxHook({});
}

TEST(SoundManager, NoDriverReportsOnceAndNeverPlays) {
    SoundRig rig(1000000, false);
    EXPECT_EQ(rig.initResult, DSERR_NODRIVER);
    EXPECT_EQ(rig.manager->m_Available, 0);
    ASSERT_EQ(rig.reports.boxes.size(), 1u);
    EXPECT_NE(rig.reports.boxes[0].text.find(GetMessageText(20)), std::string::npos);
    EXPECT_NE(rig.reports.boxes[0].text.find(GetMessageText(201)), std::string::npos);
    EXPECT_EQ(rig.manager->Play(rig.File("a.wav", Wave8("abc")).c_str(), 0, 1, 0, 2, 1, 100, 100, 100),
              nullptr);
    rig.manager->Update();
    EXPECT_EQ(rig.reports.boxes.size(), 1u);
}

// The whole headless path: the manager on its timer, the default headless
// output capturing to LUMORA_AUDIO, and the capture read back as a wave file.
TEST(SoundManager, CapturedOutputIsAWaveFileHoldingThePlayedSamples) {
    ScratchDir dir;
    ReportRecorder reports;
    const std::string capture = dir.File("Heard.wav");
    ::setenv("LUMORA_AUDIO", capture.c_str(), 1);
    const std::string samples = Ramp8(2000);
    WaveLayout layout;
    layout.data = samples;
    dir.Write("Sound/Bell.WAV", MakeWave(layout));
    {
        LSoundManager manager(1, 22050, 8, 1000000, 6);
        ASSERT_EQ(manager.Init(nullptr, 20), 0);
        ASSERT_NE(manager.Play(dir.File("sound/bell.wav").c_str(), 0, 1, 0, 2, 1, 100, 100, 100), nullptr);
        for (int i = 0; i < 300 && manager.SoundCount() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(manager.SoundCount(), 0);  // ended and deleted by the timer's passes
    }
    ::unsetenv("LUMORA_AUDIO");
    EXPECT_TRUE(reports.boxes.empty());

    HMMIO file = nullptr;
    WAVEFORMATEX* format = nullptr;
    MMCKINFO riff{};
    ASSERT_EQ(OpenWaveForRead(capture.c_str(), &file, &format, &riff), 0);
    EXPECT_EQ(format->nChannels, 2);
    EXPECT_EQ(format->wBitsPerSample, 16);
    EXPECT_EQ(format->nSamplesPerSec, 22050u);
    FreeWaveFormat(format);
    MMCKINFO data{};
    ASSERT_EQ(SeekWaveData(file, &data, &riff), 0);
    std::vector<std::int16_t> heard(data.cksize / 2);
    UINT got = 0;
    ASSERT_EQ(ReadWaveData(file, data.cksize, reinterpret_cast<BYTE*>(heard.data()), &data, &got), 0);
    mmioClose(file, 0);

    // The sound is in there whole, on both sides, once.
    std::size_t start = 0;
    while (start < heard.size() / 2 && heard[2 * start] == 0) ++start;
    ASSERT_LE(start + samples.size(), heard.size() / 2);
    for (std::size_t i = 0; i < heard.size() / 2; ++i) {
        const bool inside = i >= start && i < start + samples.size();
        const int want = inside ? Mixed8(static_cast<unsigned char>(samples[i - start])) : 0;
        ASSERT_EQ(heard[2 * i], want) << i;
        ASSERT_EQ(heard[2 * i + 1], want) << i;
    }
}

TEST(SoundSource, VolumeFollowsTheListenersDistance) {
    SoundRig rig;
    ZeltVector listener{0, 0, 0};
    SetSoundListener([&listener] { return listener; });
    const std::string samples = Ramp8(600);
    const std::string a = rig.File("Sound/A.wav", Wave8(samples));
    const std::string b = rig.File("Sound/B.wav", Wave8(Ramp8(400)));

    XSoundSource source(2, 50.0f);
    const ZeltVector at{30, 0, 40}; // 50 away
    ZeltVector near{0, 30, 0};
    ASSERT_TRUE(source.Play(a.c_str(), &near, 0));
    EXPECT_EQ(source.m_Volume, 40);
    EXPECT_EQ(BufferVolume(source.m_Sound), -6000);
    EXPECT_TRUE(source.IsPlaying());

    // The same file again (in any case) changes nothing.
    std::string upper = a;
    upper.replace(upper.size() - 5, 5, "A.WAV");
    EXPECT_FALSE(source.Play(upper.c_str(), &at, 0));
    EXPECT_EQ(source.m_Volume, 40);

    source.SetDistance(0);
    EXPECT_EQ(source.m_Volume, 100);
    source.SetDistance(25);
    EXPECT_EQ(source.m_Volume, 50);
    EXPECT_EQ(BufferVolume(source.m_Sound), -5000);
    source.SetDistance(50);
    EXPECT_EQ(source.m_Volume, 0);
    source.SetDistance(80);
    EXPECT_EQ(source.m_Volume, 0);

    listener = {0, 20, 0}; // 10 from the sound
    source.Refresh();
    EXPECT_EQ(source.m_Volume, 80);

    // Another file stops the channel and starts the new one.
    LSound* first = source.m_Sound;
    ASSERT_TRUE(source.Play(b.c_str(), &at, 0));
    EXPECT_NE(source.m_Sound, first);
    EXPECT_EQ(source.m_Volume, 0);

    // Once its sound has ended and been deleted, Refresh leaves it alone.
    rig.Advance(100);
    rig.manager->Update();
    rig.manager->Update();
    rig.manager->Update();
    EXPECT_FALSE(rig.manager->IsListed(source.m_Sound));
    source.SetDistance(10);
    source.Refresh();
    EXPECT_FALSE(source.IsPlaying());

    // A file the manager cannot play leaves the source without a sound.
    rig.reports.boxes.clear();
    EXPECT_FALSE(source.Play(rig.dir.File("none.wav").c_str(), &at, 0));
    EXPECT_EQ(source.m_Sound, nullptr);
    EXPECT_EQ(rig.reports.boxes.size(), 2u);
    SetSoundListener({});
}

} // namespace

// A streamed voice's stream is read a half-buffer ahead of what is heard:
// the channel stops counting it as playing before its end is heard. The
// source still holds it as sounding for its full length on the game's
// clock; stopped in that tail, or without a wave of its own, it goes by the
// channel.
TEST(SoundSource, AVoiceIsHeardForItsLengthThoughItsStreamIsReadEarlier) {
    SetFixedClock(10);
    {
        SoundRig rig(kSmallBudget);
        const std::string voice = rig.File("Sound/Voice.wav", Wave8(Ramp8(9000)));  // 408 ms
        XSoundSource source(2, 50.0f);
        auto step = [&] {
            rig.Advance(10);
            rig.manager->Update();
            detail::AdvanceClockOneFrame();
        };
        ASSERT_TRUE(source.Play(voice.c_str(), nullptr, 0));
        EXPECT_EQ(source.m_Length, 408u);
        int read = -1, heard = -1;
        for (int ms = 10; ms <= 1000 && heard < 0; ms += 10) {
            step();
            if (read < 0 && !source.IsPlaying()) read = ms;
            if (!source.IsSounding()) heard = ms;
        }
        EXPECT_GT(read, 0);
        EXPECT_LT(read, 408) << "the stream is read ahead of what is heard";
        EXPECT_EQ(heard, 410);

        // Stopped once its stream is read, it is over at once.
        ASSERT_TRUE(source.Play(voice.c_str(), nullptr, 0));
        while (source.IsPlaying()) step();
        ASSERT_TRUE(source.IsSounding());
        source.Stop();
        EXPECT_FALSE(source.IsSounding());

        // A voice put on its channel behind its back: the channel tells.
        source.m_Sound = nullptr;
        ASSERT_NE(rig.manager->Play(voice.c_str(), 0, 1, 0, 2, 1, 100, 100, 100), nullptr);
        EXPECT_TRUE(source.IsSounding());
        rig.manager->StopChannel(2);
        rig.manager->Update();
        EXPECT_FALSE(source.IsSounding());
    }
    SetFixedClock(0);
}
