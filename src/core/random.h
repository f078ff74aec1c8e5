#pragma once
#include <cstdint>

// The engine's one process-wide pseudo-random generator. Scripts (math.random,
// math.randomseed) and particle systems draw from the same sequence, so a given
// seed replays identically on every platform.
class vK_Random {
public:
    // Largest value Next returns.
    static constexpr uint32_t kMax = 0x7FFF;

    // Advances the state and returns the next value in 0..kMax.
    static uint32_t Next();
    // Restarts the sequence from seed (the state starts at 1).
    static void Seed(uint32_t seed);
    static uint32_t GetState();
};
