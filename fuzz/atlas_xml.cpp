// Frame-texture XML of arbitrary bytes, then every lookup on the frames it produced.
#include <cstddef>
#include <cstdint>

#include "files/log.h"
#include "graphics/frame_texture.h"

namespace {
bool Quiet(const std::string&) { return true; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto quietLog = LogSinkSeam().Install(Quiet);
    vK_FrameTexture atlas;
    if (!atlas.LoadFromXml(reinterpret_cast<const char*>(data), size, "assets/")) return 0;
    const int count = static_cast<int>(atlas.GetFrames().size());
    for (int frame = -2; frame < count + 8; ++frame) {
        vK_DrawParams p;
        p.frame = frame;
        atlas.GetRect(frame);
        atlas.GetUV(frame);
        atlas.GetPage(frame);
        atlas.GetDeviceTexture(frame);
        atlas.HitTest(0.0f, 0.0f, p);
    }
    return 0;
}
