// The engine queries of the vk table and vk.config.GetData.
#include "core/vrakko.h"
#include "data/config.h"
#include "files/log.h"
#include "graphics/resource_manager.h"
#include "script/api_args.h"
#include "script/script_api.h"

namespace {
constexpr int kVersionMajor = 1;
constexpr int kVersionMinor = 4;
constexpr int kVersionBuild = 198;
constexpr const char* kBuildDate = "Dec 24 2015";

void GetEngineVersion(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    results.PushString(FormatString("%d.%d.%d.%s", kVersionMajor, kVersionMinor, kVersionBuild, kBuildDate));
}

void GetFPS(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    results.PushFloat(Vrakko::Instance() ? Vrakko::Instance()->GetFPS() : 0.0f);
}

// The engine-wide draw-call counter is never advanced by the renderer.
void GetNumDrawCalls(const vK_ScriptArgs&, void*, vK_DataArray& results) { results.PushInt(0); }

void GetPlatform(const vK_ScriptArgs&, void*, vK_DataArray& results) { results.PushString("pc"); }

void GetInterfaceParadigm(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    results.PushString(Vrakko::Instance() ? Vrakko::Instance()->GetInterfaceParadigm() : std::string());
}

void GetInterfaceOrientation(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    results.PushString(Vrakko::Instance() ? Vrakko::Instance()->GetInterfaceOrientation() : std::string());
}

void IsEditor(const vK_ScriptArgs&, void*, vK_DataArray& results) { results.PushBool(false); }

void EnableMultitouch(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    const vK_Data* flag = vK_ApiArgs::At(args, 0);
    if (flag && Vrakko::Instance()) Vrakko::Instance()->EnableMultitouch(flag->GetBool());
}

void EnableStartScreens(const vK_ScriptArgs&, void*, vK_DataArray& results) { results.PushBool(true); }

void LoadTexturesInThread(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    const vK_Data* flag = vK_ApiArgs::At(args, 0);
    vK_ResourceManager* resources = vK_ResourceManager::Instance();
    if (flag && resources) resources->SetLoadInThread(flag->GetBool());
}

void ConfigGetData(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    const vK_Data* key = vK_ApiArgs::At(args, 0);
    if (!key) {
        Log("Error: empty key in vk.config.GetData");
        return;
    }
    vK_Config* config = vK_Config::Instance();
    const vK_Data* value = config ? config->GetData(key->ToString()) : nullptr;
    if (value) results.Push(value->Clone());
}

constexpr vK_ScriptApiEntry kEntries[] = {
    {"vk.GetEngineVersion; GetEngineVersion",
     &GetEngineVersion,
     {"-> string", "The engine's version, \"1.4.198.Dec 24 2015\"."}},
    {"vk.GetFPS; GetFPS", &GetFPS, {"-> number", "The frame rate measured over the last frames."}},
    {"vk.GetNumDrawCalls",
     &GetNumDrawCalls,
     {"-> int", "Always 0: the renderer does not count draw calls for scripts."}},
    {"vk.GetPlatform; GetPlatform", &GetPlatform, {"-> string", "Always \"pc\"."}},
    {"vk.GetInterfaceParadigm; GetInterfaceParadigm",
     &GetInterfaceParadigm,
     {"-> string", "The engine's interface paradigm text."}},
    {"vk.GetInterfaceOrientation; GetInterfaceOrientation",
     &GetInterfaceOrientation,
     {"-> string", "The engine's interface orientation text."}},
    {"vk.IsEditor; IsEditor", &IsEditor, {"-> bool", "Always false."}},
    {"vk.EnableMultitouch; EnableMultitouch",
     &EnableMultitouch,
     {"enabled: bool", "Stores the multitouch switch; the desktop build has no touch input."}},
    {"vk.EnableStartScreens; EnableStartScreens", &EnableStartScreens, {"-> bool", "Always true."}},
    {"vk.LoadTexturesInThread",
     &LoadTexturesInThread,
     {"enabled: bool", "Sets the resource cache's background-loading switch."}},
    {"vk.config.GetData",
     &ConfigGetData,
     {"path: string -> any",
      "A copy of the configuration value at the dotted path (see config.md), or nothing when there is "
      "none."}},
};
}  // namespace

vK_ScriptApiGroup ScriptApiEngine() { return kEntries; }
