#include "scene/text.h"

#include "data/data.h"
#include "data/string_table.h"
#include "files/log.h"
#include "graphics/font.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "graphics/texture.h"

namespace {

const char* const kParamKeys[vK_Text::kParamCount] = {"param0", "param1", "param2", "param3", "param4"};

// Reads r, g, b from key + "_r", "_g", "_b"; true when any was present.
bool ReadColour(const vK_DataTable& table, const std::string& key, float (&colour)[3]) {
    bool any = false;
    any |= table.GetFloat(key + "_r", colour[0]);
    any |= table.GetFloat(key + "_g", colour[1]);
    any |= table.GetFloat(key + "_b", colour[2]);
    return any;
}

void WriteColour(vK_DataTable& table, const std::string& key, const float (&colour)[3]) {
    table.SetFloat(key + "_r", colour[0]);
    table.SetFloat(key + "_g", colour[1]);
    table.SetFloat(key + "_b", colour[2]);
}

bool ReadByteFlag(const vK_DataTable& table, const char* key, uint8_t& field) {
    bool value = false;
    if (!table.GetBool(key, value)) return false;
    field = value ? 1 : 0;
    return true;
}

}  // namespace

vK_Text::~vK_Text() = default;

void vK_Text::RegisterType() {
    RegisterObjectType("text", []() -> std::unique_ptr<vK_Object> { return std::make_unique<vK_Text>(); });
}

void vK_Text::SetProperties(const vK_DataTable& t) {
    vK_Object::SetProperties(t);
    bool applied = false;
    applied |= t.GetBool("disprawtext", displayRaw_);
    applied |= t.GetInt("maxwidth", maxWidth_);
    applied |= t.GetString("text", text_);
    for (int i = 0; i < kParamCount; ++i) applied |= t.GetString(kParamKeys[i], params_[i]);
    applied |= t.GetInt("align", style_.align);
    applied |= t.GetInt("align_v", style_.align_v);
    applied |= t.GetInt("fontsize", style_.fontsize);
    applied |= t.GetInt("fonttype", style_.fonttype);
    applied |= t.GetFloat("linespacing", style_.linespacing);
    applied |= ReadColour(t, "fontcolor", style_.fontcolor);
    applied |= ReadByteFlag(t, "display_shadow", style_.display_shadow);
    applied |= t.GetFloat("shadow_pos_x", style_.shadow_pos_x);
    applied |= t.GetFloat("shadow_pos_y", style_.shadow_pos_y);
    applied |= ReadColour(t, "shadow_color", style_.shadow_color);
    applied |= t.GetFloat("shadow_aplha", style_.shadow_aplha);
    applied |= ReadByteFlag(t, "display_outline", style_.display_outline);
    applied |= ReadColour(t, "outline_color", style_.outline_color);
    applied |= t.GetInt("outline_size", style_.outline_size);
    applied |= t.GetFloat("outline_alpha", style_.outline_alpha);
    if (applied) RefreshText();
}

void vK_Text::GetProperties(vK_DataTable& t, bool full) const {
    vK_Object::GetProperties(t, full);
    t.SetString("text", text_);
    for (int i = 0; i < kParamCount; ++i) t.SetString(kParamKeys[i], params_[i]);
    t.SetBool("disprawtext", displayRaw_);
    t.SetInt("maxwidth", maxWidth_);
    t.SetFloat("linespacing", style_.linespacing);
    t.SetInt("fontsize", style_.fontsize);
    t.SetInt("fonttype", style_.fonttype);
    t.SetInt("align", style_.align);
    t.SetInt("align_v", style_.align_v);
    WriteColour(t, "fontcolor", style_.fontcolor);
    t.SetBool("display_shadow", style_.display_shadow != 0);
    t.SetFloat("shadow_pos_x", style_.shadow_pos_x);
    t.SetFloat("shadow_pos_y", style_.shadow_pos_y);
    WriteColour(t, "shadow_color", style_.shadow_color);
    t.SetFloat("shadow_aplha", style_.shadow_aplha);
    t.SetBool("display_outline", style_.display_outline != 0);
    WriteColour(t, "outline_color", style_.outline_color);
    t.SetInt("outline_size", style_.outline_size);
    t.SetFloat("outline_alpha", style_.outline_alpha);
}

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
    rendered_.reset();
    std::string shown = text_;
    vK_StringTable* strings = vK_StringTable::Instance();
    if (strings != nullptr && !displayRaw_) {
        shown = strings->Get(text_, params_[0], params_[1], params_[2], params_[3], params_[4]);
    }
    rendered_ = font_->RenderText(shown, maxWidth_, style_);
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
    return rendered_ && RectContains(x, y, AlignedBlock(), state);
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
