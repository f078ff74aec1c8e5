#pragma once
#include <memory>
#include <string>
#include <vector>

class Vrakko;
class vK_Render;
struct vK_DisplayMode;

// The platform parts the engine calls: the window and its device, display modes, the
// event pump with the loop around it, and the clock. `Vrakko` owns one: `Vrakko_Impl`
// on SDL2; the defaults here are a platform without a display (no renderer, a loop
// that ends at once), which tests build on.
class vK_Platform {
public:
    vK_Platform() = default;
    virtual ~vK_Platform() = default;
    vK_Platform(const vK_Platform&) = delete;
    vK_Platform& operator=(const vK_Platform&) = delete;

    // The engine that owns the platform, set before anything else is called.
    void SetEngine(Vrakko& engine) { engine_ = &engine; }
    Vrakko& GetEngine() const { return *engine_; }

    // What the process needs before the display opens (start of Init).
    virtual void Prepare() {}
    // Opens the window and its device in mode; false (logged) when there is none.
    virtual bool OpenDisplay(const vK_DisplayMode& /*mode*/) { return true; }
    // The window and the device follow a new mode; true when the device was reset and
    // its resources are to be restored.
    virtual bool ChangeDisplayMode(const vK_DisplayMode& /*mode*/) { return false; }
    // A renderer on the device at width x height; nullptr without a device.
    virtual std::unique_ptr<vK_Render> CreateRenderer(int width, int height);
    // The renderer's device objects go (shut-down).
    virtual void ReleaseRenderer() {}
    // After Init: the loop clock starts.
    virtual void Started() {}
    // Pumps events and runs frames until the game ends.
    virtual void RunLoop() {}
    // Asks the loop to end after the current frame.
    virtual void Quit() {}
    // The millisecond clock of the loop.
    virtual double Now() const;
    // Whether the game window is the foreground window (focus polling).
    virtual bool IsForeground() const { return true; }
    // Pauses or resumes every sound (focus changes).
    virtual void PauseSounds(bool /*pause*/) {}
    // Whether the engine's frame rate is the one measured (else the one asked for).
    virtual bool MeasuresFrameRate() const { return false; }
    virtual std::vector<float> GetDesktopSize() const { return {0.0f, 0.0f}; }
    virtual std::vector<float> GetMaxDisplaySize() const { return {0.0f, 0.0f}; }
    virtual std::string GetInterfaceOrientation() const { return "undefined"; }
    virtual std::string GetInterfaceParadigm() const { return "undefined"; }

private:
    Vrakko* engine_ = nullptr;
};
