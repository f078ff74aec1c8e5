// Fuzzes the XML particle presets of all three types: any text must load or be
// refused, and a loaded system must run a few frames (scripts included) without
// hanging, crashing or reading out of bounds.
#include <tinyxml2.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/frame_info.h"
#include "files/log.h"
#include "particles/part_sys_impl_complex.h"
#include "particles/part_sys_impl_jan.h"
#include "particles/part_sys_impl_rnd.h"
#include "support_render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vK_LogCapture quiet;
    quiet.Clear();
    tinyxml2::XMLDocument doc;
    if (doc.Parse(reinterpret_cast<const char*>(data), size) != tinyxml2::XML_SUCCESS) return 0;
    const tinyxml2::XMLElement* root = doc.FirstChildElement("ps");
    if (!root) return 0;
    vK_PartSysImpl_Complex::ReadBlendComment(doc);
    const char* type = root->Attribute("type");
    std::unique_ptr<vK_PartSysImpl> impl;
    if (type && std::string(type) == "rnd") {
        impl = std::make_unique<vK_PartSysImpl_Rnd>();
    } else if (type && std::string(type) == "jan") {
        impl = std::make_unique<vK_PartSysImpl_Jan>();
    } else {
        impl = std::make_unique<vK_PartSysImpl_Complex>();
    }
    if (!impl->LoadXml(*root)) return 0;
    impl->Start();
    for (int i = 0; i < 3; ++i) impl->Update(vK_FrameInfo{0.1f, 0.1f, 0});
    if (impl->GetParticleCount() < 0) __builtin_trap();
    FuzzDraw(*impl);
    impl->Stop(true);
    return 0;
}
