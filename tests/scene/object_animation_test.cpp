#include <gtest/gtest.h>

#include "core/frame_info.h"
#include "graphics/draw_params.h"
#include "scene/object.h"
#include "scene/property_animation.h"

namespace {
vK_FrameInfo Dt(float dt) {
    vK_FrameInfo f;
    f.dt = f.elapsed = dt;
    return f;
}

struct ObjectAnimation : ::testing::Test {
    ~ObjectAnimation() override { vK_Object::ReleaseAll(); }
    vK_Object object{"animated"};
};
}  // namespace

TEST_F(ObjectAnimation, AdditiveOffsetShowsInTheSameFrameAndRevertsAfterEnd) {
    const float keys[] = {0, 0, 0, 1, 0, 100};
    ASSERT_TRUE(object.AnimateProperty(kAnimPosX, false, true, {}, keys, 6));
    struct Step {
        float dt;
        float world_x;
    } steps[] = {{0.5f, 50.0f}, {0.25f, 75.0f}, {0.5f, 100.0f}, {0.1f, 0.0f}, {0.1f, 0.0f}};
    for (const Step& s : steps) {
        object.Update(Dt(s.dt));
        object.ComputeDrawState(vK_DrawParams());
        EXPECT_NEAR(object.GetWorldMatrix().M41(), s.world_x, 0.01f) << s.dt;
        EXPECT_FLOAT_EQ(object.GetX(), 0.0f);  // the property itself never changes
    }
}

TEST_F(ObjectAnimation, AdditiveAlphaAndColourMultiplyThenRevert) {
    object.GetOwnParams().alpha = 0.8f;
    const float alp[] = {0, 0, 0.5f, 1, 0, 0.5f};
    const float rgb[] = {0, 0, 0.5f, 0.25f, 1.0f, 1, 0, 0.5f, 0.25f, 1.0f};
    ASSERT_TRUE(object.AnimateProperty(kAnimAlpha, false, true, {}, alp, 6));
    ASSERT_TRUE(object.AnimateProperty(kAnimColorRGB, false, true, {}, rgb, 10));
    object.Update(Dt(0.5f));
    vK_DrawParams state = object.ComputeDrawState(vK_DrawParams());
    EXPECT_FLOAT_EQ(state.alpha, 0.4f);
    EXPECT_FLOAT_EQ(state.red, 0.5f);
    EXPECT_FLOAT_EQ(state.green, 0.25f);
    EXPECT_FLOAT_EQ(state.blue, 1.0f);
    object.Update(Dt(0.6f));  // both end
    EXPECT_EQ(object.GetAnimations().Count(), 0u);
    object.Update(Dt(0.1f));
    state = object.ComputeDrawState(vK_DrawParams());
    EXPECT_FLOAT_EQ(state.alpha, 0.8f);
    EXPECT_FLOAT_EQ(state.red, 1.0f);
}

TEST_F(ObjectAnimation, AbsoluteWritesPropertiesAndInactiveObjectsWait) {
    const float keys[] = {0, 0, 0, 1, 0, 2};
    ASSERT_TRUE(object.AnimateProperty(kAnimAngle, false, false, {}, keys, 6));
    object.Update(Dt(0.5f));
    EXPECT_NEAR(object.GetAngle(), 1.0f, 0.001f);
    object.SetActive(false);
    object.Update(Dt(0.25f));
    EXPECT_NEAR(object.GetAngle(), 1.0f, 0.001f);
    object.SetActive(true);
    object.Update(Dt(0.25f));
    EXPECT_NEAR(object.GetAngle(), 1.5f, 0.001f);
    EXPECT_TRUE(object.StopAnimateProperty(kAnimAngle, ""));
    object.Update(Dt(0.25f));
    EXPECT_NEAR(object.GetAngle(), 1.5f, 0.001f);
}
