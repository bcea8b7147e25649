// DirectSound stand-in: a sound device with one primary buffer and any number
// of secondary buffers, each in its own PCM format, mixed in software (Mixer)
// and sent to the SDL audio device or, headless, to a null sink that follows
// the clock (AudioOut).
//
// The objects are reference counted like their Windows counterparts: a
// creator gets one reference and gives it back with Release(). Every method
// may be called from any thread (the sound manager's timer thread services
// buffers while the window thread starts and stops them).
#pragma once

#include <memory>

#include "platform/Types.h"

namespace platform {

class AudioOut;

// Result codes, with their DirectSound values.
constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_UNSUPPORTED = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT DSERR_GENERIC = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT DSERR_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT DSERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DSERR_ALLOCATED = static_cast<HRESULT>(0x8878000Au);
constexpr HRESULT DSERR_CONTROLUNAVAIL = static_cast<HRESULT>(0x8878001Eu);
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032u);
constexpr HRESULT DSERR_PRIOLEVELNEEDED = static_cast<HRESULT>(0x88780046u);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064u);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078u);
constexpr HRESULT DSERR_ALREADYINITIALIZED = static_cast<HRESULT>(0x88780082u);
constexpr HRESULT DSERR_BUFFERLOST = static_cast<HRESULT>(0x88780096u);
constexpr HRESULT DSERR_OTHERAPPHASPRIO = static_cast<HRESULT>(0x887800A0u);
constexpr HRESULT DSERR_UNINITIALIZED = static_cast<HRESULT>(0x887800AAu);

// Cooperative levels.
enum : DWORD { DSSCL_NORMAL = 1, DSSCL_PRIORITY = 2, DSSCL_EXCLUSIVE = 3, DSSCL_WRITEPRIMARY = 4 };

// Buffer capabilities (DSBUFFERDESC::dwFlags).
enum : DWORD {
    DSBCAPS_PRIMARYBUFFER = 0x00000001,
    DSBCAPS_STATIC = 0x00000002,
    DSBCAPS_LOCHARDWARE = 0x00000004,
    DSBCAPS_LOCSOFTWARE = 0x00000008,
    DSBCAPS_CTRL3D = 0x00000010,
    DSBCAPS_CTRLFREQUENCY = 0x00000020,
    DSBCAPS_CTRLPAN = 0x00000040,
    DSBCAPS_CTRLVOLUME = 0x00000080,
    DSBCAPS_CTRLPOSITIONNOTIFY = 0x00000100,
    DSBCAPS_STICKYFOCUS = 0x00004000,
    DSBCAPS_GLOBALFOCUS = 0x00008000,
    DSBCAPS_GETCURRENTPOSITION2 = 0x00010000,
    DSBCAPS_MUTE3DATMAXDISTANCE = 0x00020000,
    DSBCAPS_LOCDEFER = 0x00040000,
};

enum : DWORD { DSBPLAY_LOOPING = 0x00000001 };
enum : DWORD { DSBSTATUS_PLAYING = 0x00000001, DSBSTATUS_BUFFERLOST = 0x00000002, DSBSTATUS_LOOPING = 0x00000004 };
enum : DWORD { DSBLOCK_FROMWRITECURSOR = 0x00000001, DSBLOCK_ENTIREBUFFER = 0x00000002 };

constexpr LONG DSBVOLUME_MIN = -10000;
constexpr LONG DSBVOLUME_MAX = 0;
constexpr LONG DSBPAN_LEFT = -10000;
constexpr LONG DSBPAN_CENTER = 0;
constexpr LONG DSBPAN_RIGHT = 10000;
constexpr DWORD DSBFREQUENCY_ORIGINAL = 0;
constexpr DWORD DSBFREQUENCY_MIN = 100;
constexpr DWORD DSBFREQUENCY_MAX = 100000;
constexpr DWORD DSBSIZE_MIN = 4;
constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;

constexpr WORD WAVE_FORMAT_PCM = 1;

// The wave format block, field for field as in a wave file's "fmt " chunk,
// packed to its 18 bytes: callers hand over blocks of exactly 18 + cbSize
// bytes read from files.
#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

// Buffer description. dwSize may be sizeof(DSBUFFERDESC) or the 20 or 36
// bytes that the structure measures in a 32-bit Windows build.
struct DSBUFFERDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    WAVEFORMATEX* lpwfxFormat;
};

class IDirectSoundBuffer {
public:
    virtual DWORD AddRef() = 0;
    virtual DWORD Release() = 0;

    // The buffer's format. With format null, *sizeWritten receives the size
    // needed; otherwise sizeAllocated must hold a WAVEFORMATEX.
    virtual HRESULT GetFormat(WAVEFORMATEX* format, DWORD sizeAllocated, DWORD* sizeWritten) = 0;
    // Primary buffer only; needs DSSCL_PRIORITY or above.
    virtual HRESULT SetFormat(const WAVEFORMATEX* format) = 0;

    // reserved1 and priority must be 0. The primary buffer only plays looping.
    virtual HRESULT Play(DWORD reserved1, DWORD priority, DWORD flags) = 0;
    virtual HRESULT Stop() = 0;

    // Gives one region, or two when [offset, offset + bytes) runs past the end
    // of the buffer (the second stands for offset 0). With ptr2 null the lock
    // stops at the end of the buffer. Every Lock is closed by an Unlock with
    // the same pointers and the lengths written (at most those locked); the
    // written bytes reach the buffer at Unlock, so the mixer never reads
    // memory that is being written.
    virtual HRESULT Lock(DWORD offset, DWORD bytes, void** ptr1, DWORD* bytes1, void** ptr2, DWORD* bytes2,
                         DWORD flags) = 0;
    virtual HRESULT Unlock(void* ptr1, DWORD bytes1, void* ptr2, DWORD bytes2) = 0;

    // After a loss the buffer is silent and stopped, its contents gone; Restore
    // gives its memory back (to be refilled by the caller).
    virtual HRESULT Restore() = 0;

    // Play cursor: the next byte the mixer takes. Write cursor: the first byte
    // it is safe to write, a little ahead of the play cursor while playing.
    virtual HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) = 0;
    virtual HRESULT SetCurrentPosition(DWORD position) = 0;
    virtual HRESULT GetStatus(DWORD* status) = 0;

    // Attenuation in hundredths of a decibel, DSBVOLUME_MIN (silence) to 0.
    virtual HRESULT SetVolume(LONG volume) = 0;
    virtual HRESULT GetVolume(LONG* volume) = 0;
    // DSBPAN_LEFT to DSBPAN_RIGHT: a positive pan attenuates the left channel
    // by that many hundredths of a decibel, a negative one the right channel.
    virtual HRESULT SetPan(LONG pan) = 0;
    virtual HRESULT GetPan(LONG* pan) = 0;
    // Playback rate in Hz, or DSBFREQUENCY_ORIGINAL for the format's own.
    virtual HRESULT SetFrequency(DWORD frequency) = 0;
    virtual HRESULT GetFrequency(DWORD* frequency) = 0;

    // Host extra for tests: loses this buffer as another application taking
    // the device would.
    virtual void Lose() = 0;

protected:
    virtual ~IDirectSoundBuffer() = default;
};

class IDirectSound {
public:
    virtual DWORD AddRef() = 0;
    virtual DWORD Release() = 0;

    virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;
    // Asking twice for the primary buffer gives the same object.
    virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer, void* outer) = 0;

    // Host extras for tests: lose every buffer of the device at once, and
    // make Restore fail (DSERR_BUFFERLOST) while `allowed` is false, as while
    // the other application still holds the device.
    virtual void LoseBuffers() = 0;
    virtual void SetRestoreAllowed(bool allowed) = 0;

protected:
    virtual ~IDirectSound() = default;
};

using LPDIRECTSOUND = IDirectSound*;
using LPDIRECTSOUNDBUFFER = IDirectSoundBuffer*;
using LPWAVEFORMATEX = WAVEFORMATEX*;
using LPDSBUFFERDESC = DSBUFFERDESC*;

// Opens the default sound device (device must be null). Without an audio
// device the result is DSERR_NODRIVER and *ds is null.
HRESULT DirectSoundCreate(const void* device, LPDIRECTSOUND* ds, void* outer);

// Opens a sound device on the given output; DSERR_NODRIVER when it cannot
// open. Used by tests and tools that bring their own sink.
HRESULT DirectSoundCreateOn(std::unique_ptr<AudioOut> out, LPDIRECTSOUND* ds);

}  // namespace platform
