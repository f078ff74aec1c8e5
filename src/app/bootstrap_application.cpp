#include "app/bootstrap_application.h"

#include <tinyxml2.h>

#include <cstdlib>

#include "core/frame_info.h"
#include "core/vrakko.h"
#include "data/config.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "graphics/texture.h"

namespace {

float FloatAttribute(const tinyxml2::XMLElement* e, const char* name) {
    const char* text = e->Attribute(name);
    return text ? std::strtof(text, nullptr) : 0.0f;
}

}  // namespace

bool vK_BootstrapApplication::CanStart() {
    vK_Config* config = vK_Config::Instance();
    vK_FileManager* files = vK_FileManager::Instance();
    if (!config || !files || files->Exists("assets/config.json") != 0) {
        Log("Error: Game assets is corrupted.\nPlease reinstall the game to fix the problem.");
        return false;
    }
    module_ = config->GetString("start_point.module", "");
    std::vector<uint8_t> bytes;
    if (module_.empty() || files->LoadFile(module_ + ".xml", bytes, 0) != 0) {
        Log("[vK][Module] Error while parsing %s file", module_.c_str());
        return false;
    }
    // TODO(modules): load the module through the script host and call "start_point.func"
    // once modules and the scene land; until then its sprites are drawn directly.
    tinyxml2::XMLDocument doc;
    if (doc.Parse(reinterpret_cast<const char*>(bytes.data()), bytes.size()) != tinyxml2::XML_SUCCESS ||
        !doc.RootElement() || std::string(doc.RootElement()->Name()) != "module") {
        Log("[vK][Module] Error: %s file not valid module file", module_.c_str());
        return false;
    }
    std::vector<const tinyxml2::XMLElement*> pending = {doc.RootElement()->FirstChildElement("objs")};
    while (!pending.empty()) {
        const tinyxml2::XMLElement* e = pending.back();
        pending.pop_back();
        if (!e) continue;
        if (std::string(e->Name()) == "spr" && e->Attribute("res")) {
            Sprite s;
            s.res = e->Attribute("res");
            s.frame = static_cast<int>(FloatAttribute(e, "frame"));
            s.x = FloatAttribute(e, "pos_x");
            s.y = FloatAttribute(e, "pos_y");
            s.spin = FloatAttribute(e, "spin");
            sprites_.push_back(s);
        }
        for (const tinyxml2::XMLElement* c = e->LastChildElement(); c; c = c->PreviousSiblingElement())
            pending.push_back(c);
    }
    return true;
}

vK_DisplayMode vK_BootstrapApplication::GetDisplayMode(bool fullscreen) {
    vK_DisplayMode mode;
    mode.fullscreen = fullscreen;
    if (Vrakko* engine = Vrakko::Instance()) mode.title = engine->GetGameName();
    return mode;
}

void vK_BootstrapApplication::AfterInit() {
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    vK_FileManager* files = vK_FileManager::Instance();
    if (!resources || !files) return;
    for (Sprite& s : sprites_) {
        s.texture = files->Exists(s.res + ".xml") == 0 ? resources->GetFrameTexture(s.res)
                                                       : resources->GetTexture(s.res);
        if (!s.texture) Log("Warning: sprite image %s could not be loaded", s.res.c_str());
    }
}

void vK_BootstrapApplication::OnProcess(const vK_FrameInfo& frame) {
    for (Sprite& s : sprites_) s.angle += s.spin * frame.dt;
}

void vK_BootstrapApplication::OnPostDraw(vK_Render& render) {
    Vrakko* engine = Vrakko::Instance();
    if (!engine) return;
    // The reference area of 1024 x 768 is scaled to the window.
    const float scaleX = static_cast<float>(engine->GetWidth()) / 1024.0f;
    const float scaleY = static_cast<float>(engine->GetHeight()) / 768.0f;
    const vK_Matrix root = vK_Matrix::Scale(scaleX, scaleY);
    for (const Sprite& s : sprites_) {
        if (!s.texture) continue;
        vK_DrawParams p;
        p.frame = s.frame;
        p.matrix = vK_Matrix::Rotation(s.angle) * vK_Matrix::Translation(s.x, s.y) * root;
        render.DrawSprite(s.texture, p);
    }
}
