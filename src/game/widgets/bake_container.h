#pragma once
#include <memory>

#include "core/draw_listener.h"
#include "game/widgets/bake_state.h"
#include "scene/object.h"

// Object type "bakecontainer": a container whose content (the child added last) can be
// rendered once into a texture of the display's size, after which the texture is drawn
// instead of the content's subtree. Static backgrounds made of many sprites then cost
// one quad per frame. The container bakes at the end of a frame, as an engine draw
// listener; it registers when constructed and unregisters when destroyed.
class vY_BakeContainer : public vK_Object, public vK_DrawListener {
public:
    explicit vY_BakeContainer(const std::string& name = std::string());
    ~vY_BakeContainer() override;

    void SetProperties(const vK_DataTable& table) override;
    void GetProperties(vK_DataTable& table, bool full) const override;
    std::string GetType() const override { return "bakecontainer"; }
    void Reset() override;
    bool AddChild(vK_Object* child) override;
    vK_Object* RemoveChild(vK_Object* child, bool recursive) override;
    void Tick(const vK_FrameInfo& frame) override;
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override;
    void DrawChildren(vK_Render& render, const vK_DrawParams& state) override;

    void OnPostDraw(vK_Render& render) override;
    void OnDeviceRestored() override;

    // The content child, nullptr when it was removed or destroyed.
    vK_Object* GetContent() const;
    const vY_BakeState& GetBakeState() const { return bake_; }

    static void RegisterType();

private:
    vY_BakeState bake_;
    std::weak_ptr<vK_Object*> content_;
};
