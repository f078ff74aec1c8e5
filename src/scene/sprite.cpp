#include "scene/sprite.h"

#include <typeinfo>

#include "data/data.h"
#include "files/file_manager.h"
#include "graphics/render.h"
#include "graphics/resource_manager.h"
#include "graphics/texture.h"
#include "scene/property_table.h"

namespace {

bool OnlyAtlasExists(const std::string& name) {
    vK_FileManager* files = vK_FileManager::Instance();
    if (files == nullptr || name.empty()) return false;
    return files->Exists(name + ".png") != 0 && files->Exists(name + ".jpg") != 0 &&
           files->Exists(name + ".xml") == 0;
}

}  // namespace

vK_Sprite::~vK_Sprite() = default;

void vK_Sprite::RegisterType() {
    RegisterObjectType("spr", []() -> std::unique_ptr<vK_Object> { return std::make_unique<vK_Sprite>(); },
                       {"A picture: one frame of an image or of an atlas (\"res\" without extension), "
                        "hit-tested per pixel unless an input rectangle is set.",
                        &SpriteProperties, "obj"});
}

std::shared_ptr<vK_Resource> vK_Sprite::GetResource() const { return texture_; }

const vK_PropertyTable& vK_Sprite::SpriteProperties() {
    static const vK_PropertyTable table(&ObjectProperties(),
                                        {vK_Props::Custom(
                                            "frame",
                                            [](vK_Object& o, const vK_Data& v, const char* key) {
                                                int32_t frame = 0;
                                                if (!vK_Props::Read(v, key, frame)) return false;
                                                static_cast<vK_Sprite&>(o).SetFrame(frame);
                                                return true;
                                            },
                                            [](const vK_Object& o, vK_DataTable& t, const char* key) {
                                                t.SetInt(key, static_cast<const vK_Sprite&>(o).GetFrame());
                                            })});
    return table;
}

void vK_Sprite::SetProperties(const vK_DataTable& table) { ApplyProperties(SpriteProperties(), table); }

const vK_PropertyTable* vK_Sprite::DirectProperties() const {
    return typeid(*this) == typeid(vK_Sprite) ? &SpriteProperties() : nullptr;
}

void vK_Sprite::GetProperties(vK_DataTable& table, bool full) const {
    SpriteProperties().Write(*this, table, full);
}

void vK_Sprite::SetFrame(int frame) {
    GetOwnParams().frame = frame;
    if (texture_ && !HasInputRect()) SetInputRect(false, texture_->GetRect(frame));
}

vK_Rect vK_Sprite::GetDrawRect() const {
    return texture_ ? texture_->GetRect(GetOwnParams().frame) : vK_Rect{};
}

bool vK_Sprite::HitTest(float x, float y, const vK_DrawParams& state) const {
    if (HasInputRect() || !texture_) return vK_Object::HitTest(x, y, state);
    return texture_->HitTest(x, y, state);
}

bool vK_Sprite::EnterScene() {
    if (IsInScene()) return true;
    vK_Object::EnterScene();
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    if (resources == nullptr) return false;
    // A frame other than 0 means an atlas; frame 0 may be a plain image or an atlas.
    // When only the atlas description exists, it is asked for directly, so that the
    // plain-image attempt does not log a missing texture for a sprite that has one.
    const std::string& name = GetResourceName();
    if (GetFrame() != 0 || OnlyAtlasExists(name)) {
        texture_ = resources->GetFrameTexture(name);
    } else {
        texture_ = resources->GetTexture(name);
        if (!texture_) texture_ = resources->GetFrameTexture(name);
    }
    if (texture_ && !HasInputRect()) SetInputRect(false, texture_->GetRect(GetFrame()));
    return texture_ != nullptr;
}

bool vK_Sprite::LeaveScene() {
    texture_.reset();
    return vK_Object::LeaveScene();
}

void vK_Sprite::DrawSelf(vK_Render& render, const vK_DrawParams& state) {
    render.DrawSprite(texture_, state);
}
