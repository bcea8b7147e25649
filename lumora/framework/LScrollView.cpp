#include "lumora/framework/LScrollView.h"

#include <algorithm>
#include <cstring>

#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LFrameReader.h"

using platform::POINT;
using platform::RECT;

namespace {

void CopyName(char* dst, const char* src) {
    std::strncpy(dst, src ? src : "", kFrameNameSize - 1);
    dst[kFrameNameSize - 1] = '\0';
}

LMediaObject* Fetch(const char* name, LMediumRef* ref, RECT* rect) {
    *rect = RECT{0, 0, 0, 0};
    LFrameManager* fm = GetFrameManager();
    LMediaManager* media = fm ? fm->GetMediaManager() : nullptr;
    if (!media || !name || !*name || name[0] == '0') return nullptr;
    LMediaObject* m = media->GetMedium(name, ref, 0);
    if (m) m->GetRect(ref, rect);
    return m;
}

void Drop(LMediaObject** medium, LMediumRef* ref) {
    LFrameManager* fm = GetFrameManager();
    if (*medium && fm && fm->GetMediaManager()) fm->GetMediaManager()->ReleaseMedium(ref, 1);
    *medium = nullptr;
    *ref = LMediumRef{};
}

}  // namespace

LScrollView::LScrollView() {
    LFrameReader* reader = GetFrameReader();
    reader->ReadName(m_BarName);
    reader->ReadInt(&m_UpZone);
    reader->ReadInt(&m_DownZone);
    reader->ReadName(m_ThumbName);
    reader->ReadName(m_ContentName);
    reader->ReadInt(&m_LineStep);
}

LScrollView::LScrollView(int id, const RECT& frame, int upZone, int downZone, int lineStep, const char* bar,
                         const char* thumb, const char* content, LView* parent)
    : LView(id, frame, 1, 0, 0, parent), m_UpZone(upZone), m_DownZone(downZone), m_LineStep(lineStep) {
    CopyName(m_BarName, bar);
    CopyName(m_ThumbName, thumb);
    CopyName(m_ContentName, content);
}

LScrollView::~LScrollView() { ReleaseMedia(); }

void LScrollView::ReleaseMedia() {
    Drop(&m_BarMedium, &m_BarRef);
    Drop(&m_ThumbMedium, &m_ThumbRef);
    Drop(&m_ContentMedium, &m_ContentRef);
}

int LScrollView::LoadMedia() { return LoadBitmaps(m_ContentName, m_ThumbName, m_BarName); }

int LScrollView::LoadBitmaps(const char* content, const char* thumb, const char* bar) {
    ReleaseMedia();
    m_BarMedium = Fetch(bar, &m_BarRef, &m_BarRect);
    m_ThumbMedium = Fetch(thumb, &m_ThumbRef, &m_ThumbRect);
    m_ContentMedium = Fetch(content, &m_ContentRef, &m_ContentRect);
    m_OffsetX = m_OffsetY = 0;
    m_ContentWidth = m_ContentRect.right;
    m_ContentHeight = m_ContentRect.bottom;
    m_Min = 0;
    m_Pos = 0;
    // A line step of 0 cannot scroll anything: the list then stays at its top.
    // Wide arithmetic: the view's size comes from a file and may be absurd.
    const long long lines =
        m_LineStep > 0 ? (static_cast<long long>(m_ContentHeight) - m_ContentRect.top - m_Height) / m_LineStep : 0;
    m_Max = static_cast<int>(std::clamp<long long>(lines, 0, kMaxLines));
    return m_ContentMedium != nullptr;
}

int LScrollView::TrackHeight() const {
    return static_cast<int>(std::clamp<long long>(static_cast<long long>(m_Height) - m_UpZone - m_DownZone, -kMaxLines, kMaxLines));
}

int LScrollView::ThumbCentreY() const {
    // Only called with max > min (the bar is shown only then).
    const int range = m_Max - m_Min;
    if (range <= 0) return m_Y + m_UpZone;
    return m_Y + m_UpZone + static_cast<int>(static_cast<double>(m_Pos - m_Min) * TrackHeight() / range);
}

void LScrollView::DrawContent(const RECT* r) {
    LFrameManager* fm = GetFrameManager();
    if (!fm) return;
    platform::DirectDrawSurface* target = fm->GetDrawTarget();
    POINT pos;
    GetPosition(&pos);
    LocalToScreen(pos, &pos);
    if (m_ContentMedium)
        m_ContentMedium->Draw(target, m_ContentRect, pos.x + m_OffsetX, pos.y + m_OffsetY, this, r, &m_ContentRef,
                              kDrawCopy);
    if (m_Max <= 0) return;
    const int barX = pos.x + m_Width - BarWidth();
    if (m_BarMedium) m_BarMedium->Draw(target, m_BarRect, barX, pos.y, this, r, &m_BarRef, kDrawCopy);
    if (m_ThumbMedium) {
        const int thumbW = m_ThumbRect.right - m_ThumbRect.left, thumbH = m_ThumbRect.bottom - m_ThumbRect.top;
        const int centre = ThumbCentreY() - m_Y + pos.y;
        m_ThumbMedium->Draw(target, m_ThumbRect, barX + (BarWidth() - thumbW) / 2, centre - thumbH / 2, this, r,
                            &m_ThumbRef, kDrawCopy);
    }
}

int LScrollView::HitBar(const POINT& p) const {
    return p.x >= m_X + m_Width - BarWidth() && p.x < m_X + m_Width && p.y >= m_Y && p.y < m_Y + m_Height;
}

int LScrollView::HitUpArrow(const POINT& p) const { return HitBar(p) && p.y < m_Y + m_UpZone; }

int LScrollView::HitDownArrow(const POINT& p) const { return HitBar(p) && p.y >= m_Y + m_Height - m_DownZone; }

int LScrollView::HitThumb(const POINT& p) const {
    const int half = (m_ThumbRect.bottom - m_ThumbRect.top) / 2;
    const int centre = ThumbCentreY();
    return HitBar(p) && p.y >= centre - half && p.y < centre + half + 1;
}

int LScrollView::HitTrack(const POINT& p) const {
    return HitBar(p) && !HitUpArrow(p) && !HitDownArrow(p);
}

void LScrollView::SetPosClamped(int pos) {
    pos = std::clamp(pos, m_Min, std::max(m_Min, m_Max));
    if (pos == m_Pos) return;
    m_Pos = pos;
    ScrollToPos();
    Invalidate();
}

void LScrollView::DoLButtonDown(POINT* p, int*) {
    if (m_Max < 1) return;
    if (HitUpArrow(*p)) {
        if (m_Pos > m_Min) SetPosClamped(m_Pos - 1);
    } else if (HitDownArrow(*p)) {
        if (m_Pos < m_Max) SetPosClamped(m_Pos + 1);
    } else if (HitThumb(*p)) {
        m_ThumbDrag = 1;
    } else if (HitTrack(*p)) {
        const int page = m_LineStep > 0 ? m_Height / m_LineStep : 0;
        SetPosClamped(p->y > ThumbCentreY() ? m_Pos + page : m_Pos - page);
    }
}

void LScrollView::DoDragMove(int packedPoint, int) {
    const int range = m_Max - m_Min;
    const int track = TrackHeight();
    if (!m_ThumbDrag || range <= 0 || track <= 0) return;
    const int offset = UnpackPoint(packedPoint).y - (m_Y + m_UpZone);
    const int step = track / range;
    int pos;
    if (step > 0) {
        pos = offset / step + (offset % step > step / 2 ? 1 : 0);
    } else {
        // More lines than track pixels: each pixel stands for several lines.
        pos = static_cast<int>(static_cast<double>(offset) * range / track + 0.5);
    }
    SetPosClamped(m_Min + pos);
}

void LScrollView::DoDragEnd(int, int) { m_ThumbDrag = 0; }

void LScrollView::ScrollToPos() { ScrollTo(0, -m_Pos * m_LineStep); }
