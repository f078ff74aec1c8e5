// The "partsys" object: choosing the implementation by file, textures while in the
// scene, drawing, the ps script functions and the mask handle.
#include "scene/particle_system.h"

#include <gtest/gtest.h>

#include "particles/part_sys_impl_complex.h"
#include "particles/part_sys_impl_jan.h"
#include "particles/part_sys_impl_rnd.h"
#include "particles/preset_text.h"
#include "particles/prst_format.h"
#include "scene/sprite.h"
#include "script/script_api.h"
#include "script_drawable_fixture.h"

namespace {

const char* const kRndXml =
    "<ps type=\"rnd\" ver=\"1.3\"><emit playing=\"1\" lifetime=\"10\" blendmode=\"2\" res=\"dot\">"
    "<part_count><p t=\"0\" v=\"1\"/></part_count><part_lifetime><p t=\"0\" v=\"5\"/></part_lifetime>"
    "<particles><scale_x><p t=\"0\" v=\"1\"/></scale_x><scale_y><p t=\"0\" v=\"1\"/></scale_y>"
    "<alpha><p t=\"0\" v=\"1\"/></alpha><color_r><p t=\"0\" v=\"1\"/></color_r>"
    "<color_g><p t=\"0\" v=\"0.5\"/></color_g></particles></emit></ps>";

class ParticleSystemTest : public ScriptDrawableFixture {
protected:
    void SetUp() override {
        ScriptDrawableFixture::SetUp();
        vK_ParticleSystem::RegisterType();
        vK_Sprite::RegisterType();
        hub.Init();
        RegisterScriptApi(hub);
        WritePng("assets/ps/dot.png", 4, 4, 0, 0, 4, 4);
        // The binary form of kRndXml, as vkprst writes it.
        vK_PartSysImpl_Rnd preset(true);
        ASSERT_TRUE(LoadPresetText(preset, kRndXml));
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(WritePrst(preset, bytes, error));
        WriteBytes("assets/ps/both.prst", bytes);
        WriteText("assets/ps/both.xml", "<ps type=\"jan\"><emit/></ps>");
        WriteText("assets/ps/jan.xml",
                  "<ps type=\"jan\"><emit res=\"assets/ps/dot\" lifetime=\"100\" delay=\"1000\"/></ps>");
        WriteText("assets/ps/script.xml",
                  "<!-- Blend: 4 --><ps><emit><a res=\"assets/ps/dot\"/></emit></ps>");
        WriteText("assets/ps/rnd.xml", kRndXml);
    }
    vK_ParticleSystem* Make(const std::string& name, const std::string& res, vK_Object* parent) {
        auto* ps = static_cast<vK_ParticleSystem*>(vK_Object::CreateObject("partsys", name));
        parent->AddChild(ps);
        vK_DataTable props;
        props.SetString("res", res);
        props.SetFloat("pos_x", 100);
        props.SetFloat("pos_y", 50);
        ps->SetProperties(props);
        return ps;
    }
    bool Lua(const std::string& code) { return hub.CallFunction(hub.CompileCode(code), nullptr); }
};
}  // namespace

TEST_F(ParticleSystemTest, PresetFileChoosesTheImplementation) {
    auto* both = Make("both", "assets/ps/both", storage);
    auto* jan = Make("jan", "assets\\ps\\jan", storage);
    auto* script = Make("script", "assets/ps/script", storage);
    auto* rnd = Make("rnd", "assets/ps/rnd", storage);
    auto* missing = Make("missing", "assets/ps/none", storage);
    EXPECT_NE(dynamic_cast<vK_PartSysImpl_Rnd*>(both->GetImpl()), nullptr);  // the .prst comes first
    EXPECT_NE(dynamic_cast<vK_PartSysImpl_Jan*>(jan->GetImpl()), nullptr);
    EXPECT_NE(dynamic_cast<vK_PartSysImpl_Complex*>(script->GetImpl()), nullptr);
    EXPECT_EQ(script->GetOwnParams().blend, 4);
    EXPECT_NE(dynamic_cast<vK_PartSysImpl_Rnd*>(rnd->GetImpl()), nullptr);
    EXPECT_EQ(missing->GetImpl(), nullptr);
    EXPECT_EQ(both->GetType(), "partsys");
    // A missing preset draws nothing and its script functions do nothing.
    EXPECT_TRUE(Lua("PartSysStart('missing'); PartSysStop('missing', 1); PartSysRestart('missing')"));
}

TEST_F(ParticleSystemTest, DrawsOneListPerEmitterWhileInTheScene) {
    auto* ps = Make("ps", "assets/ps/both", storage);
    Step(0.1f);
    origin->AddChild(ps);
    Step(0.1f);
    ASSERT_EQ(ps->GetImpl()->GetParticleCount(), 1);
    render.BeginDraw();
    origin->Draw(render, vK_DrawParams());
    render.EndDraw();
    ASSERT_EQ(render.batches.size(), 1u);
    const auto& batch = render.batches[0];
    EXPECT_EQ(batch.VertexCount(), 6u);
    EXPECT_EQ(batch.blend, 2);
    // A 4 x 4 quad around the particle at the origin, moved to the object's position.
    EXPECT_FLOAT_EQ(batch.vertices[0], 98.0f);
    EXPECT_FLOAT_EQ(batch.vertices[1], 48.0f);
    EXPECT_FLOAT_EQ(batch.vertices[5], 0.5f);  // green
    storage->AddChild(ps);
    render.batches.clear();
    render.BeginDraw();
    ps->DrawSelf(render, vK_DrawParams());
    render.EndDraw();
    EXPECT_TRUE(render.batches.empty());  // textures went with the scene
}

TEST_F(ParticleSystemTest, ScriptFunctionsAndProperties) {
    auto* ps = Make("ps", "assets/ps/rnd", origin);
    Make("sprite", "assets/ps/dot", origin);
    vK_PartSysImpl* impl = ps->GetImpl();
    ASSERT_TRUE(impl && impl->IsPlaying());
    EXPECT_TRUE(
        Lua("assert(rawequal(vk.obj.ps.Start, PartSysStart) and rawequal(vk.obj.ps.Stop, PartSysStop)"
            " and rawequal(vk.obj.ps.SetMaskObj, PartSysSetMaskObj))"));
    struct Case {
        const char* code;
        bool playing, paused;
    } cases[] = {
        {"PartSysStop('ps', 1)", false, false},
        {"PartSysStart('ps')", true, false},
        {"PartSysPause('ps', 1)", true, true},
        {"PartSysPause('ps', 0)", true, false},
        {"PartSysStop('ps', 0)", false, false},
        {"PartSysRestart('ps')", true, false},
        {"PartSysStop('sprite', 1)", true, false},
        {"ObjSet('ps', {playing = false})", false, false},
        {"ObjSet('ps', {playing = true, pause = true})", true, true},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Lua(c.code)) << c.code;
        EXPECT_EQ(impl->IsPlaying(), c.playing) << c.code;
        EXPECT_EQ(impl->IsPaused(), c.paused) << c.code;
    }
    vK_DataTable props;
    ps->GetProperties(props, true);
    bool flag = false;
    EXPECT_TRUE(props.GetBool("playing", flag) && flag);
    EXPECT_TRUE(props.GetBool("pause", flag) && flag);
}

TEST_F(ParticleSystemTest, MaskObjectIsHeldByHandle) {
    auto* ps = Make("ps", "assets/ps/jan", origin);
    vK_Object* mask = Make("mask", "assets/ps/dot", origin);
    ASSERT_TRUE(Lua("PartSysSetMaskObj('ps', 'mask')"));
    EXPECT_EQ(ps->GetImpl()->GetMaskObject(), mask);
    ASSERT_TRUE(Lua("PartSysSetMaskObj('ps', 'nobody')"));  // nothing when either is missing
    EXPECT_EQ(ps->GetImpl()->GetMaskObject(), mask);
    vK_Object::Destroy(mask);
    vK_Object::FlushGraveyard();
    EXPECT_EQ(ps->GetImpl()->GetMaskObject(), nullptr);
    Step(0.1f);  // emits without the mask
    EXPECT_EQ(ps->GetImpl()->GetParticleCount(), 1);
}
