// vK_ScriptHub's error and breakpoint reports and the call stack text.
#include <chrono>
#include <cstdint>
#include <lua.hpp>

#include "core/mediator.h"
#include "core/message_ids.h"
#include "files/log.h"
#include "script/script_hub.h"
#include "script/script_text.h"

using vK_ScriptText::ErrorText;

namespace {
constinit vK_Seam<vK_ScriptReportSink> g_report_sink("script report sink");

// Reports of very deep stacks (a runaway recursion) keep this many levels.
constexpr int kMaxReportLevels = 1000;

// A chunk's source as reports name it: a file chunk ("@assets/modules/shed.lua") by its
// path, anything else by its source text.
std::string SourceName(const char* source) {
    if (!source) return {};
    return source[0] == '@' ? std::string(source + 1) : std::string(source);
}

// Local variable names become table keys: "(*temporary)" -> "lb_asterisktemporary_rb".
std::string LocalKey(const char* name) {
    std::string key;
    for (const char* p = name; *p; ++p) {
        switch (*p) {
            case '(':
                key += "lb_";
                break;
            case ')':
                key += "_rb";
                break;
            case '*':
                key += "asterisk";
                break;
            case ' ':
                break;
            default:
                key += *p;
        }
    }
    return key;
}

}  // namespace

vK_Seam<vK_ScriptReportSink>& vK_ScriptHub::ReportSinkSeam() { return g_report_sink; }

std::string vK_ScriptHub::GetCallStackText() {
    std::string text;
    if (!state_) return text;
    lua_Debug ar;
    for (int level = 0; lua_getstack(state_, level, &ar); ++level) {
        if (!lua_getinfo(state_, "Snl", &ar)) break;
        text += FormatString("%s\t%s\t%s\t%d\t\n", ar.what ? ar.what : "", SourceName(ar.source).c_str(),
                             ar.name ? ar.name : "unknown", ar.currentline);
    }
    return text;
}

// ---- Error and breakpoint reports -------------------------------------------------------

void vK_ScriptHub::BuildAndSendReport(lua_State* L, bool breakpoint, const std::string& module, int line,
                                      int first_level) {
    vK_DataTable report;
    if (breakpoint) {
        report.SetString("module", module);
        report.SetInt("line", line);
    } else {
        report.SetString("crash", "1");
        // The error text ("assets/modules/shed.lua:53: ..."), the error value at index 1.
        if (lua_gettop(L) >= 1) report.SetString("error", ErrorText(L, 1));
    }
    vK_DataArray* callstack = report.SetArray("callstack");
    lua_Debug ar;
    for (int level = first_level; level < first_level + kMaxReportLevels && lua_getstack(L, level, &ar);
         ++level) {
        if (!lua_getinfo(L, "Snl", &ar)) break;
        vK_DataTable* frame = callstack->PushTable();
        frame->SetString("funcname", ar.name ? ar.name : "unknown");
        frame->SetString("runtype", ar.what ? ar.what : "");
        frame->SetString("chunkname", SourceName(ar.source));
        frame->SetInt("line", ar.currentline);
        vK_DataTable* locals = frame->SetTable("locals");
        for (int index = 1; lua_checkstack(L, 1); ++index) {
            const char* name = lua_getlocal(L, &ar, index);  // pushes the value
            if (!name) break;
            std::unique_ptr<vK_Data> value = PopDataFrom(L);
            if (value->IsNull()) value = std::make_unique<vK_DataString>("null");
            locals->Set(LocalKey(name), std::move(value));
        }
    }
    SendReport(L, report);
}

void vK_ScriptHub::ReportUnhandledError(const std::string& text) {
    if (reporting_ || !state_) return;
    vK_DataTable report;
    report.SetString("crash", "1");
    report.SetString("error", text);
    report.SetArray("callstack");
    SendReport(state_, report);
}

void vK_ScriptHub::SendReport(lua_State* L, vK_DataTable& report) {
    // The call being reported is held while its listeners run (and while a debugger
    // waits in one): their calls get budgets of their own, and its deadline moves on by
    // the time the report took.
    const BudgetState held = budget_;
    const auto started = std::chrono::steady_clock::now();
    budget_ = BudgetState();
    // A script that listens to reports and fails itself is not reported again:
    // its error is logged, and the nested report is dropped instead of recursing.
    reporting_ = true;
    if (const vK_ScriptReportSink sink = g_report_sink.Get()) {
        sink(report);
    } else if (vK_Mediator* mediator = vK_Mediator::Instance()) {
        mediator->Send(MSG_Event_Vrakko_ScriptHub_Script_Error, &report);
    }
    reporting_ = false;
    budget_ = held;
    if (budget_.deadline != BudgetState::kNoDeadline)
        budget_.deadline +=
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - started)
                .count();
    // A listener's call put the hook back to its usual pace.
    if (budget_.stop != 0 && state_) lua_sethook(L, &vK_ScriptHub::Hook, lua_gethookmask(L), 1);
}

int vK_ScriptHub::ReportHandler(lua_State* L) {
    auto* hub = static_cast<vK_ScriptHub*>(lua_touserdata(L, lua_upvalueindex(1)));
    int top = lua_gettop(L);
    bool breakpoint = top >= 2 && lua_type(L, 1) == LUA_TSTRING && lua_type(L, 2) == LUA_TNUMBER;
    if (hub && hub->state_ && !hub->reporting_) {
        std::string module;
        int line = 0;
        if (breakpoint) {
            module = ErrorText(L, 1);
            double number = lua_tonumber(L, 2);
            line = (number >= INT32_MIN && number <= INT32_MAX) ? static_cast<int>(number) : 0;
            lua_sethook(L, &vK_ScriptHub::Hook, LUA_MASKLINE | LUA_MASKCOUNT, kHookEvery);
        }
        hub->BuildAndSendReport(L, breakpoint, module, line, breakpoint ? 1 : 0);
    }
    if (breakpoint || top == 0) return 0;
    lua_pushvalue(L, 1);
    return 1;
}

// Once a breakpoint was hit, every new line of script sends a report too. Such a
// step is reported like a breakpoint at the line being entered (module = the chunk's
// source name), never as a crash, so a listener can tell stepping from failures.
void vK_ScriptHub::LineReport(lua_State* L, lua_Debug* ar) {
    if (reporting_) return;
    std::string module;
    if (lua_getinfo(L, "S", ar)) module = SourceName(ar->source);
    BuildAndSendReport(L, true, module, ar->currentline, 0);
}
