#include "graphics/gl/render_gl.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>

#include "files/log.h"
#include "graphics/gl/device_texture_gl.h"
#include "graphics/texture.h"

namespace {

constexpr size_t kInitialVertexBytes = 96;
constexpr size_t kInitialIndexBytes = 8;
constexpr GLsizei kStride = vK_VertexList::kFloatsPerVertex * sizeof(float);

const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texCoord;
layout(location = 2) in vec4 colour;
uniform mat4 projection;
out vec2 uv;
out vec4 tint;
void main() {
    uv = texCoord;
    tint = clamp(colour, 0.0, 1.0);
    gl_Position = projection * vec4(position, 0.0, 1.0);
}
)";

const char* kFragmentShader = R"(#version 330 core
in vec2 uv;
in vec4 tint;
uniform sampler2D image;
out vec4 result;
void main() { result = texture(image, uv) * tint; }
)";

GLuint CompileShader(GLenum kind, const char* source) {
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char text[512] = {};
        glGetShaderInfoLog(shader, sizeof(text), nullptr, text);
        Log("Error. Could not compile shader: %s", text);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint MakeSampler(GLint filter, GLint wrap) {
    GLuint sampler = 0;
    glGenSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, filter);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, filter);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, wrap);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, wrap);
    return sampler;
}

}  // namespace

vK_Render_Impl::vK_Render_Impl() = default;

vK_Render_Impl::~vK_Render_Impl() { DestroyDeviceObjects(); }

std::unique_ptr<vK_DeviceTexture> vK_Render_Impl::CreateDeviceTexture() {
    return std::make_unique<vK_DeviceTexture_GL>();
}

void vK_Render_Impl::Init(float width, float height) {
    vK_Render::Init(width, height);
    CreateDeviceObjects();
}

void vK_Render_Impl::Release() {
    vK_Render::Release();
    DestroyDeviceObjects();
}

bool vK_Render_Impl::CreateDeviceObjects() {
    if (program_) return true;
    glGenVertexArrays(1, &vertexArray_);
    glBindVertexArray(vertexArray_);
    glGenBuffers(1, &vertexBuffer_);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glBufferData(GL_ARRAY_BUFFER, kInitialVertexBytes, nullptr, GL_STREAM_DRAW);
    if (!vertexBuffer_ || glGetError() != GL_NO_ERROR) {
        Log("Error. Could not create CreateVertexBuffer.");
        return false;
    }
    vertexCapacity_ = kInitialVertexBytes;
    glGenBuffers(1, &indexBuffer_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, kInitialIndexBytes, nullptr, GL_STREAM_DRAW);
    if (!indexBuffer_ || glGetError() != GL_NO_ERROR) {
        Log("Error. Could not create CreateIndexBuffer.");
        return false;
    }
    indexCapacity_ = kInitialIndexBytes;
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, kStride, reinterpret_cast<void*>(0));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, kStride, reinterpret_cast<void*>(2 * sizeof(float)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, kStride, reinterpret_cast<void*>(4 * sizeof(float)));

    const GLuint vs = CompileShader(GL_VERTEX_SHADER, kVertexShader);
    const GLuint fs = CompileShader(GL_FRAGMENT_SHADER, kFragmentShader);
    if (!vs || !fs) return false;
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        Log("Error. Could not link shader program.");
        glDeleteProgram(program);
        return false;
    }
    program_ = program;
    glUseProgram(program_);
    projectionLocation_ = glGetUniformLocation(program_, "projection");
    glUniform1i(glGetUniformLocation(program_, "image"), 0);

    // Fixed state: no culling, no depth, blending on with separate alpha.
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    ApplyBlend(kBlendNormal);
    samplerClamp_ = MakeSampler(GL_LINEAR, GL_CLAMP_TO_EDGE);
    samplerWrap_ = MakeSampler(GL_LINEAR, GL_REPEAT);
    samplerPoint_ = MakeSampler(GL_NEAREST, GL_CLAMP_TO_EDGE);

    // Untextured draws (lines, pages that are gone) sample a white texel.
    white_ = std::make_unique<vK_DeviceTexture_GL>();
    std::string error;
    if (white_->Allocate(1, 1, false, error)) white_->Fill(255, 255, 255, 255);
    boundTarget_ = nullptr;
    return true;
}

void vK_Render_Impl::DestroyDeviceObjects() {
    white_.reset();
    if (program_) glDeleteProgram(program_);
    if (vertexBuffer_) glDeleteBuffers(1, &vertexBuffer_);
    if (indexBuffer_) glDeleteBuffers(1, &indexBuffer_);
    if (vertexArray_) glDeleteVertexArrays(1, &vertexArray_);
    const GLuint samplers[3] = {samplerClamp_, samplerWrap_, samplerPoint_};
    for (GLuint s : samplers)
        if (s) glDeleteSamplers(1, &s);
    program_ = vertexBuffer_ = indexBuffer_ = vertexArray_ = 0;
    samplerClamp_ = samplerWrap_ = samplerPoint_ = 0;
    vertexCapacity_ = indexCapacity_ = 0;
}

void vK_Render_Impl::ApplyBlend(int blend) {
    GLenum source = GL_SRC_ALPHA, destination = GL_ONE_MINUS_SRC_ALPHA;
    switch (blend) {
        case kBlendAdd:
            destination = GL_ONE;
            break;
        case kBlendDarken:
            source = GL_ZERO;
            destination = GL_ONE_MINUS_SRC_COLOR;
            break;
        case kBlendMultiply:
            source = GL_ZERO;
            destination = GL_SRC_COLOR;
            break;
        default:
            break;
    }
    glBlendFuncSeparate(source, destination, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
}

void vK_Render_Impl::ApplyCrop() {
    const vK_Rect crop = GetCrop();
    const float x = std::floor(crop.x), y = std::floor(crop.y), w = std::floor(crop.w),
                h = std::floor(crop.h);
    // Pixel centres lie at half-integers in GL, so target coordinates already address
    // pixel edges the way the half-pixel world offset does on a texel-centred device.
    float top = -1.0f, bottom = 1.0f;  // render targets keep row 0 at the top
    int viewportY = static_cast<int>(y);
    if (!boundTarget_) {
        top = 1.0f;
        bottom = -1.0f;
        viewportY = static_cast<int>(GetTargetHeight()) - static_cast<int>(y + h);
    }
    glViewport(static_cast<int>(x), viewportY, static_cast<int>(w), static_cast<int>(h));
    // Orthographic off-centre: left x, right x + w, top y, bottom y + h.
    const float sx = w > 0 ? 2.0f / w : 0.0f, sy = h > 0 ? (bottom - top) / h : 0.0f;
    const float projection[16] = {sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, 1, 0, -1.0f - x * sx, top - y * sy, 0, 1};
    glUniformMatrix4fv(projectionLocation_, 1, GL_FALSE, projection);
}

bool vK_Render_Impl::UploadVertices(const vK_VertexList& vertices) {
    const size_t bytes = vertices.Floats().size() * sizeof(float);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    if (bytes > vertexCapacity_) {
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, GL_STREAM_DRAW);
        if (glGetError() != GL_NO_ERROR) {
            vertexCapacity_ = 0;
            return false;
        }
        vertexCapacity_ = bytes;
    } else {
        // Orphans the old storage so the upload never waits for the previous draw.
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexCapacity_), nullptr, GL_STREAM_DRAW);
    }
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(bytes), vertices.Data());
    return true;
}

bool vK_Render_Impl::UploadIndices(const vK_IndexList& indices) {
    const size_t bytes = indices.Count() * sizeof(uint16_t);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
    if (bytes > indexCapacity_) {
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, GL_STREAM_DRAW);
        if (glGetError() != GL_NO_ERROR) {
            indexCapacity_ = 0;
            return false;
        }
        indexCapacity_ = bytes;
    }
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(bytes), indices.Data());
    return true;
}

void vK_Render_Impl::DrawBatch(const std::shared_ptr<vK_Texture>& texture, const vK_VertexList& vertices,
                               const vK_IndexList& indices, const BatchInfo& info) {
    if (!CanSubmit() || !program_ || vertices.Empty()) return;
    glUseProgram(program_);
    glBindVertexArray(vertexArray_);
    if (!UploadVertices(vertices)) return;
    ApplyCrop();
    glBindSampler(0, vertices.NeedsWrap() ? samplerWrap_ : samplerClamp_);
    auto* device =
        texture ? static_cast<vK_DeviceTexture_GL*>(texture->GetDeviceTexture(info.frame)) : nullptr;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D,
                  device && device->IsValid() ? device->GetTextureName() : white_->GetTextureName());
    ApplyBlend(info.blend);
    if (!indices.Empty()) {
        if (!UploadIndices(indices)) return;
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.Count() / 3 * 3), GL_UNSIGNED_SHORT,
                       nullptr);
    } else {
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.VertexCount() / 3 * 3));
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

void vK_Render_Impl::SubmitLine(const vK_VertexList& vertices, int blend) {
    if (!program_) return;
    glUseProgram(program_);
    glBindVertexArray(vertexArray_);
    if (!UploadVertices(vertices)) return;
    ApplyCrop();
    ApplyBlend(blend);
    glBindSampler(0, samplerPoint_);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, white_ ? white_->GetTextureName() : 0);
    glDrawArrays(GL_LINES, 0, 2);
    glBindTexture(GL_TEXTURE_2D, 0);
}

bool vK_Render_Impl::BindTarget(vK_DeviceTexture* target) {
    auto* gl = static_cast<vK_DeviceTexture_GL*>(target);
    if (gl && !gl->GetFramebuffer()) return false;
    glBindFramebuffer(GL_FRAMEBUFFER, gl ? gl->GetFramebuffer() : 0);
    boundTarget_ = gl;
    return true;
}

void vK_Render_Impl::BeginFrame() {
    BindTarget(nullptr);
    vK_Render::BeginFrame();
}

void vK_Render_Impl::ClearTarget(uint32_t argb) {
    if (boundTarget_) {
        glViewport(0, 0, boundTarget_->GetWidth(), boundTarget_->GetHeight());
    } else {
        glViewport(0, 0, static_cast<int>(GetTargetWidth()), static_cast<int>(GetTargetHeight()));
    }
    glClearColor(((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
                 ((argb >> 24) & 0xFF) / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

bool vK_Render_Impl::ReadBackBuffer(int x, int y, int width, int height, std::vector<uint8_t>& bgra) const {
    if (width <= 0 || height <= 0) return false;
    std::vector<uint8_t> rows(static_cast<size_t>(width) * height * 4);
    GLint previous = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const int glY = static_cast<int>(GetTargetHeight()) - (y + height);
    glReadPixels(x, glY, width, height, GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
    // The back buffer's row 0 is at the bottom: flip to top first.
    bgra.resize(rows.size());
    const size_t pitch = static_cast<size_t>(width) * 4;
    for (int row = 0; row < height; ++row)
        std::copy_n(rows.data() + (height - 1 - row) * pitch, pitch, bgra.data() + row * pitch);
    return true;
}
