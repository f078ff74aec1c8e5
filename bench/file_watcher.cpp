// The cost of one look for changed files under an asset tree of N files in 20 folders,
// nothing having changed: the polling watcher walks the tree and reads every file's time and
// size; the inotify watcher reads its (empty) event queue. --dev looks with polling every
// 0.5 s and with inotify every frame.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "files/polling_file_watcher.h"
#include "platform/inotify_file_watcher.h"

namespace {

namespace fs = std::filesystem;

struct Tree {
    explicit Tree(int files) {
        path = fs::temp_directory_path() / ("vrakko-bench-watch-" + std::to_string(getpid()));
        for (int i = 0; i < files; ++i) {
            const fs::path folder = path / ("folder" + std::to_string(i % 20));
            fs::create_directories(folder);
            std::ofstream(folder / ("file" + std::to_string(i) + ".png")) << i;
        }
    }
    ~Tree() {
        std::error_code error;
        fs::remove_all(path, error);
    }
    fs::path path;
};

void BM_PollingLook(benchmark::State& state) {
    Tree tree(static_cast<int>(state.range(0)));
    vK_PollingFileWatcher watcher(tree.path);
    for (auto _ : state) benchmark::DoNotOptimize(watcher.TakeChanges());
}
BENCHMARK(BM_PollingLook)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

#ifdef __linux__
void BM_InotifyLook(benchmark::State& state) {
    Tree tree(static_cast<int>(state.range(0)));
    vK_InotifyFileWatcher watcher(tree.path);
    if (!watcher.IsWatching()) {
        state.SkipWithError("no inotify");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(watcher.TakeChanges());
}
BENCHMARK(BM_InotifyLook)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

BENCHMARK_MAIN();
