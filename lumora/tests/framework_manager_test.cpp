// Frames and the frame manager: hover highlights, frame links at the idle
// pass, drags, timers, the update region and the queued closes.
#include <gtest/gtest.h>

#include "_FrameworkTestSupport.h"
#include "lumora/framework/LBehaviors.h"
#include "lumora/framework/LFrame.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LView.h"
#include "platform/Platform.h"

using namespace platform;

namespace {

constexpr std::uint32_t kBack = 0x406080, kButton = 0xF8F800, kLit = 0xF8F8F8, kBox = 0xF80000;

int g_Presses = 0, g_DoubleClicks = 0, g_Enters = 0;

int CountingHandler(int type, void*, void*) {
    if (type == kEventLButtonDown) ++g_Presses;
    if (type == kEventDoubleClick) ++g_DoubleClicks;
    if (type == kEventEnter) ++g_Enters;
    return type == kEventLButtonDown ? 1 : 0;
}

class CountingClient : public LTimerClient {
public:
    CountingClient(LTimerList* list, std::vector<int>* order, int id) : LTimerClient(1, list), m_Order(order), m_Id(id) {}
    void OnTick() override { m_Order->push_back(m_Id); }

private:
    std::vector<int>* m_Order;
    int m_Id;
};

class FrameworkManager : public ::testing::Test {
protected:
    FrameworkManager() {
        ResetWindowState();
        g_Presses = g_DoubleClicks = g_Enters = 0;
        data.Picture("back.bmp", 640, 480, kBack);
        data.Picture("button.bmp", 100, 40, kButton);
        data.Picture("lit.bmp", 100, 40, kLit);
        data.Picture("box.bmp", 20, 20, kBox);
        data.MediaTable("back;0;0;back.bmp;;\nbutton;0;0;button.bmp;;\nlit;0;0;lit.bmp;;\nbox;0;0;box.bmp;;\n");
        data.Frame("menu",
                   "#BIT VIE.ViewID 1; BIT.BitmapName back;\n$\n"
                   "#BIT VIE.ViewID 2; VIE.ViewPosX 100; VIE.ViewPosY 100; VIE.SuperView 1; BIT.BitmapName button;\n"
                   "@HIL HIL.BitmapName lit;\n@FRA FRA.FrameName other;\n$\n"
                   "#BIT VIE.ViewID 3; VIE.ViewPosX 300; VIE.ViewPosY 300; VIE.SuperView 1; BIT.BitmapName box;\n"
                   "@DRA DRA.MustReturn 0;\n$\n"
                   "#BIT VIE.ViewID 4; VIE.ViewPosX 500; VIE.ViewPosY 300; VIE.SuperView 1; BIT.BitmapName box;\n"
                   "@DRA DRA.MustReturn 1;\n$\n");
        data.Frame("other", "#BIT VIE.ViewID 1; BIT.BitmapName box; VIE.ViewSizeX 640; VIE.ViewSizeY 480;\n$\n");
        data.Frame("overlay", "#VIE VIE.ViewID 1; VIE.ViewPosX 400; VIE.ViewPosY 100; VIE.ViewSizeX 50; VIE.ViewSizeY 50;\n"
                              "@SCR SCR.ScriptName Count;\n$\n");
        screen = std::make_unique<FrameworkScreen>(data);
        screen->Manager().GetScriptTable()->Register("count", &CountingHandler);
    }
    ~FrameworkManager() override { SetFixedClock(0); }

    LFrameManager& fm() { return screen->Manager(); }
    void PointerAt(int x, int y) {
        POINT p{x, y};
        ClientToScreen(screen->Window(), &p);
        SetCursorPos(p.x, p.y);
    }
    LView* View(int id) { return fm().GetCurrentFrame()->FindViewById(id); }

    FrameworkData data;
    ReportRecorder report;
    std::unique_ptr<FrameworkScreen> screen;
};

}  // namespace

TEST_F(FrameworkManager, HoverLightsTheButtonAndLeavingRestoresIt) {
    ASSERT_NE(fm().OpenFrame("menu"), nullptr);
    fm().Redraw(1);
    const std::uint16_t back = screen->Value(kBack), button = screen->Value(kButton), lit = screen->Value(kLit);
    EXPECT_EQ(screen->Pixel(150, 120), button);
    EXPECT_EQ(screen->Pixel(50, 50), back);
    EXPECT_EQ(screen->Send(WM_MOUSEMOVE, 0, 150, 120), 1);
    fm().Redraw(0);
    // Shown and dumped: the presented frame has the lit button.
    fm().ShowDrawTarget();
    std::vector<std::uint8_t> storage;
    PixelView shown;
    ASSERT_TRUE(GrabLastFrame(storage, shown));
    auto shownPixel = [&](int x, int y) {
        return reinterpret_cast<const std::uint16_t*>(storage.data() + y * shown.pitch)[x];
    };
    EXPECT_EQ(shownPixel(150, 120), lit);
    EXPECT_EQ(shownPixel(99, 120), back);
    EXPECT_EQ(fm().GetCurrentFrame()->GetHoverView(), View(2));
    // Away from it: the plain button is back.
    EXPECT_EQ(screen->Send(WM_MOUSEMOVE, 0, 20, 20), 1);  // the root view is under the pointer now
    fm().Redraw(0);
    fm().ShowDrawTarget();
    ASSERT_TRUE(GrabLastFrame(storage, shown));
    EXPECT_EQ(shownPixel(150, 120), button);
    EXPECT_EQ(fm().GetCurrentFrame()->GetHoverView(), View(1));
    // A frame made inactive under the pointer lets its hover view go.
    screen->Send(WM_MOUSEMOVE, 0, 150, 120);
    fm().GetCurrentFrame()->SetActive(0);
    EXPECT_EQ(fm().GetCurrentFrame()->GetHoverView(), nullptr);
    auto* highlight = dynamic_cast<LHighlightBehavior*>(View(2)->BehaviorAt(0));
    ASSERT_NE(highlight, nullptr);
    EXPECT_EQ(highlight->IsLit(), 0);
}

TEST_F(FrameworkManager, UpdateRegionRedrawsOnlyWhatChanged) {
    ASSERT_NE(fm().OpenFrame("menu"), nullptr);
    fm().Redraw(1);
    const std::uint16_t sentinel = 0x1234;
    screen->Fill(sentinel);
    fm().Redraw(0);  // nothing dirty: nothing written
    EXPECT_EQ(screen->CountNot(sentinel), 0);
    View(2)->Invalidate();
    fm().Redraw(0);
    EXPECT_EQ(screen->CountNot(sentinel), 100 * 40);
    EXPECT_EQ(screen->Pixel(100, 100), screen->Value(kButton));
    screen->Fill(sentinel);
    fm().Redraw(1);  // a full pass writes everything
    EXPECT_EQ(screen->CountNot(sentinel), 640 * 480);
    // Region arithmetic: a union grows, a covering validate empties.
    LUpdateRegion* region = fm().GetUpdateRegion();
    RECT a{10, 10, 20, 20}, b{30, 5, 40, 15}, top{0, 0, 640, 12};
    region->Invalidate(&a);
    region->Invalidate(&b);
    EXPECT_EQ(region->GetDirty().left, 10);
    EXPECT_EQ(region->GetDirty().top, 5);
    EXPECT_EQ(region->GetDirty().right, 40);
    region->Validate(&top);
    EXPECT_EQ(region->GetDirty().top, 12);
    region->Validate(nullptr);
    EXPECT_TRUE(region->IsEmpty());
}

TEST_F(FrameworkManager, FrameLinkSwitchesOnlyAtTheNextIdlePass) {
    LFrame* menu = fm().OpenFrame("menu");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(fm().CountFrames(), 1);
    EXPECT_EQ(screen->Send(WM_LBUTTONDOWN, MK_LBUTTON, 150, 120), 1);
    EXPECT_EQ(fm().GetCurrentFrame(), menu);
    EXPECT_STREQ(fm().GetPendingFrame(), "other");
    fm().Redraw(1);
    ASSERT_NE(fm().GetCurrentFrame(), nullptr);
    EXPECT_STREQ(fm().GetCurrentFrame()->GetName(), "other");
    EXPECT_EQ(fm().CountFrames(), 1);  // the old screen went in the same pass
    fm().Redraw(1);                    // and the new one is drawn at the next
    EXPECT_EQ(screen->Pixel(5, 5), screen->Value(kBox));
    // A frame that cannot be opened leaves the current one in place.
    LFrame* other = fm().GetCurrentFrame();
    EXPECT_EQ(fm().OpenFrame("nowhere"), nullptr);
    EXPECT_EQ(fm().GetCurrentFrame(), other);
    EXPECT_EQ(fm().CountFrames(), 1);
}

TEST_F(FrameworkManager, DragMovesTheViewAndMustReturnPutsItBack) {
    ASSERT_NE(fm().OpenFrame("menu"), nullptr);
    fm().Redraw(1);
    screen->Send(WM_LBUTTONDOWN, MK_LBUTTON, 305, 306);
    screen->Send(WM_MOUSEMOVE, MK_LBUTTON, 305, 306);  // drag start
    EXPECT_EQ(View(3)->IsPressed(), 1);
    screen->Send(WM_MOUSEMOVE, MK_LBUTTON, 405, 356);
    screen->Send(WM_LBUTTONUP, 0, 415, 366);
    EXPECT_EQ(View(3)->IsPressed(), 0);
    POINT p;
    View(3)->GetPosition(&p);
    EXPECT_EQ(p.x, 410);
    EXPECT_EQ(p.y, 360);
    fm().Redraw(0);  // the old place shows the background again, the new one the box
    EXPECT_EQ(screen->Pixel(305, 305), screen->Value(kBack));
    EXPECT_EQ(screen->Pixel(415, 365), screen->Value(kBox));

    screen->Send(WM_LBUTTONDOWN, MK_LBUTTON, 505, 305);
    screen->Send(WM_MOUSEMOVE, MK_LBUTTON, 505, 305);
    screen->Send(WM_MOUSEMOVE, MK_LBUTTON, 100, 50);
    View(4)->GetPosition(&p);
    EXPECT_EQ(p.x, 95);  // grabbed 5 pixels inside its left edge
    // While the button is held, the 50 ms tick makes no pointer moves.
    PointerAt(150, 120);
    screen->Send(WM_TIMER, 0, 0, 0);
    EXPECT_NE(fm().GetCurrentFrame()->GetHoverView(), View(2));
    screen->Send(WM_LBUTTONUP, 0, 100, 50);
    View(4)->GetPosition(&p);
    EXPECT_EQ(p.x, 500);
    EXPECT_EQ(p.y, 300);
    screen->Send(WM_TIMER, 0, 0, 0);  // released: the tick follows the pointer again
    EXPECT_EQ(fm().GetCurrentFrame()->GetHoverView(), View(2));
}

TEST_F(FrameworkManager, TimersTickOnTheFixedClock) {
    ASSERT_NE(fm().OpenFrame("menu"), nullptr);
    std::vector<int> order;
    LTimerList* timers = fm().GetTimerList();
    const int before = timers->Count();
    auto* first = new CountingClient(timers, &order, 1);
    auto* second = new CountingClient(timers, &order, 2);
    EXPECT_EQ(timers->Count(), before + 2);
    fm().Redraw(0);
    EXPECT_EQ(order, (std::vector<int>{2, 1}));  // last first
    second->Stop();
    fm().Redraw(0);
    EXPECT_EQ(order, (std::vector<int>{2, 1, 1}));
    delete second;
    delete first;
    EXPECT_EQ(timers->Count(), before);

    // The 50 ms window timer comes due on the fixed clock and moves the
    // hover state to what lies under a still pointer.
    SetFixedClock(20);
    MSG msg;
    while (PeekMessage(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {}
    PointerAt(150, 120);
    for (int i = 0; i < 3; ++i) fm().ShowDrawTarget();
    ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
    fm().OfferMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    EXPECT_EQ(fm().GetCurrentFrame()->GetHoverView(), View(2));
}

TEST_F(FrameworkManager, ClicksGoToTheTopFrameFirstAndDoubleClicksPressOnce) {
    ASSERT_NE(fm().OpenFrame("menu"), nullptr);
    LFrame* overlay = fm().CreateFrame("overlay", 1);
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(fm().FrameAt(1), overlay);
    screen->Send(WM_LBUTTONDOWN, MK_LBUTTON, 410, 110);
    EXPECT_EQ(g_Presses, 1);
    EXPECT_EQ(fm().GetPendingFrame()[0], '\0');  // the menu below never saw it
    screen->Send(WM_LBUTTONDOWN, MK_LBUTTON, 150, 120);  // outside the overlay: the menu's button
    EXPECT_EQ(g_Presses, 1);
    EXPECT_STREQ(fm().GetPendingFrame(), "other");
    fm().RequestFrame("");
    screen->Send(WM_LBUTTONUP, 0, 410, 110);
    screen->Send(WM_LBUTTONDBLCLK, MK_LBUTTON, 410, 110);
    EXPECT_EQ(g_Presses, 2);
    EXPECT_EQ(g_DoubleClicks, 1);
    // The overlay's handler took the press: a later event still reaches it.
    screen->Send(WM_MOUSEMOVE, 0, 420, 120);
    EXPECT_EQ(g_Enters, 1);
}

TEST_F(FrameworkManager, QueuedClosesAllHappenAndStalePointersAreSkipped) {
    LFrame* menu = fm().OpenFrame("menu");
    LFrame* a = fm().CreateFrame("overlay", 5);
    LFrame* b = fm().CreateFrame("other", 5);
    ASSERT_TRUE(menu && a && b);
    EXPECT_EQ(fm().CountFrames(), 3);
    fm().RequestClose(a);
    fm().RequestClose(b);
    fm().CloseFrame(a);  // gone before the idle pass: its pending close is dropped
    EXPECT_EQ(fm().CountFrames(), 2);
    fm().Redraw(0);
    EXPECT_EQ(fm().CountFrames(), 1);
    EXPECT_EQ(fm().FrameAt(0), menu);
    // Two screen switches before one idle pass: every replaced frame goes.
    fm().OpenFrame("other");
    fm().OpenFrame("overlay");
    EXPECT_EQ(fm().CountFrames(), 1);
    fm().Redraw(0);
    EXPECT_EQ(fm().CountFrames(), 1);
    EXPECT_STREQ(fm().GetCurrentFrame()->GetName(), "overlay");
    EXPECT_FALSE(fm().IsKnownFrame(menu));
    fm().RequestClose(nullptr);
    fm().Redraw(0);
    EXPECT_EQ(fm().CountFrames(), 0);
    EXPECT_EQ(fm().GetCurrentFrame(), nullptr);
}
