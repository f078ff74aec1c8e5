#pragma once
#include "graphics/generated_texture.h"
#include "graphics/tex_impl.h"

// A texture generated in code on the current device.
class vK_GeneratedTexture_Impl : public vK_TexImpl_Impl, public vK_GeneratedTexture {
public:
    bool Create(int width, int height, const float* colour = nullptr) override;
    bool CreateFromPixels(const uint8_t* pixels, int width, int height) override;
    vK_DeviceTexture* GetDeviceTexture(int /*frame*/) override { return device_.get(); }

protected:
    // Allocates the even-sided storage and records the sizes; logs a refusal.
    bool AllocateEven(int width, int height, bool renderTarget);
};
