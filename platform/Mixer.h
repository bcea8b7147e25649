// Software mixer: every playing voice is resampled to the output rate with
// linear interpolation, scaled by its volume and pan, and summed with
// saturation into interleaved 16-bit stereo.
//
// One recursive lock guards the mixer and all its voices. The output side
// (audio thread or null sink) takes it in Mix/Skip; whoever changes a voice
// holds Guard() while doing so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/Sound.h"

namespace platform {

// Hundredths of a decibel (0 down to -10000) as an amplitude factor; -10000
// and below are silence.
float AttenuationToGain(LONG hundredthsOfDb);

// True when the mixer can play the format: PCM, 1 or 2 channels, 8 or 16
// bits, a block alignment that matches, a rate the buffers accept.
bool IsPlayableFormat(const WAVEFORMATEX& format);

// The sound of one secondary buffer. All methods expect the caller to hold
// the owning mixer's Guard() once the voice is attached.
class Voice {
public:
    // format must be playable; bytes at least one block. The memory starts
    // silent.
    Voice(const WAVEFORMATEX& format, DWORD bytes);

    std::uint8_t* Data() { return data_.data(); }
    DWORD Bytes() const { return static_cast<DWORD>(data_.size()); }
    const WAVEFORMATEX& Format() const { return format_; }
    // Whole sample frames; a trailing partial block is never played.
    DWORD Frames() const { return frames_; }

    void Start(bool looping);
    void Halt();
    bool Playing() const { return playing_; }
    bool Looping() const { return looping_; }

    // Byte offset of the next frame to be mixed (a multiple of the block).
    DWORD Position() const;
    // Moves to the frame holding byte `position` (< Bytes()).
    void SetPosition(DWORD position);

    void SetVolume(LONG hundredthsOfDb);
    LONG Volume() const { return volume_; }
    void SetPan(LONG pan);
    LONG Pan() const { return pan_; }
    // 0 restores the format's own rate.
    void SetFrequency(DWORD hz);
    DWORD Frequency() const { return frequency_; }

    // Fills the memory with the format's silence (128 for 8 bits, else 0).
    void FillSilence();

private:
    friend class Mixer;
    // Adds `frames` output frames to acc (interleaved float L/R) and moves on.
    void MixInto(float* acc, std::size_t frames, DWORD outputRate);
    // Moves on as if `frames` output frames were mixed.
    void Skip(std::uint64_t frames, DWORD outputRate);
    template <int Bits, int Channels>
    void MixFrames(float* acc, std::size_t frames, std::uint64_t step);
    std::uint64_t Step(DWORD outputRate) const;
    // Wraps a looping position, ends a one-shot that has run out.
    void SettleEnd();
    void UpdateGains();

    WAVEFORMATEX format_;
    std::vector<std::uint8_t> data_;
    DWORD frames_ = 0;
    std::uint64_t pos_ = 0;  // frames, 32.32 fixed point
    bool playing_ = false;
    bool looping_ = false;
    LONG volume_ = 0;
    LONG pan_ = 0;
    DWORD frequency_ = 0;
    float gainLeft_ = 1.0f;
    float gainRight_ = 1.0f;
};

class Mixer {
public:
    explicit Mixer(DWORD outputRate = 22050);

    std::unique_lock<std::recursive_mutex> Guard() const { return std::unique_lock(mutex_); }

    // Attached voices are mixed while they play. A voice must be detached
    // before it is destroyed.
    void Attach(Voice* voice);
    void Detach(Voice* voice);

    DWORD Rate() const;
    void SetRate(DWORD outputRate);
    // Master attenuation and pan applied to the sum (the primary buffer's).
    void SetMasterVolume(LONG hundredthsOfDb);
    void SetMasterPan(LONG pan);

    // Writes `frames` interleaved stereo frames and advances every voice.
    void Mix(std::int16_t* out, std::size_t frames);
    // Advances every voice by `frames` output frames without producing them.
    void Skip(std::uint64_t frames);

private:
    static constexpr std::size_t kBlockFrames = 1024;

    mutable std::recursive_mutex mutex_;
    std::vector<Voice*> voices_;
    std::vector<float> acc_;
    DWORD rate_;
    LONG masterVolume_ = 0;
    LONG masterPan_ = 0;
    float masterLeft_ = 1.0f;
    float masterRight_ = 1.0f;
};

}  // namespace platform
