// Runs lumora-demo headless with a script and checks what it reports and the
// frames it presented.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string RunCommand(const std::string& command, int* status) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return out;
    char buf[512];
    while (size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    *status = ::pclose(p);
    return out;
}

class DemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* bin = std::getenv("LUMORA_BIN");
        ASSERT_NE(bin, nullptr);
        demo = std::string(bin) + "/lumora-demo";
        ASSERT_TRUE(fs::exists(demo));
        dir = fs::temp_directory_path() / ("lumora_demo_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "frames");
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string demo;
    fs::path dir;
};

TEST_F(DemoTest, ScriptDrivesTheDemoToItsEnd) {
    std::ofstream(dir / "input.txt") << "; move, click, double click, type, then leave\n"
                                        "#2 move 100 120\n"
                                        "+1 click left\n"
                                        "#3 dblclick left 200 100\n"
                                        "#4 text Salut\n"
                                        "#5 key press F1\n"
                                        "#6 key press ESCAPE\n";
    std::string command = "LUMORA_BACKEND=headless LUMORA_CLOCK=fixed:20 LUMORA_INPUT=" + (dir / "input.txt").string() +
                          " LUMORA_FRAMES=" + (dir / "frames").string() + " " + demo;
    int status = -1;
    std::string out = RunCommand(command, &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("frames 6, mouse 200 100, clicks 2, double clicks 1, keys \"F1 ESCAPE\", typed \"Salut\""),
              std::string::npos)
        << out;

    // The last frame shows the pointer's cross at 200, 100 (yellow, written 5-5-5).
    fs::path last = dir / "frames" / "frame_000006.bmp";
    ASSERT_TRUE(fs::exists(last));
    EXPECT_FALSE(fs::exists(dir / "frames" / "frame_000007.bmp"));
    ASSERT_EQ(fs::file_size(last), 614454u);
    std::ifstream in(last, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto pixel = [&](int x, int y) {
        size_t at = 54 + static_cast<size_t>(479 - y) * 1280 + static_cast<size_t>(x) * 2;
        return static_cast<unsigned>(bytes[at] | (bytes[at + 1] << 8));
    };
    EXPECT_EQ(pixel(200, 100), 0x7FE0u);
    EXPECT_NE(pixel(300, 300), 0x7FE0u);
}

TEST_F(DemoTest, WithoutAScriptHeadlessEndsByItself) {
    int status = -1;
    std::string out = RunCommand("LUMORA_BACKEND=headless LUMORA_INPUT= " + demo, &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("lumora-demo: frames 3,"), std::string::npos) << out;
}

TEST_F(DemoTest, CloseButtonEndsTheDemo) {
    std::ofstream(dir / "close.txt") << "#10 close\n#20 key press A\n";
    int status = -1;
    std::string out = RunCommand("LUMORA_BACKEND=headless LUMORA_INPUT=" + (dir / "close.txt").string() + " " + demo, &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("frames 10,"), std::string::npos) << out;
    EXPECT_NE(out.find("keys \"\""), std::string::npos) << "the later key never came";
}

}  // namespace
