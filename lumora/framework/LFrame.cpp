#include "lumora/framework/LFrame.h"

#include <cstring>

#include "lumora/framework/LClassCreator.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LView.h"

using platform::POINT;
using platform::RECT;

LFrame::LFrame(const char* name) { std::strncpy(m_Name, name ? name : "", sizeof m_Name - 1); }

LFrame::~LFrame() {
    // The root owns the views below it; views left without a parent (a file
    // may hold several top views) belong to the frame directly.
    std::vector<LView*> tops;
    for (int i = 0; i < CountViews(); ++i) {
        LView* v = ViewAt(i);
        if (v != m_RootView && !v->GetSuperView()) tops.push_back(v);
    }
    while (m_Views.GetLastIndex() >= 0) m_Views.RemoveAt(m_Views.GetLastIndex());
    m_HoverView = m_PressedView = nullptr;
    for (LView* v : tops) delete v;
    DeleteRootView();
}

void LFrame::DeleteRootView() {
    delete m_RootView;
    m_RootView = nullptr;
}

LView* LFrame::FindViewById(int id) const {
    for (int i = 0; i < CountViews(); ++i)
        if (ViewAt(i)->GetViewID() == id) return ViewAt(i);
    return nullptr;
}

LView* LFrame::HitView(int x, int y) const {
    for (int i = m_Views.GetLastIndex(); i >= 0; --i) {
        LView* v = ViewAt(i);
        if (v->IsVisible() && v->HitTest(x, y)) return v;
    }
    return nullptr;
}

int LFrame::MouseMove(int packedPoint) {
    if (PreMouseMove(packedPoint)) return 1;
    POINT p = UnpackPoint(packedPoint);
    LView* hit = HitView(p.x, p.y);
    if (!hit) {
        LView* old = m_HoverView;
        m_HoverView = nullptr;
        if (old) old->OnMouseLeave();
        return 0;
    }
    if (hit == m_HoverView) {
        hit->OnMouseMove(&p);
        return 1;
    }
    LView* old = m_HoverView;
    m_HoverView = hit;
    if (old) old->OnMouseLeave();
    hit->OnMouseEnter();
    return 1;
}

int LFrame::Press(int packedPoint, int keys, PressHandler handler) {
    POINT p = UnpackPoint(packedPoint);
    LView* hit = HitView(p.x, p.y);
    m_PressedView = hit;
    if (!hit) return 0;
    (hit->*handler)(&p, &keys);
    return 1;
}

int LFrame::LButtonDown(int packedPoint, int keys) {
    if (PreLButtonDown(packedPoint, keys)) return 1;
    return Press(packedPoint, keys, &LView::OnLButtonDown);
}

int LFrame::RButtonDown(int packedPoint, int keys) {
    if (PreRButtonDown(packedPoint, keys)) return 1;
    return Press(packedPoint, keys, &LView::OnRButtonDown);
}

int LFrame::DoubleClick(int packedPoint, int keys) {
    if (PreDoubleClick(packedPoint, keys)) return 1;
    return Press(packedPoint, keys, &LView::OnDoubleClick);
}

int LFrame::DragStart(int packedPoint, int keys) {
    if (PreDragStart(packedPoint, keys)) return 1;
    if (!m_PressedView) return 0;
    m_PressedView->OnDragStart(packedPoint, keys);
    return 1;
}

int LFrame::DragMove(int packedPoint, int keys) {
    if (PreDragMove(packedPoint, keys)) return 1;
    if (!m_PressedView) return 0;
    m_PressedView->OnDragMove(packedPoint, keys);
    return 1;
}

int LFrame::LButtonUp(int packedPoint, int keys) {
    if (PreLButtonUp(packedPoint, keys)) return 1;
    if (!m_PressedView) return 0;
    m_PressedView->OnDragEnd(packedPoint, keys);
    return 1;
}

int LFrame::KeyDown(int lParam, int key) {
    if (PreKeyDown(lParam, key)) return 1;
    for (int i = 0; i < CountViews(); ++i)
        if (int r = ViewAt(i)->OnKeyDown(lParam, key)) return r;
    return 0;
}

int LFrame::Char(int lParam, int ch) {
    if (PreChar(lParam, ch)) return 1;
    for (int i = 0; i < CountViews(); ++i)
        if (int r = ViewAt(i)->OnChar(lParam, ch)) return r;
    return 0;
}

int LFrame::FrameCommand(int a, int b) {
    for (int i = m_Views.GetLastIndex(); i >= 0; --i)
        if (int r = ViewAt(i)->OnFrameCommand(a, b)) return r;
    return 0;
}

void LFrame::Draw(const RECT* r) {
    for (int i = 0; i < CountViews(); ++i) {
        LView* v = ViewAt(i);
        if (!r || v->Intersects(r)) v->PaintAll(r);
    }
}

int LFrame::Load() {
    LClassCreator* creator = GetClassCreator();
    if (!creator || !creator->LoadFrame(m_Name)) return 0;
    return OnLoaded();
}

void LFrame::OnSurfacesRestored() {
    for (int i = 0; i < CountViews(); ++i) ViewAt(i)->OnSurfacesRestored();
}

void LFrame::AddView(LView* view) {
    if (!view) return;
    m_Views.AddPtr(view);
    view->Invalidate();
}

void LFrame::RemoveView(LView* view) {
    if (m_HoverView == view) m_HoverView = nullptr;
    if (m_PressedView == view) m_PressedView = nullptr;
    if (m_Views.FindPtr(view) < 0) return;
    view->Invalidate();
    m_Views.Remove(&view);
}

void LFrame::SetActive(int active) {
    m_Active = active;
    LView* hover = m_HoverView;
    m_HoverView = m_PressedView = nullptr;
    if (hover) hover->OnMouseLeave();
}
