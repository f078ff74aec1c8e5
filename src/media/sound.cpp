#include "media/sound.h"

#include <algorithm>

#include "core/frame_info.h"

vK_Sound::vK_Sound(const std::string& name, const std::string& category) : category_(category), name_(name) {}

vK_Sound::~vK_Sound() = default;

void vK_Sound::SetVolume(float v) {
    targetVolume_ = v;
    currentVolume_ = v;
    ApplyVolume(v);
}

void vK_Sound::BeginFade(bool loop, float fadeIn) {
    loop_ = loop;
    // A negative or NaN time would fade towards nothing forever: it starts at once.
    if (fadeIn > 0.0f) {
        state_ = kFadingIn;
        fadeSpeed_ = 1.0f / fadeIn;
        currentVolume_ = 0.0f;
    } else {
        state_ = kPlaying;
        fadeSpeed_ = 0.0f;
        currentVolume_ = targetVolume_;
    }
    ApplyVolume(currentVolume_);
}

void vK_Sound::FadeOut(float t) {
    if (t > 0.0f) {
        state_ = kFadingOut;
        fadeSpeed_ = 1.0f / t;
        return;
    }
    fadeSpeed_ = 0.0f;
    state_ = kFinished;
    Release();
}

void vK_Sound::SetPaused(bool paused) {
    paused_ = paused;
    ApplyPaused(paused_ || focusPaused_);
}

void vK_Sound::SetFocusPaused(bool paused) {
    focusPaused_ = paused;
    ApplyPaused(paused_ || focusPaused_);
}

void vK_Sound::Tick(const vK_FrameInfo& frame) {
    if (paused_ || focusPaused_) return;
    if (state_ == kFadingIn) {
        currentVolume_ = std::min(targetVolume_, currentVolume_ + fadeSpeed_ * frame.dt);
        ApplyVolume(currentVolume_);
        if (currentVolume_ == targetVolume_) state_ = kPlaying;
    } else if (state_ == kFadingOut) {
        currentVolume_ = std::max(0.0f, currentVolume_ - fadeSpeed_ * frame.dt);
        ApplyVolume(currentVolume_);
        if (currentVolume_ <= 0.0f) {
            state_ = kFinished;
            Release();
        }
    }
}
