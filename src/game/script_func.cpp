#include "game/script_func.h"

#include <string>

#include "core/application.h"
#include "core/mediator.h"
#include "core/vrakko.h"
#include "files/log.h"
#include "game/game_config.h"
#include "game/game_message_ids.h"
#include "game/profile_list.h"
#include "game/settings.h"
#include "graphics/matrix.h"
#include "media/sound_hub.h"
#include "scene/cursor.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "script/api_args.h"
#include "script/script_hub.h"

namespace {
using vK_ApiArgs::At;

// The level the game's functions address when no parent object is named.
constexpr const char* kLevelInternal = "vy_level_internal";

std::string Text(const vK_DataArray& args, unsigned index) {
    const vK_Data* value = At(args, index);
    return value ? value->ToString() : std::string();
}

int32_t IntOr(const vK_DataArray& args, unsigned index, int32_t def) {
    const vK_Data* value = At(args, index);
    return value ? value->GetInt() : def;
}

void Send(const vK_MessageId& id, vK_DataTable& payload) {
    if (vK_Mediator* mediator = vK_Mediator::Instance()) mediator->Send(id, &payload);
}

vY_Edition Edition() {
    const vY_GameConfig* config = vY_GameConfig::Instance();
    return config ? config->GetEdition() : vY_Edition::Build();
}

// --- level, application and sounds ---

void DbgBreak(const vK_DataArray&, void*, vK_DataArray&) { Log("DbgBreak"); }

void Nothing(const vK_DataArray&, void*, vK_DataArray&) {}

void PauseLevel(const vK_DataArray& args, void*, vK_DataArray&) {
    const vK_Data* value = At(args, 0);
    if (!value) return;
    vK_DataTable payload;
    payload.SetInt("pause", value->GetInt());
    Send(MSG_Command_Level_Pause, payload);
}

void SwitchLevel(const vK_DataArray& args, void*, vK_DataArray&) {
    vK_DataTable payload;
    payload.SetString("module", Text(args, 0));
    payload.SetString("func", Text(args, 1));
    Send(MSG_Command_Application_SwitchLevel, payload);
}

void Quit(const vK_DataArray&, void*, vK_DataArray&) {
    if (Vrakko* engine = Vrakko::Instance()) engine->Quit();
}

void ApplyObj(const vK_DataArray& args, void*, vK_DataArray& results) {
    vK_DataTable payload;
    payload.SetString("obj_name", Text(args, 0));
    payload.SetString("toobj_name", Text(args, 1));
    payload.SetString("parentobj_name", At(args, 2) ? Text(args, 2) : kLevelInternal);
    Send(MSG_Request_Level_TryApplyObj, payload);
    const vK_Data* result = payload.Get("result");
    results.PushBool(result && result->GetInt() == 1);
}

// Play (name, channel, loop, flag, fade-in or 0); sound effects are the only flagged ones.
void PlayOn(const vK_DataArray& args, const char* channel, bool flag) {
    vK_SoundHub* hub = vK_SoundHub::Instance();
    const vK_Data* name = At(args, 0);
    if (!hub || !name) return;
    const vK_Data* loop = At(args, 1);
    const vK_Data* fade = At(args, 2);
    hub->Play(name->ToString(), channel, loop && loop->GetBool(), flag, fade ? fade->GetFloat() : 0.0f);
}

void PlaySfx(const vK_DataArray& args, void*, vK_DataArray&) { PlayOn(args, "sfx", true); }
void PlayEnv(const vK_DataArray& args, void*, vK_DataArray&) { PlayOn(args, "env", false); }
void PlaySoundtrack(const vK_DataArray& args, void*, vK_DataArray&) { PlayOn(args, "soundtrack", false); }
void PlayVoice(const vK_DataArray& args, void*, vK_DataArray&) { PlayOn(args, "voice", false); }

// --- settings ---

void GetPerformanceMode(const vK_DataArray&, void*, vK_DataArray& results) {
    const vY_Settings* settings = vY_Settings::Instance();
    results.PushInt(settings ? settings->GetPerformance() : 0);
}

void SetPerformanceMode(const vK_DataArray& args, void*, vK_DataArray&) {
    vY_Settings* settings = vY_Settings::Instance();
    if (settings && At(args, 0)) settings->SetPerformance(At(args, 0)->GetInt());
}

void GetGamma(const vK_DataArray&, void*, vK_DataArray& results) {
    const vY_Settings* settings = vY_Settings::Instance();
    results.PushFloat(settings ? settings->GetGamma() : 1.0f);
}

void SetGamma(const vK_DataArray& args, void*, vK_DataArray&) {
    vY_Settings* settings = vY_Settings::Instance();
    if (settings && At(args, 0)) settings->SetGamma(At(args, 0)->GetFloat());
}

void SetFullScreen(const vK_DataArray& args, void*, vK_DataArray& results) {
    vY_Settings* settings = vY_Settings::Instance();
    const vK_Data* value = At(args, 0);
    results.PushBool(settings && value && settings->SetFullscreen(value->GetBool(), false));
}

void GetFullScreen(const vK_DataArray&, void*, vK_DataArray& results) {
    const vY_Settings* settings = vY_Settings::Instance();
    results.PushBool(settings && settings->GetFullscreen());
}

void GetWideScreen(const vK_DataArray&, void*, vK_DataArray& results) {
    const vY_Settings* settings = vY_Settings::Instance();
    results.PushBool(settings && settings->GetWidescreen());
}

void SetWideScreen(const vK_DataArray& args, void*, vK_DataArray& results) {
    vY_Settings* settings = vY_Settings::Instance();
    const vK_Data* value = At(args, 0);
    results.PushBool(settings && value && settings->SetWidescreen(value->GetBool(), false));
}

void SetSysCursor(const vK_DataArray& args, void*, vK_DataArray&) {
    vY_Settings* settings = vY_Settings::Instance();
    if (settings && At(args, 0)) settings->SetSysCursor(At(args, 0)->GetBool());
}

void GetSysCursor(const vK_DataArray&, void*, vK_DataArray& results) {
    const vY_Settings* settings = vY_Settings::Instance();
    results.PushBool(settings && settings->GetSysCursor());
}

void SetSoundVolume(const vK_DataArray& args, void*, vK_DataArray&) {
    vY_Settings* settings = vY_Settings::Instance();
    if (settings && At(args, 0) && At(args, 1)) settings->SetVolume(Text(args, 0), At(args, 1)->GetFloat());
}

void GetSoundVolume(const vK_DataArray& args, void*, vK_DataArray& results) {
    const vY_Settings* settings = vY_Settings::Instance();
    results.PushFloat(settings ? settings->GetVolume(Text(args, 0)) : 0.0f);
}

void SaveSettings(const vK_DataArray&, void*, vK_DataArray&) {
    if (const vY_Settings* settings = vY_Settings::Instance()) settings->Save();
}

// --- configuration ---

void GetUrl(const vK_DataArray&, void*, vK_DataArray& results) {
    const vY_GameConfig* config = vY_GameConfig::Instance();
    results.PushString(config ? config->GetUrl() : std::string());
}

void GetGuideUrl(const vK_DataArray&, void*, vK_DataArray& results) {
    const vY_GameConfig* config = vY_GameConfig::Instance();
    results.PushString(config ? config->GetGuideUrl() : std::string());
}

void ConfigGetHintTime(const vK_DataArray& args, void*, vK_DataArray& results) {
    const vY_GameConfig* config = vY_GameConfig::Instance();
    const int32_t def = IntOr(args, 1, 0);
    results.PushInt(config ? config->GetHintTime(Text(args, 0), def) : def);
}

void ConfigGetSkipTime(const vK_DataArray& args, void*, vK_DataArray& results) {
    const vY_GameConfig* config = vY_GameConfig::Instance();
    const int32_t def = IntOr(args, 1, 0);
    results.PushInt(config ? config->GetSkipTime(Text(args, 0), def) : def);
}

void ConfigGetInventorySize(const vK_DataArray& args, void*, vK_DataArray& results) {
    const vY_GameConfig* config = vY_GameConfig::Instance();
    const int32_t def = IntOr(args, 0, 0);
    results.PushInt(config ? config->GetInventorySize(def) : def);
}

void ConfigGetProjectVersion(const vK_DataArray&, void*, vK_DataArray& results) {
    const vY_GameConfig* config = vY_GameConfig::Instance();
    results.PushString(config ? config->GetProjectVersion() : std::string());
}

// --- profiles ---

void GetProfileList(const vK_DataArray&, void*, vK_DataArray& results) {
    vK_DataArray* names = new vK_DataArray();
    results.Push(names);
    const vY_ProfileList* profiles = vY_ProfileList::Instance();
    if (!profiles) return;
    for (int i = 0; i < profiles->GetCount(); ++i) names->PushString(profiles->GetProfileName(i));
}

void GetCurrentProfile(const vK_DataArray&, void*, vK_DataArray& results) {
    const vY_ProfileList* profiles = vY_ProfileList::Instance();
    results.PushString(profiles ? profiles->GetCurrentName() : std::string());
}

void SetCurrentProfile(const vK_DataArray& args, void*, vK_DataArray&) {
    vY_ProfileList* profiles = vY_ProfileList::Instance();
    if (profiles && At(args, 0)) profiles->SelectProfile(Text(args, 0));
}

void AddProfile(const vK_DataArray& args, void*, vK_DataArray& results) {
    vY_ProfileList* profiles = vY_ProfileList::Instance();
    results.PushBool(profiles && At(args, 0) && profiles->AddProfile(Text(args, 0)));
}

void DeleteProfile(const vK_DataArray& args, void*, vK_DataArray&) {
    vY_ProfileList* profiles = vY_ProfileList::Instance();
    if (profiles && At(args, 0)) profiles->DeleteProfile(Text(args, 0));
}

void LoadCurrentProfile(const vK_DataArray&, void*, vK_DataArray& results) {
    vY_ProfileList* profiles = vY_ProfileList::Instance();
    results.PushBool(profiles && profiles->LoadCurrentProfile());
}

void SaveProfiles(const vK_DataArray&, void*, vK_DataArray&) {
    if (const vY_ProfileList* profiles = vY_ProfileList::Instance()) profiles->SaveCurrentProfile();
}

// --- desktop services: the engine's, so each platform decides what they do ---

void CopyFileToMyDocs(const vK_DataArray& args, void*, vK_DataArray&) {
    Vrakko* engine = Vrakko::Instance();
    if (engine && At(args, 0)) engine->CopyToDocuments(Text(args, 0));
}

void SetWallpaper(const vK_DataArray& args, void*, vK_DataArray&) {
    Vrakko* engine = Vrakko::Instance();
    if (engine && At(args, 0)) engine->SetWallpaper(Text(args, 0));
}

void OpenBrowser(const vK_DataArray& args, void*, vK_DataArray&) {
    Vrakko* engine = Vrakko::Instance();
    if (engine && At(args, 0)) engine->OpenUrl(Text(args, 0));
}

// Only installs: a screen saver's folder is never removed on the script's word.
void SetScreensaver(const vK_DataArray& args, void*, vK_DataArray&) {
    Vrakko* engine = Vrakko::Instance();
    if (engine && At(args, 0)) engine->InstallScreensaver(Text(args, 0));
}

void IsNoSoundDevice(const vK_DataArray&, void*, vK_DataArray& results) {
    const vK_SoundHub* hub = vK_SoundHub::Instance();
    results.PushBool(!hub || !hub->HasDevice());
}

void IsForceFullscreen(const vK_DataArray&, void*, vK_DataArray& results) {
    vK_DataTable request;
    Send(MSG_Request_Application_IsForceFullscreen, request);
    const vK_Data* result = request.Get("result");
    results.PushBool(result && result->GetBool());
}

// --- coordinates and sizes ---

void GetGameCursorPos(const vK_DataArray&, void*, vK_DataArray& results) {
    const vK_Cursor* cursor = vK_Cursor::Instance();
    vK_Matrix inverse;
    vK_DataArray* position = new vK_DataArray();
    results.Push(position);
    float x = 0.0f;
    float y = 0.0f;
    if (cursor && vY_ScriptFunc::ApplicationMatrix().Inverse2D(inverse)) {
        inverse.Transform(cursor->GetX(), cursor->GetY(), x, y);
    }
    position->PushFloat(x);
    position->PushFloat(y);
}

void GetAppWidth(const vK_DataArray&, void*, vK_DataArray& results) {
    vK_DataTable request;
    Send(MSG_Request_Application_GetWidht, request);
    const vK_Data* width = request.Get("width");
    results.PushInt(width ? width->GetInt() : 0);
}

void PushSize(vK_DataArray& results, int w, int h) {
    vK_DataTable* size = results.PushTable();
    size->SetInt("w", w);
    size->SetInt("h", h);
}

void GetScreenSize(const vK_DataArray&, void*, vK_DataArray& results) {
    const Vrakko* engine = Vrakko::Instance();
    PushSize(results, engine ? engine->GetWidth() : 0, engine ? engine->GetHeight() : 0);
}

void GetAppSize(const vK_DataArray&, void*, vK_DataArray& results) {
    const Vrakko* engine = Vrakko::Instance();
    vK_Application* application = engine ? engine->GetApplication() : nullptr;
    const vK_DisplayMode mode = application ? application->GetDisplayMode(true) : vK_DisplayMode();
    PushSize(results, mode.width, mode.height);
}

// --- build flags ---

void IsCollectorsEdition(const vK_DataArray&, void*, vK_DataArray& results) {
    results.PushBool(Edition().collectors);
}
void IsSurveyEdition(const vK_DataArray&, void*, vK_DataArray& results) {
    results.PushBool(Edition().survey);
}
void IsCheater(const vK_DataArray&, void*, vK_DataArray& results) { results.PushBool(Edition().cheater); }
void IsStreaming(const vK_DataArray&, void*, vK_DataArray& results) { results.PushBool(Edition().streaming); }
void False(const vK_DataArray&, void*, vK_DataArray& results) { results.PushBool(false); }

// --- handheld answers and the rest ---

void Zero(const vK_DataArray&, void*, vK_DataArray& results) { results.PushInt(0); }
void Lang(const vK_DataArray&, void*, vK_DataArray& results) { results.PushString("en"); }
void ObbInit(const vK_DataArray&, void*, vK_DataArray& results) { results.PushString("ready"); }

void PerformUpdate(const vK_DataArray&, void*, vK_DataArray&) {
    vK_DataTable payload;
    Send(MSG_Event_KWL_Version_Check_Perform_Update, payload);
}

void LogTraceObjsInfo(const vK_DataArray&, void*, vK_DataArray&) {
    const vK_Scene* scene = vK_Scene::Instance();
    Log("\nvY_ScriptFunc::LogTraceObjsInfo GetOrigin():");
    if (scene && scene->GetLiveRoot()) scene->GetLiveRoot()->DumpTree(false, 0);
    Log("\nvY_ScriptFunc::LogTraceObjsInfo GetStorage():");
    if (scene && scene->GetStorageRoot()) scene->GetStorageRoot()->DumpTree(false, 0);
    Log("\n");
}

constexpr vK_ScriptApiEntry kEntries[] = {
    {"GetStrategyGuide", &vY_ScriptFunc::GetStrategyGuide},
    {"DbgBreak", &DbgBreak},
    {"DbgPrintCallstack", &Nothing},
    {"PauseLevel", &PauseLevel},
    {"SwitchLevel", &SwitchLevel},
    {"Quit", &Quit},
    {"ApplyObj", &ApplyObj},
    {"PlaySfx", &PlaySfx},
    {"PlayEnv", &PlayEnv},
    {"PlaySoundtrack", &PlaySoundtrack},
    {"PlayVoice", &PlayVoice},
    {"GetPerformanceMode", &GetPerformanceMode},
    {"SetPerformanceMode", &SetPerformanceMode},
    {"GetGamma", &GetGamma},
    {"SetGamma", &SetGamma},
    {"SetFullScreen", &SetFullScreen},
    {"GetFullScreen", &GetFullScreen},
    {"GetWideScreen", &GetWideScreen},
    {"SetWideScreen", &SetWideScreen},
    {"SetSysCursor", &SetSysCursor},
    {"GetSysCursor", &GetSysCursor},
    {"SetSoundVolume", &SetSoundVolume},
    {"GetSoundVolume", &GetSoundVolume},
    {"GetUrl", &GetUrl},
    {"GetGuideUrl", &GetGuideUrl},
    {"SaveSettings", &SaveSettings},
    {"GetProfileList", &GetProfileList},
    {"GetCurrentProfile", &GetCurrentProfile},
    {"SetCurrentProfile", &SetCurrentProfile},
    {"AddProfile", &AddProfile},
    {"DeleteProfile", &DeleteProfile},
    {"LoadCurrentProfile", &LoadCurrentProfile},
    {"SaveProfiles", &SaveProfiles},
    {"CopyFileToMyDocs", &CopyFileToMyDocs},
    {"SetWallpaper", &SetWallpaper},
    {"OpenBrowser", &OpenBrowser},
    {"SetScreensaver", &SetScreensaver},
    {"IsNoSoundDevice", &IsNoSoundDevice},
    {"IsForceFullscreen", &IsForceFullscreen},
    {"GetObjPosByObj", &vY_ScriptFunc::GetObjPosByObj},
    {"GetGameCursorPos", &GetGameCursorPos},
    {"GetZoomCursorPos", &GetGameCursorPos},
    {"GetAppWidth", &GetAppWidth},
    {"IsCollectorsEdition", &IsCollectorsEdition},
    {"IsSurveyEdition", &IsSurveyEdition},
    {"IsCheater", &IsCheater},
    {"IsStreaming", &IsStreaming},
    {"IsEditor", &False},
    {"ConfigGetHintTime", &ConfigGetHintTime},
    {"ConfigGetSkipTime", &ConfigGetSkipTime},
    {"ConfigGetInventorySize", &ConfigGetInventorySize},
    {"ConfigGetProjectVersion", &ConfigGetProjectVersion},
    {"iOS_iSplashPressed", &Nothing},
    {"iOS_IsiSplashPressed", &Zero},
    {"iOS_MoreGamesPressed", &Nothing},
    {"iOS_RateItPressed", &Nothing},
    {"iOS_FeedbackPress", &Nothing},
    {"iOS_IsRated", &Zero},
    {"iOS_Terms", &Nothing},
    {"iOS_Policy", &Nothing},
    {"iOS_Support", &Nothing},
    {"iOS_RateMe", &Nothing},
    {"iOS_RegisterGameplay", &Nothing},
    {"iOS_ManageAds", &Nothing},
    {"iOS_LogEvents", &Nothing},
    {"iOS_EnableMultiTouch", &Nothing},
    {"iOS_IsGameFinderInstalled", &Zero},
    {"iOS_InstallGameFinder", &Nothing},
    {"iOS_GetLang", &Lang},
    {"iOS_InternetConnection", &Zero},
    {"iOS_InstallGameApp", &Nothing},
    {"iOS_LaunchGameApp", &Nothing},
    {"iOS_LaunchGameAppMoreGames", &Nothing},
    {"iOS_PerformanceWarning", &Nothing},
    {"PerformUpdate", &PerformUpdate},
    {"GetScreenSize", &GetScreenSize},
    {"GetAppSize", &GetAppSize},
    {"IsIpad", &False},
    {"IsIphone", &False},
    {"OpenAppStore", &Nothing},
    {"ObbInit", &ObbInit},
    {"iOS_Exit", &Nothing},
    {"LogTraceObjsInfo", &LogTraceObjsInfo},
};
}  // namespace

std::span<const vK_ScriptApiEntry> vY_ScriptFunc::Entries() { return kEntries; }

void vY_ScriptFunc::Register(vK_ScriptHub& hub) {
    for (const vK_ScriptApiEntry& entry : kEntries)
        hub.RegisterFunction(entry.names, entry.function, nullptr);
}
