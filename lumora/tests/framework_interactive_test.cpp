// The interactive views and behaviours on a real frame manager: the
// magnifier's edge scrolling, scroll-list and slider input, the animation
// behaviour on the fixed clock, tiled media.
#include <gtest/gtest.h>

#include <vector>

#include "_FrameworkTestSupport.h"
#include "lumora/framework/LAnimationBehavior.h"
#include "lumora/framework/LCursorPort.h"
#include "lumora/framework/LFrame.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LLoupeView.h"
#include "lumora/framework/LScrollView.h"
#include "lumora/framework/LSliderView.h"
#include "lumora/framework/LTiledMedia.h"
#include "platform/Platform.h"

using namespace platform;

namespace {

// Remembers the game cursors the views select.
class RecordingPort : public LCursorPort {
public:
    RecordingPort() { SetCursorPort(this); }
    ~RecordingPort() override { SetCursorPort(nullptr); }
    int HasResourceCursor(int) override { return 0; }
    void SetResourceCursor(int) override {}
    int IsCursorLocked() override { return 0; }
    void SelectCursor(int index) override { selected.push_back(index); }
    std::vector<int> selected;
};

// Moves the fixed clock (10 ms a step) on by ms.
void Advance(DWORD ms) {
    for (DWORD i = 0; i < ms / 10; ++i) detail::AdvanceClockOneFrame();
}

std::uint32_t Gradient(int x, int y) { return static_cast<std::uint32_t>(((x & 0xFF) << 16) | ((y & 0xFF) << 8) | 0x40); }

class FrameworkInteractive : public ::testing::Test {
protected:
    FrameworkInteractive() {
        SetFixedClock(10);
        data.Picture("big.bmp", 400, 300, Gradient);
        data.Picture("small.bmp", 100, 50, 0x00FF00);
        // Ten-pixel lines, each a different shade of red.
        data.Picture("list.bmp", 100, 300, [](int, int y) { return static_cast<std::uint32_t>((y / 10) * 8) << 16; });
        data.Picture("long.bmp", 20, 2000, 0x0000FF);
        data.Picture("bar.bmp", 12, 100, 0x808080);
        data.Picture("thumb.bmp", 12, 10, 0xFFFFFF);
        data.Picture("knob.bmp", 8, 20, 0xFFFF00);
        for (int i = 1; i <= 3; ++i) data.Picture("spin" + std::to_string(i) + ".bmp", 4, 4, 0x200000u * i);
        data.MediaTable("big;0;0;big.bmp;;\nlist;0;0;list.bmp;;\n");
    }
    ~FrameworkInteractive() override { SetFixedClock(0); }

    LFrame* Open(const char* name) {
        screen = std::make_unique<FrameworkScreen>(data);
        EXPECT_EQ(screen->InitResult(), 0);
        LFrame* f = screen->Manager().OpenFrame(name);
        EXPECT_NE(f, nullptr) << name;
        return f;
    }
    void Move(int x, int y) { screen->Send(WM_MOUSEMOVE, 0, x, y); }
    void Click(int x, int y) {
        screen->Send(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
        screen->Send(WM_LBUTTONUP, 0, x, y);
    }
    // Press at the first point, drag through the others, release at the last.
    void Drag(const std::vector<POINT>& path) {
        screen->Send(WM_LBUTTONDOWN, MK_LBUTTON, path.front().x, path.front().y);
        for (const POINT& p : path) screen->Send(WM_MOUSEMOVE, MK_LBUTTON, p.x, p.y);
        screen->Send(WM_LBUTTONUP, 0, path.back().x, path.back().y);
    }

    FrameworkData data;
    ReportRecorder report;
    std::unique_ptr<FrameworkScreen> screen;
};

}  // namespace

TEST_F(FrameworkInteractive, LoupeScrollsAtItsEdgesWithinThePictureAndShowsTheDirection) {
    data.Frame("loupe",
               "#LOP VIE.ViewID 1; VIE.ViewPosX 100; VIE.ViewPosY 100; VIE.ViewSizeX 200; VIE.ViewSizeY 150;"
               " BIT.BitmapName big; LOP.ScrollUnit 2; LOP.ScrollZone 50;\n$\n"
               "#LOP VIE.ViewID 2; VIE.ViewPosX 400; VIE.ViewPosY 300; VIE.ViewSizeX 200; VIE.ViewSizeY 150;"
               " BIT.BitmapName small.bmp; LOP.ScrollUnit 3;\n$\n");
    RecordingPort port;
    LFrame* frame = Open("loupe");
    ASSERT_NE(frame, nullptr);
    auto* loupe = dynamic_cast<LLoupeView*>(frame->FindViewById(1));
    auto* small = dynamic_cast<LLoupeView*>(frame->FindViewById(2));
    ASSERT_NE(loupe, nullptr);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->GetScrollZone(), 50);
    POINT offset;
    auto expectOffset = [&](LView* v, int x, int y) {
        v->GetContentOffset(&offset);
        EXPECT_EQ(offset.x, x);
        EXPECT_EQ(offset.y, y);
    };

    Move(200, 175);  // enters the view; moves inside it scroll
    Advance(100);
    Move(110, 175);  // left zone, 40 deep: speed 4, but the picture's left edge is showing
    expectOffset(loupe, 0, 0);
    EXPECT_EQ(port.selected.back(), LLoupeView::kCursorLeft);
    Advance(100);
    Move(290, 170);  // right zone, 40 deep: 2 x 4 pixels
    expectOffset(loupe, -8, 0);
    EXPECT_EQ(port.selected.back(), LLoupeView::kCursorRight);
    Advance(50);     // sooner than 80 ms after the last step: nothing
    Move(291, 170);
    expectOffset(loupe, -8, 0);
    Advance(100);
    Move(299, 249);  // bottom-right corner, 49 deep both ways: 2 x 4.9 truncated
    expectOffset(loupe, -17, -9);
    EXPECT_EQ(port.selected.back(), LLoupeView::kCursorRightDown);
    for (int i = 0; i < 40; ++i) {
        Advance(100);
        Move(299, 249);
    }
    expectOffset(loupe, 200 - 400, 150 - 300);  // the far corner of the picture, no further
    Advance(100);
    Move(101, 101);  // top-left corner
    expectOffset(loupe, -200 + 9, -150 + 9);
    EXPECT_EQ(port.selected.back(), LLoupeView::kCursorLeftUp);
    Advance(100);
    Move(200, 175);  // the middle: plain pointer, no scrolling
    EXPECT_EQ(port.selected.back(), 0);
    expectOffset(loupe, -191, -141);

    // The picture is drawn where it has scrolled to.
    screen->Manager().Redraw(1);
    EXPECT_EQ(screen->Pixel(100, 100), screen->Value(Gradient(191, 141)));

    // A picture smaller than its view never moves away from offset 0.
    Move(500, 375);
    for (POINT p : {POINT{401, 301}, POINT{599, 449}, POINT{401, 449}, POINT{599, 301}}) {
        Advance(100);
        Move(p.x, p.y);
        expectOffset(small, 0, 0);
    }
    EXPECT_EQ(port.selected.back(), LLoupeView::kCursorRightUp);
}

TEST_F(FrameworkInteractive, ScrollListArrowsTrackAndThumbDrag) {
    data.Frame("list",
               "#SCR VIE.ViewID 1; VIE.ViewPosX 50; VIE.ViewPosY 50; VIE.ViewSizeX 112; VIE.ViewSizeY 100;"
               " SCR.BitmapAsc bar.bmp; SCR.FlecheZoneY 10; SCR.FlecheZoneX 10; SCR.BitmapBoule thumb.bmp;"
               " SCR.BitmapScroll list; SCR.ScrollValue 10;\n$\n");
    LFrame* frame = Open("list");
    ASSERT_NE(frame, nullptr);
    auto* list = dynamic_cast<LScrollView*>(frame->FindViewById(1));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetMax(), 20);  // (300 - 100) / 10 lines
    const int bar = 155;            // inside the bar column (150 to 161)
    Click(bar, 52);                 // up arrow at the top: nothing
    EXPECT_EQ(list->GetPos(), 0);
    Click(bar, 145);                // down arrow
    EXPECT_EQ(list->GetPos(), 1);
    POINT offset;
    list->GetContentOffset(&offset);
    EXPECT_EQ(offset.y, -10);
    Click(bar, 120);                // track below the thumb: a page of 10 lines
    EXPECT_EQ(list->GetPos(), 11);
    Click(bar, 65);                 // track above the thumb
    EXPECT_EQ(list->GetPos(), 1);
    Click(100, 100);                // on the content, not the bar: nothing
    EXPECT_EQ(list->GetPos(), 1);
    // Keys are left to the other views of the screen (name entries).
    EXPECT_EQ(screen->Send(WM_KEYDOWN, VK_DOWN, 0, 0), 0);
    EXPECT_EQ(screen->Send(WM_KEYDOWN, VK_NEXT, 0, 0), 0);
    EXPECT_EQ(list->GetPos(), 1);

    // The thumb's centre is at 60 + 4 x pos; it follows the pointer in
    // steps of 4 pixels per line, rounding to the nearer line.
    EXPECT_EQ(list->ThumbCentreY(), 64);
    Drag({POINT{bar, 64}, POINT{bar, 80}, POINT{bar, 103}});
    EXPECT_EQ(list->GetPos(), 11);  // 43 pixels: 10 lines and 3 pixels, nearer to 11
    EXPECT_FALSE(list->IsDraggingThumb());
    Drag({POINT{bar, list->ThumbCentreY()}, POINT{bar, 90}, POINT{bar, 400}});
    EXPECT_EQ(list->GetPos(), 20);
    Drag({POINT{bar, list->ThumbCentreY() - 3}, POINT{bar, 90}, POINT{bar, -50}});  // above the down arrow
    EXPECT_EQ(list->GetPos(), 0);

    // Drawn: the content's line 0 at the top, the bar at the right edge, the
    // thumb at the top of the track.
    screen->Manager().Redraw(1);
    EXPECT_EQ(screen->Pixel(60, 55), screen->Value(0));
    Click(bar, 145);
    screen->Manager().Redraw(1);
    EXPECT_EQ(screen->Pixel(60, 55), screen->Value(8u << 16));  // line 1 now at the top
    EXPECT_EQ(screen->Pixel(bar, 140), screen->Value(0x808080));
    EXPECT_EQ(screen->Pixel(bar, 64), screen->Value(0xFFFFFF));
}

TEST_F(FrameworkInteractive, ScrollListEdgesNeverDivideByZero) {
    data.Frame("lists",
               // Fits its view: no bar, presses ignored.
               "#SCR VIE.ViewID 1; VIE.ViewPosX 0; VIE.ViewPosY 0; VIE.ViewSizeX 112; VIE.ViewSizeY 400;"
               " SCR.BitmapAsc bar.bmp; SCR.FlecheZoneY 10; SCR.FlecheZoneX 10; SCR.BitmapBoule thumb.bmp;"
               " SCR.BitmapScroll list; SCR.ScrollValue 10;\n$\n"
               // A line step of 0.
               "#SCR VIE.ViewID 2; VIE.ViewPosX 200; VIE.ViewPosY 0; VIE.ViewSizeX 112; VIE.ViewSizeY 100;"
               " SCR.BitmapAsc bar.bmp; SCR.FlecheZoneY 10; SCR.FlecheZoneX 10; SCR.BitmapBoule thumb.bmp;"
               " SCR.BitmapScroll list; SCR.ScrollValue 0;\n$\n"
               // 1900 lines over an 80-pixel track.
               "#SCR VIE.ViewID 3; VIE.ViewPosX 400; VIE.ViewPosY 0; VIE.ViewSizeX 32; VIE.ViewSizeY 100;"
               " SCR.BitmapAsc bar.bmp; SCR.FlecheZoneY 10; SCR.FlecheZoneX 10; SCR.BitmapBoule thumb.bmp;"
               " SCR.BitmapScroll long.bmp; SCR.ScrollValue 1;\n$\n");
    LFrame* frame = Open("lists");
    ASSERT_NE(frame, nullptr);
    auto* fits = dynamic_cast<LScrollView*>(frame->FindViewById(1));
    auto* flat = dynamic_cast<LScrollView*>(frame->FindViewById(2));
    auto* tall = dynamic_cast<LScrollView*>(frame->FindViewById(3));
    ASSERT_TRUE(fits && flat && tall);
    EXPECT_EQ(fits->GetMax(), 0);
    EXPECT_EQ(flat->GetMax(), 0);
    Click(105, 395);
    Click(305, 95);
    EXPECT_EQ(fits->GetPos(), 0);
    EXPECT_EQ(flat->GetPos(), 0);
    screen->Fill(0);
    screen->Manager().Redraw(1);
    EXPECT_EQ(screen->Pixel(105, 200), 0);  // no bar over the list that fits

    ASSERT_EQ(tall->GetMax(), 1900);
    Drag({POINT{425, 10}, POINT{425, 50}});  // half of the track
    EXPECT_EQ(tall->GetPos(), 950);
    POINT offset;
    tall->GetContentOffset(&offset);
    EXPECT_EQ(offset.y, -950);
}

TEST_F(FrameworkInteractive, SliderClicksDragsAndVolumeRoundTrip) {
    data.Frame("sliders",
               "#Vol VIE.ViewID 1; VIE.ViewPosX 300; VIE.ViewPosY 300; VIE.ViewSizeX 120; VIE.ViewSizeY 20;"
               " VOL.ButtonWidth 10; VOL.BitmapThumb knob.bmp;\n$\n"
               "#Vol VIE.ViewID 2; VIE.ViewPosX 0; VIE.ViewPosY 0; VIE.ViewSizeX 93; VIE.ViewSizeY 20;"
               " VOL.ButtonWidth 10; VOL.BitmapThumb knob.bmp;\n$\n"
               "#Vol VIE.ViewID 3; VIE.ViewPosX 0; VIE.ViewPosY 100; VIE.ViewSizeX 15; VIE.ViewSizeY 20;"
               " VOL.ButtonWidth 10; VOL.BitmapThumb knob.bmp;\n$\n"
               "#VoA VIE.ViewID 4; VIE.ViewPosX 0; VIE.ViewPosY 200; VIE.ViewSizeX 220; VIE.ViewSizeY 20;"
               " VOL.ButtonWidth 10; VOL.BitmapThumb knob.bmp;\n$\n"
               "#VoB VIE.ViewID 5; VIE.ViewPosX 0; VIE.ViewPosY 250; VIE.ViewSizeX 220; VIE.ViewSizeY 20;"
               " VOL.ButtonWidth 10; VOL.BitmapThumb knob.bmp;\n$\n");
    SetChannelVolumeQuery([](int channel) { return channel == 1 ? 40 : 85; });
    LFrame* frame = Open("sliders");
    SetChannelVolumeQuery(nullptr);
    ASSERT_NE(frame, nullptr);
    auto* slider = dynamic_cast<LSliderView*>(frame->FindViewById(1));
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->GetMax(), 100);
    Click(305, 310);  // minus at 0
    EXPECT_EQ(slider->GetPos(), 0);
    Click(415, 310);  // plus
    Click(415, 310);
    EXPECT_EQ(slider->GetPos(), 10);
    Click(350, 310);  // the bare track: nothing
    EXPECT_EQ(slider->GetPos(), 10);
    Drag({POINT{slider->ThumbCentreX() + 3, 310}, POINT{340, 310}, POINT{360, 310}});
    EXPECT_EQ(slider->GetPos(), 50);
    Drag({POINT{slider->ThumbCentreX() - 4, 310}, POINT{600, 310}});
    EXPECT_EQ(slider->GetPos(), 100);
    EXPECT_EQ(slider->GetVolume(), 100);
    Click(415, 310);  // plus at the maximum
    EXPECT_EQ(slider->GetPos(), 100);
    screen->Manager().Redraw(1);
    EXPECT_EQ(screen->Pixel(300 + 10 + 100, 305), screen->Value(0xFFFF00));  // the knob at its value

    // Every position gives a volume that leads back to it.
    auto* odd = dynamic_cast<LSliderView*>(frame->FindViewById(2));
    ASSERT_NE(odd, nullptr);
    ASSERT_EQ(odd->GetMax(), 73);
    for (int pos = 0; pos <= 73; ++pos) EXPECT_EQ(odd->VolumeToPos(odd->PosToVolume(pos)), pos) << pos;
    EXPECT_EQ(odd->PosToVolume(73), 100);

    // Narrower than its two zones: no room, no division.
    auto* narrow = dynamic_cast<LSliderView*>(frame->FindViewById(3));
    ASSERT_NE(narrow, nullptr);
    EXPECT_EQ(narrow->GetMax(), 0);
    Click(12, 110);
    Drag({POINT{10, 110}, POINT{14, 110}});
    EXPECT_EQ(narrow->GetPos(), 0);
    EXPECT_EQ(narrow->GetVolume(), 0);

    // The volume sliders start at their channels' volumes.
    auto* a = dynamic_cast<LVolumeSliderView*>(frame->FindViewById(4));
    auto* b = dynamic_cast<LVolumeSliderView*>(frame->FindViewById(5));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->GetPos(), 80);
    EXPECT_EQ(a->GetVolume(), 40);
    EXPECT_EQ(b->GetPos(), 170);
    EXPECT_EQ(b->GetVolume(), 85);
}

TEST_F(FrameworkInteractive, AnimationStepsAtItsDelayLoopingOrStopping) {
    data.Frame("anim",
               "#VIE VIE.ViewID 1; VIE.ViewPosX 10; VIE.ViewPosY 10; VIE.ViewSizeX 20; VIE.ViewSizeY 20;\n"
               "@ANI ANI.FrameCount 3; ANI.BaseName spin; ANI.Delay 100; ANI.Loop 1; ANI.OffsetX 2; ANI.OffsetY 3;\n$\n"
               "#VIE VIE.ViewID 2; VIE.ViewPosX 100; VIE.ViewPosY 10; VIE.ViewSizeX 20; VIE.ViewSizeY 20;\n"
               "@ANI ANI.FrameCount 3; ANI.BaseName spin; ANI.Delay 100; ANI.Loop 0;\n$\n"
               "#VIE VIE.ViewID 3; VIE.ViewPosX 200; VIE.ViewPosY 10; VIE.ViewSizeX 20; VIE.ViewSizeY 20;\n"
               "@ANI ANI.FrameCount 3; ANI.BaseName spin; ANI.Delay 100; ANI.Loop 1; ANI.HoverOnly 1;\n$\n");
    LFrame* frame = Open("anim");
    ASSERT_NE(frame, nullptr);
    auto anim = [&](int id) { return dynamic_cast<LAnimationBehavior*>(frame->FindViewById(id)->BehaviorAt(0)); };
    ASSERT_TRUE(anim(1) && anim(2) && anim(3));
    std::vector<int> looping, stopping, hover;
    // One redraw pass every 50 ms, eight times the delay.
    for (int pass = 0; pass < 16; ++pass) {
        Advance(50);
        screen->Manager().Redraw(1);
        looping.push_back(anim(1)->GetCurrentFrame());
        stopping.push_back(anim(2)->GetCurrentFrame());
        hover.push_back(anim(3)->GetCurrentFrame());
    }
    // A step when more than 100 ms have passed since the last one.
    EXPECT_EQ(looping, (std::vector<int>{1, 1, 1, 2, 2, 2, 3, 3, 3, 1, 1, 1, 2, 2, 2, 3}));
    EXPECT_EQ(stopping, (std::vector<int>{1, 1, 1, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}));
    EXPECT_EQ(hover, std::vector<int>(16, 0));  // waits for the pointer
    // The picture of the current step, at the view's corner plus the offset.
    EXPECT_EQ(screen->Pixel(12, 13), screen->Value(0x600000));
    EXPECT_EQ(screen->Pixel(100, 10), screen->Value(0x600000));

    Move(205, 15);
    EXPECT_TRUE(anim(3)->IsPlaying());
    Advance(50);
    screen->Manager().Redraw(1);
    EXPECT_EQ(anim(3)->GetCurrentFrame(), 1);
    Move(300, 300);
    EXPECT_FALSE(anim(3)->IsPlaying());
    for (int pass = 0; pass < 5; ++pass) {
        Advance(50);
        screen->Manager().Redraw(1);
    }
    EXPECT_EQ(anim(3)->GetCurrentFrame(), 1);
}

TEST_F(FrameworkInteractive, TiledMediumDrawsAcrossItsTiles) {
    data.Picture("tab1.bmp", 640, 480, 0xFF0000);
    data.Picture("tab2.bmp", 100, 480, 0x00FF00);
    data.Picture("tab3.bmp", 640, 50, 0x0000FF);
    data.Picture("tab4.bmp", 100, 50, 0xFFFFFF);
    data.MediaTable("tab;0;2,2;tab.bmp;;\nhole;0;2,1;hole.bmp;;\n");
    screen = std::make_unique<FrameworkScreen>(data);
    LMediaManager* media = screen->Manager().GetMediaManager();
    LMediumRef ref;
    auto* tab = dynamic_cast<LMultipleMediaObject*>(media->GetMedium("tab", &ref, 0));
    ASSERT_NE(tab, nullptr);
    RECT rect;
    ASSERT_TRUE(tab->GetRect(&ref, &rect));
    EXPECT_EQ(rect.right, 740);
    EXPECT_EQ(rect.bottom, 530);
    EXPECT_EQ(tab->TileName(3), "tab3.bmp");

    // The four corners meet at (40, 40) on the screen.
    tab->Draw(screen->Target(), RECT{600, 440, 700, 500}, 0, 0, nullptr, nullptr, &ref, kDrawCopy);
    EXPECT_EQ(screen->Pixel(39, 39), screen->Value(0xFF0000));
    EXPECT_EQ(screen->Pixel(40, 39), screen->Value(0x00FF00));
    EXPECT_EQ(screen->Pixel(39, 40), screen->Value(0x0000FF));
    EXPECT_EQ(screen->Pixel(99, 59), screen->Value(0xFFFFFF));
    EXPECT_EQ(screen->CountNot(0), 100 * 60);
    // Clipped at the screen's edge like any medium.
    screen->Fill(0);
    tab->Draw(screen->Target(), rect, -700, -500, nullptr, nullptr, &ref, kDrawCopy);
    EXPECT_EQ(screen->CountNot(0), 40 * 30);
    media->ReleaseMedium(&ref, 1);

    // Missing tiles are reported with the medium's name and draw nothing.
    LMediumRef holeRef;
    LMediaObject* hole = media->GetMedium("hole", &holeRef, 0);
    ASSERT_NE(hole, nullptr);
    ASSERT_EQ(report.boxes.size(), 2u);
    EXPECT_NE(report.boxes[0].text.find("hole.bmp"), std::string::npos);
    screen->Fill(0);
    hole->Draw(screen->Target(), RECT{0, 0, 100, 100}, 0, 0, nullptr, nullptr, &holeRef, kDrawCopy);
    EXPECT_EQ(screen->CountNot(0), 0);
}
