// The cursor manager: its picture table and hot spots, carried objects,
// animation on the fixed clock, the "CURSOR" chunk, and the game-cursor
// behaviour of the 2D views.
#include <gtest/gtest.h>

#include <algorithm>

#include "_FrameworkTestSupport.h"
#include "_GameTestSupport.h"
#include "lumora/framework/LFrame.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LView.h"
#include "lumora/game/XCursor.h"
#include "lumora/shell/ChunkFile.h"
#include "platform/Platform.h"

using namespace platform;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
const char* const kFiles[] = {"Cur_default.BMP", "CUR_WAIT.BMP",  "CUR_CLIC.BMP",  "CUR_VOICE.BMP", "CUR_TAKE.BMP",
                              "CUR_USE.BMP",     "LOUPEB.BMP",    "LOUPED.BMP",    "LOUPEDB.BMP",   "LOUPEDH.BMP",
                              "LOUPEG.BMP",      "LOUPEGB.BMP",   "LOUPEGH.BMP",   "LOUPEH.BMP"};

// Table picture n: a white 20 x 20 square with a coloured 10 x 10 block at
// (5, 5), whose colour tells the number.
std::uint32_t MarkColour(int n) { return 0x100000u * static_cast<std::uint32_t>(n + 1) + 0x40; }

class GameCursor : public ::testing::Test {
protected:
    GameCursor() {
        SetFixedClock(10);
        for (int n = 0; n < 14; ++n) {
            if (n == 3) continue;  // the voice picture is missing
            data.Picture(kFiles[n], 20, 20, [n](int x, int y) {
                return x >= 5 && x < 15 && y >= 5 && y < 15 ? MarkColour(n) : kWhite;
            });
        }
        data.Picture("OBJ001C_brush.bmp", 32, 32, 0x00FF00);
        data.Picture("OBJ002C.bmp", 32, 32, 0x0000FF);
        data.MediaTable("");
        data.Frame("hover", "#VIE VIE.ViewID 1; VIE.ViewPosX 10; VIE.ViewPosY 10; VIE.ViewSizeX 50; VIE.ViewSizeY 50;\n"
                            "@gcu GCU.CursorIndex 5;\n$\n");
        screen = std::make_unique<FrameworkScreen>(data);
        cursor = std::make_unique<XCursor>(screen->Window(), screen->Manager().GetDirectDraw(), screen->Target());
        cursor->LoadCursors();
    }
    ~GameCursor() override {
        cursor.reset();
        SetFixedClock(0);
    }
    // Puts the pointer at a client point and draws the cursor on a black screen.
    void DrawAt(int x, int y) {
        POINT p{x, y};
        ClientToScreen(screen->Window(), &p);
        SetCursorPos(p.x, p.y);
        screen->Fill(0);
        cursor->Draw();
    }

    FrameworkData data;
    ReportRecorder report;
    std::unique_ptr<FrameworkScreen> screen;
    std::unique_ptr<XCursor> cursor;
};

}  // namespace

TEST_F(GameCursor, TableKeepsItsNumbersAndDrawsAtTheHotSpot) {
    // The missing picture is reported and leaves its position empty.
    ASSERT_EQ(report.boxes.size(), 1u);
    EXPECT_NE(report.boxes[0].text.find("CUR_VOICE.BMP"), std::string::npos);
    EXPECT_EQ(cursor->GetCount(), 14);
    EXPECT_EQ(cursor->EntryAt(3).surface, nullptr);
    EXPECT_STREQ(cursor->EntryAt(4).file, "CUR_TAKE.BMP");
    EXPECT_EQ(cursor->GetMode(), XCursor::kModeNone);

    ASSERT_TRUE(cursor->Select(0, 2, 0));  // hot spot 9, 2
    EXPECT_STREQ(cursor->GetName(), "CUR_CLIC.BMP");
    DrawAt(100, 100);
    const RECT r = cursor->GetDrawRect();
    EXPECT_EQ(r.left, 91);
    EXPECT_EQ(r.top, 98);
    EXPECT_EQ(r.right, 111);
    EXPECT_EQ(r.bottom, 118);
    EXPECT_EQ(screen->Pixel(96, 103), screen->Value(MarkColour(2)));
    EXPECT_EQ(screen->CountNot(0), 100);  // white is transparent

    // Near the top-left corner the visible part is still drawn.
    DrawAt(3, 1);
    EXPECT_EQ(screen->Pixel(0, 4), screen->Value(MarkColour(2)));
    EXPECT_EQ(screen->CountNot(0), 9 * 10);
    // And at the far corner.
    DrawAt(639, 479);
    EXPECT_EQ(screen->CountNot(0), 0);  // the mark starts 5 pixels in, past the edge
    DrawAt(630, 470);
    EXPECT_EQ(screen->CountNot(0), 10 * 7);

    // The empty position draws nothing; numbers outside the table are refused.
    ASSERT_TRUE(cursor->Select(0, 3, 0));
    DrawAt(100, 100);
    EXPECT_EQ(screen->CountNot(0), 0);
    EXPECT_FALSE(cursor->Select(0, XCursor::kMaxCursors, 0));
    EXPECT_FALSE(cursor->Select(0, -1, 0));
    EXPECT_EQ(cursor->GetIndex(), 3);
    // Removing a picture keeps the others' numbers.
    cursor->RemoveCursor(5);
    EXPECT_STREQ(cursor->EntryAt(6).file, "LOUPEB.BMP");
    cursor->Select(0, 6, 0);
    DrawAt(100, 100);  // hot spot 10, 10
    EXPECT_EQ(screen->Pixel(95, 95), screen->Value(MarkColour(6)));

    // Disabled or suspended, nothing is drawn.
    cursor->SetEnabled(0, 0);
    DrawAt(100, 100);
    EXPECT_EQ(screen->CountNot(0), 0);
    cursor->SetEnabled(1, 0);
    cursor->Suspend(0, 0);
    DrawAt(100, 100);
    EXPECT_EQ(screen->CountNot(0), 0);
    cursor->Resume(0);
    DrawAt(100, 100);
    EXPECT_EQ(screen->CountNot(0), 100);
}

TEST_F(GameCursor, CarriedObjectIsDrawnSavedAndRestored) {
    cursor->Select(0, 0, 0);
    cursor->SetObjectCursor(1, "OBJ001C_brush.bmp", 0);
    EXPECT_EQ(cursor->GetMode(), XCursor::kModeObject);
    EXPECT_TRUE(cursor->IsBusy());
    EXPECT_STREQ(cursor->GetObjectName(), "OBJ001P_brush.bmp");
    DrawAt(200, 200);  // hot spot 16, 16; 32 x 32
    EXPECT_EQ(cursor->GetDrawRect().left, 184);
    EXPECT_EQ(cursor->GetDrawRect().bottom, 216);
    EXPECT_EQ(screen->Pixel(184, 184), screen->Value(0x00FF00));
    EXPECT_EQ(screen->CountNot(0), 32 * 32);

    // Selecting a table picture leaves the object; the same table picture
    // twice does nothing the second time.
    cursor->Select(0, 0, 0);
    EXPECT_EQ(cursor->GetMode(), XCursor::kModeTable);
    EXPECT_TRUE(cursor->Select(0, 0, 0));
    EXPECT_STREQ(cursor->GetName(), "Cur_default.BMP");

    // The object survives a temporary change; a second, different object
    // cannot be saved over it.
    cursor->SetObjectCursor(1, "OBJ001C_brush.bmp", 0);
    cursor->Suspend(1, 0);
    EXPECT_TRUE(cursor->IsSaved());
    cursor->SetObjectCursor(1, "OBJ002C", 0);
    cursor->SaveCursor();
    EXPECT_STREQ(cursor->GetSavedName(), "OBJ001C_brush.bmp");
    EXPECT_NE(std::find_if(report.debugLines.begin(), report.debugLines.end(),
                           [](const std::string& l) { return l.find("Error: Another cursor is saving...") != std::string::npos; }),
              report.debugLines.end());
    cursor->Resume(0);
    EXPECT_FALSE(cursor->IsSaved());
    EXPECT_STREQ(cursor->GetName(), "OBJ001C_brush.bmp");
    EXPECT_EQ(cursor->GetMode(), XCursor::kModeObject);

    // A name too short to carry the strip's "P" is kept as it is.
    cursor->SetObjectCursor(1, "OBJ2", 0);
    EXPECT_STREQ(cursor->GetObjectName(), "OBJ2");
}

TEST_F(GameCursor, AnimationRunsAtItsRateAndGivesBackTheObject) {
    EXPECT_EQ(cursor->AddAnimationStep(0, 7, nullptr), 1);
    EXPECT_EQ(cursor->AddAnimationStep(0, 8, nullptr), 1);
    EXPECT_EQ(cursor->AddAnimationStep(0, 9, nullptr), 1);
    for (int i = 3; i < XCursor::kMaxSteps; ++i) cursor->AddAnimationStep(0, 0, nullptr);
    EXPECT_EQ(cursor->AddAnimationStep(0, 1, nullptr), 0);  // the eleventh
    cursor->StopAnimation();
    for (int n : {7, 8, 9}) cursor->AddAnimationStep(0, n, nullptr);

    cursor->SetObjectCursor(1, "OBJ002C", 0);
    EXPECT_EQ(cursor->StartAnimation(0), 0);
    EXPECT_EQ(cursor->StartAnimation(-4), 0);
    EXPECT_EQ(cursor->GetMode(), XCursor::kModeObject);
    ASSERT_EQ(cursor->StartAnimation(4), 1);
    EXPECT_EQ(cursor->GetAnimationInterval(), 250);
    EXPECT_TRUE(cursor->IsAnimating());
    EXPECT_TRUE(cursor->IsSaved());
    std::vector<int> steps;
    for (int i = 0; i < 16; ++i) {
        DrawAt(100, 100);
        steps.push_back(cursor->GetAnimationStep());
        for (int t = 0; t < 5; ++t) detail::AdvanceClockOneFrame();  // 50 ms
    }
    // The first step at once, then one every 250 ms, round and round.
    EXPECT_EQ(steps, (std::vector<int>{0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 0}));
    EXPECT_EQ(screen->Pixel(95, 95), screen->Value(MarkColour(7)));  // hot spot 16, 16 of an animation

    cursor->StopAnimation();
    EXPECT_EQ(cursor->GetMode(), XCursor::kModeObject);
    EXPECT_STREQ(cursor->GetName(), "OBJ002C");
    // Without an object under it, the animation gives back the table picture.
    cursor->Select(0, 2, 0);
    cursor->AddAnimationStep(0, 7, nullptr);
    cursor->StartAnimation(10);
    cursor->StopAnimation();
    EXPECT_EQ(cursor->GetMode(), XCursor::kModeTable);
    DrawAt(100, 100);
    EXPECT_EQ(screen->Pixel(96, 103), screen->Value(MarkColour(2)));
}

TEST_F(GameCursor, CursorChunkRoundTripAndDamagedChunks) {
    const std::string path = data.scratch.File("Gamesave.1");
    cursor->SetObjectCursor(1, "OBJ001C_brush.bmp", 0);
    cursor->SaveCursor();
    ASSERT_TRUE(WriteWith(path, [this](XChunkFile* f) { return cursor->SaveState(f); }));
    XCursor other(screen->Window(), screen->Manager().GetDirectDraw(), screen->Target());
    ASSERT_TRUE(ReadChunks(path, [&other](XChunkFile* f) { return other.LoadState(f); }));
    EXPECT_TRUE(other.IsSaved());
    EXPECT_STREQ(other.GetSavedName(), "OBJ001C_brush.bmp");
    other.RestoreCursor(0);
    EXPECT_EQ(other.GetMode(), XCursor::kModeObject);
    EXPECT_STREQ(other.GetObjectName(), "OBJ001P_brush.bmp");

    // A file without the chunk keeps the current cursor.
    ASSERT_TRUE(WriteChunks(path, {{"OTHER", "x"}}));
    EXPECT_FALSE(ReadChunks(path, [this](XChunkFile* f) { return cursor->LoadState(f); }));
    EXPECT_TRUE(cursor->IsSaved());
    EXPECT_STREQ(cursor->GetSavedName(), "OBJ001C_brush.bmp");

    // A name without its NUL comes back cut and terminated; a short chunk is refused.
    ASSERT_TRUE(WriteChunks(path, {{"CURSOR", std::string(30, 'Z') + std::string("\x01\x00\x00\x00\x07\x00\x00\x00", 8)}}));
    XCursor::SavedState state;
    ASSERT_TRUE(ReadChunks(path, [&state](XChunkFile* f) { return ReadCursorChunk(f, &state); }));
    EXPECT_EQ(std::string(state.name), std::string(29, 'Z'));
    EXPECT_EQ(state.mode, 1);
    EXPECT_EQ(state.saved, 1);
    ASSERT_TRUE(WriteChunks(path, {{"CURSOR", "short"}}));
    EXPECT_FALSE(ReadChunks(path, [&state](XChunkFile* f) { return ReadCursorChunk(f, &state); }));
}

TEST_F(GameCursor, HoverCursorsFollowTheViewsUnlessAnObjectIsCarried) {
    ASSERT_NE(screen->Manager().OpenFrame("hover"), nullptr);
    cursor->Select(0, 0, 0);
    screen->Send(WM_MOUSEMOVE, 0, 20, 20);
    EXPECT_EQ(cursor->GetIndex(), 5);
    screen->Send(WM_MOUSEMOVE, 0, 200, 200);
    EXPECT_EQ(cursor->GetIndex(), 0);
    cursor->SetObjectCursor(1, "OBJ002C", 0);
    screen->Send(WM_MOUSEMOVE, 0, 20, 20);
    EXPECT_EQ(cursor->GetMode(), XCursor::kModeObject);
    EXPECT_STREQ(cursor->GetName(), "OBJ002C");
}
