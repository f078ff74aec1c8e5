#pragma once
#include <string>

// What the application and the level need from the player's settings, the profile
// list and the game script functions. The calls go through here so that those classes
// can be swapped in one place; until they are part of the game layer, the settings are
// kept in memory from "default_settings" and the profile calls do nothing.
namespace vY_AppServices {

// Creates and loads the settings when there are none yet.
void CreateSettings();
void DestroySettings();
bool HasSettings();
void SaveSettings();
bool GetFullscreen();
bool GetWidescreen();
// Records a value without applying it to the engine.
void RecordFullscreen(bool value);
void RecordWidescreen(bool value);

void CreateProfiles();
void DestroyProfiles();
void SaveCurrentProfile();
bool IsCheaterProfile();

void RegisterScriptFunctions();

}  // namespace vY_AppServices
