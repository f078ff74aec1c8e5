// vk.strings: texts of the string-table store.
#include "data/string_table.h"
#include "script/api_args.h"
#include "script/script_api.h"

namespace {
void StringGet(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    const vK_Data* id = vK_ApiArgs::At(args, 0);
    vK_StringTable* strings = vK_StringTable::Instance();
    if (!id || !strings) return;
    std::string p[5];
    for (unsigned i = 0; i < 5; ++i) {
        if (const vK_Data* v = vK_ApiArgs::At(args, i + 1)) p[i] = v->ToString();
    }
    results.PushString(strings->Get(id->ToString(), p[0], p[1], p[2], p[3], p[4]));
}

void StringLoad(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    const vK_Data* path = vK_ApiArgs::At(args, 0);
    if (path && vK_StringTable::Instance()) vK_StringTable::Instance()->Load(path->ToString());
}

constexpr vK_ScriptApiEntry kEntries[] = {
    {"vk.strings.Get; StringGet",
     &StringGet,
     {"id: string, p1: string = \"\", p2: string = \"\", p3: string = \"\", p4: string = \"\", p5: string = "
      "\"\" -> string",
      "The text of a string id with %1% to %5% replaced by the parameters; the id itself when no table has "
      "it."}},
    {"vk.strings.Load; StringLoad",
     &StringLoad,
     {"path: string", "Loads the string table PATH.xml in addition to those already loaded."}},
};
}  // namespace

vK_ScriptApiGroup ScriptApiStrings() { return kEntries; }
