#include "anim/anim_impl_frame.h"

#include <algorithm>

#include "data/data.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "graphics/texture.h"
#include "scene/object.h"

void vK_AnimImpl_Frame::SetProperties(const vK_DataTable& table) {
    int32_t frame = 0;
    if (table.GetInt("frame", frame)) SetFrame(frame);
    vK_AnimImpl::SetProperties(table);
}

void vK_AnimImpl_Frame::GetProperties(vK_DataTable& table) const {
    vK_AnimImpl::GetProperties(table);
    table.SetInt("frame", frame_);
}

void vK_AnimImpl_Frame::SetResource(const std::shared_ptr<vK_Resource>& resource) {
    auto frames = std::dynamic_pointer_cast<vK_FrameAnimRes>(resource);
    if (!frames) return;
    resource_ = frames;
    functions_ = frames->GetFunctions();
    texturePath_ = OwnerFolder() + frames->GetFrameTextureName();
}

bool vK_AnimImpl_Frame::LoadBinary(vK_ByteReader& /*reader*/) { return false; }

void vK_AnimImpl_Frame::LoadXml(const tinyxml2::XMLDocument& document) {
    auto parsed = std::make_shared<vK_FrameAnimRes>();
    parsed->Parse(document);
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    const std::string path = owner_ ? owner_->GetResourceName() : std::string();
    std::shared_ptr<vK_Resource> shared =
        resources ? resources->AddResource(path + kCacheSuffix, parsed) : parsed;
    if (shared) SetResource(shared);
}

std::shared_ptr<vK_Texture> vK_AnimImpl_Frame::GetTexture() const { return texture_; }

int vK_AnimImpl_Frame::AcquireTextures() {
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    texture_ = resources && !texturePath_.empty() ? resources->GetFrameTexture(texturePath_) : nullptr;
    if (!texture_) return -1;
    UpdateOwnerSize();
    return 0;
}

void vK_AnimImpl_Frame::ReleaseTextures() { texture_.reset(); }

const vK_FrameAnimFunction* vK_AnimImpl_Frame::Current() const {
    if (functionIndex_ < 0 || static_cast<size_t>(functionIndex_) >= functions_.size()) return nullptr;
    return &functions_[static_cast<size_t>(functionIndex_)];
}

// An explicit input rectangle is the owner's own size; otherwise it follows the frame.
void vK_AnimImpl_Frame::UpdateOwnerSize() {
    if (!texture_ || !owner_ || owner_->HasInputRect()) return;
    owner_->SetInputRect(false, texture_->GetRect(owner_->GetOwnParams().frame));
}

void vK_AnimImpl_Frame::Play(const std::string& function, const vK_DataScriptFunction& endTrigger) {
    vK_AnimImpl::Play(function, endTrigger);
    for (size_t i = 0; i < functions_.size(); ++i) {
        if (functions_[i].name != function) continue;
        functionIndex_ = static_cast<int>(i);
        timeLeft_ = functions_[i].frameTime;
        position_ = 0;
        if (!functions_[i].frames.empty())
            SetFrame(functions_[i].frames[0]);
        else
            WarnEmptyFunction(function, ".xml");
        return;
    }
    WarnUndefinedFunction(function, ".xml");
}

void vK_AnimImpl_Frame::Stop() {
    vK_AnimImpl::Stop();
    frame_ = 0;
    functionIndex_ = -1;
}

void vK_AnimImpl_Frame::SetFrame(int frame) {
    frame_ = frame;
    if (owner_) owner_->GetOwnParams().frame = frame;
    UpdateOwnerSize();
}

void vK_AnimImpl_Frame::Update(float dt) {
    const vK_FrameAnimFunction* function = Current();
    if (!playing_ || function == nullptr) return;
    const int count = static_cast<int>(function->frames.size());
    // A function without frames has nothing to show: it ends at once, looped or not.
    if (count == 0) {
        playing_ = false;
        QueueEndTrigger();
        return;
    }
    timeLeft_ -= dt;
    if (timeLeft_ > 0.0f) return;
    ++position_;
    if (position_ < count) {
        timeLeft_ += function->frameTime;
        SetFrame(function->frames[static_cast<size_t>(position_)]);
    } else if (function->loop) {
        position_ = 0;
        timeLeft_ += function->frameTime;
        SetFrame(function->frames[0]);
    } else {
        position_ = count - 1;
        playing_ = false;
        QueueEndTrigger();
    }
}

float vK_AnimImpl_Frame::CrossFadeWeight(int* nextFrame) const {
    const vK_FrameAnimFunction* function = Current();
    // A frame time of 0 (or less) has no time to fade over.
    if (!playing_ || function == nullptr || !function->alpha || !(function->frameTime > 0.0f)) return 0.0f;
    const size_t count = function->frames.size();
    if (count == 0 || position_ < 0) return 0.0f;
    size_t next = static_cast<size_t>(position_) + 1;
    if (next >= count) {
        if (!function->loop) return 0.0f;
        next = 0;
    }
    if (nextFrame) *nextFrame = function->frames[next];
    return std::clamp(1.0f - std::max(timeLeft_, 0.0f) / function->frameTime, 0.0f, 1.0f);
}

void vK_AnimImpl_Frame::Draw(vK_Render& render, const vK_DrawParams& state) {
    if (!texture_) return;
    vK_DrawParams params = state;
    params.frame = frame_;
    render.DrawSprite(texture_, params);
    int next = 0;
    const float weight = CrossFadeWeight(&next);
    if (weight <= 0.0f) return;
    params.frame = next;
    params.alpha *= weight;
    render.DrawSprite(texture_, params);
}

vK_Rect vK_AnimImpl_Frame::GetRect() const {
    if (!texture_) return {};
    return texture_->GetRect(owner_ ? owner_->GetOwnParams().frame : frame_);
}
