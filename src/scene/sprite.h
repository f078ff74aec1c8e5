#pragma once
#include <memory>

#include "scene/object.h"

class vK_Texture;

// Object type "spr": one frame of a texture, a plain image or a frame of an atlas. The
// texture is held only while the sprite is in the live scene; hit tests are per pixel
// unless an explicit input rectangle is set.
class vK_Sprite : public vK_Object {
public:
    explicit vK_Sprite(const std::string& name = std::string()) : vK_Object(name) {}
    ~vK_Sprite() override;

    std::shared_ptr<vK_Resource> GetResource() const override;
    void SetProperties(const vK_DataTable& table) override;
    void GetProperties(vK_DataTable& table, bool full) const override;
    const vK_PropertyTable* DirectProperties() const override;
    std::string GetType() const override { return "spr"; }
    vK_Rect GetDrawRect() const override;
    bool HitTest(float x, float y, const vK_DrawParams& state) const override;
    bool EnterScene() override;
    bool LeaveScene() override;
    void DrawSelf(vK_Render& render, const vK_DrawParams& state) override;

    virtual const std::shared_ptr<vK_Texture>& GetSpriteTexture() const { return texture_; }
    // Stores the frame; without an explicit input rectangle the hit area follows it.
    virtual void SetFrame(int frame);
    virtual int GetFrame() const { return GetOwnParams().frame; }

    static void RegisterType();

private:
    static const vK_PropertyTable& SpriteProperties();
    // Warns (once per cause) when the frame is not one of the atlas's frames.
    void WarnMissingFrame() const;

    std::shared_ptr<vK_Texture> texture_;
};
