#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An in-memory block of bytes with a bounded read position, used for the engine's
// packed resource files. Reads are allowed only between the start offset and the
// data size; a read that does not fit fails and leaves the position where it was.
// The data pointer is never null: an empty buffer points at one zero byte.
class vK_ByteBuffer {
public:
    vK_ByteBuffer();
    virtual ~vK_ByteBuffer() = default;
    vK_ByteBuffer(const vK_ByteBuffer&) = delete;
    vK_ByteBuffer& operator=(const vK_ByteBuffer&) = delete;

    // Takes bytes as the buffer's own storage and moves the read position to the
    // start offset (which is kept when it still fits).
    void Assign(std::vector<uint8_t> bytes);
    // Reads size bytes at data, which belong to the caller and must outlive the
    // buffer (or the next Assign).
    void AssignExternal(const uint8_t* data, size_t size);

    const uint8_t* Data() const { return data_; }
    size_t Size() const { return size_; }
    size_t Capacity() const { return capacity_; }
    bool IsExternal() const { return external_; }
    size_t Start() const { return start_; }
    // The first readable byte; the position moves up to it when it lies before.
    // Fails for an offset beyond the data size.
    bool SetStart(size_t start);
    size_t Position() const { return position_; }
    // Fails (and stays) outside [start, size].
    bool SetPosition(size_t position);
    size_t Remaining() const { return position_ < size_ ? size_ - position_ : 0; }

    // Copies n bytes into out (replacing its contents); n = 0 succeeds.
    bool ReadBytes(size_t n, std::vector<uint8_t>& out);
    // Copies n bytes to dest.
    bool ReadBytes(size_t n, void* dest);
    // One length byte L (L = 0 fails), then L bytes of text.
    bool ReadString(std::string& out);

private:
    bool CanRead(size_t n) const {
        return start_ <= position_ && position_ <= size_ && n <= size_ - position_;
    }

    std::vector<uint8_t> storage_;
    const uint8_t* data_;
    size_t size_ = 0;
    size_t start_ = 0;
    size_t position_ = 0;
    size_t capacity_ = 0;
    bool external_ = false;
};
