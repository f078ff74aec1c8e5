#pragma once
#include "graphics/generated_texture_impl.h"

// A texture the renderer draws into. Every instance is listed while it lives so that a
// device reset can drop all render-target storage first; it is not recreated afterwards.
class vK_RenderTargetTexture_Impl : public vK_GeneratedTexture_Impl {
public:
    vK_RenderTargetTexture_Impl();
    ~vK_RenderTargetTexture_Impl() override;

    // Contents are left undefined: the renderer clears the target when it binds it.
    bool Create(int width, int height, const float* colour = nullptr) override;
    bool CreateFromPixels(const uint8_t*, int, int) override { return false; }

    // Releases the device storage of every live render-target texture.
    static void ReleaseAll();
    static int LiveCount();
};
