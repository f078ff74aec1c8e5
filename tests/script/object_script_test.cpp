// Scripts driving objects end to end through a few test-only native functions (the
// engine's script API is registered elsewhere).
#include <gtest/gtest.h>

#include <lua.hpp>

#include "core/frame_info.h"
#include "core/input_event.h"
#include "files/log.h"
#include "scene/object.h"
#include "script/script_hub.h"

namespace {
void Create(const vK_ScriptArgs& args, void* storage, vK_DataArray&) {
    if (args.Size() < 2) return;
    if (vK_Object* o = vK_Object::CreateObject(args.GetAt(1)->ToString(), args.GetAt(0)->ToString())) {
        static_cast<vK_Object*>(storage)->AddChild(o);
    }
}
void Set(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Object* o = args.Size() >= 2 ? vK_Object::FindObject(args.GetAt(0)->ToString()) : nullptr;
    if (o && args.GetAt(1)->AsTable()) o->SetProperties(*args.GetAt(1)->AsTable());
}
void Get(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    vK_Object* o = args.Size() >= 1 ? vK_Object::FindObject(args.GetAt(0)->ToString()) : nullptr;
    if (!o) return;
    vK_DataTable* t = new vK_DataTable();
    o->GetProperties(*t, true);
    results.Push(t);
}
void Attach(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Object* child = args.Size() >= 2 ? vK_Object::FindObject(args.GetAt(0)->ToString()) : nullptr;
    vK_Object* parent = args.Size() >= 2 ? vK_Object::FindObject(args.GetAt(1)->ToString()) : nullptr;
    if (child && parent) parent->AddChild(child);
}
void Delete(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    if (args.Size() >= 1) vK_Object::Destroy(vK_Object::FindObject(args.GetAt(0)->ToString()));
}
}  // namespace

TEST(ObjectScript, ScriptsCreateSetReadAndReceiveQueuedHandlersOncePerFrame) {
    vK_ScriptHub hub;
    vK_Object* origin = vK_Object::CreateObject("obj", "vk_origin");
    origin->SetRoot(true);
    origin->EnterScene();
    vK_Object* storage = vK_Object::CreateObject("obj", "vk_storage");
    storage->SetRoot(true);
    hub.RegisterFunction("vk.obj.Create; ObjCreate", &Create, storage);
    hub.RegisterFunction("vk.obj.Set; ObjSet", &Set, nullptr);
    hub.RegisterFunction("vk.obj.Get; ObjGet", &Get, nullptr);
    hub.RegisterFunction("vk.obj.Attach; ObjAttach", &Attach, nullptr);
    hub.RegisterFunction("vk.obj.Delete; ObjDelete", &Delete, nullptr);

    vK_DataScriptFunction setup = hub.CompileCode(
        "clicks = {}\n"
        "ObjCreate('button', 'obj')\n"
        "ObjSet('button', {pos_x = 100, pos_y = 50, inputrect_init = true, inputrect_w = 20, inputrect_h = "
        "10,\n"
        "  event_mdown = function(p) clicks[#clicks + 1] = p.sender; ObjDelete(p.sender);\n"
        "    ObjDelete('vk_origin'); ObjAttach('vk_origin', 'vk_storage') end})\n"
        "ObjAttach('button', 'vk_origin')\n"
        "local props = ObjGet('button')\n"
        "assert(props.pos_x == 100 and props.inputrect_w == 20 and type(props.event_mdown) == 'function')\n"
        "ObjCreate('nothing', 'no_such_type')");
    ASSERT_TRUE(hub.CallFunction(setup, nullptr));
    vK_Object* button = vK_Object::FindObject("button");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetParent(), origin);
    EXPECT_TRUE(button->IsInScene());
    EXPECT_EQ(vK_Object::FindObject("nothing"), nullptr);

    vK_FrameInfo frame{1.0f / 60, 1.0f / 60, 0};
    vK_DrawParams top;
    vK_InputEvent press;
    press.type = vK_InputEvent::kPointerDown;
    press.x = 110;
    press.y = 55;
    origin->Update(frame);
    EXPECT_EQ(origin->InputTest(press, nullptr, top), button);
    EXPECT_EQ(origin->InputTest(press, nullptr, top), button);
    EXPECT_EQ(hub.GetDeferredCount(), 2u);

    // One frame: the queued handlers run (the second finds its object gone), the
    // roots survive the script's attempts, and the freed object is gone at the safe point.
    vK_LogCapture log;
    hub.RunDeferredHandlers();
    origin->Update(frame);
    vK_Object::FlushGraveyard();
    EXPECT_EQ(vK_Object::FindObject("button"), nullptr);
    EXPECT_EQ(vK_Object::FindObject("vk_origin"), origin);
    EXPECT_EQ(origin->GetParent(), nullptr);
    EXPECT_TRUE(log.Contains("Error: the scene root vk_origin can not be deleted"));
    std::unique_ptr<vK_Data> clicks = hub.GetGlobal("clicks");
    ASSERT_NE(clicks->AsArray(), nullptr);
    EXPECT_EQ(clicks->AsArray()->Size(), 2u);
    EXPECT_EQ(clicks->AsArray()->GetAt(0)->ToString(), "button");
    EXPECT_EQ(origin->InputTest(press, nullptr, top), nullptr);
    vK_Object::ReleaseAll();
}
