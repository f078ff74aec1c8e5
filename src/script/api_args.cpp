#include "script/api_args.h"

#include "scene/object.h"
#include "script/script_hub.h"
#include "script/script_warnings.h"

namespace vK_ApiArgs {

const vK_Data* At(const vK_ScriptArgs& args, unsigned index) { return args.GetAt(index); }

vK_Object* Object(const vK_ScriptArgs& args, unsigned index) {
    const vK_Data* v = At(args, index);
    if (!v) return nullptr;
    const std::string name = v->ToString();
    vK_Object* object = vK_Object::FindObject(name);
    if (object && !object->IsDead()) return object;
    // nil and "" name no object on purpose (an optional argument left out).
    if (!v->IsNull() && !name.empty()) vK_ScriptWarnings::MissingObject(name);
    return nullptr;
}

vK_DataScriptFunction Handler(const vK_ScriptArgs& args, unsigned index) {
    const vK_Data* v = At(args, index);
    if (!v) return {};
    if (v->GetTag() == vK_Data::kScriptFunction) {
        return vK_DataScriptFunction(static_cast<const vK_DataScriptFunction*>(v)->GetHandle());
    }
    vK_ScriptHub* hub = vK_ScriptHub::Instance();
    return hub ? hub->CompileCode(v->ToString()) : vK_DataScriptFunction();
}

std::vector<float> Floats(const vK_ScriptArgs& args, unsigned index) {
    std::vector<float> out;
    const vK_Data* v = At(args, index);
    if (const vK_DataArray* a = v ? v->AsArray() : nullptr) {
        out.reserve(a->Size());
        for (const vK_Data* e : *a) out.push_back(e ? e->GetFloat() : 0.0f);
    }
    return out;
}

}  // namespace vK_ApiArgs
