#pragma once
// A renderer for benchmarks that measure the engine's side of drawing: it counts the
// batches and vertices it is given and draws nothing, on device textures that only keep
// their size.
#include <memory>
#include <string>
#include <vector>

#include "graphics/device_texture.h"
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

// Counts the batches and quads it is given and draws nothing.
class CountingRender : public vK_Render {
public:
    std::unique_ptr<vK_DeviceTexture> CreateDeviceTexture() override {
        return std::make_unique<NullDeviceTexture>();
    }
    void DrawBatch(const std::shared_ptr<vK_Texture>&, const vK_VertexList& vertices, const vK_IndexList&,
                   const BatchInfo&) override {
        ++batches;
        vertexCount += vertices.VertexCount();
    }
    long batches = 0;
    size_t vertexCount = 0;
};
