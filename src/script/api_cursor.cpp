// vk.cursor: the engine cursor's images, position and system-cursor mode.
#include "scene/cursor.h"
#include "script/api_args.h"
#include "script/script_api.h"

namespace {
using vK_ApiArgs::At;

void CursorSet(const vK_DataArray& args, void*, vK_DataArray&) {
    vK_Cursor* cursor = vK_Cursor::Instance();
    const vK_Data* index = At(args, 0);
    if (cursor && index) cursor->SelectImage(index->GetInt());
}

void CursorPosX(const vK_DataArray&, void*, vK_DataArray& results) {
    vK_Cursor* cursor = vK_Cursor::Instance();
    results.PushInt(cursor ? static_cast<int32_t>(cursor->GetX()) : 0);
}

void CursorPosY(const vK_DataArray&, void*, vK_DataArray& results) {
    vK_Cursor* cursor = vK_Cursor::Instance();
    results.PushInt(cursor ? static_cast<int32_t>(cursor->GetY()) : 0);
}

// CursorLoad(file, system cursor number)
void CursorLoad(const vK_DataArray& args, void*, vK_DataArray&) {
    vK_Cursor* cursor = vK_Cursor::Instance();
    const vK_Data* file = At(args, 0);
    const vK_Data* number = At(args, 1);
    if (cursor && file && number) cursor->LoadImage(file->ToString(), number->GetInt());
}

void CursorSetSystem(const vK_DataArray& args, void*, vK_DataArray&) {
    vK_Cursor* cursor = vK_Cursor::Instance();
    const vK_Data* flag = At(args, 0);
    if (cursor && flag) cursor->SetSystem(flag->GetBool());
}

void CursorGetSystem(const vK_DataArray&, void*, vK_DataArray& results) {
    vK_Cursor* cursor = vK_Cursor::Instance();
    results.PushBool(cursor && cursor->IsSystem());
}

constexpr vK_ScriptApiEntry kEntries[] = {
    {"vk.cursor.Set; SetCursor", &CursorSet},
    {"vk.cursor.PosX; CursorPosX", &CursorPosX},
    {"vk.cursor.PosY; CursorPosY", &CursorPosY},
    {"vk.cursor.Load; CursorLoad", &CursorLoad},
    {"vk.cursor.SetSystem; CursorSetSystem", &CursorSetSystem},
    {"vk.cursor.GetSystem; CursorGetSystem", &CursorGetSystem},
};
}  // namespace

vK_ScriptApiGroup ScriptApiCursor() { return kEntries; }
