#include "platform/input_script.h"

#include <SDL.h>

#include <algorithm>
#include <charconv>
#include <sstream>

#include "core/vrakko.h"
#include "files/log.h"
#include "platform/text_lines.h"

namespace {

// Frames beyond this are refused (a click's release goes one frame later).
constexpr long kMaxFrame = 1000000000L;

bool Number(const std::string& text, long& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool Coordinates(std::istringstream& in, vK_InputStep& step) {
    std::string xs, ys;
    long x = 0, y = 0;
    if (!(in >> xs >> ys) || !Number(xs, x) || !Number(ys, y)) return false;
    if (x < 0 || y < 0 || x > 65535 || y > 65535) return false;
    step.x = static_cast<int>(x);
    step.y = static_cast<int>(y);
    return true;
}

// One line into one or two steps; false for a malformed line.
bool ParseLine(const std::string& line, std::vector<vK_InputStep>& steps) {
    std::istringstream in(line);
    std::string frameText, action, extra;
    vK_InputStep step;
    if (!(in >> frameText >> action) || !Number(frameText, step.frame) || step.frame < 0 ||
        step.frame > kMaxFrame)
        return false;
    bool ok = true;
    if (action == "click" || action == "down" || action == "up" || action == "move") {
        ok = Coordinates(in, step);
        step.action = action == "up"     ? vK_InputStep::kUp
                      : action == "move" ? vK_InputStep::kMove
                                         : vK_InputStep::kDown;
    } else if (action == "key") {
        ok = static_cast<bool>(in >> step.key) && SDL_GetKeyFromName(step.key.c_str()) != SDLK_UNKNOWN;
        step.action = vK_InputStep::kKeyDown;
    } else if (action == "quit") {
        step.action = vK_InputStep::kQuit;
    } else {
        ok = false;
    }
    if (!ok || in >> extra) return false;
    steps.push_back(step);
    if (action == "click" || action == "key") {
        step.frame += 1;
        step.action = action == "click" ? vK_InputStep::kUp : vK_InputStep::kKeyUp;
        steps.push_back(step);
    }
    return true;
}

SDL_Event MakeEvent(const vK_InputStep& step) {
    SDL_Event e{};
    switch (step.action) {
        case vK_InputStep::kDown:
        case vK_InputStep::kUp:
            e.type = step.action == vK_InputStep::kDown ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
            e.button.button = SDL_BUTTON_LEFT;
            e.button.state = step.action == vK_InputStep::kDown ? SDL_PRESSED : SDL_RELEASED;
            e.button.clicks = 1;
            e.button.x = step.x;
            e.button.y = step.y;
            break;
        case vK_InputStep::kMove:
            e.type = SDL_MOUSEMOTION;
            e.motion.x = step.x;
            e.motion.y = step.y;
            break;
        case vK_InputStep::kKeyDown:
        case vK_InputStep::kKeyUp:
            e.type = step.action == vK_InputStep::kKeyDown ? SDL_KEYDOWN : SDL_KEYUP;
            e.key.state = step.action == vK_InputStep::kKeyDown ? SDL_PRESSED : SDL_RELEASED;
            e.key.keysym.sym = SDL_GetKeyFromName(step.key.c_str());
            e.key.keysym.scancode = SDL_GetScancodeFromKey(e.key.keysym.sym);
            break;
        case vK_InputStep::kQuit:
            e.type = SDL_QUIT;
            break;
    }
    return e;
}

}  // namespace

std::vector<vK_InputStep> ParseInputScript(std::string_view text) {
    std::vector<vK_InputStep> steps;
    ForEachContentLine(text, [&steps](const std::string& line, int number) {
        if (!ParseLine(line, steps)) Log("Error: input script line %d is malformed and skipped", number);
        return true;
    });
    // Steps of one frame keep their file order.
    std::stable_sort(steps.begin(), steps.end(),
                     [](const vK_InputStep& a, const vK_InputStep& b) { return a.frame < b.frame; });
    return steps;
}

vK_InputScript::vK_InputScript(std::vector<vK_InputStep> steps) : steps_(std::move(steps)) {}

void vK_InputScript::OnProcess(const vK_FrameInfo& /*frame*/) {
    const Vrakko* engine = Vrakko::Instance();
    const long frame = engine ? engine->GetFrameCount() : 0;
    while (next_ < steps_.size() && steps_[next_].frame <= frame) {
        SDL_Event e = MakeEvent(steps_[next_]);
        if (SDL_PushEvent(&e) < 0) Log("Error: input script: the event queue refused a step");
        ++next_;
    }
}
