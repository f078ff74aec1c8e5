#pragma once
#include <string>

// Whether one of two paths is the other or lies inside it, once links and ".." segments
// are resolved (a path that does not exist yet is resolved as far as it exists). Tools
// that copy, replace or delete a folder refuse overlapping source and target with it, so
// an author's or a player's folder is never copied into itself or removed with a target.
bool PathsOverlap(const std::string& a, const std::string& b);
