#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "files/file_manager.h"
#include "graphics/font.h"
#include "graphics/font_scrambler.h"
#include "graphics/glyph_rasterizer.h"
#include "graphics/resource_manager.h"
#include "graphics/texture.h"
#include "scene/text.h"
#include "support/recording_render.h"
#include "support/script_scene.h"
#include "support/temp_folder.h"

namespace {
using Records = std::vector<ScriptSceneFixture::Record>;

// Texts used as buttons: no "inputrect_init", every handler recording its event.
class TextInput : public ::testing::Test, public ScriptSceneFixture {
protected:
    void SetUp() override {
        vK_Text::RegisterType();
        files.SetAssetRoot(folder.Path());
        files.SetSaveFolder(folder.Path() + "/save");
        files.SetIdentity("Publisher", "Game");
        files.RegisterProviders();
        resources.SetFactory(vK_ResourceManager::kFont,
                             []() -> std::shared_ptr<vK_Resource> { return std::make_shared<vK_Font>(); });
        std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
        const std::vector<uint8_t> plain{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
        const std::vector<uint8_t> scrambled = vK_FontScrambler::Scramble(plain.data(), plain.size());
        folder.WriteFile("assets/fonts/sans.vkfnt", std::string(scrambled.begin(), scrambled.end()));
    }
    vK_Text* MakeButton(const std::string& name, float x, float y, int align) {
        Check(
            Lua("__props = {res = 'assets/fonts/sans', text = 'Play', display_raw_text = 1,"
                " pos_x = " +
                std::to_string(x) + ", pos_y = " + std::to_string(y) + ", align = " + std::to_string(align) +
                ", event_mdown = \"Rec('mdown', vk_params.sender)\","
                " event_mup = \"Rec('mup', vk_params.sender)\","
                " event_menter = \"Rec('menter', vk_params.sender)\","
                " event_mleave = \"Rec('mleave', vk_params.sender)\"}"));
        auto* text = static_cast<vK_Text*>(vK_Object::CreateObject("text", name));
        std::unique_ptr<vK_Data> props = hub.GetGlobal("__props");
        text->SetProperties(*props->AsTable());
        scene->GetLiveRoot()->AddChild(text);
        return text;
    }
    static void Check(bool ok) { EXPECT_TRUE(ok); }

    TempFolder folder;
    vK_FileManager files;
    vK_ResourceManager resources;
    vK_RecordingRender render{1024, 768};
    vK_GlyphRasterizer rasterizer;
};
}  // namespace

TEST_F(TextInput, ClickOnTextButtonQueuesItsHandlers) {
    vK_Text* text = MakeButton("play", 300, 200, 1);
    ASSERT_NE(text->GetRenderedTexture(), nullptr);
    EXPECT_FALSE(text->HasInputRect());
    Move(300, 200);
    Press(300, 200);
    Release(300, 200);
    Move(900, 700);
    EXPECT_EQ(Take(), (Records{{"menter", "play"}, {"mdown", "play"}, {"mup", "play"}, {"mleave", "play"}}));
}

TEST_F(TextInput, HitAreaIsTheBlockWhereAlignmentDrawsIt) {
    // Left-aligned at x = 300: the block spans [300, 300 + w); centred: [300 - w/2, 300 + w/2);
    // right-aligned: [300 - w, 300).
    struct Case {
        int align;
        float insideOffset;   // a point inside, as a share of the width from x = 300
        float outsideOffset;  // a point outside
    };
    const Case cases[] = {{0, 0.25f, -0.25f}, {1, -0.25f, 0.75f}, {2, -0.25f, 0.25f}};
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "t" + std::to_string(n++);
        vK_Text* text = MakeButton(name, 300, 200, c.align);
        const float w = text->GetRenderedTexture()->GetWidth();
        Press(300 + c.insideOffset * w, 200);
        Press(300 + c.outsideOffset * w, 200);
        EXPECT_EQ(Take(), (Records{{"mdown", name}})) << "align " << c.align;
        vK_Object::Destroy(text);
        Frame();
    }
}
