#pragma once
#include <string>
#include <vector>

// `vrakko --new DIR [--name NAME]`: writes a small game from the template into DIR (a
// new or empty folder): configuration, a title screen, a player screen, a level with
// three items that fly into the inventory, the loading screen, a string table, pictures,
// a font, a sound, a README for the author and a play-through that wins the level.
struct vK_NewProjectOptions {
    bool requested = false;  // --new was given, even with an empty value
    std::string dir;
    std::string name;  // the game's name; the folder's name when empty
};

// Takes argv[i] when it is --new or --name, moving i past its value: 1. 0 when it is
// neither; -1 when its value is missing (after saying so).
int ParseNewProjectOption(int argc, const std::vector<std::string>& argv, int& i,
                          vK_NewProjectOptions& options);

// Writes the project into a folder beside DIR, moved into place when complete (a failure
// leaves nothing behind); the exit status (0 written, 1 failed, 2 refused: no folder, one
// that is not empty or an unusable name).
int RunNewProject(const vK_NewProjectOptions& options);

// The text as it stands between the quotes of a JSON string.
std::string EscapeJson(const std::string& text);
