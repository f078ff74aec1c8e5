#pragma once
#include "core/application_listener.h"
#include "core/display_mode.h"
#include "core/draw_listener.h"
#include "core/input_listener.h"
#include "core/process_listener.h"

// The game's application object: all four listener kinds at once. Vrakko::Run takes it.
class vK_Application : public vK_ApplicationListener,
                       public vK_DrawListener,
                       public vK_InputListener,
                       public vK_ProcessListener {
public:
    virtual vK_DisplayMode GetDisplayMode() { return vK_DisplayMode(); }
    virtual vK_DisplayMode GetDisplayMode(bool fullscreen) {
        vK_DisplayMode mode;
        mode.fullscreen = fullscreen;
        return mode;
    }
};
