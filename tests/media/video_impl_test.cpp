#include <gtest/gtest.h>

#include <filesystem>

#include "files/log.h"
#include "media/memory_in_stream.h"
#include "media/theora_decoder.h"
#include "media/video_impl_ogg.h"
#include "media/zalpha_reader.h"
#include "support/file_manager_fixture.h"
#include "support/test_videos.h"

namespace {

using test_videos::AppendZAlphaFrame;
using test_videos::MakeTheora;

const char* const kClip = "testsrc=size=320x240:rate=25:duration=1";

class VideoImpl : public StartedFileManagerFixture {
protected:
    // Copies a made video into the asset folder as assets/v/<name><extension>.
    void Install(const std::string& made, const std::string& name, const std::string& extension) {
        ASSERT_FALSE(made.empty()) << "ffmpeg could not make the test video";
        test_videos::WriteAll(folder.Path() + "/root/assets/v/" + name + extension,
                              test_videos::ReadAll(made));
    }
    void InstallBytes(const std::string& relative, const std::vector<uint8_t>& bytes) {
        test_videos::WriteAll(folder.Path() + "/root/assets/v/" + relative, bytes);
    }
    // Frames of w x h alpha, every byte of frame i being value(i, x).
    static std::vector<uint8_t> ZAlpha(int frames, int w, int h, int leftValue, int rightValue) {
        std::vector<uint8_t> out;
        for (int i = 0; i < frames; ++i) {
            std::vector<uint8_t> plane(static_cast<size_t>(w * h));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    plane[static_cast<size_t>(y * w + x)] = x < w / 2 ? leftValue : rightValue;
            AppendZAlphaFrame(out, plane);
        }
        return out;
    }
    static int CountFrames(vK_VideoImpl_Ogg& video) {
        int n = 0;
        while (video.DecodeFrame() && n < 1000) ++n;
        return n;
    }
};

TEST_F(VideoImpl, OpenReportsCodedSizeRateAndFrameCountPerPixelFormat) {
    struct Case {
        const char* name;
        std::string source, options;
        int width, height, frames;
        float fps;
    };
    const Case cases[] = {
        {"c420", kClip, "-pix_fmt yuv420p", 320, 240, 25, 25.0f},
        {"c422", "testsrc=size=160x96:rate=15:duration=1", "-pix_fmt yuv422p", 160, 96, 15, 15.0f},
        // The picture 200 x 120 is coded in whole 16-pixel blocks.
        {"c444", "testsrc=size=200x120:rate=10:duration=2", "-pix_fmt yuv444p", 208, 128, 20, 10.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Install(MakeTheora(c.name, c.source, c.options), c.name, ".ogg");
        vK_VideoImpl_Ogg video("vid");
        ASSERT_TRUE(video.Open(std::string("assets/v/") + c.name));
        EXPECT_EQ(video.GetWidth(), c.width);
        EXPECT_EQ(video.GetHeight(), c.height);
        EXPECT_FLOAT_EQ(video.GetFPS(), c.fps);
        EXPECT_FALSE(video.HasZAlpha() || video.HasAlphaVideo());
        EXPECT_EQ(CountFrames(video), c.frames);
        EXPECT_TRUE(video.IsEnded());
        EXPECT_EQ(video.GetFrameCount(), c.frames);
    }
}

TEST_F(VideoImpl, SeekBackwardsRewindsAndDecodesUpToTheFrame) {
    Install(MakeTheora("c420", kClip, "-pix_fmt yuv420p"), "clip", ".ogg");
    vK_VideoImpl_Ogg video("vid");
    ASSERT_TRUE(video.Open("assets/v/clip"));
    const size_t size = 320 * 240 * 4;
    std::vector<uint8_t> frame10(size), frame3(size), again(size);
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(video.DecodeFrame());
        if (i == 3) video.CopyFrame(frame3.data(), 0);
        if (i == 10) video.CopyFrame(frame10.data(), 0);
    }
    EXPECT_NE(frame3, frame10);  // the test pattern moves
    video.SeekToFrame(10);
    EXPECT_EQ(video.GetFrameCount(), 10);
    ASSERT_TRUE(video.DecodeFrame());
    video.CopyFrame(again.data(), 0);
    EXPECT_EQ(again, frame10);
    video.SeekToFrame(3);
    ASSERT_TRUE(video.DecodeFrame());
    video.CopyFrame(again.data(), 0);
    EXPECT_EQ(again, frame3);
    video.SeekToFrame(100);  // past the end
    EXPECT_TRUE(video.IsEnded());
    EXPECT_EQ(video.GetFrameCount(), 25);
}

TEST_F(VideoImpl, ZAlphaIsPreferredOverTheAlphaVideo) {
    struct Case {
        const char* what;
        bool zalpha, oggalpha;
        const char* alphaColour;
        int left, right;  // expected alpha bytes
    };
    const Case cases[] = {
        {"both", true, true, "white", 0, 200},
        {"alpha video only, white", false, true, "white", 235, 235},
        {"alpha video only, black", false, true, "black", 0, 0},
        {"none", false, false, "white", 255, 255},
    };
    const std::string colour = MakeTheora("c420", kClip, "-pix_fmt yuv420p");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name =
            std::string("a_") + (c.zalpha ? "z" : "") + (c.oggalpha ? "o" : "") + c.alphaColour;
        Install(colour, name, ".ogg");
        if (c.zalpha) InstallBytes(name + ".zalpha", ZAlpha(25, 320, 240, 0, 200));
        if (c.oggalpha)
            Install(MakeTheora(std::string("alpha_") + c.alphaColour,
                               std::string("color=c=") + c.alphaColour + ":size=320x240:rate=25:duration=1",
                               "-pix_fmt yuv420p"),
                    name, ".oggalpha");
        vK_VideoImpl_Ogg video("vid");
        ASSERT_TRUE(video.Open("assets/v/" + name));
        EXPECT_EQ(video.HasZAlpha(), c.zalpha);
        EXPECT_EQ(video.HasAlphaVideo(), c.oggalpha && !c.zalpha);
        ASSERT_TRUE(video.DecodeFrame());
        std::vector<uint8_t> pixels(320 * 240 * 4, 0xAB);
        video.CopyFrame(pixels.data(), 0);
        const uint8_t* left = &pixels[(120 * 320 + 10) * 4];
        const uint8_t* right = &pixels[(120 * 320 + 300) * 4];
        // ffmpeg's white is Y 235 (R = 255) up to the encoder's rounding.
        EXPECT_NEAR(left[3], c.left == 235 ? 255 : c.left, 3);
        EXPECT_NEAR(right[3], c.right == 235 ? 255 : c.right, 3);
        if (c.left == 0) {
            EXPECT_EQ(left[0] | left[1] | left[2], 0);
        }
    }
}

TEST(ZAlphaReader, AFrameMustInflateToExactlyOnePlaneWithinTheBytesLeft) {
    const std::vector<uint8_t> plane(16, 9);
    auto frame = [](const std::vector<uint8_t>& content) {
        std::vector<uint8_t> out;
        AppendZAlphaFrame(out, content);
        return out;
    };
    std::vector<uint8_t> truncated = frame(plane);
    truncated.resize(truncated.size() - 3);
    std::vector<uint8_t> hugeLength = {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6};
    std::vector<uint8_t> notZlib = {5, 0, 0, 0, 'h', 'e', 'l', 'l', 'o'};
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool inflated, skipped;  // passing over a frame only checks its length against the bytes there
    };
    const Case cases[] = {
        {"one plane", frame(plane), true, true},
        {"length past the end", truncated, false, false},
        {"length of 4 GiB", hugeLength, false, false},
        {"one byte short", frame(std::vector<uint8_t>(15, 9)), false, true},
        {"one byte long", frame(std::vector<uint8_t>(17, 9)), false, true},
        {"not zlib", notZlib, false, true},
        {"half a length", {7, 0}, false, false},
        {"empty", {}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        vK_ZAlphaReader inflating(std::make_shared<vK_MemoryInStream>(c.bytes), 4, 4);
        EXPECT_EQ(inflating.NextFrame(true), c.inflated);
        if (c.inflated) {
            EXPECT_EQ(std::vector<uint8_t>(inflating.Plane(), inflating.Plane() + 16), plane);
        }
        vK_ZAlphaReader skipping(std::make_shared<vK_MemoryInStream>(c.bytes), 4, 4);
        EXPECT_EQ(skipping.NextFrame(false), c.skipped);
    }
}

TEST_F(VideoImpl, ADamagedZAlphaEndsTheVideoAtThatFrame) {
    Install(MakeTheora("c420", kClip, "-pix_fmt yuv420p"), "short", ".ogg");
    std::vector<uint8_t> zalpha = ZAlpha(5, 320, 240, 255, 255);
    zalpha.insert(zalpha.end(), {0x10, 0, 0, 0, 1, 2, 3});  // frame 6: 16 bytes promised, 3 there
    InstallBytes("short.zalpha", zalpha);
    vK_VideoImpl_Ogg video("vid");
    ASSERT_TRUE(video.Open("assets/v/short"));
    EXPECT_EQ(CountFrames(video), 5);
    EXPECT_TRUE(video.IsEnded());
}

TEST_F(VideoImpl, AFrameRateOfZeroOrAMissingFileIsRefusedAndLogged) {
    const std::string made = MakeTheora("c420", kClip, "-pix_fmt yuv420p");
    ASSERT_FALSE(made.empty());
    InstallBytes("still.ogg", test_videos::WithFrameRateNumerator(test_videos::ReadAll(made), 0));
    vK_LogCapture log;
    vK_VideoImpl_Ogg video("intro");
    EXPECT_FALSE(video.Open("assets/v/still"));
    EXPECT_TRUE(log.Contains("Error: video assets/v/still.ogg has a frame rate of 0 and is refused"))
        << log.Text();
    EXPECT_EQ(video.GetFPS(), 0.0f);
    EXPECT_EQ(video.GetWidth(), 0);
    log.Clear();
    EXPECT_FALSE(video.Open("assets/v/none"));
    EXPECT_TRUE(log.Contains("Error: video intro could not find \"assets/v/none\" ogg file!")) << log.Text();
}

TEST(TheoraDecoder, ArbitraryBytesAreNoVideo) {
    const std::vector<std::vector<uint8_t>> inputs = {
        {}, {'O', 'g', 'g', 'S'}, std::vector<uint8_t>(10000, 0x4F), std::vector<uint8_t>(5000, 0)};
    for (const auto& bytes : inputs) {
        vK_TheoraDecoder decoder(std::make_shared<vK_MemoryInStream>(bytes), "junk");
        EXPECT_FALSE(decoder.Open());
        EXPECT_FALSE(decoder.NextFrame(true));
    }
}

}  // namespace

namespace {

class VideoArchive : public FileManagerFixture {};

TEST_F(VideoArchive, AVideoAndItsAlphaPlayFromTheAssetArchive) {
    const std::string made = MakeTheora("c420", kClip, "-pix_fmt yuv420p");
    ASSERT_FALSE(made.empty());
    test_videos::WriteAll(folder.Path() + "/src/assets/v/packed.ogg", test_videos::ReadAll(made));
    std::vector<uint8_t> zalpha;
    for (int f = 0; f < 25; ++f) AppendZAlphaFrame(zalpha, std::vector<uint8_t>(320 * 240, 77));
    test_videos::WriteAll(folder.Path() + "/src/assets/v/packed.zalpha", zalpha);
    std::filesystem::create_directories(folder.Path() + "/root/assets");
    const std::string cmd =
        "cd '" + folder.Path() + "/src' && zip -q -r '" + folder.Path() + "/root/assets/data.pck' assets";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    StartFileManager();
    vK_VideoImpl_Ogg video("vid");
    ASSERT_TRUE(video.Open("assets/v/packed"));
    EXPECT_TRUE(video.HasZAlpha());
    ASSERT_TRUE(video.DecodeFrame());
    std::vector<uint8_t> pixels(320 * 240 * 4);
    video.CopyFrame(pixels.data(), 0);
    EXPECT_EQ(pixels[3], 77);
    int frames = 1;
    while (video.DecodeFrame()) ++frames;
    EXPECT_EQ(frames, 25);
}

}  // namespace
