#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/batch_geometry.h"
#include "graphics/draw_params.h"
#include "graphics/index_list.h"
#include "graphics/rect.h"
#include "graphics/render_device.h"
#include "graphics/vertex_list.h"

class vK_DeviceTexture;
class vK_GeneratedTexture;
class vK_Texture;

// The drawing service. Coordinates are target pixels (origin top-left, y down). Draws
// that share a texture page, blend mode and key collect into one batch that is handed
// to the device (vK_RenderDevice::SubmitBatch) as one draw call; sprites enter a batch as
// four corners each. This class holds everything that does not depend on the device:
// batching, the crop stack, render-to-texture bookkeeping, the blurred copies, the gamma
// overlay and the screenshot. It owns its device: the OpenGL back end, or a device of the
// tests' and tools' that records or drops what it is given.
class vK_Render {
public:
    // Blend modes as files and scripts number them ("blendmode"); draw records keep the
    // number as given, and any other number draws as kNormal.
    enum class Blend : int {
        kNormal = 0,    // source alpha, one minus source alpha
        kAdd = 2,       // source alpha, one
        kDarken = 3,    // zero, one minus source colour
        kMultiply = 4,  // zero, source colour
    };
    // The mode a stored number draws with.
    static Blend BlendOf(int mode) {
        return mode >= static_cast<int>(Blend::kAdd) && mode <= static_cast<int>(Blend::kMultiply)
                   ? static_cast<Blend>(mode)
                   : Blend::kNormal;
    }

    static vK_Render* Instance();

    explicit vK_Render(std::unique_ptr<vK_RenderDevice> device);
    // Virtual only so that the tests' and benchmarks' renderers, which add accessors to
    // their devices' records, can be owned as a vK_Render; nothing else is overridden.
    virtual ~vK_Render();
    vK_Render(const vK_Render&) = delete;
    vK_Render& operator=(const vK_Render&) = delete;

    // Stores the target size, clears the flags and resets the crop; the device makes its
    // objects for a back buffer of that size.
    void Init(float width, float height);
    // Releases device objects (before a device reset and at shut-down).
    void Release();
    void BeginFrame();
    // The gamma overlay (unless DrawGammaOverlay drew it this frame), crop stack emptied,
    // the frame handed to the device.
    void EndFrame();
    // Draws the gamma overlay over the frame, once: the engine draws the cursor after it.
    void DrawGammaOverlay();
    void BeginDraw();
    void EndDraw();
    void BeginRenderToTexture(int width, int height);
    // The texture drawn into since BeginRenderToTexture, or empty when it could not be made.
    std::shared_ptr<vK_Texture> EndRenderToTexture();
    void AddVertices(const std::shared_ptr<vK_Texture>& texture, const vK_VertexList& vertices,
                     const vK_DrawState& state);
    // An indexed mesh is always a batch of its own.
    void AddIndexedVertices(const std::shared_ptr<vK_Texture>& texture, const vK_VertexList& vertices,
                            const vK_IndexList& indices, const vK_DrawState& state);
    void DrawSprite(const std::shared_ptr<vK_Texture>& texture, const vK_DrawParams& params);
    // One untextured line, not batched; colour is {red, green, blue}.
    void DrawLine(float x0, float y0, float z0, float x1, float y1, float z1, const float* colour,
                  const vK_DrawParams& params);
    // Narrows the visible area; a zero-sized rectangle is refused.
    bool PushCrop(const vK_Rect& rect);
    void PopCrop();
    vK_Rect GetCrop() const { return crop_; }
    // A blurred copy of source at width x height (0 = the source's size).
    std::shared_ptr<vK_Texture> MakeBlurredTexture(const std::shared_ptr<vK_Texture>& source, int width,
                                                   int height, float radius);
    // A screenshot: BeginScreenshot makes a texture of the target's size the drawing
    // target (false when it could not be made), the caller draws the scene into it, and
    // EndScreenshot writes what was drawn to path + ".jpg".
    bool BeginScreenshot();
    bool EndScreenshot(const std::string& path);
    // Reads a rectangle of the presented frame's back buffer as B, G, R, A rows, top first.
    bool ReadBackBuffer(int x, int y, int width, int height, std::vector<uint8_t>& bgra);
    // Hands what was submitted to the device; device textures call it (through the
    // current renderer) before their storage changes or is read.
    void FlushDevice() { device_->Flush(); }
    // Called once the frame was presented.
    void FinishFrame() { device_->FinishFrame(); }

    // Device storage for a new texture; nullptr when there is no device.
    std::unique_ptr<vK_DeviceTexture> CreateDeviceTexture();
    // Bytes of device storage the device's textures hold (0 when it does not know).
    size_t GetDeviceTextureBytes() const { return device_->GetTextureBytes(); }
    // A new generated texture on this device (fonts, video frames, overlays).
    std::shared_ptr<vK_GeneratedTexture> CreateGeneratedTexture();
    // True while the device can draw.
    bool IsDeviceReady() const { return device_->IsReady(); }

    // Draw calls of the frame so far (since BeginFrame): batches and lines handed to the
    // device, plus the batch being collected when it will be submitted.
    int GetFrameDrawCalls() const {
        return drawCalls_ + (CanSubmit() && batch_.texture && !batch_.geometry.Empty() ? 1 : 0);
    }
    float GetTargetWidth() const { return targetWidth_; }
    float GetTargetHeight() const { return targetHeight_; }
    bool IsDrawingEnabled() const { return drawingEnabled_; }
    bool IsRenderTargetActive() const { return renderTargetActive_; }
    const std::vector<vK_Rect>& GetCropStack() const { return cropStack_; }

    // The gamma value the overlay simulates (1 = no overlay); the engine sets it each frame.
    void SetGamma(float gamma) { gamma_ = gamma; }
    float GetGamma() const { return gamma_; }

private:
    // Submits the batch and empties it.
    void Flush();
    bool CanSubmit() const { return drawingEnabled_ || renderTargetActive_; }
    // The full area of the current target: the render-target texture or the back buffer.
    vK_Rect TargetArea() const;
    // What a draw submitted now is drawn with.
    vK_RenderDevice::BatchState StateFor(int frame, int blend) const {
        return {frame, blend, crop_, renderTargetActive_};
    }
    void ChangeState(const std::shared_ptr<vK_Texture>& texture, int frame, int blend, float key);
    void RecomputeCrop();

    std::unique_ptr<vK_RenderDevice> device_;
    float targetWidth_ = 0.0f;
    float targetHeight_ = 0.0f;
    std::vector<vK_Rect> cropStack_;
    vK_Rect crop_;
    struct Batch {
        std::shared_ptr<vK_Texture> texture;
        int frame = 0;
        int blend = 0;
        float key = 0.0f;
        vK_BatchGeometry geometry;
    } batch_;
    bool drawingEnabled_ = false;
    bool renderTargetActive_ = false;
    std::shared_ptr<vK_GeneratedTexture> renderTarget_;
    std::shared_ptr<vK_GeneratedTexture> whiteTexture_;
    std::shared_ptr<vK_GeneratedTexture> blackTexture_;
    float gamma_ = 1.0f;
    int drawCalls_ = 0;
    bool gammaDrawn_ = false;  // DrawGammaOverlay ran in this frame
};
