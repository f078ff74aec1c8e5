#pragma once
#include <cstdint>
#include <vector>

#include "graphics/render.h"
#include "graphics/render_device.h"

class vK_DeviceTexture_GL;

// The OpenGL 3.3 core back end: one program drawing texture times vertex colour, one
// vertex array, a vertex stream (x, y, u, v as floats, colour as four normalised
// bytes) and a static index buffer that draws every quad of a batch as two triangles
// from its four corners. Batches and lines are recorded as commands with their state
// and the frame's vertices collect in one stream; SubmitPending uploads the stream
// once and issues the commands. That happens at the end of the frame, before a target
// is bound, cleared or read, and before a texture's storage changes, so what is drawn
// is what immediate drawing would give. Needs a current GL context for its whole life.
class vK_Render_Impl : public vK_RenderDevice {
public:
    vK_Render_Impl();
    ~vK_Render_Impl() override;

    bool Init(int width, int height) override;
    void Release() override;
    bool IsReady() const override { return program_ != 0; }
    std::unique_ptr<vK_DeviceTexture> CreateTexture() override;
    size_t GetTextureBytes() const override;
    bool BindTarget(vK_DeviceTexture* target) override;
    void Clear(uint32_t argb) override;
    void SubmitBatch(const std::shared_ptr<vK_Texture>& texture, const vK_BatchGeometry& geometry,
                     const BatchState& state) override;
    void SubmitLine(const vK_VertexList& vertices, const BatchState& state) override;
    // Uploads the recorded vertices and issues the recorded draws (see above).
    void Flush() override;
    bool ReadPixels(int x, int y, int width, int height, std::vector<uint8_t>& bgra) override;
    // Called once the frame was presented: fences it, then waits until at most
    // kFramesInFlight frames are still being drawn. Presenting need not block (software
    // rasterisers, offscreen surfaces, unpaced replays), and every queued frame keeps its
    // commands and the buffer storage it orphaned, so without this memory grows with
    // every frame the device falls behind.
    void FinishFrame() override;

    bool HasPending() const { return !commands_.empty(); }
    static constexpr size_t kFramesInFlight = 2;
    size_t FramesInFlight() const { return fences_.size(); }
    // Sets the GL blend functions of a blend mode (colour by the table, alpha always
    // one / one minus source alpha).
    static void ApplyBlend(vK_Render::Blend blend);

private:
    // One vertex of the stream.
    struct Vertex {
        float x, y, u, v;
        uint8_t red, green, blue, alpha;
    };
    enum class Primitive : uint8_t { kQuads, kTriangles, kIndexed, kLines };
    // One recorded draw: first and count in stream vertices (kIndexed: count is the
    // number of indices, taken from firstIndex on, relative to first).
    struct Command {
        Primitive primitive;
        int blend;
        uint32_t texture;
        uint32_t sampler;
        size_t first;
        size_t count;
        size_t firstIndex;
        vK_Rect crop;
    };

    bool CreateDeviceObjects();
    void Record(Primitive primitive, int blend, uint32_t texture, uint32_t sampler, size_t first,
                size_t count, const vK_Rect& crop, size_t firstIndex = 0);
    void DestroyDeviceObjects();
    // Viewport and projection for a crop of the bound target.
    void ApplyCrop(const vK_Rect& crop);
    // Appends the list to the stream; the index of its first vertex.
    size_t AppendVertices(const vK_VertexList& vertices);
    uint32_t TextureName(const std::shared_ptr<vK_Texture>& texture, int frame) const;
    void DiscardPending();
    bool Upload(uint32_t target, uint32_t buffer, size_t& capacity, const void* data, size_t bytes);
    void Issue(const Command& command);

    int width_ = 0;  // the back buffer's size
    int height_ = 0;
    uint32_t program_ = 0;
    int32_t projectionLocation_ = -1;
    uint32_t vertexArray_ = 0;
    uint32_t vertexBuffer_ = 0;
    uint32_t indexBuffer_ = 0;
    uint32_t quadIndexBuffer_ = 0;
    size_t vertexCapacity_ = 0;
    size_t indexCapacity_ = 0;
    uint32_t samplerClamp_ = 0;
    uint32_t samplerWrap_ = 0;
    uint32_t samplerPoint_ = 0;
    std::unique_ptr<vK_DeviceTexture_GL> white_;
    const vK_DeviceTexture_GL* boundTarget_ = nullptr;  // nullptr: the back buffer
    std::vector<Vertex> stream_;
    std::vector<uint16_t> streamIndices_;
    std::vector<Command> commands_;
    std::vector<void*> fences_;  // GLsync of the frames still in flight, oldest first
};
