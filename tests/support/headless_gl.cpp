#include "support/headless_gl.h"

#include <SDL.h>

#if defined(__SANITIZE_ADDRESS__)
#define HEADLESS_GL_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HEADLESS_GL_LSAN 1
#endif
#endif
#ifdef HEADLESS_GL_LSAN
#include <sanitizer/lsan_interface.h>
#endif

HeadlessGL::HeadlessGL(int width, int height) {
#ifdef HEADLESS_GL_LSAN
    // Shaders compiled and buffers mapped lazily by the driver are allocated while the
    // context lives, so leak reports stay off until it is gone.
    __lsan_disable();
#endif
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
    initialised_ = true;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    window_ = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window_ == nullptr) return;
    context_ = SDL_GL_CreateContext(window_);
    if (context_ != nullptr) SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_));
}

HeadlessGL::~HeadlessGL() {
    if (context_ != nullptr) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    if (initialised_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
#ifdef HEADLESS_GL_LSAN
    __lsan_enable();
#endif
}
