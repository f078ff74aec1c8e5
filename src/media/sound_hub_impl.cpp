#include "media/sound_hub_impl.h"

#include "core/frame_info.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "media/audio_device.h"
#include "media/sound_impl.h"

vK_SoundHub_Impl::vK_SoundHub_Impl() = default;

vK_SoundHub_Impl::~vK_SoundHub_Impl() {
    // The device's callback uses the mixer, and the sounds their channels in it.
    CloseDevice();
    StopAllNow();
}

bool vK_SoundHub_Impl::OpenDevice() {
    if (!deviceTried_) {
        deviceTried_ = true;
        device_ = vK_AudioDevice::Open(mixer_);
    }
    return device_ != nullptr;
}

void vK_SoundHub_Impl::CloseDevice() {
    device_.reset();
    deviceTried_ = false;
}

void vK_SoundHub_Impl::Play(const std::string& name, const std::string& category, bool loop, bool /*flag*/,
                            float fadeIn) {
    if (name.empty()) return;
    vK_FileManager* files = vK_FileManager::Instance();
    if (!files || files->Exists(name + ".ogg") != 0) {
        Log("Error:: sound could not find \"%s\" file!", name.c_str());
        return;
    }
    auto sound = std::make_unique<vK_Sound_Impl>(mixer_, name, category);
    sound->SetVolume(GetCategoryVolume(category));
    sound->Start(loop, fadeIn);
    AddSound(std::move(sound));
}

void vK_SoundHub_Impl::Update(const vK_FrameInfo& frame) {
    if (!device_) mixer_.Advance(frame.dt);
    vK_SoundHub::Update(frame);
}
