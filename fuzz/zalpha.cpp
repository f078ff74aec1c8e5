// Arbitrary bytes as ".zalpha" planes: the first two bytes choose the plane size, the
// rest is the file; frames are inflated or passed over and must never read or write
// out of bounds, nor allocate by a length the file merely claims.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "media/memory_in_stream.h"
#include "media/zalpha_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int width = 1 + data[0] % 64;
    const int height = 1 + data[1] % 64;
    const bool skipOdd = (data[0] & 0x80) != 0;
    auto stream = std::make_shared<vK_MemoryInStream>(std::vector<uint8_t>(data + 2, data + size));
    vK_ZAlphaReader reader(stream, width, height);
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < 64; ++i) {
            const bool inflate = !(skipOdd && i % 2);
            if (!reader.NextFrame(inflate)) break;
            if (inflate) {
                volatile uint8_t last = reader.Plane()[width * height - 1];
                (void)last;
            }
        }
        if (!reader.Rewind()) break;
    }
    return 0;
}
