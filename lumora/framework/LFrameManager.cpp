#include "lumora/framework/LFrameManager.h"

#include <algorithm>
#include <cstring>

#include "lumora/framework/LAnimationBehavior.h"
#include "lumora/framework/LBehaviors.h"
#include "lumora/framework/LBitmapReader.h"
#include "lumora/framework/LClassCreator.h"
#include "lumora/framework/LFrame.h"
#include "lumora/framework/LFrameReader.h"
#include "lumora/framework/LGameCursorBehavior.h"
#include "lumora/framework/LLoupeView.h"
#include "lumora/framework/LMedia.h"
#include "lumora/framework/LScrollView.h"
#include "lumora/framework/LSliderView.h"
#include "lumora/framework/LView.h"
#include "platform/Present.h"
#include "platform/Window.h"

using namespace platform;

namespace {

LFrameManager* g_FrameManager = nullptr;
int g_SkipOnce = 0;
LFrameManager::SoundManagerFactory g_SoundManagerFactory;

constexpr UINT_PTR kTimerId = 0;
constexpr UINT kTimerPeriod = 50;

template <typename T>
LFrameObject* Make() {
    return new T();
}

template <int Channel>
LFrameObject* MakeVolumeSlider() {
    return new LVolumeSliderView(Channel);
}

LFrame* MakePlainFrame(const char* name) { return new LFrame(name); }

}  // namespace

LFrameManager* GetFrameManager() { return g_FrameManager; }

void LFrameManager::SetSkipOnce(int skip) { g_SkipOnce = skip; }
int LFrameManager::GetSkipOnce() { return g_SkipOnce; }
void LFrameManager::SetSoundManagerFactory(SoundManagerFactory factory) { g_SoundManagerFactory = std::move(factory); }

LFrameManager::LFrameManager() { g_FrameManager = this; }

LFrameManager::~LFrameManager() {
    if (m_Window) KillTimer(m_Window, kTimerId);
    if (m_Frames) {
        while (m_Frames->GetLastIndex() >= 0) {
            LFrame* f = m_Frames->PtrAt<LFrame>(m_Frames->GetLastIndex());
            m_Frames->RemoveAt(m_Frames->GetLastIndex());
            delete f;
        }
    }
    for (LFrame* f : m_Detached) delete f;
    m_Detached.clear();
    m_CurrentFrame = m_DetachedFrame = nullptr;
    m_PendingClose.clear();
    // Behaviours of the manager (the sound manager) go before the members
    // they may use.
    while (m_Behaviors && m_Behaviors->GetLastIndex() >= 0) {
        LBehavior* b = BehaviorAt(m_Behaviors->GetLastIndex());
        m_Behaviors->RemoveAt(m_Behaviors->GetLastIndex());
        b->DetachFrom(this);
        delete b;
    }
    delete m_Timers;  // with it the update region
    m_UpdateRegion = nullptr;
    delete m_ClassCreator;
    delete m_FrameReader;
    delete m_Frames;
    delete m_Media;
    delete m_Scripts;
    delete m_FrameFactories;
    delete m_FrameClassNames;
    if (m_BitmapArchive) SetBitmapSource(nullptr);
    delete m_BitmapArchive;
    if (g_FrameManager == this) g_FrameManager = nullptr;
}

int LFrameManager::Init(DirectDraw* ddraw, DirectDrawSurface* primary, DirectDrawSurface* drawTarget, HWND window,
                        HINSTANCE module, int reserved, const char* dataRoot, int fullScreen) {
    m_DirectDraw = ddraw;
    m_Primary = primary;
    m_DrawTarget = drawTarget;
    m_Window = window;
    m_Module = module;
    m_ReservedFlag = reserved;
    std::strncpy(m_DataRoot, dataRoot ? dataRoot : "", sizeof m_DataRoot - 1);
    m_FullScreen = fullScreen;
    m_PendingFrame[0] = '\0';
    m_PendingClose.clear();
    m_CurrentFrame = nullptr;
    m_Dragging = 0;

    m_Timers = new LTimerList();
    m_UpdateRegion = new LUpdateRegion(m_Timers, this);
    m_ClassCreator = new LClassCreator(LClassCreator::kLoad);
    m_FrameReader = new LFrameReader(m_DataRoot, LFrameReader::kBinary);
    const PixelFormat format = drawTarget ? drawTarget->Format() : Display16BitFormat();
    m_Media = new LMediaManager(m_DataRoot, ddraw, format);
    if (m_Media->GetStatus() != 0) return m_Media->GetStatus();
    m_Scripts = new LScriptTable();
    m_Frames = new LArray(0, nullptr, kPointerSize);
    m_FrameFactories = new LArray(0, nullptr, sizeof(void*));
    m_FrameClassNames = new LArray(1, new LNameComparator(), kFrameNameSize);
    m_BitmapArchive = new LBitmapReader(m_Media->GetMediaFolder());
    m_BitmapArchive->SetPixelFormat(format);
    if (m_BitmapArchive->Open()) SetBitmapSource(m_BitmapArchive);

    RegisterClasses();
    RegisterScripts();
    if (g_SoundManagerFactory)
        if (LBehavior* sound = g_SoundManagerFactory(*this)) AddBehavior(sound);
    if (m_Window) m_TimerId = SetTimer(m_Window, kTimerId, kTimerPeriod, nullptr);
    return 0;
}

void LFrameManager::RegisterClasses() {
    m_ClassCreator->Register(kCodeView, &Make<LView>);
    m_ClassCreator->Register(kCodeBitmapView, &Make<LBitmapView>);
    m_ClassCreator->Register(kCodeFrameLink, &Make<LFrameLinkBehavior>);
    m_ClassCreator->Register(kCodeCursor, &Make<LCursorBehavior>);
    m_ClassCreator->Register(kCodeDrag, &Make<LDragBehavior>);
    m_ClassCreator->Register(kCodeHighlight, &Make<LHighlightBehavior>);
    m_ClassCreator->Register(kCodeFixedHighlight, &Make<LFixedHighlightBehavior>);
    m_ClassCreator->Register(kCodeScript, &Make<LScriptBehavior>);
    m_ClassCreator->Register(kCodeLoupeView, &Make<LLoupeView>);
    m_ClassCreator->Register(kCodeScrollView, &Make<LScrollView>);
    m_ClassCreator->Register(kCodeSlider, &Make<LSliderView>);
    m_ClassCreator->Register(kCodeSliderA, &MakeVolumeSlider<1>);
    m_ClassCreator->Register(kCodeSliderB, &MakeVolumeSlider<2>);
    m_ClassCreator->Register(kCodeGameCursor, &Make<LGameCursorBehavior>);
    m_ClassCreator->Register(kCodeAnimation, &Make<LAnimationBehavior>);
}

void LFrameManager::RegisterFrameClass(const char* name, LFrameFactory factory) {
    char key[kFrameNameSize] = {};
    std::strncpy(key, name ? name : "", sizeof key - 1);
    int existing = m_FrameClassNames->Find(key);
    if (existing >= 0) {
        m_FrameClassNames->RemoveAt(existing);
        m_FrameFactories->RemoveAt(existing);
    }
    int index = m_FrameClassNames->Add(key);
    void* f = reinterpret_cast<void*>(factory);
    m_FrameFactories->InsertAt(&f, index);
}

void LFrameManager::SetMode(DirectDrawSurface* drawTarget, int fullScreen) {
    m_DrawTarget = drawTarget;
    m_FullScreen = fullScreen;
    for (int i = 0; i < CountFrames(); ++i) FrameAt(i)->OnSurfacesRestored();
    if (m_Media) {
        if (drawTarget) m_Media->SetTarget(m_DirectDraw, drawTarget->Format());
        if (drawTarget && m_BitmapArchive) m_BitmapArchive->SetPixelFormat(drawTarget->Format());
        m_Media->RestoreAll();
    }
}

int LFrameManager::CountFrames() const { return m_Frames ? m_Frames->GetLastIndex() + 1 : 0; }

LFrame* LFrameManager::FrameAt(int index) const { return m_Frames ? m_Frames->PtrAt<LFrame>(index) : nullptr; }

bool LFrameManager::IsKnownFrame(const LFrame* f) const {
    if (!f) return false;
    if (std::find(m_Detached.begin(), m_Detached.end(), f) != m_Detached.end()) return true;
    for (int i = 0; i < CountFrames(); ++i)
        if (FrameAt(i) == f) return true;
    return false;
}

std::vector<LFrame*> LFrameManager::ActiveFramesTopFirst() const {
    std::vector<LFrame*> frames;
    for (int i = CountFrames() - 1; i >= 0; --i)
        if (FrameAt(i)->IsActive()) frames.push_back(FrameAt(i));
    return frames;
}

int LFrameManager::SendManagerEvent(int type, void* data) { return SendEvent(type, this, data); }

int LFrameManager::OfferMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (g_SkipOnce || CountFrames() == 0) return 0;
    NotifyMessage();
    return HandleMessage(hwnd, msg, wParam, lParam);
}

void LFrameManager::NotifyMessage() { SendManagerEvent(kEventMessage, nullptr); }

void LFrameManager::DispatchLButtonDown(LPARAM lParam, WPARAM wParam, int* handled) {
    int packed = static_cast<int>(lParam);
    SendManagerEvent(kEventLButtonDown, &packed);
    for (LFrame* f : ActiveFramesTopFirst()) {
        if (!IsKnownFrame(f)) continue;
        if (f->LButtonDown(packed, static_cast<int>(wParam))) {
            *handled = 1;
            return;
        }
    }
}

int LFrameManager::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    struct Depth {
        int& count;
        explicit Depth(int& c) : count(c) { ++count; }
        ~Depth() { --count; }
    } depth(m_Dispatching);
    const int packed = static_cast<int>(lParam);
    const int keys = static_cast<int>(wParam);
    switch (msg) {
    case WM_ACTIVATE:
        SendManagerEvent(LOWORD(wParam) != 0 && HIWORD(wParam) == 0 ? kEventAppActive : kEventAppInactive, nullptr);
        return 0;
    case WM_ACTIVATEAPP:
        SendManagerEvent(wParam ? kEventAppActive : kEventAppInactive, nullptr);
        return 0;
    case WM_PAINT:
        if (m_UpdateRegion) m_UpdateRegion->Invalidate(nullptr);
        return 0;
    case WM_KEYDOWN: {
        int key = static_cast<int>(wParam);
        SendManagerEvent(kEventKey, &key);
        for (LFrame* f : ActiveFramesTopFirst())
            if (IsKnownFrame(f) && f->KeyDown(packed, key)) return 1;
        return 0;
    }
    case WM_CHAR:
        for (LFrame* f : ActiveFramesTopFirst())
            if (IsKnownFrame(f) && f->Char(packed, static_cast<int>(wParam))) return 1;
        return 0;
    case WM_TIMER:
        if (!m_Dragging) OnTimer(hwnd, msg, wParam, lParam);
        return 0;
    case WM_MOUSEMOVE:
        if (wParam & MK_LBUTTON) {
            for (LFrame* f : ActiveFramesTopFirst()) {
                if (!IsKnownFrame(f)) continue;
                if (m_Dragging ? f->DragMove(packed, keys) : f->DragStart(packed, keys)) {
                    m_Dragging = 1;
                    return 1;
                }
            }
            return 0;
        }
        for (LFrame* f : ActiveFramesTopFirst())
            if (IsKnownFrame(f) && f->MouseMove(packed)) return 1;
        return 0;
    case WM_LBUTTONDOWN: {
        int handled = 0;
        DispatchLButtonDown(lParam, wParam, &handled);
        return handled;
    }
    case WM_LBUTTONUP:
        for (LFrame* f : ActiveFramesTopFirst()) {
            if (IsKnownFrame(f) && f->LButtonUp(packed, keys)) {
                m_Dragging = 0;
                return 1;
            }
        }
        return 0;
    case WM_LBUTTONDBLCLK: {
        // The second press of a double click is pressed once, whatever the
        // number of frames; then the double click goes, like every input,
        // from the top frame down.
        int handled = 0;
        DispatchLButtonDown(lParam, wParam, &handled);
        for (LFrame* f : ActiveFramesTopFirst())
            if (IsKnownFrame(f) && f->DoubleClick(packed, keys)) return 1;
        return handled;
    }
    case WM_RBUTTONDOWN: {
        int point = packed;
        SendManagerEvent(kEventRButtonDown, &point);
        for (LFrame* f : ActiveFramesTopFirst())
            if (IsKnownFrame(f) && f->RButtonDown(packed, keys)) return 1;
        return 0;
    }
    default: return 0;
    }
}

void LFrameManager::ScreenToClientPoint(POINT* p) {
    if (!m_FullScreen && m_Window) ScreenToClient(m_Window, p);
}

void LFrameManager::OnTimer(HWND hwnd, UINT, WPARAM, LPARAM) {
    POINT p{0, 0};
    if (!GetCursorPos(&p)) return;
    ScreenToClientPoint(&p);
    HandleMessage(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
}

void LFrameManager::Redraw(int full) {
    if (g_SkipOnce) {
        g_SkipOnce = 0;
        return;
    }
    if (full && m_UpdateRegion) m_UpdateRegion->Invalidate(nullptr);
    if (CountFrames() > 0) {
        TickTimers();
        Idle();
    }
    g_SkipOnce = 0;
}

void LFrameManager::TickTimers() {
    if (SendManagerEvent(kEventBeforeTimers, nullptr)) return;
    if (m_Timers) m_Timers->TickAll();
}

void LFrameManager::DrawFrames(const RECT* r) {
    for (int i = 0; i < CountFrames(); ++i)
        if (FrameAt(i)->IsActive()) FrameAt(i)->Draw(r);
}

namespace {
void (*g_ShowHook)() = nullptr;
}  // namespace

void LFrameManager::SetShowHook(void (*show)()) { g_ShowHook = show; }

void LFrameManager::ShowDrawTarget() {
    if (g_ShowHook) {
        g_ShowHook();
        return;
    }
    if (!m_DrawTarget) return;
    PixelView view;
    if (FAILED(m_DrawTarget->Lock(nullptr, &view, DDLOCK_WAIT | DDLOCK_READONLY))) return;
    Present(view);
    m_DrawTarget->Unlock(view.bits);
}

void LFrameManager::Idle() {
    // A redraw from inside a handler leaves the frames alone: the handler's
    // frame, view and behaviour are still in use.
    if (m_Dispatching > 0) {
        SendManagerEvent(kEventIdleDone, nullptr);
        return;
    }
    if (m_PendingFrame[0]) {
        char name[kFrameNameSize];
        std::memcpy(name, m_PendingFrame, sizeof name);
        m_PendingFrame[0] = '\0';
        OpenFrame(name);
    }
    // Every close asked for since the last pass, each checked: a frame may
    // have gone another way meanwhile.
    std::vector<LFrame*> closing;
    closing.swap(m_PendingClose);
    for (LFrame* f : closing)
        if (IsKnownFrame(f)) CloseFrame(f);
    SendManagerEvent(kEventIdleDone, nullptr);
}

void LFrameManager::RequestFrame(const char* name) {
    std::strncpy(m_PendingFrame, name ? name : "", sizeof m_PendingFrame - 1);
    m_PendingFrame[sizeof m_PendingFrame - 1] = '\0';
}

void LFrameManager::RequestClose(LFrame* frame) {
    if (!frame) frame = m_CurrentFrame;
    if (frame && std::find(m_PendingClose.begin(), m_PendingClose.end(), frame) == m_PendingClose.end())
        m_PendingClose.push_back(frame);
}

LFrame* LFrameManager::OpenFrame(const char* name) {
    int index = DetachCurrentFrame();
    LFrame* detached = index >= 0 ? m_DetachedFrame : nullptr;
    if (index < 0) index = 0;
    m_CurrentFrame = CreateFrame(name, index);
    if (!m_CurrentFrame && detached) {
        // The screen that was there stays rather than leaving none.
        m_Frames->InsertAt(&detached, index);
        m_Detached.erase(std::remove(m_Detached.begin(), m_Detached.end(), detached), m_Detached.end());
        m_CurrentFrame = detached;
        m_DetachedFrame = nullptr;
        m_UpdateRegion->Invalidate(nullptr);
        return nullptr;
    }
    if (detached) RequestClose(detached);
    return m_CurrentFrame;
}

LFrame* LFrameManager::CreateFrame(const char* name, int index) {
    char key[kFrameNameSize] = {};
    std::strncpy(key, name ? name : "", sizeof key - 1);
    LFrameFactory factory = &MakePlainFrame;
    int found = m_FrameClassNames ? m_FrameClassNames->Find(key) : -1;
    if (found >= 0) factory = reinterpret_cast<LFrameFactory>(m_FrameFactories->PtrAt<void>(found));
    LFrame* frame = factory(key);
    if (!frame) return nullptr;
    LFrame* outer = m_CreatingFrame;
    m_CreatingFrame = frame;
    const int ok = frame->Load();
    m_CreatingFrame = outer;
    if (!ok) {
        delete frame;
        return nullptr;
    }
    m_UpdateRegion->Invalidate(nullptr);
    m_Frames->InsertAt(&frame, index);
    return frame;
}

void LFrameManager::CloseFrame(LFrame* frame) {
    if (!IsKnownFrame(frame)) return;
    if (m_CurrentFrame == frame) m_CurrentFrame = nullptr;
    if (m_DetachedFrame == frame) m_DetachedFrame = nullptr;
    m_Detached.erase(std::remove(m_Detached.begin(), m_Detached.end(), frame), m_Detached.end());
    m_Frames->Remove(&frame);
    m_PendingClose.erase(std::remove(m_PendingClose.begin(), m_PendingClose.end(), frame), m_PendingClose.end());
    delete frame;
    m_UpdateRegion->Invalidate(nullptr);
}

void LFrameManager::CloseFrameByName(const char* name) {
    for (int i = 0; i < CountFrames(); ++i) {
        if (CompareNames(FrameAt(i)->GetName(), name ? name : "") == 0) {
            CloseFrame(FrameAt(i));
            return;
        }
    }
}

void LFrameManager::CloseCurrentFrame() {
    if (m_CurrentFrame) CloseFrame(m_CurrentFrame);
}

int LFrameManager::DetachCurrentFrame() {
    if (!m_CurrentFrame) return -1;
    const int index = m_Frames->FindPtr(m_CurrentFrame);
    if (index < 0) {
        m_CurrentFrame = nullptr;
        return -1;
    }
    m_Frames->RemoveAt(index);
    m_Detached.push_back(m_CurrentFrame);
    m_DetachedFrame = m_CurrentFrame;
    m_CurrentFrame = nullptr;
    return index;
}

LFrame* LFrameManager::FrameOfRootView(LView* view) const {
    if (!view) return nullptr;
    while (view->GetSuperView()) view = view->GetSuperView();
    for (int i = 0; i < CountFrames(); ++i)
        if (FrameAt(i)->GetRootView() == view) return FrameAt(i);
    if (m_CreatingFrame && m_CreatingFrame->GetRootView() == view) return m_CreatingFrame;
    for (LFrame* f : m_Detached)
        if (f->GetRootView() == view) return f;
    return nullptr;
}
