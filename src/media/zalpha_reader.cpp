#include "media/zalpha_reader.h"

#include <zlib.h>

#include <algorithm>

#include "files/in_stream_interface.h"

vK_ZAlphaReader::vK_ZAlphaReader(std::shared_ptr<vK_InStreamInterface> stream, int width, int height)
    : stream_(std::move(stream)), width_(std::max(width, 0)), height_(std::max(height, 0)) {
    plane_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
}

bool vK_ZAlphaReader::Rewind() { return stream_ && stream_->Seek(0); }

bool vK_ZAlphaReader::ReadCompressed(uint32_t length, bool keep) {
    compressed_.clear();
    uint8_t block[4096];
    size_t got = 0;
    while (got < length) {
        const int ask = static_cast<int>(std::min<size_t>(length - got, keep ? kBlockSize : sizeof block));
        if (keep) {
            // Grow only by what is asked now, so the buffer is bounded by the bytes read.
            compressed_.resize(got + static_cast<size_t>(ask));
            const int n = stream_->Read(ask, compressed_.data() + got);
            if (n <= 0) return false;
            got += static_cast<size_t>(n);
            compressed_.resize(got);
        } else {
            const int n = stream_->Read(ask, block);
            if (n <= 0) return false;
            got += static_cast<size_t>(n);
        }
    }
    return true;
}

bool vK_ZAlphaReader::NextFrame(bool inflate) {
    if (!stream_ || plane_.empty()) return false;
    uint8_t header[4];
    if (stream_->Read(4, header) != 4) return false;
    const uint32_t length = static_cast<uint32_t>(header[0]) | (static_cast<uint32_t>(header[1]) << 8) |
                            (static_cast<uint32_t>(header[2]) << 16) |
                            (static_cast<uint32_t>(header[3]) << 24);
    if (!ReadCompressed(length, inflate)) return false;
    if (!inflate) return true;

    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = compressed_.data();
    z.avail_in = static_cast<uInt>(compressed_.size());
    z.next_out = plane_.data();
    z.avail_out = static_cast<uInt>(plane_.size());
    const int status = ::inflate(&z, Z_FINISH);
    const bool whole = status == Z_STREAM_END && z.total_out == plane_.size();
    inflateEnd(&z);
    return whole;
}
