#include "files/live_counts.h"

namespace {
std::atomic<int64_t> g_counts[static_cast<int>(vK_LiveKind::Count_)];
}  // namespace

std::atomic<int64_t>& vK_LiveCounts::Slot(vK_LiveKind kind) { return g_counts[static_cast<int>(kind)]; }

const char* vK_LiveCounts::Name(vK_LiveKind kind) {
    static const char* const kNames[] = {
        "objects",       "resources", "textures",       "device textures",
        "sound sources", "sounds",    "lua references", "script subscriptions",
        "lua states"};
    static_assert(sizeof(kNames) / sizeof(kNames[0]) == static_cast<int>(vK_LiveKind::Count_));
    return kNames[static_cast<int>(kind)];
}
