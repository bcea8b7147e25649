#include "lumora/game/XOptionViews.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lumora/framework/Bitmaps.h"
#include "lumora/framework/FrameFormat.h"
#include "lumora/framework/LClassCreator.h"
#include "lumora/framework/LFrame.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/game/XFrameManager.h"
#include "lumora/game/XGame.h"
#include "lumora/game/XInventoryPanel.h"
#include "lumora/game/XOptionMenu.h"
#include "lumora/game/XPlayerList.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/XApplication.h"
#include "platform/Text.h"
#include "platform/Time.h"

using platform::DirectDrawSurface;
using platform::FAILED;
using platform::HRESULT;
using platform::POINT;
using platform::RECT;

namespace {

LView* RootOf(LView* v) {
    while (v && v->GetSuperView()) v = v->GetSuperView();
    return v;
}

bool Intersect(const RECT& a, const RECT& b, RECT* out) {
    out->left = std::max(a.left, b.left);
    out->top = std::max(a.top, b.top);
    out->right = std::min(a.right, b.right);
    out->bottom = std::min(a.bottom, b.bottom);
    return out->left < out->right && out->top < out->bottom;
}

template <typename T>
LFrameObject* Make() {
    return new T();
}

LFrameObject* MakeLoadList() { return new LOptionScreen(LOptionScreen::kLoadList); }
LFrameObject* MakeSaveList() { return new LOptionScreen(LOptionScreen::kSaveList); }
LFrameObject* MakePlainEdit() { return new LEditView(); }

constexpr int kPlainEditLength = 63;  // what a 64-byte name field holds

}  // namespace

void SetButtonEnabled(LView* button, int enabled) {
    auto* b = dynamic_cast<LBitmapView*>(button);
    if (!b) return;
    char name[kFrameNameSize];
    std::snprintf(name, sizeof name, "%s", b->GetBitmapName());
    // The variant letter stands before ".bmp"; a name without one keeps its picture.
    const std::size_t len = std::strlen(name);
    if (len >= 5 && name[len - 4] == '.') {
        name[len - 5] = enabled ? 'M' : 'N';
        if (std::strcmp(name, b->GetBitmapName()) != 0) b->SetBitmap(name);
    }
    b->EnableBehaviors(enabled, 0);
}

// ---------------------------------------------------------------- lists

LOptionScreen::LOptionScreen(int kind) : m_Kind(kind) {}

LOptionScreen::~LOptionScreen() { FreeSurface(); }

void LOptionScreen::FreeSurface() {
    if (m_TextSurface) m_TextSurface->Release();
    m_TextSurface = nullptr;
    m_Dirty = 1;
}

int LOptionScreen::LoadMedia() {
    LScrollView::LoadMedia();
    std::snprintf(m_DefaultLabel, sizeof m_DefaultLabel, "%s", GetMessageText(1));
    Refresh();
    if (m_Kind == kSaveList && g_PlayerList && g_PlayerList->m_Games) {
        // The first free slot from 1 to 97 is offered.
        for (int slot = 1; slot <= 97; ++slot)
            if (!g_PlayerList->m_Games->m_Used[slot]) {
                SelectLine(LineOfItem(slot));
                break;
            }
    }
    return 1;
}

void LOptionScreen::Refresh() {
    m_Lines.clear();
    if (m_Kind == kPlayerList) {
        if (g_PlayerList)
            for (int n = 0; n < kMaxPlayers; ++n)
                if (g_PlayerList->m_Used[n]) m_Lines.push_back(n);
    } else {
        const XGameList* games = g_PlayerList ? g_PlayerList->m_Games : nullptr;
        for (int slot = 0; slot <= kMaxSlot && slot < kMaxSavedGames; ++slot)
            if (m_Kind == kSaveList || (games && games->m_Used[slot])) m_Lines.push_back(slot);
    }
    m_Min = 0;
    m_Max = std::max(0, LineCount() - VisibleLines());
    m_Pos = std::clamp(m_Pos, m_Min, m_Max);
    if (m_Selected >= LineCount()) m_Selected = -1;
    m_Dirty = 1;
    Invalidate();
}

int LOptionScreen::ItemOfLine(int line) const { return line >= 0 && line < LineCount() ? m_Lines[line] : -1; }

int LOptionScreen::LineOfItem(int item) const {
    for (int i = 0; i < LineCount(); ++i)
        if (m_Lines[i] == item) return i;
    return -1;
}

std::string LOptionScreen::LineText(int line) const {
    const int item = ItemOfLine(line);
    if (item < 0) return {};
    char text[96];
    if (m_Kind == kPlayerList) {
        std::snprintf(text, sizeof text, "%s", g_PlayerList ? g_PlayerList->m_Names[item] : "");
    } else {
        const XGameList* games = g_PlayerList ? g_PlayerList->m_Games : nullptr;
        const char* name = games && games->m_Used[item] ? games->m_Names[item] : m_DefaultLabel;
        std::snprintf(text, sizeof text, "%i - %.64s", item + 1, name);
    }
    return text;
}

void LOptionScreen::SelectLine(int line) {
    if (line < 0 || line >= LineCount()) line = -1;
    m_Selected = line;
    if (line >= 0) {
        if (line < m_Pos) SetPosClamped(line);
        else if (line >= m_Pos + VisibleLines()) SetPosClamped(line - VisibleLines() + 1);
    }
    m_Dirty = 1;
    Invalidate();
}

void LOptionScreen::ScrollToPos() {
    // The lines are drawn from the scroll position: nothing to move.
    m_Dirty = 1;
}

void LOptionScreen::OnSurfacesRestored() {
    LScrollView::OnSurfacesRestored();
    if (m_TextSurface && m_TextSurface->IsLost() != platform::DD_OK) m_TextSurface->Restore();
    m_Dirty = 1;
}

int LOptionScreen::EnsureSurface() {
    if (m_TextSurface) return 1;
    LFrameManager* fm = GetFrameManager();
    const int w = m_Width - kBarWidth, h = m_Height;
    if (!fm || !fm->GetDrawTarget() || w <= 0 || h <= 0) return 0;
    m_TextSurface = CreateOffscreenSurface(fm->GetDirectDraw(), fm->GetDrawTarget()->Format(), w, h);
    if (!m_TextSurface) {
        new MessageToUser(0, 3, __FILE__, __LINE__);
        return 0;
    }
    m_KeyValue = ColorMatch(m_TextSurface, kBackground);
    SetColorKey(m_TextSurface, kBackground);
    m_Dirty = 1;
    return 1;
}

void LOptionScreen::RenderText() {
    if (!EnsureSurface()) return;
    const int w = m_Width - kBarWidth;
    platform::DDBLTFX fx;
    fx.dwFillColor = m_KeyValue;
    RECT all{0, 0, w, m_Height};
    m_TextSurface->Blt(&all, nullptr, nullptr, platform::DDBLT_COLORFILL | platform::DDBLT_WAIT, &fx);
    platform::TextStyle style;
    style.height = -17;
    style.format = platform::DT_CENTER | platform::DT_VCENTER | platform::DT_SINGLELINE;
    for (int i = m_Pos; i < m_Pos + VisibleLines() && i < LineCount(); ++i) {
        const RECT line{0, (i - m_Pos) * kLineHeight, w, (i - m_Pos) * kLineHeight + kLineHeight};
        style.color = i == m_Selected ? kSelectedColour : kLineColour;
        style.bold = i == m_Selected;
        platform::DrawText(m_TextSurface, line, LineText(i), style);
    }
    m_Dirty = 0;
}

void LOptionScreen::DrawContent(const RECT* r) {
    LScrollView::DrawContent(r);
    LFrameManager* fm = GetFrameManager();
    DirectDrawSurface* target = fm ? fm->GetDrawTarget() : nullptr;
    if (!target || !EnsureSurface()) return;
    if (m_Dirty) RenderText();
    const RECT area{m_X, m_Y, m_X + m_Width - kBarWidth, m_Y + m_Height};
    RECT dst;
    if (!Intersect(area, r ? *r : area, &dst)) return;
    const RECT src{dst.left - m_X, dst.top - m_Y, dst.right - m_X, dst.bottom - m_Y};
    HRESULT hr = target->Blt(&dst, m_TextSurface, &src, platform::DDBLT_KEYSRC | platform::DDBLT_WAIT, nullptr);
    if (hr == platform::DDERR_SURFACELOST && m_TextSurface->Restore() == platform::DD_OK) {
        RenderText();
        hr = target->Blt(&dst, m_TextSurface, &src, platform::DDBLT_KEYSRC | platform::DDBLT_WAIT, nullptr);
    }
    if (FAILED(hr)) new MessageToUser(0, 2, __FILE__, __LINE__);
}

void LOptionScreen::DoLButtonDown(POINT* p, int* keys) {
    if (HitBar(*p)) {
        LScrollView::DoLButtonDown(p, keys);
        return;
    }
    const int line = m_Pos + (p->y - m_Y) / kLineHeight;
    SelectLine(line < LineCount() ? line : -1);
    if (m_Kind == kSaveList && m_Selected >= 0) {
        const XGameList* games = g_PlayerList ? g_PlayerList->m_Games : nullptr;
        const int slot = ItemOfLine(m_Selected);
        if (games && games->m_Used[slot])
            if (auto* entry = FindTypedView<LEditView>(RootOf(this), 11)) entry->SetText(games->m_Names[slot]);
    }
}

int LOptionScreen::DoChar(int, int ch) {
    if (ch != 13 || m_Selected < 0 || !g_OptionMenu) return 0;
    if (m_Kind == kLoadList) g_OptionMenu->LoadSelected();
    else if (m_Kind == kSaveList) g_OptionMenu->SaveSelected();
    else return 0;
    return 1;
}

// ---------------------------------------------------------------- players

LUser::LUser() : LOptionScreen(kPlayerList) {}

void LUser::DoLButtonDown(POINT* p, int* keys) {
    LOptionScreen::DoLButtonDown(p, keys);
    const int player = ItemOfLine(GetSelected());
    if (player < 0 || !g_PlayerList) return;
    if (auto* entry = FindTypedView<LEditView>(RootOf(this), kEntryId)) {
        entry->SetText(g_PlayerList->m_Names[player]);
        SetButtonEnabled(RootOf(this)->FindView(kConfirmId), entry->GetText()[0] != '\0');
    }
}

void LUser::OnNameTyped(const char* name) {
    const std::size_t len = name ? std::strlen(name) : 0;
    if (len > 0 && g_PlayerList) {
        for (int line = 0; line < LineCount(); ++line)
            if (std::strncmp(g_PlayerList->m_Names[ItemOfLine(line)], name, len) == 0) {
                SelectLine(line);
                break;
            }
    }
    SetButtonEnabled(RootOf(this)->FindView(kConfirmId), len > 0);
}

int LUser::SelectUser() {
    auto* entry = FindTypedView<LEditView>(RootOf(this), kEntryId);
    if (!entry || !entry->GetText()[0] || !g_PlayerList) return 0;
    const char* name = entry->GetText();
    int number = -1;
    for (int n = 0; n < kMaxPlayers && number < 0; ++n)
        if (g_PlayerList->m_Used[n] && std::strcmp(g_PlayerList->m_Names[n], name) == 0) number = n;
    const bool isNew = number < 0;
    if (isNew) {
        // The next free number, from the player count on.
        for (int i = 0; i < kMaxPlayers && number < 0; ++i) {
            const int n = (g_PlayerList->m_Count + i) % kMaxPlayers;
            if (!g_PlayerList->m_Used[n]) number = n;
        }
        if (number < 0) return 0;  // every number is taken
        if (!g_PlayerList->CreatePlayer(number, name)) return 0;
    }
    auto* fm = dynamic_cast<XFrameManager*>(GetFrameManager());
    if (fm) fm->EnsureInventoryPanel();
    if (!isNew || g_PlayerList->m_Current != number) g_PlayerList->SelectPlayer(number);
    if (fm) fm->RequestClose(fm->FrameOfRootView(this));
    if (isNew) {
        if (g_App) g_App->SetState(APP_SCENE);
    } else if (fm) {
        fm->OpenOptionMenu(0);
    }
    return 1;
}

// ---------------------------------------------------------------- text entries

namespace {
LTimerList* ManagerTimers() {
    LFrameManager* fm = GetFrameManager();
    return fm ? fm->GetTimerList() : nullptr;
}

platform::TextStyle EditStyle(unsigned colour) {
    platform::TextStyle style;
    style.height = LEditView::kFontHeight;
    style.color = colour;
    style.format = platform::DT_LEFT | platform::DT_BOTTOM | platform::DT_SINGLELINE;
    return style;
}

int TextWidth(const std::string& text, int count) {
    platform::SIZE size{0, 0};
    if (count <= 0) return 0;
    platform::GetTextExtent(std::string_view(text).substr(0, static_cast<std::size_t>(count)), LEditView::kFontHeight,
                            false, &size);
    return size.cx;
}

constexpr unsigned kWhite = 0x00FFFFFF;
constexpr int kTextInset = 6;  // pixels between the entry's left edge and its text
}  // namespace

LEditView::LEditView() : LEditView(kPlainEditLength) {}

LEditView::LEditView(int maxLength) : LTimerClient(1, ManagerTimers()), m_MaxLength(maxLength) {
    m_LastBlink = platform::timeGetTime();
}

LEditView::~LEditView() = default;

void LEditView::SetText(const char* text) {
    m_Text.assign(text ? text : "");
    if (static_cast<int>(m_Text.size()) > m_MaxLength) m_Text.resize(static_cast<std::size_t>(m_MaxLength));
    m_Caret = m_SelEnd = static_cast<int>(m_Text.size());
    Invalidate();
}

void LEditView::DeleteSelection() {
    const int a = std::min(m_Caret, m_SelEnd), b = std::max(m_Caret, m_SelEnd);
    m_Text.erase(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a));
    m_Caret = m_SelEnd = a;
}

int LEditView::BoundaryAt(int x) const {
    const int local = x - (m_X + kTextInset);
    int best = 0, bestDistance = 1 << 30;
    for (int i = 0; i <= static_cast<int>(m_Text.size()); ++i) {
        const int d = std::abs(TextWidth(m_Text, i) - local);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

void LEditView::DoLButtonDown(POINT* p, int* keys) {
    const int at = BoundaryAt(p->x);
    if (keys && (*keys & platform::MK_SHIFT)) {
        m_Caret = at;  // the selection runs from its old end to here
    } else {
        m_Caret = m_SelEnd = at;
    }
    m_CaretShown = 1;
    Invalidate();
}

void LEditView::DoDragMove(int packedPoint, int) {
    m_Caret = BoundaryAt(UnpackPoint(packedPoint).x);
    Invalidate();
}

int LEditView::DoKeyDown(int, int key) {
    if (key == platform::VK_LEFT || key == platform::VK_RIGHT) {
        const int step = key == platform::VK_LEFT ? -1 : 1;
        m_Caret = std::clamp(m_Caret + step, 0, static_cast<int>(m_Text.size()));
        m_SelEnd = m_Caret;
        m_CaretShown = 1;
        Invalidate();
        return 1;
    }
    return 0;
}

int LEditView::DoChar(int, int ch) {
    switch (ch) {
    case 9:
    case 27: return 0;
    case 13: Confirm(); return 1;
    case 8:
        if (m_Caret != m_SelEnd) {
            DeleteSelection();
        } else if (m_Caret > 0) {
            m_Text.erase(static_cast<std::size_t>(m_Caret - 1), 1);
            m_SelEnd = --m_Caret;
        }
        break;
    default: {
        if (ch < 32 || ch > 255) return 0;
        DeleteSelection();
        // Room for one more character only while the text is below its limit.
        if (static_cast<int>(m_Text.size()) < m_MaxLength) {
            m_Text.insert(m_Text.begin() + m_Caret, static_cast<char>(ch));
            m_SelEnd = ++m_Caret;
        }
        break;
    }
    }
    m_CaretShown = 1;
    Invalidate();
    OnTextChanged();
    return 1;
}

void LEditView::Confirm() {
    // Only an entry beside a save list saves.
    auto* list = FindTypedView<LOptionScreen>(RootOf(this), 10);
    if (g_OptionMenu && list && list->GetKind() == LOptionScreen::kSaveList) g_OptionMenu->SaveSelected();
}

void LEditView::OnTick() {
    const unsigned now = platform::timeGetTime();
    if (now - m_LastBlink < kBlinkMs) return;
    m_LastBlink = now;
    m_CaretShown = !m_CaretShown;
    Invalidate();
}

void LEditView::DrawContent(const RECT*) {
    LFrameManager* fm = GetFrameManager();
    DirectDrawSurface* target = fm ? fm->GetDrawTarget() : nullptr;
    if (!target) return;
    const RECT box{m_X, m_Y, m_X + m_Width, m_Y + m_Height};
    platform::DDBLTFX fx;
    fx.dwFillColor = ColorMatch(target, LOptionScreen::kBackground);
    target->Blt(&box, nullptr, nullptr, platform::DDBLT_COLORFILL | platform::DDBLT_WAIT, &fx);
    const RECT text{m_X + kTextInset, m_Y, m_X + m_Width - kTextInset, m_Y + m_Height - 4};
    const int a = std::min(m_Caret, m_SelEnd), b = std::max(m_Caret, m_SelEnd);
    platform::DrawText(target, text, m_Text, EditStyle(kWhite));
    if (a != b) {
        // The selection: background-coloured text on white.
        const RECT sel{text.left + TextWidth(m_Text, a), m_Y + 3, text.left + TextWidth(m_Text, b), m_Y + m_Height - 3};
        fx.dwFillColor = ColorMatch(target, kWhite);
        target->Blt(&sel, nullptr, nullptr, platform::DDBLT_COLORFILL | platform::DDBLT_WAIT, &fx);
        const RECT selText{sel.left, text.top, sel.right + 2, text.bottom};
        platform::DrawText(target, selText, m_Text.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a)),
                           EditStyle(LOptionScreen::kBackground));
    }
    if (!m_CaretShown) return;
    platform::TextMetrics metrics;
    if (!platform::GetTextMetrics(kFontHeight, false, &metrics)) return;
    const int x = text.left + TextWidth(m_Text, m_Caret);
    const int bottom = text.bottom - metrics.descent;
    RECT caret{x, bottom - std::max(metrics.xHeight, 1), x + 1, bottom};
    if (!Intersect(caret, box, &caret)) return;
    platform::PixelView view;
    if (FAILED(target->Lock(&caret, &view, platform::DDLOCK_WAIT))) return;
    for (int y = 0; y < view.height; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(view.bits) + y * view.pitch);
        for (int x2 = 0; x2 < view.width; ++x2) row[x2] = static_cast<std::uint16_t>(~row[x2]);
    }
    target->Unlock(view.bits);
}

LSaveEdit::LSaveEdit() : LEditView(kMaxLength) {
    SetText(GetMessageText(300));
    m_SelEnd = 0;  // all of it selected: typing replaces the offered name
}

LUserEdit::LUserEdit() : LEditView(kMaxLength) {}

int LUserEdit::LoadMedia() {
    const bool hasPlayer = g_PlayerList && g_PlayerList->m_Current >= 0 && g_PlayerList->m_Current < kMaxPlayers &&
                           g_PlayerList->m_Used[g_PlayerList->m_Current];
    SetText(hasPlayer ? g_PlayerList->m_Names[g_PlayerList->m_Current] : GetMessageText(301));
    // All of it selected: typing replaces the offered name.
    m_SelEnd = 0;
    return 1;
}

void LUserEdit::Confirm() {
    // Enter confirms the name as the button does; nothing is saved here.
    if (auto* list = FindTypedView<LUser>(RootOf(this), 10)) list->SelectUser();
}

void LUserEdit::OnTextChanged() {
    if (auto* list = FindTypedView<LUser>(RootOf(this), 10)) list->OnNameTyped(GetText());
}

void RegisterOptionViewClasses(LFrameManager* manager) {
    LClassCreator* creator = manager ? manager->GetClassCreator() : nullptr;
    if (!creator) return;
    creator->Register(kCodeLoadList, &MakeLoadList);
    creator->Register(kCodeSaveList, &MakeSaveList);
    creator->Register(kCodeUserList, &Make<LUser>);
    creator->Register(kCodeEditView, &MakePlainEdit);
    creator->Register(kCodeSaveEdit, &Make<LSaveEdit>);
    creator->Register(kCodeUserEdit, &Make<LUserEdit>);
}
