#include "lumora/game/XCursor.h"

#include <algorithm>
#include <cstring>

#include "lumora/framework/FrameFormat.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/game/XAppPort.h"
#include "lumora/game/XInventoryPanel.h"
#include "lumora/shell/ChunkFile.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/shell/MessageToUser.h"
#include "platform/Time.h"
#include "platform/Window.h"

using namespace platform;

XCursor* g_Cursor = nullptr;

namespace {

constexpr unsigned kWhite = 0xFFFFFF;
constexpr char kChunkName[] = "CURSOR";

void CopyName(char* dst, const char* src, std::size_t size) {
    std::strncpy(dst, src ? src : "", size - 1);
    dst[size - 1] = '\0';
}

struct TablePicture {
    const char* file;
    int hotX, hotY;
};

constexpr TablePicture kPictures[] = {
    {"Cur_default.BMP", 0, 0}, {"CUR_WAIT.BMP", 9, 2},   {"CUR_CLIC.BMP", 9, 2},    {"CUR_VOICE.BMP", 10, 10},
    {"CUR_TAKE.BMP", 10, 4},   {"CUR_USE.BMP", 10, 10},  {"LOUPEB.BMP", 10, 10},    {"LOUPED.BMP", 10, 10},
    {"LOUPEDB.BMP", 10, 10},   {"LOUPEDH.BMP", 10, 10},  {"LOUPEG.BMP", 10, 10},    {"LOUPEGB.BMP", 10, 10},
    {"LOUPEGH.BMP", 10, 10},   {"LOUPEH.BMP", 10, 10},
};

LMediaManager* Media() {
    LFrameManager* fm = GetFrameManager();
    return fm ? fm->GetMediaManager() : nullptr;
}

}  // namespace

XCursor::XCursor(HWND window, DirectDraw* ddraw, DirectDrawSurface* backBuffer)
    : m_DirectDraw(ddraw), m_BackBuffer(backBuffer), m_Window(window) {
    ShowCursor(FALSE);
    m_Step = -1;
    g_Cursor = this;
    SetCursorPort(this);
}

XCursor::~XCursor() {
    for (Entry& e : m_Table)
        if (e.surface) e.surface->Release();
    ReleaseObjectMedium();
    if (GetCursorPort() == this) SetCursorPort(nullptr);
    if (g_Cursor == this) g_Cursor = nullptr;
}

void XCursor::ReleaseObjectMedium() {
    if (m_ObjectMedium)
        if (LMediaManager* media = Media()) media->ReleaseMedium(&m_ObjectRef, 1);
    m_ObjectMedium = nullptr;
    m_ObjectRef = LMediumRef{};
}

void XCursor::LoadCursors() {
    int number = 0;
    for (const TablePicture& p : kPictures) AddCursor(number++, p.file, p.hotX, p.hotY);
}

int XCursor::LoadPicture(Entry* e) {
    if (e->surface) e->surface->Release();
    e->surface = nullptr;
    LMediaManager* media = Media();
    if (!media || !m_DirectDraw) return 0;
    const PixelFormat format = m_BackBuffer ? m_BackBuffer->Format() : Display16BitFormat();
    RECT rect;
    e->surface = LoadBitmapSurface(m_DirectDraw, format, media->GetMediaFolder(), e->file, &rect);
    if (!e->surface) return 0;
    SetColorKey(e->surface, kWhite);
    return 1;
}

int XCursor::AddCursor(int number, const char* file, int hotX, int hotY) {
    if (number < 0 || number >= kMaxCursors) return 0;
    Entry& e = m_Table[number];
    if (e.surface) e.surface->Release();
    e = Entry{};
    e.index = number;
    CopyName(e.file, file, sizeof e.file);
    e.hotX = hotX;
    e.hotY = hotY;
    // A picture that cannot be loaded leaves its position empty, so that
    // the numbers the game uses keep their pictures.
    m_Count = static_cast<std::int16_t>(std::max<int>(m_Count, number + 1));
    if (!LoadPicture(&e)) {
        new MessageToUser(0, 1010, __FILE__, __LINE__, e.file);
        return 0;
    }
    return 1;
}

void XCursor::RemoveCursor(int number) {
    if (number < 0 || number >= kMaxCursors) return;
    if (m_Table[number].surface) m_Table[number].surface->Release();
    m_Table[number] = Entry{};
    m_Table[number].index = number;
}

void XCursor::RedrawNow() {
    m_Suspended = 0;
    if (LFrameManager* fm = GetFrameManager()) fm->Redraw(1);
    Draw();
    if (XAppPort* port = GetAppPort()) port->ShowBackBuffer();
}

int XCursor::Select(int mode, int number, int redraw) {
    if (number < 0 || number >= kMaxCursors) return 0;
    if (number == m_Index && mode == kModeTable && m_Mode == kModeTable) return 1;
    m_Index = number;
    m_Mode = mode;
    CopyName(m_Name, m_Table[number].file, sizeof m_Name);
    if (redraw) RedrawNow();
    return 1;
}

void XCursor::SetObjectCursor(int mode, const char* pictureName, int redraw) {
    char name[kNameSize];
    CopyName(name, pictureName, sizeof name);  // the argument may be m_SavedName or m_Name
    std::memcpy(m_Name, name, sizeof m_Name);
    LMediumRef ref;
    LMediaObject* medium = nullptr;
    if (LMediaManager* media = Media()) medium = media->GetMedium(m_Name, &ref, 0);
    ReleaseObjectMedium();
    m_ObjectMedium = medium;
    m_ObjectRef = ref;
    m_Mode = mode;
    if (mode == kModeObject) {
        // The inventory knows the object by its strip picture: the same name
        // with P as seventh character. Shorter names are kept as they are.
        std::memcpy(m_ObjectName, m_Name, sizeof m_ObjectName);
        if (std::strlen(m_ObjectName) >= 7) m_ObjectName[6] = 'P';
    }
    if (redraw) RedrawNow();
}

void XCursor::UpdatePosition() {
    POINT p{0, 0};
    GetCursorPos(&p);
    if (!IsFullScreen(m_Window)) ScreenToClient(m_Window, &p);
    m_Point = p;
    const bool big = m_Mode == kModeObject || m_Mode == kModeAnimation;
    int hotX = 16, hotY = 16;
    if (!big) {
        const Entry& e = m_Table[std::clamp(m_Index, 0, kMaxCursors - 1)];
        hotX = e.hotX;
        hotY = e.hotY;
    }
    const int size = big ? kObjectSize : kTableSize;
    m_DrawX = p.x - hotX;
    m_DrawY = p.y - hotY;
    m_DrawRight = m_DrawX + size;
    m_DrawBottom = m_DrawY + size;
}

void XCursor::Draw() {
    if (!m_Enabled || m_Suspended) return;
    UpdatePosition();
    if (m_Mode == kModeAnimation)
        DrawAnimation();
    else
        DrawShape(m_Mode, m_Index, m_ObjectMedium, &m_ObjectRef);
}

void XCursor::DrawShape(int mode, int number, LMediaObject* medium, const LMediumRef* ref) {
    if (mode == kModeObject) {
        LFrameManager* fm = GetFrameManager();
        if (medium && fm)
            medium->Draw(fm->GetDrawTarget(), RECT{0, 0, kObjectSize, kObjectSize}, m_DrawX, m_DrawY, nullptr, nullptr,
                         ref, kDrawCopy);
    } else if (mode == kModeTable) {
        DrawTablePicture(number);
    }
}

void XCursor::DrawTablePicture(int number) {
    if (number < 0 || number >= kMaxCursors || !m_BackBuffer) return;
    Entry& e = m_Table[number];
    if (!e.surface) return;
    if (FAILED(e.surface->IsLost())) {
        e.surface->Restore();
        if (!LoadPicture(&e)) return;
    }
    // Clipped at every edge of the back buffer: near the left and top edges
    // the visible part of the picture is still drawn.
    RECT src{0, 0, std::min(kTableSize, e.surface->Width()), std::min(kTableSize, e.surface->Height())};
    int x = m_DrawX, y = m_DrawY;
    if (x < 0) {
        src.left -= x;
        x = 0;
    }
    if (y < 0) {
        src.top -= y;
        y = 0;
    }
    src.right = std::min<int>(src.right, src.left + (m_BackBuffer->Width() - x));
    src.bottom = std::min<int>(src.bottom, src.top + (m_BackBuffer->Height() - y));
    if (src.left >= src.right || src.top >= src.bottom) return;
    HRESULT hr;
    do {
        hr = m_BackBuffer->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), e.surface, &src,
                                   DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
    } while (hr == DDERR_WASSTILLDRAWING);
}

void XCursor::DrawAnimation() {
    if (m_StepCount <= 0) return;
    const DWORD now = timeGetTime();
    // A step lasts the whole interval: at 4 pictures a second, a new one
    // every 250 ms.
    if (now - m_LastStep >= m_Interval) {
        m_LastStep = now;
        m_Step = static_cast<std::int16_t>((m_Step + 1) % m_StepCount);
    }
    if (m_Step < 0) return;
    const Step& s = m_Steps[m_Step];
    DrawShape(s.mode, s.number, s.medium, &s.ref);
}

void XCursor::SetEnabled(int enabled, int redraw) {
    m_Enabled = enabled;
    XAppPort* port = GetAppPort();
    if (enabled) {
        if (port) {
            port->SetInputLock(0);
            port->SetCursorShown(1);
        }
        if (!IsBusy()) Resume(redraw);
    } else if (port) {
        port->SetInputLock(1);
        port->SetCursorShown(0);
    }
}

void XCursor::Suspend(int save, int redraw) {
    if (save)
        SaveCursor();
    else
        m_Mode = kModeTable;
    XAppPort* port = GetAppPort();
    if (!save && redraw && port && port->IsSceneState()) {
        m_Suspended = 0;
        Draw();
    }
    m_Suspended = 1;
}

void XCursor::Resume(int redraw) {
    m_Suspended = 0;
    RestoreCursor(redraw);
}

void XCursor::SaveCursor() {
    if (m_Mode != kModeObject) return;
    if (m_Saved) {
        if (std::strcmp(m_SavedName, m_Name) != 0) AppLog("Error: Another cursor is saving...");
        return;
    }
    m_Saved = 1;
    m_SavedMode = kModeObject;
    std::memcpy(m_SavedName, m_Name, sizeof m_SavedName);
}

void XCursor::RestoreCursor(int redraw) {
    if (m_Saved) {
        m_Saved = 0;
        SetObjectCursor(m_SavedMode, m_SavedName, redraw);
    }
    if (!redraw) return;
    XAppPort* port = GetAppPort();
    if (port && port->IsSceneState()) port->PickAt(m_Point.x, m_Point.y);
    Draw();
}

void XCursor::ReturnObjectToInventory() {
    if (!IsBusy()) return;
    if (IsAnimating()) StopAnimation();
    if (m_Mode == kModeObject && m_ObjectName[0])
        if (XInventoryPanel* panel = XInventoryPanel::Current()) panel->AddObject(m_ObjectName);
    Select(kModeTable, kDefault, 0);
}

int XCursor::AddAnimationStep(int mode, int number, LMediaObject* medium, const LMediumRef* ref) {
    if (m_StepCount >= kMaxSteps) return 0;
    Step& s = m_Steps[m_StepCount++];
    s = Step{};
    s.mode = mode;
    if (mode == kModeObject) {
        s.medium = medium;
        if (ref) s.ref = *ref;
    } else {
        s.number = number;
    }
    return 1;
}

int XCursor::StartAnimation(int framesPerSecond) {
    if (framesPerSecond <= 0) return 0;
    SaveCursor();
    m_Mode = kModeAnimation;
    m_Interval = static_cast<DWORD>(1000 / framesPerSecond);
    m_LastStep = timeGetTime() - 1000;
    m_Step = -1;
    return 1;
}

void XCursor::StopAnimation() {
    m_StepCount = 0;
    m_Step = -1;
    RestoreCursor(0);
    // Without a carried object to come back to, the table picture returns.
    if (m_Mode == kModeAnimation) m_Mode = kModeTable;
}

int XCursor::SaveState(XChunkFile* f) const {
    SavedState state;
    std::memcpy(state.name, m_SavedName, sizeof state.name);
    state.mode = m_SavedMode;
    state.saved = m_Saved;
    return WriteCursorChunk(f, state);
}

int XCursor::LoadState(XChunkFile* f) {
    SavedState state;
    if (!ReadCursorChunk(f, &state)) return 0;
    std::memcpy(m_SavedName, state.name, sizeof m_SavedName);
    m_SavedMode = state.mode;
    m_Saved = state.saved;
    return 1;
}

int WriteCursorChunk(XChunkFile* f, const XCursor::SavedState& state) {
    if (!f || !f->BeginWriteChunk(kChunkName)) return 0;
    std::uint8_t bytes[XCursor::kChunkSize] = {};
    std::memcpy(bytes, state.name, XCursor::kNameSize);
    bytes[XCursor::kNameSize - 1] = 0;
    PutInt32(bytes + XCursor::kNameSize, state.mode);
    PutInt32(bytes + XCursor::kNameSize + 4, state.saved);
    const int ok = f->Write(bytes, sizeof bytes);
    return f->EndWriteChunk() && ok;
}

int ReadCursorChunk(XChunkFile* f, XCursor::SavedState* state) {
    if (!f || !f->BeginReadChunk(kChunkName)) return 0;
    const bool whole = f->m_Current >= 0 && f->m_Dir[f->m_Current].length >= XCursor::kChunkSize;
    std::uint8_t bytes[XCursor::kChunkSize] = {};
    const int ok = whole && f->Read(bytes, sizeof bytes);
    f->EndReadChunk();
    if (!ok) return 0;
    std::memcpy(state->name, bytes, XCursor::kNameSize);
    state->name[XCursor::kNameSize - 1] = '\0';
    state->mode = std::clamp<int>(GetInt32(bytes + XCursor::kNameSize), XCursor::kModeNone, XCursor::kModeAnimation);
    state->saved = GetInt32(bytes + XCursor::kNameSize + 4) != 0;
    return 1;
}
