#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/resource.h"

// One point of a grid mesh: position in local units and texture coordinates 0..1
// within the texture frame's rectangle.
struct vK_GridVertex {
    float x = 0.0f;
    float y = 0.0f;
    float zero = 0.0f;  // always 0
    float tu = 0.0f;
    float tv = 0.0f;
    int32_t id = 0;
};

// One key frame of a grid: its vertices and the easing code used when moving into it.
struct vK_GridFrame {
    std::vector<vK_GridVertex> vertices;
    int32_t interp = 0;
};

// The parsed grid file (resource name + ".xml"), shared by every grid object with the
// same resource name (cached as name + "_grd"). Validated at load: every frame has the
// first frame's vertex count and every triangle index lies inside it.
class vK_GridRes : public vK_Resource {
public:
    // Indices are 16-bit on the device.
    static constexpr size_t kMaxVertices = 65535;

    bool Load(const std::string& name) override;
    // Parses the text of a grid file; name is used in log lines. False when the text is
    // not a grid document.
    bool Parse(const std::string& name, const char* text, size_t size);

    const std::vector<vK_GridFrame>& GetFrames() const { return frames_; }
    const std::vector<int32_t>& GetIndices() const { return indices_; }
    const std::string& GetTexture() const { return texture_; }
    float GetFps() const { return fps_; }
    bool GetLoop() const { return loop_; }
    int32_t GetFrame() const { return frame_; }
    size_t GetVertexCount() const { return frames_.empty() ? 0 : frames_[0].vertices.size(); }

private:
    std::vector<vK_GridFrame> frames_;
    std::vector<int32_t> indices_;  // three per triangle
    std::string texture_;
    float fps_ = 0.0f;
    bool loop_ = false;
    int32_t frame_ = 0;
};
