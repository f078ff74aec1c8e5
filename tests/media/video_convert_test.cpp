#include "media/video_convert.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(VideoConvert, IntegerFormulaValuesClampToTheByteRange) {
    struct Case {
        int y, cb, cr;
        int b, g, r;
    };
    // Worked out by hand from L = 298 (Y - 16) + 128 and the four products.
    const Case cases[] = {
        {235, 240, 128, 255, 211, 255},  // B = (65390 + 57792) >> 8 = 481, clamped
        {16, 128, 128, 0, 0, 0},        {235, 128, 128, 255, 255, 255},
        {128, 128, 128, 130, 130, 130},  // 33504 >> 8
        {81, 90, 240, 0, 0, 255},        // studio-range red: B = -110 >> 8, G = 2 >> 8
        {0, 0, 0, 0, 135, 0},            // G = (-4640 + 12800 + 26624) >> 8 = 135
        {255, 255, 255, 255, 125, 255},  // G = (71350 - 12700 - 26416) >> 8
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.y << "," << c.cb << "," << c.cr);
        uint8_t bgr[3];
        YCbCrToBgr(c.y, c.cb, c.cr, bgr);
        EXPECT_EQ(bgr[0], c.b);
        EXPECT_EQ(bgr[1], c.g);
        EXPECT_EQ(bgr[2], c.r);
    }
}

// A 4 x 2 frame whose chroma samples each carry a different Cb, so the sample a pixel
// reads shows in its blue byte.
struct Frame {
    std::vector<uint8_t> y, cb, cr;
    th_ycbcr_buffer planes{};

    Frame(int cw, int ch)
        : y(8, 128), cb(static_cast<size_t>(cw * ch)), cr(static_cast<size_t>(cw * ch), 128) {
        for (size_t i = 0; i < cb.size(); ++i) cb[i] = static_cast<uint8_t>(100 + 20 * i);
        planes[0] = {4, 2, 4, y.data()};
        planes[1] = {cw, ch, cw, cb.data()};
        planes[2] = {cw, ch, cw, cr.data()};
    }
};

TEST(VideoConvert, ChromaIsSubsampledPerPixelFormat) {
    struct Case {
        th_pixel_fmt format;
        int cw, ch;
        int chromaIndexOfPixel31;  // the chroma sample pixel (3, 1) reads
    };
    const Case cases[] = {{TH_PF_420, 2, 1, 1}, {TH_PF_422, 2, 2, 3}, {TH_PF_444, 4, 2, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        Frame frame(c.cw, c.ch);
        std::vector<uint8_t> out(4 * 2 * 4);
        ASSERT_TRUE(ConvertVideoFrame(frame.planes, c.format, vK_VideoAlpha{}, out.data(), 0));
        uint8_t expected[3];
        YCbCrToBgr(128, frame.cb[static_cast<size_t>(c.chromaIndexOfPixel31)], 128, expected);
        const uint8_t* p = &out[(1 * 4 + 3) * 4];
        EXPECT_EQ(p[0], expected[0]);
        EXPECT_EQ(p[1], expected[1]);
        EXPECT_EQ(p[2], expected[2]);
        EXPECT_EQ(p[3], 255);  // no alpha source: opaque
    }
}

TEST(VideoConvert, AlphaPlaneZeroLeavesAllFourBytesZeroAndPitchSpacesRows) {
    Frame frame(2, 1);
    const uint8_t plane[8] = {0, 77, 255, 0, 1, 0, 200, 9};
    std::vector<uint8_t> out(6 * 2 * 4, 0xAB);
    vK_VideoAlpha alpha;
    alpha.plane = plane;
    ASSERT_TRUE(ConvertVideoFrame(frame.planes, TH_PF_420, alpha, out.data(), 6));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 6; ++x) {
            SCOPED_TRACE(testing::Message() << x << "," << y);
            const uint8_t* p = &out[static_cast<size_t>(y * 6 + x) * 4];
            if (x >= 4) {
                EXPECT_EQ(p[0], 0xAB);  // beyond the frame width: untouched
                continue;
            }
            const uint8_t a = plane[y * 4 + x];
            EXPECT_EQ(p[3], a);
            if (a == 0) {
                EXPECT_EQ(p[0] | p[1] | p[2], 0);
            }
        }
    }
}

TEST(VideoConvert, AlphaVideoGivesItsRedChannelAndReservedFormatIsNotConverted) {
    Frame colour(2, 1);
    Frame alphaVideo(2, 1);
    std::fill(alphaVideo.y.begin(), alphaVideo.y.end(), 81);  // studio red: R = 255
    std::fill(alphaVideo.cr.begin(), alphaVideo.cr.end(), 240);
    alphaVideo.y[1] = 16;  // black: R = 0, alpha 0
    alphaVideo.cr[0] = 128;
    vK_VideoAlpha alpha;
    alpha.video = &alphaVideo.planes;
    std::vector<uint8_t> out(4 * 2 * 4, 0xAB);
    ASSERT_TRUE(ConvertVideoFrame(colour.planes, TH_PF_420, alpha, out.data(), 0));
    EXPECT_EQ(out[3], 76);  // Y 81, Cr 128: R = 19498 >> 8
    EXPECT_EQ(out[1 * 4 + 3], 0);
    EXPECT_EQ(out[1 * 4 + 0] | out[1 * 4 + 1] | out[1 * 4 + 2], 0);
    EXPECT_EQ(out[2 * 4 + 3], 255);  // Y 81, Cr 240: R = 65306 >> 8

    std::vector<uint8_t> untouched(4 * 2 * 4, 0xAB);
    EXPECT_FALSE(ConvertVideoFrame(colour.planes, TH_PF_RSVD, vK_VideoAlpha{}, untouched.data(), 0));
    EXPECT_EQ(untouched, std::vector<uint8_t>(4 * 2 * 4, 0xAB));
}

}  // namespace
