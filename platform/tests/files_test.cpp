// The case-insensitive resolver, wildcard listing, the executable's folder
// and profile reading, on a scratch tree.
#include "platform/Files.h"
#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace platform;
namespace fs = std::filesystem;

namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("lumora_files_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "Data" / "Sound");
        fs::create_directories(root / "Data" / "2DBIT");
        fs::create_directories(root / "Data" / "U01" / "Anim");
        Write("Data/Sound/Voice01.WAV", "wav");
        Write("Data/2DBIT/Intro1.bmp", "bmp");
        Write("Data/U01/Scene.bin", "scene");
        Write("secret.txt", "outside");
        data = (root / "Data").string() + "/";
    }
    void TearDown() override { fs::remove_all(root); }

    void Write(const std::string& rel, const std::string& text) {
        std::ofstream(root / rel, std::ios::binary) << text;
    }

    fs::path root;
    std::string data;
};

TEST_F(FilesTest, ResolverMatchesEveryComponentWithoutCase) {
    EXPECT_EQ(ResolvePath(data, "sound\\VOICE01.wav"), data + "Sound/Voice01.WAV");
    EXPECT_EQ(ResolvePath(data, "2dbit/intro1.BMP"), data + "2DBIT/Intro1.bmp");
    EXPECT_EQ(ResolvePath(data, "u01\\\\SCENE.BIN"), data + "U01/Scene.bin") << "doubled separators";
    EXPECT_EQ(ResolvePath(data, "ANIM/"), "") << "Anim is under U01, not the root";
    EXPECT_EQ(ResolvePath(data, "U01/anim\\"), data + "U01/Anim/") << "a folder keeps its trailing slash";
    EXPECT_EQ(ResolvePath(data, "U01/Scene.bin/"), "") << "a trailing slash wants a folder";
    EXPECT_EQ(ResolvePath(data, "./Sound/./voice01.wav"), data + "Sound/Voice01.WAV");
    // The root itself may lack its slash.
    EXPECT_EQ(ResolvePath((root / "Data").string(), "SOUND"), data + "Sound");
}

TEST_F(FilesTest, ResolverGivesNothingForMissingComponents) {
    EXPECT_EQ(ResolvePath(data, "Sound/Voice02.wav"), "");
    EXPECT_EQ(ResolvePath(data, "Music/Voice01.wav"), "");
    EXPECT_EQ(ResolvePath(data, "Sound/Voice01.WAV/x"), "") << "a file is not a folder";
    EXPECT_EQ(ResolvePath(root.string() + "/Nowhere", "Sound"), "");
}

TEST_F(FilesTest, ResolverNeverLeavesTheRoot) {
    ASSERT_TRUE(fs::exists(root / "secret.txt"));
    EXPECT_EQ(ResolvePath(data, "..\\secret.txt"), "");
    EXPECT_EQ(ResolvePath(data, "../secret.txt"), "");
    EXPECT_EQ(ResolvePath(data, "Sound\\..\\..\\secret.txt"), "");
    EXPECT_EQ(ResolvePath(data, "Sound/../Sound/Voice01.WAV"), "") << "'..' is refused even when it stays inside";
    EXPECT_EQ(ResolvePathForCreate(data, "..\\evil.bin"), "");
}

TEST_F(FilesTest, ExactSpellingWinsOverOtherCases) {
    Write("Data/Sound/voice01.wav", "lower");
    EXPECT_EQ(ResolvePath(data, "Sound/voice01.wav"), data + "Sound/voice01.wav");
    EXPECT_EQ(ResolvePath(data, "Sound/Voice01.WAV"), data + "Sound/Voice01.WAV");
    // No exact spelling: the first in byte order, whatever the folder's order.
    EXPECT_EQ(ResolvePath(data, "SOUND/VOICE01.WAV"), data + "Sound/Voice01.WAV");
}

TEST_F(FilesTest, WholePathsResolveFromTheRootOfTheFileSystem) {
    std::string upper = root.string() + "/DATA/sound/voice01.wav";
    EXPECT_EQ(ResolvePath(upper), data + "Sound/Voice01.WAV");
    EXPECT_EQ(ResolvePath(root.string() + "/Data/../secret.txt"), "");
}

TEST_F(FilesTest, PathsForNewFilesNeedTheirFolder) {
    EXPECT_EQ(ResolvePathForCreate(data, "SOUND\\New.bin"), data + "Sound/New.bin");
    EXPECT_EQ(ResolvePathForCreate(data, "sound/VOICE01.wav"), data + "Sound/Voice01.WAV")
        << "an existing file is overwritten under its own spelling";
    EXPECT_EQ(ResolvePathForCreate(data, "Save/User_1/Info.bin"), "") << "missing folders are not made";
    EXPECT_EQ(ResolvePathForCreate(data, ""), "");
    EXPECT_EQ(ResolvePathForCreate(root.string() + "/data/u01/new.bin"), data + "U01/new.bin");
}

TEST_F(FilesTest, PatternsMatchLikeWindowsWithoutCase) {
    EXPECT_TRUE(PatternMatches("Voice01.WAV", "*.wav"));
    EXPECT_TRUE(PatternMatches("User_12", "user_*"));
    EXPECT_TRUE(PatternMatches("README", "*.*"));
    EXPECT_TRUE(PatternMatches("a.b.c", "*.c"));
    EXPECT_TRUE(PatternMatches("Cat", "?AT"));
    EXPECT_FALSE(PatternMatches("Chat", "?at"));
    EXPECT_FALSE(PatternMatches("at", "?at"));
    EXPECT_TRUE(PatternMatches("Gamesave.3", "gamesave.?"));
    EXPECT_FALSE(PatternMatches("Gamesave.", "gamesave.?"));
    EXPECT_TRUE(PatternMatches("abcbcd", "a*bcd"));
    EXPECT_FALSE(PatternMatches("abc", "a*d"));
    EXPECT_TRUE(PatternMatches("", "*"));
}

TEST_F(FilesTest, ListingIsFilteredSortedAndMarksFolders) {
    fs::create_directories(root / "Save" / "User_2");
    fs::create_directories(root / "Save" / "user_1");
    Write("Save/Info.bin", "12345");
    Write("Save/User_3", "not a folder");
    auto all = ListDirectory(root.string() + "/SAVE", "*");
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].name, "Info.bin");
    EXPECT_EQ(all[0].size, 5u);
    EXPECT_FALSE(all[0].directory);
    auto users = ListDirectory(root.string() + "/Save/", "USER_*");
    ASSERT_EQ(users.size(), 3u);
    EXPECT_EQ(users[0].name, "User_2");
    EXPECT_TRUE(users[0].directory);
    EXPECT_FALSE(users[1].directory);
    EXPECT_EQ(users[2].name, "user_1");
    EXPECT_TRUE(ListDirectory(root.string() + "/Missing", "*").empty());
}

TEST_F(FilesTest, ExecutablePathIsThisProgramsFolder) {
    std::string exe = ExecutablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.back(), '/');
    EXPECT_TRUE(fs::exists(exe + "platform_files_test"));
}

TEST_F(FilesTest, MakeDirectoryNeedsItsParent) {
    EXPECT_TRUE(MakeDirectory(root.string() + "/Save/"));
    EXPECT_TRUE(MakeDirectory(root.string() + "/Save")) << "an existing folder is fine";
    EXPECT_FALSE(MakeDirectory(root.string() + "/No/Such"));
    EXPECT_FALSE(MakeDirectory(root.string() + "/secret.txt")) << "a file is in the way";
}

const char* kConfig =
    "\xEF\xBB\xBF; first scene of a new game\r\n"
    "[ Game ]\r\n"
    "  FirstScene = U01.ZELT  \r\n"
    "Universe=1\r\n"
    "Title=\"  Lumora  \"\r\n"
    "Broken line without equals\r\n"
    "Number=12abc\r\n"
    "Negative=-4\r\n"
    "Text=abc\r\n"
    "[Sound]\r\n"
    "universe=5\r\n"
    "[GAME]\r\n"
    "Universe=9\r\n"
    "Extra=yes\r\n";

TEST_F(FilesTest, ProfileSectionsAndKeysIgnoreCaseAndBlanks) {
    Profile p = Profile::Parse(kConfig);
    EXPECT_EQ(p.Get("game", "firstscene").value_or("?"), "U01.ZELT");
    EXPECT_EQ(p.Get("GAME", "Title").value_or("?"), "  Lumora  ") << "quotes keep inner blanks";
    EXPECT_EQ(p.Get("Game", "Universe").value_or("?"), "1") << "the first value wins";
    EXPECT_EQ(p.Get("Game", "Extra").value_or("?"), "yes") << "a repeated section adds keys";
    EXPECT_EQ(p.Get("Sound", "Universe").value_or("?"), "5");
    EXPECT_FALSE(p.Get("Game", "Broken line without equals"));
    EXPECT_FALSE(p.Get("Video", "Universe"));
    EXPECT_EQ(p.Sections().size(), 2u);
}

TEST_F(FilesTest, PrivateProfileFunctionsReadTheFile) {
    Write("Data/APP.CFG", kConfig);
    std::string cfg = data + "app.cfg";  // found whatever its case
    char buf[64];
    EXPECT_EQ(GetPrivateProfileString("Game", "FirstScene", "", buf, sizeof buf, cfg.c_str()), 8u);
    EXPECT_STREQ(buf, "U01.ZELT");
    char small[5];
    EXPECT_EQ(GetPrivateProfileString("Game", "FirstScene", "", small, sizeof small, cfg.c_str()), 4u);
    EXPECT_STREQ(small, "U01.") << "cut to the buffer and terminated";
    EXPECT_EQ(GetPrivateProfileString("Game", "Missing", "U00.ZELT  ", buf, sizeof buf, cfg.c_str()), 8u);
    EXPECT_STREQ(buf, "U00.ZELT") << "the default loses trailing blanks";
    EXPECT_EQ(GetPrivateProfileString("Game", "X", "dflt", buf, sizeof buf, (data + "none.cfg").c_str()), 4u);

    char list[64];
    DWORD n = GetPrivateProfileString(nullptr, nullptr, "", list, sizeof list, cfg.c_str());
    EXPECT_EQ(std::string(list, n), std::string("Game\0Sound\0", 11));
    EXPECT_EQ(list[n], '\0');
    n = GetPrivateProfileString("sound", nullptr, "", list, sizeof list, cfg.c_str());
    EXPECT_EQ(std::string(list, n), std::string("universe\0", 9));

    EXPECT_EQ(GetPrivateProfileInt("Game", "Universe", 0, cfg.c_str()), 1u);
    EXPECT_EQ(GetPrivateProfileInt("Game", "Number", 0, cfg.c_str()), 12u);
    EXPECT_EQ(GetPrivateProfileInt("Game", "Text", 7, cfg.c_str()), 0u) << "present but not a number";
    EXPECT_EQ(static_cast<int>(GetPrivateProfileInt("Game", "Negative", 0, cfg.c_str())), -4);
    EXPECT_EQ(GetPrivateProfileInt("Game", "Missing", 33, cfg.c_str()), 33u);
}

}  // namespace
