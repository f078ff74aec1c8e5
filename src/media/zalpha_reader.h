#pragma once
#include <cstdint>
#include <memory>
#include <vector>

class vK_InStreamInterface;

// Reads the alpha planes of a ".zalpha" file: per video frame a 4-byte little-endian
// length L and L bytes of zlib data that inflate to exactly width x height bytes of
// alpha, rows top first. A length is never trusted for an allocation: the bytes are
// read in blocks as they arrive, so a frame can be no larger than the file.
class vK_ZAlphaReader {
public:
    static constexpr int kBlockSize = 65536;

    vK_ZAlphaReader(std::shared_ptr<vK_InStreamInterface> stream, int width, int height);

    // Reads the next frame; with inflate, its plane is decoded for Plane(), else the
    // compressed bytes are passed over. False when the frame is short, damaged or
    // does not inflate to exactly width x height bytes.
    bool NextFrame(bool inflate);
    // Starts again at byte 0.
    bool Rewind();

    const uint8_t* Plane() const { return plane_.data(); }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }

private:
    bool ReadCompressed(uint32_t length, bool keep);

    std::shared_ptr<vK_InStreamInterface> stream_;
    int width_;
    int height_;
    std::vector<uint8_t> plane_;
    std::vector<uint8_t> compressed_;
};
