// Parses arbitrary bytes as an input recording. An accepted one has a display, frames
// that never decrease and end no earlier than its last event, and positions in range.
#include "platform/input_recording.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vK_InputRecording recording;
    std::string error;
    if (!ParseInputRecording(std::string_view(reinterpret_cast<const char*>(data), size), recording, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    if (recording.width <= 0 || recording.height <= 0) std::abort();
    long last = 0;
    for (const vK_InputRecording::Entry& entry : recording.events) {
        if (entry.frame < last || !std::isfinite(entry.event.x) || std::fabs(entry.event.x) > 65535.0f ||
            !std::isfinite(entry.event.y) || std::fabs(entry.event.y) > 65535.0f)
            std::abort();
        last = entry.frame;
    }
    if (recording.endFrame < last) std::abort();
    return 0;
}
