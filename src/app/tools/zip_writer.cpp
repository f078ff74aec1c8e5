#include "app/tools/zip_writer.h"

#include <zlib.h>

#include <limits>
#include <utility>

namespace {

// 1 January 1980, 00:00: the earliest time a zip entry can state.
constexpr uint16_t kDosTime = 0;
constexpr uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflate = 8;
constexpr uint16_t kFlagEncrypted = 1;
constexpr uint16_t kFlagUtf8 = 1 << 11;
constexpr size_t kCryptHeader = 12;
constexpr uint32_t kLimit = std::numeric_limits<uint32_t>::max();

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xffff);
    Put16(out, v >> 16);
}

// The three keys of traditional zip encryption.
class PkwareKeys {
public:
    explicit PkwareKeys(const std::string& password) {
        for (char c : password) Update(static_cast<uint8_t>(c));
    }
    uint8_t Encrypt(uint8_t plain) {
        const uint32_t t = (keys_[2] | 2) & 0xffff;
        const auto stream = static_cast<uint8_t>((t * (t ^ 1)) >> 8);
        Update(plain);
        return plain ^ stream;
    }

private:
    uint32_t Crc(uint32_t crc, uint8_t byte) const { return (crc >> 8) ^ table_[(crc ^ byte) & 0xff]; }
    void Update(uint8_t byte) {
        keys_[0] = Crc(keys_[0], byte);
        keys_[1] = (keys_[1] + (keys_[0] & 0xff)) * 134775813u + 1;
        keys_[2] = Crc(keys_[2], static_cast<uint8_t>(keys_[1] >> 24));
    }

    const z_crc_t* table_ = get_crc_table();
    uint32_t keys_[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};

uint64_t SplitMix(uint64_t& state) {
    uint64_t z = (state += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

bool IsAscii(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

uint32_t ZipCrc32(const uint8_t* data, size_t size) {
    uLong crc = crc32(0L, Z_NULL, 0);
    while (size > 0) {
        const uInt chunk = size > (1u << 30) ? (1u << 30) : static_cast<uInt>(size);
        crc = crc32(crc, data, chunk);
        data += chunk;
        size -= chunk;
    }
    return static_cast<uint32_t>(crc);
}

std::vector<uint8_t> DeflateRaw(const std::vector<uint8_t>& data) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    std::vector<uint8_t> out(deflateBound(&z, static_cast<uLong>(data.size())));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (status != Z_STREAM_END) return {};
    return out;
}

vK_ZipWriter::vK_ZipWriter(std::string password) : password_(std::move(password)) {}

void vK_ZipWriter::Encrypt(const Entry& entry, std::vector<uint8_t>& data) const {
    // The header's first eleven bytes only have to be unpredictable to an attacker
    // who lacks the password, which this scheme does not protect against anyway;
    // deriving them from the entry keeps the archive reproducible. The last byte is
    // the check byte readers compare with the CRC's high byte.
    uint64_t seed =
        (uint64_t{ZipCrc32(reinterpret_cast<const uint8_t*>(entry.name.data()), entry.name.size())} << 32) ^
        entry.crc ^ (uint64_t{entry.size} << 16);
    uint8_t header[kCryptHeader];
    for (size_t i = 0; i + 1 < kCryptHeader; i += 8) {
        const uint64_t r = SplitMix(seed);
        for (size_t j = 0; j < 8 && i + j + 1 < kCryptHeader; ++j)
            header[i + j] = static_cast<uint8_t>(r >> (8 * j));
    }
    header[kCryptHeader - 1] = static_cast<uint8_t>(entry.crc >> 24);
    PkwareKeys keys(password_);
    std::vector<uint8_t> sealed;
    sealed.reserve(kCryptHeader + data.size());
    for (uint8_t b : header) sealed.push_back(keys.Encrypt(b));
    for (uint8_t b : data) sealed.push_back(keys.Encrypt(b));
    data = std::move(sealed);
}

void vK_ZipWriter::PutHeader(const Entry& entry, bool central) {
    uint16_t flags = password_.empty() ? 0 : kFlagEncrypted;
    if (!IsAscii(entry.name)) flags |= kFlagUtf8;
    Put32(out_, central ? 0x02014b50 : 0x04034b50);
    if (central) Put16(out_, (3 << 8) | 20);  // made by: Unix, zip 2.0
    Put16(out_, 20);                          // needed to extract: zip 2.0
    Put16(out_, flags);
    Put16(out_, entry.method);
    Put16(out_, kDosTime);
    Put16(out_, kDosDate);
    Put32(out_, entry.crc);
    Put32(out_, entry.compressedSize);
    Put32(out_, entry.size);
    Put16(out_, static_cast<uint32_t>(entry.name.size()));
    Put16(out_, 0);  // extra field
    if (central) {
        Put16(out_, 0);                              // comment
        Put16(out_, 0);                              // disk
        Put16(out_, 0);                              // internal attributes
        Put32(out_, (0100000u | entry.mode) << 16);  // a regular file with its permissions
        Put32(out_, entry.offset);
    }
    out_.insert(out_.end(), entry.name.begin(), entry.name.end());
}

bool vK_ZipWriter::Add(const std::string& name, const std::vector<uint8_t>& content, uint32_t mode) {
    if (name.empty() || name.size() >= 0xffff || entries_.size() >= 0xffff || content.size() >= kLimit - 64 ||
        out_.size() >= kLimit - 64) {
        error_ = "the archive would exceed the zip limits at " + name;
        return false;
    }
    Entry entry;
    entry.name = name;
    entry.crc = ZipCrc32(content.data(), content.size());
    entry.size = static_cast<uint32_t>(content.size());
    entry.mode = mode & 07777;
    entry.offset = static_cast<uint32_t>(out_.size());
    std::vector<uint8_t> data = DeflateRaw(content);
    entry.method = kMethodDeflate;
    if (data.empty() || data.size() >= content.size()) {
        data = content;
        entry.method = kMethodStored;
    }
    if (!password_.empty()) Encrypt(entry, data);
    if (out_.size() + data.size() + name.size() + 30 >= kLimit) {
        error_ = "the archive would exceed the zip limits at " + name;
        return false;
    }
    entry.compressedSize = static_cast<uint32_t>(data.size());
    PutHeader(entry, false);
    out_.insert(out_.end(), data.begin(), data.end());
    entries_.push_back(std::move(entry));
    return true;
}

std::vector<uint8_t> vK_ZipWriter::Finish() {
    const auto directoryStart = static_cast<uint32_t>(out_.size());
    for (const Entry& entry : entries_) PutHeader(entry, true);
    const auto directorySize = static_cast<uint32_t>(out_.size() - directoryStart);
    Put32(out_, 0x06054b50);
    Put16(out_, 0);
    Put16(out_, 0);
    Put16(out_, static_cast<uint32_t>(entries_.size()));
    Put16(out_, static_cast<uint32_t>(entries_.size()));
    Put32(out_, directorySize);
    Put32(out_, directoryStart);
    Put16(out_, 0);
    entries_.clear();
    return std::move(out_);
}
