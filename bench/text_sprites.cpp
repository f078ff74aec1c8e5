// Text rendering and sprite hit tests.
//
// BM_TextParagraph: layout and CPU rasterisation of a six-line paragraph (DejaVu Sans
// 20 px, word wrap at 540 px) with shadow and outline, as a text object does on every
// change; reported as time per render. BM_TextParagraphPlain: the same without shadow
// and outline, to show what the two extra passes cost.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/font.h"
#include "graphics/glyph_rasterizer.h"

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

}  // namespace

static void BM_TextParagraph(benchmark::State& state) { RenderParagraph(state, true); }
BENCHMARK(BM_TextParagraph)->Unit(benchmark::kMillisecond);

static void BM_TextParagraphPlain(benchmark::State& state) { RenderParagraph(state, false); }
BENCHMARK(BM_TextParagraphPlain)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
