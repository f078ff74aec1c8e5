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
#include "platform/desktop_services.h"
#include "scene/cursor.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "script/api_args.h"
#include "script/script_hub.h"

namespace {
using vK_ApiArgs::At;

// The level the game's functions address when no parent object is named.
constexpr const char* kLevelInternal = "vy_level_internal";

std::string Text(const vK_ScriptArgs& args, unsigned index) {
    const vK_Data* value = At(args, index);
    return value ? value->ToString() : std::string();
}

int32_t IntOr(const vK_ScriptArgs& args, unsigned index, int32_t def) {
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

void DbgBreak(const vK_ScriptArgs&, void*, vK_DataArray&) { Log("DbgBreak"); }

void Nothing(const vK_ScriptArgs&, void*, vK_DataArray&) {}

void PauseLevel(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    const vK_Data* value = At(args, 0);
    if (!value) return;
    vK_DataTable payload;
    payload.SetInt("pause", value->GetInt());
    Send(MSG_Command_Level_Pause, payload);
}

void SwitchLevel(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_DataTable payload;
    payload.SetString("module", Text(args, 0));
    payload.SetString("func", Text(args, 1));
    Send(MSG_Command_Application_SwitchLevel, payload);
}

void Quit(const vK_ScriptArgs&, void*, vK_DataArray&) {
    if (Vrakko* engine = Vrakko::Instance()) engine->Quit();
}

void ApplyObj(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    vK_DataTable payload;
    payload.SetString("obj_name", Text(args, 0));
    payload.SetString("toobj_name", Text(args, 1));
    payload.SetString("parentobj_name", At(args, 2) ? Text(args, 2) : kLevelInternal);
    Send(MSG_Request_Level_TryApplyObj, payload);
    const vK_Data* result = payload.Get("result");
    results.PushBool(result && result->GetInt() == 1);
}

// Play (name, channel, loop, flag, fade-in or 0); sound effects are the only flagged ones.
void PlayOn(const vK_ScriptArgs& args, const char* channel, bool flag) {
    vK_SoundHub* hub = vK_SoundHub::Instance();
    const vK_Data* name = At(args, 0);
    if (!hub || !name) return;
    const vK_Data* loop = At(args, 1);
    const vK_Data* fade = At(args, 2);
    hub->Play(name->ToString(), channel, loop && loop->GetBool(), flag, fade ? fade->GetFloat() : 0.0f);
}

void PlaySfx(const vK_ScriptArgs& args, void*, vK_DataArray&) { PlayOn(args, "sfx", true); }
void PlayEnv(const vK_ScriptArgs& args, void*, vK_DataArray&) { PlayOn(args, "env", false); }
void PlaySoundtrack(const vK_ScriptArgs& args, void*, vK_DataArray&) { PlayOn(args, "soundtrack", false); }
void PlayVoice(const vK_ScriptArgs& args, void*, vK_DataArray&) { PlayOn(args, "voice", false); }

// --- settings ---

void GetPerformanceMode(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    const vY_Settings* settings = vY_Settings::Instance();
    results.PushInt(settings ? settings->GetPerformance() : 0);
}

void SetPerformanceMode(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vY_Settings* settings = vY_Settings::Instance();
    if (settings && At(args, 0)) settings->SetPerformance(At(args, 0)->GetInt());
}

void GetGamma(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    const vY_Settings* settings = vY_Settings::Instance();
    results.PushFloat(settings ? settings->GetGamma() : 1.0f);
}

void SetGamma(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vY_Settings* settings = vY_Settings::Instance();
    if (settings && At(args, 0)) settings->SetGamma(At(args, 0)->GetFloat());
}

void SetFullScreen(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    vY_Settings* settings = vY_Settings::Instance();
    const vK_Data* value = At(args, 0);
    results.PushBool(settings && value && settings->SetFullscreen(value->GetBool(), false));
}

void GetFullScreen(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    const vY_Settings* settings = vY_Settings::Instance();
    results.PushBool(settings && settings->GetFullscreen());
}

void GetWideScreen(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    const vY_Settings* settings = vY_Settings::Instance();
    results.PushBool(settings && settings->GetWidescreen());
}

void SetWideScreen(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    vY_Settings* settings = vY_Settings::Instance();
    const vK_Data* value = At(args, 0);
    results.PushBool(settings && value && settings->SetWidescreen(value->GetBool(), false));
}

void SetSysCursor(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vY_Settings* settings = vY_Settings::Instance();
    if (settings && At(args, 0)) settings->SetSysCursor(At(args, 0)->GetBool());
}

void GetSysCursor(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    const vY_Settings* settings = vY_Settings::Instance();
    results.PushBool(settings && settings->GetSysCursor());
}

void SetSoundVolume(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vY_Settings* settings = vY_Settings::Instance();
    if (settings && At(args, 0) && At(args, 1)) settings->SetVolume(Text(args, 0), At(args, 1)->GetFloat());
}

void GetSoundVolume(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    const vY_Settings* settings = vY_Settings::Instance();
    results.PushFloat(settings ? settings->GetVolume(Text(args, 0)) : 0.0f);
}

void SaveSettings(const vK_ScriptArgs&, void*, vK_DataArray&) {
    if (const vY_Settings* settings = vY_Settings::Instance()) settings->Save();
}

// --- configuration ---

void GetUrl(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    const vY_GameConfig* config = vY_GameConfig::Instance();
    results.PushString(config ? config->GetUrl() : std::string());
}

void GetGuideUrl(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    const vY_GameConfig* config = vY_GameConfig::Instance();
    results.PushString(config ? config->GetGuideUrl() : std::string());
}

void ConfigGetHintTime(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    const vY_GameConfig* config = vY_GameConfig::Instance();
    const int32_t def = IntOr(args, 1, 0);
    results.PushInt(config ? config->GetHintTime(Text(args, 0), def) : def);
}

void ConfigGetSkipTime(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    const vY_GameConfig* config = vY_GameConfig::Instance();
    const int32_t def = IntOr(args, 1, 0);
    results.PushInt(config ? config->GetSkipTime(Text(args, 0), def) : def);
}

void ConfigGetInventorySize(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    const vY_GameConfig* config = vY_GameConfig::Instance();
    const int32_t def = IntOr(args, 0, 0);
    results.PushInt(config ? config->GetInventorySize(def) : def);
}

void ConfigGetProjectVersion(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    const vY_GameConfig* config = vY_GameConfig::Instance();
    results.PushString(config ? config->GetProjectVersion() : std::string());
}

// --- profiles ---

void GetProfileList(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    vK_DataArray* names = new vK_DataArray();
    results.Push(names);
    const vY_ProfileList* profiles = vY_ProfileList::Instance();
    if (!profiles) return;
    for (int i = 0; i < profiles->GetCount(); ++i) names->PushString(profiles->GetProfileName(i));
}

void GetCurrentProfile(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    const vY_ProfileList* profiles = vY_ProfileList::Instance();
    results.PushString(profiles ? profiles->GetCurrentName() : std::string());
}

void SetCurrentProfile(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vY_ProfileList* profiles = vY_ProfileList::Instance();
    if (profiles && At(args, 0)) profiles->SelectProfile(Text(args, 0));
}

void AddProfile(const vK_ScriptArgs& args, void*, vK_DataArray& results) {
    vY_ProfileList* profiles = vY_ProfileList::Instance();
    results.PushBool(profiles && At(args, 0) && profiles->AddProfile(Text(args, 0)));
}

void DeleteProfile(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vY_ProfileList* profiles = vY_ProfileList::Instance();
    if (profiles && At(args, 0)) profiles->DeleteProfile(Text(args, 0));
}

void LoadCurrentProfile(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    vY_ProfileList* profiles = vY_ProfileList::Instance();
    results.PushBool(profiles && profiles->LoadCurrentProfile());
}

void SaveProfiles(const vK_ScriptArgs&, void*, vK_DataArray&) {
    if (const vY_ProfileList* profiles = vY_ProfileList::Instance()) profiles->SaveCurrentProfile();
}

// --- desktop services: the platform's, so each system decides what they do ---

void CopyFileToMyDocs(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_DesktopServices* desktop = vK_DesktopServices::Instance();
    if (desktop && At(args, 0)) desktop->CopyToDocuments(Text(args, 0));
}

void SetWallpaper(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_DesktopServices* desktop = vK_DesktopServices::Instance();
    if (desktop && At(args, 0)) desktop->SetWallpaper(Text(args, 0));
}

void OpenBrowser(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_DesktopServices* desktop = vK_DesktopServices::Instance();
    if (desktop && At(args, 0)) desktop->OpenUrl(Text(args, 0));
}

// Only installs: a screen saver's folder is never removed on the script's word.
void SetScreensaver(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    vK_DesktopServices* desktop = vK_DesktopServices::Instance();
    if (desktop && At(args, 0)) desktop->InstallScreensaver(Text(args, 0));
}

void IsNoSoundDevice(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    const vK_SoundHub* hub = vK_SoundHub::Instance();
    results.PushBool(!hub || !hub->HasDevice());
}

void IsForceFullscreen(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    vK_DataTable request;
    Send(MSG_Request_Application_IsForceFullscreen, request);
    const vK_Data* result = request.Get("result");
    results.PushBool(result && result->GetBool());
}

// --- coordinates and sizes ---

void GetGameCursorPos(const vK_ScriptArgs&, void*, vK_DataArray& results) {
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

void GetAppWidth(const vK_ScriptArgs&, void*, vK_DataArray& results) {
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

void GetScreenSize(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    const Vrakko* engine = Vrakko::Instance();
    PushSize(results, engine ? engine->GetWidth() : 0, engine ? engine->GetHeight() : 0);
}

void GetAppSize(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    const Vrakko* engine = Vrakko::Instance();
    vK_Application* application = engine ? engine->GetApplication() : nullptr;
    const vK_DisplayMode mode = application ? application->GetDisplayMode(true) : vK_DisplayMode();
    PushSize(results, mode.width, mode.height);
}

// --- build flags ---

void IsCollectorsEdition(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    results.PushBool(Edition().collectors);
}
void IsSurveyEdition(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    results.PushBool(Edition().survey);
}
void IsCheater(const vK_ScriptArgs&, void*, vK_DataArray& results) { results.PushBool(Edition().cheater); }
void IsStreaming(const vK_ScriptArgs&, void*, vK_DataArray& results) {
    results.PushBool(Edition().streaming);
}
void False(const vK_ScriptArgs&, void*, vK_DataArray& results) { results.PushBool(false); }

// --- handheld answers and the rest ---

void Zero(const vK_ScriptArgs&, void*, vK_DataArray& results) { results.PushInt(0); }
void Lang(const vK_ScriptArgs&, void*, vK_DataArray& results) { results.PushString("en"); }
void ObbInit(const vK_ScriptArgs&, void*, vK_DataArray& results) { results.PushString("ready"); }

void PerformUpdate(const vK_ScriptArgs&, void*, vK_DataArray&) {
    vK_DataTable payload;
    Send(MSG_Event_KWL_Version_Check_Perform_Update, payload);
}

void LogTraceObjsInfo(const vK_ScriptArgs&, void*, vK_DataArray&) {
    const vK_Scene* scene = vK_Scene::Instance();
    Log("\nvY_ScriptFunc::LogTraceObjsInfo GetOrigin():");
    if (scene && scene->GetLiveRoot()) scene->GetLiveRoot()->DumpTree(false, 0);
    Log("\nvY_ScriptFunc::LogTraceObjsInfo GetStorage():");
    if (scene && scene->GetStorageRoot()) scene->GetStorageRoot()->DumpTree(false, 0);
    Log("\n");
}

constexpr vK_ScriptApiEntry kEntries[] = {
    {"GetStrategyGuide",
     &vY_ScriptFunc::GetStrategyGuide,
     {"file: string -> {toc = table, chapters = {table, ...}}",
      "Reads a strategy-guide XML file (see formats/strategy_guide.md) into its table of contents and "
      "chapters; nothing when the file does not load."}},
    {"DbgBreak", &DbgBreak, {"", "Writes the log line \"DbgBreak\"."}},
    {"DbgPrintCallstack", &Nothing, {"", "Does nothing."}},
    {"PauseLevel",
     &PauseLevel,
     {"pause: int",
      "Sends \"Command_Level_Pause\" {pause}: 1 stops the level's content from updating, 0 lets it go on."}},
    {"SwitchLevel",
     &SwitchLevel,
     {"module: string, func: string",
      "Leaves the current level for the level module, showing the loading screen, and runs the code func "
      "once the new module is loaded."}},
    {"Quit", &Quit, {"", "Ends the game after the current frame."}},
    {"ApplyObj",
     &ApplyObj,
     {"object: name, target: name, parent: name = \"vy_level_internal\" -> bool",
      "Asks the level (\"Request_Level_TryApplyObj\") whether object, dropped on target under parent, is "
      "used there; true when the level answers result 1."}},
    {"PlaySfx",
     &PlaySfx,
     {"name: string, loop: bool = false, fade_in: number = 0",
      "Plays NAME.ogg on the \"sfx\" channel, whose volume is the player's setting."}},
    {"PlayEnv",
     &PlayEnv,
     {"name: string, loop: bool = false, fade_in: number = 0",
      "Plays NAME.ogg on the \"env\" (ambience) channel."}},
    {"PlaySoundtrack",
     &PlaySoundtrack,
     {"name: string, loop: bool = false, fade_in: number = 0",
      "Plays NAME.ogg on the \"soundtrack\" (music) channel."}},
    {"PlayVoice",
     &PlayVoice,
     {"name: string, loop: bool = false, fade_in: number = 0", "Plays NAME.ogg on the \"voice\" channel."}},
    {"GetPerformanceMode",
     &GetPerformanceMode,
     {"-> int", "The player's performance setting: 1 freezes the \"partsys_pm\" particle systems."}},
    {"SetPerformanceMode",
     &SetPerformanceMode,
     {"mode: int", "Changes the performance setting (saved by SaveSettings)."}},
    {"GetGamma", &GetGamma, {"-> number", "The player's brightness factor (1 is neutral)."}},
    {"SetGamma",
     &SetGamma,
     {"gamma: number", "Changes the brightness factor at once (saved by SaveSettings)."}},
    {"SetFullScreen",
     &SetFullScreen,
     {"fullscreen: bool -> bool",
      "Switches between full screen and a window; false when the display could not change."}},
    {"GetFullScreen", &GetFullScreen, {"-> bool", "Whether the game runs full screen."}},
    {"GetWideScreen", &GetWideScreen, {"-> bool", "Whether the reference area is the wide 1366 x 768 one."}},
    {"SetWideScreen",
     &SetWideScreen,
     {"widescreen: bool -> bool",
      "Switches the reference area between 1024 x 768 and 1366 x 768 "
      "(\"Command_Application_ChangeWidescreen\")."}},
    {"SetSysCursor",
     &SetSysCursor,
     {"system: bool", "Shows the system's cursor instead of the game's images, and records the setting."}},
    {"GetSysCursor", &GetSysCursor, {"-> bool", "Whether the system's cursor is the player's setting."}},
    {"SetSoundVolume",
     &SetSoundVolume,
     {"channel: string, volume: number",
      "Sets a channel's volume (\"sfx\", \"env\", \"soundtrack\", \"voice\"), clamped to 0..1, for the "
      "sounds playing and to come."}},
    {"GetSoundVolume",
     &GetSoundVolume,
     {"channel: string -> number", "A channel's volume, 0 for an unknown channel."}},
    {"GetUrl", &GetUrl, {"-> string", "The configuration's \"publisher_settings.url\"."}},
    {"GetGuideUrl", &GetGuideUrl, {"-> string", "The configuration's \"publisher_settings.guide_url\"."}},
    {"SaveSettings",
     &SaveSettings,
     {"",
      "Writes the player's settings (volumes, screen, gamma, cursor, performance) to "
      "\"save/settings.json\"."}},
    {"GetProfileList",
     &GetProfileList,
     {"-> {string, ...}", "The players' names in the order they were added."}},
    {"GetCurrentProfile",
     &GetCurrentProfile,
     {"-> string", "The selected player's name, \"\" when there is none."}},
    {"SetCurrentProfile",
     &SetCurrentProfile,
     {"name: string",
      "Selects the player of that name (nothing when there is none); it is stored by the next "
      "SaveProfiles."}},
    {"AddProfile",
     &AddProfile,
     {"name: string -> bool",
      "Adds a player with a fresh profile file id; false when the name is taken. SaveProfiles stores the "
      "list."}},
    {"DeleteProfile",
     &DeleteProfile,
     {"name: string", "Removes the player, saves the list and deletes the player's progress file."}},
    {"LoadCurrentProfile",
     &LoadCurrentProfile,
     {"-> bool",
      "Reads the selected player's progress into the global vy_global; false (vy_global unchanged) when "
      "there is no player or no readable file."}},
    {"SaveProfiles",
     &SaveProfiles,
     {"",
      "Writes the player list (\"save/profile_list.json\") and the selected player's progress, the current "
      "vy_global, to that player's file."}},
    {"CopyFileToMyDocs",
     &CopyFileToMyDocs,
     {"path: string",
      "Copies a file of the game's folder into a folder named after the game in the user's documents "
      "folder."}},
    {"SetWallpaper",
     &SetWallpaper,
     {"path: string", "The desktop wallpaper service: logs once and does nothing on this platform."}},
    {"OpenBrowser", &OpenBrowser, {"url: string", "Opens the address in the user's browser."}},
    {"SetScreensaver",
     &SetScreensaver,
     {"path: string", "The screen-saver service: logs once and does nothing on this platform."}},
    {"IsNoSoundDevice", &IsNoSoundDevice, {"-> bool", "True when no audio device could be opened."}},
    {"IsForceFullscreen",
     &IsForceFullscreen,
     {"-> bool", "The application's answer to \"Request_Application_IsForceFullscreen\"."}},
    {"GetObjPosByObj",
     &vY_ScriptFunc::GetObjPosByObj,
     {"object: name, space: name = \"\" -> {x, y}",
      "The object's position (its world translation) in the space of another object, or in the application's "
      "reference space when space is empty or absent; {} for an unknown object."}},
    {"GetGameCursorPos",
     &GetGameCursorPos,
     {"-> {x, y}", "The pointer's position in the application's reference space."}},
    {"GetZoomCursorPos", &GetGameCursorPos, {"-> {x, y}", "The same as GetGameCursorPos."}},
    {"GetAppWidth", &GetAppWidth, {"-> int", "The reference area's width: 1024, or 1366 in widescreen."}},
    {"IsCollectorsEdition",
     &IsCollectorsEdition,
     {"-> bool", "Whether this build is the collector's edition."}},
    {"IsSurveyEdition", &IsSurveyEdition, {"-> bool", "Whether this build is the survey edition."}},
    {"IsCheater", &IsCheater, {"-> bool", "Whether this build has the cheat keys."}},
    {"IsStreaming", &IsStreaming, {"-> bool", "Whether this build is the streaming edition."}},
    {"IsEditor", &False, {"-> bool", "Always false."}},
    {"ConfigGetHintTime",
     &ConfigGetHintTime,
     {"name: string, default: int = 0 -> int",
      "The configuration's \"interface_settings.hint_time.NAME\", or default."}},
    {"ConfigGetSkipTime",
     &ConfigGetSkipTime,
     {"name: string, default: int = 0 -> int",
      "The configuration's \"interface_settings.skip_time.NAME\", or default."}},
    {"ConfigGetInventorySize",
     &ConfigGetInventorySize,
     {"default: int = 0 -> int", "The configuration's \"interface_settings.inventory_size\", or default."}},
    {"ConfigGetProjectVersion",
     &ConfigGetProjectVersion,
     {"-> string", "The configuration's \"version.currentVersion\"."}},
    {"iOS_iSplashPressed", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_IsiSplashPressed", &Zero, {"-> int", "Returns 0 on this platform (a handheld port's function)."}},
    {"iOS_MoreGamesPressed", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_RateItPressed", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_FeedbackPress", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_IsRated", &Zero, {"-> int", "Returns 0 on this platform (a handheld port's function)."}},
    {"iOS_Terms", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_Policy", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_Support", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_RateMe", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_RegisterGameplay", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_ManageAds", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_LogEvents", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_EnableMultiTouch", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_IsGameFinderInstalled",
     &Zero,
     {"-> int", "Returns 0 on this platform (a handheld port's function)."}},
    {"iOS_InstallGameFinder", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_GetLang", &Lang, {"-> string", "Returns \"en\" on this platform (a handheld port's function)."}},
    {"iOS_InternetConnection", &Zero, {"-> int", "Returns 0 on this platform (a handheld port's function)."}},
    {"iOS_InstallGameApp", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_LaunchGameApp", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_LaunchGameAppMoreGames",
     &Nothing,
     {"", "Does nothing on this platform (a handheld port's function)."}},
    {"iOS_PerformanceWarning", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"PerformUpdate",
     &PerformUpdate,
     {"", "Sends \"Event_KWL_Version_Check_Perform_Update\" with an empty table."}},
    {"GetScreenSize",
     &GetScreenSize,
     {"-> {w = int, h = int}", "The size of the window or screen in pixels."}},
    {"GetAppSize",
     &GetAppSize,
     {"-> {w = int, h = int}", "The application's display mode: the size the game asks for."}},
    {"IsIpad", &False, {"-> bool", "Always false."}},
    {"IsIphone", &False, {"-> bool", "Always false."}},
    {"OpenAppStore", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"ObbInit", &ObbInit, {"-> string", "Returns \"ready\" (a handheld port's function)."}},
    {"iOS_Exit", &Nothing, {"", "Does nothing on this platform (a handheld port's function)."}},
    {"LogTraceObjsInfo",
     &LogTraceObjsInfo,
     {"", "Writes the trees under vk_origin and vk_storage to the log, one line per object."}},
};
}  // namespace

std::span<const vK_ScriptApiEntry> vY_ScriptFunc::Entries() { return kEntries; }

void vY_ScriptFunc::Register(vK_ScriptHub& hub) {
    for (const vK_ScriptApiEntry& entry : kEntries)
        hub.RegisterFunction(entry.names, entry.function, nullptr, entry.doc);
}
