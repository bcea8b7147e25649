// "#Vol": a horizontal slider: a minus zone at the left end, a plus zone at
// the right end and a thumb between them that can be dragged. Its value
// (GetPos) runs from 0 at the minus zone to GetMax = width - 2 x zone width.
// "#VoA" and "#VoB" start at the volume of sound channel 1 or 2.
#pragma once

#include <functional>

#include "lumora/framework/LView.h"

class LSliderView : public LView {
public:
    // Step of a click on the minus or plus zone.
    static constexpr int kClickStep = 5;

    LSliderView();  // from the frame record
    LSliderView(int id, const platform::RECT& frame, int buttonWidth, const char* thumb, LView* parent);
    ~LSliderView() override;

    void DrawContent(const platform::RECT* r) override;
    int LoadMedia() override;
    void DoLButtonDown(platform::POINT* p, int* keys) override;
    void DoDragMove(int packedPoint, int keys) override;
    void DoDragEnd(int packedPoint, int keys) override;
    virtual int LoadBitmap(const char* name);
    virtual int HitMinus(const platform::POINT& p) const;
    virtual int HitPlus(const platform::POINT& p) const;
    virtual int HitThumb(const platform::POINT& p) const;

    // Volume (0 to 100) and position, each the other's inverse: a volume
    // computed from a position gives that position back, and the far end
    // gives 100. A slider without room (GetMax 0) reads 0.
    int PosToVolume(int pos) const;
    int VolumeToPos(int volume) const;
    int GetVolume() const { return PosToVolume(m_Pos); }
    void SetVolume(int volume) { SetPosClamped(VolumeToPos(volume)); }

    int IsDraggingThumb() const { return m_ThumbDrag; }
    int GetButtonWidth() const { return m_ButtonWidth; }
    // Screen x of the thumb's centre.
    int ThumbCentreX() const { return m_X + m_ButtonWidth + m_Pos; }

protected:
    void SetPosClamped(int pos);
    int ThumbWidth() const { return m_ThumbRect.right - m_ThumbRect.left; }

    int m_ButtonWidth = 0;
    int m_ThumbDrag = 0;
    platform::RECT m_ThumbRect{0, 0, 0, 0};
    LMediaObject* m_ThumbMedium = nullptr;
    LMediumRef m_ThumbRef;
    char m_ThumbName[kFrameNameSize] = {};
};

// The volume of a sound channel (1 to 6), 0 to 100, as the sound manager
// holds it. The sound manager installs the query; without one the volume
// sliders start at 0.
using LChannelVolumeQuery = std::function<int(int channel)>;
void SetChannelVolumeQuery(LChannelVolumeQuery query);
int QueryChannelVolume(int channel);

// "#VoA" (channel 1) and "#VoB" (channel 2).
class LVolumeSliderView : public LSliderView {
public:
    explicit LVolumeSliderView(int channel);  // from the frame record
    int LoadMedia() override;
    int GetChannel() const { return m_Channel; }

private:
    int m_Channel;
};
