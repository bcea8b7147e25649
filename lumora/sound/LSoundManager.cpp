#include "lumora/sound/LSoundManager.h"

#include <algorithm>
#include <cstring>

#include "lumora/shell/MessageTable.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/sound/LSound.h"
#include "platform/Time.h"

using namespace platform;

LSoundManager* g_SoundManager = nullptr;

namespace {

constexpr std::size_t kErrorNameSize = 50;
constexpr UINT kTimerResolution = 300;
constexpr int kKeypadPlus = 107;
constexpr int kKeypadMinus = 109;

// Nesting of manager operations on this thread, and whether this thread is
// the timer's.
thread_local int t_Depth = 0;
thread_local bool t_OnTimerThread = false;

struct ErrorName {
    HRESULT code;
    const char* name;
};

constexpr ErrorName kErrorNames[] = {
    {DSERR_UNSUPPORTED, "DSERR_UNSUPPORTED"},
    {DSERR_GENERIC, "DSERR_GENERIC"},
    {DSERR_NOAGGREGATION, "DSERR_NOAGGREGATION"},
    {DSERR_OUTOFMEMORY, "DSERR_OUTOFMEMORY"},
    {DSERR_INVALIDPARAM, "DSERR_INVALIDPARAM"},
    {DSERR_ALLOCATED, "DSERR_ALLOCATED"},
    {DSERR_CONTROLUNAVAIL, "DSERR_CONTROLUNAVAIL"},
    {DSERR_INVALIDCALL, "DSERR_INVALIDCALL"},
    {DSERR_PRIOLEVELNEEDED, "DSERR_PRIOLEVELNEEDED"},
    {DSERR_BADFORMAT, "DSERR_BADFORMAT"},
    {DSERR_ALREADYINITIALIZED, "DSERR_ALREADYINITIALIZED"},
    {DSERR_BUFFERLOST, "DSERR_BUFFERLOST"},
    {DSERR_OTHERAPPHASPRIO, "DSERR_OTHERAPPHASPRIO"},
    {DSERR_UNINITIALIZED, "DSERR_UNINITIALIZED"},
};

bool ValidChannel(int channel) {
    return channel >= 1 && channel <= 6;
}

} // namespace

// ---------------------------------------------------------------- locking

LSoundManager::Scope::Scope(LSoundManager& manager) : m_Manager(manager), m_Lock(manager.m_Lock) {
    ++t_Depth;
}

LSoundManager::Scope::~Scope() {
    --t_Depth;
    m_Lock.unlock();
    if (t_Depth == 0) m_Manager.ShowQueuedReports();
}

void LSoundManager::Report(int form, int number, const char* sourceFile, int line, const char* text) {
    std::lock_guard lock(m_ReportLock);
    m_Reports.push_back({form, number, sourceFile, line, text != nullptr, text ? text : ""});
}

void LSoundManager::ReportDs(HRESULT result, int number, const char* sourceFile, int line) {
    std::lock_guard lock(m_Lock);
    LookupErrorName(result);
    Report(0, number, sourceFile, line, m_ErrorName ? m_ErrorName.get() : nullptr);
}

void LSoundManager::ShowQueuedReports() {
    if (t_OnTimerThread) return;
    std::vector<QueuedReport> reports;
    {
        std::lock_guard lock(m_ReportLock);
        reports.swap(m_Reports);
    }
    for (const QueuedReport& r : reports)
        new MessageToUser(r.form, r.number, r.sourceFile, r.line, r.hasText ? r.text.c_str() : nullptr);
}

void LSoundManager::LookupErrorName(HRESULT result) {
    if (!m_ErrorName) return;
    const char* name = "Unknown Error";
    if (result == DSERR_NODRIVER) {
        name = GetMessageText(201);
    } else {
        for (const ErrorName& e : kErrorNames)
            if (e.code == result) name = e.name;
    }
    std::strncpy(m_ErrorName.get(), name, kErrorNameSize - 1);
    m_ErrorName[kErrorNameSize - 1] = '\0';
}

// ---------------------------------------------------------------- life

LSoundManager::LSoundManager(short channels, int samplesPerSec, short bitsPerSample, int memoryBudget,
                             short channelCount)
    : m_Channels(channels), m_SamplesPerSec(samplesPerSec), m_BitsPerSample(bitsPerSample),
      m_MemoryBudget(memoryBudget), m_ChannelCount(channelCount),
      m_BufferLimit(channelCount > 0 ? memoryBudget / channelCount : memoryBudget), m_ChannelAttenuation{},
      m_ErrorName(std::make_unique<char[]>(kErrorNameSize)) {
    g_SoundManager = this;
}

LSoundManager::~LSoundManager() {
    // The timer goes first, without the lock: a pass in progress finishes.
    if (m_TimerId != 0) timeKillEvent(m_TimerId);
    m_TimerId = 0;
    {
        Scope scope(*this);
        for (LSound* sound : m_Sounds)
            Schedule(sound);
        m_Sounds.clear();
        for (LSound* sound : m_Trash)
            delete sound;
        m_Trash.clear();
        if (m_PrimaryBuffer) m_PrimaryBuffer->Release();
        m_PrimaryBuffer = nullptr;
        if (m_DirectSound) m_DirectSound->Release();
        m_DirectSound = nullptr;
    }
    m_ErrorName.reset();
    if (g_SoundManager == this) g_SoundManager = nullptr;
}

HRESULT LSoundManager::Init(HWND window, UINT timerPeriod) {
    Scope scope(*this);
    if (HRESULT hr = DirectSoundCreate(nullptr, &m_DirectSound, nullptr); hr != DS_OK) {
        ReportDs(hr, 20, __FILE__, __LINE__);
        if (hr == DSERR_NODRIVER) m_Available = 0;
        return hr;
    }
    if (HRESULT hr = m_DirectSound->SetCooperativeLevel(window, DSSCL_PRIORITY); hr != DS_OK) {
        ReportDs(hr, 20, __FILE__, __LINE__);
        return hr;
    }
    DSBUFFERDESC desc{36, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
    if (HRESULT hr = m_DirectSound->CreateSoundBuffer(&desc, &m_PrimaryBuffer, nullptr); hr != DS_OK) {
        ReportDs(hr, 20, __FILE__, __LINE__);
        return hr;
    }
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(m_Channels);
    format.nSamplesPerSec = static_cast<DWORD>(m_SamplesPerSec);
    format.wBitsPerSample = static_cast<WORD>(m_BitsPerSample);
    format.nBlockAlign = static_cast<WORD>(m_BitsPerSample / 8 * m_Channels);
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    if (HRESULT hr = m_PrimaryBuffer->SetFormat(&format); hr != DS_OK) {
        ReportDs(hr, 20, __FILE__, __LINE__);
        return hr;
    }
    if (HRESULT hr = m_PrimaryBuffer->Play(0, 0, DSBPLAY_LOOPING); hr != DS_OK) {
        ReportDs(hr, 20, __FILE__, __LINE__);
        return hr;
    }
    if (timerPeriod > 0) {
        m_TimerId = timeSetEvent(timerPeriod, kTimerResolution, &LSoundManager::TimerProc,
                                 reinterpret_cast<DWORD_PTR>(this), TIME_PERIODIC);
        if (m_TimerId == 0) Report(0, 27, __FILE__, __LINE__, nullptr);
    }
    return DS_OK;
}

void LSoundManager::TimerProc(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    t_OnTimerThread = true;
    if (auto* manager = reinterpret_cast<LSoundManager*>(user)) manager->Update();
}

void LSoundManager::BeginShutdown() {
    Scope scope(*this);
    m_ShuttingDown = 1;
}

// ---------------------------------------------------------------- sounds

LSound* LSoundManager::Play(const char* fileName, int loop, int autoRelease, int panControl, int channel,
                            int playNow, int volume, int panLeft, int panRight) {
    Scope scope(*this);
    // Without a device (no driver, or a start-up that failed) there is
    // nothing to play on; the failure was reported by Init.
    if (!m_Available || !m_DirectSound) return nullptr;
    if (!ValidChannel(channel)) {
        Report(0, 22, __FILE__, __LINE__, nullptr);
        return nullptr;
    }
    auto* sound = new LSound(this);
    const int code =
        sound->Load(m_DirectSound, fileName, loop, autoRelease, panControl, static_cast<short>(channel),
                    playNow, volume, panLeft, panRight, m_ChannelAttenuation[channel - 1], m_BufferLimit);
    if (code != 0) {
        delete sound;
        ReportDs(code, 20, __FILE__, __LINE__);
        return nullptr;
    }
    m_Sounds.push_back(sound);
    return sound;
}

bool LSoundManager::IsListedLocked(const LSound* sound) const {
    return sound && std::find(m_Sounds.begin(), m_Sounds.end(), sound) != m_Sounds.end();
}

bool LSoundManager::IsListed(const LSound* sound) {
    Scope scope(*this);
    return IsListedLocked(sound);
}

int LSoundManager::SoundCount() {
    Scope scope(*this);
    return static_cast<int>(m_Sounds.size());
}

void LSoundManager::Schedule(LSound* sound) {
    if (std::find(m_Trash.begin(), m_Trash.end(), sound) != m_Trash.end()) return;
    sound->Stop(1);
    m_Trash.push_back(sound);
}

void LSoundManager::Remove(LSound* sound) {
    Scope scope(*this);
    if (IsListedLocked(sound)) Schedule(sound);
}

void LSoundManager::StopAll() {
    Scope scope(*this);
    for (LSound* sound : m_Sounds)
        Schedule(sound);
}

void LSoundManager::StopChannel(int channel) {
    Scope scope(*this);
    for (LSound* sound : m_Sounds)
        if (sound->Channel() == channel) Schedule(sound);
}

bool LSoundManager::IsChannelPlaying(int channel) {
    Scope scope(*this);
    for (LSound* sound : m_Sounds)
        if (sound->Channel() == channel && !sound->EndOfData()) return true;
    return false;
}

bool LSoundManager::IsAlive(const LSound* sound) {
    Scope scope(*this);
    return IsListedLocked(sound) && std::find(m_Trash.begin(), m_Trash.end(), sound) == m_Trash.end();
}

// ---------------------------------------------------------------- channels

int LSoundManager::GetChannelVolume(int channel) {
    Scope scope(*this);
    if (!ValidChannel(channel)) {
        Report(0, 22, __FILE__, __LINE__, nullptr);
        return -1;
    }
    return m_ChannelAttenuation[channel - 1] / 100 + 100;
}

void LSoundManager::SetChannelVolume(int channel, int volume) {
    Scope scope(*this);
    if (!ValidChannel(channel)) {
        Report(0, 22, __FILE__, __LINE__, nullptr);
        return;
    }
    if (volume < 0 || volume > 100) {
        Report(0, 23, __FILE__, __LINE__, nullptr);
        return;
    }
    const int attenuation = (volume - 100) * 100;
    m_ChannelAttenuation[channel - 1] = attenuation;
    for (LSound* sound : m_Sounds)
        if (sound->Channel() == channel) sound->SetChannelAttenuation(attenuation);
}

void LSoundManager::SetSoundOn(bool on) {
    Scope scope(*this);
    const int state = on ? 1 : 0;
    if (m_SoundOn == state) return;
    m_SoundOn = state;
    for (LSound* sound : m_Sounds)
        sound->SetSoundOn(state);
}

int LSoundManager::HandleEvent(int type, void* /*sender*/, void* data) {
    Scope scope(*this);
    switch (type) {
    case 15: {
        if (!data) break;
        std::int32_t key = 0;
        std::memcpy(&key, data, sizeof key);
        if (key != kKeypadPlus && key != kKeypadMinus) break;
        for (int channel = 1; channel <= 6; ++channel) {
            const int volume = GetChannelVolume(channel);
            SetChannelVolume(channel,
                             key == kKeypadPlus ? std::min(volume + 10, 100) : std::max(volume - 10, 0));
        }
        break;
    }
    case 17:
        SetSoundOn(true);
        break;
    case 18:
        SetSoundOn(false);
        break;
    default:
        break;
    }
    return 0;
}

// ---------------------------------------------------------------- pass

void LSoundManager::Update() {
    Scope scope(*this);
    if (m_ShuttingDown) return;
    for (LSound* sound : m_Trash) {
        m_Sounds.erase(std::remove(m_Sounds.begin(), m_Sounds.end(), sound), m_Sounds.end());
        delete sound;
    }
    m_Trash.clear();
    if (m_Sounds.empty()) return;
    m_Snapshot.assign(m_Sounds.begin(), m_Sounds.end());
    for (LSound* sound : m_Snapshot)
        if (sound->IsPlaying()) sound->Service();
}
