// Text rendering and sprite hit tests.
//
// BM_SpriteHitTests: 1,000 sprites of one 64 x 64 PNG (a disc: the corners are
// transparent), scattered, turned and scaled, each asked whether a random point hits
// an opaque pixel (inverse transform plus alpha-mask lookup); reported as hit tests
// per second. BM_ScenePick: the scene's pick of the topmost sprite under a random
// point among the same 1,000 (InputTest of the live root).
//
// BM_TextParagraph: layout and CPU rasterisation of a six-line paragraph (DejaVu Sans
// 20 px, word wrap at 540 px) with shadow and outline, as a text object does on every
// change; reported as time per render. BM_TextParagraphPlain: the same without shadow
// and outline, to show what the two extra passes cost.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/input_event.h"
#include "data/data.h"
#include "files/file_manager.h"
#include "graphics/device_texture.h"
#include "graphics/font.h"
#include "graphics/glyph_rasterizer.h"
#include "graphics/image_codec.h"
#include "graphics/null_render_device.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "scene/object.h"
#include "scene/sprite.h"

namespace {

const char* const kParagraph =
    "The lighthouse keeper left a <b>brass key</b> under the third stone of the pier, "
    "wrapped in a page torn from the ship's log. Whoever finds it must read the "
    "<color r=\"1\" g=\"0.8\" b=\"0.2\">tide table</color> carefully: the cellar floods "
    "at the full moon, and the clock on the mantelpiece has been stopped at a quarter "
    "past nine since the storm.";

constexpr int kMaxWidth = 540;

struct FontFixture {
    FontFixture() {
        std::ifstream regular("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
        std::ifstream bold("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", std::ios::binary);
        font.AddFace(0, {std::istreambuf_iterator<char>(regular), std::istreambuf_iterator<char>()});
        font.AddFace(1, {std::istreambuf_iterator<char>(bold), std::istreambuf_iterator<char>()});
    }
    vK_GlyphRasterizer rasterizer;
    vK_Font font;
};

FontFixture& Fixture() {
    static FontFixture fixture;
    return fixture;
}

void RenderParagraph(benchmark::State& state, bool effects) {
    vK_Font& font = Fixture().font;
    vK_TextStyle style;
    style.fontsize = 20;
    style.align = 0;
    if (effects) {
        style.display_shadow = 1;
        style.shadow_pos_x = 2;
        style.shadow_pos_y = 2;
        style.shadow_aplha = 0.6f;
        style.display_outline = 1;
        style.outline_size = 3;
    }
    vK_TextBitmap block;
    for (auto _ : state) {
        font.RenderBitmap(kParagraph, kMaxWidth, style, block);
        benchmark::DoNotOptimize(block.pixels.data());
    }
    state.counters["width"] = block.width;
    state.counters["height"] = block.height;
}

// Device textures kept in memory: hit tests read the alpha mask, never the GPU.
class MemoryDevice : public vK_DeviceTexture {
public:
    bool Allocate(int width, int height, bool, std::string&) override {
        width_ = width;
        height_ = height;
        pixels_.assign(static_cast<size_t>(width) * height * 4, 0);
        return true;
    }
    bool Upload(const uint8_t* bgra, int width, int height, int rowBytes) override {
        for (int y = 0; y < height && y < height_; ++y)
            std::copy_n(bgra + static_cast<size_t>(y) * rowBytes, std::min(width, width_) * 4,
                        pixels_.begin() + static_cast<ptrdiff_t>(y) * width_ * 4);
        return true;
    }
    bool Fill(uint8_t b, uint8_t g, uint8_t r, uint8_t a) override {
        for (size_t i = 0; i < pixels_.size(); i += 4)
            pixels_[i] = b, pixels_[i + 1] = g, pixels_[i + 2] = r, pixels_[i + 3] = a;
        return true;
    }
    bool Read(std::vector<uint8_t>& bgra) const override {
        bgra = pixels_;
        return true;
    }
    void ReleaseDevice() override { pixels_.clear(); }
    bool IsValid() const override { return !pixels_.empty(); }
    int GetWidth() const override { return width_; }
    int GetHeight() const override { return height_; }

private:
    int width_ = 0, height_ = 0;
    std::vector<uint8_t> pixels_;
};

class MemoryTextureDevice : public vK_NullRenderDevice {
public:
    std::unique_ptr<vK_DeviceTexture> CreateTexture() override { return std::make_unique<MemoryDevice>(); }
};

class MemoryRender : public vK_Render {
public:
    MemoryRender() : vK_Render(std::make_unique<MemoryTextureDevice>()) {}
};

struct SpriteScene {
    static constexpr int kSprites = 1000;

    SpriteScene() {
        char pattern[] = "/tmp/vrakko_bench_XXXXXX";
        dir = mkdtemp(pattern);
        std::filesystem::create_directories(dir + "/assets/images");
        std::vector<uint8_t> disc(64 * 64 * 4, 0);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const int dx = x - 32, dy = y - 32;
                if (dx * dx + dy * dy < 30 * 30) disc[(y * 64 + x) * 4 + 3] = 255;
            }
        }
        std::vector<uint8_t> png;
        EncodePng(disc.data(), 64, 64, png);
        std::ofstream(dir + "/assets/images/disc.png", std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
        files.SetAssetRoot(dir);
        files.RegisterProviders();
        render.Init(1024, 768);
        vK_Sprite::RegisterType();
        origin = vK_Object::CreateObject("obj", "vk_origin");
        origin->SetRoot(true);
        origin->EnterScene();
        std::mt19937 random(7);
        std::uniform_real_distribution<float> x(0, 1024), y(0, 768), angle(0, 6.28f), scale(0.5f, 1.5f);
        for (int i = 0; i < kSprites; ++i) {
            // Built in two steps: "s" + std::to_string(i) trips a false -Wrestrict in g++ 12.
            std::string name = "s";
            name += std::to_string(i);
            vK_Object* sprite = vK_Object::CreateObject("spr", name);
            origin->AddChild(sprite);
            vK_DataTable props;
            props.SetString("res", "assets/images/disc");
            props.SetFloat("pos_x", x(random));
            props.SetFloat("pos_y", y(random));
            props.SetFloat("ang", angle(random));
            props.SetFloat("scale_x", scale(random));
            props.SetFloat("scale_y", scale(random));
            sprite->SetProperties(props);
            sprites.push_back(static_cast<vK_Sprite*>(sprite));
            states.push_back(sprite->ComputeDrawState(vK_DrawParams()));
        }
        for (int i = 0; i < 4096; ++i) points.push_back({x(random), y(random)});
    }
    ~SpriteScene() {
        vK_Object::ReleaseAll();
        std::filesystem::remove_all(dir);
    }

    std::string dir;
    vK_FileManager files;
    vK_ResourceManager resources;
    MemoryRender render;
    vK_Object* origin = nullptr;
    std::vector<vK_Sprite*> sprites;
    std::vector<vK_DrawParams> states;
    std::vector<std::pair<float, float>> points;
};

}  // namespace

static void BM_SpriteHitTests(benchmark::State& state) {
    SpriteScene scene;
    size_t p = 0;
    int64_t hits = 0;
    for (auto _ : state) {
        const auto [x, y] = scene.points[p++ & 4095];
        for (int i = 0; i < SpriteScene::kSprites; ++i)
            hits += scene.sprites[i]->HitTest(x, y, scene.states[i]);
    }
    benchmark::DoNotOptimize(hits);
    state.SetItemsProcessed(state.iterations() * SpriteScene::kSprites);
    state.counters["hit_share"] = static_cast<double>(hits) / (state.iterations() * SpriteScene::kSprites);
}
BENCHMARK(BM_SpriteHitTests)->Unit(benchmark::kMicrosecond);

static void BM_ScenePick(benchmark::State& state) {
    SpriteScene scene;
    size_t p = 0;
    int picked = 0;
    vK_InputEvent event;
    event.type = vK_InputEvent::kPointerMove;
    for (auto _ : state) {
        const auto [x, y] = scene.points[p++ & 4095];
        event.x = x;
        event.y = y;
        picked += scene.origin->InputTest(event, nullptr, vK_DrawParams()) != nullptr;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["picked_share"] = static_cast<double>(picked) / state.iterations();
}
BENCHMARK(BM_ScenePick)->Unit(benchmark::kMicrosecond);

static void BM_TextParagraph(benchmark::State& state) { RenderParagraph(state, true); }
BENCHMARK(BM_TextParagraph)->Unit(benchmark::kMillisecond);

static void BM_TextParagraphPlain(benchmark::State& state) { RenderParagraph(state, false); }
BENCHMARK(BM_TextParagraphPlain)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
