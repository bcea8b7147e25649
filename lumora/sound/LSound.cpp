#include "lumora/sound/LSound.h"

#include <algorithm>
#include <cstring>

#include "lumora/sound/LSoundManager.h"
#include "lumora/sound/WaveFile.h"

using namespace platform;

LSound::LSound(LSoundManager* manager) : m_Manager(manager) {}

LSound::~LSound() {
    ClearPlaying();
    if (m_Buffer) {
        m_Buffer->Stop();
        m_Buffer->Release();
        m_Buffer = nullptr;
    }
    if (m_File) mmioClose(m_File, 0);
}

void LSound::ReportDs(HRESULT result, int number, int line) {
    m_Manager->ReportDs(result, number, __FILE__, line);
}

void LSound::ReportCode(int code, int line, bool withName) {
    m_Manager->Report(1, code, __FILE__, line, withName ? m_FileName : nullptr);
}

int LSound::Load(LPDIRECTSOUND directSound, const char* fileName, int loop, int autoRelease, int panControl,
                 short channel, int playNow, int volume, int panLeft, int panRight, int channelAttenuation,
                 int bufferLimit) {
    std::strncpy(m_FileName, fileName ? fileName : "", sizeof m_FileName - 1);
    m_Loop = loop;
    m_AutoRelease = autoRelease;
    m_PanControl = panControl;
    m_PanLeft = panLeft;
    m_PanRight = panRight;
    m_Channel = channel;

    WAVEFORMATEX* format = nullptr;
    if (int code = OpenWaveForRead(m_FileName, &m_File, &format, &m_RiffChunk); code != 0) {
        ReportCode(code, __LINE__, true);
        return code;
    }
    m_BitsPerSample = format->wBitsPerSample;

    // The streamed buffer is the largest whole number of blocks under the
    // limit, kept even so that its two halves cover all of it.
    const DWORD block = format->nBlockAlign;
    DWORD size = static_cast<DWORD>(std::max(bufferLimit, 0)) / block * block;
    if (size % 2 != 0) size -= block;
    if (m_RiffChunk.cksize < size) {
        m_Static = 1;
        // A static buffer holds exactly the data: sized from the RIFF chunk it
        // would also hold the header's worth of silence, or, looping, a
        // repeated piece of the start.
        size = m_RiffChunk.cksize;
        if (SeekWaveData(m_File, &m_DataChunk, &m_RiffChunk) == 0) size = m_DataChunk.cksize / block * block;
        size = std::max<DWORD>(size, (DSBSIZE_MIN + block - 1) / block * block);
    }
    m_BufferSize = size;

    WAVEFORMATEX bufferFormat = *format;
    bufferFormat.cbSize = 0;
    DSBUFFERDESC desc{36, DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_CTRLVOLUME, size, 0, &bufferFormat};
    if (panControl) desc.dwFlags |= DSBCAPS_CTRLPAN;
    if (m_Static) desc.dwFlags |= DSBCAPS_STATIC;
    HRESULT created = directSound->CreateSoundBuffer(&desc, &m_Buffer, nullptr);
    FreeWaveFormat(format);
    if (created != DS_OK) return created;

    m_ChannelAttenuation = channelAttenuation;
    SetVolume(volume);
    if ((m_PanControl && m_PanLeft != 100) || m_PanRight != 100) SetPan(m_PanLeft, m_PanRight);
    if (playNow) Play();
    return 0;
}

HRESULT LSound::StartBuffer() {
    return m_Buffer->Play(0, 0, (m_Loop || !m_Static) ? DWORD{DSBPLAY_LOOPING} : DWORD{0});
}

void LSound::Play() {
    m_NextHalfIsSecond = 0;
    m_EndOfData = 0;
    // A sound that cannot start has no data to wait for: its channel must
    // not count as playing.
    if (int code = SeekWaveData(m_File, &m_DataChunk, &m_RiffChunk); code != 0) {
        ReportCode(code, __LINE__, true);
        m_EndOfData = 1;
        return;
    }
    if (FillHalf() != 0) {
        m_EndOfData = 1;
        return;
    }
    if (HRESULT hr = StartBuffer(); hr != DS_OK) {
        ReportDs(hr, 20, __LINE__);
        m_EndOfData = 1;
        return;
    }
    SetPlaying();
}

int LSound::ReadRegion(BYTE* dest, DWORD bytes) {
    DWORD filled = 0;
    bool rewound = false;
    while (filled < bytes) {
        UINT got = 0;
        if (int code = ReadWaveData(m_File, bytes - filled, dest + filled, &m_DataChunk, &got); code != 0) {
            ReportCode(code, __LINE__, false);
            std::memset(dest, m_BitsPerSample == 8 ? 128 : 0, bytes);
            m_EndOfData = 1; // reported once: the next pass stops the sound
            return code;
        }
        filled += got;
        if (filled == bytes || !m_Loop) break;
        if (got == 0 && rewound) break; // no data at all: nothing to repeat
        // The end of a looping sound is followed at once by its start.
        if (int code = SeekWaveData(m_File, &m_DataChunk, &m_RiffChunk); code != 0) {
            ReportCode(code, __LINE__, true);
            m_EndOfData = 1;
            break;
        }
        rewound = true;
    }
    if (filled == 0) m_EndOfData = 1;
    std::memset(dest + filled, m_BitsPerSample == 8 ? 128 : 0, bytes - filled);
    return 0;
}

int LSound::FillHalf() {
    DWORD offset = 0;
    if (!m_NextHalfIsSecond) {
        m_NextHalfIsSecond = 1;
    } else {
        offset = m_BufferSize / 2;
        m_NextHalfIsSecond = 0;
    }
    DWORD bytes = m_BufferSize / 2;
    if (m_Static) {
        offset = 0;
        bytes = m_BufferSize;
    }

    void* region = nullptr;
    DWORD locked = 0;
    HRESULT hr = m_Buffer->Lock(offset, bytes, &region, &locked, nullptr, nullptr, 0);
    if (hr == DSERR_BUFFERLOST) {
        // Restored memory is filled again: the same half, once.
        if (HRESULT restored = m_Buffer->Restore(); restored != DS_OK) {
            ReportDs(restored, 29, __LINE__);
            return restored;
        }
        hr = m_Buffer->Lock(offset, bytes, &region, &locked, nullptr, nullptr, 0);
    }
    if (hr != DS_OK) {
        ReportDs(hr, 20, __LINE__);
        return hr;
    }

    // The region is unlocked whatever the read gave.
    const int read = ReadRegion(static_cast<BYTE*>(region), locked);
    if (HRESULT unlocked = m_Buffer->Unlock(region, locked, nullptr, 0); unlocked != DS_OK) {
        ReportDs(unlocked, 20, __LINE__);
        return unlocked;
    }
    return read;
}

void LSound::Service() {
    if (!m_Static && m_Buffer) {
        DWORD play = 0;
        DWORD write = 0;
        if (HRESULT hr = m_Buffer->GetCurrentPosition(&play, &write); hr != DS_OK) {
            ReportDs(hr, 20, __LINE__);
            return;
        }
        const DWORD half = m_BufferSize / 2;
        const bool due = m_NextHalfIsSecond ? (play < half && write < half) : (play > half && write > half);
        if (!due) return;
        if (!m_EndOfData) {
            FillHalf();
            return;
        }
        // The last data has been heard whole; the buffer would otherwise go
        // round again through its old halves.
        if (HRESULT hr = m_Buffer->Stop(); hr != DS_OK) ReportDs(hr, 20, __LINE__);
        Stop(0);
        return;
    }
    if (m_Static && !m_Loop && m_AutoRelease && !m_Muted && m_Buffer) {
        DWORD status = 0;
        if (HRESULT hr = m_Buffer->GetStatus(&status); hr != DS_OK) {
            ReportDs(hr, 20, __LINE__);
            return;
        }
        if (!(status & DSBSTATUS_PLAYING)) Stop(0);
    }
}

void LSound::Stop(int keep) {
    if (!IsPlaying() && !m_Muted) return;
    ClearPlaying();
    m_EndOfData = 0;
    if (!m_AutoRelease) return;
    if (!keep) {
        m_Manager->Remove(this);
        return;
    }
    if (!m_Buffer) return;
    if (HRESULT hr = m_Buffer->Stop(); hr != DS_OK) {
        ReportDs(hr, 20, __LINE__);
        return;
    }
    if (HRESULT hr = m_Buffer->SetCurrentPosition(0); hr != DS_OK) ReportDs(hr, 20, __LINE__);
}

void LSound::Resume() {
    if (!m_Buffer) return;
    HRESULT hr = StartBuffer();
    if (hr == DSERR_BUFFERLOST) {
        if (HRESULT restored = m_Buffer->Restore(); restored != DS_OK) {
            ReportDs(restored, 29, __LINE__);
            return;
        }
        if (m_Static) {
            if (int code = SeekWaveData(m_File, &m_DataChunk, &m_RiffChunk); code != 0) {
                ReportCode(code, __LINE__, true);
                return;
            }
            if (FillHalf() != 0) return;
        }
        // Restored, it plays on; a streamed sound's halves are refilled by the
        // periodic pass as it moves.
        hr = StartBuffer();
    }
    if (hr != DS_OK) ReportDs(hr, 20, __LINE__);
}

void LSound::SetVolume(int volume) {
    LSoundManager::Scope scope(*m_Manager);
    if (volume < 0 || volume > 100) {
        m_Manager->Report(0, 23, __FILE__, __LINE__, nullptr);
        return;
    }
    m_Volume = volume;
    if (!m_Buffer) return;
    const double level = -(((-10000 - m_ChannelAttenuation) / 100.0) * volume + 10000);
    if (HRESULT hr = m_Buffer->SetVolume(static_cast<LONG>(level)); hr != DS_OK) ReportDs(hr, 20, __LINE__);
}

void LSound::SetChannelAttenuation(int attenuation) {
    m_ChannelAttenuation = attenuation;
    SetVolume(m_Volume);
}

void LSound::SetPan(int left, int right) {
    LSoundManager::Scope scope(*m_Manager);
    if (!m_PanControl) {
        m_Manager->Report(0, 26, __FILE__, __LINE__, nullptr);
        return;
    }
    if (left < 0 || left > 100 || right < 0 || right > 100) {
        m_Manager->Report(0, 25, __FILE__, __LINE__, nullptr);
        return;
    }
    if (left != 100 && right != 100) {
        m_Manager->Report(0, 28, __FILE__, __LINE__, nullptr);
        return;
    }
    m_PanLeft = left;
    m_PanRight = right;
    if (!m_Buffer) return;
    const LONG pan = left == 100 ? 100 * right - 10000 : 10000 - 100 * left;
    if (HRESULT hr = m_Buffer->SetPan(pan); hr != DS_OK) ReportDs(hr, 20, __LINE__);
}

void LSound::SetSoundOn(int on) {
    m_Muted = !on;
    if (on) {
        // Only what sound-off interrupted goes on: a one-shot that had ended,
        // or one started while the sound was off, is not played again.
        if (m_Paused) Resume();
        m_Paused = 0;
        return;
    }
    if (!m_Buffer) return;
    DWORD status = 0;
    if (IsPlaying() && m_Buffer->GetStatus(&status) == DS_OK &&
        (status & (DSBSTATUS_PLAYING | DSBSTATUS_BUFFERLOST)))
        m_Paused = 1;
    if (HRESULT hr = m_Buffer->Stop(); hr != DS_OK) ReportDs(hr, 20, __LINE__);
}
