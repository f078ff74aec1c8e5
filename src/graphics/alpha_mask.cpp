#include "graphics/alpha_mask.h"

#include <new>

std::unique_ptr<vK_AlphaMask> vK_AlphaMask::Create(int width, int height) {
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide) return nullptr;
    const size_t groups = width == 0 ? 0 : static_cast<size_t>((width - 1) / 32 + 1);
    const size_t count = groups * static_cast<size_t>(height);
    std::unique_ptr<uint32_t[]> words(new (std::nothrow) uint32_t[count == 0 ? 1 : count]());
    if (!words) return nullptr;
    return std::unique_ptr<vK_AlphaMask>(new vK_AlphaMask(width, height, std::move(words)));
}

void vK_AlphaMask::Set(int x, int y, bool opaque) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint32_t& word =
        words_[static_cast<size_t>(y) + static_cast<size_t>(height_) * static_cast<size_t>(x / 32)];
    const uint32_t bit = 1u << (x % 32);
    word = opaque ? (word | bit) : (word & ~bit);
}

bool vK_AlphaMask::IsOpaque(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
    const uint32_t word =
        words_[static_cast<size_t>(y) + static_cast<size_t>(height_) * static_cast<size_t>(x / 32)];
    return (word >> (x % 32)) & 1u;
}

void vK_AlphaMask::FillFromPixels(const uint8_t* bgra, int rowBytes) {
    for (int y = 0; y < height_; ++y) {
        const uint8_t* row = bgra + static_cast<size_t>(y) * static_cast<size_t>(rowBytes);
        for (int x = 0; x < width_; ++x) Set(x, y, row[static_cast<size_t>(x) * 4 + 3] != 0);
    }
}
