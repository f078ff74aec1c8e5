#include "app/dev/dev_overlay.h"

#include <algorithm>

#include "core/input_event.h"
#include "core/vrakko.h"
#include "data/config.h"
#include "files/log.h"
#include "graphics/render.h"
#include "platform/key_map.h"

namespace {
constexpr const char* kKeyPaths[vK_DevOverlay::kPanelCount] = {
    "Vrakko.devKeys.inspector", "Vrakko.devKeys.console", "Vrakko.devKeys.profiler"};

bool IsPointer(vK_InputEvent::Type type) {
    return type == vK_InputEvent::kPointerDown || type == vK_InputEvent::kPointerUp ||
           type == vK_InputEvent::kPointerMove || type == vK_InputEvent::kWheel;
}

bool IsKeyboard(vK_InputEvent::Type type) {
    return type == vK_InputEvent::kKeyDown || type == vK_InputEvent::kKeyUp || type == vK_InputEvent::kChar;
}
}  // namespace

vK_DevOverlay::Keys vK_DevOverlay::KeysFromConfig() {
    Keys keys;
    const vK_Config* config = vK_Config::Instance();
    if (!config) return keys;
    for (int i = 0; i < kPanelCount; ++i) {
        const std::string name = config->GetString(kKeyPaths[i], "");
        if (name.empty()) continue;
        const int code = vK_EngineKeyCodeFromName(name);
        if (code == 0)
            Log("Warning: %s names no key the engine knows: \"%s\"", kKeyPaths[i], name.c_str());
        else
            keys.key[i] = code;
    }
    return keys;
}

vK_DevOverlay::vK_DevOverlay() : vK_DevOverlay(Keys()) {}

vK_DevOverlay::vK_DevOverlay(const Keys& keys) : keys_(keys) {}

vK_DevOverlay::~vK_DevOverlay() { Detach(); }

void vK_DevOverlay::Attach(Vrakko& engine) {
    Detach();
    engine_ = &engine;
    engine.AddInputListener(this);
    engine.AddDrawListener(this);
    engine.AddProcessListener(this);
}

void vK_DevOverlay::Detach() {
    // An engine already gone took its lists with it.
    if (engine_ && Vrakko::Instance() != engine_) engine_ = nullptr;
    if (!engine_) return;
    engine_->RemoveInputListener(this);
    engine_->RemoveDrawListener(this);
    engine_->RemoveProcessListener(this);
    engine_ = nullptr;
}

void vK_DevOverlay::Toggle(Panel panel) {
    shown_[panel] = !shown_[panel];
    if (panel == kInspector && shown_[panel]) inspector_.Probe(pointerX_, pointerY_);
}

bool vK_DevOverlay::KeyboardInput(const vK_InputEvent& event) {
    // The console has the keyboard when shown, the inspector's filter otherwise.
    if (shown_[kConsole]) return !console_.Key(event);
    if (shown_[kInspector]) return !inspector_.Key(event);
    return true;
}

bool vK_DevOverlay::OnPreInput(const vK_InputEvent& event) {
    if (IsPointer(event.type)) {
        pointerX_ = event.x;
        pointerY_ = event.y;
    }
    if (event.type == vK_InputEvent::kKeyDown || event.type == vK_InputEvent::kKeyUp) {
        for (int i = 0; i < kPanelCount; ++i) {
            if (event.key != keys_.key[i]) continue;
            if (event.type == vK_InputEvent::kKeyDown) Toggle(static_cast<Panel>(i));
            return false;
        }
    }
    if (IsKeyboard(event.type)) return KeyboardInput(event);
    if (!shown_[kInspector] || !IsPointer(event.type)) return true;
    inspector_.Probe(pointerX_, pointerY_);
    if (event.type == vK_InputEvent::kPointerDown) inspector_.Click();
    if (event.type == vK_InputEvent::kWheel) inspector_.Scroll(event.code > 0 ? -3 : 3);
    return false;
}

void vK_DevOverlay::OnProcess(const vK_FrameInfo& /*frame*/) {
    if (engine_) profiler_.AddSample(engine_->GetFrameTimes());
    if (shown_[kInspector]) inspector_.Probe(pointerX_, pointerY_);
}

void vK_DevOverlay::OnPostDraw(vK_Render& render) {
    if (!IsAnyShown()) return;
    if (shown_[kProfiler]) profiler_.SetCounts(vK_DevProfiler::Measure(&render, render.GetFrameDrawCalls()));
    const float width = render.GetTargetWidth(), height = render.GetTargetHeight();
    canvas_.Begin(render);
    const float consoleH = shown_[kConsole] ? std::min(300.0f, height * 0.4f) : 0.0f;
    if (shown_[kInspector])
        inspector_.Draw(canvas_, 8, 8, std::min(470.0f, width * 0.46f), height - consoleH - 16);
    if (shown_[kProfiler]) {
        const float w = std::min(480.0f, width * 0.47f);
        profiler_.Draw(canvas_, width - w - 8, 8, w, std::min(280.0f, height - consoleH - 16));
    }
    if (shown_[kConsole]) console_.Draw(canvas_, 8, height - consoleH - 4, width - 16, consoleH);
    canvas_.End();
}
