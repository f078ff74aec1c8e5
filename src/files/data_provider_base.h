#pragma once
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

class vK_InStreamInterface;

// Where the providers find their folders. The file manager owns one and hands it
// to its providers, so a change (the game name, a test's folders) is seen at once.
struct vK_FileLocations {
    // The folder that holds "assets/"; empty means the current directory.
    std::string asset_root;
    // The save folder itself; empty means $XDG_DATA_HOME/<publisher>/<game>.
    std::string save_folder;
    std::string publisher;
    std::string game;
};

// A data provider serving "assets/..." from the asset folder. Paths are relative
// '/'-separated request paths; the resolved path is the provider's file path.
// When the exact file is missing, the path is matched regardless of case (FoldCase), segment
// by segment, against cached directory listings (content made on a
// case-insensitive system names files in any case).
class vK_DataProviderBase {
public:
    explicit vK_DataProviderBase(std::shared_ptr<const vK_FileLocations> locations);
    virtual ~vK_DataProviderBase();
    vK_DataProviderBase(const vK_DataProviderBase&) = delete;
    vK_DataProviderBase& operator=(const vK_DataProviderBase&) = delete;

    // The file path for a request, or "" when this provider does not serve it.
    virtual std::string ResolvePath(const std::string& path);
    // The resolved path names a regular file.
    virtual bool Exists(const std::string& path);
    // Reads the whole regular file; false (and an empty vector) on any failure or
    // a short read.
    virtual bool ReadAll(const std::string& path, std::vector<uint8_t>& bytes);
    virtual FILE* OpenFile(const std::string& path);
    // A vK_InFileStream over the opened file; empty when it cannot be opened.
    virtual std::shared_ptr<vK_InStreamInterface> OpenStream(const std::string& path);
    virtual bool Write(const std::string& path, const std::vector<uint8_t>& bytes, bool append);
    // True when the file is gone afterwards.
    virtual bool Delete(const std::string& path);
    virtual FILE* OpenRaw(const std::string& path);
    virtual FILE* OpenForWrite(const std::string& path, bool append);

protected:
    const vK_FileLocations& Locations() const { return *locations_; }
    // root + "/" + rest, where rest is matched case-insensitively when the exact
    // path is missing; root + "/" + rest as given when nothing matches either.
    std::string LocateUnder(const std::string& root, const std::string& rest);

private:
    // Folded name (FoldCase) -> name as stored, for one directory.
    const std::map<std::string, std::string>& Listing(const std::string& dir);

    std::shared_ptr<const vK_FileLocations> locations_;
    struct CachedListing {
        int64_t stamp = -1;  // the folder's modification time when it was read
        std::map<std::string, std::string> names;
    };
    std::map<std::string, CachedListing> listings_;
};

// Reads a whole regular file at a file-system path (the shared part of ReadAll).
bool ReadRegularFile(const std::string& file_path, std::vector<uint8_t>& bytes);
bool IsRegularFile(const std::string& file_path);
// The current directory, "" when it cannot be read.
std::string CurrentDirectory();
