// A sound placed at a point of the 3D scene: it plays on its own channel and
// its volume falls with the listener's distance, to silence at m_MaxDistance.
#pragma once

#include <functional>

#include "include/zelt/math.h"

class LSound;

class XSoundSource {
public:
    XSoundSource(short channel, float maxDistance);
    virtual ~XSoundSource() = default;

    // Starts fileName at `position` (a caller without a place passes the
    // listener's). False when nothing was started: no manager, the same file
    // already playing, or the manager could not play it.
    bool Play(const char* fileName, const ZeltVector* position, int loop);
    void Stop();
    bool IsPlaying();
    // Applies the volume for the listener's present distance.
    void Refresh();
    void SetDistance(float distance);

    LSound* m_Sound = nullptr;
    ZeltVector m_Position{};
    char m_Name[260] = {};
    int m_Volume = 0;
    short m_Channel;
    float m_MaxDistance;
};

// Where the listener stands. The current scene installs its camera pilot's
// position; without a listener it stands at the origin.
using SoundListener = std::function<ZeltVector()>;
void SetSoundListener(SoundListener listener);
ZeltVector SoundListenerPosition();
