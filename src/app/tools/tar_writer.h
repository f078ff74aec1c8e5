#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Builds a gzip-compressed tar archive (POSIX ustar) in memory, reproducibly: every
// entry belongs to root (0:0) with the time 0, entries stay in the order they were
// added, and the gzip header carries no name and no time. The same entries give the
// same bytes.
class vK_TarWriter {
public:
    // Adds a folder entry ("game/lib"); mode is its permission bits.
    bool AddFolder(const std::string& name, uint32_t mode = 0755);
    // Adds a file entry; false (with Error set) when the name does not fit ustar's
    // 100 + 155 characters.
    bool AddFile(const std::string& name, const std::vector<uint8_t>& content, uint32_t mode = 0644);
    // The compressed archive; empty (with Error set) when compression failed.
    std::vector<uint8_t> Finish();

    const std::string& Error() const { return error_; }

private:
    bool PutHeader(const std::string& name, uint64_t size, uint32_t mode, char type);

    std::vector<uint8_t> tar_;
    std::string error_;
};
