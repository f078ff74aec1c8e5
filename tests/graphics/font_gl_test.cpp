// A text with shadow and outline rendered by the font, drawn by the OpenGL renderer
// headless and read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "graphics/font.h"
#include "graphics/gl/render_gl.h"
#include "graphics/glyph_rasterizer.h"
#include "graphics/texture.h"
#include "support/headless_gl.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 96;

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

vK_TextStyle ShadowOutlineStyle() {
    vK_TextStyle style;
    style.fontsize = 32;
    style.fontcolor[0] = 1.0f;
    style.fontcolor[1] = 1.0f;
    style.fontcolor[2] = 0.0f;  // yellow text
    style.display_outline = 1;
    style.outline_size = 4;         // 2 pixels
    style.outline_color[0] = 1.0f;  // red outline
    style.outline_color[1] = 0.0f;
    style.outline_color[2] = 0.0f;
    style.display_shadow = 1;
    style.shadow_pos_x = 3;
    style.shadow_pos_y = 3;
    style.shadow_color[2] = 1.0f;  // blue shadow
    return style;
}

}  // namespace

TEST(FontGL, ShadowAndOutlineTextReadsBackWithTheExpectedCoverage) {
    HeadlessGL gl(kWidth, kHeight);
    if (!gl.Ready()) GTEST_SKIP() << "no OpenGL 3.3 context";
    vK_Render render{std::make_unique<vK_Render_Impl>()};
    render.Init(kWidth, kHeight);
    ASSERT_TRUE(render.IsDeviceReady());

    vK_GlyphRasterizer rasterizer;
    vK_Font font;
    ASSERT_TRUE(font.AddFace(0, ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")));
    const vK_TextStyle style = ShadowOutlineStyle();
    vK_TextBitmap block;
    ASSERT_TRUE(font.RenderBitmap("Vrakko", -1, style, block));
    std::shared_ptr<vK_Texture> texture = font.RenderText("Vrakko", -1, style);
    ASSERT_NE(texture, nullptr);

    render.BeginFrame();
    render.BeginDraw();
    vK_DrawParams params;
    params.matrix = vK_Matrix::Translation(kWidth / 2.0f, kHeight / 2.0f);
    render.DrawSprite(texture, params);
    render.EndDraw();
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(render.ReadBackBuffer(0, 0, kWidth, kHeight, pixels));
    render.EndFrame();

    // Classify every pixel of the frame: text (yellow), outline (red), shadow (blue).
    int drawn = 0, yellow = 0, red = 0, blue = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        const int b = pixels[i], g = pixels[i + 1], r = pixels[i + 2];
        if (r + g + b > 30) ++drawn;
        if (r > 200 && g > 200 && b < 60) ++yellow;
        if (r > 200 && g < 60 && b < 60) ++red;
        if (b > 200 && r < 60 && g < 60) ++blue;
    }
    // The CPU block's coverage is what the GPU must show (straight alpha over black).
    int expected = 0;
    for (size_t i = 0; i < block.pixels.size(); i += 4) {
        const int a = block.pixels[i + 3];
        const int sum = (block.pixels[i] + block.pixels[i + 1] + block.pixels[i + 2]) * a / 255;
        if (sum > 30) ++expected;
    }
    EXPECT_NEAR(drawn, expected, expected / 20 + 10);
    // Measured with FreeType 2.12 (DejaVu Sans 32 px, "Vrakko", Mesa llvmpipe): 2674
    // covered pixels, 652 solid yellow text, 927 solid red outline, 516 solid blue shadow.
    EXPECT_NEAR(drawn, 2674, 134);
    EXPECT_NEAR(yellow, 652, 98);
    EXPECT_NEAR(red, 927, 139);
    EXPECT_NEAR(blue, 516, 77);
    // Nothing is drawn outside the block centred in the frame.
    const int left = (kWidth - block.width) / 2, top = (kHeight - block.height) / 2;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (x >= left - 1 && x <= left + block.width && y >= top - 1 && y <= top + block.height) continue;
            const size_t i = (static_cast<size_t>(y) * kWidth + x) * 4;
            ASSERT_LT(pixels[i] + pixels[i + 1] + pixels[i + 2], 10) << x << "," << y;
        }
    }
}
