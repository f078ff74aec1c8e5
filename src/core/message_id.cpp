#include "core/message_id.h"

#include <map>

namespace {
// Made on first use so that static ids in any translation unit find it ready; it
// outlives every id constructed after it.
std::map<std::string, vK_MessageId*>& Registry() {
    static std::map<std::string, vK_MessageId*> registry;
    return registry;
}
}  // namespace

vK_MessageId::vK_MessageId(std::string name) : name_(std::move(name)) { Registry()[name_] = this; }

vK_MessageId::vK_MessageId(std::string name, const char* payload, const char* description)
    : name_(std::move(name)), payload_(payload), description_(description) {
    Registry()[name_] = this;
}

vK_MessageId::~vK_MessageId() {
    // Only the mapping that still points here is removed: an id whose name was
    // taken over by a later id must not erase that later id's entry.
    auto& registry = Registry();
    auto it = registry.find(name_);
    if (it != registry.end() && it->second == this) registry.erase(it);
}

vK_MessageId* vK_MessageId::Find(const std::string& name) {
    auto& registry = Registry();
    auto it = registry.find(name);
    return it == registry.end() ? nullptr : it->second;
}

std::vector<std::string> vK_MessageId::RegisteredNames() {
    std::vector<std::string> names;
    for (const auto& [name, id] : Registry()) names.push_back(name);
    return names;
}
