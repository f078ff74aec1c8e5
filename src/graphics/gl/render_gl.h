#pragma once
#include <cstdint>

#include "graphics/render.h"

class vK_DeviceTexture_GL;

// The OpenGL 3.3 core back end: one vertex array, streaming vertex and index buffers
// that grow to the largest batch and never shrink, one program drawing texture times
// vertex colour. Needs a current GL context for its whole life.
class vK_Render_Impl : public vK_Render {
public:
    vK_Render_Impl();
    ~vK_Render_Impl() override;

    void Init(float width, float height) override;
    void Release() override;
    void BeginFrame() override;
    void DrawBatch(const std::shared_ptr<vK_Texture>& texture, const vK_VertexList& vertices,
                   const vK_IndexList& indices, const BatchInfo& info) override;
    std::unique_ptr<vK_DeviceTexture> CreateDeviceTexture() override;

    // Sets the GL blend functions of a blend mode (colour by the table, alpha always
    // one / one minus source alpha).
    static void ApplyBlend(int blend);
    // Reads back a rectangle of the back buffer as B, G, R, A rows, top first.
    bool ReadBackBuffer(int x, int y, int width, int height, std::vector<uint8_t>& bgra) const;
    bool IsReady() const { return program_ != 0; }

protected:
    bool BindTarget(vK_DeviceTexture* target) override;
    void ClearTarget(uint32_t argb) override;
    void SubmitLine(const vK_VertexList& vertices, int blend) override;

private:
    bool CreateDeviceObjects();
    void DestroyDeviceObjects();
    // Viewport and projection for the current crop.
    void ApplyCrop();
    bool UploadVertices(const vK_VertexList& vertices);
    bool UploadIndices(const vK_IndexList& indices);

    uint32_t program_ = 0;
    int32_t projectionLocation_ = -1;
    uint32_t vertexArray_ = 0;
    uint32_t vertexBuffer_ = 0;
    uint32_t indexBuffer_ = 0;
    size_t vertexCapacity_ = 0;
    size_t indexCapacity_ = 0;
    uint32_t samplerClamp_ = 0;
    uint32_t samplerWrap_ = 0;
    uint32_t samplerPoint_ = 0;
    std::unique_ptr<vK_DeviceTexture_GL> white_;
    const vK_DeviceTexture_GL* boundTarget_ = nullptr;  // nullptr: the back buffer
};
