#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/batch_geometry.h"
#include "graphics/rect.h"
#include "graphics/vertex_list.h"

class vK_DeviceTexture;
class vK_Texture;

// What a graphics back end implements: device storage for textures and render targets,
// and the few operations the renderer's front end (vK_Render: batching, crop stack,
// render targets, blur, gamma, screenshots) needs of a device. The front end calls these
// only while it is drawing or rendering into a texture, with the state already decided,
// so a back end never has to know which of the renderer's operations led to a call.
class vK_RenderDevice {
public:
    // The state a batch or a line is drawn with.
    struct BatchState {
        int frame = 0;             // the texture frame the batch's page belongs to
        int blend = 0;             // the blend mode as files number it
        vK_Rect crop;              // target pixels; the draw is clipped to it
        bool intoTexture = false;  // drawn into a render target rather than the back buffer
    };

    virtual ~vK_RenderDevice() = default;

    // Creates the device objects for a back buffer of width x height pixels; false when
    // the device cannot draw (the front end then draws nothing). Called again after a
    // device reset, once Release has run.
    virtual bool Init(int width, int height) = 0;
    // Releases the device objects (before a device reset and at shut-down).
    virtual void Release() = 0;
    // True while the device objects exist.
    virtual bool IsReady() const = 0;
    // Storage for a new texture; nullptr when there is no device.
    virtual std::unique_ptr<vK_DeviceTexture> CreateTexture() = 0;
    // Bytes of storage the device's textures hold (0 when it does not know).
    virtual size_t GetTextureBytes() const { return 0; }

    // Makes a render target the drawing target (nullptr: the back buffer).
    virtual bool BindTarget(vK_DeviceTexture* target) = 0;
    // Clears the whole current target to an ARGB colour.
    virtual void Clear(uint32_t argb) = 0;
    // Draws one batch: quads as four corners, triangles, or an indexed mesh.
    virtual void SubmitBatch(const std::shared_ptr<vK_Texture>& texture, const vK_BatchGeometry& geometry,
                             const BatchState& state) = 0;
    // Draws the two vertices of an untextured line.
    virtual void SubmitLine(const vK_VertexList& vertices, const BatchState& state) = 0;
    // Hands everything submitted so far to the device (the end of a frame; a texture's
    // storage is about to change or be read).
    virtual void Flush() {}
    // Reads a rectangle of the back buffer as B, G, R, A rows, top first.
    virtual bool ReadPixels(int x, int y, int width, int height, std::vector<uint8_t>& bgra) = 0;
    // Called once the frame was presented; a device may bound the frames in flight here.
    virtual void FinishFrame() {}
};
