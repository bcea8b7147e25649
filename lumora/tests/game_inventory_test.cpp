// The inventory panel "PorteF": sliding in and out, eight objects and the
// arrows, taking and returning objects with the cursor, the "PORTEF" chunk.
#include <gtest/gtest.h>

#include "_FrameworkTestSupport.h"
#include "_GameTestSupport.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/game/XCursor.h"
#include "lumora/game/XInventoryPanel.h"
#include "lumora/shell/ChunkFile.h"
#include "platform/Platform.h"

using namespace platform;

namespace {

std::string Name(int n) { return "OBJ00" + std::to_string(n) + "P"; }

class GameInventory : public ::testing::Test {
protected:
    GameInventory() {
        for (int n = 1; n <= 9; ++n) {
            data.Picture(Name(n) + ".bmp", 51, 51, 0x100000u * static_cast<std::uint32_t>(n));
            data.Picture("OBJ00" + std::to_string(n) + "C.bmp", 32, 32, 0x000010u * static_cast<std::uint32_t>(n));
        }
        data.MediaTable("");
        data.Frame("PorteF",
                   "#VIE VIE.ViewID 1; VIE.ViewPosX 0; VIE.ViewPosY 420; VIE.ViewSizeX 640; VIE.ViewSizeY 60;\n$\n"
                   "#pov VIE.ViewID 200; VIE.ViewPosX 50; VIE.ViewPosY 420; VIE.ViewSizeX 540; VIE.ViewSizeY 60;"
                   " VIE.SuperView 1; VIE.MustClip 1;\n$\n"
                   "#pob VIE.ViewID 100; VIE.ViewPosX 600; VIE.ViewPosY 430; VIE.ViewSizeX 30; VIE.ViewSizeY 40;"
                   " VIE.SuperView 1;\n$\n"
                   "#pob VIE.ViewID 101; VIE.ViewPosX 10; VIE.ViewPosY 430; VIE.ViewSizeX 30; VIE.ViewSizeY 40;"
                   " VIE.SuperView 1;\n$\n");
        screen = std::make_unique<FrameworkScreen>(data);
        RegisterInventoryClasses(&screen->Manager());
        cursor = std::make_unique<XCursor>(screen->Window(), screen->Manager().GetDirectDraw(), screen->Target());
        panel = dynamic_cast<XInventoryPanel*>(screen->Manager().CreateFrame("PorteF", 0));
    }
    ~GameInventory() override { cursor.reset(); }

    int RootY() const {
        POINT p;
        panel->GetRootView()->GetPosition(&p);
        return p.y;
    }
    // Redraw passes until the slide stops; the number of passes.
    int SlideToRest() {
        int ticks = 0;
        while (panel->IsRunning() && ticks < 100) {
            screen->Manager().Redraw(1);
            ++ticks;
        }
        return ticks;
    }
    void Click(int x, int y) {
        screen->Send(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
        screen->Send(WM_LBUTTONUP, 0, x, y);
    }
    int ItemX(int index) const {
        POINT p;
        panel->GetStrip()->SubViewAt(index)->GetPosition(&p);
        return p.x;
    }

    FrameworkData data;
    ReportRecorder report;
    std::unique_ptr<FrameworkScreen> screen;
    std::unique_ptr<XCursor> cursor;
    XInventoryPanel* panel = nullptr;
};

}  // namespace

TEST_F(GameInventory, PanelSlidesFourPixelsATick) {
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(XInventoryPanel::Current(), panel);
    EXPECT_EQ(RootY(), 480);  // loaded hidden
    panel->Show();
    EXPECT_EQ(panel->GetSlideStep(), -4);
    screen->Manager().Redraw(1);
    EXPECT_EQ(RootY(), 476);
    EXPECT_EQ(SlideToRest(), 14);
    EXPECT_EQ(RootY(), 420);
    EXPECT_TRUE(panel->IsShown());
    panel->Hide();
    EXPECT_EQ(SlideToRest(), 15);
    EXPECT_EQ(RootY(), 480);

    // Space shows it; space while sliding turns it back.
    EXPECT_EQ(screen->Send(WM_KEYDOWN, VK_SPACE, 0, 0), 1);
    for (int i = 0; i < 5; ++i) screen->Manager().Redraw(1);
    EXPECT_EQ(RootY(), 460);
    screen->Send(WM_KEYDOWN, VK_SPACE, 0, 0);
    EXPECT_EQ(panel->GetSlideStep(), 4);
    EXPECT_EQ(SlideToRest(), 5);
    EXPECT_EQ(RootY(), 480);
    screen->Send(WM_KEYDOWN, VK_SPACE, 0, 0);
    SlideToRest();
    screen->Send(WM_KEYDOWN, VK_SPACE, 0, 0);  // shown: space hides
    SlideToRest();
    EXPECT_EQ(RootY(), 480);

    // Made active again, it stops and waits hidden.
    panel->Show();
    screen->Manager().Redraw(1);
    panel->SetActive(1);
    EXPECT_FALSE(panel->IsRunning());
    EXPECT_EQ(RootY(), 480);
}

TEST_F(GameInventory, EightObjectsScrollWithTheArrowsAndRemovalClosesTheGap) {
    ASSERT_NE(panel, nullptr);
    panel->Show();
    SlideToRest();
    for (int n = 1; n <= 8; ++n) panel->AddObject(Name(n).c_str());
    XInventoryStrip* strip = panel->GetStrip();
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->GetItemCount(), 8);
    EXPECT_EQ(ItemX(0), 156) << "the first object in the first slot, clear of the arrows";
    EXPECT_EQ(ItemX(7), 156 + 7 * 70);
    POINT p;
    strip->SubViewAt(0)->GetPosition(&p);
    EXPECT_EQ(p.y, 420 + 30 - 25);
    // Drawn in the strip, clipped to it.
    screen->Manager().Redraw(1);
    EXPECT_EQ(screen->Pixel(170, 450), screen->Value(0x100000));

    Click(610, 450);  // towards later objects
    EXPECT_EQ(strip->GetScrollPos(), -1);
    EXPECT_EQ(ItemX(0), 86);
    Click(610, 450);  // the eighth is in view: no further
    EXPECT_EQ(strip->GetScrollPos(), -1);
    Click(20, 450);   // back
    Click(20, 450);   // and no further than the first
    EXPECT_EQ(strip->GetScrollPos(), 0);
    EXPECT_EQ(ItemX(0), 156);

    EXPECT_TRUE(panel->HasObject("OBJ003P_another_name"));
    EXPECT_FALSE(panel->HasObject("OBJ009P"));
    EXPECT_TRUE(panel->RemoveObject("obj004p"));
    EXPECT_FALSE(panel->RemoveObject("OBJ004P"));
    EXPECT_EQ(strip->GetItemCount(), 7);
    EXPECT_EQ(ItemX(3), 156 + 3 * 70);  // the fifth moved into the gap
    EXPECT_EQ(strip->ItemNames()[3], Name(5));
    EXPECT_EQ(screen->Manager().GetCurrentFrame(), nullptr);
    EXPECT_EQ(panel->CountViews(), 4 + 7);
}

TEST_F(GameInventory, TakingAndReturningObjects) {
    ASSERT_NE(panel, nullptr);
    for (int n = 1; n <= 3; ++n) panel->AddObject(Name(n).c_str());
    panel->Show();
    SlideToRest();
    // Hovering an object shows the take cursor.
    screen->Send(WM_MOUSEMOVE, 0, 170, 450);
    EXPECT_EQ(cursor->GetIndex(), XInventoryStrip::kTakeCursor);
    EXPECT_TRUE(panel->IsUnderPointer());

    Click(240, 450);  // the second object
    EXPECT_EQ(cursor->GetMode(), XCursor::kModeObject);
    EXPECT_STREQ(cursor->GetName(), "OBJ002C");
    EXPECT_STREQ(cursor->GetObjectName(), "OBJ002P");
    EXPECT_FALSE(panel->HasObject("OBJ002P"));
    EXPECT_EQ(panel->GetStrip()->GetItemCount(), 2);
    EXPECT_EQ(panel->GetSlideStep(), 4);  // hiding
    SlideToRest();

    // Clicking another object while carrying one swaps them.
    panel->Show();
    SlideToRest();
    Click(170, 450);  // the first
    EXPECT_STREQ(cursor->GetName(), "OBJ001C");
    EXPECT_TRUE(panel->HasObject("OBJ002P"));
    EXPECT_FALSE(panel->HasObject("OBJ001P"));

    // Clicking the strip itself puts the carried object back.
    panel->Show();
    SlideToRest();
    Click(500, 450);
    EXPECT_EQ(cursor->GetMode(), XCursor::kModeTable);
    EXPECT_EQ(cursor->GetIndex(), 0);
    EXPECT_TRUE(panel->HasObject("OBJ001P"));
    EXPECT_EQ(panel->GetStrip()->ItemNames(), (std::vector<std::string>{"OBJ003P", "OBJ002P", "OBJ001P"}));
    EXPECT_FALSE(panel->IsShown());
    // Nothing carried: the strip's click does nothing.
    Click(500, 450);
    EXPECT_EQ(panel->GetStrip()->GetItemCount(), 3);
}

TEST_F(GameInventory, PorteFChunkRoundTripAndDamagedChunks) {
    ASSERT_NE(panel, nullptr);
    for (int n : {3, 1, 2}) panel->AddObject(Name(n).c_str());
    const std::string path = data.scratch.File("Gamesave.1");
    ASSERT_TRUE(WriteWith(path, [this](XChunkFile* f) { return panel->SaveState(f); }));
    EXPECT_EQ(data.scratch.Read("Gamesave.1").substr(0, 4), std::string("\x02\x00\x00\x00", 4));
    panel->Clear();
    panel->AddObject(Name(9).c_str());
    ASSERT_TRUE(ReadChunks(path, [this](XChunkFile* f) { return panel->LoadState(f); }));
    EXPECT_EQ(panel->GetStrip()->ItemNames(), (std::vector<std::string>{Name(3), Name(1), Name(2)}));
    EXPECT_EQ(ItemX(2), 156 + 2 * 70);

    // A count far beyond the names stored, and names without their NUL.
    std::string bytes("\xE7\x03\x00\x00", 4);
    bytes += std::string(30, 'A') + Name(5) + std::string(30 - Name(5).size(), '\0') + "tail";
    ASSERT_TRUE(WriteChunks(path, {{"PORTEF", bytes}, {"AFTER", std::string(300, 'B')}}));
    std::vector<std::string> names;
    ASSERT_TRUE(ReadChunks(path, [&names](XChunkFile* f) { return ReadInventoryChunk(f, &names); }));
    EXPECT_EQ(names, (std::vector<std::string>{std::string(29, 'A'), Name(5)}));

    // Without the chunk the strip is left empty.
    ASSERT_TRUE(WriteChunks(path, {{"OTHER", "x"}}));
    EXPECT_FALSE(ReadChunks(path, [this](XChunkFile* f) { return panel->LoadState(f); }));
    EXPECT_EQ(panel->GetStrip()->GetItemCount(), 0);
}
