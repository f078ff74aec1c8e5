// Arbitrary bytes as an Ogg Theora video: opening, decoding a few frames, converting
// them and rewinding must fail cleanly or stay within the frame's bounds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "files/log.h"
#include "media/memory_in_stream.h"
#include "media/theora_decoder.h"
#include "media/video_convert.h"

namespace {
bool Quiet(const std::string&) { return true; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto quietLog = LogSinkSeam().Install(Quiet);
    auto stream = std::make_shared<vK_MemoryInStream>(std::vector<uint8_t>(data, data + size));
    vK_TheoraDecoder decoder(stream, "fuzz");
    if (!decoder.Open()) return 0;
    const size_t pixels = static_cast<size_t>(decoder.GetWidth()) * static_cast<size_t>(decoder.GetHeight());
    // Large frames are legal but slow to fuzz; their headers were checked already.
    if (pixels > 512 * 512) return 0;
    std::vector<uint8_t> out(pixels * 4);
    std::vector<uint8_t> alpha(pixels, 255);
    vK_VideoAlpha withPlane;
    withPlane.plane = alpha.data();
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < 8 && decoder.NextFrame(true); ++i) {
            if (decoder.HasPlanes()) {
                ConvertVideoFrame(decoder.Planes(), decoder.GetPixelFormat(), vK_VideoAlpha{}, out.data(), 0);
                ConvertVideoFrame(decoder.Planes(), decoder.GetPixelFormat(), withPlane, out.data(), 0);
            }
        }
        if (!decoder.Rewind()) break;
    }
    return 0;
}
