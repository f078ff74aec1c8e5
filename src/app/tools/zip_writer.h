#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Builds a zip archive in memory, reproducibly: every entry carries the same fixed
// timestamp (1 January 1980), entries stay in the order they were added, deflate runs
// at a fixed level, and with a password each entry is encrypted with traditional zip
// encryption whose 12-byte header is derived from the entry's name and content instead
// of drawn at random. The same entries therefore give the same bytes. The engine's
// archive provider reads what this writes.
// libzip, which the engine links for reading, can write traditional encryption and set
// each entry's time, but it draws the encryption header from a secure random source with
// no way to supply it, so two exports of one tree would differ in every encrypted entry.
// That is why the export writes its archives itself.
class vK_ZipWriter {
public:
    // An empty password writes plain entries.
    explicit vK_ZipWriter(std::string password = {});

    // Adds a file entry (name with '/' separators, unique); mode is its Unix permission
    // bits. False (with Error set) when the archive would exceed the classic zip limits.
    bool Add(const std::string& name, const std::vector<uint8_t>& content, uint32_t mode = 0644);
    // Appends the central directory and returns the archive; the writer is spent.
    std::vector<uint8_t> Finish();

    const std::string& Error() const { return error_; }
    size_t EntryCount() const { return entries_.size(); }

private:
    struct Entry {
        std::string name;
        uint32_t crc = 0;
        uint32_t compressedSize = 0;
        uint32_t size = 0;
        uint16_t method = 0;
        uint32_t mode = 0;
        uint32_t offset = 0;
    };
    void Encrypt(const Entry& entry, std::vector<uint8_t>& data) const;
    void PutHeader(const Entry& entry, bool central);

    std::string password_;
    std::vector<uint8_t> out_;
    std::vector<Entry> entries_;
    std::string error_;
};

// The CRC-32 of a byte block (the zip and gzip checksum).
uint32_t ZipCrc32(const uint8_t* data, size_t size);
// Raw deflate of a block at the best compression level; empty on failure.
std::vector<uint8_t> DeflateRaw(const std::vector<uint8_t>& data);
