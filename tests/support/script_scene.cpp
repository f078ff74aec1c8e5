#include "support/script_scene.h"

#include "script/script_api.h"

std::vector<ScriptSceneFixture::Record> ScriptSceneFixture::records;

namespace {
void Rec(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    const vK_Data* event = args.GetAt(0);
    const vK_Data* sender = args.GetAt(1);
    ScriptSceneFixture::records.emplace_back(event ? event->ToString() : "",
                                             sender ? sender->ToString() : "");
}
}  // namespace

ScriptSceneFixture::ScriptSceneFixture() {
    records.clear();
    hub.Init();
    RegisterScriptApi(hub);
    hub.RegisterFunction("Rec", &Rec, nullptr);
    vK_Object::RegisterEngineTypes();
    ownedScene_ = new vK_Scene();
    scene = ownedScene_;
}

ScriptSceneFixture::~ScriptSceneFixture() {
    delete ownedScene_;
    vK_Object::ReleaseAll();
    hub.Shutdown();
}

vK_Object* ScriptSceneFixture::MakeObject(const std::string& name, float x, float y, float w, float h,
                                          const std::string& extra, vK_Object* parent) {
    vK_Object* object = vK_Object::CreateObject("obj", name);
    static const char* const kShort[] = {"mdown",       "mup",       "menter",   "mleave", "menter_drag",
                                         "mleave_drag", "startdrag", "dragdrop", "drag"};
    std::string props = "return {inputrect_init = 1, inputrect_x = " + std::to_string(x) +
                        ", inputrect_y = " + std::to_string(y) + ", inputrect_w = " + std::to_string(w) +
                        ", inputrect_h = " + std::to_string(h);
    for (int i = 0; i < vK_Object::kEventCount; ++i) {
        props += std::string(", ") + vK_Object::kEventKeys[i] + " = \"Rec('" + kShort[i] +
                 "', vk_params.sender)\"";
    }
    if (!extra.empty()) props += ", " + extra;
    props += "}";
    // Run the constructor snippet and read its table through a global.
    Lua("__props = (function() " + props + " end)()");
    std::unique_ptr<vK_Data> table = hub.GetGlobal("__props");
    if (table && table->AsTable()) object->SetProperties(*table->AsTable());
    (parent ? parent : scene->GetLiveRoot())->AddChild(object);
    return object;
}

void ScriptSceneFixture::Send(vK_InputEvent::Type type, float x, float y) {
    vK_InputEvent event;
    event.type = type;
    event.key = vK_InputEvent::kPointerKey;
    event.x = x;
    event.y = y;
    scene->DispatchInput(event);
}

void ScriptSceneFixture::Frame(float dt) {
    hub.RunDeferredHandlers();
    vK_FrameInfo frame;
    frame.dt = dt;
    frame.elapsed = dt;
    scene->UpdateScene(frame);
    vK_Object::FlushGraveyard();
}

std::vector<ScriptSceneFixture::Record> ScriptSceneFixture::Take() {
    hub.RunDeferredHandlers();
    std::vector<Record> out;
    out.swap(records);
    return out;
}

bool ScriptSceneFixture::Lua(const std::string& code) {
    vK_DataScriptFunction fn = hub.CompileCode(code);
    vK_DataArray no_args;
    return hub.CallFunction(fn, &no_args);
}

std::string ScriptSceneFixture::Eval(const std::string& expr) {
    std::vector<Record> saved;
    saved.swap(records);
    const bool ok = Lua("Rec(tostring(" + expr + "), '')");
    const std::string result = ok && !records.empty() ? records.front().first : "<error>";
    records.swap(saved);
    return result;
}
