#pragma once
#include <atomic>
#include <cstdint>

// What the engine keeps alive, counted as it is made and freed. The counts are cheap
// (one relaxed atomic add), always on, and read by the leak tests and the developer
// tools: after a level switch has warmed up, every count must come back to the same
// value, whatever the level held.
enum class vK_LiveKind : int {
    Object,              // scene objects (vK_Object and every type derived from it)
    Resource,            // cached resources of every kind (vK_Resource)
    Texture,             // texture objects, including generated text textures
    DeviceTexture,       // textures on the renderer's device
    SoundSource,         // decoded or retained sound sources
    Sound,               // playing or paused sounds
    LuaRef,              // registry references held by native code into a Lua state
    ScriptSubscription,  // mediator subscriptions of script receivers
    LuaState,            // Lua states (the script host's and those of particle systems)
    Count_
};

class vK_LiveCounts {
public:
    static void Add(vK_LiveKind kind) { Slot(kind).fetch_add(1, std::memory_order_relaxed); }
    static void Remove(vK_LiveKind kind) { Slot(kind).fetch_sub(1, std::memory_order_relaxed); }
    static int64_t Get(vK_LiveKind kind) { return Slot(kind).load(std::memory_order_relaxed); }
    static const char* Name(vK_LiveKind kind);

private:
    static std::atomic<int64_t>& Slot(vK_LiveKind kind);
};

// Counts one live instance for as long as it exists; a member of the counted class.
template <vK_LiveKind K>
class vK_LiveCounted {
public:
    vK_LiveCounted() { vK_LiveCounts::Add(K); }
    vK_LiveCounted(const vK_LiveCounted&) { vK_LiveCounts::Add(K); }
    vK_LiveCounted& operator=(const vK_LiveCounted&) { return *this; }
    ~vK_LiveCounted() { vK_LiveCounts::Remove(K); }
};
