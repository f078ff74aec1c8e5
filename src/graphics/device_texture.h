#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "files/live_counts.h"

// The device side of a texture: storage on the graphics device (an OpenGL texture in the
// real back end, a block of memory in the recording renderer). Textures get one from
// vK_Render::CreateDeviceTexture and own it. Pixels are B, G, R, A bytes, rows top first.
class vK_DeviceTexture {
public:
    virtual ~vK_DeviceTexture() = default;

    // Allocates width x height texels (a render target when asked). False, with the
    // device's reason in error, when the device refuses that size.
    virtual bool Allocate(int width, int height, bool renderTarget, std::string& error) = 0;
    // Copies height rows of width pixels (rowBytes apart in the source) to the top-left corner.
    virtual bool Upload(const uint8_t* bgra, int width, int height, int rowBytes) = 0;
    // Sets every texel of the allocation to one colour.
    virtual bool Fill(uint8_t b, uint8_t g, uint8_t r, uint8_t a) = 0;
    // Reads the whole allocation (GetWidth x GetHeight texels) into bgra.
    virtual bool Read(std::vector<uint8_t>& bgra) const = 0;
    // Drops the device storage (device reset, shut-down); IsValid turns false.
    virtual void ReleaseDevice() = 0;

    virtual bool IsValid() const = 0;
    virtual int GetWidth() const = 0;   // allocated width
    virtual int GetHeight() const = 0;  // allocated height

private:
    vK_LiveCounted<vK_LiveKind::DeviceTexture> liveCount_;
};
