// The random-emitter system against a fixed seed and hand-stepped frames.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/random.h"
#include "graphics/texture.h"
#include "particles/part_sys_impl_rnd.h"
#include "preset_text.h"

namespace {
using Rnd = vK_PartSysImpl_Rnd;

// A constant curve.
std::string Const(const char* name, float v) {
    return "<" + std::string(name) + "><p t=\"0\" v=\"" + std::to_string(v) + "\"/></" + name + ">";
}

std::string Preset(const std::string& emitters) {
    return "<ps type=\"rnd\" ver=\"1.3\">" + emitters + "</ps>";
}

std::unique_ptr<Rnd> Load(const std::string& xml) {
    auto rnd = std::make_unique<Rnd>();
    EXPECT_TRUE(LoadPresetText(*rnd, xml));
    return rnd;
}

class RndSystem : public ::testing::Test {
protected:
    void SetUp() override { vK_Random::Seed(1); }
};
}  // namespace

TEST_F(RndSystem, SpreadUsesFourDigitsOfTheGenerator) {
    // Seed 1: the first value is 41, so U(100) = 41 * 200 / 10000 - 100.
    EXPECT_FLOAT_EQ(vK_PartSysImpl::Spread(100.0f), -99.18f);
    EXPECT_FLOAT_EQ(vK_PartSysImpl::Spread(0.0f), 0.0f);
}

TEST_F(RndSystem, CurvesEvaluateBetweenAndOutsideTheirPoints) {
    Rnd::SParam curve;
    curve.points = {{0.2f, 2.0f, 2.0f, 0, 0, 0}, {1.0f, 6.0f, 0, 0, 6.0f, 0}};
    curve.Finish();
    struct Case {
        float x, expected;
    } cases[] = {{0.0f, 0.0f}, {0.19f, 0.0f}, {0.2f, 2.0f}, {0.6f, 4.0f}, {1.0f, 6.0f}, {3.0f, 6.0f}};
    for (const Case& c : cases) EXPECT_NEAR(curve.Evaluate(c.x), c.expected, 1e-5f) << c.x;
    // With loop the time wraps at the last point: 1.6 is 0.6.
    curve.loop = true;
    EXPECT_NEAR(curve.Evaluate(1.6f), 4.0f, 1e-5f);
    Rnd::SParam one;
    one.points = {{0.5f, 7.0f, 0, 0, 0, 0}};
    one.Finish();
    EXPECT_EQ(one.Evaluate(0.0f), 7.0f);  // constant: also before its point
    EXPECT_EQ(Rnd::SParam().Evaluate(0.3f), 0.0f);
}

TEST_F(RndSystem, EmissionCountsAfterTwoSeconds) {
    // Lifetime 2, part_count 11: one particle at once, ten more spread over the cycle.
    // With delay 0.5 only every fourth frame of 1/8 s emits, adding its own 1/8 s share.
    struct Case {
        const char* extra;
        int loop;
        float lifetime;
        int frames;
        int expected;
    } cases[] = {
        {"", 0, 2.0f, 1, 1},
        {"", 0, 2.0f, 16, 11},
        {"<delay><p t=\"0\" v=\"0.5\"/></delay>", 0, 2.0f, 16, 2},
        // A looping emitter of part_count 1 re-arms its immediate particle at every wrap
        // (frames 8 and 16).
        {"", 1, 1.0f, 7, 1},
        {"", 1, 1.0f, 8, 2},
        {"", 1, 1.0f, 16, 3},
    };
    for (const Case& c : cases) {
        const std::string count = c.lifetime == 2.0f ? "11" : "1";
        auto rnd = Load(Preset("<emit playing=\"1\" loop=\"" + std::to_string(c.loop) + "\" lifetime=\"" +
                               std::to_string(c.lifetime) + "\"><part_count><p t=\"0\" v=\"" + count +
                               "\"/></part_count>" + Const("part_lifetime", 100) + c.extra + "</emit>"));
        Steps(*rnd, c.frames, 0.125f);
        EXPECT_EQ(rnd->GetParticleCount(), c.expected) << c.extra << " frames " << c.frames;
    }
}

TEST_F(RndSystem, LifetimeZeroOrMissingEmitsNothingAndEnds) {
    for (const char* lifetime : {"lifetime=\"0\"", "lifetime=\"-1\"", ""}) {
        auto rnd = Load(Preset(std::string("<emit playing=\"1\" loop=\"1\" ") + lifetime + ">" +
                               Const("part_count", 5) + Const("part_lifetime", 1) + "</emit>"));
        Steps(*rnd, 10, 0.1f);  // must return
        EXPECT_EQ(rnd->GetParticleCount(), 0) << lifetime;
    }
}

TEST_F(RndSystem, FirstParticleIsBornInsideTheFrameAndMoves) {
    // pos_x 5, speed 10 along direction 0: born at x 5 with age 1/16 (the cycle's fraction,
    // below dt), then moved by 10 * 1/8.
    auto rnd =
        Load(Preset("<emit playing=\"1\" lifetime=\"2\">" + Const("pos_x", 5) + Const("part_count", 1) +
                    Const("part_lifetime", 1) + "<particles>" + Const("speed_x", 10) + Const("scale_x", 2) +
                    Const("alpha", 3) + "</particles></emit>"));
    Steps(*rnd, 1, 0.125f);
    const Rnd::Particle& p = rnd->GetTemplates()[0]->particles.at(0);
    EXPECT_FLOAT_EQ(p.age, 0.0625f);
    EXPECT_FLOAT_EQ(p.x, 6.25f);
    EXPECT_FLOAT_EQ(p.y, 0.0f);
    EXPECT_FLOAT_EQ(p.lifetime, 1.0f);
    EXPECT_FLOAT_EQ(p.scale_x, 2.0f);
    EXPECT_FLOAT_EQ(p.alpha, 1.0f);  // clamped
    Steps(*rnd, 1, 0.125f);
    EXPECT_FLOAT_EQ(rnd->GetTemplates()[0]->particles.at(0).x, 7.5f);
}

TEST_F(RndSystem, LinkedEmitterFollowsItsParticleThenKeepsItsLastPosition) {
    // A emits one particle moving at 100 per second for half a second; its link starts
    // B on it at once. B follows (pos_mode 1) and outlives the particle.
    auto rnd = Load(
        Preset("<emit name=\"A\" playing=\"1\" lifetime=\"10\">" + Const("part_count", 1) +
               Const("part_lifetime", 0.5f) + "<particles>" + Const("speed_x", 100) +
               "<emit_link name=\"B\" fraction=\"1\" start_time=\"0\" period_time=\"0\" startup_mode=\"0\"/>"
               "</particles></emit>"
               "<emit name=\"B\" level=\"1\" playing=\"1\" pos_mode=\"1\" lifetime=\"1\">" +
               Const("part_count", 1) + Const("part_lifetime", 0.25f) + "</emit>"));
    auto instance = [&]() -> const Rnd::SEmitter* {
        for (const Rnd::SEmitter* e : rnd->GetActive())
            if (e->instance_of) return e;
        return nullptr;
    };
    Steps(*rnd, 1, 0.125f);
    EXPECT_EQ(rnd->GetPendingCount(), 1u);
    Steps(*rnd, 1, 0.125f);
    ASSERT_NE(instance(), nullptr);
    EXPECT_FLOAT_EQ(instance()->link_x, 25.0f);  // read after A moved its particle this frame
    // Its own particle was born at the followed position.
    EXPECT_FLOAT_EQ(instance()->particles.at(0).x, 25.0f);
    Steps(*rnd, 3, 0.125f);  // frame 5: A's particle dies
    EXPECT_EQ(rnd->GetTemplates()[0]->particles.size(), 0u);
    ASSERT_NE(instance(), nullptr);
    EXPECT_FLOAT_EQ(instance()->link_x, 50.0f);
    Steps(*rnd, 3, 0.125f);  // frame 8: B's cycle is not over yet
    EXPECT_EQ(rnd->GetActive().size(), 2u);
    Steps(*rnd, 1, 0.125f);  // frame 9: B inactive and empty, so it is dropped
    EXPECT_EQ(rnd->GetActive().size(), 1u);
    EXPECT_EQ(instance(), nullptr);
}

namespace {
class FakeMask : public vK_Texture {
public:
    FakeMask(float w, float h, bool opaque) : opaque_(opaque) { SetSizes(w, h, w, h); }
    bool Load(const std::string&) override { return true; }
    bool HitTest(float, float, const vK_DrawParams&) override {
        ++tries;
        return opaque_;
    }
    int tries = 0;

private:
    bool opaque_;
};
}  // namespace

TEST_F(RndSystem, MaskSamplingIsBoundedAndSafeForEmptyMasks) {
    struct Case {
        float w, h;
        bool opaque;
        bool found;
        int tries;
    } cases[] = {
        {8, 8, true, true, 1},     {8, 8, false, false, vK_PartSysImpl::kMaskTries},
        {1, 1, true, true, 1},     {0, 8, true, false, 0},
        {8, 0.5f, true, false, 0},
    };
    for (const Case& c : cases) {
        FakeMask mask(c.w, c.h, c.opaque);
        float x = 99, y = 99;
        EXPECT_EQ(vK_PartSysImpl::SampleMask(mask, 0, x, y), c.found) << c.w << "x" << c.h;
        EXPECT_EQ(mask.tries, c.tries);
        if (c.found) {
            EXPECT_GE(x, -c.w / 2);
            EXPECT_LT(x, c.w / 2);
        }
    }
    // A 1 x 1 mask has its one point at (0 - 0.5, 0 - 0.5).
    FakeMask dot(1, 1, true);
    float x = 0, y = 0;
    ASSERT_TRUE(vK_PartSysImpl::SampleMask(dot, 0, x, y));
    EXPECT_EQ(x, -0.5f);
    EXPECT_EQ(y, -0.5f);
}

TEST_F(RndSystem, StartDiscardsLinkedEmittersAndRestartsFromAClearState) {
    auto rnd = Load(Preset("<emit playing=\"1\" lifetime=\"2\">" + Const("part_count", 11) +
                           Const("part_lifetime", 100) + "</emit>"));
    Steps(*rnd, 8, 0.125f);
    EXPECT_EQ(rnd->GetParticleCount(), 6);
    rnd->Stop(true);
    EXPECT_FALSE(rnd->IsPlaying());
    Steps(*rnd, 4, 0.125f);
    rnd->Start();
    EXPECT_EQ(rnd->GetParticleCount(), 0);
    Steps(*rnd, 1, 0.125f);
    EXPECT_EQ(rnd->GetParticleCount(), 1);
}

TEST_F(RndSystem, PreprocessTimeStartsWithHistory) {
    // Half a second in steps of 1/24 is 12 steps; part_count 25 over 1 s adds one
    // particle per step, and the first step also emits the immediate one.
    auto rnd = Load(Preset("<emit playing=\"1\" loop=\"1\" lifetime=\"1\" preprocess_time=\"0.5\">" +
                           Const("part_count", 25) + Const("part_lifetime", 100) + "</emit>"));
    EXPECT_EQ(rnd->GetParticleCount(), 13);
}

TEST_F(RndSystem, OldPresetsCountPerSecondAndShareOneSpeed) {
    auto rnd = std::make_unique<Rnd>();
    ASSERT_TRUE(LoadPresetText(*rnd, "<ps type=\"rnd\"><emit playing=\"1\" lifetime=\"2\">" +
                                         Const("part_count", 3) + "<particles>" + Const("speed", 4) +
                                         "</particles></emit></ps>"));
    const Rnd::SEmitter& e = *rnd->GetTemplates()[0];
    EXPECT_FLOAT_EQ(e.curves[Rnd::kPartCount].points[0].v, 6.0f);
    EXPECT_FLOAT_EQ(e.curves[Rnd::kSpeedX].points[0].v, 4.0f);
    EXPECT_FLOAT_EQ(e.curves[Rnd::kSpeedY].points[0].v, 4.0f);
}
