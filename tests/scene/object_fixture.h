#pragma once
// Objects that record every walk step, a fake scene (drag and hover) and the two roots,
// for the object tests of the scene and of the script host.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/frame_info.h"
#include "core/input_event.h"
#include "scene/object.h"
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
        sceneHooks = vK_Object::SceneHookSeam().Install(hooks);
        origin = vK_Object::CreateObject("obj", "vk_origin");
        origin->SetRoot(true);
        origin->EnterScene();
        storage = vK_Object::CreateObject("obj", "vk_storage");
        storage->SetRoot(true);
    }
    void TearDown() override {
        vK_Object::ReleaseAll();
        sceneHooks.Reset();
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
    vK_Seam<vK_ObjectSceneHooks>::Registration sceneHooks;
};

}  // namespace
