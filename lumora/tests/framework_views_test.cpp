// Views and behaviours: clipping, moving and scrolling subtrees, which
// behaviour answers suppress a view's own reaction, the pointer shapes the
// behaviours ask for, frame hooks, the skip-once flag and the sound manager's
// place among the manager's behaviours.
#include <gtest/gtest.h>

#include "_FrameworkTestSupport.h"
#include "lumora/framework/LBehaviors.h"
#include "lumora/framework/LCursorPort.h"
#include "lumora/framework/LFrame.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LView.h"
#include "platform/Platform.h"

using namespace platform;

namespace {

class PressView : public LView {
public:
    using LView::LView;
    void DoLButtonDown(POINT*, int*) override { ++presses; }
    int presses = 0;
};

int AlwaysHandled(int, void*, void*) { return 1; }

class RecordingPort : public LCursorPort {
public:
    int HasResourceCursor(int id) override { return id != 4242; }
    void SetResourceCursor(int id) override { shown.push_back(id); }
    int IsCursorLocked() override { return 0; }
    void SelectCursor(int index) override { selected.push_back(index); }
    std::vector<int> shown, selected;
};

// Stands in for the sound manager: records the manager-level events.
class EventLog : public LBehavior {
public:
    explicit EventLog(std::vector<int>* log, bool* deleted) : m_Log(log), m_Deleted(deleted) {}
    ~EventLog() override { *m_Deleted = true; }
    int HandleEvent(int type, void*, void*) override {
        m_Log->push_back(type);
        return 0;
    }

private:
    std::vector<int>* m_Log;
    bool* m_Deleted;
};

// A frame whose hook takes every press before its views.
class GreedyFrame : public LFrame {
public:
    using LFrame::LFrame;
    int PreLButtonDown(int, int) override {
        ++taken;
        return 1;
    }
    static int taken;
};
int GreedyFrame::taken = 0;

LFrame* MakeGreedy(const char* name) { return new GreedyFrame(name); }

class FrameworkViews : public ::testing::Test {
protected:
    FrameworkViews() {
        ResetWindowState();
        data.Picture("lit.bmp", 30, 12, 0xF8F8F8);
        data.MediaTable("lit;0;0;lit.bmp;;\n");
        data.Frame("sized", "#VIE VIE.ViewID 1; VIE.ViewSizeX 640; VIE.ViewSizeY 480;\n$\n"
                            "#VIE VIE.ViewID 2; VIE.ViewPosX 50; VIE.ViewPosY 60; VIE.SuperView 1;\n@HIL HIL.BitmapName lit;\n$\n"
                            "#VIE VIE.ViewID 3; VIE.ViewPosX 50; VIE.ViewPosY 90; VIE.ViewSizeX 20; VIE.ViewSizeY 20; VIE.SuperView 1;\n@HIG HIL.BitmapName lit; HIL.OffsetX 7;\n$\n"
                            "#VIE VIE.ViewID 4; VIE.ViewPosX 300; VIE.ViewPosY 300; VIE.ViewSizeX 40; VIE.ViewSizeY 40; VIE.SuperView 1;\n"
                            "@CUR CUR.CursorName 1010;\n@DRA DRA.MustReturn 1;\n$\n");
        screen = std::make_unique<FrameworkScreen>(data);
    }
    ~FrameworkViews() override { SetCursorPort(nullptr); }

    FrameworkData data;
    ReportRecorder report;
    std::unique_ptr<FrameworkScreen> screen;
};

}  // namespace

TEST_F(FrameworkViews, ClippingMovingAndScrollingFollowTheTree) {
    PressView root(1, RECT{0, 0, 200, 200}, 1, 1, 0, nullptr);
    auto* child = new PressView(2, RECT{150, 150, 250, 250}, 1, 0, 0, &root);
    auto* free = new PressView(3, RECT{150, 10, 250, 50}, 1, 0, 1, &root);
    auto* grandchild = new PressView(4, RECT{160, 160, 170, 170}, 1, 0, 0, child);
    RECT r;
    child->GetClipRect(&r);
    EXPECT_EQ(r.right, 200);
    EXPECT_EQ(r.bottom, 200);
    EXPECT_TRUE(child->HitTest(199, 199));
    EXPECT_FALSE(child->HitTest(210, 210));  // outside the clipping parent
    EXPECT_TRUE(free->HitTest(240, 20));     // ignores its parent's clip
    EXPECT_EQ(root.FindView(4), grandchild);
    EXPECT_EQ(grandchild->FindView(3), free);  // searched from the root
    EXPECT_EQ(root.FindView(9), nullptr);

    root.MoveBy(10, 5);
    POINT p;
    grandchild->GetPosition(&p);
    EXPECT_EQ(p.x, 170);
    EXPECT_EQ(p.y, 165);
    child->ScrollBy(-4, -8);
    child->GetPosition(&p);
    EXPECT_EQ(p.x, 160);  // the view stays
    grandchild->GetPosition(&p);
    EXPECT_EQ(p.x, 166);  // its children move
    child->GetContentOffset(&p);
    EXPECT_EQ(p.x, 146);  // it started at the view's place
    child->ScrollTo(150, 150);
    grandchild->GetPosition(&p);
    EXPECT_EQ(p.x, 170);
    root.RemoveSubView(child);  // deletes it and its child
    EXPECT_EQ(root.CountSubViews(), 0);
    EXPECT_EQ(root.FindView(4), nullptr);
}

TEST_F(FrameworkViews, HandledPressesSuppressTheViewsOwnReactionFrameLinksNever) {
    ASSERT_EQ(screen->InitResult(), 0);
    screen->Manager().GetScriptTable()->Register("Taken", &AlwaysHandled);
    PressView view(1, RECT{0, 0, 10, 10}, 1, 0, 0, nullptr);
    view.AddBehavior(new LFrameLinkBehavior("Elsewhere"));
    POINT p{1, 1};
    int keys = 0;
    view.OnLButtonDown(&p, &keys);
    EXPECT_EQ(view.presses, 1);
    EXPECT_STREQ(screen->Manager().GetPendingFrame(), "Elsewhere");
    auto* script = new LScriptBehavior("taken");
    view.AddBehavior(script);
    view.OnLButtonDown(&p, &keys);
    EXPECT_EQ(view.presses, 1);
    view.EnableBehaviors(0, MakeClassCode("@XYZ"));  // another code: nothing changes
    view.OnLButtonDown(&p, &keys);
    EXPECT_EQ(view.presses, 1);
    view.EnableBehaviors(0, kCodeAllBehaviors);
    view.OnLButtonDown(&p, &keys);
    EXPECT_EQ(view.presses, 2);
    EXPECT_EQ(view.CountBehaviors(), 1);
    // A behaviour deleted on its own leaves the hosts it was initialised with.
    script->Init();
    script->AttachTo(&view);
    delete script;
    EXPECT_EQ(view.CountBehaviors(), 0);
}

TEST_F(FrameworkViews, HighlightsSizeTheirViewsAndCursorBehavioursAskThePort) {
    RecordingPort port;
    SetCursorPort(&port);
    LFrame* f = screen->Manager().OpenFrame("sized");
    ASSERT_NE(f, nullptr);
    POINT size;
    f->FindViewById(2)->GetSize(&size);
    EXPECT_EQ(size.x, 30);  // "@HIL" gives its bitmap's size
    EXPECT_EQ(size.y, 12);
    f->FindViewById(3)->GetSize(&size);
    EXPECT_EQ(size.x, 20);  // "@HIG" does not

    screen->Manager().Redraw(1);
    screen->Send(WM_MOUSEMOVE, 0, 55, 95);
    screen->Fill(0);
    screen->Manager().Redraw(1);
    EXPECT_EQ(screen->Pixel(7, 0), screen->Value(0xF8F8F8));  // "@HIG" draws at its own place
    EXPECT_EQ(screen->CountNot(0), 30 * 12);

    screen->Send(WM_MOUSEMOVE, 0, 310, 310);
    EXPECT_EQ(port.shown, (std::vector<int>{1010, LDragBehavior::kCursorHand}));
    screen->Send(WM_LBUTTONDOWN, MK_LBUTTON, 310, 310);
    screen->Send(WM_MOUSEMOVE, MK_LBUTTON, 310, 310);
    EXPECT_EQ(port.shown.back(), LDragBehavior::kCursorGrab);
    screen->Send(WM_LBUTTONUP, 0, 400, 400);
}

TEST_F(FrameworkViews, FrameHooksAndTheSkipOnceFlag) {
    ASSERT_EQ(screen->InitResult(), 0);
    GreedyFrame::taken = 0;
    screen->Manager().RegisterFrameClass("SIZED", &MakeGreedy);
    LFrame* f = screen->Manager().OpenFrame("sized");
    ASSERT_NE(dynamic_cast<GreedyFrame*>(f), nullptr);
    EXPECT_EQ(screen->Send(WM_LBUTTONDOWN, MK_LBUTTON, 55, 65), 1);
    EXPECT_EQ(GreedyFrame::taken, 1);
    EXPECT_EQ(f->GetPressedView(), nullptr);  // the views never saw it

    LFrameManager::SetSkipOnce(1);
    EXPECT_EQ(screen->Send(WM_LBUTTONDOWN, MK_LBUTTON, 55, 65), 0);
    EXPECT_EQ(GreedyFrame::taken, 1);
    screen->Fill(0);
    screen->Manager().Redraw(1);  // skipped, and the flag goes
    EXPECT_EQ(LFrameManager::GetSkipOnce(), 0);
    EXPECT_EQ(screen->Send(WM_LBUTTONDOWN, MK_LBUTTON, 55, 65), 1);
    EXPECT_EQ(GreedyFrame::taken, 2);
}

TEST(FrameworkSoundHook, TheSoundManagerReceivesManagerEventsAndGoesWithTheManager) {
    FrameworkData data;
    data.MediaTable("");
    data.Frame("one", "#VIE VIE.ViewID 1; VIE.ViewSizeX 10; VIE.ViewSizeY 10;\n$\n");
    std::vector<int> log;
    bool deleted = false;
    LFrameManager::SetSoundManagerFactory([&](LFrameManager&) { return new EventLog(&log, &deleted); });
    {
        FrameworkScreen screen(data);
        LFrameManager::SetSoundManagerFactory({});
        ASSERT_EQ(screen.Manager().CountBehaviors(), 0);
        ASSERT_NE(screen.Manager().OpenFrame("one"), nullptr);
        screen.Manager().OfferMessage(screen.Window(), WM_KEYDOWN, VK_SPACE, 0);
        screen.Manager().OfferMessage(screen.Window(), WM_ACTIVATEAPP, 0, 0);
        screen.Manager().OfferMessage(screen.Window(), WM_ACTIVATE, MAKELPARAM(1, 1), 0);  // minimised
        screen.Manager().OfferMessage(screen.Window(), WM_ACTIVATE, 1, 0);
        screen.Manager().Redraw(0);
        EXPECT_EQ(log, (std::vector<int>{kEventMessage, kEventKey, kEventMessage, kEventAppInactive, kEventMessage,
                                         kEventAppInactive, kEventMessage, kEventAppActive, kEventBeforeTimers,
                                         kEventIdleDone}));
        EXPECT_FALSE(deleted);
    }
    EXPECT_TRUE(deleted);
}
