#pragma once
#include <memory>
#include <string>

class vK_Object;
class vK_Texture;

// One entry of a flash animation's "objects" list: the image a placement draws (a
// texture or a frame texture), its size (the placement's origin is its top-left
// corner) and the id under which a scene object can be attached to it.
struct vK_FlashSymbol {
    std::shared_ptr<vK_Texture> texture;  // present while textures are acquired
    std::string resource;                 // the animation file's folder + "res"
    std::string kind;                     // "texture" or "frametexture"; others draw nothing
    float width = 0.0f;
    float height = 0.0f;
    std::string id;

    // The attached scene object, or nullptr when none is attached or it has died since.
    vK_Object* GetAttached() const;
    void Attach(vK_Object* object);

private:
    vK_Object* attached_ = nullptr;  // not owned; valid while attachedRef_ is alive
    std::weak_ptr<vK_Object*> attachedRef_;
};
