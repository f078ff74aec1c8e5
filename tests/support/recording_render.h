#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/device_texture.h"
#include "graphics/rect.h"
#include "graphics/render.h"

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

// A renderer without a device for tests: every batch that reaches DrawBatch (and every
// line) is recorded with the state it was submitted in.
class vK_RecordingRender : public vK_Render {
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

    vK_RecordingRender() = default;
    explicit vK_RecordingRender(float width, float height) { Init(width, height); }

    std::unique_ptr<vK_DeviceTexture> CreateDeviceTexture() override;
    void DrawBatch(const std::shared_ptr<vK_Texture>& texture, const vK_VertexList& vertices,
                   const vK_IndexList& indices, const BatchInfo& info) override;

    std::vector<Batch> batches;
    std::vector<Line> lines;
    std::vector<uint32_t> clears;  // ARGB colours the targets were cleared to
    int targetBinds = 0;           // render targets bound (the back buffer not counted)
    bool powerOfTwoOnly = false;   // new device textures refuse other sizes
    bool refuseTextures = false;   // CreateDeviceTexture returns nullptr (no device)
    bool refuseUploads = false;    // new device textures refuse pixel uploads

protected:
    bool BindTarget(vK_DeviceTexture* target) override;
    void ClearTarget(uint32_t argb) override { clears.push_back(argb); }
    void SubmitLine(const vK_VertexList& vertices, int blend) override;
};
