#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class vK_Resource;
class vK_Texture;

// Shares resources by name. The cache holds weak references only: a resource lives as
// long as some caller holds the returned shared reference. Expired entries are swept
// every 200 loading calls.
class vK_ResourceManager {
public:
    enum Kind : int { kTexture = 0, kFrameTexture = 1, kFont = 3 };
    static constexpr int kSweepEvery = 200;

    static vK_ResourceManager* Instance();
    vK_ResourceManager();
    ~vK_ResourceManager();
    vK_ResourceManager(const vK_ResourceManager&) = delete;
    vK_ResourceManager& operator=(const vK_ResourceManager&) = delete;

    std::shared_ptr<vK_Texture> GetTexture(const std::string& name);
    std::shared_ptr<vK_Texture> GetFrameTexture(const std::string& name);
    std::shared_ptr<vK_Resource> GetFont(const std::string& name);
    // The loading operation: cached resource, else a new one of the kind, loaded.
    std::shared_ptr<vK_Resource> GetResource(int kind, const std::string& name);
    std::shared_ptr<vK_Resource> FindResource(const std::string& name) const;
    std::shared_ptr<vK_Resource> AddResource(const std::string& name, std::shared_ptr<vK_Resource> resource);
    // Makes kind create resources through factory (fonts plug in here); kinds 0 and 1
    // are built in.
    void SetFactory(int kind, std::function<std::shared_ptr<vK_Resource>()> factory) {
        factories_[kind] = std::move(factory);
    }
    // Empties the cache (shut-down); resources held elsewhere live on.
    void Clear() { cache_.clear(); }

    void SetLoadInThread(bool inThread) { loadInThread_ = inThread; }
    bool GetLoadInThread() const { return loadInThread_; }
    size_t CacheSize() const { return cache_.size(); }
    // The names of the entries whose resource is still alive (reloading while editing
    // matches them against changed files and replaces them through AddResource).
    std::vector<std::string> CachedNames() const;
    // Erases the entries whose resource is gone (also done every kSweepEvery loading calls).
    void Sweep();

    // Backslashes become forward slashes; nothing else changes.
    static std::string Normalize(const std::string& name);

private:
    void CountCallAndSweep();

    std::map<std::string, std::weak_ptr<vK_Resource>> cache_;
    std::map<int, std::function<std::shared_ptr<vK_Resource>()>> factories_;
    bool loadInThread_ = false;
};
