#include "media/sound_impl.h"

#include <vector>

#include "files/file_manager.h"
#include "files/log.h"
#include "graphics/resource_manager.h"
#include "media/sound_decoder.h"
#include "media/sound_source.h"

namespace {
// The decoded samples of path: short sounds are shared through the resource cache, so
// a file playing many times at once is decoded once. The cached source is used only
// while its bytes are those just read, so a file changed on disk is decoded afresh
// (sounds still playing the old one keep it). Long sounds stream privately.
std::shared_ptr<vK_SoundSource> SourceFor(const std::string& path, std::vector<uint8_t> bytes,
                                          std::string* error) {
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    if (!resources) return vK_SoundSource::Open(std::move(bytes), false, error);
    auto cached = std::dynamic_pointer_cast<vK_SoundSource>(resources->FindResource(path));
    if (cached && cached->Retained() && cached->SameBytes(bytes)) return cached;
    auto source = vK_SoundSource::Open(std::move(bytes), true, error);
    if (!source && cached && cached->Retained()) {
        // The file was changed into one that does not open (an author saving a broken
        // file while the game runs): the sound decoded before plays on.
        Log("Warning: sound %s does not open (%s); the one read before plays", path.c_str(),
            error ? error->c_str() : "");
        return cached;
    }
    if (source && source->Retained()) {
        source->SetName(path);
        resources->AddResource(path, source);
    }
    return source;
}
}  // namespace

vK_Sound_Impl::vK_Sound_Impl(vK_Mixer& mixer, const std::string& name, const std::string& category)
    : vK_Sound(name, category), mixer_(mixer) {}

vK_Sound_Impl::~vK_Sound_Impl() { vK_Sound_Impl::Release(); }

void vK_Sound_Impl::Start(bool loop, float fadeIn) {
    const std::string path = GetName() + ".ogg";
    std::vector<uint8_t> bytes;
    vK_FileManager* files = vK_FileManager::Instance();
    if (files && files->LoadFile(path, bytes, 0) == 0) {
        std::string reason;
        if (auto decoder = vK_SoundDecoder::Open(SourceFor(path, std::move(bytes), &reason), loop, &reason))
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
