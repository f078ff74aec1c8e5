#pragma once
#include <string>

class Vrakko_Impl;

// Folders the entry point chooses for this run; empty keeps the defaults.
struct vK_StartupOptions {
    std::string assetRoot;   // the folder that holds "assets/"
    std::string saveFolder;  // the save folder itself
};

// Creates the engine services in their fixed order (glyph rasteriser, mediator,
// string tables, sound hub, file manager with its providers, resource cache, configuration from
// configPath + ".json" unless one exists, the scene, the script host with the script
// API and the message names, the object types, the desktop services, then the engine
// object on the SDL platform, whose platform it returns: GetEngine() is the engine) and
// loads the configured string tables.
Vrakko_Impl& EngineStartup(const char* configPath, const vK_StartupOptions& options = {});
// EngineStartup for a game run: the services from "assets/config"; nullptr (logged, and
// everything made so far gone again) when start-up stopped. The result is the engine's
// platform, as with EngineStartup.
Vrakko_Impl* StartEngine(const vK_StartupOptions& options);
// Destroys them: the engine first, the services after it.
void EngineShutdown();
