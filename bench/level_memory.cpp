// Resident memory through long play, in one process with the real engine (OpenGL on the
// display, or SDL's offscreen driver when there is none; sound on the dummy driver).
//
// BM_LevelSwitchMemory: two twin levels, each with 300 sprites of a 256 x 256 image and one
// of every other kind of content (tests/support/switch_game.h), switching to each other 0.1 s
// after they start, at the fixed 1/60 s step of a replay. Prints resident memory and the
// engine's live counts after 10, 100 and 500 switches; memory must stay flat within a few
// megabytes from 100 to 500 switches (counter growth_kb_per_switch).
//
// BM_DemoReplayMemory: the demo's play-through (demo/playthrough.rec) replayed five times,
// each a full start-up and shut-down of the engine; prints resident memory after each.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "app/engine_startup.h"
#include "core/random.h"
#include "core/vrakko.h"
#include "files/live_counts.h"
#include "game/application.h"
#include "platform/input_recording.h"
#include "platform/vrakko_impl.h"
#include "script/script_hub.h"
#include "support/switch_game.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(VRAKKO_BINARY_DIR) / "demo";

double ResidentMegabytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

std::string LiveCounts() {
    std::string out;
    for (int k = 0; k < static_cast<int>(vK_LiveKind::Count_); ++k) {
        const auto kind = static_cast<vK_LiveKind>(k);
        out += std::string(k ? ", " : "") + vK_LiveCounts::Name(kind) + " " +
               std::to_string(vK_LiveCounts::Get(kind));
    }
    return out;
}

fs::path MakeTempFolder() {
    std::string pattern = (fs::temp_directory_path() / "vrakko-bench-XXXXXX").string();
    return mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
}

// Headless by default; the sound hub on the dummy driver.
void ChooseDrivers() {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

// Runs the game under root at the fixed step, calling beforeFrame before every frame,
// until it quits (or after frameLimit frames, when not 0); scripts see the recording's
// clock when one is given. False when the engine could not start or open a display.
using FrameHook = std::function<void(Vrakko_Impl&, vY_Application&)>;
bool RunGame(const fs::path& root, const fs::path& save, long frameLimit, const vK_InputRecording* recording,
             const FrameHook& beforeFrame) {
    vK_StartupOptions options;
    options.assetRoot = root.string();
    options.saveFolder = save.string();
    Vrakko_Impl* engine = &EngineStartup("assets/config", options);
    Vrakko& core = engine->GetEngine();
    if (vK_ScriptHub* scripts = vK_ScriptHub::Instance(); scripts && recording)
        scripts->UseRecordedClock(recording->clockStart, recording->clockOffset);
    engine->SetFrameLimit(frameLimit);
    bool ran = false;
    {
        vY_Application application(1024, 768);
        engine->SetReplay([engine, &application, &beforeFrame] { beforeFrame(*engine, application); });
        if (application.CanStart()) {
            core.Run(&application);
            ran = engine->HasDisplay();
        }
        core.SetApplication(nullptr);
    }
    EngineShutdown();
    return ran;
}

}  // namespace

static void BM_LevelSwitchMemory(benchmark::State& state) {
    ChooseDrivers();
    const fs::path root = MakeTempFolder();
    if (root.empty() || !switch_game::Write(root, kDemo / "assets", 300)) {
        state.SkipWithError("could not write the game");
        return;
    }
    for (auto _ : state) {
        const vY_Level* level = nullptr;
        int switches = 0;
        double at[3] = {0, 0, 0};
        const bool ran =
            RunGame(root, root / "save", 0, nullptr, [&](Vrakko_Impl& engine, vY_Application& app) {
                const vY_Level* now = app.GetLevel();
                if (now == level) return;
                level = now;
                const int n = switches++;  // the first level is no switch
                const int slot = n == 10 ? 0 : n == 100 ? 1 : n == 500 ? 2 : -1;
                if (slot < 0) return;
                at[slot] = ResidentMegabytes();
                std::printf("after %3d switches: resident %.1f MB; %s\n", n, at[slot], LiveCounts().c_str());
                std::fflush(stdout);
                if (n == 500) engine.GetEngine().Quit();
            });
        if (!ran || at[2] == 0) {
            state.SkipWithError("the game did not run 500 switches");
            break;
        }
        state.counters["rss_10_mb"] = at[0];
        state.counters["rss_100_mb"] = at[1];
        state.counters["rss_500_mb"] = at[2];
        state.counters["growth_kb_per_switch"] = (at[2] - at[1]) * 1024.0 / 400.0;
    }
    fs::remove_all(root);
}
BENCHMARK(BM_LevelSwitchMemory)->Iterations(1)->Unit(benchmark::kSecond);

static void BM_DemoReplayMemory(benchmark::State& state) {
    ChooseDrivers();
    std::ifstream in(std::string(VRAKKO_SOURCE_DIR) + "/demo/playthrough.rec", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    vK_InputRecording recording;
    std::string error;
    if (!ParseInputRecording(text, recording, error)) {
        state.SkipWithError(("the play-through does not parse: " + error).c_str());
        return;
    }
    constexpr int kRuns = 5;
    for (auto _ : state) {
        double first = 0, last = 0;
        for (int run = 1; run <= kRuns; ++run) {
            const fs::path save = MakeTempFolder();
            auto replayer = std::make_unique<vK_InputReplayer>(recording);
            vK_Random::Seed(recording.seed);
            const bool ran =
                RunGame(kDemo, save, std::max(recording.endFrame, 1L), &recording,
                        [&](Vrakko_Impl& engine, vY_Application&) { replayer->BeforeFrame(engine); });
            fs::remove_all(save);
            if (!ran) {
                state.SkipWithError("the demo did not run");
                return;
            }
            last = ResidentMegabytes();
            if (run == 1) first = last;
            std::printf("after play-through %d: resident %.1f MB; %s\n", run, last, LiveCounts().c_str());
            std::fflush(stdout);
        }
        state.counters["rss_first_mb"] = first;
        state.counters["rss_last_mb"] = last;
    }
}
BENCHMARK(BM_DemoReplayMemory)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
