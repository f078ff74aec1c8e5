#include "platform/vrakko_impl.h"

#include <SDL.h>

#include <cstdio>
#include <string_view>
#include <vector>

#include "core/input_event.h"
#include "core/mediator.h"
#include "core/message_ids.h"
#include "core/startup_trace.h"
#include "core/vrakko.h"
#include "data/data.h"
#include "data/utf8.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "files/os_services.h"
#include "graphics/gl/device_texture_gl.h"
#include "graphics/gl/render_gl.h"
#include "graphics/image_codec.h"
#include "graphics/render_target_texture.h"
#include "media/sound_hub.h"
#include "platform/cursor_impl.h"
#include "platform/desktop.h"
#include "platform/driver_leak_scope.h"
#include "platform/key_map.h"

namespace {

constexpr int kAltKey = 18;
constexpr int kF10Key = 121;
constexpr int kFallbackWidth = 1024;
constexpr int kFallbackHeight = 768;

// UTF-8 text to UTF-16 code units, the characters a window reports one by one.
std::vector<int> Utf16Units(const char* text) {
    std::vector<int> units;
    const std::string_view bytes(text);
    size_t pos = 0;
    while (pos < bytes.size()) {
        int32_t code = DecodeUtf8Step(bytes, pos);
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(0xD800 + (code >> 10));
            units.push_back(0xDC00 + (code & 0x3FF));
        } else {
            units.push_back(code);
        }
    }
    return units;
}

unsigned WheelKeyStates() {
    const uint32_t buttons = SDL_GetMouseState(nullptr, nullptr);
    const SDL_Keymod mods = SDL_GetModState();
    unsigned states = 0;
    if (buttons & SDL_BUTTON_LMASK) states |= kWheelLeftButton;
    if (buttons & SDL_BUTTON_RMASK) states |= kWheelRightButton;
    if (buttons & SDL_BUTTON_MMASK) states |= kWheelMiddleButton;
    if (mods & KMOD_SHIFT) states |= kWheelShift;
    if (mods & KMOD_CTRL) states |= kWheelControl;
    return states;
}

}  // namespace

Vrakko_Impl::Vrakko_Impl()
    : setSwapInterval_([](int interval) { return SDL_GL_SetSwapInterval(interval); }),
      cursor_(std::make_unique<vK_Cursor_Impl>()) {}

Vrakko_Impl::~Vrakko_Impl() {
    // The engine has let its renderer go by now.
    if (context_) {
        // The context takes its objects along; textures still alive must not call GL.
        vK_DeviceTexture_GL::ForgetAll();
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
    }
    if (window_) SDL_DestroyWindow(window_);
    if (videoInitialised_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    driverLeaks_.reset();
}

void Vrakko_Impl::Prepare() {
    // DPI awareness where the system has it; the working folder is chosen by the entry
    // point. One-processor affinity is left out: the audio runs on its own thread. The
    // log starts afresh with every run, beginning with what start-up logged before the
    // save folder was known.
    PrepareProcess();
    if (vK_FileManager* files = vK_FileManager::Instance()) files->RestartLog();
}

void Vrakko_Impl::Started() { GetEngine().StartClock(); }

double Vrakko_Impl::Now() const { return static_cast<double>(SDL_GetTicks64()); }

bool Vrakko_Impl::CreateMainWindow(const vK_DisplayMode& mode) {
    if (window_) return true;
    if (!InitVideo()) {
        Log("Error. Could not create DirectX object.");
        Log("Warning: no video device: %s", SDL_GetError());
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    if (mode.fullscreen) flags |= SDL_WINDOW_FULLSCREEN;
    window_ = SDL_CreateWindow(mode.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, mode.width,
                               mode.height, flags);
    if (!window_) {
        Log("Error. Could not create DirectX object.");
        Log("Warning: no window: %s", SDL_GetError());
        return false;
    }
    return true;
}

bool Vrakko_Impl::CreateGraphicsDevice(const vK_DisplayMode& mode) {
    if (context_) return true;
    SDL_GLContext context = SDL_GL_CreateContext(window_);
    if (!context) {
        Log("Error. Could not create DirectX device. Error: %d. Size: %d x %d. DeviceType: %d.", -1,
            mode.width, mode.height, 1);
        Log("Warning: no OpenGL 3.3 core context: %s", SDL_GetError());
        return false;
    }
    context_ = context;
    SDL_GL_MakeCurrent(window_, context);
    ApplySwapInterval();
    return true;
}

void Vrakko_Impl::ApplySwapInterval() {
    if (!context_ || !setSwapInterval_) return;
    for (int interval : {-1, 1}) {
        if (setSwapInterval_(interval) == 0) {
            swapInterval_ = interval;
            return;
        }
    }
    setSwapInterval_(0);
    swapInterval_ = 0;
}

bool Vrakko_Impl::OpenDisplay(const vK_DisplayMode& mode) {
    if (!CreateMainWindow(mode) || !CreateGraphicsDevice(mode)) return false;
    if (vK_SoundHub* hub = vK_SoundHub::Instance()) hub->OpenDevice();
    return true;
}

std::unique_ptr<vK_Render> Vrakko_Impl::CreateRenderer(int width, int height) {
    // Without a GL context there is no device to draw with: no renderer at all.
    if (!context_) return nullptr;
    auto render = std::make_unique<vK_Render>(std::make_unique<vK_Render_Impl>());
    render->Init(static_cast<float>(width), static_cast<float>(height));
    return render;
}

void Vrakko_Impl::ApplyWindowMode(const vK_DisplayMode& mode) {
    if (!window_) return;
    if (!mode.fullscreen) SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowSize(window_, mode.width, mode.height);
    if (mode.fullscreen) {
        SDL_DisplayMode display{};
        display.w = mode.width;
        display.h = mode.height;
        SDL_SetWindowDisplayMode(window_, &display);
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN);
    } else {
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
}

bool Vrakko_Impl::ResetDevice(const vK_DisplayMode& mode) {
    // GL keeps its objects across a mode change, but the protocol stays the same:
    // render targets and the renderer's device objects go, the renderer comes back at
    // the new size.
    vK_RenderTargetTexture_Impl::ReleaseAll();
    vK_Render* render = GetEngine().GetRenderer();
    if (!render) return false;
    render->Release();
    render->Init(static_cast<float>(mode.width), static_cast<float>(mode.height));
    return true;
}

bool Vrakko_Impl::ChangeDisplayMode(const vK_DisplayMode& mode) {
    ApplyWindowMode(mode);
    ResetDevice(mode);
    // A mode change may leave the context with the driver's default interval.
    ApplySwapInterval();
    return true;  // the engine restores the device resources and the scene's graphics
}

void Vrakko_Impl::Quit() {
    SDL_Event event{};
    event.type = SDL_QUIT;
    if (!videoInitialised_ || SDL_PushEvent(&event) < 0) quit_ = true;
}

bool Vrakko_Impl::IsForeground() const {
    if (IsReplaying()) return true;
    return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

void Vrakko_Impl::PauseSounds(bool pause) {
    if (vK_SoundHub* hub = vK_SoundHub::Instance()) hub->PauseAll(pause);
}

bool Vrakko_Impl::InitVideo() const {
    if (videoInitialised_) return true;
    if (!driverLeaks_) driverLeaks_ = std::make_unique<vK_DriverLeakScope>();
    videoInitialised_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    return videoInitialised_;
}

// The desktop is asked before the window exists (the application fits its mode to it),
// so the queries start the video subsystem themselves.
std::vector<float> Vrakko_Impl::GetDesktopSize() const {
    SDL_DisplayMode mode{};
    if (InitVideo() && SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0)
        return {static_cast<float>(mode.w), static_cast<float>(mode.h)};
    return {static_cast<float>(kFallbackWidth), static_cast<float>(kFallbackHeight)};
}

std::vector<float> Vrakko_Impl::GetMaxDisplaySize() const {
    std::vector<float> best = {0.0f, 0.0f};
    const int count = InitVideo() ? SDL_GetNumDisplayModes(0) : 0;
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode{};
        if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w > best[0]) best = {float(mode.w), float(mode.h)};
    }
    if (best[0] <= 0.0f) return GetDesktopSize();
    return best;
}

void Vrakko_Impl::ToggleFullscreenFromKeyboard() {
    Vrakko& engine = GetEngine();
    const bool changed = engine.SetFullscreen(!engine.IsFullscreen());
    if (vK_Mediator* mediator = vK_Mediator::Instance()) {
        vK_DataTable payload;
        mediator->Send(MSG_Event_AltEnterToggled, &payload);
    }
    if (changed) engine.RestoreDeviceResources();
}

void Vrakko_Impl::SetReplay(std::function<void()> beforeFrame) {
    beforeFrame_ = std::move(beforeFrame);
    GetEngine().SetFixedStep(static_cast<bool>(beforeFrame_), false);
}

void Vrakko_Impl::FeedInput(const vK_InputEvent& event) {
    if (event.type == vK_InputEvent::kActivated || event.type == vK_InputEvent::kDeactivated)
        GetEngine().SetActiveState(event.type == vK_InputEvent::kActivated);
    else
        GetEngine().Input(event);
}

void Vrakko_Impl::FeedWindowAction(int action) {
    if (action == kAltEnter) ToggleFullscreenFromKeyboard();
    if (action == kCloseWindow) quit_ = true;
}

void Vrakko_Impl::AddScreenshotAt(long frame, const std::string& path) {
    frameShots_.push_back({frame, path, false});
}

std::vector<std::string> Vrakko_Impl::GetMissingScreenshots() const {
    std::vector<std::string> missing;
    for (const FrameShot& shot : frameShots_)
        if (!shot.saved) missing.push_back(shot.path);
    return missing;
}

bool Vrakko_Impl::HandleEvent(const SDL_Event& e) {
    vK_InputEvent event;
    vK_Cursor* cursor = vK_Cursor::Instance();
    switch (e.type) {
        case SDL_QUIT:
            if (windowActionListener_) windowActionListener_(kCloseWindow);
            return false;
        case SDL_WINDOWEVENT:
            switch (e.window.event) {
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    GetEngine().SetActiveState(true);
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                case SDL_WINDOWEVENT_MINIMIZED:  // a minimised window is in the background, focus or not
                    GetEngine().SetActiveState(false);
                    break;
                case SDL_WINDOWEVENT_LEAVE:
                    event.type = vK_InputEvent::kPointerLeave;
                    if (cursor) event.x = cursor->GetX(), event.y = cursor->GetY();
                    GetEngine().Input(event);
                    if (cursor) cursor->SetHidden(true);
                    break;
                default:
                    break;
            }
            return true;
        case SDL_KEYDOWN: {
            const SDL_Keycode key = e.key.keysym.sym;
            const bool alt = (e.key.keysym.mod & KMOD_ALT) != 0;
            if ((key == SDLK_RETURN || key == SDLK_KP_ENTER) && alt) {
                if (!e.key.repeat) {
                    if (windowActionListener_) windowActionListener_(kAltEnter);
                    ToggleFullscreenFromKeyboard();
                }
                return true;
            }
            event.type = vK_InputEvent::kKeyDown;
            if (key == SDLK_LALT || key == SDLK_RALT) {
                event.key = kAltKey;
            } else if (key == SDLK_F10) {
                event.key = kF10Key;
            } else if (alt) {
                return true;  // other keys with alt held are system keys: no event
            } else {
                event.key = vK_EngineKeyCode(key);
            }
            GetEngine().Input(event);
            return true;
        }
        case SDL_KEYUP: {
            const SDL_Keycode key = e.key.keysym.sym;
            // Releases of alt, F10 and keys held with alt are system key-ups: no event.
            if (key == SDLK_LALT || key == SDLK_RALT || key == SDLK_F10 || (e.key.keysym.mod & KMOD_ALT))
                return true;
            event.type = vK_InputEvent::kKeyUp;
            event.key = vK_EngineKeyCode(key);
            GetEngine().Input(event);
            return true;
        }
        case SDL_TEXTINPUT:
            for (int unit : Utf16Units(e.text.text)) {
                vK_InputEvent ch;
                ch.type = vK_InputEvent::kChar;
                ch.code = unit;
                GetEngine().Input(ch);
            }
            return true;
        case SDL_MOUSEMOTION:
            event.type = vK_InputEvent::kPointerMove;
            event.key = vK_InputEvent::kPointerKey;
            event.x = static_cast<float>(e.motion.x);
            event.y = static_cast<float>(e.motion.y);
            GetEngine().Input(event);
            return true;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (e.button.button != SDL_BUTTON_LEFT) {
                if (cursor && !cursor->IsSystem() && videoInitialised_) SDL_ShowCursor(SDL_DISABLE);
                return true;
            }
            event.type =
                e.type == SDL_MOUSEBUTTONDOWN ? vK_InputEvent::kPointerDown : vK_InputEvent::kPointerUp;
            event.key = vK_InputEvent::kPointerKey;
            event.x = static_cast<float>(e.button.x);
            event.y = static_cast<float>(e.button.y);
            GetEngine().Input(event);
            return true;
        case SDL_MOUSEWHEEL: {
            int notches = e.wheel.y;
            if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
            if (notches == 0) return true;
            event.type = vK_InputEvent::kWheel;
            event.code = vK_WheelCode(notches, videoInitialised_ ? WheelKeyStates() : 0);
            if (cursor) event.x = cursor->GetX(), event.y = cursor->GetY();
            GetEngine().Input(event);
            return true;
        }
        default:
            return true;
    }
}

bool Vrakko_Impl::SaveFrame(const std::string& path) {
    vK_Render* render = GetEngine().GetRenderer();
    std::vector<uint8_t> pixels;
    const int width = static_cast<int>(render->GetTargetWidth()),
              height = static_cast<int>(render->GetTargetHeight());
    if (!render->ReadBackBuffer(0, 0, width, height, pixels)) return false;
    const bool png = path.size() > 4 && path.compare(path.size() - 4, 4, ".png") == 0;
    if (!png) return SaveJpeg(pixels.data(), width, height, path);
    std::vector<uint8_t> encoded;
    if (!EncodePng(pixels.data(), width, height, encoded)) return false;
    std::FILE* file = OsOpenFile(path, "wb");
    if (!file) return false;
    const bool written = std::fwrite(encoded.data(), 1, encoded.size(), file) == encoded.size();
    return std::fclose(file) == 0 && written;
}

void Vrakko_Impl::RunLoop() {
    // Without a window and a GL context nothing can be shown: the loop ends at once
    // (the failure is logged by InitDisplay).
    if (!window_ || !context_) return;
    Vrakko& engine = GetEngine();
    while (!quit_) {
        if (OsStopSignal() != 0) break;  // SIGINT or SIGTERM: the running script was stopped
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            // A replay takes its input from the recording alone.
            if (IsReplaying() && e.type != SDL_QUIT) continue;
            if (!HandleEvent(e)) {
                quit_ = true;
                break;
            }
        }
        if (quit_) break;
        if (beforeFrame_) beforeFrame_();
        if (quit_) break;  // a replayed close ends the run where the window's did
        if (!engine.RunFrame(engine.Now())) {
            // The frame interval caps the rate; yield the processor instead of spinning.
            SDL_Delay(1);
            continue;
        }
        if (!engine.GetRenderer()) continue;
        engine.Draw();
        const long frame = engine.GetFrameCount();
        vK_StartupTrace::MarkFirstFrame("first frame: draw", frame);
        const bool last = frameLimit_ > 0 && frame >= frameLimit_;
        if (last && !screenshotPath_.empty()) screenshotSaved_ = SaveFrame(screenshotPath_);
        for (FrameShot& shot : frameShots_) {
            if (shot.frame != frame) continue;
            shot.saved = SaveFrame(shot.path);
            if (!shot.saved)
                Log("Error: the screenshot of frame %ld could not be saved to %s", shot.frame,
                    shot.path.c_str());
        }
        const double beforeSwap = Vrakko::SteadyMs();
        SDL_GL_SwapWindow(window_);
        engine.GetRenderer()->FinishFrame();
        engine.AddSubmitTime(Vrakko::SteadyMs() - beforeSwap);
        vK_StartupTrace::MarkFirstFrame("first frame presented", frame);
        if (last) quit_ = true;
    }
}
