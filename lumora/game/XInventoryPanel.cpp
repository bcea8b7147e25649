#include "lumora/game/XInventoryPanel.h"

#include <algorithm>
#include <cstring>

#include "lumora/framework/FrameFormat.h"
#include "lumora/framework/LArray.h"
#include "lumora/framework/LClassCreator.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LGameCursorBehavior.h"
#include "lumora/game/XAppPort.h"
#include "lumora/game/XCursor.h"
#include "lumora/shell/ChunkFile.h"

using platform::POINT;
using platform::RECT;

namespace {

constexpr char kChunkName[] = "PORTEF";

XInventoryPanel* g_Panel = nullptr;

XInventoryPanel* PanelOf(const LView* view) { return dynamic_cast<XInventoryPanel*>(view->GetFrame()); }

LTimerList* Timers() {
    LFrameManager* fm = GetFrameManager();
    return fm ? fm->GetTimerList() : nullptr;
}

template <typename T>
LFrameObject* Make() {
    return new T();
}

LFrame* MakePanel(const char* name) { return new XInventoryPanel(name); }

}  // namespace

// ---- the strip ----

XInventoryStrip::XInventoryStrip() {
    m_ContentWidth = 0;
    m_ContentHeight = 60;
}

XInventoryStrip::XInventoryStrip(int id, const RECT& frame, LView* parent) : LView(id, frame, 1, 0, 0, parent) {
    m_ContentWidth = 0;
    m_ContentHeight = 60;
}

void XInventoryStrip::OnLButtonDown(POINT*, int*) {
    if (!g_Cursor || g_Cursor->GetMode() != XCursor::kModeObject) return;
    XInventoryPanel* panel = PanelOf(this);
    g_Cursor->ReturnObjectToInventory();
    if (panel) panel->Hide();
}

void XInventoryStrip::AddItem(const char* name) {
    if (!name || !*name) return;
    // Placed after the last object, where the strip has scrolled to: the
    // new view becomes the last child, so the first object takes the first
    // slot (CountSubViews is the last index, -1 while the strip is empty).
    const int x = kFirstX + kSlot * (CountSubViews() + 1) + kSlot * m_ScrollPos;
    const int y = m_Y + m_Height / 2 - 25;
    auto* view = new XInventoryObjectView(++m_NextId, RECT{x, y, x + kObjectSize, y + kObjectSize}, name, this);
    m_ContentWidth += kWidthPerItem;
    auto* take = new LGameCursorBehavior(kTakeCursor);
    view->AddBehavior(take);
    take->Init();
    view->LoadMedia();
    if (LFrame* frame = GetFrame()) frame->AddView(view);
    if (g_Cursor) g_Cursor->Select(XCursor::kModeTable, XCursor::kDefault, 0);
    ++m_ItemCount;
}

int XInventoryStrip::RemoveItem(const char* name) {
    if (!name) return 0;
    for (int i = 0; i <= CountSubViews(); ++i) {
        auto* item = dynamic_cast<XInventoryObjectView*>(SubViewAt(i));
        if (!item || CompareNames(item->GetBitmapName(), name) != 0) continue;
        m_ContentWidth -= kWidthPerItem;
        --m_ItemCount;
        for (int j = i + 1; j <= CountSubViews(); ++j) SubViewAt(j)->MoveBy(-kSlot, 0);
        RemoveSubView(item);
        return 1;
    }
    return 0;
}

void XInventoryStrip::Scroll(int direction) {
    if (direction == 1 && m_ScrollPos < 0) {
        ++m_ScrollPos;
        ScrollBy(kSlot, 0);
    } else if (direction == -1 && m_ItemCount + m_ScrollPos > kVisible) {
        --m_ScrollPos;
        ScrollBy(-kSlot, 0);
    }
}

int XInventoryStrip::HasItem(const char* name) const {
    if (!name) return 0;
    for (int i = 0; i <= CountSubViews(); ++i) {
        auto* item = dynamic_cast<XInventoryObjectView*>(SubViewAt(i));
        if (item && CompareNames(item->GetBitmapName(), name, 7) == 0) return 1;
    }
    return 0;
}

std::vector<std::string> XInventoryStrip::ItemNames() const {
    std::vector<std::string> names;
    for (int i = 0; i <= CountSubViews(); ++i)
        if (auto* item = dynamic_cast<XInventoryObjectView*>(SubViewAt(i))) names.emplace_back(item->GetBitmapName());
    return names;
}

void XInventoryStrip::Clear() {
    while (CountSubViews() >= 0) RemoveSubView(SubViewAt(CountSubViews()));
    m_ItemCount = 0;
    m_ContentWidth = 0;
    // An empty strip starts again at its first slot.
    if (m_ScrollPos != 0) {
        LView::ScrollBy(-kSlot * m_ScrollPos, 0);
        m_ScrollPos = 0;
    }
}

int XInventoryStrip::SaveState(XChunkFile* f) const { return WriteInventoryChunk(f, ItemNames()); }

int XInventoryStrip::LoadState(XChunkFile* f) {
    Clear();
    std::vector<std::string> names;
    if (!ReadInventoryChunk(f, &names)) return 0;
    for (const std::string& name : names) AddItem(name.c_str());
    return 1;
}

// ---- arrows and objects ----

XInventoryArrow::XInventoryArrow() = default;

void XInventoryArrow::OnLButtonDown(POINT*, int*) {
    if (auto* strip = dynamic_cast<XInventoryStrip*>(FindView(XInventoryStrip::kViewId)))
        strip->Scroll(m_ViewID == kLaterId ? -1 : 1);
}

XInventoryObjectView::XInventoryObjectView(int id, const RECT& frame, const char* pictureName, LView* strip)
    : LBitmapView(id, frame, pictureName, kDrawCopy, strip) {}

void XInventoryObjectView::OnLButtonDown(POINT* p, int* keys) {
    auto* strip = dynamic_cast<XInventoryStrip*>(GetSuperView());
    XInventoryPanel* panel = PanelOf(this);
    // A carried object goes back first (the strip's own click).
    if (strip) strip->OnLButtonDown(p, keys);
    char picture[kFrameNameSize];
    std::memcpy(picture, GetBitmapName(), sizeof picture);
    char cursorName[kFrameNameSize];
    std::memcpy(cursorName, picture, sizeof cursorName);
    if (std::strlen(cursorName) >= 7) cursorName[6] = 'C';
    if (g_Cursor) g_Cursor->SetObjectCursor(XCursor::kModeObject, cursorName, 0);
    // This view is destroyed here: nothing of it is used afterwards.
    if (strip) strip->RemoveItem(picture);
    if (panel) panel->Hide();
}

// ---- the panel ----

XInventoryPanel::XInventoryPanel(const char* name) : LFrame(name), LTimerClient(0, Timers()) { g_Panel = this; }

XInventoryPanel::~XInventoryPanel() {
    if (g_Panel == this) g_Panel = nullptr;
}

XInventoryPanel* XInventoryPanel::Current() { return g_Panel; }

XInventoryStrip* XInventoryPanel::GetStrip() const {
    return dynamic_cast<XInventoryStrip*>(FindViewById(XInventoryStrip::kViewId));
}

int XInventoryPanel::RootY() const {
    POINT p{0, kHiddenY};
    if (GetRootView()) GetRootView()->GetPosition(&p);
    return p.y;
}

int XInventoryPanel::KeyDown(int lParam, int key) {
    XAppPort* port = GetAppPort();
    if (key == kSpaceKey && (!port || port->IsCursorShown())) {
        if (IsRunning())
            m_Step < 0 ? Hide() : Show();
        else if (RootY() >= kHiddenY)
            Show();
        else
            Hide();
        return 1;
    }
    return LFrame::KeyDown(lParam, key);
}

int XInventoryPanel::Load() {
    const int ok = LFrame::Load();
    if (ok && GetRootView()) GetRootView()->MoveBy(0, 60);
    return ok;
}

void XInventoryPanel::SetActive(int active) {
    if (active) {
        Stop();
        if (GetRootView()) GetRootView()->MoveTo(0, kHiddenY);
        m_Shown = 0;
    }
    LFrame::SetActive(active);
}

void XInventoryPanel::Show() {
    if (IsRunning() && m_Step < 0) return;
    m_Step = -kStep;
    m_Remaining = (RootY() - kShownY) / kStep;
    Start();
    m_Shown = 1;
}

void XInventoryPanel::Hide() {
    if (IsRunning() && m_Step > 0) return;
    m_Step = kStep;
    m_Remaining = (kHiddenY - RootY()) / kStep;
    Start();
    m_Shown = 0;
}

void XInventoryPanel::OnTick() {
    LView* root = GetRootView();
    if (!root || m_Remaining <= 0) {
        m_Remaining = 0;
        Stop();
        return;
    }
    root->MoveBy(0, m_Step);
    POINT p;
    root->GetPosition(&p);
    if (p.y < kShownY) root->MoveTo(p.x, kShownY);
    if (p.y > kHiddenY) root->MoveTo(p.x, kHiddenY);
    if (--m_Remaining <= 0) {
        m_Remaining = 0;
        Stop();
    }
}

int XInventoryPanel::RemoveObject(const char* name) {
    XInventoryStrip* strip = GetStrip();
    return strip ? strip->RemoveItem(name) : 0;
}

int XInventoryPanel::HasObject(const char* name) {
    XInventoryStrip* strip = GetStrip();
    return strip ? strip->HasItem(name) : 0;
}

int XInventoryPanel::SaveState(XChunkFile* f) {
    XInventoryStrip* strip = GetStrip();
    return strip ? strip->SaveState(f) : 0;
}

int XInventoryPanel::LoadState(XChunkFile* f) {
    XInventoryStrip* strip = GetStrip();
    return strip ? strip->LoadState(f) : 0;
}

void XInventoryPanel::Clear() {
    if (XInventoryStrip* strip = GetStrip()) strip->Clear();
}

void XInventoryPanel::AddObject(const char* name) {
    if (XInventoryStrip* strip = GetStrip()) strip->AddItem(name);
}

int XInventoryPanel::IsUnderPointer() const { return GetHoverView() != nullptr; }

void RegisterInventoryClasses(LFrameManager* manager) {
    if (!manager || !manager->GetClassCreator()) return;
    manager->GetClassCreator()->Register(kCodeInventoryStrip, &Make<XInventoryStrip>);
    manager->GetClassCreator()->Register(kCodeInventoryArrow, &Make<XInventoryArrow>);
    manager->RegisterFrameClass(XInventoryPanel::kFrameName, &MakePanel);
}

// ---- the saved-game chunk ----

int WriteInventoryChunk(XChunkFile* f, const std::vector<std::string>& names) {
    if (!f || !f->BeginWriteChunk(kChunkName)) return 0;
    std::vector<std::uint8_t> bytes(4 + names.size() * kInventoryNameSize, 0);
    PutInt32(bytes.data(), static_cast<std::int32_t>(names.size()) - 1);
    std::uint8_t* p = bytes.data() + 4;
    for (const std::string& name : names) {
        std::memcpy(p, name.data(), std::min<std::size_t>(name.size(), kInventoryNameSize - 1));
        p += kInventoryNameSize;
    }
    const int ok = f->Write(bytes.data(), static_cast<unsigned>(bytes.size()));
    return f->EndWriteChunk() && ok;
}

int ReadInventoryChunk(XChunkFile* f, std::vector<std::string>* names) {
    names->clear();
    if (!f || !f->BeginReadChunk(kChunkName)) return 0;
    const std::uint32_t length = f->m_Current >= 0 ? f->m_Dir[f->m_Current].length : 0;
    std::uint8_t head[4] = {};
    if (length < 4 || !f->Read(head, 4)) {
        f->EndReadChunk();
        return 0;
    }
    // The count can only name what the chunk holds.
    const std::int64_t stored = (std::int64_t{length} - 4) / kInventoryNameSize;
    const std::int64_t count = std::min<std::int64_t>({std::int64_t{GetInt32(head)} + 1, stored, kInventoryMaxItems});
    for (std::int64_t i = 0; i < count; ++i) {
        char name[kInventoryNameSize];
        if (!f->Read(name, kInventoryNameSize)) break;
        name[kInventoryNameSize - 1] = '\0';
        if (name[0]) names->emplace_back(name);
    }
    f->EndReadChunk();
    return 1;
}
