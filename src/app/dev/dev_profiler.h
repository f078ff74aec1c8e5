#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/vrakko.h"

class vK_DevCanvas;
class vK_Render;

// The overlay's frame profiler: where the time of the last seconds of frames went
// (input, process, draw preparation, submission to the device, stacked in a graph)
// and what the engine holds: objects in the live scene and alive, draw calls, textures,
// sounds, and the memory of textures, sounds and the Lua state.
class vK_DevProfiler {
public:
    static constexpr size_t kSamples = 240;   // four seconds at 60 frames a second
    static constexpr size_t kTextEvery = 15;  // samples between updates of the numbers
    // The graph's full height: the first of these that holds the slowest frame shown.
    static constexpr double kGraphScales[] = {20.0, 40.0, 80.0, 160.0, 320.0};

    struct Counts {
        size_t sceneObjects = 0;  // the live root and everything under it
        int64_t liveObjects = 0;  // every object alive (live counts)
        int drawCalls = 0;        // of the game's frame, before the overlay drew
        int64_t textures = 0;
        int64_t deviceTextures = 0;
        size_t textureBytes = 0;
        int64_t sounds = 0;
        int64_t soundSources = 0;
        int64_t soundBytes = 0;
        int luaKilobytes = 0;
    };

    // One finished frame's times.
    void AddSample(const vK_FrameTimes& times);
    // The counts now; drawCalls is the draw-call count of the frame so far.
    static Counts Measure(const vK_Render* render, int drawCalls);
    void SetCounts(const Counts& counts) { counts_ = counts; }
    const Counts& GetCounts() const { return counts_; }
    size_t GetSampleCount() const { return count_; }
    // Mean of the last n samples (all there are when fewer).
    vK_FrameTimes Average(size_t n) const;
    // The lines of numbers the panel shows.
    std::vector<std::string> TextLines() const;

    void Draw(vK_DevCanvas& canvas, float x, float y, float w, float h);

private:
    const vK_FrameTimes& Sample(size_t age) const;  // 0 = the newest

    vK_FrameTimes samples_[kSamples];
    size_t next_ = 0;
    size_t count_ = 0;
    size_t sinceText_ = kTextEvery;
    std::vector<std::string> text_;
    double graphMs_ = kGraphScales[0];
    Counts counts_;
};
