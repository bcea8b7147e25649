// One wave file played through one secondary sound buffer. A file that fits
// the manager's buffer limit is loaded whole into a static buffer; a longer
// one is streamed through a looping buffer whose two halves the manager's
// periodic pass refills in turn. Sounds are created, loaded and deleted only
// by LSoundManager, under its lock.
#pragma once

#include "platform/Mmio.h"
#include "platform/Sound.h"

class LSoundManager;

class LSound {
public:
    explicit LSound(LSoundManager* manager);
    virtual ~LSound();
    LSound(const LSound&) = delete;
    LSound& operator=(const LSound&) = delete;

    virtual void SetPlaying() { m_Playing = 1; }
    virtual void ClearPlaying() { m_Playing = 0; }
    virtual int IsPlaying() { return m_Playing; }

    // Opens the file, creates the buffer and, with playNow, starts it. Gives
    // 0, a wave-file code or the sound device's result.
    int Load(platform::LPDIRECTSOUND directSound, const char* fileName, int loop, int autoRelease,
             int panControl, short channel, int playNow, int volume, int panLeft, int panRight,
             int channelAttenuation, int bufferLimit);

    void Play();
    void Stop(int keep);
    // Fills the next half (the whole buffer when static). 0 or the failure.
    int FillHalf();
    void Service();
    void Resume();
    // SetVolume and SetPan may be called by the sound's users; they take the
    // manager's lock.
    void SetVolume(int volume);
    void SetChannelAttenuation(int attenuation);
    void SetPan(int left, int right);
    void SetSoundOn(int on);

    short Channel() const { return m_Channel; }
    int EndOfData() const { return m_EndOfData; }
    int Volume() const { return m_Volume; }
    int IsStatic() const { return m_Static; }
    platform::DWORD BufferSize() const { return m_BufferSize; }
    const char* FileName() const { return m_FileName; }
    platform::LPDIRECTSOUNDBUFFER Buffer() const { return m_Buffer; }

    platform::LPDIRECTSOUNDBUFFER m_Buffer = nullptr;
    char m_FileName[260] = {};
    short m_Channel = 0;
    int m_ChannelAttenuation = 0;
    int m_Volume = 100;
    int m_Loop = 0;
    int m_AutoRelease = 0;
    int m_PanControl = 0;
    int m_PanLeft = 100;
    int m_PanRight = 100;
    platform::DWORD m_BufferSize = 0;
    int m_Static = 0;
    platform::HMMIO m_File = nullptr;
    platform::MMCKINFO m_RiffChunk{};
    platform::MMCKINFO m_DataChunk{};
    int m_NextHalfIsSecond = 0;
    int m_EndOfData = 0;
    int m_Muted = 0;
    int m_Playing = 0;
    int m_BitsPerSample = 8;
    int m_Paused = 0; // sound-off stopped it while it played (or had lost its buffer)

private:
    // Starts the buffer: looping when the sound loops or streams.
    platform::HRESULT StartBuffer();
    // Reads `bytes` of sound into dest, wrapping to the start of the data
    // when the sound loops, silence after the end otherwise.
    int ReadRegion(platform::BYTE* dest, platform::DWORD bytes);
    void ReportDs(platform::HRESULT result, int number, int line);
    void ReportCode(int code, int line, bool withName);

    LSoundManager* m_Manager;
};
