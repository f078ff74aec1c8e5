#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/tools/asset_check_scan.h"

namespace tinyxml2 {
class XMLElement;
}

// Reads a whole asset tree (the asset folder and "assets/data.pck") through the running
// file manager and reports what would go wrong in the game without a word in the log or
// with one only at the moment it happens: XML that does not parse, Lua that does not
// compile, object types the factory does not know (the module loader skips them with
// their subtrees), references to files that are not there, string ids no table defines,
// handlers calling functions their module does not define, missing configuration keys,
// a missing loading-screen module, folders and files that can not be read, and images,
// fonts, sounds and videos the engine's decoders refuse (with their reason); and, as warnings,
// what the engine passes over with only a warning in the log (attributes and ObjSet keys
// no property has, frames an atlas lacks, animation functions a file does not define
// or leaves empty, texts with characters their fonts have no glyphs for). A file that does not parse is
// reported once: the findings that would only repeat it (string ids, after a string table or the
// configuration failed) are left out.
//
// Needs the engine services with the game's object types and script functions
// registered; it opens no window and changes nothing.
class vK_Object;

class vK_AssetCheck {
public:
    struct Finding {
        bool error = true;  // false: a warning
        std::string file;   // "assets/..."
        int line = 0;       // 0 when the finding has no line
        std::string message;
    };

    // lister reads the folders of the asset tree (the disk unless a test fails some).
    explicit vK_AssetCheck(vK_FolderLister lister = &ListDiskFolder) : lister_(lister) {}

    void Run();

    const std::vector<Finding>& GetFindings() const { return findings_; }
    int CountErrors() const;
    int CountWarnings() const;
    int CountFiles() const { return static_cast<int>(files_.size()); }

    // "FILE:LINE: error: MESSAGE" (no ":LINE" without a line).
    static std::string FormatText(const Finding& finding);
    // One JSON object: {"severity":"error","file":...,"line":...,"message":...}.
    static std::string FormatJson(const Finding& finding);

private:
    // One module: PATH.xml and/or PATH.lua.
    struct Module {
        std::string path;
        std::string name;        // the header's, else the .xml's, else the path
        std::string headerName;  // "-- name=WORD" of the .lua
        std::string xmlName;     // the "name" attribute of "module"
        bool xmlRead = false;    // the .xml parsed as a module
        std::set<std::string> functions;
    };

    void Report(bool error, const std::string& file, int line, const std::string& message);
    void ListFiles();
    bool Has(const std::string& path) const;
    bool Read(const std::string& path, std::string& text) const;
    bool ReadBytes(const std::string& path, std::vector<uint8_t>& bytes) const;
    // Whether a resource name resolves to a file of any of the engine's kinds.
    bool ResolvesToResource(const std::string& path) const;
    bool HasModule(const std::string& path) const { return Has(path + ".xml") || Has(path + ".lua"); }

    void CheckConfig();
    void CheckLoadingScreen();
    // Whether a string table the configuration lists does not parse.
    bool StringTablesBroken() const;
    void CollectModules();
    void CheckXmlFiles();
    void CheckModuleObjects(const Module& module, const tinyxml2::XMLElement* element,
                            const std::string& file);
    void CheckResourceFile(const std::string& file, const tinyxml2::XMLElement* root);
    void CheckResourceAttributes(const std::string& file, const tinyxml2::XMLElement* element);
    void CheckLuaFiles();
    void CheckLuaReferences(const std::string& file, const std::string& code);
    void CheckSubtitles();
    void CheckImages();
    // asset_check_glyphs.cpp: the texts of the string tables against the fonts that draw
    // them; text objects note the font and string id they use as the modules are read.
    struct Place {
        std::string file;
        int line = 0;
    };
    struct TextUse {
        std::string font, id, object, file;
        int line = 0;
    };
    void NoteTextUse(const tinyxml2::XMLElement* element, const std::string& file);
    std::map<std::string, Place> StringRows() const;
    void CheckGlyphs();
    // asset_check_media.cpp: fonts, sounds and videos.
    void CheckMedia();
    bool IsVideo(const std::string& file, const std::vector<uint8_t>& bytes) const;
    // A handler's code "module.Function(...)": the function must be one its module
    // defines. Other code is only compiled.
    void CheckHandler(const std::string& file, int line, const std::string& code, bool compile);
    void CheckStringId(const std::string& file, int line, const std::string& id);
    void CheckReference(const std::string& file, int line, const std::string& what, const std::string& path,
                        bool found);

    // asset_check_objects.cpp: a default object of each type answers which keys its
    // class takes; the samples are loose objects destroyed at the end of Run.
    const vK_Object* Sample(const std::string& type);
    void ReleaseSamples();
    void CheckAttributes(const std::string& type, const tinyxml2::XMLElement* element,
                         const std::string& file);
    void CheckFrame(const std::string& name, const std::string& path, const char* value,
                    const std::string& file, int line);
    void CheckAnimFunction(const std::string& name, const std::string& path, const char* function,
                           const std::string& file, int line);
    void CheckObjSetKeys(const std::string& file, const std::string& code);
    void CheckObjectNames(const std::string& file, const std::string& code);
    void CollectObjectTypes(const tinyxml2::XMLElement* element);

    vK_FolderLister lister_;
    std::set<std::string> files_;
    std::map<std::string, Module> modules_;      // by path
    std::map<std::string, std::string> byName_;  // module name -> path
    std::vector<Finding> findings_;
    std::map<std::string, vK_Object*> samples_;       // by type; null for unknown types
    std::map<std::string, std::string> objectTypes_;  // object name -> type, from modules
    std::set<std::string> createdNames_;              // made by literal ObjCreate / ObjClone
    std::vector<TextUse> textUses_;                   // text objects with a font and a string id
    bool configBroken_ = false;                       // the configuration does not parse
    bool stringsBroken_ = false;                      // nor does a string table it lists
};
