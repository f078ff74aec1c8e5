// Frame animations: N animated objects ("anim") of one shared frame animation under the
// live root, each with its own phase. One frame = the scene update (each animation's
// frame step) and the draw preparation (the tree walk building batches: transforms,
// quads, batch state); batches are handed to a renderer without a device, so no
// graphics driver time is included. With cross-fade every object draws two quads.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/frame_info.h"
#include "counting_render.h"
#include "data/data.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "graphics/device_texture.h"
#include "graphics/image_codec.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "scene/animation.h"
#include "scene/object.h"

namespace {

struct World {
    vK_Seam<vK_LogSink>::Registration quietLog;  // first made, last gone
    explicit World(bool crossFade) {
        quietLog = LogSinkSeam().Install([](const std::string&) { return true; });
        folder = std::filesystem::temp_directory_path() / ("vrakko_bench_anim_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder / "assets/anims");
        std::vector<uint8_t> bgra(256 * 64 * 4, 200), png;
        EncodePng(bgra.data(), 256, 64, png);
        Write("assets/anims/flame_page.png", std::string(png.begin(), png.end()));
        std::string atlas = "<frametexture>";
        for (int f = 0; f < 4; ++f)
            atlas += "<frame texture=\"flame_page\" left=\"" + std::to_string(f * 64) +
                     "\" top=\"0\" widht=\"64\" height=\"64\" x=\"32\" y=\"32\"/>";
        Write("assets/anims/flame.xml", atlas + "</frametexture>");
        Write("assets/anims/candle.xml",
              std::string("<animation type=\"frame\" frame_texture=\"flame\"><function name=\"burn\" "
                          "frametime=\"80\" loop=\"1\" alpha=\"") +
                  (crossFade ? "1" : "0") +
                  "\"><frame idx=\"0\"/><frame idx=\"1\"/><frame idx=\"2\"/><frame idx=\"3\"/></function>"
                  "</animation>");
        files.SetAssetRoot(folder.string());
        files.SetSaveFolder((folder / "save").string());
        files.SetIdentity("Publisher", "Game");
        files.RegisterProviders();
        render.Init(1024, 768);
        vK_Animation::RegisterType();
        origin = vK_Object::CreateObject("obj", "vk_origin");
        origin->SetRoot(true);
        origin->EnterScene();
    }
    ~World() {
        vK_Object::ReleaseAll();
        std::filesystem::remove_all(folder);
    }
    void Write(const std::string& relative, const std::string& text) {
        std::ofstream(folder / relative, std::ios::binary) << text;
    }
    void Populate(int count) {
        for (int i = 0; i < count; ++i) {
            vK_Object* anim = vK_Object::CreateObject("anim", "candle_" + std::to_string(i));
            vK_DataTable props;
            props.SetString("res", "assets/anims/candle");
            props.SetFloat("pos_x", static_cast<float>((i * 37) % 1024));
            props.SetFloat("pos_y", static_cast<float>((i * 91) % 768));
            props.SetString("animfunc", "burn");
            props.SetBool("playing", true);
            anim->SetProperties(props);
            origin->AddChild(anim);
            // Spread the phases so that the objects do not all step in the same frame.
            anim->Update(vK_FrameInfo{0.08f * static_cast<float>(i % 4) + 0.001f * static_cast<float>(i % 79),
                                      0.0f, 0.0f});
        }
    }

    std::filesystem::path folder;
    vK_FileManager files;
    vK_ResourceManager resources;
    CountingRender render;
    vK_Object* origin = nullptr;
};

void BM_FrameAnimUpdate(benchmark::State& state) {
    World world(state.range(1) != 0);
    world.Populate(static_cast<int>(state.range(0)));
    const vK_FrameInfo frame{1.0f / 60.0f, 1.0f / 60.0f, 0.0f};
    for (auto _ : state) world.origin->Update(frame);
    state.counters["ns_per_object"] =
        benchmark::Counter(static_cast<double>(state.iterations() * state.range(0)),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_FrameAnimDrawPrepare(benchmark::State& state) {
    World world(state.range(1) != 0);
    world.Populate(static_cast<int>(state.range(0)));
    const vK_FrameInfo frame{1.0f / 60.0f, 1.0f / 60.0f, 0.0f};
    world.origin->Update(frame);
    for (auto _ : state) {
        world.render.BeginDraw();
        world.origin->Draw(world.render, vK_DrawParams());
        world.render.EndDraw();
    }
    state.counters["ns_per_object"] =
        benchmark::Counter(static_cast<double>(state.iterations() * state.range(0)),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["batches_per_frame"] =
        static_cast<double>(world.render.batches) / static_cast<double>(state.iterations());
}

void BM_FrameAnimFrame(benchmark::State& state) {
    World world(state.range(1) != 0);
    world.Populate(static_cast<int>(state.range(0)));
    const vK_FrameInfo frame{1.0f / 60.0f, 1.0f / 60.0f, 0.0f};
    for (auto _ : state) {
        world.origin->Update(frame);
        world.render.BeginDraw();
        world.origin->Draw(world.render, vK_DrawParams());
        world.render.EndDraw();
    }
}

// Arguments: objects, cross-fade.
BENCHMARK(BM_FrameAnimUpdate)->Args({1000, 0})->Args({1000, 1})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameAnimDrawPrepare)->Args({1000, 0})->Args({1000, 1})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameAnimFrame)->Args({1000, 0})->Args({1000, 1})->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
