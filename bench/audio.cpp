// The mixer's cost: CPU time to render one second of output with 1, 8 and 32 Vorbis
// streams playing at once, as a share of one core. Half the streams are 44100 Hz
// stereo, half 22050 Hz mono (resampled and upmixed), all looping. only_stereo 1 plays
// only 44100 Hz stereo streams, which need no conversion: the difference is the
// resampler's share. shared 1 plays them as the sound hub does, from one retained
// source per file (each file decoded once however many streams play it); shared 0
// gives every stream its own decoding, as long sounds (music) have; shared 2 measures
// the first second after the sounds started, when the shared decoding happens.
#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "../tests/support/vorbis_encode.h"
#include "media/mixer.h"
#include "media/sound_decoder.h"
#include "media/sound_source.h"

namespace {

constexpr double kGoalShare = 0.03;  // 32 streams under 3% of one core
constexpr int kBlock = 1024;         // frames per device callback

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Four seconds of a chord with a little noise, so the encoder spends real bits.
std::vector<uint8_t> MusicFile(int channels, int rate, float base) {
    std::vector<float> samples = vorbis_test::Tone(base, 0.2f, 4.0f, channels, rate);
    const std::vector<float> fifth = vorbis_test::Tone(base * 1.5f, 0.15f, 4.0f, channels, rate);
    uint32_t seed = 12345;
    for (size_t i = 0; i < samples.size(); ++i) {
        seed = seed * 214013u + 2531011u;
        samples[i] += fifth[i] + 0.05f * (float((seed >> 16) & 0x7FFF) / 16384.0f - 1.0f);
    }
    return vorbis_test::Encode(samples, channels, rate, 0.5f);
}

// The streams of one run: shared from one retained source per file, or each its own.
std::unique_ptr<vK_Mixer> Streams(int streams, bool onlyStereo, bool shared,
                                  const std::vector<uint8_t>& stereo, const std::vector<uint8_t>& mono) {
    std::string error;
    const std::shared_ptr<vK_SoundSource> sources[2] = {vK_SoundSource::Open(stereo, true, &error),
                                                        vK_SoundSource::Open(mono, true, &error)};
    auto mixer = std::make_unique<vK_Mixer>();
    for (int i = 0; i < streams; ++i) {
        const bool useMono = i % 2 && !onlyStereo;
        if (shared)
            mixer->Add(vK_SoundDecoder::Open(sources[useMono ? 1 : 0], true, &error), 1.0f / streams);
        else
            mixer->Add(vK_SoundDecoder::Open(useMono ? mono : stereo, true, &error), 1.0f / streams);
    }
    return mixer;
}

// shared 2: every iteration is the first second after the sounds started, so the
// shared sources' one decoding is in the figure rather than spread over later loops.
void BM_MixerSecondOfOutput(benchmark::State& state) {
    static const std::vector<uint8_t> stereo = MusicFile(2, 44100, 220.0f);
    static const std::vector<uint8_t> mono = MusicFile(1, 22050, 330.0f);
    const int streams = static_cast<int>(state.range(0));
    const bool onlyStereo = state.range(1) == 1;
    const bool shared = state.range(2) >= 1;
    const bool fresh = state.range(2) == 2;
    std::unique_ptr<vK_Mixer> mixer = Streams(streams, onlyStereo, shared, stereo, mono);
    std::vector<float> out(2 * kBlock);
    double cpu = 0.0;
    for (auto _ : state) {
        if (fresh) mixer = Streams(streams, onlyStereo, shared, stereo, mono);
        const double start = ThreadCpuSeconds();
        for (int frames = 0; frames < vK_Mixer::kRate; frames += kBlock) mixer->Render(out.data(), kBlock);
        cpu += ThreadCpuSeconds() - start;
        benchmark::DoNotOptimize(out.data());
    }
    const double share = cpu / double(state.iterations());  // CPU seconds per second of output
    state.counters["core_pct"] = 100.0 * share;
    state.counters["stereo_kbps"] = double(stereo.size()) * 8.0 / 4.0 / 1000.0;
    if (streams == 32 && !onlyStereo && shared) {
        state.counters["goal_pct"] = 100.0 * kGoalShare;
        state.SetLabel(share < kGoalShare ? "goal met" : "GOAL MISSED");
    }
}
BENCHMARK(BM_MixerSecondOfOutput)
    ->ArgNames({"streams", "only_stereo", "shared"})
    ->Args({1, 0, 1})
    ->Args({8, 0, 1})
    ->Args({32, 0, 1})
    ->Args({32, 1, 1})
    ->Args({32, 0, 2})
    ->Args({32, 0, 0})
    ->Args({32, 1, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
