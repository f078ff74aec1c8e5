#include "core/startup_trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {
using Clock = std::chrono::steady_clock;

struct TraceState {
    bool enabled = std::getenv("VRAKKO_TRACE_STARTUP") != nullptr;
    bool started = false;
    Clock::time_point start, last;
};

TraceState& State() {
    static TraceState state;
    return state;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
}  // namespace

void vK_StartupTrace::Mark(const char* phase) {
    TraceState& s = State();
    if (!s.enabled) return;
    const Clock::time_point now = Clock::now();
    if (!s.started) {
        s.started = true;
        s.start = s.last = now;
    }
    std::fprintf(stderr, "start-up: %-36s +%7.1f ms  (at %7.1f ms)\n", phase, Ms(now - s.last),
                 Ms(now - s.start));
    s.last = now;
}

void vK_StartupTrace::MarkFirstFrame(const char* phase, long frame) {
    if (frame == 1) Mark(phase);
}
