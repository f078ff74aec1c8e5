#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/frame_stages.h"
#include "core/mediator.h"
#include "data/data.h"
#include "scene/object.h"
#include "script/script_args.h"

struct lua_State;
class vK_LuaHeap;
struct lua_Debug;
class vK_NameLookups;

// The signature of every native function exposed to scripts: it reads its arguments
// through the view (converted when read), and appends newly allocated result values to
// results (the array owns them); the number appended is the number of values the call
// returns. A native of the script layer may instead leave Lua values above its
// arguments on the call's stack: they are returned first.
using ScriptApiFunction = void (*)(const vK_ScriptArgs& args, void* context, vK_DataArray& results);

// What the reference (`vrakko --api`, docs/reference/) says of a script function, kept
// next to its registration. signature reads "arguments -> results": arguments separated
// by ", ", each "name: type" or, when optional, "name: type = default"; the results after
// " -> " (left out when the function returns nothing). description is one sentence.
struct vK_ScriptFunctionDoc {
    const char* signature = nullptr;
    const char* description = nullptr;
};

// Receives every script error or breakpoint report (the table of the event
// "Event_Vrakko_ScriptHub_Script_Error"). The hub sends reports through the
// mediator when one exists; a sink installed here replaces that route.
using vK_ScriptReportSink = void (*)(vK_DataTable& report);

// The one Lua state of the game and the only place where engine code touches it.
//
// Safety rules of this file: engine code runs every piece of script (snippets,
// module bodies, handlers) through lua_pcall, and from C++ frames it calls only Lua
// API functions that cannot raise a Lua error (raw table access, lua_next over keys
// it does not change, pushes after lua_checkstack); so no Lua error unwinds across
// C++ frames with destructors still to run. Conversions guard against cyclic,
// shared and very deep tables with an in-progress set, a depth limit and a value
// budget. Every operation leaves the Lua stack at the height at which it found it.
//
// Every call into the state (handlers, module bodies, console lines) runs under a time
// budget: a count hook reads a steady clock every kHookEvery instructions, and a call
// that runs past its deadline is stopped with a script error naming the file and line
// it was at. Calls nested in a call (a native calling back into Lua) share its
// deadline; reports (and a debugger waiting in one) do not count against it. The same
// hook stops a call whose heap passed its ceiling after a full collection, and every
// call once the program was asked to stop (SIGINT, SIGTERM). Scripts that stay within
// the limits run exactly as without them.
class vK_ScriptHub {
public:
    // Conversions stop descending below this many nested tables (deeper values
    // become nil / null).
    static constexpr int kMaxDepth = 256;
    // At most this many values are made by one Lua-to-data conversion; shared
    // subtables are converted once per reference, so this bounds the work.
    static constexpr int kMaxValues = 1000000;
    // Instructions between two looks at the clock, the heap and the stop flag.
    static constexpr int kHookEvery = 10000;
    static constexpr double kDefaultBudgetSeconds = 5.0;
    static constexpr size_t kDefaultCeilingBytes = size_t(1) << 30;

    vK_ScriptHub();
    virtual ~vK_ScriptHub();
    vK_ScriptHub(const vK_ScriptHub&) = delete;
    vK_ScriptHub& operator=(const vK_ScriptHub&) = delete;

    static vK_ScriptHub* Instance();

    // Creates the state, opens the standard libraries, defines __breakpoint and
    // routes math.random / math.randomseed to the engine's generator.
    bool Init();
    // For recorded and replayed runs: os.time, os.date and os.clock follow frame time from
    // the given wall clock (seconds since 1970, UTC, and the local offset from UTC) instead
    // of the machine's clock, so a replay shows what its recorded run showed.
    void UseRecordedClock(long long start, long offset);
    // Empties the deferred queue and closes the state.
    void Shutdown();
    lua_State* GetLuaState() const { return state_; }

    // Pushes exactly one value for data (nil for null or unconvertible values).
    // Returns false only when the Lua stack cannot grow (then nothing is pushed).
    bool PushData(const vK_Data* data);
    // The same onto L, a thread of this state (a native called from a coroutine).
    bool PushData(lua_State* L, const vK_Data* data);
    // Converts the top value into a new vK_Data (null for an empty stack) and pops it.
    std::unique_ptr<vK_Data> PopData();
    // Converts the value at index of L (a thread of this state) into a new vK_Data,
    // leaving the stack as it was. within names the tables (lua_topointer) that hold the
    // value, outermost first, when it is converted apart from them: they count as being
    // converted (a reference back to one becomes null) and for the depth limit.
    std::unique_ptr<vK_Data> ToData(lua_State* L, int index, std::span<const void* const> within = {});
    // The kind a Lua number converts to: kInt for integral values within 32 bits, kFloat
    // for fractional ones within FLT_MIN..FLT_MAX, kDouble for the rest.
    static int NumberTag(double x);

    void SetGlobal(const vK_Data* value, const std::string& name);
    std::unique_ptr<vK_Data> GetGlobal(const std::string& name);

    vK_DataScriptFunction CompileCode(const std::string& text);
    // Module form 1: the module's table becomes the global variable name. With file
    // (the ".lua" path) the chunk is named after it, so errors read "FILE:LINE: ...".
    void LoadModuleCode(const std::string& code, const std::string& name, const std::string& file = {});
    // Module form 2: returns the module's table as a script function value.
    vK_DataScriptFunction LoadModuleTable(const std::string& code, const std::string& name,
                                          const std::string& file = {});

    // Exposes function under every name in names (split at ';' and blanks); dotted
    // names create the nested tables.
    void RegisterFunction(const std::string& names, ScriptApiFunction function, void* context,
                          const vK_ScriptFunctionDoc& doc = {});
    // Every names string registered so far, in first-registration order (a name
    // registered again keeps its place).
    const std::vector<std::string>& GetRegisteredNames() const { return registered_; }
    // The documentation given with each names string, parallel to GetRegisteredNames (the
    // latest registration's).
    const std::vector<vK_ScriptFunctionDoc>& GetRegisteredDocs() const { return registeredDocs_; }

    // The time one outermost call may take, in seconds (0: no limit); start-up takes it
    // from "Vrakko.scriptBudget".
    void SetCallBudget(double seconds);
    double GetCallBudget() const { return budgetSeconds_; }
    // The bytes the state may hold (0: no ceiling); start-up takes it from
    // "Vrakko.scriptMemory".
    void SetMemoryCeiling(size_t bytes);
    size_t GetMemoryInUse() const;

    // Runs the function below nargs arguments on top of the stack in protected mode, with
    // the report handler and under the budget. On success its results (nresults, or all
    // for LUA_MULTRET) take the place of the function and the arguments; on failure those
    // are removed, the error is logged (and reported) and its text stored in *error.
    bool RunProtected(int nargs, int nresults, std::string* error = nullptr);
    bool CallFunction(const vK_DataScriptFunction& function, const vK_DataArray* args);
    bool CallHandler(const vK_DataScriptFunction& function, const std::string& sender, bool deferred);
    void RunDeferredHandlers();
    size_t GetDeferredCount() const { return deferred_.size(); }

    // Whether a and b refer to the same script value (raw equality).
    bool SameFunction(const vK_DataScriptFunction& a, const vK_DataScriptFunction& b);
    // Kind, chunk, function name and line of every active stack level.
    std::string GetCallStackText();

    // Where reports go instead of the mediator, while a sink is installed.
    static vK_Seam<vK_ScriptReportSink>& ReportSinkSeam();

    // The remembered object lookups of the natives that resolve lists of names.
    vK_NameLookups& NameLookups() { return *nameLookups_; }

private:
    struct DeferredCall {
        vK_ScriptHandle function;
        std::string sender;
    };
    struct PopContext;

    // Pushes the value a handle of this state refers to; false (nothing pushed)
    // for foreign or empty handles.
    bool PushHandleValue(lua_State* L, const vK_DataScriptFunction& function);
    void InstallMediatorHooks();
    void InstallObjectHooks();
    // Conversions work on any thread of the state (natives may be called from
    // coroutines); handles always keep the main state.
    bool PushValue(lua_State* L, const vK_Data* data, int depth);
    std::unique_ptr<vK_Data> PopDataFrom(lua_State* L, std::span<const void* const> within = {});
    vK_Data* PopValue(lua_State* L, PopContext& ctx, int depth);
    vK_Data* PopTable(lua_State* L, PopContext& ctx, int depth);
    void BuildAndSendReport(lua_State* L, bool breakpoint, const std::string& module, int line,
                            int first_level);
    // Sends a report with the budget of the running call held (see BudgetState).
    void SendReport(lua_State* L, vK_DataTable& report);
    // The report of an error raised without the report handler (Lua calls none for "not
    // enough memory"): the error text and an empty call stack.
    void ReportUnhandledError(const std::string& text);
    static int Dispatch(lua_State* L);
    static int ReportHandler(lua_State* L);
    // The state's one hook: line events step after a breakpoint, count events check the
    // budget, the ceiling and the stop flag.
    static void Hook(lua_State* L, lua_Debug* ar);
    void LineReport(lua_State* L, lua_Debug* ar);
    void CheckLimits(lua_State* L);
    [[noreturn]] void StopCall(lua_State* L);
    void InstallHook();
    // Runs the loaded module body on top of the stack under the budget, without an error
    // handler, keeping all results; false leaves the error value instead.
    bool RunBody();
    void ApplyLimitsFromConfig();

    // The outermost call sets the deadline; nested ones share it. When the outermost call
    // ends after a stop, the hook's pace is restored and, after a memory stop, the
    // garbage is collected.
    class BudgetScope {
    public:
        explicit BudgetScope(vK_ScriptHub& hub);
        ~BudgetScope();
        BudgetScope(const BudgetScope&) = delete;
        BudgetScope& operator=(const BudgetScope&) = delete;

    private:
        vK_ScriptHub& hub_;
    };
    // What a report puts aside while it is sent: calls its listeners make run as
    // outermost calls with budgets of their own, and the running call's deadline moves
    // on by the time the report took.
    struct BudgetState {
        static constexpr int64_t kNoDeadline = INT64_MAX;
        int depth = 0;
        int64_t deadline = 0;  // steady clock, nanoseconds
        int stop = 0;          // kStop* of the call being stopped, 0 while it runs
    };
    enum StopKind : int { kStopTime = 1, kStopMemory = 2, kStopSignal = 3 };

    std::unique_ptr<vK_LuaHeap> heap_;  // outlives state_
    lua_State* state_ = nullptr;
    std::unique_ptr<vK_NameLookups> nameLookups_;
    std::vector<DeferredCall> deferred_;
    std::vector<std::string> registered_;
    std::vector<vK_ScriptFunctionDoc> registeredDocs_;
    int reportHandlerRef_ = -1;
    bool reporting_ = false;
    double budgetSeconds_ = kDefaultBudgetSeconds;
    size_t ceilingBytes_ = kDefaultCeilingBytes;
    BudgetState budget_;
    vK_FrameStages::Registration deferredStage_;  // runs the deferred calls every frame
    // Installed by Init (the hooks only by the process-wide hub), undone by Shutdown.
    vK_Seam<vK_ScriptResolver>::Registration resolver_;
    vK_Seam<vK_MediatorScriptHooks>::Registration mediatorHooks_;
    vK_Seam<vK_ObjectScriptHooks>::Registration objectHooks_;
};
