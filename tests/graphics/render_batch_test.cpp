#include <gtest/gtest.h>

#include <memory>

#include "graphics/generated_texture_impl.h"
#include "graphics/render_target_texture.h"
#include "graphics/texture.h"
#include "support/recording_render.h"

namespace {

// A frame of a shared page: each frame texture reports the same page object.
class PageFrame : public vK_Texture {
public:
    explicit PageFrame(vK_Texture* page) : page_(page) {}
    bool Load(const std::string&) override { return true; }
    vK_Texture* GetPage(int /*frame*/) override { return page_; }

private:
    vK_Texture* page_;
};

class Plain : public vK_Texture {
public:
    bool Load(const std::string&) override { return true; }
};

struct RenderFixture : ::testing::Test {
    vK_RecordingRender render{1024.0f, 768.0f};
    std::shared_ptr<Plain> page = std::make_shared<Plain>();
    std::shared_ptr<Plain> other = std::make_shared<Plain>();
};

TEST_F(RenderFixture, Batching_CountsDrawCallsAtDrawBatch) {
    auto frameA = std::make_shared<PageFrame>(page.get());
    auto frameB = std::make_shared<PageFrame>(page.get());
    vK_VertexList tri;
    tri.Add(0, 0, 0, 0, 1, 1, 1, 1);
    tri.Add(1, 0, 1, 0, 1, 1, 1, 1);
    tri.Add(0, 1, 0, 1, 1, 1, 1, 1);
    vK_IndexList idx;
    idx.Add(0), idx.Add(1), idx.Add(2);

    struct Step {
        enum Kind { kSprite, kMesh } kind;
        std::shared_ptr<vK_Texture> texture;
        int blend;
        float alpha;
        float key;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        size_t expectedBatches;
        size_t expectedVerticesFirst;
    };
    const std::vector<Case> cases = {
        {"two frames of one page",
         {{Step::kSprite, frameA, 0, 1, 0}, {Step::kSprite, frameB, 0, 1, 0}},
         1,
         12},
        {"blend 2 starts a new batch",
         {{Step::kSprite, frameA, 0, 1, 0},
          {Step::kSprite, frameB, 0, 1, 0},
          {Step::kSprite, frameA, 2, 1, 0}},
         2,
         12},
        {"alpha 0 adds nothing, keeps the batch",
         {{Step::kSprite, frameA, 0, 1, 0},
          {Step::kSprite, other, 0, 0, 0},
          {Step::kSprite, frameB, 0, 1, 0}},
         1,
         12},
        {"different key separates",
         {{Step::kSprite, frameA, 0, 1, 0}, {Step::kSprite, frameB, 0, 1, 1}},
         2,
         6},
        {"other page separates", {{Step::kSprite, frameA, 0, 1, 0}, {Step::kSprite, other, 0, 1, 0}}, 2, 6},
        {"indexed mesh alone between sprites",
         {{Step::kSprite, page, 0, 1, 0}, {Step::kMesh, page, 0, 1, 0}, {Step::kSprite, page, 0, 1, 0}},
         3,
         6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        render.batches.clear();
        render.BeginFrame();
        render.BeginDraw();
        for (const Step& s : c.steps) {
            vK_DrawParams p;
            p.blend = s.blend;
            p.alpha = s.alpha;
            p.key = s.key;
            if (s.kind == Step::kSprite)
                render.DrawSprite(s.texture, p);
            else
                render.AddIndexedVertices(s.texture, tri, idx, p.State());
        }
        render.EndDraw();
        render.EndFrame();
        ASSERT_EQ(render.batches.size(), c.expectedBatches);
        EXPECT_EQ(render.batches[0].VertexCount(), c.expectedVerticesFirst);
    }
    // The mesh batch carries its indices from 0.
    EXPECT_EQ(render.batches[1].indices, (std::vector<uint16_t>{0, 1, 2}));
    EXPECT_TRUE(render.batches[0].indices.empty());
}

TEST_F(RenderFixture, Batching_NothingSubmittedOutsideDrawing) {
    render.DrawSprite(page, vK_DrawParams());
    render.DrawSprite(other, vK_DrawParams());
    render.DrawLine(0, 0, 0, 10, 10, 0, nullptr, vK_DrawParams());
    EXPECT_TRUE(render.batches.empty());
    EXPECT_TRUE(render.lines.empty());
}

TEST_F(RenderFixture, Sprite_QuadCornersAndTextureCoordinates) {
    // A 1 x 1 plain texture is centred: corners at -0.5 .. 0.5, moved by (10, 20).
    vK_DrawParams p;
    p.matrix = vK_Matrix::Translation(10, 20);
    p.red = 0.5f;
    p.alpha = 2.0f;  // clamped to 1 in the vertex
    render.BeginDraw();
    render.DrawSprite(page, p);
    render.EndDraw();
    ASSERT_EQ(render.batches.size(), 1u);
    const auto& v = render.batches[0].vertices;
    const float expected[6][4] = {{9.5f, 19.5f, 0, 0},  {10.5f, 19.5f, 1, 0}, {9.5f, 20.5f, 0, 1},
                                  {10.5f, 20.5f, 1, 1}, {9.5f, 20.5f, 0, 1},  {10.5f, 19.5f, 1, 0}};
    for (int i = 0; i < 6; ++i) {
        for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(v[i * 8 + k], expected[i][k]) << i << "," << k;
        EXPECT_FLOAT_EQ(v[i * 8 + 4], 0.5f);
        EXPECT_FLOAT_EQ(v[i * 8 + 7], 1.0f);
    }
    EXPECT_FALSE(render.batches[0].needsWrap);
}

TEST_F(RenderFixture, VertexList_CoordinatesAboveOneNeedWrap) {
    vK_VertexList tri;
    tri.Add(0, 0, 0, 0, 1, 1, 1, 1);
    tri.Add(1, 0, 2.5f, 0, 1, 1, 1, 1);
    tri.Add(0, 1, 0, 1, 1, 1, 1, -1);
    EXPECT_TRUE(tri.NeedsWrap());
    EXPECT_FLOAT_EQ(tri.Vertex(2)[7], 0.0f);
    render.BeginDraw();
    render.AddVertices(page, tri, vK_DrawState());
    render.EndDraw();
    ASSERT_EQ(render.batches.size(), 1u);
    EXPECT_TRUE(render.batches[0].needsWrap);
}

TEST_F(RenderFixture, Crop_StackExamples) {
    EXPECT_FALSE(render.PushCrop({10, 10, 0, 50}));
    EXPECT_EQ(render.GetCrop(), (vK_Rect{0, 0, 1024, 768}));
    EXPECT_TRUE(render.PushCrop({-100, -100, 200, 200}));
    EXPECT_EQ(render.GetCrop(), (vK_Rect{0, 0, 100, 100}));
    EXPECT_TRUE(render.PushCrop({50, 50, 500, 500}));
    EXPECT_EQ(render.GetCrop(), (vK_Rect{50, 50, 50, 50}));
    EXPECT_TRUE(render.PushCrop({500, 500, 10, 10}));  // disjoint: nothing visible
    EXPECT_EQ(render.GetCrop(), (vK_Rect{500, 500, 0, 0}));
    render.PopCrop();
    render.PopCrop();
    EXPECT_EQ(render.GetCrop(), (vK_Rect{0, 0, 100, 100}));
    render.PopCrop();
    EXPECT_EQ(render.GetCrop(), (vK_Rect{0, 0, 1024, 768}));
    render.PopCrop();  // empty stack: nothing happens
    EXPECT_EQ(render.GetCrop(), (vK_Rect{0, 0, 1024, 768}));
}

TEST_F(RenderFixture, Crop_ChangeFlushesUnderTheOldCrop) {
    render.BeginDraw();
    render.DrawSprite(page, vK_DrawParams());
    render.PushCrop({0, 0, 100, 100});
    render.DrawSprite(page, vK_DrawParams());
    render.PopCrop();
    render.EndDraw();
    ASSERT_EQ(render.batches.size(), 2u);
    EXPECT_EQ(render.batches[0].crop, (vK_Rect{0, 0, 1024, 768}));
    EXPECT_EQ(render.batches[1].crop, (vK_Rect{0, 0, 100, 100}));
}

TEST_F(RenderFixture, EndFrame_EmptiesTheCropStack) {
    render.PushCrop({0, 0, 10, 10});
    render.EndFrame();
    EXPECT_TRUE(render.GetCropStack().empty());
    EXPECT_EQ(render.GetCrop(), (vK_Rect{0, 0, 1024, 768}));
}

TEST_F(RenderFixture, GammaOverlay_AdditiveWhiteOrDarkBlack) {
    struct Case {
        float gamma;
        size_t batches;
        int blend;
        float alpha;
    };
    const Case cases[] = {{1.5f, 1, 2, 0.15f}, {0.8f, 1, 0, 0.2f}, {1.0f, 0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gamma);
        render.batches.clear();
        render.SetGamma(c.gamma);
        render.BeginFrame();
        render.EndFrame();
        ASSERT_EQ(render.batches.size(), c.batches);
        if (!c.batches) continue;
        const auto& b = render.batches[0];
        EXPECT_EQ(b.blend, c.blend);
        EXPECT_NEAR(b.Alpha(0), c.alpha, 1e-6);
        // The 4 x 4 overlay scaled by a quarter of the target covers it exactly.
        EXPECT_FLOAT_EQ(b.vertices[0], 0.0f);
        EXPECT_FLOAT_EQ(b.vertices[1], 0.0f);
        EXPECT_FLOAT_EQ(b.vertices[3 * 8 + 0], 1024.0f);
        EXPECT_FLOAT_EQ(b.vertices[3 * 8 + 1], 768.0f);
    }
}

TEST_F(RenderFixture, RenderToTexture_CropStartsFromTextureAndResultIsEven) {
    render.BeginRenderToTexture(101, 51);
    EXPECT_EQ(render.GetCrop(), (vK_Rect{0, 0, 102, 52}));
    std::shared_ptr<vK_Texture> result = render.EndRenderToTexture();
    ASSERT_TRUE(result);
    EXPECT_FLOAT_EQ(result->GetWidth(), 102.0f);
    EXPECT_FLOAT_EQ(result->GetHeight(), 52.0f);
    EXPECT_EQ(render.GetCrop(), (vK_Rect{0, 0, 1024, 768}));
    EXPECT_EQ(render.clears.back(), 0x00000000u);
}

TEST_F(RenderFixture, RenderToTexture_FailureGivesEmptyResult) {
    render.refuseTextures = true;
    render.BeginRenderToTexture(64, 64);
    EXPECT_FALSE(render.IsRenderTargetActive());
    EXPECT_FALSE(render.EndRenderToTexture());
    render.BeginRenderToTexture(0, 64);
    EXPECT_FALSE(render.EndRenderToTexture());
}

TEST_F(RenderFixture, BlurredTexture_SizeAndTaps) {
    auto source = render.CreateGeneratedTexture();
    ASSERT_TRUE(source->Create(40, 30));
    std::shared_ptr<vK_Texture> blurred = render.MakeBlurredTexture(source, 101, 0, 2.0f);
    ASSERT_TRUE(blurred);
    EXPECT_FLOAT_EQ(blurred->GetWidth(), 102.0f);
    EXPECT_FLOAT_EQ(blurred->GetHeight(), 30.0f);
    // One batch fills T1, one batch of nine quads makes T2: 1 + 4 x 0.2 + 4 x 0.1.
    ASSERT_EQ(render.batches.size(), 2u);
    EXPECT_EQ(render.batches[1].VertexCount(), 54u);
    const float alphas[9] = {1.0f, 0.2f, 0.2f, 0.2f, 0.2f, 0.1f, 0.1f, 0.1f, 0.1f};
    for (int q = 0; q < 9; ++q) EXPECT_FLOAT_EQ(render.batches[1].Alpha(q * 6), alphas[q]);
    EXPECT_FALSE(render.MakeBlurredTexture(nullptr, 10, 10, 1.0f));
}

TEST(GeneratedTexture, OddSidesBecomeEvenAndDeviceRefusalFallsBackToPowersOfTwo) {
    vK_RecordingRender render(640, 480);
    struct Case {
        int w, h;
        bool powerOfTwoOnly;
        float width, height, textureWidth, textureHeight;
    };
    const Case cases[] = {{5, 3, false, 6, 4, 6, 4}, {300, 200, true, 300, 200, 512, 256}};
    for (const Case& c : cases) {
        render.powerOfTwoOnly = c.powerOfTwoOnly;
        auto t = render.CreateGeneratedTexture();
        ASSERT_TRUE(t->Create(c.w, c.h));
        EXPECT_FLOAT_EQ(t->GetWidth(), c.width);
        EXPECT_FLOAT_EQ(t->GetHeight(), c.height);
        EXPECT_FLOAT_EQ(t->GetTextureWidth(), c.textureWidth);
        EXPECT_FLOAT_EQ(t->GetTextureHeight(), c.textureHeight);
        EXPECT_FLOAT_EQ(t->GetUV(0).w, c.width / c.textureWidth);
    }
    auto zero = render.CreateGeneratedTexture();
    EXPECT_FALSE(zero->Create(0, 4));
}

TEST(GeneratedTexture, ColourIsBlueGreenRed) {
    vK_RecordingRender render(640, 480);
    auto t = render.CreateGeneratedTexture();
    const float colour[3] = {1.0f, 0.5f, 0.0f};
    ASSERT_TRUE(t->Create(2, 2, colour));
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(t->GetDeviceTexture(0)->Read(pixels));
    EXPECT_EQ(pixels[0], 255);
    EXPECT_EQ(pixels[1], 127);
    EXPECT_EQ(pixels[2], 0);
    EXPECT_EQ(pixels[3], 255);
}

TEST(RenderTargetTexture, DeviceResetReleasesEveryLiveTarget) {
    vK_RecordingRender render(640, 480);
    auto a = std::make_shared<vK_RenderTargetTexture_Impl>();
    auto b = std::make_shared<vK_RenderTargetTexture_Impl>();
    ASSERT_TRUE(a->Create(8, 8));
    ASSERT_TRUE(b->Create(8, 8));
    EXPECT_EQ(vK_RenderTargetTexture_Impl::LiveCount(), 2);
    vK_RenderTargetTexture_Impl::ReleaseAll();
    EXPECT_EQ(a->GetDevice(), nullptr);
    EXPECT_EQ(b->GetDevice(), nullptr);
    b.reset();
    EXPECT_EQ(vK_RenderTargetTexture_Impl::LiveCount(), 1);
}

}  // namespace

TEST(RenderBlend, StoredNumbersDrawWithTheirModeAndOthersAsNormal) {
    using B = vK_Render::Blend;
    const struct {
        int stored;
        B mode;
    } cases[] = {{0, B::kNormal},   {1, B::kNormal}, {2, B::kAdd},    {3, B::kDarken},
                 {4, B::kMultiply}, {5, B::kNormal}, {-1, B::kNormal}};
    for (const auto& c : cases) EXPECT_EQ(vK_Render::BlendOf(c.stored), c.mode) << c.stored;
}
