#include "graphics/image_codec.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "files/log.h"
#include "graphics/image.h"
#include "support/temp_folder.h"

namespace {

std::vector<uint8_t> Pattern(int w, int h) {
    std::vector<uint8_t> bgra(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &bgra[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = static_cast<uint8_t>(x * 8), p[1] = static_cast<uint8_t>(y * 8), p[2] = 200;
            p[3] = static_cast<uint8_t>((x + y) % 2 ? 255 : 0);
        }
    return bgra;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return bytes;
}

std::vector<uint8_t> JpegBytes(int w, int h) {
    TempFolder folder;
    const std::vector<uint8_t> bgra = Pattern(w, h);
    EXPECT_TRUE(SaveJpeg(bgra.data(), w, h, folder.Path() + "/p.jpg"));
    return ReadAll(folder.Path() + "/p.jpg");
}

void WriteCallback(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

// A valid 8-bit PNG of another colour type (grey, RGB).
std::vector<uint8_t> OtherPng(int colourType, int channels) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, WriteCallback, nullptr);
    png_set_IHDR(png, info, 4, 4, 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(4 * channels, 100);
    for (int y = 0; y < 4; ++y) png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

TEST(ImageCodec, PngRoundTripKeepsBgraOrder) {
    const std::vector<uint8_t> bgra = Pattern(7, 5);
    std::vector<uint8_t> png;
    ASSERT_TRUE(EncodePng(bgra.data(), 7, 5, png));
    vK_Image image;
    ASSERT_TRUE(DecodePng(png.data(), png.size(), image));
    EXPECT_EQ(image.width, 7);
    EXPECT_EQ(image.height, 5);
    EXPECT_TRUE(std::equal(bgra.begin(), bgra.end(), image.pixels.begin()));
}

TEST(ImageCodec, JpegDecodesToOpaqueBgr) {
    const std::vector<uint8_t> jpeg = JpegBytes(16, 8);
    vK_Image image;
    ASSERT_TRUE(DecodeJpeg(jpeg.data(), jpeg.size(), image));
    EXPECT_EQ(image.width, 16);
    EXPECT_EQ(image.height, 8);
    EXPECT_EQ(image.pixels[3], 255);
    EXPECT_NEAR(image.pixels[2], 200, 12);  // red channel of the pattern
}

TEST(ImageCodec, RefusedInputsLogTheirMessages) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool png;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"not a png", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, true, "is not recognized as a PNG file"},
        {"empty png", {}, true, "is not recognized as a PNG file"},
        {"grey png", OtherPng(PNG_COLOR_TYPE_GRAY, 1), true, "PNG image is not 32 bit format"},
        {"rgb png", OtherPng(PNG_COLOR_TYPE_RGB, 3), true, "PNG image is not 32 bit format"},
        {"garbage jpeg", {0xFF, 0xD8, 0x00, 0x01, 0x02}, false, "JPEG code has signaled an error"},
        {"empty jpeg", {}, false, "JPEG code has signaled an error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vK_LogCapture log;
        vK_Image image;
        image.fileName = "f";
        const bool ok = c.png ? DecodePng(c.bytes.data(), c.bytes.size(), image)
                              : DecodeJpeg(c.bytes.data(), c.bytes.size(), image);
        EXPECT_FALSE(ok);
        EXPECT_TRUE(log.Contains(c.message)) << log.Text();
    }
}

// Every prefix of a valid file must fail cleanly (or decode): never crash or read past
// the end. Runs under AddressSanitizer in the test suite.
TEST(ImageCodec, EveryTruncatedPrefixFailsCleanly) {
    const std::vector<uint8_t> bgra = Pattern(9, 6);
    std::vector<uint8_t> png;
    ASSERT_TRUE(EncodePng(bgra.data(), 9, 6, png));
    const std::vector<uint8_t> jpeg = JpegBytes(9, 6);
    vK_LogCapture quiet;
    for (size_t n = 0; n < png.size(); ++n) {
        std::vector<uint8_t> prefix(png.begin(), png.begin() + static_cast<long>(n));
        vK_Image image;
        EXPECT_FALSE(DecodePng(prefix.data(), prefix.size(), image)) << n;
    }
    for (size_t n = 0; n < jpeg.size(); ++n) {
        std::vector<uint8_t> prefix(jpeg.begin(), jpeg.begin() + static_cast<long>(n));
        vK_Image image;
        if (DecodeJpeg(prefix.data(), prefix.size(), image)) {
            // libjpeg pads a cut-off scan; the image then still has its full size.
            EXPECT_EQ(image.pixels.size(), image.Size() + 1);
        }
    }
}

TEST(ImageCodec, HugeDeclaredSizeIsRefusedBeforeAllocating) {
    // A PNG header claiming 100000 x 100000 pixels.
    std::vector<uint8_t> png;
    const std::vector<uint8_t> bgra = Pattern(1, 1);
    ASSERT_TRUE(EncodePng(bgra.data(), 1, 1, png));
    // IHDR data starts at byte 16: width, height (big endian); the CRC is then wrong,
    // which libpng also reports: either way the decode fails without allocating.
    const uint8_t big[4] = {0x00, 0x01, 0x86, 0xA0};
    std::copy(big, big + 4, png.begin() + 16);
    std::copy(big, big + 4, png.begin() + 20);
    vK_LogCapture log;
    vK_Image image;
    EXPECT_FALSE(DecodePng(png.data(), png.size(), image));
    EXPECT_TRUE(image.pixels.empty());
    EXPECT_FALSE(ImageSizeAllowed(100000, 100000));
    EXPECT_FALSE(ImageSizeAllowed(16384, 16384));  // 1 GiB of pixels
    EXPECT_TRUE(ImageSizeAllowed(4096, 4096));
    EXPECT_FALSE(ImageSizeAllowed(0, 10));
}

TEST(ImageCodec, SaveJpegFailsOnAnUnwritablePath) {
    const std::vector<uint8_t> bgra = Pattern(4, 4);
    EXPECT_FALSE(SaveJpeg(bgra.data(), 4, 4, "/nonexistent-folder/x.jpg"));
}

}  // namespace
