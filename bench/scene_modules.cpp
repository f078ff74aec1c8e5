// Pointer dispatch through the scene, property animations per frame, and module
// object descriptions turned into objects.
#include <benchmark/benchmark.h>

#include <string>

#include "core/frame_info.h"
#include "core/input_event.h"
#include "files/log.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "script/module_file.h"
#include "script/script_hub.h"

namespace {
// Appending instead of "o" + to_string(i) sidesteps a false -Wrestrict of g++ 12 at -O3.
std::string Name(const char* prefix, int i) {
    std::string name = prefix;
    name += std::to_string(i);
    return name;
}

// N objects in a grid of 100 x 100 unit cells under "vk_origin", each with an input
// rectangle; handlers are empty, so the cost is the hit test and the scene's logic.
struct SceneFixture {
    vK_Seam<vK_LogSink>::Registration quietLog;  // first made, last gone
    explicit SceneFixture(int n) {
        quietLog = LogSinkSeam().Install([](const std::string&) { return true; });
        vK_Object::RegisterEngineTypes();
        for (int i = 0; i < n; ++i) {
            vK_Object* o = vK_Object::CreateObject("obj", Name("o", i));
            vK_DataTable props;
            props.SetFloat("pos_x", static_cast<float>((i % 100) * 100));
            props.SetFloat("pos_y", static_cast<float>((i / 100) * 100));
            props.SetBool("inputrect_init", true);
            props.SetFloat("inputrect_w", 90);
            props.SetFloat("inputrect_h", 90);
            props.SetBool("drag", true);
            o->SetProperties(props);
            scene.GetLiveRoot()->AddChild(o);
        }
    }
    ~SceneFixture() {
        scene.GetLiveRoot()->DeleteChildren();
        vK_Object::ReleaseAll();
        quietLog.Reset();
    }
    vK_ScriptHub hub;
    vK_Scene scene;
};
}  // namespace

// One pointer move across the scene per iteration: one hit-test pass plus hover.
static void BM_DispatchMove(benchmark::State& state) {
    SceneFixture f(static_cast<int>(state.range(0)));
    vK_InputEvent move;
    move.type = vK_InputEvent::kPointerMove;
    int step = 0;
    for (auto _ : state) {
        move.x = static_cast<float>((step * 37) % 10000);
        move.y = static_cast<float>((step * 53) % 1000);
        ++step;
        f.scene.DispatchInput(move);
        f.hub.RunDeferredHandlers();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DispatchMove)->Arg(100)->Arg(1000)->Arg(10000);

// UpdateScene of N objects, each with an absolute and an additive animation.
static void BM_AnimatedUpdate(benchmark::State& state) {
    SceneFixture f(static_cast<int>(state.range(0)));
    const float pos[] = {0, 0, 0, 1, 3, 100};
    const float alp[] = {0, 0, 1, 1, 1, 0};
    for (int i = 0; i < state.range(0); ++i) {
        vK_Object* o = vK_Object::FindObject(Name("o", i));
        o->AnimateProperty(0, true, false, {}, pos, 6);
        o->AnimateProperty(8, true, true, {}, alp, 6);
    }
    vK_FrameInfo frame;
    frame.dt = frame.elapsed = 1.0f / 60;
    for (auto _ : state) f.scene.UpdateScene(frame);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AnimatedUpdate)->Arg(1000)->Arg(10000);

// A module description of N objects parsed and created, then destroyed.
static void BM_ModuleXml(benchmark::State& state) {
    auto quietLog = LogSinkSeam().Install([](const std::string&) { return true; });
    vK_Object::RegisterEngineTypes();
    std::string xml = "<module name=\"m\"><objs><obj _name=\"root\">";
    for (int i = 0; i < state.range(0); ++i) {
        xml += "<obj _name=\"";
        xml += Name("n", i);
        xml += "\" pos_x=\"1.5\" pos_y=\"2\" alp=\"0.5\" drag=\"1\"/>";
    }
    xml += "</obj></objs></module>";
    for (auto _ : state) {
        {
            vK_ModuleFile module("assets/bench", "p_", false);
            module.ReadXml(xml);
        }
        vK_Object::FlushGraveyard();
    }
    vK_Object::ReleaseAll();
    quietLog.Reset();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ModuleXml)->Arg(100)->Arg(1000);
BENCHMARK_MAIN();
