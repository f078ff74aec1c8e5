#include "scene/text.h"

#include <algorithm>

#include "data/string_table.h"
#include "graphics/font_scrambler.h"
#include "graphics/texture.h"
#include "scene/drawable_fixture.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TextTest : public DrawableFixture {
protected:
    void SetUp() override {
        DrawableFixture::SetUp();
        vK_Text::RegisterType();
        const std::vector<uint8_t> plain = ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
        WriteBytes("assets/fonts/sans.vkfnt", vK_FontScrambler::Scramble(plain.data(), plain.size()));
        strings.Set("greet", "Hello %1% and %2%!");
    }
    vK_Text* MakeText(const std::string& name, vK_Object* parent, const std::string& text = "Hi") {
        auto* object = static_cast<vK_Text*>(vK_Object::CreateObject("text", name));
        parent->AddChild(object);
        vK_DataTable props;
        props.SetString("res", "assets/fonts/sans");
        props.SetString("text", text);
        object->SetProperties(props);
        return object;
    }
    // The rendered pixels of text as the font alone renders it.
    std::vector<uint8_t> Expected(const std::string& text, const vK_TextStyle& style, int maxWidth = -1) {
        auto font = std::dynamic_pointer_cast<vK_Font>(resources.GetFont("assets/fonts/sans"));
        vK_TextBitmap block;
        font->RenderBitmap(text, maxWidth, style, block);
        return block.pixels;
    }
    std::vector<uint8_t> Pixels(vK_Text* text) {
        std::vector<uint8_t> pixels;
        if (text->GetRenderedTexture()) text->GetRenderedTexture()->GetDeviceTexture(0)->Read(pixels);
        return pixels;
    }

    vK_StringTable strings;
};

}  // namespace

TEST_F(TextTest, Scene_RendersOnlyUnderTheLiveRoot) {
    vK_Text* text = MakeText("t", storage);
    EXPECT_EQ(text->GetRenderedTexture(), nullptr);
    EXPECT_EQ(text->GetRenderCount(), 0);
    EXPECT_EQ(text->GetDrawRect(), vK_Rect{});
    origin->AddChild(text);
    ASSERT_NE(text->GetRenderedTexture(), nullptr);
    EXPECT_EQ(text->GetRenderCount(), 1);
    EXPECT_EQ(text->GetType(), "text");
    storage->AddChild(text);
    EXPECT_EQ(text->GetRenderedTexture(), nullptr);
    EXPECT_EQ(text->GetFont(), nullptr);
}

TEST_F(TextTest, RenderCount_OncePerChange) {
    vK_Text* text = MakeText("t", origin);
    const int before = text->GetRenderCount();
    text->SetText("Hi");  // the six strings are equal: nothing new
    EXPECT_EQ(text->GetRenderCount(), before);
    text->SetText("Hi", "", "", "", "", "");
    EXPECT_EQ(text->GetRenderCount(), before);
    text->SetText("Hi", "x");
    EXPECT_EQ(text->GetRenderCount(), before + 1);
    vK_DataTable props;  // several text keys in one call: one rendering
    props.SetInt("fontsize", 30);
    props.SetBool("display_shadow", true);
    props.SetFloat("shadow_aplha", 0.25f);
    props.SetBool("display_outline", true);
    props.SetFloat("fontcolor_r", 0.5f);
    props.SetString("param1", "y");
    text->SetProperties(props);
    EXPECT_EQ(text->GetRenderCount(), before + 2);
    vK_DataTable unrelated;  // only base keys: no rendering
    unrelated.SetFloat("pos_x", 5);
    text->SetProperties(unrelated);
    EXPECT_EQ(text->GetRenderCount(), before + 2);
    text->SetAlign(0);  // stored only
    text->SetStyle(text->GetStyle());
    EXPECT_EQ(text->GetRenderCount(), before + 2);
    text->SetFontSize(12);
    text->SetMaxWidth(50);
    EXPECT_EQ(text->GetRenderCount(), before + 4);
}

TEST_F(TextTest, StringTable_IdWithParametersUnlessRawTextIsShown) {
    vK_Text* text = MakeText("t", origin, "greet");
    vK_DataTable props;
    props.SetString("param0", "Ann");
    props.SetString("param1", "Bob");
    text->SetProperties(props);
    EXPECT_EQ(Pixels(text), Expected("Hello Ann and Bob!", text->GetStyle()));
    props.SetBool("disprawtext", true);
    text->SetProperties(props);
    EXPECT_EQ(Pixels(text), Expected("greet", text->GetStyle()));
    vK_Text* unknown = MakeText("u", origin, "no_such_id");  // a missing id renders the id
    EXPECT_EQ(Pixels(unknown), Expected("no_such_id", unknown->GetStyle()));
}

TEST_F(TextTest, Properties_ReadAndWrittenUnderTheirKeysIncludingShadowAplha) {
    vK_Text* text = MakeText("t", origin);
    vK_DataTable props;
    props.SetFloat("shadow_aplha", 0.3f);
    props.SetFloat("outline_alpha", 0.7f);
    props.SetInt("outline_size", 3);
    props.SetFloat("shadow_color_g", 0.4f);
    props.SetFloat("linespacing", 1.25f);
    props.SetInt("maxwidth", 120);
    props.SetInt("align_v", 2);
    text->SetProperties(props);
    EXPECT_FLOAT_EQ(text->GetStyle().shadow_aplha, 0.3f);
    EXPECT_FLOAT_EQ(text->GetStyle().shadow_color[1], 0.4f);
    EXPECT_EQ(text->GetMaxWidth(), 120);
    vK_DataTable out;
    text->GetProperties(out, false);
    EXPECT_FLOAT_EQ(out.Get("shadow_aplha")->GetFloat(), 0.3f);
    EXPECT_EQ(out.Get("shadow_alpha"), nullptr);
    EXPECT_FLOAT_EQ(out.Get("outline_alpha")->GetFloat(), 0.7f);
    EXPECT_EQ(out.Get("outline_size")->GetInt(), 3);
    EXPECT_EQ(out.Get("text")->ToString(), "Hi");
    EXPECT_EQ(out.Get("param4")->ToString(), "");
    EXPECT_EQ(out.Get("align")->GetInt(), 1);
    EXPECT_EQ(out.Get("align_v")->GetInt(), 2);
    EXPECT_FLOAT_EQ(out.Get("fontcolor_b")->GetFloat(), 1.0f);
    EXPECT_FALSE(out.Get("disprawtext")->GetBool());
}

TEST_F(TextTest, Align_NineWaysPutTheBlockAroundTheOrigin) {
    vK_Text* text = MakeText("t", origin, "Wide text");
    text->SetPosition(500, 300);
    const float w = text->GetRenderedTexture()->GetWidth();
    const float h = text->GetRenderedTexture()->GetHeight();
    for (int align = 0; align < 3; ++align) {
        for (int alignV = 0; alignV < 3; ++alignV) {
            vK_DataTable props;
            props.SetInt("align", align);
            props.SetInt("align_v", alignV);
            text->SetProperties(props);
            render.batches.clear();
            render.BeginFrame();
            render.BeginDraw();
            origin->Draw(render, vK_DrawParams());
            render.EndDraw();
            ASSERT_EQ(render.batches.size(), 1u);
            float left = 1e9f, top = 1e9f;
            for (size_t v = 0; v < render.batches[0].VertexCount(); ++v) {
                left = std::min(left, render.batches[0].vertices[v * 8]);
                top = std::min(top, render.batches[0].vertices[v * 8 + 1]);
            }
            const float expectedLeft = align == 0 ? 500 : align == 1 ? 500 - w / 2 : 500 - w;
            const float expectedTop = alignV == 0 ? 300 : alignV == 1 ? 300 - h / 2 : 300 - h;
            EXPECT_FLOAT_EQ(left, expectedLeft) << align << "," << alignV;
            EXPECT_FLOAT_EQ(top, expectedTop) << align << "," << alignV;
        }
    }
}

TEST_F(TextTest, InputRectangle_FollowsTheRenderedBlockUnlessExplicit) {
    vK_Text* text = MakeText("t", origin, "a");
    const vK_Rect small = text->GetInputRect();
    text->SetText("a much longer line");
    EXPECT_GT(text->GetInputRect().w, small.w);
    vK_DataTable props;
    props.SetBool("inputrect_init", true);
    props.SetFloat("inputrect_x", 0);
    props.SetFloat("inputrect_y", 0);
    props.SetFloat("inputrect_w", 7);
    props.SetFloat("inputrect_h", 9);
    text->SetProperties(props);
    text->SetText("short");
    EXPECT_EQ(text->GetInputRect(), (vK_Rect{0, 0, 7, 9}));
}

TEST_F(TextTest, MissingFont_DrawsNothing) {
    auto* object = static_cast<vK_Text*>(vK_Object::CreateObject("text", "nofont"));
    origin->AddChild(object);
    vK_DataTable props;
    props.SetString("res", "assets/fonts/none");
    props.SetString("text", "Hi");
    object->SetProperties(props);
    EXPECT_EQ(object->GetRenderedTexture(), nullptr);
    EXPECT_EQ(object->GetDrawRect(), vK_Rect{});
    render.BeginFrame();
    render.BeginDraw();
    origin->Draw(render, vK_DrawParams());
    render.EndDraw();
    EXPECT_TRUE(render.batches.empty());
}
