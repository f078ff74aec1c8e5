#pragma once
#include "core/draw_listener.h"
#include "game/widgets/bake_state.h"
#include "scene/sprite.h"

// Object type "spr_gm": a sprite that can render itself and its children once into a
// texture of the display's size and then draw only that texture (see vY_BakeState for
// the "bake" values). It bakes at the end of a frame, as an engine draw listener; it
// registers when constructed and unregisters when destroyed.
class vY_SpriteGm : public vK_Sprite, public vK_DrawListener {
public:
    explicit vY_SpriteGm(const std::string& name = std::string());
    ~vY_SpriteGm() override;

    void SetProperties(const vK_DataTable& table) override;
    void GetProperties(vK_DataTable& table, bool full) const override;
    std::string GetType() const override { return "spr_gm"; }
    void Reset() override;
    void Tick(const vK_FrameInfo& frame) override;
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override;
    void DrawChildren(vK_Render& render, const vK_DrawParams& state) override;

    void OnPostDraw(vK_Render& render) override;
    void OnDeviceRestored() override;

    const vY_BakeState& GetBakeState() const { return bake_; }

    static void RegisterType();

private:
    vY_BakeState bake_;
};
