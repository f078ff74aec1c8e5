#pragma once
#include <string>

#include "media/mixer.h"
#include "media/sound.h"

// A sound on the engine's mixer. Start reads name + ".ogg" through the file manager
// on the main thread and hands the bytes to a decoder; the mixer's thread never sees a
// file. A file that cannot be read or decoded leaves the sound without a channel, and
// the next Tick finishes it.
class vK_Sound_Impl : public vK_Sound {
public:
    vK_Sound_Impl(vK_Mixer& mixer, const std::string& name, const std::string& category);
    ~vK_Sound_Impl() override;

    void Start(bool loop, float fadeIn) override;
    void Tick(const vK_FrameInfo& frame) override;
    void Release() override;
    void ApplyVolume(float v) override;

    vK_Mixer::Handle GetChannel() const { return channel_; }

protected:
    void ApplyPaused(bool paused) override;

private:
    vK_Mixer& mixer_;
    vK_Mixer::Handle channel_ = 0;
};
