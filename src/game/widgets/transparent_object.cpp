#include "game/widgets/transparent_object.h"

void vY_TransparentObject::RegisterType() {
    RegisterObjectType(
        "transparentobject",
        []() -> std::unique_ptr<vK_Object> { return std::make_unique<vY_TransparentObject>(); },
        {"An object whose pointer handlers run as for any object but which never counts as hit, so the "
         "objects below it receive the event too.",
         nullptr, "obj"});
}

bool vY_TransparentObject::HandleInput(const vK_InputEvent& event, vK_Object* hit,
                                       const vK_DrawParams& state) {
    vK_Object::HandleInput(event, hit, state);
    return false;
}
