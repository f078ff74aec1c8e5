// N moving sprites from one atlas, drawn through the scene and the OpenGL renderer,
// headless (SDL's offscreen driver on Mesa when there is no display).
//
// The scenario, kept simple so that it can be repeated with other 2D engines:
// - one 256 x 64 atlas page with four 64 x 64 frames (frame-texture XML), 1024 x 768
//   target, normal blending, no crop;
// - N sprites under the live root, each showing frame i % 4 at a random position with a
//   random velocity (50..150 px/s, bouncing off the edges) and a spin of 1 rad/s;
// - one frame = update (positions and angles set on every sprite, then the scene's
//   update of the tree), scene draw (the tree walk building batches: transforms,
//   quads, batch state), GL submission (the vertex stream, its upload and the draw calls; with
//   llvmpipe this includes the driver's vertex processing and binning, which a GPU
//   driver would not do on the CPU) and finish (glFinish: the driver rasterising;
//   llvmpipe does it on the CPU too).
// Reported per frame in CPU milliseconds; the table after the benchmarks also gives
// the largest N whose update + draw + submission + finish stays within 16.7 ms.
//
// The bunnymark scenario, the common yardstick of 2D engines: N sprites of one 4 x 4
// texture bouncing inside 1024 x 768, each moved by two looping property animations
// (pos_x and pos_y, triangle waves between the edges), so no script runs per frame.
// One frame = update (the synthetic pointer move the engine loop sends every frame, a
// hit test of the live tree, then the scene update: animation ticks and transforms),
// batch building (the draw walk outside DrawBatch) and GL submission (DrawBatch plus
// glFinish, so the driver's share is bounded inside the frame). The last table runs the
// peer framework's bunnymark in the same run and prints both frame rates.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "budget_search.h"
#include "callgrind_frames.h"
#include "core/frame_info.h"
#include "core/input_event.h"
#include "data/data.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "graphics/gl/render_gl.h"
#include "graphics/image_codec.h"
#include "graphics/resource_manager.h"
#include "peer_bunnymark.h"
#include "platform/desktop.h"
#include "scene/object.h"
#include "scene/property_animation.h"
#include "scene/scene.h"
#include "scene/sprite.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 1024, kHeight = 768;
constexpr double kFrameBudgetMs = 1000.0 / 60.0;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Times the submission: handing each batch to the back end (recording it into the
// frame's vertex stream) and issuing the recorded draws.
class TimedDevice : public vK_Render_Impl {
public:
    void SubmitBatch(const std::shared_ptr<vK_Texture>& texture, const vK_BatchGeometry& geometry,
                     const BatchState& state) override {
        const auto start = Clock::now();
        vK_Render_Impl::SubmitBatch(texture, geometry, state);
        submit += Clock::now() - start;
        ++batches;
    }
    void Flush() override {
        const auto start = Clock::now();
        vK_Render_Impl::Flush();
        submit += Clock::now() - start;
    }
    Clock::duration submit{};
    int batches = 0;
};

class TimedRender : public vK_Render {
public:
    TimedRender() : TimedRender(new TimedDevice) {}

private:
    explicit TimedRender(TimedDevice* device)
        : vK_Render(std::unique_ptr<vK_RenderDevice>(device)), device_(*device) {}
    TimedDevice& device_;

public:
    Clock::duration& submit = device_.submit;
    int& batches = device_.batches;
};

struct Timing {
    double update = 0, draw = 0, submit = 0, finish = 0;
    int batches = 0;
    double Engine() const { return update + draw + submit; }
    double Total() const { return Engine() + finish; }
};

// The GL context, the services and the atlas, shared by every run.
struct World {
    vK_Seam<vK_LogSink>::Registration quietLog;  // first made, last gone
    World() {
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
        char pattern[] = "/tmp/vrakko_sprites_XXXXXX";
        dir = mkdtemp(pattern);
        std::filesystem::create_directories(dir + "/assets/atlas");
        std::vector<uint8_t> page(256 * 64 * 4, 0);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 256; ++x) {
                const int dx = x % 64 - 32, dy = y - 32;
                uint8_t* p = &page[(y * 256 + x) * 4];
                p[0] = static_cast<uint8_t>(x), p[1] = static_cast<uint8_t>(y * 4), p[2] = 200;
                p[3] = dx * dx + dy * dy < 30 * 30 ? 255 : 0;
            }
        std::vector<uint8_t> png;
        EncodePng(page.data(), 256, 64, png);
        WriteFile(dir + "/assets/atlas/page.png", png);
        // The bunny: 4 x 4, opaque white with a transparent corner.
        std::vector<uint8_t> bunny(4 * 4 * 4, 255);
        bunny[3] = 0;
        EncodePng(bunny.data(), 4, 4, png);
        WriteFile(dir + "/assets/bunny.png", png);
        std::ofstream xml(dir + "/assets/atlas/items.xml");
        xml << "<frametexture>";
        for (int f = 0; f < 4; ++f)
            xml << "<frame texture=\"page\" left=\"" << f * 64
                << "\" top=\"0\" widht=\"64\" height=\"64\" x=\"32\" y=\"32\"/>";
        xml << "</frametexture>";
        xml.close();
        files = std::make_unique<vK_FileManager>();
        files->SetAssetRoot(dir);
        files->RegisterProviders();
        quietLog =
            LogSinkSeam().Install([](const std::string&) { return true; });  // above the file manager's
        resources = std::make_unique<vK_ResourceManager>();
        render = std::make_unique<TimedRender>();
        render->Init(kWidth, kHeight);
        scene = std::make_unique<vK_Scene>();
        vK_Sprite::RegisterType();
    }
    ~World() {
        scene.reset();
        vK_Object::ReleaseAll();
        render.reset();
        resources.reset();
        files.reset();
        if (context) SDL_GL_DeleteContext(context);
        if (window) SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (!dir.empty()) std::filesystem::remove_all(dir);
        quietLog.Reset();
    }
    bool Ready() const { return render != nullptr; }
    static void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    bool present = false;  // frames end in a swap instead of glFinish
    std::string dir;
    std::unique_ptr<vK_FileManager> files;
    std::unique_ptr<vK_ResourceManager> resources;
    std::unique_ptr<TimedRender> render;
    std::unique_ptr<vK_Scene> scene;
};

World& TheWorld() {
    static World world;
    return world;
}

// Draws the live tree through the timed renderer and waits for the driver: fills in
// draw (batch building), submit and finish.
void DrawScene(Timing& t) {
    World& w = TheWorld();
    w.render->submit = {};
    w.render->batches = 0;
    auto start = Clock::now();
    w.render->BeginFrame();
    w.render->BeginDraw();
    {
        CountedStage counted;
        w.scene->GetLiveRoot()->Draw(*w.render, vK_DrawParams());
    }
    w.render->EndDraw();
    w.render->EndFrame();
    const double drawAll = Ms(Clock::now() - start);
    start = Clock::now();
    if (w.present)
        SDL_GL_SwapWindow(w.window);
    else
        glFinish();
    t.finish = Ms(Clock::now() - start);
    t.submit = Ms(w.render->submit);
    t.draw = drawAll - t.submit;
    t.batches = w.render->batches;
}

// The mean of a scene's frames after one warm-up frame.
template <typename Scene>
Timing MeanOver(Scene& scene, int frames) {
    scene.Frame(1.0f / 60.0f);
    Timing sum;
    for (int i = 0; i < frames; ++i) {
        const Timing t = scene.Frame(1.0f / 60.0f);
        sum.update += t.update, sum.draw += t.draw, sum.submit += t.submit, sum.finish += t.finish;
        sum.batches = t.batches;
    }
    sum.update /= frames, sum.draw /= frames, sum.submit /= frames, sum.finish /= frames;
    return sum;
}

struct Mover {
    vK_Object* object;
    float x, y, vx, vy, angle;
};

// N sprites under the live root; removed again when the field goes.
class Field {
public:
    explicit Field(int n) {
        World& w = TheWorld();
        std::mt19937 random(42);
        std::uniform_real_distribution<float> px(0, kWidth), py(0, kHeight), speed(50, 150),
            dir(0, 6.2831853f);
        container_ = vK_Object::CreateObject("obj", "field");
        w.scene->GetLiveRoot()->AddChild(container_);
        movers_.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            std::string name = "s";
            name += std::to_string(i);
            vK_Object* sprite = vK_Object::CreateObject("spr", name);
            container_->AddChild(sprite);
            vK_DataTable props;
            props.SetString("res", "assets/atlas/items");
            props.SetInt("frame", i % 4);
            sprite->SetProperties(props);
            const float a = dir(random), v = speed(random);
            movers_.push_back({sprite, px(random), py(random), std::cos(a) * v, std::sin(a) * v, a});
        }
    }
    ~Field() {
        vK_Object::Destroy(container_);
        vK_Object::FlushGraveyard();
    }

    Timing Frame(float dt) {
        World& w = TheWorld();
        Timing t;
        auto start = Clock::now();
        for (Mover& m : movers_) {
            m.x += m.vx * dt;
            m.y += m.vy * dt;
            if (m.x < 0 || m.x > kWidth) m.vx = -m.vx;
            if (m.y < 0 || m.y > kHeight) m.vy = -m.vy;
            m.angle += dt;
            m.object->SetPosition(m.x, m.y);
            m.object->SetAngle(m.angle);
        }
        vK_FrameInfo frame;
        frame.dt = frame.elapsed = dt;
        w.scene->UpdateScene(frame);
        t.update = Ms(Clock::now() - start);

        DrawScene(t);
        return t;
    }

    Timing Measure(int frames) { return MeanOver(*this, frames); }

private:
    vK_Object* container_ = nullptr;
    std::vector<Mover> movers_;
};

// Bunnymark: N sprites of the 4 x 4 texture, each bouncing along two looping
// property animations; removed again when the field goes.
class Bunnies {
public:
    static constexpr float kSize = 4.0f;

    explicit Bunnies(int n) {
        World& w = TheWorld();
        std::mt19937 random(7);
        std::uniform_real_distribution<float> px(0, kWidth - kSize), py(0, kHeight - kSize), speed(60, 240),
            sign(-1, 1);
        container_ = vK_Object::CreateObject("obj", "bunnies");
        w.scene->GetLiveRoot()->AddChild(container_);
        const vK_DataScriptFunction noHandler;
        for (int i = 0; i < n; ++i) {
            std::string name = "b";
            name += std::to_string(i);
            vK_Object* sprite = vK_Object::CreateObject("spr", name);
            container_->AddChild(sprite);
            vK_DataTable props;
            props.SetString("res", "assets/bunny");
            sprite->SetProperties(props);
            const std::vector<float> x = Bounce(px(random), kWidth - kSize, speed(random), sign(random) < 0);
            const std::vector<float> y = Bounce(py(random), kHeight - kSize, speed(random), sign(random) < 0);
            sprite->AnimateProperty(kAnimPosX, true, false, noHandler, x.data(), static_cast<int>(x.size()));
            sprite->AnimateProperty(kAnimPosY, true, false, noHandler, y.data(), static_cast<int>(y.size()));
        }
    }
    ~Bunnies() {
        vK_Object::Destroy(container_);
        vK_Object::FlushGraveyard();
    }

    // Keys (time, linear easing, value) of a triangle wave from start to one edge, to
    // the other and back to start, at speed px/s: one bounce period 2 * range / speed.
    static std::vector<float> Bounce(float start, float range, float speed, bool downFirst) {
        const float far = downFirst ? 0.0f : range, near = range - far;
        const float first = std::fabs(far - start) / speed, across = range / speed;
        return {0, 0, start, first, 0, far, first + across, 0, near, 2 * across, 0, start};
    }

    Timing Frame(float dt) {
        World& w = TheWorld();
        Timing t;
        auto start = Clock::now();
        vK_InputEvent move;
        move.type = vK_InputEvent::kPointerMove;
        move.key = vK_InputEvent::kPointerKey;
        move.x = kWidth / 2, move.y = kHeight / 2;
        vK_FrameInfo frame;
        frame.dt = frame.elapsed = dt;
        {
            CountedStage counted;
            w.scene->DispatchInput(move);
            w.scene->UpdateScene(frame);
        }
        t.update = Ms(Clock::now() - start);

        DrawScene(t);
        return t;
    }

    Timing Measure(int frames) { return MeanOver(*this, frames); }

private:
    vK_Object* container_ = nullptr;
};

// Runs a scene of state.range(0) sprites for the benchmark's iterations; false
// (reported as skipped) without a GL context.
template <typename Scene>
bool RunFrames(benchmark::State& state, Timing& mean) {
    if (!TheWorld().Ready()) {
        state.SkipWithError("no OpenGL 3.3 context");
        return false;
    }
    Scene scene(static_cast<int>(state.range(0)));
    int frames = 0;
    for (auto _ : state) {
        const Timing t = scene.Frame(1.0f / 60.0f);
        mean.update += t.update, mean.draw += t.draw, mean.submit += t.submit, mean.finish += t.finish;
        mean.batches = t.batches;
        ++frames;
    }
    frames = std::max(frames, 1);
    mean.update /= frames, mean.draw /= frames, mean.submit /= frames, mean.finish /= frames;
    return true;
}

void BM_Bunnymark(benchmark::State& state) {
    Timing mean;
    if (!RunFrames<Bunnies>(state, mean)) return;
    state.counters["update_ms"] = mean.update;
    state.counters["build_ms"] = mean.draw;
    state.counters["submit_ms"] = mean.submit + mean.finish;
    state.counters["finish_ms"] = mean.finish;  // the glFinish part of submit
    state.counters["draw_calls"] = mean.batches;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Bunnymark)->Arg(1000)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_MovingSprites(benchmark::State& state) {
    Timing mean;
    if (!RunFrames<Field>(state, mean)) return;
    state.counters["update_ms"] = mean.update;
    state.counters["draw_ms"] = mean.draw;
    state.counters["submit_ms"] = mean.submit;
    state.counters["finish_ms"] = mean.finish;
    state.counters["draw_calls"] = mean.batches;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MovingSprites)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A scene of n sprites measured over five frames.
template <typename Scene>
Timing MeasureScene(int n) {
    Scene scene(n);
    return scene.Measure(5);
}

void PrintTable() {
    if (!TheWorld().Ready()) return;
    std::printf("\nMoving sprites from one atlas, 1024 x 768, CPU ms per frame\n");
    std::printf("%8s %9s %9s %9s %9s %9s %9s %6s\n", "N", "update", "draw", "submit", "engine", "finish",
                "total", "calls");
    BudgetSearch engine(kFrameBudgetMs), total(kFrameBudgetMs);
    for (int n : {1000, 2000, 5000, 10000, 20000, 50000, 100000}) {
        Field field(n);
        const Timing t = field.Measure(n >= 20000 ? 5 : 20);
        std::printf("%8d %9.2f %9.2f %9.2f %9.2f %9.2f %9.2f %6d\n", n, t.update, t.draw, t.submit,
                    t.Engine(), t.finish, t.Total(), t.batches);
        engine.Add(n, t.Engine());
        total.Add(n, t.Total());
    }
    std::printf(
        "engine = update + draw + submit; finish = glFinish, the driver rasterising (on the CPU\n"
        "with Mesa's llvmpipe; a GPU takes it off the CPU).\n");
    const int bestEngine = engine.Largest([](int n) { return MeasureScene<Field>(n).Engine(); });
    const int bestTotal = total.Largest([](int n) { return MeasureScene<Field>(n).Total(); });
    std::printf("Largest N within %.1f ms of engine CPU per frame: about %d sprites\n", kFrameBudgetMs,
                bestEngine);
    std::printf("Largest N within %.1f ms including the driver's rasterising: about %d sprites\n",
                kFrameBudgetMs, bestTotal);
}

void PrintBunnymark() {
    if (!TheWorld().Ready()) return;
    std::printf("\nBunnymark: 4 x 4 sprites moved by looping property animations, CPU ms per frame\n");
    std::printf("%8s %9s %9s %9s %9s %6s\n", "N", "update", "build", "submit", "total", "calls");
    BudgetSearch search(kFrameBudgetMs);
    bool over = false;
    auto row = [&](int n) {
        Bunnies bunnies(n);
        const Timing t = bunnies.Measure(20);
        std::printf("%8d %9.2f %9.2f %9.2f %9.2f %6d\n", n, t.update, t.draw, t.submit + t.finish, t.Total(),
                    t.batches);
        search.Add(n, t.Total());
        over = over || t.Total() > kFrameBudgetMs;
    };
    for (int n : {1000, 2000, 5000, 10000, 15000, 20000}) row(n);
    // Past the scenario's range only until the budget is first exceeded.
    for (int n = 40000; !over && n <= 160000; n *= 2) row(n);
    std::printf("submit = DrawBatch + glFinish (the driver's vertex work and rasterising).\n");
    const int best = search.Largest([](int n) { return MeasureScene<Bunnies>(n).Total(); });
    std::printf("Largest N within %.1f ms per frame (update + build + submit): about %d sprites\n",
                kFrameBudgetMs, best);
}

// Frames per second beside the peer's in the same run, both measured alike: frames
// presented with a swap, wall time over 120 frames after 30 warm-up frames. Goal: at or
// above the peer. The glFinish-bounded rate (update, build, submit and the driver's whole
// rasterising inside each frame) is printed beside it.
void PrintPeerBunnymark() {
    if (!TheWorld().Ready()) return;
    const std::map<int, double> peer = RunPeerBunnymark(4, "10000,20000");
    std::printf("\nBunnymark moved by property animations beside the peer framework, frames per second\n");
    if (peer.empty()) std::printf("(the peer did not run: install Debian's package love to compare)\n");
    std::printf("%8s %8s %8s %10s  %s\n", "N", "vrakko", "peer", "finished", "goal: at or above the peer");
    for (int n : {10000, 20000}) {
        Bunnies bunnies(n);
        const double finished = 1000.0 / bunnies.Measure(60).Total();
        World& w = TheWorld();
        w.present = true;
        const double fps = PresentedFps([&] { bunnies.Frame(1.0f / 60.0f); }, [] { glFinish(); });
        w.present = false;
        auto it = peer.find(n);
        std::printf("%8d %8.1f %8s %10.1f  %s\n", n, fps, PeerFps(peer, n).c_str(), finished,
                    it == peer.end() ? "-" : (fps >= it->second ? "met" : "not met"));
    }
    std::printf("vrakko and peer: frames presented by a swap; finished: each frame waits for the driver.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (const int frames = CallgrindFrames()) {
        if (!TheWorld().Ready()) return 1;
        Bunnies bunnies(CallgrindSprites());
        for (int i = 0; i < frames; ++i) bunnies.Frame(1.0f / 60.0f);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // VRAKKO_SPRITES_TABLES=moving, =bunnymark or =peer prints only that table.
    const char* tables = std::getenv("VRAKKO_SPRITES_TABLES");
    const std::string only = tables ? tables : "";
    if (only.empty() || only == "moving") PrintTable();
    if (only.empty() || only == "bunnymark") PrintBunnymark();
    if (only.empty() || only == "peer") PrintPeerBunnymark();
    return 0;
}
