#pragma once
#include <string>
#include <utility>
#include <vector>

#include "core/frame_info.h"
#include "core/input_event.h"
#include "data/data.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "script/script_hub.h"

// A script host with the engine's script functions, a scene, and a recorder:
// scripts call Rec(event, sender) and tests read the (event, sender) pairs in
// call order. Frame() runs one frame's deferred handlers and scene update.
class ScriptSceneFixture {
public:
    using Record = std::pair<std::string, std::string>;

    ScriptSceneFixture();
    ~ScriptSceneFixture();

    // A plain object under parent (the live root when null) with an input rectangle
    // and every event handler recording its event name, plus extra properties.
    vK_Object* MakeObject(const std::string& name, float x, float y, float w, float h,
                          const std::string& extra_lua_props = "", vK_Object* parent = nullptr);
    void Press(float x, float y) { Send(vK_InputEvent::kPointerDown, x, y); }
    void Release(float x, float y) { Send(vK_InputEvent::kPointerUp, x, y); }
    void Move(float x, float y) { Send(vK_InputEvent::kPointerMove, x, y); }
    void Send(vK_InputEvent::Type type, float x, float y);
    void Frame(float dt = 1.0f / 60);
    // Runs pending handlers and returns every record since the last call.
    std::vector<Record> Take();
    // Runs Lua text at once; false on a compile or run-time error.
    bool Lua(const std::string& code);
    // The string form of a Lua expression ("<error>" when it fails); leaves no record.
    std::string Eval(const std::string& expr);

    vK_ScriptHub hub;
    vK_Scene* scene = nullptr;
    static std::vector<Record> records;

private:
    vK_Scene* ownedScene_ = nullptr;
};
