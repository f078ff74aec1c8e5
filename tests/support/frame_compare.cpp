#include "support/frame_compare.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "graphics/image_codec.h"

bool LoadPngFile(const std::string& path, vK_Image& image) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return !bytes.empty() && DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image);
}

vK_Image FrameBlocks(const vK_Image& shot) {
    vK_Image out;
    out.width = shot.width / kFrameBlock;
    out.height = shot.height / kFrameBlock;
    out.pixels.assign(static_cast<size_t>(out.width) * out.height * 4, 255);
    for (int by = 0; by < out.height; ++by)
        for (int bx = 0; bx < out.width; ++bx)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int y = 0; y < kFrameBlock; ++y)
                    for (int x = 0; x < kFrameBlock; ++x)
                        sum += shot.pixels[(static_cast<size_t>(by * kFrameBlock + y) * shot.width +
                                            bx * kFrameBlock + x) *
                                               4 +
                                           c];
                out.pixels[(static_cast<size_t>(by) * out.width + bx) * 4 + c] =
                    static_cast<uint8_t>((sum + kFrameBlock * kFrameBlock / 2) / (kFrameBlock * kFrameBlock));
            }
    return out;
}

double DifferentShare(const vK_Image& a, const vK_Image& b) {
    // The decoder may keep spare bytes after the pixels: only Size() of them count.
    if (a.width != b.width || a.height != b.height || a.pixels.size() < a.Size() ||
        b.pixels.size() < b.Size())
        return 1.0;
    size_t different = 0;
    for (size_t i = 0; i < a.Size(); i += 4) {
        for (size_t c = 0; c < 3; ++c) {
            if (std::abs(int(a.pixels[i + c]) - int(b.pixels[i + c])) > 24) {
                ++different;
                break;
            }
        }
    }
    return static_cast<double>(different) / static_cast<double>(a.Size() / 4);
}
