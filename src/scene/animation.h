#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "scene/object.h"

class vK_AnimImpl;

// Object type "anim": the scene-side shell of an animation implementation (frame,
// complex or flash animation), chosen from the resource when "res" is set. Children
// with an "anim_tag" are attached to the implementation's part of that name: the
// implementation tests and draws them at their part, the ordinary child passes skip
// them.
class vK_Animation : public vK_Object {
public:
    explicit vK_Animation(const std::string& name = std::string());
    ~vK_Animation() override;

    std::shared_ptr<vK_Resource> GetResource() const override;
    // The base keys, the implementation's, then the tagged children are rebound.
    void SetProperties(const vK_DataTable& table) override;
    void GetProperties(vK_DataTable& table, bool full) const override;
    bool AddChild(vK_Object* child) override;
    vK_Object* RemoveChild(vK_Object* child, bool recursive) override;
    std::string GetType() const override { return "anim"; }
    vK_Rect GetDrawRect() const override;
    void Reset() override;
    bool Load() override;
    bool Unload() override;
    bool EnterScene() override;
    bool LeaveScene() override;
    void Tick(const vK_FrameInfo& frame) override;
    vK_Object* InputChildren(const vK_InputEvent& event, vK_Object* hit, const vK_DrawParams& state) override;
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override;
    void DrawChildren(vK_Render& render, const vK_DrawParams& state) override;
    void DumpLine(bool skip, int indent) const override;

    // Script operations; each does nothing without an implementation.
    void Play(const std::string& function, const vK_DataScriptFunction& handler);
    void Stop();
    void Pause(bool pause);
    void AttachChildToObj(const std::string& first, const std::string& second);

    // The world matrix of the part named tag; false when the implementation has no
    // such part. An animation that is itself tagged into an outer animation composes
    // with the outer animation's matrix of its own tag.
    bool GetTagMatrix(const std::string& tag, vK_Matrix& matrix) const;

    vK_AnimImpl* GetImpl() const { return impl_.get(); }
    // Installs an implementation (owner set to this object) and rebinds the tagged
    // children; nullptr removes it.
    void SetImpl(std::unique_ptr<vK_AnimImpl> impl);
    // The tags currently attached to the implementation, in tag order.
    std::vector<std::string> GetAttachedTags() const;

    // Chooses the implementation for the text of an animation XML file (root
    // "animation" and its "type"); nullptr with a log line when there is none. path
    // names the file in log lines.
    static std::unique_ptr<vK_AnimImpl> ImplFromXml(const uint8_t* data, size_t size, const std::string& path,
                                                    vK_Animation* owner);
    static void RegisterType();

private:
    struct Tagged {
        vK_Object* child = nullptr;  // not owned; valid while ref is alive and it is our child
        std::weak_ptr<vK_Object*> ref;
    };
    std::unique_ptr<vK_AnimImpl> ChooseImpl();
    void Rebind();
    void DetachAll();
    // Forgets tags whose child died or moved to another parent.
    void PruneTagged();
    bool IsTaggedChild(const Tagged& tagged) const;
    // Switches the input or visible flag of the attached children off; Restore puts
    // the saved values back on the children that are still ours.
    struct Saved {
        vK_Object* child;
        std::weak_ptr<vK_Object*> ref;
        bool value;
    };
    std::vector<Saved> SuppressTagged(bool input);
    void RestoreTagged(const std::vector<Saved>& saved, bool input);

    std::unique_ptr<vK_AnimImpl> impl_;
    std::map<std::string, Tagged> tagged_;
};
