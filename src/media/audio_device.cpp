#include "media/audio_device.h"

#include <SDL.h>

#include <cstring>

#include "files/log.h"
#include "media/mixer.h"

namespace {
constexpr int kDeviceSamples = 1024;  // frames per callback, about 23 ms
}

std::unique_ptr<vK_AudioDevice> vK_AudioDevice::Open(vK_Mixer& mixer) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        Log("Warning: no audio device: %s", SDL_GetError());
        return nullptr;
    }
    // The dummy driver accepts everything and plays nothing: treat it as no device.
    const char* driver = SDL_GetCurrentAudioDriver();
    if (!driver || std::strcmp(driver, "dummy") == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    std::unique_ptr<vK_AudioDevice> device(new vK_AudioDevice(mixer));
    SDL_AudioSpec wanted{};
    wanted.freq = vK_Mixer::kRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = vK_Mixer::kChannels;
    wanted.samples = kDeviceSamples;
    wanted.callback = &vK_AudioDevice::Callback;
    wanted.userdata = device.get();
    // No changes allowed: SDL converts to whatever the hardware wants.
    device->device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (device->device_ == 0) {
        Log("Warning: the audio device could not be opened: %s", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    SDL_PauseAudioDevice(device->device_, 0);
    return device;
}

vK_AudioDevice::~vK_AudioDevice() {
    if (device_ == 0) return;
    // Closing waits for a running callback, so the mixer is no longer used afterwards.
    SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void vK_AudioDevice::Callback(void* self, uint8_t* stream, int length) {
    auto* device = static_cast<vK_AudioDevice*>(self);
    const int frames = length / static_cast<int>(sizeof(float) * vK_Mixer::kChannels);
    device->mixer_.Render(reinterpret_cast<float*>(stream), frames);
}
