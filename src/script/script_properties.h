#pragma once

struct lua_State;
class vK_Object;

// Applies a script table of properties to an object without building a vK_DataTable:
// its string keys are looked up in the object's property table (vK_Object's
// DirectProperties) and its scalar values go straight to the entries, converted as the
// general Lua-to-data conversion converts them, so the outcome is that of
// SetProperties with the converted table.
class vK_ScriptProperties {
public:
    // Applies the table at index (an absolute stack index of L) to object. Returns
    // false, having changed nothing, when that cannot be done directly: the object's
    // class has no direct property table, or a key the class knows holds a table,
    // function or other value that only the general conversion handles. A table
    // whose first key is not a string (the conversion makes an array of it, which is
    // no property table) applies nothing and gives true.
    static bool Apply(lua_State* L, int index, vK_Object& object);
};
