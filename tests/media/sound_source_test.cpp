// Retained sound sources shared between decoders: the same output as streaming each
// play on its own (over real Debian sounds in every rate and channel count the package
// has), independent positions, and the hub sharing them through the resource cache
// only while the file on disk is unchanged.
#include "media/sound_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/resource_manager.h"
#include "media/mixer.h"
#include "media/sound_decoder.h"
#include "media/sound_hub_impl.h"
#include "support/file_manager_fixture.h"
#include "support/vorbis_encode.h"

namespace {

constexpr int kRate = vK_Mixer::kRate;

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Up to limit frames of the decoder's output, read in blocks of the given size.
std::vector<float> Drain(vK_SoundDecoder& decoder, size_t limit, int block) {
    std::vector<float> out;
    std::vector<float> buffer(static_cast<size_t>(block) * 2);
    while (!decoder.Ended() && out.size() / 2 < limit) {
        const int got = decoder.Read(buffer.data(), block);
        out.insert(out.end(), buffer.begin(), buffer.begin() + 2 * got);
    }
    return out;
}

float MaxDifference(const std::vector<float>& a, const std::vector<float>& b) {
    float worst = 0.0f;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) worst = std::max(worst, std::fabs(a[i] - b[i]));
    return worst;
}

TEST(SoundSource, SharedDecodersSoundLikeStreamingOnesOverDebianSounds) {
    const std::filesystem::path dir = "/usr/share/sounds/freedesktop/stereo";
    if (!std::filesystem::exists(dir)) GTEST_SKIP() << "sound-theme-freedesktop is not installed";
    int retained = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".oga") continue;
        const std::vector<uint8_t> bytes = ReadBytes(entry.path());
        std::string error;
        auto source = vK_SoundSource::Open(bytes, true, &error);
        ASSERT_TRUE(source) << error;
        if (!source->Retained()) continue;  // longer than a shared sound may be
        ++retained;
        for (bool loop : {false, true}) {
            SCOPED_TRACE(entry.path().filename().string() + (loop ? " looping" : ""));
            auto streamed = vK_SoundDecoder::Open(bytes, loop, &error);
            ASSERT_TRUE(streamed) << error;
            // Two and a half passes when looping: the seams must match too.
            const auto limit = static_cast<size_t>(streamed->LengthFrames() * (loop ? 5 : 2) / 2 + 1);
            const std::vector<float> reference = Drain(*streamed, limit, 1024);
            // Two plays at once over one source, read in different block sizes and
            // interleaved, each hear the whole sound from its own start.
            auto first = vK_SoundDecoder::Open(source, loop, &error);
            auto second = vK_SoundDecoder::Open(source, loop, &error);
            ASSERT_TRUE(first && second);
            std::vector<float> a, b, buffer(2 * 1024);
            while ((!first->Ended() || !second->Ended()) &&
                   (a.size() < reference.size() || b.size() < reference.size())) {
                int got = first->Read(buffer.data(), 1024);
                a.insert(a.end(), buffer.begin(), buffer.begin() + 2 * got);
                got = second->Read(buffer.data(), 333);
                b.insert(b.end(), buffer.begin(), buffer.begin() + 2 * got);
            }
            a.resize(std::min(a.size(), reference.size()));
            b.resize(std::min(b.size(), reference.size()));
            EXPECT_EQ(a.size(), reference.size());
            EXPECT_EQ(b.size(), reference.size());
            // The converter sees the same samples cut into the same pieces.
            EXPECT_EQ(MaxDifference(a, reference), 0.0f);
            EXPECT_EQ(MaxDifference(b, reference), 0.0f);
            EXPECT_FALSE(first->Failed() || second->Failed());
        }
    }
    EXPECT_GE(retained, 20);
}

TEST(SoundSource, OnlyShortSoundsOfStatedLengthAreRetained) {
    struct Case {
        float seconds;
        bool retain;
        bool retained;
    };
    for (const Case& c : {Case{1.0f, true, true}, Case{1.0f, false, false},
                          Case{float(vK_SoundSource::kMaxRetainedSeconds) + 0.5f, true, false}}) {
        SCOPED_TRACE(c.seconds);
        std::string error;
        auto source =
            vK_SoundSource::Open(vorbis_test::ToneFile(440.0f, 0.3f, c.seconds, 1, 8000), c.retain, &error);
        ASSERT_TRUE(source) << error;
        EXPECT_EQ(source->Retained(), c.retained);
        EXPECT_EQ(source->TotalFrames(), std::lround(c.seconds * 8000));
    }
}

class SharedSoundTest : public StartedFileManagerFixture {
protected:
    void Write(const std::vector<uint8_t>& bytes) {
        folder.WriteFile("root/assets/sounds/chime.ogg", std::string(bytes.begin(), bytes.end()));
    }
    std::shared_ptr<vK_SoundSource> Cached() {
        return std::dynamic_pointer_cast<vK_SoundSource>(resources.FindResource("assets/sounds/chime.ogg"));
    }
    float Peak(float seconds) {
        std::vector<float> out(static_cast<size_t>(seconds * kRate) * 2);
        hub.GetMixer().Render(out.data(), static_cast<int>(out.size() / 2));
        float peak = 0.0f;
        for (float s : out) peak = std::max(peak, std::fabs(s));
        return peak;
    }
    vK_ResourceManager resources;
    vK_SoundHub_Impl hub;
};

TEST_F(SharedSoundTest, PlaysOfOneFileShareItsSourceUntilTheFileChanges) {
    Write(vorbis_test::ToneFile(1000.0f, 0.2f, 1.0f, 2, 22050));
    hub.Play("assets/sounds/chime", "sfx", false, false, 0.0f);
    hub.Play("assets/sounds/chime", "sfx", false, false, 0.0f);
    const std::shared_ptr<vK_SoundSource> first = Cached();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->Retained());
    // The two plays and this test hold it; the cache only points at it.
    EXPECT_EQ(first.use_count(), 3);
    // Two plays of 0.2 add up; pausing one leaves the other playing alone.
    EXPECT_NEAR(Peak(0.1f), 0.4f, 0.03f);
    hub.Pause("assets/sounds/chime", true);
    EXPECT_NEAR(Peak(0.1f), 0.2f, 0.03f);

    // The file changes on disk: the next play decodes the new one; the others keep theirs.
    Write(vorbis_test::ToneFile(1000.0f, 0.6f, 1.0f, 2, 22050));
    hub.Play("assets/sounds/chime", "sfx", false, false, 0.0f);
    const std::shared_ptr<vK_SoundSource> second = Cached();
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    EXPECT_NEAR(Peak(0.1f), 0.8f, 0.05f);
    hub.Play("assets/sounds/chime", "sfx", false, false, 0.0f);
    EXPECT_EQ(Cached(), second);
}

}  // namespace
