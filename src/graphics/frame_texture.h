#pragma once
#include <map>
#include <memory>
#include <vector>

#include "graphics/texture.h"

// One frame of an atlas: its rectangle on the page texture and its pivot.
struct vK_FrameRect {
    float left = 0.0f;
    float top = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    float x = 0.0f;  // pivot: the object's origin inside the rectangle
    float y = 0.0f;
    std::shared_ptr<vK_Texture> page;
};

// Frames cut from page textures by a frame-texture XML ("frametexture" root with
// "frame" children). Frame numbers go through the alias map first.
class vK_FrameTexture : public vK_Texture {
public:
    bool Load(const std::string& name) override;
    // Parses the XML text; page textures are fetched from the resource manager under
    // pageDirectory + the "texture" attribute.
    bool LoadFromXml(const char* text, size_t length, const std::string& pageDirectory);

    vK_Rect GetRect(int frame) const override;
    vK_Rect GetUV(int frame) const override;
    bool HitTest(float x, float y, const vK_DrawParams& params) override;
    vK_Texture* GetPage(int frame) override;
    vK_DeviceTexture* GetDeviceTexture(int frame) override;

    const std::vector<vK_FrameRect>& GetFrames() const { return frames_; }
    // The frame a number means (through an alias), or nullptr.
    const vK_FrameRect* FindFrame(int frame) const;

private:
    std::vector<vK_FrameRect> frames_;
    std::map<int, int> aliases_;
};
