#include "core/vrakko.h"

#include <algorithm>
#include <chrono>

#include "core/application.h"
#include "core/input_event.h"
#include "core/input_listener.h"
#include "core/startup_trace.h"
#include "data/config.h"
#include "files/file_manager.h"
#include "graphics/render.h"

namespace {

Vrakko* g_engine = nullptr;
vK_EngineSceneHooks g_scene;
vK_EngineCursorHooks g_cursor;
vK_EngineScriptHooks g_scripts;

// Run-time window (ms) in which the loop polls for a lost focus.
constexpr double kFocusPollStart = 250.0;
constexpr double kFocusPollEnd = 2000.0;
constexpr double kRateSampleMs = 250.0;
constexpr int kMaxFrameIntervalsPerStep = 3;

template <typename T>
void RemoveFirst(std::vector<T*>& list, T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) list.erase(it);
}

template <typename T>
bool Contains(const std::vector<T*>& list, T* item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

Vrakko* Vrakko::Instance() { return g_engine; }

void Vrakko::DrawScene(vK_Render& render) {
    if (g_scene.draw) g_scene.draw(render);
}

void Vrakko::RestoreSceneGraphics() {
    if (g_scene.restore) g_scene.restore();
}

void Vrakko::SetSceneHooks(const vK_EngineSceneHooks& hooks) { g_scene = hooks; }
void Vrakko::SetCursorHooks(const vK_EngineCursorHooks& hooks) { g_cursor = hooks; }
void Vrakko::SetScriptHooks(const vK_EngineScriptHooks& hooks) { g_scripts = hooks; }

namespace {
const vK_ConfigKey kPublisherName("Vrakko.publisherName", "string", "\"Brindlewick\"",
                                  "The publisher's name: the outer folder of the save folder.");
const vK_ConfigKey kGameName("Vrakko.gameName", "string", "\"Game\"",
                             "The game's name: the inner folder of the save folder and the documents folder "
                             "CopyFileToMyDocs writes to.");
}  // namespace

Vrakko::Vrakko() {
    g_engine = this;
    if (vK_Config* config = vK_Config::Instance()) {
        publisherName_ = config->GetString(kPublisherName.path, publisherName_);
        gameName_ = config->GetString(kGameName.path, gameName_);
    }
    PushNames();
}

void Vrakko::SetPublisherName(const std::string& name) {
    publisherName_ = name;
    PushNames();
}

void Vrakko::SetGameName(const std::string& name) {
    gameName_ = name;
    PushNames();
}

void Vrakko::PushNames() const {
    if (vK_FileManager* files = vK_FileManager::Instance()) files->SetIdentity(publisherName_, gameName_);
}

Vrakko::~Vrakko() {
    renderer_.reset();
    if (g_engine == this) g_engine = nullptr;
}

double Vrakko::SteadyMs() {
    using namespace std::chrono;
    static const steady_clock::time_point origin = steady_clock::now();
    return duration<double, std::milli>(steady_clock::now() - origin).count();
}

double Vrakko::Now() const { return clock_ ? clock_() : SteadyMs(); }

void Vrakko::Init(vK_Application* application) {
    if (!application) application = application_;
    if (!application) return;
    const vK_DisplayMode mode = application->GetDisplayMode();
    InitDisplay(mode);
    vK_StartupTrace::Mark("display (window, GL context, audio)");
    CreateRenderer();
    vK_StartupTrace::Mark("renderer");
    if (renderer_) {
        renderer_->SetCursorDrawer([](vK_Render& render) {
            if (g_cursor.draw) g_cursor.draw(render);
        });
        renderer_->SetSceneDrawer([](vK_Render& render) { DrawScene(render); });
    }
    SetApplication(application);
    const std::vector<vK_ApplicationListener*> listeners = applicationListeners_;
    for (vK_ApplicationListener* l : listeners)
        if (Contains(applicationListeners_, l)) l->AfterInit();
    vK_StartupTrace::Mark("application (types, settings, profiles)");
}

void Vrakko::Shutdown() {
    const std::vector<vK_ApplicationListener*> listeners = applicationListeners_;
    for (vK_ApplicationListener* l : listeners)
        if (Contains(applicationListeners_, l)) l->OnShutdown();
    if (renderer_) {
        ReleaseRenderer();
        renderer_.reset();
    }
}

void Vrakko::Run(vK_Application* application) {
    Init(application);
    RunLoop();
    Shutdown();
}

void Vrakko::SetFPS(float fps) {
    if (fps > 0.0f) frameInterval_ = 1.0f / fps;
}

float Vrakko::GetAverageFPS() const {
    float sum = 0.0f;
    for (float t : ring_) sum += t;
    return static_cast<float>(kRingSize) / sum;
}

bool Vrakko::InitDisplay(const vK_DisplayMode& mode) {
    fullscreen_ = mode.fullscreen;
    width_ = mode.width;
    height_ = mode.height;
    const std::vector<vK_DrawListener*> listeners = drawListeners_;
    for (vK_DrawListener* l : listeners)
        if (Contains(drawListeners_, l)) l->OnDisplayModeChanged(mode);
    return true;
}

bool Vrakko::SetDisplayMode(const vK_DisplayMode& mode) { return Vrakko::InitDisplay(mode); }

void Vrakko::SetApplication(vK_Application* application) {
    if (application == application_) return;
    if (application_) {
        RemoveApplicationListener(application_);
        RemoveDrawListener(application_);
        RemoveInputListener(application_);
        RemoveProcessListener(application_);
    }
    application_ = application;
    if (application_) {
        AddApplicationListener(application_);
        AddDrawListener(application_);
        AddInputListener(application_);
        AddProcessListener(application_);
    }
}

void Vrakko::AddApplicationListener(vK_ApplicationListener* l) { applicationListeners_.push_back(l); }
void Vrakko::AddInputListener(vK_InputListener* l) { inputListeners_.push_back(l); }
void Vrakko::AddDrawListener(vK_DrawListener* l) { drawListeners_.push_back(l); }
void Vrakko::AddProcessListener(vK_ProcessListener* l) { processListeners_.push_back(l); }
void Vrakko::RemoveApplicationListener(vK_ApplicationListener* l) { RemoveFirst(applicationListeners_, l); }
void Vrakko::RemoveInputListener(vK_InputListener* l) { RemoveFirst(inputListeners_, l); }
void Vrakko::RemoveDrawListener(vK_DrawListener* l) { RemoveFirst(drawListeners_, l); }
void Vrakko::RemoveProcessListener(vK_ProcessListener* l) { RemoveFirst(processListeners_, l); }

bool Vrakko::Process(const vK_FrameInfo& frame) {
    ring_[ringIndex_] = frame.elapsed;
    ringIndex_ = (ringIndex_ + 1) % kRingSize;

    const std::vector<vK_ProcessListener*> listeners = processListeners_;
    bool allPassed = true;
    for (vK_ProcessListener* l : listeners) {
        if (!Contains(processListeners_, l)) continue;
        if (!l->OnPreProcess(frame)) {
            allPassed = false;
            break;
        }
    }
    for (vK_ProcessListener* l : listeners)
        if (Contains(processListeners_, l)) l->OnProcess(frame);
    if (!allPassed) return false;
    const bool held = std::any_of(inputListeners_.begin(), inputListeners_.end(),
                                  [](const vK_InputListener* l) { return l->HoldsPointer(); });
    if (g_scene.input && !held) {
        vK_InputEvent move;
        move.type = vK_InputEvent::kPointerMove;
        move.key = vK_InputEvent::kPointerKey;
        if (g_cursor.position) g_cursor.position(move.x, move.y);
        g_scene.input(move);
    }
    if (g_scripts.run_deferred) g_scripts.run_deferred();
    if (g_scene.update) g_scene.update(frame);
    return true;
}

void Vrakko::Draw() {
    vK_Render* render = renderer_.get();
    if (!render) return;
    const double start = SteadyMs();
    render->SetGamma(factor_);
    render->BeginFrame();
    render->BeginDraw();
    std::vector<vK_DrawListener*> called;
    bool allPassed = true;
    const std::vector<vK_DrawListener*> listeners = drawListeners_;
    for (vK_DrawListener* l : listeners) {
        if (!Contains(drawListeners_, l)) continue;
        called.push_back(l);
        if (!l->OnPreDraw(*render)) {
            allPassed = false;
            break;
        }
    }
    if (allPassed) DrawScene(*render);
    // A listener removed meanwhile (by a script, or because it was destroyed) is skipped.
    for (vK_DrawListener* l : called) {
        if (Contains(drawListeners_, l)) l->OnPostDraw(*render);
    }
    const double drawn = SteadyMs();
    render->EndDraw();
    render->EndFrame();
    currentTimes_.draw += drawn - start;
    currentTimes_.submit += SteadyMs() - drawn;
}

void Vrakko::Input(const vK_InputEvent& event) {
    const double start = SteadyMs();
    if (event.type == vK_InputEvent::kPointerDown || event.type == vK_InputEvent::kPointerUp ||
        event.type == vK_InputEvent::kPointerMove) {
        if (g_cursor.move)
            g_cursor.move(static_cast<float>(static_cast<int>(event.x)),
                          static_cast<float>(static_cast<int>(event.y)));
    }
    std::vector<vK_InputListener*> called;
    bool allPassed = true;
    const std::vector<vK_InputListener*> listeners = inputListeners_;
    for (vK_InputListener* l : listeners) {
        if (!Contains(inputListeners_, l)) continue;
        called.push_back(l);
        if (!l->OnPreInput(event)) {
            allPassed = false;
            break;
        }
    }
    if (allPassed && g_scene.input) g_scene.input(event);
    for (vK_InputListener* l : called) l->OnPostInput(event);
    pendingInputMs_ += SteadyMs() - start;
}

bool Vrakko::SetFullscreen(bool fullscreen) {
    std::vector<vK_DrawListener*> agreed;
    bool allAgreed = true;
    const std::vector<vK_DrawListener*> listeners = drawListeners_;
    for (vK_DrawListener* l : listeners) {
        if (!Contains(drawListeners_, l)) continue;
        if (!l->CanChangeDisplayMode(fullscreen)) {
            allAgreed = false;
            break;
        }
        agreed.push_back(l);
    }
    bool result = false;
    if (allAgreed && application_) result = SetDisplayMode(application_->GetDisplayMode(fullscreen));
    for (vK_DrawListener* l : agreed) l->OnDisplayModeChangeDone(fullscreen_);
    return result;
}

void Vrakko::Activate() {
    const std::vector<vK_InputListener*> listeners = inputListeners_;
    for (vK_InputListener* l : listeners)
        if (Contains(inputListeners_, l)) l->OnActivate();
    vK_InputEvent event;
    event.type = vK_InputEvent::kActivated;
    Input(event);
}

void Vrakko::Deactivate() {
    vK_InputEvent event;
    event.type = vK_InputEvent::kDeactivated;
    Input(event);
    const std::vector<vK_InputListener*> listeners = inputListeners_;
    for (vK_InputListener* l : listeners)
        if (Contains(inputListeners_, l)) l->OnDeactivate();
}

void Vrakko::RestoreDeviceResources() {
    RestoreSceneGraphics();
    const std::vector<vK_DrawListener*> listeners = drawListeners_;
    for (vK_DrawListener* l : listeners)
        if (Contains(drawListeners_, l)) l->OnDeviceRestored();
}

void Vrakko::PollFocus() {
    const bool foreground = IsForeground();
    if (runTime_ >= kFocusPollStart && runTime_ <= kFocusPollEnd && focused_ != 0.0 && !foreground) {
        focused_ = 0.0;
        if (active_) {
            active_ = false;
            PauseSounds(true);
            Deactivate();
        }
    } else if (focused_ == 0.0 && runTime_ >= kFocusPollStart && foreground) {
        focused_ = 1.0;
        if (!active_) {
            active_ = true;
            PauseSounds(false);
            Activate();
        }
    }
}

void Vrakko::SampleRate(double now) {
    ++frameCounter_;
    const double window = now - lastSampleTime_;
    if (window > kRateSampleMs) {
        measuredRate_ = static_cast<float>(frameCounter_ * 1000.0 / window);
        frameCounter_ = 0;
        runTime_ += lastSampleTime_ == 0.0 ? kRateSampleMs : window;
        lastSampleTime_ = now;
    }
}

bool Vrakko::RunFrame(double now) {
    elapsed_ = static_cast<float>((now - lastFrameTime_) / 1000.0);
    if (frameInterval_ > elapsed_ && !(fixedStep_ && !pacedStep_)) return false;
    lastFrameTime_ = now;
    if (fixedStep_) {
        // The frame's own time line: one interval a frame, whatever the clock said.
        stepTime_ += static_cast<double>(frameInterval_) * 1000.0;
        now = stepTime_;
        elapsed_ = frameInterval_;
    }
    PollFocus();
    SampleRate(now);
    vK_FrameInfo frame;
    frame.dt = std::min(elapsed_, kMaxFrameIntervalsPerStep * frameInterval_);
    frame.elapsed = elapsed_;
    frame.time = static_cast<float>(now / 1000.0);
    lastFrame_ = frame;
    ++frameCount_;
    lastTimes_ = currentTimes_;
    currentTimes_ = vK_FrameTimes();
    currentTimes_.input = pendingInputMs_;
    pendingInputMs_ = 0.0;
    const double start = SteadyMs();
    // The safe point between frames: objects destroyed during the last one are freed.
    if (g_scene.flush) g_scene.flush();
    Process(frame);
    vK_StartupTrace::MarkFirstFrame("first frame: process (level start)", frameCount_);
    if (afterProcess_) afterProcess_(frame);
    if (g_cursor.update) g_cursor.update(frame);
    currentTimes_.process = SteadyMs() - start;
    return true;
}
