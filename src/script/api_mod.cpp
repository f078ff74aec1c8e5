// vk.mod: loading modules, as globals or as instances.
#include "script/api_args.h"
#include "script/module_file.h"
#include "script/script_api.h"

namespace {
void ModLoad(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    if (const vK_Data* path = vK_ApiArgs::At(args, 0)) LoadModule(path->ToString());
}

void ModLoadInstance(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    const vK_Data* path = vK_ApiArgs::At(args, 0);
    if (!path) return;
    // The flag counts only when it is a boolean: the number 1 keeps no objects.
    const vK_Data* keep = args.GetAt(1);
    const bool with_objects = keep && keep->GetTag() == vK_Data::kBool && keep->GetBool();
    const std::string prefix = FindString(args.GetAt(2), "", "");
    vK_DataScriptFunction table = LoadModuleInstance(path->ToString(), with_objects, prefix);
    results.Push(table.Clone());  // an empty function reaches the script as nil
}

constexpr vK_ScriptApiEntry kEntries[] = {
    {"vk.mod.Load; ModLoad",
     &ModLoad,
     {"path: string",
      "Loads the module PATH.xml and PATH.lua: its objects go to storage and its table becomes the global "
      "named after the module."}},
    {"vk.mod.LoadInstance",
     &ModLoadInstance,
     {"path: string, with_objects: bool = false, prefix: string = \"\" -> table",
      "Loads one more copy of a module, its objects named prefix + their \"_name\", and returns its table "
      "instead of setting a global; objects are kept only when with_objects is the boolean true."}},
};
}  // namespace

vK_ScriptApiGroup ScriptApiModules() { return kEntries; }
