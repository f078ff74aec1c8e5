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

// The form in which names are compared regardless of case (archive entries, the asset
// folder's listings): ASCII as LowerAscii, and in UTF-8 the capitals of Latin-1
// Supplement, Latin Extended-A, Greek and Cyrillic turned into the letters they fold to
// (simple Unicode case folding: "Ä" -> "ä", "Σ" and "ς" -> "σ", "Ж" -> "ж"). Other
// characters and malformed bytes stay as they are.
std::string FoldCase(const std::string& text);
