#pragma once
// Loads particle implementations from XML text, as the "partsys" object does from files.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <string>

#include "core/frame_info.h"
#include "particles/part_sys_impl.h"

inline bool LoadPresetText(vK_PartSysImpl& impl, const std::string& xml) {
    tinyxml2::XMLDocument doc;
    if (doc.Parse(xml.c_str(), xml.size()) != tinyxml2::XML_SUCCESS) return false;
    const tinyxml2::XMLElement* root = doc.FirstChildElement("ps");
    return root && impl.LoadXml(*root);
}

inline void Steps(vK_PartSysImpl& impl, int count, float dt) {
    for (int i = 0; i < count; ++i) impl.Update(vK_FrameInfo{dt, dt, 0});
}
