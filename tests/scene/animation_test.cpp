#include "scene/animation.h"

#include <map>
#include <string>
#include <vector>

#include "anim/anim_impl.h"
#include "core/input_event.h"
#include "files/log.h"
#include "graphics/render.h"
#include "graphics/texture.h"
#include "scene/drawable_fixture.h"
#include "scene/sprite.h"

namespace {

// An implementation with named parts at fixed offsets: attached children are drawn and
// hit-tested at their part, every attach and detach is recorded.
class PartAnim : public vK_AnimImpl {
public:
    explicit PartAnim(std::map<std::string, vK_Matrix> parts) : parts_(std::move(parts)) {}
    bool LoadBinary(vK_ByteReader&) override { return false; }
    void LoadXml(const tinyxml2::XMLDocument&) override {}
    int AcquireTextures() override { return 0; }
    void ReleaseTextures() override {}
    void Update(float) override {}
    void Draw(vK_Render& render, const vK_DrawParams& state) override {
        for (auto& [tag, child] : attached_) {
            vK_DrawParams at = state;
            if (PartState(tag, at)) child->Draw(render, at);
        }
    }
    vK_Object* PickAttached(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state) override {
        for (auto& [tag, child] : attached_) {
            vK_DrawParams at = state;
            if (PartState(tag, at)) hit = child->InputTest(event, hit, at);
        }
        return hit;
    }
    void AttachTagged(const std::string& tag, vK_Object* child) override {
        attached_[tag] = child;
        calls.push_back("attach " + tag);
    }
    void DetachTagged(const std::string& tag) override {
        attached_.erase(tag);
        calls.push_back("detach " + tag);
    }
    bool GetObjectMatrix(const std::string& name, vK_Matrix& matrix) const override {
        auto found = parts_.find(name);
        if (found == parts_.end()) return false;
        matrix = found->second;
        return true;
    }
    std::vector<std::string> calls;

private:
    bool PartState(const std::string& tag, vK_DrawParams& at) const {
        vK_Matrix part;
        if (!GetObjectMatrix(tag, part)) return false;
        at.matrix = part * at.matrix;
        return true;
    }
    std::map<std::string, vK_Matrix> parts_;
    std::map<std::string, vK_Object*> attached_;
};

class AnimationTest : public DrawableFixture {
protected:
    void SetUp() override {
        DrawableFixture::SetUp();
        vK_Animation::RegisterType();
        vK_Sprite::RegisterType();
        WritePng("assets/a.png", 8, 8, 0, 0, 8, 8);
        WritePng("assets/b.png", 8, 8, 0, 0, 8, 8);
    }
    // An animation at (100, 100) with a part "hand" at (50, 20).
    vK_Animation* MakeAnim(const std::string& name, vK_Object* parent, PartAnim** impl) {
        auto* anim = static_cast<vK_Animation*>(vK_Object::CreateObject("anim", name));
        anim->SetPosition(100, 100);
        auto owned = std::make_unique<PartAnim>(std::map<std::string, vK_Matrix>{
            {"hand", vK_Matrix::Translation(50, 20)}, {"tip", vK_Matrix::Translation(5, 5)}});
        *impl = owned.get();
        anim->SetImpl(std::move(owned));
        parent->AddChild(anim);
        return anim;
    }
    vK_Object* MakeSprite(const std::string& name, const std::string& res, const std::string& tag, float x,
                          vK_Object* parent) {
        vK_Object* sprite = vK_Object::CreateObject("spr", name);
        vK_DataTable props;
        props.SetString("res", res);
        props.SetString("anim_tag", tag);
        props.SetFloat("pos_x", x);
        sprite->SetProperties(props);
        parent->AddChild(sprite);
        return sprite;
    }
    const vK_RecordingRender::Batch* BatchOf(const std::string& texture) {
        for (const auto& batch : render.batches)
            if (batch.texture && batch.texture->GetName() == texture) return &batch;
        return nullptr;
    }
};

TEST_F(AnimationTest, TaggedChildIsDrawnOnceAtItsPartAndUntaggedOnesAsUsual) {
    PartAnim* impl = nullptr;
    vK_Animation* anim = MakeAnim("anim", origin, &impl);
    vK_Object* tagged = MakeSprite("tagged", "assets/a", "hand", 0, anim);
    MakeSprite("plain", "assets/b", "", 10, anim);
    render.BeginDraw();
    origin->Draw(render, vK_DrawParams());
    render.EndDraw();
    const auto* a = BatchOf("assets/a");
    const auto* b = BatchOf("assets/b");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->VertexCount(), b->VertexCount());  // one image each
    EXPECT_FLOAT_EQ(a->vertices[0], 146.0f);        // the 8 x 8 image centred on the part (150, 120)
    EXPECT_FLOAT_EQ(a->vertices[1], 116.0f);
    EXPECT_FLOAT_EQ(b->vertices[0], 106.0f);  // centred on (110, 100)
    EXPECT_FLOAT_EQ(b->vertices[1], 96.0f);
    EXPECT_TRUE(tagged->IsVisible());  // restored after the child pass

    // Pointer picking: the tagged child answers at its part only.
    auto press = [&](float x, float y) {
        vK_InputEvent event;
        event.type = vK_InputEvent::kPointerDown;
        event.x = x, event.y = y;
        return origin->InputTest(event, nullptr, vK_DrawParams());
    };
    EXPECT_EQ(press(150, 120), tagged);
    EXPECT_EQ(press(100, 100), nullptr);
    EXPECT_TRUE(tagged->IsInputEnabled());
}

TEST_F(AnimationTest, TaggedChildrenAreReboundAndForgottenWhenTheyLeave) {
    PartAnim* impl = nullptr;
    vK_Animation* anim = MakeAnim("anim", origin, &impl);
    vK_Object* hand = MakeSprite("s1", "assets/a", "hand", 0, anim);
    vK_Object* tip = MakeSprite("s2", "assets/b", "tip", 0, anim);
    MakeSprite("s3", "assets/b", "", 0, anim);
    EXPECT_EQ(impl->calls, (std::vector<std::string>{"attach hand", "attach tip"}));
    impl->calls.clear();

    anim->SetProperties(vK_DataTable());
    EXPECT_EQ(impl->calls,
              (std::vector<std::string>{"detach hand", "detach tip", "attach hand", "attach tip"}));
    impl->calls.clear();

    anim->RemoveChild(hand, false);
    EXPECT_EQ(impl->calls, (std::vector<std::string>{"detach hand"}));
    EXPECT_EQ(anim->GetAttachedTags(), (std::vector<std::string>{"tip"}));
    impl->calls.clear();

    // A child that is destroyed or moves elsewhere without RemoveChild is forgotten at
    // the next frame, before anything touches it.
    vK_Object::Destroy(tip);
    vK_Object::FlushGraveyard();
    Step(0.1f);
    EXPECT_EQ(impl->calls, (std::vector<std::string>{"detach tip"}));
    EXPECT_TRUE(anim->GetAttachedTags().empty());

    anim->AddChild(hand);
    origin->AddChild(hand);
    render.BeginDraw();
    origin->Draw(render, vK_DrawParams());
    render.EndDraw();
    EXPECT_TRUE(anim->GetAttachedTags().empty());
    EXPECT_TRUE(hand->IsVisible());
}

TEST_F(AnimationTest, TagMatrixComposesWithTheWorldOrTheOuterAnimationsPart) {
    PartAnim* outerImpl = nullptr;
    vK_Animation* outer = MakeAnim("outer", origin, &outerImpl);
    outer->ComputeDrawState(vK_DrawParams());
    vK_Matrix m;
    ASSERT_TRUE(outer->GetTagMatrix("hand", m));
    EXPECT_FLOAT_EQ(m.M41(), 150.0f);
    EXPECT_FLOAT_EQ(m.M42(), 120.0f);
    EXPECT_FALSE(outer->GetTagMatrix("foot", m));

    // Embedded at the outer animation's hand: tip (5, 5) of the hand (150, 120).
    PartAnim* innerImpl = nullptr;
    vK_Animation* inner = MakeAnim("inner", outer, &innerImpl);
    vK_DataTable tag;
    tag.SetString("anim_tag", "hand");
    inner->SetProperties(tag);
    ASSERT_TRUE(inner->GetTagMatrix("tip", m));
    EXPECT_FLOAT_EQ(m.M41(), 155.0f);
    EXPECT_FLOAT_EQ(m.M42(), 125.0f);

    // Tagged with a part the outer animation lacks: logged, then its own world matrix.
    tag.SetString("anim_tag", "foot");
    inner->SetProperties(tag);
    inner->SetPosition(1, 2);
    inner->ComputeDrawState(outer->ComputeDrawState(vK_DrawParams()));
    vK_LogCapture log;
    ASSERT_TRUE(inner->GetTagMatrix("tip", m));
    EXPECT_FLOAT_EQ(m.M41(), 106.0f);
    EXPECT_FLOAT_EQ(m.M42(), 107.0f);
    EXPECT_TRUE(
        log.Contains("Error: object having anim tag \"foot\" is not found in complex anim. Name of anim "
                     "object is \"outer\". Name of embed object is \"inner\""))
        << log.Text();
}

}  // namespace
