#pragma once

// What one frame hands to process listeners, the scene and the sound hub.
struct vK_FrameInfo {
    float dt = 0.0f;       // seconds to advance: elapsed clamped to three frame intervals
    float elapsed = 0.0f;  // unclamped seconds since the previous frame
    float time = 0.0f;     // the millisecond clock divided by 1000
};
