#pragma once
#include <string>

// Folders the entry point chooses for this run; empty keeps the defaults.
struct vK_StartupOptions {
    std::string assetRoot;   // the folder that holds "assets/"
    std::string saveFolder;  // the save folder itself
};

// Creates the engine services in their fixed order (glyph rasteriser, mediator,
// string tables, sound hub, file manager with its providers, resource cache, configuration from
// configPath + ".json" unless one exists, the scene, the script host with the script
// API and the message names, the object types, then the engine object) and loads
// the configured string tables.
void EngineStartup(const char* configPath, const vK_StartupOptions& options = {});
// Destroys them: the engine first, the services after it.
void EngineShutdown();
