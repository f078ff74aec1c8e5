#include "scene/timer_obj.h"

#include <cmath>

#include "core/frame_info.h"
#include "data/data.h"
#include "scene/handler_property.h"
#include "script/script_hub.h"

void vK_TimerObj::RegisterType() {
    RegisterObjectType("timer",
                       []() -> std::unique_ptr<vK_Object> { return std::make_unique<vK_TimerObj>(); });
}

void vK_TimerObj::SetProperties(const vK_DataTable& table) {
    vK_Object::SetProperties(table);
    table.GetBool("infinite", infinite_);
    ReadHandlerProperty(table, "endtrig", endHandler_);
    table.GetBool("playing", playing_);
    table.GetFloat("time", time_);
    // A countdown from a time that is not a number would never end.
    if (!std::isfinite(time_)) time_ = 0.0f;
}

void vK_TimerObj::GetProperties(vK_DataTable& table, bool full) const {
    vK_Object::GetProperties(table, full);
    table.SetBool("infinite", infinite_);
    table.SetScriptFunction("endtrig", endHandler_);
    table.SetBool("playing", playing_);
    table.SetFloat("time", time_);
}

void vK_TimerObj::Reset() {
    vK_Object::Reset();
    time_ = 0.0f;
    infinite_ = false;
    playing_ = false;
}

void vK_TimerObj::Tick(const vK_FrameInfo& frame) {
    vK_Object::Tick(frame);
    if (!playing_) return;
    if (infinite_) {
        time_ += frame.dt;
        return;
    }
    time_ -= frame.dt;
    if (time_ > 0.0f) return;
    time_ = 0.0f;
    playing_ = false;
    if (vK_ScriptHub* hub = vK_ScriptHub::Instance()) hub->CallHandler(endHandler_, GetName(), true);
}
