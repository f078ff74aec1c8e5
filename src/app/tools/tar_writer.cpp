#include "app/tools/tar_writer.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kBlock = 512;

// Writes value as zero-padded octal digits into a field of width bytes, the last a NUL.
void PutOctal(uint8_t* field, size_t width, uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%0*llo", static_cast<int>(width - 1),
                  static_cast<unsigned long long>(value));
    std::memcpy(field, text, width - 1);
    field[width - 1] = 0;
}

void PutText(uint8_t* field, const std::string& text) { std::memcpy(field, text.data(), text.size()); }

}  // namespace

bool vK_TarWriter::PutHeader(const std::string& name, uint64_t size, uint32_t mode, char type) {
    std::string prefix, tail = name;
    if (tail.size() > 100) {
        // ustar splits a long name at a slash into a prefix of up to 155 characters.
        const size_t slash = name.rfind('/', 155);
        if (slash == std::string::npos || name.size() - slash - 1 > 100 || slash == 0) {
            error_ = "the name is too long for a tar entry: " + name;
            return false;
        }
        prefix = name.substr(0, slash);
        tail = name.substr(slash + 1);
    }
    uint8_t header[kBlock] = {};
    PutText(header, tail);
    PutOctal(header + 100, 8, mode & 07777);
    PutOctal(header + 108, 8, 0);  // uid
    PutOctal(header + 116, 8, 0);  // gid
    PutOctal(header + 124, 12, size);
    PutOctal(header + 136, 12, 0);  // mtime
    std::memset(header + 148, ' ', 8);
    header[156] = static_cast<uint8_t>(type);
    PutText(header + 257, "ustar");
    PutText(header + 263, "00");
    PutText(header + 265, "root");
    PutText(header + 297, "root");
    PutText(header + 345, prefix);
    unsigned sum = 0;
    for (uint8_t b : header) sum += b;
    PutOctal(header + 148, 7, sum);
    header[155] = ' ';
    tar_.insert(tar_.end(), header, header + kBlock);
    return true;
}

bool vK_TarWriter::AddFolder(const std::string& name, uint32_t mode) {
    return PutHeader(name.empty() || name.back() == '/' ? name : name + "/", 0, mode, '5');
}

bool vK_TarWriter::AddFile(const std::string& name, const std::vector<uint8_t>& content, uint32_t mode) {
    if (!PutHeader(name, content.size(), mode, '0')) return false;
    tar_.insert(tar_.end(), content.begin(), content.end());
    tar_.resize((tar_.size() + kBlock - 1) / kBlock * kBlock, 0);
    return true;
}

std::vector<uint8_t> vK_TarWriter::Finish() {
    tar_.resize(tar_.size() + 2 * kBlock, 0);  // the end-of-archive marker
    z_stream z{};
    // 16 + 15 window bits: a gzip wrapper whose header has no name and the time 0.
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        error_ = "zlib could not start";
        return {};
    }
    std::vector<uint8_t> out;
    uint8_t buffer[1 << 16];
    z.next_in = tar_.data();
    size_t left = tar_.size();
    bool done = false;
    for (;;) {
        if (z.avail_in == 0 && left > 0) {
            const uInt chunk = left > (1u << 30) ? (1u << 30) : static_cast<uInt>(left);
            z.avail_in = chunk;
            left -= chunk;
        }
        z.next_out = buffer;
        z.avail_out = sizeof(buffer);
        const int status = deflate(&z, left == 0 ? Z_FINISH : Z_NO_FLUSH);
        out.insert(out.end(), buffer, buffer + (sizeof(buffer) - z.avail_out));
        done = status == Z_STREAM_END;
        if (done || (status != Z_OK && status != Z_BUF_ERROR)) break;
    }
    deflateEnd(&z);
    tar_.clear();
    if (!done) {
        error_ = "gzip compression failed";
        return {};
    }
    return out;
}
