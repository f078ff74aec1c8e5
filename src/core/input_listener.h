#pragma once

struct vK_InputEvent;

class vK_InputListener {
public:
    virtual ~vK_InputListener() = default;
    // False keeps the event from the scene (and stops the pass).
    virtual bool OnPreInput(const vK_InputEvent& /*event*/) { return true; }
    virtual void OnPostInput(const vK_InputEvent& /*event*/) {}
    // True while the listener keeps the pointer for itself: the frame's synthetic
    // pointer move then does not reach the scene either.
    virtual bool HoldsPointer() const { return false; }
    virtual void OnActivate() {}
    virtual void OnDeactivate() {}
    // A back-navigation hook the engine core never calls.
    virtual void OnBackPressed() {}
};
