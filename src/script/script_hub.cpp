#include "script/script_hub.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <lua.hpp>

#include "core/lua_random.h"
#include "core/mediator.h"
#include "core/message_ids.h"
#include "core/random.h"
#include "core/vrakko.h"
#include "files/live_counts.h"
#include "files/log.h"
#include "scene/object.h"
#include "script/lua_heap.h"
#include "script/lua_script.h"
#include "script/module_header.h"
#include "script/name_lookups.h"
#include "script/script_args.h"

namespace {
vK_ScriptHub* g_instance = nullptr;
constinit vK_Seam<vK_ScriptReportSink> g_report_sink("script report sink");

constexpr const char kBreakpointGlobal[] = "__breakpoint";
// Reports of very deep stacks (a runaway recursion) keep this many levels.
constexpr int kMaxReportLevels = 1000;

// The text of an error value: strings and numbers as Lua prints them, anything
// else by its type (error({}) raises a table).
std::string ErrorText(lua_State* L, int index) {
    int type = lua_type(L, index);
    if (type == LUA_TSTRING || type == LUA_TNUMBER) {
        size_t len = 0;
        const char* s = lua_tolstring(L, index, &len);
        return std::string(s, len);
    }
    return FormatString("(error object is a %s value)", lua_typename(L, type));
}

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

std::vector<std::string> SplitNames(const std::string& names) {
    std::vector<std::string> out;
    std::string word;
    for (char c : names) {
        if (c == ';' || c == ' ') {
            if (!word.empty()) out.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) out.push_back(word);
    return out;
}

std::vector<std::string> SplitDots(const std::string& name) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t dot = name.find('.', start);
        parts.push_back(name.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return parts;
}

// Resolves a global (or dotted) script function name for data values that name a
// handler by string.
vK_ScriptHandle ResolveGlobalFunction(const std::string& name) {
    vK_ScriptHub* hub = vK_ScriptHub::Instance();
    lua_State* L = hub ? hub->GetLuaState() : nullptr;
    if (!L || name.empty() || !lua_checkstack(L, 2)) return nullptr;
    int base = lua_gettop(L);
    lua_pushvalue(L, LUA_GLOBALSINDEX);
    for (const std::string& part : SplitDots(name)) {
        if (!lua_istable(L, -1)) {
            lua_settop(L, base);
            return nullptr;
        }
        lua_pushlstring(L, part.data(), part.size());
        lua_rawget(L, -2);
        lua_remove(L, -2);
    }
    if (!lua_isfunction(L, -1)) {
        lua_settop(L, base);
        return nullptr;
    }
    int ref = luaL_ref(L, LUA_REGISTRYINDEX);
    lua_settop(L, base);
    return std::make_shared<vK_LuaScript>(ref, L);
}
}  // namespace

// State of one Lua-to-data conversion: the tables being converted (a table met
// again while it is being converted is a cycle), the number of values made so far
// and the registry (converting it would change it under the traversal).
struct vK_ScriptHub::PopContext {
    // The tables on the path from the converted value down to the current one: at
    // most kMaxDepth, searched linearly (no allocation per table).
    std::vector<const void*> in_progress;
    const void* registry = nullptr;
    int values = 0;
    bool cut = false;
};

vK_ScriptHub::vK_ScriptHub() : nameLookups_(std::make_unique<vK_NameLookups>()) {
    g_instance = this;
    deferredStage_ = vK_FrameStages::Registration(vK_FrameStage::kDeferredCalls,
                                                  [this](vK_StageContext&) { RunDeferredHandlers(); });
    Init();
}

vK_ScriptHub::~vK_ScriptHub() {
    Shutdown();
    if (g_instance == this) g_instance = nullptr;
}

vK_ScriptHub* vK_ScriptHub::Instance() { return g_instance; }

vK_Seam<vK_ScriptReportSink>& vK_ScriptHub::ReportSinkSeam() { return g_report_sink; }

namespace {
// An error outside any protected call: Lua aborts the process after this returns.
int Panic(lua_State* L) {
    const char* message = lua_tostring(L, -1);
    Log("Error: unprotected error in a call to the script state (%s)", message ? message : "?");
    return 0;
}
}  // namespace

bool vK_ScriptHub::Init() {
    if (state_) return true;
    heap_ = std::make_unique<vK_LuaHeap>();
    state_ = lua_newstate(&vK_LuaHeap::Alloc, heap_.get());
    if (state_) lua_atpanic(state_, &Panic);
    if (!state_) {
        Log("Error: can not create the script state");
        return false;
    }
    vK_LiveCounts::Add(vK_LiveKind::LuaState);
    vK_LuaScript::MarkStateOpen(state_);
    luaL_openlibs(state_);

    lua_pushlightuserdata(state_, this);
    lua_pushcclosure(state_, &vK_ScriptHub::ReportHandler, 1);
    lua_pushvalue(state_, -1);
    lua_setfield(state_, LUA_GLOBALSINDEX, kBreakpointGlobal);
    // Protected calls use this reference, so a script that overwrites the global
    // keeps error reports working.
    reportHandlerRef_ = luaL_ref(state_, LUA_REGISTRYINDEX);
    vK_LiveCounts::Add(vK_LiveKind::LuaRef);

    lua_getfield(state_, LUA_GLOBALSINDEX, "math");
    if (lua_istable(state_, -1)) {
        lua_pushcfunction(state_, &vK_LuaRandom::Random);
        lua_setfield(state_, -2, "random");
        lua_pushcfunction(state_, &vK_LuaRandom::Seed);
        lua_setfield(state_, -2, "randomseed");
    }
    lua_pop(state_, 1);

    resolver_ = ScriptResolverSeam().Install(&ResolveGlobalFunction);
    if (g_instance == this) {
        InstallMediatorHooks();
        InstallObjectHooks();
    }
    return true;
}

void vK_ScriptHub::Shutdown() {
    deferred_.clear();
    if (!state_) return;
    resolver_.Reset();
    mediatorHooks_.Reset();
    objectHooks_.Reset();
    vK_LuaScript::MarkStateClosed(state_);
    lua_close(state_);
    heap_.reset();
    vK_LiveCounts::Remove(vK_LiveKind::LuaState);
    if (reportHandlerRef_ >= 0) vK_LiveCounts::Remove(vK_LiveKind::LuaRef);
    state_ = nullptr;
    reportHandlerRef_ = -1;
}

// The mediator reaches script subscribers through these: the process-wide hub calls
// them, compares them and sets the message-name globals.
void vK_ScriptHub::InstallMediatorHooks() {
    vK_MediatorScriptHooks hooks;
    hooks.call = [](const vK_DataScriptFunction& fn, vK_DataArray& args) {
        if (vK_ScriptHub* hub = Instance()) hub->CallFunction(fn, &args);
    };
    hooks.same = [](const vK_DataScriptFunction& a, const vK_DataScriptFunction& b) {
        vK_ScriptHub* hub = Instance();
        return hub ? hub->SameFunction(a, b) : a.GetHandle() == b.GetHandle();
    };
    hooks.set_global = [](const std::string& name) {
        if (vK_ScriptHub* hub = Instance()) {
            vK_DataString value(name);
            hub->SetGlobal(&value, name);
        }
    };
    mediatorHooks_ = vK_Mediator::ScriptHookSeam().Install(hooks);
}

// Objects queue their event, timer, grid and animation handlers through these and
// compile handler text given as a property.
void vK_ScriptHub::InstallObjectHooks() {
    vK_ObjectScriptHooks hooks;
    hooks.queue = [](const vK_DataScriptFunction& handler, const std::string& sender) {
        vK_ScriptHub* hub = Instance();
        return hub != nullptr && hub->CallHandler(handler, sender, true);
    };
    hooks.compile = [](const std::string& code) {
        vK_ScriptHub* hub = Instance();
        return hub ? hub->CompileCode(code).GetHandle() : vK_ScriptHandle();
    };
    objectHooks_ = vK_Object::ScriptHookSeam().Install(hooks);
}

// ---- Conversions ----------------------------------------------------------------

bool vK_ScriptHub::PushData(const vK_Data* data) { return state_ && PushData(state_, data); }

bool vK_ScriptHub::PushData(lua_State* L, const vK_Data* data) {
    if (!state_) return false;
    if (!lua_checkstack(L, 1)) {
        Log("Error: script stack overflow while converting a value");
        return false;
    }
    return PushValue(L, data, 0);
}

bool vK_ScriptHub::PushHandleValue(lua_State* L, const vK_DataScriptFunction& function) {
    const auto* script = dynamic_cast<const vK_LuaScript*>(function.GetHandle().get());
    if (!script || !state_ || script->GetState() != state_ || script->IsEmpty()) return false;
    lua_rawgeti(L, LUA_REGISTRYINDEX, script->GetReference());
    return true;
}

// The caller guarantees one free stack slot; containers reserve what they need.
bool vK_ScriptHub::PushValue(lua_State* L, const vK_Data* data, int depth) {
    if (!data) {
        lua_pushnil(L);
        return true;
    }
    switch (data->GetTag()) {
        case vK_Data::kScriptFunction:
            if (!PushHandleValue(L, *static_cast<const vK_DataScriptFunction*>(data))) lua_pushnil(L);
            return true;
        case vK_Data::kInt:
            lua_pushnumber(L, data->GetInt());
            return true;
        case vK_Data::kLong:
            lua_pushnumber(L, static_cast<double>(data->GetLong()));
            return true;
        case vK_Data::kFloat:
        case vK_Data::kDouble:
            lua_pushnumber(L, data->GetDouble());
            return true;
        case vK_Data::kBool:
            lua_pushboolean(L, data->GetBool());
            return true;
        case vK_Data::kString: {
            const std::string& s = static_cast<const vK_DataString*>(data)->Value();
            lua_pushlstring(L, s.data(), s.size());
            return true;
        }
        case vK_Data::kArray: {
            const vK_DataArray* array = data->AsArray();
            if (depth >= kMaxDepth || !lua_checkstack(L, 3)) break;
            lua_createtable(L, static_cast<int>(std::min<size_t>(array->Size(), INT32_MAX)), 0);
            int index = 1;
            for (const vK_Data* item : *array) {
                PushValue(L, item, depth + 1);
                lua_rawseti(L, -2, index++);
            }
            return true;
        }
        case vK_Data::kTable: {
            const vK_DataTable* table = data->AsTable();
            if (depth >= kMaxDepth || !lua_checkstack(L, 3)) break;
            lua_createtable(L, 0, static_cast<int>(std::min<size_t>(table->Size(), INT32_MAX)));
            for (const auto& [key, value] : *table) {
                lua_pushlstring(L, key.data(), key.size());
                PushValue(L, value, depth + 1);
                lua_rawset(L, -3);
            }
            return true;
        }
        default:
            break;
    }
    lua_pushnil(L);
    return true;
}

std::unique_ptr<vK_Data> vK_ScriptHub::PopData() {
    if (!state_) return std::make_unique<vK_Data>();
    return PopDataFrom(state_);
}

std::unique_ptr<vK_Data> vK_ScriptHub::PopDataFrom(lua_State* L, std::span<const void* const> within) {
    if (lua_gettop(L) == 0) return std::make_unique<vK_Data>();
    PopContext ctx;
    ctx.in_progress.assign(within.begin(), within.end());
    if (lua_checkstack(L, 1)) {
        lua_pushvalue(L, LUA_REGISTRYINDEX);
        ctx.registry = lua_topointer(L, -1);
        lua_pop(L, 1);
    }
    std::unique_ptr<vK_Data> result(PopValue(L, ctx, static_cast<int>(within.size())));
    if (ctx.cut) Log("Warning: script value too deep or too large, the rest was left out");
    return result;
}

int vK_ScriptHub::NumberTag(double x) {
    double whole = 0;
    if (std::modf(x, &whole) != 0.0)  // NaN counts as fractional
        return x >= FLT_MIN && x <= FLT_MAX ? vK_Data::kFloat : vK_Data::kDouble;
    // Integral values beyond 32 bits keep their value as a double.
    return x >= INT32_MIN && x <= INT32_MAX ? vK_Data::kInt : vK_Data::kDouble;
}

std::unique_ptr<vK_Data> vK_ScriptHub::ToData(lua_State* L, int index, std::span<const void* const> within) {
    if (!state_ || !lua_checkstack(L, 1)) return std::make_unique<vK_Data>();
    lua_pushvalue(L, index);
    return PopDataFrom(L, within);
}

vK_Data* vK_ScriptHub::PopValue(lua_State* L, PopContext& ctx, int depth) {
    if (++ctx.values > kMaxValues) {
        ctx.cut = true;
        lua_pop(L, 1);
        return new vK_Data();
    }
    vK_Data* result = nullptr;
    switch (lua_type(L, -1)) {
        case LUA_TBOOLEAN:
            result = new vK_DataBool(lua_toboolean(L, -1) != 0);
            break;
        case LUA_TNUMBER: {
            const double x = lua_tonumber(L, -1);
            switch (NumberTag(x)) {
                case vK_Data::kInt:
                    result = new vK_DataInt(static_cast<int32_t>(x));
                    break;
                case vK_Data::kFloat:
                    result = new vK_DataFloat(static_cast<float>(x));
                    break;
                default:
                    result = new vK_DataDouble(x);
            }
            break;
        }
        case LUA_TSTRING: {
            size_t len = 0;
            const char* s = lua_tolstring(L, -1, &len);
            result = new vK_DataString(std::string(s, len));
            break;
        }
        case LUA_TTABLE:
            return PopTable(L, ctx, depth);
        case LUA_TFUNCTION: {
            int ref = luaL_ref(L, LUA_REGISTRYINDEX);  // pops the function
            return new vK_DataScriptFunction(std::make_shared<vK_LuaScript>(ref, state_));
        }
        default:
            break;
    }
    lua_pop(L, 1);
    return result ? result : new vK_Data();
}

vK_Data* vK_ScriptHub::PopTable(lua_State* L, PopContext& ctx, int depth) {
    const void* self = lua_topointer(L, -1);
    if (depth >= kMaxDepth || !lua_checkstack(L, 3)) {
        ctx.cut = true;
        lua_pop(L, 1);
        return new vK_Data();
    }
    // A table met again while it is being converted (a cycle) and the registry
    // (which converting functions changes) become null.
    if (self == ctx.registry ||
        std::find(ctx.in_progress.begin(), ctx.in_progress.end(), self) != ctx.in_progress.end()) {
        lua_pop(L, 1);
        return new vK_Data();
    }
    ctx.in_progress.push_back(self);

    lua_pushnil(L);
    if (lua_next(L, -2) == 0) {
        lua_pop(L, 1);
        ctx.in_progress.pop_back();
        return new vK_DataTable();
    }
    // Stack: table, key, value.
    vK_Data* result = nullptr;
    if (lua_type(L, -2) == LUA_TSTRING) {
        auto* table = new vK_DataTable();
        do {
            std::string key;
            int key_type = lua_type(L, -2);
            if (key_type == LUA_TSTRING) {
                size_t len = 0;
                const char* s = lua_tolstring(L, -2, &len);
                key.assign(s, len);
            } else if (key_type == LUA_TNUMBER) {
                // Lua's own number format, computed without touching the key.
                key = FormatNumber(lua_tonumber(L, -2), false, 14);
            } else {
                lua_pop(L, 1);  // keys that are neither strings nor numbers are left out
                continue;
            }
            table->Set(key, PopValue(L, ctx, depth + 1));
        } while (lua_next(L, -2) != 0);
        result = table;
    } else {
        // Arrays come back in key order: number keys ascending, then any other keys
        // in traversal order, whatever order the table walk gives. A walk that yields
        // 1, 2, 3, ... (Lua's array part) needs no sorting; the items are sorted only
        // when a key came out of that order.
        struct Item {
            bool numeric;
            double key;
            std::unique_ptr<vK_Data> value;
        };
        std::vector<Item, vK_PoolAllocator<Item>> items;
        items.reserve(lua_objlen(L, -3));
        bool in_order = true;
        do {
            bool numeric = lua_type(L, -2) == LUA_TNUMBER;
            double key = numeric ? lua_tonumber(L, -2) : 0.0;
            in_order = in_order && numeric && key == static_cast<double>(items.size() + 1);
            items.push_back(Item{numeric, key, std::unique_ptr<vK_Data>(PopValue(L, ctx, depth + 1))});
        } while (lua_next(L, -2) != 0);
        if (!in_order) {
            std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
                if (a.numeric != b.numeric) return a.numeric;
                return a.numeric && a.key < b.key;
            });
        }
        auto* array = new vK_DataArray();
        array->Reserve(items.size());
        for (Item& item : items) array->Push(std::move(item.value));
        result = array;
    }
    lua_pop(L, 1);
    ctx.in_progress.pop_back();
    return result;
}

void vK_ScriptHub::SetGlobal(const vK_Data* value, const std::string& name) {
    if (!state_ || !lua_checkstack(state_, 2)) return;
    lua_pushlstring(state_, name.data(), name.size());
    if (!PushValue(state_, value, 0)) lua_pushnil(state_);
    lua_rawset(state_, LUA_GLOBALSINDEX);
}

std::unique_ptr<vK_Data> vK_ScriptHub::GetGlobal(const std::string& name) {
    if (!state_ || !lua_checkstack(state_, 1)) return std::make_unique<vK_Data>();
    lua_pushlstring(state_, name.data(), name.size());
    lua_rawget(state_, LUA_GLOBALSINDEX);
    return PopData();
}

// ---- Compilation and modules ------------------------------------------------------

vK_DataScriptFunction vK_ScriptHub::CompileCode(const std::string& text) {
    return vK_DataScriptFunction(std::make_shared<vK_LuaScript>(text, state_));
}

namespace {
// Lua names a chunk "@PATH" in its messages as "PATH:LINE:"; without a file the
// module's name stands in, as "[string "NAME"]:LINE:".
std::string ChunkName(const std::string& name, const std::string& file) {
    return file.empty() ? name : "@" + file;
}
}  // namespace

void vK_ScriptHub::LoadModuleCode(const std::string& code, const std::string& name, const std::string& file) {
    if (!state_ || !lua_checkstack(state_, 2)) return;
    const std::string text = WrapModuleCode(code, name);
    const std::string chunk = ChunkName(name, file);
    int base = lua_gettop(state_);
    if (luaL_loadbuffer(state_, text.data(), text.size(), chunk.c_str()) != 0) {
        Log("Error: module %s try to compile - lua error: %s", name.c_str(), ErrorText(state_, -1).c_str());
    } else if (lua_pcall(state_, 0, LUA_MULTRET, 0) != 0) {
        Log("Error: module %s failed to run - lua error: %s", name.c_str(), ErrorText(state_, -1).c_str());
    }
    lua_settop(state_, base);
}

vK_DataScriptFunction vK_ScriptHub::LoadModuleTable(const std::string& code, const std::string& name,
                                                    const std::string& file) {
    if (!state_ || !lua_checkstack(state_, 2)) return vK_DataScriptFunction();
    const std::string text = WrapModuleCode(code, std::string());
    const std::string chunk = ChunkName(name, file);
    int base = lua_gettop(state_);
    if (luaL_loadbuffer(state_, text.data(), text.size(), chunk.c_str()) != 0) {
        Log("Error: module %s try to compile - lua error: %s", name.c_str(), ErrorText(state_, -1).c_str());
        lua_settop(state_, base);
        return vK_DataScriptFunction();
    }
    if (lua_pcall(state_, 0, LUA_MULTRET, 0) != 0) {
        Log("Error: module %s failed to run - lua error: %s", name.c_str(), ErrorText(state_, -1).c_str());
        lua_settop(state_, base);
        return vK_DataScriptFunction();
    }
    if (lua_gettop(state_) == base) return vK_DataScriptFunction();
    lua_settop(state_, base + 1);
    int ref = luaL_ref(state_, LUA_REGISTRYINDEX);
    lua_settop(state_, base);
    if (ref < 0) return vK_DataScriptFunction();
    return vK_DataScriptFunction(std::make_shared<vK_LuaScript>(ref, state_));
}

// ---- Native functions -------------------------------------------------------------

void vK_ScriptHub::RegisterFunction(const std::string& names, ScriptApiFunction function, void* context,
                                    const vK_ScriptFunctionDoc& doc) {
    if (!state_ || !function || !lua_checkstack(state_, 6)) return;
    lua_State* L = state_;
    int base = lua_gettop(L);
    lua_pushlightuserdata(L, reinterpret_cast<void*>(function));
    lua_pushlightuserdata(L, context);
    lua_pushlightuserdata(L, this);
    lua_pushcclosure(L, &vK_ScriptHub::Dispatch, 3);
    int closure = lua_gettop(L);
    const auto known = std::find(registered_.begin(), registered_.end(), names);
    if (known == registered_.end()) {
        registered_.push_back(names);
        registeredDocs_.push_back(doc);
    } else {
        registeredDocs_[static_cast<size_t>(known - registered_.begin())] = doc;
    }

    for (const std::string& name : SplitNames(names)) {
        std::vector<std::string> parts = SplitDots(name);
        bool valid = true;
        for (const std::string& part : parts) valid = valid && !part.empty();
        if (!valid) {
            Log("Error: can not register script function '%s': bad name", name.c_str());
            continue;
        }
        // Walk (and make) the tables with raw access, so metatables and values that
        // scripts stored under the same names cannot raise errors here.
        lua_pushvalue(L, LUA_GLOBALSINDEX);
        for (size_t i = 0; valid && i + 1 < parts.size(); ++i) {
            lua_pushlstring(L, parts[i].data(), parts[i].size());
            lua_rawget(L, -2);
            if (lua_isnil(L, -1)) {
                lua_pop(L, 1);
                lua_newtable(L);
                lua_pushlstring(L, parts[i].data(), parts[i].size());
                lua_pushvalue(L, -2);
                lua_rawset(L, -4);
            } else if (!lua_istable(L, -1)) {
                Log("Error: can not register script function '%s': '%s' is not a table", name.c_str(),
                    parts[i].c_str());
                valid = false;
            }
            lua_remove(L, -2);
        }
        if (valid) {
            lua_pushlstring(L, parts.back().data(), parts.back().size());
            lua_pushvalue(L, closure);
            lua_rawset(L, -3);
        }
        lua_pop(L, 1);
    }
    lua_settop(L, base);
}

// The body of every registered function. It makes only non-raising API calls, so
// the arguments' values and the results are always destroyed normally.
int vK_ScriptHub::Dispatch(lua_State* L) {
    auto function = reinterpret_cast<ScriptApiFunction>(lua_touserdata(L, lua_upvalueindex(1)));
    void* context = lua_touserdata(L, lua_upvalueindex(2));
    auto* hub = static_cast<vK_ScriptHub*>(lua_touserdata(L, lua_upvalueindex(3)));
    if (!function || !hub || !hub->state_) return 0;

    const int base = lua_gettop(L);
    const vK_ScriptArgs args(*hub, L, base);
    vK_DataArray results;
    function(args, context, results);
    if (!hub->state_) return 0;  // the state was closed by the native function

    // Values the native pushed itself come first.
    int pushed = std::max(0, lua_gettop(L) - base);
    for (const vK_Data* value : results) {
        if (!lua_checkstack(L, 1)) {
            Log("Error: script stack overflow while returning results");
            break;
        }
        hub->PushValue(L, value, 0);
        ++pushed;
    }
    return pushed;
}

// ---- Protected calls ----------------------------------------------------------------

bool vK_ScriptHub::CallFunction(const vK_DataScriptFunction& function, const vK_DataArray* args) {
    if (!state_ || function.IsEmpty()) return false;
    lua_State* L = state_;
    int nargs = args ? static_cast<int>(args->Size()) : 0;
    if (!lua_checkstack(L, 2 + nargs)) {
        Log("Error: script stack overflow while calling a script function");
        return false;
    }
    int base = lua_gettop(L);
    lua_rawgeti(L, LUA_REGISTRYINDEX, reportHandlerRef_);
    if (!PushHandleValue(L, function) || !lua_isfunction(L, -1)) {
        lua_settop(L, base);
        return false;
    }
    if (args) {
        for (const vK_Data* arg : *args) PushValue(L, arg, 0);
    }
    bool ok = lua_pcall(L, nargs, LUA_MULTRET, base + 1) == 0;
    if (!ok) Log("Error: you try to execute code - lua error: %s", ErrorText(L, -1).c_str());
    // The hub may have been shut down by the script (through a native function).
    if (state_ == L) lua_settop(L, base);
    return ok;
}

bool vK_ScriptHub::CallHandler(const vK_DataScriptFunction& function, const std::string& sender,
                               bool deferred) {
    if (function.IsEmpty()) return false;
    if (deferred) {
        deferred_.push_back(DeferredCall{function.GetHandle(), sender});
        return true;
    }
    vK_DataArray args;
    args.PushTable()->SetString("sender", sender);
    return CallFunction(function, &args);
}

void vK_ScriptHub::RunDeferredHandlers() {
    if (deferred_.empty()) return;
    std::vector<DeferredCall> queue;
    queue.swap(deferred_);
    for (const DeferredCall& call : queue)
        CallHandler(vK_DataScriptFunction(call.function), call.sender, false);
}

bool vK_ScriptHub::SameFunction(const vK_DataScriptFunction& a, const vK_DataScriptFunction& b) {
    if (a.GetHandle() == b.GetHandle()) return true;
    if (!state_ || !lua_checkstack(state_, 2)) return false;
    int base = lua_gettop(state_);
    bool same = PushHandleValue(state_, a) && PushHandleValue(state_, b) && lua_rawequal(state_, -1, -2);
    lua_settop(state_, base);
    return same;
}

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
    // A script that listens to reports and fails itself is not reported again:
    // its error is logged, and the nested report is dropped instead of recursing.
    reporting_ = true;
    if (const vK_ScriptReportSink sink = g_report_sink.Get()) {
        sink(report);
    } else if (vK_Mediator* mediator = vK_Mediator::Instance()) {
        mediator->Send(MSG_Event_Vrakko_ScriptHub_Script_Error, &report);
    }
    reporting_ = false;
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
            lua_sethook(L, &vK_ScriptHub::LineHook, LUA_MASKLINE, 0);
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
void vK_ScriptHub::LineHook(lua_State* L, lua_Debug* ar) {
    vK_ScriptHub* hub = Instance();
    if (!hub || !hub->state_ || hub->reporting_ || !ar) return;
    std::string module;
    if (lua_getinfo(L, "S", ar)) module = SourceName(ar->source);
    hub->BuildAndSendReport(L, true, module, ar->currentline, 0);
}
