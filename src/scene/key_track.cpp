#include "scene/key_track.h"

#include <cmath>

#include "graphics/matrix.h"
namespace {
constexpr float kEaseTolerance = 0.0001f;

bool IsCode(float code, int wanted) { return std::fabs(code - static_cast<float>(wanted)) < kEaseTolerance; }

// The easing a code stands for: 1 ease-in, 2 ease-out, 3 ease-in-out, 0 linear.
int EaseKind(float code) {
    for (int kind = 1; kind <= 3; ++kind) {
        if (IsCode(code, kind)) return kind;
    }
    return 0;
}

float EaseFactor(int kind, float t) {
    switch (kind) {
        case 1:
            return 1.0f - std::cos(t * kPi / 2.0f);
        case 2:
            return std::sin(t * kPi / 2.0f);
        case 3:
            return (1.0f - std::cos(t * kPi)) / 2.0f;
        default:
            return t;
    }
}
}  // namespace

float Ease(int code, float a, float b, float t) {
    return a + (b - a) * EaseFactor(EaseKind(static_cast<float>(code)), t);
}

std::optional<vK_KeyTrack> vK_KeyTrack::Create(int stride, const float* values, int count, bool loop) {
    const int value_count = stride - 2;
    if (value_count < 1 || value_count > kMaxValues || values == nullptr || count < stride)
        return std::nullopt;
    std::optional<vK_KeyTrack> track(vK_KeyTrack{});
    track->loop_ = loop;
    track->valueCount_ = value_count;
    const int key_count = count / stride;
    track->keys_.resize(key_count);
    for (int k = 0; k < key_count; ++k) {
        const float* src = values + k * stride;
        Key& key = track->keys_[k];
        if (!std::isfinite(src[0])) return std::nullopt;
        key.time = src[0];
        key.easing = EaseKind(src[1]);
        for (int v = 0; v < value_count; ++v) key.values[v] = src[2 + v];
        if (k > 0 && !(track->keys_[k - 1].time <= key.time)) track->ordered_ = false;
    }
    return track;
}

int vK_KeyTrack::CurrentKey() {
    const int count = static_cast<int>(keys_.size());
    if (!ordered_) {
        int current = -1;
        for (int k = 0; k < count; ++k) {
            if (keys_[k].time <= elapsed_) current = k;
        }
        return current;
    }
    // Time went back (a loop restarted, a negative step) or is not a number: from the start.
    if (cursor_ >= 0 && !(keys_[cursor_].time <= elapsed_)) cursor_ = -1;
    while (cursor_ + 1 < count && keys_[cursor_ + 1].time <= elapsed_) ++cursor_;
    return cursor_;
}

vK_KeyTrack::Step vK_KeyTrack::Advance(float dt, float* out) {
    if (finished_) {
        const Key& last = keys_.back();
        for (int v = 0; v < valueCount_; ++v) out[v] = last.values[v];
        return Step::kRunning;
    }
    elapsed_ += dt;
    const int current = CurrentKey();
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
