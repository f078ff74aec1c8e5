// vK_Object's input walk and hit test, and its script event handlers.
#include "core/input_event.h"
#include "scene/object.h"

bool vK_Object::HitTest(float x, float y, const vK_DrawParams& state) const {
    return inputRectEnabled_ && PointInRect(x, y, inputRect_, state.matrix);
}

vK_Object* vK_Object::InputTest(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& parent) {
    if (!input_ || dead_) return hit;
    vK_DrawParams state = ComputeDrawState(parent, 0);
    vK_InputEvent copy = event;
    if (cropRectEnabled_ && !PointInRect(event.x, event.y, cropRect_, world_)) copy.flag = true;
    if (inputChildren_) hit = InputChildren(copy, hit, state);
    bool handled = HandleInput(copy, hit, state);
    return (!hit && handled) ? this : hit;
}

vK_Object* vK_Object::InputChildren(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state) {
    if (children_.empty()) return hit;  // most objects are leaves: no snapshot to take
    std::vector<vK_Object*> snapshot = SnapshotChildren();
    for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
        if (IsLiveChild(*it)) hit = (*it)->InputTest(event, hit, state);
    }
    return hit;
}

bool vK_Object::HandleInput(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state) {
    if (event.type == vK_InputEvent::kKeyDown || event.type == vK_InputEvent::kKeyUp) return false;
    if (hit || event.flag) return false;
    if (!HitTest(event.x, event.y, state)) return false;
    vK_Object* dragged = GetDraggedObject();
    if (dragged == this) return false;  // the dragged object is transparent
    if (!dragged) {
        if (event.type == vK_InputEvent::kPointerDown) QueueEvent(kEventMouseDown);
        if (event.type == vK_InputEvent::kPointerUp) QueueEvent(kEventMouseUp);
    }
    return true;
}

// ---- events -------------------------------------------------------------------------------------

const vK_DataScriptFunction& vK_Object::GetHandler(int event) const {
    static const vK_DataScriptFunction empty;
    return (event >= 0 && event < kEventCount) ? handlers_[event] : empty;
}

void vK_Object::SetHandler(int event, const vK_DataScriptFunction& handler) {
    if (event >= 0 && event < kEventCount) handlers_[event].CopyFrom(handler);
}

bool vK_Object::QueueEvent(int event) {
    if (event < 0 || event >= kEventCount) return false;
    return QueueHandler(handlers_[event], name_);
}

namespace {
constinit vK_Seam<vK_ObjectScriptHooks> g_script_hooks("object script hooks");
}  // namespace

vK_Seam<vK_ObjectScriptHooks>& vK_Object::ScriptHookSeam() { return g_script_hooks; }

bool vK_Object::QueueHandler(const vK_DataScriptFunction& handler, const std::string& sender) {
    auto queue = g_script_hooks.Get().queue;
    if (handler.IsEmpty() || !queue) return false;
    return queue(handler, sender);
}

vK_ScriptHandle vK_Object::CompileHandler(const std::string& code) {
    auto compile = g_script_hooks.Get().compile;
    return compile ? compile(code) : vK_ScriptHandle();
}
