#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/platform.h"

union SDL_Event;
struct SDL_Window;
class vK_Cursor;
class vK_DriverLeakScope;
struct vK_InputEvent;

// The engine's platform on SDL2: one window with an OpenGL 3.3 core context, the event
// pump mapped to engine input events, Alt+Return, activation, the release/restore
// protocol when the display mode changes, and SDL's millisecond clock. Without a display
// or a GL context it logs and the loop ends at once.
class Vrakko_Impl : public vK_Platform {
public:
    Vrakko_Impl();
    ~Vrakko_Impl() override;

    void Prepare() override;
    bool OpenDisplay(const vK_DisplayMode& mode) override;
    bool ChangeDisplayMode(const vK_DisplayMode& mode) override;
    std::unique_ptr<vK_Render> CreateRenderer(int width, int height) override;
    void Started() override;
    void RunLoop() override;
    void Quit() override;
    double Now() const override;
    bool IsForeground() const override;
    void PauseSounds(bool pause) override;
    bool MeasuresFrameRate() const override { return true; }
    std::vector<float> GetDesktopSize() const override;
    std::vector<float> GetMaxDisplaySize() const override;
    std::string GetInterfaceOrientation() const override { return "landscape"; }
    std::string GetInterfaceParadigm() const override { return "large"; }

    // Turns one SDL event into engine calls; false for the quit event.
    bool HandleEvent(const SDL_Event& event);
    bool HasDisplay() const { return context_ != nullptr; }

    // Run options: end the loop after this many frames (0 = never); save the last frame
    // drawn to path before ending (PNG for ".png", else JPEG).
    void SetFrameLimit(long frames) { frameLimit_ = frames; }
    void SetScreenshotPath(const std::string& path) { screenshotPath_ = path; }
    bool ScreenshotSaved() const { return screenshotSaved_; }

    // Replaying recorded input: the window's own input is ignored (closing it still ends
    // the run), the window counts as the foreground one, frames run at a fixed step
    // without waiting for the clock, and beforeFrame runs before every frame to feed the
    // recorded events through FeedInput.
    void SetReplay(std::function<void()> beforeFrame);
    bool IsReplaying() const { return static_cast<bool>(beforeFrame_); }
    // One recorded event: activation and deactivation take the same path as the window's
    // focus changes, everything else goes to Input.
    void FeedInput(const vK_InputEvent& event);
    // Window actions a player takes that are no input event: Alt+Enter (fullscreen
    // toggle) and closing the window. The listener hears each as it happens (recording);
    // FeedWindowAction performs one as the window would (replay).
    enum WindowAction : int { kAltEnter = 1, kCloseWindow = 2 };
    void SetWindowActionListener(std::function<void(int)> listener) {
        windowActionListener_ = std::move(listener);
    }
    void FeedWindowAction(int action);
    // Saves the frame drawn as frame number `frame` to path (PNG for a name ending in
    // ".png", JPEG otherwise); a frame may be named more than once.
    void AddScreenshotAt(long frame, const std::string& path);
    // Paths of the frame screenshots that could not be saved (or whose frame never came).
    std::vector<std::string> GetMissingScreenshots() const;

    // Vertical sync: the swap interval in use (-1 adaptive, 1 every refresh, 0 none, when
    // the driver refused both). The setter stands in for SDL_GL_SetSwapInterval (0 on
    // success); set it before Run.
    using SwapIntervalSetter = std::function<int(int)>;
    void SetSwapIntervalSetter(SwapIntervalSetter setter) { setSwapInterval_ = std::move(setter); }
    int GetSwapInterval() const { return swapInterval_; }

private:
    bool CreateMainWindow(const vK_DisplayMode& mode);
    bool CreateGraphicsDevice(const vK_DisplayMode& mode);
    bool ResetDevice(const vK_DisplayMode& mode);
    void ApplyWindowMode(const vK_DisplayMode& mode);
    // Presents with vertical sync when the driver offers it: adaptive first, then
    // plain; otherwise none, and the frame cap alone limits the rate.
    void ApplySwapInterval();
    void ToggleFullscreenFromKeyboard();
    bool SaveFrame(const std::string& path);
    // Starts SDL's video subsystem once; false when there is none.
    bool InitVideo() const;

    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;  // SDL_GLContext
    mutable bool videoInitialised_ = false;
    bool quit_ = false;
    long frameLimit_ = 0;
    std::string screenshotPath_;
    bool screenshotSaved_ = false;
    struct FrameShot {
        long frame;
        std::string path;
        bool saved;
    };
    std::vector<FrameShot> frameShots_;
    std::function<void()> beforeFrame_;
    std::function<void(int)> windowActionListener_;
    SwapIntervalSetter setSwapInterval_;
    int swapInterval_ = 0;
    std::unique_ptr<vK_Cursor> cursor_;
    // Leak reports are off while the GL driver lives (its one-time state is never freed).
    mutable std::unique_ptr<vK_DriverLeakScope> driverLeaks_;
};
