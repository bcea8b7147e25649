// Scripted input: the line grammar, error reporting, and a small program
// driven by a script on the fixed clock.
#include "platform/Input.h"
#include "platform/Present.h"
#include "platform/Time.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

using namespace platform;
using T = BackendEvent::Type;

namespace {

TEST(InputScriptTest, GrammarCoversTimesCommandsAndComments) {
    InputScript s = ParseInputScript(
        "; comment line\n"
        "\n"
        "@250 key down VK_F1   ; trailing comment\n"
        "+50 key press escape\n"
        "#3 move 10 -20\n"
        "+2 click right 5 6\n"
        "#7 dblclick left\n"
        "#8 text Salut; toi\r\n"
        "#8 char 0x41\n"
        "#9 focus out\n"
        "#9 minimize\n"
        "#9 restore\n"
        "#9 close\n"
        "#10 quit\n"
        "#10 Lose Surfaces\n");
    EXPECT_TRUE(s.errors.empty()) << s.errors.front();
    ASSERT_EQ(s.events.size(), 19u);
    EXPECT_EQ(s.events[0].when, ScriptedEvent::When::Ms);
    EXPECT_EQ(s.events[0].at, 250u);
    EXPECT_EQ(s.events[0].event.vk, UINT{VK_F1});
    EXPECT_EQ(s.events[0].line, 3);
    // "press" is a down and an up, 50 ms after the line before.
    EXPECT_EQ(s.events[1].event.type, T::KeyDown);
    EXPECT_EQ(s.events[2].event.type, T::KeyUp);
    EXPECT_EQ(s.events[2].at, 300u);
    EXPECT_EQ(s.events[3].when, ScriptedEvent::When::Frame);
    EXPECT_EQ(s.events[3].event.y, -20);
    // click at a point: move, down, up; relative to frame 3.
    EXPECT_EQ(s.events[4].event.type, T::MouseMove);
    EXPECT_EQ(s.events[4].at, 5u);
    EXPECT_EQ(s.events[5].event.button, MouseButton::Right);
    EXPECT_EQ(s.events[6].event.type, T::ButtonUp);
    // A double click is two presses.
    for (int i = 7; i < 11; ++i) EXPECT_EQ(s.events[i].event.type, i % 2 ? T::ButtonDown : T::ButtonUp);
    EXPECT_EQ(s.events[11].event.text, "Salut; toi") << "text keeps the rest of its line";
    EXPECT_EQ(s.events[12].event.text, "A");
    EXPECT_EQ(s.events[13].event.type, T::FocusLost);
    EXPECT_EQ(s.events[16].event.type, T::Close);
    EXPECT_EQ(s.events[17].event.type, T::Quit);
    EXPECT_EQ(s.events[18].event.type, T::LoseSurfaces);
}

TEST(InputScriptTest, BadLinesAreReportedWithTheirNumberAndSkipped) {
    InputScript s = ParseInputScript(
        "#1 key down A\n"
        "soon key down A\n"
        "#2 key hold A\n"
        "#2 key down NOSUCHKEY\n"
        "#2 move 10\n"
        "#2 click sideways\n"
        "#2 jump\n"
        "#2 quit now\n"
        "#2 lose memory\n"
        "#3 key up A\n");
    ASSERT_EQ(s.errors.size(), 8u);
    for (size_t i = 0; i < s.errors.size(); ++i)
        EXPECT_EQ(s.errors[i].rfind(std::to_string(i + 2) + ": ", 0), 0u) << s.errors[i];
    ASSERT_EQ(s.events.size(), 2u);
    EXPECT_EQ(s.events[1].line, 10);
}

TEST(InputScriptTest, VirtualKeyNames) {
    UINT vk = 0;
    EXPECT_TRUE(ParseVirtualKey("a", vk));
    EXPECT_EQ(vk, UINT{'A'});
    EXPECT_TRUE(ParseVirtualKey("7", vk));
    EXPECT_EQ(vk, UINT{'7'});
    EXPECT_TRUE(ParseVirtualKey("27", vk));
    EXPECT_EQ(vk, UINT{VK_ESCAPE});
    EXPECT_TRUE(ParseVirtualKey("0x60", vk));
    EXPECT_EQ(vk, UINT{VK_NUMPAD0});
    EXPECT_TRUE(ParseVirtualKey("vk_numpad0", vk));
    EXPECT_EQ(vk, UINT{VK_NUMPAD0});
    EXPECT_TRUE(ParseVirtualKey("PageDown", vk));
    EXPECT_EQ(vk, UINT{VK_NEXT});
    EXPECT_TRUE(ParseVirtualKey("F12", vk));
    EXPECT_EQ(vk, UINT{VK_F12});
    EXPECT_FALSE(ParseVirtualKey("F13", vk));
    EXPECT_FALSE(ParseVirtualKey("256", vk));
    EXPECT_FALSE(ParseVirtualKey("%", vk));
}

// A small program: types into a line, counts clicks, ends on Escape.
struct Program {
    std::string typed;
    std::vector<POINT> clicks;
    int doubleClicks = 0;
    int closeRequests = 0;
};
Program* g_program = nullptr;

LRESULT ProgramProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CHAR: g_program->typed += static_cast<char>(wParam); return 0;
    case WM_LBUTTONDOWN: g_program->clicks.push_back(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_LBUTTONDBLCLK: ++g_program->doubleClicks; return 0;
    case WM_CLOSE: ++g_program->closeRequests; return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

// Runs the program's loop, one presented frame per pass; returns the frames
// presented before WM_QUIT, or -1 when it never came.
int RunProgram(Program& program, const std::function<void(int)>& eachFrame = {}) {
    g_program = &program;
    static bool registered = false;
    if (!registered) {
        WNDCLASS wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = ProgramProc;
        wc.lpszClassName = "ScriptedProgram";
        registered = RegisterClass(&wc) != 0;
    }
    HWND hwnd = CreateWindow("ScriptedProgram", "Scripted", 0, 0, 0, 640, 480);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    std::vector<std::uint16_t> frame(64 * 48);
    for (int frames = 0; frames < 500; ++frames) {
        if (eachFrame) eachFrame(frames);
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return frames;
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        Present(PixelView{frame.data(), 64, 48, 128, PixelFormat::RGB565});
    }
    DestroyWindow(hwnd);
    return -1;
}

class ScriptedProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetFixedClock(20);
        ResetWindowState();
    }
    void TearDown() override {
        SetInputScript({});
        ResetWindowState();
        SetFixedClock(0);
    }
};

TEST_F(ScriptedProgramTest, ScriptDrivesTheProgramAtItsFramesAndTimes) {
    SetInputScript(ParseInputScript(
        "#2 move 100 120\n"
        "+1 click left\n"
        "#4 text Bonjour\n"
        "#4 key press A\n"
        "#5 dblclick left 300 200\n"
        "#6 close\n"
        "@200 key press ESCAPE\n"));  // 200 ms at 20 ms a frame: frame 10
    Program program;
    int frames = RunProgram(program);
    EXPECT_EQ(frames, 10);
    EXPECT_EQ(program.typed, "Bonjoura");
    ASSERT_EQ(program.clicks.size(), 2u);
    EXPECT_EQ(program.clicks[0].x, 100) << "a click without a point acts where the pointer is";
    EXPECT_EQ(program.clicks[0].y, 120);
    EXPECT_EQ(program.clicks[1].x, 300);
    EXPECT_EQ(program.doubleClicks, 1);
    EXPECT_EQ(program.closeRequests, 1);
    EXPECT_EQ(PendingScriptedEvents(), 0u);
}

TEST_F(ScriptedProgramTest, ScriptFileWithABadLineStillPlays) {
    auto path = std::filesystem::temp_directory_path() / ("lumora_input_" + std::to_string(::getpid()) + ".txt");
    std::ofstream(path) << "; end after three frames\n#1 text ok\n#2 wibble\n#3 quit\n";
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(LoadInputScript(path.string()));
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(path.string() + ":3: unknown command"), std::string::npos) << err;
    Program program;
    EXPECT_EQ(RunProgram(program), 3);
    EXPECT_EQ(program.typed, "ok");
    std::filesystem::remove(path);

    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadInputScript(path.string()));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("cannot read"), std::string::npos);
}

TEST_F(ScriptedProgramTest, WaitLinesHoldForTheProgramsMarksAndTimesCountFromThem) {
    EXPECT_EQ(ParseInputScript("wait\nwait ;\n").errors.size(), 2u);
    AnnounceInputMark("scene U02.ZELT");  // before the script: does not count
    SetInputScript(ParseInputScript(
        "wait Scene U02.ZELT   ; the first announcement\n"
        "#2 text a\n"
        "+1 text b\n"
        "wait scene u02.zelt\n"  // a later announcement of the same mark
        "#0 text c\n"
        "+1 quit\n"));
    Program program;
    const int frames = RunProgram(program, [](int frame) {
        if (frame == 4 || frame == 9) AnnounceInputMark("SCENE u02.zelt");
        if (frame == 6) AnnounceInputMark("scene U03.ZELT");
    });
    EXPECT_EQ(frames, 10) << "c two frames after b would mean the second wait passed on the first mark";
    EXPECT_EQ(program.typed, "abc");
}

}  // namespace
