// Message translation, key state, activation, timers and coordinates, driven
// by synthetic backend events through the same path the real backends use.
#include "platform/Input.h"
#include "platform/Present.h"
#include "platform/Time.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace platform;

namespace {

struct Seen {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Seen> g_seen;
bool g_destroyOnClose = false;
int g_timerProcCalls = 0;

LRESULT CALLBACK_Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    g_seen.push_back(Seen{hwnd, message, wParam, lParam});
    switch (message) {
    case WM_CLOSE:
        if (g_destroyOnClose) DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(7);
        return 0;
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

void TimerProc(HWND, UINT, UINT_PTR, DWORD) { ++g_timerProcCalls; }

void AdvanceFrames(int n) {
    std::uint16_t pixel = 0;
    for (int i = 0; i < n; ++i) Present(PixelView{&pixel, 1, 1, 2, PixelFormat::RGB565});
}

BackendEvent Key(BackendEvent::Type type, UINT vk) {
    BackendEvent e;
    e.type = type;
    e.vk = vk;
    return e;
}

BackendEvent Mouse(BackendEvent::Type type, int x, int y, MouseButton b = MouseButton::Left) {
    BackendEvent e;
    e.type = type;
    e.x = x;
    e.y = y;
    e.button = b;
    return e;
}

BackendEvent Plain(BackendEvent::Type type) {
    BackendEvent e;
    e.type = type;
    return e;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetFixedClock(10);
        static bool registered = false;
        if (!registered) {
            WNDCLASS wc;
            wc.style = CS_DBLCLKS;
            wc.lpfnWndProc = CALLBACK_Proc;
            wc.lpszClassName = "LumoraTest";
            ASSERT_NE(RegisterClass(&wc), 0);
            WNDCLASS plain = wc;
            plain.style = 0;
            plain.lpszClassName = "LumoraPlain";
            ASSERT_NE(RegisterClass(&plain), 0);
            registered = true;
        }
        g_destroyOnClose = false;
        hwnd = CreateWindow("lumoratest", "Test", WS_OVERLAPPEDWINDOW, 100, 50, 640, 480);
        ASSERT_NE(hwnd, nullptr);
        ShowWindow(hwnd, SW_SHOWNORMAL);
        Pump();
        ResetWindowState();
        g_seen.clear();
    }

    void TearDown() override {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
        ResetWindowState();
        SetFixedClock(0);
    }

    // Every waiting message, translated and dispatched as a game loop does.
    void Pump() {
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quitCode = static_cast<int>(msg.wParam);
                break;
            }
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }

    std::vector<Seen> Only(std::initializer_list<UINT> messages) const {
        std::vector<Seen> r;
        for (const Seen& s : g_seen)
            for (UINT m : messages)
                if (s.message == m) r.push_back(s);
        return r;
    }

    HWND hwnd = nullptr;
    int quitCode = -1;
};

TEST_F(WindowTest, KeyMessagesCarryWindowsPacking) {
    InjectEvent(Key(BackendEvent::Type::KeyDown, VK_LEFT));
    EXPECT_EQ(GetAsyncKeyState(VK_LEFT) & 0x8000, 0x8000);
    BackendEvent again = Key(BackendEvent::Type::KeyDown, VK_LEFT);
    again.repeat = true;
    InjectEvent(again);
    InjectEvent(Key(BackendEvent::Type::KeyUp, VK_LEFT));
    EXPECT_EQ(GetAsyncKeyState(VK_LEFT) & 0x8000, 0);
    Pump();
    auto keys = Only({WM_KEYDOWN, WM_KEYUP});
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].message, UINT{WM_KEYDOWN});
    EXPECT_EQ(keys[0].wParam, WPARAM{VK_LEFT});
    // repeat 1, scan code 0x4B, extended, previous state up, transition down
    EXPECT_EQ(static_cast<DWORD>(keys[0].lParam), 0x014B0001u);
    EXPECT_EQ(static_cast<DWORD>(keys[1].lParam), 0x414B0001u);  // held: previous state down
    EXPECT_EQ(keys[2].message, UINT{WM_KEYUP});
    EXPECT_EQ(static_cast<DWORD>(keys[2].lParam), 0xC14B0001u);
}

TEST_F(WindowTest, SidedModifiersReportGenericKeyAndBothStates) {
    InjectEvent(Key(BackendEvent::Type::KeyDown, VK_RSHIFT));
    Pump();
    ASSERT_EQ(Only({WM_KEYDOWN}).size(), 1u);
    EXPECT_EQ(Only({WM_KEYDOWN})[0].wParam, WPARAM{VK_SHIFT});
    EXPECT_NE(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
    EXPECT_NE(GetAsyncKeyState(VK_RSHIFT) & 0x8000, 0);
    EXPECT_EQ(GetAsyncKeyState(VK_LSHIFT) & 0x8000, 0);
    InjectEvent(Key(BackendEvent::Type::KeyDown, VK_LSHIFT));
    InjectEvent(Key(BackendEvent::Type::KeyUp, VK_RSHIFT));
    EXPECT_NE(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0) << "left shift still holds it";
    InjectEvent(Key(BackendEvent::Type::KeyUp, VK_LSHIFT));
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
}

TEST_F(WindowTest, TranslateMessagePostsCharactersRightAfterTheKey) {
    InjectEvent(Key(BackendEvent::Type::KeyDown, 'A'));
    InjectEvent(Key(BackendEvent::Type::KeyUp, 'A'));
    InjectEvent(Key(BackendEvent::Type::KeyDown, VK_SHIFT));
    InjectEvent(Key(BackendEvent::Type::KeyDown, '1'));
    InjectEvent(Key(BackendEvent::Type::KeyUp, VK_SHIFT));
    InjectEvent(Key(BackendEvent::Type::KeyDown, VK_RETURN));
    Pump();
    auto seq = Only({WM_KEYDOWN, WM_KEYUP, WM_CHAR});
    ASSERT_EQ(seq.size(), 9u);
    EXPECT_EQ(seq[0].message, UINT{WM_KEYDOWN});
    EXPECT_EQ(seq[1].message, UINT{WM_CHAR});
    EXPECT_EQ(seq[1].wParam, WPARAM{'a'});
    EXPECT_EQ(seq[1].lParam, seq[0].lParam) << "WM_CHAR carries its key's lParam";
    EXPECT_EQ(seq[2].message, UINT{WM_KEYUP});
    EXPECT_EQ(seq[5].wParam, WPARAM{'!'});
    EXPECT_EQ(seq[8].wParam, WPARAM{'\r'});
}

TEST_F(WindowTest, TypedTextReplacesTheKeyboardGuessAndUnattachedTextStillArrives) {
    // A French key press: the host says it typed "é".
    InjectEvent(Key(BackendEvent::Type::KeyDown, '2'));
    BackendEvent text = Plain(BackendEvent::Type::Text);
    text.text = "\xC3\xA9";
    InjectEvent(text);
    Pump();
    auto chars = Only({WM_CHAR});
    ASSERT_EQ(chars.size(), 1u);
    EXPECT_EQ(chars[0].wParam, WPARAM{0xE9});
    g_seen.clear();
    // Text from an input method, with no key press before it; "œ" is 0x9C.
    InjectEvent(Key(BackendEvent::Type::KeyUp, '2'));
    text.text = "\xC5\x93";
    InjectEvent(text);
    MSG msg;
    std::vector<UINT> raw;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) raw.push_back(static_cast<UINT>(msg.wParam));
    ASSERT_EQ(raw.size(), 2u);
    EXPECT_EQ(raw[1], 0x9Cu);
}

TEST_F(WindowTest, ControlLettersAndAltKeys) {
    InjectEvent(Key(BackendEvent::Type::KeyDown, VK_CONTROL));
    InjectEvent(Key(BackendEvent::Type::KeyDown, 'C'));
    InjectEvent(Key(BackendEvent::Type::KeyUp, 'C'));
    InjectEvent(Key(BackendEvent::Type::KeyUp, VK_CONTROL));
    Pump();
    ASSERT_EQ(Only({WM_CHAR}).size(), 1u);
    EXPECT_EQ(Only({WM_CHAR})[0].wParam, WPARAM{3});
    g_seen.clear();
    InjectEvent(Key(BackendEvent::Type::KeyDown, VK_MENU));
    InjectEvent(Key(BackendEvent::Type::KeyDown, VK_F4));
    Pump();
    auto sys = Only({WM_SYSKEYDOWN});
    ASSERT_EQ(sys.size(), 2u);
    EXPECT_NE(sys[1].lParam & (1 << 29), 0) << "context bit: Alt is down";
    EXPECT_TRUE(Only({WM_KEYDOWN}).empty());
    EXPECT_EQ(Only({WM_CLOSE}).size(), 1u) << "Alt+F4 reaches WM_CLOSE through the default procedure";
    EXPECT_TRUE(IsWindow(hwnd)) << "this procedure does not destroy on WM_CLOSE";

    // Right Alt as AltGr: the host types '@', which is a character, not a
    // menu accelerator; Alt+X without text is a system character.
    g_seen.clear();
    InjectEvent(Key(BackendEvent::Type::KeyDown, '0'));
    BackendEvent at = Plain(BackendEvent::Type::Text);
    at.text = "@";
    InjectEvent(at);
    InjectEvent(Key(BackendEvent::Type::KeyDown, 'X'));
    Pump();
    ASSERT_EQ(Only({WM_CHAR}).size(), 1u);
    EXPECT_EQ(Only({WM_CHAR})[0].wParam, WPARAM{'@'});
    ASSERT_EQ(Only({WM_SYSCHAR}).size(), 1u);
    EXPECT_EQ(Only({WM_SYSCHAR})[0].wParam, WPARAM{'x'});
}

TEST_F(WindowTest, MouseMessagesUseClientCoordinatesAndFlags) {
    InjectEvent(Key(BackendEvent::Type::KeyDown, VK_SHIFT));
    InjectEvent(Mouse(BackendEvent::Type::MouseMove, 10, 20));
    InjectEvent(Mouse(BackendEvent::Type::MouseMove, 30, 40));  // merged with the previous move
    InjectEvent(Mouse(BackendEvent::Type::ButtonDown, 31, 41, MouseButton::Right));
    InjectEvent(Mouse(BackendEvent::Type::MouseMove, -5, 470));  // held button: delivered outside too
    InjectEvent(Mouse(BackendEvent::Type::ButtonUp, -5, 470, MouseButton::Right));
    InjectEvent(Mouse(BackendEvent::Type::ButtonDown, 700, 10));  // outside: nobody gets it
    Pump();
    auto mouse = Only({WM_MOUSEMOVE, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_LBUTTONDOWN});
    ASSERT_EQ(mouse.size(), 4u);
    EXPECT_EQ(mouse[0].message, UINT{WM_MOUSEMOVE});
    EXPECT_EQ(GET_X_LPARAM(mouse[0].lParam), 30);
    EXPECT_EQ(GET_Y_LPARAM(mouse[0].lParam), 40);
    EXPECT_EQ(mouse[0].wParam, WPARAM{MK_SHIFT});
    EXPECT_EQ(mouse[1].message, UINT{WM_RBUTTONDOWN});
    EXPECT_EQ(mouse[1].wParam, WPARAM{MK_SHIFT | MK_RBUTTON});
    EXPECT_EQ(GET_X_LPARAM(mouse[2].lParam), -5);
    EXPECT_EQ(mouse[2].wParam, WPARAM{MK_SHIFT | MK_RBUTTON});
    EXPECT_EQ(mouse[3].message, UINT{WM_RBUTTONUP});
    EXPECT_EQ(mouse[3].wParam, WPARAM{MK_SHIFT});
}

TEST_F(WindowTest, DoubleClicksFollowTimeDistanceAndClassStyle) {
    auto press = [](int x, int y) {
        InjectEvent(Mouse(BackendEvent::Type::ButtonDown, x, y));
        InjectEvent(Mouse(BackendEvent::Type::ButtonUp, x, y));
    };
    press(100, 100);
    press(102, 98);   // within 2 pixels and 500 ms: double click
    press(102, 98);   // a third press starts a new pair
    press(105, 98);   // 3 pixels away from the third: no pair
    AdvanceFrames(51);  // 510 ms later: too slow
    press(105, 98);
    AdvanceFrames(50);  // 500 ms: still a double click
    press(105, 98);
    Pump();
    std::vector<UINT> downs;
    for (const Seen& s : Only({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK})) downs.push_back(s.message);
    std::vector<UINT> expected{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN, WM_LBUTTONDOWN,
                               WM_LBUTTONDOWN, WM_LBUTTONDBLCLK};
    EXPECT_EQ(downs, expected);

    // A class without CS_DBLCLKS never gets double clicks.
    DestroyWindow(hwnd);
    hwnd = CreateWindow("LumoraPlain", "Plain", 0, 0, 0, 640, 480);
    ShowWindow(hwnd, SW_SHOW);
    g_seen.clear();
    press(10, 10);
    press(10, 10);
    Pump();
    EXPECT_EQ(Only({WM_LBUTTONDOWN}).size(), 2u);
    EXPECT_TRUE(Only({WM_LBUTTONDBLCLK}).empty());
}

TEST_F(WindowTest, ActivationMessagesAndKeyStateClearing) {
    InjectEvent(Key(BackendEvent::Type::KeyDown, VK_UP));
    InjectEvent(Mouse(BackendEvent::Type::ButtonDown, 5, 5));
    InjectEvent(Plain(BackendEvent::Type::FocusLost));
    EXPECT_EQ(GetAsyncKeyState(VK_UP) & 0x8000, 0) << "a key held while switching away is released";
    EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    InjectEvent(Plain(BackendEvent::Type::FocusLost));  // no second round of messages
    auto off = Only({WM_ACTIVATE, WM_ACTIVATEAPP});
    ASSERT_EQ(off.size(), 2u);
    EXPECT_EQ(off[0].message, UINT{WM_ACTIVATE});
    EXPECT_EQ(off[0].wParam, WPARAM{WA_INACTIVE});
    EXPECT_EQ(off[1].message, UINT{WM_ACTIVATEAPP});
    EXPECT_EQ(off[1].wParam, WPARAM{FALSE});

    g_seen.clear();
    InjectEvent(Plain(BackendEvent::Type::FocusGained));
    auto on = Only({WM_ACTIVATE, WM_ACTIVATEAPP});
    ASSERT_EQ(on.size(), 2u);
    EXPECT_EQ(on[0].message, UINT{WM_ACTIVATEAPP});
    EXPECT_EQ(on[0].wParam, WPARAM{TRUE});
    EXPECT_EQ(on[1].wParam, WPARAM{WA_ACTIVE});
    EXPECT_EQ(GetActiveWindow(), hwnd);

    g_seen.clear();
    InjectEvent(Plain(BackendEvent::Type::Minimize));
    EXPECT_TRUE(IsIconic(hwnd));
    auto minimised = Only({WM_ACTIVATE, WM_SIZE});
    ASSERT_EQ(minimised.size(), 2u);
    EXPECT_EQ(LOWORD(minimised[0].wParam), WA_INACTIVE);
    EXPECT_NE(HIWORD(minimised[0].wParam), 0) << "minimised flag in the high word";
    EXPECT_EQ(minimised[1].wParam, WPARAM{SIZE_MINIMIZED});
    InjectEvent(Plain(BackendEvent::Type::FocusGained));  // no activation while minimised
    EXPECT_EQ(GetActiveWindow(), nullptr);

    g_seen.clear();
    ShowWindow(hwnd, SW_RESTORE);
    EXPECT_FALSE(IsIconic(hwnd));
    EXPECT_EQ(GetActiveWindow(), hwnd);
    auto restored = Only({WM_SIZE, WM_ACTIVATE});
    ASSERT_EQ(restored.size(), 2u);
    EXPECT_EQ(restored[0].wParam, WPARAM{SIZE_RESTORED});
    EXPECT_EQ(restored[1].wParam, WPARAM{WA_ACTIVE});
}

TEST_F(WindowTest, CloseButtonGoesThroughWmCloseAndDestroyEndsTheLoop) {
    InjectEvent(Plain(BackendEvent::Type::Close));
    EXPECT_EQ(Only({WM_SYSCOMMAND}).size(), 1u);
    EXPECT_EQ(Only({WM_CLOSE}).size(), 1u);
    EXPECT_TRUE(IsWindow(hwnd)) << "closing is the procedure's choice";

    g_destroyOnClose = true;
    InjectEvent(Plain(BackendEvent::Type::Close));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(Only({WM_DESTROY}).size(), 1u);
    MSG msg;
    EXPECT_EQ(GetMessage(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, UINT{WM_QUIT});
    EXPECT_EQ(msg.wParam, WPARAM{7});
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) << "WM_QUIT is delivered once";
}

TEST_F(WindowTest, QueueOrderFiltersAndSend) {
    PostMessage(hwnd, WM_USER + 1, 1, 0);
    PostMessage(hwnd, WM_USER + 2, 2, 0);
    PostMessage(nullptr, WM_USER + 3, 3, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, UINT{WM_USER + 1});
    ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_USER + 2, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT{WM_USER + 2});
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT{WM_USER + 1});
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT{WM_USER + 3});
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(DispatchMessage(&msg), 0) << "a thread message has no procedure";
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));

    g_seen.clear();
    SendMessage(hwnd, WM_USER + 9, 4, 5);
    ASSERT_EQ(g_seen.size(), 1u) << "sent messages skip the queue";
    EXPECT_EQ(g_seen[0].wParam, WPARAM{4});
    EXPECT_FALSE(PostMessage(reinterpret_cast<HWND>(&g_seen), WM_USER, 0, 0)) << "unknown window";
}

TEST_F(WindowTest, PostFromAnotherThreadWakesGetMessage) {
    std::thread poster([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        PostMessage(hwnd, WM_USER + 5, 42, 0);
    });
    MSG msg;
    EXPECT_EQ(GetMessage(&msg, nullptr, 0, 0), TRUE);
    poster.join();
    EXPECT_EQ(msg.message, UINT{WM_USER + 5});
    EXPECT_EQ(msg.wParam, WPARAM{42});
}

TEST_F(WindowTest, WindowTimersFollowTheClockAndYieldToPostedMessages) {
    ASSERT_EQ(SetTimer(hwnd, 3, 50, nullptr), UINT_PTR{3});
    AdvanceFrames(4);  // 40 ms
    Pump();
    EXPECT_TRUE(Only({WM_TIMER}).empty());
    AdvanceFrames(30);  // 340 ms: many periods, one message
    PostMessage(hwnd, WM_USER, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT{WM_USER}) << "posted messages come before timers";
    Pump();
    auto timers = Only({WM_TIMER});
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].wParam, WPARAM{3});
    AdvanceFrames(5);
    EXPECT_TRUE(KillTimer(hwnd, 3));
    Pump();
    EXPECT_EQ(Only({WM_TIMER}).size(), 1u) << "a killed timer sends nothing more";
    EXPECT_FALSE(KillTimer(hwnd, 3));

    UINT_PTR id = SetTimer(nullptr, 0, 20, TimerProc);
    ASSERT_NE(id, 0u);
    g_timerProcCalls = 0;
    AdvanceFrames(2);
    Pump();
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
    EXPECT_EQ(g_timerProcCalls, 1) << "a timer procedure is called by DispatchMessage";
    KillTimer(nullptr, id);
}

TEST_F(WindowTest, TimersOfADestroyedWindowStop) {
    SetTimer(hwnd, 1, 10, nullptr);
    DestroyWindow(hwnd);
    AdvanceFrames(3);
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        EXPECT_NE(msg.message, UINT{WM_TIMER});
    }
}

TEST_F(WindowTest, ScreenAndClientCoordinates) {
    MoveWindow(hwnd, 200, 150, 640, 480, FALSE);
    EXPECT_EQ(Only({WM_MOVE}).size(), 1u);
    InjectEvent(Mouse(BackendEvent::Type::MouseMove, 33, 44));
    POINT p;
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, 233);
    EXPECT_EQ(p.y, 194);
    ASSERT_TRUE(ScreenToClient(hwnd, &p));
    EXPECT_EQ(p.x, 33);
    EXPECT_EQ(p.y, 44);
    ClientToScreen(hwnd, &p);
    EXPECT_EQ(p.x, 233);
    RECT r;
    GetClientRect(hwnd, &r);
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(r.bottom, 480);
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.bottom, 630);

    g_seen.clear();
    SetCursorPos(300, 250);
    Pump();
    auto moves = Only({WM_MOUSEMOVE});
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(GET_X_LPARAM(moves[0].lParam), 100);
    EXPECT_EQ(GET_Y_LPARAM(moves[0].lParam), 100);

    // Full screen: the window starts at the desktop's corner, client size kept.
    SetFullScreen(hwnd, TRUE);
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    GetClientRect(hwnd, &r);
    EXPECT_EQ(r.right, 640);
    // It stays there when the program centres it, so screen and client
    // points of the pointer agree.
    SetWindowPos(hwnd, nullptr, 192, 144, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    SetCursorPos(408, 280);
    POINT screen{};
    GetCursorPos(&screen);
    EXPECT_EQ(screen.x, 408);
    EXPECT_EQ(screen.y, 280);
}

TEST_F(WindowTest, ShowCursorCountsLikeWindows) {
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
}

}  // namespace

namespace {

// GetMessage must wake by itself for what only time brings: a window timer
// and a timed script event on the real clock. A watchdog posts a marker so
// a missed wake fails instead of hanging.
TEST_F(WindowTest, GetMessageWakesForTimersAndTimedScriptEvents) {
    SetFixedClock(0);
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 200 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!done) PostMessage(nullptr, WM_USER + 99, 0, 0);
    });
    SetTimer(hwnd, 5, 30, nullptr);
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT{WM_TIMER});
    KillTimer(hwnd, 5);

    SetInputScript(ParseInputScript("@40 key down F2\n"));
    do {
        ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
    } while (msg.message == WM_PAINT && ValidateRect(hwnd, nullptr));
    EXPECT_EQ(msg.message, UINT{WM_KEYDOWN});
    EXPECT_EQ(msg.wParam, WPARAM{VK_F2});
    done = true;
    watchdog.join();
    SetInputScript({});
}

}  // namespace

TEST_F(WindowTest, PumpMessagesDispatchesUntilQuit) {
    PostMessage(hwnd, WM_USER + 1, 1, 0);
    EXPECT_TRUE(PumpMessages());
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].message, UINT{WM_USER + 1});

    // The quit message comes after what was posted before it, and ends the pump once.
    PostQuitMessage(3);
    PostMessage(hwnd, WM_USER + 2, 2, 0);
    EXPECT_FALSE(PumpMessages());
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[1].message, UINT{WM_USER + 2});
    EXPECT_TRUE(PumpMessages());
}
