// The asset check's object-level warnings: what the engine would pass over at run time
// with only a warning in the log (attributes no property has, frames an atlas lacks,
// animation functions a file does not define or leaves empty, ObjSet keys no property
// has), reported here with their file and line.
#include <tinyxml2.h>

#include <cstdlib>
#include <cstring>
#include <regex>

#include "app/tools/asset_check.h"
#include "app/tools/asset_check_scan.h"
#include "scene/object.h"
#include "scene/property_check.h"
#include "scene/sprite.h"

namespace {

// The number a frame attribute names, as the property reads it; false for text that is
// not a whole number (the property's own conversion decides about those).
bool ReadFrame(const char* text, long& frame) {
    if (!text || !*text) return false;
    char* end = nullptr;
    frame = std::strtol(text, &end, 10);
    return end && *end == '\0';
}

}  // namespace

const vK_Object* vK_AssetCheck::Sample(const std::string& type) {
    auto it = samples_.find(type);
    if (it != samples_.end()) return it->second;
    vK_Object* sample = vK_Object::CreateObject(type, "vk_check_sample_" + type);
    samples_[type] = sample;
    return sample;
}

void vK_AssetCheck::ReleaseSamples() {
    for (auto& [type, sample] : samples_)
        if (sample) vK_Object::Destroy(sample);
    samples_.clear();
    vK_Object::FlushGraveyard();
}

void vK_AssetCheck::CheckAttributes(const std::string& type, const tinyxml2::XMLElement* element,
                                    const std::string& file) {
    const vK_Object* sample = Sample(type);
    if (!sample) return;
    const char* named = element->Attribute("_name");
    if (!named) named = element->Attribute("name");
    const std::string name = named ? named : "dummy";
    const int line = element->GetLineNum();
    for (const tinyxml2::XMLAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        if (std::strcmp(a->Name(), "__type") == 0 || std::strcmp(a->Name(), "_name") == 0) continue;
        if (!vK_PropertyCheck::Knows(*sample, a->Name()))
            Report(false, file, line,
                   "object \"" + name + "\" (" + type + ") has no property \"" + a->Name() +
                       "\"; it is ignored");
    }
    const char* res = element->Attribute("res");
    if (!res || !*res) return;
    const std::string path = ResourcePath(res, FolderOf(file));
    if (dynamic_cast<const vK_Sprite*>(sample))
        CheckFrame(name, path, element->Attribute("frame"), file, line);
    if (sample->GetType() == "anim")
        CheckAnimFunction(name, path, element->Attribute("animfunc"), file, line);
}

void vK_AssetCheck::CheckFrame(const std::string& name, const std::string& path, const char* value,
                               const std::string& file, int line) {
    long frame = 0;
    if (!ReadFrame(value, frame)) return;
    std::string text;
    if (!Read(path + ".xml", text)) {
        // A plain image has the one frame 0.
        if (frame != 0 && (Has(path + ".png") || Has(path + ".jpg")))
            Report(false, file, line,
                   "object \"" + name + "\" shows frame " + std::to_string(frame) + " of " + path +
                       ", a plain image with frame 0 only; nothing is drawn");
        return;
    }
    tinyxml2::XMLDocument doc;
    if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) return;  // reported as such
    const tinyxml2::XMLElement* root = doc.RootElement();
    if (!root || std::strcmp(root->Name(), "frametexture") != 0) return;
    long count = 0;
    bool aliased = false;
    for (const tinyxml2::XMLElement* f = root->FirstChildElement("frame"); f;
         f = f->NextSiblingElement("frame")) {
        ++count;
        const char* alias = f->Attribute("alias");
        if (alias && *alias && std::strtol(alias, nullptr, 10) == frame) aliased = true;
    }
    if (aliased || (frame >= 0 && frame < count)) return;
    Report(false, file, line,
           "object \"" + name + "\" shows frame " + std::to_string(frame) + " of " + path +
               ".xml, which has " + std::to_string(count) + " frames; nothing is drawn");
}

void vK_AssetCheck::CheckAnimFunction(const std::string& name, const std::string& path, const char* function,
                                      const std::string& file, int line) {
    if (!function || !*function) return;
    std::string text;
    if (!Read(path + ".xml", text)) return;
    tinyxml2::XMLDocument doc;
    if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) return;
    const tinyxml2::XMLElement* root = doc.RootElement();
    const char* kind = root ? root->Attribute("type") : nullptr;
    // Frame animations only: the other kinds keep their functions elsewhere.
    if (!root || std::strcmp(root->Name(), "animation") != 0 || !kind || std::strcmp(kind, "frame") != 0)
        return;
    for (const tinyxml2::XMLElement* f = root->FirstChildElement("function"); f;
         f = f->NextSiblingElement("function")) {
        const char* fname = f->Attribute("name");
        if (!fname || std::strcmp(fname, function) != 0) continue;
        if (!f->FirstChildElement("frame"))
            Report(false, file, line,
                   std::string("animation function \"") + function + "\" of " + path +
                       ".xml has no frames (object \"" + name + "\" plays it)");
        return;
    }
    Report(false, file, line,
           "object \"" + name + "\" plays animation function \"" + function + "\", which " + path +
               ".xml does not define");
}

// ObjSet("name", {key = value, ...}) with a literal name of an object a module defines:
// every key of the table's own level must be one of its class's properties.
void vK_AssetCheck::CheckObjSetKeys(const std::string& file, const std::string& code) {
    for (const LuaObjSetCall& call : FindObjSetCalls(code)) {
        auto object = objectTypes_.find(call.object);
        if (object == objectTypes_.end()) continue;
        const vK_Object* sample = Sample(object->second);
        if (!sample) continue;
        for (const auto& [key, line] : call.keys)
            if (!vK_PropertyCheck::Knows(*sample, key))
                Report(false, file, line,
                       "ObjSet: object \"" + call.object + "\" (" + object->second + ") has no property \"" +
                           key + "\"; it is ignored");
    }
}

// A literal name no module gives, no literal ObjCreate or ObjClone makes, that is not the
// engine's or the game's own ("vk_", "vy_") and is no instance's prefixed name either.
void vK_AssetCheck::CheckObjectNames(const std::string& file, const std::string& code) {
    auto known = [this](const std::string& name) {
        if (objectTypes_.count(name) || createdNames_.count(name)) return true;
        if (name.rfind("vk_", 0) == 0 || name.rfind("vy_", 0) == 0) return true;
        for (const auto& [given, type] : objectTypes_)
            if (name.size() > given.size() &&
                name.compare(name.size() - given.size(), given.size(), given) == 0)
                return true;
        return false;
    };
    for (const LuaObjectName& use : FindObjectNames(code)) {
        if (use.function == "create" || known(use.name)) continue;
        Report(false, file, use.line, use.function + ": no object is named \"" + use.name + "\"");
    }
}
