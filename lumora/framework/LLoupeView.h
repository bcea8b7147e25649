// "#LOP": a bitmap view that scrolls its picture while the pointer rests near
// one of its edges, faster nearer the edge, and shows the magnifier cursor of
// that direction.
#pragma once

#include "lumora/framework/LView.h"
#include "platform/Types.h"

class LLoupeView : public LBitmapView {
public:
    // Shortest time between two scroll steps, in milliseconds.
    static constexpr platform::DWORD kInterval = 80;
    // Edge zone width when the record gives none.
    static constexpr int kDefaultZone = 50;
    // Game cursors shown while scrolling (0 is the plain pointer).
    enum {
        kCursorDown = 6, kCursorRight = 7, kCursorRightDown = 8, kCursorRightUp = 9,
        kCursorLeft = 10, kCursorLeftDown = 11, kCursorLeftUp = 12, kCursorUp = 13,
    };

    LLoupeView();  // from the frame record
    LLoupeView(int id, const platform::RECT& frame, const char* bitmapName, int scrollUnit, int scrollZone,
               LView* parent);

    void DoMouseMove(platform::POINT* p) override;
    // Never lets the picture leave a gap: the offset stays at or below 0 and
    // the picture's far edge never comes inside the view.
    void ScrollBy(int dx, int dy) override;

    int GetScrollUnit() const { return m_ScrollUnit; }
    int GetScrollZone() const { return m_ScrollZone; }

private:
    int m_ScrollUnit = 0;
    int m_ScrollZone = kDefaultZone;
    platform::DWORD m_LastStep = 0;
    platform::DWORD m_IntervalValue = kInterval;
};
