#include "script/script_text.h"

#include <lua.hpp>

#include "files/log.h"

std::string vK_ScriptText::ErrorText(lua_State* L, int index) {
    int type = lua_type(L, index);
    if (type == LUA_TSTRING || type == LUA_TNUMBER) {
        size_t len = 0;
        const char* s = lua_tolstring(L, index, &len);
        return std::string(s, len);
    }
    return FormatString("(error object is a %s value)", lua_typename(L, type));
}

std::vector<std::string> vK_ScriptText::SplitDots(const std::string& name) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t dot = name.find('.', start);
        parts.push_back(name.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return parts;
}
