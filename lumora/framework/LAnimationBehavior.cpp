#include "lumora/framework/LAnimationBehavior.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "lumora/framework/LFrame.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LFrameReader.h"
#include "lumora/framework/LView.h"
#include "platform/Time.h"

using platform::RECT;

namespace {

LTimerList* Timers() {
    LFrameManager* fm = GetFrameManager();
    return fm ? fm->GetTimerList() : nullptr;
}

}  // namespace

LAnimationBehavior::LAnimationBehavior() : LTimerClient(1, Timers()) {
    LFrameReader* reader = GetFrameReader();
    reader->ReadInt(&m_FrameCount);
    reader->ReadName(m_BaseName);
    reader->ReadInt(&m_Delay);
    reader->ReadInt(&m_Loop);
    reader->ReadInt(&m_HoverOnly);
    reader->ReadInt(&m_OffsetX);
    reader->ReadInt(&m_OffsetY);
    BuildTable();
}

LAnimationBehavior::LAnimationBehavior(int frameCount, const char* baseName, int delay, int loop, int hoverOnly,
                                       int offsetX, int offsetY)
    : LTimerClient(1, Timers()), m_FrameCount(frameCount), m_Delay(delay), m_Loop(loop), m_HoverOnly(hoverOnly),
      m_OffsetX(offsetX), m_OffsetY(offsetY) {
    std::strncpy(m_BaseName, baseName ? baseName : "", sizeof m_BaseName - 1);
    BuildTable();
}

LAnimationBehavior::~LAnimationBehavior() {
    LFrameManager* fm = GetFrameManager();
    LMediaManager* media = fm ? fm->GetMediaManager() : nullptr;
    for (Picture& p : m_Table)
        if (p.medium && media) media->ReleaseMedium(&p.ref, 1);
}

void LAnimationBehavior::BuildTable() {
    // A count read from a damaged file must not allocate without bound.
    m_FrameCount = std::clamp(m_FrameCount, 0, kMaxFrames);
    LFrameManager* fm = GetFrameManager();
    LMediaManager* media = fm ? fm->GetMediaManager() : nullptr;
    m_Table.resize(static_cast<std::size_t>(m_FrameCount));
    for (int i = 1; i <= m_FrameCount && media; ++i) {
        const std::string name = m_BaseName + std::to_string(i);
        Picture& p = m_Table[static_cast<std::size_t>(i) - 1];
        p.medium = media->GetMedium(name.c_str(), &p.ref, 0);
        if (p.medium) p.medium->GetRect(&p.ref, &p.rect);
    }
}

int LAnimationBehavior::HandleEvent(int type, void* sender, void*) {
    if (!m_Owner && sender) {
        m_Owner = static_cast<LView*>(sender);
        m_OwnerFrame = m_Owner->GetFrame();
    }
    switch (type) {
    case kEventLeave: m_Playing = 0; return 1;
    case kEventEnter:
        if (m_HoverOnly) {
            m_Playing = 1;
            m_Current = 0;
            m_LastTick = 0;
        }
        return 1;
    case kEventPainted:
        if (m_Owner) Draw(m_Owner);
        return 1;
    default: return 0;
    }
}

void LAnimationBehavior::OnTick() {
    const platform::DWORD now = platform::timeGetTime();
    if (m_LastTick != 0 && m_LastTick + static_cast<platform::DWORD>(m_Delay) >= now) return;
    if (m_HoverOnly && !m_Playing) return;
    ++m_Current;
    m_LastTick = now;
    if (m_Current > m_FrameCount) m_Current = m_Loop ? 1 : m_FrameCount;
}

void LAnimationBehavior::Draw(LView* owner) {
    if (!owner || !owner->IsVisible()) return;
    if (m_OwnerFrame && !m_OwnerFrame->IsActive()) return;
    if (m_HoverOnly && !m_Playing) return;
    if (m_Current < 1 || m_Current > static_cast<int>(m_Table.size())) return;
    const Picture& p = m_Table[static_cast<std::size_t>(m_Current) - 1];
    LFrameManager* fm = GetFrameManager();
    if (!p.medium || !fm) return;
    RECT frame;
    owner->GetFrameRect(&frame);
    p.medium->Draw(fm->GetDrawTarget(), p.rect, frame.left + m_OffsetX, frame.top + m_OffsetY, owner, nullptr, &p.ref,
                   kDrawCopy);
}
