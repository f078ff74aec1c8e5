// Protected-file encoding, archive reads and mediator delivery.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/listener_base.h"
#include "core/mediator.h"
#include "data/string_table.h"
#include "files/file_manager.h"
#include "files/protected_file.h"

static void BM_ProtectKind3(benchmark::State& state) {
    std::vector<uint8_t> content(static_cast<size_t>(state.range(0)), 'x');
    for (auto _ : state) {
        std::vector<uint8_t> stored = ProtectBytes(content, 3);
        benchmark::DoNotOptimize(UnprotectBytes(stored, 3));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ProtectKind3)->Arg(1 << 10)->Arg(1 << 20);

namespace {
struct ArchiveFixture {
    ArchiveFixture() {
        char pattern[] = "/tmp/vrakko_bench_XXXXXX";
        dir = mkdtemp(pattern);
        std::string cmd =
            "cd " + dir +
            " && mkdir -p assets/sprites && head -c 1048576 /dev/urandom > assets/sprites/big.png";
        for (int i = 0; i < 500; ++i)
            cmd += " && echo entry" + std::to_string(i) + " > assets/sprites/e" + std::to_string(i) + ".txt";
        cmd += " && zip -q -r -P dunKerrow data.pck assets && mv data.pck assets/";
        if (std::system(cmd.c_str()) != 0) std::abort();
        fm.SetAssetRoot(dir);
        fm.RegisterProviders();
    }
    ~ArchiveFixture() { std::system(("rm -rf " + dir).c_str()); }
    std::string dir;
    vK_FileManager fm;
};
}  // namespace

static void BM_ArchiveReadSmallEntry(benchmark::State& state) {
    static ArchiveFixture fixture;
    std::vector<uint8_t> bytes;
    for (auto _ : state) benchmark::DoNotOptimize(fixture.fm.LoadFile("assets/sprites/e250.txt", bytes, 0));
}
BENCHMARK(BM_ArchiveReadSmallEntry);

static void BM_ArchiveReadEncrypted1MB(benchmark::State& state) {
    static ArchiveFixture fixture;
    std::vector<uint8_t> bytes;
    for (auto _ : state) benchmark::DoNotOptimize(fixture.fm.LoadFile("assets/sprites/big.png", bytes, 0));
    state.SetBytesProcessed(state.iterations() * (1 << 20));
}
BENCHMARK(BM_ArchiveReadEncrypted1MB);

namespace {
vK_MessageId kBenchMessage("Bench_Message");
class Counter : public vK_ListenerBase {
public:
    void OnMessage(const vK_MessageId&, vK_DataTable*) override { ++count; }
    long count = 0;
};
}  // namespace

static void BM_MediatorSend(benchmark::State& state) {
    vK_Mediator mediator;
    std::vector<Counter> receivers(static_cast<size_t>(state.range(0)));
    for (auto& r : receivers) mediator.Subscribe(kBenchMessage, &r);
    for (auto _ : state) mediator.Send(kBenchMessage, nullptr);
}
BENCHMARK(BM_MediatorSend)->Arg(1)->Arg(16);

static void BM_StringTableGet(benchmark::State& state) {
    vK_StringTable store;
    for (int i = 0; i < 2000; ++i) store.Set("id_" + std::to_string(i), "text " + std::to_string(i));
    store.Set("HELLO", "Hello, %1%! You have %2% %id_77%.");
    for (auto _ : state) benchmark::DoNotOptimize(store.Get("HELLO", "Ada", "3"));
}
BENCHMARK(BM_StringTableGet);

BENCHMARK_MAIN();
