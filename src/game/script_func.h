#pragma once
#include <span>

#include "script/script_api.h"

class vK_ScriptHub;
struct vK_Matrix;

// The game's plain global script functions: level switching and pausing, sounds on the
// four setting channels, settings and profiles, game-space coordinates, build and
// configuration queries, the strategy-guide reader, desktop services and the constant
// answers of the handheld group. The application registers them once after the engine's
// own functions.
class vY_ScriptFunc {
public:
    // Registers every function under its global name, in the fixed order, with a null
    // context.
    static void Register(vK_ScriptHub& hub);
    // The registration table, in order.
    static std::span<const vK_ScriptApiEntry> Entries();

    // GetStrategyGuide (file name): the guide's table of contents and chapters, or nothing
    // when the file does not load.
    static void GetStrategyGuide(const vK_ScriptArgs& args, void* context, vK_DataArray& results);
    // GetObjPosByObj (object name, [space name]): the object's position in the space.
    static void GetObjPosByObj(const vK_ScriptArgs& args, void* context, vK_DataArray& results);
    // The application root's transform as answered by "Request_Application_GetMatrix"
    // (identity when nobody answers).
    static vK_Matrix ApplicationMatrix();
};
