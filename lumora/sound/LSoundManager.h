// The one sound manager: the sound device and its primary buffer, six
// numbered channels with a volume each, the live sounds and the sounds
// waiting for deletion, and the periodic pass that refills streamed sounds,
// notices ended ones and deletes stopped ones.
//
// Threads: the periodic pass runs on the multimedia timer's thread, every
// other operation on the window thread. One recursive lock guards the lists
// and every sound; the pass holds it for its whole run. Reports are queued
// and shown on the window thread when its outermost operation has let the
// lock go, so a message box never holds up the pass and the pass never shows
// a box.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Sound.h"
#include "platform/Types.h"

class LSound;

class LSoundManager {
public:
    static constexpr platform::UINT kUpdatePeriod = 500; // ms between periodic passes

    // Holds the manager's lock for one operation; the outermost one on the
    // window thread shows the queued reports once the lock is free.
    class Scope {
    public:
        explicit Scope(LSoundManager& manager);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        LSoundManager& m_Manager;
        std::unique_lock<std::recursive_mutex> m_Lock;
    };

    LSoundManager(short channels, int samplesPerSec, short bitsPerSample, int memoryBudget,
                  short channelCount);
    virtual ~LSoundManager();
    LSoundManager(const LSoundManager&) = delete;
    LSoundManager& operator=(const LSoundManager&) = delete;

    // Opens the sound device and starts the primary buffer and, unless
    // timerPeriod is 0, the periodic pass. 0 or the device's failing result.
    platform::HRESULT Init(platform::HWND window, platform::UINT timerPeriod = kUpdatePeriod);

    // The new sound, or null. Volumes and pan levels are 0 to 100.
    LSound* Play(const char* fileName, int loop, int autoRelease, int panControl, int channel, int playNow,
                 int volume, int panLeft, int panRight);
    void Remove(LSound* sound);
    void StopAll();
    void StopChannel(int channel);
    bool IsChannelPlaying(int channel);
    // True while `sound` is still the manager's: neither stopped nor heard
    // to its end. A sound the manager has deleted is not found.
    bool IsAlive(const LSound* sound);
    int GetChannelVolume(int channel);
    void SetChannelVolume(int channel, int volume);
    void SetSoundOn(bool on);
    void BeginShutdown();

    // Screen events: 15 key (data: the int32 virtual-key code; keypad + and
    // - step every channel by 10), 17 active (sound on), 18 inactive (sound
    // off). Always 0: the event is not consumed.
    int HandleEvent(int type, void* sender, void* data);
    void OnInit() {}

    // The periodic pass; public so that tests and tools can run it without
    // the timer.
    void Update();

    // True while `sound` is one of the live sounds (it has not been deleted).
    bool IsListed(const LSound* sound);
    // Runs f(sound) under the lock when the sound is still listed.
    template <class F> bool WithSound(LSound* sound, F&& f) {
        Scope scope(*this);
        if (!IsListedLocked(sound)) return false;
        f(*sound);
        return true;
    }

    // Shows the reports queued since the last call; does nothing on the
    // timer's thread. The public operations call it as they return.
    void ShowQueuedReports();

    // Queues a report (MessageToUser form, number, source, line, extra text).
    void Report(int form, int number, const char* sourceFile, int line, const char* text);
    // Message `number` with the name of a failed device call as its text.
    void ReportDs(platform::HRESULT result, int number, const char* sourceFile, int line);
    // Writes the name of `result` into the error-name buffer.
    void LookupErrorName(platform::HRESULT result);

    platform::LPDIRECTSOUND DirectSound() const { return m_DirectSound; }
    int SoundCount();

    platform::LPDIRECTSOUND m_DirectSound = nullptr;
    platform::LPDIRECTSOUNDBUFFER m_PrimaryBuffer = nullptr;
    short m_Channels;
    int m_SamplesPerSec;
    short m_BitsPerSample;
    int m_MemoryBudget;
    short m_ChannelCount;
    int m_BufferLimit;
    int m_ChannelAttenuation[6];
    std::vector<LSound*> m_Sounds;
    std::vector<LSound*> m_Trash;
    platform::UINT m_TimerId = 0;
    int m_SoundOn = 2;
    int m_ShuttingDown = 0;
    int m_Available = 1;

private:
    struct QueuedReport {
        int form;
        int number;
        const char* sourceFile;
        int line;
        bool hasText;
        std::string text;
    };

    static void TimerProc(platform::UINT id, platform::UINT msg, platform::DWORD_PTR user,
                          platform::DWORD_PTR, platform::DWORD_PTR);
    void Schedule(LSound* sound);
    bool IsListedLocked(const LSound* sound) const;

    std::recursive_mutex m_Lock;
    std::mutex m_ReportLock;
    std::vector<QueuedReport> m_Reports; // guarded by m_ReportLock
    std::unique_ptr<char[]> m_ErrorName; // 50 bytes
    std::vector<LSound*> m_Snapshot;     // the pass's copy of m_Sounds
};

extern LSoundManager* g_SoundManager;
