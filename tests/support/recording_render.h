#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/device_texture.h"
#include "graphics/rect.h"
#include "graphics/render.h"
#include "graphics/render_device.h"
#include "graphics/vertex_list.h"

// Device storage kept in memory: pixels can be written and read back, nothing is drawn.
// With powerOfTwoOnly set it refuses sizes that are not powers of two, like old devices.
class vK_MemoryDeviceTexture : public vK_DeviceTexture {
public:
    explicit vK_MemoryDeviceTexture(bool powerOfTwoOnly = false, bool refuseUploads = false)
        : powerOfTwoOnly_(powerOfTwoOnly), refuseUploads_(refuseUploads) {}
    bool Allocate(int width, int height, bool renderTarget, std::string& error) override;
    bool Upload(const uint8_t* bgra, int width, int height, int rowBytes) override;
    bool Fill(uint8_t b, uint8_t g, uint8_t r, uint8_t a) override;
    bool Read(std::vector<uint8_t>& bgra) const override;
    void ReleaseDevice() override;
    bool IsValid() const override { return valid_; }
    int GetWidth() const override { return width_; }
    int GetHeight() const override { return height_; }
    bool IsRenderTarget() const { return renderTarget_; }
    const std::vector<uint8_t>& Pixels() const { return pixels_; }

private:
    bool powerOfTwoOnly_;
    bool refuseUploads_;
    bool valid_ = false;
    bool renderTarget_ = false;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> pixels_;
};

// A device for tests: every batch that reaches it (quads expanded to a plain triangle
// list, six vertices per quad) and every line is recorded with the state it was drawn in.
class vK_RecordingDevice : public vK_RenderDevice {
public:
    struct Batch {
        std::shared_ptr<vK_Texture> texture;
        vK_Texture* page = nullptr;
        int frame = 0;
        int blend = 0;
        std::vector<float> vertices;  // 8 floats per vertex
        std::vector<uint16_t> indices;
        bool needsWrap = false;
        vK_Rect crop;
        bool intoTexture = false;  // drawn while rendering into a texture
        size_t VertexCount() const { return vertices.size() / 8; }
        float Alpha(size_t vertex) const { return vertices[vertex * 8 + 7]; }
    };
    struct Line {
        std::vector<float> vertices;
        int blend = 0;
    };

    bool Init(int, int) override { return true; }
    void Release() override { expanded_ = vK_VertexList(); }
    bool IsReady() const override { return true; }
    std::unique_ptr<vK_DeviceTexture> CreateTexture() override;
    bool BindTarget(vK_DeviceTexture* target) override;
    void Clear(uint32_t argb) override { clears.push_back(argb); }
    void SubmitBatch(const std::shared_ptr<vK_Texture>& texture, const vK_BatchGeometry& geometry,
                     const BatchState& state) override;
    void SubmitLine(const vK_VertexList& vertices, const BatchState& state) override;
    bool ReadPixels(int, int, int, int, std::vector<uint8_t>&) override { return false; }

    std::vector<Batch> batches;
    std::vector<Line> lines;
    std::vector<uint32_t> clears;  // ARGB colours the targets were cleared to
    int targetBinds = 0;           // render targets bound (the back buffer not counted)
    bool powerOfTwoOnly = false;   // new device textures refuse other sizes
    bool refuseTextures = false;   // CreateTexture returns nullptr (no device)
    bool refuseUploads = false;    // new device textures refuse pixel uploads

private:
    vK_VertexList expanded_;
};

// A renderer on a recording device; the device's records are reachable under the same
// names as on the device.
class vK_RecordingRender : public vK_Render {
public:
    using Batch = vK_RecordingDevice::Batch;
    using Line = vK_RecordingDevice::Line;

    vK_RecordingRender() : vK_RecordingRender(new vK_RecordingDevice) {}
    vK_RecordingRender(float width, float height) : vK_RecordingRender() { Init(width, height); }

private:
    // Adopts the device: the renderer owns it, the references below point into it.
    explicit vK_RecordingRender(vK_RecordingDevice* device)
        : vK_Render(std::unique_ptr<vK_RenderDevice>(device)), device_(*device) {}

    vK_RecordingDevice& device_;

public:
    std::vector<Batch>& batches = device_.batches;
    std::vector<Line>& lines = device_.lines;
    std::vector<uint32_t>& clears = device_.clears;
    int& targetBinds = device_.targetBinds;
    bool& powerOfTwoOnly = device_.powerOfTwoOnly;
    bool& refuseTextures = device_.refuseTextures;
    bool& refuseUploads = device_.refuseUploads;
};
