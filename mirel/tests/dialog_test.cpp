// The configuration dialog driven by scripted input, with both templates.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "dwen/tests/DwenTest.h"
#include "mirel/GameTemplate.h"
#include "mirel/Mirel.h"
#include "platform/Bmp.h"
#include "platform/Dialog.h"
#include "platform/DisplayProfile.h"
#include "platform/Input.h"
#include "platform/Present.h"
#include "platform/Window.h"

using namespace platform;

namespace {

using dwentest::MainWindow;

// The game's module instance, with its template and picture.
char g_game;
HINSTANCE GameInstance() {
    static bool registered = (MirelRegisterGameTemplate(&g_game), true);
    (void)registered;
    return &g_game;
}

std::string Centre(const RECT& r) {
    return std::to_string((r.left + r.right) / 2) + " " + std::to_string((r.top + r.bottom) / 2);
}

// Plays a script of clicks on controls (by id) and list entries ("id:entry").
void Script(HINSTANCE instance, const std::vector<std::string>& clicks) {
    auto layout = DialogLayout(instance, MIREL_TEMPLATE, 640, 480);
    std::string text;
    int frame = 2;
    for (const std::string& c : clicks) {
        const auto colon = c.find(':');
        const int id = std::stoi(c.substr(0, colon));
        RECT r = layout.at(id);
        if (colon != std::string::npos) r = DialogListEntryRect(r, std::stoi(c.substr(colon + 1)));
        text += "#" + std::to_string(frame) + " click left " + Centre(r) + "\n";
        frame += 2;
    }
    InputScript script = ParseInputScript(text);
    ASSERT_TRUE(script.errors.empty());
    SetInputScript(script);
}

class Mirel : public ::testing::Test {
protected:
    void SetUp() override {
        SetDisplayProfile(DefaultDisplayProfile());
        MainWindow();
        SetWindowPos(MainWindow(), nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER);
        base = LiveSurfaceCount();
        Dwen_Init_Io(&context, std::malloc, std::calloc, std::realloc, std::free);
    }
    void TearDown() override {
        Dwen_Destroy(&context, 1);
        EXPECT_EQ(LiveSurfaceCount(), base);
        SetInputScript(InputScript{});
        SetDisplayProfile(DefaultDisplayProfile());
        SetFullScreen(MainWindow(), FALSE);
        ResetWindowState();
    }
    DwenContext context{};
    DisplayChoice choice{-1, -1, -1, -1};
    int base = 0;
};

TEST_F(Mirel, LibraryTemplateWindowThenOkGivesA640By480Window) {
    const std::string dumps = (std::filesystem::temp_directory_path() / "mirel_frames").string();
    std::filesystem::remove_all(dumps);
    SetFrameDumpFolder(dumps);
    const auto first = PresentedFrameCount();
    Script(nullptr, {std::to_string(MIREL_ID_WINDOW), std::to_string(MIREL_ID_OK)});
    ASSERT_EQ(Mirel_Init(nullptr, MainWindow(), &context, &choice), 1) << context.errorText;
    SetFrameDumpFolder("");
    EXPECT_EQ(choice.renderer, 1);  // the only device is a software one
    EXPECT_EQ(choice.width, 640);
    EXPECT_EQ(choice.height, 480);
    EXPECT_EQ(choice.fullScreen, 0);
    EXPECT_EQ(context.ready, 1);
    EXPECT_EQ(context.fullScreen, 0);
    EXPECT_EQ(context.zBuffer, nullptr);  // scanline renderer: no z-buffer
    EXPECT_NE(context.device, nullptr);
    EXPECT_NE(context.backgroundMaterial, nullptr);
    EXPECT_EQ(context.window, MainWindow());
    EXPECT_FALSE(IsFullScreen(MainWindow()));

    // The dialog was drawn into the presented picture: its face and the logo.
    BmpImage frame;
    ASSERT_GT(PresentedFrameCount(), first + 2);
    ASSERT_TRUE(ReadBmpFile(FrameDumpPath(dumps, 2).c_str(), &frame));
    const auto layout = DialogLayout(nullptr, MIREL_TEMPLATE, 640, 480);
    const RECT ok = layout.at(MIREL_ID_OK);
    EXPECT_EQ(frame.rgb[static_cast<size_t>(ok.top - 3) * 640 + ok.left], 0xC6C6C6u);  // dialog face grey 192, through 5-5-5
    std::filesystem::remove_all(dumps);
}

TEST_F(Mirel, GameTemplateAnsweredAtOnceGivesFullScreen640By480By16) {
    ASSERT_EQ(Mirel_Init(GameInstance(), MainWindow(), &context, &choice), 1) << context.errorText;
    EXPECT_EQ(choice.fullScreen, 1);
    EXPECT_EQ(choice.width, 640);
    EXPECT_EQ(choice.height, 480);
    EXPECT_EQ(context.currentMode->bpp, 16);
    EXPECT_EQ(context.currentDriver, &context.drivers[0]);
    EXPECT_TRUE(IsFullScreen(MainWindow()));
}

TEST_F(Mirel, QuitterGivesZero) {
    Script(GameInstance(), {std::to_string(MIREL_ID_WINDOW), std::to_string(MIREL_ID_EXIT)});
    EXPECT_EQ(Mirel_Init(GameInstance(), MainWindow(), &context, &choice), 0);
    EXPECT_EQ(choice.width, -1);
    EXPECT_EQ(context.ready, 0);
}

TEST_F(Mirel, HardwareDevicesAndTheWindowDriverList) {
    // A 3D card listed before the primary display, and a hardware device.
    DisplayProfile p = DefaultDisplayProfile();
    DisplayDriverProfile card;
    card.guid.Data1 = 0xCA4D;
    card.name = "card";
    card.has3D = true;
    p.drivers.insert(p.drivers.begin(), card);
    Display3DDeviceProfile hw;
    hw.guid.Data1 = 0xD0D0;
    hw.name = "HAL";
    hw.hardware = true;
    hw.zDepths = DDBD_16;
    p.devices.push_back(hw);
    p.videoMemory = 16u << 20;
    SetDisplayProfile(p);

    // Answered at once: full screen on the card, its hardware device, Direct3D with a z-buffer.
    ASSERT_EQ(Mirel_Init(nullptr, MainWindow(), &context, &choice), 1) << context.errorText;
    EXPECT_EQ(choice.renderer, 0);
    EXPECT_EQ(context.currentDriver, &context.drivers[0]);
    EXPECT_EQ(context.currentDevice, &context.devices[1]);
    EXPECT_NE(context.zBuffer, nullptr);

    // In a window the driver list holds only the primary display: its first
    // entry is driver 1, not driver 0. Scanline renderer, then Direct 3D again.
    Script(nullptr, {std::to_string(MIREL_ID_WINDOW), std::to_string(MIREL_ID_DRIVER_LIST),
                     std::to_string(MIREL_ID_DRIVER_LIST) + ":0", std::to_string(MIREL_ID_SCANLINE),
                     std::to_string(MIREL_ID_DIRECT3D), std::to_string(MIREL_ID_OK)});
    ASSERT_EQ(Mirel_Init(nullptr, MainWindow(), &context, &choice), 1) << context.errorText;
    EXPECT_EQ(context.currentDriver, &context.drivers[1]);
    EXPECT_EQ(choice.fullScreen, 0);
    EXPECT_EQ(choice.renderer, 0);
    EXPECT_EQ(context.currentDevice->hardware, 1);
}

TEST_F(Mirel, ASetUpThatFailsAfterOkGivesZeroOnce) {
    // The first mode (1024 x 768 x 32) is one the software device cannot draw.
    Script(nullptr, {std::to_string(MIREL_ID_MODE_LIST), std::to_string(MIREL_ID_MODE_LIST) + ":0",
                     std::to_string(MIREL_ID_OK)});
    EXPECT_EQ(Mirel_Init(nullptr, MainWindow(), &context, &choice), 0);
    EXPECT_STREQ(context.errorText, "D3D driver can't do this video mode !");
    EXPECT_EQ(context.ready, 0);
}

}  // namespace
