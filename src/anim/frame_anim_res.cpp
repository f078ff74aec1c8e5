#include "anim/frame_anim_res.h"

#include <tinyxml2.h>

#include "data/data.h"
#include "graphics/texture_impl.h"

namespace {

// Attributes read as atoi would: absent counts as 0.
int32_t IntAttribute(const tinyxml2::XMLElement* element, const char* name) {
    const char* value = element->Attribute(name);
    return value != nullptr ? TextToInt(value) : 0;
}

}  // namespace

bool vK_FrameAnimRes::Load(const std::string& name) {
    std::vector<uint8_t> bytes;
    if (!vK_ReadAssetFile(name + ".xml", bytes)) return false;
    tinyxml2::XMLDocument document;
    if (document.Parse(reinterpret_cast<const char*>(bytes.data()), bytes.size()) != tinyxml2::XML_SUCCESS)
        return false;
    Parse(document);
    return true;
}

void vK_FrameAnimRes::Parse(const tinyxml2::XMLDocument& document) {
    frameTexture_.clear();
    functions_.clear();
    const tinyxml2::XMLElement* root = document.FirstChildElement("animation");
    if (root == nullptr) return;
    const char* texture = root->Attribute("frame_texture");
    frameTexture_ = texture != nullptr ? texture : "";
    for (const tinyxml2::XMLElement* f = root->FirstChildElement("function"); f != nullptr;
         f = f->NextSiblingElement("function")) {
        vK_FrameAnimFunction function;
        const char* name = f->Attribute("name");
        function.name = name != nullptr ? name : "";
        function.frameTime = static_cast<float>(IntAttribute(f, "frametime")) / 1000.0f;
        function.loop = IntAttribute(f, "loop") == 1;
        const char* alpha = f->Attribute("alpha");
        function.alpha = alpha != nullptr && *alpha != '\0' && TextToInt(alpha) == 1;
        for (const tinyxml2::XMLElement* frame = f->FirstChildElement("frame"); frame != nullptr;
             frame = frame->NextSiblingElement("frame"))
            function.frames.push_back(IntAttribute(frame, "idx"));
        functions_.push_back(std::move(function));
    }
}
