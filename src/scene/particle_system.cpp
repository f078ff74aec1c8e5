#include "scene/particle_system.h"

#include <tinyxml2.h>

#include "files/byte_buffer.h"
#include "files/byte_reader.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "graphics/resource_manager.h"
#include "particles/part_sys_impl_complex.h"
#include "particles/part_sys_impl_jan.h"
#include "particles/part_sys_impl_rnd.h"

vK_ParticleSystem::vK_ParticleSystem(const std::string& name) : vK_Object(name) {}

vK_ParticleSystem::~vK_ParticleSystem() {
    if (impl_ && IsInScene()) impl_->ReleaseTextures();
}

namespace {
// The keys SetProperties and GetProperties handle outside a property table.
constexpr vK_Object::PropertyDoc kTypeKeys[] = {
    {"clear", "bool", "1", "write (with playing 0: whether living particles vanish at once)"},
    {"playing", "bool", "0", "read/write"},
    {"pause", "bool", "0", "read/write"},
};
}  // namespace

void vK_ParticleSystem::RegisterType() {
    RegisterObjectType("partsys",
                       []() -> std::unique_ptr<vK_Object> { return std::make_unique<vK_ParticleSystem>(); },
                       {"A particle system whose preset (\"res\": N.prst, else N.xml of the type rnd, "
                        "complex or jan) decides how it emits.",
                        nullptr, "obj", kTypeKeys});
}

void vK_ParticleSystem::SetProperties(const vK_DataTable& table) {
    vK_Object::SetProperties(table);
    if (impl_) impl_->SetProperties(table);
}

void vK_ParticleSystem::GetProperties(vK_DataTable& table, bool full) const {
    vK_Object::GetProperties(table, full);
    if (impl_) impl_->GetProperties(table);
}

void vK_ParticleSystem::Reset() {
    vK_Object::Reset();
    impl_.reset();
}

bool vK_ParticleSystem::Load() {
    if (IsLoaded()) return true;
    vK_Object::Load();
    impl_.reset();
    const std::string name = vK_ResourceManager::Normalize(GetResourceName());
    vK_FileManager* files = vK_FileManager::Instance();
    if (!files || name.empty()) return false;
    if (files->Exists(name + ".prst") == 0) {
        auto buffer = std::make_unique<vK_ByteBuffer>();
        files->LoadIntoBuffer(name + ".prst", *buffer);
        vK_ByteReader reader(std::move(buffer));
        std::string kind;
        if (reader.ReadOptionalString(kind) && kind == "rnd") {
            auto rnd = std::make_unique<vK_PartSysImpl_Rnd>();
            rnd->SetOwner(this);
            if (rnd->LoadBinary(reader)) {
                impl_ = std::move(rnd);
                return true;
            }
            Log("Error: particle preset %s.prst could not be read", name.c_str());
            return false;
        }
    }
    std::vector<uint8_t> bytes;
    if (files->LoadFile(name + ".xml", bytes, 0) != 0) return false;
    tinyxml2::XMLDocument document;
    if (document.Parse(reinterpret_cast<const char*>(bytes.data()), bytes.size()) != tinyxml2::XML_SUCCESS) {
        Log("Error: particle preset %s.xml could not be parsed", name.c_str());
        return false;
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement("ps");
    if (!root) {
        Log("Error: particle preset %s.xml has no \"ps\" element", name.c_str());
        return false;
    }
    const char* type_attr = root->Attribute("type");
    const std::string type = type_attr && *type_attr ? type_attr : "complex";
    std::unique_ptr<vK_PartSysImpl> impl;
    if (type == "complex") {
        GetOwnParams().blend = vK_PartSysImpl_Complex::ReadBlendComment(document);
        impl = std::make_unique<vK_PartSysImpl_Complex>();
    } else if (type == "jan") {
        impl = std::make_unique<vK_PartSysImpl_Jan>();
    } else if (type == "rnd") {
        impl = std::make_unique<vK_PartSysImpl_Rnd>();
    } else {
        Log("Error: particle preset %s.xml has the unknown type \"%s\"", name.c_str(), type.c_str());
        return false;
    }
    impl->SetOwner(this);
    if (!impl->LoadXml(*root)) return false;
    impl_ = std::move(impl);
    return true;
}

bool vK_ParticleSystem::Unload() {
    if (impl_ && IsInScene()) impl_->ReleaseTextures();
    impl_.reset();
    return vK_Object::Unload();
}

bool vK_ParticleSystem::EnterScene() {
    if (IsInScene()) return true;
    vK_Object::EnterScene();
    if (impl_) impl_->AcquireTextures();
    return true;
}

bool vK_ParticleSystem::LeaveScene() {
    if (impl_) impl_->ReleaseTextures();
    return vK_Object::LeaveScene();
}

void vK_ParticleSystem::Tick(const vK_FrameInfo& frame) {
    vK_Object::Tick(frame);
    if (impl_) impl_->Update(frame);
}

void vK_ParticleSystem::DrawSelf(vK_Render& render, const vK_DrawParams& state) {
    if (impl_) impl_->Draw(render, state);
}

void vK_ParticleSystem::DumpLine(bool skip, int indent) const {
    vK_Object::DumpLine(skip, indent);
    if (skip) return;
    std::string pad(static_cast<size_t>(indent > 0 ? indent + 1 : 1) * 2, ' ');
    Log("%sparticles=%d; playing=%d", pad.c_str(), impl_ ? impl_->GetParticleCount() : 0,
        impl_ && impl_->IsPlaying() ? 1 : 0);
}

void vK_ParticleSystem::Start() {
    if (impl_) impl_->Start();
}

void vK_ParticleSystem::Stop(bool clear) {
    if (impl_) impl_->Stop(clear);
}

void vK_ParticleSystem::Pause(bool paused) {
    if (impl_) impl_->Pause(paused);
}

void vK_ParticleSystem::Restart() {
    if (!impl_) return;
    impl_->Stop(true);
    impl_->Start();
}

void vK_ParticleSystem::SetMaskObject(vK_Object* mask) {
    if (impl_) impl_->SetMaskObject(mask);
}
