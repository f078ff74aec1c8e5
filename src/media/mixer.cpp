#include "media/mixer.h"

#include <algorithm>
#include <cmath>

#include "media/sound_decoder.h"

// Render-thread state of one channel. The decoder is only ever used by Render, and the
// shared pointer keeps it alive while a render that copied it is still mixing.
struct vK_Mixer::Voice {
    std::unique_ptr<vK_SoundDecoder> decoder;
    // The gain the last block ended with; a volume change ramps from it over the next
    // block instead of jumping (which would click). Negative before the first block.
    float gain = -1.0f;
};

namespace {
float ClampVolume(float volume) {
    if (!(volume > 0.0f)) return 0.0f;  // NaN included
    return std::min(volume, 1.0f);
}
}  // namespace

vK_Mixer::vK_Mixer() = default;
vK_Mixer::~vK_Mixer() = default;

vK_Mixer::Channel* vK_Mixer::Find(Handle handle) {
    for (Channel& c : channels_)
        if (c.handle == handle) return &c;
    return nullptr;
}

const vK_Mixer::Channel* vK_Mixer::Find(Handle handle) const {
    for (const Channel& c : channels_)
        if (c.handle == handle) return &c;
    return nullptr;
}

vK_Mixer::Handle vK_Mixer::Add(std::unique_ptr<vK_SoundDecoder> decoder, float volume) {
    if (!decoder) return 0;
    auto voice = std::make_shared<Voice>();
    voice->decoder = std::move(decoder);
    std::lock_guard<std::mutex> guard(lock_);
    Channel channel;
    channel.handle = nextHandle_++;
    if (nextHandle_ == 0) nextHandle_ = 1;
    channel.voice = std::move(voice);
    channel.volume = ClampVolume(volume);
    channels_.push_back(std::move(channel));
    return channels_.back().handle;
}

void vK_Mixer::Remove(Handle handle) {
    std::shared_ptr<Voice> dropped;  // freed after the lock is released
    std::lock_guard<std::mutex> guard(lock_);
    auto it = std::find_if(channels_.begin(), channels_.end(),
                           [&](const Channel& c) { return c.handle == handle; });
    if (it == channels_.end()) return;
    dropped = std::move(it->voice);
    channels_.erase(it);
}

void vK_Mixer::SetVolume(Handle handle, float volume) {
    std::lock_guard<std::mutex> guard(lock_);
    if (Channel* c = Find(handle)) c->volume = ClampVolume(volume);
}

void vK_Mixer::SetPaused(Handle handle, bool paused) {
    std::lock_guard<std::mutex> guard(lock_);
    if (Channel* c = Find(handle)) c->paused = paused;
}

bool vK_Mixer::IsActive(Handle handle) const {
    std::lock_guard<std::mutex> guard(lock_);
    const Channel* c = Find(handle);
    return c && c->active;
}

std::string vK_Mixer::FailReason(Handle handle) const {
    std::lock_guard<std::mutex> guard(lock_);
    const Channel* c = Find(handle);
    return c ? c->failReason : std::string();
}

size_t vK_Mixer::ChannelCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return channels_.size();
}

void vK_Mixer::Render(float* out, int frames) {
    if (frames <= 0) return;
    const size_t samples = static_cast<size_t>(frames) * kChannels;
    std::fill(out, out + samples, 0.0f);
    pending_.clear();
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (const Channel& c : channels_)
            if (c.active && !c.paused) pending_.push_back({c.handle, c.voice, c.volume});
    }
    if (pending_.empty()) return;
    if (scratch_.size() < samples) scratch_.resize(samples);
    for (Pending& p : pending_) {
        Voice& voice = *p.voice;
        const int got = voice.decoder->Read(scratch_.data(), frames);
        const float from = voice.gain < 0.0f ? p.volume : voice.gain;
        voice.gain = p.volume;
        const float* in = scratch_.data();
        if (from == p.volume) {
            // A steady volume (most blocks): one multiply-add per sample, or nothing at
            // all for a silent channel, which still moved on above.
            const float gain = p.volume;
            if (gain == 0.0f) continue;
            const size_t count = static_cast<size_t>(got) * kChannels;
            for (size_t i = 0; i < count; ++i) out[i] += in[i] * gain;
            continue;
        }
        const float step = (p.volume - from) / static_cast<float>(frames);
        for (int i = 0; i < got; ++i) {
            const float gain = from + step * static_cast<float>(i + 1);
            out[2 * i] += in[2 * i] * gain;
            out[2 * i + 1] += in[2 * i + 1] * gain;
        }
    }
    for (size_t i = 0; i < samples; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (const Pending& p : pending_) {
            const vK_SoundDecoder& decoder = *p.voice->decoder;
            if (!decoder.Ended()) continue;
            if (Channel* c = Find(p.handle)) {
                c->active = false;
                if (decoder.Failed()) c->failReason = decoder.FailReason();
            }
        }
    }
    // The last reference to a voice removed meanwhile may go here, outside the lock.
    pending_.clear();
}

void vK_Mixer::Advance(float seconds) {
    if (!(seconds > 0.0f)) return;
    std::lock_guard<std::mutex> guard(lock_);
    for (Channel& c : channels_) {
        if (!c.active || c.paused) continue;
        const vK_SoundDecoder& decoder = *c.voice->decoder;
        if (decoder.Looping()) continue;
        c.advancedFrames += static_cast<double>(seconds) * kRate;
        if (c.advancedFrames >= static_cast<double>(decoder.LengthFrames())) c.active = false;
    }
}
