#pragma once
#include <cstddef>
#include <new>

// Fast allocation of the many small blocks a data tree is made of (values, table
// nodes, short element vectors). Blocks of up to kSmallPoolMax bytes come from
// per-thread free lists carved out of larger chunks; freed blocks go back to the
// freeing thread's list and are reused, never returned to the system. Larger blocks
// use the global operator new. In sanitizer builds every block uses operator new so
// that AddressSanitizer keeps watching each one.
constexpr size_t kSmallPoolMax = 128;

void* SmallPoolAlloc(size_t size);
void SmallPoolFree(void* block, size_t size) noexcept;

// A standard allocator over the pool, for containers inside data values.
template <typename T>
struct vK_PoolAllocator {
    using value_type = T;
    vK_PoolAllocator() noexcept = default;
    template <typename U>
    vK_PoolAllocator(const vK_PoolAllocator<U>&) noexcept {}
    T* allocate(size_t n) { return static_cast<T*>(SmallPoolAlloc(n * sizeof(T))); }
    void deallocate(T* p, size_t n) noexcept { SmallPoolFree(p, n * sizeof(T)); }
    template <typename U>
    bool operator==(const vK_PoolAllocator<U>&) const noexcept {
        return true;
    }
};
