#pragma once
#include <string>

struct vK_DisplayMode {
    bool fullscreen = true;
    int width = 1024;
    int height = 768;
    std::string title;
};
