// Lua conversions, protected calls, and walks of the object tree.
#include <benchmark/benchmark.h>

#include <lua.hpp>
#include <string>

#include "core/frame_info.h"
#include "core/input_event.h"
#include "data/data.h"
#include "files/log.h"
#include "graphics/device_texture.h"
#include "graphics/render.h"
#include "scene/object.h"
#include "script/script_hub.h"

static void BM_DataRoundTrip(benchmark::State& state) {
    vK_ScriptHub hub;
    vK_DataArray items;
    for (int i = 0; i < state.range(0); ++i) {
        vK_DataTable* t = items.PushTable();
        t->SetInt("id", i);
        t->SetString("name", "item" + std::to_string(i));
        t->SetFloat("x", i * 0.5f);
    }
    for (auto _ : state) {
        hub.PushData(&items);
        benchmark::DoNotOptimize(hub.PopData());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DataRoundTrip)->Arg(10)->Arg(1000);

static void BM_ProtectedCall(benchmark::State& state) {
    vK_ScriptHub hub;
    vK_DataScriptFunction fn = hub.CompileCode("local s = vk_params.sender");
    vK_DataArray args;
    args.PushTable()->SetString("sender", "obj");
    for (auto _ : state) benchmark::DoNotOptimize(hub.CallFunction(fn, &args));
}
BENCHMARK(BM_ProtectedCall);

static void BM_FailingCallWithReport(benchmark::State& state) {
    vK_ScriptHub hub;
    SetLogSink([](const std::string&) { return true; });  // the log line is part of the cost
    vK_DataScriptFunction fn = hub.CompileCode("local t = {1, 2, 3}; error('x')");
    for (auto _ : state) benchmark::DoNotOptimize(hub.CallFunction(fn, nullptr));
    SetLogSink(nullptr);
}
BENCHMARK(BM_FailingCallWithReport);

namespace {
// Draws nowhere: the walk, not the back end, is measured.
class NullRender : public vK_Render {
public:
    std::unique_ptr<vK_DeviceTexture> CreateDeviceTexture() override { return nullptr; }
};
}  // namespace

// A tree of range(0) objects, 10 per parent, updated, drawn and hit-tested.
static void BM_TreeWalk(benchmark::State& state) {
    vK_Object* root = vK_Object::CreateObject("obj", "bench_root");
    root->EnterScene();
    vK_Object* parent = root;
    for (int i = 0; i < state.range(0); ++i) {
        vK_Object* o = vK_Object::CreateObject("obj", "bench_" + std::to_string(i));
        o->SetPosition(static_cast<float>(i % 7), static_cast<float>(i % 5));
        o->SetZ(static_cast<float>(i % 3));
        o->SetInputRect(true, {0, 0, 10, 10});
        parent->AddChild(o);
        if (i % 10 == 9) parent = o;
    }
    NullRender render;
    render.Init(1024, 768);
    vK_FrameInfo frame{1.0f / 60, 1.0f / 60, 0};
    vK_DrawParams top;
    vK_InputEvent move;
    move.type = vK_InputEvent::kPointerMove;
    move.x = 500;
    move.y = 500;
    for (auto _ : state) {
        root->Update(frame);
        root->Draw(render, top);
        benchmark::DoNotOptimize(root->InputTest(move, nullptr, top));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    vK_Object::ReleaseAll();
}
BENCHMARK(BM_TreeWalk)->Arg(100)->Arg(10000);
BENCHMARK_MAIN();
