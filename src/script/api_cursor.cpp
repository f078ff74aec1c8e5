// vk.cursor: the engine cursor's images, position and system-cursor mode.
#include "scene/cursor.h"
#include "script/api_args.h"
#include "script/script_api.h"

namespace {
using vK_ApiArgs::At;

void CursorSet(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Cursor* cursor = vK_Cursor::Instance();
    const vK_Data* index = At(args, 0);
    if (cursor && index) cursor->SelectImage(index->GetInt());
}

void CursorPosX(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    vK_Cursor* cursor = vK_Cursor::Instance();
    results.PushInt(cursor ? static_cast<int32_t>(cursor->GetX()) : 0);
}

void CursorPosY(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    vK_Cursor* cursor = vK_Cursor::Instance();
    results.PushInt(cursor ? static_cast<int32_t>(cursor->GetY()) : 0);
}

// CursorLoad(file, system cursor number)
void CursorLoad(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Cursor* cursor = vK_Cursor::Instance();
    const vK_Data* file = At(args, 0);
    const vK_Data* number = At(args, 1);
    if (cursor && file && number) cursor->LoadImage(file->ToString(), number->GetInt());
}

void CursorSetSystem(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Cursor* cursor = vK_Cursor::Instance();
    const vK_Data* flag = At(args, 0);
    if (cursor && flag) cursor->SetSystem(flag->GetBool());
}

void CursorGetSystem(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    vK_Cursor* cursor = vK_Cursor::Instance();
    results.PushBool(cursor && cursor->IsSystem());
}

constexpr vK_ScriptApiEntry kEntries[] = {
    {"vk.cursor.Set; SetCursor",
     &CursorSet,
     {"index: int", "Shows the cursor image loaded as number index (counting from 0)."}},
    {"vk.cursor.PosX; CursorPosX", &CursorPosX, {"-> int", "The pointer's x in reference units."}},
    {"vk.cursor.PosY; CursorPosY", &CursorPosY, {"-> int", "The pointer's y in reference units."}},
    {"vk.cursor.Load; CursorLoad",
     &CursorLoad,
     {"file: string, system: int",
      "Adds a cursor image: FILE.png, or an animation FILE.xml/.anm playing \"DoAnim\"; its index is the "
      "number loaded before, and system (a system cursor's number) is not used on this platform."}},
    {"vk.cursor.SetSystem; CursorSetSystem",
     &CursorSetSystem,
     {"system: bool", "Shows the system's cursor instead of the engine's images."}},
    {"vk.cursor.GetSystem; CursorGetSystem",
     &CursorGetSystem,
     {"-> bool", "Whether the system's cursor is shown."}},
};
}  // namespace

vK_ScriptApiGroup ScriptApiCursor() { return kEntries; }
