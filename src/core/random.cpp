#include "core/random.h"

namespace {
// Linear congruential step, modulo 2^32 through unsigned overflow.
constexpr uint32_t kMultiplier = 214013u;
constexpr uint32_t kIncrement = 2531011u;
uint32_t g_state = 1;
}  // namespace

uint32_t vK_Random::Next() {
    g_state = g_state * kMultiplier + kIncrement;
    return (g_state >> 16) & kMax;
}

void vK_Random::Seed(uint32_t seed) { g_state = seed; }

uint32_t vK_Random::GetState() { return g_state; }
