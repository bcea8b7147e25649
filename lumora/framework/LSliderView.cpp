#include "lumora/framework/LSliderView.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LFrameReader.h"

using platform::POINT;
using platform::RECT;

namespace {

LChannelVolumeQuery g_VolumeQuery;

}  // namespace

void SetChannelVolumeQuery(LChannelVolumeQuery query) { g_VolumeQuery = std::move(query); }

int QueryChannelVolume(int channel) { return g_VolumeQuery ? std::clamp(g_VolumeQuery(channel), 0, 100) : 0; }

LSliderView::LSliderView() {
    LFrameReader* reader = GetFrameReader();
    reader->ReadInt(&m_ButtonWidth);
    reader->ReadName(m_ThumbName);
}

LSliderView::LSliderView(int id, const RECT& frame, int buttonWidth, const char* thumb, LView* parent)
    : LView(id, frame, 1, 0, 0, parent), m_ButtonWidth(buttonWidth) {
    std::strncpy(m_ThumbName, thumb ? thumb : "", sizeof m_ThumbName - 1);
}

LSliderView::~LSliderView() {
    LFrameManager* fm = GetFrameManager();
    if (m_ThumbMedium && fm && fm->GetMediaManager()) fm->GetMediaManager()->ReleaseMedium(&m_ThumbRef, 1);
}

int LSliderView::LoadBitmap(const char* name) {
    LFrameManager* fm = GetFrameManager();
    LMediaManager* media = fm ? fm->GetMediaManager() : nullptr;
    if (!media || !name || !*name || name[0] == '0') return 0;
    m_ThumbMedium = media->GetMedium(name, &m_ThumbRef, 0);
    if (!m_ThumbMedium) return 0;
    m_ThumbMedium->GetRect(&m_ThumbRef, &m_ThumbRect);
    return 1;
}

int LSliderView::LoadMedia() {
    // The value runs over the room between the two zones; a view narrower
    // than its zones has none.
    m_Min = 0;
    m_Max = static_cast<int>(std::clamp<long long>(static_cast<long long>(m_Width) - 2LL * m_ButtonWidth, 0, 1 << 24));
    m_Pos = std::clamp(m_Pos, m_Min, m_Max);
    return LoadBitmap(m_ThumbName);
}

void LSliderView::DrawContent(const RECT* r) {
    LFrameManager* fm = GetFrameManager();
    if (!fm || !m_ThumbMedium) return;
    POINT pos;
    GetPosition(&pos);
    LocalToScreen(pos, &pos);
    const int centre = pos.x + m_ButtonWidth + m_Pos;
    m_ThumbMedium->Draw(fm->GetDrawTarget(), m_ThumbRect, centre - ThumbWidth() / 2, pos.y, this, r, &m_ThumbRef,
                        kDrawCopy);
}

int LSliderView::HitMinus(const POINT& p) const { return p.x >= m_X && p.x < m_X + m_ButtonWidth; }

int LSliderView::HitPlus(const POINT& p) const {
    return p.x >= m_X + m_Width - m_ButtonWidth && p.x < m_X + m_Width;
}

int LSliderView::HitThumb(const POINT& p) const {
    // The thumb as it is drawn, centred on its value.
    const int left = ThumbCentreX() - ThumbWidth() / 2;
    return p.x >= left && p.x < left + std::max(1, ThumbWidth());
}

void LSliderView::SetPosClamped(int pos) {
    pos = std::clamp(pos, m_Min, std::max(m_Min, m_Max));
    if (pos == m_Pos) return;
    m_Pos = pos;
    Invalidate();
}

void LSliderView::DoLButtonDown(POINT* p, int*) {
    if (HitMinus(*p))
        SetPosClamped(m_Pos - kClickStep);
    else if (HitPlus(*p))
        SetPosClamped(m_Pos + kClickStep);
    else if (HitThumb(*p))
        m_ThumbDrag = 1;
}

void LSliderView::DoDragMove(int packedPoint, int) {
    if (!m_ThumbDrag) return;
    SetPosClamped(UnpackPoint(packedPoint).x - m_X - m_ButtonWidth);
}

void LSliderView::DoDragEnd(int, int) { m_ThumbDrag = 0; }

int LSliderView::PosToVolume(int pos) const {
    if (m_Max <= 0) return 0;
    return static_cast<int>(std::lround(std::clamp(pos, 0, m_Max) * 100.0 / m_Max));
}

int LSliderView::VolumeToPos(int volume) const {
    if (m_Max <= 0) return 0;
    return static_cast<int>(std::lround(std::clamp(volume, 0, 100) * m_Max / 100.0));
}

LVolumeSliderView::LVolumeSliderView(int channel) : m_Channel(channel) {}

int LVolumeSliderView::LoadMedia() {
    const int ok = LSliderView::LoadMedia();
    m_Pos = VolumeToPos(QueryChannelVolume(m_Channel));
    return ok;
}
