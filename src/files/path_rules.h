#pragma once
#include <string>

// Which tree a request path addresses. Only "assets/..." (game content) and
// "save/..." (player data) are served.
enum class vK_PathArea { kRefused, kAssets, kSave };

// Turns backslashes into '/' and classifies the path. Refused: empty paths,
// absolute paths, paths with a NUL byte or a ".." segment, and paths whose first
// segment is not exactly "assets" or "save" ("savegame/x", "assets" alone).
vK_PathArea ClassifyRequestPath(const std::string& path, std::string* cleaned = nullptr);

// ASCII lower case, byte by byte.
std::string LowerAscii(std::string text);
