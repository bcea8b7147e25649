// "#SCR": content taller than its view, scrolled line by line with a bar at
// the right edge: arrow zones at both ends, a thumb that can be dragged, and
// the track between them that pages. Its value (GetPos) is the first line
// shown, from 0 to GetMax.
#pragma once

#include "lumora/framework/LView.h"

class LScrollView : public LView {
public:
    LScrollView();  // from the frame record
    // In code: the view, then the bar's arrow zone heights, the line step and
    // the bar, thumb and content pictures.
    LScrollView(int id, const platform::RECT& frame, int upZone, int downZone, int lineStep, const char* bar,
                const char* thumb, const char* content, LView* parent);
    ~LScrollView() override;

    void DrawContent(const platform::RECT* r) override;
    int LoadMedia() override;
    void DoLButtonDown(platform::POINT* p, int* keys) override;
    void DoDragMove(int packedPoint, int keys) override;
    void DoDragEnd(int packedPoint, int keys) override;
    virtual int LoadBitmaps(const char* content, const char* thumb, const char* bar);
    virtual int HitUpArrow(const platform::POINT& p) const;
    virtual int HitDownArrow(const platform::POINT& p) const;
    virtual int HitTrack(const platform::POINT& p) const;
    virtual int HitThumb(const platform::POINT& p) const;
    virtual int HitBar(const platform::POINT& p) const;
    virtual void ScrollToPos();

    int IsDraggingThumb() const { return m_ThumbDrag; }
    int GetLineStep() const { return m_LineStep; }
    // Centre line of the thumb on the screen.
    int ThumbCentreY() const;

protected:
    // Most lines a list can scroll through.
    static constexpr int kMaxLines = 1 << 24;
    int TrackHeight() const;
    int BarWidth() const { return m_BarRect.right - m_BarRect.left; }
    void SetPosClamped(int pos);
    void ReleaseMedia();

    int m_UpZone = 0;     // record field FlecheZoneY
    int m_DownZone = 0;   // record field FlecheZoneX
    int m_LineStep = 0;   // ScrollValue: pixels per line
    platform::RECT m_BarRect{0, 0, 0, 0};
    platform::RECT m_ThumbRect{0, 0, 0, 0};
    platform::RECT m_ContentRect{0, 0, 0, 0};
    int m_ThumbDrag = 0;
    LMediaObject* m_BarMedium = nullptr;
    LMediumRef m_BarRef;
    LMediaObject* m_ThumbMedium = nullptr;
    LMediumRef m_ThumbRef;
    LMediaObject* m_ContentMedium = nullptr;
    LMediumRef m_ContentRef;
    char m_BarName[kFrameNameSize] = {};
    char m_ThumbName[kFrameNameSize] = {};
    char m_ContentName[kFrameNameSize] = {};
};
