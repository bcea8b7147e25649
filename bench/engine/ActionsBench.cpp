// Processor time of one scene step with 100 animated objects (animation
// tree update and pending transforms), and of firing actions on a click.
// The door of the test rooms is loaded 100 times from the data pack beside
// the program (build/bin/Data, or LUMORA_DATA).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "include/zelt/zelt.h"
#include "lumora/engine/SceneList.h"
#include "lumora/engine/XAction.h"
#include "lumora/engine/XAnimation.h"
#include "lumora/engine/XObject3D.h"
#include "lumora/engine/XScene.h"
#include "lumora/shell/Globals.h"
#include "lumora/shell/Report.h"

namespace {

std::string DataRoot() {
    if (const char* data = std::getenv("LUMORA_DATA"); data && *data) return std::string(data) + "/";
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "Data").string() + "/";
}

// A scene holding `count` animated doors, each with its object node.
class DoorsScene : public XScene {
public:
    bool Fill(int count) {
        const std::string dir = DataRoot() + "U09/";
        if (!Zelt_Scene_Create(&m_Scene)) return false;
        CreateTrees();
        AddMapDir((dir + "Maps\\").c_str());
        for (int i = 0; i < count; ++i) {
            ZeltObject* door = nullptr;
            if (!Zelt_Load_Sdk_o3d(m_Scene, (dir + "Door.O3D").c_str(), &door)) return false;
            std::snprintf(door->name, sizeof door->name, "*B%03d", i);
            if (!LoadAnim((dir + "Anim/Door.A3D").c_str(), door, 15.0f)) return false;
            auto* node = new XObject3D(4, ++m_ObjectCount, door->name, door, this);
            m_Objects->AddChild(node, 0);
            // Every other door is also moved by a script.
            if (i % 2) node->SetPosition("", static_cast<float>(i), 0.0f, 0.0f, 0);
        }
        return true;
    }
};

void Quiet() {
    SetDebugOutSink([](std::string_view) {});
}

void BM_SceneStep100AnimatedObjects(benchmark::State& state) {
    Quiet();
    if (!StartKernel(0, 16)) {
        state.SkipWithError("kernel");
        return;
    }
    DoorsScene scene;
    if (!scene.Fill(100)) {
        state.SkipWithError("cannot load the doors from the data pack");
        return;
    }
    g_FrameTime = 1.0f / 30.0f;
    for (auto _ : state) {
        scene.Animate();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SceneStep100AnimatedObjects)->Unit(benchmark::kMicrosecond);

// Firing on a sender with a chain of alternatives, each with a condition.
void BM_FireActions(benchmark::State& state) {
    Quiet();
    XActionManager manager(nullptr);
    XObject3D door(4, 1, "*U09_03", nullptr, nullptr);
    const int alternatives = static_cast<int>(state.range(0));
    for (int i = 0; i < alternatives; ++i) {
        XActionInfoRecord r;
        r.m_Id = i;
        std::snprintf(r.m_Name, sizeof r.m_Name, "A%d", i);
        std::snprintf(r.m_Sender, sizeof r.m_Sender, "*U09_03");
        // Only the last alternative holds; the others fail on their condition.
        std::snprintf(r.m_Condition, sizeof r.m_Condition, "%s", i + 1 < alternatives ? "( 200 201 ) & !m202 m203" : "!m250 & (!m251)");
        r.m_RepeatLimit = 100;
        r.m_Event = 4;
        r.m_SubCount = 2;
        r.m_Subs[0].m_Type = kSubEnable;
        // Switches itself on: a name search through the tree, nothing changes.
        std::snprintf(r.m_Subs[0].m_Param, sizeof r.m_Subs[0].m_Param, "A%d", i);
        r.m_Subs[1].m_Type = kSubCursorValue;
        std::snprintf(r.m_Subs[1].m_Param, sizeof r.m_Subs[1].m_Param, "2");
        manager.Add(new XAction(r, &door, &door, &manager));
    }
    for (auto _ : state) {
        manager.Fire(&door);
        benchmark::DoNotOptimize(manager.m_Current);
    }
}
BENCHMARK(BM_FireActions)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond);

}  // namespace
