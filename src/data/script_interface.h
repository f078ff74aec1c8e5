#pragma once
#include <memory>
#include <string>

#include "files/seam.h"

// The abstract handle a vK_DataScriptFunction holds. The Lua host provides the
// real implementation (vK_LuaScript); the data layer only copies, names and
// compares handles.
class vK_ScriptInterface {
public:
    virtual ~vK_ScriptInterface() = default;
    // The source text the handle was made from (empty for handles made from a value).
    virtual std::string GetSource() const { return {}; }
    // True when the handle holds no compiled reference.
    virtual bool IsEmpty() const { return true; }
};

using vK_ScriptHandle = std::shared_ptr<vK_ScriptInterface>;

// Resolves a global script function by name. Installed by the script host; while
// none is installed, names resolve to an empty handle.
using vK_ScriptResolver = vK_ScriptHandle (*)(const std::string& name);
vK_Seam<vK_ScriptResolver>& ScriptResolverSeam();
vK_ScriptHandle ResolveScriptFunction(const std::string& name);
