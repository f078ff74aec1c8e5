#include "data/small_pool.h"

#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#define VRAKKO_POOL_OFF 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VRAKKO_POOL_OFF 1
#endif
#endif

#ifdef VRAKKO_POOL_OFF

void* SmallPoolAlloc(size_t size) { return ::operator new(size); }
void SmallPoolFree(void* block, size_t) noexcept { ::operator delete(block); }

#else

namespace {

constexpr size_t kGrain = 16;
constexpr size_t kClasses = kSmallPoolMax / kGrain;
constexpr size_t kChunkBytes = 64 * 1024;

struct FreeBlock {
    FreeBlock* next;
};

// Plain thread-local data (no constructor or destructor), so it stays usable
// while static objects are destroyed.
thread_local FreeBlock* t_free[kClasses];
thread_local char* t_chunk_next;
thread_local char* t_chunk_end;

inline size_t ClassOf(size_t size) { return (size + kGrain - 1) / kGrain - 1; }

void* Carve(size_t class_index) {
    const size_t block = (class_index + 1) * kGrain;
    if (static_cast<size_t>(t_chunk_end - t_chunk_next) < block) {
        // The rest of the old chunk goes to the free lists of the sizes it fits.
        while (static_cast<size_t>(t_chunk_end - t_chunk_next) >= kGrain) {
            const size_t left = static_cast<size_t>(t_chunk_end - t_chunk_next);
            const size_t c = ClassOf(left > kSmallPoolMax ? kSmallPoolMax : (left / kGrain) * kGrain);
            auto* b = reinterpret_cast<FreeBlock*>(t_chunk_next);
            b->next = t_free[c];
            t_free[c] = b;
            t_chunk_next += (c + 1) * kGrain;
        }
        t_chunk_next = static_cast<char*>(::operator new(kChunkBytes));
        t_chunk_end = t_chunk_next + kChunkBytes;
    }
    void* result = t_chunk_next;
    t_chunk_next += block;
    return result;
}

}  // namespace

void* SmallPoolAlloc(size_t size) {
    if (size == 0 || size > kSmallPoolMax) return ::operator new(size);
    const size_t c = ClassOf(size);
    if (FreeBlock* b = t_free[c]) {
        t_free[c] = b->next;
        // Freed blocks are usually cold: fetch the next one's link while the
        // caller works, so that the next allocation of this size does not wait.
        __builtin_prefetch(b->next);
        return b;
    }
    return Carve(c);
}

void SmallPoolFree(void* block, size_t size) noexcept {
    if (!block) return;
    if (size == 0 || size > kSmallPoolMax) {
        ::operator delete(block);
        return;
    }
    auto* b = static_cast<FreeBlock*>(block);
    const size_t c = ClassOf(size);
    b->next = t_free[c];
    t_free[c] = b;
}

#endif
