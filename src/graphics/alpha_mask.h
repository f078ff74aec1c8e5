#pragma once
#include <cstdint>
#include <memory>

// One bit per pixel: set where the pixel's alpha is non-zero. Words are laid out in
// column groups of 32 pixels: pixel (x, y) is bit x % 32 of word y + height * (x / 32).
class vK_AlphaMask {
public:
    static constexpr int kMaxSide = 32767;

    // A mask of width x height with every bit clear; nullptr when a side is outside
    // 0..32767 or the words cannot be allocated.
    static std::unique_ptr<vK_AlphaMask> Create(int width, int height);

    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    void Set(int x, int y, bool opaque);
    // False for every point outside the mask.
    bool IsOpaque(int x, int y) const;
    // Fills the mask from B, G, R, A rows rowBytes apart (alpha is byte 3).
    void FillFromPixels(const uint8_t* bgra, int rowBytes);

private:
    vK_AlphaMask(int width, int height, std::unique_ptr<uint32_t[]> words)
        : width_(static_cast<int16_t>(width)),
          height_(static_cast<int16_t>(height)),
          words_(std::move(words)) {}
    int16_t width_;
    int16_t height_;
    std::unique_ptr<uint32_t[]> words_;
};
