#include "graphics/gl/render_gl.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "files/log.h"
#include "graphics/gl/device_texture_gl.h"
#include "graphics/texture.h"

namespace {

constexpr size_t kInitialVertexBytes = 96;
constexpr size_t kInitialIndexBytes = 8;
// 16-bit indices reach 65536 vertices: the shared pattern covers that many corners, and
// longer quad runs are drawn in chunks with a base vertex.
constexpr size_t kQuadsPerDraw = 65536 / 4;

// A colour component as a normalised byte; out of range and NaN clamp to 0..1.
uint8_t ColourByte(float c) {
    c = c > 0.0f ? (c < 1.0f ? c : 1.0f) : 0.0f;
    return static_cast<uint8_t>(c * 255.0f + 0.5f);
}

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

vK_Render_Impl::~vK_Render_Impl() {
    DiscardPending();
    DestroyDeviceObjects();
}

size_t vK_Render_Impl::GetTextureBytes() const { return vK_DeviceTexture_GL::LiveBytes(); }

std::unique_ptr<vK_DeviceTexture> vK_Render_Impl::CreateTexture() {
    return std::make_unique<vK_DeviceTexture_GL>();
}

bool vK_Render_Impl::Init(int width, int height) {
    width_ = width;
    height_ = height;
    return CreateDeviceObjects();
}

void vK_Render_Impl::Release() {
    DiscardPending();
    stream_.shrink_to_fit();
    streamIndices_.shrink_to_fit();
    commands_.shrink_to_fit();
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
    // Every quad of four corners (top-left, top-right, bottom-left, bottom-right) as the
    // triangles (0, 1, 2) and (3, 2, 1).
    std::vector<uint16_t> pattern(kQuadsPerDraw * 6);
    for (size_t q = 0; q < kQuadsPerDraw; ++q) {
        const auto c = static_cast<uint16_t>(q * 4);
        const uint16_t quad[6] = {
            c, uint16_t(c + 1), uint16_t(c + 2), uint16_t(c + 3), uint16_t(c + 2), uint16_t(c + 1)};
        std::copy_n(quad, 6, pattern.begin() + static_cast<std::ptrdiff_t>(q * 6));
    }
    glGenBuffers(1, &quadIndexBuffer_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quadIndexBuffer_);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(pattern.size() * sizeof(uint16_t)),
                 pattern.data(), GL_STATIC_DRAW);
    if (!quadIndexBuffer_ || glGetError() != GL_NO_ERROR) {
        Log("Error. Could not create CreateIndexBuffer.");
        return false;
    }
    constexpr GLsizei kStride = sizeof(Vertex);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, kStride, reinterpret_cast<void*>(offsetof(Vertex, x)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, kStride, reinterpret_cast<void*>(offsetof(Vertex, u)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, kStride,
                          reinterpret_cast<void*>(offsetof(Vertex, red)));

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
    ApplyBlend(vK_Render::Blend::kNormal);
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

void vK_Render_Impl::FinishFrame() {
    if (!program_) return;
    if (GLsync fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0)) fences_.push_back(fence);
    while (fences_.size() > kFramesInFlight) {
        auto oldest = static_cast<GLsync>(fences_.front());
        // At most a second: a device that fails to signal slows the loop but never stops it.
        glClientWaitSync(oldest, GL_SYNC_FLUSH_COMMANDS_BIT, 1000000000ull);
        glDeleteSync(oldest);
        fences_.erase(fences_.begin());
    }
}

void vK_Render_Impl::DestroyDeviceObjects() {
    for (void* fence : fences_) glDeleteSync(static_cast<GLsync>(fence));
    fences_.clear();
    white_.reset();
    if (program_) glDeleteProgram(program_);
    if (vertexBuffer_) glDeleteBuffers(1, &vertexBuffer_);
    if (indexBuffer_) glDeleteBuffers(1, &indexBuffer_);
    if (quadIndexBuffer_) glDeleteBuffers(1, &quadIndexBuffer_);
    if (vertexArray_) glDeleteVertexArrays(1, &vertexArray_);
    const GLuint samplers[3] = {samplerClamp_, samplerWrap_, samplerPoint_};
    for (GLuint s : samplers)
        if (s) glDeleteSamplers(1, &s);
    program_ = vertexBuffer_ = indexBuffer_ = quadIndexBuffer_ = vertexArray_ = 0;
    samplerClamp_ = samplerWrap_ = samplerPoint_ = 0;
    vertexCapacity_ = indexCapacity_ = 0;
}

void vK_Render_Impl::ApplyBlend(vK_Render::Blend blend) {
    GLenum source = GL_SRC_ALPHA, destination = GL_ONE_MINUS_SRC_ALPHA;
    using Blend = vK_Render::Blend;
    switch (blend) {
        case Blend::kAdd:
            destination = GL_ONE;
            break;
        case Blend::kDarken:
            source = GL_ZERO;
            destination = GL_ONE_MINUS_SRC_COLOR;
            break;
        case Blend::kMultiply:
            source = GL_ZERO;
            destination = GL_SRC_COLOR;
            break;
        case Blend::kNormal:
            break;
    }
    glBlendFuncSeparate(source, destination, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
}

void vK_Render_Impl::ApplyCrop(const vK_Rect& crop) {
    const float x = std::floor(crop.x), y = std::floor(crop.y), w = std::floor(crop.w),
                h = std::floor(crop.h);
    // Pixel centres lie at half-integers in GL, so target coordinates already address
    // pixel edges the way the half-pixel world offset does on a texel-centred device.
    float top = -1.0f, bottom = 1.0f;  // render targets keep row 0 at the top
    int viewportY = static_cast<int>(y);
    if (!boundTarget_) {
        top = 1.0f;
        bottom = -1.0f;
        viewportY = height_ - static_cast<int>(y + h);
    }
    glViewport(static_cast<int>(x), viewportY, static_cast<int>(w), static_cast<int>(h));
    // Orthographic off-centre: left x, right x + w, top y, bottom y + h.
    const float sx = w > 0 ? 2.0f / w : 0.0f, sy = h > 0 ? (bottom - top) / h : 0.0f;
    const float projection[16] = {sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, 1, 0, -1.0f - x * sx, top - y * sy, 0, 1};
    glUniformMatrix4fv(projectionLocation_, 1, GL_FALSE, projection);
}

uint32_t vK_Render_Impl::TextureName(const std::shared_ptr<vK_Texture>& texture, int frame) const {
    auto* device = texture ? static_cast<vK_DeviceTexture_GL*>(texture->GetDeviceTexture(frame)) : nullptr;
    return device && device->IsValid() ? device->GetTextureName() : white_->GetTextureName();
}

size_t vK_Render_Impl::AppendVertices(const vK_VertexList& vertices) {
    const size_t first = stream_.size();
    const size_t count = vertices.VertexCount();
    stream_.resize(first + count);
    Vertex* out = stream_.data() + first;
    const float* in = vertices.Data();
    for (size_t i = 0; i < count; ++i, in += vK_VertexList::kFloatsPerVertex, ++out)
        *out = {in[0],
                in[1],
                in[2],
                in[3],
                ColourByte(in[4]),
                ColourByte(in[5]),
                ColourByte(in[6]),
                ColourByte(in[7])};
    return first;
}

void vK_Render_Impl::Record(Primitive primitive, int blend, uint32_t texture, uint32_t sampler, size_t first,
                            size_t count, const vK_Rect& crop, size_t firstIndex) {
    if (count == 0) return;
    commands_.push_back({primitive, blend, texture, sampler, first, count, firstIndex, crop});
}

void vK_Render_Impl::SubmitBatch(const std::shared_ptr<vK_Texture>& texture, const vK_BatchGeometry& geometry,
                                 const BatchState& state) {
    if (!program_ || geometry.Empty()) return;
    const uint32_t name = TextureName(texture, state.frame);
    const uint32_t sampler = geometry.NeedsWrap() ? samplerWrap_ : samplerClamp_;
    const size_t base = AppendVertices(geometry.Vertices());
    for (const vK_BatchGeometry::Run& run : geometry.Runs()) {
        switch (run.kind) {
            case vK_BatchGeometry::kQuads:
                Record(Primitive::kQuads, state.blend, name, sampler, base + run.first, run.count / 4 * 4,
                       state.crop);
                break;
            case vK_BatchGeometry::kTriangles:
                Record(Primitive::kTriangles, state.blend, name, sampler, base + run.first, run.count / 3 * 3,
                       state.crop);
                break;
            case vK_BatchGeometry::kIndexed:
                break;  // below, once for all of the batch's indices
        }
    }
    if (geometry.HasIndices()) {
        const vK_IndexList& indices = geometry.Indices();
        const size_t firstIndex = streamIndices_.size();
        streamIndices_.insert(streamIndices_.end(), indices.Indices().begin(), indices.Indices().end());
        Record(Primitive::kIndexed, state.blend, name, sampler, base, indices.Count() / 3 * 3, state.crop,
               firstIndex);
    }
}

void vK_Render_Impl::SubmitLine(const vK_VertexList& vertices, const BatchState& state) {
    if (!program_ || vertices.VertexCount() < 2) return;
    Record(Primitive::kLines, state.blend, white_->GetTextureName(), samplerPoint_, AppendVertices(vertices),
           2, state.crop);
}

void vK_Render_Impl::DiscardPending() {
    stream_.clear();
    streamIndices_.clear();
    commands_.clear();
}

bool vK_Render_Impl::Upload(uint32_t target, uint32_t buffer, size_t& capacity, const void* data,
                            size_t bytes) {
    glBindBuffer(target, buffer);
    if (bytes > capacity) {
        // Grows to the largest frame seen, never shrinks.
        glBufferData(target, static_cast<GLsizeiptr>(bytes), nullptr, GL_STREAM_DRAW);
        if (glGetError() != GL_NO_ERROR) {
            capacity = 0;
            return false;
        }
        capacity = bytes;
    } else {
        // Orphans the old storage so the upload never waits for the previous frame's draws.
        glBufferData(target, static_cast<GLsizeiptr>(capacity), nullptr, GL_STREAM_DRAW);
    }
    glBufferSubData(target, 0, static_cast<GLsizeiptr>(bytes), data);
    return true;
}

void vK_Render_Impl::Flush() {
    if (commands_.empty() || !program_) {
        DiscardPending();
        return;
    }
    glUseProgram(program_);
    glBindVertexArray(vertexArray_);
    const bool uploaded =
        Upload(GL_ARRAY_BUFFER, vertexBuffer_, vertexCapacity_, stream_.data(),
               stream_.size() * sizeof(Vertex)) &&
        (streamIndices_.empty() || Upload(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_, indexCapacity_,
                                          streamIndices_.data(), streamIndices_.size() * sizeof(uint16_t)));
    if (uploaded) {
        glActiveTexture(GL_TEXTURE0);
        // Only what changes between commands is set again.
        const Command* last = nullptr;
        GLuint elements = 0;
        for (const Command& c : commands_) {
            if (!last || !(last->crop == c.crop)) ApplyCrop(c.crop);
            if (!last || last->sampler != c.sampler) glBindSampler(0, c.sampler);
            if (!last || last->texture != c.texture) glBindTexture(GL_TEXTURE_2D, c.texture);
            if (!last || last->blend != c.blend) ApplyBlend(vK_Render::BlendOf(c.blend));
            const GLuint wanted = c.primitive == Primitive::kQuads     ? quadIndexBuffer_
                                  : c.primitive == Primitive::kIndexed ? indexBuffer_
                                                                       : elements;
            if (wanted != elements) glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, elements = wanted);
            Issue(c);
            last = &c;
        }
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    DiscardPending();
}

void vK_Render_Impl::Issue(const Command& c) {
    switch (c.primitive) {
        case Primitive::kQuads:
            for (size_t done = 0; done < c.count / 4; done += kQuadsPerDraw) {
                const size_t quads = std::min(kQuadsPerDraw, c.count / 4 - done);
                glDrawElementsBaseVertex(GL_TRIANGLES, static_cast<GLsizei>(quads * 6), GL_UNSIGNED_SHORT,
                                         nullptr, static_cast<GLint>(c.first + done * 4));
            }
            break;
        case Primitive::kTriangles:
            glDrawArrays(GL_TRIANGLES, static_cast<GLint>(c.first), static_cast<GLsizei>(c.count));
            break;
        case Primitive::kIndexed:
            glDrawElementsBaseVertex(GL_TRIANGLES, static_cast<GLsizei>(c.count), GL_UNSIGNED_SHORT,
                                     reinterpret_cast<void*>(c.firstIndex * sizeof(uint16_t)),
                                     static_cast<GLint>(c.first));
            break;
        case Primitive::kLines:
            glDrawArrays(GL_LINES, static_cast<GLint>(c.first), 2);
            break;
    }
}

bool vK_Render_Impl::BindTarget(vK_DeviceTexture* target) {
    Flush();
    auto* gl = static_cast<vK_DeviceTexture_GL*>(target);
    if (gl && !gl->GetFramebuffer()) return false;
    glBindFramebuffer(GL_FRAMEBUFFER, gl ? gl->GetFramebuffer() : 0);
    boundTarget_ = gl;
    return true;
}

void vK_Render_Impl::Clear(uint32_t argb) {
    Flush();
    if (boundTarget_) {
        glViewport(0, 0, boundTarget_->GetWidth(), boundTarget_->GetHeight());
    } else {
        glViewport(0, 0, width_, height_);
    }
    glClearColor(((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
                 ((argb >> 24) & 0xFF) / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

bool vK_Render_Impl::ReadPixels(int x, int y, int width, int height, std::vector<uint8_t>& bgra) {
    if (width <= 0 || height <= 0) return false;
    Flush();
    std::vector<uint8_t> rows(static_cast<size_t>(width) * height * 4);
    GLint previous = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const int glY = height_ - (y + height);
    glReadPixels(x, glY, width, height, GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
    // The back buffer's row 0 is at the bottom: flip to top first.
    bgra.resize(rows.size());
    const size_t pitch = static_cast<size_t>(width) * 4;
    for (int row = 0; row < height; ++row)
        std::copy_n(rows.data() + (height - 1 - row) * pitch, pitch, bgra.data() + row * pitch);
    return true;
}
