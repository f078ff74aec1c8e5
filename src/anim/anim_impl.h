#pragma once
#include <memory>
#include <string>

#include "data/data.h"
#include "graphics/rect.h"

class vK_ByteReader;
class vK_DataTable;
class vK_Object;
class vK_Render;
class vK_Resource;
class vK_Texture;
struct vK_DrawParams;
struct vK_InputEvent;
struct vK_Matrix;
namespace tinyxml2 {
class XMLDocument;
}

// What an animation object ("anim") delegates its playback to: the frame, complex and
// flash animations derive from it. The base keeps the playing flag, the end trigger
// and the current function name, and gives every other operation a neutral default.
// The owner is the animation object holding the implementation (not owned); the
// implementation reads its name, resource path and draw parameters and writes the
// current frame into those parameters.
class vK_AnimImpl {
public:
    vK_AnimImpl() = default;
    virtual ~vK_AnimImpl();
    vK_AnimImpl(const vK_AnimImpl&) = delete;
    vK_AnimImpl& operator=(const vK_AnimImpl&) = delete;

    // Reads "animfunc" (string), "endtrig" (handler) and "playing" (bool): true plays
    // the function with the trigger, false clears the playing flag.
    virtual void SetProperties(const vK_DataTable& table);
    // Writes "playing", "animfunc" and "endtrig".
    virtual void GetProperties(vK_DataTable& table) const;
    virtual void SetResource(const std::shared_ptr<vK_Resource>& /*resource*/) {}
    virtual bool LoadBinary(vK_ByteReader& reader) = 0;
    virtual void LoadXml(const tinyxml2::XMLDocument& document) = 0;
    virtual std::shared_ptr<vK_Texture> GetTexture() const { return nullptr; }
    // Fetches the textures; -1 when they are missing.
    virtual int AcquireTextures() = 0;
    virtual void ReleaseTextures() = 0;
    virtual void Update(float dt) = 0;
    // Hit test of the objects attached to parts; returns hit when none is hit.
    virtual vK_Object* PickAttached(const vK_InputEvent& /*event*/, vK_Object* hit,
                                    const vK_DrawParams& /*state*/) {
        return hit;
    }
    virtual void Draw(vK_Render& render, const vK_DrawParams& state) = 0;
    virtual void Play(const std::string& function, const vK_DataScriptFunction& endTrigger);
    virtual void Stop() { playing_ = false; }
    virtual void Pause(bool pause) { playing_ = !pause; }
    virtual bool IsPlaying() const { return playing_; }
    virtual void SetFrame(int /*frame*/) {}
    // Script AttachChildToObj (child name, part name): binds the owner's child named first
    // to the part named second.
    virtual void AttachChildToObj(const std::string& /*first*/, const std::string& /*second*/) {}
    // A tagged child of the owner follows the part named tag (not owned).
    virtual void AttachTagged(const std::string& /*tag*/, vK_Object* /*child*/) {}
    virtual void DetachTagged(const std::string& /*tag*/) {}
    virtual vK_Rect GetRect() const { return {}; }
    // The current matrix of the part named name, relative to the owner.
    virtual bool GetObjectMatrix(const std::string& /*name*/, vK_Matrix& /*matrix*/) const { return false; }
    // Reserved for the complex animation.
    virtual void PartHook(const std::string& /*first*/, const std::string& /*second*/) {}

    void SetOwner(vK_Object* owner) { owner_ = owner; }
    vK_Object* GetOwner() const { return owner_; }
    const std::string& GetFunctionName() const { return function_; }
    const vK_DataScriptFunction& GetEndTrigger() const { return endTrigger_; }

protected:
    // Queues the end trigger as a deferred script call with {sender = owner name}.
    void QueueEndTrigger();
    // The folder of the owner's resource path (backslashes made slashes, up to and including
    // the last '/'), where the files an animation names are looked up; empty without one.
    std::string OwnerFolder() const;
    // Warnings (once per cause) for a Play that shows nothing: the file (the owner's
    // resource path + extension) defines no function of that name, or the function has
    // no frames. An empty function name is no mistake and gives none.
    void WarnUndefinedFunction(const std::string& function, const char* extension) const;
    void WarnEmptyFunction(const std::string& function, const char* extension) const;

    vK_Object* owner_ = nullptr;  // not owned
    bool playing_ = false;
    vK_DataScriptFunction endTrigger_;
    std::string function_;
};
