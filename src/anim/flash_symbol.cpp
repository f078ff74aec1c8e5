#include "anim/flash_symbol.h"

#include "scene/object.h"

vK_Object* vK_FlashSymbol::GetAttached() const {
    const std::shared_ptr<vK_Object*> handle = attachedRef_.lock();
    return handle && *handle ? attached_ : nullptr;
}

void vK_FlashSymbol::Attach(vK_Object* object) {
    attached_ = object;
    attachedRef_ = object ? object->GetWeakRef() : std::weak_ptr<vK_Object*>();
}
