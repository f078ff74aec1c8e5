#include "graphics/frame_texture.h"

#include <tinyxml2.h>

#include <cstdlib>
#include <vector>

#include "graphics/resource_manager.h"
#include "graphics/texture_impl.h"

namespace {

float IntAttribute(const tinyxml2::XMLElement* e, const char* name) {
    const char* text = e->Attribute(name);
    return text ? static_cast<float>(std::strtol(text, nullptr, 10)) : 0.0f;
}

}  // namespace

bool vK_FrameTexture::Load(const std::string& name) {
    SetName(name);
    std::vector<uint8_t> bytes;
    if (!vK_ReadAssetFile(name + ".xml", bytes)) return false;
    const size_t slash = name.rfind('/');
    const std::string directory = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    return LoadFromXml(reinterpret_cast<const char*>(bytes.data()), bytes.size(), directory);
}

bool vK_FrameTexture::LoadFromXml(const char* text, size_t length, const std::string& pageDirectory) {
    frames_.clear();
    aliases_.clear();
    tinyxml2::XMLDocument doc;
    if (!text || doc.Parse(text, length) != tinyxml2::XML_SUCCESS) return false;
    const tinyxml2::XMLElement* root = doc.RootElement();
    if (!root || std::string(root->Name()) != "frametexture") return false;
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    for (const tinyxml2::XMLElement* e = root->FirstChildElement("frame"); e;
         e = e->NextSiblingElement("frame")) {
        vK_FrameRect frame;
        const char* texture = e->Attribute("texture");
        if (texture && *texture) {
            frame.height = IntAttribute(e, "height");
            frame.width = IntAttribute(e, "widht");
            frame.left = IntAttribute(e, "left");
            frame.top = IntAttribute(e, "top");
            frame.x = IntAttribute(e, "x");
            frame.y = IntAttribute(e, "y");
            if (resources) frame.page = resources->GetTexture(pageDirectory + texture);
        }
        const char* alias = e->Attribute("alias");
        if (alias && *alias)
            aliases_[static_cast<int>(std::strtol(alias, nullptr, 10))] = static_cast<int>(frames_.size());
        frames_.push_back(std::move(frame));
    }
    return true;
}

const vK_FrameRect* vK_FrameTexture::FindFrame(int frame) const {
    auto alias = aliases_.find(frame);
    if (alias != aliases_.end()) frame = alias->second;
    if (frame < 0 || static_cast<size_t>(frame) >= frames_.size()) return nullptr;
    return &frames_[static_cast<size_t>(frame)];
}

vK_Rect vK_FrameTexture::GetRect(int frame) const {
    const vK_FrameRect* f = FindFrame(frame);
    if (!f) return {};
    return {-f->x, -f->y, f->width, f->height};
}

vK_Rect vK_FrameTexture::GetUV(int frame) const {
    const vK_FrameRect* f = FindFrame(frame);
    if (!f || !f->page) return {};
    const float pw = f->page->GetTextureWidth(), ph = f->page->GetTextureHeight();
    return {f->left / pw, f->top / ph, f->width / pw, f->height / ph};
}

bool vK_FrameTexture::HitTest(float x, float y, const vK_DrawParams& params) {
    const vK_FrameRect* f = FindFrame(params.frame);
    if (!f || !f->page) return false;
    const vK_Rect rect = GetRect(params.frame);
    float localX = 0.0f, localY = 0.0f;
    if (!ToLocal(rect, x, y, params, localX, localY)) return false;
    // The page answers for pixels beyond its own image as transparent.
    return !f->page->IsTransparent(static_cast<int>(f->left + localX + f->x),
                                   static_cast<int>(f->top + localY + f->y));
}

vK_Texture* vK_FrameTexture::GetPage(int frame) {
    const vK_FrameRect* f = FindFrame(frame);
    return f ? f->page.get() : nullptr;
}

vK_DeviceTexture* vK_FrameTexture::GetDeviceTexture(int frame) {
    const vK_FrameRect* f = FindFrame(frame);
    if (f && f->page) return f->page->GetDeviceTexture(0);
    return nullptr;
}
