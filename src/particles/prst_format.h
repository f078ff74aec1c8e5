#pragma once
#include <cstdint>
#include <string>
#include <vector>

class vK_PartSysImpl_Rnd;

// The ".prst" file: a context byte and a marker byte (both non-zero), the short string
// "rnd", then the system's object body. Counted arrays use these wire types (12: uint8
// count, 13: uint16 count).
namespace vK_PrstWire {
constexpr uint8_t kContext = 1;
constexpr uint8_t kMarker = 1;
constexpr const char* kKind = "rnd";
constexpr int kPoints = 13;
constexpr int kLinks = 12;
constexpr int kEmitters = 13;
constexpr int kResources = 13;
}  // namespace vK_PrstWire

// Writes a loaded random-emitter preset as a ".prst" file. Binary presets carry no
// names: emitters without an id get their position as id, links refer to their
// target's id, and texture names go into the preset's resource group. False with a
// message when the preset cannot be stored (a text longer than 255 bytes, more than
// 65535 emitters or points, a link whose target does not exist).
bool WritePrst(const vK_PartSysImpl_Rnd& preset, std::vector<uint8_t>& out, std::string& error);

// The preset as an ".xml" description of type "rnd" (emitter and link ids included,
// so a binary preset dumps and reads back unchanged).
std::string WritePresetXml(const vK_PartSysImpl_Rnd& preset);
