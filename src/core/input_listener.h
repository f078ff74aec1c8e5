#pragma once

struct vK_InputEvent;

class vK_InputListener {
public:
    virtual ~vK_InputListener() = default;
    // False keeps the event from the scene (and stops the pass).
    virtual bool OnPreInput(const vK_InputEvent& /*event*/) { return true; }
    virtual void OnPostInput(const vK_InputEvent& /*event*/) {}
    virtual void OnActivate() {}
    virtual void OnDeactivate() {}
    // A back-navigation hook the engine core never calls.
    virtual void OnBackPressed() {}
};
