// vK_Object's properties: the property table (SetProperties and GetProperties) and the
// property animations that Tick runs.
#include <typeinfo>

#include "core/frame_info.h"
#include "data/data.h"
#include "scene/object.h"
#include "scene/property_table.h"

const vK_PropertyTable& vK_Object::ObjectProperties() {
    using namespace vK_Props;
    using P = vK_Property;
    static const vK_PropertyTable table(
        nullptr,
        {
            Custom(
                "name",
                [](vK_Object& o, const vK_Data& v, const char* key) {
                    std::string name;
                    if (!Read(v, key, name)) return false;
                    o.SetName(name);
                    return true;
                },
                [](const vK_Object& o, vK_DataTable& t, const char* key) { t.SetString(key, o.name_); }),
            Float(
                "pos_x", 0, [](vK_Object& o) -> void* { return &o.x_; }, P::kTransform),
            Float(
                "pos_y", 0, [](vK_Object& o) -> void* { return &o.y_; }, P::kTransform),
            Float(
                "pos_z", 0, [](vK_Object& o) -> void* { return &o.z_; }, P::kOrder),
            Float(
                "ang", 0, [](vK_Object& o) -> void* { return &o.angle_; }, P::kTransform),
            Float(
                "scale_x", 1, [](vK_Object& o) -> void* { return &o.scaleX_; }, P::kTransform),
            Float(
                "scale_y", 1, [](vK_Object& o) -> void* { return &o.scaleY_; }, P::kTransform),
            Float("alp", 1, [](vK_Object& o) -> void* { return &o.params_.alpha; }),
            Float("color_r", 1, [](vK_Object& o) -> void* { return &o.params_.red; }),
            Float("color_g", 1, [](vK_Object& o) -> void* { return &o.params_.green; }),
            Float("color_b", 1, [](vK_Object& o) -> void* { return &o.params_.blue; }),
            Int("blendmode", 0, [](vK_Object& o) -> void* { return &o.params_.blend; }),
            Int("attachtype", 0, [](vK_Object& o) -> void* { return &o.attachType_; }),
            String("anim_tag", [](vK_Object& o) -> void* { return &o.animTag_; }),
            Bool("active", true, [](vK_Object& o) -> void* { return &o.active_; }),
            Bool("input", true, [](vK_Object& o) -> void* { return &o.input_; }),
            Bool("visible", true, [](vK_Object& o) -> void* { return &o.visible_; }),
            Bool("drag", false, [](vK_Object& o) -> void* { return &o.drag_; }),
            Bool("realdrag", false, [](vK_Object& o) -> void* { return &o.realdrag_; }),
            // Accepted for existing module files; nothing reads it.
            Bool(
                "batch", false,
                [](vK_Object&) -> void* {
                    static bool ignored = false;
                    return &ignored;
                },
                P::kSetOnly),
            Float("blur_radius", 0, [](vK_Object& o) -> void* { return &o.blurRadius_; }),
            Bool("inputrect_init", false, [](vK_Object& o) -> void* { return &o.inputRectEnabled_; }),
            Float(
                "inputrect_x", 0, [](vK_Object& o) -> void* { return &o.inputRect_.x; }, P::kIfInputRect),
            Float(
                "inputrect_y", 0, [](vK_Object& o) -> void* { return &o.inputRect_.y; }, P::kIfInputRect),
            Float(
                "inputrect_w", 0, [](vK_Object& o) -> void* { return &o.inputRect_.w; }, P::kIfInputRect),
            Float(
                "inputrect_h", 0, [](vK_Object& o) -> void* { return &o.inputRect_.h; }, P::kIfInputRect),
            Bool("croprect_init", false, [](vK_Object& o) -> void* { return &o.cropRectEnabled_; }),
            Float(
                "croprect_x", 0, [](vK_Object& o) -> void* { return &o.cropRect_.x; }, P::kIfCropRect),
            Float(
                "croprect_y", 0, [](vK_Object& o) -> void* { return &o.cropRect_.y; }, P::kIfCropRect),
            Float(
                "croprect_w", 0, [](vK_Object& o) -> void* { return &o.cropRect_.w; }, P::kIfCropRect),
            Float(
                "croprect_h", 0, [](vK_Object& o) -> void* { return &o.cropRect_.h; }, P::kIfCropRect),
            Float("drawoff_x", 0, [](vK_Object& o) -> void* { return &o.params_.offsetX; }),
            Float("drawoff_y", 0, [](vK_Object& o) -> void* { return &o.params_.offsetY; }),
            Handler("event_mdown", [](vK_Object& o) -> void* { return &o.handlers_[kEventMouseDown]; }),
            Handler("event_mup", [](vK_Object& o) -> void* { return &o.handlers_[kEventMouseUp]; }),
            Handler("event_menter", [](vK_Object& o) -> void* { return &o.handlers_[kEventMouseEnter]; }),
            Handler("event_mleave", [](vK_Object& o) -> void* { return &o.handlers_[kEventMouseLeave]; }),
            Handler("event_menter_drag",
                    [](vK_Object& o) -> void* { return &o.handlers_[kEventMouseEnterDrag]; }),
            Handler("event_mleave_drag",
                    [](vK_Object& o) -> void* { return &o.handlers_[kEventMouseLeaveDrag]; }),
            Handler("event_startdrag", [](vK_Object& o) -> void* { return &o.handlers_[kEventStartDrag]; }),
            Handler("event_dragdrop", [](vK_Object& o) -> void* { return &o.handlers_[kEventDragDrop]; }),
            Handler("event_drag", [](vK_Object& o) -> void* { return &o.handlers_[kEventDrag]; }),
            // A value that is not a table leaves no user data; a full GetProperties
            // writes a copy when there is one.
            Custom(
                "user_data",
                [](vK_Object& o, const vK_Data& v, const char*) {
                    const vK_DataTable* user = v.AsTable();
                    o.userData_.reset(user ? static_cast<vK_DataTable*>(user->Clone()) : nullptr);
                    return true;
                },
                [](const vK_Object& o, vK_DataTable& t, const char* key) {
                    if (o.userData_) t.Set(key, o.userData_->Clone());
                },
                P::kFullOnly),
            // Last: loading the resource sees every other key applied.
            Custom(
                "res",
                [](vK_Object& o, const vK_Data& v, const char* key) {
                    std::string name;
                    if (!Read(v, key, name)) return false;
                    o.SetResourceName(name);
                    return true;
                },
                [](const vK_Object& o, vK_DataTable& t, const char* key) {
                    t.SetString(key, o.resourceName_);
                }),
            // A full GetProperties adds the drawn size.
            Custom(
                "draw_width", nullptr,
                [](const vK_Object& o, vK_DataTable& t,
                   const char* key) { t.SetFloat(key, o.GetDrawRect().w); },
                P::kGetOnly | P::kFullOnly),
            Custom(
                "draw_height", nullptr,
                [](const vK_Object& o, vK_DataTable& t,
                   const char* key) { t.SetFloat(key, o.GetDrawRect().h); },
                P::kGetOnly | P::kFullOnly),
        });
    return table;
}

unsigned vK_Object::ApplyProperties(const vK_PropertyTable& table, const vK_DataTable& values) {
    const unsigned applied = table.Apply(*this, values);
    PropertiesApplied(applied);
    return applied;
}

// The local matrix depends only on position, angle and scale (and the animation
// state, which marks it itself): values written again unchanged keep the cached one.
// A new z only asks the parent to sort its children again.
void vK_Object::PropertiesApplied(unsigned applied) {
    if (applied & vK_PropertyTable::kAppliedTransform) transformDirty_ = true;
    if ((applied & vK_PropertyTable::kAppliedOrder) && parent_) parent_->NoteChildOrderChanged();
}

void vK_Object::SetProperties(const vK_DataTable& t) { ApplyProperties(ObjectProperties(), t); }

// Only a plain "obj": a subclass may do more in SetProperties unless it says otherwise.
const vK_PropertyTable* vK_Object::DirectProperties() const {
    return typeid(*this) == typeid(vK_Object) ? &ObjectProperties() : nullptr;
}

void vK_Object::GetProperties(vK_DataTable& t, bool full) const { ObjectProperties().Write(*this, t, full); }

// ---- property animations ------------------------------------------------------------------------

void vK_Object::Tick(const vK_FrameInfo& frame) {
    if (!modifiers_.IsTransformNeutral()) transformDirty_ = true;
    modifiers_ = vK_AnimationModifiers();
    if (animations_.Count() == 0) return;
    std::vector<vK_ScriptHandle> ended;
    if (animations_.Tick(frame.dt, *this, modifiers_, ended)) transformDirty_ = true;
    for (const vK_ScriptHandle& handler : ended) QueueHandler(vK_DataScriptFunction(handler), name_);
}

vK_AnimatedFields vK_Object::AnimatedFields() {
    return {
        {&x_, &y_, &scaleX_, &scaleY_, &angle_, &params_.alpha, &params_.red, &params_.green, &params_.blue},
        &transformDirty_};
}

// Only by-name animations call in; the others write through AnimatedFields.
void vK_Object::SetAnimatedValues(int parameter, const std::string& property, const float* values) {
    if (parameter != kAnimByName) return;
    vK_DataTable table;
    table.SetFloat(property, values[0]);
    SetProperties(table);
}

bool vK_Object::AnimateProperty(int parameter, bool loop, bool additive, const vK_DataScriptFunction& handler,
                                const float* values, int count) {
    if (parameter < 0 || parameter >= kAnimByName) return false;
    return animations_.Animate(parameter, std::string(), loop, additive, handler, values, count);
}

bool vK_Object::AnimatePropertyByName(const std::string& property, bool loop,
                                      const vK_DataScriptFunction& handler, const float* values, int count) {
    return animations_.Animate(kAnimByName, property, loop, false, handler, values, count);
}

bool vK_Object::StopAnimateProperty(int parameter, const std::string& property) {
    return animations_.Stop(parameter, property);
}
