// PNG decoding of arbitrary bytes: must fail cleanly or decode within bounds.
#include <cstddef>
#include <cstdint>

#include "files/log.h"
#include "graphics/image.h"
#include "graphics/image_codec.h"

namespace {
bool Quiet(const std::string&) { return true; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto quietLog = LogSinkSeam().Install(Quiet);
    vK_Image image;
    if (DecodePng(data, size, image)) {
        if (image.pixels.size() < image.Size()) __builtin_trap();
        volatile uint8_t last = image.pixels[image.Size() - 1];
        (void)last;
    }
    return 0;
}
