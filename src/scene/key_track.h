#pragma once
#include <optional>
#include <vector>

// Easing shared by property animations and grids: code 1 ease-in, 2 ease-out,
// 3 ease-in-out, anything else linear; returns a + (b - a) * f(t).
float Ease(int code, float a, float b, float t);

// A track of keys over time for one animated parameter. A key is (time, easing,
// 1 to 3 values). The track only computes values; the owner applies them.
class vK_KeyTrack {
public:
    static constexpr int kMaxValues = 3;

    enum class Step { kRunning, kWrapped, kEnded };

    // Builds a track from a flat float list: each key takes `stride` floats (time,
    // easing, stride - 2 values); trailing floats that make no whole key are
    // ignored. Refused (nullptr) when the stride gives no or more than three values,
    // when the list holds no whole key, or when a key time is not finite: such a
    // track could never reach its end. The track is a value, so its owner can hold it in
    // place: the per-frame walk over many animated objects then follows one pointer less.
    static std::optional<vK_KeyTrack> Create(int stride, const float* values, int count, bool loop);

    // Advances by dt and writes the current values (ValueCount() floats) to out.
    // A looping track restarts at its end (time beyond the last key is dropped) and
    // reports kWrapped; a non-looping one reports kEnded once and is finished.
    Step Advance(float dt, float* out);

    int ValueCount() const { return valueCount_; }
    int KeyCount() const { return static_cast<int>(keys_.size()); }
    bool IsFinished() const { return finished_; }
    bool IsLooping() const { return loop_; }
    float GetElapsed() const { return elapsed_; }

private:
    struct Key {
        float time = 0;
        int easing = 0;  // the easing code of the segment ending here, resolved once
        float values[kMaxValues] = {0, 0, 0};
    };

    // The last key whose time is not greater than the elapsed time, -1 when none.
    int CurrentKey();

    vK_KeyTrack() = default;

    bool loop_ = false;
    int valueCount_ = 0;
    std::vector<Key> keys_;
    float elapsed_ = 0;
    bool finished_ = false;
    // Keys in time order let the current key be found from the previous frame's one;
    // cursor_ is that key (-1 before the first).
    bool ordered_ = true;
    int cursor_ = -1;
};
