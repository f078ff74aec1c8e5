#include "game/widgets/bake_container.h"

#include "core/vrakko.h"
#include "data/data.h"
#include "graphics/render.h"
#include "graphics/texture.h"

vY_BakeContainer::vY_BakeContainer(const std::string& name) : vK_Object(name) {
    if (Vrakko* engine = Vrakko::Instance()) engine->AddDrawListener(this);
}

// The engine calls its draw listeners through plain pointers: a freed container must
// not stay on the list.
vY_BakeContainer::~vY_BakeContainer() {
    if (Vrakko* engine = Vrakko::Instance()) engine->RemoveDrawListener(this);
}

namespace {
// The keys SetProperties and GetProperties handle outside a property table.
constexpr vK_Object::PropertyDoc kTypeKeys[] = {
    {"bake", "int", "0",
     "read/write (0 draws normally; 1 draws the baked texture and hides the children; other values draw the "
     "texture)"},
    {"clear_bake", "int", "0", "write (non-zero drops the baked texture)"},
    {"bake_draw_width", "float", "", "read (while it has content)"},
    {"bake_draw_height", "float", "", "read (while it has content)"},
};
}  // namespace

void vY_BakeContainer::RegisterType() {
    RegisterObjectType("bakecontainer",
                       []() -> std::unique_ptr<vK_Object> { return std::make_unique<vY_BakeContainer>(); },
                       {"A container that can render its content (its last child) once into a display-sized "
                        "texture and then draw that texture instead of the subtree.",
                        nullptr, "obj", kTypeKeys});
}

void vY_BakeContainer::SetProperties(const vK_DataTable& table) {
    vK_Object::SetProperties(table);
    bake_.SetProperties(table);
}

void vY_BakeContainer::GetProperties(vK_DataTable& table, bool full) const {
    vK_Object::GetProperties(table, full);
    bake_.GetProperties(table);
    const vK_Object* content = GetContent();
    if (full && content) {
        const vK_Rect rect = content->GetDrawRect();
        table.SetFloat("bake_draw_width", rect.w);
        table.SetFloat("bake_draw_height", rect.h);
    }
}

void vY_BakeContainer::Reset() {
    vK_Object::Reset();
    bake_ = vY_BakeState();
}

vK_Object* vY_BakeContainer::GetContent() const {
    const std::shared_ptr<vK_Object*> alive = content_.lock();
    vK_Object* content = alive ? *alive : nullptr;
    // A content child moved under another parent is no longer ours.
    return content && content->GetParent() == this ? content : nullptr;
}

bool vY_BakeContainer::AddChild(vK_Object* child) {
    if (!vK_Object::AddChild(child)) return false;
    content_ = child->GetWeakRef();
    return true;
}

vK_Object* vY_BakeContainer::RemoveChild(vK_Object* child, bool recursive) {
    const bool wasContent = child && child == GetContent();
    vK_Object* removed = vK_Object::RemoveChild(child, recursive);
    if (removed && wasContent) content_.reset();
    return removed;
}

void vY_BakeContainer::Tick(const vK_FrameInfo& frame) {
    bake_.Apply(*this);
    vK_Object::Tick(frame);
}

// Unbaked, the content is drawn with the other children.
void vY_BakeContainer::DrawSelf(vK_Render& render, const vK_DrawParams& state) {
    if (!bake_.ShowsTexture()) return;
    vK_DrawParams params = state;
    params.frame = 0;
    render.DrawSprite(bake_.texture, params);
}

void vY_BakeContainer::DrawChildren(vK_Render& render, const vK_DrawParams& state) {
    if (bake_.HidesChildren()) return;
    vK_Object::DrawChildren(render, state);
}

void vY_BakeContainer::OnPostDraw(vK_Render& render) {
    // Outside the live scene the content holds no textures: baking would keep a blank picture.
    if (!bake_.NeedsBake() || IsDead() || !IsInScene()) return;
    bake_.Release();
    vK_Object* content = GetContent();
    Vrakko* engine = Vrakko::Instance();
    if (!content || !engine) return;
    const int w = engine->GetWidth(), h = engine->GetHeight();
    // The container's origin lands in the texture's centre, where DrawSelf puts it back.
    render.BeginRenderToTexture(w, h);
    // Without a target the content would land on the screen a second time.
    if (!render.IsRenderTargetActive()) return;
    vK_DrawParams params;
    params.matrix = vK_Matrix::Translation(static_cast<float>(w) / 2.0f, static_cast<float>(h) / 2.0f);
    content->Draw(render, params);
    bake_.Store(render.EndRenderToTexture());
}

void vY_BakeContainer::OnDeviceRestored() { bake_.Release(); }
