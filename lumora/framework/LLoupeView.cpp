#include "lumora/framework/LLoupeView.h"

#include <algorithm>

#include "lumora/framework/LCursorPort.h"
#include "lumora/framework/LFrameReader.h"
#include "platform/Time.h"

using platform::DWORD;
using platform::POINT;
using platform::RECT;

LLoupeView::LLoupeView() : m_LastStep(platform::timeGetTime()) {
    LFrameReader* reader = GetFrameReader();
    reader->ReadInt(&m_ScrollUnit);
    reader->ReadInt(&m_ScrollZone);
    // A zone of 0 would divide by zero; the text form already defaults it.
    if (m_ScrollZone <= 0) m_ScrollZone = kDefaultZone;
}

LLoupeView::LLoupeView(int id, const RECT& frame, const char* bitmapName, int scrollUnit, int scrollZone,
                       LView* parent)
    : LBitmapView(id, frame, bitmapName, kDrawCopy, parent), m_ScrollUnit(scrollUnit),
      m_ScrollZone(scrollZone > 0 ? scrollZone : kDefaultZone), m_LastStep(platform::timeGetTime()) {}

void LLoupeView::DoMouseMove(POINT* p) {
    const DWORD now = platform::timeGetTime();
    // Right after the tick counter wraps, the stored time is far ahead.
    const bool wrapped = now < 10000 && m_LastStep > 0x0FFFFFFFu;
    if (!wrapped && now - m_LastStep < m_IntervalValue) return;
    m_LastStep = now;

    RECT r;
    GetFrameRect(&r);
    const int zone = m_ScrollZone;
    auto speed = [zone](int depth) { return static_cast<double>(depth) / zone * 5.0; };
    int shape = 0;
    if (p->x < r.left + zone) {
        ScrollBy(static_cast<int>(m_ScrollUnit * speed(r.left + zone - p->x)), 0);
        shape = kCursorLeft;
    }
    if (p->x > r.right - zone) {
        ScrollBy(static_cast<int>(-m_ScrollUnit * speed(p->x + zone - r.right)), 0);
        shape = kCursorRight;
    }
    if (p->y < r.top + zone) {
        ScrollBy(0, static_cast<int>(m_ScrollUnit * speed(r.top + zone - p->y)));
        shape = shape == kCursorRight ? kCursorRightUp : shape == kCursorLeft ? kCursorLeftUp : kCursorUp;
    }
    if (p->y > r.bottom - zone) {
        ScrollBy(0, static_cast<int>(-m_ScrollUnit * speed(p->y + zone - r.bottom)));
        shape = shape == kCursorRight ? kCursorRightDown : shape == kCursorLeft ? kCursorLeftDown : kCursorDown;
    }
    if (LCursorPort* port = GetCursorPort()) port->SelectCursor(shape);
}

void LLoupeView::ScrollBy(int dx, int dy) {
    // The far edge first, then the near one: a picture smaller than the view
    // stays at offset 0 instead of being pushed to a positive offset.
    // In wide arithmetic: sizes and offsets come from files.
    auto clamp = [](long long size, long long offset, long long content, long long d) {
        if (size >= offset + content + d) d = size - offset - content;
        if (offset + d > 0) d = -offset;
        return static_cast<int>(std::clamp<long long>(d, -(1 << 24), 1 << 24));
    };
    dx = clamp(m_Width, m_OffsetX, m_ContentWidth, dx);
    dy = clamp(m_Height, m_OffsetY, m_ContentHeight, dy);
    if (dx != 0 || dy != 0) LBitmapView::ScrollBy(dx, dy);
}
