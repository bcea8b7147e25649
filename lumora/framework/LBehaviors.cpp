#include "lumora/framework/LBehaviors.h"

#include <algorithm>
#include <cstring>

#include "lumora/framework/LCursorPort.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LFrameReader.h"
#include "lumora/framework/LView.h"

using platform::POINT;
using platform::RECT;

namespace {

LCursorPort* g_CursorPort = nullptr;

void CopyName(char* dst, const char* src) {
    std::strncpy(dst, src ? src : "", kFrameNameSize - 1);
    dst[kFrameNameSize - 1] = '\0';
}

void ShowResourceCursor(int id) {
    if (g_CursorPort && g_CursorPort->HasResourceCursor(id)) g_CursorPort->SetResourceCursor(id);
}

}  // namespace

void SetCursorPort(LCursorPort* port) { g_CursorPort = port; }
LCursorPort* GetCursorPort() { return g_CursorPort; }

// ---- @FRA ----

LFrameLinkBehavior::LFrameLinkBehavior() { GetFrameReader()->ReadName(m_FrameName); }

LFrameLinkBehavior::LFrameLinkBehavior(const char* frameName) { CopyName(m_FrameName, frameName); }

int LFrameLinkBehavior::HandleEvent(int type, void*, void*) {
    // The switch waits for the idle pass, after the click is handled; the
    // view's own reaction still runs.
    if (type == kEventLButtonDown && m_Enabled)
        if (LFrameManager* fm = GetFrameManager()) fm->RequestFrame(m_FrameName);
    return 0;
}

// ---- @CUR ----

LCursorBehavior::LCursorBehavior() { GetFrameReader()->ReadInt(&m_CursorId); }

void LCursorBehavior::OnInit() { m_Loaded = g_CursorPort && g_CursorPort->HasResourceCursor(m_CursorId); }

int LCursorBehavior::HandleEvent(int type, void*, void*) {
    if (type != kEventEnter || !m_Loaded || !g_CursorPort) return 0;
    g_CursorPort->SetResourceCursor(m_CursorId);
    return 1;
}

// ---- @DRA ----

LDragBehavior::LDragBehavior() { GetFrameReader()->ReadInt(&m_MustReturn); }

LDragBehavior::LDragBehavior(int mustReturn) : m_MustReturn(mustReturn) {}

int LDragBehavior::HandleEvent(int type, void* sender, void* data) {
    auto* view = static_cast<LView*>(sender);
    const int* packed = static_cast<const int*>(data);
    switch (type) {
    case kEventEnter:
        ShowResourceCursor(kCursorHand);
        return 1;
    case kEventDragStart: {
        if (!view || !packed) return 0;
        POINT at = UnpackPoint(packed[0]);
        RECT frame;
        view->GetFrameRect(&frame);
        m_OriginX = frame.left;
        m_OriginY = frame.top;
        m_GrabX = at.x - frame.left;
        m_GrabY = at.y - frame.top;
        ShowResourceCursor(kCursorGrab);
        return 1;
    }
    case kEventDragMove:
    case kEventDragEnd: {
        if (!view || !packed) return 0;
        if (type == kEventDragEnd && m_MustReturn) {
            view->MoveTo(m_OriginX, m_OriginY);
        } else {
            POINT at = UnpackPoint(packed[0]);
            view->MoveTo(at.x - m_GrabX, at.y - m_GrabY);
        }
        return 1;
    }
    default: return 0;
    }
}

// ---- @HIL ----

LHighlightBehavior::LHighlightBehavior() {
    LFrameReader* reader = GetFrameReader();
    reader->ReadName(m_BitmapName);
    reader->ReadInt(&m_OffsetX);
    reader->ReadInt(&m_OffsetY);
    m_OffsetX = std::clamp(m_OffsetX, -kMaxCoordinate, kMaxCoordinate);
    m_OffsetY = std::clamp(m_OffsetY, -kMaxCoordinate, kMaxCoordinate);
    LoadBitmap(m_BitmapName);
}

LHighlightBehavior::LHighlightBehavior(const char* bitmapName, int offsetX, int offsetY)
    : m_OffsetX(offsetX), m_OffsetY(offsetY) {
    CopyName(m_BitmapName, bitmapName);
    LoadBitmap(m_BitmapName);
}

LHighlightBehavior::~LHighlightBehavior() {
    LFrameManager* fm = GetFrameManager();
    if (m_Medium && fm && fm->GetMediaManager()) fm->GetMediaManager()->ReleaseMedium(&m_Ref, 1);
}

void LHighlightBehavior::OnInit() {}

int LHighlightBehavior::LoadBitmap(const char* name) {
    LFrameManager* fm = GetFrameManager();
    LMediaManager* media = fm ? fm->GetMediaManager() : nullptr;
    if (!media || !name || !*name) return 0;
    m_Medium = media->GetMedium(name, &m_Ref, 0);
    if (!m_Medium) return 0;
    m_Medium->GetRect(&m_Ref, &m_BitmapRect);
    return 1;
}

int LHighlightBehavior::GetRect(RECT* r) const {
    // Without its picture the highlight has no size to give its view.
    *r = m_BitmapRect;
    return m_Medium != nullptr;
}

int LHighlightBehavior::HandleEvent(int type, void* sender, void*) {
    if (!m_Enabled) return 0;
    auto* view = static_cast<LView*>(sender);
    switch (type) {
    case kEventLeave:
        m_Lit = 0;
        if (view) InvalidateHighlight(view);
        return 1;
    case kEventEnter:
        m_Lit = 1;
        if (view) InvalidateHighlight(view);
        return 1;
    case kEventPainted:
        if (m_Lit && view) DrawHighlight(view);
        return 1;
    default: return 0;
    }
}

void LHighlightBehavior::DrawHighlight(LView* view) {
    LFrameManager* fm = GetFrameManager();
    if (!m_Medium || !fm) return;
    POINT pos;
    view->GetPosition(&pos);
    view->LocalToScreen(pos, &pos);
    m_Medium->Draw(fm->GetDrawTarget(), m_BitmapRect, pos.x + m_OffsetX, pos.y + m_OffsetY, view, nullptr, &m_Ref,
                   kDrawCopy);
}

void LHighlightBehavior::InvalidateHighlight(LView* view) { view->Invalidate(); }

// ---- @HIG ----

LFixedHighlightBehavior::LFixedHighlightBehavior() { m_SizesOwner = 0; }

LFixedHighlightBehavior::LFixedHighlightBehavior(const char* bitmapName, int x, int y)
    : LHighlightBehavior(bitmapName, x, y) {
    m_SizesOwner = 0;
}

void LFixedHighlightBehavior::DrawHighlight(LView*) {
    LFrameManager* fm = GetFrameManager();
    if (!m_Medium || !fm) return;
    m_Medium->Draw(fm->GetDrawTarget(), m_BitmapRect, m_OffsetX, m_OffsetY, nullptr, nullptr, &m_Ref, kDrawCopy);
}

void LFixedHighlightBehavior::InvalidateHighlight(LView*) {
    LFrameManager* fm = GetFrameManager();
    if (!fm || !fm->GetUpdateRegion()) return;
    const RECT r{m_OffsetX, m_OffsetY, m_OffsetX + (m_BitmapRect.right - m_BitmapRect.left),
                 m_OffsetY + (m_BitmapRect.bottom - m_BitmapRect.top)};
    fm->GetUpdateRegion()->Invalidate(&r);
}

// ---- @SCR ----

LScriptBehavior::LScriptBehavior() { GetFrameReader()->ReadName(m_ScriptName); }

LScriptBehavior::LScriptBehavior(const char* scriptName) { CopyName(m_ScriptName, scriptName); }

int LScriptBehavior::HandleEvent(int type, void* sender, void* data) {
    if (!m_Enabled) return 0;
    LFrameManager* fm = GetFrameManager();
    LScriptTable* scripts = fm ? fm->GetScriptTable() : nullptr;
    LScriptHandler handler = scripts ? scripts->Find(m_ScriptName) : nullptr;
    return handler ? handler(type, sender, data) : 0;
}
