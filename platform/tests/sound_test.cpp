// Sound device and buffers: creation rules, locks with wrap-around, cursors,
// one-shot and looping play heard through the headless sink, controls, loss
// and restore, release, and use from two threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <thread>
#include <vector>

#include "platform/AudioOut.h"
#include "platform/Sound.h"

namespace platform {
namespace {

WAVEFORMATEX Pcm(WORD channels, WORD bits, DWORD rate) {
    const WORD block = static_cast<WORD>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * block, block, bits, 0};
}

// A device on a headless sink whose clock the test moves by hand.
class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto sink = std::make_unique<NullAudioSink>([this] { return now_.load(); }, 1 << 16);
        sink_ = sink.get();
        ASSERT_EQ(DirectSoundCreateOn(std::move(sink), &ds_), DS_OK);
        ASSERT_NE(ds_, nullptr);
    }
    void TearDown() override {
        if (ds_) ds_->Release();
    }

    IDirectSoundBuffer* Make(DWORD bytes, WAVEFORMATEX format, DWORD flags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN) {
        DSBUFFERDESC desc{sizeof(DSBUFFERDESC), flags, bytes, 0, &format};
        IDirectSoundBuffer* b = nullptr;
        EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &b, nullptr), DS_OK);
        return b;
    }
    void Fill16(IDirectSoundBuffer* b, const std::vector<std::int16_t>& s) {
        void* p1 = nullptr;
        void* p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        ASSERT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
        ASSERT_EQ(n1, s.size() * 2);
        std::memcpy(p1, s.data(), n1);
        ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    }
    DWORD Status(IDirectSoundBuffer* b) {
        DWORD s = 0xDEAD;
        EXPECT_EQ(b->GetStatus(&s), DS_OK);
        return s;
    }
    // What the sink mixed up to the clock's present, since the last call.
    std::vector<std::int16_t> Heard() {
        sink_->Poll();
        return sink_->TakeMixed();
    }
    DWORD PlayCursor(IDirectSoundBuffer* b) {
        DWORD play = 0xDEAD;
        EXPECT_EQ(b->GetCurrentPosition(&play, nullptr), DS_OK);
        return play;
    }

    std::atomic<DWORD> now_{1000};
    NullAudioSink* sink_ = nullptr;
    IDirectSound* ds_ = nullptr;
};

TEST(SoundDevice, NoDeviceFailsCleanly) {
    IDirectSound* ds = reinterpret_cast<IDirectSound*>(0x1);
    EXPECT_EQ(DirectSoundCreateOn(nullptr, &ds), DSERR_NODRIVER);
    EXPECT_EQ(ds, nullptr);

    // An output that cannot open is a machine without a sound device.
    struct Refusing : AudioOut {
        bool Open(Mixer&) override { return false; }
        void Close() override {}
    };
    ds = reinterpret_cast<IDirectSound*>(0x1);
    EXPECT_EQ(DirectSoundCreateOn(std::make_unique<Refusing>(), &ds), DSERR_NODRIVER);
    EXPECT_EQ(ds, nullptr);

    SetAudioOutFactory([] { return std::unique_ptr<AudioOut>(); });
    ds = reinterpret_cast<IDirectSound*>(0x1);
    EXPECT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(ds, nullptr);
    SetAudioOutFactory({});
}

TEST(SoundDevice, DefaultDeviceOpensHeadless) {
    IDirectSound* ds = nullptr;
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
    ASSERT_NE(ds, nullptr);
    EXPECT_EQ(ds->Release(), 0u);
    EXPECT_EQ(DirectSoundCreate(nullptr, nullptr, nullptr), DSERR_INVALIDPARAM);
    int outer = 0;
    EXPECT_EQ(DirectSoundCreate(nullptr, &ds, &outer), DSERR_NOAGGREGATION);
}

TEST(SoundDevice, SdlOutputPullsThroughItsCallback) {
    // SDL's dummy driver consumes sound in real time without hardware.
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    IDirectSound* ds = nullptr;
    ASSERT_EQ(DirectSoundCreateOn(MakeSdlAudioOut(), &ds), DS_OK);
    WAVEFORMATEX f = Pcm(1, 8, 22050);
    DSBUFFERDESC desc{sizeof(DSBUFFERDESC), 0, 22050, 0, &f};
    IDirectSoundBuffer* b = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &b, nullptr), DS_OK);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    DWORD play = 0;
    for (int i = 0; i < 500 && play == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(b->GetCurrentPosition(&play, nullptr), DS_OK);
    }
    EXPECT_GT(play, 0u);
    EXPECT_EQ(ds->Release(), 0u);  // closes the device while the buffer still plays
    EXPECT_EQ(b->Release(), 0u);
}

// LUMORA_AUDIO: every frame the clock played is written, none skipped, even
// far beyond what the ring keeps.
TEST(SoundDevice, HeadlessCaptureWritesEveryMixedFrame) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("lumora-capture-" + std::to_string(::getpid()) + ".wav")).string();
    DWORD now = 1000;
    auto sink = std::make_unique<NullAudioSink>([&now] { return now; }, 256);
    NullAudioSink* raw = sink.get();
    ASSERT_TRUE(raw->CaptureTo(path));
    IDirectSound* ds = nullptr;
    ASSERT_EQ(DirectSoundCreateOn(std::move(sink), &ds), DS_OK);
    WAVEFORMATEX f = Pcm(1, 16, 22050);
    DSBUFFERDESC desc{sizeof(DSBUFFERDESC), 0, 2000, 0, &f};
    IDirectSoundBuffer* b = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&desc, &b, nullptr), DS_OK);
    void* p1 = nullptr;
    DWORD n1 = 0;
    ASSERT_EQ(b->Lock(0, 2000, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    for (DWORD i = 0; i < 1000; ++i) static_cast<std::int16_t*>(p1)[i] = static_cast<std::int16_t>(i * 7 - 3000);
    ASSERT_EQ(b->Unlock(p1, n1, nullptr, 0), DS_OK);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    now += 100;  // 2205 frames, more than the ring's 256
    raw->Poll();

    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(file.size(), 44u + 2205u * 4u);
    auto u32 = [&file](std::size_t at) {
        return file[at] | (file[at + 1] << 8) | (file[at + 2] << 16) | (static_cast<DWORD>(file[at + 3]) << 24);
    };
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
    EXPECT_EQ(u32(4), 36u + 2205u * 4u);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(u32(24), 22050u);
    EXPECT_EQ(u32(40), 2205u * 4u);
    for (DWORD i = 0; i < 2205; ++i) {
        std::int16_t left = 0, right = 0;
        std::memcpy(&left, &file[44 + 4 * i], 2);
        std::memcpy(&right, &file[46 + 4 * i], 2);
        const int want = i < 1000 ? static_cast<int>(i * 7 - 3000) : 0;
        ASSERT_EQ(left, want) << i;
        ASSERT_EQ(right, want) << i;
    }
    b->Release();
    ds->Release();

    // The variable reaches the default headless output.
    ::setenv("LUMORA_AUDIO", path.c_str(), 1);
    std::filesystem::remove(path);
    EXPECT_NE(MakeAudioOut(), nullptr);
    ::unsetenv("LUMORA_AUDIO");
    EXPECT_EQ(std::filesystem::file_size(path), 44u);
    std::filesystem::remove(path);
}

TEST_F(SoundTest, PrimaryBufferRules) {
    DSBUFFERDESC desc{sizeof(DSBUFFERDESC), DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(ds_->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    IDirectSoundBuffer* again = nullptr;
    ASSERT_EQ(ds_->CreateSoundBuffer(&desc, &again, nullptr), DS_OK);
    EXPECT_EQ(again, primary);
    again->Release();

    WAVEFORMATEX game = Pcm(1, 8, 22050);
    EXPECT_EQ(primary->SetFormat(&game), DSERR_PRIOLEVELNEEDED);
    ASSERT_EQ(ds_->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
    WAVEFORMATEX bad = game;
    bad.nBlockAlign = 2;
    EXPECT_EQ(primary->SetFormat(&bad), DSERR_BADFORMAT);
    ASSERT_EQ(primary->SetFormat(&game), DS_OK);
    WAVEFORMATEX got{};
    DWORD written = 0;
    ASSERT_EQ(primary->GetFormat(&got, sizeof got, &written), DS_OK);
    EXPECT_EQ(got.nSamplesPerSec, 22050u);
    EXPECT_EQ(got.wBitsPerSample, 8);
    EXPECT_EQ(got.nChannels, 1);

    EXPECT_EQ(primary->Play(0, 0, 0), DSERR_INVALIDPARAM);  // only looping
    ASSERT_EQ(primary->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(Status(primary), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    void* p = nullptr;
    DWORD n = 0;
    EXPECT_EQ(primary->Lock(0, 4, &p, &n, nullptr, nullptr, 0), DSERR_PRIOLEVELNEEDED);
    EXPECT_EQ(primary->SetVolume(-100), DSERR_CONTROLUNAVAIL);  // created without volume control
    ASSERT_EQ(primary->Stop(), DS_OK);
    EXPECT_EQ(Status(primary), 0u);

    desc.dwBufferBytes = 100;  // the primary has no size of its own
    IDirectSoundBuffer* wrong = nullptr;
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &wrong, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(wrong, nullptr);
    EXPECT_EQ(primary->Release(), 0u);
}

TEST_F(SoundTest, PrimaryFormatSetsTheHeadlessMixRate) {
    DSBUFFERDESC desc{36, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};  // 32-bit Windows size
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(ds_->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    ds_->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
    WAVEFORMATEX f = Pcm(2, 16, 11025);
    ASSERT_EQ(primary->SetFormat(&f), DS_OK);
    IDirectSoundBuffer* b = Make(64, Pcm(1, 8, 11025));
    const auto before = sink_->FramesConsumed();
    now_ += 1000;
    Status(b);  // any call brings the sink up to the present
    EXPECT_EQ(sink_->FramesConsumed() - before, 11025u);
    b->Release();
    primary->Release();
}

TEST_F(SoundTest, SecondaryCreationIsChecked) {
    WAVEFORMATEX f = Pcm(1, 16, 22050);
    IDirectSoundBuffer* b = reinterpret_cast<IDirectSoundBuffer*>(0x1);
    DSBUFFERDESC desc{sizeof(DSBUFFERDESC), 0, 1024, 0, &f};
    EXPECT_EQ(ds_->CreateSoundBuffer(nullptr, &b, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(b, nullptr);
    desc.dwSize = 12;
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &b, nullptr), DSERR_INVALIDPARAM);
    desc.dwSize = sizeof(DSBUFFERDESC);
    desc.dwBufferBytes = 2;
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &b, nullptr), DSERR_INVALIDPARAM);
    desc.dwBufferBytes = DSBSIZE_MAX + 1;
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &b, nullptr), DSERR_INVALIDPARAM);
    desc.dwBufferBytes = 1024;
    desc.lpwfxFormat = nullptr;
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &b, nullptr), DSERR_INVALIDPARAM);
    WAVEFORMATEX adpcm = f;
    adpcm.wFormatTag = 2;
    desc.lpwfxFormat = &adpcm;
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &b, nullptr), DSERR_BADFORMAT);
    desc.lpwfxFormat = &f;
    int outer = 0;
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &b, &outer), DSERR_NOAGGREGATION);
    EXPECT_EQ(b, nullptr);

    // A new buffer is silent, stopped, at 0, at the format's rate.
    desc.dwFlags = DSBCAPS_CTRLFREQUENCY;
    ASSERT_EQ(ds_->CreateSoundBuffer(&desc, &b, nullptr), DS_OK);
    EXPECT_EQ(Status(b), 0u);
    EXPECT_EQ(PlayCursor(b), 0u);
    DWORD hz = 0;
    ASSERT_EQ(b->GetFrequency(&hz), DS_OK);
    EXPECT_EQ(hz, 22050u);
    void* p1 = nullptr;
    DWORD n1 = 0;
    ASSERT_EQ(b->Lock(0, 1024, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    EXPECT_EQ(n1, 1024u);
    EXPECT_EQ(std::vector<char>(static_cast<char*>(p1), static_cast<char*>(p1) + 1024), std::vector<char>(1024, 0));
    b->Unlock(p1, n1, nullptr, 0);
    b->Release();

    // 8-bit silence is 128.
    IDirectSoundBuffer* b8 = Make(16, Pcm(1, 8, 8000));
    ASSERT_EQ(b8->Lock(0, 16, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    EXPECT_EQ(static_cast<unsigned char*>(p1)[7], 128);
    b8->Unlock(p1, n1, nullptr, 0);
    b8->Release();
}

TEST_F(SoundTest, LockGivesOneOrTwoRegions) {
    IDirectSoundBuffer* b = Make(1000, Pcm(1, 8, 22050));
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    // The whole buffer as it stands.
    auto contents = [&] {
        void* q1 = nullptr;
        DWORD m1 = 0;
        EXPECT_EQ(b->Lock(0, 0, &q1, &m1, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
        std::vector<unsigned char> all(static_cast<unsigned char*>(q1), static_cast<unsigned char*>(q1) + m1);
        EXPECT_EQ(b->Unlock(q1, m1, nullptr, 0), DS_OK);
        return all;
    };

    ASSERT_EQ(b->Lock(100, 200, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 200u);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(n2, 0u);
    std::memset(p1, 1, n1);
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    auto all = contents();
    ASSERT_EQ(all.size(), 1000u);
    EXPECT_EQ(all[99], 128);
    EXPECT_EQ(all[100], 1);
    EXPECT_EQ(all[299], 1);
    EXPECT_EQ(all[300], 128);

    // Past the end: the rest comes from the start.
    ASSERT_EQ(b->Lock(900, 300, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 100u);
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(n2, 200u);
    EXPECT_EQ(static_cast<unsigned char*>(p2)[150], 1);  // locked memory shows what the buffer holds
    std::memset(p1, 2, n1);
    std::memset(p2, 3, n2);
    // Unlocking with more than was locked, or with other pointers, is refused.
    EXPECT_EQ(b->Unlock(p1, n1, p2, n2 + 1), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Unlock(p2, n2, p1, n1), DSERR_INVALIDPARAM);
    ASSERT_EQ(b->Unlock(p1, n1, p2, 10), DS_OK);  // wrote only 10 bytes of the second part
    EXPECT_EQ(b->Unlock(p1, n1, p2, 10), DSERR_INVALIDPARAM);  // already unlocked
    all = contents();
    EXPECT_EQ(all[899], 128);
    EXPECT_EQ(all[900], 2);
    EXPECT_EQ(all[999], 2);
    EXPECT_EQ(all[0], 3);
    EXPECT_EQ(all[9], 3);
    EXPECT_EQ(all[10], 128);

    // Without a second pointer the lock stops at the end.
    ASSERT_EQ(b->Lock(900, 300, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    EXPECT_EQ(n1, 100u);
    ASSERT_EQ(b->Unlock(p1, n1, nullptr, 0), DS_OK);

    ASSERT_EQ(b->Lock(5, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    EXPECT_EQ(n1, 995u);
    EXPECT_EQ(n2, 5u);
    EXPECT_EQ(static_cast<unsigned char*>(p2)[0], 3);
    ASSERT_EQ(b->Unlock(p1, 0, p2, 0), DS_OK);

    EXPECT_EQ(b->Lock(1000, 1, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 1001, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 10, nullptr, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);

    // From the write cursor of a playing buffer.
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    now_ += 10;
    DWORD play = 0, write = 0;
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    ASSERT_EQ(b->Lock(0, 1, &p1, &n1, &p2, &n2, DSBLOCK_FROMWRITECURSOR), DS_OK);
    *static_cast<unsigned char*>(p1) = 9;
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    ASSERT_EQ(b->Stop(), DS_OK);
    EXPECT_EQ(contents()[write], 9);
    b->Release();
}

TEST_F(SoundTest, WritesReachTheBufferAtUnlock) {
    IDirectSoundBuffer* b = Make(4, Pcm(1, 16, 22050));
    void* p1 = nullptr;
    DWORD n1 = 0;
    ASSERT_EQ(b->Lock(0, 4, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    const std::int16_t s[2] = {7000, 7000};
    std::memcpy(p1, s, 4);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    Heard();
    now_ += 1;
    auto heard = Heard();
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard[0], 0);  // still locked: the old contents play
    ASSERT_EQ(b->Unlock(p1, n1, nullptr, 0), DS_OK);
    now_ += 1;
    heard = Heard();
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard[0], 7000);

    // A loss between Lock and Unlock takes the written bytes with it.
    ASSERT_EQ(b->Lock(0, 4, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    b->Lose();
    std::memcpy(p1, s, 4);
    ASSERT_EQ(b->Unlock(p1, n1, nullptr, 0), DS_OK);
    ASSERT_EQ(b->Restore(), DS_OK);
    ASSERT_EQ(b->Lock(0, 4, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    EXPECT_EQ(static_cast<std::int16_t*>(p1)[0], 0);
    b->Unlock(p1, n1, nullptr, 0);
    b->Release();
}

TEST_F(SoundTest, CursorsFollowTheClock) {
    IDirectSoundBuffer* b = Make(44100, Pcm(1, 16, 22050));  // one second
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(Status(b), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    now_ += 100;
    DWORD play = 0, write = 0;
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 2205u * 2);
    EXPECT_EQ(write, play + 221u * 2);  // about 10 ms ahead

    now_ += 950;  // 1.05 s in all: wrapped
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, (23152u - 22050u) * 2);

    ASSERT_EQ(b->Stop(), DS_OK);
    now_ += 500;
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, (23152u - 22050u) * 2);  // stopped: stays
    EXPECT_EQ(write, play);

    ASSERT_EQ(b->SetCurrentPosition(44098), DS_OK);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(write, 220u * 2);  // the write cursor wraps too
    EXPECT_EQ(b->SetCurrentPosition(44100), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->GetCurrentPosition(nullptr, nullptr), DSERR_INVALIDPARAM);
    b->Release();
}

TEST_F(SoundTest, OneShotIsHeardOnceThenStops) {
    IDirectSoundBuffer* b = Make(200, Pcm(1, 16, 22050));  // 100 frames
    std::vector<std::int16_t> s(100);
    for (int i = 0; i < 100; ++i) s[i] = static_cast<std::int16_t>(i + 1);
    Fill16(b, s);
    sink_->TakeMixed();
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(Status(b), DSBSTATUS_PLAYING);
    now_ += 10;  // 220 frames
    EXPECT_EQ(Status(b), 0u);
    EXPECT_EQ(PlayCursor(b), 0u);
    const auto heard = Heard();
    ASSERT_EQ(heard.size(), 2u * 220);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(heard[2 * i], i + 1);
    for (int i = 100; i < 220; ++i) ASSERT_EQ(heard[2 * i], 0);

    // Played again, it starts from the beginning.
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    now_ += 2;
    EXPECT_EQ(Heard()[0], 1);
    b->Release();
}

TEST_F(SoundTest, VolumePanAndFrequencyControls) {
    IDirectSoundBuffer* plain = Make(100, Pcm(1, 8, 22050), 0);
    LONG v = 0;
    EXPECT_EQ(plain->SetVolume(-100), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->GetVolume(&v), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetPan(100), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetFrequency(11025), DSERR_CONTROLUNAVAIL);
    plain->Release();

    IDirectSoundBuffer* b = Make(100, Pcm(1, 8, 22050), DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY);
    EXPECT_EQ(b->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetVolume(-10001), DSERR_INVALIDPARAM);
    ASSERT_EQ(b->SetVolume(-1500), DS_OK);
    ASSERT_EQ(b->GetVolume(&v), DS_OK);
    EXPECT_EQ(v, -1500);
    EXPECT_EQ(b->SetPan(10001), DSERR_INVALIDPARAM);
    ASSERT_EQ(b->SetPan(-2500), DS_OK);
    ASSERT_EQ(b->GetPan(&v), DS_OK);
    EXPECT_EQ(v, -2500);
    EXPECT_EQ(b->SetFrequency(99), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetFrequency(100001), DSERR_INVALIDPARAM);
    ASSERT_EQ(b->SetFrequency(44100), DS_OK);
    DWORD hz = 0;
    ASSERT_EQ(b->GetFrequency(&hz), DS_OK);
    EXPECT_EQ(hz, 44100u);
    ASSERT_EQ(b->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
    ASSERT_EQ(b->GetFrequency(&hz), DS_OK);
    EXPECT_EQ(hz, 22050u);
    b->Release();
}

TEST_F(SoundTest, VolumeAndPanAreHeard) {
    IDirectSoundBuffer* b = Make(4, Pcm(1, 16, 22050));
    Fill16(b, {10000, 10000});
    ASSERT_EQ(b->SetVolume(-2000), DS_OK);
    ASSERT_EQ(b->SetPan(DSBPAN_RIGHT), DS_OK);
    sink_->TakeMixed();
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    now_ += 1;
    const auto heard = Heard();
    ASSERT_GE(heard.size(), 2u);
    EXPECT_EQ(heard[0], 0);     // left silenced by the pan
    EXPECT_EQ(heard[1], 1000);  // right at -20 dB
    b->Release();
}

TEST_F(SoundTest, LossAndRestore) {
    IDirectSoundBuffer* b = Make(8, Pcm(1, 16, 22050));
    Fill16(b, {1, 2, 3, 4});
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    ds_->LoseBuffers();
    EXPECT_EQ(Status(b), DSBSTATUS_BUFFERLOST);
    void* p1 = nullptr;
    DWORD n1 = 0;
    EXPECT_EQ(b->Lock(0, 8, &p1, &n1, nullptr, nullptr, 0), DSERR_BUFFERLOST);
    EXPECT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DSERR_BUFFERLOST);
    sink_->TakeMixed();
    now_ += 5;
    const auto heard = Heard();
    ASSERT_FALSE(heard.empty());
    for (std::int16_t s : heard) ASSERT_EQ(s, 0);  // a lost buffer is not heard

    // While the device is still taken, restoring fails.
    ds_->SetRestoreAllowed(false);
    EXPECT_EQ(b->Restore(), DSERR_BUFFERLOST);
    EXPECT_EQ(Status(b), DSBSTATUS_BUFFERLOST);
    ds_->SetRestoreAllowed(true);
    ASSERT_EQ(b->Restore(), DS_OK);
    EXPECT_EQ(Status(b), 0u);
    EXPECT_EQ(b->Restore(), DS_OK);  // restoring a buffer that is not lost is harmless

    // Its contents are gone: the caller must fill it again.
    ASSERT_EQ(b->Lock(0, 8, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    const std::int16_t* s = static_cast<const std::int16_t*>(p1);
    EXPECT_EQ(s[0], 0);
    EXPECT_EQ(s[3], 0);
    ASSERT_EQ(b->Unlock(p1, n1, nullptr, 0), DS_OK);
    EXPECT_EQ(b->Play(0, 0, 0), DS_OK);

    // One buffer can be lost alone.
    IDirectSoundBuffer* other = Make(8, Pcm(1, 16, 22050));
    other->Lose();
    EXPECT_EQ(Status(other), DSBSTATUS_BUFFERLOST);
    EXPECT_EQ(Status(b), DSBSTATUS_PLAYING);
    other->Release();
    b->Release();
}

TEST_F(SoundTest, ReleasedBuffersLeaveTheMix) {
    IDirectSoundBuffer* b = Make(4, Pcm(1, 16, 22050));
    Fill16(b, {5000, 5000});
    EXPECT_EQ(b->AddRef(), 2u);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(b->Release(), 1u);
    now_ += 1;
    auto heard = Heard();
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), 5000);
    EXPECT_EQ(b->Release(), 0u);
    now_ += 1;
    heard = Heard();
    ASSERT_FALSE(heard.empty());
    for (std::int16_t s : heard) ASSERT_EQ(s, 0);
}

TEST_F(SoundTest, BuffersOutliveTheirDevice) {
    IDirectSoundBuffer* b = Make(8, Pcm(1, 16, 22050));
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(ds_->Release(), 0u);
    ds_ = nullptr;
    now_ += 100;
    EXPECT_EQ(Status(b), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    EXPECT_EQ(b->Stop(), DS_OK);
    EXPECT_EQ(b->Release(), 0u);
}

TEST_F(SoundTest, TwoThreadsShareTheBuffers) {
    // The timer thread services buffers while the window thread plays,
    // locks and stops them.
    IDirectSoundBuffer* b = Make(4410, Pcm(1, 8, 22050));
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::thread service([&] {
        while (!stop) {
            DWORD play = 0, write = 0, status = 0;
            if (b->GetCurrentPosition(&play, &write) != DS_OK || play >= 4410 || write >= 4410) ++bad;
            if (b->GetStatus(&status) != DS_OK) ++bad;
            now_ += 3;
        }
    });
    for (int i = 0; i < 2000; ++i) {
        void* p1 = nullptr;
        void* p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        if (b->Lock(static_cast<DWORD>(i * 7 % 4410), 2205, &p1, &n1, &p2, &n2, 0) != DS_OK) ++bad;
        std::memset(p1, 100 + i % 50, n1);
        if (p2) std::memset(p2, 100 + i % 50, n2);
        if (b->Unlock(p1, n1, p2, n2) != DS_OK) ++bad;
        b->Play(0, 0, i % 3 ? DWORD{DSBPLAY_LOOPING} : DWORD{0});
        if (i % 5 == 0) b->Stop();
    }
    stop = true;
    service.join();
    EXPECT_EQ(bad.load(), 0);
    b->Release();
}

}  // namespace
}  // namespace platform
