// vK_Object's draw walk: crop, the object itself, then its children.
#include <cmath>

#include "graphics/render.h"
#include "scene/object.h"

void vK_Object::Draw(vK_Render& render, const vK_DrawParams& parent) {
    if (!visible_) return;
    vK_DrawParams state = ComputeDrawState(parent, 0);
    state.key = parent.key + blurRadius_;
    bool cropped = false;
    if (cropRectEnabled_) {
        vK_Rect r;
        world_.Transform(cropRect_.x, cropRect_.y, r.x, r.y);
        r.w = cropRect_.w * std::hypot(world_.M11(), world_.M12());
        r.h = cropRect_.h * std::hypot(world_.M21(), world_.M22());
        cropped = render.PushCrop(r);
    }
    DrawSelf(render, state);
    if (drawChildren_) DrawChildren(render, state);
    if (cropped) render.PopCrop();
}

void vK_Object::DrawSelf(vK_Render& /*render*/, const vK_DrawParams& /*state*/) {}

void vK_Object::DrawChildren(vK_Render& render, const vK_DrawParams& state) {
    if (children_.empty()) return;  // most objects are leaves: no snapshot to take
    for (vK_Object* child : SnapshotChildren()) {
        if (IsLiveChild(child)) child->Draw(render, state);
    }
}
