// The OpenGL back end drawn headless (SDL's offscreen driver on Mesa) and read back.
#include "graphics/gl/render_gl.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "graphics/device_texture.h"
#include "graphics/generated_texture.h"
#include "graphics/image.h"
#include "graphics/image_codec.h"
#include "graphics/texture.h"
#include "support/headless_gl.h"
#include "support/temp_folder.h"

namespace {

constexpr int kSize = 64;
constexpr int kTolerance = 3;

struct Pixel {
    int b, g, r, a;
};

class GLRender : public ::testing::Test {
protected:
    void SetUp() override {
        if (!gl.Ready()) GTEST_SKIP() << "no OpenGL 3.3 context";
        render = std::make_unique<vK_Render>(std::make_unique<vK_Render_Impl>());
        render->Init(kSize, kSize);
        ASSERT_TRUE(render->IsDeviceReady());
    }
    void TearDown() override { render.reset(); }

    std::shared_ptr<vK_GeneratedTexture> Solid(float r, float g, float b, int size = 4) {
        auto t = render->CreateGeneratedTexture();
        const float bgr[3] = {b, g, r};
        EXPECT_TRUE(t->Create(size, size, bgr));
        return t;
    }
    // Draws texture over the whole target.
    void Cover(const std::shared_ptr<vK_Texture>& t, int blend = 0, float alpha = 1.0f) {
        vK_DrawParams p;
        p.blend = blend;
        p.alpha = alpha;
        p.matrix = vK_Matrix::Scale(kSize / t->GetWidth(), kSize / t->GetHeight()) *
                   vK_Matrix::Translation(kSize / 2.0f, kSize / 2.0f);
        render->DrawSprite(t, p);
    }
    Pixel At(int x, int y) {
        std::vector<uint8_t> bgra;
        EXPECT_TRUE(render->ReadBackBuffer(x, y, 1, 1, bgra));
        return {bgra[0], bgra[1], bgra[2], bgra[3]};
    }
    static Pixel TexelAt(vK_Texture& t, int x, int y) {
        std::vector<uint8_t> bgra;
        vK_DeviceTexture* d = t.GetDeviceTexture(0);
        EXPECT_TRUE(d && d->Read(bgra));
        if (!d || bgra.empty()) return {};
        const uint8_t* p = bgra.data() + (static_cast<size_t>(y) * d->GetWidth() + x) * 4;
        return {p[0], p[1], p[2], p[3]};
    }

    HeadlessGL gl{kSize, kSize};
    std::unique_ptr<vK_Render> render;
};

#define EXPECT_RGB(pixel, R, G, B)                   \
    do {                                             \
        const Pixel p_ = (pixel);                    \
        EXPECT_NEAR(p_.r, R, kTolerance) << "red";   \
        EXPECT_NEAR(p_.g, G, kTolerance) << "green"; \
        EXPECT_NEAR(p_.b, B, kTolerance) << "blue";  \
    } while (0)

TEST_F(GLRender, BlendTable_ReadBackOverGreyBackdrop) {
    // Backdrop 127 grey; source texel (255, 127, 0) drawn at alpha 0.5.
    struct Case {
        int blend;
        int r, g, b;
    };
    const Case cases[] = {
        {0, 191, 127, 63},   // normal: s * 0.5 + d * 0.5
        {2, 254, 190, 127},  // additive: s * 0.5 + d
        {3, 0, 64, 127},     // zero, one minus source colour: d * (1 - s)
        {4, 127, 63, 0},     // zero, source colour: d * s
        {7, 191, 127, 63},   // unknown values blend normally
    };
    auto grey = Solid(0.5f, 0.5f, 0.5f);
    auto orange = Solid(1.0f, 0.5f, 0.0f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.blend);
        render->BeginFrame();
        render->BeginDraw();
        Cover(grey);
        Cover(orange, c.blend, 0.5f);
        render->EndDraw();
        render->EndFrame();
        EXPECT_RGB(At(kSize / 2, kSize / 2), c.r, c.g, c.b);
    }
}

TEST_F(GLRender, RenderTarget_SeparateAlphaKeepsCoverage) {
    auto white = Solid(1.0f, 1.0f, 1.0f);
    render->BeginRenderToTexture(16, 16);
    vK_DrawParams p;
    p.alpha = 0.5f;
    p.matrix = vK_Matrix::Scale(4, 4) * vK_Matrix::Translation(8, 8);
    render->DrawSprite(white, p);
    std::shared_ptr<vK_Texture> target = render->EndRenderToTexture();
    ASSERT_TRUE(target);
    const Pixel inside = TexelAt(*target, 8, 8);
    EXPECT_NEAR(inside.a, 127, kTolerance);  // one * 0.5 + 0 * (1 - 0.5)
    EXPECT_NEAR(inside.r, 127, kTolerance);  // colour 1 * 0.5 over transparent black
}

TEST_F(GLRender, RenderTarget_RowsTopFirstAndDrawnBack) {
    // A red bar across the top quarter of a render target shows up at the top of the
    // target's pixels and at the top when the target is drawn to the screen.
    auto red = Solid(1, 0, 0);
    render->BeginRenderToTexture(kSize, kSize);
    vK_DrawParams bar;
    bar.matrix =
        vK_Matrix::Scale(kSize / 4.0f, kSize / 16.0f) * vK_Matrix::Translation(kSize / 2.0f, kSize / 8.0f);
    render->DrawSprite(red, bar);
    std::shared_ptr<vK_Texture> target = render->EndRenderToTexture();
    ASSERT_TRUE(target);
    EXPECT_RGB(TexelAt(*target, 32, 4), 255, 0, 0);
    EXPECT_EQ(TexelAt(*target, 32, 60).a, 0);

    render->BeginFrame();
    render->BeginDraw();
    Cover(target);
    render->EndDraw();
    render->EndFrame();
    EXPECT_RGB(At(32, 4), 255, 0, 0);
    EXPECT_RGB(At(32, 60), 0, 0, 0);
}

TEST_F(GLRender, Crop_ClipsByViewport) {
    auto white = Solid(1, 1, 1);
    render->BeginFrame();
    render->BeginDraw();
    ASSERT_TRUE(render->PushCrop({10, 20, 20, 10}));
    Cover(white);
    render->PopCrop();
    render->EndDraw();
    render->EndFrame();
    struct Probe {
        int x, y, value;
    };
    const Probe probes[] = {{15, 25, 255}, {10, 20, 255}, {29, 29, 255}, {9, 25, 0},
                            {30, 25, 0},   {15, 19, 0},   {15, 30, 0},   {50, 50, 0}};
    for (const Probe& p : probes) {
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        EXPECT_RGB(At(p.x, p.y), p.value, p.value, p.value);
    }
}

TEST_F(GLRender, Lines_DrawUntexturedWithTheirColour) {
    render->BeginFrame();
    render->BeginDraw();
    const float green[3] = {0, 1, 0};
    render->DrawLine(0, 10.5f, 0, 64, 10.5f, 0, green, vK_DrawParams());
    render->EndDraw();
    render->EndFrame();
    EXPECT_RGB(At(30, 10), 0, 255, 0);
    EXPECT_RGB(At(30, 20), 0, 0, 0);
}

TEST_F(GLRender, GammaOverlay_BrightensAndDarkens) {
    struct Case {
        float gamma;
        int value;
    };
    // Backdrop 127: 1.5 adds white at 0.15 (127 + 38), 0.8 lays black at 0.2 (127 * 0.8).
    const Case cases[] = {{1.5f, 165}, {0.8f, 102}, {1.0f, 127}};
    auto grey = Solid(0.5f, 0.5f, 0.5f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gamma);
        render->SetGamma(c.gamma);
        render->BeginFrame();
        render->BeginDraw();
        Cover(grey);
        render->EndDraw();
        render->EndFrame();
        EXPECT_RGB(At(5, 60), c.value, c.value, c.value);
    }
}

TEST_F(GLRender, BlurredCopy_SpreadsTheEdgeAndKeepsTheMiddle) {
    // 40 x 40, transparent with an opaque white square 10..30.
    std::vector<uint8_t> pixels(40 * 40 * 4, 0);
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 30; ++x)
            for (int k = 0; k < 4; ++k) pixels[(y * 40 + x) * 4 + k] = 255;
    auto source = render->CreateGeneratedTexture();
    ASSERT_TRUE(source->CreateFromPixels(pixels.data(), 40, 40));
    std::shared_ptr<vK_Texture> blurred = render->MakeBlurredTexture(source, 0, 0, 4.0f);
    ASSERT_TRUE(blurred);
    EXPECT_FLOAT_EQ(blurred->GetWidth(), 40.0f);
    EXPECT_GE(TexelAt(*blurred, 20, 20).a, 250);  // the middle stays opaque
    const int halo = TexelAt(*blurred, 7, 20).a;  // outside the square, within the radius
    EXPECT_GT(halo, 20);
    EXPECT_LT(halo, 200);
    EXPECT_LE(TexelAt(*blurred, 1, 1).a, 2);  // far outside stays clear
}

TEST_F(GLRender, Screenshot_DecodesToTheTargetSize) {
    TempFolder folder;
    auto red = Solid(1, 0, 0);
    const std::string path = folder.Path() + "/shot";
    ASSERT_TRUE(render->BeginScreenshot());
    vK_DrawParams p;
    p.matrix =
        vK_Matrix::Scale(kSize / 4.0f, kSize / 8.0f) * vK_Matrix::Translation(kSize / 2.0f, kSize / 4.0f);
    render->DrawSprite(red, p);
    ASSERT_TRUE(render->EndScreenshot(path));
    FILE* f = std::fopen((path + ".jpg").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> bytes;
    for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    vK_Image image;
    ASSERT_TRUE(DecodeJpeg(bytes.data(), bytes.size(), image));
    EXPECT_EQ(image.width, kSize);
    EXPECT_EQ(image.height, kSize);
    const uint8_t* top = &image.pixels[(8 * kSize + 32) * 4];
    const uint8_t* bottom = &image.pixels[(56 * kSize + 32) * 4];
    EXPECT_GT(top[2], 200);  // the red bar is at the top
    EXPECT_LT(bottom[2], 40);
}

// Quads reach the device as four corners over a shared index pattern of 16384 quads;
// a longer batch is drawn in pieces, each starting at its own first corner.
TEST_F(GLRender, ManyQuads_InOneBatchLandWhereTheyWereDrawn) {
    auto white = Solid(1, 1, 1, 1);
    struct Marker {
        int quad;  // the position in the batch
        int x, y;
        float r, g, b;
    };
    const Marker markers[] = {{0, 3, 3, 1, 0, 0},      {16383, 20, 3, 0, 1, 0},  {16384, 40, 3, 0, 0, 1},
                              {16385, 3, 40, 1, 1, 0}, {32768, 20, 40, 0, 1, 1}, {40000, 40, 40, 1, 0, 1}};
    render->BeginFrame();
    render->BeginDraw();
    size_t next = 0;
    for (int q = 0; q <= 40000; ++q) {
        vK_DrawParams p;
        if (next < std::size(markers) && markers[next].quad == q) {
            const Marker& m = markers[next++];
            p.red = m.r, p.green = m.g, p.blue = m.b;
            p.matrix = vK_Matrix::Scale(4, 4) * vK_Matrix::Translation(m.x + 0.5f, m.y + 0.5f);
        } else {
            p.red = p.green = p.blue = 0.25f;  // dim filler in the bottom-right corner
            p.matrix = vK_Matrix::Translation(60.5f, 60.5f);
        }
        render->DrawSprite(white, p);
    }
    render->EndDraw();
    render->EndFrame();
    for (const Marker& m : markers) {
        SCOPED_TRACE(m.quad);
        EXPECT_RGB(At(m.x, m.y), static_cast<int>(m.r * 255), static_cast<int>(m.g * 255),
                   static_cast<int>(m.b * 255));
    }
    EXPECT_RGB(At(60, 60), 64, 64, 64);
    EXPECT_RGB(At(10, 30), 0, 0, 0);
}

TEST_F(GLRender, TrianglesAndQuadsShareABatchAndLinesKeepTheirPlace) {
    auto white = Solid(1, 1, 1);
    render->BeginFrame();
    render->BeginDraw();
    vK_VertexList triangle;  // red, covering the top-left corner
    triangle.Add(0, 0, 0, 0, 1, 0, 0, 1);
    triangle.Add(30, 0, 1, 0, 1, 0, 0, 1);
    triangle.Add(0, 30, 0, 1, 1, 0, 0, 1);
    render->AddVertices(white, triangle, vK_DrawState());
    vK_DrawParams p;  // a green sprite in the bottom-right quarter, same texture
    p.green = 1, p.red = p.blue = 0;
    p.matrix = vK_Matrix::Scale(8, 8) * vK_Matrix::Translation(48, 48);
    render->DrawSprite(white, p);
    const float blue[3] = {0, 0, 1};  // a line across the sprite, drawn after it
    render->DrawLine(32, 48.5f, 0, 64, 48.5f, 0, blue, vK_DrawParams());
    render->EndDraw();
    render->EndFrame();
    EXPECT_RGB(At(5, 5), 255, 0, 0);
    EXPECT_RGB(At(25, 25), 0, 0, 0);
    EXPECT_RGB(At(46, 45), 0, 255, 0);
    EXPECT_RGB(At(46, 48), 0, 0, 255);
}

TEST_F(GLRender, TexturePixelsChangedAfterADrawShowInLaterDrawsOnly) {
    std::vector<uint8_t> red(4 * 4 * 4), green(4 * 4 * 4);
    for (size_t i = 0; i < red.size(); i += 4) {
        red[i] = red[i + 1] = 0, red[i + 2] = red[i + 3] = 255;  // B, G, R, A
        green[i] = green[i + 2] = 0, green[i + 1] = green[i + 3] = 255;
    }
    auto texture = render->CreateGeneratedTexture();
    ASSERT_TRUE(texture->CreateFromPixels(red.data(), 4, 4));
    render->BeginFrame();
    render->BeginDraw();
    vK_DrawParams left;
    left.matrix = vK_Matrix::Scale(4, 4) * vK_Matrix::Translation(16, 32);
    render->DrawSprite(texture, left);
    render->EndDraw();  // the batch is handed over but not yet drawn
    ASSERT_TRUE(texture->CreateFromPixels(green.data(), 4, 4));
    render->BeginDraw();
    vK_DrawParams right = left;
    right.matrix = vK_Matrix::Scale(4, 4) * vK_Matrix::Translation(48, 32);
    render->DrawSprite(texture, right);
    render->EndDraw();
    render->EndFrame();
    EXPECT_RGB(At(16, 32), 255, 0, 0);
    EXPECT_RGB(At(48, 32), 0, 255, 0);
}

}  // namespace
