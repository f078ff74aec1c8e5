#include "anim/anim_impl.h"

#include "files/log.h"
#include "files/log_once.h"
#include "graphics/resource_manager.h"
#include "scene/handler_property.h"
#include "scene/object.h"

vK_AnimImpl::~vK_AnimImpl() = default;

void vK_AnimImpl::SetProperties(const vK_DataTable& table) {
    table.GetString("animfunc", function_);
    if (const vK_Data* trigger = table.Get("endtrig")) ReadHandlerProperty(*trigger, "endtrig", endTrigger_);
    bool playing = false;
    if (!table.GetBool("playing", playing)) return;
    if (playing) {
        // Play stores its arguments: pass copies.
        const std::string function = function_;
        vK_DataScriptFunction trigger;
        trigger.CopyFrom(endTrigger_);
        Play(function, trigger);
    } else {
        playing_ = false;
    }
}

void vK_AnimImpl::GetProperties(vK_DataTable& table) const {
    table.SetBool("playing", IsPlaying());
    table.SetString("animfunc", function_);
    table.SetScriptFunction("endtrig", endTrigger_);
}

void vK_AnimImpl::Play(const std::string& function, const vK_DataScriptFunction& endTrigger) {
    playing_ = true;
    endTrigger_.CopyFrom(endTrigger);
    function_ = function;
}

void vK_AnimImpl::QueueEndTrigger() {
    if (owner_) vK_Object::QueueHandler(endTrigger_, owner_->GetName());
}

std::string vK_AnimImpl::OwnerFolder() const {
    if (!owner_) return {};
    const std::string name = vK_ResourceManager::Normalize(owner_->GetResourceName());
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

void vK_AnimImpl::WarnUndefinedFunction(const std::string& function, const char* extension) const {
    if (function.empty() || !owner_) return;
    const std::string file = owner_->GetResourceName() + extension;
    LogOnce("animfunc " + owner_->GetName() + " " + file + " " + function,
            "Warning: object \"" + owner_->GetName() + "\" plays animation function \"" + function +
                "\", which " + file + " does not define");
}

void vK_AnimImpl::WarnEmptyFunction(const std::string& function, const char* extension) const {
    if (!owner_) return;
    const std::string file = owner_->GetResourceName() + extension;
    LogOnce("empty animfunc " + file + " " + function, "Warning: animation function \"" + function +
                                                           "\" of " + file + " has no frames (object \"" +
                                                           owner_->GetName() + "\" plays it)");
}
