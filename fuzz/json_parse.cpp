// Parses arbitrary bytes as JSON. Whatever parses must write and read back to the
// same text: writing the re-read tree gives the same bytes again; whatever fails has a
// line and column inside the text.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "data/data.h"
#include "data/json.h"
#include "files/log.h"

namespace {
bool DropLine(const std::string&) { return true; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto quietLog = LogSinkSeam().Install(DropLine);
    // The located form must agree with the plain one and place a failure inside the text.
    vK_JsonError error;
    std::unique_ptr<vK_Data> value =
        ParseJson(std::string_view(reinterpret_cast<const char*>(data), size), &error);
    if (!value != !ParseJson(data, size)) __builtin_trap();
    if (!value) {
        if (error.line < 1 || error.column < 1 || static_cast<size_t>(error.line) > size + 1)
            __builtin_trap();
        return 0;
    }
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
