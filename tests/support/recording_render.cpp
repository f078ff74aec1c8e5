#include "support/recording_render.h"

#include <algorithm>

#include "graphics/texture.h"

bool vK_MemoryDeviceTexture::Allocate(int width, int height, bool renderTarget, std::string& error) {
    const auto isPowerOfTwo = [](int n) { return n > 0 && (n & (n - 1)) == 0; };
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384 ||
        (powerOfTwoOnly_ && (!isPowerOfTwo(width) || !isPowerOfTwo(height)))) {
        error = "size refused";
        return false;
    }
    width_ = width;
    height_ = height;
    renderTarget_ = renderTarget;
    pixels_.assign(static_cast<size_t>(width) * height * 4, 0);
    valid_ = true;
    return true;
}

bool vK_MemoryDeviceTexture::Upload(const uint8_t* bgra, int width, int height, int rowBytes) {
    if (!valid_ || refuseUploads_ || width > width_ || height > height_) return false;
    for (int y = 0; y < height; ++y)
        std::copy_n(bgra + static_cast<size_t>(y) * rowBytes, static_cast<size_t>(width) * 4,
                    pixels_.data() + static_cast<size_t>(y) * width_ * 4);
    return true;
}

bool vK_MemoryDeviceTexture::Fill(uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
    if (!valid_) return false;
    for (size_t i = 0; i < pixels_.size(); i += 4) {
        pixels_[i] = b;
        pixels_[i + 1] = g;
        pixels_[i + 2] = r;
        pixels_[i + 3] = a;
    }
    return true;
}

bool vK_MemoryDeviceTexture::Read(std::vector<uint8_t>& bgra) const {
    if (!valid_) return false;
    bgra = pixels_;
    return true;
}

void vK_MemoryDeviceTexture::ReleaseDevice() {
    valid_ = false;
    pixels_.clear();
}

std::unique_ptr<vK_DeviceTexture> vK_RecordingDevice::CreateTexture() {
    if (refuseTextures) return nullptr;
    return std::make_unique<vK_MemoryDeviceTexture>(powerOfTwoOnly, refuseUploads);
}

void vK_RecordingDevice::SubmitBatch(const std::shared_ptr<vK_Texture>& texture,
                                     const vK_BatchGeometry& geometry, const BatchState& state) {
    const vK_VertexList* vertices = &geometry.Vertices();
    if (geometry.HasQuads()) {
        geometry.ExpandTo(expanded_);
        vertices = &expanded_;
    }
    Batch batch;
    batch.texture = texture;
    batch.page = texture ? texture->GetPage(state.frame) : nullptr;
    batch.frame = state.frame;
    batch.blend = state.blend;
    batch.vertices = vertices->Floats();
    batch.indices = geometry.Indices().Indices();
    batch.needsWrap = vertices->NeedsWrap();
    batch.crop = state.crop;
    batch.intoTexture = state.intoTexture;
    batches.push_back(std::move(batch));
}

bool vK_RecordingDevice::BindTarget(vK_DeviceTexture* target) {
    if (target) ++targetBinds;
    return true;
}

void vK_RecordingDevice::SubmitLine(const vK_VertexList& vertices, const BatchState& state) {
    lines.push_back({vertices.Floats(), state.blend});
}
