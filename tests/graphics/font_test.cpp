#include "graphics/font.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files/file_manager.h"
#include "files/log.h"
#include "files/log_once.h"
#include "graphics/device_texture.h"
#include "graphics/font_scrambler.h"
#include "graphics/glyph_rasterizer.h"
#include "graphics/texture.h"
#include "support/recording_render.h"
#include "support/temp_folder.h"

namespace {

const char* const kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const kDejaVuBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A temporary asset tree served by a file manager, as the engine reads fonts.
class Assets {
public:
    Assets() {
        files.SetAssetRoot(folder.Path());
        files.SetSaveFolder(folder.Path() + "/save");
        files.SetIdentity("Publisher", "Game");
        files.RegisterProviders();
        std::filesystem::create_directories(folder.Path() + "/assets/fonts");
    }
    std::string Path(const std::string& relative) const { return folder.Path() + "/" + relative; }
    TempFolder folder;
    vK_FileManager files;
};

// Coverage of a block: pixels with non-zero alpha.
int Coverage(const vK_TextBitmap& block) {
    int count = 0;
    for (size_t i = 3; i < block.pixels.size(); i += 4) count += block.pixels[i] != 0;
    return count;
}

class FontTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(kDejaVu)) << "fonts-dejavu-core is needed";
        regular_ = ReadFile(kDejaVu);
    }
    vK_GlyphRasterizer rasterizer_;
    std::vector<uint8_t> regular_;
};

}  // namespace

TEST_F(FontTest, Load_ToolOutputOfDejaVuLoadsAllFourStyles) {
    Assets assets;
    const std::string tool = std::string(VRAKKO_BINARY_DIR) + "/vkfont";
    ASSERT_TRUE(std::filesystem::exists(tool));
    const std::string name = "assets/fonts/sans";
    const char* sources[] = {kDejaVu, kDejaVuBold, "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf",
                             "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf"};
    for (int style = 0; style < 4; ++style) {
        const std::string command =
            tool + " -q " + sources[style] + " " + assets.Path(vK_Font::StyleFileName(name, style)) + " 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    // The scrambled file is the tool's output and reads back to the original bytes.
    const std::vector<uint8_t> scrambled = ReadFile(assets.Path(name + ".vkfnt"));
    EXPECT_EQ(scrambled.size(), regular_.size() + regular_.size() / 35);
    EXPECT_EQ(vK_FontScrambler::Descramble(scrambled.data(), scrambled.size()), regular_);

    vK_Font font;
    ASSERT_TRUE(font.Load(name));
    EXPECT_EQ(font.GetName(), name);
    for (int style = 0; style < 4; ++style) EXPECT_TRUE(font.HasFace(style)) << style;
    font.SetSize(-1, 20);
    EXPECT_GT(font.GetAdvance('W', 0), 0);
    EXPECT_GT(font.GetAdvance('W', 1), font.GetAdvance('W', 0) - 1);
}

TEST_F(FontTest, Load_ToolRoundTripsShortFilesAndRefusesBadInput) {
    TempFolder dir;
    const std::string tool = std::string(VRAKKO_BINARY_DIR) + "/vkfont";
    for (size_t n : {1u, 34u, 35u, 36u, 70u, 71u, 200u}) {
        std::vector<uint8_t> data(n);
        for (size_t i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(255 - i);
        WriteFile(dir.Path() + "/in.bin", data);
        const std::string command =
            tool + " -q --no-check " + dir.Path() + "/in.bin " + dir.Path() + "/out.vkfnt 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << n;
        const std::vector<uint8_t> out = ReadFile(dir.Path() + "/out.vkfnt");
        EXPECT_EQ(vK_FontScrambler::Descramble(out.data(), out.size()), data) << n;
    }
    // Not a font, a missing input, no arguments: non-zero exit statuses.
    WriteFile(dir.Path() + "/junk.ttf", std::vector<uint8_t>(100, 7));
    EXPECT_NE(
        std::system((tool + " " + dir.Path() + "/junk.ttf " + dir.Path() + "/j.vkfnt 2>/dev/null").c_str()),
        0);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/j.vkfnt"));
    EXPECT_NE(
        std::system((tool + " " + dir.Path() + "/none.ttf " + dir.Path() + "/n.vkfnt 2>/dev/null").c_str()),
        0);
    EXPECT_NE(std::system((tool + " 2>/dev/null").c_str()), 0);
    EXPECT_EQ(std::system((tool + " --help >/dev/null").c_str()), 0);
}

TEST_F(FontTest, Load_MissingFilesLogTheDesignMessageDamagedOnesTheirCause) {
    Assets assets;
    vK_LogCapture capture;
    vK_Font font;
    EXPECT_FALSE(font.Load("assets/fonts/nothing"));
    EXPECT_TRUE(capture.Contains(
        "Error: font assets/fonts/nothing could not find \"assets/fonts/nothing\" file to load!"));
    EXPECT_EQ(capture.Count(), 1);  // missing style files themselves are silent
    // Files that are there but empty, cut short or not a font are named with the cause.
    const std::vector<uint8_t> regular = ReadFile(kDejaVuBold);
    const std::vector<uint8_t> cut(regular.begin(), regular.begin() + 400);
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* line;
    } damaged[] = {
        {"junk", std::vector<uint8_t>(300, 1),
         "font assets/fonts/junk: \"assets/fonts/junk.vkfnt\" is damaged or not a font file"},
        {"cut", cut, "font assets/fonts/cut: \"assets/fonts/cut.vkfnt\" is damaged or not a font file"},
        {"void", {}, "font assets/fonts/void: \"assets/fonts/void.vkfnt\" is empty"},
    };
    for (const auto& d : damaged) {
        const std::string path = std::string("assets/fonts/") + d.name;
        WriteFile(assets.Path(path + ".vkfnt"),
                  d.bytes.empty() ? d.bytes : vK_FontScrambler::Scramble(d.bytes.data(), d.bytes.size()));
        capture.Clear();
        vK_Font font;
        EXPECT_FALSE(font.Load(path)) << d.name;
        EXPECT_TRUE(capture.Contains(d.line)) << capture.Text();
    }
    // Only the bold file present: the font loads with that style alone.
    const std::vector<uint8_t> bold = ReadFile(kDejaVuBold);
    WriteFile(assets.Path("assets/fonts/b_b.vkfnt"), vK_FontScrambler::Scramble(bold.data(), bold.size()));
    vK_Font boldOnly;
    EXPECT_TRUE(boldOnly.Load("assets/fonts/b"));
    EXPECT_FALSE(boldOnly.HasFace(0));
    EXPECT_TRUE(boldOnly.HasFace(1));
}

// Only the regular file is read at load; another style is read when text first asks
// for it (once, also when it is missing), at the size set before it arrived, and draws
// exactly as a face given up front.
TEST_F(FontTest, Load_OtherStylesAreReadOnFirstUseAndDrawAsIfLoadedUpFront) {
    const std::vector<uint8_t> bold = ReadFile(kDejaVuBold);
    std::vector<std::string> reads;
    const auto reader = [&](const std::string& path, std::vector<uint8_t>& bytes) {
        reads.push_back(path);
        if (path == "f.vkfnt") bytes = vK_FontScrambler::Scramble(regular_.data(), regular_.size());
        if (path == "f_b.vkfnt") bytes = vK_FontScrambler::Scramble(bold.data(), bold.size());
        return !bytes.empty();
    };
    vK_Font lazy;
    ASSERT_TRUE(lazy.LoadWith("f", reader));
    EXPECT_EQ(reads, std::vector<std::string>({"f.vkfnt"}));
    vK_TextStyle style;
    style.fontsize = 30;
    lazy.SetSize(-1, 30);
    vK_TextBitmap plain, lazyBlock, eagerBlock;
    ASSERT_TRUE(lazy.RenderBitmap("ab", -1, style, plain));
    EXPECT_EQ(reads.size(), 1u);
    ASSERT_TRUE(lazy.RenderBitmap("a<b>b</b><i>c</i>", -1, style, lazyBlock));
    EXPECT_EQ(reads, std::vector<std::string>({"f.vkfnt", "f_b.vkfnt", "f_i.vkfnt"}));
    EXPECT_FALSE(lazy.HasFace(2));
    EXPECT_EQ(reads.size(), 3u);  // a missing style is not asked for again

    vK_Font eager;
    ASSERT_TRUE(eager.AddFace(0, regular_));
    ASSERT_TRUE(eager.AddFace(1, bold));
    ASSERT_TRUE(eager.RenderBitmap("a<b>b</b><i>c</i>", -1, style, eagerBlock));
    EXPECT_EQ(lazyBlock.width, eagerBlock.width);
    EXPECT_EQ(lazyBlock.pixels, eagerBlock.pixels);
}

TEST_F(FontTest, Render_MissingDefaultFaceGivesNothing) {
    vK_Font font;
    ASSERT_TRUE(font.AddFace(1, regular_));
    vK_TextStyle style;
    vK_TextBitmap block;
    EXPECT_FALSE(font.RenderBitmap("abc", -1, style, block));
    EXPECT_TRUE(block.pixels.empty());
    style.fonttype = 1;
    EXPECT_TRUE(font.RenderBitmap("abc", -1, style, block));
    style.fontsize = 0;
    EXPECT_FALSE(font.RenderBitmap("abc", -1, style, block));
}

TEST_F(FontTest, Render_BlockSizeFollowsTheLayout) {
    vK_Font font;
    ASSERT_TRUE(font.AddFace(0, regular_));
    vK_TextStyle style;
    style.linespacing = 1.5f;
    vK_TextBitmap block;
    ASSERT_TRUE(font.RenderBitmap("ab\ncd", -1, style, block));
    EXPECT_EQ(block.height, 60);
    font.SetSize(-1, 20);
    const int widest = std::max(font.GetAdvance('a', 0) + font.GetAdvance('b', 0),
                                font.GetAdvance('c', 0) + font.GetAdvance('d', 0));
    EXPECT_EQ(block.width, (widest + 10 + 1) & ~1);
    EXPECT_EQ(block.pixels.size(), static_cast<size_t>(block.width * block.height * 4));
    EXPECT_GT(Coverage(block), 0);
}

TEST_F(FontTest, Render_MissingBoldFaceSkipsBoldTextInTheTextPass) {
    vK_Font font;
    ASSERT_TRUE(font.AddFace(0, regular_));
    vK_TextStyle style;
    vK_TextBitmap withTag, plain;
    ASSERT_TRUE(font.RenderBitmap("A<b>B</b>C", -1, style, withTag));
    ASSERT_TRUE(font.RenderBitmap("AC", -1, style, plain));
    EXPECT_EQ(withTag.width, plain.width);
    EXPECT_EQ(withTag.pixels, plain.pixels);
}

TEST_F(FontTest, Render_SizeIsSetBeforeEveryLayoutSinceFacesAreShared) {
    vK_Font font;
    ASSERT_TRUE(font.AddFace(0, regular_));
    vK_TextStyle style;
    vK_TextBitmap first, second;
    ASSERT_TRUE(font.RenderBitmap("Hello", -1, style, first));
    font.SetSize(-1, 60);  // another user of the font sizes it
    EXPECT_GT(font.GetAdvance('H', 0), 30);
    ASSERT_TRUE(font.RenderBitmap("Hello", -1, style, second));
    EXPECT_EQ(first.width, second.width);
    EXPECT_EQ(first.pixels, second.pixels);
}

TEST_F(FontTest, Render_ShadowAndOutlineAddCoverageInTheirColours) {
    vK_Font font;
    ASSERT_TRUE(font.AddFace(0, regular_));
    vK_TextStyle style;
    style.fontsize = 32;
    style.fontcolor[0] = 1.0f;
    style.fontcolor[1] = 1.0f;
    style.fontcolor[2] = 1.0f;
    vK_TextBitmap plain, outlined, shadowed;
    ASSERT_TRUE(font.RenderBitmap("Hi", -1, style, plain));
    style.display_outline = 1;
    style.outline_size = 4;  // 2 pixels
    style.outline_color[0] = 1.0f;
    style.outline_color[1] = 0.0f;
    style.outline_color[2] = 0.0f;
    ASSERT_TRUE(font.RenderBitmap("Hi", -1, style, outlined));
    EXPECT_GT(Coverage(outlined), Coverage(plain) + 20);
    // Some pixels are pure outline: red.
    bool red = false;
    for (size_t i = 0; i < outlined.pixels.size(); i += 4) {
        if (outlined.pixels[i + 3] == 255 && outlined.pixels[i + 2] == 255 && outlined.pixels[i + 1] == 0)
            red = true;
    }
    EXPECT_TRUE(red);
    style.display_outline = 0;
    style.display_shadow = 1;
    style.shadow_pos_x = 3;
    style.shadow_pos_y = 3;
    style.shadow_aplha = 0.5f;
    ASSERT_TRUE(font.RenderBitmap("Hi", -1, style, shadowed));
    EXPECT_GT(Coverage(shadowed), Coverage(plain));
    // Shadow-only pixels are black at half opacity: int(255 * 0.5) = 127.
    bool halfBlack = false;
    for (size_t i = 0; i < shadowed.pixels.size(); i += 4) {
        if (shadowed.pixels[i + 3] == 127 && shadowed.pixels[i + 2] == 0) halfBlack = true;
    }
    EXPECT_TRUE(halfBlack);
}

TEST_F(FontTest, Render_AlignmentPlacesEachLine) {
    vK_Font font;
    ASSERT_TRUE(font.AddFace(0, regular_));
    vK_TextStyle style;
    style.fontsize = 20;
    // The leftmost covered column of the short second line, per alignment.
    int firstColumn[3] = {0, 0, 0};
    for (int align = 0; align < 3; ++align) {
        style.align = align;
        vK_TextBitmap block;
        ASSERT_TRUE(font.RenderBitmap("WWWWWW\nl", -1, style, block));
        firstColumn[align] = block.width;
        for (int y = 35; y < block.height; ++y) {
            for (int x = 0; x < block.width; ++x) {
                if (block.pixels[(static_cast<size_t>(y) * block.width + x) * 4 + 3] != 0 &&
                    x < firstColumn[align]) {
                    firstColumn[align] = x;
                }
            }
        }
    }
    EXPECT_LT(firstColumn[0], 10);
    EXPECT_GT(firstColumn[1], firstColumn[0] + 20);
    EXPECT_GT(firstColumn[2], firstColumn[1] + 20);
}

TEST_F(FontTest, Render_FontOutlivesTheRasterizerService) {
    auto rasterizer = std::make_unique<vK_GlyphRasterizer>();
    auto font = std::make_unique<vK_Font>();
    ASSERT_TRUE(font->AddFace(0, regular_));
    rasterizer.reset();
    vK_TextBitmap block;
    EXPECT_TRUE(font->RenderBitmap("still here", -1, vK_TextStyle{}, block));
    font.reset();
}

TEST_F(FontTest, RenderText_UploadsTheBlockAsOneCentredGeneratedTexture) {
    vK_Font font;
    ASSERT_TRUE(font.AddFace(0, regular_));
    vK_TextStyle style;
    EXPECT_EQ(font.RenderText("Hey", -1, style), nullptr);  // no renderer, no texture
    vK_RecordingRender render(1024, 768);
    vK_TextBitmap block;
    ASSERT_TRUE(font.RenderBitmap("Hey", -1, style, block));
    const std::shared_ptr<vK_Texture> texture = font.RenderText("Hey", -1, style);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetWidth(), block.width);
    EXPECT_EQ(texture->GetHeight(), block.height);
    const vK_Rect rect = texture->GetRect(0);
    EXPECT_EQ(rect,
              (vK_Rect{-block.width / 2.0f, -block.height / 2.0f, float(block.width), float(block.height)}));
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(texture->GetDeviceTexture(0)->Read(pixels));
    EXPECT_EQ(pixels, block.pixels);
}

// A character the font has no glyph for draws nothing; the log says so once per font and
// Unicode block, whatever the character or the rendering that asks.
TEST_F(FontTest, Render_MissingGlyphsAreLoggedOncePerFontAndBlock) {
    ResetLogOnce();
    vK_Font sans, other;
    ASSERT_TRUE(sans.AddFace(0, regular_));
    ASSERT_TRUE(other.AddFace(0, regular_));
    sans.SetName("assets/fonts/sans");
    other.SetName("assets/fonts/other");
    const std::string lacks = "Warning: font assets/fonts/sans has no glyphs for ";
    struct Case {
        const char* name;
        vK_Font* font;
        std::string text;
        std::string lines;
    };
    const Case cases[] = {
        {"Latin, Greek and an emoticon the font has", &sans, "Caf\u00e9 \u03a9 \U0001F600", ""},
        {"ideographs", &sans, "\u6642\u8a08 \u65e5", lacks + "U+4E00..U+9FFF (CJK Unified Ideographs)"},
        {"the same block again, other characters", &sans, "A\n\u6771\u4eac", ""},
        {"two blocks in one text", &sans, "\ud55c\uae00 \U0001F570",
         lacks + "U+AC00..U+D7AF (Hangul Syllables)\n" + lacks +
             "U+1F300..U+1F5FF (Miscellaneous Symbols and Pictographs)"},
        {"invisible codes need no glyph", &sans, "\u2764\ufe0f\u200d\ufeff", ""},
        {"a code outside the named blocks", &sans, "\U00013000",
         lacks + "U+13000..U+1307F (other characters)"},
        {"another font", &other, "\u6642",
         "Warning: font assets/fonts/other has no glyphs for U+4E00..U+9FFF (CJK Unified Ideographs)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vK_LogCapture log;
        vK_TextStyle style;
        vK_TextBitmap block;
        ASSERT_TRUE(c.font->RenderBitmap(c.text, -1, style, block));
        EXPECT_EQ(log.Text(), c.lines);
    }
    ResetLogOnce();
}
