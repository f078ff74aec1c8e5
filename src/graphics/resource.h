#pragma once
#include <string>

#include "files/live_counts.h"

// Base of every cached resource (textures, fonts, animation data, grids). The resource
// manager creates a resource, copies its load-in-thread flag into it and calls Load.
class vK_Resource {
public:
    vK_Resource() : name_("vk_dummyres") {}
    virtual ~vK_Resource() = default;
    vK_Resource(const vK_Resource&) = delete;
    vK_Resource& operator=(const vK_Resource&) = delete;

    // Loads the resource named name (a path without extension, relative to the asset root).
    virtual bool Load(const std::string& name) = 0;

    const std::string& GetName() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    bool GetLoadInThread() const { return loadInThread_; }
    void SetLoadInThread(bool inThread) { loadInThread_ = inThread; }

private:
    std::string name_;
    bool loadInThread_ = false;  // recorded only; loading is always synchronous
    vK_LiveCounted<vK_LiveKind::Resource> liveCount_;
};
