#pragma once
#include <memory>
#include <string>
#include <vector>

#include "core/application.h"

class vK_Texture;

// The application the entry point runs until the game application exists: it reads
// the configuration's "start_point.module" and draws the sprites ("spr" elements with
// "res", "frame", "pos_x", "pos_y") of that module's object tree, turning the ones
// marked "spin" so that the frame loop is visible.
class vK_BootstrapApplication : public vK_Application {
public:
    explicit vK_BootstrapApplication(bool fullscreen) : fullscreen_(fullscreen) {}

    // False (with a log line) when the configuration or its start module is missing.
    bool CanStart();
    vK_DisplayMode GetDisplayMode() override { return GetDisplayMode(fullscreen_); }
    vK_DisplayMode GetDisplayMode(bool fullscreen) override;
    void AfterInit() override;
    void OnProcess(const vK_FrameInfo& frame) override;
    void OnPostDraw(vK_Render& render) override;

    size_t SpriteCount() const { return sprites_.size(); }

private:
    struct Sprite {
        std::string res;
        int frame = 0;
        float x = 0.0f, y = 0.0f, angle = 0.0f, spin = 0.0f;
        std::shared_ptr<vK_Texture> texture;
    };
    bool fullscreen_;
    std::string module_;
    std::vector<Sprite> sprites_;
};
