#include "scene/object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "core/frame_info.h"
#include "core/input_event.h"
#include "files/log.h"
#include "script/script_hub.h"
#include "support/recording_render.h"

namespace {

std::vector<std::string> g_trace;

// Records every walk step, and runs an optional action when updated, drawn or hit.
class TraceObject : public vK_Object {
public:
    std::function<void(TraceObject*)> on_update, on_draw, on_hit;
    int enters = 0, leaves = 0;

    void Update(const vK_FrameInfo& frame) override {
        g_trace.push_back("u:" + GetName());
        if (on_update) on_update(this);
        vK_Object::Update(frame);
    }
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override {
        g_trace.push_back("d:" + GetName());
        if (on_draw) on_draw(this);
        vK_Object::DrawSelf(render, state);
    }
    bool HandleInput(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state) override {
        g_trace.push_back("i:" + GetName());
        if (on_hit) on_hit(this);
        return vK_Object::HandleInput(event, hit, state);
    }
    bool EnterScene() override {
        g_trace.push_back("enter:" + GetName());
        ++enters;
        return vK_Object::EnterScene();
    }
    bool LeaveScene() override {
        g_trace.push_back("leave:" + GetName());
        ++leaves;
        return vK_Object::LeaveScene();
    }
    std::string GetType() const override { return "trace"; }
};

vK_Object* g_dragged = nullptr;
vK_Object* g_hovered = nullptr;
std::vector<std::string> g_forgotten;

class ObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_trace.clear();
        g_forgotten.clear();
        g_dragged = g_hovered = nullptr;
        vK_Object::RegisterObjectType(
            "trace", []() -> std::unique_ptr<vK_Object> { return std::make_unique<TraceObject>(); });
        vK_ObjectSceneHooks hooks;
        hooks.dragged = []() { return g_dragged; };
        hooks.forget = [](vK_Object* o) {
            g_forgotten.push_back(o->GetName());
            if (o == g_hovered) {
                o->QueueEvent(vK_Object::kEventMouseLeave);
                g_hovered = nullptr;
            }
            if (o == g_dragged) g_dragged = nullptr;
        };
        vK_Object::SetSceneHooks(hooks);
        origin = vK_Object::CreateObject("obj", "vk_origin");
        origin->SetRoot(true);
        origin->EnterScene();
        storage = vK_Object::CreateObject("obj", "vk_storage");
        storage->SetRoot(true);
    }
    void TearDown() override {
        vK_Object::ReleaseAll();
        vK_Object::SetSceneHooks(vK_ObjectSceneHooks());
        EXPECT_EQ(vK_Object::FindObject("vk_origin"), nullptr);
    }
    TraceObject* Make(const std::string& name, vK_Object* parent, float z = 0) {
        auto* o = static_cast<TraceObject*>(vK_Object::CreateObject("trace", name));
        o->SetZ(z);
        if (parent) parent->AddChild(o);
        return o;
    }
    static vK_InputEvent Event(vK_InputEvent::Type type, float x, float y) {
        vK_InputEvent e;
        e.type = type;
        e.x = x;
        e.y = y;
        return e;
    }

    vK_Object* origin = nullptr;
    vK_Object* storage = nullptr;
    vK_FrameInfo frame{1.0f / 60, 1.0f / 60, 0};
    vK_DrawParams root_state;
};

}  // namespace

TEST_F(ObjectTest, EqualZKeepsInsertionOrderForUpdateDrawAndInput) {
    Make("a", origin, 5);
    Make("b", origin, 1);
    Make("c", origin, 1);
    vK_RecordingRender render(1024, 768);
    g_trace.clear();
    origin->Update(frame);
    origin->Draw(render, root_state);
    origin->InputTest(Event(vK_InputEvent::kPointerMove, 1, 1), nullptr, root_state);
    std::vector<std::string> expected = {"u:b", "u:c", "u:a", "d:b", "d:c", "d:a", "i:a", "i:c", "i:b"};
    EXPECT_EQ(g_trace, expected);
}

// The children are in z order (stable for equal z) whenever anyone looks, however z
// was changed: at insert, through SetZ, through the property table, through a named
// property animation; and an update after nothing changed keeps the order.
TEST_F(ObjectTest, ZOrderFollowsEveryWayOfChangingZ) {
    vK_Object* a = Make("a", origin, 5);
    vK_Object* b = Make("b", origin, 1);
    vK_Object* c = Make("c", origin, 1);
    auto order = [&] {
        std::string names;
        for (size_t i = 0; i < origin->GetChildCount(false); ++i) names += origin->GetChild(i)->GetName();
        return names;
    };
    EXPECT_EQ(order(), "bca");  // sorted as they arrived
    Make("d", origin, 1);
    Make("e", origin, 0);
    EXPECT_EQ(order(), "ebcda");
    const vK_DataScriptFunction none;
    const float keys[] = {0, 0, 3};
    struct Step {
        std::function<void()> change;
        const char* expected;
    } steps[] = {
        {[&] { b->SetZ(9); }, "ecdab"},
        {[&] {
             vK_DataTable t;
             t.SetFloat("pos_z", -1);
             a->SetProperties(t);
         },
         "aecdb"},
        // The animation writes z in the update, after that update's sort: the next one
        // applies it.
        {[&] { c->AnimatePropertyByName("pos_z", false, none, keys, 3); }, "aecdb"},
        {[] {}, "aedcb"},
        {[&] { a->SetZ(1); }, "eadcb"},  // equal z keeps the order of the last sort
    };
    for (const Step& step : steps) {
        step.change();
        origin->Update(frame);
        EXPECT_EQ(order(), step.expected);
    }
}

// Inserts that do not land at the end are placed when the list is next read; every
// reader must then see the order inserting one by one gives, also when a child's z
// changes or a child leaves before anyone looked. Each row builds its own parent.
TEST_F(ObjectTest, ChildrenInsertedInAnyZOrderAreWhereEachInsertPutsThem) {
    struct Row {
        const char* what;
        std::function<std::string(vK_Object*)> run;
        const char* expected;
    };
    auto names = [](vK_Object* p) {
        std::string out;
        for (size_t i = 0; i < p->GetChildCount(false); ++i) out += p->GetChild(i)->GetName();
        return out;
    };
    const Row rows[] = {
        {"falling z",
         [&](vK_Object* p) {
             for (const char* n : {"a", "b", "c", "d", "e"}) Make(n, p, 'f' - n[0]);
             return std::string();
         },
         "edcba"},
        {"equal z keep arrival order",
         [&](vK_Object* p) {
             Make("a", p, 1), Make("b", p, 0), Make("c", p, 1), Make("d", p, 0), Make("e", p, 2);
             return std::string();
         },
         "bdace"},
        {"a read between bursts",
         [&](vK_Object* p) {
             Make("a", p, 3), Make("b", p, 1);
             const std::string between = names(p);
             Make("c", p, 2), Make("d", p, 1);
             return between;
         },
         "ba|bdca"},
        {"a placed child's z changes while c waits",
         [&](vK_Object* p) {
             Make("a", p, 1);
             vK_Object* b = Make("b", p, 3);
             Make("c", p, 2);
             b->SetZ(2);  // c was in front of b before b moved down to c's z
             p->Update(frame);
             return std::string();
         },
         "acb"},
        {"the same through the pos_z property",
         [&](vK_Object* p) {
             Make("a", p, 1);
             vK_Object* b = Make("b", p, 3);
             Make("c", p, 2);
             vK_DataTable z;
             z.SetFloat("pos_z", 2);
             b->SetProperties(z);
             p->Update(frame);
             return std::string();
         },
         "acb"},
        {"a waiting child leaves",
         [&](vK_Object* p) {
             Make("a", p, 2);
             vK_Object* b = Make("b", p, 1);
             Make("c", p, 0);
             p->RemoveChild(b, false);
             return std::string();
         },
         "ca"},
        {"the draw walk reads the placed order",
         [&](vK_Object* p) {
             Make("a", p, 2), Make("b", p, 1), Make("c", p, 1);
             vK_RecordingRender render(64, 64);
             g_trace.clear();
             p->Draw(render, root_state);
             std::string drawn;
             for (const std::string& line : g_trace)
                 if (line.size() == 3 && line[0] == 'd') drawn += line.substr(2);
             return drawn;
         },
         "bca|bca"},
    };
    for (const Row& row : rows) {
        vK_Object* parent = Make(std::string("parent_") + row.what, origin);
        const std::string between = row.run(parent);
        const std::string seen = between.empty() ? names(parent) : between + "|" + names(parent);
        EXPECT_EQ(seen, row.expected) << row.what;
    }
}

// The world matrix follows a change of the object or of any ancestor between walks,
// whichever walk comes next.
TEST_F(ObjectTest, WorldMatrixFollowsChangesBetweenWalks) {
    vK_Object* parent = Make("parent", origin);
    vK_Object* child = Make("child", parent);
    child->SetPosition(10, 0);
    vK_RecordingRender render(1024, 768);
    struct Step {
        std::function<void()> change;
        bool draw;  // else a hit test
        float x, y;
    } steps[] = {
        {[] {}, true, 10, 0},
        {[&] { parent->SetPosition(100, 50); }, false, 110, 50},
        {[] {}, true, 110, 50},
        {[&] { parent->SetScale(2, 2); }, true, 120, 50},
        {[&] { child->SetAngle(1.5707964f); }, false, 120, 50},
        // Row vectors: (20, 0) turned by a quarter is (0, -20).
        {[&] { parent->SetAngle(1.5707964f); }, true, 100, 30},
        {[&] { child->SetPosition(0, 5); }, false, 110, 50},
    };
    for (const Step& step : steps) {
        step.change();
        if (step.draw) {
            origin->Draw(render, root_state);
        } else {
            origin->InputTest(Event(vK_InputEvent::kPointerMove, 1, 1), nullptr, root_state);
        }
        EXPECT_NEAR(child->GetWorldMatrix().M41(), step.x, 0.001f);
        EXPECT_NEAR(child->GetWorldMatrix().M42(), step.y, 0.001f);
    }
}

TEST_F(ObjectTest, AttachTypesComposeTheParentTransform) {
    // Grandparent at (10, 10); parent scaled 2, turned a quarter, at (100, 50);
    // child at (5, 0). Rotation maps (x, y) to (y, -x) for a quarter turn.
    struct Case {
        int attach;
        float x0, y0;  // image of the child's origin
        float x1, y1;  // image of the child's (1, 0)
    };
    const Case cases[] = {
        {0, 110, 50, 110, 48},
        {1, 120, 60, 122, 60},
        {2, 115, 60, 116, 60},
        {3, 15, 10, 16, 10},
    };
    for (const Case& c : cases) {
        vK_Object* grand = Make("grand" + std::to_string(c.attach), origin);
        grand->SetPosition(10, 10);
        vK_Object* parent = Make("parent" + std::to_string(c.attach), grand);
        parent->SetPosition(100, 50);
        parent->SetScale(2, 2);
        parent->SetAngle(std::numbers::pi_v<float> / 2);
        vK_Object* child = Make("child" + std::to_string(c.attach), parent);
        child->SetPosition(5, 0);
        child->SetAttachType(c.attach);
        vK_RecordingRender render(1024, 768);
        origin->Draw(render, root_state);
        float x, y;
        child->GetWorldMatrix().Transform(0, 0, x, y);
        EXPECT_NEAR(x, c.x0, 1e-3) << "attach " << c.attach;
        EXPECT_NEAR(y, c.y0, 1e-3) << "attach " << c.attach;
        child->GetWorldMatrix().Transform(1, 0, x, y);
        EXPECT_NEAR(x, c.x1, 1e-3) << "attach " << c.attach;
        EXPECT_NEAR(y, c.y1, 1e-3) << "attach " << c.attach;
    }
}

TEST_F(ObjectTest, HitTestOnRotatedAndScaledRectangle) {
    // Input rect (0, 0, 10, 20), scale (2, 1), a quarter turn, at (100, 100): a local
    // point (x, y) lands on (100 + y, 100 - 2x), so the rect covers x 100..120, y 80..100.
    vK_Object* o = Make("rot", origin);
    o->SetPosition(100, 100);
    o->SetScale(2, 1);
    o->SetAngle(std::numbers::pi_v<float> / 2);
    o->SetInputRect(true, {0, 0, 10, 20});
    vK_DrawParams state = o->ComputeDrawState(root_state);
    struct Case {
        float x, y;
        bool inside;
    };
    const Case cases[] = {{110, 90, true},  {101, 81, true}, {119, 99, true},  {110, 101, false},
                          {121, 90, false}, {99, 90, false}, {110, 79, false}, {100.5f, 99.5f, true}};
    for (const Case& c : cases) EXPECT_EQ(o->HitTest(c.x, c.y, state), c.inside) << c.x << "," << c.y;
    o->SetInputRect(false, {0, 0, 10, 20});
    EXPECT_FALSE(o->HitTest(110, 90, state));
}

TEST_F(ObjectTest, TopmostDeepestObjectTakesThePressAndQueuesItsHandler) {
    vK_ScriptHub hub;
    vK_Object* low = Make("low", origin, 0);
    vK_Object* high = Make("high", origin, 1);
    vK_Object* inner = Make("inner", high, 0);
    vK_DataTable props;
    props.SetBool("inputrect_init", true);
    props.SetFloat("inputrect_w", 50);
    props.SetFloat("inputrect_h", 50);
    props.SetString("event_mdown", "pressed = (pressed or '') .. vk_params.sender");
    for (vK_Object* o : {low, high, inner}) o->SetProperties(props);
    origin->Update(frame);
    EXPECT_EQ(origin->InputTest(Event(vK_InputEvent::kPointerDown, 10, 10), nullptr, root_state), inner);
    inner->SetInputEnabled(false);
    EXPECT_EQ(origin->InputTest(Event(vK_InputEvent::kPointerDown, 10, 10), nullptr, root_state), high);
    high->SetInputEnabled(false);  // hides its subtree too
    EXPECT_EQ(origin->InputTest(Event(vK_InputEvent::kPointerDown, 10, 10), nullptr, root_state), low);
    EXPECT_EQ(origin->InputTest(Event(vK_InputEvent::kKeyDown, 10, 10), nullptr, root_state), nullptr);
    EXPECT_EQ(hub.GetGlobal("pressed")->ToString(), "");  // queued, not yet run
    hub.RunDeferredHandlers();
    EXPECT_EQ(hub.GetGlobal("pressed")->ToString(), "innerhighlow");
}

TEST_F(ObjectTest, CropRectangleIsPushedUnderTheWorldMatrixAndBlocksInput) {
    vK_Object* o = Make("cropped", origin);
    o->SetPosition(10, 20);
    o->SetScale(2, 3);
    o->SetCropRect(true, {1, 1, 5, 5});
    auto* child = Make("inside", o);
    child->SetInputRect(true, {0, 0, 100, 100});
    vK_RecordingRender render(1024, 768);
    vK_Rect seen;
    child->on_draw = [&](TraceObject*) { seen = render.GetCropStack().back(); };
    origin->Draw(render, root_state);
    EXPECT_EQ(seen, (vK_Rect{12, 23, 10, 15}));
    EXPECT_TRUE(render.GetCropStack().empty());
    EXPECT_EQ(origin->InputTest(Event(vK_InputEvent::kPointerDown, 15, 25), nullptr, root_state), child);
    EXPECT_EQ(origin->InputTest(Event(vK_InputEvent::kPointerDown, 30, 25), nullptr, root_state), nullptr);
}

TEST_F(ObjectTest, PropertiesRoundTripAndWrongTypesKeepTheField) {
    vK_ScriptHub hub;
    vK_Object* o = Make("props", storage);
    vK_DataTable in;
    in.SetFloat("pos_x", 1.5f);
    in.SetString("pos_y", "2.5");  // strings convert
    in.SetInt("pos_z", 3);
    in.SetFloat("ang", 0.5f);
    in.SetFloat("scale_x", 2);
    in.SetFloat("scale_y", 3);
    in.SetFloat("alp", 0.25f);
    in.SetFloat("color_g", 0.5f);
    in.SetInt("blendmode", 2);
    in.SetInt("attachtype", 1);
    in.SetString("anim_tag", "arm");
    in.SetBool("visible", false);
    in.SetBool("drag", true);
    in.SetBool("inputrect_init", true);
    in.SetFloat("inputrect_w", 7);
    in.SetFloat("drawoff_x", 4);
    in.SetString("event_mup", "x = 1");
    in.SetTable("user_data")->SetInt("level", 3);
    in.SetString("res", "gfx/thing");
    o->SetProperties(in);

    vK_DataTable out;
    o->GetProperties(out, true);
    struct Expect {
        const char* key;
        std::string text;
    };
    const Expect expected[] = {
        {"name", "props"},       {"pos_x", "1.5"},       {"pos_y", "2.5"},    {"pos_z", "3"},
        {"ang", "0.5"},          {"scale_x", "2"},       {"alp", "0.25"},     {"color_r", "1"},
        {"color_g", "0.5"},      {"blendmode", "2"},     {"attachtype", "1"}, {"anim_tag", "arm"},
        {"visible", "0"},        {"active", "1"},        {"drag", "1"},       {"inputrect_w", "7"},
        {"inputrect_init", "1"}, {"croprect_init", "0"}, {"drawoff_x", "4"},  {"event_mup", "x = 1"},
        {"event_mdown", ""},     {"res", "gfx/thing"},   {"draw_width", "0"}};
    for (const Expect& e : expected) {
        ASSERT_TRUE(out.Has(e.key)) << e.key;
        EXPECT_EQ(out.Get(e.key)->ToString(), e.text) << e.key;
    }
    EXPECT_FALSE(out.Has("croprect_x"));
    EXPECT_FALSE(out.Has("batch"));
    EXPECT_EQ(out.Get("user_data")->AsTable()->Get("level")->GetInt(), 3);
    EXPECT_EQ(out.Get("pos_x")->GetTag(), vK_Data::kFloat);
    EXPECT_EQ(out.Get("event_mup")->GetTag(), vK_Data::kScriptFunction);

    vK_DataTable partial;
    o->GetProperties(partial, false);
    EXPECT_FALSE(partial.Has("user_data"));
    EXPECT_FALSE(partial.Has("draw_width"));

    vK_LogCapture log;
    vK_DataTable bad;
    bad.SetTable("pos_x");
    bad.SetArray("active");
    bad.SetTable("blendmode");
    bad.SetInt("event_mdown", 4);
    bad.SetInt("user_data", 1);
    o->SetProperties(bad);
    EXPECT_TRUE(log.Contains("Error: Can not convert a value of 'pos_x' (Data_Table) to Data_Float"));
    EXPECT_TRUE(log.Contains("Error: Can not convert a value of 'active' (Data_Array) to Data_Bool"));
    EXPECT_TRUE(log.Contains("Error: Can not convert a value of 'blendmode' (Data_Table) to Data_Int"));
    EXPECT_TRUE(
        log.Contains("Error: Can not convert a value of 'event_mdown' (Data_Int) to Data_ScriptFunction"));
    EXPECT_EQ(o->GetX(), 1.5f);
    EXPECT_TRUE(o->IsActive());
    EXPECT_EQ(o->GetOwnParams().blend, 2);
    EXPECT_EQ(o->GetUserData(), nullptr);  // a value that is not a table leaves none
}

TEST_F(ObjectTest, CyclesAndRootMovesAreRefused) {
    vK_Object* a = Make("a", origin);
    vK_Object* b = Make("b", a);
    vK_Object* c = Make("c", b);
    vK_LogCapture log;
    EXPECT_FALSE(c->AddChild(a));
    EXPECT_FALSE(b->AddChild(b));
    EXPECT_FALSE(c->AddChild(nullptr));
    EXPECT_FALSE(a->AddChild(origin));
    EXPECT_FALSE(storage->AddChild(origin));
    EXPECT_FALSE(vK_Object::Destroy(origin));
    EXPECT_TRUE(log.Contains("Error: the scene root vk_origin can not be deleted"));
    EXPECT_EQ(c->GetParent(), b);
    EXPECT_EQ(b->GetParent(), a);
    EXPECT_EQ(a->GetParent(), origin);
    EXPECT_EQ(origin->GetParent(), nullptr);
    EXPECT_EQ(origin->GetChildCount(true), 3u);
    vK_Object stack_object("stack");  // not managed by the tree: never adopted by AddChild
    EXPECT_FALSE(a->AddChild(&stack_object));
}

TEST_F(ObjectTest, EnterAndLeaveFollowSubtreesBetweenRoots) {
    TraceObject* a = Make("a", storage);
    TraceObject* b = Make("b", a);
    TraceObject* c = Make("c", b);
    TraceObject* other = Make("other", origin);
    g_trace.clear();
    origin->AddChild(a);
    EXPECT_EQ(g_trace, (std::vector<std::string>{"enter:c", "enter:b", "enter:a"}));
    g_trace.clear();
    other->AddChild(b);  // already in the scene: nothing happens
    EXPECT_TRUE(g_trace.empty());
    storage->AddChild(other);
    EXPECT_EQ(g_trace, (std::vector<std::string>{"leave:other", "leave:b", "leave:c"}));
    EXPECT_EQ(a->enters, 1);
    EXPECT_EQ(c->enters, 1);
    EXPECT_EQ(c->leaves, 1);
    EXPECT_TRUE(a->IsInScene());
    EXPECT_FALSE(c->IsInScene());
}

TEST_F(ObjectTest, SameNamedObjectsKeepTheLiveOneRegistered) {
    vK_Object* first = Make("twin", storage);
    vK_Object* second = Make("twin", storage);
    EXPECT_EQ(vK_Object::FindObject("twin"), second);
    vK_Object::Destroy(first);
    EXPECT_EQ(vK_Object::FindObject("twin"), second);
    first = Make("twin", storage);
    EXPECT_EQ(vK_Object::FindObject("twin"), first);
    second->SetName("renamed");  // the entry of "twin" is first's and stays
    EXPECT_EQ(vK_Object::FindObject("twin"), first);
    EXPECT_EQ(vK_Object::FindObject("renamed"), second);
    vK_Object::Destroy(second);
    EXPECT_EQ(vK_Object::FindObject("renamed"), nullptr);
}

TEST_F(ObjectTest, SceneRootsKeepTheirNames) {
    vK_LogCapture log;
    vK_Object* impostor = Make("vk_origin", storage);
    vK_Object* renamed = Make("plain", storage);
    renamed->SetName("vk_storage");
    EXPECT_EQ(vK_Object::FindObject("vk_origin"), origin);
    EXPECT_EQ(vK_Object::FindObject("vk_storage"), storage);
    EXPECT_TRUE(log.Contains("Warning: the name vk_origin belongs to a scene root"));
    vK_Object::Destroy(impostor);  // leaves the root's entry alone
    EXPECT_EQ(vK_Object::FindObject("vk_origin"), origin);
}

TEST_F(ObjectTest, DeletionDuringUpdateDrawAndHitTestIsSafe) {
    vK_ScriptHub hub;
    TraceObject* a = Make("a", origin, 0);
    TraceObject* b = Make("b", origin, 1);
    TraceObject* c = Make("c", origin, 2);
    TraceObject* b_child = Make("b_child", b, 0);
    TraceObject* d = Make("d", origin, 3);
    // a deletes b (with its child) and itself, and moves c under storage.
    a->on_update = [&](TraceObject* self) {
        vK_Object::Destroy(b);
        storage->AddChild(c);
        vK_Object::Destroy(self);
    };
    g_trace.clear();
    origin->Update(frame);
    EXPECT_EQ(g_trace, (std::vector<std::string>{"u:a", "leave:c", "u:d"}));
    EXPECT_EQ(vK_Object::FindObject("b_child"), nullptr);
    EXPECT_EQ(origin->GetChildCount(false), 1u);
    (void)b_child;

    // d deletes itself while drawn; e, drawn after it, still draws.
    TraceObject* e = Make("e", origin, 4);
    d->on_draw = [](TraceObject* self) { vK_Object::Destroy(self); };
    vK_RecordingRender render(1024, 768);
    g_trace.clear();
    origin->Draw(render, root_state);
    EXPECT_EQ(g_trace, (std::vector<std::string>{"d:d", "d:e"}));

    // The topmost object deletes its parent while hit-tested.
    TraceObject* f = Make("f", e, 0);
    f->SetInputRect(true, {0, 0, 10, 10});
    f->on_hit = [&](TraceObject*) { vK_Object::Destroy(e); };
    EXPECT_EQ(origin->InputTest(Event(vK_InputEvent::kPointerMove, 5, 5), nullptr, root_state), f);
    EXPECT_TRUE(f->IsDead());
    EXPECT_GT(vK_Object::GetGraveyardSize(), 0u);
    vK_Object::FlushGraveyard();
    EXPECT_EQ(vK_Object::GetGraveyardSize(), 0u);
    EXPECT_EQ(origin->GetChildCount(true), 0u);
    origin->Update(frame);
    origin->Draw(render, root_state);
}

TEST_F(ObjectTest, DeletingHoveredAndDraggedObjectsClearsTheSceneReferences) {
    vK_ScriptHub hub;
    vK_Object* hovered = Make("hovered", origin);
    vK_DataTable leave;
    leave.SetString("event_mleave", "left = vk_params.sender");
    hovered->SetProperties(leave);
    TraceObject* parent = Make("parent", origin);
    vK_Object* dragged = Make("dragged", parent);
    dragged->SetDragPosition(300, 400, 0);
    g_hovered = hovered;
    g_dragged = dragged;
    vK_RecordingRender render(1024, 768);
    origin->Draw(render, root_state);
    float x, y;
    dragged->GetWorldMatrix().Transform(0, 0, x, y);
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 400);
    std::weak_ptr<vK_Object*> ref = dragged->GetWeakRef();

    vK_Object::Destroy(hovered);
    vK_Object::Destroy(parent);
    EXPECT_EQ(g_hovered, nullptr);
    EXPECT_EQ(g_dragged, nullptr);
    EXPECT_EQ(g_forgotten, (std::vector<std::string>{"hovered", "parent", "dragged"}));
    EXPECT_EQ(*ref.lock(), nullptr);
    vK_Object::FlushGraveyard();
    EXPECT_TRUE(ref.expired());
    hub.RunDeferredHandlers();
    EXPECT_EQ(hub.GetGlobal("left")->ToString(), "hovered");
    origin->Update(frame);
    origin->Draw(render, root_state);
}

TEST_F(ObjectTest, FactoryCreatesAndClonesObjects) {
    EXPECT_EQ(vK_Object::CreateObject("no_such_type", "x"), nullptr);
    vK_Object* src = vK_Object::CreateObject("obj", "src");
    ASSERT_NE(src, nullptr);
    EXPECT_EQ(vK_Object::FindObject("src"), src);
    EXPECT_EQ(src->GetType(), "obj");
    vK_DataTable t;
    t.SetFloat("pos_x", 9);
    t.SetTable("user_data");
    src->SetProperties(t);
    Make("kid", src);
    vK_Object* shallow = vK_Object::CloneObject(src, "_s", false);
    vK_Object* deep = vK_Object::CloneObject(src, "_d", true);
    ASSERT_NE(shallow, nullptr);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(shallow->GetName(), "src_s");
    EXPECT_EQ(shallow->GetX(), 9);
    EXPECT_EQ(shallow->GetUserData(), nullptr);
    EXPECT_EQ(shallow->GetChildCount(false), 0u);
    EXPECT_EQ(deep->GetChildCount(false), 1u);
    EXPECT_EQ(vK_Object::FindObject("kid_d"), deep->GetChild(0));
    EXPECT_EQ(deep->GetChild(0)->GetType(), "trace");
    EXPECT_EQ(deep->GetParent(), nullptr);
}

TEST_F(ObjectTest, RemovedChildrenStayLooseUntilDestroyed) {
    vK_Object* a = Make("a", storage);
    vK_Object* b = Make("b", a);
    size_t loose = vK_Object::GetLooseCount();
    EXPECT_EQ(a->RemoveChildByName("b", false), b);
    EXPECT_EQ(vK_Object::GetLooseCount(), loose + 1);
    EXPECT_EQ(vK_Object::FindObject("b"), b);
    EXPECT_TRUE(origin->AddChild(b));
    EXPECT_EQ(vK_Object::GetLooseCount(), loose);
    b->Detach();
    EXPECT_EQ(b->GetParent(), nullptr);
    EXPECT_TRUE(vK_Object::Destroy(b));
    EXPECT_FALSE(vK_Object::Destroy(b));
    EXPECT_EQ(vK_Object::GetLooseCount(), loose);
    EXPECT_EQ(vK_Object::FindObject("b"), nullptr);
}
