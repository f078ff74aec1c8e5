#pragma once

struct SDL_Window;

// A hidden SDL window with an OpenGL 3.3 core context made current, for tests that
// draw through the real renderer (ctest runs them with SDL_VIDEODRIVER=offscreen).
class HeadlessGL {
public:
    HeadlessGL(int width, int height);
    ~HeadlessGL();
    HeadlessGL(const HeadlessGL&) = delete;
    HeadlessGL& operator=(const HeadlessGL&) = delete;

    bool Ready() const { return context_ != nullptr; }

private:
    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
    bool initialised_ = false;
    // Allocations made while the context lives belong to the driver and are not
    // reported as leaks under LeakSanitizer.
};
