#include "anim/anim_impl_flash.h"

#include <tinyxml2.h>

#include <limits>

#include "data/data.h"
#include "files/log.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "graphics/texture.h"
#include "scene/object.h"

namespace {

// The text of an attribute that is present and not empty, else nullptr: such an
// attribute replaces a value, an absent or empty one keeps the value it had.
const char* TextOf(const tinyxml2::XMLElement& element, const char* name) {
    const char* value = element.Attribute(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

// Missing attributes read as empty text, and numbers from empty text as 0.
const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

// The float attributes of the root and of a placement and the draw-parameter field
// each replaces: a member, or an element of the row-vector matrix ("m01" is the
// second column of the first row, "pos_x" and "pos_y" the translation row).
struct FloatField {
    const char* name;
    float vK_DrawParams::*member;
    int matrixIndex;
};
constexpr FloatField kFloatFields[] = {
    {"alp", &vK_DrawParams::alpha, -1},
    {"m00", nullptr, 0},
    {"m10", nullptr, 4},
    {"m01", nullptr, 1},
    {"m11", nullptr, 5},
    {"pos_x", nullptr, 12},
    {"pos_y", nullptr, 13},
    {"color_r", &vK_DrawParams::red, -1},
    {"color_g", &vK_DrawParams::green, -1},
    {"color_b", &vK_DrawParams::blue, -1},
};

float& FieldOf(vK_DrawParams& params, const FloatField& field) {
    return field.member != nullptr ? params.*field.member : params.matrix.m[field.matrixIndex];
}

void ReadFloatFields(const tinyxml2::XMLElement& element, vK_DrawParams& params) {
    for (const FloatField& field : kFloatFields) {
        if (const char* text = TextOf(element, field.name))
            FieldOf(params, field) = static_cast<float>(TextToDouble(text));
    }
}

}  // namespace

void vK_AnimImpl_Flash::SetProperties(const vK_DataTable& table) {
    vK_AnimImpl::SetProperties(table);
    int32_t frame = 0;
    if (table.GetInt("frame", frame)) frame_ = frame;
}

void vK_AnimImpl_Flash::GetProperties(vK_DataTable& table) const {
    vK_AnimImpl::GetProperties(table);
    table.SetInt("frame", frame_);
}

bool vK_AnimImpl_Flash::LoadBinary(vK_ByteReader& /*reader*/) { return false; }

void vK_AnimImpl_Flash::LoadXml(const tinyxml2::XMLDocument& document) {
    symbols_.clear();
    frames_.clear();
    base_ = vK_DrawParams();
    loop_ = 0;
    loopFrame_ = 0;
    frameTime_ = std::numeric_limits<float>::infinity();
    frame_ = 0;
    if (const tinyxml2::XMLElement* root = document.FirstChildElement("animation")) Parse(*root);
}

void vK_AnimImpl_Flash::Parse(const tinyxml2::XMLElement& root) {
    const std::string source = owner_ ? owner_->GetResourceName() : std::string();
    loop_ = TextToInt(OrEmpty(root.Attribute("loop")));
    if (const char* text = TextOf(root, "loop_frame")) loopFrame_ = TextToInt(text);
    // A rate of 0 (or a missing, negative or unreadable one) is a still picture: the
    // frame time is infinite and the timeline never advances.
    const double fps = TextToDouble(OrEmpty(root.Attribute("fps")));
    if (fps > 0.0) frameTime_ = static_cast<float>(1.0 / fps);
    ReadFloatFields(root, base_);

    const std::string folder = OwnerFolder();
    if (const tinyxml2::XMLElement* objects = root.FirstChildElement("objects")) {
        for (const tinyxml2::XMLElement* o = objects->FirstChildElement("object"); o != nullptr;
             o = o->NextSiblingElement("object")) {
            vK_FlashSymbol symbol;
            symbol.resource = folder + OrEmpty(o->Attribute("res"));
            symbol.kind = OrEmpty(o->Attribute("type"));
            symbol.width = static_cast<float>(TextToDouble(OrEmpty(o->Attribute("w"))));
            symbol.height = static_cast<float>(TextToDouble(OrEmpty(o->Attribute("h"))));
            symbol.id = OrEmpty(o->Attribute("id"));
            symbols_.push_back(std::move(symbol));
        }
    }

    // A frame lists only the symbols it shows, and each value it leaves out carries
    // over from the same symbol's last appearance in an earlier frame.
    std::vector<vK_DrawParams> previous(symbols_.size());
    size_t skipped = 0;
    if (const tinyxml2::XMLElement* frames = root.FirstChildElement("frames")) {
        for (const tinyxml2::XMLElement* f = frames->FirstChildElement("frame"); f != nullptr;
             f = f->NextSiblingElement("frame")) {
            std::vector<vK_FlashPlacement> placements;
            for (const tinyxml2::XMLElement* o = f->FirstChildElement("object"); o != nullptr;
                 o = o->NextSiblingElement("object")) {
                const int32_t s = TextToInt(OrEmpty(o->Attribute("id")));
                if (s < 0 || static_cast<size_t>(s) >= symbols_.size()) {
                    ++skipped;
                    continue;
                }
                vK_DrawParams& params = previous[static_cast<size_t>(s)];
                if (const char* text = TextOf(*o, "frame")) params.frame = TextToInt(text);
                ReadFloatFields(*o, params);
                if (const char* text = TextOf(*o, "blendmode")) params.blend = TextToInt(text);
                placements.push_back({params, s});
            }
            frames_.push_back(std::move(placements));
        }
    }
    if (skipped > 0)
        Log("Warning: flash animation %s: %zu frame entries name no symbol and are skipped", source.c_str(),
            skipped);
    // Looping to a frame outside the timeline would show nothing from then on.
    if (!frames_.empty() && (loopFrame_ < 0 || static_cast<size_t>(loopFrame_) >= frames_.size())) {
        Log("Warning: flash animation %s: loop frame %d is not one of its %zu frames; it loops to frame 0",
            source.c_str(), loopFrame_, frames_.size());
        loopFrame_ = 0;
    }
}

int vK_AnimImpl_Flash::AcquireTextures() {
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    for (vK_FlashSymbol& symbol : symbols_) {
        if (resources == nullptr) break;
        if (symbol.kind == "texture") {
            symbol.texture = resources->GetTexture(symbol.resource);
        } else if (symbol.kind == "frametexture") {
            symbol.texture = resources->GetFrameTexture(symbol.resource);
        }
    }
    return static_cast<int>(symbols_.size());
}

void vK_AnimImpl_Flash::ReleaseTextures() {
    for (vK_FlashSymbol& symbol : symbols_) symbol.texture.reset();
}

void vK_AnimImpl_Flash::Play(const std::string& function, const vK_DataScriptFunction& endTrigger) {
    vK_AnimImpl::Play(function, endTrigger);
    timeLeft_ = frameTime_;
    frame_ = 0;
}

const std::vector<vK_FlashPlacement>* vK_AnimImpl_Flash::CurrentFrame() const {
    if (frame_ < 0 || static_cast<size_t>(frame_) >= frames_.size()) return nullptr;
    return &frames_[static_cast<size_t>(frame_)];
}

void vK_AnimImpl_Flash::Update(float dt) {
    if (!playing_) return;
    timeLeft_ -= dt;
    if (timeLeft_ > 0.0f) return;
    // The "frame" property may have put the current frame anywhere, INT_MAX included.
    if (static_cast<int64_t>(frame_) + 1 < static_cast<int64_t>(frames_.size())) {
        ++frame_;
        timeLeft_ += frameTime_;
    } else if (loop_ == 1) {
        frame_ = loopFrame_;
        timeLeft_ += frameTime_;
    } else {
        playing_ = false;
        QueueEndTrigger();
    }
    MoveAttached();
}

void vK_AnimImpl_Flash::MoveAttached() {
    const std::vector<vK_FlashPlacement>* placements = CurrentFrame();
    if (placements == nullptr) return;
    for (const vK_FlashPlacement& placement : *placements) {
        vK_Object* attached = symbols_[static_cast<size_t>(placement.symbol)].GetAttached();
        if (attached == nullptr) continue;
        const vK_Matrix m = placement.params.matrix * base_.matrix;
        attached->SetPosition(m.M41(), m.M42());
    }
}

bool vK_AnimImpl_Flash::ComposePlacement(size_t index, const vK_DrawParams& state, vK_DrawParams& out) const {
    const std::vector<vK_FlashPlacement>* placements = CurrentFrame();
    if (placements == nullptr || index >= placements->size()) return false;
    const vK_FlashPlacement& placement = (*placements)[index];
    const vK_DrawParams& q = placement.params;
    const vK_FlashSymbol& symbol = symbols_[static_cast<size_t>(placement.symbol)];
    out = vK_DrawParams();
    out.frame = q.frame;
    out.blend = q.blend;
    out.alpha = state.alpha * base_.alpha * q.alpha;
    out.red = base_.red * state.red * q.red;
    out.green = base_.green * state.green * q.green;
    out.blue = base_.blue * state.blue * q.blue;
    // The symbol's origin is its top-left corner; its image is centred on its pivot.
    out.offsetX = symbol.width * 0.5f;
    out.offsetY = symbol.height * 0.5f;
    out.matrix = q.matrix * base_.matrix * state.matrix;
    return true;
}

void vK_AnimImpl_Flash::Draw(vK_Render& render, const vK_DrawParams& state) {
    const std::vector<vK_FlashPlacement>* placements = CurrentFrame();
    if (placements == nullptr) return;
    vK_DrawParams params;
    for (size_t i = 0; i < placements->size(); ++i) {
        if (!ComposePlacement(i, state, params)) break;
        render.DrawSprite(symbols_[static_cast<size_t>((*placements)[i].symbol)].texture, params);
    }
}

void vK_AnimImpl_Flash::AttachChildToObj(const std::string& childName, const std::string& symbolId) {
    vK_Object* child = owner_ ? owner_->FindChild(childName, false) : nullptr;
    if (child == nullptr) return;
    for (vK_FlashSymbol& symbol : symbols_) {
        if (symbol.id == symbolId) symbol.Attach(child);
    }
}
