// Lua conversions, protected calls, walks of the object tree, and the bunnymark: N
// sprites moved by a Lua handler through ObjMultiSet every frame, drawn through the
// OpenGL renderer headless.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <lua.hpp>
#include <memory>
#include <string>
#include <vector>

#include "budget_search.h"
#include "callgrind_frames.h"
#include "core/frame_info.h"
#include "core/input_event.h"
#include "data/data.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "graphics/device_texture.h"
#include "graphics/gl/render_gl.h"
#include "graphics/image_codec.h"
#include "graphics/null_render_device.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "peer_bunnymark.h"
#include "platform/desktop.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "scene/sprite.h"
#include "script/script_api.h"
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
    auto quietLog =
        LogSinkSeam().Install([](const std::string&) { return true; });  // the log line is part of the cost
    vK_DataScriptFunction fn = hub.CompileCode("local t = {1, 2, 3}; error('x')");
    for (auto _ : state) benchmark::DoNotOptimize(hub.CallFunction(fn, nullptr));
    quietLog.Reset();
}
BENCHMARK(BM_FailingCallWithReport);

namespace {
// Draws nowhere: the walk, not the back end, is measured.
class NullRender : public vK_Render {
public:
    NullRender() : vK_Render(std::make_unique<vK_NullRenderDevice>()) {}
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

// Set-up: range(0) loose objects attached to one parent, with equal z (range(1) 0) or
// with falling z (1: every child goes in front of the others). Goal: linear in N (the
// complexity fit below the rows).
static void BM_AddChildren(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<vK_Object*> loose;
    for (auto _ : state) {
        state.PauseTiming();
        vK_Object* parent = vK_Object::CreateObject("obj", "setup_parent");
        loose.clear();
        for (int i = 0; i < n; ++i) {
            loose.push_back(vK_Object::CreateObject("obj", "setup_" + std::to_string(i)));
            if (state.range(1)) loose.back()->SetZ(static_cast<float>(n - i));
        }
        state.ResumeTiming();
        for (vK_Object* child : loose) parent->AddChild(child);
        state.PauseTiming();
        vK_Object::ReleaseAll();
        state.ResumeTiming();
    }
    state.SetComplexityN(n);
}
BENCHMARK(BM_AddChildren)
    ->ArgsProduct({{5000, 10000, 20000}, {0}})
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddChildren)
    ->ArgsProduct({{5000, 10000, 20000}, {1}})
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// ---- bunnymark -------------------------------------------------------------------------
//
// N sprites of one 4 x 4 texture bounce in 1024 x 768. Every frame a Lua function moves
// each sprite and hands all new positions to the engine in one ObjMultiSet call with
// the list {{name, {pos_x = x, pos_y = y}}, ...}. Two ways to write that script: the
// reusing one builds the list once and writes the new positions into each sprite's
// property table; the fresh one builds a new list with new tables every frame, as an
// author would write it first. Then the engine's frame goes on as its loop runs it:
// the synthetic pointer move (a hit test of the live tree), the scene update and the
// draw through the OpenGL renderer.
//
// CPU per frame, in ms:
// - script: the whole Lua call, split into
//   - lua: the same function with ObjMultiSet replaced by an empty Lua function,
//   - native: the rest, the ObjMultiSet call (reading the tables, finding the sprites
//     by name, writing their properties);
// - input: the synthetic pointer move at the middle of the screen;
// - update: the scene's update of the tree;
// - batch: the draw walk building the batch (transforms, quads);
// - submit: EndDraw and EndFrame, where the one batch goes to GL;
// - finish: glFinish, the driver rasterising (on the CPU with Mesa's llvmpipe).
// The stages are timed in this thread's CPU time, finish in wall time.
namespace {

// The stages run on this thread: their CPU time is what they cost, also on a machine
// that other work shares. glFinish waits for the driver's threads: wall time.
struct Clock {
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<Clock, duration>;
    static time_point now() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return time_point(duration(int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec));
    }
};
using WallClock = std::chrono::steady_clock;
constexpr int kWidth = 1024, kHeight = 768;
constexpr double kBudgetMs = 1000.0 / 60.0;
// The yardstick: this many Lua-moved sprites within the budget of engine CPU.
constexpr int kGoalSprites = 10000;

template <typename Duration>
double Ms(Duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

const char* const kBunnyLua = R"(
bunnies = {}
moves = {}
function bunny_init(n)
  bunnies, moves = {}, {}
  local seed = 12345
  local function rnd()
    seed = (seed * 1103515245 + 12345) % 2147483648
    return seed / 2147483648
  end
  for i = 1, n do
    local b = {pos = {pos_x = rnd() * 1024, pos_y = rnd() * 768},
               vx = 50 + rnd() * 100, vy = 50 + rnd() * 100}
    bunnies[i] = b
    moves[i] = {"b" .. (i - 1), b.pos}
  end
end
function bunny_move(dt)
  for i = 1, #bunnies do
    local b = bunnies[i]
    local pos = b.pos
    local x, y = pos.pos_x + b.vx * dt, pos.pos_y + b.vy * dt
    if x < 0 then x = 0; b.vx = -b.vx elseif x > 1024 then x = 1024; b.vx = -b.vx end
    if y < 0 then y = 0; b.vy = -b.vy elseif y > 768 then y = 768; b.vy = -b.vy end
    pos.pos_x, pos.pos_y = x, y
  end
end
function bunny_step(dt)
  bunny_move(dt)
  ObjMultiSet(moves)
end
function bunny_step_fresh(dt)
  bunny_move(dt)
  local fresh = {}
  for i = 1, #bunnies do
    local pos = bunnies[i].pos
    fresh[i] = {moves[i][1], {pos_x = pos.pos_x, pos_y = pos.pos_y}}
  end
  ObjMultiSet(fresh)
end
)";

struct BunnyTiming {
    double script = 0, lua = 0, input = 0, update = 0, batch = 0, submit = 0, finish = 0;
    double wall = 0;  // the whole frame in wall time
    double Native() const { return std::max(0.0, script - lua); }
    double Engine() const { return script + input + update + batch + submit; }
    double Total() const { return Engine() + finish; }
    double Fps() const { return wall > 0 ? 1000.0 / wall : 0.0; }
    void Add(const BunnyTiming& t, double w) {
        script += t.script * w, lua += t.lua * w, input += t.input * w;
        update += t.update * w, batch += t.batch * w, submit += t.submit * w, finish += t.finish * w;
        wall += t.wall * w;
    }
};

// The sprites' textures: a white 4 x 4 square and a 32 x 32 disc (the fill-bound case).
void WriteBunnyTextures(const std::string& dir) {
    std::vector<uint8_t> pixels(4 * 4 * 4, 255);
    std::vector<uint8_t> png;
    EncodePng(pixels.data(), 4, 4, png);
    std::ofstream(dir + "/assets/bunny.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    std::vector<uint8_t> disc(32 * 32 * 4, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const float dx = x - 15.5f, dy = y - 15.5f;
            uint8_t* p = &disc[(y * 32 + x) * 4];
            const bool in = dx * dx + dy * dy <= 256.0f, checker = (x / 4 + y / 4) % 2 == 0;
            p[0] = checker ? 255 : 51, p[1] = checker ? 217 : 140, p[2] = checker ? 51 : 255,
            p[3] = in ? 255 : 0;
        }
    EncodePng(disc.data(), 32, 32, png);
    std::ofstream(dir + "/assets/bunny32.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

// The GL context, the services, the script host and the texture, shared by every run.
struct BunnyWorld {
    vK_Seam<vK_LogSink>::Registration quietLog;  // first made, last gone
    BunnyWorld() {
        quietLog = LogSinkSeam().Install([](const std::string&) { return true; });
        PrepareProcess();  // the engine's heap settings, as the game runs with them
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        window = SDL_CreateWindow("bench", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window) return;
        context = SDL_GL_CreateContext(window);
        if (!context) return;
        SDL_GL_SetSwapInterval(0);
        char pattern[] = "/tmp/vrakko_bunny_XXXXXX";
        dir = mkdtemp(pattern);
        std::filesystem::create_directories(dir + "/assets");
        WriteBunnyTextures(dir);
        files = std::make_unique<vK_FileManager>();
        files->SetAssetRoot(dir);
        files->RegisterProviders();
        quietLog =
            LogSinkSeam().Install([](const std::string&) { return true; });  // above the file manager's
        resources = std::make_unique<vK_ResourceManager>();
        render = std::make_unique<vK_Render>(std::make_unique<vK_Render_Impl>());
        render->Init(kWidth, kHeight);
        hub = std::make_unique<vK_ScriptHub>();
        RegisterScriptApi(*hub);
        scene = std::make_unique<vK_Scene>();
        vK_Object::RegisterEngineTypes();
        vK_Sprite::RegisterType();
        lua_State* L = hub->GetLuaState();
        if (luaL_dostring(L, kBunnyLua) != 0) lua_pop(L, 1);
        // The Lua-only variant: the same step with an empty ObjMultiSet.
        if (luaL_dostring(L, "bunny_nop = function() end") != 0) lua_pop(L, 1);
    }
    ~BunnyWorld() {
        scene.reset();
        vK_Object::ReleaseAll();
        hub.reset();
        render.reset();
        resources.reset();
        files.reset();
        if (context) SDL_GL_DeleteContext(context);
        if (window) SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (!dir.empty()) std::filesystem::remove_all(dir);
        quietLog.Reset();
    }
    bool Ready() const { return render != nullptr && hub != nullptr; }

    // Calls the global Lua function name with one number; the time it took.
    double Call(const char* name, double arg) {
        lua_State* L = hub->GetLuaState();
        const auto start = Clock::now();
        lua_getglobal(L, name);
        lua_pushnumber(L, arg);
        if (lua_pcall(L, 1, 0, 0) != 0) {
            std::fprintf(stderr, "lua: %s\n", lua_tostring(L, -1));
            lua_pop(L, 1);
        }
        return Ms(Clock::now() - start);
    }
    // Runs the step with ObjMultiSet swapped for the empty function.
    double CallLuaOnly(const char* step, double dt) {
        lua_State* L = hub->GetLuaState();
        if (luaL_dostring(L, "__real_multiset = ObjMultiSet; ObjMultiSet = bunny_nop") != 0) lua_pop(L, 1);
        const double ms = Call(step, dt);
        if (luaL_dostring(L, "ObjMultiSet = __real_multiset") != 0) lua_pop(L, 1);
        return ms;
    }

    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    bool present = false;  // frames end in a swap instead of glFinish
    std::string dir;
    std::unique_ptr<vK_FileManager> files;
    std::unique_ptr<vK_ResourceManager> resources;
    std::unique_ptr<vK_Render> render;
    std::unique_ptr<vK_ScriptHub> hub;
    std::unique_ptr<vK_Scene> scene;
};

BunnyWorld& TheBunnyWorld() {
    static BunnyWorld world;
    return world;
}

// N bunnies under the live root and in the script's list; removed when it goes. fresh
// picks the script that builds new tables every frame; texture is "bunny" or "bunny32".
class Bunnies {
public:
    explicit Bunnies(int n, bool fresh = false, const char* texture = "bunny")
        : step_(fresh ? "bunny_step_fresh" : "bunny_step") {
        BunnyWorld& w = TheBunnyWorld();
        container_ = vK_Object::CreateObject("obj", "bunnies");
        w.scene->GetLiveRoot()->AddChild(container_);
        vK_DataTable props;
        props.SetString("res", std::string("assets/") + texture);
        for (int i = 0; i < n; ++i) {
            std::string name = "b";  // appended, not "b" + ...: avoids a false -Wrestrict of g++ 12
            name += std::to_string(i);
            vK_Object* sprite = vK_Object::CreateObject("spr", name);
            container_->AddChild(sprite);
            sprite->SetProperties(props);
        }
        w.Call("bunny_init", n);
    }
    ~Bunnies() {
        vK_Object::Destroy(container_);
        vK_Object::FlushGraveyard();
    }

    BunnyTiming Frame(float dt, bool split) {
        BunnyWorld& w = TheBunnyWorld();
        BunnyTiming t;
        const auto frameStart = WallClock::now();
        vK_InputEvent move;
        move.type = vK_InputEvent::kPointerMove;
        move.key = vK_InputEvent::kPointerKey;
        move.x = kWidth / 2, move.y = kHeight / 2;
        vK_FrameInfo frame;
        frame.dt = frame.elapsed = dt;
        auto start = Clock::now();
        {
            CountedStage counted;
            w.scene->DispatchInput(move);
            t.input = Ms(Clock::now() - start);
            t.script = w.Call(step_, dt);
            start = Clock::now();
            w.scene->UpdateScene(frame);
            t.update = Ms(Clock::now() - start);
        }
        w.render->BeginFrame();
        w.render->BeginDraw();
        start = Clock::now();
        {
            CountedStage counted;
            w.scene->GetLiveRoot()->Draw(*w.render, vK_DrawParams());
        }
        t.batch = Ms(Clock::now() - start);
        start = Clock::now();
        w.render->EndDraw();
        w.render->EndFrame();
        t.submit = Ms(Clock::now() - start);
        const auto wall = WallClock::now();
        if (w.present)
            SDL_GL_SwapWindow(w.window);
        else
            glFinish();
        t.finish = Ms(WallClock::now() - wall);
        t.wall = Ms(WallClock::now() - frameStart);
        // Outside the frame: dt 0 leaves the positions where the real step put them.
        if (split) t.lua = w.CallLuaOnly(step_, 0.0);
        return t;
    }

    // The mean over frames after two warm-up frames.
    BunnyTiming Measure(int frames, bool split) {
        Frame(1.0f / 60, false);
        Frame(1.0f / 60, false);
        BunnyTiming sum;
        for (int i = 0; i < frames; ++i) sum.Add(Frame(1.0f / 60, split), 1.0 / frames);
        return sum;
    }

private:
    const char* step_;
    vK_Object* container_ = nullptr;
};

void BM_Bunnymark(benchmark::State& state) {
    if (!TheBunnyWorld().Ready()) {
        state.SkipWithError("no OpenGL 3.3 context");
        return;
    }
    Bunnies bunnies(static_cast<int>(state.range(0)));
    BunnyTiming sum;
    int frames = 0;
    for (auto _ : state) {
        sum.Add(bunnies.Frame(1.0f / 60, false), 1.0);
        ++frames;
    }
    state.counters["script_ms"] = sum.script / frames;
    state.counters["update_ms"] = sum.update / frames;
    state.counters["batch_ms"] = sum.batch / frames;
    state.counters["submit_ms"] = sum.submit / frames;
    state.counters["finish_ms"] = sum.finish / frames;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Bunnymark)->Arg(1000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

void PrintBunnyTable() {
    if (!TheBunnyWorld().Ready()) return;
    std::printf("\nBunnymark: N sprites moved by Lua through ObjMultiSet, 1024 x 768, CPU ms per frame\n");
    std::printf("%6s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s\n", "N", "script", "lua", "native", "input",
                "update", "batch", "submit", "engine", "finish", "total");
    BudgetSearch engine(kBudgetMs), total(kBudgetMs);
    for (int n : {1000, 2000, 5000, 10000, 15000, 20000}) {
        Bunnies bunnies(n);
        const BunnyTiming t = bunnies.Measure(n >= 10000 ? 10 : 20, true);
        std::printf("%6d %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f\n", n, t.script, t.lua,
                    t.Native(), t.input, t.update, t.batch, t.submit, t.Engine(), t.finish, t.Total());
        engine.Add(n, t.Engine());
        total.Add(n, t.Total());
    }
    std::printf(
        "script = lua + native (native: the ObjMultiSet call, reading the tables, finding the sprites,\n"
        "writing their properties); engine = script + update + batch + submit; total adds finish\n"
        "(glFinish: llvmpipe rasterising).\n");
    const auto measure = [](int n) {
        Bunnies bunnies(n);
        return bunnies.Measure(5, false);
    };
    const int bestEngine = engine.Largest([&](int n) { return measure(n).Engine(); });
    const int bestTotal = total.Largest([&](int n) { return measure(n).Total(); });
    std::printf("Largest N within %.1f ms of engine CPU per frame: about %d sprites (goal %d: %s)\n",
                kBudgetMs, bestEngine, kGoalSprites, bestEngine >= kGoalSprites ? "met" : "not met");
    std::printf("Largest N within %.1f ms including the driver's rasterising: about %d sprites\n", kBudgetMs,
                bestTotal);
}

// Our frame rates beside the goals and beside the peer's in the same run, both measured
// alike: whole frames (input, script, update, draw, submit) presented by a swap, wall time
// over 120 frames after 30 warm-up frames, so the machine's load counts for both sides.
// "finished" is the rate when every frame also waits for the driver's rasterising.
void PrintPeerTable() {
    if (!TheBunnyWorld().Ready()) return;
    const std::map<int, double> peer4 = RunPeerBunnymark(4, "10000,20000");
    const std::map<int, double> peer32 = RunPeerBunnymark(32, "3000");
    std::printf("\nLua-moved sprites beside the peer framework, 1024 x 768, frames per second\n");
    if (peer4.empty()) std::printf("(the peer did not run: install Debian's package love to compare)\n");
    std::printf("%-40s %6s %8s %8s %9s  %s\n", "scenario", "N", "vrakko", "peer", "finished", "goal");
    struct Row {
        const char* name;
        int n;
        bool fresh;
        const char* texture;
    };
    const Row rows[] = {
        {"4x4, fresh tables every frame", 10000, true, "bunny"},
        {"4x4, fresh tables every frame", 20000, true, "bunny"},
        {"4x4, tables reused", 10000, false, "bunny"},
        {"4x4, tables reused", 20000, false, "bunny"},
        {"32x32, tables reused (fill-bound)", 3000, false, "bunny32"},
    };
    for (const Row& row : rows) {
        Bunnies bunnies(row.n, row.fresh, row.texture);
        const double finished = bunnies.Measure(60, false).Fps();
        BunnyWorld& w = TheBunnyWorld();
        w.present = true;
        const double fps = PresentedFps([&] { bunnies.Frame(1.0f / 60, false); }, [] { glFinish(); });
        w.present = false;
        const bool fill = row.texture == std::string("bunny32");
        const std::map<int, double>& peer = fill ? peer32 : peer4;
        char goal[64];
        if (fill) {
            auto it = peer.find(row.n);
            std::snprintf(goal, sizeof goal, "above the peer%s",
                          it == peer.end() ? "" : (fps > it->second ? ": met" : ": not met"));
        } else {
            const double wanted = row.n <= 10000 ? kGoalLuaFps10k : kGoalLuaFps20k;
            std::snprintf(goal, sizeof goal, ">= %.0f fps: %s", wanted, fps >= wanted ? "met" : "not met");
        }
        std::printf("%-40s %6d %8.1f %8s %9.1f  %s\n", row.name, row.n, fps, PeerFps(peer, row.n).c_str(),
                    finished, goal);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // VRAKKO_CALLGRIND_FRESH=1 picks the script that builds fresh tables every frame.
    if (const int frames = CallgrindFrames()) {
        if (!TheBunnyWorld().Ready()) return 1;
        const char* fresh = std::getenv("VRAKKO_CALLGRIND_FRESH");
        Bunnies bunnies(CallgrindSprites(), fresh && *fresh == '1');
        for (int i = 0; i < frames; ++i) bunnies.Frame(1.0f / 60, false);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // VRAKKO_BUNNY_TABLES=budget or =peer prints only that table.
    const char* tables = std::getenv("VRAKKO_BUNNY_TABLES");
    const std::string only = tables ? tables : "";
    if (only.empty() || only == "budget") PrintBunnyTable();
    if (only.empty() || only == "peer") PrintPeerTable();
    return 0;
}
