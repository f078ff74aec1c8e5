#pragma once
#include <string>

#include "app/engine_startup.h"
#include "app/tools/asset_check_scan.h"

// The author tools of the executable. Both start the engine services and the game
// application as far as registering the game's object types and script functions, and
// neither opens a window; the log goes nowhere meanwhile.

// `vrakko --api`: prints every registered script function, one names string a line
// ("vk.obj.Set; ObjSet": the dotted name, then its global aliases), each followed by an
// indented line with its signature ("    vk.obj.Set(object, properties)"), in
// registration order, engine functions first. With a markdown folder it writes the
// reference pages there instead, and fails (status 1, the gaps on stderr) when a
// registered function, object type or message has no entry. Returns the exit status.
int RunApiListing(const vK_StartupOptions& options, const std::string& markdownFolder = "");

// `vrakko --check`: checks the asset tree below options.assetRoot and prints one line
// per finding (JSON lines with json), then a summary on stderr. Exit status 0 without
// errors, 1 with errors; warnings alone do not fail. lister reads the asset folders.
int RunAssetCheck(const vK_StartupOptions& options, bool json, vK_FolderLister lister = &ListDiskFolder);

// What a game calls itself for players.
struct vK_GameIdentity {
    // The "window_title" text when the string tables define it, else the configuration's
    // "Vrakko.gameName"; empty when neither is there.
    std::string title;
    std::string publisher;  // "Vrakko.publisherName"
};
vK_GameIdentity ReadGameIdentity(const vK_StartupOptions& options);
