// The parametric system: bursts, frame-unit motion and the alpha rules, hand-stepped.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "core/random.h"
#include "particles/part_sys_impl_jan.h"
#include "preset_text.h"

namespace {
using Jan = vK_PartSysImpl_Jan;

std::unique_ptr<Jan> Load(const std::string& attributes) {
    auto jan = std::make_unique<Jan>();
    EXPECT_TRUE(LoadPresetText(*jan, "<ps type=\"jan\"><emit " + attributes + "/></ps>"));
    return jan;
}

const Jan::Particle& First(const Jan& jan) { return *jan.GetEmitters()[0]->particles.at(0); }

class JanSystem : public ::testing::Test {
protected:
    void SetUp() override { vK_Random::Seed(1); }
};

// One frame unit of time.
constexpr float kUnit = Jan::kFrameUnit;
}  // namespace

TEST_F(JanSystem, BurstSizesAndCounts) {
    struct Case {
        const char* attributes;
        int frames;
        int particles;
        bool playing;
    } cases[] = {
        // born_count 0 still emits one per burst; 2.9 emits two; delay_init 0 bursts at once.
        {"born_count=\"0\" lifetime=\"1000\" delay=\"1000\"", 1, 1, true},
        {"born_count=\"2.9\" lifetime=\"1000\" delay=\"1000\"", 1, 2, true},
        // autooff 3 fires three bursts, then the system stops with its particles alive.
        {"born_count=\"1\" lifetime=\"1000\" delay=\"0\" autooff=\"3\"", 2, 2, true},
        {"born_count=\"1\" lifetime=\"1000\" delay=\"0\" autooff=\"3\"", 3, 3, false},
        {"born_count=\"1\" lifetime=\"1000\" delay=\"0\" autooff=\"3\"", 6, 3, false},
        // autooff 0 and an absent autooff are endless.
        {"born_count=\"1\" lifetime=\"1000\" delay=\"0\" autooff=\"0\"", 6, 6, true},
        {"born_count=\"1\" lifetime=\"1000\" delay=\"0\"", 6, 6, true},
        // delay_init 10 (0.17 s) waits for its time.
        {"born_count=\"1\" lifetime=\"1000\" delay=\"1000\" delay_init=\"10\"", 1, 0, true},
    };
    for (const Case& c : cases) {
        auto jan = Load(c.attributes);
        Steps(*jan, c.frames, 0.1f);
        EXPECT_EQ(jan->GetParticleCount(), c.particles) << c.attributes << " after " << c.frames;
        EXPECT_EQ(jan->IsPlaying(), c.playing) << c.attributes << " after " << c.frames;
    }
}

TEST_F(JanSystem, AlphaPeaksAtItsPercentOfTheLifetime) {
    // lifetime 100 is 1.7 s, the peak at 0.85 s; alpha uses the age before this frame.
    auto jan = Load("born_count=\"1\" lifetime=\"100\" delay=\"1000\" alpha=\"1\" alpha_peak=\"50\"");
    // Frames of 0.2125 s: ages 0 to 1.275, so 0.5 at a quarter and at three quarters.
    const float expected[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f, 0.75f, 0.5f};
    for (float alpha : expected) {
        Steps(*jan, 1, 0.2125f);
        EXPECT_NEAR(First(*jan).alpha, alpha, 1e-4f);
    }
}

TEST_F(JanSystem, FrameUnitRules) {
    // alpha_mode 1 with lifetime 60 (1.02 s) fades by 1/60 per frame unit.
    auto fade = Load("born_count=\"1\" lifetime=\"60\" delay=\"1000\" alpha=\"1\" alpha_mode=\"1\"");
    Steps(*fade, 1, kUnit);
    EXPECT_NEAR(First(*fade).alpha, 1.0f - 1.0f / 60.0f, 1e-5f);
    // A factor of 0.9 loses 10 % per frame unit: two units in one frame move by 1 * 2,
    // then the speed is 0.81 and the next frame adds 1.62.
    auto slow = Load(
        "born_count=\"1\" lifetime=\"1000\" delay=\"1000\" speed_x=\"1\" speed_xf=\"0.9\" speed_yf=\"1\"");
    Steps(*slow, 1, 2 * kUnit);
    EXPECT_NEAR(First(*slow).x, 2.0f, 1e-5f);
    EXPECT_NEAR(First(*slow).speed_x, 0.81f, 1e-5f);
    Steps(*slow, 1, 2 * kUnit);
    EXPECT_NEAR(First(*slow).x, 3.62f, 1e-5f);
    // gflag 1 with direction 0: speed y moves along +y only.
    auto along =
        Load("born_count=\"1\" lifetime=\"1000\" delay=\"1000\" gflag=\"1\" speed_y=\"1\" speed_yf=\"1\"");
    Steps(*along, 3, kUnit);
    EXPECT_NEAR(First(*along).x, 0.0f, 1e-6f);
    EXPECT_NEAR(First(*along).y, 3.0f, 1e-5f);
    // scale_mode 1: equal scales whatever the spreads, scale_yf ignored.
    auto square = Load(
        "born_count=\"5\" lifetime=\"1000\" delay=\"1000\" scale_mode=\"1\" scale_x=\"1\""
        " scale_x_delta=\"0.5\" scale_y_delta=\"0.5\" scale_x_speed=\"0.1\" scale_xf=\"1\""
        " scale_yf=\"0\"");
    Steps(*square, 3, kUnit);
    for (const Jan::Particle* p : square->GetEmitters()[0]->particles) EXPECT_EQ(p->scale_x, p->scale_y);
}

TEST_F(JanSystem, PreprocStartsWithHistory) {
    auto jan = Load("born_count=\"1\" lifetime=\"1000\" delay=\"1000\" preproc=\"10\"");
    EXPECT_TRUE(jan->IsPlaying());
    EXPECT_NEAR(First(*jan).age, 1.7f, 1e-4f);
}

TEST_F(JanSystem, RecordsGoBackToThePool) {
    auto jan = Load("born_count=\"3\" lifetime=\"5\" delay=\"0\"");
    Steps(*jan, 20, 0.1f);  // steady: three born and three dying every frame
    const size_t free_before = Jan::PoolFreeCount();
    const int live = jan->GetParticleCount();
    Steps(*jan, 20, 0.1f);
    EXPECT_EQ(jan->GetParticleCount(), live);
    EXPECT_EQ(Jan::PoolFreeCount(), free_before);
    jan->Stop(true);
    EXPECT_EQ(Jan::PoolFreeCount(), free_before + static_cast<size_t>(live));
}
