#pragma once
#include <map>
#include <string>
#include <vector>

// Every file below a folder, by its path relative to the folder ('/' separators), with
// its bytes. Links are recorded as links ("-> TARGET") and never followed, so a snapshot
// stays inside the folder; folders a link leads to are not entered.
using FileSnapshot = std::map<std::string, std::string>;
FileSnapshot SnapshotFiles(const std::string& folder);

// What became of before's files in after, one line each ("lost PATH", "changed PATH"),
// leaving out paths that start with one of the prefixes in mayChange; empty when every
// other file is still there byte for byte.
std::string LostFiles(const FileSnapshot& before, const FileSnapshot& after,
                      const std::vector<std::string>& mayChange = {});
// The paths of after that before did not have, one a line, leaving out those that start
// with one of the prefixes in mayAppear.
std::string NewFiles(const FileSnapshot& before, const FileSnapshot& after,
                     const std::vector<std::string>& mayAppear = {});
