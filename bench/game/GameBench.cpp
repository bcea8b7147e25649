// The game program on the data pack (build/bin/Data, or $LUMORA_DATA),
// headless, 640 x 480:
// - BM_SceneFrame/<kind>: one pass of the main loop's scene state on the test
//   rooms (animate, render through the kernel, overlays and cursor, present);
//   kind 1 is the scanline renderer, kind 0 the display layer's 3D device.
//   The fps counter is frames per second of processor time on one core
//   (target with the scanline renderer: 200 or more).
// - BM_StationFrame: the same pass in universe 1's station with the scanline
//   renderer, started as a new visit (its prologue played through under a
//   fixed clock, then the opening's camera on the platform).
// - BM_StartScene: deleting the current scene and starting the test rooms
//   again from their scene list (create, load, the tables of a new visit).
// - BM_SaveGame, BM_LoadGame: writing the running game to a slot, and
//   loading it back (which restarts the scene from the saved state).
//
// The display is set up as the game does it after the configuration dialog,
// with the renderer kind chosen by the benchmark instead of the dialog.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "include/zelt/zelt.h"
#include "lumora/engine/XScene.h"
#include "lumora/game/XGame.h"
#include "lumora/game/XPlayerList.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageTable.h"
#include "lumora/shell/Report.h"
#include "lumora/shell/XApplication.h"
#include "lumora/shell/XDisplay.h"
#include "platform/Files.h"
#include "platform/Platform.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

constexpr const char* kTestRooms = "U09.ZELT";

char g_Module;

std::string DataRoot() {
    if (const char* d = std::getenv("LUMORA_DATA"); d && *d) return d;
    const std::string exe = ExecutablePath();
    return exe.substr(0, exe.find_last_of('/') + 1) + "Data";
}

// The program's objects from the window to a running scene (the test rooms
// unless told), with one renderer kind; torn down in the reverse order.
class Game {
public:
    explicit Game(int renderer, const char* scene = kTestRooms) : m_SceneList(scene) { m_Ready = Up(renderer); }

    bool Up(int renderer) {
        setenv("LUMORA_BACKEND", "headless", 0);
        const std::string exe = ExecutablePath();
        SetMessageTableFolder(exe.substr(0, exe.find_last_of('/') + 1));
        SetMessageBoxHook([](HWND, const char*, const char*, UINT) { return 1; });
        m_Save = fs::temp_directory_path() / ("lumora-game-bench-" + std::to_string(std::time(nullptr)) + "-" +
                                              std::to_string(std::rand()));
        fs::create_directories(m_Save);

        WNDCLASS wc;
        wc.lpfnWndProc = DefWindowProc;
        wc.hInstance = &g_Module;
        wc.lpszClassName = "GameBench";
        RegisterClass(&wc);
        m_Window = CreateWindow("GameBench", "bench", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640, 480,
                                nullptr, nullptr, &g_Module);
        if (!m_Window) return Fail("no window");
        SetReportWindow(m_Window);

        g_Display = new XDisplay();
        DwenContext* c = g_Display->m_Context;
        Dwen_Init_Io(c, &std::malloc, &std::calloc, &std::realloc, &std::free);
        if (!Zelt_Init_Mathlib(0)) return Fail("no math library");
        // What the dialog's "Fenêtre" answer sets up: a 640 x 480 window, with a
        // z-buffer for the 3D device.
        if (!Dwen_Init_All(c, m_Window, 640, 480, 16, 0, renderer == 1 ? 0 : 1, 1, 1))
            return Fail(c->errorText);
        g_Display->m_Choice = DisplayChoice{renderer, 640, 480, 0};

        new XApplication(m_Window);
        const std::string data = DataRoot();
        if (!g_App->InitPaths(data.c_str(), m_Save.string().c_str())) return Fail("no data pack at " + data);
        if (!g_App->InitObjects()) return Fail("the game's objects cannot start");
        if (!g_Display->SetSize(640, 480)) return Fail("the kernel cannot start");
        ShowWindow(m_Window, SW_SHOWNORMAL);

        XPlayerList* players = g_App->m_Players;
        players->CreatePlayer(0, "Bench");
        players->SelectPlayer(0);
        // A new visit may open with a video; a fixed clock plays it through
        // at once, one picture a call.
        SetFixedClock(33);
        const bool started = StartScene();
        SetFixedClock(0);
        if (!started) return Fail(std::string("cannot start ") + m_SceneList);
        return true;
    }

    ~Game() {
        DeleteCurrentScene();
        delete g_App;
        g_App = nullptr;
        delete g_Display;
        g_Display = nullptr;
        if (m_Window) DestroyWindow(m_Window);
        ResetWindowState();
        std::error_code ignored;
        fs::remove_all(m_Save, ignored);
    }

    bool StartScene() { return g_App->m_Game->StartScene(m_SceneList, 1, nullptr) == 1 && g_CurrentScene; }

    // One pass of the main loop in the scene state.
    void Frame() {
        XScene* scene = g_CurrentScene;
        scene->Animate();
        scene->Render();
        scene->Step();
    }

    bool Ready() const { return m_Ready; }
    const std::string& Error() const { return m_Error; }

private:
    bool Fail(const std::string& why) {
        m_Error = why;
        return false;
    }

    const char* m_SceneList;
    HWND m_Window = nullptr;
    fs::path m_Save;
    bool m_Ready = false;
    std::string m_Error;
};

// Passes of the main loop after ten to warm up, counted as frames per second.
void RunFrames(benchmark::State& state, Game& game, const char* label) {
    if (!game.Ready()) return state.SkipWithError(game.Error().c_str());
    for (int i = 0; i < 10; ++i) game.Frame();  // textures loaded, caches warm
    for (auto _ : state) game.Frame();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(label);
}

void BM_SceneFrame(benchmark::State& state) {
    Game game(static_cast<int>(state.range(0)));
    RunFrames(state, game, state.range(0) == 1 ? "scanline renderer" : "display 3D device");
}
BENCHMARK(BM_SceneFrame)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_StationFrame(benchmark::State& state) {
    Game game(1, "U01.ZELT");
    RunFrames(state, game, "universe 1, scanline renderer");
}
BENCHMARK(BM_StationFrame)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_StartScene(benchmark::State& state) {
    Game game(1);
    if (!game.Ready()) return state.SkipWithError(game.Error().c_str());
    for (auto _ : state)
        if (!game.StartScene()) return state.SkipWithError("the scene does not start again");
}
BENCHMARK(BM_StartScene)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_SaveGame(benchmark::State& state) {
    Game game(1);
    if (!game.Ready()) return state.SkipWithError(game.Error().c_str());
    game.Frame();
    for (auto _ : state)
        if (!g_App->m_Game->SaveGame("Bench", 1)) return state.SkipWithError("the game cannot be saved");
}
BENCHMARK(BM_SaveGame)->Unit(benchmark::kMillisecond);

void BM_LoadGame(benchmark::State& state) {
    Game game(1);
    if (!game.Ready()) return state.SkipWithError(game.Error().c_str());
    game.Frame();
    if (!g_App->m_Game->SaveGame("Bench", 1)) return state.SkipWithError("the game cannot be saved");
    for (auto _ : state)
        if (!g_App->m_Game->LoadGame(1)) return state.SkipWithError("the saved game does not load");
}
BENCHMARK(BM_LoadGame)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
