#include "data/small_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

// Blocks of every size are 16-byte aligned, hold their bytes independently of
// each other, and survive being freed and reused in any order.
TEST(SmallPool, BlocksAreAlignedDistinctAndReusable) {
    std::vector<std::pair<unsigned char*, size_t>> blocks;
    for (int round = 0; round < 3; ++round) {
        for (size_t size = 1; size <= kSmallPoolMax + 40; size += 7) {
            auto* p = static_cast<unsigned char*>(SmallPoolAlloc(size));
            ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
            std::memset(p, static_cast<int>(size & 0xFF), size);
            blocks.emplace_back(p, size);
        }
        for (const auto& [p, size] : blocks) {
            for (size_t i = 0; i < size; ++i) ASSERT_EQ(p[i], static_cast<unsigned char>(size & 0xFF));
        }
        // Free every other block, keep the rest for the next round.
        std::vector<std::pair<unsigned char*, size_t>> kept;
        for (size_t i = 0; i < blocks.size(); ++i) {
            if (i % 2) {
                SmallPoolFree(blocks[i].first, blocks[i].second);
            } else {
                kept.push_back(blocks[i]);
            }
        }
        blocks.swap(kept);
    }
    for (const auto& [p, size] : blocks) SmallPoolFree(p, size);
}
