#include "graphics/generated_texture_impl.h"

#include "files/log.h"

bool vK_GeneratedTexture_Impl::AllocateEven(int width, int height, bool renderTarget) {
    if (width <= 0 || height <= 0) return false;
    if (width % 2) ++width;
    if (height % 2) ++height;
    const int evenWidth = width, evenHeight = height;
    std::string error;
    if (!AllocateDevice(width, height, renderTarget, error)) {
        Log("Error: could not create texture. Size: %d x %d. Error: %s", width, height, error.c_str());
        return false;
    }
    SetSizes(static_cast<float>(evenWidth), static_cast<float>(evenHeight),
             static_cast<float>(device_->GetWidth()), static_cast<float>(device_->GetHeight()));
    return true;
}

bool vK_GeneratedTexture_Impl::Create(int width, int height, const float* colour) {
    if (!AllocateEven(width, height, false)) return false;
    if (colour) {
        // Colour is given in the device's byte order: blue, green, red.
        device_->Fill(static_cast<uint8_t>(static_cast<int>(colour[0] * 255.0f)),
                      static_cast<uint8_t>(static_cast<int>(colour[1] * 255.0f)),
                      static_cast<uint8_t>(static_cast<int>(colour[2] * 255.0f)), 255);
    } else {
        device_->Fill(0, 0, 0, 0);
    }
    return true;
}

bool vK_GeneratedTexture_Impl::CreateFromPixels(const uint8_t* pixels, int width, int height) {
    if (!pixels || !AllocateEven(width, height, false)) return false;
    device_->Fill(0, 0, 0, 0);
    device_->Upload(pixels, width, height, width * 4);
    return true;
}
