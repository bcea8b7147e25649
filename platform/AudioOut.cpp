#include "platform/AudioOut.h"

#include <SDL.h>

#include <algorithm>

#include "platform/Backend.h"
#include "platform/Mixer.h"
#include "platform/Time.h"

namespace platform {

// ---------------------------------------------------------------- null sink

NullAudioSink::NullAudioSink(Clock clock, std::size_t ringFrames)
    : clock_(clock ? std::move(clock) : Clock(&timeGetTime)), capacity_(std::max<std::size_t>(ringFrames, 1)) {
    ring_.resize(2 * capacity_);
}

bool NullAudioSink::Open(Mixer& mixer) {
    std::lock_guard lock(mutex_);
    mixer_ = &mixer;
    origin_ = clock_();
    pulled_ = 0;
    return true;
}

void NullAudioSink::Close() {
    std::lock_guard lock(mutex_);
    mixer_ = nullptr;
}

void NullAudioSink::Poll() {
    std::lock_guard lock(mutex_);
    PollLocked();
}

void NullAudioSink::PollLocked() {
    if (!mixer_) return;
    const DWORD now = clock_();
    const DWORD elapsed = now - origin_;  // wraps like the clock
    const std::uint64_t target = static_cast<std::uint64_t>(elapsed) * mixer_->Rate() / 1000;
    if (target <= pulled_) return;
    std::uint64_t frames = target - pulled_;
    pulled_ = target;
    consumed_ += frames;

    // What the ring cannot keep is only advanced.
    if (frames > capacity_) {
        mixer_->Skip(frames - capacity_);
        frames = capacity_;
    }
    while (frames > 0) {
        const std::size_t n = std::min<std::size_t>(frames, capacity_ - head_);
        mixer_->Mix(ring_.data() + 2 * head_, n);
        head_ = (head_ + n) % capacity_;
        unread_ = std::min(unread_ + n, capacity_);
        frames -= n;
    }
}

void NullAudioSink::PrimaryRateChanged(DWORD rate) {
    std::lock_guard lock(mutex_);
    if (!mixer_) return;
    PollLocked();
    // Count afresh from now at the new rate.
    origin_ = clock_();
    pulled_ = 0;
    mixer_->SetRate(rate);
}

std::vector<std::int16_t> NullAudioSink::TakeMixed() {
    std::lock_guard lock(mutex_);
    std::vector<std::int16_t> out(2 * unread_);
    const std::size_t start = (head_ + capacity_ - unread_) % capacity_;
    for (std::size_t i = 0; i < unread_; ++i) {
        const std::size_t f = (start + i) % capacity_;
        out[2 * i] = ring_[2 * f];
        out[2 * i + 1] = ring_[2 * f + 1];
    }
    unread_ = 0;
    return out;
}

std::uint64_t NullAudioSink::FramesConsumed() const {
    std::lock_guard lock(mutex_);
    return consumed_;
}

// ---------------------------------------------------------------- SDL device

namespace {

class SdlAudioOut final : public AudioOut {
public:
    ~SdlAudioOut() override { Close(); }

    bool Open(Mixer& mixer) override {
        if (device_ != 0) return true;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        SDL_AudioSpec want{};
        want.freq = 44100;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 1024;
        want.callback = &SdlAudioOut::Callback;
        want.userdata = &mixer;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        if (device_ == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
        mixer.SetRate(static_cast<DWORD>(have.freq));
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    void Close() override {
        if (device_ == 0) return;
        SDL_CloseAudioDevice(device_);  // waits for a running callback
        device_ = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

private:
    static void Callback(void* user, Uint8* stream, int len) {
        static_cast<Mixer*>(user)->Mix(reinterpret_cast<std::int16_t*>(stream), static_cast<std::size_t>(len) / 4);
    }

    SDL_AudioDeviceID device_ = 0;
};

std::mutex g_factoryMutex;
AudioOutFactory g_factory;

}  // namespace

std::unique_ptr<AudioOut> MakeSdlAudioOut() { return std::make_unique<SdlAudioOut>(); }

void SetAudioOutFactory(AudioOutFactory factory) {
    std::lock_guard lock(g_factoryMutex);
    g_factory = std::move(factory);
}

std::unique_ptr<AudioOut> MakeAudioOut() {
    {
        std::lock_guard lock(g_factoryMutex);
        if (g_factory) return g_factory();
    }
    if (CurrentBackend() == BackendKind::Sdl) return MakeSdlAudioOut();
    return std::make_unique<NullAudioSink>();
}

}  // namespace platform
