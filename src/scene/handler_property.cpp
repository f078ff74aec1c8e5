#include "scene/handler_property.h"

#include "data/data.h"
#include "files/log.h"
#include "scene/object.h"

bool ReadHandlerProperty(const vK_Data& value, const char* key, vK_DataScriptFunction& handler) {
    if (value.GetTag() == vK_Data::kScriptFunction) {
        handler.CopyFrom(static_cast<const vK_DataScriptFunction&>(value));
        return true;
    }
    if (value.GetTag() == vK_Data::kString) {
        handler.SetHandle(vK_Object::CompileHandler(static_cast<const vK_DataString&>(value).Value()));
        return true;
    }
    Log("Error: Can not convert a value of '%s' (%s) to Data_ScriptFunction", key, value.GetTypeName());
    return false;
}
