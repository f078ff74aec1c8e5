#include "script/module_header.h"

#include <cctype>

namespace {
bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

size_t SkipSpace(const std::string& s, size_t i) {
    while (i < s.size() && IsSpace(s[i])) ++i;
    return i;
}

bool Expect(const std::string& s, size_t& i, const char* literal) {
    for (const char* p = literal; *p; ++p, ++i) {
        if (i >= s.size() || s[i] != *p) return false;
    }
    return true;
}
}  // namespace

bool ApplyModuleHeader(std::string& code, std::string& name) {
    static const char kBom[] = "\xEF\xBB\xBF";
    if (code.compare(0, 3, kBom) == 0) code.erase(0, 3);

    // The same matching as scanf("-- name=%s"): literals exactly, the blank of the
    // pattern and the conversion each skip any run of white space.
    size_t i = 0;
    if (!Expect(code, i, "--")) return false;
    i = SkipSpace(code, i);
    if (!Expect(code, i, "name=")) return false;
    i = SkipSpace(code, i);
    const size_t start = i;
    while (i < code.size() && !IsSpace(code[i])) ++i;
    if (i == start) return false;
    name = code.substr(start, i - start);
    // The header line is emptied but its line break stays, so the code's own line
    // numbers are the file's.
    const size_t line_end = code.find('\n');
    if (line_end != std::string::npos) code.erase(0, line_end);
    return true;
}

std::string WrapModuleCode(const std::string& code, const std::string& global) {
    // The wrapper's header shares the code's first line, so error lines are the file's.
    std::string text =
        global.empty() ? "function __LoadLuaModuleToTable_init ()" : "function __" + global + "_init ()";
    text += " local public = {}; local private = {}; ";
    text += code;
    text += "\nreturn public;\nend;\n";
    text += global.empty() ? "return __LoadLuaModuleToTable_init ();" : global + "= __" + global + "_init ()";
    return text;
}
