#include "graphics/tex_impl.h"

#include <vector>

#include "graphics/render.h"

int vK_NextPowerOfTwo(int n) {
    if (n <= 0) return 0;
    int p = 1;
    while (p < n && p < (1 << 30)) p <<= 1;
    return p;
}

bool vK_TexImpl_Impl::AllocateDevice(int& width, int& height, bool renderTarget, std::string& error) {
    device_.reset();
    vK_Render* render = vK_Render::Instance();
    if (!render) {
        error = "no graphics device";
        return false;
    }
    std::unique_ptr<vK_DeviceTexture> device = render->CreateDeviceTexture();
    if (!device) {
        error = "no graphics device";
        return false;
    }
    if (!device->Allocate(width, height, renderTarget, error)) {
        width = vK_NextPowerOfTwo(width);
        height = vK_NextPowerOfTwo(height);
        if (!device->Allocate(width, height, renderTarget, error)) return false;
    }
    device_ = std::move(device);
    return true;
}

void vK_TexImpl_Impl::BuildMaskOnce(int imageWidth, int imageHeight) {
    if (!maskPending_) return;
    maskPending_ = false;
    if (!device_ || !device_->IsValid()) return;
    std::unique_ptr<vK_AlphaMask> mask = vK_AlphaMask::Create(imageWidth, imageHeight);
    if (!mask) return;
    std::vector<uint8_t> pixels;
    if (!device_->Read(pixels)) return;
    const int pitch = device_->GetWidth() * 4;
    if (imageWidth > device_->GetWidth() || imageHeight > device_->GetHeight()) return;
    mask->FillFromPixels(pixels.data(), pitch);
    mask_ = std::move(mask);
}

bool vK_TexImpl_Impl::MaskSaysTransparent(int x, int y) { return mask_ && !mask_->IsOpaque(x, y); }
