// Runs the built demo headless with SDL's disk audio driver and checks what it played:
// the device's output (44100 Hz stereo float) captured in a file is not silent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/log_check.h"
#include "support/temp_folder.h"

TEST(DemoAudio, PlaysItsSoundsThroughTheDevice) {
    const std::string exe = std::string(VRAKKO_BINARY_DIR) + "/vrakko";
    const std::string demo = std::string(VRAKKO_BINARY_DIR) + "/demo";
    if (!std::filesystem::exists(exe) || !std::filesystem::exists(demo + "/assets/sounds/ambient.ogg"))
        GTEST_SKIP() << "the executable or the demo sounds are not built";
    TempFolder folder;
    const std::string capture = folder.Path() + "/audio.raw";
    // The leak check stays with the screenshot test's run of the same program: here,
    // started from this test process, LeakSanitizer's thread-stopping pass crashes in
    // its own tracer at exit (a sanitizer fault, not a leak), which would fail the run.
    // The music starts on the title screen and plays on through the player screen, where a
    // click on the title screen leads.
    folder.WriteFile("input.txt", "30 click 512 600\n");
    const std::string command =
        "ASAN_OPTIONS=detect_leaks=0 SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" +
        capture + "' '" + exe + "' --root '" + demo + "' --save-dir '" + folder.Path() + "/save' --input '" +
        folder.Path() + "/input.txt' --frames 180 >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    if (!std::filesystem::exists(capture)) GTEST_SKIP() << "no display, so no audio device was opened";
    // Nothing went wrong on the way: no sound was missing or broken.
    EXPECT_EQ(FaultLines(folder.Path() + "/save/logfile.txt"), "");

    std::ifstream in(capture, std::ios::binary);
    std::vector<float> samples(std::filesystem::file_size(capture) / sizeof(float));
    in.read(reinterpret_cast<char*>(samples.data()),
            static_cast<std::streamsize>(samples.size() * sizeof(float)));
    // The device plays silence while the demo starts; from the first sound on, every
    // half second carries sound: the music fading in over half a second, then playing. The
    // fades follow frames and the device follows the wall clock, so a loaded machine
    // hears a slower fade-in: each window only needs to carry sound (above -60 dBFS; the
    // fade-in's first half second measured 0.0022 on a machine with 4 builds running),
    // and the loudest half second of the run clearly so.
    size_t onset = 0;
    while (onset < samples.size() && std::fabs(samples[onset]) < 1e-3f) ++onset;
    const size_t window = 44100;  // half a second of stereo samples
    ASSERT_GE(samples.size(), onset + 3 * window) << "less than 1.5 s of sound";
    double loudest = 0.0;
    for (size_t start = onset; start + window <= onset + 3 * window; start += window) {
        double sum = 0.0;
        float peak = 0.0f;
        for (size_t i = start; i < start + window; ++i) {
            sum += double(samples[i]) * samples[i];
            peak = std::max(peak, std::fabs(samples[i]));
        }
        SCOPED_TRACE((start - onset) / 2);
        EXPECT_GT(std::sqrt(sum / window), 0.001);
        EXPECT_LE(peak, 1.0f);
    }
    // Once faded in, the music is clearly audible: the loudest half second of the run.
    for (size_t start = onset; start + window <= samples.size(); start += window / 2) {
        double sum = 0.0;
        for (size_t i = start; i < start + window; ++i) sum += double(samples[i]) * samples[i];
        loudest = std::max(loudest, std::sqrt(sum / window));
    }
    EXPECT_GT(loudest, 0.01);
}
