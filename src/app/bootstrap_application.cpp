#include "app/bootstrap_application.h"

#include <tinyxml2.h>

#include <vector>

#include "core/vrakko.h"
#include "data/config.h"
#include "files/file_manager.h"
#include "files/log.h"
#include "script/module_file.h"
#include "script/script_hub.h"

namespace {

// Lua identifiers only: the names are spliced into the trigger call.
bool IsIdentifier(const std::string& s) {
    if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
    for (char c : s)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

}  // namespace

bool vK_BootstrapApplication::CanStart() {
    vK_Config* config = vK_Config::Instance();
    vK_FileManager* files = vK_FileManager::Instance();
    if (!config || !files || files->Exists("assets/config.json") != 0) {
        Log("Error: Game assets is corrupted.\nPlease reinstall the game to fix the problem.");
        return false;
    }
    module_ = config->GetString("start_point.module", "");
    trigger_ = config->GetString("start_point.func", "");
    std::vector<uint8_t> bytes;
    if (module_.empty() || files->LoadFile(module_ + ".xml", bytes, 0) != 0) {
        Log("[vK][Module] Error while parsing %s file", module_.c_str());
        return false;
    }
    // The module's global table is named by the "name" attribute, else by the path.
    tinyxml2::XMLDocument doc;
    moduleName_ = module_;
    if (doc.Parse(reinterpret_cast<const char*>(bytes.data()), bytes.size()) == tinyxml2::XML_SUCCESS &&
        doc.RootElement()) {
        const char* name = doc.RootElement()->Attribute("name");
        if (name && *name) moduleName_ = name;
    }
    return true;
}

vK_DisplayMode vK_BootstrapApplication::GetDisplayMode(bool fullscreen) {
    vK_DisplayMode mode;
    mode.fullscreen = fullscreen;
    if (Vrakko* engine = Vrakko::Instance()) mode.title = engine->GetGameName();
    return mode;
}

void vK_BootstrapApplication::AfterInit() {
    LoadModule(module_);
    vK_ScriptHub* scripts = vK_ScriptHub::Instance();
    if (!scripts || trigger_.empty()) return;
    if (!IsIdentifier(moduleName_) || !IsIdentifier(trigger_)) {
        Log("Error: start point %s.%s is not a script name", moduleName_.c_str(), trigger_.c_str());
        return;
    }
    const std::string call = "local m = " + moduleName_ + "; if type(m) == 'table' and type(m." + trigger_ +
                             ") == 'function' then m." + trigger_ + "() else DbgTrace('Error: start point " +
                             moduleName_ + "." + trigger_ + " not found') end";
    scripts->CallFunction(scripts->CompileCode(call), nullptr);
}
