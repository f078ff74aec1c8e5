// The limits on calls into the game's state: a call that runs too long or takes too much
// memory is stopped at its line, reported, and the state goes on; calls nested in it share
// its deadline; reports do not count against it; calls within the limits are untouched.
#include <gtest/gtest.h>

#include <chrono>
#include <lua.hpp>
#include <string>
#include <thread>
#include <vector>

#include "files/log.h"
#include "script/script_hub.h"

namespace {

// Every line number below is the file's own: the module wrapper keeps them.
constexpr char kModule[] =
    "function public.Spin()\n"                                                              // 1
    "  local n = 0\n"                                                                       // 2
    "  while true do n = n + 1 end\n"                                                       // 3
    "end\n"                                                                                 // 4
    "function public.Stubborn()\n"                                                          // 5
    "  while true do pcall(function() while true do end end) end\n"                         // 6
    "end\n"                                                                                 // 7
    "function public.Nested()\n"                                                            // 8
    "  local t = os.clock() while os.clock() - t < 0.3 do end\n"                            // 9
    "  CallBack(function() while true do end end) while true do end\n"                      // 10
    "end\n"                                                                                 // 11
    "function public.Hoard()\n"                                                             // 12
    "  local t = {}\n"                                                                      // 13
    "  while true do t[#t + 1] = {} end\n"                                                  // 14
    "end\n"                                                                                 // 15
    "function public.Fine(n)\n"                                                             // 16
    "  local s = 0 for i = 1, n do s = s + i end return s\n"                                // 17
    "end\n"                                                                                 // 18
    "function public.Churn()\n"                                                             // 19
    "  for i = 1, 6 do local t = {} for j = 1, 100000 do t[j] = {} end end\n"               // 20
    "  result = 'churned'\n"                                                                // 21
    "end\n"                                                                                 // 22
    "function public.SlowReport()\n"                                                        // 23
    "  CallBack(function() error('seen') end)\n"                                            // 24
    "  local t = os.clock() while os.clock() - t < 0.3 do end result = 'reported'\n"        // 25
    "end\n"                                                                                 // 26
    "function public.Threads()\n"                                                           // 27
    "  local co = coroutine.wrap(function() for i = 1, 3 do coroutine.yield(i) end end)\n"  // 28
    "  result = co() + co() + co()\n"                                                       // 29
    "end\n"                                                                                 // 30
    "function public.SpinInThread()\n"                                                      // 31
    "  coroutine.wrap(function() while true do end end)()\n"                                // 32
    "end\n";                                                                                // 33

constexpr double kBudget = 0.5;
constexpr size_t kCeiling = size_t(16) << 20;

std::vector<std::string> g_reports;  // "error" of each report
int g_report_delay_ms = 0;
void KeepReport(vK_DataTable& report) {
    const vK_Data* error = report.Get("error");
    g_reports.push_back(error ? error->ToString() : "(breakpoint)");
    std::this_thread::sleep_for(std::chrono::milliseconds(g_report_delay_ms));
}

// Calls its script function argument through the host, as a native that calls back does.
void CallBack(const vK_ScriptArgs& args, void* hub, vK_DataArray&) {
    if (args.Size() >= 1 && args.GetAt(0)->GetTag() == vK_Data::kScriptFunction)
        static_cast<vK_ScriptHub*>(hub)->CallFunction(
            *static_cast<const vK_DataScriptFunction*>(args.GetAt(0)), nullptr);
}

struct LimitsFixture {
    LimitsFixture() {
        g_reports.clear();
        g_report_delay_ms = 0;
        sink = vK_ScriptHub::ReportSinkSeam().Install(&KeepReport);
        hub.SetCallBudget(kBudget);
        hub.SetMemoryCeiling(kCeiling);
        hub.RegisterFunction("CallBack", &CallBack, &hub);
        hub.LoadModuleCode(kModule, "m", "assets/modules/m.lua");
    }
    bool Call(const std::string& snippet) { return hub.CallFunction(hub.CompileCode(snippet), nullptr); }
    vK_ScriptHub hub;
    vK_Seam<vK_ScriptReportSink>::Registration sink;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

const std::string kTime = "script ran past its time budget of 0.5 s";
const std::string kMemory = "not enough memory: the scripts passed their ceiling of 16 MB";

}  // namespace

TEST(ScriptLimits, RunawayCallsAreStoppedAtTheirLineAndReported) {
    struct Case {
        const char* call;
        std::vector<std::string> reports;  // the error of each report, in order
        double max_seconds;
    };
    const Case cases[] = {
        {"m.Spin()", {"assets/modules/m.lua:3: " + kTime}, 2 * kBudget},
        // The script's own pcall catches the stop, but not the next one.
        {"m.Stubborn()", {"assets/modules/m.lua:6: " + kTime}, 2 * kBudget},
        // The native's call back shares the outer deadline (a fresh one would take 0.8 s);
        // the outer call is stopped as soon as the native returns.
        {"m.Nested()", {"assets/modules/m.lua:10: " + kTime, "assets/modules/m.lua:10: " + kTime}, 0.7},
        {"m.Hoard()", {"assets/modules/m.lua:14: " + kMemory}, 2 * kBudget},
        // Coroutines take the hook along; wrap puts its caller's place before the error.
        {"m.SpinInThread()", {"assets/modules/m.lua:32: assets/modules/m.lua:32: " + kTime}, 2 * kBudget},
    };
    LimitsFixture f;
    lua_State* L = f.hub.GetLuaState();
    const size_t memory_before = f.hub.GetMemoryInUse();
    for (const Case& c : cases) {
        g_reports.clear();
        vK_LogCapture log;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(f.Call(c.call)) << c.call;
        EXPECT_LT(SecondsSince(start), c.max_seconds) << c.call;
        EXPECT_EQ(g_reports, c.reports) << c.call;
        std::string logged;
        for (const std::string& report : c.reports)
            logged +=
                (logged.empty() ? "" : "\n") + ("Error: you try to execute code - lua error: " + report);
        EXPECT_EQ(log.Text(), logged) << c.call;
        // The state goes on as before: a call right after runs in full.
        EXPECT_TRUE(f.Call("result = m.Fine(100)")) << c.call;
        EXPECT_EQ(f.hub.GetGlobal("result")->ToString(), "5050") << c.call;
        EXPECT_EQ(lua_gettop(L), 0) << c.call;
        // What the stopped call held is garbage, collected when it ended.
        EXPECT_LT(f.hub.GetMemoryInUse(), memory_before + (size_t(1) << 20)) << c.call;
    }
}

TEST(ScriptLimits, ModuleBodyThatNeverEndsIsStopped) {
    LimitsFixture f;
    vK_LogCapture log;
    f.hub.LoadModuleCode("local x = 0\nwhile true do x = x + 1 end\n", "spin", "assets/modules/spin.lua");
    EXPECT_EQ(log.Text(),
              "Error: module spin failed to run - lua error: assets/modules/spin.lua:2: " + kTime);
    EXPECT_TRUE(f.Call("result = m.Fine(4)"));
    EXPECT_EQ(f.hub.GetGlobal("result")->ToString(), "10");
}

TEST(ScriptLimits, CallsWithinTheLimitsRunAsWithout) {
    struct Case {
        const char* call;
        const char* result;
        int reports;
    };
    const Case cases[] = {
        // 60 MB made in all, never more than 9 MB alive: garbage is collected before the
        // ceiling stops anything.
        {"m.Churn()", "churned", 0},
        // A report that takes longer than the budget (a debugger waiting) does not count.
        {"m.SlowReport()", "reported", 1},
        // A coroutine's results are unchanged by the hook it took along.
        {"m.Threads()", "6", 0},
        {"result = m.Fine(1000)", "500500", 0},
    };
    LimitsFixture f;
    g_report_delay_ms = 700;
    for (const Case& c : cases) {
        g_reports.clear();
        vK_LogCapture log;
        EXPECT_TRUE(f.Call(c.call)) << c.call << "\n" << log.Text();
        EXPECT_EQ(f.hub.GetGlobal("result")->ToString(), c.result) << c.call;
        EXPECT_EQ(static_cast<int>(g_reports.size()), c.reports) << c.call;
    }
}
