// The mixer and the decoder rendering into a buffer with no device: volume, seamless
// loops, rate and channel conversion, and real Vorbis files from a Debian package.
#include "media/mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "media/sound_decoder.h"
#include "support/vorbis_encode.h"

namespace {

constexpr int kRate = vK_Mixer::kRate;

std::unique_ptr<vK_SoundDecoder> Decoder(const std::vector<uint8_t>& bytes, bool loop = false) {
    std::string error;
    auto decoder = vK_SoundDecoder::Open(bytes, loop, &error);
    EXPECT_TRUE(decoder) << error;
    return decoder;
}

// Renders seconds of the mixer's output (interleaved stereo).
std::vector<float> Render(vK_Mixer& mixer, float seconds, int block = 1024) {
    std::vector<float> out(static_cast<size_t>(std::lround(seconds * kRate)) * 2);
    const int frames = static_cast<int>(out.size() / 2);
    for (int start = 0; start < frames; start += block)
        mixer.Render(out.data() + 2 * start, std::min(block, frames - start));
    return out;
}

// Everything the decoder gives until it ends (interleaved stereo).
std::vector<float> DecodeAll(vK_SoundDecoder& decoder, size_t limitFrames = 20 * kRate) {
    std::vector<float> out;
    std::vector<float> block(2 * 1000);
    while (!decoder.Ended() && out.size() / 2 < limitFrames) {
        const int got = decoder.Read(block.data(), 1000);
        out.insert(out.end(), block.begin(), block.begin() + 2 * got);
    }
    return out;
}

float Rms(const std::vector<float>& samples, size_t from, size_t to) {
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) sum += double(samples[i]) * samples[i];
    return static_cast<float>(std::sqrt(sum / double(to - from)));
}

float Peak(const std::vector<float>& samples) {
    float peak = 0.0f;
    for (float s : samples) peak = std::max(peak, std::fabs(s));
    return peak;
}

TEST(Mixer, HalfVolumeGivesHalfTheAmplitude) {
    const std::vector<uint8_t> tone = vorbis_test::ToneFile(1000.0f, 0.6f, 1.0f, 2, kRate);
    float rms[2] = {};
    const float volumes[2] = {1.0f, 0.5f};
    for (int i = 0; i < 2; ++i) {
        vK_Mixer mixer;
        mixer.Add(Decoder(tone), volumes[i]);
        const std::vector<float> out = Render(mixer, 0.5f);
        rms[i] = Rms(out, 4096, out.size());
    }
    // A full-scale sine of 0.6 has an RMS of 0.6 / sqrt 2.
    EXPECT_NEAR(rms[0], 0.6f / std::sqrt(2.0f), 0.02f);
    EXPECT_NEAR(rms[1] / rms[0], 0.5f, 0.005f);
}

TEST(Mixer, VolumeChangeRampsOverOneBlockAndPauseKeepsThePosition) {
    vK_Mixer mixer;
    // A rising ramp makes the position visible: each sample tells how far playback is.
    std::vector<float> ramp(kRate);
    for (int i = 0; i < kRate; ++i) ramp[i] = 0.9f * float(i) / kRate;
    const vK_Mixer::Handle h = mixer.Add(Decoder(vorbis_test::Encode(ramp, 1, kRate)), 1.0f);
    std::vector<float> a(2 * 4410), b(2 * 4410);
    mixer.Render(a.data(), 4410);
    mixer.SetPaused(h, true);
    mixer.Render(b.data(), 4410);
    EXPECT_EQ(Peak(b), 0.0f);
    mixer.SetPaused(h, false);
    mixer.Render(b.data(), 4410);
    // The first rendered frame after the pause continues where the last one stopped.
    EXPECT_NEAR(b[0], a[a.size() - 1], 0.01f);
    mixer.SetVolume(h, 0.0f);
    mixer.Render(b.data(), 4410);
    EXPECT_NEAR(b[2 * 2205] / (0.9f * (2 * 4410 + 2205) / kRate), 0.5f, 0.05f);  // half way down
    EXPECT_NEAR(b[b.size() - 1], 0.0f, 1e-3f);
    EXPECT_TRUE(mixer.IsActive(h));
}

TEST(Mixer, LoopCrossesItsLoopPointWithoutGapOrJump) {
    // 0.1 s of 1 kHz at 44100 Hz holds exactly 100 periods, so the loop is seamless.
    const float amplitude = 0.5f;
    vK_Mixer mixer;
    mixer.Add(Decoder(vorbis_test::ToneFile(1000.0f, amplitude, 0.1f, 1, kRate), true), 1.0f);
    const std::vector<float> out = Render(mixer, 0.55f, 512);
    const float maxStep =
        amplitude * 2.0f * std::numbers::pi_v<float> * 1000.0f / kRate;  // steepest slope of the sine
    float worst = 0.0f;
    for (size_t i = 2 * 64 + 2; i < out.size(); i += 2)
        worst = std::max(worst, std::fabs(out[i] - out[i - 2]));
    EXPECT_LT(worst, 1.25f * maxStep);
    // No silent stretch anywhere: every 5 ms window carries the tone.
    for (size_t w = 0; w + 2 * 220 <= out.size(); w += 2 * 220)
        EXPECT_GT(Rms(out, w, w + 2 * 220), 0.8f * amplitude / std::sqrt(2.0f)) << "window at " << w / 2;
}

TEST(Mixer, OtherRatesAndChannelCountsComeOutAt44100Stereo) {
    struct Case {
        int rate;
        int channels;
    };
    for (const Case& c : {Case{22050, 1}, Case{48000, 2}, Case{44100, 1}, Case{8000, 2}}) {
        SCOPED_TRACE(c.rate);
        auto decoder = Decoder(vorbis_test::ToneFile(441.0f, 0.5f, 1.0f, c.channels, c.rate));
        ASSERT_TRUE(decoder);
        EXPECT_EQ(decoder->SourceRate(), c.rate);
        EXPECT_EQ(decoder->LengthFrames(), kRate);
        const std::vector<float> out = DecodeAll(*decoder);
        EXPECT_NEAR(double(out.size() / 2), kRate, 2.0);
        // The pitch survives: 441 Hz crosses zero upwards 441 times a second.
        int crossings = 0;
        for (size_t i = 2; i < out.size(); i += 2) crossings += out[i - 2] < 0.0f && out[i] >= 0.0f;
        EXPECT_NEAR(crossings, 441, 2);
        // Both output channels carry the sound.
        EXPECT_NEAR(Rms(out, 2000, out.size() - 2000), 0.5f / std::sqrt(2.0f), 0.03f);
        float leftRight = 0.0f;
        for (size_t i = 0; i < out.size(); i += 2)
            leftRight = std::max(leftRight, std::fabs(out[i] - out[i + 1]));
        EXPECT_LT(leftRight, 0.02f);
    }
}

TEST(Mixer, NonLoopingChannelStopsAndAdvanceEndsItWithoutDecoding) {
    const std::vector<uint8_t> click = vorbis_test::ToneFile(1000.0f, 0.5f, 0.25f, 1, 22050);
    vK_Mixer mixer;
    const vK_Mixer::Handle rendered = mixer.Add(Decoder(click), 1.0f);
    Render(mixer, 0.2f);
    EXPECT_TRUE(mixer.IsActive(rendered));
    Render(mixer, 0.1f);
    EXPECT_FALSE(mixer.IsActive(rendered));
    EXPECT_EQ(mixer.FailReason(rendered), "");

    vK_Mixer silent;
    const vK_Mixer::Handle advanced = silent.Add(Decoder(click), 1.0f);
    const vK_Mixer::Handle looped = silent.Add(Decoder(click, true), 1.0f);
    silent.Advance(0.2f);
    EXPECT_TRUE(silent.IsActive(advanced));
    silent.Advance(0.06f);
    EXPECT_FALSE(silent.IsActive(advanced));
    EXPECT_TRUE(silent.IsActive(looped));
    silent.Remove(looped);
    EXPECT_FALSE(silent.IsActive(looped));
    EXPECT_EQ(silent.ChannelCount(), 1u);
}

TEST(Mixer, DebianSoundThemeFilesDecodeAndPlay) {
    const std::filesystem::path dir = "/usr/share/sounds/freedesktop/stereo";
    if (!std::filesystem::exists(dir)) GTEST_SKIP() << "sound-theme-freedesktop is not installed";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".oga") continue;
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
        auto decoder = Decoder(bytes);
        ASSERT_TRUE(decoder);
        const int64_t expected = decoder->LengthFrames();
        const std::vector<float> out = DecodeAll(*decoder);
        EXPECT_FALSE(decoder->Failed()) << decoder->FailReason();
        EXPECT_NEAR(double(out.size() / 2), double(expected), 2.0);
        EXPECT_GT(Peak(out), 0.01f);
        // And through the mixer: audible output.
        vK_Mixer mixer;
        mixer.Add(Decoder(bytes), 1.0f);
        EXPECT_GT(Peak(Render(mixer, 0.5f)), 0.001f);
        ++files;
    }
    EXPECT_GE(files, 20);
}

}  // namespace
