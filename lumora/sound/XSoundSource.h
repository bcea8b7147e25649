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
    // True while the wave this source last started is heard. The channel's
    // stream is read ahead of what is heard and reports its end up to a
    // buffer early, at a moment set by the sound pass's own timer; a wave of
    // known length is therefore heard for that length on the game's clock,
    // unless it is stopped or replaced first. A looping wave is heard until
    // it is stopped. Without a wave of its own (another voice was put on
    // its channel), the channel tells.
    bool IsSounding();
    // Applies the volume for the listener's present distance.
    void Refresh();
    void SetDistance(float distance);

    LSound* m_Sound = nullptr;
    ZeltVector m_Position{};
    char m_Name[260] = {};
    int m_Volume = 0;
    unsigned m_Started = 0;  // game clock at the last start
    unsigned m_Length = 0;   // that wave's length in ms; 0 when looping or unknown
    short m_Channel;
    float m_MaxDistance;
};

// Where the listener stands. The current scene installs its camera pilot's
// position; without a listener it stands at the origin.
using SoundListener = std::function<ZeltVector()>;
void SetSoundListener(SoundListener listener);
ZeltVector SoundListenerPosition();
