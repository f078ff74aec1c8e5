#pragma once
#include <memory>
#include <string>

#include "graphics/alpha_mask.h"
#include "graphics/device_texture.h"

// The device-side holder every concrete texture carries as a second base: the device
// storage, the lazily built alpha mask and the flag that a mask may be built.
class vK_TexImpl_Impl {
public:
    virtual ~vK_TexImpl_Impl() = default;

    vK_DeviceTexture* GetDevice() const { return device_.get(); }
    bool HasAlphaMask() const { return mask_ != nullptr; }

protected:
    // Makes device storage of width x height. When the device refuses that size, retries
    // once at the next powers of two; width and height then hold the size last tried.
    // False (error holds the device's reason) when there is no device or both are refused.
    bool AllocateDevice(int& width, int& height, bool renderTarget, std::string& error);
    void ReleaseDeviceTexture() { device_.reset(); }
    // Builds the mask from the device pixels of the image's imageWidth x imageHeight area,
    // once (the pending flag is cleared first).
    void BuildMaskOnce(int imageWidth, int imageHeight);
    // True exactly when a mask exists and (x, y) is not an opaque pixel inside it.
    bool MaskSaysTransparent(int x, int y);

    std::unique_ptr<vK_DeviceTexture> device_;
    std::unique_ptr<vK_AlphaMask> mask_;
    bool maskPending_ = false;
};

// Smallest power of two not below n (0 stays 0).
int vK_NextPowerOfTwo(int n);
