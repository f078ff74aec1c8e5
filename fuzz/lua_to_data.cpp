#include <cstddef>
#include <cstdint>
#include <lua.hpp>
#include <string>

#include "data/data.h"
#include "files/log.h"
#include "script/script_hub.h"

// Bytes drive a generator of Lua table constructors (nested tables, number, string
// and boolean keys and values, holes, self references through locals). The result
// is converted to data, back to Lua and to data again; the stack must stay level.
namespace {
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    uint8_t Next() { return pos < size ? data[pos++] : 0; }
    bool Done() const { return pos >= size; }
};

void Value(Reader& in, std::string& out, int depth);

void Constructor(Reader& in, std::string& out, int depth) {
    out += '{';
    int count = in.Next() % 8;
    for (int i = 0; i < count && !in.Done(); ++i) {
        switch (in.Next() % 5) {
            case 0:
                out += "[" + std::to_string(static_cast<int>(in.Next()) - 64) + "]=";
                break;
            case 1:
                out += "k" + std::to_string(in.Next() % 16) + "=";
                break;
            case 2:
                out += "[" + std::to_string(in.Next()) + ".5]=";
                break;
            case 3:
                out += "[true]=";
                break;
            default:
                break;  // positional
        }
        Value(in, out, depth + 1);
        out += ',';
    }
    out += '}';
}

void Value(Reader& in, std::string& out, int depth) {
    switch (depth > 300 ? in.Next() % 5 : in.Next() % 8) {
        case 0:
            out += std::to_string(static_cast<int8_t>(in.Next()));
            break;
        case 1:
            out += std::to_string(in.Next()) + "e" + std::to_string(in.Next() % 80 - 40);
            break;
        case 2:
            out += "'s" + std::to_string(in.Next()) + "'";
            break;
        case 3:
            out += (in.Next() & 1) ? "true" : "false";
            break;
        case 4:
            out += "nil";
            break;
        case 5:
            out += "root";
            break;  // a reference to the outermost table (a cycle)
        case 6:
            out += "function() end";
            break;
        default:
            Constructor(in, out, depth);
            break;
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vK_ScriptHub* hub = new vK_ScriptHub();
    lua_State* L = hub->GetLuaState();
    Reader in{data, size};
    std::string code = "local root = {}; local t = ";
    Constructor(in, code, 0);
    code += "; root.t = t; t.root = root; return t";

    vK_LogCapture quiet;
    int base = lua_gettop(L);
    if (luaL_loadbuffer(L, code.data(), code.size(), "fuzz") == 0 && lua_pcall(L, 0, 1, 0) == 0) {
        std::unique_ptr<vK_Data> first = hub->PopData();
        hub->PushData(first.get());
        std::unique_ptr<vK_Data> second = hub->PopData();
        (void)second;
        if (lua_gettop(L) != base) __builtin_trap();  // conversions keep the stack level
    }
    lua_settop(L, base);
    // Collect now so that every input frees what it allocated (the fuzzer's leak
    // check compares allocations per input).
    lua_gc(L, LUA_GCCOLLECT, 0);
    return 0;
}
