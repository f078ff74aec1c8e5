#include <tinyxml2.h>

#include <cmath>
#include <string>
#include <vector>

#include "anim/anim_impl_complex.h"
#include "anim/complex_anim_res.h"
#include "anim/complex_anim_writer.h"
#include "files/byte_buffer.h"
#include "files/byte_reader.h"
#include "files/log.h"
#include "scene/animation.h"
#include "scene/text.h"
#include "script_drawable_fixture.h"

namespace {

using Instance = vK_AnimImpl_Complex::Instance;

// A body with an arm (tagged "hand"), five probes for the curve kinds, a grid tail
// and a text; "move" runs for 2 s, "loops" has a looping line, "grid" deforms the tail.
constexpr const char* kRig = R"(<animation type="complex">
<objs>
  <obj name="body" res="part" pos_x="10">
    <obj name="arm" res="part" pos_x="20" anim_tag="hand"/>
  </obj>
  <obj name="p0"/><obj name="p1"/><obj name="p2"/><obj name="p3"/><obj name="p4"/>
  <obj name="tail" res="part" res_tag="skin"/>
  <obj name="clock"><text fname="sans" fsize="12" format="5" r="1" g="0" b="0"><shadow x="2" y="1"/></text>
    <depend_params alpha="1" scale_x="0" bogus="1"/></obj>
</objs>
<funcs>
  <func name="move">
    <obj name="body">
      <anim tp="scale_x"><fr t="0" v="2"/></anim>
      <anim tp="angle"><fr t="0" v="1.5707963"/></anim>
      <anim tp="alpha"><fr t="0" v="0.5" tag="fade"/></anim>
      <anim tp="pos_y"><fr t="0" v="0"/><fr t="2" v="0"/></anim>
    </obj>
    <obj name="arm"><anim tp="alpha"><fr t="0" v="0.5"/></anim></obj>
    <obj name="p0"><anim tp="pos_x"><fr t="0" v="0" i="0"/><fr t="2" v="100"/></anim></obj>
    <obj name="p1"><anim tp="pos_x"><fr t="0" v="0" i="1"/><fr t="2" v="100"/></anim></obj>
    <obj name="p2"><anim tp="pos_x"><fr t="0" v="0" i="2"/><fr t="2" v="100"/></anim></obj>
    <obj name="p3"><anim tp="pos_x"><fr t="0" v="0" i="3"/><fr t="2" v="100"/></anim></obj>
    <obj name="p4"><anim tp="pos_x"><fr t="0" v="0" i="4" fm_v="100"/><fr t="2" v="100" bm_v="0"/></anim></obj>
    <obj name="clock"><anim tp="text"><fr t="0" v="noon" tag="time"/></anim></obj>
  </func>
  <func name="loops">
    <obj name="p0"><anim tp="pos_x" loop="1" loop_frame="1"><fr t="0" v="0"/><fr t="1" v="10"/><fr t="2" v="20"/></anim>
      <anim tp="pos_y" loop_frame="5"><fr t="1" v="7"/><fr t="10" v="7"/></anim></obj>
  </func>
  <func name="grid">
    <obj name="tail"><anim tp="grid">
      <triangles><tr v0="0" v1="1" v2="2"/><tr v0="1" v1="2" v2="3"/></triangles>
      <fr t="0" tag="grid_tail"><vertexs><v x="0" y="0" tu="0" tv="0"/><v x="8" y="0" tu="1" tv="0"/>
        <v x="0" y="8" tu="0" tv="1"/><v x="8" y="8" tu="1" tv="1"/></vertexs></fr>
      <fr t="2"><vertexs><v x="2" y="0" tu="0" tv="0"/><v x="10" y="0" tu="1" tv="0"/><v x="2" y="8" tu="0" tv="1"/></vertexs></fr>
    </anim></obj>
  </func>
  <func name="ghost"><obj name="nobody"><anim tp="pos_x"><fr t="0" v="1"/></anim></obj></func>
</funcs>
</animation>)";

class ComplexAnimTest : public ScriptDrawableFixture {
protected:
    void SetUp() override {
        ScriptDrawableFixture::SetUp();
        vK_Animation::RegisterType();
        WritePng("assets/anims/part.png", 8, 8, 0, 0, 8, 8);
        WriteText("assets/anims/rig.xml", kRig);
    }
    vK_Animation* MakeAnim(const std::string& name, const std::string& res = "assets/anims/rig") {
        auto* anim = static_cast<vK_Animation*>(vK_Object::CreateObject("anim", name));
        origin->AddChild(anim);
        vK_DataTable props;
        props.SetString("res", res);
        anim->SetProperties(props);
        return anim;
    }
    static vK_AnimImpl_Complex* Complex(vK_Animation* anim) {
        return dynamic_cast<vK_AnimImpl_Complex*>(anim->GetImpl());
    }
    const Instance* Part(vK_Animation* anim, const std::string& name) {
        const vK_AnimImpl_Complex* c = Complex(anim);
        const SAnimObject* data = c->GetAnimResource()->FindObject(name);
        return data ? c->FindInstance(data->index) : nullptr;
    }
    static std::shared_ptr<vK_ComplexAnimRes> ParseRig(const char* text) {
        tinyxml2::XMLDocument doc;
        EXPECT_EQ(doc.Parse(text), tinyxml2::XML_SUCCESS);
        auto res = std::make_shared<vK_ComplexAnimRes>();
        res->ParseXml(doc);
        return res;
    }
    static bool ReadAnm(const std::vector<uint8_t>& bytes, vK_ComplexAnimRes& res) {
        vK_ByteBuffer buffer;
        buffer.Assign(bytes);
        vK_ByteReader reader(&buffer);
        std::string kind;
        return ReadContentKind(reader, kind) && kind == "complex" && res.ReadBinary(reader);
    }
    int Ended() {
        hub.RunDeferredHandlers();
        auto value = hub.GetGlobal("ended");
        return value ? value->GetInt() : 0;
    }
};

TEST_F(ComplexAnimTest, XmlLoadsTheTreeTagsAndFunctions) {
    auto res = ParseRig(kRig);
    ASSERT_EQ(res->objects.size(), 8u);
    EXPECT_EQ(res->FindObject("arm")->index, 1);
    EXPECT_EQ(res->FindObject("tail")->index, 7);
    EXPECT_EQ(res->objectNames, (std::vector<std::string>{"", "skin"}));
    EXPECT_EQ(res->frameTags, (std::vector<std::string>{"fade", "time", "grid_tail"}));
    EXPECT_FLOAT_EQ(res->FindFunction("move")->length, 2.0f);
    EXPECT_EQ(res->FindFunction("ghost")->objects.size(), 0u);  // unknown names are skipped
    const SAnimLine& late = res->FindFunction("loops")->objects.at(2).lines[1];
    EXPECT_EQ(late.loopFrame, 0);  // 5 is no key frame of a two-frame line
    const SAnimObject* clock = res->FindObject("clock");
    ASSERT_TRUE(clock->text);
    EXPECT_EQ(clock->text->style.align, 1);
    EXPECT_EQ(clock->text->style.align_v, 1);
    EXPECT_EQ(clock->text->style.display_shadow, 1);
    EXPECT_FLOAT_EQ(clock->text->style.shadow_pos_x, 2.0f);
    ASSERT_EQ(clock->depends.size(), 3u);
    EXPECT_EQ(clock->depends[2].code, vK_AnimParam::kUnknownDepend);
    EXPECT_FALSE(clock->depends[1].depends);
    ASSERT_TRUE(res->FindObject("tail")->gridIndices);
    EXPECT_EQ(*res->FindObject("tail")->gridIndices, (std::vector<uint16_t>{0, 1, 2, 1, 2, 3}));
}

TEST_F(ComplexAnimTest, BinaryFormLoadsTheSameResourceAndXmlRoundTripsStably) {
    auto fromXml = ParseRig(kRig);
    std::vector<uint8_t> anm;
    std::string error;
    ASSERT_TRUE(WriteAnm(*fromXml, anm, error)) << error;
    vK_ComplexAnimRes fromAnm;
    ASSERT_TRUE(ReadAnm(anm, fromAnm));
    EXPECT_EQ(DumpComplexAnim(fromAnm), DumpComplexAnim(*fromXml));
    const std::string xml1 = WriteComplexAnimXml(fromAnm);
    auto again = ParseRig(xml1.c_str());
    EXPECT_EQ(WriteComplexAnimXml(*again), xml1);
    EXPECT_EQ(DumpComplexAnim(*again), DumpComplexAnim(*fromXml));
    // Every truncation either reads (cut at a field boundary) or fails; none crashes.
    int failed = 0;
    for (size_t n = 0; n < anm.size(); ++n) {
        vK_ComplexAnimRes cut;
        if (!ReadAnm(std::vector<uint8_t>(anm.begin(), anm.begin() + static_cast<std::ptrdiff_t>(n)), cut))
            ++failed;
    }
    EXPECT_GT(failed, static_cast<int>(anm.size()) / 2);
}

TEST_F(ComplexAnimTest, BinaryValuesAreConvertedByTheirLineCode) {
    // Alpha 128 -> 0.50196, angle 90 -> 1.570796 radians; a missing resource id is none.
    const std::vector<uint8_t> anm = {
        1, 1, 7, 'c', 'o', 'm', 'p', 'l', 'e', 'x', 4, 1, 0, 1, 3, 0, 0,  // object index 3
        5, 1, 0, 1,   1,   'f', 3,   1,   0,   1,   3, 0, 2, 2,           // function f, object 3, 2 lines
        1, 8, 4, 1,   0,   9,   128, 0,   0,                              // alpha line: frame v=128 (uint8)
        1, 7, 4, 1,   0,   10,  90,  0,   0,   0,                         // angle line: frame v=90 (int16)
        0, 0, 0};
    vK_ComplexAnimRes res;
    ASSERT_TRUE(ReadAnm(anm, res));
    ASSERT_EQ(res.objects.size(), 1u);
    EXPECT_EQ(res.objects[0]->resource, "");
    const SFunction* f = res.FindFunction("f");
    ASSERT_NE(f, nullptr);
    EXPECT_NEAR(f->objects.at(3).lines[0].frames[0].v, 0.50196f, 1e-5f);
    EXPECT_NEAR(f->objects.at(3).lines[1].frames[0].v, 1.570796f, 1e-5f);
}

TEST_F(ComplexAnimTest, GridLinesForMissingObjectsAreSkippedWithALogLine) {
    vK_LogCapture log;
    const std::vector<uint8_t> anm = {1, 1,  7, 'c', 'o', 'm', 'p', 'l', 'e', 'x', 5, 1, 0, 1, 1, 'g', 3, 1,
                                      0, 1,  9, 0,   2,   1,  // object 9 does not exist
                                      1, 20, 5, 1,   0,   1,   0,   0,   2,   1,   0, 3, 2, 0, 0, 0,   0, 0};
    vK_ComplexAnimRes res;
    ASSERT_TRUE(ReadAnm(anm, res));
    EXPECT_TRUE(log.Contains("animates a grid of object 9, which does not exist"));
}

TEST_F(ComplexAnimTest, CurveKindsBetweenKeys) {
    vK_Animation* anim = MakeAnim("a");
    anim->Play("move", {});
    Step(0.5f);  // s = 0.25 of the 0..2 segment
    const struct {
        const char* part;
        float expected;
    } cases[] = {{"p0", 25.0f}, {"p1", 7.6120f}, {"p2", 38.268f}, {"p3", 14.645f}, {"p4", 43.75f}};
    for (const auto& c : cases) {
        const Instance* p = Part(anim, c.part);
        ASSERT_NE(p, nullptr) << c.part;
        EXPECT_NEAR(p->current.matrix.M41(), c.expected, 0.01f) << c.part;
    }
}

TEST_F(ComplexAnimTest, ChildComposesUnderARotatedScaledParentAndATaggedChildFollows) {
    vK_Animation* anim = MakeAnim("a");
    vK_Object* glove = vK_Object::CreateObject("obj", "glove");
    vK_DataTable tag;
    tag.SetString("anim_tag", "hand");
    glove->SetProperties(tag);
    anim->AddChild(glove);
    anim->Play("move", {});
    const Instance* arm = Part(anim, "arm");
    // (20, 0) scaled by 2, turned a quarter, moved by the parent's (10, 0).
    EXPECT_NEAR(arm->current.matrix.M41(), 10.0f, 1e-4f);
    EXPECT_NEAR(arm->current.matrix.M42(), -40.0f, 1e-4f);
    EXPECT_FLOAT_EQ(arm->current.alpha, 0.25f);
    vK_Matrix m;
    ASSERT_TRUE(anim->GetTagMatrix("hand", m));
    EXPECT_NEAR(m.M41(), 10.0f, 1e-4f);
    EXPECT_NEAR(m.M42(), -40.0f, 1e-4f);
    EXPECT_FALSE(anim->GetTagMatrix("foot", m));
}

TEST_F(ComplexAnimTest, EndTriggerFiresOnceAndTheLastStateStays) {
    vK_Animation* anim = MakeAnim("a");
    anim->Play("move", hub.CompileCode("ended = (ended or 0) + 1"));
    Step(1.5f);
    Step(1.0f);
    Step(1.0f);
    EXPECT_FALSE(anim->GetImpl()->IsPlaying());
    EXPECT_FLOAT_EQ(Complex(anim)->GetTime(), 2.0f);
    EXPECT_NEAR(Part(anim, "p0")->current.matrix.M41(), 100.0f, 1e-4f);
    EXPECT_EQ(Ended(), 1);
}

TEST_F(ComplexAnimTest, LoopingLineRepeatsFromItsLoopFrame) {
    vK_Animation* anim = MakeAnim("a");
    anim->Play("loops", {});
    const struct {
        float dt, x;
    } steps[] = {{0.5f, 5.0f}, {1.0f, 15.0f}, {1.0f, 20.0f}, {0.1f, 16.0f}, {0.9f, 20.0f}, {0.1f, 16.0f}};
    for (const auto& s : steps) {
        Step(s.dt);
        EXPECT_NEAR(Part(anim, "p0")->current.matrix.M41(), s.x, 1e-3f) << Complex(anim)->GetTime();
    }
    // Before its first key frame at t = 1 a line writes nothing (the y stays 0 at t = 0).
    anim->Play("other", {});
    anim->Play("loops", {});
    EXPECT_NEAR(Part(anim, "p0")->current.matrix.M42(), 0.0f, 1e-6f);
}

TEST_F(ComplexAnimTest, PropertiesOverrideTaggedKeysTextsTexturesAndFrame) {
    vK_Animation* anim = MakeAnim("a");
    anim->Play("move", {});
    vK_DataTable props;
    props.SetFloat("fade", 0.2f);
    props.SetString("time", "midnight");
    props.SetString("skin", "assets/anims/other");
    props.SetBool("playing", false);
    props.SetInt("frame", 30);
    anim->SetProperties(props);
    EXPECT_FLOAT_EQ(Complex(anim)->GetTime(), 0.5f);
    EXPECT_FLOAT_EQ(Part(anim, "body")->current.alpha, 0.2f);
    EXPECT_EQ(Part(anim, "clock")->text->GetText(), "midnight");
    EXPECT_NEAR(Part(anim, "p0")->current.matrix.M41(), 25.0f, 1e-3f);  // the state at t = 0.5
    vK_DataTable out;
    anim->GetProperties(out, true);
    float fade = 0;
    std::string time, skin;
    EXPECT_TRUE(out.GetFloat("fade", fade));
    EXPECT_FLOAT_EQ(fade, 0.2f);
    EXPECT_TRUE(out.GetString("time", time));
    EXPECT_EQ(time, "midnight");
    EXPECT_TRUE(out.GetString("skin", skin));
    int32_t frame = 0;
    EXPECT_TRUE(out.GetInt("frame", frame));
    EXPECT_EQ(frame, 30);
    // A second object shares the resource, which playback never changes.
    vK_Animation* b = MakeAnim("b");
    EXPECT_EQ(Complex(b)->GetAnimResource(), Complex(anim)->GetAnimResource());
    EXPECT_FLOAT_EQ(Complex(b)->GetAnimResource()->FindFunction("move")->objects.at(0).lines[2].frames[0].v,
                    0.5f);
}

TEST_F(ComplexAnimTest, GridVerticesInterpolateOverTheCommonCountAndBadIndicesAreRefused) {
    vK_Animation* anim = MakeAnim("a");
    anim->Play("grid", {});
    vK_DataTable props;
    props.SetFloat("grid_tail_1_x", 6.0f);   // vertex 1 of the tagged frame
    props.SetFloat("grid_tail_99_x", 6.0f);  // no such vertex: ignored
    props.SetFloat("grid_tail_-3_y", 6.0f);
    anim->SetProperties(props);
    Step(1.0f);
    const Instance* tail = Part(anim, "tail");
    ASSERT_EQ(tail->grid.size(), 3u);  // 4 and 3 vertices pair up as 3
    EXPECT_FLOAT_EQ(tail->grid[0].x, 1.0f);
    EXPECT_FLOAT_EQ(tail->grid[1].x, 8.0f);  // 6 -> 10 halfway
    render.BeginFrame();
    render.BeginDraw();
    anim->Draw(render, vK_DrawParams());
    render.EndDraw();
    ASSERT_EQ(render.batches.size(), 1u);
    EXPECT_EQ(render.batches[0].VertexCount(), 3u);  // the triangle naming vertex 3 is left out
}

}  // namespace
