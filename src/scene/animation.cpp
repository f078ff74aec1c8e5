#include "scene/animation.h"

#include <tinyxml2.h>

#include "anim/anim_impl.h"
#include "anim/anim_impl_complex.h"
#include "anim/anim_impl_flash.h"
#include "anim/anim_impl_frame.h"
#include "anim/frame_anim_res.h"
#include "core/frame_info.h"
#include "data/data.h"
#include "files/byte_buffer.h"
#include "files/byte_reader.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "graphics/resource_manager.h"
#include "graphics/texture.h"

namespace {

bool IsAlive(const std::weak_ptr<vK_Object*>& ref) {
    std::shared_ptr<vK_Object*> handle = ref.lock();
    return handle && *handle;
}

// An implementation of the given kind, owned by owner, read from a parsed description.
template <typename Impl>
std::unique_ptr<vK_AnimImpl> FromXml(vK_Animation* owner, tinyxml2::XMLDocument& document) {
    auto impl = std::make_unique<Impl>();
    impl->SetOwner(owner);
    impl->LoadXml(document);
    return impl;
}

}  // namespace

vK_Animation::vK_Animation(const std::string& name) : vK_Object(name) {}

vK_Animation::~vK_Animation() = default;

namespace {
// The keys SetProperties and GetProperties handle outside a property table.
constexpr vK_Object::PropertyDoc kTypeKeys[] = {
    {"frame", "int", "0", "read/write"},
    {"animfunc", "string", "\"\"", "read/write"},
    {"endtrig", "handler", "none", "read/write"},
    {"playing", "bool", "0", "read/write"},
    {"(a frame tag)", "number or string", "",
     "read/write (complex animations: overrides a part's value by its tag)"},
    {"(a res_tag)", "string", "",
     "read/write (complex animations: the texture of the parts with that res_tag)"},
};
}  // namespace

void vK_Animation::RegisterType() {
    RegisterObjectType("anim",
                       []() -> std::unique_ptr<vK_Object> { return std::make_unique<vK_Animation>(); },
                       {"An animation: a frame animation, complex animation or flash animation, chosen from "
                        "the file \"res\" names; children with an anim_tag follow the part of that name.",
                        nullptr, "obj", kTypeKeys});
}

std::shared_ptr<vK_Resource> vK_Animation::GetResource() const {
    return impl_ ? impl_->GetTexture() : nullptr;
}

void vK_Animation::SetProperties(const vK_DataTable& table) {
    vK_Object::SetProperties(table);
    if (impl_) impl_->SetProperties(table);
    Rebind();
}

void vK_Animation::GetProperties(vK_DataTable& table, bool full) const {
    vK_Object::GetProperties(table, full);
    if (impl_) impl_->GetProperties(table);
}

vK_Rect vK_Animation::GetDrawRect() const { return impl_ ? impl_->GetRect() : vK_Rect{}; }

void vK_Animation::Reset() {
    vK_Object::Reset();
    tagged_.clear();
    impl_.reset();
}

// ---- choosing the implementation ------------------------------------------------------------

std::unique_ptr<vK_AnimImpl> vK_Animation::ImplFromXml(const uint8_t* data, size_t size,
                                                       const std::string& path, vK_Animation* owner) {
    tinyxml2::XMLDocument document;
    if (data == nullptr ||
        document.Parse(reinterpret_cast<const char*>(data), size) != tinyxml2::XML_SUCCESS) {
        Log("Error: animation %s could not be parsed", path.c_str());
        return nullptr;
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement("animation");
    if (root == nullptr) {
        Log("Error: animation %s has no \"animation\" element", path.c_str());
        return nullptr;
    }
    const char* typeText = root->Attribute("type");
    const std::string type = typeText != nullptr ? typeText : "";
    if (type == "frame") {
        return FromXml<vK_AnimImpl_Frame>(owner, document);
    }
    if (type == "complex") {
        return FromXml<vK_AnimImpl_Complex>(owner, document);
    }
    if (type.empty() && root->Attribute("version") != nullptr && root->Attribute("fps") != nullptr) {
        return FromXml<vK_AnimImpl_Flash>(owner, document);
    }
    Log("Error: animation %s has the unknown type \"%s\"", path.c_str(), type.c_str());
    return nullptr;
}

std::unique_ptr<vK_AnimImpl> vK_Animation::ChooseImpl() {
    const std::string& name = GetResourceName();
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    vK_FileManager* files = vK_FileManager::Instance();
    if (name.empty() || files == nullptr) return nullptr;

    // A description parsed for another object that is still alive.
    if (resources) {
        std::shared_ptr<vK_Resource> cached = resources->FindResource(name + vK_AnimImpl_Frame::kCacheSuffix);
        if (std::dynamic_pointer_cast<vK_FrameAnimRes>(cached)) {
            auto impl = std::make_unique<vK_AnimImpl_Frame>();
            impl->SetOwner(this);
            impl->SetResource(cached);
            return impl;
        }
        if (std::dynamic_pointer_cast<vK_ComplexAnimRes>(cached)) {
            auto impl = std::make_unique<vK_AnimImpl_Complex>();
            impl->SetOwner(this);
            impl->SetResource(cached);
            return impl;
        }
    }

    const std::string path = vK_ResourceManager::Normalize(name);
    if (files->Exists(path + ".anm") == 0) {
        vK_ByteBuffer buffer;
        files->LoadIntoBuffer(path + ".anm", buffer);
        vK_ByteReader reader(&buffer);
        std::string kind;
        if (reader.ReadOptionalString(kind) && kind == "complex") {
            auto impl = std::make_unique<vK_AnimImpl_Complex>();
            impl->SetOwner(this);
            if (impl->LoadBinary(reader)) return impl;
            Log("Error: animation %s.anm could not be read", path.c_str());
        } else {
            Log("Error: animation %s.anm is not a complex animation", path.c_str());
        }
        return nullptr;
    }

    std::vector<uint8_t> bytes;
    if (files->LoadFile(path + ".xml", bytes, 0) != 0) return nullptr;
    return ImplFromXml(bytes.data(), bytes.size(), path + ".xml", this);
}

bool vK_Animation::Load() {
    if (IsLoaded()) return true;
    vK_Object::Load();
    DetachAll();
    impl_.reset();
    impl_ = ChooseImpl();
    return impl_ != nullptr;
}

bool vK_Animation::Unload() {
    if (!IsLoaded()) return true;
    tagged_.clear();
    impl_.reset();
    return vK_Object::Unload();
}

bool vK_Animation::EnterScene() {
    if (IsInScene()) return true;
    vK_Object::EnterScene();
    return impl_ && impl_->AcquireTextures() >= 0;
}

bool vK_Animation::LeaveScene() {
    if (impl_) impl_->ReleaseTextures();
    return vK_Object::LeaveScene();
}

void vK_Animation::SetImpl(std::unique_ptr<vK_AnimImpl> impl) {
    DetachAll();
    impl_ = std::move(impl);
    if (impl_) impl_->SetOwner(this);
    Rebind();
}

// ---- playing ------------------------------------------------------------------------------------

void vK_Animation::Tick(const vK_FrameInfo& frame) {
    vK_Object::Tick(frame);
    PruneTagged();
    if (impl_) impl_->Update(frame.dt);
}

void vK_Animation::Play(const std::string& function, const vK_DataScriptFunction& handler) {
    if (!impl_) return;
    impl_->Play(function, handler);
    Rebind();
}

void vK_Animation::Stop() {
    if (impl_) impl_->Stop();
}

void vK_Animation::Pause(bool pause) {
    if (impl_) impl_->Pause(pause);
}

void vK_Animation::AttachChildToObj(const std::string& first, const std::string& second) {
    if (impl_) impl_->AttachChildToObj(first, second);
}

// ---- tagged children ----------------------------------------------------------------------------

bool vK_Animation::IsTaggedChild(const Tagged& tagged) const {
    return IsAlive(tagged.ref) && IsLiveChild(tagged.child);
}

bool vK_Animation::AddChild(vK_Object* child) {
    if (!vK_Object::AddChild(child)) return false;
    const std::string& tag = child->GetAnimTag();
    if (impl_ && !tag.empty()) {
        impl_->AttachTagged(tag, child);
        tagged_[tag] = Tagged{child, child->GetWeakRef()};
    }
    return true;
}

vK_Object* vK_Animation::RemoveChild(vK_Object* child, bool recursive) {
    if (child && IsLiveChild(child) && !child->GetAnimTag().empty()) {
        auto found = tagged_.find(child->GetAnimTag());
        if (found != tagged_.end() && found->second.child == child) {
            if (impl_) impl_->DetachTagged(found->first);
            tagged_.erase(found);
        }
    }
    return vK_Object::RemoveChild(child, recursive);
}

void vK_Animation::DetachAll() {
    if (impl_) {
        for (const auto& entry : tagged_) impl_->DetachTagged(entry.first);
    }
    tagged_.clear();
}

void vK_Animation::Rebind() {
    DetachAll();
    if (!impl_) return;
    for (vK_Object* child : SnapshotChildren()) {
        if (!IsLiveChild(child) || child->GetAnimTag().empty()) continue;
        impl_->AttachTagged(child->GetAnimTag(), child);
        tagged_[child->GetAnimTag()] = Tagged{child, child->GetWeakRef()};
    }
}

void vK_Animation::PruneTagged() {
    for (auto it = tagged_.begin(); it != tagged_.end();) {
        if (IsTaggedChild(it->second)) {
            ++it;
            continue;
        }
        if (impl_) impl_->DetachTagged(it->first);
        it = tagged_.erase(it);
    }
}

std::vector<std::string> vK_Animation::GetAttachedTags() const {
    std::vector<std::string> tags;
    for (const auto& entry : tagged_) {
        if (IsTaggedChild(entry.second)) tags.push_back(entry.first);
    }
    return tags;
}

std::vector<vK_Animation::Saved> vK_Animation::SuppressTagged(bool input) {
    std::vector<Saved> saved;
    for (const auto& entry : tagged_) {
        vK_Object* child = entry.second.child;
        if (!IsTaggedChild(entry.second)) continue;
        saved.push_back({child, entry.second.ref, input ? child->IsInputEnabled() : child->IsVisible()});
        if (input) {
            child->SetInputEnabled(false);
        } else {
            child->SetVisible(false);
        }
    }
    return saved;
}

void vK_Animation::RestoreTagged(const std::vector<Saved>& saved, bool input) {
    for (const Saved& s : saved) {
        if (!IsAlive(s.ref)) continue;
        if (input) {
            s.child->SetInputEnabled(s.value);
        } else {
            s.child->SetVisible(s.value);
        }
    }
}

vK_Object* vK_Animation::InputChildren(const vK_InputEvent& event, vK_Object* hit,
                                       const vK_DrawParams& state) {
    PruneTagged();
    if (impl_) hit = impl_->PickAttached(event, hit, state);
    const std::vector<Saved> saved = SuppressTagged(true);
    hit = vK_Object::InputChildren(event, hit, state);
    RestoreTagged(saved, true);
    return hit;
}

void vK_Animation::DrawSelf(vK_Render& render, const vK_DrawParams& state) {
    if (impl_) impl_->Draw(render, state);
}

void vK_Animation::DrawChildren(vK_Render& render, const vK_DrawParams& state) {
    PruneTagged();
    const std::vector<Saved> saved = SuppressTagged(false);
    vK_Object::DrawChildren(render, state);
    RestoreTagged(saved, false);
}

bool vK_Animation::GetTagMatrix(const std::string& tag, vK_Matrix& matrix) const {
    vK_Matrix part;
    if (!impl_ || !impl_->GetObjectMatrix(tag, part)) return false;
    const std::string& ownTag = GetAnimTag();
    if (!ownTag.empty()) {
        const vK_Object* outer = GetParent();
        while (outer && outer->GetType() != "anim") outer = outer->GetParent();
        if (outer) {
            vK_Matrix outerMatrix;
            const auto* outerAnim = dynamic_cast<const vK_Animation*>(outer);
            if (outerAnim && outerAnim->GetTagMatrix(ownTag, outerMatrix)) {
                matrix = part * outerMatrix;
                return true;
            }
            Log("Error: object having anim tag \"%s\" is not found in complex anim. Name of anim object is "
                "\"%s\". Name of embed object is \"%s\"",
                ownTag.c_str(), outer->GetName().c_str(), GetName().c_str());
        }
    }
    matrix = part * GetWorldMatrix();
    return true;
}

void vK_Animation::DumpLine(bool skip, int indent) const {
    vK_Object::DumpLine(skip, indent);
    if (skip || !impl_) return;
    Log("%*s  animfunc=%s; playing=%d", indent > 1 ? indent * 2 : 0, "", impl_->GetFunctionName().c_str(),
        impl_->IsPlaying() ? 1 : 0);
}
