#pragma once
// Fixed-frame runs for instruction counts, which the machine's load does not disturb
// (wall-clock rates on a shared machine do). With VRAKKO_CALLGRIND_FRAMES=F a benchmark
// program runs F frames of its scene (VRAKKO_CALLGRIND_N sprites, 20,000 by default)
// and exits. Run it as
//   valgrind --tool=callgrind --collect-atstart=no bench/bench_sprites
// and only the engine's own stages inside CountedStage scopes are counted (the hit test,
// the script call, the update and the draw walk that builds the batches), not the GL
// driver's work.
#include <cstdlib>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define VRAKKO_TOGGLE_COUNT() CALLGRIND_TOGGLE_COLLECT
#else
#define VRAKKO_TOGGLE_COUNT() ((void)0)
#endif

// Counts what runs during its lifetime (when counting was on, it is off meanwhile).
class CountedStage {
public:
    CountedStage() { VRAKKO_TOGGLE_COUNT(); }
    ~CountedStage() { VRAKKO_TOGGLE_COUNT(); }
    CountedStage(const CountedStage&) = delete;
    CountedStage& operator=(const CountedStage&) = delete;
};

inline int CallgrindFrames() {
    const char* value = std::getenv("VRAKKO_CALLGRIND_FRAMES");
    return value ? std::atoi(value) : 0;
}

inline int CallgrindSprites() {
    const char* value = std::getenv("VRAKKO_CALLGRIND_N");
    return value ? std::atoi(value) : 20000;
}
