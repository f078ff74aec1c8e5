#include "script/module_file.h"

#include <tinyxml2.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "files/file_manager.h"
#include "files/log.h"
#include "files/log_once.h"
#include "scene/object.h"
#include "scene/property_check.h"
#include "scene/scene.h"
#include "script/module_header.h"
#include "script/script_hub.h"

namespace {
// Reads a whole file through the file manager; false (after its not-found report)
// when no provider has it.
bool ReadText(const std::string& path, std::string& out) {
    vK_FileManager* files = vK_FileManager::Instance();
    if (!files) {
        Log("Error: file not found %s.", path.c_str());
        return false;
    }
    std::vector<uint8_t> bytes;
    if (files->LoadFile(path, bytes, 0) != 0) return false;
    out.assign(bytes.begin(), bytes.end());
    return true;
}

const char* Attribute(const tinyxml2::XMLElement& element, const char* name) {
    const char* value = element.Attribute(name);
    return value && *value ? value : nullptr;
}
}  // namespace

vK_ModuleFile::vK_ModuleFile(const std::string& path, const std::string& prefix, bool read)
    : path_(path), prefix_(prefix) {
    if (!read) return;
    std::string xml;
    if (ReadText(path + ".xml", xml) && !ReadXml(xml)) return;
    std::string code;
    if (ReadText(path + ".lua", code)) ReadCode(std::move(code));
}

vK_ModuleFile::vK_ModuleFile(const std::string& path, const std::string& prefix)
    : vK_ModuleFile(path, prefix, true) {}

vK_ModuleFile::~vK_ModuleFile() { DestroyRoot(); }

bool vK_ModuleFile::ReadXml(const std::string& text) {
    tinyxml2::XMLDocument doc;
    if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
        Log("[vK][Module] Error while parsing %s file", path_.c_str());
        // Where: tinyxml2 knows the line (not the column).
        Log("Error: %s.xml:%d: %s", path_.c_str(), doc.ErrorLineNum(), doc.ErrorName());
        return false;
    }
    const tinyxml2::XMLElement* module = doc.RootElement();
    if (!module || std::string(module->Name()) != "module") {
        Log("[vK][Module] Error: %s file not valid module file", path_.c_str());
        return false;
    }
    const char* name = Attribute(*module, "name");
    name_ = name ? name : path_;
    const tinyxml2::XMLElement* objs = module->FirstChildElement("objs");
    const tinyxml2::XMLElement* first = objs ? objs->FirstChildElement() : nullptr;
    if (first) {
        DestroyRoot();
        root_ = CreateObjectFromXml(*first);
    }
    return true;
}

void vK_ModuleFile::ReadCode(std::string text) {
    ApplyModuleHeader(text, name_);
    code_ = std::move(text);
}

namespace {
// Object name -> the path of the module that made it; names are few (one per object a
// module describes), so the map stays small however often levels load.
std::unordered_map<std::string, std::string>& ModulesByObject() {
    static std::unordered_map<std::string, std::string> modules;
    return modules;
}
}  // namespace

std::string vK_ModuleFile::ModuleOfObject(const std::string& objectName) {
    const auto& modules = ModulesByObject();
    const auto it = modules.find(objectName);
    return it == modules.end() ? std::string() : it->second;
}

vK_Object* vK_ModuleFile::CreateObjectFromXml(const tinyxml2::XMLElement& element) {
    const char* type_attr = Attribute(element, "__type");
    const std::string type = type_attr ? type_attr : element.Name();
    const char* name_attr = Attribute(element, "_name");
    if (!name_attr) name_attr = Attribute(element, "name");
    const std::string name = prefix_ + (name_attr ? name_attr : "dummy");
    vK_Object* object = vK_Object::CreateObject(type, name);
    if (!object) return nullptr;
    ModulesByObject()[name] = path_;
    vK_DataTable properties;
    for (const tinyxml2::XMLAttribute* a = element.FirstAttribute(); a; a = a->Next()) {
        properties.SetString(a->Name(), a->Value());
    }
    object->SetProperties(properties);
    WarnUnknownAttributes(*object, properties, element.GetLineNum());
    // tinyxml2 bounds the nesting depth of a document, and with it this recursion.
    for (const tinyxml2::XMLElement* c = element.FirstChildElement(); c; c = c->NextSiblingElement()) {
        vK_Object* child = CreateObjectFromXml(*c);
        if (child && !object->AddChild(child)) vK_Object::Destroy(child);
    }
    return object;
}

// The loader's own attributes ("__type", "_name") aside, a key the object's class does
// not take is a mistake SetProperties would pass over without a word.
void vK_ModuleFile::WarnUnknownAttributes(const vK_Object& object, const vK_DataTable& properties,
                                          int line) const {
    for (const std::string& key : vK_PropertyCheck::UnknownKeys(object, properties)) {
        if (key == "__type" || key == "_name") continue;
        const std::string where = path_ + ".xml:" + std::to_string(line);
        LogOnce("property " + where + " " + object.GetName() + " " + key,
                "Warning: " + where + ": " + vK_PropertyCheck::Describe(object, key));
    }
}

void vK_ModuleFile::MoveObjectsToStorage() {
    vK_Scene* scene = vK_Scene::Instance();
    if (!root_ || !scene) return;
    std::vector<vK_Object*> children;
    for (size_t i = 0; i < root_->GetChildCount(false); ++i) children.push_back(root_->GetChild(i));
    for (vK_Object* child : children) scene->GetStorageRoot()->AddChild(child);
}

void vK_ModuleFile::DestroyRoot() {
    if (root_) vK_Object::Destroy(root_);
    root_ = nullptr;
}

void LoadModule(const std::string& path) {
    vK_ModuleFile module(path);
    module.MoveObjectsToStorage();
    if (vK_ScriptHub* hub = vK_ScriptHub::Instance())
        hub->LoadModuleCode(module.GetCode(), module.GetName(), path + ".lua");
}

vK_DataScriptFunction LoadModuleInstance(const std::string& path, bool with_objects,
                                         const std::string& prefix) {
    vK_ModuleFile module(path, prefix);
    if (with_objects) module.MoveObjectsToStorage();
    vK_ScriptHub* hub = vK_ScriptHub::Instance();
    if (!hub) return {};
    return hub->LoadModuleTable(module.GetCode(), module.GetName(), path + ".lua");
}
