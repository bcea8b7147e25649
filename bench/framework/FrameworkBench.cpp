// The 2D framework on a 640 x 480 screen of 200 views (a background and 199
// buttons with highlights and frame links): loading its frame file, a full
// redraw, and the redraw of one button through the update region.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lumora/framework/Bitmaps.h"
#include "lumora/framework/LClassCreator.h"
#include "lumora/framework/LFrame.h"
#include "lumora/framework/LFrameManager.h"
#include "lumora/framework/LView.h"
#include "lumora/shell/Report.h"
#include "platform/Platform.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

constexpr int kViews = 200;

void WritePicture(const fs::path& file, int w, int h, std::uint16_t colour) {
    std::vector<std::uint16_t> px(static_cast<std::size_t>(w) * h);
    for (int i = 0; i < w * h; ++i) px[i] = static_cast<std::uint16_t>(colour + (i % w) / 8);
    WriteBmpFile(file.c_str(), PixelView{px.data(), w, h, w * 2, PixelFormat::RGB565});
}

struct Screen {
    Screen() {
        setenv("LUMORA_BACKEND", "headless", 0);
        SetMessageBoxHook([](HWND, const char*, const char*, UINT) { return 1; });
        root = fs::temp_directory_path() / ("lumora-framework-bench-" + std::to_string(std::rand()));
        fs::create_directories(root / "2DBIT");
        fs::create_directories(root / "2DFRA");
        WritePicture(root / "2DBIT" / "back.bmp", 640, 480, 0x2104);
        WritePicture(root / "2DBIT" / "button.bmp", 40, 20, 0xF800);
        WritePicture(root / "2DBIT" / "lit.bmp", 40, 20, 0x07E0);
        std::ofstream(root / "2DBIT" / "Media.txt") << "back;0;0;back.bmp;;\nbutton;0;0;button.bmp;;255,0,255\nlit;0;0;lit.bmp;;\n";
        std::string source = "#BIT VIE.ViewID 1; BIT.BitmapName back;\n$\n";
        for (int i = 1; i < kViews; ++i) {
            const int x = 8 + (i % 14) * 45, y = 8 + (i / 14) * 32;
            source += "#BIT VIE.ViewID " + std::to_string(i + 1) + "; VIE.ViewPosX " + std::to_string(x) +
                      "; VIE.ViewPosY " + std::to_string(y) + "; VIE.SuperView 1; BIT.BitmapName button;\n"
                      "@HIL HIL.BitmapName lit;\n@FRA FRA.FrameName Menu;\n$\n";
        }
        std::string error;
        std::vector<std::uint8_t> file = CompileFrameText(source.data(), source.size(), &error);
        std::ofstream(root / "2DFRA" / "Menu.fra", std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));

        WNDCLASS wc;
        wc.lpfnWndProc = DefWindowProc;
        wc.lpszClassName = "FrameworkBench";
        RegisterClass(&wc);
        window = CreateWindow("FrameworkBench", "bench", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640, 480);
        DirectDrawCreate(nullptr, &dd);
        dd->SetCooperativeLevel(window, DDSCL_NORMAL);
        target = CreateOffscreenSurface(dd, PixelFormat::RGB565, 640, 480);
        manager.Init(dd, nullptr, target, window, nullptr, 0, (root.string() + "/").c_str(), 0);
    }
    ~Screen() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    fs::path root;
    HWND window = nullptr;
    DirectDraw* dd = nullptr;
    DirectDrawSurface* target = nullptr;
    LFrameManager manager;
};

Screen& TheScreen() {
    static Screen screen;
    return screen;
}

void BM_LoadFrame200Views(benchmark::State& state) {
    Screen& s = TheScreen();
    for (auto _ : state) {
        LFrame* f = s.manager.CreateFrame("Menu", 0);
        if (!f || f->CountViews() != kViews) state.SkipWithError("the frame did not load");
        s.manager.CloseFrame(f);
    }
}
BENCHMARK(BM_LoadFrame200Views)->Unit(benchmark::kMicrosecond);

// The same with the pictures already in memory (another copy of the screen
// holds them): the frame file, the views and the behaviours alone.
void BM_LoadFrame200ViewsMediaShared(benchmark::State& state) {
    Screen& s = TheScreen();
    LFrame* held = s.manager.OpenFrame("Menu");
    for (auto _ : state) {
        LFrame* f = s.manager.CreateFrame("Menu", 1);
        if (!f || f->CountViews() != kViews) state.SkipWithError("the frame did not load");
        s.manager.CloseFrame(f);
    }
    s.manager.CloseFrame(held);
}
BENCHMARK(BM_LoadFrame200ViewsMediaShared)->Unit(benchmark::kMicrosecond);

void BM_FullRedraw(benchmark::State& state) {
    Screen& s = TheScreen();
    LFrame* f = s.manager.OpenFrame("Menu");
    for (auto _ : state) s.manager.Redraw(1);
    s.manager.CloseFrame(f);
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMicrosecond);

void BM_OneButtonRedraw(benchmark::State& state) {
    Screen& s = TheScreen();
    LFrame* f = s.manager.OpenFrame("Menu");
    s.manager.Redraw(1);
    LView* button = f->FindViewById(100);
    for (auto _ : state) {
        button->Invalidate();
        s.manager.Redraw(0);
    }
    s.manager.CloseFrame(f);
}
BENCHMARK(BM_OneButtonRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
