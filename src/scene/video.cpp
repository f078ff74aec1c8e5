#include "scene/video.h"

#include <algorithm>

#include "core/frame_info.h"
#include "data/data.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "graphics/device_texture.h"
#include "graphics/generated_texture.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "media/subtitle_track.h"
#include "media/video_impl_ogg.h"
#include "scene/handler_property.h"

vK_Video::vK_Video(const std::string& name) : vK_Object(name) {}

vK_Video::~vK_Video() = default;

namespace {
// The keys SetProperties and GetProperties handle outside a property table.
constexpr vK_Object::PropertyDoc kTypeKeys[] = {
    {"playing", "bool", "0", "read/write"},
    {"looped", "bool", "0", "read/write"},
    {"endtrig", "handler", "none", "read/write"},
    {"frame", "int", "0", "read/write"},
};
}  // namespace

void vK_Video::RegisterType() {
    RegisterObjectType("video", []() -> std::unique_ptr<vK_Object> { return std::make_unique<vK_Video>(); },
                       {"A Theora video (\"res\" names N.ogg, with N.zalpha or N.oggalpha alpha and N.srt "
                        "subtitles) decoded into a texture while in the live scene.",
                        nullptr, "obj", kTypeKeys});
}

std::shared_ptr<vK_Resource> vK_Video::GetResource() const { return texture_; }

void vK_Video::SetProperties(const vK_DataTable& table) {
    vK_Object::SetProperties(table);
    table.GetBool("playing", playing_);
    table.GetBool("looped", looped_);
    if (const vK_Data* trigger = table.Get("endtrig")) ReadHandlerProperty(*trigger, "endtrig", endHandler_);
    int32_t frame = 0;
    if (table.GetInt("frame", frame)) SetFrame(frame);
}

void vK_Video::GetProperties(vK_DataTable& table, bool full) const {
    vK_Object::GetProperties(table, full);
    table.SetBool("playing", playing_);
    table.SetBool("looped", looped_);
    table.SetScriptFunction("endtrig", endHandler_);
    table.SetInt("frame", currentFrame_);
}

vK_Rect vK_Video::GetDrawRect() const { return texture_ ? texture_->GetRect(0) : vK_Rect{}; }

void vK_Video::RestoreGraphics(bool recursive) {
    vK_Object::RestoreGraphics(recursive);
    if (!decoder_) return;
    texture_.reset();
    ShowCurrentFrame();
}

void vK_Video::Reset() {
    vK_Object::Reset();
    elapsed_ = 0.0f;
    currentFrame_ = 0;
    playing_ = false;
    looped_ = false;
    endHandler_.Reset();
}

bool vK_Video::EnterScene() {
    if (IsInScene()) return true;
    vK_Object::EnterScene();
    const std::string path = vK_ResourceManager::Normalize(GetResourceName());
    vK_FileManager* files = vK_FileManager::Instance();
    if (path.empty() || !files) return false;
    if (files->Exists(path + ".ogg") == 0) {
        decoder_ = std::make_unique<vK_VideoImpl_Ogg>(GetName());
        if (decoder_->Open(path) && decoder_->GetFPS() > 0.0f) {
            frameDuration_ = 1.0f / decoder_->GetFPS();
            ShowCurrentFrame();
        } else {
            decoder_.reset();
        }
    } else if (!missingLogged_) {
        // Such a video never ends by itself: a script waiting for its end waits forever.
        Log("Error: video %s could not find \"%s\" ogg file!", GetName().c_str(), path.c_str());
        missingLogged_ = true;
    }
    if (files->Exists(path + ".srt") == 0) {
        subtitles_ = std::make_unique<vK_SubtitleTrack>();
        subtitles_->Load(path + ".srt");
    }
    if (texture_ && !HasInputRect()) SetInputRect(false, texture_->GetRect(0));
    return decoder_ != nullptr;
}

bool vK_Video::LeaveScene() {
    texture_.reset();
    decoder_.reset();
    subtitles_.reset();  // hides a subtitle still shown
    return vK_Object::LeaveScene();
}

void vK_Video::Play(const vK_DataScriptFunction& handler) {
    if (playing_) return;
    playing_ = true;
    endHandler_.CopyFrom(handler);
    currentFrame_ = 0;
    elapsed_ = 0.0f;
    if (subtitles_) subtitles_->Rewind();
    ShowCurrentFrame();
}

void vK_Video::Stop() {
    playing_ = false;
    currentFrame_ = 0;
    elapsed_ = 0.0f;
    if (subtitles_) subtitles_->Rewind();
    ShowCurrentFrame();
}

void vK_Video::SetFrame(int frame) {
    frame = std::max(frame, 0);
    if (frame == currentFrame_) return;
    playing_ = false;
    currentFrame_ = frame;
    if (subtitles_) subtitles_->Rewind();
    ShowCurrentFrame();
}

void vK_Video::ShowCurrentFrame() {
    elapsed_ = static_cast<float>(currentFrame_) * frameDuration_;
    if (!decoder_) return;
    decoder_->SeekToFrame(currentFrame_);
    DecodeIntoTexture();
}

bool vK_Video::DecodeIntoTexture() {
    if (!decoder_ || !decoder_->DecodeFrame()) return false;
    const int width = decoder_->GetWidth();
    const int height = decoder_->GetHeight();
    pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    decoder_->CopyFrame(pixels_.data(), 0);
    ++convertCount_;
    // The same texture takes every picture of the video; a new one only when the size
    // changed or the device storage was lost.
    if (texture_ && static_cast<int>(texture_->GetWidth()) == width &&
        static_cast<int>(texture_->GetHeight()) == height) {
        vK_DeviceTexture* device = texture_->GetDeviceTexture(0);
        if (device && device->IsValid() && device->Upload(pixels_.data(), width, height, width * 4))
            return true;
    }
    texture_.reset();
    vK_Render* render = vK_Render::Instance();
    if (!render) return true;
    std::shared_ptr<vK_GeneratedTexture> texture = render->CreateGeneratedTexture();
    if (texture && texture->CreateFromPixels(pixels_.data(), width, height)) {
        texture->SetName(GetName() + "_tex");
        texture_ = std::move(texture);
    }
    return true;
}

void vK_Video::Tick(const vK_FrameInfo& frame) {
    vK_Object::Tick(frame);
    if (!playing_ || !decoder_ || frameDuration_ <= 0.0f) return;
    elapsed_ += frame.elapsed;
    // A hair over the quotient, so that a time of exactly k frames counts as k.
    const int target = static_cast<int>(elapsed_ / frameDuration_ + 1e-4f);
    while (currentFrame_ < target - 1) {
        if (!decoder_->SkipFrame()) {
            End();
            return;
        }
        ++currentFrame_;
    }
    if (subtitles_) subtitles_->Update(elapsed_);
    if (target - currentFrame_ == 1) {
        if (DecodeIntoTexture())
            ++currentFrame_;
        else
            End();
    }
}

void vK_Video::End() {
    playing_ = false;
    QueueEndHandler();
    if (looped_) Play(endHandler_);
}

void vK_Video::QueueEndHandler() { QueueHandler(endHandler_, GetName()); }

void vK_Video::DrawSelf(vK_Render& render, const vK_DrawParams& state) {
    if (texture_) render.DrawSprite(texture_, state);
}

void vK_Video::DumpLine(bool skip, int indent) const {
    vK_Object::DumpLine(skip, indent);
    if (skip) return;
    const std::string pad(indent > 1 ? static_cast<size_t>(indent) * 2 : 0, ' ');
    Log("%s  - ; frame=%d; playing=%d; looped=%d", pad.c_str(), currentFrame_, playing_ ? 1 : 0,
        looped_ ? 1 : 0);
}
