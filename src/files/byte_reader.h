#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class vK_ByteBuffer;

// Little-endian primitives over a vK_ByteBuffer, with one context byte: for a
// reader over a whole buffer the buffer's first unread byte (consumed; 0 when none
// is left), for the reader of an object-array element the array's field id.
// Every read checks the bounds; a failed read leaves the position unchanged.
class vK_ByteReader {
public:
    // Over a whole buffer (not owned): takes the next byte as the context byte.
    explicit vK_ByteReader(vK_ByteBuffer* buffer);
    // Over a whole buffer that the reader owns and deletes.
    explicit vK_ByteReader(std::unique_ptr<vK_ByteBuffer> buffer);
    // For an element: the buffer (not owned) with the given context byte.
    vK_ByteReader(vK_ByteBuffer* buffer, uint8_t context);
    virtual ~vK_ByteReader();
    vK_ByteReader(const vK_ByteReader&) = delete;
    vK_ByteReader& operator=(const vK_ByteReader&) = delete;

    uint8_t Context() const { return context_; }
    vK_ByteBuffer* Buffer() const { return buffer_; }

    bool ReadUInt8(uint8_t& out);
    bool ReadUInt16(uint16_t& out);
    bool ReadUInt32(uint32_t& out);
    // Size code 1: one byte, 2: two bytes (both unsigned), 3: four bytes (signed);
    // any other code fails.
    bool ReadCount(int size_code, int& out);
    // False at once when the context byte is 0; otherwise reads a marker byte
    // (consumed; false when it is 0), then a short string. A failed string read
    // leaves the position before the marker.
    bool ReadOptionalString(std::string& out);
    // A count (ReadCount with size_code), then that many short strings, appended to
    // out. Any failure (a negative count included) fails the whole list, leaves out
    // and the position unchanged. Nothing is reserved from the count.
    bool ReadStringList(std::vector<std::string>& out, int size_code);
    // A count, then that many key and value strings stored into out (as above).
    bool ReadStringMap(std::map<std::string, std::string>& out, int size_code);

private:
    void TakeContextByte();

    vK_ByteBuffer* buffer_;
    std::unique_ptr<vK_ByteBuffer> owned_;
    uint8_t context_ = 0;
};
