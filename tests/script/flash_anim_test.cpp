#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "anim/anim_impl_flash.h"
#include "files/log.h"
#include "graphics/render.h"
#include "scene/animation.h"
#include "script_drawable_fixture.h"

namespace {

// A timeline of count frames, each showing symbol 0 moved 10 units further right.
std::string Timeline(const std::string& rootAttributes, int count) {
    std::string xml =
        "<animation version=\"9\" " + rootAttributes +
        "><objects><object res=\"gear\" type=\"texture\" w=\"100\" h=\"50\" id=\"big\"/></objects>"
        "<frames>";
    for (int i = 0; i < count; ++i)
        xml += "<frame><object id=\"0\" pos_x=\"" + std::to_string(i * 10) + "\"/></frame>";
    return xml + "</frames></animation>";
}

class FlashAnimTest : public ScriptDrawableFixture {
protected:
    void SetUp() override {
        ScriptDrawableFixture::SetUp();
        vK_Animation::RegisterType();
        WritePng("assets/anims/gear.png", 100, 50, 0, 0, 100, 50);
    }
    vK_Animation* MakeAnim(const std::string& name, const std::string& xml) {
        WriteText("assets/anims/" + name + ".xml", xml);
        auto* anim = static_cast<vK_Animation*>(vK_Object::CreateObject("anim", name));
        origin->AddChild(anim);
        vK_DataTable props;
        props.SetString("res", "assets/anims/" + name);
        anim->SetProperties(props);
        return anim;
    }
    static vK_AnimImpl_Flash* Flash(vK_Animation* anim) {
        return dynamic_cast<vK_AnimImpl_Flash*>(anim->GetImpl());
    }
    vK_DataScriptFunction Counter() {
        return hub.CompileCode("ended = (ended or 0) + 1; sender = vk_params.sender");
    }
    int Ended() {
        hub.RunDeferredHandlers();
        auto value = hub.GetGlobal("ended");
        return value ? value->GetInt() : 0;
    }
    // The four corners of the first quad of a batch (top-left, top-right, bottom-left,
    // bottom-right of the image) as x0, y0, x1, y1, ...
    std::vector<float> Corners(const vK_RecordingRender::Batch& batch) {
        std::vector<float> xy;
        for (size_t v = 0; v < 4 && v < batch.VertexCount(); ++v) {
            xy.push_back(batch.vertices[v * 8]);
            xy.push_back(batch.vertices[v * 8 + 1]);
        }
        return xy;
    }
};

TEST_F(FlashAnimTest, ParsingTakesRootParametersAndCarriesPlacementValuesOver) {
    vK_Animation* anim = MakeAnim(
        "parse",
        "<animation version=\"9\" fps=\"25\" loop=\"1\" loop_frame=\"1\" alp=\"0.5\" m00=\"2\" m11=\"3\" "
        "pos_x=\"10\" pos_y=\"20\" color_r=\"0.5\" color_g=\"\">"
        "<objects><object res=\"gear\" type=\"texture\" w=\"100\" h=\"50\" id=\"big\"/>"
        "<object res=\"sub\\parts\" type=\"frametexture\" w=\"8.5\" id=\"small\"/></objects>"
        "<frames>"
        "<frame><object id=\"0\" pos_x=\"5\" pos_y=\"6\" m01=\"0.25\" blendmode=\"2\" frame=\"3\" "
        "alp=\"0.8\"/></frame>"
        "<frame><object id=\"0\" pos_y=\"7\"/><object id=\"1\" color_g=\"0.5\"/></frame>"
        "<frame><object id=\"1\" pos_x=\"\" m00=\"-1\"/><object id=\"0\" pos_x=\"1\"/></frame>"
        "</frames></animation>");
    vK_AnimImpl_Flash* flash = Flash(anim);
    ASSERT_NE(flash, nullptr);
    EXPECT_EQ(flash->GetLoop(), 1);
    EXPECT_EQ(flash->GetLoopFrame(), 1);
    EXPECT_FLOAT_EQ(flash->GetFrameTime(), 0.04f);
    const vK_DrawParams& base = flash->GetBaseParams();
    EXPECT_FLOAT_EQ(base.alpha, 0.5f);
    EXPECT_FLOAT_EQ(base.red, 0.5f);
    EXPECT_FLOAT_EQ(base.green, 1.0f);  // empty text keeps the default
    const float baseMatrix[16] = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 1, 0, 10, 20, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(base.matrix.m[i], baseMatrix[i]) << i;

    const auto& symbols = flash->GetSymbols();
    ASSERT_EQ(symbols.size(), 2u);
    EXPECT_EQ(symbols[0].resource, "assets/anims/gear");
    EXPECT_EQ(symbols[0].kind, "texture");
    EXPECT_EQ(symbols[0].id, "big");
    EXPECT_FLOAT_EQ(symbols[0].width, 100.0f);
    EXPECT_FLOAT_EQ(symbols[0].height, 50.0f);
    EXPECT_EQ(symbols[1].resource, "assets/anims/sub\\parts");
    EXPECT_FLOAT_EQ(symbols[1].width, 8.5f);
    EXPECT_FLOAT_EQ(symbols[1].height, 0.0f);

    // Expected placements: symbol, frame, blend, alpha, green, m11, m12, m41, m42.
    const struct {
        int symbol, frame, blend;
        float alpha, green, m11, m12, x, y;
    } expected[3][2] = {
        {{0, 3, 2, 0.8f, 1, 1, 0.25f, 5, 6}},
        {{0, 3, 2, 0.8f, 1, 1, 0.25f, 5, 7}, {1, 0, 0, 1, 0.5f, 1, 0, 0, 0}},
        {{1, 0, 0, 1, 0.5f, -1, 0, 0, 0}, {0, 3, 2, 0.8f, 1, 1, 0.25f, 1, 7}},
    };
    const size_t counts[3] = {1, 2, 2};
    const auto& frames = flash->GetFrames();
    ASSERT_EQ(frames.size(), 3u);
    for (size_t f = 0; f < 3; ++f) {
        ASSERT_EQ(frames[f].size(), counts[f]) << f;
        for (size_t p = 0; p < counts[f]; ++p) {
            const auto& e = expected[f][p];
            const vK_FlashPlacement& got = frames[f][p];
            EXPECT_EQ(got.symbol, e.symbol) << f << "/" << p;
            EXPECT_EQ(got.params.frame, e.frame) << f << "/" << p;
            EXPECT_EQ(got.params.blend, e.blend) << f << "/" << p;
            EXPECT_FLOAT_EQ(got.params.alpha, e.alpha) << f << "/" << p;
            EXPECT_FLOAT_EQ(got.params.green, e.green) << f << "/" << p;
            EXPECT_FLOAT_EQ(got.params.matrix.M11(), e.m11) << f << "/" << p;
            EXPECT_FLOAT_EQ(got.params.matrix.M12(), e.m12) << f << "/" << p;
            EXPECT_FLOAT_EQ(got.params.matrix.M41(), e.x) << f << "/" << p;
            EXPECT_FLOAT_EQ(got.params.matrix.M42(), e.y) << f << "/" << p;
        }
    }
    // Every object parses its own copy; nothing is cached.
    vK_Animation* other = MakeAnim("parse2", Timeline("fps=\"25\"", 1));
    EXPECT_NE(Flash(other), nullptr);
    EXPECT_EQ(resources.FindResource("assets/anims/parse_vk_animation___"), nullptr);
}

// Frames shown after each update from Play on.
TEST_F(FlashAnimTest, FramesStepAtTheFileRateOnePerUpdate) {
    const struct {
        const char* root;
        int count;
        std::vector<float> dts;
        std::vector<int> frames;
        bool playingAfter;
        int ended;
    } cases[] = {
        // 0.1 s at 25 fps advances one frame; the time left (-0.02) makes the next one advance too.
        {"fps=\"25\" loop=\"0\"", 3, {0.1f, 0.001f, 0.04f, 0.04f}, {1, 2, 2, 2}, false, 1},
        {"fps=\"25\" loop=\"1\" loop_frame=\"1\"",
         3,
         {0.04f, 0.04f, 0.04f, 0.04f, 0.04f},
         {1, 2, 1, 2, 1},
         true,
         0},
        {"fps=\"25\" loop=\"1\"", 2, {0.04f, 0.04f, 0.04f}, {1, 0, 1}, true, 0},
        {"fps=\"25\" loop=\"2\"", 2, {0.04f, 0.04f}, {1, 1}, false, 1},  // only 1 loops
        {"fps=\"0\" loop=\"1\"", 3, {0.04f, 10.0f, 1000.0f}, {0, 0, 0}, true, 0},
        {"fps=\"\" loop=\"1\"", 3, {1.0f, 1.0f}, {0, 0}, true, 0},
        // A negative rate is as still as 0; it would otherwise step every update.
        {"fps=\"-5\" loop=\"1\"", 3, {0.04f, 0.04f}, {0, 0}, true, 0},
        // A loop frame outside the timeline would show nothing from then on: it loops to 0.
        {"fps=\"25\" loop=\"1\" loop_frame=\"7\"", 3, {0.04f, 0.04f, 0.04f, 0.04f}, {1, 2, 0, 1}, true, 0},
        {"fps=\"25\" loop=\"1\" loop_frame=\"-2\"", 2, {0.04f, 0.04f, 0.04f}, {1, 0, 1}, true, 0},
        {"fps=\"25\" loop=\"0\"", 0, {0.04f, 0.04f}, {0, 0}, false, 1},
        {"fps=\"25\" loop=\"1\"", 0, {0.04f, 0.04f}, {0, 0}, true, 0},
    };
    int run = 0;
    for (const auto& c : cases) {
        vK_Animation* anim = MakeAnim("t" + std::to_string(run++), Timeline(c.root, c.count));
        ASSERT_NE(Flash(anim), nullptr) << c.root;
        hub.SetGlobal(nullptr, "ended");
        anim->Play("any", Counter());
        std::vector<int> shown;
        for (float dt : c.dts) {
            Step(dt);
            shown.push_back(Flash(anim)->GetCurrentFrame());
            render.BeginDraw();
            anim->Draw(render, vK_DrawParams());
            render.EndDraw();
        }
        EXPECT_EQ(shown, c.frames) << c.root << " / " << c.count;
        EXPECT_EQ(anim->GetImpl()->IsPlaying(), c.playingAfter) << c.root;
        EXPECT_EQ(Ended(), c.ended) << c.root;
    }
    vK_Animation* anim = MakeAnim("rest", Timeline("fps=\"25\" loop=\"1\"", 4));
    anim->Play("", {});
    Step(0.1f);
    EXPECT_NEAR(Flash(anim)->GetTimeLeft(), -0.02f, 1e-6f);
}

TEST_F(FlashAnimTest, EndTriggerFiresOnceWithTheOwnerAsSenderAndStopKeepsTheFrame) {
    vK_Animation* anim = MakeAnim("clock", Timeline("fps=\"10\" loop=\"0\"", 3));
    anim->Play("", Counter());
    for (int i = 0; i < 6; ++i) Step(0.1f);
    EXPECT_EQ(Ended(), 1);
    EXPECT_EQ(hub.GetGlobal("sender")->ToString(), "clock");
    EXPECT_EQ(Flash(anim)->GetCurrentFrame(), 2);

    anim->Play("", {});
    Step(0.1f);
    anim->Stop();
    Step(0.1f);
    EXPECT_EQ(Flash(anim)->GetCurrentFrame(), 1);
    anim->Pause(false);
    Step(0.1f);
    EXPECT_EQ(Flash(anim)->GetCurrentFrame(), 2);
}

TEST_F(FlashAnimTest, PlacementComposesWithTheBaseAndTheParentAndKeepsItsBlend) {
    vK_Animation* anim = MakeAnim(
        "draw",
        "<animation version=\"9\" fps=\"25\" alp=\"0.8\" m00=\"2\" m11=\"2\" pos_x=\"10\" color_r=\"0.5\">"
        "<objects><object res=\"gear\" type=\"texture\" w=\"100\" h=\"50\"/>"
        "<object res=\"gear\" type=\"sprite\" w=\"100\" h=\"50\"/>"
        "<object res=\"none\" type=\"texture\" w=\"100\" h=\"50\"/>"
        "<object res=\"gear\" type=\"texture\" w=\"100\" h=\"50\"/></objects>"
        "<frames><frame>"
        // A quarter turn: x maps to (0, 1), y to (-1, 0).
        "<object id=\"0\" m00=\"0\" m01=\"1\" m10=\"-1\" m11=\"0\" pos_x=\"200\" pos_y=\"100\" alp=\"0.5\" "
        "color_r=\"0.5\" blendmode=\"2\"/>"
        "<object id=\"1\"/><object id=\"2\"/><object id=\"3\"/>"
        "</frame></frames></animation>");
    vK_AnimImpl_Flash* flash = Flash(anim);
    ASSERT_NE(flash, nullptr);
    EXPECT_EQ(anim->GetImpl()->AcquireTextures(), 4);
    vK_DrawParams parent;
    parent.matrix = vK_Matrix::Translation(5, 7);
    parent.alpha = 0.5f;
    parent.green = 0.5f;
    parent.blend = static_cast<int>(vK_Render::Blend::kDarken);
    render.BeginDraw();
    flash->Draw(render, parent);
    render.EndDraw();
    // Symbols 1 (an unknown kind) and 2 (a missing image) have no texture and draw nothing.
    ASSERT_EQ(render.batches.size(), 2u);
    const auto& turned = render.batches[0];
    EXPECT_EQ(vK_Render::BlendOf(turned.blend), vK_Render::Blend::kAdd);
    // Top-left (0, 0) -> (200, 100) -> (410, 200) -> (415, 207), and so on round the corners.
    EXPECT_EQ(Corners(turned), (std::vector<float>{415, 207, 415, 407, 315, 207, 315, 407}));
    EXPECT_FLOAT_EQ(turned.vertices[4], 0.25f);  // red: base 0.5 x parent 1 x placement 0.5
    EXPECT_FLOAT_EQ(turned.vertices[5], 0.5f);   // green: the parent's
    EXPECT_FLOAT_EQ(turned.vertices[6], 1.0f);
    EXPECT_FLOAT_EQ(turned.Alpha(0), 0.2f);  // 0.5 x 0.8 x 0.5
    // Identity placement: the 100 x 50 image's top-left at the origin, then base and parent.
    const auto& plain = render.batches[1];
    EXPECT_EQ(plain.blend, static_cast<int>(vK_Render::Blend::kNormal));
    EXPECT_EQ(Corners(plain), (std::vector<float>{15, 7, 215, 7, 15, 107, 215, 107}));

    vK_DrawParams composed;
    ASSERT_TRUE(flash->ComposePlacement(3, vK_DrawParams(), composed));
    EXPECT_FLOAT_EQ(composed.offsetX, 50.0f);
    EXPECT_FLOAT_EQ(composed.offsetY, 25.0f);
    EXPECT_FALSE(flash->ComposePlacement(4, vK_DrawParams(), composed));
    anim->GetImpl()->ReleaseTextures();
    EXPECT_EQ(flash->GetSymbols()[0].texture, nullptr);
}

TEST_F(FlashAnimTest, AttachedChildFollowsItsSymbolUntilItDies) {
    vK_Animation* anim = MakeAnim(
        "holder",
        "<animation version=\"9\" fps=\"10\" loop=\"1\" pos_x=\"100\" m00=\"2\" m11=\"2\">"
        "<objects><object res=\"gear\" type=\"texture\" id=\"pin\"/><object res=\"gear\" type=\"texture\" "
        "id=\"pin\"/><object id=\"other\"/></objects>"
        "<frames><frame><object id=\"0\" pos_x=\"3\" pos_y=\"4\"/></frame>"
        "<frame><object id=\"1\" pos_x=\"30\" pos_y=\"40\"/><object id=\"2\" pos_x=\"-1\"/></frame></frames>"
        "</animation>");
    vK_Object* pin = vK_Object::CreateObject("obj", "pin_obj");
    anim->AddChild(pin);
    pin->SetZ(5);
    vK_Object* stranger = vK_Object::CreateObject("obj", "stranger");
    origin->AddChild(stranger);
    anim->AttachChildToObj("pin_obj", "pin");
    anim->AttachChildToObj("stranger", "other");  // not a child of the animation: nothing
    anim->Play("", {});
    Step(0.1f);  // frame 1: symbol 1 at (30, 40) under the base (scale 2, x + 100)
    EXPECT_FLOAT_EQ(pin->GetX(), 160.0f);
    EXPECT_FLOAT_EQ(pin->GetY(), 80.0f);
    EXPECT_FLOAT_EQ(pin->GetZ(), 5.0f);
    EXPECT_FLOAT_EQ(stranger->GetX(), 0.0f);
    Step(0.1f);  // frame 0: symbol 0, the same id, carries it too
    EXPECT_FLOAT_EQ(pin->GetX(), 106.0f);
    EXPECT_FLOAT_EQ(pin->GetY(), 8.0f);

    vK_Object::Destroy(pin);
    vK_Object::FlushGraveyard();
    Step(0.1f);
    Step(0.1f);
    EXPECT_EQ(Flash(anim)->GetSymbols()[0].GetAttached(), nullptr);
}

TEST_F(FlashAnimTest, FramePropertyMovesTheTimelineAndAFrameOutsideItShowsNothing) {
    vK_Animation* anim = MakeAnim("prop", Timeline("fps=\"10\" loop=\"0\"", 3));
    anim->GetImpl()->AcquireTextures();
    const struct {
        int frame;
        size_t drawn;  // batches drawn at that frame
        int afterStep;
    } cases[] = {{2, 1, 2}, {1, 1, 2}, {-3, 0, -2}, {3, 0, 3}, {INT_MAX, 0, INT_MAX}};
    for (const auto& c : cases) {
        vK_DataTable set;
        set.SetBool("playing", true);
        set.SetInt("frame", c.frame);
        anim->SetProperties(set);
        vK_DataTable got;
        anim->GetProperties(got, true);
        int32_t frame = 0;
        EXPECT_TRUE(got.GetInt("frame", frame));
        EXPECT_EQ(frame, c.frame);
        render.batches.clear();
        render.BeginDraw();
        anim->Draw(render, vK_DrawParams());
        render.EndDraw();
        EXPECT_EQ(render.batches.size(), c.drawn) << c.frame;
        Step(0.1f);
        EXPECT_EQ(Flash(anim)->GetCurrentFrame(), c.afterStep) << c.frame;
    }
    vK_LogCapture log;
    vK_DataTable bad;
    bad.Set("frame", new vK_DataTable());
    anim->SetProperties(bad);
    EXPECT_EQ(Flash(anim)->GetCurrentFrame(), INT_MAX);
    EXPECT_TRUE(log.Contains("Error: Can not convert a value of 'frame' (Data_Table) to Data_Int"))
        << log.Text();
}

TEST_F(FlashAnimTest, BadFilesAreLoggedAndWhatCanBeReadPlays) {
    const struct {
        const char* name;
        std::string xml;
        const char* message;
        bool hasImpl;
    } cases[] = {
        {"ids",
         "<animation version=\"9\" fps=\"10\"><objects><object res=\"gear\" type=\"texture\"/></objects>"
         "<frames><frame><object id=\"1\"/><object id=\"-1\"/><object "
         "id=\"0\"/></frame></frames></animation>",
         "Warning: flash animation assets/anims/ids: 2 frame entries name no symbol and are skipped", true},
        {"loopframe", Timeline("fps=\"10\" loop=\"1\" loop_frame=\"5\"", 2),
         "Warning: flash animation assets/anims/loopframe: loop frame 5 is not one of its 2 frames", true},
        {"broken", "<animation version=\"9\" fps=\"10\"><objects>",
         "Error: animation assets/anims/broken.xml could", false},
        {"noroot", "<timeline version=\"9\" fps=\"10\"/>", "has no \"animation\" element", false},
    };
    for (const auto& c : cases) {
        vK_LogCapture log;
        vK_Animation* anim = MakeAnim(c.name, c.xml);
        EXPECT_EQ(anim->GetImpl() != nullptr, c.hasImpl) << c.name;
        EXPECT_TRUE(log.Contains(c.message)) << c.name << ": " << log.Text();
        anim->EnterScene();
        anim->Play("", {});
        for (int i = 0; i < 3; ++i) Step(0.1f);
        anim->Draw(render, vK_DrawParams());
    }
    EXPECT_EQ(Flash(static_cast<vK_Animation*>(vK_Object::FindObject("ids")))->GetFrames()[0].size(), 1u);
    vK_LogCapture log;
    auto* missing = static_cast<vK_Animation*>(vK_Object::CreateObject("anim", "missing"));
    vK_DataTable props;
    props.SetString("res", "assets/anims/none");
    missing->SetProperties(props);
    EXPECT_EQ(missing->GetImpl(), nullptr);
    EXPECT_TRUE(log.Contains("Error: file not found assets/anims/none.xml.")) << log.Text();
}

}  // namespace
