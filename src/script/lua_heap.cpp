#include "script/lua_heap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

// Under AddressSanitizer the blocks on the free lists are poisoned, so a use after
// free inside the state is still caught.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VRAKKO_LUA_HEAP_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VRAKKO_LUA_HEAP_ASAN 1
#endif
#ifdef VRAKKO_LUA_HEAP_ASAN
#include <sanitizer/asan_interface.h>
#define POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define POISON(p, n) ((void)(p), (void)(n))
#define UNPOISON(p, n) ((void)(p), (void)(n))
#endif

vK_LuaHeap::~vK_LuaHeap() {
    for (void* chunk : chunks_) {
        UNPOISON(chunk, kChunkBytes);
        std::free(chunk);
    }
}

void* vK_LuaHeap::Alloc(void* ud, void* ptr, size_t osize, size_t nsize) {
    auto* heap = static_cast<vK_LuaHeap*>(ud);
    if (nsize == 0) {
        if (ptr) heap->Give(ptr, osize);
        return nullptr;
    }
    if (!ptr) return heap->Take(nsize);
    return heap->Resize(ptr, osize, nsize);
}

void* vK_LuaHeap::Take(size_t size) {
    if (!MayGrow(size)) return nullptr;
    if (size > kMaxSmall) {
        void* block = std::malloc(size);
        if (block) inUse_ += size;
        return block;
    }
    const size_t cls = ClassOf(size), bytes = (cls + 1) * kGrain;
    void* block = nullptr;
    if (FreeBlock* head = free_[cls]) {
        UNPOISON(head, bytes);
        free_[cls] = head->next;
        block = head;
    } else {
        if (chunkLeft_ < bytes) {
            // The rest of the old chunk stays unused; at most kMaxSmall bytes of each.
            void* chunk = std::malloc(kChunkBytes);
            if (!chunk) return nullptr;
            chunks_.push_back(chunk);
            chunkNext_ = static_cast<char*>(chunk);
            chunkLeft_ = kChunkBytes;
        }
        block = chunkNext_;
        chunkNext_ += bytes;
        chunkLeft_ -= bytes;
    }
    inUse_ += size;
    return block;
}

void vK_LuaHeap::Give(void* block, size_t size) {
    inUse_ -= size;
    if (size > kMaxSmall) {
        std::free(block);
        return;
    }
    const size_t cls = ClassOf(size);
    auto* node = static_cast<FreeBlock*>(block);
    node->next = free_[cls];
    free_[cls] = node;
    POISON(block, (cls + 1) * kGrain);
}

void* vK_LuaHeap::Resize(void* block, size_t oldSize, size_t newSize) {
    if (newSize > oldSize && !MayGrow(newSize - oldSize)) return nullptr;
    if (oldSize > kMaxSmall && newSize > kMaxSmall) {
        void* grown = std::realloc(block, newSize);
        if (grown) inUse_ = inUse_ - oldSize + newSize;
        return grown;
    }
    if (oldSize <= kMaxSmall && newSize <= kMaxSmall && ClassOf(oldSize) == ClassOf(newSize)) {
        inUse_ = inUse_ - oldSize + newSize;
        return block;
    }
    // Lua treats a failed resize as out of memory and keeps the old block.
    void* moved = Take(newSize);
    if (!moved) return nullptr;
    std::memcpy(moved, block, std::min(oldSize, newSize));
    Give(block, oldSize);
    return moved;
}
