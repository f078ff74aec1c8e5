#include "script/lua_data_rules.h"

namespace vK_LuaDataRules {

bool TableKey(lua_State* L, int key, std::string& number_text, std::string_view& out) {
    switch (lua_type(L, key)) {
        case LUA_TSTRING: {
            size_t length = 0;
            const char* text = lua_tolstring(L, key, &length);  // a string already: no conversion
            out = std::string_view(text, length);
            return true;
        }
        case LUA_TNUMBER:
            number_text = FormatNumber(lua_tonumber(L, key), false, 14);
            out = number_text;
            return true;
        default:
            return false;
    }
}

}  // namespace vK_LuaDataRules
