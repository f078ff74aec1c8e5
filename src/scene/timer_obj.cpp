#include "scene/timer_obj.h"

#include <cmath>

#include "core/frame_info.h"
#include "data/data.h"
#include "scene/property_table.h"

void vK_TimerObj::RegisterType() {
    RegisterObjectType(
        "timer", []() -> std::unique_ptr<vK_Object> { return std::make_unique<vK_TimerObj>(); },
        {"An invisible countdown that queues endtrig once when \"time\" seconds have run out (or, infinite, "
         "a stopwatch counting up); it counts only in an active branch of the live scene.",
         &TimerProperties, "obj"});
}

const vK_PropertyTable& vK_TimerObj::TimerProperties() {
    using namespace vK_Props;
    static const vK_PropertyTable table(
        &ObjectProperties(),
        {
            Bool("infinite", false,
                 [](vK_Object& o) -> void* { return &static_cast<vK_TimerObj&>(o).infinite_; }),
            Handler("endtrig",
                    [](vK_Object& o) -> void* { return &static_cast<vK_TimerObj&>(o).endHandler_; }),
            Bool("playing", false,
                 [](vK_Object& o) -> void* { return &static_cast<vK_TimerObj&>(o).playing_; }),
            Float("time", 0, [](vK_Object& o) -> void* { return &static_cast<vK_TimerObj&>(o).time_; }),
        });
    return table;
}

void vK_TimerObj::SetProperties(const vK_DataTable& table) {
    ApplyProperties(TimerProperties(), table);
    // A countdown from a time that is not a number would never end.
    if (!std::isfinite(time_)) time_ = 0.0f;
}

void vK_TimerObj::GetProperties(vK_DataTable& table, bool full) const {
    TimerProperties().Write(*this, table, full);
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
    QueueHandler(endHandler_, GetName());
}
