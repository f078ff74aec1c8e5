#include "app/dev/dev_console.h"

#include <algorithm>
#include <lua.hpp>

#include "app/dev/dev_canvas.h"
#include "core/input_event.h"
#include "data/utf8.h"
#include "files/log.h"
#include "script/script_hub.h"

namespace {

// The text of the value at index as tostring gives it (the stack is left as found).
std::string ToText(lua_State* L, int index) {
    lua_getglobal(L, "tostring");
    lua_pushvalue(L, index < 0 ? index - 1 : index);
    std::string text;
    if (lua_pcall(L, 1, 1, 0) == 0 && lua_isstring(L, -1)) {
        size_t size = 0;
        const char* s = lua_tolstring(L, -1, &size);
        text.assign(s, size);
    } else {
        text = lua_typename(L, lua_type(L, index < 0 ? index - 1 : index));
    }
    lua_pop(L, 1);
    return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (true) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

// Start of the UTF-8 character before byte offset at.
size_t PreviousChar(const std::string& text, size_t at) {
    if (at == 0) return 0;
    --at;
    while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    return at;
}

size_t NextChar(const std::string& text, size_t at) {
    if (at >= text.size()) return text.size();
    ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
    return at;
}

}  // namespace

vK_DevConsole::vK_DevConsole() { InstallPrint(); }

vK_DevConsole::~vK_DevConsole() { RestorePrint(); }

void vK_DevConsole::InstallPrint() {
    vK_ScriptHub* hub = vK_ScriptHub::Instance();
    lua_State* L = hub ? hub->GetLuaState() : nullptr;
    if (!L) return;
    lua_getglobal(L, "print");
    oldPrint_ = luaL_ref(L, LUA_REGISTRYINDEX);
    lua_pushlightuserdata(L, this);
    lua_pushcclosure(L, &vK_DevConsole::PrintHook, 1);
    lua_setglobal(L, "print");
    state_ = L;
}

void vK_DevConsole::RestorePrint() {
    vK_ScriptHub* hub = vK_ScriptHub::Instance();
    // Only into the state it was installed in, and only while that state lives.
    if (!state_ || !hub || hub->GetLuaState() != state_) return;
    lua_rawgeti(state_, LUA_REGISTRYINDEX, oldPrint_);
    lua_setglobal(state_, "print");
    luaL_unref(state_, LUA_REGISTRYINDEX, oldPrint_);
    state_ = nullptr;
}

int vK_DevConsole::PrintHook(lua_State* L) {
    auto* console = static_cast<vK_DevConsole*>(lua_touserdata(L, lua_upvalueindex(1)));
    std::string text;
    const int n = lua_gettop(L);
    for (int i = 1; i <= n; ++i) {
        if (i > 1) text += '\t';
        text += ToText(L, i);
    }
    Log("%s", text.c_str());
    if (console) console->Print(text);
    return 0;
}

void vK_DevConsole::Print(const std::string& text, bool error) {
    for (std::string& line : SplitLines(text)) output_.push_back({std::move(line), error});
    while (output_.size() > kMaxOutput) output_.pop_front();
    scroll_ = 0;
}

std::string vK_DevConsole::Run(const std::string& line) {
    Print("> " + line);
    if (!line.empty() && (history_.empty() || history_.back() != line)) history_.push_back(line);
    if (history_.size() > kMaxHistory) history_.erase(history_.begin());
    historyPos_ = history_.size();
    vK_ScriptHub* hub = vK_ScriptHub::Instance();
    lua_State* L = hub ? hub->GetLuaState() : nullptr;
    if (!L) {
        Print("no script state", true);
        return "no script state";
    }
    const int top = lua_gettop(L);
    const std::string expression = "return " + line;
    int status = luaL_loadbuffer(L, expression.data(), expression.size(), "=console");
    if (status != 0) {
        lua_pop(L, 1);
        status = luaL_loadbuffer(L, line.data(), line.size(), "=console");
    }
    std::string answer;
    if (status != 0) {
        answer = lua_isstring(L, -1) ? lua_tostring(L, -1) : "error";
    } else if (!hub->RunProtected(0, LUA_MULTRET, &answer)) {
        // Run like every other call: reported, and stopped when it runs too long.
        status = 1;
    }
    if (status != 0) {
        Print(answer, true);
    } else {
        for (int i = top + 1; i <= lua_gettop(L); ++i) answer += (i > top + 1 ? "\t" : "") + ToText(L, i);
        if (lua_gettop(L) > top) Print(answer);
    }
    lua_settop(L, top);
    return answer;
}

void vK_DevConsole::Recall(int step) {
    if (history_.empty()) return;
    const long pos =
        std::clamp<long>(static_cast<long>(historyPos_) + step, 0, static_cast<long>(history_.size()));
    historyPos_ = static_cast<size_t>(pos);
    SetInput(historyPos_ < history_.size() ? history_[historyPos_] : std::string());
}

bool vK_DevConsole::Key(const vK_InputEvent& event) {
    if (event.type == vK_InputEvent::kChar) {
        if (event.code >= 0x20 && event.code != 0x7F && (event.code < 0xD800 || event.code > 0xDFFF)) {
            std::string bytes;
            AppendUtf8(bytes, static_cast<uint32_t>(event.code));
            input_.insert(cursor_, bytes);
            cursor_ += bytes.size();
        }
        return true;
    }
    if (event.type != vK_InputEvent::kKeyDown) return event.type == vK_InputEvent::kKeyUp;
    switch (event.key) {
        case vK_DevKey::kEnter: {
            const std::string line = input_;
            SetInput(std::string());
            if (!line.empty()) Run(line);
            break;
        }
        case vK_DevKey::kBackspace: {
            const size_t from = PreviousChar(input_, cursor_);
            input_.erase(from, cursor_ - from);
            cursor_ = from;
            break;
        }
        case vK_DevKey::kDelete:
            input_.erase(cursor_, NextChar(input_, cursor_) - cursor_);
            break;
        case vK_DevKey::kLeft:
            cursor_ = PreviousChar(input_, cursor_);
            break;
        case vK_DevKey::kRight:
            cursor_ = NextChar(input_, cursor_);
            break;
        case vK_DevKey::kHome:
            cursor_ = 0;
            break;
        case vK_DevKey::kEnd:
            cursor_ = input_.size();
            break;
        case vK_DevKey::kUp:
            Recall(-1);
            break;
        case vK_DevKey::kDown:
            Recall(1);
            break;
        case vK_DevKey::kPageUp:
            scroll_ = std::min(scroll_ + 10, output_.size());
            break;
        case vK_DevKey::kPageDown:
            scroll_ = scroll_ > 10 ? scroll_ - 10 : 0;
            break;
        case vK_DevKey::kEscape:
            SetInput(std::string());
            break;
        default:
            break;
    }
    return true;
}

void vK_DevConsole::Draw(vK_DevCanvas& canvas, float x, float y, float w, float h) {
    const float line = vK_DevCanvas::kLineHeight;
    if (!canvas.BeginPanel(x, y, w, h,
                           "Console   Lua in the game's state; Up/Down history, PageUp/PageDown scroll"))
        return;
    const float left = x + 8;
    const float inputY = y + h - line - 8;
    canvas.Fill(x + 4, inputY - 3, w - 8, line + 4, 0x000000C0);
    canvas.Text(left, inputY, "> " + input_, vK_DevColour::kText);
    // The cursor sits after the characters before it, one cell each.
    size_t column = 2;
    for (size_t at = 0; at < cursor_; at = NextChar(input_, at)) ++column;
    canvas.Fill(left + static_cast<float>(column * canvas.CharWidth()), inputY, 1, line - 2,
                vK_DevColour::kText);
    const size_t rows = static_cast<size_t>(std::max(0.0f, (inputY - (y + 6 + line + 4)) / line));
    const size_t end = output_.size() - std::min(scroll_, output_.size());
    const size_t begin = end > rows ? end - rows : 0;
    float pen = inputY - 4 - static_cast<float>(end - begin) * line;
    for (size_t i = begin; i < end; ++i, pen += line)
        canvas.Text(left, pen, output_[i].text,
                    output_[i].error ? vK_DevColour::kError : vK_DevColour::kText);
    canvas.PopClip();
}
