#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class vK_SoundDecoder;

// Mixes the playing channels into 44100 Hz stereo float frames. The main thread adds,
// removes and controls channels by handle; Render runs on the audio thread (or in a
// test or benchmark, into the caller's buffer with no device at all). One lock guards
// the channel list and is held only to copy or store a few fields: decoding and
// mixing happen outside it.
class vK_Mixer {
public:
    using Handle = uint32_t;  // 0 is no channel
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    vK_Mixer();
    ~vK_Mixer();
    vK_Mixer(const vK_Mixer&) = delete;
    vK_Mixer& operator=(const vK_Mixer&) = delete;

    // A new channel playing the decoder at the volume (0 for none).
    Handle Add(std::unique_ptr<vK_SoundDecoder> decoder, float volume);
    void Remove(Handle handle);
    // Volume 0..1 (anything else is clamped; NaN is silence).
    void SetVolume(Handle handle, float volume);
    // A paused channel keeps its position and resumes where it stopped.
    void SetPaused(Handle handle, bool paused);
    // False once the channel has stopped: a non-looping sound ran out, its data
    // broke off, or the handle is unknown.
    bool IsActive(Handle handle) const;
    // Why a stopped channel's data broke off; empty when it ended normally.
    std::string FailReason(Handle handle) const;
    size_t ChannelCount() const;

    // Mixes frames stereo frames into out (interleaved, 2 × frames floats).
    void Render(float* out, int frames);
    // With no device nobody renders: time moves the channels on without decoding, so
    // non-looping sounds still stop after their length.
    void Advance(float seconds);

private:
    struct Voice;
    struct Channel {
        Handle handle = 0;
        std::shared_ptr<Voice> voice;
        float volume = 1.0f;
        bool paused = false;
        bool active = true;
        std::string failReason;
        double advancedFrames = 0.0;  // Advance only
    };
    Channel* Find(Handle handle);
    const Channel* Find(Handle handle) const;

    mutable std::mutex lock_;
    std::vector<Channel> channels_;
    Handle nextHandle_ = 1;
    // Render thread only: the snapshot and the scratch buffer, kept to avoid allocating.
    struct Pending {
        Handle handle;
        std::shared_ptr<Voice> voice;
        float volume;
    };
    std::vector<Pending> pending_;
    std::vector<float> scratch_;
};
