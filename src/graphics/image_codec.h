#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct vK_Image;

// Largest side and pixel block the decoders accept; larger images are refused before
// any width * height * 4 block is computed or allocated.
constexpr int kMaxImageSide = 16384;
constexpr size_t kMaxImageBytes = size_t{256} << 20;

// Decodes an 8-bit RGBA PNG from memory into image (B, G, R, A). Any other layout, a
// truncated or hostile file fails with a log line; image.fileName names the file.
bool DecodePng(const uint8_t* data, size_t length, vK_Image& image);
// Decodes a 3-component JPEG from memory into image (B, G, R, 255).
bool DecodeJpeg(const uint8_t* data, size_t length, vK_Image& image);
// Writes a B, G, R, A block as a JPEG file (quality 97, RGB); false when the file
// cannot be written.
bool SaveJpeg(const uint8_t* pixels, int width, int height, const std::string& path);
// Encodes a B, G, R, A block as an 8-bit RGBA PNG into out.
bool EncodePng(const uint8_t* pixels, int width, int height, std::vector<uint8_t>& out);
// True when width x height is within the decoders' limits.
bool ImageSizeAllowed(long long width, long long height);
