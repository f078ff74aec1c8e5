#include "files/log_once.h"

#include <unordered_set>

#include "files/log.h"

namespace {
// More distinct causes than this are not remembered: a script that invents a new bad
// name every frame should not grow the process without bound.
constexpr size_t kMaxCauses = 4096;

std::unordered_set<std::string>& SeenCauses() {
    static auto* seen = new std::unordered_set<std::string>();
    return *seen;
}
}  // namespace

bool LogOnce(const std::string& cause, const std::string& line) {
    auto& seen = SeenCauses();
    if (seen.count(cause)) return false;
    if (seen.size() == kMaxCauses) {
        seen.insert(std::string());  // the notice's own cause: written once
        Log("Warning: %zu distinct warnings were written; later ones are not", kMaxCauses);
        return false;
    }
    if (seen.size() > kMaxCauses) return false;
    seen.insert(cause);
    Log("%s", line.c_str());
    return true;
}

void ResetLogOnce() { SeenCauses().clear(); }
