#include "script/script_args.h"

#include "script/script_hub.h"

vK_ScriptArgs::vK_ScriptArgs(vK_ScriptHub& hub, lua_State* L, int count)
    : hub_(hub), lua_(L), count_(count > 0 ? static_cast<unsigned>(count) : 0) {}

const vK_Data* vK_ScriptArgs::GetAt(unsigned index) const {
    if (index >= count_) return nullptr;
    std::unique_ptr<vK_Data>* slot = nullptr;
    if (index < kInline) {
        slot = &inline_[index];
    } else {
        if (more_.empty()) more_.resize(count_ - kInline);
        slot = &more_[index - kInline];
    }
    if (!*slot) *slot = hub_.ToData(lua_, StackIndex(index));
    return slot->get();
}
