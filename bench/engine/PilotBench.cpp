// One walking step of the camera pilot with collision on the test rooms of
// the data pack beside the program (build/bin/Data): the obstacle ray, the
// sphere sliding against every object and face, the ground ray.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "include/zelt/zelt.h"
#include "lumora/engine/SceneList.h"
#include "lumora/engine/XCameraPilot.h"
#include "lumora/engine/XScene.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/MessageTable.h"
#include "platform/Files.h"
#include "platform/Types.h"

namespace {

// The test rooms, loaded once; null when the pack is missing.
XScene* Rooms() {
    static XScene* scene = [] () -> XScene* {
        const std::filesystem::path bin = std::filesystem::path(platform::ExecutablePath()).parent_path();
        const std::string dir = (bin / "Data" / "U09").string() + "/";
        SetMessageTableFolder(bin.string());
        if (!StartKernel(0, 16)) return nullptr;
        auto* s = new XScene();
        std::snprintf(s->m_Dir, sizeof s->m_Dir, "%s", dir.c_str());
        if (!Zelt_Scene_Create(&s->m_Scene)) return nullptr;
        s->AddMapDir((dir + "Maps\\").c_str());
        s->LoadSceneInfo();
        if (!s->Load("U09.ZELT")) return nullptr;
        s->m_FrameRate = 60.0f;
        return s;
    }();
    return scene;
}

// Walking forward (the move computed with the obstacle ray) and the move
// applied with sliding and ground following. `wall` starts each step
// against the slanted wall, where the sphere meets faces; otherwise in the
// open middle of the first room.
void WalkStep(benchmark::State& state, bool wall) {
    XScene* scene = Rooms();
    if (!scene) {
        state.SkipWithError("no data pack beside the program");
        return;
    }
    XCameraPilot& pilot = *scene->m_Pilot;
    const float x = wall ? -112.0f : 0.0f, y = wall ? -170.0f : 0.0f, theta = wall ? 3.14159f : 0.0f;
    g_Keys[platform::VK_UP] = 1;
    for (auto _ : state) {
        pilot.SetPosition(x, y, 70.0f);
        pilot.SetAngles(theta, 1.5707960f);
        pilot.m_Speed = g_WalkSpeed;
        scene->m_Pilot->Step();
        benchmark::DoNotOptimize(pilot.m_Position[0]);
    }
    g_Keys[platform::VK_UP] = 0;
}

void BM_PilotStepOpenFloor(benchmark::State& state) { WalkStep(state, false); }
void BM_PilotStepAgainstSlantedWall(benchmark::State& state) { WalkStep(state, true); }

}  // namespace

BENCHMARK(BM_PilotStepOpenFloor);
BENCHMARK(BM_PilotStepAgainstSlantedWall);
