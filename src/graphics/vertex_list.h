#pragma once
#include <cstddef>
#include <vector>

// Vertices of triangle lists: 8 floats each (x, y, u, v, red, green, blue, alpha).
class vK_VertexList {
public:
    static constexpr int kFloatsPerVertex = 8;

    virtual ~vK_VertexList() = default;

    // Alpha is clamped to 0..1; texture coordinates above 1 mark the list as needing wrap.
    void Add(float x, float y, float u, float v, float red, float green, float blue, float alpha) {
        alpha = alpha < 0.0f ? 0.0f : (alpha > 1.0f ? 1.0f : alpha);
        if (u > 1.0f || v > 1.0f) needsWrap_ = true;
        floats_.insert(floats_.end(), {x, y, u, v, red, green, blue, alpha});
    }
    // The four corners of a quad in one colour: the same floats as four Add calls, with
    // one growth of the list instead of four.
    void AddQuad(const float* x, const float* y, float u0, float v0, float u1, float v1, float red,
                 float green, float blue, float alpha) {
        alpha = alpha < 0.0f ? 0.0f : (alpha > 1.0f ? 1.0f : alpha);
        if (u0 > 1.0f || v0 > 1.0f || u1 > 1.0f || v1 > 1.0f) needsWrap_ = true;
        const size_t at = floats_.size();
        floats_.resize(at + 4 * kFloatsPerVertex);
        float* out = floats_.data() + at;
        const float us[4] = {u0, u1, u0, u1}, vs[4] = {v0, v0, v1, v1};
        for (int corner = 0; corner < 4; ++corner, out += kFloatsPerVertex) {
            out[0] = x[corner], out[1] = y[corner], out[2] = us[corner], out[3] = vs[corner];
            out[4] = red, out[5] = green, out[6] = blue, out[7] = alpha;
        }
    }
    // Appends every vertex of another list and carries its wrap mark over.
    void Append(const vK_VertexList& other) {
        floats_.insert(floats_.end(), other.floats_.begin(), other.floats_.end());
        if (other.needsWrap_) needsWrap_ = true;
    }
    // Appends count vertices of another list from vertex first on, as they are stored.
    void AppendRange(const vK_VertexList& other, size_t first, size_t count) {
        const auto begin = other.floats_.begin() + static_cast<std::ptrdiff_t>(first * kFloatsPerVertex);
        floats_.insert(floats_.end(), begin, begin + static_cast<std::ptrdiff_t>(count * kFloatsPerVertex));
    }
    void Clear() {
        floats_.clear();
        needsWrap_ = false;
    }
    void Reserve(size_t floats) { floats_.reserve(floats); }

    size_t VertexCount() const { return floats_.size() / kFloatsPerVertex; }
    bool Empty() const { return floats_.empty(); }
    bool NeedsWrap() const { return needsWrap_; }
    void SetNeedsWrap(bool wrap) { needsWrap_ = wrap; }
    const float* Data() const { return floats_.data(); }
    const float* Vertex(size_t index) const { return floats_.data() + index * kFloatsPerVertex; }
    const std::vector<float>& Floats() const { return floats_; }

private:
    std::vector<float> floats_;
    bool needsWrap_ = false;
};
