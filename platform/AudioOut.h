// Where the mixer's output goes: the SDL audio device (its callback pulls
// from the mixer) or, headless, a null sink that pulls as many frames as the
// clock says have been played and keeps them for tests to read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace platform {

class Mixer;

class AudioOut {
public:
    virtual ~AudioOut() = default;

    // Starts pulling from the mixer (and sets its output rate). False when
    // there is no device to play on.
    virtual bool Open(Mixer& mixer) = 0;
    // Stops pulling; the mixer is not touched after this returns.
    virtual void Close() = 0;
    // Brings the output up to the present. A real device pulls by itself.
    virtual void Poll() {}
    // The primary buffer asked for another sample rate. A device that can
    // follow it changes the mixer's rate; a real device keeps its own.
    virtual void PrimaryRateChanged(DWORD rate) { (void)rate; }
};

// Headless output. Each Poll() reads the clock and mixes the frames between
// the last poll and now, at the mixer's rate; the newest `ringFrames` frames
// are kept, older ones are dropped (and only advanced, not mixed). With a
// capture file every frame is mixed and also written to that file.
class NullAudioSink final : public AudioOut {
public:
    using Clock = std::function<DWORD()>;

    // Without a clock the sink follows timeGetTime().
    explicit NullAudioSink(Clock clock = {}, std::size_t ringFrames = 1u << 17);
    ~NullAudioSink() override;

    // Writes everything mixed from now on to a wave file (16-bit stereo PCM
    // at the mixer's rate when the first frames are written); the header is
    // brought up to date at every poll. False when the file cannot be made.
    bool CaptureTo(const std::string& path);

    bool Open(Mixer& mixer) override;
    void Close() override;
    void Poll() override;
    void PrimaryRateChanged(DWORD rate) override;

    // The frames mixed since the last call, oldest first, interleaved
    // left/right; at most the ring's capacity.
    std::vector<std::int16_t> TakeMixed();
    // Every frame the sink has consumed since it opened, mixed or skipped.
    std::uint64_t FramesConsumed() const;

private:
    void PollLocked();
    void WriteCaptureLocked(const std::int16_t* frames, std::size_t count);
    void CloseCaptureLocked();

    mutable std::mutex mutex_;
    std::FILE* capture_ = nullptr;
    DWORD captureRate_ = 0;
    std::uint64_t captureFrames_ = 0;
    Clock clock_;
    Mixer* mixer_ = nullptr;
    DWORD origin_ = 0;           // clock time at which `pulled_` counting began
    std::uint64_t pulled_ = 0;   // frames consumed since origin_
    std::uint64_t consumed_ = 0;
    std::vector<std::int16_t> ring_;
    std::size_t capacity_;
    std::size_t head_ = 0;       // next frame written
    std::size_t unread_ = 0;
    std::vector<std::int16_t> scratch_;
};

// SDL audio device at 44,100 Hz stereo, or whatever the device offers.
std::unique_ptr<AudioOut> MakeSdlAudioOut();

// The output DirectSoundCreate uses: the factory's, when one is set, else
// the SDL device for the sdl backend and a NullAudioSink for headless (which
// captures to the file LUMORA_AUDIO names, when it is set). A
// factory that gives null stands for a machine without a sound device.
using AudioOutFactory = std::function<std::unique_ptr<AudioOut>()>;
void SetAudioOutFactory(AudioOutFactory factory);
std::unique_ptr<AudioOut> MakeAudioOut();

}  // namespace platform
