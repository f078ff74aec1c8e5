#pragma once

// The start-up trace: with the environment variable VRAKKO_TRACE_STARTUP set, each
// phase of the way to the first presented frame prints one line to stderr,
// "start-up: PHASE  +MS ms  (at MS ms)", timed from the first mark (the entry point).
// Without the variable a mark costs one flag test.
class vK_StartupTrace {
public:
    static void Mark(const char* phase);
    // Marks the phase only for the first frame (the frame loop calls it every frame).
    static void MarkFirstFrame(const char* phase, long frame);
};
