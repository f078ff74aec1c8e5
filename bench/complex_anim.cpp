// Complex animations: 100 animated objects ("anim") sharing one complex animation of 20
// parts (a body with a chain of 19 children, each with position, angle, scale and
// alpha curves, one of them a deformed grid). One frame = the scene update (curve
// evaluation and composition down each part tree) and the draw preparation (quads and
// grid triangles into batches); batches go to a renderer without a device.
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

// The rig: part 0 at the top, each further part a child of the previous one.
std::string Rig(int parts) {
    std::string objs, lines;
    for (int i = 0; i < parts; ++i)
        objs += "<obj name=\"p" + std::to_string(i) + "\" res=\"part\" pos_x=\"12\">";
    for (int i = 0; i < parts; ++i) objs += "</obj>";
    for (int i = 0; i < parts; ++i) {
        const std::string n = std::to_string(i);
        lines += "<obj name=\"p" + n + "\">";
        lines +=
            "<anim tp=\"angle\" loop=\"1\"><fr t=\"0\" v=\"0\" i=\"3\"/><fr t=\"1\" v=\"0.2\" i=\"3\"/>"
            "<fr t=\"2\" v=\"0\"/></anim>";
        lines +=
            "<anim tp=\"scale_x\"><fr t=\"0\" v=\"1\" i=\"4\" fm_v=\"1.2\"/><fr t=\"2\" v=\"0.9\"/></anim>";
        lines += "<anim tp=\"alpha\"><fr t=\"0\" v=\"1\"/><fr t=\"2\" v=\"0.8\"/></anim>";
        lines += "<anim tp=\"pos_y\"><fr t=\"0\" v=\"0\" i=\"1\"/><fr t=\"2\" v=\"4\"/></anim>";
        if (i == parts - 1) {
            lines +=
                "<anim tp=\"grid\"><triangles><tr v0=\"0\" v1=\"1\" v2=\"2\"/><tr v0=\"1\" v1=\"2\" "
                "v2=\"3\"/>"
                "</triangles><fr t=\"0\"><vertexs><v x=\"0\" y=\"0\"/><v x=\"16\" y=\"0\" tu=\"1\"/>"
                "<v x=\"0\" y=\"16\" tv=\"1\"/><v x=\"16\" y=\"16\" tu=\"1\" tv=\"1\"/></vertexs></fr>"
                "<fr t=\"2\"><vertexs><v x=\"2\" y=\"0\"/><v x=\"18\" y=\"0\" tu=\"1\"/>"
                "<v x=\"0\" y=\"16\" tv=\"1\"/><v x=\"16\" y=\"18\" tu=\"1\" "
                "tv=\"1\"/></vertexs></fr></anim>";
        }
        lines += "</obj>";
    }
    return "<animation type=\"complex\"><objs>" + objs + "</objs><funcs><func name=\"idle\" loop=\"1\">" +
           lines + "</func></funcs></animation>";
}

struct World {
    vK_Seam<vK_LogSink>::Registration quietLog;  // first made, last gone
    World() {
        quietLog = LogSinkSeam().Install([](const std::string&) { return true; });
        folder =
            std::filesystem::temp_directory_path() / ("vrakko_bench_complex_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder / "assets/anims");
        std::vector<uint8_t> bgra(16 * 16 * 4, 200), png;
        EncodePng(bgra.data(), 16, 16, png);
        Write("assets/anims/part.png", std::string(png.begin(), png.end()));
        Write("assets/anims/rig.xml", Rig(kParts));
        files.SetAssetRoot(folder.string());
        files.SetSaveFolder((folder / "save").string());
        files.SetIdentity("Publisher", "Game");
        files.RegisterProviders();
        render.Init(1024, 768);
        vK_Animation::RegisterType();
        origin = vK_Object::CreateObject("obj", "vk_origin");
        origin->SetRoot(true);
        origin->EnterScene();
        for (int i = 0; i < kAnimations; ++i) {
            vK_Object* anim = vK_Object::CreateObject("anim", "rig_" + std::to_string(i));
            vK_DataTable props;
            props.SetString("res", "assets/anims/rig");
            props.SetFloat("pos_x", static_cast<float>((i * 37) % 1024));
            props.SetFloat("pos_y", static_cast<float>((i * 91) % 768));
            props.SetString("animfunc", "idle");
            props.SetBool("playing", true);
            anim->SetProperties(props);
            origin->AddChild(anim);
            anim->Update(vK_FrameInfo{0.013f * static_cast<float>(i % 97), 0.0f, 0.0f});
        }
    }
    ~World() {
        vK_Object::ReleaseAll();
        std::filesystem::remove_all(folder);
    }
    void Write(const std::string& relative, const std::string& text) {
        std::ofstream(folder / relative, std::ios::binary) << text;
    }
    static constexpr int kAnimations = 100;
    static constexpr int kParts = 20;

    std::filesystem::path folder;
    vK_FileManager files;
    vK_ResourceManager resources;
    CountingRender render;
    vK_Object* origin = nullptr;
};

void BM_ComplexAnimUpdate(benchmark::State& state) {
    World world;
    const vK_FrameInfo frame{1.0f / 60.0f, 1.0f / 60.0f, 0.0f};
    for (auto _ : state) world.origin->Update(frame);
}

void BM_ComplexAnimDrawPrepare(benchmark::State& state) {
    World world;
    world.origin->Update(vK_FrameInfo{1.0f / 60.0f, 1.0f / 60.0f, 0.0f});
    for (auto _ : state) {
        world.render.BeginDraw();
        world.origin->Draw(world.render, vK_DrawParams());
        world.render.EndDraw();
    }
    state.counters["vertices_per_frame"] =
        static_cast<double>(world.render.vertexCount) / static_cast<double>(state.iterations());
}

// One whole frame: update and draw preparation of 100 animations x 20 parts.
void BM_ComplexAnimFrame(benchmark::State& state) {
    World world;
    const vK_FrameInfo frame{1.0f / 60.0f, 1.0f / 60.0f, 0.0f};
    for (auto _ : state) {
        world.origin->Update(frame);
        world.render.BeginDraw();
        world.origin->Draw(world.render, vK_DrawParams());
        world.render.EndDraw();
    }
}

BENCHMARK(BM_ComplexAnimUpdate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComplexAnimDrawPrepare)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComplexAnimFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
