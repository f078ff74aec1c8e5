#include "app/tools/asset_check.h"

#include <tinyxml2.h>

#include <algorithm>
#include <regex>

#include "app/tools/asset_check_scan.h"
#include "data/config.h"
#include "data/data.h"
#include "data/json.h"
#include "data/string_table.h"
#include "files/data_provider_archive.h"
#include "files/file_manager.h"
#include "files/os_services.h"
#include "scene/object.h"

namespace {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// Attributes whose value is handler code: the pointer events and the end triggers.
bool IsHandlerAttribute(const char* name) {
    for (const char* key : vK_Object::kEventKeys)
        if (std::strcmp(key, name) == 0) return true;
    return EndsWith(name, "trig");
}

}  // namespace

int vK_AssetCheck::CountErrors() const {
    return static_cast<int>(
        std::count_if(findings_.begin(), findings_.end(), [](const Finding& f) { return f.error; }));
}

int vK_AssetCheck::CountWarnings() const { return static_cast<int>(findings_.size()) - CountErrors(); }

std::string vK_AssetCheck::FormatText(const Finding& f) {
    return f.file + (f.line > 0 ? ":" + std::to_string(f.line) : std::string()) +
           (f.error ? ": error: " : ": warning: ") + f.message;
}

std::string vK_AssetCheck::FormatJson(const Finding& f) {
    return std::string("{\"severity\":") + (f.error ? "\"error\"" : "\"warning\"") +
           ",\"file\":" + JsonString(f.file) + ",\"line\":" + std::to_string(f.line) +
           ",\"message\":" + JsonString(f.message) + "}";
}

void vK_AssetCheck::Report(bool error, const std::string& file, int line, const std::string& message) {
    findings_.push_back({error, file, line, message});
}

void vK_AssetCheck::Run() {
    findings_.clear();
    textUses_.clear();
    ListFiles();
    CollectModules();
    CheckConfig();
    stringsBroken_ = configBroken_ || StringTablesBroken();
    CheckLoadingScreen();
    CheckXmlFiles();
    CheckLuaFiles();
    CheckSubtitles();
    CheckImages();
    CheckMedia();
    CheckGlyphs();
    ReleaseSamples();
    std::stable_sort(findings_.begin(), findings_.end(), [](const Finding& a, const Finding& b) {
        return a.file != b.file ? a.file < b.file : a.line < b.line;
    });
}

// Every file of the asset folder and of the archive, as "assets/..." paths.
void vK_AssetCheck::ListFiles() {
    files_.clear();
    vK_FileManager* files = vK_FileManager::Instance();
    if (!files) return;
    const std::string root = files->GetLocations().asset_root;
    // A game may ship its assets in the archive alone: no folder is no finding.
    const std::string assets = (root.empty() ? "." : root) + "/assets";
    if (OsIsDirectory(assets)) {
        vK_FolderScan scan = ScanFolderTree(assets, "assets", lister_);
        files_.insert(scan.files.begin(), scan.files.end());
        for (const auto& [folder, why] : scan.unreadable)
            Report(true, folder, 0,
                   "the folder can not be read (" + why + "); the files in it are not checked");
    }
    for (const auto& reader : files->GetReaders()) {
        if (const auto* archive = dynamic_cast<const vK_DataProviderArchive*>(reader.get()))
            for (const std::string& entry : archive->GetEntryNames())
                if (!EndsWith(entry, "/")) files_.insert(entry);
    }
    files_.erase("assets/data.pck");
}

bool vK_AssetCheck::Has(const std::string& path) const {
    vK_FileManager* files = vK_FileManager::Instance();
    return files && files->Exists(path) == 0;
}

bool vK_AssetCheck::ReadBytes(const std::string& path, std::vector<uint8_t>& bytes) const {
    vK_FileManager* files = vK_FileManager::Instance();
    return files && files->LoadFile(path, bytes, 0) == 0;
}

bool vK_AssetCheck::Read(const std::string& path, std::string& text) const {
    std::vector<uint8_t> bytes;
    if (!ReadBytes(path, bytes)) return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
}

bool vK_AssetCheck::ResolvesToResource(const std::string& path) const {
    static const char* const kExtensions[] = {".png", ".jpg", ".xml", ".anm", ".prst", ".ogg", ".vkfnt"};
    for (const char* ext : kExtensions)
        if (Has(path + ext)) return true;
    return !path.empty() && path.back() != '/' && Has(path);
}

void vK_AssetCheck::CheckReference(const std::string& file, int line, const std::string& what,
                                   const std::string& path, bool found) {
    if (!found) Report(true, file, line, what + " \"" + path + "\" does not exist");
}

void vK_AssetCheck::CheckStringId(const std::string& file, int line, const std::string& id) {
    vK_StringTable* strings = vK_StringTable::Instance();
    // Without the tables every id would be missing: the parse error says it all.
    if (stringsBroken_) return;
    if (!id.empty() && strings && !strings->Has(id))
        Report(true, file, line, "string id \"" + id + "\" is defined by no string table");
}

void vK_AssetCheck::CheckHandler(const std::string& file, int line, const std::string& code, bool compile) {
    static const std::regex kCall(
        R"(^\s{0,32}([A-Za-z_]\w{0,127})\s{0,32}\.\s{0,32}([A-Za-z_]\w{0,127})\s{0,32}\()");
    std::smatch m;
    if (std::regex_search(code, m, kCall)) {
        auto named = byName_.find(m[1].str());
        if (named != byName_.end()) {
            const Module& module = modules_.at(named->second);
            if (!module.functions.count(m[2].str()))
                Report(true, file, line,
                       "handler \"" + code + "\" calls " + m[1].str() + "." + m[2].str() + ", which " +
                           module.path + ".lua does not define");
            return;
        }
    }
    std::string error;
    if (compile && !CompileLuaSnippet(code, error))
        Report(true, file, line, "handler \"" + code + "\" does not compile: " + error);
}

void vK_AssetCheck::CheckConfig() {
    const std::string file = "assets/config.json";
    vK_Config* config = vK_Config::Instance();
    configBroken_ = false;
    if (!Has(file) || !config) {
        Report(true, file, 0, "the configuration is missing: the game does not start without it");
        return;
    }
    // A configuration that does not parse is reported alone: every key would be missing.
    std::string text;
    vK_JsonError error;
    if (!Read(file, text) || !ParseJson(text, &error)) {
        configBroken_ = true;
        const std::string why =
            error.line ? "JSON does not parse (column " + std::to_string(error.column) + "): " + error.message
                       : std::string("can not be read");
        Report(true, file, error.line, why + "; the game does not start with it");
        return;
    }
    auto needString = [&](const char* key, const char* use) {
        const vK_Data* value = config->GetData(key);
        if (!value || value->GetTag() != vK_Data::kString) {
            Report(true, file, 0, std::string("configuration key \"") + key + "\" (" + use + ") is missing");
            return std::string();
        }
        return value->ToString();
    };
    needString("save_settings.folder", "the save folder's name");
    const std::string start = needString("start_point.module", "the first level's module");
    if (!start.empty()) {
        CheckReference(file, 0, "start module", start, HasModule(start));
        const vK_Data* func = config->GetData("start_point.func");
        if (func && func->GetTag() == vK_Data::kString && !func->ToString().empty())
            CheckHandler(file, 0, func->ToString(), true);
    }
    if (const vK_Data* list = config->GetData("Vrakko.strings"); list && list->AsArray()) {
        for (unsigned i = 0; i < list->AsArray()->Size(); ++i) {
            const std::string path = list->GetAt(i) ? list->GetAt(i)->ToString() : std::string();
            CheckReference(file, 0, "string table", path + ".xml", Has(path + ".xml"));
        }
    }
}

bool vK_AssetCheck::StringTablesBroken() const {
    vK_Config* config = vK_Config::Instance();
    const vK_Data* list = config ? config->GetData("Vrakko.strings") : nullptr;
    if (!list || !list->AsArray()) return false;
    for (unsigned i = 0; i < list->AsArray()->Size(); ++i) {
        std::string text;
        if (!list->GetAt(i) || !Read(list->GetAt(i)->ToString() + ".xml", text)) continue;
        tinyxml2::XMLDocument doc;
        if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) return true;
    }
    return false;
}

// Every level switch shows the loading screen, a module of its own.
void vK_AssetCheck::CheckLoadingScreen() {
    static const std::string kModule = "assets/shared/interface/int_loading";
    if (!HasModule(kModule))
        Report(true, kModule + ".xml", 0,
               "the loading-screen module \"" + kModule +
                   "\" (.xml and .lua), which every level switch loads, is missing");
}

// Modules are the .lua files and the .xml files whose root is "module"; their names
// and the functions their code defines are needed before any handler is checked.
void vK_AssetCheck::CollectModules() {
    modules_.clear();
    byName_.clear();
    objectTypes_.clear();
    createdNames_.clear();
    for (const std::string& file : files_) {
        const bool lua = EndsWith(file, ".lua"), xml = EndsWith(file, ".xml");
        if (!lua && !xml) continue;
        const std::string path = WithoutExtension(file);
        std::string text;
        if (!Read(file, text)) continue;
        if (xml) {
            tinyxml2::XMLDocument doc;
            if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) continue;
            const tinyxml2::XMLElement* root = doc.RootElement();
            if (!root || std::strcmp(root->Name(), "module") != 0) continue;
            Module& module = modules_[path];
            module.path = path;
            module.xmlRead = true;
            const tinyxml2::XMLElement* objs = root->FirstChildElement("objs");
            if (const tinyxml2::XMLElement* first = objs ? objs->FirstChildElement() : nullptr)
                CollectObjectTypes(first);
            const char* name = root->Attribute("name");
            if (name && *name) module.xmlName = name;
        } else {
            Module& module = modules_[path];
            module.path = path;
            module.functions = DefinedFunctions(text);
            for (const LuaObjectName& made : FindObjectNames(text))
                if (made.function == "create") createdNames_.insert(made.name);
            // The first line "-- name=WORD" names the module, over the .xml's name.
            ModuleHeaderName(text, module.headerName);
        }
    }
    for (auto& [path, module] : modules_) {
        module.name = !module.headerName.empty() ? module.headerName
                                                 : (!module.xmlName.empty() ? module.xmlName : path);
        byName_.emplace(module.name, path);
    }
}

// Object names as modules give them (instances add a prefix at run time), with types.
void vK_AssetCheck::CollectObjectTypes(const tinyxml2::XMLElement* element) {
    const char* typeOverride = element->Attribute("__type");
    const char* name = element->Attribute("_name");
    if (!name || !*name) name = element->Attribute("name");
    if (name && *name) objectTypes_[name] = typeOverride && *typeOverride ? typeOverride : element->Name();
    for (const tinyxml2::XMLElement* c = element->FirstChildElement(); c; c = c->NextSiblingElement())
        CollectObjectTypes(c);
}

void vK_AssetCheck::CheckXmlFiles() {
    for (const std::string& file : files_) {
        if (!EndsWith(file, ".xml")) continue;
        std::string text;
        if (!Read(file, text)) {
            Report(true, file, 0, "can not be read");
            continue;
        }
        tinyxml2::XMLDocument doc;
        if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
            Report(true, file, doc.ErrorLineNum(), std::string("XML does not parse: ") + doc.ErrorName());
            continue;
        }
        const tinyxml2::XMLElement* root = doc.RootElement();
        if (!root) continue;
        auto module = modules_.find(WithoutExtension(file));
        if (module != modules_.end() && module->second.xmlRead) {
            const tinyxml2::XMLElement* objs = root->FirstChildElement("objs");
            if (const tinyxml2::XMLElement* first = objs ? objs->FirstChildElement() : nullptr)
                CheckModuleObjects(module->second, first, file);
        } else {
            CheckResourceFile(file, root);
        }
    }
}

void vK_AssetCheck::CheckModuleObjects(const Module& module, const tinyxml2::XMLElement* element,
                                       const std::string& file) {
    const char* typeOverride = element->Attribute("__type");
    const std::string type = typeOverride && *typeOverride ? typeOverride : element->Name();
    if (!vK_Object::HasObjectType(type)) {
        const char* name = element->Attribute("name");
        Report(true, file, element->GetLineNum(),
               "object type \"" + type + "\" is not registered: the object" +
                   (name ? std::string(" \"") + name + "\"" : std::string()) +
                   " and everything inside it are not loaded");
        return;
    }
    CheckAttributes(type, element, file);
    NoteTextUse(element, file);
    for (const tinyxml2::XMLAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        const std::string value = a->Value();
        if (std::strcmp(a->Name(), "res") == 0 && !value.empty()) {
            const std::string path = ResourcePath(value, FolderOf(file));
            CheckReference(file, element->GetLineNum(), "resource", path, ResolvesToResource(path));
        } else if (std::strcmp(a->Name(), "text") == 0) {
            CheckStringId(file, element->GetLineNum(), value);
        } else if (IsHandlerAttribute(a->Name()) && !value.empty()) {
            CheckHandler(file, element->GetLineNum(), value, true);
        }
    }
    for (const tinyxml2::XMLElement* child = element->FirstChildElement(); child;
         child = child->NextSiblingElement())
        CheckModuleObjects(module, child, file);
}

// Files other than modules: the references their kind holds.
void vK_AssetCheck::CheckResourceFile(const std::string& file, const tinyxml2::XMLElement* root) {
    const std::string folder = FolderOf(file), kind = root->Name();
    if (kind == "frametexture") {
        for (const tinyxml2::XMLElement* f = root->FirstChildElement("frame"); f;
             f = f->NextSiblingElement("frame")) {
            const char* texture = f->Attribute("texture");
            if (!texture || !*texture) continue;
            const std::string page = folder + texture;
            CheckReference(file, f->GetLineNum(), "atlas page", page + ".png",
                           Has(page + ".png") || Has(page + ".jpg"));
        }
    } else if (kind == "animation") {
        const char* type = root->Attribute("type");
        const char* texture = root->Attribute("frame_texture");
        if ((!type || std::strcmp(type, "frame") == 0) && texture && *texture)
            CheckReference(file, root->GetLineNum(), "frame texture", folder + texture + ".xml",
                           Has(folder + texture + ".xml"));
    } else if (kind == "grid") {
        const char* texture = root->Attribute("texture");
        if (texture && *texture)
            CheckReference(file, root->GetLineNum(), "grid texture", folder + texture,
                           ResolvesToResource(folder + texture));
    }
    CheckResourceAttributes(file, root);
}

// Any "res" attribute in a resource file (particle presets, say) names a resource.
void vK_AssetCheck::CheckResourceAttributes(const std::string& file, const tinyxml2::XMLElement* element) {
    const char* res = element->Attribute("res");
    if (res && *res) {
        const std::string path = ResourcePath(res, FolderOf(file));
        CheckReference(file, element->GetLineNum(), "resource", path, ResolvesToResource(path));
    }
    for (const tinyxml2::XMLElement* child = element->FirstChildElement(); child;
         child = child->NextSiblingElement())
        CheckResourceAttributes(file, child);
}

void vK_AssetCheck::CheckLuaFiles() {
    for (const std::string& file : files_) {
        if (!EndsWith(file, ".lua")) continue;
        std::string text;
        if (!Read(file, text)) {
            Report(true, file, 0, "can not be read");
            continue;
        }
        int line = 0;
        std::string error;
        if (!CompileModuleCode(text, line, error)) Report(true, file, line, "Lua does not compile: " + error);
        CheckLuaReferences(file, text);
        CheckObjSetKeys(file, text);
        CheckObjectNames(file, text);
    }
}

void vK_AssetCheck::CheckLuaReferences(const std::string& file, const std::string& code) {
    for (const LuaLiteralCall& call : FindLiteralCalls(code)) {
        switch (call.kind) {
            case LuaLiteralCall::kModule:
                CheckReference(file, call.line, "module", call.argument, HasModule(call.argument));
                if (!call.second.empty()) CheckHandler(file, call.line, call.second, true);
                break;
            case LuaLiteralCall::kSound:
                CheckReference(file, call.line, "sound", call.argument + ".ogg", Has(call.argument + ".ogg"));
                break;
            case LuaLiteralCall::kStringId:
                CheckStringId(file, call.line, call.argument);
                break;
            case LuaLiteralCall::kStringTable:
                CheckReference(file, call.line, "string table", call.argument + ".xml",
                               Has(call.argument + ".xml"));
                break;
            case LuaLiteralCall::kResource: {
                const std::string path = ResourcePath(call.argument, FolderOf(file));
                CheckReference(file, call.line, "resource", path, ResolvesToResource(path));
                break;
            }
        }
    }
}

// Subtitles show string ids: the first text line of every cue.
void vK_AssetCheck::CheckSubtitles() {
    for (const std::string& file : files_) {
        if (!EndsWith(file, ".srt")) continue;
        std::string text;
        if (!Read(file, text)) {
            Report(true, file, 0, "can not be read");
            continue;
        }
        size_t pos = 0;
        int line = 0;
        bool cueText = false;
        while (pos < text.size()) {
            size_t end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            std::string row = text.substr(pos, end - pos);
            if (!row.empty() && row.back() == '\r') row.pop_back();
            pos = end + 1;
            ++line;
            if (cueText && !row.empty()) CheckStringId(file, line, row);
            cueText = row.find(" --> ") != std::string::npos;
        }
    }
}

void vK_AssetCheck::CheckImages() {
    for (const std::string& file : files_) {
        const bool png = EndsWith(file, ".png"), jpg = EndsWith(file, ".jpg");
        if (!png && !jpg) continue;
        std::vector<uint8_t> bytes;
        if (!ReadBytes(file, bytes)) {
            Report(true, file, 0, "can not be read");
            continue;
        }
        bool damaged = false;
        const std::string problem = png ? PngProblem(bytes, &damaged) : JpegProblem(bytes, &damaged);
        if (problem.empty()) continue;
        if (damaged) {
            Report(true, file, 0, problem);
            continue;
        }
        const std::string fix = png ? "convert " + file + " PNG32:" + file
                                    : "convert " + file + " -colorspace sRGB -type TrueColor " + file;
        Report(true, file, 0, problem + "; fix it with: " + fix);
    }
}
