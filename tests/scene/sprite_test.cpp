#include "scene/sprite.h"

#include "files/log.h"
#include "graphics/texture.h"
#include "scene/drawable_fixture.h"

namespace {

class SpriteTest : public DrawableFixture {
protected:
    void SetUp() override {
        DrawableFixture::SetUp();
        vK_Sprite::RegisterType();
        // 8 x 8, left half opaque.
        WritePng("assets/spr/half.png", 8, 8, 0, 0, 4, 8);
        // An atlas page of 16 x 8 with the left half opaque, cut into two 8 x 8 frames.
        WritePng("assets/spr/page.png", 16, 8, 0, 0, 8, 8);
        WriteText("assets/spr/atlas.xml",
                  "<frametexture>"
                  "<frame texture=\"page\" left=\"0\" top=\"0\" widht=\"8\" height=\"8\" x=\"4\" y=\"4\"/>"
                  "<frame texture=\"page\" left=\"8\" top=\"0\" widht=\"8\" height=\"8\" x=\"0\" y=\"0\"/>"
                  "</frametexture>");
    }
    vK_Sprite* MakeSprite(const std::string& name, const std::string& res, vK_Object* parent) {
        auto* sprite = static_cast<vK_Sprite*>(vK_Object::CreateObject("spr", name));
        if (parent) parent->AddChild(sprite);
        vK_DataTable props;
        props.SetString("res", res);
        props.SetFloat("pos_x", 100);
        props.SetFloat("pos_y", 100);
        sprite->SetProperties(props);
        return sprite;
    }
    bool Hits(vK_Sprite* sprite, float x, float y) {
        const vK_DrawParams state = sprite->ComputeDrawState(vK_DrawParams());
        return sprite->HitTest(x, y, state);
    }
};

}  // namespace

TEST_F(SpriteTest, Texture_IsHeldOnlyWhileInTheLiveScene) {
    vK_Sprite* parked = MakeSprite("parked", "assets/spr/half", storage);
    EXPECT_EQ(parked->GetResource(), nullptr);
    EXPECT_EQ(parked->GetDrawRect(), vK_Rect{});
    origin->AddChild(parked);
    ASSERT_NE(parked->GetResource(), nullptr);
    EXPECT_EQ(parked->GetDrawRect(), (vK_Rect{-4, -4, 8, 8}));
    EXPECT_EQ(parked->GetType(), "spr");
    storage->AddChild(parked);
    EXPECT_EQ(parked->GetSpriteTexture(), nullptr);
    EXPECT_EQ(resources.FindResource("assets/spr/half"), nullptr);  // nobody holds it any more
}

TEST_F(SpriteTest, HitTest_IsPerPixelUnlessAnInputRectangleIsSet) {
    vK_Sprite* sprite = MakeSprite("s", "assets/spr/half", origin);
    struct Case {
        float x, y;
        bool hit;
    } cases[] = {
        {98, 100, true}, {96.5f, 97, true}, {102, 100, false}, {103.5f, 103, false}, {90, 100, false}};
    for (const Case& c : cases) EXPECT_EQ(Hits(sprite, c.x, c.y), c.hit) << c.x << "," << c.y;
    // An explicit input rectangle replaces the mask and is kept when the frame changes.
    vK_DataTable props;
    props.SetBool("inputrect_init", true);
    props.SetFloat("inputrect_x", 0);
    props.SetFloat("inputrect_y", -4);
    props.SetFloat("inputrect_w", 4);
    props.SetFloat("inputrect_h", 8);
    sprite->SetProperties(props);
    EXPECT_TRUE(Hits(sprite, 102, 100));
    EXPECT_FALSE(Hits(sprite, 98, 100));
    sprite->SetFrame(1);
    EXPECT_EQ(sprite->GetInputRect(), (vK_Rect{0, -4, 4, 8}));
}

TEST_F(SpriteTest, Atlas_FrameZeroLoadsThroughTheFrameTextureAndTheHitAreaFollowsFrames) {
    vK_LogCapture log;
    vK_Sprite* sprite = MakeSprite("a", "assets/spr/atlas", origin);
    ASSERT_NE(sprite->GetResource(), nullptr);
    EXPECT_EQ(log.Count(), 0) << log.Text();  // no missing-texture line for an atlas sprite
    EXPECT_EQ(sprite->GetDrawRect(), (vK_Rect{-4, -4, 8, 8}));
    EXPECT_EQ(sprite->GetInputRect(), (vK_Rect{-4, -4, 8, 8}));
    EXPECT_TRUE(Hits(sprite, 100, 100));
    vK_DataTable props;
    props.SetInt("frame", 1);
    sprite->SetProperties(props);
    EXPECT_EQ(sprite->GetFrame(), 1);
    EXPECT_EQ(sprite->GetInputRect(), (vK_Rect{0, 0, 8, 8}));
    EXPECT_FALSE(Hits(sprite, 104, 104));  // frame 1 is the transparent half of the page
    vK_DataTable out;
    sprite->GetProperties(out, false);
    EXPECT_EQ(out.Get("frame")->GetInt(), 1);
    // A sprite entering the scene at a frame other than 0 asks for the atlas directly.
    vK_Sprite* second = MakeSprite("b", "assets/spr/atlas", storage);
    second->SetProperties(props);
    origin->AddChild(second);
    EXPECT_EQ(second->GetDrawRect(), (vK_Rect{0, 0, 8, 8}));
}

TEST_F(SpriteTest, Draw_EmitsOneQuadOfTheFrame) {
    MakeSprite("s", "assets/spr/half", origin);
    vK_LogCapture log;
    MakeSprite("none", "assets/spr/missing", origin);  // no texture: draws nothing
    EXPECT_TRUE(log.Contains("Error: texture could not find \"assets/spr/missing\" file!"));
    render.BeginFrame();
    render.BeginDraw();
    origin->Draw(render, vK_DrawParams());
    render.EndDraw();
    ASSERT_EQ(render.batches.size(), 1u);
    ASSERT_EQ(render.batches[0].VertexCount(), 6u);
    EXPECT_FLOAT_EQ(render.batches[0].vertices[0], 96.0f);
    EXPECT_FLOAT_EQ(render.batches[0].vertices[1], 96.0f);
}
