#include "script/script_hub.h"

#include <gtest/gtest.h>

#include <lua.hpp>

#include "core/mediator.h"
#include "core/message_ids.h"
#include "core/random.h"
#include "files/log.h"
#include "script/lua_script.h"

namespace {

// Runs Lua text directly on the hub's state (test set-up only).
void RunLua(vK_ScriptHub& hub, const std::string& code) {
    lua_State* L = hub.GetLuaState();
    int base = lua_gettop(L);
    ASSERT_EQ(luaL_loadstring(L, code.c_str()), 0) << lua_tostring(L, -1);
    ASSERT_EQ(lua_pcall(L, 0, 0, 0), 0) << lua_tostring(L, -1);
    lua_settop(L, base);
}

int g_report_count = 0;
void CountReport(vK_DataTable&) { ++g_report_count; }

struct SinkGuard {
    explicit SinkGuard(vK_ScriptReportSink sink) {
        g_report_count = 0;
        registration = vK_ScriptHub::ReportSinkSeam().Install(sink);
    }
    vK_Seam<vK_ScriptReportSink>::Registration registration;
};

}  // namespace

TEST(ScriptHub, LuaValuesConvertByKind) {
    struct Case {
        const char* expr;
        int tag;
        std::string text;  // ToString of the result, or the element texts joined by ','
    };
    const Case cases[] = {
        {"2.5", vK_Data::kFloat, "2.5"},
        {"-2.5", vK_Data::kDouble, "-2.500000"},
        {"3.0", vK_Data::kInt, "3"},
        {"-7", vK_Data::kInt, "-7"},
        {"2^40", vK_Data::kDouble, "1099511627776.000000"},  // kept, not truncated
        {"true", vK_Data::kBool, "1"},
        {"'a\\0b'", vK_Data::kString, std::string("a\0b", 3)},
        {"nil", vK_Data::kNull, ""},
        {"{}", vK_Data::kTable, ""},
        {"{10, 20, 30}", vK_Data::kArray, "10,20,30"},
        {"{1, 2, x = 3}", vK_Data::kArray, "1,2,3"},
        {"{x = 1}", vK_Data::kTable, "x=1"},
        {"{[3] = 'c', [1] = 'a', [2] = 'b'}", vK_Data::kArray, "a,b,c"},
        {"(function() local t = {} t[3]='c' t[2]='b' t[1]='a' return t end)()", vK_Data::kArray, "a,b,c"},
        {"{1, 'a', {2}, true}", vK_Data::kArray, "1,a,,1"},
    };
    vK_ScriptHub hub;
    lua_State* L = hub.GetLuaState();
    for (const Case& c : cases) {
        RunLua(hub, std::string("v = ") + c.expr);
        int height = lua_gettop(L);
        std::unique_ptr<vK_Data> v = hub.GetGlobal("v");
        EXPECT_EQ(lua_gettop(L), height) << c.expr;
        ASSERT_EQ(v->GetTag(), c.tag) << c.expr;
        std::string text;
        if (const vK_DataArray* a = v->AsArray()) {
            for (size_t i = 0; i < a->Size(); ++i) text += (i ? "," : "") + a->GetAt(i)->ToString();
        } else if (const vK_DataTable* t = v->AsTable()) {
            for (const auto& [k, val] : *t) text += k + "=" + val->ToString();
        } else {
            text = v->ToString();
        }
        EXPECT_EQ(text, c.text) << c.expr;
    }
}

TEST(ScriptHub, DataRoundTripKeepsValuesAndStackHeight) {
    vK_ScriptHub hub;
    lua_State* L = hub.GetLuaState();
    int height = lua_gettop(L);

    vK_DataTable root;
    root.SetString("s", "text");
    root.SetInt("i", 42);
    vK_DataArray* mixed = root.SetArray("mixed");
    mixed->PushInt(1);
    mixed->PushString("two");
    mixed->PushTable()->SetBool("b", true);
    mixed->PushArray()->PushFloat(2.5f);
    vK_DataArray* deep = root.SetArray("deep");
    for (int i = 0; i < 200; ++i) deep = deep->PushArray();
    deep->PushInt(7);

    ASSERT_TRUE(hub.PushData(&root));
    EXPECT_EQ(lua_gettop(L), height + 1);
    std::unique_ptr<vK_Data> back = hub.PopData();
    EXPECT_EQ(lua_gettop(L), height);

    const vK_DataTable* t = back->AsTable();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Get("s")->ToString(), "text");
    EXPECT_EQ(t->Get("i")->GetTag(), vK_Data::kInt);
    const vK_DataArray* m = t->Get("mixed")->AsArray();
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->Size(), 4u);
    EXPECT_EQ(m->GetAt(1)->ToString(), "two");
    EXPECT_TRUE(m->GetAt(2)->AsTable()->Get("b")->GetBool());
    EXPECT_EQ(m->GetAt(3)->AsArray()->GetAt(0)->GetFloat(), 2.5f);
    const vK_Data* d = t->Get("deep");
    for (int i = 0; i < 200; ++i) {
        ASSERT_NE(d->AsArray(), nullptr) << "level " << i;
        d = d->AsArray()->GetAt(0);
    }
    EXPECT_EQ(d->AsArray()->GetAt(0)->GetInt(), 7);

    // An empty array comes back as a table.
    vK_DataArray empty;
    hub.PushData(&empty);
    EXPECT_EQ(hub.PopData()->GetTag(), vK_Data::kTable);
    EXPECT_EQ(lua_gettop(L), height);
}

TEST(ScriptHub, CyclicSharedAndDeepTablesConvertSafely) {
    vK_ScriptHub hub;
    lua_State* L = hub.GetLuaState();
    RunLua(hub,
           "cyc = {name = 'c'}; cyc.self = cyc;"
           "shared = {1}; dag = {a = shared, b = shared};"
           "deep = {}; local t = deep; for i = 1, 5000 do t.n = {}; t = t.n end;"
           "reg = debug.getregistry()");
    int height = lua_gettop(L);
    vK_LogCapture log;

    std::unique_ptr<vK_Data> cyc = hub.GetGlobal("cyc");
    ASSERT_NE(cyc->AsTable(), nullptr);
    EXPECT_EQ(cyc->AsTable()->Get("name")->ToString(), "c");
    EXPECT_TRUE(cyc->AsTable()->Get("self")->IsNull());

    std::unique_ptr<vK_Data> dag = hub.GetGlobal("dag");
    EXPECT_NE(dag->AsTable()->Get("a")->AsArray(), nullptr);
    EXPECT_NE(dag->AsTable()->Get("b")->AsArray(), nullptr);  // shared, not a cycle

    std::unique_ptr<vK_Data> deep = hub.GetGlobal("deep");
    int levels = 0;
    for (const vK_Data* d = deep.get(); d && d->AsTable(); d = d->AsTable()->Get("n")) ++levels;
    EXPECT_EQ(levels, vK_ScriptHub::kMaxDepth);
    EXPECT_TRUE(log.Contains("Warning: script value too deep"));

    EXPECT_NE(hub.GetGlobal("_G")->AsTable(), nullptr);
    EXPECT_TRUE(hub.GetGlobal("reg")->IsNull());
    EXPECT_EQ(lua_gettop(L), height);
}

TEST(ScriptHub, TenThousandMixedCallsReportEachFailureOnce) {
    vK_ScriptHub hub;
    SinkGuard sink(&CountReport);
    lua_State* L = hub.GetLuaState();
    RunLua(hub,
           "function ok(a) return a, 1, 2 end;"
           "function fail_text() error('boom') end;"
           "function fail_table() error({}) end;"
           "function fail_nil() local x = nil; return x.y end");
    const char* names[] = {"ok", "fail_text", "fail_table", "fail_nil"};
    std::vector<std::unique_ptr<vK_Data>> fns;
    for (const char* n : names) {
        fns.push_back(hub.GetGlobal(n));
        ASSERT_EQ(fns.back()->GetTag(), vK_Data::kScriptFunction);
    }
    int height = lua_gettop(L);
    vK_LogCapture log;
    vK_DataArray args;
    args.PushInt(5);
    int failures = 0;
    for (int i = 0; i < 10000; ++i) {
        bool ok = hub.CallFunction(*static_cast<vK_DataScriptFunction*>(fns[i % 4].get()), &args);
        EXPECT_EQ(ok, i % 4 == 0);
        failures += ok ? 0 : 1;
    }
    EXPECT_EQ(lua_gettop(L), height);
    EXPECT_EQ(g_report_count, failures);
    EXPECT_EQ(log.Count(), failures);
    EXPECT_TRUE(log.Contains("Error: you try to execute code - lua error: (error object is a table value)"));
    EXPECT_TRUE(log.Contains("boom"));
}

namespace {
vK_ScriptHub* g_nested_hub = nullptr;
vK_DataTable* g_last_report = nullptr;
// A report receiver that is itself a failing script, as a script listener of the
// error event would be.
void FailingListener(vK_DataTable& report) {
    ++g_report_count;
    delete g_last_report;
    g_last_report = static_cast<vK_DataTable*>(report.Clone());
    vK_DataScriptFunction f = g_nested_hub->CompileCode("error('listener fails too')");
    EXPECT_FALSE(g_nested_hub->CallFunction(f, nullptr));
}
}  // namespace

TEST(ScriptHub, FailingReportListenerDoesNotRecurse) {
    vK_ScriptHub hub;
    g_nested_hub = &hub;
    SinkGuard sink(&FailingListener);
    vK_LogCapture log;
    RunLua(hub, "cyc = {}; cyc.me = cyc; function bad() local loop = cyc; local g = _G; error('outer') end");
    std::unique_ptr<vK_Data> f = hub.GetGlobal("bad");
    EXPECT_FALSE(hub.CallFunction(*static_cast<vK_DataScriptFunction*>(f.get()), nullptr));
    EXPECT_EQ(g_report_count, 1);
    EXPECT_EQ(log.Count(), 2);  // the listener's failure and the outer one
    ASSERT_NE(g_last_report, nullptr);
    EXPECT_EQ(g_last_report->Get("crash")->ToString(), "1");
    const vK_DataArray* stack = g_last_report->Get("callstack")->AsArray();
    ASSERT_NE(stack, nullptr);
    bool found_bad = false;
    for (const vK_Data* frame : *stack) {
        const vK_DataTable* t = frame->AsTable();
        if (!t->Get("locals")->AsTable()->Has("loop")) continue;
        found_bad = true;
        EXPECT_EQ(t->Get("funcname")->ToString(), "unknown");  // called from the host, no name
        EXPECT_EQ(t->Get("runtype")->ToString(), "Lua");
        EXPECT_NE(t->Get("locals")->AsTable()->Get("loop")->AsTable(), nullptr);
        EXPECT_NE(t->Get("locals")->AsTable()->Get("g")->AsTable(), nullptr);
    }
    EXPECT_TRUE(found_bad);
    delete g_last_report;
    g_last_report = nullptr;
}

namespace {
void Sum(const vK_ScriptArgs& args, void* context, vK_DataArray& results) {
    double total = 0;
    for (unsigned i = 0; i < args.Size(); ++i) total += args.GetAt(i)->GetDouble();
    results.Push(new vK_DataDouble(total));
    results.PushInt(static_cast<int>(args.Size()));
    if (context) *static_cast<int*>(context) += 1;
}
void Echo(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    for (unsigned i = 0; i < args.Size(); ++i) results.Push(args.GetAt(i)->Clone());
}
}  // namespace

TEST(ScriptHub, RegisterFunctionBuildsTablesAndAliases) {
    vK_ScriptHub hub;
    vK_LogCapture log;
    RunLua(hub, "vk = 5; keep = {}");
    int calls = 0;
    hub.RegisterFunction("vk.msg.Send; MsgSend; SendMessage", &Sum, &calls);
    hub.RegisterFunction("keep.obj.anim.Play", &Echo, nullptr);
    hub.RegisterFunction("a..b", &Echo, nullptr);
    EXPECT_TRUE(log.Contains("'vk' is not a table"));
    EXPECT_TRUE(log.Contains("'a..b': bad name"));
    RunLua(hub,
           "assert(vk == 5);"
           "assert(rawequal(MsgSend, SendMessage));"
           "local s, n = MsgSend(1, 2, '3.5'); assert(s == 6.5 and n == 3, tostring(s));"
           "assert(type(keep.obj.anim.Play) == 'function');"
           "local f = function() end;"
           "local a, b, c = keep.obj.anim.Play('x', f, nil);"
           "assert(a == 'x' and rawequal(b, f) and c == nil)");
    EXPECT_EQ(calls, 1);

    vK_ScriptHub fresh;
    fresh.RegisterFunction("vk.msg.Send; MsgSend", &Sum, nullptr);
    RunLua(fresh, "assert(rawequal(vk.msg.Send, MsgSend))");
}

TEST(ScriptHub, OverwrittenErrorHandlerGlobalKeepsReports) {
    vK_ScriptHub hub;
    SinkGuard sink(&CountReport);
    vK_LogCapture log;
    RunLua(hub, "__breakpoint = 5; vk = 5");
    vK_DataScriptFunction f = hub.CompileCode("error('x')");
    EXPECT_FALSE(hub.CallFunction(f, nullptr));
    EXPECT_EQ(g_report_count, 1);
    EXPECT_TRUE(log.Contains("lua error: [string \"error('x')\"]:1: x"));
}

TEST(ScriptHub, SnippetsGetParamsAndLogSyntaxErrors) {
    vK_ScriptHub hub;
    vK_DataScriptFunction f = hub.CompileCode("*seen = vk_params.sender");
    EXPECT_FALSE(f.IsEmpty());
    EXPECT_EQ(f.ToString(), "*seen = vk_params.sender");
    EXPECT_TRUE(hub.CallHandler(f, "obj_a", false));
    EXPECT_EQ(hub.GetGlobal("seen")->ToString(), "obj_a");

    vK_LogCapture log;
    vK_DataScriptFunction broken = hub.CompileCode("this is not lua");
    EXPECT_TRUE(broken.IsEmpty());
    EXPECT_TRUE(log.Contains("Error: script snippet 'this is not lua' does not compile"));
    EXPECT_FALSE(hub.CallFunction(broken, nullptr));
    EXPECT_FALSE(hub.CallHandler(broken, "x", true));
}

TEST(ScriptHub, ModulesWrapCodeAndLogFailures) {
    vK_ScriptHub hub;
    vK_LogCapture log;
    hub.LoadModuleCode("public.value = 3; private.hidden = 1", "mod_a");
    RunLua(hub, "assert(mod_a.value == 3 and mod_a.hidden == nil and type(__mod_a_init) == 'function')");

    vK_DataScriptFunction table = hub.LoadModuleTable("public.f = function() return 1 end", "mod_b");
    EXPECT_FALSE(table.IsEmpty());
    EXPECT_FALSE(hub.CallFunction(table, nullptr));  // a table, not a function
    ASSERT_TRUE(hub.PushData(&table));
    EXPECT_TRUE(lua_istable(hub.GetLuaState(), -1));
    lua_pop(hub.GetLuaState(), 1);
    EXPECT_EQ(log.Count(), 0);

    hub.LoadModuleCode("public.x = ", "mod_bad");
    EXPECT_TRUE(log.Contains("Error: module mod_bad try to compile - lua error:"));
    EXPECT_TRUE(hub.LoadModuleTable("error('at load')", "mod_run").IsEmpty());
    EXPECT_TRUE(log.Contains("Error: module mod_run failed to run - lua error:"));
    EXPECT_EQ(lua_gettop(hub.GetLuaState()), 0);
}

TEST(ScriptHub, DeferredHandlersRunOncePerFrameInOrder) {
    vK_ScriptHub hub;
    SinkGuard sink(&CountReport);
    vK_LogCapture log;
    RunLua(hub, "order = ''");
    vK_DataScriptFunction a = hub.CompileCode("order = order .. 'a' .. vk_params.sender");
    vK_DataScriptFunction bad = hub.CompileCode("error('handler fails')");
    vK_DataScriptFunction requeue = hub.CompileCode("order = order .. 'r'; requeue_me()");
    int requeued = 0;
    struct Ctx {
        vK_ScriptHub* hub;
        vK_DataScriptFunction* fn;
        int* count;
    } ctx{&hub, &a, &requeued};
    hub.RegisterFunction(
        "requeue_me",
        [](const vK_ScriptArgs&, void* c, vK_DataArray&) {
            auto* x = static_cast<Ctx*>(c);
            ++*x->count;
            x->hub->CallHandler(*x->fn, "2", true);
        },
        &ctx);
    EXPECT_TRUE(hub.CallHandler(a, "1", true));
    EXPECT_TRUE(hub.CallHandler(bad, "x", true));
    EXPECT_TRUE(hub.CallHandler(requeue, "x", true));
    EXPECT_EQ(hub.GetGlobal("order")->ToString(), "");
    hub.RunDeferredHandlers();
    EXPECT_EQ(hub.GetGlobal("order")->ToString(), "a1r");
    EXPECT_EQ(g_report_count, 1);
    EXPECT_EQ(hub.GetDeferredCount(), 1u);
    hub.RunDeferredHandlers();
    EXPECT_EQ(hub.GetGlobal("order")->ToString(), "a1ra2");
}

TEST(ScriptHub, RecordedClockReplacesTheMachinesClockForScripts) {
    vK_ScriptHub hub;
    RunLua(hub, "machine_epoch = os.date('%Y', 0)");
    // 1767268800 is 2026-01-01 12:00:00 UTC; the recorded zone is one hour east of UTC.
    hub.UseRecordedClock(1767268800, 3600);
    // Without an engine no frame has run, so the clock stands at its start.
    RunLua(hub, R"(
        assert(os.time() == 1767268800, "os.time")
        assert(os.clock() == 0, "os.clock")
        assert(os.date("%H:%M") == "13:00", "local time: " .. os.date("%H:%M"))
        assert(os.date("!%H:%M") == "12:00", "UTC: " .. os.date("!%H:%M"))
        assert(os.date("%Y-%m-%d") == "2026-01-01", "date")
        assert(os.date("*t").hour == 13, "table form")
        assert(os.date("%Y", 0) == machine_epoch, "an explicit time keeps the machine's zone")
        assert(os.time({year = 2026, month = 1, day = 1, hour = 0}) ~= nil, "os.time of a table")
    )");
}

TEST(ScriptHub, MathRandomSharesTheEngineGenerator) {
    vK_ScriptHub hub;
    RunLua(hub, "math.randomseed(1); first = math.random(); second = math.random(100)");
    EXPECT_FLOAT_EQ(hub.GetGlobal("first")->GetFloat(), 41.0f / 32767.0f);
    // r = 18467: floor(18467 / 32767 * 100) + 1 = 57
    EXPECT_EQ(hub.GetGlobal("second")->GetInt(), 57);
    EXPECT_EQ(vK_Random::Next(), 6334u);
    RunLua(hub, "third = math.random(10, 20)");  // r = 26500: floor(0.8087 * 11) + 10 = 18
    EXPECT_EQ(hub.GetGlobal("third")->GetInt(), 18);
    vK_DataScriptFunction bad = hub.CompileCode("math.random(5, 1)");
    vK_LogCapture log;
    EXPECT_FALSE(hub.CallFunction(bad, nullptr));
    EXPECT_TRUE(log.Contains("interval is empty"));
}

TEST(ScriptHub, GlobalNamesResolveAndHandlesOutliveTheState) {
    vK_DataScriptFunction kept;
    {
        vK_ScriptHub hub;
        RunLua(hub, "function named() hit = 1 end; holder = {fn = function() hit = 2 end}");
        vK_DataTable props;
        props.SetString("h", "named");
        props.SetString("d", "holder.fn");
        vK_DataScriptFunction h, d;
        ASSERT_TRUE(props.GetScriptFunction("h", h));
        ASSERT_TRUE(props.GetScriptFunction("d", d));
        EXPECT_TRUE(hub.CallFunction(h, nullptr));
        EXPECT_EQ(hub.GetGlobal("hit")->GetInt(), 1);
        EXPECT_TRUE(hub.CallFunction(d, nullptr));
        EXPECT_EQ(hub.GetGlobal("hit")->GetInt(), 2);
        EXPECT_TRUE(hub.SameFunction(h, *static_cast<vK_DataScriptFunction*>(hub.GetGlobal("named").get())));
        kept.CopyFrom(h);
    }
    EXPECT_TRUE(kept.IsEmpty());  // the state is gone; releasing the handle touches nothing
}

TEST(ScriptHub, CallStackTextListsLevels) {
    vK_ScriptHub hub;
    std::string text;
    struct Ctx {
        vK_ScriptHub* hub;
        std::string* text;
    } ctx{&hub, &text};
    hub.RegisterFunction(
        "stack_text",
        [](const vK_ScriptArgs&, void* c, vK_DataArray&) {
            auto* x = static_cast<Ctx*>(c);
            *x->text = x->hub->GetCallStackText();
        },
        &ctx);
    RunLua(hub, "function outer() stack_text() end; outer()");
    EXPECT_NE(text.find("C\t=[C]\tstack_text\t-1\t\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Lua\t"), std::string::npos) << text;
    EXPECT_NE(text.find("\touter\t1\t\n"), std::string::npos) << text;
}

TEST(ScriptHub, ScriptListenersOfTheErrorEventGetOneReportEach) {
    vK_Mediator mediator;
    vK_ScriptHub hub;
    vK_LogCapture log;
    RunLua(hub,
           "reports = 0; names = '';"
           "function on_error(name, report) reports = reports + 1; names = names .. name;"
           "  assert(report.crash == '1' and #report.callstack > 0); error('listener fails') end;"
           "function other(name, report) reports = reports + 10 end");
    std::unique_ptr<vK_Data> listener = hub.GetGlobal("on_error");
    std::unique_ptr<vK_Data> other = hub.GetGlobal("other");
    auto& fn = *static_cast<vK_DataScriptFunction*>(listener.get());
    auto& fn2 = *static_cast<vK_DataScriptFunction*>(other.get());
    mediator.SubscribeScript("Event_Vrakko_ScriptHub_Script_Error", fn);
    mediator.SubscribeScript("Event_Vrakko_ScriptHub_Script_Error", fn);  // same function: kept once
    mediator.SubscribeScript("Event_Vrakko_ScriptHub_Script_Error", fn2);
    EXPECT_EQ(mediator.CountListeners(MSG_Event_Vrakko_ScriptHub_Script_Error), 2u);

    vK_DataScriptFunction bad = hub.CompileCode("local t = {}; t.t = t; error(t)");
    EXPECT_FALSE(hub.CallFunction(bad, nullptr));
    EXPECT_EQ(hub.GetGlobal("reports")->GetInt(), 11);
    EXPECT_EQ(hub.GetGlobal("names")->ToString(), "Event_Vrakko_ScriptHub_Script_Error");
    EXPECT_EQ(log.Count(), 2);

    mediator.UnsubscribeScript("Event_Vrakko_ScriptHub_Script_Error", fn);
    EXPECT_EQ(mediator.CountListeners(MSG_Event_Vrakko_ScriptHub_Script_Error), 1u);
    mediator.GetMessageId("Event_Fresh_Name");
    EXPECT_EQ(hub.GetGlobal("Event_Fresh_Name")->ToString(), "Event_Fresh_Name");
    mediator.DropScriptListeners();
    EXPECT_EQ(mediator.CountListeners(MSG_Event_Vrakko_ScriptHub_Script_Error), 0u);
}

namespace {
std::vector<std::string> g_report_kinds;
void KeepReportKind(vK_DataTable& report) {
    ++g_report_count;
    if (report.Has("module")) {
        g_report_kinds.push_back(report.Get("module")->ToString() + ":" + report.Get("line")->ToString());
    } else {
        g_report_kinds.push_back("crash");
    }
}
}  // namespace

TEST(ScriptHub, BreakpointReportsModuleAndLineThenEveryLine) {
    vK_ScriptHub hub;
    SinkGuard sink(&KeepReportKind);
    g_report_kinds.clear();
    vK_DataScriptFunction f = hub.CompileCode("__breakpoint('level_1', 12)\nlocal a = 1\nlocal b = 2");
    EXPECT_TRUE(hub.CallFunction(f, nullptr));
    ASSERT_GE(g_report_kinds.size(), 3u);
    EXPECT_EQ(g_report_kinds[0], "level_1:12");
    // The line hook stays installed: each further line is reported as a step.
    EXPECT_EQ(g_report_kinds[1], "__breakpoint('level_1', 12)\nlocal a = 1\nlocal b = 2:2");
    EXPECT_EQ(g_report_kinds.back(), "__breakpoint('level_1', 12)\nlocal a = 1\nlocal b = 2:3");
    EXPECT_EQ(lua_gettop(hub.GetLuaState()), 0);
}

namespace {
// Calls its script function argument again: scripts recurse through the host.
void Reenter(const vK_ScriptArgs& args, void* hub, vK_DataArray&) {
    if (args.Size() >= 1 && args.GetAt(0)->GetTag() == vK_Data::kScriptFunction) {
        auto* h = static_cast<vK_ScriptHub*>(hub);
        vK_DataArray again;
        again.Push(args.GetAt(0)->Clone());
        if (!h->CallFunction(*static_cast<const vK_DataScriptFunction*>(args.GetAt(0)), &again)) {
            ++g_report_count;  // counts failing levels, not reports
        }
    }
}
}  // namespace

TEST(ScriptHub, RunawayRecursionEndsInAnErrorNotACrash) {
    vK_ScriptHub hub;
    vK_LogCapture log;
    hub.RegisterFunction("reenter", &Reenter, &hub);
    RunLua(hub, "function deep(n) return 1 + deep(n + 1) end; function via_host(f) reenter(f) end");
    vK_DataScriptFunction lua_only = hub.CompileCode("deep(1)");
    EXPECT_FALSE(hub.CallFunction(lua_only, nullptr));
    EXPECT_TRUE(log.Contains("stack overflow"));
    vK_DataScriptFunction through_host = hub.CompileCode("via_host(via_host)");
    EXPECT_TRUE(hub.CallFunction(through_host, nullptr));  // the innermost failure is caught inside
    EXPECT_TRUE(log.Contains("C stack overflow"));
    EXPECT_EQ(lua_gettop(hub.GetLuaState()), 0);
}

namespace {
std::unique_ptr<vK_Data> g_kept_function;
void Keep(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    if (args.Size() >= 1) g_kept_function.reset(args.GetAt(0)->Clone());
    results.PushString("kept");
}
}  // namespace

TEST(ScriptHub, NativeFunctionsWorkInsideCoroutines) {
    vK_ScriptHub hub;
    hub.RegisterFunction("vk.Keep; Keep", &Keep, nullptr);
    hub.RegisterFunction("Sum", &Sum, nullptr);
    RunLua(hub,
           "local co = coroutine.create(function()\n"
           "  local s, n = Sum(1, 2, {}, 4); coroutine.yield(s)\n"
           "  result = Keep(function() called = 'yes' end)\n"
           "end)\n"
           "local ok, first = coroutine.resume(co); assert(ok and first == 7, tostring(first))\n"
           "assert(coroutine.resume(co))\n"
           "co = nil; collectgarbage('collect')");
    EXPECT_EQ(hub.GetGlobal("result")->ToString(), "kept");
    ASSERT_NE(g_kept_function, nullptr);
    ASSERT_EQ(g_kept_function->GetTag(), vK_Data::kScriptFunction);
    // The handle lives in the main state, not in the collected coroutine.
    EXPECT_TRUE(hub.CallFunction(*static_cast<vK_DataScriptFunction*>(g_kept_function.get()), nullptr));
    EXPECT_EQ(hub.GetGlobal("called")->ToString(), "yes");
    g_kept_function.reset();
}
