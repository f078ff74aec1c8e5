// Video decoding plus conversion per frame: the Theora decoder, the ".zalpha" inflate
// and the colour conversion into B, G, R, A pixels, as a video object does for each
// picture it shows (the texture upload is not included).
//
// The videos are made at start-up by ffmpeg's Theora encoder from its test pattern
// (two seconds at 25 frames per second, quality 8) into a temporary folder; the alpha
// planes are a soft-edged disc compressed with zlib. Sizes: 1024 x 768 and 640 x 360
// (coded 640 x 368), each with and without alpha. One iteration is one frame; at the
// end of the video the decoder rewinds outside the timed part. The goal: a 1024 x 768
// frame with alpha under 4 ms on one core.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/file_manager.h"
#include "media/video_impl_ogg.h"

namespace {

struct Setup {
    std::string root;
    vK_FileManager files;
    bool ok = true;

    Setup() {
        root = (std::filesystem::temp_directory_path() / ("vrakko_bench_video_" + std::to_string(getpid())))
                   .string();
        std::filesystem::create_directories(root + "/assets/v");
        files.SetAssetRoot(root);
        files.SetSaveFolder(root + "/save");
        files.SetIdentity("Vrakko Bench", "Video");
        files.RegisterProviders();
        ok = Make("big", 1024, 768) && Make("small", 640, 360);
    }
    ~Setup() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    bool Make(const std::string& name, int width, int height) {
        const std::string base = root + "/assets/v/" + name;
        const std::string command =
            "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc=size=" +
            std::to_string(width) + "x" + std::to_string(height) +
            ":rate=25:duration=2 -an -pix_fmt yuv420p -c:v libtheora -q:v 8 -f ogg '" + base + ".ogg'";
        if (std::system(command.c_str()) != 0) return false;
        std::filesystem::copy_file(base + ".ogg", root + "/assets/v/" + name + "_alpha.ogg");
        // The alpha planes have the coded size: whole 16-pixel blocks.
        const int w = (width + 15) / 16 * 16, h = (height + 15) / 16 * 16;
        std::vector<uint8_t> plane(static_cast<size_t>(w) * h);
        std::ofstream out(root + "/assets/v/" + name + "_alpha.zalpha", std::ios::binary);
        for (int f = 0; f < 50; ++f) {
            const float r = 0.3f * h + f;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const float d = std::hypot(x - w / 2.0f, y - h / 2.0f) - r;
                    plane[static_cast<size_t>(y) * w + x] =
                        static_cast<uint8_t>(d <= 0 ? 255 : (d >= 16 ? 0 : 255 - static_cast<int>(d * 16)));
                }
            uLongf size = compressBound(static_cast<uLong>(plane.size()));
            std::vector<uint8_t> packed(size);
            compress(packed.data(), &size, plane.data(), static_cast<uLong>(plane.size()));
            const uint8_t length[4] = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                                       static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
            out.write(reinterpret_cast<const char*>(length), 4);
            out.write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(size));
        }
        return static_cast<bool>(out);
    }
};

Setup& GetSetup() {
    static Setup setup;
    return setup;
}

void DecodeAndConvert(benchmark::State& state, const char* name) {
    Setup& setup = GetSetup();
    vK_VideoImpl_Ogg video("bench");
    if (!setup.ok || !video.Open(std::string("assets/v/") + name)) {
        state.SkipWithError("no video (is ffmpeg installed?)");
        return;
    }
    std::vector<uint8_t> pixels(static_cast<size_t>(video.GetWidth()) * video.GetHeight() * 4);
    for (auto _ : state) {
        if (!video.DecodeFrame()) {
            state.PauseTiming();
            video.SeekToFrame(0);
            state.ResumeTiming();
            if (!video.DecodeFrame()) break;
        }
        video.CopyFrame(pixels.data(), 0);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["width"] = video.GetWidth();
    state.counters["height"] = video.GetHeight();
}

// The conversion alone, on one kept frame.
void ConvertOnly(benchmark::State& state, const char* name) {
    Setup& setup = GetSetup();
    vK_VideoImpl_Ogg video("bench");
    if (!setup.ok || !video.Open(std::string("assets/v/") + name) || !video.DecodeFrame()) {
        state.SkipWithError("no video (is ffmpeg installed?)");
        return;
    }
    std::vector<uint8_t> pixels(static_cast<size_t>(video.GetWidth()) * video.GetHeight() * 4);
    for (auto _ : state) {
        video.CopyFrame(pixels.data(), 0);
        benchmark::DoNotOptimize(pixels.data());
    }
}

BENCHMARK_CAPTURE(DecodeAndConvert, 1024x768_alpha, "big_alpha")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeAndConvert, 1024x768, "big")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeAndConvert, 640x360_alpha, "small_alpha")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeAndConvert, 640x360, "small")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertOnly, 1024x768_alpha, "big_alpha")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertOnly, 1024x768, "big")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
