#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/display_mode.h"
#include "core/frame_info.h"
#include "core/platform.h"

class vK_Application;
class vK_ApplicationListener;
class vK_DrawListener;
class vK_InputListener;
class vK_ProcessListener;
class vK_Render;
struct vK_InputEvent;

// Where the time of one frame went, in milliseconds of the steady clock (whatever clock
// the loop runs on): the input events handled before it, Process (listeners, deferred
// calls, scene update, the sound and cursor updates), the draw up to the last batch
// (listeners and scene) and the submission (EndDraw, EndFrame, the buffer swap).
struct vK_FrameTimes {
    double input = 0.0;
    double process = 0.0;
    double draw = 0.0;
    double submit = 0.0;
};

// The engine singleton: the four listener lists, the frame work (Process, Draw, Input),
// the display-mode protocol and the timing of the frame loop. The platform it owns
// (vK_Platform; Vrakko_Impl on SDL2) supplies the window, the device, the event pump and
// the clock; without one it runs on a platform without a display.
class Vrakko {
public:
    static constexpr float kDefaultFrameInterval = 1.0f / 60.0f;
    static constexpr int kRingSize = 60;

    static Vrakko* Instance();

    Vrakko();
    explicit Vrakko(std::unique_ptr<vK_Platform> platform);
    ~Vrakko();
    Vrakko(const Vrakko&) = delete;
    Vrakko& operator=(const Vrakko&) = delete;

    vK_Platform& GetPlatform() const { return *platform_; }
    void Init(vK_Application* application);
    void Shutdown();
    void Run(vK_Application* application);
    bool Process(const vK_FrameInfo& frame);
    void Draw();
    void Input(const vK_InputEvent& event);
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    void SetFPS(float fps);
    // The measured rate where the platform measures it, else the rate asked for.
    float GetFPS() const { return platform_->MeasuresFrameRate() ? measuredRate_ : 1.0f / frameInterval_; }
    float GetAverageFPS() const;
    void EnableMultitouch(bool /*enable*/) {}
    bool IsSupported() const { return true; }
    std::string GetInterfaceOrientation() const { return platform_->GetInterfaceOrientation(); }
    std::string GetInterfaceParadigm() const { return platform_->GetInterfaceParadigm(); }
    void SetFactor(float factor) { factor_ = factor; }
    float GetFactor() const { return factor_; }
    void Quit() { platform_->Quit(); }
    std::vector<float> GetDesktopSize() const { return platform_->GetDesktopSize(); }
    std::vector<float> GetMaxDisplaySize() const { return platform_->GetMaxDisplaySize(); }
    // Opens the display in mode (the window, the device) and takes its size.
    bool InitDisplay(const vK_DisplayMode& mode);
    // Moves the display to mode; a reset device gets its resources back.
    bool SetDisplayMode(const vK_DisplayMode& mode);
    // The platform's renderer at the display's size (none without a device).
    void CreateRenderer();

    void SetApplication(vK_Application* application);
    vK_Application* GetApplication() const { return application_; }
    void AddApplicationListener(vK_ApplicationListener* listener);
    void AddInputListener(vK_InputListener* listener);
    void AddDrawListener(vK_DrawListener* listener);
    void AddProcessListener(vK_ProcessListener* listener);
    void RemoveApplicationListener(vK_ApplicationListener* listener);
    void RemoveInputListener(vK_InputListener* listener);
    void RemoveDrawListener(vK_DrawListener* listener);
    void RemoveProcessListener(vK_ProcessListener* listener);
    const std::vector<vK_DrawListener*>& GetDrawListeners() const { return drawListeners_; }

    // The display-mode change protocol: every draw listener may refuse.
    bool SetFullscreen(bool fullscreen);
    bool IsFullscreen() const { return fullscreen_; }
    void Activate();
    void Deactivate();
    // Window focus changes: listeners and sounds follow when the state changes.
    void SetActiveState(bool active);
    bool IsActive() const { return active_; }
    void RestoreDeviceResources();

    // The names that place the save folder; each change reaches the file manager at
    // once (as do the names in force when the engine is created).
    std::string GetPublisherName() const { return publisherName_; }
    std::string GetGameName() const { return gameName_; }
    void SetPublisherName(const std::string& name);
    void SetGameName(const std::string& name);
    vK_Render* GetRenderer() const { return renderer_.get(); }
    float GetFrameInterval() const { return frameInterval_; }

    // The millisecond clock of the loop: the platform's unless replaced (tests).
    void SetClock(std::function<double()> clock) { clock_ = std::move(clock); }
    double Now() const;
    // Starts the loop clock: last frame time = now.
    void StartClock() { lastFrameTime_ = Now(); }
    // The timing and processing part of one loop pass at time now (ms): frame interval
    // cap, focus polling, rate sampling, frame info, Process, cursor update. False when
    // the frame interval has not passed yet (nothing was done).
    bool RunFrame(double now);
    const vK_FrameInfo& GetLastFrame() const { return lastFrame_; }
    // The times of the last frame that ended (its buffer swap included).
    const vK_FrameTimes& GetFrameTimes() const { return lastTimes_; }
    // Time the platform spent presenting the frame being built (the buffer swap).
    void AddSubmitTime(double ms) { currentTimes_.submit += ms; }
    // The steady clock in milliseconds, for measuring only (never for game time).
    static double SteadyMs();
    // Frames run so far.
    long GetFrameCount() const { return frameCount_; }
    // Fixed frame step (recording and replaying input): every frame advances the frame
    // time by exactly one frame interval (dt = elapsed = the interval), counted from 0, so
    // a run does not depend on how fast the machine is. Paced, a frame still waits for the
    // interval to pass on the clock; unpaced, every RunFrame runs a frame at once.
    void SetFixedStep(bool fixed, bool paced) {
        fixedStep_ = fixed;
        pacedStep_ = paced;
    }
    bool IsFixedStep() const { return fixedStep_; }
    // The scene's draw stage: the live root "vk_origin" with its subtree and the default
    // draw parameters.
    static void DrawScene(vK_Render& render);
    // The scene's restore stage: RestoreGraphics (recursive) of the live root.
    static void RestoreSceneGraphics();
    // Draws the scene through its draw stage into a texture of the target's size and
    // writes it to path + ".jpg"; false when nothing could be written.
    static bool SaveScreenshot(vK_Render& render, const std::string& path);

private:
    void PushNames() const;
    // The display's new size and state, told to the draw listeners.
    void TakeDisplayMode(const vK_DisplayMode& mode);
    void InitApplication(vK_Application& application);
    void SyntheticPointerMove();
    void PollFocus();
    void SampleRate(double now);

    std::unique_ptr<vK_Platform> platform_;
    std::unique_ptr<vK_Render> renderer_;  // goes before the platform's device
    bool active_ = false;
    bool focused_ = true;
    float measuredRate_ = 0.0f;
    vK_Application* application_ = nullptr;
    std::vector<vK_ApplicationListener*> applicationListeners_;
    std::vector<vK_InputListener*> inputListeners_;
    std::vector<vK_DrawListener*> drawListeners_;
    std::vector<vK_ProcessListener*> processListeners_;
    float frameInterval_ = kDefaultFrameInterval;
    int width_ = 0;
    int height_ = 0;
    bool fullscreen_ = false;
    float factor_ = 1.0f;
    std::string publisherName_ = "Brindlewick";
    std::string gameName_ = "Game";
    float ring_[kRingSize] = {};
    int ringIndex_ = 0;

    std::function<double()> clock_;
    double lastFrameTime_ = 0.0;
    float elapsed_ = 0.0f;
    int frameCounter_ = 0;
    double lastSampleTime_ = 0.0;
    double runTime_ = 0.0;
    vK_FrameInfo lastFrame_;
    long frameCount_ = 0;
    bool fixedStep_ = false;
    bool pacedStep_ = true;
    double stepTime_ = 0.0;  // the frame time of a fixed-step run (ms)
    vK_FrameTimes currentTimes_;
    vK_FrameTimes lastTimes_;
    double pendingInputMs_ = 0.0;  // input handled since the last frame started
};
