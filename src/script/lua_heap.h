#pragma once
#include <cstddef>
#include <vector>

// The memory of one Lua state. Scripts make and drop many small tables, strings and
// closures every frame (a fresh table per object moved, say); the C library's malloc
// pays for each with its own bookkeeping. Blocks up to kMaxSmall bytes come from free
// lists of 16-byte size classes carved out of 64 KB chunks, which go back to the system
// when the heap goes (after lua_close); larger blocks use malloc directly.
class vK_LuaHeap {
public:
    static constexpr size_t kMaxSmall = 512;

    vK_LuaHeap() = default;
    ~vK_LuaHeap();
    vK_LuaHeap(const vK_LuaHeap&) = delete;
    vK_LuaHeap& operator=(const vK_LuaHeap&) = delete;

    // The lua_Alloc function; ud is the heap.
    static void* Alloc(void* ud, void* ptr, size_t osize, size_t nsize);

    // Bytes the state holds now (what Lua asked for, not counting the pools' slack).
    size_t GetInUse() const { return inUse_; }

private:
    static constexpr size_t kGrain = 16;
    static constexpr size_t kClasses = kMaxSmall / kGrain;
    static constexpr size_t kChunkBytes = 64 * 1024;

    struct FreeBlock {
        FreeBlock* next;
    };

    static size_t ClassOf(size_t size) { return (size + kGrain - 1) / kGrain - 1; }
    void* Take(size_t size);
    void Give(void* block, size_t size);
    void* Resize(void* block, size_t oldSize, size_t newSize);

    FreeBlock* free_[kClasses] = {};
    std::vector<void*> chunks_;
    char* chunkNext_ = nullptr;
    size_t chunkLeft_ = 0;
    size_t inUse_ = 0;
};
