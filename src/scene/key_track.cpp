#include "scene/key_track.h"

#include <cmath>

namespace {
constexpr float kPi = 3.141592f;
constexpr float kEaseTolerance = 0.0001f;

bool IsCode(float code, int wanted) { return std::fabs(code - static_cast<float>(wanted)) < kEaseTolerance; }

float EaseFactor(float code, float t) {
    if (IsCode(code, 1)) return 1.0f - std::cos(t * kPi / 2.0f);
    if (IsCode(code, 2)) return std::sin(t * kPi / 2.0f);
    if (IsCode(code, 3)) return (1.0f - std::cos(t * kPi)) / 2.0f;
    return t;
}
}  // namespace

float Ease(int code, float a, float b, float t) {
    return a + (b - a) * EaseFactor(static_cast<float>(code), t);
}

std::unique_ptr<vK_KeyTrack> vK_KeyTrack::Create(int stride, const float* values, int count, bool loop) {
    const int value_count = stride - 2;
    if (value_count < 1 || value_count > kMaxValues || values == nullptr || count < stride) return nullptr;
    std::unique_ptr<vK_KeyTrack> track(new vK_KeyTrack());
    track->loop_ = loop;
    track->valueCount_ = value_count;
    const int key_count = count / stride;
    track->keys_.resize(key_count);
    for (int k = 0; k < key_count; ++k) {
        const float* src = values + k * stride;
        Key& key = track->keys_[k];
        if (!std::isfinite(src[0])) return nullptr;
        key.time = src[0];
        key.easing = src[1];
        for (int v = 0; v < value_count; ++v) key.values[v] = src[2 + v];
    }
    return track;
}

vK_KeyTrack::Step vK_KeyTrack::Advance(float dt, float* out) {
    if (finished_) {
        const Key& last = keys_.back();
        for (int v = 0; v < valueCount_; ++v) out[v] = last.values[v];
        return Step::kRunning;
    }
    elapsed_ += dt;
    // The last key whose time is not greater than the elapsed time.
    int current = -1;
    for (int k = 0; k < static_cast<int>(keys_.size()); ++k) {
        if (keys_[k].time <= elapsed_) current = k;
    }
    if (current < 0) {
        // Before the first key: hold its value until the track reaches it.
        for (int v = 0; v < valueCount_; ++v) out[v] = keys_[0].values[v];
        return Step::kRunning;
    }
    if (current + 1 < static_cast<int>(keys_.size())) {
        const Key& a = keys_[current];
        const Key& b = keys_[current + 1];
        // b.time > elapsed >= a.time, so the span is positive.
        const float t = (elapsed_ - a.time) / (b.time - a.time);
        const float factor = EaseFactor(b.easing, t);
        for (int v = 0; v < valueCount_; ++v) out[v] = a.values[v] + (b.values[v] - a.values[v]) * factor;
        return Step::kRunning;
    }
    const Key& last = keys_[current];
    for (int v = 0; v < valueCount_; ++v) out[v] = last.values[v];
    if (loop_) {
        elapsed_ = 0;
        return Step::kWrapped;
    }
    finished_ = true;
    return Step::kEnded;
}
