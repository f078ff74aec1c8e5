// Parsing and writing one ~1 MB game-data document with ParseJson/WriteJson, and
// with two widely used JSON libraries on the same bytes for comparison. After the
// runs a summary prints MB/s for each and the ratios.
#include "data/json.h"

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <string>

#include "data/data.h"

namespace {

// Levels of scene objects with property tables, key tracks (arrays of numbers),
// and string tables with escapes, as saved games and level data look.
std::string MakeDocument() {
    std::mt19937 rng(12345);
    auto unit = [&] { return static_cast<float>(rng() % 100000) / 100000.0f; };
    vK_DataTable root;
    root.SetString("version", "1.0.7");
    vK_DataArray* levels = root.SetArray("levels");
    for (int level = 0; level < 30; ++level) {
        vK_DataTable* l = levels->PushTable();
        l->SetString("name", "level_" + std::to_string(level));
        l->SetInt("music_volume", static_cast<int>(rng() % 100));
        vK_DataArray* objects = l->SetArray("objects");
        for (int i = 0; i < 40; ++i) {
            vK_DataTable* o = objects->PushTable();
            o->SetString("name", "obj_" + std::to_string(level) + "_" + std::to_string(i));
            o->SetString("type", i % 3 ? "spr" : "text");
            o->SetFloat("x", unit() * 1024.0f);
            o->SetFloat("y", unit() * 768.0f);
            o->SetFloat("alpha", unit());
            o->SetFloat("angle", unit() * 6.2831853f);
            o->SetBool("visible", rng() % 2 == 0);
            o->SetInt("layer", static_cast<int>(rng() % 20));
            o->SetString("texture",
                         "textures/level" + std::to_string(level) + "/item_" + std::to_string(i) + ".png");
            o->SetString("event_mdown", "OnClick(\"obj_" + std::to_string(i) + "\")\n\treturn true");
            vK_DataArray* track = o->SetArray("track");
            for (int k = 0; k < 12; ++k) track->PushFloat(unit() * 100.0f);
            vK_DataArray* frames = o->SetArray("frames");
            for (int k = 0; k < 8; ++k) frames->PushInt(static_cast<int>(rng() % 64));
            vK_DataTable* props = o->SetTable("props");
            props->SetInt("hits", static_cast<int>(rng() % 5));
            props->Set("score", new vK_DataDouble(static_cast<double>(rng()) / 7.0));
            props->SetString("hint", "Find the \\\"key\\\" \xC3\xA9 under the rug");
        }
    }
    vK_DataTable* strings = root.SetTable("strings");
    for (int i = 0; i < 1500; ++i) {
        strings->SetString(
            "str_" + std::to_string(i),
            "Dialogue line " + std::to_string(i) + ": \"Hello\",\tsaid the keeper.\nCaf\xC3\xA9 \\ done");
    }
    std::string text;
    WriteJson(&root, text, false);
    return text;
}

const std::string& Document() {
    static const std::string doc = MakeDocument();
    return doc;
}

void Count(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(Document().size()));
}

void Parse_Vrakko(benchmark::State& state) {
    for (auto _ : state) {
        auto value = ParseJson(Document());
        if (!value) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(value.get());
    }
    Count(state);
}

void Parse_RapidJSON(benchmark::State& state) {
    for (auto _ : state) {
        rapidjson::Document d;
        d.Parse(Document().data(), Document().size());
        if (d.HasParseError()) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(&d);
    }
    Count(state);
}

void Parse_Nlohmann(benchmark::State& state) {
    for (auto _ : state) {
        auto j = nlohmann::json::parse(Document());
        benchmark::DoNotOptimize(&j);
    }
    Count(state);
}

// Writing is measured per byte of the parsed source document, so the three rates
// compare the same work.
void Write_Vrakko_Styled(benchmark::State& state) {
    auto value = ParseJson(Document());
    std::string out;
    for (auto _ : state) {
        WriteJson(value.get(), out, false);
        benchmark::DoNotOptimize(out.data());
    }
    Count(state);
}

void Write_Vrakko(benchmark::State& state) {
    auto value = ParseJson(Document());
    std::string out;
    for (auto _ : state) {
        WriteJson(value.get(), out, true);
        benchmark::DoNotOptimize(out.data());
    }
    Count(state);
}

void Write_RapidJSON(benchmark::State& state) {
    rapidjson::Document d;
    d.Parse(Document().data(), Document().size());
    for (auto _ : state) {
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        d.Accept(writer);
        benchmark::DoNotOptimize(buffer.GetString());
    }
    Count(state);
}

void Write_Nlohmann(benchmark::State& state) {
    auto j = nlohmann::json::parse(Document());
    for (auto _ : state) {
        std::string out = j.dump();
        benchmark::DoNotOptimize(out.data());
    }
    Count(state);
}

BENCHMARK(Parse_Vrakko)->Unit(benchmark::kMillisecond);
BENCHMARK(Parse_RapidJSON)->Unit(benchmark::kMillisecond);
BENCHMARK(Parse_Nlohmann)->Unit(benchmark::kMillisecond);
BENCHMARK(Write_Vrakko)->Unit(benchmark::kMillisecond);
BENCHMARK(Write_Vrakko_Styled)->Unit(benchmark::kMillisecond);
BENCHMARK(Write_RapidJSON)->Unit(benchmark::kMillisecond);
BENCHMARK(Write_Nlohmann)->Unit(benchmark::kMillisecond);

// Keeps the rate of every run for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0 || run.run_type != Run::RT_Iteration) continue;
            const double seconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
            rates[run.benchmark_name()] = static_cast<double>(Document().size()) / seconds / 1e6;
        }
    }
    std::map<std::string, double> rates;
};

void PrintSummary(const std::map<std::string, double>& rates) {
    auto rate = [&](const char* name) {
        auto it = rates.find(name);
        return it == rates.end() ? 0.0 : it->second;
    };
    std::printf("\nDocument: %zu bytes\n", Document().size());
    for (const char* op : {"Parse", "Write"}) {
        const double ours = rate((std::string(op) + "_Vrakko").c_str());
        const double rapid = rate((std::string(op) + "_RapidJSON").c_str());
        const double nlohmann = rate((std::string(op) + "_Nlohmann").c_str());
        std::printf("%s MB/s: ParseJson/WriteJson %.1f, RapidJSON %.1f, nlohmann::json %.1f\n", op, ours,
                    rapid, nlohmann);
        if (ours > 0) {
            std::printf("%s ratios: RapidJSON / ours %.2fx, ours / nlohmann::json %.2fx\n", op, rapid / ours,
                        nlohmann > 0 ? ours / nlohmann : 0.0);
        }
    }
    std::printf("Write (styled layout) MB/s: %.1f\n", rate("Write_Vrakko_Styled"));
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter.rates);
    benchmark::Shutdown();
    return 0;
}
