#include "scene/handler_property.h"

#include "data/data.h"
#include "files/log.h"
#include "script/script_hub.h"

bool ReadHandlerProperty(const vK_DataTable& table, const std::string& key, vK_DataScriptFunction& handler) {
    const vK_Data* value = table.Get(key);
    if (value == nullptr) return false;
    if (value->GetTag() == vK_Data::kScriptFunction) {
        handler.CopyFrom(*static_cast<const vK_DataScriptFunction*>(value));
        return true;
    }
    if (value->GetTag() == vK_Data::kString) {
        vK_ScriptHub* hub = vK_ScriptHub::Instance();
        handler.SetHandle(hub ? hub->CompileCode(value->ToString()).GetHandle() : nullptr);
        return true;
    }
    Log("Error: Can not convert a value of '%s' (%s) to Data_ScriptFunction", key.c_str(),
        value->GetTypeName());
    return false;
}
