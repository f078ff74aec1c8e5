#pragma once
#include <string>

#include "files/live_counts.h"

struct vK_FrameInfo;

// One playing sound of the hub: its category volume, fades and pause state. The back
// end (vK_Sound_Impl) supplies the channel: starting, applying volume and pause,
// releasing, and noticing that it stopped.
//
// Two pause flags: the script's own (SetPaused, through the hub's Pause) and the
// focus pause (the hub's PauseAll when the window loses and regains focus). The
// channel is paused while either is set, so regaining focus never resumes a sound
// the script paused.
class vK_Sound {
public:
    enum State { kCreated = 0, kFadingIn = 1, kPlaying = 2, kFadingOut = 3, kFinished = 4 };

    vK_Sound(const std::string& name, const std::string& category);
    virtual ~vK_Sound();
    vK_Sound(const vK_Sound&) = delete;
    vK_Sound& operator=(const vK_Sound&) = delete;

    virtual void MarkFinished() { state_ = kFinished; }
    // Target and current volume become v; the state does not change.
    virtual void SetVolume(float v);
    virtual void Start(bool loop, float fadeIn) = 0;
    // t = 0 finishes at once; otherwise falls from the current volume at 1/t per second.
    virtual void FadeOut(float t);
    virtual void SetPaused(bool paused);
    virtual void Tick(const vK_FrameInfo& frame);
    virtual void Release() {}
    virtual void ApplyVolume(float v) = 0;

    void SetFocusPaused(bool paused);

    const std::string& GetName() const { return name_; }
    const std::string& GetCategory() const { return category_; }
    bool IsLooping() const { return loop_; }
    int GetState() const { return state_; }
    bool IsPaused() const { return paused_; }
    bool IsFocusPaused() const { return focusPaused_; }
    float GetTargetVolume() const { return targetVolume_; }
    float GetCurrentVolume() const { return currentVolume_; }
    float GetFadeSpeed() const { return fadeSpeed_; }

protected:
    // The fade part of Start: fading in from silence when fadeIn > 0, else playing at
    // the target volume; then the volume is applied.
    void BeginFade(bool loop, float fadeIn);
    // Pauses or resumes the channel; paused is true while either pause flag is set.
    virtual void ApplyPaused(bool /*paused*/) {}

private:
    bool loop_ = false;
    std::string category_;
    std::string name_;
    float targetVolume_ = 1.0f;
    float currentVolume_ = 1.0f;
    float fadeSpeed_ = 0.0f;
    int state_ = kCreated;
    bool paused_ = false;
    bool focusPaused_ = false;
    vK_LiveCounted<vK_LiveKind::Sound> liveCount_;
};
