#include "game/widgets/scroll_container.h"

#include <cmath>

#include "core/frame_info.h"
#include "core/input_event.h"
#include "files/log.h"
#include "game/widgets/display_size.h"
#include "scene/property_table.h"
#include "scene/scene.h"

namespace {

bool SetScrollPosProperty(vK_Object& object, const vK_Data& value, const char* key) {
    int32_t scrollpos = 0;
    if (!vK_Props::Read(value, key, scrollpos)) return false;
    static_cast<vY_ScrollContainer&>(object).SetScrollPos(scrollpos);
    return true;
}

void GetScrollPosProperty(const vK_Object& object, vK_DataTable& table, const char* key) {
    table.SetInt(key, static_cast<const vY_ScrollContainer&>(object).GetScrollPos());
}

}  // namespace

void vY_ScrollContainer::RegisterType() {
    RegisterObjectType("scrollcontainer",
                       []() -> std::unique_ptr<vK_Object> { return std::make_unique<vY_ScrollContainer>(); },
                       {"Lays its children out in a row or column of equal cells and shows the window of "
                        "them its crop rectangle covers, scrolled by whole cells with drag or wheel.",
                        &ScrollContainerProperties, "obj"});
}

const vK_PropertyTable& vY_ScrollContainer::ScrollContainerProperties() {
    using namespace vK_Props;
    using C = vY_ScrollContainer;
    static const vK_PropertyTable table(
        &ObjectProperties(),
        {
            Bool("horizontal", true, [](vK_Object& o) -> void* { return &static_cast<C&>(o).horizontal_; }),
            Float(
                "cellsize", kDefaultCellSize,
                [](vK_Object& o) -> void* { return &static_cast<C&>(o).cellsize_; }, vK_Property::kRefresh),
            Custom("scrollpos", &SetScrollPosProperty, &GetScrollPosProperty, vK_Property::kFullOnly),
            Handler("begindragtrig", [](vK_Object& o) -> void* { return &static_cast<C&>(o).beginDrag_; }),
            Handler("enddragtrig", [](vK_Object& o) -> void* { return &static_cast<C&>(o).endDrag_; }),
            Bool("dragenabled", true, [](vK_Object& o) -> void* { return &static_cast<C&>(o).dragenabled_; }),
        });
    return table;
}

vY_ScrollContainer::vY_ScrollContainer(const std::string& name) : vK_Object(name) {}

void vY_ScrollContainer::SetProperties(const vK_DataTable& table) {
    const float previous = cellsize_;
    if (!(ApplyProperties(ScrollContainerProperties(), table) & vK_PropertyTable::kAppliedRefresh)) return;
    // Every step divides by the cell size.
    if (!(cellsize_ > 0.0f) || !std::isfinite(cellsize_)) {
        Log("Error: scrollcontainer \"%s\": cellsize %f is not positive, keeping %f", GetName().c_str(),
            cellsize_, previous);
        cellsize_ = previous;
    }
}

void vY_ScrollContainer::GetProperties(vK_DataTable& table, bool full) const {
    ScrollContainerProperties().Write(*this, table, full);
}

void vY_ScrollContainer::SetScrollPos(int scrollpos) {
    scrollpos_ = scrollpos;
    offset_ = 0.0f;
    pressed_ = dragging_ = false;
    pending_ = 0.0f;
    speed_ = 0.0f;
}

void vY_ScrollContainer::Window(float& origin, float& extent) const {
    const vK_Rect& crop = GetCropRect();
    origin = horizontal_ ? crop.x : crop.y;
    extent = horizontal_ ? crop.w : crop.h;
}

int vY_ScrollContainer::LastStart() const {
    float origin = 0.0f, extent = 0.0f;
    Window(origin, extent);
    const int last =
        static_cast<int>(GetChildCount(false)) - static_cast<int>(std::floor(extent / cellsize_));
    return last > 0 ? last : 0;
}

void vY_ScrollContainer::Layout(float dt) {
    if (!dragenabled_) return;
    const size_t n = GetChildCount(false);
    float origin = 0.0f, extent = 0.0f;
    Window(origin, extent);
    offset_ += pending_;
    speed_ = dt > 0.0f ? pending_ / dt : 0.0f;
    pending_ = 0.0f;
    const float total = static_cast<float>(n) * cellsize_;
    const float start = extent < total
                            ? origin - static_cast<float>(scrollpos_) * cellsize_ + offset_ + cellsize_ / 2
                            : (extent - total) / 2 + origin + cellsize_ / 2 + offset_;
    // The first layout puts the children in place; later ones glide half-way per step.
    const float k = needsLayout_ ? 0.5f : 1.0f;
    needsLayout_ = false;
    for (size_t i = 0; i < n; ++i) {
        vK_Object* child = GetChild(i);
        const float q = horizontal_ ? child->GetX() : child->GetY();
        const float next = q + (static_cast<float>(i) * cellsize_ + start - q) / (2 * k);
        if (horizontal_)
            child->SetPosition(next, child->GetY());
        else
            child->SetPosition(child->GetX(), next);
    }
    if ((dragging_ || pressed_) && std::fabs(offset_) >= cellsize_) {
        const bool atEnd = scrollpos_ == LastStart() && offset_ < 0;
        const bool atStart = scrollpos_ == 0 && offset_ > 0;
        if (!atEnd && !atStart) {
            Shift();
            offset_ = 0.0f;
        }
    }
    if (!dragging_) {
        if (std::fabs(offset_) > 0.01f) {
            offset_ /= 2;
        } else {
            offset_ = 0.0f;
            speed_ = 0.0f;
        }
    }
}

void vY_ScrollContainer::Shift() {
    const int cells = std::max(1, static_cast<int>(std::round(std::fabs(offset_ / cellsize_))));
    if (offset_ < 0) {
        scrollpos_ += cells;
        const int last = LastStart();
        if (scrollpos_ > last)
            scrollpos_ = last;
        else
            offset_ += static_cast<float>(cells) * cellsize_;
    } else {
        scrollpos_ -= cells;
        if (scrollpos_ >= 0)
            offset_ -= static_cast<float>(cells) * cellsize_;
        else
            scrollpos_ = 0;
    }
}

void vY_ScrollContainer::Tick(const vK_FrameInfo& frame) {
    vK_Object::Tick(frame);
    Layout(frame.dt);
}

void vY_ScrollContainer::DrawSelf(vK_Render& render, const vK_DrawParams& state) {
    if (needsLayout_) Layout(0.0f);
    vK_Object::DrawSelf(render, state);
}

void vY_ScrollContainer::EndDrag() {
    if (dragging_ || pressed_) {
        if (std::fabs(offset_) > 0.1f * cellsize_) Shift();
        QueueHandler(endDrag_, GetName());
    }
    dragging_ = pressed_ = false;
    SetInputChildren(true);
}

bool vY_ScrollContainer::HandleInput(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state) {
    const bool handled = vK_Object::HandleInput(event, hit, state);
    if (!event.IsPointerOrWheel()) return false;
    const bool outside = event.flag || (!handled && (!hit || !FindChild(hit->GetName(), true)));
    if (outside) {
        EndDrag();
        return false;
    }
    // The pointer along the axis, in reference units.
    const float coordinate =
        horizontal_ ? event.x * 1024.0f / GameDisplayWidth() : event.y * 768.0f / GameDisplayHeight();
    switch (event.type) {
        case vK_InputEvent::kPointerDown:
            lastPointer_ = coordinate;
            pressed_ = true;
            speed_ = 0.0f;
            break;
        case vK_InputEvent::kPointerUp:
        case vK_InputEvent::kPointerLeave:
            EndDrag();
            speed_ = 0.0f;
            break;
        case vK_InputEvent::kPointerMove:
            if (pressed_ && std::fabs(lastPointer_ - coordinate) > kDragDistance) {
                pressed_ = false;
                dragging_ = true;
                // The children stop seeing the pointer while it drags the row.
                SetInputChildren(false);
                if (vK_Scene* scene = vK_Scene::Instance()) scene->RunMouseUpWaiters();
                QueueHandler(beginDrag_, GetName());
            }
            if (dragging_) {
                pending_ += coordinate - lastPointer_;
                lastPointer_ = coordinate;
            }
            break;
        case vK_InputEvent::kWheel:
            QueueHandler(beginDrag_, GetName());
            if (event.code < 1 && scrollpos_ < LastStart())
                ++scrollpos_;
            else if (event.code > 0 && scrollpos_ > 0)
                --scrollpos_;
            QueueHandler(endDrag_, GetName());
            break;
        default:
            break;
    }
    // The container never takes the event from what lies below it.
    return false;
}
