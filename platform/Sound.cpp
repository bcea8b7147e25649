#include "platform/Sound.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <vector>

#include "platform/AudioOut.h"
#include "platform/Mixer.h"

namespace platform {

namespace {

class SoundBuffer;

// What a device and its buffers share; buffers keep it alive after the
// device itself has been released.
struct DeviceCore {
    Mixer mixer;
    std::unique_ptr<AudioOut> out;
    std::mutex outMutex;  // Poll against Close
    bool open = false;    // guarded by outMutex
    // Guarded by the mixer's lock:
    DWORD cooperativeLevel = 0;
    bool restoreAllowed = true;
    SoundBuffer* primary = nullptr;
    std::vector<SoundBuffer*> buffers;

    void Poll() {
        std::lock_guard lock(outMutex);
        if (open) out->Poll();
    }
    void Close() {
        std::lock_guard lock(outMutex);
        if (open) out->Close();
        open = false;
    }
};

// Write cursor lead: about 10 ms of the buffer's sound.
constexpr DWORD kWriteLeadMs = 10;

constexpr DWORD kPrimaryAllowed = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN |
                                  DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE | DSBCAPS_STICKYFOCUS |
                                  DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;

bool ValidDescSize(DWORD size) { return size == sizeof(DSBUFFERDESC) || size == 20 || size == 36; }

class SoundBuffer final : public IDirectSoundBuffer {
public:
    // Primary buffer.
    SoundBuffer(std::shared_ptr<DeviceCore> core, DWORD caps) : core_(std::move(core)), caps_(caps) {
        primaryFormat_ = {WAVE_FORMAT_PCM, 2, 22050, 22050 * 4, 4, 16, 0};
    }
    // Secondary buffer.
    SoundBuffer(std::shared_ptr<DeviceCore> core, DWORD caps, const WAVEFORMATEX& format, DWORD bytes)
        : core_(std::move(core)), caps_(caps), voice_(std::make_unique<Voice>(format, bytes)) {
        core_->mixer.Attach(voice_.get());
    }

    ~SoundBuffer() override {
        auto g = core_->mixer.Guard();
        if (voice_) core_->mixer.Detach(voice_.get());
        if (core_->primary == this) core_->primary = nullptr;
        auto& list = core_->buffers;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }

    DWORD AddRef() override { return ++refs_; }
    DWORD Release() override {
        const DWORD left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT GetFormat(WAVEFORMATEX* format, DWORD sizeAllocated, DWORD* sizeWritten) override {
        if (!format) {
            if (!sizeWritten) return DSERR_INVALIDPARAM;
            *sizeWritten = sizeof(WAVEFORMATEX);
            return DS_OK;
        }
        if (sizeAllocated < sizeof(WAVEFORMATEX)) return DSERR_INVALIDPARAM;
        auto g = core_->mixer.Guard();
        *format = voice_ ? voice_->Format() : primaryFormat_;
        format->cbSize = 0;
        if (sizeWritten) *sizeWritten = sizeof(WAVEFORMATEX);
        return DS_OK;
    }

    HRESULT SetFormat(const WAVEFORMATEX* format) override {
        if (voice_) return DSERR_INVALIDCALL;
        if (!format) return DSERR_INVALIDPARAM;
        {
            auto g = core_->mixer.Guard();
            if (core_->cooperativeLevel < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
            if (!IsPlayableFormat(*format)) return DSERR_BADFORMAT;
            primaryFormat_ = *format;
            primaryFormat_.cbSize = 0;
        }
        std::lock_guard lock(core_->outMutex);
        if (core_->open) core_->out->PrimaryRateChanged(format->nSamplesPerSec);
        return DS_OK;
    }

    HRESULT Play(DWORD reserved1, DWORD priority, DWORD flags) override {
        if (reserved1 != 0) return DSERR_INVALIDPARAM;
        if (priority != 0 && !(caps_ & DSBCAPS_LOCDEFER)) return DSERR_INVALIDPARAM;
        core_->Poll();
        auto g = core_->mixer.Guard();
        if (lost_) return DSERR_BUFFERLOST;
        const bool looping = (flags & DSBPLAY_LOOPING) != 0;
        if (!voice_) {
            if (!looping) return DSERR_INVALIDPARAM;
            primaryPlaying_ = true;
            return DS_OK;
        }
        voice_->Start(looping);
        return DS_OK;
    }

    HRESULT Stop() override {
        core_->Poll();
        auto g = core_->mixer.Guard();
        if (voice_) {
            voice_->Halt();
        } else {
            primaryPlaying_ = false;
        }
        return DS_OK;
    }

    HRESULT Lock(DWORD offset, DWORD bytes, void** ptr1, DWORD* bytes1, void** ptr2, DWORD* bytes2,
                 DWORD flags) override {
        if (!ptr1 || !bytes1) return DSERR_INVALIDPARAM;
        *ptr1 = nullptr;
        *bytes1 = 0;
        if (ptr2) *ptr2 = nullptr;
        if (bytes2) *bytes2 = 0;
        if (!voice_) {
            auto g = core_->mixer.Guard();
            // Writing the mixed output directly is not offered.
            return core_->cooperativeLevel < DSSCL_WRITEPRIMARY ? DSERR_PRIOLEVELNEEDED : DSERR_UNSUPPORTED;
        }
        core_->Poll();
        auto g = core_->mixer.Guard();
        if (lost_) return DSERR_BUFFERLOST;
        const DWORD size = voice_->Bytes();
        if (flags & DSBLOCK_FROMWRITECURSOR) offset = WriteCursorLocked();
        if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
        if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;

        // The caller writes into a copy; Unlock puts it into the buffer under
        // the mixer's lock, so the mixer never reads memory being written.
        LockedRegion region;
        region.offset = offset;
        region.firstBytes = std::min(bytes, size - offset);
        if (region.firstBytes < bytes && ptr2) region.secondBytes = bytes - region.firstBytes;
        region.staging.assign(voice_->Data() + offset, voice_->Data() + offset + region.firstBytes);
        region.staging.insert(region.staging.end(), voice_->Data(), voice_->Data() + region.secondBytes);
        *ptr1 = region.First();
        *bytes1 = region.firstBytes;
        if (ptr2) *ptr2 = region.Second();
        if (bytes2) *bytes2 = region.secondBytes;
        locks_.push_back(std::move(region));
        return DS_OK;
    }

    HRESULT Unlock(void* ptr1, DWORD bytes1, void* ptr2, DWORD bytes2) override {
        core_->Poll();
        auto g = core_->mixer.Guard();
        for (auto it = locks_.begin(); it != locks_.end(); ++it) {
            if (it->First() != ptr1 || it->Second() != ptr2) continue;
            if (bytes1 > it->firstBytes || bytes2 > it->secondBytes) return DSERR_INVALIDPARAM;
            // What was written while the buffer was lost is gone with it.
            if (!lost_) {
                std::copy_n(it->staging.data(), bytes1, voice_->Data() + it->offset);
                std::copy_n(it->staging.data() + it->firstBytes, bytes2, voice_->Data());
            }
            locks_.erase(it);
            return DS_OK;
        }
        return DSERR_INVALIDPARAM;
    }

    HRESULT Restore() override {
        auto g = core_->mixer.Guard();
        if (!lost_) return DS_OK;
        if (!core_->restoreAllowed) return DSERR_BUFFERLOST;
        lost_ = false;
        return DS_OK;
    }

    HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) override {
        if (!playCursor && !writeCursor) return DSERR_INVALIDPARAM;
        core_->Poll();
        auto g = core_->mixer.Guard();
        if (!voice_) {
            // The primary buffer's cursors are not tracked: it never holds data.
            if (playCursor) *playCursor = 0;
            if (writeCursor) *writeCursor = 0;
            return DS_OK;
        }
        if (playCursor) *playCursor = voice_->Position();
        if (writeCursor) *writeCursor = WriteCursorLocked();
        return DS_OK;
    }

    HRESULT SetCurrentPosition(DWORD position) override {
        if (!voice_) return DSERR_INVALIDCALL;
        core_->Poll();
        auto g = core_->mixer.Guard();
        if (position >= voice_->Bytes()) return DSERR_INVALIDPARAM;
        voice_->SetPosition(position);
        return DS_OK;
    }

    HRESULT GetStatus(DWORD* status) override {
        if (!status) return DSERR_INVALIDPARAM;
        core_->Poll();
        auto g = core_->mixer.Guard();
        DWORD s = 0;
        if (lost_) s |= DSBSTATUS_BUFFERLOST;
        if (voice_ ? voice_->Playing() : primaryPlaying_) {
            s |= DSBSTATUS_PLAYING;
            if (!voice_ || voice_->Looping()) s |= DSBSTATUS_LOOPING;
        }
        *status = s;
        return DS_OK;
    }

    HRESULT SetVolume(LONG volume) override {
        if (!(caps_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
        if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
        core_->Poll();
        auto g = core_->mixer.Guard();
        if (voice_) {
            voice_->SetVolume(volume);
        } else {
            primaryVolume_ = volume;
            core_->mixer.SetMasterVolume(volume);
        }
        return DS_OK;
    }

    HRESULT GetVolume(LONG* volume) override {
        if (!volume) return DSERR_INVALIDPARAM;
        if (!(caps_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
        auto g = core_->mixer.Guard();
        *volume = voice_ ? voice_->Volume() : primaryVolume_;
        return DS_OK;
    }

    HRESULT SetPan(LONG pan) override {
        if (!(caps_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
        if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
        core_->Poll();
        auto g = core_->mixer.Guard();
        if (voice_) {
            voice_->SetPan(pan);
        } else {
            primaryPan_ = pan;
            core_->mixer.SetMasterPan(pan);
        }
        return DS_OK;
    }

    HRESULT GetPan(LONG* pan) override {
        if (!pan) return DSERR_INVALIDPARAM;
        if (!(caps_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
        auto g = core_->mixer.Guard();
        *pan = voice_ ? voice_->Pan() : primaryPan_;
        return DS_OK;
    }

    HRESULT SetFrequency(DWORD frequency) override {
        if (!(caps_ & DSBCAPS_CTRLFREQUENCY) || !voice_) return DSERR_CONTROLUNAVAIL;
        if (frequency != DSBFREQUENCY_ORIGINAL && (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
            return DSERR_INVALIDPARAM;
        core_->Poll();
        auto g = core_->mixer.Guard();
        voice_->SetFrequency(frequency);
        return DS_OK;
    }

    HRESULT GetFrequency(DWORD* frequency) override {
        if (!frequency) return DSERR_INVALIDPARAM;
        if (!(caps_ & DSBCAPS_CTRLFREQUENCY) || !voice_) return DSERR_CONTROLUNAVAIL;
        auto g = core_->mixer.Guard();
        *frequency = voice_->Frequency();
        return DS_OK;
    }

    void Lose() override {
        core_->Poll();
        auto g = core_->mixer.Guard();
        LoseLocked();
    }

    void LoseLocked() {
        lost_ = true;
        if (voice_) {
            voice_->Halt();
            voice_->FillSilence();
        } else {
            primaryPlaying_ = false;
        }
    }

    bool IsPrimary() const { return !voice_; }

private:
    // A locked part of the buffer: [offset, offset + firstBytes) and, when it
    // wraps, [0, secondBytes), held in one staging copy.
    struct LockedRegion {
        DWORD offset = 0;
        DWORD firstBytes = 0;
        DWORD secondBytes = 0;
        std::vector<std::uint8_t> staging;

        void* First() { return staging.data(); }
        void* Second() { return secondBytes ? staging.data() + firstBytes : nullptr; }
    };

    DWORD WriteCursorLocked() const {
        const DWORD play = voice_->Position();
        if (!voice_->Playing()) return play;
        const DWORD block = voice_->Format().nBlockAlign;
        const DWORD leadFrames = (voice_->Frequency() * kWriteLeadMs + 999) / 1000;
        const std::uint64_t lead = static_cast<std::uint64_t>(leadFrames) * block;
        const DWORD span = voice_->Frames() * block;
        return static_cast<DWORD>((play + lead) % span);
    }

    std::shared_ptr<DeviceCore> core_;
    std::atomic<DWORD> refs_{1};
    DWORD caps_;
    std::unique_ptr<Voice> voice_;  // null for the primary buffer
    // Guarded by the mixer's lock:
    bool lost_ = false;
    std::vector<LockedRegion> locks_;
    WAVEFORMATEX primaryFormat_{};
    bool primaryPlaying_ = false;
    LONG primaryVolume_ = 0;
    LONG primaryPan_ = 0;
};

class SoundDevice final : public IDirectSound {
public:
    explicit SoundDevice(std::shared_ptr<DeviceCore> core) : core_(std::move(core)) {}
    ~SoundDevice() override { core_->Close(); }

    DWORD AddRef() override { return ++refs_; }
    DWORD Release() override {
        const DWORD left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT SetCooperativeLevel(HWND, DWORD level) override {
        if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
        auto g = core_->mixer.Guard();
        core_->cooperativeLevel = level;
        return DS_OK;
    }

    HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer, void* outer) override {
        if (!buffer) return DSERR_INVALIDPARAM;
        *buffer = nullptr;
        if (outer) return DSERR_NOAGGREGATION;
        if (!desc || !ValidDescSize(desc->dwSize)) return DSERR_INVALIDPARAM;
        try {
            auto g = core_->mixer.Guard();
            if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
                if (desc->dwBufferBytes != 0 || desc->lpwfxFormat) return DSERR_INVALIDPARAM;
                if (desc->dwFlags & ~kPrimaryAllowed) return DSERR_INVALIDPARAM;
                if (core_->primary) {
                    core_->primary->AddRef();
                    *buffer = core_->primary;
                    return DS_OK;
                }
                auto* b = new SoundBuffer(core_, desc->dwFlags);
                core_->primary = b;
                core_->buffers.push_back(b);
                *buffer = b;
                return DS_OK;
            }
            if (desc->dwFlags & DSBCAPS_CTRL3D) return DSERR_CONTROLUNAVAIL;
            if (!desc->lpwfxFormat) return DSERR_INVALIDPARAM;
            if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
            if (!IsPlayableFormat(*desc->lpwfxFormat)) return DSERR_BADFORMAT;
            auto* b = new SoundBuffer(core_, desc->dwFlags, *desc->lpwfxFormat, desc->dwBufferBytes);
            core_->buffers.push_back(b);
            *buffer = b;
            return DS_OK;
        } catch (const std::bad_alloc&) {
            return DSERR_OUTOFMEMORY;
        }
    }

    void LoseBuffers() override {
        core_->Poll();
        auto g = core_->mixer.Guard();
        for (SoundBuffer* b : core_->buffers) b->LoseLocked();
    }

    void SetRestoreAllowed(bool allowed) override {
        auto g = core_->mixer.Guard();
        core_->restoreAllowed = allowed;
    }

private:
    std::shared_ptr<DeviceCore> core_;
    std::atomic<DWORD> refs_{1};
};

}  // namespace

HRESULT DirectSoundCreateOn(std::unique_ptr<AudioOut> out, LPDIRECTSOUND* ds) {
    if (!ds) return DSERR_INVALIDPARAM;
    *ds = nullptr;
    if (!out) return DSERR_NODRIVER;
    try {
        auto core = std::make_shared<DeviceCore>();
        core->out = std::move(out);
        {
            std::lock_guard lock(core->outMutex);
            if (!core->out->Open(core->mixer)) return DSERR_NODRIVER;
            core->open = true;
        }
        *ds = new SoundDevice(std::move(core));
        return DS_OK;
    } catch (const std::bad_alloc&) {
        return DSERR_OUTOFMEMORY;
    }
}

HRESULT DirectSoundCreate(const void* device, LPDIRECTSOUND* ds, void* outer) {
    if (!ds) return DSERR_INVALIDPARAM;
    *ds = nullptr;
    if (outer) return DSERR_NOAGGREGATION;
    if (device) return DSERR_NODRIVER;  // only the default device exists
    try {
        return DirectSoundCreateOn(MakeAudioOut(), ds);
    } catch (const std::bad_alloc&) {
        return DSERR_OUTOFMEMORY;
    }
}

}  // namespace platform
