#pragma once
#include <string>

#include "data/data.h"

class vK_Object;
namespace tinyxml2 {
class XMLElement;
}

// The transient description of one module while it loads: its object tree from
// PATH.xml and its Lua text from PATH.lua, both read through the file manager.
// Reading never fails: problems are logged and leave the fields at their defaults.
class vK_ModuleFile {
public:
    explicit vK_ModuleFile(const std::string& path, const std::string& prefix = std::string());
    // A description that has read nothing yet (tests and fuzzing feed text directly).
    vK_ModuleFile(const std::string& path, const std::string& prefix, bool read);
    ~vK_ModuleFile();
    vK_ModuleFile(const vK_ModuleFile&) = delete;
    vK_ModuleFile& operator=(const vK_ModuleFile&) = delete;

    // Parses the object description; false when the text is no module (then no code
    // should be read either).
    bool ReadXml(const std::string& text);
    // Takes the Lua text and applies the "-- name=" header.
    void ReadCode(std::string text);

    const std::string& GetName() const { return name_; }
    const std::string& GetPath() const { return path_; }
    const std::string& GetCode() const { return code_; }
    const std::string& GetPrefix() const { return prefix_; }
    // The module's root object (a loose object owned by the object layer), or nullptr.
    vK_Object* GetRoot() const { return root_; }
    // Moves every child of the root, first to last, under "vk_storage".
    void MoveObjectsToStorage();
    // Destroys the root with whatever it still holds.
    void DestroyRoot();

    // Creates one object and its subtree from an element; nullptr when its type is
    // not registered (the subtree is skipped with it).
    vK_Object* CreateObjectFromXml(const tinyxml2::XMLElement& element);

    // The path of the module whose description last created an object of that name;
    // empty for names no module made (objects created by scripts). For developer tools.
    static std::string ModuleOfObject(const std::string& objectName);

private:
    // Logs a warning (once per cause) for each attribute the object's class ignores.
    void WarnUnknownAttributes(const vK_Object& object, const vK_DataTable& properties, int line) const;

    std::string name_ = "dummymodule";
    std::string path_;
    vK_Object* root_ = nullptr;  // loose object until DestroyRoot
    std::string code_;
    std::string prefix_;
};

// Loads a module: its objects are parked under "vk_storage" and its code becomes
// the global table named after the module.
void LoadModule(const std::string& path);
// Loads a module as an instance: objects named with the prefix (kept only when
// with_objects is set), and its table returned instead of becoming a global
// (empty when the code failed).
vK_DataScriptFunction LoadModuleInstance(const std::string& path, bool with_objects,
                                         const std::string& prefix);
