#pragma once
#include <cstddef>
#include <vector>

// The memory of one Lua state. Scripts make and drop many small tables, strings and
// closures every frame (a fresh table per object moved, say); the C library's malloc
// pays for each with its own bookkeeping. Blocks up to kMaxSmall bytes come from free
// lists of 16-byte size classes carved out of 64 KB chunks, which go back to the system
// when the heap goes (after lua_close); larger blocks use malloc directly.
//
// A ceiling bounds what a runaway script can take: past it the script host stops the
// running call (it asks IsOverCeiling every few thousand instructions), and an
// allocation that would pass it by more than a quarter is refused outright, which
// Lua raises as "not enough memory" where it happens.
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

    // 0: no ceiling.
    void SetCeiling(size_t bytes) { ceiling_ = bytes; }
    size_t GetCeiling() const { return ceiling_; }
    bool IsOverCeiling() const { return ceiling_ != 0 && inUse_ > ceiling_; }

private:
    static constexpr size_t kGrain = 16;
    static constexpr size_t kClasses = kMaxSmall / kGrain;
    static constexpr size_t kChunkBytes = 64 * 1024;

    struct FreeBlock {
        FreeBlock* next;
    };

    static size_t ClassOf(size_t size) { return (size + kGrain - 1) / kGrain - 1; }
    // Whether growing the held bytes by grow stays within the refusal limit.
    bool MayGrow(size_t grow) const { return ceiling_ == 0 || inUse_ + grow <= ceiling_ + ceiling_ / 4; }
    void* Take(size_t size);
    void Give(void* block, size_t size);
    void* Resize(void* block, size_t oldSize, size_t newSize);

    FreeBlock* free_[kClasses] = {};
    std::vector<void*> chunks_;
    char* chunkNext_ = nullptr;
    size_t chunkLeft_ = 0;
    size_t inUse_ = 0;
    size_t ceiling_ = 0;
};
