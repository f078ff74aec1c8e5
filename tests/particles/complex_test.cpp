// The script-driven system: its own Lua state, scripts run per frame, hand-stepped.
#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <string>

#include "core/random.h"
#include "particles/part_sys_impl_complex.h"
#include "preset_text.h"

namespace {
using Complex = vK_PartSysImpl_Complex;

// A preset with one system script and emitter types given as XML.
std::string Preset(const std::string& system, const std::string& types) {
    return "<ps><process>" + system + "</process><emit>" + types + "</emit></ps>";
}

// The usual set-up: one emitter of type "a" at (0, 0), created once.
const char* const kCreateOnce = "if ps_state == 0 then CreateEmitter('a', 0, 0); ps_state = 1 end";

std::string Type(const std::string& name, const std::string& process, const std::string& born,
                 const std::string& part = "", const std::string& die = "") {
    return "<" + name + "><process>" + process + "</process><bornpart>" + born + "</bornpart><processpart>" +
           part + "</processpart><diepart>" + die + "</diepart></" + name + ">";
}

std::unique_ptr<Complex> Started(const std::string& xml) {
    auto c = std::make_unique<Complex>();
    EXPECT_TRUE(LoadPresetText(*c, xml));
    c->Start();
    return c;
}

float Custom(const Complex::Particle& p, const char* key) {
    auto found = p.custom.find(key);
    return found == p.custom.end() ? -1.0f : found->second;
}

class ComplexSystem : public ::testing::Test {
protected:
    void SetUp() override { vK_Random::Seed(1); }
};
}  // namespace

TEST_F(ComplexSystem, SetUpRunsOnceAndStateIsReadBack) {
    auto c = Started(Preset(kCreateOnce, Type("a", "", "")));
    EXPECT_TRUE(c->HasScriptState());
    Steps(*c, 3, 0.1f);
    EXPECT_EQ(c->GetEmitters().size(), 1u);
    EXPECT_EQ(c->GetSystemState(), 1);
}

TEST_F(ComplexSystem, FractionalEmissionAccumulates) {
    auto c = Started(Preset(kCreateOnce, Type("a", "CreateParticles(0.25)", "DieAfter(100)")));
    const int expected[] = {0, 0, 0, 1, 1, 1, 1, 2};
    for (int frame = 0; frame < 8; ++frame) {
        Steps(*c, 1, 0.1f);
        EXPECT_EQ(c->GetParticleCount(), expected[frame]) << "frame " << frame + 1;
    }
}

TEST_F(ComplexSystem, TracksInterpolateAndClamp) {
    // Fade in over the first half of a one-second life, out over the second; a second
    // track overshoots 0..1 and is clamped; a one-key track holds its value; two keys at
    // one percentage jump instead of dividing by zero.
    auto c = Started(Preset(
        kCreateOnce, Type("a", "if not done then CreateParticles(1); done = true end",
                          "DieAfter(1); Animate(vk_alpha, {0, 0, 50, 1, 100, 0});"
                          "Animate(vk_color_r, {0, -1, 100, 3}); Animate(vk_scale_x, {0, 7});"
                          "Animate(vk_angle, {0, 1, 0, 2, 100, 2}); Animate(vk_pos_z, {0, 5, 100, 5})")));
    struct Frame {
        float alpha, red, angle;
    } frames[] = {{0.5f, 0.0f, 2.0f}, {1.0f, 1.0f, 2.0f}, {0.5f, 1.0f, 2.0f}};
    for (const Frame& f : frames) {
        Steps(*c, 1, 0.25f);
        ASSERT_EQ(c->GetParticleCount(), 1);
        const Complex::Particle& p = *c->GetParticles()[0];
        EXPECT_NEAR(p.alpha, f.alpha, 1e-5f);
        EXPECT_NEAR(p.red, f.red, 1e-5f);
        EXPECT_EQ(p.scale_x, 7.0f);
        EXPECT_NEAR(p.angle, f.angle, 1e-5f);
        EXPECT_EQ(p.Get(Complex::ScriptParameter(2)), 0.0f);  // z
    }
    Steps(*c, 1, 0.25f);
    EXPECT_EQ(c->GetParticleCount(), 0);
}

TEST_F(ComplexSystem, PropertiesByIndexAndByName) {
    auto c = Started(Preset(kCreateOnce, Type("a", "if not done then CreateParticles(1); done = true end",
                                              "DieAfter(10); SetProperty(2, 9); SetProperty(vk_alpha, 4);"
                                              "SetProperty('speed', 3); SetProperty(12, 1);"
                                              "SetProperty('z', GetProperty(2));"
                                              "SetProperty('got', GetProperty('speed'));"
                                              "SetProperty('none', GetProperty('unknown'));"
                                              "SetProperty(vk_pos_x, '12')")));
    Steps(*c, 1, 0.1f);
    ASSERT_EQ(c->GetParticleCount(), 1);
    const Complex::Particle& p = *c->GetParticles()[0];
    EXPECT_EQ(Custom(p, "z"), 0.0f);
    EXPECT_EQ(Custom(p, "got"), 3.0f);
    EXPECT_EQ(Custom(p, "none"), 0.0f);
    EXPECT_EQ(p.alpha, 1.0f);
    EXPECT_EQ(p.pos_x, 12.0f);  // a string that reads as a number
}

// The property indices of scripts, as numbers and as the globals holding them: each
// selects one field of the particle for SetProperty, GetProperty and Animate (z and
// numbers past 9 none). The born script sets 0.25, reads it back into "got" and
// animates the property to 0.75 with a one-key track, which the same update applies.
TEST_F(ComplexSystem, ScriptPropertyIndicesSelectTheirFields) {
    using P = Complex::Particle;
    const struct {
        const char* index;
        float P::*field;  // nullptr: none
    } rows[] = {
        {"0", &P::pos_x},         {"1", &P::pos_y},
        {"2", nullptr},           {"3", &P::scale_x},
        {"4", &P::scale_y},       {"5", &P::angle},
        {"6", &P::alpha},         {"7", &P::red},
        {"8", &P::green},         {"9", &P::blue},
        {"10", nullptr},          {"12", nullptr},
        {"13", nullptr},          {"-1", nullptr},
        {"vk_pos_z", nullptr},    {"vk_scale_x", &P::scale_x},
        {"vk_angle", &P::angle},  {"vk_alpha", &P::alpha},
        {"vk_color_b", &P::blue}, {"3.5", &P::scale_x},
    };
    float P::*const fields[] = {&P::pos_x, &P::pos_y, &P::scale_x, &P::scale_y, &P::angle,
                                &P::alpha, &P::red,   &P::green,   &P::blue};
    const float defaults[] = {0, 0, 1, 1, 0, 1, 1, 1, 1};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.index);
        const std::string i = row.index;
        auto c = Started(Preset(kCreateOnce, Type("a", "if not done then CreateParticles(1); done = true end",
                                                  "DieAfter(10); SetProperty(" + i +
                                                      ", 0.25); SetProperty('got', "
                                                      "GetProperty(" +
                                                      i + ")); Animate(" + i + ", {0, 0.75})")));
        Steps(*c, 1, 0.1f);
        ASSERT_EQ(c->GetParticleCount(), 1);
        const P& p = *c->GetParticles()[0];
        EXPECT_EQ(Custom(p, "got"), row.field ? 0.25f : 0.0f);
        for (size_t f = 0; f < std::size(fields); ++f)
            EXPECT_EQ(p.*fields[f], fields[f] == row.field ? 0.75f : defaults[f]) << "field " << f;
    }
}

TEST_F(ComplexSystem, UnknownTypeNameUsesTypeZeroAndNoTypesMakeNoEmitter) {
    auto c = Started(Preset("if ps_state == 0 then CreateEmitter('nope', 3, 4); ps_state = 1 end",
                            Type("first", "", "") + Type("second", "", "")));
    Steps(*c, 1, 0.1f);
    ASSERT_EQ(c->GetEmitters().size(), 1u);
    EXPECT_EQ(c->GetEmitters()[0].type, 0);
    EXPECT_EQ(c->GetEmitters()[0].x, 3.0f);
    auto none = Started("<ps><process>CreateEmitter('a', 0, 0)</process></ps>");
    Steps(*none, 2, 0.1f);
    EXPECT_TRUE(none->GetEmitters().empty());
}

TEST_F(ComplexSystem, DyingParticleRunsItsDieScriptOnceAndNotItsParticleScript) {
    auto c = Started(
        Preset(kCreateOnce, Type("a", "if not done then CreateParticles(1); done = true end",
                                 "DieAfter(0.25)", "parts = (parts or 0) + 1", "CreateEmitter('a', 0, 0)")));
    Steps(*c, 1, 0.1f);  // percent 40
    Steps(*c, 1, 0.1f);  // percent 80
    EXPECT_EQ(c->GetEmitters().size(), 1u);
    Steps(*c, 1, 0.1f);  // percent 120: die script, gone
    EXPECT_EQ(c->GetParticleCount(), 0);
    EXPECT_EQ(c->GetEmitters().size(), 2u);
    Steps(*c, 2, 0.1f);
    EXPECT_EQ(c->GetEmitters().size(), 2u);
}

TEST_F(ComplexSystem, StopWithoutClearLetsParticlesFinish) {
    auto c = Started(Preset(kCreateOnce, Type("a", "CreateParticles(1)", "DieAfter(0.35)")));
    Steps(*c, 2, 0.1f);
    EXPECT_EQ(c->GetParticleCount(), 2);
    c->Stop(false);
    EXPECT_TRUE(c->HasScriptState());
    Steps(*c, 2, 0.1f);  // no new particles; the first reaches 0.4 s and dies
    EXPECT_EQ(c->GetParticleCount(), 1);
    Steps(*c, 1, 0.1f);
    EXPECT_EQ(c->GetParticleCount(), 0);
    c->Stop(true);
    EXPECT_FALSE(c->HasScriptState());
}

TEST_F(ComplexSystem, RestartAfterStopWithoutClearBeginsClean) {
    auto c = Started(Preset(kCreateOnce, Type("a", "CreateParticles(1)", "DieAfter(100)")));
    Steps(*c, 2, 0.1f);
    c->Stop(false);
    c->Start();
    EXPECT_EQ(c->GetParticleCount(), 0);
    EXPECT_EQ(c->GetEmitters().size(), 0u);
    Steps(*c, 2, 0.1f);
    EXPECT_EQ(c->GetEmitters().size(), 1u);  // one set of emitters, not two
    EXPECT_EQ(c->GetParticleCount(), 2);
}

TEST_F(ComplexSystem, NoEmitterIsCurrentOutsideEmitterScripts) {
    // "a" deletes itself; the system script's CreateParticles must not reach "b" (which
    // moved into a's index) or any other emitter.
    auto c =
        Started(Preset("if ps_state == 0 then CreateEmitter('a', 0, 0); CreateEmitter('b', 0, 0);"
                       "ps_state = 1 end; CreateParticles(1); DeleteMe()",
                       Type("a", "DeleteMe()", "DieAfter(100)") + Type("b", "", "DieAfter(100)")));
    Steps(*c, 3, 0.1f);
    ASSERT_EQ(c->GetEmitters().size(), 1u);
    EXPECT_EQ(c->GetEmitters()[0].type, 1);
    EXPECT_EQ(c->GetParticleCount(), 0);
}

TEST_F(ComplexSystem, ScriptsAreCompiledOnce) {
    auto c =
        Started(Preset("seen = seen or {}; seen[debug.getinfo(1, 'f').func] = true;"
                       "n = 0; for _ in pairs(seen) do n = n + 1 end; ps_state = n",
                       ""));
    Steps(*c, 5, 0.1f);
    EXPECT_EQ(c->GetSystemState(), 1);
}

TEST_F(ComplexSystem, RunawayAndFailingScriptsAreCutOffAndTheSystemGoesOn) {
    auto c = Started(Preset(
        kCreateOnce, Type("a", "CreateParticles(1); while true do end", "DieAfter(100); error('born')") +
                         Type("b", "this is not Lua", "")));
    Steps(*c, 3, 0.1f);
    EXPECT_EQ(c->GetParticleCount(), 3);
    EXPECT_EQ(c->GetSystemState(), 1);
}

TEST_F(ComplexSystem, RandomFunctionsDrawFromTheEngineGenerator) {
    // Seed 1 gives 41 first: Random(0, 10) = 41 * 10 / 10000; math.random(1000) =
    // floor(41 / 32767 * 1000) + 1.
    auto c = Started(Preset("ps_state = math.random(1000) * 1000 + Random(0, 10) * 1000", ""));
    vK_Random::Seed(1);
    Steps(*c, 1, 0.1f);
    // math.random draws 41, Random then the second value, 18467: 8467 * 10 / 10000.
    EXPECT_EQ(c->GetSystemState(), 2 * 1000 + 8467);
}
