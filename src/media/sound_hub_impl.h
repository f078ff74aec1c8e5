#pragma once
#include <memory>
#include <string>

#include "media/mixer.h"
#include "media/sound_hub.h"

class vK_AudioDevice;

// The hub on the engine's own mixer. The audio device opens when the display is
// initialised (OpenDevice); until then, and when no device could be opened, the hub
// runs on the mixer alone: sounds keep their states and non-looping ones still end
// after their length, with nothing to hear.
class vK_SoundHub_Impl : public vK_SoundHub {
public:
    vK_SoundHub_Impl();
    ~vK_SoundHub_Impl() override;

    void Play(const std::string& name, const std::string& category, bool loop, bool /*flag*/,
              float fadeIn) override;
    void Update(const vK_FrameInfo& frame) override;
    bool HasDevice() const override { return device_ != nullptr; }

    // Opens the audio device once; false when there is none (the hub keeps working).
    bool OpenDevice() override;
    void CloseDevice();
    vK_Mixer& GetMixer() { return mixer_; }

private:
    vK_Mixer mixer_;
    std::unique_ptr<vK_AudioDevice> device_;
    bool deviceTried_ = false;
};
