// Parses arbitrary bytes as an input script. Every step must be well formed: a frame of
// zero or more in file order, coordinates within the window range.
#include "platform/input_script.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/log.h"

namespace {
bool DropLine(const std::string&) { return true; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto quietLog = LogSinkSeam().Install(DropLine);
    const auto steps = ParseInputScript(std::string_view(reinterpret_cast<const char*>(data), size));
    long last = 0;
    for (const vK_InputStep& step : steps) {
        if (step.frame < last || step.x < 0 || step.y < 0 || step.x > 65535 || step.y > 65535) std::abort();
        last = step.frame;
    }
    return 0;
}
