#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/resource.h"

namespace tinyxml2 {
class XMLDocument;
}

// One "function" of a frame animation: frame numbers of the frame texture shown for
// frameTime seconds each, once or looped, optionally cross-faded into the next.
struct vK_FrameAnimFunction {
    std::string name;
    float frameTime = 0.0f;
    bool loop = false;
    bool alpha = false;
    std::vector<int32_t> frames;
};

// A parsed frame-animation file (root "animation", type "frame"), shared through the
// resource cache by every animation object showing it.
class vK_FrameAnimRes : public vK_Resource {
public:
    // Reads and parses name + ".xml".
    bool Load(const std::string& name) override;
    // Reads the "animation" root of document; missing attributes read as empty
    // strings and numbers as 0, so parsing always succeeds.
    void Parse(const tinyxml2::XMLDocument& document);

    const std::string& GetFrameTextureName() const { return frameTexture_; }
    const std::vector<vK_FrameAnimFunction>& GetFunctions() const { return functions_; }

private:
    std::string frameTexture_;
    std::vector<vK_FrameAnimFunction> functions_;
};
