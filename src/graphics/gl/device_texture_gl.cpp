#include "graphics/gl/device_texture_gl.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <vector>

#include "graphics/render.h"

namespace {
std::vector<vK_DeviceTexture_GL*>& LiveTextures() {
    static std::vector<vK_DeviceTexture_GL*> live;
    return live;
}

const char* GlErrorText(GLenum error) {
    switch (error) {
        case GL_OUT_OF_MEMORY:
            return "GL_OUT_OF_MEMORY";
        case GL_INVALID_VALUE:
            return "GL_INVALID_VALUE";
        case GL_INVALID_OPERATION:
            return "GL_INVALID_OPERATION";
        case GL_INVALID_ENUM:
            return "GL_INVALID_ENUM";
        case GL_INVALID_FRAMEBUFFER_OPERATION:
            return "GL_INVALID_FRAMEBUFFER_OPERATION";
        default:
            return "unknown GL error";
    }
}

// Keeps the caller's texture binding intact.
struct TextureBinding {
    GLint previous = 0;
    explicit TextureBinding(GLuint texture) {
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    ~TextureBinding() { glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous)); }
};

// Draws recorded against this texture's storage are handed to the device before the
// storage changes or is read, so they see what immediate drawing would have seen.
void FlushCurrentDevice() {
    if (vK_Render* render = vK_Render::Instance()) render->FlushDevice();
}
}  // namespace

vK_DeviceTexture_GL::vK_DeviceTexture_GL() { LiveTextures().push_back(this); }

vK_DeviceTexture_GL::~vK_DeviceTexture_GL() {
    vK_DeviceTexture_GL::ReleaseDevice();
    auto& live = LiveTextures();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

void vK_DeviceTexture_GL::ForgetAll() {
    for (vK_DeviceTexture_GL* t : LiveTextures()) {
        t->texture_ = 0;
        t->framebuffer_ = 0;
    }
}

size_t vK_DeviceTexture_GL::LiveBytes() {
    size_t bytes = 0;
    for (const vK_DeviceTexture_GL* t : LiveTextures())
        if (t->texture_) bytes += static_cast<size_t>(t->width_) * static_cast<size_t>(t->height_) * 4;
    return bytes;
}

// Draws the renderer has recorded but not yet issued may sample this texture or draw
// into it: they go first whenever its storage is changed or read.
bool vK_DeviceTexture_GL::Allocate(int width, int height, bool renderTarget, std::string& error) {
    ReleaseDevice();
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width <= 0 || height <= 0 || width > maxSize || height > maxSize) {
        error = "size above GL_MAX_TEXTURE_SIZE";
        return false;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    {
        TextureBinding bind(texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    }
    const GLenum status = glGetError();
    if (status != GL_NO_ERROR) {
        glDeleteTextures(1, &texture);
        error = GlErrorText(status);
        return false;
    }
    texture_ = texture;
    width_ = width;
    height_ = height;
    if (renderTarget) {
        GLint previous = 0;
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previous);
        glGenFramebuffers(1, &framebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
        const GLenum complete = glCheckFramebufferStatus(GL_FRAMEBUFFER);
        glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
        if (complete != GL_FRAMEBUFFER_COMPLETE) {
            ReleaseDevice();
            error = "framebuffer incomplete";
            return false;
        }
    }
    return true;
}

bool vK_DeviceTexture_GL::Upload(const uint8_t* bgra, int width, int height, int rowBytes) {
    if (!texture_ || !bgra || width > width_ || height > height_ || width <= 0 || height <= 0) return false;
    FlushCurrentDevice();
    TextureBinding bind(texture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowBytes / 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    return true;
}

bool vK_DeviceTexture_GL::Fill(uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
    if (!texture_) return false;
    std::vector<uint8_t> pixels(static_cast<size_t>(width_) * height_ * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = b;
        pixels[i + 1] = g;
        pixels[i + 2] = r;
        pixels[i + 3] = a;
    }
    return Upload(pixels.data(), width_, height_, width_ * 4);
}

bool vK_DeviceTexture_GL::Read(std::vector<uint8_t>& bgra) const {
    if (!texture_) return false;
    FlushCurrentDevice();
    bgra.assign(static_cast<size_t>(width_) * height_ * 4, 0);
    TextureBinding bind(texture_);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, bgra.data());
    return true;
}

void vK_DeviceTexture_GL::ReleaseDevice() {
    if (texture_) FlushCurrentDevice();
    if (framebuffer_) glDeleteFramebuffers(1, &framebuffer_);
    if (texture_) glDeleteTextures(1, &texture_);
    framebuffer_ = 0;
    texture_ = 0;
}
