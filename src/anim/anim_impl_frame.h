#pragma once
#include <memory>
#include <string>
#include <vector>

#include "anim/anim_impl.h"
#include "anim/frame_anim_res.h"

class vK_FrameTexture;

// The frame animation: named functions stepping through frames of one frame texture
// (an atlas beside the animation file) at a fixed frame time, once or looped, with an
// optional cross-fade into the next frame. At most one frame advances per update; the
// remaining time carries over.
class vK_AnimImpl_Frame : public vK_AnimImpl {
public:
    // Reads "frame" (SetFrame), then the base keys.
    void SetProperties(const vK_DataTable& table) override;
    // The base keys and "frame" (the current frame).
    void GetProperties(vK_DataTable& table) const override;
    // Keeps a vK_FrameAnimRes: copies its functions and resolves the frame texture
    // path against the folder of the owner's resource path.
    void SetResource(const std::shared_ptr<vK_Resource>& resource) override;
    bool LoadBinary(vK_ByteReader& reader) override;
    // Parses the document into a new shared description, cached under the owner's
    // resource path + "_vk_animation___".
    void LoadXml(const tinyxml2::XMLDocument& document) override;
    std::shared_ptr<vK_Texture> GetTexture() const override;
    int AcquireTextures() override;
    void ReleaseTextures() override;
    void Update(float dt) override;
    void Draw(vK_Render& render, const vK_DrawParams& state) override;
    void Play(const std::string& function, const vK_DataScriptFunction& endTrigger) override;
    void Stop() override;
    void SetFrame(int frame) override;
    vK_Rect GetRect() const override;

    // The suffix of the cache names of parsed animation descriptions.
    static constexpr const char* kCacheSuffix = "_vk_animation___";

    int GetCurrentFunction() const { return functionIndex_; }
    int GetPosition() const { return position_; }
    int GetCurrentFrame() const { return frame_; }
    float GetTimeLeft() const { return timeLeft_; }
    const std::string& GetFrameTexturePath() const { return texturePath_; }
    const std::shared_ptr<vK_FrameAnimRes>& GetAnimResource() const { return resource_; }
    // The weight of the next frame drawn over the current one (0 when none is drawn).
    float CrossFadeWeight(int* nextFrame) const;

private:
    const vK_FrameAnimFunction* Current() const;
    void UpdateOwnerSize();

    std::shared_ptr<vK_FrameAnimRes> resource_;
    std::vector<vK_FrameAnimFunction> functions_;
    std::string texturePath_;
    std::shared_ptr<vK_Texture> texture_;
    int functionIndex_ = -1;
    int position_ = 0;
    int frame_ = 0;
    float timeLeft_ = 0.0f;
};
