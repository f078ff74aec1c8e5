// Parses arbitrary bytes as JSON. Whatever parses must write and read back to the
// same text: writing the re-read tree gives the same bytes again.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "data/data.h"
#include "data/json.h"
#include "files/log.h"

namespace {
bool DropLine(const std::string&) { return true; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetLogSink(DropLine);
    std::unique_ptr<vK_Data> value = ParseJson(data, size);
    if (!value) return 0;
    for (bool compact : {true, false}) {
        std::string first;
        WriteJson(value.get(), first, compact);
        std::unique_ptr<vK_Data> again = ParseJson(first);
        if (!again) __builtin_trap();
        std::string second;
        WriteJson(again.get(), second, compact);
        if (second != first) __builtin_trap();
    }
    return 0;
}
