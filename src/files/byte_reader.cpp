#include "files/byte_reader.h"

#include "files/byte_buffer.h"

vK_ByteReader::vK_ByteReader(vK_ByteBuffer* buffer) : buffer_(buffer) { TakeContextByte(); }

vK_ByteReader::vK_ByteReader(std::unique_ptr<vK_ByteBuffer> buffer)
    : buffer_(buffer.get()), owned_(std::move(buffer)) {
    TakeContextByte();
}

vK_ByteReader::vK_ByteReader(vK_ByteBuffer* buffer, uint8_t context) : buffer_(buffer), context_(context) {}

vK_ByteReader::~vK_ByteReader() = default;

void vK_ByteReader::TakeContextByte() {
    uint8_t byte = 0;
    if (buffer_ && buffer_->ReadBytes(1, &byte)) context_ = byte;
}

bool vK_ByteReader::ReadUInt8(uint8_t& out) { return buffer_ && buffer_->ReadBytes(1, &out); }

bool vK_ByteReader::ReadUInt16(uint16_t& out) {
    uint8_t b[2];
    if (!buffer_ || !buffer_->ReadBytes(2, b)) return false;
    out = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
}

bool vK_ByteReader::ReadUInt32(uint32_t& out) {
    uint8_t b[4];
    if (!buffer_ || !buffer_->ReadBytes(4, b)) return false;
    out = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
          (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
}

bool vK_ByteReader::ReadCount(int size_code, int& out) {
    switch (size_code) {
        case 1: {
            uint8_t v;
            if (!ReadUInt8(v)) return false;
            out = v;
            return true;
        }
        case 2: {
            uint16_t v;
            if (!ReadUInt16(v)) return false;
            out = v;
            return true;
        }
        case 3: {
            uint32_t v;
            if (!ReadUInt32(v)) return false;
            out = static_cast<int32_t>(v);
            return true;
        }
        default:
            return false;
    }
}

bool vK_ByteReader::ReadOptionalString(std::string& out) {
    if (context_ == 0 || !buffer_) return false;
    uint8_t marker = 0;
    if (!ReadUInt8(marker)) return false;
    if (marker == 0) return false;
    if (buffer_->ReadString(out)) return true;
    buffer_->SetPosition(buffer_->Position() - 1);
    return false;
}

bool vK_ByteReader::ReadStringList(std::vector<std::string>& out, int size_code) {
    if (!buffer_) return false;
    const size_t start = buffer_->Position();
    int count = 0;
    std::vector<std::string> items;
    bool ok = ReadCount(size_code, count) && count >= 0;
    for (int i = 0; ok && i < count; ++i) {
        std::string s;
        ok = buffer_->ReadString(s);
        if (ok) items.push_back(std::move(s));
    }
    if (!ok) {
        buffer_->SetPosition(start);
        return false;
    }
    for (auto& s : items) out.push_back(std::move(s));
    return true;
}

bool vK_ByteReader::ReadStringMap(std::map<std::string, std::string>& out, int size_code) {
    if (!buffer_) return false;
    const size_t start = buffer_->Position();
    int count = 0;
    std::vector<std::pair<std::string, std::string>> items;
    bool ok = ReadCount(size_code, count) && count >= 0;
    for (int i = 0; ok && i < count; ++i) {
        std::string key, value;
        ok = buffer_->ReadString(key) && buffer_->ReadString(value);
        if (ok) items.emplace_back(std::move(key), std::move(value));
    }
    if (!ok) {
        buffer_->SetPosition(start);
        return false;
    }
    for (auto& [key, value] : items) out[key] = std::move(value);
    return true;
}
