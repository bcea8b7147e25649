#include "platform/Window.h"

#include "platform/Input.h"
#include "platform/Surface.h"
#include "platform/Time.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct platform::Window {
    WNDPROC proc = nullptr;
    UINT classStyle = 0;
    std::string title;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR userData = 0;
    int x = 0;  // client origin in screen coordinates
    int y = 0;
    int width = 640;
    int height = 480;
    bool alive = true;
    bool visible = false;
    bool fullScreen = false;
    bool topmost = false;
    bool paintPending = false;
};

namespace platform {
namespace {

constexpr UINT kDoubleClickTime = 500;
constexpr int kDoubleClickWidth = 4;  // the second press lies within +-2 pixels
constexpr int kDoubleClickHeight = 4;
constexpr UINT kTimerMinimum = 10;

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT elapse = 0;
    TIMERPROC proc = nullptr;
    DWORD last = 0;
};

// Characters that the text of a key press carried, waiting for
// TranslateMessage to see that key press.
struct KeyText {
    UINT vk = 0;
    LPARAM lParam = 0;
    std::string chars;  // Windows-1252 bytes the host said the press typed
    int guess = 0;      // the US-keyboard character, from the key state at the press
};

struct State {
    std::map<std::string, WNDCLASS> classes;  // by lower-cased name
    std::vector<std::unique_ptr<Window>> windows;
    HWND main = nullptr;

    std::mutex queueMutex;  // guards queue, quitPosted, quitCode
    std::deque<MSG> queue;
    bool quitPosted = false;
    int quitCode = 0;

    std::vector<Timer> timers;
    UINT_PTR nextTimerId = 0x7FF0;

    std::array<bool, 256> keyDown{};
    std::array<bool, 256> pressedSinceQuery{};
    std::array<bool, 256> toggled{};
    std::deque<KeyText> keyTexts;
    bool lastEventWasKeyDown = false;

    POINT cursor{};  // client coordinates of the main window
    // The pointer in screen coordinates, for messages posted from other threads.
    std::atomic<std::uint64_t> cursorScreen{0};
    bool active = false;
    bool minimized = false;
    int cursorCount = 0;

    // Double-click detection.
    bool clickValid = false;
    MouseButton clickButton = MouseButton::Left;
    DWORD clickTime = 0;
    POINT clickPoint{};
};

State& S() {
    static State state;
    return state;
}

Window* Live(HWND hwnd) {
    if (!hwnd) return nullptr;
    for (auto& w : S().windows)
        if (w.get() == hwnd) return w->alive ? hwnd : nullptr;
    return nullptr;
}

std::string Lower(const char* s) {
    std::string r = s ? s : "";
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

// Set-1 scan codes by virtual key; 0x100 marks an extended key.
constexpr UINT ScanCode(UINT vk) {
    if (vk >= 'A' && vk <= 'Z') {
        constexpr unsigned char letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                               0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                               0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
        return letters[vk - 'A'];
    }
    if (vk >= '1' && vk <= '9') return 0x02 + (vk - '1');
    if (vk >= VK_F1 && vk <= VK_F10) return 0x3B + (vk - VK_F1);
    switch (vk) {
    case '0': return 0x0B;
    case VK_ESCAPE: return 0x01;
    case VK_OEM_MINUS: return 0x0C;
    case VK_OEM_PLUS: return 0x0D;
    case VK_BACK: return 0x0E;
    case VK_TAB: return 0x0F;
    case VK_OEM_4: return 0x1A;
    case VK_OEM_6: return 0x1B;
    case VK_RETURN: return 0x1C;
    case VK_CONTROL: case VK_LCONTROL: return 0x1D;
    case VK_RCONTROL: return 0x11D;
    case VK_OEM_1: return 0x27;
    case VK_OEM_7: return 0x28;
    case VK_OEM_3: return 0x29;
    case VK_SHIFT: case VK_LSHIFT: return 0x2A;
    case VK_OEM_5: return 0x2B;
    case VK_OEM_COMMA: return 0x33;
    case VK_OEM_PERIOD: return 0x34;
    case VK_OEM_2: return 0x35;
    case VK_RSHIFT: return 0x36;
    case VK_MULTIPLY: return 0x37;
    case VK_MENU: case VK_LMENU: return 0x38;
    case VK_RMENU: return 0x138;
    case VK_SPACE: return 0x39;
    case VK_CAPITAL: return 0x3A;
    case VK_NUMLOCK: return 0x45;
    case VK_SCROLL: return 0x46;
    case VK_NUMPAD7: return 0x47;
    case VK_NUMPAD8: return 0x48;
    case VK_NUMPAD9: return 0x49;
    case VK_SUBTRACT: return 0x4A;
    case VK_NUMPAD4: return 0x4B;
    case VK_NUMPAD5: return 0x4C;
    case VK_NUMPAD6: return 0x4D;
    case VK_ADD: return 0x4E;
    case VK_NUMPAD1: return 0x4F;
    case VK_NUMPAD2: return 0x50;
    case VK_NUMPAD3: return 0x51;
    case VK_NUMPAD0: return 0x52;
    case VK_DECIMAL: return 0x53;
    case VK_OEM_102: return 0x56;
    case VK_F11: return 0x57;
    case VK_F12: return 0x58;
    case VK_DIVIDE: return 0x135;
    case VK_HOME: return 0x147;
    case VK_UP: return 0x148;
    case VK_PRIOR: return 0x149;
    case VK_LEFT: return 0x14B;
    case VK_RIGHT: return 0x14D;
    case VK_END: return 0x14F;
    case VK_DOWN: return 0x150;
    case VK_NEXT: return 0x151;
    case VK_INSERT: return 0x152;
    case VK_DELETE: return 0x153;
    case VK_LWIN: return 0x15B;
    case VK_RWIN: return 0x15C;
    case VK_APPS: return 0x15D;
    case VK_PAUSE: return 0x45;
    case VK_SNAPSHOT: return 0x137;
    default: return 0;
    }
}

// Left/right variants report as the generic key in messages.
UINT GenericVk(UINT vk) {
    switch (vk) {
    case VK_LSHIFT: case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL: case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU: case VK_RMENU: return VK_MENU;
    default: return vk;
    }
}

UINT LeftVariant(UINT vk) {
    switch (vk) {
    case VK_SHIFT: return VK_LSHIFT;
    case VK_CONTROL: return VK_LCONTROL;
    case VK_MENU: return VK_LMENU;
    default: return vk;
    }
}

bool Down(UINT vk) { return S().keyDown[vk & 0xFF]; }

// Keeps the generic Shift/Control/Alt entries in step with their sides.
void SetKey(UINT vk, bool down) {
    State& s = S();
    UINT generic = GenericVk(vk);
    UINT side = vk == generic ? LeftVariant(vk) : vk;
    if (down && !s.keyDown[side & 0xFF]) {
        s.pressedSinceQuery[side & 0xFF] = true;
        s.pressedSinceQuery[generic & 0xFF] = true;
    }
    if (down && !s.keyDown[generic & 0xFF]) s.toggled[generic & 0xFF] = !s.toggled[generic & 0xFF];
    s.keyDown[side & 0xFF] = down;
    if (generic != side) {
        bool any = false;
        if (generic == VK_SHIFT) any = s.keyDown[VK_LSHIFT] || s.keyDown[VK_RSHIFT];
        if (generic == VK_CONTROL) any = s.keyDown[VK_LCONTROL] || s.keyDown[VK_RCONTROL];
        if (generic == VK_MENU) any = s.keyDown[VK_LMENU] || s.keyDown[VK_RMENU];
        s.keyDown[generic & 0xFF] = any;
    }
}

void ClearKeyState() {
    State& s = S();
    s.keyDown.fill(false);
    s.pressedSinceQuery.fill(false);
    s.keyTexts.clear();
    s.clickValid = false;
}

WPARAM MouseKeyFlags() {
    WPARAM f = 0;
    if (Down(VK_LBUTTON)) f |= MK_LBUTTON;
    if (Down(VK_RBUTTON)) f |= MK_RBUTTON;
    if (Down(VK_MBUTTON)) f |= MK_MBUTTON;
    if (Down(VK_SHIFT)) f |= MK_SHIFT;
    if (Down(VK_CONTROL)) f |= MK_CONTROL;
    return f;
}

POINT CursorScreen() {
    State& s = S();
    POINT p = s.cursor;
    if (Window* w = Live(s.main)) {
        p.x += w->x;
        p.y += w->y;
    }
    return p;
}

void SetCursorClient(POINT p) {
    State& s = S();
    s.cursor = p;
    POINT screen = CursorScreen();
    s.cursorScreen.store((static_cast<std::uint64_t>(static_cast<std::uint32_t>(screen.x)) << 32) |
                             static_cast<std::uint32_t>(screen.y),
                         std::memory_order_relaxed);
}

void Enqueue(MSG msg, bool front = false) {
    State& s = S();
    {
        std::lock_guard lock(s.queueMutex);
        if (front)
            s.queue.push_front(msg);
        else
            s.queue.push_back(msg);
    }
    detail::TheBackend().Wake();
}

void PostInput(UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg;
    msg.hwnd = S().main;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = timeGetTime();
    msg.pt = CursorScreen();
    Enqueue(msg);
}

// Windows-1252 byte for a Unicode code point, or 0 when it has none.
unsigned char ToCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
    static constexpr struct { char32_t u; unsigned char b; } table[] = {
        {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85}, {0x2020, 0x86},
        {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A}, {0x2039, 0x8B}, {0x0152, 0x8C},
        {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95},
        {0x2013, 0x96}, {0x2014, 0x97}, {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B},
        {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F}};
    for (auto& e : table)
        if (e.u == c) return e.b;
    return 0;
}

std::string Utf8ToCp1252(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        char32_t c = 0;
        int extra = 0;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            extra = 3;
        } else {
            ++i;  // stray continuation byte
            out += '?';
            continue;
        }
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        if (!ok) {
            ++i;
            out += '?';
            continue;
        }
        i += 1 + extra;
        unsigned char cp = ToCp1252(c);
        out += cp ? static_cast<char>(cp) : '?';
    }
    return out;
}

// The character a US keyboard types for a key, for key presses that came
// without text (synthetic events, control keys, Control+letter).
int FallbackChar(UINT vk) {
    bool shift = Down(VK_SHIFT);
    bool ctrl = Down(VK_CONTROL) && !Down(VK_MENU);
    if (vk >= 'A' && vk <= 'Z') {
        if (ctrl) return static_cast<int>(vk - 'A' + 1);
        bool upper = shift != S().toggled[VK_CAPITAL];
        return static_cast<int>(upper ? vk : vk - 'A' + 'a');
    }
    if (ctrl) return vk == VK_RETURN ? 0x0A : vk == VK_BACK ? 0x7F : vk == VK_ESCAPE ? 0x1B : 0;
    if (vk >= '0' && vk <= '9') return shift ? ")!@#$%^&*("[vk - '0'] : static_cast<int>(vk);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return static_cast<int>('0' + (vk - VK_NUMPAD0));
    switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_BACK: return 0x08;
    case VK_TAB: return '\t';
    case VK_ESCAPE: return 0x1B;
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    case VK_OEM_1: return shift ? ':' : ';';
    case VK_OEM_PLUS: return shift ? '+' : '=';
    case VK_OEM_COMMA: return shift ? '<' : ',';
    case VK_OEM_MINUS: return shift ? '_' : '-';
    case VK_OEM_PERIOD: return shift ? '>' : '.';
    case VK_OEM_2: return shift ? '?' : '/';
    case VK_OEM_3: return shift ? '~' : '`';
    case VK_OEM_4: return shift ? '{' : '[';
    case VK_OEM_5: return shift ? '|' : '\\';
    case VK_OEM_6: return shift ? '}' : ']';
    case VK_OEM_7: return shift ? '"' : '\'';
    default: return 0;
    }
}

void Activate(bool on, bool minimizing) {
    State& s = S();
    HWND main = Live(s.main);
    ClearKeyState();  // a key held while switching must not stay down
    if (on) {
        s.active = true;
        if (!main) return;
        SendMessage(main, WM_ACTIVATEAPP, TRUE, 0);
        SendMessage(main, WM_NCACTIVATE, TRUE, 0);
        SendMessage(main, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), 0);
        SendMessage(main, WM_SETFOCUS, 0, 0);
    } else {
        s.active = false;
        if (!main) return;
        SendMessage(main, WM_NCACTIVATE, FALSE, 0);
        SendMessage(main, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, minimizing ? 1 : 0), 0);
        SendMessage(main, WM_ACTIVATEAPP, FALSE, 0);
        SendMessage(main, WM_KILLFOCUS, 0, 0);
    }
}

UINT ButtonMessage(MouseButton b, int kind) {  // kind 0 down, 1 up, 2 double click
    UINT base = b == MouseButton::Left ? WM_LBUTTONDOWN : b == MouseButton::Right ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
    return base + static_cast<UINT>(kind);
}

UINT ButtonVk(MouseButton b) {
    return b == MouseButton::Left ? VK_LBUTTON : b == MouseButton::Right ? VK_RBUTTON : VK_MBUTTON;
}

bool InsideClient(int x, int y) {
    Window* w = Live(S().main);
    return w && x >= 0 && y >= 0 && x < w->width && y < w->height;
}

bool AnyButtonDown() { return Down(VK_LBUTTON) || Down(VK_RBUTTON) || Down(VK_MBUTTON); }

void DeliverKey(const BackendEvent& e, bool down) {
    State& s = S();
    UINT vk = e.vk & 0xFF;
    UINT generic = GenericVk(vk);
    bool wasDown = Down(vk == generic ? LeftVariant(vk) : vk);
    SetKey(vk, down);
    bool alt = Down(VK_MENU);
    bool ctrl = Down(VK_CONTROL);
    // Alt (without Control, which would make it AltGr) and F10 give system keys.
    bool sys = (alt && !ctrl) || generic == VK_F10 || (!down && generic == VK_MENU);
    UINT scan = ScanCode(vk);
    LPARAM lParam = 1 | static_cast<LPARAM>((scan & 0xFF) << 16);
    if (scan & 0x100) lParam |= 1 << 24;
    if (alt) lParam |= 1 << 29;
    if (down) {
        if (wasDown || e.repeat) lParam |= 1 << 30;
    } else {
        lParam |= static_cast<LPARAM>(3u << 30);
        lParam = static_cast<LPARAM>(static_cast<DWORD>(lParam));
    }
    UINT message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    if (!Live(s.main)) return;
    PostInput(message, generic, lParam);
    if (down) {
        s.keyTexts.push_back(KeyText{generic, lParam, {}, FallbackChar(generic)});
        while (s.keyTexts.size() > 64) s.keyTexts.pop_front();
    }
}

}  // namespace

namespace detail {

void DeliverEvent(const BackendEvent& e) {
    State& s = S();
    bool afterKeyDown = s.lastEventWasKeyDown;
    s.lastEventWasKeyDown = false;
    switch (e.type) {
    case BackendEvent::Type::KeyDown:
        DeliverKey(e, true);
        s.lastEventWasKeyDown = true;
        break;
    case BackendEvent::Type::KeyUp:
        DeliverKey(e, false);
        break;
    case BackendEvent::Type::Text: {
        std::string chars = Utf8ToCp1252(e.text);
        if (chars.empty() || !Live(s.main)) break;
        if (afterKeyDown && !s.keyTexts.empty() && s.keyTexts.back().chars.empty()) {
            s.keyTexts.back().chars = chars;  // TranslateMessage of that key press posts them
        } else {
            for (char c : chars) PostInput(WM_CHAR, static_cast<unsigned char>(c), 1);
        }
        break;
    }
    case BackendEvent::Type::MouseMove: {
        bool inside = InsideClient(e.x, e.y);
        if (!inside && !AnyButtonDown()) {
            // Outside the picture nothing receives the pointer; keep only
            // where it is, clamped so a grab never reports a far point.
            if (Window* w = Live(s.main)) {
                SetCursorClient(POINT{std::clamp(e.x, -1, w->width), std::clamp(e.y, -1, w->height)});
            }
            break;
        }
        SetCursorClient(POINT{e.x, e.y});
        if (!Live(s.main)) break;
        MSG msg;
        msg.hwnd = s.main;
        msg.message = WM_MOUSEMOVE;
        msg.wParam = MouseKeyFlags();
        msg.lParam = MAKELPARAM(e.x, e.y);
        msg.time = timeGetTime();
        msg.pt = CursorScreen();
        {
            // Like Windows, keep only the latest of consecutive moves.
            std::lock_guard lock(s.queueMutex);
            if (!s.queue.empty() && s.queue.back().message == WM_MOUSEMOVE && s.queue.back().hwnd == msg.hwnd &&
                s.queue.back().wParam == msg.wParam) {
                s.queue.back() = msg;
                break;
            }
        }
        Enqueue(msg);
        break;
    }
    case BackendEvent::Type::ButtonDown: {
        Window* w = Live(s.main);
        if (!w || !InsideClient(e.x, e.y)) break;
        SetCursorClient(POINT{e.x, e.y});
        DWORD now = timeGetTime();
        bool dbl = (w->classStyle & CS_DBLCLKS) && s.clickValid && s.clickButton == e.button &&
                   now - s.clickTime <= kDoubleClickTime && std::abs(e.x - s.clickPoint.x) <= kDoubleClickWidth / 2 &&
                   std::abs(e.y - s.clickPoint.y) <= kDoubleClickHeight / 2;
        if (dbl) {
            s.clickValid = false;  // a third press starts a new pair
        } else {
            s.clickValid = true;
            s.clickButton = e.button;
            s.clickTime = now;
            s.clickPoint = s.cursor;
        }
        SetKey(ButtonVk(e.button), true);
        PostInput(ButtonMessage(e.button, dbl ? 2 : 0), MouseKeyFlags(), MAKELPARAM(e.x, e.y));
        break;
    }
    case BackendEvent::Type::ButtonUp: {
        bool wasDown = Down(ButtonVk(e.button));
        if (!Live(s.main) || (!wasDown && !InsideClient(e.x, e.y))) break;
        SetCursorClient(POINT{e.x, e.y});
        SetKey(ButtonVk(e.button), false);
        PostInput(ButtonMessage(e.button, 1), MouseKeyFlags(), MAKELPARAM(e.x, e.y));
        break;
    }
    case BackendEvent::Type::FocusGained:
        if (!s.active && !s.minimized) Activate(true, false);
        break;
    case BackendEvent::Type::FocusLost:
        if (s.active) Activate(false, false);
        break;
    case BackendEvent::Type::Minimize:
        if (s.minimized) break;
        s.minimized = true;
        // A full-screen display gives its memory away when it is minimised.
        if (Window* w = Live(s.main); w && w->fullScreen) LoseAllSurfaces();
        if (s.active) Activate(false, true);
        if (HWND main = Live(s.main)) SendMessage(main, WM_SIZE, SIZE_MINIMIZED, 0);
        break;
    case BackendEvent::Type::Restore:
        if (!s.minimized) break;
        s.minimized = false;
        if (Window* w = Live(s.main)) SendMessage(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->width, w->height));
        if (!s.active) Activate(true, false);
        break;
    case BackendEvent::Type::Close:
        if (HWND main = Live(s.main)) SendMessage(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case BackendEvent::Type::Quit:
        PostQuitMessage(0);
        break;
    case BackendEvent::Type::LoseSurfaces:
        LoseAllSurfaces();
        break;
    case BackendEvent::Type::Expose:
        if (HWND main = Live(s.main)) InvalidateRect(main, nullptr, FALSE);
        break;
    }
}

void MainClientSize(int& width, int& height) {
    Window* w = Live(S().main);
    width = w ? w->width : 640;
    height = w ? w->height : 480;
}

}  // namespace detail

namespace {

void PumpHost() {
    detail::TheBackend().PumpEvents();
    detail::PumpScriptedInput();
}

bool Matches(const MSG& m, HWND hwnd, UINT lo, UINT hi) {
    if (hwnd && m.hwnd != hwnd) return false;
    if (lo == 0 && hi == 0) return true;
    return m.message >= lo && m.message <= hi;
}

bool RangeHas(UINT message, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (message >= lo && message <= hi); }

// Milliseconds until the next timer falls due (real clock only), or -1.
int NextTimerWait() {
    State& s = S();
    if (s.timers.empty() || IsFixedClock()) return -1;
    DWORD now = timeGetTime();
    int best = -1;
    for (const Timer& t : s.timers) {
        DWORD passed = now - t.last;
        int wait = passed >= t.elapse ? 0 : static_cast<int>(t.elapse - passed);
        if (best < 0 || wait < best) best = wait;
    }
    return best;
}

}  // namespace

ATOM RegisterClass(const WNDCLASS* wc) {
    if (!wc || !wc->lpszClassName || !*wc->lpszClassName || !wc->lpfnWndProc) return 0;
    State& s = S();
    std::string key = Lower(wc->lpszClassName);
    if (s.classes.count(key)) return 0;
    s.classes[key] = *wc;
    return static_cast<ATOM>(0xC000 + s.classes.size());
}

BOOL UnregisterClass(const char* className, HINSTANCE) { return S().classes.erase(Lower(className)) ? TRUE : FALSE; }

HWND CreateWindow(const char* className, const char* title, DWORD style, int x, int y, int width, int height,
                  HWND parent, void*, HINSTANCE, void* param) {
    State& s = S();
    auto it = s.classes.find(Lower(className));
    if (it == s.classes.end()) return nullptr;
    auto window = std::make_unique<Window>();
    Window* w = window.get();
    w->proc = it->second.lpfnWndProc;
    w->classStyle = it->second.style;
    w->title = title ? title : "";
    w->style = style & ~WS_VISIBLE;
    w->width = width == CW_USEDEFAULT || width <= 0 ? 640 : width;
    w->height = height == CW_USEDEFAULT || height <= 0 ? 480 : height;
    RECT desk = detail::TheBackend().DesktopRect();
    w->x = x == CW_USEDEFAULT ? desk.left + (desk.right - desk.left - w->width) / 2 : x;
    w->y = x == CW_USEDEFAULT ? desk.top + (desk.bottom - desk.top - w->height) / 2 : y;
    {
        // Other threads look windows up when they post.
        std::lock_guard lock(s.queueMutex);
        s.windows.push_back(std::move(window));
    }
    bool isMain = !Live(s.main) && !parent;
    if (isMain) {
        s.main = w;
        s.minimized = false;
        s.active = false;
        detail::TheBackend().CreateHostWindow(w->title, w->width, w->height);
    }
    if (w->proc(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(param)) == -1) {
        DestroyWindow(w);
        return nullptr;
    }
    if (style & WS_VISIBLE) ShowWindow(w, SW_SHOW);
    return w;
}

BOOL DestroyWindow(HWND hwnd) {
    State& s = S();
    Window* w = Live(hwnd);
    if (!w) return FALSE;
    SendMessage(w, WM_DESTROY, 0, 0);
    std::erase_if(s.timers, [&](const Timer& t) { return t.hwnd == hwnd; });
    {
        std::lock_guard lock(s.queueMutex);
        w->alive = false;
        std::erase_if(s.queue, [&](const MSG& m) { return m.hwnd == hwnd; });
    }
    if (s.main == hwnd) {
        detail::TheBackend().DestroyHostWindow();
        s.main = nullptr;
        s.active = false;
        s.minimized = false;
    }
    return TRUE;
}

BOOL IsWindow(HWND hwnd) { return Live(hwnd) ? TRUE : FALSE; }

HWND GetMainWindow() { return Live(S().main); }

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessage(hwnd, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
        default: break;
        }
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+F4 closes, as on Windows.
        if (wParam == VK_F4 && (lParam & (1 << 29))) SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_PAINT:
        ValidateRect(hwnd, nullptr);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_NCACTIVATE:
        return TRUE;
    default:
        (void)lParam;
        return 0;
    }
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT lo, UINT hi, UINT remove) {
    if (!msg) return FALSE;
    PumpHost();
    State& s = S();
    {
        std::lock_guard lock(s.queueMutex);
        for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
            if (!Matches(*it, hwnd, lo, hi)) continue;
            *msg = *it;
            if (remove & PM_REMOVE) s.queue.erase(it);
            return TRUE;
        }
        if (s.quitPosted) {
            *msg = MSG{};
            msg->message = WM_QUIT;
            msg->wParam = static_cast<WPARAM>(s.quitCode);
            msg->time = timeGetTime();
            if (remove & PM_REMOVE) s.quitPosted = false;
            return TRUE;
        }
    }
    if (RangeHas(WM_PAINT, lo, hi)) {
        for (auto& w : s.windows) {
            if (!w->alive || !w->paintPending || (hwnd && w.get() != hwnd)) continue;
            *msg = MSG{};
            msg->hwnd = w.get();
            msg->message = WM_PAINT;
            msg->time = timeGetTime();
            msg->pt = CursorScreen();
            return TRUE;  // stays until the window is validated
        }
    }
    if (RangeHas(WM_TIMER, lo, hi)) {
        DWORD now = timeGetTime();
        for (Timer& t : s.timers) {
            if ((hwnd && t.hwnd != hwnd) || now - t.last < t.elapse) continue;
            *msg = MSG{};
            msg->hwnd = t.hwnd;
            msg->message = WM_TIMER;
            msg->wParam = t.id;
            msg->lParam = reinterpret_cast<LPARAM>(t.proc);
            msg->time = now;
            msg->pt = CursorScreen();
            if (remove & PM_REMOVE) t.last = now;
            return TRUE;
        }
    }
    return FALSE;
}

bool PumpMessages() {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return false;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return true;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT lo, UINT hi) {
    if (!msg) return -1;
    for (;;) {
        if (PeekMessage(msg, hwnd, lo, hi, PM_REMOVE)) return msg->message == WM_QUIT ? FALSE : TRUE;
        int wait = NextTimerWait();
        int scripted = detail::ScriptedInputWait();
        if (scripted >= 0 && (wait < 0 || scripted < wait)) wait = scripted;
        detail::TheBackend().WaitEvents(wait);
    }
}

BOOL WaitMessage() {
    MSG msg;
    while (!PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        int wait = NextTimerWait();
        int scripted = detail::ScriptedInputWait();
        if (scripted >= 0 && (wait < 0 || scripted < wait)) wait = scripted;
        detail::TheBackend().WaitEvents(wait);
    }
    return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
    State& s = S();
    std::string chars;
    bool typed = false;  // the host said this press typed text
    for (auto it = s.keyTexts.begin(); it != s.keyTexts.end(); ++it) {
        if (it->vk == msg->wParam && it->lParam == msg->lParam) {
            chars = it->chars;
            typed = !chars.empty();
            // Alt alone and F10 type nothing.
            if (chars.empty() && it->guess != 0 && msg->wParam != VK_MENU && msg->wParam != VK_F10)
                chars = static_cast<char>(it->guess);
            s.keyTexts.erase(s.keyTexts.begin(), it + 1);
            break;
        }
    }
    if (chars.empty()) return TRUE;
    // Text the host typed is plain characters even with Alt held: that is
    // AltGr on keyboards that type '@' or '{' with it.
    UINT charMessage = msg->message == WM_SYSKEYDOWN && !typed ? WM_SYSCHAR : WM_CHAR;
    // Pushed in reverse at the front so they come out next, in order.
    for (auto it = chars.rbegin(); it != chars.rend(); ++it) {
        MSG c = *msg;
        c.message = charMessage;
        c.wParam = static_cast<unsigned char>(*it);
        Enqueue(c, true);
    }
    return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    Window* w = Live(msg->hwnd);
    if (!w) return 0;
    return w->proc(w, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    State& s = S();
    MSG msg;
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = timeGetTime();
    {
        std::lock_guard lock(s.queueMutex);
        // Liveness is read without the window thread's cooperation; a window
        // destroyed meanwhile drops the message at dispatch.
        if (hwnd) {
            bool known = false;
            for (auto& w : s.windows)
                if (w.get() == hwnd && w->alive) known = true;
            if (!known) return FALSE;
        }
        std::uint64_t packed = s.cursorScreen.load(std::memory_order_relaxed);
        msg.pt = POINT{static_cast<LONG>(static_cast<std::uint32_t>(packed >> 32)),
                       static_cast<LONG>(static_cast<std::uint32_t>(packed))};
        s.queue.push_back(msg);
    }
    detail::TheBackend().Wake();
    return TRUE;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = Live(hwnd);
    if (!w) return 0;
    return w->proc(w, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
    State& s = S();
    {
        std::lock_guard lock(s.queueMutex);
        s.quitPosted = true;
        s.quitCode = exitCode;
    }
    detail::TheBackend().Wake();
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
    State& s = S();
    if (hwnd && !Live(hwnd)) return 0;
    UINT elapse = std::max(elapseMs, kTimerMinimum);
    if (hwnd) {
        for (Timer& t : s.timers) {
            if (t.hwnd == hwnd && t.id == id) {
                t.elapse = elapse;
                t.proc = proc;
                t.last = timeGetTime();
                return id != 0 ? id : 1;
            }
        }
    } else {
        id = s.nextTimerId++;
    }
    s.timers.push_back(Timer{hwnd, id, elapse, proc, timeGetTime()});
    return hwnd ? (id != 0 ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    auto& timers = S().timers;
    auto n = std::erase_if(timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    return n ? TRUE : FALSE;
}

SHORT GetAsyncKeyState(int vk) {
    State& s = S();
    if (vk < 0 || vk > 255) return 0;
    SHORT r = s.keyDown[vk] ? static_cast<SHORT>(0x8000) : 0;
    if (s.pressedSinceQuery[vk]) r |= 1;
    s.pressedSinceQuery[vk] = false;
    return r;
}

SHORT GetKeyState(int vk) {
    State& s = S();
    if (vk < 0 || vk > 255) return 0;
    SHORT r = s.keyDown[vk] ? static_cast<SHORT>(0x8000) : 0;
    if (s.toggled[vk]) r |= 1;
    return r;
}

UINT MapVirtualKey(UINT code, UINT mapType) {
    switch (mapType) {
    case MAPVK_VK_TO_VSC: return ScanCode(code) & 0xFF;
    case MAPVK_VSC_TO_VK:
        for (UINT vk = 1; vk < 256; ++vk)
            if ((ScanCode(vk) & 0xFF) == code && !(ScanCode(vk) & 0x100) && GenericVk(vk) == vk) return vk;
        return 0;
    case MAPVK_VK_TO_CHAR: {
        if (code >= 'A' && code <= 'Z') return code;  // upper case, as Windows reports
        if (code >= '0' && code <= '9') return code;
        switch (code) {
        case VK_SPACE: return ' ';
        case VK_RETURN: return '\r';
        case VK_BACK: return 8;
        case VK_TAB: return '\t';
        case VK_ESCAPE: return 0x1B;
        default: return 0;
        }
    }
    default: return 0;
    }
}

UINT GetDoubleClickTime() { return kDoubleClickTime; }

BOOL GetCursorPos(POINT* point) {
    if (!point) return FALSE;
    *point = CursorScreen();
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    State& s = S();
    Window* w = Live(s.main);
    int cx = w ? x - w->x : x;
    int cy = w ? y - w->y : y;
    detail::TheBackend().WarpMouse(cx, cy);
    BackendEvent e;
    e.type = BackendEvent::Type::MouseMove;
    e.x = cx;
    e.y = cy;
    detail::DeliverEvent(e);
    SetCursorClient(POINT{cx, cy});
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
    Window* w = Live(hwnd);
    if (!w || !point) return FALSE;
    point->x -= w->x;
    point->y -= w->y;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
    Window* w = Live(hwnd);
    if (!w || !point) return FALSE;
    point->x += w->x;
    point->y += w->y;
    return TRUE;
}

int ShowCursor(BOOL show) {
    State& s = S();
    s.cursorCount += show ? 1 : -1;
    detail::TheBackend().ShowSystemCursor(s.cursorCount >= 0);
    return s.cursorCount;
}

BOOL ShowWindow(HWND hwnd, int command) {
    State& s = S();
    Window* w = Live(hwnd);
    if (!w) return FALSE;
    BOOL wasVisible = w->visible ? TRUE : FALSE;
    bool isMain = hwnd == s.main;
    BackendEvent e;
    switch (command) {
    case SW_HIDE:
        w->visible = false;
        if (isMain) {
            detail::TheBackend().SetVisible(false);
            if (s.active) Activate(false, false);
        }
        break;
    case SW_MINIMIZE:
        w->visible = true;
        if (isMain) {
            detail::TheBackend().SetVisible(true);
            detail::TheBackend().Minimize();
            e.type = BackendEvent::Type::Minimize;
            detail::DeliverEvent(e);
        }
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOW:
    default:
        w->visible = true;
        if (isMain) {
            detail::TheBackend().SetVisible(true);
            if (s.minimized) {
                detail::TheBackend().Restore();
                e.type = BackendEvent::Type::Restore;
                detail::DeliverEvent(e);
            } else if (!s.active) {
                e.type = BackendEvent::Type::FocusGained;
                detail::DeliverEvent(e);
            }
            w->paintPending = true;
        }
        break;
    }
    return wasVisible;
}

BOOL UpdateWindow(HWND hwnd) {
    Window* w = Live(hwnd);
    if (!w) return FALSE;
    if (w->paintPending) SendMessage(w, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL) {
    Window* w = Live(hwnd);
    if (!w) return FALSE;
    w->paintPending = true;
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT*) {
    Window* w = Live(hwnd);
    if (!w) return FALSE;
    w->paintPending = false;
    return TRUE;
}

void* BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    Window* w = Live(hwnd);
    if (!w) return nullptr;
    if (paint) {
        paint->fErase = FALSE;
        paint->rcPaint = RECT{0, 0, w->width, w->height};
    }
    w->paintPending = false;
    return w;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT*) { return Live(hwnd) ? TRUE : FALSE; }

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    Window* w = Live(hwnd);
    if (!w || !rect) return FALSE;
    *rect = RECT{0, 0, w->width, w->height};
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    Window* w = Live(hwnd);
    if (!w || !rect) return FALSE;
    *rect = RECT{w->x, w->y, w->x + w->width, w->y + w->height};
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    Window* w = Live(hwnd);
    if (!w) return FALSE;
    bool isMain = hwnd == S().main;
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_TOPMOST) w->topmost = true;
        if (insertAfter == HWND_NOTOPMOST) w->topmost = false;
    }
    // A full-screen window covers the screen from its corner: moving it
    // (centring it in the work area, say) leaves it there.
    if (!(flags & SWP_NOMOVE) && !w->fullScreen && (x != w->x || y != w->y)) {
        w->x = x;
        w->y = y;
        if (isMain) detail::TheBackend().SetPosition(x, y);
        if (isMain) SetCursorClient(S().cursor);  // same client point, new screen point
        SendMessage(w, WM_MOVE, 0, MAKELPARAM(x, y));
    }
    if (!(flags & SWP_NOSIZE) && cx > 0 && cy > 0 && (cx != w->width || cy != w->height)) {
        w->width = cx;
        w->height = cy;
        if (isMain) detail::TheBackend().SetClientSize(cx, cy);
        SendMessage(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cx, cy));
    }
    if (flags & SWP_SHOWWINDOW) ShowWindow(w, (flags & SWP_NOACTIVATE) && S().active ? SW_SHOW : SW_SHOWNORMAL);
    if (flags & SWP_HIDEWINDOW) ShowWindow(w, SW_HIDE);
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    if (!SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE)) return FALSE;
    if (repaint) InvalidateRect(hwnd, nullptr, TRUE);
    return TRUE;
}

BOOL AdjustWindowRect(RECT* rect, DWORD, BOOL) { return rect ? TRUE : FALSE; }
BOOL AdjustWindowRectEx(RECT* rect, DWORD, BOOL, DWORD) { return rect ? TRUE : FALSE; }

LONG GetWindowLong(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtr(hwnd, index)); }

LONG SetWindowLong(HWND hwnd, int index, LONG value) {
    return static_cast<LONG>(SetWindowLongPtr(hwnd, index, index == GWL_USERDATA ? value : static_cast<DWORD>(value)));
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
    Window* w = Live(hwnd);
    if (!w) return 0;
    switch (index) {
    case GWL_STYLE: return static_cast<LONG>(w->style | (w->visible ? DWORD{WS_VISIBLE} : 0u) | (S().minimized && hwnd == S().main ? DWORD{WS_MINIMIZE} : 0u));
    case GWL_EXSTYLE: return static_cast<LONG>(w->exStyle | (w->topmost ? DWORD{WS_EX_TOPMOST} : 0u));
    case GWL_USERDATA: return w->userData;
    default: return 0;
    }
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
    Window* w = Live(hwnd);
    if (!w) return 0;
    LONG_PTR old = GetWindowLongPtr(hwnd, index);
    switch (index) {
    case GWL_STYLE: w->style = static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_MINIMIZE); break;
    case GWL_EXSTYLE: w->exStyle = static_cast<DWORD>(value) & ~WS_EX_TOPMOST; w->topmost = (value & WS_EX_TOPMOST) != 0; break;
    case GWL_USERDATA: w->userData = value; break;
    default: return 0;
    }
    return old;
}

BOOL SetWindowText(HWND hwnd, const char* text) {
    Window* w = Live(hwnd);
    if (!w) return FALSE;
    w->title = text ? text : "";
    if (hwnd == S().main) detail::TheBackend().SetTitle(w->title);
    return TRUE;
}

int GetWindowText(HWND hwnd, char* buffer, int size) {
    Window* w = Live(hwnd);
    if (!buffer || size <= 0) return 0;
    buffer[0] = '\0';
    if (!w) return 0;
    size_t n = std::min(w->title.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, w->title.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

BOOL IsIconic(HWND hwnd) { return Live(hwnd) && hwnd == S().main && S().minimized ? TRUE : FALSE; }

BOOL IsWindowVisible(HWND hwnd) {
    Window* w = Live(hwnd);
    return w && w->visible ? TRUE : FALSE;
}

HWND GetActiveWindow() { return S().active ? Live(S().main) : nullptr; }
HWND GetForegroundWindow() { return GetActiveWindow(); }

BOOL SetForegroundWindow(HWND hwnd) {
    State& s = S();
    if (!Live(hwnd) || hwnd != s.main) return FALSE;
    if (!s.active && !s.minimized) Activate(true, false);
    return TRUE;
}

BOOL SetFullScreen(HWND hwnd, BOOL fullScreen) {
    Window* w = Live(hwnd);
    if (!w) return FALSE;
    bool on = fullScreen != 0;
    if (w->fullScreen == on) return TRUE;
    w->fullScreen = on;
    if (hwnd == S().main) detail::TheBackend().SetFullScreen(on);
    if (on) {
        // The desktop-sized window starts at the desktop's corner.
        RECT desk = detail::TheBackend().DesktopRect();
        w->x = desk.left;
        w->y = desk.top;
    } else {
        RECT desk = detail::TheBackend().DesktopRect();
        w->x = desk.left + (desk.right - desk.left - w->width) / 2;
        w->y = desk.top + (desk.bottom - desk.top - w->height) / 2;
        if (hwnd == S().main) detail::TheBackend().SetPosition(w->x, w->y);
    }
    SendMessage(w, WM_MOVE, 0, MAKELPARAM(w->x, w->y));
    w->paintPending = true;
    return TRUE;
}

BOOL IsFullScreen(HWND hwnd) {
    Window* w = Live(hwnd);
    return w && w->fullScreen ? TRUE : FALSE;
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN: {
        RECT r = detail::TheBackend().DesktopRect();
        return r.right - r.left;
    }
    case SM_CYSCREEN: {
        RECT r = detail::TheBackend().DesktopRect();
        return r.bottom - r.top;
    }
    case SM_CXDOUBLECLK: return kDoubleClickWidth;
    case SM_CYDOUBLECLK: return kDoubleClickHeight;
    default: return 0;
    }
}

BOOL SystemParametersInfo(UINT action, UINT, void* data, UINT) {
    if (action != SPI_GETWORKAREA || !data) return FALSE;
    *static_cast<RECT*>(data) = detail::TheBackend().WorkArea();
    return TRUE;
}

void InjectEvent(const BackendEvent& event) { detail::DeliverEvent(event); }

void ResetWindowState() {
    State& s = S();
    {
        std::lock_guard lock(s.queueMutex);
        s.queue.clear();
        s.quitPosted = false;
        s.quitCode = 0;
    }
    s.timers.clear();
    ClearKeyState();
    s.toggled.fill(false);
    s.lastEventWasKeyDown = false;
    SetCursorClient(POINT{});
}

}  // namespace platform
