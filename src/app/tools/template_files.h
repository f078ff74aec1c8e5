#pragma once
#include <string>
#include <vector>

// The hand-written files of the new-project template (configuration, modules, string
// table, README, play-through recording), paths relative to the project folder. The
// marks "@NAME_JSON@", "@NAME_XML@" and "@NAME_MD@" stand for the game's name (escaped
// for JSON and XML, and as it is).
struct vK_TemplateFile {
    std::string path;
    std::string content;
};
std::vector<vK_TemplateFile> TemplateTextFiles();
