// A small screen made with fracompile, opened in lumora-screens headless with
// the fixed clock and a script that hovers a button and clicks it through to
// another screen; the dumped frames show each step.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Bmp.h"

namespace fs = std::filesystem;

namespace {

class Scratch {
public:
    Scratch() {
        std::random_device random;
        path = fs::temp_directory_path() / ("lumora-screens-" + std::to_string(random()));
        fs::create_directories(path / "Data" / "2DBIT");
        fs::create_directories(path / "Data" / "2DFRA");
        fs::create_directories(path / "frames");
    }
    ~Scratch() {
        std::error_code e;
        fs::remove_all(path, e);
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(path / name, std::ios::binary) << text;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(path / name, std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        return all.str();
    }
    void Picture(const std::string& name, int w, int h, std::uint16_t rgb565) const {
        std::vector<std::uint16_t> px(static_cast<std::size_t>(w) * h, rgb565);
        platform::PixelView v{px.data(), w, h, w * 2, platform::PixelFormat::RGB565};
        ASSERT_TRUE(platform::WriteBmpFile((path / "Data" / "2DBIT" / name).c_str(), v));
    }
    fs::path path;
};

std::string Bin(const char* tool) { return std::string(std::getenv("LUMORA_BIN")) + "/" + tool; }

int Shell(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// 0x00RRGGBB of one pixel of a dumped frame.
std::uint32_t DumpPixel(const fs::path& file, int x, int y) {
    platform::BmpImage image;
    EXPECT_TRUE(platform::ReadBmpFile(file.c_str(), &image)) << file;
    if (image.width <= x || image.height <= y) return 0xFFFFFFFF;
    return image.rgb[static_cast<std::size_t>(y) * image.width + x];
}

}  // namespace

TEST(LumoraScreens, ScriptedSessionClicksFromOneScreenToAnother) {
    Scratch s;
    s.Picture("back.bmp", 640, 480, 0x2104);     // dark grey
    s.Picture("button.bmp", 100, 40, 0xFFE0);    // yellow
    s.Picture("lit.bmp", 100, 40, 0xFFFF);       // white
    s.Picture("credits.bmp", 640, 480, 0x001F);  // blue
    s.Write("Data/2DBIT/Media.txt", "back;0;0;back.bmp;;\nbutton;0;0;button.bmp;;\nlit;0;0;lit.bmp;;\ncredits;0;0;credits.bmp;;\n");
    s.Write("menu.txt",
            "#BIT VIE.ViewID 1; BIT.BitmapName back;\n$\n"
            "#BIT VIE.ViewID 2; VIE.ViewPosX 270; VIE.ViewPosY 220; VIE.SuperView 1; BIT.BitmapName button;\r\n"
            "@HIL HIL.BitmapName lit;\r\n@FRA FRA.FrameName Credits;\r\n$\r\n");
    s.Write("credits.txt", "#BIT VIE.ViewID 1; BIT.BitmapName credits;\n$\n");
    s.Write("bad.txt", "#VIE VIE.ViewID 1\n$\n");
    const std::string dir = s.path.string() + "/";
    ASSERT_EQ(Shell(Bin("fracompile") + " " + dir + "menu.txt " + dir + "Data/2DFRA/MENU.fra > /dev/null"), 0);
    ASSERT_EQ(Shell(Bin("fracompile") + " " + dir + "credits.txt " + dir + "Data/2DFRA/credits.fra > /dev/null"), 0);
    // A source it cannot compile: exit status 1 and the reason.
    EXPECT_EQ(Shell(Bin("fracompile") + " " + dir + "bad.txt " + dir + "bad.fra 2> " + dir + "err.txt"), 1);
    EXPECT_NE(s.Read("err.txt").find("VIE.ViewID"), std::string::npos) << s.Read("err.txt");
    // Decompiled and compiled again, the file is the same.
    ASSERT_EQ(Shell(Bin("fracompile") + " --decompile " + dir + "Data/2DFRA/MENU.fra " + dir + "menu2.txt"), 0);
    ASSERT_EQ(Shell(Bin("fracompile") + " " + dir + "menu2.txt " + dir + "menu2.fra > /dev/null"), 0);
    EXPECT_EQ(s.Read("menu2.fra"), s.Read("Data/2DFRA/MENU.fra"));

    s.Write("input.txt",
            "#3 move 320 240\n"   // over the button
            "#6 click left\n"     // through to the credits
            "#10 move 10 10\n");
    const int rc = Shell("LUMORA_BACKEND=headless LUMORA_CLOCK=fixed:20 LUMORA_INPUT=" + dir + "input.txt LUMORA_FRAMES=" +
                       dir + "frames " + Bin("lumora-screens") + " " + dir + "Data menu > " + dir + "out.txt");
    ASSERT_EQ(rc, 0) << s.Read("out.txt");
    const std::string out = s.Read("out.txt");
    const std::size_t menu = out.find("screen: menu"), credits = out.find("screen: Credits");
    ASSERT_NE(menu, std::string::npos) << out;
    ASSERT_NE(credits, std::string::npos) << out;
    EXPECT_LT(menu, credits);

    std::vector<fs::path> dumps;
    for (const auto& e : fs::directory_iterator(s.path / "frames")) dumps.push_back(e.path());
    std::sort(dumps.begin(), dumps.end());
    ASSERT_GE(dumps.size(), 10u);
    const std::uint32_t grey = DumpPixel(dumps[0], 5, 5);
    EXPECT_EQ(DumpPixel(dumps[0], 300, 230), 0xFFFF00u);  // the plain button
    EXPECT_NE(grey, 0xFFFF00u);
    EXPECT_EQ(DumpPixel(dumps[4], 300, 230), 0xFFFFFFu);  // lit under the pointer
    EXPECT_EQ(DumpPixel(dumps[4], 5, 5), grey);
    EXPECT_EQ(DumpPixel(dumps.back(), 300, 230), 0x0000FFu);  // the credits screen
    EXPECT_EQ(DumpPixel(dumps.back(), 5, 5), 0x0000FFu);
}
