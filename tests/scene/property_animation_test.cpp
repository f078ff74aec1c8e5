#include "scene/property_animation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <vector>

#include "scene/key_track.h"

namespace {

// A handle that counts as compiled, so handlers are reported without a Lua state.
class FakeScript : public vK_ScriptInterface {
public:
    explicit FakeScript(std::string name) : name_(std::move(name)) {}
    std::string GetSource() const override { return name_; }
    bool IsEmpty() const override { return false; }

private:
    std::string name_;
};

vK_DataScriptFunction Handler(const std::string& name) {
    return vK_DataScriptFunction(std::make_shared<FakeScript>(name));
}

// Channels start as NaN, so a write shows; named properties arrive through the call.
struct RecordingTarget : vK_AnimationTarget {
    RecordingTarget() { channels.fill(std::numeric_limits<float>::quiet_NaN()); }
    vK_AnimatedFields AnimatedFields() override {
        vK_AnimatedFields fields{{}, &transformDirty};
        for (int c = 0; c < kChannelCount; ++c) fields.channels[c] = &channels[c];
        return fields;
    }
    void SetAnimatedValues(int parameter, const std::string& property, const float* values) override {
        if (parameter == kAnimByName) named[property] = values[0];
    }
    bool Written() const {
        return !named.empty() ||
               std::any_of(channels.begin(), channels.end(), [](float v) { return v == v; });
    }
    std::array<float, kChannelCount> channels{};
    std::map<std::string, float> named;
    bool transformDirty = false;
};

struct Runner {
    vK_PropertyAnimation anim;
    RecordingTarget target;
    vK_AnimationModifiers mods;
    std::vector<vK_ScriptHandle> handlers;
    bool Tick(float dt) {
        mods = vK_AnimationModifiers();
        return anim.Tick(dt, target, mods, handlers);
    }
};

}  // namespace

TEST(Easing, HalfwayValuesFromZeroToHundred) {
    struct Case {
        int code;
        float expected;
    } cases[] = {{1, 29.2893f}, {2, 70.7107f}, {3, 50.0f}, {0, 50.0f}, {7, 50.0f}};
    for (const Case& c : cases) EXPECT_NEAR(Ease(c.code, 0, 100, 0.5f), c.expected, 0.01f) << c.code;
    EXPECT_NEAR(Ease(1, 0, 100, 1.0f), 100.0f, 0.01f);
    EXPECT_NEAR(Ease(2, 0, 100, 0.0f), 0.0f, 0.01f);
}

TEST(KeyTrack, StrideDecidesKeyCountAndTrailingFloatsAreIgnored) {
    const float seven[] = {0, 0, 0, 1, 0, 100, 99};
    auto track = vK_KeyTrack::Create(3, seven, 7, false);
    ASSERT_TRUE(track);
    EXPECT_EQ(track->KeyCount(), 2);
    float out[3];
    track->Advance(0.5f, out);
    EXPECT_NEAR(out[0], 50.0f, 0.001f);
}

TEST(KeyTrack, MalformedTracksAreRefused) {
    const float v[] = {0, 0, 1, 2, 3, 4};
    EXPECT_FALSE(vK_KeyTrack::Create(3, v, 0, false));  // no keys
    EXPECT_FALSE(vK_KeyTrack::Create(3, v, 2, false));  // no whole key
    EXPECT_FALSE(vK_KeyTrack::Create(2, v, 6, false));  // no values per key
    EXPECT_FALSE(vK_KeyTrack::Create(6, v, 6, false));  // four values per key
    EXPECT_FALSE(vK_KeyTrack::Create(3, nullptr, 6, false));
    const float nan_time[] = {0, 0, 1, std::numeric_limits<float>::quiet_NaN(), 0, 2};
    EXPECT_FALSE(vK_KeyTrack::Create(3, nan_time, 6, false));
}

TEST(KeyTrack, StartBeforeFirstKeyHoldsFirstValue) {
    const float v[] = {1, 0, 10, 2, 0, 20};
    auto track = vK_KeyTrack::Create(3, v, 6, false);
    float out[3];
    EXPECT_EQ(track->Advance(0.5f, out), vK_KeyTrack::Step::kRunning);
    EXPECT_FLOAT_EQ(out[0], 10.0f);
    EXPECT_EQ(track->Advance(1.0f, out), vK_KeyTrack::Step::kRunning);
    EXPECT_NEAR(out[0], 15.0f, 0.001f);
    EXPECT_EQ(track->Advance(1.0f, out), vK_KeyTrack::Step::kEnded);
    EXPECT_FLOAT_EQ(out[0], 20.0f);
}

TEST(KeyTrack, EasingOfSegmentComesFromItsEndKey) {
    const float v[] = {0, 2, 0, 1, 1, 100};  // first key says ease-out, end key ease-in
    auto track = vK_KeyTrack::Create(3, v, 6, false);
    float out[3];
    track->Advance(0.5f, out);
    EXPECT_NEAR(out[0], 29.29f, 0.01f);
}

// The value at each step is that of the last key (in list order) whose time is not
// greater than the elapsed time, eased towards the key after it; keys out of time
// order, equal times and time running backwards all follow that one rule.
TEST(KeyTrack, CurrentKeyFollowsTheElapsedTimeWhicheverWayItMoves) {
    struct Case {
        const char* what;
        std::vector<float> keys;  // stride 3: time, easing, value
        std::vector<float> steps;
        std::vector<float> expected;
    } cases[] = {
        {"in order", {0, 0, 0, 1, 0, 100, 2, 0, 300}, {0.5f, 1.0f, 0.25f}, {50, 200, 250}},
        {"back in time", {0, 0, 0, 1, 0, 100, 2, 0, 300}, {1.5f, -1.0f, 0.75f}, {200, 50, 150}},
        // At 1.5 the keys at 0 and 1 qualify; the later in the list (time 1, 50) has no
        // successor, so the track ends there.
        {"out of order", {0, 0, 0, 2, 0, 100, 1, 0, 50}, {0.5f, 1.0f}, {25, 50}},
        // Two keys at time 1: the second is current, so the value jumps to 40.
        {"equal times", {0, 0, 0, 1, 0, 10, 1, 0, 40, 2, 0, 60}, {0.5f, 0.5f, 0.5f}, {5, 40, 50}},
    };
    for (const Case& c : cases) {
        auto track = vK_KeyTrack::Create(3, c.keys.data(), static_cast<int>(c.keys.size()), false);
        ASSERT_TRUE(track.has_value()) << c.what;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            float out[3] = {0, 0, 0};
            track->Advance(c.steps[i], out);
            EXPECT_NEAR(out[0], c.expected[i], 0.001f) << c.what << " step " << i;
        }
    }
}

TEST(PropertyAnimation, HandlerCountsOverThreeAndAHalfSeconds) {
    struct Case {
        bool loop;
        float dt;
        int handlers;
        size_t entries_left;
    } cases[] = {{true, 0.5f, 3, 1}, {false, 0.5f, 1, 0}, {true, 1.0f / 60, 3, 1}, {false, 1.0f / 60, 1, 0}};
    for (const Case& c : cases) {
        Runner r;
        const float keys[] = {0, 0, 0, 1, 0, 100};
        ASSERT_TRUE(r.anim.Animate(kAnimPosX, "", c.loop, false, Handler("h"), keys, 6));
        const int frames = static_cast<int>(3.5f / c.dt + 0.5f);
        for (int i = 0; i < frames; ++i) r.Tick(c.dt);
        EXPECT_EQ(static_cast<int>(r.handlers.size()), c.handlers) << c.loop << " " << c.dt;
        EXPECT_EQ(r.anim.Count(), c.entries_left);
    }
}

TEST(PropertyAnimation, SingleKeyAtZeroEndsInFirstTick) {
    Runner r;
    const float keys[] = {0, 0, 42};
    ASSERT_TRUE(r.anim.Animate(kAnimAngle, "", false, false, Handler("h"), keys, 3));
    EXPECT_TRUE(r.Tick(0.016f));
    EXPECT_FLOAT_EQ(r.target.channels[kChannelAngle], 42.0f);
    EXPECT_TRUE(r.target.transformDirty);
    EXPECT_EQ(r.handlers.size(), 1u);
    EXPECT_EQ(r.anim.Count(), 0u);
}

TEST(PropertyAnimation, SameParameterReplacesWithoutHandler) {
    Runner r;
    const float a[] = {0, 0, 1, 1, 0, 0};
    const float b[] = {0, 0, 0.5f, 2, 0, 0.5f};
    ASSERT_TRUE(r.anim.Animate(kAnimAlpha, "", false, true, Handler("first"), a, 6));
    ASSERT_TRUE(r.anim.Animate(kAnimAlpha, "", false, true, Handler("second"), b, 6));
    ASSERT_TRUE(r.anim.Animate(kAnimByName, "glow", false, false, Handler("g1"), a, 6));
    ASSERT_TRUE(r.anim.Animate(kAnimByName, "size", false, false, Handler("g2"), a, 6));
    EXPECT_EQ(r.anim.Count(), 3u);
    r.Tick(0.1f);
    EXPECT_FLOAT_EQ(r.mods.alpha, 0.5f);
    EXPECT_TRUE(r.handlers.empty());
    EXPECT_TRUE(r.anim.Stop(kAnimByName, "glow"));
    EXPECT_FALSE(r.anim.Stop(kAnimByName, "glow"));
    EXPECT_TRUE(r.anim.Has(kAnimByName, "size"));
}

TEST(PropertyAnimation, AdditiveAlphaAndColourMultiplyThenRevert) {
    Runner r;
    const float alp[] = {0, 0, 0.5f, 1, 0, 0.5f};
    const float rgb[] = {0, 0, 0.5f, 0.25f, 1.0f, 1, 0, 0.5f, 0.25f, 1.0f};
    ASSERT_TRUE(r.anim.Animate(kAnimAlpha, "", false, true, Handler("a"), alp, 6));
    ASSERT_TRUE(r.anim.Animate(kAnimColorRGB, "", false, true, Handler("c"), rgb, 10));
    EXPECT_FALSE(r.Tick(0.5f));  // alpha and colour never touch the transform
    EXPECT_FLOAT_EQ(r.mods.alpha, 0.5f);
    EXPECT_FLOAT_EQ(r.mods.red, 0.5f);
    EXPECT_FLOAT_EQ(r.mods.green, 0.25f);
    EXPECT_FLOAT_EQ(r.mods.blue, 1.0f);
    EXPECT_FALSE(r.target.Written());  // additive entries never write properties
    r.Tick(0.6f);
    EXPECT_EQ(r.handlers.size(), 2u);
    EXPECT_EQ(r.anim.Count(), 0u);
    r.Tick(0.1f);
    EXPECT_FLOAT_EQ(r.mods.alpha, 1.0f);
    EXPECT_FLOAT_EQ(r.mods.red, 1.0f);
}

TEST(PropertyAnimation, AbsoluteValuesAreClampedAndMapped) {
    Runner r;
    const float alp[] = {0, 0, 1.7f};
    const float xy[] = {0, 0, 3, -4};
    const float named[] = {0, 0, 12};
    r.anim.Animate(kAnimAlpha, "", false, false, {}, alp, 3);
    r.anim.Animate(kAnimPosXY, "", false, false, {}, xy, 4);
    r.anim.Animate(kAnimByName, "volume", false, true, {}, named, 3);  // never additive
    r.anim.Animate(kAnimNone, "", false, false, Handler("none"), named, 3);
    EXPECT_TRUE(r.Tick(0.0f));
    EXPECT_FLOAT_EQ(r.target.channels[kChannelAlpha], 1.0f);
    EXPECT_FLOAT_EQ(r.target.channels[kChannelX], 3.0f);
    EXPECT_FLOAT_EQ(r.target.channels[kChannelY], -4.0f);
    EXPECT_TRUE(r.target.transformDirty);
    EXPECT_FLOAT_EQ(r.target.named["volume"], 12.0f);
    // Parameter 2 writes nothing: every other channel is untouched.
    for (int c : {kChannelScaleX, kChannelScaleY, kChannelAngle, kChannelRed, kChannelGreen, kChannelBlue})
        EXPECT_NE(r.target.channels[c], r.target.channels[c]) << c;
    EXPECT_EQ(r.handlers.size(), 1u);  // parameter 2 changes nothing but still ends
}

TEST(PropertyAnimation, OnlyTransformWritesMarkTheTransform) {
    const float one[] = {0, 0, 0.5f}, three[] = {0, 0, 0.1f, 0.2f, 0.3f};
    struct Case {
        int parameter;
        const float* keys;
        int count;
        bool dirty;
    } cases[] = {{kAnimAlpha, one, 3, false}, {kAnimColorRGB, three, 5, false}, {kAnimColorG, one, 3, false},
                 {kAnimScaleY, one, 3, true}, {kAnimAngle, one, 3, true},       {kAnimNone, one, 3, false}};
    for (const Case& c : cases) {
        Runner r;
        ASSERT_TRUE(r.anim.Animate(c.parameter, "", true, false, {}, c.keys, c.count)) << c.parameter;
        EXPECT_EQ(r.Tick(0.1f), c.dirty) << c.parameter;
        EXPECT_EQ(r.target.transformDirty, c.dirty) << c.parameter;
    }
}

TEST(PropertyAnimation, UnknownParameterIsRefused) {
    Runner r;
    const float v[] = {0, 0, 1};
    EXPECT_FALSE(r.anim.Animate(14, "", false, false, {}, v, 3));
    EXPECT_FALSE(r.anim.Animate(-1, "", false, false, {}, v, 3));
    EXPECT_EQ(r.anim.Count(), 0u);
}

TEST(PropertyAnimation, ParameterNamesMapToIds) {
    EXPECT_EQ(AnimParameterFromName("alp"), kAnimAlpha);
    EXPECT_EQ(AnimParameterFromName("pos_xy"), kAnimPosXY);
    EXPECT_EQ(AnimParameterFromName("color_rgb"), kAnimColorRGB);
    EXPECT_EQ(AnimParameterFromName("volume"), kAnimByName);
    EXPECT_EQ(AnimParameterStride(kAnimColorRGB), 5);
    EXPECT_EQ(AnimParameterStride(kAnimScaleXY), 4);
    EXPECT_EQ(AnimParameterStride(14), 0);
}
