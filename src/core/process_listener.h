#pragma once

struct vK_FrameInfo;

class vK_ProcessListener {
public:
    virtual ~vK_ProcessListener() = default;
    // False stops the first pass and the scene's processing for this frame.
    virtual bool OnPreProcess(const vK_FrameInfo& /*frame*/) { return true; }
    virtual void OnProcess(const vK_FrameInfo& frame) = 0;
    virtual void OnIdle() {}
};
