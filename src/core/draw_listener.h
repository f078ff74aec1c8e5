#pragma once

class vK_Render;
struct vK_DisplayMode;

class vK_DrawListener {
public:
    virtual ~vK_DrawListener() = default;
    // False suppresses the scene's drawing this frame (and stops the pass).
    virtual bool OnPreDraw(vK_Render& /*render*/) { return true; }
    virtual void OnPostDraw(vK_Render& /*render*/) {}
    virtual void OnDeviceRestored() {}
    virtual bool CanChangeDisplayMode(bool /*fullscreen*/) { return true; }
    virtual void OnDisplayModeChangeDone(bool /*fullscreen*/) {}
    virtual void OnDisplayModeChanged(const vK_DisplayMode& /*mode*/) {}
};
