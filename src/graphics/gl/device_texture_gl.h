#pragma once
#include <cstddef>
#include <cstdint>

#include "graphics/device_texture.h"

// A texture on the OpenGL device (RGBA8, uploaded as BGRA). A render target also owns a
// framebuffer object. Rows are stored top first, for render targets too: the renderer
// flips its projection while drawing into one, so sampling and read-back need no flip.
class vK_DeviceTexture_GL : public vK_DeviceTexture {
public:
    vK_DeviceTexture_GL();
    ~vK_DeviceTexture_GL() override;

    bool Allocate(int width, int height, bool renderTarget, std::string& error) override;
    bool Upload(const uint8_t* bgra, int width, int height, int rowBytes) override;
    bool Fill(uint8_t b, uint8_t g, uint8_t r, uint8_t a) override;
    bool Read(std::vector<uint8_t>& bgra) const override;
    void ReleaseDevice() override;
    bool IsValid() const override { return texture_ != 0; }
    int GetWidth() const override { return width_; }
    int GetHeight() const override { return height_; }

    uint32_t GetTextureName() const { return texture_; }
    uint32_t GetFramebuffer() const { return framebuffer_; }

    // The GL context is gone (its objects went with it): every live texture forgets its
    // names without calling GL, so later destruction is safe.
    static void ForgetAll();
    // Bytes of device storage held by every live texture (four a texel).
    static size_t LiveBytes();

private:
    uint32_t texture_ = 0;
    uint32_t framebuffer_ = 0;
    int width_ = 0;
    int height_ = 0;
};
