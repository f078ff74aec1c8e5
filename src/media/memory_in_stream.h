#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "files/in_stream_interface.h"

// An input stream over a block of bytes it owns: archive entries, which cannot be read
// piece by piece from the archive, and fuzz or test input.
class vK_MemoryInStream : public vK_InStreamInterface {
public:
    explicit vK_MemoryInStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    int GetLength() override { return static_cast<int>(std::min<size_t>(bytes_.size(), INT32_MAX)); }
    int SeekCurrent() override { return 0; }
    bool IsEnd() override { return position_ >= bytes_.size(); }
    bool Seek(int position) override {
        if (position < 0 || static_cast<size_t>(position) > bytes_.size()) return false;
        position_ = static_cast<size_t>(position);
        return true;
    }
    int Read(int count, uint8_t* dest) override {
        if (count <= 0 || !dest || position_ >= bytes_.size()) return 0;
        const size_t n = std::min(static_cast<size_t>(count), bytes_.size() - position_);
        std::memcpy(dest, bytes_.data() + position_, n);
        position_ += n;
        return static_cast<int>(n);
    }

private:
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
};
