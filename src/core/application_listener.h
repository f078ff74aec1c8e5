#pragma once

class vK_ApplicationListener {
public:
    virtual ~vK_ApplicationListener() = default;
    virtual void AfterInit() {}
    virtual void OnShutdown() {}
};
