#pragma once
#include "graphics/draw_params.h"
#include "graphics/rect.h"
#include "graphics/resource.h"

class vK_DeviceTexture;

// An image the renderer can draw: a plain texture, an atlas of frames, a generated or a
// render-target texture. Sizes are 1 x 1 until loaded.
class vK_Texture : public vK_Resource {
public:
    vK_Texture() { SetName("vk_dummytex"); }

    // Local drawing rectangle of a frame; plain textures are centred on the origin.
    virtual vK_Rect GetRect(int frame) const;
    // Texture-coordinate origin and extent {u, v, du, dv} of a frame.
    virtual vK_Rect GetUV(int frame) const;
    // Whether the screen point hits an opaque pixel of the frame drawn with params.
    virtual bool HitTest(float x, float y, const vK_DrawParams& params);
    // Whether pixel (px, py) of the page is transparent; the base treats every pixel as opaque.
    virtual bool IsTransparent(int px, int py);
    // The texture holding the frame's pixels (this for plain textures); batches share pages.
    virtual vK_Texture* GetPage(int frame);
    // Device storage to bind for the frame, or nullptr.
    virtual vK_DeviceTexture* GetDeviceTexture(int frame);

    float GetWidth() const { return width_; }
    float GetHeight() const { return height_; }
    float GetTextureWidth() const { return textureWidth_; }
    float GetTextureHeight() const { return textureHeight_; }

    // Maps a screen point through the inverse of params (offset, then matrix) into the
    // local space of rect; false when the point lies outside the transformed rectangle.
    static bool ToLocal(const vK_Rect& rect, float x, float y, const vK_DrawParams& params, float& localX,
                        float& localY);

protected:
    void SetSizes(float width, float height, float textureWidth, float textureHeight) {
        width_ = width;
        height_ = height;
        textureWidth_ = textureWidth;
        textureHeight_ = textureHeight;
    }

private:
    float width_ = 1.0f;
    float height_ = 1.0f;
    float textureWidth_ = 1.0f;
    float textureHeight_ = 1.0f;
    vK_LiveCounted<vK_LiveKind::Texture> liveTextureCount_;
};
