#include "lumora/framework/LView.h"

#include <algorithm>
#include <cstring>

#include "lumora/framework/LFrame.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LFrameReader.h"

using platform::POINT;
using platform::RECT;

namespace {

RECT Union(const RECT& a, const RECT& b) {
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

// Positions, sizes and offsets of records are kept to a range where their
// sums cannot overflow; no screen comes near it.
int Coordinate(int v) { return std::clamp(v, -kMaxCoordinate, kMaxCoordinate); }

}  // namespace

LView::LView() {
    LFrameReader* reader = GetFrameReader();
    int block[9] = {};
    for (int& v : block) reader->ReadInt(&v);
    for (int i = 1; i <= 4; ++i) block[i] = Coordinate(block[i]);
    m_ViewID = block[0];
    m_X = m_OffsetX = block[1];
    m_Y = m_OffsetY = block[2];
    m_Width = m_ContentWidth = block[3];
    m_Height = m_ContentHeight = block[4];
    m_Visible = block[5];
    m_MustClip = block[7];
    m_IgnoreClip = block[8];
    if (block[6] != 0) {
        LFrameManager* fm = GetFrameManager();
        LFrame* frame = fm ? fm->GetCreatingFrame() : nullptr;
        LView* root = frame ? frame->GetRootView() : nullptr;
        LView* parent = root ? root->FindView(block[6]) : nullptr;
        if (parent)
            parent->AddSubView(this);
        else
            m_LoadError = 1;
    }
}

LView::LView(int id, const RECT& frame, int visible, int mustClip, int ignoreClip, LView* parent)
    : m_ViewID(id), m_X(frame.left), m_Y(frame.top), m_Width(frame.right - frame.left),
      m_Height(frame.bottom - frame.top), m_OffsetX(frame.left), m_OffsetY(frame.top),
      m_ContentWidth(frame.right - frame.left), m_ContentHeight(frame.bottom - frame.top), m_Visible(visible),
      m_MustClip(mustClip), m_IgnoreClip(ignoreClip) {
    if (parent) parent->AddSubView(this);
}

LView::~LView() {
    // A view deleted on its own (not by its parent) leaves its parent's list.
    DetachFromSuperView();
    if (m_SubViews) {
        while (m_SubViews->GetLastIndex() >= 0) {
            const int last = m_SubViews->GetLastIndex();
            LView* child = m_SubViews->PtrAt<LView>(last);
            m_SubViews->RemoveAt(last);
            if (child) {
                child->m_SuperView = nullptr;
                delete child;
            }
        }
        delete m_SubViews;
    }
}

void LView::Paint(const RECT* r) {
    if (m_Visible) DrawContent(r);
}

void LView::DrawContent(const RECT*) {}

int LView::LoadMedia() { return 1; }

void LView::LocalToScreen(POINT in, POINT* out) const { *out = in; }

void LView::AddSubView(LView* view) {
    if (!view) return;
    if (!m_SubViews) m_SubViews = new LArray(0, nullptr, kPointerSize);
    m_SubViews->AddPtr(view);
    view->m_SuperView = this;
}

void LView::DetachFromSuperView() {
    if (m_SuperView && m_SuperView->m_SubViews) {
        LView* self = this;
        m_SuperView->m_SubViews->Remove(&self);
    }
    m_SuperView = nullptr;
}

void LView::RemoveSubView(LView* view) {
    if (!view || !m_SubViews || m_SubViews->Find(&view) < 0) return;
    LFrame* frame = GetFrame();
    view->DetachFromSuperView();
    // Its descendants leave the frame's list with it.
    if (frame) {
        std::vector<LView*> stack{view};
        while (!stack.empty()) {
            LView* v = stack.back();
            stack.pop_back();
            frame->RemoveView(v);
            for (int i = 0; i <= v->CountSubViews(); ++i) stack.push_back(v->SubViewAt(i));
        }
    }
    delete view;
}

int LView::CountSubViews() const { return m_SubViews ? m_SubViews->GetLastIndex() : -1; }

LView* LView::FindView(int id) {
    if (id == m_ViewID) return this;
    LView* root = this;
    while (root->GetSuperView()) root = root->GetSuperView();
    std::vector<LView*> stack{root};
    while (!stack.empty()) {
        LView* v = stack.back();
        stack.pop_back();
        if (v->m_ViewID == id) return v;
        for (int i = v->CountSubViews(); i >= 0; --i) stack.push_back(v->SubViewAt(i));
    }
    return nullptr;
}

int LView::HitTest(int x, int y) const {
    RECT r;
    GetClipRect(&r);
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

int LView::Intersects(const RECT* r) const {
    RECT c;
    GetClipRect(&c);
    return std::max(c.left, r->left) < std::min(c.right, r->right) &&
           std::max(c.top, r->top) < std::min(c.bottom, r->bottom);
}

void LView::OnMouseLeave() {
    if (!SendEvent(kEventLeave, this, nullptr)) DoMouseLeave();
}

void LView::OnMouseEnter() {
    if (!SendEvent(kEventEnter, this, nullptr)) DoMouseEnter();
}

void LView::OnMouseMove(POINT* p) {
    if (!SendEvent(kEventMove, this, nullptr)) DoMouseMove(p);
}

void LView::OnLButtonDown(POINT* p, int* keys) {
    if (!SendEvent(kEventLButtonDown, this, nullptr)) DoLButtonDown(p, keys);
}

void LView::OnRButtonDown(POINT* p, int* keys) {
    if (!SendEvent(kEventRButtonDown, this, nullptr)) DoRButtonDown(p, keys);
}

void LView::OnDoubleClick(POINT* p, int* keys) {
    if (!SendEvent(kEventDoubleClick, this, nullptr)) DoDoubleClick(p, keys);
}

void LView::OnDragStart(int packedPoint, int keys) {
    m_Pressed = 1;
    int data[2] = {packedPoint, keys};
    if (!SendEvent(kEventDragStart, this, data)) DoDragStart(packedPoint, keys);
}

void LView::OnDragMove(int packedPoint, int keys) {
    int data[2] = {packedPoint, keys};
    if (!SendEvent(kEventDragMove, this, data)) DoDragMove(packedPoint, keys);
}

void LView::OnDragEnd(int packedPoint, int keys) {
    m_Pressed = 0;
    int data[2] = {packedPoint, keys};
    if (!SendEvent(kEventDragEnd, this, data)) DoDragEnd(packedPoint, keys);
}

int LView::OnKeyDown(int lParam, int key) {
    int data[2] = {lParam, key};
    if (SendEvent(kEventKey, this, data)) return 1;
    return DoKeyDown(lParam, key);
}

int LView::OnChar(int lParam, int ch) {
    int data[2] = {lParam, ch};
    if (SendEvent(kEventChar, this, data)) return 1;
    return DoChar(lParam, ch);
}

void LView::PaintAll(const RECT* r) {
    Paint(r);
    SendEvent(kEventPainted, this, nullptr);
}

void LView::GetPosition(POINT* p) const { *p = POINT{m_X, m_Y}; }
void LView::GetSize(POINT* p) const { *p = POINT{m_Width, m_Height}; }
void LView::GetContentOffset(POINT* p) const { *p = POINT{m_OffsetX, m_OffsetY}; }
void LView::GetContentSize(POINT* p) const { *p = POINT{m_ContentWidth, m_ContentHeight}; }
void LView::GetFrameRect(RECT* r) const { *r = RECT{m_X, m_Y, m_X + m_Width, m_Y + m_Height}; }

void LView::GetContentRect(RECT* r) const {
    const int left = m_X + m_OffsetX, top = m_Y + m_OffsetY;
    *r = RECT{left, top, left + m_ContentWidth, top + m_ContentHeight};
}

void LView::GetClipRect(RECT* r) const {
    GetFrameRect(r);
    if (m_IgnoreClip) return;
    for (const LView* v = m_SuperView; v; v = v->m_SuperView) {
        if (!v->m_MustClip) continue;
        RECT f;
        v->GetFrameRect(&f);
        r->left = std::max(r->left, f.left);
        r->top = std::max(r->top, f.top);
        r->right = std::max(r->left, std::min(r->right, f.right));
        r->bottom = std::max(r->top, std::min(r->bottom, f.bottom));
    }
}

void LView::InvalidateRect(const RECT& r) const {
    LFrameManager* fm = GetFrameManager();
    if (fm && fm->GetUpdateRegion()) fm->GetUpdateRegion()->Invalidate(&r);
}

void LView::MoveBy(int dx, int dy) {
    RECT before;
    GetFrameRect(&before);
    m_X += dx;
    m_Y += dy;
    for (int i = 0; i <= CountSubViews(); ++i) SubViewAt(i)->MoveBy(dx, dy);
    RECT after;
    GetFrameRect(&after);
    InvalidateRect(Union(before, after));
}

void LView::MoveTo(int x, int y) { MoveBy(x - m_X, y - m_Y); }

void LView::ScrollTo(int x, int y) { ScrollBy(x - m_OffsetX, y - m_OffsetY); }

void LView::ScrollBy(int dx, int dy) {
    m_OffsetX += dx;
    m_OffsetY += dy;
    for (int i = 0; i <= CountSubViews(); ++i) SubViewAt(i)->MoveBy(dx, dy);
    Invalidate();
}

void LView::OnSurfacesRestored() { SendEvent(kEventSurfacesRestored, this, nullptr); }

void LView::SetVisible(int visible) {
    m_Visible = visible;
    Invalidate();
}

LFrame* LView::GetFrame() const {
    LFrameManager* fm = GetFrameManager();
    if (!fm) return nullptr;
    const LView* root = this;
    while (root->GetSuperView()) root = root->GetSuperView();
    return fm->FrameOfRootView(const_cast<LView*>(root));
}

void LView::Invalidate() {
    RECT r;
    GetFrameRect(&r);
    InvalidateRect(r);
}

void LView::FinishLoad() {
    if (!m_Behaviors) return;
    for (int i = 0; i <= m_Behaviors->GetLastIndex(); ++i) {
        LBehavior* b = m_Behaviors->PtrAt<LBehavior>(i);
        RECT r;
        if (b && b->GetRect(&r) && b->SizesOwner()) {
            m_Width = r.right - r.left;
            m_Height = r.bottom - r.top;
            return;
        }
    }
}

// ---- bitmap view ----

LBitmapView::LBitmapView() {
    LFrameReader* reader = GetFrameReader();
    reader->ReadInt(&m_OffsetX);
    reader->ReadInt(&m_OffsetY);
    reader->ReadName(m_BitmapName);
    reader->ReadInt(&m_DrawMode);
    m_OffsetX = Coordinate(m_OffsetX);
    m_OffsetY = Coordinate(m_OffsetY);
}

LBitmapView::LBitmapView(int id, const RECT& frame, const char* bitmapName, int drawMode, LView* parent)
    : LView(id, frame, 1, 0, 0, parent), m_DrawMode(drawMode) {
    m_OffsetX = m_OffsetY = 0;
    std::strncpy(m_BitmapName, bitmapName ? bitmapName : "0", sizeof m_BitmapName - 1);
}

LBitmapView::~LBitmapView() { ReleaseBitmap(); }

void LBitmapView::DrawContent(const RECT* r) {
    LFrameManager* fm = GetFrameManager();
    if (!m_Medium || !fm) return;
    POINT pos;
    GetPosition(&pos);
    LocalToScreen(pos, &pos);
    m_Medium->Draw(fm->GetDrawTarget(), m_SourceRect, pos.x + m_OffsetX, pos.y + m_OffsetY, this, r, &m_Ref,
                   m_DrawMode);
}

int LBitmapView::LoadMedia() { return LoadBitmap(m_BitmapName) != nullptr || m_BitmapName[0] == '0'; }

LMediaObject* LBitmapView::LoadBitmap(const char* name) {
    if (!name || name[0] == '0') return nullptr;
    LFrameManager* fm = GetFrameManager();
    LMediaManager* media = fm ? fm->GetMediaManager() : nullptr;
    if (!media) return nullptr;
    m_Medium = media->GetMedium(name, &m_Ref, 0);
    if (!m_Medium) return nullptr;
    m_Medium->GetRect(&m_Ref, &m_SourceRect);
    m_ContentWidth = m_SourceRect.right;
    m_ContentHeight = m_SourceRect.bottom;
    if (m_Width == 0) m_Width = m_SourceRect.right - m_SourceRect.left + m_OffsetX;
    if (m_Height == 0) m_Height = m_SourceRect.bottom - m_SourceRect.top + m_OffsetY;
    return m_Medium;
}

void LBitmapView::ReleaseBitmap() {
    LFrameManager* fm = GetFrameManager();
    if (m_Medium && fm && fm->GetMediaManager()) fm->GetMediaManager()->ReleaseMedium(&m_Ref, 1);
    m_Medium = nullptr;
    m_Ref = LMediumRef{};
    m_SourceRect = RECT{0, 0, 0, 0};
}

void LBitmapView::SetBitmap(const char* name) {
    ReleaseBitmap();
    std::strncpy(m_BitmapName, name ? name : "0", sizeof m_BitmapName - 1);
    m_BitmapName[sizeof m_BitmapName - 1] = '\0';
    LoadBitmap(m_BitmapName);
    Invalidate();
}
