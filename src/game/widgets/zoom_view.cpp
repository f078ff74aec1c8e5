#include "game/widgets/zoom_view.h"

#include <cmath>

#include "core/frame_info.h"
#include "core/input_event.h"
#include "core/vrakko.h"
#include "files/log.h"
#include "game/widgets/display_size.h"
#include "scene/property_table.h"

namespace {

// Slots farther than this from a pointer event are not that pointer.
constexpr float kSlotReach = 100000.0f;

vK_Object* Resolve(const std::weak_ptr<vK_Object*>& ref) {
    const std::shared_ptr<vK_Object*> alive = ref.lock();
    return alive ? *alive : nullptr;
}

}  // namespace

void vY_ZoomView::RegisterType() {
    RegisterObjectType("zoomview",
                       []() -> std::unique_ptr<vK_Object> { return std::make_unique<vY_ZoomView>(); },
                       {"Holds one content object (its last child) that the player drags with inertia and "
                        "zooms with the wheel within min_scale..max_scale, never uncovering the display.",
                        &ZoomViewProperties, "obj"});
}

const vK_PropertyTable& vY_ZoomView::ZoomViewProperties() {
    using namespace vK_Props;
    using Z = vY_ZoomView;
    static const vK_PropertyTable table(
        &ObjectProperties(),
        {
            Bool("candrag", true, [](vK_Object& o) -> void* { return &static_cast<Z&>(o).candrag_; }),
            Bool("canzoom", true, [](vK_Object& o) -> void* { return &static_cast<Z&>(o).canzoom_; }),
            Float("max_scale", 2, [](vK_Object& o) -> void* { return &static_cast<Z&>(o).maxScale_; }),
            Float("min_scale", 1, [](vK_Object& o) -> void* { return &static_cast<Z&>(o).minScale_; }),
            Float(
                "scale", 1, [](vK_Object& o) -> void* { return &static_cast<Z&>(o).scale_; },
                vK_Property::kRefresh),
            Handler("begindragtrig", [](vK_Object& o) -> void* { return &static_cast<Z&>(o).beginDrag_; }),
            Handler("enddragtrig", [](vK_Object& o) -> void* { return &static_cast<Z&>(o).endDrag_; }),
            Handler("dragtrig", [](vK_Object& o) -> void* { return &static_cast<Z&>(o).drag_; }),
        });
    return table;
}

vY_ZoomView::vY_ZoomView(const std::string& name) : vK_Object(name) {
    bounds_[1] = -GameDisplayHeight();
    bounds_[2] = GameDisplayWidth();
    if (Vrakko* engine = Vrakko::Instance()) engine->AddInputListener(this);
}

vY_ZoomView::~vY_ZoomView() {
    ReleasePointers();
    if (Vrakko* engine = Vrakko::Instance()) engine->RemoveInputListener(this);
}

vK_Object* vY_ZoomView::GetContent() const { return Resolve(content_); }

void vY_ZoomView::SetProperties(const vK_DataTable& table) {
    scale_ = 1.0f;
    position_[0] = position_[1] = 0.0f;
    if (ApplyProperties(ZoomViewProperties(), table) & vK_PropertyTable::kAppliedRefresh)
        ApplyScaleProperty();
}

void vY_ZoomView::GetProperties(vK_DataTable& table, bool full) const {
    ZoomViewProperties().Write(*this, table, full);
}

void vY_ZoomView::ApplyScaleProperty() {
    if (scale_ < minScale_) {
        Log("ScrollView error! scale < min_scale");
        scale_ = minScale_;
    }
    if (scale_ > maxScale_) {
        Log("ScrollView error! scale > max_scale");
        scale_ = maxScale_;
    }
    vK_Object* content = GetContent();
    if (!content) return;
    content->SetScale(scale_, scale_);
    dragging_ = false;
    ReleasePointers();
}

bool vY_ZoomView::AddChild(vK_Object* child) {
    if (!vK_Object::AddChild(child)) return false;
    content_ = child->GetWeakRef();
    return true;
}

void vY_ZoomView::ReleasePointers() { down_[0] = down_[1] = false; }

bool vY_ZoomView::LeaveScene() {
    ReleasePointers();
    return vK_Object::LeaveScene();
}

void vY_ZoomView::OnDeactivate() { ReleasePointers(); }

bool vY_ZoomView::ApplyPosition(float (&p)[2]) {
    const float sw = GameDisplayWidth(), sh = GameDisplayHeight();
    const float fx = sw / 1024.0f, fy = sh / 768.0f;
    const float s = scale_;
    const float l = bounds_[0], t = bounds_[1], r = bounds_[2], b = bounds_[3];
    if (p[0] * fx + l * s > 0) p[0] = (0 - l * s) / fx;
    if (p[0] * fx + (r - l) * s < sw) p[0] = (sw - (r - l) * s) / fx;
    if (p[0] * fx + l * s > 0) return false;  // narrower than the display
    if (p[1] * fy - t * s < sh) p[1] = (sh + t * s) / fy;
    if (p[1] * fy + b * s > 0) p[1] = (0 - b * s) / fy;
    if (p[1] * fy - t * s < sh) return false;
    QueueHandler(drag_, GetName());
    return true;
}

void vY_ZoomView::ApplyToContent() {
    vK_Object* content = GetContent();
    if (!content) return;
    content->SetPosition(position_[0], position_[1]);
    content->SetScale(scale_, scale_);
}

int vY_ZoomView::NearestSlot(float x, float y, bool downOnly) const {
    int best = -1;
    float bestDistance = kSlotReach;
    for (int i = 0; i < 2; ++i) {
        if (downOnly && !down_[i]) continue;
        const float distance = std::hypot(x - pointers_[i][0], y - pointers_[i][1]);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

bool vY_ZoomView::HandleInput(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state) {
    if (event.IsPointerOrWheel() && (!hit || hit == this || IsAncestorOf(hit))) {
        switch (event.type) {
            case vK_InputEvent::kPointerDown:
                OnPointerDown(event, hit);
                break;
            case vK_InputEvent::kPointerUp:
            case vK_InputEvent::kPointerLeave:
                OnPointerUp(event, hit);
                break;
            case vK_InputEvent::kPointerMove:
                OnPointerMove(event);
                break;
            case vK_InputEvent::kWheel:
                if (!canzoom_) return false;
                Zoom(event.code > 0);
                break;
            default:
                break;
        }
    }
    return vK_Object::HandleInput(event, hit, state);
}

void vY_ZoomView::OnPointerDown(const vK_InputEvent& event, vK_Object* /*hit*/) {
    dragging_ = false;
    if (GetDraggedObject()) return;
    const int slots = canzoom_ ? 2 : 1;
    for (int i = 0; i < slots; ++i) {
        if (down_[i]) continue;
        down_[i] = true;
        pointers_[i][0] = press_[0] = event.x;
        pointers_[i][1] = press_[1] = event.y;
        if (vK_Object* content = GetContent()) {
            position_[0] = content->GetX();
            position_[1] = content->GetY();
            scale_ = content->GetScaleX();
        }
        return;
    }
}

void vY_ZoomView::OnPointerMove(const vK_InputEvent& event) {
    if (!candrag_) return;
    if (!dragging_ && std::hypot(event.x - press_[0], event.y - press_[1]) > kDragDistance &&
        (down_[0] || down_[1])) {
        dragging_ = true;
        QueueHandler(beginDrag_, GetName());
    }
    if (!dragging_) return;
    // Only a pressed pointer drags (a slot that was never pressed has no last position).
    const int j = NearestSlot(event.x, event.y, true);
    if (j < 0) return;
    const float old[2] = {position_[0], position_[1]};
    if (!GetDraggedObject()) {
        position_[0] += event.x - pointers_[j][0];
        position_[1] += event.y - pointers_[j][1];
        ApplyPosition(position_);
    }
    pointers_[j][0] = event.x;
    pointers_[j][1] = event.y;
    static const float kWeights[5] = {1, 2, 3, 2, 1};
    velocity_[0] = velocity_[1] = 0.0f;
    for (int i = 0; i < 5; ++i) {
        for (int axis = 0; axis < 2; ++axis) {
            history_[i][axis] = i < 4 ? history_[i + 1][axis] : position_[axis] - old[axis];
            velocity_[axis] += kWeights[i] * history_[i][axis] / 9.0f;
        }
    }
}

void vY_ZoomView::OnPointerUp(const vK_InputEvent& event, vK_Object* /*hit*/) {
    const int j = NearestSlot(event.x, event.y, false);
    if (j >= 0) {
        if (down_[j])
            down_[j] = false;
        else
            down_[1 - j] = false;
    }
    dragging_ = false;
    QueueHandler(endDrag_, GetName());
}

// The wheel does not re-centre on the pointer: the content keeps its origin unless the
// clamp at the new scale has to move it.
void vY_ZoomView::Zoom(bool out) {
    vK_Object* content = GetContent();
    if (!content) return;
    const float oldScale = scale_;
    const float oldPosition[2] = {position_[0], position_[1]};
    const float newScale = content->GetScaleX() + (out ? -kZoomStep : kZoomStep);
    scale_ = newScale;
    const bool covers = ApplyPosition(position_);
    if (!covers || newScale < minScale_ || newScale > maxScale_) {
        scale_ = oldScale;
        position_[0] = oldPosition[0];
        position_[1] = oldPosition[1];
    }
    ApplyToContent();
}

void vY_ZoomView::Tick(const vK_FrameInfo& frame) {
    vK_Object::Tick(frame);
    const float speed = std::hypot(velocity_[0], velocity_[1]);
    vK_Object* content = GetContent();
    if (content && speed == 0.0f) {
        position_[0] = content->GetX();
        position_[1] = content->GetY();
        scale_ = content->GetScaleX();
    }
    if (!down_[0] && !down_[1] && speed > 0.0f) {
        position_[0] += velocity_[0];
        position_[1] += velocity_[1];
        ApplyPosition(position_);
        // Deceleration speed^2 / 100 + 25 per second; the velocity stops, never reverses.
        const float factor = (speed / 100.0f + 25.0f / speed) * frame.dt;
        const float next[2] = {velocity_[0] - velocity_[0] * factor, velocity_[1] - velocity_[1] * factor};
        if (next[0] * velocity_[0] + next[1] * velocity_[1] < 0.0f) {
            velocity_[0] = velocity_[1] = 0.0f;
        } else {
            velocity_[0] = next[0];
            velocity_[1] = next[1];
        }
    }
    ApplyToContent();
}
