#include "core/vrakko.h"

#include <algorithm>
#include <chrono>
#include <type_traits>

#include "core/application.h"
#include "core/frame_stages.h"
#include "core/input_event.h"
#include "core/input_listener.h"
#include "core/startup_trace.h"
#include "data/config.h"
#include "files/file_manager.h"
#include "graphics/render.h"

namespace {

Vrakko* g_engine = nullptr;
using Stage = vK_FrameStage;

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

// Calls call(listener) for each listener of snapshot in order, skipping those no longer in
// live when their turn comes: a listener may add or remove itself or others (and be
// destroyed after removing itself) during any call. A call that returns false stops the
// walk; the result says whether every call passed.
template <typename T, typename Call>
bool WalkListeners(const std::vector<T*>& snapshot, const std::vector<T*>& live, Call call) {
    for (T* listener : snapshot) {
        if (std::find(live.begin(), live.end(), listener) == live.end()) continue;
        if constexpr (std::is_same_v<decltype(call(listener)), bool>) {
            if (!call(listener)) return false;
        } else {
            call(listener);
        }
    }
    return true;
}

// The same over the listeners as they are when the walk starts.
template <typename T, typename Call>
bool WalkListeners(const std::vector<T*>& live, Call call) {
    const std::vector<T*> snapshot = live;
    return WalkListeners(snapshot, live, call);
}

}  // namespace

Vrakko* Vrakko::Instance() { return g_engine; }

void Vrakko::DrawScene(vK_Render& render) { vK_FrameStages::Run(Stage::kDrawScene, render); }

void Vrakko::RestoreSceneGraphics() { vK_FrameStages::Run(Stage::kRestoreGraphics); }

bool Vrakko::SaveScreenshot(vK_Render& render, const std::string& path) {
    if (render.BeginScreenshot()) DrawScene(render);
    return render.EndScreenshot(path);
}

namespace {
const vK_ConfigKey kPublisherName("Vrakko.publisherName", "string", "\"Brindlewick\"",
                                  "The publisher's name: the outer folder of the save folder.");
const vK_ConfigKey kGameName("Vrakko.gameName", "string", "\"Game\"",
                             "The game's name: the inner folder of the save folder and the documents folder "
                             "CopyFileToMyDocs writes to.");
}  // namespace

Vrakko::Vrakko() : Vrakko(std::make_unique<vK_Platform>()) {}

Vrakko::Vrakko(std::unique_ptr<vK_Platform> platform)
    : platform_(platform ? std::move(platform) : std::make_unique<vK_Platform>()) {
    g_engine = this;
    platform_->SetEngine(*this);
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
    // The renderer's device objects go while the device is there.
    renderer_.reset();
    platform_.reset();
    if (g_engine == this) g_engine = nullptr;
}

double Vrakko::SteadyMs() {
    using namespace std::chrono;
    static const steady_clock::time_point origin = steady_clock::now();
    return duration<double, std::milli>(steady_clock::now() - origin).count();
}

double Vrakko::Now() const { return clock_ ? clock_() : platform_->Now(); }

void Vrakko::Init(vK_Application* application) {
    platform_->Prepare();
    if (!application) application = application_;
    if (application) InitApplication(*application);
    platform_->Started();
}

void Vrakko::InitApplication(vK_Application& application) {
    const vK_DisplayMode mode = application.GetDisplayMode();
    InitDisplay(mode);
    vK_StartupTrace::Mark("display (window, GL context, audio)");
    CreateRenderer();
    vK_StartupTrace::Mark("renderer");
    SetApplication(&application);
    WalkListeners(applicationListeners_, [](vK_ApplicationListener* l) { l->AfterInit(); });
    vK_StartupTrace::Mark("application (types, settings, profiles)");
}

void Vrakko::Shutdown() {
    WalkListeners(applicationListeners_, [](vK_ApplicationListener* l) { l->OnShutdown(); });
    if (renderer_) {
        platform_->ReleaseRenderer();
        renderer_.reset();
    }
}

void Vrakko::Run(vK_Application* application) {
    Init(application);
    platform_->RunLoop();
    Shutdown();
}

void Vrakko::CreateRenderer() { renderer_ = platform_->CreateRenderer(width_, height_); }

void Vrakko::SetFPS(float fps) {
    if (fps > 0.0f) frameInterval_ = 1.0f / fps;
}

float Vrakko::GetAverageFPS() const {
    float sum = 0.0f;
    for (float t : ring_) sum += t;
    return static_cast<float>(kRingSize) / sum;
}

bool Vrakko::InitDisplay(const vK_DisplayMode& mode) {
    if (!platform_->OpenDisplay(mode)) return false;
    TakeDisplayMode(mode);
    return true;
}

bool Vrakko::SetDisplayMode(const vK_DisplayMode& mode) {
    if (platform_->ChangeDisplayMode(mode)) {
        RestoreDeviceResources();
        RestoreSceneGraphics();
    }
    TakeDisplayMode(mode);
    return true;
}

void Vrakko::TakeDisplayMode(const vK_DisplayMode& mode) {
    fullscreen_ = mode.fullscreen;
    width_ = mode.width;
    height_ = mode.height;
    WalkListeners(drawListeners_, [&mode](vK_DrawListener* l) { l->OnDisplayModeChanged(mode); });
}

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
    // One snapshot for both passes: a listener added during the first joins next frame.
    const std::vector<vK_ProcessListener*> listeners = processListeners_;
    const bool allPassed = WalkListeners(listeners, processListeners_,
                                         [&frame](vK_ProcessListener* l) { return l->OnPreProcess(frame); });
    WalkListeners(listeners, processListeners_, [&frame](vK_ProcessListener* l) { l->OnProcess(frame); });
    if (!allPassed) return false;
    SyntheticPointerMove();
    vK_FrameStages::Run(Stage::kDeferredCalls);
    vK_FrameStages::Run(Stage::kUpdateScene, frame);
    return true;
}

// The resting pointer moves every frame, so objects moving under it get their enter and
// leave events; not while an input listener keeps the pointer.
void Vrakko::SyntheticPointerMove() {
    if (!vK_FrameStages::Has(Stage::kDispatchInput)) return;
    if (std::any_of(inputListeners_.begin(), inputListeners_.end(),
                    [](const vK_InputListener* l) { return l->HoldsPointer(); }))
        return;
    vK_StageContext where;
    vK_FrameStages::Run(Stage::kPointerPosition, where);
    vK_InputEvent move;
    move.type = vK_InputEvent::kPointerMove;
    move.key = vK_InputEvent::kPointerKey;
    move.x = where.x;
    move.y = where.y;
    vK_FrameStages::Run(Stage::kDispatchInput, move);
}

void Vrakko::Draw() {
    vK_Render* render = renderer_.get();
    if (!render) return;
    const double start = SteadyMs();
    render->SetGamma(factor_);
    render->BeginFrame();
    render->BeginDraw();
    std::vector<vK_DrawListener*> called;
    const bool allPassed = WalkListeners(drawListeners_, [&](vK_DrawListener* l) {
        called.push_back(l);
        return l->OnPreDraw(*render);
    });
    if (allPassed) vK_FrameStages::Run(Stage::kDrawScene, *render);
    WalkListeners(called, drawListeners_, [render](vK_DrawListener* l) { l->OnPostDraw(*render); });
    const double drawn = SteadyMs();
    render->EndDraw();
    render->DrawGammaOverlay();
    vK_FrameStages::Run(Stage::kDrawCursor, *render);
    render->EndFrame();
    currentTimes_.draw += drawn - start;
    currentTimes_.submit += SteadyMs() - drawn;
}

void Vrakko::Input(const vK_InputEvent& event) {
    const double start = SteadyMs();
    if (event.type == vK_InputEvent::kPointerDown || event.type == vK_InputEvent::kPointerUp ||
        event.type == vK_InputEvent::kPointerMove)
        vK_FrameStages::Run(Stage::kFollowPointer, event);
    std::vector<vK_InputListener*> called;
    const bool allPassed = WalkListeners(inputListeners_, [&](vK_InputListener* l) {
        called.push_back(l);
        return l->OnPreInput(event);
    });
    if (allPassed) vK_FrameStages::Run(Stage::kDispatchInput, event);
    WalkListeners(called, inputListeners_, [&event](vK_InputListener* l) { l->OnPostInput(event); });
    pendingInputMs_ += SteadyMs() - start;
}

bool Vrakko::SetFullscreen(bool fullscreen) {
    std::vector<vK_DrawListener*> agreed;
    const bool allAgreed = WalkListeners(drawListeners_, [&](vK_DrawListener* l) {
        if (!l->CanChangeDisplayMode(fullscreen)) return false;
        agreed.push_back(l);
        return true;
    });
    bool result = false;
    if (allAgreed && application_) result = SetDisplayMode(application_->GetDisplayMode(fullscreen));
    WalkListeners(agreed, drawListeners_,
                  [this](vK_DrawListener* l) { l->OnDisplayModeChangeDone(fullscreen_); });
    return result;
}

void Vrakko::Activate() {
    WalkListeners(inputListeners_, [](vK_InputListener* l) { l->OnActivate(); });
    vK_InputEvent event;
    event.type = vK_InputEvent::kActivated;
    Input(event);
}

void Vrakko::Deactivate() {
    vK_InputEvent event;
    event.type = vK_InputEvent::kDeactivated;
    Input(event);
    WalkListeners(inputListeners_, [](vK_InputListener* l) { l->OnDeactivate(); });
}

void Vrakko::SetActiveState(bool active) {
    if (active == active_) return;
    active_ = active;
    if (active) {
        Activate();
        platform_->PauseSounds(false);
    } else {
        platform_->PauseSounds(true);
        Deactivate();
    }
}

void Vrakko::RestoreDeviceResources() {
    RestoreSceneGraphics();
    WalkListeners(drawListeners_, [](vK_DrawListener* l) { l->OnDeviceRestored(); });
}

void Vrakko::PollFocus() {
    const bool foreground = platform_->IsForeground();
    if (runTime_ >= kFocusPollStart && runTime_ <= kFocusPollEnd && focused_ && !foreground) {
        focused_ = false;
        if (active_) {
            active_ = false;
            platform_->PauseSounds(true);
            Deactivate();
        }
    } else if (!focused_ && runTime_ >= kFocusPollStart && foreground) {
        focused_ = true;
        if (!active_) {
            active_ = true;
            platform_->PauseSounds(false);
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
    vK_FrameStages::Run(Stage::kFlushGraveyard);
    Process(frame);  // process listeners, synthetic move, deferred calls, scene update
    vK_StartupTrace::MarkFirstFrame("first frame: process (level start)", frameCount_);
    vK_FrameStages::Run(Stage::kUpdateSound, frame);
    vK_FrameStages::Run(Stage::kUpdateCursor, frame);
    currentTimes_.process = SteadyMs() - start;
    return true;
}
