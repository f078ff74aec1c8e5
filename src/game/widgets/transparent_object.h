#pragma once
#include "scene/object.h"

// Object type "transparentobject": its pointer handlers run as for any object, but it
// never counts as hit, so the objects below it still receive the event.
class vY_TransparentObject : public vK_Object {
public:
    explicit vY_TransparentObject(const std::string& name = std::string()) : vK_Object(name) {}

    std::string GetType() const override { return "transparentobject"; }
    bool HandleInput(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state) override;

    static void RegisterType();
};
