#include "game/widgets/sprite_gm.h"

#include "core/vrakko.h"
#include "data/data.h"
#include "graphics/render.h"
#include "graphics/texture.h"

vY_SpriteGm::vY_SpriteGm(const std::string& name) : vK_Sprite(name) {
    if (Vrakko* engine = Vrakko::Instance()) engine->AddDrawListener(this);
}

// The engine calls its draw listeners through plain pointers: a freed sprite must not
// stay on the list.
vY_SpriteGm::~vY_SpriteGm() {
    if (Vrakko* engine = Vrakko::Instance()) engine->RemoveDrawListener(this);
}

namespace {
// The keys SetProperties and GetProperties handle outside a property table.
constexpr vK_Object::PropertyDoc kTypeKeys[] = {
    {"bake", "int", "0", "read/write (as for bakecontainer)"},
    {"clear_bake", "int", "0", "write (non-zero drops the baked texture)"},
};
}  // namespace

void vY_SpriteGm::RegisterType() {
    RegisterObjectType("spr_gm",
                       []() -> std::unique_ptr<vK_Object> { return std::make_unique<vY_SpriteGm>(); },
                       {"A sprite that can render itself and its children once into a display-sized texture "
                        "and then draw only that texture.",
                        nullptr, "spr", kTypeKeys});
}

void vY_SpriteGm::SetProperties(const vK_DataTable& table) {
    vK_Sprite::SetProperties(table);
    bake_.SetProperties(table);
}

void vY_SpriteGm::GetProperties(vK_DataTable& table, bool full) const {
    vK_Sprite::GetProperties(table, full);
    bake_.GetProperties(table);
}

void vY_SpriteGm::Reset() {
    vK_Sprite::Reset();
    bake_ = vY_BakeState();
}

void vY_SpriteGm::Tick(const vK_FrameInfo& frame) {
    bake_.Apply(*this);
    vK_Sprite::Tick(frame);
}

void vY_SpriteGm::DrawSelf(vK_Render& render, const vK_DrawParams& state) {
    if (!bake_.ShowsTexture()) {
        vK_Sprite::DrawSelf(render, state);
        return;
    }
    vK_DrawParams params = state;
    params.frame = 0;
    render.DrawSprite(bake_.texture, params);
}

void vY_SpriteGm::DrawChildren(vK_Render& render, const vK_DrawParams& state) {
    if (bake_.HidesChildren()) return;
    vK_Sprite::DrawChildren(render, state);
}

void vY_SpriteGm::OnPostDraw(vK_Render& render) {
    // Outside the live scene the sprite holds no texture: baking would keep a blank picture.
    if (!bake_.NeedsBake() || IsDead() || !IsInScene()) return;
    bake_.Release();
    Vrakko* engine = Vrakko::Instance();
    if (!engine) return;
    const int w = engine->GetWidth(), h = engine->GetHeight();
    const float cx = static_cast<float>(w) / 2.0f, cy = static_cast<float>(h) / 2.0f;
    // Children attached by a reduced transform read the sprite's own position, so the
    // sprite stands upright and unscaled in the texture's centre while it is drawn.
    const float x = GetX(), y = GetY(), sx = GetScaleX(), sy = GetScaleY(), angle = GetAngle();
    SetPosition(cx, cy);
    SetScale(1.0f, 1.0f);
    SetAngle(0.0f);
    // Alpha and tint are left out of the picture: DrawSelf applies them when it draws it.
    vK_DrawParams params = GetOwnParams();
    params.alpha = params.red = params.green = params.blue = 1.0f;
    params.matrix = vK_Matrix::Translation(cx, cy);
    render.BeginRenderToTexture(w, h);
    // Without a target the sprite would land on the screen a second time.
    if (render.IsRenderTargetActive()) {
        vK_Sprite::DrawSelf(render, params);
        vK_Sprite::DrawChildren(render, params);
        bake_.Store(render.EndRenderToTexture());
    }
    SetPosition(x, y);
    SetScale(sx, sy);
    SetAngle(angle);
}

void vY_SpriteGm::OnDeviceRestored() { bake_.Release(); }
