#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/device_texture.h"
#include "graphics/render_device.h"

// A device that draws nothing and makes no textures: for the benchmarks and fuzzers that
// measure or probe the engine's side of drawing. Derived devices count or keep what they
// need by overriding single operations.
class vK_NullRenderDevice : public vK_RenderDevice {
public:
    bool Init(int, int) override { return true; }
    void Release() override {}
    bool IsReady() const override { return true; }
    std::unique_ptr<vK_DeviceTexture> CreateTexture() override { return nullptr; }
    bool BindTarget(vK_DeviceTexture*) override { return true; }
    void Clear(uint32_t) override {}
    void SubmitBatch(const std::shared_ptr<vK_Texture>&, const vK_BatchGeometry&,
                     const BatchState&) override {}
    void SubmitLine(const vK_VertexList&, const BatchState&) override {}
    bool ReadPixels(int, int, int, int, std::vector<uint8_t>&) override { return false; }
};
