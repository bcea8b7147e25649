#include "platform/Mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform {

namespace {

constexpr std::uint64_t kOne = std::uint64_t{1} << 32;
constexpr float kFracScale = 1.0f / 4294967296.0f;

// The two channel factors of a pan: the side away from the pan is attenuated
// by its magnitude.
void PanGains(LONG pan, float& left, float& right) {
    left = pan > 0 ? AttenuationToGain(-pan) : 1.0f;
    right = pan < 0 ? AttenuationToGain(pan) : 1.0f;
}

template <int Bits>
float SampleAt(const std::uint8_t* p) {
    if constexpr (Bits == 8) {
        return static_cast<float>((static_cast<int>(*p) - 128) * 256);
    } else {
        std::int16_t s;
        std::memcpy(&s, p, 2);  // wave data is little-endian, as is the host
        return static_cast<float>(s);
    }
}

std::int16_t Saturate(float v) {
    const long r = std::lrint(v);
    return static_cast<std::int16_t>(std::clamp<long>(r, -32768, 32767));
}

}  // namespace

float AttenuationToGain(LONG hundredthsOfDb) {
    if (hundredthsOfDb <= DSBVOLUME_MIN) return 0.0f;
    if (hundredthsOfDb >= 0) return 1.0f;
    return static_cast<float>(std::pow(10.0, static_cast<double>(hundredthsOfDb) / 2000.0));
}

bool IsPlayableFormat(const WAVEFORMATEX& f) {
    if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
    if (f.nChannels != 1 && f.nChannels != 2) return false;
    if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return false;
    if (f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) return false;
    return f.nSamplesPerSec >= DSBFREQUENCY_MIN && f.nSamplesPerSec <= DSBFREQUENCY_MAX;
}

// ---------------------------------------------------------------- Voice

Voice::Voice(const WAVEFORMATEX& format, DWORD bytes)
    : format_(format), data_(bytes), frames_(bytes / format.nBlockAlign), frequency_(format.nSamplesPerSec) {
    FillSilence();
}

void Voice::FillSilence() { std::fill(data_.begin(), data_.end(), format_.wBitsPerSample == 8 ? 128 : 0); }

void Voice::Start(bool looping) {
    playing_ = frames_ > 0;
    looping_ = looping;
}

void Voice::Halt() { playing_ = false; }

DWORD Voice::Position() const { return static_cast<DWORD>(pos_ >> 32) * format_.nBlockAlign; }

void Voice::SetPosition(DWORD position) { pos_ = static_cast<std::uint64_t>(position / format_.nBlockAlign) << 32; }

void Voice::SetVolume(LONG v) {
    volume_ = std::clamp(v, DSBVOLUME_MIN, DSBVOLUME_MAX);
    UpdateGains();
}

void Voice::SetPan(LONG p) {
    pan_ = std::clamp(p, DSBPAN_LEFT, DSBPAN_RIGHT);
    UpdateGains();
}

void Voice::SetFrequency(DWORD hz) { frequency_ = hz == DSBFREQUENCY_ORIGINAL ? format_.nSamplesPerSec : hz; }

void Voice::UpdateGains() {
    const float g = AttenuationToGain(volume_);
    PanGains(pan_, gainLeft_, gainRight_);
    gainLeft_ *= g;
    gainRight_ *= g;
}

std::uint64_t Voice::Step(DWORD outputRate) const {
    return (static_cast<std::uint64_t>(frequency_) << 32) / std::max<DWORD>(outputRate, 1);
}

void Voice::SettleEnd() {
    const std::uint64_t end = static_cast<std::uint64_t>(frames_) << 32;
    if (pos_ < end) return;
    if (looping_) {
        pos_ %= end;
    } else {
        // A one-shot stops at its end and rewinds, so a later Play starts it again.
        playing_ = false;
        pos_ = 0;
    }
}

template <int Bits, int Channels>
void Voice::MixFrames(float* acc, std::size_t frames, std::uint64_t step) {
    constexpr int kBlock = Bits / 8 * Channels;
    constexpr int kRight = Channels == 2 ? Bits / 8 : 0;
    const std::uint8_t* data = data_.data();
    const DWORD last = frames_ - 1;
    const float gl = gainLeft_;
    const float gr = gainRight_;
    for (std::size_t i = 0; i < frames; ++i) {
        SettleEnd();
        if (!playing_) return;
        const DWORD idx = static_cast<DWORD>(pos_ >> 32);
        const DWORD nxt = idx < last ? idx + 1 : (looping_ ? 0 : idx);
        const float frac = static_cast<float>(pos_ & 0xFFFFFFFFu) * kFracScale;
        const std::uint8_t* a = data + static_cast<std::size_t>(idx) * kBlock;
        const std::uint8_t* b = data + static_cast<std::size_t>(nxt) * kBlock;
        const float al = SampleAt<Bits>(a), bl = SampleAt<Bits>(b);
        const float ar = SampleAt<Bits>(a + kRight), br = SampleAt<Bits>(b + kRight);
        acc[2 * i] += (al + (bl - al) * frac) * gl;
        acc[2 * i + 1] += (ar + (br - ar) * frac) * gr;
        pos_ += step;
    }
    SettleEnd();
}

void Voice::MixInto(float* acc, std::size_t frames, DWORD outputRate) {
    if (!playing_ || frames_ == 0) return;
    const std::uint64_t step = Step(outputRate);
    const bool stereo = format_.nChannels == 2;
    if (format_.wBitsPerSample == 8) {
        stereo ? MixFrames<8, 2>(acc, frames, step) : MixFrames<8, 1>(acc, frames, step);
    } else {
        stereo ? MixFrames<16, 2>(acc, frames, step) : MixFrames<16, 1>(acc, frames, step);
    }
}

void Voice::Skip(std::uint64_t frames, DWORD outputRate) {
    if (!playing_ || frames_ == 0) return;
    const unsigned __int128 target =
        static_cast<unsigned __int128>(pos_) + static_cast<unsigned __int128>(Step(outputRate)) * frames;
    const std::uint64_t end = static_cast<std::uint64_t>(frames_) << 32;
    if (target < end) {
        pos_ = static_cast<std::uint64_t>(target);
    } else if (looping_) {
        pos_ = static_cast<std::uint64_t>(target % end);
    } else {
        playing_ = false;
        pos_ = 0;
    }
}

// ---------------------------------------------------------------- Mixer

Mixer::Mixer(DWORD outputRate) : rate_(std::max<DWORD>(outputRate, 1)) {}

void Mixer::Attach(Voice* voice) {
    auto g = Guard();
    if (std::find(voices_.begin(), voices_.end(), voice) == voices_.end()) voices_.push_back(voice);
}

void Mixer::Detach(Voice* voice) {
    auto g = Guard();
    voices_.erase(std::remove(voices_.begin(), voices_.end(), voice), voices_.end());
}

DWORD Mixer::Rate() const {
    auto g = Guard();
    return rate_;
}

void Mixer::SetRate(DWORD outputRate) {
    auto g = Guard();
    rate_ = std::max<DWORD>(outputRate, 1);
}

void Mixer::SetMasterVolume(LONG v) {
    auto g = Guard();
    masterVolume_ = std::clamp(v, DSBVOLUME_MIN, DSBVOLUME_MAX);
    SetMasterPan(masterPan_);
}

void Mixer::SetMasterPan(LONG p) {
    auto g = Guard();
    masterPan_ = std::clamp(p, DSBPAN_LEFT, DSBPAN_RIGHT);
    PanGains(masterPan_, masterLeft_, masterRight_);
    const float gain = AttenuationToGain(masterVolume_);
    masterLeft_ *= gain;
    masterRight_ *= gain;
}

void Mixer::Mix(std::int16_t* out, std::size_t frames) {
    auto g = Guard();
    while (frames > 0) {
        const std::size_t n = std::min(frames, kBlockFrames);
        acc_.assign(2 * n, 0.0f);
        for (Voice* v : voices_) v->MixInto(acc_.data(), n, rate_);
        for (std::size_t i = 0; i < n; ++i) {
            out[2 * i] = Saturate(acc_[2 * i] * masterLeft_);
            out[2 * i + 1] = Saturate(acc_[2 * i + 1] * masterRight_);
        }
        out += 2 * n;
        frames -= n;
    }
}

void Mixer::Skip(std::uint64_t frames) {
    auto g = Guard();
    for (Voice* v : voices_) v->Skip(frames, rate_);
}

}  // namespace platform
