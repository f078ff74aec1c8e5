#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A decoded image: rows top to bottom, each pixel B, G, R, A.
struct vK_Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    std::string fileName;  // used in messages

    size_t Size() const { return static_cast<size_t>(width) * static_cast<size_t>(height) * 4; }
};
