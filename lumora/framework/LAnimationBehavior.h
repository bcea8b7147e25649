// "@ANI": a frame-by-frame animation drawn over its view: pictures named
// base name + 1, + 2 ... shown one after the other at a fixed delay, looping
// or stopping on the last one, always or only while the pointer is over the
// view. The frame manager's timer list steps it.
#pragma once

#include <vector>

#include "lumora/framework/FrameFormat.h"
#include "lumora/framework/LBehavior.h"
#include "lumora/framework/LMedia.h"
#include "lumora/framework/LTimer.h"

class LFrame;
class LView;

class LAnimationBehavior : public LBehavior, public LTimerClient {
public:
    // Most pictures one animation may name.
    static constexpr int kMaxFrames = 999;

    LAnimationBehavior();  // from the frame record
    LAnimationBehavior(int frameCount, const char* baseName, int delay, int loop, int hoverOnly, int offsetX,
                       int offsetY);
    ~LAnimationBehavior() override;

    int HandleEvent(int type, void* sender, void* data) override;
    void OnTick() override;
    virtual void Draw(LView* owner);

    int GetCurrentFrame() const { return m_Current; }
    int IsPlaying() const { return m_Playing; }
    int GetFrameCount() const { return m_FrameCount; }

private:
    struct Picture {
        LMediaObject* medium = nullptr;
        LMediumRef ref;
        platform::RECT rect{0, 0, 0, 0};
    };
    void BuildTable();

    int m_FrameCount = 0;
    char m_BaseName[kFrameNameSize] = {};
    int m_Delay = 0;
    int m_Loop = 0;
    int m_HoverOnly = 0;
    int m_OffsetX = 0, m_OffsetY = 0;
    LView* m_Owner = nullptr;
    LFrame* m_OwnerFrame = nullptr;
    std::vector<Picture> m_Table;  // picture n at n - 1
    platform::DWORD m_LastTick = 0;
    int m_Playing = 0;
    int m_Current = 0;  // 1-based; 0 before the first step
};
