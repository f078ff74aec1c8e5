// CPU time of one particle frame (update, then the draw that builds the vertex lists and
// hands them to the renderer's batching; no device, so no GL submission):
// - 10,000 live particles in one random-emitter system (goal: under 4 ms per frame);
// - 10,000 live particles in one parametric system (goal: under 4 ms per frame);
// - 100 script-driven systems of 50 particles each, every particle running a small
//   particle script per frame (no stated goal; reported for comparison).
// Steady state: each system is warmed up to its particle count before timing, and births
// balance deaths while it runs. 60 frames per second, one core.
#include <benchmark/benchmark.h>
#include <tinyxml2.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/frame_info.h"
#include "core/random.h"
#include "files/log.h"
#include "graphics/device_texture.h"
#include "graphics/null_render_device.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "graphics/texture.h"
#include "particles/part_sys_impl_complex.h"
#include "particles/part_sys_impl_jan.h"
#include "particles/part_sys_impl_rnd.h"

namespace {
constexpr float kDt = 1.0f / 60.0f;
constexpr double kGoalMs = 4.0;

class StubTexture : public vK_Texture {
public:
    bool Load(const std::string&) override { return true; }
};

class NullRender : public vK_Render {
public:
    NullRender() : vK_Render(std::make_unique<vK_NullRenderDevice>()) {}
};

// 10,000 per 1 s cycle, each living 1 s; spreads on direction, speed, scale and colour.
const char* const kRnd =
    "<ps type=\"rnd\" ver=\"1.3\"><emit playing=\"1\" loop=\"1\" lifetime=\"1\" res=\"assets/b/dot\">"
    "<delta speed=\"20\" scale=\"0.2\"/>"
    "<spread><p t=\"0\" v=\"6.28\"/></spread><part_count><p t=\"0\" v=\"10001\"/></part_count>"
    "<part_lifetime><p t=\"0\" v=\"1\"/></part_lifetime><particles>"
    "<speed_x><p t=\"0\" v=\"80\" mf_v=\"60\"/><p t=\"1\" v=\"10\" mb_v=\"20\"/></speed_x>"
    "<speed_y><p t=\"0\" v=\"80\" mf_v=\"60\"/><p t=\"1\" v=\"10\" mb_v=\"20\"/></speed_y>"
    "<gravity><p t=\"0\" v=\"30\"/></gravity><scale_x><p t=\"0\" v=\"1\"/><p t=\"1\" v=\"0.2\"/></scale_x>"
    "<scale_y><p t=\"0\" v=\"1\"/><p t=\"1\" v=\"0.2\"/></scale_y><rotate_speed><p t=\"0\" "
    "v=\"2\"/></rotate_speed>"
    "<alpha><p t=\"0\" v=\"1\"/><p t=\"1\" v=\"0\"/></alpha><color_r delta=\"0.2\"><p t=\"0\" "
    "v=\"0.8\"/></color_r>"
    "<color_g><p t=\"0\" v=\"0.7\"/></color_g><color_b><p t=\"0\" "
    "v=\"0.5\"/></color_b></particles></emit></ps>";

// 167 a frame living 60 frame units: about 10,000 alive.
const char* const kJan =
    "<ps type=\"jan\"><emit res=\"assets/b/dot\" lifetime=\"60\" delay=\"0\" born_count=\"167\""
    " pos_x_delta=\"200\" pos_y_delta=\"100\" speed_x=\"0.5\" speed_x_delta=\"1\" speed_y=\"-1\" "
    "speed_y_delta=\"0.5\""
    " speed_xf=\"0.99\" speed_yf=\"0.98\" grav=\"0.05\" gravf=\"1.01\" grotate_speed=\"2\" grotatef=\"0.99\""
    " scale_mode=\"1\" scale_x=\"0.5\" scale_x_delta=\"0.2\" scale_x_speed=\"0.01\" scale_xf=\"0.99\""
    " rotate_speed=\"3\" rotatef=\"0.99\" alpha=\"1\" alpha_mode=\"1\" color_r=\"255\" color_g=\"200\""
    " color_b=\"120\" color_b_speed=\"1\"/></ps>";

// 50 a second living 1 s, each particle moved by its script every frame.
const char* const kComplex =
    "<ps><process>if ps_state == 0 then CreateEmitter('a', 0, 0); ps_state = 1 end</process><emit>"
    "<a res=\"assets/b/dot\"><process>CreateParticles(ps_dt * 50)</process>"
    "<bornpart>DieAfter(1); SetProperty('vx', Random(-30, 30)); Animate(vk_alpha, {0, 0, 50, 1, 100, "
    "0})</bornpart>"
    "<processpart>SetProperty(vk_pos_x, GetProperty(vk_pos_x) + GetProperty('vx') * ps_dt)</processpart>"
    "</a></emit></ps>";

template <class Impl>
std::unique_ptr<Impl> Make(const char* xml) {
    tinyxml2::XMLDocument doc;
    doc.Parse(xml);
    auto impl = std::make_unique<Impl>();
    impl->LoadXml(*doc.FirstChildElement("ps"));
    impl->Start();
    impl->AcquireTextures();
    return impl;
}

struct World {
    vK_ResourceManager resources;
    NullRender render;
    std::shared_ptr<vK_Texture> dot = std::make_shared<StubTexture>();  // the cache only points
    World() {
        resources.AddResource("assets/b/dot", dot);
        render.Init(1024, 768);
        vK_Random::Seed(1);
    }
};

void Frame(vK_PartSysImpl& impl, vK_Render& render) {
    impl.Update(vK_FrameInfo{kDt, kDt, 0});
    render.BeginDraw();
    vK_DrawParams state;
    state.matrix = vK_Matrix::Translation(512, 384);
    impl.Draw(render, state);
    render.EndDraw();
}

template <class Impl>
void RunSingle(benchmark::State& state, const char* xml) {
    World world;
    auto impl = Make<Impl>(xml);
    for (int i = 0; i < 120; ++i) Frame(*impl, world.render);  // two seconds to steady state
    double particles = 0;
    for (auto _ : state) {
        Frame(*impl, world.render);
        particles += impl->GetParticleCount();
    }
    state.counters["particles"] = particles / static_cast<double>(state.iterations());
    state.counters["goal_ms"] = kGoalMs;
}

void BM_RandomEmitter10k(benchmark::State& state) { RunSingle<vK_PartSysImpl_Rnd>(state, kRnd); }
void BM_Parametric10k(benchmark::State& state) { RunSingle<vK_PartSysImpl_Jan>(state, kJan); }

void BM_ScriptDriven100x50(benchmark::State& state) {
    World world;
    std::vector<std::unique_ptr<vK_PartSysImpl_Complex>> systems;
    for (int i = 0; i < 100; ++i) systems.push_back(Make<vK_PartSysImpl_Complex>(kComplex));
    for (int f = 0; f < 90; ++f)
        for (auto& s : systems) Frame(*s, world.render);
    double particles = 0;
    for (auto _ : state) {
        for (auto& s : systems) Frame(*s, world.render);
        for (auto& s : systems) particles += s->GetParticleCount();
    }
    state.counters["particles"] = particles / static_cast<double>(state.iterations());
}
}  // namespace

BENCHMARK(BM_RandomEmitter10k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parametric10k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScriptDriven100x50)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    vK_LogCapture quiet;
    benchmark::Initialize(&argc, argv);
    std::printf(
        "Goal: under %.0f ms of CPU per frame for 10,000 live particles (random-emitter and parametric)\n",
        kGoalMs);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
