// Message table, numbered messages, debug log and the plain reporting calls.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdlib>
#include <regex>
#include <string>

#include "_ShellTestSupport.h"
#include "lumora/shell/DebugLog.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/MessageToUser.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/WinFormat.h"
#include "platform/Time.h"
#include "platform/Window.h"

namespace {

// Unchecked formatting, for the conversions a compiler check would refuse.
std::string Fmt(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = FormatWinTextV(format, args);
    va_end(args);
    return text;
}

class MessageTableTest : public ::testing::Test {
protected:
    void SetUp() override { SetMessageTableFolder(dir.Path().string()); }
    void TearDown() override { SetMessageTableFolder(""); }
    void Table(const std::string& text) { dir.Write("Message.txt", text); }

    ScratchDir dir;
};

TEST_F(MessageTableTest, MissingEmptyOrMalformedTableGivesEmptyText) {
    EXPECT_STREQ(GetMessageText(1), "");
    Table("");
    EXPECT_STREQ(GetMessageText(1), "");
    Table(std::string("\0\xff\x01;;;\n\n 1 x;", 13));
    EXPECT_STREQ(GetMessageText(1), "");
    Table("one Text;\n1Text;\n1\nText;");
    EXPECT_STREQ(GetMessageText(1), "");
}

TEST_F(MessageTableTest, NumberMatchesOnlyAtLineStartFollowedByBlankOrTab) {
    Table("111 A;\n11 B;\n");
    EXPECT_STREQ(GetMessageText(11), "B");
    EXPECT_STREQ(GetMessageText(111), "A");
    EXPECT_STREQ(GetMessageText(1), "");

    Table("x 5 Five;\n 6 Six;\n");
    EXPECT_STREQ(GetMessageText(5), "");
    EXPECT_STREQ(GetMessageText(6), "");
}

TEST_F(MessageTableTest, ExactlyOneSeparatorIsSkipped) {
    Table("12\tText;\n13  Two blanks;\n14 \tMixed;");
    EXPECT_STREQ(GetMessageText(12), "Text");
    EXPECT_STREQ(GetMessageText(13), " Two blanks");
    EXPECT_STREQ(GetMessageText(14), "\tMixed");
}

TEST_F(MessageTableTest, TextRunsToSemicolonAcrossLines) {
    Table("2 First\r\nsecond line;\r\n3 Three;");
    EXPECT_STREQ(GetMessageText(2), "First\nsecond line");
    EXPECT_STREQ(GetMessageText(3), "Three");
}

TEST_F(MessageTableTest, EntryWithoutSemicolonIsEmpty) {
    Table("1 One;\n7 Seven without end\n");
    EXPECT_STREQ(GetMessageText(7), "");
    EXPECT_STREQ(GetMessageText(1), "One");
}

TEST_F(MessageTableTest, FirstEntryWinsAndEntriesMayStandInAnyOrder) {
    Table("9 Nine;\n4 Four;\n9 Other nine;\n");
    EXPECT_STREQ(GetMessageText(9), "Nine");
    EXPECT_STREQ(GetMessageText(4), "Four");
}

TEST_F(MessageTableTest, TableIsReadAgainOnEveryLookupIntoOneBuffer) {
    Table("1 Old;");
    const char* first = GetMessageText(1);
    EXPECT_STREQ(first, "Old");
    Table("1 New;");
    const char* second = GetMessageText(1);
    EXPECT_STREQ(second, "New");
    EXPECT_EQ(first, second);
}

TEST_F(MessageTableTest, LongTextIsCutToTheBuffer) {
    Table("5 " + std::string(3 * kMessageTextMax, 'x') + ";");
    std::string text = GetMessageText(5);
    EXPECT_EQ(text.size(), kMessageTextMax - 1);
}

TEST(ShippedMessageTable, HoldsEveryNumberTheGameUses) {
    const char* bin = std::getenv("LUMORA_BIN");
    ASSERT_NE(bin, nullptr);
    SetMessageTableFolder(bin);
    for (int number : {1, 2, 3, 5, 6, 7, 8, 9, 13, 14, 20, 21, 22, 23, 25, 26, 27, 28, 29, 100, 101, 106, 201,
                       300, 301, 900, 950, 951, 1000, 1002, 1003, 1005, 1010, 1020, 1021, 1050, 1400}) {
        EXPECT_STRNE(GetMessageText(number), "") << "message " << number;
    }
    EXPECT_STREQ(GetMessageText(4242), "");
    SetMessageTableFolder("");
}

TEST(WinFormat, IntegerConversions) {
    EXPECT_EQ(FormatWinText("%d|%i|%u|%x|%X", -42, 7, 4000000000u, 255u, 0xABCu), "-42|7|4000000000|ff|ABC");
    EXPECT_EQ(FormatWinText("[%5d][%-5d][%05d][%05d]", 42, 42, 42, -42), "[   42][42   ][00042][-0042]");
    EXPECT_EQ(FormatWinText("[%.3d][%#x][%#X][%#x]", 7, 31u, 31u, 0u), "[007][0x1f][0X1F][0]");
    EXPECT_EQ(FormatWinText("%ld %lu %hd", -5L, 6UL, 70000), "-5 6 4464");
    EXPECT_EQ(Fmt("%I64d", -1234567890123LL), "-1234567890123");
}

TEST(WinFormat, TextConversionsAndLiterals) {
    EXPECT_EQ(FormatWinText("%s/%.2s/%5s/%-5s|", "abc", "abc", "ab", "ab"), "abc/ab/   ab/ab   |");
    EXPECT_EQ(Fmt("%s", static_cast<const char*>(nullptr)), "(null)");
    EXPECT_EQ(FormatWinText("%c%c 100%%", 'o', 'k'), "ok 100%");
    EXPECT_EQ(Fmt("%S|%ls", L"wide", L"\u00e9t\u00e9"), "wide|?t?");
}

TEST(WinFormat, NoFloatingPointConversions) {
    // The type character stands as text and no argument is taken.
    EXPECT_EQ(Fmt("%f %d", 5), "f 5");
    EXPECT_EQ(Fmt("%.2f|%e|%g"), "f|e|g");
}

TEST(WinFormat, OutputIsBounded) {
    std::string big(5000, 'a');
    EXPECT_EQ(FormatWinText("%s", big.c_str()).size(), kWinFormatMax);
    EXPECT_EQ(FormatWinText("%2000d", 1).size(), kWinFormatMax);
}

TEST(Reporting, DebugOutAppendsCrLfAndGoesToStderrOnlyWhenAsked) {
    ReportRecorder recorder;
    unsetenv("LUMORA_DEBUG");
    ::testing::internal::CaptureStderr();
    DebugOut("value %d", 3);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    setenv("LUMORA_DEBUG", "1", 1);
    ::testing::internal::CaptureStderr();
    DebugOut("value %d", 4);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "value 4\r\n");
    unsetenv("LUMORA_DEBUG");
    ASSERT_EQ(recorder.debugLines.size(), 2u);
    EXPECT_EQ(recorder.debugLines[0], "value 3\r\n");
    EXPECT_TRUE(recorder.boxes.empty());
}

TEST(Reporting, WarningAndAssertBoxes) {
    ReportRecorder recorder;
    WarningBox("Cannot open file %s", "a.bin");
    AssertBox("C:\\src\\CaptureWnd.cpp", 12);
    ASSERT_EQ(recorder.boxes.size(), 2u);
    EXPECT_EQ(recorder.boxes[0].text, "Cannot open file a.bin\r\n");
    EXPECT_EQ(recorder.boxes[0].caption, "Application Message");
    EXPECT_EQ(recorder.boxes[0].type & 0xF0u, platform::MB_ICONWARNING);
    EXPECT_EQ(recorder.boxes[1].text, "File: C:\\src\\CaptureWnd.cpp, Line: 12");
    EXPECT_EQ(recorder.boxes[1].caption, "ASSERT");
    EXPECT_EQ(recorder.boxes[1].type & 0xF0u, platform::MB_ICONERROR);
}

class MessageToUserTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write("Message.txt", "1 Sound missing;\n100 Internal error ;\n101 Lumora;\n1002 File missing:;\n");
        SetMessageTableFolder(dir.Path().string());
        SetSaveDir(dir.Path().string());
        ASSERT_TRUE(StartDebugLog());
    }
    void TearDown() override {
        SetMessageTableFolder("");
        SetSaveDir("");
        SetFullScreenQuery({});
        SetMessageWindowFrame({});
    }
    std::string LastBoxText() const { return recorder.boxes.empty() ? "" : recorder.boxes.back().text; }

    ScratchDir dir;
    ReportRecorder recorder;
};

TEST_F(MessageToUserTest, OrdinaryFormWithExtras) {
    new MessageToUser(0, 1002, "C:\\Lumora\\Source\\XScene.cpp", 70, "Sound/a.wav", nullptr, "third");
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(LastBoxText(), "File missing:\nSound/a.wav\nthird\n\n( File : XScene.cpp  Line : 70 )");
    EXPECT_EQ(recorder.boxes[0].caption, "Lumora");
    EXPECT_NE(recorder.boxes[0].type & platform::MB_TOPMOST, 0u);
}

TEST_F(MessageToUserTest, NumberZeroWithoutExtrasGivesOnlyFileAndLine) {
    new MessageToUser(0, 0, "src\\XScene", 70, nullptr, nullptr, nullptr);
    EXPECT_EQ(LastBoxText(), "\n( File : XScene  Line : 70 )");
    new MessageToUser(0, 0, "/work/lumora/engine/Scene.cpp", 9);
    EXPECT_EQ(LastBoxText(), "\n( File : Scene.cpp  Line : 9 )");
    new MessageToUser(0, 0, "Plain", 1);
    EXPECT_EQ(LastBoxText(), "\n( File : Plain  Line : 1 )");
}

TEST_F(MessageToUserTest, ErrorCodeForm) {
    new MessageToUser(1, -2005, "a\\LSound.cpp", 3, "voice.wav", nullptr, nullptr);
    EXPECT_EQ(LastBoxText(), "Internal error -2005\nvoice.wav\n\n( File : LSound.cpp  Line : 3 )\n");
}

TEST_F(MessageToUserTest, MissingTableStillShowsTheBox) {
    SetMessageTableFolder((dir.Path() / "nowhere").string());
    new MessageToUser(0, 1002, "x.cpp", 5, "gone.bin");
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(LastBoxText(), "\ngone.bin\n\n( File : x.cpp  Line : 5 )");
    EXPECT_EQ(recorder.boxes[0].caption, "");
}

TEST_F(MessageToUserTest, CurrentMessageHoldsOwnCopiesWhileShown) {
    std::string extra = "scene.bin";
    std::string seen;
    const char* seenPointer = nullptr;
    SetMessageBoxHook([&](platform::HWND, const char*, const char*, platform::UINT) {
        EXPECT_NE(g_CurrentMessage, nullptr);
        if (g_CurrentMessage && g_CurrentMessage->m_Extra1) {
            seen = g_CurrentMessage->m_Extra1.get();
            seenPointer = g_CurrentMessage->m_Extra1.get();
        }
        return platform::IDOK;
    });
    EXPECT_EQ(g_CurrentMessage, nullptr);
    new MessageToUser(0, 1, "f.cpp", 1, extra.c_str());
    EXPECT_EQ(g_CurrentMessage, nullptr);
    EXPECT_EQ(seen, "scene.bin");
    EXPECT_NE(seenPointer, extra.c_str());
}

TEST_F(MessageToUserTest, MessageRaisedWhileAnotherIsShown) {
    // A window handler running inside the modal box may report in turn.
    std::vector<std::string> texts;
    MessageToUser* outerDuringInner = nullptr;
    bool nested = false;
    MessageToUser* outer = nullptr;
    SetMessageBoxHook([&](platform::HWND, const char* text, const char*, platform::UINT) {
        texts.emplace_back(text);
        if (!nested) {
            nested = true;
            outer = g_CurrentMessage;
            new MessageToUser(0, 1, "inner.cpp", 2);
            outerDuringInner = g_CurrentMessage;
        }
        return platform::IDOK;
    });
    new MessageToUser(0, 1002, "outer.cpp", 1);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(outerDuringInner, outer);
    EXPECT_EQ(g_CurrentMessage, nullptr);
}

TEST_F(MessageToUserTest, FullScreenShowsTheBoxFramedByMinimiseAndRestore) {
    std::vector<std::string> events;
    SetFullScreenQuery([] { return true; });
    SetMessageWindowFrame([&](bool minimise) { events.push_back(minimise ? "minimise" : "restore"); });
    SetMessageBoxHook([&](platform::HWND, const char*, const char*, platform::UINT) {
        events.push_back("box");
        return platform::IDOK;
    });
    new MessageToUser(0, 1, "XScene.cpp", 12, "Sound/missing.wav");
    EXPECT_EQ(events, (std::vector<std::string>{"minimise", "box", "restore"}));

    events.clear();
    SetFullScreenQuery([] { return false; });
    new MessageToUser(0, 1, "XScene.cpp", 12);
    EXPECT_EQ(events, (std::vector<std::string>{"box"}));
}

TEST_F(MessageToUserTest, FullScreenFramingUsesTheMainWindowByDefault) {
    platform::WNDCLASS windowClass;
    windowClass.lpfnWndProc = platform::DefWindowProc;
    windowClass.lpszClassName = "LumoraReportTest";
    platform::RegisterClass(&windowClass);
    platform::HWND window = platform::CreateWindow("LumoraReportTest", "Lumora", 0, 0, 0, 640, 480);
    ASSERT_NE(window, nullptr);
    platform::ShowWindow(window, platform::SW_SHOWNORMAL);
    SetReportWindow(window);
    SetFullScreenQuery([] { return true; });
    int iconicDuringBox = -1;
    platform::HWND owner = nullptr;
    SetMessageBoxHook([&](platform::HWND hwnd, const char*, const char*, platform::UINT) {
        iconicDuringBox = platform::IsIconic(window) ? 1 : 0;
        owner = hwnd;
        return platform::IDOK;
    });
    new MessageToUser(0, 1, "XScene.cpp", 1);
    EXPECT_EQ(iconicDuringBox, 1);
    EXPECT_EQ(owner, window);
    EXPECT_FALSE(platform::IsIconic(window));
    SetReportWindow(nullptr);
    platform::DestroyWindow(window);
}

TEST_F(MessageToUserTest, EveryMessageIsLoggedWithADatedHeader) {
    platform::SYSTEMTIME before{};
    platform::GetSystemTime(&before);
    new MessageToUser(0, 1, "XScene.cpp", 12, "a.wav");
    AppLog("second %s entry");
    std::string log = dir.Read("DbgInfo.txt");

    std::regex entry(
        "=====================================\n"
        "========(\\d{1,2})/(\\d{1,2})/(\\d{4}) - \\d{1,2}:\\d{1,2}:\\d{1,2}========"
        "Sound missing\na\\.wav\n\n\\( File : XScene\\.cpp  Line : 12 \\)\n"
        "========\\d{1,2}/\\d{1,2}/\\d{4} - \\d{1,2}:\\d{1,2}:\\d{1,2}========second %s entry\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(log, match, entry)) << log;
    EXPECT_EQ(std::stoi(match[1]), before.wDay);
    EXPECT_EQ(std::stoi(match[2]), before.wMonth);
    EXPECT_EQ(std::stoi(match[3]), before.wYear);
    // The text reaches the debug output as data, not as a format.
    ASSERT_FALSE(recorder.debugLines.empty());
    EXPECT_EQ(recorder.debugLines.back(), "second %s entry\r\n");
}

TEST_F(MessageToUserTest, LogRestartsEmptyAndSurvivesAMissingFolder) {
    AppLog("old");
    ASSERT_TRUE(StartDebugLog());
    EXPECT_EQ(dir.Read("DbgInfo.txt"), "=====================================\n");
    EXPECT_EQ(DebugLogHeader(9, 3, 2026, 14, 7, 5), "========9/3/2026 - 14:7:5========");

    SetSaveDir((dir.Path() / "missing").string());
    EXPECT_FALSE(StartDebugLog());
    recorder.debugLines.clear();
    AppLog("still reported");
    EXPECT_EQ(recorder.debugLines, (std::vector<std::string>{"still reported\r\n"}));
    new MessageToUser(0, 1, "x.cpp", 1);
    EXPECT_EQ(recorder.boxes.size(), 1u);
}

}  // namespace
