#include "platform/AudioOut.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/Backend.h"
#include "platform/Mixer.h"
#include "platform/Time.h"

namespace platform {

// ---------------------------------------------------------------- null sink

NullAudioSink::NullAudioSink(Clock clock, std::size_t ringFrames)
    : clock_(clock ? std::move(clock) : Clock(&timeGetTime)), capacity_(std::max<std::size_t>(ringFrames, 1)) {
    ring_.resize(2 * capacity_);
}

NullAudioSink::~NullAudioSink() {
    std::lock_guard lock(mutex_);
    CloseCaptureLocked();
}

namespace {

void PutLe(std::uint8_t* p, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The 44-byte header of a 16-bit stereo PCM wave file of `frames` frames.
void WaveHeader(std::uint8_t* h, DWORD rate, std::uint64_t frames) {
    const std::uint64_t data64 = frames * 4;
    const std::uint32_t data = data64 > 0xFFFFFFD3u ? 0xFFFFFFD3u : static_cast<std::uint32_t>(data64);
    std::memcpy(h, "RIFF", 4);
    PutLe(h + 4, 36 + data, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    PutLe(h + 16, 16, 4);
    PutLe(h + 20, 1, 2);  // PCM
    PutLe(h + 22, 2, 2);  // stereo
    PutLe(h + 24, rate, 4);
    PutLe(h + 28, rate * 4, 4);
    PutLe(h + 32, 4, 2);
    PutLe(h + 34, 16, 2);
    std::memcpy(h + 36, "data", 4);
    PutLe(h + 40, data, 4);
}

}  // namespace

bool NullAudioSink::CaptureTo(const std::string& path) {
    std::lock_guard lock(mutex_);
    CloseCaptureLocked();
    capture_ = std::fopen(path.c_str(), "wb");
    if (!capture_) return false;
    captureRate_ = 0;
    captureFrames_ = 0;
    std::uint8_t header[44];
    WaveHeader(header, 22050, 0);
    std::fwrite(header, 1, sizeof header, capture_);
    std::fflush(capture_);
    return true;
}

void NullAudioSink::WriteCaptureLocked(const std::int16_t* frames, std::size_t count) {
    if (!capture_ || count == 0) return;
    if (captureRate_ == 0) captureRate_ = mixer_->Rate();
    std::fwrite(frames, sizeof(std::int16_t), 2 * count, capture_);  // little-endian host
    captureFrames_ += count;
}

void NullAudioSink::CloseCaptureLocked() {
    if (!capture_) return;
    std::fclose(capture_);
    capture_ = nullptr;
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

    // What the ring cannot keep is only advanced, unless it is captured.
    if (frames > capacity_ && !capture_) {
        mixer_->Skip(frames - capacity_);
        frames = capacity_;
    }
    while (frames > 0) {
        const std::size_t n = std::min<std::size_t>(frames, capacity_ - head_);
        mixer_->Mix(ring_.data() + 2 * head_, n);
        WriteCaptureLocked(ring_.data() + 2 * head_, n);
        head_ = (head_ + n) % capacity_;
        unread_ = std::min(unread_ + n, capacity_);
        frames -= n;
    }
    if (capture_) {
        // Keep the file a complete wave file at every moment.
        std::uint8_t header[44];
        WaveHeader(header, captureRate_ ? captureRate_ : mixer_->Rate(), captureFrames_);
        const long end = std::ftell(capture_);
        std::fseek(capture_, 0, SEEK_SET);
        std::fwrite(header, 1, sizeof header, capture_);
        std::fseek(capture_, end, SEEK_SET);
        std::fflush(capture_);
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
    // A machine without a sound device, on either backend: nothing to open.
    if (const char* sound = std::getenv("LUMORA_SOUND"); sound && std::strcmp(sound, "none") == 0) return nullptr;
    if (CurrentBackend() == BackendKind::Sdl) return MakeSdlAudioOut();
    auto sink = std::make_unique<NullAudioSink>();
    if (const char* path = std::getenv("LUMORA_AUDIO"); path && *path && !sink->CaptureTo(path))
        std::fprintf(stderr, "LUMORA_AUDIO: cannot write %s\n", path);
    return sink;
}

}  // namespace platform
