#pragma once
#include <cstdint>
#include <memory>

class vK_Mixer;

// The SDL audio device (44100 Hz, stereo, float): its callback renders the mixer.
// Open returns nullptr when there is no usable device (no driver, the dummy driver,
// or a device that refuses to open); the caller then runs without sound output.
class vK_AudioDevice {
public:
    static std::unique_ptr<vK_AudioDevice> Open(vK_Mixer& mixer);
    ~vK_AudioDevice();
    vK_AudioDevice(const vK_AudioDevice&) = delete;
    vK_AudioDevice& operator=(const vK_AudioDevice&) = delete;

private:
    explicit vK_AudioDevice(vK_Mixer& mixer) : mixer_(mixer) {}
    static void Callback(void* self, uint8_t* stream, int length);

    vK_Mixer& mixer_;
    uint32_t device_ = 0;  // SDL_AudioDeviceID
};
