#include "media/sound_hub.h"

#include "core/frame_info.h"

namespace {
vK_SoundHub* g_instance = nullptr;
}

vK_SoundHub* vK_SoundHub::Instance() { return g_instance; }

vK_SoundHub::vK_SoundHub()
    : updateStage_(vK_FrameStage::kUpdateSound, [this](vK_StageContext& c) { Update(*c.frame); }) {
    g_instance = this;
}

vK_SoundHub::~vK_SoundHub() {
    updateStage_.Reset();
    // StopAllNow of this class (a derived hub is already gone here).
    vK_SoundHub::StopAll(0.0f);
    sounds_.clear();
    if (g_instance == this) g_instance = nullptr;
}

void vK_SoundHub::Stop(const std::string& name, float fadeOut) {
    for (auto& sound : sounds_)
        if (sound->GetName() == name) sound->FadeOut(fadeOut);
}

void vK_SoundHub::SetCategoryVolume(const std::string& category, float volume) {
    GetCategoryVolume(category);
    for (auto& entry : categories_)
        if (entry.first == category) entry.second = volume;
    for (auto& sound : sounds_)
        if (sound->GetCategory() == category) sound->SetVolume(volume);
}

float vK_SoundHub::GetCategoryVolume(const std::string& category) {
    for (const auto& entry : categories_)
        if (entry.first == category) return entry.second;
    categories_.emplace_back(category, 1.0f);
    return 1.0f;
}

void vK_SoundHub::StopCategory(const std::string& category) {
    for (auto& sound : sounds_)
        if (sound->GetCategory() == category) sound->FadeOut(0.0f);
}

void vK_SoundHub::StopAll(float fadeOut) {
    for (auto& sound : sounds_) sound->FadeOut(fadeOut);
}

void vK_SoundHub::Pause(const std::string& name, bool paused) {
    for (auto& sound : sounds_) {
        if (sound->GetName() == name) {
            sound->SetPaused(paused);
            return;
        }
    }
}

void vK_SoundHub::PauseAll(bool paused) {
    for (auto& sound : sounds_) sound->SetFocusPaused(paused);
    if (paused) return;
    for (const auto& [category, volume] : categories_) {
        for (auto& sound : sounds_)
            if (sound->GetCategory() == category) sound->SetVolume(volume);
    }
}

void vK_SoundHub::Update(const vK_FrameInfo& frame) {
    for (size_t i = 0; i < sounds_.size();) {
        sounds_[i]->Tick(frame);
        if (sounds_[i]->GetState() == vK_Sound::kFinished)
            sounds_.erase(sounds_.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
}

bool vK_SoundHub::IsPlaying(const std::string& name) const {
    for (const auto& sound : sounds_)
        if (sound->GetName() == name && sound->GetState() == vK_Sound::kPlaying) return true;
    return false;
}

void vK_SoundHub::StopAllNow() {
    StopAll(0.0f);
    sounds_.clear();
}
