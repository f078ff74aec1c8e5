#pragma once
#include <cstddef>
#include <span>

#include "script/script_args.h"
#include "script/script_hub.h"

class vK_ScriptHub;

// One row of the registration table: the dotted name with its global aliases
// ("vk.obj.Set; ObjSet"), passed unchanged to RegisterFunction, the function, and what
// the reference says of it.
struct vK_ScriptApiEntry {
    const char* names;
    ScriptApiFunction function;
    vK_ScriptFunctionDoc doc;
};

using vK_ScriptApiGroup = std::span<const vK_ScriptApiEntry>;

// The groups of the engine's script functions, one per api_*.cpp file. A new group
// is a file with its table and one line in the ordered list of script_api.cpp.
vK_ScriptApiGroup ScriptApiMessages();
vK_ScriptApiGroup ScriptApiObjects();
vK_ScriptApiGroup ScriptApiDebug();
vK_ScriptApiGroup ScriptApiModules();
vK_ScriptApiGroup ScriptApiAnimations();
vK_ScriptApiGroup ScriptApiSound();
vK_ScriptApiGroup ScriptApiGrids();
vK_ScriptApiGroup ScriptApiCursor();
vK_ScriptApiGroup ScriptApiParticles();
vK_ScriptApiGroup ScriptApiVideos();
vK_ScriptApiGroup ScriptApiStrings();
vK_ScriptApiGroup ScriptApiEngine();

// Registers every group in the fixed order with a null context. Registering again
// replaces the earlier functions.
void RegisterScriptApi(vK_ScriptHub& hub);
