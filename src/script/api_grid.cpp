// vk.obj.grid: changing and playing grid objects.
#include <string>

#include "scene/grid.h"
#include "script/api_args.h"
#include "script/script_api.h"

namespace {
using vK_ApiArgs::At;

vK_Grid* GridArg(const vK_ScriptArgs& args) { return dynamic_cast<vK_Grid*>(vK_ApiArgs::Object(args, 0)); }

// Element i of a script list: an array, or a table keyed "1", "2", ... as Lua numbers them.
const vK_Data* Element(const vK_Data& list, unsigned i) {
    if (const vK_DataArray* array = list.AsArray()) return array->GetAt(i);
    if (const vK_DataTable* table = list.AsTable()) return table->Get(std::to_string(i + 1));
    return nullptr;
}

// A number, or a string that reads whole as one ("1"), as script arguments are read
// everywhere; nil and other texts are no number.
bool IsNumeric(const vK_Data* value) {
    if (!value) return false;
    if (value->IsNumber()) return true;
    if (value->GetTag() != vK_Data::kString) return false;
    const std::string text = value->ToString();
    double parsed = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && (*first == '-')) ++first;  // the parser takes no sign
    return first != last && ParseDouble(first, last, parsed) == last;
}

size_t ElementCount(const vK_Data& list) {
    if (const vK_DataArray* array = list.AsArray()) return array->Size();
    if (const vK_DataTable* table = list.AsTable()) return table->Size();
    return 0;
}

// GridSet(object, frame, {index, {pos_x=..., pos_y=..., tu=..., tv=...}, index, {...}, ...})
void GridSet(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Grid* grid = GridArg(args);
    const vK_Data* frame = At(args, 1);
    const vK_Data* list = At(args, 2);
    if (!grid || !frame || !list) return;
    const size_t count = ElementCount(*list);
    for (unsigned i = 0; i + 1 < count; i += 2) {
        const vK_Data* index = Element(*list, i);
        const vK_Data* values = Element(*list, i + 1);
        if (index && values && values->AsTable())
            grid->SetVertex(frame->GetInt(), index->GetInt(), *values->AsTable());
    }
}

// GridSetImage(object, frame or nil, texture path or nil)
void GridSetImage(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Grid* grid = GridArg(args);
    if (!grid) return;
    const vK_Data* frame = At(args, 1);
    if (IsNumeric(frame)) grid->SetCurrentFrame(frame->GetInt());
    const vK_Data* path = At(args, 2);
    if (path && !path->IsNull()) grid->SetTexturePath(path->ToString());
}

void GridPlay(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    if (vK_Grid* grid = GridArg(args)) grid->Play(vK_ApiArgs::Handler(args, 1));
}

void GridStop(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    if (vK_Grid* grid = GridArg(args)) grid->Stop();
}

// GridPause(object, number): pauses for a number >= 1, resumes below; without a number
// nothing changes.
void GridPause(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_Grid* grid = GridArg(args);
    const vK_Data* flag = At(args, 1);
    if (grid && IsNumeric(flag)) grid->Pause(flag->GetFloat() >= 1.0f);
}

constexpr vK_ScriptApiEntry kEntries[] = {
    {"vk.obj.grid.Set; GridSet",
     &GridSet,
     {"object: name, frame: int, vertices: {index, {pos_x, pos_y, tu, tv}, ...}",
      "Changes vertices of one frame of a grid: the list alternates a vertex index and a table of the "
      "coordinates to change."}},
    {"vk.obj.grid.SetImage; GridSetImage",
     &GridSetImage,
     {"object: name, frame: int = none, texture: string = none",
      "Shows another frame of the grid and/or maps another texture on it."}},
    {"vk.obj.grid.Play; GridPlay",
     &GridPlay,
     {"object: name, handler: handler = none",
      "Plays the grid's frames from the first and queues handler at the end."}},
    {"vk.obj.grid.Stop; GridStop", &GridStop, {"object: name", "Stops the grid on its current frame."}},
    {"vk.obj.grid.Pause; GridPause",
     &GridPause,
     {"object: name, paused: number", "Pauses the grid for a number of 1 or more and resumes it below 1."}},
};
}  // namespace

vK_ScriptApiGroup ScriptApiGrids() { return kEntries; }
