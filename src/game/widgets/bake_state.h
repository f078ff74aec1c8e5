#pragma once
#include <cstdint>
#include <memory>

class vK_DataTable;
class vK_Object;
class vK_Texture;

// The baking state both bakers share ("bakecontainer" and "spr_gm"): the "bake" property,
// whether its last change has been applied by a Tick, whether the texture holds a
// finished rendering, and the texture itself.
//
// "bake" 0 draws normally. Any other value draws the baked texture once it exists; the
// value 1 also hides the live children while the texture is shown. A change takes two
// frames: the next Tick stops (or restores) child input, the end of that frame bakes.
struct vY_BakeState {
    int32_t bake = 0;
    bool applied = true;
    bool baked = false;
    std::shared_ptr<vK_Texture> texture;

    // Reads "bake" (a change clears applied) and "clear_bake" (non-zero releases the
    // texture, so the next frame bakes again).
    void SetProperties(const vK_DataTable& table);
    void GetProperties(vK_DataTable& table) const;
    // The Tick step: a pending change switches the owner's child input (none while
    // baking). Returning to 0 releases the texture, so a later bake shows the content
    // as it is then rather than an old picture.
    void Apply(vK_Object& owner);
    void Release() {
        texture.reset();
        baked = false;
    }
    // The end of the frame should bake now.
    bool NeedsBake() const { return bake != 0 && !texture; }
    // DrawSelf draws the texture instead of the live picture.
    bool ShowsTexture() const { return bake != 0 && texture && baked; }
    // DrawChildren is skipped.
    bool HidesChildren() const { return bake == 1 && baked; }
    // Stores the result of a bake; an empty texture (no render target could be made)
    // leaves the owner drawing normally, and the next frame tries again.
    void Store(std::shared_ptr<vK_Texture> result);
};
