#pragma once
#include <memory>

#include "app/dev/dev_canvas.h"
#include "app/dev/dev_console.h"
#include "app/dev/dev_inspector.h"
#include "app/dev/dev_profiler.h"
#include "core/draw_listener.h"
#include "core/input_listener.h"
#include "core/process_listener.h"

class Vrakko;

// The developer overlay of a --dev run: three panels drawn above the game through the
// engine's renderer with the program's own font, each shown and hidden by its key.
// It never changes the game by itself: hidden, it draws nothing and lets every event
// but its keys through (so a replay's frames come out the same); shown, a panel keeps
// the input it uses from the game: the inspector takes the pointer (a click pins) and
// its filter's keys, the console the keyboard. The profiler takes nothing.
//
// Register it with Attach before the engine runs the application, so its input
// listener comes before the game's; Detach (or the destructor) takes it out again.
class vK_DevOverlay : public vK_InputListener, public vK_DrawListener, public vK_ProcessListener {
public:
    enum Panel : int { kInspector = 0, kConsole = 1, kProfiler = 2, kPanelCount };
    // Engine key codes of the panels' keys (F1, F2, F3 unless configured).
    struct Keys {
        int key[kPanelCount] = {112, 113, 114};
    };
    // The keys named in the configuration ("Vrakko.devKeys.inspector", ".console",
    // ".profiler", as SDL names keys); unknown names keep the default with a log line.
    static Keys KeysFromConfig();

    vK_DevOverlay();
    explicit vK_DevOverlay(const Keys& keys);
    ~vK_DevOverlay() override;
    vK_DevOverlay(const vK_DevOverlay&) = delete;
    vK_DevOverlay& operator=(const vK_DevOverlay&) = delete;

    void Attach(Vrakko& engine);
    void Detach();

    void Toggle(Panel panel);
    bool IsShown(Panel panel) const { return shown_[panel]; }
    bool IsAnyShown() const { return shown_[0] || shown_[1] || shown_[2]; }

    bool OnPreInput(const vK_InputEvent& event) override;
    bool HoldsPointer() const override { return shown_[kInspector]; }
    void OnPostDraw(vK_Render& render) override;
    void OnProcess(const vK_FrameInfo& frame) override;

    vK_DevInspector& GetInspector() { return inspector_; }
    vK_DevConsole& GetConsole() { return console_; }
    vK_DevProfiler& GetProfiler() { return profiler_; }
    vK_DevCanvas& GetCanvas() { return canvas_; }

private:
    bool KeyboardInput(const vK_InputEvent& event);

    Keys keys_;
    bool shown_[kPanelCount] = {false, false, false};
    Vrakko* engine_ = nullptr;  // while attached
    vK_DevCanvas canvas_;
    vK_DevInspector inspector_;
    vK_DevConsole console_;
    vK_DevProfiler profiler_;
    float pointerX_ = 0.0f, pointerY_ = 0.0f;
};
