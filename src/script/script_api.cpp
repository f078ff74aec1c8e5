#include "script/script_api.h"

namespace {
using GroupFn = vK_ScriptApiGroup (*)();

// Registration order: msg, obj, dbg, mod, snd, obj.anim, obj.grid, obj.vid, obj.ps,
// cursor, strings, then the vk engine queries ending with config.GetData. The
// media groups and the cursor join this list, in their places, with their object
// types.
constexpr GroupFn kGroups[] = {
    &ScriptApiMessages,  &ScriptApiObjects,    &ScriptApiDebug,   &ScriptApiModules,
    &ScriptApiSound,     &ScriptApiAnimations, &ScriptApiGrids,   &ScriptApiVideos,
    &ScriptApiParticles, &ScriptApiCursor,     &ScriptApiStrings, &ScriptApiEngine,
};
}  // namespace

void RegisterScriptApi(vK_ScriptHub& hub) {
    for (GroupFn group : kGroups) {
        for (const vK_ScriptApiEntry& entry : group())
            hub.RegisterFunction(entry.names, entry.function, nullptr, entry.doc);
    }
}
