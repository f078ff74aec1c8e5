#include "graphics/resource_manager.h"

#include <algorithm>

#include "graphics/frame_texture.h"
#include "graphics/texture_impl.h"

namespace {
vK_ResourceManager* g_resources = nullptr;
int g_loadCalls = 0;  // shared by every manager
}  // namespace

vK_ResourceManager* vK_ResourceManager::Instance() { return g_resources; }

vK_ResourceManager::vK_ResourceManager() { g_resources = this; }

vK_ResourceManager::~vK_ResourceManager() {
    if (g_resources == this) g_resources = nullptr;
}

std::string vK_ResourceManager::Normalize(const std::string& name) {
    std::string out = name;
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

void vK_ResourceManager::CountCallAndSweep() {
    if (++g_loadCalls < kSweepEvery) return;
    g_loadCalls = 0;
    for (auto it = cache_.begin(); it != cache_.end();)
        it = it->second.expired() ? cache_.erase(it) : std::next(it);
}

std::shared_ptr<vK_Resource> vK_ResourceManager::GetResource(int kind, const std::string& name) {
    CountCallAndSweep();
    if (name.empty()) return {};
    const std::string key = Normalize(name);
    auto found = cache_.find(key);
    if (found != cache_.end()) {
        if (std::shared_ptr<vK_Resource> alive = found->second.lock()) return alive;
    }
    std::shared_ptr<vK_Resource> resource;
    switch (kind) {
        case kTexture:
            resource = std::make_shared<vK_Texture_Impl>();
            break;
        case kFrameTexture:
            resource = std::make_shared<vK_FrameTexture>();
            break;
        default: {
            auto factory = factories_.find(kind);
            if (factory != factories_.end() && factory->second) resource = factory->second();
        }
    }
    if (!resource) return {};
    resource->SetLoadInThread(loadInThread_);
    if (!resource->Load(key)) return {};
    cache_[key] = resource;
    return resource;
}

std::shared_ptr<vK_Texture> vK_ResourceManager::GetTexture(const std::string& name) {
    return std::static_pointer_cast<vK_Texture>(GetResource(kTexture, name));
}

std::shared_ptr<vK_Texture> vK_ResourceManager::GetFrameTexture(const std::string& name) {
    return std::static_pointer_cast<vK_Texture>(GetResource(kFrameTexture, name));
}

std::shared_ptr<vK_Resource> vK_ResourceManager::GetFont(const std::string& name) {
    return GetResource(kFont, name);
}

std::shared_ptr<vK_Resource> vK_ResourceManager::FindResource(const std::string& name) const {
    auto found = cache_.find(Normalize(name));
    return found == cache_.end() ? nullptr : found->second.lock();
}

std::shared_ptr<vK_Resource> vK_ResourceManager::AddResource(const std::string& name,
                                                             std::shared_ptr<vK_Resource> resource) {
    if (!resource) return {};
    cache_[Normalize(name)] = resource;
    return resource;
}

std::vector<std::string> vK_ResourceManager::CachedNames() const {
    std::vector<std::string> names;
    for (const auto& [name, resource] : cache_)
        if (!resource.expired()) names.push_back(name);
    return names;
}
