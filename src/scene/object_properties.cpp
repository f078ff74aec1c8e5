// The property table of vK_Object: SetProperties and GetProperties.
#include "files/log.h"
#include "scene/object.h"
#include "script/script_hub.h"

void vK_Object::ReadFloat(const vK_DataTable& t, const char* key, float& field) { t.GetFloat(key, field); }

void vK_Object::ReadBool(const vK_DataTable& t, const char* key, bool& field) { t.GetBool(key, field); }

void vK_Object::SetProperties(const vK_DataTable& t) {
    std::string text;
    if (t.GetString("name", text)) SetName(text);
    ReadFloat(t, "pos_x", x_);
    ReadFloat(t, "pos_y", y_);
    ReadFloat(t, "pos_z", z_);
    ReadFloat(t, "ang", angle_);
    ReadFloat(t, "scale_x", scale_x_);
    ReadFloat(t, "scale_y", scale_y_);
    ReadFloat(t, "alp", params_.alpha);
    ReadFloat(t, "color_r", params_.red);
    ReadFloat(t, "color_g", params_.green);
    ReadFloat(t, "color_b", params_.blue);
    t.GetInt("blendmode", params_.blend);
    t.GetInt("attachtype", attach_type_);
    t.GetString("anim_tag", anim_tag_);
    ReadBool(t, "active", active_);
    ReadBool(t, "input", input_);
    ReadBool(t, "visible", visible_);
    ReadBool(t, "drag", drag_);
    ReadBool(t, "realdrag", realdrag_);
    ReadBool(t, "batch", batch_);
    ReadFloat(t, "blur_radius", blur_radius_);
    ReadBool(t, "inputrect_init", input_rect_enabled_);
    if (input_rect_enabled_) {
        ReadFloat(t, "inputrect_x", input_rect_.x);
        ReadFloat(t, "inputrect_y", input_rect_.y);
        ReadFloat(t, "inputrect_w", input_rect_.w);
        ReadFloat(t, "inputrect_h", input_rect_.h);
    }
    ReadBool(t, "croprect_init", crop_rect_enabled_);
    if (crop_rect_enabled_) {
        ReadFloat(t, "croprect_x", crop_rect_.x);
        ReadFloat(t, "croprect_y", crop_rect_.y);
        ReadFloat(t, "croprect_w", crop_rect_.w);
        ReadFloat(t, "croprect_h", crop_rect_.h);
    }
    ReadFloat(t, "drawoff_x", params_.offsetX);
    ReadFloat(t, "drawoff_y", params_.offsetY);
    for (int i = 0; i < kEventCount; ++i) {
        const vK_Data* value = t.Get(kEventKeys[i]);
        if (!value) continue;
        if (value->GetTag() == vK_Data::kScriptFunction) {
            handlers_[i].CopyFrom(*static_cast<const vK_DataScriptFunction*>(value));
        } else if (value->GetTag() == vK_Data::kString) {
            // Handler text is a snippet compiled by the script host.
            vK_ScriptHub* hub = vK_ScriptHub::Instance();
            handlers_[i].SetHandle(hub ? hub->CompileCode(value->ToString()).GetHandle() : nullptr);
        } else {
            Log("Error: Can not convert a value of '%s' (%s) to Data_ScriptFunction", kEventKeys[i],
                value->GetTypeName());
        }
    }
    if (const vK_Data* user = t.Get("user_data")) {
        const vK_DataTable* table = user->AsTable();
        user_data_.reset(table ? static_cast<vK_DataTable*>(table->Clone()) : nullptr);
    }
    if (t.GetString("res", text)) SetResourceName(text);
    transform_dirty_ = true;
}

void vK_Object::GetProperties(vK_DataTable& t, bool full) const {
    t.SetString("name", name_);
    t.SetFloat("pos_x", x_);
    t.SetFloat("pos_y", y_);
    t.SetFloat("pos_z", z_);
    t.SetFloat("ang", angle_);
    t.SetFloat("scale_x", scale_x_);
    t.SetFloat("scale_y", scale_y_);
    t.SetFloat("alp", params_.alpha);
    t.SetFloat("color_r", params_.red);
    t.SetFloat("color_g", params_.green);
    t.SetFloat("color_b", params_.blue);
    t.SetInt("blendmode", params_.blend);
    t.SetInt("attachtype", attach_type_);
    t.SetString("anim_tag", anim_tag_);
    t.SetBool("active", active_);
    t.SetBool("input", input_);
    t.SetBool("visible", visible_);
    t.SetBool("drag", drag_);
    t.SetBool("realdrag", realdrag_);
    t.SetFloat("blur_radius", blur_radius_);
    t.SetBool("inputrect_init", input_rect_enabled_);
    if (input_rect_enabled_) {
        t.SetFloat("inputrect_x", input_rect_.x);
        t.SetFloat("inputrect_y", input_rect_.y);
        t.SetFloat("inputrect_w", input_rect_.w);
        t.SetFloat("inputrect_h", input_rect_.h);
    }
    t.SetBool("croprect_init", crop_rect_enabled_);
    if (crop_rect_enabled_) {
        t.SetFloat("croprect_x", crop_rect_.x);
        t.SetFloat("croprect_y", crop_rect_.y);
        t.SetFloat("croprect_w", crop_rect_.w);
        t.SetFloat("croprect_h", crop_rect_.h);
    }
    t.SetFloat("drawoff_x", params_.offsetX);
    t.SetFloat("drawoff_y", params_.offsetY);
    for (int i = 0; i < kEventCount; ++i) t.SetScriptFunction(kEventKeys[i], handlers_[i]);
    t.SetString("res", resource_name_);
    if (full) {
        if (user_data_) t.Set("user_data", user_data_->Clone());
        vK_Rect r = GetDrawRect();
        t.SetFloat("draw_width", r.w);
        t.SetFloat("draw_height", r.h);
    }
}
