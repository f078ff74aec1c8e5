#include "graphics/render.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "files/log.h"
#include "graphics/device_texture.h"
#include "graphics/generated_texture_impl.h"
#include "graphics/image_codec.h"
#include "graphics/render_target_texture.h"

namespace {

vK_Render* g_render = nullptr;

constexpr size_t kBatchReserveFloats = 160;
constexpr uint32_t kOpaqueBlack = 0xFF000000u;
constexpr uint32_t kTransparentBlack = 0x00000000u;

vK_Rect Intersect(const vK_Rect& a, const vK_Rect& b) {
    vK_Rect r;
    r.x = std::max(a.x, b.x);
    r.y = std::max(a.y, b.y);
    r.w = std::min(a.x + a.w, b.x + b.w) - r.x;
    r.h = std::min(a.y + a.h, b.y + b.h) - r.y;
    if (!(r.w > 0.0f)) r.w = 0.0f;
    if (!(r.h > 0.0f)) r.h = 0.0f;
    return r;
}

}  // namespace

vK_Render* vK_Render::Instance() { return g_render; }

vK_Render::vK_Render(std::unique_ptr<vK_RenderDevice> device) : device_(std::move(device)) {
    g_render = this;
    batch_.geometry.Reserve(kBatchReserveFloats);
}

vK_Render::~vK_Render() {
    // Textures may outlive the renderer; nothing they do from now on reaches its device.
    if (g_render == this) g_render = nullptr;
}

std::unique_ptr<vK_DeviceTexture> vK_Render::CreateDeviceTexture() { return device_->CreateTexture(); }

std::shared_ptr<vK_GeneratedTexture> vK_Render::CreateGeneratedTexture() {
    return std::make_shared<vK_GeneratedTexture_Impl>();
}

void vK_Render::Init(float width, float height) {
    targetWidth_ = width;
    targetHeight_ = height;
    drawingEnabled_ = false;
    renderTargetActive_ = false;
    cropStack_.clear();
    RecomputeCrop();
    device_->Init(static_cast<int>(width), static_cast<int>(height));
}

void vK_Render::Release() {
    renderTarget_.reset();
    whiteTexture_.reset();
    blackTexture_.reset();
    batch_.texture.reset();
    batch_.geometry.Clear();
    device_->Release();
}

vK_Rect vK_Render::TargetArea() const {
    if (renderTargetActive_ && renderTarget_)
        return {0.0f, 0.0f, renderTarget_->GetWidth(), renderTarget_->GetHeight()};
    return {0.0f, 0.0f, targetWidth_, targetHeight_};
}

void vK_Render::RecomputeCrop() {
    vK_Rect crop = TargetArea();
    for (const vK_Rect& r : cropStack_) crop = Intersect(crop, r);
    crop_ = crop;
}

void vK_Render::BeginFrame() {
    device_->BindTarget(nullptr);
    drawCalls_ = 0;
    gammaDrawn_ = false;
    RecomputeCrop();
    device_->Clear(kOpaqueBlack);
}

void vK_Render::EndFrame() {
    DrawGammaOverlay();
    gammaDrawn_ = false;
    cropStack_.clear();
    RecomputeCrop();
    device_->Flush();
}

void vK_Render::BeginDraw() { drawingEnabled_ = true; }

void vK_Render::EndDraw() {
    Flush();
    drawingEnabled_ = false;
}

void vK_Render::Flush() {
    if (batch_.texture && !batch_.geometry.Empty() && CanSubmit()) {
        ++drawCalls_;
        device_->SubmitBatch(batch_.texture, batch_.geometry, StateFor(batch_.frame, batch_.blend));
    }
    batch_.texture.reset();
    batch_.geometry.Clear();
}

void vK_Render::ChangeState(const std::shared_ptr<vK_Texture>& texture, int frame, int blend, float key) {
    if (batch_.texture && !batch_.geometry.HasIndices() && batch_.blend == blend && batch_.key == key &&
        batch_.texture->GetPage(batch_.frame) == texture->GetPage(frame))
        return;
    Flush();
    batch_.texture = texture;
    batch_.frame = frame;
    batch_.blend = blend;
    batch_.key = key;
}

void vK_Render::AddVertices(const std::shared_ptr<vK_Texture>& texture, const vK_VertexList& vertices,
                            const vK_DrawState& state) {
    if (!texture) return;
    ChangeState(texture, state.frame, state.blend, state.key);
    batch_.geometry.AddTriangles(vertices);
}

void vK_Render::AddIndexedVertices(const std::shared_ptr<vK_Texture>& texture, const vK_VertexList& vertices,
                                   const vK_IndexList& indices, const vK_DrawState& state) {
    if (!texture) return;
    Flush();
    ChangeState(texture, state.frame, state.blend, state.key);
    batch_.geometry.AddIndexed(vertices, indices);
}

void vK_Render::DrawSprite(const std::shared_ptr<vK_Texture>& texture, const vK_DrawParams& params) {
    if (!(params.alpha > 0.0f) || !texture) return;
    ChangeState(texture, params.frame, params.blend, params.key);
    const vK_Rect rect = texture->GetRect(params.frame);
    const vK_Rect uv = texture->GetUV(params.frame);
    const float lx0 = rect.x + params.offsetX, lx1 = lx0 + rect.w;
    const float ly0 = rect.y + params.offsetY, ly1 = ly0 + rect.h;
    float x[4], y[4];  // corners: top-left, top-right, bottom-left, bottom-right
    params.matrix.Transform(lx0, ly0, x[0], y[0]);
    params.matrix.Transform(lx1, ly0, x[1], y[1]);
    params.matrix.Transform(lx0, ly1, x[2], y[2]);
    params.matrix.Transform(lx1, ly1, x[3], y[3]);
    const float u0 = uv.x, u1 = uv.x + uv.w, v0 = uv.y, v1 = uv.y + uv.h;
    batch_.geometry.AddQuad(x, y, u0, v0, u1, v1, params.red, params.green, params.blue, params.alpha);
}

void vK_Render::DrawLine(float x0, float y0, float /*z0*/, float x1, float y1, float /*z1*/,
                         const float* colour, const vK_DrawParams& params) {
    if (!CanSubmit()) return;
    Flush();
    const float r = colour ? colour[0] : 1.0f, g = colour ? colour[1] : 1.0f, b = colour ? colour[2] : 1.0f;
    float tx, ty;
    vK_VertexList line;
    line.Reserve(2 * vK_VertexList::kFloatsPerVertex);
    params.matrix.Transform(x0, y0, tx, ty);
    line.Add(tx, ty, 0.0f, 0.0f, r, g, b, params.alpha);
    params.matrix.Transform(x1, y1, tx, ty);
    line.Add(tx, ty, 0.0f, 0.0f, r, g, b, params.alpha);
    ++drawCalls_;
    device_->SubmitLine(line, StateFor(0, params.blend));
}

bool vK_Render::PushCrop(const vK_Rect& rect) {
    if (rect.w == 0.0f || rect.h == 0.0f) return false;
    const vK_Rect narrowed = Intersect(rect, crop_);
    if (!(narrowed == crop_)) {
        Flush();
        crop_ = narrowed;
    }
    cropStack_.push_back(rect);
    return true;
}

void vK_Render::PopCrop() {
    if (cropStack_.empty()) return;
    cropStack_.pop_back();
    const vK_Rect old = crop_;
    RecomputeCrop();
    if (!(old == crop_)) {
        const vK_Rect widened = crop_;
        crop_ = old;
        Flush();
        crop_ = widened;
    }
}

void vK_Render::BeginRenderToTexture(int width, int height) {
    // What was drawn so far belongs to the current target.
    Flush();
    renderTargetActive_ = true;
    renderTarget_.reset();
    auto target = std::make_shared<vK_RenderTargetTexture_Impl>();
    if (!target->Create(width, height) || !target->GetDevice() || !device_->BindTarget(target->GetDevice())) {
        EndRenderToTexture();
        return;
    }
    renderTarget_ = std::move(target);
    RecomputeCrop();
    device_->Clear(kTransparentBlack);
}

std::shared_ptr<vK_Texture> vK_Render::EndRenderToTexture() {
    Flush();
    renderTargetActive_ = false;
    batch_.texture.reset();
    batch_.frame = 0;
    batch_.blend = 0;
    batch_.key = 0.0f;
    batch_.geometry.Clear();
    device_->BindTarget(nullptr);
    RecomputeCrop();
    return renderTarget_;
}

std::shared_ptr<vK_Texture> vK_Render::MakeBlurredTexture(const std::shared_ptr<vK_Texture>& source,
                                                          int width, int height, float radius) {
    if (!source) return {};
    const vK_DrawParams defaults;
    const vK_Rect rect = source->GetRect(defaults.frame);
    if (!(rect.w > 0.0f) || !(rect.h > 0.0f)) return {};
    const float h = height != 0 ? static_cast<float>(height) : rect.h;
    float w = width != 0 ? static_cast<float>(width) : rect.w;
    if (static_cast<int>(w) % 2 != 0) w += 1.0f;

    BeginRenderToTexture(static_cast<int>(w), static_cast<int>(h));
    vK_DrawParams fill;
    fill.matrix = vK_Matrix::Scale(w / rect.w, h / rect.h) * vK_Matrix::Translation(w / 2.0f, h / 2.0f);
    DrawSprite(source, fill);
    std::shared_ptr<vK_Texture> first = EndRenderToTexture();
    if (!first) return {};

    BeginRenderToTexture(static_cast<int>(w), static_cast<int>(h));
    struct Tap {
        float dx, dy, alpha;
    };
    const Tap taps[] = {
        {0, 0, 1.0f},           {-radius, -radius, 0.2f}, {radius, -radius, 0.2f}, {-radius, radius, 0.2f},
        {radius, radius, 0.2f}, {-radius, 0, 0.1f},       {radius, 0, 0.1f},       {0, -radius, 0.1f},
        {0, radius, 0.1f}};
    for (const Tap& tap : taps) {
        vK_DrawParams p;
        p.alpha = tap.alpha;
        p.matrix = vK_Matrix::Translation(w / 2.0f + tap.dx, h / 2.0f + tap.dy);
        DrawSprite(first, p);
    }
    return EndRenderToTexture();
}

void vK_Render::DrawGammaOverlay() {
    if (gammaDrawn_) return;
    gammaDrawn_ = true;
    const float gamma = gamma_;
    if (gamma == 1.0f || !std::isfinite(gamma)) return;
    BeginDraw();
    std::shared_ptr<vK_GeneratedTexture>& overlay = gamma > 1.0f ? whiteTexture_ : blackTexture_;
    if (!overlay) {
        const float white[3] = {1.0f, 1.0f, 1.0f}, black[3] = {0.0f, 0.0f, 0.0f};
        auto texture = CreateGeneratedTexture();
        if (texture->Create(4, 4, gamma > 1.0f ? white : black)) overlay = texture;
    }
    if (overlay) {
        vK_DrawParams p;
        p.blend = static_cast<int>(gamma > 1.0f ? Blend::kAdd : Blend::kNormal);
        p.alpha = gamma > 1.0f ? (gamma - 1.0f) * 0.15f * 2.0f : 1.0f - gamma;
        p.matrix = vK_Matrix::Scale(targetWidth_ * 0.25f, targetHeight_ * 0.25f) *
                   vK_Matrix::Translation(targetWidth_ / 2.0f, targetHeight_ / 2.0f);
        DrawSprite(overlay, p);
    }
    EndDraw();
}

bool vK_Render::BeginScreenshot() {
    BeginRenderToTexture(static_cast<int>(targetWidth_), static_cast<int>(targetHeight_));
    return renderTargetActive_;
}

bool vK_Render::EndScreenshot(const std::string& path) {
    const int width = static_cast<int>(targetWidth_), height = static_cast<int>(targetHeight_);
    std::shared_ptr<vK_Texture> shot = EndRenderToTexture();
    vK_DeviceTexture* device = shot ? shot->GetDeviceTexture(0) : nullptr;
    std::vector<uint8_t> pixels;
    if (!device || !device->Read(pixels)) return false;
    const int pitch = device->GetWidth() * 4;
    const int outWidth = std::min(width, device->GetWidth()),
              outHeight = std::min(height, device->GetHeight());
    std::vector<uint8_t> tight(static_cast<size_t>(outWidth) * outHeight * 4);
    for (int y = 0; y < outHeight; ++y)
        std::copy_n(pixels.data() + static_cast<size_t>(y) * pitch, static_cast<size_t>(outWidth) * 4,
                    tight.data() + static_cast<size_t>(y) * outWidth * 4);
    return SaveJpeg(tight.data(), outWidth, outHeight, path + ".jpg");
}

bool vK_Render::ReadBackBuffer(int x, int y, int width, int height, std::vector<uint8_t>& bgra) {
    if (width <= 0 || height <= 0) return false;
    return device_->ReadPixels(x, y, width, height, bgra);
}
