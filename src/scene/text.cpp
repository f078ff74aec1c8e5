#include "scene/text.h"

#include "data/data.h"
#include "data/string_table.h"
#include "files/log.h"
#include "graphics/font.h"
#include "graphics/matrix.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "graphics/texture.h"
#include "scene/property_table.h"

vK_Text::~vK_Text() = default;

void vK_Text::RegisterType() {
    RegisterObjectType(
        "text", []() -> std::unique_ptr<vK_Object> { return std::make_unique<vK_Text>(); },
        {"A text: a string id (or with disprawtext the text itself) with up to five parameters, rendered in "
         "the font named by \"res\" and aligned to the object's origin.",
         &TextProperties, "obj"});
}

// Every text key re-renders the text, once after all keys.
const vK_PropertyTable& vK_Text::TextProperties() {
    using namespace vK_Props;
    constexpr uint8_t kR = vK_Property::kRefresh;
    static const vK_PropertyTable table(
        &ObjectProperties(),
        {
            String(
                "text", [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).text_; }, kR),
            String(
                "param0", [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).params_[0]; }, kR),
            String(
                "param1", [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).params_[1]; }, kR),
            String(
                "param2", [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).params_[2]; }, kR),
            String(
                "param3", [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).params_[3]; }, kR),
            String(
                "param4", [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).params_[4]; }, kR),
            Bool(
                "disprawtext", false,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).displayRaw_; }, kR),
            Int(
                "maxwidth", -1, [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).maxWidth_; },
                kR),
            Float(
                "linespacing", 1,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.linespacing; }, kR),
            Int(
                "fontsize", 20,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.fontsize; }, kR),
            Int(
                "fonttype", 0,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.fonttype; }, kR),
            Int(
                "align", 1, [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.align; }, kR),
            Int(
                "align_v", 1, [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.align_v; },
                kR),
            Float(
                "fontcolor_r", 1,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.fontcolor[0]; }, kR),
            Float(
                "fontcolor_g", 1,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.fontcolor[1]; }, kR),
            Float(
                "fontcolor_b", 1,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.fontcolor[2]; }, kR),
            Flag(
                "display_shadow", false,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.display_shadow; }, kR),
            Float(
                "shadow_pos_x", 0,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.shadow_pos_x; }, kR),
            Float(
                "shadow_pos_y", 0,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.shadow_pos_y; }, kR),
            Float(
                "shadow_color_r", 0,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.shadow_color[0]; }, kR),
            Float(
                "shadow_color_g", 0,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.shadow_color[1]; }, kR),
            Float(
                "shadow_color_b", 0,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.shadow_color[2]; }, kR),
            Float(
                "shadow_aplha", 1,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.shadow_aplha; }, kR),
            Flag(
                "display_outline", false,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.display_outline; }, kR),
            Float(
                "outline_color_r", 0,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.outline_color[0]; }, kR),
            Float(
                "outline_color_g", 0,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.outline_color[1]; }, kR),
            Float(
                "outline_color_b", 0,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.outline_color[2]; }, kR),
            Int(
                "outline_size", 1,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.outline_size; }, kR),
            Float(
                "outline_alpha", 1,
                [](vK_Object& o) -> void* { return &static_cast<vK_Text&>(o).style_.outline_alpha; }, kR),
        });
    return table;
}

void vK_Text::SetProperties(const vK_DataTable& t) {
    if (ApplyProperties(TextProperties(), t) & vK_PropertyTable::kAppliedRefresh) RefreshText();
}

void vK_Text::GetProperties(vK_DataTable& t, bool full) const { TextProperties().Write(*this, t, full); }

vK_Rect vK_Text::GetDrawRect() const {
    return rendered_ ? rendered_->GetRect(GetOwnParams().frame) : vK_Rect{};
}

void vK_Text::RestoreGraphics(bool recursive) {
    vK_Object::RestoreGraphics(recursive);
    RefreshText();  // generated textures do not survive a device reset
}

void vK_Text::Reset() {
    vK_Object::Reset();
    maxWidth_ = -1;
    displayRaw_ = false;
}

bool vK_Text::EnterScene() {
    if (IsInScene()) return true;
    vK_Object::EnterScene();
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    if (resources == nullptr) return false;
    font_ = std::dynamic_pointer_cast<vK_Font>(resources->GetFont(GetResourceName()));
    if (font_) RefreshText();
    return font_ != nullptr;
}

bool vK_Text::LeaveScene() {
    if (!IsInScene()) return true;
    font_.reset();
    rendered_.reset();
    return vK_Object::LeaveScene();
}

void vK_Text::SetText(const std::string& text, const std::string& p0, const std::string& p1,
                      const std::string& p2, const std::string& p3, const std::string& p4) {
    const std::string* incoming[kParamCount] = {&p0, &p1, &p2, &p3, &p4};
    bool changed = text != text_;
    for (int i = 0; i < kParamCount; ++i) changed = changed || *incoming[i] != params_[i];
    if (!changed) return;
    text_ = text;
    for (int i = 0; i < kParamCount; ++i) params_[i] = *incoming[i];
    RefreshText();
}

void vK_Text::SetFontSize(int size) {
    style_.fontsize = size;
    RefreshText();
}

void vK_Text::SetMaxWidth(int width) {
    maxWidth_ = width;
    RefreshText();
}

void vK_Text::RefreshText() {
    if (!font_) return;
    RenderShown(ResolvedText(), maxWidth_);
}

std::string vK_Text::ResolvedText() const {
    vK_StringTable* strings = vK_StringTable::Instance();
    if (strings == nullptr || displayRaw_) return text_;
    return strings->Get(text_, params_[0], params_[1], params_[2], params_[3], params_[4]);
}

void vK_Text::RenderShown(const std::string& shown, int maxWidth) {
    if (!font_) return;
    rendered_.reset();
    rendered_ = font_->RenderText(shown, maxWidth, style_);
    ++renderCount_;
    if (rendered_ && !HasInputRect()) SetInputRect(false, AlignedBlock());
}

void vK_Text::AlignmentOffset(float& dx, float& dy) const {
    // The rendered block is centred on the origin; alignment moves an edge onto it.
    const float halfWidth = rendered_ ? rendered_->GetWidth() / 2.0f : 0.0f;
    const float halfHeight = rendered_ ? rendered_->GetHeight() / 2.0f : 0.0f;
    dx = style_.align == 0 ? halfWidth : style_.align == 2 ? -halfWidth : 0.0f;
    dy = style_.align_v == 0 ? halfHeight : style_.align_v == 2 ? -halfHeight : 0.0f;
}

vK_Rect vK_Text::AlignedBlock() const {
    if (!rendered_) return {};
    vK_Rect rect = rendered_->GetRect(GetOwnParams().frame);
    float dx, dy;
    AlignmentOffset(dx, dy);
    rect.x += dx;
    rect.y += dy;
    return rect;
}

bool vK_Text::HitTest(float x, float y, const vK_DrawParams& state) const {
    if (HasInputRect()) return vK_Object::HitTest(x, y, state);
    return rendered_ && PointInRect(x, y, AlignedBlock(), state.matrix);
}

void vK_Text::DrawSelf(vK_Render& render, const vK_DrawParams& state) {
    if (!rendered_) return;
    vK_DrawParams aligned = state;
    float dx, dy;
    AlignmentOffset(dx, dy);
    aligned.offsetX += dx;
    aligned.offsetY += dy;
    render.DrawSprite(rendered_, aligned);
}

void vK_Text::DumpLine(bool skip, int indent) const {
    vK_Object::DumpLine(skip, indent);
    if (skip) return;
    const std::string pad(indent > 1 ? static_cast<size_t>(indent) * 2 : 0, ' ');
    Log("%s  - ; text=%s", pad.c_str(), text_.c_str());
}
