#pragma once
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class vK_Resource;

// Brings changed asset files into the running game (vrakko --dev). For each changed file
// it reloads what was made from it: the string table it is (its texts replace the old
// ones), and every live cache entry read from it (images, atlases and the atlases whose
// pages changed, fonts, frame and complex animation descriptions, grids), each loaded
// afresh and put into the cache in place of the old one. Live objects that hold a
// replaced resource, or whose resource name is the changed file's, take theirs again.
// A file that does not parse or load leaves everything made from it as it was: the
// error is logged as "file:line" and the old resources are held until the file loads
// again, so a level restart does not read the broken file into them.
class vY_AssetReloader {
public:
    struct Outcome {
        int replaced = 0;      // cache entries and string tables loaded afresh
        int broken = 0;        // changed files that did not load
        int refreshed = 0;     // live objects that took their resource again
        bool restart = false;  // the level should start again to show the changes
    };

    // files are "assets/..." paths, each once.
    Outcome Apply(const std::vector<std::string>& files);
    // How many old resources are held for files that do not load.
    size_t HeldCount() const;

private:
    struct FileResult {
        bool broken = false;
        bool module = false;
        std::vector<std::shared_ptr<vK_Resource>> replaced;  // the old resources
        int reloaded = 0;
    };
    FileResult ApplyFile(const std::string& file);
    // Every cache entry made from file (stem: file without its extension) with its name.
    std::vector<std::pair<std::string, std::shared_ptr<vK_Resource>>> CachedFrom(
        const std::string& stem, const std::string& ext) const;
    // Atlases that hold one of the old pages are loaded again too (their pages come
    // from the cache, which now has the new ones).
    void ReloadAtlasesOf(FileResult& result);
    int RefreshObjects(const std::set<const vK_Resource*>& old, const std::set<std::string>& names);

    std::map<std::string, std::vector<std::shared_ptr<vK_Resource>>> held_;
};
