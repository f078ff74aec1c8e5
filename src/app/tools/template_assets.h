#pragma once
#include <string>
#include <vector>

#include "app/tools/template_files.h"

// The binary files of the new-project template, made when the project is written, so an
// engine installed or exported anywhere can write one: the pictures drawn here (8-bit
// RGBA PNG), the chime synthesised and encoded as Ogg Vorbis, and the font converted
// into ".vkfnt" from Debian's DejaVu Sans, which the build embeds into the program.
// False (with error set) when an encoder fails.
bool TemplateBinaryFiles(std::vector<vK_TemplateFile>& files, std::string& error);
