// Where the mixer's output goes: the SDL audio device (its callback pulls
// from the mixer) or, headless, a null sink that pulls as many frames as the
// clock says have been played and keeps them for tests to read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
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
// are kept, older ones are dropped (and only advanced, not mixed).
class NullAudioSink final : public AudioOut {
public:
    using Clock = std::function<DWORD()>;

    // Without a clock the sink follows timeGetTime().
    explicit NullAudioSink(Clock clock = {}, std::size_t ringFrames = 1u << 17);

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

    mutable std::mutex mutex_;
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
// the SDL device for the sdl backend and a NullAudioSink for headless. A
// factory that gives null stands for a machine without a sound device.
using AudioOutFactory = std::function<std::unique_ptr<AudioOut>()>;
void SetAudioOutFactory(AudioOutFactory factory);
std::unique_ptr<AudioOut> MakeAudioOut();

}  // namespace platform
