#pragma once
#include <cstdint>

#include "graphics/texture.h"

// A texture built in code (gamma overlays, font text, video frames) or drawn into
// (render targets). Odd sides are rounded up to even ones.
class vK_GeneratedTexture : public vK_Texture {
public:
    bool Load(const std::string&) override { return false; }

    // A width x height texture, transparent black, or filled with colour {blue, green, red}
    // in 0..1 when colour is given. Width or height 0 fails.
    virtual bool Create(int width, int height, const float* colour = nullptr) = 0;
    // A texture holding a B, G, R, A block of width x height pixels.
    virtual bool CreateFromPixels(const uint8_t* pixels, int width, int height) = 0;
};
