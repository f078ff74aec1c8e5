#include "files/byte_buffer.h"

#include <cstring>

namespace {
const uint8_t kZeroByte = 0;
}  // namespace

vK_ByteBuffer::vK_ByteBuffer() : data_(&kZeroByte) {}

void vK_ByteBuffer::Assign(std::vector<uint8_t> bytes) {
    storage_ = std::move(bytes);
    size_ = storage_.size();
    if (storage_.empty()) storage_.push_back(0);
    data_ = storage_.data();
    capacity_ = storage_.capacity();
    external_ = false;
    if (start_ > size_) start_ = 0;
    position_ = start_;
}

void vK_ByteBuffer::AssignExternal(const uint8_t* data, size_t size) {
    storage_.clear();
    storage_.shrink_to_fit();
    data_ = data && size ? data : &kZeroByte;
    size_ = data ? size : 0;
    capacity_ = size_;
    external_ = true;
    if (start_ > size_) start_ = 0;
    position_ = start_;
}

bool vK_ByteBuffer::SetStart(size_t start) {
    if (start > size_) return false;
    start_ = start;
    if (position_ < start_) position_ = start_;
    return true;
}

bool vK_ByteBuffer::SetPosition(size_t position) {
    if (position < start_ || position > size_) return false;
    position_ = position;
    return true;
}

bool vK_ByteBuffer::ReadBytes(size_t n, std::vector<uint8_t>& out) {
    if (!CanRead(n)) return false;
    out.assign(data_ + position_, data_ + position_ + n);
    position_ += n;
    return true;
}

bool vK_ByteBuffer::ReadBytes(size_t n, void* dest) {
    if (!CanRead(n)) return false;
    if (n) std::memcpy(dest, data_ + position_, n);
    position_ += n;
    return true;
}

bool vK_ByteBuffer::ReadString(std::string& out) {
    if (!CanRead(1)) return false;
    const size_t length = data_[position_];
    if (length == 0 || !CanRead(1 + length)) return false;
    out.assign(reinterpret_cast<const char*>(data_ + position_ + 1), length);
    position_ += 1 + length;
    return true;
}
