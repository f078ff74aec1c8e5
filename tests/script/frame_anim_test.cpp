#include <tinyxml2.h>

#include <cmath>
#include <string>
#include <vector>

#include "anim/anim_impl_frame.h"
#include "anim/frame_anim_res.h"
#include "files/log.h"
#include "scene/animation.h"
#include "script_drawable_fixture.h"

namespace {

// A 32 x 8 page cut into four 8 x 8 frames, pivots at their centres.
constexpr const char* kFlameAtlas =
    "<frametexture>"
    "<frame texture=\"flame_page\" left=\"0\" top=\"0\" widht=\"8\" height=\"8\" x=\"4\" y=\"4\"/>"
    "<frame texture=\"flame_page\" left=\"8\" top=\"0\" widht=\"8\" height=\"8\" x=\"4\" y=\"4\"/>"
    "<frame texture=\"flame_page\" left=\"16\" top=\"0\" widht=\"8\" height=\"8\" x=\"4\" y=\"4\"/>"
    "<frame texture=\"flame_page\" left=\"24\" top=\"0\" widht=\"8\" height=\"8\" x=\"4\" y=\"4\"/>"
    "</frametexture>";

constexpr const char* kCandle =
    "<animation type=\"frame\" frame_texture=\"flame\">"
    "<function name=\"once\" frametime=\"100\" loop=\"0\"><frame idx=\"1\"/><frame idx=\"2\"/><frame "
    "idx=\"3\"/></function>"
    "<function name=\"loop\" frametime=\"100\" loop=\"1\"><frame idx=\"1\"/><frame idx=\"2\"/><frame "
    "idx=\"3\"/></function>"
    "<function name=\"fade\" frametime=\"100\" loop=\"1\" alpha=\"1\"><frame idx=\"0\"/><frame "
    "idx=\"2\"/></function>"
    "<function name=\"fade_once\" frametime=\"100\" loop=\"0\" alpha=\"1\"><frame idx=\"0\"/><frame "
    "idx=\"2\"/></function>"
    "<function name=\"instant\" frametime=\"0\" loop=\"1\" alpha=\"1\"><frame idx=\"0\"/><frame "
    "idx=\"1\"/></function>"
    "<function name=\"empty\" frametime=\"100\" loop=\"0\"/>"
    "<function name=\"empty_loop\" frametime=\"100\" loop=\"1\"/>"
    "</animation>";

class FrameAnimTest : public ScriptDrawableFixture {
protected:
    void SetUp() override {
        ScriptDrawableFixture::SetUp();
        vK_Animation::RegisterType();
        WritePng("assets/anims/flame_page.png", 32, 8, 0, 0, 32, 8);
        WriteText("assets/anims/flame.xml", kFlameAtlas);
        WriteText("assets/anims/candle.xml", kCandle);
    }
    vK_Animation* MakeAnim(const std::string& name, const std::string& res = "assets/anims/candle") {
        auto* anim = static_cast<vK_Animation*>(vK_Object::CreateObject("anim", name));
        origin->AddChild(anim);
        vK_DataTable props;
        props.SetString("res", res);
        anim->SetProperties(props);
        return anim;
    }
    vK_AnimImpl_Frame* Frames(vK_Animation* anim) {
        return dynamic_cast<vK_AnimImpl_Frame*>(anim->GetImpl());
    }
    vK_DataScriptFunction Counter() {
        return hub.CompileCode("ended = (ended or 0) + 1; sender = vk_params.sender");
    }
    int Ended() {
        hub.RunDeferredHandlers();
        auto value = hub.GetGlobal("ended");
        return value ? value->GetInt() : 0;
    }
};

TEST_F(FrameAnimTest, ParsesFunctionsOnceAndSharesThemBetweenObjects) {
    vK_Animation* a = MakeAnim("a");
    vK_AnimImpl_Frame* frames = Frames(a);
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(frames->GetFrameTexturePath(), "assets/anims/flame");
    const auto& functions = frames->GetAnimResource()->GetFunctions();
    ASSERT_EQ(functions.size(), 7u);
    EXPECT_FLOAT_EQ(functions[0].frameTime, 0.1f);
    EXPECT_EQ(functions[0].frames, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_FALSE(functions[0].loop);
    EXPECT_TRUE(functions[1].loop);
    EXPECT_TRUE(functions[2].alpha);
    EXPECT_FALSE(functions[0].alpha);

    vK_Animation* b = MakeAnim("b");
    ASSERT_NE(Frames(b), nullptr);
    EXPECT_EQ(Frames(b)->GetAnimResource(), frames->GetAnimResource());
    EXPECT_EQ(resources.FindResource("assets/anims/candle_vk_animation___"), frames->GetAnimResource());
    EXPECT_NE(a->GetResource(), nullptr);  // the frame texture, held in the scene
}

TEST_F(FrameAnimTest, AttributesReadAsTheFileWritesThem) {
    const struct {
        const char* function;
        float frameTime;
        bool loop, alpha;
        std::vector<int32_t> frames;
    } cases[] = {
        {"<function name=\"f\" frametime=\"250\" loop=\"1\" alpha=\"1\"><frame idx=\"7\"/></function>",
         0.25f,
         true,
         true,
         {7}},
        {"<function name=\"f\" loop=\"2\" alpha=\"\"><frame/><frame idx=\"x\"/></function>",
         0.0f,
         false,
         false,
         {0, 0}},
        {"<function name=\"f\" frametime=\"40\" loop=\"true\" alpha=\"0\"/>", 0.04f, false, false, {}},
    };
    for (const auto& c : cases) {
        tinyxml2::XMLDocument document;
        const std::string text = std::string("<animation type=\"frame\">") + c.function + "</animation>";
        ASSERT_EQ(document.Parse(text.c_str()), tinyxml2::XML_SUCCESS);
        vK_FrameAnimRes res;
        res.Parse(document);
        ASSERT_EQ(res.GetFunctions().size(), 1u) << c.function;
        const vK_FrameAnimFunction& f = res.GetFunctions()[0];
        EXPECT_EQ(f.name, "f");
        EXPECT_FLOAT_EQ(f.frameTime, c.frameTime) << c.function;
        EXPECT_EQ(f.loop, c.loop) << c.function;
        EXPECT_EQ(f.alpha, c.alpha) << c.function;
        EXPECT_EQ(f.frames, c.frames) << c.function;
        EXPECT_EQ(res.GetFrameTextureName(), "");
    }
}

// Frames shown after each update (dt 0.1 unless given) from Play on.
TEST_F(FrameAnimTest, LoopingAndOneShotFunctionsStepOneFramePerUpdate) {
    const struct {
        const char* function;
        std::vector<float> dts;
        std::vector<int> frames;
        bool playingAfter;
        int ended;
    } cases[] = {
        {"once", {0.1f, 0.1f, 0.1f, 0.1f, 0.1f}, {2, 3, 3, 3, 3}, false, 1},
        {"loop", {0.1f, 0.1f, 0.1f, 0.1f, 0.1f}, {2, 3, 1, 2, 3}, true, 0},
        // 0.25 s advances one frame only; the time left (-0.05) makes the next update advance too.
        {"loop", {0.25f, 0.001f, 0.001f}, {2, 3, 3}, true, 0},
        {"unknown", {0.1f, 0.1f}, {0, 0}, true, 0},
    };
    int run = 0;
    for (const auto& c : cases) {
        vK_Animation* anim = MakeAnim("a" + std::to_string(run++));
        hub.SetGlobal(nullptr, "ended");
        anim->Play(c.function, Counter());
        std::vector<int> shown;
        for (float dt : c.dts) {
            Step(dt);
            shown.push_back(Frames(anim)->GetCurrentFrame());
        }
        EXPECT_EQ(shown, c.frames) << c.function;
        EXPECT_EQ(anim->GetOwnParams().frame, c.frames.back()) << c.function;
        EXPECT_EQ(anim->GetImpl()->IsPlaying(), c.playingAfter) << c.function;
        EXPECT_EQ(Ended(), c.ended) << c.function;
    }
    vK_Animation* anim = MakeAnim("t");
    anim->Play("loop", {});
    Step(0.25f);
    EXPECT_NEAR(Frames(anim)->GetTimeLeft(), -0.05f, 1e-6f);
}

TEST_F(FrameAnimTest, EndTriggerIsQueuedOnceWithTheOwnerAsSender) {
    vK_Animation* anim = MakeAnim("candle");
    anim->Play("once", Counter());
    for (int i = 0; i < 3; ++i) Step(0.1f);
    EXPECT_EQ(Ended(), 1);
    EXPECT_EQ(hub.GetGlobal("sender")->ToString(), "candle");
    for (int i = 0; i < 5; ++i) Step(0.1f);
    EXPECT_EQ(Ended(), 1);
    EXPECT_EQ(Frames(anim)->GetPosition(), 2);
}

// A function without frames would index its empty list on the next frame; it ends
// instead, whether it loops or not, and keeps the frame shown.
TEST_F(FrameAnimTest, FunctionWithoutFramesEndsOnItsFirstUpdate) {
    for (const char* function : {"empty", "empty_loop"}) {
        vK_Animation* anim = MakeAnim(std::string("a_") + function);
        hub.SetGlobal(nullptr, "ended");
        vK_DataTable props;
        props.SetInt("frame", 2);
        anim->SetProperties(props);
        anim->Play(function, Counter());
        EXPECT_EQ(Frames(anim)->GetCurrentFrame(), 2);
        for (int i = 0; i < 4; ++i) Step(0.1f);
        EXPECT_FALSE(anim->GetImpl()->IsPlaying()) << function;
        EXPECT_EQ(Frames(anim)->GetCurrentFrame(), 2) << function;
        EXPECT_EQ(Ended(), 1) << function;
        anim->Draw(render, vK_DrawParams());
        EXPECT_EQ(Frames(anim)->CrossFadeWeight(nullptr), 0.0f);
    }
}

TEST_F(FrameAnimTest, CrossFadeDrawsTheNextFrameWithTheElapsedShareOfTheFrameTime) {
    vK_Animation* anim = MakeAnim("a");
    anim->Play("fade", {});
    Step(0.05f);  // half of the 100 ms frame time
    int next = -1;
    EXPECT_FLOAT_EQ(Frames(anim)->CrossFadeWeight(&next), 0.5f);
    EXPECT_EQ(next, 2);
    render.BeginDraw();
    anim->Draw(render, vK_DrawParams());
    render.EndDraw();
    ASSERT_EQ(render.batches.size(), 1u);
    const auto& batch = render.batches[0];
    EXPECT_FLOAT_EQ(batch.Alpha(0), 1.0f);                        // the current frame
    EXPECT_FLOAT_EQ(batch.Alpha(batch.VertexCount() - 1), 0.5f);  // the next one over it

    Step(0.06f);  // the second (last) frame: a looping function fades into the first
    EXPECT_EQ(Frames(anim)->GetCurrentFrame(), 2);
    EXPECT_NEAR(Frames(anim)->CrossFadeWeight(&next), 0.1f, 1e-5f);
    EXPECT_EQ(next, 0);

    vK_Animation* once = MakeAnim("b");
    once->Play("fade_once", {});
    Step(0.1f);
    EXPECT_EQ(Frames(once)->CrossFadeWeight(&next), 0.0f);  // the last frame of a one-shot fades into nothing
}

TEST_F(FrameAnimTest, CrossFadeWithFrameTimeZeroDrawsOnlyTheCurrentFrame) {
    vK_Animation* anim = MakeAnim("a");
    anim->Play("instant", {});
    Step(0.0f);
    EXPECT_EQ(Frames(anim)->CrossFadeWeight(nullptr), 0.0f);
    render.BeginDraw();
    anim->Draw(render, vK_DrawParams());
    render.EndDraw();
    ASSERT_EQ(render.batches.size(), 1u);
    for (size_t v = 0; v < render.batches[0].VertexCount(); ++v)
        EXPECT_FLOAT_EQ(render.batches[0].Alpha(v), 1.0f);
}

TEST_F(FrameAnimTest, PropertiesPlayPauseAndReportTheFunction) {
    vK_Animation* anim = MakeAnim("a");
    vK_DataTable set;
    set.SetString("animfunc", "loop");
    set.SetString("endtrig", "ended = 1");
    set.SetBool("playing", true);
    anim->SetProperties(set);
    EXPECT_TRUE(anim->GetImpl()->IsPlaying());
    EXPECT_EQ(Frames(anim)->GetCurrentFrame(), 1);
    EXPECT_EQ(anim->GetDrawRect(), (vK_Rect{-4, -4, 8, 8}));
    Step(0.1f);

    vK_DataTable got;
    anim->GetProperties(got, true);
    bool playing = false;
    int32_t frame = 0;
    std::string function;
    EXPECT_TRUE(got.GetBool("playing", playing) && playing);
    EXPECT_TRUE(got.GetInt("frame", frame));
    EXPECT_EQ(frame, 2);
    EXPECT_TRUE(got.GetString("animfunc", function));
    EXPECT_EQ(function, "loop");
    ASSERT_NE(got.Get("endtrig"), nullptr);
    EXPECT_EQ(got.Get("endtrig")->GetTag(), vK_Data::kScriptFunction);

    vK_DataTable pause;
    pause.SetBool("playing", false);
    anim->SetProperties(pause);
    Step(0.1f);
    EXPECT_EQ(Frames(anim)->GetCurrentFrame(), 2);  // paused in place
    anim->Pause(false);
    Step(0.1f);
    EXPECT_EQ(Frames(anim)->GetCurrentFrame(), 3);
    anim->Stop();
    EXPECT_EQ(Frames(anim)->GetCurrentFrame(), 0);
    EXPECT_EQ(Frames(anim)->GetCurrentFunction(), -1);

    vK_LogCapture log;
    vK_DataTable bad;
    bad.Set("playing", new vK_DataTable());
    anim->SetProperties(bad);
    EXPECT_TRUE(log.Contains("Error: Can not convert a value of 'playing' (Data_Table) to Data_Bool"))
        << log.Text();
}

TEST_F(FrameAnimTest, OtherKindsOfAnimationLeaveTheObjectWithoutImplementation) {
    const struct {
        const char* file;
        std::string text;
        const char* message;
    } cases[] = {
        {"assets/anims/c.anm", "\x01\x01\x03rnd", "is not a complex animation"},
        {"assets/anims/f.xml", "<animation version=\"8\"/>", "unknown type"},
        {"assets/anims/u.xml", "<animation type=\"spline\"/>", "unknown type"},
        {"assets/anims/n.xml", "<anim/>", "has no \"animation\" element"},
        {"assets/anims/x.anm",
         std::string("\x01\x01\x07"
                     "complex\x63",
                     11),
         "Error: animation assets/anims/x.anm could not be read"},
    };
    int run = 0;
    for (const auto& c : cases) {
        WriteText(c.file, c.text);
        std::string res = c.file;
        res.resize(res.size() - 4);
        vK_LogCapture log;
        vK_Animation* anim = MakeAnim("k" + std::to_string(run++), res);
        EXPECT_EQ(anim->GetImpl(), nullptr) << c.file;
        EXPECT_TRUE(log.Contains(c.message)) << c.file << ": " << log.Text();
        anim->Play("x", {});
        Step(0.1f);
        anim->Draw(render, vK_DrawParams());
    }
    vK_LogCapture log;
    EXPECT_EQ(MakeAnim("missing", "assets/anims/none")->GetImpl(), nullptr);
    EXPECT_TRUE(log.Contains("Error: file not found assets/anims/none.xml.")) << log.Text();
}

}  // namespace

#include "scene/cursor.h"
#include "script/script_api.h"

namespace {

class AnimScriptTest : public FrameAnimTest {
protected:
    void SetUp() override {
        FrameAnimTest::SetUp();
        RegisterScriptApi(hub);
    }
    bool Lua(const std::string& code) { return hub.CallFunction(hub.CompileCode(code), nullptr); }
    std::string Eval(const std::string& expr) {
        if (!Lua("result = tostring(" + expr + ")")) return "<error>";
        auto value = hub.GetGlobal("result");
        return value ? value->ToString() : "";
    }
};

TEST_F(AnimScriptTest, AnimFunctionsReachOnlyAnimationObjects) {
    vK_Animation* anim = MakeAnim("candle");
    vK_Object::CreateObject("obj", "plain");
    ASSERT_TRUE(Lua("AnimPlay('plain', 'once', 'ended = 5'); AnimPlay('candle')"));
    EXPECT_EQ(Frames(anim)->GetCurrentFunction(), -1);  // wrong type, missing name: nothing
    ASSERT_TRUE(Lua("vk.obj.anim.Play('candle', 'once', function(p) ended = (ended or 0) + 1 end)"));
    for (int i = 0; i < 3; ++i) Step(0.1f);
    EXPECT_EQ(Ended(), 1);
    ASSERT_TRUE(Lua("AnimPlay('candle', 'loop', nil); AnimPause('candle', 1)"));
    Step(0.1f);
    EXPECT_EQ(Frames(anim)->GetCurrentFrame(), 1);
    ASSERT_TRUE(Lua("AnimPause('candle', 0)"));
    Step(0.1f);
    EXPECT_EQ(Frames(anim)->GetCurrentFrame(), 2);
    ASSERT_TRUE(Lua("AnimStop('candle'); AnimAttachChildToObj('candle', 'a', 'b')"));
    EXPECT_FALSE(anim->GetImpl()->IsPlaying());
}

TEST_F(AnimScriptTest, CursorFunctionsLoadSelectAndReport) {
    vK_Cursor cursor;
    cursor.SetPosition(12.75f, 30.5f);
    ASSERT_TRUE(
        Lua("CursorLoad('assets/anims/candle', 2); vk.cursor.Load('assets/none', 4); CursorLoad('x')"));
    EXPECT_EQ(cursor.GetImageCount(), 2);
    ASSERT_TRUE(Lua("SetCursor(1); SetCursor(5)"));
    EXPECT_EQ(cursor.GetCurrentIndex(), 1);
    EXPECT_EQ(Eval("CursorPosX() .. ',' .. vk.cursor.PosY()"), "12,30");
    EXPECT_EQ(Eval("CursorGetSystem()"), "false");
    ASSERT_TRUE(Lua("CursorSetSystem(true)"));
    EXPECT_TRUE(cursor.IsSystem());
    EXPECT_EQ(Eval("vk.cursor.GetSystem()"), "true");
}

}  // namespace
