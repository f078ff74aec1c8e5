#pragma once
#include <set>
#include <unordered_map>

#include "files/data_provider_base.h"

struct zip;

// Serves entries of a password-protected zip archive. The archive is opened once,
// through the given readers (last to first), and stays open. Requests match entries
// whatever the case of either (both compared in FoldCase form), the same for Exists and
// ReadAll; the first entry in archive order wins among names that differ only in case.
// Folder entries are listed but neither exist nor read as files. Opening a file or a
// stream falls back to the asset folder, as the base does.
class vK_DataProviderArchive : public vK_DataProviderBase {
public:
    // base_path "assets/data" names the archive "assets/data.pck".
    vK_DataProviderArchive(std::shared_ptr<const vK_FileLocations> locations,
                           const std::vector<std::shared_ptr<vK_DataProviderBase>>& readers,
                           const std::string& base_path, const std::string& password);
    ~vK_DataProviderArchive() override;

    bool Exists(const std::string& path) override;
    bool ReadAll(const std::string& path, std::vector<uint8_t>& bytes) override;

    bool IsOpen() const { return archive_ != nullptr; }
    size_t EntryCount() const { return index_.size(); }
    // The entry names exactly as stored, sorted.
    const std::set<std::string>& GetEntryNames() const { return index_; }

private:
    // The entry index a request names; null when there is none.
    const uint64_t* Find(const std::string& path) const;

    std::string password_;
    zip* archive_ = nullptr;
    std::set<std::string> index_;
    // Folded entry name -> the first file entry (in archive order) with that name.
    std::unordered_map<std::string, uint64_t> foldedIndex_;
};
