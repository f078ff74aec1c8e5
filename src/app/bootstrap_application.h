#pragma once
#include <string>

#include "core/application.h"

// The application the entry point runs until the game application exists: it loads
// the module named by the configuration's "start_point.module" and calls its trigger
// "start_point.func"; the module's script brings its objects into the live scene.
class vK_BootstrapApplication : public vK_Application {
public:
    explicit vK_BootstrapApplication(bool fullscreen) : fullscreen_(fullscreen) {}

    // False (with a log line) when the configuration or its start module is missing.
    bool CanStart();
    vK_DisplayMode GetDisplayMode() override { return GetDisplayMode(fullscreen_); }
    vK_DisplayMode GetDisplayMode(bool fullscreen) override;
    void AfterInit() override;
    void OnProcess(const vK_FrameInfo& /*frame*/) override {}

    const std::string& GetModuleName() const { return moduleName_; }

private:
    bool fullscreen_;
    std::string module_;      // the module's path
    std::string moduleName_;  // its global table
    std::string trigger_;
};
