#include "lumora/sound/XSoundSource.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "lumora/shell/Helpers.h"
#include "lumora/sound/LSound.h"
#include "lumora/sound/LSoundManager.h"
#include "lumora/sound/WaveFile.h"
#include "platform/Time.h"

namespace {

SoundListener g_Listener;

float Distance(const ZeltVector& a, const ZeltVector& b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

} // namespace

void SetSoundListener(SoundListener listener) {
    g_Listener = std::move(listener);
}

ZeltVector SoundListenerPosition() {
    return g_Listener ? g_Listener() : ZeltVector{0.0f, 0.0f, 0.0f};
}

XSoundSource::XSoundSource(short channel, float maxDistance)
    : m_Channel(channel), m_MaxDistance(maxDistance) {}

bool XSoundSource::Play(const char* fileName, const ZeltVector* position, int loop) {
    if (!g_SoundManager || !fileName) return false;
    if (IsPlaying() && NameMatches(m_Name, fileName, 1)) return false;
    m_Position = position ? *position : SoundListenerPosition();
    g_SoundManager->StopChannel(m_Channel);
    m_Sound = g_SoundManager->Play(fileName, loop, 1, 1, m_Channel, 1, 100, 100, 100);
    if (!m_Sound) {
        m_Name[0] = '\0';
        return false;
    }
    SetDistance(Distance(m_Position, SoundListenerPosition()));
    std::strncpy(m_Name, fileName, sizeof m_Name - 1);
    m_Name[sizeof m_Name - 1] = '\0';
    m_Started = platform::timeGetTime();
    m_Length = loop ? 0 : WaveMilliseconds(m_Name);
    return true;
}

void XSoundSource::SetDistance(float distance) {
    int volume = 0;
    if (distance < m_MaxDistance)
        volume = static_cast<int>((m_MaxDistance - distance) * 100.0f / m_MaxDistance);
    m_Volume = std::clamp(volume, 0, 100);
    // The pass may have deleted the sound since it was started.
    if (m_Sound && g_SoundManager)
        g_SoundManager->WithSound(m_Sound, [this](LSound& s) { s.SetVolume(m_Volume); });
}

bool XSoundSource::IsPlaying() {
    return g_SoundManager && g_SoundManager->IsChannelPlaying(m_Channel);
}

bool XSoundSource::IsSounding() {
    if (!g_SoundManager) return false;
    // A voice put on the channel without the source: only the channel knows.
    if (!m_Sound) return IsPlaying();
    if (!g_SoundManager->IsAlive(m_Sound)) return false;
    if (m_Length) return platform::timeGetTime() - m_Started < m_Length;
    return IsPlaying();
}

void XSoundSource::Stop() {
    // The end of a wave still heard after its stream has been read is
    // stopped too.
    if (!IsPlaying() && !IsSounding()) return;
    g_SoundManager->StopChannel(m_Channel);
    m_Name[0] = '\0';
    m_Length = 0;
}

void XSoundSource::Refresh() {
    if (IsPlaying() && m_Sound) SetDistance(Distance(m_Position, SoundListenerPosition()));
}
