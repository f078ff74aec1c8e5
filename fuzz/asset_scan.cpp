// Arbitrary bytes through the asset check's scanners: as Lua code (comments, literal
// calls, defined functions, the naming header, compiling) and as image headers. Nothing
// may read out of bounds, and every finding must point into the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/tools/asset_check_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    int lines = 1;
    for (char c : text) lines += c == '\n';
    for (const LuaLiteralCall& call : FindLiteralCalls(text)) {
        if (call.line < 1 || call.line > lines || call.argument.empty()) __builtin_trap();
    }
    for (const std::string& name : DefinedFunctions(text))
        if (name.empty() || text.find(name) == std::string::npos) __builtin_trap();
    std::string name;
    if (ModuleHeaderName(text, name) && name.empty()) __builtin_trap();
    int line = 0;
    std::string error;
    if (!CompileModuleCode(text, line, error) && (line < 0 || line > lines + 1)) __builtin_trap();
    const std::vector<uint8_t> bytes(data, data + size);
    PngProblem(bytes);
    JpegProblem(bytes);
    return 0;
}
