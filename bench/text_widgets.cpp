// Fitting labels into a width, as the "textadapt" widget does.
//
// BM_FitCut/N: a label of N characters (DejaVu Sans, 20 px down to 16 px, 180 px wide)
// fitted by lowering the size, squeezing and cutting with "...": advances measured with
// the font once per size tried, no rendering. BM_TickerStep/N: one ticker step over the
// measured ticker string of the same label, the work a running ticker does every letter
// delay before it renders its window; it should not grow with N.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game/widgets/text_adapt.h"
#include "graphics/font.h"
#include "graphics/glyph_rasterizer.h"

namespace {

struct FontFixture {
    FontFixture() {
        std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
        font.AddFace(0, {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    }
    vY_TextAdapt::Measurer Measurer() {
        return [this](const std::string& text, int size) {
            font.SetSize(-1, size);
            return vY_TextAdapt::Line(text, size, [this](int32_t code) { return font.GetAdvance(code, 0); });
        };
    }
    vK_GlyphRasterizer rasterizer;
    vK_Font font;
};

std::string Label(size_t length) {
    const std::string words = "Silver candlestick with a broken handle and a brass pocket watch ";
    std::string label;
    while (label.size() < length) label += words;
    label.resize(length);
    return label;
}

vY_TextAdapt::FitRules Rules(int type) {
    vY_TextAdapt::FitRules rules;
    rules.maxWidth = 180;
    rules.shortTextType = type;
    return rules;
}

void BM_FitCut(benchmark::State& state) {
    FontFixture fixture;
    const std::string label = Label(static_cast<size_t>(state.range(0)));
    const vY_TextAdapt::Measurer measure = fixture.Measurer();
    for (auto _ : state) benchmark::DoNotOptimize(vY_TextAdapt::FitText(label, Rules(0), measure));
}
BENCHMARK(BM_FitCut)->Arg(40)->Arg(160)->Arg(640);

void BM_TickerStep(benchmark::State& state) {
    FontFixture fixture;
    const vY_TextAdapt::Fit fit =
        vY_TextAdapt::FitText(Label(static_cast<size_t>(state.range(0))), Rules(1), fixture.Measurer());
    int index = 0;
    std::string shown;
    for (auto _ : state) {
        index = vY_TextAdapt::TickerStep(fit.tickerLine, index, fit.tickerLead, fit.tickerWidth, shown);
        benchmark::DoNotOptimize(shown);
    }
}
BENCHMARK(BM_TickerStep)->Arg(40)->Arg(160)->Arg(640);

}  // namespace

BENCHMARK_MAIN();
