// Writing resources into arbitrary bytes taken as a Windows executable: must refuse
// cleanly or write within bounds, and a written image must take a second write.
#include "app/tools/pe_resources.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/log.h"

namespace {
bool Quiet(const std::string&) { return true; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto quietLog = LogSinkSeam().Install(Quiet);
    static const vK_PeResources resources = [] {
        vK_PeResources r;
        r.icons.push_back({16, std::vector<uint8_t>(100, 0x89)});
        r.title = "Fuzz";
        r.fileName = "Fuzz.exe";
        r.internalName = "Fuzz";
        return r;
    }();
    const std::vector<uint8_t> exe(data, data + size);
    std::vector<uint8_t> out, again;
    std::string error;
    if (WritePeResources(exe, resources, out, error)) {
        if (out.size() < 64) __builtin_trap();
        if (!WritePeResources(out, resources, again, error)) __builtin_trap();
    }
    return 0;
}
