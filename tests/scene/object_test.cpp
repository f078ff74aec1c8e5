#include "scene/object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>

#include "files/log.h"
#include "scene/object_fixture.h"

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
