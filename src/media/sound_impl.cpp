#include "media/sound_impl.h"

#include <vector>

#include "files/file_manager.h"
#include "files/log.h"
#include "media/sound_decoder.h"

vK_Sound_Impl::vK_Sound_Impl(vK_Mixer& mixer, const std::string& name, const std::string& category, bool flag)
    : vK_Sound(name, category, flag), mixer_(mixer) {}

vK_Sound_Impl::~vK_Sound_Impl() { Release(); }

void vK_Sound_Impl::Start(bool loop, float fadeIn) {
    const std::string path = GetName() + ".ogg";
    std::vector<uint8_t> bytes;
    vK_FileManager* files = vK_FileManager::Instance();
    if (files && files->LoadFile(path, bytes, 0) == 0) {
        std::string reason;
        if (auto decoder = vK_SoundDecoder::Open(std::move(bytes), loop, &reason))
            // The channel starts at its first volume: a fade-in never begins with a loud block.
            channel_ = mixer_.Add(std::move(decoder), fadeIn > 0.0f ? 0.0f : GetTargetVolume());
        else
            Log("Error: sound could not decode \"%s\" file: %s", path.c_str(), reason.c_str());
    }
    BeginFade(loop, fadeIn);
}

void vK_Sound_Impl::Tick(const vK_FrameInfo& frame) {
    vK_Sound::Tick(frame);
    if (GetState() == kFinished) return;
    // Also while paused: a sound without a channel is gone at the next update.
    if (!mixer_.IsActive(channel_)) {
        const std::string reason = channel_ ? mixer_.FailReason(channel_) : std::string();
        if (!reason.empty()) Log("Error: sound \"%s\" stopped: %s", GetName().c_str(), reason.c_str());
        MarkFinished();
    }
}

void vK_Sound_Impl::Release() {
    if (channel_ == 0) return;
    mixer_.Remove(channel_);
    channel_ = 0;
}

void vK_Sound_Impl::ApplyVolume(float v) { mixer_.SetVolume(channel_, v); }

void vK_Sound_Impl::ApplyPaused(bool paused) { mixer_.SetPaused(channel_, paused); }
