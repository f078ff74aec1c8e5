#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "files/log.h"
#include "scene/object_fixture.h"
#include "script/script_hub.h"

// Object tests that run handlers through the script host.

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
