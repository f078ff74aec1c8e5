// Runs the built vkatlas on folders of drawn PNGs and reads its pages and frame texture
// back: every image is found at its frame with its pixels, pages keep the size limit and
// frames do not overlap, and the same input gives the same bytes.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "graphics/image.h"
#include "graphics/image_codec.h"
#include "support/temp_folder.h"

namespace {

const std::string kTool = std::string(VRAKKO_BINARY_DIR) + "/vkatlas";

// An image with a transparent border of left, top, right and bottom pixels around an
// opaque-ish interior whose colours depend on the image and the pixel.
struct Drawn {
    std::string name;
    int width, height, left, top, right, bottom;
    vK_Image image;
};

Drawn Draw(const std::string& name, int w, int h, int l, int t, int r, int b, int seed) {
    Drawn d{name, w, h, l, t, r, b, {}};
    d.image.width = w;
    d.image.height = h;
    d.image.pixels.assign(static_cast<size_t>(w) * h * 4, 0);
    for (int y = t; y < h - b; ++y)
        for (int x = l; x < w - r; ++x) {
            uint8_t* p = &d.image.pixels[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = static_cast<uint8_t>(seed * 37 + x * 5);
            p[1] = static_cast<uint8_t>(seed * 11 + y * 7);
            p[2] = static_cast<uint8_t>(x * y + seed);
            p[3] = static_cast<uint8_t>(1 + (x * 13 + y * 3 + seed) % 255);
        }
    return d;
}

void Write(const TempFolder& folder, const std::string& path, const vK_Image& image) {
    std::vector<uint8_t> png;
    ASSERT_TRUE(EncodePng(image.pixels.data(), image.width, image.height, png));
    folder.WriteFile(path, std::string(png.begin(), png.end()));
}

vK_Image ReadPng(const std::string& path) {
    vK_Image image;
    FILE* f = std::fopen(path.c_str(), "rb");
    std::vector<uint8_t> bytes;
    if (f) {
        int c;
        while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(f);
    }
    image.fileName = path;
    if (!DecodePng(bytes.data(), bytes.size(), image)) image.width = image.height = 0;
    return image;
}

// Runs the tool; answers its exit status and fills what it printed (both streams).
int RunTool(const std::string& args, std::string& output, const TempFolder& folder) {
    const std::string log = folder.Path() + "/tool_output.txt";
    const int status = std::system(("'" + kTool + "' " + args + " >'" + log + "' 2>&1").c_str());
    output = folder.ReadFile("tool_output.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct PlacedFrame {
    std::string page;
    int left, top, width, height, x, y;
};

std::vector<PlacedFrame> ReadFrames(const std::string& xmlPath) {
    std::vector<PlacedFrame> frames;
    tinyxml2::XMLDocument doc;
    if (doc.LoadFile(xmlPath.c_str()) != tinyxml2::XML_SUCCESS) return frames;
    const tinyxml2::XMLElement* root = doc.FirstChildElement("frametexture");
    for (const tinyxml2::XMLElement* e = root ? root->FirstChildElement("frame") : nullptr; e;
         e = e->NextSiblingElement("frame")) {
        frames.push_back({e->Attribute("texture") ? e->Attribute("texture") : "", e->IntAttribute("left"),
                          e->IntAttribute("top"), e->IntAttribute("widht"), e->IntAttribute("height"),
                          e->IntAttribute("x"), e->IntAttribute("y")});
    }
    return frames;
}

class Vkatlas : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kTool)) GTEST_SKIP() << "vkatlas is not built";
        // Named so that byte order differs from drawing order and from size order.
        drawn = {Draw("a_wide", 40, 12, 3, 2, 1, 0, 1),   Draw("b_tall", 10, 50, 0, 5, 2, 7, 2),
                 Draw("c_square", 30, 30, 4, 4, 4, 4, 3), Draw("d_empty", 9, 7, 9, 7, 0, 0, 4),
                 Draw("e_whole", 20, 20, 0, 0, 0, 0, 5),  Draw("f_small", 6, 5, 1, 1, 1, 1, 6),
                 Draw("g_big", 56, 40, 2, 0, 0, 3, 7)};
        // Written in reverse so that the listing order is not the answer.
        for (size_t i = drawn.size(); i-- > 0;) Write(folder, "in/" + drawn[i].name + ".png", drawn[i].image);
    }
    TempFolder folder;
    std::vector<Drawn> drawn;
};

TEST_F(Vkatlas, EveryImageIsFoundAtItsFrameWithinThePageLimit) {
    struct Case {
        const char* options;
        int maxSize, padding;
        bool trim;
    };
    const Case cases[] = {{"--max-size 64 --padding 2", 64, 2, true},
                          {"--max-size 60 --padding 0", 60, 0, true},
                          {"--no-trim --padding 1", 2048, 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        std::string out;
        ASSERT_EQ(RunTool(std::string(c.options) + " -q '" + folder.Path() + "/in' '" + folder.Path() +
                              "/out/atlas'",
                          out, folder),
                  0)
            << out;
        const std::vector<PlacedFrame> frames = ReadFrames(folder.Path() + "/out/atlas.xml");
        ASSERT_EQ(frames.size(), drawn.size());
        for (size_t i = 0; i < frames.size(); ++i) {
            SCOPED_TRACE(drawn[i].name);
            const Drawn& d = drawn[i];
            const PlacedFrame& f = frames[i];
            const bool empty = d.left == d.width;
            // Trimmed to the opaque interior (a wholly transparent image keeps one pixel).
            const int trimLeft = c.trim && !empty ? d.left : 0, trimTop = c.trim && !empty ? d.top : 0;
            const int w = !c.trim ? d.width : (empty ? 1 : d.width - d.left - d.right);
            const int h = !c.trim ? d.height : (empty ? 1 : d.height - d.top - d.bottom);
            EXPECT_EQ(f.width, w);
            EXPECT_EQ(f.height, h);
            // The pivot stays at the whole image's centre.
            EXPECT_EQ(f.x, d.width / 2 - trimLeft);
            EXPECT_EQ(f.y, d.height / 2 - trimTop);
            const vK_Image page = ReadPng(folder.Path() + "/out/" + f.page + ".png");
            ASSERT_GT(page.width, 0) << f.page;
            EXPECT_LE(page.width, c.maxSize);
            EXPECT_LE(page.height, c.maxSize);
            ASSERT_LE(f.left + f.width, page.width);
            ASSERT_LE(f.top + f.height, page.height);
            int differing = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    for (int k = 0; k < 4; ++k)
                        differing +=
                            page.pixels[(static_cast<size_t>(f.top + y) * page.width + f.left + x) * 4 + k] !=
                            d.image
                                .pixels[(static_cast<size_t>(trimTop + y) * d.width + trimLeft + x) * 4 + k];
            EXPECT_EQ(differing, 0);
            // No two frames of a page come closer than the padding.
            for (size_t j = 0; j < i; ++j) {
                const PlacedFrame& g = frames[j];
                if (g.page != f.page) continue;
                const bool apart =
                    f.left >= g.left + g.width + c.padding || g.left >= f.left + f.width + c.padding ||
                    f.top >= g.top + g.height + c.padding || g.top >= f.top + f.height + c.padding;
                EXPECT_TRUE(apart) << "overlaps frame " << j;
            }
        }
        std::filesystem::remove_all(folder.Path() + "/out");
    }
}

TEST_F(Vkatlas, SmallPagesSpreadTheFramesOverSeveralPages) {
    std::string out;
    ASSERT_EQ(
        RunTool("--max-size 56 '" + folder.Path() + "/in' '" + folder.Path() + "/out/atlas'", out, folder), 0)
        << out;
    const std::vector<PlacedFrame> frames = ReadFrames(folder.Path() + "/out/atlas.xml");
    ASSERT_EQ(frames.size(), drawn.size());
    // The 54 x 37 and 20 x 20 frames and the others cannot share one 56 x 56 page.
    EXPECT_TRUE(std::filesystem::exists(folder.Path() + "/out/atlas_1.png"));
    for (int p = 0; std::filesystem::exists(folder.Path() + "/out/atlas_" + std::to_string(p) + ".png");
         ++p) {
        const vK_Image page = ReadPng(folder.Path() + "/out/atlas_" + std::to_string(p) + ".png");
        EXPECT_LE(page.width, 56);
        EXPECT_LE(page.height, 56);
    }
    EXPECT_NE(out.find("7 images on"), std::string::npos) << out;
}

TEST_F(Vkatlas, TheSameInputGivesTheSameBytes) {
    std::string out;
    for (const char* name : {"one", "two"})
        ASSERT_EQ(
            RunTool("-q --max-size 64 '" + folder.Path() + "/in' '" + folder.Path() + "/" + name + "/atlas'",
                    out, folder),
            0)
            << out;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path() + "/one")) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(folder.ReadFile("one/" + name), folder.ReadFile("two/" + name)) << name;
        ++files;
    }
    EXPECT_GE(files, 3);  // the XML and at least two pages
}

TEST_F(Vkatlas, BadInputIsRefusedWithAClearMessage) {
    folder.WriteFile("none/readme.txt", "no images here");
    const std::string grey = "/usr/share/doc/libvorbis-dev/html/stream.png";  // a palette PNG
    const bool haveGrey = std::filesystem::exists(grey);
    if (haveGrey) {
        std::filesystem::create_directories(folder.Path() + "/pal");
        std::filesystem::copy_file(grey, folder.Path() + "/pal/stream.png");
    }
    struct Case {
        std::string args;
        int status;
        std::string message;
    };
    const std::string in = "'" + folder.Path() + "/in' '" + folder.Path() + "/out/a'";
    std::vector<Case> cases = {
        {"--max-size 50 " + in, 1, "g_big.png needs 54 x 37 pixels, more than a page of 50 allows"},
        {"'" + folder.Path() + "/none' '" + folder.Path() + "/out/a'", 1, "holds no .png files"},
        {"'" + folder.Path() + "/missing' '" + folder.Path() + "/out/a'", 1, "is not a folder"},
        {"'" + folder.Path() + "/in'", 2, "wants an input folder and an output name"},
        {"--padding -1 " + in, 2, "--padding wants a number"},
        {"--bogus " + in, 2, "unknown option --bogus"},
        {"--help", 0, "Usage: vkatlas [options] INPUT_DIR OUTPUT"},
    };
    if (haveGrey)
        cases.push_back({"'" + folder.Path() + "/pal' '" + folder.Path() + "/out/a'", 1,
                         "stream.png is not an 8-bit RGBA PNG; convert it with: convert"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        std::string out;
        EXPECT_EQ(RunTool(c.args, out, folder), c.status);
        EXPECT_NE(out.find(c.message), std::string::npos) << out;
    }
    // Nothing was written by the failed runs.
    EXPECT_FALSE(std::filesystem::exists(folder.Path() + "/out/a.xml"));
}

}  // namespace
