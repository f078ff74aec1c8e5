#pragma once
// A renderer for benchmarks that measure the engine's side of drawing: it counts the
// batches and vertices it is given and draws nothing, on device textures that only keep
// their size.
#include <memory>
#include <string>
#include <vector>

#include "graphics/device_texture.h"
#include "graphics/null_render_device.h"
#include "graphics/render.h"

// Device storage that keeps only the size.
class NullDeviceTexture : public vK_DeviceTexture {
public:
    bool Allocate(int width, int height, bool, std::string&) override {
        width_ = width, height_ = height;
        return true;
    }
    bool Upload(const uint8_t*, int, int, int) override { return true; }
    bool Fill(uint8_t, uint8_t, uint8_t, uint8_t) override { return true; }
    bool Read(std::vector<uint8_t>&) const override { return false; }
    void ReleaseDevice() override {}
    bool IsValid() const override { return true; }
    int GetWidth() const override { return width_; }
    int GetHeight() const override { return height_; }

private:
    int width_ = 0, height_ = 0;
};

// Counts the batches and the vertices they draw (six per quad, as a triangle list would)
// and draws nothing.
class CountingDevice : public vK_NullRenderDevice {
public:
    std::unique_ptr<vK_DeviceTexture> CreateTexture() override {
        return std::make_unique<NullDeviceTexture>();
    }
    void SubmitBatch(const std::shared_ptr<vK_Texture>&, const vK_BatchGeometry& geometry,
                     const BatchState&) override {
        ++batches;
        if (!geometry.HasQuads()) {
            vertexCount += geometry.Vertices().VertexCount();
            return;
        }
        geometry.ExpandTo(expanded_);
        vertexCount += expanded_.VertexCount();
    }
    long batches = 0;
    size_t vertexCount = 0;

private:
    vK_VertexList expanded_;
};

class CountingRender : public vK_Render {
public:
    CountingRender() : CountingRender(new CountingDevice) {}

private:
    explicit CountingRender(CountingDevice* device)
        : vK_Render(std::unique_ptr<vK_RenderDevice>(device)), device_(*device) {}
    CountingDevice& device_;

public:
    long& batches = device_.batches;
    size_t& vertexCount = device_.vertexCount;
};
